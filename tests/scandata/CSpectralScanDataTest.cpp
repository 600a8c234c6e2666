#include "scandata/CSpectralScanData.h"

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

std::unique_ptr<CSpectralScanData> MirtSpectrum(float start, float stop, const std::vector<int16_t>& levels,
                                                QScanDataMediator* mediator = nullptr) {
    auto scan = std::make_unique<CSpectralScanData>();
    scan->m_Mediator = mediator;
    scan->m_StartFrequency = start;
    scan->m_StopFrequency = stop;
    scan->SetProbeScanPatternSize(2, 3);
    std::vector<QSpectralPoint> points;
    for (int16_t level : levels) {
        points.push_back(QSpectralPoint{level, 0, 0});
    }
    scan->SetMirtPoints(points);
    scan->UpdateFrequencyStep();
    return scan;
}

std::unique_ptr<CSpectralScanData> ZeltSpectrum(float start, float rbw, const std::vector<float>& levels) {
    auto scan = std::make_unique<CSpectralScanData>();
    scan->m_IsZeltData = 1;
    scan->m_StartFrequency = start;
    scan->m_ResolutionBandwidth = rbw;
    scan->m_StopFrequency = start + rbw * static_cast<float>(levels.size() - 1);
    std::vector<CFloatSpectralPoint> points;
    for (float level : levels) {
        points.push_back(CFloatSpectralPoint{level, 1, 2, 0, 1});
    }
    scan->SetFloatPoints(points, CSpectralScanData::kZeltPoints);
    scan->UpdateFrequencyStep();
    return scan;
}

std::vector<int16_t> Ramp(int count, int first, int step) {
    std::vector<int16_t> levels;
    for (int i = 0; i < count; ++i) {
        levels.push_back(static_cast<int16_t>(first + step * i));
    }
    return levels;
}

