#pragma once

#include "core/TypeIds.h"
#include "project/QNode.h"
#include "scandata/QComparisonOwner.h"

#include <cstdint>

namespace orv {

struct QNodeKindTraits;

// The node kinds: each gives the node its name and label, makes the one scan container kind it
// keeps its scans in (the kinds without scans keep an empty QDummyScanContainer) and answers the
// kind questions of the project tree, the views and the storage from the kind table
// (project/QNodeKindTable.h) and the menu table (project/QNodeMenus.h).
class QKindNode : public QNode {
public:
    std::unique_ptr<QViewRequest> CreateSpectralViewRequest() override;
    std::unique_ptr<QViewRequest> CreateSpatialViewRequest() override;
    void EnableCommands(QNodeCommandState& state) override;
    std::unique_ptr<QViewRequest> CreateNoteViewRequest() override;
    std::unique_ptr<QViewRequest> CreateOverlayViewRequest() override;
    void GetTopLevelMenuItems(std::vector<std::string>& items) override;
    void GetAddMenuItems(std::vector<std::string>& items) override;
    void GetViewMenuItems(std::vector<std::string>& items) override;
    void GetRunMenuItems(std::vector<std::string>& items) override;
    int32_t GetImageIndex() override;
    // A null child, or the node itself, is refused. Module and Spectral Spatial Scripting refuse a
    // child of their own kind that is this node or one of its ancestors; the walk up stops at a
    // missing parent, at the Project node and after kMaxAncestorLevels, so a damaged chain ends.
    bool CanAcceptChild(uint32_t word, QNode* child) override;
    int32_t GetLinkMode(uint32_t word, QNode* other) override;
    int32_t GetViewKind() override;
    // Through the node's mediator; nothing without one.
    void StoreScanData(QProjectStorageManager& storage) override;
    void LoadScanData(QProjectStorageManager& storage) override;
    bool IsRunnable() override;
    bool CanRunContinuously() override;

    static constexpr int kMaxAncestorLevels = 50;

protected:
    // Names the node and stores the kind label (the same text; the reference kinds pass none).
    explicit QKindNode(const char* label);

private:
    const QNodeKindTraits* Traits() const;
    bool IsOwnAncestorOrSelf(const QNode& child);
};

// Base of the kinds that compare the scans of two other nodes: their containers borrow the two
// linked sources instead of holding scans. The node is its container's owner: the links are the
// two comparison links its mediator keeps.
//
// The node's lock resolves the sources: the outermost lock (or acquire) of the node has the
// container take its sources' locks, the matching outermost unlock lets them go, gives the node's
// lock back and only then shows the texts the check queued. So nested locks on one thread resolve
// once, and no box shows while a node lock is held by this path.
class QComparisonNode : public QKindNode, public QComparisonOwner {
public:
    // Null while the node has no mediator or the mediator has no such link.
    QComparisonSource* GetFirstLink() override;
    QComparisonSource* GetSecondLink() override;
    // The scan head the correction of a spectrum looks its factors up for is the instrument's.
    void SetCurrentProjectScanHeadText(const std::string& text) override;

    QScanContainer* LockScanContainer() override;
    QScanContainer* AcquireScanContainer() override;
    // An unlock that matches no lock of this node changes nothing.
    void UnlockScanContainer() override;
    // Changed only under the node's lock; read it there (or when no other thread can lock).
    uint32_t GetLockCount() const { return m_nLockCount; }

protected:
    explicit QComparisonNode(const char* label) : QKindNode(label) {}

private:
    uint32_t m_nLockCount = 0;
};

// The spectral/spatial kinds (Spectral/Spatial, Handheld Probe, User composite): a flag byte
// stored after the node body, and a second probe pattern of their own from the start.
class QSpectralSpatialFlagNode : public QKindNode {
public:
    uint8_t GetFlag() const { return m_flag; }
    void SetFlag(uint8_t flag) { m_flag = flag; }

protected:
    // The second pattern: the pattern in force with only rows 5 to 6 (one row for the hand-held
    // probe) and columns 5 to lastColumn switched on, clipped to the pattern's size.
    QSpectralSpatialFlagNode(const char* label, int lastRow, int lastColumn);

