#include "project/TfrmProjectView.h"
#include "core/QException.h"
#include "core/TypeIds.h"
#include "project/OverlayStartupFlag.h"
#include "project/TfrmMainApp.h"
#include "tests/project/support/ProjectContainerFixture.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace orv::containertest {
namespace {

using ProjectViewTest = ProjectContainerTest;

// (node kind, node ID, parent ID) per node of a saved pair list, in list order.
struct SavedNode {
    uint16_t kind;
    uint32_t id;
    uint32_t parent;
};

std::vector<SavedNode> Describe(const QNodePairList& pairs) {
    std::vector<SavedNode> nodes;
    for (const QNodePair& pair : pairs) {
        nodes.push_back(
            {pair.m_node->GetNode()->GetTypeID(), pair.m_node->GetNodeID(), pair.m_parent->GetNodeID()});
    }
    return nodes;
}

// What a project-file load makes of a saved list: a new mediator per node, each pair naming the
// mediator of its parent.
ScriptedFileOperations::LoadScript LoadFrom(std::vector<SavedNode> nodes) {
    return [nodes](TfrmMainApp*, QNodePairList& pairs, QStorageErrorList&) {
        std::map<uint32_t, QNodeMediator*> byId;
        for (const SavedNode& node : nodes) {
            QNodeMediator* mediator = MakeLoadedNode(node.kind, node.id).release();
            byId.emplace(node.id, mediator);
            const auto parent = byId.find(node.parent);
            pairs.push_back({mediator, parent != byId.end() ? parent->second : nullptr});
        }
        return true;
    };
}

TEST_F(ProjectViewTest, ANewProjectHasItsRootAndSavesPreferencesAndRootFirst) {
    auto app = MakeAppWithNewProject();
    TfrmProjectView& view = *app->GetOpenProject();
    ASSERT_TRUE(view.IsProjectOpen());
    EXPECT_EQ(view.GetStorageManager()->GetProjectName(), "Untitled");
    EXPECT_TRUE(app->IsUntitled());
    EXPECT_EQ(view.GetNodeCount(), 1U);
    EXPECT_EQ(m_tree.Outline(), "Project");
    QNodeMediator* root = view.GetRootMediator();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetKind(), kTypeProjectNode);
    EXPECT_EQ(root->GetContainer(), view.GetNodeContainer());
    EXPECT_EQ(root->GetTreeContainer(), view.GetNodeContainer());
    EXPECT_EQ(m_tree.GetRootItem()->image, 7);
    EXPECT_FALSE(view.IsModified());

    // The Preferences node's container lists the root as its child; the root's parent is the
    // Preferences node.
    QNodeMediator* preferences = app->GetPreferencesMediator();
    EXPECT_EQ(app->GetNodeContainer()->GetChildMediators(*preferences), std::vector<QNodeMediator*>{root});
    EXPECT_EQ(view.GetParentMediator(*root), preferences);

    view.MarkModified();
    ASSERT_TRUE(app->SaveProject());
    EXPECT_FALSE(view.IsModified());
    ASSERT_EQ(m_operations->savedMediators.size(), 1U);
    const QNodePairList& saved = m_operations->savedMediators[0];
    ASSERT_EQ(saved.size(), 2U);
    EXPECT_EQ(saved[0].m_node, preferences);
    EXPECT_EQ(saved[0].m_parent, preferences);
    EXPECT_EQ(saved[1].m_node, root);
    EXPECT_EQ(saved[1].m_parent, root);
}

