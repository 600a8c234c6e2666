// The RIGOL DSA and RSA and the SIGLENT SSA3075X-R on the simulated analyser answering the RIGOL and
// SIGLENT command sets: each class's command lines, the RIGOL status check, whole-Hz frequencies, the
// RSA's measured wait mode and mode selection, their tables and the traces with their failures.

#include "analyzers/CVisaConnection.h"
#include "analyzers/drivers/rigol/CSpectrumAnalyzerDSA.h"
#include "analyzers/drivers/rigol/CSpectrumAnalyzerRSA.h"
#include "analyzers/drivers/siglent/CSpectrumAnalyzerSSA3075XR.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <functional>
#include <map>
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
using Pauses = std::vector<Clock::Duration>;
using std::chrono::milliseconds;

template <class Driver> class Opened : public Driver {
public:
    visa::VisaEntryPoints& Vi() { return this->m_vi; }
};

struct Model {
    const char* identity;
    int32_t code;
    const char* commandSet;
    std::function<std::unique_ptr<CSpectrumAnalyzerDSA>()> make;
};

const std::map<std::string, Model>& Models() {
    static const std::map<std::string, Model> models = {
        {"DSA",
         {"RIGOL TECHNOLOGIES,DSA875,DSA8A123400001,00.01.19", 52, "rigol",
          [] { return std::make_unique<Opened<CSpectrumAnalyzerDSA>>(); }}},
        {"RSA",
         {"RIGOL TECHNOLOGIES,RSA5065,RSA5B123400002,00.01.06", 53, "rigol",
          [] { return std::make_unique<Opened<CSpectrumAnalyzerRSA>>(); }}},
        {"SSA",
         {"Siglent Technologies,SSA3075X-R,SSA3XRBX1R0001,3.2.2.5.1", 71, "siglent",
          [] { return std::make_unique<Opened<CSpectrumAnalyzerSSA3075XR>>(); }}},
    };
    return models;
}

// A VISA write that takes time on the fake clock, as an instrument holding its input does.
FakeClock* g_clock = nullptr;
Clock::Duration g_writeTime{};
visa::ViPrintfFn g_realPrintf = nullptr;

visa::Status SlowPrintf(visa::Session session, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const char* command = va_arg(args, const char*);
    va_end(args);
    const visa::Status status = g_realPrintf(session, format, command);
    g_clock->Advance(g_writeTime);
    return status;
}

class RigolSiglentTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_bench.AddResources({{"A", Models().at("DSA").identity}});
        ASSERT_TRUE(m_connection.DetectAndConnect());
        // Long enough for a loaded machine (a sanitizer build beside a parallel suite) to answer an
        // ordinary query in time; the never-completing waits still end at their bounds.
        m_connection.SetTimeout(250);
    }
    template <class Driver = CSpectrumAnalyzerDSA> Driver& Bind(const std::string& model) {
        const Model& m = Models().at(model);
        Sim().SetIdentity("A", m.identity);
        Sim().SetCommandSet("A", m.commandSet);
        Sim().SetMode("A", "SA");
        m_driver = m.make();
        EXPECT_TRUE(m_driver->FindVisaConnection(&m_connection, m.code));
        m_driver->SetScanSetup(&m_setup);
        m_driver->SetMinimumPollBoundMs(10);
        Sim().ClearCommands("A");
        m_bench.m_clock.ClearPauses();
        return dynamic_cast<Driver&>(*m_driver);
    }
    Lines Commands() { return SentCommands(*m_driver, Sim()); }
    visa::VisaEntryPoints& Vi() {
        if (auto* dsa = dynamic_cast<Opened<CSpectrumAnalyzerDSA>*>(m_driver.get())) {
            return dsa->Vi();
        }
        if (auto* rsa = dynamic_cast<Opened<CSpectrumAnalyzerRSA>*>(m_driver.get())) {
            return rsa->Vi();
        }
        return dynamic_cast<Opened<CSpectrumAnalyzerSSA3075XR>&>(*m_driver).Vi();
    }
    test::ScpiSimulatorProcess& Sim() { return m_bench.m_sim; }

    AnalyzerSimulatorBench m_bench;
    CVisaConnection m_connection;
    std::unique_ptr<CSpectrumAnalyzerDSA> m_driver;
    FakeAnalyzerScanSetup m_setup;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>(PromptAnswer::Cancel);
    ScopedPromptInstall m_promptInstall{m_prompt};
};

