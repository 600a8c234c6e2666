#include "scandata/CSpectralSpatialScanData.h"

#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialDataAtom.h"
#include "scandata/CSpectralDataAtom.h"
#include "scandata/QSSSpatialSnapshot.h"
#include "scandata/QSSSpectralSnapshot.h"
#include "tests/scandata/support/ScanDataFakes.h"
#include "tests/scandata/support/ScanRecordFixtures.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using testing::FakeScanDataMediator;
using testing::LogCapture;
using testing::ScanCorrectionFolder;

void AddMirtUnit(CSpectralSpatialScanData& scan, uint16_t row, uint16_t column, std::vector<int16_t> levels) {
    auto unit = std::make_unique<_SpectralSpatialScanDataUnit>();
    unit->m_Row = row;
    unit->m_Column = column;
    unit->m_Amplitudes = std::move(levels);
    scan.m_Units.push_back(std::move(unit));
}

void AddZeltUnit(CSpectralSpatialScanData& scan, uint16_t row, uint16_t column, uint16_t subRow,
                 uint16_t subColumn, std::vector<float> levels) {
    auto unit = std::make_unique<_SpectralSpatialScanDataUnit>();
    unit->m_Row = row;
    unit->m_Column = column;
    unit->m_Words = {row, column, subRow, subColumn};
    unit->m_ZeltAmplitudes = std::move(levels);
    scan.m_Units.push_back(std::move(unit));
}

// Three cells of four points from start with the bandwidth as the point spacing; the first cell
// has its maximum twice.
template <typename Scan>
std::unique_ptr<Scan> MirtCells(float start, float rbw, QScanDataMediator* mediator) {
    auto scan = std::make_unique<Scan>();
    scan->m_Mediator = mediator;
    scan->SetProbeScanPatternSize(2, 3);
    scan->m_StartFrequency = start;
    scan->m_StopFrequency = start + 3.0F * rbw;
    scan->m_ResolutionBandwidth = rbw;
    AddMirtUnit(*scan, 0, 0, {5, 9, 9, 1});
    AddMirtUnit(*scan, 1, 2, {7, 3, 12, 0});
    AddMirtUnit(*scan, 0, 1, {5, 9, 12, -4});
    return scan;
}

FakeScanDataMediator CompensatingMediator(uint32_t mode) {
    FakeScanDataMediator mediator;
    mediator.m_NodeTypeId = 2005;
    mediator.m_Settings.m_CorrectionSetName = ScanCorrectionFolder::kHead;
    mediator.m_Settings.m_Mode = mode;
    return mediator;
}

TEST(CSpectralSpatialScanData, MirtBuildHoldsMaximaPeaksAndRanges) {
    auto scan = MirtCells<CSpectralSpatialScanData>(100.0F, 10.0F, nullptr);
    AddMirtUnit(*scan, 1, 0, {100, 100, 100}); // another point count: no part of the max hold
    scan->Prepare();

    ASSERT_EQ(scan->m_PointCount, 4U);
    const std::vector<QSpectralPoint> maxHold = {{7, 1, 2}, {9, 0, 0}, {12, 1, 2}, {1, 0, 0}};
    EXPECT_EQ(scan->m_SpectralSnapshot->GetPoints(), maxHold);
    // The first of two equal maxima is the cell's peak.
    EXPECT_EQ(scan->m_Units[0]->m_PeakLevel, 9.0F);
    EXPECT_EQ(scan->m_Units[0]->m_PeakFrequency, 110.0F);
    EXPECT_EQ(scan->m_Units[3]->m_PeakLevel, 100.0F);
    EXPECT_EQ(scan->m_Units[3]->m_PeakFrequency, 100.0F);

    const QSSSpatialSnapshot& peaks = *scan->m_SpatialSnapshot;
    EXPECT_EQ(peaks.GetRawAmplitude(0, 0), 9);
    EXPECT_EQ(peaks.GetFrequency(0, 0), 110.0F);
    EXPECT_EQ(peaks.GetRawAmplitude(0, 1), 12);
    EXPECT_EQ(peaks.GetFrequency(1, 2), 120.0F);
    EXPECT_EQ(peaks.GetRawAmplitude(0, 2), CScanData::kNoValue);
    EXPECT_EQ(scan->m_ProbeScanPattern.GetProbeOnCount(), 4U);

    EXPECT_EQ(scan->m_LowestPeak, 9.0F);
    EXPECT_EQ(scan->m_HighestPeak, 100.0F);
    EXPECT_EQ(scan->m_HighestPeakRow, 1);
    EXPECT_EQ(scan->m_HighestPeakColumn, 0);
    EXPECT_EQ(scan->m_LowestMaxHold, 1.0F);
    EXPECT_EQ(scan->m_LowestMaxHoldIndex, 3U);
    EXPECT_EQ(scan->m_HighestMaxHold, 12.0F);
    EXPECT_EQ(scan->m_HighestMaxHoldIndex, 2U);
    EXPECT_EQ(scan->m_MinValue, 1.0F);
    EXPECT_EQ(scan->m_MaxValue, 100.0F);
    EXPECT_EQ(scan->m_NoiseFloor, 7); // the mean of 7, 9, 12 and 1

    EXPECT_EQ(scan->m_FrequencyStep, 10.0F);
    EXPECT_EQ(scan->GetFrequency(-1), 100.0F);
    EXPECT_EQ(scan->GetFrequency(2), 120.0F);
    EXPECT_EQ(scan->GetFrequency(4), 130.0F);
}

