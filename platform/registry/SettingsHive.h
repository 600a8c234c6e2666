#pragma once

// One hive of the settings store in memory, with its text form (the format is described in
// platform/registry/SettingsStore.h). Not locked: SettingsStore guards it.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
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
        // An open-addressing table of positions in `values` or `subKeys`, compared through the
        // items' own names: no name is copied and no entry allocated, so a file of many keys parses
        // at about the speed it is read. Built only once a list is long enough to need it.
        class NameIndex {
        public:
            void Clear();
            bool Empty() const { return m_slots.empty(); }
            // Position of the item of that name, or -1.
            template <typename NameAt> int64_t Find(std::string_view name, const NameAt& nameAt) const;
            // Adds position `at`, whose item is already in the list; grows (re-reading the first
            // `count` items) when the table gets half full.
            template <typename NameAt> void Add(size_t at, size_t count, const NameAt& nameAt);
            template <typename NameAt> void Rebuild(size_t count, const NameAt& nameAt);

        private:
            // 0 = free, else position + 1.
            std::vector<uint32_t> m_slots;
            size_t m_used = 0;
        };
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
