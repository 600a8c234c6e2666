#include "core/QSpatialDisplayOptions.h"
#include "core/UnitConversion.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/project/support/MediatorFakes.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace orv::test {
namespace {

QSpectralScanAddition Spectrum(int32_t id, std::vector<int16_t> levels) {
    QSpectralScanAddition addition;
    addition.m_Record.m_ScanId = id;
    addition.m_Record.m_StartFrequency = 100.0F;
    addition.m_Record.m_StopFrequency = 200.0F;
    addition.m_HasPoints = true;
    for (int16_t level : levels) {
        addition.m_MirtPoints.push_back(QSpectralPoint{level, 0, 0});
    }
    for (uint32_t i = 0; i < levels.size(); ++i) {
        addition.m_MeasuredFrequencies.push_back({i, 100.0F + static_cast<float>(i)});
    }
    return addition;
}

QCellAddition Cell(int32_t id, uint32_t index, uint32_t count, std::vector<int16_t> values) {
    QCellAddition addition;
    addition.m_Record.m_ScanId = id;
    addition.m_Record.m_Rows = 2;
    addition.m_Record.m_Columns = 2;
    addition.m_Record.m_StartFrequency = 100.0F;
    addition.m_Record.m_StopFrequency = 200.0F;
    addition.m_CellIndex = index;
    addition.m_CellCount = count;
    addition.m_CellWord1 = static_cast<uint16_t>(index % 2);
    addition.m_CellWord2 = 1;
    addition.m_HasValues = !values.empty();
    addition.m_Values = std::move(values);
    return addition;
}

// A mediator that also has spatial display options, as a user composite node does.
class CompositeMediator : public TestMediator {
public:
    using TestMediator::TestMediator;
    QSpatialDisplayOptions* GetSpatialDisplayOptions() override { return &spatialDisplay; }
    QSpatialDisplayOptions spatialDisplay;
};

class ScanSettingsTest : public ::testing::Test {
protected:
    ScanSettingsTest() : factory(thread), window(thread) {}

    template <class M = TestMediator> std::unique_ptr<M> Make(uint16_t kind) {
        auto mediator = std::make_unique<M>(kind, "Node");
        mediator->Wire(&factory, &window, &tree, &list, &container);
        return mediator;
    }

    MessageThread thread;
    FakeViewFactory factory;
    FakeProjectWindow window;
    FakeProjectTree tree;
    FakeScanDataList list;
    FakeNodeContainer container;
};

TEST_F(ScanSettingsTest, FindPeaksTakesEachScansOwnCountAndOffset) {
    auto mediator = Make(2003);
    mediator->spectralDisplay.m_useSameViewSetting = 0;
    mediator->spectralDisplay.m_modeA = kAmplitudeUnitStored;
    // The node's own settings would find every point; the scans' settings rule.
    mediator->spectralDisplay.m_step = -1000.0F;
    mediator->spectralDisplay.m_count = 100;

    QSpectralScanAddition made = Spectrum(1, {10, 40, 30, 20});
    EXPECT_EQ(made.m_Record.m_DisplayCount, 20U); // what a scan is made with
    EXPECT_EQ(made.m_Record.m_DisplayValue, 5.0F);
    QSpectralScanAddition fewer = Spectrum(2, {10, 40, 30, 20});
    fewer.m_Record.m_DisplayCount = 2;
    QSpectralScanAddition higher = Spectrum(3, {10, 40, 30, 20});
    higher.m_Record.m_DisplayValue = 25.0F;
    for (auto* addition : {&made, &fewer, &higher}) {
        mediator->AddSpectralScanData(*addition, false, false);
    }

    struct Case {
        int32_t scanID;
        std::vector<uint32_t> expected;
    };
    const Case cases[] = {{1, {1, 2, 3}}, {2, {1, 2}}, {3, {1}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scanID);
        CSpectralScanData* scan = mediator->GetSpectralScanData(c.scanID);
        ASSERT_NE(scan, nullptr);
        scan->m_NoiseFloor = 10; // threshold: 10 + the scan's offset
        std::vector<uint32_t> indexes;
        std::vector<float> frequencies;
        mediator->FindPeaks(*scan, indexes, frequencies);
        EXPECT_EQ(indexes, c.expected);
    }
    // With "Use Same View Setting" the node's settings rule again.
    mediator->spectralDisplay.m_useSameViewSetting = 1;
    std::vector<uint32_t> indexes;
    std::vector<float> frequencies;
    mediator->FindPeaks(*mediator->GetSpectralScanData(2), indexes, frequencies);
    EXPECT_EQ(indexes, (std::vector<uint32_t>{1, 2, 3, 0}));
}

TEST_F(ScanSettingsTest, MeasuredFrequenciesHandedOverReplaceTheBuiltTable) {
    auto mediator = Make(2003);
    QSpectralScanAddition live = Spectrum(1, {1, 2, 3});
    live.m_MeasuredFrequencies.clear();
    mediator->AddSpectralScanData(live, true, false);
    CSpectralScanData* scan = mediator->GetSpectralScanData(1);
    EXPECT_EQ(scan->GetFrequency(1), 150.0F);

    QSpectralScanAddition after;
    after.m_MeasuredFrequencies = {{1, 180.0F}};
    ASSERT_TRUE(mediator->AddSpectralScanData(after, false, false));
    EXPECT_EQ(scan->GetFrequency(1), 180.0F);
}

TEST_F(ScanSettingsTest, SpectralSpatialEntryCompletesAtItsLastCellOrClosingCall) {
    auto mediator = Make(2005);
    ASSERT_TRUE(mediator->AddSpectralSpatialScanData(Cell(1, 1, 2, {1, 2}), true));
    CSpectralSpatialScanData* scan = mediator->GetSpectralSpatialScanData(1);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->m_CellCount, 2U);
    EXPECT_EQ(scan->m_Completed, 0);
    ASSERT_TRUE(mediator->AddSpectralSpatialScanData(Cell(1, 2, 2, {3, 4}), true));
    EXPECT_EQ(scan->m_Completed, 1);
    EXPECT_EQ(scan->m_Prepared, 0);

