#pragma once

#include "project/QProjectFileFormat.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orv {

class QDataReader;
class QDataWriter;
class QNodeMediator;
class QOverlayControlList;
class TfrmMainApp;

// The node ids of one load mapped to the mediators made so far; the first entry (the Preferences
// node) is known under kFirstEntryNodeId.
using QNodeIdMap = std::map<uint32_t, QNodeMediator*>;

// What the project file's load and save use of the node model and of the project window: the node
// factory and the node bodies, and each mediator's scan-data lists and the kind fields the project
// file carries. The project file deals in its own records (QProjectFileFormat.h); an implementation
// turns them into the scan data of a mediator and back.
class QProjectFileModel {
public:
    QProjectFileModel() = default;
    QProjectFileModel(const QProjectFileModel&) = delete;
    QProjectFileModel& operator=(const QProjectFileModel&) = delete;
    virtual ~QProjectFileModel();

    // The overlay list of the project window; null when the window keeps none.
    virtual QOverlayControlList* GetOverlayControls(TfrmMainApp* window) = 0;

    // --- Load ---
    // Bracket one load: BeginLoad before the first node is read, FinishLoad once every entry was
    // read and the links were resolved (not after a load that failed). What a model learns about
    // the nodes while they are read (say, scans listed under new IDs) it may settle across nodes
    // there.
    virtual void BeginLoad() {}
    virtual void FinishLoad(const QNodeIdMap& /*ids*/) {}
    // Reads the node frame at the reader: its header, then a node of that kind with its mediator made
    // through the node factory under `parent` (null: none) and owned by `window`, then the body. An
    // unknown kind throws "Error#314".
    virtual std::unique_ptr<QNodeMediator> ReadNode(QDataReader& reader, QNodeMediator* parent,
                                                    TfrmMainApp* window) = 0;
    virtual void ResolveLinks(QNodeMediator& mediator, const QNodeIdMap& ids) = 0;
    // Each adds one new scan (never a live one) to the mediator's list of the kind. Spectral records
    // arrive only with points.
    virtual void AddSpectralScan(QNodeMediator& mediator, QProjectSpectralScanRecord&& record) = 0;
    virtual void AddSpatialScan(QNodeMediator& mediator, QProjectSpatialScanRecord&& record) = 0;
    virtual void AddSpectralSpatialScan(QNodeMediator& mediator,
                                        QProjectSpectralSpatialScanRecord&& record) = 0;
    virtual void AddHandHeldScan(QNodeMediator& mediator, QProjectSpectralSpatialScanRecord&& record) = 0;
    virtual void SetNodeValues(QNodeMediator& mediator, const QProjectNodeValues& values) = 0;
    // The two scans of a comparison, overlay or blind-spot node: slot 0 the reference, 1 the test.
    // Null: the node has no such scan (its flag is 0).
    virtual void SetComparedSpectralScan(QNodeMediator& mediator, int slot,
                                         std::unique_ptr<QProjectSpectralScanRecord> record) = 0;
    virtual void SetComparedSpatialScan(QNodeMediator& mediator, int slot,
                                        std::unique_ptr<QProjectSpatialScanRecord> record) = 0;
    virtual void SetScriptPoints(QNodeMediator& mediator, std::vector<QProjectScriptPoint>&& points) = 0;
    virtual void SetReportSection(QNodeMediator& mediator, QProjectReportSection&& section) = 0;

    // --- Both ---
    virtual uint32_t GetNodeID(QNodeMediator& mediator) = 0;
    virtual uint16_t GetTypeID(QNodeMediator& mediator) = 0;
    virtual std::string GetName(QNodeMediator& mediator) = 0;

    // --- Save ---
    // True while a scan runs on the node: its scan data are changing and the save is refused.
    virtual bool IsScanRunning(QNodeMediator& mediator) = 0;
    // Serialises the node the mediator stands for (its effective node), under the node's lock.
    virtual void WriteNode(QDataWriter& writer, QNodeMediator& mediator) = 0;
    // The number of scans in the mediator's list of its own kind (2003, 2004, 2005, 2029).
    virtual uint32_t GetScanCount(QNodeMediator& mediator) = 0;
    // Hands each scan of the list, in list order, to the visitor as a record; the spectral and
    // spatial ones under the mediator's scan-data lock, one at a time.
    virtual void VisitSpectralScans(QNodeMediator& mediator,
                                    const std::function<void(const QProjectSpectralScanRecord&)>& visit) = 0;
    virtual void VisitSpatialScans(QNodeMediator& mediator,
                                   const std::function<void(const QProjectSpatialScanRecord&)>& visit) = 0;
    virtual void
    VisitSpectralSpatialScans(QNodeMediator& mediator,
                              const std::function<void(const QProjectSpectralSpatialScanRecord&)>& visit) = 0;
    virtual void
    VisitHandHeldScans(QNodeMediator& mediator,
                       const std::function<void(const QProjectSpectralSpatialScanRecord&)>& visit) = 0;
    virtual QProjectNodeValues GetNodeValues(QNodeMediator& mediator) = 0;
    // False when the node has no such scan; otherwise the visitor gets it.
    virtual bool
    VisitComparedSpectralScan(QNodeMediator& mediator, int slot,
                              const std::function<void(const QProjectSpectralScanRecord&)>& visit) = 0;
    virtual bool
    VisitComparedSpatialScan(QNodeMediator& mediator, int slot,
                             const std::function<void(const QProjectSpatialScanRecord&)>& visit) = 0;
    virtual std::vector<QProjectScriptPoint> GetScriptPoints(QNodeMediator& mediator) = 0;
    virtual QProjectReportSection GetReportSection(QNodeMediator& mediator) = 0;
};

} // namespace orv
