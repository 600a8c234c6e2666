#include "scandata/QSpectralScan.h"
#include "core/QCorrectionSet.h"

#include "analyzers/CInstrumentInfo.h"
#include "core/QCorrectionData.h"
#include "core/QException.h"
#include "core/QScanHeadInfo.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "tests/scandata/support/ScanRecordFixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include <vector>

namespace orv {
namespace {

using testing::CompensationSwitchGuard;
using testing::ReadFrame;
using testing::ScanCorrectionFolder;
using testing::SizedBodyBytes;
using testing::SizedFrameBytes;

struct Point {
    int16_t amplitude;
    uint16_t row;
    uint16_t column;
};

QSpectralScan Make(const std::vector<Point>& points) {
    QSpectralScan scan;
    scan.SetPointCount(static_cast<uint32_t>(points.size()));
    for (uint32_t i = 0; i < points.size(); ++i) {
        scan.SetAmplitude(i, points[i].amplitude);
        scan.SetPointWord1(i, points[i].row);
        scan.SetPointWord2(i, points[i].column);
    }
    return scan;
}

void ExpectPoints(const QSpectralScan& scan, const std::vector<Point>& points) {
    ASSERT_EQ(scan.GetPointCount(), points.size());
    for (uint32_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(scan.GetStoredAmplitude(i), points[i].amplitude) << i;
        EXPECT_EQ(scan.GetPointWord1(i), points[i].row) << i;
        EXPECT_EQ(scan.GetPointWord2(i), points[i].column) << i;
    }
}

TEST(SpectralScan, EmptyRecordIsSevenBodyBytesAndReadsBackWithoutPoints) {
    const QSpectralScan scan;
    EXPECT_EQ(SizedFrameBytes(scan),
              (std::vector<uint8_t>{0x2A, 0, 0, 99, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    QSpectralScan back = Make({{5, 1, 1}});
    ReadFrame(back, SizedFrameBytes(scan));
    EXPECT_FALSE(back.HasData());
    EXPECT_EQ(back.GetPointCount(), 0U);
    float low = -1.0f;
    float high = -1.0f;
    back.GetLevelRange(&low, &high);
    EXPECT_EQ(low, 0.0f);
    EXPECT_EQ(high, 0.0f);
}

TEST(SpectralScan, ThreePointsHaveTheEngineLayoutAndRoundTrip) {
    const QSpectralScan scan = Make({{-5, 1, 2}, {300, 3, 4}, {0, 0, 0}});
    const std::vector<uint8_t> expected{0x2A, 0,    0, 99, 0, 25, 0,    0, 0,          // frame
                                        0,    0,    0, 3,  0, 0,  0,                   // header, N
                                        0xFB, 0xFF, 1, 0,  2, 0,  0x2C, 1, 3, 0, 4, 0, // points
                                        0,    0,    0, 0,  0, 0};
    const std::vector<uint8_t> bytes = SizedFrameBytes(scan);
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(scan.GetSerializedSize(), bytes.size());

    // The leading bytes are kept as read.
    std::vector<uint8_t> withHeader = bytes;
    withHeader[10] = 0x11;
    withHeader[11] = 0x22;
    QSpectralScan back;
    ReadFrame(back, withHeader);
    ExpectPoints(back, {{-5, 1, 2}, {300, 3, 4}, {0, 0, 0}});
    EXPECT_EQ(back.GetHeaderByte2(), 0x11);
    EXPECT_EQ(back.GetHeaderByte3(), 0x22);
    EXPECT_EQ(back.GetPeakAmplitude(1), 300.0f);
    EXPECT_EQ(SizedFrameBytes(back), withHeader);
}

TEST(SpectralScan, BadBodiesThrowAndLeaveTheRecordAsItWas) {
    const std::vector<std::vector<uint8_t>> bodies{
        {0, 0, 0, 3, 0, 0, 0, 1, 0, 2, 0, 3, 0}, // three points announced, two bytes short of one
        {0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},       // four billion points, none present
        {1, 0, 0, 1, 0, 0, 0, 0, 0, 0x80, 0x3F, 1, 0, 2, 0, 3, 0, 4}, // a wide point one byte short
        {0, 0, 0},                                                    // no count
    };
    for (const auto& body : bodies) {
        QSpectralScan scan = Make({{10, 1, 2}, {20, 3, 4}});
        scan.SetFrequencyRange(1.0f, 2.0f);
        QCharArrayDataReader reader(body.data(), static_cast<uint32_t>(body.size()));
        EXPECT_THROW(scan.ReadBody(reader), QIOException);
        ExpectPoints(scan, {{10, 1, 2}, {20, 3, 4}});
        EXPECT_EQ(scan.GetStartFrequency(), 1.0f);
    }
}

// A point of the real-time analyser's form: float level in tenths and four words.
struct WidePoint {
    uint32_t levelBits;
    uint16_t words[4];
};

uint32_t Bits(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::vector<uint8_t> WideFrame(int8_t form, const std::vector<WidePoint>& points) {
    std::vector<uint8_t> body{static_cast<uint8_t>(form), 0x11, 0x22};
    const auto put = [&body](uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            body.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
    };
    put(points.size(), 4);
    for (const WidePoint& point : points) {
        put(point.levelBits, 4);
        for (const uint16_t word : point.words) {
            put(word, 2);
        }
    }
    std::vector<uint8_t> frame{0x2A, 0, 0, 99, 0};
    for (int i = 0; i < 4; ++i) {
        frame.push_back(static_cast<uint8_t>(body.size() >> (8 * i)));
    }
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

TEST(SpectralScan, TheRealTimeAnalysersTwelveByteRecordsAreKeptByteForByte) {
    // A NaN with a payload, levels beyond +-10000 and a fraction: the 16-bit points clamp and
    // truncate, the records stay as they came.
    const std::vector<uint8_t> frame = WideFrame(1, {{Bits(123.75F), {1, 2, 3, 4}},
                                                     {0x7FC01234U, {5, 6, 7, 8}},
                                                     {Bits(25000.0F), {9, 10, 0xFFFF, 0}},
                                                     {Bits(-25000.0F), {0, 0, 0, 0}},
                                                     {Bits(-0.5F), {11, 12, 13, 14}}});
    QSpectralScan scan = Make({{7, 7, 7}});
    ReadFrame(scan, frame);
    EXPECT_TRUE(scan.HasWideRecords());
    EXPECT_EQ(scan.GetDataForm(), 1);
    EXPECT_EQ(scan.GetBodySize(), 7U + 12U * 5U);
    ExpectPoints(scan, {{123, 1, 2}, {0, 5, 6}, {10000, 9, 10}, {-10000, 0, 0}, {0, 11, 12}});
    EXPECT_EQ(scan.GetWideRecords(), std::vector<uint8_t>(frame.begin() + 16, frame.end()));
    EXPECT_EQ(SizedFrameBytes(scan), frame);

    // A 6-byte record read into it afterwards leaves nothing of the wide form behind.
    const QSpectralScan narrow = Make({{-5, 1, 2}});
    ReadFrame(scan, SizedFrameBytes(narrow));
    EXPECT_FALSE(scan.HasWideRecords());
    EXPECT_TRUE(scan.GetWideRecords().empty());
    EXPECT_EQ(SizedFrameBytes(scan), SizedFrameBytes(narrow));
}

TEST(SpectralScan, WideRecordsMergeOnTheirFloatLevelsAndCarryTheirWholeCell) {
    QSpectralScan held;
    ReadFrame(held, WideFrame(2, {{Bits(10.25F), {1, 1, 1, 1}}, {Bits(30.0F), {1, 2, 1, 2}}}));
    // 10.75 and 10.25 are both 10 in tenths: only the float levels tell them apart.
    QSpectralScan higher;
    ReadFrame(higher, WideFrame(2, {{Bits(10.75F), {2, 1, 5, 6}}, {Bits(29.5F), {2, 2, 7, 8}}}));
    held.MergeScan(QSpectralScan::kMergeMaximumHold, higher);
    EXPECT_EQ(SizedFrameBytes(held),
              WideFrame(2, {{Bits(10.75F), {2, 1, 5, 6}}, {Bits(30.0F), {1, 2, 1, 2}}}));

    // The running average of the float levels; the cell follows the highest level seen.
    QSpectralScan averaged;
    ReadFrame(averaged, WideFrame(1, {{Bits(10.0F), {1, 1, 1, 1}}}));
    QSpectralScan next;
    ReadFrame(next, WideFrame(1, {{Bits(21.0F), {2, 2, 2, 2}}}));
    averaged.MergeScan(QSpectralScan::kMergeRunningAverage, next);
    EXPECT_EQ(SizedFrameBytes(averaged), WideFrame(1, {{Bits(15.5F), {2, 2, 2, 2}}}));
    EXPECT_EQ(averaged.GetStoredAmplitude(0), 15);
    EXPECT_EQ(averaged.GetAverageCount(), 2);

    // Records of the other form are not merged: the incoming one is taken whole, either way.
    const QSpectralScan narrow = Make({{5, 3, 3}});
    for (const int32_t mode : {QSpectralScan::kMergeMaximumHold, QSpectralScan::kMergeRunningAverage}) {
        QSpectralScan wide;
        ReadFrame(wide, WideFrame(1, {{Bits(99.0F), {1, 1, 1, 1}}}));
        wide.MergeScan(mode, narrow);
        EXPECT_FALSE(wide.HasWideRecords());
        ExpectPoints(wide, {{5, 3, 3}});
        QSpectralScan back = Make({{500, 0, 0}});
        back.MergeScan(mode, higher);
        EXPECT_EQ(SizedFrameBytes(back).size(), SizedFrameBytes(higher).size());
        EXPECT_EQ(back.GetWideRecords(), higher.GetWideRecords());
        EXPECT_EQ(back.GetAverageCount(), 1);
    }
}

TEST(SpectralScan, MaximumHoldTakesStrictlyHigherPointsWithTheirCells) {
    QSpectralScan held;
    const QSpectralScan first = Make({{10, 1, 1}, {20, 1, 2}, {30, 1, 3}});
    held.MergeScan(QSpectralScan::kMergeMaximumHold, first);
    ExpectPoints(held, {{10, 1, 1}, {20, 1, 2}, {30, 1, 3}});
    EXPECT_EQ(held.GetPeakAmplitude(0), -10000.0f); // a copy does not set the peaks

    held.MergeScan(QSpectralScan::kMergeMaximumHold, Make({{11, 2, 1}, {20, 2, 2}, {-30, 2, 3}}));
    ExpectPoints(held, {{11, 2, 1}, {20, 1, 2}, {30, 1, 3}});
    EXPECT_EQ(held.GetAverageCount(), 1);

    // A shorter record merges only the points it has; unknown modes change nothing.
    held.MergeScan(QSpectralScan::kMergeMaximumHold, Make({{99, 7, 7}}));
    ExpectPoints(held, {{99, 7, 7}, {20, 1, 2}, {30, 1, 3}});
    held.MergeScan(5, Make({{500, 0, 0}, {500, 0, 0}, {500, 0, 0}}));
    ExpectPoints(held, {{99, 7, 7}, {20, 1, 2}, {30, 1, 3}});
}

TEST(SpectralScan, RunningAverageTruncatesWhileTheCellFollowsTheMaximum) {
    struct Step {
        int16_t incoming;
        uint16_t row;
        int16_t average;
        uint16_t cellRow;
        int32_t countAfter;
    };
    // Starts from a read record (peak = 10 at row 1), n = 1.
    const std::vector<Step> steps{
        {21, 2, 15, 2, 2},   // (10 + 21) / 2 = 15.5 -> 15; 21 > 10: cell follows
        {0, 3, 10, 2, 3},    // (15 x 2 + 0) / 3 = 10; 0 < 21: cell stays
        {-50, 4, -5, 2, 4},  // (30 - 50) / 4 = -5
        {-33, 5, -10, 2, 5}, // (-20 - 33) / 5 = -10.6 -> -10 (toward zero)
    };
    QSpectralScan held;
    ReadFrame(held, SizedFrameBytes(Make({{10, 1, 0}})));
    for (const Step& step : steps) {
        held.MergeScan(QSpectralScan::kMergeRunningAverage, Make({{step.incoming, step.row, 9}}));
        EXPECT_EQ(held.GetStoredAmplitude(0), step.average) << step.incoming;
        EXPECT_EQ(held.GetPointWord1(0), step.cellRow) << step.incoming;
        EXPECT_EQ(held.GetAverageCount(), step.countAfter);
    }
    EXPECT_EQ(held.GetPeakAmplitude(0), 21.0f);
}

TEST(SpectralScan, RunningAverageOfLongRunsDoesNotOverflow) {
    QSpectralScan held;
    ReadFrame(held, SizedFrameBytes(Make({{32767, 0, 0}})));
    const QSpectralScan high = Make({{32767, 0, 0}});
    for (int i = 0; i < 70000; ++i) {
        held.MergeScan(QSpectralScan::kMergeRunningAverage, high);
    }
    EXPECT_EQ(held.GetStoredAmplitude(0), 32767);
    EXPECT_EQ(held.GetAverageCount(), 70001);
}

TEST(SpectralScan, FrequencyWithoutAndWithBreakpoints) {
    QSpectralScan scan = Make(std::vector<Point>(10, Point{0, 0, 0}));
    scan.SetFrequencyRange(100.0f, 200.0f);
    // Without a table the span is divided by N, not N - 1.
    EXPECT_FLOAT_EQ(scan.GetFrequency(0), 100.0f);
    EXPECT_FLOAT_EQ(scan.GetFrequency(5), 150.0f);
    EXPECT_FLOAT_EQ(scan.GetFrequency(10), 200.0f);

    QMeasuredFrequencyData table;
    table.SetEntryCount(2);
    table.SetEntryIndex(0, 2);
    table.SetEntryFrequency(0, 110.0f);
    table.SetEntryIndex(1, 6);
    table.SetEntryFrequency(1, 190.0f);
    scan.SetMeasuredFrequencies(&table);
    struct Case {
        uint32_t index;
        float frequency;
    };
    for (const Case& c : std::vector<Case>{{0, 100.0f},
                                           {1, 105.0f}, // between (0, start) and the first entry
                                           {2, 110.0f}, // on an entry
                                           {4, 150.0f}, // between the entries
                                           {6, 190.0f},
                                           {8, 195.0f},  // between the last entry and (N, stop)
                                           {10, 200.0f}, // N: stop
                                           {25, 200.0f}}) {
        EXPECT_FLOAT_EQ(scan.GetFrequency(c.index), c.frequency) << c.index;
    }
}

TEST(SpectralScan, NoiseFloorAndLevelRanges) {
    QSpectralScan empty;
    EXPECT_EQ(empty.EstimateNoiseFloor(), 0);

    QSpectralScan flat = Make({{40, 0, 0}, {40, 0, 0}, {40, 0, 0}});
    EXPECT_EQ(flat.EstimateNoiseFloor(), 40); // limit = mean + 1
    QSpectralScan single = Make({{-77, 0, 0}});
    EXPECT_EQ(single.EstimateNoiseFloor(), -77);
    EXPECT_EQ(single.GetNoiseFloor(), -77);

    // Ten levels of 10 and one of 1000: mean 100, deviation ~298.5, limit ~697: the floor is 10.
    std::vector<Point> points(10, Point{10, 0, 0});
    points.push_back({1000, 0, 0});
    QSpectralScan spiky = Make(points);
    EXPECT_EQ(spiky.EstimateNoiseFloor(), 10);
    float low = 0.0f;
    float high = 0.0f;
    spiky.GetStoredLevelRange(&low, nullptr);
    spiky.GetStoredLevelRange(nullptr, &high);
    EXPECT_EQ(low, 10.0f);
    EXPECT_EQ(high, 1000.0f);
}

TEST(SpectralScan, CorrectionFactorsFollowTheSetRowsAndTheThreshold) {
    const ScanCorrectionFolder folder;
    const CompensationSwitchGuard guard;
    const QScanHeadInfo head(ScanCorrectionFolder::kHead, 1, 10.0f, 1500.0f, 2, 3, 0, 0, 100U);
    // Points at 50, 150, 250, 350 and 450 MHz; the last cell lies beyond the 2 x 3 table.
    QSpectralScan scan = Make({{100, 0, 0}, {100, 0, 1}, {50, 1, 2}, {51, 1, 0}, {100, 5, 5}});
    scan.ApplyCorrectionFactors(50.0f, 450.0f, head);
    ASSERT_TRUE(scan.IsCorrected());
    EXPECT_NE(scan.GetCorrectionSet(), 0);
    EXPECT_EQ(scan.GetCorrectionRowCount(), 3);
    EXPECT_EQ(scan.GetPastLastRow(), 1);

    const auto f = &ScanCorrectionFolder::Factor;
    EXPECT_FLOAT_EQ(scan.GetCorrection(0), f(0, 0)); // below the first row: row 0
    EXPECT_FLOAT_EQ(scan.GetCorrection(1), f(0, 1) + (f(1, 1) - f(0, 1)) * 0.5f);
    EXPECT_FLOAT_EQ(scan.GetCorrection(2), f(1, 5) + (f(2, 5) - f(1, 5)) * 0.25f);
    EXPECT_FLOAT_EQ(scan.GetCorrection(3), f(1, 3) + (f(2, 3) - f(1, 3)) * 0.75f); // rows kept from before
    EXPECT_FLOAT_EQ(scan.GetCorrection(4), 0.0f);

    // Compensation on: only levels above trunc(5.0 x 10 + 0.5 + noise floor 0) = 50 are corrected.
    QCorrectionData::SetSpectralCompensationOn(false);
    EXPECT_EQ(scan.GetAmplitude(1), 100);
    QCorrectionData::SetSpectralCompensationOn(true);
    EXPECT_EQ(scan.GetAmplitude(1), 116);     // trunc(1.6 x 10 + 100)
    EXPECT_EQ(scan.GetAmplitude(2), 50);      // exactly at the limit
    EXPECT_EQ(scan.GetAmplitude(3), 51 + 38); // trunc(3.8 x 10 + 51)
    float low = 0.0f;
    float high = 0.0f;
    scan.GetLevelRange(&low, &high);
    EXPECT_EQ(low, 50.0f);
    EXPECT_EQ(high, 116.0f);

    // The record holds the set its factors came from: freeing the store leaves it whole.
    const std::shared_ptr<const QCorrectionSet> set = scan.GetCorrectionBlock();
    ASSERT_NE(set, nullptr);
    DestroyCorrectionData();
    EXPECT_EQ(scan.GetCorrectionBlock()->GetRowCount(), 3);
    EXPECT_FLOAT_EQ(scan.GetCorrectionBlock()->GetFactor(1, 5), f(1, 5));
}

TEST(SpectralScan, AColumnBeyondTheHeadsColumnsGetsNoFactorOfTheNextRow) {
    const ScanCorrectionFolder folder;
    const QScanHeadInfo head(ScanCorrectionFolder::kHead, 1, 10.0f, 1500.0f, 2, 3, 0, 0, 100U);
    // Row 0, column 3 would be cell 3, the first cell of row 1.
    QSpectralScan scan = Make({{100, 0, 3}, {100, 1, 0}});
    scan.ApplyCorrectionFactors(100.0f, 100.0f, head);
    ASSERT_TRUE(scan.IsCorrected());
    EXPECT_EQ(scan.GetCorrection(0), 0.0f);
    EXPECT_FLOAT_EQ(scan.GetCorrection(1), ScanCorrectionFolder::Factor(0, 3));
}

TEST(SpectralScan, NoCorrectionWithoutAListFile) {
    const ScanCorrectionFolder folder; // restores the scan-head text
    GetInstrumentInfo().SetScanHeadText("NoSuchHead,2,3");
    QSpectralScan scan = Make({{100, 0, 0}});
    const QScanHeadInfo head("NoSuchHead", 2, 10.0f, 1500.0f, 2, 3, 0, 0, 100U);
    scan.ApplyCorrectionFactors(50.0f, 450.0f, head);
    EXPECT_FALSE(scan.IsCorrected());
    EXPECT_EQ(scan.GetCorrectionSet(), 0);
    EXPECT_EQ(scan.GetCorrection(0), 0.0f);
}

} // namespace
} // namespace orv
