#include "app/CAppProfile.h"

#include "platform/registry/SettingsStore.h"

#include <algorithm>

namespace orv {

namespace {

constexpr const char* kRecentSection = "Recent File List";

std::string SectionPath(const std::string& section) {
    std::string path = CAppProfile::GetProfileKey();
    if (!section.empty()) {
        path += "\\" + section;
    }
    return path;
}

} // namespace

std::string CAppProfile::GetProfileKey() {
    return std::string("Software\\") + kRegistryKey + "\\" + kApplicationName;
}

std::string CAppProfile::GetString(const std::string& section, const std::string& entry,
                                   const std::string& defaultValue) {
    SettingsKey key;
    std::string value;
    if (SettingsStore::Instance().OpenKey(SettingsRoot::CurrentUser, SectionPath(section),
                                          SettingsAccess::Read, key) != SettingsStatus::kSuccess ||
        key.GetString(entry, value) != SettingsStatus::kSuccess) {
        return defaultValue;
    }
    return value;
}

bool CAppProfile::WriteString(const std::string& section, const std::string& entry,
                              const std::string& value) {
    SettingsKey key;
    return SettingsStore::Instance().CreateKey(SettingsRoot::CurrentUser, SectionPath(section), key) ==
               SettingsStatus::kSuccess &&
           key.SetString(entry, value) == SettingsStatus::kSuccess;
}

uint32_t CAppProfile::GetInt(const std::string& section, const std::string& entry, uint32_t defaultValue) {
    SettingsKey key;
    uint32_t value = 0;
    if (SettingsStore::Instance().OpenKey(SettingsRoot::CurrentUser, SectionPath(section),
                                          SettingsAccess::Read, key) != SettingsStatus::kSuccess ||
        key.GetDword(entry, value) != SettingsStatus::kSuccess) {
        return defaultValue;
    }
    return value;
}

bool CAppProfile::WriteInt(const std::string& section, const std::string& entry, uint32_t value) {
    SettingsKey key;
    return SettingsStore::Instance().CreateKey(SettingsRoot::CurrentUser, SectionPath(section), key) ==
               SettingsStatus::kSuccess &&
           key.SetDword(entry, value) == SettingsStatus::kSuccess;
}

std::vector<std::string> CAppProfile::GetRecentFiles() {
    std::vector<std::string> files;
    for (size_t i = 1; i <= kRecentFileCount; ++i) {
        std::string path = GetString(kRecentSection, "File" + std::to_string(i));
        if (!path.empty()) {
            files.push_back(std::move(path));
        }
    }
    return files;
}

void CAppProfile::AddToRecentFileList(const std::string& path) {
    if (path.empty()) {
        return;
    }
    std::vector<std::string> files = GetRecentFiles();
    files.erase(std::remove(files.begin(), files.end(), path), files.end());
    files.insert(files.begin(), path);
    files.resize(std::min(files.size(), kRecentFileCount));
    for (size_t i = 0; i < kRecentFileCount; ++i) {
        WriteString(kRecentSection, "File" + std::to_string(i + 1),
                    i < files.size() ? files[i] : std::string());
    }
}

} // namespace orv