    // A live call for the entry clears the flag again; a closing call with frequencies sets it and
    // replaces a frequency table already built.
    scan->Prepare();
    EXPECT_EQ(scan->GetFrequency(1), 200.0F);
    QCellAddition closing = Cell(1, 0, 0, {});
    ASSERT_TRUE(mediator->AddSpectralSpatialScanData(closing, true));
    EXPECT_EQ(scan->m_Completed, 0);
    closing.m_MeasuredFrequencies = {{1, 160.0F}};
    ASSERT_TRUE(mediator->AddSpectralSpatialScanData(closing, false));
    EXPECT_EQ(scan->m_Completed, 1);
    EXPECT_EQ(scan->GetFrequency(1), 160.0F);

    // A loaded scan whose last cell never came is not completed.
    ASSERT_TRUE(mediator->AddSpectralSpatialScanData(Cell(2, 1, 3, {1, 2}), false));
    EXPECT_EQ(mediator->GetSpectralSpatialScanData(2)->m_Completed, 0);
}

TEST_F(ScanSettingsTest, UserCompositeTakesTheScansViewSettingsMarkersAndPoints) {
    auto parent = Make(2029);
    parent->AddHandHeldProbeScanData(Cell(4, 1, 1, {1, 2}), false);
    parent->SetDisplayedScanID(4);
    CHandHeldProbeScanData* scan = parent->GetHandHeldProbeScanData(4);
    ASSERT_NE(scan, nullptr);
    scan->m_LevelLow = 110.0F;
    scan->m_LevelHigh = 190.0F;
    scan->m_SecondLevelLow = 3.0F;
    scan->m_SecondLevelHigh = 4.0F;
    scan->m_DisplayValue = -5.0F;
    scan->m_DisplayCount = 7;
    scan->m_MarkerLow = 20.0F;
    scan->m_MarkerHigh = 80.0F;
    scan->m_FrequencyAutoByte = 1;
    scan->m_LevelAutoByte = 2; // only 1 counts as on
    scan->m_SpatialRangeLow = 250.0F;
    scan->m_SpatialRangeHigh = 750.0F;
    scan->m_SpatialAutoByte = 0;
    scan->m_MarkerFlag = 1;
    scan->m_FrequencyMarkers = {{120.0F, 3, 1, 9, -1}, {130.0F, 4, 0, 0, 6}};
    scan->m_PointFlag = 1;
    scan->m_Points = {{5, 6}};

    auto composite = Make<CompositeMediator>(2033);
    composite->SetParentMediator(parent.get());
    composite->CreateUserComposite(*parent);
    composite->CreateUserComposite(*parent); // entries already there stay
    const QSpectralDisplayOptions& spectral = composite->spectralDisplay;
    EXPECT_EQ(spectral.m_levelLow, 110.0F);
    EXPECT_EQ(spectral.m_levelHigh, 190.0F);
    EXPECT_EQ(spectral.m_secondMarkerLow, 3.0F);
    EXPECT_EQ(spectral.m_secondMarkerHigh, 4.0F);
    EXPECT_EQ(spectral.m_step, -5.0F);
    EXPECT_EQ(spectral.m_count, 7U);
    EXPECT_EQ(spectral.m_markerLow, 20.0F);
    EXPECT_EQ(spectral.m_markerHigh, 80.0F);
    EXPECT_EQ(spectral.m_modeB, 1);
    EXPECT_EQ(spectral.m_modeC, 0);
    const QSpatialDisplayOptions& spatial = composite->spatialDisplay;
    EXPECT_EQ(spatial.m_rangeLow, 250.0F);
    EXPECT_EQ(spatial.m_rangeHigh, 750.0F);
    EXPECT_EQ(spatial.m_modeB, 0);
    EXPECT_EQ(composite->GetMarkerFlag(), 1);
    EXPECT_EQ(composite->GetPointFlag(), 1);
    const std::vector<_FrequencyMarkerPoint> markers = {
        scan->m_FrequencyMarkers[0], scan->m_FrequencyMarkers[1], scan->m_FrequencyMarkers[0],
        scan->m_FrequencyMarkers[1]};
    EXPECT_EQ(composite->GetFrequencyMarkers(), markers);
    EXPECT_EQ(composite->GetPoints(), (std::vector<CScanPoint>{{5, 6}, {5, 6}}));

    // A source kind without such scans leaves the options as they are.
    auto other = Make(2003);
    auto untouched = Make<CompositeMediator>(2033);
    untouched->CreateUserComposite(*other);
    EXPECT_EQ(untouched->spectralDisplay.m_levelLow, QSpectralDisplayOptions().m_levelLow);
    EXPECT_TRUE(untouched->GetFrequencyMarkers().empty());
}

TEST_F(ScanSettingsTest, ScanErrorFlagLastsUntilTheNextRunIsPrepared) {
    auto mediator = Make(2003);
    EXPECT_FALSE(mediator->HasScanError());
    mediator->SetScanError(true);
    EXPECT_TRUE(mediator->HasScanError());
    mediator->PrepareScanRun(true);
    EXPECT_FALSE(mediator->HasScanError());
}

} // namespace
} // namespace orv::test
