#pragma once

// The spatial scan: one frame of Rows x Columns amplitudes per frequency index (ScanBytes[3] gives
// their count), each acquired by the routine that serves the analyser and sent as packet 100. Frames
// are paced to at least half a second apart; go mode 1 repeats every frequency until a stop.

#include "engine/RunScan.h"

#include <cstdint>
#include <vector>

namespace orv {

class SpatialScan : public RunScan {
public:
    static constexpr const char* kReadFailureText =
        "SpatialScan::RunScanStart() --- Failed in reading scan data.";

    explicit SpatialScan(const CEngineContext& context);

    void RunScanStart() override;
    // Packet 100 of the current frame.
    std::span<const uint8_t> BuildResultPacket() override;

    uint16_t GetFrequencyIndex() const { return m_frequencyIndex; }

private:
    // One frame; true when the runner must end.
    bool RunFrame(CDeviceManager& devices, uint16_t frequencyCount, bool& readFailed);

    uint16_t m_rows = 0;
    uint16_t m_columns = 0;
    uint16_t m_frequencyIndex = 0;
    uint8_t m_level = 0;
    uint8_t m_switchMode = 0;
    std::vector<int16_t> m_values;
    std::vector<float> m_accumulator;
    std::vector<uint8_t> m_resultFrame;
    // The previous frame's acquisition time, ms; negative before the first frame.
    int64_t m_lastFrameMilliseconds = -1;
};

} // namespace orv
