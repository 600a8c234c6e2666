#include "project/QProjectFileStore.h"

#include "analyzers/CInstrumentInfo.h"

#include "core/QException.h"
#include "platform/CLocale.h"
#include "platform/fs/FileIo.h"
#include "project/FolderTree.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <utility>

namespace orv {

namespace fs = std::filesystem;

namespace {

// Names beside the saved copy while a commit runs: the new saved copy is assembled in the first; the
// second holds the old one only when the two folders could not be exchanged in one step.
constexpr const char* kCommitFolder = "/permanent.commit";
constexpr const char* kRetiredFolder = "/permanent.retired";

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// Gives the destination tree every file of the source tree as a second name for the same file (a
// copy where the file system cannot link). The top-level folder named skipFolder is left out. With
// `replacing`, a file of the same name in the destination gives way (a folder does not: the link
// then fails). Every destination folder is flushed to disk once its names are in, so that the tree
// is whole on disk before it is swapped in.
void LinkTree(const fs::path& source, const fs::path& destination, const char* skipFolder, bool replacing,
              QStorageBuffer& buffer) {
    std::error_code ec;
    fs::create_directories(destination, ec);
    if (ec) {
        throw QStorageLayerException("Error#330: Error creating file: " + destination.string() + ".");
    }
    fs::directory_iterator it(source, ec);
    std::vector<fs::directory_entry> entries;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        entries.push_back(*it);
    }
    if (ec) {
        throw QStorageLayerException("Error#334: Error reading from file: " + source.string() + ".");
    }
    for (const fs::directory_entry& entry : entries) {
        const fs::path target = destination / entry.path().filename();
        if (entry.symlink_status(ec).type() == fs::file_type::directory) {
            if (skipFolder == nullptr || entry.path().filename() != skipFolder) {
                LinkTree(entry.path(), target, nullptr, replacing, buffer);
            }
            continue;
        }
        if (replacing && fs::symlink_status(target, ec).type() != fs::file_type::directory) {
            fs::remove(target, ec);
        }
        fs::create_hard_link(entry.path(), target, ec);
        if (ec) {
            CopyFileRaw(entry.path().string(), target.string(), buffer);
        }
    }
    if (!SyncFolder(destination.string())) {
        throw QStorageLayerException("Error#331: Error writing to file: " + destination.string() + ".");
    }
}

} // namespace

QProjectFileStore::QProjectFileStore(std::shared_ptr<QFileSystemProjectDescriptor> project)
    : m_project(std::move(project)) {}

QProjectFileStore::~QProjectFileStore() = default;

void QProjectFileStore::SetProject(std::shared_ptr<QFileSystemProjectDescriptor> project) {
    m_project = std::move(project);
}

void QProjectFileStore::SetSourceProject(std::shared_ptr<QFileSystemProjectDescriptor> project) {
    m_sourceProject = std::move(project);
}

std::string QProjectFileStore::FormatStoredID(uint32_t id) {
    // File names of ids from 2^31 on carry the minus sign that their signed reading gives.
    const std::string digits = FormatC("%d", static_cast<int32_t>(id));
    const size_t zeros = digits.size() < 10 ? 10 - digits.size() : 1;
    return std::string(zeros, '0') + digits;
}

const QFileSystemProjectDescriptor& QProjectFileStore::Choose(bool fromSource) const {
    const auto& chosen = fromSource ? m_sourceProject : m_project;
    if (!chosen) {
        throw QStorageLayerException("Error#332: Unknown storage layer error.");
    }
    return *chosen;
}

std::string QProjectFileStore::BuildStoredFilePath(int fileKind, bool inTemp, uint32_t id,
                                                   bool fromSource) const {
    const QFileSystemProjectDescriptor& project = Choose(fromSource);
    std::string path = project.GetFolderPath() + (inTemp ? kWorkingCopyFolder : kSavedCopyFolder);
    switch (fileKind) {
    case kStoredNodeFile:
        return path + kNodeFolder + FormatStoredID(id) + kNodeFileExtension;
    case kStoredNodeTable:
        return path + project.GetName() + kNodeTableExtension;
    case kStoredScanFile:
        return path + kScanFolder + FormatStoredID(id) + kScanFileExtension;
    default:
        return path + FormatStoredID(id);
    }
}

std::string QProjectFileStore::BuildProjectFilePath(bool fromSource) const {
    const QFileSystemProjectDescriptor& project = Choose(fromSource);
    return project.GetFolderPath() + "/" + project.GetName();
}

std::unique_ptr<QFileDataReader> QProjectFileStore::OpenReader(const std::string& path) const {
    // The reader's own opening error names the file when it is missing.
    auto reader = std::make_unique<QFileDataReader>(path);
    const uint32_t version = reader->ReadU32();
    reader->SetStoredFileVersion(version);
    // The instrument state answers the version of the stored file opened last.
    GetInstrumentInfo().SetStoredFileVersion(static_cast<int32_t>(version));
    return reader;
}

std::unique_ptr<QFileDataWriter> QProjectFileStore::CreateWriter(const std::string& path) const {
    const fs::path target(path);
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec); // a failure shows when the file is created
    auto writer = std::make_unique<QFileDataWriter>(path);
    writer->WriteU32(kStoredFileHeaderVersion);
    return writer;
}

