#include "analyzers/drivers/keysight/CSpectrumAnalyzerE4440A.h"

#include "analyzers/CVisaConnection.h"
#include "platform/clock/Clock.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
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

constexpr int32_t kE4440ACode = 29;

// A simulated PSA and the E4440A driver bound to it.
class PsaBench {
public:
    PsaBench() {
        m_bench.AddResources({{"A", "Agilent Technologies,E4440A,US44300123,A.11.21"}});
        m_bound = m_connection.DetectAndConnect() && m_driver.FindVisaConnection(&m_connection, kE4440ACode);
        m_driver.SetScanSetup(&m_setup);
        m_bench.m_sim.SetCommandSet("A", "psa");
        m_bench.m_sim.ClearCommands("A");
    }

    Lines Commands() { return SentCommands(m_driver, Sim()); }
    test::ScpiSimulatorProcess& Sim() { return m_bench.m_sim; }
    // `count` cells of a grid, every one active.
    void ActiveCells(int16_t count) {
        m_setup.m_rows = 1;
        m_setup.m_columns = count;
        m_setup.m_cells.assign(static_cast<size_t>(count), 1);
    }

    AnalyzerSimulatorBench m_bench;
    CVisaConnection m_connection;
    CSpectrumAnalyzerE4440A m_driver;
    FakeAnalyzerScanSetup m_setup;
    bool m_bound = false;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>(PromptAnswer::Ok);
    ScopedPromptInstall m_promptInstall{m_prompt};
};

