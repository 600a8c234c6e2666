// The scan-data list of a real project window with real nodes and views: following the selection,
// opening, the fixed rows of the two-scan nodes, the tool-tip, the menu and its commands, deleting,
// and the drag of a row (its runner replaced; the real drag runs under Xvfb).

#include "app/CDlgScanDataDescription.h"
#include "app/CStitchDialogMaker.h"
#include "app/UiMessagePump.h"
#include "app/controls/CProjectView.h"
#include "app/controls/ClipboardFormats.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionDoc.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "project/QExportFileChooser.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/MenuItems.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "tests/views/support/SpectralViewFixture.h"
#include "views/spatial/CViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace ScanListCommand;
using testing::ProjectSandbox;
using testing::TestMainFrame;

std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "-" + info->name();
}

// Chooses the file it was given and notes the all-peaks switch while it is asked.
class FileChooser : public QExportFileChooser {
public:
    FileChooser(QNodeMediator& mediator, std::string path) : m_mediator(mediator), m_path(std::move(path)) {}
    std::optional<std::string> ChooseSaveFile(const QExportFileRequest& /*request*/) override {
        allPeaksWhileChoosing.push_back(m_mediator.GetScanOptions()->IsExportAllPeaks());
        return m_path;
    }
    std::vector<bool> allPeaksWhileChoosing;

private:
    QNodeMediator& m_mediator;
    std::string m_path;
};

class RecordingDescription : public CDlgScanDataDescription {
public:
    bool DoModal() override { return true; }
};

class ScanDataListTest : public testing::QtWidgetTest {
protected:
    ScanDataListTest()
        : m_sandbox(TestName()),
          m_projects(m_frame, m_projectList, m_sandbox.StorageFactory(m_frame, GetUiMessageThread()),
                     m_sandbox.Maker(m_frame, GetUiMessageThread())),
          m_windows(m_area, m_projects) {
        m_area.resize(1400, 1000);
        m_area.show();
        CViewFrameMaker::Install();
        m_project = m_windows.NewDocument();
        EXPECT_TRUE(testing::ProcessEventsUntil([this] { return !m_project->GetView()->IsBuildPending(); }));
        m_project->parentWidget()->showMaximized();
        testing::FlushEvents();
    }
    ~ScanDataListTest() override {
        CFormViewFactory::SetFrameMaker({});
        CViewFrame::SetDropTargetHook({});
        CDlgScanDataDescription::InstallMaker({});
        CStitchDialogMaker::Install({});
        InstallExportFileChooser(nullptr);
        InstallDragRunner({});
    }

