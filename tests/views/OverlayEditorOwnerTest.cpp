#include "app/QtConversions.h"
#include "core/TypeIds.h"
#include "overlay/COverlayView.h"
#include "overlay/COverlayViewFrame.h"
#include "project/NodeMessages.h"
#include "scandata/CSpatialScanData.h"
#include "tests/views/support/SpatialViewFixture.h"

#include <gtest/gtest.h>

#include <QPointer>

#include <algorithm>
#include <vector>

namespace orv::test {
namespace {

using orv::testing::PixelAt;

// Three rows by four columns of values, so that every cell has its own colour.
std::vector<int16_t> Values() {
    std::vector<int16_t> values;
    for (int16_t i = 0; i < 12; ++i) {
        values.push_back(static_cast<int16_t>((i + 1) * 100));
    }
    return values;
}

class OverlayEditorOwnerTest : public SpatialViewTest {
protected:
    CSpatialView& Show(const CScanAreaRecord& area) {
        Open(kTypeSpatialScanNode);
        QSpatialScanAddition addition = SpatialGrid(1, 3, 4, Values());
        addition.m_Record.m_Area = area;
        EXPECT_TRUE(mediator->AddSpatialScanData(addition, false, false));
        mediator->ShowScanData(1);
        Pump();
        View().RedrawView(nullptr, CSpatialView::kRedrawMap);
        return View();
    }
    CScanAreaRecord& Area() { return mediator->GetCurrentSpatialScanData()->m_ScanArea; }
};

TEST_F(OverlayEditorOwnerTest, TheShownScanGivesAndTakesThePlacement) {
    CScanAreaRecord picture;
    picture.m_Variant = 1;
    picture.m_OverlayId = 7;
    picture.m_RotationCount = 3;
    picture.m_OtherValues = {0.1F, 0.2F, 0.3F, 0.4F};
    picture.m_OtherWord = 60;
    CSpatialView& view = Show(picture);
    EXPECT_EQ(view.GetOverlayOwnerKind(), COverlayViewOwner::Kind::SpatialView);
    COverlayPlacement placement;
    ASSERT_TRUE(view.ReadOverlayPlacement(placement));
    EXPECT_EQ(placement.m_overlayId, 7U);
    EXPECT_EQ(placement.m_pictureQuarterTurns, 3);
    EXPECT_EQ(placement.m_pictureLeft, 0.1F);
    EXPECT_EQ(placement.m_pictureHeight, 0.4F);
    EXPECT_EQ(placement.m_opacity, 60);

    // A drawing placed back: its origin and extent, and the node's placement flag.
    COverlayPlacement drawing;
    drawing.m_overlayId = 9;
    drawing.m_drawingQuarterTurns = -1;
    drawing.m_originX = 0.5F;
    drawing.m_originY = 0.25F;
    drawing.m_extentX1 = 300;
    drawing.m_extentY2 = -100;
    view.WriteOverlayPlacement(drawing, true);
    EXPECT_EQ(Area().m_Variant, 0);
    EXPECT_EQ(Area().m_OverlayId, 9U);
    EXPECT_EQ(Area().m_RotationCount, -1);
    EXPECT_EQ(Area().m_Values[0], 0.5F);
    EXPECT_EQ(Area().m_Left, 300);
    EXPECT_EQ(Area().m_Bottom, -100);
    EXPECT_EQ(mediator->overlay.m_pictureFlags[0], 1);
    // The editor's Apply ends with the notice: the project is marked modified.
    window.target.received.clear();
    view.OnOverlayPlacementApplied();
    Pump();
    const std::vector<uint32_t> ids = window.target.Ids();
    EXPECT_EQ(std::count(ids.begin(), ids.end(), NodeMessage::kProjectModified), 1);
    COverlayPlacement again;
    ASSERT_TRUE(view.ReadOverlayPlacement(again));
    EXPECT_EQ(again, drawing);
}

TEST_F(OverlayEditorOwnerTest, TheEditorShowsTheViewsHeatMapAtItsOwnScaleAndGoesWithTheView) {
    CSpatialView& view = Show(CScanAreaRecord());
    const QColor first = ColorRefToQColor(view.GetCell(0, 0).m_Colour);
    const QColor last = ColorRefToQColor(view.GetCell(2, 3).m_Colour);
    ASSERT_NE(first, last);

    // Only the cells with data cover what lies under them.
    QImage target(500, 400, QImage::Format_RGB32);
    target.fill(Qt::gray);
    ASSERT_TRUE(view.DrawOverlayHeatMap(target, QPoint(0, 0), 10.0F, 29, 42));
    EXPECT_EQ(PixelAt(target, 5, 5), first);
    EXPECT_EQ(PixelAt(target, 35, 25), last);
    EXPECT_EQ(PixelAt(target, 55, 55), QColor(Qt::gray));

    view.OpenOverlayEditor();
    QPointer<COverlayViewFrame> frame = view.GetOverlayFrame();
    ASSERT_NE(frame, nullptr);
    orv::testing::FlushEvents();
    COverlayView& editor = *frame->GetOverlayView();
    const QImage painted = orv::testing::Grab(editor);
    const float scale = editor.GetScale();
    const QPoint cell = editor.GetAreaRect().topLeft() +
                        QPoint(static_cast<int>(2 * scale) + 3, static_cast<int>(1 * scale) + 3);
    EXPECT_EQ(PixelAt(painted, cell.x(), cell.y()), ColorRefToQColor(view.GetCell(1, 2).m_Colour));

    // Asked again, the same editor comes to the top.
    view.OpenOverlayEditor();
    EXPECT_EQ(view.GetOverlayFrame(), frame.data());
    factory.viewFrames.back()->spatialView.reset();
    EXPECT_TRUE(orv::testing::ProcessEventsUntil([&frame] { return frame.isNull(); }));
}

} // namespace
} // namespace orv::test
