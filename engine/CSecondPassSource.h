#pragma once

// The two values of the client's scan state controller that the spatial routines read on the scan
// thread: whether the run being started is a second pass, and its 32-bit value. The controller
// implements it; both answers must be safe to read from any thread.

#include <cstdint>

namespace orv {

class CSecondPassSource {
public:
    CSecondPassSource() = default;
    CSecondPassSource(const CSecondPassSource&) = delete;
    CSecondPassSource& operator=(const CSecondPassSource&) = delete;
    virtual ~CSecondPassSource();

    virtual bool GetSecondPassFlag() const = 0;
    virtual int32_t GetSecondPassValue() const = 0;
};

} // namespace orv