TEST_F(ProjectViewTest, SavesEveryNodeAfterItsParentInTreeOrder) {
    auto app = MakeAppWithNewProject();
    TfrmProjectView& view = *app->GetOpenProject();
    CTreeItem* rootItem = m_tree.GetRootItem();
    QNodeMediator* module = view.AddNode(rootItem, CViewTree::kLast, kTypeModuleNode);
    QNodeMediator* note = view.AddNode(rootItem, CViewTree::kLast, kTypeNoteNode);
    QNodeMediator* spatial = view.AddNode(m_tree.Find(module), CViewTree::kLast, kTypeSpatialScanNode);
    // Inserted before its sibling: the tree order, not the order of making, decides.
    QNodeMediator* spectral = view.AddNode(m_tree.Find(module), 0, kTypeSpectralScanNode);
    QNodeMediator* reference =
        view.AddNode(m_tree.Find(spectral), CViewTree::kLast, kTypeSpectralScanReferenceNode);
    ASSERT_NE(reference, nullptr);
    EXPECT_TRUE(view.IsModified());
    EXPECT_EQ(m_tree.Outline(), "Project(Module(Spectral(),Spatial),Note)");
    EXPECT_EQ(view.GetChildMediators(*module), (std::vector<QNodeMediator*>{spectral, spatial}));
    EXPECT_EQ(view.GetParentMediator(*spatial), module);
    EXPECT_EQ(view.FindRecord(module)->m_kind, kTypeSpectralScanNode); // the kind added last below it

    ASSERT_TRUE(view.SaveProject());
    QNodeMediator* preferences = app->GetPreferencesMediator();
    QNodeMediator* root = view.GetRootMediator();
    const QNodePairList& pairs = view.GetPairList();
    const std::vector<std::pair<QNodeMediator*, QNodeMediator*>> expected{
        {preferences, preferences}, {root, root},      {module, root}, {spectral, module},
        {reference, spectral},      {spatial, module}, {note, root}};
    ASSERT_EQ(pairs.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(pairs[i].m_node, expected[i].first) << i;
        EXPECT_EQ(pairs[i].m_parent, expected[i].second) << i;
    }
    // Node IDs are unique within the project.
    std::set<uint32_t> ids;
    for (const QNodePair& pair : pairs) {
        ids.insert(pair.m_node->GetNodeID());
    }
    EXPECT_EQ(ids.size(), pairs.size());
}

TEST_F(ProjectViewTest, TheTreeLabelsTheItemOfARenamedNode) {
    auto app = MakeAppWithNewProject();
    TfrmProjectView& view = *app->GetOpenProject();
    QNodeMediator* module = view.AddNode(m_tree.GetRootItem(), CViewTree::kLast, kTypeModuleNode);
    QNodeMediator* spectral = view.AddNode(m_tree.Find(module), CViewTree::kLast, kTypeSpectralScanNode);
    ASSERT_NE(spectral, nullptr);
    m_tree.SetNodeItemText(spectral->GetNodeID(), "Top side");
    EXPECT_EQ(m_tree.Outline(), "Project(Module(Top side))");
    // An ID no node of the tree has changes nothing.
    m_tree.SetNodeItemText(spectral->GetNodeID() + 1, "Other");
    EXPECT_EQ(m_tree.Outline(), "Project(Module(Top side))");
}

TEST_F(ProjectViewTest, DeletesSubtreesButNeverTheRootOrANodeWhoseScanRuns) {
    auto app = MakeAppWithNewProject();
    TfrmProjectView& view = *app->GetOpenProject();
    const int before = NodeOwningMediator::Alive();
    auto* module = static_cast<NodeOwningMediator*>(
        view.AddNode(m_tree.GetRootItem(), CViewTree::kLast, kTypeModuleNode));
    auto* scan = static_cast<NodeOwningMediator*>(
        view.AddNode(m_tree.Find(module), CViewTree::kLast, kTypeSpectralScanNode));
    ASSERT_TRUE(view.SaveProject());

    // The root stays.
    EXPECT_FALSE(view.DeleteNode(m_tree.GetRootItem()));
    // A scan running below the node keeps the whole subtree.
    scan->scanning = true;
    EXPECT_FALSE(view.DeleteNode(m_tree.Find(module)));
    EXPECT_EQ(m_prompt->Texts(), (std::vector<std::string>{TfrmProjectView::kDeleteRootText,
                                                           TfrmProjectView::kDeleteScanningText}));
    EXPECT_EQ(view.GetNodeCount(), 3U);
    EXPECT_FALSE(view.IsModified());

    scan->scanning = false;
    m_tree.SelectItem(m_tree.Find(module));
    EXPECT_TRUE(app->DeleteSelectedNode());
    EXPECT_EQ(m_tree.Outline(), "Project");
    EXPECT_EQ(view.GetNodeCount(), 1U);
    EXPECT_FALSE(view.IsNodeMediatorInProject(module));
    EXPECT_EQ(NodeOwningMediator::Alive(), before);
    EXPECT_TRUE(view.IsModified());
}

