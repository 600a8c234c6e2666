#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9320B.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9324C.h"

#include "analyzers/CVisaConnection.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9020A.h"
#include "platform/clock/Clock.h"
#include "platform/ui/ScriptedPrompt.h"
#include "platform/visa/BuiltinVisa.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
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
using std::chrono::milliseconds;
using Driver = CSpectrumAnalyzerN9320B;

constexpr int32_t kPoints = 461;

struct Model {
    const char* name;
    int32_t code;
    const char* commandSet;
    bool n9324c;
};
constexpr Model kN9320B{"N9320B", 69, "n9320b", false};
constexpr Model kN9324C{"N9324C", 70, "n9324c", true};

// A simulated basic analyser and its driver bound to it.
class BsaBench {
public:
    explicit BsaBench(const Model& model) {
        if (model.n9324c) {
            m_driver = std::make_unique<CSpectrumAnalyzerN9324C>();
        } else {
            m_driver = std::make_unique<CSpectrumAnalyzerN9320B>();
        }
        m_bench.AddResources({{"A", std::string("Keysight Technologies,") + model.name + ",CN123,A.01.02"}});
        m_bound = m_connection.DetectAndConnect() && m_driver->FindVisaConnection(&m_connection, model.code);
        m_driver->SetScanSetup(&m_setup);
        m_bench.m_sim.SetCommandSet("A", model.commandSet);
        m_bench.m_sim.ClearCommands("A");
    }

    Lines Commands() { return SentCommands(*m_driver, Sim()); }
    test::ScpiSimulatorProcess& Sim() { return m_bench.m_sim; }
    bool TermCharEnabled() const {
        uint16_t enabled = 0;
        visa::BuiltinVisaEntryPoints().viGetAttribute(m_driver->GetSession(), visa::kAttrTermCharEnabled,
                                                      &enabled);
        return enabled != 0;
    }
    // A text query after a trace: its reply must be its own, read to its line feed.
    bool NextQueryIsAligned() {
        Sim().SetReply("A", ":Sweep:Time?;", "0.25\n");
        const int32_t ms = m_driver->ReadSweepTime();
        return TermCharEnabled() && ms == 250 && m_driver->IsQueryValid();
    }
    void ActiveCells(int16_t count) {
        m_setup.m_rows = 1;
        m_setup.m_columns = count;
        m_setup.m_cells.assign(static_cast<size_t>(count), 1);
    }

    AnalyzerSimulatorBench m_bench;
    CVisaConnection m_connection;
    std::unique_ptr<Driver> m_driver;
    FakeAnalyzerScanSetup m_setup;
    bool m_bound = false;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>(PromptAnswer::Ok);
    ScopedPromptInstall m_promptInstall{m_prompt};
};

