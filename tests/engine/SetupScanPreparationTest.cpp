#include "engine/SetupScan.h"

#include "analyzers/CSpectrumAnalyzer.h"
#include "engine/CDeviceManager.h"
#include "platform/clock/FakeClock.h"
#include "platform/log/InformationLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;

std::string Num(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

struct Journal {
    std::vector<std::string> calls;
    std::set<std::string> failing;
    std::string sweepMode;
    int32_t pointsRead = 0;
    int32_t sweepTimeRead = 0;
    bool readFails = false;
};

class RecordingAnalyzer final : public CSpectrumAnalyzer {
public:
    explicit RecordingAnalyzer(Journal& journal) : m_journal(journal) {}

    std::string GetSweepMode() override { return m_journal.sweepMode; }
    int32_t GetGateLength(float rbw) override { return rbw > 0.5F ? 20 : 0; }
    bool SetDisplayOn(bool on) override { return Call("SetDisplayOn", on ? 1 : 0); }
    bool SetContinuousSweep(bool on) override { return Call("SetContinuousSweep", on ? 1 : 0); }
    bool SetTraceFormat() override { return Call("SetTraceFormat"); }
    bool SetAutoSweep(int32_t value) override { return Call("SetAutoSweep", value); }
    bool SetInternalTriger(int32_t value) override { return Call("SetInternalTriger", value); }
    bool SetSweepTimeFloat(float ms) override { return Call("SetSweepTimeFloat", ms); }
    bool SetSweepPoints(int32_t count) override { return Call("SetSweepPoints", count); }
    bool SetSpectralSweepPoints(int32_t count) override { return Call("SetSpectralSweepPoints", count); }
    bool TriggeredSweep() override { return Call("TriggeredSweep"); }
    int32_t ReadSweepPoints() override {
        Call("ReadSweepPoints");
        SetQueryValid(!m_journal.readFails);
        return m_journal.pointsRead;
    }
    int32_t ReadSweepTime() override {
        Call("ReadSweepTime");
        return m_journal.sweepTimeRead;
    }
    void WaitSettle(float rbw) override { Call("WaitSettle", rbw); }

private:
    bool Call(const std::string& name) {
        m_journal.calls.push_back(name);
        return !m_journal.failing.contains(name);
    }
    bool Call(const std::string& name, double argument) {
        m_journal.calls.push_back(name + " " + Num(argument));
        return !m_journal.failing.contains(name);
    }

    Journal& m_journal;
};

class SetupScanPreparationTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previousSink = InformationLog::Instance().SetSink(
            [this](uint8_t kind, const std::string& line) { m_lines.emplace_back(kind, line); });
        CDeviceManager* devices = m_setup.CreateDeviceManager();
        devices->SetAnalyzerFactory([this](int32_t) -> std::unique_ptr<CSpectrumAnalyzer> {
            return std::make_unique<RecordingAnalyzer>(m_journal);
        });
        m_analyzer = devices->CreateAnalyzer(1);
        m_setup.SetRows(3);
        m_setup.SetColumns(4);
        m_setup.SetRBW(1.0F);
        m_journal.pointsRead = 13;
        m_journal.sweepTimeRead = 260;
    }
    void TearDown() override { InformationLog::Instance().SetSink(m_previousSink); }

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (const auto& [kind, line] : m_lines) {
            // The log stamps each line with the time; the text follows the stamp.
            const size_t text = line.find(" --- ");
            lines.push_back(std::to_string(kind) + " " +
                            (text == std::string::npos ? line : line.substr(text + 5)));
        }
        return lines;
    }

    FakeClock m_clock;
    ScopedClockInstall m_clockInstall{m_clock};
    InformationLog::Sink m_previousSink;
    std::vector<std::pair<uint8_t, std::string>> m_lines;
    Journal m_journal;
    SetupScan m_setup;
    CSpectrumAnalyzer* m_analyzer = nullptr;
};

TEST_F(SetupScanPreparationTest, SpatialPreparationFollowsTheSweepMode) {
    struct Case {
        const char* mode;
        std::vector<std::string> calls;
        std::vector<Clock::Duration> pauses;
    };
    const std::vector<Case> cases{
        {"gatedVIDEO",
         {"SetDisplayOn 0", "SetContinuousSweep 0", "SetInternalTriger 0", "SetTraceFormat",
          "SetSweepTimeFloat 0.1", "SetSweepPoints 2", "TriggeredSweep"},
         {100ms, 100ms}},
        {"",
         {"SetTraceFormat", "SetSpectralSweepPoints 12", "ReadSweepPoints", "SetInternalTriger 0",
          "SetSweepTimeFloat 0.26", "ReadSweepTime", "SetContinuousSweep 0", "WaitSettle 1"},
         {}},
        {"MultipleGatedSweep",
         {"SetTraceFormat", "SetSpectralSweepPoints 12", "ReadSweepPoints", "SetSweepTimeFloat 0.26",
          "ReadSweepTime", "SetContinuousSweep 1", "SetInternalTriger 0", "WaitSettle 1"},
         {}},
        {"Probes",
         {"SetTraceFormat", "SetSpectralSweepPoints 12", "ReadSweepPoints", "SetInternalTriger 0",
          "SetSweepTimeFloat 0.26", "ReadSweepTime", "SetContinuousSweep 1", "WaitSettle 1"},
         {}},
    };
    for (const Case& c : cases) {
        m_journal.sweepMode = c.mode;
        m_journal.calls.clear();
        m_clock.ClearPauses();
        EXPECT_TRUE(m_setup.SetupSpatialScan()) << c.mode;
        EXPECT_EQ(m_journal.calls, c.calls) << c.mode;
        EXPECT_EQ(m_clock.Pauses(), c.pauses) << c.mode;
        if (std::string(c.mode) != "gatedVIDEO") {
            EXPECT_EQ(m_setup.GetNumberOfFrequencyBuckets(), 13U) << c.mode;
            EXPECT_EQ(m_setup.GetSweepTime(), 260U) << c.mode;
        }
    }
    EXPECT_TRUE(m_lines.empty());
    EXPECT_EQ(m_setup.GetFailureCode(), 0U);
}

