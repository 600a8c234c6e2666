#include "project/QReceivedScanCopy.h"

#include "core/QProbeScanPattern.h"
#include "core/TypeIds.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScanContainer.h"
#include "scandata/QSpectralScanContainer.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QSpectralSpatialScanContainer.h"
#include "scandata/QTransportContainer.h"
#include "tests/scandata/support/ContainerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace orv {
namespace {

using Cell = std::pair<uint16_t, uint16_t>;

// A 2 x 3 set-up from 100 to 200 MHz with the given cells switched off.
QSetupScanCommand* MakeSetup(const std::vector<Cell>& off, uint8_t measurePeaks = 1) {
    auto* setup = new QSetupScanCommand();
    QProbeScanPattern pattern(2, 3);
    for (const Cell& cell : off) {
        pattern.SetProbeAt(cell.first, cell.second, 0);
    }
    setup->SetProbeScanPattern(pattern);
    setup->SetFrequencyRange(100.0F, 200.0F);
    setup->m_CenterFrequency = 150.0F;
    setup->m_ResolutionBandwidth = 0.12F;
    setup->m_MeasurePeaks = measurePeaks;
    return setup;
}

std::unique_ptr<QTransportContainer>
SpectrumStep(QSetupScanCommand* setup, const std::vector<QSpectralPoint>& points,
             const std::vector<QMeasuredFrequencyData::Entry>& peaks = {}) {
    auto* record = new QSpectralScan();
    record->SetPointCount(static_cast<uint32_t>(points.size()));
    for (uint32_t i = 0; i < points.size(); ++i) {
        record->SetAmplitude(i, points[i].m_Amplitude);
        record->SetPointWord1(i, points[i].m_Row);
        record->SetPointWord2(i, points[i].m_Column);
    }
    auto step = std::make_unique<QTransportContainer>();
    step->SetSetupScanCommand(setup);
    step->SetSpectralScan(record);
    if (!peaks.empty()) {
        auto* measured = new QMeasuredFrequencyData();
        measured->SetEntryCount(static_cast<uint32_t>(peaks.size()));
        for (uint32_t k = 0; k < peaks.size(); ++k) {
            measured->SetEntryIndex(k, peaks[k].m_Index);
            measured->SetEntryFrequency(k, peaks[k].m_Frequency);
        }
        step->SetMeasuredFrequencyData(measured);
    }
    return step;
}

std::unique_ptr<QTransportContainer> SpatialStep(QSetupScanCommand* setup, uint16_t rows, uint16_t columns,
                                                 int16_t firstLevel) {
    auto* record = new QSpatialScan();
    std::vector<uint8_t> body = {0, 0,
                                 0, static_cast<uint8_t>(rows),
                                 0, static_cast<uint8_t>(columns),
                                 0, static_cast<uint8_t>(rows),
                                 0, static_cast<uint8_t>(columns),
                                 0, 0,
                                 0};
    for (int cell = 0; cell < rows * columns; ++cell) {
        const auto level = static_cast<int16_t>(firstLevel + cell);
        body.push_back(static_cast<uint8_t>(level & 0xFF));
        body.push_back(static_cast<uint8_t>((level >> 8) & 0xFF));
    }
    testing::ReadBodyFrom(*record, body);
    auto step = std::make_unique<QTransportContainer>();
    step->SetSetupScanCommand(setup);
    step->SetSpatialScan(record);
    return step;
}

TEST(ReceivedScanCopyTest, SpectralCopiesCellsPointsAndSetup) {
    QSpectralScanContainer container;
    const std::vector<QSpectralPoint> points = {{-120, 1, 2}, {340, 0, 0}, {7, 1, 0}};
    container.TakeTransportContainer(SpectrumStep(MakeSetup({{0, 1}}), points), false, nullptr, false);

    const std::unique_ptr<QReceivedScanCopy> copy =
        CopyReceivedScan(kTypeSpectralScanNode, container, "2026-01-02,  03:04:05");
    ASSERT_NE(copy, nullptr);
    ASSERT_TRUE(copy->m_Spectral.has_value());
    EXPECT_FALSE(copy->m_Spatial.has_value());
    EXPECT_EQ(copy->m_Date, "2026-01-02,  03:04:05");
    EXPECT_FALSE(copy->m_RealTimeAnalyzerFormat);
    const QSpectralScanAddition& addition = *copy->m_Spectral;
    // Cells with the probe on, row by row, columns in order.
    EXPECT_EQ(addition.m_Markers, (std::vector<Cell>{{0, 0}, {0, 2}, {1, 0}, {1, 1}, {1, 2}}));
    EXPECT_TRUE(addition.m_HasPoints);
    EXPECT_EQ(addition.m_MirtPoints, points);
    EXPECT_EQ(addition.m_Record.m_StartFrequency, 100.0F);
    EXPECT_EQ(addition.m_Record.m_StopFrequency, 200.0F);
    EXPECT_EQ(addition.m_Record.m_CenterFrequency, 150.0F);
    EXPECT_EQ(addition.m_Record.m_ResolutionBandwidth, 0.12F);
    EXPECT_EQ(addition.m_Record.m_Rows, 2);
    EXPECT_EQ(addition.m_Record.m_Columns, 3);
    EXPECT_EQ(addition.m_Record.m_IsZeltData, 0);
}

TEST(ReceivedScanCopyTest, PeaksWithinTheRangeAtReceivedPoints) {
    const std::vector<QSpectralPoint> points(4);
    const std::vector<QMeasuredFrequencyData::Entry> peaks = {
        {0, 100.0F}, // start, inclusive
        {1, 99.9F},  // below the range
        {2, 200.0F}, // stop, inclusive
        {3, 200.5F}, // above the range
        {4, 150.0F}, // past the points
    };
    struct Case {
        uint8_t measurePeaks;
        std::vector<uint32_t> indexes;
    };
    for (const Case& c : {Case{1, {0, 2}}, Case{3, {0, 2}}, Case{0, {}}, Case{2, {}}}) {
        QSpectralScanContainer container;
        container.TakeTransportContainer(SpectrumStep(MakeSetup({}, c.measurePeaks), points, peaks), false,
                                         nullptr, false);
        const auto copy = CopyReceivedScan(kTypeSpectralScanNode, container, "");
        ASSERT_NE(copy, nullptr);
        std::vector<uint32_t> indexes;
        for (const QMeasuredFrequencyData::Entry& entry : copy->m_Spectral->m_MeasuredFrequencies) {
            indexes.push_back(entry.m_Index);
        }
        EXPECT_EQ(indexes, c.indexes) << int(c.measurePeaks);
    }
}

TEST(ReceivedScanCopyTest, OnePointScanKeepsTheSetupForItsStep) {
    QSpectralScanContainer container;
    container.TakeTransportContainer(SpectrumStep(MakeSetup({}), {{55, 0, 0}}), false, nullptr, false);
    const auto copy = CopyReceivedScan(kTypeSpectralScanNode, container, "");
    ASSERT_NE(copy, nullptr);
    // One point: the step is the set-up's bandwidth, which the record carries, never a division by 0.
    EXPECT_EQ(copy->m_Spectral->m_MirtPoints.size(), 1U);
    EXPECT_EQ(copy->m_Spectral->m_Record.m_ResolutionBandwidth, 0.12F);
}

TEST(ReceivedScanCopyTest, SpatialGridMarksUnmeasuredCells) {
    constexpr int16_t kOff = kUnmeasuredCellLevel;
    struct Case {
        const char* name;
        std::vector<Cell> off;
        uint16_t receivedRows;
        uint16_t receivedColumns;
        std::vector<int16_t> expected;
    };
    const Case cases[] = {
        {"all on", {}, 2, 3, {10, 11, 12, 13, 14, 15}},
        {"row 1 off", {{1, 0}, {1, 1}, {1, 2}}, 2, 3, {10, 11, 12, kOff, kOff, kOff}},
        {"one cell off", {{0, 1}}, 2, 3, {10, kOff, 12, 13, 14, 15}},
        // A received grid smaller than the set-up: the cells past it are unmeasured, nothing is read
        // beyond the received values.
        {"received 1 x 2", {}, 1, 2, {10, 11, kOff, kOff, kOff, kOff}},
    };
    for (const Case& c : cases) {
        QSpatialScanContainer container;
        container.TakeTransportContainer(SpatialStep(MakeSetup(c.off), c.receivedRows, c.receivedColumns, 10),
                                         false, nullptr, false);
        const auto copy = CopyReceivedScan(kTypeSpatialScanNode, container, "d");
        ASSERT_NE(copy, nullptr) << c.name;
        ASSERT_TRUE(copy->m_Spatial.has_value()) << c.name;
        EXPECT_EQ(copy->m_Spatial->m_Values, c.expected) << c.name;
        EXPECT_EQ(copy->m_Spatial->m_Record.m_Rows, 2) << c.name;
        EXPECT_EQ(copy->m_Spatial->m_Record.m_Columns, 3) << c.name;
    }
}

TEST(ReceivedScanCopyTest, AnInterleavedSpatialScanKeepsEveryFineCellAsItsTwelveByteRecord) {
    std::unique_ptr<QTransportContainer> step = SpatialStep(MakeSetup({}), 2, 3, 10);
    QSpatialScan* assembled = step->GetSpatialScan();
    assembled->SetHeader(1, 1, 0, 0);
    assembled->SetInterleavedResult(0, 0, 4, 4,
                                    {{0, 0, 0, 0, 12.5F}, {0, 0, 1, 1, -10000.0F}, {1, 2, 1, 0, 0.1F}});
    QSpatialScanContainer container;
    container.TakeTransportContainer(std::move(step), false, nullptr, false);

    const auto copy = CopyReceivedScan(kTypeSpatialScanNode, container, "d");
    ASSERT_NE(copy, nullptr);
    ASSERT_TRUE(copy->m_Spatial.has_value());
    const QSpatialScanAddition& addition = *copy->m_Spatial;
    EXPECT_EQ(addition.m_Record.m_IsZeltData, 1);
    EXPECT_EQ(addition.m_Record.m_ZeltLevel, 1);
    std::vector<uint8_t> expected;
    const auto put = [&expected](const void* value, size_t bytes) {
        const auto* raw = static_cast<const uint8_t*>(value);
        expected.insert(expected.end(), raw, raw + bytes);
    };
    for (const QSpatialFloatPoint& point : assembled->GetFloatPoints()) {
        for (const int16_t word : {point.m_Row, point.m_Column, point.m_SubRow, point.m_SubColumn}) {
            put(&word, sizeof word);
        }
        put(&point.m_Amplitude, sizeof point.m_Amplitude);
    }
    EXPECT_EQ(expected.size(), 36U);
    EXPECT_EQ(addition.m_ZeltRecords, expected);
    // The coarse grid still comes with it.
    EXPECT_EQ(addition.m_Values.size(), 6U);

    // An ordinary spatial scan carries no records.
    QSpatialScanContainer plain;
    plain.TakeTransportContainer(SpatialStep(MakeSetup({}), 2, 3, 10), false, nullptr, false);
    const auto ordinary = CopyReceivedScan(kTypeSpatialScanNode, plain, "d");
    ASSERT_NE(ordinary, nullptr);
    EXPECT_EQ(ordinary->m_Spatial->m_Record.m_IsZeltData, 0);
    EXPECT_TRUE(ordinary->m_Spatial->m_ZeltRecords.empty());
}

std::unique_ptr<QTransportContainer> CellStep(QSetupScanCommand* setup, uint16_t row, uint16_t column,
                                              const std::vector<int16_t>& levels) {
    auto* component = new QSpectralSpatialScanComponent();
    component->SetCell(row, column, 0);
    component->SetHeader(0, 0, 0);
    component->SetPointCount(static_cast<uint32_t>(levels.size()));
    for (uint32_t i = 0; i < levels.size(); ++i) {
        component->SetAmplitude(i, levels[i]);
    }
    auto step = std::make_unique<QTransportContainer>();
    step->SetSetupScanCommand(setup);
    step->SetSpectralSpatialScanComponent(component);
    return step;
}

TEST(ReceivedScanCopyTest, SpectralSpatialCopiesTheLastCellWithItsIndexCountAndPeak) {
    QSpectralSpatialScanContainer container;
    // Nothing received yet: nothing to list.
    EXPECT_EQ(CopyReceivedScan(kTypeSpectralSpatialScanNode, container, ""), nullptr);
    container.TakeTransportContainer(CellStep(MakeSetup({{1, 2}}), 0, 1, {4, 90, 7}), false, nullptr, false);
    container.TakeTransportContainer(CellStep(nullptr, 1, 0, {-5, -2, 60}), false, nullptr, false);

    const auto copy = CopyReceivedScan(kTypeSpectralSpatialScanNode, container, "d");
    ASSERT_NE(copy, nullptr);
    ASSERT_TRUE(copy->m_Cell.has_value());
    const QCellAddition& cell = *copy->m_Cell;
    EXPECT_EQ(cell.m_CellIndex, 2U); // records received
    EXPECT_EQ(cell.m_CellCount, 5U); // cells the pattern expects
    EXPECT_EQ(cell.m_CellWord1, 1);
    EXPECT_EQ(cell.m_CellWord2, 0);
    EXPECT_EQ(static_cast<int16_t>(cell.m_CellWord3), container.GetPeakMap().GetAmplitude(1, 0));
    EXPECT_EQ(cell.m_CellValue, container.GetPeakMap().GetFrequency(1, 0));
    EXPECT_TRUE(cell.m_HasValues);
    EXPECT_EQ(cell.m_Values, (std::vector<int16_t>{-5, -2, 60}));
    EXPECT_EQ(cell.m_Record.m_StartFrequency, 100.0F);

    // A spectral/spatial container is not a hand-held node's.
    EXPECT_EQ(CopyReceivedScan(kTypeHandHeldProbeScanNode, container, ""), nullptr);
    QHandHeldProbeScanContainer handHeld;
    EXPECT_EQ(CopyReceivedScan(kTypeSpectralSpatialScanNode, handHeld, ""), nullptr);
}

TEST(ReceivedScanCopyTest, OtherKindsAndMismatchedContainersGainNothing) {
    QSpectralScanContainer spectral;
    spectral.TakeTransportContainer(SpectrumStep(MakeSetup({}), {{1, 0, 0}}), false, nullptr, false);
    QSpatialScanContainer spatial;
    spatial.TakeTransportContainer(SpatialStep(MakeSetup({}), 2, 3, 0), false, nullptr, false);
    for (uint16_t kind : {uint16_t{2006}, uint16_t{2016}, uint16_t{2001}}) {
        EXPECT_EQ(CopyReceivedScan(kind, spectral, ""), nullptr) << kind;
        EXPECT_EQ(CopyReceivedScan(kind, spatial, ""), nullptr) << kind;
    }
    EXPECT_EQ(CopyReceivedScan(kTypeSpectralScanNode, spatial, ""), nullptr);
    EXPECT_EQ(CopyReceivedScan(kTypeSpatialScanNode, spectral, ""), nullptr);
}

} // namespace
} // namespace orv