TEST(KeysightBsa, OperationsSendTheirLines) {
    struct Case {
        const char* what;
        std::function<void(BsaBench&)> prepare;
        std::function<bool(Driver&)> run;
        Lines n9320b;
        Lines n9324c;
    };
    const auto none = [](BsaBench&) {};
    const Lines trigger{":Trigger:Source Immediate", ":Initiate:Continuous on;"};
    const Lines triggered{":Trigger:Source External1;", ":INIT;", ":Status:Operation:Condition?;",
                          ":Trigger:Source Immediate;", ":INIT;", ":Status:Operation:Condition?;"};
    const std::vector<Case> cases = {
        {"set-up",
         none,
         [](Driver& d) { return d.SetupSpectrumAnalyzer(); },
         {"*CLS;", "*RST;", ":DISP:ENAB ON;"},
         {"*CLS;", "*RST;"}},
        {"nothing sent",
         none,
         [](Driver& d) {
             return d.SetDisplayOn(false) && d.ResetAfterScan(0) && d.SetTrackingGeneration(true) &&
                    d.SetInputCoupling(true) && d.IsFrequencyAllowed(1.0f) && d.SetAutoSweep(0) &&
                    d.SetSweepPoints(10) && d.SetSweepPoints(9000) && d.SetSpectralSweepPoints(100) &&
                    d.ReadSweepPoints() == kPoints && d.GetSweepPointCount() == kPoints;
         },
         {},
         {}},
        {"pre-amplifier on",
         none,
         [](Driver& d) { return d.SetPreAmp(true) && d.GetPreAmpState() == 1 && d.GetPreAmpReadBack() == 1; },
         {":POW:GAIN ON;", ":POW:GAIN:STAT?;"},
         {":POW:GAIN ON;", ":POW:GAIN:STAT?;"}},
        {"pre-amplifier off",
         none,
         [](Driver& d) { return d.SetPreAmp(false) && d.GetPreAmpState() == 0; },
         {"POW:GAIN OFF;"},
         {"POW:GAIN OFF;"}},
        {"internal trigger", none, [](Driver& d) { return d.SetInternalTriger(1); }, trigger, trigger},
        {"external trigger",
         none,
         [](Driver& d) { return d.SetInternalTriger(0); },
         {":Trigger:Source Immediate;"},
         trigger},
        {"auto sweep",
         none,
         [](Driver& d) { return d.SetAutoSweep(1); },
         {":Sweep:Time:Auto on", ":Initiate:Continuous on"},
         {":Sweep:Time:Auto on", ":Initiate:Continuous on"}},
        {"sweep time",
         none,
         [](Driver& d) { return d.SetSweepTimeMs(20); },
         {"Sweep:Time 20 MS;"},
         {"Sweep:Time 20 MS;"}},
        {"sweep time, narrow always",
         none,
         [](Driver& d) { return d.SetSweepTimeFloat(55.5f); },
         {"Sweep:Time 0.010000 MS;"},
         {"Sweep:Time 0.010000 MS;"}},
        {"detector, either argument",
         none,
         [](Driver& d) { return d.SetDetectorPositive(false); },
         {"DET POS;"},
         {"DET POS;"}},
        {"attenuation out of auto",
         none,
         [](Driver& d) { return d.SetAttenuation(10.7f); },
         {"POW:ATT:AUTO 0", "POW:ATT 10 DB"},
         {"POW:ATT:AUTO 0", "POW:ATT 10 DB"}},
        {"span",
         none,
         [](Driver& d) { return d.SetSpan(2.5f); },
         {":Frequency:Span 2.500000 MHZ;"},
         {":Frequency:Span 2.500000 MHZ;"}},
        {"resolution",
         none,
         [](Driver& d) { return d.SetResolution(0.1f); },
         {":Bandwidth 0.100000 MHZ;", ":Bandwidth:Video 0.100000 MHZ;"},
         {":Bandwidth 0.100000 MHZ;", ":Bandwidth:Video 0.100000 MHZ;"}},
        {"centre",
         none,
         [](Driver& d) { return d.SetCenterFrequency(100.0f); },
         {":Frequency:Center 100.000000 MHZ;"},
         {":Frequency:Center 100.000000 MHZ;"}},
        {"reference level",
         none,
         [](Driver& d) { return d.SetReferenceLevel(97.0f); },
         {":Display:Window:Trace:Y:RLEV 97.000000;"},
         {":Display:Window:Trace:Y:RLEV -10.000000;", "*CLS;"}},
        {"unit",
         none,
         [](Driver& d) { return d.SetUnit("DBUV"); },
         {":UNIT:POWER DBUV ;"},
         {":UNIT:POWER DBUV ;"}},
        {"trace format",
         none,
         [](Driver& d) { return d.SetTraceFormat(); },
         {":FORMAT:DATA REAL;"},
         {":FORMAT:DATA REAL;"}},
        {"single and continuous",
         none,
         [](Driver& d) { return d.SetContinuousSweep(true) && d.SetContinuousSweep(false); },
         {":Initiate:Continuous off;", ":Initiate:Continuous on;"},
         {":Initiate:Continuous off;", ":Initiate:Continuous on;"}},
        {"marker count",
         none,
         [](Driver& d) { return d.SetMarkerCount(true) && d.SetMarkerCount(false); },
         {":Calculate:Marker1:FCount on;", ":Calculate:Marker1:FCount off;"},
         {":CALCulate:MARKer1:STATe 1;", ":CALCulate:MARKer1:STATe 0;"}},
        {"peak",
         none,
         [](Driver& d) { return d.MarkPeak(); },
         {":Calculate:Marker1:MAX;"},
         {":CALCulate:MARKer1:MAXimum;"}},
        {"sweep and wait",
         none,
         [](Driver& d) { return d.SweepAndWait(); },
         {":Initiate:Continuous off;", "INIT", "*OPC?;"},
         {":Initiate:Continuous off;", ":Sweep:Time?;", "INIT", "*OPC?;"}},
        {"triggered sweep",
         [](BsaBench& b) {
             b.Sim().SetReplySequence("A", ":Status:Operation:Condition?;", {"56\n", "24\n"});
         },
         [](Driver& d) { return d.TriggeredSweep(); }, triggered, triggered},
    };
    for (const Model& model : {kN9320B, kN9324C}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(model.name) + ": " + c.what);
            BsaBench bench(model);
            ASSERT_TRUE(bench.m_bound);
            c.prepare(bench);
            EXPECT_TRUE(c.run(*bench.m_driver));
            EXPECT_EQ(bench.Commands(), model.n9324c ? c.n9324c : c.n9320b);
            EXPECT_TRUE(bench.m_driver->IsCommandValid());
        }
    }
}

