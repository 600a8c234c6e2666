#include "project/QMediatorProjectFileModel.h"

#include "core/ByteCodec.h"
#include "core/QException.h"
#include "core/QSerializable.h"
#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "platform/debug/DebugOutput.h"
#include "platform/log/InformationLog.h"
#include "platform/sync/CriticalSection.h"
#include "project/QMediatorFileFields.h"
#include "project/QNode.h"
#include "project/QNodeMediator.h"
#include "project/QProxyNodeMediator.h"
#include "project/QScanDataRecord.h"
#include "project/ScanRecordFields.h"
#include "project/TfrmMainApp.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace orv {
namespace {

constexpr const char* kNoNodeText = "A node of the project has no node data; the project was not saved.";
constexpr const char* kListChangedText =
    "The scans of a node changed while the project was saved; the project was not saved.";
constexpr const char* kUnstorablePointsText =
    "A spectral scan holds points of a kind a project file cannot store; the project was not saved.";
constexpr const char* kUnstorableValuesText =
    "A spatial scan holds values of a kind a project file cannot store; the project was not saved.";

// Places of the six header texts in a QScanDataRecord (user, analyser, module, date, scan head,
// last), in the file's order: date, scan head, first (user) text, analyser, third (module) text, last.
constexpr std::array<size_t, 6> kRecordTextOfFileText = {3, 4, 0, 1, 2, 5};

// --- File records into the add operations' records ---

QScanDataRecord MakeScanDataRecord(const QProjectScanHeader& header, uint16_t rows, uint16_t columns,
                                   uint8_t zeltFlag, uint8_t zeltLevel) {
    QScanDataRecord record;
    record.m_ScanId = static_cast<int32_t>(header.m_scanId);
    for (size_t i = 0; i < header.m_texts.size(); ++i) {
        record.m_Texts[kRecordTextOfFileText[i]] = header.m_texts[i];
    }
    record.m_StartFrequency = header.m_frequencies[0];
    record.m_StopFrequency = header.m_frequencies[1];
    record.m_CenterFrequency = header.m_frequencies[2];
    record.m_ResolutionBandwidth = header.m_frequencies[3];
    // The file takes the flag as signed; the scan data take any non-zero flag as Zelt data. A flag
    // the file reads as Mirt data must stay Mirt data in the scan.
    record.m_IsZeltData = IsZeltFlag(zeltFlag) ? zeltFlag : 0;
    record.m_MirtFlagByte = IsZeltFlag(zeltFlag) ? 0 : zeltFlag;
    record.m_ZeltLevel = zeltLevel;
    record.m_ReferenceLevel = header.m_referenceLevel;
    record.m_ValuesPerPoint = header.m_valuesPerPoint;
    record.m_PeakHold = header.m_peakHold;
    record.m_LevelOffset = header.m_levelOffset;
    const QProjectScanArea& area = header.m_area;
    CScanAreaRecord& kept = record.m_Area;
    kept.m_Variant = area.m_variant;
    kept.m_OverlayId = area.m_word0;
    kept.m_RotationCount = static_cast<int8_t>(area.m_byte1);
    kept.m_Values = area.m_values1to2;
    kept.m_Left = static_cast<int32_t>(area.m_words1to4[0]);
    kept.m_Top = static_cast<int32_t>(area.m_words1to4[1]);
    kept.m_Right = static_cast<int32_t>(area.m_words1to4[2]);
    kept.m_Bottom = static_cast<int32_t>(area.m_words1to4[3]);
    kept.m_OtherValues = area.m_values3to6;
    kept.m_OtherWord = area.m_word5;
    kept.m_OtherBytes = area.m_bytes2to4;
    record.m_SettingsBytes = header.m_settingsBytes;
    record.m_TailBytes = header.m_tailBytes;
    record.m_TailWord = header.m_tailWord;
    record.m_TailValue = header.m_tailValue;
    record.m_Rows = rows;
    record.m_Columns = columns;
    return record;
}

std::vector<QMeasuredFrequencyData::Entry> DecodeMeasuredFrequencies(int32_t count,
                                                                     const std::vector<uint8_t>& bytes) {
    std::vector<QMeasuredFrequencyData::Entry> entries;
    if (count <= 0) {
        return entries;
    }
    entries.resize(std::min<size_t>(static_cast<size_t>(count), bytes.size() / 8));
    const uint8_t* cursor = bytes.data();
    for (auto& entry : entries) {
        entry.m_Index = GetLE<uint32_t>(cursor);
        entry.m_Frequency = GetLE<float>(cursor);
    }
    return entries;
}

std::vector<std::pair<uint16_t, uint16_t>> DecodeMarkers(const QProjectSpectralScanRecord& record) {
    std::vector<std::pair<uint16_t, uint16_t>> markers(
        std::min<size_t>(record.m_markerCount, record.m_markers.size() / 4));
    const uint8_t* cursor = record.m_markers.data();
    for (auto& [row, column] : markers) {
        row = GetLE<uint16_t>(cursor);
        column = GetLE<uint16_t>(cursor);
    }
    return markers;
}

QSpectralScanAddition MakeSpectralAddition(QProjectSpectralScanRecord& record) {
    QSpectralScanAddition addition;
    addition.m_Record = MakeScanDataRecord(record.m_header, record.m_rows, record.m_columns,
                                           record.m_zeltFlag, record.m_zeltLevel);
    addition.m_Markers = DecodeMarkers(record);
    addition.m_HasPoints = true;
    const uint8_t* cursor = record.m_points.data();
    if (IsZeltFlag(record.m_zeltFlag)) {
        addition.m_ZeltPoints.resize(record.m_points.size() / 12);
        for (auto& point : addition.m_ZeltPoints) {
            point.m_Amplitude = GetLE<float>(cursor);
            point.m_Row = GetLE<uint16_t>(cursor);
            point.m_Column = GetLE<uint16_t>(cursor);
            point.m_SubRow = GetLE<uint16_t>(cursor);
            point.m_SubColumn = GetLE<uint16_t>(cursor);
        }
    } else {
        addition.m_MirtPoints.resize(record.m_points.size() / 6);
        for (auto& point : addition.m_MirtPoints) {
            point.m_Amplitude = GetLE<int16_t>(cursor);
            point.m_Row = GetLE<uint16_t>(cursor);
            point.m_Column = GetLE<uint16_t>(cursor);
        }
    }
    std::vector<uint8_t>().swap(record.m_points);
    addition.m_MeasuredFrequencies = DecodeMeasuredFrequencies(record.m_extraCount, record.m_extra);
    return addition;
}

QSpatialScanAddition MakeSpatialAddition(QProjectSpatialScanRecord& record) {
    QSpatialScanAddition addition;
    addition.m_Record = MakeScanDataRecord(record.m_header, record.m_rows, record.m_columns,
                                           record.m_zeltFlag, record.m_zeltLevel);
    addition.m_Record.m_SpatialBytes = {record.m_spatialByte1, record.m_spatialByte2};
    if (IsZeltFlag(record.m_zeltFlag)) {
        addition.m_ZeltRecords = std::move(record.m_zeltRecords);
    } else {
        addition.m_Values.resize(record.m_values.size() / 2);
        const uint8_t* cursor = record.m_values.data();
        for (int16_t& value : addition.m_Values) {
            value = GetLE<int16_t>(cursor);
        }
    }
    return addition;
}

// The cell's spectrum into the addition: Zelt data carry the four sub-cell words, then a float per
// value; Mirt data a 16-bit amplitude per value.
void DecodeCellValues(const QProjectCellEntry& cell, bool zelt, QCellAddition& addition) {
    const uint8_t* cursor = cell.m_values.data();
    if (zelt) {
        if (cell.m_values.size() < 8) {
            ThrowCorruptProject();
        }
        for (uint16_t& word : addition.m_ZeltWords) {
            word = GetLE<uint16_t>(cursor);
        }
        addition.m_ZeltValues.resize((cell.m_values.size() - 8) / 4);
        for (float& value : addition.m_ZeltValues) {
            value = GetLE<float>(cursor);
        }
    } else {
        addition.m_Values.resize(cell.m_values.size() / 2);
        for (int16_t& value : addition.m_Values) {
            value = GetLE<int16_t>(cursor);
        }
    }
}

// A hand-held scan read from a project file starts its views' peak offset below the noise floor.
constexpr float kHandHeldDisplayValue = -5.0F;

template <class Add>
void AddCells(QProjectSpectralSpatialScanRecord& record, int32_t scanID, bool handHeld, Add&& add) {
    const bool zelt = IsZeltFlag(record.m_zeltFlag);
    QScanDataRecord scanRecord = MakeScanDataRecord(record.m_header, record.m_rows, record.m_columns,
                                                    record.m_zeltFlag, record.m_zeltLevel);
    scanRecord.m_ScanId = scanID;
    scanRecord.m_ThirdFlag = record.m_thirdFlag;
    if (handHeld) {
        scanRecord.m_DisplayValue = kHandHeldDisplayValue;
    }
    const auto count = static_cast<uint32_t>(record.m_cells.size());
    for (uint32_t i = 0; i < count; ++i) {
        QProjectCellEntry& cell = record.m_cells[i];
        QCellAddition addition;
        addition.m_CellIndex = i + 1;
        addition.m_CellCount = count;
        addition.m_Record = scanRecord;
        addition.m_CellWord1 = cell.m_words[0];
        addition.m_CellWord2 = cell.m_words[1];
        addition.m_CellWord3 = cell.m_words[2];
        addition.m_CellValue = cell.m_value;
        addition.m_HasValues = true;
        DecodeCellValues(cell, zelt, addition);
        std::vector<uint8_t>().swap(cell.m_values);
        add(std::move(addition));
    }
}

// --- Scan data into file records ---

QProjectScanHeader MakeHeader(const CScanData& scan, bool spatial) {
    QProjectScanHeader header;
    header.m_scanId = scan.m_ScanId;
    const std::array<const std::string*, 6> recordTexts = {&scan.m_UserText,     &scan.m_AnalyzerText,
                                                           &scan.m_ModuleText,   &scan.m_DateText,
                                                           &scan.m_ScanHeadText, &scan.m_ExtraText};
    for (size_t i = 0; i < header.m_texts.size(); ++i) {
        header.m_texts[i] = *recordTexts[kRecordTextOfFileText[i]];
    }
    if (!spatial) {
        header.m_frequencies[0] = scan.m_StartFrequency;
        header.m_frequencies[1] = scan.m_StopFrequency;
    }
    header.m_frequencies[2] = scan.m_CenterFrequency;
    header.m_frequencies[3] = scan.m_ResolutionBandwidth;
    header.m_referenceLevel = scan.m_ReferenceLevel;
    header.m_valuesPerPoint = scan.m_ValuesPerPoint;
    header.m_peakHold = scan.m_PeakHold;
    header.m_levelOffset = scan.m_LevelOffset;
    header.m_settingsBytes = scan.m_SettingsBytes;
    const CScanAreaRecord& area = scan.GetScanArea();
    header.m_area.m_variant = area.m_Variant;
    header.m_area.m_word0 = area.m_OverlayId;
    header.m_area.m_byte1 = static_cast<uint8_t>(area.m_RotationCount);
    header.m_area.m_values1to2 = area.m_Values;
    header.m_area.m_words1to4 = {static_cast<uint32_t>(area.m_Left), static_cast<uint32_t>(area.m_Top),
                                 static_cast<uint32_t>(area.m_Right), static_cast<uint32_t>(area.m_Bottom)};
    header.m_area.m_values3to6 = area.m_OtherValues;
    header.m_area.m_word5 = area.m_OtherWord;
    header.m_area.m_bytes2to4 = area.m_OtherBytes;
    header.m_tailBytes = scan.m_TailBytes;
    header.m_tailWord = scan.m_TailWord;
    header.m_tailValue = scan.m_TailValue;
    return header;
}

void EncodeMeasuredFrequencies(const std::vector<QMeasuredFrequencyData::Entry>& entries, int32_t& count,
                               std::vector<uint8_t>& bytes) {
    count = static_cast<int32_t>(entries.size());
    bytes.resize(entries.size() * 8);
    uint8_t* cursor = bytes.data();
    for (const auto& entry : entries) {
        PutLE<uint32_t>(cursor, entry.m_Index);
        PutLE<float>(cursor, entry.m_Frequency);
    }
}

// The flag byte of Mirt data: the one it was read with; never one that would read as Zelt data.
uint8_t MirtFlagOf(const CScanData& scan) {
    return IsZeltFlag(scan.m_MirtFlagByte) ? 0 : scan.m_MirtFlagByte;
}

QNode& NodeOf(QNodeMediator& mediator) {
    QNode* node = mediator.GetEffectiveNode();
    if (node == nullptr) {
        throw QStorageLayerException(kNoNodeText);
    }
    return *node;
}

// Holds the node's lock while its frame is sized and written, so that both see the same body.
class NodeLock {
public:
    explicit NodeLock(QNode& node) : m_node(node) { m_node.LockScanContainer(); }
    ~NodeLock() { m_node.UnlockScanContainer(); }
    NodeLock(const NodeLock&) = delete;
    NodeLock& operator=(const NodeLock&) = delete;

private:
    QNode& m_node;
};

// Visits the scans of one list by ID, each looked up and turned into a record under the section. The
// scans are not prepared: a save writes what was loaded or measured, not what a build derived.
template <class Scan, class Record, class Find, class Make>
void VisitList(QNodeMediator& mediator, uint16_t kind, CriticalSection& section, Find&& find, Make&& make,
               const std::function<void(const Record&)>& visit) {
    for (int32_t scanID : mediator.GetScanIDs(kind)) {
        // Found (and read back from its scan file when kept out of memory) outside the section;
        // the record is made under it and written after it.
        Scan* scan = find(scanID);
        if (scan == nullptr) {
            throw QStorageLayerException(kListChangedText);
        }
        std::optional<Record> record;
        {
            CriticalSectionGuard guard(section);
            record.emplace(make(*scan));
        }
        visit(*record);
    }
}

} // namespace

