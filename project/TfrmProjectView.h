#pragma once

#include "core/QMutex.h"
#include "project/QNodeContainerImpl.h"
#include "project/QProjectStorageManager.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orv {

class CViewTree;
class QMainFrame;
class QProjectFormView;
class QRepositoryManager;
class TfrmMainApp;
struct CTreeItem;

// The tree item a node of the project is bound to, as the project view remembers it.
struct CTreeItemRecord {
    CTreeItem* m_item = nullptr;
    QNodeMediator* m_mediator = nullptr;
    // The kind of the node's mediator; for an item that got children, the kind of the child added last.
    uint16_t m_kind = 0;
    std::string m_label;
    int32_t m_image = -1;
    int32_t m_selectedImage = -1;
};

// The node tree of the one project a project window has open. It binds every node mediator to an item
// of the window's project tree, makes and deletes nodes, and creates, opens and saves the project
// through a storage manager of the repository. It owns the mediators of the project's nodes (the
// Preferences node belongs to the owner) and is their node container.
//
// User-interface thread; only the modified mark is also set from the mediators' own handlers.
class TfrmProjectView {
public:
    static constexpr const char* kLoadErrorCaption = "Error Loading Project";
    static constexpr const char* kUnrecognisedProjectText =
        "This project cannot be recognized by the software, please confirm!";
    static constexpr const char* kCorruptProjectText = "Error#317: Invalid or corrupt project.";
    static constexpr const char* kSaveFailedText =
        "Project could not be saved into this folder! \n\nTry to use 'save as' to save into another folder";
    static constexpr const char* kSaveFailedCaption = "Error";
    static constexpr const char* kUnknownStorageErrorText = "Error#332: Unknown storage layer error.";
    static constexpr const char* kDeleteCaption = "Delete Node";
    static constexpr const char* kDeleteRootText = "The project node cannot be deleted.";
    static constexpr const char* kDeleteScanningText =
        "The node cannot be deleted while a scan is running on it or on a node below it.";
    static constexpr size_t kReservedPairs = 5000;

    TfrmProjectView(TfrmMainApp& owner, QMainFrame& mainFrame, QRepositoryManager& repository);
    // Destroys the mediators of every node, from the root down, and the storage manager.
    ~TfrmProjectView();
    TfrmProjectView(const TfrmProjectView&) = delete;
    TfrmProjectView& operator=(const TfrmProjectView&) = delete;

    void SetWindowNumber(uint32_t number) { m_windowNumber = number; }
    uint32_t GetWindowNumber() const { return m_windowNumber; }
    void SetFormView(QProjectFormView* formView) { m_formView = formView; }
    QProjectFormView* GetFormView() const { return m_formView; }

    // The untitled project of the repository with its root Project node.
    bool NewProject();
    // Loads the project file. On failure the user is told, every node made so far is freed, and no
    // project is open.
    bool OpenProject(const std::string& projectFilePath);
    // On failure the user is told and the project stays marked modified.
    bool SaveProject();
    bool SaveProjectAs(const std::string& projectFilePath);

    bool IsProjectOpen() const { return m_projectOpen != 0; }
    bool IsModified() const;
    void MarkModified();
    QProjectStorageManager* GetStorageManager() const { return m_storage.get(); }
    CViewTree* GetProjectTree() const { return m_tree; }

    // Makes a node of the kind with its mediator under the parent item (null: a top-level item) at the
    // position among its siblings, and binds it to a new tree item.
    QNodeMediator* CreateNode(CTreeItem* parent, int32_t position, uint16_t kind);
    // CreateNode, then the project is marked modified.
    QNodeMediator* AddNode(CTreeItem* parent, int32_t position, uint16_t kind);
    // Under the tree's selected item; none without a selection.
    QNodeMediator* AddNodeToSelected(uint16_t kind);
    // Deletes the node with every node below it. Refused (false, and the user is told) for the
    // project's root and while a scan runs on the node or on a node below it.
    bool DeleteNode(CTreeItem* item);
    bool DeleteSelectedNode();
    QNodeMediator* GetSelectedMediator() const;
    // The mediator of the tree's root item; none without a project.
    QNodeMediator* GetRootMediator() const;

