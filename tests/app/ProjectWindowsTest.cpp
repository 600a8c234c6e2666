#include "app/AppResources.h"
#include "app/UiMessagePump.h"
#include "app/controls/CDisplayTab.h"
#include "app/controls/CDlgbarSpatialView.h"
#include "app/controls/CDlgbarSpectralSpatialView.h"
#include "app/controls/CMainToolBar.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CHalvionDoc.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"
#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "project/QScanDataRecord.h"
#include "project/TfrmProjectView.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {
namespace {

using testing::ProjectSandbox;
using testing::TestMainFrame;

std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "-" + info->name();
}

QSpectralScanAddition SpectralScan(int32_t id) {
    QSpectralScanAddition addition;
    addition.m_Record.m_ScanId = id;
    addition.m_Record.m_StartFrequency = 100.0F;
    addition.m_Record.m_StopFrequency = 200.0F;
    addition.m_Record.m_Rows = 29;
    addition.m_Record.m_Columns = 42;
    addition.m_Record.m_Texts = {"board " + std::to_string(id),
                                 "analyser",
                                 "module",
                                 "2026-12-10 10:0" + std::to_string(id) + ":00",
                                 "head",
                                 ""};
    addition.m_HasPoints = true;
    addition.m_MirtPoints = {QSpectralPoint{10, 1, 2}, QSpectralPoint{20, 1, 2}};
    return addition;
}

class ProjectWindowsTest : public testing::QtWidgetTest {
protected:
    ProjectWindowsTest()
        : m_sandbox(TestName()),
          m_projects(m_frame, m_projectList, m_sandbox.StorageFactory(m_frame, GetUiMessageThread()),
                     m_sandbox.Maker(m_frame, GetUiMessageThread())),
          m_windows(m_area, m_projects) {
        m_area.resize(1000, 800);
        m_area.show();
        m_windows.SetSaveAsChooser([this](QWidget*) -> std::optional<std::string> {
            if (m_saveAsAnswers.empty()) {
                return std::nullopt;
            }
            std::optional<std::string> answer = m_saveAsAnswers.front();
            m_saveAsAnswers.erase(m_saveAsAnswers.begin());
            return answer;
        });
    }

    // Runs the event loop, deferred deletions included, until `done`.
    static bool WaitFor(const std::function<bool()>& done) {
        return testing::ProcessEventsUntil([&done] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return done();
        });
    }
    // The window built its project, or went again.
    bool Built(CChildFrame* frame) {
        QPointer<CChildFrame> watched = frame;
        return WaitFor([&] { return watched == nullptr || !watched->GetView()->IsBuildPending(); });
    }
    CChildFrame* NewWindow() {
        CChildFrame* frame = m_windows.NewDocument();
        EXPECT_TRUE(Built(frame));
        return frame;
    }
    // Opens the path; the window answered may close itself again once its load failed.
    CChildFrame* OpenWindow(const std::string& path) {
        const size_t before = m_windows.GetFrames().size();
        CChildFrame* frame = m_windows.OpenDocument(path);
        if (m_windows.GetFrames().size() != before) {
            EXPECT_TRUE(Built(frame));
            testing::FlushEvents();
        }
        return frame;
    }
    CViewTreeWidget& TreeOf(CChildFrame* frame) { return *frame->GetProjectPane()->GetTree(); }
    CViewList& ListOf(CChildFrame* frame) { return *frame->GetProjectPane()->GetList(); }
    TfrmMainApp* ProjectOf(CChildFrame* frame) { return m_projects.FindProjectById(frame->GetProjectId()); }
    CTreeItem* AddNode(CChildFrame* frame, CTreeItem* parent, uint16_t kind) {
        QNodeMediator* mediator = ProjectOf(frame)->GetOpenProject()->AddNode(parent, CViewTree::kLast, kind);
        return TreeOf(frame).GetRecords().FindByMediator(mediator);
    }
    std::vector<std::string> NodeNames(CChildFrame* frame) {
        std::vector<std::string> names;
        TreeOf(frame).GetRecords().ForEach([&names](CTreeItem& record) { names.push_back(record.m_name); });
        return names;
    }
    void CloseAndWait(CChildFrame* frame) {
        QPointer<QWidget> window = frame->parentWidget();
        window->close();
        WaitFor([&] { return window == nullptr; });
    }
    std::string SaveTarget(const std::string& name) {
        return m_sandbox.Repository() + "/Data/" + name + "/" + name;
    }

    ProjectSandbox m_sandbox;
    TestMainFrame m_frame;
    std::vector<std::unique_ptr<TfrmMainApp>> m_projectList;
    QMdiArea m_area;
    CProjectArray m_projects;
    CProjectWindows m_windows;
    std::vector<std::optional<std::string>> m_saveAsAnswers;
};

