#include "app/UiMessagePump.h"

#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QThread>

#include <atomic>
#include <thread>
#include <vector>

namespace orv {
namespace {

using testing::EnsureTestApplication;
using testing::ProcessEventsUntil;

struct Arrival {
    uint32_t id;
    uint64_t sender;
    int64_t sequence;
    bool onUiThread;
};

// Appends what arrives to a log shared by several targets. wParam: sender, lParam: sequence.
class RecordingTarget : public MessageTarget {
public:
    RecordingTarget(MessageThread& thread, std::vector<Arrival>& log) : MessageTarget(thread), m_log(log) {}

protected:
    int64_t HandleMessage(Message& message) override {
        m_log.push_back({message.id, message.wParam, message.lParam,
                         QThread::currentThread() == QCoreApplication::instance()->thread()});
        return static_cast<int64_t>(message.wParam) * 2;
    }

private:
    std::vector<Arrival>& m_log;
};

// Counts the wake events that reach the pump.
class WakeCounter : public QObject {
public:
    int wakes = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == UiMessagePump::WakeEventType()) {
            ++wakes;
        }
        return QObject::eventFilter(watched, event);
    }
};

constexpr int kThreads = 4;
constexpr int kPostsPerThread = 500;

class UiMessagePumpTest : public testing::QtWidgetTest {
protected:
    UiMessagePumpTest() {
        EnsureTestApplication();
        pump.installEventFilter(&counter);
    }

    void PostFromWorkers() {
        std::vector<std::thread> workers;
        for (int sender = 0; sender < kThreads; ++sender) {
            workers.emplace_back([this, sender] {
                for (int sequence = 0; sequence < kPostsPerThread; ++sequence) {
                    // Alternating targets: the order holds across the targets of one thread.
                    RecordingTarget& target = sequence % 2 == 0 ? first : second;
                    target.Post(100, static_cast<uint64_t>(sender), sequence);
                }
            });
        }
        for (auto& worker : workers) {
            worker.join();
        }
    }

    // Every sender's messages arrived on the user-interface thread, all of them, in post order.
    void ExpectAllInPostOrder() const {
        ASSERT_EQ(log.size(), size_t{kThreads * kPostsPerThread});
        std::vector<int64_t> next(kThreads, 0);
        for (const Arrival& arrival : log) {
            ASSERT_LT(arrival.sender, uint64_t{kThreads});
            EXPECT_TRUE(arrival.onUiThread);
            EXPECT_EQ(arrival.sequence, next[arrival.sender]) << "sender " << arrival.sender;
            next[arrival.sender] = arrival.sequence + 1;
        }
    }

    MessageThread thread; // bound to the test thread, which runs the event loop
    UiMessagePump pump{thread};
    WakeCounter counter;
    std::vector<Arrival> log;
    RecordingTarget first{thread, log};
    RecordingTarget second{thread, log};
};

TEST_F(UiMessagePumpTest, PostsFromFourThreadsArriveInPostOrderBehindOneWakeEvent) {
    // The event loop does not run while the workers post: every post after the first finds a wake
    // pending, so one event carries all of them.
    PostFromWorkers();
    EXPECT_EQ(thread.GetPendingCount(), size_t{kThreads * kPostsPerThread});
    EXPECT_TRUE(log.empty());

    QCoreApplication::processEvents();
    EXPECT_EQ(counter.wakes, 1);
    EXPECT_EQ(thread.GetPendingCount(), 0u);
    ExpectAllInPostOrder();
}

TEST_F(UiMessagePumpTest, PostsWhileTheLoopDrainsAreNeverStranded) {
    std::thread posting([this] { PostFromWorkers(); });
    // A post that lands while the queue drains must bring a new wake: nothing may stay queued.
    const bool all = ProcessEventsUntil([this] { return log.size() == size_t{kThreads * kPostsPerThread}; });
    posting.join();
    ASSERT_TRUE(all);
    ExpectAllInPostOrder();
    EXPECT_GE(counter.wakes, 1);
    EXPECT_LE(counter.wakes, kThreads * kPostsPerThread);
}

TEST_F(UiMessagePumpTest, SendFromAWorkerRunsOnTheUiThreadAndAnswers) {
    std::atomic<bool> done{false};
    std::optional<int64_t> answer;
    std::thread worker([&] {
        answer = first.Send(200, 21, 0);
        done = true;
    });
    const bool finished = ProcessEventsUntil([&] { return done.load(); });
    worker.join();
    ASSERT_TRUE(finished);
    ASSERT_EQ(answer, std::optional<int64_t>(42));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].id, 200u);
    EXPECT_TRUE(log[0].onUiThread);
}

TEST_F(UiMessagePumpTest, SendCancelledBeforeTheLoopReachesItNeverRuns) {
    std::stop_source stop;
    std::optional<int64_t> answer = 7;
    std::thread worker([&] { answer = first.Send(300, 1, 0, stop.get_token()); });
    // Wait (without running the loop) until the send is queued, then cancel it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (thread.GetPendingCount() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    ASSERT_EQ(thread.GetPendingCount(), 1u);
    stop.request_stop();
    worker.join();
    EXPECT_FALSE(answer.has_value());

    QCoreApplication::processEvents();
    EXPECT_EQ(thread.GetPendingCount(), 0u);
    EXPECT_TRUE(log.empty());
}

TEST_F(UiMessagePumpTest, MessagesQueuedBeforeThePumpExistedAreDrained) {
    MessageThread early;
    std::vector<Arrival> earlyLog;
    RecordingTarget target(early, earlyLog);
    target.Post(400, 0, 0);
    UiMessagePump latePump(early);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !earlyLog.empty(); }));
    EXPECT_EQ(earlyLog[0].id, 400u);
}

} // namespace
} // namespace orv
