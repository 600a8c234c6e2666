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
    // Shown while a robot-arm scan runs: its closed mark cleared, top-most at the top right corner
    // of the screen's available area, its size kept.
    virtual void ShowAtTopRight() = 0;
    virtual void Hide() = 0;
};

} // namespace orv
