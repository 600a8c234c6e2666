// The frame's teardown against a connection thread that notices its stop late, or never.

#include "app/CConnectionThread.h"
#include "app/CMainFrame.h"
#include "platform/log/InformationLog.h"
#include "support/MainFrameTestEnvironment.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace orv {
namespace {

using namespace std::chrono_literals;

// Devices whose scanner connection blocks until the test lets it go (stop requests unnoticed).
struct BlockingState {
    std::mutex lock;
    std::condition_variable changed;
    bool entered = false;
    bool release = false;
    bool usedAfterFree = false;
    bool gone = false;
};

class BlockingDevices final : public CConnectionDevices {
public:
    explicit BlockingDevices(std::shared_ptr<BlockingState> state) : m_state(std::move(state)) {}
    ~BlockingDevices() override {
        const std::lock_guard guard(m_state->lock);
        m_state->gone = true;
    }
    bool ConnectScanner(eProbeType, std::stop_token) override {
        std::unique_lock lock(m_state->lock);
        m_state->entered = true;
        m_state->changed.notify_all();
        m_state->changed.wait(lock, [this] { return m_state->release; });
        // Uses its own members after the late wake-up: they must still be there.
        m_state->usedAfterFree = m_state->gone;
        return m_answer;
    }
    bool ConnectAnalyzer() override { return false; }
    bool ReleaseAnalyzer() override { return true; }
    std::optional<std::string> GetAnalyzerNetworkHost() const override { return std::nullopt; }

private:
    std::shared_ptr<BlockingState> m_state;
    bool m_answer = false;
};

class MainFrameTeardownTest : public testing::QtWidgetTest {
protected:
    CMainFrame::Options FrameOptions() {
        CMainFrame::Options options;
        options.pipePath = m_environment.PipePath();
        options.makeIcmpPing = false;
        return options;
    }

    testing::MainFrameTestEnvironment m_environment;
};

TEST_F(MainFrameTeardownTest, TeardownWaitsForAThreadThatNoticesItsStopLate) {
    auto state = std::make_shared<BlockingState>();
    CMainFrame frame(FrameOptions());
    ASSERT_TRUE(frame.OnCreate());
    frame.SetConnectionDevices(std::make_unique<BlockingDevices>(state));
    frame.OnTimer(CMainFrame::kTimerFirstLayout);
    {
        std::unique_lock lock(state->lock);
        state->changed.wait(lock, [&] { return state->entered; });
    }
    std::thread late([state] {
        std::this_thread::sleep_for(300ms);
        const std::lock_guard guard(state->lock);
        state->release = true;
        state->changed.notify_all();
    });
    const auto started = std::chrono::steady_clock::now();
    frame.Teardown();
    const auto took = std::chrono::steady_clock::now() - started;
    late.join();
    EXPECT_TRUE(frame.AllThreadsEnded());
    EXPECT_FALSE(state->usedAfterFree);
    EXPECT_TRUE(state->gone);
    EXPECT_GE(took, 250ms);
    EXPECT_LT(took, 4000ms);
}

TEST_F(MainFrameTeardownTest, AThreadThatNeverEndsIsLoggedAndTheTeardownStillEnds) {
    auto state = std::make_shared<BlockingState>();
    CMainFrame frame(FrameOptions());
    ASSERT_TRUE(frame.OnCreate());
    frame.SetConnectionDevices(std::make_unique<BlockingDevices>(state));
    frame.OnTimer(CMainFrame::kTimerFirstLayout);
    CConnectionThread* thread = frame.GetConnectionThread();
    {
        std::unique_lock lock(state->lock);
        state->changed.wait(lock, [&] { return state->entered; });
    }
    const std::string logFile = InformationLog::Instance().GetFilePath();
    const auto started = std::chrono::steady_clock::now();
    frame.Teardown();
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_FALSE(frame.AllThreadsEnded());
    EXPECT_LT(took, 5000ms);
    EXPECT_GE(took, 3900ms);
    // What the thread uses was left alive.
    EXPECT_FALSE(state->gone);
    EXPECT_NE(m_environment.LogText().find("The connection thread did not end in time"), std::string::npos);
    // Let the abandoned thread finish before the test ends; it touches nothing that was freed.
    {
        const std::lock_guard guard(state->lock);
        state->release = true;
        state->changed.notify_all();
    }
    while (!thread->HasEnded()) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(state->usedAfterFree);
}

} // namespace
} // namespace orv
