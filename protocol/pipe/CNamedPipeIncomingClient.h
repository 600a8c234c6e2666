#pragma once

// One program connected to the hand-held probe pipe. Its reader thread collects the program's
// replies; the main frame asks it, once per cell, whether the hand-held probe scan goes on.
//
// The listener and the caller share the client (shared_ptr): when a new program replaces this one,
// or the program goes away, the client is closed, and a request that is running or still to come
// answers -2 at once; the object itself lives on as long as anyone holds it.

#include "platform/clock/Clock.h"
#include "platform/net/UnixStreamSocket.h"
#include "platform/sync/Event.h"
#include "protocol/pipe/HandHeldProbeReplyParser.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

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
    // is closed or gone, when another request is still pending, or when `stop` fires.
    int32_t SendHandHeldProbeRequest(int32_t value0, int32_t row, int32_t column, int32_t value3,
                                     int32_t value4, const std::stop_token& stop = {});
    // The same without waiting: `target` is posted `messageId` (wParam 0, lParam the result) exactly
    // once, when the reply comes, after the 30 seconds, or at once when the client cannot serve.
    // The main frame then waits in its own event loop. False (nothing posted) while another request
    // is pending. `target` must outlive the client's reader (Close).
    bool StartHandHeldProbeRequest(int32_t value0, int32_t row, int32_t column, int32_t value3,
                                   int32_t value4, MessageTarget& target, uint32_t messageId);

    bool IsConnected() const;
    bool IsReaderRunning() const { return m_readerActive.load(); }

private:
    struct Completion {
        MessageTarget* target = nullptr;
        uint32_t messageId = 0;
        int32_t result = 0;
    };

    // Under m_lock. Starts a request: its bytes go out through the reader. Answers its serial
    // number, 0 when the client cannot serve or a request is pending.
    uint64_t BeginLocked(const HandHeldProbeRequestValues& values, MessageTarget* target, uint32_t messageId);
    // Under m_lock. Answers the pending request once; the message to post, if any, is returned to be
    // posted after the lock is released.
    std::optional<Completion> CompleteLocked(int32_t result);
    void Finish(std::optional<Completion> completion);
    void ReadLoop();
    void WriteOutgoingLocked();
    bool IsServableLocked() const { return m_connected && !m_closed; }
    void MarkGoneAndNotify();

    // Written by the reader and the caller alike, always under m_lock.
    mutable std::mutex m_lock;
    bool m_connected = false;
    bool m_closed = false;
    bool m_pending = false;
    Clock::TimePoint m_deadline{};
    MessageTarget* m_pendingTarget = nullptr;
    uint32_t m_pendingMessageId = 0;
    uint64_t m_requestSerial = 0;  // of the latest request
    uint64_t m_answeredSerial = 0; // of the latest request answered, with its result
    int32_t m_replyResult = 0;
    std::vector<uint8_t> m_outgoing;
    size_t m_outgoingSent = 0;
    size_t m_requestStart = 0; // where the pending request's bytes begin in m_outgoing
    Event m_replyChanged{Event::Reset::Auto};

    std::atomic<bool> m_run{true};
    std::atomic<bool> m_readerActive{false};
    std::thread m_reader;
    std::mutex m_closeLock;

    MessageTarget* m_mainFrame;
    UnixStreamSocket m_socket;
    HandHeldProbeReplyParser m_parser; // reader thread only
};

} // namespace orv
