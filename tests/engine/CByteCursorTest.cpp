#include "engine/CByteCursor.h"

#include <gtest/gtest.h>

#include <limits>

namespace orv {
namespace {

TEST(CByteCursor, OwnedCursorIsZeroedCopiesItsBytesAndWritesLittleEndian) {
    const uint8_t start[3] = {9, 8, 7};
    CByteCursor cursor(13, start, 3);
    EXPECT_TRUE(cursor.IsOwned());
    EXPECT_EQ(cursor.TakeBytes(), (std::vector<uint8_t>{9, 8, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(cursor.Skip(3));
    EXPECT_TRUE(cursor.WriteUInt16(0x0102));
    EXPECT_TRUE(cursor.WriteUInt32(0x03040506));
    EXPECT_TRUE(cursor.WriteFloat(1.0F));
    EXPECT_EQ(cursor.GetRemaining(), 0U);
    EXPECT_EQ(cursor.TakeBytes(), (std::vector<uint8_t>{9, 8, 7, 2, 1, 6, 5, 4, 3, 0, 0, 0x80, 0x3F}));
    // A copy longer than the block is cut to it.
    EXPECT_EQ(CByteCursor(2, start, 3).TakeBytes(), (std::vector<uint8_t>{9, 8}));
}

TEST(CByteCursor, BorrowedCursorReadsTheCallersBytes) {
    uint8_t bytes[6] = {0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF};
    CByteCursor cursor = CByteCursor::Borrow(bytes, 6);
    EXPECT_FALSE(cursor.IsOwned());
    uint32_t word = 0;
    int16_t small = 0;
    EXPECT_TRUE(cursor.ReadUInt32(word));
    EXPECT_TRUE(cursor.ReadInt16(small));
    EXPECT_EQ(word, 0x12345678U);
    EXPECT_EQ(small, -2);
    CByteCursor again = CByteCursor::Borrow(bytes, 6);
    EXPECT_TRUE(again.WriteUInt16(0xAAAA));
    EXPECT_EQ(bytes[0], 0xAA);
    // A read-only borrow never writes.
    CByteCursor readOnly = CByteCursor::BorrowForReading(bytes, 6);
    EXPECT_FALSE(readOnly.WriteUInt8(1));
    EXPECT_EQ(bytes[0], 0xAA);
}

TEST(CByteCursor, AnOperationPastTheEndChangesNeitherBytesNorPosition) {
    CByteCursor fresh(6);
    ASSERT_TRUE(fresh.WriteUInt16(0xBEEF));
    ASSERT_TRUE(fresh.Skip(1));
    EXPECT_FALSE(fresh.WriteUInt32(0x22222222));
    EXPECT_EQ(fresh.GetPosition(), 3U);
    EXPECT_EQ(fresh.TakeBytes(), (std::vector<uint8_t>{0xEF, 0xBE, 0, 0, 0, 0}));
    uint32_t word = 0;
    EXPECT_FALSE(fresh.ReadUInt32(word));
    EXPECT_EQ(fresh.GetPosition(), 3U);
    // Counts near the 32-bit limit must not wrap round the bound check.
    uint8_t sink[4] = {};
    EXPECT_FALSE(fresh.ReadBytes(sink, std::numeric_limits<uint32_t>::max()));
    EXPECT_FALSE(fresh.WriteBytes(sink, std::numeric_limits<uint32_t>::max() - 1));
    EXPECT_FALSE(fresh.Skip(std::numeric_limits<uint32_t>::max()));
    EXPECT_EQ(fresh.GetPosition(), 3U);
}

} // namespace
} // namespace orv