TEST(CSpectralScanData, FrequencyTableFollowsStepOrMeasuredEntries) {
    struct Case {
        const char* name;
        float start, stop;
        std::vector<QMeasuredFrequencyData::Entry> entries;
        std::vector<std::pair<int32_t, float>> expected;
    };
    const std::vector<Case> cases = {
        {"even",
         100.0F,
         190.0F,
         {},
         {{-1, 100.0F}, {0, 100.0F}, {3, 130.0F}, {9, 190.0F}, {10, 190.0F}, {99, 190.0F}}},
        {"entries",
         100.0F,
         200.0F,
         {{0, 100.0F}, {4, 150.0F}, {6, 170.0F}},
         {{0, 100.0F}, {2, 125.0F}, {4, 150.0F}, {5, 160.0F}, {8, 185.0F}, {9, 192.5F}}},
        {"equal indexes take the entry",
         90.0F,
         200.0F,
         {{0, 100.0F}, {5, 150.0F}},
         {{-1, 90.0F}, {0, 100.0F}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto scan = MirtSpectrum(c.start, c.stop, Ramp(10, 0, 1));
        scan->m_MeasuredFrequencies = c.entries;
        EXPECT_EQ(scan->GetCount(), c.entries.size());
        for (const auto& [index, frequency] : c.expected) {
            EXPECT_FLOAT_EQ(scan->GetFrequency(index), frequency) << index;
        }
    }
}

TEST(CSpectralScanData, FrequencyStepComesFromTheSpanOrTheBandwidth) {
    auto mirt = MirtSpectrum(100.0F, 190.0F, Ramp(10, 0, 1));
    mirt->m_ResolutionBandwidth = 3.0F;
    mirt->UpdateFrequencyStep();
    EXPECT_EQ(mirt->m_FrequencyStep, 10.0F);
    auto single = MirtSpectrum(100.0F, 190.0F, {5});
    single->m_ResolutionBandwidth = 3.0F;
    single->UpdateFrequencyStep();
    EXPECT_EQ(single->m_FrequencyStep, 3.0F);
    auto zelt = ZeltSpectrum(100.0F, 0.5F, {1.0F, 2.0F, 3.0F});
    EXPECT_EQ(zelt->m_FrequencyStep, 0.5F);
}

TEST(CSpectralScanData, CompatibilityReasonsComeInOrder) {
    struct Case {
        const char* name;
        std::unique_ptr<CSpectralScanData> other;
        const char* comparison;
        const char* overlay;
    };
    std::vector<Case> cases;
    cases.push_back(
        {"scanner line", ZeltSpectrum(500.0F, 7.0F, {1.0F, 2.0F}),
         "--- no support for the scan data, Zelt scan data is not compatible with Mirt scan data.",
         "--- no support for the scan data, Zelt scan data is not compatible with Mirt scan data."});
    cases.push_back(
        {"no step", MirtSpectrum(150.0F, 150.0F, {1}), "--- no frequency step.", "--- no frequency step."});
    cases.push_back({"other step", MirtSpectrum(150.0F, 250.0F, Ramp(21, 0, 1)),
                     "--- different resolution bandwidth.", ""});
    cases.push_back({"only touching", MirtSpectrum(190.0F, 280.0F, Ramp(10, 0, 1)),
                     "--- no frequrncy overlap.", "--- no frequrncy overlap."});
    cases.push_back({"overlapping", MirtSpectrum(180.0F, 270.0F, Ramp(10, 0, 1)), "", ""});
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto scan = MirtSpectrum(100.0F, 190.0F, Ramp(10, 0, 1));
        std::string reason;
        EXPECT_EQ(scan->CheckComparisonCompatibility(*c.other, reason), std::string(c.comparison).empty());
        EXPECT_EQ(reason, c.comparison);
        reason.clear();
        EXPECT_EQ(scan->CheckOverlayCompatibility(*c.other, reason), std::string(c.overlay).empty());
        EXPECT_EQ(reason, c.overlay);
    }
    // Spectra that only touch give no result at all.
    auto scan = MirtSpectrum(100.0F, 190.0F, Ramp(10, 0, 1));
    auto touching = MirtSpectrum(190.0F, 280.0F, Ramp(10, 0, 1));
    EXPECT_EQ(scan->CreateComparisonWith(*touching, 0), nullptr);
    EXPECT_EQ(scan->CreateOverlayWith(*touching), nullptr);
}

TEST(CSpectralScanData, MirtComparisonHoldsDecibelFloatsOverTheCommonRange) {
    auto scan = MirtSpectrum(100.0F, 190.0F, Ramp(10, -50, 10));
    scan->m_LevelOffset = 0.5F;
    auto reference = MirtSpectrum(130.0F, 220.0F, Ramp(10, 0, 5));
    reference->m_LevelOffset = -1.0F;
    auto result = scan->CreateComparisonWith(*reference, 0);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->m_StartFrequency, 130.0F);
    EXPECT_EQ(result->m_StopFrequency, 190.0F);
    EXPECT_EQ(result->m_ApplyCompensation, 0);
    EXPECT_EQ(result->GetPointFormat(), CSpectralScanData::kMirtFloatPoints);
    EXPECT_EQ(result->GetPointBytes(), 6U * 8U);
    const std::vector<float> expected = {-0.5F, 0.0F, 0.5F, 1.0F, 1.5F, 2.0F};
    ASSERT_EQ(result->m_PointCount, expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(result->GetFloatPoints()[i], (CFloatSpectralPoint{expected[i], 0, 0, 0, 0}));
    }
    // The snapshot reads the floats as floats.
    EXPECT_EQ(result->m_MinValue, -0.5F);
    EXPECT_EQ(result->m_MaxValue, 2.0F);
    EXPECT_EQ(result->m_MaxPointIndex, 5U);
    EXPECT_EQ(result->m_FrequencyStep, 12.0F);
}

TEST(CSpectralScanData, ZeltComparisonHoldsTwelveBytePoints) {
    std::vector<float> mine;
    std::vector<float> theirs;
    for (int i = 0; i < 10; ++i) {
        mine.push_back(1.5F * static_cast<float>(i));
        theirs.push_back(0.5F * static_cast<float>(i));
    }
    auto scan = ZeltSpectrum(100.0F, 10.0F, mine);
    auto reference = ZeltSpectrum(120.0F, 10.0F, theirs);
    auto result = scan->CreateComparisonWith(*reference, 0);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->GetPointFormat(), CSpectralScanData::kZeltPoints);
    ASSERT_EQ(result->m_PointCount, 7U);
    EXPECT_EQ(result->GetPointBytes(), 7U * 12U);
    for (uint32_t i = 0; i < 7; ++i) {
        EXPECT_FLOAT_EQ(result->GetFloatPoints()[i].m_Amplitude, static_cast<float>((3.0 + i) / 10.0)) << i;
    }
    EXPECT_EQ(result->m_FrequencyStep, 10.0F); // the bandwidth travels with the result
}

