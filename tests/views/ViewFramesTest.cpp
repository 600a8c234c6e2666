// The frames of the node kinds in a real project window: what each kind opens, the spectral/spatial
// splitter, the relayout nudge, the caption click, the static-control colours and every way a frame
// goes.

#include "app/UiMessagePump.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"
#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "project/QScanDataRecord.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "tests/views/support/SpectralViewFixture.h"
#include "views/spatial/CSpatialBlindSpotReductionViewFrame.h"
#include "views/spatial/CSpatialComparisonViewFrame.h"
#include "views/spatial/CSpatialViewFrame.h"
#include "views/spatial/CSpatialViewZeltp.h"
#include "views/spatial/CSpectralComparisonViewFrame.h"
#include "views/spatial/CSpectralOverlayViewFrame.h"
#include "views/spatial/CSpectralSpatialScriptingViewFrame.h"
#include "views/spatial/CSpectralSpatialViewFrame.h"
#include "views/spatial/CSpectralViewFrame.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
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

std::vector<std::string> Captions(const CTabCtrlEx* tabs) {
    std::vector<std::string> captions;
    if (tabs != nullptr) {
        for (int i = 0; i < tabs->count(); ++i) {
            captions.push_back(tabs->tabText(i).toStdString());
        }
    }
    return captions;
}

class ViewFramesTest : public testing::QtWidgetTest {
protected:
    ViewFramesTest()
        : m_sandbox(TestName()),
          m_projects(m_frame, m_projectList, m_sandbox.StorageFactory(m_frame, GetUiMessageThread()),
                     m_sandbox.Maker(m_frame, GetUiMessageThread())),
          m_windows(m_area, m_projects) {
        m_area.resize(1400, 1000);
        m_area.show();
        CViewFrameMaker::Install();
        CViewFrame::SetDropTargetHook(
            [this](QWidget& view, QNodeMediator& mediator) { m_drops.emplace_back(&view, &mediator); });
        m_project = m_windows.NewDocument();
        EXPECT_TRUE(testing::ProcessEventsUntil([this] { return !m_project->GetView()->IsBuildPending(); }));
        m_project->parentWidget()->showMaximized();
        testing::FlushEvents();
    }
    ~ViewFramesTest() override {
        CFormViewFactory::SetFrameMaker({});
        CViewFrame::SetDropTargetHook({});
    }

    CViewTreeWidget& Tree() { return *m_project->GetProjectPane()->GetTree(); }
    CViewList& List() { return *m_project->GetProjectPane()->GetList(); }
    TfrmMainApp& Project() { return *m_projects.FindProjectById(m_project->GetProjectId()); }
    QNodeMediator& AddNode(uint16_t kind) {
        QNodeMediator* mediator =
            Project().GetOpenProject()->AddNode(Tree().GetRootItem(), CViewTree::kLast, kind);
        EXPECT_NE(mediator, nullptr) << kind;
        return *mediator;
    }
    // Opens the node's view as the View command does and answers its frame.
    template <typename Frame> Frame* Open(QNodeMediator& mediator, QFrameClass frameClass) {
        bool created = false;
        mediator.OpenView(mediator.GetKind(), created, true);
        testing::FlushEvents();
        return dynamic_cast<Frame*>(mediator.GetFrame(frameClass));
    }
    static void Settle() {
        testing::FlushEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        testing::FlushEvents();
    }

    ProjectSandbox m_sandbox;
    TestMainFrame m_frame;
    std::vector<std::unique_ptr<TfrmMainApp>> m_projectList;
    QMdiArea m_area;
    CProjectArray m_projects;
    CProjectWindows m_windows;
    CChildFrame* m_project = nullptr;
    std::vector<std::pair<QWidget*, QNodeMediator*>> m_drops;
};

struct KindRow {
    uint16_t kind;
    QFrameClass frameClass;
    const char* title;
    uint16_t icon;
    QSize size;
    QSize minimum; // invalid: none
    std::vector<std::string> tabs;
    bool spectral; // the one view is a spectral view
};

