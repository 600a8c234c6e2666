#pragma once

// Ini files beside the executable, read and written as the Windows profile functions do:
//   - "[section]" lines open a section; "key=value" lines belong to the section above them;
//   - lines whose first non-blank character is ';' are comments; other lines are ignored;
//   - section and key names are trimmed and compared without regard to ASCII case;
//   - the first matching section and, inside it, the first matching key win;
//   - values are trimmed of blanks on both sides; one pair of matching quotes around the whole value
//     is removed; a ';' inside a value is part of the value (no trailing comments);
//   - a missing file, section or key gives the caller's default.
// Lines may end in "\n" or "\r\n" (a file is written back with the ends it had). Texts are bytes
// (Windows-1252); nothing is converted.

#include "platform/fs/FileIo.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class IniFile {
public:
    IniFile() = default;
    explicit IniFile(std::string_view text);

    // Reads the file; an unreadable file gives an empty IniFile (every read answers the default), and
    // *refusal (when given) says why it was not read.
    static IniFile Load(const std::string& path, FileRefusal* refusal = nullptr);

    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const;
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    // Replaces the value of the first matching key, else appends the key to the first matching
    // section, else appends a new section at the end. Other lines keep their text and order.
    void SetString(std::string_view section, std::string_view key, std::string_view value);

    std::string ToText() const;
    // Writes the whole file atomically (temporary file + rename); false on failure.
    bool Save(const std::string& path) const;

private:
    std::vector<std::string> m_lines; // without line ends
    bool m_crlf = false;              // written back with the line ends it was read with
};

// GetPrivateProfileString: the value, or the default when the file, section or key is missing.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path);
// WritePrivateProfileString: sets one value in the file, keeping the rest; false when it cannot be
// written, with the reason in *failure when given. A file the reader refused (too large, not a regular
// file, unreadable) is left exactly as it is: only a missing file is started from empty.
bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string& path, std::string* failure = nullptr);

} // namespace orv
