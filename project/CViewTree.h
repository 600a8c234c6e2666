#pragma once

#include "project/QProjectTree.h"

#include <cstdint>
#include <string>

namespace orv {

class QNodeMediator;

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

private:
    CTreeItem* FindNodeItem(CTreeItem* item, uint32_t nodeId);
};

} // namespace orv
