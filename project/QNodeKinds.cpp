#include "project/QNodeKinds.h"

#include "analyzers/CInstrumentInfo.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "platform/ui/WaitCursor.h"
#include "project/QNodeKindTable.h"
#include "project/QNodeMediator.h"
#include "project/QNodeMenus.h"
#include "project/QProjectStorageManager.h"
#include "scandata/QAmbientScanContainer.h"
#include "scandata/QAntennaPositionScanContainer.h"
#include "scandata/QAntennaScanContainer.h"
#include "scandata/QAntennaScanModuleContainer.h"
#include "scandata/QBlindSpotReductionScanContainer.h"
#include "scandata/QCableScanContainer.h"
#include "scandata/QComparisonScanContainer.h"
#include "scandata/QCurrentClampModuleContainer.h"
#include "scandata/QDifferentRangeScanModuleContainer.h"
#include "scandata/QDummyScanContainer.h"
#include "scandata/QFarFieldAmbientScanContainer.h"
#include "scandata/QNearFieldAmbientScanContainer.h"
#include "scandata/QSpatialComparisonScanContainer.h"
#include "scandata/QSpatialScanContainer.h"
#include "scandata/QSpectralComparisonScanContainer.h"
#include "scandata/QSpectralOverlayScanContainer.h"
#include "scandata/QSpectralScanContainer.h"
#include "scandata/QSpectralSpatialScanContainer.h"

#include <algorithm>
#include <memory>

