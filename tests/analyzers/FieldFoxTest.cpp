#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9912ANew.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CVisaConnection.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
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
using Driver = CSpectrumAnalyzerN9912ANew;
using Lines = std::vector<std::string>;
using std::chrono::milliseconds;

struct Model {
    const char* identityModel; // the model field of the simulator's identity
    int32_t code;
    std::unique_ptr<Driver> (*make)();
};

template <class D> std::unique_ptr<Driver> MakeDriver() {
    return std::make_unique<D>();
}

constexpr Model kN9912A{"N9912A", 20, &MakeDriver<CSpectrumAnalyzerN9912ANew>};
constexpr Model kN9915B{"N9915B", 60, &MakeDriver<CSpectrumAnalyzerN9915B>};
constexpr Model kN9917B{"N9917B", 61, &MakeDriver<CSpectrumAnalyzerN9917B>};
constexpr Model kN9918A{"N9918A", 62, &MakeDriver<CSpectrumAnalyzerN9918A>};
constexpr Model kN9917A{"N9917A", 63, &MakeDriver<CSpectrumAnalyzerN9917A>};
constexpr Model kN9918B{"N9918B", 64, &MakeDriver<CSpectrumAnalyzerN9918B>};
constexpr Model kN9934B{"N9934B", 65, &MakeDriver<CSpectrumAnalyzerN9934B>};
constexpr Model kN9935B{"N9935B", 66, &MakeDriver<CSpectrumAnalyzerN9935B>};
constexpr Model kN9913B{"N9913B", 72, &MakeDriver<CSpectrumAnalyzerN9913B>};
constexpr Model kN99xx{"N9935B", 108, &MakeDriver<CSpectrumAnalyzerN99xx>};

// One simulated FieldFox with the driver of its model bound to it, its firmware checked.
class FieldFoxBench {
public:
    explicit FieldFoxBench(const Model& model, const std::string& firmware = "A.10.01") {
        m_bench.AddResources(
            {{"A", std::string("Keysight Technologies,") + model.identityModel + ",MY123," + firmware}});
        m_bound = m_connection.DetectAndConnect();
        m_driver = model.make();
        // Code 20 has no row of its own in the analyser table: its check finds no model, yet the
        // session is the connection's (the device manager binds it under the apply flag).
        const bool found = m_driver->FindVisaConnection(&m_connection, model.code);
        m_bound = m_bound && (found || model.code == 20);
        m_driver->SetScanSetup(&m_setup);
        m_driver->QueryFirmwareGeneration();
        m_driver->SetReadBackRbw(0.03);
        m_bench.m_sim.SetCommandSet("A", "fieldfox");
        m_bench.m_sim.ClearCommands("A");
        m_bench.m_clock.ClearPauses();
    }
    Lines Commands() { return SentCommands(*m_driver, Sim()); }
    test::ScpiSimulatorProcess& Sim() { return m_bench.m_sim; }
    // The pauses of the fake clock longer than the poll's 1 ms and the identity's 500 ms.
    std::vector<Clock::Duration> Waits() const {
        std::vector<Clock::Duration> waits;
        for (const Clock::Duration pause : m_bench.m_clock.Pauses()) {
            if (pause > milliseconds(1) && pause != milliseconds(500)) {
                waits.push_back(pause);
            }
        }
        return waits;
    }

    AnalyzerSimulatorBench m_bench;
    CVisaConnection m_connection;
    std::unique_ptr<Driver> m_driver;
    FakeAnalyzerScanSetup m_setup;
    bool m_bound = false;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>(PromptAnswer::Ok);
    ScopedPromptInstall m_promptInstall{m_prompt};
};

