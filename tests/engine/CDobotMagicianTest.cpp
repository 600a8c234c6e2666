#include "engine/scanners/CDobotMagician.h"
#include "platform/clock/FakeClock.h"
#include "tests/engine/support/ArmPackets.h"
#include "tests/engine/support/DobotSimulatorProcess.h"

#include <functional>
#include <gtest/gtest.h>

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::ArmPacket;
using test::Bytes;
using test::Concat;
using test::DobotSimulatorProcess;
using test::LittleEndianFloats;
using test::LittleEndianUInt32;
using SteadyTime = std::chrono::steady_clock;

constexpr uint8_t kWrite = 1;
constexpr uint8_t kWriteQueued = 3;

class ArmOnSimulator : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_arm.Open(m_simulator.PortName(), 115200)); }

    DobotSimulatorProcess m_simulator;
    CDobotMagician m_arm;
};

TEST_F(ArmOnSimulator, EveryCommandGoesOutByteForByteAndItsAnswerIsRead) {
    std::vector<Bytes> expected;
    const auto sent = [&](Bytes packet) { expected.push_back(std::move(packet)); };

    std::string text;
    ASSERT_TRUE(m_arm.ReadSerialNumber(text));
    EXPECT_EQ(text, "DMSIM0042");
    sent(ArmPacket(0, 0));
    ASSERT_TRUE(m_arm.ReadDeviceName(text));
    EXPECT_EQ(text, "QuorlynSim");
    sent(ArmPacket(1, 0));
    DobotVersion version;
    ASSERT_TRUE(m_arm.ReadVersion(version));
    EXPECT_EQ(version.major * 10000 + version.minor * 100 + version.patch, 30701);
    sent(ArmPacket(2, 0));

    ASSERT_TRUE(m_arm.WriteRailFitted(1));
    sent(ArmPacket(3, kWrite, {1}));
    uint8_t byte = 0;
    ASSERT_TRUE(m_arm.ReadRailFitted(byte));
    EXPECT_EQ(byte, 1);
    sent(ArmPacket(3, 0));

    DobotPose pose;
    ASSERT_TRUE(m_arm.ReadPose(pose));
    EXPECT_EQ(pose.x, 200.0F);
    EXPECT_EQ(pose.z, 50.0F);
    EXPECT_EQ(pose.jointAngle[1], 10.0F);
    EXPECT_EQ(pose.jointAngle[2], 20.0F);
    sent(ArmPacket(10, 0));

    m_simulator.Control("alarm 3 4");
    std::array<uint8_t, CDobotMagician::kAlarmBytes> alarms{};
    alarms.fill(0xEE);
    std::size_t alarmCount = 0;
    ASSERT_TRUE(m_arm.ReadAlarms(alarms, alarmCount));
    EXPECT_EQ(alarmCount, 32U);
    EXPECT_EQ(alarms[3], 4);
    EXPECT_EQ(alarms[63], 0) << "bytes the arm did not send are zero";
    sent(ArmPacket(20, 0));
    ASSERT_TRUE(m_arm.ClearAlarms());
    sent(ArmPacket(20, kWrite));
    ASSERT_TRUE(m_arm.ReadAlarms(alarms, alarmCount));
    EXPECT_EQ(alarms[3], 0);
    sent(ArmPacket(20, 0));

    ASSERT_TRUE(m_arm.WriteHomingPosition({170.5F, -1.0F, 0.0F, 0.0F}));
    sent(ArmPacket(30, kWrite, LittleEndianFloats({170.5F, -1.0F, 0.0F, 0.0F})));
    uint64_t index = 0;
    ASSERT_TRUE(m_arm.StartHoming(index));
    EXPECT_EQ(index, 1U);
    sent(ArmPacket(31, kWriteQueued, LittleEndianUInt32(0)));

    ASSERT_TRUE(m_arm.WriteTriggerMode(0));
    sent(ArmPacket(40, kWrite, {0}));
    ASSERT_TRUE(m_arm.WriteTriggerOutputEnable(1));
    sent(ArmPacket(41, kWrite, {1}));
    m_simulator.Control("trigger 1");
    ASSERT_TRUE(m_arm.ReadTriggerOutput(byte));
    EXPECT_EQ(byte, 1);
    sent(ArmPacket(42, 0));

    // Each parameter set: written, then read back through the arm.
    DobotEndEffectorOffsets offsets{59.7F, 1.25F, -3.5F};
    ASSERT_TRUE(m_arm.WriteEndEffectorOffsets(offsets));
    sent(ArmPacket(60, kWrite, LittleEndianFloats({59.7F, 1.25F, -3.5F})));
    DobotEndEffectorOffsets offsetsBack;
    ASSERT_TRUE(m_arm.ReadEndEffectorOffsets(offsetsBack));
    EXPECT_EQ(offsetsBack.zBias, -3.5F);
    sent(ArmPacket(60, 0));

    const DobotAxisParams axis{{1, 2, 3, 4}, {5, 6, 7, 8}};
    const Bytes axisBytes = LittleEndianFloats({1, 2, 3, 4, 5, 6, 7, 8});
    const std::pair<bool (CDobotMagician::*)(const DobotAxisParams&),
                    bool (CDobotMagician::*)(DobotAxisParams&)>
        axisSets[] = {{&CDobotMagician::WriteJogJointParams, &CDobotMagician::ReadJogJointParams},
                      {&CDobotMagician::WriteJogCoordinateParams, &CDobotMagician::ReadJogCoordinateParams},
                      {&CDobotMagician::WritePtpJointParams, &CDobotMagician::ReadPtpJointParams}};
    const uint8_t axisIds[] = {70, 71, 80};
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE((m_arm.*axisSets[i].first)(axis));
        sent(ArmPacket(axisIds[i], kWrite, axisBytes));
        DobotAxisParams back;
        ASSERT_TRUE((m_arm.*axisSets[i].second)(back));
        EXPECT_EQ(back.velocity, axis.velocity);
        EXPECT_EQ(back.acceleration, axis.acceleration);
        sent(ArmPacket(axisIds[i], 0));
    }

    const DobotVelocityAcceleration pair{12.5F, 37.0F};
    const std::pair<bool (CDobotMagician::*)(const DobotVelocityAcceleration&),
                    bool (CDobotMagician::*)(DobotVelocityAcceleration&)>
        pairSets[] = {{&CDobotMagician::WriteJogCommonParams, &CDobotMagician::ReadJogCommonParams},
                      {&CDobotMagician::WriteJogRailParams, &CDobotMagician::ReadJogRailParams},
                      {&CDobotMagician::WritePtpRailParams, &CDobotMagician::ReadPtpRailParams}};
    const uint8_t pairIds[] = {72, 74, 85};
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE((m_arm.*pairSets[i].first)(pair));
        sent(ArmPacket(pairIds[i], kWrite, LittleEndianFloats({12.5F, 37.0F})));
        DobotVelocityAcceleration back;
        ASSERT_TRUE((m_arm.*pairSets[i].second)(back));
        EXPECT_EQ(back.velocity, 12.5F);
        EXPECT_EQ(back.acceleration, 37.0F);
        sent(ArmPacket(pairIds[i], 0));
    }

    ASSERT_TRUE(m_arm.WritePtpCoordinateParams({100, 90, 80, 70}));
    sent(ArmPacket(81, kWrite, LittleEndianFloats({100, 90, 80, 70})));
    DobotPtpCoordinateParams coordinates;
    ASSERT_TRUE(m_arm.ReadPtpCoordinateParams(coordinates));
    EXPECT_EQ(coordinates.rAcceleration, 70.0F);
    sent(ArmPacket(81, 0));
    ASSERT_TRUE(m_arm.WritePtpJumpParams({20, 110}));
    sent(ArmPacket(82, kWrite, LittleEndianFloats({20, 110})));
    DobotJumpParams jump;
    ASSERT_TRUE(m_arm.ReadPtpJumpParams(jump));
    EXPECT_EQ(jump.zLimit, 110.0F);
    sent(ArmPacket(82, 0));

    ASSERT_TRUE(m_arm.QueueMove(1, 10.5F, -20.25F, -60.0F, 0.0F, index));
    EXPECT_EQ(index, 2U);
    sent(ArmPacket(84, kWriteQueued, Concat({{1}, LittleEndianFloats({10.5F, -20.25F, -60.0F, 0.0F})})));
    ASSERT_TRUE(m_arm.QueueMoveWithRail(1, 64.0F, 7.5F, -20.0F, 0.0F, 300.0F, index));
    EXPECT_EQ(index, 3U);
    sent(ArmPacket(86, kWriteQueued, Concat({{1}, LittleEndianFloats({64.0F, 7.5F, -20.0F, 0.0F, 300.0F})})));

    ASSERT_TRUE(m_arm.ForceStopQueue());
    sent(ArmPacket(242, kWrite));
    ASSERT_TRUE(m_arm.ClearQueue());
    sent(ArmPacket(245, kWrite));
    ASSERT_TRUE(m_arm.StartQueue());
    sent(ArmPacket(240, kWrite));
    ASSERT_TRUE(m_arm.ReadQueueIndex(index));
    EXPECT_EQ(index, 3U) << "a cleared queue stands at its last index";
    sent(ArmPacket(246, 0));

    EXPECT_EQ(m_simulator.Packets(), expected);
    EXPECT_EQ(m_simulator.Junk(), 0U);
}

