#pragma once

// The bounded waits of the preference pages for the engine or the connection thread: a local event
// loop that looks at its condition once a tick. The sheet stays painted and answers the engine's
// replies meanwhile, but cannot be closed or left (CNodeOptionsSheet::SetWaiting). The pace is
// 100 ms a tick; tests install a faster one.

#include <chrono>
#include <functional>

namespace orv {

class CPageWait {
public:
    static constexpr std::chrono::milliseconds kTick{100};

    // Runs the event loop until `done` answers true (looked at after each tick) or `ticks` ticks have
    // passed; `onTick` runs after each tick with the number of ticks so far. Answers `done()`.
    static bool Run(int ticks, const std::function<bool()>& done, const std::function<void(int)>& onTick);

    // The tick for this scope (tests: 0, a tick per event-loop pass).
    class ScopedTick {
    public:
        explicit ScopedTick(std::chrono::milliseconds tick);
        ~ScopedTick();
        ScopedTick(const ScopedTick&) = delete;
        ScopedTick& operator=(const ScopedTick&) = delete;

    private:
        std::chrono::milliseconds m_previous;
    };
};

} // namespace orv
