// What a user sees of the real program on a real X server (Xvfb), started as a new user starts it (no
// repository chosen yet; the placeholder analyser, the no-scanner head): the first start without a
// box, the information window inside the frame's client, the notice whole, the tool bars' pictures,
// pane 0 naming the analyser; New Project twice, the windows cascaded inside the client; a
// Spectral/Spatial node scanned, its frame with the header's lines above the tab strip, the colour
// bar beside the map and the scan's row dated. The screen is written out as pictures at each step.

#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/controls/CMainStatusBar.h"
#include "app/controls/CMainToolBar.h"
#include "app/controls/CProjectView.h"
#include "app/controls/CTabCtrlEx.h"
#include "app/panes/CInformationMessages.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/panes/CWndMainNotification.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionDoc.h"
#include "core/TypeIds.h"
#include "platform/fs/AppPaths.h"
#include "platform/registry/SettingsStore.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "tests/app/support/AcceptanceDriver.h"
#include "tests/app/support/ProgramScreens.h"
#include "tests/app/support/QtTestApplication.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/CSpectralSpatialViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"
#include "views/spectral/CSpectralView.h"

#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <string>

namespace orv {
namespace {

using namespace std::chrono_literals;
using Driver = testing::AcceptanceDriver;

constexpr uint32_t kScan = 32893;
constexpr uint32_t kAddSpectralSpatial = 32811;

class ProgramWindowsScreenshots : public testing::QtWidgetTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            GTEST_SKIP() << "runs on an X server (Xvfb)";
        }
        CViewFrameMaker::Install();
        // A new user: no repository chosen yet (the driver's own is forgotten).
        std::filesystem::remove(m_driver.GetEnvironment().Root() + "/config/user.settings");
        SettingsStore::Instance().Reload();
        ASSERT_FALSE(std::filesystem::exists(TfrmMainApp::GetDefaultRepositoryFolder()));
    }
    void TearDown() override { CFormViewFactory::SetFrameMaker({}); }

    static void Save(const std::string& name) {
        std::cout << "screenshot: " << testing::SaveScreen(ORV_SCREENSHOT_DIR, name) << "\n";
    }
    static QRect ClientOf(CMainFrame& frame) { return frame.GetMdiArea()->viewport()->rect(); }

    Driver m_driver;
};

TEST_F(ProgramWindowsScreenshots, AFirstStartANewProjectAndASpectralSpatialScanAsTheUserSeesThem) {
    CHalvionApp app({"-NoSA"}, m_driver.Options());
    ASSERT_TRUE(app.InitInstance());
    CMainFrame& frame = *app.GetMainFrame();
    ASSERT_TRUE(Driver::WaitForConnectedDevices(frame));
    // Pane 0 names the analyser once the engine has it (no project needed).
    ASSERT_TRUE(testing::ProcessEventsUntil(
        [&] { return frame.GetMainStatusBar()->GetPaneText(0).startsWith("  Selected Analyzer:  "); }, 30s))
        << frame.GetMainStatusBar()->GetPaneText(0).toStdString();
    testing::FlushEvents();

    // The first start asked nothing and made the user's repository.
    EXPECT_TRUE(m_driver.GetEnvironment().GetPrompt().Texts().empty())
        << ::testing::PrintToString(m_driver.GetEnvironment().GetPrompt().Texts());
    EXPECT_TRUE(std::filesystem::is_directory(TfrmMainApp::GetDefaultRepositoryFolder()));
    // The frame takes the screen; the information window lies in its client.
    const QRect client = ClientOf(frame);
    EXPECT_EQ(frame.geometry().size(), QGuiApplication::primaryScreen()->availableGeometry().size());
    CInformationMessages& information = *frame.GetInformationWindow();
    EXPECT_TRUE(information.isVisible());
    EXPECT_TRUE(client.contains(information.geometry()));
    EXPECT_GE(information.height(), client.height() / 4);
    // The notice box inside the screen, its text not cut.
    CWndMainNotification& notices = *frame.GetNotificationWindow();
    EXPECT_TRUE(notices.isVisible());
    EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().contains(notices.geometry()));
    for (CMainToolBar* bar : frame.GetToolBars()) {
        for (QAction* action : bar->actions()) {
            EXPECT_TRUE(bar->widgetForAction(action)->isVisible()) << action->toolTip().toStdString();
        }
    }
    Save("program-1-first-start.png");

    // New Project, twice: the two windows cascade from the blank start-up project's, inside the
    // client.
    CChildFrame* first = Driver::MakeProject(frame);
    ASSERT_NE(first, nullptr);
    CChildFrame* second = Driver::MakeProject(frame);
    ASSERT_NE(second, nullptr);
    testing::FlushEvents();
    for (CChildFrame* project : {first, second}) {
        EXPECT_TRUE(client.contains(project->parentWidget()->geometry()))
            << project->GetDocument().GetTitle();
    }
    EXPECT_GT(second->parentWidget()->pos().y(), first->parentWidget()->pos().y());
    Save("program-2-new-projects.png");

    // A Spectral/Spatial node, scanned.
    CViewTreeWidget& tree = *second->GetProjectPane()->GetTree();
    tree.SelectTreeNode(tree.GetRootItem());
    ASSERT_TRUE(frame.OnCommand(kAddSpectralSpatial));
    CTreeItem* node = tree.GetSelectedTreeNode();
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(node->m_kind, kTypeSpectralSpatialScanNode);
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return frame.GetCommandTable().IsEnabled(kScan); }, 60s));
    ASSERT_TRUE(frame.OnCommand(kScan));
    Driver::WatchPaneOne(frame, [&] {
        return frame.GetMainStatusBar()->GetPaneText(1) == "Scan ...... Completed" &&
               node->m_mediator->GetScanDataCount() == 1;
    });
    ASSERT_EQ(node->m_mediator->GetScanDataCount(), 1U);
    CSpectralSpatialViewFrame* split = nullptr;
    ASSERT_TRUE(testing::ProcessEventsUntil(
        [&] {
            split = dynamic_cast<CSpectralSpatialViewFrame*>(
                node->m_mediator->GetFrame(QFrameClass::SpectralSpatial));
            return split != nullptr && split->GetSpatialPane() != nullptr &&
                   split->GetSpatialPane()->GetMapBuildCount() > 0 && split->GetSpectralPane() != nullptr &&
                   split->GetSpectralPane()->GetRenderCount() > 1;
        },
        30s));
    testing::FlushEvents();
    // The spectral pane's header lines all stand above its tab strip.
    CSpectralView& spectrum = *split->GetSpectralPane();
    const CTabCtrlEx* strip = spectrum.GetTabStrip(CSpectralView::TabStrip::Composite);
    ASSERT_NE(strip, nullptr);
    EXPECT_GE(strip->geometry().top(), 80);
    EXPECT_EQ(spectrum.BuildHeaderLines().size(), 5U);
    EXPECT_TRUE(split->GetSpatialPane()->GetColourBar().isVisible());
    // The scan's row, dated, right after the scan.
    CViewList& list = *second->GetProjectPane()->GetList();
    ASSERT_EQ(list.topLevelItemCount(), 1);
    EXPECT_FALSE(list.GetRowText(0, 1).empty());
    Save("program-3-spectral-spatial-scan.png");

    for (CChildFrame* project : {first, second}) {
        project->GetDocument().SetModifiedFlag(false);
    }
    EXPECT_EQ(app.ExitInstance(), 0);
}

} // namespace
} // namespace orv
