#pragma once

// The user-interface thread's message queue rides the Qt event loop: whenever a message is queued
// the wake function posts one event to a small pump object on that thread, and the pump drains the
// queue when the event loop delivers it. At most one wake event is pending at a time, however many
// threads post.

#include "platform/msg/MessageTarget.h"

#include <QEvent>
#include <QObject>

#include <memory>

namespace orv {

class UiMessagePump : public QObject {
public:
    // Made on the thread that owns `thread` (and runs the event loop); unhooks itself when destroyed.
    explicit UiMessagePump(MessageThread& thread);
    UiMessagePump(const UiMessagePump&) = delete;
    UiMessagePump& operator=(const UiMessagePump&) = delete;
    ~UiMessagePump() override;

    static QEvent::Type WakeEventType();

protected:
    bool event(QEvent* event) override;

private:
    // Shared with the wake function, which other threads may still be running while the pump goes.
    struct WakeState;

    MessageThread& m_thread;
    std::shared_ptr<WakeState> m_state;
};

// The queue of the user-interface thread, drained by the event loop. Made by the first call, which
// must come from the user-interface thread after the application object exists (the program does
// it at start); it lives until the process ends.
MessageThread& GetUiMessageThread();

} // namespace orv
