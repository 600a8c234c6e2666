#include "core/QActiveScanItem.h"

#include <memory>
#include <mutex>

namespace orv {

namespace {

std::mutex g_itemLock;
std::unique_ptr<QActiveScanItem> g_item;

} // namespace

QActiveScanItem::~QActiveScanItem() {
    ReleaseObject();
}

void QActiveScanItem::SetObject(QReleasable* object) {
    QReleasable* previous = m_object.exchange(object);
    if (previous != nullptr && previous != object) {
        previous->Release();
    }
}

void QActiveScanItem::ReleaseObject() {
    // Taken out first, so that two threads releasing at once release it once.
    QReleasable* held = m_object.exchange(nullptr);
    if (held != nullptr) {
        held->Release();
    }
}

QActiveScanItem& GetActiveScanItem() {
    std::lock_guard<std::mutex> guard(g_itemLock);
    if (!g_item) {
        g_item = std::make_unique<QActiveScanItem>();
    }
    return *g_item;
}

void DestroyActiveScanItem() {
    std::unique_ptr<QActiveScanItem> item;
    {
        std::lock_guard<std::mutex> guard(g_itemLock);
        item = std::move(g_item);
    }
    // The destructor releases the held object, outside the lock: its Release may call back.
}

} // namespace orv
