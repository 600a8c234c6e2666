#include "project/COverlayControl.h"

#include "core/QException.h"
#include "core/drawing/DrawList.h"
#include "tests/core/support/DrawingFixtures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace orv {
namespace {

// A line from (-100, 20) to (2940, 620): 3040 units wide, 600 high.
DrawList WideLine(int32_t width) {
    DrawList list;
    auto* move = list.Append<DrawPoint_t>(draw_kind::kMoveTo);
    move->m_x = -100;
    move->m_y = 20;
    auto* line = list.Append<DrawPoint_t>(draw_kind::kLineTo);
    line->m_x = -100 + width;
    line->m_y = 620;
    return list;
}

TEST(COverlayControlTest, PcbDrawingIsStoredAsRecordsAndReadBackMeasured) {
    COverlayControl control;
    const DrawList every = fake::EveryKindList();
    ASSERT_TRUE(control.SetPcbDrawing(every.Head()));
    EXPECT_EQ(control.GetDrawingBlob(), fake::EveryKindBlob());
    std::shared_ptr<const DrawList> drawing = control.GetDrawList();
    ASSERT_NE(drawing, nullptr);
    EXPECT_NE(drawing->Head(), every.Head());
    EXPECT_EQ(fake::WrittenRecords(drawing->Head()), fake::EveryKindBlob());
    // The same drawing on the next call; the extent is measured each time.
    EXPECT_EQ(control.GetDrawList(), drawing);

    // A saved project's blob is read on first use.
    COverlayControl loaded;
    const DrawList line = WideLine(3040);
    const std::vector<uint8_t> blob = fake::WrittenRecords(line.Head());
    loaded.SetDrawingBlob(blob.data(), static_cast<uint32_t>(blob.size()));
    EXPECT_EQ(loaded.GetExtentMinimum().x, 655350); // not measured before the first use
    ASSERT_NE(loaded.GetDrawList(), nullptr);
    EXPECT_EQ(loaded.GetExtentMinimum().x, -100);
    EXPECT_EQ(loaded.GetExtentMinimum().y, 20);
    EXPECT_EQ(loaded.GetExtentMaximum().x, 2940);
    EXPECT_EQ(loaded.GetExtentMaximum().y, 620);
}

TEST(COverlayControlTest, EmptyDrawingGivesNullKeepsTheStartExtentAndSharesNothing) {
    COverlayControl control;
    const std::vector<uint8_t> end = fake::DrawingBlob({});
    control.SetDrawingBlob(end.data(), static_cast<uint32_t>(end.size()));
    EXPECT_EQ(control.GetDrawList(), nullptr);
    EXPECT_EQ(control.GetExtentMinimum().x, 655350);
    EXPECT_EQ(control.GetExtentMinimum().y, 655350);
    EXPECT_EQ(control.GetExtentMaximum().x, -655351);
    EXPECT_EQ(control.GetExtentMaximum().y, -655351);
    EXPECT_EQ(control.GetWidthFraction(42), 0.0F);
    EXPECT_EQ(control.GetHeightFraction(29), 0.0F);

    COverlayControl none;
    EXPECT_TRUE(none.SetPcbDrawing(nullptr));
    EXPECT_EQ(none.GetDrawingBlob(), end);
    EXPECT_EQ(none.GetDrawList(), nullptr);
}

TEST(COverlayControlTest, BlobThatDoesNotReadBackRaisesTheRecordsOwnError) {
    COverlayControl control;
    std::vector<uint8_t> cut = fake::DrawingBlob({fake::DrawingRecord(draw_kind::kMoveTo, {1, 2})}, false);
    cut.pop_back();
    control.SetDrawingBlob(cut.data(), static_cast<uint32_t>(cut.size()));
    EXPECT_THROW(control.GetDrawList(), QOutOfMemoryException);
}

TEST(COverlayControlTest, GridSharesOfTheMeasuredDrawing) {
    struct Case {
        int32_t width;
        int32_t cells;
        float share;
    };
    const Case widths[] = {
        {3040, 40, 1.0F}, {2992, 42, 2849.0F / 2992.0F}, // 2992 * 40 / 42 is 2849 in integers
        {1520, 40, 0.5F}, {3040, 20, 6080.0F / 3040.0F}, {3040, 0, 0.0F}, {3040, -3, 0.0F},
    };
    for (const Case& c : widths) {
        COverlayControl control;
        const DrawList line = WideLine(c.width);
        control.SetPcbDrawing(line.Head());
        control.GetDrawList();
        EXPECT_FLOAT_EQ(control.GetWidthFraction(c.cells), c.share) << c.width << " on " << c.cells;
    }
    COverlayControl control;
    const DrawList line = WideLine(3040); // 600 high
    control.SetPcbDrawing(line.Head());
    control.GetDrawList();
    EXPECT_FLOAT_EQ(control.GetHeightFraction(32), 600.0F / 2434.0F);
    EXPECT_FLOAT_EQ(control.GetHeightFraction(29), static_cast<float>(600 * 32 / 29) / 2395.0F);
    EXPECT_EQ(control.GetHeightFraction(0), 0.0F);
}

TEST(COverlayControlTest, ReleasedCachesLeaveWhatAHolderStillUsesAndAreRemade) {
    COverlayControl control;
    const DrawList line = WideLine(3040);
    control.SetPcbDrawing(line.Head());
    std::shared_ptr<const DrawList> held = control.GetDrawList();
    control.ReleaseCaches();
    // The holder's drawing is whole; the control reads a new one from its blob.
    ASSERT_NE(held->Head(), nullptr);
    EXPECT_EQ(held->Head()->m_next->m_kind, draw_kind::kLineTo);
    std::shared_ptr<const DrawList> again = control.GetDrawList();
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, held);
    EXPECT_EQ(fake::WrittenRecords(again->Head()), fake::WrittenRecords(held->Head()));
}

} // namespace
} // namespace orv
