#include "platform/clock/FakeClock.h"

#include "platform/sync/Event.h"

namespace orv {

FakeClock::FakeClock() : m_now(TimePoint{} + std::chrono::hours(1)) {}

Clock::TimePoint FakeClock::Now() {
    std::lock_guard lock(m_mutex);
    return m_now;
}

Clock::TimePoint FakeClock::RecordPause(Duration duration) {
    std::function<void(TimePoint)> hook;
    TimePoint reached;
    {
        std::lock_guard lock(m_mutex);
        if (duration > Duration::zero()) {
            m_now += duration;
        }
        m_pauses.push_back(duration);
        reached = m_now;
        hook = m_hook;
    }
    if (hook) {
        hook(reached);
    }
    return reached;
}

bool FakeClock::Sleep(Duration duration, std::stop_token stop) {
    if (stop.stop_requested()) {
        return false;
    }
    RecordPause(duration);
    return !stop.stop_requested();
}

bool FakeClock::WaitFor(Event& event, Duration timeout, std::stop_token stop) {
    if (stop.stop_requested()) {
        return false;
    }
    if (event.Wait(std::chrono::milliseconds(0))) {
        return true;
    }
    RecordPause(timeout);
    return false;
}

void FakeClock::Advance(Duration duration) {
    std::lock_guard lock(m_mutex);
    if (duration > Duration::zero()) {
        m_now += duration;
    }
}

std::vector<Clock::Duration> FakeClock::Pauses() const {
    std::lock_guard lock(m_mutex);
    return m_pauses;
}

Clock::Duration FakeClock::TotalPaused() const {
    std::lock_guard lock(m_mutex);
    Duration total{};
    for (const Duration pause : m_pauses) {
        total += pause;
    }
    return total;
}

void FakeClock::ClearPauses() {
    std::lock_guard lock(m_mutex);
    m_pauses.clear();
}

void FakeClock::SetPauseHook(std::function<void(TimePoint)> hook) {
    std::lock_guard lock(m_mutex);
    m_hook = std::move(hook);
}

} // namespace orv
