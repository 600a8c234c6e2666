#include "engine/SetupScan.h"

#include "analyzers/CSpectrumAnalyzer.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineDevices.h"

#include "support/EngineLinkFixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orv {
namespace {

std::string Num(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// What the analyser double answers and records.
struct Script {
    std::vector<std::string> calls;
    std::set<std::string> failing;   // set operations that return false
    std::set<std::string> readFails; // reads that clear query-valid
    float centre = 55.0F;
    float span = 10.0F;
    float referenceLevel = 80.0F;
    float rbw = 0.1F;
    std::optional<int32_t> points; // none: the count asked for
    int32_t sweepTime = 42;
    bool rbwAllowed = true;
    bool reportDriverCode = false; // a failing set-up command reports 801 through the set-up
    double requestedRbwAtSetup = -1.0;
    double readBackRbwAtCheck = -1.0;
    uint8_t preAmpStateAtSwitch = 0xFF;
    uint8_t dcFlagAtSwitch = 0xFF;
    int32_t preAmpReadBack = 0; // what SetPreAmp reads back from the instrument
};

class RecordingAnalyzer final : public CSpectrumAnalyzer {
public:
    explicit RecordingAnalyzer(Script& script) : m_script(script) {}

    void SetFlags(bool detected, bool connected) {
        m_detected = detected ? 1 : 0;
        m_connected = connected ? 1 : 0;
    }

    bool SetupSpectrumAnalyzer() override {
        m_script.requestedRbwAtSetup = m_requestedRbw;
        const bool done = Set("SetupSpectrumAnalyzer");
        if (!done && m_script.reportDriverCode && m_scanSetup != nullptr) {
            m_scanSetup->SetFailureCode(801);
        }
        return done;
    }
    bool SetAutoSweep(int32_t value) override { return Set("SetAutoSweep", value); }
    bool SetInternalTriger(int32_t value) override { return Set("SetInternalTriger", value); }
    bool SetDetectorPositive(bool on) override { return Set("SetDetectorPositive", on ? 1 : 0); }
    bool SetUnit(const std::string& unit) override {
        m_script.calls.push_back("SetUnit " + unit);
        return !m_script.failing.contains("SetUnit");
    }
    bool SetPreAmp(bool on) override {
        m_script.preAmpStateAtSwitch = GetPreAmpState();
        m_script.dcFlagAtSwitch = GetDcCoupledFlag();
        m_preAmpReadBack = m_script.preAmpReadBack;
        return Set("SetPreAmp", on ? 1 : 0);
    }
    bool SetTrackingGeneration(bool on) override { return Set("SetTrackingGeneration", on ? 1 : 0); }
    bool SetInputCoupling(bool dc) override { return Set("SetInputCoupling", dc ? 1 : 0); }
    bool SetAttenuation(float dB) override { return Set("SetAttenuation", dB); }
    bool SetReferenceLevel(float level) override { return Set("SetReferenceLevel", level); }
    bool SetSpan(float mhz) override { return Set("SetSpan", mhz); }
    bool SetCenterFrequency(float mhz) override { return Set("SetCenterFrequency", mhz); }
    bool SetResolution(float mhz) override { return Set("SetResolution", mhz); }
    bool SetSweepPoints(int32_t count) override {
        m_asked = count;
        return Set("SetSweepPoints", count);
    }
    bool SetSweepTimeMs(int32_t ms) override { return Set("SetSweepTimeMs", ms); }
    float ReadCenterFrequency() override { return Read("ReadCenterFrequency", m_script.centre); }
    float ReadSpan() override { return Read("ReadSpan", m_script.span); }
    float ReadReferenceLevel() override { return Read("ReadReferenceLevel", m_script.referenceLevel); }
    float ReadResolution() override { return Read("ReadResolution", m_script.rbw); }
    int32_t ReadSweepPoints() override { return Read("ReadSweepPoints", m_script.points.value_or(m_asked)); }
    int32_t ReadSweepTime() override { return Read("ReadSweepTime", m_script.sweepTime); }
    bool IsFrequencyAllowed(float rbw) override {
        m_script.readBackRbwAtCheck = m_readBackRbw;
        m_script.calls.push_back("IsFrequencyAllowed " + Num(rbw));
        return m_script.rbwAllowed;
    }

private:
    bool Set(const std::string& name, double argument) {
        m_script.calls.push_back(name + " " + Num(argument));
        return !m_script.failing.contains(name);
    }
    bool Set(const std::string& name) {
        m_script.calls.push_back(name);
        return !m_script.failing.contains(name);
    }
    template <typename T> T Read(const std::string& name, T value) {
        m_script.calls.push_back(name);
        const bool fails = m_script.readFails.contains(name);
        SetQueryValid(!fails);
        return fails ? T{} : value;
    }

    Script& m_script;
    int32_t m_asked = 0;
};

struct Report {
    uint16_t step;
    uint16_t count;
    std::string text;
    bool operator==(const Report&) const = default;
};

class RecordingReporter final : public CSetupStepReporter {
public:
    bool SendSetupStep(uint16_t step, uint16_t stepCount, std::string_view text) override {
        reports.push_back({step, stepCount, std::string(text)});
        return true;
    }
    std::vector<uint16_t> Steps() const {
        std::vector<uint16_t> steps;
        for (const Report& report : reports) {
            steps.push_back(report.step);
        }
        return steps;
    }
    std::vector<Report> reports;
};

std::vector<uint16_t> StepsUpTo(std::initializer_list<uint16_t> steps) {
    return steps;
}

class SetupScanInstrumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        CDeviceManager* devices = m_setup.CreateDeviceManager();
        devices->SetAnalyzerFactory([this](int32_t) -> std::unique_ptr<CSpectrumAnalyzer> {
            return std::make_unique<RecordingAnalyzer>(m_script);
        });
        m_analyzer = static_cast<RecordingAnalyzer*>(devices->CreateAnalyzer(1));
        m_analyzer->SetScanSetup(&m_setup);
        SetupScanValues values;
        values.scanType = 99;
        values.rbw = 0.1F;
        values.centerFrequency = 50.0F;
        values.span = 10.0F;
        values.referenceLevel = 70.0F;
        values.sweepTime = 250;
        values.internalPreAmp = 1;
        values.trackingGeneration = 0;
        values.analyzerFlag = 1;
        values.failureCode = 9; // whatever the client sent is cleared
        m_setup.ApplySetup(values);
    }

