#include "engine/scanners/CDOBOTEngine.h"

#include "engine/scanners/DobotCellTables.h"
#include "engine/scanners/LinkStop.h"
#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"
#include "platform/registry/SettingsStore.h"
#include "platform/serial/SerialPortSearch.h"
#include "platform/ui/Prompt.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <utility>

namespace orv {

namespace {

// The sub-positions per cell side and their pitch for a step word B; {0, 7.5} when B asks for none.
std::pair<uint16_t, float> SubDivision(uint16_t stepWordB) {
    switch (stepWordB) {
    case 4:
        return {2, 3.75F};
    case 16:
        return {4, 1.875F};
    case 64:
        return {8, 0.9375F};
    case 256:
        return {16, 0.46875F};
    case 1024:
        return {32, 0.234375F};
    case 4096:
        return {64, 0.1171875F};
    case 16384:
        return {128, 0.05859375F};
    default:
        return {0, CDOBOTEngine::kCellPitch};
    }
}

// The arm's settings: a missing value leaves the arm's own. A DWORD counts when it is not 0; a text
// counts when it is a number in the C locale (anything else is logged and left out).
class ArmSettings {
public:
    ArmSettings() {
        m_open = SettingsStore::Instance().OpenKey(SettingsRoot::LocalMachine, CDOBOTEngine::kSettingsKey,
                                                   SettingsAccess::Read, m_key) == SettingsStatus::kSuccess;
    }

    std::optional<std::string> Text(const char* name) const {
        std::string text;
        if (!m_open || m_key.GetString(name, text) != SettingsStatus::kSuccess) {
            return std::nullopt;
        }
        return text;
    }

    std::optional<float> Number(const char* name) const {
        SettingsValue value;
        if (!m_open || m_key.QueryValue(name, value) != SettingsStatus::kSuccess) {
            return std::nullopt;
        }
        if (value.type == SettingsValueType::Dword) {
            const uint32_t number = value.AsDword();
            return number != 0 ? std::optional<float>(static_cast<float>(number)) : std::nullopt;
        }
        if (value.type == SettingsValueType::String) {
            if (const std::optional<float> number = ParseFloatC(value.data);
                number && std::isfinite(*number)) {
                return number;
            }
        }
        AddInformationMessage(
            1, FormatC("Dobot setting %s is not a number; the arm keeps its own value.", name));
        return std::nullopt;
    }

