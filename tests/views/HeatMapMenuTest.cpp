// The heat map's right-click menu and its commands, and the copy of the view as it is on screen, in
// a real project window with real nodes; the menus are opened by real right clicks.

#include "app/CDlgScanDataDescription.h"
#include "app/UiMessagePump.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewContextMenu.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionDoc.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"
#include "core/QProbeScanPattern.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "project/QExportFileChooser.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "scandata/CScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/MenuItems.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/CViewFrameMaker.h"
#include "views/spectral/CSpectralView.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace SpatialCommand;
using testing::ProjectSandbox;
using testing::TestMainFrame;

std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "-" + info->name();
}

class RecordingChooser : public QExportFileChooser {
public:
    std::optional<std::string> ChooseSaveFile(const QExportFileRequest& /*request*/) override {
        ++asked;
        return std::nullopt;
    }
    int asked = 0;
};

class AnsweringDescription : public CDlgScanDataDescription {
public:
    bool DoModal() override { return true; }
};

class HeatMapMenuTest : public testing::QtWidgetTest {
public:
    ~HeatMapMenuTest() override {
        CFormViewFactory::SetFrameMaker({});
        CFormViewFactory::SetSettingsMaker({});
        CDlgScanDataDescription::InstallMaker({});
        InstallExportFileChooser(nullptr);
        CFormViewSpatial::InstallMaker(m_previousPanel);
    }

protected:
    HeatMapMenuTest()
        : m_sandbox(TestName()),
          m_projects(m_frame, m_projectList, m_sandbox.StorageFactory(m_frame, GetUiMessageThread()),
                     m_sandbox.Maker(m_frame, GetUiMessageThread())),
          m_windows(m_area, m_projects) {
        m_area.resize(1400, 1000);
        m_area.show();
        CViewFrameMaker::Install();
        m_previousPanel = CFormViewSpatial::InstallMaker([this](CSpatialView& /*view*/, QWidget* parent) {
            auto panel = std::make_unique<test::RecordingSpatialPanel>(parent);
            m_panel = panel.get();
            return panel;
        });
        CFormViewFactory::SettingsMaker settings;
        settings.makeSheet = [this](const std::string& caption, CHalvionView&, int32_t) {
            return std::make_unique<testing::RecordingSheet>(caption, m_sheetLog);
        };
        CFormViewFactory::SetSettingsMaker(settings);
        m_project = m_windows.NewDocument();
        EXPECT_TRUE(testing::ProcessEventsUntil([this] { return !m_project->GetView()->IsBuildPending(); }));
        m_project->parentWidget()->showMaximized();
        testing::FlushEvents();
    }

