#pragma once

// The one interface through which the engine drives any spectrum analyser: 64 operations in slot
// order, each with a default body (most do nothing and report success), the VISA plumbing the SCPI
// drivers share, the look-up of the model's VISA resource, and the SCPI queries most drivers use
// unchanged. Drivers derive from it directly and hold no lock: one thread at a time drives them.
//
// Drivers do not throw: an operation returns true or false (or a value with the query-valid flag),
// logs its failure, and leaves the decision to its caller. No VISA call is made without a session
// (or on the placeholder session): it fails with an error status and clears the operation's flag.

#include "analyzers/AnalyzerScanSetup.h"
#include "platform/ui/OpenQuestion.h"
#include "platform/visa/VisaEntryPoints.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv {

class CBB60Connection;
class CSAConnection;
class CTekRSAConnection;
class CVisaConnection;

class CSpectrumAnalyzer {
public:
    static constexpr size_t kReplyBufferSize = 2560;
    static constexpr size_t kCommandBufferSize = 256;
    static constexpr const char* kRbwFilterTypeCommand = ":SENS:BAND:RES:TYPE ";
    // The most values a trace may have; a point count read back outside 0..this is a failed read.
    static constexpr int32_t kMaxTracePoints = 102400;

    CSpectrumAnalyzer() = default;
    CSpectrumAnalyzer(const CSpectrumAnalyzer&) = delete;
    CSpectrumAnalyzer& operator=(const CSpectrumAnalyzer&) = delete;

    // Slots 0-63.
    virtual ~CSpectrumAnalyzer() = default;
    virtual bool FindVisaConnection(CSAConnection* connection, int32_t driverID);
    virtual std::string QueryIdentity();
    virtual bool OpenConnection(const std::string& text);
    virtual bool CheckStatus();
    virtual std::string GetSweepMode() { return "GatedVideo"; }
    virtual bool SetDisplayOn(bool /*on*/) { return true; }
    virtual bool ResetAfterScan(int32_t /*value*/) { return true; }
    virtual bool SetupSpectrumAnalyzer() { return true; }
    virtual bool SetPreAmp(bool /*on*/) { return true; }
    virtual bool SetTrackingGeneration(bool /*on*/) { return true; }
    virtual bool SetInternalTriger(int32_t /*value*/) { return true; }
    virtual bool SetAutoSweep(int32_t /*value*/) { return true; }
    virtual bool SetSweepTimeMs(int32_t /*ms*/) { return true; }
    virtual bool SetSweepTimeFloat(float /*ms*/) { return true; }
    virtual int32_t ReadSweepTime() { return 0; }
    virtual bool SetDetectorPositive(bool /*on*/) { return true; }
    virtual bool SetAttenuation(float /*dB*/) { return true; }
    virtual bool SetSweepPoints(int32_t /*count*/) { return true; }
    virtual bool SetSpectralSweepPoints(int32_t /*count*/) { return true; }
    virtual int32_t ReadSweepPoints() { return m_sweepPoints; }
    virtual bool SetSpan(float /*mhz*/) { return true; }
    virtual float ReadSpan() { return 0.0f; }
    virtual bool SetResolution(float /*mhz*/) { return true; }
    virtual float ReadResolution() { return 0.0f; }
    virtual bool SetCenterFrequency(float /*mhz*/) { return true; }
    virtual float ReadCenterFrequency() { return 0.0f; }
    virtual bool SetReferenceLevel(float /*level*/) { return true; }
    virtual float ReadReferenceLevel() { return 0.0f; }
    virtual bool SetUnit(const std::string& /*unit*/) { return true; }
    virtual bool SetTraceFormat() { return true; }
    virtual bool SetContinuousSweep(bool /*on*/) { return true; }
    virtual bool SetMarkerCount(bool /*on*/) { return true; }
    virtual bool MarkPeak() { return true; }
    virtual float ReadMarkerFrequency(int32_t /*marker*/) { return 0.0f; }
    virtual bool SweepAndWait() { return false; }
    virtual bool TriggeredSweep() { return true; }
    // The last sweep's values (ReadSweepPoints of them), or null.
    virtual const float* QueryScan() { return nullptr; }
    virtual const float* ReadTraceDataCount(int32_t /*count*/) { return nullptr; }
    virtual float ReadPeakAmplitude() { return 0.0f; }
    virtual void WaitSettle(float /*rbw*/) {}
    virtual int32_t GetRbwTimingA(float /*rbw*/) { return 0; }
    virtual int32_t GetRbwTimingB(float /*rbw*/) { return 0; }
    virtual int32_t GetGateLength(float /*rbw*/) { return 0; }
    virtual int32_t GetGateDelay() { return 0; }
    virtual int32_t GetRbwValueA(float /*rbw*/) { return 0; }
    virtual int32_t GetRbwValueB(float /*rbw*/) { return 0; }
    virtual int32_t GetFirstProbeIndex() { return 0; }
    virtual int32_t GetCellsPerSweep(float /*rbw*/) { return 0; }
    virtual int32_t GetPointsPerCell() { return 1; }
    virtual int64_t GetActiveProbeCellCount();
    virtual void WaitForRbw(float /*rbw*/) {}
    virtual bool SetInputCoupling(bool /*dc*/) { return true; }
    virtual bool IsDcCoupled(bool& dc) {
        dc = m_dcCoupled != 0;
        return true;
    }
    virtual bool IsNarrowRbw() { return false; }
    virtual void TestSweepPoints();
    virtual bool QueryGatedSweep();
    virtual void PresetModel() {}
    virtual bool IsFrequencyAllowed(float /*rbw*/) { return true; }
    virtual visa::Status Initiate();
    virtual void ReadRbwFilterType();
    virtual void ExtraHook() {}
    virtual void WaitForOperationComplete();
    virtual void WaitForCompletion();
    // Asks the instrument which firmware generation it runs, for models whose commands differ
    // between generations; run once when the driver is made. Nothing for the other models.
    virtual void QueryFirmwareGeneration() {}

