#pragma once

#include "project/QProjectDescriptor.h"
#include "project/QProjectStorageManager.h"

#include <memory>
#include <string>
#include <vector>

namespace orv {

// The store of every project: lists them, hands out a storage manager for one (the caller owns
// it), and creates, deletes and renames projects.
class QRepositoryManager {
public:
    using DescriptorList = std::vector<std::shared_ptr<QProjectDescriptor>>;

    QRepositoryManager() = default;
    QRepositoryManager(const QRepositoryManager&) = delete;
    QRepositoryManager& operator=(const QRepositoryManager&) = delete;
    virtual ~QRepositoryManager();

    virtual const DescriptorList& GetDescriptors() const = 0;
    // None when no project bears the name (compared without regard to case; an exact match wins).
    virtual std::unique_ptr<QProjectStorageManager> OpenProjectByName(const std::string& name) = 0;
    virtual std::unique_ptr<QProjectStorageManager>
    OpenProject(const std::shared_ptr<QProjectDescriptor>& descriptor) = 0;
    virtual std::unique_ptr<QProjectStorageManager> OpenProjectByPath(const std::string& projectFilePath) = 0;
    virtual std::unique_ptr<QProjectStorageManager> CreateUntitledProject() = 0;
    virtual bool PreferencesProjectExists() const = 0;
    virtual std::unique_ptr<QProjectStorageManager> OpenPreferencesProject() = 0;
    // False when refused (the project is open) or when its folder could not be removed entirely.
    virtual bool DeleteProject(const std::shared_ptr<QProjectDescriptor>& descriptor) = 0;
    // The descriptor that now stands for the project (the same one when the name does not change);
    // none when refused: the project is open, or another project already bears the new name.
    virtual std::shared_ptr<QProjectDescriptor>
    RenameProject(const std::shared_ptr<QProjectDescriptor>& descriptor, const std::string& newName) = 0;
};

} // namespace orv
