#pragma once

#include "project/QProjectFileOperations.h"
#include "project/QProjectStorageManagerFactory.h"

#include <memory>

namespace orv {

// Hands the repository a QFileSystemProjectStorageManager for each project it opens; every one of
// them saves and loads the project file through the same project-file operations.
class QFileSystemProjectStorageManagerFactory : public QProjectStorageManagerFactory {
public:
    explicit QFileSystemProjectStorageManagerFactory(std::shared_ptr<QProjectFileOperations> fileOperations);
    ~QFileSystemProjectStorageManagerFactory() override;

    std::unique_ptr<QProjectStorageManager>
    CreateStorageManager(std::shared_ptr<QFileSystemProjectDescriptor> descriptor,
                         QFileSystemRepositoryManager& repository) override;

private:
    std::shared_ptr<QProjectFileOperations> m_fileOperations;
};

} // namespace orv