TEST_F(ProjectWindowsTest, TheProjectIsBuiltOnceThePaneExistsAndTitlesCountOn) {
    CChildFrame* first = m_windows.NewDocument();
    EXPECT_FALSE(first->IsPaneCreated());
    EXPECT_EQ(ProjectOf(first), nullptr);
    ASSERT_TRUE(Built(first));
    ASSERT_TRUE(first->IsPaneCreated());
    TfrmMainApp* project = ProjectOf(first);
    ASSERT_NE(project, nullptr);
    EXPECT_EQ(project->GetProjectTree(first->GetProjectId()), &TreeOf(first));
    EXPECT_EQ(project->GetProjectFormView(), first->GetView());
    EXPECT_EQ(TreeOf(first).GetProject(), project);
    EXPECT_EQ(m_projects.FindProjectById(TreeOf(first).GetProjectId()), project);
    EXPECT_EQ(&ListOf(first), project->GetProjectFormView()->GetScanDataList());
    ASSERT_NE(TreeOf(first).GetRootItem(), nullptr);
    EXPECT_EQ(TreeOf(first).GetRootItem()->m_kind, kTypeProjectNode);
    EXPECT_EQ(first->GetDocument().GetTitle(), "Project - 1");
    EXPECT_EQ(first->windowTitle().toStdString(), "Project - 1");
    EXPECT_EQ(first->GetView()->GetProjectId(), first->GetProjectId());
    for (int id : {1013, 1014, 1010, 1011, CHalvionView::kDisplayTabId}) {
        ASSERT_NE(first->GetView()->GetFormControl(id), nullptr) << id;
        EXPECT_TRUE(first->GetView()->GetFormControl(id)->isHidden()) << id;
    }
    // The page is white with the picture in its middle.
    const QImage page = testing::Grab(*first->GetView());
    EXPECT_EQ(testing::PixelAt(page, 2, page.height() - 3), QColor(Qt::white));
    const QImage& picture = CHalvionView::Picture();
    const QPoint centre(page.width() / 2, page.height() / 2);
    EXPECT_EQ(testing::PixelAt(page, centre.x(), centre.y()),
              testing::PixelAt(picture, picture.width() / 2, picture.height() / 2));

    CChildFrame* second = NewWindow();
    EXPECT_EQ(second->GetDocument().GetTitle(), "Project - 2");
    EXPECT_NE(second->GetProjectId(), first->GetProjectId());
    CloseAndWait(first);
    EXPECT_EQ(m_projects.GetCount(), 1U);
    CChildFrame* third = NewWindow();
    EXPECT_EQ(third->GetDocument().GetTitle(), "Project - 3");
    EXPECT_EQ(m_windows.GetActiveFrame(), third);
}

TEST(ProjectWindowPlacementTest, FourFifthsOfTheClientCascadedByATitleBarAndWrappingToTheTopLeft) {
    struct Case {
        std::optional<QRect> previous;
        QPoint expected;
    };
    const QSize client(1000, 700);
    const Case cases[] = {
        {std::nullopt, {0, 0}},
        {QRect(0, 0, 800, 560), {22, 22}},
        {QRect(110, 110, 800, 560), {132, 132}},
        // The next step would reach past the client's bottom right: back at the top left.
        {QRect(132, 132, 800, 560), {0, 0}},
        // A window the user moved off the client's top left does not drag the next one out.
        {QRect(-40, 10, 800, 560), {0, 0}},
    };
    for (const Case& c : cases) {
        const QRect placed = CProjectWindows::CascadeRect(client, c.previous, 22);
        EXPECT_EQ(placed, QRect(c.expected, QSize(800, 560)));
        EXPECT_TRUE(QRect(QPoint(0, 0), client).contains(placed));
    }
}

