#include "engine/SetupScan.h"
#include "engine/ScanStopFlag.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(SetupScan, StartsWithItsDefaults) {
    const SetupScan setup;
    EXPECT_EQ(setup.GetScanner(), nullptr);
    EXPECT_EQ(setup.GetAnalyzer(), nullptr);
    EXPECT_EQ(setup.GetAnalyzerConnection(), nullptr);
    EXPECT_EQ(setup.GetTeardownFlag(), 0);
    EXPECT_EQ(setup.GetManualTimingFlag(), 0);
    EXPECT_EQ(setup.GetManualGateLength(), 500);
    EXPECT_EQ(setup.GetManualSwitchTime(), 10);
    EXPECT_EQ(setup.GetManualSwitchWait(), 10);
    EXPECT_EQ(setup.GetAnalyzerModelCode(), -1);
    EXPECT_EQ(setup.GetProbeCellMap(), nullptr);
    EXPECT_EQ(setup.GetCellCount(), 0U);
    const SetupScanValues values = setup.GetValues();
    EXPECT_EQ(values.scanType, 0);
    EXPECT_EQ(values.rows, 0);
    EXPECT_EQ(values.numberOfFrequencyBuckets, 0U);
    EXPECT_EQ(values.peakPoints, 0);
    EXPECT_EQ(values.goMode, 0);
    EXPECT_EQ(values.frequencyStep, 0.0F);
    EXPECT_EQ(values.scanBytes, (std::array<uint8_t, 4>{0, 0, 0, 0}));
}

TEST(SetupScan, MapAndValueSettersCopyAndRunnersKeepWhatTheyTook) {
    SetupScan setup;
    uint8_t map[4] = {1, 0, 1, 1};
    const uint16_t values[4] = {10, 20, 30, 40};
    setup.SetProbeCellMap(map, 4);
    setup.SetCellValues(values, 4);
    map[0] = 0; // the set-up holds its own copy
    const auto taken = setup.GetProbeCellMap();
    EXPECT_EQ(*taken, (std::vector<uint8_t>{1, 0, 1, 1}));
    EXPECT_EQ(setup.GetCellCount(), 4U);
    const uint8_t smaller[2] = {1, 1};
    setup.SetProbeCellMap(smaller, 2);
    EXPECT_EQ(taken->size(), 4U);
    EXPECT_EQ(setup.GetCellCount(), 2U);
    EXPECT_EQ(setup.GetCellValues()->at(3), 40);
}

TEST(SetupScan, ApplyingASetUpKeepsTheGoModeModelCodeAndFrequencyStep) {
    SetupScan setup;
    setup.SetGoMode(1);
    setup.SetAnalyzerModelCode(25);
    setup.SetFrequencyStep(0.5F);
    SetupScanValues values;
    values.scanType = 100;
    values.peakPoints = -5;
    values.peakDevs = -1;
    values.goMode = 0;
    values.analyzerModelCode = 3;
    setup.ApplySetup(values);
    EXPECT_EQ(setup.GetScanType(), 100);
    EXPECT_EQ(setup.GetPeakPoints(), -5);
    EXPECT_EQ(setup.GetPeakDevs(), -1);
    EXPECT_EQ(setup.GetGoMode(), 1);
    EXPECT_EQ(setup.GetAnalyzerModelCode(), 25);
    EXPECT_EQ(setup.GetFrequencyStep(), 0.5F);
}

TEST(SetupScan, AnswersTheAnalysersWithItsGridTeardownAndScanToken) {
    SetupScan setup;
    ScanStopFlag flag;
    const AnalyzerScanSetup& seen = setup;
    EXPECT_FALSE(seen.GetScanStopToken().stop_possible());
    setup.SetStopFlag(&flag);
    SetupScanValues values;
    values.rows = 2;
    values.columns = 2;
    values.probeCellMap = std::make_shared<const std::vector<uint8_t>>(std::vector<uint8_t>{1, 0, 0, 1});
    setup.ApplySetup(values);
    EXPECT_EQ(seen.GetGridRows(), 2);
    EXPECT_EQ(seen.GetGridColumns(), 2);
    EXPECT_EQ(seen.GetActiveCells(), (std::vector<uint8_t>{1, 0, 0, 1}));
    EXPECT_FALSE(seen.IsTearingDown());
    setup.SetTeardownFlag(1);
    EXPECT_TRUE(seen.IsTearingDown());
    setup.SetRBW(0.12F);
    EXPECT_DOUBLE_EQ(seen.GetAppliedRbw(), static_cast<double>(0.12F));
    EXPECT_FALSE(seen.IsManualTimingOn());
    setup.SetManualTimingFlag(1);
    setup.SetManualSwitchTime(25);
    EXPECT_TRUE(seen.IsManualTimingOn());
    EXPECT_EQ(seen.GetManualSwitchTime(), 25);
    // A driver's failure report reaches the set-up the reply is built from.
    seen.SetFailureCode(712);
    EXPECT_EQ(setup.GetFailureCode(), 712U);
    const std::stop_token token = seen.GetScanStopToken();
    EXPECT_FALSE(token.stop_requested());
    flag.RequestStop();
    EXPECT_TRUE(token.stop_requested());
}

TEST(ScanStopFlag, AfterShutdownEveryScanTokenHasFired) {
    ScanStopFlag flag;
    flag.FireForShutdown();
    flag.BeginScan();
    EXPECT_TRUE(flag.GetStopToken().stop_requested());
    EXPECT_EQ(flag.GetStopRequest(), 0);
}

TEST(ScanStopFlag, AStopBeforeANewScanDoesNotReachIt) {
    ScanStopFlag flag;
    EXPECT_EQ(flag.GetStopRequest(), 0);
    EXPECT_EQ(flag.GetStopAcknowledged(), 0);
    flag.SetStopAcknowledged(1);
    flag.RequestStop();
    EXPECT_EQ(flag.GetStopRequest(), 1);
    EXPECT_EQ(flag.GetStopAcknowledged(), 0);
    EXPECT_TRUE(flag.GetStopToken().stop_requested());
    flag.BeginScan();
    EXPECT_EQ(flag.GetStopRequest(), 0);
    EXPECT_FALSE(flag.GetStopToken().stop_requested());
}

} // namespace
} // namespace orv