    // Helpers of the model drivers.
    bool WaitForOpc(int32_t timeoutSeconds);
    void FlushBuffers();
    std::string QueryInstrumentMode();
    void RestoreRbwFilterType();
    // The "still scanning" question of a wait that ran past its bound, called once per round past
    // it. The box is shown without holding up the wait: the caller goes on polling the instrument
    // (under the device lock, which must wait for the instrument, never for a person), and leaving
    // the wait withdraws a box still shown. Asking: no answer yet, go on; Restart: OK, the wait gets
    // a new bound and may ask again; GiveUp: Cancel, or the scan's stop.
    enum class KeepWaiting { Asking, Restart, GiveUp };
    KeepWaiting ConfirmKeepWaiting(std::unique_ptr<OpenQuestion>& question);

    // The engine's set-up, given after binding (not owned).
    void SetScanSetup(const AnalyzerScanSetup* setup) { m_scanSetup = setup; }

    // The status flags the set-up sequence and the scan routines judge operations by.
    bool IsQueryValid() const { return m_queryValid != 0; }
    bool IsDetected() const { return m_detected != 0; }
    bool IsConnected() const { return m_connected != 0; }
    bool IsCommandValid() const { return m_commandValid != 0; }
    void SetQueryValid(bool on) { m_queryValid = on ? 1 : 0; }
    void SetCommandValid(bool on) { m_commandValid = on ? 1 : 0; }

    // How many values QueryScan gives, as last set or read back (no instrument query).
    int32_t GetSweepPointCount() const { return m_sweepPoints; }
    bool GetErrorFlag() const { return m_errorFlag != 0; }
    visa::Session GetSession() const { return m_session; }
    visa::Status GetLastStatus() const { return m_lastStatus; }
    const std::string& GetLastReplyText() const { return m_lastReply; }
    bool IsRbwFilterTypeKnown() const { return m_rbwFilterTypeKnown != 0; }
    const std::string& GetRbwFilterTypeCommandText() const { return m_rbwFilterType; }
    double GetNarrowRbwThreshold() const { return m_narrowRbwThreshold; }
    void SetReadBackRbw(double mhz) { m_readBackRbw = mhz; }
    void SetRequestedRbw(double mhz) { m_requestedRbw = mhz; }
    // The pre-amplifier and input-coupling switches: the set-up sequence copies the set-up's wishes
    // into them just before switching, and a driver records there what it applied (and, where it
    // reads it back, the pre-amplifier value). The set-up reply reports them.
    uint8_t GetPreAmpState() const { return m_preAmpState; }
    void SetPreAmpState(uint8_t on) { m_preAmpState = on; }
    int32_t GetPreAmpReadBack() const { return m_preAmpReadBack; }
    uint8_t GetDcCoupledFlag() const { return m_dcCoupled; }
    void SetDcCoupledFlag(uint8_t dc) { m_dcCoupled = dc; }

protected:
    // True when a VISA call may be made on the instrument session; otherwise the status becomes an
    // error and the caller fails.
    bool CanCallVisa();
    // Writes a command as data (its '%' signs are never conversions).
    visa::Status WriteCommand(const std::string& command);
    // Reads up to `count` bytes into the reply buffer; the reply is taken by its returned count.
    std::string ReadReply(uint32_t count);
    // The answer of a trace read that failed where the previous array stands in: query-valid cleared
    // and the kept trace returned, grown with zeros to `count` values (at most kMaxTracePoints) so
    // that a caller reading the point count stays inside it. Null when no trace is kept: zeros
    // would pass for a measurement.
    const float* KeepPreviousTrace(int32_t count);

    std::array<char, kReplyBufferSize> m_replyBuffer{};
    std::array<char, kCommandBufferSize> m_commandBuffer{};
    int16_t m_errorFlag = 0;
    visa::Session m_resourceManager = visa::kNoSession;
    visa::Session m_session = visa::kNoSession;
    visa::Status m_lastStatus = visa::kSuccess;
    int32_t m_deviceHandle = -1;
    int32_t m_sweepPoints = 401;
    std::vector<float> m_traceA;
    std::vector<float> m_traceB;
    double m_readBackRbw = 0.0;
    double m_narrowRbwThreshold = 10000.0;
    int32_t m_wordD = 0;
    std::string m_lastReply;
    double m_lowestFrequency = 0.0;
    double m_highestFrequency = 0.0;
    double m_smallestRbw = 0.0;
    double m_largestRbw = 0.0;
    double m_requestedRbw = 0.0;
    uint8_t m_flagE = 0;
    int32_t m_wordF = 0;
    uint8_t m_dcCoupled = 0;
    uint8_t m_preAmpState = 0;
    int32_t m_preAmpReadBack = 0;
    uint8_t m_flagG = 0;
    uint8_t m_rbwFilterTypeKnown = 0;
    std::string m_rbwFilterType = kRbwFilterTypeCommand;
    const AnalyzerScanSetup* m_scanSetup = nullptr;
    CVisaConnection* m_visaConnection = nullptr;
    CBB60Connection* m_bb60Connection = nullptr;
    CTekRSAConnection* m_tekConnection = nullptr;
    uint8_t m_queryValid = 1;
    uint8_t m_detected = 1;
    uint8_t m_connected = 1;
    uint8_t m_commandValid = 1;
    visa::VisaEntryPoints m_vi;
};

} // namespace orv
