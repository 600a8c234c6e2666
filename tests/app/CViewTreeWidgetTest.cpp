#include "app/panes/CViewTreeWidget.h"
#include "app/panes/CNodeImageList.h"
#include "app/panes/CViewTreeDelegate.h"
#include "app/panes/CViewTreeMenu.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "project/QScanDataRecord.h"
#include "project/TfrmProjectView.h"
#include "scandata/CSpatialScanData.h"
#include "tests/app/support/ProjectTreeFixture.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace TreeCommand;

void CollectCommands(const QMenu& menu, std::set<uint32_t>& commands) {
    for (QAction* action : menu.actions()) {
        if (QMenu* submenu = action->menu()) {
            CollectCommands(*submenu, commands);
        } else if (const uint32_t command = CViewTreeMenu::CommandOf(action)) {
            commands.insert(command);
        }
    }
}

std::set<uint32_t> Commands(const QMenu& menu) {
    std::set<uint32_t> commands;
    CollectCommands(menu, commands);
    return commands;
}

using ProjectTreeTest = testing::ProjectTreeFixture;
using testing::kWindow;
using testing::SpectralScan;

TEST_F(ProjectTreeTest, RecordsCarryKindDepthParentAndTheImageOfTheirKind) {
    BuildEveryKind();
    const std::map<uint16_t, int32_t> images = {{kTypeProjectNode, 0},
                                                {kTypeSpectralScanNode, 1},
                                                {kTypeSpatialScanNode, 2},
                                                {kTypeSpectralSpatialScanNode, 3},
                                                {kTypeSpectralSpatialUserCompositeNode, 3},
                                                {kTypeHandHeldProbeScanNode, 4},
                                                {kTypeSpectralComparisonNode, 5},
                                                {kTypeSpectralOverlayNode, 6},
                                                {kTypeSpatialComparisonNode, 7},
                                                {kTypeBlindSpotReductionNode, 8},
                                                {kTypeModuleNode, 9},
                                                {kTypeWordReportNode, 10},
                                                {kTypeSpectralSpatialScriptingModuleNode, 11}};
    for (const auto& [name, record] : m_nodes) {
        ASSERT_NE(record, nullptr) << name;
        const int32_t image = images.at(record->m_kind);
        EXPECT_EQ(CNodeImageList::ImageOfKind(record->m_kind), image) << name;
        EXPECT_EQ(record->m_item->icon(0).cacheKey(), CNodeImageList::Instance().Icon(image).cacheKey())
            << name;
        EXPECT_EQ(record->m_tree, &m_tree);
        EXPECT_EQ(record->m_depth, record->m_parent != nullptr ? record->m_parent->m_depth + 1 : 0) << name;
        if (record->m_parent != nullptr) {
            EXPECT_TRUE(record->m_parent->m_item->isExpanded()) << name;
            EXPECT_EQ(record->m_kind, record->m_mediator->GetKind()) << name;
        }
    }
    EXPECT_EQ(Root()->m_kind, kTypeProjectNode);
    EXPECT_EQ(m_tree.GetRecords().GetFirst(), Root());
    EXPECT_EQ(m_tree.GetRecords().GetCount(), m_nodes.size());
    EXPECT_EQ(CNodeImageList::ImageOfKind(kTypeNoteNode), -1);
    // The pictures are 16 x 16 and differ from one another.
    std::set<qint64> pictures;
    for (int i = 0; i < CNodeImageList::kImageCount; ++i) {
        const QImage image = CNodeImageList::Instance().Icon(i).pixmap(16, 16).toImage();
        EXPECT_EQ(image.size(), QSize(16, 16));
        pictures.insert(image.cacheKey());
    }
    EXPECT_EQ(pictures.size(), static_cast<size_t>(CNodeImageList::kImageCount));
    // Look-ups by item and by mediator answer the record the walkers give.
    for (const auto& [name, record] : m_nodes) {
        EXPECT_EQ(m_tree.FindItemRecord(record->m_item), record) << name;
    }
    EXPECT_EQ(m_tree.GetRelatedItem(m_nodes["spectral"], CViewTreeWidget::kPrevious), m_nodes["module"]);
    EXPECT_EQ(m_tree.GetRelatedItem(m_nodes["module"], CViewTreeWidget::kNext), m_nodes["spectral"]);
    EXPECT_EQ(m_tree.GetRelatedItem(m_nodes["spectral"], CViewTreeWidget::kChild),
              m_nodes["spatialUnderSpectral"]);
    EXPECT_EQ(m_tree.GetRelatedItem(m_nodes["overlay"], CViewTreeWidget::kParent), m_nodes["spectral"]);
    EXPECT_EQ(m_tree.GetRelatedItem(nullptr, CViewTreeWidget::kRoot), Root());
}

