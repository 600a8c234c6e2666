// The simulated analyser's scripted answers, seen through the built-in VISA layer: what the driver
// tests of every model rely on.
#include "platform/visa/BuiltinVisa.h"

#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace orv::visa {
namespace {

using test::ScpiSimulatorProcess;

class ScpiSimulatorTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(vi.viOpenDefaultRM(&m_manager), kSuccess); }
    void TearDown() override { vi.viClose(m_manager); }

    Session Open(const std::string& name) {
        Session session = kNoSession;
        EXPECT_EQ(vi.viOpen(m_manager, m_sim.ResourceName(name).c_str(), 0, 0, &session), kSuccess);
        return session;
    }
    std::string Query(Session session, const char* command) {
        EXPECT_EQ(vi.viPrintf(session, "%s", command), kSuccess);
        unsigned char reply[256];
        uint32_t returned = 0;
        EXPECT_GE(vi.viRead(session, reply, sizeof reply, &returned), kSuccess);
        return {reinterpret_cast<const char*>(reply), returned};
    }

    const VisaEntryPoints& vi = BuiltinVisaEntryPoints();
    ScpiSimulatorProcess m_sim;
    Session m_manager = kNoSession;
};

TEST_F(ScpiSimulatorTest, SeveralResourcesEachWithItsOwnScript) {
    const uint16_t first = m_sim.AddResource("fsv");
    const uint16_t second = m_sim.AddResource("n9020");
    EXPECT_NE(first, second);
    m_sim.SetIdentity("fsv", "Rohde&Schwarz,FSV-7,1,2");
    m_sim.SetIdentity("n9020", "Keysight Technologies,N9020B,MY1,A.1");
    const Session a = Open("fsv");
    const Session b = Open("n9020");
    EXPECT_EQ(Query(a, "*IDN?\n"), "Rohde&Schwarz,FSV-7,1,2\n");
    EXPECT_EQ(Query(b, "*IDN?\n"), "Keysight Technologies,N9020B,MY1,A.1\n");
    EXPECT_EQ(m_sim.Commands("fsv"), std::vector<std::string>{"*IDN?"});
    m_sim.ClearCommands("fsv");
    EXPECT_TRUE(m_sim.Commands("fsv").empty());
    EXPECT_EQ(m_sim.Commands("n9020"), std::vector<std::string>{"*IDN?"});
}

TEST_F(ScpiSimulatorTest, ErrorsModeAndOperationComplete) {
    m_sim.AddResource("a");
    const Session s = Open("a");
    m_sim.SetErrorCount("a", 2);
    EXPECT_EQ(Query(s, "ERR?\n"), "2\n");
    EXPECT_EQ(Query(s, ":SYST:ERR?;\n"), "-100,\"Command error\"\n");
    EXPECT_EQ(Query(s, "ERR?\n"), "1\n");
    ASSERT_EQ(vi.viPrintf(s, "*CLS\n"), kSuccess);
    EXPECT_EQ(Query(s, ":SYSTem:ERRor:NEXT?\n"), "0,\"No error\"\n");
    EXPECT_EQ(Query(s, "INST?\n"), "SA\n");
    m_sim.SetMode("a", "\"SAN\"");
    EXPECT_EQ(Query(s, "inst?\n"), "\"SAN\"\n");
    // One "*OPC?", one "1", given when the operation is done: nothing is left for the next query.
    m_sim.SetOperationTime("a", 120);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Query(s, "*OPC?;\n"), "1\n");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(110));
    ASSERT_EQ(vi.viSetAttribute(s, kAttrTimeoutValue, 50), kSuccess);
    unsigned char more[8];
    uint32_t returned = 0;
    EXPECT_EQ(vi.viRead(s, more, sizeof more, &returned), kErrorTimeout);
    EXPECT_EQ(returned, 0u);
}