    bool Run() {
        m_script.calls.clear();
        m_reporter.reports.clear();
        m_log.Clear();
        return m_setup.SetupInstrument(&m_reporter);
    }

    test::LogCapture m_log;
    Script m_script;
    SetupScan m_setup;
    RecordingAnalyzer* m_analyzer = nullptr;
    RecordingReporter m_reporter;
};

TEST_F(SetupScanInstrumentTest, TheSequenceRunsInOrderAndReportsEachStep) {
    ASSERT_TRUE(Run());
    EXPECT_EQ(m_script.calls, (std::vector<std::string>{
                                  "SetupSpectrumAnalyzer",   "SetAutoSweep 1",      "SetInternalTriger 1",
                                  "SetDetectorPositive 1",   "SetUnit DBUV",        "SetPreAmp 1",
                                  "SetTrackingGeneration 0", "SetInputCoupling 1",  "SetAttenuation 0",
                                  "SetReferenceLevel 70",    "SetSpan 10",          "SetCenterFrequency 50",
                                  "SetResolution 0.1",       "ReadCenterFrequency", "ReadSpan",
                                  "ReadReferenceLevel",      "ReadResolution",      "IsFrequencyAllowed 0.1",
                                  "SetSweepPoints 101",      "ReadSweepPoints",     "ReadSweepTime"}));
    // The requested RBW reaches the driver before its set-up command, the read-back one before the check.
    EXPECT_DOUBLE_EQ(m_script.requestedRbwAtSetup, static_cast<double>(0.1F));
    EXPECT_DOUBLE_EQ(m_script.readBackRbwAtCheck, static_cast<double>(0.1F));
    EXPECT_EQ(m_script.preAmpStateAtSwitch, 1);
    EXPECT_EQ(m_script.dcFlagAtSwitch, 1);
    const std::vector<Report> expected{
        {0, 19, "Setup Scan --- done in 'CheckStatus'."},
        {1, 19, "Setup Scan --- done in 'SetupSpectrumAnalyzer()'."},
        {2, 19, "Setup Scan --- done in 'SetAutoSweep()'."},
        {3, 19, "Setup Scan --- done in 'SetInternalTriger()'."},
        {4, 19, "Setup Scan --- done in 'SetDetectorPositive()'."},
        {5, 19, "Setup Scan --- done in 'SetUnit()'."},
        {6, 19, "Setup Scan --- done in 'SetPreAmp()'   1."},
        {7, 19, "Setup Scan --- done in 'SetTrackingGeneration()'   0."},
        {8, 19, "Setup Scan --- done in 'SetAttenuation()'."},
        {10, 19, "Setup Scan --- done in 'SetReferenceLevel()'   70.000000."},
        {9, 19, "Setup Scan --- done in 'SetSpan()'   10.000000."},
        {12, 19, "Setup Scan --- done in 'SetCenterFrequency()'   50.000000."},
        {11, 19, "Setup Scan --- done in 'SetResolution()'   0.100000."},
        {13, 19, "Setup Scan --- done in 'ReadCenterFrequency()'   55.000000."},
        {14, 19, "Setup Scan --- done in 'ReadSpan()'   10.000000."},
        {15, 19, "Setup Scan --- done in 'ReadReferenceLevel()'   80.000000."},
        {16, 19, "Setup Scan --- done in 'ReadResolution()'   0.100000."},
        {17, 19, "Setup Scan --- done in 'SetSweepPoints()'   101."},
        {18, 19, "Setup Scan --- done in 'ReadSweepPoints()'   101."},
        {19, 19, "Setup Scan --- done in 'ReadSweepTime()'   42."},
    };
    EXPECT_EQ(m_reporter.reports, expected);
    EXPECT_EQ(m_setup.GetFailureCode(), 0U);
    EXPECT_FLOAT_EQ(m_setup.GetCenterFrequency(), 55.0F);
    EXPECT_FLOAT_EQ(m_setup.GetSpan(), 10.0F);
    EXPECT_FLOAT_EQ(m_setup.GetReferenceLevel(), 80.0F);
    EXPECT_FLOAT_EQ(m_setup.GetRBW(), 0.1F);
    EXPECT_EQ(m_setup.GetNumberOfFrequencyBuckets(), 101U);
    EXPECT_EQ(m_setup.GetSweepTime(), 42U); // manual time off: the one read back
    EXPECT_FLOAT_EQ(m_setup.GetFrequencyStep(), 0.1F);
    EXPECT_TRUE(m_log.Lines().empty());
}

