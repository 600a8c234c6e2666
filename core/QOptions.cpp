#include "core/QOptions.h"

#include "core/QOptionMediator.h"
#include "core/QOptionNode.h"
#include "core/TypeIds.h"

namespace orv {

QOptions::~QOptions() = default;

uint16_t QOptions::NodeKindOf(QOptionMediator* mediator) {
    if (mediator == nullptr) {
        return 0;
    }
    const QOptionNode* node = mediator->GetNode();
    return node == nullptr ? 0 : node->GetNodeTypeId();
}

uint16_t QOptions::GetOwnerKind() const {
    return m_owner == nullptr ? 0 : m_owner->GetNodeTypeId();
}

QOptionMediator* QOptions::GetParentMediator() const {
    if (m_owner == nullptr) {
        return nullptr;
    }
    QOptionMediator* own = m_owner->GetMediator();
    return own == nullptr ? nullptr : own->GetParentMediator();
}

QOptionMediator* QOptions::FindGoverningMediator(uint16_t ownKind) const {
    return FindAncestorMediator(ownKind, false);
}

QOptionMediator* QOptions::FindAncestorMediator(uint16_t ownKind, bool stopAtScripting) const {
    QOptionMediator* mediator = GetParentMediator();
    if (mediator == nullptr) {
        return nullptr;
    }
    uint16_t kind = NodeKindOf(mediator);
    if (kind == kTypeProjectNode) {
        return mediator;
    }
    for (int steps = 0;;) {
        if (kind == kTypeModuleNode || (stopAtScripting && kind == kTypeSpectralSpatialScriptingModuleNode)) {
            return mediator;
        }
        // A spatial scan under a spectral kind scans at that node's frequencies.
        if (ownKind == kTypeSpatialScanNode &&
            (kind == kTypeSpectralSpatialScanNode || kind == kTypeHandHeldProbeScanNode ||
             kind == kTypeSpectralScanNode)) {
            return mediator;
        }
        mediator = mediator->GetParentMediator();
        ++steps;
        if (mediator == nullptr || steps >= kMaxGoverningSteps) {
            return nullptr;
        }
        kind = NodeKindOf(mediator);
        if (kind == kTypeProjectNode) {
            return mediator;
        }
    }
}

} // namespace orv
