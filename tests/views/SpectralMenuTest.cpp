// The spectral view's right-click menu and its commands, its two pictures and the scans dropped onto
// comparison and overlay views, in a real project window with real nodes.

#include "app/CDlgScanDataDescription.h"
#include "app/CReportPictureHolder.h"
#include "app/UiMessagePump.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewContextMenu.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeMenu.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionDoc.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectDropTarget.h"
#include "app/project/CProjectWindows.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "project/QExportFileChooser.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "scandata/CSpectralScanData.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/MenuItems.h"
#include "tests/views/support/SpectralViewFixture.h"
#include "views/spatial/CViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"
#include "views/spectral/CSpectralView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace ViewCommand;
using testing::ProjectSandbox;
using testing::TestMainFrame;

constexpr const char* kScanMime = "application/x-orvilant-myspatialcompare";

std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "-" + info->name();
}

class ChoosingChooser : public QExportFileChooser {
public:
    explicit ChoosingChooser(QNodeMediator& mediator) : m_mediator(mediator) {}
    std::optional<std::string> ChooseSaveFile(const QExportFileRequest& /*request*/) override {
        const QScanOptions* options = m_mediator.GetScanOptions();
        allPeaksWhileChoosing.push_back(options != nullptr && options->IsExportAllPeaks());
        return std::nullopt;
    }
    std::vector<bool> allPeaksWhileChoosing;

private:
    QNodeMediator& m_mediator;
};

class RecordingDescription : public CDlgScanDataDescription {
public:
    explicit RecordingDescription(bool accept) : m_accept(accept) {}
    bool DoModal() override { return m_accept; }

private:
    bool m_accept;
};

