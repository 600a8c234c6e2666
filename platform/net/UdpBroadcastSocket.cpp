#include "platform/net/UdpBroadcastSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv {

UdpBroadcastSocket::~UdpBroadcastSocket() {
    Close();
}

bool UdpBroadcastSocket::Fail() {
    m_lastError = errno;
    return false;
}

bool UdpBroadcastSocket::Open() {
    Close();
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    return m_fd >= 0 || Fail();
}

bool UdpBroadcastSocket::EnableBroadcast() {
    const int on = 1;
    return ::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0 || Fail();
}

bool UdpBroadcastSocket::MakeNonBlocking() {
    const int flags = ::fcntl(m_fd, F_GETFL);
    return (flags >= 0 && ::fcntl(m_fd, F_SETFL, flags | O_NONBLOCK) == 0) || Fail();
}

void UdpBroadcastSocket::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

ssize_t UdpBroadcastSocket::SendTo(uint32_t address, uint16_t port, const void* data, size_t size) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = htonl(address);
    const ssize_t sent =
        ::sendto(m_fd, data, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    if (sent < 0) {
        Fail();
    }
    return sent;
}

ssize_t UdpBroadcastSocket::ReceiveFrom(void* buffer, size_t size, uint32_t& sender) {
    sockaddr_in from{};
    socklen_t length = sizeof from;
    // MSG_TRUNC: the datagram's real length, so a long one is never taken for one that fits.
    const ssize_t received =
        ::recvfrom(m_fd, buffer, size, MSG_TRUNC | MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &length);
    if (received < 0) {
        Fail();
        return received;
    }
    sender = ntohl(from.sin_addr.s_addr);
    return received;
}

bool UdpBroadcastSocket::WaitReadable(int timeoutMs) const {
    pollfd wait{m_fd, POLLIN, 0};
    return ::poll(&wait, 1, timeoutMs) == 1 && (wait.revents & POLLIN) != 0;
}

} // namespace orv
