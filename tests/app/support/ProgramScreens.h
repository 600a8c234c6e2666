#pragma once

// What the tests of the real program under Xvfb share: the program started with a new project open,
// the whole screen as a picture, the screen written out as a named picture, a new node scanned
// once through the program's own commands, and a command chosen from the scan list's own menu.

#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/controls/CMainStatusBar.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "project/QNodeMediator.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/QtTestApplication.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QImage>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace orv::testing {

// Starts the program, lays its window over the whole screen (no window manager under Xvfb: as a
// maximised one would be), waits for its devices and opens a new project window; null, with the
// step that failed recorded, when any of that does not happen.
inline CChildFrame* StartWithNewProject(CHalvionApp& app) {
    if (!app.InitInstance()) {
        ADD_FAILURE() << "the program did not start";
        return nullptr;
    }
    CMainFrame& frame = *app.GetMainFrame();
    frame.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    if (!AcceptanceDriver::WaitForConnectedDevices(frame)) {
        ADD_FAILURE() << "the devices did not connect";
        return nullptr;
    }
    CChildFrame* project = AcceptanceDriver::MakeProject(frame);
    if (project == nullptr) {
        ADD_FAILURE() << "no project window opened";
    }
    return project;
}

// As StartWithNewProject, with the project window maximised in the main window.
inline CChildFrame* StartWithMaximisedProject(CHalvionApp& app) {
    CChildFrame* project = StartWithNewProject(app);
    if (project != nullptr) {
        qobject_cast<QMdiSubWindow*>(project->parentWidget())->showMaximized();
    }
    return project;
}

inline QImage GrabScreen() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

// Writes the screen to `folder`/`name` and answers that path.
inline std::string SaveScreen(const std::string& folder, const std::string& name) {
    std::filesystem::create_directories(folder);
    std::string path = folder + "/" + name;
    EXPECT_TRUE(GrabScreen().save(QString::fromStdString(path)));
    return path;
}

// Adds a node of the command's kind under the project and runs Scan on it until the status bar
// reports the scan completed and the node holds it; null when no node of that kind was selected.
inline QNodeMediator* AddNodeAndScan(CMainFrame& frame, CViewTreeWidget& tree, uint32_t addCommand,
                                     uint16_t kind) {
    using namespace std::chrono_literals;
    constexpr uint32_t kScan = 32893;
    tree.SelectTreeNode(tree.GetRootItem());
    EXPECT_TRUE(frame.OnCommand(addCommand));
    CTreeItem* node = tree.GetSelectedTreeNode();
    if (node == nullptr || node->m_kind != kind) {
        ADD_FAILURE() << "no node of kind " << kind << " selected";
        return nullptr;
    }
    EXPECT_TRUE(ProcessEventsUntil([&] { return frame.GetCommandTable().IsEnabled(kScan); }, 60s));
    EXPECT_TRUE(frame.OnCommand(kScan));
    const std::vector<std::string> texts = AcceptanceDriver::WatchPaneOne(frame, [&] {
        return frame.GetMainStatusBar()->GetPaneText(1) == "Scan ...... Completed" &&
               node->m_mediator->GetScanDataCount() == 1;
    });
    EXPECT_EQ(node->m_mediator->GetScanDataCount(), 1U) << ::testing::PrintToString(texts);
    return node->m_mediator;
}

// What the scan list's menu offered, in order ("-" for a separator), and the text of the item chosen
// (empty when the menu did not open or did not offer the command).
struct ListMenuChoice {
    std::vector<std::string> offered;
    std::string chosen;
};

// Selects the list's row, opens the list's real menu on it with the right click and chooses
// `command` with Return, as the user would. `beforeChoosing` runs once the item is found, before it
// runs: a dialog the command opens is modal, so its watcher has to be started by then.
inline ListMenuChoice ChooseFromScanListMenu(CViewList& list, int row, uint32_t command,
                                             const std::function<void()>& beforeChoosing) {
    const QPoint at = list.visualItemRect(list.topLevelItem(row)).topLeft() + QPoint(10, 4);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    FlushEvents();
    ListMenuChoice choice;
    QTimer menuWatch;
    menuWatch.setInterval(20);
    QObject::connect(&menuWatch, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr || !menu->isVisible()) {
            return;
        }
        menuWatch.stop();
        for (QAction* action : menu->actions()) {
            choice.offered.push_back(action->isSeparator() ? "-" : action->text().toStdString());
        }
        QAction* item = CViewTreeMenu::FindCommand(*menu, command);
        if (item == nullptr) {
            ADD_FAILURE() << "the list's menu offers no command " << command;
            menu->close();
            return;
        }
        choice.chosen = item->text().toStdString();
        beforeChoosing();
        menu->setActiveAction(item);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    menuWatch.start();
    QTest::mouseClick(list.viewport(), Qt::RightButton, {}, at);
    // The context-menu event the X server's right click brings (QTest's own click does not make one).
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
    QApplication::sendEvent(list.viewport(), &rightClick);
    return choice;
}

} // namespace orv::testing
