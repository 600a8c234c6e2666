#include "project/QFileSystemRepositoryManager.h"

#include "core/QException.h"
#include "project/FolderTree.h"
#include "project/QProjectLayout.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace orv {

namespace fs = std::filesystem;

namespace {

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

bool IsFolderPath(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool IsPlainFile(const std::string& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() == fs::file_type::regular;
}

// Renames a file when it is there; false only when a present file could not be renamed.
bool RenameIfPresent(const std::string& from, const std::string& to) {
    if (!IsPlainFile(from)) {
        return true;
    }
    std::error_code ec;
    fs::rename(from, to, ec);
    return !ec;
}

} // namespace

QFileSystemRepositoryManager::QFileSystemRepositoryManager(
    std::string repositoryFolder, std::shared_ptr<QProjectStorageManagerFactory> storageFactory)
    : m_repositoryFolder(std::move(repositoryFolder)), m_storageFactory(std::move(storageFactory)) {
    if (!m_storageFactory) {
        throw std::invalid_argument("a repository needs a storage-manager factory");
    }
    if (m_repositoryFolder.empty() || m_repositoryFolder.back() != '/') {
        m_repositoryFolder += '/';
    }
    const std::string dataFolder = m_repositoryFolder + kRepositoryDataFolder;
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(dataFolder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            names.push_back(it->path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    for (std::string& name : names) {
        const std::string folder = dataFolder + name;
        AddDescriptor(std::move(name), folder);
    }
}

QFileSystemRepositoryManager::~QFileSystemRepositoryManager() = default;

std::shared_ptr<QFileSystemProjectDescriptor>
QFileSystemRepositoryManager::AddDescriptor(std::string name, std::string folderPath) {
    auto descriptor = std::make_shared<QFileSystemProjectDescriptor>(std::move(name), std::move(folderPath));
    m_descriptors.push_back(descriptor);
    return descriptor;
}

std::unique_ptr<QProjectStorageManager>
QFileSystemRepositoryManager::HandOut(std::shared_ptr<QFileSystemProjectDescriptor> descriptor) {
    std::erase_if(m_handedOut, [](const auto& entry) { return entry.first.expired(); });
    auto manager = m_storageFactory->CreateStorageManager(std::move(descriptor), *this);
    if (manager) {
        m_handedOut.emplace_back(manager->GetLifetimeToken(), manager.get());
    }
    return manager;
}

bool QFileSystemRepositoryManager::IsProjectOpen(const QProjectDescriptor& descriptor) const {
    return std::any_of(m_handedOut.begin(), m_handedOut.end(), [&](const auto& entry) {
        if (entry.first.expired()) {
            return false;
        }
        const auto current = entry.second->GetProjectDescriptor();
        return current.get() == &descriptor;
    });
}

bool QFileSystemRepositoryManager::RemoveFromSet(const QProjectDescriptor* descriptor) {
    return std::erase_if(m_descriptors, [&](const auto& entry) { return entry.get() == descriptor; }) != 0;
}

std::unique_ptr<QProjectStorageManager>
QFileSystemRepositoryManager::OpenProjectByName(const std::string& name) {
    std::shared_ptr<QProjectDescriptor> match;
    for (const auto& descriptor : m_descriptors) {
        const std::string candidate = descriptor->GetName();
        if (candidate == name) {
            match = descriptor;
            break;
        }
        if (!match && EqualsIgnoringCase(candidate, name)) {
            match = descriptor;
        }
    }
    return match ? OpenProject(match) : nullptr;
}

std::unique_ptr<QProjectStorageManager>
QFileSystemRepositoryManager::OpenProject(const std::shared_ptr<QProjectDescriptor>& descriptor) {
    auto fileSystemDescriptor = std::dynamic_pointer_cast<QFileSystemProjectDescriptor>(descriptor);
    if (!fileSystemDescriptor) {
        return nullptr;
    }
    return HandOut(std::move(fileSystemDescriptor));
}

std::shared_ptr<QFileSystemProjectDescriptor>
QFileSystemRepositoryManager::CreateDescriptorFromPath(const std::string& projectFilePath) {
    const size_t separator = projectFilePath.rfind('/');
    if (separator == std::string::npos) {
        QFileSystemProjectDescriptor::CheckProjectName(""); // no folder: refused like an empty name
    }
    std::string name = projectFilePath.substr(separator + 1);
    QFileSystemProjectDescriptor::CheckProjectName(name);
    return AddDescriptor(std::move(name), projectFilePath.substr(0, separator));
}

std::unique_ptr<QProjectStorageManager>
QFileSystemRepositoryManager::OpenProjectByPath(const std::string& projectFilePath) {
    return HandOut(CreateDescriptorFromPath(projectFilePath));
}

std::unique_ptr<QProjectStorageManager> QFileSystemRepositoryManager::CreateUntitledProject() {
    return HandOut(AddDescriptor(kUntitledProjectName,
                                 m_repositoryFolder + kRepositoryDataFolder + kUntitledProjectName));
}

bool QFileSystemRepositoryManager::PreferencesProjectExists() const {
    return IsFolderPath(m_repositoryFolder + kRepositoryPrefsFolder + kPreferencesProjectName);
}

std::unique_ptr<QProjectStorageManager> QFileSystemRepositoryManager::OpenPreferencesProject() {
    return HandOut(AddDescriptor(kPreferencesProjectName,
                                 m_repositoryFolder + kRepositoryPrefsFolder + kPreferencesProjectName));
}

bool QFileSystemRepositoryManager::DeleteProject(const std::shared_ptr<QProjectDescriptor>& descriptor) {
    auto fileSystemDescriptor = std::dynamic_pointer_cast<QFileSystemProjectDescriptor>(descriptor);
    if (!fileSystemDescriptor || IsProjectOpen(*fileSystemDescriptor)) {
        return false;
    }
    RemoveFromSet(fileSystemDescriptor.get());
    return DeleteFolderTree(fileSystemDescriptor->GetFolderPath());
}

std::shared_ptr<QProjectDescriptor>
QFileSystemRepositoryManager::RenameProject(const std::shared_ptr<QProjectDescriptor>& descriptor,
                                            const std::string& newName) {
    auto fileSystemDescriptor = std::dynamic_pointer_cast<QFileSystemProjectDescriptor>(descriptor);
    if (!fileSystemDescriptor) {
        return nullptr;
    }
    const std::string oldName = fileSystemDescriptor->GetName();
    if (newName == oldName) {
        return descriptor;
    }
    QFileSystemProjectDescriptor::CheckProjectName(newName);
    if (IsProjectOpen(*fileSystemDescriptor)) {
        return nullptr;
    }
    const std::string oldFolder = fileSystemDescriptor->GetFolderPath();
    const size_t separator = oldFolder.rfind('/');
    const std::string parent =
        separator == std::string::npos ? std::string() : oldFolder.substr(0, separator + 1);
    const std::string newFolder = parent + newName;

    std::error_code ec;
    const bool nameTaken = std::any_of(m_descriptors.begin(), m_descriptors.end(), [&](const auto& other) {
        const auto* otherFs = static_cast<const QFileSystemProjectDescriptor*>(other.get());
        return other != descriptor && (otherFs->GetFolderPath() == newFolder);
    });
    if (nameTaken || fs::exists(fs::symlink_status(newFolder, ec))) {
        return nullptr;
    }

    if (IsFolderPath(oldFolder)) {
        // The project file and the saved node table bear the project's name, so they follow it; the
        // folder then moves in one rename. A failure puts back what was renamed.
        const std::string oldFile = oldFolder + "/" + oldName;
        const std::string newFile = oldFolder + "/" + newName;
        const std::string oldTable = oldFolder + kSavedCopyFolder + oldName + kNodeTableExtension;
        const std::string newTable = oldFolder + kSavedCopyFolder + newName + kNodeTableExtension;
        const bool fileMoved = IsPlainFile(oldFile);
        const bool tableMoved = IsPlainFile(oldTable);
        auto undo = [&] {
            std::error_code ignored;
            if (tableMoved) {
                fs::rename(newTable, oldTable, ignored);
            }
            if (fileMoved) {
                fs::rename(newFile, oldFile, ignored);
            }
        };
        if (!RenameIfPresent(oldFile, newFile) || !RenameIfPresent(oldTable, newTable)) {
            undo();
            throw QStorageLayerException("Error#323: Unable to copy file: " + oldFolder + " -> " + newFolder +
                                         ".");
        }
        fs::rename(oldFolder, newFolder, ec);
        if (ec) {
            undo();
            throw QStorageLayerException("Error#323: Unable to copy file: " + oldFolder + " -> " + newFolder +
                                         ".");
        }
    }
    RemoveFromSet(fileSystemDescriptor.get());
    return AddDescriptor(newName, newFolder);
}

} // namespace orv
