#pragma once

#include "project/QNodeMediator.h"

#include <memory>

namespace orv {

// Stands in front of the fundamental mediator of a reference node. Once linked to a target node it
// shows, exports and runs as that node while the reference node keeps its own place, ID and
// settings in the project. Each operation goes to the own mediator, to the target, or to the target
// when one is linked and else to the own mediator.
//
// A proxy never links to itself, to its own mediator or to another proxy; a link is refused while
// the target's scan runs, and a refused link keeps the previous target. User-interface thread only.
class QProxyNodeMediator : public QNodeMediator {
public:
    QProxyNodeMediator();
    // Leaves the target's bookkeeping, then deletes the own mediator (and with it the node).
    ~QProxyNodeMediator() override;

    // The fundamental mediator that owns the reference node; set once by the node factory.
    void SetOwnMediator(std::unique_ptr<QNodeMediator> own);
    QNodeMediator* GetOwnMediator() const { return m_pOwn.get(); }
    QNodeMediator* GetTarget() const { return m_pTarget; }
    // True when the proxy is now linked to `target`.
    bool LinkToTarget(QNodeMediator& target);
    // The target's node ID when linked, else the own node's: a comparison that borrows the
    // container through this proxy takes its lock in that node's place of the lock order.
    uint32_t GetLinkedNodeID() const override;

    bool IsProxy() const override { return true; }

    // The own mediator.
    void Detach() override;
    QNode* GetEffectiveNode() override;
    uint32_t GetNodeID() override;
    bool CanAcceptChild(uint32_t word, QNodeMediator* child) override;
    int32_t GetLinkMode(uint32_t word, QNodeMediator* other) override;
    void StoreScanData(QProjectStorageManager& storage) override;
    uint32_t GetDataSize() override;
    void WriteData(QDataWriter& writer) override;
    void ReadData(QDataReader& reader) override;
    QNodeMediator* GetParentMediator() override;
    bool GetCompensationSettings(QScanCompensationSettings& out) const override;
    int GetSpatialDisplayUnit() const override;
    int GetSpectralDisplayUnit() const override;

    // The target when linked, else the own mediator.
    QNode* GetNode() override;
    std::string GetName() override;
    void SetName(const std::string& name) override;
    // Linked: the target's items without delete, add and add-note, and the unlink item last.
    void GetTopLevelMenuItems(std::vector<std::string>& items) override;
    void GetAddMenuItems(std::vector<std::string>& items) override;
    void GetViewMenuItems(std::vector<std::string>& items) override;
    void GetRunMenuItems(std::vector<std::string>& items) override;
    int32_t GetImageIndex() override;
    int32_t GetViewKind() override;
    QScanContainer* LockScanContainer() override;
    QScanContainer* AcquireScanContainer() override;
    void UnlockScanContainer() override;
    QHeldScanContainer AcquireHeldScanContainer() override;
    bool IsComparisonNode() override;
    bool IsRunnable() override;
    bool CanRunContinuously() override;

    // The target only; without one, what the base answers.
    void SignalEvent() override;
    void StopWorker() override;
    QNodeCommandState* GetCommandState() override;
    void ExportSpectral() override;
    void ExportSpatial() override;
    QScanOptions* GetScanOptions() override;
    QProbeScanPatternOptions* GetFirstProbePatternOptions() override;
    QProbeScanPatternOptions* GetSecondProbePatternOptions() override;
    QSpectralDisplayOptions* GetSpectralDisplayOptions() override;
    QAttenuatorOptions* GetAttenuatorOptions() override;
    QSpatialDisplayOptions* GetSpatialDisplayOptions() override;
    QAnalyzerOptions* GetAnalyzerOptions() override;
    QIPAddressOptions* GetIPAddressOptions() override;
    QSSSpectralViewOptions* GetSSSpectralViewOptions() override;
    QSSSpatialViewOptions* GetSSSpatialViewOptions() override;

    // The proxy's own behaviour.
    bool IsScanning() override;
    bool IsBusy() override { return false; }
    bool HasScanData() override { return false; }
    void NotifyChange(int32_t code) override;
    void LinkTo(QNodeMediator& target) override;
    void Unlink() override;
    // Takes the settings of another proxy's own mediator and, when that proxy is linked, links to
    // the same target. Anything but a proxy is ignored.
    void TakeSettingsFrom(QNodeMediator& other) override;

private:
    QNodeMediator* Routed() const { return m_pTarget != nullptr ? m_pTarget : m_pOwn.get(); }

    std::unique_ptr<QNodeMediator> m_pOwn;
    QNodeMediator* m_pTarget = nullptr;
};

} // namespace orv
