#include "scandata/QSpatialScan.h"

#include "core/QCorrectionData.h"
#include "core/QException.h"
#include "core/QProbeScanPattern.h"
#include "scandata/QDataPacketHandler.h"
#include "tests/scandata/support/ScanRecordFixtures.h"

#include <gtest/gtest.h>

#include <vector>

namespace orv {
namespace {

using testing::Bytes;
using testing::CompensationSwitchGuard;
using testing::ReadBody;
using testing::ReadFrame;
using testing::ScanCorrectionFolder;
using testing::SizedFrameBytes;

// A body of R x C cells numbered from `first`.
std::vector<uint8_t> Body(int8_t form, int8_t level, uint16_t rows, uint16_t columns, int16_t first = 1) {
    Bytes bytes;
    bytes.U8(static_cast<uint8_t>(form)).U8(static_cast<uint8_t>(level)).U8(1);
    bytes.U16(rows).U16(columns).U16(58).U16(84).U16(3);
    for (uint32_t k = 0; k < uint32_t{rows} * columns; ++k) {
        bytes.U16(static_cast<uint16_t>(first + static_cast<int16_t>(k)));
    }
    return bytes.Get();
}

QSpatialScan Grid(uint16_t rows, uint16_t columns, const std::vector<int16_t>& levels) {
    QSpatialScan scan;
    scan.SetGridSize(rows, columns);
    for (uint16_t r = 0; r < rows; ++r) {
        for (uint16_t c = 0; c < columns; ++c) {
            scan.SetStoredAmplitude(r, c, levels[r * columns + c]);
        }
    }
    return scan;
}

std::vector<int16_t> Levels(const QSpatialScan& scan) {
    return scan.GetGrid().m_Cells;
}

TEST(SpatialScan, LevelZeroFillsTheMainGrid) {
    QSpatialScan scan;
    ReadBody(scan, Body(0, 0, 2, 3));
    EXPECT_EQ(scan.GetRowCount(), 2);
    EXPECT_EQ(scan.GetColumnCount(), 3);
    EXPECT_EQ(scan.GetGridFactor(), 1U);
    EXPECT_EQ(Levels(scan), (std::vector<int16_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(scan.GetSecondGridRows(), 58);
    EXPECT_EQ(scan.GetSecondGridColumns(), 84);
    EXPECT_EQ(scan.GetSubPosition(), 3);
    EXPECT_EQ(scan.GetBodySize(), 13U + 12U);
    EXPECT_EQ(testing::SizedBodyBytes(scan), Body(0, 0, 2, 3));
}

TEST(SpatialScan, LevelTwoFillsTheSubGridAndWritesItBack) {
    QSpatialScan scan;
    ReadBody(scan, Body(0, 0, 2, 3, 100)); // the main grid keeps these cells: same count
    ReadBody(scan, Body(1, 2, 2, 3));
    EXPECT_EQ(scan.GetGridFactor(), 4U);
    EXPECT_EQ(scan.GetSubGrid().m_Cells, (std::vector<int16_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Levels(scan), (std::vector<int16_t>{100, 101, 102, 103, 104, 105}));
    EXPECT_EQ(testing::SizedBodyBytes(scan), Body(1, 2, 2, 3));

    QSpatialScan framed;
    ReadFrame(framed, SizedFrameBytes(scan));
    EXPECT_EQ(framed.GetSubGrid().m_Cells, scan.GetSubGrid().m_Cells);
    EXPECT_EQ(framed.GetLevel(), 2);
    EXPECT_EQ(framed.GetPassFlag(), 1);
}

TEST(SpatialScan, EveryEngineLevelReadsAndWritesBackByteIdentical) {
    for (const int8_t level : {int8_t{0}, int8_t{5}, int8_t{7}}) {
        SCOPED_TRACE(static_cast<int>(level));
        const std::vector<uint8_t> body = Body(level > 0 ? 1 : 0, level, 3, 2);
        QSpatialScan scan;
        ReadBody(scan, body);
        EXPECT_EQ(scan.GetLevel(), level);
        EXPECT_EQ(scan.GetGridFactor(), 1U << level);
        EXPECT_EQ(testing::SizedBodyBytes(scan), body);

        QSpatialScan framed;
        ReadFrame(framed, SizedFrameBytes(scan));
        EXPECT_EQ(testing::SizedBodyBytes(framed), body);
    }
    QSpatialScan header;
    header.SetHeader(0, 7, 0, 0);
    EXPECT_EQ(header.GetLevel(), 7);
    EXPECT_EQ(header.GetGridFactor(), 128U);
}

TEST(SpatialScan, OversizedOrShortBodiesThrowAndLeaveTheRecordAsItWas) {
    std::vector<uint8_t> shortBody = Body(0, 0, 2, 3);
    shortBody.pop_back();
    const std::vector<std::vector<uint8_t>> bodies{
        Body(0, 0, 65, 1),  // more than 64 rows
        Body(0, 0, 1, 65),  // more than 64 columns
        Body(0, 8, 1, 1),   // level above the range
        Body(0, 30, 1, 1),  // far above it
        Body(0, -1, 1, 1),  // negative level
        Body(1, 1, 40, 31), // an interleaved grid larger than one hand-over
        shortBody,
        Bytes().U8(0).U8(0).U8(0).U16(64).U16(64).U16(0).U16(0).U16(0).Get(), // cells missing
    };
    for (const auto& body : bodies) {
        QSpatialScan scan = Grid(1, 2, {7, 8});
        QCharArrayDataReader reader(body.data(), static_cast<uint32_t>(body.size()));
        EXPECT_THROW(scan.ReadBody(reader), QIOException);
        EXPECT_EQ(scan.GetRowCount(), 1);
        EXPECT_EQ(Levels(scan), (std::vector<int16_t>{7, 8}));
    }
    // The largest accepted grids.
    QSpatialScan full;
    ReadBody(full, Body(0, 2, 64, 64));
    EXPECT_EQ(full.GetSubGrid().m_Cells.size(), 4096U);
    ReadBody(full, Body(1, 1, 42, 29));
    EXPECT_EQ(full.GetRowCount(), 42);
}

TEST(SpatialScan, MergesWorkOverThePatternAndTheCommonGrid) {
    QProbeScanPattern pattern(2, 3);
    pattern.SetProbeAt(0, 1, 0); // not selected
    pattern.SetProbeAt(1, 2, 2); // bit 0 clear: not selected

    QSpatialScan held;
    held.MergeScan(QSpatialScan::kMergeMaximumHold, Grid(2, 3, {10, 10, 10, 10, 10, 10}), pattern);
    EXPECT_EQ(Levels(held), (std::vector<int16_t>{10, 10, 10, 10, 10, 10}));

    held.MergeScan(QSpatialScan::kMergeMaximumHold, Grid(2, 3, {11, 50, -5, 10, 12, 99}), pattern);
    EXPECT_EQ(Levels(held), (std::vector<int16_t>{11, 10, 10, 10, 12, 10}));
    EXPECT_EQ(held.GetAverageCount(), 1);

    // Running average, n = 1 then 2: trunc((in + own x n) / (n + 1)).
    held.MergeScan(QSpatialScan::kMergeRunningAverage, Grid(2, 3, {20, 0, 0, 0, 0, 0}), pattern);
    EXPECT_EQ(Levels(held), (std::vector<int16_t>{15, 10, 5, 5, 6, 10}));
    EXPECT_EQ(held.GetAverageCount(), 2);
    held.MergeScan(QSpatialScan::kMergeRunningAverage, Grid(2, 3, {-46, 0, 0, 0, 0, 0}), pattern);
    EXPECT_EQ(Levels(held), (std::vector<int16_t>{-5, 10, 3, 3, 4, 10})); // -16/3 = -5.33 -> -5
    EXPECT_EQ(held.GetAverageCount(), 3);

    // A smaller incoming grid or pattern: only the intersection merges.
    held.MergeScan(QSpatialScan::kMergeMaximumHold, Grid(1, 1, {500}), pattern);
    EXPECT_EQ(Levels(held), (std::vector<int16_t>{500, 10, 3, 3, 4, 10}));
    held.MergeScan(QSpatialScan::kMergeMaximumHold, Grid(2, 3, {0, 0, 0, 600, 600, 600}),
                   QProbeScanPattern(1, 3));
    EXPECT_EQ(Levels(held), (std::vector<int16_t>{500, 10, 3, 3, 4, 10}));

    // Interleaved records are never merged.
    QSpatialScan interleaved = Grid(2, 3, {900, 900, 900, 900, 900, 900});
    interleaved.SetHeader(1, 1, 0, 0);
    held.MergeScan(QSpatialScan::kMergeMaximumHold, interleaved, pattern);
    EXPECT_EQ(Levels(held), (std::vector<int16_t>{500, 10, 3, 3, 4, 10}));
}

TEST(SpatialScan, LevelRangeOverSelectedCells) {
    QProbeScanPattern pattern(2, 2);
    pattern.SetProbeAt(0, 0, 0);
    const QSpatialScan scan = Grid(2, 2, {-100, 40, 7, 40});
    float low = 1.0f;
    float high = 1.0f;
    scan.GetStoredLevelRange(pattern, &low, &high);
    EXPECT_EQ(low, 7.0f);
    EXPECT_EQ(high, 40.0f);
    scan.GetLevelRange(QProbeScanPattern(2, 2, 0, 100), &low, &high);
    EXPECT_EQ(low, 0.0f);
    EXPECT_EQ(high, 0.0f);
}

TEST(SpatialScan, CorrectionFactorsAndTheSpatialThreshold) {
    const ScanCorrectionFolder folder;
    const CompensationSwitchGuard guard;
    QProbeScanPattern pattern(2, 3);
    pattern.SetProbeAt(0, 1, 0);

    QSpatialScan scan = Grid(2, 3, {100, 100, 101, 101, 101, 101});
    scan.SetFrequency(150.0f); // between the first two rows: half-way
    scan.ApplyCorrectionFactors(pattern);
    ASSERT_TRUE(scan.IsCorrected());
    const auto f = &ScanCorrectionFolder::Factor;
    EXPECT_FLOAT_EQ(scan.GetCellCorrection(0, 0), f(0, 0) + (f(1, 0) - f(0, 0)) * 0.5f);
    EXPECT_FLOAT_EQ(scan.GetCellCorrection(1, 2), f(0, 5) + (f(1, 5) - f(0, 5)) * 0.5f);
    EXPECT_FLOAT_EQ(scan.GetCellCorrection(0, 1), 1.0f); // not selected

    QCorrectionData::SetSpatialCompensationOn(true);
    QCorrectionData::SetSpatialCompensationThreshold(100.0f);
    EXPECT_EQ(scan.GetAmplitude(0, 0), 100);      // exactly at the threshold
    EXPECT_EQ(scan.GetAmplitude(1, 2), 101 + 20); // trunc(2.0 x 10)
    EXPECT_EQ(scan.GetAmplitude(1, 0), 101 + 17); // the factor 1.8 is 1.7999999 in single precision
    // A record that its container has given a level of its own ignores the application-wide one.
    scan.SetCompensationLevel(101.0f);
    EXPECT_EQ(scan.GetAmplitude(1, 2), 101); // not above its own level
    QCorrectionData::SetSpatialCompensationThreshold(500.0f);
    scan.SetCompensationLevel(100.0f);
    EXPECT_EQ(scan.GetAmplitude(1, 2), 101 + 20);
    QCorrectionData::SetSpatialCompensationOn(false);
    EXPECT_EQ(scan.GetAmplitude(1, 2), 101);

    // At or below the lowest frequency of the set every cell keeps 1.0.
    QSpatialScan low = Grid(2, 3, {1, 1, 1, 1, 1, 1});
    low.SetFrequency(10.0f);
    low.ApplyCorrectionFactors(pattern);
    for (uint16_t r = 0; r < 2; ++r) {
        for (uint16_t c = 0; c < 3; ++c) {
            EXPECT_FLOAT_EQ(low.GetCellCorrection(r, c), 1.0f);
        }
    }
}

class RecordingHandler : public QDataPacketHandler {
public:
    void ProcessZeltSpatialScanData(const QZeltSpatialHandOver& record) override {
        m_Spatial.push_back(record);
    }
    void ZeltSpectralSpatialScanData(const QZeltSpectralSpatialHandOver& record) override {
        m_Spectral.push_back(record);
    }
    std::vector<QZeltSpatialHandOver> m_Spatial;
    std::vector<QZeltSpectralSpatialHandOver> m_Spectral;
};

TEST(SpatialScan, OnlyInterleavedRecordsAreHandedOver) {
    RecordingHandler handler;
    QSpatialScan plain;
    ReadBody(plain, Body(0, 0, 2, 3));
    EXPECT_FALSE(plain.DeliverToHandler(&handler));

    QSpatialScan interleaved;
    ReadBody(interleaved, Body(1, 2, 2, 3, -3));
    EXPECT_FALSE(interleaved.DeliverToHandler(nullptr));
    EXPECT_TRUE(interleaved.DeliverToHandler(&handler));
    ASSERT_EQ(handler.m_Spatial.size(), 1U);
    const QZeltSpatialHandOver& record = handler.m_Spatial[0];
    EXPECT_EQ(record.m_Level, 2);
    EXPECT_EQ(record.m_SubPosition, 3U);
    EXPECT_EQ(record.m_PassFlag, 1);
    EXPECT_EQ(record.m_Rows, 2);
    EXPECT_EQ(record.m_Columns, 3);
    EXPECT_EQ(record.m_Values[0], -3.0);
    EXPECT_EQ(record.m_Values[5], 2.0);
    EXPECT_EQ(record.m_Values[6], 0.0);
}

} // namespace
} // namespace orv
