#pragma once

#include "platform/msg/MessageTarget.h"
#include "project/QMediatorFileFields.h"
#include "project/QNodeFactory.h"
#include "project/QNodeMediator.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace orv {

class QMainFrame;
struct QReceivedScanCopy;
struct QScanDataRecord;

// The mediator that owns one node of an open project and stands between it and everything else:
// it forwards the node's kind answers, option sets, scan container and run rules, keeps the
// reference-node proxies linked to it (and their IDs in the project), and carries work that starts
// on other threads (a new scan from the scan worker) onto the user-interface thread through its
// notification target.
//
// Threads: made and destroyed on the user-interface thread, whose message queue its notification
// target is bound to. The scan worker calls TakeTransportContainer, the container locks and
// PostNotification; everything else is for the user-interface thread.
class QFundamentalNodeMediator : public QNodeMediator, public QMediatorFileFields {
public:
    // Private window messages of the notification target.
    static constexpr uint32_t kOptionsChanged = 33168; // lParam: bit set of changed option kinds
    static constexpr uint32_t kShowNewestScan = 33188; // wParam: node kind
    // A received scan copied by the data worker, to be listed; the payload carries it.
    static constexpr uint32_t kListReceivedScan = 33189; // wParam: node kind
    // The end of a scan, reported on the controller's thread: the open scan pages take their
    // controls back on the user-interface thread.
    static constexpr uint32_t kEnableScanPages = 33190;
    // The option-kind bit of UM_OPTIONS_CHANGED that resets the spectral/spatial selections.
    static constexpr int64_t kSelectionOptionsBit = 0x20;
    // The user command whose permission IsBusy asks for (run a scan).
    static constexpr uint32_t kRunCommand = 2;

    // The main frame may be null (no engine link: IsBusy answers false).
    QFundamentalNodeMediator(MessageThread& userInterfaceThread, QMainFrame* mainFrame);
    // Stops the worker, unlinks every linked proxy, deletes the node, then drops the notification
    // target with whatever is still queued for it.
    ~QFundamentalNodeMediator() override;

    // A maker for the node factory and the project windows.
    static QNodeFactory::FundamentalMediatorMaker MakeMaker(MessageThread& userInterfaceThread,
                                                            QMainFrame* mainFrame);

    // --- Notifications ---
    // Posts UM_SHOW_NEWEST_SCAN with the kind; the user-interface thread then shows the newest scan.
    void PostNotification(uint16_t kind) override;
    // Posts UM_OPTIONS_CHANGED with the bit set of changed option kinds. True when queued.
    bool PostOptionsChanged(int64_t changedKinds) override;
    void PostEnableScanPages() override;
    QMainFrame* GetMainFrame() override { return m_pMainFrame; }
    // The data worker's half of listing a received scan: reads the date, copies the scan out of
    // the container under its lock and posts it to the user-interface thread. It touches no scan
    // list and never waits for the user-interface thread. An unreadable local time ends it before
    // anything is made (logged).
    void UpdateInformation(uint32_t flags) override;
    // The user-interface thread's half: the description texts, the run's scan count, the scan ID
    // and the scan listed as a live one.
    void ListReceivedScan(QReceivedScanCopy& copy);

private:
    // Hands frequencies measured after a scan to the scan this run listed, if it is still there.
    void CompleteListedScan(QReceivedScanCopy& copy);
    // Within a continuous run with peak hold on and no scan error flagged, each scan after the
    // run's first replaces the run's scan instead of adding one.
    bool ReplacesRunScan();

public:
    void Detach() override {}
    // True while this mediator's scan runs.
    bool IsScanning() override;
    // Whether the scanning engine allows a run now; false without a main frame or engine link.
    bool IsBusy() override;
    QNode* GetNode() override { return m_pNode.get(); }
    // Deletes the node held so far and takes the new one.
    void SetNode(std::unique_ptr<QNode> node) override;
    // The node's command state, made on the first call and kept; null without a node.
    QNodeCommandState* GetCommandState() override;