QMediatorProjectFileModel::QMediatorProjectFileModel(QNodeFactory::FundamentalMediatorMaker makeFundamental)
    : m_makeFundamental(std::move(makeFundamental)) {}

QMediatorProjectFileModel::~QMediatorProjectFileModel() = default;

QOverlayControlList* QMediatorProjectFileModel::GetOverlayControls(TfrmMainApp* window) {
    return window != nullptr ? &window->GetOverlayControls() : nullptr;
}

QMediatorFileFields* QMediatorProjectFileModel::FindFileFields(QNodeMediator& mediator) {
    QNodeMediator* owner = &mediator;
    if (auto* proxy = dynamic_cast<QProxyNodeMediator*>(&mediator)) {
        owner = proxy->GetOwnMediator();
    }
    return owner != nullptr ? dynamic_cast<QMediatorFileFields*>(owner) : nullptr;
}

// --- Load ---

std::unique_ptr<QNodeMediator> QMediatorProjectFileModel::ReadNode(QDataReader& reader, QNodeMediator* parent,
                                                                   TfrmMainApp* window) {
    QNodeHeader header;
    header.Deserialize(reader);
    // The frame's size must fit the file and match what the body reads, or the entries after it
    // would be read from the wrong place.
    const uint32_t bodySize = header.GetHeaderBodySize();
    RequireProjectBytes(reader, bodySize);
    QNodeFactory factory = window != nullptr ? window->MakeNodeFactory() : QNodeFactory(m_makeFundamental);
    const uint16_t type = header.GetHeaderTypeId();
    std::unique_ptr<QNodeMediator> mediator = factory.CreateNodeWithMediator(
        parent, window != nullptr ? window->GetNodeContainer() : nullptr, type, nullptr, false);
    // The kind decides which scan lists and compared scans the mediator keeps; the project view sets
    // it again when it binds the node.
    mediator->SetKind(type);
    QNode& node = NodeOf(*mediator);
    node.CopyHeader(header);
    const uint64_t before = reader.GetRemaining();
    node.ReadBody(reader);
    if (before - reader.GetRemaining() != bodySize) {
        ThrowCorruptProject();
    }
    return mediator;
}

