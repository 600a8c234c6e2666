// The heat map's report picture, and the Spatial scans dragged from the scan-data list or pasted into
// the input panes of Compare Spatial and Blind Spot Reduction views, in a real project window with
// real nodes.

#include "app/CReportPictureHolder.h"
#include "app/QtConversions.h"
#include "app/UiMessagePump.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionDoc.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectDropTarget.h"
#include "app/project/CProjectWindows.h"
#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "scandata/CSpatialScanData.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/CViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orv {
namespace {

using testing::ProjectSandbox;
using testing::TestMainFrame;

constexpr const char* kScanMime = "application/x-orvilant-myspatialcompare";
constexpr int16_t kNone = 30000;

std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "-" + info->name();
}

// A 3 x 4 grid at the frequency; `area` chooses the cells measured: all, the left two columns or the
// right two.
enum class Area { All, Left, Right };
QSpatialScanAddition Grid(int32_t id, float frequency, Area area, uint16_t columns = 4, int16_t base = 100) {
    std::vector<int16_t> values;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < columns; ++c) {
            const bool measured = area == Area::All || (area == Area::Left ? c < 2 : c >= 2);
            values.push_back(measured ? static_cast<int16_t>(base + 50 * (r * columns + c)) : kNone);
        }
    }
    QSpatialScanAddition grid = test::SpatialGrid(id, 3, columns, std::move(values));
    grid.m_Record.m_CenterFrequency = frequency;
    return grid;
}

class HeatMapDropTest : public testing::QtWidgetTest {
public:
    ~HeatMapDropTest() override {
        CFormViewFactory::SetFrameMaker({});
        CViewFrame::SetDropTargetHook({});
        CFormViewSpatial::InstallMaker(m_previousPanel);
        CReportPictureHolder::Instance().Clear();
    }

protected:
    HeatMapDropTest()
        : m_sandbox(TestName()),
          m_projects(m_frame, m_projectList, m_sandbox.StorageFactory(m_frame, GetUiMessageThread()),
                     m_sandbox.Maker(m_frame, GetUiMessageThread())),
          m_windows(m_area, m_projects) {
        m_area.resize(1400, 1000);
        m_area.show();
        CViewFrameMaker::Install();
        m_previousPanel = CFormViewSpatial::InstallMaker([](CSpatialView& /*view*/, QWidget* parent) {
            return std::make_unique<test::RecordingSpatialPanel>(parent);
        });
        m_project = m_windows.NewDocument();
        EXPECT_TRUE(testing::ProcessEventsUntil([this] { return !m_project->GetView()->IsBuildPending(); }));
        m_project->parentWidget()->showMaximized();
        testing::FlushEvents();
        // The scans pasted: 1 and 2 fit each other; 3 is of another frequency; 4 of another size;
        // 5 and 6 cover the left and the right half of the grid.
        source = &AddNode(kTypeSpatialScanNode);
        EXPECT_TRUE(source->AddSpatialScanData(Grid(1, 150.0F, Area::All), false, false));
        EXPECT_TRUE(source->AddSpatialScanData(Grid(2, 150.0F, Area::All, 4, 300), false, false));
        EXPECT_TRUE(source->AddSpatialScanData(Grid(3, 300.0F, Area::All), false, false));
        EXPECT_TRUE(source->AddSpatialScanData(Grid(4, 150.0F, Area::All, 5), false, false));
        EXPECT_TRUE(source->AddSpatialScanData(Grid(5, 150.0F, Area::Left), false, false));
        EXPECT_TRUE(source->AddSpatialScanData(Grid(6, 150.0F, Area::Right), false, false));
    }

