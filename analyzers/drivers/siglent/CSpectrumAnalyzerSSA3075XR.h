#pragma once

// The SIGLENT SSA3075X-R: the RIGOL DSA's command family with its own set-up, the tracking-generator
// output, a fixed 751-point trace sent as bare REAL,32 values without a block header, and reference
// levels read in dBm and given in dBuV.

#include "analyzers/drivers/rigol/CSpectrumAnalyzerDSA.h"

#include <cstdint>
#include <string>

namespace orv {

class CSpectrumAnalyzerSSA3075XR : public CSpectrumAnalyzerDSA {
public:
    static constexpr int32_t kTracePoints = 751;
    // dBm to dBuV at 50 ohm, as the instrument's readings are given.
    static constexpr float kDbmToDbuv = 106.9897f;

    CSpectrumAnalyzerSSA3075XR();

    bool OpenConnection(const std::string& text) override;
    bool CheckStatus() override { return true; }
    bool SetupSpectrumAnalyzer() override;
    bool SetPreAmp(bool on) override;
    bool SetTrackingGeneration(bool on) override;
    bool SetInternalTriger(int32_t internal) override;
    bool SetSweepPoints(int32_t /*count*/) override { return true; }
    bool SetSpectralSweepPoints(int32_t /*count*/) override { return true; }
    int32_t ReadSweepPoints() override;
    float ReadReferenceLevel() override;
    bool MarkPeak() override;
    const float* QueryScan() override;
    void WaitSettle(float rbw) override;
    int32_t GetRbwTimingA(float /*rbw*/) override { return 0; }
    int32_t GetRbwTimingB(float /*rbw*/) override { return 0; }
    int32_t GetGateLength(float /*rbw*/) override { return 0; }
};

} // namespace orv
