#pragma once

// The engine's one set-up object: the devices in use and the last scan set-up applied by the set-up
// command. The command endpoint's receive thread writes it while the scan thread, the runners and
// the drivers read it, so every field is kept under one lock, and a whole set-up is applied under it
// at once (a reader never sees half of one). The probe-cell map and the cell values are immutable
// arrays handed out by shared pointer: a runner keeps the arrays it started with when the next
// set-up replaces them.

#include "analyzers/AnalyzerScanSetup.h"
#include "analyzers/ProbeType.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <vector>

namespace orv {

class CScanner;
class CSpectrumAnalyzer;
class CSAConnection;
class CDeviceManager;
class CSetupStepReporter;
class ScanStopFlag;

// Every set-up field with its default, as one value.
struct SetupScanValues {
    uint16_t scanType = 0;
    int16_t rows = 0;
    int16_t columns = 0;
    std::shared_ptr<const std::vector<uint8_t>> probeCellMap;
    std::shared_ptr<const std::vector<uint16_t>> cellValues;
    float defaultProbeHeight = 0.0F;
    uint8_t scanOption = 0;
    float rbw = 0.0F;
    float centerFrequency = 0.0F;
    float span = 0.0F;
    float startFrequency = 0.0F;
    float stopFrequency = 0.0F;
    uint32_t samplesPerCell = 0;
    uint32_t settlingTime = 0;
    uint32_t numberOfFrequencyBuckets = 0;
    uint32_t sweepTime = 0;
    float referenceLevel = 0.0F;
    uint8_t measurePeaks = 0;
    uint8_t useManualSweepTime = 0;
    uint8_t synchronizeScan = 0;
    uint32_t slope = 0;
    uint32_t offset = 0;
    uint32_t failureCode = 0;
    float peakScan = 0.0F;
    float peakError = 0.0F;
    int16_t peakPoints = 0;
    int16_t peakDevs = 0;
    uint8_t goMode = 0;
    uint8_t internalPreAmp = 0;
    uint8_t trackingGeneration = 0;
    int32_t internalPreAmpValue = 0;
    uint8_t analyzerFlag = 0;
    uint8_t scanFlag = 0;
    std::array<uint8_t, 4> scanBytes{0, 0, 0, 0};
    int32_t analyzerModelCode = -1;
    float frequencyStep = 0.0F;
};

class SetupScan final : public AnalyzerScanSetup {
public:
    static constexpr uint32_t kDefaultManualGateLength = 500; // microseconds
    static constexpr uint32_t kDefaultManualSwitchTime = 10;  // milliseconds
    static constexpr uint32_t kDefaultManualSwitchWait = 10;  // milliseconds
    static constexpr uint32_t kDefaultPollInterval = 10;      // milliseconds

    // The analyser set-up's step reports run 0 to this count.
    static constexpr uint16_t kSetupStepCount = 19;
    // FailureCode values of the analyser set-up.
    static constexpr uint32_t kFailureScanTypeUnavailable = 2000;
    static constexpr uint32_t kFailureNotDetected = 501;
    static constexpr uint32_t kFailureNotConnected = 502;
    static constexpr uint32_t kFailureSetCommand = 510;
    static constexpr uint32_t kFailureRead = 700;
    static constexpr uint32_t kFailureRbwBelowMinimum = 701;
    // A driver's own code, kept when the analyser set-up command fails after the driver set it.
    static constexpr uint32_t kFailureDriverReported = 801;

    SetupScan();
    ~SetupScan() override;

