#pragma once

// The project tree of a project window: the project node at the root and its nodes below, each
// item carrying a record that points at the node's mediator. A click shows the node's scan data in
// the list, a double click opens its view, and the context menu (menu 315) runs scans, adds and
// deletes nodes and opens views and settings; a node dragged onto another with the left button is
// copied (with its settings, or with its scans too) or moved below it. Every action is the mediator's, the
// project's (TfrmMainApp and its node tree) or the state controller's; the tree keeps no node data.
//
// User-interface thread only.

#include "app/panes/TTreeNodeList.h"
#include "project/CViewTree.h"

#include <QPersistentModelIndex>
#include <QTimer>
#include <QTreeWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QMenu;

namespace orv {

class CViewTreeDelegate;
class QProjectFormView;
class QScanDataList;
class QScanEngineLink;
class TfrmMainApp;
class TfrmProjectView;

class CViewTreeWidget : public QTreeWidget, public CViewTree {
public:
    static constexpr uint32_t kGreyText = 0x828282;
    static constexpr uint32_t kTipBackground = 0xE1FFE1;
    static constexpr uint32_t kEmptyTipBackground = 0xEBEBEB;
    static constexpr int kTipMaxWidth = 300;
    static constexpr int kTipDelayMs = 3000;
    static constexpr const char* kDeleteNodeText = "Are you going to delete this node ?";
    static constexpr const char* kDeleteNodeCaption = "Delete";
    static constexpr const char* kInterleavedRunText =
        "Scan can't be run continuously for the interleaved spatial !";
    static constexpr const char* kNoContinuousRunText = "Scan can't be run continuously for this node!";
    static constexpr const char* kNoRunText = "Scan can't be run for this node!";
    static constexpr const char* kDropIntoOwnBranchText =
        "no support for copying or moving node into its child branch.";
    static constexpr const char* kScanRunningText = "The scan is in progress, stop the scan first!";

    // Relation codes of GetRelatedItem.
    enum Relation : uint32_t { kRoot = 0, kNext = 1, kPrevious = 2, kParent = 3, kChild = 4, kCaret = 9 };

    explicit CViewTreeWidget(QWidget* parent = nullptr);
    ~CViewTreeWidget() override;

    // --- Associations, set when the project is built ---
    void SetProjectId(uint32_t id) { m_projectId = id; }
    uint32_t GetProjectId() const { return m_projectId; }
    void SetProject(TfrmMainApp* project) { m_project = project; }
    TfrmMainApp* GetProject() const { return m_project; }
    // Receives 10018 when the project changed; settings sheets are centred over it.
    void SetDocumentView(QProjectFormView* view) { m_documentView = view; }
    void SetScanDataList(QScanDataList* list) { m_scanDataList = list; }
    QScanDataList* GetScanDataList() const { return m_scanDataList; }
    // The state controller, through the engine link.
    void SetStateController(QScanEngineLink* controller) { m_controller = controller; }
    // Commands of the menu that the tree does not handle itself go this way (the frame's route).
    void SetCommandRoute(std::function<void(uint32_t)> route) { m_commandRoute = std::move(route); }
    // How a context menu is shown; by default it runs modally at the point and answers the chosen
    // action (tests put their own choice here).
    using MenuRunner = std::function<QAction*(QMenu&, const QPoint&)>;
    void SetMenuRunner(MenuRunner runner) { m_menuRunner = std::move(runner); }

    // --- QProjectTree ---
    void Repaint() override;
    void SelectNode(QNodeMediator& mediator) override;

