#pragma once

// One hive of the settings store in memory, with its text form (the format is described in
// platform/registry/SettingsStore.h). Not locked: SettingsStore guards it.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orv {

// The numbers are the registry's REG_SZ, REG_BINARY and REG_DWORD.
enum class SettingsValueType : uint32_t {
    String = 1,
    Binary = 3,
    Dword = 4,
};

struct SettingsValue {
    std::string name;
    SettingsValueType type = SettingsValueType::String;
    // String: the text without a terminating zero. Dword: 4 bytes, little-endian. Binary: the bytes.
    std::string data;

    static SettingsValue MakeString(std::string name, std::string text);
    static SettingsValue MakeDword(std::string name, uint32_t value);
    static SettingsValue MakeBinary(std::string name, std::string bytes);

    // The value as a 32-bit number (0 unless it is a Dword value of 4 bytes).
    uint32_t AsDword() const;

    bool operator==(const SettingsValue&) const = default;
};

// Names of keys and values compare without regard to ASCII case.
bool SettingsNamesEqual(std::string_view a, std::string_view b);

// Splits "A\B/C" into its components, skipping empty ones; false when a component is not a valid key
// name (control characters, '[' or ']', longer than 255 bytes) or the path is more than 512 keys deep.
bool SplitSettingsPath(std::string_view path, std::vector<std::string>& components);

class SettingsHive {
public:
    // Values and sub-keys keep their file order; read them freely, change them only through the
    // operations below, which keep the name indexes (lower-cased names) that make look-ups, and so
    // parsing a file, take constant time per name.
    struct Key {
        std::string name;
        std::vector<SettingsValue> values;
        std::vector<std::unique_ptr<Key>> subKeys;

        Key* FindSubKey(std::string_view subKeyName) const;
        // Index of the value in `values`, or -1.
        int64_t FindValue(std::string_view valueName) const;
        // Appends a value whose name the key does not hold yet.
        void AddValue(SettingsValue value);
        // Appends the value unless the key holds one of that name (one look-up); false when it does.
        bool AddValueIfMissing(SettingsValue value);
        void RemoveValue(size_t index);
        // Appends a sub-key of a name the key does not hold yet.
        Key& AddSubKey(std::string subKeyName);
        // The sub-key of that name, appended when missing (one look-up either way).
        Key& FindOrAddSubKey(std::string_view subKeyName);
        bool RemoveSubKey(std::string_view subKeyName);

    private:
        // Hashes and compares names without regard to ASCII case, also as string_view (no copy).
        struct NameHash {
            using is_transparent = void;
            size_t operator()(std::string_view name) const;
        };
        struct NameEqual {
            using is_transparent = void;
            bool operator()(std::string_view a, std::string_view b) const { return SettingsNamesEqual(a, b); }
        };
        using NameIndex = std::unordered_map<std::string, size_t, NameHash, NameEqual>;
        NameIndex m_valueIndex;
        NameIndex m_subKeyIndex;
    };

    SettingsHive();

    // Never fails: what is not understood is skipped.
    static SettingsHive Parse(std::string_view text);
    std::string Format() const;

    Key& Root() { return *m_root; }
    const Key& Root() const { return *m_root; }
    Key* Find(const std::vector<std::string>& components) const;
    // Finds or creates the key and its missing parents.
    Key& Create(const std::vector<std::string>& components);
    // Removes the key with everything under it; false when it does not exist or is the root.
    bool Remove(const std::vector<std::string>& components);

private:
    std::unique_ptr<Key> m_root;
};

} // namespace orv
