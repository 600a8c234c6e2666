#include "platform/net/UnixStreamSocket.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace orv {

namespace {

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() > UnixListeningSocket::MaximumPathLength()) {
        return false;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

bool WaitFor(int fd, short events, int timeoutMs) {
    pollfd waiting{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&waiting, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        return ready > 0;
    }
}

} // namespace

UnixStreamSocket::UnixStreamSocket(UnixStreamSocket&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

UnixStreamSocket& UnixStreamSocket::operator=(UnixStreamSocket&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

UnixStreamSocket::~UnixStreamSocket() {
    Close();
}

UnixStreamSocket UnixStreamSocket::Connect(const std::string& path) {
    sockaddr_un address{};
    if (!FillAddress(path, address)) {
        errno = ENAMETOOLONG;
        return {};
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return {};
    }
    UnixStreamSocket socket(fd);
    while (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINTR) {
            return {};
        }
    }
    return socket;
}

void UnixStreamSocket::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

ssize_t UnixStreamSocket::ReadSome(void* buffer, size_t size) {
    for (;;) {
        const ssize_t got = ::recv(m_fd, buffer, size, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return got;
    }
}

ssize_t UnixStreamSocket::WriteSome(const void* data, size_t size) {
    for (;;) {
        const ssize_t done = ::send(m_fd, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        return done;
    }
}

bool UnixStreamSocket::WaitReadable(int timeoutMs) {
    return WaitFor(m_fd, POLLIN, timeoutMs);
}

bool UnixStreamSocket::WaitWritable(int timeoutMs) {
    return WaitFor(m_fd, POLLOUT, timeoutMs);
}

UnixListeningSocket::~UnixListeningSocket() {
    Close();
}

size_t UnixListeningSocket::MaximumPathLength() {
    return sizeof(sockaddr_un::sun_path) - 1;
}

UnixListeningSocket::Status UnixListeningSocket::Listen(const std::string& path, std::string& error) {
    Close();
    sockaddr_un address{};
    if (!FillAddress(path, address)) {
        error = "the path does not fit a socket address";
        return Status::PathTooLong;
    }
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            error = "another kind of file has the name";
            return Status::NameTaken;
        }
        ::unlink(path.c_str());
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return Status::Failed;
    }
    // Owner only, whatever the umask: nobody can connect before listen(), so setting the mode between
    // the two leaves no window for another user.
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(path.c_str(), 0600) != 0 || ::listen(fd, 16) != 0) {
        error = std::strerror(errno);
        ::close(fd);
        return Status::Failed;
    }
    m_fd = fd;
    m_path = path;
    struct stat bound {};
    m_inode = ::lstat(path.c_str(), &bound) == 0 ? bound.st_ino : 0;
    return Status::Listening;
}

void UnixListeningSocket::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
        // Only our own socket is removed: another listener may already have replaced it.
        struct stat existing {};
        if (::lstat(m_path.c_str(), &existing) == 0 && S_ISSOCK(existing.st_mode) &&
            existing.st_ino == m_inode) {
            ::unlink(m_path.c_str());
        }
        m_path.clear();
    }
}

bool UnixListeningSocket::WaitForConnection(int timeoutMs) {
    return WaitFor(m_fd, POLLIN, timeoutMs);
}

UnixStreamSocket UnixListeningSocket::Accept(int* error) {
    for (;;) {
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0 && errno == EINTR) {
            continue;
        }
        if (error != nullptr) {
            *error = fd >= 0 ? 0 : errno;
        }
        return fd >= 0 ? UnixStreamSocket(fd) : UnixStreamSocket();
    }
}

} // namespace orv