    // --- CViewTree, as the project's node tree binds its nodes ---
    CTreeItem* AddChild(CTreeItem* parent, int32_t position, const std::string& label,
                        QNodeMediator* mediator, bool expand) override;
    // The project's own removal: unlike DeleteItemSubtree, the root goes too (a closed project leaves
    // no item behind).
    void DeleteItem(CTreeItem* item) override;
    void SetItemLabel(CTreeItem* item, const std::string& label) override;
    void SetItemImages(CTreeItem* item, int32_t image, int32_t selectedImage) override;
    QNodeMediator* GetItemMediator(CTreeItem* item) override {
        return item != nullptr ? item->m_mediator : nullptr;
    }
    void SetItemMediator(CTreeItem* item, QNodeMediator* mediator) override;
    CTreeItem* GetRootItem() override { return m_records.GetFirst(); }
    CTreeItem* GetParentItem(CTreeItem* item) override { return item != nullptr ? item->m_parent : nullptr; }
    CTreeItem* GetFirstChildItem(CTreeItem* item) override;
    CTreeItem* GetNextSiblingItem(CTreeItem* item) override;
    CTreeItem* GetSelectedItem() override { return GetSelectedTreeNode(); }
    void SelectItem(CTreeItem* item) override { SelectTreeNode(item); }
    // The open project's node tree; none without a project.
    TfrmProjectView* GetNodeContainer() const override;

    // --- Records and items ---
    const TTreeNodeList& GetRecords() const { return m_records; }
    CTreeItem* FindItemRecord(const QTreeWidgetItem* item) const { return m_records.Find(item); }
    CTreeItem* GetSelectedTreeNode() const;
    bool IsSelectedNode(const QNodeMediator* mediator) const;
    void SelectTreeNode(CTreeItem* record);
    void SetNodeItemText(uint32_t nodeId, const std::string& text) override;
    bool HasChildItems(CTreeItem* item) const;
    CTreeItem* GetRelatedItem(CTreeItem* item, uint32_t relation);
    // Null: the selected item. The root item itself is never deleted, only what lies below it.
    void DeleteItemSubtree(CTreeItem* record);
    // Null: the selected item. Depth first, children in order; the item itself not included.
    void CollectSubtreeNodes(CTreeItem* item, std::vector<QNodeMediator*>& mediators) const;
    void GetChildNodeMediators(uint32_t nodeId, std::vector<QNodeMediator*>& mediators) const;
    QNodeMediator* AddChildNode(uint32_t parentNodeId, uint16_t kind);
    // After the last child whose sort key is not above `key`, searching from the last child; first
    // when there is none.
    QNodeMediator* AddChildNodeSorted(uint32_t parentNodeId, uint16_t kind, float key);
    void DeleteNodeItem(uint32_t nodeId);
    // Selects the mediator's item when it lies below `start` (or is it) and scrolls it into view.
    void SelectNodeItem(CTreeItem* start, QNodeMediator* mediator);
    void SetCurrentNode(QNodeMediator* mediator);
    QNodeMediator* GetCurrentNode() const { return m_current; }
    CTreeItem* FindRecordByNodeId(uint32_t nodeId) const;
    // The float a child is sorted by: its scan options' centre frequency; none: below every key.
    static float SortKeyOf(QNodeMediator& mediator);

    // --- Actions ---
    void ShowSelectedNodeScanData();
    bool CanRunSelectedNode(bool continuous);
    bool AddNode(uint16_t kind);
    bool DeleteSelectedNode();
    bool OpenNodeOptions(QNodeMediator* mediator);
    void OpenReportGenerator();

    // --- Context menu ---
    // Menu 315's popup for the record as the tree offers it now (items removed and greyed); popup 7
    // alone while the report generator is open. Null for no record.
    std::unique_ptr<QMenu> BuildContextMenu(CTreeItem* record);
    void OnMenuCommand(uint32_t command);
    // The context menu at a point of the viewport, as a right click or the menu key gives it.
    void ShowContextMenu(const QPoint& viewportPoint);