void QMediatorProjectFileModel::ResolveLinks(QNodeMediator& mediator, const QNodeIdMap& ids) {
    // Only a node that owns its node is a link target; a reference node never is.
    if (mediator.IsProxy()) {
        return;
    }
    QMediatorFileFields* fields = FindFileFields(mediator);
    if (fields == nullptr) {
        return;
    }
    for (uint32_t id : fields->TakePendingLinks()) {
        const auto found = ids.find(id);
        if (found == ids.end() || found->second == nullptr) {
            continue;
        }
        if (auto* proxy = dynamic_cast<QProxyNodeMediator*>(found->second)) {
            proxy->LinkToTarget(mediator);
        }
    }
}

int32_t QMediatorProjectFileModel::ListScanID(QNodeMediator& mediator, uint16_t kind, int32_t storedID,
                                              int32_t nextID) {
    const std::vector<int32_t> ids = mediator.GetScanIDs(kind);
    const int32_t listed = std::find(ids.begin(), ids.end(), storedID) == ids.end() ? storedID : nextID;
    ScanRenumbering& renumbering = m_renumbered[&mediator];
    // A report names the first scan of a stored ID; a repeated stored ID cannot be named apart.
    if (renumbering.m_stored.insert(storedID).second && listed != storedID) {
        renumbering.m_moved[storedID] = listed;
    }
    if (listed != storedID) {
        AddInformationMessage(
            0, FormatC("The scan %d of the node \"", storedID) + mediator.GetName() +
                   FormatC("\" has an ID that is already listed; it is listed as scan %d.", listed));
    }
    return listed;
}

