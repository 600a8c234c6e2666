#include "project/QFileSystemProjectStorageManagerFactory.h"

#include "project/QFileSystemProjectStorageManager.h"

#include <utility>

namespace orv {

QFileSystemProjectStorageManagerFactory::QFileSystemProjectStorageManagerFactory(
    std::shared_ptr<QProjectFileOperations> fileOperations)
    : m_fileOperations(std::move(fileOperations)) {}

QFileSystemProjectStorageManagerFactory::~QFileSystemProjectStorageManagerFactory() = default;

std::unique_ptr<QProjectStorageManager> QFileSystemProjectStorageManagerFactory::CreateStorageManager(
    std::shared_ptr<QFileSystemProjectDescriptor> descriptor, QFileSystemRepositoryManager& repository) {
    return std::make_unique<QFileSystemProjectStorageManager>(std::move(descriptor), repository,
                                                              m_fileOperations);
}

} // namespace orv
