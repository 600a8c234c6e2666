#include "project/CViewTree.h"

#include "project/QNodeMediator.h"

namespace orv {

CViewTree::~CViewTree() = default;

CTreeItem* CViewTree::FindNodeItem(CTreeItem* item, uint32_t nodeId) {
    for (; item != nullptr; item = GetNextSiblingItem(item)) {
        QNodeMediator* mediator = GetItemMediator(item);
        if (mediator != nullptr && mediator->GetNodeID() == nodeId) {
            return item;
        }
        if (CTreeItem* found = FindNodeItem(GetFirstChildItem(item), nodeId)) {
            return found;
        }
    }
    return nullptr;
}

void CViewTree::SetNodeItemText(uint32_t nodeId, const std::string& text) {
    if (CTreeItem* item = FindNodeItem(GetRootItem(), nodeId)) {
        SetItemLabel(item, text);
    }
}

} // namespace orv