    CViewTreeWidget& Tree() { return *m_project->GetProjectPane()->GetTree(); }
    CViewList& List() { return *m_project->GetProjectPane()->GetList(); }
    TfrmMainApp& Project() { return *m_projects.FindProjectById(m_project->GetProjectId()); }
    ScriptedPrompt& Prompt() { return m_sandbox.Prompt(); }
    QNodeMediator& AddNode(uint16_t kind, CTreeItem* parent = nullptr) {
        QNodeMediator* mediator = Project().GetOpenProject()->AddNode(
            parent != nullptr ? parent : Tree().GetRootItem(), CViewTree::kLast, kind);
        EXPECT_NE(mediator, nullptr) << kind;
        return *mediator;
    }
    void OpenView(QNodeMediator& mediator) {
        bool created = false;
        mediator.OpenView(mediator.GetKind(), created, true);
        testing::FlushEvents();
    }
    // A Spectral node with scans 1 .. count of three points each, one of them a measured peak unless
    // `peaks` is false, listed (the newest at the top).
    QNodeMediator& Spectral(int32_t count, bool view = true, bool peaks = true) {
        QNodeMediator& node = AddNode(kTypeSpectralScanNode);
        for (int32_t id = 1; id <= count; ++id) {
            QSpectralScanAddition addition = test::MirtSpectrum(id, {400, 600, 500});
            if (peaks) {
                addition.m_MeasuredFrequencies = {{1, 150.0F}};
            }
            EXPECT_TRUE(node.AddSpectralScanData(std::move(addition), false, false));
            node.GetSpectralScanData(id)->m_UserText = "scan " + std::to_string(id);
        }
        if (view) {
            OpenView(node);
        }
        List(node);
        return node;
    }
    void List(QNodeMediator& node) {
        Tree().SelectTreeNode(Tree().GetRecords().FindByMediator(&node));
        node.FillScanDataList(node.GetKind());
        testing::FlushEvents();
    }
    QPoint RowPoint(int row) {
        return List().visualItemRect(List().topLevelItem(row)).topLeft() + QPoint(10, 4);
    }
    void Click(int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(List().viewport(), Qt::LeftButton, modifiers, RowPoint(row));
        testing::FlushEvents();
    }
    void Select(std::initializer_list<int> rows) {
        List().clearSelection();
        for (int row : rows) {
            List().topLevelItem(row)->setSelected(true);
        }
    }
    // Right-clicks the first selected row and chooses the command (0: none); answers the menu as
    // it was offered.
    std::vector<std::string> RightClick(uint32_t command) {
        std::vector<std::string> offered;
        List().SetMenuRunner([&](QMenu& menu, const QPoint&) -> QAction* {
            offered = testing::MenuItems(menu);
            return command != 0 ? CViewTreeMenu::FindCommand(menu, command) : nullptr;
        });
        int row = 0;
        while (!List().topLevelItem(row)->isSelected()) {
            ++row;
        }
        // The press selects as it would; the menu comes with the context-menu event.
        QWidget& port = *List().viewport();
        testing::SendMouse(port, QEvent::MouseButtonPress, RowPoint(row), Qt::RightButton, Qt::RightButton);
        testing::SendMouse(port, QEvent::MouseButtonRelease, RowPoint(row), Qt::RightButton, Qt::NoButton);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, RowPoint(row), port.mapToGlobal(RowPoint(row)));
        QApplication::sendEvent(&port, &menu);
        testing::FlushEvents();
        return offered;
    }
    std::vector<int32_t> Ids(QNodeMediator& node) { return node.GetScanIDs(node.GetKind()); }
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (int i = 0; i < List().topLevelItemCount(); ++i) {
            rows.push_back(List().GetRowText(i, 0));
        }
        return rows;
    }

    ProjectSandbox m_sandbox;
    TestMainFrame m_frame;
    std::vector<std::unique_ptr<TfrmMainApp>> m_projectList;
    QMdiArea m_area;
    CProjectArray m_projects;
    CProjectWindows m_windows;
    CChildFrame* m_project = nullptr;
};

// --- Following the selection, opening ---

TEST_F(ScanDataListTest, AClickAndAKeyReleaseShowAChangedSelectionOnceAndADoubleClickOpens) {
    QNodeMediator& node = Spectral(3);
    ASSERT_EQ(Rows(), (std::vector<std::string>{"3", "2", "1"}));
    Click(1);
    EXPECT_EQ(node.GetDisplayedSpectralScanID(), 2);
    EXPECT_EQ(List().GetSelectedRow(), 1);
    // The view moves on elsewhere; the same row clicked again or a key let go shows nothing anew.
    node.ShowSpectralScanData(1);
    Click(1);
    QTest::keyClick(&List(), Qt::Key_Shift);
    EXPECT_EQ(node.GetDisplayedSpectralScanID(), 1);
    // The arrow key moves the selection: its release shows the scan.
    QTest::keyClick(&List(), Qt::Key_Up);
    EXPECT_EQ(node.GetDisplayedSpectralScanID(), 3);
    EXPECT_EQ(List().GetSelectedRow(), 0);

    // A double click opens the node's view on that scan; the tree's current node is this one.
    QNodeMediator& closed = Spectral(3, false);
    ASSERT_EQ(closed.GetSpectralView(), nullptr);
    QTest::mouseDClick(List().viewport(), Qt::LeftButton, {}, RowPoint(2));
    testing::FlushEvents();
    ASSERT_NE(closed.GetSpectralView(), nullptr);
    EXPECT_EQ(closed.GetDisplayedSpectralScanID(), 1);
    EXPECT_EQ(Tree().GetCurrentNode(), &closed);
    // Scrolling the list leaves the current node.
    List().verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Tree().GetCurrentNode(), nullptr);
}

// A view that selects its scan makes that row the only selected one; a scan without a row leaves the
// selection alone.
TEST_F(ScanDataListTest, AViewsSelectionMakesItsRowTheOnlySelectedOne) {
    Spectral(3);
    Select({0, 2});
    List().SelectOnlyRow("2");
    EXPECT_FALSE(List().topLevelItem(0)->isSelected());
    EXPECT_TRUE(List().topLevelItem(1)->isSelected());
    EXPECT_FALSE(List().topLevelItem(2)->isSelected());
    EXPECT_EQ(List().GetSelectedRow(), 1);
    List().SelectOnlyRow("7");
    EXPECT_EQ(List().selectedItems().size(), 1);
    EXPECT_TRUE(List().topLevelItem(1)->isSelected());
}