struct MenuRow {
    const char* node;
    const char* popup;
    std::set<uint32_t> offered;
    std::set<uint32_t> withheld;
};

TEST_F(ProjectTreeTest, EachKindGetsItsPopupWithTheItemsOfItsKindRemoved) {
    BuildEveryKind();
    const std::vector<MenuRow> rows = {
        {"root",
         "Project Popup",
         {kSettings, kAddSpectral, kAddSpatial, kAddModule, kAddReportGenerator},
         {kRunOnce, kRunContinuously, kDeleteNode, kOpenView}},
        {"module",
         "Project Popup",
         {kDeleteNode, kAddSpectral, kSettings},
         {kRunOnce, kRunContinuously, kOpenView}},
        {"spectral",
         "Project Popup",
         {kRunOnce, kRunContinuously, kOpenView, kDeleteNode, kAddSpatial, kAddSpectralComparison,
          kAddSpectralOverlay},
         {kProperties, kNodeViews, kNodeScanData, kAddSpectral, kAddSpectralSpatial, kAddHandHeldProbe,
          kAddSpatialComparison, kAddModule}},
        {"spatial",
         "Project Popup",
         {kRunOnce, kDeleteNode, kAddSpatialComparison},
         {kRunContinuously, kAddSpectral, kAddSpatial, kAddSpectralSpatial, kAddHandHeldProbe,
          kAddSpectralComparison, kAddSpectralOverlay, kAddModule}},
        {"spatialUnderSpectral", "Project Popup", {kRunOnce, kRunContinuously, kDeleteNode}, {kAddSpatial}},
        {"ss",
         "Project Popup",
         {kRunOnce, kAddSpatial, kDeleteNode},
         {kProperties, kRunContinuously, kAddSpectral, kAddSpectralSpatial, kAddHandHeldProbe,
          kAddSpectralOverlay, kAddSpatialComparison, kAddSpectralComparison, kAddModule}},
        {"handheld", "Project Popup", {kRunOnce, kAddSpatial}, {kRunContinuously, kProperties, kAddModule}},
        {"scriptSS", "Spectral/Spatial Scripting", {kRunOnce, kAddSpatial}, {kRunContinuously, kAddModule}},
        {"scriptSpatial", "Project Popup", {kRunOnce, kSettings}, {kDeleteNode}},
        {"compareSpectral", "Comparison Node", {kOpenView, kDeleteNode}, {kRunOnce, kRunContinuously}},
        {"compareSpatial", "Comparison Node", {kOpenView, kDeleteNode}, {kRunOnce, kRunContinuously}},
        {"overlay", "Comparison Node", {kOpenView}, {kRunOnce, kRunContinuously}},
        {"blindSpot", "Comparison Node", {kOpenView}, {kRunOnce, kRunContinuously}},
        {"scripting", "Project Popup", {kRunOnce, kDeleteNode}, {kRunContinuously}},
        {"composite", "SS User Composite Node", {kOpenView, kDeleteNode, kSettings}, {kRunOnce}},
        {"report",
         "Project Popup",
         {kOpenView, kDeleteNode, kSettings},
         {kRunOnce, kRunContinuously, kAddSpectral, kAddSpatial, kAddModule, kAddReportGenerator}},
    };
    for (const MenuRow& row : rows) {
        std::unique_ptr<QMenu> menu = m_tree.BuildContextMenu(m_nodes.at(row.node));
        ASSERT_NE(menu, nullptr) << row.node;
        EXPECT_EQ(menu->title().toStdString(), row.popup) << row.node;
        const std::set<uint32_t> commands = Commands(*menu);
        for (uint32_t command : row.offered) {
            EXPECT_EQ(commands.count(command), 1U) << row.node << " lacks " << command;
        }
        for (uint32_t command : row.withheld) {
            EXPECT_EQ(commands.count(command), 0U) << row.node << " offers " << command;
        }
        for (uint32_t never :
             {kAddNote, kAddSpatialBlindSpotReduction, kAddBlindSpotReduction, kAddScripting}) {
            EXPECT_EQ(commands.count(never), 0U) << row.node << " offers " << never;
        }
        // No doubled separators are left behind the removals.
        const QList<QAction*> actions = menu->actions();
        for (qsizetype i = 1; i < actions.size(); ++i) {
            EXPECT_FALSE(actions[i]->isSeparator() && actions[i - 1]->isSeparator()) << row.node;
        }
    }
    // The Report Generator loses its "Add Node" submenu by position.
    std::unique_ptr<QMenu> report = m_tree.BuildContextMenu(m_nodes["report"]);
    for (QAction* action : report->actions()) {
        EXPECT_EQ(action->menu(), nullptr);
    }
}

