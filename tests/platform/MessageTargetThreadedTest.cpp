#include "platform/msg/MessageTarget.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace orv {
namespace {

struct Text : MessagePayload {
    explicit Text(std::string t) : text(std::move(t)) {}
    std::string text;
};

class Recorder : public MessageTarget {
public:
    Recorder(MessageThread& thread, std::string name, std::vector<std::string>& log)
        : MessageTarget(thread), m_name(std::move(name)), m_log(log) {}

protected:
    int64_t HandleMessage(Message& message) override {
        std::string entry = m_name + ":" + std::to_string(message.id);
        if (auto* text = dynamic_cast<Text*>(message.payload.get())) {
            entry += ":" + text->text;
        }
        m_log.push_back(entry);
        return static_cast<int64_t>(message.wParam) * 2;
    }

private:
    std::string m_name;
    std::vector<std::string>& m_log;
};

TEST(MessageTarget, PostsToOneThreadKeepTheirOrderAcrossTargets) {
    MessageThread ui;
    std::vector<std::string> log;
    Recorder a(ui, "a", log);
    Recorder b(ui, "b", log);
    std::thread worker([&] {
        a.Post(10014);
        b.Post(10015, 0, 1, std::make_unique<Text>("payload"));
        a.Post(10018);
    });
    worker.join();
    EXPECT_EQ(ui.Pump(), 3U);
    EXPECT_EQ(log, (std::vector<std::string>{"a:10014", "b:10015:payload", "a:10018"}));
}

TEST(MessageTarget, MessagesToADestroyedTargetAreDroppedWithTheirPayload) {
    MessageThread ui;
    std::vector<std::string> log;
    auto gone = std::make_unique<Recorder>(ui, "gone", log);
    Recorder kept(ui, "kept", log);
    gone->Post(1, 0, 0, std::make_unique<Text>("lost"));
    kept.Post(2);
    gone.reset();
    EXPECT_EQ(ui.Pump(), 1U);
    EXPECT_EQ(log, (std::vector<std::string>{"kept:2"}));
}

TEST(MessageTarget, SendRunsOnTheTargetsThreadAndAnswers) {
    MessageThread ui;
    std::vector<std::string> log;
    Recorder view(ui, "view", log);
    EXPECT_EQ(view.Send(10010, 21), 42); // same thread: at once

    std::atomic<bool> done{false};
    std::optional<int64_t> answer;
    std::thread worker([&] {
        answer = view.Send(10011, 5);
        done = true;
    });
    while (!done) {
        ui.PumpFor(std::chrono::milliseconds(50));
    }
    worker.join();
    EXPECT_EQ(answer, 10);
    EXPECT_EQ(log.back(), "view:10011");
}

TEST(MessageTarget, AStopTokenCancelsAWaitingSendAndTheHandlerNeverRuns) {
    MessageThread ui;
    std::vector<std::string> log;
    Recorder view(ui, "view", log);
    std::stop_source stop;
    std::optional<int64_t> answer = 99;
    std::thread worker([&] { answer = view.Send(10012, 1, 0, stop.get_token()); });
    while (ui.GetPendingCount() == 0) {
        std::this_thread::yield();
    }
    stop.request_stop(); // the user-interface thread wants to join the worker
    worker.join();
    EXPECT_EQ(answer, std::nullopt);
    EXPECT_EQ(ui.Pump(), 0U);
    EXPECT_TRUE(log.empty());

    std::stop_source already;
    already.request_stop();
    std::thread late([&] { answer = view.Send(10012, 1, 0, already.get_token()); });
    late.join();
    EXPECT_EQ(answer, std::nullopt);
}

TEST(MessageTarget, ManyThreadsPostingConcurrently) {
    MessageThread ui;
    std::vector<std::string> log;
    Recorder target(ui, "t", log);
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&target, t] {
            for (int i = 0; i < 500; ++i) {
                target.Post(static_cast<uint32_t>(t));
            }
        });
    }
    size_t delivered = 0;
    while (delivered < 2000) {
        delivered += ui.PumpFor(std::chrono::milliseconds(20));
    }
    for (auto& w : workers) {
        w.join();
    }
    EXPECT_EQ(log.size(), 2000U);
}

} // namespace
} // namespace orv
