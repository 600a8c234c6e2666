#include "core/QScannerSource.h"

#include <atomic>

namespace orv {

namespace {
std::atomic<QScannerSource*> g_scannerSource{nullptr};
} // namespace

QScannerSource::~QScannerSource() = default;

void SetScannerSource(QScannerSource* source) {
    g_scannerSource.store(source);
}

QScannerSource* GetScannerSource() {
    return g_scannerSource.load();
}

std::optional<int32_t> GetAttachedScannerId() {
    const QScannerSource* source = g_scannerSource.load();
    return source == nullptr ? std::nullopt : source->GetAttachedScannerId();
}

} // namespace orv