    CViewTreeWidget& Tree() { return *m_project->GetProjectPane()->GetTree(); }
    CViewList& List() { return *m_project->GetProjectPane()->GetList(); }
    TfrmMainApp& Project() { return *m_projects.FindProjectById(m_project->GetProjectId()); }
    ScriptedPrompt& Prompt() { return m_sandbox.Prompt(); }
    QNodeMediator& AddNode(uint16_t kind) {
        QNodeMediator* mediator =
            Project().GetOpenProject()->AddNode(Tree().GetRootItem(), CViewTree::kLast, kind);
        EXPECT_NE(mediator, nullptr) << kind;
        return *mediator;
    }
    CSpatialView& OpenView(QNodeMediator& mediator) {
        bool created = false;
        mediator.OpenView(mediator.GetKind(), created, true);
        testing::FlushEvents();
        auto* view = dynamic_cast<CSpatialView*>(mediator.GetSpatialView());
        EXPECT_NE(view, nullptr);
        return *view;
    }
    // A Compare Spatial or Blind Spot Reduction node with its view on the pane.
    CSpatialView& OpenTarget(uint16_t kind, int32_t pane) {
        target = &AddNode(kind);
        CSpatialView& view = OpenView(*target);
        SetPane(view, pane);
        return view;
    }
    void SetPane(CSpatialView& view, int32_t pane) {
        if (target->GetKind() == kTypeSpatialComparisonNode) {
            view.SetComparisonState(pane);
        } else {
            view.SetBlindSpotState(pane);
        }
    }
    // The ids of the scans in panes 0 and 1 (-1: none). Comparison: test, reference; blind spot:
    // upper, lower. The mediator's first scan is the reference or the upper one.
    std::pair<int, int> Panes() const {
        auto id = [this](bool first) {
            const CScanData* scan = target->GetComparedScan(first);
            return scan != nullptr ? static_cast<int>(scan->m_ScanId) : -1;
        };
        const bool comparison = target->GetKind() == kTypeSpatialComparisonNode;
        return comparison ? std::pair{id(false), id(true)} : std::pair{id(true), id(false)};
    }
    // Puts a copy of the source's scan into a pane directly (-1: empties it).
    void Preset(int32_t pane, int scanId) {
        const bool comparison = target->GetKind() == kTypeSpatialComparisonNode;
        const bool first = comparison ? pane == 1 : pane == 0;
        std::unique_ptr<CSpatialScanData> copy;
        if (scanId >= 0) {
            copy = source->GetSpatialScanData(scanId)->Clone();
            copy->m_ScanId = static_cast<uint32_t>(scanId);
            copy->m_Mediator = target;
        }
        ASSERT_TRUE(target->SetComparedScan(first, std::move(copy)));
    }
    // A drag of the list's row with scan `scanId` of `from` onto the view: enter, move, and the drop
    // when the move was accepted. Answers whether the move was accepted.
    bool Drag(CSpatialView& view, QNodeMediator* from, int32_t scanId, QPoint at = {300, 200},
              const char* mime = kScanMime) {
        List().SetDraggedScanData(from, scanId);
        QMimeData data;
        data.setData(mime, QByteArray("\x01\x00\x00\x00", 4));
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
        const bool accepted = move.isAccepted() && move.dropAction() == Qt::CopyAction;
        if (accepted) {
            QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&view, &drop);
        }
        List().ClearDraggedScanData();
        return accepted;
    }

    ProjectSandbox m_sandbox;
    TestMainFrame m_frame;
    std::vector<std::unique_ptr<TfrmMainApp>> m_projectList;
    QMdiArea m_area;
    CProjectArray m_projects;
    CProjectWindows m_windows;
    CChildFrame* m_project = nullptr;
    CFormViewSpatial::Maker m_previousPanel;
    QNodeMediator* source = nullptr;
    QNodeMediator* target = nullptr;
};

// --- The report picture ---

