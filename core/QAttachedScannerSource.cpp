#include "core/QAttachedScannerSource.h"

#include <mutex>
#include <utility>

namespace orv {

namespace {

std::mutex g_sourceLock;
std::shared_ptr<const QAttachedScannerSource> g_source;

} // namespace

QAttachedScannerSource::~QAttachedScannerSource() = default;

void SetAttachedScannerSource(std::shared_ptr<const QAttachedScannerSource> source) {
    std::shared_ptr<const QAttachedScannerSource> old;
    {
        std::lock_guard<std::mutex> guard(g_sourceLock);
        old = std::exchange(g_source, std::move(source));
    }
    // The old source goes here, outside the lock, unless a caller still holds it.
}

std::shared_ptr<const QAttachedScannerSource> GetAttachedScannerSource() {
    std::lock_guard<std::mutex> guard(g_sourceLock);
    return g_source;
}

std::optional<int32_t> GetAttachedScannerId() {
    const std::shared_ptr<const QAttachedScannerSource> source = GetAttachedScannerSource();
    return source ? source->GetAttachedScannerId() : std::nullopt;
}

std::optional<float> GetArmDefaultProbeHeight() {
    const std::shared_ptr<const QAttachedScannerSource> source = GetAttachedScannerSource();
    return source ? source->GetArmDefaultProbeHeight() : std::nullopt;
}

bool AttachedAdapterSupportsMotors() {
    const std::shared_ptr<const QAttachedScannerSource> source = GetAttachedScannerSource();
    return source && source->GetAdapterSupportsMotors().value_or(false);
}

} // namespace orv
