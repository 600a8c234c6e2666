#include "core/QException.h"
#include "core/QFrequencyBucketList.h"
#include "core/QProbeScanPattern.h"
#include "platform/fs/AppPaths.h"
#include "platform/ui/ScriptedPrompt.h"
#include "scandata/QHandHeldProbeScan.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QSpectralSpatialScanContainer.h"
#include "scandata/QTransportContainer.h"
#include "tests/scandata/support/ContainerTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

using testing::BodyBytes;
using testing::CompensationSwitches;
using testing::ReadBodyFrom;

std::unique_ptr<QTransportContainer> SetupStep(uint16_t rows, uint16_t columns) {
    auto* setup = new QSetupScanCommand();
    setup->SetProbeScanPattern(QProbeScanPattern(rows, columns));
    setup->SetFrequencyRange(100.0F, 200.0F);
    setup->SetScanKind(101);
    auto tc = std::make_unique<QTransportContainer>();
    tc->SetSetupScanCommand(setup);
    return tc;
}

std::unique_ptr<QTransportContainer> CellStep(uint16_t row, uint16_t column,
                                              const std::vector<int16_t>& levels, int8_t dataForm = 0) {
    auto* component = new QSpectralSpatialScanComponent();
    component->SetCell(row, column, 0);
    component->SetHeader(dataForm, 0, 0);
    component->SetPointCount(static_cast<uint32_t>(levels.size()));
    for (uint32_t i = 0; i < levels.size(); ++i) {
        component->SetAmplitude(i, levels[i]);
    }
    auto tc = std::make_unique<QTransportContainer>();
    tc->SetSpectralSpatialScanComponent(component);
    return tc;
}

class SpectralSpatialRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(m_container.TakeTransportContainer(SetupStep(2, 2), false, nullptr, false), 2U);
        Add(0, 0, {-100, -50, 20, 10, -80});
        Add(0, 1, {-90, -40, -40, 35, -70});
        Add(1, 0, {-120, 60, 5, 60, -20});
        Add(1, 1, {-60, -60, -60, -60, -60});
    }
    void Add(uint16_t row, uint16_t column, const std::vector<int16_t>& levels, int8_t dataForm = 0) {
        m_container.TakeTransportContainer(CellStep(row, column, levels, dataForm), false, nullptr, false);
    }
    std::pair<float, float> Range() {
        float low = 0.0F;
        float high = 0.0F;
        m_container.GetLevelRange(&low, &high);
        return {low, high};
    }

    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_install{m_prompt};
    CompensationSwitches m_switches{false, false};
    QSpectralSpatialScanContainer m_container;
};

TEST_F(SpectralSpatialRun, PeakMapPeakFrequencyAndCellSpectrum) {
    EXPECT_TRUE(m_container.HasScanData());
    EXPECT_EQ(m_container.GetPointCount(), 5U);
    EXPECT_EQ(m_container.GetRecordSize(), 13U + 2U * 5U);
    EXPECT_EQ(m_container.GetExpectedRecords(), 4U);
    EXPECT_EQ(m_container.GetReceivedRecords(), 4U);
    const QSpatialScanInterface& peaks = *m_container.GetSpatialScan();
    struct Case {
        uint16_t row, column;
        int16_t level;
        float frequency;
    };
    // start + (stop - start) / (N - 1) x index of the first maximum
    for (const Case& c :
         {Case{0, 0, 20, 150.0F}, Case{0, 1, 35, 175.0F}, Case{1, 0, 60, 125.0F}, Case{1, 1, -60, 100.0F}}) {
        EXPECT_EQ(peaks.GetAmplitude(c.row, c.column), c.level);
        EXPECT_FLOAT_EQ(peaks.GetFrequency(c.row, c.column), c.frequency);
    }
    const QSpectralScanInterface& cell = *m_container.GetSpectralScan();
    EXPECT_EQ(cell.GetAmplitude(1), -60);
    EXPECT_EQ(cell.GetPointWord1(1), 1);
    EXPECT_EQ(cell.GetPointWord2(1), 1);
    EXPECT_EQ(Range(), std::make_pair(-120.0F, 60.0F));
    EXPECT_TRUE(m_prompt->Texts().empty());
}