TEST_F(ProjectTreeTest, RunItemsAreGreyUnlessReadyAndDeleteNodeWhileAScanRuns) {
    BuildEveryKind();
    struct Row {
        int32_t state;
        bool run;
        bool remove;
    };
    // Delete Node is grey in every state in which a run may be using the nodes.
    for (const Row& row :
         {Row{0, false, true}, Row{2, true, true}, Row{3, false, false}, Row{7, false, false},
          Row{8, false, false}, Row{12, false, false}, Row{13, false, false}, Row{14, false, false},
          Row{15, false, true}, Row{1, false, true}}) {
        m_frame.engine.SetState(row.state);
        std::unique_ptr<QMenu> menu = m_tree.BuildContextMenu(m_nodes["spectral"]);
        EXPECT_EQ(CViewTreeMenu::FindCommand(*menu, kRunOnce)->isEnabled(), row.run) << row.state;
        EXPECT_EQ(CViewTreeMenu::FindCommand(*menu, kRunContinuously)->isEnabled(), row.run) << row.state;
        EXPECT_EQ(CViewTreeMenu::FindCommand(*menu, kDeleteNode)->isEnabled(), row.remove) << row.state;
        EXPECT_TRUE(CViewTreeMenu::FindCommand(*menu, kSettings)->isEnabled()) << row.state;
    }
}

TEST_F(ProjectTreeTest, RunningTheSelectedNodeByKind) {
    BuildEveryKind();
    struct Row {
        const char* node;
        bool continuous;
        const char* refusal; // null: the run is asked of the controller
    };
    const std::vector<Row> rows = {
        {"spectral", false, nullptr},
        {"spectral", true, nullptr},
        {"spatialUnderSpectral", true, nullptr},
        {"spatial", false, nullptr},
        {"spatial", true, CViewTreeWidget::kInterleavedRunText},
        {"ss", false, nullptr},
        {"ss", true, CViewTreeWidget::kNoContinuousRunText},
        {"scripting", false, nullptr},
        {"scripting", true, CViewTreeWidget::kNoContinuousRunText},
        {"handheld", false, nullptr},
        {"handheld", true, CViewTreeWidget::kNoContinuousRunText},
        {"module", false, CViewTreeWidget::kNoRunText},
        {"root", false, CViewTreeWidget::kNoRunText},
        {"report", false, CViewTreeWidget::kNoRunText},
        {"compareSpatial", false, CViewTreeWidget::kNoRunText},
    };
    for (const Row& row : rows) {
        CTreeItem* record = m_nodes.at(row.node);
        m_tree.SelectTreeNode(record);
        const size_t runs = m_frame.engine.runs.size();
        const size_t prompts = m_sandbox.Prompt().Texts().size();
        Log().clear();
        const bool started = m_tree.CanRunSelectedNode(row.continuous);
        if (row.refusal != nullptr) {
            EXPECT_FALSE(started) << row.node;
            EXPECT_EQ(m_frame.engine.runs.size(), runs) << row.node;
            ASSERT_EQ(m_sandbox.Prompt().Texts().size(), prompts + 1) << row.node;
            EXPECT_EQ(m_sandbox.Prompt().Texts().back(), row.refusal) << row.node;
            EXPECT_FALSE(Logged("frame")) << row.node;
        } else {
            EXPECT_TRUE(started) << row.node;
            ASSERT_EQ(m_frame.engine.runs.size(), runs + 1) << row.node;
            EXPECT_EQ(m_frame.engine.runs.back().first, record->m_mediator) << row.node;
            EXPECT_EQ(m_frame.engine.runs.back().second, row.continuous) << row.node;
            EXPECT_EQ(m_sandbox.Prompt().Texts().size(), prompts) << row.node;
            EXPECT_TRUE(Logged("frame")) << row.node << ": the node's view opens";
        }
    }
    // The controller's refusal is the answer; the view opens all the same.
    m_frame.engine.runResult = false;
    m_tree.SelectTreeNode(m_nodes["spectral"]);
    Log().clear();
    EXPECT_FALSE(m_tree.CanRunSelectedNode(false));
    EXPECT_TRUE(Logged("frame"));
    // No selection: nothing.
    m_tree.setCurrentItem(nullptr);
    EXPECT_FALSE(m_tree.CanRunSelectedNode(false));
}

