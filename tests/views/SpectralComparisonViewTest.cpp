// The comparison view of a Compare Spectral node in its real frame, in a real project window: its
// header on the comparison tab, its menus by tab, and the commands they carry out. The overlay view
// shares the menu.

#include "app/CDlgScanDataDescription.h"
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
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "project/NodeMessages.h"
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
#include "views/spectral/CSpectralComparisonView.h"
#include "views/spectral/CSpectralOverlayView.h"

#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace ViewCommand;
using testing::ProjectSandbox;
using testing::TestMainFrame;

std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "-" + info->name();
}

class RecordingDescription : public CDlgScanDataDescription {
public:
    bool DoModal() override { return true; }
};

class SpectralComparisonViewTest : public testing::QtWidgetTest {
protected:
    SpectralComparisonViewTest()
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
        // Scans 1 (100-200 MHz) and 2 (150-250 MHz) of a Spectral node, three points each.
        m_source = &AddNode(kTypeSpectralScanNode);
        EXPECT_TRUE(m_source->AddSpectralScanData(test::MirtSpectrum(1, {400, 600, 500}), false, false));
        EXPECT_TRUE(m_source->AddSpectralScanData(test::MirtSpectrum(2, {300, 200, 100}, 150.0F, 250.0F),
                                                  false, false));
    }
    ~SpectralComparisonViewTest() override {
        CFormViewFactory::SetFrameMaker({});
        CViewFrame::SetDropTargetHook({});
        CDlgScanDataDescription::InstallMaker({});
    }

    CViewTreeWidget& Tree() { return *m_project->GetProjectPane()->GetTree(); }
    TfrmMainApp& Project() { return *m_projects.FindProjectById(m_project->GetProjectId()); }
    QNodeMediator& AddNode(uint16_t kind) {
        QNodeMediator* mediator =
            Project().GetOpenProject()->AddNode(Tree().GetRootItem(), CViewTree::kLast, kind);
        EXPECT_NE(mediator, nullptr) << kind;
        return *mediator;
    }
    // A node of the kind in its real frame, with the source's scan 1 as test and 2 as reference
    // where asked.
    CSpectralView& OpenPair(uint16_t kind, bool test, bool reference) {
        m_node = &AddNode(kind);
        if (test) {
            EXPECT_TRUE(m_node->SetComparedScan(false, m_source->GetSpectralScanData(1)->Clone()));
        }
        if (reference) {
            EXPECT_TRUE(m_node->SetComparedScan(true, m_source->GetSpectralScanData(2)->Clone()));
        }
        bool created = false;
        m_node->OpenView(kind, created, true);
        testing::FlushEvents();
        auto* view = dynamic_cast<CSpectralView*>(m_node->GetSpectralView());
        EXPECT_NE(view, nullptr);
        return *view;
    }
    void ShowTab(CSpectralView& view, int tab) {
        const bool comparison = m_node->GetKind() == kTypeSpectralComparisonNode;
        CTabCtrlEx* tabs = view.GetTabStrip(comparison ? CSpectralView::TabStrip::Comparison
                                                       : CSpectralView::TabStrip::Overlay);
        ASSERT_NE(tabs, nullptr);
        tabs->setCurrentIndex(tab);
        testing::FlushEvents();
    }
    // Right-clicks the plot and chooses the command (0: none); answers the menu offered, empty when
    // none was.
    std::vector<std::string> RightClick(CSpectralView& view, uint32_t command) {
        std::vector<std::string> offered;
        view.SetMenuRunner([&](QMenu& menu, const QPoint& /*at*/) -> QAction* {
            offered = testing::MenuItems(menu);
            return command != 0 ? CViewTreeMenu::FindCommand(menu, command) : nullptr;
        });
        QTest::mouseClick(view.viewport(), Qt::RightButton, {}, QPoint(300, 250));
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
    QNodeMediator* m_source = nullptr;
    QNodeMediator* m_node = nullptr;
};