TEST_F(SetupScanPreparationTest, EachSpatialStepStopsTheSequenceWithItsMessage) {
    struct Case {
        const char* mode;
        const char* failing;
        const char* line; // null: the mode logs nothing
    };
    const std::vector<Case> cases{
        {"Probes", "SetTraceFormat", "Can not set Real Format to spectrum analyzer for Spatial scan."},
        {"Probes", "SetSpectralSweepPoints",
         "Can not set Sweep Points to spectrum analyzer for Spatial scan."},
        {"Probes", "SetSweepTimeFloat", "Can not set sweep time to spectrum analyzer for Spatial scan."},
        {"Probes", "SetContinuousSweep", "Can not set Single Sweep to spectrum analyzer for Spatial scan."},
        {"Probes", "SetInternalTriger", "Can not set sweep points to spectrum analyzer for Spatial scan."},
        {"MultipleGatedSweep", "SetInternalTriger",
         "Can not set sweep points to spectrum analyzer for Spatial scan."},
        {"MultipleGatedSweep", "SetContinuousSweep",
         "Can not set Single Sweep to spectrum analyzer for Spatial scan."},
        {"", "SetSweepTimeFloat", nullptr},
        {"GatedVideo", "TriggeredSweep", nullptr},
    };
    for (const Case& c : cases) {
        m_journal.sweepMode = c.mode;
        m_journal.failing = {c.failing};
        m_journal.calls.clear();
        m_lines.clear();
        EXPECT_FALSE(m_setup.SetupSpatialScan()) << c.mode << " " << c.failing;
        ASSERT_FALSE(m_journal.calls.empty());
        EXPECT_EQ(m_journal.calls.back().rfind(c.failing, 0), 0U) << c.mode << " " << c.failing;
        EXPECT_EQ(Lines(), c.line != nullptr ? std::vector<std::string>{std::string("1 ") + c.line}
                                             : std::vector<std::string>{})
            << c.mode << " " << c.failing;
    }
}

TEST_F(SetupScanPreparationTest, AFailedReadEndsTheSpatialPreparationWith700) {
    m_journal.sweepMode = "Probes";
    m_journal.readFails = true;
    EXPECT_FALSE(m_setup.SetupSpatialScan());
    EXPECT_EQ(m_setup.GetFailureCode(), 700U);
}

TEST_F(SetupScanPreparationTest, SpectralPreparationAndItsFailures) {
    ASSERT_TRUE(m_setup.SetupSpectralScan());
    EXPECT_EQ(m_journal.calls,
              (std::vector<std::string>{"SetDisplayOn 1", "SetContinuousSweep 1", "SetTraceFormat"}));
    const std::vector<std::pair<const char*, const char*>> cases{
        {"SetDisplayOn", "Can not set display on to spectrum analyzer for Spectral scan."},
        {"SetContinuousSweep", "Can not set Single Sweep to spectrum analyzer for Spectral scan."},
        {"SetTraceFormat", "Can not set Real Format to spectrum analyzer for Spectral scan."},
    };
    for (const auto& [failing, line] : cases) {
        m_journal.failing = {failing};
        m_lines.clear();
        EXPECT_FALSE(m_setup.SetupSpectralScan()) << failing;
        EXPECT_EQ(Lines(), std::vector<std::string>{std::string("1 ") + line});
    }
    m_journal.failing.clear();
    m_lines.clear();
    m_analyzer->SetQueryValid(false);
    EXPECT_FALSE(m_setup.SetupSpectralScan());
    EXPECT_EQ(m_setup.GetFailureCode(), 700U);
    EXPECT_EQ(Lines(), std::vector<std::string>{"1 Can not read data from spectrum analyzer."});
}

TEST_F(SetupScanPreparationTest, PeakPreparationAndItsFailures) {
    ASSERT_TRUE(m_setup.SetupPeakScan());
    EXPECT_EQ(m_journal.calls,
              (std::vector<std::string>{"SetAutoSweep 1", "SetInternalTriger 1", "SetContinuousSweep 1"}));
    const std::vector<std::pair<const char*, const char*>> cases{
        {"SetAutoSweep", "Can not set Auto Sweep to spectrum analyzer for Peak scans."},
        {"SetInternalTriger", "Can not set Internal Trigger to spectrum analyzer for Peak scans."},
        {"SetContinuousSweep", "Can not set Single Sweep to spectrum analyzer for Peak scans."},
    };
    for (const auto& [failing, line] : cases) {
        m_journal.failing = {failing};
        m_lines.clear();
        EXPECT_FALSE(m_setup.SetupPeakScan()) << failing;
        EXPECT_EQ(Lines(), std::vector<std::string>{std::string("1 ") + line});
    }
}

TEST_F(SetupScanPreparationTest, WithoutAnAnalyserNothingIsPrepared) {
    SetupScan bare;
    EXPECT_FALSE(bare.SetupSpatialScan());
    bare.CreateDeviceManager();
    EXPECT_FALSE(bare.SetupSpectralScan());
    EXPECT_FALSE(bare.SetupPeakScan());
    EXPECT_FALSE(bare.SetupSpatialScan());
}

} // namespace
} // namespace orv