    CViewTreeWidget& Tree() { return *m_project->GetProjectPane()->GetTree(); }
    TfrmMainApp& Project() { return *m_projects.FindProjectById(m_project->GetProjectId()); }
    ScriptedPrompt& Prompt() { return m_sandbox.Prompt(); }
    QNodeMediator& AddNode(uint16_t kind, CTreeItem* parent = nullptr) {
        QNodeMediator* mediator = Project().GetOpenProject()->AddNode(
            parent != nullptr ? parent : Tree().GetRootItem(), CViewTree::kLast, kind);
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
    // A node of the kind; with data it shows scan 1: a 3 x 4 grid (Spatial) or 3 x 3 cells of a
    // spectral/spatial or hand-held probe scan. A user composite takes a spectral/spatial node's scan.
    CSpatialView& Node(uint16_t kind, bool data, QNodeMediator*& node) {
        if (kind == kTypeSpectralSpatialUserCompositeNode) {
            QNodeMediator* source = nullptr;
            Node(kTypeSpectralSpatialScanNode, true, source);
            node = &AddNode(kind, Tree().GetRecords().FindByMediator(source));
            node->CreateUserComposite(*source);
            CSpatialView& view = OpenView(*node);
            // The composite's panes show the linked scan as a spectral/spatial node's panes show theirs.
            view.GetMessageTarget().Post(NodeMessage::kShowSpectralSpatialScan);
            testing::FlushEvents();
            return view;
        }
        node = &AddNode(kind);
        if (data && kind == kTypeSpatialScanNode) {
            std::vector<int16_t> values;
            for (int16_t i = 1; i <= 12; ++i) {
                values.push_back(static_cast<int16_t>(i * 100));
            }
            EXPECT_TRUE(node->AddSpatialScanData(test::SpatialGrid(1, 3, 4, values), false, false));
        } else if (data) {
            uint32_t index = 1;
            for (uint16_t r = 0; r < 3; ++r) {
                for (uint16_t c = 0; c < 3; ++c) {
                    const auto level = static_cast<int16_t>(200 + 10 * index);
                    QCellAddition cell = test::SpectralSpatialCell(1, index++, 9, r, c, {level, level});
                    cell.m_Record.m_Rows = 3;
                    cell.m_Record.m_Columns = 3;
                    EXPECT_TRUE(kind == kTypeHandHeldProbeScanNode
                                    ? node->AddHandHeldProbeScanData(std::move(cell), false)
                                    : node->AddSpectralSpatialScanData(std::move(cell), false));
                }
            }
        }
        CSpatialView& view = OpenView(*node);
        if (data) {
            node->ShowScanData(1);
            testing::FlushEvents();
        }
        return view;
    }
    // Zooms the shown scan to rows 1-2, columns 0-1, as a scan stored zoomed would bring it.
    static void Zoom(CSpatialView& view, CScanData& scan) {
        scan.m_SpatialZoomed = 1;
        scan.m_SpatialZoomWindow = {1, 0, 2, 1};
        view.RedrawView(nullptr, CSpatialView::kRedrawMap);
        ASSERT_TRUE(view.IsZoomed());
    }
    // Chooses the command from the menu of a right click; a command the menu does not offer (the
    // excluding modes, which every node kind takes out) is carried out as the menu would.
    void Choose(CSpatialView& view, uint32_t command) {
        bool offered = false;
        view.SetMenuRunner([&](QMenu& menu, const QPoint& /*at*/) -> QAction* {
            QAction* action = CViewTreeMenu::FindCommand(menu, command);
            offered = action != nullptr;
            return action;
        });
        QTest::mouseClick(&view, Qt::RightButton, {}, m_clickPoint);
        if (!offered) {
            view.OnContextCommand(command);
        }
    }
    // Right-clicks the view and chooses the command (0: none); answers the menu as it was offered.
    std::vector<std::string> RightClick(CSpatialView& view, uint32_t command) {
        std::vector<std::string> offered;
        view.SetMenuRunner([&](QMenu& menu, const QPoint& at) -> QAction* {
            offered = testing::MenuItems(menu);
            m_menuPoint = at;
            return command != 0 ? CViewTreeMenu::FindCommand(menu, command) : nullptr;
        });
        QTest::mouseClick(&view, Qt::RightButton, {}, m_clickPoint);
        return offered;
    }

    ProjectSandbox m_sandbox;
    TestMainFrame m_frame;
    std::vector<std::unique_ptr<TfrmMainApp>> m_projectList;
    QMdiArea m_area;
    CProjectArray m_projects;
    CProjectWindows m_windows;
    CChildFrame* m_project = nullptr;
    testing::FactoryLog m_sheetLog;
    CFormViewSpatial::Maker m_previousPanel;
    test::RecordingSpatialPanel* m_panel = nullptr;
    QPoint m_clickPoint{300, 200};
    QPoint m_menuPoint;
};

// --- The menus ---

TEST_F(HeatMapMenuTest, TheMenuOfEachNodeKindIn2DAnd3D) {
    struct Row {
        const char* name;
        uint16_t kind;
        bool data;
        bool threeD;
        std::vector<std::string> items;
    };
    const std::vector<std::string> spatial2D = {"Run Once",
                                                "Run Continuously",
                                                "Stop Scan [off]",
                                                "-",
                                                "Reset Zoom [off]",
                                                "Previous Zoom [off]",
                                                "-",
                                                "Export Spatial Data",
                                                "Open Scan Data Description",
                                                "Edit Overlay",
                                                "Select Zoom Cells For New Scan [off]",
                                                "-",
                                                "Copy Scan Data",
                                                "Copy Image",
                                                "Settings"};
    const std::vector<std::string> cells2D = {"Run Once",
                                              "Stop Scan [off]",
                                              "-",
                                              "Reset Zoom [off]",
                                              "Previous Zoom [off]",
                                              "-",
                                              "Single Cell Select [x]",
                                              "Multi-Cells Select",
                                              "-",
                                              "Clear Selected Cells",
                                              "-",
                                              "Export Spatial Data",
                                              "Open Scan Data Description",
                                              "Edit Overlay",
                                              "Select Zoom Cells For New Scan [off]",
                                              "-",
                                              "Copy Image",
                                              "Settings"};
    const std::vector<std::string> cells3D = {
        "Run Once", "Stop Scan [off]", "-",       "Export Spatial Data", "Open Scan Data Description",
        "-",        "Copy Image",      "Settings"};
    const std::vector<Row> rows = {
        {"spatial", kTypeSpatialScanNode, true, false, spatial2D},
        // The removals by position take Copy Scan Data too.
        {"spatial 3D",
         kTypeSpatialScanNode,
         true,
         true,
         {"Run Once", "Run Continuously", "Stop Scan [off]", "-", "Export Spatial Data",
          "Open Scan Data Description", "-", "Copy Image", "Settings"}},
        {"spectral/spatial", kTypeSpectralSpatialScanNode, true, false, cells2D},
        {"spectral/spatial 3D", kTypeSpectralSpatialScanNode, true, true, cells3D},
        {"hand-held probe", kTypeHandHeldProbeScanNode, true, false, cells2D},
        {"hand-held probe 3D", kTypeHandHeldProbeScanNode, true, true, cells3D},
        {"user composite",
         kTypeSpectralSpatialUserCompositeNode,
         true,
         false,
         {"Reset Zoom [off]", "Previous Zoom [off]", "Open Scan Data Description", "Edit Overlay", "-",
          "Copy Image", "Settings"}},
        {"user composite 3D",
         kTypeSpectralSpatialUserCompositeNode,
         true,
         true,
         {"Open Scan Data Description", "-", "Copy Image"}},
        {"spatial, no data",
         kTypeSpatialScanNode,
         false,
         false,
         {"Run Once", "Run Continuously", "Stop Scan [off]", "-", "Settings"}},
        {"spatial, no data, 3D",
         kTypeSpatialScanNode,
         false,
         true,
         {"Run Once", "Run Continuously", "Stop Scan [off]"}},
        {"spectral/spatial, no data",
         kTypeSpectralSpatialScanNode,
         false,
         false,
         {"Run Once", "Stop Scan [off]", "-", "Settings"}},
    };
    m_frame.engine.SetState(2);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QNodeMediator* node = nullptr;
        CSpatialView& view = Node(row.kind, row.data, node);
        view.Show3DView(row.threeD);
        EXPECT_EQ(RightClick(view, 0), row.items);
        EXPECT_EQ(m_menuPoint, view.mapToGlobal(m_clickPoint) + QPoint(10, 0));
        // The view's node became the tree's selected one.
        EXPECT_EQ(Tree().GetSelectedTreeNode(), Tree().GetRecords().FindByMediator(node));
        view.Show3DView(false);
    }
}

