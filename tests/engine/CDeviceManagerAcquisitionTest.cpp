#include "engine/CDeviceManager.h"

#include "analyzers/CSpectrumAnalyzer.h"
#include "engine/CSecondPassSource.h"
#include "engine/ScanStopFlag.h"
#include "engine/SetupScan.h"
#include "engine/scanners/CNoScannerBoard.h"
#include "platform/clock/FakeClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <limits>
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

// What the doubles were asked, in order, and which operations they fail.
struct Journal {
    std::vector<std::string> events;
    std::set<std::string> failing;
    bool Fails(const std::string& op) const { return failing.contains(op); }
};

class ScannerDouble final : public CNoScannerBoard {
public:
    explicit ScannerDouble(Journal& journal) : m_journal(journal) {}

    bool SwitchToCell() override {
        m_journal.events.push_back("switch " + std::to_string(GetCellRow()) + "," +
                                   std::to_string(GetCellColumn()) + " h" + Num(GetCellHeight()) + " w" +
                                   std::to_string(GetStepWordA()) + "/" + std::to_string(GetStepWordB()) +
                                   " m" + std::to_string(GetSwitchMode()));
        return !m_journal.Fails("SwitchToCell");
    }
    void SetProbeHeight(uint16_t height) override {
        m_journal.events.push_back("height " + std::to_string(static_cast<int16_t>(height)));
    }
    uint8_t GetSwitchMode() const override { return m_mode; }
    void SetSwitchMode(uint8_t mode) override { m_mode = mode; }
    bool Reconnect() override {
        m_journal.events.push_back("reconnect");
        return !m_journal.Fails("Reconnect");
    }

private:
    Journal& m_journal;
    uint8_t m_mode = 0;
};

// An analyser whose sweeps give the journal's trace and whose markers give scripted frequencies.
class AnalyzerDouble final : public CSpectrumAnalyzer {
public:
    explicit AnalyzerDouble(Journal& journal) : m_journal(journal) {}

    std::vector<float> trace{1.0F, 2.0F, 3.0F};
    std::vector<float> markers; // the answers of the successive marker reads
    bool noData = false;

    bool SetSpan(float mhz) override { return Record("SetSpan", mhz); }
    bool SetSweepPoints(int32_t count) override { return Record("SetSweepPoints", count); }
    bool SetCenterFrequency(float mhz) override { return Record("SetCenterFrequency", mhz); }
    bool SweepAndWait() override { return Record("SweepAndWait"); }
    bool MarkPeak() override { return Record("MarkPeak"); }
    bool SetMarkerCount(bool on) override { return Record("SetMarkerCount", on ? 1 : 0); }
    bool SetInternalTriger(int32_t value) override { return Record("SetInternalTriger", value); }
    void PresetModel() override { Record("PresetModel"); }
    int32_t ReadSweepPoints() override {
        Record("ReadSweepPoints");
        return m_sweepPoints;
    }
    const float* QueryScan() override {
        Record("QueryScan");
        m_sweepPoints = static_cast<int32_t>(trace.size());
        if (noData) {
            return nullptr;
        }
        SetQueryValid(!m_journal.Fails("QueryScan"));
        return trace.data();
    }
    float ReadMarkerFrequency(int32_t marker) override {
        Record("ReadMarkerFrequency", marker);
        SetQueryValid(!m_journal.Fails("ReadMarkerFrequency"));
        const float value = m_markerIndex < markers.size() ? markers[m_markerIndex] : 0.0F;
        ++m_markerIndex;
        return value;
    }

private:
    bool Record(const std::string& op) {
        m_journal.events.push_back(op);
        return !m_journal.Fails(op);
    }
    bool Record(const std::string& op, double argument) {
        m_journal.events.push_back(op + " " + Num(argument));
        return !m_journal.Fails(op);
    }

    Journal& m_journal;
    size_t m_markerIndex = 0;
};

class SecondPassDouble final : public CSecondPassSource {
public:
    SecondPassDouble(bool flag, int32_t value) : m_flag(flag), m_value(value) {}
    bool GetSecondPassFlag() const override { return m_flag; }
    int32_t GetSecondPassValue() const override { return m_value; }

private:
    bool m_flag;
    int32_t m_value;
};

class CDeviceManagerAcquisitionTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_manager.SetScannerMaker(eProbeType::NoScanner,
                                  [this] { return std::make_unique<ScannerDouble>(m_journal); });
        ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::NoScanner));
        m_manager.SetAnalyzerFactory([this](int32_t) -> std::unique_ptr<CSpectrumAnalyzer> {
            return std::make_unique<AnalyzerDouble>(m_journal);
        });
        m_analyzer = static_cast<AnalyzerDouble*>(m_manager.CreateAnalyzer(1));
        m_manager.SetAcquisitionSources(&m_setup, &m_stop);
        m_setup.SetStartFrequency(100.0F);
        m_setup.SetStopFrequency(200.0F);
        m_setup.SetSpan(100.0F);
        m_setup.SetPeakError(0.1F);
        m_journal.events.clear();
    }

    // The buffer's first values, as the runners would read them.
    std::vector<float> Result() const {
        auto& manager = const_cast<CDeviceManager&>(m_manager);
        return {manager.GetTraceBuffer(), manager.GetTraceBuffer() + manager.GetTraceLength()};
    }
    std::vector<int> Flags() const {
        return {m_manager.GetScannerReady(), m_manager.GetAnalyzerReady(), m_manager.GetReadOk()};
    }

    FakeClock m_clock;
    ScopedClockInstall m_clockInstall{m_clock};
    Journal m_journal;
    SetupScan m_setup;
    ScanStopFlag m_stop;
    CDeviceManager m_manager;
    AnalyzerDouble* m_analyzer = nullptr;
};

TEST_F(CDeviceManagerAcquisitionTest, StoreResultKeepsThePreviousValuesUnlessTheReadSucceeded) {
    const std::vector<float> first{4.0F, 5.0F};
    ASSERT_TRUE(m_manager.StoreResult(first.data(), 2));
    EXPECT_EQ(Result(), first);

    const std::vector<float> second{7.0F, 8.0F, 9.0F};
    m_analyzer->SetQueryValid(false);
    EXPECT_FALSE(m_manager.StoreResult(second.data(), 3));
    EXPECT_EQ(Result(), first);

    m_analyzer->SetQueryValid(true);
    const std::vector<float> tooLong(CDeviceManager::kTraceCapacity + 1, 1.0F);
    EXPECT_FALSE(m_manager.StoreResult(tooLong.data(), static_cast<int32_t>(tooLong.size())));
    EXPECT_FALSE(m_manager.StoreResult(second.data(), -1));
    EXPECT_EQ(Result(), first);

    const std::vector<float> full(CDeviceManager::kTraceCapacity, 2.5F);
    ASSERT_TRUE(m_manager.StoreResult(full.data(), static_cast<int32_t>(full.size())));
    EXPECT_EQ(Result(), full);
}

TEST_F(CDeviceManagerAcquisitionTest, TraceAtACellSwitchesSweepsAndStores) {
    m_manager.SetSecondPassSource(std::make_shared<SecondPassDouble>(true, 1));
    ASSERT_TRUE(m_manager.MeasureCellTrace(3, 4, 12, 2, 16, false));
    EXPECT_EQ(m_journal.events,
              (std::vector<std::string>{"switch 3,4 h12 w2/16 m1", "SweepAndWait", "QueryScan"}));
    EXPECT_EQ(Result(), m_analyzer->trace);
    EXPECT_EQ(Flags(), (std::vector<int>{1, 1, 1}));
}

TEST_F(CDeviceManagerAcquisitionTest, SwitchModeIsOneOnlyWhenBothSecondPassValuesAreOne) {
    struct Case {
        bool flag;
        int32_t value;
        uint8_t mode;
    };
    for (const Case c : {Case{true, 1, 1}, Case{true, 2, 0}, Case{false, 1, 0}}) {
        m_manager.SetSecondPassSource(std::make_shared<SecondPassDouble>(c.flag, c.value));
        EXPECT_EQ(m_manager.GetSwitchModeValue(), c.mode) << c.flag << " " << c.value;
    }
    m_manager.SetSecondPassSource(nullptr);
    EXPECT_EQ(m_manager.GetSwitchModeValue(), 0);
}

TEST_F(CDeviceManagerAcquisitionTest, TheCurrentPositionAndTheHandHeldCallLeaveTheSwitchOut) {
    ASSERT_TRUE(m_manager.MeasureCellTrace(-1, 4, 12, 0, 1, false));
    EXPECT_EQ(m_journal.events, (std::vector<std::string>{"SweepAndWait", "QueryScan"}));
    EXPECT_EQ(m_manager.GetScanner()->GetCellHeight(), 0.0F);

    m_journal.events.clear();
    ASSERT_TRUE(m_manager.MeasureCellTrace(5, 6, 9, 0, 1, true));
    EXPECT_EQ(m_journal.events, (std::vector<std::string>{"SweepAndWait", "QueryScan"}));
    const CScanner* scanner = m_manager.GetScanner();
    EXPECT_EQ(scanner->GetCellRow(), 5);
    EXPECT_EQ(scanner->GetCellColumn(), 6);
    EXPECT_EQ(scanner->GetCellHeight(), 9.0F);
}

