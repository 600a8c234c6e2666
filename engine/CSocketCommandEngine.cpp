#include "engine/CSocketCommandEngine.h"

#include "analyzers/CInstrumentInfo.h"
#include "engine/CByteCursor.h"
#include "engine/CScanRunnerTable.h"
#include "engine/CSocketDataEngine.h"
#include "engine/RunScan.h"
#include "engine/ScanStopFlag.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <algorithm>

namespace orv {

namespace {

constexpr std::chrono::milliseconds kPollInterval{10};
constexpr std::chrono::milliseconds kFullQueueWait{200};
constexpr std::chrono::milliseconds kVersionQueryPause{100};
constexpr uint32_t kVersionRecordMark = 100;
constexpr uint32_t kVersionError = 0xFFFFFFFF;
constexpr uint16_t kMaxSwitchableCell = 255;

enum CommandId : uint16_t {
    kSetup = 1,
    kGo = 2,
    kStop = 3,
    kSetAnalyzerDriver = 4,
    kQueryScanHead = 5,
    kCalibrate = 6,
    kReset = 7,
    kVersion = 8,
    kStopCalibration = 9,
    kSetCell = 10,
    kSilent = 4001,
    kAnalyzerIdentity = 4003,
};

// Set-up body bytes besides the 3RC bytes of the grids.
constexpr uint64_t kSetupWithGroupBytes = 98;
constexpr uint64_t kClientSetupWithoutGroupBytes = 88;
// The client's defaults for the extended group, used when its set-up leaves the group out.
constexpr float kDefaultPeakScan = 0.02F;
constexpr float kDefaultPeakError = 0.02F;
constexpr int16_t kDefaultPeakPoints = 2;
constexpr int16_t kDefaultPeakDevs = 2;

bool IsKnownCommand(uint16_t id) {
    return (id >= kSetup && id <= kSetCell) || id == kSilent || id == kAnalyzerIdentity;
}

// The body bytes a command needs before it can act.
uint32_t NeededBodyBytes(uint16_t id) {
    switch (id) {
    case kGo:
        return 1;
    case kSetAnalyzerDriver:
        return 16;
    case kQueryScanHead:
    case kReset:
    case kSetCell:
        return 4;
    default:
        return 0;
    }
}

// Reads a set-up body; false (with the reason) when it is not one the engine can apply.
bool ReadSetupBody(const uint8_t* body, uint32_t size, SetupScanValues& values, uint32_t& samplingRate,
                   std::string& why) {
    CByteCursor in = CByteCursor::BorrowForReading(body, size);
    int16_t rows = 0;
    int16_t columns = 0;
    if (!in.ReadUInt16(values.scanType) || !in.ReadInt16(rows) || !in.ReadInt16(columns)) {
        why = "body too short";
        return false;
    }
    if (rows < 0 || columns < 0) {
        why = FormatC("negative grid %d x %d", rows, columns);
        return false;
    }
    const uint64_t cells = static_cast<uint64_t>(rows) * static_cast<uint64_t>(columns);
    if (cells > CSocketCommandEngine::kMaxSetupCells) {
        why = FormatC("grid %d x %d too large", rows, columns);
        return false;
    }
    // The engine's layout; the client pads it with two bytes, or leaves the extended group out and
    // then still pads (its body is then 3RC + 88 bytes).
    const uint64_t whole = 3 * cells + kSetupWithGroupBytes;
    const uint64_t withoutGroup = 3 * cells + kClientSetupWithoutGroupBytes;
    bool extended = true;
    if (size >= whole) {
        extended = true;
    } else if (size == withoutGroup) {
        extended = false;
    } else {
        why = FormatC("body of %u bytes does not fit a %d x %d grid", size, rows, columns);
        return false;
    }
    const auto cellCount = static_cast<uint32_t>(cells);
    std::vector<uint8_t> map(cellCount);
    std::vector<uint16_t> cellValues(cellCount);
    int16_t rowsAgain = 0;
    int16_t columnsAgain = 0;
    in.ReadBytes(map.data(), cellCount);
    in.ReadInt16(rowsAgain);
    in.ReadInt16(columnsAgain);
    if (rowsAgain != rows || columnsAgain != columns) {
        why = FormatC("grid %d x %d disagrees with %d x %d", rows, columns, rowsAgain, columnsAgain);
        return false;
    }
    for (uint16_t& value : cellValues) {
        in.ReadUInt16(value);
    }
    values.rows = rows;
    values.columns = columns;
    values.probeCellMap = std::make_shared<const std::vector<uint8_t>>(std::move(map));
    values.cellValues = std::make_shared<const std::vector<uint16_t>>(std::move(cellValues));
    // The sizes were checked above, so every read below succeeds.
    in.ReadFloat(values.defaultProbeHeight);
    in.ReadUInt8(values.scanOption);
    in.ReadFloat(values.rbw);
    in.ReadFloat(values.centerFrequency);
    in.ReadUInt32(samplingRate);
    in.ReadFloat(values.span);
    in.ReadFloat(values.startFrequency);
    in.ReadFloat(values.stopFrequency);
    in.ReadUInt32(values.samplesPerCell);
    in.ReadUInt32(values.settlingTime);
    in.ReadUInt32(values.numberOfFrequencyBuckets);
    in.ReadUInt32(values.sweepTime);
    in.ReadFloat(values.referenceLevel);
    in.ReadUInt8(values.measurePeaks);
    in.ReadUInt8(values.useManualSweepTime);
    in.ReadUInt8(values.synchronizeScan);
    in.ReadUInt32(values.slope);
    in.ReadUInt32(values.offset);
    in.ReadUInt32(values.failureCode);
    if (extended) {
        in.ReadFloat(values.peakScan);
        in.ReadFloat(values.peakError);
        in.ReadInt16(values.peakPoints);
        in.ReadInt16(values.peakDevs);
    } else {
        values.peakScan = kDefaultPeakScan;
        values.peakError = kDefaultPeakError;
        values.peakPoints = kDefaultPeakPoints;
        values.peakDevs = kDefaultPeakDevs;
    }
    in.ReadUInt8(values.internalPreAmp);
    in.ReadUInt8(values.trackingGeneration);
    in.ReadInt32(values.internalPreAmpValue);
    in.ReadUInt8(values.analyzerFlag);
    in.ReadUInt8(values.scanFlag);
    in.ReadBytes(values.scanBytes.data(), 4);
    return true;
}

// The set-up reply body (3RC + 98 bytes) from the values the engine holds.
std::vector<uint8_t> BuildSetupReplyBody(const SetupScanValues& values, uint32_t samplingRate,
                                         const AnalyzerSetupState& analyzer) {
    const uint64_t rows = values.rows > 0 ? static_cast<uint64_t>(values.rows) : 0;
    const uint64_t columns = values.columns > 0 ? static_cast<uint64_t>(values.columns) : 0;
    const auto cells =
        static_cast<uint32_t>(std::min<uint64_t>(rows * columns, CSocketCommandEngine::kMaxSetupCells));
    CByteCursor out(3 * cells + 98);
    out.WriteUInt16(values.scanType);
    out.WriteInt16(cells == 0 ? 0 : values.rows);
    out.WriteInt16(cells == 0 ? 0 : values.columns);
    const std::vector<uint8_t>* map = values.probeCellMap.get();
    const uint32_t mapBytes =
        map == nullptr ? 0 : static_cast<uint32_t>(std::min<std::size_t>(map->size(), cells));
    if (mapBytes > 0) {
        out.WriteBytes(map->data(), mapBytes);
    }
    out.Skip(cells - mapBytes); // the owned block is zeroed
    out.WriteInt16(cells == 0 ? 0 : values.rows);
    out.WriteInt16(cells == 0 ? 0 : values.columns);
    const std::vector<uint16_t>* cellValues = values.cellValues.get();
    for (uint32_t i = 0; i < cells; ++i) {
        out.WriteUInt16(cellValues != nullptr && i < cellValues->size() ? (*cellValues)[i] : 0);
    }
    out.WriteFloat(values.defaultProbeHeight);
    out.WriteUInt8(values.scanOption);
    out.WriteFloat(values.rbw);
    out.WriteFloat(values.centerFrequency);
    out.WriteUInt32(samplingRate);
    out.WriteFloat(values.span);
    out.WriteFloat(values.startFrequency);
    out.WriteFloat(values.stopFrequency);
    out.WriteUInt32(values.samplesPerCell);
    out.WriteUInt32(values.settlingTime);
    out.WriteUInt32(values.numberOfFrequencyBuckets);
    out.WriteUInt32(values.sweepTime);
    out.WriteFloat(values.referenceLevel);
    out.WriteUInt8(values.measurePeaks);
    out.WriteUInt8(values.useManualSweepTime);
    out.WriteUInt8(values.synchronizeScan);
    out.WriteUInt32(values.slope);
    out.WriteUInt32(values.offset);
    out.WriteUInt32(values.failureCode);
    out.WriteFloat(values.peakScan);
    out.WriteFloat(values.peakError);
    out.WriteInt16(values.peakPoints);
    out.WriteInt16(values.peakDevs);
    out.WriteUInt8(analyzer.preAmpOn);
    out.WriteUInt8(values.trackingGeneration);
    out.WriteInt32(analyzer.preAmpReadBack);
    out.WriteUInt8(analyzer.dcCoupled);
    out.WriteUInt8(values.scanFlag);
    out.WriteBytes(values.scanBytes.data(), 4);
    return out.TakeBytes();
}

void LogAppliedSetup(const std::vector<uint8_t>& reply) {
    // Read back from the reply, so the log shows what the client is told.
    CByteCursor in = CByteCursor::BorrowForReading(reply.data(), static_cast<uint32_t>(reply.size()));
    uint16_t scanType = 0;
    int16_t rows = 0;
    int16_t columns = 0;
    in.ReadUInt16(scanType);
    in.ReadInt16(rows);
    in.ReadInt16(columns);
    const uint32_t cells = static_cast<uint32_t>(std::max<int16_t>(rows, 0)) *
                           static_cast<uint32_t>(std::max<int16_t>(columns, 0));
    std::vector<uint8_t> map(cells);
    in.ReadBytes(map.data(), cells);
    in.Skip(4 + 2 * cells);
    float height = 0;
    uint8_t option = 0;
    float rbw = 0;
    float centre = 0;
    uint32_t sampling = 0;
    float span = 0;
    float start = 0;
    float stop = 0;
    uint32_t samples = 0;
    uint32_t settling = 0;
    uint32_t buckets = 0;
    uint32_t sweep = 0;
    float reference = 0;
    uint8_t measurePeaks = 0;
    uint8_t manualSweep = 0;
    uint8_t synchronize = 0;
    uint32_t slope = 0;
    uint32_t offset = 0;
    uint32_t failure = 0;
    float peakScan = 0;
    float peakError = 0;
    int16_t peakPoints = 0;
    int16_t peakDevs = 0;
    uint8_t preAmp = 0;
    uint8_t tracking = 0;
    int32_t preAmpValue = 0;
    in.ReadFloat(height);
    in.ReadUInt8(option);
    in.ReadFloat(rbw);
    in.ReadFloat(centre);
    in.ReadUInt32(sampling);
    in.ReadFloat(span);
    in.ReadFloat(start);
    in.ReadFloat(stop);
    in.ReadUInt32(samples);
    in.ReadUInt32(settling);
    in.ReadUInt32(buckets);
    in.ReadUInt32(sweep);
    in.ReadFloat(reference);
    in.ReadUInt8(measurePeaks);
    in.ReadUInt8(manualSweep);
    in.ReadUInt8(synchronize);
    in.ReadUInt32(slope);
    in.ReadUInt32(offset);
    in.ReadUInt32(failure);
    in.ReadFloat(peakScan);
    in.ReadFloat(peakError);
    in.ReadInt16(peakPoints);
    in.ReadInt16(peakDevs);
    in.ReadUInt8(preAmp);
    in.ReadUInt8(tracking);
    in.ReadInt32(preAmpValue);

    AddInformationMessage(1, FormatC("Scan type = %d.", scanType));
    AddInformationMessage(1, FormatC("Scan row = %d.", rows));
    AddInformationMessage(1, FormatC("Scan col = %d.", columns));
    std::string cellList;
    int activeCells = 0;
    for (uint32_t i = 0; i < cells; ++i) {
        if (map[i] != 0) {
            ++activeCells;
            cellList += FormatC("\n [%d, %d]; ", static_cast<int>(i / static_cast<uint32_t>(columns)),
                                static_cast<int>(i % static_cast<uint32_t>(columns)));
        }
    }
    AddInformationMessage(1, FormatC("Probe cell count = %d.  %s", activeCells, cellList.c_str()));
    AddInformationMessage(1, FormatC("RBW = %f.", static_cast<double>(rbw)));
    AddInformationMessage(1, FormatC("Center frequency = %f.", static_cast<double>(centre)));
    AddInformationMessage(1, FormatC("Span = %f.", static_cast<double>(span)));
    AddInformationMessage(1, FormatC("Start frequency = %f.", static_cast<double>(start)));
    AddInformationMessage(1, FormatC("Stop frequency = %f.", static_cast<double>(stop)));
    AddInformationMessage(1, FormatC("NumberOfFrequencyBuckets = %d.", static_cast<int>(buckets)));
    AddInformationMessage(1, FormatC("ReferenceLevel = %f.", static_cast<double>(reference)));
    AddInformationMessage(1, FormatC("MeasurePeaks = %s.", measurePeaks != 0 ? "true" : "false"));
    AddInformationMessage(1, FormatC("FailureCode = %d.", static_cast<int>(failure)));
    AddInformationMessage(1, FormatC("PeakPoints = %d.", peakPoints));
    AddInformationMessage(1, FormatC("Internal PreAmp = %d.", preAmp));
    if (preAmp == 1) {
        AddInformationMessage(1, FormatC("Internal PreAmpValue = %d.", preAmpValue));
    }
    AddInformationMessage(1, FormatC("Tracking Generation = %d.", tracking));
}

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words) {
    CByteCursor out(static_cast<uint32_t>(4 * words.size()));
    for (const uint32_t word : words) {
        out.WriteUInt32(word);
    }
    return out.TakeBytes();
}

} // namespace

