#pragma once

// The UXA: one point per cell, a trace read that gives no trace on any failure, a read of a given
// number of values, and waits after an RBW change.

#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9010A.h"

namespace orv {

class CSpectrumAnalyzerN9040B : public CSpectrumAnalyzerN9010A {
public:
    CSpectrumAnalyzerN9040B();

    bool SetupSpectrumAnalyzer() override;
    bool SetResolution(float mhz) override;
    float ReadReferenceLevel() override { return ReadReferenceLevelRounded(); }
    bool SetSpectralSweepPoints(int32_t cells) override;
    bool TriggeredSweep() override;
    const float* QueryScan() override;
    // n values of the trace; n outside 1..kMaxTracePoints is refused before anything is sent.
    const float* ReadTraceDataCount(int32_t count) override;
    void WaitSettle(float rbw) override;
    void WaitForRbw(float rbw) override;
    int32_t GetRbwValueA(float /*rbw*/) override { return 0; }
    int32_t GetPointsPerCell() override { return 1; }

protected:
    XSeriesRbwTables RbwTables() const override;
};

} // namespace orv
