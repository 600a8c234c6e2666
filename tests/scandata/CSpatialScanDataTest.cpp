#include "scandata/CSpatialScanData.h"

#include "scandata/CSpatialDataAtom.h"
#include "scandata/QSSSpatialSnapshot.h"
#include "tests/scandata/support/ScanDataFakes.h"
#include "tests/scandata/support/ScanRecordFixtures.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using testing::FakeScanDataMediator;
using testing::ScanCorrectionFolder;

constexpr int16_t kNo = 30000;

std::unique_ptr<CSpatialScanData> MirtScan(uint16_t rows, uint16_t columns, std::vector<int16_t> values,
                                           float frequency = 200.0F, QScanDataMediator* mediator = nullptr) {
    auto scan = std::make_unique<CSpatialScanData>();
    scan->m_Mediator = mediator;
    scan->SetProbeScanPatternSize(rows, columns);
    scan->m_CenterFrequency = frequency;
    scan->m_Values = std::move(values);
    return scan;
}

std::unique_ptr<CSpatialScanData> ZeltScan(uint16_t rows, uint16_t columns, uint8_t level,
                                           std::vector<CZeltSpatialRecord> records,
                                           float frequency = 200.0F) {
    auto scan = std::make_unique<CSpatialScanData>();
    scan->SetProbeScanPatternSize(rows, columns);
    scan->m_CenterFrequency = frequency;
    scan->m_IsZeltData = 1;
    scan->m_ZeltLevel = level;
    scan->m_ZeltRecords = std::move(records);
    return scan;
}

FakeScanDataMediator CompensatingMediator(uint32_t mode, float referenceLevel = 5.0F) {
    FakeScanDataMediator mediator;
    mediator.m_Settings.m_CorrectionSetName = ScanCorrectionFolder::kHead;
    mediator.m_Settings.m_Mode = mode;
    mediator.m_Settings.m_ReferenceLevel = referenceLevel;
    return mediator;
}