TEST_F(ProjectWindowsTest, NewAndOpenedProjectWindowsLieWhollyInsideTheClientCascaded) {
    const std::string path = SaveTarget("placed");
    CChildFrame* maker = NewWindow();
    m_saveAsAnswers.push_back(path);
    ASSERT_TRUE(maker->GetDocument().DoSaveAs());
    CloseAndWait(maker);

    m_area.resize(1000, 700);
    testing::FlushEvents();
    const QRect client = m_area.viewport()->rect();
    const QSize size(4 * (client.width() / 5), 4 * (client.height() / 5));
    std::vector<CChildFrame*> frames = {NewWindow(), NewWindow(), NewWindow(), OpenWindow(path)};
    testing::FlushEvents();
    QPoint previous(-1, -1);
    for (CChildFrame* frame : frames) {
        const QRect placed = frame->parentWidget()->geometry();
        EXPECT_TRUE(client.contains(placed)) << frame->windowTitle().toStdString();
        EXPECT_EQ(placed.size(), size);
        const int step = frame->parentWidget()->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr,
                                                                     frame->parentWidget());
        EXPECT_EQ(placed.topLeft(), previous.x() < 0 ? QPoint(0, 0) : previous + QPoint(step, step));
        previous = placed.topLeft();
        // The program's icon, not the toolkit's.
        EXPECT_EQ(frame->parentWidget()->windowIcon().pixmap(16, 16).toImage(),
                  ProgramIcon().pixmap(16, 16).toImage());
    }

    // The client grows (the main window maximised): the windows keep four fifths of it, cascaded;
    // one the user moved stays where the user put it.
    frames[3]->parentWidget()->move(5, 9);
    m_area.resize(1200, 900);
    testing::FlushEvents();
    const QRect grown = m_area.viewport()->rect();
    EXPECT_EQ(frames[0]->parentWidget()->geometry(),
              QRect(0, 0, 4 * (grown.width() / 5), 4 * (grown.height() / 5)));
    EXPECT_TRUE(grown.contains(frames[2]->parentWidget()->geometry()));
    EXPECT_EQ(frames[3]->parentWidget()->pos(), QPoint(5, 9));
}

TEST_F(ProjectWindowsTest, OpeningClosesTheBlankStartUpProjectOnlyAndOpenPathsAreActivated) {
    // Two saved projects.
    const std::string pathA = SaveTarget("alpha");
    const std::string pathB = SaveTarget("beta");
    for (const std::string& path : {pathA, pathB}) {
        CChildFrame* maker = NewWindow();
        AddNode(maker, TreeOf(maker).GetRootItem(), kTypeSpectralScanNode);
        m_saveAsAnswers.push_back(path);
        ASSERT_TRUE(maker->GetDocument().DoSaveAs());
        CloseAndWait(maker);
    }
    ASSERT_TRUE(std::filesystem::exists(pathA));

    // A corrupt file right after start-up: its box, no window, nothing kept, the blank project stays.
    m_windows.SetStartupDocumentFlag(true);
    CChildFrame* blank = NewWindow();
    ASSERT_TRUE(blank->GetDocument().IsStartupDocument());
    const std::string corrupt = SaveTarget("broken");
    std::filesystem::create_directories(std::filesystem::path(corrupt).parent_path());
    std::ofstream(corrupt, std::ios::binary) << "not a project at all";
    const size_t prompts = m_sandbox.Prompt().Texts().size();
    OpenWindow(corrupt);
    EXPECT_TRUE(WaitFor([&] { return m_windows.GetFrames().size() == 1; }));
    EXPECT_GT(m_sandbox.Prompt().Texts().size(), prompts);
    EXPECT_EQ(m_projects.GetCount(), 1U);
    EXPECT_EQ(m_windows.GetFrames().front(), blank);

    // The first opened project closes the blank one.
    CChildFrame* alpha = OpenWindow(pathA);
    EXPECT_TRUE(WaitFor([&] { return m_windows.GetFrames().size() == 1; }));
    EXPECT_EQ(m_windows.GetFrames().front(), alpha);
    EXPECT_EQ(alpha->GetDocument().GetTitle(), "alpha");
    EXPECT_EQ(NodeNames(alpha).size(), 2U);
    // A second one keeps the first.
    CChildFrame* beta = OpenWindow(pathB);
    EXPECT_EQ(m_windows.GetFrames().size(), 2U);
    EXPECT_EQ(m_windows.GetActiveFrame(), beta);
    // A path already open activates its window: never two projects on one folder.
    EXPECT_EQ(OpenWindow(pathA), alpha);
    EXPECT_EQ(m_windows.GetFrames().size(), 2U);
    EXPECT_EQ(m_windows.GetActiveFrame(), alpha);
    // Titles counted for new projects only.
    EXPECT_EQ(NewWindow()->GetDocument().GetTitle(), "Project - 4");
}