TEST(FieldFox, EveryOperationSendsItsLines) {
    struct Case {
        const char* what;
        std::function<bool(Driver&)> run;
        Lines lines;
    };
    const Lines opc{"*OPC?"};
    const std::vector<Case> cases = {
        {"display",
         [](Driver& d) { return d.SetDisplayOn(true) && d.SetDisplayOn(false); },
         {":DISP:ENAB ON;", ":DISP:ENAB OFF;"}},
        {"reset after scan",
         [](Driver& d) { return d.ResetAfterScan(0); },
         {":Calculate:Marker:Mode Position;", ":Calculate:Marker:x:Position 0;"}},
        {"set-up in SA", [](Driver& d) { return d.SetupSpectrumAnalyzer(); }, {"INST?", ":DISP:ENAB ON;"}},
        {"pre-amplifier", [](Driver& d) { return d.SetPreAmp(true); }, {":SENSe:POWer:RF:GAIN ON;", "*OPC?"}},
        {"tracking source",
         [](Driver& d) { return d.SetTrackingGeneration(true) && d.SetTrackingGeneration(false); },
         {":SENSe:ISOurce:ENABle on;:SENSe:ISOurce:MODE SRTS;:SENSe:ISOurce:ENABle 1", "*OPC?",
          ":SENSe:ISOurce:ENABle on;:SENSe:ISOurce:MODE CW;:SENSe:ISOurce:ENABle 0", "*OPC?"}},
        {"internal trigger",
         [](Driver& d) { return d.SetInternalTriger(1); },
         {":Trigger:Source free; ", ":Initiate:Continuous on; *WAI;", "*OPC?"}},
        {"external trigger", [](Driver& d) { return d.SetInternalTriger(0); }, {":Trigger:Source Ext;"}},
        {"auto sweep",
         [](Driver& d) { return d.SetAutoSweep(0) && d.SetAutoSweep(1); },
         {":Sweep:ACQuisition:Auto on; :Initiate:Continuous on"}},
        {"sweep times",
         [](Driver& d) { return d.SetSweepTimeMs(20) && d.SetSweepTimeFloat(2.5f); },
         {"Sweep:Time 20 MS;", "Sweep:Time 2.500000 MS;", "*OPC?"}},
        {"sweep time read",
         [](Driver& d) { return d.ReadSweepTime() == 3; },
         {":Sweep:Time?;"}}, // 2.5 ms set above
        {"detector",
         [](Driver& d) { return d.SetDetectorPositive(true) && d.SetDetectorPositive(false); },
         {"POW:GAIN 1;", ":SENSe:DETector:FUNCtion AUTO"}},
        {"attenuation", [](Driver& d) { return d.SetAttenuation(10.9f); }, {":Power:Attenuation 10 DB;"}},
        {"sweep points 0",
         [](Driver& d) { return d.SetSweepPoints(0); },
         {":Sweep:Points 10001 ;", ":Sweep:Points?;"}},
        {"sweep points 20000",
         [](Driver& d) { return d.SetSweepPoints(20000); },
         {":Sweep:Points 10001 ;", ":Sweep:Points?;"}},
        {"sweep points 50",
         [](Driver& d) { return d.SetSweepPoints(50); },
         {":Sweep:Points 101 ;", ":Sweep:Points?;"}},
        {"spectral sweep points",
         [](Driver& d) { return d.SetSpectralSweepPoints(7); },
         {":Sweep:Points 256 ;", ":Sweep:Points?;"}},
        {"spans",
         [](Driver& d) { return d.SetSpan(10.0f) && d.SetSpan(0.0f); },
         {":Frequency:Span 10.000000 MHZ;", ":SENSe:FREQuency:SPAN:ZERO;", "SERV:SA:SWE:EGST ON"}},
        {"resolution",
         [](Driver& d) { return d.SetResolution(0.03f) && d.ReadResolution() == 0.03f; },
         {":Bandwidth 0.030000 MHZ;", ":Bandwidth:Video 0.030000 MHZ;", ":Bandwidth?;"}},
        {"centre",
         [](Driver& d) { return d.SetCenterFrequency(150.0f) && d.ReadCenterFrequency() == 150.0f; },
         {":Frequency:Center 150.000000 MHZ; *WAI;", ":SENSe:Frequency:Center?;"}},
        {"span read",
         [](Driver& d) { return d.ReadSpan() == 0.0f; },
         {":Frequency:Span?;"}}, // zero span above
        {"reference level",
         [](Driver& d) { return d.SetReferenceLevel(97.0f) && d.ReadReferenceLevel() == 97.0f; },
         {":Display:WIND:Trace:y:RLEV -10.000000 ;", ":Display:WIND:Trace:y:RLEV?;"}},
        {"unit", [](Driver& d) { return d.SetUnit("DBUV"); }, {}},
        {"format and sweeps",
         [](Driver& d) { return d.SetTraceFormat() && d.SetContinuousSweep(true); },
         {":FORMAT:DATA REAL, 32;", ":Initiate:Continuous off; *WAI;"}},
        {"markers",
         [](Driver& d) {
             return d.SetMarkerCount(true) && d.MarkPeak() && d.ReadMarkerFrequency(1) == 150.0f &&
                    d.ReadMarkerFrequency(0) == 150.0f && d.ReadPeakAmplitude() == 97.0f - 10.0f;
         },
         {":Calculate:Marker:FCount on;", "CALC:MARK1:FUNC:MAX; *WAI;", ":Calculate:Marker:FCount:X?;",
          ":Calculate:Marker1:X?;", ":Calculate:Marker:Y?;"}},
        {"sweep and wait",
         [](Driver& d) { return d.SweepAndWait(); },
         {":Initiate:Continuous off; *WAI;", ":INIT;", "*OPC?;"}},
        {"triggered sweep", [](Driver& d) { return d.TriggeredSweep(); }, {":Initiate:Continuous on;"}},
    };
    FieldFoxBench bench(kN9912A);
    ASSERT_TRUE(bench.m_bound);
    ASSERT_TRUE(bench.m_driver->SetReferenceLevel(97.0f)); // the marker level below is read from it
    bench.Commands();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(c.run(*bench.m_driver));
        EXPECT_TRUE(bench.m_driver->IsCommandValid());
        EXPECT_TRUE(bench.m_driver->IsQueryValid());
        EXPECT_EQ(bench.Commands(), c.lines);
    }
    // The fixed answers.
    Driver& d = *bench.m_driver;
    EXPECT_EQ(d.GetSweepMode(), "MultipleGatedSweep");
    EXPECT_EQ(d.GetGateDelay(), 1);
    EXPECT_EQ(d.GetFirstProbeIndex(), 20);
    EXPECT_EQ(d.GetCellsPerSweep(0.1f), 256);
    EXPECT_EQ(d.GetPointsPerCell(), 1);
    EXPECT_EQ(d.GetRbwValueA(0.1f), 0);
    EXPECT_FALSE(d.IsNarrowRbw());
    EXPECT_TRUE(d.SetInputCoupling(true));
    EXPECT_TRUE(bench.Commands().empty());
}