TEST_F(ViewFramesTest, EveryKindOpensItsFrameWithTitleIconSizeAndTabs) {
    const std::vector<std::string> none;
    const std::vector<KindRow> rows = {
        {2003, QFrameClass::Spectral, "Spectral View", 438, {750, 420}, {420, 280}, none, true},
        {2004, QFrameClass::Spatial, "Spatial View", 439, {600, 550}, {420, 320}, none, false},
        {2010,
         QFrameClass::SpectralComparison,
         "Spectral Comparison View",
         462,
         {750, 440},
         {},
         {"Test View", "Reference View", "Comparison View"},
         true},
        {2011,
         QFrameClass::SpatialComparison,
         "Spatial Comparison View",
         464,
         {600, 570},
         {},
         {"Test View", "Reference View", "Comparison View"},
         false},
        {2012,
         QFrameClass::SpectralOverlay,
         "Spectral Overlay View",
         463,
         {750, 440},
         {},
         {"Test View", "Reference View", "Overlay View"},
         true},
        {2014, QFrameClass::Scripting, "Spectral/Spatial Scripting View", 465, {750, 420}, {}, none, true},
        {2030,
         QFrameClass::BlindSpotReduction,
         "BlindSpot Reduction View",
         461,
         {600, 570},
         {},
         {"Upper Scan View", "Lower Scan View", "Blind Spot Reduction View"},
         false},
    };
    for (const KindRow& row : rows) {
        QNodeMediator& mediator = AddNode(row.kind);
        auto* frame = Open<CViewFrame>(mediator, row.frameClass);
        ASSERT_NE(frame, nullptr) << row.kind;
        ASSERT_TRUE(frame->HasWindow());
        QMdiSubWindow& window = *frame->GetWindow();
        EXPECT_EQ(window.mdiArea(), m_project->GetView()->GetFrameArea());
        EXPECT_TRUE(window.isVisible()) << row.kind;
        EXPECT_EQ(window.windowTitle().toStdString(), row.title);
        EXPECT_EQ(frame->GetIconResource(), row.icon);
        EXPECT_FALSE(window.windowIcon().isNull()) << row.kind;
        EXPECT_EQ(window.geometry(), QRect(QPoint(50, 50), row.size)) << row.kind;
        EXPECT_EQ(frame->GetMinimumSize(), row.minimum);
        EXPECT_EQ(window.minimumSize(), row.minimum.isValid() ? row.minimum : QSize(0, 0)) << row.kind;
        EXPECT_TRUE(window.windowFlags() & Qt::WindowMinMaxButtonsHint);
        EXPECT_TRUE(window.windowFlags() & Qt::WindowSystemMenuHint);
        if (row.spectral) {
            auto* view = dynamic_cast<CSpectralView*>(mediator.GetSpectralView());
            ASSERT_NE(view, nullptr) << row.kind;
            EXPECT_EQ(window.widget(), view);
            EXPECT_EQ(mediator.GetSpatialView(), nullptr);
            const CTabCtrlEx* tabs =
                view->GetTabStrip(row.kind == 2012   ? CSpectralView::TabStrip::Overlay
                                  : row.kind == 2010 ? CSpectralView::TabStrip::Comparison
                                                     : CSpectralView::TabStrip::Composite);
            EXPECT_EQ(Captions(tabs), row.tabs) << row.kind;
        } else {
            auto* view = dynamic_cast<CSpatialView*>(mediator.GetSpatialView());
            ASSERT_NE(view, nullptr) << row.kind;
            EXPECT_EQ(window.widget(), view);
            EXPECT_EQ(view->GetNodeKind(), row.kind);
            // A Spatial node's frame shows multi-level scans at sub-cell precision.
            if (row.kind == kTypeSpatialScanNode) {
                EXPECT_NE(dynamic_cast<CSpatialViewZeltp*>(view), nullptr);
            }
            const CTabCtrlEx* tabs =
                view->GetTabStrip(row.kind == 2030   ? CSpatialView::TabStrip::BlindSpot
                                  : row.kind == 2011 ? CSpatialView::TabStrip::Comparison
                                                     : CSpatialView::TabStrip::SpectralSpatial);
            EXPECT_EQ(Captions(tabs), row.tabs) << row.kind;
            // The frame set the node's overlay value while wiring its view.
            ASSERT_NE(mediator.GetOverlayOptions(), nullptr);
            EXPECT_EQ(mediator.GetOverlayOptions()->m_pictureInt, 50);
        }
        // The drop target moved onto the views whose tabs take a scan, and only onto those.
        const bool drops = !row.tabs.empty();
        EXPECT_EQ(!m_drops.empty() && m_drops.back().second == &mediator, drops) << row.kind;
        // Opened again: raised, not made again.
        bool created = true;
        mediator.OpenView(row.kind, created, true);
        EXPECT_FALSE(created);
        EXPECT_EQ(mediator.GetFrame(row.frameClass), frame);
    }

    // The spectral/spatial kinds: maximised, both panes told 2005 (2033 for a user composite), the
    // hand-held probe's own icon.
    struct SplitRow {
        uint16_t kind;
        uint16_t icon;
        uint16_t paneKind;
    };
    for (const SplitRow& row :
         {SplitRow{2005, 440, 2005}, SplitRow{2029, 441, 2005}, SplitRow{2033, 440, 2033}}) {
        QNodeMediator& mediator = AddNode(row.kind);
        auto* frame = Open<CSpectralSpatialViewFrame>(mediator, QFrameClass::SpectralSpatial);
        ASSERT_NE(frame, nullptr) << row.kind;
        QMdiSubWindow& window = *frame->GetWindow();
        EXPECT_EQ(window.windowTitle().toStdString(), "SpectralSpatial View");
        EXPECT_EQ(frame->GetIconResource(), row.icon);
        EXPECT_TRUE(window.isMaximized()) << row.kind;
        EXPECT_EQ(window.minimumSize(), QSize(520, 340));
        EXPECT_EQ(frame->GetNodeKind(), row.paneKind);
        EXPECT_EQ(frame->GetSpatialPane()->GetNodeKind(), row.paneKind);
        EXPECT_NE(dynamic_cast<CSpatialViewZeltp*>(frame->GetSpatialPane()), nullptr);
        EXPECT_EQ(mediator.GetSpectralView(), frame->GetSpectralPane());
        EXPECT_EQ(mediator.GetSpatialView(), frame->GetSpatialPane());
        EXPECT_EQ(frame->GetSplitter()->widget(0), frame->GetSpectralPane());
        EXPECT_EQ(frame->GetSplitter()->widget(1), frame->GetSpatialPane());
        EXPECT_EQ(Captions(frame->GetSpectralPane()->GetTabStrip(CSpectralView::TabStrip::Composite)),
                  (std::vector<std::string>{"Full Composite View", "Full/User Composite View",
                                            "User Composite View"}));
        EXPECT_EQ(Captions(frame->GetSpatialPane()->GetTabStrip(CSpatialView::TabStrip::SpectralSpatial)),
                  (std::vector<std::string>{"Full Composite View", "User Composite View"}));
        // Without scans the spatial pane draws its no-data screen.
        EXPECT_TRUE(testing::ProcessEventsUntil([&] {
            return !frame->GetSpatialPane()->GetDrawnTexts().empty();
        })) << row.kind;
    }
}