TEST_F(HeatMapMenuTest, RunStatesInterleavingZoomAndTheSelectionModeChecked) {
    QNodeMediator* spatial = nullptr;
    CSpatialView& map = Node(kTypeSpatialScanNode, true, spatial);
    m_frame.engine.SetState(12);
    std::vector<std::string> items = RightClick(map, 0);
    ASSERT_GE(items.size(), 3U);
    EXPECT_EQ(std::vector<std::string>(items.begin(), items.begin() + 3),
              (std::vector<std::string>{"Run Once [off]", "Run Continuously [off]", "Stop Scan"}));

    // An interleaved scan cannot run continuously; zoomed, the zoom commands are offered.
    ASSERT_NE(spatial->GetScanOptions(), nullptr);
    spatial->GetScanOptions()->SetInterleavedScan(1);
    Zoom(map, *spatial->GetCurrentSpatialScanData());
    m_frame.engine.SetState(2);
    items = RightClick(map, 0);
    EXPECT_EQ(items, (std::vector<std::string>{
                         "Run Once", "Stop Scan [off]", "-", "Reset Zoom", "Previous Zoom", "-",
                         "Export Spatial Data", "Open Scan Data Description", "Edit Overlay",
                         "Select Zoom Cells For New Scan", "-", "Copy Scan Data", "Copy Image", "Settings"}));

    // Stop Scan of the menu without data stops a running first scan.
    QNodeMediator* empty = nullptr;
    CSpatialView& blank = Node(kTypeSpectralSpatialScanNode, false, empty);
    m_frame.engine.SetState(12);
    EXPECT_EQ(RightClick(blank, kStopScanNoData),
              (std::vector<std::string>{"Run Once [off]", "Stop Scan", "-", "Settings"}));
    EXPECT_EQ(m_frame.stopRequests, std::vector<int32_t>{static_cast<int32_t>(m_project->GetProjectId())});

    // The mode checked follows the view's single flag and the scan's exclude byte.
    QNodeMediator* cells = nullptr;
    CSpatialView& view = Node(kTypeSpectralSpatialScanNode, true, cells);
    struct Mode {
        bool single;
        uint8_t exclude;
        std::vector<std::string> offered;
    };
    // The excluding modes are not offered here: with one of them in force neither mode is checked.
    for (const Mode& mode : {Mode{true, 0, {"Single Cell Select [x]", "Multi-Cells Select"}},
                             Mode{false, 0, {"Single Cell Select", "Multi-Cells Select [x]"}},
                             Mode{true, 1, {"Single Cell Select", "Multi-Cells Select"}},
                             Mode{false, 1, {"Single Cell Select", "Multi-Cells Select"}}}) {
        view.SetSingleCellSelect(mode.single);
        cells->GetCurrentSpectralSpatialScanData()->m_PointFlag = mode.exclude;
        items = RightClick(view, 0);
        ASSERT_GE(items.size(), 8U);
        EXPECT_EQ(std::vector<std::string>(items.begin() + 6, items.begin() + 8), mode.offered);
    }
}

