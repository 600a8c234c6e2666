#pragma once

// The settings store: our stand-in for the Windows registry.
//
// Two hives, each kept in one text file:
//   - the machine hive (read-only for the program): $ORV_MACHINE_SETTINGS, else
//     /etc/orvilant/machine.settings. It holds the maker's device lists ("Software\QZV Technologies\...").
//   - the user hive (writable): $ORV_USER_SETTINGS, else
//     $XDG_CONFIG_HOME/QZV Technologies/Orvilant/user.settings ($XDG_CONFIG_HOME defaults to ~/.config).
// SettingsStore::SetLocations overrides both paths from code (tests); it drops what was loaded.
//
// Key paths and value names are the ones the Windows program used
// ("Software\QZV Technologies\Scan Heads"); the separator is a backslash (a '/' is accepted as well), empty
// components are ignored, and names are compared without regard to ASCII case, as the registry does. Values
// and sub-keys enumerate in file order (new ones are appended), because callers use enumeration positions as
// ids.
//
// Status codes are the Win32 registry's, so the thin wrappers above this layer keep their logic:
//   0 success, 2 not found, 5 access denied (any change to the machine hive), 6 no such root,
//   87 invalid parameter, 259 no more items (enumeration past the end), 1016 the hive file could not
//   be written (the change is then undone), 1018 the key was deleted after it was opened,
//   1630 the value exists but has another type.
//
// Hive file format (text, one item per line, '\n' or "\r\n" line ends):
//   # comment                       lines starting with '#' or ';' and blank lines are ignored
//   [Software\QZV Technologies]     a key header: the key's path from the hive root; values follow
//   "name"=sz:"text"                a string value
//   "name"=dword:0000000a           a 32-bit value, hexadecimal (1 to 8 digits)
//   "name"=hex:01,ff,20             binary data (may be empty: hex:)
// Names and texts are in double quotes with these escapes: \\ \" \n \r \t and \xHH (two hex digits)
// for any other byte below 0x20 and for 0x7f; bytes from 0x80 up (Windows-1252 texts) are kept as they
// are. The empty name "" is the key's default value. A key path is written with single backslashes
// between components; a key name may not contain control characters, '[', ']', '/' or a
// backslash, nor be longer than 255 bytes, and keys nest at most 512 deep.
// Every key is written with its header (also keys without values) in depth-first order, so the file
// order is the enumeration order. Reading is forgiving: a line that is not understood is skipped, a
// value before the first header is skipped, a repeated header continues the same key, and when a
// value name repeats within a key the first one wins. A missing or unreadable file is an empty hive.
// The user hive is written after every change to a temporary file beside it, flushed, and renamed
// over the old one, so a failed write never loses the last good copy.

#include "platform/fs/FileIo.h"
#include "platform/registry/SettingsHive.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

enum class SettingsRoot {
    None,         // no key at all: every call answers 6
    LocalMachine, // HKEY_LOCAL_MACHINE: read-only
    CurrentUser,  // HKEY_CURRENT_USER
};

namespace SettingsStatus {
inline constexpr int32_t kSuccess = 0;
inline constexpr int32_t kNotFound = 2;
inline constexpr int32_t kAccessDenied = 5;
inline constexpr int32_t kInvalidHandle = 6;
inline constexpr int32_t kInvalidParameter = 87;
inline constexpr int32_t kNoMoreItems = 259;
inline constexpr int32_t kIoFailed = 1016;
inline constexpr int32_t kKeyDeleted = 1018;
inline constexpr int32_t kUnsupportedType = 1630;
} // namespace SettingsStatus

class SettingsStore;

// An open key: a light handle (copyable) that names a key of a hive. Every call goes back to the store
// under its lock, so a handle stays safe when other threads change the hive.
class SettingsKey {
public:
    SettingsKey() = default;

    bool IsOpen() const { return m_store != nullptr; }
    SettingsRoot GetRoot() const { return m_root; }
    // The key's path from the hive root, components joined by single backslashes.
    const std::string& GetPath() const { return m_path; }
    bool IsWritable() const { return m_writable; }