TEST_F(ProjectWindowsTest, TheModifiedMarkAndTheSaveQuestion) {
    CChildFrame* frame = NewWindow();
    CHalvionDoc& document = frame->GetDocument();
    document.SetModifiedFlag(true);
    document.SetModifiedFlag(true);
    EXPECT_EQ(document.GetTitle(), "Project - 1 *");
    EXPECT_EQ(frame->windowTitle().toStdString(), "Project - 1 *");
    document.SetModifiedFlag(false);
    EXPECT_EQ(document.GetTitle(), "Project - 1");

    // 10018 from the tree marks the document.
    TreeOf(frame).SelectTreeNode(TreeOf(frame).GetRootItem());
    TreeOf(frame).OnMenuCommand(32899);
    ASSERT_TRUE(WaitFor([&] { return document.IsModified(); }));
    EXPECT_EQ(document.GetTitle(), "Project - 1 *");

    // No: the plain title in the question, the mark back, the window may close.
    m_sandbox.Prompt().Script(PromptAnswer::No);
    EXPECT_TRUE(document.SaveModified());
    EXPECT_EQ(m_sandbox.Prompt().Texts().back(), "Save changes to Project - 1?");
    EXPECT_EQ(document.GetTitle(), "Project - 1 *");
    // Cancel keeps the window.
    m_sandbox.Prompt().Script(PromptAnswer::Cancel);
    EXPECT_FALSE(document.SaveModified());
    EXPECT_EQ(document.GetTitle(), "Project - 1 *");
    m_sandbox.Prompt().Script(PromptAnswer::Cancel);
    frame->parentWidget()->close();
    testing::FlushEvents();
    EXPECT_EQ(m_windows.GetFrames().size(), 1U);
    // A framework save in mode 1 is skipped and reports success: nothing is written, the mark stays.
    EXPECT_EQ(document.GetSaveMode(), CHalvionDoc::kSaveSkip);
    EXPECT_TRUE(document.OnSaveDocument(SaveTarget("skipped")));
    EXPECT_FALSE(std::filesystem::exists(SaveTarget("skipped")));
    EXPECT_TRUE(document.IsModified());
}

TEST_F(ProjectWindowsTest, SaveSaveAsAndTheQuestionsYesWriteTheProject) {
    CChildFrame* frame = NewWindow();
    CTreeItem* root = TreeOf(frame).GetRootItem();
    AddNode(frame, root, kTypeSpectralScanNode);
    frame->GetDocument().SetModifiedFlag(true);

    // Save without a path is Save As; cancelling it changes nothing.
    EXPECT_TRUE(frame->OnCommand(ProjectCommand::kSave));
    EXPECT_TRUE(frame->GetDocument().IsModified());
    const std::string path = SaveTarget("saved");
    m_saveAsAnswers.push_back(path);
    frame->OnCommand(ProjectCommand::kSave);
    EXPECT_FALSE(frame->GetDocument().IsModified());
    EXPECT_EQ(frame->GetDocument().GetPathName(), path);
    EXPECT_EQ(frame->GetDocument().GetTitle(), "saved");
    ASSERT_TRUE(std::filesystem::exists(path));

    // Save with a path writes to it.
    AddNode(frame, root, kTypeModuleNode);
    frame->GetDocument().SetModifiedFlag(true);
    frame->OnCommand(ProjectCommand::kSave);
    EXPECT_FALSE(frame->GetDocument().IsModified());

    // Yes in the closing question writes too.
    AddNode(frame, root, kTypeSpatialScanNode);
    frame->GetDocument().SetModifiedFlag(true);
    const std::vector<std::string> written = NodeNames(frame);
    m_sandbox.Prompt().Script(PromptAnswer::Yes);
    CloseAndWait(frame);
    EXPECT_EQ(m_projects.GetCount(), 0U);
    CChildFrame* reopened = OpenWindow(path);
    EXPECT_EQ(NodeNames(reopened), written);
    EXPECT_FALSE(reopened->GetDocument().IsModified());

    // A save that cannot be written keeps the mark, answers false and keeps a closing window open.
    const std::string blocker = m_sandbox.Folder() + "/blocker";
    std::ofstream(blocker) << "a file where the project folder should be";
    reopened->GetDocument().SetModifiedFlag(true);
    m_saveAsAnswers.push_back(blocker + "/project.ovp");
    EXPECT_FALSE(reopened->GetDocument().DoSaveAs());
    EXPECT_TRUE(reopened->GetDocument().IsModified());
    EXPECT_EQ(reopened->GetDocument().GetTitle(), "saved *");
    EXPECT_EQ(reopened->GetDocument().GetPathName(), path);
}