// --- Rows ---

TEST_F(ScanDataListTest, TwoScanNodesListTheirSourcesByPartAndARowOnlyWhileItsSourceExists) {
    auto spatial = [](int32_t id, const char* date) {
        auto scan = std::make_unique<CSpatialScanData>();
        scan->m_ScanId = static_cast<uint32_t>(id);
        scan->m_DateText = date;
        scan->m_UserText = std::string("about ") + date;
        return scan;
    };
    QNodeMediator& compare = AddNode(kTypeSpatialComparisonNode);
    ASSERT_TRUE(compare.SetComparedScan(true, spatial(5, "ref date")));
    List(compare);
    ASSERT_EQ(Rows(), std::vector<std::string>{"Reference"});
    EXPECT_EQ(List().GetRowId(0), 1);
    EXPECT_EQ(List().GetRowText(0, 1), "ref date");
    EXPECT_EQ(List().GetRowText(0, 2), "about ref date");
    ASSERT_TRUE(compare.SetComparedScan(false, spatial(6, "test date")));
    List(compare);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Test", "Reference"}));
    EXPECT_EQ(List().GetRowId(0), 0);

    QNodeMediator& blindSpot = AddNode(kTypeBlindSpotReductionNode);
    ASSERT_TRUE(blindSpot.SetComparedScan(false, spatial(2, "upper")));
    List(blindSpot);
    EXPECT_EQ(Rows(), std::vector<std::string>{"Upper"});
    ASSERT_TRUE(blindSpot.SetComparedScan(true, spatial(1, "lower")));
    List(blindSpot);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Upper", "Lower"}));
    EXPECT_EQ(List().GetRowId(1), 1);

    // Selecting by id without clearing keeps what was selected.
    QNodeMediator& node = Spectral(3, false);
    List().SelectScanDataById(3);
    List().SelectScanDataByIdNoClear(1);
    List().SelectScanDataByIdNoClear(42);
    EXPECT_EQ(List().GetSelectedIds(), (std::vector<int32_t>{3, 1}));
    EXPECT_EQ(List().GetOwner(), &node);
}

TEST_F(ScanDataListTest, TheTipShowsTheDescriptionOfTheSelectedRowOnly) {
    Spectral(3);
    Click(1);
    auto moveTo = [this](int row, int x) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, RowPoint(row).y()),
                         List().viewport()->mapToGlobal(QPointF(x, RowPoint(row).y())), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(List().viewport(), &move);
    };
    moveTo(1, 10);
    EXPECT_EQ(List().GetToolTipText().toStdString(), "scan 2");
    EXPECT_EQ(List().GetToolTipRow(), 1);
    EXPECT_TRUE(List().GetToolTipTimer().isActive());
    EXPECT_EQ(List().GetToolTipTimer().interval(), 3000);
    moveTo(0, 10);
    EXPECT_TRUE(List().GetToolTipText().isEmpty());
    EXPECT_FALSE(List().GetToolTipTimer().isActive());
    // Over the selected row but beside its label: no tip either.
    moveTo(1, List().columnWidth(0) + 20);
    EXPECT_TRUE(List().GetToolTipText().isEmpty());
    EXPECT_EQ(List().GetToolTipRow(), -1);
}

// --- The menu ---

