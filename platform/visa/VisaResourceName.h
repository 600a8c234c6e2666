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
#include <vector>

namespace orv::visa {

struct SocketResource {
    uint32_t board = 0;
    std::string host; // without brackets
    uint16_t port = 0;
};

// The parts of a resource name "<interface>[board]::...::[class]", read without regard to case:
//   TCPIP0::192.168.1.5::5025::SOCKET   interface "TCPIP", board 0, host "192.168.1.5",
//                                       fields {"5025"}, class "SOCKET"
//   tcpip::[fe80::1]::hislip0::instr    interface "TCPIP", host "fe80::1", fields {"hislip0"},
//                                       class "INSTR"
//   GPIB0::18                           interface "GPIB", fields {"18"}, class "INSTR" (the default)
// Interface and class come back in upper case; the host only for TCPIP names, without the brackets
// of an IPv6 address; the fields as written.
struct ResourceNameParts {
    std::string interfaceType;
    uint32_t board = 0;
    std::string host;
    std::vector<std::string> fields;
    std::string resourceClass;
};

// nullopt for an alias (no "::") or a malformed name (an empty part, an unclosed bracket, a board
// that is not a number, a blank or control character, longer than 256 characters).
std::optional<ResourceNameParts> ParseResourceName(std::string_view name);

// Why the built-in layer cannot serve a name (empty when it can): the name for a log line.
std::string BuiltinRefusalReason(std::string_view name);

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
