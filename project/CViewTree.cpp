#include "project/CViewTree.h"

#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "project/QNodeMediator.h"
#include "project/TfrmProjectView.h"

#include <vector>

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

bool CViewTree::IsInSubtree(CTreeItem* item, CTreeItem* top) {
    for (; item != nullptr; item = GetParentItem(item)) {
        if (item == top) {
            return true;
        }
    }
    return false;
}

bool CViewTree::CopyNodeSubtree(CTreeItem* destination, CTreeItem* source, bool withData,
                                std::string* failure) {
    TfrmProjectView* container = GetNodeContainer();
    if (container == nullptr) {
        if (failure != nullptr) {
            *failure = kNoNodeContainerText;
        }
        return false;
    }
    QNodeMediator* original = GetItemMediator(source);
    if (destination == nullptr || original == nullptr) {
        return false;
    }
    std::vector<CTreeItem*> children;
    for (CTreeItem* child = GetFirstChildItem(source); child != nullptr; child = GetNextSiblingItem(child)) {
        children.push_back(child);
    }
    // AddNode has told the user when the node could not be made.
    QNodeMediator* copy = container->AddNode(destination, kLast, original->GetKind());
    const CTreeItemRecord* record = copy != nullptr ? container->FindRecord(copy) : nullptr;
    if (record == nullptr) {
        return false;
    }
    CTreeItem* copyItem = record->m_item;
    copy->CopyNodeSettingsFrom(*original);
    if (withData && !copy->CopyScanDataFrom(*original)) {
        if (failure != nullptr) {
            *failure = FormatC(kScanDataCopyFailedText, original->GetName().c_str());
        }
        container->DeleteNode(copyItem);
        return false;
    }
    copy->SetName(original->GetName());
    container->UpdateNodeItem(*copy, 0);
    for (CTreeItem* child : children) {
        if (!CopyNodeSubtree(copyItem, child, withData, failure)) {
            container->DeleteNode(copyItem);
            return false;
        }
    }
    return true;
}

QNodeMediator* CViewTree::FindCopyOf(CTreeItem* item, uint32_t sourceId) {
    if (item == nullptr) {
        return nullptr;
    }
    QNodeMediator* mediator = GetItemMediator(item);
    if (mediator != nullptr && mediator->IsSettingsCopied() && mediator->GetSettingsSourceID() == sourceId) {
        return mediator;
    }
    for (CTreeItem* child = GetFirstChildItem(item); child != nullptr; child = GetNextSiblingItem(child)) {
        if (QNodeMediator* found = FindCopyOf(child, sourceId)) {
            return found;
        }
    }
    return nullptr;
}

void CViewTree::RelinkReportNode(CTreeItem* report) {
    QNodeMediator* mediator = GetItemMediator(report);
    CTreeItem* scope = GetParentItem(report);
    if (mediator == nullptr || scope == nullptr || mediator->GetKind() != kTypeWordReportNode) {
        return;
    }
    std::vector<_ReportGeneratorDataBuffer> buffers = mediator->GetReportBuffers();
    bool relinked = false;
    for (_ReportGeneratorDataBuffer& buffer : buffers) {
        QNodeMediator* copy = FindCopyOf(scope, static_cast<uint32_t>(buffer.m_NodeId));
        if (copy != nullptr && copy != mediator) {
            buffer.m_NodeId = static_cast<int32_t>(copy->GetNodeID());
            relinked = true;
        }
    }
    if (relinked) {
        mediator->SetReportBuffers(std::move(buffers));
    }
}

void CViewTree::RelinkCopiedReportNodes(CTreeItem* item) {
    if (item == nullptr) {
        return;
    }
    RelinkReportNode(item);
    for (CTreeItem* child = GetFirstChildItem(item); child != nullptr; child = GetNextSiblingItem(child)) {
        RelinkCopiedReportNodes(child);
    }
}

} // namespace orv
