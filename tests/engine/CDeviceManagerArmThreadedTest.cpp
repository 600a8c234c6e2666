#include "engine/CDeviceManager.h"

#include "engine/scanners/CScannerBot.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/engine/support/ArmSettingsFixture.h"
#include "tests/engine/support/DobotSimulatorProcess.h"
#include "tests/engine/support/EngineLinkFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>

namespace orv {
namespace {

class CDeviceManagerArmThreadedTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_simulator.SetMotionMs(0);
        ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::RobotArm));
        ASSERT_NE(dynamic_cast<CScannerBot*>(m_manager.GetScanner()), nullptr);
    }

    // Whether the simulator has received a queued move to `x`.
    bool MoveQueuedTo(float x) {
        for (const std::vector<uint8_t>& packet : m_simulator.Packets()) {
            float value = 0;
            if (packet[3] == 84 && packet.size() >= 10) {
                std::memcpy(&value, packet.data() + 6, sizeof value);
                if (value == x) {
                    return true;
                }
            }
        }
        return false;
    }

    test::DobotSimulatorProcess m_simulator;
    test::ArmSettingsFixture m_settings{m_simulator.PortName()};
    ScopedPromptInstall m_promptInstall{std::make_shared<ScriptedPrompt>(PromptAnswer::Cancel)};
    test::LogCapture m_log;
    CDeviceManager m_manager;
};

TEST_F(CDeviceManagerArmThreadedTest, TheEmergencyStopReachesTheArmInTheMiddleOfAMove) {
    // The move never ends by itself: only the stop can end the wait.
    m_simulator.SetMotionMs(1000000);
    m_manager.SetScanRunning(true);
    auto switched = std::async(std::launch::async, [this] { return m_manager.SwitchToCell(6, 9); });
    const float targetX = 6 * 7.5F + 3.75F + 64.0F;
    for (int look = 0; look < 100000 && !MoveQueuedTo(targetX); ++look) {
    }
    ASSERT_TRUE(MoveQueuedTo(targetX));
    ASSERT_TRUE(m_manager.StopArm());
    EXPECT_FALSE(switched.get()) << "the probe never reached the cell";
    EXPECT_FALSE(m_manager.GetScanner()->IsReconnectNeeded());
    m_manager.SetScanRunning(false);

    // The moves from outside are refused while another thread holds the devices.
    m_simulator.SetMotionMs(0);
    std::promise<void> held;
    std::promise<void> release;
    std::thread holder([&] {
        const auto lock = m_manager.LockDevices();
        held.set_value();
        release.get_future().wait();
    });
    held.get_future().wait();
    EXPECT_FALSE(m_manager.MoveArmTo(200.0F, 0.0F, 40.0F, 0.0F));
    EXPECT_TRUE(m_log.Has("Moving the arm refused: the devices are busy."));
    float x = 0;
    float y = 0;
    float z = 0;
    float r = 0;
    EXPECT_TRUE(m_manager.GetArmPose(x, y, z, r)) << "the pose needs only the link";
    release.set_value();
    holder.join();
    EXPECT_TRUE(m_manager.MoveArmTo(200.0F, 0.0F, 40.0F, 0.0F));
}

TEST_F(CDeviceManagerArmThreadedTest, APosePollerMeetsMovesReconnectsAndAReplacedScannerWithWholePackets) {
    std::atomic<bool> polling{true};
    std::atomic<int> poses{0};
    std::thread poller([&] {
        while (polling.load()) {
            float x = 0;
            float y = 0;
            float z = 0;
            float r = 0;
            if (m_manager.GetArmPose(x, y, z, r)) {
                ++poses;
                poses.notify_all();
            }
            uint16_t row = 0;
            uint16_t column = 0;
            m_manager.GetCellAtPosition(x, y, row, column);
        }
    });
    poses.wait(0);
    for (int cell = 0; cell < 10; ++cell) {
        EXPECT_TRUE(m_manager.SwitchToCell(static_cast<uint16_t>(cell), static_cast<uint16_t>(cell + 1)));
    }
    // An alarm fails a move; the reconnect before the next command reopens the link under the poller.
    m_simulator.Control("movealarm 1 1");
    EXPECT_FALSE(m_manager.SwitchToCell(12, 12));
    ASSERT_TRUE(m_manager.GetScanner()->IsReconnectNeeded());
    m_manager.ReconnectScannerIfNeeded();
    EXPECT_FALSE(m_manager.GetScanner()->IsReconnectNeeded());
    EXPECT_TRUE(m_manager.SwitchToCell(13, 13)) << ::testing::PrintToString(m_log.Lines());
    // Replaced twice while the poller runs: the driver it uses is never freed under it.
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::RobotArm));
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::RobotArm));
    EXPECT_TRUE(m_manager.SwitchToCell(14, 14));
    polling.store(false);
    poller.join();
    EXPECT_GT(poses.load(), 0);
    EXPECT_EQ(m_simulator.Junk(), 0U);
}

TEST_F(CDeviceManagerArmThreadedTest, TheStopReachesTheArmAtOnceWhileTheDevicesAreHeldAndTheScannerReplaced) {
    std::promise<void> held;
    std::promise<void> release;
    std::thread holder([&] {
        const auto devices = m_manager.LockDevices();
        held.set_value();
        release.get_future().wait();
    });
    held.get_future().wait();
    // A connect waits for the devices, then replaces the arm while the stops go on.
    auto replaced =
        std::async(std::launch::async, [this] { return m_manager.ConnectScanner(eProbeType::RobotArm); });
    m_simulator.ClearRecord();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(m_manager.StopArm());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    const std::vector<std::vector<uint8_t>> packets = m_simulator.Packets();
    ASSERT_FALSE(packets.empty());
    EXPECT_EQ(packets[0][3], 242) << "the queue's force stop";
    release.set_value();
    holder.join();
    while (replaced.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        m_manager.StopArm();
    }
    EXPECT_TRUE(replaced.get());
    EXPECT_TRUE(m_manager.StopArm());
    EXPECT_EQ(m_simulator.Junk(), 0U);
}

} // namespace
} // namespace orv
