// The heat map's board layer in a real project window: a Spatial node's view, made by the program's
// frame maker, paints the project's Gerber board inside the scan's placement, turned and mirrored as
// the overlay editor leaves the placement, and follows the overlay the project holds under the id.

#include "app/UiMessagePump.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "core/TypeIds.h"
#include "core/drawing/DrawingRecords.h"
#include "overlay/import/GerberConvert.h"
#include "overlay/import/ImportSource.h"
#include "project/CViewTree.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "scandata/CSpatialScanData.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QMdiArea>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

constexpr uint32_t kBoardId = 4711;
constexpr uint16_t kRows = 32;
constexpr uint16_t kColumns = 40;

// A 100 x 80 mm board (1000 x 800 drawing units): its outline, a 30 x 20 mm pad flashed with its
// centre at (20, 15) mm, and a track down the middle of its lower half.
std::string Board(int padX) {
    return "%FSLAX33Y33*%\n%MOMM*%\n%ADD10C,0.5*%\n%ADD11R,30.0X20.0*%\n"
           "D10*\nX0Y0D02*\nX100000Y0D01*\nX100000Y80000D01*\nX0Y80000D01*\nX0Y0D01*\n"
           "D11*\nX" +
           std::to_string(padX) +
           "000Y15000D03*\n"
           "D10*\nX50000Y40000D02*\nX50000Y75000D01*\nM02*\n";
}

std::vector<uint8_t> Records(const std::string& text) {
    ImportMemorySource source(text);
    const DrawList drawing = GerberConvert(source);
    EXPECT_FALSE(drawing.IsEmpty());
    QCharCounterDataWriter counter;
    WriteOverlayDrawingRecords(counter, drawing.Head());
    std::vector<uint8_t> records(counter.m_count);
    QCharArrayDataWriter writer(records.data(), counter.m_count);
    WriteOverlayDrawingRecords(writer, drawing.Head());
    return records;
}

class BoardDrawingLayerTest : public testing::QtWidgetTest {
protected:
    BoardDrawingLayerTest()
        : m_sandbox("BoardDrawingLayerTest"),
          m_projects(m_frame, m_projectList, m_sandbox.StorageFactory(m_frame, GetUiMessageThread()),
                     m_sandbox.Maker(m_frame, GetUiMessageThread())),
          m_windows(m_area, m_projects) {
        m_area.resize(1400, 1000);
        m_area.show();
        CViewFrameMaker::Install();
        m_project = m_windows.NewDocument();
        EXPECT_TRUE(testing::ProcessEventsUntil([this] { return !m_project->GetView()->IsBuildPending(); }));
        m_project->parentWidget()->showMaximized();
        testing::FlushEvents();
    }
    ~BoardDrawingLayerTest() override { CFormViewFactory::SetFrameMaker({}); }

    TfrmMainApp& Project() { return *m_projects.FindProjectById(m_project->GetProjectId()); }

    void AddBoard(int padX) {
        const std::string text = Board(padX);
        ASSERT_TRUE(Project().AddPcbOverlayControl(Records(text), kBoardId,
                                                   static_cast<uint32_t>(text.size()), true));
    }

    // A Spatial node with one scan over the whole grid, its view opened as the View command does.
    CSpatialView* OpenScannedNode() {
        CViewTreeWidget& tree = *m_project->GetProjectPane()->GetTree();
        m_node =
            Project().GetOpenProject()->AddNode(tree.GetRootItem(), CViewTree::kLast, kTypeSpatialScanNode);
        EXPECT_NE(m_node, nullptr);
        if (m_node == nullptr) {
            return nullptr;
        }
        std::vector<int16_t> values(static_cast<size_t>(kRows) * kColumns);
        for (size_t i = 0; i < values.size(); ++i) {
            values[i] = static_cast<int16_t>(100 + (i % 37) * 20);
        }
        QSpatialScanAddition addition = test::SpatialGrid(1, kRows, kColumns, std::move(values));
        addition.m_Record.m_Area.m_OverlayId = kBoardId;
        addition.m_Record.m_Area.m_Values = {0.1F, 0.1F};
        EXPECT_TRUE(m_node->AddSpatialScanData(addition, false, false));
        bool created = false;
        m_node->OpenView(m_node->GetKind(), created, true);
        testing::FlushEvents();
        m_node->ShowScanData(1);
        testing::FlushEvents();
        return dynamic_cast<CSpatialView*>(m_node->GetSpatialView());
    }

    CScanAreaRecord& Area() { return m_node->GetCurrentSpatialScanData()->m_ScanArea; }

    // The layer made again with the scan's placement as it is now.
    static const QImage& Redraw(CSpatialView& view) {
        view.GetMessageTarget().Post(CSpatialView::kSpatialRepaintMessage, 0, 2);
        testing::FlushEvents();
        view.RedrawView(nullptr, CSpatialView::kRedrawMap);
        return view.GetOverlayLayer();
    }

    // Where the layer places the board: the scan's origin fractions and the extent's share of the grid
    // the view shows (the layer is that grid at the view's cell size).
    QRect Placement(const CSpatialView& view, const QImage& layer) {
        const auto w = static_cast<double>(layer.width());
        const auto h = static_cast<double>(layer.height());
        const auto columns = static_cast<uint16_t>(std::lround(w / view.GetCellSize()));
        const auto rows = static_cast<uint16_t>(std::lround(h / view.GetCellSize()));
        return {static_cast<int>(w * 0.1F), static_cast<int>(h * 0.1F),
                static_cast<int>(w * CSpatialScanData::AreaWidthFraction(Area(), columns)),
                static_cast<int>(h * CSpatialScanData::AreaHeightFraction(Area(), rows))};
    }