void QMediatorProjectFileModel::BeginLoad() {
    m_renumbered.clear();
}

void QMediatorProjectFileModel::FinishLoad(const QNodeIdMap& ids) {
    for (const auto& [id, mediator] : ids) {
        if (mediator == nullptr || mediator->GetReportBuffers().empty()) {
            continue;
        }
        std::vector<_ReportGeneratorDataBuffer> buffers = mediator->GetReportBuffers();
        for (_ReportGeneratorDataBuffer& buffer : buffers) {
            const auto node = ids.find(static_cast<uint32_t>(buffer.m_NodeId));
            const auto renumbering = node != ids.end() ? m_renumbered.find(node->second) : m_renumbered.end();
            if (renumbering == m_renumbered.end()) {
                continue;
            }
            for (int32_t& scanID : buffer.m_ScanIds) {
                const auto moved = renumbering->second.m_moved.find(scanID);
                if (moved != renumbering->second.m_moved.end()) {
                    scanID = moved->second;
                }
            }
        }
        mediator->SetReportBuffers(std::move(buffers));
    }
    m_renumbered.clear();
}

void QMediatorProjectFileModel::AddSpectralScan(QNodeMediator& mediator,
                                                QProjectSpectralScanRecord&& record) {
    QSpectralScanAddition addition = MakeSpectralAddition(record);
    addition.m_Record.m_ScanId = ListScanID(mediator, kTypeSpectralScanNode, addition.m_Record.m_ScanId,
                                            mediator.GetNextSpectralScanID());
    mediator.AddSpectralScanData(std::move(addition), false, false);
}