TEST(KeysightBsa, ReadsUseTheirFormsAndLevels) {
    for (const Model& model : {kN9320B, kN9324C}) {
        SCOPED_TRACE(model.name);
        BsaBench bench(model);
        Driver& d = *bench.m_driver;
        ASSERT_TRUE(d.SetReferenceLevel(97.0f));
        EXPECT_FLOAT_EQ(d.ReadReferenceLevel(), 97.0f);
        // The simulated peak is 10 below the reference level.
        EXPECT_FLOAT_EQ(d.ReadPeakAmplitude(), 87.0f);
        EXPECT_FLOAT_EQ(d.ReadMarkerFrequency(1), 1000.0f);
        EXPECT_FLOAT_EQ(d.ReadMarkerFrequency(0), 1000.0f);
        EXPECT_FLOAT_EQ(d.ReadSpan(), 100.0f);
        EXPECT_FLOAT_EQ(d.ReadResolution(), 0.1f);
        EXPECT_FLOAT_EQ(d.ReadCenterFrequency(), 1000.0f);
        EXPECT_EQ(d.ReadSweepTime(), 100);
        EXPECT_TRUE(d.IsQueryValid());
        const Lines sent = bench.Commands();
        const Lines tail{":Frequency:Span?;", ":Bandwidth?;", ":Frequency:Center?;", ":Sweep:Time?;"};
        ASSERT_GE(sent.size(), tail.size());
        EXPECT_EQ(Lines(sent.end() - 4, sent.end()), tail);
        const Lines markers = model.n9324c ? Lines{":Display:Window:Trace:y:RLEV?;", ":CALCulate:MARKer1:Y?",
                                                   ":CALCulate:MARKer1:X?", ":CALCulate:MARKer1:X?"}
                                           : Lines{":Display:Window:Trace:y:RLEV?;", ":Calculate:Marker1:Y?;",
                                                   ":Calculate:Marker1:FCount:X?;", ":Calculate:Marker1:X?;"};
        EXPECT_NE(std::search(sent.begin(), sent.end(), markers.begin(), markers.end()), sent.end());
    }
    // A failed level read on the N9324C still adds 107 to what was read (nothing).
    BsaBench bench(kN9324C);
    bench.Sim().SetDropOn("A", ":Display:Window:Trace:y:RLEV?;");
    EXPECT_FLOAT_EQ(bench.m_driver->ReadReferenceLevel(), 107.0f);
    EXPECT_FALSE(bench.m_driver->IsQueryValid());
}