TEST_F(ViewFramesTest, WithoutAMakerTheFactoryMakesNothing) {
    CFormViewFactory::SetFrameMaker({});
    QNodeMediator& mediator = AddNode(kTypeSpectralScanNode);
    bool created = true;
    EXPECT_EQ(mediator.OpenView(kTypeSpectralScanNode, created, true), nullptr);
    EXPECT_FALSE(created);
    EXPECT_EQ(mediator.GetFrame(QFrameClass::Spectral), nullptr);
    EXPECT_TRUE(m_project->GetView()->GetFrameArea()->subWindowList().isEmpty());
}

TEST_F(ViewFramesTest, TheSplitterKeepsHalfTheWidthUnlessMinimised) {
    QNodeMediator& mediator = AddNode(kTypeSpectralSpatialScanNode);
    auto* frame = Open<CSpectralSpatialViewFrame>(mediator, QFrameClass::SpectralSpatial);
    ASSERT_NE(frame, nullptr);
    QMdiSubWindow& window = *frame->GetWindow();
    CUsefulSplitterWnd& splitter = *frame->GetSplitter();
    auto check = [&](const char* when) {
        const int client = splitter.width();
        EXPECT_EQ(splitter.widget(0)->width(), static_cast<int>(static_cast<float>(client) * 0.5F)) << when;
        EXPECT_EQ(splitter.widget(0)->width() + splitter.handleWidth() + splitter.widget(1)->width(), client)
            << when;
    };
    check("maximised");
    window.showNormal();
    for (const QSize size : {QSize(920, 450), QSize(1001, 600), QSize(523, 341)}) {
        window.resize(size);
        testing::FlushEvents();
        check("resized");
    }
    // The bar dragged aside stays aside until the next size change.
    splitter.setSizes({100, splitter.width() - 100 - splitter.handleWidth()});
    const QList<int> dragged = splitter.sizes();
    window.showMinimized();
    testing::FlushEvents();
    EXPECT_EQ(splitter.sizes(), dragged);
    window.showNormal();
    testing::FlushEvents();
    window.resize(800, 500);
    testing::FlushEvents();
    check("restored");
}

