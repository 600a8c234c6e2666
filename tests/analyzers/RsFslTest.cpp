#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"

#include "analyzers/CVisaConnection.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using test::AnalyzerLogLines;
using test::AnalyzerSimulatorBench;
using test::FakeAnalyzerScanSetup;
using test::LittleEndian;
using test::SentCommands;
using test::SimulatedTrace;
using Lines = std::vector<std::string>;
using std::chrono::milliseconds;

constexpr const char* kFsl = "Rohde&Schwarz,FSL-6,100123/006,1.60";

// The FSL driver bound to a simulated FSL answering the R&S command set.
class FslTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_bench.AddResources({{"A", kFsl}});
        ASSERT_TRUE(m_connection.DetectAndConnect());
        ASSERT_TRUE(m_driver.FindVisaConnection(&m_connection, 23));
        m_driver.SetScanSetup(&m_setup);
        m_bench.m_sim.SetCommandSet("A", "rs");
        m_bench.m_sim.ClearCommands("A");
    }
    Lines Commands() { return SentCommands(m_driver, Sim()); }
    test::ScpiSimulatorProcess& Sim() { return m_bench.m_sim; }

    AnalyzerSimulatorBench m_bench;
    CVisaConnection m_connection;
    CSpectrumAnalyzerFSL m_driver;
    FakeAnalyzerScanSetup m_setup;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>(PromptAnswer::Ok);
    ScopedPromptInstall m_promptInstall{m_prompt};
};

