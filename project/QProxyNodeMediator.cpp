#include "project/QProxyNodeMediator.h"

#include "platform/ui/Prompt.h"
#include "project/QNodeContainer.h"

#include <algorithm>

namespace orv {

namespace {

constexpr int32_t kTreeItemChanged = 5;
constexpr uint32_t kLinkChangedInformation = 32;

void RemoveFirst(std::vector<std::string>& items, const char* item) {
    auto found = std::find(items.begin(), items.end(), item);
    if (found != items.end()) {
        items.erase(found);
    }
}

} // namespace

QProxyNodeMediator::QProxyNodeMediator() = default;

QProxyNodeMediator::~QProxyNodeMediator() {
    // A pass of the scan run may hold this proxy: its pins go before the target is let go.
    Retire();
    // A target that outlives the proxy must not keep it in its set of linked proxies.
    if (m_pTarget != nullptr) {
        m_pTarget->RemoveLinkedProxy(*this);
        m_pTarget = nullptr;
    }
    m_pOwn.reset();
}

void QProxyNodeMediator::SetOwnMediator(std::unique_ptr<QNodeMediator> own) {
    m_pOwn = std::move(own);
}

bool QProxyNodeMediator::LinkToTarget(QNodeMediator& target) {
    if (&target == this || &target == m_pOwn.get() || target.IsProxy()) {
        return false;
    }
    if (target.IsScanning()) {
        ShowPrompt("The scan that is currently running prevents us from linking these nodes.\nPlease stop "
                   "the current "
                   "scan and try again.",
                   "Error Scan In Progress", PromptButtons::Ok, PromptIcon::Warning);
        return false;
    }
    if (m_pTarget == &target) {
        return true;
    }
    Unlink();
    m_pTarget = &target;
    target.AddLinkedProxy(*this);
    if (GetTreeContainer() != nullptr) {
        NotifyChange(kTreeItemChanged);
    }
    return true;
}

uint32_t QProxyNodeMediator::GetLinkedNodeID() const {
    QNodeMediator* routed = Routed();
    return routed != nullptr ? routed->GetNodeID()
                             : const_cast<QProxyNodeMediator*>(this)->QNodeMediator::GetNodeID();
}

void QProxyNodeMediator::Unlink() {
    if (m_pTarget == nullptr) {
        return;
    }
    m_pTarget->RemoveLinkedProxy(*this);
    m_pTarget = nullptr;
    NotifyChange(kTreeItemChanged);
    UpdateInformation(kLinkChangedInformation);
}

void QProxyNodeMediator::LinkTo(QNodeMediator& target) {
    LinkToTarget(target);
}

void QProxyNodeMediator::TakeSettingsFrom(QNodeMediator& other) {
    auto* proxy = dynamic_cast<QProxyNodeMediator*>(&other);
    if (proxy == nullptr || proxy == this) {
        return;
    }
    if (m_pOwn != nullptr && proxy->m_pOwn != nullptr) {
        m_pOwn->TakeSettingsFrom(*proxy->m_pOwn);
    }
    if (proxy->m_pTarget != nullptr) {
        LinkToTarget(*proxy->m_pTarget);
    }
}

bool QProxyNodeMediator::IsScanning() {
    return m_pTarget != nullptr && m_pTarget->IsScanning();
}

void QProxyNodeMediator::NotifyChange(int32_t code) {
    if (code == kTreeItemChanged && GetTreeContainer() != nullptr) {
        GetTreeContainer()->UpdateNodeItem(*this, kTreeItemChanged);
    }
}

// --- The own mediator ---

void QProxyNodeMediator::Detach() {
    Unlink();
    if (m_pOwn != nullptr) {
        m_pOwn->Detach();
    }
}

QNode* QProxyNodeMediator::GetEffectiveNode() {
    return m_pOwn != nullptr ? m_pOwn->GetNode() : nullptr;
}

uint32_t QProxyNodeMediator::GetNodeID() {
    return m_pOwn != nullptr ? m_pOwn->GetNodeID() : QNodeMediator::GetNodeID();
}

bool QProxyNodeMediator::CanAcceptChild(uint32_t word, QNodeMediator* child) {
    return m_pOwn != nullptr && m_pOwn->CanAcceptChild(word, child);
}

int32_t QProxyNodeMediator::GetLinkMode(uint32_t word, QNodeMediator* other) {
    return m_pOwn != nullptr ? m_pOwn->GetLinkMode(word, other) : 0;
}

void QProxyNodeMediator::StoreScanData(QProjectStorageManager& storage) {
    if (m_pOwn != nullptr) {
        m_pOwn->StoreScanData(storage);
    }
}

uint32_t QProxyNodeMediator::GetDataSize() {
    return m_pOwn != nullptr ? m_pOwn->GetDataSize() : 0;
}

void QProxyNodeMediator::WriteData(QDataWriter& writer) {
    if (m_pOwn != nullptr) {
        m_pOwn->WriteData(writer);
    }
}

void QProxyNodeMediator::ReadData(QDataReader& reader) {
    if (m_pOwn != nullptr) {
        m_pOwn->ReadData(reader);
    }
}

QNodeMediator* QProxyNodeMediator::GetParentMediator() {
    QNodeMediator* parent = QNodeMediator::GetParentMediator();
    if (parent == nullptr && m_pOwn != nullptr) {
        parent = m_pOwn->GetParentMediator();
    }
    return parent;
}

bool QProxyNodeMediator::GetCompensationSettings(QScanCompensationSettings& out) const {
    return m_pOwn != nullptr && m_pOwn->GetCompensationSettings(out);
}

int QProxyNodeMediator::GetSpatialDisplayUnit() const {
    return m_pOwn != nullptr ? m_pOwn->GetSpatialDisplayUnit() : 0;
}

int QProxyNodeMediator::GetSpectralDisplayUnit() const {
    return m_pOwn != nullptr ? m_pOwn->GetSpectralDisplayUnit() : 0;
}

// --- The target when linked, else the own mediator ---

QNode* QProxyNodeMediator::GetNode() {
    QNodeMediator* routed = Routed();
    return routed != nullptr ? routed->GetNode() : nullptr;
}

std::string QProxyNodeMediator::GetName() {
    QNodeMediator* routed = Routed();
    return routed != nullptr ? routed->GetName() : std::string();
}

void QProxyNodeMediator::SetName(const std::string& name) {
    if (QNodeMediator* routed = Routed()) {
        routed->SetName(name);
    }
}

void QProxyNodeMediator::GetTopLevelMenuItems(std::vector<std::string>& items) {
    if (m_pTarget == nullptr) {
        if (m_pOwn != nullptr) {
            m_pOwn->GetTopLevelMenuItems(items);
        }
        return;
    }
    m_pTarget->GetTopLevelMenuItems(items);
    RemoveFirst(items, "m_pmiTopLevelDeleteNode");
    RemoveFirst(items, "m_pmiTopLevelAddNode");
    RemoveFirst(items, "m_pmiTopLevelAddNoteNode");
    items.emplace_back("m_pmiTopLevelUnlinkNode");
}

void QProxyNodeMediator::GetAddMenuItems(std::vector<std::string>& items) {
    if (QNodeMediator* routed = Routed()) {
        routed->GetAddMenuItems(items);
    }
}

void QProxyNodeMediator::GetViewMenuItems(std::vector<std::string>& items) {
    if (QNodeMediator* routed = Routed()) {
        routed->GetViewMenuItems(items);
    }
}

void QProxyNodeMediator::GetRunMenuItems(std::vector<std::string>& items) {
    if (QNodeMediator* routed = Routed()) {
        routed->GetRunMenuItems(items);
    }
}

int32_t QProxyNodeMediator::GetImageIndex() {
    QNodeMediator* routed = Routed();
    return routed != nullptr ? routed->GetImageIndex() : -1;
}

int32_t QProxyNodeMediator::GetViewKind() {
    QNodeMediator* routed = Routed();
    return routed != nullptr ? routed->GetViewKind() : 0;
}

QScanContainer* QProxyNodeMediator::LockScanContainer() {
    QNodeMediator* routed = Routed();
    return routed != nullptr ? routed->LockScanContainer() : nullptr;
}

QScanContainer* QProxyNodeMediator::AcquireScanContainer() {
    QNodeMediator* routed = Routed();
    return routed != nullptr ? routed->AcquireScanContainer() : nullptr;
}

void QProxyNodeMediator::UnlockScanContainer() {
    if (QNodeMediator* routed = Routed()) {
        routed->UnlockScanContainer();
    }
}

QHeldScanContainer QProxyNodeMediator::AcquireHeldScanContainer() {
    QNodeMediator* routed = Routed();
    return routed != nullptr ? routed->AcquireHeldScanContainer() : QHeldScanContainer{};
}

bool QProxyNodeMediator::IsComparisonNode() {
    QNodeMediator* routed = Routed();
    return routed != nullptr && routed->IsComparisonNode();
}

bool QProxyNodeMediator::IsRunnable() {
    QNodeMediator* routed = Routed();
    return routed != nullptr && routed->IsRunnable();
}

bool QProxyNodeMediator::CanRunContinuously() {
    QNodeMediator* routed = Routed();
    return routed != nullptr && routed->CanRunContinuously();
}

// --- The target only ---

void QProxyNodeMediator::SignalEvent() {
    if (m_pTarget != nullptr) {
        m_pTarget->SignalEvent();
    } else {
        QNodeMediator::SignalEvent();
    }
}

// Without a target there is no worker of ours to stop, and the scan that runs belongs to another
// node: nothing is touched.
void QProxyNodeMediator::StopWorker() {
    if (m_pTarget != nullptr) {
        m_pTarget->StopWorker();
    }
}

QNodeCommandState* QProxyNodeMediator::GetCommandState() {
    return m_pTarget != nullptr ? m_pTarget->GetCommandState() : nullptr;
}

void QProxyNodeMediator::ExportSpectral() {
    if (m_pTarget != nullptr) {
        m_pTarget->ExportSpectral();
    }
}

void QProxyNodeMediator::ExportSpatial() {
    if (m_pTarget != nullptr) {
        m_pTarget->ExportSpatial();
    }
}

#define ORV_PROXY_TARGET_OPTION(Type, Getter)                                                                \
    Type* QProxyNodeMediator::Getter() {                                                                     \
        return m_pTarget != nullptr ? m_pTarget->Getter() : nullptr;                                         \
    }

ORV_PROXY_TARGET_OPTION(QScanOptions, GetScanOptions)
ORV_PROXY_TARGET_OPTION(QProbeScanPatternOptions, GetFirstProbePatternOptions)
ORV_PROXY_TARGET_OPTION(QProbeScanPatternOptions, GetSecondProbePatternOptions)
ORV_PROXY_TARGET_OPTION(QSpectralDisplayOptions, GetSpectralDisplayOptions)
ORV_PROXY_TARGET_OPTION(QAttenuatorOptions, GetAttenuatorOptions)
ORV_PROXY_TARGET_OPTION(QSpatialDisplayOptions, GetSpatialDisplayOptions)
ORV_PROXY_TARGET_OPTION(QAnalyzerOptions, GetAnalyzerOptions)
ORV_PROXY_TARGET_OPTION(QIPAddressOptions, GetIPAddressOptions)
ORV_PROXY_TARGET_OPTION(QSSSpectralViewOptions, GetSSSpectralViewOptions)
ORV_PROXY_TARGET_OPTION(QSSSpatialViewOptions, GetSSSpatialViewOptions)

#undef ORV_PROXY_TARGET_OPTION

} // namespace orv
