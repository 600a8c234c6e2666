#pragma once

// The application's profile in the user settings: key "Software\Orvilant 1.0\Orvilant", one sub-key
// per section ("Settings" holds "LastDocName"), and the list of the 16 most recently used project
// files in "Recent File List" ("File1" newest .. "File16").

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

class CAppProfile {
public:
    static constexpr const char* kRegistryKey = "Orvilant 1.0";
    static constexpr const char* kApplicationName = "Orvilant";
    static constexpr size_t kRecentFileCount = 16;

    // The profile's key path, "Software\<registry key>\<application>".
    static std::string GetProfileKey();

    // An empty section names the profile's own key.
    static std::string GetString(const std::string& section, const std::string& entry,
                                 const std::string& defaultValue = {});
    static bool WriteString(const std::string& section, const std::string& entry, const std::string& value);
    static uint32_t GetInt(const std::string& section, const std::string& entry, uint32_t defaultValue);
    static bool WriteInt(const std::string& section, const std::string& entry, uint32_t value);

    static std::vector<std::string> GetRecentFiles();
    // Puts the path first (once), keeping at most 16.
    static void AddToRecentFileList(const std::string& path);
};

} // namespace orv
