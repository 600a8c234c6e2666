#include "platform/visa/VisaConfiguration.h"

#include "platform/registry/SettingsStore.h"
#include "platform/vendor/SharedLibrary.h"

#include <cstdlib>
#include <optional>
#include <string_view>

namespace orv::visa {

namespace {

// Shared-library names under which VISA implementations install themselves on Linux.
std::vector<std::string> DefaultLibraries() {
    return {"libvisa.so", "libvisa.so.0", "librsvisa.so", "libktvisa32.so", "libiovisa.so"};
}

std::optional<std::string> FromEnvironmentOrSettings(const char* variable, const char* valueName) {
    if (const char* text = std::getenv(variable)) {
        return std::string(text);
    }
    SettingsKey key;
    if (SettingsStore::Instance().OpenKey(SettingsRoot::CurrentUser, kVisaSettingsKey, SettingsAccess::Read,
                                          key) != SettingsStatus::kSuccess) {
        return std::nullopt;
    }
    std::string value;
    if (key.GetString(valueName, value) != SettingsStatus::kSuccess) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::vector<std::string> GetVisaLibraryNames() {
    if (const std::optional<std::string> text =
            FromEnvironmentOrSettings("ORV_VISA_LIBRARIES", "Libraries")) {
        return SplitLibraryList(*text);
    }
    return DefaultLibraries();
}

std::vector<std::string> GetConfiguredSocketResources() {
    return SplitLibraryList(FromEnvironmentOrSettings("ORV_VISA_RESOURCES", "SocketResources").value_or(""));
}

} // namespace orv::visa
