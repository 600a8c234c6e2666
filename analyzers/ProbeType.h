#pragma once

#include <cstdint>

namespace orv {

// The kind of scanner that carries or selects the probes. Declared below the engine because the
// instrument state keeps the selected and the detected kinds; the scanner interface names it too.
// Stored and compared as a 32-bit value.
enum class eProbeType : int32_t {
    NoScanner = 0,       // no scanner: the hand-held probe
    UsbScannerBoard = 1, // the USB scanner board
    RobotArm = 2,        // the robot arm that carries a probe
    ExternalAdapter = 3, // the external adapter over TCP or a serial line
};

} // namespace orv
