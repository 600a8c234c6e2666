#pragma once

// The N9324C: the N9320B's bodies in dBm (every level read gets 107, the reference level sent loses
// it and clears the status after), its CALCulate:MARKer1 forms, a trace in a "#" block, the MXA's
// RBW tables and gate delays, no cell count and no RBW wait.

#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9320B.h"

namespace orv {

class CSpectrumAnalyzerN9324C : public CSpectrumAnalyzerN9320B {
public:
    static constexpr float kDbmToDbuv = 107.0f;
    // The most bytes a trace block may announce beyond its 4 x 461 bytes of data.
    static constexpr size_t kMostBlockExtraBytes = 999;

    CSpectrumAnalyzerN9324C();

    bool SetInternalTriger(int32_t internal) override;
    bool SetupSpectrumAnalyzer() override;
    bool SetReferenceLevel(float level) override;
    float ReadReferenceLevel() override;
    bool SetMarkerCount(bool on) override;
    bool MarkPeak() override;
    float ReadMarkerFrequency(int32_t counted) override;
    bool SweepAndWait() override;
    float ReadPeakAmplitude() override;
    int32_t GetGateDelay() override;
    int32_t GetCellsPerSweep(float /*rbw*/) override { return 0; }
    void WaitForRbw(float /*rbw*/) override {}

protected:
    XSeriesRbwTables RbwTables() const override;
    bool ReadTraceBytes(unsigned char* buffer, size_t capacity, size_t& length) override;
    float LevelOffset() const override { return kDbmToDbuv; }
};

} // namespace orv
