#include "project/QFileSystemProjectStorageManager.h"

#include "core/QException.h"
#include "platform/fs/FileIo.h"
#include "project/FolderTree.h"
#include "project/QCellDataFile.h"
#include "project/QFileSystemRepositoryManager.h"
#include "project/QNode.h"
#include "project/QNodeMediator.h"
#include "project/QNodeTable.h"
#include "scandata/QCableScanContainer.h"
#include "scandata/QCurrentClampModuleContainer.h"
#include "scandata/QScanContainer.h"
#include "scandata/QSimpleScanContainer.h"
#include "scandata/QSpectralSpatialScanContainer.h"

#include <filesystem>
#include <limits>
#include <optional>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace orv {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void FailUnknown() {
    throw QStorageLayerException("Error#332: Unknown storage layer error.");
}

[[noreturn]] void FailCopy(const std::string& source, const std::string& destination) {
    throw QStorageLayerException("Error#323: Unable to copy file: " + source + " -> " + destination + ".");
}

// Holds a node's container lock from construction to destruction, so that every way out of a store
// or load releases it; the lock released is the one taken, whatever the mediator routes to by then.
class ContainerLock {
public:
    explicit ContainerLock(QNodeMediator& mediator) : m_held(mediator.AcquireHeldScanContainer()) {}
    ContainerLock(const ContainerLock&) = delete;
    ContainerLock& operator=(const ContainerLock&) = delete;
    ~ContainerLock() {
        if (m_held.m_Lock != nullptr) {
            m_held.m_Lock->Unlock();
        }
    }

    // The container as the kind the operation serves; null for a mediator without a node. A node
    // whose container is of another kind reached the wrong operation.
    template <class Kind> Kind* As() const {
        if (m_held.m_Container == nullptr) {
            return nullptr;
        }
        auto* kind = dynamic_cast<Kind*>(m_held.m_Container);
        if (kind == nullptr) {
            FailUnknown();
        }
        return kind;
    }

private:
    QHeldScanContainer m_held;
};

// A whole-file copy that replaces the destination, creating its folders first.
// A FIFO or device where a stored file should be fails with the opening error at once.
void RequireRegularFile(const std::string& path) {
    const int probe = OpenRegularFileForReading(path, std::numeric_limits<uint64_t>::max(), nullptr, nullptr);
    if (probe < 0) {
        throw QStorageLayerException("Error#311: Error opening file: " + path + ".");
    }
    ::close(probe);
}

void CopyReplacing(const std::string& source, const std::string& destination) {
    std::error_code ec;
    fs::create_directories(fs::path(destination).parent_path(), ec);
    if (!fs::is_regular_file(source, ec) ||
        !fs::copy_file(source, destination, fs::copy_options::overwrite_existing, ec) || ec) {
        FailCopy(source, destination);
    }
}

// Unchanged since it was last stored or loaded: it holds scan data, nothing arrived since the scan
// started, and nothing was added that the saved copy lacks. A container that took new data is
// written from memory even when a new scan has started since, or the new data would be lost.
bool IsUnchanged(const QScanContainer& container) {
    return !container.IsStale() && !container.IsUpdated();
}

} // namespace

QFileSystemProjectStorageManager::QFileSystemProjectStorageManager(
    std::shared_ptr<QFileSystemProjectDescriptor> project, QFileSystemRepositoryManager& repository,
    std::shared_ptr<QProjectFileOperations> fileOperations)
    : m_store(std::move(project)), m_repository(repository), m_fileOperations(std::move(fileOperations)) {
    if (!m_store.GetProject() || !m_fileOperations) {
        FailUnknown();
    }
}

QFileSystemProjectStorageManager::~QFileSystemProjectStorageManager() = default;

bool QFileSystemProjectStorageManager::WriteNodeTable(const QNodePairList& pairs) {
    QNodeTable table;
    table.m_nextNodeId = m_nextNodeId;
    table.m_entries.reserve(pairs.size());
    for (const QNodePair& pair : pairs) {
        if (pair.m_node == nullptr || pair.m_parent == nullptr ||
            pair.m_node->GetEffectiveNode() == nullptr) {
            FailUnknown();
        }
        table.m_entries.push_back({pair.m_node->GetNodeID(), pair.m_parent->GetNodeID()});
    }

    // The working copy starts empty: whatever it still holds would otherwise be committed.
    const std::string workingCopy = GetProject()->GetFolderPath() + kWorkingCopyFolder;
    if (!DeleteFilesInTree(workingCopy)) {
        throw QStorageLayerException("Error#330: Error creating file: " + workingCopy + ".");
    }
    struct CommitScope {
        QFileSystemProjectStorageManager& self;
        ~CommitScope() {
            self.m_committing = false;
            self.m_storedDuringCommit.clear();
        }
    } scope{*this};
    m_committing = true;
    m_storedDuringCommit.clear();
    m_store.WriteNodeTableFile(table);
    for (size_t i = 0; i < pairs.size(); ++i) {
        const QNodeTable::Entry& entry = table.m_entries[i];
        m_store.WriteObjectFile(*pairs[i].m_node->GetEffectiveNode(), kStoredNodeFile, entry.m_nodeId,
                                entry.m_parentId);
        pairs[i].m_node->StoreScanData(*this);
    }
    m_store.CommitTempToPermanent();
    m_committedNodeId = m_nextNodeId;
    // Only now is the new data in the saved copy.
    for (QNodeMediator* mediator : m_storedDuringCommit) {
        ContainerLock lock(*mediator);
        if (auto* container = lock.As<QScanContainer>()) {
            container->ClearUpdated();
        }
    }
    return true;
}

