#include "analyzers/CSpectrumAnalyzer.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CVisaConnection.h"
#include "platform/fs/FileIo.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using test::AnalyzerLogLines;
using test::AnalyzerSimulatorBench;
using test::FakeAnalyzerScanSetup;

const std::string kFsv = "Rohde&Schwarz,FSV-7,101234/007,2.30";
const std::string kEsrp = "Rohde&Schwarz,ESRP-3,101999/003,3.10";
const std::string kMxa = "Keysight Technologies,N9020A,MY1234,A.14";

// The base class alone, with the sweep points it was asked for recorded.
class BaseAnalyzer : public CSpectrumAnalyzer {
public:
    using CSpectrumAnalyzer::KeepPreviousTrace;
    void HoldTrace(std::vector<float> values) { m_traceA = std::move(values); }

    bool SetSweepPoints(int32_t count) override {
        m_asked.push_back(count);
        return true;
    }
    std::vector<int32_t> m_asked;
};

class OtherConnection : public CSAConnection {
public:
    std::string QueryIdentity() override { return "SignalHound,BB60C,1234,0"; }
    bool DetectAndConnect() override { return true; }
};

class SpectrumAnalyzerTest : public ::testing::Test {
protected:
    AnalyzerSimulatorBench m_bench;
};

TEST_F(SpectrumAnalyzerTest, FindsTheModelOnAnotherResourceAfterLogging) {
    m_bench.AddResources({{"K", kMxa}, {"F", kFsv}});
    ASSERT_TRUE(WriteFileAtomically(CVisaConnection::PriorityFilePath(),
                                    m_bench.Name("K") + "\n" + m_bench.Name("F") + "\n"));
    CVisaConnection connection;
    ASSERT_TRUE(connection.DetectAndConnect());
    ASSERT_EQ(connection.GetIdentityText(), kMxa);
    AnalyzerLogLines log;
    BaseAnalyzer driver;
    EXPECT_TRUE(driver.FindVisaConnection(&connection, 38));
    EXPECT_EQ(driver.GetLastReplyText(), kFsv);
    EXPECT_EQ(driver.GetSession(), connection.GetSession());
    const std::vector<std::string> expected = {
        "Looking for VISA connection to 'FSV' Spectrum Analyzer ",
        "'FSV' not on VISA connection id: '" + m_bench.Name("K") + "'",
        "VISA connection id: '" + m_bench.Name("K") + "' connects to '" + kMxa + "'",
    };
    for (const std::string& line : expected) {
        EXPECT_TRUE(log.Has(line)) << line;
    }
    // The driver's identity query waits half a second on the clock and reads the whole line.
    EXPECT_EQ(m_bench.m_sim.Commands("F"), (std::vector<std::string>{"*IDN?", "*IDN?"}));
}

TEST_F(SpectrumAnalyzerTest, DriverThirtyEightServesBothItsModels) {
    m_bench.AddResources({{"E", kEsrp}});
    CVisaConnection connection;
    ASSERT_TRUE(connection.DetectAndConnect());
    BaseAnalyzer driver;
    EXPECT_TRUE(driver.FindVisaConnection(&connection, 38));
    BaseAnalyzer other;
    AnalyzerLogLines log;
    EXPECT_FALSE(other.FindVisaConnection(&connection, 15)); // an FSP driver
    EXPECT_TRUE(log.Has("Failed to find VISA connection to 'FSP'"));
}

TEST_F(SpectrumAnalyzerTest, PlaceholderAndOtherConnections) {
    const test::AnalyzerEnvironmentValue none("ORV_VISA_RESOURCES", std::string());
    SetNoAnalyzerSwitch(true);
    CVisaConnection connection;
    ASSERT_TRUE(connection.DetectAndConnect());
    BaseAnalyzer driver;
    EXPECT_TRUE(driver.FindVisaConnection(&connection, 900));
    EXPECT_EQ(driver.GetSession(), CVisaConnection::kPlaceholderSession);
    EXPECT_EQ(driver.QueryIdentity(), "Null,Null,Null,Null");
    EXPECT_TRUE(m_bench.m_clock.Pauses().empty()); // no VISA call, no wait
    // Without a session every VISA operation fails with an error status and clears its flag.
    EXPECT_FALSE(driver.CheckStatus());
    EXPECT_FALSE(driver.IsQueryValid());
    EXPECT_LT(driver.Initiate(), 0);
    EXPECT_FALSE(driver.IsCommandValid());
    EXPECT_FALSE(driver.QueryGatedSweep());
    BaseAnalyzer unbound;
    OtherConnection other;
    EXPECT_TRUE(unbound.FindVisaConnection(&other, 106));
    EXPECT_EQ(unbound.GetSession(), visa::kNoSession);
    EXPECT_EQ(unbound.QueryIdentity(), "");
    EXPECT_FALSE(unbound.IsQueryValid());
    EXPECT_FALSE(unbound.WaitForOpc(1));
}

