#include "project/FolderTree.h"

#include "core/QException.h"
#include "platform/fs/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace orv {

namespace fs = std::filesystem;

namespace {

// "dir/" would name the target of a link called "dir"; the operations here act on the link itself.
fs::path WithoutTrailingSlash(const std::string& folder) {
    std::string text = folder;
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return fs::path(text);
}

bool IsFolder(const fs::directory_entry& entry) {
    std::error_code ec;
    return entry.symlink_status(ec).type() == fs::file_type::directory;
}

// The entries of a folder in name order; none when it cannot be listed.
std::vector<fs::directory_entry> ListFolder(const fs::path& folder) {
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        entries.push_back(*it);
    }
    std::sort(entries.begin(), entries.end(),
              [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
    return entries;
}

class FileHandle {
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int Get() const { return m_fd; }
    // Closes now and reports whether the close succeeded.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const uint8_t* data, size_t count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, data, count);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

void CopyFileRaw(const std::string& sourcePath, const std::string& destinationPath, QStorageBuffer& buffer) {
    if (buffer.GetCapacity() == 0) {
        throw std::invalid_argument("CopyFileRaw needs a buffer of at least one byte");
    }
    FileHandle source(
        OpenRegularFileForReading(sourcePath, std::numeric_limits<uint64_t>::max(), nullptr, nullptr));
    if (source.Get() < 0) {
        throw QStorageLayerException("Error#311: Error opening file: " + sourcePath + ".");
    }
    const fs::path destination(destinationPath);
    if (destination.has_parent_path()) {
        std::error_code ec;
        fs::create_directories(destination.parent_path(), ec); // a failure shows when the file is created
    }
    // O_EXCL: an existing destination is never replaced.
    FileHandle target(::open(destinationPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (target.Get() < 0) {
        throw QStorageLayerException("Error#330: Error creating file: " + destinationPath + ".");
    }
    // From here on the destination is ours: a failed copy must not leave a truncated file behind.
    auto fail = [&](const std::string& message) {
        target.Close();
        ::unlink(destinationPath.c_str());
        throw QStorageLayerException(message);
    };
    const std::string readError = "Error#334: Error reading from file: " + sourcePath + ".";
    const std::string writeError = "Error#331: Error writing to file: " + destinationPath + ".";
    for (;;) {
        const ssize_t n = ::read(source.Get(), buffer.GetBytes(), buffer.GetCapacity());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            fail(readError);
        }
        if (n == 0) {
            break;
        }
        if (!WriteAll(target.Get(), buffer.GetBytes(), static_cast<size_t>(n))) {
            fail(writeError);
        }
    }
    if (::fsync(target.Get()) != 0) {
        fail(writeError);
    }
    if (!target.Close()) {
        ::unlink(destinationPath.c_str());
        throw QStorageLayerException(writeError);
    }
}

bool DeleteFilesInTree(const std::string& folder) {
    bool allDeleted = true;
    for (const fs::directory_entry& entry : ListFolder(WithoutTrailingSlash(folder))) {
        if (IsFolder(entry)) {
            allDeleted = DeleteFilesInTree(entry.path().string()) && allDeleted;
        } else {
            std::error_code ec;
            fs::remove(entry.path(), ec);
            allDeleted = allDeleted && !ec;
        }
    }
    return allDeleted;
}

void MoveFolderTree(const std::string& sourceFolder, const std::string& destinationFolder) {
    const fs::path source = WithoutTrailingSlash(sourceFolder);
    const fs::path destination = WithoutTrailingSlash(destinationFolder);
    std::error_code ec;
    fs::create_directories(destination, ec); // a failure shows at the first move
    for (const fs::directory_entry& entry : ListFolder(source)) {
        const fs::path target = destination / entry.path().filename();
        if (IsFolder(entry)) {
            MoveFolderTree(entry.path().string(), target.string());
            continue;
        }
        // rename() replaces the namesake in one step: the destination never lacks the file.
        fs::rename(entry.path(), target, ec);
        if (ec) {
            throw QStorageLayerException("Error#323: Unable to copy file: " + entry.path().string() + " -> " +
                                         target.string() + ".");
        }
    }
}

bool DeleteFolderTree(const std::string& folder) {
    const fs::path path = WithoutTrailingSlash(folder);
    std::error_code ec;
    fs::remove_all(path, ec);
    if (ec) {
        return false;
    }
    return fs::symlink_status(path, ec).type() == fs::file_type::not_found;
}

void DeleteOrphanScanFiles(const std::string& copyFolder) {
    const fs::path copy = WithoutTrailingSlash(copyFolder);
    const fs::path nodes = copy / "nodes";
    for (const fs::directory_entry& entry : ListFolder(copy / "scans")) {
        if (IsFolder(entry)) {
            continue;
        }
        fs::path nodeFile = nodes / entry.path().filename();
        nodeFile.replace_extension(".nod");
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(nodeFile, ec))) {
            fs::remove(entry.path(), ec);
        }
    }
}

} // namespace orv
