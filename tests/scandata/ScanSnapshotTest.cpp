#include "core/QException.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QSSSpatialSnapshot.h"
#include "scandata/QSSSpectralSnapshot.h"
#include "tests/scandata/support/ContainerTestSupport.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using testing::BodyBytes;
using testing::CompensationSwitches;
using testing::FrameBytes;
using testing::ReadBodyFrom;

QSSSpectralSnapshot SpectrumOf(const std::vector<int16_t>& amplitudes) {
    QSSSpectralSnapshot snapshot(static_cast<uint32_t>(amplitudes.size()));
    for (uint32_t i = 0; i < amplitudes.size(); ++i) {
        snapshot.SetPoint(i, amplitudes[i], static_cast<uint16_t>(i + 1), static_cast<uint16_t>(i + 2));
    }
    return snapshot;
}

TEST(SpectralSnapshotTest, EmptySnapshotHasAFourByteBodyAndReadsBackEmpty) {
    QSSSpectralSnapshot empty;
    EXPECT_EQ(BodyBytes(empty), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(empty.GetBodySize(), 4U);
    EXPECT_EQ(FrameBytes(empty).size(), 4U + 7U);

    QSSSpectralSnapshot back = SpectrumOf({1, 2, 3});
    ReadBodyFrom(back, BodyBytes(empty));
    EXPECT_EQ(back.GetPointCount(), 0U);
    EXPECT_EQ(back.GetPointWord1(0), 0);
}

TEST(SpectralSnapshotTest, RoundTripIsByteExact) {
    const QSSSpectralSnapshot original = SpectrumOf({-700, 0, 123});
    const std::vector<uint8_t> body = BodyBytes(original);
    const std::vector<uint8_t> expected = {3, 0, 0, 0, 0x44, 0xFD, 1, 0, 2, 0, 0,
                                           0, 2, 0, 3, 0,    123,  0, 3, 0, 4, 0};
    EXPECT_EQ(body, expected);
    EXPECT_EQ(original.GetBodySize(), body.size());

    QSSSpectralSnapshot back;
    ReadBodyFrom(back, body);
    EXPECT_EQ(BodyBytes(back), body);
    EXPECT_EQ(back.GetCorrections(), std::vector<float>(3, 0.0F));
    EXPECT_EQ(back.GetPointWord1(2), 3);
    EXPECT_EQ(back.GetPointWord2(2), 4);
    EXPECT_EQ(back.GetPointWord1(3), 0);
    EXPECT_EQ(back.GetPointWord2(3), 0);
}

TEST(SpectralSnapshotTest, ATruncatedOrOversizedBodyThrowsAndLeavesTheSnapshot) {
    QSSSpectralSnapshot snapshot = SpectrumOf({5, 6});
    const std::vector<uint8_t> before = BodyBytes(snapshot);
    std::vector<uint8_t> truncated = BodyBytes(SpectrumOf({1, 2, 3}));
    truncated.pop_back();
    EXPECT_THROW(ReadBodyFrom(snapshot, truncated), QIOException);
    const std::vector<uint8_t> huge = {0xFF, 0xFF, 0xFF, 0xFF, 1, 2};
    EXPECT_THROW(ReadBodyFrom(snapshot, huge), QIOException);
    EXPECT_EQ(BodyBytes(snapshot), before);
}

TEST(SpectralSnapshotTest, CompensationStartsStrictlyAboveTheThreshold) {
    // Noise floor 100, threshold 5 dB: levels above 150 get 10 x the factor, truncated first.
    QSSSpectralSnapshot snapshot = SpectrumOf({150, 151, 149, -20});
    snapshot.SetNoiseFloor(100);
    snapshot.GetCorrections() = {2.37F, 2.37F, 2.37F, 2.37F};
    {
        CompensationSwitches on(true, false);
        EXPECT_EQ(snapshot.GetAmplitude(0), 150);
        EXPECT_EQ(snapshot.GetAmplitude(1), 151 + 23);
        EXPECT_EQ(snapshot.GetAmplitude(2), 149);
        EXPECT_EQ(snapshot.GetAmplitude(3), -20);
    }
    CompensationSwitches off(false, true);
    EXPECT_EQ(snapshot.GetAmplitude(1), 151);
}

TEST(SpectralSnapshotTest, FrequenciesAreDividedByTheCountOrFollowTheBreakpoints) {
    QSSSpectralSnapshot snapshot = SpectrumOf({0, 0, 0, 0});
    snapshot.SetFrequencyRange(100.0F, 200.0F);
    EXPECT_FLOAT_EQ(snapshot.GetFrequency(0), 100.0F);
    EXPECT_FLOAT_EQ(snapshot.GetFrequency(1), 125.0F);
    EXPECT_FLOAT_EQ(snapshot.GetFrequency(4), 200.0F);

    QMeasuredFrequencyData table;
    snapshot.SetMeasuredFrequencies(&table);
    EXPECT_FLOAT_EQ(snapshot.GetFrequency(2), 150.0F); // no entries: as without a table

    table.SetEntryCount(1);
    table.SetEntryIndex(0, 2);
    table.SetEntryFrequency(0, 180.0F);
    struct Case {
        uint32_t index;
        float frequency;
    };
    for (const Case& c : {Case{0, 100.0F}, Case{1, 140.0F}, Case{2, 180.0F}, Case{3, 190.0F}, Case{4, 200.0F},
                          Case{9, 200.0F}}) {
        EXPECT_FLOAT_EQ(snapshot.GetFrequency(c.index), c.frequency) << "point " << c.index;
    }
}

TEST(SpectralSnapshotTest, NoiseFloorTable) {
    struct Case {
        std::vector<int16_t> amplitudes;
        int16_t floor;
    };
    const Case cases[] = {
        {{-400, -400, -400}, -400}, // no spread: limit = mean + 1
        {{-250}, -250},             // one point: the amplitude itself
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 1000}, 0},
        {{10, 20, 30, 40}, 25}, // all below mean + 2s
    };
    for (const Case& c : cases) {
        QSSSpectralSnapshot snapshot = SpectrumOf(c.amplitudes);
        EXPECT_EQ(snapshot.EstimateNoiseFloor(), c.floor);
        EXPECT_EQ(snapshot.GetNoiseFloor(), c.floor);
    }
    QSSSpectralSnapshot empty;
    empty.SetNoiseFloor(77);
    EXPECT_EQ(empty.EstimateNoiseFloor(), 0);
    EXPECT_EQ(empty.GetNoiseFloor(), 77);
}

