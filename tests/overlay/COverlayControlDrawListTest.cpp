// The board drawing the heat map's layer paints: a control's drawing turned, painted run by run
// exactly as the whole drawing paints, and kept apart from the control it was made from.

#include "overlay/COverlayControlDrawList.h"

#include "core/drawing/DrawList.h"
#include "overlay/COverlayUtility.h"
#include "overlay/import/GerberConvert.h"
#include "overlay/import/HPGLConvert.h"
#include "overlay/import/ImportSource.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/COverlayControl.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/core/support/DrawingFixtures.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

class COverlayControlDrawListTest : public testing::QtWidgetTest {};

void Point(DrawList& list, int32_t kind, int32_t x, int32_t y) {
    auto* point = list.Append<DrawPoint_t>(kind);
    point->m_x = x;
    point->m_y = y;
}

void Repeat(DrawList& list, uint16_t columns, uint16_t rows, int16_t xStep, int16_t yStep) {
    auto* repeat = list.Append<DrawRepeat_t>(draw_kind::kRepeat);
    repeat->m_xRepeat = columns;
    repeat->m_yRepeat = rows;
    repeat->m_xStep = xStep;
    repeat->m_yStep = yStep;
}

// Tracks whose lines go on from where the one before stopped: across a repeat block of 3 x 2
// copies, out of it through a repeat of one copy (which ends the block), and on.
DrawList ChainedTracks() {
    DrawList list;
    Point(list, draw_kind::kMoveTo, 0, 0);
    Point(list, draw_kind::kLineTo, 300, 0);
    Point(list, draw_kind::kLineTo, 300, 200);
    Point(list, draw_kind::kMoveTo, 40, 260);
    Point(list, draw_kind::kLineTo, 90, 300);
    Repeat(list, 3, 2, 120, 90);
    Point(list, draw_kind::kLineTo, 120, 340);
    Point(list, draw_kind::kMoveTo, 60, 320);
    Point(list, draw_kind::kLineTo, 80, 380);
    Repeat(list, 1, 1, 0, 0);
    Point(list, draw_kind::kLineTo, 500, 600);
    Point(list, draw_kind::kMoveTo, 520, 40);
    Point(list, draw_kind::kLineTo, 560, 500);
    return list;
}

std::shared_ptr<const DrawList> Shared(DrawList list) {
    return std::make_shared<const DrawList>(std::move(list));
}

std::shared_ptr<const DrawList> FromFile(const std::string& name) {
    std::unique_ptr<ImportFileSource> source =
        ImportFileSource::Open(std::string(ORV_DRAWING_TEST_DATA) + "/" + name);
    EXPECT_NE(source, nullptr) << name;
    if (source == nullptr) {
        return nullptr;
    }
    const bool plotter = name.ends_with(".plt");
    return Shared(plotter ? HPGLConvert(*source) : GerberConvert(*source));
}

// The turned drawing's extent laid onto the picture as the heat map's layer lays a board: its
// window on a viewport inside the picture.
void MapExtent(QPainter& painter, const DrawBase_t* turned) {
    DrawExtentPoint minimum;
    DrawExtentPoint maximum;
    COverlayUtility::GetDrawListExtent(turned, minimum, maximum);
    painter.setWindow(minimum.x, minimum.y, std::max(maximum.x - minimum.x, 1),
                      std::max(maximum.y - minimum.y, 1));
    painter.setViewport(10, 10, 280, 220);
}

QImage White() {
    QImage image(300, 240, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

TEST_F(COverlayControlDrawListTest, RunByRunPaintsTheTurnedDrawingsPixels) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall install(prompt);
    struct Case {
        std::string name;
        std::shared_ptr<const DrawList> drawing;
        size_t leastRuns;
    };
    // The chained tracks are three runs: the block's contents stay with the block, and the move-to
    // after the block's end starts afresh.
    EXPECT_EQ(COverlayControlDrawList(Shared(ChainedTracks()), 0).GetPrimitiveCount(), 3U);
    const std::vector<Case> cases = {
        {"chained tracks", Shared(ChainedTracks()), 3},  {"every kind", Shared(fake::EveryKindList()), 0},
        {"apertures.gbr", FromFile("apertures.gbr"), 0}, {"arcs.gbr", FromFile("arcs.gbr"), 0},
        {"macros.gbr", FromFile("macros.gbr"), 0},       {"step_repeat.gbr", FromFile("step_repeat.gbr"), 1},
        {"plotter.plt", FromFile("plotter.plt"), 0},
    };
    for (const Case& c : cases) {
        ASSERT_NE(c.drawing, nullptr) << c.name;
        ASSERT_FALSE(c.drawing->IsEmpty()) << c.name;
        for (const int32_t turns : {0, -1, 1, 2, -7}) {
            SCOPED_TRACE(c.name + ", turns " + std::to_string(turns));
            const COverlayControlDrawList list(c.drawing, turns);
            EXPECT_GE(list.GetPrimitiveCount(), c.leastRuns);
            const DrawList turned = COverlayUtility::BuildDrawList(c.drawing->Head(), turns);
            QImage whole = White();
            {
                QPainter painter(&whole);
                MapExtent(painter, turned.Head());
                painter.setPen(QPen(Qt::black, 0));
                COverlayUtility::PaintDrawing(painter, turned.Head());
            }
            QImage runs = White();
            {
                QPainter painter(&runs);
                MapExtent(painter, turned.Head());
                // The layer's painter keeps its default pen: the list brings its own.
                COverlayUtility::PaintDrawList(painter, &list);
            }
            EXPECT_NE(whole, White());
            EXPECT_EQ(runs, whole);
        }
    }
    EXPECT_TRUE(prompt->Texts().empty());
}

TEST_F(COverlayControlDrawListTest, TheListOutlivesItsControlAndKnowsTheDrawingItWasMadeFrom) {
    auto control = std::make_unique<COverlayControl>();
    const DrawList tracks = ChainedTracks();
    ASSERT_TRUE(control->SetPcbDrawing(tracks.Head()));
    const std::shared_ptr<const DrawList> drawing = control->GetDrawList();
    ASSERT_NE(drawing, nullptr);
    const COverlayControlDrawList list(drawing, -1);
    EXPECT_TRUE(list.IsMadeFrom(drawing, -1));
    EXPECT_FALSE(list.IsMadeFrom(drawing, 1));
    EXPECT_FALSE(list.IsMadeFrom(nullptr, -1));

    const DrawList turned = COverlayUtility::BuildDrawList(tracks.Head(), -1);
    QImage expected = White();
    {
        QPainter painter(&expected);
        MapExtent(painter, turned.Head());
        painter.setPen(QPen(Qt::black, 0));
        COverlayUtility::PaintDrawing(painter, turned.Head());
    }
    // A control that read its drawing again hands out another drawing, even of the same records.
    control->ReleaseCaches();
    const std::shared_ptr<const DrawList> again = control->GetDrawList();
    EXPECT_FALSE(list.IsMadeFrom(again, -1));

    // The project drops the overlay while the list is still about: it paints its own copy.
    control.reset();
    QImage painted = White();
    {
        QPainter painter(&painted);
        MapExtent(painter, turned.Head());
        COverlayUtility::PaintDrawList(painter, &list);
    }
    EXPECT_EQ(painted, expected);
}

} // namespace
} // namespace orv