void QMediatorProjectFileModel::AddSpatialScan(QNodeMediator& mediator, QProjectSpatialScanRecord&& record) {
    QSpatialScanAddition addition = MakeSpatialAddition(record);
    addition.m_Record.m_ScanId = ListScanID(mediator, kTypeSpatialScanNode, addition.m_Record.m_ScanId,
                                            mediator.GetNextSpatialScanID());
    mediator.AddSpatialScanData(std::move(addition), false, false);
}

void QMediatorProjectFileModel::AddSpectralSpatialScan(QNodeMediator& mediator,
                                                       QProjectSpectralSpatialScanRecord&& record) {
    const int32_t scanID =
        ListScanID(mediator, kTypeSpectralSpatialScanNode, static_cast<int32_t>(record.m_header.m_scanId),
                   mediator.GetNextSpectralSpatialScanID());
    AddCells(record, scanID, false, [&mediator](QCellAddition&& addition) {
        mediator.AddSpectralSpatialScanData(std::move(addition), false);
    });
    if (record.m_extraCount > 0) {
        // The closing call hands the scan its measured frequencies.
        QCellAddition closing;
        closing.m_Record = MakeScanDataRecord(record.m_header, record.m_rows, record.m_columns,
                                              record.m_zeltFlag, record.m_zeltLevel);
        closing.m_Record.m_ScanId = scanID;
        closing.m_Record.m_LevelOffset = 0.0F;
        closing.m_MeasuredFrequencies = DecodeMeasuredFrequencies(record.m_extraCount, record.m_extra);
        mediator.AddSpectralSpatialScanData(std::move(closing), false);
    }
}

void QMediatorProjectFileModel::AddHandHeldScan(QNodeMediator& mediator,
                                                QProjectSpectralSpatialScanRecord&& record) {
    const int32_t scanID =
        ListScanID(mediator, kTypeHandHeldProbeScanNode, static_cast<int32_t>(record.m_header.m_scanId),
                   mediator.GetNextHandHeldScanID());
    AddCells(record, scanID, true, [&mediator](QCellAddition&& addition) {
        mediator.AddHandHeldProbeScanData(std::move(addition), false);
    });
}

void QMediatorProjectFileModel::SetNodeValues(QNodeMediator& mediator, const QProjectNodeValues& values) {
    if (QMediatorFileFields* fields = FindFileFields(mediator)) {
        fields->SetNodeValues(values);
    } else if (values.m_flag != 0) {
        OutputDebugString("The node values of '" + mediator.GetName() + "' have no place in its mediator.\n");
    }
}

void QMediatorProjectFileModel::SetComparedSpectralScan(QNodeMediator& mediator, int slot,
                                                        std::unique_ptr<QProjectSpectralScanRecord> record) {
    std::unique_ptr<CSpectralScanData> scan;
    if (record != nullptr) {
        QSpectralScanAddition addition = MakeSpectralAddition(*record);
        scan = std::make_unique<CSpectralScanData>();
        const QScanDataRecord& fields = addition.m_Record;
        CopyCommonRecordFields(*scan, fields, &mediator);
        scan->m_StartFrequency = fields.m_StartFrequency;
        scan->m_StopFrequency = fields.m_StopFrequency;
        scan->SetProbeScanPattern(addition.m_Markers);
        if (fields.m_IsZeltData > 0) {
            scan->SetFloatPoints(std::move(addition.m_ZeltPoints), CSpectralScanData::kZeltPoints);
        } else {
            scan->SetMirtPoints(std::move(addition.m_MirtPoints));
        }
        scan->m_MeasuredFrequencies = std::move(addition.m_MeasuredFrequencies);
        // An overlay draws its reference scan at its own point spacing from the start.
        if (slot == 0 && mediator.GetKind() == kTypeSpectralOverlayNode) {
            scan->UpdateFrequencyStep();
        }
    }
    mediator.SetComparedScan(slot == 0, std::move(scan));
}

