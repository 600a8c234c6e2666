// The real program on a real X server (Xvfb): a Spectral/Spatial node scanned through the program's own
// commands, a hand-written Gerber board added to the project as its overlay, and the overlay editor
// opened from the map as the side panel's "Edit Overlay" does: the drawing over the heat map on the
// screen, written out as a picture.

#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "core/QDataWriter.h"
#include "core/TypeIds.h"
#include "core/drawing/DrawingRecords.h"
#include "overlay/COverlayImportFileChooser.h"
#include "overlay/COverlayView.h"
#include "overlay/COverlayViewFrame.h"
#include "overlay/import/GerberConvert.h"
#include "overlay/import/ImportSource.h"
#include "project/COverlayControl.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/ProgramScreens.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/ProgramMapWindow.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/CSpectralSpatialViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;

constexpr uint32_t kBoardId = 5150;

// A small board in millimetres: its outline, a row of round pads joined by tracks, an IC footprint of
// rectangular pads and a few vias.
const char* const kBoard =
    "%FSLAX33Y33*%\n%MOMM*%\n"
    "%ADD10C,0.5*%\n%ADD11C,3.0X1.2*%\n%ADD12R,2.0X4.0*%\n%ADD13C,1.6X0.8*%\n%ADD14C,1.2*%\n"
    "D10*\nX0Y0D02*\nX280000Y0D01*\nX280000Y220000D01*\nX0Y220000D01*\nX0Y0D01*\n"
    "D11*\nX30000Y30000D03*\nX60000Y30000D03*\nX90000Y30000D03*\nX120000Y30000D03*\n"
    "D14*\nX30000Y30000D02*\nX60000Y30000D01*\nX60000Y80000D01*\nX150000Y80000D01*\n"
    "X90000Y30000D02*\nX90000Y60000D01*\nX200000Y60000D01*\nX200000Y160000D01*\n"
    "D12*\nX160000Y120000D03*\nX170000Y120000D03*\nX180000Y120000D03*\nX190000Y120000D03*\n"
    "X160000Y180000D03*\nX170000Y180000D03*\nX180000Y180000D03*\nX190000Y180000D03*\n"
    "D13*\nX240000Y40000D03*\nX240000Y190000D03*\nX40000Y190000D03*\n"
    "M02*\n";

class ProgramOverlayEditorScreenshot : public testing::ProgramOnXServerTest {};

// The board's black pixels on the map's board layer: those inside the placement the scan gives (its
// outline, on the placement's frame, left out) with their centre as shares of the placement, and
// those off it.
struct BoardInk {
    int inside = 0;
    int outside = 0;
    double u = 0.0;
    double v = 0.0;
};

QRect Placement(const CSpatialView& map, const CScanAreaRecord& area) {
    const QImage& layer = map.GetOverlayLayer();
    const auto w = static_cast<double>(layer.width());
    const auto h = static_cast<double>(layer.height());
    // The layer is the shown grid at the map's cell size.
    const auto columns = static_cast<uint16_t>(std::lround(w / map.GetCellSize()));
    const auto rows = static_cast<uint16_t>(std::lround(h / map.GetCellSize()));
    return {static_cast<int>(w * area.m_Values[0]), static_cast<int>(h * area.m_Values[1]),
            static_cast<int>(w * CSpatialScanData::AreaWidthFraction(area, columns)),
            static_cast<int>(h * CSpatialScanData::AreaHeightFraction(area, rows))};
}

BoardInk ReadBoardInk(const CSpatialView& map, const CScanAreaRecord& area) {
    const QImage& layer = map.GetOverlayLayer();
    const QRect board = Placement(map, area);
    const QRect interior = board.adjusted(3, 3, -3, -3);
    const QRect onBoard = board.adjusted(-2, -2, 2, 2);
    BoardInk ink;
    for (int y = 0; y < layer.height(); ++y) {
        for (int x = 0; x < layer.width(); ++x) {
            if ((layer.pixel(x, y) & 0xFFFFFFU) != 0) {
                continue;
            }
            if (interior.contains(x, y)) {
                ++ink.inside;
                ink.u += static_cast<double>(x - board.left()) / board.width();
                ink.v += static_cast<double>(y - board.top()) / board.height();
            } else if (!onBoard.contains(x, y)) {
                ++ink.outside;
            }
        }
    }
    if (ink.inside > 0) {
        ink.u /= ink.inside;
        ink.v /= ink.inside;
    }
    return ink;
}

// The file the user picks in the import's file dialog.
class ChosenFile : public COverlayImportFileChooser {
public:
    explicit ChosenFile(std::string path) : m_path(std::move(path)) {}
    std::optional<std::string> ChooseOpenFile(const COverlayImportFileRequest& /*request*/,
                                              QWidget* /*parent*/) override {
        return m_path;
    }

private:
    std::string m_path;
};

