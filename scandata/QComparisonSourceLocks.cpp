#include "scandata/QComparisonSourceLocks.h"

#include "core/QLockable.h"
#include "scandata/QComparisonOwner.h"

#include <stdexcept>

namespace orv {

QScanContainer* QComparisonSourceLocks::Acquire(QComparisonSource& source) {
    if (m_Count == kMaxLocks) {
        throw std::logic_error("a comparison holds at most two source locks");
    }
    const QHeldScanContainer held = source.AcquireHeldScanContainer();
    if (held.m_Lock != nullptr) {
        m_Taken[m_Count++] = held.m_Lock;
    }
    return held.m_Container;
}

void QComparisonSourceLocks::ReleaseAll() {
    while (m_Count > 0) {
        QLockable* lock = m_Taken[--m_Count];
        m_Taken[m_Count] = nullptr;
        lock->Unlock();
    }
}

} // namespace orv
