#include "project/TfrmProjectView.h"

#include "core/QException.h"
#include "core/QOverlayOptions.h"
#include "core/TypeIds.h"
#include "platform/log/InformationLog.h"
#include "platform/ui/Prompt.h"
#include "project/CViewTree.h"
#include "project/OverlayStartupFlag.h"
#include "project/QNode.h"
#include "project/QNodeFactory.h"
#include "project/QNodeMediator.h"
#include "project/QProjectFormView.h"
#include "project/QRepositoryManager.h"
#include "project/TfrmMainApp.h"
#include "scandata/QParentClampLink.h"

#include <algorithm>
#include <exception>
#include <set>

namespace orv {
namespace {

void Warn(const std::string& text, const char* caption) {
    ShowPrompt(text, caption, PromptButtons::Ok, PromptIcon::Warning);
}

// The kind a loaded node's mediator is given: its node's type id.
uint16_t KindOf(QNodeMediator& mediator) {
    QNode* node = mediator.GetEffectiveNode();
    return node != nullptr ? node->GetTypeID() : mediator.GetKind();
}

// Frees mediators that never joined a tree, the ones made last first. Proxies leave their targets
// before anything is freed, so that no proxy outlives the target it points at.
void FreeMediators(std::vector<QNodeMediator*> mediators) {
    for (QNodeMediator* mediator : mediators) {
        if (mediator->IsProxy()) {
            mediator->Unlink();
        }
    }
    for (auto it = mediators.rbegin(); it != mediators.rend(); ++it) {
        delete *it;
    }
}

// Every mediator of the pair list once, in list order.
std::vector<QNodeMediator*> DistinctNodes(const QNodePairList& pairs) {
    std::vector<QNodeMediator*> nodes;
    std::set<QNodeMediator*> seen;
    for (const QNodePair& pair : pairs) {
        if (pair.m_node != nullptr && seen.insert(pair.m_node).second) {
            nodes.push_back(pair.m_node);
        }
    }
    return nodes;
}

} // namespace

TfrmProjectView::TfrmProjectView(TfrmMainApp& owner, QMainFrame& mainFrame, QRepositoryManager& repository)
    : m_mainFrame(mainFrame), m_owner(owner), m_repository(repository) {
    m_pairs.reserve(kReservedPairs);
}

TfrmProjectView::~TfrmProjectView() {
    if (m_projectOpen != 0) {
        DestroyAllNodes();
        m_storage.reset();
    }
}

bool TfrmProjectView::IsModified() const {
    QLockGuard guard(m_mutex);
    return m_modified != 0;
}

void TfrmProjectView::MarkModified() {
    QLockGuard guard(m_mutex);
    m_modified = 1;
}

// --- Creating, opening and saving ---

bool TfrmProjectView::NewProject() {
    m_projectOpen = 1;
    m_tree = m_owner.GetProjectTree(m_windowNumber);
    try {
        m_storage = m_repository.CreateUntitledProject();
        if (m_storage != nullptr && m_tree != nullptr) {
            CreateNode(nullptr, CViewTree::kLast, kTypeProjectNode);
            return true;
        }
    } catch (const std::exception& e) {
        Warn(e.what(), kSaveFailedCaption);
    }
    DestroyAllNodes();
    m_storage.reset();
    m_projectOpen = 0;
    return false;
}

void TfrmProjectView::FailOpen(const std::string& text) {
    FreeMediators(DistinctNodes(m_pairs));
    m_pairs.clear();
    Warn(text, kLoadErrorCaption);
    m_storage.reset();
    m_projectOpen = 0;
}

bool TfrmProjectView::OpenProject(const std::string& projectFilePath) {
    m_projectOpen = 1;
    m_pairs.clear();
    QStorageErrorList errors;
    bool loaded = false;
    try {
        m_storage = m_repository.OpenProjectByPath(projectFilePath);
        if (m_storage != nullptr) {
            loaded = m_storage->LoadProject(&m_owner, m_pairs, errors);
        }
    } catch (const std::exception& e) {
        FailOpen(e.what());
        return false;
    }
    if (!loaded) {
        FailOpen(kUnrecognisedProjectText);
        return false;
    }
    if (m_pairs.empty()) {
        FailOpen(errors.empty() ? std::string(kCorruptProjectText) : errors.front());
        return false;
    }
    if (!RebuildTree(m_pairs)) {
        FailOpen(kCorruptProjectText);
        return false;
    }
    // Ambient and cable scans take their clamp module's set-up once the whole tree stands (no node
    // lock is held here).
    for (const QNodePair& pair : m_pairs) {
        const uint16_t kind = KindOf(*pair.m_node);
        if (kind == kTypeAmbientScanNode || kind == kTypeCableScanNode) {
            QParentClampLink::Synchronise(*pair.m_node);
        }
    }
    return true;
}

bool TfrmProjectView::RebuildTree(QNodePairList& pairs) {
    const std::vector<QNodeMediator*> nodes = DistinctNodes(pairs);
    const bool wellFormed =
        pairs.size() >= 2 && nodes.size() == pairs.size() && KindOf(*pairs[0].m_node) == kTypePreferencesNode;
    m_tree = m_owner.GetProjectTree(m_windowNumber);
    if (!wellFormed || m_tree == nullptr) {
        return false;
    }

    m_owner.SetPreferencesMediator(std::unique_ptr<QNodeMediator>(pairs[0].m_node));
    QNodeMediator* root = pairs[1].m_node;
    CTreeItem* rootItem =
        BindNode(std::unique_ptr<QNodeMediator>(root), nullptr, CViewTree::kLast, KindOf(*root), true).m_item;
    for (size_t i = 2; i < pairs.size(); ++i) {
        QNodeMediator* mediator = pairs[i].m_node;
        CTreeItem* parentItem = rootItem;
        const auto parent = m_nodes.find(pairs[i].m_parent);
        if (parent != m_nodes.end()) {
            parentItem = parent->second.m_item;
        } else {
            mediator->SetParentMediator(root);
            AddInformationMessage(0, "The parent of the node \"" + mediator->GetName() +
                                         "\" is missing from the project; the node was put under the "
                                         "project's root.");
        }
        const uint16_t kind = KindOf(*mediator);
        BindNode(std::unique_ptr<QNodeMediator>(mediator), parentItem, CViewTree::kLast, kind, true);
        if (kind == kTypeHandHeldProbeScanNode) {
            ClearOverlayStartupFlag();
        }
    }
    m_tree->SelectItem(m_tree->GetRootItem());
    return true;
}

bool TfrmProjectView::SaveProject() {
    return Save(nullptr);
}

bool TfrmProjectView::SaveProjectAs(const std::string& projectFilePath) {
    return Save(&projectFilePath);
}

bool TfrmProjectView::Save(const std::string* projectFilePath) {
    QNodeMediator* preferences = GetPreferencesMediator();
    if (m_storage == nullptr || m_tree == nullptr || preferences == nullptr) {
        Warn(kSaveFailedText, kSaveFailedCaption);
        return false;
    }
    m_pairs.clear();
    m_pairs.push_back({preferences, preferences});
    CollectNodePairs(m_tree->GetRootItem(), m_pairs);

    QStorageErrorList errors;
    bool saved = false;
    try {
        saved = projectFilePath != nullptr
                    ? m_storage->SaveProjectAs(&m_owner, m_pairs, errors, *projectFilePath)
                    : m_storage->SaveProject(&m_owner, m_pairs, errors);
    } catch (const std::exception& e) {
        AddInformationMessage(0, e.what());
        Warn(e.what(), kSaveFailedCaption);
        return false;
    }
    if (!saved) {
        AddInformationMessage(0, errors.empty() ? std::string(kUnknownStorageErrorText) : errors.front());
        Warn(kSaveFailedText, kSaveFailedCaption);
        return false;
    }
    QLockGuard guard(m_mutex);
    m_modified = 0;
    return true;
}

void TfrmProjectView::CollectNodePairs(CTreeItem* item, QNodePairList& pairs) const {
    if (item == nullptr || m_tree == nullptr) {
        return;
    }
    QNodeMediator* mediator = m_tree->GetItemMediator(item);
    QNodeMediator* parent = mediator;
    if (CTreeItem* parentItem = m_tree->GetParentItem(item)) {
        parent = m_tree->GetItemMediator(parentItem);
        if (parent == nullptr) {
            parent = GetPreferencesMediator();
        }
    }
    pairs.push_back({mediator, parent});
    for (CTreeItem* child = m_tree->GetFirstChildItem(item); child != nullptr;
         child = m_tree->GetNextSiblingItem(child)) {
        CollectNodePairs(child, pairs);
    }
}

// --- Nodes ---

void TfrmProjectView::WireMediator(QNodeMediator& mediator, uint16_t kind) {
    mediator.SetKind(kind);
    mediator.SetMainWindow(m_formView);
    if (m_formView != nullptr) {
        mediator.SetScanDataList(m_formView->GetScanDataList());
        mediator.SetViewFactory(m_formView->GetViewFactory());
    }
    mediator.SetProjectTree(m_tree);
}

void TfrmProjectView::RefreshItem(CTreeItemRecord& record) {
    record.m_label = record.m_mediator->GetName();
    record.m_image = record.m_mediator->GetImageIndex();
    record.m_selectedImage = record.m_image;
    m_tree->SetItemLabel(record.m_item, record.m_label);
    m_tree->SetItemImages(record.m_item, record.m_image, record.m_selectedImage);
}

CTreeItemRecord& TfrmProjectView::BindNode(std::unique_ptr<QNodeMediator> owned, CTreeItem* parent,
                                           int32_t position, uint16_t kind, bool expand) {
    QNodeMediator* mediator = owned.get();
    WireMediator(*mediator, kind);
    CTreeItem* item = m_tree->AddChild(parent, position, mediator->GetName(), mediator, expand);
    mediator->SetContainer(&m_nodeContainer);
    mediator->SetTreeContainer(&m_nodeContainer);
    CTreeItemRecord& record = m_nodes[mediator];
    record.m_item = item;
    record.m_mediator = mediator;
    record.m_kind = kind;
    m_owned.emplace(mediator, std::move(owned));
    RefreshItem(record);
    return record;
}

bool TfrmProjectView::IsIdInUse(uint32_t id) const {
    QNodeMediator* preferences = GetPreferencesMediator();
    if (preferences != nullptr && preferences->GetNodeID() == id) {
        return true;
    }
    return std::any_of(m_nodes.begin(), m_nodes.end(),
                       [id](const auto& entry) { return entry.first->GetNodeID() == id; });
}

QNodeMediator* TfrmProjectView::CreateNode(CTreeItem* parent, int32_t position, uint16_t kind) {
    QNodeMediator* parentMediator = parent != nullptr ? m_tree->GetItemMediator(parent) : nullptr;
    QNodeFactory factory = m_owner.MakeNodeFactory();
    factory.SetIdInUse([this](uint32_t id) { return IsIdInUse(id); });
    std::unique_ptr<QNodeMediator> mediator = factory.CreateNodeWithMediator(
        parentMediator, m_owner.GetNodeContainer(), kind, m_storage.get(), true);
    if (parentMediator != nullptr) {
        m_nodes[parentMediator].m_kind = kind;
    }
    QNodeMediator& made =
        *BindNode(std::move(mediator), parent, position, kind, kind != kTypeSpectralSpatialUserCompositeNode)
             .m_mediator;
    if (kind == kTypeSpectralSpatialUserCompositeNode && parentMediator != nullptr) {
        made.CreateUserComposite(*parentMediator);
        // The link renames the node.
        RefreshItem(m_nodes[&made]);
    } else if (kind == kTypeHandHeldProbeScanNode) {
        ClearOverlayStartupFlag();
    }
    return &made;
}

QNodeMediator* TfrmProjectView::AddNode(CTreeItem* parent, int32_t position, uint16_t kind) {
    if (m_tree == nullptr) {
        return nullptr;
    }
    QNodeMediator* mediator = nullptr;
    try {
        mediator = CreateNode(parent, position, kind);
    } catch (const std::exception& e) {
        Warn(e.what(), kSaveFailedCaption);
        return nullptr;
    }
    MarkModified();
    return mediator;
}

QNodeMediator* TfrmProjectView::AddNodeToSelected(uint16_t kind) {
    CTreeItem* selected = m_tree != nullptr ? m_tree->GetSelectedItem() : nullptr;
    return selected != nullptr ? AddNode(selected, CViewTree::kLast, kind) : nullptr;
}

void TfrmProjectView::CollectSubtree(CTreeItem* item, std::vector<QNodeMediator*>& mediators) const {
    for (CTreeItem* child = m_tree->GetFirstChildItem(item); child != nullptr;
         child = m_tree->GetNextSiblingItem(child)) {
        CollectSubtree(child, mediators);
    }
    if (QNodeMediator* mediator = m_tree->GetItemMediator(item)) {
        mediators.push_back(mediator);
    }
}

void TfrmProjectView::DestroyMediator(QNodeMediator* mediator) {
    m_owner.ForgetCopiedScanData(mediator);
    m_nodes.erase(mediator);
    m_owned.erase(mediator);
}

bool TfrmProjectView::DeleteNode(CTreeItem* item) {
    if (item == nullptr || m_tree == nullptr) {
        return false;
    }
    if (m_tree->GetParentItem(item) == nullptr) {
        Warn(kDeleteRootText, kDeleteCaption);
        return false;
    }
    std::vector<QNodeMediator*> subtree; // children before their parent
    CollectSubtree(item, subtree);
    // Also a node whose run is being set up: the run holds it before its data worker starts.
    if (std::any_of(subtree.begin(), subtree.end(),
                    [](QNodeMediator* m) { return m->IsScanning() || m->IsScanInProgress(); })) {
        Warn(kDeleteScanningText, kDeleteCaption);
        return false;
    }
    for (auto it = subtree.rbegin(); it != subtree.rend(); ++it) {
        (*it)->Detach();
    }
    for (QNodeMediator* mediator : subtree) {
        if (mediator->IsProxy()) {
            mediator->Unlink();
        }
    }
    for (QNodeMediator* mediator : subtree) {
        const auto record = m_nodes.find(mediator);
        CTreeItem* ownItem = record != m_nodes.end() ? record->second.m_item : nullptr;
        DestroyMediator(mediator);
        if (ownItem != nullptr) {
            m_tree->SetItemMediator(ownItem, nullptr);
        }
    }
    m_tree->DeleteItem(item);
    MarkModified();
    return true;
}

bool TfrmProjectView::DeleteSelectedNode() {
    return m_tree != nullptr && DeleteNode(m_tree->GetSelectedItem());
}

QNodeMediator* TfrmProjectView::GetSelectedMediator() const {
    if (m_tree == nullptr) {
        return nullptr;
    }
    CTreeItem* selected = m_tree->GetSelectedItem();
    return selected != nullptr ? m_tree->GetItemMediator(selected) : nullptr;
}

QNodeMediator* TfrmProjectView::GetRootMediator() const {
    if (m_tree == nullptr || m_nodes.empty()) {
        return nullptr;
    }
    CTreeItem* root = m_tree->GetRootItem();
    return root != nullptr ? m_tree->GetItemMediator(root) : nullptr;
}

void TfrmProjectView::DestroyAllNodes() {
    std::vector<QNodeMediator*> all;
    if (m_tree != nullptr) {
        if (CTreeItem* root = m_tree->GetRootItem()) {
            CollectSubtree(root, all);
        }
    }
    // Nodes the tree does not reach (none in a sound project) go as well.
    for (const auto& entry : m_owned) {
        if (std::find(all.begin(), all.end(), entry.first) == all.end()) {
            all.push_back(entry.first);
        }
    }
    for (QNodeMediator* mediator : all) {
        if (mediator->IsProxy()) {
            mediator->Unlink();
        }
    }
    if (m_tree != nullptr) {
        // The items must not keep pointers to mediators that are gone.
        for (const auto& entry : m_nodes) {
            m_tree->SetItemMediator(entry.second.m_item, nullptr);
        }
        if (CTreeItem* root = m_tree->GetRootItem(); root != nullptr && !m_nodes.empty()) {
            m_tree->DeleteItem(root);
        }
    }
    for (QNodeMediator* mediator : all) {
        DestroyMediator(mediator);
    }
    m_nodes.clear();
    m_owned.clear();
}

const CTreeItemRecord* TfrmProjectView::FindRecord(QNodeMediator* mediator) const {
    const auto it = m_nodes.find(mediator);
    return it != m_nodes.end() ? &it->second : nullptr;
}

bool TfrmProjectView::IsNodeMediatorInProject(QNodeMediator* mediator) const {
    return m_nodes.count(mediator) != 0;
}

size_t TfrmProjectView::CountUsersOfOverlayPicture(uint32_t overlayId) const {
    size_t count = 0;
    for (const auto& entry : m_nodes) {
        QNodeMediator* mediator = entry.first;
        const QOverlayOptions* options = mediator->GetOverlayOptions();
        if (options != nullptr && static_cast<uint32_t>(options->m_overlayId) == overlayId) {
            ++count;
        }
        count += mediator->CountScansUsingOverlay(overlayId);
    }
    return count;
}

void TfrmProjectView::RefreshAllNodeViews() {
    for (const auto& entry : m_nodes) {
        entry.first->RefreshAllViews();
    }
}

void TfrmProjectView::RebuildAllNodeViews(bool rebuild) {
    for (const auto& entry : m_nodes) {
        entry.first->SetViewRebuildFlags(rebuild);
        entry.first->RefreshAllViews();
    }
}

void TfrmProjectView::RelayoutViewFrames() {
    for (const auto& entry : m_nodes) {
        entry.first->RelayoutViews();
    }
}

void TfrmProjectView::ReapplyViewFramePlacements() {
    for (const auto& entry : m_nodes) {
        entry.first->ReapplyPlacement();
    }
}

// --- Node container ---

QNodeMediator* TfrmProjectView::GetParentMediator(QNodeMediator& mediator) {
    const auto record = m_nodes.find(&mediator);
    if (record != m_nodes.end() && m_tree != nullptr) {
        if (CTreeItem* parentItem = m_tree->GetParentItem(record->second.m_item)) {
            return m_tree->GetItemMediator(parentItem);
        }
    }
    return GetPreferencesMediator();
}

QNodeMediator* TfrmProjectView::GetPreferencesMediator() const {
    return m_owner.GetPreferencesMediator();
}

std::vector<QNodeMediator*> TfrmProjectView::GetChildMediators(QNodeMediator& parent) {
    std::vector<QNodeMediator*> children;
    const auto record = m_nodes.find(&parent);
    if (record == m_nodes.end() || m_tree == nullptr) {
        return children;
    }
    for (CTreeItem* child = m_tree->GetFirstChildItem(record->second.m_item); child != nullptr;
         child = m_tree->GetNextSiblingItem(child)) {
        if (QNodeMediator* mediator = m_tree->GetItemMediator(child)) {
            children.push_back(mediator);
        }
    }
    return children;
}

void TfrmProjectView::UpdateNodeItem(QNodeMediator& mediator, int32_t /*code*/) {
    const auto record = m_nodes.find(&mediator);
    if (record != m_nodes.end() && m_tree != nullptr) {
        RefreshItem(record->second);
    }
}

QNodeMediator* TfrmProjectView::AddChildNode(QNodeMediator& parent, uint16_t kind) {
    const auto record = m_nodes.find(&parent);
    if (record == m_nodes.end()) {
        return nullptr;
    }
    return AddNode(record->second.m_item, CViewTree::kLast, kind);
}

bool TfrmProjectView::DeleteChildNode(QNodeMediator& child) {
    const auto record = m_nodes.find(&child);
    return record != m_nodes.end() && DeleteNode(record->second.m_item);
}

void TfrmProjectView::AddSpectralScanDataToList(CSpectralScanData& scan, bool live, bool newEntry,
                                                QNodeMediator& mediator) {
    if (m_formView != nullptr) {
        m_formView->AddSpectralScanDataToList(scan, live, newEntry, mediator);
    }
}

void TfrmProjectView::AddSpatialScanDataToList(CSpatialScanData& scan, bool live, bool newEntry,
                                               QNodeMediator& mediator) {
    if (m_formView != nullptr) {
        m_formView->AddSpatialScanDataToList(scan, live, newEntry, mediator);
    }
}

void TfrmProjectView::AddSpectralSpatialScanDataToList(CSpectralSpatialScanData& scan, bool live,
                                                       QNodeMediator& mediator) {
    if (m_formView != nullptr) {
        m_formView->AddSpectralSpatialScanDataToList(scan, live, mediator);
    }
}

void TfrmProjectView::AddHandHeldProbeScanDataToList(CHandHeldProbeScanData& scan, bool live,
                                                     QNodeMediator& mediator) {
    if (m_formView != nullptr) {
        m_formView->AddHandHeldProbeScanDataToList(scan, live, mediator);
    }
}

} // namespace orv