TEST_F(ViewFramesTest, TheNudgeMovesTheSpectralAndSpatialFramesAndRelayoutLeavesEveryFrameWhereItWas) {
    QNodeMediator& spectral = AddNode(kTypeSpectralScanNode);
    QNodeMediator& spatial = AddNode(kTypeSpatialScanNode);
    QNodeMediator& split = AddNode(kTypeSpectralSpatialScanNode);
    auto* spectralFrame = Open<CViewFrame>(spectral, QFrameClass::Spectral);
    auto* spatialFrame = Open<CViewFrame>(spatial, QFrameClass::Spatial);
    auto* splitFrame = Open<CViewFrame>(split, QFrameClass::SpectralSpatial);
    ASSERT_TRUE(spectralFrame != nullptr && spatialFrame != nullptr && splitFrame != nullptr);
    splitFrame->GetWindow()->showNormal();
    splitFrame->GetWindow()->move(70, 80);
    testing::FlushEvents();
    const std::vector<CViewFrame*> frames{spectralFrame, spatialFrame, splitFrame};
    std::vector<QRect> before;
    for (CViewFrame* frame : frames) {
        before.push_back(frame->GetWindow()->geometry());
    }
    for (int round = 0; round < 3; ++round) {
        for (QNodeMediator* mediator : {&spectral, &spatial, &split}) {
            mediator->RelayoutViews();
        }
        testing::FlushEvents();
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i]->GetWindow()->geometry(), before[i]) << i;
    }
    // One nudge of (-1, 5): the offsets are signed, the size is kept.
    for (CViewFrame* frame : frames) {
        frame->GetMessageTarget().Post(NodeMessage::kRelayoutFrame, NodeMessage::kMinusOne, 5);
    }
    testing::FlushEvents();
    EXPECT_EQ(spectralFrame->GetWindow()->geometry(), before[0].translated(-1, 5));
    EXPECT_EQ(spatialFrame->GetWindow()->geometry(), before[1].translated(-1, 5));
    EXPECT_EQ(splitFrame->GetWindow()->geometry(), before[2]);
}

