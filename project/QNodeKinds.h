#pragma once

#include "core/TypeIds.h"
#include "project/QNode.h"
#include "scandata/QComparisonOwner.h"

#include <cstdint>

namespace orv {

// The node kinds: each gives the node its display name and makes the one scan container kind it
// keeps its scans in. The kinds without scans keep an empty QDummyScanContainer.

// Base of the kinds that compare the scans of two other nodes: their containers borrow the two
// linked sources instead of holding scans. The node is its container's owner: the links are the
// two comparison links its mediator keeps.
class QComparisonNode : public QNode, public QComparisonOwner {
public:
    // Null while the node has no mediator or the mediator has no such link.
    QComparisonSource* GetFirstLink() override;
    QComparisonSource* GetSecondLink() override;
    // The scan head the correction of a spectrum looks its factors up for is the instrument's.
    void SetCurrentProjectScanHeadText(const std::string& text) override;

protected:
    QComparisonNode() = default;
};

class QPreferencesNode : public QNode {
public:
    QPreferencesNode();
    uint16_t GetTypeID() const override { return kTypePreferencesNode; }
};

class QModuleNode : public QNode {
public:
    QModuleNode();
    uint16_t GetTypeID() const override { return kTypeModuleNode; }
};

class QSpectralScanNode : public QNode {
public:
    QSpectralScanNode();
    uint16_t GetTypeID() const override { return kTypeSpectralScanNode; }
};

class QSpatialScanNode : public QNode {
public:
    QSpatialScanNode();
    uint16_t GetTypeID() const override { return kTypeSpatialScanNode; }
};

class QSpectralSpatialScanNode : public QNode {
public:
    QSpectralSpatialScanNode();
    uint16_t GetTypeID() const override { return kTypeSpectralSpatialScanNode; }
};

class QNoteNode : public QNode {
public:
    QNoteNode();
    uint16_t GetTypeID() const override { return kTypeNoteNode; }
};

class QProjectNode : public QNode {
public:
    QProjectNode();
    uint16_t GetTypeID() const override { return kTypeProjectNode; }
};

class QSpectralScanReferenceNode : public QNode {
public:
    QSpectralScanReferenceNode();
    uint16_t GetTypeID() const override { return kTypeSpectralScanReferenceNode; }
};

class QSpatialScanReferenceNode : public QNode {
public:
    QSpatialScanReferenceNode();
    uint16_t GetTypeID() const override { return kTypeSpatialScanReferenceNode; }
};

class QSpectralComparisonNode : public QComparisonNode {
public:
    QSpectralComparisonNode();
    uint16_t GetTypeID() const override { return kTypeSpectralComparisonNode; }
};

class QSpatialComparisonNode : public QComparisonNode {
public:
    QSpatialComparisonNode();
    uint16_t GetTypeID() const override { return kTypeSpatialComparisonNode; }
};

class QSpectralOverlayNode : public QComparisonNode {
public:
    QSpectralOverlayNode();
    uint16_t GetTypeID() const override { return kTypeSpectralOverlayNode; }
};

class QOverlayNode : public QNode {
public:
    QOverlayNode();
    uint16_t GetTypeID() const override { return kTypeOverlayNode; }
};

class QSpectralSpatialScriptingModuleNode : public QNode {
public:
    QSpectralSpatialScriptingModuleNode();
    uint16_t GetTypeID() const override { return kTypeSpectralSpatialScriptingModuleNode; }
};

class QCurrentClampModuleNode : public QNode {
public:
    QCurrentClampModuleNode();
    uint16_t GetTypeID() const override { return kTypeCurrentClampModuleNode; }
};

class QCableScanNode : public QNode {
public:
    QCableScanNode();
    uint16_t GetTypeID() const override { return kTypeCableScanNode; }
};

class QWordReportNode : public QNode {
public:
    QWordReportNode();
    uint16_t GetTypeID() const override { return kTypeWordReportNode; }
};

class QAmbientScanNode : public QNode {
public:
    QAmbientScanNode();
    uint16_t GetTypeID() const override { return kTypeAmbientScanNode; }
};

class QAmbientScanReferenceNode : public QNode {
public:
    QAmbientScanReferenceNode();
    uint16_t GetTypeID() const override { return kTypeAmbientScanReferenceNode; }
};

class QAntennaPositionScanNode : public QNode {
public:
    QAntennaPositionScanNode();
    uint16_t GetTypeID() const override { return kTypeAntennaPositionScanNode; }
};

class QNearFieldAmbientScanNode : public QNode {
public:
    QNearFieldAmbientScanNode();
    uint16_t GetTypeID() const override { return kTypeNearFieldAmbientScanNode; }
};

class QFarFieldAmbientScanNode : public QNode {
public:
    QFarFieldAmbientScanNode();
    uint16_t GetTypeID() const override { return kTypeFarFieldAmbientScanNode; }
};

class QAntennaScanNode : public QNode {
public:
    QAntennaScanNode();
    uint16_t GetTypeID() const override { return kTypeAntennaScanNode; }
};

class QAntennaScanModuleNode : public QNode {
public:
    QAntennaScanModuleNode();
    uint16_t GetTypeID() const override { return kTypeAntennaScanModuleNode; }
};

class QDifferentRangeScanModuleNode : public QNode {
public:
    QDifferentRangeScanModuleNode();
    uint16_t GetTypeID() const override { return kTypeDifferentRangeScanModuleNode; }
};

class QHandHeldProbeScanNode : public QNode {
public:
    QHandHeldProbeScanNode();
    uint16_t GetTypeID() const override { return kTypeHandHeldProbeScanNode; }
};

class QBlindSpotReductionNode : public QComparisonNode {
public:
    QBlindSpotReductionNode();
    uint16_t GetTypeID() const override { return kTypeBlindSpotReductionNode; }
};

class CSpectralSpatialUserCompositeNode : public QNode {
public:
    CSpectralSpatialUserCompositeNode();
    uint16_t GetTypeID() const override { return kTypeSpectralSpatialUserCompositeNode; }
};

} // namespace orv
