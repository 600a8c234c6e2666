#include "tests/sim/scpi/ControlText.h"

#include <cstdio>

namespace orv::sim {

std::string EscapeField(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\':
            text += "\\\\";
            break;
        case '\t':
            text += "\\t";
            break;
        case '\n':
            text += "\\n";
            break;
        case '\r':
            text += "\\r";
            break;
        default:
            if (byte < 0x20 || byte >= 0x7F) {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", byte);
                text += hex;
            } else {
                text += c;
            }
            break;
        }
    }
    return text;
}

namespace {

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

} // namespace

std::string UnescapeField(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            bytes += text[i];
            continue;
        }
        const char next = text[++i];
        if (next == 't') {
            bytes += '\t';
        } else if (next == 'n') {
            bytes += '\n';
        } else if (next == 'r') {
            bytes += '\r';
        } else if (next == 'x' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
                   HexDigit(text[i + 2]) >= 0) {
            bytes += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            bytes += next;
        }
    }
    return bytes;
}

std::vector<std::string> SplitControlLine(std::string_view line) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        fields.push_back(
            UnescapeField(line.substr(start, tab == std::string_view::npos ? line.npos : tab - start)));
        if (tab == std::string_view::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

} // namespace orv::sim