CSocketCommandEngine::CSocketCommandEngine(const CEngineContext& context) : m_context(context) {}

CSocketCommandEngine::~CSocketCommandEngine() {
    Shutdown();
}

bool CSocketCommandEngine::Start() {
    if (!m_receiveThread.joinable()) {
        m_accumulated.Clear();
        m_receiveThread = std::jthread([this]() { ReceiveLoop(m_shutdown.get_token()); });
    }
    return true;
}

void CSocketCommandEngine::Shutdown() {
    m_shutdown.request_stop();
    // A wait of the analyser set-up on the receive thread, or of the scan, ends now.
    m_context.stopFlag->FireForShutdown();
    if (m_receiveThread.joinable()) {
        m_receiveThread.join();
    }
    if (m_scanThread.joinable()) {
        if (!EndRunningScan()) {
            // Most likely blocked on a client that no longer reads: end the data side's waits too.
            AddInformationMessage(1,
                                  "Scanning engine --- the scan thread did not end in time; waiting for it.");
            m_context.data->Shutdown();
        }
        m_scanThread.join();
    }
}

void CSocketCommandEngine::ReceiveLoop(const std::stop_token& stop) {
    while (!stop.stop_requested()) {
        if (!Poll() && m_channel != nullptr) {
            m_channel->WaitForClientBytes(kPollInterval, stop);
        } else if (m_channel == nullptr) {
            ClockSleep(kPollInterval, stop);
        }
    }
}