TEST_F(ProjectTreeTest, AddingANodeSelectsItOpensItsSettingsAndTheViewsOfViewedKinds) {
    struct Row {
        uint16_t kind;
        bool view;
    };
    const std::vector<Row> rows = {{kTypeSpectralScanNode, true},
                                   {kTypeSpatialScanNode, true},
                                   {kTypeSpectralSpatialScanNode, true},
                                   {kTypeHandHeldProbeScanNode, true},
                                   {kTypeSpectralComparisonNode, true},
                                   {kTypeSpatialComparisonNode, true},
                                   {kTypeSpectralOverlayNode, true},
                                   {kTypeBlindSpotReductionNode, true},
                                   {kTypeModuleNode, false},
                                   {kTypeWordReportNode, false}};
    for (const Row& row : rows) {
        m_tree.SelectTreeNode(Root());
        Log().clear();
        m_view.target.received.clear();
        ASSERT_TRUE(m_tree.AddNode(row.kind)) << row.kind;
        CTreeItem* added = m_tree.GetSelectedTreeNode();
        ASSERT_NE(added, nullptr);
        EXPECT_EQ(added->m_kind, row.kind);
        EXPECT_EQ(added->m_parent, Root());
        EXPECT_EQ(CountReceived(NodeMessage::kProjectModified), 1U) << row.kind;
        const std::string caption = "Node Settings - " + added->m_mediator->GetName();
        const bool modeless = row.kind == kTypeWordReportNode;
        EXPECT_NE(std::find(Log().begin(), Log().end(),
                            (modeless ? "modeless " : "modal ") + caption + (modeless ? " centred" : "")),
                  Log().end())
            << row.kind;
        EXPECT_EQ(Logged("frame"), row.view) << row.kind;
    }
    // The scripting kind is never added this way, nor anything without a selection.
    m_tree.SelectTreeNode(Root());
    const size_t count = m_tree.GetRecords().GetCount();
    EXPECT_FALSE(m_tree.AddNode(kTypeSpectralSpatialScriptingModuleNode));
    m_tree.setCurrentItem(nullptr);
    EXPECT_FALSE(m_tree.AddNode(kTypeSpectralScanNode));
    EXPECT_EQ(m_tree.GetRecords().GetCount(), count);
}

