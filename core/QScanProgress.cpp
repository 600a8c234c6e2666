#include "core/QScanProgress.h"

#include <cmath>
#include <limits>
#include <memory>
#include <mutex>

namespace orv {

namespace {

std::mutex g_progressLock;
std::unique_ptr<QScanProgress> g_progress;

} // namespace

int32_t QScanProgress::GetPercent() const {
    const int32_t count = m_stepCount.load();
    if (count == 0) {
        return 0;
    }
    const double percent = static_cast<double>(m_weight.load()) * 100.0 *
                           static_cast<double>(static_cast<float>(m_stepsDone.load())) /
                           static_cast<double>(static_cast<float>(count));
    const float rounded = static_cast<float>(percent);
    // A weight or count that puts the value out of range must not make the conversion undefined.
    if (std::isnan(rounded)) {
        return 0;
    }
    if (rounded >= 2147483648.0f) {
        return std::numeric_limits<int32_t>::max();
    }
    if (rounded <= -2147483648.0f) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(rounded);
}

QScanProgress& GetScanProgress() {
    std::lock_guard<std::mutex> guard(g_progressLock);
    if (!g_progress) {
        g_progress = std::make_unique<QScanProgress>();
    }
    return *g_progress;
}

void DestroyScanProgress() {
    std::lock_guard<std::mutex> guard(g_progressLock);
    g_progress.reset();
}

} // namespace orv