    // The value at an enumeration position (file order): 0, or 259 past the last one.
    int32_t EnumValue(uint32_t index, SettingsValue& out) const;
    // The name of the sub-key at an enumeration position (file order): 0, or 259 past the last one.
    int32_t EnumSubKey(uint32_t index, std::string& name) const;
    // Numbers of values and sub-keys (as RegQueryInfoKey).
    int32_t QueryInfo(uint32_t* subKeyCount, uint32_t* valueCount) const;

    // Every value in file order (empty when the key has gone).
    std::vector<SettingsValue> GetValues() const;
    // Every sub-key name in file order.
    std::vector<std::string> GetSubKeyNames() const;

    int32_t QueryValue(std::string_view name, SettingsValue& out) const;
    // 0, 2 when the value is missing, 1630 when it has another type; `out` is unchanged unless 0.
    int32_t GetString(std::string_view name, std::string& out) const;
    int32_t GetDword(std::string_view name, uint32_t& out) const;

    // Writes replace a value of the same name in place (keeping its position) or append a new one.
    // 5 on a handle opened for reading or on the machine hive.
    int32_t SetString(std::string_view name, std::string_view text) const;
    int32_t SetDword(std::string_view name, uint32_t value) const;
    int32_t SetBinary(std::string_view name, std::string_view bytes) const;
    int32_t SetValue(const SettingsValue& value) const;
    int32_t DeleteValue(std::string_view name) const;

private:
    friend class SettingsStore;

    // Runs `read` on the key under the store's lock: 6 for a handle that was never opened, 1018 when
    // the key has gone, else what `read` answers.
    template <class Read> int32_t ReadKey(Read read) const;

    SettingsStore* m_store = nullptr;
    SettingsRoot m_root = SettingsRoot::None;
    std::string m_path;
    bool m_writable = false;
};

enum class SettingsAccess {
    Read,
    ReadWrite,
};

// The application-wide store. Safe to use from any thread.
class SettingsStore {
public:
    // The store every part of the program uses; made on first use, lives until the process ends.
    static SettingsStore& Instance();

    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Replaces the two file locations (an empty path brings back the default for that hive) and drops
    // what was loaded, so the next call reads the files anew.
    void SetLocations(std::string machinePath, std::string userPath);
    // Drops what was loaded; the next call reads the files anew.
    void Reload();
    std::string GetMachinePath() const;
    std::string GetUserPath() const;

    // Opens an existing key (an empty path is the hive's root): 0, 2 when it does not exist, 5 when
    // write access is asked for the machine hive, 6 for SettingsRoot::None.
    int32_t OpenKey(SettingsRoot root, std::string_view path, SettingsAccess access, SettingsKey& out);
    // Opens a key for writing, creating it and its missing parents (appended after their siblings):
    // 0, 5 on the machine hive (even when the key exists), 87 for a bad key name, 1016 when the hive
    // could not be written.
    int32_t CreateKey(SettingsRoot root, std::string_view path, SettingsKey& out);
    // Deletes a key with its sub-keys and values: 0, 2, 5 (machine hive or the hive root), 1016.
    int32_t DeleteKey(SettingsRoot root, std::string_view path);

    // Default locations, from the environment (see the top of this file).
    static std::string DefaultMachinePath();
    static std::string DefaultUserPath();

private:
    friend class SettingsKey;

    // Loads the hive on first use (under the lock); nullptr for SettingsRoot::None.
    SettingsHive* LoadedHive(SettingsRoot root);
    // Writes the user hive; on failure reloads it from the file (the last good copy) and answers 1016.
    // A user file the reader refused is never written over (1016, the reason in the debug output).
    int32_t SaveUserHive();
    // The key a handle names, or nullptr when it has gone (under the lock).
    SettingsHive::Key* FindKey(const SettingsKey& key);
    int32_t ChangeValue(const SettingsKey& key, std::string_view name, const SettingsValue* value);

    mutable std::recursive_mutex m_mutex;
    std::string m_machinePath;
    std::string m_userPath;
    std::unique_ptr<SettingsHive> m_machine;
    std::unique_ptr<SettingsHive> m_user;
    FileRefusal m_userRefusal = FileRefusal::kNone; // why the user file was not read when m_user was made
};

} // namespace orv