bool CSocketCommandEngine::Poll() {
    if (!m_enabled.load() || m_channel == nullptr) {
        return false;
    }
    uint8_t* target = m_accumulated.PrepareAppend();
    const std::size_t room = std::min(kReadBytes, m_accumulated.FreeSpace());
    const std::size_t read = m_channel->ReadFromClient(target, room);
    if (read == 0) {
        return false;
    }
    m_accumulated.Commit(read);
    for (;;) {
        const CFrameAccumulator::Step step = m_accumulated.Next();
        if (step == CFrameAccumulator::Step::NeedMore) {
            break;
        }
        if (step == CFrameAccumulator::Step::Junk) {
            AddInformationMessage(1, FormatC("Command channel --- %llu bytes before a frame dropped.",
                                             static_cast<unsigned long long>(m_accumulated.GetDropped())));
            continue;
        }
        if (step == CFrameAccumulator::Step::Overlong) {
            AddInformationMessage(1, FormatC("Command channel --- frame of %llu bytes too long; skipped.",
                                             static_cast<unsigned long long>(m_accumulated.GetDropped())));
            if (m_accumulated.GetOverlongTypeId() == kSetup) {
                // The client waits for this reply without a time-out: refuse the set-up, do not drop it.
                AddInformationMessage(
                    1, "commandID = 1 --- set-up refused: frame longer than the command buffer.");
                ReplyRefusedSetup();
            }
            continue;
        }
        const CFrameAccumulator::Frame& frame = m_accumulated.GetFrame();
        Incoming command;
        command.id = frame.typeId;
        if (!IsKnownCommand(frame.typeId)) {
            m_accumulated.ConsumeFrame();
            AddInformationMessage(1, "commandID = default --- ");
            continue;
        }
        std::string why;
        const bool usable = ReadFields(frame, command, why);
        m_accumulated.ConsumeFrame();
        if (command.id == kSetup) {
            if (!usable) {
                AddInformationMessage(1, "commandID = 1 --- set-up refused: " + why + ".");
                ReplyRefusedSetup();
                continue;
            }
        } else if (!usable) {
            AddInformationMessage(
                1, FormatC("commandID = %d --- frame too short (%s); ignored.", command.id, why.c_str()));
            continue;
        }
        Dispatch(command);
    }
    return true;
}