TEST(CSpatialScanData, MirtSnapshotKeepsFirstExtremesAndSkipsEmptyCells) {
    struct Case {
        const char* name;
        std::vector<int16_t> values;
        uint32_t marked;
        float min, max;
        uint16_t minRow, minColumn, maxRow, maxColumn;
    };
    const std::vector<Case> cases = {
        {"mixed", {kNo, -50, 200, 200, kNo, -50}, 4, -50.0F, 200.0F, 0, 1, 0, 2},
        {"all empty", {kNo, kNo, kNo, kNo, kNo, kNo}, 0, 10000.0F, -10000.0F, 0, 0, 0, 0},
        {"one cell", {kNo, kNo, kNo, kNo, -7, kNo}, 1, -7.0F, -7.0F, 1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto scan = MirtScan(2, 3, c.values, 150.0F);
        scan->BuildSpatialSnapshot();
        EXPECT_EQ(scan->m_ProbeScanPattern.GetProbeOnCount(), c.marked);
        EXPECT_EQ(scan->m_MinValue, c.min);
        EXPECT_EQ(scan->m_MaxValue, c.max);
        EXPECT_EQ(scan->m_MinRow, c.minRow);
        EXPECT_EQ(scan->m_MinColumn, c.minColumn);
        EXPECT_EQ(scan->m_MaxRow, c.maxRow);
        EXPECT_EQ(scan->m_MaxColumn, c.maxColumn);
        for (uint16_t r = 0; r < 2; ++r) {
            for (uint16_t col = 0; col < 3; ++col) {
                const int16_t value = c.values[r * 3 + col];
                EXPECT_EQ(scan->m_SpatialSnapshot->GetRawAmplitude(r, col), value);
                EXPECT_EQ(scan->m_ProbeScanPattern.IsProbeOn(r, col), value != kNo);
                if (value != kNo) {
                    EXPECT_EQ(scan->m_SpatialSnapshot->GetFrequency(r, col), 150.0F);
                }
            }
        }
    }
}

TEST(CSpatialScanData, ZeltSnapshotTruncatesOverwritesAndSkipsRecordsOutsideTheGrid) {
    auto scan = ZeltScan(2, 3, 1,
                         {{0, 0, 0, 0, 12.7F},
                          {0, 0, 1, 1, -3.9F},
                          {1, 2, 0, 0, 40.0F},
                          {5, 0, 0, 0, 99.0F},
                          {0, 9, 0, 0, -99.0F}});
    scan->Prepare();
    EXPECT_EQ(scan->m_ProbeScanPattern.GetProbeOnCount(), 2U);
    EXPECT_EQ(scan->m_SpatialSnapshot->GetRawAmplitude(0, 0), -3); // the later record of the cell
    EXPECT_EQ(scan->m_SpatialSnapshot->GetRawAmplitude(1, 2), 40);
    EXPECT_FLOAT_EQ(scan->m_MinValue, -3.9F);
    EXPECT_EQ(scan->m_MaxValue, 40.0F);
    EXPECT_EQ(scan->m_MaxRow, 1);
    EXPECT_EQ(scan->m_MaxColumn, 2);
}

TEST(CSpatialScanData, ZeltRecordBytesAreReadAsTwelveByteRecords) {
    testing::Bytes bytes;
    bytes.U16(1).U16(2).U16(3).U16(0).F32(-4.5F).U16(0).U16(1).U16(0).U16(1).F32(7.0F).U8(9).U8(9);
    CSpatialScanData scan;
    scan.SetZeltRecordBytes(bytes.Get());
    ASSERT_EQ(scan.m_ZeltRecords.size(), 2U); // the two stray bytes make no record
    EXPECT_EQ(scan.m_ZeltRecords[0], (CZeltSpatialRecord{1, 2, 3, 0, -4.5F}));
    EXPECT_EQ(scan.m_ZeltRecords[1], (CZeltSpatialRecord{0, 1, 0, 1, 7.0F}));
    EXPECT_EQ(scan.GetZeltRecordBytes(), 24U);
}

TEST(CSpatialScanData, CompensationFollowsTheModeAndTheLimit) {
    ScanCorrectionFolder folder;
    struct Case {
        const char* name;
        uint32_t mode;
        int32_t value;
        uint16_t row, column;
        int32_t expected;
    };
    // At 200 MHz (a row of the set) the factor of cell k is 2.0 + 0.1 k; the lowest stored level is
    // 100, so mode 2 leaves levels at or below 100 + 10 x 5.0 unchanged.
    const std::vector<Case> cases = {
        {"mode 0 low level", 0, 100, 0, 0, 120},
        {"mode 0 cell 4", 0, -40, 1, 1, -16},
        {"unmarked cell keeps 1.0", 0, -40, 1, 2, -30},
        {"mode 2 at limit", 2, 150, 1, 0, 150},
        {"mode 2 above", 2, 151, 1, 0, 174},
        {"mode 1 none", 1, 400, 1, 1, 400},
        {"mode 7 none", 7, 400, 1, 1, 400},
        {"row beyond the grid", 0, 400, 70, 0, 400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeScanDataMediator mediator = CompensatingMediator(c.mode);
        auto scan = MirtScan(2, 3, {100, 200, 300, 400, 500, kNo}, 200.0F, &mediator);
        int32_t out = 0;
        EXPECT_TRUE(scan->GetCompensatedCellValue(c.value, c.row, c.column, out));
        EXPECT_EQ(out, c.expected);
        EXPECT_EQ(scan->m_StoredOffset, 100.0F);
        EXPECT_EQ(scan->m_CompensationLimit, 150.0F);
    }
}

TEST(CSpatialScanData, FactorsInterpolateBetweenRowsAndStayOneAtOrBelowTheLowestFrequency) {
    ScanCorrectionFolder folder;
    FakeScanDataMediator mediator = CompensatingMediator(0);
    auto between = MirtScan(2, 3, {100, 200, 300, 400, 500, 600}, 150.0F, &mediator);
    ASSERT_TRUE(between->PrepareCompensation());
    EXPECT_FLOAT_EQ(between->GetFactor(0, 0), 1.5F);
    EXPECT_FLOAT_EQ(between->GetFactor(1, 2), 2.0F);

    auto low = MirtScan(2, 3, {100, 200, 300, 400, 500, 600}, 10.0F, &mediator);
    ASSERT_TRUE(low->PrepareCompensation());
    EXPECT_EQ(low->GetFactor(1, 2), 1.0F);
    int32_t out = 0;
    low->GetCompensatedCellValue(-30, 1, 2, out);
    EXPECT_EQ(out, -20);
}

TEST(CSpatialScanData, CompensationFailsWithoutPreferencesOrCorrectionFiles) {
    ScanCorrectionFolder folder;
    FakeScanDataMediator noPreferences = CompensatingMediator(0);
    noPreferences.m_HasPreferences = false;
    FakeScanDataMediator unknownSet = CompensatingMediator(0);
    unknownSet.m_Settings.m_CorrectionSetName = "NoSuchHead";
    for (QScanDataMediator* mediator :
         std::vector<QScanDataMediator*>{nullptr, &noPreferences, &unknownSet}) {
        auto scan = MirtScan(2, 3, {100, 200, 300, 400, 500, 600}, 200.0F, mediator);
        int32_t out = 0;
        EXPECT_FALSE(scan->GetCompensatedCellValue(321, 0, 0, out));
        EXPECT_EQ(out, 321);
        EXPECT_EQ(scan->m_CompensationTried, 1);
    }
    // A scan that asks for no compensation succeeds without factors and changes nothing.
    FakeScanDataMediator mediator = CompensatingMediator(0);
    auto plain = MirtScan(2, 3, {100, 200, 300, 400, 500, 600}, 200.0F, &mediator);
    plain->m_ApplyCompensation = 0;
    int32_t out = 0;
    EXPECT_TRUE(plain->GetCompensatedCellValue(321, 0, 0, out));
    EXPECT_EQ(out, 321);
}

TEST(CSpatialScanData, LevelRangeUsesTheCompensatedExtremesOnlyWhenAskedTo) {
    ScanCorrectionFolder folder;
    FakeScanDataMediator mediator = CompensatingMediator(0);
    mediator.m_SpatialUnit = 1;
    auto scan = MirtScan(2, 3, {100, 200, 300, 400, 500, kNo}, 200.0F, &mediator);
    scan->m_LevelOffset = 2.7F;
    scan->Prepare();
    EXPECT_EQ(scan->UpdateLevelRange(), 0);
    EXPECT_FLOAT_EQ(scan->m_MinLevelShown, 12.0F);
    EXPECT_FLOAT_EQ(scan->m_MaxLevelShown, 52.0F);

    mediator.m_Settings.m_CompensatedRange = 1;
    EXPECT_EQ(scan->UpdateLevelRange(), 1);
    EXPECT_FLOAT_EQ(scan->m_MinLevelShown, 14.0F); // 100 + 20 at cell 0
    EXPECT_FLOAT_EQ(scan->m_MaxLevelShown, 54.4F); // 500 + 24 at cell 4
}

TEST(CSpatialScanData, ComparisonCompatibilityReasonsComeInOrder) {
    struct Case {
        const char* name;
        std::unique_ptr<CSpatialScanData> reference;
        const char* reason;
    };
    auto base = [] { return MirtScan(2, 3, {1, 2, kNo, 4, 5, 6}); };
    std::vector<Case> cases;
    cases.push_back({"scanner line before size", ZeltScan(4, 4, 1, {}),
                     "--- No support for the scan data, Zelt scan "
                     "data is not compatible with Mirt scan data."});
    cases.push_back({"size", MirtScan(3, 2, {1, 2, kNo, 4, 5, 6}, 100.0F), "--- Different scanner size."});
    cases.push_back(
        {"frequency", MirtScan(2, 3, {1, kNo, kNo, 4, 5, 6}, 100.0F), "--- Different scan frequency."});
    cases.push_back({"area", MirtScan(2, 3, {1, kNo, 3, 4, 5, 6}), "--- Different scan area."});
    cases.push_back({"compatible", MirtScan(2, 3, {-9, -8, kNo, 0, 1, 2}), ""});
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto scan = base();
        std::string reason;
        EXPECT_EQ(scan->CheckComparisonCompatibility(*c.reference, reason), std::string(c.reason).empty());
        EXPECT_EQ(reason, c.reason);
    }
    auto zelt = ZeltScan(2, 3, 1, {{0, 0, 0, 0, 1.0F}, {1, 1, 1, 0, 2.0F}});
    auto sameCells = ZeltScan(2, 3, 1, {{1, 1, 0, 0, 5.0F}, {0, 0, 1, 1, 1.0F}});
    auto otherCells = ZeltScan(2, 3, 1, {{0, 0, 0, 0, 1.0F}, {1, 2, 1, 0, 2.0F}});
    std::string reason;
    EXPECT_TRUE(zelt->CheckComparisonCompatibility(*sameCells, reason));
    EXPECT_FALSE(zelt->CheckComparisonCompatibility(*otherCells, reason));
    EXPECT_EQ(reason, "--- Different scan area.");
}

TEST(CSpatialScanData, BlindSpotCompatibilityReasonsComeInOrder) {
    struct Case {
        const char* name;
        std::unique_ptr<CSpatialScanData> scan;
        std::unique_ptr<CSpatialScanData> other;
        const char* reason;
    };
    std::vector<Case> cases;
    cases.push_back(
        {"scanner line", MirtScan(2, 3, {1, 2, 3, 4, 5, 6}), ZeltScan(9, 9, 1, {}),
         "--- No support for the scan data, Zelt scan data is not compatible with Mirt scan data."});
    cases.push_back({"rows", MirtScan(2, 3, {1, 2, 3, 4, 5, 6}), MirtScan(3, 3, std::vector<int16_t>(9, 1)),
                     "--- Different scanner size."});
    cases.push_back({"level", ZeltScan(2, 3, 1, {{0, 0, 0, 0, 1.0F}}),
                     ZeltScan(2, 3, 2, {{0, 0, 0, 0, 1.0F}}), "--- Different Zelt scan level."});
    cases.push_back({"no overlap", MirtScan(2, 3, {1, kNo, kNo, kNo, kNo, kNo}),
                     MirtScan(2, 3, {kNo, 1, 1, 1, 1, 1}), "--- No overlapped scan area."});
    cases.push_back({"no rows", MirtScan(0, 3, {}), MirtScan(0, 3, {}), "--- No overlapped scan area."});
    cases.push_back({"one shared cell", MirtScan(2, 3, {1, kNo, kNo, kNo, kNo, 5}),
                     MirtScan(2, 3, {kNo, kNo, kNo, kNo, kNo, -5}), ""});
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string reason;
        EXPECT_EQ(c.scan->CheckBlindSpotReductionCompatibility(*c.other, reason),
                  std::string(c.reason).empty());
        EXPECT_EQ(reason, c.reason);
    }
}