TEST_F(SpectralComparisonViewTest, TheFramesMakeTheVariantViews) {
    EXPECT_NE(dynamic_cast<CSpectralComparisonView*>(&OpenPair(kTypeSpectralComparisonNode, false, false)),
              nullptr);
    EXPECT_NE(dynamic_cast<CSpectralOverlayView*>(&OpenPair(kTypeSpectralOverlayNode, false, false)),
              nullptr);
}

TEST_F(SpectralComparisonViewTest, TheComparisonHeaderIsInDecibelsOverTheResultsRangeInAnyLocale) {
    CSpectralView& view = OpenPair(kTypeSpectralComparisonNode, true, true);
    ASSERT_NE(m_node->GetSpectralDisplayOptions(), nullptr);
    ASSERT_EQ(m_node->GetSpectralDisplayOptions()->GetAmplitudeUnit(), 1U); // dBuV
    ShowTab(view, 2);
    ASSERT_NE(m_node->GetComparedResult(), nullptr);
    const CScanData& result = *m_node->GetComparedResult();
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        std::setlocale(LC_ALL, locale);
        const std::vector<std::string> lines = view.BuildHeaderLines();
        ASSERT_EQ(lines.size(), 3U) << locale;
        EXPECT_EQ(lines[0], "             Spectral Comparison            ");
        EXPECT_EQ(lines[1],
                  FormatC("      Comparison Amplitude[%-6.2f  to  %-6.2f dB]      ",
                          static_cast<double>(view.GetAmpMin()), static_cast<double>(view.GetAmpMax())));
        EXPECT_EQ(lines[1].substr(lines[1].size() - 9), "dB]      ");
        EXPECT_EQ(lines[2], FormatC("     Comparison Frequency[%-8.3f to %-8.3f MHz]      ",
                                    static_cast<double>(result.m_StartFrequency),
                                    static_cast<double>(result.m_StopFrequency)));
    }
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(view.BuildHeaderLines()[2], "     Comparison Frequency[150.000  to 200.000  MHz]      ");
    // The test and reference tabs keep the base header.
    ShowTab(view, 1);
    EXPECT_EQ(view.BuildHeaderLines()[0], "             Spectral             ");
}

