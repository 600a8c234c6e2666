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

bool AllDigits(std::string_view text) {
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

bool IsResourceClass(std::string_view word) {
    static constexpr std::string_view kClasses[] = {"INSTR",   "SOCKET", "INTFC", "BACKPLANE",
                                                    "SERVANT", "MEMACC", "RAW"};
    for (const std::string_view resourceClass : kClasses) {
        if (word.size() == resourceClass.size() && StartsWithNoCase(word, resourceClass)) {
            return true;
        }
    }
    return false;
}

bool IsInterfaceType(std::string_view word) {
    static constexpr std::string_view kInterfaces[] = {"GPIB", "GPIB-VXI", "VXI", "PXI",
                                                       "ASRL", "TCPIP",    "USB", "FIREWIRE"};
    for (const std::string_view interfaceType : kInterfaces) {
        if (word == interfaceType) {
            return true;
        }
    }
    return false;
}

bool IsWellFormedText(std::string_view name) {
    if (name.empty() || name.size() > kLongestName) {
        return false;
    }
    for (const char c : name) {
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<ResourceNameParts> ParseResourceName(std::string_view name) {
    if (!IsWellFormedText(name)) {
        return std::nullopt;
    }
    const size_t first = name.find("::");
    if (first == std::string_view::npos) {
        return std::nullopt; // an alias
    }
    // "<letters>[digits]": the interface and its board number.
    const std::string_view head = name.substr(0, first);
    size_t letters = 0;
    while (letters < head.size() &&
           (std::isalpha(static_cast<unsigned char>(head[letters])) != 0 || head[letters] == '-')) {
        ++letters;
    }
    const std::string_view board = head.substr(letters);
    if (letters == 0 || !AllDigits(board) || board.size() > 4) {
        return std::nullopt;
    }
    ResourceNameParts parts;
    parts.interfaceType = UpperCase(head.substr(0, letters));
    if (!IsInterfaceType(parts.interfaceType)) {
        return std::nullopt;
    }
    if (!board.empty()) {
        std::from_chars(board.data(), board.data() + board.size(), parts.board);
    }
    std::string_view rest = name.substr(first + 2);
    if (parts.interfaceType == "TCPIP") {
        std::string_view host;
        if (!rest.empty() && rest.front() == '[') {
            const size_t close = rest.find(']');
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            host = rest.substr(1, close - 1);
            rest.remove_prefix(close + 1);
            if (!rest.empty() && rest.substr(0, 2) != "::") {
                return std::nullopt;
            }
        } else {
            host = rest.substr(0, rest.find("::"));
            if (host.find(':') != std::string_view::npos) {
                return std::nullopt; // an IPv6 address needs its brackets
            }
            rest.remove_prefix(host.size());
        }
        if (host.empty()) {
            return std::nullopt;
        }
        parts.host = std::string(host);
        if (rest.empty()) {
            parts.resourceClass = "INSTR";
            return parts;
        }
        rest.remove_prefix(2);
    }
    while (true) {
        const size_t next = rest.find("::");
        const std::string_view field = rest.substr(0, next);
        if (field.empty()) {
            return std::nullopt;
        }
        parts.fields.emplace_back(field);
        if (next == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(next + 2);
    }
    if (IsResourceClass(parts.fields.back())) {
        parts.resourceClass = UpperCase(parts.fields.back());
        parts.fields.pop_back();
    } else {
        parts.resourceClass = "INSTR";
    }
    return parts;
}

std::string BuiltinRefusalReason(std::string_view name) {
    const std::optional<ResourceNameParts> parts = ParseResourceName(name);
    if (!parts) {
        return IsWellFormedText(name) && name.find("::") == std::string_view::npos
                   ? "an alias, which only a VISA library resolves"
                   : "not a VISA resource name";
    }
    if (parts->interfaceType == "TCPIP" && parts->resourceClass == "SOCKET") {
        return ReadResourceName(name).socket ? std::string()
                                             : "not a TCPIP SOCKET name with a host and a port";
    }
    if (parts->interfaceType == "TCPIP" && parts->resourceClass == "INSTR") {
        for (const std::string& field : parts->fields) {
            if (StartsWithNoCase(field, "hislip")) {
                return "a HiSLIP resource, which needs a VISA library";
            }
        }
        return "a VXI-11 INSTR resource, which needs a VISA library";
    }
    return "a " + parts->interfaceType + " " + parts->resourceClass + " resource, which needs a VISA library";
}

ResourceNameReading ReadResourceName(std::string_view name) {
    ResourceNameReading reading;
    if (!IsWellFormedText(name)) {
        reading.refusal = kErrorInvalidResourceName;
        return reading;
    }
    const std::optional<ResourceNameParts> parts = ParseResourceName(name);
    if (!parts) {
        // An alias needs a vendor library; anything else with "::" is malformed.
        reading.refusal =
            name.find("::") == std::string_view::npos ? kErrorResourceNotFound : kErrorInvalidResourceName;
        return reading;
    }
    if (parts->interfaceType != "TCPIP" || parts->resourceClass != "SOCKET") {
        // Well-formed, but only a vendor library opens it.
        reading.refusal = kErrorResourceNotFound;
        return reading;
    }
    // What is left between the host and the class is the port alone.
    reading.refusal = kErrorInvalidResourceName;
    if (parts->fields.size() != 1) {
        return reading;
    }
    const std::string& portText = parts->fields.front();
    if (portText.size() > 5 || !AllDigits(portText)) {
        return reading;
    }
    uint32_t port = 0;
    std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (port == 0 || port > 65535) {
        return reading;
    }
    reading.socket = SocketResource{parts->board, parts->host, static_cast<uint16_t>(port)};
    reading.refusal = kSuccess;
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