TEST(CSpectralScanData, CompensatedComparisonPicksWhoseFactorsCorrectTheReference) {
    ScanCorrectionFolder folder;
    FakeScanDataMediator mediator;
    mediator.m_Settings.m_CorrectionSetName = ScanCorrectionFolder::kHead;
    mediator.m_Settings.m_Mode = 0;
    FakeScanDataMediator noPreferences;
    noPreferences.m_HasPreferences = false;

    // Mirt data: the reference keeps its own (missing) factors; this scan gains 10 x 1.0 .. 3.0.
    auto scan = MirtSpectrum(100.0F, 400.0F, {0, 0, 0, 0}, &mediator);
    auto reference = MirtSpectrum(100.0F, 400.0F, {0, 0, 0, 0}, &noPreferences);
    auto result = scan->CreateComparisonWith(*reference, 1);
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(result->m_PointCount, 3U);
    EXPECT_EQ(result->GetFloatPoints()[0].m_Amplitude, 1.0F);
    EXPECT_EQ(result->GetFloatPoints()[2].m_Amplitude, 3.0F);

    // Zelt data: both are corrected with this scan's factors, so equal levels stay equal.
    auto zelt = ZeltSpectrum(100.0F, 100.0F, {0.0F, 0.0F, 0.0F, 0.0F});
    zelt->m_Mediator = &mediator;
    zelt->SetProbeScanPatternSize(2, 3);
    auto zeltReference = ZeltSpectrum(100.0F, 100.0F, {0.0F, 0.0F, 0.0F, 0.0F});
    zeltReference->m_Mediator = &noPreferences;
    auto zeltResult = zelt->CreateComparisonWith(*zeltReference, 1);
    ASSERT_EQ(zeltResult->m_PointCount, 3U);
    for (const CFloatSpectralPoint& point : zeltResult->GetFloatPoints()) {
        EXPECT_EQ(point.m_Amplitude, 0.0F);
    }
    int32_t out = 0;
    zelt->GetCompensatedValue(0, 1, out);
    EXPECT_EQ(out, 25); // cell 5 at 200 MHz: the factors were in force
}

TEST(CSpectralScanData, OverlayCarriesTheExtremesInItsFirstTwoPoints) {
    auto scan = MirtSpectrum(100.0F, 150.0F, {5, -20, 30, 7, 7, 1});
    auto other = MirtSpectrum(120.0F, 170.0F, {40, 2, -30, 8, 9, 9});
    auto overlay = scan->CreateOverlayWith(*other);
    ASSERT_NE(overlay, nullptr);
    ASSERT_EQ(overlay->m_PointCount, 3U);
    EXPECT_EQ(overlay->GetMirtPoints()[0].m_Amplitude, -30);
    EXPECT_EQ(overlay->GetMirtPoints()[1].m_Amplitude, 40);
    EXPECT_EQ(overlay->GetMirtPoints()[2].m_Amplitude, 7);
    EXPECT_EQ(overlay->m_ApplyCompensation, 1);

    // One point: just the larger level.
    auto late = MirtSpectrum(140.0F, 190.0F, {40, 2, -30, 8, 9, 9});
    auto single = scan->CreateOverlayWith(*late);
    ASSERT_NE(single, nullptr);
    ASSERT_EQ(single->m_PointCount, 1U);
    EXPECT_EQ(single->GetMirtPoints()[0].m_Amplitude, 40);

    auto zelt = ZeltSpectrum(100.0F, 10.0F, {1.0F, 9.5F, -2.5F});
    auto zeltOther = ZeltSpectrum(100.0F, 10.0F, {3.0F, 0.0F, 4.0F});
    auto zeltOverlay = zelt->CreateOverlayWith(*zeltOther);
    ASSERT_EQ(zeltOverlay->m_PointCount, 2U); // (120 - 100) / 10 points
    EXPECT_EQ(zeltOverlay->GetFloatPoints()[0].m_Amplitude, 0.0F);
    EXPECT_EQ(zeltOverlay->GetFloatPoints()[1].m_Amplitude, 9.5F);
}

