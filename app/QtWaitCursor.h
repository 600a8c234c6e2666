#pragma once

// The busy cursor on the window side: Qt's override cursor, set when the count of the program's
// wait cursor leaves 0 and restored when it comes back, always on the user-interface thread (a
// worker's begin or end is carried there through the event loop). The cursor follows the last
// state asked for, so begins and ends from several threads can never leave it set.

#include "platform/ui/WaitCursor.h"

#include <atomic>
#include <memory>

namespace orv {

class QtWaitCursor : public WaitCursor {
public:
    // Made on the user-interface thread.
    QtWaitCursor();
    ~QtWaitCursor() override;

    void Show() override;
    void Hide() override;

    // Whether the override cursor is set now (user-interface thread).
    bool IsApplied() const;

private:
    struct State {
        std::atomic<bool> m_wanted{false};
        // User-interface thread only.
        bool m_applied = false;
    };

    void Request(bool wanted);
    static void Apply(State& state);

    std::shared_ptr<State> m_state;
};

} // namespace orv