void QMediatorProjectFileModel::SetComparedSpatialScan(QNodeMediator& mediator, int slot,
                                                       std::unique_ptr<QProjectSpatialScanRecord> record) {
    std::unique_ptr<CSpatialScanData> scan;
    if (record != nullptr) {
        QSpatialScanAddition addition = MakeSpatialAddition(*record);
        scan = std::make_unique<CSpatialScanData>();
        const QScanDataRecord& fields = addition.m_Record;
        CopyCommonRecordFields(*scan, fields, &mediator);
        scan->m_SpatialBytes = fields.m_SpatialBytes;
        scan->m_Values = std::move(addition.m_Values);
        if (fields.m_IsZeltData > 0) {
            scan->SetZeltRecordBytes(addition.m_ZeltRecords);
        }
    }
    mediator.SetComparedScan(slot == 0, std::move(scan));
}

void QMediatorProjectFileModel::SetScriptPoints(QNodeMediator& mediator,
                                                std::vector<QProjectScriptPoint>&& points) {
    std::vector<SpectralSpatialScriptsDefinition>& definitions = mediator.GetScriptDefinitions();
    definitions.reserve(definitions.size() + points.size());
    for (const QProjectScriptPoint& point : points) {
        definitions.push_back({point[0], point[1], point[2], std::string()});
    }
}

void QMediatorProjectFileModel::SetReportSection(QNodeMediator& mediator, QProjectReportSection&& section) {
    // A group is a ticked node (its ID) and its ticked scans (their IDs), the same 32 bits each.
    std::vector<_ReportGeneratorDataBuffer> buffers;
    buffers.reserve(section.m_groups.size());
    for (QProjectReportGroup& group : section.m_groups) {
        _ReportGeneratorDataBuffer& buffer = buffers.emplace_back();
        buffer.m_NodeId = static_cast<int32_t>(group.m_key);
        buffer.m_ScanIds.assign(group.m_members.begin(), group.m_members.end());
    }
    mediator.SetReportBuffers(std::move(buffers));
    if (QMediatorFileFields* fields = FindFileFields(mediator)) {
        fields->SetReportText(std::move(section.m_text));
    } else if (!section.m_text.empty()) {
        OutputDebugString("The report text of '" + mediator.GetName() + "' has no place in its mediator.\n");
    }
}

// --- Both ---

uint32_t QMediatorProjectFileModel::GetNodeID(QNodeMediator& mediator) {
    return mediator.GetNodeID();
}

uint16_t QMediatorProjectFileModel::GetTypeID(QNodeMediator& mediator) {
    return NodeOf(mediator).GetTypeID();
}

std::string QMediatorProjectFileModel::GetName(QNodeMediator& mediator) {
    return mediator.GetName();
}

// --- Save ---

bool QMediatorProjectFileModel::IsScanRunning(QNodeMediator& mediator) {
    return mediator.IsScanning() || mediator.IsScanInProgress();
}

void QMediatorProjectFileModel::WriteNode(QDataWriter& writer, QNodeMediator& mediator) {
    QNode& node = NodeOf(mediator);
    NodeLock lock(node);
    node.Serialize(writer);
}

uint32_t QMediatorProjectFileModel::GetScanCount(QNodeMediator& mediator) {
    const uint16_t kind = GetTypeID(mediator);
    switch (kind) {
    case kTypeSpectralScanNode:
    case kTypeSpatialScanNode:
    case kTypeSpectralSpatialScanNode:
    case kTypeHandHeldProbeScanNode:
        return static_cast<uint32_t>(mediator.GetScanIDs(kind).size());
    default:
        return 0;
    }
}