TEST_F(ViewFramesTest, ACaptionClickSelectsTheFramesNodeOnceAndRaisesIt) {
    QNodeMediator& first = AddNode(kTypeSpectralScanNode);
    QNodeMediator& second = AddNode(kTypeSpectralComparisonNode);
    ASSERT_TRUE(first.AddSpectralScanData(test::MirtSpectrum(1, {400, 600, 500}), true, false));
    auto* firstFrame = Open<CViewFrame>(first, QFrameClass::Spectral);
    auto* secondFrame = Open<CViewFrame>(second, QFrameClass::SpectralComparison);
    ASSERT_TRUE(firstFrame != nullptr && secondFrame != nullptr);
    CTreeItem* firstItem = Tree().GetRecords().FindByMediator(&first);
    CTreeItem* secondItem = Tree().GetRecords().FindByMediator(&second);
    // Side by side: a press reaches the window under it.
    secondFrame->GetWindow()->move(200, 520);
    Tree().SelectTreeNode(Tree().GetRootItem());
    m_drops.clear();

    auto clickCaption = [](CViewFrame& frame) {
        QMdiSubWindow& window = *frame.GetWindow();
        const QPoint caption(window.width() / 2, window.widget()->geometry().top() / 2);
        testing::SendMouse(window, QEvent::MouseButtonPress, caption, Qt::LeftButton, Qt::LeftButton);
        testing::SendMouse(window, QEvent::MouseButtonRelease, caption, Qt::LeftButton, Qt::NoButton);
        testing::FlushEvents();
    };
    clickCaption(*firstFrame);
    EXPECT_EQ(Tree().GetSelectedTreeNode(), firstItem);
    EXPECT_EQ(Tree().GetCurrentNode(), &first);
    EXPECT_EQ(List().GetOwner(), &first);
    EXPECT_EQ(List().topLevelItemCount(), 1);
    EXPECT_EQ(m_project->GetView()->GetFrameArea()->activeSubWindow(), firstFrame->GetWindow());
    EXPECT_TRUE(m_drops.empty());

    clickCaption(*secondFrame);
    EXPECT_EQ(Tree().GetSelectedTreeNode(), secondItem);
    EXPECT_EQ(List().GetOwner(), &second);
    EXPECT_EQ(m_project->GetView()->GetFrameArea()->activeSubWindow(), secondFrame->GetWindow());
    ASSERT_EQ(m_drops.size(), 1U);
    EXPECT_EQ(m_drops.back(),
              std::make_pair(static_cast<QWidget*>(secondFrame->GetWindow()->widget()), &second));

    // The same frame again: the tree already follows its node and is left as the user set it.
    Tree().SelectTreeNode(firstItem);
    clickCaption(*secondFrame);
    EXPECT_EQ(Tree().GetSelectedTreeNode(), firstItem);
    // A press inside the client is no caption click.
    QMdiSubWindow& secondWindow = *secondFrame->GetWindow();
    const QPoint inside = secondWindow.widget()->geometry().center();
    testing::SendMouse(secondWindow, QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton);
    testing::SendMouse(secondWindow, QEvent::MouseButtonRelease, inside, Qt::LeftButton, Qt::NoButton);
    testing::FlushEvents();
    EXPECT_EQ(m_drops.size(), 2U);
}