// The N9320B runs on the N9000B's generation-0 tables and the CXA's RBW waits and cell count; the
// N9324C on the MXA's tables and gate delays, with neither.
TEST(KeysightBsa, TablesCellsAndWaitsAreTheirFamilies) {
    CSpectrumAnalyzerN9320B n9320b;
    CSpectrumAnalyzerN9324C n9324c;
    CSpectrumAnalyzerN9000B cxa;
    CSpectrumAnalyzerN9020A mxa;
    for (const float rbw : {3.0f, 1.0f, 0.1f, 0.03f, 0.01f, 0.0091f, 0.009f, 0.003f, 0.001f, 0.0003f, 0.0001f,
                            0.00003f, 0.00001f, 0.002f}) {
        SCOPED_TRACE(rbw);
        EXPECT_EQ(n9320b.GetRbwTimingA(rbw), cxa.GetRbwTimingA(rbw));
        EXPECT_EQ(n9320b.GetRbwTimingB(rbw), cxa.GetRbwTimingB(rbw));
        EXPECT_EQ(n9320b.GetGateLength(rbw), cxa.GetGateLength(rbw));
        EXPECT_EQ(n9324c.GetRbwTimingA(rbw), mxa.GetRbwTimingA(rbw));
        EXPECT_EQ(n9324c.GetRbwTimingB(rbw), mxa.GetRbwTimingB(rbw));
        EXPECT_EQ(n9324c.GetGateLength(rbw), mxa.GetGateLength(rbw));
        EXPECT_EQ(n9324c.GetStoredGateLength(), mxa.GetGateLength(rbw));
    }
    EXPECT_EQ(n9320b.GetGateLength(0.003f), 2200);
    EXPECT_EQ(n9324c.GetGateLength(0.0001f), 5000);
    EXPECT_EQ(n9320b.GetFirmwareGeneration(), 0);
    for (Driver* d : {static_cast<Driver*>(&n9320b), static_cast<Driver*>(&n9324c)}) {
        EXPECT_EQ(d->GetRbwValueA(0.1f), 10);
        EXPECT_EQ(d->GetRbwValueB(0.1f), 0);
        EXPECT_EQ(d->GetFirstProbeIndex(), 0);
        EXPECT_EQ(d->GetPointsPerCell(), 2);
        EXPECT_TRUE(d->IsNarrowRbw());
        EXPECT_EQ(d->GetSweepMode(), "");
        EXPECT_EQ(d->ReadTraceDataCount(10), nullptr);
        EXPECT_EQ(d->GetSweepPointCount(), kPoints);
        EXPECT_DOUBLE_EQ(d->GetNarrowRbwThreshold(), 0.000031);
        EXPECT_DOUBLE_EQ(d->GetLowestFrequency(), 0.009);
        EXPECT_DOUBLE_EQ(d->GetHighestFrequency(), 3000.0);
        EXPECT_DOUBLE_EQ(d->GetSmallestRbw(), 0.00001);
        EXPECT_DOUBLE_EQ(d->GetLargestRbw(), 1.0);
    }

    BsaBench bench(kN9320B);
    bench.ActiveCells(100);
    EXPECT_EQ(bench.m_driver->GetCellsPerSweep(0.1f), 231);
    bench.ActiveCells(300);
    EXPECT_EQ(bench.m_driver->GetCellsPerSweep(0.1f), 300);
    EXPECT_EQ(n9324c.GetCellsPerSweep(0.1f), 0);
    EXPECT_EQ(bench.m_driver->GetGateDelay(), 0);
    bench.m_bench.m_clock.ClearPauses();
    for (const float rbw : {1.0f, 0.0003f, 0.00029f, 0.0001f, 0.00003f, 0.000029f, 0.00001f}) {
        bench.m_driver->WaitForRbw(rbw);
        n9324c.WaitForRbw(rbw);
    }
    EXPECT_EQ(bench.m_bench.m_clock.Pauses(),
              (std::vector<Clock::Duration>{milliseconds(100), milliseconds(100), milliseconds(500),
                                            milliseconds(500), milliseconds(1000), milliseconds(1000)}));

    // The N9324C's gate delay follows the RBW read back.
    BsaBench c(kN9324C);
    c.Sim().SetReply("A", ":Bandwidth?;", "300\n");
    EXPECT_EQ(c.m_driver->GetGateDelay(), 2000);
    EXPECT_EQ(c.Commands(), Lines{":Bandwidth?;"});
}

