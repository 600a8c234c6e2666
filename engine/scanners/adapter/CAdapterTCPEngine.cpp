#include "engine/scanners/adapter/CAdapterTCPEngine.h"

#include "engine/scanners/LinkStop.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv {

namespace {

using SteadyTime = std::chrono::steady_clock;

int RemainingMs(SteadyTime::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyTime::now()).count();
    return static_cast<int>(std::clamp<int64_t>(left, 0, 1 << 30));
}

} // namespace

CAdapterTCPEngine::~CAdapterTCPEngine() {
    Close();
}

bool CAdapterTCPEngine::Connect(const std::string& address, uint16_t port) {
    Close();
    m_address = address;
    m_port = port;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &target.sin_addr) != 1) {
        return false;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const int receiveBuffer = kReceiveBuffer;
    const int noDelay = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        if (errno != EINPROGRESS) {
            ::close(fd);
            return false;
        }
        pollfd wait{fd, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        // Writable is not connected: a refused connect reports writable too, with its error pending.
        if (::poll(&wait, 1, static_cast<int>(kConnectWaitMs)) != 1 ||
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            ::close(fd);
            return false;
        }
    }
    m_socket.store(fd);
    return true;
}

bool CAdapterTCPEngine::Write(const uint8_t* bytes, uint32_t count, uint32_t timeoutMs) {
    const int fd = m_socket.load();
    if (fd < 0) {
        return false;
    }
    const auto deadline = SteadyTime::now() + std::chrono::milliseconds(timeoutMs);
    uint32_t sent = 0;
    while (sent < count) {
        const ssize_t n = ::send(fd, bytes + sent, count - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            Close();
            return false;
        }
        const int left = RemainingMs(deadline);
        pollfd wait{fd, POLLOUT, 0};
        if (left == 0 || ::poll(&wait, 1, std::min(left, 10)) < 0) {
            return false;
        }
    }
    return true;
}

bool CAdapterTCPEngine::Read(uint8_t* buffer, uint32_t count, uint32_t timeoutMs) {
    const int fd = m_socket.load();
    if (fd < 0 || count == 0) {
        return fd >= 0;
    }
    const uint64_t counter = std::min(timeoutMs, kMaxReadCounter);
    const auto deadline = SteadyTime::now() + std::chrono::milliseconds(counter * (counter + 1) / 2);
    // The socket wakes the wait only once the whole count is there (or the stream ended).
    const int lowWater = static_cast<int>(count);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVLOWAT, &lowWater, sizeof lowWater);
    for (;;) {
        const ssize_t waiting = ::recv(fd, buffer, count, MSG_PEEK | MSG_DONTWAIT);
        if (waiting == static_cast<ssize_t>(count)) {
            return ::recv(fd, buffer, count, 0) == static_cast<ssize_t>(count);
        }
        if (waiting == 0 || (waiting < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            Close();
            return false;
        }
        const int left = RemainingMs(deadline);
        if (left == 0 || LinkStop::Requested()) {
            return false;
        }
        pollfd wait{fd, POLLIN | POLLRDHUP, 0};
        const int ready = ::poll(&wait, 1, std::min(left, static_cast<int>(LinkStop::kPollMs)));
        if (ready < 0 && errno != EINTR) {
            return false;
        }
        if (ready > 0 && (wait.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
            // The rest of the count will never come.
            Close();
            return false;
        }
    }
}

void CAdapterTCPEngine::Close() {
    const int fd = m_socket.exchange(-1);
    if (fd >= 0) {
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
    }
}

} // namespace orv
