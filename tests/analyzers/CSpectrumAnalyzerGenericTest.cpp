#include "analyzers/drivers/generic/CSpectrumAnalyzerGeneric.h"

#include "analyzers/CVisaConnection.h"
#include "analyzers/drivers/generic/GenericAnalyzerFlags.h"
#include "platform/fs/AppPaths.h"
#include "platform/fs/FileIo.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using test::AnalyzerLogLines;
using test::AnalyzerSimulatorBench;
using test::FakeAnalyzerScanSetup;
using Key = CSpectrumAnalyzerGeneric;

// The generic driver serves what the table's catch-all row names.
const std::string kIdentity = "Acme Instruments,Null SA 3000,4711,1.0";

class GenericDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        GenericAnalyzerFlags::Instance().Reset();
        char pattern[] = "/tmp/orv-generic-test-XXXXXX";
        m_folder = mkdtemp(pattern);
        SetExecutableFolderOverride(m_folder);
        m_bench.AddResources({{"A", kIdentity}});
        ASSERT_TRUE(m_connection.DetectAndConnect());
        ASSERT_TRUE(m_driver.FindVisaConnection(&m_connection, 1));
        ASSERT_EQ(m_connection.GetIdentityText(), kIdentity);
        m_driver.SetScanSetup(&m_setup);
        m_bench.m_sim.SetReply("A", ":Sweep:Points?;", "101\n");
        m_bench.m_sim.ClearCommands("A");
    }
    void TearDown() override {
        SetExecutableFolderOverride("");
        std::filesystem::remove_all(m_folder);
        GenericAnalyzerFlags::Instance().Reset();
    }
    void WriteIni(const char* name, const std::string& text) {
        ASSERT_TRUE(WriteFileAtomically(m_folder + "/" + name, text));
    }
    std::vector<std::string> Commands() {
        // A marker command, so that every command sent before it has arrived.
        m_driver.SetSweepTimeMs(0);
        std::vector<std::string> all = m_bench.m_sim.WaitForCommands("A", 1);
        for (int round = 0; round < 100 && (all.empty() || all.back() != "Sweep:Time 0 MS;"); ++round) {
            all = m_bench.m_sim.WaitForCommands("A", all.size() + 1);
        }
        all.pop_back();
        m_bench.m_sim.ClearCommands("A");
        return all;
    }
    // A control file configuring every key for the simulator's analyser.
    void Configure(const std::string& extra = "") {
        // The first of two equal keys wins: the extra keys go first.
        WriteIni(Key::kControlFileName, "[" + kIdentity + "]\r\n" + extra +
                                            "SetInternalTrigger = :TRIG:SOUR IMM;\r\n"
                                            "SetUnit=:UNIT:POW %s;\r\n"
                                            "SetReferenceLevel=:RLEV %f;\r\n"
                                            "SetAttenuation=:ATT %d DB;\r\n"
                                            "SetDisplayOn=:DISP ON;\r\n"
                                            "TraceData=:TRAC?;\r\n"
                                            "ReadPeak=:MARK:X?;\r\n");
        ASSERT_TRUE(m_driver.SetupSpectrumAnalyzer());
        ASSERT_TRUE(m_driver.IsConfigured());
        m_bench.m_sim.ClearCommands("A");
    }

    std::string m_folder;
    AnalyzerSimulatorBench m_bench;
    CVisaConnection m_connection;
    CSpectrumAnalyzerGeneric m_driver;
    FakeAnalyzerScanSetup m_setup;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>(PromptAnswer::Ok);
};