TEST_F(FslTest, OperationsSendTheirLines) {
    struct Case {
        const char* what;
        std::function<void()> prepare;
        std::function<bool()> run;
        Lines lines;
    };
    CSpectrumAnalyzerFSL& d = m_driver;
    const auto none = [] {};
    const auto rbw = [this](const char* hz) {
        return [this, hz] { Sim().SetReply("A", ":Bandwidth?;", hz); };
    };
    const std::vector<Case> cases = {
        {"set-up",
         none,
         [&] { return d.SetupSpectrumAnalyzer(); },
         {"INST?", ":SENS:BAND:RES:TYPE?;", "*RST;", "INST SAN;", ":SYST:DISP:UPD ON;",
          ":SENS:BAND:RES:TYPE NORM"}},
        {"set-up, pulse filter",
         [this] { Sim().SetReply("A", ":SENS:BAND:RES:TYPE?;", "PULS\r\n"); },
         [&] { return d.SetupSpectrumAnalyzer(); },
         {"INST?", ":SENS:BAND:RES:TYPE?;", "*RST;", "INST SAN;", ":SYST:DISP:UPD ON;",
          ":SENS:BAND:RES:TYPE PULS"}},
        {"set-up, noise filter",
         [this] { Sim().SetReply("A", ":SENS:BAND:RES:TYPE?;", "NOIS\n"); },
         [&] { return d.SetupSpectrumAnalyzer(); },
         {"INST?", ":SENS:BAND:RES:TYPE?;", "*RST;", "INST SAN;", ":SYST:DISP:UPD ON;"}},
        {"set-up in another mode",
         [this] { Sim().SetMode("A", "IQ"); },
         [&] { return d.SetupSpectrumAnalyzer(); },
         {"INST?", "*RST;", "INST SAN;", ":SYST:DISP:UPD ON;"}},
        {"pre-amplifier",
         none,
         [&] { return d.SetPreAmp(true) && d.GetPreAmpFlag(); },
         {":INP:GAIN:STAT ON;"}},
        {"pre-amplifier off",
         none,
         [&] { return d.SetPreAmp(false) && !d.GetPreAmpFlag(); },
         {":INP:GAIN:STAT OFF;"}},
        {"internal trigger",
         none,
         [&] { return d.SetInternalTriger(1); },
         {":INP:GAIN:STAT ON;", ":Trigger:Source Immediate; :Initiate:Continuous on;"}},
        {"gated trigger",
         rbw("1000\n"),
         [&] { return d.SetInternalTriger(0) && d.GetStoredGateLength() == 80; },
         {":INP:GAIN:STAT ON;", ":SWE:EGAT:SOUR EXT;", ":Sweep:Egate on;", ":Sweep:Egate:Type EDGE;",
          ":SWE:EGAT:Hold 0 US;", ":Bandwidth?;", ":SWE:EGAT:LENG 160 US;"}},
        {"auto sweep",
         none,
         [&] { return d.SetAutoSweep(1); },
         {":Sweep:Time:Auto on; :Initiate:Continuous on"}},
        {"auto sweep off, detector off",
         none,
         [&] { return d.SetAutoSweep(0) && d.SetDetectorPositive(false); },
         {}},
        {"detector", none, [&] { return d.SetDetectorPositive(true); }, {"DET POS;"}},
        {"sweep times",
         none,
         [&] { return d.SetSweepTimeMs(20) && d.SetSweepTimeFloat(2.5f); },
         {"Sweep:Time 20 MS;", "Sweep:Time 2.500000 MS;"}},
        {"sweep time read",
         [this] { Sim().SetReply("A", ":Sweep:Time?;", "0.0123\n"); },
         [&] { return d.ReadSweepTime() == 13; },
         {":Sweep:Time?;"}},
        {"attenuation", none, [&] { return d.SetAttenuation(0.0f); }, {":INPUT:Attenuation 0 DB;"}},
        {"sweep points 10",
         none,
         [&] { return d.SetSweepPoints(10); },
         {":Sweep:Points 125 ;", ":Sweep:Points?;"}},
        {"sweep points -5",
         none,
         [&] { return d.SetSweepPoints(-5) && d.GetSweepPointCount() == 32001; },
         {":Sweep:Points 32001 ;", ":Sweep:Points?;"}},
        {"sweep points 0",
         none,
         [&] { return d.SetSweepPoints(0); },
         {":Sweep:Points 0 ;", ":Sweep:Points?;"}},
        {"spectral sweep points",
         none,
         [&] { return d.SetSpectralSweepPoints(100) && d.GetSweepPointCount() == 200; },
         {":Sweep:Points 200 ;", ":Sweep:Points?;"}},
        {"frequencies",
         none,
         [&] { return d.SetSpan(10.0f) && d.SetCenterFrequency(150.0f) && d.SetResolution(0.03f); },
         {":Frequency:Span 10.000000 MHZ;", ":Frequency:Center 150.000000 MHZ;", ":Bandwidth 0.030000 MHZ;",
          ":Bandwidth:Video 0.030000 MHZ;"}},
        {"frequencies read",
         none,
         [&] {
             return d.ReadSpan() == 100.0f && d.ReadCenterFrequency() == 1000.0f &&
                    d.ReadResolution() == 0.1f;
         },
         {":Frequency:Span?;", ":Frequency:Center?;", ":Bandwidth?;"}},
        {"level and unit",
         none,
         [&] { return d.SetReferenceLevel(97.0f) && d.SetUnit("DBUV"); },
         {":Display:Trace:y:RLEV 97.000000 ;", ":UNIT:POWER DBUV ;"}},
        {"level read",
         none,
         [&] { return d.ReadReferenceLevel() == 0.0f && d.IsQueryValid(); },
         {":Display:Trace:y:RLEV?;"}},
        {"trace format and single sweep",
         none,
         [&] { return d.SetTraceFormat() && d.SetContinuousSweep(true); },
         {":FORMAT:DATA REAL, 32;", ":Initiate:Continuous off;"}},
        {"continuous", none, [&] { return d.SetContinuousSweep(false); }, {}},
        {"markers",
         none,
         [&] {
             return d.SetMarkerCount(true) && d.MarkPeak() && d.ReadMarkerFrequency(1) == 1000.0f &&
                    d.ReadMarkerFrequency(0) == 1000.0f && d.ReadPeakAmplitude() == -10.0f;
         },
         {":Calculate:Marker:Count on;", ":Calculate:Marker:MAX;", ":Calculate:Marker:Count:Frequency?;",
          ":Calculate:Marker:X?;", ":Calculate:Marker:Y?;"}},
        {"sweep and wait",
         none,
         [&] { return d.SweepAndWait(); },
         {":Initiate:Continuous off;", ":INIT;", "*OPC?;"}},
        {"triggered sweep",
         none,
         [&] { return d.TriggeredSweep(); },
         {":SWE:EGAT?;", ":Initiate:Continuous off;", ":INIT; *WAI;"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_driver.SetQueryValid(true);
        m_driver.SetCommandValid(true);
        Sim().SetCommandSet("A", "rs");
        Sim().SetMode("A", "SA");
        Sim().SetReply("A", ":SENS:BAND:RES:TYPE?;", "");
        Sim().SetReply("A", ":Bandwidth?;", "");
        Sim().SetReply("A", ":Sweep:Time?;", "");
        c.prepare();
        EXPECT_TRUE(c.run());
        EXPECT_TRUE(m_driver.IsCommandValid());
        EXPECT_EQ(Commands(), c.lines);
    }
}

TEST_F(FslTest, LogLinesOfTheFilterTypeAndTheGatedSweep) {
    AnalyzerLogLines log;
    Sim().SetReply("A", ":SENS:BAND:RES:TYPE?;", "NOIS\n");
    ASSERT_TRUE(m_driver.SetupSpectrumAnalyzer());
    EXPECT_TRUE(log.Has("BAND:TYPE NOIS"));
    EXPECT_FALSE(m_driver.IsRbwFilterTypeKnown());
    ASSERT_TRUE(m_driver.TriggeredSweep());
    EXPECT_TRUE(log.Has(" !!!!!!  No support of the gated sweep for the Spectrum Analyzer."));
    // With the gate on, the query answers 1 and nothing is logged.
    AnalyzerLogLines gated;
    ASSERT_TRUE(m_driver.SetInternalTriger(0));
    ASSERT_TRUE(m_driver.TriggeredSweep());
    EXPECT_FALSE(gated.Has(" !!!!!!  No support of the gated sweep for the Spectrum Analyzer."));
}

// The filter type is read with the session's time-out at 3000 ms and the time-out put back after.
TEST_F(FslTest, FilterTypeIsReadInsideTheLongerTimeOut) {
    m_connection.SetTimeout(100);
    Sim().SetReply("A", ":SENS:BAND:RES:TYPE?;", "PULS\n");
    Sim().SetDelay("A", ":SENS:BAND:RES:TYPE?;", 400);
    ASSERT_TRUE(m_driver.SetupSpectrumAnalyzer());
    EXPECT_TRUE(m_driver.IsRbwFilterTypeKnown());
    EXPECT_EQ(m_driver.GetRbwFilterTypeCommandText(), ":SENS:BAND:RES:TYPE PULS\n");
    // Back at 100 ms: a reply as slow as that one now times out.
    Sim().SetDelay("A", "INST?", 400);
    EXPECT_EQ(m_driver.QueryInstrumentMode(), "");
}

TEST_F(FslTest, ADroppedConnectionEndsTheGuardedSequence) {
    Sim().SetDropOn("A", "INST?");
    EXPECT_FALSE(m_driver.SetupSpectrumAnalyzer());
    EXPECT_FALSE(m_driver.IsCommandValid());
    EXPECT_EQ(Sim().Commands("A"), Lines{"INST?"});
}

TEST_F(FslTest, AFailedRbwReadSendsNoGateLength) {
    Sim().SetReply("A", ":Bandwidth?;", "none\n");
    EXPECT_FALSE(m_driver.SetInternalTriger(0));
    EXPECT_FALSE(m_driver.IsCommandValid());
    const Lines sent = Commands();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), ":Bandwidth?;");
}

