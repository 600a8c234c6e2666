#include "core/QMutex.h"

#include "core/QDeferredPrompts.h"

namespace orv {

namespace {

thread_local int t_heldCount = 0;

} // namespace

void QMutex::Lock() {
    m_handle.lock();
    ++t_heldCount;
}

void QMutex::Unlock() {
    m_handle.unlock();
    if (--t_heldCount == 0) {
        QDeferredPrompts::ShowPending();
    }
}

int QMutex::GetHeldCountOfThisThread() {
    return t_heldCount;
}

} // namespace orv