TEST_F(GenericDriverTest, WithoutTheCandidateFileEveryListIsEmpty) {
    // Built-in candidates until the file is read.
    EXPECT_EQ(m_driver.GetCandidates(Key::kSetDisplayOn),
              (std::vector<std::string>{":SYST:DISP:UPD ON;", ":DISP:ENAB ON;"}));
    EXPECT_EQ(m_driver.GetCandidates(Key::kMarkPeak).size(), 3u);
    ASSERT_TRUE(m_driver.SetupSpectrumAnalyzer());
    EXPECT_FALSE(m_driver.IsConfigured());
    for (int key = 0; key < Key::kCommandKeyCount; ++key) {
        EXPECT_TRUE(m_driver.GetCandidates(static_cast<Key::CommandKey>(key)).empty()) << key;
    }
    const std::vector<std::string> setup = Commands();
    EXPECT_NE(std::find(setup.begin(), setup.end(), ":System:Preset:Mode;*WAI"), setup.end());
    EXPECT_EQ(setup.front(), "*CLS;");
    EXPECT_EQ(setup[1], "INST?");
    EXPECT_EQ(setup.back(), "*IDN?");
    EXPECT_TRUE(m_driver.SetDisplayOn(true));
    EXPECT_EQ(Commands(), std::vector<std::string>{"*CLS;"});
    // Each set-up presets the mode again while no section configures the driver.
    ASSERT_TRUE(m_driver.SetupSpectrumAnalyzer());
    const std::vector<std::string> again = Commands();
    EXPECT_NE(std::find(again.begin(), again.end(), ":System:Preset:Mode;*WAI"), again.end());
}

TEST_F(GenericDriverTest, TrialSelectsTheFirstCandidateTheAnalyserAccepts) {
    WriteIni(Key::kCandidateFileName,
             "; candidates\r\n[SetDisplayOn]\r\nItem1 = :DISP:BAD;  \r\nItem2=:DISP:GOOD;\r\n"
             "[SetUnit]\r\nItem1=:U %s;\r\nItem3=:never;\r\n"
             "[MarkPeak]\r\nItem1=" +
                 std::string(128, 'M') + "\r\nItem2=:MAX;\r\n");
    m_bench.m_sim.SetRefused("A", ":DISP:BAD;");
    AnalyzerLogLines log;
    ASSERT_TRUE(m_driver.SetupSpectrumAnalyzer());
    EXPECT_EQ(m_driver.GetSelected(Key::kSetDisplayOn), ":DISP:GOOD;");
    EXPECT_TRUE(log.Has("SetDisplayOn failed:  ':DISP:BAD;' "));
    EXPECT_TRUE(log.Has("SetDisplayOn passed:  ':DISP:GOOD;' "));
    EXPECT_EQ(m_driver.GetCandidates(Key::kSetUnit),
              std::vector<std::string>{":U %s;"});               // Item2 absent ends it
    EXPECT_TRUE(m_driver.GetCandidates(Key::kMarkPeak).empty()); // a 128-character value is absent
    const std::vector<std::string> sent = Commands();
    const auto bad = std::find(sent.begin(), sent.end(), ":DISP:BAD;");
    ASSERT_NE(bad, sent.end());
    EXPECT_EQ(std::vector<std::string>(bad, bad + 5),
              (std::vector<std::string>{":DISP:BAD;", ":SYST:ERR?;", "*CLS;", ":DISP:GOOD;", ":SYST:ERR?;"}));
}

TEST_F(GenericDriverTest, ControlFileSectionConfiguresTheDriverOnce) {
    Configure("SetDetectorPositive=default\r\nSetAutoSweep=" + std::string(128, 'x') + "\r\n");
    EXPECT_EQ(m_driver.GetSelected(Key::kSetInternalTrigger), ":TRIG:SOUR IMM;");
    EXPECT_EQ(m_driver.GetSelected(Key::kSetDetectorPositive), "");
    EXPECT_EQ(m_driver.GetSelected(Key::kSetAutoSweep), "");
    // "default" leaves the string empty: the operation sends a bare line end before its check.
    EXPECT_TRUE(m_driver.SetDetectorPositive(true));
    EXPECT_EQ(Commands(), (std::vector<std::string>{"", ":SYST:ERR?;"}));
    // Later set-ups skip the files and the preset.
    std::filesystem::remove(m_folder + "/" + Key::kControlFileName);
    ASSERT_TRUE(m_driver.SetupSpectrumAnalyzer());
    const std::vector<std::string> again = Commands();
    EXPECT_EQ(std::find(again.begin(), again.end(), ":System:Preset:Mode;*WAI"), again.end());
    EXPECT_NE(std::find(again.begin(), again.end(), ":DISP ON;"), again.end());
    EXPECT_TRUE(m_driver.IsConfigured());
}