using Run = std::function<bool(CSpectrumAnalyzerDSA&)>;
struct LineCase {
    const char* model;
    const char* what;
    Run run;
    Lines lines;
};

TEST_F(RigolSiglentTest, CommandLinesByClass) {
    const std::vector<LineCase> cases = {
        // The DSA: bare line feeds, Hz as "%f".
        {"DSA",
         "set-up",
         [](auto& d) { return d.SetupSpectrumAnalyzer(); },
         {"*CLS", "*RST", ":CONFigure:SANalyzer", ":DISP:ENAB ON", ":CAL:AUTO OFF",
          ":TRIGger:SEQuence:SOURce Immediate", ":Initiate:Continuous on"}},
        {"DSA",
         "pre-amplifier on, read back",
         [](auto& d) { return d.SetPreAmp(true) && d.GetPreAmpState() == 1; },
         {":SENSe:POWer:RF:GAIN:STATe ON", ":SENSe:POWer:RF:GAIN:STATe?"}},
        {"DSA",
         "pre-amplifier off",
         [](auto& d) { return d.SetPreAmp(false) && d.GetPreAmpState() == 0; },
         {":SENSe:POWer:RF:GAIN:STATe OFF"}},
        {"DSA",
         "trigger, whatever the argument",
         [](auto& d) { return d.SetInternalTriger(0); },
         {":TRIGger:SEQuence:SOURce Immediate", ":Initiate:Continuous on"}},
        {"DSA",
         "auto sweep",
         [](auto& d) { return d.SetAutoSweep(0) && d.SetAutoSweep(1); },
         {":Sweep:Time:Auto on", ":Initiate:Continuous on"}},
        {"DSA", "sweep time in ms", [](auto& d) { return d.SetSweepTimeMs(250); }, {"Sweep:Time 0.250000"}},
        {"DSA",
         "sweep time 1218 is a second",
         [](auto& d) { return d.SetSweepTimeFloat(1218.0f); },
         {"Sweep:Time 1.000000"}},
        {"DSA", "sweep time read", [](auto& d) { return d.ReadSweepTime() == 100; }, {":Sweep:Time?"}},
        {"DSA",
         "detector",
         [](auto& d) { return d.SetDetectorPositive(false) && d.SetDetectorPositive(true); },
         {"DET POS"}},
        {"DSA", "attenuation", [](auto& d) { return d.SetAttenuation(10.7f); }, {":POW:Attenuation 10"}},
        {"DSA",
         "points 0 give the minimum",
         [](auto& d) { return d.SetSweepPoints(0) && d.GetSweepPointCount() == 101; },
         {":Sweep:Points 101", ":Sweep:Points?"}},
        {"DSA",
         "points beyond the maximum",
         [](auto& d) { return d.SetSweepPoints(5000) && d.GetSweepPointCount() == 3001; },
         {":Sweep:Points 3001", ":Sweep:Points?"}},
        {"DSA",
         "negative points",
         [](auto& d) { return d.SetSweepPoints(-5); },
         {":Sweep:Points 3001", ":Sweep:Points?"}},
        {"DSA",
         "spectral points",
         [](auto& d) { return d.SetSpectralSweepPoints(400); },
         {":Sweep:Points 5", ":Sweep:Points?"}},
        {"DSA", "span in Hz", [](auto& d) { return d.SetSpan(10.0f); }, {":Frequency:Span 10000000.000000"}},
        {"DSA",
         "resolution and video in single-precision Hz",
         [](auto& d) { return d.SetResolution(0.0001f); },
         {":SENSe:BANDwidth:RESolution 100.000000", ":Bandwidth:Video 100.000000"}},
        {"DSA",
         "centre",
         [](auto& d) { return d.SetCenterFrequency(150.0f); },
         {":Frequency:Center 150000000.000000"}},
        {"DSA",
         "reference level",
         [](auto& d) { return d.SetReferenceLevel(97.0f); },
         {":Display:Window:Trace:y:RLevel 97.000000 "}},
        {"DSA", "unit", [](auto& d) { return d.SetUnit("DBUV"); }, {":UNIT:POWER DBUV"}},
        {"DSA",
         "trace format",
         [](auto& d) { return d.SetTraceFormat(); },
         {":FORMAT:DATA REAL,32", ":FORMAT:BORD SWAP"}},
        {"DSA",
         "single sweep",
         [](auto& d) { return d.SetContinuousSweep(false) && d.SetContinuousSweep(true); },
         {":Initiate:Continuous off"}},
        {"DSA",
         "marker count",
         [](auto& d) { return d.SetMarkerCount(true) && d.SetMarkerCount(false); },
         {":Calculate:Marker:FCount on", ":Calculate:Marker:FCount off"}},
        {"DSA", "peak", [](auto& d) { return d.MarkPeak(); }, {":CALCulate:MARKer1:MAXimum:MAX"}},
        {"DSA",
         "marker frequency",
         [](auto& d) { return d.ReadMarkerFrequency(1) == 1000.0f; },
         {":Calculate:Marker1:X?"}},
        {"DSA",
         "peak amplitude",
         [](auto& d) { return d.ReadPeakAmplitude() == -10.0f; },
         {":Calculate:Marker1:Y?"}},
        {"DSA",
         "reads",
         [](auto& d) {
             return d.ReadSpan() == 100.0f && d.ReadResolution() == 0.1f &&
                    d.ReadCenterFrequency() == 1000.0f && d.ReadReferenceLevel() == 0.0f;
         },
         {":Frequency:Span?", "SENSe:BANDwidth:RESolution?", ":Frequency:Center?",
          ":Display:Window:Trace:y:RLevel?"}},
        {"DSA",
         "sweep",
         [](auto& d) { return d.SweepAndWait() && d.TriggeredSweep(); },
         {":Initiate:Continuous off", ":INIT; *WAI", ":Initiate:Continuous off", ":INIT; *WAI"}},
        // The RSA: ";" and a line feed, whole Hz.
        {"RSA",
         "pre-amplifier",
         [](auto& d) { return d.SetPreAmp(true) && d.GetPreAmpState() == 1 && d.SetPreAmp(false); },
         {":SENSe:POWer:RF:GAIN:STATe 1;", ":SENSe:POWer:RF:GAIN:STATe 0;"}},
        {"RSA",
         "trigger",
         [](auto& d) { return d.SetInternalTriger(0); },
         {":TRIGger:SEQuence:SOURce Immediate;"}},
        {"RSA", "auto sweep", [](auto& d) { return d.SetAutoSweep(1); }, {":Sweep:Time:Auto on;"}},
        {"RSA",
         "sweep time",
         [](auto& d) { return d.SetSweepTimeMs(250) && d.SetSweepTimeFloat(1218.0f); },
         {"Sweep:Time 0.250000;"}},
        {"RSA",
         "FSL forms",
         [](auto& d) { return d.ReadSweepTime() == 100 && d.SetDetectorPositive(true) && d.SetUnit("DBUV"); },
         {":Sweep:Time?;", "DET POS;", ":UNIT:POWER DBUV ;"}},
        {"RSA", "attenuation", [](auto& d) { return d.SetAttenuation(10.0f); }, {":POW:Attenuation 10;"}},
        {"RSA",
         "points",
         [](auto& d) { return d.SetSweepPoints(20000) && d.GetSweepPointCount() == 10001; },
         {":Sweep:Points 10001;", ":Sweep:Points?;"}},
        {"RSA",
         "spectral points",
         [](auto& d) { return d.SetSpectralSweepPoints(7); },
         {":Sweep:Points 5;", ":Sweep:Points?;"}},
        {"RSA",
         "centre in whole Hz",
         [](auto& d) { return d.SetCenterFrequency(1000.0f); },
         {":SENSe:FREQuency:CENTer 1000000000;"}},
        {"RSA",
         "centre beyond 32 bits",
         [](auto& d) { return d.SetCenterFrequency(6000.0f); },
         {":SENSe:FREQuency:CENTer 6000000000;"}},
        {"RSA",
         "resolution 100 Hz twice",
         [](auto& d) { return d.SetResolution(0.0001f); },
         {":SENSe:BANDwidth:RESolution 100;", ":Bandwidth:Video 100;"}},
        {"RSA", "span", [](auto& d) { return d.SetSpan(0.5f); }, {":Frequency:Span 500000;"}},
        {"RSA",
         "reads",
         [](auto& d) {
             return d.ReadSpan() == 100.0f && d.ReadResolution() == 0.1f &&
                    d.ReadCenterFrequency() == 1000.0f && d.ReadReferenceLevel() == 0.0f;
         },
         {":Frequency:Span?;", "SENSe:BANDwidth:RESolution?;", ":Frequency:Center?;",
          ":DISPlay:WINdow:TRACe:Y:RLevel?;"}},
        {"RSA",
         "reference level",
         [](auto& d) { return d.SetReferenceLevel(97.0f); },
         {":Display:Window:Trace:y:RLevel 97.000000 ;"}},
        {"RSA",
         "trace format",
         [](auto& d) { return d.SetTraceFormat(); },
         {":FORMAT:DATA REAL, 32;", ":FORMAT:BORD SWAP;"}},
        {"RSA",
         "markers",
         [](auto& d) {
             return d.SetMarkerCount(true) && d.SetMarkerCount(false) && d.MarkPeak() &&
                    d.ReadMarkerFrequency(0) == 1000.0f && d.ReadPeakAmplitude() == -10.0f;
         },
         {":Calculate:Marker1:FCount on;", ":Calculate:Marker1:FCount off;",
          ":CALCulate:MARKer1:MAXimum:MAX;", ":Calculate:Marker1:X?;", ":Calculate:Marker1:Y?;"}},
        {"RSA",
         "sweep",
         [](auto& d) { return d.SetContinuousSweep(true) && d.SweepAndWait(); },
         {"INIT", "*WAI"}},
        // The SSA3075X-R: the DSA with its own forms.
        {"SSA",
         "set-up",
         [](auto& d) { return d.SetupSpectrumAnalyzer(); },
         {"*CLS", "*RST", ":INST:SEL SA", ":DISP:ENAB ON", ":Initiate:Continuous on"}},
        {"SSA",
         "pre-amplifier leaves the flag",
         [](auto& d) { return d.SetPreAmp(true) && d.GetPreAmpState() == 0 && d.SetPreAmp(false); },
         {"POW:GAIN ON", "POW:GAIN OFF"}},
        {"SSA",
         "tracking output",
         [](auto& d) { return d.SetTrackingGeneration(true) && d.SetTrackingGeneration(false); },
         {":OUTPUT ON", ":OUTPUT OFF"}},
        {"SSA",
         "trigger",
         [](auto& d) { return d.SetInternalTriger(0); },
         {":TRIG:SOUR IMM", ":Initiate:Continuous on"}},
        {"SSA",
         "fixed points",
         [](auto& d) {
             return d.SetSweepPoints(1001) && d.SetSpectralSweepPoints(3) && d.ReadSweepPoints() == 751 &&
                    d.GetSweepPointCount() == 751;
         },
         {}},
        {"SSA", "peak", [](auto& d) { return d.MarkPeak(); }, {":CALCulate:MARKer1:MAX"}},
        {"SSA",
         "DSA forms",
         [](auto& d) { return d.SetSpan(0.0001f) && d.SetAttenuation(0.0f); },
         {":Frequency:Span 100.000000", ":POW:Attenuation 0"}},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(std::string(c.model) + ": " + c.what);
        CSpectrumAnalyzerDSA& d = Bind(c.model);
        EXPECT_TRUE(c.run(d));
        EXPECT_TRUE(d.IsCommandValid());
        EXPECT_TRUE(d.IsQueryValid());
        EXPECT_EQ(Commands(), c.lines);
    }
}