TEST_F(ScanDataListTest, TheMenuByNodeKindAndSelectionNeverOffersReordering) {
    const std::string spectralExport = "Export Spectral Data>All Data|All Peaks";
    QNodeMediator& spectral = Spectral(3);
    spectral.ShowSpectralScanData(1);
    Select({1});
    EXPECT_EQ(RightClick(0), (std::vector<std::string>{"Copy", "Delete", spectralExport, "-",
                                                       "Open Scan Data Description", "Stitch"}));
    // The views show the row's scan first.
    EXPECT_EQ(spectral.GetDisplayedSpectralScanID(), 2);
    Select({0, 1, 2});
    EXPECT_EQ(RightClick(0), (std::vector<std::string>{"Delete", "Stitch"}));
    Select({0, 2});
    EXPECT_EQ(RightClick(0), (std::vector<std::string>{"Delete", "Stitch"}));

    // A scan without measured points has nothing for "All Peaks".
    Spectral(1, true, false);
    Select({0});
    EXPECT_EQ(RightClick(0),
              (std::vector<std::string>{"Copy", "Delete", "Export Spectral Data>All Data|All Peaks [off]",
                                        "-", "Open Scan Data Description", "Stitch"}));

    QNodeMediator& spatial = AddNode(kTypeSpatialScanNode);
    ASSERT_TRUE(spatial.AddSpatialScanData(test::SpatialGrid(1, 2, 2, {1, 2, 3, 4}), false, false));
    List(spatial);
    Select({0});
    EXPECT_EQ(RightClick(0), (std::vector<std::string>{"Copy", "Delete", "Export Spatial Data", "-",
                                                       "Open Scan Data Description", "Stitch"}));

    QNodeMediator& comparison = AddNode(kTypeSpectralComparisonNode);
    auto reference = std::make_unique<CSpectralScanData>();
    reference->m_ScanId = 8;
    ASSERT_TRUE(comparison.SetComparedScan(true, std::move(reference)));
    List(comparison);
    Select({0});
    EXPECT_EQ(RightClick(0),
              (std::vector<std::string>{"Copy", "Delete", "-", "Open Scan Data Description", "Stitch"}));
}

