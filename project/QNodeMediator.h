#pragma once

#include "core/QOptionMediator.h"
#include "platform/sync/CriticalSection.h"
#include "project/QNode.h"
#include "project/QProbeVideoTrack.h"
#include "project/QScanDataRecord.h"
#include "project/QSettingsSheet.h"
#include "project/QViewFactory.h"
#include "project/QViewFrame.h"
#include "project/ReportGeneratorDataBuffer.h"
#include "scandata/QComparisonOwner.h"
#include "scandata/QContainerNodeMediator.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QScanContainerMediator.h"
#include "scandata/QScanDataMediator.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace orv {

class CHandHeldProbeScanData;
class CScanData;
class CSpatialScanData;
class CSpectralScanData;
class CSpectralSpatialScanData;
class QDataReader;
class QReportDocument;
class QDataWriter;
class QMainFrame;
class QNodeContainer;
class QProjectStorageManager;
class QProjectTree;
class QProjectWindow;
class QScanContainer;
class QScanDataList;
class QScanResidency;
class QScanThread;
class QScanThreadHost;
class QSpatialViewInterface;
class QSpectralViewInterface;
class QTransportContainer;
class QViewFrame;
struct QNodeCommandState;

// One script of a scripting node: start and stop frequency (MHz), the resolution bandwidth (MHz; 0
// when its text named no bandwidth of the list) and the bandwidth's text as the user chose it.
struct SpectralSpatialScriptsDefinition {
    float m_startFrequency = 0.0F;
    float m_stopFrequency = 0.0F;
    float m_value = 0.0F;
    std::string m_text;
};

