#pragma once

// The placeholder analyser: lets the whole scan pipeline run without an instrument. It answers
// every operation from its own state and makes a synthetic trace per sweep: all points 0.0 except at
// most one, raised to a random value below 5000. Its identity "Null,Null,Null,Null" matches the
// table row "Null" (driver 900).

#include "analyzers/CSpectrumAnalyzer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

class CSpectrumAnalyzerNone : public CSpectrumAnalyzer {
public:
    // Where each sweep's generator takes its seed (the platform's random device by default).
    using SeedSource = std::function<uint32_t()>;

    CSpectrumAnalyzerNone();

    std::string QueryIdentity() override { return "Null,Null,Null,Null"; }
    bool OpenConnection(const std::string& text) override;
    bool SetSweepPoints(int32_t count) override;
    bool SetSpectralSweepPoints(int32_t count) override;
    bool SetSpan(float mhz) override;
    float ReadSpan() override { return m_stop - m_start; }
    bool SetResolution(float mhz) override;
    float ReadResolution() override { return m_rbw; }
    bool SetCenterFrequency(float mhz) override;
    float ReadCenterFrequency() override { return (m_start + m_stop) * 0.5f; }
    bool SetReferenceLevel(float level) override;
    float ReadReferenceLevel() override { return m_referenceLevel; }
    bool SetUnit(const std::string& unit) override;
    bool MarkPeak() override;
    float ReadMarkerFrequency(int32_t marker) override;
    bool SweepAndWait() override;
    const float* QueryScan() override { return m_trace.data(); }
    float ReadPeakAmplitude() override;
    int32_t GetRbwTimingA(float /*rbw*/) override { return 4000; }
    int32_t GetRbwTimingB(float /*rbw*/) override { return 4000; }

    // The sweep-point limits; tests and benchmarks may move them.
    int32_t m_maximumSweepPoints = 3001;
    int32_t m_minimumSweepPoints = 101;

    void SetSeedSource(SeedSource source) { m_seedSource = std::move(source); }
    const std::vector<float>& GetTrace() const { return m_trace; }
    int32_t GetPeakIndex() const { return m_peakIndex; }
    bool IsNonDbuvUnit() const { return m_nonDbuvUnit != 0; }

private:
    int32_t m_valueE = 50;
    int32_t m_valueF = 0;
    float m_start = 10.0f;
    float m_stop = 100.0f;
    float m_rbw = 0.0f;
    float m_referenceLevel = 0.0f;
    int32_t m_nonDbuvUnit = 0;
    std::vector<float> m_trace;
    int32_t m_peakIndex = 0;
    SeedSource m_seedSource;
};

} // namespace orv
