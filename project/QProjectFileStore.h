#pragma once

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QSerializable.h"
#include "project/QFileSystemProjectDescriptor.h"
#include "project/QNodeTable.h"
#include "project/QProjectLayout.h"
#include "project/QStorageBuffer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace orv {

// The files of one project in its folder: the project file <folder>/<name>, and beside it the
// working copy "temp/" and the saved copy "permanent/", each with the node table <name>.lin, the
// node files nodes/<id>.nod and the scan files scans/<id>.scn. Stored files are written into the
// working copy and read from the saved copy; a commit turns the one into the other.
//
// The current project is the one the files belong to; the source project is set only while a
// project is saved under a new name, and names the project the unchanged files come from.
class QProjectFileStore {
public:
    explicit QProjectFileStore(std::shared_ptr<QFileSystemProjectDescriptor> project);
    QProjectFileStore(const QProjectFileStore&) = delete;
    QProjectFileStore& operator=(const QProjectFileStore&) = delete;
    ~QProjectFileStore();

    const std::shared_ptr<QFileSystemProjectDescriptor>& GetProject() const { return m_project; }
    void SetProject(std::shared_ptr<QFileSystemProjectDescriptor> project);
    const std::shared_ptr<QFileSystemProjectDescriptor>& GetSourceProject() const { return m_sourceProject; }
    void SetSourceProject(std::shared_ptr<QFileSystemProjectDescriptor> project);

    // The id as a signed 32-bit decimal with '0's in front: at least one, and as many as make ten
    // characters (42 gives "0000000042"; 1000000000 gives "01000000000").
    static std::string FormatStoredID(uint32_t id);

    // <folder>/temp/ or <folder>/permanent/, then nodes/<id>.nod, <name>.lin or scans/<id>.scn
    // (any other kind: the id text alone). The source project's folder and name when fromSource.
    std::string BuildStoredFilePath(int fileKind, bool inTemp, uint32_t id, bool fromSource) const;
    // <folder>/<name>.
    std::string BuildProjectFilePath(bool fromSource) const;

    // Open the file in the saved copy (the project file: in the project folder), read the stored-file
    // version that begins it and keep it on the reader. A missing file throws a
    // QStorageLayerException that names it.
    std::unique_ptr<QFileDataReader> OpenStoredFileReader(int fileKind, uint32_t id) const;
    std::unique_ptr<QFileDataReader> OpenProjectFileReader() const;
    // Create the file in the working copy (its folders too) and write the stored-file version 11.
    // The file replaces any old one only when the caller closes the writer successfully.
    std::unique_ptr<QFileDataWriter> CreateStoredFileWriter(int fileKind, uint32_t id) const;
    std::unique_ptr<QFileDataWriter> CreateProjectFileWriter() const;

    // One serialised object per stored file, after an optional leading 32-bit value (a node file's
    // parent id).
    void WriteObjectFile(const QSerializable& object, int fileKind, uint32_t id,
                         std::optional<uint32_t> leadingValue) const;
    // Reads the leading value into *leadingValue when it is given.
    void ReadObjectFile(QSerializable& object, int fileKind, uint32_t id, uint32_t* leadingValue) const;

    // The node table: written into the working copy, read from the saved copy.
    void WriteNodeTableFile(const QNodeTable& table) const;
    QNodeTable ReadNodeTableFile() const;

    // CopyFileRaw (FolderTree.h) through this store's copy buffer.
    void CopyFileRaw(const std::string& sourcePath, const std::string& destinationPath);

    // Makes the working copy the saved copy: the new saved copy holds the working copy's files, the
    // old saved copy's files other than its node files, and no scan file without a node file. It is
    // assembled beside the saved copy and then exchanged with it in one rename, so an interrupted or
    // failed commit leaves the old saved copy whole. The working copy is emptied.
    void CommitTempToPermanent();
    // DeleteOrphanScanFiles (FolderTree.h) on the saved copy.
    void DeleteOrphanScanFiles() const;

private:
    const QFileSystemProjectDescriptor& Choose(bool fromSource) const;
    std::unique_ptr<QFileDataReader> OpenReader(const std::string& path) const;
    std::unique_ptr<QFileDataWriter> CreateWriter(const std::string& path) const;

    std::shared_ptr<QFileSystemProjectDescriptor> m_project;
    std::shared_ptr<QFileSystemProjectDescriptor> m_sourceProject;
    QStorageBuffer m_copyBuffer{QStorageBuffer::kDefaultCapacity};
};

} // namespace orv
