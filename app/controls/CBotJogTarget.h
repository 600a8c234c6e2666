#pragma once

#include <cstdint>

// What a CBotButton needs of the scan-probes page that drives the robot arm: the jog direction
// (0 none, 1-6 the buttons' codes) and the jog step in millimetres. The page's arm thread reads them,
// so the page keeps them in atomics.
namespace orv {

class CBotJogTarget {
public:
    virtual ~CBotJogTarget() = default;
    virtual void SetJog(int32_t direction, float step) = 0;
};

} // namespace orv