void QFileSystemProjectStorageManager::NoteStored(QNodeMediator& mediator, QScanContainer& container) {
    if (m_committing) {
        m_storedDuringCommit.push_back(&mediator);
    } else {
        container.ClearUpdated();
    }
}

bool QFileSystemProjectStorageManager::SaveProject(TfrmMainApp* window, const QNodePairList& pairs,
                                                   QStorageErrorList& errors) {
    return m_fileOperations->SaveProject(*this, window, pairs, errors);
}

bool QFileSystemProjectStorageManager::SaveProjectAs(TfrmMainApp* window, const QNodePairList& pairs,
                                                     QStorageErrorList& errors,
                                                     const std::string& projectFilePath) {
    // An unusable path is refused before anything changes.
    std::shared_ptr<QFileSystemProjectDescriptor> target =
        m_repository.CreateDescriptorFromPath(projectFilePath);
    std::shared_ptr<QFileSystemProjectDescriptor> previous = m_store.GetProject();

    // Whatever way the save ends, the flag and the source project go; unless it got through, the
    // old project stays the current one, so no half-saved project is taken for the open one.
    bool saved = false;
    struct Restore {
        QFileSystemProjectStorageManager& self;
        std::shared_ptr<QFileSystemProjectDescriptor>& previous;
        bool& saved;
        ~Restore() {
            self.m_savingAs = 0;
            self.m_store.SetSourceProject(nullptr);
            if (!saved) {
                self.m_store.SetProject(std::move(previous));
            }
        }
    } restore{*this, previous, saved};

    m_savingAs = 1;
    m_store.SetSourceProject(previous);
    m_store.SetProject(std::move(target));
    saved = SaveProject(window, pairs, errors);
    return saved;
}

bool QFileSystemProjectStorageManager::ValidateNodes(QNodePairList& pairs, QStorageErrorList& errors) {
    return m_fileOperations->ValidateNodes(*this, pairs, errors);
}

bool QFileSystemProjectStorageManager::LoadProject(TfrmMainApp* window, QNodePairList& pairs,
                                                   QStorageErrorList& errors) {
    return m_fileOperations->LoadProject(*this, window, pairs, errors);
}

bool QFileSystemProjectStorageManager::IsCommitted(uint32_t id) const {
    return static_cast<int32_t>(id) < static_cast<int32_t>(m_committedNodeId);
}

bool QFileSystemProjectStorageManager::ScanFileExists(uint32_t id) const {
    // Whatever is there is read (and a FIFO or folder refused by the opener): taking it for a
    // missing file would silently drop the node's scans.
    std::error_code ec;
    return fs::exists(m_store.BuildStoredFilePath(kStoredScanFile, false, id, false), ec);
}

bool QFileSystemProjectStorageManager::CopyScanFileFromSource(uint32_t id) {
    const std::string source = m_store.BuildStoredFilePath(kStoredScanFile, false, id, true);
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(source, ec))) {
        return false; // the source was saved only as a project file: the data in memory serves
    }
    CopyReplacing(source, m_store.BuildStoredFilePath(kStoredScanFile, true, id, false));
    return true;
}

void QFileSystemProjectStorageManager::StoreScanFile(QNodeMediator& mediator) {
    ContainerLock lock(mediator);
    auto* container = lock.As<QSimpleScanContainer>();
    if (container == nullptr) {
        return;
    }
    const uint32_t id = mediator.GetNodeID();
    const bool copied = m_savingAs != 0 && IsUnchanged(*container) && CopyScanFileFromSource(id);
    if (!copied && container->HasScanData() && (m_savingAs != 0 || container->IsUpdated())) {
        m_store.WriteObjectFile(*container->GetScanPacket(), kStoredScanFile, id, std::nullopt);
        NoteStored(mediator, *container);
    }
}

void QFileSystemProjectStorageManager::StoreSpectralScanData(QNodeMediator& mediator) {
    StoreScanFile(mediator);
}

void QFileSystemProjectStorageManager::StoreSpatialScanData(QNodeMediator& mediator) {
    StoreScanFile(mediator);
}