TEST_F(HeatMapDropTest, TheReportPictureIsDrawnAtTheExportSizeAndTheScreenStaysAsItWas) {
    CSpatialView& view = OpenView(*source);
    source->ShowScanData(1);
    testing::FlushEvents();
    ASSERT_NE(view.size(), QSize(CSpatialView::kExportWidth, CSpatialView::kExportHeight));
    const QImage before = view.grab().toImage();
    QGuiApplication::clipboard()->setText(QStringLiteral("the user's own"));

    view.CopyViewImageForReport(0);
    const CReportPictureHolder::Picture& held = CReportPictureHolder::Instance().Peek();
    ASSERT_EQ(held.image.size(), QSize(599, 455));
    EXPECT_EQ(held.layout, (std::array<int32_t, 2>{160, 0}));
    auto pixel = [&held](int x, int y) { return QColorToColorRef(held.image.pixelColor(x, y)); };
    // A white header; the map area framed as on the screen, its outer frame on the picture's edges.
    EXPECT_EQ(pixel(3, 10), 0xFFFFFFU);
    EXPECT_EQ(pixel(598, 60), 0xFFFFFFU);
    for (const QPoint at : {QPoint(0, 90), QPoint(0, 454), QPoint(598, 300), QPoint(300, 454)}) {
        EXPECT_EQ(pixel(at.x(), at.y()), CSpatialView::kReportFrameColour) << at.x() << "," << at.y();
    }
    EXPECT_EQ(pixel(1, 453), 0x747474U);
    // The map laid out for 637 x 500: (500 - 45 - 90 - 80) / 3 rows against (637 - 38 - 80) / 4
    // columns; each cell's colour where the layout put it.
    EXPECT_FLOAT_EQ(view.GetCellSize(), 95.0F);
    for (const auto& [row, column] : {std::pair{0, 0}, std::pair{1, 2}, std::pair{2, 3}}) {
        const CSpatialCell& cell = view.GetCell(row, column);
        const int x = (cell.m_ViewRect.left + cell.m_ViewRect.right) / 2;
        const int y = (cell.m_ViewRect.top + cell.m_ViewRect.bottom) / 2;
        EXPECT_EQ(pixel(x, y), cell.m_Colour) << row << "," << column;
    }
    // The report never went through the system clipboard.
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("the user's own"));
    EXPECT_EQ(view.GetLastInvalidation(), CSpatialView::Invalidation::WholeView);

    testing::FlushEvents();
    EXPECT_NE(view.GetCellSize(), 95.0F);
    EXPECT_EQ(view.grab().toImage(), before);
}

TEST_F(HeatMapDropTest, AReportPictureOfAnInputPaneWithoutDataShowsTheDropHint) {
    CSpatialView& view = OpenTarget(kTypeSpatialComparisonNode, 0);
    view.GetMessageTarget().Post(NodeMessage::kRefreshSpatialComparison);
    testing::FlushEvents();
    view.CopyViewImageForReport(0);
    const QImage& image = CReportPictureHolder::Instance().Peek().image;
    ASSERT_EQ(image.size(), QSize(599, 455));
    ASSERT_FALSE(view.GetDrawnTexts().empty());
    EXPECT_EQ(view.GetDrawnTexts().back().text, CSpatialView::kDropHintText);
    // The map area below the header and the tab strip, laid out for 637 x 500.
    constexpr int top = CSpatialView::kTopMargin + CSpatialView::kTabHeight;
    EXPECT_EQ(view.GetDrawnTexts().back().rect, QRect(0, top, 599, 500 - 45 - top));
    EXPECT_EQ(QColorToColorRef(image.pixelColor(300, top + 10)), CSpatialView::kBackgroundColour);
}

// --- Drag and drop ---

