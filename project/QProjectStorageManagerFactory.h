#pragma once

#include "project/QFileSystemProjectDescriptor.h"
#include "project/QProjectStorageManager.h"

#include <memory>

namespace orv {

class QFileSystemRepositoryManager;

// Makes the storage manager of a project of a file-system repository. The storage manager refers to
// the repository (a save under a new name asks it for the new descriptor) but does not own it.
class QProjectStorageManagerFactory {
public:
    QProjectStorageManagerFactory() = default;
    QProjectStorageManagerFactory(const QProjectStorageManagerFactory&) = delete;
    QProjectStorageManagerFactory& operator=(const QProjectStorageManagerFactory&) = delete;
    virtual ~QProjectStorageManagerFactory();

    virtual std::unique_ptr<QProjectStorageManager>
    CreateStorageManager(std::shared_ptr<QFileSystemProjectDescriptor> descriptor,
                         QFileSystemRepositoryManager& repository) = 0;
};

} // namespace orv