TEST(FieldFox, NarrowRbwForms) {
    FieldFoxBench bench(kN9912A);
    Driver& d = *bench.m_driver;
    d.SetReadBackRbw(0.0); // at or below the threshold
    ASSERT_TRUE(d.IsNarrowRbw());
    EXPECT_TRUE(d.SetInternalTriger(0));
    EXPECT_TRUE(d.SetSpectralSweepPoints(100));
    EXPECT_TRUE(d.SetSweepTimeFloat(5.0f));
    EXPECT_EQ(bench.Commands(),
              (Lines{":Sweep:Points 5 ;", ":Sweep:Points?;", ":Frequency:Span 0.000010 MHZ;",
                     ":Sweep:ACQuisition:Auto on; :Initiate:Continuous on"}));
}

TEST(FieldFox, MembersDepartWhereTheirRowSays) {
    struct Case {
        const Model& model;
        const char* firmware;
        const char* openText;
        Lines setup; // in a mode other than "SA"
        Lines zeroSpan;
        std::vector<Clock::Duration> settle;
    };
    const Lines current{"INST?", "INST:SEL \"SA\"; *WAI;", "*OPC?", ":DISP:ENAB ON;"};
    const Lines older{"INST?", "INST:SEL \"SA\"; *WAI;", "*OPC?", ":System:Preset:Mode;*WAI",
                      "*OPC?", ":DISP:ENAB ON;"};
    const Lines zero{":SENSe:FREQuency:SPAN:ZERO;", "SERV:SA:SWE:EGST ON"};
    const Lines diag{"DIAG:SWEEP:TYPE STEP;", "DIAG:SWEEP:SIMulation EGST;", ":Frequency:Span 0.001000 MHZ;"};
    const std::vector<Clock::Duration> none;
    const std::vector<Clock::Duration> second{milliseconds(1000)};
    const Case cases[] = {
        {kN9912A, "A.05.30", "N9912A", older, diag, second},
        {kN9915B, "A.06.01", "N9915B", older, zero, second},
        {kN9917B, "A.07.50", "N9917B", current, zero, none},
        {kN9913B, "A.05.30", "N9913B", current, zero, none},
        {kN9918A, "A.05.30", "N9918A", current, zero, none},
        {kN9917A, "A.05.30", "N9917A", current, zero, none},
        {kN9918B, "A.05.30", "N9918B", current, zero, none},
        {kN9934B, "A.05.30", "N9934B", current, zero, none},
        {kN9935B, "A.05.30", "N9935B", current, zero, none},
        {kN99xx, "A.05.30", "N9935B", current, zero, none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model.identityModel) + " " + c.firmware);
        FieldFoxBench bench(c.model, c.firmware);
        ASSERT_TRUE(bench.m_bound);
        Driver& d = *bench.m_driver;
        AnalyzerLogLines log;
        EXPECT_TRUE(d.OpenConnection(bench.m_bench.Name("A")));
        EXPECT_TRUE(log.Has(std::string("Start to open connection to spectrum analyzer::  ") + c.openText));
        EXPECT_TRUE(log.Has(std::string("Completed in opening connection to analyzer:: ") + c.openText));
        bench.Sim().SetMode("A", "NA");
        bench.m_bench.m_clock.ClearPauses();
        EXPECT_TRUE(d.SetupSpectrumAnalyzer());
        EXPECT_EQ(bench.Commands(), c.setup);
        ASSERT_FALSE(bench.Waits().empty());
        EXPECT_EQ(bench.Waits().back(), c.setup == older ? milliseconds(3000) : milliseconds(4000));
        EXPECT_TRUE(d.SetSpan(0.0f));
        EXPECT_EQ(bench.Commands(), c.zeroSpan);
        bench.m_bench.m_clock.ClearPauses();
        d.WaitSettle(0.1f);
        EXPECT_EQ(bench.m_bench.m_clock.Pauses(), c.settle);
        // Without "-LogSAErrors" no member asks the error queue.
        EXPECT_TRUE(d.CheckStatus());
        EXPECT_TRUE(bench.Commands().empty());
    }
}

