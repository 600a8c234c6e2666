#include "app/controls/CPerfStopwatch.h"

namespace orv {

void CPerfStopwatch::Start() {
    m_start = std::chrono::steady_clock::now();
    m_started = true;
}

void CPerfStopwatch::Stop() {
    if (!m_started) {
        return;
    }
    const auto elapsed = std::chrono::steady_clock::now() - m_start;
    m_elapsedMsPrecise = std::chrono::duration<double, std::milli>(elapsed).count();
    m_elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
}

} // namespace orv