TEST(KeysightBsa, TracesComeBackAsSent) {
    for (const Model& model : {kN9320B, kN9324C}) {
        SCOPED_TRACE(model.name);
        BsaBench bench(model);
        Driver& d = *bench.m_driver;
        ASSERT_TRUE(d.SetTraceFormat());
        const float* trace = d.QueryScan();
        ASSERT_NE(trace, nullptr);
        EXPECT_TRUE(d.IsQueryValid());
        EXPECT_EQ(std::vector<float>(trace, trace + kPoints),
                  SimulatedTrace(kPoints, model.n9324c ? 107.0f : 0.0f));
        EXPECT_TRUE(bench.NextQueryIsAligned());
        const Lines sent = bench.Commands();
        EXPECT_EQ(sent.at(1), "TRAC:DATA? trace1;");
    }
}

// The N9324C's block: its announced length between 4 x 461 and 4 x 461 + 999 bytes, the data read
// whole; anything else fails, keeps the previous trace and leaves the next reply its own.
TEST(KeysightBsa, N9324CBlockLengthsAndShortReadsFailCleanly) {
    const std::string data = LittleEndian(SimulatedTrace(kPoints));
    const std::string longest = data + std::string(999, '\x5A');
    struct Case {
        const char* what;
        std::string reply;
        bool ok;
    };
    const std::vector<Case> cases = {
        {"exactly the data", Block(data), true},
        {"the most extra bytes", Block(longest), true},
        {"one byte short of the data", Block(data.substr(0, data.size() - 1)), false},
        {"below the data", Block(data.substr(0, 1000)), false},
        {"beyond the buffer", Block(longest + "x"), false},
        {"announced but never whole", "#41844" + data.substr(0, 1000), false},
        {"no header", data + "\n", false},
        {"no length digits", "#0" + data + "\n", false},
    };
    BsaBench bench(kN9324C);
    Driver& d = *bench.m_driver;
    bench.m_connection.SetTimeout(40);
    bench.m_prompt = std::make_shared<ScriptedPrompt>(PromptAnswer::Cancel);
    ScopedPromptInstall cancel(bench.m_prompt);
    ASSERT_NE(d.QueryScan(), nullptr);
    const std::vector<float> expected = SimulatedTrace(kPoints, 107.0f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bench.Sim().SetReply("A", "TRAC:DATA? trace1;", c.reply);
        const float* trace = d.QueryScan();
        ASSERT_NE(trace, nullptr);
        EXPECT_EQ(d.IsQueryValid(), c.ok);
        EXPECT_EQ(std::vector<float>(trace, trace + kPoints), expected);
        EXPECT_TRUE(bench.NextQueryIsAligned());
    }
    // The never-whole block waited five time-outs and was given up at the question.
    EXPECT_EQ(bench.m_prompt->Requests().size(), 1u);
}

