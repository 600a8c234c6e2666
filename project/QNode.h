#pragma once

#include "core/QAnalyzerOptions.h"
#include "core/QAntennaPositionScanOptions.h"
#include "core/QAntennaScanOptions.h"
#include "core/QAttenuatorOptions.h"
#include "core/QDifferentRangeScanModuleOptions.h"
#include "core/QLevelRangeSource.h"
#include "core/QMutex.h"
#include "core/QOptionNode.h"
#include "core/QOverlayOptions.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScanOptions.h"
#include "core/QSerializable.h"
#include "core/QSmallOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "project/QNodeCommandState.h"
#include "project/QViewRequest.h"
#include "scandata/QHeldScanContainer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv {

class QContainerLevelRangeSource;
class QNodeContainer;
class QNodeMediator;
class QProjectStorageManager;
class QScanContainer;

// One node of a project tree: its identity, every option object any node kind may need, its scan
// container with the lock that guards it, and a back pointer to its mediator. The kinds derive
// from it; they set the name, make their container and answer the kind-specific questions.
//
// What the node asks of its mediator (project/QNodeMediator.h):
//  - it is a QOptionMediator, so that the option objects can walk from this node to its ancestors;
//  - GetDataSize() -> uint32_t, WriteData(QDataWriter&) and ReadData(QDataReader&): the mediator
//    data block at the end of the node body (the IDs of the reference nodes linked to this node).
//    WriteData writes exactly GetDataSize() bytes; ReadData reads one block that has already been
//    checked to be a link count C followed by C IDs;
//  - it is the QScanContainerMediator that the node hands on to its scan container.
//
// The automatic level range of the display options reads the container through QLevelRangeNode:
// under the node's lock, over a QContainerLevelRangeSource of the container.
//
// Threads: the scan container is shared with the scan worker and reached only between
// LockScanContainer (or AcquireScanContainer) and UnlockScanContainer. Everything else is for the
// user-interface thread.
class QNode : public QSerializable, public QOptionNode, public QLevelRangeNode {
public:
    // Both probe-pattern grids and the spectral/spatial cell pattern have the scanner's label
    // counts: 29 rows, 42 columns.
    static constexpr uint16_t kPatternRows = 29;
    static constexpr uint16_t kPatternColumns = 42;

    QNode();
    QNode(const QNode&) = delete;
    QNode& operator=(const QNode&) = delete;
    ~QNode() override;

    // Serialisation. The body ends with the mediator data block, so the node needs a mediator to be
    // written or read, and a scan container (the kinds make it in their constructors).
    void WriteExtraHeader(QDataWriter& /*writer*/) const override {}
    void ReadExtraHeader(QDataReader& /*reader*/) override {}
    // Holds the node's lock while the container is written.
    void WriteBody(QDataWriter& writer) const override;
    // A mediator data block whose length N is below 4, beyond the bytes that remain, or not 4 + 4 x
    // the link count it holds, is refused with QIOException "Error#317: Invalid or corrupt project.".
    void ReadBody(QDataReader& reader) override;
    uint32_t GetExtraHeaderSize() const override { return 0; }
    // The exact length of what WriteBody writes.
    uint32_t GetBodySize() const override;

    // Kind-specific operations; the base answers as a node that offers nothing.
    virtual std::unique_ptr<QViewRequest> CreateSpectralViewRequest() { return nullptr; }
    virtual std::unique_ptr<QViewRequest> CreateSpatialViewRequest() { return nullptr; }
    virtual void EnableCommands(QNodeCommandState& /*state*/) {}
    virtual std::unique_ptr<QViewRequest> CreateNoteViewRequest() { return nullptr; }
    virtual std::unique_ptr<QViewRequest> CreateOverlayViewRequest() { return nullptr; }
    // The menu lists receive the identifiers of the menu items the kind offers.
    virtual void GetTopLevelMenuItems(std::vector<std::string>& /*items*/) {}
    virtual void GetAddMenuItems(std::vector<std::string>& /*items*/) {}
    virtual void GetViewMenuItems(std::vector<std::string>& /*items*/) {}
    virtual void GetRunMenuItems(std::vector<std::string>& /*items*/) {}
    virtual int32_t GetImageIndex() { return -1; }
    virtual bool CanAcceptChild(uint32_t /*word*/, QNode* /*child*/) { return false; }
    virtual int32_t GetLinkMode(uint32_t /*word*/, QNode* /*other*/) { return 0; }
    virtual int32_t GetViewKind() { return 0; }
    virtual void StoreScanData(QProjectStorageManager& /*storage*/) {}
    virtual bool IsRunnable() { return false; }
    virtual bool CanRunContinuously() { return false; }
    // Waits without limit for the node's lock and answers the container. The lock is recursive:
    // every lock needs its own unlock.
    virtual QScanContainer* LockScanContainer();
    virtual QScanContainer* AcquireScanContainer();
    virtual void UnlockScanContainer();
    // The same wait, through the kind's own acquire; answers the container with a lock whose Unlock
    // is the kind's own unlock (a comparison kind lets its sources go there), which the holder calls.
    QHeldScanContainer AcquireHeldScanContainer();
    virtual void LoadScanData(QProjectStorageManager& /*storage*/) {}

