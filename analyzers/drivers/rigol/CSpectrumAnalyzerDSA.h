#pragma once

// The RIGOL DSA series. Commands end in a bare line feed and carry frequencies in Hz ("%f" of the
// MHz value times 1,000,000 formed in single precision); every set is a guarded send and every read a
// guarded read over the RIGOL status check, which asks the error queue only under "-LogSAErrors". The
// sweep runs free (no gate at any RBW) and the trace is the REAL,32 block of ":Trace? trace1".

#include "analyzers/drivers/scpi/CScpiSpectrumAnalyzer.h"

#include <cstdint>
#include <string>

namespace orv {

// The constants of one RIGOL or SIGLENT model (RBW in MHz).
struct RigolModelRow {
    const char* logName; // ends the OpenConnection log lines
    int32_t pointCount;  // the initial point count
    int32_t maxPoints;
    int32_t minPoints;
    int32_t gateLength; // microseconds
    double minRbw;
    const char* sweepMode; // GetSweepMode
};

class CSpectrumAnalyzerDSA : public CScpiSpectrumAnalyzer {
public:
    // The longest part of a status reply that goes into the log line.
    static constexpr size_t kMostLoggedReply = 256;

    CSpectrumAnalyzerDSA();

    bool OpenConnection(const std::string& text) override;
    bool CheckStatus() override;
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
    bool TriggeredSweep() override { return SweepAndWait(); }
    const float* QueryScan() override;
    float ReadPeakAmplitude() override;
    void WaitSettle(float rbw) override;
    int32_t GetRbwTimingA(float rbw) override;
    int32_t GetRbwTimingB(float rbw) override;
    int32_t GetGateLength(float rbw) override;
    int32_t GetGateDelay() override { return m_gateLength; }
    int32_t GetRbwValueB(float rbw) override;
    int32_t GetCellsPerSweep(float rbw) override;
    int32_t GetPointsPerCell() override { return 1; }
    bool IsNarrowRbw() override { return true; }

    const RigolModelRow& GetModelRow() const { return m_row; }
    int32_t GetStoredGateLength() const { return m_gateLength; }

    // The sweep-point clamp: above the maximum or negative gives the maximum, else at least the minimum.
    int32_t ClampSweepPoints(int32_t count) const;
    // MHz to Hz as the instrument is told: the product in single precision ("%f" for 0.0001 MHz is
    // "100.000000", where a double product would give "100.000005").
    static float HzOf(float mhz) { return mhz * 1.0e6f; }

protected:
    explicit CSpectrumAnalyzerDSA(RigolModelRow row);

    // A guarded read of one real value, unscaled; false when the read or its checks failed.
    bool GuardedReal(const std::string& query, double& value);
    // The count stored, sent guarded with `format` ("%d" for the count), then read back; the result is
    // that read's checks.
    bool SendSweepPoints(const char* format, int32_t count);
    // A guarded read of the point count; a count outside 0..kMaxTracePoints is a failed read and
    // leaves the point count as it was.
    int32_t ReadPointCount(const std::string& query);
    // The trace block after `query`, kept in the raw block, tested against the instrument-error flag
    // only.
    const float* ReadTraceBlockAfter(const std::string& query);

    RigolModelRow m_row;
    int32_t m_gateLength = 0;
    int32_t m_gateHold = 0;
};

} // namespace orv
