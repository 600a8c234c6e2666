#pragma once

// The robot arm's serial link: each request is one packet, answered by one packet. One wrapper per
// command the program uses builds the request, sends it, waits for the answer and reads the answer
// into the caller's values; every wrapper returns false when the exchange or the answer fails.
//
// The link's lock is held for one whole exchange, so that the scan thread and the pose poller of the
// settings page can share one arm without their packets interleaving; it is not held across the wait
// for a queued command, which is a series of exchanges.

#include "engine/scanners/CCommandMessage.h"
#include "platform/serial/CSerialComm.h"
#include "platform/sync/CriticalSection.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace orv {

struct DobotVersion {
    uint8_t major = 0;
    uint8_t minor = 0;
    uint8_t patch = 0;
};

struct DobotPose {
    float x = 0;
    float y = 0;
    float z = 0;
    float r = 0;
    std::array<float, 4> jointAngle{};
};

// x, y, z and r: the homing position.
struct DobotHomingPosition {
    float x = 0;
    float y = 0;
    float z = 0;
    float r = 0;
};

struct DobotEndEffectorOffsets {
    float xBias = 0;
    float yBias = 0;
    float zBias = 0;
};

// Four axes (joints 1-4, or x, y, z and r), velocity and acceleration each: jog and point-to-point
// joint parameters, jog coordinate parameters.
struct DobotAxisParams {
    std::array<float, 4> velocity{};
    std::array<float, 4> acceleration{};
};

struct DobotPtpCoordinateParams {
    float xyzVelocity = 0;
    float rVelocity = 0;
    float xyzAcceleration = 0;
    float rAcceleration = 0;
};

// A velocity and an acceleration: jog common parameters (as ratios), jog and point-to-point rail
// parameters.
struct DobotVelocityAcceleration {
    float velocity = 0;
    float acceleration = 0;
};

struct DobotJumpParams {
    float jumpHeight = 0;
    float zLimit = 0;
};

class CDobotMagician {
public:
    enum CommandId : uint8_t {
        kSerialNumber = 0,
        kDeviceName = 1,
        kVersion = 2,
        kRailFitted = 3,
        kPose = 10,
        kAlarms = 20,
        kHomingPosition = 30,
        kHoming = 31,
        kTriggerMode = 40,
        kTriggerOutputEnable = 41,
        kTriggerOutput = 42,
        kEndEffectorOffsets = 60,
        kJogJointParams = 70,
        kJogCoordinateParams = 71,
        kJogCommonParams = 72,
        kJogRailParams = 74,
        kPtpJointParams = 80,
        kPtpCoordinateParams = 81,
        kPtpJumpParams = 82,
        kPtpMove = 84,
        kPtpRailParams = 85,
        kPtpMoveWithRail = 86,
        kQueueStart = 240,
        kQueueForceStop = 242,
        kQueueClear = 245,
        kQueueCurrentIndex = 246,
    };

    static constexpr uint32_t kWriteTimeoutPerByteMs = 100;
    static constexpr uint32_t kQueuedCommandTimeoutMs = 5000;
    static constexpr std::size_t kAlarmBytes = 64;
    // The receive hunt gives up after this many bytes without a valid packet.
    static constexpr std::size_t kHuntLimit = 1024;
    // An answer must come within this many byte time-outs, however its bytes trickle.
    static constexpr uint32_t kReceiveDeadlineMs = 4 * CSerialComm::kReadByteTimeoutMs;

    CDobotMagician() = default;
    ~CDobotMagician();
    CDobotMagician(const CDobotMagician&) = delete;
    CDobotMagician& operator=(const CDobotMagician&) = delete;

    // 8 data bits, no parity, one stop bit; ready at once.
    bool Open(const std::string& portName, uint32_t speed);
    void Close();
    CSerialComm& GetSerialComm() { return m_serial; }

    // Sends `request` and returns the answer: the first packet received when it has the request's id,
    // else the packet after it, whatever its id. None when the port is not ready, the write fails or
    // no packet comes.
    std::optional<CCommandMessage> SendAndAwait(const CCommandMessage& request);