    // QOptionNode
    uint16_t GetNodeTypeId() const override { return GetTypeID(); }
    QOptionMediator* GetMediator() const override;

    // QLevelRangeNode: the node's lock (recursive, waited for without limit) and the container's
    // face; null (the lock still held) for a node without a container.
    QLevelRangeSource* LockLevelRangeSource() override;
    void UnlockLevelRangeSource() override;

    uint32_t GetID() const { return m_nID; }
    void SetID(uint32_t id) { m_nID = id; }
    std::string GetName() const { return m_strName; }
    void SetName(const std::string& name) { m_strName = name; }
    std::string GetLabel() const { return m_strLabel; }
    void SetLabel(const std::string& label) { m_strLabel = label; }
    // The kind the factory gave the node; -1 until then.
    int32_t GetType() const { return m_nType; }
    void SetType(int32_t type) { m_nType = type; }
    bool IsSettingsCopied() const { return m_bSettingsCopied != 0; }
    void SetSettingsCopied(bool copied) { m_bSettingsCopied = copied ? 1 : 0; }
    uint32_t GetSettingsSourceID() const { return m_nSettingsSourceID; }
    void SetSettingsSourceID(uint32_t id) { m_nSettingsSourceID = id; }

    // Also hands the mediator to the scan container.
    void SetMediator(QNodeMediator* mediator);
    QNodeMediator* GetNodeMediator() const { return m_pMediator; }
    // The node takes the container over and hands it its mediator and context; a container it held
    // before is deleted.
    void SetScanContainer(std::unique_ptr<QScanContainer> container);
    // Without locking: only for callers that hold the lock or know that no scan is running.
    QScanContainer* GetScanContainer() const { return m_pScanContainer.get(); }
    void SetContext(QNodeContainer* context);
    QNodeContainer* GetContext() const { return m_pContext; }

    QScanOptions* GetScanOptions() override { return &m_scanOptions; }
    QProbeScanPatternOptions* GetFirstProbePatternOptions() override { return &m_firstProbePattern; }
    QProbeScanPatternOptions* GetSecondProbePatternOptions() override { return &m_secondProbePattern; }
    QSpectralDisplayOptions* GetSpectralDisplayOptions() override { return &m_spectralDisplay; }
    QSpatialDisplayOptions* GetSpatialDisplayOptions() override { return &m_spatialDisplay; }
    QAttenuatorOptions* GetAttenuatorOptions() override { return &m_attenuator; }
    QAnalyzerOptions* GetAnalyzerOptions() { return &m_analyzer; }
    QIPAddressOptions* GetIPAddressOptions() { return &m_ipAddress; }
    QSSSpectralViewOptions* GetSSSpectralViewOptions() override { return &m_ssSpectralView; }
    QSSSpatialViewOptions* GetSSSpatialViewOptions() override { return &m_ssSpatialView; }
    QNoteOptions* GetNoteOptions() { return &m_note; }
    QOverlayOptions* GetOverlayOptions() override { return &m_overlay; }
    QSpectralScriptingDisplayOptions* GetSpectralScriptingDisplayOptions() { return &m_scriptingDisplay; }
    QCurrentClampModuleOptions* GetCurrentClampModuleOptions() { return &m_currentClamp; }
    QCableScanOptions* GetCableScanOptions() { return &m_cableScan; }
    QCablesSpectralViewOptions* GetCablesSpectralViewOptions() { return &m_cablesSpectralView; }
    QSpectralStandLineOptions* GetSpectralStandLineOptions() { return &m_standLine; }
    QAmplifierAntennuatorOptions* GetAmplifierAntennuatorOptions() { return &m_amplifier; }
    QWordReportOptions* GetWordReportOptions() { return &m_wordReport; }
    QAmbientScanOptions* GetAmbientScanOptions() { return &m_ambientScan; }
    QAntennaScanOptions* GetAntennaScanOptions() { return &m_antennaScan; }
    QDifferentRangeScanModuleOptions* GetDifferentRangeScanModuleOptions() { return &m_differentRange; }
    QAntennaPositionScanOptions* GetAntennaPositionScanOptions() { return &m_antennaPosition; }
    QNearFieldAmbientScanOptions* GetNearFieldAmbientScanOptions() { return &m_nearFieldAmbient; }
    QFarFieldAmbientScanOptions* GetFarFieldAmbientScanOptions() { return &m_farFieldAmbient; }
    QAntennaScanModuleOptions* GetAntennaScanModuleOptions() { return &m_antennaScanModule; }
    QAutoSpatialsOptions* GetAutoSpatialsOptions() { return &m_autoSpatials; }