TEST_F(FslTest, SweepAndWaitThatNeverSeesOneAsksAtTheBound) {
    // Each read that times out counts towards the bound.
    m_driver.SetMinimumPollBoundMs(10);
    m_connection.SetTimeout(20);
    Sim().SetOperationTime("A", test::ScpiSimulatorProcess::kNeverDoneMs);
    m_prompt->Script(PromptAnswer::Cancel);
    EXPECT_FALSE(m_driver.SweepAndWait());
    EXPECT_EQ(m_prompt->Requests().size(), 1u);
    EXPECT_FALSE(m_driver.IsCommandValid());
    const Lines sent = Sim().Commands("A");
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "*OPC?;"), 1);
}

TEST_F(FslTest, ReadBackPointCountBeyondAnyTraceIsRefused) {
    ASSERT_TRUE(m_driver.SetSweepPoints(1001));
    Sim().SetReply("A", ":Sweep:Points?;", "4000000\n");
    EXPECT_EQ(m_driver.ReadSweepPoints(), 1001);
    EXPECT_FALSE(m_driver.IsQueryValid());
}

TEST_F(FslTest, TracesDecodeAndFailedReadsKeepThePreviousTrace) {
    // A short block is not waited for: every "keep waiting?" is answered Cancel. Only the failing
    // reads run on a short time-out; the good ones keep the connection's own, so that a loaded
    // machine never turns a whole reply into a timed-out one.
    auto cancelling = std::make_shared<ScriptedPrompt>(PromptAnswer::Cancel);
    ScopedPromptInstall cancelAll{cancelling};
    m_connection.SetTimeout(5000);
    ASSERT_TRUE(m_driver.SetTraceFormat());
    ASSERT_TRUE(m_driver.SetSweepPoints(32001));
    const float* trace = m_driver.QueryScan();
    ASSERT_NE(trace, nullptr);
    ASSERT_TRUE(m_driver.IsQueryValid());
    EXPECT_EQ(std::vector<float>(trace, trace + 32001), SimulatedTrace(32001));

    const std::vector<std::pair<const char*, std::string>> failing = {
        {"short block", "#6128004" + LittleEndian(SimulatedTrace(1000)) + "\n"},
        {"header that does not parse", "#6x28004" + LittleEndian(SimulatedTrace(32001)) + "\n"},
        {"announced beyond 4 x points", "#6128008" + LittleEndian(SimulatedTrace(32002)) + "\n"},
    };
    for (const auto& [what, reply] : failing) {
        SCOPED_TRACE(what);
        Sim().SetReply("A", ":Trace? trace1;", reply);
        m_connection.SetTimeout(100);
        const float* kept = m_driver.QueryScan();
        m_connection.SetTimeout(5000);
        ASSERT_NE(kept, nullptr);
        EXPECT_FALSE(m_driver.IsQueryValid());
        EXPECT_EQ(kept[32000], SimulatedTrace(32001)[32000]);
        // The next query reads its own reply.
        EXPECT_EQ(m_driver.ReadSweepPoints(), 32001);
        EXPECT_TRUE(m_driver.IsQueryValid());
    }
    // Without a session the query cannot be sent: no trace.
    CSpectrumAnalyzerFSL unbound;
    EXPECT_EQ(unbound.QueryScan(), nullptr);
    EXPECT_FALSE(unbound.IsQueryValid());
    EXPECT_EQ(unbound.ReadTraceDataCount(10), nullptr);
}

