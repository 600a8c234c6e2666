#pragma once

#include "project/QNodeMediator.h"
#include "project/QOverlayControlList.h"
#include "project/QProjectFileFormat.h"
#include "project/QProjectFileModel.h"
#include "project/QProjectStorageManager.h"
#include "tests/project/support/NodeFixtures.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Fakes for the project-file tests: a node model whose mediators keep the project file's records as
// they are handed over, and whose node frame is a small stand-in body (id and name).
namespace orv::projectfiletest {

// What one fake node holds of the project file.
struct FakeNodeData {
    uint16_t m_type = 0;
    uint32_t m_id = 0;
    std::string m_name;
    bool m_scanning = false;
    std::vector<QProjectSpectralScanRecord> m_spectral;
    std::vector<QProjectSpatialScanRecord> m_spatial;
    std::vector<QProjectSpectralSpatialScanRecord> m_cells;
    std::vector<QProjectSpectralSpatialScanRecord> m_handHeld;
    QProjectNodeValues m_values;
    std::array<std::unique_ptr<QProjectSpectralScanRecord>, 2> m_comparedSpectral;
    std::array<std::unique_ptr<QProjectSpatialScanRecord>, 2> m_comparedSpatial;
    std::vector<QProjectScriptPoint> m_points;
    QProjectReportSection m_report;
    // What the load handed over.
    QNodeMediator* m_parentAtCreation = nullptr;
    int m_resolveCalls = 0;
};

class FakeMediator : public nodefix::LinkListMediator {
public:
    FakeNodeData m_data;
};

// The node frame of a fake node: marker, type id, body size, then the id and the name.
void WriteFakeNodeFrame(QDataWriter& writer, const FakeNodeData& data);

class FakeProjectFileModel : public QProjectFileModel {
public:
    QOverlayControlList* GetOverlayControls(TfrmMainApp* /*window*/) override { return &m_overlays; }
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
    uint32_t GetNodeID(QNodeMediator& mediator) override { return Data(mediator).m_id; }
    uint16_t GetTypeID(QNodeMediator& mediator) override { return Data(mediator).m_type; }
    std::string GetName(QNodeMediator& mediator) override { return Data(mediator).m_name; }
    bool IsScanRunning(QNodeMediator& mediator) override { return Data(mediator).m_scanning; }
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
    QProjectNodeValues GetNodeValues(QNodeMediator& mediator) override { return Data(mediator).m_values; }
    bool
    VisitComparedSpectralScan(QNodeMediator& mediator, int slot,
                              const std::function<void(const QProjectSpectralScanRecord&)>& visit) override;
    bool
    VisitComparedSpatialScan(QNodeMediator& mediator, int slot,
                             const std::function<void(const QProjectSpatialScanRecord&)>& visit) override;
    std::vector<QProjectScriptPoint> GetScriptPoints(QNodeMediator& mediator) override {
        return Data(mediator).m_points;
    }
    QProjectReportSection GetReportSection(QNodeMediator& mediator) override {
        return Data(mediator).m_report;
    }

    static FakeNodeData& Data(QNodeMediator& mediator) { return static_cast<FakeMediator&>(mediator).m_data; }

    QOverlayControlList m_overlays;
};

// Owns the mediators of a pair list (each once) and frees them at the end.
class OwnedPairs {
public:
    OwnedPairs() = default;
    OwnedPairs(const OwnedPairs&) = delete;
    OwnedPairs& operator=(const OwnedPairs&) = delete;
    ~OwnedPairs();

    // A new fake node appended with the given parent (null: itself).
    FakeMediator& Add(uint16_t type, uint32_t id, const std::string& name, QNodeMediator* parent = nullptr);

    QNodePairList m_pairs;
};

// Sample records with every field set to something other than its default.
QProjectScanHeader SampleHeader(uint32_t scanId, uint8_t areaVariant);
QProjectSpectralScanRecord SampleSpectral(uint32_t scanId, uint8_t zeltFlag, uint32_t points);
QProjectSpatialScanRecord SampleSpatial(uint32_t scanId, uint8_t zeltFlag);
QProjectSpectralSpatialScanRecord SampleCells(uint32_t scanId, uint8_t zeltFlag, bool handHeld,
                                              uint32_t cells, uint32_t valuesPerCell);

// The project of the round-trip tests: Preferences, root, and one node of every kind with scans.
void BuildEveryKindProject(OwnedPairs& project, FakeProjectFileModel& model);

} // namespace orv::projectfiletest