TEST_F(SetupScanInstrumentTest, EachFailingStepSetsItsCodeLogsItsTextAndKeepsTheReportsSent) {
    struct Case {
        const char* failing;
        bool read;
        uint32_t code;
        const char* line;
        std::vector<uint16_t> reports;
    };
    const std::vector<uint16_t> beforeReads{0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 9, 12, 11};
    const auto then = [&](std::initializer_list<uint16_t> more) {
        std::vector<uint16_t> steps = beforeReads;
        steps.insert(steps.end(), more);
        return steps;
    };
    const std::vector<Case> cases{
        {"SetupSpectrumAnalyzer", false, 700,
         "Can not send setup spectrum analyzer command to spectrum analyzer.", StepsUpTo({0})},
        {"SetAutoSweep", false, 510, "Can not send Auto Sweep command to spectrum analyzer.",
         StepsUpTo({0, 1})},
        {"SetInternalTriger", false, 510, "Can not send Internal Trigger command to spectrum analyzer.",
         StepsUpTo({0, 1, 2})},
        {"SetDetectorPositive", false, 510, "Can not send Detector Positive command to spectrum analyzer.",
         StepsUpTo({0, 1, 2, 3})},
        {"SetUnit", false, 510, "Can not send Set Unit command to spectrum analyzer.",
         StepsUpTo({0, 1, 2, 3, 4})},
        {"SetPreAmp", false, 510, "Can not set Pre-Amp to spectrum analyzer.", StepsUpTo({0, 1, 2, 3, 4, 5})},
        {"SetTrackingGeneration", false, 510, "Can not set Tracking Generation to spectrum analyzer.",
         StepsUpTo({0, 1, 2, 3, 4, 5, 6})},
        {"SetInputCoupling", false, 510, "Can not set Tracking Generation to spectrum analyzer.",
         StepsUpTo({0, 1, 2, 3, 4, 5, 6, 7})},
        {"SetAttenuation", false, 510, "Can not send Set Attenuation command to spectrum analyzer.",
         StepsUpTo({0, 1, 2, 3, 4, 5, 6, 7})},
        {"SetReferenceLevel", false, 510, "Can not send Set Reference Level command to spectrum analyzer.",
         StepsUpTo({0, 1, 2, 3, 4, 5, 6, 7, 8})},
        {"SetSpan", false, 510, "Can not send Set Span command to spectrum analyzer.",
         StepsUpTo({0, 1, 2, 3, 4, 5, 6, 7, 8, 10})},
        {"SetCenterFrequency", false, 510, "Can not send Set Center Frequency command to spectrum analyzer.",
         StepsUpTo({0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 9})},
        {"SetResolution", false, 510, "Can not send Set Resolution Band Width command to spectrum analyzer.",
         StepsUpTo({0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 9, 12})},
        {"ReadCenterFrequency", true, 700, "Can not read Center Frequency from spectrum analyzer.",
         beforeReads},
        {"ReadSpan", true, 700, "Can not read Span from spectrum analyzer.", then({13})},
        {"ReadReferenceLevel", true, 700, "Can not read Reference Level from spectrum analyzer.",
         then({13, 14})},
        {"ReadResolution", true, 700, "Can not read Resolution Band Width from spectrum analyzer.",
         then({13, 14, 15})},
        {"SetSweepPoints", false, 510, "Can not set Sweep Points to spectrum analyzer for Spectral scan.",
         then({13, 14, 15, 16})},
        {"ReadSweepPoints", true, 700, "Can not read Sweep Points from spectrum analyzer.",
         then({13, 14, 15, 16, 17})},
    };
    for (const Case& c : cases) {
        m_script.failing.clear();
        m_script.readFails.clear();
        (c.read ? m_script.readFails : m_script.failing).insert(c.failing);
        EXPECT_FALSE(Run()) << c.failing;
        EXPECT_EQ(m_setup.GetFailureCode(), c.code) << c.failing;
        EXPECT_EQ(m_log.Lines(), std::vector<std::string>{c.line}) << c.failing;
        EXPECT_EQ(m_reporter.Steps(), c.reports) << c.failing;
        ASSERT_FALSE(m_script.calls.empty());
        EXPECT_EQ(m_script.calls.back().rfind(c.failing, 0), 0U) << c.failing; // nothing after it
    }
}