TEST_F(HeatMapDropTest, OnlyASpatialRowOverTheMapOfAnInputPaneIsTakenAndOnlyByTheTwoKinds) {
    CSpatialView& view = OpenTarget(kTypeSpatialComparisonNode, 0);
    EXPECT_EQ(CProjectDropTarget::GetCurrent(*target), &view);
    EXPECT_TRUE(view.acceptDrops());
    const QSize client = view.size();
    // The map area starts below the header and the tab strip. Over those, the colour-scale bar and
    // the option panel: no drop.
    constexpr int top = CSpatialView::kTopMargin + CSpatialView::kTabHeight;
    for (const QPoint at : {QPoint(300, 50), QPoint(300, top - 1), QPoint(client.width() - 38, 200),
                            QPoint(300, client.height() - 45)}) {
        EXPECT_FALSE(Drag(view, source, 1, at)) << at.x() << "," << at.y();
    }
    EXPECT_EQ(Panes(), (std::pair{-1, -1}));
    EXPECT_TRUE(Drag(view, source, 1, {client.width() - 39, top}));
    EXPECT_EQ(Panes(), (std::pair{1, -1}));
    // Not one of the project's formats; rows of a Spectral and of a Spectral/Spatial node; pane 2.
    EXPECT_FALSE(Drag(view, source, 2, {300, 200}, "text/uri-list"));
    QNodeMediator& spectral = AddNode(kTypeSpectralScanNode);
    QNodeMediator& components = AddNode(kTypeSpectralSpatialScanNode);
    EXPECT_FALSE(Drag(view, &spectral, 2));
    EXPECT_FALSE(Drag(view, &components, 2));
    view.SetComparisonState(2);
    EXPECT_FALSE(Drag(view, source, 2));
    view.SetComparisonState(1);
    EXPECT_TRUE(Drag(view, source, 2));
    EXPECT_EQ(Panes(), (std::pair{1, 2}));

    // A blind-spot view takes the drop target when it is pressed; a Spatial view never does, and
    // takes nothing even when a drag reaches it.
    target = &AddNode(kTypeBlindSpotReductionNode);
    CSpatialView& blindSpot = OpenView(*target);
    blindSpot.SetBlindSpotState(1);
    EXPECT_TRUE(Drag(blindSpot, source, 3));
    EXPECT_EQ(Panes(), (std::pair{-1, 3}));
    CSpatialView& spatial = OpenView(*source);
    spatial.OnLeftButtonDown({5, 5});
    EXPECT_FALSE(spatial.acceptDrops());
    EXPECT_FALSE(Drag(spatial, source, 1));
    view.OnLeftButtonDown({5, 5});
    EXPECT_EQ(CProjectDropTarget::GetCurrent(*target), &view);
    EXPECT_FALSE(blindSpot.acceptDrops());
    EXPECT_TRUE(Prompt().Texts().empty());
}

// --- Paste ---