TEST(FieldFox, FirmwareIdentitiesPickTheSetUp) {
    struct Case {
        std::optional<double> version;
        const char* firmware;
        int32_t generation;
        bool older;
    };
    const Case cases[] = {
        {5.3, "A.05.30", 0, true},      {6.01, "A.06.01", 1, true},     {7.5, "A.07.50", 2, false},
        {10.01, "A.10.01,x", 2, false}, {std::nullopt, "V1", 2, false}, {1.0, "A.1", 2, true},
        {std::nullopt, "", 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firmware);
        FieldFoxBench bench(kN9915B);
        // The identity as the check reads it: the whole reply when it has no fields of its own.
        bench.Sim().SetIdentity(
            "A", std::string(c.firmware).empty() ? "" : std::string("Keysight,N9915B,MY1,") + c.firmware);
        bench.m_driver->QueryFirmwareGeneration();
        EXPECT_EQ(bench.m_driver->GetFirmwareGeneration(), c.generation);
        EXPECT_EQ(bench.m_driver->GetFirmwareVersion(), c.version);
        bench.Commands();
        bench.m_bench.m_clock.ClearPauses();
        EXPECT_TRUE(bench.m_driver->SetupSpectrumAnalyzer());
        const Lines sent = bench.Commands();
        // In "SA" already: no mode selection; the older firmware presets the mode and waits 3000 ms.
        EXPECT_EQ(sent, c.older ? (Lines{"INST?", ":System:Preset:Mode;*WAI", "*OPC?", ":DISP:ENAB ON;"})
                                : (Lines{"INST?", ":DISP:ENAB ON;"}));
        EXPECT_EQ(bench.Waits(), c.older ? std::vector<Clock::Duration>{milliseconds(3000)}
                                         : std::vector<Clock::Duration>{});
    }
    EXPECT_EQ(Driver::VersionOf("Keysight,N9912A,MY1,A.07.5"), 7.5);
}

