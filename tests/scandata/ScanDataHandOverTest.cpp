#include "analyzers/CInstrumentInfo.h"
#include "core/QCorrectionData.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QProbeScanPattern.h"
#include "platform/ui/ScriptedPrompt.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QSSSpatialSnapshot.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialComparisonScanContainer.h"
#include "scandata/QSpatialScanContainer.h"
#include "scandata/QSpectralComparisonScanContainer.h"
#include "scandata/QSpectralScanContainer.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QSpectralSpatialScanContainer.h"
#include "scandata/QTransportContainer.h"
#include "tests/scandata/support/ComparisonFakes.h"
#include "tests/scandata/support/ContainerTestSupport.h"
#include "tests/scandata/support/ScanDataFakes.h"
#include "tests/scandata/support/ScanRecordFixtures.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using testing::CompensationSwitches;
using testing::FakeScanDataMediator;
using testing::LogCapture;
using testing::ScanCorrectionFolder;

// --- Measured frequencies handed over after the scan ---

TEST(ScanDataHandOver, MeasuredFrequenciesReplaceATableAlreadyBuilt) {
    CSpectralScanData spectral;
    spectral.m_StartFrequency = 100.0F;
    spectral.m_StopFrequency = 200.0F;
    spectral.SetMirtPoints({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
    spectral.Prepare();
    EXPECT_EQ(spectral.GetFrequency(1), 150.0F); // builds the table from the step
    spectral.SetMeasuredFrequencies({{1, 170.0F}});
    EXPECT_EQ(spectral.GetCount(), 1U);
    EXPECT_EQ(spectral.GetFrequency(1), 170.0F);
    EXPECT_EQ(spectral.GetFrequency(2), 185.0F); // between the entry and the stop

    CSpectralSpatialScanData cells;
    cells.m_StartFrequency = 100.0F;
    cells.m_StopFrequency = 200.0F;
    cells.m_ResolutionBandwidth = 50.0F;
    cells.SetProbeScanPatternSize(1, 1);
    auto unit = std::make_unique<_SpectralSpatialScanDataUnit>();
    unit->m_Amplitudes = {5, 9, 7};
    cells.m_Units.push_back(std::move(unit));
    cells.Prepare();
    EXPECT_EQ(cells.GetFrequency(1), 150.0F);
    cells.SetMeasuredFrequencies({{1, 120.0F}});
    EXPECT_EQ(cells.GetFrequency(1), 120.0F);
}

// --- The correction database's one-time notice flag ---

class MissingListNotice : public ::testing::Test {
protected:
    void SetUp() override { QCorrectionData::ClearMissingListNotice(); }
    void TearDown() override { QCorrectionData::ClearMissingListNotice(); }

    std::unique_ptr<CSpectralScanData> Spectrum(FakeScanDataMediator& mediator) {
        auto scan = std::make_unique<CSpectralScanData>();
        scan->m_Mediator = &mediator;
        scan->m_StartFrequency = 100.0F;
        scan->m_StopFrequency = 400.0F;
        scan->SetProbeScanPatternSize(2, 3);
        scan->SetMirtPoints({{10, 0, 0}, {20, 1, 2}});
        return scan;
    }

    ScanCorrectionFolder m_folder;
    LogCapture m_log;
};

TEST_F(MissingListNotice, AMissingListRaisesTheFlagOnceForTheRun) {
    FakeScanDataMediator mediator;
    mediator.m_Settings.m_CorrectionSetName = "NoSuchHead";
    EXPECT_FALSE(QCorrectionData::IsMissingListNoticeSet());
    auto first = Spectrum(mediator);
    EXPECT_FALSE(first->PrepareCompensation());
    EXPECT_TRUE(QCorrectionData::IsMissingListNoticeSet());
    // Already raised: a later scan finds it set and leaves it so.
    EXPECT_FALSE(QCorrectionData::SetMissingListNotice());
    auto second = Spectrum(mediator);
    EXPECT_FALSE(second->PrepareCompensation());
    EXPECT_TRUE(QCorrectionData::IsMissingListNoticeSet());
    // The log line stays one per failed attempt, as before.
    EXPECT_EQ(m_log.Count("--- can't open the correction file for the spectral correction."), 2);

    // The next run starts clear and raises it again.
    QCorrectionData::ClearMissingListNotice();
    EXPECT_TRUE(QCorrectionData::SetMissingListNotice());
}

TEST_F(MissingListNotice, OnlyAMissingListRaisesIt) {
    struct Case {
        const char* what;
        std::string setName;
        bool hasPreferences;
    };
    const Case cases[] = {
        {"the list is there", ScanCorrectionFolder::kHead, true},
        {"no Preferences node, no set named", "", false},
        {"no set named", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeScanDataMediator mediator;
        mediator.m_HasPreferences = c.hasPreferences;
        mediator.m_Settings.m_CorrectionSetName = c.setName;
        Spectrum(mediator)->PrepareCompensation();
        EXPECT_FALSE(QCorrectionData::IsMissingListNoticeSet());
    }

    // The spatial and the spectral/spatial kinds raise it as well.
    FakeScanDataMediator missing;
    missing.m_Settings.m_CorrectionSetName = "NoSuchHead";
    CSpatialScanData spatial;
    spatial.m_Mediator = &missing;
    spatial.SetProbeScanPatternSize(1, 1);
    spatial.m_Values = {10};
    EXPECT_FALSE(spatial.PrepareCompensation());
    EXPECT_TRUE(QCorrectionData::IsMissingListNoticeSet());

    QCorrectionData::ClearMissingListNotice();
    CSpectralSpatialScanData cells;
    cells.m_Mediator = &missing;
    EXPECT_FALSE(cells.PrepareSpectralCompensation());
    EXPECT_TRUE(QCorrectionData::IsMissingListNoticeSet());
}

// --- Which compensation switch a spectral/spatial level range follows ---

std::unique_ptr<QTransportContainer> GridStep(uint16_t rows, uint16_t columns) {
    auto* setup = new QSetupScanCommand();
    setup->SetProbeScanPattern(QProbeScanPattern(rows, columns));
    setup->SetFrequencyRange(100.0F, 200.0F);
    auto step = std::make_unique<QTransportContainer>();
    step->SetSetupScanCommand(setup);
    return step;
}

std::unique_ptr<QTransportContainer> CellStep(uint16_t row, uint16_t column,
                                              const std::vector<int16_t>& levels) {
    auto* component = new QSpectralSpatialScanComponent();
    component->SetCell(row, column, 0);
    component->SetHeader(0, 0, 0);
    component->SetPointCount(static_cast<uint32_t>(levels.size()));
    for (uint32_t i = 0; i < levels.size(); ++i) {
        component->SetAmplitude(i, levels[i]);
    }
    auto step = std::make_unique<QTransportContainer>();
    step->SetSpectralSpatialScanComponent(component);
    return step;
}

class ModeFlag {
public:
    ModeFlag() : m_previous(QCorrectionData::IsSpectralSpatialMode()) {}
    ~ModeFlag() { QCorrectionData::SetSpectralSpatialMode(m_previous); }
    ModeFlag(const ModeFlag&) = delete;
    ModeFlag& operator=(const ModeFlag&) = delete;

private:
    bool m_previous;
};

TEST(SpectralSpatialModeFlag, TheCorrectionDatabaseFlagChoosesTheSwitch) {
    const ModeFlag restore;
    const CompensationSwitches switches(true, false);
    QSpectralSpatialScanContainer container;
    container.TakeTransportContainer(GridStep(1, 2), false, nullptr, false);
    container.TakeTransportContainer(CellStep(0, 0, {5, 50, 7}), false, nullptr, false);
    // The cell's second spectrum replaces the first; the raw range only widens (5..50).
    container.TakeTransportContainer(CellStep(0, 0, {10, 20, 30}), false, nullptr, false);

    // Spectral mode, spectral switch on: the range over the records is the compensated one (no
    // correction set, so the levels as they are) and is kept for the spectral view.
    QCorrectionData::SetSpectralSpatialMode(true);
    float low = 0.0F;
    float high = 0.0F;
    container.GetLevelRange(&low, &high, &container.GetProbeScanPattern(), nullptr);
    EXPECT_EQ(low, 10.0F);
    EXPECT_EQ(high, 30.0F);
    int16_t viewLow = 0;
    int16_t viewHigh = 0;
    container.GetSpectralViewRange(&viewLow, &viewHigh);
    EXPECT_EQ(viewLow, 10);
    EXPECT_EQ(viewHigh, 30);
    container.GetLevelRange(&low, &high);
    EXPECT_EQ(low, 10.0F);
    EXPECT_EQ(high, 30.0F);

    // Spatial mode, spatial switch off: the raw range, and no view range is touched.
    QCorrectionData::SetSpectralSpatialMode(false);
    container.GetLevelRange(&low, &high);
    EXPECT_EQ(low, 5.0F);
    EXPECT_EQ(high, 50.0F);
    container.GetLevelRange(&low, &high, &container.GetProbeScanPattern(), nullptr);
    container.GetSpatialViewRange(&viewLow, &viewHigh);
    EXPECT_EQ(viewLow, 0);
    EXPECT_EQ(viewHigh, 0);

    // Spatial mode with the spatial switch on: the range goes to the spatial view.
    QCorrectionData::SetSpatialCompensationOn(true);
    container.GetLevelRange(&low, &high, &container.GetProbeScanPattern(), nullptr);
    container.GetSpatialViewRange(&viewLow, &viewHigh);
    EXPECT_EQ(viewLow, 10);
    EXPECT_EQ(viewHigh, 30);
}

// --- Cells rebuilt from loaded records ---

// The body as the container writes it, counted first (the container reports another size).
std::vector<uint8_t> WrittenBody(const QSerializable& object) {
    QCharCounterDataWriter counter;
    object.WriteBody(counter);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    object.WriteBody(writer);
    return bytes;
}

TEST(SpectralSpatialRebuild, PeakMapAndCellSpectrumComeBackFromTheRecords) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    const ScopedPromptInstall install(prompt);
    QSpectralSpatialScanContainer source;
    source.SetSetupRange(100.0F, 200.0F);
    source.TakeTransportContainer(GridStep(2, 2), false, nullptr, false);
    source.TakeTransportContainer(CellStep(0, 1, {4, 9, 9}), false, nullptr, false);
    source.TakeTransportContainer(CellStep(1, 0, {-3, -7, -1}), false, nullptr, false);

    // A container read from the body has the grid, the point count and the pattern, not the cells.
    QSpectralSpatialScanContainer loaded;
    const std::vector<uint8_t> body = WrittenBody(source);
    QCharArrayDataReader reader(body.data(), static_cast<uint32_t>(body.size()));
    loaded.ReadBody(reader);
    for (auto [r, c] : {std::pair{0U, 1U}, std::pair{1U, 0U}}) {
        const QSSCellRecord* record = source.GetCellRecord(r, c);
        auto copy = std::make_unique<QSSCellRecord>(*record);
        loaded.SetCellRecord(r, c, std::move(copy));
    }
    // A record whose point count is not the scan's is left out (and reported once).
    auto odd = std::make_unique<QSSCellRecord>();
    odd->m_Row = 1;
    odd->m_Column = 1;
    odd->m_Amplitudes = {1};
    loaded.SetCellRecord(1, 1, std::move(odd));

    EXPECT_EQ(loaded.RebuildFromCellRecords(), 2U);
    const QSSSpatialSnapshot& expected = source.GetPeakMap();
    const QSSSpatialSnapshot& peaks = loaded.GetPeakMap();
    ASSERT_EQ(peaks.GetRowCount(), 2U);
    ASSERT_EQ(peaks.GetColumnCount(), 2U);
    for (uint16_t r = 0; r < 2; ++r) {
        for (uint16_t c = 0; c < 2; ++c) {
            SCOPED_TRACE(::testing::Message() << r << "," << c);
            EXPECT_EQ(peaks.GetRawAmplitude(r, c), expected.GetRawAmplitude(r, c));
            EXPECT_EQ(peaks.GetFrequency(r, c), expected.GetFrequency(r, c));
        }
    }
    EXPECT_EQ(peaks.GetRawAmplitude(0, 1), 9);
    EXPECT_EQ(peaks.GetFrequency(0, 1), 150.0F); // the first of the two peaks
    EXPECT_EQ(peaks.GetRawAmplitude(1, 1), QSSSpatialSnapshot::kNoValue);
    EXPECT_EQ(prompt->Texts(), std::vector<std::string>{QSpectralSpatialScanContainer::kCorruptText});
    // The cell spectrum holds the last cell in row-major order, which here is the last received.
    ASSERT_EQ(loaded.GetCellSpectrum().GetPointCount(), 3U);
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded.GetCellSpectrum().GetRawAmplitude(i), source.GetCellSpectrum().GetRawAmplitude(i));
    }
    EXPECT_TRUE(loaded.GetProbeScanPattern().IsProbeOn(0, 1));
    EXPECT_FALSE(loaded.GetProbeScanPattern().IsProbeOn(1, 1));
}

