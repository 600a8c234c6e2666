#pragma once

#include "project/QFileSystemProjectDescriptor.h"
#include "project/QProjectStorageManagerFactory.h"
#include "project/QRepositoryManager.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orv {

// A repository over folders: <repository>/Data/<name>/ for each project, and the preferences
// project in <repository>/Prefs/PrefsProject/.
class QFileSystemRepositoryManager : public QRepositoryManager {
public:
    // Lists the projects of <folder>/Data/ (every subfolder is one, in name order); creates nothing.
    QFileSystemRepositoryManager(std::string repositoryFolder,
                                 std::shared_ptr<QProjectStorageManagerFactory> storageFactory);
    ~QFileSystemRepositoryManager() override;

    const DescriptorList& GetDescriptors() const override { return m_descriptors; }
    std::unique_ptr<QProjectStorageManager> OpenProjectByName(const std::string& name) override;
    std::unique_ptr<QProjectStorageManager>
    OpenProject(const std::shared_ptr<QProjectDescriptor>& descriptor) override;
    std::unique_ptr<QProjectStorageManager> OpenProjectByPath(const std::string& projectFilePath) override;
    std::unique_ptr<QProjectStorageManager> CreateUntitledProject() override;
    bool PreferencesProjectExists() const override;
    std::unique_ptr<QProjectStorageManager> OpenPreferencesProject() override;
    bool DeleteProject(const std::shared_ptr<QProjectDescriptor>& descriptor) override;
    std::shared_ptr<QProjectDescriptor> RenameProject(const std::shared_ptr<QProjectDescriptor>& descriptor,
                                                      const std::string& newName) override;

    // Splits a project-file path at its last '/': the folder before it, the project's name after it.
    // The new descriptor joins the set. A path without a folder or with an invalid name is refused.
    std::shared_ptr<QFileSystemProjectDescriptor>
    CreateDescriptorFromPath(const std::string& projectFilePath);

    // The repository folder, ending in '/'.
    const std::string& GetRepositoryFolder() const { return m_repositoryFolder; }

    // True while a storage manager handed out by this repository stands for the project.
    bool IsProjectOpen(const QProjectDescriptor& descriptor) const;

private:
    std::shared_ptr<QFileSystemProjectDescriptor> AddDescriptor(std::string name, std::string folderPath);
    std::unique_ptr<QProjectStorageManager> HandOut(std::shared_ptr<QFileSystemProjectDescriptor> descriptor);
    bool RemoveFromSet(const QProjectDescriptor* descriptor);

    std::string m_repositoryFolder;
    DescriptorList m_descriptors; // every entry is a QFileSystemProjectDescriptor
    std::shared_ptr<QProjectStorageManagerFactory> m_storageFactory;
    mutable std::vector<std::pair<std::weak_ptr<const void>, const QProjectStorageManager*>> m_handedOut;
};

} // namespace orv