TEST_F(GenericDriverTest, SectionWithoutTheTriggerKeyIsIgnored) {
    WriteIni(Key::kControlFileName, "[" + kIdentity + "]\nSetUnit=:UNIT:POW %s;\nSetDisplayOn=:DISP ON;\n");
    ASSERT_TRUE(m_driver.SetupSpectrumAnalyzer());
    EXPECT_FALSE(m_driver.IsConfigured());
    EXPECT_EQ(m_driver.GetSelected(Key::kSetUnit), "");
}

TEST_F(GenericDriverTest, WrongModeWarnsAndFails) {
    m_bench.m_sim.SetMode("A", "SAN");
    {
        ScopedPromptInstall install(m_prompt);
        EXPECT_FALSE(m_driver.SetupSpectrumAnalyzer());
    }
    EXPECT_EQ(m_prompt->Texts(), std::vector<std::string>{Key::kModeWarning});
    EXPECT_EQ(m_setup.m_failureCode, 801);
    // No prompt installed (no main window): nothing is shown, the set-up still fails.
    m_setup.m_failureCode = 0;
    EXPECT_FALSE(m_driver.SetupSpectrumAnalyzer());
    EXPECT_EQ(m_prompt->Texts().size(), 1u);
    EXPECT_EQ(m_setup.m_failureCode, 801);
}

TEST_F(GenericDriverTest, SweepPointsTimesCellsAndWaits) {
    const std::pair<int32_t, std::string> points[] = {
        {0, "0"}, {50, "101"}, {101, "101"}, {40000, "32001"}, {-1, "32001"}};
    for (const auto& [asked, sent] : points) {
        EXPECT_TRUE(m_driver.SetSweepPoints(asked));
        EXPECT_EQ(Commands(), (std::vector<std::string>{":Sweep:Points " + sent + " ;", ":Sweep:Points?;"}))
            << asked;
    }
    const std::pair<double, std::string> times[] = {
        {0.003, "0.020000"},  {0.0029, "0.020000"},  {0.001, "0.050000"},  {0.00029, "0.050000"},
        {0.0001, "3.000000"}, {0.00009, "3.000000"}, {0.00003, "5.000000"}};
    for (const auto& [rbw, ms] : times) {
        m_setup.m_appliedRbw = rbw;
        EXPECT_TRUE(m_driver.SetSweepTimeFloat(123.0f));
        EXPECT_EQ(Commands(), std::vector<std::string>{"Sweep:Time " + ms + " MS;"}) << rbw;
    }
    EXPECT_EQ(Key::SweepSecondsToMs(0.1), 100);
    EXPECT_EQ(Key::SweepSecondsToMs(0.0123), 13);
    EXPECT_EQ(Key::SweepSecondsToMs(2.0), 2000);
    m_bench.m_sim.SetReply("A", ":Sweep:Time?;", "1.000000E-01\n");
    EXPECT_EQ(m_driver.ReadSweepTime(), 100);

    m_setup.m_rows = 10;
    m_setup.m_columns = 10;
    m_setup.m_cells.assign(100, 0);
    std::fill_n(m_setup.m_cells.begin(), 10, 1);
    EXPECT_EQ(m_driver.GetCellsPerSweep(0.1f), 51);
    std::fill_n(m_setup.m_cells.begin(), 60, 1);
    EXPECT_EQ(m_driver.GetCellsPerSweep(0.1f), 60);

    m_bench.m_clock.ClearPauses();
    for (const float rbw : {0.001f, 0.0003f, 0.0001f, 0.00003f, 0.00001f}) {
        m_driver.WaitForRbw(rbw);
    }
    using std::chrono::milliseconds;
    EXPECT_EQ(m_bench.m_clock.Pauses(),
              (std::vector<Clock::Duration>{milliseconds(100), milliseconds(100), milliseconds(1000),
                                            milliseconds(2000)}));
}