TEST(CSpectralSpatialScanData, ZeltBuildFillsBothAtoms) {
    CSpectralSpatialScanData scan;
    scan.SetProbeScanPatternSize(2, 2);
    scan.m_IsZeltData = 1;
    scan.m_ZeltLevel = 1;
    scan.m_StartFrequency = 50.0F;
    scan.m_ResolutionBandwidth = 2.0F;
    AddZeltUnit(scan, 0, 0, 1, 0, {1.5F, 8.25F, 8.25F});
    AddZeltUnit(scan, 1, 1, 0, 1, {2.5F, -1.0F, 3.0F});
    scan.Prepare();

    const CSpectralDataAtom& spectrum = *scan.m_SpectralAtom;
    ASSERT_EQ(spectrum.GetPointCount(), 3U);
    EXPECT_EQ(spectrum.GetAmplitude(0), 2.5F);
    EXPECT_EQ(spectrum.GetRow(0), 1);
    EXPECT_EQ(spectrum.GetSubColumn(0), 1);
    EXPECT_EQ(spectrum.GetAmplitude(1), 8.25F);
    EXPECT_EQ(spectrum.GetSubRow(1), 1);
    EXPECT_EQ(spectrum.GetAmplitude(2), 8.25F);
    EXPECT_EQ(spectrum.GetColumn(2), 0);

    float value = 0.0F;
    ASSERT_TRUE(scan.m_SpatialAtom->GetValue(0, 0, 1, 0, value));
    EXPECT_EQ(value, 8.0F);
    ASSERT_TRUE(scan.m_SpatialAtom->GetSecondValue(0, 0, 1, 0, value));
    EXPECT_EQ(value, 52.0F);
    ASSERT_TRUE(scan.m_SpatialAtom->GetValue(1, 1, 0, 1, value));
    EXPECT_EQ(value, 3.0F);
    EXPECT_FALSE(scan.m_SpatialAtom->GetValue(0, 1, 0, 0, value));

    EXPECT_EQ(scan.m_MinValue, 2.5F);
    EXPECT_EQ(scan.m_MaxValue, 8.25F);
    EXPECT_EQ(scan.m_LowestPeak, 3.0F);
    EXPECT_EQ(scan.m_NoiseFloor, 0);
    EXPECT_EQ(scan.m_FrequencyStep, 2.0F);
}

TEST(CSpectralSpatialScanData, SpectralCompensationReadsEachPointAtTheCellOfItsMaximum) {
    ScanCorrectionFolder folder;
    struct Case {
        const char* name;
        uint32_t mode;
        int32_t amplitude;
        uint32_t index;
        int32_t expected;
    };
    // Points at 100 to 400 MHz; the maxima come from cells 5, 0, 5, 0: factors 1.5, 2.0, 3.5, 4.0.
    // The noise floor is 7, so mode 2 leaves levels at or below 57 alone.
    const std::vector<Case> cases = {
        {"point 0", 0, 100, 0, 115},    {"point 2", 0, 100, 2, 135},   {"mode 2 at limit", 2, 57, 1, 57},
        {"mode 2 above", 2, 58, 1, 78}, {"mode 4 none", 4, 58, 1, 58},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeScanDataMediator mediator = CompensatingMediator(c.mode);
        auto scan = MirtCells<CSpectralSpatialScanData>(100.0F, 100.0F, &mediator);
        int32_t out = 0;
        EXPECT_TRUE(scan->GetCompensatedSpectralValue(c.amplitude, c.index, out));
        EXPECT_EQ(out, c.expected);
    }
}

