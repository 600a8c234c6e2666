// The program as a user meets it, on the offscreen platform: the application object with the
// program's own engine link (the client's controller and command queue over the in-process engine),
// the built-in device lists ("-NoSA", the no-scanner driver and the placeholder analyser). The user
// makes a project, adds a Spectral node, runs it once, saves, closes and reopens the project, then
// runs the node continuously and stops it.

#include "analyzers/CInstrumentInfo.h"
#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/controls/CMainStatusBar.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/panes/CWndMainNotification.h"
#include "app/project/CChildFrame.h"
#include "app/project/CHalvionDoc.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectDocumentKind.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "scandata/CSpectralScanData.h"
#include "support/AcceptanceDriver.h"
#include "support/MainFrameTestEnvironment.h"
#include "support/QtTestApplication.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <algorithm>
#include <filesystem>
#include <set>

namespace orv {
namespace {

using namespace std::chrono_literals;
using testing::MainFrameTestEnvironment;

class AcceptanceTest : public testing::QtWidgetTest {
protected:
    CHalvionApp::Options Options() { return m_driver.Options(); }

    testing::AcceptanceDriver m_driver;
    MainFrameTestEnvironment& m_environment = m_driver.GetEnvironment();
    const std::string m_repository = m_driver.GetRepository();
};

using Driver = testing::AcceptanceDriver;

TEST_F(AcceptanceTest, AUserMakesAProjectScansANodeSavesReopensAndStopsAContinuousScan) {
    CHalvionApp app({"-NoSA"}, Options());
    ASSERT_TRUE(app.InitInstance());
    CMainFrame& frame = *app.GetMainFrame();
    auto& kind = static_cast<CProjectDocumentKind&>(*frame.GetDocumentFactory());

    // The devices connect on their own.
    ASSERT_TRUE(Driver::WaitForConnectedDevices(frame));
    EXPECT_EQ(frame.GetNotificationWindow()->GetNoticeTexts().front(),
              "Connected to Spectrum Analyzer. (Handheld mode only)");

    // New Project; the blank start-up project gives way to it.
    const std::vector<CChildFrame*> startup = kind.GetWindows().GetFrames();
    ASSERT_TRUE(Driver::TriggerMenuItem(frame, 57648));
    CChildFrame* project = Driver::WaitForBuiltProject(kind, startup);
    ASSERT_NE(project, nullptr);
    EXPECT_EQ(frame.GetActiveChildFrame(), project);
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    tree.SelectTreeNode(tree.GetRootItem());

    // A Spectral node under the project.
    ASSERT_TRUE(frame.OnCommand(32809));
    CTreeItem* spectral = tree.GetSelectedTreeNode();
    ASSERT_EQ(spectral->m_kind, kTypeSpectralScanNode);
    EXPECT_TRUE(CViewTreeWidget::IsNodeEmpty(*spectral));

    // Scan, once the controller is ready.
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return frame.GetCommandTable().IsEnabled(32893); }, 60s));
    ASSERT_TRUE(frame.OnCommand(32893));
    const std::vector<std::string> texts = Driver::WatchPaneOne(frame, [&] {
        return frame.GetMainStatusBar()->GetPaneText(1) == "Scan ...... Completed" &&
               spectral->m_mediator->GetScanDataCount() == 1;
    });
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "Scan ...... Completed") << ::testing::PrintToString(texts);
    // On the way: the set-up's percentages, then the scan's.
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& text) {
        return text.find("Setting the SA") == 0 && text.find('%') != std::string::npos;
    })) << ::testing::PrintToString(texts);
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& text) {
        return text.find("Scanning") == 0 && text.find('%') != std::string::npos;
    })) << ::testing::PrintToString(texts);
    EXPECT_EQ(spectral->m_mediator->GetScanDataCount(), 1U);
    EXPECT_FALSE(CViewTreeWidget::IsNodeEmpty(*spectral));
    // The live scan's row, as the list shows it right after Scan (no view opened, nothing
    // reselected): dated with the scan's own date.
    CViewList& list = *project->GetProjectPane()->GetList();
    ASSERT_EQ(list.GetOwner(), spectral->m_mediator);
    ASSERT_EQ(list.topLevelItemCount(), 1);
    EXPECT_NE(list.GetRowText(0, 0).find('1'), std::string::npos) << list.GetRowText(0, 0);
    const CSpectralScanData* scanned = spectral->m_mediator->FindSpectralScanData(list.GetRowId(0));
    ASSERT_NE(scanned, nullptr);
    const std::string date = scanned->m_DateText;
    EXPECT_FALSE(date.empty());
    EXPECT_EQ(list.GetRowText(0, 1), date);
    EXPECT_TRUE(
        testing::ProcessEventsUntil([&] { return project->GetDocument().GetTitle().ends_with(" *"); }));

    // Save As, close, reopen: the node and its scan are there.
    const std::string path = m_repository + "/Board.ovp";
    kind.GetWindows().SetSaveAsChooser([path](QWidget*) { return std::optional<std::string>(path); });
    ASSERT_TRUE(frame.OnCommand(57604));
    EXPECT_FALSE(project->GetDocument().IsModified());
    ASSERT_TRUE(std::filesystem::exists(path));
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return frame.GetCommandTable().IsEnabled(32893); }, 60s));
    EXPECT_TRUE(qobject_cast<QMdiSubWindow*>(project->parentWidget())->close())
        << ::testing::PrintToString(m_environment.GetPrompt().Texts());
    ASSERT_TRUE(testing::ProcessEventsUntil([&] {
        testing::FlushEvents();
        const std::vector<CChildFrame*> frames = kind.GetWindows().GetFrames();
        return std::find(frames.begin(), frames.end(), project) == frames.end();
    }));
    const std::vector<CChildFrame*> beforeOpen = kind.GetWindows().GetFrames();
    ASSERT_TRUE(app.OpenDocumentFile(path));
    CChildFrame* reopened = Driver::WaitForBuiltProject(kind, beforeOpen);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(frame.GetActiveChildFrame(), reopened);
    CViewTreeWidget& tree2 = *reopened->GetProjectPane()->GetTree();
    CTreeItem* node = tree2.GetFirstChildItem(tree2.GetRootItem());
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(node->m_kind, kTypeSpectralScanNode);
    EXPECT_EQ(node->m_mediator->GetScanDataCount(), 1U);
    // The reopened scan's row carries the date it was saved with, the scan never shown in a view.
    tree2.SelectTreeNode(node);
    tree2.ShowSelectedNodeScanData();
    CViewList& list2 = *reopened->GetProjectPane()->GetList();
    ASSERT_EQ(list2.topLevelItemCount(), 1);
    EXPECT_EQ(list2.GetRowText(0, 1), date);

    // Scan Continuously, then Stop Scan.
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return frame.GetCommandTable().IsEnabled(32890); }, 60s));
    ASSERT_TRUE(frame.OnCommand(32890));
    // The user lets a pass or two come in before stopping.
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return node->m_mediator->GetScanDataCount() >= 3; }, 60s));
    ASSERT_TRUE(frame.GetCommandTable().IsEnabled(1011));
    ASSERT_TRUE(frame.OnCommand(1011));
    const std::vector<std::string> stopped = Driver::WatchPaneOne(
        frame, [&] { return frame.GetMainStatusBar()->GetPaneText(1) == "Scan ...... Terminated"; });
    const std::string log = m_environment.LogText();
    EXPECT_EQ(stopped.back(), "Scan ...... Terminated")
        << ::testing::PrintToString(stopped) << log.substr(log.size() > 4000 ? log.size() - 4000 : 0);
    // Every row of the continuous scan's passes is dated.
    ASSERT_GE(list2.topLevelItemCount(), 2);
    for (int row = 0; row < list2.topLevelItemCount(); ++row) {
        EXPECT_FALSE(list2.GetRowText(row, 1).empty()) << row;
    }

    reopened->GetDocument().SetModifiedFlag(false);
    EXPECT_EQ(app.ExitInstance(), 0);
}

