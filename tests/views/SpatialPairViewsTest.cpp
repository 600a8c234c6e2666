// The Compare Spatial and Blind Spot Reduction views in their real frames, in a real project window
// with real nodes: the menus of their panes opened by real right clicks and read as lists, Paste
// from the project's copy slot, the description dialog's effect on the result, and the results of
// scans pasted through the menus.

#include "app/CDlgScanDataDescription.h"
#include "app/QtConversions.h"
#include "app/UiMessagePump.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewContextMenu.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "scandata/CSpatialScanData.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/MenuItems.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "views/spatial/CSpatialBlindSpotReductionView.h"
#include "views/spatial/CSpatialComparisonView.h"
#include "views/spatial/CViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace SpatialCommand;
using testing::ProjectSandbox;
using testing::TestMainFrame;

constexpr int16_t kNone = 30000;

std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "-" + info->name();
}

class AcceptingDescription : public CDlgScanDataDescription {
public:
    bool DoModal() override { return true; }
};

// A 3 x 4 grid at 150 MHz of the levels given (tenths of a dBuV, row by row).
QSpatialScanAddition Grid(int32_t id, std::vector<int16_t> values) {
    return test::SpatialGrid(id, 3, 4, std::move(values));
}

// Levels 10 to 120 dBuV, cell by cell.
std::vector<int16_t> Ramp() {
    std::vector<int16_t> values;
    for (int16_t i = 1; i <= 12; ++i) {
        values.push_back(static_cast<int16_t>(i * 100));
    }
    return values;
}