std::unique_ptr<QFileDataReader> QProjectFileStore::OpenStoredFileReader(int fileKind, uint32_t id) const {
    return OpenReader(BuildStoredFilePath(fileKind, false, id, false));
}

std::unique_ptr<QFileDataReader> QProjectFileStore::OpenProjectFileReader() const {
    return OpenReader(BuildProjectFilePath(false));
}

std::unique_ptr<QFileDataWriter> QProjectFileStore::CreateStoredFileWriter(int fileKind, uint32_t id) const {
    return CreateWriter(BuildStoredFilePath(fileKind, true, id, false));
}

std::unique_ptr<QFileDataWriter> QProjectFileStore::CreateProjectFileWriter() const {
    return CreateWriter(BuildProjectFilePath(false));
}

void QProjectFileStore::WriteObjectFile(const QSerializable& object, int fileKind, uint32_t id,
                                        std::optional<uint32_t> leadingValue) const {
    auto writer = CreateStoredFileWriter(fileKind, id);
    if (leadingValue) {
        writer->WriteU32(*leadingValue);
    }
    object.Serialize(*writer);
    writer->Close();
}

void QProjectFileStore::ReadObjectFile(QSerializable& object, int fileKind, uint32_t id,
                                       uint32_t* leadingValue) const {
    auto reader = OpenStoredFileReader(fileKind, id);
    const uint32_t leading = leadingValue != nullptr ? reader->ReadU32() : 0;
    object.Deserialize(*reader);
    reader->Close();
    if (leadingValue != nullptr) {
        *leadingValue = leading;
    }
}

void QProjectFileStore::WriteNodeTableFile(const QNodeTable& table) const {
    auto writer = CreateStoredFileWriter(kStoredNodeTable, 0);
    table.Write(*writer);
    writer->Close();
}

QNodeTable QProjectFileStore::ReadNodeTableFile() const {
    auto reader = OpenStoredFileReader(kStoredNodeTable, 0);
    QNodeTable table;
    table.Read(*reader);
    return table;
}

void QProjectFileStore::CopyFileRaw(const std::string& sourcePath, const std::string& destinationPath) {
    ::orv::CopyFileRaw(sourcePath, destinationPath, m_copyBuffer);
}

void QProjectFileStore::DeleteOrphanScanFiles() const {
    ::orv::DeleteOrphanScanFiles(m_project->GetFolderPath() + kSavedCopyFolder);
}

void QProjectFileStore::CommitTempToPermanent() {
    const std::string folder = m_project->GetFolderPath();
    const fs::path saved = folder + "/permanent";
    const fs::path working = folder + "/temp";
    const fs::path staging = folder + kCommitFolder;
    const fs::path retired = folder + kRetiredFolder;
    std::error_code ec;

    // A commit that stopped between the two renames of the fallback below left the saved copy under
    // the retired name.
    if (!Exists(saved) && Exists(retired)) {
        fs::rename(retired, saved, ec);
        if (ec) {
            throw QStorageLayerException("Error#323: Unable to copy file: " + retired.string() + " -> " +
                                         saved.string() + ".");
        }
    }
    if (!DeleteFolderTree(staging.string()) || !DeleteFolderTree(retired.string())) {
        throw QStorageLayerException("Error#330: Error creating file: " + staging.string() + ".");
    }

    try {
        // The old saved copy's node files are left out: nodes that the working copy does not hold no
        // longer exist. Its scan files stay unless they lose their node below.
        if (Exists(saved)) {
            LinkTree(saved, staging, "nodes", false, m_copyBuffer);
        }
        // The working files stay where they are until the new saved copy is in place: a commit that
        // fails leaves them for the next one.
        if (Exists(working)) {
            LinkTree(working, staging, nullptr, true, m_copyBuffer);
        }
        ::orv::DeleteOrphanScanFiles(staging.string());
        if (!SyncFolder(staging.string() + "/scans") && Exists(staging / "scans")) {
            throw QStorageLayerException("Error#331: Error writing to file: " + staging.string() + ".");
        }

        if (!Exists(saved)) {
            fs::rename(staging, saved, ec);
        } else if (::renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, saved.c_str(), RENAME_EXCHANGE) != 0) {
            // File systems without an exchange: two renames, undone when the second fails.
            fs::rename(saved, retired, ec);
            if (!ec) {
                fs::rename(staging, saved, ec);
                if (ec) {
                    std::error_code undo;
                    fs::rename(retired, saved, undo);
                }
            }
        }
        if (ec) {
            throw QStorageLayerException("Error#323: Unable to copy file: " + staging.string() + " -> " +
                                         saved.string() + ".");
        }
    } catch (...) {
        DeleteFolderTree(staging.string());
        throw;
    }
    // The exchange is a change of the project folder's names: on disk only once the folder is.
    const bool durable = SyncFolder(folder);
    // Now the old saved copy; what cannot be removed here goes at the next commit. The working copy
    // is committed: its files have their names in the saved copy.
    DeleteFolderTree(staging.string());
    DeleteFolderTree(retired.string());
    DeleteFilesInTree(working.string());
    if (!durable) {
        throw QStorageLayerException("Error#331: Error writing to file: " + folder + ".");
    }
}

} // namespace orv
