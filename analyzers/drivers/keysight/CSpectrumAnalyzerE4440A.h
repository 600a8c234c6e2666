#pragma once

// The PSA (E4440A): the X-series gated sweep on an older command set. Three sweep points per cell,
// an external gate with its own polarity and level, a set-up that waits for the instrument to finish
// switching to the analyser mode, and a triggered sweep that is not polled.

#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9010A.h"

namespace orv {

class CSpectrumAnalyzerE4440A : public CSpectrumAnalyzerN9010A {
public:
    // The most seconds the set-up waits for the mode switch before going on.
    static constexpr int32_t kModeSwitchWaitSeconds = 35;

    CSpectrumAnalyzerE4440A();

    bool SetDisplayOn(bool on) override;
    bool ResetAfterScan(int32_t value) override;
    bool SetupSpectrumAnalyzer() override;
    bool SetPreAmp(bool on) override;
    bool SetInternalTriger(int32_t internal) override;
    bool SetAttenuation(float dB) override;
    bool SetSweepPoints(int32_t count) override;
    bool SetSpectralSweepPoints(int32_t cells) override;
    bool SetReferenceLevel(float level) override;
    float ReadReferenceLevel() override;
    bool SetUnit(const std::string& unit) override;
    bool SetTraceFormat() override;
    bool SetContinuousSweep(bool single) override;
    bool SetMarkerCount(bool on) override;
    bool MarkPeak() override;
    float ReadMarkerFrequency(int32_t counted) override;
    bool SweepAndWait() override;
    bool TriggeredSweep() override;
    const float* QueryScan() override;
    const float* ReadTraceDataCount(int32_t count) override;
    float ReadPeakAmplitude() override;
    void WaitSettle(float rbw) override;
    int32_t GetRbwValueA(float rbw) override;
    int32_t GetPointsPerCell() override { return 3; }
    void WaitForRbw(float rbw) override;
    void PresetModel() override;

protected:
    XSeriesRbwTables RbwTables() const override;
    double NarrowSweepTimeMs() const override { return 0.01; }

private:
    // The trace query sent and `count` REAL,32 values read, verified.
    const float* ReadTrace(int32_t count);
};

} // namespace orv