class SpatialPairViewsTest : public testing::QtWidgetTest {
public:
    ~SpatialPairViewsTest() override {
        CFormViewFactory::SetFrameMaker({});
        CViewFrame::SetDropTargetHook({});
        CDlgScanDataDescription::InstallMaker({});
        CFormViewSpatial::InstallMaker(m_previousPanel);
    }

protected:
    SpatialPairViewsTest()
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
        // Scan 1 a ramp; scan 2 the same ramp with cell (1, 2) 6 dB higher.
        source = &AddNode(kTypeSpatialScanNode);
        std::vector<int16_t> raised = Ramp();
        raised[6] = static_cast<int16_t>(raised[6] + 60);
        EXPECT_TRUE(source->AddSpatialScanData(Grid(1, Ramp()), false, false));
        EXPECT_TRUE(source->AddSpatialScanData(Grid(2, raised), false, false));
    }

    CViewTreeWidget& Tree() { return *m_project->GetProjectPane()->GetTree(); }
    TfrmMainApp& Project() { return *m_projects.FindProjectById(m_project->GetProjectId()); }
    QNodeMediator& AddNode(uint16_t kind) {
        QNodeMediator* mediator =
            Project().GetOpenProject()->AddNode(Tree().GetRootItem(), CViewTree::kLast, kind);
        EXPECT_NE(mediator, nullptr) << kind;
        return *mediator;
    }
    bool IsComparison() const { return target->GetKind() == kTypeSpatialComparisonNode; }
    // A Compare Spatial or Blind Spot Reduction node in its frame, with copies of the source's scans
    // in the panes asked for (0: none; comparison: test, reference; blind spot: upper, lower).
    CSpatialView& OpenTarget(uint16_t kind, int32_t pane0Scan, int32_t pane1Scan, int32_t pane) {
        target = &AddNode(kind);
        Preset(0, pane0Scan);
        Preset(1, pane1Scan);
        // As the tree opens it: the frame made, and the view told to show the node's scans.
        target->ViewNode();
        testing::FlushEvents();
        auto* view = dynamic_cast<CSpatialView*>(target->GetSpatialView());
        EXPECT_NE(view, nullptr);
        // The frame makes the node kind's own view.
        if (kind == kTypeSpatialComparisonNode) {
            EXPECT_NE(dynamic_cast<CSpatialComparisonView*>(view), nullptr);
        } else {
            EXPECT_NE(dynamic_cast<CSpatialBlindSpotReductionView*>(view), nullptr);
        }
        ShowPane(*view, pane);
        return *view;
    }
    // The pane chosen on the view's tab strip.
    void ShowPane(CSpatialView& view, int32_t pane) {
        CTabCtrlEx* tabs = view.GetTabStrip(IsComparison() ? CSpatialView::TabStrip::Comparison
                                                           : CSpatialView::TabStrip::BlindSpot);
        ASSERT_NE(tabs, nullptr);
        tabs->setCurrentIndex(pane);
        testing::FlushEvents();
        ASSERT_EQ(IsComparison() ? view.GetComparisonPane() : view.GetBlindSpotPane(), pane);
    }
    bool IntoFirst(int32_t pane) const { return IsComparison() ? pane == 1 : pane == 0; }
    void Preset(int32_t pane, int32_t scanId) {
        if (scanId == 0) {
            return;
        }
        std::unique_ptr<CSpatialScanData> copy = source->GetSpatialScanData(scanId)->Clone();
        copy->m_ScanId = static_cast<uint32_t>(scanId);
        copy->m_Mediator = target;
        ASSERT_TRUE(target->SetComparedScan(IntoFirst(pane), std::move(copy)));
    }
    CSpatialScanData* PaneScan(int32_t pane) const {
        return dynamic_cast<CSpatialScanData*>(target->GetComparedScan(IntoFirst(pane)));
    }
    // Right-clicks the view and chooses the command (0: none); answers the menu as it was offered,
    // empty when none was.
    std::vector<std::string> RightClick(CSpatialView& view, uint32_t command) {
        std::vector<std::string> offered;
        view.SetMenuRunner([&](QMenu& menu, const QPoint& /*at*/) -> QAction* {
            offered = testing::MenuItems(menu);
            return command != 0 ? CViewTreeMenu::FindCommand(menu, command) : nullptr;
        });
        QTest::mouseClick(&view, Qt::RightButton, {}, QPoint(300, 250));
        testing::FlushEvents();
        return offered;
    }
    // A stored zoom window (rows 1-2, columns 0-1) on the pane's scan, as a scan kept zoomed brings it.
    static void Zoom(CSpatialView& view, CScanData& scan) {
        scan.m_SpatialZoomed = 1;
        scan.m_SpatialZoomWindow = {1, 0, 2, 1};
        view.RedrawView(nullptr, CSpatialView::kRedrawMap);
        ASSERT_TRUE(view.IsZoomed());
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

std::vector<std::string> InputMenu() {
    return {"Reset Zoom [off]", "Previous Zoom [off]", "-", "Open Scan Data Description", "-",
            "Copy Image",       "Paste [off]"};
}

std::vector<std::string> ResultMenu() {
    return {"Reset Zoom [off]", "Previous Zoom [off]", "-", "Copy Image"};
}

TEST_F(SpatialPairViewsTest, EachPaneWithAndWithoutItsScan) {
    struct Row {
        const char* what;
        uint16_t kind;
        int32_t pane0Scan;
        int32_t pane1Scan;
        int32_t pane;
        std::vector<std::string> items;
    };
    const Row rows[] = {
        {"comparison, test pane", kTypeSpatialComparisonNode, 2, 1, 0, InputMenu()},
        {"comparison, reference pane", kTypeSpatialComparisonNode, 2, 1, 1, InputMenu()},
        {"comparison pane", kTypeSpatialComparisonNode, 2, 1, 2, ResultMenu()},
        {"comparison, no reference: test pane", kTypeSpatialComparisonNode, 2, 0, 0, InputMenu()},
        {"comparison, no reference: reference pane", kTypeSpatialComparisonNode, 2, 0, 1, {"Paste [off]"}},
        {"comparison, no reference: comparison pane", kTypeSpatialComparisonNode, 2, 0, 2, {}},
        {"comparison, no test: test pane", kTypeSpatialComparisonNode, 0, 1, 0, {"Paste [off]"}},
        {"comparison, no test: comparison pane", kTypeSpatialComparisonNode, 0, 1, 2, {}},
        {"blind spot, upper pane", kTypeBlindSpotReductionNode, 1, 2, 0, InputMenu()},
        {"blind spot, lower pane", kTypeBlindSpotReductionNode, 1, 2, 1, InputMenu()},
        {"blind spot, result pane", kTypeBlindSpotReductionNode, 1, 2, 2, ResultMenu()},
        {"blind spot, no lower: upper pane", kTypeBlindSpotReductionNode, 1, 0, 0, InputMenu()},
        {"blind spot, no lower: lower pane", kTypeBlindSpotReductionNode, 1, 0, 1, {"Paste [off]"}},
        {"blind spot, no lower: result pane", kTypeBlindSpotReductionNode, 1, 0, 2, {}},
        {"blind spot, nothing: upper pane", kTypeBlindSpotReductionNode, 0, 0, 0, {"Paste [off]"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CSpatialView& view = OpenTarget(row.kind, row.pane0Scan, row.pane1Scan, row.pane);
        EXPECT_EQ(RightClick(view, 0), row.items);
    }
    EXPECT_STREQ(CViewContextMenu::PopupName(317, 4), "Spatial Comparison Right Click");
    EXPECT_STREQ(CViewContextMenu::PopupName(317, 5), "Spatial Comparison Right Click-1");
}

TEST_F(SpatialPairViewsTest, ZoomEntriesGoIn3DAndAreGreyedUntilZoomed) {
    for (const uint16_t kind : {kTypeSpatialComparisonNode, kTypeBlindSpotReductionNode}) {
        SCOPED_TRACE(kind);
        CSpatialView& view = OpenTarget(kind, 2, 1, 0);
        Zoom(view, *PaneScan(0));
        EXPECT_EQ(RightClick(view, 0),
                  (std::vector<std::string>{"Reset Zoom", "Previous Zoom", "-", "Open Scan Data Description",
                                            "-", "Copy Image", "Paste [off]"}));
        view.Show3DView(true);
        testing::FlushEvents();
        EXPECT_EQ(RightClick(view, 0),
                  (std::vector<std::string>{"Open Scan Data Description", "-", "Copy Image", "Paste [off]"}));
        ShowPane(view, 2);
        EXPECT_EQ(RightClick(view, 0), std::vector<std::string>{"Copy Image"});
        view.Show3DView(false);
        testing::FlushEvents();
    }
}

TEST_F(SpatialPairViewsTest, PasteIsOfferedOnlyForASpatialNodeStillInTheProject) {
    for (const uint16_t kind : {kTypeSpatialComparisonNode, kTypeBlindSpotReductionNode}) {
        SCOPED_TRACE(kind);
        CSpatialView& view = OpenTarget(kind, 0, 0, 0);
        Project().SetCopiedScanData(nullptr, -1);
        // Nothing copied; a Spectral node's scan.
        EXPECT_EQ(RightClick(view, 0), std::vector<std::string>{"Paste [off]"});
        QNodeMediator& spectral = AddNode(kTypeSpectralScanNode);
        Project().SetCopiedScanData(&spectral, 1);
        EXPECT_EQ(RightClick(view, kPaste), std::vector<std::string>{"Paste [off]"});
        EXPECT_EQ(PaneScan(0), nullptr);

        // A Spatial node of another project.
        CChildFrame* other = m_windows.NewDocument();
        ASSERT_TRUE(testing::ProcessEventsUntil([other] { return !other->GetView()->IsBuildPending(); }));
        TfrmMainApp& otherProject = *m_projects.FindProjectById(other->GetProjectId());
        QNodeMediator* foreign = otherProject.GetOpenProject()->AddNode(
            other->GetProjectPane()->GetTree()->GetRootItem(), CViewTree::kLast, kTypeSpatialScanNode);
        ASSERT_NE(foreign, nullptr);
        ASSERT_TRUE(foreign->AddSpatialScanData(Grid(1, Ramp()), false, false));
        Project().SetCopiedScanData(foreign, 1);
        EXPECT_EQ(RightClick(view, kPaste), std::vector<std::string>{"Paste [off]"});
        EXPECT_EQ(PaneScan(0), nullptr);
        m_project->parentWidget()->showMaximized();
        testing::FlushEvents();

        // A Spatial node deleted since: the gone node is never read.
        QNodeMediator& gone = AddNode(kTypeSpatialScanNode);
        ASSERT_TRUE(gone.AddSpatialScanData(Grid(1, Ramp()), false, false));
        Project().SetCopiedScanData(&gone, 1);
        Tree().SelectTreeNode(Tree().GetRecords().FindByMediator(&gone));
        ASSERT_TRUE(Project().DeleteSelectedNode());
        testing::FlushEvents();
        EXPECT_EQ(RightClick(view, kPaste), std::vector<std::string>{"Paste [off]"});
        EXPECT_EQ(PaneScan(0), nullptr);

        // A Spatial node of the project: offered, and the pane takes its scan.
        Project().SetCopiedScanData(source, 2);
        EXPECT_EQ(RightClick(view, kPaste), std::vector<std::string>{"Paste"});
        ASSERT_NE(PaneScan(0), nullptr);
        EXPECT_EQ(PaneScan(0)->m_ScanId, 2U);
        // The pane shows it now: the full menu, Paste still offered.
        EXPECT_EQ(RightClick(view, 0).back(), "Paste");
    }
}

TEST_F(SpatialPairViewsTest, AnAcceptedDescriptionOfTheFirstPaneRebuildsTheResult) {
    std::vector<int32_t> panes;
    CDlgScanDataDescription::InstallMaker(
        [&](QNodeMediator& /*mediator*/, int32_t /*scanId*/, int32_t pane, QWidget* /*parent*/) {
            panes.push_back(pane);
            return std::make_unique<AcceptingDescription>();
        });
    for (const uint16_t kind : {kTypeSpatialComparisonNode, kTypeBlindSpotReductionNode}) {
        for (const int32_t pane : {0, 1}) {
            SCOPED_TRACE(::testing::Message() << kind << " pane " << pane);
            CSpatialView& view = OpenTarget(kind, 2, 1, 2);
            view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
            ASSERT_FALSE(target->IsComparedResultChanged());
            // The result as it was made, marked.
            CScanData* made = target->GetComparedResult();
            ASSERT_NE(made, nullptr);
            made->m_ModuleText = "made before";
            ShowPane(view, pane);
            panes.clear();
            RightClick(view, kOpenScanDataDescription);
            EXPECT_EQ(panes, std::vector<int32_t>{pane});
            EXPECT_EQ(target->IsComparedResultChanged(), pane == 0);
            ShowPane(view, 2);
            view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
            ASSERT_NE(target->GetComparedResult(), nullptr);
            EXPECT_EQ(target->GetComparedResult()->m_ModuleText == "made before", pane != 0);
        }
    }
}

TEST_F(SpatialPairViewsTest, PreviousZoomWithoutHistoryShowsTheWholeGridAndCopyImageFillsTheClipboard) {
    for (const uint16_t kind : {kTypeSpatialComparisonNode, kTypeBlindSpotReductionNode}) {
        SCOPED_TRACE(kind);
        CSpatialView& view = OpenTarget(kind, 2, 1, 2);
        view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
        CScanData& result = *target->GetComparedResult();
        Zoom(view, result);
        ASSERT_TRUE(view.GetZoomHistory().empty());
        EXPECT_EQ(RightClick(view, kPreviousZoom)[1], "Previous Zoom");
        EXPECT_FALSE(view.IsZoomed());
        EXPECT_EQ(result.m_SpatialZoomed, 0);
        // Reset Zoom while not zoomed: greyed and nothing done.
        const int32_t redraws = view.GetRedrawCount();
        RightClick(view, kResetZoom);
        EXPECT_EQ(view.GetRedrawCount(), redraws);

        QGuiApplication::clipboard()->clear();
        RightClick(view, kCopyImage);
        const QImage copied = QGuiApplication::clipboard()->image();
        EXPECT_EQ(copied.size(), QSize(view.width(), view.height() - CSpatialView::kBottomMargin + 2));
    }
}

TEST_F(SpatialPairViewsTest, ScansPastedThroughTheMenuOfACompareSpatialNode) {
    CSpatialView& view = OpenTarget(kTypeSpatialComparisonNode, 0, 0, 0);
    Project().SetCopiedScanData(source, 2);
    RightClick(view, kPaste);
    ShowPane(view, 1);
    Project().SetCopiedScanData(source, 1);
    RightClick(view, kPaste);
    ShowPane(view, 2);
    view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    ASSERT_NE(target->GetComparedResult(), nullptr);
    const CSpatialCell& raised = view.GetCell(1, 2);
    EXPECT_FLOAT_EQ(raised.m_Amplitude, 6.0F);
    for (int32_t r = 0; r < 3; ++r) {
        for (int32_t c = 0; c < 4; ++c) {
            if (r != 1 || c != 2) {
                EXPECT_EQ(view.GetCell(r, c).m_HasData, 1);
                EXPECT_FLOAT_EQ(view.GetCell(r, c).m_Amplitude, 0.0F) << r << "," << c;
            }
        }
    }
    ASSERT_EQ(view.GetLegendTexts().size(), 2U);
    EXPECT_EQ(view.GetLegendTexts()[1].text, "      Comparison Amplitude[0.00    to  6.00   dB]      ");
    // The two values in the two ends' colours, on the view at the cells' centres.
    auto centre = [&](const CSpatialCell& cell) {
        return QColorToColorRef(testing::PixelAt(view.GetViewImage(),
                                                 (cell.m_ViewRect.left + cell.m_ViewRect.right) / 2,
                                                 (cell.m_ViewRect.top + cell.m_ViewRect.bottom) / 2));
    };
    const CSpatialCell& level = view.GetCell(0, 0);
    EXPECT_EQ(level.m_ColourIndex, 0);
    EXPECT_GT(raised.m_ColourIndex, level.m_ColourIndex);
    EXPECT_EQ(centre(raised), raised.m_Colour);
    EXPECT_EQ(centre(level), level.m_Colour);
    EXPECT_NE(raised.m_Colour, level.m_Colour);
}

TEST_F(SpatialPairViewsTest, TwoPassesPastedThroughTheMenuOfABlindSpotReductionNode) {
    // The lower pass lies one row lower than the upper one: its row r meets the upper's row r + 1.
    std::vector<int16_t> upper = Ramp();
    upper[2 * 4 + 3] = kNone;
    std::vector<int16_t> lower(12, 50);
    lower[0 * 4 + 1] = 900; // above the upper's 60 dBuV at (1, 1)
    ASSERT_TRUE(source->AddSpatialScanData(Grid(3, upper), false, false));
    ASSERT_TRUE(source->AddSpatialScanData(Grid(4, lower), false, false));
    CSpatialView& view = OpenTarget(kTypeBlindSpotReductionNode, 0, 0, 0);
    Project().SetCopiedScanData(source, 3);
    RightClick(view, kPaste);
    ShowPane(view, 1);
    Project().SetCopiedScanData(source, 4);
    RightClick(view, kPaste);
    ShowPane(view, 2);
    view.RedrawView(nullptr, CSpatialView::kRedrawPaint);
    ASSERT_NE(target->GetComparedResult(), nullptr);
    // Row 0 has no lower cell above it: the upper's 20 dBuV.
    EXPECT_FLOAT_EQ(view.GetCell(0, 1).m_Amplitude, 20.0F);
    // The larger of the upper's 60 dBuV and the lower's 90 dBuV one row up.
    EXPECT_FLOAT_EQ(view.GetCell(1, 1).m_Amplitude, 90.0F);
    // No upper value, no result.
    EXPECT_EQ(view.GetCell(2, 3).m_HasData, 0);
    ASSERT_EQ(view.GetLegendTexts().size(), 4U);
    EXPECT_EQ(view.GetLegendTexts()[0].text, CSpatialBlindSpotReductionView::kTitle);
}

} // namespace
} // namespace orv
