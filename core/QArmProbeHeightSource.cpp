#include "core/QArmProbeHeightSource.h"

#include <atomic>

namespace orv {

namespace {

std::atomic<const QArmProbeHeightSource*> g_source{nullptr};

} // namespace

void SetArmProbeHeightSource(const QArmProbeHeightSource* source) {
    g_source.store(source);
}

std::optional<float> GetArmDefaultProbeHeight() {
    const QArmProbeHeightSource* source = g_source.load();
    if (source == nullptr) {
        return std::nullopt;
    }
    return source->GetArmDefaultProbeHeight();
}

} // namespace orv
