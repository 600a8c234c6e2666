// The real program on a real X server (Xvfb), driven as a user drives it: two scans of a Spatial node
// are stitched from the scan-data list's menu ("Stitch"), the second dragged beside the first in the
// dialog with the mouse, and the stitched scan is listed and shown.

#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/CStitchDialogMaker.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionDoc.h"
#include "core/TypeIds.h"
#include "overlay/CDlgStitcher.h"
#include "project/QNodeMediator.h"
#include "scandata/CSpatialScanData.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/ProgramScreens.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;
using Driver = testing::AcceptanceDriver;

// A 29 x 42 scan of the scanner head: a hot spot that cools towards the edges.
std::vector<int16_t> HotSpot(int centreRow, int centreColumn, int peak) {
    std::vector<int16_t> values;
    for (int r = 0; r < 29; ++r) {
        for (int c = 0; c < 42; ++c) {
            const int distance = (r - centreRow) * (r - centreRow) + (c - centreColumn) * (c - centreColumn);
            values.push_back(static_cast<int16_t>(std::max(150, peak - 3 * distance)));
        }
    }
    return values;
}

class ProgramStitchXvfb : public testing::QtWidgetTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            GTEST_SKIP() << "runs on an X server (Xvfb)";
        }
        CViewFrameMaker::Install();
        // As the program's start installs it.
        CDlgStitcher::InstallMaker();
    }
    void TearDown() override {
        CFormViewFactory::SetFrameMaker({});
        CStitchDialogMaker::Install({});
    }

    Driver m_driver;
};

TEST_F(ProgramStitchXvfb, TwoScansAreStitchedFromTheListsMenuIntoANewListedScan) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    CViewList& list = *project->GetProjectPane()->GetList();

    // A Spatial node holding two scans of the head, listed.
    tree.SelectTreeNode(tree.GetRootItem());
    tree.OnMenuCommand(TreeCommand::kAddSpatial);
    CTreeItem* item = tree.GetSelectedTreeNode();
    ASSERT_TRUE(item != nullptr && item->m_kind == kTypeSpatialScanNode);
    QNodeMediator& spatial = *item->m_mediator;
    ASSERT_TRUE(spatial.AddSpatialScanData(test::SpatialGrid(1, 29, 42, HotSpot(10, 30, 900)), false, false));
    ASSERT_TRUE(spatial.AddSpatialScanData(test::SpatialGrid(2, 29, 42, HotSpot(20, 8, 700)), false, false));
    spatial.FillScanDataList(kTypeSpatialScanNode);
    testing::FlushEvents();
    ASSERT_EQ(list.topLevelItemCount(), 2);

    // The dialog, once on the screen: scan #2 dragged beside scan #1, the screen taken, then OK.
    bool dialogSeen = false;
    std::string dialogShot;
    QTimer dialogWatch;
    dialogWatch.setInterval(20);
    QObject::connect(&dialogWatch, &QTimer::timeout, [&] {
        auto* dialog = dynamic_cast<CDlgStitcher*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        dialogWatch.stop();
        dialogSeen = true;
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        // Slot 1 lies at (8, 8): dragged by (+34, -8) cells to (42, 0).
        const QPoint start(20 + 4 * 20 + 1, 20 + 4 * 20 + 1);
        QTest::mousePress(dialog, Qt::LeftButton, {}, start);
        QTest::mouseMove(dialog, start + QPoint(4 * 17, -4 * 4));
        QTest::mouseMove(dialog, start + QPoint(4 * 34, -4 * 8));
        QTest::mouseRelease(dialog, Qt::LeftButton, {}, start + QPoint(4 * 34, -4 * 8));
        testing::FlushEvents();
        const QImage own = dialog->grab().toImage();
        EXPECT_TRUE(testing::ProcessEventsUntil(
            [&] {
                const QImage shown =
                    testing::GrabScreen().copy(QRect(dialog->mapToGlobal(QPoint(0, 0)), own.size()));
                return shown.pixel(own.width() / 2, own.height() / 2) ==
                       own.pixel(own.width() / 2, own.height() / 2);
            },
            5s));
        dialogShot = testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-stitch-dialog.png");
        QTest::mouseClick(dialog->findChild<QPushButton*>("1"), Qt::LeftButton);
    });

    // The list's real menu, opened by the right click on a row; "Stitch" chosen from it.
    const testing::ListMenuChoice choice =
        testing::ChooseFromScanListMenu(list, 0, ScanListCommand::kStitch, [&] { dialogWatch.start(); });
    EXPECT_FALSE(choice.chosen.empty()) << "the list's menu offers no Stitch";
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return dialogSeen && !dialogWatch.isActive(); }, 30s));
    testing::FlushEvents();
    EXPECT_NE(std::find(choice.offered.begin(), choice.offered.end(), "Stitch"), choice.offered.end());
    std::cout << "screenshot: " << dialogShot << "\n";

    // The stitched scan: its own ID, listed, both scans side by side in one 29 x 84 grid.
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return list.topLevelItemCount() == 3; }, 10s));
    EXPECT_EQ(spatial.GetScanIDs(kTypeSpatialScanNode), (std::vector<int32_t>{1, 2, 3}));
    const CSpatialScanData* stitched = spatial.GetSpatialScanData(3);
    ASSERT_NE(stitched, nullptr);
    EXPECT_EQ(stitched->m_Rows, 29);
    EXPECT_EQ(stitched->m_Columns, 84);
    EXPECT_EQ(stitched->m_Values[10 * 84 + 30], 900);
    EXPECT_EQ(stitched->m_Values[20 * 84 + 42 + 8], 700);
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return project->GetDocument().IsModified(); }, 10s));

    // Shown in the node's map.
    spatial.ViewScanData(3);
    CSpatialView* view = nullptr;
    EXPECT_TRUE(testing::ProcessEventsUntil(
        [&] {
            view = dynamic_cast<CSpatialView*>(spatial.GetSpatialView());
            return view != nullptr && view->isVisible() && view->GetMapBuildCount() > 0 &&
                   spatial.GetDisplayedSpatialScanID() == 3;
        },
        30s));
    testing::FlushEvents();
    std::cout << "screenshot: " << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-stitched-scan.png")
              << "\n";
}

} // namespace
} // namespace orv
