#include "engine/scanners/CDobotMagician.h"

#include "engine/scanners/LinkStop.h"
#include "platform/clock/Clock.h"

#include <algorithm>
#include <chrono>

namespace orv {

namespace {

constexpr uint8_t kRead = 0;
constexpr uint8_t kWrite = CCommandMessage::kCtrlWrite;
constexpr uint8_t kWriteQueued = CCommandMessage::kCtrlWrite | CCommandMessage::kCtrlQueued;

template <std::size_t N> std::array<float, N> Floats(std::initializer_list<float> values) {
    std::array<float, N> out{};
    std::copy_n(values.begin(), std::min(N, values.size()), out.begin());
    return out;
}

std::array<float, 8> AxisFloats(const DobotAxisParams& params) {
    std::array<float, 8> out{};
    std::copy(params.velocity.begin(), params.velocity.end(), out.begin());
    std::copy(params.acceleration.begin(), params.acceleration.end(), out.begin() + 4);
    return out;
}

void FromAxisFloats(const std::array<float, 8>& values, DobotAxisParams& params) {
    std::copy_n(values.begin(), 4, params.velocity.begin());
    std::copy_n(values.begin() + 4, 4, params.acceleration.begin());
}

} // namespace

CDobotMagician::~CDobotMagician() {
    Close();
}

bool CDobotMagician::Open(const std::string& portName, uint32_t speed) {
    CriticalSectionGuard guard(m_section);
    m_carried.clear();
    if (!m_serial.Open(portName, speed, 0, 1, 8)) {
        return false;
    }
    m_serial.SetState(CSerialComm::kStateReady);
    return true;
}

void CDobotMagician::Close() {
    // Not under the link's lock: closing wakes an exchange that waits for its answer.
    m_serial.Close();
    CriticalSectionGuard guard(m_section);
    m_carried.clear();
}

std::optional<CCommandMessage> CDobotMagician::Receive() {
    return CCommandMessage::Hunt(
        [this](uint8_t& byte) {
            return LinkStop::ReadSerial(m_serial, &byte, 1, CSerialComm::kReadByteTimeoutMs);
        },
        kHuntLimit, m_carried, kReceiveDeadlineMs);
}

std::optional<CCommandMessage> CDobotMagician::SendAndAwait(const CCommandMessage& request) {
    CriticalSectionGuard guard(m_section);
    if (m_serial.GetState() != CSerialComm::kStateReady) {
        return std::nullopt;
    }
    const std::vector<uint8_t> bytes = request.Serialize();
    const auto count = static_cast<uint32_t>(bytes.size());
    uint32_t written = 0;
    if (!m_serial.Write(bytes.data(), count, written, count * kWriteTimeoutPerByteMs)) {
        return std::nullopt;
    }
    std::optional<CCommandMessage> reply = Receive();
    if (!reply || reply->GetId() == request.GetId()) {
        return reply;
    }
    return Receive();
}

std::optional<CCommandMessage> CDobotMagician::Exchange(const CCommandMessage& request,
                                                        std::size_t answerBytes) {
    std::optional<CCommandMessage> reply = SendAndAwait(request);
    // The packet after a foreign one is taken whatever its id; when that id is foreign too, its bytes
    // answer another command and must not be read as this one's answer.
    if (!reply || reply->GetId() != request.GetId() || reply->GetParameters().size() < answerBytes) {
        return std::nullopt;
    }
    return reply;
}

bool CDobotMagician::WriteOnly(CommandId id, uint8_t ctrl) {
    return Exchange(CCommandMessage(id, ctrl), 0).has_value();
}

template <std::size_t N> bool CDobotMagician::ReadFloats(CommandId id, std::array<float, N>& values) {
    const auto reply = Exchange(CCommandMessage(id, kRead), N * sizeof(float));
    if (!reply) {
        return false;
    }
    CommandParameterReader reader(*reply);
    for (float& value : values) {
        reader.ReadFloat(value);
    }
    return true;
}

template <std::size_t N> bool CDobotMagician::WriteFloats(CommandId id, const std::array<float, N>& values) {
    CCommandMessage request(id, kWrite);
    for (const float value : values) {
        request.AddFloat(value);
    }
    return Exchange(request, 0).has_value();
}

bool CDobotMagician::ReadText(CommandId id, std::string& text) {
    const auto reply = Exchange(CCommandMessage(id, kRead), 0);
    if (!reply) {
        return false;
    }
    CommandParameterReader reader(*reply);
    text = reader.ReadRemainingText();
    return true;
}

bool CDobotMagician::ReadByteValue(CommandId id, uint8_t& value) {
    const auto reply = Exchange(CCommandMessage(id, kRead), 1);
    if (!reply) {
        return false;
    }
    value = reply->GetParameters()[0];
    return true;
}

bool CDobotMagician::WriteByteValue(CommandId id, uint8_t value) {
    CCommandMessage request(id, kWrite);
    request.AddUInt8(value);
    return Exchange(request, 0).has_value();
}

bool CDobotMagician::ReadQueuedIndex(const CCommandMessage& request, uint64_t& queuedIndex) {
    const auto reply = Exchange(request, sizeof(uint64_t));
    if (!reply) {
        return false;
    }
    CommandParameterReader reader(*reply);
    return reader.ReadUInt64(queuedIndex);
}

bool CDobotMagician::ReadSerialNumber(std::string& serialNumber) {
    return ReadText(kSerialNumber, serialNumber);
}

bool CDobotMagician::ReadDeviceName(std::string& name) {
    return ReadText(kDeviceName, name);
}

bool CDobotMagician::ReadVersion(DobotVersion& version) {
    const auto reply = Exchange(CCommandMessage(kVersion, kRead), 3);
    if (!reply) {
        return false;
    }
    const std::vector<uint8_t>& bytes = reply->GetParameters();
    version = DobotVersion{bytes[0], bytes[1], bytes[2]};
    return true;
}

bool CDobotMagician::ReadRailFitted(uint8_t& fitted) {
    return ReadByteValue(kRailFitted, fitted);
}

bool CDobotMagician::WriteRailFitted(uint8_t fitted) {
    return WriteByteValue(kRailFitted, fitted);
}

bool CDobotMagician::ReadPose(DobotPose& pose) {
    std::array<float, 8> values{};
    if (!ReadFloats(kPose, values)) {
        return false;
    }
    pose.x = values[0];
    pose.y = values[1];
    pose.z = values[2];
    pose.r = values[3];
    std::copy_n(values.begin() + 4, 4, pose.jointAngle.begin());
    return true;
}

bool CDobotMagician::ReadAlarms(std::array<uint8_t, kAlarmBytes>& alarms, std::size_t& count) {
    const auto reply = Exchange(CCommandMessage(kAlarms, kRead), 0);
    if (!reply) {
        return false;
    }
    const std::vector<uint8_t>& bytes = reply->GetParameters();
    count = std::min(bytes.size(), kAlarmBytes);
    alarms.fill(0);
    std::copy_n(bytes.begin(), count, alarms.begin());
    return true;
}

bool CDobotMagician::ClearAlarms() {
    return WriteOnly(kAlarms, kWrite);
}

bool CDobotMagician::WriteHomingPosition(const DobotHomingPosition& position) {
    return WriteFloats(kHomingPosition, Floats<4>({position.x, position.y, position.z, position.r}));
}

bool CDobotMagician::StartHoming(uint64_t& queuedIndex) {
    CCommandMessage request(kHoming, kWriteQueued);
    request.AddUInt32(0);
    return ReadQueuedIndex(request, queuedIndex);
}

bool CDobotMagician::WriteTriggerMode(uint8_t mode) {
    return WriteByteValue(kTriggerMode, mode);
}

bool CDobotMagician::WriteTriggerOutputEnable(uint8_t enable) {
    return WriteByteValue(kTriggerOutputEnable, enable);
}

bool CDobotMagician::ReadTriggerOutput(uint8_t& output) {
    return ReadByteValue(kTriggerOutput, output);
}

bool CDobotMagician::ReadEndEffectorOffsets(DobotEndEffectorOffsets& offsets) {
    std::array<float, 3> values{};
    if (!ReadFloats(kEndEffectorOffsets, values)) {
        return false;
    }
    offsets = DobotEndEffectorOffsets{values[0], values[1], values[2]};
    return true;
}

bool CDobotMagician::WriteEndEffectorOffsets(const DobotEndEffectorOffsets& offsets) {
    return WriteFloats(kEndEffectorOffsets, Floats<3>({offsets.xBias, offsets.yBias, offsets.zBias}));
}

namespace {

bool ReadAxis(bool ok, const std::array<float, 8>& values, DobotAxisParams& params) {
    if (ok) {
        FromAxisFloats(values, params);
    }
    return ok;
}

} // namespace

bool CDobotMagician::ReadJogJointParams(DobotAxisParams& params) {
    std::array<float, 8> values{};
    return ReadAxis(ReadFloats(kJogJointParams, values), values, params);
}

bool CDobotMagician::WriteJogJointParams(const DobotAxisParams& params) {
    return WriteFloats(kJogJointParams, AxisFloats(params));
}

bool CDobotMagician::ReadJogCoordinateParams(DobotAxisParams& params) {
    std::array<float, 8> values{};
    return ReadAxis(ReadFloats(kJogCoordinateParams, values), values, params);
}

bool CDobotMagician::WriteJogCoordinateParams(const DobotAxisParams& params) {
    return WriteFloats(kJogCoordinateParams, AxisFloats(params));
}

bool CDobotMagician::ReadPtpJointParams(DobotAxisParams& params) {
    std::array<float, 8> values{};
    return ReadAxis(ReadFloats(kPtpJointParams, values), values, params);
}

bool CDobotMagician::WritePtpJointParams(const DobotAxisParams& params) {
    return WriteFloats(kPtpJointParams, AxisFloats(params));
}

namespace {

bool ReadPair(bool ok, const std::array<float, 2>& values, float& first, float& second) {
    if (ok) {
        first = values[0];
        second = values[1];
    }
    return ok;
}

} // namespace

bool CDobotMagician::ReadJogCommonParams(DobotVelocityAcceleration& ratios) {
    std::array<float, 2> values{};
    return ReadPair(ReadFloats(kJogCommonParams, values), values, ratios.velocity, ratios.acceleration);
}

bool CDobotMagician::WriteJogCommonParams(const DobotVelocityAcceleration& ratios) {
    return WriteFloats(kJogCommonParams, Floats<2>({ratios.velocity, ratios.acceleration}));
}

bool CDobotMagician::ReadJogRailParams(DobotVelocityAcceleration& params) {
    std::array<float, 2> values{};
    return ReadPair(ReadFloats(kJogRailParams, values), values, params.velocity, params.acceleration);
}

bool CDobotMagician::WriteJogRailParams(const DobotVelocityAcceleration& params) {
    return WriteFloats(kJogRailParams, Floats<2>({params.velocity, params.acceleration}));
}

bool CDobotMagician::ReadPtpCoordinateParams(DobotPtpCoordinateParams& params) {
    std::array<float, 4> values{};
    if (!ReadFloats(kPtpCoordinateParams, values)) {
        return false;
    }
    params = DobotPtpCoordinateParams{values[0], values[1], values[2], values[3]};
    return true;
}

bool CDobotMagician::WritePtpCoordinateParams(const DobotPtpCoordinateParams& params) {
    return WriteFloats(kPtpCoordinateParams, Floats<4>({params.xyzVelocity, params.rVelocity,
                                                        params.xyzAcceleration, params.rAcceleration}));
}

bool CDobotMagician::ReadPtpJumpParams(DobotJumpParams& params) {
    std::array<float, 2> values{};
    return ReadPair(ReadFloats(kPtpJumpParams, values), values, params.jumpHeight, params.zLimit);
}

bool CDobotMagician::WritePtpJumpParams(const DobotJumpParams& params) {
    return WriteFloats(kPtpJumpParams, Floats<2>({params.jumpHeight, params.zLimit}));
}

bool CDobotMagician::ReadPtpRailParams(DobotVelocityAcceleration& params) {
    std::array<float, 2> values{};
    return ReadPair(ReadFloats(kPtpRailParams, values), values, params.velocity, params.acceleration);
}

bool CDobotMagician::WritePtpRailParams(const DobotVelocityAcceleration& params) {
    return WriteFloats(kPtpRailParams, Floats<2>({params.velocity, params.acceleration}));
}

bool CDobotMagician::QueueMove(uint8_t mode, float x, float y, float z, float r, uint64_t& queuedIndex) {
    CCommandMessage request(kPtpMove, kWriteQueued);
    request.AddUInt8(mode);
    for (const float value : {x, y, z, r}) {
        request.AddFloat(value);
    }
    return ReadQueuedIndex(request, queuedIndex);
}

bool CDobotMagician::QueueMoveWithRail(uint8_t mode, float x, float y, float z, float r, float rail,
                                       uint64_t& queuedIndex) {
    CCommandMessage request(kPtpMoveWithRail, kWriteQueued);
    request.AddUInt8(mode);
    for (const float value : {x, y, z, r, rail}) {
        request.AddFloat(value);
    }
    return ReadQueuedIndex(request, queuedIndex);
}

bool CDobotMagician::StartQueue() {
    return WriteOnly(kQueueStart, kWrite);
}

bool CDobotMagician::ForceStopQueue() {
    return WriteOnly(kQueueForceStop, kWrite);
}

bool CDobotMagician::ClearQueue() {
    return WriteOnly(kQueueClear, kWrite);
}

bool CDobotMagician::ReadQueueIndex(uint64_t& currentIndex) {
    return ReadQueuedIndex(CCommandMessage(kQueueCurrentIndex, kRead), currentIndex);
}

bool CDobotMagician::IsLinkUp() const {
    return m_serial.GetState() == CSerialComm::kStateReady && !m_serial.IsLost();
}

bool CDobotMagician::WaitForQueuedCommand(uint64_t queuedIndex, uint32_t timeoutMs) {
    const Clock::TimePoint start = ClockNow();
    for (;;) {
        uint64_t current = 0;
        if (ReadQueueIndex(current) && current >= queuedIndex) {
            return true;
        }
        if (!IsLinkUp() || LinkStop::Requested() ||
            ElapsedMilliseconds(start) >= static_cast<int64_t>(timeoutMs)) {
            return false;
        }
        ClockSleep(std::chrono::milliseconds(1));
    }
}

} // namespace orv
