#include "project/QFundamentalNodeMediator.h"

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "platform/log/InformationLog.h"
#include "project/QMainFrame.h"
#include "project/QNode.h"
#include "project/QNodeContainer.h"
#include "project/QReceivedScanCopy.h"
#include "project/QScanDataExportCommand.h"
#include "project/QScanDescription.h"
#include "project/QScanEngineLink.h"
#include "project/QScanOptionSnapshot.h"
#include "project/QSpatialScanDataExporter.h"
#include "project/QSpectralScanDataExporter.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QContainerNodeMediator.h"
#include "scandata/QParentClampLink.h"
#include "scandata/QScanContainer.h"
#include "scandata/QTransportContainer.h"

#include <algorithm>
#include <utility>

namespace orv {

namespace {

// A received scan travelling to the user-interface thread; freed with its message when the
// mediator is gone before it is handled.
struct ReceivedScanPayload final : MessagePayload {
    explicit ReceivedScanPayload(std::unique_ptr<QReceivedScanCopy> copy) : m_Copy(std::move(copy)) {}
    std::unique_ptr<QReceivedScanCopy> m_Copy;
};

} // namespace

// The hidden window of the mediator: it receives the two notifications on the user-interface
// thread. Its pointer back to the mediator is cleared before the mediator goes, and what is still
// queued for it is dropped with it.
class QFundamentalNodeMediator::NotificationTarget : public MessageTarget {
public:
    NotificationTarget(MessageThread& thread, QFundamentalNodeMediator* owner)
        : MessageTarget(thread), m_pOwner(owner) {}
    void Detach() { m_pOwner = nullptr; }

protected:
    int64_t HandleMessage(Message& message) override {
        if (m_pOwner == nullptr) {
            return 0;
        }
        if (message.id == kShowNewestScan) {
            m_pOwner->m_bShowNewestPending.store(0);
            m_pOwner->ShowNewestScan(static_cast<uint16_t>(message.wParam));
        } else if (message.id == kOptionsChanged) {
            m_pOwner->HandleOptionsChanged(message.lParam);
        } else if (message.id == kEnableScanPages) {
            m_pOwner->EnableScanPages();
        } else if (message.id == kListReceivedScan) {
            if (auto* received = dynamic_cast<ReceivedScanPayload*>(message.payload.get())) {
                m_pOwner->ListReceivedScan(*received->m_Copy);
            }
        }
        return 0;
    }

private:
    QFundamentalNodeMediator* m_pOwner;
};

QFundamentalNodeMediator::QFundamentalNodeMediator(MessageThread& userInterfaceThread, QMainFrame* mainFrame)
    : m_pTarget(std::make_unique<NotificationTarget>(userInterfaceThread, this)), m_pMainFrame(mainFrame) {}

QFundamentalNodeMediator::~QFundamentalNodeMediator() {
    // The scan run's pins and the worker first, so that nothing reaches the node or posts while
    // the rest goes.
    Retire();
    // Each proxy leaves the set as it unlinks; a copy keeps the walk valid, and a proxy is unlinked
    // whatever it is doing (even while its scan runs through this mediator).
    for (QNodeMediator* proxy : GetLinkedProxies()) {
        proxy->Unlink();
    }
    m_linkedProxies.clear();
    m_pCommandState.reset();
    m_pNode.reset();
    m_pTarget->Detach();
    m_pTarget.reset();
}

QNodeFactory::FundamentalMediatorMaker QFundamentalNodeMediator::MakeMaker(MessageThread& userInterfaceThread,
                                                                           QMainFrame* mainFrame) {
    return [&userInterfaceThread, mainFrame]() -> std::unique_ptr<QNodeMediator> {
        return std::make_unique<QFundamentalNodeMediator>(userInterfaceThread, mainFrame);
    };
}

// --- Notifications ---

void QFundamentalNodeMediator::PostNotification(uint16_t kind) {
    // One pending showing is enough: it shows the newest scan, whichever packet asked for it.
    if (m_bShowNewestPending.exchange(1) != 0) {
        return;
    }
    if (!m_pTarget->Post(kShowNewestScan, kind, 0)) {
        m_bShowNewestPending.store(0);
    }
}

bool QFundamentalNodeMediator::PostOptionsChanged(int64_t changedKinds) {
    return m_pTarget->Post(kOptionsChanged, 0, changedKinds);
}

void QFundamentalNodeMediator::PostEnableScanPages() {
    m_pTarget->Post(kEnableScanPages);
}

void QFundamentalNodeMediator::HandleOptionsChanged(int64_t changedKinds) {
    if ((changedKinds & kSelectionOptionsBit) == 0 || m_pNode == nullptr) {
        return;
    }
    // The cells and buckets picked in the spectral/spatial views belong to the data they were picked
    // on; the words are only touched when something was cleared.
    QSSSpatialViewOptions& spatial = *m_pNode->GetSSSpatialViewOptions();
    QProbeScanPattern pattern = spatial.m_cellPattern;
    if (pattern.HasProbeOn()) {
        pattern.SetAllProbes(0);
        spatial.SetPattern(pattern);
        spatial.m_viewMode = 0;
    }
    QSSSpectralViewOptions& spectral = *m_pNode->GetSSSpectralViewOptions();
    QFrequencyBucketList buckets;
    buckets.Assign(spectral.GetFrequencyBuckets());
    if (!buckets.IsEmpty()) {
        buckets.Clear();
        spectral.SetFrequencyBuckets(buckets);
        spectral.m_viewMode = 0;
    }
}

// --- The node ---

bool QFundamentalNodeMediator::IsScanning() {
    return GetScanningMediator() == this;
}

bool QFundamentalNodeMediator::IsBusy() {
    QScanEngineLink* link = m_pMainFrame != nullptr ? m_pMainFrame->GetScanEngineLink() : nullptr;
    return link != nullptr && link->IsCommandAllowed(kRunCommand);
}

void QFundamentalNodeMediator::SetNode(std::unique_ptr<QNode> node) {
    m_pCommandState.reset();
    m_pNode = std::move(node);
}

QNodeCommandState* QFundamentalNodeMediator::GetCommandState() {
    if (m_pCommandState == nullptr && m_pNode != nullptr) {
        m_pCommandState = m_pNode->CreateCommandState();
    }
    return m_pCommandState.get();
}

std::string QFundamentalNodeMediator::GetName() {
    return m_pNode != nullptr ? m_pNode->GetName() : std::string();
}

void QFundamentalNodeMediator::SetName(const std::string& name) {
    if (m_pNode != nullptr) {
        m_pNode->SetName(name);
    }
}

std::string QFundamentalNodeMediator::GetLabel() {
    return m_pNode != nullptr ? m_pNode->GetLabel() : std::string();
}

void QFundamentalNodeMediator::SetLabel(const std::string& label) {
    if (m_pNode != nullptr) {
        m_pNode->SetLabel(label);
    }
}

uint32_t QFundamentalNodeMediator::GetNodeID() {
    return m_pNode != nullptr ? m_pNode->GetID() : QNodeFactory::kNoNodeId;
}

void QFundamentalNodeMediator::GetTopLevelMenuItems(std::vector<std::string>& items) {
    if (m_pNode != nullptr) {
        m_pNode->GetTopLevelMenuItems(items);
    }
}

void QFundamentalNodeMediator::GetAddMenuItems(std::vector<std::string>& items) {
    if (m_pNode != nullptr) {
        m_pNode->GetAddMenuItems(items);
    }
}

void QFundamentalNodeMediator::GetViewMenuItems(std::vector<std::string>& items) {
    if (m_pNode != nullptr) {
        m_pNode->GetViewMenuItems(items);
    }
}

void QFundamentalNodeMediator::GetRunMenuItems(std::vector<std::string>& items) {
    if (m_pNode != nullptr) {
        m_pNode->GetRunMenuItems(items);
    }
}

int32_t QFundamentalNodeMediator::GetImageIndex() {
    return m_pNode != nullptr ? m_pNode->GetImageIndex() : -1;
}

bool QFundamentalNodeMediator::CanAcceptChild(uint32_t word, QNodeMediator* child) {
    if (m_pNode == nullptr || child == nullptr) {
        return false;
    }
    QNode* childNode = child->GetEffectiveNode();
    return childNode != nullptr && m_pNode->CanAcceptChild(word, childNode);
}

int32_t QFundamentalNodeMediator::GetLinkMode(uint32_t word, QNodeMediator* other) {
    if (m_pNode == nullptr || other == nullptr) {
        return 0;
    }
    return m_pNode->GetLinkMode(word, other->GetNode());
}

int32_t QFundamentalNodeMediator::GetViewKind() {
    return m_pNode != nullptr ? m_pNode->GetViewKind() : 0;
}

// --- Option sets: the node's members; null without a node ---

#define ORV_NODE_OPTION(Type, Getter)                                                                        \
    Type* QFundamentalNodeMediator::Getter() {                                                               \
        return m_pNode != nullptr ? m_pNode->Getter() : nullptr;                                             \
    }

ORV_NODE_OPTION(QScanOptions, GetScanOptions)
ORV_NODE_OPTION(QProbeScanPatternOptions, GetFirstProbePatternOptions)
ORV_NODE_OPTION(QProbeScanPatternOptions, GetSecondProbePatternOptions)
ORV_NODE_OPTION(QSpectralDisplayOptions, GetSpectralDisplayOptions)
ORV_NODE_OPTION(QAttenuatorOptions, GetAttenuatorOptions)
ORV_NODE_OPTION(QSpatialDisplayOptions, GetSpatialDisplayOptions)
ORV_NODE_OPTION(QAnalyzerOptions, GetAnalyzerOptions)
ORV_NODE_OPTION(QIPAddressOptions, GetIPAddressOptions)
ORV_NODE_OPTION(QSSSpectralViewOptions, GetSSSpectralViewOptions)
ORV_NODE_OPTION(QSSSpatialViewOptions, GetSSSpatialViewOptions)
ORV_NODE_OPTION(QNoteOptions, GetNoteOptions)
ORV_NODE_OPTION(QOverlayOptions, GetOverlayOptions)
ORV_NODE_OPTION(QSpectralScriptingDisplayOptions, GetSpectralScriptingDisplayOptions)
ORV_NODE_OPTION(QCableScanOptions, GetCableScanOptions)
ORV_NODE_OPTION(QCurrentClampModuleOptions, GetCurrentClampModuleOptions)
ORV_NODE_OPTION(QAmplifierAntennuatorOptions, GetAmplifierAntennuatorOptions)
ORV_NODE_OPTION(QCablesSpectralViewOptions, GetCablesSpectralViewOptions)
ORV_NODE_OPTION(QSpectralStandLineOptions, GetSpectralStandLineOptions)
ORV_NODE_OPTION(QWordReportOptions, GetWordReportOptions)
ORV_NODE_OPTION(QAmbientScanOptions, GetAmbientScanOptions)
ORV_NODE_OPTION(QAntennaScanOptions, GetAntennaScanOptions)
ORV_NODE_OPTION(QAntennaScanModuleOptions, GetAntennaScanModuleOptions)
ORV_NODE_OPTION(QDifferentRangeScanModuleOptions, GetDifferentRangeScanModuleOptions)
ORV_NODE_OPTION(QAntennaPositionScanOptions, GetAntennaPositionScanOptions)
ORV_NODE_OPTION(QNearFieldAmbientScanOptions, GetNearFieldAmbientScanOptions)
ORV_NODE_OPTION(QFarFieldAmbientScanOptions, GetFarFieldAmbientScanOptions)
ORV_NODE_OPTION(QAutoSpatialsOptions, GetAutoSpatialsOptions)

#undef ORV_NODE_OPTION

// --- Scan container ---

void QFundamentalNodeMediator::StoreScanData(QProjectStorageManager& storage) {
    if (m_pNode != nullptr) {
        m_pNode->StoreScanData(storage);
    }
}

void QFundamentalNodeMediator::TakeSettingsFrom(QNodeMediator& other) {
    QNode* source = other.GetNode();
    if (m_pNode == nullptr || source == nullptr || source == m_pNode.get() ||
        source->GetTypeID() != m_pNode->GetTypeID()) {
        return;
    }
    m_pNode->CopyOptionsFrom(*source);
}

void QFundamentalNodeMediator::StampContainer(QScanContainer* container) {
    if (container != nullptr) {
        container->SetMediator(this);
    }
}

QScanContainer* QFundamentalNodeMediator::LockScanContainer() {
    if (m_pNode == nullptr) {
        return nullptr;
    }
    QScanContainer* container = m_pNode->LockScanContainer();
    StampContainer(container);
    return container;
}

QScanContainer* QFundamentalNodeMediator::AcquireScanContainer() {
    if (m_pNode == nullptr) {
        return nullptr;
    }
    QScanContainer* container = m_pNode->AcquireScanContainer();
    StampContainer(container);
    return container;
}

QHeldScanContainer QFundamentalNodeMediator::AcquireHeldScanContainer() {
    if (m_pNode == nullptr) {
        return {};
    }
    QHeldScanContainer held = m_pNode->AcquireHeldScanContainer();
    StampContainer(held.m_Container);
    return held;
}

void QFundamentalNodeMediator::UnlockScanContainer() {
    if (m_pNode != nullptr) {
        m_pNode->UnlockScanContainer();
    }
}

uint32_t QFundamentalNodeMediator::TakeTransportContainer(std::unique_ptr<QTransportContainer> transport,
                                                          bool mergeMaximum, int32_t* endValue,
                                                          bool mergeAverage) {
    uint32_t status = 0;
    {
        QAcquiredScanContainer own(this);
        QScanContainer* container = own.Get();
        if (container == nullptr) {
            return 0;
        }
        status =
            container->TakeTransportContainer(std::move(transport), mergeMaximum, endValue, mergeAverage);
    }
    // The exchange with the parent clamp takes the parent's lock: never with our own still held.
    if (IsClampChildKind()) {
        QParentClampLink::Synchronise(*this);
    }
    return status;
}

bool QFundamentalNodeMediator::IsRunnable() {
    return m_pNode != nullptr && m_pNode->IsRunnable();
}

bool QFundamentalNodeMediator::CanRunContinuously() {
    return m_pNode != nullptr && m_pNode->CanRunContinuously();
}

void QFundamentalNodeMediator::ReleaseScanData() {
    if (m_pCommandState != nullptr && m_pNode != nullptr) {
        m_pNode->RefreshAttenuatorValue(*m_pCommandState);
    }
}

bool QFundamentalNodeMediator::HasScanData() {
    return m_pCommandState != nullptr;
}

bool QFundamentalNodeMediator::IsClampChildKind() const {
    if (m_pNode == nullptr) {
        return false;
    }
    const uint16_t kind = m_pNode->GetTypeID();
    return kind == kTypeAmbientScanNode || kind == kTypeCableScanNode;
}

bool QFundamentalNodeMediator::SynchroniseWithClampParent() {
    return IsClampChildKind() && QParentClampLink::Synchronise(*this);
}

void QFundamentalNodeMediator::SynchroniseClampChildren() {
    if (m_pNode == nullptr || m_pNode->GetTypeID() != kTypeCurrentClampModuleNode ||
        GetContainer() == nullptr) {
        return;
    }
    for (QNodeMediator* child : GetContainer()->GetChildMediators(*this)) {
        QNode* node = child != nullptr ? child->GetNode() : nullptr;
        if (node != nullptr &&
            (node->GetTypeID() == kTypeAmbientScanNode || node->GetTypeID() == kTypeCableScanNode)) {
            QParentClampLink::Synchronise(*child);
        }
    }
}

// --- Linked proxies ---

void QFundamentalNodeMediator::AddLinkedProxy(QNodeMediator& proxy) {
    if (std::find(m_linkedProxies.begin(), m_linkedProxies.end(), &proxy) == m_linkedProxies.end()) {
        m_linkedProxies.push_back(&proxy);
    }
}

void QFundamentalNodeMediator::RemoveLinkedProxy(QNodeMediator& proxy) {
    std::erase(m_linkedProxies, &proxy);
}

std::vector<QNodeMediator*> QFundamentalNodeMediator::GetLinkedProxies() const {
    std::vector<QNodeMediator*> proxies = m_linkedProxies;
    // Sorted when asked rather than kept sorted: a proxy's ID may change after it was linked.
    std::stable_sort(proxies.begin(), proxies.end(),
                     [](QNodeMediator* a, QNodeMediator* b) { return a->GetNodeID() < b->GetNodeID(); });
    return proxies;
}

uint32_t QFundamentalNodeMediator::GetDataSize() {
    return 4 + 4 * static_cast<uint32_t>(m_linkedProxies.size());
}

void QFundamentalNodeMediator::WriteData(QDataWriter& writer) {
    const std::vector<QNodeMediator*> proxies = GetLinkedProxies();
    writer.WriteU32(static_cast<uint32_t>(proxies.size()));
    for (QNodeMediator* proxy : proxies) {
        writer.WriteU32(proxy->GetNodeID());
    }
}

void QFundamentalNodeMediator::ReadData(QDataReader& reader) {
    const uint32_t count = reader.ReadU32();
    // The node checked the block: exactly `count` IDs follow.
    for (uint32_t i = 0; i < count; ++i) {
        m_pendingLinks.push_back(reader.ReadU32());
    }
}

std::vector<uint32_t> QFundamentalNodeMediator::TakePendingLinks() {
    return std::exchange(m_pendingLinks, {});
}

// --- Scan-data seam ---

bool QFundamentalNodeMediator::GetCompensationSettings(QScanCompensationSettings& out) const {
    // The lookup walks the (non-const) mediator chain to the Preferences node; nothing is changed.
    auto* self = const_cast<QFundamentalNodeMediator*>(this);
    QNodeMediator* preferences = self->GetPreferencesMediator();
    const QSpectralDisplayOptions* options =
        preferences != nullptr ? preferences->GetSpectralDisplayOptions() : nullptr;
    if (options == nullptr) {
        return false;
    }
    out.m_ReferenceLevel = options->m_step;
    out.m_Mode = options->m_modeD;
    out.m_CompensatedRange = options->m_switch4;
    out.m_CorrectionSetName = options->m_text;
    return true;
}

int QFundamentalNodeMediator::GetSpatialDisplayUnit() const {
    return m_pNode != nullptr ? static_cast<int>(m_pNode->GetSpatialDisplayOptions()->m_modeA) : 0;
}

int QFundamentalNodeMediator::GetSpectralDisplayUnit() const {
    return m_pNode != nullptr ? static_cast<int>(m_pNode->GetSpectralDisplayOptions()->m_modeA) : 0;
}

void QFundamentalNodeMediator::UpdateInformation(uint32_t /*flags*/) {
    std::string date;
    try {
        date = FormatDescriptionDate(CurrentScanDescriptionSource());
    } catch (const QException& error) {
        AddInformationMessage(0, error.m_message);
        return;
    }
    QNode* node = GetNode();
    if (node == nullptr) {
        return;
    }
    const uint16_t kind = node->GetTypeID();
    std::unique_ptr<QReceivedScanCopy> copy;
    {
        QAcquiredScanContainer held(this);
        if (held.Get() == nullptr) {
            return;
        }
        copy = CopyReceivedScan(kind, *held.Get(), std::move(date));
    }
    if (copy != nullptr) {
        m_pTarget->Post(kListReceivedScan, kind, 0, std::make_unique<ReceivedScanPayload>(std::move(copy)));
    }
}

void QFundamentalNodeMediator::ListReceivedScan(QReceivedScanCopy& copy) {
    if (copy.m_FrequenciesOnly) {
        CompleteListedScan(copy);
        return;
    }
    const QScanDescription description = BuildScanDescription(copy.m_Date, copy.m_RealTimeAnalyzerFormat);
    CountScanOfContinuousRun();
    const bool replace = ReplacesRunScan();
    if (copy.m_Spectral) {
        QSpectralScanAddition& addition = *copy.m_Spectral;
        description.PlaceInto(addition.m_Record.m_Texts);
        TakeOptionSnapshot(*this, addition.m_Record);
        int32_t newest = 0;
        if (replace && GetLastSpectralScanData(newest) != nullptr && newest == m_nReceivedSpectralScanID) {
            addition.m_Record.m_ScanId = newest;
            AddSpectralScanData(std::move(addition), true, true);
            return;
        }
        addition.m_Record.m_ScanId = GetNextSpectralScanID();
        m_nReceivedSpectralScanID = addition.m_Record.m_ScanId;
        AddSpectralScanData(std::move(addition), true, false);
        if (CSpectralScanData* listed = FindSpectralScanData(m_nReceivedSpectralScanID)) {
            ApplyViewSnapshot(*this, *listed);
        }
    } else if (copy.m_Spatial) {
        QSpatialScanAddition& addition = *copy.m_Spatial;
        description.PlaceInto(addition.m_Record.m_Texts);
        TakeOptionSnapshot(*this, addition.m_Record);
        int32_t newest = 0;
        if (replace && GetLastSpatialScanData(newest) != nullptr && newest == m_nReceivedSpatialScanID) {
            addition.m_Record.m_ScanId = newest;
            AddSpatialScanData(std::move(addition), true, true);
            return;
        }
        addition.m_Record.m_ScanId = GetNextSpatialScanID();
        m_nReceivedSpatialScanID = addition.m_Record.m_ScanId;
        AddSpatialScanData(std::move(addition), true, false);
        if (CSpatialScanData* listed = FindSpatialScanData(m_nReceivedSpatialScanID)) {
            ApplyViewSnapshot(*this, *listed);
        }
    } else if (copy.m_Cell) {
        QCellAddition& cell = *copy.m_Cell;
        description.PlaceInto(cell.m_Record.m_Texts);
        TakeOptionSnapshot(*this, cell.m_Record);
        // The first cell opens a new scan; the later ones belong to the scan it opened.
        if (cell.m_CellIndex == 1) {
            m_nReceivedCellScanID = copy.m_NodeKind == kTypeHandHeldProbeScanNode
                                        ? GetNextHandHeldScanID()
                                        : GetNextSpectralSpatialScanID();
        }
        cell.m_Record.m_ScanId = m_nReceivedCellScanID;
        const bool handHeld = copy.m_NodeKind == kTypeHandHeldProbeScanNode;
        // A scan the user deleted while it ran takes no more cells.
        const bool listed = handHeld ? FindHandHeldProbeScanData(m_nReceivedCellScanID) != nullptr
                                     : FindSpectralSpatialScanData(m_nReceivedCellScanID) != nullptr;
        if (cell.m_CellIndex != 1 && !listed) {
            return;
        }
        const bool opens = cell.m_CellIndex == 1;
        if (handHeld) {
            AddHandHeldProbeScanData(std::move(cell), true);
        } else {
            AddSpectralSpatialScanData(std::move(cell), true);
        }
        CScanData* listedScan =
            handHeld ? static_cast<CScanData*>(FindHandHeldProbeScanData(m_nReceivedCellScanID))
                     : FindSpectralSpatialScanData(m_nReceivedCellScanID);
        if (opens && listedScan != nullptr) {
            ApplyViewSnapshot(*this, *listedScan);
        }
    }
}

void QFundamentalNodeMediator::CompleteListedScan(QReceivedScanCopy& copy) {
    if (copy.m_Spectral) {
        // Only when the newest spectral scan is the one this run listed.
        int32_t newest = 0;
        if (GetLastSpectralScanData(newest) == nullptr || newest != m_nReceivedSpectralScanID) {
            return;
        }
        AddSpectralScanData(std::move(*copy.m_Spectral), true, false);
    } else if (copy.m_Cell && copy.m_NodeKind == kTypeSpectralSpatialScanNode) {
        if (copy.m_Cell->m_MeasuredFrequencies.empty() ||
            FindSpectralSpatialScanData(m_nReceivedCellScanID) == nullptr) {
            return;
        }
        copy.m_Cell->m_Record.m_ScanId = m_nReceivedCellScanID;
        AddSpectralSpatialScanData(std::move(*copy.m_Cell), true);
    }
}

bool QFundamentalNodeMediator::ReplacesRunScan() {
    // The first scan of a run is always a new one (the count includes the scan being listed).
    if (!IsContinuousRun() || !IsScanInProgress() || GetScansThisRun() < 2 || HasScanError()) {
        return false;
    }
    const QScanOptions* scanOptions = GetScanOptions();
    const QSpectralDisplayOptions* display = GetSpectralDisplayOptions();
    return (scanOptions != nullptr && scanOptions->IsPeakHold()) ||
           (display != nullptr && display->IsAccumulate());
}

// --- Export ---

void QFundamentalNodeMediator::ExportSpectral() {
    ExportSpectralTo(0);
}

void QFundamentalNodeMediator::ExportSpatial() {
    ExportSpatialTo(0);
}

void QFundamentalNodeMediator::ExportSpectralTo(int32_t scanID) {
    QSpectralScanDataExporter exporter;
    RunScanDataExport(*this, exporter, scanID, false);
}

void QFundamentalNodeMediator::ExportSpatialTo(int32_t scanID) {
    QSpatialScanDataExporter exporter;
    RunScanDataExport(*this, exporter, scanID, true);
}

} // namespace orv