TEST(CSpatialScanData, MirtComparisonHoldsDecibelFloatsAndIsReadAsFloats) {
    auto scan = MirtScan(2, 3, {100, kNo, -40, 250, 80, 0});
    scan->m_LevelOffset = 1.9F; // +10 tenths
    scan->m_ReferenceLevel = 40.0F;
    scan->m_ScanArea.m_Right = 77;
    auto reference = MirtScan(2, 3, {60, 70, kNo, -130, 80, 35});
    auto result = scan->CreateComparisonWith(*reference, 1); // no factors: uncompensated
    ASSERT_TRUE(result->HoldsFloatValues());
    EXPECT_EQ(result->m_ApplyCompensation, 0);
    EXPECT_EQ(result->m_ReferenceLevel, 40.0F);
    EXPECT_EQ(result->m_ScanArea.m_Right, 77);
    const std::vector<float> expected = {5.0F, 30000.0F, 30000.0F, 39.0F, 1.0F, -2.5F};
    EXPECT_EQ(result->m_FloatValues, expected);

    result->Prepare();
    EXPECT_EQ(result->m_ProbeScanPattern.GetProbeOnCount(), 4U);
    EXPECT_EQ(result->m_MinValue, -2.5F);
    EXPECT_EQ(result->m_MaxValue, 39.0F);
    EXPECT_EQ(result->m_SpatialSnapshot->GetRawAmplitude(1, 2), -2);
    EXPECT_EQ(result->m_SpatialSnapshot->GetRawAmplitude(0, 1), kNo);
}

