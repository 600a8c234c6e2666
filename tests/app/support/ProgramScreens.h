#pragma once

// What the tests of the real program under Xvfb share: the whole screen as a picture, the screen
// written out as a named picture, and a new node scanned once through the program's own commands.

#include "app/CMainFrame.h"
#include "app/controls/CMainStatusBar.h"
#include "app/panes/CViewTreeWidget.h"
#include "project/QNodeMediator.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/QtTestApplication.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace orv::testing {

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

} // namespace orv::testing
