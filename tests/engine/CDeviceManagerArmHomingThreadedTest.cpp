// The probes page's homing through the device manager, with the arm simulator on its
// pseudo-terminal: the question is asked before any lock is taken, and the homing is waited for with
// none held, so the scan thread, a connect and the emergency stop never wait on the arm or a person.

#include "engine/CDeviceManager.h"

#include "engine/scanners/CScannerBot.h"
#include "tests/engine/support/ArmSettingsFixture.h"
#include "tests/engine/support/DobotSimulatorProcess.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/engine/support/LockProbingPrompt.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stop_token>
#include <thread>

namespace orv {
namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

constexpr uint8_t kHomingCommand = 31;
constexpr const char* kUnfinished = "Dobot: the homing did not end.";

class ArmHomingTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_simulator.SetMotionMs(0);
        // The calibration the connect offers is declined: the page's homing is what is tested.
        m_prompt->Script().Script(PromptAnswer::Cancel);
        ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::RobotArm));
        ASSERT_NE(dynamic_cast<CScannerBot*>(m_manager.GetScanner()), nullptr);
        m_askedAtStart = m_prompt->AskedSoFar().size();
        m_log.Clear();
    }

    size_t Homings() {
        size_t count = 0;
        for (const std::vector<uint8_t>& packet : m_simulator.Packets()) {
            count += packet.size() > 4 && packet[3] == kHomingCommand ? 1 : 0;
        }
        return count;
    }
    // Until the simulator has a homing queued beyond `before`; false after the bound.
    bool AwaitHomingQueued(size_t before) {
        const Steady::time_point end = Steady::now() + 10s;
        while (Steady::now() < end) {
            if (Homings() > before) {
                return true;
            }
        }
        return false;
    }
    std::vector<test::LockProbingPrompt::Asked> NewQuestions() const {
        const auto asked = m_prompt->AskedSoFar();
        return {asked.begin() + static_cast<std::ptrdiff_t>(m_askedAtStart), asked.end()};
    }

    test::DobotSimulatorProcess m_simulator;
    test::ArmSettingsFixture m_settings{m_simulator.PortName()};
    test::LogCapture m_log;
    CDeviceManager m_manager;
    std::shared_ptr<test::LockProbingPrompt> m_prompt = std::make_shared<test::LockProbingPrompt>(m_manager);
    ScopedPromptInstall m_install{m_prompt};
    size_t m_askedAtStart = 0;
};

TEST_F(ArmHomingTest, TheQuestionAndTheWaitHoldNoLock) {
    m_simulator.SetMotionMs(1500);
    const size_t before = Homings();
    std::atomic<bool> finished{false};
    bool homed = false;
    std::thread homing([&] {
        homed = m_manager.HomeArm();
        finished.store(true);
    });
    ASSERT_TRUE(AwaitHomingQueued(before));
    {
        // Another thread (the scan thread, a connect) gets the devices while the arm is homing.
        const auto lock = m_manager.LockDevices();
        EXPECT_FALSE(finished.load()) << "the device lock came only once the homing was over";
    }
    homing.join();
    EXPECT_TRUE(homed);
    const auto asked = NewQuestions();
    ASSERT_EQ(asked.size(), 1U);
    EXPECT_EQ(asked[0].caption, "Quorlyn Calibration");
    EXPECT_TRUE(asked[0].devicesFree) << "the question was shown under a lock";
    EXPECT_TRUE(m_log.Has("Dobot homing..."));
    EXPECT_FALSE(m_log.Has(kUnfinished));
}

TEST_F(ArmHomingTest, AStopEndsTheWaitForAHomingAtOnce) {
    // A homing that would outlast the arm queue's time-out.
    m_simulator.SetMotionMs(60000);
    const struct {
        const char* name;
        bool emergency; // the arm's stop (logged as unfinished) rather than the caller's
    } cases[] = {{"the caller's stop", false}, {"the arm's emergency stop", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_log.Clear();
        const size_t before = Homings();
        std::stop_source stop;
        bool homed = false;
        std::thread homing([&] { homed = m_manager.HomeArm(stop.get_token()); });
        ASSERT_TRUE(AwaitHomingQueued(before));
        const Steady::time_point stopped = Steady::now();
        if (c.emergency) {
            EXPECT_TRUE(m_manager.StopArm());
        } else {
            stop.request_stop();
        }
        homing.join();
        EXPECT_LT(Steady::now() - stopped, 2s);
        EXPECT_TRUE(homed);
        EXPECT_EQ(m_log.Has(kUnfinished), c.emergency);
    }
}

TEST_F(ArmHomingTest, DeclinedOrWithdrawnTheQuestionLeavesTheArmAlone) {
    // Answered Cancel.
    m_prompt->Script().Script(PromptAnswer::Cancel);
    const size_t before = Homings();
    EXPECT_TRUE(m_manager.HomeArm());

    // Left open until the page stops its thread.
    m_prompt->Script().ScriptHold();
    std::stop_source stop;
    bool homed = false;
    std::thread homing([&] { homed = m_manager.HomeArm(stop.get_token()); });
    const Steady::time_point end = Steady::now() + 10s;
    while (NewQuestions().size() < 2 && Steady::now() < end) {
        std::this_thread::yield();
    }
    ASSERT_EQ(NewQuestions().size(), 2U);
    stop.request_stop();
    homing.join();
    EXPECT_TRUE(homed);
    EXPECT_EQ(Homings(), before);
    EXPECT_FALSE(m_log.Has("Dobot homing..."));
}

} // namespace
} // namespace orv
