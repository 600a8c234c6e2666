#pragma once

// The Rohde & Schwarz spectrum analysers. The FSL's operations are the family's: every set is a
// guarded send (the write, then CheckStatus and the instrument-error flag), every read a guarded read,
// the scan over the probe cells runs as a gated sweep with an external gate whose length follows the
// RBW, and the RBW filter type found before the preset is given back after it. A model is a row of
// constants, its RBW tables and the operations in which it departs.

#include "analyzers/drivers/scpi/CScpiSpectrumAnalyzer.h"
#include "analyzers/drivers/scpi/RbwRuleTable.h"

#include <array>
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
    // The departures that are data rather than a form of their own.
    bool openWithTimeout = false;     // after the open: time-out 5000 ms and both buffers flushed
    bool gainOnBeforeTrigger = false; // ":INP:GAIN:STAT ON;" opens either trigger form
    bool externalTriggerSource =
        false; // the gate starts ":Trigger:Source External;" (else ":SWE:EGAT:SOUR EXT;")
    bool checksGateBeforeSweep = false;   // the triggered sweep logs a missing gated sweep first
    int32_t triggeredSweepPauseMs = 0;    // after the triggered sweep's ":INIT; *WAI;"
    bool sendsInputCoupling = false;      // ":INP:COUP DC;" / ":INP:COUP AC;"
    int32_t settleMs = 0;                 // WaitSettle
    std::array<int32_t, 3> rbwPausesMs{}; // WaitForRbw at RBW >= 0.0003, >= 0.0001, >= 0.000029
};

// The three RBW timing tables of a model.
struct RsRbwTables {
    const RbwRuleTable& timingA;
    const RbwRuleTable& timingB;
    const RbwRuleTable& gateLength;
    const RbwRuleTable* valueA = nullptr; // GetRbwValueA (none: 0)
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
    int32_t GetRbwValueA(float rbw) override;
    int32_t GetPointsPerCell() override { return m_row.multiplier; }
    void WaitSettle(float rbw) override;
    void WaitForRbw(float rbw) override;
    bool SetInputCoupling(bool dc) override;
    // The FSL form: the mode asked; in "SA" the filter type read (3000 ms time-out) and kept for the
    // restore when it is one of the model's types.
    void ReadRbwFilterType() override;

    const RsModelRow& GetModelRow() const { return m_row; }
    int32_t GetStoredGateLength() const { return m_gateLength; }
    bool GetPreAmpFlag() const { return m_preAmp != 0; }
    double GetReadBackRbw() const { return m_readBackRbw; }

    // The FSL's RBW tables, which other models take as their own.
    static RsRbwTables FslRbwTables();

    // The sweep-point clamp: above the maximum or negative gives the maximum, 1 up to the minimum gives
    // the minimum, 0 stays 0.
    int32_t ClampSweepPoints(int64_t count) const;

protected:
    explicit CSpectrumAnalyzerFSL(RsModelRow row);

    virtual RsRbwTables RbwTables() const;

    // A guarded read of one real value; false when the read or its checks failed.
    bool GuardedReal(const std::string& query, double& value);
    // The count stored, sent guarded, and read back; the result is that read's checks.
    bool SendSweepPoints(int32_t count);
    // A guarded read of the point count with this query; a count outside 0..kMaxTracePoints is a
    // failed read and leaves the point count as it was.
    int32_t ReadPointCount(const std::string& query);

    // The set-up of the models without a filter type to keep: the preset given, then "INST SAN;" and
    // ":SYST:DISP:UPD ON;", each guarded.
    bool SetupWithPreset(const char* preset);
    // The pre-amplifier is on only below 3600 MHz of the set-up's stop frequency.
    bool SetPreAmpBelowStopLimit(bool on);
    // ":INIT;", then the bounded "*OPC?;" poll and the checks of a guarded read.
    bool SweepAndPoll();
    // The triggered sweep's ":INIT; *WAI;" alone (status only), then the model's pause.
    bool SendTriggeredSweep();
    // Spectral points from the probe cells: 5 in the narrow-RBW mode, else the cells per sweep times
    // the multiplier through SetSweepPoints.
    bool SetSpectralPointsByCells();
    // The active cells when they reach the minimum points, else just past the minimum.
    int32_t CellsReachingMinimum();
    // The active cells rounded up to the next hundred, the minimum's likewise when they fall short.
    int32_t CellsInHundreds();
    // The read-back RBW within the model's narrow-RBW threshold (32-bit floats).
    bool IsReadBackRbwNarrow() const;
    // The narrow-RBW sweep time chosen from the read-back RBW; the status kept, true.
    bool SetNarrowSweepTime();

    RsModelRow m_row;
    int32_t m_gateLength = 0;
    int32_t m_gateHold = 0;
    uint8_t m_preAmp = 0;
};

} // namespace orv