TEST_F(ProjectTreeTest, TheMenuAddsThroughTheProjectAndTheRightClickRoute) {
    CTreeItem* spectral = Add(Root(), kTypeSpectralScanNode);
    ShowTree();
    std::string shown;
    m_tree.SetMenuRunner([&shown](QMenu& menu, const QPoint&) -> QAction* {
        shown = menu.title().toStdString();
        return CViewTreeMenu::FindCommand(menu, kAddSpatial);
    });
    QContextMenuEvent click(QContextMenuEvent::Mouse, CentreOf(spectral),
                            m_tree.viewport()->mapToGlobal(CentreOf(spectral)));
    QCoreApplication::sendEvent(m_tree.viewport(), &click);
    EXPECT_EQ(shown, "Project Popup");
    CTreeItem* added = m_tree.GetSelectedTreeNode();
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->m_kind, kTypeSpatialScanNode);
    EXPECT_EQ(added->m_parent, spectral);
    EXPECT_EQ(CountReceived(NodeMessage::kProjectModified), 1U);

    // Module and Report Generator come without a view; Hand-Held Probe with one.
    m_tree.SelectTreeNode(Root());
    Log().clear();
    m_tree.OnMenuCommand(kAddModule);
    EXPECT_EQ(m_tree.GetSelectedTreeNode()->m_kind, kTypeModuleNode);
    EXPECT_FALSE(Logged("frame"));
    m_tree.SelectTreeNode(Root());
    m_tree.OnMenuCommand(kAddHandHeldProbe);
    EXPECT_EQ(m_tree.GetSelectedTreeNode()->m_kind, kTypeHandHeldProbeScanNode);
    EXPECT_TRUE(Logged("frame"));

    // Commands the tree does not handle go the frame's way.
    std::vector<uint32_t> routed;
    m_tree.SetCommandRoute([&routed](uint32_t command) { routed.push_back(command); });
    m_tree.OnMenuCommand(kProperties);
    EXPECT_EQ(routed, std::vector<uint32_t>{kProperties});
}

TEST_F(ProjectTreeTest, DeletingNodesRefusesTheRootAndRunningScansAndCancel) {
    CTreeItem* module = Add(Root(), kTypeModuleNode);
    CTreeItem* spectral = Add(module, kTypeSpectralScanNode);
    Add(spectral, kTypeSpatialScanNode);
    const size_t count = m_tree.GetRecords().GetCount();

    // The root: refused by the project, no 10018, the selection stays.
    m_tree.SelectTreeNode(Root());
    m_tree.OnMenuCommand(kDeleteNode);
    EXPECT_EQ(m_sandbox.Prompt().Texts(),
              (std::vector<std::string>{CViewTreeWidget::kDeleteNodeText, TfrmProjectView::kDeleteRootText}));
    EXPECT_EQ(m_sandbox.Prompt().Requests().front().caption, "Delete");
    EXPECT_EQ(m_tree.GetRecords().GetCount(), count);
    EXPECT_EQ(CountReceived(NodeMessage::kProjectModified), 0U);

    // Cancel changes nothing.
    m_tree.SelectTreeNode(module);
    m_tree.SetCurrentNode(module->m_mediator);
    m_sandbox.Prompt().Script(PromptAnswer::Cancel);
    m_tree.OnMenuCommand(kDeleteNode);
    EXPECT_EQ(m_tree.GetRecords().GetCount(), count);
    EXPECT_EQ(m_tree.GetSelectedTreeNode(), module);
    EXPECT_EQ(m_tree.GetCurrentNode(), module->m_mediator);
    EXPECT_EQ(CountReceived(NodeMessage::kProjectModified), 0U);

    // A scan running below: refused by the menu and by the project's own route.
    testing::NoWorkerScanHost host;
    QNodeMediator* scanning = spectral->m_mediator;
    EXPECT_FALSE(scanning->StartScanThread(host, 0));
    ASSERT_TRUE(scanning->IsScanning());
    m_tree.OnMenuCommand(kDeleteNode);
    EXPECT_EQ(m_sandbox.Prompt().Texts().back(), TfrmProjectView::kDeleteScanningText);
    EXPECT_FALSE(m_app->DeleteSelectedNode());
    EXPECT_EQ(m_tree.GetRecords().GetCount(), count);
    EXPECT_EQ(m_tree.GetCurrentNode(), module->m_mediator);
    EXPECT_EQ(CountReceived(NodeMessage::kProjectModified), 0U);
    scanning->StopWorker();
    // Also a run below whose set-up is under way, before any worker.
    scanning->SetScanInProgress(true);
    EXPECT_FALSE(m_app->DeleteSelectedNode());
    EXPECT_EQ(m_tree.GetRecords().GetCount(), count);
    scanning->SetScanInProgress(false);

    // Deleted: the subtree's records go, the root is selected, the current node is cleared.
    m_tree.OnMenuCommand(kDeleteNode);
    EXPECT_EQ(m_tree.GetRecords().GetCount(), 1U);
    EXPECT_EQ(m_tree.GetSelectedTreeNode(), Root());
    EXPECT_EQ(m_tree.GetCurrentNode(), nullptr);
    EXPECT_EQ(CountReceived(NodeMessage::kProjectModified), 1U);

    // Deleting the root's subtree leaves the root item.
    Add(Root(), kTypeSpectralScanNode);
    Add(Add(Root(), kTypeModuleNode), kTypeSpatialScanNode);
    m_tree.DeleteItemSubtree(Root());
    EXPECT_EQ(m_tree.GetRecords().GetCount(), 1U);
    EXPECT_EQ(m_tree.topLevelItemCount(), 1);
    EXPECT_EQ(Root()->m_item->childCount(), 0);
}