QSSSpatialSnapshot MapOf(uint16_t rows, uint16_t columns) {
    QSSSpatialSnapshot map(rows, columns);
    for (uint16_t r = 0; r < rows; ++r) {
        for (uint16_t c = 0; c < columns; ++c) {
            map.SetCell(r, c, static_cast<int16_t>(r * 10 + c), 100.0F + static_cast<float>(r * columns + c));
        }
    }
    return map;
}

TEST(SpatialSnapshotTest, RoundTripIsByteExact) {
    const QSSSpatialSnapshot original = MapOf(2, 3);
    const std::vector<uint8_t> body = BodyBytes(original);
    EXPECT_EQ(body.size(), 2U * 6 + 4U * 6 + 16U);
    EXPECT_EQ(original.GetBodySize(), body.size());

    QSSSpatialSnapshot back;
    ReadBodyFrom(back, body);
    EXPECT_EQ(BodyBytes(back), body);
    EXPECT_EQ(back.GetRowCount(), 2);
    EXPECT_EQ(back.GetColumnCount(), 3);
    EXPECT_EQ(back.GetAmplitude(1, 2), 12);
    EXPECT_FLOAT_EQ(back.GetFrequency(1, 2), 105.0F);

    QSSSpatialSnapshot empty;
    EXPECT_EQ(BodyBytes(empty).size(), 16U);
}

TEST(SpatialSnapshotTest, ReadingTheSameCellCountKeepsTheArrays) {
    QSSSpatialSnapshot target = MapOf(3, 2);
    const int16_t* values = target.GetValues().data();
    const float* frequencies = target.GetFrequencies().data();
    ReadBodyFrom(target, BodyBytes(MapOf(2, 3)));
    EXPECT_EQ(target.GetValues().data(), values);
    EXPECT_EQ(target.GetFrequencies().data(), frequencies);
    EXPECT_EQ(target.GetColumnCount(), 3);
    EXPECT_EQ(target.GetAmplitude(1, 2), 12);
}

