#pragma once

// Local stream sockets (AF_UNIX) for programs on the same machine: the listening side binds a path
// and hands out non-blocking connections; either side reads and writes without ever blocking and
// without SIGPIPE, so a peer that vanished shows as an error code, never as a signal.

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace orv {

// An owned descriptor of a connected local stream socket.
class UnixStreamSocket {
public:
    UnixStreamSocket() = default;
    explicit UnixStreamSocket(int descriptor) : m_fd(descriptor) {}
    UnixStreamSocket(UnixStreamSocket&& other) noexcept;
    UnixStreamSocket& operator=(UnixStreamSocket&& other) noexcept;
    UnixStreamSocket(const UnixStreamSocket&) = delete;
    UnixStreamSocket& operator=(const UnixStreamSocket&) = delete;
    ~UnixStreamSocket();

    // Connects to a listening path (blocking connect, then non-blocking use). Invalid on failure,
    // with errno kept.
    static UnixStreamSocket Connect(const std::string& path);

    bool IsValid() const { return m_fd >= 0; }
    int GetDescriptor() const { return m_fd; }
    void Close();

    // Bytes read (> 0), 0 when the peer has closed, -1 with errno (EAGAIN: nothing there yet).
    ssize_t ReadSome(void* buffer, size_t size);
    // Bytes written (>= 0), -1 with errno (EAGAIN: the socket's buffer is full; EPIPE: peer gone).
    ssize_t WriteSome(const void* data, size_t size);
    // Waits up to `timeoutMs` for bytes or a hang-up (true), or for room to write.
    bool WaitReadable(int timeoutMs);
    bool WaitWritable(int timeoutMs);

private:
    int m_fd = -1;
};

// A bound, listening local socket. The path is unlinked when the listener goes.
class UnixListeningSocket {
public:
    enum class Status { Listening, PathTooLong, NameTaken, Failed };

    UnixListeningSocket() = default;
    UnixListeningSocket(const UnixListeningSocket&) = delete;
    UnixListeningSocket& operator=(const UnixListeningSocket&) = delete;
    ~UnixListeningSocket();

    // Binds and listens at `path`. A socket already at the path is taken for a leftover of an
    // earlier run and removed; anything else there (a file, a folder, a link) is left alone and
    // answers NameTaken. `error` receives the system's reason for Failed.
    Status Listen(const std::string& path, std::string& error);
    bool IsListening() const { return m_fd >= 0; }
    void Close();

    // Waits up to `timeoutMs` for a connection; false when none came.
    bool WaitForConnection(int timeoutMs);
    // The next waiting connection, non-blocking; invalid when none is waiting or it could not be
    // taken, with the reason's errno in `error` when given (0 on success).
    UnixStreamSocket Accept(int* error = nullptr);

    // The longest path a socket address holds.
    static size_t MaximumPathLength();

private:
    int m_fd = -1;
    std::string m_path;
    ino_t m_inode = 0;
};

} // namespace orv
