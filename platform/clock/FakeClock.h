#pragma once

// The clock tests install (ScopedClockInstall): time stands still until a pause, a timed wait that
// runs out, or Advance moves it; every pause and every wait that ran out is recorded with its length.
// A timed wait on an Event does not block: a set event is taken at once with no time passing, an
// unset one runs out at once and the time moves on by the whole time-out. Safe to use from several
// threads.

#include "platform/clock/Clock.h"

#include <functional>
#include <mutex>
#include <vector>

namespace orv {

class FakeClock final : public Clock {
public:
    // Starts an hour past the clock's epoch, so that code subtracting a few seconds stays positive.
    FakeClock();

    TimePoint Now() override;
    bool Sleep(Duration duration, std::stop_token stop = {}) override;
    bool WaitFor(Event& event, Duration timeout, std::stop_token stop = {}) override;

    void Advance(Duration duration);

    // Pauses and run-out waits in the order they happened.
    std::vector<Duration> Pauses() const;
    Duration TotalPaused() const;
    void ClearPauses();

    // Called after each pause, outside the clock's lock, with the time reached: lets a test make
    // something happen at a given moment (a device that answers after two seconds).
    void SetPauseHook(std::function<void(TimePoint)> hook);

private:
    TimePoint RecordPause(Duration duration); // returns the time reached

    mutable std::mutex m_mutex;
    TimePoint m_now;
    std::vector<Duration> m_pauses;
    std::function<void(TimePoint)> m_hook;
};

} // namespace orv
