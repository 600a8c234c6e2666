#pragma once

// The engine's device lock: a recursive mutex whose holder keeps the drivers' notices back. A notice a
// driver posts while its thread holds the lock (an error box of a measurement in the middle of a scan)
// is shown after that thread's last unlock, so no box waits for a person while the devices are held.

#include "platform/ui/PromptDeferral.h"

#include <mutex>

namespace orv {

class DeviceLock {
public:
    void lock() {
        m_mutex.lock();
        BeginPromptDeferral();
    }
    bool try_lock() {
        if (!m_mutex.try_lock()) {
            return false;
        }
        BeginPromptDeferral();
        return true;
    }
    void unlock() {
        m_mutex.unlock();
        EndPromptDeferral();
    }

private:
    std::recursive_mutex m_mutex;
};

using DeviceLockHold = std::unique_lock<DeviceLock>;

} // namespace orv
