#include "platform/fs/AtomicFileWriter.h"

#include "platform/fs/FileIo.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace orv {

namespace {

std::atomic<uint64_t> g_tempSequence{0};

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The process id in a temporary name, or 0 when the name is not one of ours.
pid_t WriterOf(std::string_view name) {
    const std::string_view prefix = AtomicFileWriter::kTempPrefix;
    if (name.substr(0, prefix.size()) != prefix) {
        return 0;
    }
    name.remove_prefix(prefix.size());
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (error != std::errc() || end == name.data() || end == name.data() + name.size() || *end != '-' ||
        pid <= 0) {
        return 0;
    }
    return pid;
}

bool IsProcessRunning(pid_t pid) {
    // EPERM: it runs, under another user.
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

} // namespace

AtomicFileWriter::~AtomicFileWriter() {
    Discard();
}

void AtomicFileWriter::RemoveStaleTempFiles(const std::string& folder) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    const pid_t self = ::getpid();
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const pid_t writer = WriterOf(name);
        if (writer == 0 || writer == self || IsProcessRunning(writer)) {
            continue;
        }
        std::error_code ignored;
        if (it->is_regular_file(ignored) && !it->is_symlink(ignored)) {
            std::filesystem::remove(it->path(), ignored);
        }
    }
}

bool AtomicFileWriter::Open(const std::string& path, bool createFolders) {
    Discard();
    const std::string folder = FolderOf(path);
    if (createFolders) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }
    RemoveStaleTempFiles(folder);
    const std::string stem = folder + "/" + kTempPrefix + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = stem + std::to_string(g_tempSequence.fetch_add(1));
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            m_file = fd;
            m_path = path;
            m_tempPath = std::move(temp);
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

bool AtomicFileWriter::Write(const void* data, size_t count) {
    if (m_file < 0) {
        return false;
    }
    const auto* bytes = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t written = ::write(m_file, bytes, count);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            Discard();
            return false;
        }
        bytes += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

bool AtomicFileWriter::Commit() {
    if (m_file < 0) {
        return false;
    }
    const bool synced = ::fsync(m_file) == 0;
    const int fd = m_file;
    m_file = -1;
    const bool closed = ::close(fd) == 0;
    if (!synced || !closed || ::rename(m_tempPath.c_str(), m_path.c_str()) != 0) {
        ::unlink(m_tempPath.c_str());
        return false;
    }
    // The new name lives in the folder: until the folder is on disk, a power loss can bring back
    // the old file (or none).
    return SyncFolder(FolderOf(m_path));
}

void AtomicFileWriter::Discard() {
    if (m_file >= 0) {
        ::close(m_file);
        m_file = -1;
        ::unlink(m_tempPath.c_str());
    }
}

} // namespace orv