    testing::ProjectSandbox m_sandbox;
    testing::TestMainFrame m_frame;
    std::vector<std::unique_ptr<TfrmMainApp>> m_projectList;
    QMdiArea m_area;
    CProjectArray m_projects;
    CProjectWindows m_windows;
    CChildFrame* m_project = nullptr;
    QNodeMediator* m_node = nullptr;
};

QPoint At(const QRect& board, double u, double v) {
    return {board.left() + static_cast<int>(u * board.width()),
            board.top() + static_cast<int>(v * board.height())};
}

bool Black(const QImage& image, QPoint point) {
    return image.valid(point) && (image.pixel(point) & 0xFFFFFFU) == 0;
}

// The pad is black where it belongs and none of the places it would be if turned or mirrored the
// wrong way is; every black pixel lies on the placement; the pad fills its share of it.
void ExpectPadAt(const QImage& layer, const QRect& board, double u, double v) {
    EXPECT_TRUE(Black(layer, At(board, u, v))) << u << "," << v;
    EXPECT_FALSE(Black(layer, At(board, 1.0 - u, v)));
    EXPECT_FALSE(Black(layer, At(board, u, 1.0 - v)));
    EXPECT_FALSE(Black(layer, At(board, 1.0 - u, 1.0 - v)));
    const QRect onBoard = board.adjusted(-2, -2, 2, 2);
    int inside = 0;
    for (int y = 0; y < layer.height(); ++y) {
        for (int x = 0; x < layer.width(); ++x) {
            if (Black(layer, QPoint(x, y))) {
                ASSERT_TRUE(onBoard.contains(x, y))
                    << x << "," << y << " off " << board.x() << "," << board.y() << " " << board.width()
                    << "x" << board.height();
                ++inside;
            }
        }
    }
    // 30 x 20 mm of a 100 x 80 mm board: three-quarters of it at least.
    EXPECT_GT(inside, board.width() * board.height() * 3 / 4 * 30 * 20 / (100 * 80));
}

TEST_F(BoardDrawingLayerTest, TheProjectsGerberBoardIsPaintedInsideThePlacementTurnedAndMirrored) {
    AddBoard(20);
    CSpatialView* view = OpenScannedNode();
    ASSERT_NE(view, nullptr);
    struct Case {
        const char* name;
        int8_t turns;
        std::array<int32_t, 4> extent; // as the overlay editor leaves it: first corner, second corner
        double u;                      // the pad's centre as a share of the placement
        double v;
    };
    // Turned pictures of the board: clockwise (u, v) goes to (1 - v, u), counter-clockwise to
    // (v, 1 - u); mirrored horizontally to (1 - u, v).
    const Case cases[] = {
        {"as imported", 0, {0, 0, 1000, 800}, 0.2, 0.1875},
        {"a quarter clockwise", -1, {800, 0, 0, -1000}, 0.8125, 0.2},
        {"a quarter counter-clockwise", 1, {0, 1000, -800, 0}, 0.1875, 0.8},
        {"mirrored horizontally", 0, {1000, 0, 0, 800}, 0.8, 0.1875},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CScanAreaRecord& area = Area();
        area.m_RotationCount = c.turns;
        area.m_Left = c.extent[0];
        area.m_Top = c.extent[1];
        area.m_Right = c.extent[2];
        area.m_Bottom = c.extent[3];
        const QImage& layer = Redraw(*view);
        ASSERT_FALSE(layer.isNull());
        ExpectPadAt(layer, Placement(*view, layer), c.u, c.v);
    }

    // The project's overlay under the id is another board now: the view paints that one.
    auto& controls = Project().GetOverlayControls().GetControls();
    controls.clear();
    AddBoard(80);
    CScanAreaRecord& area = Area();
    area.m_RotationCount = 0;
    area.m_Left = 0;
    area.m_Top = 0;
    area.m_Right = 1000;
    area.m_Bottom = 800;
    const QImage& layer = Redraw(*view);
    ExpectPadAt(layer, Placement(*view, layer), 0.8, 0.1875);

    // Gone from the project: the view paints no board and holds on to nothing of it.
    controls.clear();
    Redraw(*view);
    view->RedrawView(nullptr, CSpatialView::kRedrawComposed);

    // Back under the id with stored records cut short, which do not read back: the board's frame
    // alone, and no fault.
    const std::vector<uint8_t> records = Records(Board(20));
    ASSERT_GT(records.size(), 10U);
    ASSERT_TRUE(Project().AddPcbOverlayControl(std::vector<uint8_t>(records.begin(), records.begin() + 10),
                                               kBoardId, 10, true));
    ASSERT_NE(Project().FindOverlayControl(kBoardId), nullptr);
    EXPECT_THROW(Project().FindOverlayControl(kBoardId)->GetDrawList(), QOutOfMemoryException);
    const QImage& broken = Redraw(*view);
    const QRect board = Placement(*view, broken);
    EXPECT_TRUE(Black(broken, board.topLeft()));
    int ink = 0;
    const QRect interior = board.adjusted(2, 2, -2, -2);
    for (int y = interior.top(); y <= interior.bottom(); ++y) {
        for (int x = interior.left(); x <= interior.right(); ++x) {
            ink += Black(broken, QPoint(x, y)) ? 1 : 0;
        }
    }
    EXPECT_EQ(ink, 0);
}

} // namespace
} // namespace orv