TEST(CSpectralSpatialScanData, SpatialCompensationReadsEachCellAtItsPeakFrequency) {
    ScanCorrectionFolder folder;
    FakeScanDataMediator mediator = CompensatingMediator(0);
    auto scan = MirtCells<CHandHeldProbeScanData>(100.0F, 100.0F, &mediator);
    int32_t out = 0;
    ASSERT_TRUE(scan->GetCompensatedSpatialValue(10, 0, 0, out)); // peak at 200 MHz: 2.0
    EXPECT_EQ(out, 30);
    scan->GetCompensatedSpatialValue(10, 1, 2, out); // peak at 300 MHz, cell 5: 3.5
    EXPECT_EQ(out, 45);
    scan->GetCompensatedSpatialValue(10, 0, 2, out); // not measured: 1.0
    EXPECT_EQ(out, 20);
    EXPECT_EQ(scan->m_SpatialCompensationLimit, 57.0F);

    mediator.m_Settings.m_Mode = 2; // the limit takes the spectral level, 5.0 until prepared
    scan->GetCompensatedSpatialValue(57, 0, 0, out);
    EXPECT_EQ(out, 57);
    scan->GetCompensatedSpatialValue(58, 0, 0, out);
    EXPECT_EQ(out, 78);
}

TEST(CSpectralSpatialScanData, MissingSpatialFactorsAreLoggedAndSwitchedOffCompensationFails) {
    ScanCorrectionFolder folder;
    LogCapture log;
    FakeScanDataMediator mediator = CompensatingMediator(0);
    mediator.m_Settings.m_CorrectionSetName = "NoSuchHead";
    auto scan = MirtCells<CSpectralSpatialScanData>(100.0F, 100.0F, &mediator);
    int32_t out = 0;
    EXPECT_FALSE(scan->GetCompensatedSpatialValue(10, 0, 0, out));
    EXPECT_EQ(out, 10);
    EXPECT_FALSE(scan->GetCompensatedSpectralValue(11, 0, out));
    EXPECT_EQ(out, 11);
    EXPECT_EQ(log.Count("--- can't open the correction file for the spectral/spatial correction."), 1);
    EXPECT_EQ(log.Count("--- can't open the correction file for the spectral correction."), 0);

    FakeScanDataMediator good = CompensatingMediator(0);
    auto off = MirtCells<CSpectralSpatialScanData>(100.0F, 100.0F, &good);
    off->m_ApplySpectralSpatialCompensation = 0;
    EXPECT_FALSE(off->PrepareSpectralCompensation());
    EXPECT_FALSE(off->PrepareSpatialCompensation());
}

TEST(CSpectralSpatialScanData, LevelRangeAddsTheOffsetAfterConversion) {
    ScanCorrectionFolder folder;
    FakeScanDataMediator mediator = CompensatingMediator(0);
    mediator.m_SpectralUnit = 1;
    auto scan = MirtCells<CSpectralSpatialScanData>(100.0F, 100.0F, &mediator);
    scan->m_LevelOffset = 1.5F;
    scan->Prepare();
    EXPECT_EQ(scan->UpdateLevelRange(), 0);
    EXPECT_FLOAT_EQ(scan->m_MinLevelShown, 1.1F);
    EXPECT_FLOAT_EQ(scan->m_MaxLevelShown, 2.2F);

    mediator.m_Settings.m_CompensatedRange = 1;
    EXPECT_EQ(scan->UpdateLevelRange(), 1);
    EXPECT_FLOAT_EQ(scan->m_MinLevelShown, 5.1F); // 1 + 40 at point 3
    EXPECT_FLOAT_EQ(scan->m_MaxLevelShown, 5.7F); // 12 + 35 at point 2
}

TEST(CSpectralSpatialScanData, CloneCopiesEveryUnitDeeply) {
    std::unique_ptr<CScanData> owner = MirtCells<CHandHeldProbeScanData>(100.0F, 10.0F, nullptr);
    auto& scan = static_cast<CHandHeldProbeScanData&>(*owner);
    scan.m_MeasuredFrequencies = {{2, 121.0F}};
    scan.m_ApplySpectralSpatialCompensation = 0;
    auto copy = scan.Clone();
    scan.m_Units[0]->m_Amplitudes[1] = 50;
    EXPECT_EQ(copy->m_Units.size(), 3U);
    EXPECT_EQ(copy->m_Units[0]->m_Amplitudes[1], 9);
    EXPECT_EQ(copy->m_PointCount, 4U);
    EXPECT_EQ(copy->m_ApplySpectralSpatialCompensation, 1U);
    EXPECT_EQ(copy->GetCount(), 1U);
    EXPECT_EQ(copy->GetFrequency(2), 121.0F);
    EXPECT_EQ(copy->m_ProbeScanPattern.GetProbeOnCount(), 3U);
}

} // namespace
} // namespace orv