// --- Comparison sources without a correction set are corrected once ---

TEST(ComparisonCorrection, ASourceWithoutACorrectionSetIsCorrectedOnce) {
    const ScanCorrectionFolder folder;
    const std::string head = std::string(ScanCorrectionFolder::kHead) + ",2,3";
    GetInstrumentInfo().SetScanHeadText("NoSuchHead,1");
    testing::FakeSourceNode a(1, testing::MakeSpectralSource(100.0F, 400.0F, 7, head, 50));
    testing::FakeSourceNode b(2, testing::MakeSpectralSource(100.0F, 400.0F, 7, head, 80));
    auto& first = static_cast<QSpectralScanContainer*>(a.Container())->GetSpectralScanRecord();
    testing::FakeComparisonOwner owner(&a, &b);
    QSpectralComparisonScanContainer comparison(&owner);
    {
        const QComparisonSourcesScope scope(comparison);
        comparison.CorrectSpectralSources(100.0F, 400.0F);
    }
    EXPECT_TRUE(first.IsCorrected());
    EXPECT_EQ(first.GetCorrectionSet(), 0);
    // Factors become available later: the source was handled and is not corrected again.
    GetInstrumentInfo().SetScanHeadText(head);
    {
        const QComparisonSourcesScope scope(comparison);
        comparison.CorrectSpectralSources(100.0F, 400.0F);
    }
    EXPECT_EQ(first.GetCorrectionSet(), 0);

    GetInstrumentInfo().SetScanHeadText("NoSuchHead,1");
    testing::FakeSourceNode c(3, testing::MakeSpatialSource(100.0F, 400.0F, 2, 3, 2, 3));
    testing::FakeSourceNode d(4, testing::MakeSpatialSource(100.0F, 400.0F, 2, 3, 2, 3));
    testing::FakeComparisonOwner spatialOwner(&c, &d);
    QSpatialComparisonScanContainer spatial(&spatialOwner);
    auto& map = static_cast<QSpatialScanContainer*>(c.Container())->GetSpatialScanRecord();
    {
        const QComparisonSourcesScope scope(spatial);
        spatial.CorrectSpatialSources();
    }
    EXPECT_TRUE(map.IsCorrected());
    EXPECT_EQ(map.GetCorrectionSet(), 0);
    GetInstrumentInfo().SetScanHeadText(head);
    {
        const QComparisonSourcesScope scope(spatial);
        spatial.CorrectSpatialSources();
    }
    EXPECT_EQ(map.GetCorrectionSet(), 0);
}

} // namespace
} // namespace orv