TEST_F(GenericDriverTest, RefusedUnitSwitchesToDbm) {
    Configure();
    m_bench.m_sim.SetRefused("A", ":UNIT:POW DBUV;");
    EXPECT_TRUE(m_driver.SetUnit("DBUV"));
    EXPECT_TRUE(GenericAnalyzerFlags::Instance().m_dBmOffset);
    m_bench.m_sim.ClearCommands("A");
    EXPECT_TRUE(m_driver.SetReferenceLevel(50.0f));
    EXPECT_EQ(Commands(), (std::vector<std::string>{":RLEV -57.000000;", ":SYST:ERR?;"}));
    EXPECT_FLOAT_EQ(m_driver.ReadReferenceLevel(), 50.0f);

    m_bench.m_sim.SetReply("A", ":TRAC?;", "-60.5,-70,-80,-90,-100\n");
    m_driver.SetSweepPoints(5);
    m_bench.m_sim.SetReply("A", ":Sweep:Points?;", "5\n");
    EXPECT_EQ(m_driver.ReadSweepPoints(), 5);
    const float* trace = m_driver.QueryScan();
    ASSERT_NE(trace, nullptr);
    EXPECT_FLOAT_EQ(trace[0], 46.5f);
    EXPECT_FLOAT_EQ(trace[4], 7.0f);

    // The marker is read before its check; the fall-back marker when the first is refused.
    m_bench.m_sim.SetReply("A", ":Calculate:Marker:Y?;", "-40.25\n");
    EXPECT_FLOAT_EQ(m_driver.ReadPeakAmplitude(), 66.75f);
    EXPECT_TRUE(m_driver.IsQueryValid());
    m_bench.m_sim.SetRefused("A", ":Calculate:Marker:Y?;");
    m_bench.m_sim.SetReply("A", ":Calculate:Marker1:Y?;", "-50\n");
    EXPECT_FLOAT_EQ(m_driver.ReadPeakAmplitude(), 57.0f);
}

TEST_F(GenericDriverTest, RefusedTemplatesAreNotSent) {
    Configure("SetAttenuation=:ATT %d%d;\r\nSetUnit=:U %d;\r\n");
    AnalyzerLogLines log;
    EXPECT_FALSE(m_driver.SetAttenuation(10.0f));
    EXPECT_TRUE(m_driver.SetUnit("DBUV")); // lenient, but switched to dBm
    EXPECT_TRUE(GenericAnalyzerFlags::Instance().m_dBmOffset);
    EXPECT_EQ(Commands(), std::vector<std::string>{"*CLS;"});
    EXPECT_TRUE(log.Has("SetAttenuation() failed:  ':ATT %d%d;' "));
}

