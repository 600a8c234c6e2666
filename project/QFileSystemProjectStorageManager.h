#pragma once

#include "project/QFileSystemProjectDescriptor.h"
#include "project/QProjectFileOperations.h"
#include "project/QProjectFileStore.h"
#include "project/QProjectStorageManager.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv {

class QFileSystemRepositoryManager;
class QScanContainer;

// The storage manager of a project that lies in a folder of a file-system repository: the project
// file beside the working copy "temp/" and the saved copy "permanent/" (QProjectFileStore).
//
// Scan files are kept per container kind. While a project is saved under a new name, a node whose
// scan data did not change since it was loaded or stored gets the source project's scan file
// copied (when the source has one); every other node with scan data has its file written from
// memory.
//
// Everything runs on the user-interface thread; the scan containers are shared with the scan
// workers, so every store and load holds the node's container lock from start to end.
class QFileSystemProjectStorageManager : public QProjectStorageManager {
public:
    // The repository made this storage manager and outlives it; the project-file operations are
    // shared between the storage managers of one program.
    QFileSystemProjectStorageManager(std::shared_ptr<QFileSystemProjectDescriptor> project,
                                     QFileSystemRepositoryManager& repository,
                                     std::shared_ptr<QProjectFileOperations> fileOperations);
    ~QFileSystemProjectStorageManager() override;

    std::shared_ptr<QProjectDescriptor> GetProjectDescriptor() const override { return m_store.GetProject(); }
    bool WriteNodeTable(const QNodePairList& pairs) override;
    bool SaveProject(TfrmMainApp* window, const QNodePairList& pairs, QStorageErrorList& errors) override;
    bool SaveProjectAs(TfrmMainApp* window, const QNodePairList& pairs, QStorageErrorList& errors,
                       const std::string& projectFilePath) override;
    bool ValidateNodes(QNodePairList& pairs, QStorageErrorList& errors) override;
    bool LoadProject(TfrmMainApp* window, QNodePairList& pairs, QStorageErrorList& errors) override;

    void StoreSpectralScanData(QNodeMediator& mediator) override;
    void StoreSpatialScanData(QNodeMediator& mediator) override;
    void StoreSpectralSpatialScanData(QNodeMediator& mediator) override;
    void StoreCableScanData(QNodeMediator& mediator) override;
    void StoreCurrentClampScanData(QNodeMediator& mediator) override;
    void LoadSpectralScanData(QNodeMediator& mediator) override;
    void LoadSpatialScanData(QNodeMediator& mediator) override;
    void LoadCableScanData(QNodeMediator& mediator) override;
    void LoadSpectralSpatialScanData(QNodeMediator& mediator) override;
    void LoadCurrentClampScanData(QNodeMediator& mediator) override;

    uint32_t AllocateNodeID() override { return m_nextNodeId++; }
    std::string GetProjectName() const override { return m_store.GetProject()->GetName(); }

    // --- What the project-file operations use. ---

    // The files of the current project (and, during a save under a new name, of the source one).
    QProjectFileStore& GetFileStore() { return m_store; }
    const QProjectFileStore& GetFileStore() const { return m_store; }
    // The current project's descriptor, with its folder.
    const std::shared_ptr<QFileSystemProjectDescriptor>& GetProject() const { return m_store.GetProject(); }
    // Set only while SaveProjectAs runs.
    const std::shared_ptr<QFileSystemProjectDescriptor>& GetSourceProject() const {
        return m_store.GetSourceProject();
    }
    bool IsSavingAs() const { return m_savingAs != 0; }

    uint32_t GetNextNodeId() const { return m_nextNodeId; }
    void SetNextNodeId(uint32_t id) { m_nextNodeId = id; }
    // Scan data of the saved copy is loaded only for nodes whose id, read as a signed number, lies
    // below this bound: newer nodes have no files there yet.
    uint32_t GetCommittedNodeId() const { return m_committedNodeId; }
    void SetCommittedNodeId(uint32_t id) { m_committedNodeId = id; }
    // The four version parts a.b.c.d of the project file read last.
    const std::array<uint16_t, 4>& GetFileVersion() const { return m_fileVersion; }
    void SetFileVersion(const std::array<uint16_t, 4>& version) { m_fileVersion = version; }

private:
    // Slots 7 and 8: one serialised scan record per scan file.
    void StoreScanFile(QNodeMediator& mediator);
    void LoadScanFile(QNodeMediator& mediator);
    // The node's scan file of the source project's saved copy into the current working copy; false
    // when the source has no such file. A file that is there but cannot be copied throws.
    bool CopyScanFileFromSource(uint32_t id);
    // Whether the saved copy may hold this node's scan data.
    bool IsCommitted(uint32_t id) const;
    bool ScanFileExists(uint32_t id) const;
    // A store wrote the container's scan file. Outside a commit the container is marked stored at
    // once; during one (WriteNodeTable) only once the commit went through, so that a failed commit
    // leaves its new data marked for the next.
    void NoteStored(QNodeMediator& mediator, QScanContainer& container);

    uint32_t m_nextNodeId = 0;
    uint32_t m_committedNodeId = 0;
    std::array<uint16_t, 4> m_fileVersion{};
    uint8_t m_savingAs = 0;
    // While WriteNodeTable runs: the mediators whose containers were stored by it.
    bool m_committing = false;
    std::vector<QNodeMediator*> m_storedDuringCommit;
    QProjectFileStore m_store; // the current and the source project, and the copy buffer
    QFileSystemRepositoryManager& m_repository;
    std::shared_ptr<QProjectFileOperations> m_fileOperations;
};

} // namespace orv