namespace orv {

namespace {

using Traits = QNodeKindTraits;

// Every kind of the catalogue has a row; a row is missing only for a type no kind answers, and then
// the node offers nothing.
const Traits kNoKind{0,
                     -1,
                     0,
                     false,
                     false,
                     Traits::LinkMode::None,
                     0,
                     Traits::Commands::Unchanged,
                     Traits::ScanStorage::None,
                     {},
                     false};

void SetFrequencyRange(QNode& node, float start, float stop) {
    node.GetScanOptions()->SetStartFrequency(start);
    node.GetScanOptions()->SetStopFrequency(stop);
}

// Gives the node's lock back however the guarded code ends.
class NodeLock {
public:
    explicit NodeLock(QNode& node) : m_node(node), m_container(node.LockScanContainer()) {}
    ~NodeLock() { m_node.UnlockScanContainer(); }
    NodeLock(const NodeLock&) = delete;
    NodeLock& operator=(const NodeLock&) = delete;
    QScanContainer* Get() const { return m_container; }

private:
    QNode& m_node;
    QScanContainer* m_container;
};

} // namespace

// --- QKindNode ---

QKindNode::QKindNode(const char* label) {
    if (label != nullptr) {
        SetName(label);
        SetLabel(label);
    }
}

const QNodeKindTraits* QKindNode::Traits() const {
    const QNodeKindTraits* traits = FindNodeKindTraits(GetTypeID());
    return traits != nullptr ? traits : &kNoKind;
}

std::unique_ptr<QViewRequest> QKindNode::CreateSpectralViewRequest() {
    if ((Traits()->views & Traits::kSpectralView) == 0) {
        return nullptr;
    }
    return std::make_unique<QSpectralViewRequest>();
}

std::unique_ptr<QViewRequest> QKindNode::CreateSpatialViewRequest() {
    if ((Traits()->views & Traits::kSpatialView) == 0) {
        return nullptr;
    }
    return std::make_unique<QSpatialViewRequest>();
}

std::unique_ptr<QViewRequest> QKindNode::CreateNoteViewRequest() {
    if ((Traits()->views & Traits::kNoteView) == 0) {
        return nullptr;
    }
    return QNoteViewRequest::Create(GetNodeMediator());
}

std::unique_ptr<QViewRequest> QKindNode::CreateOverlayViewRequest() {
    if ((Traits()->views & Traits::kOverlayView) == 0) {
        return nullptr;
    }
    return QOverlayViewRequest::Create(GetNodeMediator());
}

void QKindNode::EnableCommands(QNodeCommandState& state) {
    switch (Traits()->commands) {
    case Traits::Commands::Enable:
        SetCommandsEnabled(state, true);
        break;
    case Traits::Commands::Disable:
        SetCommandsEnabled(state, false);
        break;
    case Traits::Commands::Unchanged:
        break;
    }
}

void QKindNode::GetTopLevelMenuItems(std::vector<std::string>& items) {
    AppendNodeMenuItems(GetTypeID(), QNodeMenu::TopLevel, items);
}

void QKindNode::GetAddMenuItems(std::vector<std::string>& items) {
    AppendNodeMenuItems(GetTypeID(), QNodeMenu::Add, items);
}

void QKindNode::GetViewMenuItems(std::vector<std::string>& items) {
    AppendNodeMenuItems(GetTypeID(), QNodeMenu::View, items);
}

void QKindNode::GetRunMenuItems(std::vector<std::string>& items) {
    AppendNodeMenuItems(GetTypeID(), QNodeMenu::Run, items);
}

int32_t QKindNode::GetImageIndex() {
    return Traits()->image;
}

int32_t QKindNode::GetViewKind() {
    return Traits()->viewKind;
}

bool QKindNode::IsRunnable() {
    return Traits()->runnable;
}

bool QKindNode::CanRunContinuously() {
    return Traits()->continuous;
}

int32_t QKindNode::GetLinkMode(uint32_t word, QNode* /*other*/) {
    switch (Traits()->linkMode) {
    case Traits::LinkMode::ByWord:
        return word != 0 ? 1 : 0;
    case Traits::LinkMode::Reference:
        return 2;
    case Traits::LinkMode::None:
        break;
    }
    return 0;
}

bool QKindNode::IsOwnAncestorOrSelf(const QNode& child) {
    QNode* node = this;
    for (int level = 0; level < kMaxAncestorLevels; ++level) {
        if (node == &child) {
            return true;
        }
        QNodeMediator* mediator = node->GetNodeMediator();
        QNodeMediator* parentMediator = mediator != nullptr ? mediator->GetParentMediator() : nullptr;
        QNode* parent = parentMediator != nullptr ? parentMediator->GetNode() : nullptr;
        if (parent == nullptr || parent->GetTypeID() == kTypeProjectNode) {
            return false;
        }
        node = parent;
    }
    // A chain this long is damaged (or a cycle): the walk ends and the kind list decides.
    return false;
}

bool QKindNode::CanAcceptChild(uint32_t /*word*/, QNode* child) {
    if (child == nullptr || child == this) {
        return false;
    }
    const QNodeKindTraits* traits = Traits();
    const uint16_t childKind = child->GetTypeID();
    if (std::find(traits->children.begin(), traits->children.end(), childKind) == traits->children.end()) {
        return false;
    }
    if (traits->ancestorRule && childKind == GetTypeID() && IsOwnAncestorOrSelf(*child)) {
        return false;
    }
    return true;
}

void QKindNode::StoreScanData(QProjectStorageManager& storage) {
    QNodeMediator* mediator = GetNodeMediator();
    if (mediator == nullptr) {
        return;
    }
    switch (Traits()->storage) {
    case Traits::ScanStorage::Spectral:
        storage.StoreSpectralScanData(*mediator);
        break;
    case Traits::ScanStorage::Spatial:
        storage.StoreSpatialScanData(*mediator);
        break;
    case Traits::ScanStorage::SpectralSpatial:
        storage.StoreSpectralSpatialScanData(*mediator);
        break;
    case Traits::ScanStorage::Cable:
        storage.StoreCableScanData(*mediator);
        break;
    case Traits::ScanStorage::ClampModule:
    case Traits::ScanStorage::None:
        break;
    }
}

void QKindNode::LoadScanData(QProjectStorageManager& storage) {
    QNodeMediator* mediator = GetNodeMediator();
    switch (Traits()->storage) {
    case Traits::ScanStorage::Spectral:
        if (mediator != nullptr) {
            storage.LoadSpectralScanData(*mediator);
        }
        break;
    case Traits::ScanStorage::Spatial:
        if (mediator != nullptr) {
            storage.LoadSpatialScanData(*mediator);
            const NodeLock lock(*this);
            if (auto* spatial = dynamic_cast<QSpatialScanContainer*>(lock.Get())) {
                spatial->ReprocessSpatialScan();
            }
        }
        break;
    case Traits::ScanStorage::SpectralSpatial: {
        const WaitCursorGuard waitCursor;
        if (mediator != nullptr) {
            storage.LoadSpectralSpatialScanData(*mediator);
        }
        break;
    }
    case Traits::ScanStorage::Cable:
        if (mediator != nullptr) {
            storage.LoadCableScanData(*mediator);
        }
        break;
    case Traits::ScanStorage::ClampModule: {
        // The clamp's data came with the node body; the cursor still marks the step.
        const WaitCursorGuard waitCursor;
        break;
    }
    case Traits::ScanStorage::None:
        break;
    }
}

// --- QComparisonNode ---

QComparisonSource* QComparisonNode::GetFirstLink() {
    QNodeMediator* mediator = GetNodeMediator();
    return mediator != nullptr ? mediator->GetComparisonLink(true) : nullptr;
}

QComparisonSource* QComparisonNode::GetSecondLink() {
    QNodeMediator* mediator = GetNodeMediator();
    return mediator != nullptr ? mediator->GetComparisonLink(false) : nullptr;
}

void QComparisonNode::SetCurrentProjectScanHeadText(const std::string& text) {
    GetInstrumentInfo().SetScanHeadText(text);
}

QScanContainer* QComparisonNode::LockScanContainer() {
    QScanContainer* container = QNode::LockScanContainer();
    if (m_nLockCount == 0) {
        if (auto* comparison = dynamic_cast<QComparisonScanContainer*>(container)) {
            comparison->ResolveSources();
        }
    }
    ++m_nLockCount;
    return container;
}

QScanContainer* QComparisonNode::AcquireScanContainer() {
    return QComparisonNode::LockScanContainer();
}

void QComparisonNode::UnlockScanContainer() {
    // The lock is recursive: taking it once more lets this thread read the count safely whether or
    // not it holds the lock already; a thread that does not hold it waits for the holder to finish.
    QScanContainer* container = QNode::LockScanContainer();
    if (m_nLockCount == 0) {
        QNode::UnlockScanContainer();
        return;
    }
    QComparisonScanContainer* released = nullptr;
    if (--m_nLockCount == 0) {
        released = dynamic_cast<QComparisonScanContainer*>(container);
        if (released != nullptr) {
            released->ReleaseSources();
        }
    }
    QNode::UnlockScanContainer();
    QNode::UnlockScanContainer();
    if (released != nullptr) {
        released->ShowPendingMessages();
    }
}

// --- QSpectralSpatialFlagNode ---

QSpectralSpatialFlagNode::QSpectralSpatialFlagNode(const char* label, int lastRow, int lastColumn)
    : QKindNode(label) {
    SetFrequencyRange(*this, 10.0F, 100.0F);
    constexpr int kFirstRow = 5;
    constexpr int kFirstColumn = 5;
    QProbeScanPatternOptions& second = *GetSecondProbePatternOptions();
    second.SetOwnPattern(true);
    QProbeScanPattern pattern = second.GetPattern();
    pattern.SetAllProbes(0);
    pattern.SetProbeInRange(kFirstRow, kFirstColumn, lastRow, lastColumn, 1);
    second.SetPattern(pattern);
    GetSSSpatialViewOptions()->m_viewFlag = 1;
    m_flag = 0;
}

void QSpectralSpatialFlagNode::WriteBodyTail(QDataWriter& writer) const {
    writer.WriteU8(m_flag);
}

void QSpectralSpatialFlagNode::ReadBodyTail(QDataReader& reader) {
    m_readFlag = reader.ReadU8();
}

void QSpectralSpatialFlagNode::CommitBodyTail() {
    m_flag = m_readFlag;
}

// --- The kinds ---

QPreferencesNode::QPreferencesNode() : QKindNode("Preferences") {
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QModuleNode::QModuleNode() : QKindNode("Module") {
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QSpectralScanNode::QSpectralScanNode() : QKindNode("Spectral") {
    SetFrequencyRange(*this, 10.0F, 100.0F);
    GetScanOptions()->SetMeasurePeaks(true);
    SetScanContainer(std::make_unique<QSpectralScanContainer>());
}

QSpatialScanNode::QSpatialScanNode() : QKindNode("Spatial") {
    SetFrequencyRange(*this, 300.0F, 300.0F);
    SetScanContainer(std::make_unique<QSpatialScanContainer>());
}

QSpectralSpatialScanNode::QSpectralSpatialScanNode() : QSpectralSpatialFlagNode("Spectral/Spatial", 6, 10) {
    SetScanContainer(std::make_unique<QSpectralSpatialScanContainer>());
}

QNoteNode::QNoteNode() : QKindNode("Note") {
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QProjectNode::QProjectNode() : QKindNode("Project") {
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QSpectralScanReferenceNode::QSpectralScanReferenceNode() : QKindNode(nullptr) {
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QSpatialScanReferenceNode::QSpatialScanReferenceNode() : QKindNode(nullptr) {
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QSpectralComparisonNode::QSpectralComparisonNode() : QComparisonNode("Compare Spectral") {
    SetScanContainer(std::make_unique<QSpectralComparisonScanContainer>(this));
}

QSpatialComparisonNode::QSpatialComparisonNode() : QComparisonNode("Compare Spatial") {
    SetScanContainer(std::make_unique<QSpatialComparisonScanContainer>(this));
}

QSpectralOverlayNode::QSpectralOverlayNode() : QComparisonNode("Spectral Overlay") {
    GetSSSpectralViewOptions()->m_viewMode = 1;
    SetScanContainer(std::make_unique<QSpectralOverlayScanContainer>(this));
}

QOverlayNode::QOverlayNode() : QKindNode("Overlay") {
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QSpectralSpatialScriptingModuleNode::QSpectralSpatialScriptingModuleNode()
    : QKindNode("Spectral Spatial Scripting") {
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QCurrentClampModuleNode::QCurrentClampModuleNode() : QKindNode("Current Clamp Module") {
    SetFrequencyRange(*this, 250.0F, 350.0F);
    SetScanContainer(std::make_unique<QCurrentClampModuleContainer>());
}

QCableScanNode::QCableScanNode() : QKindNode("Cable Scan") {
    SetScanContainer(std::make_unique<QCableScanContainer>());
}

QWordReportNode::QWordReportNode() : QKindNode("Report Generator") {
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QAmbientScanNode::QAmbientScanNode() : QKindNode("Ambient Scan") {
    SetScanContainer(std::make_unique<QAmbientScanContainer>());
}

QAmbientScanReferenceNode::QAmbientScanReferenceNode() : QKindNode(nullptr) {
    SetScanContainer(std::make_unique<QDummyScanContainer>());
}

QAntennaPositionScanNode::QAntennaPositionScanNode() : QKindNode("Antenna Position Scan") {
    SetFrequencyRange(*this, 250.0F, 350.0F);
    SetScanContainer(std::make_unique<QAntennaPositionScanContainer>());
}

QNearFieldAmbientScanNode::QNearFieldAmbientScanNode() : QKindNode("Near Field Spectral Scan") {
    SetScanContainer(std::make_unique<QNearFieldAmbientScanContainer>());
}

QFarFieldAmbientScanNode::QFarFieldAmbientScanNode() : QKindNode("Far Field Ambient Scan") {
    SetScanContainer(std::make_unique<QFarFieldAmbientScanContainer>());
}

QAntennaScanNode::QAntennaScanNode() : QKindNode("Antenna Scan") {
    SetScanContainer(std::make_unique<QAntennaScanContainer>());
}

QAntennaScanModuleNode::QAntennaScanModuleNode() : QKindNode("Antenna Scan Module") {
    SetScanContainer(std::make_unique<QAntennaScanModuleContainer>());
}

QDifferentRangeScanModuleNode::QDifferentRangeScanModuleNode() : QKindNode("Spectral Spatial Scripting") {
    SetScanContainer(std::make_unique<QDifferentRangeScanModuleContainer>());
}

QHandHeldProbeScanNode::QHandHeldProbeScanNode() : QSpectralSpatialFlagNode("Handheld Probe", 5, 7) {
    SetScanContainer(std::make_unique<QHandHeldProbeScanContainer>());
}

QBlindSpotReductionNode::QBlindSpotReductionNode() : QComparisonNode("Blind Spot Reduction") {
    SetScanContainer(std::make_unique<QBlindSpotReductionScanContainer>(this));
}

CSpectralSpatialUserCompositeNode::CSpectralSpatialUserCompositeNode()
    : QSpectralSpatialFlagNode("Spectral/Spatial User composite", 6, 10) {
    SetScanContainer(std::make_unique<QSpectralSpatialScanContainer>());
}

} // namespace orv
