#pragma once

// The Keysight X-series benchtop analysers (CXA, EXA, MXA, PXA, UXA). Their scans over the probe
// cells run as gated sweeps: one external edge gate per cell, with a gate length and delay that
// follow the RBW, while the engine waits on the operation status. The N9010A's bodies are the
// family's; every other member is a row of constants and the few operations in which it departs.

#include "analyzers/drivers/scpi/CScpiSpectrumAnalyzer.h"
#include "analyzers/drivers/scpi/RbwRuleTable.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// One member's constants (frequencies and RBW in MHz).
struct XSeriesModelRow {
    const char* name;   // in the log texts of OpenConnection
    bool logsOpening;   // the PXA and UXA open without a log line
    uint32_t timeoutMs; // the session time-out set on opening
    double lowestFrequency;
    double highestFrequency;
    double smallestRbw;
    double largestRbw;
    double narrowRbwThreshold; // negative: the interface's default
    int32_t maxSweepPoints;
    int32_t minSweepPoints;
    int32_t initialSweepPoints;
    int32_t narrowRbwPointCount; // 0: the model has none
    bool queriesGatedSweep;      // the gated set-up ends with the gated-sweep query
};

// The three RBW timing tables of a member.
struct XSeriesRbwTables {
    const RbwRuleTable& timingA;
    const RbwRuleTable& timingB;
    const RbwRuleTable& gateLength;
};

class CSpectrumAnalyzerN9010A : public CScpiSpectrumAnalyzer {
public:
    static constexpr const char* kNoGatedSweepLog =
        " !!!!!!  No support of the gated sweep for the Spectrum Analyzer.";

    CSpectrumAnalyzerN9010A();

    bool OpenConnection(const std::string& text) override;
    bool CheckStatus() override { return true; }
    std::string GetSweepMode() override { return "GatedSweep"; }
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
    bool SetSpectralSweepPoints(int32_t cells) override;
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
    float ReadMarkerFrequency(int32_t counted) override;
    bool SweepAndWait() override;
    bool TriggeredSweep() override;
    const float* QueryScan() override;
    float ReadPeakAmplitude() override;
    int32_t GetRbwTimingA(float rbw) override;
    int32_t GetRbwTimingB(float rbw) override;
    int32_t GetGateLength(float rbw) override;
    int32_t GetRbwValueA(float rbw) override;
    int32_t GetCellsPerSweep(float rbw) override;
    int32_t GetPointsPerCell() override { return 2; }
    bool SetInputCoupling(bool dc) override;
    bool IsNarrowRbw() override { return IsAppliedRbwNarrow(); }

    const XSeriesModelRow& GetModelRow() const { return m_row; }
    int32_t GetMaxSweepPoints() const { return m_row.maxSweepPoints; }
    int32_t GetMinSweepPoints() const { return m_row.minSweepPoints; }
    int32_t GetStoredGateLength() const { return m_gateLength; }
    int32_t GetStoredGateDelay() const { return m_gateDelay; }
    int32_t GetPreAmpState() const { return m_preAmpState; }
    int32_t GetFirmwareGeneration() const { return m_firmwareGeneration; }
    double GetLowestFrequency() const { return m_lowestFrequency; }
    double GetHighestFrequency() const { return m_highestFrequency; }
    double GetSmallestRbw() const { return m_smallestRbw; }
    double GetLargestRbw() const { return m_largestRbw; }

    // The sweep-point clamp: above the maximum or negative gives the maximum, 0 stays 0, 1 up to the
    // minimum gives the minimum.
    int32_t ClampSweepPoints(int32_t count) const;

protected:
    explicit CSpectrumAnalyzerN9010A(const XSeriesModelRow& row);

    virtual XSeriesRbwTables RbwTables() const;

    // "*RST;", "INST SA;", ":DISP:ENAB ON;" verified, then ":CAL:AUTO OFF;" when `calibrationOff`.
    bool SendSetupCommands(bool calibrationOff);
    // The pre-amplifier commands; `readBack` asks the state with the 3000 ms time-out.
    bool SendPreAmp(bool on, bool readBack);
    // The external-gate sequence, the gate length from the RBW read back (none when that read fails).
    bool SendGateSequence();
    // "Sweep:Time %f MS;" from the gate length times the cells of the points read back.
    bool SendSweepTimeFromGate();
    // The sweep time sent unverified when the RBW is narrow.
    virtual double NarrowSweepTimeMs() const { return 10.0; }
    // The narrow-RBW spectral sweep: 5 points, verified, the count read back, verified.
    bool SendNarrowSpectralPoints();
    // The point count stored, sent and verified, the count read back and verified again.
    bool SendSweepPoints(int32_t count);
    // The ":Status:Operation:Condition?;" polls for 56 (at most six), logged when 56 never came.
    bool PollForTriggerArmed();
    // The family's query of one real value; false when the read or the check failed.
    bool QueryReal(const std::string& query, double& value);
    // 76.99 read back is the instrument's 77.
    float ReadReferenceLevelRounded();
    int32_t CountActiveCells();

    XSeriesModelRow m_row;
    int32_t m_gateLength = 50;
    int32_t m_gateDelay = 0;
    int32_t m_preAmpState = 0;
    int32_t m_firmwareGeneration = 0;
};

class CSpectrumAnalyzerN9010B : public CSpectrumAnalyzerN9010A {
public:
    CSpectrumAnalyzerN9010B();
};

} // namespace orv