TEST_F(SpectralSpatialRun, ASecondRecordReplacesTheCellAndTheRangeOnlyWidens) {
    Add(0, 0, {0, 0, 0, 1, 0});
    EXPECT_EQ(m_container.GetSpatialScan()->GetAmplitude(0, 0), 1);
    EXPECT_FLOAT_EQ(m_container.GetSpatialScan()->GetFrequency(0, 0), 175.0F);
    EXPECT_EQ(m_container.GetSpectralScan()->GetAmplitude(3), 1);
    EXPECT_EQ(Range(), std::make_pair(-120.0F, 60.0F));
    Add(0, 0, {-300, 0, 0, 90, 0});
    EXPECT_EQ(Range(), std::make_pair(-300.0F, 90.0F));
    EXPECT_EQ(m_container.GetCellRecord(0, 0)->m_Amplitudes[0], -300);
}

TEST_F(SpectralSpatialRun, CorruptRecordsAreRefusedAndReportedOnce) {
    Add(0, 1, {1, 2, 3});             // wrong point count
    Add(1, 1, {1, 2, 3, 4, 5, 6, 7}); // wrong point count again
    Add(2, 0, {9, 9, 9, 9, 9});       // outside the 2 x 2 grid
    EXPECT_EQ(m_prompt->Texts(), std::vector<std::string>{QSpectralSpatialScanContainer::kCorruptText});
    EXPECT_EQ(m_prompt->Requests()[0].caption, "Spectral Spatial Scan Error");
    EXPECT_TRUE(m_container.IsCorruptionReported());
    EXPECT_EQ(m_container.GetDroppedRecords(), 1U);
    EXPECT_EQ(m_container.GetReceivedRecords(), 4U);
    EXPECT_EQ(m_container.GetSpatialScan()->GetAmplitude(0, 1), 35);
    EXPECT_EQ(Range(), std::make_pair(-120.0F, 60.0F));
}

TEST_F(SpectralSpatialRun, ClearThenAddAgainStartsANewGeometry) {
    m_container.ClearScanData();
    EXPECT_EQ(m_container.GetGridRows(), 0U);
    EXPECT_EQ(m_container.GetCellRecord(0, 0), nullptr);
    EXPECT_EQ(m_container.GetLastRecord(), nullptr);
    EXPECT_EQ(m_container.GetSpectralScanForCells(QProbeScanPattern(2, 2))->GetPointCount(), 0U);
    EXPECT_EQ(m_container.GetPointCount(), 0U);
    EXPECT_EQ(m_container.GetCurrentSpectrum(), nullptr);
    EXPECT_EQ(m_container.GetSpatialScan()->GetRowCount(), 0);
    EXPECT_EQ(Range(), std::make_pair(0.0F, 0.0F));
    // The container still says it holds data; the missing geometry makes this a first record.
    Add(1, 1, {7, 8, 9});
    EXPECT_EQ(m_container.GetPointCount(), 3U);
    EXPECT_EQ(m_container.GetSpatialScan()->GetAmplitude(1, 1), 9);
    EXPECT_EQ(m_container.GetSpatialScan()->GetAmplitude(0, 0), QSSSpatialSnapshot::kNoValue);
    EXPECT_EQ(Range(), std::make_pair(7.0F, 9.0F));
    EXPECT_TRUE(m_prompt->Texts().empty());
}