TEST(KeysightBsa, N9320BShortRawTraceFailsCleanly) {
    BsaBench bench(kN9320B);
    Driver& d = *bench.m_driver;
    bench.m_connection.SetTimeout(40);
    bench.m_prompt->Script(PromptAnswer::Cancel);
    ASSERT_NE(d.QueryScan(), nullptr);
    bench.Sim().SetReply("A", "TRAC:DATA? trace1;", LittleEndian(SimulatedTrace(100)) + "\n");
    const float* kept = d.QueryScan();
    ASSERT_NE(kept, nullptr);
    EXPECT_FALSE(d.IsQueryValid());
    EXPECT_EQ(std::vector<float>(kept, kept + kPoints), SimulatedTrace(kPoints));
    EXPECT_EQ(bench.m_prompt->Requests().size(), 1u);
    EXPECT_TRUE(bench.NextQueryIsAligned());
}

TEST(KeysightBsa, LateTracesAreReadWholeAndCancelKeepsThePrevious) {
    for (const Model& model : {kN9320B, kN9324C}) {
        SCOPED_TRACE(model.name);
        BsaBench bench(model);
        Driver& d = *bench.m_driver;
        const std::vector<float> expected = SimulatedTrace(kPoints, model.n9324c ? 107.0f : 0.0f);
        bench.m_connection.SetTimeout(40);
        // Past one time-out: read whole, without a question.
        bench.Sim().SetDelay("A", "TRAC:DATA? trace1;", 70);
        const float* trace = d.QueryScan();
        ASSERT_NE(trace, nullptr);
        EXPECT_TRUE(d.IsQueryValid());
        EXPECT_EQ(std::vector<float>(trace, trace + kPoints), expected);
        EXPECT_TRUE(bench.m_prompt->Requests().empty());
        EXPECT_TRUE(bench.NextQueryIsAligned());
        // Past five: the question comes, OK keeps waiting and the trace is read whole and aligned.
        bench.Sim().SetDelay("A", "TRAC:DATA? trace1;", 400);
        trace = d.QueryScan();
        ASSERT_NE(trace, nullptr);
        EXPECT_TRUE(d.IsQueryValid());
        EXPECT_EQ(std::vector<float>(trace, trace + kPoints), expected);
        EXPECT_GE(bench.m_prompt->Requests().size(), 1u);
        EXPECT_TRUE(bench.NextQueryIsAligned());
        // Never: Cancel at the question gives the previous trace with the flag cleared.
        bench.Sim().SetDelay("A", "TRAC:DATA? trace1;", 600000);
        bench.m_prompt->Script(PromptAnswer::Cancel);
        const size_t asked = bench.m_prompt->Requests().size();
        const float* kept = d.QueryScan();
        ASSERT_NE(kept, nullptr);
        EXPECT_FALSE(d.IsQueryValid());
        EXPECT_EQ(std::vector<float>(kept, kept + kPoints), expected);
        EXPECT_EQ(bench.m_prompt->Requests().size(), asked + 1);
        EXPECT_TRUE(bench.TermCharEnabled());
    }
}

TEST(KeysightBsa, ADroppedConnectionEndsTheReadAtOnceAndAFailedSendGivesNoTrace) {
    for (const Model& model : {kN9320B, kN9324C}) {
        SCOPED_TRACE(model.name);
        BsaBench bench(model);
        Driver& d = *bench.m_driver;
        bench.m_connection.SetTimeout(40);
        ASSERT_NE(d.QueryScan(), nullptr);
        bench.Sim().SetDropOn("A", "TRAC:DATA? trace1;");
        const float* kept = d.QueryScan();
        ASSERT_NE(kept, nullptr);
        EXPECT_FALSE(d.IsQueryValid());
        EXPECT_TRUE(bench.m_prompt->Requests().empty());
        EXPECT_TRUE(bench.TermCharEnabled());
        // The connection is gone: the send fails, no trace comes and the termination character stays on.
        EXPECT_EQ(d.QueryScan(), nullptr);
        EXPECT_FALSE(d.IsQueryValid());
        EXPECT_TRUE(bench.TermCharEnabled());
    }
}