TEST_F(HeatMapDropTest, PasteChecksTheScanAgainstTheOtherInputPane) {
    struct Row {
        const char* name;
        uint16_t kind;
        int32_t pane;
        std::pair<int, int> before;
        int pasted;
        PromptAnswer answer;
        std::pair<int, int> after;
        std::string prompt; // empty: none
    };
    const std::string error = "There is error as:\n";
    const std::vector<Row> rows = {
        {"test into an empty comparison",
         kTypeSpatialComparisonNode,
         0,
         {-1, -1},
         1,
         PromptAnswer::Ok,
         {1, -1},
         ""},
        {"test fitting the reference",
         kTypeSpatialComparisonNode,
         0,
         {3, 2},
         1,
         PromptAnswer::Ok,
         {1, 2},
         ""},
        {"test of another frequency, kept reference",
         kTypeSpatialComparisonNode,
         0,
         {-1, 2},
         3,
         PromptAnswer::Cancel,
         {-1, 2},
         error + "--- Different scan frequency.\nThe reference scan data will be removed if you continue !"},
        {"test of another frequency, reference removed",
         kTypeSpatialComparisonNode,
         0,
         {1, 2},
         3,
         PromptAnswer::Ok,
         {3, -1},
         error + "--- Different scan frequency.\nThe reference scan data will be removed if you continue !"},
        {"reference of another size",
         kTypeSpatialComparisonNode,
         1,
         {1, -1},
         4,
         PromptAnswer::Ok,
         {1, -1},
         error + "--- Different scanner size.\nThe scan data can't be used as the reference data !"},
        {"reference of another area",
         kTypeSpatialComparisonNode,
         1,
         {1, 2},
         5,
         PromptAnswer::Cancel,
         {1, 2},
         error + "--- Different scan area.\nThe scan data can't be used as the reference data !"},
        {"reference fitting the test",
         kTypeSpatialComparisonNode,
         1,
         {1, 3},
         2,
         PromptAnswer::Ok,
         {1, 2},
         ""},
        {"comparison result pane", kTypeSpatialComparisonNode, 2, {1, 2}, 3, PromptAnswer::Ok, {1, 2}, ""},
        {"upper pass of another frequency that overlaps",
         kTypeBlindSpotReductionNode,
         0,
         {-1, 1},
         3,
         PromptAnswer::Ok,
         {3, 1},
         ""},
        {"upper pass without overlap, kept lower",
         kTypeBlindSpotReductionNode,
         0,
         {-1, 6},
         5,
         PromptAnswer::Cancel,
         {-1, 6},
         error + "--- No overlapped scan area.\nThe lower scan data will be removed if you continue !"},
        {"upper pass without overlap, lower removed",
         kTypeBlindSpotReductionNode,
         0,
         {1, 6},
         5,
         PromptAnswer::Ok,
         {5, -1},
         error + "--- No overlapped scan area.\nThe lower scan data will be removed if you continue !"},
        {"lower pass without overlap",
         kTypeBlindSpotReductionNode,
         1,
         {5, -1},
         6,
         PromptAnswer::Ok,
         {5, -1},
         error + "--- No overlapped scan area.\nThe scan data can't be used as the lower data !"},
        {"lower pass of another size",
         kTypeBlindSpotReductionNode,
         1,
         {5, 1},
         4,
         PromptAnswer::Cancel,
         {5, 1},
         error + "--- Different scanner size.\nThe scan data can't be used as the lower data !"},
        {"lower pass that overlaps", kTypeBlindSpotReductionNode, 1, {5, 6}, 1, PromptAnswer::Ok, {5, 1}, ""},
        {"blind-spot result pane", kTypeBlindSpotReductionNode, 2, {5, 1}, 2, PromptAnswer::Ok, {5, 1}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CSpatialView& view = OpenTarget(row.kind, row.pane);
        Preset(0, row.before.first);
        Preset(1, row.before.second);
        const size_t asked = Prompt().Requests().size();
        if (!row.prompt.empty()) {
            Prompt().Script(row.answer);
        }
        view.PasteScanData(source, row.pasted);
        const std::vector<PromptRequest> requests = Prompt().Requests();
        if (row.prompt.empty()) {
            EXPECT_EQ(requests.size(), asked);
        } else {
            ASSERT_EQ(requests.size(), asked + 1);
            EXPECT_EQ(requests.back().text, row.prompt);
            EXPECT_EQ(requests.back().caption, "Warning");
            EXPECT_EQ(requests.back().buttons, PromptButtons::OkCancel);
        }
        EXPECT_EQ(Panes(), row.after);
        const bool comparison = row.kind == kTypeSpatialComparisonNode;
        if (const CScanData* copy = target->GetComparedScan(comparison ? row.pane == 1 : row.pane == 0);
            row.pane != 2 && copy != nullptr && static_cast<int>(copy->m_ScanId) == row.pasted) {
            // A copy of the node's own, not the source's scan.
            EXPECT_NE(copy, source->GetSpatialScanData(row.pasted));
            EXPECT_EQ(copy->m_Mediator, target);
        }
        testing::FlushEvents();
    }
}

TEST_F(HeatMapDropTest, MissingScansForeignNodesAndOtherKindsChangeNothing) {
    CSpatialView& view = OpenTarget(kTypeSpatialComparisonNode, 0);
    view.PasteScanData(source, 9);
    EXPECT_EQ(Prompt().Texts(), (std::vector<std::string>{"This scan data can't be pasted."}));
    const std::vector<PromptRequest> requests = Prompt().Requests();
    EXPECT_EQ(requests[0].caption, "Warning");
    EXPECT_EQ(requests[0].buttons, PromptButtons::Ok);
    EXPECT_EQ(requests[0].icon, PromptIcon::Information);
    // A node that is not part of the project (here: one without a tree item) is not even asked.
    test::TestMediator stranger(kTypeSpatialScanNode);
    ASSERT_TRUE(stranger.AddSpatialScanData(Grid(1, 150.0F, Area::All), false, false));
    view.PasteScanData(&stranger, 1);
    view.PasteScanData(nullptr, 1);
    EXPECT_EQ(Panes(), (std::pair{-1, -1}));
    // A Spatial view takes no scans.
    CSpatialView& spatial = OpenView(*source);
    m_project->GetDocument().SetModifiedFlag(false);
    spatial.PasteScanData(source, 2);
    testing::FlushEvents();
    EXPECT_FALSE(m_project->GetDocument().IsModified());
    EXPECT_EQ(Prompt().Texts().size(), 1U);
}

TEST_F(HeatMapDropTest, APasteMarksTheProjectRefreshesOnceAndRefillsTheListOfTheSelectedNode) {
    for (const uint16_t kind : {kTypeSpatialComparisonNode, kTypeBlindSpotReductionNode}) {
        SCOPED_TRACE(kind);
        CSpatialView& view = OpenTarget(kind, 0);
        // Another node is selected: the list stays as it is.
        Tree().SelectTreeNode(Tree().GetRecords().FindByMediator(source));
        source->FillScanDataList(kTypeSpatialScanNode);
        testing::FlushEvents();
        m_project->GetDocument().SetModifiedFlag(false);
        const int32_t redraws = view.GetRedrawCount();
        MessageThread& thread = GetUiMessageThread();
        const size_t pending = thread.GetPendingCount();
        view.PasteScanData(source, 1);
        // The project window's 10018 and the view's own refresh.
        EXPECT_EQ(thread.GetPendingCount(), pending + 2);
        EXPECT_EQ(view.GetRedrawCount(), redraws);
        testing::FlushEvents();
        EXPECT_TRUE(m_project->GetDocument().IsModified());
        EXPECT_EQ(view.GetDisplayMode(), kind == kTypeSpatialComparisonNode ? CSpatialView::kModeComparison
                                                                            : CSpatialView::kModeBlindSpot);
        EXPECT_EQ(view.GetCell(2, 3).m_HasData, 1);
        EXPECT_EQ(List().GetOwner(), source);
        EXPECT_EQ(List().topLevelItemCount(), 6);

        // The node selected: its inputs are listed after the paste.
        Tree().SelectTreeNode(Tree().GetRecords().FindByMediator(target));
        SetPane(view, 1);
        view.PasteScanData(source, 2);
        EXPECT_EQ(List().GetOwner(), target);
        EXPECT_EQ(List().topLevelItemCount(), 2);
        testing::FlushEvents();
    }
}

// The view drew the old test scan; the paste deletes it and a paint comes before the refresh.
TEST_F(HeatMapDropTest, APaintBetweenThePasteAndTheRefreshReadsOnlyTheNewScan) {
    for (const uint16_t kind : {kTypeSpatialComparisonNode, kTypeBlindSpotReductionNode}) {
        SCOPED_TRACE(kind);
        CSpatialView& view = OpenTarget(kind, 0);
        ASSERT_TRUE(Drag(view, source, 1));
        testing::FlushEvents();
        ASSERT_EQ(view.GetCell(0, 0).m_HasData, 1);
        ASSERT_TRUE(Drag(view, source, 5));
        view.repaint();
        view.CopyViewImageForReport(0);
        testing::FlushEvents();
        EXPECT_EQ(Panes().first, 5);
        EXPECT_EQ(view.GetCell(0, 3).m_HasData, 0);
        EXPECT_TRUE(CReportPictureHolder::Instance().HasPicture());

        // The node the scans came from goes: the copies are the node's own.
        Tree().SelectTreeNode(Tree().GetRecords().FindByMediator(source));
        ASSERT_TRUE(Project().DeleteSelectedNode());
        view.GetMessageTarget().Post(kind == kTypeSpatialComparisonNode
                                         ? NodeMessage::kRefreshSpatialComparison
                                         : NodeMessage::kRefreshBlindSpotReduction);
        testing::FlushEvents();
        view.repaint();
        EXPECT_EQ(view.GetCell(0, 0).m_HasData, 1);
        if (kind == kTypeSpatialComparisonNode) {
            // The second round needs a source again.
            source = &AddNode(kTypeSpatialScanNode);
            ASSERT_TRUE(source->AddSpatialScanData(Grid(1, 150.0F, Area::All), false, false));
            ASSERT_TRUE(source->AddSpatialScanData(Grid(5, 150.0F, Area::Left), false, false));
        }
    }
}

} // namespace
} // namespace orv
