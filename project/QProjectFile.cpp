#include "project/QProjectFile.h"

#include "core/QException.h"
#include "core/TypeIds.h"
#include "platform/debug/DebugOutput.h"
#include "platform/ui/Prompt.h"
#include "project/QFileSystemProjectStorageManager.h"
#include "project/QNodeMediator.h"
#include "project/QOverlayControlList.h"
#include "project/QProjectFileReader.h"

#include <filesystem>
#include <system_error>

namespace orv {
namespace {

// The node frame (7 bytes at least) and, after the first, the two ids and the reserved block.
constexpr uint64_t kSmallestLaterEntry = 4 + 4 + 7 + kNodeEntryReservedBytes;

void RefuseCorruptPairs(const QNodePairList& pairs, QProjectFileModel& model) {
    if (pairs.size() < 2 || pairs[0].m_node == nullptr ||
        model.GetTypeID(*pairs[0].m_node) != kTypePreferencesNode) {
        throw QStorageLayerException(kCorruptProjectMessage);
    }
    for (const QNodePair& pair : pairs) {
        if (pair.m_node == nullptr) {
            throw QStorageLayerException(kCorruptProjectMessage);
        }
    }
}

// Anything at the path counts: a FIFO or folder there must reach the opener and give its error, not
// pass for a project that was never saved.
bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

} // namespace

QProjectFile::QProjectFile(QProjectFileModel& model, const std::array<int16_t, 4>& programVersion)
    : m_model(model), m_programVersion(programVersion) {}

void QProjectFile::WriteProject(QDataWriter& writer, TfrmMainApp* window, const QNodePairList& pairs,
                                uint32_t nextNodeId) {
    RefuseCorruptPairs(pairs, m_model);
    for (const QNodePair& pair : pairs) {
        if (m_model.IsScanRunning(*pair.m_node)) {
            throw QStorageLayerException(kScanRunningMessage);
        }
    }
    for (int16_t part : m_programVersion) {
        writer.WriteI16(part);
    }
    if (QOverlayControlList* overlays = m_model.GetOverlayControls(window)) {
        overlays->WriteOverlayControls(writer);
    } else {
        writer.WriteU32(0);
    }
    writer.WriteU32(static_cast<uint32_t>(pairs.size()));
    writer.WriteU32(nextNodeId);
    const bool reservedBlock = ComputeVersionValue(m_programVersion) >= kReservedBlockVersionValue;
    for (size_t i = 0; i < pairs.size(); ++i) {
        QNodeMediator& node = *pairs[i].m_node;
        if (i == 0) {
            m_model.WriteNode(writer, node);
            continue;
        }
        writer.WriteU32(m_model.GetNodeID(node));
        // The root names itself as its parent.
        writer.WriteU32(m_model.GetNodeID(pairs[i].m_parent != nullptr ? *pairs[i].m_parent : node));
        m_model.WriteNode(writer, node);
        if (reservedBlock) {
            static constexpr std::array<uint8_t, kNodeEntryReservedBytes> kZeros{};
            writer.Write(kZeros.data(), kNodeEntryReservedBytes);
        }
        WriteKindSection(writer, node, m_model.GetTypeID(node));
    }
}

void QProjectFile::WriteKindSection(QDataWriter& writer, QNodeMediator& mediator, uint16_t typeId) {
    // The list must not change between its count and its records; a mismatch would corrupt the file.
    uint32_t written = 0;
    uint32_t count = 0;
    const auto checkCount = [&] {
        if (written != count) {
            throw QStorageLayerException(
                "The scans of a node changed while the project was saved; the project "
                "was not saved.");
        }
    };
    switch (typeId) {
    case kTypeSpectralScanNode:
        count = m_model.GetScanCount(mediator);
        writer.WriteU32(count);
        m_model.VisitSpectralScans(mediator, [&](const QProjectSpectralScanRecord& record) {
            ++written;
            WriteSpectralScanRecord(writer, record);
        });
        checkCount();
        break;
    case kTypeSpatialScanNode:
        count = m_model.GetScanCount(mediator);
        writer.WriteU32(count);
        m_model.VisitSpatialScans(mediator, [&](const QProjectSpatialScanRecord& record) {
            ++written;
            WriteSpatialScanRecord(writer, record);
        });
        checkCount();
        break;
    case kTypeSpectralSpatialScanNode: {
        const QProjectNodeValues values = m_model.GetNodeValues(mediator);
        writer.WriteU8(values.m_flag);
        if (values.m_flag == 1) {
            for (float value : values.m_values) {
                writer.WriteF32(value);
            }
        }
        count = m_model.GetScanCount(mediator);
        writer.WriteU32(count);
        m_model.VisitSpectralSpatialScans(mediator, [&](const QProjectSpectralSpatialScanRecord& record) {
            ++written;
            WriteSpectralSpatialScanRecord(writer, record, false);
        });
        checkCount();
        break;
    }
    case kTypeHandHeldProbeScanNode:
        count = m_model.GetScanCount(mediator);
        writer.WriteU32(count);
        m_model.VisitHandHeldScans(mediator, [&](const QProjectSpectralSpatialScanRecord& record) {
            ++written;
            WriteSpectralSpatialScanRecord(writer, record, true);
        });
        checkCount();
        break;
    case kTypeSpectralComparisonNode:
    case kTypeSpectralOverlayNode:
        for (int slot = 0; slot < 2; ++slot) {
            // The record is made before the flag is known; it is written after it.
            std::unique_ptr<QProjectSpectralScanRecord> scan;
            m_model.VisitComparedSpectralScan(mediator, slot, [&](const QProjectSpectralScanRecord& record) {
                scan = std::make_unique<QProjectSpectralScanRecord>(record);
            });
            writer.WriteU8(scan ? 1 : 0);
            if (scan) {
                WriteSpectralScanRecord(writer, *scan);
            }
        }
        break;
    case kTypeSpatialComparisonNode:
    case kTypeBlindSpotReductionNode:
        for (int slot = 0; slot < 2; ++slot) {
            std::unique_ptr<QProjectSpatialScanRecord> scan;
            m_model.VisitComparedSpatialScan(mediator, slot, [&](const QProjectSpatialScanRecord& record) {
                scan = std::make_unique<QProjectSpatialScanRecord>(record);
            });
            writer.WriteU8(scan ? 1 : 0);
            if (scan) {
                WriteSpatialScanRecord(writer, *scan);
            }
        }
        break;
    case kTypeSpectralSpatialScriptingModuleNode:
        WriteScriptPoints(writer, m_model.GetScriptPoints(mediator));
        break;
    case kTypeWordReportNode:
        WriteReportSection(writer, m_model.GetReportSection(mediator));
        break;
    default:
        break;
    }
}

QProjectFile::LoadResult QProjectFile::ReadProject(QDataReader& source, TfrmMainApp* window,
                                                   QNodePairList& pairs) {
    QProjectFileReader reader(source);
    LoadResult result;
    RequireProjectBytes(reader, 8);
    for (int16_t& part : result.m_fileVersion) {
        part = reader.ReadI16();
    }
    const int64_t fileVersion = ComputeVersionValue(result.m_fileVersion);
    if (fileVersion < kOldestSupportedVersionValue) {
        ShowPrompt(kUnsupportedVersionMessage, "", PromptButtons::Ok, PromptIcon::None);
        return result;
    }
    if (ComputeVersionValue(m_programVersion) < fileVersion) {
        ShowPrompt(kNewerVersionMessage, "", PromptButtons::Ok, PromptIcon::None);
    }
    // The window keeps its overlays until the whole project was read: a failed load must not leave
    // half a project's overlays behind, nor mix them with another project's.
    QOverlayControlList overlays;
    overlays.ReadOverlayControls(reader);
    RequireProjectBytes(reader, 8);
    const uint32_t count = reader.ReadU32();
    result.m_nextNodeId = reader.ReadU32();
    // The Preferences node and the root at least; every entry takes a frame, the later ones more.
    if (count < 2) {
        ThrowCorruptProject();
    }
    RequireProjectBytes(reader, 7 + (static_cast<uint64_t>(count) - 1) * kSmallestLaterEntry);

    QNodeIdMap ids;
    m_model.BeginLoad();
    const auto lookUp = [&ids](uint32_t id) -> QNodeMediator* {
        const auto found = ids.find(id);
        return found == ids.end() ? nullptr : found->second;
    };
    pairs.reserve(pairs.size() + count);
    const size_t firstPair = pairs.size();
    for (uint32_t i = 0; i < count; ++i) {
        if (i == 0) {
            std::unique_ptr<QNodeMediator> node = m_model.ReadNode(reader, nullptr, window);
            if (m_model.GetTypeID(*node) != kTypePreferencesNode) {
                ThrowCorruptProject();
            }
            ids[kFirstEntryNodeId] = node.get();
            pairs.push_back({node.get(), node.get()});
            node.release();
            continue;
        }
        RequireProjectBytes(reader, 8);
        const uint32_t nodeId = reader.ReadU32();
        const uint32_t parentId = reader.ReadU32();
        std::unique_ptr<QNodeMediator> owned = m_model.ReadNode(reader, lookUp(parentId), window);
        QNodeMediator& node = *owned;
        OutputDebugString("Node name: " + m_model.GetName(node) + "\n");
        ids.insert_or_assign(nodeId, &node);
        pairs.push_back({&node, lookUp(parentId)});
        owned.release();
        RequireProjectBytes(reader, kNodeEntryReservedBytes);
        std::array<uint8_t, kNodeEntryReservedBytes> reserved{};
        reader.Read(reserved.data(), kNodeEntryReservedBytes);
        ReadKindSection(reader, node, m_model.GetTypeID(node));
    }
    for (size_t i = firstPair + 1; i < pairs.size(); ++i) {
        m_model.ResolveLinks(*pairs[i].m_node, ids);
    }
    m_model.FinishLoad(ids);
    if (QOverlayControlList* windowOverlays = m_model.GetOverlayControls(window)) {
        windowOverlays->Swap(overlays);
    }
    result.m_loaded = true;
    return result;
}

void QProjectFile::ReadKindSection(QDataReader& reader, QNodeMediator& mediator, uint16_t typeId) {
    const auto readCount = [&reader] {
        RequireProjectBytes(reader, 4);
        return PositiveCount(reader.ReadU32());
    };
    switch (typeId) {
    case kTypeSpectralScanNode:
        for (uint32_t i = 0, n = readCount(); i < n; ++i) {
            QProjectSpectralScanRecord record;
            ReadSpectralScanRecord(reader, record);
            // A record without points adds nothing; it was read through all the same.
            if (PositiveCount(record.m_pointCount) > 0) {
                m_model.AddSpectralScan(mediator, std::move(record));
            }
        }
        break;
    case kTypeSpatialScanNode:
        for (uint32_t i = 0, n = readCount(); i < n; ++i) {
            QProjectSpatialScanRecord record;
            ReadSpatialScanRecord(reader, record);
            m_model.AddSpatialScan(mediator, std::move(record));
        }
        break;
    case kTypeSpectralSpatialScanNode: {
        OutputDebugString("Load the node of 'eSPECTRAL_SPATIAL_SCAN_NODE_TYPE'.\n");
        QProjectNodeValues values;
        RequireProjectBytes(reader, 1);
        values.m_flag = reader.ReadU8();
        if (values.m_flag == 1) {
            RequireProjectBytes(reader, 12);
            for (float& value : values.m_values) {
                value = reader.ReadF32();
            }
        }
        m_model.SetNodeValues(mediator, values);
        for (uint32_t i = 0, n = readCount(); i < n; ++i) {
            QProjectSpectralSpatialScanRecord record;
            ReadSpectralSpatialScanRecord(reader, record, false);
            m_model.AddSpectralSpatialScan(mediator, std::move(record));
        }
        break;
    }
    case kTypeHandHeldProbeScanNode:
        OutputDebugString("Load the node of 'eHAND_HELD_PROBE_SCAN_NODE_TYPE'.\n");
        for (uint32_t i = 0, n = readCount(); i < n; ++i) {
            QProjectSpectralSpatialScanRecord record;
            ReadSpectralSpatialScanRecord(reader, record, true);
            m_model.AddHandHeldScan(mediator, std::move(record));
        }
        break;
    case kTypeSpectralComparisonNode:
        OutputDebugString("Load the node of 'eSPECTRAL_COMPARISON_NODE_TYPE'.\n");
        ReadComparedSpectral(reader, mediator);
        break;
    case kTypeSpectralOverlayNode:
        OutputDebugString("Load the node of 'eSPECTRAL_OVERLAY_NODE_TYPE'.\n");
        ReadComparedSpectral(reader, mediator);
        break;
    case kTypeSpatialComparisonNode:
        OutputDebugString("Load the node of 'eSPATIAL_COMPARISON_NODE_TYPE'.\n");
        ReadComparedSpatial(reader, mediator);
        break;
    case kTypeBlindSpotReductionNode:
        OutputDebugString("Load the node of 'eBLIND_SPOT_REDUCTION_NODE_TYPE'.\n");
        ReadComparedSpatial(reader, mediator);
        break;
    case kTypeSpectralSpatialScriptingModuleNode: {
        OutputDebugString("Load the node of 'eSPECTRAL_SPATIAL_SCRIPTING_MODULE_NODE_TYPE'.\n");
        std::vector<QProjectScriptPoint> points;
        ReadScriptPoints(reader, points);
        m_model.SetScriptPoints(mediator, std::move(points));
        break;
    }
    case kTypeWordReportNode: {
        OutputDebugString("Load the node of 'eWORD_REPORT_NODE_TYPE'.\n");
        QProjectReportSection section;
        ReadReportSection(reader, section);
        m_model.SetReportSection(mediator, std::move(section));
        break;
    }
    default:
        break;
    }
}

// A compared scan without points (or cells) is taken as absent, so that one empty scan does not stop
// the rest of the project from loading.
void QProjectFile::ReadComparedSpectral(QDataReader& reader, QNodeMediator& mediator) {
    for (int slot = 0; slot < 2; ++slot) {
        RequireProjectBytes(reader, 1);
        std::unique_ptr<QProjectSpectralScanRecord> scan;
        if (reader.ReadU8() == 1) {
            scan = std::make_unique<QProjectSpectralScanRecord>();
            ReadSpectralScanRecord(reader, *scan);
            if (PositiveCount(scan->m_pointCount) == 0) {
                scan.reset();
            }
        }
        m_model.SetComparedSpectralScan(mediator, slot, std::move(scan));
    }
}

void QProjectFile::ReadComparedSpatial(QDataReader& reader, QNodeMediator& mediator) {
    for (int slot = 0; slot < 2; ++slot) {
        RequireProjectBytes(reader, 1);
        std::unique_ptr<QProjectSpatialScanRecord> scan;
        if (reader.ReadU8() == 1) {
            scan = std::make_unique<QProjectSpatialScanRecord>();
            ReadSpatialScanRecord(reader, *scan);
            if (scan->IsEmpty()) {
                scan.reset();
            }
        }
        m_model.SetComparedSpatialScan(mediator, slot, std::move(scan));
    }
}

bool QProjectFile::SaveProject(QFileSystemProjectStorageManager& storage, TfrmMainApp* window,
                               const QNodePairList& pairs, QStorageErrorList& /*errors*/) {
    std::unique_ptr<QFileDataWriter> writer = storage.GetFileStore().CreateProjectFileWriter();
    if (!writer) {
        return false;
    }
    WriteProject(*writer, window, pairs, storage.GetNextNodeId());
    // Only a whole, synced file replaces the old one; the counter follows only then.
    writer->Close();
    storage.SetCommittedNodeId(storage.GetNextNodeId());
    return true;
}

bool QProjectFile::LoadProject(QFileSystemProjectStorageManager& storage, TfrmMainApp* window,
                               QNodePairList& pairs, QStorageErrorList& /*errors*/) {
    const QProjectFileStore& store = storage.GetFileStore();
    if (!FileExists(store.BuildProjectFilePath(false))) {
        return false;
    }
    std::unique_ptr<QFileDataReader> file = store.OpenProjectFileReader();
    if (!file) {
        return false;
    }
    const LoadResult result = ReadProject(*file, window, pairs);
    file->Close();
    std::array<uint16_t, 4> version{};
    for (size_t i = 0; i < 4; ++i) {
        version[i] = static_cast<uint16_t>(result.m_fileVersion[i]);
    }
    storage.SetFileVersion(version);
    if (!result.m_loaded) {
        return false;
    }
    storage.SetNextNodeId(result.m_nextNodeId);
    storage.SetCommittedNodeId(result.m_nextNodeId);
    return true;
}

bool QProjectFile::ValidateNodes(QFileSystemProjectStorageManager& storage, QNodePairList& pairs,
                                 QStorageErrorList& /*errors*/) {
    const QProjectFileStore& store = storage.GetFileStore();
    if (!FileExists(store.BuildStoredFilePath(kStoredNodeTable, false, 0, false))) {
        return false;
    }
    const QNodeTable table = store.ReadNodeTableFile();
    storage.SetNextNodeId(table.m_nextNodeId);
    storage.SetCommittedNodeId(table.m_nextNodeId);
    QNodeIdMap ids;
    const size_t firstPair = pairs.size();
    for (const QNodeTable::Entry& entry : table.m_entries) {
        std::unique_ptr<QFileDataReader> file = store.OpenStoredFileReader(kStoredNodeFile, entry.m_nodeId);
        QProjectFileReader reader(*file);
        RequireProjectBytes(reader, 4);
        const uint32_t parentId = reader.ReadU32();
        std::unique_ptr<QNodeMediator> node = m_model.ReadNode(reader, nullptr, nullptr);
        file->Close();
        if (m_model.GetNodeID(*node) != entry.m_nodeId || parentId != entry.m_parentId) {
            throw QStorageLayerException("One or more files for this project appear to have been corrupted.\n"
                                         "Detected invalid node ID.");
        }
        ids.insert_or_assign(entry.m_nodeId, node.get());
        const auto parent = ids.find(entry.m_parentId);
        pairs.push_back({node.get(), parent == ids.end() ? nullptr : parent->second});
        node.release();
    }
    for (size_t i = firstPair; i < pairs.size(); ++i) {
        m_model.ResolveLinks(*pairs[i].m_node, ids);
    }
    return true;
}

} // namespace orv