bool CSocketCommandEngine::ReadFields(const CFrameAccumulator::Frame& frame, Incoming& command,
                                      std::string& why) const {
    const uint8_t* body = frame.Body();
    const uint32_t size = frame.bodySize;
    if (command.id == kSetup) {
        return ReadSetupBody(body, size, command.setup, command.samplingRate, why);
    }
    const uint32_t needed = NeededBodyBytes(command.id);
    if (size < needed) {
        why = FormatC("%u of %u body bytes", size, needed);
        return false;
    }
    CByteCursor in = CByteCursor::BorrowForReading(body, size);
    switch (command.id) {
    case kGo:
        in.ReadUInt8(command.goMode);
        break;
    case kSetAnalyzerDriver:
        for (uint32_t& word : command.words) {
            in.ReadUInt32(word);
        }
        break;
    case kQueryScanHead:
    case kReset:
        in.ReadUInt32(command.value);
        break;
    case kSetCell:
        in.ReadUInt16(command.row);
        in.ReadUInt16(command.column);
        break;
    default:
        break;
    }
    return true;
}

void CSocketCommandEngine::Dispatch(Incoming& command) {
    CEngineDevices* devices = m_context.devices;
    if (devices != nullptr && command.id != kStop && command.id != kSilent) {
        devices->ReconnectScannerIfNeeded();
    }
    switch (command.id) {
    case kSetup:
        HandleSetup(command);
        break;
    case kGo:
        HandleGo(command);
        break;
    case kStop:
        m_context.stopFlag->RequestStop();
        SendFrame(kStop, {});
        break;
    case kSetAnalyzerDriver:
        HandleSetAnalyzerDriver(command);
        break;
    case kQueryScanHead:
        HandleQueryScanHead(command);
        break;
    case kCalibrate:
        AddInformationMessage(1, "commandID = 6 --- start to process CalibrateSpectrumAnalyzer");
        SendFrame(kCalibrate, {});
        break;
    case kReset:
        AddInformationMessage(1, "commandID = 7 --- start to process ResetInstrument.");
        SendFrame(kReset, Words({command.value}));
        break;
    case kVersion:
        HandleVersion();
        break;
    case kStopCalibration:
        AddInformationMessage(1, "commandID = 9 --- ?");
        SendFrame(kStopCalibration, {});
        break;
    case kSetCell:
        HandleSetCell(command);
        break;
    case kAnalyzerIdentity:
        HandleAnalyzerIdentity();
        break;
    default: // 4001: nothing, and no reply
        break;
    }
}