    // Appends (the item's mediator, its parent's mediator), then the same for the children in tree
    // order. The parent is the parent item's mediator; the Preferences node when the parent item
    // carries none; the node itself for the root.
    void CollectNodePairs(CTreeItem* item, QNodePairList& pairs) const;
    // What the last save wrote or the last load read.
    const QNodePairList& GetPairList() const { return m_pairs; }

    const CTreeItemRecord* FindRecord(QNodeMediator* mediator) const;
    size_t GetNodeCount() const { return m_nodes.size(); }
    bool IsNodeMediatorInProject(QNodeMediator* mediator) const;
    // How often the overlay picture is used: once by every node whose overlay options name it, and
    // once by every scan that lies on it.
    size_t CountUsersOfOverlayPicture(uint32_t overlayId) const;
    void RefreshAllNodeViews();
    void RebuildAllNodeViews(bool rebuild);
    void RelayoutViewFrames();
    void ReapplyViewFramePlacements();

    QNodeContainer* GetNodeContainer() { return &m_nodeContainer; }

    // --- The node container of the project's nodes ---

    // The tree parent's mediator; the Preferences node for a node without a parent item.
    QNodeMediator* GetParentMediator(QNodeMediator& mediator);
    QNodeMediator* GetPreferencesMediator() const;
    std::vector<QNodeMediator*> GetChildMediators(QNodeMediator& parent);
    // Takes the item's label and icons from the mediator again.
    void UpdateNodeItem(QNodeMediator& mediator, int32_t code);
    // AddNode under the parent's item, as its last child; none when the parent is not in the project.
    QNodeMediator* AddChildNode(QNodeMediator& parent, uint16_t kind);
    // DeleteNode of the child's item; false when the child is not in the project.
    bool DeleteChildNode(QNodeMediator& child);
    // Handed on to the project's form view.
    void AddSpectralScanDataToList(CSpectralScanData& scan, bool live, bool newEntry,
                                   QNodeMediator& mediator);
    void AddSpatialScanDataToList(CSpatialScanData& scan, bool live, bool newEntry, QNodeMediator& mediator);
    void AddSpectralSpatialScanDataToList(CSpectralSpatialScanData& scan, bool live, QNodeMediator& mediator);
    void AddHandHeldProbeScanDataToList(CHandHeldProbeScanData& scan, bool live, QNodeMediator& mediator);

private:
    // Wires a mediator into the project and binds it to a new item; the project takes it over.
    CTreeItemRecord& BindNode(std::unique_ptr<QNodeMediator> mediator, CTreeItem* parent, int32_t position,
                              uint16_t kind, bool expand);
    void WireMediator(QNodeMediator& mediator, uint16_t kind);
    void RefreshItem(CTreeItemRecord& record);
    bool IsIdInUse(uint32_t id) const;
    // Collects the subtree's mediators, children before their parent.
    void CollectSubtree(CTreeItem* item, std::vector<QNodeMediator*>& mediators) const;
    void DestroyMediator(QNodeMediator* mediator);
    void DestroyAllNodes();
    bool RebuildTree(QNodePairList& pairs);
    bool Save(const std::string* projectFilePath);
    void FailOpen(const std::string& text);

    QMainFrame& m_mainFrame;
    TfrmMainApp& m_owner;
    CViewTree* m_tree = nullptr;
    uint32_t m_windowNumber = 0;
    QProjectFormView* m_formView = nullptr;
    std::map<QNodeMediator*, CTreeItemRecord> m_nodes;
    // The mediators of the nodes above; the node map only refers to them.
    std::map<QNodeMediator*, std::unique_ptr<QNodeMediator>> m_owned;
    uint8_t m_projectOpen = 0;
    uint8_t m_modified = 0;
    mutable QMutex m_mutex;
    QRepositoryManager& m_repository;
    std::unique_ptr<QProjectStorageManager> m_storage;
    QNodeContainerImpl<TfrmProjectView> m_nodeContainer{*this};
    QNodePairList m_pairs;
};

} // namespace orv
