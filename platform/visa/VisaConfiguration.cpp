#include "platform/visa/VisaConfiguration.h"

#include "platform/registry/SettingsStore.h"

#include <cstdlib>
#include <optional>
#include <string_view>

namespace orv::visa {

namespace {

// Shared-library names under which VISA implementations install themselves on Linux.
std::vector<std::string> DefaultLibraries() {
    return {"libvisa.so", "libvisa.so.0", "librsvisa.so", "libktvisa32.so", "libiovisa.so"};
}

std::vector<std::string> SplitList(std::string_view text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view item = text.substr(start, end - start);
        while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) {
            item.remove_prefix(1);
        }
        while (!item.empty() &&
               (item.back() == ' ' || item.back() == '\t' || item.back() == '\r' || item.back() == '\n')) {
            item.remove_suffix(1);
        }
        if (!item.empty()) {
            items.emplace_back(item);
        }
        start = end + 1;
    }
    return items;
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
        return SplitList(*text);
    }
    return DefaultLibraries();
}

std::vector<std::string> GetConfiguredSocketResources() {
    return SplitList(FromEnvironmentOrSettings("ORV_VISA_RESOURCES", "SocketResources").value_or(""));
}

} // namespace orv::visa