TEST_F(CDeviceManagerAcquisitionTest, EachTraceFailureClearsItsOwnFlagAndKeepsTheBuffer) {
    const std::vector<float> kept{42.0F};
    ASSERT_TRUE(m_manager.StoreResult(kept.data(), 1));
    struct Case {
        const char* failing;
        bool noData;
        std::vector<int> flags;
    };
    const std::vector<Case> cases{
        {"SwitchToCell", false, {0, 1, 1}},
        {"SweepAndWait", false, {1, 0, 1}},
        {"QueryScan", false, {1, 1, 0}},
        {"", true, {1, 1, 1}}, // no data: the cell is skipped, nothing failed
    };
    for (const Case& c : cases) {
        m_journal.failing = {c.failing};
        m_analyzer->noData = c.noData;
        EXPECT_FALSE(m_manager.MeasureCellTrace(0, 0, 0, 0, 1, false)) << c.failing;
        EXPECT_EQ(Flags(), c.flags) << c.failing;
        EXPECT_EQ(Result(), kept) << c.failing;
    }
}

TEST_F(CDeviceManagerAcquisitionTest, MissingDevicesFailWithTheirFlag) {
    CDeviceManager bare;
    EXPECT_FALSE(bare.MeasureCellTrace(1, 1, 0, 0, 1, false));
    EXPECT_EQ(bare.GetScannerReady(), 0);
    EXPECT_FALSE(bare.MeasureCellTrace(-1, -1, 0, 0, 1, false));
    EXPECT_EQ(bare.GetAnalyzerReady(), 0);
    EXPECT_FALSE(bare.MeasurePeakWindow(-1, -1, 0, 150.0F, 1.0F, false, 0.1F));
    EXPECT_EQ(bare.GetAnalyzerReady(), 0);
    EXPECT_FALSE(bare.ReconnectScanner());
    bare.RestoreAnalyzerAfterSpatialScan();
    bare.ApplyProbeHeight();
}

TEST_F(CDeviceManagerAcquisitionTest, ProbeHeightIsTheHighestActiveCellNeverBelowTheDefault) {
    struct Case {
        const char* name;
        int16_t rows;
        std::vector<uint8_t> map;
        std::vector<uint16_t> heights;
        std::string sent;
    };
    const std::vector<Case> cases{
        {"no rows", 0, {}, {}, "height 30"},
        {"every active cell lower", 2, {1, 1, 1, 1}, {5, 10, 29, 0}, "height 30"},
        {"highest active cell", 2, {1, 0, 1, 1}, {5, 90, 45, 31}, "height 45"},
        {"heights compared signed", 2, {1, 1, 1, 1}, {0xFFFF, 0x8000, 1, 2}, "height 30"},
    };
    for (const Case& c : cases) {
        m_setup.SetRows(c.rows);
        m_setup.SetColumns(2);
        m_setup.SetDefaultProbeHeight(30.9F);
        m_setup.SetProbeCellMap(c.map.data(), static_cast<uint32_t>(c.map.size()));
        m_setup.SetCellValues(c.heights.data(), static_cast<uint32_t>(c.heights.size()));
        m_journal.events.clear();
        m_manager.ApplyProbeHeight();
        EXPECT_EQ(m_journal.events, std::vector<std::string>{c.sent}) << c.name;
    }
}

TEST_F(CDeviceManagerAcquisitionTest, TheFirstWindowIsClampedToTheStartAndCentredInIt) {
    // 2 steps above the start: the window 99.7 .. 100.7 starts at 100 instead.
    m_analyzer->markers = {100.25F, 100.3F};
    ASSERT_TRUE(m_manager.MeasureCellPeak(-1, -1, 0, 100.2F, 0.1F));
    ASSERT_GE(m_journal.events.size(), 3U);
    EXPECT_EQ(m_journal.events[0], "SetSpan " + Num(100.7F - 100.0F));
    EXPECT_EQ(m_journal.events[1], "SetSweepPoints 7");
    EXPECT_EQ(m_journal.events[2], "SetCenterFrequency " + Num((100.0F + 100.7F) / 2.0F));
    // The second zoom, 5 steps around the first result, lies inside the range.
    const std::vector<std::string> second(m_journal.events.begin() + 7, m_journal.events.end());
    EXPECT_EQ(second, (std::vector<std::string>{"SetSpan " + Num(0.5F), "SetSweepPoints 5",
                                                "SetCenterFrequency " + Num(100.25F), "SweepAndWait",
                                                "QueryScan", "MarkPeak", "ReadMarkerFrequency 0"}));
    EXPECT_FLOAT_EQ(m_manager.GetMeasuredFrequency(), 100.3F);
}

