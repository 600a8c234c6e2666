#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9000A.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9010A.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9020A.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9040B.h"

#include "analyzers/CVisaConnection.h"
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
using Driver = CSpectrumAnalyzerN9010A;
using Lines = std::vector<std::string>;

// A model: its code, its identity on the simulator and how its driver is made.
struct Model {
    const char* name;
    int32_t code;
    std::unique_ptr<Driver> (*make)();
};

template <class D> std::unique_ptr<Driver> MakeDriver() {
    return std::make_unique<D>();
}

template <class D> constexpr Model ModelOf(const char* name, int32_t code) {
    return {name, code, &MakeDriver<D>};
}

constexpr Model kN9010A = ModelOf<CSpectrumAnalyzerN9010A>("N9010A", 25);
constexpr Model kN9010B = ModelOf<CSpectrumAnalyzerN9010B>("N9010B", 24);
constexpr Model kN9020A = ModelOf<CSpectrumAnalyzerN9020A>("N9020A", 28);
constexpr Model kN9020B = ModelOf<CSpectrumAnalyzerN9020B>("N9020B", 54);
constexpr Model kN9030A = ModelOf<CSpectrumAnalyzerN9030A>("N9030A", 26);
constexpr Model kN9030B = ModelOf<CSpectrumAnalyzerN9030B>("N9030B", 49);
constexpr Model kN9040B = ModelOf<CSpectrumAnalyzerN9040B>("N9040B", 44);
constexpr Model kN9000A = ModelOf<CSpectrumAnalyzerN9000A>("N9000A", 27);
constexpr Model kN9000B = ModelOf<CSpectrumAnalyzerN9000B>("N9000B", 50);

std::string Identity(const char* model) {
    return std::string("Keysight Technologies,") + model + ",MY55150123,A.14.16";
}

// One simulated X-series analyser and the driver of its model bound to it.
class XSeriesBench {
public:
    explicit XSeriesBench(const Model& model) {
        m_bench.AddResources({{"A", Identity(model.name)}});
        m_bound = m_connection.DetectAndConnect();
        m_driver = model.make();
        m_bound = m_bound && m_driver->FindVisaConnection(&m_connection, model.code);
        m_driver->SetScanSetup(&m_setup);
        m_bench.m_sim.SetCommandSet("A", "xseries");
        m_bench.m_sim.ClearCommands("A");
    }

    Lines Commands() { return SentCommands(*m_driver, Sim()); }
    test::ScpiSimulatorProcess& Sim() { return m_bench.m_sim; }

    AnalyzerSimulatorBench m_bench;
    CVisaConnection m_connection;
    std::unique_ptr<Driver> m_driver;
    FakeAnalyzerScanSetup m_setup;
    bool m_bound = false;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>(PromptAnswer::Ok);
    ScopedPromptInstall m_promptInstall{m_prompt};
};

const char* const kErr = ":SYST:ERR?;";