TEST_F(ProgramOverlayEditorScreenshot, TheEditorShowsAGerberBoardOverTheHeatMap) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    QNodeMediator* node =
        testing::AddNodeAndScan(frame, tree, TreeCommand::kAddSpectralSpatial, kTypeSpectralSpatialScanNode);
    ASSERT_NE(node, nullptr);
    CSpatialView* map = testing::WaitForShownSpectralSpatialMap(*node);
    ASSERT_NE(map, nullptr);

    // The board imported as the Gerber import makes it and added to the project's overlays.
    const std::string text = kBoard;
    ImportMemorySource source(text);
    const DrawList board = GerberConvert(source);
    ASSERT_FALSE(board.IsEmpty());
    QCharCounterDataWriter counter;
    WriteOverlayDrawingRecords(counter, board.Head());
    std::vector<uint8_t> records(counter.m_count);
    QCharArrayDataWriter writer(records.data(), counter.m_count);
    WriteOverlayDrawingRecords(writer, board.Head());
    TfrmMainApp* container = TfrmMainApp::GetCurrentProjectContainer();
    ASSERT_NE(container, nullptr);
    ASSERT_TRUE(container->AddPcbOverlayControl(records, kBoardId, static_cast<uint32_t>(text.size()), true));
    COverlayControl* control = container->FindOverlayControl(kBoardId);
    ASSERT_NE(control, nullptr);
    ASSERT_NE(control->GetDrawList(), nullptr);

    // The scan shows the board from near the grid's top-left corner.
    CScanAreaRecord& area = node->GetCurrentSpectralSpatialScanData()->m_ScanArea;
    area.m_Variant = 0;
    area.m_OverlayId = kBoardId;
    area.m_Values = {0.04F, 0.05F};
    area.m_Left = control->GetExtentMinimum().x;
    area.m_Top = control->GetExtentMinimum().y;
    area.m_Right = control->GetExtentMaximum().x;
    area.m_Bottom = control->GetExtentMaximum().y;

    map->OpenOverlayEditor();
    COverlayViewFrame* editorFrame = map->GetOverlayFrame();
    ASSERT_NE(editorFrame, nullptr);
    COverlayView& editor = *editorFrame->GetOverlayView();
    editorFrame->move(120, 80);
    size_t black = 0;
    size_t coloured = 0;
    const auto shown = [&] {
        if (!editorFrame->isVisible() || editor.GetSelectedOverlayId() != kBoardId ||
            editor.GetRenderedDrawing().isNull()) {
            return false;
        }
        const QRect onScreen(editor.mapToGlobal(editor.GetAreaRect().topLeft()), editor.GetAreaRect().size());
        const QImage screen = testing::GrabScreen().copy(onScreen).convertToFormat(QImage::Format_RGB32);
        black = 0;
        coloured = 0;
        for (int y = 0; y < screen.height(); y += 2) {
            for (int x = 0; x < screen.width(); x += 2) {
                const QColor colour(screen.pixel(x, y));
                black += colour.value() < 40 ? 1 : 0;
                coloured += colour.saturation() > 120 && colour.value() > 80 ? 1 : 0;
            }
        }
        return black > 200 && coloured > 200;
    };
    EXPECT_TRUE(testing::ProcessEventsUntil(shown, 30s))
        << black << " dark and " << coloured << " coloured pixels";
    EXPECT_GT(editor.GetDrawingPixelWidth(), 0);
    const std::string shot = testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-overlay-editor.png");
    std::cout << "screenshot: " << shot << "\n";
    editorFrame->close();
}

