#include "core/WriteRegistryString.h"

namespace orv {

int32_t WriteRegistryString(SettingsRoot root, const std::string& subKey, const std::string& valueName,
                            const std::string& text) {
    if (root == SettingsRoot::None || subKey.empty()) {
        return kWriteRegistryStringBadKey;
    }
    SettingsKey key;
    const int32_t created = SettingsStore::Instance().CreateKey(root, subKey, key);
    if (created != SettingsStatus::kSuccess) {
        return created;
    }
    return key.SetString(valueName, text);
}

} // namespace orv
