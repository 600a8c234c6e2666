#pragma once

#include "core/QLockable.h"

#include <mutex>

namespace orv {

// The lock of a node's scan container (and of a project's node container). It is recursive: the
// thread that holds it may lock it again and must unlock it as often as it locked it. Waits have no
// time-out. Prefer QLockGuard to pairing Lock and Unlock by hand.
//
// Each thread counts the holds it has on any of these locks. Boxes asked for through
// QDeferredPrompts while the count is above 0 wait, and are shown when the thread gives back its
// last hold: the user-interface thread that answers a box may itself be waiting for such a lock.
class QMutex final : public QLockable {
public:
    QMutex() = default;
    QMutex(const QMutex&) = delete;
    QMutex& operator=(const QMutex&) = delete;
    ~QMutex() = default;

    void Lock() override;
    void Unlock() override;

    // How many holds the calling thread has on locks of this kind, all of them together.
    static int GetHeldCountOfThisThread();

private:
    std::recursive_mutex m_handle;
};

} // namespace orv
