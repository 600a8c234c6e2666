// The real program on a real X server (Xvfb), driven as a user drives it (the placeholder analyser,
// the no-scanner head): two Spectral nodes are scanned, a Spectral Comparison node and a Spectral
// Overlay node are added, each takes the first scan as its test scan and the second as its reference
// through Copy Scan Data and Paste of the views' menus, and their third tab shows the comparison and
// the two traces laid over each other with the legend. The screen is written out as pictures.

#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/QtConversions.h"
#include "app/controls/CMainStatusBar.h"
#include "app/controls/CProjectView.h"
#include "app/controls/CTabCtrlEx.h"
#include "app/panes/CViewContextMenu.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/ProgramScreens.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/ProgramMapWindow.h"
#include "views/spatial/CViewFrameMaker.h"
#include "views/spectral/CSpectralComparisonView.h"
#include "views/spectral/CSpectralOverlayView.h"

#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;

constexpr uint32_t kAddSpectral = 32809;
constexpr uint32_t kAddSpectralComparison = 32908;
constexpr uint32_t kAddSpectralOverlay = 32818;

class ProgramComparisonScreenshots : public testing::ProgramOnXServerTest {
protected:
    // The node's view once it is shown with a trace drawn (or, with `drawn` false, just shown).
    static CSpectralView* WaitForView(QNodeMediator& node, bool drawn) {
        CSpectralView* view = nullptr;
        const bool shown = testing::ProcessEventsUntil(
            [&] {
                view = dynamic_cast<CSpectralView*>(node.GetSpectralView());
                return view != nullptr && view->isVisible() && (!drawn || view->GetTrace() != nullptr);
            },
            30s);
        return shown ? view : nullptr;
    }

    // Right-clicks the plot and chooses the command from the menu the view offers.
    static void Choose(CSpectralView& view, uint32_t command) {
        bool offered = false;
        view.SetMenuRunner([&](QMenu& menu, const QPoint& /*at*/) -> QAction* {
            QAction* action = CViewTreeMenu::FindCommand(menu, command);
            offered = action != nullptr && action->isEnabled();
            return offered ? action : nullptr;
        });
        QTest::mouseClick(view.viewport(), Qt::RightButton, Qt::NoModifier, QPoint(300, 250));
        testing::FlushEvents();
        EXPECT_TRUE(offered) << command;
    }

    static void ShowTab(CSpectralView& view, CSpectralView::TabStrip strip, int tab) {
        CTabCtrlEx* tabs = view.GetTabStrip(strip);
        ASSERT_NE(tabs, nullptr);
        tabs->setCurrentIndex(tab);
        testing::FlushEvents();
    }

    // Adds the node, pastes the first scan on its test tab and the second on its reference tab, and
    // shows its third tab.
    static CSpectralView* AddPair(CViewTreeWidget& tree, uint32_t addCommand, uint16_t kind,
                                  CSpectralView& first, CSpectralView& second,
                                  CSpectralView::TabStrip strip) {
        // Add Node of the tree's menu on the project: the node is selected and its view opened.
        tree.SelectTreeNode(tree.GetRootItem());
        tree.OnMenuCommand(addCommand);
        CTreeItem* node = tree.GetSelectedTreeNode();
        if (node == nullptr || node->m_mediator == nullptr || node->m_kind != kind) {
            ADD_FAILURE() << "no node added";
            return nullptr;
        }
        CSpectralView* view = WaitForView(*node->m_mediator, false);
        if (view == nullptr) {
            auto* any = dynamic_cast<CSpectralView*>(node->m_mediator->GetSpectralView());
            ADD_FAILURE() << "the node's view did not open: kind " << node->m_kind << " view " << any
                          << " visible " << (any != nullptr && any->isVisible());
            return nullptr;
        }
        for (const int tab : {0, 1}) {
            Choose(tab == 0 ? first : second, ViewCommand::kCopyScanData);
            ShowTab(*view, strip, tab);
            Choose(*view, ViewCommand::kPaste);
        }
        EXPECT_NE(node->m_mediator->GetComparedScan(false), nullptr);
        EXPECT_NE(node->m_mediator->GetComparedScan(true), nullptr);
        ShowTab(*view, strip, 2);
        EXPECT_TRUE(testing::ProcessEventsUntil([&] { return view->GetTrace() != nullptr; }, 10s));
        return view;
    }
};

TEST_F(ProgramComparisonScreenshots, TwoScansComparedAndLaidOverEachOther) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    CChildFrame* project = testing::StartWithMaximisedProject(app);
    ASSERT_NE(project, nullptr);
    CMainFrame& frame = *app.GetMainFrame();
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();

    QNodeMediator* firstNode = testing::AddNodeAndScan(frame, tree, kAddSpectral, kTypeSpectralScanNode);
    ASSERT_NE(firstNode, nullptr);
    CSpectralView* first = WaitForView(*firstNode, true);
    QNodeMediator* secondNode = testing::AddNodeAndScan(frame, tree, kAddSpectral, kTypeSpectralScanNode);
    ASSERT_NE(secondNode, nullptr);
    CSpectralView* second = WaitForView(*secondNode, true);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);

    CSpectralView* comparison = AddPair(tree, kAddSpectralComparison, kTypeSpectralComparisonNode, *first,
                                        *second, CSpectralView::TabStrip::Comparison);
    ASSERT_NE(dynamic_cast<CSpectralComparisonView*>(comparison), nullptr);
    const std::vector<std::string> header = comparison->BuildHeaderLines();
    ASSERT_EQ(header.size(), 3U);
    EXPECT_EQ(header[0], "             Spectral Comparison            ");
    EXPECT_NE(header[1].find(" dB]"), std::string::npos) << header[1];
    testing::FlushEvents();
    std::cout << "screenshot: "
              << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spectral-comparison-view.png") << "\n";

    CSpectralView* overlay = AddPair(tree, kAddSpectralOverlay, kTypeSpectralOverlayNode, *first, *second,
                                     CSpectralView::TabStrip::Overlay);
    ASSERT_NE(dynamic_cast<CSpectralOverlayView*>(overlay), nullptr);
    ASSERT_NE(overlay->GetSecondTrace(), nullptr);
    // The legend's two lines at the top right of the axis box, as the screen shows them.
    const int w = overlay->GetAxisBox().width();
    const QPoint plotOrigin = overlay->viewport()->mapToGlobal(QPoint(0, 0)) +
                              QPoint(-overlay->horizontalScrollBar()->value(),
                                     overlay->GetPlotRect().top() - overlay->GetAxisBox().top() -
                                         overlay->verticalScrollBar()->value());
    const QRgb blue = ColorRefToQColor(CSpectralView::kTraceColour).rgb() & 0xFFFFFFU;
    const QRgb green = ColorRefToQColor(CSpectralView::kSecondTraceColour).rgb() & 0xFFFFFFU;
    EXPECT_TRUE(testing::ProcessEventsUntil(
        [&] {
            const QImage screen = testing::GrabScreen();
            return (screen.pixel(plotOrigin + QPoint(w - 35, 11)) & 0xFFFFFFU) == blue &&
                   (screen.pixel(plotOrigin + QPoint(w - 35, 26)) & 0xFFFFFFU) == green;
        },
        10s));
    std::cout << "screenshot: "
              << testing::SaveScreen(ORV_SCREENSHOT_DIR, "program-spectral-overlay-view.png") << "\n";
}

} // namespace
} // namespace orv
