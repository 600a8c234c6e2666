#pragma once

#include "platform/registry/SettingsStore.h"

#include <cstdint>
#include <string>

namespace orv {

// Status when there is no root key or no sub-key to write under.
inline constexpr int32_t kWriteRegistryStringBadKey = 1011;

// Writes a string value, creating the key when needed: 0, 1011 without a root or sub-key, otherwise
// the settings store's status (5 under the machine hive).
int32_t WriteRegistryString(SettingsRoot root, const std::string& subKey, const std::string& valueName,
                            const std::string& text);

} // namespace orv