TEST_F(RigolSiglentTest, WholeHzAreFormedInSinglePrecisionAndKept64Bits) {
    EXPECT_EQ(CSpectrumAnalyzerRSA::WholeHz(0.0001f), 100);
    EXPECT_EQ(CSpectrumAnalyzerRSA::WholeHz(3000.0f), 3000000000LL);
    EXPECT_EQ(CSpectrumAnalyzerRSA::WholeHz(std::nanf("")), 0);
    Bind("RSA");
    Sim().SetReply("A", ":Frequency:Center?;", "6000000000\n");
    EXPECT_EQ(m_driver->ReadCenterFrequency(), 6000.0f);
    EXPECT_TRUE(m_driver->IsQueryValid());
    // A reply that is no whole number is a failed read.
    Sim().SetReply("A", ":Frequency:Center?;", "abc\n");
    m_driver->ReadCenterFrequency();
    EXPECT_FALSE(m_driver->IsQueryValid());
}

TEST_F(RigolSiglentTest, RigolStatusCheckLogsTheFirstLineOfAFailedReply) {
    Bind("DSA");
    EXPECT_TRUE(m_driver->CheckStatus());
    EXPECT_EQ(Commands(), Lines{});
    ScopedLogErrors on(true);
    const std::string longText(3000, 'x');
    const std::vector<std::tuple<std::string, bool, std::string>> replies = {
        {"0,\"No error\"\n", true, ""},
        {"-113,\"Undefined header\"\n", false,
         "The spectrum analyser failed a status check, with error code -113,\"Undefined header\"."},
        {"-222,\"Data out of range\"\n-113,\"Undefined header\"\n", false,
         "The spectrum analyser failed a status check, with error code -222,\"Data out of range\"."},
        {"-" + longText + "\n", false,
         "The spectrum analyser failed a status check, with error code -" + longText.substr(0, 255) + "."},
    };
    for (const auto& [reply, passes, logged] : replies) {
        SCOPED_TRACE(reply.substr(0, 40));
        AnalyzerLogLines log;
        Sim().SetReply("A", "SYST:ERR?", reply);
        EXPECT_EQ(m_driver->CheckStatus(), passes);
        m_driver->FlushBuffers();
        EXPECT_EQ(Commands(), Lines{"SYST:ERR?"});
        EXPECT_EQ(log.Texts(), logged.empty() ? Lines{} : Lines{logged});
    }
    // An error queued by a set fails it, after its own command.
    Sim().SetReply("A", "SYST:ERR?", "");
    Sim().SetErrorCount("A", 1);
    EXPECT_FALSE(m_driver->SetAttenuation(10.0f));
    EXPECT_FALSE(m_driver->IsCommandValid());
    EXPECT_EQ(Commands(), (Lines{":POW:Attenuation 10", "SYST:ERR?"}));
    // The SIGLENT never asks.
    Bind("SSA");
    EXPECT_TRUE(m_driver->CheckStatus());
    EXPECT_EQ(Commands(), Lines{});
}