TEST_F(ProjectWindowsTest, AFailedSaveOnClosingKeepsTheWindowAndAScanRefusesClosing) {
    CChildFrame* frame = NewWindow();
    frame->GetDocument().SetModifiedFlag(true);
    const std::string blocker = m_sandbox.Folder() + "/blocker";
    std::ofstream(blocker) << "x";
    m_sandbox.Prompt().Script(PromptAnswer::Yes);
    m_saveAsAnswers.push_back(blocker + "/project.ovp");
    frame->parentWidget()->close();
    testing::FlushEvents();
    EXPECT_EQ(m_windows.GetFrames().size(), 1U);
    EXPECT_EQ(frame->GetDocument().GetTitle(), "Project - 1 *");

    // Every state in which a run may be using the project's nodes, the set-up among them: the
    // project stays whole.
    const TfrmMainApp* project = ProjectOf(frame);
    for (const int32_t state : {3, 7, 8, 12, 13, 14}) {
        SCOPED_TRACE(state);
        m_frame.engine.SetState(state);
        const size_t prompts = m_sandbox.Prompt().Texts().size();
        frame->parentWidget()->close();
        testing::FlushEvents();
        ASSERT_EQ(m_windows.GetFrames().size(), 1U);
        EXPECT_EQ(ProjectOf(frame), project);
        ASSERT_EQ(m_sandbox.Prompt().Texts().size(), prompts + 1);
        EXPECT_EQ(m_sandbox.Prompt().Texts().back(), CChildFrame::kScanRunningText);
        EXPECT_EQ(m_sandbox.Prompt().Requests().back().caption, "Warning");
    }
    m_frame.engine.SetState(0);
}

TEST_F(ProjectWindowsTest, TwoWindowsGetTheirOwnTreeAndListAndNewScansReachTheListShowingTheirNode) {
    CChildFrame* first = m_windows.NewDocument();
    CChildFrame* second = m_windows.NewDocument();
    ASSERT_TRUE(Built(first));
    ASSERT_TRUE(Built(second));
    EXPECT_NE(&TreeOf(first), &TreeOf(second));
    EXPECT_EQ(ProjectOf(first)->GetProjectTree(first->GetProjectId()), &TreeOf(first));
    EXPECT_EQ(ProjectOf(second)->GetProjectTree(second->GetProjectId()), &TreeOf(second));
    EXPECT_EQ(ProjectOf(first)->GetProjectFormView(), first->GetView());
    EXPECT_EQ(ProjectOf(second)->GetProjectFormView(), second->GetView());

    CTreeItem* spectral = AddNode(first, TreeOf(first).GetRootItem(), kTypeSpectralScanNode);
    QNodeMediator* mediator = spectral->m_mediator;
    EXPECT_EQ(mediator->GetContainer() != nullptr, true);
    TreeOf(first).SelectTreeNode(spectral);
    TreeOf(first).ShowSelectedNodeScanData();
    EXPECT_EQ(ListOf(first).GetOwner(), mediator);
    ASSERT_TRUE(mediator->AddSpectralScanData(SpectralScan(1), true, false));
    ASSERT_EQ(ListOf(first).topLevelItemCount(), 1);
    EXPECT_EQ(ListOf(first).GetRowText(0, 0), "1");
    // The live scan's row is dated and described at once, with no view of the node opened.
    EXPECT_EQ(ListOf(first).GetRowText(0, 1), "2026-12-10 10:01:00");
    EXPECT_EQ(ListOf(first).GetRowText(0, 2), "board 1");
    EXPECT_EQ(ListOf(second).topLevelItemCount(), 0);
    EXPECT_EQ(first->GetView()->GetCurrentSpectral(), mediator->FindSpectralScanData(1));
    EXPECT_EQ(mediator->GetDisplayedScanID(), 1);
    // A live scan marks the project modified.
    EXPECT_TRUE(WaitFor([&] { return first->GetDocument().IsModified(); }));

    // While the list shows another node, the new scan waits for its node's selection.
    TreeOf(first).SelectTreeNode(TreeOf(first).GetRootItem());
    TreeOf(first).ShowSelectedNodeScanData();
    ASSERT_TRUE(mediator->AddSpectralScanData(SpectralScan(2), false, false));
    EXPECT_EQ(ListOf(first).topLevelItemCount(), 0);
    TreeOf(first).SelectTreeNode(spectral);
    TreeOf(first).ShowSelectedNodeScanData();
    ASSERT_EQ(ListOf(first).topLevelItemCount(), 2);
    EXPECT_EQ(ListOf(first).GetRowText(0, 0), "2");
    EXPECT_EQ(ListOf(first).GetRowText(1, 0), "1");
    // The refilled list dates and describes every row, the one never shown included.
    EXPECT_EQ(ListOf(first).GetRowText(0, 1), "2026-12-10 10:02:00");
    EXPECT_EQ(ListOf(first).GetRowText(0, 2), "board 2");
    EXPECT_EQ(ListOf(first).GetRowText(1, 1), "2026-12-10 10:01:00");
}