TEST_F(CDeviceManagerAcquisitionTest, WithNoPeakToleranceTheFirstResultIsTheAnswer) {
    m_setup.SetPeakError(0.0F);
    m_analyzer->markers = {150.4F};
    ASSERT_TRUE(m_manager.MeasureCellPeak(2, 3, 7, 150.0F, 0.1F));
    EXPECT_EQ(m_journal.events.front(), "height 0");
    EXPECT_EQ(std::count(m_journal.events.begin(), m_journal.events.end(), "SweepAndWait"), 1);
    EXPECT_FLOAT_EQ(m_manager.GetMeasuredFrequency(), 150.4F);
}

TEST_F(CDeviceManagerAcquisitionTest, AStopRequestEndsThePeakMeasurementBeforeASweep) {
    m_stop.RequestStop();
    EXPECT_TRUE(m_manager.MeasureCellPeak(1, 1, 0, 150.0F, 0.1F));
    EXPECT_EQ(std::count(m_journal.events.begin(), m_journal.events.end(), "SweepAndWait"), 0);
}

TEST_F(CDeviceManagerAcquisitionTest, TheSecondMarkerPathSweepsAgainAndStoresTheTrace) {
    m_analyzer->markers = {150.1F};
    ASSERT_TRUE(m_manager.MeasurePeakWindow(-1, -1, 0, 150.0F, 1.0F, true, 0.1F));
    EXPECT_EQ(
        m_journal.events,
        (std::vector<std::string>{"SetSpan 1", "SetSweepPoints 10", "SetCenterFrequency 150", "SweepAndWait",
                                  "QueryScan", "MarkPeak", "SetMarkerCount 1", "SweepAndWait",
                                  "ReadMarkerFrequency 1", "QueryScan", "SetMarkerCount 0"}));
    EXPECT_FLOAT_EQ(m_manager.GetMeasuredFrequency(), 150.1F);
}

TEST_F(CDeviceManagerAcquisitionTest, EachPeakWindowFailureClearsItsOwnFlag) {
    struct Case {
        const char* failing;
        bool secondMarker;
        std::vector<int> flags;
    };
    const std::vector<Case> cases{
        {"SetSpan", false, {1, 0, 1}},       {"SetSweepPoints", false, {1, 0, 1}},
        {"SweepAndWait", false, {1, 0, 1}},  {"QueryScan", false, {1, 1, 0}},
        {"MarkPeak", false, {1, 0, 1}},      {"ReadMarkerFrequency", false, {1, 1, 0}},
        {"SetMarkerCount", true, {1, 0, 1}}, {"ReadMarkerFrequency", true, {1, 1, 0}},
        {"SwitchToCell", false, {0, 1, 1}},
    };
    for (const Case& c : cases) {
        m_journal.failing = {c.failing};
        EXPECT_FALSE(m_manager.MeasurePeakWindow(1, 1, 0, 150.0F, 1.0F, c.secondMarker, 0.1F)) << c.failing;
        EXPECT_EQ(Flags(), c.flags) << c.failing << " " << c.secondMarker;
    }
}

TEST_F(CDeviceManagerAcquisitionTest, AWindowWithoutAPositiveStepIsRefusedBeforeAnySetting) {
    for (const float step : {0.0F, -0.1F, std::numeric_limits<float>::quiet_NaN()}) {
        m_journal.events.clear();
        EXPECT_FALSE(m_manager.MeasurePeakWindow(-1, -1, 0, 150.0F, 1.0F, false, step));
        EXPECT_EQ(m_manager.GetAnalyzerReady(), 0);
        EXPECT_TRUE(m_journal.events.empty()) << step;
    }
    // A point count beyond 32 bits is refused as well.
    EXPECT_FALSE(m_manager.MeasurePeakWindow(-1, -1, 0, 150.0F, 1.0e9F, false, 1.0e-6F));
    EXPECT_TRUE(m_journal.events.empty());
}

TEST_F(CDeviceManagerAcquisitionTest, EndOfSpatialScanAndReconnect) {
    m_manager.RestoreAnalyzerAfterSpatialScan();
    EXPECT_TRUE(m_manager.ReconnectScanner());
    m_journal.failing = {"Reconnect"};
    EXPECT_FALSE(m_manager.ReconnectScanner());
    EXPECT_EQ(m_journal.events,
              (std::vector<std::string>{"SetInternalTriger 1", "PresetModel", "reconnect", "reconnect"}));
}

} // namespace
} // namespace orv