// Stop Scan the moment Scan Continuously has set the analyser up: the stop follows the go and the
// run ends terminated, not waiting for an end that never comes.
TEST_F(AcceptanceTest, AStopPressedAtOnceEndsAContinuousScanTerminated) {
    CHalvionApp app({"-NoSA"}, Options());
    ASSERT_TRUE(app.InitInstance());
    CMainFrame& frame = *app.GetMainFrame();
    auto& kind = static_cast<CProjectDocumentKind&>(*frame.GetDocumentFactory());
    ASSERT_TRUE(Driver::WaitForConnectedDevices(frame));
    const std::vector<CChildFrame*> startup = kind.GetWindows().GetFrames();
    ASSERT_TRUE(Driver::TriggerMenuItem(frame, 57648));
    CChildFrame* project = Driver::WaitForBuiltProject(kind, startup);
    ASSERT_NE(project, nullptr);
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    tree.SelectTreeNode(tree.GetRootItem());
    ASSERT_TRUE(frame.OnCommand(32809));

    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return frame.GetCommandTable().IsEnabled(32890); }, 60s));
    ASSERT_TRUE(frame.OnCommand(32890));
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return frame.GetCommandTable().IsEnabled(1011); }, 60s));
    ASSERT_TRUE(frame.OnCommand(1011));
    const std::vector<std::string> stopped = Driver::WatchPaneOne(
        frame, [&] { return frame.GetMainStatusBar()->GetPaneText(1) == "Scan ...... Terminated"; });
    ASSERT_FALSE(stopped.empty());
    const std::string log = m_environment.LogText();
    EXPECT_EQ(stopped.back(), "Scan ...... Terminated")
        << ::testing::PrintToString(stopped) << log.substr(log.size() > 4000 ? log.size() - 4000 : 0);
    project->GetDocument().SetModifiedFlag(false);
    EXPECT_EQ(app.ExitInstance(), 0);
}

} // namespace
} // namespace orv
