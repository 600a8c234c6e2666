// The real program on a real X server (Xvfb), driven as a user drives it: a scanned Spectral node is
// dragged in the project tree onto the project node, and "Copy Node With Settings And Data" is chosen
// from the real drop menu; the copy appears under the project with the scan.

#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "core/QDataWriter.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "scandata/CSpectralScanData.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/ProgramScreens.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/ProgramMapWindow.h"
#include "views/spatial/CViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;

// The measured values of a scan as the process dumps them.
std::vector<uint8_t> BulkOf(const CScanData& scan) {
    QCharCounterDataWriter counter;
    scan.WriteBulk(counter);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), counter.m_count);
    scan.WriteBulk(writer);
    return bytes;
}

class ProgramNodeDragXvfb : public testing::ProgramOnXServerTest {};

TEST_F(ProgramNodeDragXvfb, AScannedSpectralNodeDraggedOntoTheProjectIsCopiedWithItsScan) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();

    QNodeMediator* spectral =
        testing::AddNodeAndScan(frame, tree, TreeCommand::kAddSpectral, kTypeSpectralScanNode);
    ASSERT_NE(spectral, nullptr);
    testing::FlushEvents();
    CTreeItem* source = tree.GetRecords().FindByMediator(spectral);
    ASSERT_NE(source, nullptr);
    CTreeItem* root = tree.GetRootItem();
    ASSERT_EQ(root->m_item->childCount(), 1);

    // The real drop menu, run modally by the release: the screen is taken while it is open and the
    // drag's target is still drawn, then the copy with data is chosen from it.
    std::vector<std::string> items;
    bool menuSeen = false;
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr || !menu->isVisible()) {
            return;
        }
        watch.stop();
        menuSeen = true;
        // Until the X server shows the menu as it paints itself.
        const QImage own = menu->grab().toImage();
        EXPECT_TRUE(testing::ProcessEventsUntil(
            [&] {
                const QImage shown =
                    testing::GrabScreen().copy(QRect(menu->mapToGlobal(QPoint(0, 0)), own.size()));
                for (int y = 0; y < own.height(); y += 2) {
                    for (int x = 0; x < own.width(); x += 2) {
                        if ((shown.pixel(x, y) & 0xFFFFFFU) != (own.pixel(x, y) & 0xFFFFFFU)) {
                            return false;
                        }
                    }
                }
                return true;
            },
            5s));
        for (QAction* action : menu->actions()) {
            items.push_back(action->isSeparator() ? "-" : action->text().toStdString());
        }
        EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().contains(menu->geometry()));
        std::cout << "screenshot: " << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-node-drag-menu.png")
                  << "\n";
        QAction* copy = CViewTreeMenu::FindCommand(*menu, TreeCommand::kCopyNodeWithSettingsAndData);
        ASSERT_NE(copy, nullptr);
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(copy).center());
    });
    watch.start();

    // Press on the Spectral node, move past the drag distance and over the project node: the picture
    // follows and the project node is the highlighted target.
    QWidget& port = *tree.viewport();
    const QPoint from = tree.visualItemRect(source->m_item).center();
    const QPoint to = tree.visualItemRect(root->m_item).center();
    testing::SendMouse(port, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int step = 1; step <= 8; ++step) {
        const QPoint at = from + (to - from) * step / 8 + QPoint(0, step == 1 ? 1 : 0);
        testing::SendMouse(port, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        testing::FlushEvents();
    }
    ASSERT_TRUE(tree.IsDragging());
    EXPECT_EQ(tree.GetDropTargetRecord(), root);
    ASSERT_NE(tree.GetDragPicture(), nullptr);
    EXPECT_TRUE(testing::ProcessEventsUntil([&] { return tree.GetDragPicture()->isVisible(); }, 5s));
    // Until the X server shows the tree as it paints itself around the picture (no trace of the
    // places the picture passed).
    EXPECT_TRUE(testing::ProcessEventsUntil(
        [&] {
            const QImage screen = testing::GrabScreen();
            const QImage own = port.grab().toImage();
            const QPoint origin = port.mapToGlobal(QPoint(0, 0));
            const QRect picture = tree.GetDragPicture()->geometry();
            for (int y = 0; y < own.height(); y += 2) {
                for (int x = 0; x < own.width(); x += 2) {
                    const QPoint at = origin + QPoint(x, y);
                    if (!picture.contains(at) &&
                        (screen.pixel(at) & 0xFFFFFFU) != (own.pixel(x, y) & 0xFFFFFFU)) {
                        return false;
                    }
                }
            }
            return true;
        },
        5s));
    std::cout << "screenshot: " << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-node-drag-dragging.png")
              << "\n";
    testing::SendMouse(port, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    watch.stop();
    testing::FlushEvents();

    EXPECT_TRUE(menuSeen);
    EXPECT_EQ(items, (std::vector<std::string>{"Copy Node With Settings", "Copy Node With Settings And Data",
                                               "Move Node", "-", "Cancel"}));
    EXPECT_FALSE(tree.IsDragging());
    EXPECT_FALSE(tree.GetDragPicture()->isVisible());
    ASSERT_EQ(root->m_item->childCount(), 2);
    CTreeItem* copy = tree.FindItemRecord(root->m_item->child(1));
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy->m_mediator, nullptr);
    EXPECT_EQ(copy->m_kind, kTypeSpectralScanNode);
    EXPECT_EQ(copy->m_mediator->GetName(), spectral->GetName());
    ASSERT_EQ(copy->m_mediator->GetScanDataCount(), 1U);
    const CSpectralScanData* original = spectral->GetSpectralScanData(1);
    const CSpectralScanData* copied = copy->m_mediator->GetSpectralScanData(1);
    ASSERT_NE(original, nullptr);
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(BulkOf(*copied), BulkOf(*original));
    // Shown black (it holds a scan) in the tree, beside its source.
    tree.SelectTreeNode(copy);
    tree.ShowSelectedNodeScanData();
    testing::FlushEvents();
    std::cout << "screenshot: " << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-node-drag-copied.png")
              << "\n";
}

} // namespace
} // namespace orv
