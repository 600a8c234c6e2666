#pragma once

// The R&S ZND vector network analyser standing in for a spectrum analyser: the transmission S12 is
// measured as a magnitude trace named "VXT" and read as a raw REAL,32 block. The FSL's commands serve
// the frequencies, levels and sweep time; the ZND never gates (every RBW is "narrow"), has no
// attenuator, pre-amplifier or detector to set, and its trace read waits for the sweep the previous
// SweepAndWait started, as long as that sweep's time asks.

#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"

#include <cstdint>
#include <string>

namespace orv {

class CSpectrumAnalyzerZND : public CSpectrumAnalyzerFSL {
public:
    static constexpr int32_t kMaxPoints = 5001;
    // The trace-read time-out before a sweep has told how long the sweep takes.
    static constexpr int32_t kInitialTraceReadTimeoutMs = 5000;
    static constexpr const char* kAttenuationWarning =
        "WARNING: The R&S ZND does not support the attenuation setting.";

    CSpectrumAnalyzerZND();

    bool CheckStatus() override;
    bool SetupSpectrumAnalyzer() override;
    bool SetPreAmp(bool /*on*/) override { return true; }
    bool SetTrackingGeneration(bool /*on*/) override { return true; }
    bool SetInternalTriger(int32_t internal) override;
    bool SetSweepTimeFloat(float /*ms*/) override { return true; }
    bool SetDetectorPositive(bool /*on*/) override { return true; }
    bool SetAttenuation(float dB) override;
    bool SetSweepPoints(int32_t count) override;
    bool SetSpectralSweepPoints(int32_t count) override;
    int32_t ReadSweepPoints() override;
    bool SetSpan(float mhz) override;
    bool SetResolution(float mhz) override;
    bool SetUnit(const std::string& /*unit*/) override { return true; }
    bool SetTraceFormat() override;
    bool SetMarkerCount(bool on) override;
    bool MarkPeak() override;
    float ReadMarkerFrequency(int32_t counter) override;
    bool SweepAndWait() override;
    bool TriggeredSweep() override { return SweepAndWait(); }
    const float* QueryScan() override;
    int32_t GetRbwTimingA(float /*rbw*/) override { return 100; }
    int32_t GetGateDelay() override { return m_gateLength; }
    bool SetInputCoupling(bool /*dc*/) override { return true; }
    bool IsNarrowRbw() override { return true; }

    int32_t GetTraceReadTimeoutMs() const { return m_traceReadTimeoutMs; }

protected:
    RsRbwTables RbwTables() const override;

private:
    bool SendPoints(int32_t count);

    int32_t m_traceReadTimeoutMs = kInitialTraceReadTimeoutMs;
};

} // namespace orv
