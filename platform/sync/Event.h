#pragma once

// The event of the Windows program, over a condition variable. An auto-reset event lets one waiter
// through per Set and clears itself; a manual-reset event stays set, letting every waiter through,
// until Reset.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>

namespace orv {

class Event {
public:
    enum class Reset { Auto, Manual };

    explicit Event(Reset reset = Reset::Auto, bool initiallySet = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Clear();
    bool IsSet() const;

    // Waits until the event is set; true when it was (an auto-reset event is then cleared), false on
    // time-out or when `stop` is requested.
    bool Wait(std::chrono::milliseconds timeout);
    void Wait();
    bool Wait(std::stop_token stop);
    bool Wait(std::chrono::milliseconds timeout, std::stop_token stop);

private:
    bool TakeLocked(); // under m_mutex: true when set, clearing an auto-reset event

    const Reset m_reset;
    mutable std::mutex m_mutex;
    std::condition_variable_any m_changed;
    bool m_set;
};

} // namespace orv