// Every model's operation sends the lines of its form; verify follows each write where the model's
// check reads the error queue.
TEST(KeysightXSeries, OperationsSendTheirLines) {
    struct Case {
        const char* what;
        const Model& model;
        std::function<void(XSeriesBench&)> prepare;
        std::function<bool(Driver&)> run;
        Lines lines;
    };
    const auto none = [](XSeriesBench&) {};
    const auto rbw = [](double mhz) {
        return [mhz](XSeriesBench& b) {
            b.m_setup.m_appliedRbw = mhz;
            b.Sim().SetReply("A", ":Bandwidth?;", std::to_string(mhz * 1e6) + "\n");
        };
    };
    const Lines gate = {":Trigger:RF:Source Immediate;", ":Sweep:Egate ON;", ":Sweep:Egate:METH LO;",
                        ":Sweep:Egate:Cont EDGE;"};
    auto join = [](Lines a, const Lines& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Lines statusPolls(6, ":Status:Operation:Condition?;");
    const std::vector<Case> cases = {
        {"set-up",
         kN9010A,
         none,
         [](Driver& d) { return d.SetupSpectrumAnalyzer(); },
         {"*RST;", "INST SA;", ":DISP:ENAB ON;", ":CAL:AUTO OFF;"}},
        {"set-up",
         kN9020A,
         none,
         [](Driver& d) { return d.SetupSpectrumAnalyzer(); },
         {"*RST;", kErr, "INST SA;", kErr, ":DISP:ENAB ON;", kErr}},
        {"set-up",
         kN9040B,
         none,
         [](Driver& d) { return d.SetupSpectrumAnalyzer(); },
         {"*RST;", "INST SA;", ":DISP:ENAB ON;", ":CAL:AUTO OFF;"}},
        {"pre-amplifier on",
         kN9010A,
         none,
         [](Driver& d) { return d.SetPreAmp(true) && d.GetPreAmpState() == 1; },
         {":POW:GAIN ON;", " :POW:GAIN:BAND FULL;", ":POW:GAIN:STAT?;"}},
        {"pre-amplifier on",
         kN9030B,
         none,
         [](Driver& d) { return d.SetPreAmp(true) && d.GetPreAmpState() == 1; },
         {":POW:GAIN ON;", " :POW:GAIN:BAND FULL;", kErr}},
        {"pre-amplifier off",
         kN9040B,
         none,
         [](Driver& d) { return d.SetPreAmp(false) && d.GetPreAmpState() == 0; },
         {":SENSe:POWer:RF:GAIN:STATe OFF;"}},
        {"internal trigger",
         kN9010B,
         none,
         [](Driver& d) { return d.SetInternalTriger(1); },
         {":Trigger:RF:Source Immediate; :Initiate:Continuous on;"}},
        {"gated trigger", kN9010A, rbw(0.001), [](Driver& d) { return d.SetInternalTriger(0); },
         join(gate, {":SWE:EGAT:DEL 0 US;", ":Bandwidth?;", ":SWE:EGAT:LENG 4000 US;",
                     ":SWEep:EGATe:HOLDoff 0 US;", ":SWE:EGAT?;"})},
        {"gated trigger narrow",
         kN9010A,
         rbw(0.00003),
         [](Driver& d) { return d.SetInternalTriger(0); },
         {":Trigger:RF:Source Immediate;"}},
        {"gated trigger", kN9000A, rbw(0.003), [](Driver& d) { return d.SetInternalTriger(0); },
         join(gate, {":SWE:EGAT:DEL 0 US;", ":Bandwidth?;", ":SWE:EGAT:LENG 2200 US;",
                     ":SWEep:EGATe:HOLDoff 0 US;"})},
        {"gated trigger with delay",
         kN9020A,
         rbw(0.001),
         [](Driver& d) { return d.SetInternalTriger(0) && d.GetStoredGateDelay() == 500; },
         {gate[0], kErr, gate[1], kErr, gate[2], kErr, gate[3], kErr, ":Bandwidth?;", kErr,
          ":SWE:EGAT:DEL 500 US;", kErr, ":Bandwidth?;", kErr, ":SWE:EGAT:LENG 500 US;", kErr,
          ":SWEep:EGATe:HOLDoff 0 US;", kErr}},
        {"gated trigger at 100 Hz",
         kN9030A,
         rbw(0.0001),
         [](Driver& d) { return d.SetInternalTriger(0); },
         {":Bandwidth?;", kErr, ":Trigger:RF:Source Immediate;", kErr}},
        {"sweep time from the gate",
         kN9010A,
         [&](XSeriesBench& b) {
             rbw(0.001)(b);
             b.Sim().SetReply("A", ":Sweep:Points?;", "101\n");
         },
         [](Driver& d) { return d.SetSweepTimeFloat(0.0f); },
         {":Bandwidth?;", ":Sweep:Points?;", "Sweep:Time 200.000000 MS;"}},
        {"sweep time narrow",
         kN9000B,
         rbw(0.00003),
         [](Driver& d) { return d.SetSweepTimeFloat(0.0f); },
         {"Sweep:Time 0.010000 MS;"}},
        {"sweep time at 100 Hz",
         kN9030B,
         rbw(0.0001),
         [](Driver& d) { return d.SetSweepTimeFloat(0.0f); },
         {":Bandwidth?;", kErr}},
        {"spectral points 20 cells",
         kN9010A,
         rbw(0.1),
         [](Driver& d) { return d.SetSpectralSweepPoints(20); },
         {":Sweep:Points 101 ;", ":Sweep:Points?;"}},
        {"spectral points 100 cells",
         kN9010A,
         rbw(0.1),
         [](Driver& d) { return d.SetSpectralSweepPoints(100); },
         {":Sweep:Points 201 ;", ":Sweep:Points?;"}},
        {"spectral points 30000 cells",
         kN9010A,
         rbw(0.1),
         [](Driver& d) { return d.SetSpectralSweepPoints(30000) && d.GetSweepPointCount() == 40001; },
         {":Sweep:Points 40001 ;", ":Sweep:Points?;"}},
        {"spectral points narrow",
         kN9010A,
         rbw(0.00003),
         [](Driver& d) { return d.SetSpectralSweepPoints(100); },
         {":Sweep:Points 5 ;", ":Sweep:Points?;"}},
        {"spectral points at 100 Hz",
         kN9030A,
         rbw(0.0001),
         [](Driver& d) { return d.SetSpectralSweepPoints(100); },
         {":Bandwidth?;", kErr, ":Sweep:Points 3 ;", kErr, ":Calculate:Marker1:CENT;", ":Sweep:Points?;",
          kErr, kErr}},
        {"spectral points by cells",
         kN9040B,
         [](XSeriesBench& b) {
             b.m_setup.m_rows = 2;
             b.m_setup.m_columns = 3;
             b.m_setup.m_cells = {1, 0, 1, 1, 1, 0};
             b.m_setup.m_appliedRbw = 0.1;
         },
         [](Driver& d) { return d.SetSpectralSweepPoints(100); },
         {":Sweep:Points 4 ;"}},
        {"spectral points by selected cells",
         kN9000A,
         [](XSeriesBench& b) {
             b.m_setup.m_rows = 1;
             b.m_setup.m_columns = 3;
             b.m_setup.m_cells = {1, 1, 0};
             b.m_setup.m_appliedRbw = 0.1;
         },
         [](Driver& d) { return d.SetSpectralSweepPoints(100); },
         {":Sweep:Points 103 ;", ":Sweep:Points?;"}},
        {"sweep points clamp",
         kN9020B,
         none,
         [](Driver& d) { return d.SetSweepPoints(-5); },
         {":Sweep:Points 100001 ;", kErr, ":Sweep:Points?;", kErr, kErr}},
        {"triggered sweep",
         kN9010A,
         none,
         [](Driver& d) { return d.TriggeredSweep(); },
         {":Initiate:Continuous off;", ":Trigger:Source External1;", ":INIT;",
          ":Status:Operation:Condition?;", ":Trigger:Source Immediate;", ":INIT;"}},
        {"triggered sweep",
         kN9040B,
         none,
         [](Driver& d) { return d.TriggeredSweep(); },
         {":Initiate:Continuous off;", ":Trigger:Source External1;", ":INIT;",
          ":Status:Operation:Condition?;", ":Trigger:Source Immediate;", ":INIT; *WAI;"}},
        {"triggered sweep settles",
         kN9000B,
         [](XSeriesBench& b) {
             b.Sim().SetReplySequence("A", ":Status:Operation:Condition?;", {"0\n", "56\n", "8\n", "24\n"});
         },
         [](Driver& d) { return d.TriggeredSweep(); },
         {":Trigger:Source External1;", ":INIT;", ":Status:Operation:Condition?;",
          ":Status:Operation:Condition?;", ":Trigger:Source Immediate;", ":INIT;",
          ":Status:Operation:Condition?;", ":Status:Operation:Condition?;"}},
        {"sweep and wait",
         kN9010A,
         none,
         [](Driver& d) { return d.SweepAndWait(); },
         {":Initiate:Continuous off;", ":INIT; *WAI;"}},
        {"sweep and wait",
         kN9020A,
         none,
         [](Driver& d) { return d.SweepAndWait(); },
         {":Initiate:Continuous off;", kErr, ":INIT;", "*OPC?;", kErr}},
        {"sweep and wait keeps the points",
         kN9030A,
         [](XSeriesBench& b) { b.Sim().SetReply("A", ":Sweep:Points?;", "40001\n"); },
         [](Driver& d) { return d.SweepAndWait(); },
         {":Initiate:Continuous off;", kErr, ":INIT;", "*OPC?;", ":Sweep:Points?;", kErr, kErr}},
        {"sweep and wait, points moved",
         kN9030B,
         [](XSeriesBench& b) { b.Sim().SetReply("A", ":Sweep:Points?;", "401\n"); },
         [](Driver& d) { return !d.SweepAndWait() && d.GetSweepPointCount() == 40001; },
         {":Initiate:Continuous off;", kErr, ":INIT;", "*OPC?;", ":Sweep:Points?;", kErr}},
        {"continuous on",
         kN9000A,
         none,
         [](Driver& d) { return d.SetContinuousSweep(false); },
         {":Initiate:Continuous on;"}},
        {"continuous on", kN9010A, none, [](Driver& d) { return d.SetContinuousSweep(false); }, {}},
        {"centre",
         kN9030A,
         none,
         [](Driver& d) { return d.SetCenterFrequency(150.5f); },
         {":Frequency:Center 150.500000 MHZ;", kErr, ":IF:GAIN:SWEP OFF;", kErr, ":POW:GAIN ON;", kErr,
          ":POW:GAIN:BAND LOW;", kErr}},
        {"resolution",
         kN9040B,
         none,
         [](Driver& d) { return d.SetResolution(0.1f); },
         {":Bandwidth 0.100000 MHZ;", ":SENS:CORR:NOIS:FLO OFF;", ":Bandwidth:Video 0.100000 MHZ;"}},
        {"resolution 100 Hz at zero span",
         kN9030A,
         [](XSeriesBench& b) { b.Sim().SetReply("A", ":Frequency:Span?;", "0\n"); },
         [](Driver& d) { return d.SetResolution(0.0001f); },
         {":Bandwidth 0.000100 MHZ;", ":Frequency:Span?;", kErr, ":Frequency:Span 0.003000 MHZ;", kErr,
          ":Bandwidth 0.0001 MHZ;", ":SENS:CORR:NOIS:FLO ON;", kErr, ":Bandwidth:Video 0.000001 MHZ;", kErr}},
        {"input coupling",
         kN9010A,
         none,
         [](Driver& d) {
             bool dc = false;
             return d.SetInputCoupling(true) && d.IsDcCoupled(dc) && dc;
         },
         {":INP:COUP DC;", ":INP:COUP?;"}},
        {"input coupling",
         kN9030A,
         none,
         [](Driver& d) { return d.SetInputCoupling(false); },
         {"INPut:COUPling AC;"}},
        {"input coupling", kN9020B, none, [](Driver& d) { return d.SetInputCoupling(true); }, {}},
        {"trace format",
         kN9010A,
         none,
         [](Driver& d) { return d.SetTraceFormat(); },
         {":FORMAT:DATA REAL, 32;", ":FORMAT:BORD SWAP;"}},
        {"marker",
         kN9010A,
         none,
         [](Driver& d) { return d.MarkPeak() && d.ReadMarkerFrequency(1) == 1000.0f; },
         {":Calculate:Marker1:MAX;", ":Calculate:Marker1:FCount:X?;"}},
        {"attenuation, unit, level",
         kN9010A,
         none,
         [](Driver& d) { return d.SetAttenuation(10.7f) && d.SetUnit("DBUV") && d.SetReferenceLevel(97.0f); },
         {":POW:Attenuation 10 DB;", ":UNIT:POWER DBUV ;", ":Display:Window:Trace:y:RLEV 97.000000 ;"}},
        {"auto sweep and detector off",
         kN9010A,
         none,
         [](Driver& d) { return d.SetAutoSweep(0) && d.SetDetectorPositive(false); },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model.name) + ": " + c.what);
        XSeriesBench bench(c.model);
        ASSERT_TRUE(bench.m_bound);
        c.prepare(bench);
        EXPECT_TRUE(c.run(*bench.m_driver));
        EXPECT_EQ(bench.Commands(), c.lines);
    }
}

