#pragma once

#include "project/QFileSystemProjectStorageManager.h"
#include "project/QFileSystemRepositoryManager.h"
#include "project/QProjectFileOperations.h"
#include "project/QProjectStorageManager.h"
#include "project/QProjectStorageManagerFactory.h"

#include <cstdint>
#include <filesystem>
#include <functional>
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

// Project-file operations that only record their calls; a save can be given work to do (a
// node-table save, a failure) through m_onSave.
class RecordingFileOperations : public QProjectFileOperations {
public:
    bool SaveProject(QFileSystemProjectStorageManager& storage, TfrmMainApp* window,
                     const QNodePairList& pairs, QStorageErrorList& errors) override;
    bool LoadProject(QFileSystemProjectStorageManager& storage, TfrmMainApp* window, QNodePairList& pairs,
                     QStorageErrorList& errors) override;
    bool ValidateNodes(QFileSystemProjectStorageManager& storage, QNodePairList& pairs,
                       QStorageErrorList& errors) override;

    std::function<bool(QFileSystemProjectStorageManager&, const QNodePairList&)> m_onSave;
    int m_saves = 0;
    int m_loads = 0;
    int m_validations = 0;
    // The project the storage manager stood for, and its save-as state, when the save ran.
    std::string m_savedProjectFolder;
    bool m_sawSavingAs = false;
    std::string m_sawSourceFolder;
};

// Makes real file-system storage managers over recording project-file operations, and counts them.
class FakeStorageManagerFactory : public QProjectStorageManagerFactory {
public:
    std::unique_ptr<QProjectStorageManager>
    CreateStorageManager(std::shared_ptr<QFileSystemProjectDescriptor> descriptor,
                         QFileSystemRepositoryManager& repository) override;

    std::shared_ptr<RecordingFileOperations> m_operations = std::make_shared<RecordingFileOperations>();
    int m_made = 0;
    QFileSystemRepositoryManager* m_lastRepository = nullptr;
};

} // namespace orv::storetest
