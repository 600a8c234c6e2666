#include "core/QDeviceInfoList.h"

#include <mutex>

namespace orv {

void QDeviceInfoList::Add(std::unique_ptr<QRegistryNameEntry> entry) {
    if (entry) {
        m_entries.push_back(std::move(entry));
    }
}

std::string QDeviceInfoList::GetNameById(int32_t id) const {
    for (const auto& entry : m_entries) {
        if (entry->m_id == id) {
            return entry->m_name;
        }
    }
    return {};
}

namespace {

std::mutex g_deviceInfoMutex;
std::unique_ptr<QDeviceInfoList> g_deviceInfoList;

} // namespace

QDeviceInfoList& GetDeviceInfoList() {
    // Made and destroyed under a lock so that a late first use from another thread cannot make two.
    std::lock_guard<std::mutex> lock(g_deviceInfoMutex);
    if (!g_deviceInfoList) {
        g_deviceInfoList = std::make_unique<QDeviceInfoList>();
    }
    return *g_deviceInfoList;
}

void DestroyDeviceInfoList() {
    std::unique_ptr<QDeviceInfoList> doomed;
    {
        std::lock_guard<std::mutex> lock(g_deviceInfoMutex);
        doomed = std::move(g_deviceInfoList);
    }
}

} // namespace orv
