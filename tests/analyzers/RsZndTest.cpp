// The R&S ZND as a receiver on the simulated analyser answering the ZND command set: its command
// lines, the attenuation warning, the sweep's trace-read time-out, its status check and the raw block
// read with its header and length rules.

#include "analyzers/CVisaConnection.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerZND.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using test::AnalyzerLogLines;
using test::AnalyzerSimulatorBench;
using test::Block;
using test::FakeAnalyzerScanSetup;
using test::LittleEndian;
using test::ScopedLogErrors;
using test::SentCommands;
using test::SimulatedTrace;
using Lines = std::vector<std::string>;

constexpr const char* kIdentity = "Rohde-Schwarz,ZND-8,1328.5170K08/101234,2.70";
constexpr const char* kTraceQuery = "CALC1:DATA:TRAC? \"VXT\", FDAT;";

class OpenedZnd : public CSpectrumAnalyzerZND {
public:
    visa::VisaEntryPoints& Vi() { return m_vi; }
};

class RsZndTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_bench.AddResources({{"A", kIdentity}});
        ASSERT_TRUE(m_connection.DetectAndConnect());
        m_connection.SetTimeout(50);
        Sim().SetCommandSet("A", "znd");
        Bind();
    }
    void Bind() {
        m_driver = std::make_unique<OpenedZnd>();
        ASSERT_TRUE(m_driver->FindVisaConnection(&m_connection, 67));
        m_driver->SetScanSetup(&m_setup);
        Sim().ClearCommands("A");
    }
    Lines Commands() { return SentCommands(*m_driver, Sim()); }
    uint32_t Attribute(visa::Attribute attribute) {
        uint32_t value = 0;
        EXPECT_GE(m_driver->Vi().viGetAttribute(m_driver->GetSession(), attribute, &value), 0);
        return value;
    }
    test::ScpiSimulatorProcess& Sim() { return m_bench.m_sim; }

    AnalyzerSimulatorBench m_bench;
    CVisaConnection m_connection;
    std::unique_ptr<OpenedZnd> m_driver;
    FakeAnalyzerScanSetup m_setup;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>(PromptAnswer::Ok);
    ScopedPromptInstall m_promptInstall{m_prompt};
};