class SpectralMenuTest : public testing::QtWidgetTest {
protected:
    SpectralMenuTest()
        : m_sandbox(TestName()),
          m_projects(m_frame, m_projectList, m_sandbox.StorageFactory(m_frame, GetUiMessageThread()),
                     m_sandbox.Maker(m_frame, GetUiMessageThread())),
          m_windows(m_area, m_projects) {
        m_area.resize(1400, 1000);
        m_area.show();
        CViewFrameMaker::Install();
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
    ~SpectralMenuTest() override {
        CFormViewFactory::SetFrameMaker({});
        CFormViewFactory::SetSettingsMaker({});
        CViewFrame::SetDropTargetHook({});
        CDlgScanDataDescription::InstallMaker({});
        InstallExportFileChooser(nullptr);
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
    CSpectralView& OpenView(QNodeMediator& mediator) {
        bool created = false;
        mediator.OpenView(mediator.GetKind(), created, true);
        testing::FlushEvents();
        auto* view = dynamic_cast<CSpectralView*>(mediator.GetSpectralView());
        EXPECT_NE(view, nullptr);
        return *view;
    }
    // A Spectral node showing its scan 1 of three points.
    CSpectralView& SpectralWithScan(QNodeMediator*& node) {
        node = &AddNode(kTypeSpectralScanNode);
        EXPECT_TRUE(node->AddSpectralScanData(test::MirtSpectrum(1, {400, 600, 500}), false, false));
        CSpectralView& view = OpenView(*node);
        node->ShowSpectralScanData(1);
        testing::FlushEvents();
        return view;
    }
    // Right-clicks the plot and chooses the command (0: none); answers the menu as it was offered.
    std::vector<std::string> RightClick(CSpectralView& view, uint32_t command) {
        std::vector<std::string> offered;
        view.SetMenuRunner([&](QMenu& menu, const QPoint& at) -> QAction* {
            offered = testing::MenuItems(menu);
            m_menuPoint = at;
            return command != 0 ? CViewTreeMenu::FindCommand(menu, command) : nullptr;
        });
        QTest::mouseClick(view.viewport(), Qt::RightButton, {}, m_clickPoint);
        testing::FlushEvents();
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
    QPoint m_clickPoint{300, 200};
    QPoint m_menuPoint;
};

// --- The menu by state ---

TEST(SpectralMenuTable, PopupsItemsGreyingAndChecksFollowTheState) {
    using State = CSpectralView::MenuState;
    struct Row {
        const char* name;
        State state;
        std::vector<std::string> items;
    };
    const std::vector<std::string> noDataIdle = {"Run Once [off]", "Run Continuously [off]",
                                                 "Stop Scan [off]", "-", "Settings"};
    const std::vector<Row> rows = {
        {"no data, idle", {kTypeSpectralScanNode, false, 0, false, true, false, 3}, noDataIdle},
        {"no data, connected",
         {kTypeSpectralComparisonNode, false, 2, false, true, false, 0},
         {"Run Once", "Run Continuously", "Stop Scan [off]", "-", "Settings"}},
        {"no data, scanning",
         {kTypeSpectralSpatialScanNode, false, 12, false, true, false, 0},
         {"Run Once [off]", "Stop Scan", "-", "Settings"}},
        {"spectral",
         {kTypeSpectralScanNode, true, 2, false, true, false, 3},
         {"Run Once", "Run Continuously", "Stop Scan [off]", "-", "Reset Zoom [off]", "Previous Zoom [off]",
          "-", "Clear Selected Delta Marker", "-", "Open Scan Data Description", "-",
          "Export Spectral Data>All Data|All Peaks", "-", "Copy Scan Data", "Copy Image", "-", "Settings"}},
        {"spectral/spatial, zoomed, delta marker",
         {kTypeSpectralSpatialScanNode, true, 12, true, true, true, 3},
         {"Run Once [off]",
          "Stop Scan",
          "-",
          "Reset Zoom",
          "Previous Zoom",
          "-",
          "Delta Marker Select [x]",
          "Single Frequency Marker Select",
          "Multi-Frequency Markers Select",
          "-",
          "Clear Selected Delta Marker",
          "Clear Selected Frequency Markers",
          "-",
          "Open Scan Data Description",
          "-",
          "Export Spectral Data>All Data|All Peaks",
          "-",
          "Copy Image",
          "-",
          "Add User Composite Node",
          "-",
          "Settings"}},
        {"hand-held probe, multi-frequency mode",
         {kTypeHandHeldProbeScanNode, true, 2, false, false, false, 3},
         {"Run Once",
          "Stop Scan [off]",
          "-",
          "Reset Zoom [off]",
          "Previous Zoom [off]",
          "-",
          "Delta Marker Select",
          "Single Frequency Marker Select",
          "Multi-Frequency Markers Select [x]",
          "-",
          "Clear Selected Delta Marker",
          "Clear Selected Frequency Markers",
          "-",
          "Open Scan Data Description",
          "-",
          "Export Spectral Data>All Data|All Peaks",
          "-",
          "Copy Image",
          "-",
          "Add User Composite Node",
          "-",
          "Settings"}},
        // The removals by position take exactly the separators of the groups that went.
        {"scripting module",
         {kTypeSpectralSpatialScriptingModuleNode, true, 2, false, true, true, 3},
         {"Run Once", "Stop Scan [off]", "-", "Reset Zoom", "Previous Zoom", "-",
          "Clear Selected Delta Marker", "-", "Export Spectral Data>All Data|All Peaks", "-", "Copy Image",
          "-", "Settings"}},
        {"user composite",
         {kTypeSpectralSpatialUserCompositeNode, true, 2, false, true, false, 0},
         {"Reset Zoom [off]", "Previous Zoom [off]", "-", "Delta Marker Select",
          "Single Frequency Marker Select [x]", "Multi-Frequency Markers Select", "-",
          "Clear Selected Delta Marker", "Clear Selected Frequency Markers", "-", "Copy Image", "-",
          "Settings"}},
        {"comparison without points",
         {kTypeSpectralComparisonNode, true, 0, false, true, false, 0},
         {"Run Once [off]",
          "Run Continuously [off]",
          "Stop Scan [off]",
          "-",
          "Reset Zoom [off]",
          "Previous Zoom [off]",
          "-",
          "Delta Marker Select",
          "Single Frequency Marker Select [x]",
          "Multi-Frequency Markers Select",
          "-",
          "Clear Selected Delta Marker",
          "Clear Selected Frequency Markers",
          "-",
          "Open Scan Data Description",
          "-",
          "Export Spectral/Spatial Full Scan Data",
          "-",
          "Export Spectral Data>All Data|All Peaks [off]",
          "-",
          "Copy Scan Data",
          "Copy Image",
          "Paste",
          "-",
          "Settings"}},
    };
    testing::EnsureTestApplication();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::unique_ptr<QMenu> menu = CSpectralView::BuildContextMenu(row.state);
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(testing::MenuItems(*menu), row.items);
    }
}

TEST(SpectralMenuTable, RemovalByPositionTakesOnlyASeparator) {
    testing::EnsureTestApplication();
    std::unique_ptr<QMenu> menu =
        CViewContextMenu::BuildPopup(CViewContextMenu::kSpectralMenu, CViewContextMenu::kSpectralNoDataPopup);
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(CViewContextMenu::RemoveSeparatorAt(*menu, 0)); // "Run Once"
    EXPECT_FALSE(CViewContextMenu::RemoveSeparatorAt(*menu, 5)); // past the end
    EXPECT_TRUE(CViewContextMenu::RemoveSeparatorAt(*menu, 3));
    EXPECT_EQ(testing::MenuItems(*menu),
              (std::vector<std::string>{"Run Once", "Run Continuously", "Stop Scan", "Settings"}));
    EXPECT_EQ(CViewContextMenu::BuildPopup(CViewContextMenu::kSpectralMenu, 4), nullptr);
    EXPECT_STREQ(CViewContextMenu::PopupName(316, 9), "Spectral Right Click in SS User Composite");
}

// --- Commands through a right click ---

TEST_F(SpectralMenuTest, ARightClickOffersTheMenuRightOfTheClickAndRunsAndStops) {
    QNodeMediator* node = nullptr;
    CSpectralView& view = SpectralWithScan(node);
    Tree().SelectTreeNode(Tree().GetRootItem());
    m_frame.engine.SetState(2);

    const std::vector<std::string> offered = RightClick(view, kRunOnce);
    ASSERT_FALSE(offered.empty());
    EXPECT_EQ(offered.front(), "Run Once");
    EXPECT_EQ(m_menuPoint, view.viewport()->mapToGlobal(m_clickPoint) + QPoint(10, 0));
    // The view's node became the selected one before the run was asked for.
    EXPECT_EQ(Tree().GetSelectedTreeNode(), Tree().GetRecords().FindByMediator(node));
    ASSERT_EQ(m_frame.engine.runs.size(), 1U);
    EXPECT_EQ(m_frame.engine.runs[0], std::make_pair(node, false));

    m_frame.engine.SetState(12);
    EXPECT_EQ(RightClick(view, kStopScan)[2], "Stop Scan");
    EXPECT_EQ(m_frame.stopRequests, std::vector<int32_t>{static_cast<int32_t>(m_project->GetProjectId())});
    EXPECT_EQ(m_frame.engine.stops, 1);
    EXPECT_EQ(m_frame.engine.runs.size(), 1U);
}

TEST_F(SpectralMenuTest, CopyScanDataFillsTheCopySlotUntilTheNodeGoes) {
    QNodeMediator* node = nullptr;
    CSpectralView& view = SpectralWithScan(node);
    QNodeMediator* copied = nullptr;
    int32_t scanId = -1;
    EXPECT_FALSE(Project().GetCopiedScanData(copied, scanId));

    RightClick(view, kCopyScanData);
    ASSERT_TRUE(Project().GetCopiedScanData(copied, scanId));
    EXPECT_EQ(copied, node);
    EXPECT_EQ(scanId, 1);

    Tree().SelectTreeNode(Tree().GetRecords().FindByMediator(node));
    ASSERT_TRUE(Project().DeleteSelectedNode());
    copied = nullptr;
    EXPECT_FALSE(Project().GetCopiedScanData(copied, scanId));
    EXPECT_EQ(copied, nullptr);
    // A node made afterwards (perhaps at the same address) is never taken for the copied one.
    AddNode(kTypeSpectralScanNode);
    EXPECT_FALSE(Project().GetCopiedScanData(copied, scanId));
}

TEST_F(SpectralMenuTest, SettingsShowTheSheetAndTheDescriptionDialogGetsTheTab) {
    QNodeMediator* node = nullptr;
    CSpectralView& view = SpectralWithScan(node);
    RightClick(view, kSettings);
    ASSERT_EQ(m_sheetLog.size(), 1U);
    EXPECT_EQ(m_sheetLog[0].rfind("modal ", 0), 0U) << m_sheetLog[0];

    struct Asked {
        QNodeMediator* mediator;
        int32_t scanId;
        int32_t tab;
    };
    std::vector<Asked> asked;
    CDlgScanDataDescription::InstallMaker(
        [&](QNodeMediator& mediator, int32_t scanId, int32_t tab, QWidget*) {
            asked.push_back({&mediator, scanId, tab});
            return std::make_unique<RecordingDescription>(true);
        });
    RightClick(view, kOpenScanDataDescription);
    ASSERT_EQ(asked.size(), 1U);
    EXPECT_EQ(asked[0].mediator, node);
    EXPECT_EQ(asked[0].scanId, 1);
    EXPECT_EQ(asked[0].tab, 0);

    // A comparison passes the tab it shows.
    QNodeMediator& comparison = AddNode(kTypeSpectralComparisonNode);
    ASSERT_TRUE(comparison.SetComparedScan(true, node->GetSpectralScanData(1)->Clone()));
    CSpectralView& compared = OpenView(comparison);
    compared.SetComparisonState(1);
    compared.GetMessageTarget().Post(NodeMessage::kRefreshSpectralComparison);
    testing::FlushEvents();
    RightClick(compared, kOpenScanDataDescription);
    ASSERT_EQ(asked.size(), 2U);
    EXPECT_EQ(asked[1].mediator, &comparison);
    EXPECT_EQ(asked[1].tab, 1);

    // Without a dialog installed nothing is shown.
    CDlgScanDataDescription::InstallMaker({});
    EXPECT_FALSE(CDlgScanDataDescription::Run(*node, 1, 0, nullptr));
}

TEST_F(SpectralMenuTest, MarkerCommandsChangeTheModesAndTheLists) {
    // The base menu of a comparison's test scan has every marker command (the comparison view's own
    // menu offers none of them): the commands are given as the base menu would carry them out.
    QNodeMediator* spectral = nullptr;
    SpectralWithScan(spectral);
    QNodeMediator& comparison = AddNode(kTypeSpectralComparisonNode);
    ASSERT_TRUE(comparison.SetComparedScan(false, spectral->GetSpectralScanData(1)->Clone()));
    CSpectralView& view = OpenView(comparison);
    view.SetComparisonState(0);
    view.GetMessageTarget().Post(NodeMessage::kRefreshSpectralComparison);
    testing::FlushEvents();
    CScanData& scan = *comparison.GetComparedScan(false);
    // The base menu as offered, then the command carried out.
    auto choose = [&view](uint32_t command) {
        const std::vector<std::string> offered =
            testing::MenuItems(*CSpectralView::BuildContextMenu(view.GetMenuState()));
        view.OnContextCommand(command);
        testing::FlushEvents();
        return offered;
    };
    scan.m_FrequencyMarkers.resize(3);

    EXPECT_EQ(choose(kSingleFrequencyMarker)[8], "Single Frequency Marker Select [x]");
    EXPECT_TRUE(scan.m_FrequencyMarkers.empty());

    scan.m_FrequencyMarkers.resize(1);
    choose(kMultiFrequencyMarkers);
    EXPECT_EQ(choose(kSingleFrequencyMarker)[9], "Multi-Frequency Markers Select [x]");
    EXPECT_EQ(scan.m_FrequencyMarkers.size(), 1U); // a lone marker stays

    EXPECT_EQ(choose(kDeltaMarker)[7], "Delta Marker Select");
    EXPECT_EQ(scan.m_DeltaMarkerActive, 1);
    scan.m_DeltaMarkerFrequency = 150.0F;
    EXPECT_EQ(choose(kClearDeltaMarker)[7], "Delta Marker Select [x]");
    EXPECT_EQ(scan.m_DeltaMarkerFrequency, -1.0F);
    choose(kClearFrequencyMarkers);
    EXPECT_TRUE(scan.m_FrequencyMarkers.empty());
}

TEST_F(SpectralMenuTest, AllPeaksSetsTheExportSwitchOnlyDuringTheExport) {
    QNodeMediator* node = nullptr;
    CSpectralView& view = SpectralWithScan(node);
    auto chooser = std::make_shared<ChoosingChooser>(*node);
    InstallExportFileChooser(chooser);
    RightClick(view, kExportAllPeaks);
    RightClick(view, kExportAllData);
    EXPECT_EQ(chooser->allPeaksWhileChoosing, (std::vector<bool>{true, false}));
    ASSERT_NE(node->GetScanOptions(), nullptr);
    EXPECT_FALSE(node->GetScanOptions()->IsExportAllPeaks());
}

TEST_F(SpectralMenuTest, AddUserCompositeAsksAndAddsUnderTheViewsNode) {
    QNodeMediator& node = AddNode(kTypeSpectralSpatialScanNode);
    CSpectralView& view = OpenView(node);
    m_project->GetDocument().SetModifiedFlag(false);
    const size_t before = Project().GetOpenProject()->GetNodeCount();

    Prompt().Script(PromptAnswer::Cancel);
    view.OnContextCommand(kAddUserComposite);
    EXPECT_EQ(Project().GetOpenProject()->GetNodeCount(), before);

    Tree().SelectTreeNode(Tree().GetRecords().FindByMediator(&node));
    Prompt().Script(PromptAnswer::Ok);
    view.OnContextCommand(kAddUserComposite);
    testing::FlushEvents();
    ASSERT_EQ(Project().GetOpenProject()->GetNodeCount(), before + 1);
    CTreeItem* item = Tree().GetFirstChildItem(Tree().GetRecords().FindByMediator(&node));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Tree().GetItemMediator(item)->GetKind(), kTypeSpectralSpatialUserCompositeNode);
    EXPECT_TRUE(m_project->GetDocument().IsModified());
    ASSERT_FALSE(m_sheetLog.empty());
    EXPECT_EQ(m_sheetLog.back().rfind("modal ", 0), 0U);

    const std::vector<PromptRequest> requests = Prompt().Requests();
    ASSERT_EQ(requests.size(), 2U);
    EXPECT_EQ(requests[0].text, CSpectralView::kAddUserCompositeText);
    EXPECT_EQ(requests[0].caption, "Add");
    EXPECT_EQ(requests[0].buttons, PromptButtons::OkCancel);
    EXPECT_EQ(requests[0].icon, PromptIcon::Information);
}

// --- Pictures ---

TEST_F(SpectralMenuTest, CopyImagePutsTheClientAboveTheBottomAreaOnTheClipboard) {
    QNodeMediator* node = nullptr;
    CSpectralView& view = SpectralWithScan(node);
    QGuiApplication::clipboard()->clear();
    RightClick(view, kCopyImage);
    const QImage image = QGuiApplication::clipboard()->image();
    const QSize client = view.viewport()->size();
    ASSERT_EQ(image.size(), QSize(client.width(), client.height() - 45));
    const QImage shown = view.viewport()->grab().toImage();
    for (const QPoint at :
         {QPoint(5, 5), QPoint(300, 200), QPoint(client.width() - 3, client.height() - 50)}) {
        EXPECT_EQ(image.pixel(at), shown.pixel(at)) << at.x() << "," << at.y();
    }

    // Nothing of the client above the bottom area: the clipboard stays as it was.
    QGuiApplication::clipboard()->setText("kept");
    view.resize(view.width(), 40);
    testing::FlushEvents();
    EXPECT_FALSE(view.CopyWindowImage());
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "kept");
}