TEST_F(ScanDataListTest, WhileTheReportGeneratorIsOpenOrTheNodeScansOnlyANoticeIsOffered) {
    QNodeMediator& node = Spectral(2);
    Select({0});
    Project().SetReportGeneratorOpen(true);
    EXPECT_EQ(RightClick(kDelete),
              std::vector<std::string>{"No operation untill the report generator is closed !"});
    Project().SetReportGeneratorOpen(false);
    node.SetScanInProgress(true);
    EXPECT_EQ(RightClick(kDelete), std::vector<std::string>{"No operation untill the scan is done !"});
    // The frame's Delete makes the same check, and the list refuses whoever asks.
    EXPECT_TRUE(m_project->OnCommand(ProjectCommand::kDeleteScanData));
    EXPECT_FALSE(List().DeleteSelectedScanData());
    node.SetScanInProgress(false);
    EXPECT_TRUE(Prompt().Texts().empty());
    EXPECT_EQ(Ids(node), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(List().topLevelItemCount(), 2);
}

TEST_F(ScanDataListTest, CopyDescriptionAndStitchActOnTheRowsScanAndNode) {
    QNodeMediator& node = Spectral(2);
    Select({1});
    RightClick(kCopy);
    QNodeMediator* copied = nullptr;
    int32_t copiedId = 0;
    ASSERT_TRUE(Project().GetCopiedScanData(copied, copiedId));
    EXPECT_EQ(copied, &node);
    EXPECT_EQ(copiedId, 1);

    struct Asked {
        QNodeMediator* mediator;
        int32_t scanId;
        int32_t tab;
    };
    std::vector<Asked> asked;
    CDlgScanDataDescription::InstallMaker(
        [&](QNodeMediator& mediator, int32_t scanId, int32_t tab, QWidget*) {
            asked.push_back({&mediator, scanId, tab});
            return std::make_unique<RecordingDescription>();
        });
    RightClick(kOpenScanDataDescription);
    QNodeMediator& comparison = AddNode(kTypeSpectralOverlayNode);
    auto test = std::make_unique<CSpectralScanData>();
    test->m_ScanId = 8;
    ASSERT_TRUE(comparison.SetComparedScan(false, std::move(test)));
    List(comparison);
    Select({0});
    RightClick(kOpenScanDataDescription);
    ASSERT_EQ(asked.size(), 2U);
    EXPECT_EQ(asked[0].mediator, &node);
    EXPECT_EQ(asked[0].scanId, 1);
    EXPECT_EQ(asked[0].tab, 0);
    // The "Test" row: the second source, shown in tab 0.
    EXPECT_EQ(asked[1].mediator, &comparison);
    EXPECT_EQ(asked[1].scanId, 0);
    EXPECT_EQ(asked[1].tab, 0);

    // No stitcher yet: nothing happens. With one, it runs for the list's node.
    RightClick(kStitch);
    std::vector<QNodeMediator*> stitched;
    CStitchDialogMaker::Install([&](QNodeMediator& mediator, QWidget*) {
        stitched.push_back(&mediator);
        return false;
    });
    RightClick(kStitch);
    EXPECT_EQ(stitched, std::vector<QNodeMediator*>{&comparison});
}

TEST_F(ScanDataListTest, AllDataAndAllPeaksWriteTheRealExportAndTheSwitchIsClearAfterwardsAlsoOnFailure) {
    QNodeMediator& node = Spectral(2);
    const std::filesystem::path folder = m_sandbox.Folder() + "/export";
    std::filesystem::create_directories(folder);
    struct Row {
        const char* name;
        uint32_t command;
        std::filesystem::path file;
        bool written;
    };
    const std::vector<Row> rows = {
        {"all data", kExportAllData, folder / "all.txt", true},
        {"all peaks", kExportAllPeaks, folder / "peaks.txt", true},
        {"all peaks into a missing folder", kExportAllPeaks, folder / "missing" / "peaks.txt", false},
    };
    for (const Row& row : rows) {
        auto chooser = std::make_shared<FileChooser>(node, row.file.string());
        InstallExportFileChooser(chooser);
        Select({1});
        RightClick(row.command);
        EXPECT_EQ(chooser->allPeaksWhileChoosing, std::vector<bool>{row.command == kExportAllPeaks})
            << row.name;
        EXPECT_FALSE(node.GetScanOptions()->IsExportAllPeaks()) << row.name;
        EXPECT_EQ(std::filesystem::exists(row.file), row.written) << row.name;
        if (row.written) {
            EXPECT_GT(std::filesystem::file_size(row.file), 0U) << row.name;
        }
    }
    // The failed export told the user.
    EXPECT_EQ(Prompt().Texts().size(), 1U);
    // Only the peaks export was written with the switch on.
    auto text = [](const std::filesystem::path& file) {
        std::ifstream in(file);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    EXPECT_NE(text(folder / "peaks.txt").find("All Peaks Data"), std::string::npos);
    EXPECT_EQ(text(folder / "all.txt").find("All Peaks Data"), std::string::npos);
}

// --- Deleting ---

class ScanDataDeleteTest : public ScanDataListTest {
protected:
    ScanDataDeleteTest() : m_recorder(GetUiMessageThread()) {}
    // The list's document view replaced by one that counts the modified marks.
    size_t ModifiedMarks() {
        testing::FlushEvents();
        const std::vector<uint32_t> ids = m_recorder.target.Ids();
        return static_cast<size_t>(std::count(ids.begin(), ids.end(), NodeMessage::kProjectModified));
    }
    void Record() { List().SetDocumentView(&m_recorder); }
    ~ScanDataDeleteTest() override { List().SetDocumentView(m_project->GetView()); }

    testing::RecordingFormView m_recorder;
};

TEST_F(ScanDataDeleteTest, DeletingSelectedRowsDeletesExactlyTheirScans) {
    struct Row {
        std::initializer_list<int> selected;
        std::vector<int32_t> kept;
    };
    // Rows top down: 4, 3, 2, 1.
    for (const Row& row : {Row{{0, 1}, {1, 2}}, Row{{1, 3}, {2, 4}}, Row{{0, 1, 2, 3}, {}}}) {
        QNodeMediator& node = Spectral(4);
        Record();
        Select(row.selected);
        Prompt().Script(PromptAnswer::Ok);
        RightClick(kDelete);
        EXPECT_EQ(Ids(node), row.kept);
        EXPECT_EQ(List().topLevelItemCount(), static_cast<int>(row.kept.size()));
        EXPECT_EQ(ModifiedMarks(), 1U);
        EXPECT_EQ(Prompt().Texts().back(), CViewList::kDeleteText);
        m_recorder.target.received.clear();
    }
    // Cancel keeps everything and marks nothing.
    QNodeMediator& node = Spectral(2);
    Record();
    Select({0});
    Prompt().Script(PromptAnswer::Cancel);
    RightClick(kDelete);
    EXPECT_EQ(Ids(node), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(ModifiedMarks(), 0U);
    // The frame's Delete asks the same and deletes through the list.
    Prompt().Script(PromptAnswer::Ok);
    EXPECT_TRUE(m_project->OnCommand(ProjectCommand::kDeleteScanData));
    EXPECT_EQ(Ids(node), std::vector<int32_t>{1});
    EXPECT_EQ(ModifiedMarks(), 1U);
}

TEST_F(ScanDataDeleteTest, ALinkedSpectralSpatialScanAsksAndCancelStopsTheDeletion) {
    QNodeMediator& node = AddNode(kTypeSpectralSpatialScanNode);
    for (int32_t id = 1; id <= 2; ++id) {
        ASSERT_TRUE(
            node.AddSpectralSpatialScanData(test::SpectralSpatialCell(id, 1, 1, 0, 0, {400, 500}), false));
    }
    node.SetDisplayedScanID(2);
    QNodeMediator& composite =
        AddNode(kTypeSpectralSpatialUserCompositeNode, Tree().GetRecords().FindByMediator(&node));
    composite.CreateUserComposite(node);
    ASSERT_EQ(node.CountNodesLinkedToScan(2), 1U);
    List(node);
    Record();
    // Rows: 2 (linked), 1. Cancel on the linked question: scan 2 stays, and with it scan 1, which
    // comes after it.
    Select({0, 1});
    Prompt().Script(PromptAnswer::Ok);
    Prompt().Script(PromptAnswer::Cancel);
    RightClick(kDelete);
    EXPECT_EQ(Ids(node), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(Prompt().Texts().back(), CViewList::kLinkedDeleteText);
    EXPECT_EQ(ModifiedMarks(), 0U);
    // The other order: scan 1 goes first, then the question stops at scan 2.
    List().clear();
    node.FillScanDataList(node.GetKind());
    Select({1});
    Prompt().Script(PromptAnswer::Ok);
    RightClick(kDelete);
    Select({0});
    Prompt().Script(PromptAnswer::Ok);
    Prompt().Script(PromptAnswer::Ok);
    RightClick(kDelete);
    EXPECT_TRUE(Ids(node).empty());
    EXPECT_EQ(ModifiedMarks(), 2U);
}

TEST_F(ScanDataDeleteTest, ATwoScanNodeReleasesTheSourceOfEachSelectedRow) {
    QNodeMediator& compare = AddNode(kTypeSpectralComparisonNode);
    for (bool first : {true, false}) {
        auto scan = std::make_unique<CSpectralScanData>();
        scan->m_ScanId = first ? 3U : 4U;
        ASSERT_TRUE(compare.SetComparedScan(first, std::move(scan)));
    }
    List(compare);
    Record();
    // Rows: "Test", "Reference".
    Select({1});
    Prompt().Script(PromptAnswer::Ok);
    RightClick(kDelete);
    EXPECT_EQ(compare.GetComparedScan(true), nullptr);
    ASSERT_NE(compare.GetComparedScan(false), nullptr);
    EXPECT_EQ(Rows(), std::vector<std::string>{"Test"});
    EXPECT_EQ(ModifiedMarks(), 1U);
}

// --- Dragging ---

TEST_F(ScanDataListTest, DraggingARowCarriesItsIdAndPublishesTheDragStateOnlyWhileItRuns) {
    QNodeMediator& node = Spectral(3);
    Click(1);
    struct Seen {
        QStringList formats;
        QByteArray bytes;
        bool stateKnown = false;
        QNodeMediator* mediator = nullptr;
        int32_t scanId = 0;
    } seen;
    InstallDragRunner([&](QObject& source, QMimeData* data, Qt::DropActions) {
        std::unique_ptr<QMimeData> owned(data);
        EXPECT_EQ(&source, &List());
        seen.formats = owned->formats();
        seen.bytes = owned->data("application/x-orvilant-myspatialcompare");
        seen.stateKnown = List().GetDraggedScanData(seen.mediator, seen.scanId);
        // The user let go outside any target.
        return Qt::IgnoreAction;
    });
    // Pressed on the row and moved past the drag distance with the button held.
    const QPoint start = RowPoint(1);
    testing::SendMouse(*List().viewport(), QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    for (int step = 1; step <= 4; ++step) {
        testing::SendMouse(*List().viewport(), QEvent::MouseMove, start + QPoint(0, step * 10), Qt::NoButton,
                           Qt::LeftButton);
    }
    testing::SendMouse(*List().viewport(), QEvent::MouseButtonRelease, start + QPoint(0, 40), Qt::LeftButton,
                       Qt::NoButton);
    EXPECT_EQ(seen.formats, QStringList{"application/x-orvilant-myspatialcompare"});
    EXPECT_EQ(seen.bytes, QByteArray("\x02\x00\x00\x00", 4));
    EXPECT_TRUE(seen.stateKnown);
    EXPECT_EQ(seen.mediator, &node);
    EXPECT_EQ(seen.scanId, 2);
    EXPECT_EQ(List().GetDragScanId(), 2);
    QNodeMediator* after = nullptr;
    int32_t afterId = 0;
    EXPECT_FALSE(List().GetDraggedScanData(after, afterId));
}

} // namespace
} // namespace orv
