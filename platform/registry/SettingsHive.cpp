#include "platform/registry/SettingsHive.h"

#include <algorithm>

namespace orv {

namespace {

// The registry's own limits; they also keep a corrupt file from nesting keys deep enough to exhaust
// the stack of the recursive writer.
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxKeyDepth = 512;

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsValidKeyName(std::string_view name) {
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '[' || c == ']') {
            return false;
        }
    }
    return !name.empty() && name.size() <= kMaxKeyNameLength;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

const char kHex[] = "0123456789abcdef";

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7f) {
                out += "\\x";
                out += kHex[byte >> 4];
                out += kHex[byte & 0x0f];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

// Reads a quoted text at the start of `text`; on success `text` is left after the closing quote.
bool ReadQuoted(std::string_view& text, std::string& out) {
    if (text.empty() || text.front() != '"') {
        return false;
    }
    out.clear();
    size_t i = 1;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {
            text.remove_prefix(i + 1);
            return true;
        }
        if (c != '\\') {
            // A run of plain characters at once.
            const size_t end = std::min(text.find_first_of("\"\\", i), text.size());
            out.append(text.substr(i, end - i));
            i = end;
            continue;
        }
        if (i + 1 >= text.size()) {
            return false;
        }
        const char e = text[i + 1];
        i += 2;
        switch (e) {
        case '\\':
            out += '\\';
            break;
        case '"':
            out += '"';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x': {
            if (i + 1 >= text.size()) {
                return false;
            }
            const int high = HexDigit(text[i]);
            const int low = HexDigit(text[i + 1]);
            if (high < 0 || low < 0) {
                return false;
            }
            out += static_cast<char>((high << 4) | low);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return false;
}

bool ParseDwordData(std::string_view text, uint32_t& value) {
    if (text.empty() || text.size() > 8) {
        return false;
    }
    value = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            return false;
        }
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    return true;
}

bool ParseBinaryData(std::string_view text, std::string& bytes) {
    bytes.clear();
    if (text.empty()) {
        return true;
    }
    size_t i = 0;
    while (true) {
        if (i + 2 > text.size()) {
            return false;
        }
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes += static_cast<char>((high << 4) | low);
        i += 2;
        if (i == text.size()) {
            return true;
        }
        if (text[i] != ',') {
            return false;
        }
        ++i;
    }
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// One value line: "name"=type:data. False when the line is not one.
bool ParseValueLine(std::string_view line, SettingsValue& value) {
    if (!ReadQuoted(line, value.name)) {
        return false;
    }
    if (line.empty() || line.front() != '=') {
        return false;
    }
    line.remove_prefix(1);
    if (line.starts_with("sz:")) {
        line.remove_prefix(3);
        value.type = SettingsValueType::String;
        return ReadQuoted(line, value.data) && line.empty();
    }
    if (line.starts_with("dword:")) {
        uint32_t number = 0;
        if (!ParseDwordData(line.substr(6), number)) {
            return false;
        }
        value = SettingsValue::MakeDword(std::move(value.name), number);
        return true;
    }
    if (line.starts_with("hex:")) {
        value.type = SettingsValueType::Binary;
        return ParseBinaryData(line.substr(4), value.data);
    }
    return false;
}

void FormatKey(const SettingsHive::Key& key, const std::string& path, std::string& out) {
    if (!path.empty()) {
        out += '[';
        out += path;
        out += "]\n";
    }
    for (const SettingsValue& value : key.values) {
        AppendQuoted(out, value.name);
        out += '=';
        switch (value.type) {
        case SettingsValueType::String:
            out += "sz:";
            AppendQuoted(out, value.data);
            break;
        case SettingsValueType::Dword: {
            const uint32_t number = value.AsDword();
            out += "dword:";
            for (int shift = 28; shift >= 0; shift -= 4) {
                out += kHex[(number >> shift) & 0x0f];
            }
            break;
        }
        case SettingsValueType::Binary:
            out += "hex:";
            for (size_t i = 0; i < value.data.size(); ++i) {
                const auto byte = static_cast<unsigned char>(value.data[i]);
                if (i != 0) {
                    out += ',';
                }
                out += kHex[byte >> 4];
                out += kHex[byte & 0x0f];
            }
            break;
        }
        out += '\n';
    }
    for (const auto& sub : key.subKeys) {
        FormatKey(*sub, path.empty() ? sub->name : path + "\\" + sub->name, out);
    }
}

} // namespace

SettingsValue SettingsValue::MakeString(std::string name, std::string text) {
    return SettingsValue{std::move(name), SettingsValueType::String, std::move(text)};
}

SettingsValue SettingsValue::MakeDword(std::string name, uint32_t value) {
    std::string bytes(4, '\0');
    for (size_t i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xff);
    }
    return SettingsValue{std::move(name), SettingsValueType::Dword, std::move(bytes)};
}