    // Replaces each field whose setting is present; true when any was.
    bool Replace(std::initializer_list<std::pair<const char*, float*>> fields) const {
        bool changed = false;
        for (const auto& [name, field] : fields) {
            if (const std::optional<float> number = Number(name)) {
                *field = *number;
                changed = true;
            }
        }
        return changed;
    }

private:
    SettingsKey m_key;
    bool m_open = false;
};

// One parameter set: read from the arm, the settings laid over it, written back only when a setting
// changed it. A set the arm did not give is never written: the arm keeps its own.
template <class Params, class Read, class Write, class Fields>
void ApplyParameterSet(const char* what, Read read, Write write, Fields fields) {
    Params params{};
    if (!read(params)) {
        AddInformationMessage(1, FormatC("Dobot: could not read the %s; the arm keeps its own.", what));
        return;
    }
    if (fields(params) && !write(params)) {
        AddInformationMessage(1, FormatC("Dobot: could not write the %s.", what));
    }
}

int16_t ClampHeight(float height) {
    if (!std::isfinite(height)) {
        return 0;
    }
    return static_cast<int16_t>(std::clamp(std::trunc(height), -32768.0F, 32767.0F));
}

} // namespace

CDOBOTEngine::CDOBOTEngine(uint8_t calibrated)
    : m_calibrated(static_cast<uint8_t>(1 - (calibrated != 0 ? 1 : 0))) {}

CDOBOTEngine::~CDOBOTEngine() {
    m_link.Close();
}

bool CDOBOTEngine::Connect() {
    const std::optional<std::string> wanted = ArmSettings().Text("PortDescription");
    if (wanted && !wanted->empty()) {
        for (const SerialPortInfo& port : SearchSerialPorts()) {
            if (port.description != *wanted) {
                continue;
            }
            std::string serialNumber;
            const bool answered = m_link.Open(port.portName, kLinkSpeed) && m_link.ClearQueue() &&
                                  m_link.StartQueue() && m_link.ReadSerialNumber(serialNumber);
            m_link.Close();
            if (answered) {
                m_portName = port.portName;
                AddInformationMessage(
                    1, FormatC(
                           "Dobot Port path: %s, Port friendly name: %s, Port description: %s, Port name: %s",
                           port.devicePath.c_str(), port.friendlyName.c_str(), port.description.c_str(),
                           port.portName.c_str()));
                return true;
            }
        }
    }
    AddInformationMessage(1, "Connection to Dobot failed.");
    return false;
}

bool CDOBOTEngine::Initialize() {
    return InitializeArm(true);
}

bool CDOBOTEngine::Reinitialize() {
    return InitializeArm(false);
}

bool CDOBOTEngine::InitializeArm(bool offerCalibration) {
    if (m_portName.empty() || !m_link.Open(m_portName, kLinkSpeed)) {
        AddInformationMessage(1, FormatC("Dobot: could not open the port \"%s\".", m_portName.c_str()));
        return false;
    }
    m_link.ClearQueue();
    m_link.StartQueue();

    std::string serialNumber;
    std::string name;
    DobotVersion version;
    if (!m_link.ReadSerialNumber(serialNumber) || !m_link.ReadDeviceName(name) ||
        !m_link.ReadVersion(version)) {
        AddInformationMessage(1, "Dobot: the arm does not answer its identification.");
        m_link.Close();
        return false;
    }
    AddInformationMessage(1, FormatC("Dobot SN: %s, Name: %s, Version: V%d.%d.%d", serialNumber.c_str(),
                                     name.c_str(), version.major, version.minor, version.patch));

    ApplySettings();
    ClearAlarms();

    if (offerCalibration && m_calibrated == 0 && AskCalibration()) {
        ClearAlarms();
        DobotPose pose;
        if (m_link.ReadPose(pose)) {
            QueueMoveTo(pose.x, pose.y, 0.0F, true);
        }
        m_link.WriteHomingPosition({m_originRecord.xOffset + kHomingX, 0.0F, 0.0F, 0.0F});
        AddInformationMessage(1, "Dobot homing...");
        uint64_t index = 0;
        if (m_link.StartHoming(index) && m_link.WaitForQueuedCommand(index)) {
            m_calibrated = 1;
        } else {
            AddInformationMessage(1, "Dobot: the homing did not end.");
        }
        ClearAlarms();
    }
    AddInformationMessage(1, "Ready.");
    return true;
}

void CDOBOTEngine::ApplySettings() {
    const ArmSettings settings;
    CDobotMagician& link = m_link;
    ApplyParameterSet<DobotEndEffectorOffsets>(
        "end-effector offsets", [&](auto& p) { return link.ReadEndEffectorOffsets(p); },
        [&](const auto& p) { return link.WriteEndEffectorOffsets(p); },
        [&](auto& p) {
            return settings.Replace({{"xBias", &p.xBias}, {"yBias", &p.yBias}, {"zBias", &p.zBias}});
        });
    // The jog parameters have no settings of their own; they are read so a silent arm shows in the log.
    const auto noSettings = [](auto& /*params*/) { return false; };
    ApplyParameterSet<DobotAxisParams>(
        "jog joint parameters", [&](auto& p) { return link.ReadJogJointParams(p); },
        [&](const auto& p) { return link.WriteJogJointParams(p); }, noSettings);
    ApplyParameterSet<DobotAxisParams>(
        "jog coordinate parameters", [&](auto& p) { return link.ReadJogCoordinateParams(p); },
        [&](const auto& p) { return link.WriteJogCoordinateParams(p); }, noSettings);
    ApplyParameterSet<DobotVelocityAcceleration>(
        "jog common parameters", [&](auto& p) { return link.ReadJogCommonParams(p); },
        [&](const auto& p) { return link.WriteJogCommonParams(p); }, noSettings);
    ApplyParameterSet<DobotVelocityAcceleration>(
        "jog rail parameters", [&](auto& p) { return link.ReadJogRailParams(p); },
        [&](const auto& p) { return link.WriteJogRailParams(p); },
        [&](auto& p) {
            return settings.Replace({{"jogLVelocity", &p.velocity}, {"jogLAcceleration", &p.acceleration}});
        });
    ApplyParameterSet<DobotAxisParams>(
        "point-to-point joint parameters", [&](auto& p) { return link.ReadPtpJointParams(p); },
        [&](const auto& p) { return link.WritePtpJointParams(p); },
        [&](auto& p) {
            return settings.Replace({{"Joint1Velocity", &p.velocity[0]},
                                     {"Joint2Velocity", &p.velocity[1]},
                                     {"Joint3Velocity", &p.velocity[2]},
                                     {"Joint4Velocity", &p.velocity[3]},
                                     {"Joint1Acceleration", &p.acceleration[0]},
                                     {"Joint2Acceleration", &p.acceleration[1]},
                                     {"Joint3Acceleration", &p.acceleration[2]},
                                     {"Joint4Acceleration", &p.acceleration[3]}});
        });
    ApplyParameterSet<DobotPtpCoordinateParams>(
        "point-to-point coordinate parameters", [&](auto& p) { return link.ReadPtpCoordinateParams(p); },
        [&](const auto& p) { return link.WritePtpCoordinateParams(p); },
        [&](auto& p) {
            return settings.Replace({{"xyzVelocity", &p.xyzVelocity},
                                     {"rVelocity", &p.rVelocity},
                                     {"xyzAcceleration", &p.xyzAcceleration},
                                     {"rAcceleration", &p.rAcceleration}});
        });
    ApplyParameterSet<DobotJumpParams>(
        "point-to-point jump parameters", [&](auto& p) { return link.ReadPtpJumpParams(p); },
        [&](const auto& p) { return link.WritePtpJumpParams(p); },
        [&](auto& p) {
            return settings.Replace({{"jumpHeight", &p.jumpHeight}, {"zLimit", &p.zLimit}});
        });
    ApplyParameterSet<DobotVelocityAcceleration>(
        "rail point-to-point parameters", [&](auto& p) { return link.ReadPtpRailParams(p); },
        [&](const auto& p) { return link.WritePtpRailParams(p); },
        [&](auto& p) {
            return settings.Replace({{"ptpLVelocity", &p.velocity}, {"ptpLAcceleration", &p.acceleration}});
        });

    uint8_t fitted = 0;
    if (!m_link.ReadRailFitted(fitted)) {
        AddInformationMessage(1, "Dobot: could not read the linear rail setting; the arm keeps its own.");
        return;
    }
    m_railFitted = fitted;
    if (const std::optional<float> withRail = settings.Number("deviceWithL")) {
        const uint8_t wanted = *withRail != 0.0F ? 1 : 0;
        if (m_link.WriteRailFitted(wanted)) {
            m_railFitted = wanted;
        } else {
            AddInformationMessage(1, "Dobot: could not write the linear rail setting.");
        }
    }
}

PromptRequest CDOBOTEngine::CalibrationPrompt() {
    PromptRequest request;
    request.text = kCalibrationText;
    request.caption = kCalibrationCaption;
    request.buttons = PromptButtons::OkCancel;
    return request;
}

bool CDOBOTEngine::AskCalibration() const {
    const std::stop_token stop = m_stopTokenSource ? m_stopTokenSource() : std::stop_token{};
    return ShowPrompt(CalibrationPrompt(), stop, PromptAnswer::Cancel) == PromptAnswer::Ok;
}

void CDOBOTEngine::Disconnect() {
    ClearAlarms();
    m_link.Close();
}

void CDOBOTEngine::Calibrate() {
    if (!AskCalibration()) {
        return;
    }
    m_link.ClearQueue();
    DobotPose pose;
    if (m_link.ReadPose(pose) && pose.z < 0.0F) {
        QueueMoveTo(pose.x, pose.y, 0.0F, true);
    }
    AddInformationMessage(1, "Dobot homing...");
    uint64_t index = 0;
    if (!m_link.StartHoming(index) || !m_link.WaitForQueuedCommand(index)) {
        AddInformationMessage(1, "Dobot: the homing did not end.");
    }
    m_link.ClearQueue();
}

std::optional<ArmHoming> CDOBOTEngine::BeginHoming() {
    ArmHoming homing;
    homing.stopsAtStart = m_stopCount.load();
    m_link.ClearQueue();
    DobotPose pose;
    // The lift is queued ahead of the homing: the queue runs them in that order with no wait here.
    if (m_link.ReadPose(pose) && pose.z < 0.0F && !QueueMoveTo(pose.x, pose.y, 0.0F, false)) {
        return std::nullopt;
    }
    AddInformationMessage(1, "Dobot homing...");
    if (!m_link.StartHoming(homing.queueIndex)) {
        return std::nullopt;
    }
    return homing;
}

ArmHomingState CDOBOTEngine::PollHoming(const ArmHoming& homing) {
    uint64_t current = 0;
    const bool read = m_link.ReadQueueIndex(current);
    // Tested after the read: the resume after a stop clears the queue, which moves its index past
    // the homing as if it were done.
    if (m_stopCount.load() != homing.stopsAtStart) {
        return ArmHomingState::Failed;
    }
    if (read && current >= homing.queueIndex) {
        return ArmHomingState::Done;
    }
    return m_link.IsLinkUp() ? ArmHomingState::Moving : ArmHomingState::Failed;
}

void CDOBOTEngine::EndHoming(ArmHomingState last) {
    if (last == ArmHomingState::Moving || last == ArmHomingState::Failed) {
        AddInformationMessage(1, "Dobot: the homing did not end.");
    }
    m_link.ClearQueue();
}

void CDOBOTEngine::SetGridSize(int32_t rows, int32_t columns) {
    m_gridRows = rows;
    m_gridColumns = columns;
}

bool CDOBOTEngine::QueueMoveTo(float x, float y, float z, bool wait) {
    uint64_t index = 0;
    if (!m_link.QueueMove(1, x, y, z, 0.0F, index)) {
        return false;
    }
    return !wait || m_link.WaitForQueuedCommand(index);
}

bool CDOBOTEngine::ReadAlarmsClear() {
    std::size_t count = 0;
    if (!m_link.ReadAlarms(m_alarms, count)) {
        return false;
    }
    return std::all_of(m_alarms.begin(), m_alarms.end(), [](uint8_t byte) { return byte == 0; });
}

int32_t CDOBOTEngine::MaxHeightAt(float x, float y) const {
    uint16_t row = 0;
    uint16_t column = 0;
    GetCellAtPosition(x, y, row, column);
    return GetMaxHeightForCell(row, column);
}

bool CDOBOTEngine::ExecuteMove(float height, int32_t row, int32_t column, uint16_t stepWordA,
                               uint16_t stepWordB) {
    const uint32_t stopsBefore = m_stopCount.load();
    m_lastMoveStopped.store(false);
    if (m_stopped.load() != 0) {
        m_lastMoveStopped.store(true);
        return false;
    }
    if (std::isnan(height)) {
        AddInformationMessage(1, "Dobot: a move without a height is not sent.");
        return false;
    }
    const float h = std::max(height, kLowestHeight);
    ClearAlarms();

    const auto [subCells, pitch] = SubDivision(stepWordB);
    m_subCells = subCells;
    m_subPositions = stepWordB;
    m_pitch = pitch;
    int64_t subRow = row;
    int64_t subColumn = column;
    if (subCells > 0 && stepWordB > 1) {
        if (stepWordA >= static_cast<uint32_t>(subCells) * subCells) {
            AddInformationMessage(1, FormatC("Dobot: sub-position %u lies outside a cell of %u.", stepWordA,
                                             static_cast<unsigned>(stepWordB)));
            return false;
        }
        const int64_t q = stepWordA / subCells;
        int64_t m = stepWordA % subCells;
        if (q % 2 == 1) {
            m = subCells - 1 - m;
        }
        subRow = int64_t{subCells} * row + q;
        subColumn = int64_t{subCells} * column + m;
    }
    const float xOffset = m_originRecord.xOffset;
    const float targetX = static_cast<float>(subRow) * pitch + pitch / 2 + m_originX + xOffset;
    const float targetY = static_cast<float>(subColumn) * pitch + pitch / 2 + m_originY;
    const int32_t targetMax = GetMaxHeightForCell(row, column);

    const bool reachable = IsCellReachable(row, column) != 0;
    const bool lift = row > m_lastRow && m_firstMove == 0;
    m_firstMove = 0;
    m_lastRow = static_cast<int16_t>(std::clamp<int32_t>(row, -32768, 32767));
    m_lastColumn = static_cast<int16_t>(std::clamp<int32_t>(column, -32768, 32767));
    if (!reachable) {
        // Not even the way there: the travel towards the cell would carry the probe over it.
        AddInformationMessage(
            1, FormatC("Dobot: cell row %d, column %d is out of the arm's reach; no move.", row, column));
        return ReadAlarmsClear();
    }

    if (lift) {
        // Lifted straight up first, so the probe clears the cells of the rows it crosses.
        DobotPose pose;
        if (m_link.ReadPose(pose)) {
            const float z0 = pose.z - m_zOffset;
            const float probeHeight = m_probeHeight;
            if (z0 != probeHeight && z0 < probeHeight) {
                const float liftTo = std::min({probeHeight, static_cast<float>(targetMax),
                                               static_cast<float>(MaxHeightAt(pose.x, pose.y))});
                if (!QueueMoveTo(pose.x, pose.y, m_zOffset + liftTo, true)) {
                    AddInformationMessage(1, "Dobot: the lift before the move did not end.");
                    return false;
                }
            }
        }
    }

    DobotPose pose;
    if (!m_link.ReadPose(pose)) {
        // Without the pose neither the way nor the probe's place is known: the cell is not reached.
        AddInformationMessage(1, "Dobot: could not read the pose before the move.");
        return false;
    }
    const float z0 = pose.z - m_zOffset;
    if (z0 != h) {
        const int32_t currentMax = MaxHeightAt(pose.x, pose.y);
        if (h > z0 && static_cast<float>(currentMax) >= h) {
            QueueMoveTo(pose.x, pose.y, h + m_zOffset, false);
        } else if (z0 <= static_cast<float>(targetMax)) {
            QueueMoveTo(targetX, targetY, pose.z, false);
        } else {
            QueueMoveTo(pose.x, pose.y, static_cast<float>(targetMax) + m_zOffset, false);
        }
    }

    uint64_t index = 0;
    bool queued = false;
    if (m_railFitted != 0) {
        const float rowCoordinate = static_cast<float>(subRow) * pitch + m_originX + xOffset;
        // The rail's zero lies under the middle column (the lower one for an even count).
        const int64_t middleColumn = m_gridColumns / 2;
        const float railCoordinate = static_cast<float>(subColumn - middleColumn) * pitch;
        queued = m_link.QueueMoveWithRail(1, rowCoordinate, 0.0F, h + m_zOffset, 0.0F, railCoordinate, index);
    } else {
        queued = m_link.QueueMove(1, targetX, targetY, h + m_zOffset, 0.0F, index);
    }
    if (!queued || !m_link.WaitForQueuedCommand(index)) {
        AddInformationMessage(1, LinkStop::Requested() ? "Dobot: the move ended on the scan's stop."
                                                       : "Dobot: the move did not end in time.");
        if (m_stopCount.load() != stopsBefore || m_stopped.load() != 0) {
            m_lastMoveStopped.store(true);
        }
        return false;
    }
    if (m_stopCount.load() != stopsBefore || m_stopped.load() != 0) {
        // A stop (and perhaps a resume) came while the arm moved: the probe is not where asked.
        m_lastMoveStopped.store(true);
        return false;
    }
    return ReadAlarmsClear();
}

uint8_t CDOBOTEngine::IsCellReachable(int32_t row, int32_t column) const {
    return DobotReachableCell(row, column);
}

int32_t CDOBOTEngine::GetMaxHeightForCell(int32_t row, int32_t column) const {
    if (row < 0 || row >= kGridRows || column < 0 || column >= kGridColumns) {
        AddInformationMessage(1,
                              FormatC("GetMaxHeightForCell: Out of range row %d, column %d.", row, column));
        return static_cast<int32_t>(m_zOffset + 220.0F);
    }
    return static_cast<int32_t>(static_cast<float>(DobotMaxHeightTableValue(row, column)) + 120.0F +
                                m_zOffset);
}

void CDOBOTEngine::GetCellAtPosition(float x, float y, uint16_t& row, uint16_t& column) const {
    const auto toIndex = [](double value, uint16_t last) -> uint16_t {
        if (std::isnan(value) || value < 0.0) {
            return kNoCell;
        }
        if (value > last) {
            return last;
        }
        return static_cast<uint16_t>(value);
    };
    row = toIndex((static_cast<double>(x) - m_originX - m_originRecord.xOffset) / kCellPitch, kGridRows - 1);
    column = toIndex((static_cast<double>(y) - m_originY) / kCellPitch, kGridColumns - 1);
}

bool CDOBOTEngine::GetPose(ArmPose& pose) {
    DobotPose read;
    if (!m_link.ReadPose(read)) {
        return false;
    }
    pose.x = read.x;
    pose.y = read.y;
    pose.z = read.z;
    pose.r = read.r;
    std::copy(read.jointAngle.begin(), read.jointAngle.end(), pose.jointAngle);
    return true;
}

bool CDOBOTEngine::MoveToPose(float x, float y, float z, float r) {
    if (m_stopped.load() != 0) {
        return false;
    }
    uint64_t index = 0;
    if (!m_link.QueueMove(1, x, y, z, r, index) || !m_link.WaitForQueuedCommand(index)) {
        return false;
    }
    return ReadAlarmsClear();
}

float CDOBOTEngine::GetSafeHeight() const {
    return kSafeHeight;
}

bool CDOBOTEngine::EnableTrigger() {
    return m_link.WriteTriggerMode(0) && m_link.WriteTriggerOutputEnable(1);
}

bool CDOBOTEngine::DisableTrigger() {
    return m_link.WriteTriggerOutputEnable(0);
}

bool CDOBOTEngine::GetTriggeredPose(ArmPose& pose) {
    uint8_t output = 0;
    if (!m_link.ReadTriggerOutput(output) || output == 0) {
        return false;
    }
    return GetPose(pose);
}

void CDOBOTEngine::SetProbeHeight(float height) {
    m_probeHeight = ClampHeight(height);
    m_lastRow = -1;
    m_lastColumn = -1;
    ClearAlarms();
    m_firstMove = 1;
}

void CDOBOTEngine::Stop() {
    // Raised before the queue stops, so a move waiting on the queue learns of it whatever it reads.
    m_stopped.store(1);
    m_stopCount.fetch_add(1);
    for (int attempt = 0; attempt < kStopAttempts; ++attempt) {
        if (m_link.ForceStopQueue()) {
            break;
        }
    }
}

bool CDOBOTEngine::IsStopped() const {
    return m_stopped.load() != 0 || m_lastMoveStopped.load();
}

void CDOBOTEngine::Resume() {
    ClearAlarms();
    m_stopped.store(0);
    m_lastMoveStopped.store(false);
    m_link.ClearQueue();
    m_link.StartQueue();
}

void CDOBOTEngine::ClearAlarms() {
    m_link.ClearAlarms();
}

const ArmOriginRecord* CDOBOTEngine::GetOriginRecord() const {
    return &m_originRecord;
}

} // namespace orv