// The first failure ends a sequence: a queued error where the check reads the queue, a dropped
// connection where it does not.
TEST(KeysightXSeries, FirstFailureEndsTheSequence) {
    {
        XSeriesBench bench(kN9020A);
        bench.Sim().SetRefused("A", "INST SA;");
        EXPECT_FALSE(bench.m_driver->SetupSpectrumAnalyzer());
        EXPECT_FALSE(bench.m_driver->IsCommandValid());
        EXPECT_EQ(bench.Commands(), (Lines{"*RST;", kErr, "INST SA;", kErr}));
    }
    {
        XSeriesBench bench(kN9030A);
        bench.Sim().SetRefused("A", ":Sweep:Egate:METH LO;");
        EXPECT_FALSE(bench.m_driver->SetInternalTriger(0));
        const Lines sent = bench.Commands();
        EXPECT_EQ(sent.back(), kErr);
        EXPECT_EQ(sent[sent.size() - 2], ":Sweep:Egate:METH LO;");
    }
    {
        // The connection drops at the RBW query of the gated set-up: its read fails and the sequence
        // ends there (the model's check asks the instrument nothing, so a write alone cannot tell).
        XSeriesBench bench(kN9010A);
        bench.m_setup.m_appliedRbw = 0.1;
        bench.Sim().SetDropOn("A", ":Bandwidth?;");
        EXPECT_FALSE(bench.m_driver->SetInternalTriger(0));
        EXPECT_FALSE(bench.m_driver->IsCommandValid());
        const Lines sent = bench.Sim().Commands("A");
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.back(), ":Bandwidth?;");
        EXPECT_FALSE(bench.m_driver->SetupSpectrumAnalyzer());
    }
    {
        // A failed RBW read sends no gate length.
        XSeriesBench bench(kN9010A);
        bench.m_setup.m_appliedRbw = 0.1;
        bench.Sim().SetReply("A", ":Bandwidth?;", "junk\n");
        EXPECT_FALSE(bench.m_driver->SetInternalTriger(0));
        EXPECT_FALSE(bench.m_driver->SetSweepTimeFloat(0.0f));
        const Lines sent = bench.Commands();
        EXPECT_EQ(std::count_if(sent.begin(), sent.end(),
                                [](const std::string& s) { return s.find("LENG") != std::string::npos; }),
                  0);
        EXPECT_EQ(std::count_if(sent.begin(), sent.end(),
                                [](const std::string& s) { return s.find("Sweep:Time ") == 0; }),
                  0);
    }
}

