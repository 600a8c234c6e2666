#include "platform/vendor/DeviceLibraryConfiguration.h"

#include "platform/registry/SettingsStore.h"
#include "platform/vendor/SharedLibrary.h"

#include <cstdlib>

namespace orv::vendor {

namespace {

std::vector<std::string> NamesFrom(const char* variable, const char* valueName, const char* fallback) {
    if (const char* text = std::getenv(variable)) {
        return SplitLibraryList(text);
    }
    SettingsKey key;
    std::string value;
    if (SettingsStore::Instance().OpenKey(SettingsRoot::LocalMachine, kDeviceLibrariesKey,
                                          SettingsAccess::Read, key) == SettingsStatus::kSuccess &&
        key.GetString(valueName, value) == SettingsStatus::kSuccess) {
        return SplitLibraryList(value);
    }
    return {fallback};
}

} // namespace

std::vector<std::string> GetBbApiLibraryNames() {
    return NamesFrom("ORV_BB_API_LIBRARIES", "bb_api", "libbb_api.so");
}

std::vector<std::string> GetRsaApiLibraryNames() {
    return NamesFrom("ORV_RSA_API_LIBRARIES", "RSA_API", "libRSA_API.so");
}

} // namespace orv::vendor