TEST_F(SpectralSpatialRun, ResultsForCellsAndSelections) {
    QProbeScanPattern cells(2, 2, 0, 100);
    cells.SetProbeAt(0, 0, 1);
    cells.SetProbeAt(1, 0, 1);
    const QSpectralScanInterface& spectrum = *m_container.GetSpectralScanForCells(cells);
    const std::vector<int16_t> expected = {-100, 60, 20, 60, -20};
    for (uint32_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(spectrum.GetAmplitude(i), expected[i]) << i;
    }
    EXPECT_EQ(spectrum.GetPointWord1(0), 0);
    EXPECT_EQ(spectrum.GetPointWord1(1), 1);

    QFrequencyBucketList selection;
    selection.Insert(0);
    selection.Insert(2);
    selection.Insert(40); // past the point count: skipped
    const QSpatialScanInterface& map = *m_container.GetSpatialScanForCells(selection);
    EXPECT_EQ(map.GetAmplitude(0, 0), 20);
    EXPECT_FLOAT_EQ(map.GetFrequency(0, 0), 150.0F);
    EXPECT_EQ(map.GetAmplitude(0, 1), -40);
    EXPECT_EQ(map.GetAmplitude(1, 1), -60); // first maximum wins
    EXPECT_FLOAT_EQ(map.GetFrequency(1, 1), 100.0F);

    float low = 0.0F;
    float high = 0.0F;
    m_container.GetLevelRange(&low, &high, &cells, &selection);
    EXPECT_EQ(low, -120.0F);
    EXPECT_EQ(high, 20.0F);
    m_container.GetLevelRange(&low, &high, nullptr, &selection);
    EXPECT_EQ(high, 20.0F);
    EXPECT_EQ(low, -120.0F);
}

TEST_F(SpectralSpatialRun, MultiLevelRecordsRemakeThePicturesAndGetTheirPosition) {
    // As the communication layer reassembles it: the block (row 1, column 0, sub-row 2,
    // sub-column 3, then six points) and P = 6.
    std::vector<uint8_t> block = {1, 0, 0, 0, 2, 0, 3, 0};
    for (float point : {-10.0F, -20.0F, -30.0F, -40.0F, -50.0F, -60.0F}) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(&point);
        block.insert(block.end(), bytes, bytes + sizeof point);
    }
    auto* component = new QSpectralSpatialScanComponent();
    component->SetCell(1, 0, 6);
    component->SetHeader(1, 1, 0);
    component->SetInterleavedBlock(0, 6, block, 1, 16);
    auto tc = std::make_unique<QTransportContainer>();
    tc->SetSpectralSpatialScanComponent(component);
    m_container.TakeTransportContainer(std::move(tc), false, nullptr, false);

    EXPECT_EQ(m_container.GetReceivedRecords(), 5U);
    const auto* last = dynamic_cast<const QSpectralSpatialScanComponent*>(m_container.GetLastRecord());
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->GetPosition(), (std::array<uint16_t, 4>{1, 0, 2, 3}));
    EXPECT_EQ(m_container.GetSpatialScan()->GetAmplitude(0, 0), QSSSpatialSnapshot::kNoValue);
    EXPECT_EQ(m_container.GetSpatialScan()->GetAmplitude(1, 1), QSSSpatialSnapshot::kNoValue);
    // P, not the block's 16 words.
    EXPECT_EQ(m_container.GetSpectralScan()->GetPointCount(), 6U);
    EXPECT_EQ(m_container.GetCellRecord(0, 0), nullptr);
}

// "Measure Peaks" sends the measured frequencies after the cells; the spectra handed out before
// keep reading the container's table and see the new breakpoints.
TEST_F(SpectralSpatialRun, AMeasuredFrequencyRecordAfterTheCellsReachesTheSpectra) {
    const QSpectralScanInterface& cell = *m_container.GetSpectralScan();
    const QSpectralScanInterface& result =
        *m_container.GetSpectralScanForCells(m_container.GetProbeScanPattern());
    for (int step = 0; step < 2; ++step) {
        auto* table = new QMeasuredFrequencyData();
        table->Reset(1);
        table->SetEntryIndex(0, 2);
        table->SetEntryFrequency(0, 160.0F + static_cast<float>(step) * 20.0F);
        auto tc = std::make_unique<QTransportContainer>();
        tc->SetMeasuredFrequencyData(table);
        m_container.TakeTransportContainer(std::move(tc), false, nullptr, false);

        const float breakpoint = 160.0F + static_cast<float>(step) * 20.0F;
        for (const QSpectralScanInterface* spectrum : {&cell, &result}) {
            EXPECT_FLOAT_EQ(spectrum->GetFrequency(2), breakpoint);
            // between the stored set-up start (10) and the breakpoint
            EXPECT_FLOAT_EQ(spectrum->GetFrequency(1), 10.0F + (breakpoint - 10.0F) / 2.0F);
        }
    }
    // A new set-up empties the table in place.
    m_container.TakeTransportContainer(SetupStep(2, 2), false, nullptr, false);
    EXPECT_EQ(m_container.GetMeasuredFrequencyData().GetEntryCount(), 0U);
    Add(0, 0, {1, 2, 3, 4, 5});
    EXPECT_FLOAT_EQ(m_container.GetSpectralScan()->GetFrequency(2), 10.0F + 90.0F * 2.0F / 5.0F);
}