TEST(HeatMapMenuTable, TheExcludingModesAreCheckedWhereAKindOffersThem) {
    testing::EnsureTestApplication();
    // No node kind offers the excluding modes, so the full table of checks is read off the popup as
    // the Part's steps leave it before the removals by kind.
    CSpatialView::MenuState state;
    state.nodeKind = kTypeSpatialComparisonNode;
    state.hasData = true;
    for (const bool single : {true, false}) {
        for (const bool exclude : {true, false}) {
            state.singleSelect = single;
            state.exclude = exclude;
            const std::vector<std::string> items = testing::MenuItems(*CSpatialView::BuildContextMenu(state));
            ASSERT_GE(items.size(), 11U);
            const std::vector<std::string> modes(items.begin() + 7, items.begin() + 11);
            std::vector<std::string> expected = {"Single Cell Select", "Multi-Cells Select",
                                                 "Single Cell Excluding", "Multi-Cells Excluding"};
            expected[(exclude ? 2 : 0) + (single ? 0 : 1)] += " [x]";
            EXPECT_EQ(modes, expected) << single << exclude;
        }
    }
    EXPECT_STREQ(CViewContextMenu::PopupName(317, 2), "Spatial Right Click");
    EXPECT_STREQ(CViewContextMenu::PopupName(317, 6), "Right Click When No Data");
    EXPECT_STREQ(CViewContextMenu::PopupName(317, 8), "Spatial Right Click in SS User Composite");
    // Add User Composite Node stands in none of the popups.
    for (const int popup : {2, 6, 8}) {
        EXPECT_EQ(CViewTreeMenu::FindCommand(*CViewContextMenu::BuildPopup(317, popup), kAddUserComposite),
                  nullptr);
    }
}

// --- The commands ---

TEST_F(HeatMapMenuTest, ASelectionModeEmptiesTheSelectionOnlyWhenItsMeaningChanges) {
    QNodeMediator* node = nullptr;
    CSpatialView& view = Node(kTypeSpectralSpatialScanNode, true, node);
    auto* spectral = dynamic_cast<CSpectralView*>(node->GetSpectralView());
    ASSERT_NE(spectral, nullptr);
    CScanData& scan = *node->GetCurrentSpectralSpatialScanData();
    struct Row {
        uint32_t from;
        uint32_t to;
        bool emptied;
        bool single;
        uint8_t exclude;
    };
    const std::vector<Row> rows = {
        {kSingleCellSelect, kMultiCellsSelect, false, false, 0},
        {kMultiCellsSelect, kSingleCellSelect, true, true, 0},
        {kSingleCellExcluding, kMultiCellsExcluding, false, false, 1},
        {kMultiCellsExcluding, kSingleCellExcluding, true, true, 1},
        {kMultiCellsSelect, kMultiCellsExcluding, true, false, 1},
        {kMultiCellsExcluding, kMultiCellsSelect, true, false, 0},
        {kSingleCellSelect, kSingleCellExcluding, true, true, 1},
        {kMultiCellsSelect, kMultiCellsSelect, false, false, 0},
        {kMultiCellsExcluding, kClearSelectedCells, true, false, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.from << " -> " << row.to);
        view.OnContextCommand(row.from);
        testing::FlushEvents();
        scan.m_Points = {{0, 0}, {1, 1}};
        const int32_t redraws = view.GetRedrawCount();
        const int32_t renders = spectral->GetRenderCount();

        Choose(view, row.to);
        EXPECT_EQ(scan.m_Points.size(), row.emptied ? 0U : 2U);
        EXPECT_EQ(view.IsSingleCellSelect(), row.single);
        EXPECT_EQ(scan.m_PointFlag, row.exclude);
        // The map redrew its selection at once; the spectral pane reloads at its next layout.
        EXPECT_EQ(view.GetRedrawCount(), redraws + 1);
        EXPECT_EQ(view.GetLastRedrawKind(), CSpatialView::kRedrawSelection);
        EXPECT_TRUE(spectral->IsReloadPending());
        testing::FlushEvents();
        EXPECT_EQ(spectral->GetRenderCount(), renders + 1);
        EXPECT_FALSE(spectral->IsReloadPending());
    }
}

