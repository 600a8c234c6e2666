#pragma once

// The Rohde & Schwarz spectrum analysers. The FSL's operations are the family's: every set is a
// guarded send (the write, then CheckStatus and the instrument-error flag), every read a guarded read,
// the scan over the probe cells runs as a gated sweep with an external gate whose length follows the
// RBW, and the RBW filter type found before the preset is given back after it. A model is a row of
// constants, its RBW tables and the operations in which it departs.

#include "analyzers/drivers/scpi/CScpiSpectrumAnalyzer.h"
#include "analyzers/drivers/scpi/RbwRuleTable.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// One model's constants (frequencies and RBW in MHz).
struct RsModelRow {
    const char* logName; // ends the OpenConnection log lines
    int32_t pointCount;  // the initial point count
    int32_t maxPoints;
    int32_t minPoints;
    int32_t gateLength; // microseconds; negative: set by GetGateLength before any use
    double minRbw;
    int32_t multiplier;                      // the sweep points per cell (GetPointsPerCell)
    const char* sweepMode;                   // GetSweepMode
    double narrowRbwThreshold;               // negative: the interface's default
    std::vector<std::string> rbwFilterTypes; // the filter types captured before a preset (none: never)
};

// The three RBW timing tables of a model.
struct RsRbwTables {
    const RbwRuleTable& timingA;
    const RbwRuleTable& timingB;
    const RbwRuleTable& gateLength;
};

class CSpectrumAnalyzerFSL : public CScpiSpectrumAnalyzer {
public:
    CSpectrumAnalyzerFSL();

    bool OpenConnection(const std::string& text) override;
    bool CheckStatus() override { return true; }
    std::string GetSweepMode() override { return m_row.sweepMode; }
    bool SetupSpectrumAnalyzer() override;
    bool SetPreAmp(bool on) override;
    bool SetInternalTriger(int32_t internal) override;
    bool SetAutoSweep(int32_t on) override;
    bool SetSweepTimeMs(int32_t ms) override;
    bool SetSweepTimeFloat(float ms) override;
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
    bool SetContinuousSweep(bool single) override;
    bool SetMarkerCount(bool on) override;
    bool MarkPeak() override;
    float ReadMarkerFrequency(int32_t counter) override;
    bool SweepAndWait() override;
    bool TriggeredSweep() override;
    const float* QueryScan() override;
    float ReadPeakAmplitude() override;
    int32_t GetRbwTimingA(float rbw) override;
    int32_t GetRbwTimingB(float rbw) override;
    int32_t GetGateLength(float rbw) override;
    int32_t GetGateDelay() override { return m_gateHold; }
    int32_t GetPointsPerCell() override { return m_row.multiplier; }
    // The FSL form: the mode asked; in "SA" the filter type read (3000 ms time-out) and kept for the
    // restore when it is one of the model's types.
    void ReadRbwFilterType() override;

    const RsModelRow& GetModelRow() const { return m_row; }
    int32_t GetStoredGateLength() const { return m_gateLength; }
    bool GetPreAmpFlag() const { return m_preAmp != 0; }

    // The sweep-point clamp: above the maximum or negative gives the maximum, 1 up to the minimum gives
    // the minimum, 0 stays 0.
    int32_t ClampSweepPoints(int64_t count) const;

protected:
    explicit CSpectrumAnalyzerFSL(RsModelRow row);

    virtual RsRbwTables RbwTables() const;

    // A guarded read of one real value; false when the read or its checks failed.
    bool GuardedReal(const std::string& query, double& value);
    float GuardedMhz(const std::string& query);
    // The count stored, sent guarded, and read back; the result is that read's checks.
    bool SendSweepPoints(int32_t count);

    RsModelRow m_row;
    int32_t m_gateLength = 0;
    int32_t m_gateHold = 0;
    uint8_t m_preAmp = 0;
};

} // namespace orv
