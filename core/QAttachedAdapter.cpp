#include "core/QAttachedAdapter.h"

#include <mutex>
#include <utility>

namespace orv {

namespace {

std::mutex g_adapterLock;
std::optional<AttachedAdapterInfo> g_adapter; // under g_adapterLock

} // namespace

void PublishAttachedAdapter(std::optional<AttachedAdapterInfo> adapter) {
    const std::lock_guard guard(g_adapterLock);
    g_adapter = std::move(adapter);
}

std::optional<AttachedAdapterInfo> GetAttachedAdapter() {
    const std::lock_guard guard(g_adapterLock);
    return g_adapter;
}

} // namespace orv
