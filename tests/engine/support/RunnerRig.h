#pragma once

// A scan runner's world in one process, without the command endpoint: the set-up with its device
// manager, a scripted scanner and analyser that journal what they were asked, the stop flag, the
// data endpoint over a transfer pipe whose frames the test reads back, and the fake clock.

#include "analyzers/CSpectrumAnalyzer.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineContext.h"
#include "engine/CSocketDataEngine.h"
#include "engine/CTransferPipe.h"
#include "engine/ScanStopFlag.h"
#include "engine/SetupScan.h"
#include "engine/scanners/CScanner.h"
#include "platform/clock/FakeClock.h"
#include "tests/engine/support/EngineLinkFixture.h"

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace orv::test {

// What the doubles were asked, in order, and which operations fail.
struct DeviceJournal {
    std::vector<std::string> events;
    std::set<std::string> failing;
    bool Fails(const std::string& op) const { return failing.contains(op); }
    size_t Count(const std::string& prefix) const;
};

class ScriptedScanner final : public CScanner {
public:
    ScriptedScanner(eProbeType type, DeviceJournal& journal) : CScanner(type), m_journal(journal) {}

    bool Connect() override { return true; }
    bool Disconnect() override { return true; }
    bool Reconnect() override { return true; }
    bool BeginScan() override { return true; }
    bool EndScan() override { return true; }
    uint8_t GetSwitchMode() const override { return m_mode; }
    void SetSwitchMode(uint8_t mode) override { m_mode = mode; }
    bool SwitchToCellTimed(int32_t value) override;
    bool SwitchToCell() override;
    bool ReadScannerType() override { return true; }
    bool WriteScannerType() override { return true; }
    bool Trigger(int16_t /*a*/, uint8_t /*b*/, uint8_t /*c*/, int16_t /*d*/) override { return true; }
    bool StartingSwitch(int32_t x) override;
    bool FullSwitchAndTrigger(int32_t a, int32_t b, bool sendPattern) override;
    bool PartialSwitchAndTrigger(int32_t a, int32_t b, int32_t c, bool sendPattern) override;
    bool TriggerAndSwitches() override;
    bool WriteScannerSize() override { return true; }
    bool ReadAdaptorEID() override { return true; }
    bool ReadFirmwareVersion() override { return true; }
    bool StorePatternData(std::span<const uint8_t> bytes) override;
    void SetProbeHeight(uint16_t /*height*/) override {}
    bool SupportsMotors() const override { return false; }

    // Called with each switch (after it was journalled), e.g. to raise a stop at a given cell.
    std::function<void()> onSwitch;

private:
    bool Record(const std::string& event, const std::string& op);

    DeviceJournal& m_journal;
    uint8_t m_mode = 0;
};

// An analyser whose sweeps give scripted traces. Each sweep asks `traceOf` for the trace of that
// sweep (numbered from 0); without it every sweep gives `trace`.
class ScriptedAnalyzer final : public CSpectrumAnalyzer {
public:
    explicit ScriptedAnalyzer(DeviceJournal& journal) : m_journal(journal) {}

    std::vector<float> trace{1.0F, 2.0F, 3.0F};
    std::function<std::vector<float>(int sweep)> traceOf;
    // The answers of the successive marker reads.
    std::vector<float> markers;
    bool noData = false;
    // Called after every sweep (e.g. to request a stop at a given sweep).
    std::function<void(int sweep)> afterSweep;
    // When set, each trace read (QueryScan, numbered from 0) gives this trace instead of the sweep's.
    std::function<std::vector<float>(int read)> readOf;
    // Called with every journalled operation.
    std::function<void(const std::string& op)> onOp;
    std::string sweepMode = "";
    int32_t cellsPerSweep = 0;
    int32_t pointsPerCell = 1;
    int32_t firstProbeIndex = 0;
    int32_t rbwValueA = 0;
    int32_t rbwValueB = 1;
    int64_t activeProbeCellCount = 0;
    bool narrowRbw = false;

    int Sweeps() const { return m_sweeps; }

    std::string GetSweepMode() override { return sweepMode; }
    bool SetDisplayOn(bool /*on*/) override { return Record("SetDisplayOn"); }
    bool SetContinuousSweep(bool on) override {
        return Record("SetContinuousSweep " + std::to_string(on ? 1 : 0));
    }
    bool SetTraceFormat() override { return Record("SetTraceFormat"); }
    bool SetAutoSweep(int32_t /*value*/) override { return Record("SetAutoSweep"); }
    bool SetSpan(float /*mhz*/) override { return Record("SetSpan"); }
    bool SetSweepPoints(int32_t /*count*/) override { return Record("SetSweepPoints"); }
    bool SetCenterFrequency(float /*mhz*/) override { return Record("SetCenterFrequency"); }
    bool MarkPeak() override { return Record("MarkPeak"); }
    bool SetMarkerCount(bool on) override { return Record("SetMarkerCount " + std::to_string(on ? 1 : 0)); }
    bool SetInternalTriger(int32_t value) override {
        return Record("SetInternalTriger " + std::to_string(value));
    }
    void PresetModel() override { Record("PresetModel"); }
    void ExtraHook() override { Record("ExtraHook"); }
    bool SweepAndWait() override;
    bool TriggeredSweep() override;
    const float* QueryScan() override;
    const float* ReadTraceDataCount(int32_t count) override;
    float ReadMarkerFrequency(int32_t marker) override;
    float ReadPeakAmplitude() override;
    void WaitForRbw(float /*rbw*/) override { Record("WaitForRbw"); }
    int32_t GetRbwValueA(float /*rbw*/) override { return rbwValueA; }
    int32_t GetRbwValueB(float /*rbw*/) override { return rbwValueB; }
    int32_t GetRbwTimingA(float /*rbw*/) override { return 7; }
    int32_t GetRbwTimingB(float /*rbw*/) override { return 9; }
    int32_t GetFirstProbeIndex() override { return firstProbeIndex; }
    int32_t GetCellsPerSweep(float /*rbw*/) override { return cellsPerSweep; }
    int32_t GetPointsPerCell() override { return pointsPerCell; }
    int64_t GetActiveProbeCellCount() override { return activeProbeCellCount; }
    bool IsNarrowRbw() override { return narrowRbw; }

private:
    bool Record(const std::string& op);

    DeviceJournal& m_journal;
    std::vector<float> m_current;
    int m_sweeps = 0;
    int m_reads = 0;
    size_t m_markerIndex = 0;
};

class RunnerRig {
public:
    // A connected scanner of the type and an analyser of the model code.
    explicit RunnerRig(eProbeType scannerType = eProbeType::NoScanner, int32_t modelCode = 1);
    ~RunnerRig();
    RunnerRig(const RunnerRig&) = delete;
    RunnerRig& operator=(const RunnerRig&) = delete;

    // A grid whose cells are active where `active` says (row-major), heights 10 + cell number.
    void SetGrid(int16_t rows, int16_t columns, const std::vector<uint8_t>& active);
    void SetAllActive(int16_t rows, int16_t columns);

    // The frames sent so far (each cut off the pipe once).
    std::vector<ReplyFrame> TakeFrames();
    // Frames of one type id.
    static std::vector<ReplyFrame> OfType(const std::vector<ReplyFrame>& frames, uint16_t id);
    static Bytes WholeFrame(const ReplyFrame& frame);

    CEngineContext Context();

    FakeClock clock;
    ScopedClockInstall clockInstall{clock};
    DeviceJournal journal;
    ScanStopFlag stopFlag;
    SetupScan setup;
    CDeviceManager* devices = nullptr;
    ScriptedScanner* scanner = nullptr;
    ScriptedAnalyzer* analyzer = nullptr;
    CTransferPipe pipe;
    CSocketDataEngine data;
    MessageTarget* mainFrame = nullptr;
    LogCapture log;

private:
    Bytes m_pending;
};

} // namespace orv::test