TEST_F(ViewFramesTest, ClosingAFrameResetsTheNodeAndTheTreeAndTheNextViewBuildsANewFrame) {
    QNodeMediator& node = AddNode(kTypeSpectralScanNode);
    QNodeMediator& other = AddNode(kTypeSpatialScanNode);
    ASSERT_TRUE(node.AddSpectralScanData(test::MirtSpectrum(1, {400, 600, 500}), true, false));
    auto* frame = Open<CViewFrame>(node, QFrameClass::Spectral);
    ASSERT_NE(frame, nullptr);
    node.ShowSpectralScanData(1);
    EXPECT_EQ(node.GetDisplayedSpectralScanID(), 1);
    QSpectralViewInterface* oldView = node.GetSpectralView();
    CTreeItem* otherItem = Tree().GetRecords().FindByMediator(&other);
    // A node drag runs over the tree with the node's item as its target.
    CTreeItem* nodeItem = Tree().GetRecords().FindByMediator(&node);
    QWidget& port = *Tree().viewport();
    testing::SendMouse(port, QEvent::MouseButtonPress, Tree().visualItemRect(otherItem->m_item).center(),
                       Qt::LeftButton, Qt::LeftButton);
    testing::SendMouse(port, QEvent::MouseMove, Tree().visualItemRect(nodeItem->m_item).center(),
                       Qt::NoButton, Qt::LeftButton);
    ASSERT_EQ(Tree().GetDropHighlightRecord(), nodeItem);
    Tree().SetCurrentNode(&node);
    Tree().SelectTreeNode(otherItem);

    QPointer<QMdiSubWindow> window = frame->GetWindow();
    window->close();
    EXPECT_EQ(Tree().GetDropHighlightRecord(), nullptr);
    QTest::keyClick(&Tree(), Qt::Key_Escape);
    EXPECT_FALSE(Tree().IsDragging());
    EXPECT_FALSE(frame->HasWindow());
    EXPECT_FALSE(oldView->HasWindow());
    EXPECT_EQ(node.GetDisplayedSpectralScanID(), -1);
    EXPECT_EQ(Tree().GetCurrentNode(), nullptr);
    EXPECT_EQ(List().GetOwner(), &other);
    Settle();
    EXPECT_EQ(window, nullptr);
    // The mediator's view pointer still answers until the next frame replaces it.
    node.RefreshSpectralView();
    node.RelayoutViews();
    Settle();

    bool created = false;
    node.OpenView(kTypeSpectralScanNode, created, true);
    EXPECT_TRUE(created);
    auto* again = dynamic_cast<CViewFrame*>(node.GetFrame(QFrameClass::Spectral));
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->HasWindow());
    EXPECT_NE(node.GetSpectralView(), nullptr);
    EXPECT_TRUE(node.GetSpectralView()->HasWindow());

    // The close message of the mediator closes the same way.
    again->GetMessageTarget().Post(NodeMessage::kClose);
    testing::FlushEvents();
    EXPECT_FALSE(again->HasWindow());

    // A spectral/spatial frame resets the node's displayed scan too; its panes answer as gone.
    QNodeMediator& split = AddNode(kTypeSpectralSpatialScanNode);
    for (uint32_t cell = 1; cell <= 2; ++cell) {
        ASSERT_TRUE(split.AddSpectralSpatialScanData(
            test::SpectralSpatialCell(1, cell, 2, 0, static_cast<uint16_t>(cell), {100, 200, 300}), true));
    }
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return split.GetDisplayedSpectralSpatialScanID() == 1; }));
    auto* splitFrame = dynamic_cast<CViewFrame*>(split.GetFrame(QFrameClass::SpectralSpatial));
    ASSERT_NE(splitFrame, nullptr);
    splitFrame->GetWindow()->close();
    EXPECT_EQ(split.GetDisplayedSpectralSpatialScanID(), -1);
    EXPECT_FALSE(split.GetSpectralView()->HasWindow());
    EXPECT_FALSE(split.GetSpatialView()->HasWindow());
    Settle();
    split.RefreshSpatialView();
    split.RelayoutViews();
    Settle();
}

TEST_F(ViewFramesTest, FramesGoWithTheirNodeAndWithTheClosingProjectLeavingTheTreeAlone) {
    QNodeMediator& deleted = AddNode(kTypeSpectralSpatialScanNode);
    QNodeMediator& kept = AddNode(kTypeSpectralComparisonNode);
    auto* splitFrame = Open<CViewFrame>(deleted, QFrameClass::SpectralSpatial);
    ASSERT_NE(splitFrame, nullptr);
    QPointer<QMdiSubWindow> splitWindow = splitFrame->GetWindow();
    Tree().SelectTreeNode(Tree().GetRecords().FindByMediator(&deleted));
    Tree().SetCurrentNode(&deleted);
    ASSERT_TRUE(Tree().DeleteSelectedNode());
    EXPECT_EQ(splitWindow, nullptr);
    EXPECT_EQ(Tree().GetCurrentNode(), nullptr);

    for (uint16_t kind : {kTypeSpectralScanNode, kTypeSpatialScanNode, kTypeBlindSpotReductionNode}) {
        QNodeMediator& mediator = AddNode(kind);
        bool created = false;
        mediator.OpenView(kind, created, true);
    }
    Open<CViewFrame>(kept, QFrameClass::SpectralComparison);
    QList<QPointer<QMdiSubWindow>> windows;
    for (QMdiSubWindow* window : m_project->GetView()->GetFrameArea()->subWindowList()) {
        windows.append(window);
    }
    EXPECT_EQ(windows.size(), 4);
    CTreeItem* selected = Tree().GetRecords().FindByMediator(&kept);
    Tree().SelectTreeNode(selected);
    Tree().SetCurrentNode(nullptr);
    List().Clear();
    List().SetOwner(nullptr);

    // The project goes with its window: its frames go without refilling the list.
    QPointer<QWidget> projectWindow = m_project->parentWidget();
    projectWindow->close();
    EXPECT_TRUE(testing::ProcessEventsUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return projectWindow == nullptr;
    }));
    for (const QPointer<QMdiSubWindow>& window : windows) {
        EXPECT_EQ(window, nullptr);
    }
}