TEST_F(ProjectWindowsTest, RunStatesAndCommandEnabling) {
    CChildFrame* frame = NewWindow();
    using namespace ProjectCommand;
    struct Row {
        int32_t state;
        bool connect;
        bool disconnect;
        bool run;
        bool stop;
    };
    for (const Row& row : {Row{0, true, false, false, false}, Row{2, false, true, true, false},
                           Row{12, false, false, false, true}, Row{3, false, false, false, false}}) {
        m_frame.engine.SetState(row.state);
        EXPECT_EQ(frame->IsCommandEnabled(kConnect), row.connect) << row.state;
        EXPECT_EQ(frame->IsCommandEnabled(kDisconnect), row.disconnect) << row.state;
        EXPECT_EQ(frame->IsCommandEnabled(kRun), row.run) << row.state;
        EXPECT_EQ(frame->IsCommandEnabled(kStop), row.stop) << row.state;
        EXPECT_EQ(frame->IsCommandEnabled(kDeleteNode), true);
        EXPECT_EQ(frame->IsCommandEnabled(kDeleteScanData), true);
        EXPECT_EQ(frame->IsCommandEnabled(32790), true);
    }
    // The tool bar follows the same rules.
    m_frame.engine.SetState(12);
    frame->GetToolBar()->UpdateCommandUI();
    EXPECT_FALSE(frame->GetToolBar()->FindCommandButton(kRun)->isEnabled());
    EXPECT_TRUE(frame->GetToolBar()->FindCommandButton(kStop)->isEnabled());

    m_frame.engine.SetState(0);
    m_frame.engine.connectResult = false;
    frame->OnCommand(kConnect);
    EXPECT_EQ(frame->GetRunState(), CChildFrame::kDisconnected);
    m_frame.engine.connectResult = true;
    frame->OnCommand(kConnect);
    EXPECT_EQ(frame->GetRunState(), CChildFrame::kConnectedIdle);
    m_frame.engine.SetState(2);
    CTreeItem* spectral = AddNode(frame, TreeOf(frame).GetRootItem(), kTypeSpectralScanNode);
    TreeOf(frame).SelectTreeNode(spectral);
    m_frame.engine.runResult = false;
    frame->OnCommand(kRun);
    EXPECT_EQ(frame->GetRunState(), CChildFrame::kConnectedIdle);
    m_frame.engine.runResult = true;
    frame->OnCommand(kRun);
    EXPECT_EQ(frame->GetRunState(), CChildFrame::kScanning);
    ASSERT_FALSE(m_frame.engine.runs.empty());
    EXPECT_EQ(m_frame.engine.runs.back().first, spectral->m_mediator);
    frame->SetIdleState();
    EXPECT_EQ(frame->GetRunState(), CChildFrame::kConnectedIdle);
    frame->OnCommand(kDisconnect);
    EXPECT_EQ(frame->GetRunState(), CChildFrame::kDisconnected);
    EXPECT_EQ(m_frame.engine.driverDisconnections, 1);
    m_frame.engine.SetState(12);
    frame->OnCommand(kStop);
    EXPECT_EQ(m_frame.engine.stops, 1);
    EXPECT_EQ(frame->GetActiveDocumentTitle(), frame->GetDocument().GetTitle());

    // Forwarding to an id the array does not hold does nothing.
    const int connections = m_frame.engine.driverConnections;
    EXPECT_FALSE(m_projects.ConnectProject(999));
    EXPECT_FALSE(m_projects.RunProject(999));
    EXPECT_FALSE(m_projects.SaveProject(999));
    EXPECT_FALSE(m_projects.StopScanOfProject(999));
    EXPECT_EQ(m_frame.engine.driverConnections, connections);
    EXPECT_EQ(m_frame.engine.stops, 1);

    // Delete Node: a refused delete (the root) posts no 10018.
    m_frame.engine.SetState(0);
    TreeOf(frame).SelectTreeNode(TreeOf(frame).GetRootItem());
    frame->GetDocument().SetModifiedFlag(false);
    frame->OnCommand(kDeleteNode);
    testing::FlushEvents();
    EXPECT_FALSE(frame->GetDocument().IsModified());
    TreeOf(frame).SelectTreeNode(spectral);
    frame->OnCommand(kDeleteNode);
    EXPECT_TRUE(WaitFor([&] { return frame->GetDocument().IsModified(); }));
    EXPECT_EQ(TreeOf(frame).GetRecords().GetCount(), 1U);
    // Stitch shows its box.
    frame->OnCommand(kStitch);
    EXPECT_EQ(m_sandbox.Prompt().Texts().back(), "TEST");
}

