#include "protocol/pipe/CNamedPipeIncomingClient.h"

#include "platform/clock/Clock.h"
#include "platform/msg/MessageTarget.h"

#include <array>
#include <cerrno>
#include <system_error>

namespace orv {

namespace {

// How often the reader looks at its run flag while the program is silent.
constexpr int kReaderPollMs = 20;

} // namespace

CNamedPipeIncomingClient::CNamedPipeIncomingClient(UnixStreamSocket socket, MessageTarget* mainFrame)
    : m_mainFrame(mainFrame), m_socket(std::move(socket)) {}

CNamedPipeIncomingClient::~CNamedPipeIncomingClient() {
    Close();
}

bool CNamedPipeIncomingClient::StartReader() {
    std::lock_guard closing(m_closeLock);
    if (m_reader.joinable() || !m_run.load()) {
        return false;
    }
    m_readerActive = true;
    try {
        m_reader = std::thread([this] { ReadLoop(); });
    } catch (const std::system_error&) {
        m_readerActive = false;
        return false;
    }
    std::lock_guard guard(m_lock);
    m_connected = true;
    return true;
}

void CNamedPipeIncomingClient::Close() {
    std::lock_guard closing(m_closeLock);
    m_run = false;
    if (m_reader.joinable()) {
        m_reader.join();
    }
    {
        std::lock_guard guard(m_lock);
        m_closed = true;
        m_connected = false;
    }
    m_replyChanged.Set();
}

bool CNamedPipeIncomingClient::IsConnected() const {
    std::lock_guard guard(m_lock);
    return IsServableLocked();
}

void CNamedPipeIncomingClient::MarkGoneAndNotify() {
    {
        std::lock_guard guard(m_lock);
        m_connected = false;
    }
    m_replyChanged.Set();
    if (m_mainFrame != nullptr) {
        m_mainFrame->Post(kPipeClientConnectionMessage, 0, 0);
    }
}

void CNamedPipeIncomingClient::ReadLoop() {
    std::array<uint8_t, kReadSize> buffer{};
    while (m_run.load()) {
        if (!m_socket.WaitReadable(kReaderPollMs)) {
            continue;
        }
        const ssize_t got = m_socket.ReadSome(buffer.data(), buffer.size());
        if (got > 0) {
            if (const std::optional<int32_t> result =
                    m_parser.Append(buffer.data(), static_cast<size_t>(got))) {
                {
                    std::lock_guard guard(m_lock);
                    m_replyResult = *result;
                    m_replyArrived = true;
                }
                m_replyChanged.Set();
            }
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            continue;
        }
        // The program closed its end or the connection broke: nothing more will come.
        MarkGoneAndNotify();
        break;
    }
    m_readerActive = false;
}

int32_t CNamedPipeIncomingClient::SendHandHeldProbeRequest(int32_t value0, int32_t row, int32_t column,
                                                           int32_t value3, int32_t value4,
                                                           const std::stop_token& stop) {
    std::lock_guard request(m_requestLock);
    {
        std::lock_guard guard(m_lock);
        if (!IsServableLocked()) {
            return kNoReply;
        }
        m_replyArrived = false;
    }
    m_replyChanged.Clear();
    const Clock::TimePoint deadline = ClockNow() + kReplyWindow;
    const auto message = EncodeHandHeldProbeRequest({value0, row, column, value3, value4});

    size_t written = 0;
    while (written < message.size() && !stop.stop_requested() && ClockNow() < deadline) {
        {
            std::lock_guard guard(m_lock);
            if (!IsServableLocked()) {
                return kNoReply;
            }
        }
        const ssize_t done = m_socket.WriteSome(message.data() + written, message.size() - written);
        if (done > 0) {
            written += static_cast<size_t>(done);
        } else if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The program is not reading: wait for room, a little at a time, so a close is seen.
            m_socket.WaitWritable(kReaderPollMs);
        } else {
            // A failed write ends the writing; the reply window still runs, as the reader will
            // notice the hang-up.
            break;
        }
    }

    for (;;) {
        {
            std::lock_guard guard(m_lock);
            if (m_replyArrived) {
                return m_replyResult;
            }
            if (!IsServableLocked()) {
                return kNoReply;
            }
        }
        const Clock::TimePoint now = ClockNow();
        if (now >= deadline || stop.stop_requested()) {
            return kNoReply;
        }
        ClockWaitFor(m_replyChanged, deadline - now, stop);
    }
}

} // namespace orv