TEST_F(ViewFramesTest, SpectralAndSpatialFramesKeepTheirMinimumTheOthersHaveNone) {
    struct Row {
        uint16_t kind;
        QFrameClass frameClass;
        QSize minimum;
    };
    for (const Row& row :
         {Row{2003, QFrameClass::Spectral, {420, 280}}, Row{2004, QFrameClass::Spatial, {420, 320}},
          Row{2010, QFrameClass::SpectralComparison, {}}, Row{2011, QFrameClass::SpatialComparison, {}},
          Row{2012, QFrameClass::SpectralOverlay, {}}, Row{2014, QFrameClass::Scripting, {}},
          Row{2030, QFrameClass::BlindSpotReduction, {}}}) {
        QNodeMediator& mediator = AddNode(row.kind);
        auto* frame = Open<CViewFrame>(mediator, row.frameClass);
        ASSERT_NE(frame, nullptr);
        QMdiSubWindow& window = *frame->GetWindow();
        window.resize(150, 100);
        testing::FlushEvents();
        if (row.minimum.isValid()) {
            EXPECT_EQ(window.size(), row.minimum) << row.kind;
        } else {
            EXPECT_EQ(window.size(), QSize(150, 100)) << row.kind;
        }
    }
}

TEST_F(ViewFramesTest, TheSpectralFramesLabelsTakeItsBrushOtherControlsKeepTheSystemColours) {
    QNodeMediator& spectral = AddNode(kTypeSpectralScanNode);
    QNodeMediator& spatial = AddNode(kTypeSpatialScanNode);
    auto* frame = Open<CSpectralViewFrame>(spectral, QFrameClass::Spectral);
    auto* spatialFrame = Open<CViewFrame>(spatial, QFrameClass::Spatial);
    ASSERT_TRUE(frame != nullptr && spatialFrame != nullptr);
    // Controls placed in the frame after it was made, one level down as an option panel holds them.
    auto* panel = new QWidget(frame->GetWindow());
    panel->setGeometry(10, 100, 200, 60);
    panel->raise();
    auto* label = new QLabel(QStringLiteral("Span"), panel);
    label->setGeometry(0, 0, 80, 24);
    auto* button = new QPushButton(QStringLiteral("Apply"), panel);
    button->setGeometry(100, 0, 80, 24);
    auto* spatialLabel = new QLabel(QStringLiteral("Level"), spatialFrame->GetWindow()->widget());
    spatialLabel->setGeometry(10, 100, 80, 24);
    panel->show();
    spatialLabel->show();
    testing::FlushEvents();

    const QColor brush(0xD8, 0xD8, 0xFF);
    EXPECT_TRUE(label->autoFillBackground());
    EXPECT_EQ(label->palette().color(QPalette::Window), brush);
    EXPECT_EQ(testing::PixelAt(testing::Grab(*label), 78, 2), brush);
    EXPECT_EQ(button->palette().color(QPalette::Button),
              QApplication::palette(button).color(QPalette::Button));
    EXPECT_FALSE(button->autoFillBackground());
    EXPECT_NE(spatialLabel->palette().color(QPalette::Window), brush);
}

} // namespace
} // namespace orv