TEST(KeysightPsa, OperationsSendTheirLines) {
    using D = CSpectrumAnalyzerE4440A;
    struct Case {
        const char* what;
        std::function<void(PsaBench&)> prepare;
        std::function<bool(D&)> run;
        Lines lines;
    };
    const auto none = [](PsaBench&) {};
    const auto wide = [](PsaBench& b) { b.m_setup.m_appliedRbw = 0.1; };
    const auto narrow = [](PsaBench& b) { b.m_setup.m_appliedRbw = 0.00003; };
    const std::vector<Case> cases = {
        {"set-up",
         none,
         [](D& d) { return d.SetupSpectrumAnalyzer(); },
         {":System:Preset;", "INST SA;", "*OPC?;", ":DISP:ENAB ON;", ":CAL:AUTO OFF;"}},
        {"display on", none, [](D& d) { return d.SetDisplayOn(true); }, {":DISP:ENAB ON;"}},
        {"display off",
         none,
         [](D& d) { return d.SetDisplayOn(false); },
         {":DISP:ENAB OFF;", ":Calibration:Auto OFF;", ":SYSTem:PORTs:IFVSweep:ENABle OFF"}},
        {"reset after scan",
         none,
         [](D& d) { return d.ResetAfterScan(0); },
         {":Calculate:Marker:Mode Position;", ":Calculate:Marker:x:Position 0;"}},
        {"pre-amplifier on", none, [](D& d) { return d.SetPreAmp(true); }, {":INP:GAIN:STAT ON;"}},
        {"pre-amplifier off", none, [](D& d) { return d.SetPreAmp(false); }, {":INP:GAIN:STAT OFF;"}},
        {"internal trigger",
         none,
         [](D& d) { return d.SetInternalTriger(1); },
         {":Trigger:Source Immediate; :Initiate:Continuous on;"}},
        {"gated, narrow RBW",
         narrow,
         [](D& d) { return d.SetInternalTriger(0); },
         {":Trigger:RF:Source Immediate;"}},
        {"gated, wide RBW",
         wide,
         [](D& d) { return d.SetInternalTriger(0); },
         {":Trigger:Source External1;", ":Sweep:Egate on;", ":Sweep:Egate:METH LO;",
          ":Sweep:Egate:POLarity Positive;", ":Sweep:Egate:External1:Level 2.5;", ":SWE:EGAT:Delay 0 US;",
          ":Bandwidth?;", ":SWE:EGAT:LENG 500 US;", ":SWE:EGAT?;"}},
        {"sweep time, narrow RBW",
         narrow,
         [](D& d) { return d.SetSweepTimeFloat(5.0f); },
         {"Sweep:Time 0.010000 MS;"}},
        {"attenuation", none, [](D& d) { return d.SetAttenuation(10.7f); }, {":Power:Attenuation 10 DB;"}},
        {"no minimum of points",
         none,
         [](D& d) { return d.SetSweepPoints(10); },
         {":Sweep:Points 10 ;", ":Sweep:Points?;"}},
        {"points above the maximum",
         none,
         [](D& d) { return d.SetSweepPoints(9000); },
         {":Sweep:Points 8192 ;", ":Sweep:Points?;"}},
        {"negative points",
         none,
         [](D& d) { return d.SetSweepPoints(-1); },
         {":Sweep:Points 8192 ;", ":Sweep:Points?;"}},
        {"spectral points, 100 cells",
         [](PsaBench& b) {
             b.m_setup.m_appliedRbw = 0.1;
             b.ActiveCells(100);
         },
         [](D& d) { return d.SetSpectralSweepPoints(7); },
         {":Sweep:Points 301 ;", ":Sweep:Points?;"}},
        {"spectral points, narrow RBW",
         narrow,
         [](D& d) { return d.SetSpectralSweepPoints(100); },
         {":Sweep:Points 5 ;", ":Sweep:Points?;"}},
        {"reference level",
         none,
         [](D& d) { return d.SetReferenceLevel(-10.0f); },
         {":Display:WIND:Trace:y:RLEV -10.000000 ;"}},
        {"unit", none, [](D& d) { return d.SetUnit("DBUV"); }, {"UNIT:POW DBUV "}},
        {"trace format",
         none,
         [](D& d) { return d.SetTraceFormat(); },
         {":FORMAT:DATA REAL, 32; :Format:Border Swapped;"}},
        {"single sweep",
         none,
         [](D& d) { return d.SetContinuousSweep(true); },
         {":Initiate:Continuous off;"}},
        {"continuous sweep",
         none,
         [](D& d) { return d.SetContinuousSweep(false); },
         {":Initiate:Continuous on;"}},
        {"counter on", none, [](D& d) { return d.SetMarkerCount(true); }, {":Calculate:Marker:FCount on;"}},
        {"counter off",
         none,
         [](D& d) { return d.SetMarkerCount(false); },
         {":Calculate:Marker:FCount off;"}},
        {"peak", none, [](D& d) { return d.MarkPeak(); }, {":Calculate:Marker:MAX;"}},
        {"sweep and wait", none, [](D& d) { return d.SweepAndWait(); }, {":INIT; *WAI;"}},
        {"triggered sweep",
         none,
         [](D& d) { return d.TriggeredSweep(); },
         {":Trigger:Source External1;", ":INIT; *WAI;"}},
        {"preset",
         none,
         [](D& d) {
             d.PresetModel();
             return true;
         },
         {":System:Preset;", "INST SA;", ":DISP:ENAB ON;"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PsaBench bench;
        ASSERT_TRUE(bench.m_bound);
        c.prepare(bench);
        EXPECT_TRUE(c.run(bench.m_driver));
        EXPECT_EQ(bench.Commands(), c.lines);
        EXPECT_TRUE(bench.m_driver.IsCommandValid());
    }
}

TEST(KeysightPsa, ReadsUseTheirForms) {
    PsaBench bench;
    CSpectrumAnalyzerE4440A& d = bench.m_driver;
    ASSERT_TRUE(d.SetReferenceLevel(97.0f));
    EXPECT_FLOAT_EQ(d.ReadReferenceLevel(), 97.0f);
    EXPECT_FLOAT_EQ(d.ReadPeakAmplitude(), 87.0f);
    EXPECT_FLOAT_EQ(d.ReadMarkerFrequency(1), 1000.0f);
    EXPECT_FLOAT_EQ(d.ReadMarkerFrequency(0), 1000.0f);
    EXPECT_TRUE(d.IsQueryValid());
    bench.Sim().SetReply("A", ":Sweep:Time?;", "0.25\n");
    EXPECT_EQ(d.ReadSweepTime(), 250);
    EXPECT_EQ(bench.Commands(),
              (Lines{":Display:WIND:Trace:y:RLEV 97.000000 ;", ":Display:WIND:Trace:y:RLEV?;",
                     ":Calculate:Marker:Y?;", ":Calculate:Marker:FCount:X?;", ":Calculate:Marker:X?;",
                     ":Sweep:Time?;"}));
}

// 100 cells at a wide RBW: 301 points, and the sweep time is the gate length over 100 cells.
TEST(KeysightPsa, SweepTimeFollowsTheGateOverThreePointsPerCell) {
    PsaBench bench;
    bench.ActiveCells(100);
    bench.m_setup.m_appliedRbw = 0.001;
    bench.Sim().SetReply("A", ":Bandwidth?;", "1000\n");
    ASSERT_TRUE(bench.m_driver.SetSpectralSweepPoints(100));
    ASSERT_TRUE(bench.m_driver.SetSweepTimeFloat(0.0f));
    EXPECT_EQ(bench.Commands(), (Lines{":Sweep:Points 301 ;", ":Sweep:Points?;", ":Bandwidth?;",
                                       ":Sweep:Points?;", "Sweep:Time 120.000000 MS;"}));
    EXPECT_EQ(bench.m_driver.GetStoredGateLength(), 1200);
}

TEST(KeysightPsa, TriggeredSweepNeverPollsAndAlwaysSucceeds) {
    PsaBench bench;
    bench.m_bench.m_clock.ClearPauses();
    EXPECT_TRUE(bench.m_driver.TriggeredSweep());
    EXPECT_EQ(bench.m_bench.m_clock.Pauses(), std::vector<Clock::Duration>{milliseconds(100)});
    const Lines sent = bench.Commands();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), ":Status:Operation:Condition?;"), 0);
    bench.Sim().DropConnections("A");
    EXPECT_TRUE(bench.m_driver.TriggeredSweep());
}

