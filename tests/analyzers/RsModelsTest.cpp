#include "analyzers/CVisaConnection.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerESU.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFPL.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSG8.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSH.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSP.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSQ.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSU.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSV3.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSV4.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSW.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerZNL.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
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

constexpr const char* kIdentity = "Rohde&Schwarz,FSL-6,100123/006,1.60";

// The model drivers with their VISA table open to the tests.
template <class Driver> class Opened : public Driver {
public:
    visa::VisaEntryPoints& Vi() { return this->m_vi; }
};

std::unique_ptr<CSpectrumAnalyzerFSL> Make(const std::string& model) {
    static const std::map<std::string, std::function<std::unique_ptr<CSpectrumAnalyzerFSL>()>> makers = {
        {"FSL", [] { return std::make_unique<CSpectrumAnalyzerFSL>(); }},
        {"FSH", [] { return std::make_unique<CSpectrumAnalyzerFSH>(); }},
        {"FPL", [] { return std::make_unique<CSpectrumAnalyzerFPL>(); }},
        {"FSQ", [] { return std::make_unique<CSpectrumAnalyzerFSQ>(); }},
        {"FSV3", [] { return std::make_unique<CSpectrumAnalyzerFSV3>(); }},
        {"FSV4", [] { return std::make_unique<CSpectrumAnalyzerFSV4>(); }},
        {"FSG8", [] { return std::make_unique<CSpectrumAnalyzerFSG8>(); }},
        {"FSW", [] { return std::make_unique<CSpectrumAnalyzerFSW>(); }},
        {"FSP", [] { return std::make_unique<CSpectrumAnalyzerFSP>(); }},
        {"FSU", [] { return std::make_unique<CSpectrumAnalyzerFSU>(); }},
        {"ESU", [] { return std::make_unique<CSpectrumAnalyzerESU>(); }},
        {"ZNL", [] { return std::make_unique<CSpectrumAnalyzerZNL>(); }},
    };
    return makers.at(model)();
}

// Every R&S model driver bound in turn to one simulated analyser answering the R&S command set.
class RsModelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_bench.AddResources({{"A", kIdentity}});
        ASSERT_TRUE(m_connection.DetectAndConnect());
        Sim().SetCommandSet("A", "rs");
    }
    CSpectrumAnalyzerFSL& Bind(const std::string& model) { return Bind(Make(model)); }
    CSpectrumAnalyzerFSL& Bind(std::unique_ptr<CSpectrumAnalyzerFSL> driver) {
        m_driver = std::move(driver);
        EXPECT_TRUE(m_driver->FindVisaConnection(&m_connection, 23));
        m_driver->SetScanSetup(&m_setup);
        m_driver->SetMinimumPollBoundMs(10);
        Sim().ClearCommands("A");
        return *m_driver;
    }
    Lines Commands() { return SentCommands(*m_driver, Sim()); }
    void SetCells(int16_t rows, int16_t columns, int active) {
        m_setup.m_rows = rows;
        m_setup.m_columns = columns;
        m_setup.m_cells.assign(static_cast<size_t>(rows) * static_cast<size_t>(columns), 0);
        for (int i = 0; i < active; ++i) {
            m_setup.m_cells[static_cast<size_t>(i)] = 1;
        }
    }
    test::ScpiSimulatorProcess& Sim() { return m_bench.m_sim; }

    AnalyzerSimulatorBench m_bench;
    CVisaConnection m_connection;
    std::unique_ptr<CSpectrumAnalyzerFSL> m_driver;
    FakeAnalyzerScanSetup m_setup;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>(PromptAnswer::Ok);
    ScopedPromptInstall m_promptInstall{m_prompt};
};

