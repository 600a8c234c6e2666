#include "overlay/ScanStitching.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace orv {
namespace {

_StitchPlacement Placed(int32_t x, int32_t y, int32_t rows, int32_t columns, int32_t rotation = 0) {
    _StitchPlacement slot;
    slot.m_X = x;
    slot.m_Y = y;
    slot.m_Rows = rows;
    slot.m_Columns = columns;
    slot.m_Rotation = rotation;
    slot.m_ScanIndex = 0;
    slot.m_Used = true;
    return slot;
}

// 0, 1, 2, ... row by row, plus `base`.
std::vector<int16_t> Counting(int32_t rows, int32_t columns, int16_t base) {
    std::vector<int16_t> values(static_cast<size_t>(rows * columns));
    std::iota(values.begin(), values.end(), base);
    return values;
}

struct Stitched {
    _StitchBounds bounds;
    std::vector<int16_t> grid;
    int16_t At(int32_t row, int32_t column) const {
        return grid[static_cast<size_t>(row * bounds.m_Width + column)];
    }
};

Stitched StitchAll(const StitchPlacements& placements, const std::vector<std::vector<int16_t>>& values) {
    Stitched result;
    EXPECT_TRUE(GetStitchBounds(placements, result.bounds));
    result.grid = MakeStitchGrid(result.bounds);
    for (size_t i = 0; i < placements.size(); ++i) {
        if (placements[i].m_Used) {
            PlaceStitchSlot(result.grid, result.bounds, placements[i], values[i]);
        }
    }
    return result;
}

TEST(ScanStitchingTest, ThePresetLaysSixHeadSizedScansDiagonallyWithTheFirstTwoUsed) {
    const StitchPlacements preset = QStitchLayout::Preset();
    for (int32_t i = 0; i < kStitchSlotCount; ++i) {
        const _StitchPlacement& slot = preset[static_cast<size_t>(i)];
        EXPECT_EQ(slot.m_X, 8 * i);
        EXPECT_EQ(slot.m_Y, 8 * i);
        EXPECT_EQ(slot.m_Columns, 42);
        EXPECT_EQ(slot.m_Rows, 29);
        EXPECT_EQ(slot.m_Rotation, 0);
        EXPECT_EQ(slot.m_ScanIndex, i);
        EXPECT_EQ(slot.m_Used, i < 2);
    }
    // The table is preset once and then kept as it is left.
    QStitchLayout::Forget();
    QStitchLayout::Table()[0].m_X = 50;
    EXPECT_EQ(QStitchLayout::Table()[0].m_X, 50);
    QStitchLayout::Forget();
    EXPECT_EQ(QStitchLayout::Table()[0].m_X, 0);
}

TEST(ScanStitchingTest, TheHitTestFindsTheSlotPaintedLastAndSkipsUnusedSlots) {
    StitchPlacements placements{};
    placements[1] = Placed(0, 0, 10, 10);
    placements[4] = Placed(5, 5, 10, 10);
    placements[5] = Placed(5, 5, 10, 10);
    placements[5].m_Used = false;
    // Cell (5, 5) starts at dialog pixel 20 + 20.
    EXPECT_EQ(HitTestStitchSlot(placements, 40, 40), 4);
    EXPECT_EQ(HitTestStitchSlot(placements, 39, 39), 1);
    EXPECT_EQ(HitTestStitchSlot(placements, 20, 20), 1);
    EXPECT_EQ(HitTestStitchSlot(placements, 19, 20), -1);
    // The right and bottom edges are outside: 20 + 4 x 15 = 80.
    EXPECT_EQ(HitTestStitchSlot(placements, 79, 79), 4);
    EXPECT_EQ(HitTestStitchSlot(placements, 80, 79), -1);
    // A turned slot is hit by its shown size.
    placements[4] = Placed(20, 0, 2, 10, 1);
    EXPECT_EQ(HitTestStitchSlot(placements, 20 + 4 * 21, 20 + 4 * 9), 4);
    EXPECT_EQ(HitTestStitchSlot(placements, 20 + 4 * 22, 20), -1);
}

TEST(ScanStitchingTest, BoundsSpanTheUsedSlotsByTheirShownSize) {
    StitchPlacements placements{};
    _StitchBounds bounds;
    EXPECT_FALSE(GetStitchBounds(placements, bounds));
    placements[0] = Placed(10, 4, 29, 42);
    placements[2] = Placed(60, 2, 29, 42, 1);
    placements[3] = Placed(0, 0, 100, 100);
    placements[3].m_Used = false;
    ASSERT_TRUE(GetStitchBounds(placements, bounds));
    EXPECT_EQ(bounds.m_Left, 10);
    EXPECT_EQ(bounds.m_Top, 2);
    // Right: the turned slot's 60 + 29; bottom: its 2 + 42.
    EXPECT_EQ(bounds.m_Width, 79);
    EXPECT_EQ(bounds.m_Height, 42);
}

TEST(ScanStitchingTest, TwoScansSideBySideGiveOneGridOfBothValues) {
    StitchPlacements placements{};
    placements[0] = Placed(0, 0, 10, 20);
    placements[1] = Placed(20, 0, 10, 20);
    const std::vector<int16_t> left = Counting(10, 20, 0);
    const std::vector<int16_t> right = Counting(10, 20, 1000);
    const Stitched stitched = StitchAll(placements, {left, right});
    ASSERT_EQ(stitched.bounds.m_Height, 10);
    ASSERT_EQ(stitched.bounds.m_Width, 40);
    for (int32_t r = 0; r < 10; ++r) {
        for (int32_t c = 0; c < 20; ++c) {
            EXPECT_EQ(stitched.At(r, c), left[static_cast<size_t>(r * 20 + c)]);
            EXPECT_EQ(stitched.At(r, 20 + c), right[static_cast<size_t>(r * 20 + c)]);
        }
    }
}

TEST(ScanStitchingTest, EachQuarterTurnMovesEveryValueClockwise) {
    // A 2 x 3 scan:  0 1 2
    //                3 4 5
    struct Case {
        int32_t rotation;
        int32_t rows;
        int32_t columns;
        std::vector<int16_t> expected;
    };
    const std::vector<Case> cases = {
        {0, 2, 3, {0, 1, 2, 3, 4, 5}},
        // (r, c) goes to (c, 1 - r).
        {1, 3, 2, {3, 0, 4, 1, 5, 2}},
        {2, 2, 3, {5, 4, 3, 2, 1, 0}},
        {3, 3, 2, {2, 5, 1, 4, 0, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rotation);
        StitchPlacements placements{};
        placements[0] = Placed(7, 3, 2, 3, c.rotation);
        const Stitched stitched = StitchAll(placements, {Counting(2, 3, 0)});
        EXPECT_EQ(stitched.bounds.m_Height, c.rows);
        EXPECT_EQ(stitched.bounds.m_Width, c.columns);
        EXPECT_EQ(stitched.grid, c.expected);
    }
}

TEST(ScanStitchingTest, LaterSlotsPaintOverEarlierOnesAndUncoveredCellsHoldNoValue) {
    StitchPlacements placements{};
    placements[0] = Placed(0, 0, 2, 2);
    placements[1] = Placed(1, 1, 2, 2);
    placements[2] = Placed(0, 0, 1, 1);
    placements[2].m_Used = false;
    const Stitched stitched = StitchAll(placements, {{1, 2, 3, 4}, {5, 6, 7, 8}, {9}});
    const std::vector<int16_t> expected = {1, 2, kStitchNoValue, 3, 5, 6, kStitchNoValue, 7, 8};
    EXPECT_EQ(stitched.grid, expected);
    // A scan with fewer values than its grid places none.
    std::vector<int16_t> grid = MakeStitchGrid(stitched.bounds);
    PlaceStitchSlot(grid, stitched.bounds, placements[0], std::vector<int16_t>{1, 2, 3});
    EXPECT_EQ(grid, std::vector<int16_t>(9, kStitchNoValue));
}

} // namespace
} // namespace orv
