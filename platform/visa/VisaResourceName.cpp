#include "platform/visa/VisaResourceName.h"

#include <cctype>
#include <charconv>

namespace orv::visa {

namespace {

constexpr size_t kLongestName = kFindBufferLength - 1;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && StartsWithNoCase(text.substr(text.size() - suffix.size()), suffix);
}

bool AllDigits(std::string_view text) {
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// "TCPIP[board]::host::port::SOCKET", already known to begin with TCPIP and end with ::SOCKET.
std::optional<SocketResource> ReadSocketName(std::string_view name) {
    std::string_view rest = name.substr(5, name.size() - 5 - 8); // between "TCPIP" and "::SOCKET"
    const size_t boardEnd = rest.find("::");
    if (boardEnd == std::string_view::npos) {
        return std::nullopt;
    }
    SocketResource resource;
    const std::string_view board = rest.substr(0, boardEnd);
    if (!AllDigits(board) || board.size() > 4) {
        return std::nullopt;
    }
    if (!board.empty()) {
        std::from_chars(board.data(), board.data() + board.size(), resource.board);
    }
    rest.remove_prefix(boardEnd + 2);
    std::string_view host;
    if (!rest.empty() && rest.front() == '[') {
        const size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        host = rest.substr(1, close - 1);
        rest.remove_prefix(close + 1);
        if (rest.substr(0, 2) != "::") {
            return std::nullopt;
        }
        rest.remove_prefix(2);
    } else {
        const size_t hostEnd = rest.find("::");
        if (hostEnd == std::string_view::npos) {
            return std::nullopt;
        }
        host = rest.substr(0, hostEnd);
        rest.remove_prefix(hostEnd + 2);
    }
    if (host.empty() ||
        (host.find(':') != std::string_view::npos && name.find('[') == std::string_view::npos)) {
        return std::nullopt;
    }
    // What is left is the port alone.
    if (rest.empty() || rest.size() > 5 || !AllDigits(rest)) {
        return std::nullopt;
    }
    uint32_t port = 0;
    std::from_chars(rest.data(), rest.data() + rest.size(), port);
    if (port == 0 || port > 65535) {
        return std::nullopt;
    }
    resource.host = std::string(host);
    resource.port = static_cast<uint16_t>(port);
    return resource;
}

} // namespace

ResourceNameReading ReadResourceName(std::string_view name) {
    ResourceNameReading reading;
    if (name.empty() || name.size() > kLongestName) {
        reading.refusal = kErrorInvalidResourceName;
        return reading;
    }
    for (const char c : name) {
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) {
            reading.refusal = kErrorInvalidResourceName;
            return reading;
        }
    }
    if (StartsWithNoCase(name, "TCPIP") && EndsWithNoCase(name, "::SOCKET")) {
        reading.socket = ReadSocketName(name);
        reading.refusal = reading.socket ? kSuccess : kErrorInvalidResourceName;
        return reading;
    }
    // Other interfaces: a name with an empty part is malformed; a well-formed one needs a vendor
    // library, as does an alias.
    size_t start = 0;
    while (true) {
        const size_t next = name.find("::", start);
        const std::string_view part =
            name.substr(start, next == std::string_view::npos ? name.npos : next - start);
        if (part.empty()) {
            reading.refusal = kErrorInvalidResourceName;
            return reading;
        }
        if (next == std::string_view::npos) {
            break;
        }
        start = next + 2;
    }
    reading.refusal = kErrorResourceNotFound;
    return reading;
}

std::optional<VisaResourceExpression> VisaResourceExpression::Compile(std::string_view expression) {
    if (expression.empty() || expression.size() > 1024) {
        return std::nullopt;
    }
    std::string pattern;
    bool inSet = false;
    for (size_t i = 0; i < expression.size(); ++i) {
        const char c = expression[i];
        if (c == '\\') {
            if (i + 1 >= expression.size()) {
                return std::nullopt;
            }
            // The next character stands for itself.
            const char literal = expression[++i];
            if (std::isalnum(static_cast<unsigned char>(literal)) == 0) {
                pattern += '\\';
            }
            pattern += literal;
            continue;
        }
        if (inSet) {
            if (c == ']') {
                inSet = false;
            }
            pattern += c;
            continue;
        }
        switch (c) {
        case '?':
            pattern += '.';
            break;
        case '[':
            inSet = true;
            pattern += c;
            if (i + 1 < expression.size() && expression[i + 1] == '^') {
                pattern += '^';
                ++i;
            }
            break;
        case '*':
        case '+':
        case '(':
        case ')':
        case '|':
            pattern += c;
            break;
        default:
            if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
                pattern += '\\';
            }
            pattern += c;
            break;
        }
    }
    if (inSet) {
        return std::nullopt;
    }
    try {
        return VisaResourceExpression(std::regex(pattern, std::regex::ECMAScript | std::regex::icase));
    } catch (const std::regex_error&) {
        return std::nullopt;
    }
}

bool VisaResourceExpression::Matches(std::string_view name) const {
    return std::regex_match(name.begin(), name.end(), m_pattern);
}

} // namespace orv::visa