TEST_F(ProjectViewTest, NodesReachTheFormViewOfTheirWindow) {
    FakeFormView form;
    auto app = MakeApp();
    ASSERT_TRUE(app->NewProject(kWindow, &form));
    EXPECT_EQ(m_frame.engine.window, form.GetParentWindow());
    TfrmProjectView& view = *app->GetOpenProject();
    QNodeMediator* module = view.AddNode(m_tree.GetRootItem(), CViewTree::kLast, kTypeModuleNode);
    module->MarkProjectModified();
    view.GetRootMediator()->MarkProjectModified();
    app->GetPreferencesMediator()->MarkProjectModified();
    EXPECT_EQ(form.Received(), (std::vector<uint32_t>{10018, 10018, 10018}));
    app.reset();
}

TEST_F(ProjectViewTest, LinksAUserCompositeToItsParentAndAHandHeldNodeClearsTheStartupFlag) {
    auto app = MakeAppWithNewProject();
    TfrmProjectView& view = *app->GetOpenProject();
    QNodeMediator* source =
        view.AddNode(m_tree.GetRootItem(), CViewTree::kLast, kTypeSpectralSpatialScanNode);
    QNodeMediator* composite =
        view.AddNode(m_tree.Find(source), CViewTree::kLast, kTypeSpectralSpatialUserCompositeNode);
    EXPECT_TRUE(composite->IsLinkedToScan());
    EXPECT_FALSE(m_tree.Find(composite)->expanded);
    EXPECT_TRUE(m_tree.Find(source)->expanded);
    EXPECT_EQ(m_tree.Find(composite)->label, composite->GetName());

    ResetOverlayStartupFlag();
    view.AddNode(m_tree.GetRootItem(), CViewTree::kLast, kTypeHandHeldProbeScanNode);
    EXPECT_FALSE(IsOverlayStartupFlagSet());
    ResetOverlayStartupFlag();

    // A kind the factory does not know is reported and adds nothing.
    EXPECT_EQ(view.AddNode(m_tree.GetRootItem(), CViewTree::kLast, 2002), nullptr);
    EXPECT_EQ(m_prompt->Texts().back(), "Error#314: Invalid node type.  Node creation has failed.");
    EXPECT_EQ(view.GetNodeCount(), 4U);
}

