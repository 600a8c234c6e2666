#pragma once

// Resource names and search expressions of the VISA interface, as the built-in layer reads them.
//   TCPIP[board]::host::port::SOCKET   raw SCPI over TCP (the built-in layer serves these);
//                                       host may be an IPv6 address in brackets
// Every other well-formed name (GPIB, USB, serial, VXI-11 INSTR resources, aliases) needs a vendor
// library. Interface and class words are compared without regard to case, as VISA does.

#include "platform/visa/VisaTypes.h"

#include <cstdint>
#include <optional>
#include <regex>
#include <string>
#include <string_view>

namespace orv::visa {

struct SocketResource {
    uint32_t board = 0;
    std::string host; // without brackets
    uint16_t port = 0;
};

// What the built-in layer makes of a resource name: the socket to open, or the status it refuses
// the name with (kErrorInvalidResourceName for a malformed name, kErrorResourceNotFound for a name
// that only a vendor library can open).
struct ResourceNameReading {
    std::optional<SocketResource> socket;
    Status refusal = kSuccess;
};

ResourceNameReading ReadResourceName(std::string_view name);

// A VISA search expression ("?*::(INSTR|SOCKET)"): '?' any one character, '*' and '+' repeat what
// precedes them, [list] and [^list] character sets, (a|b) alternatives, '\' takes the next
// character as it is. A name matches when the whole name fits, without regard to case.
class VisaResourceExpression {
public:
    // nullopt when the expression is malformed.
    static std::optional<VisaResourceExpression> Compile(std::string_view expression);
    bool Matches(std::string_view name) const;

private:
    explicit VisaResourceExpression(std::regex pattern) : m_pattern(std::move(pattern)) {}
    std::regex m_pattern;
};

} // namespace orv::visa