TEST_F(SpectralComparisonViewTest, TheMenuOfEachTab) {
    struct Row {
        const char* name;
        uint16_t kind;
        bool test;
        bool reference;
        int tab;
        std::vector<std::string> items;
    };
    const std::vector<std::string> pairTab = {
        "Reset Zoom [off]", "Previous Zoom [off]", "-", "Clear Selected Delta Marker", "-", "-",
        "Copy Image"};
    const std::vector<std::string> scanTab = {"Reset Zoom [off]",
                                              "Previous Zoom [off]",
                                              "-",
                                              "Clear Selected Delta Marker",
                                              "-",
                                              "Open Scan Data Description",
                                              "-",
                                              "Copy Image",
                                              "Paste [off]"};
    const Row rows[] = {
        {"comparison tab", kTypeSpectralComparisonNode, true, true, 2, pairTab},
        {"overlay tab", kTypeSpectralOverlayNode, true, true, 2, pairTab},
        {"test tab", kTypeSpectralComparisonNode, true, false, 0, scanTab},
        {"reference tab", kTypeSpectralOverlayNode, false, true, 1, scanTab},
        {"test tab without its scan", kTypeSpectralComparisonNode, false, true, 0, {"Paste [off]"}},
        {"comparison tab without the reference", kTypeSpectralComparisonNode, true, false, 2, {}},
        {"overlay tab without the test", kTypeSpectralOverlayNode, false, true, 2, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CSpectralView& view = OpenPair(row.kind, row.test, row.reference);
        ShowTab(view, row.tab);
        EXPECT_EQ(RightClick(view, 0), row.items);
        if (row.items.empty()) {
            // Nor a header.
            EXPECT_TRUE(view.BuildHeaderLines().empty());
        }
    }
    // The paste-only popup by its name.
    EXPECT_STREQ(CViewContextMenu::PopupName(CViewContextMenu::kSpectralMenu,
                                             CViewContextMenu::kSpectralComparisonPopup),
                 "Spectral Comparison Right Click");
    EXPECT_STREQ(
        CViewContextMenu::PopupName(CViewContextMenu::kSpectralMenu, CViewContextMenu::kSpectralOverlayPopup),
        "Spectral Overlay Right Click");
}

TEST_F(SpectralComparisonViewTest, PasteTakesOnlyAScanOfASpectralNodeStillInTheProject) {
    CSpectralView& view = OpenPair(kTypeSpectralComparisonNode, false, false);
    ShowTab(view, 0);
    // A spectral/spatial node's scan: greyed.
    QNodeMediator& composite = AddNode(kTypeSpectralSpatialScanNode);
    Project().SetCopiedScanData(&composite, 1);
    EXPECT_EQ(RightClick(view, 0), std::vector<std::string>{"Paste [off]"});
    // A Spectral node's scan: offered, and pasted as the tab's scan.
    Project().SetCopiedScanData(m_source, 1);
    EXPECT_EQ(RightClick(view, kPaste), std::vector<std::string>{"Paste"});
    testing::FlushEvents();
    ASSERT_NE(m_node->GetComparedScan(false), nullptr);
    EXPECT_EQ(m_node->GetComparedScan(false)->m_ScanId, 1);
    // Now the tab shows it: the full menu, Paste still offered.
    EXPECT_EQ(RightClick(view, 0).back(), "Paste");

    // The copied node deleted since: greyed, and the gone node is never read.
    ShowTab(view, 1);
    QNodeMediator& gone = AddNode(kTypeSpectralScanNode);
    Project().SetCopiedScanData(&gone, 1);
    Tree().SelectTreeNode(Tree().GetRecords().FindByMediator(&gone));
    ASSERT_TRUE(Project().DeleteSelectedNode());
    EXPECT_EQ(RightClick(view, kPaste), std::vector<std::string>{"Paste [off]"});
    EXPECT_EQ(m_node->GetComparedScan(true), nullptr);
}

TEST_F(SpectralComparisonViewTest, ZoomDeltaAndDescriptionCommands) {
    CSpectralView& view = OpenPair(kTypeSpectralComparisonNode, true, true);
    ShowTab(view, 2);
    CScanData& result = *m_node->GetComparedResult();
    // One stored range: Previous Zoom acts as Reset Zoom and empties both histories.
    result.m_SpectralZoomed = 1;
    result.m_SpectralZoomFirst = 0;
    result.m_SpectralZoomLast = 1;
    result.m_SpectralZoomHistory = {CScanPoint{0, 1}};
    view.RequestReload();
    view.GetMessageTarget().Post(CSpectralView::kRelayoutMessage);
    testing::FlushEvents();
    ASSERT_TRUE(view.IsZoomed());
    ASSERT_EQ(view.GetZoomHistory().size(), 1U);
    EXPECT_EQ(RightClick(view, kPreviousZoom)[1], "Previous Zoom");
    EXPECT_FALSE(view.IsZoomed());
    EXPECT_EQ(result.m_SpectralZoomed, 0);
    EXPECT_TRUE(view.GetZoomHistory().empty());
    EXPECT_TRUE(result.m_SpectralZoomHistory.empty());
    EXPECT_EQ(view.GetZoomLast(), static_cast<int32_t>(view.GetPoints().size()) - 1);

    // Clear Selected Delta Marker turns the marker off and keeps its frequency.
    result.m_DeltaMarkerActive = 1;
    result.m_DeltaMarkerFrequency = 175.0F;
    RightClick(view, kClearDeltaMarker);
    EXPECT_EQ(result.m_DeltaMarkerActive, 0);
    EXPECT_FLOAT_EQ(result.m_DeltaMarkerFrequency, 175.0F);

    // The description dialog gets the tab shown.
    std::vector<int32_t> tabs;
    CDlgScanDataDescription::InstallMaker(
        [&](QNodeMediator& /*mediator*/, int32_t /*scanId*/, int32_t tab, QWidget*) {
            tabs.push_back(tab);
            return std::make_unique<RecordingDescription>();
        });
    for (const int tab : {0, 1}) {
        ShowTab(view, tab);
        RightClick(view, kOpenScanDataDescription);
    }
    EXPECT_EQ(tabs, (std::vector<int32_t>{0, 1}));
}

} // namespace
} // namespace orv