TEST_F(ProjectViewTest, OpeningASavedProjectRebuildsItsTree) {
    std::vector<SavedNode> saved;
    {
        auto app = MakeAppWithNewProject();
        TfrmProjectView& view = *app->GetOpenProject();
        QNodeMediator* module = view.AddNode(m_tree.GetRootItem(), CViewTree::kLast, kTypeModuleNode);
        view.AddNode(m_tree.Find(module), CViewTree::kLast, kTypeSpectralScanNode);
        view.AddNode(m_tree.Find(module), CViewTree::kLast, kTypeHandHeldProbeScanNode);
        view.AddNode(m_tree.GetRootItem(), CViewTree::kLast, kTypeNoteNode);
        ASSERT_TRUE(view.SaveProject());
        saved = Describe(view.GetPairList());
    }
    const std::string outline = "Project(Module(Spectral,Handheld Probe),Note)";
    EXPECT_EQ(m_tree.ItemCount(), 0U); // the closed project left no items behind

    m_operations->load = LoadFrom(saved);
    ResetOverlayStartupFlag();
    auto app = MakeApp(true);
    ASSERT_TRUE(app->OpenProject(kWindow, m_repository + "/Data/Board/Board", nullptr));
    TfrmProjectView& view = *app->GetOpenProject();
    EXPECT_FALSE(app->IsUntitled());
    EXPECT_EQ(view.GetStorageManager()->GetProjectName(), "Board");
    EXPECT_EQ(m_tree.Outline(), outline);
    EXPECT_EQ(m_tree.GetSelectedItem(), m_tree.GetRootItem());
    EXPECT_FALSE(view.IsModified());
    EXPECT_FALSE(IsOverlayStartupFlagSet());
    ResetOverlayStartupFlag();

    // The first node became the window's Preferences node; every other node is bound and wired.
    QNodeMediator* preferences = app->GetPreferencesMediator();
    ASSERT_NE(preferences, nullptr);
    EXPECT_EQ(preferences->GetNodeID(), saved[0].id);
    EXPECT_EQ(preferences->GetKind(), kTypePreferencesNode);
    EXPECT_EQ(view.GetNodeCount(), saved.size() - 1);
    for (const auto& item : m_tree.items) {
        EXPECT_EQ(item->mediator->GetKind(), item->mediator->GetNode()->GetTypeID());
        EXPECT_EQ(item->mediator->GetContainer(), view.GetNodeContainer());
    }

    // Saving again gives the same list.
    ASSERT_TRUE(view.SaveProject());
    const std::vector<SavedNode> again = Describe(view.GetPairList());
    ASSERT_EQ(again.size(), saved.size());
    for (size_t i = 0; i < saved.size(); ++i) {
        EXPECT_EQ(again[i].kind, saved[i].kind);
        EXPECT_EQ(again[i].id, saved[i].id);
        EXPECT_EQ(again[i].parent, saved[i].parent);
    }
}

TEST_F(ProjectViewTest, ANodeWhoseParentIsMissingGoesUnderTheRoot) {
    m_operations->load = LoadFrom({{kTypePreferencesNode, 1, 1},
                                   {kTypeProjectNode, 2, 2},
                                   {kTypeModuleNode, 3, 2},
                                   {kTypeNoteNode, 4, 99}});
    auto app = MakeApp(true);
    ASSERT_TRUE(app->OpenProject(kWindow, m_repository + "/Data/Board/Board", nullptr));
    EXPECT_EQ(m_tree.Outline(), "Project(Module,Note)");
    QNodeMediator* root = app->GetOpenProject()->GetRootMediator();
    QNodeMediator* note = m_tree.GetRootItem()->children.back()->mediator;
    EXPECT_EQ(note->GetParentMediator(), root);
    EXPECT_EQ(app->GetOpenProject()->GetParentMediator(*note), root);
}

struct LoadFailure {
    const char* name;
    ScriptedFileOperations::LoadScript load;
    std::string message;
};

