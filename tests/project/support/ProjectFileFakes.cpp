#include "tests/project/support/ProjectFileFakes.h"

#include "core/QException.h"
#include "core/QSerializable.h"
#include "core/TypeIds.h"

namespace orv::projectfiletest {
namespace {

std::vector<uint8_t> Pattern(uint64_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (uint64_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return bytes;
}

} // namespace

void WriteFakeNodeFrame(QDataWriter& writer, const FakeNodeData& data) {
    writer.WriteU8(QSerializable::kMarker);
    writer.WriteU16(data.m_type);
    writer.WriteU32(static_cast<uint32_t>(8 + data.m_name.size()));
    writer.WriteU32(data.m_id);
    WriteString(writer, data.m_name);
}

std::unique_ptr<QNodeMediator> FakeProjectFileModel::ReadNode(QDataReader& reader, QNodeMediator* parent,
                                                              TfrmMainApp* /*window*/) {
    QNodeHeader header;
    header.Deserialize(reader);
    const uint16_t type = header.GetHeaderTypeId();
    if (type < 2000 || type > 2033 || type == 2002) {
        throw QException("Error#314: Invalid node type.  Node creation has failed.");
    }
    auto mediator = std::make_unique<FakeMediator>();
    mediator->m_data.m_type = type;
    mediator->m_data.m_parentAtCreation = parent;
    mediator->m_data.m_id = reader.ReadU32();
    ReadString(reader, mediator->m_data.m_name);
    return mediator;
}

void FakeProjectFileModel::ResolveLinks(QNodeMediator& mediator, const QNodeIdMap& /*ids*/) {
    ++Data(mediator).m_resolveCalls;
}

void FakeProjectFileModel::AddSpectralScan(QNodeMediator& mediator, QProjectSpectralScanRecord&& record) {
    Data(mediator).m_spectral.push_back(std::move(record));
}
void FakeProjectFileModel::AddSpatialScan(QNodeMediator& mediator, QProjectSpatialScanRecord&& record) {
    Data(mediator).m_spatial.push_back(std::move(record));
}
void FakeProjectFileModel::AddSpectralSpatialScan(QNodeMediator& mediator,
                                                  QProjectSpectralSpatialScanRecord&& record) {
    Data(mediator).m_cells.push_back(std::move(record));
}
void FakeProjectFileModel::AddHandHeldScan(QNodeMediator& mediator,
                                           QProjectSpectralSpatialScanRecord&& record) {
    Data(mediator).m_handHeld.push_back(std::move(record));
}
void FakeProjectFileModel::SetNodeValues(QNodeMediator& mediator, const QProjectNodeValues& values) {
    Data(mediator).m_values = values;
}
void FakeProjectFileModel::SetComparedSpectralScan(QNodeMediator& mediator, int slot,
                                                   std::unique_ptr<QProjectSpectralScanRecord> record) {
    Data(mediator).m_comparedSpectral[static_cast<size_t>(slot)] = std::move(record);
}
void FakeProjectFileModel::SetComparedSpatialScan(QNodeMediator& mediator, int slot,
                                                  std::unique_ptr<QProjectSpatialScanRecord> record) {
    Data(mediator).m_comparedSpatial[static_cast<size_t>(slot)] = std::move(record);
}
void FakeProjectFileModel::SetScriptPoints(QNodeMediator& mediator,
                                           std::vector<QProjectScriptPoint>&& points) {
    Data(mediator).m_points = std::move(points);
}
void FakeProjectFileModel::SetReportSection(QNodeMediator& mediator, QProjectReportSection&& section) {
    Data(mediator).m_report = std::move(section);
}

void FakeProjectFileModel::WriteNode(QDataWriter& writer, QNodeMediator& mediator) {
    WriteFakeNodeFrame(writer, Data(mediator));
}

uint32_t FakeProjectFileModel::GetScanCount(QNodeMediator& mediator) {
    const FakeNodeData& data = Data(mediator);
    switch (data.m_type) {
    case kTypeSpectralScanNode:
        return static_cast<uint32_t>(data.m_spectral.size());
    case kTypeSpatialScanNode:
        return static_cast<uint32_t>(data.m_spatial.size());
    case kTypeSpectralSpatialScanNode:
        return static_cast<uint32_t>(data.m_cells.size());
    case kTypeHandHeldProbeScanNode:
        return static_cast<uint32_t>(data.m_handHeld.size());
    default:
        return 0;
    }
}

void FakeProjectFileModel::VisitSpectralScans(
    QNodeMediator& mediator, const std::function<void(const QProjectSpectralScanRecord&)>& visit) {
    for (const auto& record : Data(mediator).m_spectral) {
        visit(record);
    }
}
void FakeProjectFileModel::VisitSpatialScans(
    QNodeMediator& mediator, const std::function<void(const QProjectSpatialScanRecord&)>& visit) {
    for (const auto& record : Data(mediator).m_spatial) {
        visit(record);
    }
}
void FakeProjectFileModel::VisitSpectralSpatialScans(
    QNodeMediator& mediator, const std::function<void(const QProjectSpectralSpatialScanRecord&)>& visit) {
    for (const auto& record : Data(mediator).m_cells) {
        visit(record);
    }
}
void FakeProjectFileModel::VisitHandHeldScans(
    QNodeMediator& mediator, const std::function<void(const QProjectSpectralSpatialScanRecord&)>& visit) {
    for (const auto& record : Data(mediator).m_handHeld) {
        visit(record);
    }
}
bool FakeProjectFileModel::VisitComparedSpectralScan(
    QNodeMediator& mediator, int slot, const std::function<void(const QProjectSpectralScanRecord&)>& visit) {
    const auto& record = Data(mediator).m_comparedSpectral[static_cast<size_t>(slot)];
    if (record) {
        visit(*record);
    }
    return record != nullptr;
}
bool FakeProjectFileModel::VisitComparedSpatialScan(
    QNodeMediator& mediator, int slot, const std::function<void(const QProjectSpatialScanRecord&)>& visit) {
    const auto& record = Data(mediator).m_comparedSpatial[static_cast<size_t>(slot)];
    if (record) {
        visit(*record);
    }
    return record != nullptr;
}

OwnedPairs::~OwnedPairs() {
    for (QNodePair& pair : m_pairs) {
        delete pair.m_node;
    }
}

FakeMediator& OwnedPairs::Add(uint16_t type, uint32_t id, const std::string& name, QNodeMediator* parent) {
    auto* mediator = new FakeMediator();
    mediator->m_data.m_type = type;
    mediator->m_data.m_id = id;
    mediator->m_data.m_name = name;
    m_pairs.push_back({mediator, parent != nullptr ? parent : mediator});
    return *mediator;
}

QProjectScanHeader SampleHeader(uint32_t scanId, uint8_t areaVariant) {
    QProjectScanHeader header;
    header.m_scanId = scanId;
    header.m_texts = {"2026-12-10 01:53", "Head A", "", "Analyser X", "third", std::string(300, 'z')};
    header.m_frequencies = {30.0F, 1000.0F, 515.0F, 0.12F};
    header.m_referenceLevel = 97.5F;
    header.m_valuesPerPoint = 3;
    header.m_peakHold = 1;
    header.m_levelOffset = -2.5F;
    header.m_settingsBytes = {4, 250};
    header.m_area.m_variant = areaVariant;
    header.m_area.m_word0 = 0xA1B2C3D4U;
    if (areaVariant == 0) {
        header.m_area.m_byte1 = 9;
        header.m_area.m_values1to2 = {1.5F, -2.25F};
        header.m_area.m_words1to4 = {1, 2, 3, 0xFFFFFFFFU};
    } else {
        header.m_area.m_values3to6 = {3.0F, 4.0F, 5.0F, 6.0F};
        header.m_area.m_word5 = 77;
        header.m_area.m_bytes2to4 = {2, 3, 4};
    }
    header.m_tailBytes = {1, 2, 3, 4, 5, 6};
    header.m_tailWord = 0xBEEF;
    header.m_tailValue = 0.75F;
    return header;
}

QProjectSpectralScanRecord SampleSpectral(uint32_t scanId, uint8_t zeltFlag, uint32_t points) {
    QProjectSpectralScanRecord record;
    record.m_header = SampleHeader(scanId, static_cast<uint8_t>(scanId % 2));
    record.m_rows = 29;
    record.m_columns = 42;
    record.m_zeltFlag = zeltFlag;
    record.m_zeltLevel = IsZeltFlag(zeltFlag) ? 2 : 0;
    record.m_markerCount = 3;
    record.m_markers = Pattern(12, 1);
    record.m_pointCount = points;
    record.m_points = Pattern(QProjectSpectralScanRecord::PointBytes(points, zeltFlag), 5);
    record.m_extraCount = 2;
    record.m_extra = Pattern(16, 9);
    return record;
}

QProjectSpatialScanRecord SampleSpatial(uint32_t scanId, uint8_t zeltFlag) {
    QProjectSpatialScanRecord record;
    record.m_header = SampleHeader(scanId, static_cast<uint8_t>((scanId + 1) % 2));
    record.m_header.m_frequencies[0] = 0.0F; // not carried by a spatial record
    record.m_header.m_frequencies[1] = 0.0F;
    record.m_rows = 4;
    record.m_columns = 5;
    record.m_spatialByte1 = 1;
    record.m_zeltFlag = zeltFlag;
    record.m_zeltLevel = IsZeltFlag(zeltFlag) ? 1 : 0;
    record.m_spatialByte2 = 0x80;
    if (IsZeltFlag(zeltFlag)) {
        record.m_zeltRecords = Pattern(36, 3);
    } else {
        record.m_values = Pattern(4 * 5 * 2, 11);
    }
    return record;
}

QProjectSpectralSpatialScanRecord SampleCells(uint32_t scanId, uint8_t zeltFlag, bool handHeld,
                                              uint32_t cells, uint32_t valuesPerCell) {
    QProjectSpectralSpatialScanRecord record;
    record.m_header = SampleHeader(scanId, 0);
    record.m_rows = 29;
    record.m_columns = 42;
    record.m_zeltFlag = zeltFlag;
    record.m_zeltLevel = IsZeltFlag(zeltFlag) ? 1 : 0;
    if (!handHeld) {
        record.m_thirdFlag = 1;
        record.m_extraCount = 1;
        record.m_extra = Pattern(8, 13);
    }
    for (uint32_t i = 0; i < cells; ++i) {
        QProjectCellEntry cell;
        cell.m_words = {static_cast<uint16_t>(i / 42), static_cast<uint16_t>(i % 42),
                        static_cast<uint16_t>(0xFFF0 + i)};
        cell.m_value = 12.5F + static_cast<float>(i);
        cell.m_valueCount = valuesPerCell;
        cell.m_values =
            Pattern(QProjectCellEntry::ValueBytes(valuesPerCell, zeltFlag), static_cast<uint8_t>(i));
        record.m_cells.push_back(std::move(cell));
    }
    return record;
}

void BuildEveryKindProject(OwnedPairs& project, FakeProjectFileModel& model) {
    project.Add(kTypePreferencesNode, 1, "Preferences");
    FakeMediator& root = project.Add(kTypeProjectNode, 2, "Project");
    FakeMediator& spectral = project.Add(kTypeSpectralScanNode, 3, "Spectral", &root);
    spectral.m_data.m_spectral.push_back(SampleSpectral(1, 0, 5));
    spectral.m_data.m_spectral.push_back(SampleSpectral(2, 1, 4));
    FakeMediator& spatial = project.Add(kTypeSpatialScanNode, 4, "Spatial", &root);
    spatial.m_data.m_spatial.push_back(SampleSpatial(1, 0));
    spatial.m_data.m_spatial.push_back(SampleSpatial(2, 1));
    FakeMediator& cells = project.Add(kTypeSpectralSpatialScanNode, 5, "Spectral/Spatial", &root);
    cells.m_data.m_values = {1, {0.5F, 1.5F, 2.5F}};
    cells.m_data.m_cells.push_back(SampleCells(1, 0, false, 3, 6));
    cells.m_data.m_cells.push_back(SampleCells(2, 1, false, 2, 4));
    FakeMediator& handHeld = project.Add(kTypeHandHeldProbeScanNode, 6, "Hand-held", &root);
    handHeld.m_data.m_handHeld.push_back(SampleCells(1, 1, true, 2, 3));
    FakeMediator& spectralComparison = project.Add(kTypeSpectralComparisonNode, 7, "Compare", &spectral);
    spectralComparison.m_data.m_comparedSpectral[0] =
        std::make_unique<QProjectSpectralScanRecord>(SampleSpectral(1, 0, 2));
    spectralComparison.m_data.m_comparedSpectral[1] =
        std::make_unique<QProjectSpectralScanRecord>(SampleSpectral(2, 0, 2));
    FakeMediator& overlay = project.Add(kTypeSpectralOverlayNode, 8, "Overlay", &spectral);
    overlay.m_data.m_comparedSpectral[1] =
        std::make_unique<QProjectSpectralScanRecord>(SampleSpectral(3, 1, 1));
    FakeMediator& spatialComparison = project.Add(kTypeSpatialComparisonNode, 9, "Spatial compare", &spatial);
    spatialComparison.m_data.m_comparedSpatial[0] =
        std::make_unique<QProjectSpatialScanRecord>(SampleSpatial(1, 0));
    spatialComparison.m_data.m_comparedSpatial[1] =
        std::make_unique<QProjectSpatialScanRecord>(SampleSpatial(2, 1));
    FakeMediator& blindSpot = project.Add(kTypeBlindSpotReductionNode, 10, "Blind spot", &spatial);
    blindSpot.m_data.m_comparedSpatial[0] = std::make_unique<QProjectSpatialScanRecord>(SampleSpatial(5, 0));
    FakeMediator& script = project.Add(kTypeSpectralSpatialScriptingModuleNode, 11, "Script", &root);
    script.m_data.m_points = {{1.0F, 2.0F, 3.0F}, {-1.0F, 0.0F, 1e6F}};
    FakeMediator& report = project.Add(kTypeWordReportNode, 12, "Report", &root);
    report.m_data.m_report.m_groups = {{7, {3, 4}}, {8, {}}};
    report.m_data.m_report.m_text = "Report text";
    project.Add(kTypeNoteNode, 13, "Note", &report);

    auto drawing = std::make_unique<COverlayControl>();
    drawing->SetSourceKind(COverlayControl::kPcbDrawing);
    drawing->SetOverlayId(100);
    drawing->SetSourceFileSize(4096);
    const std::vector<uint8_t> blob = Pattern(40, 2);
    drawing->SetDrawingBlob(blob.data(), static_cast<uint32_t>(blob.size()));
    model.m_overlays.Add(std::move(drawing), false);
    auto picture = std::make_unique<COverlayControl>();
    picture->SetSourceKind(COverlayControl::kPictureFile);
    picture->SetOverlayId(101);
    picture->SetSourceFileSize(77);
    const std::vector<uint8_t> bytes = Pattern(77, 4);
    picture->SetPictureBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    model.m_overlays.Add(std::move(picture), false);
    auto image = std::make_unique<COverlayControl>();
    image->SetSourceKind(COverlayControl::kPixelImage);
    image->SetOverlayId(102);
    const std::vector<uint8_t> pixels = Pattern(3 * 2 * 4, 6);
    image->SetPixels(pixels.data(), 3, 2, 4);
    model.m_overlays.Add(std::move(image), false);
}

} // namespace orv::projectfiletest