// The board imported from its file through the editor of the map, applied, turned a quarter clockwise
// with OK: the map shows its pads and tracks, then turned.
TEST_F(ProgramOverlayEditorScreenshot, AGerberFileImportedTurnedAndAppliedShowsTurnedOnTheMap) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "orv-overlay-import-program";
    std::filesystem::create_directories(folder);
    const std::string board = (folder / "board.gbr").string();
    std::ofstream(board, std::ios::binary | std::ios::trunc) << kBoard;
    std::shared_ptr<COverlayImportFileChooser> previous =
        COverlayImportFileChooser::Install(std::make_shared<ChosenFile>(board));

    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    QNodeMediator* node =
        testing::AddNodeAndScan(frame, tree, TreeCommand::kAddSpectralSpatial, kTypeSpectralSpatialScanNode);
    ASSERT_NE(node, nullptr);
    CSpatialView* map = testing::WaitForShownSpectralSpatialMap(*node);
    ASSERT_NE(map, nullptr);

    map->OpenOverlayEditor();
    COverlayViewFrame* editorFrame = map->GetOverlayFrame();
    ASSERT_NE(editorFrame, nullptr);
    editorFrame->move(120, 80);
    COverlayView& editor = *editorFrame->GetOverlayView();
    ASSERT_TRUE(testing::ProcessEventsUntil(
        [&] { return editorFrame->isVisible() && editor.IsInitialised() && editor.GetScale() > 0.0F; }, 30s));
    editor.OnCommand(OverlayCommand::kImport);
    const uint32_t imported = editor.GetSelectedOverlayId();
    ASSERT_NE(imported, 0U);
    TfrmMainApp* container = TfrmMainApp::GetCurrentProjectContainer();
    ASSERT_NE(container, nullptr);
    ASSERT_EQ(container->GetOverlayControls().GetControls().front()->GetOverlayId(), imported);

    // Applied as imported, then turned a quarter clockwise and applied with OK: the scan keeps the
    // turn and the turned extent, and the map is built again each time.
    const COverlayPlacement imported0 = editor.GetPlacement();
    CScanAreaRecord& area = node->GetCurrentSpectralSpatialScanData()->m_ScanArea;
    int32_t builds = map->GetMapBuildCount();
    QTest::mouseClick(editor.GetButton(COverlayView::kApplyId), Qt::LeftButton);
    EXPECT_EQ(area.m_OverlayId, imported);
    EXPECT_EQ(area.m_RotationCount, 0);
    EXPECT_EQ(area.m_Right, imported0.m_extentX2);
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return map->GetMapBuildCount() > builds; }, 30s));
    // The board's pads and tracks on the map, inside the placement.
    const BoardInk upright = ReadBoardInk(*map, area);
    EXPECT_GT(upright.inside, 200);
    EXPECT_EQ(upright.outside, 0);
    editor.OnCommand(OverlayCommand::kRotateClockwise);
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return !editor.GetRenderedDrawing().isNull(); }, 30s));
    testing::FlushEvents();
    std::cout << "screenshot: "
              << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-overlay-editor-imported-turned.png")
              << "\n";
    builds = map->GetMapBuildCount();
    QPointer<COverlayViewFrame> closing(editorFrame);
    QTest::mouseClick(editor.GetButton(COverlayView::kOkId), Qt::LeftButton);
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return closing.isNull(); }, 30s));
    EXPECT_EQ(area.m_RotationCount, -1);
    EXPECT_EQ(std::vector<int32_t>({area.m_Left, area.m_Top, area.m_Right, area.m_Bottom}),
              std::vector<int32_t>({imported0.m_extentY2, -imported0.m_extentX1, imported0.m_extentY1,
                                    -imported0.m_extentX2}));
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return map->GetMapBuildCount() > builds; }, 30s));
    testing::FlushEvents();
    // The same board turned a quarter clockwise: what lay at (u, v) of the placement lies at (1 - v, u).
    const BoardInk turned = ReadBoardInk(*map, area);
    EXPECT_EQ(turned.outside, 0);
    EXPECT_NEAR(turned.inside, upright.inside, upright.inside / 5);
    EXPECT_NEAR(turned.u, 1.0 - upright.v, 0.03) << upright.u << "," << upright.v;
    EXPECT_NEAR(turned.v, upright.u, 0.03) << upright.u << "," << upright.v;
    EXPECT_GT(std::fabs(turned.u - upright.u) + std::fabs(turned.v - upright.v), 0.05);
    // And drawn over the heat map: the board's pixels at half strength over the cells and the white.
    const QImage& layer = map->GetOverlayLayer();
    const QImage& composed = map->GetBackBuffer();
    // The back buffer is the view below its header and the pane's tab strip.
    const CTabCtrlEx* tabs = map->GetTabStrip(CSpatialView::TabStrip::SpectralSpatial);
    ASSERT_NE(tabs, nullptr);
    const QPoint origin(map->GetMapRect().left(),
                        map->GetMapRect().top() - (tabs->geometry().y() + tabs->geometry().height()));
    int dark = 0;
    int boardPixels = 0;
    const QRect interior = Placement(*map, area).adjusted(3, 3, -3, -3);
    for (int y = interior.top(); y <= interior.bottom(); ++y) {
        for (int x = interior.left(); x <= interior.right(); ++x) {
            if ((layer.pixel(x, y) & 0xFFFFFFU) == 0 && composed.valid(origin + QPoint(x, y))) {
                ++boardPixels;
                const QColor colour(composed.pixel(origin + QPoint(x, y)));
                dark += colour.red() <= 130 && colour.green() <= 130 && colour.blue() <= 130 ? 1 : 0;
            }
        }
    }
    EXPECT_EQ(boardPixels, turned.inside);
    EXPECT_GT(dark, boardPixels * 9 / 10);
    const std::string shot = testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-overlay-imported-turned.png");
    std::cout << "screenshot: " << shot << "\n";
    COverlayImportFileChooser::Install(previous);
}

} // namespace
} // namespace orv