TEST(CSpatialScanData, CompensatedComparisonUsesEachScansOwnFactors) {
    ScanCorrectionFolder folder;
    FakeScanDataMediator mediator = CompensatingMediator(0);
    FakeScanDataMediator noPreferences;
    noPreferences.m_HasPreferences = false;
    auto scan = MirtScan(2, 3, {100, kNo, -40, 250, 80, 0}, 200.0F, &mediator);
    scan->m_LevelOffset = 1.0F;
    auto reference = MirtScan(2, 3, {60, 70, kNo, -130, 80, 35}, 200.0F, &noPreferences);
    auto result = scan->CreateComparisonWith(*reference, 1);
    // This scan gains 20 + k tenths in cell k; the reference has no factors and stays as stored.
    EXPECT_FLOAT_EQ(result->m_FloatValues[0], static_cast<float>(130 / 10.0 - 60 / 10.0));
    EXPECT_FLOAT_EQ(result->m_FloatValues[3], static_cast<float>(283 / 10.0 - (-130) / 10.0));
    EXPECT_FLOAT_EQ(result->m_FloatValues[5], static_cast<float>(35 / 10.0 - 35 / 10.0));

    auto uncompensated = scan->CreateComparisonWith(*reference, 0);
    EXPECT_FLOAT_EQ(uncompensated->m_FloatValues[3], 39.0F);
}

