#include "engine/ScanStopFlag.h"

namespace orv {

void ScanStopFlag::Clear() {
    m_stopRequest.store(0);
    m_stopAcknowledged.store(0);
}

void ScanStopFlag::RequestStop() {
    m_stopAcknowledged.store(0);
    m_stopRequest.store(1);
    const std::lock_guard guard(m_tokenLock);
    m_scanStop.request_stop();
}

void ScanStopFlag::BeginScan() {
    const std::lock_guard guard(m_tokenLock);
    Clear();
    if (!m_shutdown) {
        m_scanStop = std::stop_source();
    }
}

void ScanStopFlag::FireForShutdown() {
    const std::lock_guard guard(m_tokenLock);
    m_shutdown = true;
    m_scanStop.request_stop();
}

std::stop_token ScanStopFlag::GetStopToken() const {
    const std::lock_guard guard(m_tokenLock);
    return m_scanStop.get_token();
}

} // namespace orv
