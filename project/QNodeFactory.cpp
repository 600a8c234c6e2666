#include "project/QNodeFactory.h"

#include "core/QException.h"
#include "core/TypeIds.h"
#include "project/QNodeKinds.h"
#include "project/QNodeMediator.h"
#include "project/QProxyNodeMediator.h"

#include <chrono>
#include <random>
#include <stdexcept>

namespace orv {

namespace {

// One generator per thread, seeded once from the steady clock.
std::mt19937& NodeIdGenerator() {
    thread_local std::mt19937 generator(
        static_cast<std::mt19937::result_type>(std::chrono::steady_clock::now().time_since_epoch().count()));
    return generator;
}

uint32_t MillisecondsSinceStart() {
    const auto elapsed = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

std::unique_ptr<QNode> MakeNodeOfKind(uint16_t type) {
    switch (type) {
    case kTypePreferencesNode:
        return std::make_unique<QPreferencesNode>();
    case kTypeModuleNode:
        return std::make_unique<QModuleNode>();
    case kTypeSpectralScanNode:
        return std::make_unique<QSpectralScanNode>();
    case kTypeSpatialScanNode:
        return std::make_unique<QSpatialScanNode>();
    case kTypeSpectralSpatialScanNode:
        return std::make_unique<QSpectralSpatialScanNode>();
    case kTypeNoteNode:
        return std::make_unique<QNoteNode>();
    case kTypeProjectNode:
        return std::make_unique<QProjectNode>();
    case kTypeSpectralScanReferenceNode:
        return std::make_unique<QSpectralScanReferenceNode>();
    case kTypeSpatialScanReferenceNode:
        return std::make_unique<QSpatialScanReferenceNode>();
    case kTypeSpectralComparisonNode:
        return std::make_unique<QSpectralComparisonNode>();
    case kTypeSpatialComparisonNode:
        return std::make_unique<QSpatialComparisonNode>();
    case kTypeSpectralOverlayNode:
        return std::make_unique<QSpectralOverlayNode>();
    case kTypeOverlayNode:
        return std::make_unique<QOverlayNode>();
    case kTypeSpectralSpatialScriptingModuleNode:
        return std::make_unique<QSpectralSpatialScriptingModuleNode>();
    case kTypeCurrentClampModuleNode:
        return std::make_unique<QCurrentClampModuleNode>();
    case kTypeCableScanNode:
        return std::make_unique<QCableScanNode>();
    case kTypeWordReportNode:
        return std::make_unique<QWordReportNode>();
    case kTypeAmbientScanNode:
        return std::make_unique<QAmbientScanNode>();
    case kTypeAmbientScanReferenceNode:
        return std::make_unique<QAmbientScanReferenceNode>();
    case kTypeAntennaPositionScanNode:
        return std::make_unique<QAntennaPositionScanNode>();
    case kTypeNearFieldAmbientScanNode:
        return std::make_unique<QNearFieldAmbientScanNode>();
    case kTypeFarFieldAmbientScanNode:
        return std::make_unique<QFarFieldAmbientScanNode>();
    case kTypeAntennaScanNode:
        return std::make_unique<QAntennaScanNode>();
    case kTypeAntennaScanModuleNode:
        return std::make_unique<QAntennaScanModuleNode>();
    case kTypeDifferentRangeScanModuleNode:
        return std::make_unique<QDifferentRangeScanModuleNode>();
    case kTypeHandHeldProbeScanNode:
        return std::make_unique<QHandHeldProbeScanNode>();
    case kTypeBlindSpotReductionNode:
        return std::make_unique<QBlindSpotReductionNode>();
    case kTypeSpectralSpatialUserCompositeNode:
        return std::make_unique<CSpectralSpatialUserCompositeNode>();
    default:
        throw QException(QNodeFactory::kInvalidNodeTypeText);
    }
}

} // namespace

QNodeFactory::~QNodeFactory() = default;

bool QNodeFactory::IsNodeKind(uint16_t type) {
    if (type < kTypePreferencesNode || type > kTypeSpectralSpatialUserCompositeNode) {
        return false;
    }
    switch (type) {
    case 2002:
    case 2020:
    case 2021:
    case 2022:
    case 2031:
    case 2032:
        return false;
    default:
        return true;
    }
}

bool QNodeFactory::IsReferenceKind(uint16_t type) {
    return type == kTypeSpectralScanReferenceNode || type == kTypeSpatialScanReferenceNode ||
           type == kTypeAmbientScanReferenceNode;
}

uint32_t QNodeFactory::DrawNodeId() const {
    std::mt19937& generator = NodeIdGenerator();
    for (;;) {
        const uint32_t id = MillisecondsSinceStart() + static_cast<uint32_t>(generator());
        if (id != kNoNodeId && !(m_idInUse && m_idInUse(id))) {
            return id;
        }
    }
}

std::unique_ptr<QNode> QNodeFactory::CreateNode(uint16_t type, bool assignNewId) {
    std::unique_ptr<QNode> node = MakeNodeOfKind(type);
    if (assignNewId) {
        node->SetID(DrawNodeId());
    }
    node->SetContext(m_pContext);
    node->SetType(type);
    return node;
}

std::unique_ptr<QNodeMediator> QNodeFactory::CreateNodeWithMediator(QNodeMediator* parent,
                                                                    QNodeContainer* context, uint16_t type,
                                                                    QProjectStorageManager* /*storage*/,
                                                                    bool assignNewId) {
    m_pContext = context;
    if (!IsNodeKind(type)) {
        throw QException(kInvalidNodeTypeText);
    }
    if (!m_makeFundamental) {
        throw std::logic_error("QNodeFactory: no maker of fundamental mediators");
    }

    std::unique_ptr<QProxyNodeMediator> proxy;
    std::unique_ptr<QNodeMediator> ownedFundamental = m_makeFundamental();
    QNodeMediator* fundamental = ownedFundamental.get();
    if (IsReferenceKind(type)) {
        proxy = std::make_unique<QProxyNodeMediator>();
        proxy->SetOwnMediator(std::move(ownedFundamental));
    }

    std::unique_ptr<QNode> node = CreateNode(type, assignNewId);
    QNode* madeNode = node.get();
    fundamental->SetNode(std::move(node));
    madeNode->SetMediator(fundamental);
    fundamental->SetParentMediator(parent);

    madeNode->SyncOptionsFromParent();

    if (proxy != nullptr) {
        return proxy;
    }
    return ownedFundamental;
}

} // namespace orv