TEST(FieldFox, OpenConnectionToARefusingResourceFails) {
    FieldFoxBench bench(kN9912A);
    AnalyzerLogLines log;
    EXPECT_FALSE(bench.m_driver->OpenConnection("TCPIP0::127.0.0.1::1::SOCKET"));
    EXPECT_TRUE(log.Has("Failed in opening connection to spectrum analyzer:: N9912A"));
}

TEST(FieldFox, RbwTables) {
    struct Row {
        float rbw;
        int32_t a;
        int32_t b;
        int32_t gate;
        int32_t valueB;
    };
    const Row rows[] = {
        {1.0f, 1, 0, 1, 100},
        {0.3f, 2, 0, 5, 100},
        {0.1f, 2, 25, 95, 40},
        {0.03f, 5, 0, 52, 40},
        {0.01f, 30, 0, 160, 40},
        {0.003f, 150, 0, 520, 40},
        {0.001f, 170, 1, 2500, 40},
        // Between the steps only the ">=" rules hold.
        {0.5f, 30, 0, 0, 40},
        {0.05f, 30, 0, 0, 40},
        {0.002f, 170, 1, 0, 40},
        {0.0005f, 20, 0, 0, 40},
    };
    CSpectrumAnalyzerN9912ANew driver;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rbw);
        EXPECT_EQ(driver.GetRbwTimingA(row.rbw), row.a);
        EXPECT_EQ(driver.GetRbwTimingB(row.rbw), row.b);
        EXPECT_EQ(driver.GetGateLength(row.rbw), row.gate);
        EXPECT_EQ(driver.GetRbwValueB(row.rbw), row.valueB);
    }
}

TEST(FieldFox, MarkerReadMissingTheFirstTimeOutIsTakenByTheSecond) {
    FieldFoxBench bench(kN9912A);
    bench.m_connection.SetTimeout(100);
    bench.Sim().SetReply("A", ":Calculate:Marker1:X?;", "2.5E+9\n");
    bench.Sim().SetDelay("A", ":Calculate:Marker1:X?;", 150);
    EXPECT_EQ(bench.m_driver->ReadMarkerFrequency(0), 2500.0f);
    EXPECT_TRUE(bench.m_driver->IsQueryValid());
    // A reference level is read once: a late reply fails it.
    bench.Sim().SetReply("A", ":Display:WIND:Trace:y:RLEV?;", "-10\n");
    bench.Sim().SetDelay("A", ":Display:WIND:Trace:y:RLEV?;", 150);
    bench.m_driver->ReadReferenceLevel();
    EXPECT_FALSE(bench.m_driver->IsQueryValid());
}

TEST(FieldFox, PollThatNeverSeesOneAsksAtTheBound) {
    FieldFoxBench bench(kN9912A);
    bench.m_driver->SetMinimumPollBoundMs(300);
    bench.Sim().SetReply("A", "*OPC?", "0\n");
    bench.m_prompt->Script(PromptAnswer::Cancel);
    EXPECT_FALSE(bench.m_driver->SetPreAmp(true));
    EXPECT_EQ(bench.m_prompt->Requests().size(), 1u);
    EXPECT_FALSE(bench.m_driver->IsCommandValid());
}

