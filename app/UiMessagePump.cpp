#include "app/UiMessagePump.h"

#include <QCoreApplication>

#include <mutex>

namespace orv {

struct UiMessagePump::WakeState {
    std::mutex mutex;
    UiMessagePump* pump = nullptr;
    bool pending = false;
};

UiMessagePump::UiMessagePump(MessageThread& thread)
    : m_thread(thread), m_state(std::make_shared<WakeState>()) {
    m_state->pump = this;
    std::weak_ptr<WakeState> weak = m_state;
    m_thread.SetWakeFunction([weak] {
        const std::shared_ptr<WakeState> state = weak.lock();
        if (!state) {
            return;
        }
        // Held while posting, so the pump cannot be destroyed between the test and the post.
        std::lock_guard lock(state->mutex);
        if (state->pump == nullptr || state->pending) {
            return;
        }
        state->pending = true;
        QCoreApplication::postEvent(state->pump, new QEvent(WakeEventType()));
    });
    // Messages queued before the pump existed are drained too.
    if (m_thread.GetPendingCount() > 0) {
        std::lock_guard lock(m_state->mutex);
        m_state->pending = true;
        QCoreApplication::postEvent(this, new QEvent(WakeEventType()));
    }
}

UiMessagePump::~UiMessagePump() {
    m_thread.SetWakeFunction({});
    std::lock_guard lock(m_state->mutex);
    m_state->pump = nullptr;
}

QEvent::Type UiMessagePump::WakeEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool UiMessagePump::event(QEvent* event) {
    if (event->type() != WakeEventType()) {
        return QObject::event(event);
    }
    {
        // Cleared before draining: a message queued while the queue drains posts the next wake.
        std::lock_guard lock(m_state->mutex);
        m_state->pending = false;
    }
    m_thread.Pump();
    return true;
}

MessageThread& GetUiMessageThread() {
    // Never destroyed: workers may still post while the process ends.
    static MessageThread* const thread = [] {
        auto* made = new MessageThread();
        new UiMessagePump(*made);
        return made;
    }();
    return *thread;
}

} // namespace orv