    std::string GetName() override;
    void SetName(const std::string& name) override;
    std::string GetLabel() override;
    void SetLabel(const std::string& label) override;
    uint32_t GetNodeID() override;
    void GetTopLevelMenuItems(std::vector<std::string>& items) override;
    void GetAddMenuItems(std::vector<std::string>& items) override;
    void GetViewMenuItems(std::vector<std::string>& items) override;
    void GetRunMenuItems(std::vector<std::string>& items) override;
    int32_t GetImageIndex() override;
    // A null other mediator is refused (false, link mode 0).
    bool CanAcceptChild(uint32_t word, QNodeMediator* child) override;
    int32_t GetLinkMode(uint32_t word, QNodeMediator* other) override;
    int32_t GetViewKind() override;

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
    QNoteOptions* GetNoteOptions() override;
    QOverlayOptions* GetOverlayOptions() override;
    QSpectralScriptingDisplayOptions* GetSpectralScriptingDisplayOptions() override;
    QCableScanOptions* GetCableScanOptions() override;
    QCurrentClampModuleOptions* GetCurrentClampModuleOptions() override;
    QAmplifierAntennuatorOptions* GetAmplifierAntennuatorOptions() override;
    QCablesSpectralViewOptions* GetCablesSpectralViewOptions() override;
    QSpectralStandLineOptions* GetSpectralStandLineOptions() override;
    QWordReportOptions* GetWordReportOptions() override;
    QAmbientScanOptions* GetAmbientScanOptions() override;
    QAntennaScanOptions* GetAntennaScanOptions() override;
    QAntennaScanModuleOptions* GetAntennaScanModuleOptions() override;
    QDifferentRangeScanModuleOptions* GetDifferentRangeScanModuleOptions() override;
    QAntennaPositionScanOptions* GetAntennaPositionScanOptions() override;
    QNearFieldAmbientScanOptions* GetNearFieldAmbientScanOptions() override;
    QFarFieldAmbientScanOptions* GetFarFieldAmbientScanOptions() override;
    QAutoSpatialsOptions* GetAutoSpatialsOptions() override;

    // The export command: the spectral or spatial export of the newest scan of the node's kind, or
    // of the scan with the ID.
    void ExportSpectral() override;
    void ExportSpatial() override;
    void ExportSpectralTo(int32_t scanID) override;
    void ExportSpatialTo(int32_t scanID) override;

    void StoreScanData(QProjectStorageManager& storage) override;
    // The node takes over the options of the other mediator's node when that node is of its kind.
    void TakeSettingsFrom(QNodeMediator& other) override;
    // Hands one received scan step to the node's container under the node's lock and answers the
    // container's status bits. An ambient or cable node then exchanges data with its parent clamp
    // module, with the lock given back.
    uint32_t TakeTransportContainer(std::unique_ptr<QTransportContainer> transport, bool mergeMaximum,
                                    int32_t* endValue, bool mergeAverage) override;
    // Both record this mediator in the container as the one that took it.
    QScanContainer* LockScanContainer() override;
    QScanContainer* AcquireScanContainer() override;
    QHeldScanContainer AcquireHeldScanContainer() override;
    void UnlockScanContainer() override;
    bool IsRunnable() override;
    bool CanRunContinuously() override;
    // Refreshes the command state's attenuator value when the state exists.
    void ReleaseScanData() override;
    // True once the command state exists.
    bool HasScanData() override;

    // A Current Clamp Module hands its set-up to its Ambient Scan and Cable Scan children (call it
    // after the set-up changed, with no node lock held). Other kinds do nothing.
    void SynchroniseClampChildren();
    // An Ambient Scan or Cable Scan node takes its parent clamp's set-up (no node lock held).
    // False when the node has no clamp parent.
    bool SynchroniseWithClampParent();

    // --- The reference-node proxies linked to this mediator ---
    void AddLinkedProxy(QNodeMediator& proxy) override;
    void RemoveLinkedProxy(QNodeMediator& proxy) override;
    // In node-ID order, so two saves of one project write the same link block.
    std::vector<QNodeMediator*> GetLinkedProxies() const;
    // The link count, then the node ID of each linked proxy.
    uint32_t GetDataSize() override;
    void WriteData(QDataWriter& writer) override;
    // A count of 0 adds nothing; the IDs wait for TakePendingLinks.
    void ReadData(QDataReader& reader) override;

    // QScanDataMediator: the compensation settings of the project's Preferences node and this
    // node's display units.
    bool GetCompensationSettings(QScanCompensationSettings& out) const override;
    int GetSpatialDisplayUnit() const override;
    int GetSpectralDisplayUnit() const override;

    // QMediatorFileFields
    std::vector<uint32_t> TakePendingLinks() override;
    QProjectNodeValues GetNodeValues() const override { return m_nodeValues; }
    void SetNodeValues(const QProjectNodeValues& values) override { m_nodeValues = values; }
    std::string GetReportText() const override { return m_reportText; }
    void SetReportText(std::string text) override { m_reportText = std::move(text); }

private:
    class NotificationTarget;

    void HandleOptionsChanged(int64_t changedKinds);
    void StampContainer(QScanContainer* container);
    bool IsClampChildKind() const;

    std::unique_ptr<NotificationTarget> m_pTarget;
    QMainFrame* m_pMainFrame;
    // The scan the cells of the running spectral/spatial or hand-held scan go to (user-interface
    // thread).
    int32_t m_nReceivedCellScanID = 0;
    // The spectral scan the running scan listed last.
    int32_t m_nReceivedSpectralScanID = 0;
    int32_t m_nReceivedSpatialScanID = 0;
    std::unique_ptr<QNode> m_pNode;
    std::unique_ptr<QNodeCommandState> m_pCommandState;
    std::vector<QNodeMediator*> m_linkedProxies;
    std::vector<uint32_t> m_pendingLinks;
    QProjectNodeValues m_nodeValues;
    std::string m_reportText;
    std::atomic<uint8_t> m_bShowNewestPending{0};
};

} // namespace orv