TEST_F(ProjectTreeTest, ItemColoursFollowTheNodesData) {
    CTreeItem* spectral = Add(Root(), kTypeSpectralScanNode);
    CTreeItem* compare = Add(Root(), kTypeSpatialComparisonNode);
    CTreeItem* module = Add(Root(), kTypeModuleNode);
    const CViewTreeDelegate& delegate = m_tree.GetDelegate();
    const auto colour = [&](CTreeItem* record) {
        return delegate.TextColour(m_tree.indexFromItem(record->m_item)).rgb() & 0xFFFFFFU;
    };
    EXPECT_EQ(colour(module), 0x000000U);
    EXPECT_EQ(colour(Root()), 0x000000U);

    EXPECT_EQ(colour(compare), 0x828282U);
    auto reference = std::make_unique<CSpatialScanData>();
    reference->m_ScanId = 1;
    ASSERT_TRUE(compare->m_mediator->SetComparedScan(true, std::move(reference)));
    EXPECT_EQ(colour(compare), 0x828282U) << "one source is not enough";
    auto test = std::make_unique<CSpatialScanData>();
    test->m_ScanId = 2;
    ASSERT_TRUE(compare->m_mediator->SetComparedScan(false, std::move(test)));
    EXPECT_EQ(colour(compare), 0x000000U);

    EXPECT_EQ(colour(spectral), 0x828282U);
    ASSERT_TRUE(spectral->m_mediator->AddSpectralScanData(SpectralScan(1), false, false));
    // The first scan's arrival repaints the tree; the colour is asked then, no click needed.
    spectral->m_mediator->ShowNewestScan(kTypeSpectralScanNode);
    EXPECT_EQ(colour(spectral), 0x000000U);

    // The selected item is painted in the highlight colours.
    m_tree.SelectTreeNode(module);
    QStyleOptionViewItem option;
    option.initFrom(&m_tree);
    option.state |= QStyle::State_Selected;
    class Probe : public CViewTreeDelegate {
    public:
        using CViewTreeDelegate::CViewTreeDelegate;
        using CViewTreeDelegate::initStyleOption;
    };
    Probe probe(m_tree);
    probe.initStyleOption(&option, m_tree.indexFromItem(spectral->m_item));
    EXPECT_EQ(option.palette.color(QPalette::Inactive, QPalette::Highlight),
              QApplication::palette().color(QPalette::Active, QPalette::Highlight));
}

