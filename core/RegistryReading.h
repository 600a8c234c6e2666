#pragma once

#include "core/QRegistryEntry.h"
#include "platform/registry/SettingsStore.h"

#include <string>
#include <string_view>
#include <vector>

// Reading the values of one settings key as texts: how the device lists and the repository list are
// read from the application-wide settings store.
namespace orv {

// Longest value name and largest value data that are read; longer ones are skipped, as a value that
// cannot be read is.
inline constexpr size_t kMaxRegistryValueNameLength = 16383;
inline constexpr size_t kMaxRegistryValueDataBytes = 1024;

// Appends the name and the data text of every value of the key, in enumeration order. The data is
// read by its length and ends at its first zero byte, if it has one. A value that cannot be read is
// skipped. False (and nothing appended) when the key cannot be opened or queried.
bool ReadRegistryValues(SettingsRoot root, std::string_view subkey, std::vector<std::string>& names,
                        std::vector<std::string>& data);

// Appends the key's values as (id, text) pairs. Under the user hive every value is taken, with its
// position among the values read (0, 1, 2, ...) as id. Under any other root only values whose name is
// a whole number (an optional sign and digits) that fits a 32-bit signed id are taken, with that
// number as id. When the key cannot be read the list is left as it was.
void ReadRegistryIdNameList(std::vector<QRegistryEntry>& list, std::string_view subkey, SettingsRoot root);

} // namespace orv
