#include "engine/scanners/CScannerBot.h"

#include "engine/scanners/CDOBOTEngine.h"
#include "engine/scanners/LinkStop.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <limits>

namespace orv {

namespace {

uint8_t ClampByte(int64_t value) {
    return static_cast<uint8_t>(std::clamp<int64_t>(value, 0, 255));
}

int16_t ClampWord(int64_t value) {
    return static_cast<int16_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

bool BitSet(const std::vector<uint8_t>& pattern, int64_t n) {
    const auto byte = static_cast<std::size_t>(n / 8);
    return byte < pattern.size() && (pattern[byte] & (0x80U >> (n % 8))) != 0;
}

} // namespace

CScannerBot::CScannerBot(uint8_t prompting) : CScannerBot(std::make_unique<CDOBOTEngine>(prompting)) {}

CScannerBot::CScannerBot(std::unique_ptr<CBOTEngine> engine)
    : CScanner(eProbeType::RobotArm), m_board(std::make_unique<CNoScannerBoard>()),
      m_engine(std::move(engine)) {
    CScanner::SetSelectedScannerID(kBotScannerID);
    m_board->Connect();
}

CScannerBot::~CScannerBot() {
    m_board->Disconnect();
    if (m_engine != nullptr) {
        m_engine->Disconnect();
    }
}

void CScannerBot::SetSetupSource(SetupSource source) {
    m_setupSource = std::move(source);
    if (auto* dobot = dynamic_cast<CDOBOTEngine*>(m_engine.get())) {
        dobot->SetStopTokenSource([this] { return CurrentSetup().stop; });
    }
}

ScannerSetup CScannerBot::CurrentSetup() const {
    return m_setupSource ? m_setupSource() : ScannerSetup{};
}

bool CScannerBot::Connect() {
    m_board->Connect();
    if (!IsReconnectNeeded()) {
        return true;
    }
    AddInformationMessage(1, "Start to create connection to Bot Scanner.");
    if (!m_engine->Connect()) {
        AddInformationMessage(1, "Failed in initializing BOT engine in Setup Connection().");
        m_board->Disconnect();
        return false;
    }
    if (!m_engine->Initialize()) {
        AddInformationMessage(1, "Failed connection to BOT.");
        m_board->Disconnect();
        return false;
    }
    AddInformationMessage(1, "Completed creating connection to Bot Scanner.");
    SetReconnectNeeded(false);
    return true;
}

bool CScannerBot::Disconnect() {
    m_board->Disconnect();
    m_engine->Disconnect();
    return true;
}

bool CScannerBot::Reconnect() {
    m_board->Reconnect();
    if (!IsReconnectNeeded()) {
        return true;
    }
    m_engine->Disconnect();
    // The reconnect runs under the device and swap locks: no prompt, no homing. A Stop Scan during it
    // ends the parameter reads at their next poll.
    const LinkStop stop(CurrentSetup().stop);
    const bool initialized = m_engine->Reinitialize();
    SetReconnectNeeded(false);
    return initialized;
}

bool CScannerBot::BeginScan() {
    return true;
}

bool CScannerBot::EndScan() {
    return true;
}

uint8_t CScannerBot::GetSwitchMode() const {
    return m_switchMode;
}

void CScannerBot::SetSwitchMode(uint8_t mode) {
    m_switchMode = mode;
}

bool CScannerBot::MoveProbe(float height, int32_t row, int32_t column) {
    // A Stop Scan during the move ends the exchange the arm's link is waiting in at its next poll.
    const LinkStop stop(CurrentSetup().stop);
    if (m_engine->ExecuteMove(height, row, column, GetStepWordA(), GetStepWordB())) {
        return true;
    }
    if (m_engine->IsStopped() || LinkStop::Requested()) {
        // Stopped, not broken: the link is fine, but the probe is not over the cell.
        AddInformationMessage(1, "Probe move stopped.");
        SetReconnectNeeded(false);
        return false;
    }
    SetReconnectNeeded(true);
    AddInformationMessage(1, "Failed to move probe.");
    return false;
}

bool CScannerBot::SwitchToCell() {
    WriteScannerSize();
    return MoveProbe(GetCellHeight(), GetCellRow(), GetCellColumn());
}

bool CScannerBot::SwitchToCellTimed(int32_t value) {
    if (!SwitchToCell()) {
        return false;
    }
    if (m_triggerWithDwell != 0) {
        return Trigger(40, ClampByte(value / 10), 0, 1);
    }
    Pause(value, CurrentSetup());
    return Trigger(40, 0, 0, 0);
}

bool CScannerBot::ReadScannerType() {
    if (!m_board->ReadScannerType()) {
        return false;
    }
    std::array<uint8_t, 4> reply{static_cast<uint8_t>(kBotScannerID), 0, 0, 0};
    const int32_t selected = GetSelectedScannerID();
    if (selected != kBotScannerID) {
        for (std::size_t i = 0; i < reply.size(); ++i) {
            reply[i] = static_cast<uint8_t>(static_cast<uint32_t>(selected) >> (8 * i));
        }
        AddInformationMessage(1, FormatC("Selected Bot Probe ID = %d", selected));
    } else {
        AddInformationMessage(1, FormatC("Default Bot Probe ID = %d", kBotScannerID));
    }
    StoreReply(reply);
    TakeScannerIdFromReply();
    return true;
}

bool CScannerBot::WriteScannerType() {
    return false;
}

bool CScannerBot::Trigger(int16_t a, uint8_t b, uint8_t c, int16_t d) {
    return m_board->Trigger(a, b, c, d);
}

void CScannerBot::Pause(int64_t milliseconds, const ScannerSetup& setup) const {
    if (milliseconds > 0) {
        ClockSleep(std::chrono::milliseconds(milliseconds), setup.stop);
    }
}

bool CScannerBot::WalkStopped(const ScannerSetup& setup) {
    if (!setup.stop.stop_requested() && !m_engine->IsStopped()) {
        return false;
    }
    SetReconnectNeeded(false);
    return true;
}

void CScannerBot::TriggerAfterMove(const ScannerSetup& setup) {
    if (m_triggerWithDwell != 0) {
        Trigger(10, ClampByte(setup.timing1 * 10), ClampByte(setup.timing2 * 10), 1);
        return;
    }
    Pause(setup.timing1, setup);
    Trigger(10, 0, 0, 0);
    Pause(setup.timing2, setup);
}

void CScannerBot::CloseWalk(int32_t x, int32_t count) {
    if (count > x) {
        return;
    }
    const int64_t extra = int64_t{x} - count + kExtraTriggers;
    if (m_triggerWithDwell != 0) {
        Trigger(10, 10, 0, ClampWord(extra));
        return;
    }
    const ScannerSetup setup = CurrentSetup();
    for (int64_t i = 0; i < extra; ++i) {
        // One dwell interval.
        ClockSleep(std::chrono::milliseconds(1), setup.stop);
        Trigger(10, 0, 0, 0);
    }
}

float CScannerBot::CellHeight(int32_t row, int32_t column) const {
    const std::span<const int16_t> table = GetCellHeightTable();
    const auto index = static_cast<std::size_t>(row) * m_armColumns + static_cast<std::size_t>(column);
    if (row < m_armRows && column < m_armColumns && index < table.size()) {
        return table[index];
    }
    // No table for this grid: the height of the current cell.
    return GetCellHeight();
}

bool CScannerBot::WalkPattern(int64_t first, int64_t last, int32_t x, bool closeWithTriggers) {
    const ScannerSetup setup = CurrentSetup();
    const LinkStop stop(setup.stop);
    const int64_t cells = int64_t{m_armRows} * m_armColumns;
    const int64_t end = std::min<int64_t>({last, cells - 1, static_cast<int64_t>(m_pattern.size()) * 8 - 1});
    int32_t count = 0;
    for (int64_t n = std::max<int64_t>(first, 0); n <= end; ++n) {
        if (!BitSet(m_pattern, n)) {
            continue;
        }
        if (WalkStopped(setup)) {
            return false;
        }
        const auto row = static_cast<int32_t>(n / m_armColumns);
        const auto column = static_cast<int32_t>(n % m_armColumns);
        if (!MoveProbe(CellHeight(row, column), row, column)) {
            return false;
        }
        TriggerAfterMove(setup);
        ++count;
    }
    if (WalkStopped(setup)) {
        return false;
    }
    if (closeWithTriggers) {
        CloseWalk(x, count);
    }
    return true;
}

bool CScannerBot::StartingSwitch(int32_t x) {
    if (!WriteScannerSize()) {
        return false;
    }
    const std::span<const uint8_t> map = GetProbeCellMap();
    m_pattern.assign(map.begin(), map.end());
    return WalkPattern(0, std::numeric_limits<int64_t>::max(), x, true);
}

bool CScannerBot::FullSwitchAndTrigger(int32_t a, int32_t /*b*/, bool sendPattern) {
    WriteScannerSize();
    if (sendPattern) {
        const std::span<const uint8_t> map = GetProbeCellMap();
        m_pattern.assign(map.begin(), map.end());
    }
    return WalkPattern(a, std::numeric_limits<int64_t>::max(), 0, false);
}

bool CScannerBot::PartialSwitchAndTrigger(int32_t a, int32_t b, int32_t /*c*/, bool sendPattern) {
    WriteScannerSize();
    if (sendPattern) {
        const std::span<const uint8_t> map = GetProbeCellMap();
        m_pattern.assign(map.begin(), map.end());
    }
    return WalkPattern(a, b, 0, false);
}

bool CScannerBot::TriggerAndSwitches() {
    AddInformationMessage(1, "TriggerAndSwitches not supported by QUORLYN.");
    return false;
}

bool CScannerBot::WriteScannerSize() {
    const ScannerSetup setup = CurrentSetup();
    m_armRows = static_cast<uint16_t>(std::clamp<int32_t>(setup.rows, 0, 65535));
    m_armColumns = static_cast<uint16_t>(std::clamp<int32_t>(setup.columns, 0, 65535));
    m_engine->SetGridSize(m_armRows, m_armColumns);
    return true;
}

bool CScannerBot::ReadAdaptorEID() {
    if (!m_board->ReadAdaptorEID()) {
        return false;
    }
    StoreReply(m_board->GetReplyBuffer());
    return true;
}

bool CScannerBot::ReadFirmwareVersion() {
    constexpr std::array<uint8_t, 3> kReply{0, 0, 1};
    StoreReply(kReply);
    return true;
}

bool CScannerBot::StorePatternData(std::span<const uint8_t> bytes) {
    m_board->StorePatternData(bytes);
    StoreReply(m_board->GetReplyBuffer());
    return true;
}

void CScannerBot::SetProbeHeight(uint16_t height) {
    m_engine->SetProbeHeight(static_cast<float>(height));
}

bool CScannerBot::SupportsMotors() const {
    return false;
}

bool CScannerBot::ClearArmAlarms() {
    m_engine->ClearAlarms();
    return true;
}

bool CScannerBot::ResetArmQueue() {
    m_engine->Resume();
    return true;
}

bool CScannerBot::StopArm() {
    m_engine->Stop();
    m_engine->Resume();
    return true;
}

float CScannerBot::GetGridOriginX() const {
    return m_engine->GetOriginX() + m_engine->GetOriginRecord()->xOffset;
}

float CScannerBot::GetGridOriginY() const {
    return m_engine->GetOriginY() + m_engine->GetOriginRecord()->yOffset;
}

void CScannerBot::GetCellAtPosition(float x, float y, uint16_t& row, uint16_t& column) const {
    m_engine->GetCellAtPosition(x, y, row, column);
}

bool CScannerBot::GetArmPose(float& x, float& y, float& z, float& r) {
    ArmPose pose;
    if (!m_engine->GetPose(pose)) {
        return false;
    }
    x = pose.x;
    y = pose.y;
    z = pose.z - m_engine->GetZOffset();
    r = pose.r;
    return true;
}

float CScannerBot::GetDefaultProbeHeight() const {
    return m_engine->GetSafeHeight();
}

int32_t CScannerBot::GetMaxHeightForCell(int32_t row, int32_t column) const {
    return m_engine->GetMaxHeightForCell(row, column);
}

uint8_t CScannerBot::GetCellMoveFlag(int32_t row, int32_t column) const {
    return m_engine->IsCellReachable(row, column);
}

bool CScannerBot::MoveArmTo(float x, float y, float z, float r) {
    return m_engine->MoveToPose(x, y, z + m_engine->GetZOffset(), r);
}

void CScannerBot::HomeArm() {
    m_engine->Calibrate();
}

std::optional<ArmHoming> CScannerBot::BeginHoming() {
    return m_engine->BeginHoming();
}

ArmHomingState CScannerBot::PollHoming(const ArmHoming& homing) {
    return m_engine->PollHoming(homing);
}

void CScannerBot::EndHoming(ArmHomingState last) {
    m_engine->EndHoming(last);
}

void CScannerBot::SetTargetCell(uint16_t row, uint16_t column, float height, uint16_t wordA, uint16_t wordB) {
    m_targetRow = row;
    m_targetColumn = column;
    m_targetHeight = height;
    m_targetWordA = wordA;
    m_targetWordB = wordB;
}

bool CScannerBot::MoveToTarget() {
    if (IsReconnectNeeded()) {
        return false;
    }
    if (!m_engine->ExecuteMove(m_targetHeight, m_targetRow, m_targetColumn, m_targetWordA, m_targetWordB)) {
        SetReconnectNeeded(true);
        AddInformationMessage(1, "Failed to move probe.");
        return false;
    }
    return true;
}

} // namespace orv
