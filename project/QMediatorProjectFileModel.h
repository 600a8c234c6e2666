#pragma once

#include "project/QNodeFactory.h"
#include "project/QProjectFileModel.h"

#include <map>
#include <set>

namespace orv {

class CScanData;
class CSpatialScanData;
class CSpectralScanData;
class CSpectralSpatialScanData;
class QMediatorFileFields;

// The project file over the real node model: nodes are made through the project window's node
// factory with their mediators, each node's scan records go to its mediator's add operations as new
// (never live) scans, and a save reads the mediators' scan-data lists back into records.
//
// The scan data hold every field of a scan record: the scan id, the six texts, the frequencies,
// levels, settings bytes, the whole scan-area block (its variant and all its fields), the tail fields,
// the Zelt flag and level, the grid, the spatial bytes and third flag, the probe cells, points,
// values, Zelt records, cells with their three words and value, and the measured frequencies. A save
// writes them from the scans as they were loaded or measured (never prepared first), so a project
// that another program wrote saves back byte for byte.
//
// Scan IDs are unique within a list: a stored scan whose ID the list already holds is listed under
// the list's next free ID, so that no scan of a file is lost; the information log names both IDs.
// The report selections of the file name scans by their IDs in the file; once the whole tree is read
// they are made to name the same scans under the IDs they are listed by.
//
// The program keeps one model; it holds no state beyond one load. User-interface thread.
class QMediatorProjectFileModel : public QProjectFileModel {
public:
    // `makeFundamental` makes the nodes of a load that has no project window (the node-table check);
    // a load into a window uses the window's node factory.
    explicit QMediatorProjectFileModel(QNodeFactory::FundamentalMediatorMaker makeFundamental = {});
    ~QMediatorProjectFileModel() override;

    QOverlayControlList* GetOverlayControls(TfrmMainApp* window) override;

    std::unique_ptr<QNodeMediator> ReadNode(QDataReader& reader, QNodeMediator* parent,
                                            TfrmMainApp* window) override;
    void ResolveLinks(QNodeMediator& mediator, const QNodeIdMap& ids) override;
    void AddSpectralScan(QNodeMediator& mediator, QProjectSpectralScanRecord&& record) override;
    void AddSpatialScan(QNodeMediator& mediator, QProjectSpatialScanRecord&& record) override;
    void AddSpectralSpatialScan(QNodeMediator& mediator, QProjectSpectralSpatialScanRecord&& record) override;
    void AddHandHeldScan(QNodeMediator& mediator, QProjectSpectralSpatialScanRecord&& record) override;
    void SetNodeValues(QNodeMediator& mediator, const QProjectNodeValues& values) override;
    void SetComparedSpectralScan(QNodeMediator& mediator, int slot,
                                 std::unique_ptr<QProjectSpectralScanRecord> record) override;
    void SetComparedSpatialScan(QNodeMediator& mediator, int slot,
                                std::unique_ptr<QProjectSpatialScanRecord> record) override;
    void SetScriptPoints(QNodeMediator& mediator, std::vector<QProjectScriptPoint>&& points) override;
    void SetReportSection(QNodeMediator& mediator, QProjectReportSection&& section) override;
    void BeginLoad() override;
    void FinishLoad(const QNodeIdMap& ids) override;

    uint32_t GetNodeID(QNodeMediator& mediator) override;
    uint16_t GetTypeID(QNodeMediator& mediator) override;
    std::string GetName(QNodeMediator& mediator) override;

    bool IsScanRunning(QNodeMediator& mediator) override;
    void WriteNode(QDataWriter& writer, QNodeMediator& mediator) override;
    uint32_t GetScanCount(QNodeMediator& mediator) override;
    void VisitSpectralScans(QNodeMediator& mediator,
                            const std::function<void(const QProjectSpectralScanRecord&)>& visit) override;
    void VisitSpatialScans(QNodeMediator& mediator,
                           const std::function<void(const QProjectSpatialScanRecord&)>& visit) override;
    void VisitSpectralSpatialScans(
        QNodeMediator& mediator,
        const std::function<void(const QProjectSpectralSpatialScanRecord&)>& visit) override;
    void
    VisitHandHeldScans(QNodeMediator& mediator,
                       const std::function<void(const QProjectSpectralSpatialScanRecord&)>& visit) override;
    QProjectNodeValues GetNodeValues(QNodeMediator& mediator) override;
    bool
    VisitComparedSpectralScan(QNodeMediator& mediator, int slot,
                              const std::function<void(const QProjectSpectralScanRecord&)>& visit) override;
    bool
    VisitComparedSpatialScan(QNodeMediator& mediator, int slot,
                             const std::function<void(const QProjectSpatialScanRecord&)>& visit) override;
    std::vector<QProjectScriptPoint> GetScriptPoints(QNodeMediator& mediator) override;
    QProjectReportSection GetReportSection(QNodeMediator& mediator) override;

    // The records a save writes for one scan (public for the tests of the mapping).
    static QProjectSpectralScanRecord MakeSpectralRecord(const CSpectralScanData& scan);
    static QProjectSpatialScanRecord MakeSpatialRecord(const CSpatialScanData& scan);
    static QProjectSpectralSpatialScanRecord MakeSpectralSpatialRecord(const CSpectralSpatialScanData& scan);

    // The file fields of the mediator that owns the node (the own mediator of a proxy); null when it
    // keeps none.
    static QMediatorFileFields* FindFileFields(QNodeMediator& mediator);

private:
    // Lists a stored scan under an ID its list does not hold yet, and notes the change.
    int32_t ListScanID(QNodeMediator& mediator, uint16_t kind, int32_t storedID, int32_t nextID);

    // What one load learnt of a node's scans: the stored IDs met so far, and the stored IDs whose
    // first scan is listed under another ID.
    struct ScanRenumbering {
        std::set<int32_t> m_stored;
        std::map<int32_t, int32_t> m_moved;
    };

    QNodeFactory::FundamentalMediatorMaker m_makeFundamental;
    std::map<const QNodeMediator*, ScanRenumbering> m_renumbered;
};

} // namespace orv
