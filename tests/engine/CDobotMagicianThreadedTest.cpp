#include "engine/scanners/CDobotMagician.h"
#include "tests/engine/support/DobotSimulatorProcess.h"

#include <gtest/gtest.h>
#include <thread>

namespace orv {
namespace {

// The scan thread moves the arm while the settings page polls its pose through the same link.
TEST(CDobotMagicianShared, MovesAndPosePollsFromTwoThreadsNeverInterleave) {
    test::DobotSimulatorProcess simulator;
    simulator.SetMotionMs(0);
    CDobotMagician arm;
    ASSERT_TRUE(arm.Open(simulator.PortName(), 115200));
    constexpr int kRounds = 150;

    int moveFailures = 0;
    int outOfOrder = 0;
    std::jthread mover([&] {
        uint64_t previous = 0;
        for (int i = 0; i < kRounds; ++i) {
            uint64_t index = 0;
            if (!arm.QueueMove(1, 100.0F + static_cast<float>(i), 5.0F, 10.0F, 0.0F, index)) {
                ++moveFailures;
                continue;
            }
            outOfOrder += index == previous + 1 ? 0 : 1;
            previous = index;
        }
    });
    int poseFailures = 0;
    int strangePoses = 0;
    std::jthread poller([&] {
        for (int i = 0; i < kRounds; ++i) {
            DobotPose pose;
            if (!arm.ReadPose(pose)) {
                ++poseFailures;
                continue;
            }
            const bool known = pose.x == 200.0F || (pose.x >= 100.0F && pose.x < 100.0F + kRounds);
            strangePoses += known && pose.y != 1.0F ? 0 : 1;
        }
    });
    mover.join();
    poller.join();
    EXPECT_EQ(moveFailures, 0);
    EXPECT_EQ(outOfOrder, 0) << "every index reached the thread that queued the move";
    EXPECT_EQ(poseFailures, 0);
    EXPECT_EQ(strangePoses, 0);
    EXPECT_EQ(simulator.Junk(), 0U) << "the arm received whole packets only";
    EXPECT_EQ(simulator.Packets().size(), 2U * kRounds);
}

} // namespace
} // namespace orv