TEST_F(HeatMapMenuTest, SelectZoomCellsAsksThenGivesTheNodeThePatternOfTheZoomWindow) {
    QNodeMediator* node = nullptr;
    CSpatialView& view = Node(kTypeSpatialScanNode, true, node);
    Zoom(view, *node->GetCurrentSpatialScanData());
    QProbeScanPatternOptions* options = node->GetFirstProbePatternOptions();
    ASSERT_NE(options, nullptr);
    const QProbeScanPattern before = options->GetPattern();
    testing::FlushEvents();
    m_project->GetDocument().SetModifiedFlag(false);

    Prompt().Script(PromptAnswer::Cancel);
    RightClick(view, kSelectZoomCells);
    testing::FlushEvents();
    EXPECT_FALSE(options->GetPattern() != before);
    EXPECT_FALSE(m_project->GetDocument().IsModified());

    Prompt().Script(PromptAnswer::Ok);
    RightClick(view, kSelectZoomCells);
    testing::FlushEvents();
    const QProbeScanPattern& pattern = options->GetPattern();
    ASSERT_EQ(pattern.GetRows(), 3);
    ASSERT_EQ(pattern.GetColumns(), 4);
    EXPECT_TRUE(options->IsOwnPattern());
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            const bool inWindow = r >= 1 && r <= 2 && c <= 1;
            EXPECT_EQ(pattern.GetProbeAt(r, c), inWindow ? 1 : 0) << r << "," << c;
            EXPECT_EQ(pattern.GetHeightAt(r, c), 100) << r << "," << c;
        }
    }
    EXPECT_EQ(pattern.GetProbeOnCount(), 4U);
    EXPECT_TRUE(m_project->GetDocument().IsModified());

    const std::vector<PromptRequest> requests = Prompt().Requests();
    ASSERT_EQ(requests.size(), 2U);
    EXPECT_EQ(requests[0].text, "Are you going to select the zoomed cells for the new scans ?");
    EXPECT_EQ(requests[0].caption, "Warning");
    EXPECT_EQ(requests[0].buttons, PromptButtons::OkCancel);
}

TEST_F(HeatMapMenuTest, AddUserCompositeAsksAndCancelAddsNothing) {
    QNodeMediator* node = nullptr;
    CSpatialView& view = Node(kTypeSpectralSpatialScanNode, true, node);
    const size_t before = Project().GetOpenProject()->GetNodeCount();
    Tree().SelectTreeNode(Tree().GetRecords().FindByMediator(node));

    Prompt().Script(PromptAnswer::Cancel);
    view.OnContextCommand(kAddUserComposite);
    testing::FlushEvents();
    EXPECT_EQ(Project().GetOpenProject()->GetNodeCount(), before);

    Prompt().Script(PromptAnswer::Ok);
    view.OnContextCommand(kAddUserComposite);
    testing::FlushEvents();
    ASSERT_EQ(Project().GetOpenProject()->GetNodeCount(), before + 1);
    CTreeItem* item = Tree().GetFirstChildItem(Tree().GetRecords().FindByMediator(node));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Tree().GetItemMediator(item)->GetKind(), kTypeSpectralSpatialUserCompositeNode);
    EXPECT_EQ(Prompt().Requests()[0].text, CSpectralView::kAddUserCompositeText);
}