TEST_F(GenericDriverTest, AsciiTraces) {
    Configure();
    m_bench.m_sim.SetReply("A", ":Sweep:Points?;", "5\n");
    ASSERT_EQ(m_driver.ReadSweepPoints(), 5);
    struct Case {
        const char* name;
        std::string reply;
        bool ok;
    };
    const Case cases[] = {
        {"five", "1,2,3,4,5\n", true},
        {"five and a trailing comma", " 1, 2 ,3,4,-5.5E+1,\r\n", true},
        {"four", "1,2,3,4\n", false},
        {"six", "1,2,3,4,5,6\n", false},
        {"not a number", "1,2,x,4,5\n", false},
        {"empty piece", "1,,3,4,5\n", false},
    };
    for (const Case& c : cases) {
        m_bench.m_sim.SetReply("A", ":TRAC?;", c.reply);
        const float* trace = m_driver.QueryScan();
        EXPECT_EQ(trace != nullptr, c.ok) << c.name;
        EXPECT_EQ(m_driver.IsQueryValid(), c.ok) << c.name;
        if (trace != nullptr) {
            EXPECT_FLOAT_EQ(trace[0], 1.0f) << c.name;
        }
    }
    // Longer than five values can be: drained, so the next query reads its own answer.
    std::string longReply;
    for (int i = 0; i < 200; ++i) {
        longReply += "-100.5,";
    }
    m_bench.m_sim.SetReply("A", ":TRAC?;", longReply + "\n");
    EXPECT_EQ(m_driver.QueryScan(), nullptr);
    m_bench.m_sim.SetReply("A", ":TRAC?;", "9,8,7,6,5\n");
    const float* trace = m_driver.QueryScan();
    ASSERT_NE(trace, nullptr);
    EXPECT_FLOAT_EQ(trace[0], 9.0f);

    // The largest trace.
    std::string full;
    for (int i = 0; i < 32001; ++i) {
        full += i == 0 ? "-1.23456789E+01" : ",-1.23456789E+01";
    }
    m_bench.m_sim.SetReply("A", ":TRAC?;", full + "\n");
    m_bench.m_sim.SetReply("A", ":Sweep:Points?;", "32001\n");
    ASSERT_EQ(m_driver.ReadSweepPoints(), 32001);
    trace = m_driver.QueryScan();
    ASSERT_NE(trace, nullptr);
    EXPECT_FLOAT_EQ(trace[32000], -12.3456789f);

    // A whole reply and then a dropped connection: the trace is read, the next query fails.
    m_bench.m_sim.SetReply("A", ":Sweep:Points?;", "5\n");
    ASSERT_EQ(m_driver.ReadSweepPoints(), 5);
    m_bench.m_sim.SetReply("A", ":TRAC?;", "1,2,3,4,5\n");
    m_bench.m_sim.SetDropAfterReply("A", ":TRAC?;");
    EXPECT_NE(m_driver.QueryScan(), nullptr);
    EXPECT_EQ(m_driver.QueryScan(), nullptr);
}

TEST_F(GenericDriverTest, ImplausibleReadBackKeepsTheCount) {
    m_bench.m_sim.SetReply("A", ":Sweep:Points?;", "401\n");
    EXPECT_EQ(m_driver.ReadSweepPoints(), 401);
    for (const char* reply : {"102401\n", "-1\n", "99999999999\n"}) {
        m_bench.m_sim.SetReply("A", ":Sweep:Points?;", reply);
        EXPECT_EQ(m_driver.ReadSweepPoints(), 401) << reply;
        EXPECT_FALSE(m_driver.IsQueryValid()) << reply;
        m_driver.FlushBuffers();
    }
}

