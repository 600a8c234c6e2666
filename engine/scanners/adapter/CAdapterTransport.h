#pragma once

// The link to the external adapter: TCP on the local network or a USB serial port. Both move the
// adapter's frames byte for byte; the driver does not know which it talks through.

#include <cstdint>

namespace orv {

class CAdapterTransport {
public:
    CAdapterTransport() = default;
    CAdapterTransport(const CAdapterTransport&) = delete;
    CAdapterTransport& operator=(const CAdapterTransport&) = delete;
    virtual ~CAdapterTransport();

    // Sends every byte within `timeoutMs`.
    virtual bool Write(const uint8_t* bytes, uint32_t count, uint32_t timeoutMs) = 0;
    // Takes `count` bytes, waiting at most as `timeoutMs` allows; false when they did not all come. The
    // wait also ends within a poll of the stop in force on the calling thread (LinkStop).
    virtual bool Read(uint8_t* buffer, uint32_t count, uint32_t timeoutMs) = 0;
    // The longest a Read given `timeoutMs` may wait, in milliseconds.
    virtual uint32_t GetLongestWaitMs(uint32_t timeoutMs) const = 0;
    virtual void Close() = 0;
};

} // namespace orv