TEST_F(HeatMapMenuTest, EditOverlayShowsTheOverlayFirstThenAsksThePanelToEditIt) {
    QNodeMediator* node = nullptr;
    CSpatialView& view = Node(kTypeSpatialScanNode, true, node);
    ASSERT_NE(m_panel, nullptr);
    ASSERT_EQ(view.GetFormView(), m_panel);
    RightClick(view, kEditOverlay);
    EXPECT_EQ(m_panel->calls, (std::vector<std::string>{"click Overlay", "Edit Overlay, shown"}));
    m_panel->calls.clear();
    RightClick(view, kEditOverlay);
    EXPECT_EQ(m_panel->calls, std::vector<std::string>{"Edit Overlay, shown"});
}

TEST_F(HeatMapMenuTest, RunCopySettingsDescriptionExportAndZoomGoWhereTheyBelong) {
    QNodeMediator* node = nullptr;
    CSpatialView& view = Node(kTypeSpatialScanNode, true, node);
    Tree().SelectTreeNode(Tree().GetRootItem());
    m_frame.engine.SetState(2);
    RightClick(view, kRunContinuously);
    ASSERT_EQ(m_frame.engine.runs.size(), 1U);
    EXPECT_EQ(m_frame.engine.runs[0], std::make_pair(node, true));

    RightClick(view, kCopyScanData);
    QNodeMediator* copied = nullptr;
    int32_t scanId = -1;
    ASSERT_TRUE(Project().GetCopiedScanData(copied, scanId));
    EXPECT_EQ(copied, node);
    EXPECT_EQ(scanId, 1);

    RightClick(view, kSettings);
    ASSERT_EQ(m_sheetLog.size(), 1U);
    EXPECT_EQ(m_sheetLog[0].rfind("modal ", 0), 0U) << m_sheetLog[0];

    std::vector<std::pair<int32_t, int32_t>> described;
    CDlgScanDataDescription::InstallMaker([&](QNodeMediator& mediator, int32_t id, int32_t pane, QWidget*) {
        EXPECT_EQ(&mediator, node);
        described.emplace_back(id, pane);
        return std::make_unique<AnsweringDescription>();
    });
    RightClick(view, kOpenScanDataDescription);
    EXPECT_EQ(described, (std::vector<std::pair<int32_t, int32_t>>{{1, 0}}));

    auto chooser = std::make_shared<RecordingChooser>();
    InstallExportFileChooser(chooser);
    RightClick(view, kExportSpatialData);
    EXPECT_EQ(chooser->asked, 1);

    Zoom(view, *node->GetCurrentSpatialScanData());
    RightClick(view, kPreviousZoom);
    EXPECT_FALSE(view.IsZoomed());
    EXPECT_EQ(node->GetCurrentSpatialScanData()->m_SpatialZoomed, 0);
    Zoom(view, *node->GetCurrentSpatialScanData());
    RightClick(view, kResetZoom);
    EXPECT_FALSE(view.IsZoomed());
}

// --- The copy of the view ---

TEST_F(HeatMapMenuTest, CopyImagePutsTheViewAboveThePanelOnTheClipboard) {
    QNodeMediator* node = nullptr;
    CSpatialView& view = Node(kTypeSpatialScanNode, true, node);
    view.resize(700, 500);
    testing::FlushEvents();
    QGuiApplication::clipboard()->clear();
    RightClick(view, kCopyImage);
    const QImage image = QGuiApplication::clipboard()->image();
    ASSERT_EQ(image.size(), QSize(700, 500 - 43));
    const QImage shown = view.grab().toImage();
    const CSpatialCell& cell = view.GetCell(1, 2);
    for (const QPoint at : {QPoint(3, 3), QPoint(350, 40),
                            QPoint((cell.m_ViewRect.left + cell.m_ViewRect.right) / 2,
                                   (cell.m_ViewRect.top + cell.m_ViewRect.bottom) / 2),
                            QPoint(680, 300), QPoint(699, 456)}) {
        EXPECT_EQ(image.pixel(at) & 0xFFFFFFU, shown.pixel(at) & 0xFFFFFFU) << at.x() << "," << at.y();
    }

    // In 3D the same size, the surface's picture (empty until the surface draws) in place of the map.
    view.Show3DView(true);
    testing::FlushEvents();
    QGuiApplication::clipboard()->clear();
    RightClick(view, kCopyImage);
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(700, 457));

    // Nothing left above the panel: the clipboard stays as it was.
    view.Show3DView(false);
    QGuiApplication::clipboard()->setText("kept");
    view.resize(700, 43);
    testing::FlushEvents();
    EXPECT_FALSE(view.CopyImage());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
}

} // namespace
} // namespace orv
