#include "engine/runners/ScanPackets.h"
#include "engine/runners/FrequencyCount.h"

#include "scandata/QHandHeldProbeScan.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QScanProgressIndicator.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "tests/engine/support/PacketReadBack.h"

#include <gtest/gtest.h>

#include <vector>

#include <cmath>
#include <limits>

namespace orv {
namespace {

using test::ReadBack;
using Bytes = std::vector<uint8_t>;

TEST(ScanPackets, SpectralFramesAreByteExactAndReadBack) {
    Bytes frame;
    BuildSpectralScanFrame({}, frame);
    EXPECT_EQ(frame, (Bytes{0x2A, 0, 0, 99, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ReadBack<QSpectralScan>(frame)->GetPointCount(), 0U);

    const std::vector<SpectralPoint> points{{-5, 1, 2, 77}, {300, 3, 4, 0}, {0x1234, 0x0102, 0x0304, 9}};
    BuildSpectralScanFrame(points, frame);
    EXPECT_EQ(frame, (Bytes{0x2A, 0, 0, 99, 0, 25,   0,    0, 0, 0, 0, 0,    3,    0,    0,    0,    0xFB,
                            0xFF, 1, 0, 2,  0, 0x2C, 0x01, 3, 0, 4, 0, 0x34, 0x12, 0x02, 0x01, 0x04, 0x03}));
    const auto spectral = ReadBack<QSpectralScan>(frame);
    ASSERT_EQ(spectral->GetPointCount(), 3U);
    EXPECT_EQ(spectral->GetAmplitude(0), -5);
    EXPECT_EQ(spectral->GetPointWord1(1), 3);
    EXPECT_EQ(spectral->GetPointWord2(2), 0x0304);
}

TEST(ScanPackets, CellFramesAreByteExactAndReadBack) {
    Bytes frame;
    const std::vector<int16_t> values{-1, 2};
    BuildSpectralSpatialFrame(1, 3, 4, 2, values, frame);
    EXPECT_EQ(frame, (Bytes{0x2A, 0, 0, 101, 0, 17, 0, 0, 0, 1,    1,    0, 3,
                            0,    4, 0, 2,   0, 2,  0, 0, 0, 0xFF, 0xFF, 2, 0}));
    const auto component = ReadBack<QSpectralSpatialScanComponent>(frame);
    EXPECT_EQ(component->GetLevel(), 1);
    EXPECT_EQ(component->GetSubPosition(), 2);
    EXPECT_EQ(component->GetAmplitudes(), values);

    BuildSpectralSpatialFrame(0, 0, 0, 0, values, frame);
    EXPECT_EQ(frame[9], 0);
    EXPECT_EQ(frame[10], 0);

    BuildHandHeldProbeFrame(5, 6, values, frame);
    EXPECT_EQ(frame,
              (Bytes{0x2A, 0, 0, 112, 0, 15, 0, 0, 0, 0, 0, 0, 5, 0, 6, 0, 2, 0, 0, 0, 0xFF, 0xFF, 2, 0}));
    const auto handHeld = ReadBack<QHandHeldProbeScan>(frame);
    EXPECT_EQ(handHeld->GetRow(), 5);
    EXPECT_EQ(handHeld->GetColumn(), 6);
    EXPECT_EQ(handHeld->GetAmplitudes(), values);

    BuildSpatialScanFrame(2, 1, 1, 2, 7, values, frame);
    EXPECT_EQ(frame, (Bytes{0x2A, 0, 0, 100, 0, 17, 0, 0, 0, 1,    2,    1, 1,
                            0,    2, 0, 1,   0, 1,  0, 7, 0, 0xFF, 0xFF, 2, 0}));
    const auto spatial = ReadBack<QSpatialScan>(frame);
    EXPECT_EQ(spatial->GetLevel(), 2);
    EXPECT_EQ(spatial->GetSubPosition(), 7);
}

TEST(ScanPackets, ProgressAndPeakFramesAreByteExactAndReadBack) {
    Bytes frame;
    BuildProgressFrame(ScanProgressRecord{1, 2, 3, 4, 5, 6, 0x0708, 0x090A}, frame);
    EXPECT_EQ(frame,
              (Bytes{0x2A, 0, 0, 105, 0, 15, 0, 0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 8, 7, 0x0A, 9}));
    const auto progress = ReadBack<QScanProgressIndicator>(frame);
    EXPECT_EQ(progress->m_Total, 0x0708);
    EXPECT_EQ(progress->m_Done, 0x090A);
    EXPECT_EQ(progress->m_Flag, 6);

    const std::vector<MeasuredPeak> peaks{{7, 1.0F}, {300, -2.0F}};
    BuildMeasuredFrequencyFrame(peaks, frame);
    EXPECT_EQ(frame, (Bytes{0x2A, 0, 0, 102, 0,    20,   0,    0, 0, 2, 0, 0, 0, 7,   0,
                            0,    0, 0, 0,   0x80, 0x3F, 0x2C, 1, 0, 0, 0, 0, 0, 0xC0}));
    const auto measured = ReadBack<QMeasuredFrequencyData>(frame);
    ASSERT_EQ(measured->GetEntryCount(), 2U);
    EXPECT_EQ(measured->GetEntryIndex(1), 300U);
    EXPECT_EQ(measured->GetEntryFrequency(1), -2.0F);

    BuildMeasuredFrequencyFrame({}, frame);
    EXPECT_EQ(frame, (Bytes{0x2A, 0, 0, 102, 0, 4, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ScanPackets, LevelsInTenthsTruncateAndSaturate) {
    struct Case {
        float level;
        int16_t tenths;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    for (const Case c : {Case{12.34F, 123}, Case{-12.34F, -123}, Case{3276.8F, 32767}, Case{3276.6F, 32766},
                         Case{5000.0F, 32767}, Case{-3276.8F, -32768}, Case{-9000.0F, -32768},
                         Case{nan, -32768}, Case{infinity, 32767}, Case{-infinity, -32768}, Case{0.0F, 0}}) {
        EXPECT_EQ(ToTenthsDb(c.level), c.tenths) << c.level;
    }
    // A whole trace converts alike, in the blocks of the vector road and in the tail after them.
    const std::vector<float> levels{12.34F,  -12.34F,  3276.8F,   3276.6F, 5000.0F, -3276.8F, -9000.0F,
                                    nan,     infinity, -infinity, 0.0F,    -0.05F,  0.05F,    1.999F,
                                    -1.999F, 3276.7F,  -3276.7F,  42.0F,   -0.0F};
    std::vector<int16_t> tenths(levels.size());
    ConvertToTenthsDb(levels.data(), tenths.data(), levels.size());
    for (size_t i = 0; i < levels.size(); ++i) {
        EXPECT_EQ(tenths[i], ToTenthsDb(levels[i])) << levels[i];
    }
}

TEST(ScanPackets, FrequencyCountIsFourToTheLevelBelowIt) {
    struct Case {
        int8_t level;
        int32_t count;
    };
    for (const Case c : {Case{0, 1}, Case{1, 1}, Case{2, 4}, Case{3, 16}, Case{5, 256}, Case{8, 16384},
                         Case{9, 1}, Case{-1, 1}, Case{-128, 1}}) {
        EXPECT_EQ(GetFrequencyCount(c.level), c.count) << int{c.level};
    }
}

} // namespace
} // namespace orv
