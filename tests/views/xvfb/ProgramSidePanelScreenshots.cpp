// The real program on a real X server (Xvfb) with the option panels its start installs: a scanned
// Spectral node's plot and a Spatial node's map each show their panel, laid out on the screen with
// every text whole, and a click on the map panel's "Grid" box takes the cell lines off the node's
// map. The screen is written out as pictures.

#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/ProgramScreens.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/ProgramMapWindow.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "views/spatial/CSpatialSidePanel.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/CViewFrame.h"
#include "views/spectral/CSpectralSidePanel.h"
#include "views/spectral/CSpectralView.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;

class ProgramSidePanelScreenshots : public testing::ProgramOnXServerTest {
protected:
    void SetUp() override {
        ProgramOnXServerTest::SetUp();
        m_previousSpatial = CFormViewSpatial::GetMaker();
        m_previousSpectral = CFormViewSpectral::GetMaker();
        // As the program's start installs them.
        CSpatialSidePanel::Install();
        CSpectralSidePanel::Install();
    }
    void TearDown() override {
        CFormViewSpatial::InstallMaker(m_previousSpatial);
        CFormViewSpectral::InstallMaker(m_previousSpectral);
        ProgramOnXServerTest::TearDown();
    }

    // Every control the panel shows lies on the screen inside the panel, wide enough for its text.
    static void ExpectLaidOutWhole(QWidget& panel) {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect area(panel.mapToGlobal(QPoint(0, 0)), panel.size());
        EXPECT_TRUE(screen.contains(area)) << "panel at " << area.x() << "," << area.y();
        int shown = 0;
        for (QWidget* control : panel.findChildren<QWidget*>()) {
            if (!control->isVisible() || control->objectName().isEmpty()) {
                continue;
            }
            ++shown;
            const QRect rect(control->mapToGlobal(QPoint(0, 0)), control->size());
            const std::string name = control->objectName().toStdString();
            EXPECT_TRUE(area.contains(rect)) << name;
            if (qobject_cast<QAbstractButton*>(control) != nullptr ||
                qobject_cast<QLabel*>(control) != nullptr) {
                EXPECT_GE(control->width(), control->sizeHint().width()) << name;
            }
        }
        EXPECT_GE(shown, 4);
    }

    CFormViewSpatial::Maker m_previousSpatial;
    CFormViewSpectral::Maker m_previousSpectral;
};

TEST_F(ProgramSidePanelScreenshots, ScannedPlotAndMapShowTheirPanels) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();

    // The Spectral node's plot with its panel.
    QNodeMediator* spectral =
        testing::AddNodeAndScan(frame, tree, TreeCommand::kAddSpectral, kTypeSpectralScanNode);
    ASSERT_NE(spectral, nullptr);
    CSpectralView* plot = nullptr;
    CSpectralSidePanel* plotPanel = nullptr;
    ASSERT_TRUE(testing::ProcessEventsUntil(
        [&] {
            plot = dynamic_cast<CSpectralView*>(spectral->GetSpectralView());
            plotPanel = plot != nullptr ? dynamic_cast<CSpectralSidePanel*>(plot->GetFormView()) : nullptr;
            return plotPanel != nullptr && plot->isVisible() && !plot->GetPoints().empty() &&
                   !plotPanel->IsLayoutTimerActive();
        },
        30s));
    EXPECT_TRUE(plotPanel->GetControl(CSpectralSidePanel::kShowPeaks)->isVisible());
    ExpectLaidOutWhole(*plotPanel);
    std::cout << "screenshot: " << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spectral-side-panel.png")
              << "\n";

    // A Spatial node's map with its panel: a 3 x 4 grid put into the node and viewed.
    tree.SelectTreeNode(tree.GetRootItem());
    ASSERT_TRUE(frame.OnCommand(TreeCommand::kAddSpatial));
    CTreeItem* item = tree.GetSelectedTreeNode();
    ASSERT_TRUE(item != nullptr && item->m_kind == kTypeSpatialScanNode);
    QNodeMediator* node = item->m_mediator;
    std::vector<int16_t> values;
    for (int16_t i = 1; i <= 12; ++i) {
        values.push_back(static_cast<int16_t>(i * 100));
    }
    ASSERT_TRUE(node->AddSpatialScanData(test::SpatialGrid(1, 3, 4, values), false, false));
    node->ViewScanData(1);
    CSpatialView* map = nullptr;
    CSpatialSidePanel* mapPanel = nullptr;
    ASSERT_TRUE(testing::ProcessEventsUntil(
        [&] {
            map = dynamic_cast<CSpatialView*>(node->GetSpatialView());
            mapPanel = map != nullptr ? dynamic_cast<CSpatialSidePanel*>(map->GetFormView()) : nullptr;
            return mapPanel != nullptr && map->isVisible() && map->GetMapBuildCount() > 0 &&
                   !mapPanel->IsStartTimerActive();
        },
        30s));
    // Maximised, as a user opens a map to look at it.
    auto* mapFrame = dynamic_cast<CViewFrame*>(node->GetFrame(QFrameClass::Spatial));
    ASSERT_NE(mapFrame, nullptr);
    mapFrame->GetWindow()->showMaximized();
    testing::FlushEvents();
    QWidget* grid = mapPanel->GetControl(CSpatialSidePanel::kGrid);
    ASSERT_TRUE(grid->isVisible());
    ExpectLaidOutWhole(*mapPanel);
    std::cout << "screenshot: " << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spatial-side-panel.png")
              << "\n";
    const QSpatialDisplayOptions* options = node->GetSpatialDisplayOptions();
    ASSERT_NE(options, nullptr);
    const bool lines = options->ShowsCellLines();
    QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(6, grid->height() / 2));
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return options->ShowsCellLines() != lines; }, 10s));
    EXPECT_EQ(static_cast<QAbstractButton*>(grid)->isChecked(), !lines);
}

} // namespace
} // namespace orv