TEST(ProjectPaneTest, APaneWhoseSecondViewFailsHasNoLinksAndResizingLeavesTheViewsToTheSplitter) {
    testing::EnsureTestApplication();
    CProjectView failed;
    failed.Create(
        nullptr, nullptr, nullptr,
        {[](QWidget* parent) { return new CViewTreeWidget(parent); }, [](QWidget*) { return nullptr; }});
    EXPECT_TRUE(failed.IsCreated());
    EXPECT_EQ(failed.GetTree(), nullptr);
    EXPECT_EQ(failed.GetList(), nullptr);
    EXPECT_TRUE(failed.findChildren<CViewTreeWidget*>().isEmpty());

    CProjectView pane;
    CViewTreeWidget* handed = nullptr;
    pane.SetTreeCreatedHook([&handed](CViewTreeWidget* tree) { handed = tree; });
    int relayouts = 0;
    pane.SetRelayoutHook([&relayouts] { ++relayouts; });
    pane.resize(300, 600);
    pane.Create(nullptr, nullptr, nullptr);
    pane.show();
    testing::FlushEvents();
    ASSERT_NE(pane.GetTree(), nullptr);
    ASSERT_NE(pane.GetList(), nullptr);
    EXPECT_EQ(handed, pane.GetTree());
    EXPECT_EQ(pane.GetTree()->windowTitle().toStdString(), "Project Nodes");
    EXPECT_EQ(pane.GetList()->windowTitle().toStdString(), "Scan Data List");
    EXPECT_EQ(pane.GetSplitter()->orientation(), Qt::Vertical);
    EXPECT_TRUE(pane.GetSplitter()->widget(0)->isAncestorOf(pane.GetTree()));
    EXPECT_TRUE(pane.GetSplitter()->widget(1)->isAncestorOf(pane.GetList()));
    pane.resize(400, 700);
    testing::FlushEvents();
    EXPECT_TRUE(pane.IsResizePending());
    EXPECT_GT(relayouts, 0);
    // The splitter fills the inner frame and shares it out; the pane placed neither view itself.
    EXPECT_EQ(pane.GetSplitter()->geometry(), pane.GetInnerFrame()->rect());
    EXPECT_NE(pane.GetTree()->width(), pane.contentsRect().width() + 3);
    const int shared = pane.GetSplitter()->widget(0)->height() + pane.GetSplitter()->widget(1)->height() +
                       pane.GetSplitter()->handleWidth();
    EXPECT_EQ(shared, pane.GetSplitter()->height());
}