TEST(SpatialSnapshotTest, BadBodiesAreRefusedAndLeaveTheSnapshot) {
    auto bytesWith = [](uint32_t rows, uint32_t columns, uint32_t rows2, uint32_t columns2, size_t filler) {
        std::vector<uint8_t> bytes;
        auto put = [&bytes](uint32_t v) {
            for (int i = 0; i < 4; ++i) {
                bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
            }
        };
        put(rows);
        put(columns);
        bytes.insert(bytes.end(), static_cast<size_t>(rows) * columns * 2, 0);
        put(rows2);
        put(columns2);
        bytes.insert(bytes.end(), filler, 0);
        return bytes;
    };
    QSSSpatialSnapshot snapshot = MapOf(2, 2);
    const std::vector<uint8_t> before = BodyBytes(snapshot);
    EXPECT_THROW(ReadBodyFrom(snapshot, bytesWith(256, 257, 256, 257, 256 * 257 * 4)),
                 QIOException);                                                    // > 65536 cells
    EXPECT_THROW(ReadBodyFrom(snapshot, bytesWith(2, 3, 3, 2, 24)), QIOException); // grids differ
    EXPECT_THROW(ReadBodyFrom(snapshot, bytesWith(2, 3, 2, 3, 23)), QIOException); // truncated
    EXPECT_THROW(ReadBodyFrom(snapshot, {0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0}), QIOException);
    EXPECT_EQ(BodyBytes(snapshot), before);
    EXPECT_NO_THROW(ReadBodyFrom(snapshot, bytesWith(64, 64, 64, 64, 64 * 64 * 4)));
    EXPECT_EQ(snapshot.GetRowCount(), 64);
}

TEST(SpatialSnapshotTest, CompensationTruncatesTheSumAboveTheThreshold) {
    QSSSpatialSnapshot map(1, 3);
    map.SetNoiseFloor(-300);
    map.SetCell(0, 0, -250, 1.0F); // exactly at -300 + 10 x 5
    map.SetCell(0, 1, -249, 1.0F);
    map.SetCell(0, 2, 100, 1.0F);
    map.GetCorrections()[1] = 1.05F;
    map.GetCorrections()[2] = -0.26F;
    CompensationSwitches on(false, true);
    EXPECT_EQ(map.GetAmplitude(0, 0), -250);
    EXPECT_EQ(map.GetAmplitude(0, 1), -238); // trunc(10.5 - 249) = trunc(-238.5)
    EXPECT_EQ(map.GetAmplitude(0, 2), 97);   // trunc(-2.6 + 100) = trunc(97.4)
    QCorrectionData::SetSpatialCompensationOn(false);
    EXPECT_EQ(map.GetAmplitude(0, 1), -249);
}

TEST(SpatialSnapshotTest, AStitchedCanvasFitsAndOnlyMoreThan65536CellsAreRefused) {
    EXPECT_NO_THROW(QSSSpatialSnapshot(116, 168));
    EXPECT_NO_THROW(QSSSpatialSnapshot(256, 256));
    EXPECT_THROW(QSSSpatialSnapshot(256, 257), QIOException);
}

TEST(SpatialSnapshotTest, AGridWiderThan64KeepsItsCellsBeyond64Uncorrected) {
    QSSSpatialSnapshot map(2, 100);
    map.Fill(100);
    // Factor index 70 is cell (0, 70) of this grid: beyond the 64 x 64 factors, so it is not used.
    map.GetCorrections()[70] = 2.0F;
    map.GetCorrections()[63] = 1.0F;
    CompensationSwitches on(false, true);
    EXPECT_EQ(map.GetAmplitude(0, 63), 110);
    EXPECT_EQ(map.GetAmplitude(0, 70), 100);
    EXPECT_EQ(map.GetAmplitude(1, 99), 100);
}

TEST(SpatialSnapshotTest, AStoredMapOfAStitchedSizeReadsBack) {
    QSSSpatialSnapshot original(116, 168);
    original.Fill(QSSSpatialSnapshot::kNoValue);
    original.SetCell(115, 167, -42, 433.5F);
    QSSSpatialSnapshot back;
    ReadBodyFrom(back, BodyBytes(original));
    EXPECT_EQ(back.GetRowCount(), 116);
    EXPECT_EQ(back.GetColumnCount(), 168);
    EXPECT_EQ(back.GetRawAmplitude(115, 167), -42);
    EXPECT_EQ(back.GetFrequency(115, 167), 433.5F);
    EXPECT_EQ(back.GetRawAmplitude(0, 0), QSSSpatialSnapshot::kNoValue);
}

} // namespace
} // namespace orv