// One table keyed by model and operation; the FSL form is the default of every model not listed.
TEST_F(RsModelsTest, OperationLinesByModel) {
    struct Case {
        const char* model;
        const char* what;
        std::function<void()> prepare;
        std::function<bool(CSpectrumAnalyzerFSL&)> run;
        Lines lines;
        Pauses pauses;
    };
    const auto none = [] {};
    const auto rbw = [this](const char* hz) {
        return [this, hz] { Sim().SetReply("A", ":Bandwidth?;", hz); };
    };
    const auto stopAt = [this](float mhz) { return [this, mhz] { m_setup.m_stopFrequency = mhz; }; };
    const Lines presetForm{"*RST;", "INST SAN;", ":SYST:DISP:UPD ON;"};
    const Lines gate{":Sweep:Egate on;", ":Sweep:Egate:Type EDGE;", ":SWE:EGAT:Hold 0 US;", ":Bandwidth?;"};
    const auto with = [](Lines head, const Lines& tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    const std::vector<Case> cases = {
        // Set-up.
        {"FSH",
         "set-up",
         none,
         [](auto& d) { return d.SetupSpectrumAnalyzer(); },
         {"*RST;", "INST SAN;*OPC?"},
         {}},
        {"FPL",
         "set-up",
         none,
         [](auto& d) { return d.SetupSpectrumAnalyzer(); },
         with({"INST?", ":SENS:BAND:RES:TYPE?;"}, with(presetForm, {":SENS:BAND:RES:TYPE NORM"})),
         {}},
        {"ESU",
         "set-up, normal filter not kept",
         none,
         [](auto& d) { return d.SetupSpectrumAnalyzer(); },
         with({"INST?", ":SENS:BAND:RES:TYPE?;"}, presetForm),
         {}},
        {"ESU",
         "set-up, noise filter kept",
         [this] { Sim().SetReply("A", ":SENS:BAND:RES:TYPE?;", "NOIS\n"); },
         [](auto& d) { return d.SetupSpectrumAnalyzer(); },
         with({"INST?", ":SENS:BAND:RES:TYPE?;"}, with(presetForm, {":SENS:BAND:RES:TYPE NOIS"})),
         {}},
        {"FSQ", "set-up", none, [](auto& d) { return d.SetupSpectrumAnalyzer(); }, presetForm, {}},
        {"FSU", "set-up", none, [](auto& d) { return d.SetupSpectrumAnalyzer(); }, presetForm, {}},
        {"FSP",
         "set-up with its status checks",
         none,
         [](auto& d) { return d.SetupSpectrumAnalyzer(); },
         {"*RST;", ":SYST:ERR?;", "INST SAN;", ":SYST:ERR?;", ":SYST:DISP:UPD ON;", ":SYST:ERR?;"},
         {}},
        {"FSV3",
         "set-up",
         none,
         [](auto& d) { return d.SetupSpectrumAnalyzer(); },
         {"*RST;", "SYST:ERR:CLE:ALL;", "INST SAN;", ":SYST:DISP:UPD ON;", "*IDN?"},
         {}},
        {"FSV4",
         "set-up, wide RBW",
         none,
         [](auto& d) {
             d.SetRequestedRbw(0.001);
             return d.SetupSpectrumAnalyzer();
         },
         presetForm,
         {}},
        {"FSG8",
         "set-up, narrowest RBW",
         none,
         [](auto& d) {
             d.SetRequestedRbw(0.00003);
             return d.SetupSpectrumAnalyzer();
         },
         {"System:Preset;", "INST SAN;", ":SYST:DISP:UPD ON;"},
         {milliseconds(2000)}},
        {"FSW",
         "set-up copies the requested RBW",
         none,
         [](auto& d) {
             d.SetRequestedRbw(0.0003);
             return d.SetupSpectrumAnalyzer() && d.GetReadBackRbw() == 0.0003;
         },
         presetForm,
         {}},
        // Pre-amplifier.
        {"FSH",
         "pre-amplifier at 3600 MHz",
         stopAt(3600.0f),
         [](auto& d) { return d.SetPreAmp(true) && !d.GetPreAmpFlag(); },
         {":INP:GAIN:STAT OFF;"},
         {}},
        {"FSU",
         "pre-amplifier below 3600 MHz",
         stopAt(3599.0f),
         [](auto& d) { return d.SetPreAmp(true) && d.GetPreAmpFlag(); },
         {":INP:GAIN:STAT ON;"},
         {}},
        {"ESU",
         "pre-amplifier",
         stopAt(1000.0f),
         [](auto& d) { return d.SetPreAmp(true); },
         {":INP:GAIN:AUTO OFF;", ":INP:GAIN:STAT ON;"},
         {}},
        {"FSW",
         "pre-amplifier read back",
         none,
         [](auto& d) { return d.SetPreAmp(true) && d.GetPreAmpFlag() && d.GetPreAmpReadBack() == 15; },
         {":INP:GAIN:STAT ON;", ":INP:GAIN:STAT?;", ":INP:GAIN:VAL?;"},
         {}},
        {"FSW",
         "pre-amplifier off",
         none,
         [](auto& d) { return d.SetPreAmp(false) && !d.GetPreAmpFlag(); },
         {":INP:GAIN:STAT OFF;"},
         {}},
        // Trigger forms.
        {"FSH",
         "gated trigger",
         rbw("1000\n"),
         [](auto& d) { return d.SetInternalTriger(0); },
         with(with({":Trigger:Source External;"}, gate), {":SWE:EGAT:LENG 30 US;"}),
         {}},
        {"FPL",
         "gated trigger",
         rbw("1000\n"),
         [](auto& d) { return d.SetInternalTriger(0); },
         with(with({":INP:GAIN:STAT ON;", ":SWE:EGAT:SOUR EXT;"}, gate), {":SWE:EGAT:LENG 160 US;"}),
         {}},
        {"FSQ",
         "gated trigger",
         rbw("1000\n"),
         [](auto& d) { return d.SetInternalTriger(0); },
         with(with({":SWE:EGAT:SOUR EXT;"}, gate), {":SWE:EGAT:LENG 160 US;"}),
         {}},
        {"FSP",
         "gated trigger",
         rbw("300\n"),
         [](auto& d) { return d.SetInternalTriger(0); },
         {":Trigger:Source External;", ":SYST:ERR?;", ":Sweep:Egate on;", ":SYST:ERR?;",
          ":Sweep:Egate:Type EDGE;", ":SYST:ERR?;", ":SWE:EGAT:Hold 0 US;", ":SYST:ERR?;", ":Bandwidth?;",
          ":SYST:ERR?;", ":SWE:EGAT:LENG 200 US;", ":SYST:ERR?;"},
         {}},
        {"FSV4",
         "gated trigger",
         rbw("1000\n"),
         [](auto& d) { return d.SetInternalTriger(0); },
         with(with({":Trigger:Source External;"}, gate), {":SWE:EGAT:LENG 160 US;"}),
         {}},
        {"FSW",
         "narrow RBW: free run",
         []() {},
         [](auto& d) {
             d.SetReadBackRbw(0.0003);
             return d.SetInternalTriger(0);
         },
         {":Trigger:Source Immediate; "},
         {}},
        {"ESU",
         "gated trigger, then the gate asked",
         rbw("1000\n"),
         [](auto& d) {
             d.SetReadBackRbw(0.001);
             return d.SetInternalTriger(0);
         },
         with(with({":SWE:EGAT:SOUR EXT;"}, gate), {":SWE:EGAT:LENG 200 US;", ":SWE:EGAT?;"}),
         {}},
        {"FSV3",
         "internal trigger",
         none,
         [](auto& d) { return d.SetInternalTriger(1); },
         {":Trigger:Source Immediate; :Initiate:Continuous on;"},
         {}},
        // Sweep time.
        {"FSW",
         "narrow sweep time",
         none,
         [](auto& d) {
             d.SetReadBackRbw(0.0003);
             return d.SetSweepTimeFloat(7.0f);
         },
         {"Sweep:Time 0.050000 MS;"},
         {}},
        {"ESU",
         "narrowest sweep time sets the gate length",
         none,
         [](auto& d) {
             d.SetReadBackRbw(0.0);
             return d.SetSweepTimeFloat(7.0f) && d.GetStoredGateLength() == 10;
         },
         {"Sweep:Time 5.000000 MS;"},
         {}},
        {"FSW",
         "sweep time, not narrow",
         none,
         [](auto& d) {
             d.SetReadBackRbw(0.001);
             return d.SetSweepTimeFloat(7.0f);
         },
         {"Sweep:Time 7.000000 MS;"},
         {}},
        // Points.
        {"FSQ",
         "spectral points for 100",
         none,
         [](auto& d) { return d.SetSpectralSweepPoints(100); },
         {":Sweep:Points 301 ;", ":Sweep:Points?;"},
         {}},
        {"FSW",
         "narrow spectral points",
         none,
         [](auto& d) {
             d.SetReadBackRbw(0.0003);
             return d.SetSpectralSweepPoints(100) && d.GetSweepPointCount() == 5;
         },
         {":Sweep:Points 5 ;", ":Sweep:Points?;"},
         {}},
        {"FSV4",
         "spectral points from 50 cells",
         [this] { SetCells(10, 10, 50); },
         [](auto& d) { return d.SetSpectralSweepPoints(7); },
         {":Sweep:Points 102 ;", ":Sweep:Points?;"},
         {}},
        {"FSG8",
         "spectral points from 100 cells",
         [this] { SetCells(10, 10, 100); },
         [](auto& d) { return d.SetSpectralSweepPoints(7); },
         {":Sweep:Points 200 ;", ":Sweep:Points?;"},
         {}},
        {"FSH",
         "points: nothing sent, 631 read",
         none,
         [](auto& d) {
             return d.SetSweepPoints(1001) && d.SetSpectralSweepPoints(10) && d.ReadSweepPoints() == 631;
         },
         {},
         {}},
        // Sweeps.
        {"FSH", "sweep and wait", none, [](auto& d) { return d.SweepAndWait(); }, {":INIT;", "*OPC?;"}, {}},
        {"FSW",
         "sweep and wait",
         none,
         [](auto& d) { return d.SweepAndWait(); },
         {":Initiate:Continuous off;", ":INIT; *WAI;"},
         {}},
        {"FSH",
         "triggered sweep",
         none,
         [](auto& d) { return d.TriggeredSweep(); },
         {":INIT; *WAI;"},
         {milliseconds(50)}},
        {"FSQ",
         "triggered sweep",
         none,
         [](auto& d) { return d.TriggeredSweep(); },
         {":Initiate:Continuous off;", "*OPC?", ":INIT; *WAI;"},
         {milliseconds(50)}},
        {"FSP",
         "triggered sweep",
         none,
         [](auto& d) { return d.TriggeredSweep(); },
         {":Initiate:Continuous off;", ":SYST:ERR?;", ":INIT; *WAI;"},
         {milliseconds(50)}},
        {"FSV3",
         "triggered sweep",
         none,
         [](auto& d) { return d.TriggeredSweep(); },
         {":Initiate:Continuous off;", ":INIT; *WAI;"},
         {}},
        {"FPL",
         "triggered sweep",
         none,
         [](auto& d) { return d.TriggeredSweep(); },
         {":SWE:EGAT?;", ":Initiate:Continuous off;", ":INIT; *WAI;"},
         {}},
        // The FSH's own forms.
        {"FSH",
         "unit and continuous sweep",
         none,
         [](auto& d) { return d.SetUnit("DBUV") && d.SetContinuousSweep(false); },
         {"UNIT:POW DBUV ", ":Initiate:Continuous on;"},
         {}},
        {"FSH",
         "marker counter",
         none,
         [](auto& d) { return d.ReadMarkerFrequency(1) == 1000.0f; },
         {":Calculate:Marker:Count:Frequency?;"},
         {milliseconds(1000)}},
        {"FSH",
         "tracking generator",
         [this] {
             Sim().SetReplySequence("A", "*OPC?", {"0\n", "0\n", "1\n"});
         },
         [](auto& d) { return d.SetTrackingGeneration(true); },
         {":SENSe:ISOurce:ENABle on;:SENSe:ISOurce:MODE SRTS;:SENSe:ISOurce:ENABle 1", "*OPC?", "*OPC?",
          "*OPC?"},
         {milliseconds(100), milliseconds(100)}},
        {"FSH",
         "trace read",
         [this] { Sim().SetReply("A", ":TRAC:DATA? TRACE1;", Block(LittleEndian(SimulatedTrace(631)))); },
         [](auto& d) {
             d.ReadSweepPoints();
             const float* trace = d.QueryScan();
             return trace != nullptr && std::vector<float>(trace, trace + 631) == SimulatedTrace(631);
         },
         {":TRAC:DATA? TRACE1;"},
         {}},
        // Input coupling.
        {"FSV4",
         "DC coupling",
         none,
         [](auto& d) { return d.SetInputCoupling(true) && d.GetDcCoupledFlag() == 1; },
         {":INP:COUP DC;"},
         {}},
        {"FSW",
         "DC coupling read back",
         none,
         [](auto& d) { return d.SetInputCoupling(true) && d.GetDcCoupledFlag() == 1; },
         {":INP:COUP DC;", ":INP:COUP?;"},
         {}},
        {"FSW",
         "DC coupling refused",
         [this] { Sim().SetReply("A", ":INP:COUP?;", "AC\n"); },
         [](auto& d) { return d.SetInputCoupling(true) && d.GetDcCoupledFlag() == 0; },
         {":INP:COUP DC;", ":INP:COUP?;"},
         {}},
        {"FSQ", "no coupling command", none, [](auto& d) { return d.SetInputCoupling(true); }, {}, {}},
        // The ZNL: the FSV3's set-up without the identity, its trigger, the level without a blank.
        {"ZNL",
         "set-up",
         none,
         [](auto& d) { return d.SetupSpectrumAnalyzer(); },
         {"*RST;", "SYST:ERR:CLE:ALL;", "INST SAN;", ":SYST:DISP:UPD ON;"},
         {}},
        {"ZNL",
         "gated trigger",
         rbw("1000\n"),
         [](auto& d) { return d.SetInternalTriger(0); },
         with(with({":Trigger:Source External;"}, gate), {":SWE:EGAT:LENG 160 US;"}),
         {}},
        {"ZNL",
         "reference level",
         none,
         [](auto& d) { return d.SetReferenceLevel(97.0f); },
         {":Display:Trace:y:RLEV 97.000000;"},
         {}},
        {"ZNL",
         "triggered sweep",
         none,
         [](auto& d) { return d.TriggeredSweep(); },
         {":Initiate:Continuous off;", ":INIT; *WAI;"},
         {}},
        {"ZNL",
         "sweep points",
         none,
         [](auto& d) { return d.SetSweepPoints(0) && d.SetSweepPoints(100002); },
         {":Sweep:Points 0 ;", ":Sweep:Points?;", ":Sweep:Points 100001 ;", ":Sweep:Points?;"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model) + ": " + c.what);
        Sim().SetCommandSet("A", "rs");
        Sim().SetMode("A", "SA");
        for (const char* query :
             {":SENS:BAND:RES:TYPE?;", ":Bandwidth?;", "*OPC?", ":INP:COUP?;", ":TRAC:DATA? TRACE1;"}) {
            Sim().SetReply("A", query, "");
        }
        m_setup = FakeAnalyzerScanSetup();
        CSpectrumAnalyzerFSL& d = Bind(c.model);
        c.prepare();
        m_bench.m_clock.ClearPauses();
        EXPECT_TRUE(c.run(d));
        EXPECT_TRUE(d.IsCommandValid());
        EXPECT_EQ(m_bench.m_clock.Pauses(), c.pauses);
        EXPECT_EQ(Commands(), c.lines);
    }
}

TEST_F(RsModelsTest, StatusChecksEndAGuardedSequenceAtTheFirstError) {
    AnalyzerLogLines log;
    Bind("FSP");
    Sim().SetRefused("A", "INST SAN;");
    EXPECT_FALSE(m_driver->SetupSpectrumAnalyzer());
    EXPECT_FALSE(m_driver->IsCommandValid());
    EXPECT_EQ(Commands(), (Lines{"*RST;", ":SYST:ERR?;", "INST SAN;", ":SYST:ERR?;"}));

    // FSV3 asks only under "-LogSAErrors".
    Bind("FSV3");
    EXPECT_TRUE(m_driver->CheckStatus());
    EXPECT_EQ(Commands(), Lines{});
    ScopedLogErrors logErrors(true);
    EXPECT_TRUE(m_driver->CheckStatus());
    EXPECT_EQ(Commands(), Lines{":SYST:ERR?; *WAI"});
    Sim().SetErrorCount("A", 1);
    EXPECT_FALSE(m_driver->SetSpan(10.0f));
    EXPECT_FALSE(m_driver->IsCommandValid());
    EXPECT_TRUE(log.Has("The spectrum analyser failed a status check!"));
    EXPECT_TRUE(log.Has("-100,\"Command error\""));
    // Any reply but the exact no-error text fails.
    Sim().SetReply("A", ":SYST:ERR?; *WAI", "0,\"No error\"\r\n");
    EXPECT_FALSE(m_driver->CheckStatus());
}

TEST_F(RsModelsTest, Fsv3BlockReadModeFollowsTheModelField) {
    EXPECT_TRUE(
        CSpectrumAnalyzerFSV3::IdentityUsesBlockRead("Rohde&Schwarz,FSV3030,1330.5000K30/101234,1.70"));
    EXPECT_FALSE(CSpectrumAnalyzerFSV3::IdentityUsesBlockRead("Rohde&Schwarz,FSV3030X,101234,1.70"));
    EXPECT_FALSE(CSpectrumAnalyzerFSV3::IdentityUsesBlockRead("Rohde&Schwarz,FSV3044,101234,1.70"));
    EXPECT_FALSE(CSpectrumAnalyzerFSV3::IdentityUsesBlockRead("FSV3030"));
    auto& fsv3 = dynamic_cast<CSpectrumAnalyzerFSV3&>(Bind("FSV3"));
    Sim().SetIdentity("A", "Rohde&Schwarz,FSV3030X,101234,1.70");
    ASSERT_TRUE(fsv3.SetupSpectrumAnalyzer());
    EXPECT_FALSE(fsv3.IsBlockReadMode());
    Sim().SetIdentity("A", "Rohde&Schwarz,FSV3030,101234,1.70");
    ASSERT_TRUE(fsv3.SetupSpectrumAnalyzer());
    EXPECT_TRUE(fsv3.IsBlockReadMode());
}

TEST_F(RsModelsTest, RbwLimitsAndSubstitutions) {
    Bind("ESU");
    EXPECT_FALSE(m_driver->IsFrequencyAllowed(0.00002f));
    EXPECT_TRUE(m_driver->IsFrequencyAllowed(0.000029f));
    Bind("FSQ");
    EXPECT_TRUE(m_driver->IsFrequencyAllowed(0.00002f));

    Bind("FSP");
    m_setup.m_scanType = 100;
    ASSERT_TRUE(m_driver->SetResolution(0.00005f));
    m_setup.m_scanType = 0;
    ASSERT_TRUE(m_driver->SetResolution(0.00005f));
    EXPECT_EQ(Commands(), (Lines{":Bandwidth 0.000100 MHZ;", ":SYST:ERR?;", ":Bandwidth:Video 0.000100 MHZ;",
                                 ":SYST:ERR?;", ":Bandwidth 0.000050 MHZ;", ":SYST:ERR?;",
                                 ":Bandwidth:Video 0.000050 MHZ;", ":SYST:ERR?;"}));

    // The narrow-RBW test compares single floats with the model's threshold.
    Bind("FSW");
    m_driver->SetReadBackRbw(0.00031);
    EXPECT_TRUE(m_driver->IsNarrowRbw());
    m_driver->SetReadBackRbw(0.001);
    EXPECT_FALSE(m_driver->IsNarrowRbw());
    EXPECT_FALSE(Make("FSQ")->IsNarrowRbw());
}

TEST_F(RsModelsTest, CellsPerSweepAroundEachMinimum) {
    struct Case {
        const char* model;
        int cells;
        int32_t perSweep;
        int32_t points; // sent as the spectral sweep points
    };
    const Case cases[] = {
        {"FSV4", 50, 51, 102},     {"FSV4", 51, 51, 102},   {"FSW", 50, 51, 102},
        {"FSW", 51, 51, 102},      {"FSG8", 100, 200, 200}, {"FSG8", 155, 200, 200},
        {"FSG8", 250, 300, 300},   {"FSU", 77, 100, 200},   {"FSU", 78, 100, 200},
        {"ESU", 77, 100, 200},     {"ESU", 78, 100, 200},   {"FSP", 124, 124, 125},
        {"FSP", 125, 125, 125},    {"FSP", 126, 126, 1001}, {"FSP", 1002, 1002, 2001},
        {"FSP", 9000, 9000, 8001},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + std::to_string(c.cells));
        m_setup = FakeAnalyzerScanSetup();
        SetCells(100, 100, c.cells);
        Bind(c.model).SetReadBackRbw(0.01);
        EXPECT_EQ(m_driver->GetCellsPerSweep(0.0f), c.perSweep);
        EXPECT_TRUE(m_driver->SetSpectralSweepPoints(0));
        const Lines sent = Commands();
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.front(), ":Sweep:Points " + std::to_string(c.points) + " ;");
    }
    // No active cell on the FSP: the stored count is sent again.
    m_setup = FakeAnalyzerScanSetup();
    Bind("FSP");
    EXPECT_TRUE(m_driver->SetSpectralSweepPoints(0));
    EXPECT_EQ(Commands().front(), ":Sweep:Points 8001 ;");
    EXPECT_EQ(Make("FSH")->GetCellsPerSweep(0.0f), 631);
    EXPECT_EQ(Make("FSL")->GetCellsPerSweep(0.0f), 0);
}