void CSocketCommandEngine::HandleSetup(Incoming& command) {
    SetupScan& setup = *m_context.setup;
    if (m_scanRunning.load()) {
        // The runner lays its packets out by the grid and span it started with: a new set-up under
        // it would mislabel them. The reply is the set-up in force, marked failed.
        AddInformationMessage(1, "commandID = 1 --- set-up refused: a scan is running.");
        SetupScanValues held = setup.GetValues();
        held.failureCode = RunScan::kStatusFailed;
        const AnalyzerSetupState analyzer =
            m_context.devices != nullptr && m_context.devices->GetAnalyzer() != nullptr
                ? m_context.devices->GetAnalyzerSetupState()
                : AnalyzerSetupState{};
        SendFrame(kSetup, BuildSetupReplyBody(held, command.samplingRate, analyzer));
        return;
    }
    setup.ApplySetup(command.setup);
    AddInformationMessage(1, "SetupScanInstance->SetupInstrument() ------ start");
    bool applied = false;
    if (m_context.devices != nullptr) {
        applied = m_context.devices->SetupInstrument(setup, *this);
    } else {
        // No devices at all: the client must not read the set-up as applied.
        setup.SetFailureCode(static_cast<int32_t>(SetupScan::kFailureNotDetected));
    }
    if (!applied) {
        AddInformationMessage(1, "Error in setting up the Analyzer.");
    }
    AddInformationMessage(1, "SetupScanInstance->SetupInstrument() ------ end");
    const AnalyzerSetupState analyzer =
        m_context.devices != nullptr && m_context.devices->GetAnalyzer() != nullptr
            ? m_context.devices->GetAnalyzerSetupState()
            : AnalyzerSetupState{};
    const std::vector<uint8_t> reply = BuildSetupReplyBody(setup.GetValues(), command.samplingRate, analyzer);
    if (applied) {
        LogAppliedSetup(reply);
    }
    SendFrame(kSetup, reply);
}

