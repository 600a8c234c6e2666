// The real program on a real X server (Xvfb), driven as a user drives it: a Spatial node's scan is
// dragged with the real drag-and-drop from the scan-data list onto the test pane of a Compare Spatial
// node's view, which takes a copy of it and shows it.

#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CProjectDropTarget.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "project/QViewFrame.h"
#include "scandata/CScanData.h"
#include "scandata/CSpatialScanData.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/ProgramScreens.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/CViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;
using Driver = testing::AcceptanceDriver;

// Counts the drag moves that reach a widget.
class DragMoveCounter : public QObject {
public:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::DragMove) {
            ++moves;
        }
        return false;
    }
    int moves = 0;
};

class ProgramSpatialDropXvfb : public testing::QtWidgetTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            GTEST_SKIP() << "runs on an X server (Xvfb)";
        }
        CViewFrameMaker::Install();
    }
    void TearDown() override {
        CFormViewFactory::SetFrameMaker({});
        CViewFrame::SetDropTargetHook({});
    }

    // Adds a node of the command's kind under the project as the tree's menu does; its mediator.
    static QNodeMediator* AddNode(CViewTreeWidget& tree, uint32_t command, uint16_t kind) {
        tree.SelectTreeNode(tree.GetRootItem());
        tree.OnMenuCommand(command);
        CTreeItem* node = tree.GetSelectedTreeNode();
        if (node == nullptr || node->m_mediator == nullptr || node->m_kind != kind) {
            ADD_FAILURE() << "no node of kind " << kind << " added";
            return nullptr;
        }
        return node->m_mediator;
    }

    // Drags the list's row with the real drag-and-drop to the global point: the press and the first
    // moves go to the list, which starts the drag; the moves that follow run inside the drag's own
    // loop, as the pointer would, and the button is let go once `arrived` answers true (bounded:
    // after 300 steps the drag is cancelled with Escape).
    static void DragRow(CViewList& list, int row, QPoint target, const std::function<bool()>& arrived) {
        QWidget& port = *list.viewport();
        const QPoint start = list.visualItemRect(list.topLevelItem(row)).topLeft() + QPoint(10, 4);
        int step = 0;
        QTimer pointer;
        pointer.setInterval(10);
        QObject::connect(&pointer, &QTimer::timeout, [&] {
            ++step;
            const QPoint from = port.mapToGlobal(start);
            const int t = std::min(step, 20);
            const QPoint at = from + (target - from) * t / 20;
            QWidget* under = QApplication::widgetAt(at);
            QWidget& receiver = under != nullptr ? *under : port;
            const QPoint local = receiver.mapFromGlobal(at);
            if (step > 20 && arrived()) {
                QMouseEvent release(QEvent::MouseButtonRelease, local, at, Qt::LeftButton, Qt::NoButton,
                                    Qt::NoModifier);
                QApplication::sendEvent(&receiver, &release);
                pointer.stop();
                return;
            }
            if (step > 300) {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(&receiver, &escape);
                pointer.stop();
                return;
            }
            QMouseEvent move(QEvent::MouseMove, local, at, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&receiver, &move);
        });
        pointer.start();
        testing::SendMouse(port, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        // Past the drag distance: the list starts the drag here and returns when it ended.
        for (int i = 1; i <= 3 && pointer.isActive(); ++i) {
            testing::SendMouse(port, QEvent::MouseMove, start + QPoint(0, 8 * i), Qt::NoButton,
                               Qt::LeftButton);
        }
        testing::ProcessEventsUntil([&] { return !pointer.isActive(); });
        pointer.stop();
        testing::FlushEvents();
    }

    Driver m_driver;
};

TEST_F(ProgramSpatialDropXvfb, ASpatialScanDraggedFromTheListBecomesTheComparisonsTestScan) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    CViewList& list = *project->GetProjectPane()->GetList();

    // A Spatial node holding a scan of a 3 x 4 grid.
    QNodeMediator* spatial = AddNode(tree, TreeCommand::kAddSpatial, kTypeSpatialScanNode);
    ASSERT_NE(spatial, nullptr);
    std::vector<int16_t> values;
    for (int16_t i = 0; i < 12; ++i) {
        values.push_back(static_cast<int16_t>(100 + 50 * i));
    }
    ASSERT_TRUE(spatial->AddSpatialScanData(test::SpatialGrid(7, 3, 4, values), false, false));
    testing::FlushEvents();

    // The Compare Spatial node, its view on the test pane; the project's drop target is that view.
    QNodeMediator* comparison = AddNode(tree, TreeCommand::kAddSpatialComparison, kTypeSpatialComparisonNode);
    ASSERT_NE(comparison, nullptr);
    CSpatialView* view = nullptr;
    ASSERT_TRUE(testing::ProcessEventsUntil(
        [&] {
            view = dynamic_cast<CSpatialView*>(comparison->GetSpatialView());
            return view != nullptr && view->isVisible();
        },
        30s));
    ASSERT_EQ(view->GetComparisonPane(), 0);
    ASSERT_EQ(CProjectDropTarget::GetCurrent(*comparison), view);

    // The Spatial node's scans listed, the comparison's frame on top again.
    tree.SelectTreeNode(tree.GetRecords().FindByMediator(spatial));
    spatial->FillScanDataList(kTypeSpatialScanNode);
    testing::FlushEvents();
    ASSERT_EQ(list.topLevelItemCount(), 1);
    comparison->GetFrame(QFrameClass::SpatialComparison)->BringToTop();
    testing::FlushEvents();

    DragMoveCounter counter;
    view->installEventFilter(&counter);
    const QPoint over = view->mapToGlobal(QPoint(view->width() / 2, view->height() / 2));
    ASSERT_EQ(QApplication::widgetAt(over), view);
    DragRow(list, 0, over, [&] { return counter.moves >= 2; });
    view->removeEventFilter(&counter);

    const CScanData* test = comparison->GetComparedScan(false);
    ASSERT_NE(test, nullptr);
    EXPECT_EQ(test->m_ScanId, 7U);
    EXPECT_NE(test, spatial->GetSpatialScanData(7));
    EXPECT_EQ(comparison->GetComparedScan(true), nullptr);
    // The test pane shows the scan.
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return view->GetCell(2, 3).m_HasData != 0; }, 10s));
    std::cout << "screenshot: " << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spatial-drop.png")
              << "\n";
}

} // namespace
} // namespace orv
