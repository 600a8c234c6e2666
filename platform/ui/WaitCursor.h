#pragma once

// The busy cursor that long operations (loading a spectral/spatial scan set, an export, the state
// controller's waits) show while the user-interface thread cannot answer. Model and engine code
// only count: the first Begin shows the cursor, the End that brings the count back to 0 removes it.
// The program installs the implementation that turns the cursor on and off; with none installed
// the counting still happens and nothing shows.

#include <cstdint>
#include <memory>

namespace orv {

class WaitCursor {
public:
    WaitCursor() = default;
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    virtual ~WaitCursor();

    // Called with the count's lock held, in the order the count changed: an implementation must
    // not call back into the count. Show on 0 -> 1, Hide on 1 -> 0.
    virtual void Show() = 0;
    virtual void Hide() = 0;
};

// Installs the application-wide implementation and returns the previous one. An implementation
// installed while the count is above 0 is shown at once; the one it replaces is hidden.
std::shared_ptr<WaitCursor> InstallWaitCursor(std::shared_ptr<WaitCursor> cursor);

// Callable from any thread. An End without a Begin changes nothing.
void BeginWaitCursor();
void EndWaitCursor();
uint32_t GetWaitCursorCount();

// One count for the life of the guard, also when the guarded code throws.
class WaitCursorGuard {
public:
    WaitCursorGuard() { BeginWaitCursor(); }
    ~WaitCursorGuard() { EndWaitCursor(); }
    WaitCursorGuard(const WaitCursorGuard&) = delete;
    WaitCursorGuard& operator=(const WaitCursorGuard&) = delete;
};

} // namespace orv