QProjectSpectralScanRecord QMediatorProjectFileModel::MakeSpectralRecord(const CSpectralScanData& scan) {
    QProjectSpectralScanRecord record;
    record.m_header = MakeHeader(scan, false);
    record.m_rows = scan.m_Rows;
    record.m_columns = scan.m_Columns;
    record.m_zeltLevel = scan.m_ZeltLevel;
    record.m_markerCount = static_cast<uint32_t>(scan.m_ProbeCells.size());
    record.m_markers.resize(scan.m_ProbeCells.size() * 4);
    uint8_t* cursor = record.m_markers.data();
    for (const auto& [row, column] : scan.m_ProbeCells) {
        PutLE<uint16_t>(cursor, row);
        PutLE<uint16_t>(cursor, column);
    }
    if (scan.GetPointFormat() == CSpectralScanData::kZeltPoints) {
        const std::vector<CFloatSpectralPoint>& points = scan.GetFloatPoints();
        record.m_zeltFlag = IsZeltFlag(scan.m_IsZeltData) ? scan.m_IsZeltData : 1;
        record.m_pointCount = static_cast<uint32_t>(points.size());
        record.m_points.resize(points.size() * 12);
        cursor = record.m_points.data();
        for (const CFloatSpectralPoint& point : points) {
            PutLE<float>(cursor, point.m_Amplitude);
            PutLE<uint16_t>(cursor, point.m_Row);
            PutLE<uint16_t>(cursor, point.m_Column);
            PutLE<uint16_t>(cursor, point.m_SubRow);
            PutLE<uint16_t>(cursor, point.m_SubColumn);
        }
    } else if (scan.GetPointFormat() == CSpectralScanData::kMirtPoints) {
        const std::vector<QSpectralPoint>& points = scan.GetMirtPoints();
        record.m_zeltFlag = MirtFlagOf(scan);
        record.m_pointCount = static_cast<uint32_t>(points.size());
        record.m_points.resize(points.size() * 6);
        cursor = record.m_points.data();
        for (const QSpectralPoint& point : points) {
            PutLE<int16_t>(cursor, point.m_Amplitude);
            PutLE<uint16_t>(cursor, point.m_Row);
            PutLE<uint16_t>(cursor, point.m_Column);
        }
    } else {
        // The float points of a comparison result have no stored form.
        throw QStorageLayerException(kUnstorablePointsText);
    }
    EncodeMeasuredFrequencies(scan.m_MeasuredFrequencies, record.m_extraCount, record.m_extra);
    return record;
}

QProjectSpatialScanRecord QMediatorProjectFileModel::MakeSpatialRecord(const CSpatialScanData& scan) {
    QProjectSpatialScanRecord record;
    record.m_header = MakeHeader(scan, true);
    record.m_rows = scan.m_Rows;
    record.m_columns = scan.m_Columns;
    record.m_zeltLevel = scan.m_ZeltLevel;
    record.m_spatialByte1 = scan.m_SpatialBytes[0];
    record.m_spatialByte2 = scan.m_SpatialBytes[1];
    if (IsZeltFlag(scan.m_IsZeltData)) {
        record.m_zeltFlag = scan.m_IsZeltData;
        record.m_zeltRecords.resize(scan.m_ZeltRecords.size() * CSpatialScanData::kRecordBytes);
        uint8_t* cursor = record.m_zeltRecords.data();
        for (const CZeltSpatialRecord& zelt : scan.m_ZeltRecords) {
            PutLE<uint16_t>(cursor, zelt.m_Row);
            PutLE<uint16_t>(cursor, zelt.m_Column);
            PutLE<uint16_t>(cursor, zelt.m_SubRow);
            PutLE<uint16_t>(cursor, zelt.m_SubColumn);
            PutLE<float>(cursor, zelt.m_Value);
        }
    } else {
        if (scan.HoldsFloatValues()) {
            throw QStorageLayerException(kUnstorableValuesText);
        }
        record.m_zeltFlag = MirtFlagOf(scan);
        record.m_values.resize(scan.m_Values.size() * 2);
        uint8_t* cursor = record.m_values.data();
        for (int16_t value : scan.m_Values) {
            PutLE<int16_t>(cursor, value);
        }
    }
    return record;
}

QProjectSpectralSpatialScanRecord
QMediatorProjectFileModel::MakeSpectralSpatialRecord(const CSpectralSpatialScanData& scan) {
    QProjectSpectralSpatialScanRecord record;
    record.m_header = MakeHeader(scan, false);
    record.m_rows = scan.m_Rows;
    record.m_columns = scan.m_Columns;
    const bool zelt = IsZeltFlag(scan.m_IsZeltData);
    record.m_zeltFlag = zelt ? scan.m_IsZeltData : MirtFlagOf(scan);
    record.m_zeltLevel = scan.m_ZeltLevel;
    record.m_thirdFlag = scan.m_ThirdFlag;
    EncodeMeasuredFrequencies(scan.m_MeasuredFrequencies, record.m_extraCount, record.m_extra);
    record.m_cells.resize(scan.m_Units.size());
    for (size_t i = 0; i < scan.m_Units.size(); ++i) {
        const _SpectralSpatialScanDataUnit& unit = *scan.m_Units[i];
        QProjectCellEntry& cell = record.m_cells[i];
        cell.m_words = {unit.m_Row, unit.m_Column, unit.m_CellWord3};
        cell.m_value = unit.m_CellValue;
        cell.m_valueCount = unit.GetPointCount(zelt);
        cell.m_values.resize(
            static_cast<size_t>(QProjectCellEntry::ValueBytes(cell.m_valueCount, record.m_zeltFlag)));
        uint8_t* cursor = cell.m_values.data();
        if (zelt) {
            for (uint16_t word : unit.m_Words) {
                PutLE<uint16_t>(cursor, word);
            }
            for (float value : unit.m_ZeltAmplitudes) {
                PutLE<float>(cursor, value);
            }
        } else {
            for (int16_t value : unit.m_Amplitudes) {
                PutLE<int16_t>(cursor, value);
            }
        }
    }
    return record;
}

