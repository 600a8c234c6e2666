#pragma once

// Windows critical sections may be entered again by the thread that holds them; code ported from
// them relies on that, so they become recursive mutexes here. The guard keeps the lock for a scope;
// the unlock guard gives it up for a scope (around a call that must not run under it) and takes it
// back after.

#include <mutex>

namespace orv {

using CriticalSection = std::recursive_mutex;
using CriticalSectionGuard = std::lock_guard<std::recursive_mutex>;

class CriticalSectionUnlock {
public:
    explicit CriticalSectionUnlock(CriticalSection& section) : m_section(section) { m_section.unlock(); }
    ~CriticalSectionUnlock() { m_section.lock(); }
    CriticalSectionUnlock(const CriticalSectionUnlock&) = delete;
    CriticalSectionUnlock& operator=(const CriticalSectionUnlock&) = delete;

private:
    CriticalSection& m_section;
};

} // namespace orv