void QFileSystemProjectStorageManager::StoreSpectralSpatialScanData(QNodeMediator& mediator) {
    ContainerLock lock(mediator);
    auto* container = lock.As<QSpectralSpatialScanContainer>();
    if (container == nullptr) {
        return;
    }
    const uint32_t id = mediator.GetNodeID();
    const bool copied = m_savingAs != 0 && IsUnchanged(*container) && CopyScanFileFromSource(id);
    if (!copied && container->HasScanData() && (m_savingAs != 0 || container->IsUpdated())) {
        // The container keeps its cells in memory; its data file is brought up to date (and onto
        // the disk) first, and the scan file is a copy of it.
        const std::string dataFile = container->GetTempFilePath();
        QCellDataFile::Write(dataFile, *container);
        m_store.CopyFileRaw(dataFile, m_store.BuildStoredFilePath(kStoredScanFile, true, id, false));
        NoteStored(mediator, *container);
    }
}

void QFileSystemProjectStorageManager::StoreCableScanData(QNodeMediator& mediator) {
    ContainerLock lock(mediator);
    auto* container = lock.As<QCableScanContainer>();
    if (container == nullptr) {
        return;
    }
    const uint32_t id = mediator.GetNodeID();
    const bool copied = m_savingAs != 0 && IsUnchanged(*container) && CopyScanFileFromSource(id);
    if (!copied && container->HasScanData() && (m_savingAs != 0 || container->IsUpdated())) {
        auto writer = m_store.CreateStoredFileWriter(kStoredScanFile, id);
        container->WriteCableScans(*writer);
        writer->Close();
        NoteStored(mediator, *container);
    }
}

void QFileSystemProjectStorageManager::StoreCurrentClampScanData(QNodeMediator& mediator) {
    ContainerLock lock(mediator);
    auto* container = lock.As<QCurrentClampModuleContainer>();
    if (container == nullptr) {
        return;
    }
    const uint32_t id = mediator.GetNodeID();
    const bool copied = m_savingAs != 0 && IsUnchanged(*container) && CopyScanFileFromSource(id);
    if (!copied && container->HasScanData() && (m_savingAs != 0 || container->IsUpdated())) {
        // The clamp's data travels in its node's body: its scan file is the header alone.
        m_store.CreateStoredFileWriter(kStoredScanFile, id)->Close();
        NoteStored(mediator, *container);
    }
}

// Loads read the saved copy. A node created after the last commit has no files there; a node
// without a scan file had no scan data when it was stored: neither is an error, and the container
// keeps what it has.

void QFileSystemProjectStorageManager::LoadScanFile(QNodeMediator& mediator) {
    ContainerLock lock(mediator);
    auto* container = lock.As<QSimpleScanContainer>();
    const uint32_t id = mediator.GetNodeID();
    if (container == nullptr || !IsCommitted(id) || !ScanFileExists(id)) {
        return;
    }
    m_store.ReadObjectFile(*container->GetScanPacket(), kStoredScanFile, id, nullptr);
    container->AfterStoredScanRead();
    container->SetHasScanData(true);
    container->MarkPending();
    container->ClearUpdated();
}

void QFileSystemProjectStorageManager::LoadSpectralScanData(QNodeMediator& mediator) {
    LoadScanFile(mediator);
}

void QFileSystemProjectStorageManager::LoadSpatialScanData(QNodeMediator& mediator) {
    LoadScanFile(mediator);
}

void QFileSystemProjectStorageManager::LoadCableScanData(QNodeMediator& mediator) {
    ContainerLock lock(mediator);
    auto* container = lock.As<QCableScanContainer>();
    const uint32_t id = mediator.GetNodeID();
    if (container == nullptr || !IsCommitted(id) || !ScanFileExists(id)) {
        return;
    }
    auto reader = m_store.OpenStoredFileReader(kStoredScanFile, id);
    container->ReadCableScans(*reader);
    reader->Close();
    container->SetHasScanData(true);
    container->MarkPending();
    container->ClearUpdated();
}

void QFileSystemProjectStorageManager::LoadSpectralSpatialScanData(QNodeMediator& mediator) {
    ContainerLock lock(mediator);
    auto* container = lock.As<QSpectralSpatialScanContainer>();
    const uint32_t id = mediator.GetNodeID();
    if (container == nullptr || !IsCommitted(id) || !ScanFileExists(id)) {
        return;
    }
    const std::string scanFile = m_store.BuildStoredFilePath(kStoredScanFile, false, id, false);
    const std::string dataFile = container->GetTempFilePath();
    RequireRegularFile(scanFile);
    CopyReplacing(scanFile, dataFile);
    if (QCellDataFile::Read(dataFile, *container) != 0) {
        // The views draw the peak map and the cell spectrum, not the records.
        container->RebuildFromCellRecords();
        container->SetHasScanData(true);
    }
    container->ClearUpdated();
}

void QFileSystemProjectStorageManager::LoadCurrentClampScanData(QNodeMediator& mediator) {
    ContainerLock lock(mediator);
    auto* container = lock.As<QCurrentClampModuleContainer>();
    const uint32_t id = mediator.GetNodeID();
    if (container == nullptr || !IsCommitted(id) || !ScanFileExists(id)) {
        return;
    }
    // Only the header: opening the file reads it.
    m_store.OpenStoredFileReader(kStoredScanFile, id)->Close();
    container->SetHasScanData(true);
    container->MarkPending();
    container->ClearUpdated();
}

} // namespace orv