TEST_F(SpectralSpatialRun, BodyRoundTripRestoresSettingsWithEmptyResults) {
    m_container.SetSetupRange(30.0F, 40.0F);
    const std::vector<uint8_t> body = BodyBytes(m_container);
    EXPECT_EQ(body.size(), 24U + m_container.GetProbeScanPattern().GetBodySize());

    QSpectralSpatialScanContainer back;
    ReadBodyFrom(back, body);
    EXPECT_EQ(BodyBytes(back), body);
    EXPECT_EQ(back.GetPointCount(), 5U);
    EXPECT_EQ(back.GetMinLevel(), -120);
    EXPECT_EQ(back.GetMaxLevel(), 60);
    EXPECT_TRUE(back.GetProbeScanPattern().IsProbeOn(1, 1));
    EXPECT_EQ(back.GetGridRows(), 2U);
    EXPECT_EQ(back.GetCellRecord(0, 0), nullptr);
    EXPECT_EQ(back.GetSpectralScanForCells(back.GetProbeScanPattern())->GetPointCount(), 5U);
    EXPECT_EQ(back.GetBodySize(), 12U + back.GetProbeScanPattern().GetBodySize() + 4U + 16U);

    std::vector<uint8_t> huge = body;
    huge[4] = 0xFF;
    huge[5] = 0xFF;
    huge[6] = 0xFF;
    huge[7] = 0xFF;
    EXPECT_THROW(ReadBodyFrom(back, huge), QIOException);
    std::vector<uint8_t> truncated(body.begin(), body.end() - 1);
    EXPECT_THROW(ReadBodyFrom(back, truncated), QIOException);
    EXPECT_EQ(BodyBytes(back), body);
}

TEST(HandHeldProbeScanContainerTest, TakesHandHeldRecords) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall install(prompt);
    QHandHeldProbeScanContainer container;
    EXPECT_EQ(container.GetTypeID(), 1026);
    container.TakeTransportContainer(SetupStep(1, 3), false, nullptr, false);
    for (uint16_t column = 0; column < 3; ++column) {
        auto* record = new QHandHeldProbeScan();
        record->SetCell(0, column);
        record->SetPointCount(2);
        record->SetAmplitude(1, static_cast<int16_t>(10 * column));
        auto tc = std::make_unique<QTransportContainer>();
        tc->SetHandHeldProbeScan(record);
        // A spectral/spatial component in the same step is not this kind's and is freed.
        tc->SetSpectralSpatialScanComponent(new QSpectralSpatialScanComponent());
        container.TakeTransportContainer(std::move(tc), false, nullptr, false);
    }
    EXPECT_EQ(container.GetReceivedRecords(), 3U);
    EXPECT_EQ(container.GetSpatialScan()->GetAmplitude(0, 2), 20);
    EXPECT_FLOAT_EQ(container.GetSpatialScan()->GetFrequency(0, 2), 200.0F);
    EXPECT_NE(dynamic_cast<const QHandHeldProbeScan*>(container.GetLastRecord()), nullptr);
    EXPECT_TRUE(prompt->Texts().empty());
}

TEST(HandHeldProbeScanContainerTest, ScanFileGoesToTheTempFolder) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("orv-cont-temp-" + std::to_string(::getpid()));
    SetProcessTempFolderOverride(folder.string());
    {
        QHandHeldProbeScanContainer container;
        const std::string path = container.GetTempFilePath();
        EXPECT_EQ(container.GetTempFilePath(), path);
        EXPECT_EQ(std::filesystem::path(path).filename().string().rfind("stv", 0), 0U);
        EXPECT_TRUE(std::filesystem::exists(path));
    }
    SetProcessTempFolderOverride("");
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace orv
