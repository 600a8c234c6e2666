#include "core/RegistryReading.h"

#include "platform/CLocale.h"

#include <optional>

namespace orv {

namespace {

// The size the value takes with the terminating zero that a text is stored with.
size_t StoredDataSize(const SettingsValue& value) {
    return value.data.size() + (value.type == SettingsValueType::String ? 1 : 0);
}

std::string DataAsText(const std::string& data) {
    const size_t end = data.find('\0');
    return end == std::string::npos ? data : data.substr(0, end);
}

// An optional sign and at least one digit, nothing else; nullopt also when it does not fit 32 bits.
std::optional<int32_t> WholeNumberId(const std::string& name) {
    size_t pos = 0;
    if (pos < name.size() && (name[pos] == '+' || name[pos] == '-')) {
        ++pos;
    }
    if (pos == name.size()) {
        return std::nullopt;
    }
    for (size_t i = pos; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return std::nullopt;
        }
    }
    return ParseInt32C(name);
}

} // namespace

bool ReadRegistryValues(SettingsRoot root, std::string_view subkey, std::vector<std::string>& names,
                        std::vector<std::string>& data) {
    SettingsKey key;
    if (SettingsStore::Instance().OpenKey(root, subkey, SettingsAccess::Read, key) !=
        SettingsStatus::kSuccess) {
        return false;
    }
    uint32_t valueCount = 0;
    if (key.QueryInfo(nullptr, &valueCount) != SettingsStatus::kSuccess) {
        return false;
    }
    for (uint32_t index = 0; index < valueCount; ++index) {
        SettingsValue value;
        if (key.EnumValue(index, value) != SettingsStatus::kSuccess) {
            continue;
        }
        if (value.name.size() > kMaxRegistryValueNameLength ||
            StoredDataSize(value) > kMaxRegistryValueDataBytes) {
            continue;
        }
        names.push_back(value.name);
        data.push_back(DataAsText(value.data));
    }
    return true;
}

void ReadRegistryIdNameList(std::vector<QRegistryEntry>& list, std::string_view subkey, SettingsRoot root) {
    std::vector<std::string> names;
    std::vector<std::string> data;
    if (!ReadRegistryValues(root, subkey, names, data)) {
        return;
    }
    for (size_t i = 0; i < names.size(); ++i) {
        if (root == SettingsRoot::CurrentUser) {
            list.push_back({static_cast<int32_t>(i), data[i]});
        } else if (const std::optional<int32_t> id = WholeNumberId(names[i])) {
            list.push_back({*id, data[i]});
        }
    }
}

} // namespace orv
