#pragma once

// The RIGOL RSA series: the DSA's operations in the ";"-ended forms, frequencies as whole Hz, a
// set-up that first measures whether the instrument holds a "*WAI" until its sweep is done (the
// wait-mode flag every later sweep follows) and brings the instrument into its spectrum-analyser mode.

#include "analyzers/drivers/rigol/CSpectrumAnalyzerDSA.h"

#include <cstdint>
#include <string>

namespace orv {

class CSpectrumAnalyzerRSA : public CSpectrumAnalyzerDSA {
public:
    // The sweep time of the measuring sweep: a wait at least this long shows the wait mode.
    static constexpr int64_t kWaitModeMs = 500;
    // The pause after the mode switch, while the instrument loads the analyser mode.
    static constexpr int32_t kModeSwitchPauseMs = 4000;

    CSpectrumAnalyzerRSA();

    bool SetupSpectrumAnalyzer() override;
    bool SetPreAmp(bool on) override;
    bool SetInternalTriger(int32_t internal) override;
    bool SetAutoSweep(int32_t on) override;
    bool SetSweepTimeMs(int32_t ms) override;
    bool SetSweepTimeFloat(float /*ms*/) override { return true; }
    int32_t ReadSweepTime() override;
    bool SetDetectorPositive(bool on) override;
    bool SetAttenuation(float dB) override;
    bool SetSweepPoints(int32_t count) override;
    bool SetSpectralSweepPoints(int32_t count) override;
    int32_t ReadSweepPoints() override;
    bool SetSpan(float mhz) override;
    float ReadSpan() override;
    bool SetResolution(float mhz) override;
    float ReadResolution() override;
    bool SetCenterFrequency(float mhz) override;
    float ReadCenterFrequency() override;
    bool SetReferenceLevel(float level) override;
    float ReadReferenceLevel() override;
    bool SetUnit(const std::string& unit) override;
    bool SetTraceFormat() override;
    bool SetContinuousSweep(bool /*single*/) override { return true; }
    bool SetMarkerCount(bool on) override;
    bool MarkPeak() override;
    float ReadMarkerFrequency(int32_t counter) override;
    bool SweepAndWait() override;
    const float* QueryScan() override;
    float ReadPeakAmplitude() override;
    int32_t GetRbwTimingA(float rbw) override;
    int32_t GetRbwTimingB(float rbw) override;
    int32_t GetGateLength(float rbw) override;
    int32_t GetGateDelay() override { return m_gateHold; }

    bool IsWaitMode() const { return m_waitMode != 0; }

    // MHz as whole Hz: the single-precision product truncated (0.0001 MHz gives 100, which a double
    // product truncates to 99), kept in 64 bits (6500 MHz does not fit a 32-bit value).
    static int64_t WholeHz(float mhz);

private:
    // The analyser mode selected when the instrument is in another one.
    bool SelectAnalyzerMode();

    uint8_t m_waitMode = 0;
};

} // namespace orv
