#include "platform/sync/Event.h"

namespace orv {

Event::Event(Reset reset, bool initiallySet) : m_reset(reset), m_set(initiallySet) {}

void Event::Set() {
    // Notified under the lock: a waiter that owns the event may destroy it as soon as its wait
    // returns, and the wait cannot return before the lock is given back.
    std::lock_guard lock(m_mutex);
    m_set = true;
    if (m_reset == Reset::Manual) {
        m_changed.notify_all();
    } else {
        m_changed.notify_one();
    }
}

void Event::Clear() {
    std::lock_guard lock(m_mutex);
    m_set = false;
}

bool Event::IsSet() const {
    std::lock_guard lock(m_mutex);
    return m_set;
}

bool Event::TakeLocked() {
    if (!m_set) {
        return false;
    }
    if (m_reset == Reset::Auto) {
        m_set = false;
    }
    return true;
}

bool Event::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    if (!m_changed.wait_for(lock, timeout, [this] { return m_set; })) {
        return false;
    }
    return TakeLocked();
}

void Event::Wait() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_set; });
    TakeLocked();
}

bool Event::Wait(std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    if (!m_changed.wait(lock, stop, [this] { return m_set; })) {
        return false;
    }
    return TakeLocked();
}

bool Event::Wait(std::chrono::milliseconds timeout, std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    if (!m_changed.wait_for(lock, stop, timeout, [this] { return m_set; })) {
        return false;
    }
    return TakeLocked();
}

} // namespace orv