    bool ReadSerialNumber(std::string& serialNumber);
    bool ReadDeviceName(std::string& name);
    bool ReadVersion(DobotVersion& version);
    bool ReadRailFitted(uint8_t& fitted);
    bool WriteRailFitted(uint8_t fitted);
    bool ReadPose(DobotPose& pose);
    // Copies the alarm state bytes the arm sent (at most kAlarmBytes) into `alarms`, zeroing the rest;
    // `count` tells how many came.
    bool ReadAlarms(std::array<uint8_t, kAlarmBytes>& alarms, std::size_t& count);
    bool ClearAlarms();
    bool WriteHomingPosition(const DobotHomingPosition& position);
    bool StartHoming(uint64_t& queuedIndex);
    bool WriteTriggerMode(uint8_t mode);
    bool WriteTriggerOutputEnable(uint8_t enable);
    bool ReadTriggerOutput(uint8_t& output);
    bool ReadEndEffectorOffsets(DobotEndEffectorOffsets& offsets);
    bool WriteEndEffectorOffsets(const DobotEndEffectorOffsets& offsets);
    bool ReadJogJointParams(DobotAxisParams& params);
    bool WriteJogJointParams(const DobotAxisParams& params);
    bool ReadJogCoordinateParams(DobotAxisParams& params);
    bool WriteJogCoordinateParams(const DobotAxisParams& params);
    bool ReadJogCommonParams(DobotVelocityAcceleration& ratios);
    bool WriteJogCommonParams(const DobotVelocityAcceleration& ratios);
    bool ReadJogRailParams(DobotVelocityAcceleration& params);
    bool WriteJogRailParams(const DobotVelocityAcceleration& params);
    bool ReadPtpJointParams(DobotAxisParams& params);
    bool WritePtpJointParams(const DobotAxisParams& params);
    bool ReadPtpCoordinateParams(DobotPtpCoordinateParams& params);
    bool WritePtpCoordinateParams(const DobotPtpCoordinateParams& params);
    bool ReadPtpJumpParams(DobotJumpParams& params);
    bool WritePtpJumpParams(const DobotJumpParams& params);
    bool ReadPtpRailParams(DobotVelocityAcceleration& params);
    bool WritePtpRailParams(const DobotVelocityAcceleration& params);
    bool QueueMove(uint8_t mode, float x, float y, float z, float r, uint64_t& queuedIndex);
    bool QueueMoveWithRail(uint8_t mode, float x, float y, float z, float r, float rail,
                           uint64_t& queuedIndex);
    bool StartQueue();
    bool ForceStopQueue();
    bool ClearQueue();
    bool ReadQueueIndex(uint64_t& currentIndex);
    // Whether the port is open and not lost: a poll of the queue may go on.
    bool IsLinkUp() const;

    // Polls the queue's current index until it reaches `queuedIndex` or `timeoutMs` passes on the
    // platform clock, pausing 1 ms between polls. Fails at once on a lost port, and on the stop in force
    // on the calling thread (LinkStop).
    bool WaitForQueuedCommand(uint64_t queuedIndex, uint32_t timeoutMs = kQueuedCommandTimeoutMs);

private:
    // The packet hunt (CCommandMessage::Hunt) over the port, a byte time-out per byte, giving up after
    // kHuntLimit bytes, once kReceiveDeadlineMs have passed or within a poll of the stop in force on the
    // calling thread (LinkStop).
    std::optional<CCommandMessage> Receive();

    // One exchange whose answer must carry the request's id and at least `answerBytes` parameters.
    std::optional<CCommandMessage> Exchange(const CCommandMessage& request, std::size_t answerBytes);
    bool WriteOnly(CommandId id, uint8_t ctrl);
    template <std::size_t N> bool ReadFloats(CommandId id, std::array<float, N>& values);
    template <std::size_t N> bool WriteFloats(CommandId id, const std::array<float, N>& values);
    bool ReadText(CommandId id, std::string& text);
    bool ReadByteValue(CommandId id, uint8_t& value);
    bool WriteByteValue(CommandId id, uint8_t value);
    bool ReadQueuedIndex(const CCommandMessage& request, uint64_t& queuedIndex);

    CSerialComm m_serial;
    CriticalSection m_section;
    std::deque<uint8_t> m_carried; // read past the last packet found; under m_section
};

} // namespace orv
