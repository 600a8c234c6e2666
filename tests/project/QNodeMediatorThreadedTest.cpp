#include "platform/sync/Event.h"
#include "project/QScanThread.h"
#include "tests/project/support/MediatorFakes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace orv::test {
namespace {

constexpr uint32_t kNewScan = 33188;

// A mediator whose new-scan notification is posted to a target on the test's (user-interface)
// thread, as the fundamental kind posts to its hidden window.
class ThreadedMediator : public TestMediator {
public:
    explicit ThreadedMediator(MessageThread& uiThread) : TestMediator(2003), ui(uiThread) {}
    // The worker posts through this object: it is joined before any member goes.
    ~ThreadedMediator() override { StopScanThread(); }

    void PostNotification(uint16_t kind) override { ui.Post(kNewScan, kind); }

    RecordingTarget ui;
};

// The scan-data worker as the comm side will make it: it wakes on its event, touches the node's
// container under the lock and only posts to the user-interface thread.
class TestScanWorker : public QScanThread {
public:
    TestScanWorker(QNodeMediator& mediator, std::atomic<int>& running)
        : m_mediator(mediator), m_running(running) {}
    ~TestScanWorker() override {
        m_thread.request_stop();
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

    bool Start() override {
        m_thread = std::jthread([this](std::stop_token stop) { Run(stop); });
        return true;
    }
    void SignalEvent() override {
        m_pending.store(false);
        m_event.Set();
    }

private:
    void Run(std::stop_token stop) {
        m_running.fetch_add(1);
        while (m_event.Wait(stop)) {
            m_mediator.LockScanContainer();
            m_mediator.UnlockScanContainer();
            m_mediator.PostNotification(m_mediator.GetKind());
        }
        m_running.fetch_sub(1);
    }

    QNodeMediator& m_mediator;
    std::atomic<int>& m_running;
    Event m_event{Event::Reset::Auto};
    std::atomic<bool> m_pending{true};
    std::jthread m_thread;
};

class TestScanHost : public QScanThreadHost {
public:
    Event& GetScanEvent() override { return scanEvent; }
    std::unique_ptr<QScanThread> CreateScanThread(int32_t value, Event& event, int64_t argument,
                                                  QNodeMediator& mediator) override {
        ++created;
        lastValue = value;
        lastArgument = argument;
        sameEvent = &event == &scanEvent;
        return std::make_unique<TestScanWorker>(mediator, running);
    }

    Event scanEvent{Event::Reset::Manual, true};
    int created = 0;
    int32_t lastValue = 0;
    int64_t lastArgument = 0;
    bool sameEvent = false;
    std::atomic<int> running{0};
};

// Pumps until the target has received `count` messages (a generous bound keeps a broken worker from
// hanging the run).
bool PumpUntil(MessageThread& thread, const RecordingTarget& target, size_t count) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (target.received.size() < count) {
        if (std::chrono::steady_clock::now() > give_up) {
            return false;
        }
        thread.PumpFor(std::chrono::milliseconds(50));
    }
    return true;
}

TEST(ScanThreadTest, StartingTwiceMakesOneWorkerAndResetsTheEvent) {
    MessageThread ui;
    TestScanHost host;
    ThreadedMediator mediator(ui);
    ASSERT_TRUE(mediator.StartScanThread(host, 42));
    EXPECT_FALSE(host.scanEvent.IsSet());
    EXPECT_EQ(QNodeMediator::GetScanningMediator(), &mediator);
    host.scanEvent.Set();
    ASSERT_TRUE(mediator.StartScanThread(host, 43));
    EXPECT_FALSE(host.scanEvent.IsSet());
    EXPECT_EQ(host.created, 1);
    EXPECT_EQ(host.lastValue, 1);
    EXPECT_EQ(host.lastArgument, 42);
    EXPECT_TRUE(host.sameEvent);

    mediator.SignalEvent();
    ASSERT_TRUE(PumpUntil(ui, mediator.ui, 1));
    EXPECT_EQ(mediator.ui.received[0].wParam, 2003U);

    mediator.StopWorker();
    EXPECT_FALSE(mediator.HasScanThread());
    EXPECT_EQ(host.running.load(), 0);
    EXPECT_EQ(QNodeMediator::GetScanningMediator(), nullptr);
    EXPECT_EQ(QNodeMediator::GetPreviousScanningMediator(), &mediator);
}

TEST(ScanThreadTest, StartAndStopManyTimesWhileAnotherThreadSignals) {
    MessageThread ui;
    TestScanHost host;
    ThreadedMediator mediator(ui);
    std::atomic<bool> signalling{true};
    // The comm layer's data thread signals the scanning mediator whenever records arrive.
    std::thread data([&] {
        while (signalling.load()) {
            mediator.SignalEvent();
            std::this_thread::yield();
        }
    });
    for (int run = 0; run < 200; ++run) {
        ASSERT_TRUE(mediator.StartScanThread(host, run));
        const size_t before = mediator.ui.received.size();
        mediator.SignalEvent();
        ASSERT_TRUE(PumpUntil(ui, mediator.ui, before + 1));
        mediator.StopWorker();
        ASSERT_FALSE(mediator.HasScanThread());
    }
    signalling.store(false);
    data.join();
    EXPECT_EQ(host.created, 200);
    EXPECT_EQ(host.running.load(), 0);
    ui.Pump();
}

TEST(ScanThreadTest, DestroyingTheMediatorStopsItsRunningWorker) {
    MessageThread ui;
    TestScanHost host;
    for (int run = 0; run < 100; ++run) {
        auto mediator = std::make_unique<ThreadedMediator>(ui);
        ASSERT_TRUE(mediator->StartScanThread(host, run));
        for (int i = 0; i < 5; ++i) {
            mediator->SignalEvent();
        }
        mediator.reset();
        EXPECT_EQ(host.running.load(), 0);
        EXPECT_EQ(QNodeMediator::GetScanningMediator(), nullptr);
        EXPECT_EQ(QNodeMediator::GetPreviousScanningMediator(), nullptr);
        // Whatever the worker posted went with its target.
        EXPECT_EQ(ui.Pump(), 0U);
    }
}

TEST(ScanThreadTest, AFailedStartLeavesNoWorker) {
    class FailingHost : public TestScanHost {
    public:
        std::unique_ptr<QScanThread> CreateScanThread(int32_t, Event&, int64_t, QNodeMediator&) override {
            return nullptr;
        }
    };
    MessageThread ui;
    FailingHost host;
    ThreadedMediator mediator(ui);
    EXPECT_FALSE(mediator.StartScanThread(host, 0));
    EXPECT_FALSE(mediator.HasScanThread());
    mediator.SignalEvent();
    mediator.StopWorker();
}

} // namespace
} // namespace orv::test
