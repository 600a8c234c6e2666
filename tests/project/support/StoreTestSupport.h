#pragma once

#include "project/QFileSystemRepositoryManager.h"
#include "project/QProjectStorageManager.h"
#include "project/QProjectStorageManagerFactory.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orv::storetest {

// A fresh folder under the system's temp folder, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder, without trailing '/', or a path inside it.
    std::string Path(const std::string& relative = "") const;

private:
    std::filesystem::path m_path;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes); // creates missing folders
void WriteText(const std::string& path, const std::string& text);

// Every file under the folder (relative path -> bytes): compares whole trees.
std::map<std::string, std::vector<uint8_t>> Snapshot(const std::string& folder);

// The seam of the repository's storage managers: this one only remembers its project.
class FakeStorageManager : public QProjectStorageManager {
public:
    explicit FakeStorageManager(std::shared_ptr<QProjectDescriptor> project)
        : m_project(std::move(project)) {}
    std::shared_ptr<QProjectDescriptor> GetProjectDescriptor() const override { return m_project; }

    std::shared_ptr<QProjectDescriptor> m_project;
};

class FakeStorageManagerFactory : public QProjectStorageManagerFactory {
public:
    std::unique_ptr<QProjectStorageManager>
    CreateStorageManager(std::shared_ptr<QFileSystemProjectDescriptor> descriptor,
                         QFileSystemRepositoryManager& repository) override;

    int m_made = 0;
    QFileSystemRepositoryManager* m_lastRepository = nullptr;
};

} // namespace orv::storetest
