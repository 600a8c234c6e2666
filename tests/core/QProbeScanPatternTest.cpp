#include "core/QProbeScanPattern.h"
#include "core/QException.h"
#include "support/FakeOptionNodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace orv {
namespace {

using fake::ReadBodyBytes;
using fake::WrittenBody;

template <typename T> void Append(std::vector<uint8_t>& bytes, T value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    bytes.insert(bytes.end(), p, p + sizeof value);
}

uint16_t U16At(const std::vector<uint8_t>& bytes, size_t offset) {
    uint16_t value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

TEST(ProbeScanPattern, FullGridBodyLayout) {
    QProbeScanPattern pattern(29, 42);
    pattern.SetProbeAndHeightAt(1, 2, 0, 250);
    const std::vector<uint8_t> body = WrittenBody(pattern);
    ASSERT_EQ(body.size(), 8U + 1218U + 2436U);
    EXPECT_EQ(pattern.GetBodySize(), 8U + 1218U + 2436U);
    EXPECT_EQ(pattern.GetTypeID(), 3003);
    EXPECT_EQ(U16At(body, 0), 29);
    EXPECT_EQ(U16At(body, 2), 42);
    EXPECT_EQ(body[4 + 0], 1);
    EXPECT_EQ(body[4 + 1 * 42 + 2], 0); // row-major
    EXPECT_EQ(U16At(body, 4 + 1218), 29);
    EXPECT_EQ(U16At(body, 6 + 1218), 42);
    EXPECT_EQ(U16At(body, 8 + 1218), 100);
    EXPECT_EQ(U16At(body, 8 + 1218 + 2 * (1 * 42 + 2)), 250);

    QProbeScanPattern read;
    EXPECT_EQ(ReadBodyBytes(read, body), 0U);
    EXPECT_FALSE(read != pattern);
    EXPECT_EQ(read.GetHeightAt(1, 2), 250);
    EXPECT_EQ(read.GetProbeOnCount(), 1217U);
}

TEST(ProbeScanPattern, EmptyPatternAndOtherChoiceBitsKept) {
    const QProbeScanPattern empty;
    EXPECT_EQ(WrittenBody(empty), std::vector<uint8_t>(8, 0));
    EXPECT_FALSE(empty.HasProbeOn());

    QProbeScanPattern pattern(2, 3, 0, 5);
    pattern.SetProbeAt(0, 1, 0x82); // bit 0 clear: off, the other bits stored as they are
    pattern.SetProbeAt(1, 2, 0x03);
    EXPECT_EQ(pattern.GetProbeOnCount(), 1U);
    QProbeScanPattern read;
    ReadBodyBytes(read, WrittenBody(pattern));
    EXPECT_EQ(read.GetProbeAt(0, 1), 0x82);
    EXPECT_EQ(read.GetProbeAt(1, 2), 0x03);
}

// A body of an older stored file: the choice grid only.
std::vector<uint8_t> ChoiceOnlyBody(uint16_t rows, uint16_t columns, uint8_t choice) {
    std::vector<uint8_t> bytes;
    Append(bytes, rows);
    Append(bytes, columns);
    bytes.insert(bytes.end(), static_cast<size_t>(rows) * columns, choice);
    return bytes;
}

TEST(ProbeScanPattern, VersionTenBodyHasNoHeights) {
    std::vector<uint8_t> bytes = ChoiceOnlyBody(29, 42, 0);
    bytes.push_back(0xAB); // the next field of the stream

    // Same shape: the heights it had stay.
    QProbeScanPattern same(29, 42, 1, 77);
    EXPECT_EQ(ReadBodyBytes(same, bytes, 10), 1U);
    EXPECT_FALSE(same.HasProbeOn());
    EXPECT_EQ(same.GetHeightGrid().GetRows(), 29);
    EXPECT_EQ(same.GetHeightAt(28, 41), 77);

    // Another shape: the heights take the choice grid's shape at the default height.
    QProbeScanPattern other(3, 4, 1, 77);
    EXPECT_EQ(ReadBodyBytes(other, bytes, 10), 1U);
    EXPECT_EQ(other.GetHeightGrid().GetRows(), 29);
    EXPECT_EQ(other.GetHeightGrid().GetColumns(), 42);
    EXPECT_EQ(other.GetHeightAt(0, 0), 100);
    EXPECT_EQ(other.GetHeightAt(28, 41), 100);
    EXPECT_EQ(other.GetBodySize(), 8U + 1218U + 2436U);

    // The same bytes under version 11 would read the next byte as a height grid size.
    QProbeScanPattern current(3, 4);
    EXPECT_THROW(ReadBodyBytes(current, bytes, 11), QException);
    EXPECT_EQ(current.GetRows(), 3);
}

TEST(ProbeScanPattern, VersionElevenBodyMayCarryGridsOfDifferentShapes) {
    std::vector<uint8_t> bytes = ChoiceOnlyBody(2, 2, 1);
    Append(bytes, uint16_t{1});
    Append(bytes, uint16_t{3});
    for (const uint16_t height : {7, 8, 9}) {
        Append(bytes, height);
    }
    QProbeScanPattern read;
    EXPECT_EQ(ReadBodyBytes(read, bytes, 11), 0U);
    EXPECT_EQ(read.GetRows(), 2);
    EXPECT_EQ(read.GetHeightGrid().GetColumns(), 3);
    EXPECT_EQ(read.GetHeightAt(0, 2), 9);
    EXPECT_EQ(read.GetBodySize(), 8U + 4U + 6U);
    EXPECT_EQ(WrittenBody(read), bytes);
}

TEST(ProbeScanPattern, OversizedOrShortGridsAreRefusedBeforeAllocating) {
    struct Case {
        std::string name;
        std::vector<uint8_t> bytes;
        bool ioException;
    };
    std::vector<Case> cases;
    for (const auto& [rows, columns] : std::vector<std::pair<uint16_t, uint16_t>>{
             {256, 256}, {300, 300}, {65535, 65535}, {1, 65535 + 0}, {65535, 2}}) {
        if (static_cast<uint64_t>(rows) * columns < kMaxProbeGridCells) {
            continue;
        }
        std::vector<uint8_t> bytes;
        Append(bytes, rows);
        Append(bytes, columns);
        cases.push_back({"choice " + std::to_string(rows) + "x" + std::to_string(columns), bytes, true});
    }
    {
        std::vector<uint8_t> bytes = ChoiceOnlyBody(1, 1, 1);
        Append(bytes, uint16_t{300});
        Append(bytes, uint16_t{300});
        cases.push_back({"height 300x300", bytes, true});
    }
    {
        std::vector<uint8_t> bytes;
        Append(bytes, uint16_t{255});
        Append(bytes, uint16_t{257}); // 65535 cells: allowed, but the body holds none of them
        cases.push_back({"choice cells missing", bytes, false});
    }
    {
        std::vector<uint8_t> bytes = ChoiceOnlyBody(1, 1, 1);
        Append(bytes, uint16_t{255});
        Append(bytes, uint16_t{257});
        bytes.insert(bytes.end(), 100, 0);
        cases.push_back({"heights missing", bytes, false});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QProbeScanPattern pattern(29, 42, 1, 66);
        const std::vector<uint8_t> before = WrittenBody(pattern);
        if (c.ioException) {
            EXPECT_THROW(ReadBodyBytes(pattern, c.bytes), QIOException);
        } else {
            EXPECT_THROW(ReadBodyBytes(pattern, c.bytes), QException);
        }
        EXPECT_EQ(WrittenBody(pattern), before);
    }
    EXPECT_THROW(QProbeScanPattern(256, 256), QIOException);
}

TEST(ProbeScanPattern, ResizeRefusesTooManyCellsAndZeroesNewCells) {
    QProbeScanPattern pattern(2, 2, 1, 9);
    EXPECT_FALSE(pattern.Resize(256, 256));
    EXPECT_FALSE(pattern.Resize(300, 300));
    EXPECT_EQ(pattern.GetRows(), 2);
    EXPECT_EQ(pattern.GetProbeOnCount(), 4U);

    EXPECT_TRUE(pattern.Resize(3, 2));
    EXPECT_EQ(pattern.GetProbeAt(1, 1), 1); // the first four cells stay
    EXPECT_EQ(pattern.GetProbeAt(2, 0), 0);
    EXPECT_EQ(pattern.GetProbeAt(2, 1), 0);
    EXPECT_EQ(pattern.GetHeightAt(2, 1), 0);
    EXPECT_EQ(pattern.GetBodySize(), 8U + 6U + 12U);
    EXPECT_TRUE(pattern.Resize(255, 257));
}

TEST(ProbeScanPattern, AccessorsOutsideTheGrid) {
    QProbeScanPattern pattern(29, 42);
    const std::vector<uint8_t> before = WrittenBody(pattern);
    for (const auto& [row, column] :
         std::vector<std::pair<int, int>>{{-1, 0}, {0, -1}, {29, 0}, {0, 42}, {29, 42}}) {
        EXPECT_EQ(pattern.GetProbeAt(row, column), 0);
        EXPECT_EQ(pattern.GetHeightAt(row, column), 0);
        pattern.SetProbeAndHeightAt(row, column, 0, 1);
        pattern.SetProbeAt(row, column, 0);
    }
    pattern.SetProbeInRange(29, 42, 40, 50, 0); // wholly outside
    pattern.SetProbeInRange(5, 5, 4, 4, 0);     // empty rectangle
    EXPECT_EQ(WrittenBody(pattern), before);

    // Ranges are clipped to the grid.
    pattern.SetProbeAndHeightInRange(27, 40, 100, 100, 0, 5);
    EXPECT_EQ(pattern.GetProbeOnCount(), 29U * 42U - 4U);
    EXPECT_EQ(pattern.GetHeightAt(28, 41), 5);
    EXPECT_EQ(pattern.GetHeightAt(26, 41), 100);
    pattern.SetProbeInRange(-10, -10, 0, 0, 0);
    EXPECT_FALSE(pattern.IsProbeOn(0, 0));
    EXPECT_TRUE(pattern.IsProbeOn(0, 1));
    pattern.SetAllProbes(0);
    EXPECT_FALSE(pattern.HasProbeOn());
}

TEST(ProbeScanPattern, ProbeOnBoundsTable) {
    struct Case {
        std::string name;
        std::vector<std::pair<int, int>> on;
        bool found;
        int firstRow, firstColumn, lastRow, lastColumn;
    };
    const std::vector<Case> cases{
        {"none", {}, false, 0, 0, 0, 0},
        {"one at (3, 5)", {{3, 5}}, true, 3, 5, 3, 5},
        {"corners", {{0, 0}, {28, 41}}, true, 0, 0, 28, 41},
        {"other corners", {{0, 41}, {28, 0}}, true, 0, 0, 28, 41},
        {"L-shape", {{2, 4}, {3, 4}, {4, 4}, {4, 5}, {4, 6}}, true, 2, 4, 4, 6},
        {"mirrored L, top cell to the right", {{2, 9}, {6, 3}, {6, 4}, {6, 9}}, true, 2, 3, 6, 9},
        {"widest row in the middle", {{1, 10}, {3, 2}, {3, 20}, {5, 10}}, true, 1, 2, 5, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QProbeScanPattern pattern(29, 42, 0, 100);
        for (const auto& [row, column] : c.on) {
            pattern.SetProbeAt(row, column, 1);
        }
        pattern.SetProbeAt(10, 30, 2); // other bits do not make a probe on
        int firstRow = -1, firstColumn = -1, lastRow = -1, lastColumn = -1;
        EXPECT_EQ(pattern.GetProbeOnBounds(firstRow, firstColumn, lastRow, lastColumn), c.found);
        EXPECT_EQ(firstRow, c.firstRow);
        EXPECT_EQ(firstColumn, c.firstColumn);
        EXPECT_EQ(lastRow, c.lastRow);
        EXPECT_EQ(lastColumn, c.lastColumn);
        EXPECT_EQ(pattern.HasProbeOn(), c.found);
    }
}

TEST(ProbeScanPattern, CopiesTakeTheGridsNotTheHeader) {
    const QProbeScanPattern source(4, 5);
    std::vector<uint8_t> frame(source.GetSerializedSize());
    QCharArrayDataWriter writer(frame.data(), static_cast<uint32_t>(frame.size()));
    source.Serialize(writer);
    QProbeScanPattern read;
    QCharArrayDataReader reader(frame.data(), static_cast<uint32_t>(frame.size()));
    read.Deserialize(reader);
    ASSERT_TRUE(read.IsHeaderRead());

    const QProbeScanPattern copy(read);
    EXPECT_FALSE(copy.IsHeaderRead());
    QProbeScanPattern assigned(1, 1);
    assigned = read;
    EXPECT_FALSE(assigned.IsHeaderRead());
    EXPECT_FALSE(copy != source);
    EXPECT_FALSE(read.GetCopy() != read);

    QProbeScanPattern changed(source);
    changed.SetHeightAt(3, 4, 101);
    EXPECT_TRUE(changed != source);
    changed = source;
    changed.SetProbeAt(0, 0, 0);
    EXPECT_TRUE(changed != source);
    EXPECT_TRUE(QProbeScanPattern(5, 4) != source);
}

} // namespace
} // namespace orv