TEST_F(SpectralMenuTest, TheReportPictureGoesToTheHolderNotTheClipboard) {
    QNodeMediator* node = nullptr;
    CSpectralView& view = SpectralWithScan(node);
    QGuiApplication::clipboard()->setText("kept");
    CReportPictureHolder::Instance().Clear();
    view.CopyImageToClipboard(7);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "kept");
    ASSERT_TRUE(CReportPictureHolder::Instance().HasPicture());
    const CReportPictureHolder::Picture picture = CReportPictureHolder::Instance().Take();
    EXPECT_FALSE(CReportPictureHolder::Instance().HasPicture());
    EXPECT_EQ(picture.layout, (std::array<int32_t, 2>{160, 0}));
    const QImage& image = picture.image;
    ASSERT_EQ(image.size(), QSize(600, 390));
    const QRgb frame = QColor(0xA6, 0xA6, 0xA6).rgb();
    // The frame shows between the header's strips and the plot; the plot copy has its own.
    EXPECT_EQ(image.pixel(0, 85), frame);
    EXPECT_EQ(image.pixel(599, 85), frame);
    EXPECT_EQ(image.pixel(3, 85), QColor(Qt::white).rgb());
    EXPECT_EQ(image.pixel(3, 40), QColor(Qt::white).rgb()); // the header's ground
    // The plot copy below the header, pixel for pixel.
    const QImage& plot = view.GetCopyImage();
    ASSERT_EQ(plot.size(), QSize(600, 300));
    EXPECT_EQ(image.copy(0, 90, 600, 300), plot.convertToFormat(image.format()));
    // The header was drawn: some pixel of its lines is not white.
    bool written = false;
    for (int y = 0; y < 80 && !written; ++y) {
        for (int x = 1; x < 599 && !written; ++x) {
            written = image.pixel(x, y) != QColor(Qt::white).rgb();
        }
    }
    EXPECT_TRUE(written);
}