// One row per RBW: the timing values and the gate length, with the pauses taken.
TEST_F(FslTest, RbwTablesAtEveryRow) {
    struct Row {
        float rbw;
        int32_t a;
        int32_t b;
        int32_t gate;
        bool paused;
    };
    const auto below = [](float value) { return std::nextafter(value, 0.0f); };
    const auto above = [](float value) { return std::nextafter(value, 1.0f); };
    const Row rows[] = {
        {0.01f, 0, 0, 10, false},          {below(0.01f), 2, 0, 10, false},
        {0.003f, 2, 5, 80, false},         {above(0.003f), 2, 0, 10, false},
        {below(0.003f), 10, 0, 10, true},  {0.001f, 10, 10, 80, true},
        {above(0.001f), 10, 0, 10, true},  {below(0.001f), 1, 0, 10, false},
        {0.0003f, 20, 51, 2500, true},     {above(0.0003f), 1, 0, 10, false},
        {below(0.0003f), 1, 0, 10, false}, {0.0002f, 1, 0, 10, false},
        {0.0001f, 250, 50, 5000, false},   {above(0.0001f), 1, 0, 10, false},
        {below(0.0001f), 1, 0, 10, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rbw);
        m_bench.m_clock.ClearPauses();
        EXPECT_EQ(m_driver.GetRbwTimingA(row.rbw), row.a);
        EXPECT_EQ(m_bench.m_clock.Pauses(), row.paused ? std::vector<Clock::Duration>{milliseconds(100)}
                                                       : std::vector<Clock::Duration>{});
        EXPECT_EQ(m_driver.GetRbwTimingB(row.rbw), row.b);
        EXPECT_EQ(m_driver.GetGateLength(row.rbw), row.gate);
        EXPECT_EQ(m_driver.GetStoredGateLength(), row.gate);
    }
    // No manual timing on the FSL.
    m_setup.m_manualTiming = true;
    EXPECT_EQ(m_driver.GetGateLength(0.0001f), 5000);
}

TEST_F(FslTest, ModelRowAndFixedAnswers) {
    const RsModelRow& row = m_driver.GetModelRow();
    EXPECT_STREQ(row.logName, "R&S-FSL");
    EXPECT_EQ(m_driver.GetSweepMode(), "GatedSweep");
    EXPECT_EQ(m_driver.GetPointsPerCell(), 2);
    EXPECT_EQ(m_driver.GetGateDelay(), 0);
    EXPECT_EQ(m_driver.GetCellsPerSweep(0.1f), 0);
    EXPECT_FALSE(m_driver.IsNarrowRbw());
    EXPECT_EQ(CSpectrumAnalyzerFSL().GetSweepPointCount(), 32001);
    EXPECT_EQ(CSpectrumAnalyzerFSL().GetStoredGateLength(), 50);
    AnalyzerLogLines log;
    EXPECT_TRUE(m_driver.OpenConnection(m_bench.Name("A")));
    EXPECT_EQ(log.Texts(), (Lines{"Start to open connection to spectrum analyzer::  R&S-FSL",
                                  "Completed in opening connection to analyzer:: R&S-FSL"}));
    EXPECT_FALSE(m_driver.OpenConnection("TCPIP0::127.0.0.1::1::SOCKET"));
    EXPECT_TRUE(log.Has("Failed in opening connection to spectrum analyzer:: R&S-FSL"));
}

} // namespace
} // namespace orv