// Each model's three tables at every step (at it and just below it), the pauses on the fake clock,
// and the manual timing of the models that take it.
TEST_F(RsModelsTest, RbwTablesByModel) {
    struct Row {
        float rbw;
        int32_t a;
        int32_t b;
        int32_t gate;
        int32_t pauseMs; // taken by the A table
    };
    const auto below = [](float value) { return std::nextafter(value, 0.0f); };
    const std::map<std::string, std::vector<Row>> tables = {
        {"FSH",
         {{0.1f, 0, 0, 20, 0},
          {below(0.1f), 0, 1, 20, 0},
          {0.03f, 0, 1, 20, 0},
          {below(0.03f), 2, 1, 20, 0},
          {0.01f, 2, 1, 20, 0},
          {below(0.01f), 6, 1, 20, 0},
          {0.003f, 6, 1, 20, 0},
          {below(0.003f), 30, 8, 30, 0},
          {0.001f, 30, 8, 30, 0},
          {below(0.001f), 100, 8, 110, 0},
          {0.0003f, 100, 8, 110, 0},
          {below(0.0003f), 250, 20, 300, 0},
          {0.0001f, 250, 20, 300, 0},
          {below(0.0001f), 600, 50, 1200, 0}}},
        {"FPL",
         {{0.01f, 0, 0, 10, 0},
          {below(0.01f), 2, 0, 10, 0},
          {0.003f, 2, 5, 80, 0},
          {below(0.003f), 10, 0, 10, 100},
          {0.001f, 10, 10, 80, 100},
          {below(0.001f), 1, 0, 10, 0},
          {0.0003f, 20, 51, 2500, 100},
          {0.0002f, 1, 0, 10, 0},
          {0.0001f, 250, 50, 5000, 0}}},
        {"FSV3",
         {{0.003f, 2, 3, 80, 0},
          {0.001f, 10, 10, 80, 100},
          {0.0003f, 500, 21, 500, 100},
          {0.0002f, 1, 0, 10, 0},
          {0.0001f, 250, 50, 5000, 0}}},
        {"FSQ",
         {{0.03f, 0, 0, 10, 0},
          {below(0.03f), 10, 0, 10, 0},
          {0.01f, 10, 5, 15, 0},
          {below(0.01f), 15, 10, 10, 0},
          {0.003f, 15, 10, 45, 0},
          {below(0.003f), 35, 10, 10, 0},
          {0.001f, 35, 10, 80, 0},
          {below(0.001f), 1, 10, 10, 0},
          {0.0003f, 79, 10, 200, 0},
          {below(0.0003f), 1, 50, 10, 0},
          {0.0001f, 400, 50, 1000, 50},
          {below(0.0001f), 1, 1000, 10, 0},
          {0.00003f, 1500, 50, 3000, 2000},
          {below(0.00003f), 1, 50, 3000, 0}}},
        {"FSV4",
         {{0.01f, 0, 45, 80, 0},
          {below(0.01f), 30, 45, 80, 0},
          {0.003f, 30, 45, 80, 0},
          {below(0.003f), 150, 150, 80, 0},
          {0.001f, 150, 150, 80, 0},
          {below(0.001f), 1500, 315, 500, 0},
          {0.0003f, 1500, 315, 500, 0},
          {below(0.0003f), 3750, 750, 2000, 0},
          {0.0001f, 3750, 750, 2000, 0},
          {below(0.0001f), 11250, 2250, 9000, 0},
          {0.000029f, 11250, 2250, 9000, 0},
          {below(0.000029f), 1, 0, 10, 0}}},
        {"FSG8",
         {{0.1f, 5, 5, 10, 0},
          {below(0.1f), 10, 10, 15, 0},
          {0.03f, 10, 10, 15, 0},
          {below(0.03f), 30, 30, 30, 0},
          {0.009f, 30, 30, 30, 0},
          {below(0.009f), 75, 45, 50, 0},
          {0.003f, 75, 45, 50, 0},
          {below(0.003f), 150, 150, 80, 0},
          {0.001f, 150, 150, 80, 0},
          {below(0.001f), 1500, 315, 500, 0},
          {0.0003f, 1500, 315, 500, 0},
          {below(0.0003f), 3750, 750, 2000, 0},
          {0.0001f, 3750, 750, 2000, 0},
          {below(0.0001f), 11250, 2250, 9000, 0},
          {0.00003f, 11250, 2250, 9000, 0},
          {below(0.00003f), 11250, 2250, 10, 0},
          {below(0.000029f), 1, 0, 10, 0}}},
        {"FSW",
         {{0.03f, 0, 10, 80, 0},
          {below(0.03f), 10, 10, 80, 0},
          {0.01f, 10, 10, 80, 0},
          {below(0.009f), 20, 30, 80, 0},
          {below(0.003f), 100, 100, 80, 0},
          {below(0.001f), 1000, 210, 500, 0},
          {below(0.0003f), 2500, 500, 2000, 0},
          {below(0.0001f), 7500, 1500, 9000, 0},
          {below(0.000029f), 1, 0, 10, 0}}},
        {"FSP",
         {{0.1f, 2, 2, 50, 0},
          {below(0.1f), 3, 2, 50, 0},
          {below(0.03f), 16, 2, 50, 0},
          {below(0.01f), 120, 2, 50, 0},
          {below(0.001f), 1, 2, 50, 0},
          {0.0003f, 380, 2, 200, 0},
          {0.0001f, 1450, 150, 2000, 0},
          {0.00003f, 3000, 250, 3000, 0},
          {0.00002f, 1, 2, 50, 0}}},
        {"FSU",
         {{0.1f, 5, 5, 10, 0},
          {below(0.001f), 450, 315, 500, 0},
          {0.0003f, 450, 315, 500, 0},
          {below(0.0003f), 1250, 315, 500, 0},
          {0.0001f, 1250, 315, 500, 0},
          {below(0.0001f), 4500, 615, 900, 0},
          {0.00003f, 4500, 615, 900, 0},
          {below(0.00003f), 4500, 615, 10, 0},
          {below(0.000029f), 1, 0, 10, 0}}},
        {"ESU",
         {{0.1f, 5, 5, 10, 0},
          {below(0.009f), 200, 75, 100, 0},
          {0.001f, 200, 75, 100, 0},
          {below(0.001f), 650, 315, 500, 0},
          {below(0.0003f), 2200, 415, 600, 0},
          {below(0.0001f), 4500, 615, 900, 0},
          {below(0.00003f), 4500, 615, 10, 0},
          {below(0.000029f), 1, 0, 10, 0}}},
    };
    for (const auto& [model, rows] : tables) {
        Bind(model);
        for (const Row& row : rows) {
            SCOPED_TRACE(model + " " + std::to_string(row.rbw));
            m_bench.m_clock.ClearPauses();
            EXPECT_EQ(m_driver->GetRbwTimingA(row.rbw), row.a);
            EXPECT_EQ(m_bench.m_clock.Pauses(),
                      row.pauseMs > 0 ? Pauses{milliseconds(row.pauseMs)} : Pauses{});
            EXPECT_EQ(m_driver->GetRbwTimingB(row.rbw), row.b);
            EXPECT_EQ(m_driver->GetGateLength(row.rbw), row.gate);
            EXPECT_EQ(m_driver->GetStoredGateLength(), row.gate);
        }
    }
    // The manual timing: FSG8, FSU and ESU read it at each call, the switch values as 16 bits, and
    // keep their own stored gate length.
    m_setup.m_manualSwitchTime = 70000;
    m_setup.m_manualSwitchWait = 33;
    m_setup.m_manualGateLength = 123456;
    for (const char* model : {"FSG8", "FSU", "ESU"}) {
        SCOPED_TRACE(model);
        Bind(model);
        m_setup.m_manualTiming = false;
        ASSERT_EQ(m_driver->GetGateLength(0.1f), 10);
        m_setup.m_manualTiming = true;
        EXPECT_EQ(m_driver->GetRbwTimingA(0.1f), static_cast<int16_t>(70000));
        EXPECT_EQ(m_driver->GetRbwTimingB(0.1f), 33);
        EXPECT_EQ(m_driver->GetGateLength(0.1f), 123456);
        EXPECT_EQ(m_driver->GetStoredGateLength(), 10);
        m_setup.m_manualGateLength = 99;
        EXPECT_EQ(m_driver->GetGateLength(0.1f), 99);
        m_setup.m_manualGateLength = 123456;
        m_setup.m_manualTiming = false;
        EXPECT_EQ(m_driver->GetRbwTimingA(0.1f), 5);
    }
    // The others ignore it.
    m_setup.m_manualTiming = true;
    EXPECT_EQ(Bind("FSW").GetRbwTimingA(0.1f), 0);
}