TEST(KeysightXSeries, TriggeredSweepWithoutFiftySixPollsSixTimesAndGoesOn) {
    XSeriesBench bench(kN9010A);
    bench.Sim().SetReply("A", ":Status:Operation:Condition?;", "8\n");
    AnalyzerLogLines log;
    EXPECT_TRUE(bench.m_driver->TriggeredSweep());
    const Lines sent = bench.Commands();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), ":Status:Operation:Condition?;"), 6);
    EXPECT_EQ(Lines(sent.end() - 2, sent.end()), (Lines{":Trigger:Source Immediate;", ":INIT;"}));
    EXPECT_TRUE(log.Has("Error waiting for SA status, expecting: 56 got: 8"));
    // DC-coupled: no polls, the line with 0.
    ASSERT_TRUE(bench.m_driver->SetInputCoupling(true));
    bench.Commands();
    EXPECT_TRUE(bench.m_driver->TriggeredSweep());
    const Lines dc = bench.Commands();
    EXPECT_EQ(std::count(dc.begin(), dc.end(), ":Status:Operation:Condition?;"), 0);
    EXPECT_TRUE(log.Has("Error waiting for SA status, expecting: 56 got: 0"));
}

TEST(KeysightXSeries, WaitsThatNeverEndPromptAtTheBound) {
    {
        XSeriesBench bench(kN9020A);
        bench.m_driver->SetMinimumPollBoundMs(10);
        bench.m_connection.SetTimeout(50);
        bench.Sim().SetOperationTime("A", test::ScpiSimulatorProcess::kNeverDoneMs);
        bench.m_prompt->Script(PromptAnswer::Ok);
        bench.m_prompt->Script(PromptAnswer::Cancel);
        EXPECT_FALSE(bench.m_driver->SweepAndWait());
        EXPECT_EQ(bench.m_prompt->Requests().size(), 2u);
        EXPECT_FALSE(bench.m_driver->IsCommandValid());
    }
    {
        XSeriesBench bench(kN9000A);
        bench.m_driver->SetMinimumPollBoundMs(10);
        bench.Sim().SetReplySequence("A", ":Status:Operation:Condition?;", {"56\n", "8\n"});
        bench.m_prompt->Script(PromptAnswer::Cancel);
        EXPECT_FALSE(bench.m_driver->TriggeredSweep());
        EXPECT_EQ(bench.m_prompt->Requests().size(), 1u);
    }
}

TEST(KeysightXSeries, ReadsConvertOnlyWhatSucceeded) {
    XSeriesBench bench(kN9030A);
    Driver& d = *bench.m_driver;
    bench.Sim().SetReply("A", ":Display:Window:Trace:y:RLEV?;", "76.99\n");
    EXPECT_EQ(d.ReadReferenceLevel(), 77.0f);
    bench.Sim().SetReply("A", ":Display:Window:Trace:y:RLEV?;", "76.98\n");
    EXPECT_EQ(d.ReadReferenceLevel(), 76.98f);
    bench.Sim().SetReply("A", ":Sweep:Time?;", "0.0123\n");
    EXPECT_EQ(d.ReadSweepTime(), 13);
    ASSERT_TRUE(d.SetCenterFrequency(2400.0f));
    EXPECT_FLOAT_EQ(d.ReadCenterFrequency(), 2400.0f);
    EXPECT_TRUE(d.IsQueryValid());
    // A read-back point count beyond any analyser's is refused and the count stays.
    bench.Sim().SetReply("A", ":Sweep:Points?;", "4000000\n");
    EXPECT_EQ(d.ReadSweepPoints(), 40001);
    EXPECT_FALSE(d.IsQueryValid());
    XSeriesBench n9010(kN9010A);
    n9010.Sim().SetReply("A", ":Display:Window:Trace:y:RLEV?;", "76.99\n");
    EXPECT_EQ(n9010.m_driver->ReadReferenceLevel(), 76.99f);
}

