#include "platform/ui/WaitCursor.h"

#include <mutex>
#include <utility>

namespace orv {

namespace {

struct WaitCursorState {
    std::mutex mutex;
    std::shared_ptr<WaitCursor> cursor;
    uint32_t count = 0;
};

WaitCursorState& GetState() {
    // Never destroyed: a worker may end its count while the program exits.
    static WaitCursorState* const state = new WaitCursorState();
    return *state;
}

} // namespace

WaitCursor::~WaitCursor() = default;

std::shared_ptr<WaitCursor> InstallWaitCursor(std::shared_ptr<WaitCursor> cursor) {
    WaitCursorState& state = GetState();
    std::lock_guard lock(state.mutex);
    if (state.count > 0) {
        if (state.cursor != nullptr) {
            state.cursor->Hide();
        }
        if (cursor != nullptr) {
            cursor->Show();
        }
    }
    return std::exchange(state.cursor, std::move(cursor));
}

void BeginWaitCursor() {
    WaitCursorState& state = GetState();
    std::lock_guard lock(state.mutex);
    if (state.count++ == 0 && state.cursor != nullptr) {
        state.cursor->Show();
    }
}

void EndWaitCursor() {
    WaitCursorState& state = GetState();
    std::lock_guard lock(state.mutex);
    if (state.count == 0) {
        return;
    }
    if (--state.count == 0 && state.cursor != nullptr) {
        state.cursor->Hide();
    }
}

uint32_t GetWaitCursorCount() {
    WaitCursorState& state = GetState();
    std::lock_guard lock(state.mutex);
    return state.count;
}

} // namespace orv
