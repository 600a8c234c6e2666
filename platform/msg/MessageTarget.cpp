#include "platform/msg/MessageTarget.h"

namespace orv {

MessagePayload::~MessagePayload() = default;

// Shared between a target and the messages queued for it, so that a message outliving its target
// is recognised and dropped.
struct MessageThread::TargetLink {
    std::mutex mutex;
    MessageTarget* target = nullptr;
};

struct MessageThread::SendWait {
    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;
    bool finished = false;
    bool cancelled = false;
    std::optional<int64_t> result;
};

MessageThread::MessageThread() : m_owner(std::this_thread::get_id()) {}

MessageThread::~MessageThread() {
    // Senders still waiting get no answer rather than waiting for ever.
    std::deque<Item> left;
    {
        std::lock_guard lock(m_mutex);
        left.swap(m_queue);
    }
    for (auto& item : left) {
        if (item.send) {
            std::lock_guard lock(item.send->mutex);
            item.send->finished = true;
            item.send->changed.notify_all();
        }
    }
}

void MessageThread::SetWakeFunction(std::function<void()> wake) {
    std::lock_guard lock(m_mutex);
    m_wake = std::move(wake);
}

void MessageThread::BindToCurrentThread() {
    std::lock_guard lock(m_mutex);
    m_owner = std::this_thread::get_id();
}

bool MessageThread::IsCurrentThread() const {
    std::lock_guard lock(m_mutex);
    return m_owner == std::this_thread::get_id();
}

size_t MessageThread::GetPendingCount() const {
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

void MessageThread::Enqueue(Item item) {
    std::function<void()> wake;
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(item));
        wake = m_wake;
    }
    m_arrived.notify_all();
    if (wake) {
        wake();
    }
}

size_t MessageThread::Pump() {
    size_t delivered = 0;
    for (;;) {
        Item item;
        {
            std::lock_guard lock(m_mutex);
            if (m_queue.empty()) {
                return delivered;
            }
            item = std::move(m_queue.front());
            m_queue.pop_front();
        }
        if (item.send) {
            std::lock_guard lock(item.send->mutex);
            if (item.send->cancelled) {
                continue;
            }
            item.send->started = true;
        }
        MessageTarget* target = nullptr;
        {
            std::lock_guard lock(item.target->mutex);
            target = item.target->target;
        }
        std::optional<int64_t> result;
        if (target != nullptr) {
            result = target->HandleMessage(item.message);
            ++delivered;
        }
        if (item.send) {
            std::lock_guard lock(item.send->mutex);
            item.send->result = result;
            item.send->finished = true;
            item.send->changed.notify_all();
        }
    }
}

size_t MessageThread::PumpFor(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(m_mutex);
        m_arrived.wait_for(lock, timeout, [this] { return !m_queue.empty(); });
    }
    return Pump();
}

MessageTarget::MessageTarget(MessageThread& thread)
    : m_thread(thread), m_link(std::make_shared<MessageThread::TargetLink>()) {
    m_link->target = this;
}

MessageTarget::~MessageTarget() {
    std::lock_guard lock(m_link->mutex);
    m_link->target = nullptr;
}

bool MessageTarget::Post(uint32_t id, uint64_t wParam, int64_t lParam,
                         std::unique_ptr<MessagePayload> payload) {
    MessageThread::Item item;
    item.target = m_link;
    item.message.id = id;
    item.message.wParam = wParam;
    item.message.lParam = lParam;
    item.message.payload = std::move(payload);
    m_thread.Enqueue(std::move(item));
    return true;
}

std::optional<int64_t> MessageTarget::Send(uint32_t id, uint64_t wParam, int64_t lParam,
                                           std::stop_token stop) {
    Message message;
    message.id = id;
    message.wParam = wParam;
    message.lParam = lParam;
    if (m_thread.IsCurrentThread()) {
        return HandleMessage(message);
    }
    auto wait = std::make_shared<MessageThread::SendWait>();
    MessageThread::Item item;
    item.target = m_link;
    item.message = std::move(message);
    item.send = wait;
    m_thread.Enqueue(std::move(item));

    // Made before the lock is taken: a token that has already fired runs the callback at once.
    std::stop_callback onStop(stop, [&wait] {
        std::lock_guard inner(wait->mutex);
        wait->changed.notify_all();
    });
    std::unique_lock lock(wait->mutex);
    wait->changed.wait(lock, [&] { return wait->finished || (stop.stop_requested() && !wait->started); });
    if (!wait->finished) {
        wait->cancelled = true;
        return std::nullopt;
    }
    return wait->result;
}

} // namespace orv