    // The engine's device manager, made once at start-up and owned here.
    CDeviceManager* CreateDeviceManager();
    CDeviceManager* GetDeviceManager() const { return m_deviceManager.get(); }
    // Connects the analyser: VISA resources first, then a Signal Hound device, then a Tektronix device
    // through their libraries; on success the device manager's connection is the one in use.
    bool ConnectAnalyzer();
    // Lets go of the analyser connection and its driver (under the device lock), so that the next
    // ConnectAnalyzer searches again. False, keeping both, while a scan runs or with no device
    // manager.
    bool ReleaseAnalyzer();
    // Connects the scanner of the kind (or the first that answers); the scanner in use is always the
    // device manager's, so a failed connect never leaves a deleted scanner here.
    bool ConnectScanner(eProbeType type, std::stop_token stop = {});
    // Sets the analyser up from the set-up just applied, step by step, sending each step's report
    // (0-19) to `reporter` (none when null) and writing the values the analyser took back here.
    // Holds the device lock throughout, so a set-up never interleaves with a cell's device work.
    // False with FailureCode and a log line at the first step that fails.
    bool SetupInstrument(CSetupStepReporter* reporter);
    // The same, reporting to the installed reporter (the command endpoint's text packets).
    bool SetupInstrument();
    void SetStepReporter(CSetupStepReporter* reporter) { m_stepReporter.store(reporter); }
    // Brings the analyser in use into the state a scan kind needs, under the device lock. False, with
    // a log line where the step has one, at the first step that fails; FailureCode 700 when the
    // analyser's last read failed. The spatial preparation follows the analyser's sweep mode.
    bool SetupSpectralScan();
    bool SetupPeakScan();
    bool SetupSpatialScan();

    SetupScan(const SetupScan&) = delete;
    SetupScan& operator=(const SetupScan&) = delete;

    // The whole set-up at once.
    SetupScanValues GetValues() const;
    // Stores every field of `values` except the go mode, the analyser model code and the frequency
    // step, which belong to the go command, the driver command and the analyser set-up.
    void ApplySetup(const SetupScanValues& values);

    // Devices in use (not owned here).
    CScanner* GetScanner() const;
    void SetScanner(CScanner* scanner);
    CSpectrumAnalyzer* GetAnalyzer() const;
    void SetAnalyzer(CSpectrumAnalyzer* analyzer);
    CSAConnection* GetAnalyzerConnection() const;
    void SetAnalyzerConnection(CSAConnection* connection);

    // What the analysers read of the set-up.
    bool IsTearingDown() const override { return GetTeardownFlag() != 0; }
    int16_t GetGridRows() const override { return GetRows(); }
    int16_t GetGridColumns() const override { return GetColumns(); }
    std::vector<uint8_t> GetActiveCells() const override;
    // The running scan's token (a stop command or the engine's end fires it); a never-firing token
    // until the stop flag is attached.
    std::stop_token GetScanStopToken() const override;
    void SetStopFlag(const ScanStopFlag* stopFlag);

    // Set by the program's teardown; while set, analyser connections leave their sessions open.
    uint8_t GetTeardownFlag() const { return m_teardown.load(); }
    void SetTeardownFlag(uint8_t flag) { m_teardown.store(flag); }
    // Manual timing of the driver-parameters dialog: while the flag is 1 the drivers' timing tables
    // give way to these values.
    uint8_t GetManualTimingFlag() const { return m_manualTiming.load(); }
    void SetManualTimingFlag(uint8_t flag) { m_manualTiming.store(flag); }
    bool IsManualTimingOn() const override { return m_manualTiming.load() != 0; }
    int32_t GetManualGateLength() const override { return static_cast<int32_t>(m_manualGateLength.load()); }
    void SetManualGateLength(uint32_t value) { m_manualGateLength.store(value); }
    int32_t GetManualSwitchTime() const override { return static_cast<int32_t>(m_manualSwitchTime.load()); }
    void SetManualSwitchTime(uint32_t value) { m_manualSwitchTime.store(value); }
    int32_t GetManualSwitchWait() const override { return static_cast<int32_t>(m_manualSwitchWait.load()); }
    void SetManualSwitchWait(uint32_t value) { m_manualSwitchWait.store(value); }
    double GetAppliedRbw() const override { return GetRBW(); }
    // The pause before each completion poll of the USB scanner board, ms; kept here only, never sent.
    uint32_t GetPollInterval() const override { return m_pollInterval.load(); }
    void SetPollInterval(uint32_t milliseconds) { m_pollInterval.store(milliseconds); }