// A driver bound to the simulator's resource "A".
class BoundAnalyzerTest : public SpectrumAnalyzerTest {
protected:
    void SetUp() override {
        m_bench.AddResources({{"A", kFsv}});
        ASSERT_TRUE(m_connection.DetectAndConnect());
        ASSERT_TRUE(m_driver.FindVisaConnection(&m_connection, 38));
        m_bench.m_sim.ClearCommands("A");
    }
    std::vector<std::string> Commands(size_t count) { return m_bench.m_sim.WaitForCommands("A", count); }

    CVisaConnection m_connection;
    BaseAnalyzer m_driver;
};

TEST_F(BoundAnalyzerTest, StatusWithQueuedErrors) {
    m_bench.m_sim.SetErrorCount("A", 3);
    EXPECT_TRUE(m_driver.CheckStatus());
    EXPECT_TRUE(m_driver.GetErrorFlag());
    m_bench.m_sim.SetErrorCount("A", 0);
    EXPECT_TRUE(m_driver.CheckStatus());
    EXPECT_FALSE(m_driver.GetErrorFlag());
    EXPECT_EQ(Commands(2), (std::vector<std::string>{"ERR?", "ERR?"}));
}

TEST_F(BoundAnalyzerTest, RbwFilterTypeInSpectrumModeOnly) {
    m_bench.m_sim.SetMode("A", "\"SA\"");
    m_bench.m_sim.SetReply("A", ":SENS:BAND:RES:TYPE?;", "NORM\n");
    m_driver.ReadRbwFilterType();
    EXPECT_TRUE(m_driver.IsRbwFilterTypeKnown());
    EXPECT_EQ(m_driver.GetLastReplyText(), "SA");
    m_driver.RestoreRbwFilterType();
    EXPECT_EQ(Commands(3),
              (std::vector<std::string>{"INST?", ":SENS:BAND:RES:TYPE?;", ":SENS:BAND:RES:TYPE NORM"}));
    m_bench.m_sim.ClearCommands("A");
    m_bench.m_sim.SetMode("A", "\"REC\"");
    m_driver.ReadRbwFilterType();
    EXPECT_FALSE(m_driver.IsRbwFilterTypeKnown());
    m_driver.RestoreRbwFilterType(); // sends nothing
    m_driver.Initiate();
    EXPECT_EQ(Commands(2), (std::vector<std::string>{"INST?", ":INIT;"}));
}

TEST_F(BoundAnalyzerTest, GatedSweepQuery) {
    m_bench.m_sim.SetReply("A", ":SWE:EGAT?;", "1\n");
    EXPECT_TRUE(m_driver.QueryGatedSweep());
    m_bench.m_sim.SetReply("A", ":SWE:EGAT?;", "0\n");
    EXPECT_FALSE(m_driver.QueryGatedSweep());
    EXPECT_EQ(Commands(2), (std::vector<std::string>{":SWE:EGAT?;", ":SWE:EGAT?;"}));
}

TEST_F(BoundAnalyzerTest, OperationCompletePolls) {
    // Done after the first pause.
    m_bench.m_clock.ClearPauses();
    EXPECT_TRUE(m_driver.WaitForOpc(5));
    EXPECT_EQ(m_bench.m_clock.Pauses().size(), 1u);
    m_driver.FlushBuffers();
    // Never complete within a second: twenty-one 50 ms pauses pass the second, each read ending at
    // the time-out.
    m_connection.SetTimeout(10);
    m_bench.m_sim.SetOperationTime("A", test::ScpiSimulatorProcess::kNeverDoneMs);
    m_bench.m_clock.ClearPauses();
    EXPECT_FALSE(m_driver.WaitForOpc(1));
    EXPECT_EQ(m_bench.m_clock.Pauses().size(), 21u);
    EXPECT_EQ(Commands(2), (std::vector<std::string>{"*OPC?;", "*OPC?;"}));
}