TEST_F(GenericDriverTest, FixedCommandsAndReadsInInstrumentUnits) {
    Configure("SetPrAmpOn=:PRE ON;\r\nSetPrAmpOff=:PRE OFF;\r\nSetMarkOn=:MC ON;\r\nMarkPeak=:MAX;\r\n");
    m_bench.m_sim.SetReply("A", ":Frequency:Span?;", "1.000000E+07\n");
    m_bench.m_sim.SetReply("A", ":Bandwidth?;", "3.0E+4\n");
    m_bench.m_sim.SetReply("A", ":Frequency:Center?;", "+1.5E+08\n");
    m_bench.m_sim.SetReply("A", ":MARK:X?;", "2.5E+8\n");
    EXPECT_TRUE(m_driver.SetSpan(10.0f));
    EXPECT_FLOAT_EQ(m_driver.ReadSpan(), 10.0f);
    EXPECT_TRUE(m_driver.SetResolution(0.03f));
    EXPECT_FLOAT_EQ(m_driver.ReadResolution(), 0.03f);
    EXPECT_TRUE(m_driver.SetCenterFrequency(150.0f));
    EXPECT_FLOAT_EQ(m_driver.ReadCenterFrequency(), 150.0f);
    EXPECT_TRUE(m_driver.IsQueryValid());
    EXPECT_FLOAT_EQ(m_driver.ReadMarkerFrequency(0), 250.0f);
    EXPECT_TRUE(m_driver.SetInternalTriger(0)); // nothing sent
    EXPECT_TRUE(m_driver.SetPreAmp(true));
    EXPECT_TRUE(m_driver.SetPreAmp(false));
    EXPECT_TRUE(m_driver.SetMarkerCount(true));
    EXPECT_TRUE(m_driver.MarkPeak());
    EXPECT_TRUE(m_driver.SweepAndWait());
    EXPECT_TRUE(m_driver.SetTraceFormat());
    EXPECT_TRUE(m_driver.SetSpectralSweepPoints(400));
    EXPECT_TRUE(m_driver.SetInputCoupling(true));
    bool dc = false;
    EXPECT_TRUE(m_driver.IsDcCoupled(dc));
    EXPECT_TRUE(dc);
    EXPECT_EQ(Commands(), (std::vector<std::string>{":Frequency:Span 10.000000 MHZ;",
                                                    ":Frequency:Span?;",
                                                    ":Bandwidth 0.030000 MHZ;",
                                                    ":Bandwidth:Video 0.030000 MHZ;",
                                                    ":Bandwidth?;",
                                                    ":Frequency:Center 150.000000 MHZ;",
                                                    ":Frequency:Center?;",
                                                    ":MARK:X?;",
                                                    ":PRE ON;",
                                                    ":SYST:ERR?;",
                                                    ":PRE OFF;",
                                                    ":SYST:ERR?;",
                                                    ":MC ON;",
                                                    ":MAX;",
                                                    ":Initiate:Continuous off;",
                                                    ":INIT; *WAI;",
                                                    ":FORMAT:DATA ASCII;",
                                                    ":Sweep:Points 5 ;",
                                                    ":Sweep:Points?;",
                                                    ":INP:COUP DC;"}));
    EXPECT_EQ(m_driver.GetRbwValueA(0.0003f), 12);
    EXPECT_EQ(m_driver.GetRbwValueA(0.001f), 6);
    m_setup.m_appliedRbw = 10.0;
    EXPECT_TRUE(m_driver.IsNarrowRbw());
    m_setup.m_appliedRbw = 10.1;
    EXPECT_FALSE(m_driver.IsNarrowRbw());
    // A read that fails gives the unscaled value and clears query-valid.
    m_bench.m_sim.SetReply("A", ":Frequency:Span?;", "junk\n");
    EXPECT_FLOAT_EQ(m_driver.ReadSpan(), 0.0f);
    EXPECT_FALSE(m_driver.IsQueryValid());
}

TEST_F(GenericDriverTest, DrivesTheSimulatedStateInInstrumentUnits) {
    m_bench.m_sim.SetCommandSet("A", "generic");
    m_bench.m_sim.SetReply("A", ":Sweep:Points?;", ""); // the fixture's fixed count gives way to the state
    Configure("TraceData=:Trace? trace1;\r\nSetUnit=:UNIT:POWER %s;\r\n");
    EXPECT_TRUE(m_driver.SetUnit("DBUV"));
    EXPECT_FALSE(GenericAnalyzerFlags::Instance().m_dBmOffset);
    EXPECT_TRUE(m_driver.SetCenterFrequency(150.0f));
    EXPECT_TRUE(m_driver.SetSpan(10.0f));
    EXPECT_TRUE(m_driver.SetResolution(0.03f));
    EXPECT_TRUE(m_driver.SetSweepPoints(401));
    EXPECT_TRUE(m_driver.SetSweepTimeMs(250));
    EXPECT_FLOAT_EQ(m_driver.ReadCenterFrequency(), 150.0f);
    EXPECT_FLOAT_EQ(m_driver.ReadSpan(), 10.0f);
    EXPECT_FLOAT_EQ(m_driver.ReadResolution(), 0.03f);
    EXPECT_EQ(m_driver.ReadSweepPoints(), 401);
    EXPECT_EQ(m_driver.ReadSweepTime(), 250);
    EXPECT_TRUE(m_driver.SetTraceFormat());
    const float* trace = m_driver.QueryScan();
    ASSERT_NE(trace, nullptr);
    EXPECT_FLOAT_EQ(trace[0], -80.0f);
    EXPECT_FLOAT_EQ(trace[400], -76.0f);
    // A command the analyser does not know queues -113: the configured attenuation fails its check.
    EXPECT_FALSE(m_driver.SetAttenuation(10.0f));
}

} // namespace
} // namespace orv
