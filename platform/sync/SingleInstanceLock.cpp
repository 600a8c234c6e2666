#include "platform/sync/SingleInstanceLock.h"

#include "platform/fs/AppPaths.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace orv {

SingleInstanceLock::~SingleInstanceLock() {
    Release();
}

SingleInstanceLock::Result SingleInstanceLock::Acquire(std::string path) {
    if (m_fd >= 0) {
        return Result::Acquired;
    }
    if (path.empty()) {
        const std::string folder = GetUserRuntimeFolder();
        if (folder.empty()) {
            return Result::Unavailable;
        }
        path = folder + "/" + kLockName;
    }
    m_path = path;
    // O_NOFOLLOW: a link planted at the name is refused rather than followed.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return Result::Unavailable;
    }
    int rc = 0;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? Result::AlreadyRunning : Result::Unavailable;
    }
    m_fd = fd;
    return Result::Acquired;
}

void SingleInstanceLock::Release() {
    if (m_fd < 0) {
        return;
    }
    // The file stays: removing it would let a third copy lock a new file while a second still waits
    // on the old one.
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}

} // namespace orv