TEST(KeysightBsa, CheckStatusReadsTheErrorTextOnlyWhenAsked) {
    struct Case {
        const char* what;
        std::string reply;
        bool ok;
        std::string logged; // the logged error text, empty: nothing logged
    };
    const std::string longText = "-222,\"" + std::string(2990, 'x') + "\"\n";
    const std::vector<Case> cases = {
        {"no error", "+0,\"No error\"\n", true, ""},
        {"undefined header", "-113,\"Undefined header\"\n", false, "-113,\"Undefined header\""},
        {"empty", "\n", false, ""},
        {"no number", "No error\n", false, "No error"},
        {"3000 bytes", longText, false, longText.substr(0, 256)},
    };
    for (const Model& model : {kN9320B, kN9324C}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(model.name) + ": " + c.what);
            BsaBench bench(model);
            Driver& d = *bench.m_driver;
            bench.Sim().SetReply("A", "SYST:ERR?", c.reply);
            {
                ScopedLogErrors off(false);
                EXPECT_TRUE(d.CheckStatus());
                EXPECT_TRUE(bench.Commands().empty());
            }
            std::vector<std::string> lines;
            {
                ScopedLogErrors on(true);
                AnalyzerLogLines log;
                EXPECT_EQ(d.CheckStatus(), c.ok);
                EXPECT_FALSE(d.GetErrorFlag());
                lines = log.Texts();
            }
            if (c.ok) {
                EXPECT_TRUE(lines.empty());
            } else {
                ASSERT_EQ(lines.size(), 1u);
                EXPECT_EQ(lines[0],
                          "The spectrum analyser failed a status check, with error code " + c.logged + ".");
            }
            EXPECT_EQ(bench.Commands(), Lines{"SYST:ERR?"});
            EXPECT_TRUE(bench.NextQueryIsAligned());
        }
    }
    // A failed check stops the reference level before it is sent.
    BsaBench bench(kN9324C);
    ScopedLogErrors on(true);
    bench.Sim().SetReply("A", "SYST:ERR?", "-113,\"Undefined header\"\n");
    EXPECT_FALSE(bench.m_driver->SetReferenceLevel(97.0f));
    EXPECT_FALSE(bench.m_driver->IsCommandValid());
    EXPECT_EQ(bench.Commands(), Lines{"SYST:ERR?"});
}

TEST(KeysightBsa, SweepWaitIsBounded) {
    BsaBench bench(kN9320B);
    bench.m_driver->SetMinimumPollBoundMs(20);
    bench.m_prompt->Script(PromptAnswer::Cancel);
    std::string zeros;
    for (int i = 0; i < 100; ++i) {
        zeros += "0\n";
    }
    bench.Sim().SetReply("A", "*OPC?;", zeros);
    EXPECT_FALSE(bench.m_driver->SweepAndWait());
    EXPECT_FALSE(bench.m_driver->IsCommandValid());
    EXPECT_EQ(bench.m_prompt->Requests().size(), 1u);
}

TEST(KeysightBsa, OpenConnectionLogsItsName) {
    for (const Model& model : {kN9320B, kN9324C}) {
        BsaBench bench(model);
        AnalyzerLogLines log;
        const std::string name = model.name;
        EXPECT_TRUE(bench.m_driver->OpenConnection(bench.m_bench.Name("A")));
        EXPECT_TRUE(log.Has("Start to open connection to spectrum analyzer::  " + name));
        EXPECT_TRUE(log.Has("Completed in opening connection to analyzer:: " + name));
        EXPECT_FALSE(bench.m_driver->OpenConnection("TCPIP0::127.0.0.1::1::SOCKET"));
        EXPECT_TRUE(log.Has("Failed in opening connection to spectrum analyzer:: " + name));
    }
}

} // namespace
} // namespace orv