// A command set read as an instrument reads it: headers in short or long form and any case, SENSe
// and a suffix of 1 optional, values in base units unless a suffix says otherwise.
TEST_F(ScpiSimulatorTest, HeadersAndUnitsAsAnInstrumentReadsThem) {
    m_sim.AddResource("x");
    m_sim.SetCommandSet("x", "xseries");
    const Session s = Open("x");
    struct Case {
        const char* set;
        const char* query;
        const char* reply;
    };
    const Case cases[] = {
        {"FREQ:CENT 1 GHz", ":FREQuency:CENTer?", "1.000000000E+09\n"},
        {":SENSe:FREQuency:CENTer 1.5GHZ", "SENS:FREQ:CENT?", "1.500000000E+09\n"},
        {"frequency:center 250e6", "freq:cent?", "2.500000000E+08\n"},
        {":FREQ:SPAN 30 KHZ", ":SENSe:FREQuency:SPAN?", "3.000000000E+04\n"},
        {"BAND 100 kHz", ":BANDwidth:RESolution?", "1.000000000E+05\n"},
        {"SWE:TIME 20 MS", ":SWEep:TIME?", "2.000000000E-02\n"},
        {":SWEep:POINts 401", "SWE:POIN?", "401\n"},
        {"CALC:MARK1:FCO ON", ":CALCulate:MARKer:X?", "250000000.000000\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set);
        ASSERT_EQ(vi.viPrintf(s, "%s\n", c.set), kSuccess);
        EXPECT_EQ(Query(s, (std::string(c.query) + "\n").c_str()), c.reply);
    }
    EXPECT_EQ(Query(s, "SYST:ERR?\n"), "0,\"No error\"\n");
    // A compound query is answered in one message.
    EXPECT_EQ(Query(s, "FREQ:SPAN?;:SWE:POIN?\n"), "3.000000000E+04;401\n");
    // An unknown unit, an unknown header.
    ASSERT_EQ(vi.viPrintf(s, "FREQ:CENT 1 PARSEC\n"), kSuccess);
    ASSERT_EQ(vi.viPrintf(s, "FREQ:CENTRE 1 GHZ\n"), kSuccess);
    EXPECT_EQ(Query(s, "SYST:ERR?\n"), "-131,\"Invalid suffix\"\n");
    EXPECT_EQ(Query(s, "SYST:ERR?\n"), "-113,\"Undefined header\"\n");
    EXPECT_EQ(Query(s, "FREQ:CENT?\n"), "2.500000000E+08\n");
}

TEST_F(ScpiSimulatorTest, TheErrorQueueHoldsTenAndTellsOfItsOverflow) {
    m_sim.AddResource("r");
    m_sim.SetCommandSet("r", "rs");
    const Session s = Open("r");
    for (int i = 0; i < 14; ++i) {
        ASSERT_EQ(vi.viPrintf(s, "NO:SUCH:HEADER %d\n", i), kSuccess);
    }
    EXPECT_EQ(Query(s, "ERR?\n"), "10\n");
    std::vector<std::string> errors;
    for (int i = 0; i < 11; ++i) {
        errors.push_back(Query(s, "SYST:ERR?\n"));
    }
    std::vector<std::string> expected(9, "-113,\"Undefined header\"\n");
    expected.emplace_back("-350,\"Queue overflow\"\n");
    expected.emplace_back("0,\"No error\"\n");
    EXPECT_EQ(errors, expected);
    m_sim.SetErrorCount("r", 25);
    EXPECT_EQ(Query(s, "ERR?\n"), "10\n");
}

// "*RST" brings back the ASCII format and the maker's byte order (network order for the X-series,
// little-endian for R&S).
TEST_F(ScpiSimulatorTest, ResetRestoresTheDataFormat) {
    struct Case {
        const char* set;
        bool littleEndian;
    };
    for (const Case c : {Case{"xseries", false}, Case{"rs", true}}) {
        SCOPED_TRACE(c.set);
        const std::string name = std::string("t-") + c.set;
        m_sim.AddResource(name);
        m_sim.SetCommandSet(name, c.set);
        const Session s = Open(name);
        ASSERT_EQ(vi.viPrintf(s, ":SWE:POIN 2;:FORM:DATA REAL,32;:FORM:BORD %s\n",
                              c.littleEndian ? "NORM" : "SWAP"),
                  kSuccess);
        const std::string swapped = Query(s, "TRAC:DATA? TRACE1\n");
        ASSERT_EQ(swapped.substr(0, 3), "#18");
        ASSERT_EQ(vi.viPrintf(s, "*RST\n"), kSuccess);
        ASSERT_EQ(vi.viPrintf(s, ":SWE:POIN 2;:FORM:DATA REAL,32\n"), kSuccess);
        const std::string reset = Query(s, "TRAC:DATA? TRACE1\n");
        ASSERT_EQ(reset.size(), 12u);
        // -80.0f is 0xC2A00000.
        EXPECT_EQ(static_cast<unsigned char>(reset[c.littleEndian ? 6 : 3]), 0xC2);
        ASSERT_EQ(vi.viPrintf(s, "*RST\n"), kSuccess);
        EXPECT_EQ(Query(s, "TRAC:DATA? TRACE1\n").substr(0, 11), "-8.0000E+01");
    }
}

TEST_F(ScpiSimulatorTest, DelayedReplyArrivesLater) {
    m_sim.AddResource("a");
    const Session s = Open("a");
    m_sim.SetReply("a", ":TRAC? TRACE1", "1,2,3\n");
    m_sim.SetDelay("a", ":TRAC? TRACE1", 150);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Query(s, ":TRAC? TRACE1\n"), "1,2,3\n");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(140));
    // A time-out shorter than the delay ends the read first.
    ASSERT_EQ(vi.viSetAttribute(s, kAttrTimeoutValue, 20), kSuccess);
    ASSERT_EQ(vi.viPrintf(s, ":TRAC? TRACE1\n"), kSuccess);
    unsigned char reply[16];
    uint32_t returned = 0;
    EXPECT_EQ(vi.viRead(s, reply, sizeof reply, &returned), kErrorTimeout);
}

} // namespace
} // namespace orv::visa