void QMediatorProjectFileModel::VisitSpectralScans(
    QNodeMediator& mediator, const std::function<void(const QProjectSpectralScanRecord&)>& visit) {
    VisitList<CSpectralScanData, QProjectSpectralScanRecord>(
        mediator, kTypeSpectralScanNode, mediator.GetFirstCriticalSection(),
        [&mediator](int32_t id) { return mediator.FindSpectralScanData(id); }, MakeSpectralRecord, visit);
}

void QMediatorProjectFileModel::VisitSpatialScans(
    QNodeMediator& mediator, const std::function<void(const QProjectSpatialScanRecord&)>& visit) {
    VisitList<CSpatialScanData, QProjectSpatialScanRecord>(
        mediator, kTypeSpatialScanNode, mediator.GetFirstCriticalSection(),
        [&mediator](int32_t id) { return mediator.FindSpatialScanData(id); }, MakeSpatialRecord, visit);
}

void QMediatorProjectFileModel::VisitSpectralSpatialScans(
    QNodeMediator& mediator, const std::function<void(const QProjectSpectralSpatialScanRecord&)>& visit) {
    VisitList<CSpectralSpatialScanData, QProjectSpectralSpatialScanRecord>(
        mediator, kTypeSpectralSpatialScanNode, mediator.GetSecondCriticalSection(),
        [&mediator](int32_t id) { return mediator.FindSpectralSpatialScanData(id); },
        MakeSpectralSpatialRecord, visit);
}

void QMediatorProjectFileModel::VisitHandHeldScans(
    QNodeMediator& mediator, const std::function<void(const QProjectSpectralSpatialScanRecord&)>& visit) {
    VisitList<CHandHeldProbeScanData, QProjectSpectralSpatialScanRecord>(
        mediator, kTypeHandHeldProbeScanNode, mediator.GetSecondCriticalSection(),
        [&mediator](int32_t id) { return mediator.FindHandHeldProbeScanData(id); },
        [](const CHandHeldProbeScanData& scan) { return MakeSpectralSpatialRecord(scan); }, visit);
}

QProjectNodeValues QMediatorProjectFileModel::GetNodeValues(QNodeMediator& mediator) {
    QMediatorFileFields* fields = FindFileFields(mediator);
    return fields != nullptr ? fields->GetNodeValues() : QProjectNodeValues{};
}

bool QMediatorProjectFileModel::VisitComparedSpectralScan(
    QNodeMediator& mediator, int slot, const std::function<void(const QProjectSpectralScanRecord&)>& visit) {
    CriticalSectionGuard guard(mediator.GetFirstCriticalSection());
    const auto* scan = dynamic_cast<const CSpectralScanData*>(mediator.GetComparedScan(slot == 0));
    if (scan == nullptr) {
        return false;
    }
    visit(MakeSpectralRecord(*scan));
    return true;
}

bool QMediatorProjectFileModel::VisitComparedSpatialScan(
    QNodeMediator& mediator, int slot, const std::function<void(const QProjectSpatialScanRecord&)>& visit) {
    CriticalSectionGuard guard(mediator.GetFirstCriticalSection());
    const auto* scan = dynamic_cast<const CSpatialScanData*>(mediator.GetComparedScan(slot == 0));
    if (scan == nullptr) {
        return false;
    }
    visit(MakeSpatialRecord(*scan));
    return true;
}

std::vector<QProjectScriptPoint> QMediatorProjectFileModel::GetScriptPoints(QNodeMediator& mediator) {
    std::vector<QProjectScriptPoint> points;
    for (const SpectralSpatialScriptsDefinition& definition : mediator.GetScriptDefinitions()) {
        points.push_back({definition.m_startFrequency, definition.m_stopFrequency, definition.m_value});
    }
    return points;
}

QProjectReportSection QMediatorProjectFileModel::GetReportSection(QNodeMediator& mediator) {
    QProjectReportSection section;
    for (const _ReportGeneratorDataBuffer& buffer : mediator.GetReportBuffers()) {
        QProjectReportGroup& group = section.m_groups.emplace_back();
        group.m_key = static_cast<uint32_t>(buffer.m_NodeId);
        group.m_members.assign(buffer.m_ScanIds.begin(), buffer.m_ScanIds.end());
    }
    if (QMediatorFileFields* fields = FindFileFields(mediator)) {
        section.m_text = fields->GetReportText();
    }
    return section;
}

} // namespace orv
