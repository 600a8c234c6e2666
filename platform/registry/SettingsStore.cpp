#include "platform/registry/SettingsStore.h"

#include "platform/debug/DebugOutput.h"
#include "platform/fs/FileIo.h"

#include <cstdlib>

namespace orv {

namespace {

// A missing file is an empty hive; one that is refused (a FIFO, a device, a huge file) is too, and
// the developer hears why.
std::string ReadSettingsFile(const std::string& path, FileRefusal& refusal) {
    std::optional<std::string> text = ReadWholeFile(path, kMaxTextFileBytes, &refusal);
    if (!text && refusal != FileRefusal::kCannotOpen && refusal != FileRefusal::kMissing) {
        OutputDebugString("Settings file refused: " + DescribeFileRefusal(refusal, path));
    }
    return text ? std::move(*text) : std::string();
}

} // namespace

namespace {

std::string EnvOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

} // namespace

// ---- SettingsKey ----

template <class Read> int32_t SettingsKey::ReadKey(Read read) const {
    if (m_store == nullptr) {
        return SettingsStatus::kInvalidHandle;
    }
    std::lock_guard lock(m_store->m_mutex);
    const SettingsHive::Key* key = m_store->FindKey(*this);
    if (key == nullptr) {
        return SettingsStatus::kKeyDeleted;
    }
    return read(*key);
}

int32_t SettingsKey::EnumValue(uint32_t index, SettingsValue& out) const {
    return ReadKey([&](const SettingsHive::Key& key) {
        if (index >= key.values.size()) {
            return SettingsStatus::kNoMoreItems;
        }
        out = key.values[index];
        return SettingsStatus::kSuccess;
    });
}

int32_t SettingsKey::EnumSubKey(uint32_t index, std::string& name) const {
    return ReadKey([&](const SettingsHive::Key& key) {
        if (index >= key.subKeys.size()) {
            return SettingsStatus::kNoMoreItems;
        }
        name = key.subKeys[index]->name;
        return SettingsStatus::kSuccess;
    });
}

int32_t SettingsKey::QueryInfo(uint32_t* subKeyCount, uint32_t* valueCount) const {
    return ReadKey([&](const SettingsHive::Key& key) {
        if (subKeyCount != nullptr) {
            *subKeyCount = static_cast<uint32_t>(key.subKeys.size());
        }
        if (valueCount != nullptr) {
            *valueCount = static_cast<uint32_t>(key.values.size());
        }
        return SettingsStatus::kSuccess;
    });
}

std::vector<SettingsValue> SettingsKey::GetValues() const {
    if (m_store == nullptr) {
        return {};
    }
    std::lock_guard lock(m_store->m_mutex);
    const SettingsHive::Key* key = m_store->FindKey(*this);
    return key != nullptr ? key->values : std::vector<SettingsValue>();
}

std::vector<std::string> SettingsKey::GetSubKeyNames() const {
    std::vector<std::string> names;
    if (m_store == nullptr) {
        return names;
    }
    std::lock_guard lock(m_store->m_mutex);
    const SettingsHive::Key* key = m_store->FindKey(*this);
    if (key != nullptr) {
        for (const auto& sub : key->subKeys) {
            names.push_back(sub->name);
        }
    }
    return names;
}

int32_t SettingsKey::QueryValue(std::string_view name, SettingsValue& out) const {
    return ReadKey([&](const SettingsHive::Key& key) {
        const int64_t index = key.FindValue(name);
        if (index < 0) {
            return SettingsStatus::kNotFound;
        }
        out = key.values[static_cast<size_t>(index)];
        return SettingsStatus::kSuccess;
    });
}

int32_t SettingsKey::GetString(std::string_view name, std::string& out) const {
    SettingsValue value;
    const int32_t status = QueryValue(name, value);
    if (status != SettingsStatus::kSuccess) {
        return status;
    }
    if (value.type != SettingsValueType::String) {
        return SettingsStatus::kUnsupportedType;
    }
    out = std::move(value.data);
    return SettingsStatus::kSuccess;
}

int32_t SettingsKey::GetDword(std::string_view name, uint32_t& out) const {
    SettingsValue value;
    const int32_t status = QueryValue(name, value);
    if (status != SettingsStatus::kSuccess) {
        return status;
    }
    if (value.type != SettingsValueType::Dword || value.data.size() != 4) {
        return SettingsStatus::kUnsupportedType;
    }
    out = value.AsDword();
    return SettingsStatus::kSuccess;
}

int32_t SettingsKey::SetString(std::string_view name, std::string_view text) const {
    return SetValue(SettingsValue::MakeString(std::string(name), std::string(text)));
}

int32_t SettingsKey::SetDword(std::string_view name, uint32_t value) const {
    return SetValue(SettingsValue::MakeDword(std::string(name), value));
}

int32_t SettingsKey::SetBinary(std::string_view name, std::string_view bytes) const {
    return SetValue(SettingsValue::MakeBinary(std::string(name), std::string(bytes)));
}

int32_t SettingsKey::SetValue(const SettingsValue& value) const {
    if (value.type != SettingsValueType::String && value.type != SettingsValueType::Binary &&
        !(value.type == SettingsValueType::Dword && value.data.size() == 4)) {
        return SettingsStatus::kInvalidParameter;
    }
    if (m_store == nullptr) {
        return SettingsStatus::kInvalidHandle;
    }
    return m_store->ChangeValue(*this, value.name, &value);
}

int32_t SettingsKey::DeleteValue(std::string_view name) const {
    if (m_store == nullptr) {
        return SettingsStatus::kInvalidHandle;
    }
    return m_store->ChangeValue(*this, name, nullptr);
}

// ---- SettingsStore ----

SettingsStore& SettingsStore::Instance() {
    // Deliberately never destroyed: threads that still read settings during shut-down must not find
    // a dead object.
    static SettingsStore* const store = new SettingsStore();
    return *store;
}

SettingsStore::SettingsStore() = default;
SettingsStore::~SettingsStore() = default;

std::string SettingsStore::DefaultMachinePath() {
    const std::string overridden = EnvOrEmpty("ORV_MACHINE_SETTINGS");
    return overridden.empty() ? std::string("/etc/orvilant/machine.settings") : overridden;
}

std::string SettingsStore::DefaultUserPath() {
    const std::string overridden = EnvOrEmpty("ORV_USER_SETTINGS");
    if (!overridden.empty()) {
        return overridden;
    }
    std::string config = EnvOrEmpty("XDG_CONFIG_HOME");
    if (config.empty()) {
        config = EnvOrEmpty("HOME") + "/.config";
    }
    return config + "/QZV Technologies/Orvilant/user.settings";
}

void SettingsStore::SetLocations(std::string machinePath, std::string userPath) {
    std::lock_guard lock(m_mutex);
    m_machinePath = std::move(machinePath);
    m_userPath = std::move(userPath);
    m_machine.reset();
    m_user.reset();
}

void SettingsStore::Reload() {
    std::lock_guard lock(m_mutex);
    m_machine.reset();
    m_user.reset();
}

std::string SettingsStore::GetMachinePath() const {
    std::lock_guard lock(m_mutex);
    return m_machinePath.empty() ? DefaultMachinePath() : m_machinePath;
}

std::string SettingsStore::GetUserPath() const {
    std::lock_guard lock(m_mutex);
    return m_userPath.empty() ? DefaultUserPath() : m_userPath;
}

SettingsHive* SettingsStore::LoadedHive(SettingsRoot root) {
    switch (root) {
    case SettingsRoot::LocalMachine:
        if (!m_machine) {
            FileRefusal ignored = FileRefusal::kNone;
            m_machine = std::make_unique<SettingsHive>(
                SettingsHive::Parse(ReadSettingsFile(GetMachinePath(), ignored)));
        }
        return m_machine.get();
    case SettingsRoot::CurrentUser:
        if (!m_user) {
            m_user = std::make_unique<SettingsHive>(
                SettingsHive::Parse(ReadSettingsFile(GetUserPath(), m_userRefusal)));
        }
        return m_user.get();
    case SettingsRoot::None:
        break;
    }
    return nullptr;
}

int32_t SettingsStore::SaveUserHive() {
    if (m_user && !MayWriteOver(m_userRefusal)) {
        // What is held was built from nothing: writing it would replace the user's real file.
        OutputDebugString("Settings file not written: " + DescribeFileRefusal(m_userRefusal, GetUserPath()));
        m_user.reset();
        return SettingsStatus::kIoFailed;
    }
    if (m_user && WriteFileAtomically(GetUserPath(), m_user->Format())) {
        return SettingsStatus::kSuccess;
    }
    // The file still holds the state before the change: go back to it.
    m_user.reset();
    return SettingsStatus::kIoFailed;
}

SettingsHive::Key* SettingsStore::FindKey(const SettingsKey& key) {
    SettingsHive* hive = LoadedHive(key.m_root);
    if (hive == nullptr) {
        return nullptr;
    }
    std::vector<std::string> components;
    SplitSettingsPath(key.m_path, components);
    return hive->Find(components);
}

int32_t SettingsStore::ChangeValue(const SettingsKey& key, std::string_view name,
                                   const SettingsValue* value) {
    if (!key.m_writable || key.m_root != SettingsRoot::CurrentUser) {
        return SettingsStatus::kAccessDenied;
    }
    std::lock_guard lock(m_mutex);
    SettingsHive::Key* node = FindKey(key);
    if (node == nullptr) {
        return SettingsStatus::kKeyDeleted;
    }
    const int64_t index = node->FindValue(name);
    if (value == nullptr) {
        if (index < 0) {
            return SettingsStatus::kNotFound;
        }
        node->RemoveValue(static_cast<size_t>(index));
    } else if (index >= 0) {
        // The stored name keeps its spelling, as the registry keeps the first one.
        SettingsValue& stored = node->values[static_cast<size_t>(index)];
        stored.type = value->type;
        stored.data = value->data;
    } else {
        node->AddValue(*value);
    }
    return SaveUserHive();
}

int32_t SettingsStore::OpenKey(SettingsRoot root, std::string_view path, SettingsAccess access,
                               SettingsKey& out) {
    if (root == SettingsRoot::None) {
        return SettingsStatus::kInvalidHandle;
    }
    if (root == SettingsRoot::LocalMachine && access == SettingsAccess::ReadWrite) {
        return SettingsStatus::kAccessDenied;
    }
    std::vector<std::string> components;
    if (!SplitSettingsPath(path, components)) {
        return SettingsStatus::kNotFound;
    }
    std::lock_guard lock(m_mutex);
    SettingsHive::Key* key = LoadedHive(root)->Find(components);
    if (key == nullptr) {
        return SettingsStatus::kNotFound;
    }
    SettingsKey opened;
    opened.m_store = this;
    opened.m_root = root;
    for (const std::string& component : components) {
        opened.m_path += opened.m_path.empty() ? component : "\\" + component;
    }
    opened.m_writable = access == SettingsAccess::ReadWrite;
    out = std::move(opened);
    return SettingsStatus::kSuccess;
}

int32_t SettingsStore::CreateKey(SettingsRoot root, std::string_view path, SettingsKey& out) {
    if (root == SettingsRoot::None) {
        return SettingsStatus::kInvalidHandle;
    }
    if (root == SettingsRoot::LocalMachine) {
        return SettingsStatus::kAccessDenied;
    }
    std::vector<std::string> components;
    if (!SplitSettingsPath(path, components)) {
        return SettingsStatus::kInvalidParameter;
    }
    std::lock_guard lock(m_mutex);
    SettingsHive* hive = LoadedHive(root);
    if (hive->Find(components) == nullptr) {
        hive->Create(components);
        const int32_t status = SaveUserHive();
        if (status != SettingsStatus::kSuccess) {
            return status;
        }
    }
    return OpenKey(root, path, SettingsAccess::ReadWrite, out);
}

int32_t SettingsStore::DeleteKey(SettingsRoot root, std::string_view path) {
    if (root == SettingsRoot::None) {
        return SettingsStatus::kInvalidHandle;
    }
    if (root == SettingsRoot::LocalMachine) {
        return SettingsStatus::kAccessDenied;
    }
    std::vector<std::string> components;
    if (!SplitSettingsPath(path, components)) {
        return SettingsStatus::kNotFound;
    }
    if (components.empty()) {
        return SettingsStatus::kAccessDenied;
    }
    std::lock_guard lock(m_mutex);
    if (!LoadedHive(root)->Remove(components)) {
        return SettingsStatus::kNotFound;
    }
    return SaveUserHive();
}

} // namespace orv