void CSocketCommandEngine::ReplyRefusedSetup() {
    SetupScanValues refused;
    refused.failureCode = RunScan::kStatusFailed;
    SendFrame(kSetup, BuildSetupReplyBody(refused, 0, AnalyzerSetupState{}));
}

bool CSocketCommandEngine::EndRunningScan() {
    if (!m_scanRunning.load()) {
        return true;
    }
    m_context.stopFlag->RequestStop();
    return WaitForScanEnd(m_scanEndBound);
}

bool CSocketCommandEngine::WaitForScanEnd(std::chrono::milliseconds timeout) {
    const Clock::TimePoint deadline = ClockNow() + timeout;
    while (m_scanRunning.load()) {
        const Clock::TimePoint now = ClockNow();
        if (now >= deadline) {
            return false;
        }
        ClockWaitFor(m_scanEnded, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
                                      std::chrono::milliseconds(1));
    }
    return true;
}

void CSocketCommandEngine::HandleGo(const Incoming& command) {
    if (m_scanThread.joinable()) {
        if (!EndRunningScan()) {
            AddInformationMessage(1, "commandID = 2 --- the running scan did not stop; the go is refused.");
            // The client learns of it now; the old scan, when it ends, writes no second terminator.
            if (!m_runTerminated->exchange(true)) {
                const std::vector<uint8_t> terminator = BuildTerminatorFrame(RunScan::kStatusFailed);
                m_context.data->Send(terminator.data(), terminator.size());
            }
            m_context.setup->SetGoMode(command.goMode);
            SendFrame(kGo, {m_context.setup->GetGoMode()});
            return;
        }
        m_scanThread.join();
    }
    // A stop that arrived before this go must not end the new scan.
    m_context.stopFlag->BeginScan();
    m_context.setup->SetGoMode(command.goMode);
    std::unique_ptr<RunScan> runner =
        m_context.runners->MakeRunner(m_context.setup->GetScanType(), m_context);
    m_scanEnded.Clear();
    m_runTerminated = std::make_shared<std::atomic<bool>>(false);
    m_scanRunning.store(true);
    if (m_context.devices != nullptr) {
        // Before the thread starts, so that no connect replaces a device the runner is about to use.
        m_context.devices->SetScanRunning(true);
    }
    m_scanThread = std::jthread([this, owned = std::move(runner), terminated = m_runTerminated]() mutable {
        ScanThreadBody(std::move(owned), *terminated);
    });
    SendFrame(kGo, {m_context.setup->GetGoMode()});
}

