#pragma once

#include "project/QProjectDescriptor.h"

#include <memory>

namespace orv {

// The interface through which an open project is loaded and saved. One storage manager stands for
// one project; the caller that receives it from the repository owns it.
//
// Only the operations that the repository relies on are declared here so far: the node-table
// storage and the scan-data operations join them with the file-system kind.
class QProjectStorageManager {
public:
    QProjectStorageManager() = default;
    QProjectStorageManager(const QProjectStorageManager&) = delete;
    QProjectStorageManager& operator=(const QProjectStorageManager&) = delete;
    virtual ~QProjectStorageManager();

    // The project this storage manager stands for now (a save under a new name changes it).
    virtual std::shared_ptr<QProjectDescriptor> GetProjectDescriptor() const = 0;

    // Expires when this storage manager is destroyed: lets the repository that handed it out tell
    // which projects are open without owning the storage managers.
    std::weak_ptr<const void> GetLifetimeToken() const { return m_lifetime; }

private:
    std::shared_ptr<const int> m_lifetime = std::make_shared<const int>(0);
};

} // namespace orv
