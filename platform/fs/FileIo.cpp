#include "platform/fs/FileIo.h"

#include "platform/fs/AtomicFileWriter.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {

int OpenRegularFileForReading(const std::string& path, uint64_t maxBytes, uint64_t* size,
                              FileRefusal* refusal) {
    FileRefusal ignored = FileRefusal::kNone;
    FileRefusal& why = refusal != nullptr ? *refusal : ignored;
    why = FileRefusal::kNone;
    // Non-blocking only for the open itself: opening a FIFO with no writer would wait for ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        why = errno == ENOENT ? FileRefusal::kMissing : FileRefusal::kCannotOpen;
        return -1;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        ::close(fd);
        why = FileRefusal::kCannotOpen;
        return -1;
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        why = FileRefusal::kNotARegularFile;
        return -1;
    }
    const auto bytes = static_cast<uint64_t>(status.st_size);
    if (bytes > maxBytes) {
        ::close(fd);
        why = FileRefusal::kTooLarge;
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    if (size != nullptr) {
        *size = bytes;
    }
    return fd;
}

std::string DescribeFileRefusal(FileRefusal refusal, const std::string& path) {
    switch (refusal) {
    case FileRefusal::kNone:
        break;
    case FileRefusal::kMissing:
        return path + " does not exist";
    case FileRefusal::kCannotOpen:
        return "cannot open " + path;
    case FileRefusal::kNotARegularFile:
        return path + " is not a regular file";
    case FileRefusal::kTooLarge:
        return path + " is too large";
    }
    return {};
}

std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t maxBytes, FileRefusal* refusal) {
    uint64_t size = 0;
    const int fd = OpenRegularFileForReading(path, maxBytes, &size, refusal);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string content;
    content.reserve(static_cast<size_t>(size));
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(fd);
            if (refusal != nullptr) {
                *refusal = FileRefusal::kCannotOpen;
            }
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        // The file may grow while it is read.
        if (content.size() + static_cast<size_t>(got) > maxBytes) {
            ::close(fd);
            if (refusal != nullptr) {
                *refusal = FileRefusal::kTooLarge;
            }
            return std::nullopt;
        }
        content.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return content;
}

bool SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes) {
    AtomicFileWriter writer;
    return writer.Open(path, /*createFolders=*/true) && writer.Write(bytes.data(), bytes.size()) &&
           writer.Commit();
}

} // namespace orv
