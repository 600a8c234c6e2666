#include "platform/ini/IniFile.h"

#include "platform/debug/DebugOutput.h"
#include "platform/fs/FileIo.h"

#include <algorithm>

namespace orv {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool NamesEqual(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// The section name of a "[name]" line, or nullopt when the line is not a section header.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    const size_t close = line.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> SplitKeyLine(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';') {
        return std::nullopt;
    }
    const size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return KeyLine{Trim(trimmed.substr(0, equals)), Trim(trimmed.substr(equals + 1))};
}

std::string Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

// Index of the first line of the first matching section's body, or nullopt.
std::optional<size_t> FindSection(const std::vector<std::string>& lines, std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(lines[i]);
        if (name && NamesEqual(*name, section)) {
            return i + 1;
        }
    }
    return std::nullopt;
}

} // namespace

IniFile::IniFile(std::string_view text) {
    while (!text.empty()) {
        size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
            m_crlf = true;
        }
        m_lines.emplace_back(line);
        text.remove_prefix(end == text.size() ? end : end + 1);
    }
}

IniFile IniFile::Load(const std::string& path, FileRefusal* why) {
    FileRefusal ignored = FileRefusal::kNone;
    FileRefusal& refusal = why != nullptr ? *why : ignored;
    const std::optional<std::string> text = ReadWholeFile(path, kMaxTextFileBytes, &refusal);
    if (!text && refusal != FileRefusal::kCannotOpen && refusal != FileRefusal::kMissing) {
        OutputDebugString("INI file refused: " + DescribeFileRefusal(refusal, path));
    }
    return text ? IniFile(*text) : IniFile();
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
    const std::optional<size_t> start = FindSection(m_lines, Trim(section));
    if (!start) {
        return std::nullopt;
    }
    const std::string_view wanted = Trim(key);
    for (size_t i = *start; i < m_lines.size() && !SectionName(m_lines[i]); ++i) {
        const auto line = SplitKeyLine(m_lines[i]);
        if (line && NamesEqual(line->key, wanted)) {
            return Unquote(line->value);
        }
    }
    return std::nullopt;
}

std::string IniFile::GetString(std::string_view section, std::string_view key,
                               std::string_view defaultValue) const {
    std::optional<std::string> value = Find(section, key);
    return value ? std::move(*value) : std::string(defaultValue);
}

void IniFile::SetString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view wantedSection = Trim(section);
    const std::string_view wantedKey = Trim(key);
    const std::string newLine = std::string(wantedKey) + "=" + std::string(value);
    const std::optional<size_t> start = FindSection(m_lines, wantedSection);
    if (!start) {
        m_lines.push_back("[" + std::string(wantedSection) + "]");
        m_lines.push_back(newLine);
        return;
    }
    size_t insertAt = *start;
    for (size_t i = *start; i < m_lines.size() && !SectionName(m_lines[i]); ++i) {
        const auto line = SplitKeyLine(m_lines[i]);
        if (!line) {
            continue;
        }
        if (NamesEqual(line->key, wantedKey)) {
            m_lines[i] = newLine;
            return;
        }
        insertAt = i + 1;
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
}

std::string IniFile::ToText() const {
    std::string text;
    for (const std::string& line : m_lines) {
        text += line;
        text += m_crlf ? "\r\n" : "\n";
    }
    return text;
}

bool IniFile::Save(const std::string& path) const {
    return WriteFileAtomically(path, ToText());
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path) {
    return IniFile::Load(path).GetString(section, key, defaultValue);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string& path, std::string* failure) {
    FileRefusal refusal = FileRefusal::kNone;
    IniFile file = IniFile::Load(path, &refusal);
    if (!MayWriteOver(refusal)) {
        const std::string reason = DescribeFileRefusal(refusal, path);
        OutputDebugString("INI file not written: " + reason);
        if (failure != nullptr) {
            *failure = reason;
        }
        return false;
    }
    file.SetString(section, key, value);
    if (!file.Save(path)) {
        if (failure != nullptr) {
            *failure = "cannot write " + path;
        }
        return false;
    }
    return true;
}

} // namespace orv