TEST(DialogBarTest, TheSpatialBarStartsItsScrollBarAtFiftyAndStepsByItsRules) {
    testing::EnsureTestApplication();
    QWidget frame;
    QWidget other;
    auto* bar = new CDlgbarSpatialView(&frame);
    QScrollBar* scroll = bar->GetScrollBar();
    ASSERT_NE(scroll, nullptr);
    EXPECT_TRUE(bar->IsTimerRunning());
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return !bar->IsTimerRunning(); }));
    EXPECT_EQ(scroll->minimum(), 0);
    EXPECT_EQ(scroll->maximum(), 100);
    EXPECT_EQ(scroll->pageStep(), 15);
    EXPECT_EQ(scroll->value(), 50);
    struct Step {
        QAbstractSlider::SliderAction action;
        int value;
    };
    for (const Step& step :
         {Step{QAbstractSlider::SliderSingleStepAdd, 55}, Step{QAbstractSlider::SliderPageStepSub, 45},
          Step{QAbstractSlider::SliderToMinimum, 40}, Step{QAbstractSlider::SliderPageStepAdd, 50},
          Step{QAbstractSlider::SliderToMaximum, 55}, Step{QAbstractSlider::SliderSingleStepSub, 50}}) {
        scroll->triggerAction(step.action);
        EXPECT_EQ(scroll->value(), step.value) << step.action;
    }
    // Template 359 in dialog units of the bar's font; the lilac background; 16-pixel Arial edits.
    EXPECT_EQ(bar->height(), bar->DialogRect(0, 0, 1026, 33).height());
    EXPECT_EQ(bar->GetControlAs<QLineEdit>(1154)->font().pixelSize(), 16);
    EXPECT_EQ(bar->GetControlAs<QLineEdit>(1154)->font().family().toStdString(), "Arial");
    bar->resize(bar->minimumWidth(), bar->height());
    const QImage picture = testing::Grab(*bar);
    EXPECT_EQ(testing::PixelAt(picture, picture.width() - 2, 1), CDlgbarSpatialView::kBackground);
    EXPECT_TRUE(scroll->isHidden());

    CDlgbarSpectralSpatialView spectralSpatial;
    EXPECT_NE(spectralSpatial.GetDisplayTab(), nullptr);
    EXPECT_EQ(spectralSpatial.GetControl(CDlgbarSpectralSpatialView::kTabId),
              spectralSpatial.GetDisplayTab());
    EXPECT_TRUE(spectralSpatial.GetControl(1029)->isHidden());
    EXPECT_TRUE(spectralSpatial.GetControl(1030)->isHidden());
    EXPECT_EQ(spectralSpatial.height(), spectralSpatial.DialogRect(0, 0, 480, 36).height());
}

class ScanListTest : public testing::QtWidgetTest {};

TEST_F(ScanListTest, RowsGoInAtTheTopAndAListedSpectralScanOnlyGetsItsDate) {
    CViewList list;
    EXPECT_EQ(list.headerItem()->text(0).toStdString(), "ID");
    EXPECT_EQ(list.headerItem()->text(1).toStdString(), "Scan Date");
    EXPECT_EQ(list.headerItem()->text(2).toStdString(), "Description");
    EXPECT_EQ(list.columnWidth(0), 50);
    // 120 pixels, or what a whole date needs in the list's font.
    EXPECT_GE(list.columnWidth(1), 120);
    EXPECT_GT(list.columnWidth(1), list.fontMetrics().horizontalAdvance("2026-12-10,  20:17:09"));
    EXPECT_EQ(list.columnWidth(2), 250);
    // The rows show the scans' own date and description: none of these scans was ever prepared for
    // a view, so their description texts are empty.
    CSpectralScanData one;
    one.m_ScanId = 1;
    one.m_DateText = "01/02/2026 10:00";
    one.m_UserText = "first";
    CSpectralScanData two;
    two.m_ScanId = 2;
    two.m_DateText = "01/02/2026 11:00";
    list.AddSpectralScanData(one, true, false);
    list.AddSpectralScanData(two, true, false);
    ASSERT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.GetRowId(0), 2);
    EXPECT_EQ(list.GetRowText(0, 1), "01/02/2026 11:00");
    EXPECT_EQ(list.GetRowText(1, 2), "first");
    EXPECT_EQ(list.GetSelectedRow(), 0);
    one.m_DateText = "later";
    list.AddSpectralScanData(one, true, false);
    EXPECT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.GetRowText(1, 1), "later");
    EXPECT_EQ(list.GetDescriptionById(1), "first");

    CSpatialScanData spatial;
    spatial.m_ScanId = 7;
    spatial.m_DateText = "date";
    list.RemoveAllScanData();
    EXPECT_EQ(list.GetSelectedRow(), -1);
    list.AddSpatialScanData(spatial, false, false);
    list.AddSpatialScanData(spatial, false, false);
    EXPECT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.GetRowText(1, 1), "date");
    spatial.m_DateText = "updated";
    list.AddSpatialScanData(spatial, false, true);
    EXPECT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.GetRowText(0, 1), "updated");

    list.SelectScanDataById(7);
    EXPECT_EQ(list.GetSelectedRow(), 0);
    list.SelectScanDataById(99);
    EXPECT_TRUE(list.selectedItems().isEmpty());
}

} // namespace
} // namespace orv