TEST(CSpatialScanData, ZeltComparisonCoversCellsPresentInBothInsideTheSharedBounds) {
    auto full = [](uint16_t row, uint16_t column, float a, float b, float c, float d) {
        return std::vector<CZeltSpatialRecord>{
            {row, column, 0, 0, a}, {row, column, 0, 1, b}, {row, column, 1, 0, c}, {row, column, 1, 1, d}};
    };
    auto records = full(0, 0, 100.0F, 50.0F, -20.0F, 0.0F);
    const auto more = full(1, 2, 5.0F, 5.0F, 5.0F, 5.0F);
    records.insert(records.end(), more.begin(), more.end());
    auto scan = ZeltScan(2, 3, 1, records);
    scan->m_LevelOffset = 1.0F;
    auto referenceRecords = full(0, 0, 40.0F, 70.0F, -20.0F, -35.0F);
    const auto other = full(0, 1, 1.0F, 1.0F, 1.0F, 1.0F);
    referenceRecords.insert(referenceRecords.end(), other.begin(), other.end());
    auto reference = ZeltScan(2, 3, 1, referenceRecords);

    auto result = scan->CreateComparisonWith(*reference, 0);
    const std::vector<CZeltSpatialRecord> expected = {
        {0, 0, 0, 0, 7.0F}, {0, 0, 0, 1, -1.0F}, {0, 0, 1, 0, 1.0F}, {0, 0, 1, 1, 4.5F}};
    EXPECT_EQ(result->m_ZeltRecords, expected);
    EXPECT_EQ(result->m_IsZeltData, 1);
}

TEST(CSpatialScanData, MirtBlindSpotLeavesTheVacatedRowEmptyAndKeepsNegativeLevels) {
    auto newer = MirtScan(3, 2, {-20, kNo, 5, 7, 9, -3});
    auto older = MirtScan(3, 2, {-40, -60, kNo, 2, 1, kNo});
    auto result = newer->CreateBlindSpotReductionWith(*older);
    const std::vector<int16_t> expected = {-40, -60, kNo, 2, 9, kNo};
    EXPECT_EQ(result->m_Values, expected);
    EXPECT_EQ(result->m_Rows, 3);
    EXPECT_EQ(result->m_Columns, 2);
}