// --- Drops ---

class SpectralDropTest : public SpectralMenuTest {
protected:
    SpectralDropTest() {
        source = &AddNode(kTypeSpectralScanNode);
        EXPECT_TRUE(source->AddSpectralScanData(test::MirtSpectrum(1, {400, 600, 500}), false, false));
        EXPECT_TRUE(source->AddSpectralScanData(test::MirtSpectrum(2, {300, 200, 100}), false, false));
        // No common range with scans 1 and 2.
        EXPECT_TRUE(
            source->AddSpectralScanData(test::MirtSpectrum(3, {300, 200, 100}, 500, 600), false, false));
        auto zelt = test::ZeltSpectrum(4, {30.0F, 20.0F, 10.0F});
        zelt.m_Record.m_IsZeltData = 2;
        EXPECT_TRUE(source->AddSpectralScanData(std::move(zelt), false, false));
    }

    CSpectralView& OpenTarget(uint16_t kind, int32_t tab) {
        target = &AddNode(kind);
        CSpectralView& view = OpenView(*target);
        if (kind == kTypeSpectralComparisonNode) {
            view.SetComparisonState(tab);
        } else {
            view.SetOverlayState(tab);
        }
        testing::FlushEvents();
        return view;
    }
    CSpectralScanData* Compared(bool reference) const {
        return dynamic_cast<CSpectralScanData*>(target->GetComparedScan(reference));
    }
    // A drag of the list's row with scan `scanId` of `from` onto the view: enter, move, and the drop
    // when the move was accepted. Answers whether the move was accepted.
    bool Drag(CSpectralView& view, QNodeMediator* from, int32_t scanId, QPoint at = {200, 200},
              const char* mime = kScanMime) {
        List().SetDraggedScanData(from, scanId);
        QMimeData data;
        data.setData(mime, QByteArray("\x01\x00\x00\x00", 4));
        QWidget* port = view.viewport();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(port, &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(port, &move);
        const bool accepted = move.isAccepted() && move.dropAction() == Qt::CopyAction;
        if (accepted) {
            QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(port, &drop);
        }
        List().ClearDraggedScanData();
        return accepted;
    }

    QNodeMediator* source = nullptr;
    QNodeMediator* target = nullptr;
};

TEST_F(SpectralDropTest, DragOverAcceptsASpectralRowOverThePlotOfATestOrReferenceTab) {
    CSpectralView& view = OpenTarget(kTypeSpectralComparisonNode, 0);
    EXPECT_EQ(CProjectDropTarget::GetCurrent(*target), &view);
    EXPECT_TRUE(view.viewport()->acceptDrops());
    // Over the header, right of the plot and over the bottom area: no drop.
    const QSize client = view.viewport()->size();
    for (const QPoint at :
         {QPoint(200, 89), QPoint(client.width() - 35, 200), QPoint(200, client.height() - 45)}) {
        EXPECT_FALSE(Drag(view, source, 1, at)) << at.x() << "," << at.y();
    }
    EXPECT_EQ(Compared(false), nullptr);
    EXPECT_TRUE(Drag(view, source, 1, {client.width() - 36, 90}));
    // Not one of the project's formats; a row of another kind of node; tab 2.
    EXPECT_FALSE(Drag(view, source, 1, {200, 200}, "text/uri-list"));
    QNodeMediator& spatial = AddNode(kTypeSpatialScanNode);
    EXPECT_FALSE(Drag(view, &spatial, 1));
    view.SetComparisonState(2);
    EXPECT_FALSE(Drag(view, source, 1));
    EXPECT_EQ(Compared(false)->m_ScanId, 1U); // only the accepted drop above changed anything
}

TEST_F(SpectralDropTest, ATestScanIncompatibleWithTheReferenceAsksBeforeTheReferenceGoes) {
    CSpectralView& view = OpenTarget(kTypeSpectralComparisonNode, 1);
    ASSERT_TRUE(Drag(view, source, 1));
    ASSERT_NE(Compared(true), nullptr);
    view.SetComparisonState(0);
    ASSERT_TRUE(Drag(view, source, 2));
    ASSERT_EQ(Compared(false)->m_ScanId, 2U);

    Prompt().Script(PromptAnswer::Cancel);
    view.DropScanData(source, 3);
    EXPECT_EQ(Compared(true)->m_ScanId, 1U);
    EXPECT_EQ(Compared(false)->m_ScanId, 2U);

    Prompt().Script(PromptAnswer::Ok);
    view.DropScanData(source, 3);
    EXPECT_EQ(Compared(true), nullptr);
    ASSERT_NE(Compared(false), nullptr);
    EXPECT_EQ(Compared(false)->m_ScanId, 3U);
    EXPECT_NE(Compared(false), source->GetSpectralScanData(3)); // a clone, of this node
    EXPECT_EQ(Compared(false)->m_Mediator, target);

    const std::vector<PromptRequest> requests = Prompt().Requests();
    ASSERT_EQ(requests.size(), 2U);
    EXPECT_EQ(requests[0].text,
              "There is error as:\n--- no frequrncy overlap.\nThe reference scan data will be "
              "removed if you continue !");
    EXPECT_EQ(requests[0].caption, "Warning");
    EXPECT_EQ(requests[0].buttons, PromptButtons::OkCancel);
}

TEST_F(SpectralDropTest, AnIncompatibleReferenceIsRefusedWhateverTheAnswer) {
    for (const uint16_t kind : {kTypeSpectralComparisonNode, kTypeSpectralOverlayNode}) {
        SCOPED_TRACE(kind);
        CSpectralView& view = OpenTarget(kind, 0);
        view.DropScanData(source, 1);
        if (kind == kTypeSpectralComparisonNode) {
            view.SetComparisonState(1);
        } else {
            view.SetOverlayState(1);
        }
        for (const PromptAnswer answer : {PromptAnswer::Ok, PromptAnswer::Cancel}) {
            Prompt().Script(answer);
            view.DropScanData(source, 3);
            EXPECT_EQ(Compared(true), nullptr);
            EXPECT_EQ(Compared(false)->m_ScanId, 1U);
        }
        EXPECT_EQ(
            Prompt().Texts().back(),
            "There is error as:\n--- no frequrncy overlap.\nThe scan data can't be used as the reference "
            "data !");
        // A compatible one is taken.
        view.DropScanData(source, 2);
        EXPECT_EQ(Compared(true)->m_ScanId, 2U);
    }
}

TEST_F(SpectralDropTest, MissingAndZeltScansAndForeignNodesChangeNothing) {
    CSpectralView& view = OpenTarget(kTypeSpectralOverlayNode, 0);
    view.DropScanData(source, 9);
    view.DropScanData(source, 4);
    EXPECT_EQ(Prompt().Texts(), (std::vector<std::string>{"This scan data can't be pasted.",
                                                          "No support for Zelt scan data."}));
    const std::vector<PromptRequest> requests = Prompt().Requests();
    EXPECT_EQ(requests[1].caption, "Warning");
    EXPECT_EQ(requests[1].icon, PromptIcon::Information);
    // A node that is not part of the project (here: one without a tree item).
    test::TestMediator stranger(kTypeSpectralScanNode);
    ASSERT_TRUE(stranger.AddSpectralScanData(test::MirtSpectrum(1, {1, 2, 3}), false, false));
    view.DropScanData(&stranger, 1);
    EXPECT_EQ(Prompt().Texts().size(), 2U);
    EXPECT_EQ(Compared(false), nullptr);
    EXPECT_EQ(Compared(true), nullptr);
}

TEST_F(SpectralDropTest, ADropMarksTheProjectRefreshesOnceAndRefillsTheListOfTheSelectedNode) {
    CSpectralView& view = OpenTarget(kTypeSpectralComparisonNode, 0);
    // Another node is selected: the list stays as it is.
    Tree().SelectTreeNode(Tree().GetRecords().FindByMediator(source));
    source->FillScanDataList(kTypeSpectralScanNode);
    m_project->GetDocument().SetModifiedFlag(false);
    int renders = view.GetRenderCount();
    ASSERT_TRUE(Drag(view, source, 1));
    testing::FlushEvents();
    EXPECT_TRUE(m_project->GetDocument().IsModified());
    EXPECT_EQ(view.GetRenderCount(), renders + 1);
    EXPECT_EQ(List().GetOwner(), source);
    EXPECT_EQ(List().topLevelItemCount(), 4);
    EXPECT_EQ(view.GetPoints().size(), 3U); // the refresh showed the new test scan

    // The comparison selected: its two scans are listed after the drop.
    Tree().SelectTreeNode(Tree().GetRecords().FindByMediator(target));
    view.SetComparisonState(1);
    renders = view.GetRenderCount();
    ASSERT_TRUE(Drag(view, source, 2));
    testing::FlushEvents();
    EXPECT_EQ(view.GetRenderCount(), renders + 1);
    EXPECT_EQ(List().GetOwner(), target);
    EXPECT_EQ(List().topLevelItemCount(), 2);
}

// The view drew the old test scan; the drop deletes it and a paint comes before the refresh.
TEST_F(SpectralDropTest, APaintBetweenTheDropAndTheRefreshReadsOnlyTheNewScan) {
    CSpectralView& view = OpenTarget(kTypeSpectralComparisonNode, 0);
    view.DropScanData(source, 1);
    testing::FlushEvents();
    ASSERT_EQ(view.GetPoints().size(), 3U);
    view.DropScanData(source, 2);
    view.viewport()->repaint();
    view.CopyImageToClipboard(0);
    testing::FlushEvents();
    EXPECT_EQ(Compared(false)->m_ScanId, 2U);
    EXPECT_TRUE(CReportPictureHolder::Instance().HasPicture());
    CReportPictureHolder::Instance().Clear();

    // The node the scan came from goes: the comparison's copy is its own.
    Tree().SelectTreeNode(Tree().GetRecords().FindByMediator(source));
    ASSERT_TRUE(Project().DeleteSelectedNode());
    view.GetMessageTarget().Post(NodeMessage::kRefreshSpectralComparison);
    testing::FlushEvents();
    view.viewport()->repaint();
    EXPECT_EQ(view.GetPoints().size(), 3U);
}

} // namespace
} // namespace orv