// The VISA table of a driver, opened up so that a test can record its flushes.
class VisaTableAccess {
public:
    virtual ~VisaTableAccess() = default;
    virtual visa::VisaEntryPoints& Vi() = 0;
};
template <class D> class Opened : public D, public VisaTableAccess {
public:
    visa::VisaEntryPoints& Vi() override { return this->m_vi; }
};
constexpr Model kOpenedN9020A = ModelOf<Opened<CSpectrumAnalyzerN9020A>>("N9020A", 28);
constexpr Model kOpenedN9020B = ModelOf<Opened<CSpectrumAnalyzerN9020B>>("N9020B", 54);
constexpr Model kOpenedN9030A = ModelOf<Opened<CSpectrumAnalyzerN9030A>>("N9030A", 26);
constexpr Model kOpenedN9030B = ModelOf<Opened<CSpectrumAnalyzerN9030B>>("N9030B", 49);

std::vector<uint16_t> g_flushes;
visa::ViFlushFn g_realFlush = nullptr;
extern "C" visa::Status RecordingFlush(visa::Session session, uint16_t mask) {
    g_flushes.push_back(mask);
    return g_realFlush(session, mask);
}

TEST(KeysightXSeries, CheckStatusJudgesTheErrorQueue) {
    struct Case {
        const Model& model;
        const char* reply;
        bool flagged;
    };
    const Case cases[] = {
        {kOpenedN9020A, "0,\"No error\"\n", false},
        {kOpenedN9020A, "64,\"Status\"\n", false},
        {kOpenedN9020A, "1064,\"Status\"\n", false},
        {kOpenedN9020A, "-113,\"Undefined header\"\n", true},
        {kOpenedN9020B, "5,\"Device\"\n", true},
        {kOpenedN9030A, "1,\"Device\"\n", true},
        {kOpenedN9030B, "64,\"Device\"\n", true},
        {kOpenedN9030A, "0,\"No error\"\n", false},
        {kOpenedN9030A, "-113,\"Undefined header\"\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model.name) + " " + c.reply);
        XSeriesBench bench(c.model);
        auto* opened = dynamic_cast<VisaTableAccess*>(bench.m_driver.get());
        ASSERT_NE(opened, nullptr);
        g_realFlush = opened->Vi().viFlush;
        opened->Vi().viFlush = &RecordingFlush;
        g_flushes.clear();
        bench.Sim().SetReply("A", ":SYST:ERR?;", c.reply);
        EXPECT_TRUE(bench.m_driver->CheckStatus());
        EXPECT_EQ(bench.m_driver->GetErrorFlag(), c.flagged);
        EXPECT_EQ(g_flushes, (std::vector<uint16_t>{visa::kFlushReadBuffer, visa::kFlushWriteBuffer}));
        opened->Vi().viFlush = g_realFlush;
    }
    // N9010A asks nothing.
    XSeriesBench bench(kN9010A);
    EXPECT_TRUE(bench.m_driver->CheckStatus());
    EXPECT_TRUE(bench.Commands().empty());
}

TEST(KeysightXSeries, N9030ACouplingIsReadAsOneLine) {
    struct Case {
        const char* reply;
        bool result;
        bool dc;
    };
    for (const Case& c : {Case{"AC\n", true, false}, Case{"DC\n", true, true}, Case{"XY\n", false, false}}) {
        XSeriesBench bench(kN9030A);
        bench.Sim().SetReply("A", "INPut:COUPling?;", c.reply);
        bool dc = !c.dc;
        EXPECT_EQ(bench.m_driver->IsDcCoupled(dc), c.result) << c.reply;
        if (c.result) {
            EXPECT_EQ(dc, c.dc) << c.reply;
        }
        EXPECT_TRUE(bench.m_driver->IsCommandValid());
    }
    XSeriesBench bench(kN9030A);
    bench.m_connection.SetTimeout(30);
    bench.Sim().SetDelay("A", "INPut:COUPling?;", 600000);
    bool dc = false;
    EXPECT_FALSE(bench.m_driver->IsDcCoupled(dc));
    EXPECT_FALSE(bench.m_driver->IsCommandValid());
    // N9030B uses the flag.
    XSeriesBench b(kN9030B);
    ASSERT_TRUE(b.m_driver->SetInputCoupling(true));
    EXPECT_TRUE(b.m_driver->IsDcCoupled(dc));
    EXPECT_FALSE(dc);
    EXPECT_TRUE(b.Commands().empty());
}

// One row per RBW: the timing values and the gate length.
struct RbwRow {
    float rbw;
    int32_t a;
    int32_t b;
    int32_t gate;
};

void ExpectRows(const Model& model, const std::vector<RbwRow>& rows) {
    std::unique_ptr<Driver> driver = model.make();
    FakeAnalyzerScanSetup setup;
    driver->SetScanSetup(&setup);
    for (const RbwRow& row : rows) {
        SCOPED_TRACE(std::string(model.name) + " at " + std::to_string(row.rbw));
        EXPECT_EQ(driver->GetRbwTimingA(row.rbw), row.a);
        EXPECT_EQ(driver->GetRbwTimingB(row.rbw), row.b);
        EXPECT_EQ(driver->GetGateLength(row.rbw), row.gate);
        EXPECT_EQ(driver->GetStoredGateLength(), row.gate);
    }
}

// Just below a threshold, in 32-bit floats.
float Below(float value) {
    return std::nextafter(value, 0.0f);
}

TEST(KeysightXSeries, RbwTablesAtEveryBoundary) {
    const std::vector<RbwRow> n9010 = {
        {3.0f, 1, 1, 4},
        {Below(3.0f), 1, 1, 64},
        {1.0f, 1, 1, 64},
        {Below(1.0f), 1, 1, 128},
        {0.3f, 1, 1, 128},
        {Below(0.3f), 2, 1, 144},
        {0.1f, 2, 1, 144},
        {Below(0.1f), 1, 1, 128},
        {0.03f, 1, 1, 128},
        {Below(0.03f), 1, 1, 480},
        {0.0091f, 1, 1, 480},
        {Below(0.0091f), 8, 3, 4000},
        {0.003f, 8, 3, 1200},
        {Below(0.003f), 8, 25, 4000},
        {0.001f, 8, 25, 4000},
        {Below(0.001f), 80, 30, 12000},
        {0.0003f, 80, 30, 12000},
        {Below(0.0003f), 240, 50, 24000},
        {0.0001f, 240, 50, 24000},
        {Below(0.0001f), 1500, 50, 65000},
        {0.00003f, 1500, 50, 65000},
        {Below(0.00003f), 1, 50, 65000},
    };
    ExpectRows(kN9010A, n9010);
    ExpectRows(kN9010B, n9010);
    const std::vector<RbwRow> n9020 = {
        {0.03f, 1, 1, 100},          {Below(0.03f), 2, 1, 100}, {0.01f, 2, 3, 200},
        {Below(0.01f), 8, 1, 100},   {0.0091f, 8, 3, 200},      {0.003f, 8, 3, 200},
        {Below(0.003f), 30, 1, 100}, {0.001f, 30, 11, 500},     {Below(0.001f), 1, 1, 100},
        {0.0003f, 300, 27, 700},     {0.0001f, 250, 50, 5000},  {Below(0.0001f), 1, 1, 100},
    };
    ExpectRows(kN9020A, n9020);
    ExpectRows(kN9020B, n9020);
    const std::vector<RbwRow> n9030 = {
        {0.03f, 1, 1, 150},          {0.01f, 2, 3, 200},        {0.0091f, 8, 1, 150},
        {0.003f, 8, 3, 200},         {0.001f, 30, 11, 500},     {0.0003f, 100, 27, 700},
        {Below(0.0003f), 1, 1, 150}, {0.0001f, 250, 220, 1000},
    };
    ExpectRows(kN9030A, n9030);
    ExpectRows(kN9030B, n9030);
    ExpectRows(kN9040B, {
                            {0.3f, 22, 55, 22},
                            {Below(0.3f), 20, 55, 22},
                            {0.1f, 20, 55, 22},
                            {Below(0.1f), 20, 88, 55},
                            {0.029f, 20, 88, 55},
                            {Below(0.029f), 20, 155, 55},
                            {0.0099f, 20, 155, 55},
                            {Below(0.0099f), 33, 175, 55},
                            {0.0091f, 33, 175, 55},
                            {Below(0.0091f), 33, 175, 150},
                            {0.009f, 33, 175, 150},
                            {Below(0.009f), 44, 175, 150},
                            {0.0089f, 44, 175, 150},
                            {Below(0.0089f), 44, 333, 222},
                            {0.003f, 44, 333, 222},
                            {Below(0.003f), 266, 333, 222},
                            {0.0029f, 266, 333, 222},
                            {Below(0.0029f), 266, 999, 500},
                            {0.00099f, 266, 999, 500},
                            {Below(0.00099f), 2222, 5555, 1000},
                            {0.00029f, 2222, 5555, 1000},
                            {Below(0.00029f), 3333, 6666, 1000},
                            {0.0001f, 3333, 6666, 1000},
                            {Below(0.0001f), 3333, 6666, 2000},
                            {0.000099f, 3333, 6666, 2000},
                            {Below(0.000099f), 4444, 11111, 2000},
                            {0.000029f, 4444, 11111, 2000},
                            {Below(0.000029f), 1, 900, 65000},
                        });
    const std::vector<RbwRow> n9000 = {
        {3.0f, 1, 1, 10},
        {Below(3.0f), 1, 1, 64},
        {1.0f, 1, 1, 64},
        {0.3f, 1, 1, 128},
        {0.1f, 1, 1, 144},
        {0.03f, 1, 1, 200},
        {Below(0.03f), 40, 1, 480},
        {0.01f, 40, 10, 480},
        {0.0091f, 40, 10, 480},
        {Below(0.0091f), 40, 10, 4800},
        {0.009f, 40, 10, 4800},
        {Below(0.009f), 100, 100, 4800},
        {0.003f, 100, 100, 2200},
        {Below(0.003f), 300, 180, 4800},
        {0.001f, 300, 180, 4800},
        {0.0003f, 1000, 300, 12000},
        {0.0001f, 1500, 400, 20000},
        {0.00003f, 8000, 600, 65000},
        {Below(0.00003f), 1, 900, 65000},
    };
    ExpectRows(kN9000A, n9000);
    ExpectRows(kN9000B, n9000);
    // N9000B with another generation: 1, 1 and the last gate length.
    CSpectrumAnalyzerN9000B other;
    EXPECT_EQ(other.GetGateLength(0.003f), 2200);
    other.SetFirmwareGeneration(1);
    EXPECT_EQ(other.GetRbwTimingA(0.003f), 1);
    EXPECT_EQ(other.GetRbwTimingB(0.003f), 1);
    EXPECT_EQ(other.GetGateLength(1.0f), 2200);
    // The narrow-RBW values.
    CSpectrumAnalyzerN9010A n9010a;
    EXPECT_EQ(n9010a.GetRbwValueA(0.00003f), 18001);
    EXPECT_EQ(n9010a.GetRbwValueA(0.0001f), 101);
    EXPECT_EQ(n9010a.GetRbwValueA(0.0003f), 2001);
    EXPECT_EQ(n9010a.GetRbwValueA(Below(0.0003f)), 10);
}

TEST(KeysightXSeries, ManualTimingReplacesTheTablesWhileOn) {
    for (const Model* model : {&kN9010A, &kN9010B, &kN9040B, &kN9020A, &kN9000A}) {
        SCOPED_TRACE(model->name);
        std::unique_ptr<Driver> driver = model->make();
        FakeAnalyzerScanSetup setup;
        setup.m_manualSwitchTime = 7;
        setup.m_manualSwitchWait = 8;
        setup.m_manualGateLength = 999;
        driver->SetScanSetup(&setup);
        const int32_t a = driver->GetRbwTimingA(0.001f);
        const int32_t gate = driver->GetGateLength(0.001f);
        setup.m_manualTiming = true; // read at each call
        const bool overrides = model != &kN9020A && model != &kN9000A;
        EXPECT_EQ(driver->GetRbwTimingA(0.001f), overrides ? 7 : a);
        EXPECT_EQ(driver->GetRbwTimingB(0.001f) == 8, overrides);
        EXPECT_EQ(driver->GetGateLength(0.001f), overrides ? 999 : gate);
        setup.m_manualTiming = false;
        EXPECT_EQ(driver->GetRbwTimingA(0.001f), a);
    }
}

TEST(KeysightXSeries, WaitsAfterAnRbwChange) {
    XSeriesBench bench(kN9040B);
    bench.m_bench.m_clock.ClearPauses();
    bench.m_driver->WaitForRbw(0.001f);
    bench.m_driver->WaitForRbw(0.0002f);
    bench.m_driver->WaitForRbw(0.00001f);
    bench.m_driver->WaitSettle(0.1f);
    using std::chrono::milliseconds;
    const std::vector<Clock::Duration> expected{milliseconds(100), milliseconds(1500), milliseconds(200)};
    EXPECT_EQ(bench.m_bench.m_clock.Pauses(), expected);
    CSpectrumAnalyzerN9000A n9000a;
    bench.m_bench.m_clock.ClearPauses();
    n9000a.WaitForRbw(0.0002f);
    n9000a.WaitForRbw(0.00003f);
    EXPECT_EQ(bench.m_bench.m_clock.Pauses(),
              (std::vector<Clock::Duration>{milliseconds(500), milliseconds(1000)}));
}

TEST(KeysightXSeries, TracesDecodeAndFailedReadsKeepTheTrace) {
    XSeriesBench bench(kN9010A);
    Driver& d = *bench.m_driver;
    bench.m_connection.SetTimeout(50);
    bench.m_prompt->Script(PromptAnswer::Cancel); // a short block is not waited for
    ASSERT_TRUE(d.SetTraceFormat());
    ASSERT_TRUE(d.SetSweepPoints(101));
    const float* trace = d.QueryScan();
    ASSERT_NE(trace, nullptr);
    EXPECT_TRUE(d.IsQueryValid());
    EXPECT_EQ(std::vector<float>(trace, trace + 101), SimulatedTrace(101));

    // The count grew: the kept trace is grown with it; the values read before stay.
    ASSERT_TRUE(d.SetSweepPoints(201));
    const std::string good = "#3804" + LittleEndian(SimulatedTrace(201)) + "\n";
    const std::vector<std::pair<const char*, std::string>> failing = {
        {"short block", "#3804" + LittleEndian(SimulatedTrace(150)) + "\n"},
        {"bad header", "#x804" + LittleEndian(SimulatedTrace(201)) + "\n"},
        {"announced beyond the count", "#3808" + LittleEndian(SimulatedTrace(202)) + "\n"},
        {"not a block", "-1.0,-2.0\n"},
    };
    for (const auto& [what, reply] : failing) {
        SCOPED_TRACE(what);
        bench.Sim().SetReply("A", ":Trace? trace1;", reply);
        const float* kept = d.QueryScan();
        ASSERT_NE(kept, nullptr);
        EXPECT_FALSE(d.IsQueryValid());
        EXPECT_EQ(kept[100], SimulatedTrace(101)[100]);
        EXPECT_EQ(kept[200], 0.0f);
        d.FlushBuffers();
        // The next query reads its own reply.
        EXPECT_EQ(d.ReadSweepPoints(), 201);
        EXPECT_TRUE(d.IsQueryValid());
    }
    bench.Sim().SetReply("A", ":Trace? trace1;", good);
    trace = d.QueryScan();
    EXPECT_TRUE(d.IsQueryValid());
    EXPECT_EQ(std::vector<float>(trace, trace + 201), SimulatedTrace(201));

    // A dropped connection: no trace.
    bench.Sim().SetDropOn("A", ":Trace? trace1;");
    d.QueryScan();
    EXPECT_EQ(d.QueryScan(), nullptr);
    EXPECT_FALSE(d.IsQueryValid());
}

TEST(KeysightXSeries, TraceAfterAnInstrumentErrorIsNotTaken) {
    XSeriesBench bench(kN9020A);
    Driver& d = *bench.m_driver;
    ASSERT_TRUE(d.SetTraceFormat());
    ASSERT_TRUE(d.SetSweepPoints(101));
    ASSERT_NE(d.QueryScan(), nullptr);
    ASSERT_TRUE(d.IsQueryValid());
    bench.Sim().SetRefused("A", ":Calculate:Marker1:MAX;");
    EXPECT_FALSE(d.MarkPeak());
    ASSERT_TRUE(d.GetErrorFlag());
    const float* kept = d.QueryScan();
    ASSERT_NE(kept, nullptr);
    EXPECT_FALSE(d.IsQueryValid());
}

TEST(KeysightXSeries, N9040BGivesNoTraceOnFailureAndReadsCounts) {
    XSeriesBench bench(kN9040B);
    Driver& d = *bench.m_driver;
    bench.m_connection.SetTimeout(50);
    bench.m_prompt->Script(PromptAnswer::Cancel);
    ASSERT_TRUE(d.SetTraceFormat());
    ASSERT_TRUE(d.SetSweepPoints(101));
    ASSERT_NE(d.QueryScan(), nullptr);
    bench.Sim().SetReply("A", ":Trace? trace1;", "#3404" + LittleEndian(SimulatedTrace(50)) + "\n");
    EXPECT_EQ(d.QueryScan(), nullptr);
    d.FlushBuffers();
    bench.Commands();
    for (const int32_t refused : {0, -1, 200000}) {
        EXPECT_EQ(d.ReadTraceDataCount(refused), nullptr);
        EXPECT_FALSE(d.IsQueryValid());
    }
    EXPECT_TRUE(bench.Commands().empty());
    bench.Sim().SetReply("A", ":Trace? trace1;", "#240" + LittleEndian(SimulatedTrace(10)) + "\n");
    const float* ten = d.ReadTraceDataCount(10);
    ASSERT_NE(ten, nullptr);
    EXPECT_TRUE(d.IsQueryValid());
    EXPECT_EQ(std::vector<float>(ten, ten + 10), SimulatedTrace(10));
}

TEST(KeysightXSeries, N9000BReadsALateTraceAndAsksAfterFiveTimeOuts) {
    XSeriesBench bench(kN9000B);
    Driver& d = *bench.m_driver;
    ASSERT_TRUE(d.SetTraceFormat());
    ASSERT_TRUE(d.SetSweepPoints(101));
    ASSERT_NE(d.QueryScan(), nullptr);
    bench.m_connection.SetTimeout(40);
    // Past two time-outs: read whole without a question.
    bench.Sim().SetDelay("A", ":Trace? trace1;", 100);
    const float* late = d.QueryScan();
    EXPECT_TRUE(d.IsQueryValid());
    EXPECT_EQ(std::vector<float>(late, late + 101), SimulatedTrace(101));
    EXPECT_TRUE(bench.m_prompt->Requests().empty());
    // Never: asked after five, OK waits five more, Cancel keeps the trace with the flag cleared.
    bench.Sim().SetDelay("A", ":Trace? trace1;", 600000);
    bench.m_prompt->Script(PromptAnswer::Ok);
    bench.m_prompt->Script(PromptAnswer::Cancel);
    const float* kept = d.QueryScan();
    EXPECT_EQ(bench.m_prompt->Requests().size(), 2u);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept[100], SimulatedTrace(101)[100]);
    EXPECT_FALSE(d.IsQueryValid());
}