TEST_F(ProjectTreeTest, SortedChildrenGoAfterTheLastKeyNotAboveTheirs) {
    CTreeItem* module = Add(Root(), kTypeModuleNode);
    const uint32_t parentId = module->m_mediator->GetNodeID();
    for (float centre : {100.0F, 200.0F, 300.0F}) {
        CTreeItem* child = Add(module, kTypeSpectralScanNode);
        QScanOptions* options = child->m_mediator->GetScanOptions();
        options->SetStartFrequency(centre - 10.0F);
        options->SetStopFrequency(centre + 10.0F);
    }
    struct Row {
        float key;
        int position;
    };
    for (const Row& row : {Row{50.0F, 0}, Row{150.0F, 1}, Row{200.0F, 2}, Row{400.0F, 3}}) {
        QNodeMediator* added = m_tree.AddChildNodeSorted(parentId, kTypeSpectralScanNode, row.key);
        ASSERT_NE(added, nullptr);
        CTreeItem* record = m_tree.GetRecords().FindByMediator(added);
        EXPECT_EQ(module->m_item->indexOfChild(record->m_item), row.position) << row.key;
        // The added node has no range of its own yet: drop it again so the next row sees three.
        m_tree.DeleteNodeItem(added->GetNodeID());
        EXPECT_EQ(module->m_item->childCount(), 3);
    }
    EXPECT_EQ(m_tree.AddChildNodeSorted(0xDEADU, kTypeSpectralScanNode, 1.0F), nullptr);

    std::vector<QNodeMediator*> children;
    m_tree.GetChildNodeMediators(parentId, children);
    EXPECT_EQ(children.size(), 3U);
    std::vector<QNodeMediator*> below;
    m_tree.CollectSubtreeNodes(Root(), below);
    EXPECT_EQ(below.size(), 4U);
    EXPECT_EQ(below.front(), module->m_mediator);
}

TEST_F(ProjectTreeTest, DoubleClickingTheReportGeneratorShowsItsSheetModelessAndNoView) {
    CTreeItem* report = Add(Root(), kTypeWordReportNode);
    CTreeItem* spectral = Add(Root(), kTypeSpectralScanNode);
    ShowTree();
    QTest::mouseDClick(m_tree.viewport(), Qt::LeftButton, Qt::NoModifier, CentreOf(report));
    const std::string caption = "Node Settings - " + report->m_mediator->GetName();
    EXPECT_NE(std::find(Log().begin(), Log().end(), "modeless " + caption + " centred"), Log().end());
    EXPECT_FALSE(Logged("frame"));
    EXPECT_FALSE(Logged("report"));
    EXPECT_EQ(m_tree.GetCurrentNode(), report->m_mediator);

    // Another kind's view opens; a click then leaves the current node, and so does scrolling.
    Log().clear();
    QTest::mouseDClick(m_tree.viewport(), Qt::LeftButton, Qt::NoModifier, CentreOf(spectral));
    EXPECT_TRUE(Logged("frame"));
    EXPECT_EQ(m_tree.GetCurrentNode(), spectral->m_mediator);
    m_tree.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(m_tree.GetCurrentNode(), nullptr);
    m_tree.SetCurrentNode(spectral->m_mediator);
    QTest::mouseClick(m_tree.viewport(), Qt::LeftButton, Qt::NoModifier, CentreOf(report));
    EXPECT_EQ(m_tree.GetCurrentNode(), nullptr);
    EXPECT_EQ(m_tree.GetSelectedTreeNode(), report);

    // With the report generator open, any right click offers popup 7 alone.
    m_app->SetReportGeneratorOpen(true);
    std::string shown;
    std::set<uint32_t> offered;
    m_tree.SetMenuRunner([&](QMenu& menu, const QPoint&) -> QAction* {
        shown = menu.title().toStdString();
        offered = Commands(menu);
        return menu.actions().front();
    });
    std::vector<uint32_t> routed;
    m_tree.SetCommandRoute([&routed](uint32_t command) { routed.push_back(command); });
    QContextMenuEvent click(QContextMenuEvent::Mouse, CentreOf(spectral),
                            m_tree.viewport()->mapToGlobal(CentreOf(spectral)));
    QCoreApplication::sendEvent(m_tree.viewport(), &click);
    EXPECT_EQ(shown, "Report Generator");
    EXPECT_EQ(offered, std::set<uint32_t>{kNoOperationReport});
    EXPECT_EQ(routed, std::vector<uint32_t>{kNoOperationReport});
    EXPECT_EQ(CViewTreeMenu::FindCommand(*m_tree.BuildContextMenu(Root()), kNoOperationReport)
                  ->text()
                  .toStdString(),
              "No operation untill the report generator is closed !");
}

