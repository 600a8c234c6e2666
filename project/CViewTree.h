#pragma once

#include "project/QProjectTree.h"

#include <cstdint>
#include <string>

namespace orv {

class QNodeMediator;
class TfrmProjectView;

// An item of the project tree control. The tree owns its items; the model only holds the handles.
struct CTreeItem;

// The project tree control of a project window, as the project view binds its nodes to it: every item
// carries the mediator of one node. The window side implements it over its tree widget; the handles
// stay valid until the item is deleted.
class CViewTree : public QProjectTree {
public:
    // AddChild's position after the last sibling.
    static constexpr int32_t kLast = -1;

    ~CViewTree() override;

    // Inserts an item under `parent` (null: a top-level item) at `position` among its siblings
    // (kLast, or any position past the end: after the last one), labelled and carrying the mediator,
    // expanded when `expand` is set.
    virtual CTreeItem* AddChild(CTreeItem* parent, int32_t position, const std::string& label,
                                QNodeMediator* mediator, bool expand) = 0;
    // Removes the item together with every item below it.
    virtual void DeleteItem(CTreeItem* item) = 0;

    virtual void SetItemLabel(CTreeItem* item, const std::string& label) = 0;
    virtual void SetItemImages(CTreeItem* item, int32_t image, int32_t selectedImage) = 0;
    virtual QNodeMediator* GetItemMediator(CTreeItem* item) = 0;
    virtual void SetItemMediator(CTreeItem* item, QNodeMediator* mediator) = 0;

    // Walking the tree; null where there is no such item.
    virtual CTreeItem* GetRootItem() = 0;
    virtual CTreeItem* GetParentItem(CTreeItem* item) = 0;
    virtual CTreeItem* GetFirstChildItem(CTreeItem* item) = 0;
    virtual CTreeItem* GetNextSiblingItem(CTreeItem* item) = 0;

    virtual CTreeItem* GetSelectedItem() = 0;
    virtual void SelectItem(CTreeItem* item) = 0;

    // Labels the first item, in tree order, whose node has the ID.
    void SetNodeItemText(uint32_t nodeId, const std::string& text) override;

    // The node container of the project the tree shows; none while no project is open.
    virtual TfrmProjectView* GetNodeContainer() const { return nullptr; }

    static constexpr const char* kNoNodeContainerText = "The project has no nodes to copy into.";
    static constexpr const char* kScanDataCopyFailedText =
        "The scan data of the node \"%s\" could not be copied.";

    // Makes a node of the source's kind as the last child of `destination`, with the source's
    // settings (and its scans, with `withData`) and name, then copies each child of the source under
    // it in order, the same way. The source's children are listed before anything is added, so a
    // destination below the source cannot make the copy run on. False when the project has no node
    // container or a node could not be made or its scans not copied; the partial copy is deleted
    // again then, and `failure` (when given) says why.
    bool CopyNodeSubtree(CTreeItem* destination, CTreeItem* source, bool withData,
                         std::string* failure = nullptr);
    // Every report generator in the item's subtree (the item included) reports, in place of each node
    // it names, the first node, depth first in the subtree of the report node's parent item, whose
    // settings were copied from that node: a copied report reports the copies made with it.
    void RelinkCopiedReportNodes(CTreeItem* item);
    // Whether `item` is `top` or lies below it.
    bool IsInSubtree(CTreeItem* item, CTreeItem* top);

private:
    // The first node, depth first from `item`, whose settings were copied from the node `sourceId`.
    QNodeMediator* FindCopyOf(CTreeItem* item, uint32_t sourceId);
    void RelinkReportNode(CTreeItem* report);
    CTreeItem* FindNodeItem(CTreeItem* item, uint32_t nodeId);
};

} // namespace orv