SettingsValue SettingsValue::MakeBinary(std::string name, std::string bytes) {
    return SettingsValue{std::move(name), SettingsValueType::Binary, std::move(bytes)};
}

uint32_t SettingsValue::AsDword() const {
    if (type != SettingsValueType::Dword || data.size() != 4) {
        return 0;
    }
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        value |= static_cast<uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    }
    return value;
}

bool SettingsNamesEqual(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool SplitSettingsPath(std::string_view path, std::vector<std::string>& components) {
    components.clear();
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        const std::string_view part = path.substr(start, end - start);
        if (!part.empty()) {
            if (!IsValidKeyName(part)) {
                components.clear();
                return false;
            }
            if (components.size() == kMaxKeyDepth) {
                components.clear();
                return false;
            }
            components.emplace_back(part);
        }
        start = end + 1;
    }
    return true;
}

namespace {

uint64_t HashName(std::string_view name) {
    // FNV-1a over the lower-cased bytes, so names equal without regard to case hash alike.
    uint64_t hash = 14695981039346656037ULL;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(LowerAscii(c))) * 1099511628211ULL;
    }
    return hash;
}

// Keys hold a few values as a rule: below this many, a walk is cheaper than an index.
constexpr size_t kIndexedFrom = 16;

} // namespace

void SettingsHive::Key::NameIndex::Clear() {
    m_slots.clear();
    m_used = 0;
}

template <typename NameAt>
int64_t SettingsHive::Key::NameIndex::Find(std::string_view name, const NameAt& nameAt) const {
    if (m_slots.empty()) {
        return -1;
    }
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = HashName(name) & mask;; slot = (slot + 1) & mask) {
        const uint32_t entry = m_slots[slot];
        if (entry == 0) {
            return -1;
        }
        if (SettingsNamesEqual(nameAt(entry - 1), name)) {
            return entry - 1;
        }
    }
}

template <typename NameAt>
void SettingsHive::Key::NameIndex::Add(size_t at, size_t count, const NameAt& nameAt) {
    if ((m_used + 1) * 2 > m_slots.size()) {
        Rebuild(count, nameAt);
        return;
    }
    const size_t mask = m_slots.size() - 1;
    size_t slot = HashName(nameAt(at)) & mask;
    while (m_slots[slot] != 0) {
        slot = (slot + 1) & mask;
    }
    m_slots[slot] = static_cast<uint32_t>(at + 1);
    ++m_used;
}

template <typename NameAt> void SettingsHive::Key::NameIndex::Rebuild(size_t count, const NameAt& nameAt) {
    Clear();
    if (count < kIndexedFrom) {
        return;
    }
    size_t size = 64;
    while (size < count * 2 + 2) {
        size *= 2;
    }
    m_slots.assign(size, 0);
    const size_t mask = size - 1;
    for (size_t at = 0; at < count; ++at) {
        size_t slot = HashName(nameAt(at)) & mask;
        while (m_slots[slot] != 0) {
            slot = (slot + 1) & mask;
        }
        m_slots[slot] = static_cast<uint32_t>(at + 1);
    }
    m_used = count;
}

SettingsHive::Key* SettingsHive::Key::FindSubKey(std::string_view subKeyName) const {
    const auto nameAt = [this](size_t at) -> std::string_view { return subKeys[at]->name; };
    if (m_subKeyIndex.Empty()) {
        for (size_t at = 0; at < subKeys.size(); ++at) {
            if (SettingsNamesEqual(nameAt(at), subKeyName)) {
                return subKeys[at].get();
            }
        }
        return nullptr;
    }
    const int64_t at = m_subKeyIndex.Find(subKeyName, nameAt);
    return at < 0 ? nullptr : subKeys[static_cast<size_t>(at)].get();
}

