#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

// Private window messages without windows: every layer that the program would have reached through
// a hidden window (the scan state controller, the node mediators, the views) owns a MessageTarget
// bound to one MessageThread. Posting queues the message to that thread; all posts to one thread are
// delivered in the order they were made, whichever targets they name. Sending runs the handler on
// the target's thread and waits for its answer; the wait can be cancelled with a stop token, so a
// worker never stays blocked on a thread that is about to join it.
namespace orv {

// Data that travels with a posted message and is owned by it.
class MessagePayload {
public:
    MessagePayload() = default;
    MessagePayload(const MessagePayload&) = delete;
    MessagePayload& operator=(const MessagePayload&) = delete;
    virtual ~MessagePayload();
};

struct Message {
    uint32_t id = 0;
    uint64_t wParam = 0;
    int64_t lParam = 0;
    std::unique_ptr<MessagePayload> payload;
};

class MessageTarget;

// The message queue of one thread. In the program the user-interface thread's queue is drained by
// the event loop (the wake function posts an event to it); tests and worker loops call Pump.
class MessageThread {
public:
    // Bound to the thread that makes it.
    MessageThread();
    MessageThread(const MessageThread&) = delete;
    MessageThread& operator=(const MessageThread&) = delete;
    ~MessageThread();

    // Called (from any thread) whenever a message is queued; the event loop uses it to schedule a
    // Pump on the owning thread.
    void SetWakeFunction(std::function<void()> wake);
    // Moves the queue to the calling thread (a worker that makes its queue before it starts).
    void BindToCurrentThread();
    bool IsCurrentThread() const;

    // Delivers everything queued so far on the calling thread, which must own the queue.
    // Answers how many messages reached a live target.
    size_t Pump();
    // Waits up to `timeout` for a message, then pumps. For worker loops and tests.
    size_t PumpFor(std::chrono::milliseconds timeout);
    size_t GetPendingCount() const;

private:
    friend class MessageTarget;
    struct TargetLink;
    struct SendWait;
    struct Item {
        std::shared_ptr<TargetLink> target;
        Message message;
        std::shared_ptr<SendWait> send; // null for a post
    };

    void Enqueue(Item item);

    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<Item> m_queue;
    std::function<void()> m_wake;
    std::thread::id m_owner;
};

class MessageTarget {
public:
    explicit MessageTarget(MessageThread& thread);
    MessageTarget(const MessageTarget&) = delete;
    MessageTarget& operator=(const MessageTarget&) = delete;
    // Messages still queued for the target are dropped; destroy a target on its own thread.
    virtual ~MessageTarget();

    // Queues the message; false when the target has been destroyed meanwhile (never here: a live
    // target always accepts).
    bool Post(uint32_t id, uint64_t wParam = 0, int64_t lParam = 0,
              std::unique_ptr<MessagePayload> payload = {});
    // Runs the handler on the target's thread and answers its result. On the target's own thread
    // the handler runs at once. Answers nullopt when the stop token fires before the handler has
    // started (it then never runs) or when the target is destroyed before it is reached.
    std::optional<int64_t> Send(uint32_t id, uint64_t wParam = 0, int64_t lParam = 0,
                                std::stop_token stop = {});

    MessageThread& GetThread() const { return m_thread; }

protected:
    // Runs on the target's thread.
    virtual int64_t HandleMessage(Message& message) = 0;

private:
    friend class MessageThread;
    MessageThread& m_thread;
    std::shared_ptr<MessageThread::TargetLink> m_link;
};

} // namespace orv