TEST_F(ProjectViewTest, AFailedLoadIsShownAndLeavesNoNodesBehind) {
    const std::string corrupt = "Error#317: Invalid or corrupt project.";
    const auto appendPreferencesAndRoot = [](QNodePairList& pairs) {
        QNodeMediator* preferences = MakeLoadedNode(kTypePreferencesNode, 1).release();
        QNodeMediator* root = MakeLoadedNode(kTypeProjectNode, 2).release();
        pairs.push_back({preferences, preferences});
        pairs.push_back({root, root});
    };
    const std::vector<LoadFailure> failures{
        {"not recognised", [](TfrmMainApp*, QNodePairList&, QStorageErrorList&) { return false; },
         TfrmProjectView::kUnrecognisedProjectText},
        {"no pairs, storage error",
         [](TfrmMainApp*, QNodePairList&, QStorageErrorList& errors) {
             errors.push_back("Error#999: from the storage layer");
             return true;
         },
         "Error#999: from the storage layer"},
        {"no pairs", [](TfrmMainApp*, QNodePairList&, QStorageErrorList&) { return true; }, corrupt},
        {"one pair", LoadFrom({{kTypePreferencesNode, 1, 1}}), corrupt},
        {"first node not Preferences", LoadFrom({{kTypeProjectNode, 2, 2}, {kTypeModuleNode, 3, 2}}),
         corrupt},
        {"the same node twice",
         [](TfrmMainApp*, QNodePairList& pairs, QStorageErrorList&) {
             QNodeMediator* preferences = MakeLoadedNode(kTypePreferencesNode, 1).release();
             pairs.push_back({preferences, preferences});
             pairs.push_back({preferences, preferences});
             return true;
         },
         corrupt},
        {"thrown after two nodes",
         [appendPreferencesAndRoot](TfrmMainApp*, QNodePairList& pairs, QStorageErrorList&) -> bool {
             appendPreferencesAndRoot(pairs);
             throw QIOException("Error#317: Invalid or corrupt project.");
         },
         corrupt},
        {"unknown node kind",
         [appendPreferencesAndRoot](TfrmMainApp*, QNodePairList& pairs, QStorageErrorList&) -> bool {
             appendPreferencesAndRoot(pairs);
             throw QException("Error#314: Invalid node type.  Node creation has failed.");
         },
         "Error#314: Invalid node type.  Node creation has failed."},
    };
    auto app = MakeApp(true);
    const int before = NodeOwningMediator::Alive();
    for (const LoadFailure& failure : failures) {
        SCOPED_TRACE(failure.name);
        m_operations->load = failure.load;
        const size_t shown = m_prompt->Texts().size();
        EXPECT_FALSE(app->OpenProject(kWindow, m_repository + "/Data/Board/Board", nullptr));
        ASSERT_EQ(m_prompt->Texts().size(), shown + 1);
        EXPECT_EQ(m_prompt->Texts().back(), failure.message);
        EXPECT_EQ(m_prompt->Requests().back().caption, "Error Loading Project");
        EXPECT_EQ(app->GetOpenProject(), nullptr);
        EXPECT_EQ(app->GetPreferencesMediator(), nullptr);
        EXPECT_EQ(NodeOwningMediator::Alive(), before);
        EXPECT_EQ(m_tree.ItemCount(), 0U);
    }
}

TEST_F(ProjectViewTest, AFailedSaveIsShownAndKeepsTheModifiedMark) {
    auto app = MakeAppWithNewProject();
    TfrmProjectView& view = *app->GetOpenProject();
    view.AddNode(m_tree.GetRootItem(), CViewTree::kLast, kTypeModuleNode);
    ASSERT_TRUE(view.IsModified());

    m_operations->save = [](QStorageErrorList&) { return false; };
    EXPECT_FALSE(app->SaveProject());
    EXPECT_EQ(m_prompt->Texts().back(), TfrmProjectView::kSaveFailedText);
    EXPECT_EQ(m_prompt->Requests().back().caption, "Error");
    EXPECT_TRUE(view.IsModified());

    m_operations->save = [](QStorageErrorList&) -> bool {
        throw QStorageLayerException("A scan is running on the node; the project cannot be saved now.");
    };
    EXPECT_FALSE(app->SaveProject());
    EXPECT_EQ(m_prompt->Texts().back(), "A scan is running on the node; the project cannot be saved now.");
    EXPECT_TRUE(view.IsModified());
    EXPECT_EQ(m_tree.Outline(), "Project(Module)");

    m_operations->save = nullptr;
    EXPECT_TRUE(app->SaveProject());
    EXPECT_FALSE(view.IsModified());
}

} // namespace
} // namespace orv::containertest
