#include "protocol/pipe/CNamedPipeIncomingClient.h"

#include "platform/msg/MessageTarget.h"

#include <array>
#include <cerrno>
#include <cstddef>
#include <poll.h>
#include <system_error>

namespace orv {

namespace {

// How often the reader looks at its run flag and the request's deadline while the program is silent.
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
    std::optional<Completion> completion;
    {
        std::lock_guard guard(m_lock);
        m_closed = true;
        m_connected = false;
        completion = CompleteLocked(kNoReply);
    }
    Finish(completion);
}

bool CNamedPipeIncomingClient::IsConnected() const {
    std::lock_guard guard(m_lock);
    return IsServableLocked();
}

uint64_t CNamedPipeIncomingClient::BeginLocked(const HandHeldProbeRequestValues& values,
                                               MessageTarget* target, uint32_t messageId) {
    if (!IsServableLocked() || m_pending) {
        return 0;
    }
    const auto message = EncodeHandHeldProbeRequest(values);
    // The rest of an earlier request that went out in part goes first, so the program's stream
    // stays made of whole messages.
    m_outgoing.erase(m_outgoing.begin(), m_outgoing.begin() + static_cast<std::ptrdiff_t>(m_outgoingSent));
    m_outgoingSent = 0;
    m_requestStart = m_outgoing.size();
    m_outgoing.insert(m_outgoing.end(), message.begin(), message.end());
    m_pending = true;
    m_deadline = ClockNow() + kReplyWindow;
    m_pendingTarget = target;
    m_pendingMessageId = messageId;
    m_replyChanged.Clear();
    // Most requests go out whole at once; a rest waits for room in the reader.
    WriteOutgoingLocked();
    return ++m_requestSerial;
}

std::optional<CNamedPipeIncomingClient::Completion> CNamedPipeIncomingClient::CompleteLocked(int32_t result) {
    if (!m_pending) {
        return std::nullopt;
    }
    m_pending = false;
    if (m_outgoingSent <= m_requestStart) {
        // Not begun: the request is withdrawn. A begun one is finished by the reader.
        m_outgoing.resize(m_requestStart);
    }
    m_replyResult = result;
    m_answeredSerial = m_requestSerial;
    std::optional<Completion> completion;
    if (m_pendingTarget != nullptr) {
        completion = Completion{m_pendingTarget, m_pendingMessageId, result};
    }
    m_pendingTarget = nullptr;
    return completion;
}

void CNamedPipeIncomingClient::Finish(std::optional<Completion> completion) {
    m_replyChanged.Set();
    if (completion) {
        completion->target->Post(completion->messageId, 0, completion->result);
    }
}

int32_t CNamedPipeIncomingClient::SendHandHeldProbeRequest(int32_t value0, int32_t row, int32_t column,
                                                           int32_t value3, int32_t value4,
                                                           const std::stop_token& stop) {
    uint64_t serial = 0;
    Clock::TimePoint deadline{};
    {
        std::lock_guard guard(m_lock);
        serial = BeginLocked({value0, row, column, value3, value4}, nullptr, 0);
        if (serial == 0) {
            return kNoReply;
        }
        deadline = m_deadline;
    }
    for (;;) {
        {
            std::lock_guard guard(m_lock);
            if (m_answeredSerial == serial) {
                return m_replyResult;
            }
            // Not answered yet, so the pending request is still this one.
            if (ClockNow() >= deadline || stop.stop_requested()) {
                CompleteLocked(kNoReply); // no target: nobody else is told
                return kNoReply;
            }
        }
        const Clock::TimePoint now = ClockNow();
        ClockWaitFor(m_replyChanged, now < deadline ? deadline - now : Clock::Duration::zero(), stop);
    }
}

bool CNamedPipeIncomingClient::StartHandHeldProbeRequest(int32_t value0, int32_t row, int32_t column,
                                                         int32_t value3, int32_t value4,
                                                         MessageTarget& target, uint32_t messageId) {
    {
        std::lock_guard guard(m_lock);
        if (m_pending) {
            return false;
        }
        if (BeginLocked({value0, row, column, value3, value4}, &target, messageId) != 0) {
            return true;
        }
    }
    // Closed or gone: answered at once, as a waiting caller would be.
    target.Post(messageId, 0, kNoReply);
    return true;
}

void CNamedPipeIncomingClient::MarkGoneAndNotify() {
    std::optional<Completion> completion;
    {
        std::lock_guard guard(m_lock);
        m_connected = false;
        completion = CompleteLocked(kNoReply);
    }
    Finish(completion);
    if (m_mainFrame != nullptr) {
        m_mainFrame->Post(kPipeClientConnectionMessage, 0, 0);
    }
}

void CNamedPipeIncomingClient::WriteOutgoingLocked() {
    while (m_outgoingSent < m_outgoing.size()) {
        const ssize_t done =
            m_socket.WriteSome(m_outgoing.data() + m_outgoingSent, m_outgoing.size() - m_outgoingSent);
        if (done > 0) {
            m_outgoingSent += static_cast<size_t>(done);
            continue;
        }
        if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return; // the program is not reading: the rest goes when there is room
        }
        // A failed write ends the writing; the reply window still runs, and the read notices a
        // hang-up.
        m_outgoing.clear();
        m_outgoingSent = 0;
        m_requestStart = 0;
        return;
    }
}

void CNamedPipeIncomingClient::ReadLoop() {
    std::array<uint8_t, kReadSize> buffer{};
    while (m_run.load()) {
        bool writing = false;
        std::optional<Completion> expired;
        {
            std::lock_guard guard(m_lock);
            writing = m_outgoingSent < m_outgoing.size();
            if (m_pending && ClockNow() >= m_deadline) {
                expired = CompleteLocked(kNoReply);
            }
        }
        if (expired) {
            Finish(expired);
        }
        pollfd waiting{m_socket.GetDescriptor(), static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0};
        const int ready = ::poll(&waiting, 1, kReaderPollMs);
        if (ready <= 0) {
            continue;
        }
        if ((waiting.revents & POLLOUT) != 0) {
            std::lock_guard guard(m_lock);
            WriteOutgoingLocked();
        }
        if ((waiting.revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        const ssize_t got = m_socket.ReadSome(buffer.data(), buffer.size());
        if (got > 0) {
            if (const std::optional<int32_t> result =
                    m_parser.Append(buffer.data(), static_cast<size_t>(got))) {
                std::optional<Completion> completion;
                {
                    std::lock_guard guard(m_lock);
                    completion = CompleteLocked(*result); // a reply nobody asked for is dropped
                }
                Finish(completion);
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

} // namespace orv
