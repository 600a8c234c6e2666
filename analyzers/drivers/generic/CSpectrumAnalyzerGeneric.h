#pragma once

// The driver for a SCPI analyser the program has no model driver for. Most operations send fixed
// commands; fourteen take their command from two ini files beside the program, so that a user can
// adapt it to an unknown instrument: "GenericAnalyzerControl.ini" selects a command per key for an
// analyser (its section named by the identity the connection recorded), and
// "GenericAnalyzerAvailableControlString.ini" lists candidates per key. Configured commands are
// templates (see CommandTemplate.h), never formats.

#include "analyzers/drivers/scpi/CScpiSpectrumAnalyzer.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

class CSpectrumAnalyzerGeneric : public CScpiSpectrumAnalyzer {
public:
    enum CommandKey : uint8_t {
        kSetInternalTrigger,
        kSetAutoSweep,
        kSetDetectorPositive,
        kSetUnit,
        kSetPrAmpOn,
        kSetPrAmpOff,
        kSetAttenuation,
        kSetReferenceLevel,
        kSetDisplayOn,
        kTraceData,
        kSetMarkOn,
        kSetMarkOff,
        kMarkPeak,
        kReadPeak,
        kCommandKeyCount
    };
    static constexpr size_t kMaxCandidates = 10;
    static constexpr int32_t kMaxSweepPoints = 32001;
    static constexpr int32_t kMinSweepPoints = 101;
    // Read-back point counts beyond this are taken as a wrong reply.
    static constexpr int32_t kLargestPlausiblePoints = 102400;
    static constexpr const char* kControlFileName = "GenericAnalyzerControl.ini";
    static constexpr const char* kCandidateFileName = "GenericAnalyzerAvailableControlString.ini";
    static constexpr const char* kModeWarning =
        "Please set the analyzer into the mode: 'Spectrum Analyzer' before doing the scan !";
    static constexpr int32_t kWrongModeFailureCode = 801;

    static const char* KeyName(CommandKey key);

    CSpectrumAnalyzerGeneric();

    bool OpenConnection(const std::string& /*text*/) override { return true; }
    bool CheckStatus() override { return true; }
    std::string GetSweepMode() override { return "GatedSweep"; }
    bool SetDisplayOn(bool on) override;
    bool SetupSpectrumAnalyzer() override;
    bool SetPreAmp(bool on) override;
    bool SetInternalTriger(int32_t value) override;
    bool SetAutoSweep(int32_t value) override;
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
    float ReadMarkerFrequency(int32_t wait) override;
    bool SweepAndWait() override;
    bool TriggeredSweep() override { return true; }
    const float* QueryScan() override;
    float ReadPeakAmplitude() override;
    int32_t GetGateDelay() override { return m_gateDelay; }
    int32_t GetRbwValueA(float rbw) override;
    int32_t GetCellsPerSweep(float rbw) override;
    int32_t GetPointsPerCell() override { return 2; }
    void WaitForRbw(float rbw) override;
    bool SetInputCoupling(bool dc) override;
    bool IsNarrowRbw() override;

    // The two file readers; false (and nothing changed) without the program's folder.
    bool ReadControlFile();
    bool ReadCandidateFile();

    bool IsConfigured() const { return m_configured; }
    const std::vector<std::string>& GetCandidates(CommandKey key) const { return m_candidates[key]; }
    const std::string& GetSelected(CommandKey key) const { return m_selected[key]; }

    // The clamp of a requested sweep-point count.
    static int32_t ClampSweepPoints(int32_t count);

private:
    // ":SYST:ERR?;" answered with 0.
    bool ErrorCheck();
    void ClearStatus(); // "*CLS;" and the 50 ms the analyser takes
    // The key's selected command expanded and sent with its line feed; false when refused or failed.
    bool SendSelected(CommandKey key, const std::string& expanded);
    bool SendSelected(CommandKey key);
    // Configured operations without an argument value: send, check, log.
    bool SendSelectedChecked(CommandKey key, const char* operation, bool hasArgument, int32_t integer);

    std::array<std::vector<std::string>, kCommandKeyCount> m_candidates;
    std::array<std::string, kCommandKeyCount> m_selected;
    bool m_configured = false;
    int32_t m_gateDelay = 0;
    float m_referenceLevel = 0.0f;
    std::vector<char> m_asciiReply;
};

} // namespace orv