TEST_F(RigolSiglentTest, RsaSetUpMeasuresTheWaitModeAndSelectsTheMode) {
    struct Case {
        const char* what;
        milliseconds writeTime;
        const char* mode;
        bool waitMode;
        Lines selection; // between "*CLS;" and ":CONFigure:SANalyzer;"
        Pauses pauses;
    };
    const Lines head{"FREQ:CENTER 200 MHz",
                     "FREQ:SPAN 100 MHz",
                     "BAND 120 kHz",
                     "SWE:TIME 0.5",
                     "INIT; *WAI",
                     "*RST",
                     "*CLS;",
                     "INST?"};
    const Lines tail{":CONFigure:SANalyzer;", ":DISP:ENAB ON;", ":CAL:AUTO OFF;",
                     ":TRIGger:SEQuence:SOURce Immediate;"};
    const Case cases[] = {
        {"waiting, already SA", milliseconds(250), "SA", true, {}, {}},
        {"not waiting, already SA", milliseconds(249), "SA", false, {}, {}},
        {"quoted SA", milliseconds(0), "\"SA\"", false, {}, {}},
        {"another mode",
         milliseconds(0),
         "VSA",
         false,
         {"INST:SEL \"SA\"; *WAI;", "*OPC?"},
         {milliseconds(4000)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto& rsa = Bind<CSpectrumAnalyzerRSA>("RSA");
        Sim().SetMode("A", c.mode);
        g_clock = &m_bench.m_clock;
        g_writeTime = c.writeTime;
        g_realPrintf = Vi().viPrintf;
        Vi().viPrintf = &SlowPrintf;
        const bool ok = rsa.SetupSpectrumAnalyzer();
        Vi().viPrintf = g_realPrintf;
        EXPECT_TRUE(ok);
        EXPECT_TRUE(rsa.IsCommandValid());
        EXPECT_EQ(rsa.IsWaitMode(), c.waitMode);
        EXPECT_EQ(m_bench.m_clock.Pauses(), c.pauses);
        Lines expected = head;
        expected.insert(expected.end(), c.selection.begin(), c.selection.end());
        expected.insert(expected.end(), tail.begin(), tail.end());
        EXPECT_EQ(Commands(), expected);
    }
}

TEST_F(RigolSiglentTest, RsaModeSelectionThatNeverCompletesEndsAtTheBound) {
    auto& rsa = Bind<CSpectrumAnalyzerRSA>("RSA");
    Sim().SetMode("A", "VSA");
    rsa.SetMinimumPollBoundMs(10);
    Sim().SetOperationTime("A", test::ScpiSimulatorProcess::kNeverDoneMs);
    m_prompt->Script(PromptAnswer::Cancel);
    AnalyzerLogLines log;
    EXPECT_FALSE(rsa.SetupSpectrumAnalyzer());
    EXPECT_FALSE(rsa.IsCommandValid());
    EXPECT_EQ(m_prompt->Requests().size(), 1U);
    EXPECT_TRUE(log.Has("Spectrum analyzer: waiting for '*OPC?\n' ended."));
}

TEST_F(RigolSiglentTest, TablesWaitsAndConstantsByClass) {
    struct Row {
        float rbw;
        int32_t a;
        int32_t b;
        int32_t gate;
        int32_t valueB;
    };
    const std::map<std::string, std::vector<Row>> tables = {
        {"DSA",
         {{1.0f, 0, 440, 10, 100},
          {0.3f, 0, 440, 10, 100},
          {0.003f, 2, 3, 80, 2},
          {0.001f, 10, 10, 80, 2},
          {0.0003f, 500, 21, 500, 2},
          {0.0001f, 250, 50, 5000, 2},
          {0.0002f, 1, 440, 10, 2}}},
        {"RSA",
         {{1.0f, 0, 0, 10, 100},
          {0.003f, 0, 5, 80, 2},
          {0.0003f, 0, 51, 2500, 2},
          {0.0001f, 0, 50, 5000, 2}}},
        {"SSA", {{1.0f, 0, 0, 0, 100}, {0.0003f, 0, 0, 0, 2}}},
    };
    for (const auto& [model, rows] : tables) {
        for (const Row& row : rows) {
            SCOPED_TRACE(model + " " + std::to_string(row.rbw));
            CSpectrumAnalyzerDSA& d = Bind(model);
            EXPECT_EQ(d.GetRbwTimingA(row.rbw), row.a);
            EXPECT_EQ(d.GetRbwTimingB(row.rbw), row.b);
            EXPECT_EQ(d.GetGateLength(row.rbw), row.gate);
            EXPECT_EQ(d.GetRbwValueB(row.rbw), row.valueB);
            // The DSA's gate delay is the gate length just chosen; the RSA's the gate hold.
            EXPECT_EQ(d.GetGateDelay(), model == "RSA" ? 0 : row.gate);
        }
    }
    // Pauses: the FSV3's A table at 1 kHz, the RSA's 100 ms before every A value, the settling.
    struct Wait {
        const char* model;
        std::function<void(CSpectrumAnalyzerDSA&)> run;
        Pauses pauses;
    };
    const Wait waits[] = {
        {"DSA", [](auto& d) { d.GetRbwTimingA(0.001f); }, {milliseconds(100)}},
        {"RSA", [](auto& d) { d.GetRbwTimingA(1.0f); }, {milliseconds(100)}},
        {"DSA", [](auto& d) { d.WaitSettle(1.0f); }, {milliseconds(1000)}},
        {"RSA", [](auto& d) { d.WaitSettle(1.0f); }, {milliseconds(1000)}},
        {"SSA", [](auto& d) { d.WaitSettle(1.0f); }, {milliseconds(100)}},
    };
    for (const Wait& w : waits) {
        CSpectrumAnalyzerDSA& d = Bind(w.model);
        w.run(d);
        EXPECT_EQ(m_bench.m_clock.Pauses(), w.pauses) << w.model;
    }
    struct Constants {
        const char* model;
        const char* sweepMode;
        int32_t points;
    };
    for (const Constants& c :
         {Constants{"DSA", "", 601}, Constants{"RSA", "GatedSweep", 801}, Constants{"SSA", "", 401}}) {
        SCOPED_TRACE(c.model);
        CSpectrumAnalyzerDSA& d = Bind(c.model);
        EXPECT_EQ(d.GetSweepMode(), c.sweepMode);
        EXPECT_EQ(d.GetSweepPointCount(), c.points);
        EXPECT_EQ(d.GetPointsPerCell(), 1);
        EXPECT_TRUE(d.IsNarrowRbw());
        m_setup.m_rows = 3;
        m_setup.m_columns = 4;
        m_setup.m_cells = {1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 0, 0};
        EXPECT_EQ(d.GetCellsPerSweep(1.0f), 5);
        m_setup = FakeAnalyzerScanSetup();
    }
}

TEST_F(RigolSiglentTest, SsaReferenceLevelIsGivenInDbuv) {
    Bind("SSA");
    Sim().SetReply("A", ":Display:Window:Trace:y:RLevel?", "-20\n");
    EXPECT_FLOAT_EQ(m_driver->ReadReferenceLevel(), 86.9897f);
    EXPECT_TRUE(m_driver->IsQueryValid());
}

TEST_F(RigolSiglentTest, RigolTracesAndTheKeptTrace) {
    for (const char* model : {"DSA", "RSA"}) {
        SCOPED_TRACE(model);
        CSpectrumAnalyzerDSA& d = Bind(model);
        ASSERT_TRUE(d.SetTraceFormat());
        ASSERT_TRUE(d.SetSweepPoints(1001));
        const float* trace = d.QueryScan();
        ASSERT_NE(trace, nullptr);
        EXPECT_TRUE(d.IsQueryValid());
        EXPECT_EQ(std::vector<float>(trace, trace + 1001), SimulatedTrace(1001));
        // A short block keeps the trace with the flag cleared; the next query reads its own reply.
        const std::string query = std::string(model) == "DSA" ? ":Trace? trace1" : "TRACE? trace1";
        Sim().SetReply("A", query, Block(LittleEndian(std::vector<float>(1000, 1.0f))));
        const float* kept = d.QueryScan();
        ASSERT_NE(kept, nullptr);
        EXPECT_FALSE(d.IsQueryValid());
        EXPECT_EQ(kept[0], SimulatedTrace(1)[0]);
        EXPECT_EQ(d.ReadSweepPoints(), 1001);
        EXPECT_TRUE(d.IsQueryValid());
        Sim().SetReply("A", query, "");
        Commands();
        // Under "-LogSAErrors" a queued error is not asked for by the read: only the flag counts.
        ScopedLogErrors on(true);
        Sim().SetErrorCount("A", 1);
        EXPECT_NE(d.QueryScan(), nullptr);
        EXPECT_TRUE(d.IsQueryValid());
        EXPECT_EQ(Commands(), (Lines{query}));
    }
    // Nothing kept before the first read: null.
    CSpectrumAnalyzerDSA& fresh = Bind("DSA");
    Sim().SetReply("A", ":Trace? trace1", "1,2,3\n");
    EXPECT_EQ(fresh.QueryScan(), nullptr);
    EXPECT_FALSE(fresh.IsQueryValid());
}

TEST_F(RigolSiglentTest, SsaTraceIsReadRawAndWhole) {
    CSpectrumAnalyzerDSA& d = Bind("SSA");
    ASSERT_EQ(d.ReadSweepPoints(), 751);
    const float* trace = d.QueryScan();
    ASSERT_NE(trace, nullptr);
    EXPECT_TRUE(d.IsQueryValid());
    EXPECT_EQ(std::vector<float>(trace, trace + 751), SimulatedTrace(751));

    // Values whose bytes are line feeds come whole, and the next text query reads its own reply.
    float lineFeeds = 0.0f;
    const uint32_t word = 0x0A0A0A0A;
    std::memcpy(&lineFeeds, &word, 4);
    Sim().SetReply("A", ":Trace? trace1", LittleEndian(std::vector<float>(751, lineFeeds)) + "\n");
    trace = d.QueryScan();
    ASSERT_NE(trace, nullptr);
    EXPECT_TRUE(d.IsQueryValid());
    EXPECT_EQ(std::vector<float>(trace, trace + 751), std::vector<float>(751, lineFeeds));
    EXPECT_EQ(d.ReadSpan(), 100.0f);
    EXPECT_TRUE(d.IsQueryValid());

    // A short reply: the flag cleared, the values that came and zeros after them.
    m_prompt->Script(PromptAnswer::Cancel);
    Sim().SetReply("A", ":Trace? trace1", LittleEndian(SimulatedTrace(10)));
    trace = d.QueryScan();
    ASSERT_NE(trace, nullptr);
    EXPECT_FALSE(d.IsQueryValid());
    EXPECT_EQ(std::vector<float>(trace, trace + 10), SimulatedTrace(10));
    EXPECT_EQ(trace[10], 0.0f);
    EXPECT_EQ(trace[750], 0.0f);
    d.FlushBuffers();
    EXPECT_EQ(d.ReadSpan(), 100.0f);

    // A dropped connection.
    Sim().SetReply("A", ":Trace? trace1", LittleEndian(SimulatedTrace(300)));
    Sim().SetDropAfterReply("A", ":Trace? trace1");
    trace = d.QueryScan();
    ASSERT_NE(trace, nullptr);
    EXPECT_FALSE(d.IsQueryValid());
    EXPECT_EQ(trace[299], SimulatedTrace(300)[299]);
    EXPECT_EQ(trace[300], 0.0f);
}

} // namespace
} // namespace orv