    void WriteBodyTail(QDataWriter& writer) const override;
    void ReadBodyTail(QDataReader& reader) override;
    void CommitBodyTail() override;

private:
    uint8_t m_flag = 0;
    uint8_t m_readFlag = 0;
};

class QPreferencesNode : public QKindNode {
public:
    QPreferencesNode();
    uint16_t GetTypeID() const override { return kTypePreferencesNode; }
};

class QModuleNode : public QKindNode {
public:
    QModuleNode();
    uint16_t GetTypeID() const override { return kTypeModuleNode; }
};

class QSpectralScanNode : public QKindNode {
public:
    QSpectralScanNode();
    uint16_t GetTypeID() const override { return kTypeSpectralScanNode; }
};

class QSpatialScanNode : public QKindNode {
public:
    QSpatialScanNode();
    uint16_t GetTypeID() const override { return kTypeSpatialScanNode; }
};

class QSpectralSpatialScanNode : public QSpectralSpatialFlagNode {
public:
    QSpectralSpatialScanNode();
    uint16_t GetTypeID() const override { return kTypeSpectralSpatialScanNode; }
};

class QNoteNode : public QKindNode {
public:
    QNoteNode();
    uint16_t GetTypeID() const override { return kTypeNoteNode; }
};

class QProjectNode : public QKindNode {
public:
    QProjectNode();
    uint16_t GetTypeID() const override { return kTypeProjectNode; }
};

class QSpectralScanReferenceNode : public QKindNode {
public:
    QSpectralScanReferenceNode();
    uint16_t GetTypeID() const override { return kTypeSpectralScanReferenceNode; }
};

class QSpatialScanReferenceNode : public QKindNode {
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

class QOverlayNode : public QKindNode {
public:
    QOverlayNode();
    uint16_t GetTypeID() const override { return kTypeOverlayNode; }
};

class QSpectralSpatialScriptingModuleNode : public QKindNode {
public:
    QSpectralSpatialScriptingModuleNode();
    uint16_t GetTypeID() const override { return kTypeSpectralSpatialScriptingModuleNode; }
};

class QCurrentClampModuleNode : public QKindNode {
public:
    QCurrentClampModuleNode();
    uint16_t GetTypeID() const override { return kTypeCurrentClampModuleNode; }
};

class QCableScanNode : public QKindNode {
public:
    QCableScanNode();
    uint16_t GetTypeID() const override { return kTypeCableScanNode; }
};

class QWordReportNode : public QKindNode {
public:
    QWordReportNode();
    uint16_t GetTypeID() const override { return kTypeWordReportNode; }
};

class QAmbientScanNode : public QKindNode {
public:
    QAmbientScanNode();
    uint16_t GetTypeID() const override { return kTypeAmbientScanNode; }
};

class QAmbientScanReferenceNode : public QKindNode {
public:
    QAmbientScanReferenceNode();
    uint16_t GetTypeID() const override { return kTypeAmbientScanReferenceNode; }
};

class QAntennaPositionScanNode : public QKindNode {
public:
    QAntennaPositionScanNode();
    uint16_t GetTypeID() const override { return kTypeAntennaPositionScanNode; }
};

class QNearFieldAmbientScanNode : public QKindNode {
public:
    QNearFieldAmbientScanNode();
    uint16_t GetTypeID() const override { return kTypeNearFieldAmbientScanNode; }
};

class QFarFieldAmbientScanNode : public QKindNode {
public:
    QFarFieldAmbientScanNode();
    uint16_t GetTypeID() const override { return kTypeFarFieldAmbientScanNode; }
};

class QAntennaScanNode : public QKindNode {
public:
    QAntennaScanNode();
    uint16_t GetTypeID() const override { return kTypeAntennaScanNode; }
};

class QAntennaScanModuleNode : public QKindNode {
public:
    QAntennaScanModuleNode();
    uint16_t GetTypeID() const override { return kTypeAntennaScanModuleNode; }
};

class QDifferentRangeScanModuleNode : public QKindNode {
public:
    QDifferentRangeScanModuleNode();
    uint16_t GetTypeID() const override { return kTypeDifferentRangeScanModuleNode; }
};

class QHandHeldProbeScanNode : public QSpectralSpatialFlagNode {
public:
    QHandHeldProbeScanNode();
    uint16_t GetTypeID() const override { return kTypeHandHeldProbeScanNode; }
};

class QBlindSpotReductionNode : public QComparisonNode {
public:
    QBlindSpotReductionNode();
    uint16_t GetTypeID() const override { return kTypeBlindSpotReductionNode; }
};

class CSpectralSpatialUserCompositeNode : public QSpectralSpatialFlagNode {
public:
    CSpectralSpatialUserCompositeNode();
    uint16_t GetTypeID() const override { return kTypeSpectralSpatialUserCompositeNode; }
};

} // namespace orv
