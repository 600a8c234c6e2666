#pragma once

// The generic driver's process-wide state: it outlives any one driver object, because what an
// analyser refused once (the unit command, automatic calibration off) it refuses again.

#include <atomic>

namespace orv {

class GenericAnalyzerFlags {
public:
    static GenericAnalyzerFlags& Instance();

    // The analyser refused the unit command: it works in dBm and levels convert by 107 dB.
    std::atomic<bool> m_dBmOffset{false};
    // ":CAL:AUTO OFF;" is sent at each set-up until the analyser reports an error for it.
    std::atomic<bool> m_autoCalibrationOff{true};

    // Back to the start-up state (tests).
    void Reset() {
        m_dBmOffset = false;
        m_autoCalibrationOff = true;
    }
};

} // namespace orv