TEST(FieldFox, TraceValuesComeBackInDbuv) {
    FieldFoxBench bench(kN9912A);
    Driver& d = *bench.m_driver;
    bench.m_connection.SetTimeout(50);
    bench.m_prompt->Script(PromptAnswer::Cancel);
    ASSERT_TRUE(d.SetTraceFormat());
    ASSERT_TRUE(d.SetSweepPoints(1001));
    const float* trace = d.QueryScan();
    ASSERT_NE(trace, nullptr);
    ASSERT_TRUE(d.IsQueryValid());
    EXPECT_EQ(std::vector<float>(trace, trace + 1001), SimulatedTrace(1001, 107.0f));
    for (const std::string& reply : {"#44004" + LittleEndian(SimulatedTrace(500, 0.0f)) + "\n",
                                     "#4x004" + LittleEndian(SimulatedTrace(1001, 0.0f)) + "\n"}) {
        bench.Sim().SetReply("A", ":Trace:Data?;", reply);
        const float* kept = d.QueryScan();
        ASSERT_NE(kept, nullptr);
        EXPECT_FALSE(d.IsQueryValid());
        EXPECT_EQ(kept[1000], SimulatedTrace(1001, 107.0f)[1000]);
        EXPECT_EQ(d.ReadSweepPoints(), 1001);
    }
    CSpectrumAnalyzerN9912ANew unbound;
    EXPECT_EQ(unbound.QueryScan(), nullptr);
}

// The VISA table of a driver, opened up so that a test can record its flushes.
class RecordingN99xx : public CSpectrumAnalyzerN99xx {
public:
    visa::VisaEntryPoints& Vi() { return m_vi; }
};

std::vector<uint16_t> g_flushes;
visa::ViFlushFn g_realFlush = nullptr;
extern "C" visa::Status RecordingFlush(visa::Session session, uint16_t mask) {
    g_flushes.push_back(mask);
    return g_realFlush(session, mask);
}

TEST(FieldFox, ADroppedConnectionEndsTheSequence) {
    FieldFoxBench bench(kN9918A);
    bench.Sim().SetDropOn("A", ":Sweep:Points?;");
    EXPECT_FALSE(bench.m_driver->SetSweepPoints(401));
    EXPECT_FALSE(bench.m_driver->IsCommandValid());
    EXPECT_FALSE(bench.m_driver->SetDisplayOn(true));
    EXPECT_EQ(bench.Sim().Commands("A"), (Lines{":Sweep:Points 401 ;", ":Sweep:Points?;"}));
}

TEST(FieldFox, N99xxReadsTheErrorQueueOnlyWhenAsked) {
    FieldFoxBench bench({"N9935B", 108, &MakeDriver<RecordingN99xx>});
    auto& recording = static_cast<RecordingN99xx&>(*bench.m_driver);
    g_realFlush = recording.Vi().viFlush;
    recording.Vi().viFlush = &RecordingFlush;
    g_flushes.clear();
    EXPECT_TRUE(bench.m_driver->CheckStatus());
    EXPECT_TRUE(bench.Commands().empty());
    SetLogAnalyzerErrorsSwitch(true);
    g_flushes.clear();
    EXPECT_TRUE(bench.m_driver->CheckStatus());
    EXPECT_EQ(g_flushes, (std::vector<uint16_t>{visa::kFlushReadBuffer, visa::kFlushWriteBuffer}));
    EXPECT_EQ(bench.Commands(), Lines{":SYST:ERR?;"});
    // An error ends a verified sequence at its command.
    bench.Sim().SetReply("A", ":SYST:ERR?;", "-113,\"Undefined header\"\n");
    EXPECT_FALSE(bench.m_driver->CheckStatus());
    EXPECT_FALSE(bench.m_driver->SetDisplayOn(true));
    EXPECT_FALSE(bench.m_driver->IsCommandValid());
    SetLogAnalyzerErrorsSwitch(false);
}

} // namespace
} // namespace orv
