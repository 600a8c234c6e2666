#pragma once

// The Keysight FieldFox hand-held analysers. They work in dBm: the driver adds 107 to every level it
// reads (trace values included) and subtracts it from a reference level it writes. Spatial scans use a
// zero-span "EGST" sweep; the tracking source is switched through the "ISOurce" commands. The older
// firmware of the N9912A, N9915B and N9917B is found by a check after binding that picks the set-up
// sequence, the zero-span commands and a settle wait. The N9912A's bodies are the family's; every other
// member is a row of constants and the operations in which it departs.

#include "analyzers/drivers/scpi/CScpiSpectrumAnalyzer.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

// One member's constants (frequencies and RBW in MHz).
struct FieldFoxModelRow {
    const char* name; // the model text of the OpenConnection log lines
    double lowestFrequency;
    double highestFrequency;
    double smallestRbw;
    double largestRbw;
    bool firmwareDependent; // the firmware check picks the set-up, the zero span and the settle wait
};

class CSpectrumAnalyzerN9912ANew : public CScpiSpectrumAnalyzer {
public:
    static constexpr float kDbmToDbuv = 107.0f;
    static constexpr int32_t kMaxSweepPoints = 10001;
    static constexpr int32_t kMinSweepPoints = 101;
    // Below this firmware version the set-up presets the mode and waits longer.
    static constexpr double kCurrentFirmwareVersion = 7.5;

    CSpectrumAnalyzerN9912ANew();

    // "*IDN?", 100 ms, the reply read raw and the buffers flushed; the generation ("A.05": 0, "A.06":
    // 1, else 2) and the version number after "A.". Only the members whose firmware matters ask.
    void QueryFirmwareGeneration() override;

    bool OpenConnection(const std::string& text) override;
    bool CheckStatus() override { return true; }
    std::string GetSweepMode() override { return "MultipleGatedSweep"; }
    bool SetDisplayOn(bool on) override;
    bool ResetAfterScan(int32_t value) override;
    bool SetupSpectrumAnalyzer() override;
    bool SetPreAmp(bool on) override;
    bool SetTrackingGeneration(bool on) override;
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
    bool SetReferenceLevel(float dBuV) override;
    float ReadReferenceLevel() override;
    bool SetUnit(const std::string& /*unit*/) override { return true; }
    bool SetTraceFormat() override;
    bool SetContinuousSweep(bool single) override;
    bool SetMarkerCount(bool on) override;
    bool MarkPeak() override;
    float ReadMarkerFrequency(int32_t counted) override;
    bool SweepAndWait() override;
    bool TriggeredSweep() override;
    const float* QueryScan() override;
    float ReadPeakAmplitude() override;
    void WaitSettle(float rbw) override;
    int32_t GetRbwTimingA(float rbw) override;
    int32_t GetRbwTimingB(float rbw) override;
    int32_t GetGateLength(float rbw) override;
    int32_t GetGateDelay() override { return m_modelWord; }
    int32_t GetRbwValueA(float /*rbw*/) override { return 0; }
    int32_t GetRbwValueB(float rbw) override;
    int32_t GetFirstProbeIndex() override { return 20; }
    int32_t GetCellsPerSweep(float /*rbw*/) override { return 256; }
    int32_t GetPointsPerCell() override { return 1; }
    bool SetInputCoupling(bool /*dc*/) override { return true; }
    // The read-back RBW at or below the threshold (0.0: no positive RBW is narrow).
    bool IsNarrowRbw() override { return m_narrowRbwThreshold >= m_readBackRbw; }

    const FieldFoxModelRow& GetModelRow() const { return m_row; }
    int32_t GetFirmwareGeneration() const { return m_firmwareGeneration; }
    // The version found after "A.", or none (the current firmware) before or without one.
    std::optional<double> GetFirmwareVersion() const { return m_firmwareVersion; }
    double GetLowestFrequency() const { return m_lowestFrequency; }
    double GetHighestFrequency() const { return m_highestFrequency; }
    double GetLargestRbw() const { return m_largestRbw; }

    // The generation and version an identity reply gives.
    static int32_t GenerationOf(std::string_view identity);
    static std::optional<double> VersionOf(std::string_view identity);

protected:
    explicit CSpectrumAnalyzerN9912ANew(const FieldFoxModelRow& row);

    // The firmware-dependent forms apply: the member has them and its firmware is older.
    bool HasOlderFirmware() const;
    bool UsesFirstFirmwareForms() const { return m_row.firmwareDependent && m_firmwareGeneration == 0; }
    // The family's poll: "*OPC?" sent and read until 1, `pause` before each read (bounded).
    bool PollOpc(std::chrono::milliseconds pause);
    // One value read with "%f"; a read that fails is tried once more when `secondRead`.
    bool QueryReal(const std::string& query, double& value, bool secondRead = false);
    // The level query: + 107 on success, the raw value on failure.
    float QueryLevel(const std::string& query, bool secondRead);

    FieldFoxModelRow m_row;
    int32_t m_gateLength = 50;
    int32_t m_modelWord = 1;
    int32_t m_firmwareGeneration = 0;
    std::optional<double> m_firmwareVersion;
    uint8_t m_preAmp = 0;
};

class CSpectrumAnalyzerN9915B : public CSpectrumAnalyzerN9912ANew {
public:
    CSpectrumAnalyzerN9915B();
};

class CSpectrumAnalyzerN9917B : public CSpectrumAnalyzerN9912ANew {
public:
    CSpectrumAnalyzerN9917B();
};

// The members without a firmware check: the current set-up and zero span always.
class CSpectrumAnalyzerN9913B : public CSpectrumAnalyzerN9912ANew {
public:
    CSpectrumAnalyzerN9913B();
};

class CSpectrumAnalyzerN9918A : public CSpectrumAnalyzerN9912ANew {
public:
    CSpectrumAnalyzerN9918A();
};

class CSpectrumAnalyzerN9917A : public CSpectrumAnalyzerN9912ANew {
public:
    CSpectrumAnalyzerN9917A();
};

class CSpectrumAnalyzerN9918B : public CSpectrumAnalyzerN9912ANew {
public:
    CSpectrumAnalyzerN9918B();
};

class CSpectrumAnalyzerN9934B : public CSpectrumAnalyzerN9912ANew {
public:
    CSpectrumAnalyzerN9934B();
};

class CSpectrumAnalyzerN9935B : public CSpectrumAnalyzerN9912ANew {
public:
    CSpectrumAnalyzerN9935B();
};

// Any FieldFox the table knows only as "N99": the N9935B, whose status check reads the error queue
// when the program was started with "-LogSAErrors".
class CSpectrumAnalyzerN99xx : public CSpectrumAnalyzerN9935B {
public:
    bool CheckStatus() override;
};

} // namespace orv
