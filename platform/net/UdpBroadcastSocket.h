#pragma once

// A UDP socket for broadcast searches on the local networks: the search sends one query to each
// network's broadcast address and collects the datagrams that come back. The socket is closed by its
// destructor, so a search that gives up half-way never leaves it open. Every call keeps the system's
// error number for the caller's log line.

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

namespace orv {

class UdpBroadcastSocket {
public:
    UdpBroadcastSocket() = default;
    ~UdpBroadcastSocket();
    UdpBroadcastSocket(const UdpBroadcastSocket&) = delete;
    UdpBroadcastSocket& operator=(const UdpBroadcastSocket&) = delete;

    // Makes the socket (closing one already held).
    bool Open();
    bool EnableBroadcast();
    bool MakeNonBlocking();
    bool IsOpen() const { return m_fd >= 0; }
    int GetDescriptor() const { return m_fd; }
    void Close();

    // Bytes sent, or -1; `address` in host byte order.
    ssize_t SendTo(uint32_t address, uint16_t port, const void* data, size_t size);
    // One waiting datagram: its real length (which may exceed `size`: the rest is dropped, never read
    // as another datagram), or -1 (EAGAIN when none is waiting). `sender` in host byte order.
    ssize_t ReceiveFrom(void* buffer, size_t size, uint32_t& sender);
    // Waits up to `timeoutMs` for a datagram.
    bool WaitReadable(int timeoutMs) const;

    // The system's error number of the last call that failed.
    int GetLastError() const { return m_lastError; }

private:
    bool Fail();

    int m_fd = -1;
    int m_lastError = 0;
};

} // namespace orv
