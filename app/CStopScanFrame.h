#pragma once

// The emergency-stop window of robot-arm scans: Ctrl+Enter anywhere in the program stops the arm at
// once. The main frame owns one and triggers it.

namespace orv {

class CStopScanFrame {
public:
    CStopScanFrame() = default;
    CStopScanFrame(const CStopScanFrame&) = delete;
    CStopScanFrame& operator=(const CStopScanFrame&) = delete;
    virtual ~CStopScanFrame();

    virtual void EmergencyStop() = 0;
};

} // namespace orv
