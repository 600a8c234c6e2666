#include "platform/clock/Clock.h"

#include "platform/sync/Event.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace orv {

namespace {

std::atomic<Clock*> g_installedClock{nullptr};

} // namespace

Clock::TimePoint SteadyClock::Now() {
    return std::chrono::steady_clock::now();
}

bool SteadyClock::Sleep(Duration duration, std::stop_token stop) {
    if (!stop.stop_possible()) {
        if (duration > Duration::zero()) {
            std::this_thread::sleep_for(duration);
        }
        return true;
    }
    std::mutex mutex;
    std::condition_variable_any woken;
    std::unique_lock lock(mutex);
    // Nothing but the stop token wakes this wait; the predicate turns a spurious wake-up into more
    // waiting.
    woken.wait_for(lock, stop, duration, [] { return false; });
    return !stop.stop_requested();
}

bool SteadyClock::WaitFor(Event& event, Duration timeout, std::stop_token stop) {
    return event.Wait(std::chrono::ceil<std::chrono::milliseconds>(timeout), std::move(stop));
}

Clock& CurrentClock() {
    static SteadyClock steady;
    Clock* installed = g_installedClock.load(std::memory_order_acquire);
    return installed != nullptr ? *installed : steady;
}

ScopedClockInstall::ScopedClockInstall(Clock& clock)
    : m_previous(g_installedClock.exchange(&clock, std::memory_order_acq_rel)) {}

ScopedClockInstall::~ScopedClockInstall() {
    g_installedClock.store(m_previous, std::memory_order_release);
}

std::int64_t ElapsedMilliseconds(Clock::TimePoint start) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(ClockNow() - start).count();
    return elapsed < 0 ? 0 : elapsed;
}

} // namespace orv
