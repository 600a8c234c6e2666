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
    EXPECT_EQ(Query(s, "SYST:ERR?\n"), "0,\"No error\"\n");
    EXPECT_EQ(Query(s, "INST?\n"), "SA\n");
    m_sim.SetMode("a", "\"SAN\"");
    EXPECT_EQ(Query(s, "INST?\n"), "\"SAN\"\n");
    // One "*OPC?" and then reads only: the third read answers 1.
    m_sim.SetOpcAfterPolls("a", 3);
    ASSERT_EQ(vi.viPrintf(s, "*OPC?;\n"), kSuccess);
    std::vector<int32_t> polls;
    int32_t value = 0;
    while (polls.size() < 5 && value != 1 && vi.viScanf(s, "%d", &value) >= kSuccess) {
        polls.push_back(value);
    }
    EXPECT_EQ(polls, (std::vector<int32_t>{0, 0, 1}));
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
