#pragma once

// The R&S FSH hand-held analyser: a fixed 631-point trace read as ":TRAC:DATA?", the mode switch
// confirmed by "*OPC?", the pre-amplifier only below 3600 MHz, a tracking generator, and the
// continuous sweep switched both ways.

#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"

#include <cstdint>
#include <string>

namespace orv {

class CSpectrumAnalyzerFSH : public CSpectrumAnalyzerFSL {
public:
    CSpectrumAnalyzerFSH();

    bool SetupSpectrumAnalyzer() override;
    bool SetPreAmp(bool on) override;
    bool SetTrackingGeneration(bool on) override;
    bool SetSweepPoints(int32_t /*count*/) override { return true; }
    bool SetSpectralSweepPoints(int32_t /*count*/) override { return true; }
    int32_t ReadSweepPoints() override;
    bool SetUnit(const std::string& unit) override;
    bool SetContinuousSweep(bool single) override;
    float ReadMarkerFrequency(int32_t counter) override;
    bool SweepAndWait() override { return SweepAndPoll(); }
    bool TriggeredSweep() override { return SendTriggeredSweep(); }
    const float* QueryScan() override;
    // The trace of `count` values; a count outside 1..kMaxTracePoints is refused before anything is sent.
    const float* ReadTraceDataCount(int32_t count) override;
    int32_t GetCellsPerSweep(float /*rbw*/) override { return kFixedPoints; }

    static constexpr int32_t kFixedPoints = 631;

private:
    const float* ReadTrace(int32_t count);

protected:
    RsRbwTables RbwTables() const override;
};

} // namespace orv