// Each case runs on a simulator of its own: a spoilt answer may leave bytes behind.
TEST(ArmReceiveHunt, FindsTheAnswerBehindNoiseAndFalseStartsAndFailsOnForeignOrShortAnswers) {
    struct Case {
        const char* fault;
        bool answered;
    };
    const Case cases[] = {
        {"raw 0102030405FF00", true}, // noise before the header
        {"raw AA", true},             // a lone header byte
        {"raw AAAAAB", true},         // a length of 0xAA or more
        {"raw AAAA01", true},         // a length below 2
        {"raw AAAA0503", true},       // a false start that would swallow the real header
        {"bad-checksum", true},       // a spoilt copy first
        {"foreign", true},            // another id, skipped once
        {"noise 2000", false},        // no packet within the hunt's limit
        {"foreign2", false},          // two other ids: not read as the answer
        {"short", false},             // one parameter byte short
        {"silence", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        DobotSimulatorProcess simulator;
        CDobotMagician arm;
        ASSERT_TRUE(arm.Open(simulator.PortName(), 115200));
        simulator.Fault(c.fault);
        DobotPose pose;
        const auto start = SteadyTime::now();
        EXPECT_EQ(arm.ReadPose(pose), c.answered);
        EXPECT_LT(SteadyTime::now() - start, 5s);
        if (c.answered) {
            EXPECT_EQ(pose.x, 200.0F);
            EXPECT_EQ(pose.jointAngle[3], 0.0F);
        }
    }
}

TEST_F(ArmOnSimulator, AnAnswerWithTooFewBytesForItsReaderFails) {
    m_simulator.Fault("short");
    uint64_t index = 0;
    EXPECT_FALSE(m_arm.ReadQueueIndex(index));
    m_simulator.Fault("short");
    DobotVersion version;
    EXPECT_FALSE(m_arm.ReadVersion(version));
}

TEST_F(ArmOnSimulator, QueuedWaitReachesItsIndex) {
    FakeClock clock;
    ScopedClockInstall install(clock);
    m_simulator.SetMotionMs(20);
    uint64_t first = 0;
    uint64_t second = 0;
    ASSERT_TRUE(m_arm.QueueMove(1, 150, 10, 20, 0, first));
    ASSERT_TRUE(m_arm.QueueMove(1, 160, 10, 20, 0, second));
    EXPECT_EQ(second, first + 1);
    ASSERT_TRUE(m_arm.WaitForQueuedCommand(second));
    EXPECT_LT(clock.TotalPaused(), 5000ms);
    for (const Clock::Duration pause : clock.Pauses()) {
        EXPECT_EQ(pause, 1ms);
    }
    DobotPose pose;
    ASSERT_TRUE(m_arm.ReadPose(pose));
    EXPECT_EQ(pose.x, 160.0F) << "the pose is the last move's";
}

TEST_F(ArmOnSimulator, QueuedWaitTimesOutAfterFiveSecondsOnTheClock) {
    FakeClock clock;
    ScopedClockInstall install(clock);
    ASSERT_TRUE(m_arm.ForceStopQueue());
    uint64_t index = 0;
    ASSERT_TRUE(m_arm.QueueMove(1, 150, 10, 20, 0, index));
    m_simulator.ClearRecord();
    const auto start = clock.Now();
    EXPECT_FALSE(m_arm.WaitForQueuedCommand(index));
    EXPECT_EQ(clock.Now() - start, 5000ms);
    const std::size_t polls = m_simulator.Packets().size();
    EXPECT_EQ(polls, clock.Pauses().size() + 1) << "one poll of id 246 per pause, and the last one";
}

TEST_F(ArmOnSimulator, ALostPortEndsTheQueuedWaitAndEveryCommandAtOnce) {
    FakeClock clock;
    ScopedClockInstall install(clock);
    ASSERT_TRUE(m_arm.ForceStopQueue());
    uint64_t index = 0;
    ASSERT_TRUE(m_arm.QueueMove(1, 150, 10, 20, 0, index));
    m_simulator.Fault("hangup");
    const auto start = SteadyTime::now();
    EXPECT_FALSE(m_arm.WaitForQueuedCommand(index));
    EXPECT_TRUE(m_arm.GetSerialComm().IsLost());
    EXPECT_LT(clock.TotalPaused(), 100ms);
    DobotPose pose;
    EXPECT_FALSE(m_arm.ReadPose(pose));
    EXPECT_LT(SteadyTime::now() - start, 5s);
}

TEST_F(ArmOnSimulator, NothingIsSentOnAClosedLink) {
    m_arm.Close();
    DobotPose pose;
    EXPECT_FALSE(m_arm.ReadPose(pose));
    EXPECT_FALSE(m_arm.SendAndAwait(CCommandMessage(10, 0)).has_value());
    EXPECT_FALSE(m_arm.WaitForQueuedCommand(1));
    EXPECT_TRUE(m_simulator.Packets().empty());
}

} // namespace
} // namespace orv