TEST_F(RsZndTest, CommandLinesOfEachOperation) {
    struct Case {
        const char* what;
        std::function<bool(CSpectrumAnalyzerZND&)> run;
        Lines lines;
    };
    const std::vector<Case> cases = {
        {"set-up",
         [](auto& d) { return d.SetupSpectrumAnalyzer(); },
         {"*RST;", "*CLS;", ":SYST:DISP:UPD ON;", "CALC1:PAR:SDEF \"VXT\", \"S12\";", "DISP:WIND1:STAT ON;",
          "DISP:WIND1:TRAC2:FEED \"VXT\";"}},
        {"trigger, gated or not",
         [](auto& d) { return d.SetInternalTriger(0) && d.SetInternalTriger(1); },
         {":Trigger:Source Immediate; :Initiate:Continuous on;",
          ":Trigger:Source Immediate; :Initiate:Continuous on;"}},
        {"zero span is the narrowest",
         [](auto& d) { return d.SetSpan(0.0f); },
         {":Frequency:Span 0.000001 MHZ;"}},
        {"span", [](auto& d) { return d.SetSpan(12.5f); }, {":Frequency:Span 12.500000 MHZ;"}},
        {"resolution without video bandwidth",
         [](auto& d) { return d.SetResolution(0.001f); },
         {":Bandwidth 0.001000 MHZ;"}},
        {"sweep points beyond the maximum",
         [](auto& d) { return d.SetSweepPoints(6000) && d.GetSweepPointCount() == 5001; },
         {"SWE:POIN 5001", ":SWE:POIN?"}},
        {"spectral points are always 5",
         [](auto& d) { return d.SetSpectralSweepPoints(400) && d.GetSweepPointCount() == 5; },
         {"SWE:POIN 5", ":SWE:POIN?"}},
        {"trace format", [](auto& d) { return d.SetTraceFormat(); }, {"FORM REAL, 32;", "CALC1:FORM MAGN;"}},
        {"marker count",
         [](auto& d) { return d.SetMarkerCount(true) && d.SetMarkerCount(false); },
         {"CALC:MARK ON;", "CALC:MARK OFF;"}},
        {"peak", [](auto& d) { return d.MarkPeak(); }, {"CALC1:MARK ON", "CALC1:MARK:FUNC:EXEC MAX"}},
        {"marker frequency, counter unused",
         [](auto& d) { return d.ReadMarkerFrequency(1) == 1000.0f && d.IsQueryValid(); },
         {"CALC:MARK:X?"}},
        {"sweep",
         [](auto& d) { return d.SweepAndWait(); },
         {":Initiate:Continuous off;", "SWE:TIME?;", ":INIT1; *WAI;"}},
        {"triggered sweep is the sweep",
         [](auto& d) { return d.TriggeredSweep(); },
         {":Initiate:Continuous off;", "SWE:TIME?;", ":INIT1; *WAI;"}},
        {"FSL forms",
         [](auto& d) { return d.SetCenterFrequency(150.0f) && d.SetReferenceLevel(97.0f); },
         {":Frequency:Center 150.000000 MHZ;", ":Display:Trace:y:RLEV 97.000000 ;"}},
        {"nothing to set",
         [](auto& d) {
             return d.SetPreAmp(true) && d.SetTrackingGeneration(true) && d.SetSweepTimeFloat(5.0f) &&
                    d.SetDetectorPositive(true) && d.SetUnit("DBUV") && d.SetInputCoupling(true) &&
                    d.SetAttenuation(0.0f);
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bind();
        EXPECT_TRUE(c.run(*m_driver));
        EXPECT_TRUE(m_driver->IsCommandValid());
        EXPECT_EQ(Commands(), c.lines);
    }
    EXPECT_TRUE(m_prompt->Requests().empty());
}

TEST_F(RsZndTest, ConstantsAndTables) {
    CSpectrumAnalyzerZND& d = *m_driver;
    EXPECT_EQ(d.GetSweepMode(), "");
    EXPECT_EQ(d.GetSweepPointCount(), 5001);
    EXPECT_EQ(d.GetPointsPerCell(), 2);
    EXPECT_TRUE(d.IsNarrowRbw());
    EXPECT_EQ(d.GetTraceReadTimeoutMs(), 5000);
    EXPECT_EQ(d.GetGateDelay(), 50);
    // A at 100 everywhere, B the FSL's, the gate length the FSV3's (and kept as the gate delay).
    const struct {
        float rbw;
        int32_t b;
        int32_t gate;
    } rows[] = {{0.003f, 5, 80}, {0.001f, 10, 80}, {0.0003f, 51, 500}, {0.0001f, 50, 5000}, {1.0f, 0, 10}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rbw);
        EXPECT_EQ(d.GetRbwTimingA(row.rbw), 100);
        EXPECT_EQ(d.GetRbwTimingB(row.rbw), row.b);
        EXPECT_EQ(d.GetGateLength(row.rbw), row.gate);
        EXPECT_EQ(d.GetGateDelay(), row.gate);
    }
}

TEST_F(RsZndTest, AttenuationWarnsOncePerNonZeroCallAndSucceeds) {
    EXPECT_TRUE(m_driver->SetAttenuation(0.0f));
    EXPECT_TRUE(m_prompt->Requests().empty());
    EXPECT_TRUE(m_driver->SetAttenuation(10.0f));
    ASSERT_EQ(m_prompt->Requests().size(), 1U);
    EXPECT_EQ(m_prompt->Requests()[0].text, "WARNING: The R&S ZND does not support the attenuation setting.");
    EXPECT_EQ(m_prompt->Requests()[0].buttons, PromptButtons::Ok);
    EXPECT_TRUE(m_driver->IsCommandValid());
    // A warning nobody answers ends with the scan's stop.
    m_prompt->ScriptHold();
    m_setup.m_stop.request_stop();
    EXPECT_TRUE(m_driver->SetAttenuation(10.0f));
    EXPECT_EQ(m_prompt->Requests().size(), 2U);
    EXPECT_EQ(Commands(), Lines{});
}

TEST_F(RsZndTest, AttenuationWarningWithoutAPromptDoesNotWait) {
    ScopedPromptInstall none{nullptr};
    EXPECT_TRUE(m_driver->SetAttenuation(10.0f));
    EXPECT_TRUE(m_prompt->Requests().empty());
}

TEST_F(RsZndTest, SweepTimeSetsTheTraceReadTimeOut) {
    struct Case {
        const char* reply;
        bool ok;
        int32_t timeoutMs; // after the sweep
    };
    const Case cases[] = {
        {"0.5\n", true, 2550},   {"0.1234\n", true, 2135},      {"-2\n", false, 2135},
        {"1E10\n", false, 2135}, {"not a time\n", false, 2135}, {"0\n", true, 2000},
        {"1.5\n", true, 3650},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        m_driver->SetCommandValid(true);
        Sim().SetReply("A", "SWE:TIME?;", c.reply);
        EXPECT_EQ(m_driver->SweepAndWait(), c.ok);
        EXPECT_EQ(m_driver->IsCommandValid(), c.ok);
        EXPECT_EQ(m_driver->GetTraceReadTimeoutMs(), c.timeoutMs);
        // The reply never answers the next query.
        EXPECT_EQ(m_driver->ReadSweepPoints(), 101);
        EXPECT_TRUE(m_driver->IsQueryValid());
    }
}

TEST_F(RsZndTest, StatusCheckAsksTheQueueOnlyUnderTheSwitch) {
    AnalyzerLogLines log;
    EXPECT_TRUE(m_driver->CheckStatus());
    EXPECT_EQ(Commands(), Lines{});
    ScopedLogErrors on(true);
    const std::vector<std::pair<const char*, bool>> replies = {
        {"\n", true}, {"0,\"No error\"\n", true}, {"-113,\"Undefined header\"\n", false}, {"0\n", false}};
    for (const auto& [reply, passes] : replies) {
        SCOPED_TRACE(reply);
        Sim().SetReply("A", ":SYST:ERR?;", reply);
        EXPECT_EQ(m_driver->CheckStatus(), passes);
        m_driver->FlushBuffers();
        EXPECT_EQ(Commands(), Lines{":SYST:ERR?;"});
    }
    // The check never logs.
    for (const std::string& line : log.Texts()) {
        EXPECT_EQ(line.find("status check"), std::string::npos) << line;
    }
}

TEST_F(RsZndTest, TraceReadTakesTheBlockAsSent) {
    ASSERT_TRUE(m_driver->SetTraceFormat());
    ASSERT_TRUE(m_driver->SetSweepPoints(1001));
    const float* trace = m_driver->QueryScan();
    ASSERT_NE(trace, nullptr);
    EXPECT_TRUE(m_driver->IsQueryValid());
    EXPECT_EQ(std::vector<float>(trace, trace + 1001), SimulatedTrace(1001));
    // A block longer than the trace but within 5001 points gives the trace's values.
    Sim().SetReply("A", kTraceQuery, Block(LittleEndian(SimulatedTrace(1500))));
    trace = m_driver->QueryScan();
    ASSERT_NE(trace, nullptr);
    EXPECT_EQ(std::vector<float>(trace, trace + 1001), SimulatedTrace(1001));
    EXPECT_EQ(m_driver->ReadSweepPoints(), 1001);
}

TEST_F(RsZndTest, TraceHeadersThatFailRestoreTheSession) {
    ASSERT_TRUE(m_driver->SetTraceFormat());
    ASSERT_TRUE(m_driver->SetSweepPoints(1001));
    const uint32_t timeout = Attribute(visa::kAttrTimeoutValue);
    const std::vector<std::pair<const char*, std::string>> failing = {
        {"no #", "1.0,2.0\n"},
        {"digit 0", "#0" + LittleEndian(SimulatedTrace(4)) + "\n"},
        {"not a digit", "#A4004\n"},
        {"length not a number", "#4x004\n"},
        {"999999999 announced", "#9999999999" + LittleEndian(SimulatedTrace(10)) + "\n"},
        {"short block", Block(LittleEndian(SimulatedTrace(1000)))},
        {"beyond 5001 points", Block(LittleEndian(SimulatedTrace(5002)))},
        {"empty block", "#10\n"},
    };
    for (const auto& [what, reply] : failing) {
        SCOPED_TRACE(what);
        Sim().SetReply("A", kTraceQuery, reply);
        EXPECT_EQ(m_driver->QueryScan(), nullptr);
        EXPECT_FALSE(m_driver->IsQueryValid());
        EXPECT_EQ(Attribute(visa::kAttrTermCharEnabled), 1U);
        EXPECT_EQ(Attribute(visa::kAttrTimeoutValue), timeout);
        m_driver->FlushBuffers();
        EXPECT_EQ(m_driver->ReadSweepPoints(), 1001);
        EXPECT_TRUE(m_driver->IsQueryValid());
    }
    // A connection dropped in the data.
    Sim().SetReply("A", kTraceQuery, "#44004" + LittleEndian(SimulatedTrace(500)));
    Sim().SetDropAfterReply("A", kTraceQuery);
    EXPECT_EQ(m_driver->QueryScan(), nullptr);
    EXPECT_FALSE(m_driver->IsQueryValid());
}

TEST_F(RsZndTest, QueuedErrorFailsTheTraceReadUnderTheSwitch) {
    ScopedLogErrors on(true);
    ASSERT_TRUE(m_driver->SetTraceFormat());
    ASSERT_TRUE(m_driver->SetSweepPoints(1001));
    Sim().SetErrorCount("A", 1);
    EXPECT_EQ(m_driver->QueryScan(), nullptr);
    EXPECT_FALSE(m_driver->IsQueryValid());
    const float* trace = m_driver->QueryScan();
    ASSERT_NE(trace, nullptr);
    EXPECT_TRUE(m_driver->IsQueryValid());
    EXPECT_EQ(std::vector<float>(trace, trace + 1001), SimulatedTrace(1001));
    // The status check read its own reply: the block's line feed was taken with the block.
    EXPECT_EQ(m_driver->ReadSweepPoints(), 1001);
}

} // namespace
} // namespace orv