TEST(CSpectralScanData, CompensationFollowsTheModeAndTheNoiseFloorLimit) {
    ScanCorrectionFolder folder;
    struct Case {
        const char* name;
        uint32_t mode;
        int32_t amplitude;
        uint32_t index;
        int32_t expected;
    };
    // Points at 100, 200, 300 and 400 MHz; factors 1.0, 2.0, 3.0 (between rows) and 4.0 in cell 0,
    // 4.5 in cell 5 at 400 MHz. Mode 2 leaves levels at or below 10 x 5.0 + 0.5 + 0 alone.
    const std::vector<Case> cases = {
        {"mode 0", 0, 100, 1, 120},        {"mode 0 between rows", 0, -5, 2, 25},
        {"mode 2 at limit", 2, 50, 2, 50}, {"mode 2 above", 2, 51, 2, 81},
        {"mode 3 none", 3, 500, 1, 500},   {"cell 5", 0, 0, 3, 45},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeScanDataMediator mediator;
        mediator.m_Settings.m_CorrectionSetName = ScanCorrectionFolder::kHead;
        mediator.m_Settings.m_Mode = c.mode;
        auto scan = MirtSpectrum(100.0F, 400.0F, {0, 0, 0, 0}, &mediator);
        std::vector<QSpectralPoint> points = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 1, 2}};
        scan->SetMirtPoints(points);
        int32_t out = 0;
        EXPECT_TRUE(scan->GetCompensatedValue(c.amplitude, c.index, out));
        EXPECT_EQ(out, c.expected);
    }
}

TEST(CSpectralScanData, MissingCorrectionFilesAreLoggedOnTheOneAttempt) {
    ScanCorrectionFolder folder;
    LogCapture log;
    FakeScanDataMediator mediator;
    mediator.m_Settings.m_CorrectionSetName = "NoSuchHead";
    auto scan = MirtSpectrum(100.0F, 400.0F, {0, 0, 0, 0}, &mediator);
    int32_t out = 0;
    EXPECT_FALSE(scan->GetCompensatedValue(77, 1, out));
    EXPECT_EQ(out, 77);
    EXPECT_FALSE(scan->PrepareCompensation());
    EXPECT_EQ(log.Count("--- can't open the correction file for the spectral correction."), 1);
}

TEST(CSpectralScanData, NoiseFloorIsTheMeanBelowTwoDeviations) {
    auto spiky = MirtSpectrum(100.0F, 190.0F, {0, 0, 0, 0, 0, 0, 0, 0, 0, 100});
    EXPECT_EQ(spiky->EstimateNoiseFloor(), 0);
    EXPECT_EQ(spiky->m_NoiseFloor, 0);
    auto flat = MirtSpectrum(100.0F, 120.0F, {7, 7, 7});
    EXPECT_EQ(flat->EstimateNoiseFloor(), 7);
    auto zelt = ZeltSpectrum(100.0F, 1.0F, {1.5F, 2.5F});
    EXPECT_EQ(zelt->EstimateNoiseFloor(), 2);
}

TEST(CSpectralScanData, CloneAndDescriptionOfASpectralNode) {
    FakeScanDataMediator mediator;
    mediator.m_NodeTypeId = 2003;
    auto scan = MirtSpectrum(100.0F, 190.0F, Ramp(10, 3, -1), &mediator);
    scan->SetProbeScanPattern({{0, 1}, {1, 2}, {1, 2}});
    scan->m_MeasuredFrequencies = {{4, 150.0F}};
    auto copy = scan->Clone();
    EXPECT_EQ(copy->GetMirtPoints(), scan->GetMirtPoints());
    EXPECT_EQ(copy->GetCount(), 1U);
    EXPECT_EQ(copy->m_FrequencyStep, 10.0F);
    EXPECT_EQ(copy->m_MaxValue, 3.0F);
    EXPECT_EQ(copy->m_MinValue, -6.0F);
    EXPECT_EQ(copy->m_SpectralSnapshot->GetPointCount(), 10U);

    copy->Prepare();
    std::string text;
    copy->GetPointsText(text);
    EXPECT_EQ(text, "2 cells, 10 points");
    copy->GetPerCellLabelText(text);
    EXPECT_EQ(text, "Sweeps Per Cell");
    copy->GetFrequencySpanText(text);
    EXPECT_EQ(text, "90.000 MHz");
}

} // namespace
} // namespace orv