void CSocketCommandEngine::ScanThreadBody(std::unique_ptr<RunScan> runner, std::atomic<bool>& terminated) {
    CEngineDevices* devices = m_context.devices;
    if (devices != nullptr && devices->HasScanner()) {
        devices->BeginScan();
    }
    runner->RunScanStart();
    if (devices != nullptr && devices->HasScanner()) {
        devices->EndScan();
    }
    if (devices != nullptr) {
        devices->SetScanRunning(false);
    }
    if (!terminated.exchange(true)) {
        const std::vector<uint8_t> terminator = BuildTerminatorFrame(runner->GetStatus());
        m_context.data->Send(terminator.data(), terminator.size());
    }
    m_context.stopFlag->Clear();
    runner.reset();
    m_scanRunning.store(false);
    m_scanEnded.Set();
}

void CSocketCommandEngine::HandleSetAnalyzerDriver(Incoming& command) {
    CEngineDevices* devices = m_context.devices;
    if (devices != nullptr) {
        // Taken whatever the outcome: a refused switch may have deleted the driver the set-up held,
        // and the first word then names the code in use (-1 when no driver is left).
        const bool accepted = devices->SetAnalyzerDriver(command.words);
        if (accepted || command.words[0] == static_cast<uint32_t>(-1)) {
            m_context.setup->SetAnalyzerModelCode(static_cast<int32_t>(command.words[0]));
        }
        m_context.setup->SetAnalyzer(devices->GetAnalyzer());
    }
    SendFrame(kSetAnalyzerDriver,
              Words({command.words[0], command.words[1], command.words[2], command.words[3]}));
}

void CSocketCommandEngine::HandleQueryScanHead(const Incoming& command) {
    uint32_t answer = command.value;
    CEngineDevices* devices = m_context.devices;
    std::vector<uint8_t> reply;
    if (devices != nullptr && devices->HasScanner() && devices->ReadScannerType(reply)) {
        CByteCursor in = CByteCursor::BorrowForReading(reply.data(), static_cast<uint32_t>(reply.size()));
        uint32_t value = 0;
        if (in.ReadUInt32(value)) {
            answer = value;
        }
    }
    SendFrame(kQueryScanHead, Words({answer}));
}

void CSocketCommandEngine::HandleVersion() {
    const std::array<uint16_t, 4> version = GetInstrumentInfo().GetProgramVersion();
    uint32_t programVersion = (static_cast<uint32_t>(version[0]) * 1000 + version[1]) * 1000 + version[2];
    uint32_t adaptorMinor = 0;
    uint32_t adaptorFirmware = 0;
    bool failed = true;
    CEngineDevices* devices = m_context.devices;
    if (devices != nullptr && devices->HasScanner()) {
        std::vector<uint8_t> reply;
        int16_t minor = 0;
        bool minorRead = devices->ReadAdaptorEID(reply);
        if (minorRead) {
            CByteCursor in = CByteCursor::BorrowForReading(reply.data(), static_cast<uint32_t>(reply.size()));
            minorRead = in.ReadInt16(minor);
        }
        if (minorRead) {
            adaptorMinor = static_cast<uint32_t>(static_cast<int32_t>(minor));
            AddInformationMessage(1, FormatC("Adaptor Minor = %d", minor));
        }
        ClockSleep(kVersionQueryPause);
        reply.clear();
        bool firmwareRead = devices->ReadFirmwareVersion(reply);
        uint8_t bytes[3] = {0, 0, 0};
        if (firmwareRead) {
            CByteCursor in = CByteCursor::BorrowForReading(reply.data(), static_cast<uint32_t>(reply.size()));
            firmwareRead = in.ReadBytes(bytes, 3);
        }
        if (firmwareRead) {
            adaptorFirmware = (static_cast<uint32_t>(bytes[0]) * 1000 + bytes[1]) * 1000 + bytes[2];
            AddInformationMessage(
                1, FormatC("Adaptor Firmware Version = %d", static_cast<int>(adaptorFirmware)));
        }
        failed = !minorRead || !firmwareRead;
    }
    if (failed) {
        // The client tells a failure by the second word; the adaptor words carry nothing then.
        programVersion = kVersionError;
        adaptorMinor = 0;
        adaptorFirmware = 0;
    }
    SendFrame(kVersion, Words({kVersionRecordMark, programVersion, adaptorMinor, adaptorFirmware}));
}