TEST_F(SetupScanInstrumentTest, AFailedReadKeepsTheValueTheSetUpHad) {
    m_script.readFails = {"ReadSpan"};
    EXPECT_FALSE(Run());
    EXPECT_FLOAT_EQ(m_setup.GetCenterFrequency(), 55.0F); // read back before the failure
    EXPECT_FLOAT_EQ(m_setup.GetSpan(), 10.0F);
    EXPECT_FLOAT_EQ(m_setup.GetReferenceLevel(), 70.0F);
}

TEST_F(SetupScanInstrumentTest, TheDriversOwnCodeIsKeptWhenItsSetUpCommandFails) {
    m_script.failing = {"SetupSpectrumAnalyzer"};
    m_script.reportDriverCode = true;
    EXPECT_FALSE(Run());
    EXPECT_EQ(m_setup.GetFailureCode(), 801U);
    // The next set-up starts from 0 again.
    m_script.failing.clear();
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_setup.GetFailureCode(), 0U);
}

TEST_F(SetupScanInstrumentTest, AnRbwBelowTheMinimumFailsWith701AfterTheAnalyserHasIt) {
    m_script.rbw = 0.001F;
    m_script.rbwAllowed = false;
    EXPECT_FALSE(Run());
    EXPECT_EQ(m_setup.GetFailureCode(), 701U);
    EXPECT_EQ(m_log.Lines(),
              std::vector<std::string>{"The RBW selected by Analyzer is less than the supported min RBW."});
    EXPECT_DOUBLE_EQ(m_script.readBackRbwAtCheck, static_cast<double>(0.001F));
    EXPECT_EQ(m_reporter.Steps().back(), 15);
}

TEST_F(SetupScanInstrumentTest, ScanTypesOutsideTheRangeFailBeforeTheAnalyserIsTouched) {
    for (const uint16_t type : {98, 113, 0, 65535}) {
        m_setup.SetScanType(type);
        EXPECT_FALSE(Run()) << type;
        EXPECT_EQ(m_setup.GetFailureCode(), 2000U) << type;
        EXPECT_TRUE(m_script.calls.empty()) << type;
        EXPECT_TRUE(m_reporter.reports.empty()) << type;
        EXPECT_EQ(m_log.Lines(), std::vector<std::string>{"Scan type is not available."});
    }
    for (const uint16_t type : {99, 112}) {
        m_setup.SetScanType(type);
        EXPECT_TRUE(Run()) << type;
    }
}

