#pragma once

#include "core/QLockable.h"

#include <mutex>

namespace orv {

// The lock of a node's scan container (and of a project's node container). It is recursive: the
// thread that holds it may lock it again and must unlock it as often as it locked it. Waits have no
// time-out. Prefer QLockGuard to pairing Lock and Unlock by hand.
class QMutex final : public QLockable {
public:
    QMutex() = default;
    QMutex(const QMutex&) = delete;
    QMutex& operator=(const QMutex&) = delete;
    ~QMutex() = default;

    void Lock() override { m_handle.lock(); }
    void Unlock() override { m_handle.unlock(); }

private:
    std::recursive_mutex m_handle;
};

} // namespace orv