    // --- Dragging nodes ---
    // Whether a node of the dragged kind may be dropped on a node of the target kind (copied or
    // moved below it).
    static bool IsDropAllowed(uint16_t targetKind, uint16_t draggedKind);
    bool IsDragging() const { return m_bDragging; }
    bool IsDropPending() const { return m_bDropPending; }
    bool IsDropAllowedNow() const { return m_bDropAllowed; }
    uint16_t GetDraggedKind() const { return m_draggedKind; }
    CTreeItem* GetDraggedRecord() const { return RecordAt(m_dragItem); }
    CTreeItem* GetDropTargetRecord() const { return RecordAt(m_dropTarget); }
    CTreeItem* GetDropHighlightRecord() const { return RecordAt(m_dropHighlight); }
    // The picture that follows the cursor while a drop is allowed; null when no drag ran yet.
    const QLabel* GetDragPicture() const { return m_dragPicture.get(); }
    bool IsDropHighlighted(const QModelIndex& index) const {
        return m_dropHighlight.isValid() && index == QModelIndex(m_dropHighlight);
    }
    void ClearDropHighlight();
    // The context menu of a drop (popup 5): the copy or move the user picks, or the refusal of a
    // target inside the dragged node's own branch. Clears the drop-pending flag.
    void ShowDropMenu(const QPoint& viewportPoint);
    // 32916, 32917 or 32918 on the dragged node and the drop target; false when nothing was made
    // (the user has been told why).
    bool CopyDraggedNode(uint32_t command);

    // --- Item colours and tool-tips ---
    // Whether the node has nothing to show (a scan node without scan data, a two-source node
    // missing a source).
    static bool IsNodeEmpty(const CTreeItem& record);
    CViewTreeDelegate& GetDelegate() const { return *m_delegate; }
    const QString& GetToolTipText() const { return m_tipText; }
    uint32_t GetToolTipColour() const { return m_tipColour; }
    const QTimer& GetToolTipTimer() const { return m_tipTimer; }
    CTreeItem* GetToolTipItem() const { return m_tipItem; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    CTreeItem* RecordAt(const QPersistentModelIndex& index) const;
    void BeginNodeDrag(const QPoint& viewportPoint);
    void DragNodeTo(const QPoint& viewportPoint);
    void EndNodeDrag(const QPoint& viewportPoint);
    // The picture gone, the mouse released and the highlight cleared; the dragged item and the target
    // stay for the drop menu.
    void StopNodeDrag();
    void ForgetNodeDrag();
    // The picture follows the cursor at the point, a little below and to the right of its tip.
    void MoveDragPicture(const QPoint& viewportPoint);
    bool IsSubtreeScanning(CTreeItem* item) const;
    // After a move: the reports of the whole project follow the moved nodes to their copies.
    void RelinkMovedNodes(CTreeItem* moved);
    QTreeWidgetItem* ChildItem(QTreeWidgetItem* parent, int index) const;
    int IndexOf(const CTreeItem& record) const;
    void RemoveRecords(QTreeWidgetItem* item);
    void ScheduleScrollTo(QTreeWidgetItem* item);
    void PostProjectModified();
    void AddNodeWithView(uint16_t kind, bool openView);
    void ConfirmAndDeleteSelectedNode();
    bool IsScriptingSpectralSpatial(const CTreeItem& record) const;
    void HideToolTip();
    void ShowToolTipNow();

    TTreeNodeList m_records;
    CViewTreeDelegate* m_delegate = nullptr;
    uint32_t m_projectId = 0;
    TfrmMainApp* m_project = nullptr;
    QProjectFormView* m_documentView = nullptr;
    QScanDataList* m_scanDataList = nullptr;
    QScanEngineLink* m_controller = nullptr;
    QNodeMediator* m_current = nullptr;
    std::function<void(uint32_t)> m_commandRoute;
    MenuRunner m_menuRunner;

    QPersistentModelIndex m_pendingScroll;
    bool m_scrollScheduled = false;

    // The item a left press was on, until the button goes up; the drag starts from it.
    QPersistentModelIndex m_pressItem;
    QPoint m_pressPoint;
    QPersistentModelIndex m_dragItem;
    QPersistentModelIndex m_dropTarget;
    QPersistentModelIndex m_dropHighlight;
    bool m_bDragging = false;
    uint16_t m_draggedKind = 0;
    bool m_bDropAllowed = false;
    bool m_bDropPending = false;
    std::unique_ptr<QLabel> m_dragPicture;

    CTreeItem* m_tipItem = nullptr;
    QString m_tipText;
    uint32_t m_tipColour = kTipBackground;
    QPoint m_tipPoint;
    QTimer m_tipTimer;
};

} // namespace orv
