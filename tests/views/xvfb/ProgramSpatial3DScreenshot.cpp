// The real program on a real X server (Xvfb) with Mesa's software renderer: a Spectral/Spatial node
// scanned through the program's own commands, its map switched to 3D as the "View 3D" box of its side
// panel does (Show3DView), shows the coloured surface on the screen, written out as a picture.

#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "core/QColourPalette.h"
#include "core/QManagers.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/ProgramScreens.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/ProgramMapWindow.h"
#include "views/spatial/C3DSpatialView.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/CSpectralSpatialViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <iostream>
#include <set>
#include <string>

namespace orv {
namespace {

using namespace std::chrono_literals;

class ProgramSpatial3DScreenshot : public testing::ProgramOnXServerTest {};

TEST_F(ProgramSpatial3DScreenshot, AScannedSpatialNodeShowsItsSurfaceIn3D) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();

    // A Spectral/Spatial node: scanned through the program's own commands with no further set-up, its
    // map is a spatial view like a Spatial node's.
    QNodeMediator* spatial =
        testing::AddNodeAndScan(frame, tree, TreeCommand::kAddSpectralSpatial, kTypeSpectralSpatialScanNode);
    ASSERT_NE(spatial, nullptr);
    CSpatialView* map = testing::WaitForShownSpectralSpatialMap(*spatial);
    ASSERT_NE(map, nullptr);

    map->Show3DView(true);
    C3DSpatialView* view = map->Get3DView();
    ASSERT_NE(view, nullptr);
    // The cells' palette colours, which the surface takes.
    std::set<QRgb> cellColours;
    // The palette of the Preferences node's spatial display options, as every heat-map display's.
    QNodeMediator* preferences = spatial->GetPreferencesMediator();
    const QSpatialDisplayOptions* options = preferences != nullptr ? preferences->GetSpatialDisplayOptions()
                                                                   : spatial->GetSpatialDisplayOptions();
    ASSERT_NE(options, nullptr);
    const QColourPalette* palette = GetColourPaletteManager().Find(options->GetPaletteId());
    ASSERT_NE(palette, nullptr);
    size_t coloured = 0;
    size_t matching = 0;
    size_t compared = 0;
    // The surface is on the screen when the screen shows the view's own frame there (the 2D map under
    // it has the same colours, so the colours alone do not tell them apart), and that frame carries
    // the cells' colours.
    const auto surfaceShown = [&] {
        if (!view->isVisible() || view->GetFrameCount() == 0) {
            return false;
        }
        cellColours.clear();
        for (int r = 0; r < kGridRows; ++r) {
            for (int c = 0; c < kGridColumns; ++c) {
                const CSpatialCell& cell = map->GetCell(r, c);
                if (cell.m_HasData != 0) {
                    const int32_t index = cell.m_ColourIndex;
                    cellColours.insert(
                        qRgb(palette->GetRed(index), palette->GetGreen(index), palette->GetBlue(index)));
                }
            }
        }
        const QImage frameImage = view->GrabFrame().convertToFormat(QImage::Format_RGB32);
        const QImage screen = testing::GrabScreen()
                                  .copy(QRect(view->mapToGlobal(QPoint(0, 0)), view->size()))
                                  .convertToFormat(QImage::Format_RGB32);
        if (frameImage.size() != screen.size()) {
            return false;
        }
        coloured = 0;
        matching = 0;
        compared = 0;
        for (int y = 0; y < screen.height(); y += 2) {
            for (int x = 0; x < screen.width(); x += 2) {
                const QRgb drawn = frameImage.pixel(x, y) | 0xFF000000U;
                coloured += cellColours.count(drawn);
                matching += (screen.pixel(x, y) | 0xFF000000U) == drawn ? 1 : 0;
                ++compared;
            }
        }
        if (coloured > 500 && matching * 100 >= compared * 95) {
            return true;
        }
        // On a loaded X server the window's composition can miss the GL view's newest frame, and the
        // surface then stays off the screen until something repaints: ask for another frame.
        view->update();
        return false;
    };
    EXPECT_TRUE(testing::ProcessEventsUntil(surfaceShown, 30s))
        << coloured << " surface pixels of " << cellColours.size() << " cell colours; " << matching << " of "
        << compared << " screen pixels as the view drew them";
    EXPECT_EQ(view->GetLastError(), 0);
    const std::string shot = testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spatial-3d-view.png");
    std::cout << "screenshot: " << shot << "\n";
}

} // namespace
} // namespace orv