    uint16_t GetScanType() const override;
    void SetScanType(uint16_t value);
    int16_t GetRows() const;
    void SetRows(int16_t value);
    int16_t GetColumns() const;
    void SetColumns(int16_t value);
    std::shared_ptr<const std::vector<uint8_t>> GetProbeCellMap() const;
    void SetProbeCellMap(const uint8_t* bytes, uint32_t count);
    std::shared_ptr<const std::vector<uint16_t>> GetCellValues() const;
    void SetCellValues(const uint16_t* values, uint32_t count);
    // The size of the probe-cell map.
    uint32_t GetCellCount() const;
    float GetDefaultProbeHeight() const;
    void SetDefaultProbeHeight(float value);
    uint8_t GetScanOption() const;
    void SetScanOption(uint8_t value);
    float GetRBW() const;
    void SetRBW(float value);
    float GetCenterFrequency() const;
    void SetCenterFrequency(float value);
    float GetSpan() const;
    void SetSpan(float value);
    float GetStartFrequency() const;
    void SetStartFrequency(float value);
    float GetStopFrequency() const override;
    void SetStopFrequency(float value);
    uint32_t GetSamplesPerCell() const;
    void SetSamplesPerCell(uint32_t value);
    uint32_t GetSettlingTime() const;
    void SetSettlingTime(uint32_t value);
    uint32_t GetNumberOfFrequencyBuckets() const;
    void SetNumberOfFrequencyBuckets(uint32_t value);
    uint32_t GetSweepTime() const;
    void SetSweepTime(uint32_t value);
    float GetReferenceLevel() const;
    void SetReferenceLevel(float value);
    uint8_t GetMeasurePeaks() const;
    void SetMeasurePeaks(uint8_t value);
    uint8_t GetUseManualSweepTime() const;
    void SetUseManualSweepTime(uint8_t value);
    uint8_t GetSynchronizeScan() const;
    void SetSynchronizeScan(uint8_t value);
    uint32_t GetSlope() const;
    void SetSlope(uint32_t value);
    uint32_t GetOffset() const;
    void SetOffset(uint32_t value);
    uint32_t GetFailureCode() const;
    // Also how a driver reports why the analyser set-up failed; the set-up reply carries the code.
    void SetFailureCode(int32_t value) const override;
    float GetPeakScan() const;
    void SetPeakScan(float value);
    float GetPeakError() const;
    void SetPeakError(float value);
    int16_t GetPeakPoints() const;
    void SetPeakPoints(int16_t value);
    int16_t GetPeakDevs() const;
    void SetPeakDevs(int16_t value);
    uint8_t GetGoMode() const;
    void SetGoMode(uint8_t value);
    uint8_t GetInternalPreAmp() const;
    void SetInternalPreAmp(uint8_t value);
    uint8_t GetTrackingGeneration() const;
    void SetTrackingGeneration(uint8_t value);
    int32_t GetInternalPreAmpValue() const;
    void SetInternalPreAmpValue(int32_t value);
    uint8_t GetAnalyzerFlag() const;
    void SetAnalyzerFlag(uint8_t value);
    uint8_t GetScanFlag() const;
    void SetScanFlag(uint8_t value);
    std::array<uint8_t, 4> GetScanBytes() const;
    void SetScanBytes(const std::array<uint8_t, 4>& value);
    int32_t GetAnalyzerModelCode() const;
    void SetAnalyzerModelCode(int32_t value);
    float GetFrequencyStep() const;
    void SetFrequencyStep(float value);

private:
    template <typename T> T Get(T SetupScanValues::*field) const {
        const std::lock_guard guard(m_lock);
        return m_values.*field;
    }
    template <typename T> void Set(T SetupScanValues::*field, T value) {
        const std::lock_guard guard(m_lock);
        m_values.*field = value;
    }

    mutable std::mutex m_lock;
    // Mutable only for the failure code a driver reports through the analysers' const view.
    mutable SetupScanValues m_values;
    CScanner* m_scanner = nullptr;
    CSpectrumAnalyzer* m_analyzer = nullptr;
    CSAConnection* m_analyzerConnection = nullptr;
    std::unique_ptr<CDeviceManager> m_deviceManager;
    const ScanStopFlag* m_stopFlag = nullptr;
    std::atomic<CSetupStepReporter*> m_stepReporter{nullptr};
    std::atomic<uint8_t> m_teardown{0};
    std::atomic<uint8_t> m_manualTiming{0};
    std::atomic<uint32_t> m_manualGateLength{kDefaultManualGateLength};
    std::atomic<uint32_t> m_manualSwitchTime{kDefaultManualSwitchTime};
    std::atomic<uint32_t> m_manualSwitchWait{kDefaultManualSwitchWait};
    std::atomic<uint32_t> m_pollInterval{kDefaultPollInterval};
};

} // namespace orv