int64_t SettingsHive::Key::FindValue(std::string_view valueName) const {
    const auto nameAt = [this](size_t at) -> std::string_view { return values[at].name; };
    if (m_valueIndex.Empty()) {
        for (size_t at = 0; at < values.size(); ++at) {
            if (SettingsNamesEqual(nameAt(at), valueName)) {
                return static_cast<int64_t>(at);
            }
        }
        return -1;
    }
    return m_valueIndex.Find(valueName, nameAt);
}

void SettingsHive::Key::AddValue(SettingsValue value) {
    values.push_back(std::move(value));
    if (values.size() >= kIndexedFrom) {
        m_valueIndex.Add(values.size() - 1, values.size(),
                         [this](size_t at) -> std::string_view { return values[at].name; });
    }
}

bool SettingsHive::Key::AddValueIfMissing(SettingsValue value) {
    if (FindValue(value.name) >= 0) {
        return false;
    }
    AddValue(std::move(value));
    return true;
}

void SettingsHive::Key::RemoveValue(size_t index) {
    if (index >= values.size()) {
        return;
    }
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(index));
    m_valueIndex.Rebuild(values.size(), [this](size_t at) -> std::string_view { return values[at].name; });
}

SettingsHive::Key& SettingsHive::Key::AddSubKey(std::string subKeyName) {
    subKeys.push_back(std::make_unique<Key>());
    subKeys.back()->name = std::move(subKeyName);
    if (subKeys.size() >= kIndexedFrom) {
        m_subKeyIndex.Add(subKeys.size() - 1, subKeys.size(),
                          [this](size_t at) -> std::string_view { return subKeys[at]->name; });
    }
    return *subKeys.back();
}

SettingsHive::Key& SettingsHive::Key::FindOrAddSubKey(std::string_view subKeyName) {
    Key* found = FindSubKey(subKeyName);
    return found != nullptr ? *found : AddSubKey(std::string(subKeyName));
}

bool SettingsHive::Key::RemoveSubKey(std::string_view subKeyName) {
    const auto nameAt = [this](size_t at) -> std::string_view { return subKeys[at]->name; };
    int64_t at = -1;
    if (m_subKeyIndex.Empty()) {
        for (size_t i = 0; i < subKeys.size() && at < 0; ++i) {
            if (SettingsNamesEqual(nameAt(i), subKeyName)) {
                at = static_cast<int64_t>(i);
            }
        }
    } else {
        at = m_subKeyIndex.Find(subKeyName, nameAt);
    }
    if (at < 0) {
        return false;
    }
    subKeys.erase(subKeys.begin() + static_cast<std::ptrdiff_t>(at));
    m_subKeyIndex.Rebuild(subKeys.size(), nameAt);
    return true;
}

SettingsHive::SettingsHive() : m_root(std::make_unique<Key>()) {}

SettingsHive SettingsHive::Parse(std::string_view text) {
    SettingsHive hive;
    Key* current = nullptr;
    std::vector<std::string> components;
    while (!text.empty()) {
        size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = TrimSpaces(text.substr(0, end));
        text.remove_prefix(end == text.size() ? end : end + 1);
        if (line.empty() || line.front() == '#' || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            // A header we cannot read leaves us outside any key, so its values are not misfiled.
            current = nullptr;
            if (line.back() == ']' && SplitSettingsPath(line.substr(1, line.size() - 2), components) &&
                !components.empty()) {
                current = &hive.Create(components);
            }
            continue;
        }
        SettingsValue value;
        if (current == nullptr || !ParseValueLine(line, value)) {
            continue;
        }
        current->AddValueIfMissing(std::move(value));
    }
    return hive;
}

std::string SettingsHive::Format() const {
    std::string out = "# Orvilant settings\n";
    FormatKey(*m_root, std::string(), out);
    return out;
}

SettingsHive::Key* SettingsHive::Find(const std::vector<std::string>& components) const {
    Key* key = m_root.get();
    for (const std::string& name : components) {
        key = key->FindSubKey(name);
        if (key == nullptr) {
            return nullptr;
        }
    }
    return key;
}

SettingsHive::Key& SettingsHive::Create(const std::vector<std::string>& components) {
    Key* key = m_root.get();
    for (const std::string& name : components) {
        key = &key->FindOrAddSubKey(name);
    }
    return *key;
}

bool SettingsHive::Remove(const std::vector<std::string>& components) {
    if (components.empty()) {
        return false;
    }
    Key* parent = Find(std::vector<std::string>(components.begin(), components.end() - 1));
    if (parent == nullptr) {
        return false;
    }
    return parent->RemoveSubKey(components.back());
}

} // namespace orv