TEST(KeysightXSeries, OpenConnectionLogsAndSetsTheTimeOut) {
    XSeriesBench bench(kN9000A);
    AnalyzerLogLines log;
    EXPECT_TRUE(bench.m_driver->OpenConnection(bench.m_bench.Name("A")));
    EXPECT_TRUE(log.Has("Start to open connection to spectrum analyzer::  N9000A"));
    EXPECT_TRUE(log.Has("Completed in opening connection to analyzer:: N9000A"));
    EXPECT_FALSE(bench.m_driver->OpenConnection("TCPIP0::127.0.0.1::1::SOCKET"));
    EXPECT_TRUE(log.Has("Failed in opening connection to spectrum analyzer:: N9000A"));
    XSeriesBench silent(kN9030A);
    AnalyzerLogLines none;
    EXPECT_TRUE(silent.m_driver->OpenConnection(silent.m_bench.Name("A")));
    EXPECT_TRUE(none.Texts().empty());
    EXPECT_EQ(silent.m_driver->GetModelRow().timeoutMs, 50000u);
}

TEST(KeysightXSeries, FirmwareChecksSetTheirGeneration) {
    XSeriesBench a(kN9000A);
    a.m_driver->QueryFirmwareGeneration();
    EXPECT_EQ(a.m_driver->GetFirmwareGeneration(), 2);
    EXPECT_EQ(a.Commands(), Lines{"*IDN?"});
    XSeriesBench b(kN9000B);
    b.m_driver->QueryFirmwareGeneration();
    EXPECT_EQ(b.m_driver->GetFirmwareGeneration(), 0);
    EXPECT_EQ(b.m_driver->GetGateLength(0.003f), 2200);
}

} // namespace
} // namespace orv
