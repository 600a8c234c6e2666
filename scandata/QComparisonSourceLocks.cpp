#include "scandata/QComparisonSourceLocks.h"

#include "scandata/QComparisonOwner.h"

#include <stdexcept>

namespace orv {

QScanContainer* QComparisonSourceLocks::Acquire(QComparisonSource& source) {
    if (m_Count == kMaxLocks) {
        throw std::logic_error("a comparison holds at most two source locks");
    }
    QScanContainer* container = source.AcquireScanContainer();
    m_Taken[m_Count++] = &source;
    return container;
}

void QComparisonSourceLocks::ReleaseAll() {
    while (m_Count > 0) {
        QComparisonSource* source = m_Taken[--m_Count];
        m_Taken[m_Count] = nullptr;
        source->UnlockScanContainer();
    }
}

} // namespace orv
