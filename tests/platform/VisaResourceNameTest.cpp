#include "platform/visa/VisaResourceName.h"

#include <gtest/gtest.h>

#include <string>

namespace orv::visa {
namespace {

struct NameCase {
    std::string name;
    Status refusal;
    std::string host;
    uint16_t port;
};

TEST(VisaResourceName, SocketNamesAndRefusals) {
    const NameCase cases[] = {
        {"TCPIP0::127.0.0.1::5025::SOCKET", kSuccess, "127.0.0.1", 5025},
        {"tcpip::analyser.lab::1::socket", kSuccess, "analyser.lab", 1},
        {"TCPIP12::[::1]::65535::SOCKET", kSuccess, "::1", 65535},
        {"", kErrorInvalidResourceName, "", 0},
        {"TCPIP0::127.0.0.1::SOCKET", kErrorInvalidResourceName, "", 0},
        {"TCPIP0::127.0.0.1::0::SOCKET", kErrorInvalidResourceName, "", 0},
        {"TCPIP0::127.0.0.1::65536::SOCKET", kErrorInvalidResourceName, "", 0},
        {"TCPIP0::127.0.0.1::50a::SOCKET", kErrorInvalidResourceName, "", 0},
        {"TCPIP0::::5025::SOCKET", kErrorInvalidResourceName, "", 0},
        {"TCPIPx::127.0.0.1::5025::SOCKET", kErrorInvalidResourceName, "", 0},
        {"TCPIP0::127.0.0.1::5025::extra::SOCKET", kErrorInvalidResourceName, "", 0},
        {"TCPIP0::127.0.0.1 ::5025::SOCKET", kErrorInvalidResourceName, "", 0},
        {"GPIB0::::INSTR", kErrorInvalidResourceName, "", 0},
        {std::string(300, 'A'), kErrorInvalidResourceName, "", 0},
        // Well-formed, but only a vendor library can open them.
        {"GPIB0::18::INSTR", kErrorResourceNotFound, "", 0},
        {"TCPIP0::192.168.1.5::inst0::INSTR", kErrorResourceNotFound, "", 0},
        {"USB0::0x0957::0x0B0B::MY123::INSTR", kErrorResourceNotFound, "", 0},
        {"ASRL1::INSTR", kErrorResourceNotFound, "", 0},
        {"UsbDevice1", kErrorResourceNotFound, "", 0},
    };
    for (const NameCase& c : cases) {
        const ResourceNameReading reading = ReadResourceName(c.name);
        EXPECT_EQ(reading.refusal, c.refusal) << c.name;
        EXPECT_EQ(reading.socket.has_value(), c.refusal == kSuccess) << c.name;
        if (reading.socket) {
            EXPECT_EQ(reading.socket->host, c.host) << c.name;
            EXPECT_EQ(reading.socket->port, c.port) << c.name;
        }
    }
}

struct PartsCase {
    std::string name;
    std::string interfaceType; // empty: not a parsable name
    std::string host;
    std::string resourceClass;
};

// The one reading of a name that the connection and the built-in layer share: interface and class
// without regard to case, the host of a TCPIP name without the brackets of an IPv6 address.
TEST(VisaResourceName, PartsOfAnyName) {
    const PartsCase cases[] = {
        {"TCPIP0::127.0.0.1::5025::SOCKET", "TCPIP", "127.0.0.1", "SOCKET"},
        {"tcpip0::127.0.0.1::5025::socket", "TCPIP", "127.0.0.1", "SOCKET"},
        {"TCPIP0::[::1]::5025::SOCKET", "TCPIP", "::1", "SOCKET"},
        {"TcpIp1::[fe80::1%eth0]::hislip0::Instr", "TCPIP", "fe80::1%eth0", "INSTR"},
        {"TCPIP::fsv.lab.example::inst0::INSTR", "TCPIP", "fsv.lab.example", "INSTR"},
        {"TCPIP0::analyser", "TCPIP", "analyser", "INSTR"},
        {"gpib0::18::instr", "GPIB", "", "INSTR"},
        {"GPIB0::18", "GPIB", "", "INSTR"},
        {"ASRL1::INSTR", "ASRL", "", "INSTR"},
        {"UsbDevice1", "", "", ""},
        {"TCPIP0::[::1]x::5025::SOCKET", "", "", ""},
        {"TCPIP0::[::1::5025::SOCKET", "", "", ""},
        {"TCPIPx::h::5025::SOCKET", "", "", ""},
    };
    for (const PartsCase& c : cases) {
        const std::optional<ResourceNameParts> parts = ParseResourceName(c.name);
        ASSERT_EQ(parts.has_value(), !c.interfaceType.empty()) << c.name;
        if (parts) {
            EXPECT_EQ(parts->interfaceType, c.interfaceType) << c.name;
            EXPECT_EQ(parts->host, c.host) << c.name;
            EXPECT_EQ(parts->resourceClass, c.resourceClass) << c.name;
        }
    }
    EXPECT_EQ(BuiltinRefusalReason("TCPIP0::[::1]::5025::SOCKET"), "");
    EXPECT_EQ(BuiltinRefusalReason("TCPIP0::10.0.0.5::hislip0::INSTR"),
              "a HiSLIP resource, which needs a VISA library");
    EXPECT_EQ(BuiltinRefusalReason("TCPIP0::10.0.0.5::inst0::INSTR"),
              "a VXI-11 INSTR resource, which needs a VISA library");
    EXPECT_EQ(BuiltinRefusalReason("USB0::0x0957::0x0B0B::MY1::INSTR"),
              "a USB INSTR resource, which needs a VISA library");
}

struct ExpressionCase {
    std::string expression;
    std::string name;
    bool matches;
};

TEST(VisaResourceName, SearchExpressions) {
    const ExpressionCase cases[] = {
        {"?*::(INSTR|SOCKET)", "TCPIP0::10.0.0.1::5025::SOCKET", true},
        {"?*::(INSTR|SOCKET)", "GPIB0::18::INSTR", true},
        {"?*::(INSTR|SOCKET)", "tcpip0::10.0.0.1::5025::socket", true},
        {"?*::(INSTR|SOCKET)", "ASRL1::INTFC", false},
        {"?*::(INSTR|SOCKET)", "TCPIP0::h::1::SOCKETS", false},
        {"TCPIP?::?*", "TCPIP0::h::1::SOCKET", true},
        {"GPIB[0-9]::?*", "GPIB3::1::INSTR", true},
        {"GPIB[^0]::?*", "GPIB0::1::INSTR", false},
        {"a.b", "a.b", true},
        {"a.b", "axb", false}, // '.' is a plain character in these expressions
        {"a\\*", "a*", true},
    };
    for (const ExpressionCase& c : cases) {
        const std::optional<VisaResourceExpression> compiled = VisaResourceExpression::Compile(c.expression);
        ASSERT_TRUE(compiled) << c.expression;
        EXPECT_EQ(compiled->Matches(c.name), c.matches) << c.expression << " / " << c.name;
    }
    EXPECT_FALSE(VisaResourceExpression::Compile("[abc"));
    EXPECT_FALSE(VisaResourceExpression::Compile("(a|b"));
    EXPECT_FALSE(VisaResourceExpression::Compile(""));
    EXPECT_FALSE(VisaResourceExpression::Compile("abc\\"));
}

} // namespace
} // namespace orv::visa