TEST_F(BoundAnalyzerTest, SweepPointTestAsksEveryOddCount) {
    m_bench.m_clock.ClearPauses();
    m_driver.TestSweepPoints();
    ASSERT_EQ(m_driver.m_asked.size(), 609u);
    EXPECT_EQ(m_driver.m_asked.front(), 1);
    EXPECT_EQ(m_driver.m_asked.back(), 1217);
    EXPECT_EQ(m_bench.m_clock.TotalPaused(), std::chrono::milliseconds(609 * 200));
}

TEST_F(BoundAnalyzerTest, OpeningByBusNeedsAVendorLibraryForGpibAndUsb) {
    AnalyzerLogLines log;
    EXPECT_FALSE(m_driver.OpenConnection("GPIB"));
    EXPECT_EQ(m_driver.GetLastStatus(), visa::kErrorResourceNotFound);
    EXPECT_FALSE(m_driver.OpenConnection("USB"));
    EXPECT_TRUE(log.Has("Failed in opening connection to the general module of spectrum analyzer."));
    EXPECT_FALSE(m_driver.OpenConnection("nothing known"));
    EXPECT_TRUE(m_driver.OpenConnection(m_bench.Name("A")));
    EXPECT_TRUE(log.Has("Completed in opening connection to the general module of spectrum analyzer."));
    EXPECT_EQ(m_driver.QueryIdentity(), kFsv);
}

TEST(SpectrumAnalyzer, ActiveProbeCellsWithinTheTable) {
    FakeAnalyzerScanSetup setup;
    BaseAnalyzer driver;
    EXPECT_EQ(driver.GetActiveProbeCellCount(), 0); // no set-up
    driver.SetScanSetup(&setup);
    setup.m_rows = 0;
    setup.m_columns = 5;
    setup.m_cells = {1, 1, 1};
    EXPECT_EQ(driver.GetActiveProbeCellCount(), 0);
    setup.m_rows = 2;
    setup.m_columns = 3;
    setup.m_cells = {1, 0, 2, 0, 0, 1, 1, 1};
    EXPECT_EQ(driver.GetActiveProbeCellCount(), 3);
    // A grid larger than its table: only the table is read.
    setup.m_rows = 32767;
    setup.m_columns = 32767;
    setup.m_cells = {1, 1, 0, 1};
    EXPECT_EQ(driver.GetActiveProbeCellCount(), 3);
}

// A failed read answered with the previous array: never a trace shorter than the point count the
// caller reads, never zeros passed off as a measurement when nothing was kept.
TEST(SpectrumAnalyzer, AFailedTraceReadKeepsThePreviousArray) {
    BaseAnalyzer driver;
    EXPECT_EQ(driver.KeepPreviousTrace(5), nullptr);
    EXPECT_FALSE(driver.IsQueryValid());

    driver.SetQueryValid(true);
    driver.HoldTrace({1.0f, 2.0f, 3.0f});
    const float* kept = driver.KeepPreviousTrace(5);
    ASSERT_NE(kept, nullptr);
    EXPECT_FALSE(driver.IsQueryValid());
    EXPECT_EQ(std::vector<float>(kept, kept + 5), (std::vector<float>{1.0f, 2.0f, 3.0f, 0.0f, 0.0f}));
    // A shorter count leaves the kept values as they are; an implausible one grows no further.
    kept = driver.KeepPreviousTrace(2);
    EXPECT_EQ(std::vector<float>(kept, kept + 5), (std::vector<float>{1.0f, 2.0f, 3.0f, 0.0f, 0.0f}));
    EXPECT_NE(driver.KeepPreviousTrace(-1), nullptr);
    ASSERT_NE(driver.KeepPreviousTrace(1 << 30), nullptr);
    EXPECT_EQ(
        driver.KeepPreviousTrace(CSpectrumAnalyzer::kMaxTracePoints)[CSpectrumAnalyzer::kMaxTracePoints - 1],
        0.0f);
}

} // namespace
} // namespace orv