// The mode switch never completes: the wait ends after 35 s of the clock and the set-up goes on.
TEST(KeysightPsa, SetupGoesOnAfterTheModeSwitchWait) {
    PsaBench bench;
    std::string zeros;
    for (int i = 0; i < 1000; ++i) {
        zeros += "0\n";
    }
    bench.Sim().SetReply("A", "*OPC?;", zeros);
    AnalyzerLogLines log;
    const Clock::TimePoint start = ClockNow();
    EXPECT_TRUE(bench.m_driver.SetupSpectrumAnalyzer());
    const int64_t waited = ElapsedMilliseconds(start);
    EXPECT_GT(waited, 35000 + 2000);
    EXPECT_LT(waited, 35000 + 2000 + 200);
    const Lines sent = bench.Commands();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(Lines(sent.end() - 2, sent.end()), (Lines{":DISP:ENAB ON;", ":CAL:AUTO OFF;"}));
}

struct RbwRow {
    float rbw;
    int32_t a;
    int32_t b;
    int32_t gate;
};

float Below(float value) {
    return std::nextafter(value, 0.0f);
}

TEST(KeysightPsa, RbwTablesAtEveryEdgeAndTheManualOverride) {
    const std::vector<RbwRow> rows = {
        {1.0f, 10, 10, 500},
        {0.0089f, 10, 10, 500},
        {Below(0.0089f), 30, 15, 600},
        {0.0029f, 30, 15, 600},
        {Below(0.0029f), 125, 55, 1200},
        {0.00099f, 125, 55, 1200},
        {Below(0.00099f), 1580, 85, 2700},
        {0.0005f, 1580, 85, 2700},
        {0.0003f, 550, 85, 2700},
        {Below(0.0003f), 1580, 285, 3500},
        {0.0001f, 1580, 285, 3500},
        {Below(0.0001f), 1500, 60, 0},
        {0.00003f, 1500, 60, 80000},
        {Below(0.00003f), 0, 60, 80000},
    };
    CSpectrumAnalyzerE4440A driver;
    FakeAnalyzerScanSetup setup;
    setup.m_manualSwitchTime = 7;
    setup.m_manualSwitchWait = 8;
    setup.m_manualGateLength = 999;
    driver.SetScanSetup(&setup);
    for (const bool manual : {false, true}) {
        setup.m_manualTiming = manual;
        for (const RbwRow& row : rows) {
            SCOPED_TRACE(std::to_string(row.rbw) + (manual ? " manual" : ""));
            EXPECT_EQ(driver.GetRbwTimingA(row.rbw), manual ? 7 : row.a);
            EXPECT_EQ(driver.GetRbwTimingB(row.rbw), manual ? 8 : row.b);
            EXPECT_EQ(driver.GetGateLength(row.rbw), manual ? 999 : row.gate);
        }
    }
    EXPECT_EQ(driver.GetRbwValueA(0.0001f), 18000);
    EXPECT_EQ(driver.GetRbwValueA(0.0003f), 0);
    EXPECT_EQ(driver.GetGateDelay(), 0);
    EXPECT_EQ(driver.GetPointsPerCell(), 3);
    EXPECT_EQ(driver.GetSweepPointCount(), 8192);
    EXPECT_DOUBLE_EQ(driver.GetNarrowRbwThreshold(), 0.000031);
}