TEST_F(ProjectTreeTest, ToolTipsShowTheNodesLabel) {
    CTreeItem* labelled = Add(Root(), kTypeSpectralScanNode);
    CTreeItem* plain = Add(Root(), kTypeModuleNode);
    labelled->m_mediator->SetLabel(std::string(120, 'w') + " end");
    plain->m_mediator->SetLabel("");
    ShowTree();
    QTest::mouseMove(m_tree.viewport(), m_tree.visualItemRect(labelled->m_item).topLeft() + QPoint(4, 4));
    EXPECT_EQ(m_tree.GetToolTipItem(), labelled);
    EXPECT_EQ(m_tree.GetToolTipColour(), CViewTreeWidget::kTipBackground);
    EXPECT_TRUE(m_tree.GetToolTipTimer().isActive());
    EXPECT_EQ(m_tree.GetToolTipTimer().interval(), 3000);
    const QFontMetrics metrics(QToolTip::font());
    const QStringList lines = m_tree.GetToolTipText().split(QLatin1Char('\n'));
    EXPECT_GT(lines.size(), 1);
    for (const QString& line : lines) {
        EXPECT_LE(metrics.horizontalAdvance(line), CViewTreeWidget::kTipMaxWidth);
    }
    EXPECT_EQ(QString(m_tree.GetToolTipText()).remove(QLatin1Char('\n')).remove(QLatin1Char(' ')),
              QString(QString(120, QLatin1Char('w')) + "end"));

    QTest::mouseMove(m_tree.viewport(), m_tree.visualItemRect(plain->m_item).topLeft() + QPoint(4, 4));
    EXPECT_EQ(m_tree.GetToolTipItem(), plain);
    EXPECT_EQ(m_tree.GetToolTipColour(), CViewTreeWidget::kEmptyTipBackground);

    // Beside the label, nothing is shown.
    QTest::mouseMove(m_tree.viewport(), QPoint(m_tree.viewport()->width() - 2,
                                               m_tree.visualItemRect(plain->m_item).center().y()));
    EXPECT_EQ(m_tree.GetToolTipItem(), nullptr);
    EXPECT_TRUE(m_tree.GetToolTipText().isEmpty());
    EXPECT_FALSE(m_tree.GetToolTipTimer().isActive());
}

TEST_F(ProjectTreeTest, ClicksShowTheNodesScanData) {
    CTreeItem* spectral = Add(Root(), kTypeSpectralScanNode);
    ASSERT_TRUE(spectral->m_mediator->AddSpectralScanData(SpectralScan(1), false, false));
    ASSERT_TRUE(spectral->m_mediator->AddSpectralScanData(SpectralScan(2), false, false));
    ShowTree();
    QTest::mouseClick(m_tree.viewport(), Qt::LeftButton, Qt::NoModifier, CentreOf(spectral));
    EXPECT_EQ(m_view.list.owner, spectral->m_mediator);
    EXPECT_EQ(m_view.list.rows, (std::vector<std::string>{"1", "2"}));
    QTest::mouseClick(m_tree.viewport(), Qt::LeftButton, Qt::NoModifier, CentreOf(Root()));
    EXPECT_TRUE(m_view.list.rows.empty());
    // The node container's rename reaches the item.
    m_tree.SetNodeItemText(spectral->m_mediator->GetNodeID(), "renamed");
    EXPECT_EQ(spectral->m_item->text(0).toStdString(), "renamed");
    EXPECT_EQ(spectral->m_name, "renamed");
    // The mediator selects its own item.
    spectral->m_mediator->SelectInProjectTree();
    EXPECT_TRUE(m_tree.IsSelectedNode(spectral->m_mediator));
}

TEST_F(ProjectTreeTest, PreferencesOpenModallyUnderTheirOwnCaption) {
    EXPECT_TRUE(m_app->OpenPreferences("Preference123"));
    EXPECT_EQ(Log(), (std::vector<std::string>{"sheet Preferences", "modal Preferences"}));
}

} // namespace
} // namespace orv