TEST_F(RsModelsTest, WaitsValuesAndConstantsByModel) {
    struct Case {
        const char* model;
        const char* logName;
        int32_t points;
        int32_t multiplier;
        const char* sweepMode;
        int32_t settleMs;
        Pauses rbwPauses;   // WaitForRbw at 0.0003, 0.0001, 0.000029, 0.00002
        int32_t valueAWide; // GetRbwValueA at 0.001 and 0.0001
        int32_t valueANarrow;
    };
    const auto ms = [](std::initializer_list<int> values) {
        Pauses pauses;
        for (const int v : values) {
            pauses.emplace_back(milliseconds(v));
        }
        return pauses;
    };
    const Case cases[] = {
        {"FSH", "R&S-FSH", 30001, 1, "MultipleGatedSweep", 600, ms({300, 1000, 3500}), 5, 5},
        {"FPL", "R&S-FPL", 100001, 2, "GatedSweep", 0, {}, 0, 0},
        {"FSQ", "R&S-FSQ", 32001, 2, "GatedSweep", 10, {}, 0, 0},
        {"FSV3", "R&S-FSV3", 32001, 2, "GatedSweep", 0, {}, 0, 0},
        {"FSV4", "R&S-FSV4", 32001, 2, "GatedSweep", 0, ms({100, 1000, 2000}), 6, 12},
        {"FSG8", "R&S-FSG8", 30001, 1, "GatedSweep", 0, ms({300, 1000, 3500}), 10, 20},
        {"FSW", "R&S-FSW", 32001, 2, "GatedSweep", 0, ms({100, 1000, 2000}), 6, 12},
        {"FSP", "R&S-FSP", 8001, 1, "GatedSweep", 300, {}, 0, 20},
        {"FSU", "R&S-FSU", 30001, 2, "GatedSweep", 10, ms({500, 1000, 3500}), 10, 20},
        {"ESU", "R&S-ESU", 30001, 2, "GatedSweep", 10, ms({500, 1000, 3500}), 10, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        const std::unique_ptr<CSpectrumAnalyzerFSL> d = Make(c.model);
        EXPECT_STREQ(d->GetModelRow().logName, c.logName);
        EXPECT_EQ(d->GetSweepPointCount(), c.points);
        EXPECT_EQ(d->GetPointsPerCell(), c.multiplier);
        EXPECT_EQ(d->GetSweepMode(), c.sweepMode);
        EXPECT_EQ(d->GetGateDelay(), 0);
        m_bench.m_clock.ClearPauses();
        d->WaitSettle(0.001f);
        EXPECT_EQ(m_bench.m_clock.Pauses(), c.settleMs > 0 ? ms({c.settleMs}) : Pauses{});
        m_bench.m_clock.ClearPauses();
        for (const float rbw : {0.0003f, 0.0001f, 0.000029f, 0.00002f}) {
            d->WaitForRbw(rbw);
        }
        EXPECT_EQ(m_bench.m_clock.Pauses(), c.rbwPauses);
        EXPECT_EQ(d->GetRbwValueA(0.001f), c.valueAWide);
        EXPECT_EQ(d->GetRbwValueA(0.0001f), c.valueANarrow);
    }
    EXPECT_EQ(Make("FSH")->GetRbwValueA(0.00003f), 100);
    EXPECT_EQ(Make("FSV4")->GetRbwValueA(0.0003f), 12);
    EXPECT_EQ(Make("FSP")->GetRbwValueA(0.0003f), 0);
}

TEST_F(RsModelsTest, FshSetUpThatNeverCompletesAsksAtTheBound) {
    Bind("FSH");
    m_driver->SetMinimumPollBoundMs(10);
    m_connection.SetTimeout(50);
    Sim().SetOperationTime("A", test::ScpiSimulatorProcess::kNeverDoneMs);
    m_prompt->Script(PromptAnswer::Cancel);
    EXPECT_FALSE(m_driver->SetupSpectrumAnalyzer());
    EXPECT_EQ(m_prompt->Requests().size(), 1u);
    EXPECT_FALSE(m_driver->IsCommandValid());
}

std::vector<uint16_t> g_flushes;
std::vector<std::pair<visa::Attribute, visa::AttrState>> g_attributes;
visa::ViFlushFn g_realFlush = nullptr;
visa::ViSetAttributeFn g_realSetAttribute = nullptr;
extern "C" visa::Status RecordingFlush(visa::Session session, uint16_t mask) {
    g_flushes.push_back(mask);
    return g_realFlush(session, mask);
}
extern "C" visa::Status RecordingSetAttribute(visa::Session session, visa::Attribute attribute,
                                              visa::AttrState value) {
    g_attributes.emplace_back(attribute, value);
    return g_realSetAttribute(session, attribute, value);
}

TEST_F(RsModelsTest, OpeningWithTheLongerTimeOutAndFlushes) {
    for (const bool flushes : {true, false}) {
        SCOPED_TRACE(flushes);
        std::unique_ptr<CSpectrumAnalyzerFSL> made;
        if (flushes) {
            made = std::make_unique<Opened<CSpectrumAnalyzerFSQ>>();
        } else {
            made = std::make_unique<Opened<CSpectrumAnalyzerFSV4>>();
        }
        visa::VisaEntryPoints& vi = flushes ? static_cast<Opened<CSpectrumAnalyzerFSQ>&>(*made).Vi()
                                            : static_cast<Opened<CSpectrumAnalyzerFSV4>&>(*made).Vi();
        Bind(std::move(made));
        g_realFlush = vi.viFlush;
        g_realSetAttribute = vi.viSetAttribute;
        vi.viFlush = &RecordingFlush;
        vi.viSetAttribute = &RecordingSetAttribute;
        g_flushes.clear();
        g_attributes.clear();
        AnalyzerLogLines log;
        ASSERT_TRUE(m_driver->OpenConnection(m_bench.Name("A")));
        using A = std::pair<visa::Attribute, visa::AttrState>;
        if (flushes) {
            EXPECT_EQ(g_attributes,
                      (std::vector<A>{{visa::kAttrReadBufferMode, 1}, {visa::kAttrTimeoutValue, 5000}}));
            EXPECT_EQ(g_flushes, (std::vector<uint16_t>{visa::kFlushReadBuffer, visa::kFlushWriteBuffer}));
        } else {
            EXPECT_EQ(g_attributes, (std::vector<A>{{visa::kAttrReadBufferMode, 1}}));
            EXPECT_TRUE(g_flushes.empty());
        }
        EXPECT_FALSE(m_driver->OpenConnection("TCPIP0::127.0.0.1::1::SOCKET"));
        EXPECT_TRUE(log.Has(flushes ? "Failed in opening connection to spectrum analyzer:: R&S-FSQ"
                                    : "Failed in opening connection to spectrum analyzer:: R&S-FSV4"));
        vi.viFlush = g_realFlush;
        vi.viSetAttribute = g_realSetAttribute;
    }
}

TEST_F(RsModelsTest, TracesByModelAndTheirFailures) {
    m_connection.SetTimeout(50);
    m_prompt->Script(PromptAnswer::Cancel); // a cut block is not waited for
    const std::vector<float> trace1001 = SimulatedTrace(1001);
    const auto expectTextQueryReadsItsOwnReply = [this] {
        EXPECT_EQ(m_driver->ReadSweepPoints(), 1001);
        EXPECT_TRUE(m_driver->IsQueryValid());
    };

    // FSQ: the "%#b" read; a short block fails, logged with the read's status, and keeps the trace.
    Bind("FSQ");
    ASSERT_TRUE(m_driver->SetTraceFormat());
    ASSERT_TRUE(m_driver->SetSweepPoints(1001));
    const float* fsq = m_driver->QueryScan();
    ASSERT_NE(fsq, nullptr);
    EXPECT_EQ(std::vector<float>(fsq, fsq + 1001), trace1001);
    {
        AnalyzerLogLines log;
        Sim().SetReply("A", ":Trace? trace1;", Block(LittleEndian(SimulatedTrace(1000))));
        const float* kept = m_driver->QueryScan();
        ASSERT_NE(kept, nullptr);
        EXPECT_FALSE(m_driver->IsQueryValid());
        EXPECT_EQ(kept[1000], trace1001[1000]);
        ASSERT_FALSE(log.Texts().empty());
        EXPECT_EQ(log.Texts().front().rfind("QueryScan():: failed --- ", 0), 0u);
        expectTextQueryReadsItsOwnReply();
        Sim().SetReply("A", ":Trace? trace1;", "");
    }

    // FSV3 in block-read mode: exactly 4 x points, else null with the flag 0.
    auto& fsv3 = dynamic_cast<CSpectrumAnalyzerFSV3&>(Bind("FSV3"));
    Sim().SetIdentity("A", "Rohde&Schwarz,FSV3030,101234,1.70");
    ASSERT_TRUE(fsv3.SetupSpectrumAnalyzer());
    ASSERT_TRUE(fsv3.IsBlockReadMode());
    ASSERT_TRUE(fsv3.SetTraceFormat());
    ASSERT_TRUE(fsv3.SetSweepPoints(1001));
    const float* block = fsv3.QueryScan();
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(fsv3.IsQueryValid());
    EXPECT_EQ(std::vector<float>(block, block + 1001), trace1001);
    const std::vector<std::pair<const char*, std::string>> failing = {
        {"longer", Block(LittleEndian(SimulatedTrace(1002)))},
        {"shorter", Block(LittleEndian(SimulatedTrace(1000)))},
        {"not a block", "1.0,2.0\n"},
        {"cut by a time-out", "#44004" + LittleEndian(SimulatedTrace(1000))},
    };
    for (const auto& [what, reply] : failing) {
        SCOPED_TRACE(what);
        Sim().SetReply("A", ":Trace? trace1;", reply);
        EXPECT_EQ(fsv3.QueryScan(), nullptr);
        EXPECT_FALSE(fsv3.IsQueryValid());
        fsv3.FlushBuffers();
        expectTextQueryReadsItsOwnReply();
    }
    // With "-LogSAErrors", a queued error fails the read after its data.
    {
        ScopedLogErrors logErrors(true);
        Sim().SetReply("A", ":Trace? trace1;", "");
        Sim().SetErrorCount("A", 1);
        EXPECT_EQ(fsv3.QueryScan(), nullptr);
        EXPECT_FALSE(fsv3.IsQueryValid());
        ASSERT_NE(fsv3.QueryScan(), nullptr);
        EXPECT_TRUE(fsv3.IsQueryValid());
    }
    // The ZNL reads the raw block whatever its identity; 4 x points + 4 bytes fail.
    Sim().SetIdentity("A", kIdentity);
    Bind("ZNL");
    Sim().SetReply("A", ":Trace? trace1;", "");
    ASSERT_TRUE(m_driver->SetTraceFormat());
    ASSERT_TRUE(m_driver->SetSweepPoints(1001));
    const float* znl = m_driver->QueryScan();
    ASSERT_NE(znl, nullptr);
    EXPECT_EQ(std::vector<float>(znl, znl + 1001), trace1001);
    Sim().SetReply("A", ":Trace? trace1;", Block(LittleEndian(SimulatedTrace(1002))));
    EXPECT_EQ(m_driver->QueryScan(), nullptr);
    EXPECT_FALSE(m_driver->IsQueryValid());
    m_driver->FlushBuffers();
    expectTextQueryReadsItsOwnReply();

    // A dropped connection in the data.
    Sim().SetReply("A", ":Trace? trace1;", "#44004" + LittleEndian(SimulatedTrace(500)));
    Sim().SetDropAfterReply("A", ":Trace? trace1;");
    EXPECT_EQ(m_driver->QueryScan(), nullptr);
    EXPECT_FALSE(m_driver->IsQueryValid());

    // FSH: a count outside 1..102,400 is refused before anything is sent.
    Sim().SetIdentity("A", kIdentity);
    Bind("FSH");
    for (const int32_t count : {0, -1, 102401}) {
        EXPECT_EQ(m_driver->ReadTraceDataCount(count), nullptr);
        EXPECT_FALSE(m_driver->IsQueryValid());
    }
    EXPECT_EQ(Commands(), Lines{});
}

} // namespace
} // namespace orv
