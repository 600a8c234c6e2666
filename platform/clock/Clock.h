#pragma once

// The one way the model and the engine pause and measure time. Code asks CurrentClock() for the time,
// for its pauses and for its timed waits on an Event, never std::this_thread::sleep_for or
// steady_clock directly, so that a test can install a FakeClock: time then advances at once by each
// pause, the pauses are recorded, and a five-second time-out is tested without waiting five seconds.
//
// Waits for bytes from a device or a socket are real waits on the descriptor: no clock can hurry a
// device. Only the program's own pauses, polls and deadlines go through here.

#include <chrono>
#include <cstdint>
#include <stop_token>
#include <utility>

namespace orv {

class Event;

class Clock {
public:
    using Duration = std::chrono::steady_clock::duration;
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;

    virtual TimePoint Now() = 0;
    // Pauses for `duration`. A stop requested on `stop` ends the pause early; the result is then
    // false, else true.
    virtual bool Sleep(Duration duration, std::stop_token stop = {}) = 0;
    // Waits up to `timeout` for `event`: true when it was set (an auto-reset event is cleared), false
    // on time-out or when `stop` was requested.
    virtual bool WaitFor(Event& event, Duration timeout, std::stop_token stop = {}) = 0;
};

// The real clock: std::chrono::steady_clock, real sleeps and real waits.
class SteadyClock final : public Clock {
public:
    TimePoint Now() override;
    bool Sleep(Duration duration, std::stop_token stop = {}) override;
    bool WaitFor(Event& event, Duration timeout, std::stop_token stop = {}) override;
};

// The clock in force for the whole process: the installed one, else a SteadyClock.
Clock& CurrentClock();

// Installs a clock for the process while the object lives and puts the previous one back after.
// Tests only: install before the threads that use the clock start, remove after they are joined.
class ScopedClockInstall {
public:
    explicit ScopedClockInstall(Clock& clock);
    ~ScopedClockInstall();
    ScopedClockInstall(const ScopedClockInstall&) = delete;
    ScopedClockInstall& operator=(const ScopedClockInstall&) = delete;

private:
    Clock* m_previous;
};

// Short forms of the calls on CurrentClock().
inline Clock::TimePoint ClockNow() {
    return CurrentClock().Now();
}
inline bool ClockSleep(Clock::Duration duration, std::stop_token stop = {}) {
    return CurrentClock().Sleep(duration, std::move(stop));
}
inline bool ClockWaitFor(Event& event, Clock::Duration timeout, std::stop_token stop = {}) {
    return CurrentClock().WaitFor(event, timeout, std::move(stop));
}

// Milliseconds since `start` on the clock in force, never negative.
std::int64_t ElapsedMilliseconds(Clock::TimePoint start);

} // namespace orv