TEST(CSpatialScanData, ZeltBlindSpotMovesThisPassDownAndKeepsTheOlderPassesCells) {
    auto newer = ZeltScan(3, 2, 0, {{0, 0, 0, 0, 10.0F}, {1, 1, 0, 0, 50.0F}, {2, 1, 0, 0, 7.0F}});
    auto older =
        ZeltScan(3, 2, 0, {{1, 0, 0, 0, 3.0F}, {1, 1, 0, 0, 40.0F}, {2, 1, 0, 0, 60.0F}, {0, 0, 0, 0, 1.0F}});
    auto result = newer->CreateBlindSpotReductionWith(*older);
    const std::vector<CZeltSpatialRecord> expected = {
        {0, 0, 0, 0, 1.0F}, {1, 0, 0, 0, 10.0F}, {1, 1, 0, 0, 40.0F}, {2, 1, 0, 0, 60.0F}};
    EXPECT_EQ(result->m_ZeltRecords, expected);

    // Every sub-cell of a kept cell gives a record: 4^level per cell.
    auto fineNewer = ZeltScan(2, 2, 1, {{0, 0, 0, 0, 1.0F}});
    auto fineOlder = ZeltScan(2, 2, 1, {{0, 0, 1, 1, 2.0F}, {1, 1, 0, 0, 3.0F}});
    EXPECT_EQ(fineNewer->CreateBlindSpotReductionWith(*fineOlder)->m_ZeltRecords.size(), 4U);
}

TEST(CSpatialScanData, AreaFractionsScaleToTheScannerSurface) {
    CSpatialScanData scan;
    scan.m_ScanArea.m_Left = 1620;
    scan.m_ScanArea.m_Right = 100; // reversed: the width is taken as a magnitude
    scan.m_ScanArea.m_Top = 0;
    scan.m_ScanArea.m_Bottom = 1217;
    struct Case {
        uint16_t count;
        float width;
        float height;
    };
    const std::vector<Case> cases = {
        {40, 1520.0F / 3040.0F, 1217 * 32 / 40 / 2434.0F},
        {42, (1520 * 40 / 42) / 2992.0F, 1217 * 32 / 42 / 2434.0F},
        {32, 1520 * 40 / 32 / 3040.0F, 1217.0F / 2434.0F},
        {29, 1520 * 40 / 29 / 3040.0F, (1217 * 32 / 29) / 2395.0F},
        {0, 0.0F, 0.0F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        EXPECT_FLOAT_EQ(scan.GetAreaWidthFraction(c.count), c.width);
        EXPECT_FLOAT_EQ(scan.GetAreaHeightFraction(c.count), c.height);
    }
}

TEST(CSpatialScanData, CloneIsIndependentAndPrepareFillsTheDescription) {
    FakeScanDataMediator mediator;
    mediator.m_NodeTypeId = 2004;
    auto scan = MirtScan(2, 3, {kNo, -50, 200, 200, kNo, -50}, 150.0F, &mediator);
    scan->m_DateText = "2026-01-02";
    scan->m_UserText = "board A";
    scan->m_PeakHold = 1;
    auto copy = scan->Clone();
    scan->m_Values[0] = 1;
    EXPECT_EQ(copy->m_Values[0], kNo);
    EXPECT_EQ(copy->m_Mediator, &mediator);
    EXPECT_EQ(copy->m_ProbeScanPattern.GetProbeOnCount(), 4U);

    copy->Prepare();
    std::string text;
    copy->GetDateText(text);
    EXPECT_EQ(text, "2026-01-02");
    copy->GetUserText(text);
    EXPECT_EQ(text, "board A");
    copy->GetPointsText(text);
    EXPECT_EQ(text, "4 cells");
    copy->GetPeakHoldText(text);
    EXPECT_EQ(text, "On");
    copy->GetPerCellLabelText(text);
    EXPECT_EQ(text, "Samples Per Cell");
    EXPECT_EQ(copy->m_DescriptionTexts.GetLevelRange(), "-5.0 to 20.0 dBuV");
}

} // namespace
} // namespace orv