TEST(KeysightPsa, WaitsAfterAnRbwChangeAndToSettle) {
    PsaBench bench;
    bench.m_bench.m_clock.ClearPauses();
    for (const float rbw : {1.0f, 0.0099f, Below(0.0099f), 0.00099f, 0.0001f, 0.00003f, 0.00001f}) {
        bench.m_driver.WaitForRbw(rbw);
    }
    bench.m_driver.WaitSettle(0.1f);
    EXPECT_EQ(bench.m_bench.m_clock.Pauses(),
              (std::vector<Clock::Duration>{milliseconds(300), milliseconds(300), milliseconds(1000),
                                            milliseconds(1500), milliseconds(2500), milliseconds(3500),
                                            milliseconds(500)}));
}

TEST(KeysightPsa, TracesAreReadVerifiedAndFailuresKeepTheTrace) {
    PsaBench bench;
    CSpectrumAnalyzerE4440A& d = bench.m_driver;
    bench.m_connection.SetTimeout(50);
    bench.m_prompt->Script(PromptAnswer::Cancel);
    ASSERT_TRUE(d.SetTraceFormat());
    ASSERT_TRUE(d.SetSweepPoints(8192));
    const float* trace = d.QueryScan();
    ASSERT_NE(trace, nullptr);
    EXPECT_TRUE(d.IsQueryValid());
    EXPECT_EQ(std::vector<float>(trace, trace + 8192), SimulatedTrace(8192));

    ASSERT_TRUE(d.SetSweepPoints(101));
    ASSERT_NE(d.QueryScan(), nullptr);
    const std::vector<std::pair<const char*, std::string>> failing = {
        {"short block", "#3400" + LittleEndian(SimulatedTrace(100)) + "\n"},
        {"announced beyond the count", "#3408" + LittleEndian(SimulatedTrace(102)) + "\n"},
        {"not a block", "-1.0,-2.0\n"},
    };
    for (const auto& [what, reply] : failing) {
        SCOPED_TRACE(what);
        bench.Sim().SetReply("A", ":Trace? Trace1;", reply);
        const float* kept = d.QueryScan();
        ASSERT_NE(kept, nullptr);
        EXPECT_FALSE(d.IsQueryValid());
        EXPECT_EQ(kept[100], SimulatedTrace(101)[100]);
        d.FlushBuffers();
        EXPECT_EQ(d.ReadSweepPoints(), 101);
        EXPECT_TRUE(d.IsQueryValid());
    }
    bench.Sim().SetReply("A", ":Trace? Trace1;", "#240" + LittleEndian(SimulatedTrace(10)) + "\n");
    const float* ten = d.ReadTraceDataCount(10);
    ASSERT_NE(ten, nullptr);
    EXPECT_TRUE(d.IsQueryValid());
    EXPECT_EQ(std::vector<float>(ten, ten + 10), SimulatedTrace(10));
    bench.Commands();
    for (const int32_t refused : {0, -1, 102401}) {
        EXPECT_EQ(d.ReadTraceDataCount(refused), nullptr);
        EXPECT_FALSE(d.IsQueryValid());
    }
    EXPECT_TRUE(bench.Commands().empty());
    // A failed send: no trace.
    bench.Sim().SetDropOn("A", ":Trace? Trace1;");
    d.QueryScan();
    EXPECT_EQ(d.QueryScan(), nullptr);
    EXPECT_FALSE(d.IsQueryValid());
}

TEST(KeysightPsa, OpenConnectionLogsItsName) {
    PsaBench bench;
    AnalyzerLogLines log;
    EXPECT_TRUE(bench.m_driver.OpenConnection(bench.m_bench.Name("A")));
    EXPECT_TRUE(log.Has("Start to open connection to spectrum analyzer::  E4440A PSA"));
    EXPECT_TRUE(log.Has("Completed in opening connection to analyzer:: E4440A PSA"));
    EXPECT_FALSE(bench.m_driver.OpenConnection("TCPIP0::127.0.0.1::1::SOCKET"));
    EXPECT_TRUE(log.Has("Failed in opening connection to spectrum analyzer:: E4440A PSA"));
}

} // namespace
} // namespace orv
