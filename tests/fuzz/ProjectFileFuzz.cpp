// Fuzz entry for the project-file reader: any input must end in a loaded project or one of the
// system's own exceptions, never a crash, an overrun or an unbounded allocation. Whatever loads must
// also be writable again.
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "core/QSerializable.h"
#include "project/QNodeMediator.h"
#include "project/QOverlayControlList.h"
#include "project/QProjectFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

using namespace orv;

// A node of any kind whose body is a 32-bit id; it keeps the records handed to it only as long as
// the input is read.
class FuzzMediator : public QNodeMediator {
public:
    void Detach() override {}
    bool IsScanning() override { return false; }
    bool IsBusy() override { return false; }
    bool HasScanData() override { return false; }
    bool GetCompensationSettings(QScanCompensationSettings& /*out*/) const override { return false; }
    int GetSpatialDisplayUnit() const override { return 0; }
    int GetSpectralDisplayUnit() const override { return 0; }
    uint32_t GetDataSize() override { return 0; }
    void WriteData(QDataWriter& /*writer*/) override {}
    void ReadData(QDataReader& /*reader*/) override {}

    uint16_t m_type = 0;
    uint32_t m_id = 0;
    std::vector<QProjectSpectralScanRecord> m_spectral;
    std::vector<QProjectSpatialScanRecord> m_spatial;
    std::vector<QProjectSpectralSpatialScanRecord> m_cells;
};

FuzzMediator& F(QNodeMediator& m) {
    return static_cast<FuzzMediator&>(m);
}

class FuzzModel : public QProjectFileModel {
public:
    QOverlayControlList* GetOverlayControls(TfrmMainApp* /*window*/) override { return &m_overlays; }
    std::unique_ptr<QNodeMediator> ReadNode(QDataReader& reader, QNodeMediator* /*parent*/,
                                            TfrmMainApp* /*window*/) override {
        QNodeHeader header;
        header.Deserialize(reader);
        if (header.GetHeaderTypeId() < 2000 || header.GetHeaderTypeId() > 2033) {
            throw QException("Error#314: Invalid node type.  Node creation has failed.");
        }
        auto mediator = std::make_unique<FuzzMediator>();
        mediator->m_type = header.GetHeaderTypeId();
        mediator->m_id = reader.ReadU32();
        return mediator;
    }
    void ResolveLinks(QNodeMediator& /*m*/, const QNodeIdMap& /*ids*/) override {}
    void AddSpectralScan(QNodeMediator& m, QProjectSpectralScanRecord&& r) override {
        F(m).m_spectral.push_back(std::move(r));
    }
    void AddSpatialScan(QNodeMediator& m, QProjectSpatialScanRecord&& r) override {
        F(m).m_spatial.push_back(std::move(r));
    }
    void AddSpectralSpatialScan(QNodeMediator& m, QProjectSpectralSpatialScanRecord&& r) override {
        F(m).m_cells.push_back(std::move(r));
    }
    void AddHandHeldScan(QNodeMediator& /*m*/, QProjectSpectralSpatialScanRecord&& /*r*/) override {}
    void SetNodeValues(QNodeMediator& /*m*/, const QProjectNodeValues& /*v*/) override {}
    void SetComparedSpectralScan(QNodeMediator& m, int /*slot*/,
                                 std::unique_ptr<QProjectSpectralScanRecord> r) override {
        if (r) {
            F(m).m_spectral.push_back(std::move(*r));
        }
    }
    void SetComparedSpatialScan(QNodeMediator& m, int /*slot*/,
                                std::unique_ptr<QProjectSpatialScanRecord> r) override {
        if (r) {
            F(m).m_spatial.push_back(std::move(*r));
        }
    }
    void SetScriptPoints(QNodeMediator& /*m*/, std::vector<QProjectScriptPoint>&& /*p*/) override {}
    void SetReportSection(QNodeMediator& /*m*/, QProjectReportSection&& /*s*/) override {}
    uint32_t GetNodeID(QNodeMediator& m) override { return F(m).m_id; }
    uint16_t GetTypeID(QNodeMediator& m) override { return F(m).m_type; }
    std::string GetName(QNodeMediator& /*m*/) override { return {}; }
    bool IsScanRunning(QNodeMediator& /*m*/) override { return false; }
    void WriteNode(QDataWriter& writer, QNodeMediator& m) override { writer.WriteU32(F(m).m_id); }
    uint32_t GetScanCount(QNodeMediator& /*m*/) override { return 0; }
    void VisitSpectralScans(QNodeMediator&,
                            const std::function<void(const QProjectSpectralScanRecord&)>&) override {}
    void VisitSpatialScans(QNodeMediator&,
                           const std::function<void(const QProjectSpatialScanRecord&)>&) override {}
    void VisitSpectralSpatialScans(
        QNodeMediator&, const std::function<void(const QProjectSpectralSpatialScanRecord&)>&) override {}
    void VisitHandHeldScans(QNodeMediator&,
                            const std::function<void(const QProjectSpectralSpatialScanRecord&)>&) override {}
    QProjectNodeValues GetNodeValues(QNodeMediator& /*m*/) override { return {}; }
    bool VisitComparedSpectralScan(QNodeMediator&, int,
                                   const std::function<void(const QProjectSpectralScanRecord&)>&) override {
        return false;
    }
    bool VisitComparedSpatialScan(QNodeMediator&, int,
                                  const std::function<void(const QProjectSpatialScanRecord&)>&) override {
        return false;
    }
    std::vector<QProjectScriptPoint> GetScriptPoints(QNodeMediator& /*m*/) override { return {}; }
    QProjectReportSection GetReportSection(QNodeMediator& /*m*/) override { return {}; }

    QOverlayControlList m_overlays;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto length = static_cast<uint32_t>(size > 0xFFFFFFFFU ? 0xFFFFFFFFU : size);
    QCharArrayDataReader reader(data, length);
    FuzzModel model;
    QProjectFile file(model, {5, 1, 2, 0});
    QNodePairList pairs;
    try {
        file.ReadProject(reader, nullptr, pairs);
        QCharCounterDataWriter counter;
        model.m_overlays.WriteOverlayControls(counter);
        for (const QNodePair& pair : pairs) {
            for (const auto& record : F(*pair.m_node).m_spectral) {
                WriteSpectralScanRecord(counter, record);
            }
            for (const auto& record : F(*pair.m_node).m_spatial) {
                WriteSpatialScanRecord(counter, record);
            }
            for (const auto& record : F(*pair.m_node).m_cells) {
                WriteSpectralSpatialScanRecord(counter, record, false);
            }
        }
    } catch (const QException&) {
        // Rejected input is the expected outcome for most of what a fuzzer makes.
    }
    for (QNodePair& pair : pairs) {
        delete pair.m_node;
    }
    return 0;
}