    // Takes over another node's settings: name, label and the options that travel between nodes;
    // the view options of spectral/spatial nodes and a few kind settings return to their defaults.
    void CopyOptionsFrom(QNode& other);
    // Every option that follows an ancestor refreshes itself from it. Needs the mediator and its
    // parent in place.
    void SyncOptionsFromParent();

    // A new command-state record for the node's mediator; its mediator keeps it.
    std::unique_ptr<QNodeCommandState> CreateCommandState();
    void SetCommandsEnabled(QNodeCommandState& state, bool enabled);
    // Stores the truncated attenuator value in force on the record's mediator's node.
    void RefreshAttenuatorValue(QNodeCommandState& state);

protected:
    // What a kind stores after the node body (the link block). ReadBodyTail reads it while the body
    // is read and keeps it aside; CommitBodyTail takes it over once the whole body was read, so a
    // failed read leaves the node as it was.
    virtual void WriteBodyTail(QDataWriter& /*writer*/) const {}
    virtual void ReadBodyTail(QDataReader& /*reader*/) {}
    virtual void CommitBodyTail() {}

private:
    void WriteOptionsAfterScanSettings(QDataWriter& writer) const;
    void ReadOptionsAfterScanSettings(QDataReader& reader);
    void MatchContainerExtension() const;
    void SetDefaultProbePatterns();

    // The node's lock as its kind takes and gives it back (slots 24 to 26).
    class KindLock final : public QLockable {
    public:
        explicit KindLock(QNode& node) : m_node(node) {}
        void Lock() override { m_node.AcquireScanContainer(); }
        void Unlock() override { m_node.UnlockScanContainer(); }

    private:
        QNode& m_node;
    };

    KindLock m_kindLock{*this};
    QNodeContainer* m_pContext = nullptr;
    std::string m_strLabel;
    QNodeMediator* m_pMediator = nullptr;
    QScanOptions m_scanOptions;
    QProbeScanPatternOptions m_firstProbePattern{1, kPatternRows, kPatternColumns};
    QProbeScanPatternOptions m_secondProbePattern{0, kPatternRows, kPatternColumns};
    QSpectralDisplayOptions m_spectralDisplay;
    QSpatialDisplayOptions m_spatialDisplay;
    QAttenuatorOptions m_attenuator;
    QAnalyzerOptions m_analyzer;
    QIPAddressOptions m_ipAddress;
    QSSSpectralViewOptions m_ssSpectralView;
    QSSSpatialViewOptions m_ssSpatialView{kPatternRows, kPatternColumns};
    QNoteOptions m_note;
    QOverlayOptions m_overlay;
    std::unique_ptr<QScanContainer> m_pScanContainer;
    // What the automatic level range reads of m_pScanContainer; made and dropped with it.
    std::unique_ptr<QContainerLevelRangeSource> m_pLevelRangeSource;
    // Guards the scan container; mutable so that a const write can hold it.
    mutable QMutex m_mutex;
    QSpectralScriptingDisplayOptions m_scriptingDisplay;
    QCurrentClampModuleOptions m_currentClamp;
    QCableScanOptions m_cableScan;
    QCablesSpectralViewOptions m_cablesSpectralView;
    QSpectralStandLineOptions m_standLine;
    QAmplifierAntennuatorOptions m_amplifier;
    QWordReportOptions m_wordReport;
    QAmbientScanOptions m_ambientScan;
    QAntennaScanOptions m_antennaScan;
    QDifferentRangeScanModuleOptions m_differentRange;
    QAntennaPositionScanOptions m_antennaPosition;
    QNearFieldAmbientScanOptions m_nearFieldAmbient;
    QFarFieldAmbientScanOptions m_farFieldAmbient;
    QAntennaScanModuleOptions m_antennaScanModule;
    QAutoSpatialsOptions m_autoSpatials;
    uint32_t m_nID = 0;
    std::string m_strName;
    int32_t m_nType = -1;
    uint8_t m_bSettingsCopied = 0;
    uint32_t m_nSettingsSourceID = 0;
};

} // namespace orv
