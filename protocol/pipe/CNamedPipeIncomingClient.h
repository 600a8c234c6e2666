#pragma once

// One program connected to the hand-held probe pipe. Its reader thread collects the program's
// replies; the main frame asks it, once per cell, whether the hand-held probe scan goes on.
//
// The listener and the caller share the client (shared_ptr): when a new program replaces this one,
// or the program goes away, the client is closed, and a request that is running or still to come
// answers -2 at once; the object itself lives on as long as anyone holds it.

#include "platform/net/UnixStreamSocket.h"
#include "protocol/pipe/HandHeldProbeReplyParser.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <thread>

#include "platform/sync/Event.h"

namespace orv {

class MessageTarget;

// Posted to the main frame: wParam 1 when a program connected, 0 when it went away.
inline constexpr uint32_t kPipeClientConnectionMessage = 10041;

class CNamedPipeIncomingClient {
public:
    // How long a request waits for its reply (the write counts against the same time).
    static constexpr std::chrono::seconds kReplyWindow{30};
    static constexpr size_t kReadSize = 5120;
    static constexpr int32_t kNoReply = -2;

    // `mainFrame` is told when the program goes away; it must outlive the client's reader (Close).
    CNamedPipeIncomingClient(UnixStreamSocket socket, MessageTarget* mainFrame);
    CNamedPipeIncomingClient(const CNamedPipeIncomingClient&) = delete;
    CNamedPipeIncomingClient& operator=(const CNamedPipeIncomingClient&) = delete;
    ~CNamedPipeIncomingClient();

    // Starts the reader thread and marks the client connected; false when the thread cannot start.
    bool StartReader();
    // Stops and joins the reader and answers a waiting request with -2. Never call it on the reader.
    void Close();

    // Sends one request (type 1001 with the five values) and answers the program's result: the
    // value it sent, or -2 when no reply came within 30 seconds (platform clock), when the client
    // is closed or gone, or when `stop` fires.
    int32_t SendHandHeldProbeRequest(int32_t value0, int32_t row, int32_t column, int32_t value3,
                                     int32_t value4, const std::stop_token& stop = {});

    bool IsConnected() const;
    bool IsReaderRunning() const { return m_readerActive.load(); }

private:
    void ReadLoop();
    // Under m_lock.
    bool IsServableLocked() const { return m_connected && !m_closed; }
    void MarkGoneAndNotify();

    // Reply result and flag, the connection state; written by the reader, read by the caller.
    mutable std::mutex m_lock;
    int32_t m_replyResult = 0;
    bool m_replyArrived = false;
    bool m_connected = false;
    bool m_closed = false;
    Event m_replyChanged{Event::Reset::Auto};

    // Serialises requests: one request at a time owns the reply flag.
    std::mutex m_requestLock;

    std::atomic<bool> m_run{true};
    std::atomic<bool> m_readerActive{false};
    std::thread m_reader;
    std::mutex m_closeLock;

    MessageTarget* m_mainFrame;
    UnixStreamSocket m_socket;
    HandHeldProbeReplyParser m_parser; // reader thread only
};

} // namespace orv