void CSocketCommandEngine::HandleSetCell(const Incoming& command) {
    CEngineDevices* devices = m_context.devices;
    if (devices != nullptr && devices->HasScanner() && command.row <= kMaxSwitchableCell &&
        command.column <= kMaxSwitchableCell) {
        devices->SwitchToCell(command.row, command.column);
    }
    AddInformationMessage(1, "commandID = 10 --- start to process SetCell.");
    CByteCursor out(4);
    out.WriteUInt16(command.row);
    out.WriteUInt16(command.column);
    SendFrame(kSetCell, out.TakeBytes());
}

void CSocketCommandEngine::HandleAnalyzerIdentity() {
    std::string identity;
    if (m_context.devices != nullptr) {
        identity = m_context.devices->QueryAnalyzerIdentity().value_or(std::string());
    }
    const auto length = static_cast<uint32_t>(std::min<std::size_t>(identity.size(), kAccumulationBytes));
    CByteCursor out(4 + length);
    out.WriteUInt32(length);
    out.WriteBytes(identity.data(), length);
    SendFrame(kAnalyzerIdentity, out.TakeBytes());
}

namespace {

std::vector<uint8_t> TextPacketBody(uint16_t step, uint16_t stepCount, std::string_view text) {
    const auto length =
        static_cast<uint32_t>(std::min<std::size_t>(text.size(), CSocketCommandEngine::kAccumulationBytes));
    CByteCursor out(4 + length);
    out.WriteUInt16(step);
    out.WriteUInt16(stepCount);
    out.WriteBytes(text.data(), length);
    return out.TakeBytes();
}

std::vector<uint8_t> WholeFrame(uint16_t id, const std::vector<uint8_t>& body) {
    const auto size = static_cast<uint32_t>(body.size());
    CByteCursor out(CFrameAccumulator::kHeaderBytes + size);
    out.WriteUInt8(CFrameAccumulator::kMarker);
    out.WriteUInt16(0);
    out.WriteUInt16(id);
    out.WriteUInt32(size);
    if (size > 0) {
        out.WriteBytes(body.data(), size);
    }
    return out.TakeBytes();
}

} // namespace

bool CSocketCommandEngine::SendTextPacket(uint16_t step, uint16_t stepCount, std::string_view text) {
    return SendFrame(kTextPacketId, TextPacketBody(step, stepCount, text));
}

bool CSocketCommandEngine::SendSetupStep(uint16_t step, uint16_t stepCount, std::string_view text) {
    const std::vector<uint8_t> frame = WholeFrame(kTextPacketId, TextPacketBody(step, stepCount, text));
    const std::unique_lock send(m_sendLock, std::try_to_lock);
    const std::lock_guard kept(m_keptStepsLock);
    if (send.owns_lock() && m_keptSteps.empty() && m_channel != nullptr &&
        m_channel->WriteWholeToClient(frame.data(), frame.size())) {
        return true;
    }
    m_keptSteps.insert(m_keptSteps.end(), frame.begin(), frame.end());
    return true;
}

void CSocketCommandEngine::SendKeptSteps() {
    std::vector<uint8_t> steps;
    {
        const std::lock_guard kept(m_keptStepsLock);
        steps.swap(m_keptSteps);
    }
    if (!steps.empty() && m_channel != nullptr &&
        !m_channel->WriteAllToClient(steps.data(), steps.size(), kFullQueueWait, m_shutdown.get_token())) {
        AddInformationMessage(1, "sending packet failed.");
    }
}

bool CSocketCommandEngine::SendFrame(uint16_t id, const std::vector<uint8_t>& body) {
    const std::vector<uint8_t> frame = WholeFrame(id, body);
    return SendBytes(frame.data(), frame.size());
}

bool CSocketCommandEngine::SendBytes(const uint8_t* bytes, std::size_t length) {
    const std::lock_guard guard(m_sendLock);
    if (m_channel == nullptr) {
        return false;
    }
    SendKeptSteps();
    if (!m_channel->WriteAllToClient(bytes, length, kFullQueueWait, m_shutdown.get_token())) {
        AddInformationMessage(1, "sending packet failed.");
        return false;
    }
    return true;
}

} // namespace orv
