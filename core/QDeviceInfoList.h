#pragma once

#include "core/QRegistryNameEntry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv {

// The device information read from the device-list keys at start-up, as (id, name) entries in the
// order they were added.
class QDeviceInfoList {
public:
    // The list owns the entry from then on; a null entry is ignored.
    void Add(std::unique_ptr<QRegistryNameEntry> entry);
    // The name of the first entry with that id; empty when there is none.
    std::string GetNameById(int32_t id) const;
    size_t GetCount() const { return m_entries.size(); }

private:
    std::vector<std::unique_ptr<QRegistryNameEntry>> m_entries;
};

// The application-wide list, made empty on first use.
QDeviceInfoList& GetDeviceInfoList();
// Destroys the list with its entries (at exit, after every worker has stopped); a later
// GetDeviceInfoList makes a new, empty one.
void DestroyDeviceInfoList();

} // namespace orv