// Everything outside the project model reaches a node through its mediator: the tree, the panes, the
// views, the settings sheet and the scan workflow. The base ties a node to the screen (its frames
// and views, its settings sheet, the scan-data lists the views draw, the displayed scans); the
// fundamental kind owns a node, the proxy kind stands in front of a fundamental mediator for a
// reference node.
//
// The mediator is also what the node's scan container and the containers of other nodes see of the
// node: its compensation threshold, its lock, its parent and the option members the containers flag
// (QScanContainerMediator, QContainerNodeMediator), and, as the link of a comparison node, the node
// whose container a comparison borrows (QComparisonSource).
//
// Threads: everything here runs on the user-interface thread except what a running scan's worker
// calls (SignalEvent, the container's lock and the notifications, which it only posts). The two
// critical sections guard the scan values the views read.
class QNodeMediator : public QOptionMediator,
                      public QScanDataMediator,
                      public QScanContainerMediator,
                      public QContainerNodeMediator,
                      public QComparisonSource {
public:
    static constexpr size_t kFrameSlotCount = 8;
    // dB; what a spatial scan node's mediator holds from construction.
    static constexpr float kDefaultCompensationThreshold = 5.0F;

    QNodeMediator();
    ~QNodeMediator() override;

    // --- Virtual operations; the base answers as a mediator without a node. ---

    // Tells the user-interface thread that a new scan of the given kind arrived.
    virtual void PostNotification(uint16_t /*kind*/) {}
    // Called before the node leaves the tree.
    virtual void Detach() = 0;
    virtual bool IsScanning() = 0;
    virtual bool IsBusy() = 0;
    virtual void SignalEvent();
    virtual void StopWorker();
    QNode* GetNode() override { return nullptr; }
    // The node written into the node file and the project file.
    virtual QNode* GetEffectiveNode() { return GetNode(); }
    virtual void SetNode(std::unique_ptr<QNode> /*node*/) {}
    virtual QNodeCommandState* GetCommandState() { return nullptr; }
    virtual void NotifyChange(int32_t /*code*/) {}
    virtual void UpdateInformation(uint32_t /*flags*/) {}
    virtual void LinkTo(QNodeMediator& /*target*/) {}
    virtual void Unlink() {}
    virtual void ExportSpectral() {}
    virtual void ExportSpatial() {}
    virtual void ExportSpectralTo(int32_t /*scanID*/) {}
    virtual void ExportSpatialTo(int32_t /*scanID*/) {}
    virtual std::string GetLabel() { return {}; }
    virtual void SetLabel(const std::string& /*label*/) {}
    virtual std::string GetName() { return {}; }
    virtual void SetName(const std::string& /*name*/) {}
    virtual uint32_t GetNodeID() { return 0xFFFFFFFFU; }
    virtual void GetTopLevelMenuItems(std::vector<std::string>& /*items*/) {}
    virtual void GetAddMenuItems(std::vector<std::string>& /*items*/) {}
    virtual void GetViewMenuItems(std::vector<std::string>& /*items*/) {}
    virtual void GetRunMenuItems(std::vector<std::string>& /*items*/) {}
    virtual int32_t GetImageIndex() { return -1; }
    virtual bool CanAcceptChild(uint32_t /*word*/, QNodeMediator* /*child*/) { return false; }
    virtual int32_t GetLinkMode(uint32_t /*word*/, QNodeMediator* /*other*/) { return 0; }
    virtual int32_t GetViewKind() { return 0; }

    virtual QScanOptions* GetScanOptions() { return nullptr; }
    virtual QProbeScanPatternOptions* GetFirstProbePatternOptions() { return nullptr; }
    virtual QProbeScanPatternOptions* GetSecondProbePatternOptions() { return nullptr; }
    virtual QSpectralDisplayOptions* GetSpectralDisplayOptions() { return nullptr; }
    virtual QAttenuatorOptions* GetAttenuatorOptions() { return nullptr; }
    virtual QSpatialDisplayOptions* GetSpatialDisplayOptions() { return nullptr; }
    virtual QAnalyzerOptions* GetAnalyzerOptions() { return nullptr; }
    virtual QIPAddressOptions* GetIPAddressOptions() { return nullptr; }
    virtual QSSSpectralViewOptions* GetSSSpectralViewOptions() { return nullptr; }
    virtual QSSSpatialViewOptions* GetSSSpatialViewOptions() { return nullptr; }
    virtual QNoteOptions* GetNoteOptions() { return nullptr; }
    virtual QOverlayOptions* GetOverlayOptions() { return nullptr; }
    virtual QSpectralScriptingDisplayOptions* GetSpectralScriptingDisplayOptions() { return nullptr; }
    virtual QCableScanOptions* GetCableScanOptions() { return nullptr; }
    virtual QCurrentClampModuleOptions* GetCurrentClampModuleOptions() { return nullptr; }
    virtual QAmplifierAntennuatorOptions* GetAmplifierAntennuatorOptions() { return nullptr; }
    virtual QCablesSpectralViewOptions* GetCablesSpectralViewOptions() { return nullptr; }
    virtual QSpectralStandLineOptions* GetSpectralStandLineOptions() { return nullptr; }
    virtual QWordReportOptions* GetWordReportOptions() { return nullptr; }
    virtual QAmbientScanOptions* GetAmbientScanOptions() { return nullptr; }
    virtual QAntennaScanOptions* GetAntennaScanOptions() { return nullptr; }
    virtual QAntennaScanModuleOptions* GetAntennaScanModuleOptions() { return nullptr; }
    virtual QDifferentRangeScanModuleOptions* GetDifferentRangeScanModuleOptions() { return nullptr; }
    virtual QAntennaPositionScanOptions* GetAntennaPositionScanOptions() { return nullptr; }
    virtual QNearFieldAmbientScanOptions* GetNearFieldAmbientScanOptions() { return nullptr; }
    virtual QFarFieldAmbientScanOptions* GetFarFieldAmbientScanOptions() { return nullptr; }
    virtual QAutoSpatialsOptions* GetAutoSpatialsOptions() { return nullptr; }

    virtual void StoreScanData(QProjectStorageManager& /*storage*/) {}
    // The node takes over the settings of the node behind `other`. Kinds check that `other` is of
    // their own kind.
    virtual void TakeSettingsFrom(QNodeMediator& /*other*/) {}
    // One received scan step for the node's container (the scan worker calls it); answers the
    // container's status bits (QScanContainer::kStatusEnded, kStatusNewSetup). A mediator without a
    // node takes nothing and answers 0.
    virtual uint32_t TakeTransportContainer(std::unique_ptr<QTransportContainer> /*transport*/,
                                            bool /*mergeMaximum*/, int32_t* /*endValue*/,
                                            bool /*mergeAverage*/) {
        return 0;
    }
    // The node's lock, waited for without limit, and its container; null (no lock taken) for a
    // mediator without a node. Every container handed out needs its UnlockScanContainer.
    virtual QScanContainer* LockScanContainer();
    QScanContainer* AcquireScanContainer() override;
    void UnlockScanContainer() override;
    // QContainerNodeMediator and QComparisonSource: the node's lock with its container; nothing
    // held for a mediator without a node.
    QHeldScanContainer AcquireHeldScanContainer() override;
    // QComparisonSource: whether the node is of a comparison kind (its kind never changes).
    bool IsComparisonNode() override;
    // The main frame of the node's project; null for a mediator without one.
    virtual QMainFrame* GetMainFrame() { return nullptr; }
    // Posts UM_OPTIONS_CHANGED with the bit set of changed option kinds to the node's own queue;
    // false (nothing posted) for a mediator without a node.
    virtual bool PostOptionsChanged(int64_t /*changedKinds*/) { return false; }
    virtual bool IsRunnable() { return false; }
    virtual bool CanRunContinuously() { return false; }
    virtual void ReleaseScanData() {}
    virtual bool HasScanData() = 0;

    // The mediator data block of the node body: the IDs of the reference nodes linked to the node.
    virtual uint32_t GetDataSize() = 0;
    virtual void WriteData(QDataWriter& writer) = 0;
    virtual void ReadData(QDataReader& reader) = 0;

    // Link bookkeeping of a link target: a proxy that links to this mediator records itself here
    // and removes itself when it unlinks, so that the target can drop its proxies when it goes.
    virtual void AddLinkedProxy(QNodeMediator& /*proxy*/) {}
    virtual void RemoveLinkedProxy(QNodeMediator& /*proxy*/) {}
    // True for the mediator kind that stands in front of a reference node.
    virtual bool IsProxy() const { return false; }

    // QScanDataMediator: the node kind. The compensation settings and display units come from the
    // node's options, which the kinds that hold a node answer.
    uint16_t GetNodeTypeId() const override;

    // QOptionMediator: null for a root.
    QNodeMediator* GetParentMediator() override { return m_pParent; }

    // QScanContainerMediator
    float GetCompensationThreshold() const override { return m_fCompensationThreshold; }
    // QContainerNodeMediator
    QContainerNodeMediator* GetParentContainerMediator() override { return GetParentMediator(); }
    // QComparisonSource: the ID of the node whose container AcquireScanContainer answers.
    uint32_t GetLinkedNodeID() const override;

    // --- Comparison, overlay and blind-spot nodes: the two linked mediators whose containers the
    // node's comparison container borrows (a proxy stands for its target). A link goes when the
    // linked mediator is destroyed. ---

    // Keeps both links (null: none) and, once both are set, checks the linked scans with messages.
    // Answers whether they can be compared (false while a link is missing).
    bool LinkComparisonSources(QNodeMediator* first, QNodeMediator* second);
    QNodeMediator* GetComparisonLink(bool first) const { return first ? m_pFirstLink : m_pSecondLink; }
    // Locks the own node, resolves the sources, checks them with messages, releases the sources and
    // the own lock, and only then shows the texts. False for a node without a comparison container.
    bool CheckComparisonCompatibility();

    // --- Child nodes in the project tree ---

    // Removes every child node (with its subtree) of this node.
    void DeleteChildNodes();
    // After a spectral/spatial scan: one Spatial child per measured frequency of the node's
    // container, named "spatial - %8.3f MHz", scanning from and to that frequency.
    void CreateSpatialSubNodes();
    // Whether a spectral/spatial scan of this node makes its spatial sub-nodes and scans them in
    // the same run. Set on the user-interface thread, read by the run's threads.
    void SetMakeSpatialSubNodes(bool make) { m_bMakeSpatialSubNodes.store(make ? 1 : 0); }
    bool GetMakeSpatialSubNodes() const { return m_bMakeSpatialSubNodes.load() != 0; }
    // Before such a scan: the node's scans and sub-nodes of earlier runs go, and the scan-data list
    // is emptied when it shows this node. User-interface thread.
    void ClearForSpatialSubNodes();
    // A scripting module's child scans the range and RBW of its script line; false for any other
    // node, which scans by its scan options.
    void SetScriptRange(float start, float stop, float rbw) {
        m_scriptRange = {start, stop, rbw};
        m_bHasScriptRange = 1;
    }
    bool GetScriptRange(float& start, float& stop, float& rbw) const {
        if (m_bHasScriptRange == 0) {
            return false;
        }
        start = m_scriptRange[0];
        stop = m_scriptRange[1];
        rbw = m_scriptRange[2];
        return true;
    }
    // A scripting node's children made anew, one Spectral/Spatial child per script definition,
    // scanning its range and labelled with it.
    void RebuildScriptNodes();

    // --- Wiring; the node factory and its callers set these once. ---
    void SetParentMediator(QNodeMediator* parent) { m_pParent = parent; }
    void SetKind(uint16_t kind) { m_nKind = kind; }
    uint16_t GetKind() const { return m_nKind; }
    void SetMainWindow(QProjectWindow* window) { m_pMainWnd = window; }
    void SetContainer(QNodeContainer* container) { m_pContainer = container; }
    QNodeContainer* GetContainer() const { return m_pContainer; }
    void SetProjectTree(QProjectTree* tree) { m_pProjectTree = tree; }
    // Null while the node is not shown in a project tree.
    QProjectTree* GetProjectTree() const { return m_pProjectTree; }
    void SetScanDataList(QScanDataList* list) { m_pScanListWnd = list; }
    void SetViewFactory(QViewFactory* factory) { m_pViewFactory = factory; }
    // The project view registers itself; while it is set, NotifyChange(5) updates the tree item.
    void SetTreeContainer(QNodeContainer* container) { m_pTreeContainer = container; }
    QNodeContainer* GetTreeContainer() const { return m_pTreeContainer; }

    // --- Views ---

    // Opens (or raises) the view of `kind`. Answers the kind's main view (the spectral view for the
    // spectral kinds, the spatial view for the spatial ones), null for kinds without a view.
    QNodeView* OpenView(uint16_t kind, bool& created, bool show);
    void ShowSpectralScanData(int32_t scanID);
    void ShowSpatialScanData(int32_t scanID);
    void ShowSpectralSpatialScanData(int32_t scanID, bool flag);
    void ShowHandHeldProbeScanData(int32_t scanID, bool flag);
    // By the node kind (2003, 2004, 2005, 2029).
    void ShowScanData(int32_t scanID);
    // The new-scan notification of a live scan.
    void ShowNewestScan(uint16_t kind);
    void RefreshSpectralView();
    void RefreshSpatialView();
    // After settings were applied: refreshes and re-titles every open view.
    void RefreshAllViews();
    // The same for every node of the project; nothing without a container.
    void RefreshAllNodeViews();
    // With `rebuild`, the node's four compared results (spectral and spatial comparison, spectral
    // overlay, blind-spot reduction) are made again at their next draw, as after a change of the
    // compensation they are drawn with. Without, nothing changes: a rebuild already due stays due.
    void SetViewRebuildFlags(bool rebuild);
    // Sets the rebuild flags of every node of the project, then refreshes its views; nothing without
    // a container.
    void RebuildAllNodeViews(bool rebuild);
    void RelayoutViews();
    void ReapplyPlacement();
    // The node's View command.
    void ViewNode();
    // The settings sheet built for the node kind, opening on page `firstPage`; the caller shows it.
    // A sheet whose window is still open is answered as it is. The caption is made from `name` when
    // given ("Preference123" gives "Preferences"), else from the node's name.
    QSettingsSheet* OpenNodeSettings(const std::string& name = {}, int32_t firstPage = 0);
    // Deletes the settings sheet and every page.
    void DestroyNodeSettings();
    void MarkProjectModified();
    // The frames call it when their window is destroyed.
    void ResetDisplayedScanIds();
    // The mediator of the project's Preferences node, null without a container.
    QNodeMediator* GetPreferencesMediator();
    void SelectInProjectTree();

    QViewFrame* GetFrame(QFrameClass frameClass) const { return m_frames[Index(frameClass)].get(); }
    QSpectralViewInterface* GetSpectralView() const { return m_pSpectralView; }
    QSpatialViewInterface* GetSpatialView() const { return m_pSpatialView; }
    QSettingsPage* FindPage(QSettingsPageKind kind) const;

    int32_t GetDisplayedScanID() const { return m_nDisplayedScanID; }
    void SetDisplayedScanID(int32_t scanID) { m_nDisplayedScanID = scanID; }
    int32_t GetDisplayedSpectralScanID() const { return m_nDisplayedSpectralScanID; }
    int32_t GetDisplayedSpatialScanID() const { return m_nDisplayedSpatialScanID; }
    int32_t GetDisplayedSpectralSpatialScanID() const { return m_nDisplayedSpectralSpatialScanID; }
    int32_t GetDisplayedHandHeldScanID() const { return m_nDisplayedHandHeldScanID; }

    // --- Scan data: one list per scan kind, in the order the scans were made or last reordered ---

    // Each lookup prepares the scan it finds.
    CSpectralScanData* GetSpectralScanData(int32_t scanID);
    CSpatialScanData* GetSpatialScanData(int32_t scanID);
    CSpectralSpatialScanData* GetSpectralSpatialScanData(int32_t scanID);
    CHandHeldProbeScanData* GetHandHeldProbeScanData(int32_t scanID);
    // The same without preparing the scan (a save writes the scan as it was loaded or measured).
    CSpectralScanData* FindSpectralScanData(int32_t scanID) const;
    CSpatialScanData* FindSpatialScanData(int32_t scanID) const;
    CSpectralSpatialScanData* FindSpectralSpatialScanData(int32_t scanID) const;
    CHandHeldProbeScanData* FindHandHeldProbeScanData(int32_t scanID) const;
    // The last entry and its ID; null (ID untouched) when the list is empty.
    CSpectralScanData* GetLastSpectralScanData(int32_t& scanID);
    CSpatialScanData* GetLastSpatialScanData(int32_t& scanID);
    CSpectralSpatialScanData* GetLastSpectralSpatialScanData(int32_t& scanID);
    CHandHeldProbeScanData* GetLastHandHeldProbeScanData(int32_t& scanID);
    // The size of the list of the node's own kind; 0 for kinds without one.
    size_t GetScanDataCount() const;
    // The point count of the current entry of the node's own kind; 0 when none. For a hand-held node
    // its current entry also becomes the current spectral/spatial one.
    uint32_t GetCurrentScanPointCount();
    // The IDs of the list of a kind (2003, 2004, 2005, 2029), in list order.
    std::vector<int32_t> GetScanIDs(uint16_t kind) const;

    // Answer whether the scan was found.
    bool DeleteSpectralScanData(int32_t scanID);
    bool DeleteSpatialScanData(int32_t scanID);
    bool DeleteSpectralSpatialScanData(int32_t scanID);
    bool DeleteHandHeldProbeScanData(int32_t scanID);
    void ClearScanData();
    // Moves each given scan one place later (down) or earlier in the list of the node's kind, then
    // refills the scan-data list and reselects the moved rows.
    void ReorderScanData(const std::vector<int32_t>& scanIDs, bool down);
    // The largest ID in the list plus 1; 1 for an empty list.
    int32_t GetNextSpectralScanID() const;
    int32_t GetNextSpatialScanID() const;
    int32_t GetNextSpectralSpatialScanID() const;
    int32_t GetNextHandHeldScanID() const;

    // A stored or received spectral scan. Without points only the measured frequencies reach the
    // last entry. With `updateLast` a running scan refreshes its entry: an empty list throws
    // std::invalid_argument, more points than the entry holds are refused (false), nothing changed.
    bool AddSpectralScanData(QSpectralScanAddition addition, bool live, bool updateLast);
    // The same for spatial scans; a live first pass of a blind-spot reduction scan is held back
    // until its second pass arrives and the two are listed as one scan.
    bool AddSpatialScanData(QSpatialScanAddition addition, bool live, bool updateLast);
    // A spatial scan made from the node's own scans (the stitcher's), appended under the scan
    // section with an ID no listed scan has and the view settings a received scan starts with; its
    // row is listed, the node's kind is notified and the project marked modified. Its ID.
    int32_t AddMadeSpatialScanData(std::unique_ptr<CSpatialScanData> scan);
    // One cell of a spectral/spatial scan; cell index 1 starts a new entry.
    bool AddSpectralSpatialScanData(QCellAddition addition, bool live);
    bool AddHandHeldProbeScanData(QCellAddition addition, bool live);
    uint32_t GetLastCellIndex() const { return m_nLastCellIndex; }
    uint32_t GetLastCellCount() const { return m_nLastCellCount; }
    bool HasKeptBlindSpotPass() const { return m_pKeptBlindSpotPass != nullptr; }

    // A pasted node: copies of the scans of `source` (a mediator of the same kind) are appended to
    // this node's lists, and a comparison, overlay or blind-spot node takes copies of the compared
    // scans, and a report generator node the report selection. False (nothing copied) for a source
    // of another kind, or one that holds hand-held scans
    // (those cannot be copied yet).
    bool CopyScanDataFrom(QNodeMediator& source);

    // Fills the scan-data list with the scans of a kind and raises the kind's frame. A comparison,
    // overlay or blind-spot kind lists the compared scans it holds; the scripting kind lists the
    // spectral/spatial scans.
    void FillScanDataList(uint16_t kind);
    // Empties the scan-data list and makes this node its owner.
    void ClearScanDataList();
    void SelectDisplayedScanInList();
    // The two list-sync flags: the scan-data list is this node's (it filled or cleared it last), and
    // it holds this node's scans (set by FillScanDataList, cleared by ClearScanDataList). A view
    // selects its scan in the list only while both hold, so that it never selects a row of a list
    // another node has taken over meanwhile.
    bool IsScanListOwner() const;
    bool IsScanListFilled() const { return m_bScanListFilled != 0; }
    // Makes the scan's row the list's only selected one; no such row: nothing.
    void SelectScanInList(int32_t scanID);
    // Opens the view on one scan and selects it in the scan-data list.
    void ViewScanData(int32_t scanID);

    // The peaks of a spectral (or spectral/spatial) scan for the spectral views: point indexes and
    // their frequencies, highest snapshot level first.
    void FindPeaks(CScanData& scan, std::vector<uint32_t>& pointIndexes, std::vector<float>& frequencies);
    // A copy of the measured frequencies of one of this node's spectral or spectral/spatial scans,
    // taken under the lock the running scan updates them under; empty for any other scan.
    std::vector<QMeasuredFrequencyData::Entry> CopyMeasuredFrequencies(const CScanData& scan);
    // Puts the picture of one scan into the report document (none: only the view is switched).
    void InsertScanViewIntoReport(int32_t scanID, QReportDocument* document, int32_t picture);

    // The scans a comparison (2010, 2011), overlay (2012) or blind-spot (2030) node compares; the
    // mediator owns them. False (nothing kept) for another kind or a scan of the wrong kind.
    bool SetComparedScan(bool first, std::unique_ptr<CScanData> scan);
    CScanData* GetComparedScan(bool first) const;
    // Release the first (true) or second compared scan and refresh the open view.
    void RemoveSpectralComparisonScan(bool first);
    void RemoveSpatialComparisonScan(bool first);
    void RemoveSpectralOverlayScan(bool first);
    void RemoveBlindSpotReductionScan(bool first);

    // --- What the views read of the node's scans ---

    // The scan each kind of view shows now; null when none. A user composite's spectral/spatial scan
    // is the scan of its parent that it is linked to. The views ask again at every event: a pointer
    // is never kept across events.
    CSpectralScanData* GetCurrentSpectralScanData() const { return m_pCurrentSpectral; }
    CSpatialScanData* GetCurrentSpatialScanData() const { return m_pCurrentSpatial; }
    CSpectralSpatialScanData* GetCurrentSpectralSpatialScanData() const;
    CHandHeldProbeScanData* GetCurrentHandHeldScanData() const { return m_pCurrentHandHeld; }
    // The result of the two compared scans of a comparison or blind-spot node. The view that shows
    // it builds it from the compared scans whenever the changed flag is set (every SetComparedScan
    // and every release sets it again) and hands it over here; null for other kinds. The first
    // compared scan is the reference (upper) scan, the second the test (lower) scan.
    CScanData* GetComparedResult() const;
    // False (nothing kept) for another kind or a result of the wrong kind.
    bool SetComparedResult(std::unique_ptr<CScanData> result);
    bool IsComparedResultChanged() const;
    void ClearComparedResultChanged();
    // Set by the side panels when the level or frequency range was edited, cleared by the view
    // that next works the range out.
    bool IsRangeChanged() const { return m_bRangeChanged != 0; }
    void SetRangeChanged(bool changed) { m_bRangeChanged = changed ? 1 : 0; }
    // Set by the side panels when the node's display settings apply to every scan of the node.
    bool AreNodeSettingsApplied() const { return m_bNodeSettingsApplied != 0; }
    void SetNodeSettingsApplied(bool applied) { m_bNodeSettingsApplied = applied ? 1 : 0; }

    // User composite nodes: the scan of the parent node this node shows.
    bool ResolveLinkedScanData();
    void CreateUserComposite(QNodeMediator& source);
    int32_t GetLinkedScanID() const { return m_nLinkedScanID; }
    // The scan of the parent node this node follows (the spatial page's choice, kept at once and
    // not undone by Cancel); a user composite looks its scan up again.
    void SetLinkedScanID(int32_t scanID);
    // Child nodes in the tree linked to one of this node's scans: how many, and closing their views
    // (before the scan goes).
    size_t CountNodesLinkedToScan(int32_t scanID);
    void CloseViewsOfNodesLinkedToScan(int32_t scanID);
    // Scans of the four lists that lie on the overlay with this ID.
    size_t CountScansUsingOverlay(uint32_t overlayID) const;
    bool IsLinkedToScan() const { return m_bLinked != 0; }
    // A user composite's frequency markers and points, taken from the linked scan after what was
    // there, each list with the flag byte that came with it.
    const std::vector<_FrequencyMarkerPoint>& GetFrequencyMarkers() const { return m_frequencyMarkers; }
    // The user composite's frequency markers, which its spectral view edits.
    std::vector<_FrequencyMarkerPoint>& GetSelectedFrequencyMarkers() { return m_frequencyMarkers; }
    const std::vector<CScanPoint>& GetPoints() const { return m_points; }
    // The user composite's selected cells (its points), which its spatial view edits.
    std::vector<CScanPoint>& GetSelectedCells() { return m_points; }
    uint8_t GetMarkerFlag() const { return m_markerFlag; }
    uint8_t GetPointFlag() const { return m_pointFlag; }

    // --- Scan run hooks ---

    // Told, on the destroying thread, of every mediator that goes, so that whoever keeps mediator
    // pointers across threads (the scan run) forgets it. One hook for the process; empty clears it.
    using DestroyedHook = std::function<void(QNodeMediator*)>;
    static void SetDestroyedHook(DestroyedHook hook);
    // A thread other than the user-interface thread uses a mediator only while it holds a pin of
    // it. The holder of the pointer takes the pin under the lock it keeps the pointer behind, and
    // its destroyed hook clears the pointer under that lock; a mediator that goes runs the hook and
    // then waits for its pins before any of it goes. A pinned call therefore never waits for the
    // user-interface thread (no box, no sent message): it is one moment's work.
    class Pin {
    public:
        Pin() = default;
        explicit Pin(QNodeMediator* mediator);
        ~Pin();
        Pin(Pin&& other) noexcept : m_mediator(std::exchange(other.m_mediator, nullptr)) {}
        Pin& operator=(Pin&& other) noexcept;
        Pin(const Pin&) = delete;
        Pin& operator=(const Pin&) = delete;

        QNodeMediator* get() const { return m_mediator; }
        QNodeMediator* operator->() const { return m_mediator; }
        explicit operator bool() const { return m_mediator != nullptr; }
        void Release();

    private:
        QNodeMediator* m_mediator = nullptr;
    };
    // The mediator whose scan runs (null when none) and the one whose scan ran last.
    static QNodeMediator* GetScanningMediator();
    static QNodeMediator* GetPreviousScanningMediator();
    // At the end of a scan the open scan pages take their controls back. The end is reported on the
    // controller's thread; the kinds with a user-interface queue post the re-enabling there, the
    // base does it at once.
    virtual void PostEnableScanPages() { EnableScanPages(); }
    // Re-enables the spatial scan, spectral scan and amplitude adjustment pages that have a window,
    // in that order. User-interface thread.
    void EnableScanPages();
    // Records this mediator as the scanning one and resets the controller's scan event; makes and
    // starts the worker only when the mediator holds none (false when it could not be started).
    bool StartScanThread(QScanThreadHost& controller, int64_t argument);
    bool HasScanThread() const;
    void SetScanInProgress(bool running);
    bool IsScanInProgress() const { return m_bScanInProgress.load(); }
    // Clears the run's scan count and its scan-error flag.
    void PrepareScanRun(bool continuous);
    // Set from the data worker when a packet of this run reported an error; read on the
    // user-interface thread when the run's scan is listed.
    void SetScanError(bool error) { m_scanError.store(error ? 1 : 0); }
    bool HasScanError() const { return m_scanError.load() != 0; }
    // A scan listed while this mediator runs continuously with its scan in progress counts towards
    // the run (the views skip immediate repaints by it). User-interface thread.
    void CountScanOfContinuousRun() {
        if (m_bContinuousRun == 1 && IsScanInProgress()) {
            ++m_nScansThisRun;
        }
    }
    uint32_t GetScansThisRun() const { return m_nScansThisRun; }
    bool IsContinuousRun() const { return m_bContinuousRun == 1; }

    // --- The hand-held probe tracker ---

    // Keeps the camera path, drops the tracker held and takes the shared tracker of that camera;
    // false when the camera could not be opened.
    bool StartProbeVideoTrack(const std::string& cameraPath);
    void StopProbeVideoTrack();
    bool HasProbeVideoTrack() const { return m_pProbeVideoTrack != nullptr; }
    std::shared_ptr<CProbeVideoTrack> GetProbeVideoTrack() const { return m_pProbeVideoTrack; }
    const std::string& GetProbeCameraPath() const { return m_probeCameraPath; }
    // (0, 0) without a tracker.
    void GetProbeMarkerPosition(float& x, float& y) const;
    // The tracker saw the marker within the last 3 frames.
    bool IsProbeMarkerTracked() const;

    CriticalSection& GetFirstCriticalSection() { return m_firstSection; }
    CriticalSection& GetSecondCriticalSection() { return m_secondSection; }

    // Taking over another node's settings (the copy of a node).
    void CopyNodeSettingsFrom(QNodeMediator& source);
    bool IsSettingsCopied() const { return m_bSettingsCopied != 0; }
    std::vector<SpectralSpatialScriptsDefinition>& GetScriptDefinitions() { return m_scriptDefinitions; }
    // The report selection of a report generator node: the ticked nodes and their ticked scans. Kept
    // with the node (stored in the project file, copied with a pasted node); the report page works on
    // a copy of its own and hands it back on apply.
    const std::vector<_ReportGeneratorDataBuffer>& GetReportBuffers() const { return m_reportBuffers; }
    void SetReportBuffers(std::vector<_ReportGeneratorDataBuffer> buffers) {
        m_reportBuffers = std::move(buffers);
    }
    uint32_t GetSettingsSourceID() const { return m_nSettingsSourceID; }

protected:
    static size_t Index(QFrameClass frameClass) { return static_cast<size_t>(frameClass); }
    // Stops and deletes the worker (joins it), so that a running worker never meets a
    // half-destroyed mediator.
    void StopScanThread();
    // The start of a mediator's end, once: the destroyed hook, the wait for the pins, and the
    // worker stopped. Kinds call it first thing in their destructors (the base's calls it too), so
    // that no pinned call and no worker meets a half-destroyed mediator. User-interface thread.
    void Retire();

private:
    // How a node kind's view is opened.
    struct ViewKind {
        uint16_t kind;
        QFrameClass frame;
        const char* title;
        uint16_t icon;
        bool setsSpectral;
        bool setsSpatial;
        bool mainIsSpectral;
    };
    static const ViewKind* FindViewKind(uint16_t kind);
    QViewFrame* OpenFrame(QFrameClass frameClass) const;
    QViewFrame* LiveFrame(QFrameClass frameClass) const;
    void PostCloseToLiveFrame(QFrameClass frameClass);
    // False when the frame or one of the views is not open.
    bool ShowInFrame(QFrameClass frameClass, std::initializer_list<QNodeView*> views, int32_t& displayedID,
                     int32_t scanID, uint32_t message, uint64_t wParam = 0, int64_t lParam = 0);
    using FrameRefresh = std::pair<QFrameClass, uint32_t>;
    void PostRefresh(QNodeView* view, const std::array<FrameRefresh, 3>& frames);
    static bool LiveView(const QNodeView* view);
    std::string ScanTitle(int32_t scanID);
    QSettingsPage* AddPage(QSettingsPageKind kind, uint16_t scanKind);
    void AddNodeKindPages();
    bool ParentIsKind(uint16_t kind);
    // A Spectral/Spatial node that a scripting node made from one of its scripts.
    static bool IsScriptMade(const QNodeMediator* mediator);
    void FillScanDataListForKind(uint16_t kind);
    // The scans the scan-data list shows for a kind, in list order (the two-scan kinds list their
    // sources by their part instead).
    std::vector<const CScanData*> ListedScans(uint16_t kind) const;
    int32_t NewestScanID(uint16_t kind, size_t& count);
    // Makes a scan of the lists whole and marks it used; the scans the views show are never moved
    // out. Throws QStorageLayerException (Error#312) when its bulk cannot be read back.
    void UseScan(CScanData* scan);
    // The same for a view's lookup and for a scan about to change: a scan that cannot be read back is
    // logged (Error#312) and answered false, since nothing above a view's message or a scan's intake
    // could handle the exception. False for no scan too.
    bool UseScanForView(CScanData* scan);
    bool ChangingScan(CScanData& scan);
    void TrimScans();
    bool IsShownScan(const CScanData& scan) const;
    void SetLinkedScan(CSpectralSpatialScanData* scan);
    void RefreshComparedViews();
    void AttachComparisonLink(QNodeMediator*& slot, QNodeMediator* link);
    void DropComparisonLinks();

    // Two scans compared by a comparison, overlay or blind-spot node, and their result.
    template <class T> struct ComparedScans {
        ComparedScans();
        ~ComparedScans();
        std::unique_ptr<T> first;
        std::unique_ptr<T> second;
        std::unique_ptr<T> result;
        uint16_t word = 1;
        uint8_t firstFlag = 0;
        uint8_t secondFlag = 0;
        // The result no longer matches the two scans.
        uint8_t resultChanged = 1;
    };
    template <class F> auto WithComparedGroup(F&& use) const;

    template <class T>
    void ReleaseCompared(ComparedScans<T>& group, bool first, QFrameClass frame, bool spectralSide,
                         uint32_t message);

    std::vector<std::unique_ptr<CSpectralScanData>> m_spectralScans;
    // Keeps the scans of the four lists within the memory budget; lookups (also the const ones a
    // save uses) make a scan whole.
    std::unique_ptr<QScanResidency> m_scanResidency;
    std::vector<std::unique_ptr<CSpatialScanData>> m_spatialScans;
    std::vector<std::unique_ptr<CSpectralSpatialScanData>> m_spectralSpatialScans;
    std::vector<std::unique_ptr<CHandHeldProbeScanData>> m_handHeldScans;
    CSpectralScanData* m_pCurrentSpectral = nullptr;
    CSpatialScanData* m_pCurrentSpatial = nullptr;
    CSpectralSpatialScanData* m_pCurrentSpectralSpatial = nullptr;
    CHandHeldProbeScanData* m_pCurrentHandHeld = nullptr;
    // The scan a user composite node shows (in its parent's lists).
    CSpectralSpatialScanData* m_pLinkedScan = nullptr;
    ComparedScans<CSpectralScanData> m_spectralComparison;
    ComparedScans<CSpatialScanData> m_spatialComparison;
    ComparedScans<CSpectralScanData> m_spectralOverlay;
    ComparedScans<CSpatialScanData> m_blindSpotReduction;
    // The first pass of a live blind-spot reduction scan, waiting for its second pass.
    std::unique_ptr<CSpatialScanData> m_pKeptBlindSpotPass;
    uint32_t m_nLastCellIndex = 0;
    uint32_t m_nLastCellCount = 0;
    int32_t m_nLinkedScanID = -1;
    uint8_t m_bLinked = 0;
    uint8_t m_markerFlag = 0;
    std::vector<_FrequencyMarkerPoint> m_frequencyMarkers;
    uint8_t m_pointFlag = 0;
    std::vector<CScanPoint> m_points;
    std::vector<SpectralSpatialScriptsDefinition> m_scriptDefinitions;
    std::vector<_ReportGeneratorDataBuffer> m_reportBuffers;
    uint8_t m_bSettingsCopied = 0;
    uint8_t m_bRangeChanged = 0;
    uint8_t m_bScanListFilled = 0;
    uint8_t m_bNodeSettingsApplied = 0;
    uint32_t m_nSettingsSourceID = 0;
    std::array<int32_t, 3> m_viewState{};

    CriticalSection m_firstSection;
    CriticalSection m_secondSection;

    QProjectWindow* m_pMainWnd = nullptr;
    QNodeContainer* m_pContainer = nullptr;
    QNodeContainer* m_pTreeContainer = nullptr;
    QProjectTree* m_pProjectTree = nullptr;
    QScanDataList* m_pScanListWnd = nullptr;
    QViewFactory* m_pViewFactory = nullptr;

    int32_t m_nDisplayedScanID = -1;
    int32_t m_nDisplayedSpectralScanID = -1;
    int32_t m_nDisplayedSpatialScanID = -1;
    int32_t m_nDisplayedSpectralSpatialScanID = -1;
    int32_t m_nDisplayedHandHeldScanID = -1;

    QSpectralViewInterface* m_pSpectralView = nullptr;
    QSpatialViewInterface* m_pSpatialView = nullptr;

    std::unique_ptr<QSettingsSheet> m_pSettingsSheet;
    std::vector<std::unique_ptr<QSettingsPage>> m_pages;

    uint16_t m_nKind = 0;
    QNodeMediator* m_pParent = nullptr;

    std::array<std::unique_ptr<QViewFrame>, kFrameSlotCount> m_frames;

    uint32_t m_nScansThisRun = 0;
    uint8_t m_bContinuousRun = 0;
    std::atomic<uint8_t> m_scanError{0};
    std::array<float, 3> m_scriptRange{};
    uint8_t m_bHasScriptRange = 0;
    std::atomic<bool> m_bScanInProgress{false};
    std::atomic<uint8_t> m_bMakeSpatialSubNodes{0};

    // The worker is made, signalled and deleted under this lock; it is joined outside it.
    mutable std::mutex m_scanThreadMutex;
    std::unique_ptr<QScanThread> m_pScanThread;
    // Set as the mediator starts to go: no worker is made after it.
    bool m_bRetiring = false;

    std::mutex m_pinLock;
    std::condition_variable m_pinsGone;
    int32_t m_nPins = 0;

    // Comparison links, both ways: the mediators this node compares, and the comparison mediators
    // that link to this one.
    QNodeMediator* m_pFirstLink = nullptr;
    QNodeMediator* m_pSecondLink = nullptr;
    std::vector<QNodeMediator*> m_comparisonUsers;
    float m_fCompensationThreshold = kDefaultCompensationThreshold;

    std::string m_probeCameraPath;
    std::shared_ptr<CProbeVideoTrack> m_pProbeVideoTrack;

    static std::atomic<QNodeMediator*> s_scanningMediator;
    static std::atomic<QNodeMediator*> s_previousScanningMediator;
};

} // namespace orv