TEST_F(SetupScanInstrumentTest, AnAnalyserNotDetectedOrNotConnectedFailsBeforeAnyStep) {
    m_analyzer->SetFlags(false, true);
    EXPECT_FALSE(Run());
    EXPECT_EQ(m_setup.GetFailureCode(), 501U);
    EXPECT_EQ(m_log.Lines(), std::vector<std::string>{"Can not detect spectrum analyzer."});
    m_analyzer->SetFlags(true, false);
    EXPECT_FALSE(Run());
    EXPECT_EQ(m_setup.GetFailureCode(), 502U);
    EXPECT_EQ(m_log.Lines(), std::vector<std::string>{"Can not connect to spectrum analyzer."});
    EXPECT_TRUE(m_script.calls.empty());
    EXPECT_TRUE(m_reporter.reports.empty());

    // No driver at all (a refused switch left none), or no device manager: not detected.
    m_setup.GetDeviceManager()->SetAnalyzerFactory(nullptr);
    m_setup.GetDeviceManager()->CreateAnalyzer(16);
    EXPECT_FALSE(Run());
    EXPECT_EQ(m_setup.GetFailureCode(), 501U);
    SetupScan bare;
    bare.SetScanType(99);
    EXPECT_FALSE(bare.SetupInstrument(&m_reporter));
    EXPECT_EQ(bare.GetFailureCode(), 501U);
}

TEST_F(SetupScanInstrumentTest, TheFrequencyStepFollowsThePointsTheAnalyserTook) {
    struct Case {
        int32_t points;
        float step;
    };
    // 101 points asked for over 10 MHz at 0.1 MHz.
    const std::vector<Case> cases{
        {101, 0.1F},
        {99, 0.1F},
        {103, 0.1F},
        {1, 0.1F},
        {401, static_cast<float>((10.0 - 1.0) / 400)},
        {98, static_cast<float>((10.0 - 1.0) / 97)},
    };
    for (const Case& c : cases) {
        m_script.points = c.points;
        ASSERT_TRUE(Run()) << c.points;
        EXPECT_EQ(m_setup.GetNumberOfFrequencyBuckets(), static_cast<uint32_t>(c.points));
        EXPECT_FLOAT_EQ(m_setup.GetFrequencyStep(), c.step) << c.points;
    }
}

TEST_F(SetupScanInstrumentTest, ImplausiblePointsAndRbwsFailWith700) {
    for (const int32_t points : {0, -5, 102401}) {
        m_script.points = points;
        EXPECT_FALSE(Run()) << points;
        EXPECT_EQ(m_setup.GetFailureCode(), 700U) << points;
        EXPECT_EQ(m_log.Lines(),
                  std::vector<std::string>{"Can not read Sweep Points from spectrum analyzer."});
    }
    m_script.points = 102400;
    EXPECT_TRUE(Run());

    m_script.points.reset();
    for (const float rbw : {0.0F, -1.0F, 1e-30F}) {
        m_script.rbw = rbw;
        EXPECT_FALSE(Run()) << rbw;
        EXPECT_EQ(m_setup.GetFailureCode(), 700U) << rbw;
        EXPECT_EQ(m_script.calls.back(), "IsFrequencyAllowed " + Num(rbw)); // no SetSweepPoints
    }
}

TEST_F(SetupScanInstrumentTest, AManualSweepTimeIsSentAndTheTimeReadBackReported) {
    m_setup.SetUseManualSweepTime(1);
    ASSERT_TRUE(Run());
    const std::vector<std::string> tail(m_script.calls.end() - 3, m_script.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"ReadSweepPoints", "SetSweepTimeMs 250", "ReadSweepTime"}));
    EXPECT_EQ(m_setup.GetSweepTime(), 42U);

    m_script.failing = {"SetSweepTimeMs"};
    m_setup.SetSweepTime(250);
    EXPECT_FALSE(Run());
    EXPECT_EQ(m_setup.GetFailureCode(), 510U);
    EXPECT_EQ(m_log.Lines(),
              std::vector<std::string>{"Can not send Use Manual Sweep Time command to spectrum analyzer."});
    EXPECT_EQ(m_reporter.Steps().back(), 17);
}

TEST_F(SetupScanInstrumentTest, TheDeviceManagerRunsTheSequenceAndReportsTheSwitches) {
    CDeviceManager* devices = m_setup.GetDeviceManager();
    m_script.preAmpReadBack = 0x1F0;
    ASSERT_TRUE(devices->SetupInstrument(m_setup, m_reporter));
    EXPECT_EQ(m_reporter.reports.size(), 20U);
    AnalyzerSetupState state = devices->GetAnalyzerSetupState();
    EXPECT_EQ(state.preAmpOn, 1);
    EXPECT_EQ(state.dcCoupled, 1);
    EXPECT_EQ(state.preAmpReadBack, -16); // the low byte, sign-extended
    m_script.preAmpReadBack = 0x17F;
    ASSERT_TRUE(devices->SetupInstrument(m_setup, m_reporter));
    state = devices->GetAnalyzerSetupState();
    EXPECT_EQ(state.preAmpReadBack, 127);
}

} // namespace
} // namespace orv
