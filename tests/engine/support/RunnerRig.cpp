#include "tests/engine/support/RunnerRig.h"

#include <algorithm>

namespace orv::test {

size_t DeviceJournal::Count(const std::string& prefix) const {
    return static_cast<size_t>(std::count_if(events.begin(), events.end(),
                                             [&](const std::string& e) { return e.starts_with(prefix); }));
}

bool ScriptedScanner::Record(const std::string& event, const std::string& op) {
    m_journal.events.push_back(event);
    return !m_journal.Fails(op);
}

bool ScriptedScanner::SwitchToCell() {
    const bool ok = Record("switch " + std::to_string(GetCellRow()) + "," + std::to_string(GetCellColumn()) +
                               " w" + std::to_string(GetStepWordA()) + "/" + std::to_string(GetStepWordB()),
                           "SwitchToCell");
    if (onSwitch) {
        onSwitch();
    }
    return ok;
}

bool ScriptedScanner::SwitchToCellTimed(int32_t value) {
    const bool ok = Record("timed " + std::to_string(GetCellRow()) + "," + std::to_string(GetCellColumn()) +
                               " t" + std::to_string(value),
                           "SwitchToCellTimed");
    if (onSwitch) {
        onSwitch();
    }
    return ok;
}

bool ScriptedScanner::StartingSwitch(int32_t x) {
    return Record("StartingSwitch " + std::to_string(x), "StartingSwitch");
}

bool ScriptedScanner::FullSwitchAndTrigger(int32_t a, int32_t b, bool sendPattern) {
    return Record("Full " + std::to_string(a) + "," + std::to_string(b) + "," +
                      std::to_string(sendPattern ? 1 : 0),
                  "FullSwitchAndTrigger");
}

bool ScriptedScanner::PartialSwitchAndTrigger(int32_t a, int32_t b, int32_t c, bool sendPattern) {
    return Record("Partial " + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + "," +
                      std::to_string(sendPattern ? 1 : 0),
                  "PartialSwitchAndTrigger");
}

bool ScriptedScanner::TriggerAndSwitches() {
    const bool ok = Record("TriggerAndSwitches", "TriggerAndSwitches");
    if (onSwitch) {
        onSwitch();
    }
    return ok;
}

bool ScriptedScanner::StorePatternData(std::span<const uint8_t> bytes) {
    std::string text = "pattern";
    for (const uint8_t b : bytes) {
        text += " " + std::to_string(b);
    }
    m_journal.events.push_back(text);
    return CScanner::StorePatternData(bytes);
}

bool ScriptedAnalyzer::Record(const std::string& op) {
    m_journal.events.push_back(op);
    if (onOp) {
        onOp(op);
    }
    const std::string name = op.substr(0, op.find(' '));
    return !m_journal.Fails(name);
}

bool ScriptedAnalyzer::SweepAndWait() {
    const int sweep = m_sweeps++;
    m_current = traceOf ? traceOf(sweep) : trace;
    const bool ok = Record("SweepAndWait");
    if (afterSweep) {
        afterSweep(sweep);
    }
    return ok;
}

bool ScriptedAnalyzer::TriggeredSweep() {
    const int sweep = m_sweeps++;
    m_current = traceOf ? traceOf(sweep) : trace;
    const bool ok = Record("TriggeredSweep");
    if (afterSweep) {
        afterSweep(sweep);
    }
    return ok;
}

const float* ScriptedAnalyzer::QueryScan() {
    Record("QueryScan");
    if (readOf) {
        m_current = readOf(m_reads++);
    } else if (m_sweeps == 0) {
        // Read without a sweep of its own (the scanner triggered it): the scripted trace.
        m_current = trace;
    }
    m_sweepPoints = static_cast<int32_t>(m_current.size());
    if (noData) {
        return nullptr;
    }
    SetQueryValid(!m_journal.Fails("QueryScan"));
    return m_current.data();
}

const float* ScriptedAnalyzer::ReadTraceDataCount(int32_t count) {
    Record("ReadTraceDataCount " + std::to_string(count));
    if (readOf) {
        m_current = readOf(m_reads++);
    }
    m_sweepPoints = static_cast<int32_t>(m_current.size());
    SetQueryValid(!m_journal.Fails("ReadTraceDataCount") && static_cast<size_t>(count) <= m_current.size());
    return m_current.data();
}

float ScriptedAnalyzer::ReadMarkerFrequency(int32_t marker) {
    Record("ReadMarkerFrequency " + std::to_string(marker));
    SetQueryValid(!m_journal.Fails("ReadMarkerFrequency"));
    const float value = m_markerIndex < markers.size() ? markers[m_markerIndex] : 0.0F;
    ++m_markerIndex;
    return value;
}

float ScriptedAnalyzer::ReadPeakAmplitude() {
    Record("ReadPeakAmplitude");
    SetQueryValid(!m_journal.Fails("ReadPeakAmplitude"));
    return m_current.empty() ? 0.0F : *std::max_element(m_current.begin(), m_current.end());
}

RunnerRig::RunnerRig(eProbeType scannerType, int32_t modelCode) {
    setup.SetStopFlag(&stopFlag);
    devices = setup.CreateDeviceManager();
    devices->SetScannerMaker(scannerType, [this, scannerType] {
        auto made = std::make_unique<ScriptedScanner>(scannerType, journal);
        scanner = made.get();
        return made;
    });
    devices->ConnectScanner(scannerType);
    setup.SetScanner(devices->GetScanner());
    devices->SetAnalyzerFactory([this](int32_t) -> std::unique_ptr<CSpectrumAnalyzer> {
        auto made = std::make_unique<ScriptedAnalyzer>(journal);
        analyzer = made.get();
        return made;
    });
    devices->CreateAnalyzer(modelCode);
    setup.SetAnalyzerModelCode(modelCode);
    data.SetChannel(&pipe);
    stopFlag.BeginScan();
    journal.events.clear();
    clock.ClearPauses();
}

RunnerRig::~RunnerRig() {
    data.Shutdown();
}

void RunnerRig::SetGrid(int16_t rows, int16_t columns, const std::vector<uint8_t>& active) {
    setup.SetRows(rows);
    setup.SetColumns(columns);
    setup.SetProbeCellMap(active.data(), static_cast<uint32_t>(active.size()));
    std::vector<uint16_t> heights(active.size());
    for (size_t i = 0; i < heights.size(); ++i) {
        heights[i] = static_cast<uint16_t>(10 + i);
    }
    setup.SetCellValues(heights.data(), static_cast<uint32_t>(heights.size()));
}

void RunnerRig::SetAllActive(int16_t rows, int16_t columns) {
    SetGrid(rows, columns, std::vector<uint8_t>(static_cast<size_t>(rows) * static_cast<size_t>(columns), 1));
}

std::vector<ReplyFrame> RunnerRig::TakeFrames() {
    return ReadFrames(pipe, m_pending);
}

std::vector<ReplyFrame> RunnerRig::OfType(const std::vector<ReplyFrame>& frames, uint16_t id) {
    std::vector<ReplyFrame> out;
    std::copy_if(frames.begin(), frames.end(), std::back_inserter(out),
                 [id](const ReplyFrame& frame) { return frame.id == id; });
    return out;
}

Bytes RunnerRig::WholeFrame(const ReplyFrame& frame) {
    return Frame(frame.id, frame.body);
}

CEngineContext RunnerRig::Context() {
    CEngineContext context;
    context.setup = &setup;
    context.stopFlag = &stopFlag;
    context.data = &data;
    context.mainFrame = mainFrame;
    return context;
}

} // namespace orv::test
