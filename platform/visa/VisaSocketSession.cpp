#include "platform/visa/VisaSocketSession.h"

#include "platform/CLocale.h"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string_view>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <utility>

namespace orv::visa {

namespace {

constexpr size_t kReceiveChunk = size_t{64} * 1024;
// Reads of at least this many bytes go straight into the caller's buffer.
constexpr size_t kDirectReadSize = size_t{16} * 1024;
// Output held by viPrintf is sent once it grows past this, line feed or not.
constexpr size_t kHeldOutputLimit = size_t{64} * 1024;
// Longest number text a conversion reads.
constexpr size_t kLongestNumber = 128;

bool IsSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

Status LostOrIo(int error) {
    if (error == EPIPE || error == ECONNRESET || error == ENOTCONN || error == ESHUTDOWN ||
        error == ECONNABORTED) {
        return kErrorConnectionLost;
    }
    return kErrorIo;
}

} // namespace

// The end of one operation: every wait of the operation shares it.
class VisaSocketSession::Deadline {
public:
    explicit Deadline(uint32_t timeoutMs)
        : m_infinite(timeoutMs == kTimeoutInfinite),
          m_end(std::chrono::steady_clock::now() + std::chrono::milliseconds(m_infinite ? 0 : timeoutMs)) {}

    // True the first time it is asked.
    bool TakeFirstWait() const { return std::exchange(m_firstWait, false); }

    // Milliseconds left for poll: -1 waits without end.
    int RemainingMs() const {
        if (m_infinite) {
            return -1;
        }
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(m_end - std::chrono::steady_clock::now());
        return static_cast<int>(std::clamp<int64_t>(left.count(), 0, INT_MAX));
    }

private:
    bool m_infinite;
    std::chrono::steady_clock::time_point m_end;
    mutable bool m_firstWait = true;
};

Status VisaSocketSession::Open(const SocketResource& resource, std::unique_ptr<VisaSocketSession>& session) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(resource.port);
    if (getaddrinfo(resource.host.c_str(), port.c_str(), &hints, &found) != 0 || found == nullptr) {
        return kErrorResourceNotFound;
    }
    int connected = -1;
    for (addrinfo* address = found; address != nullptr && connected < 0; address = address->ai_next) {
        const int s = socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                             address->ai_protocol);
        if (s < 0) {
            continue;
        }
        int result = connect(s, address->ai_addr, address->ai_addrlen);
        if (result != 0 && errno == EINPROGRESS) {
            pollfd waiting{s, POLLOUT, 0};
            const Deadline deadline(kConnectTimeoutMs);
            int ready = 0;
            do {
                ready = poll(&waiting, 1, deadline.RemainingMs());
            } while (ready < 0 && errno == EINTR);
            int error = ETIMEDOUT;
            socklen_t length = sizeof error;
            if (ready == 1) {
                getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length);
            }
            result = error == 0 ? 0 : -1;
        }
        if (result == 0) {
            connected = s;
        } else {
            close(s);
        }
    }
    freeaddrinfo(found);
    if (connected < 0) {
        return kErrorResourceNotFound;
    }
    // Waits are bounded per call (poll, or recv with a receive time-out); sends never block.
    fcntl(connected, F_SETFL, fcntl(connected, F_GETFL) & ~O_NONBLOCK);
    // Queries are short and answered at once: no waiting to fill segments.
    const int on = 1;
    setsockopt(connected, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    session.reset(new VisaSocketSession(connected));
    return kSuccess;
}

// The input buffer is sized by the first receive: a session that is opened and closed again (a
// detection probe, a failed identification) costs no zeroed buffer.
VisaSocketSession::VisaSocketSession(int socket) : m_socket(socket) {}

std::unique_ptr<VisaSocketSession> VisaSocketSession::FromConnectedSocket(int socket) {
    return std::unique_ptr<VisaSocketSession>(new VisaSocketSession(socket));
}

VisaSocketSession::~VisaSocketSession() {
    close(m_socket);
}

void VisaSocketSession::Abort() {
    shutdown(m_socket, SHUT_RDWR);
}

Status VisaSocketSession::ReceiveMore(const Deadline& deadline) {
    if (m_connectionLost) {
        return kErrorConnectionLost;
    }
    if (m_inputPos == m_inputEnd) {
        m_inputPos = m_inputEnd = 0;
    }
    if (m_input.size() - m_inputEnd < kReceiveChunk && m_inputPos > 0) {
        std::memmove(m_input.data(), m_input.data() + m_inputPos, Buffered());
        m_inputEnd -= m_inputPos;
        m_inputPos = 0;
    }
    if (m_input.size() - m_inputEnd < kReceiveChunk) {
        m_input.resize(m_inputEnd + kReceiveChunk);
    }
    if (deadline.TakeFirstWait() && m_timeoutMs > 0) {
        // The first wait of an operation blocks in recv itself, bounded by the session's time-out:
        // one call where a reply is asked for and answered.
        if (m_receiveTimeoutSet != m_timeoutMs) {
            timeval limit{};
            if (m_timeoutMs != kTimeoutInfinite) {
                limit.tv_sec = static_cast<time_t>(m_timeoutMs / 1000);
                limit.tv_usec = static_cast<suseconds_t>((m_timeoutMs % 1000) * 1000);
            }
            setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
            m_receiveTimeoutSet = m_timeoutMs;
        }
        ssize_t got = 0;
        do {
            got = recv(m_socket, m_input.data() + m_inputEnd, m_input.size() - m_inputEnd, 0);
        } while (got < 0 && errno == EINTR);
        if (got > 0) {
            m_inputEnd += static_cast<size_t>(got);
            return kSuccess;
        }
        if (got == 0) {
            m_connectionLost = true;
            return kErrorConnectionLost;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return kErrorTimeout;
        }
        m_connectionLost = true;
        return LostOrIo(errno);
    }
    while (true) {
        pollfd waiting{m_socket, POLLIN, 0};
        const int ready = poll(&waiting, 1, deadline.RemainingMs());
        if (ready == 0) {
            return kErrorTimeout;
        }
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return kErrorIo;
        }
        const ssize_t got =
            recv(m_socket, m_input.data() + m_inputEnd, m_input.size() - m_inputEnd, MSG_DONTWAIT);
        if (got > 0) {
            m_inputEnd += static_cast<size_t>(got);
            return kSuccess;
        }
        if (got == 0) {
            m_connectionLost = true;
            return kErrorConnectionLost;
        }
        const int error = errno;
        if (error != EINTR && error != EAGAIN && error != EWOULDBLOCK) {
            m_connectionLost = true;
            return LostOrIo(error);
        }
    }
}

Status VisaSocketSession::PeekByte(const Deadline& deadline, unsigned char& byte) {
    if (Buffered() == 0) {
        if (const Status status = ReceiveMore(deadline); status < 0) {
            return status;
        }
    }
    byte = m_input[m_inputPos];
    return kSuccess;
}

void VisaSocketSession::Consumed(const unsigned char* data, size_t count) {
    if (count > 0) {
        m_insideReply = !(m_termCharEnabled && data[count - 1] == m_termChar);
    }
}

// Copies up to `count` bytes, stopping after the termination character when it is enabled.
Status VisaSocketSession::ReadInto(unsigned char* buffer, size_t count, const Deadline& deadline,
                                   size_t& copied, bool& endedAtTerm) {
    copied = 0;
    endedAtTerm = false;
    while (copied < count) {
        if (Buffered() > 0) {
            size_t take = std::min(Buffered(), count - copied);
            const unsigned char* from = m_input.data() + m_inputPos;
            if (m_termCharEnabled) {
                if (const void* term = std::memchr(from, m_termChar, take)) {
                    take = static_cast<size_t>(static_cast<const unsigned char*>(term) - from) + 1;
                    endedAtTerm = true;
                }
            }
            std::memcpy(buffer + copied, from, take);
            Consumed(from, take);
            m_inputPos += take;
            copied += take;
            if (endedAtTerm) {
                return kSuccess;
            }
            continue;
        }
        if (m_connectionLost) {
            return kErrorConnectionLost;
        }
        if (count - copied >= kDirectReadSize) {
            // Large reads skip the buffer; bytes past a termination character are put back.
            const ssize_t got = recv(m_socket, buffer + copied, count - copied, MSG_DONTWAIT);
            const int error = errno;
            if (got > 0) {
                const unsigned char* from = buffer + copied;
                size_t take = static_cast<size_t>(got);
                if (m_termCharEnabled) {
                    if (const void* term = std::memchr(from, m_termChar, take)) {
                        take = static_cast<size_t>(static_cast<const unsigned char*>(term) - from) + 1;
                        endedAtTerm = true;
                        const size_t excess = static_cast<size_t>(got) - take;
                        if (m_input.size() < excess) {
                            m_input.resize(excess);
                        }
                        std::memcpy(m_input.data(), from + take, excess);
                        m_inputPos = 0;
                        m_inputEnd = excess;
                    }
                }
                Consumed(from, take);
                copied += take;
                if (endedAtTerm) {
                    return kSuccess;
                }
                continue;
            }
            if (got == 0) {
                m_connectionLost = true;
                return kErrorConnectionLost;
            }
            if (error == EINTR) {
                continue;
            }
            if (error != EAGAIN && error != EWOULDBLOCK) {
                m_connectionLost = true;
                return LostOrIo(error);
            }
            pollfd waiting{m_socket, POLLIN, 0};
            const int ready = poll(&waiting, 1, deadline.RemainingMs());
            if (ready == 0) {
                return kErrorTimeout;
            }
            continue;
        }
        if (const Status status = ReceiveMore(deadline); status < 0) {
            return status;
        }
    }
    return kSuccess;
}

// Exactly `count` bytes (binary data: the termination character is data here).
Status VisaSocketSession::ReadExact(unsigned char* buffer, size_t count, const Deadline& deadline,
                                    size_t& copied) {
    const bool termEnabled = m_termCharEnabled;
    m_termCharEnabled = false;
    bool endedAtTerm = false;
    const Status status = ReadInto(buffer, count, deadline, copied, endedAtTerm);
    m_termCharEnabled = termEnabled;
    if (copied > 0) {
        Consumed(buffer + copied - 1, 1);
    }
    return status;
}

Status VisaSocketSession::Read(unsigned char* buffer, uint32_t count, uint32_t* returned) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (returned != nullptr) {
        *returned = 0;
    }
    if (buffer == nullptr && count > 0) {
        return kErrorUserBuffer;
    }
    const Deadline deadline(m_timeoutMs);
    size_t copied = 0;
    bool endedAtTerm = false;
    const Status status = ReadInto(buffer, count, deadline, copied, endedAtTerm);
    if (returned != nullptr) {
        *returned = static_cast<uint32_t>(copied);
    }
    if (status < 0) {
        return status;
    }
    return endedAtTerm ? kSuccessTermChar : kSuccessMaxCount;
}

Status VisaSocketSession::SendPending(const Deadline& deadline) {
    size_t sent = 0;
    Status status = kSuccess;
    while (sent < m_output.size()) {
        const ssize_t done =
            send(m_socket, m_output.data() + sent, m_output.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (done > 0) {
            sent += static_cast<size_t>(done);
            continue;
        }
        const int error = errno;
        if (done < 0 && error == EINTR) {
            continue;
        }
        if (done < 0 && (error == EAGAIN || error == EWOULDBLOCK)) {
            pollfd waiting{m_socket, POLLOUT, 0};
            if (poll(&waiting, 1, deadline.RemainingMs()) == 0) {
                status = kErrorTimeout;
                break;
            }
            continue;
        }
        m_connectionLost = true;
        status = LostOrIo(error);
        break;
    }
    // What could not be sent is dropped with the failure: the next command must not carry it.
    m_output.clear();
    return status;
}

void VisaSocketSession::DiscardInput() {
    m_inputPos = 0;
    m_inputEnd = 0;
}

void VisaSocketSession::DrainReceivedNow() {
    unsigned char scratch[4096];
    while (true) {
        const ssize_t got = recv(m_socket, scratch, sizeof scratch, MSG_DONTWAIT);
        if (got > 0) {
            if (m_insideReply && m_termCharEnabled &&
                std::memchr(scratch, m_termChar, static_cast<size_t>(got)) != nullptr) {
                m_insideReply = false;
            }
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got == 0) {
            m_connectionLost = true;
        }
        return;
    }
}

Status VisaSocketSession::DiscardToTermChar(const Deadline& deadline) {
    while (m_insideReply) {
        if (Buffered() == 0) {
            if (const Status status = ReceiveMore(deadline); status < 0) {
                return status;
            }
        }
        const unsigned char* from = m_input.data() + m_inputPos;
        const void* term = std::memchr(from, m_termChar, Buffered());
        if (term != nullptr) {
            m_inputPos += static_cast<size_t>(static_cast<const unsigned char*>(term) - from) + 1;
            m_insideReply = false;
        } else {
            m_inputPos = m_inputEnd;
        }
    }
    return kSuccess;
}

Status VisaSocketSession::Flush(uint16_t mask) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (mask == 0) {
        return kErrorInvalidParameter;
    }
    const Deadline deadline(m_timeoutMs);
    Status status = kSuccess;
    if ((mask & (kFlushReadBuffer | kFlushIoInBuffer)) != 0) {
        // The rest of the reply taken last is discarded up to its end, with whatever has arrived.
        if (m_insideReply && m_termCharEnabled) {
            const unsigned char* from = m_input.data() + m_inputPos;
            if (std::memchr(from, m_termChar, Buffered()) != nullptr) {
                m_insideReply = false;
            }
        }
        DiscardInput();
        DrainReceivedNow();
        if (m_insideReply && m_termCharEnabled && !m_connectionLost) {
            status = DiscardToTermChar(deadline);
            DiscardInput();
        }
        m_insideReply = false;
    }
    if ((mask & (kFlushReadBufferDiscard | kFlushIoInBufferDiscard)) != 0) {
        DiscardInput();
        m_insideReply = false;
    }
    if ((mask & (kFlushWriteBufferDiscard | kFlushIoOutBufferDiscard)) != 0) {
        m_output.clear();
    }
    if ((mask & (kFlushWriteBuffer | kFlushIoOutBuffer)) != 0 && !m_output.empty()) {
        const Status sent = SendPending(deadline);
        if (status >= 0) {
            status = sent;
        }
    }
    return status < 0 ? status : kSuccess;
}

Status VisaSocketSession::SetAttribute(Attribute attribute, AttrState value) {
    std::lock_guard<std::mutex> guard(m_lock);
    switch (attribute) {
    case kAttrTimeoutValue:
        if (value > kTimeoutInfinite) {
            return kErrorUnsupportedAttributeState;
        }
        m_timeoutMs = static_cast<uint32_t>(value);
        return kSuccess;
    case kAttrTermChar:
        if (value > 0xFF) {
            return kErrorUnsupportedAttributeState;
        }
        m_termChar = static_cast<unsigned char>(value);
        return kSuccess;
    case kAttrTermCharEnabled:
        if (value > 1) {
            return kErrorUnsupportedAttributeState;
        }
        m_termCharEnabled = value == 1;
        return kSuccess;
    case kAttrReadBufferMode:
        m_readBufferMode = static_cast<uint16_t>(value);
        return kSuccess;
    case kAttrVendorManagerOption:
        m_vendorOption = static_cast<uint16_t>(value);
        return kSuccess;
    default:
        return kErrorUnsupportedAttribute;
    }
}

Status VisaSocketSession::GetAttribute(Attribute attribute, void* value) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (value == nullptr) {
        return kErrorUserBuffer;
    }
    switch (attribute) {
    case kAttrTimeoutValue:
        std::memcpy(value, &m_timeoutMs, sizeof m_timeoutMs);
        return kSuccess;
    case kAttrTermChar:
        std::memcpy(value, &m_termChar, sizeof m_termChar);
        return kSuccess;
    case kAttrTermCharEnabled: {
        const uint16_t enabled = m_termCharEnabled ? 1 : 0;
        std::memcpy(value, &enabled, sizeof enabled);
        return kSuccess;
    }
    case kAttrReadBufferMode:
        std::memcpy(value, &m_readBufferMode, sizeof m_readBufferMode);
        return kSuccess;
    case kAttrVendorManagerOption:
        std::memcpy(value, &m_vendorOption, sizeof m_vendorOption);
        return kSuccess;
    default:
        return kErrorUnsupportedAttribute;
    }
}

// ---- formatted output ----

Status VisaSocketSession::Printf(const char* format, va_list args) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (format == nullptr) {
        return kErrorUserBuffer;
    }
    if (m_connectionLost) {
        return kErrorConnectionLost;
    }
    std::string text;
    Status status = kSuccess;
    for (const char* p = format; *p != '\0' && status >= 0; ++p) {
        if (*p != '%') {
            text += *p;
            continue;
        }
        // One conversion: flags, width, precision, size, type.
        std::string spec = "%";
        ++p;
        while (*p != '\0' && std::strchr("-+ #0", *p) != nullptr) {
            spec += *p++;
        }
        auto copyNumber = [&](void) -> bool {
            if (*p == '*') {
                spec += std::to_string(va_arg(args, int));
                ++p;
                return true;
            }
            while (*p >= '0' && *p <= '9') {
                spec += *p++;
            }
            return true;
        };
        copyNumber();
        if (*p == '.') {
            spec += *p++;
            copyNumber();
        }
        // Sizes as VISA has them: h 16-bit, l 32-bit, ll 64-bit.
        int size = 0;
        if (*p == 'h') {
            size = 16;
            ++p;
        } else if (*p == 'l' && p[1] == 'l') {
            size = 64;
            p += 2;
        } else if (*p == 'l') {
            size = 32;
            ++p;
        }
        const char type = *p;
        switch (type) {
        case '%':
            text += '%';
            break;
        case 'd':
        case 'i':
            if (size == 64) {
                text += FormatC((spec + "lld").c_str(), static_cast<long long>(va_arg(args, int64_t)));
            } else if (size == 32) {
                text += FormatC((spec + "d").c_str(), static_cast<int>(va_arg(args, int32_t)));
            } else {
                const int value = va_arg(args, int);
                text += FormatC((spec + "d").c_str(), size == 16 ? static_cast<int16_t>(value) : value);
            }
            break;
        case 'u':
        case 'x':
        case 'X':
        case 'o': {
            const char unsignedType[2] = {type, '\0'};
            if (size == 64) {
                text += FormatC((spec + "ll" + unsignedType).c_str(),
                                static_cast<unsigned long long>(va_arg(args, uint64_t)));
            } else {
                const unsigned value = va_arg(args, unsigned);
                text +=
                    FormatC((spec + unsignedType).c_str(), size == 16 ? static_cast<uint16_t>(value) : value);
            }
            break;
        }
        case 'f':
        case 'e':
        case 'E':
        case 'g':
        case 'G': {
            const char floatType[2] = {type, '\0'};
            text += FormatC((spec + floatType).c_str(), va_arg(args, double));
            break;
        }
        case 'c':
            text += static_cast<char>(va_arg(args, int));
            break;
        case 's': {
            const char* value = va_arg(args, const char*);
            if (value == nullptr) {
                status = kErrorUserBuffer;
                break;
            }
            // The text is data: its own '%' signs are never read as conversions.
            text += FormatC((spec + "s").c_str(), value);
            break;
        }
        case '\0':
            status = kErrorInvalidFormat;
            --p; // the loop must stop at the end
            break;
        default:
            status = kErrorUnsupportedFormat;
            break;
        }
    }
    if (status < 0) {
        return status;
    }
    m_output += text;
    if ((!text.empty() && text.back() == '\n') || m_output.size() >= kHeldOutputLimit) {
        return SendPending(Deadline(m_timeoutMs));
    }
    return kSuccess;
}

// ---- formatted input ----

Status VisaSocketSession::SkipWhiteSpace(const Deadline& deadline) {
    while (true) {
        unsigned char byte = 0;
        if (const Status status = PeekByte(deadline, byte); status < 0) {
            return status;
        }
        if (!IsSpace(byte)) {
            return kSuccess;
        }
        Consumed(&byte, 1);
        ++m_inputPos;
    }
}

Status VisaSocketSession::ReadToken(const Deadline& deadline, const char* allowed, std::string& token) {
    token.clear();
    if (const Status status = SkipWhiteSpace(deadline); status < 0) {
        return status;
    }
    while (token.size() <= kLongestNumber) {
        unsigned char byte = 0;
        if (const Status status = PeekByte(deadline, byte); status < 0) {
            return status;
        }
        if (std::strchr(allowed, byte) == nullptr || byte == '\0') {
            return kSuccess;
        }
        token += static_cast<char>(byte);
        Consumed(&byte, 1);
        ++m_inputPos;
    }
    return kErrorInvalidFormat;
}

// %s (a word) and %t (to the termination character, which it keeps); at most capacity - 1 bytes and a
// terminating zero. `stored` counts the bytes without the zero.
Status VisaSocketSession::ScanText(const Deadline& deadline, char conversion, unsigned char* out,
                                   size_t capacity, size_t& stored) {
    stored = 0;
    out[0] = '\0';
    if (conversion == 's') {
        if (const Status status = SkipWhiteSpace(deadline); status < 0) {
            return status;
        }
    }
    while (stored + 1 < capacity) {
        unsigned char byte = 0;
        if (const Status status = PeekByte(deadline, byte); status < 0) {
            out[stored] = '\0';
            return status;
        }
        if (conversion == 's' && IsSpace(byte)) {
            break;
        }
        out[stored++] = byte;
        Consumed(&byte, 1);
        ++m_inputPos;
        if (conversion == 't' && byte == m_termChar) {
            break;
        }
    }
    out[stored] = '\0';
    return kSuccess;
}

// An IEEE 488.2 block "#<n><length><bytes>" ("#0" runs to the termination character); at most
// `capacity` bytes are kept and the rest of the block is read and dropped. Data that is not a block
// is taken as it is, up to the termination character.
Status VisaSocketSession::ScanBlock(const Deadline& deadline, unsigned char* out, size_t capacity,
                                    size_t& stored, bool& truncated) {
    stored = 0;
    truncated = false;
    unsigned char byte = 0;
    if (const Status status = PeekByte(deadline, byte); status < 0) {
        return status;
    }
    auto takeUntilTerm = [&](bool dropOverflow) -> Status {
        while (true) {
            unsigned char next = 0;
            if (const Status status = PeekByte(deadline, next); status < 0) {
                return status;
            }
            if (next == m_termChar) {
                return kSuccess;
            }
            if (stored == capacity) {
                if (!dropOverflow) {
                    return kSuccess;
                }
                truncated = true;
            } else {
                out[stored++] = next;
            }
            Consumed(&next, 1);
            ++m_inputPos;
        }
    };
    if (byte != '#') {
        return takeUntilTerm(false);
    }
    Consumed(&byte, 1);
    ++m_inputPos;
    unsigned char digits = 0;
    if (const Status status = PeekByte(deadline, digits); status < 0) {
        return status;
    }
    if (digits < '0' || digits > '9') {
        return kErrorInvalidFormat;
    }
    Consumed(&digits, 1);
    ++m_inputPos;
    if (digits == '0') {
        return takeUntilTerm(true);
    }
    uint64_t length = 0;
    for (int i = 0; i < digits - '0'; ++i) {
        unsigned char digit = 0;
        if (const Status status = PeekByte(deadline, digit); status < 0) {
            return status;
        }
        if (digit < '0' || digit > '9') {
            return kErrorInvalidFormat;
        }
        length = length * 10 + static_cast<uint64_t>(digit - '0');
        Consumed(&digit, 1);
        ++m_inputPos;
    }
    const size_t keep = static_cast<size_t>(std::min<uint64_t>(length, capacity));
    size_t copied = 0;
    if (const Status status = ReadExact(out, keep, deadline, copied); status < 0) {
        stored = copied;
        return status;
    }
    stored = copied;
    uint64_t left = length - keep;
    truncated = left > 0;
    unsigned char scratch[4096];
    while (left > 0) {
        const size_t part = static_cast<size_t>(std::min<uint64_t>(left, sizeof scratch));
        if (const Status status = ReadExact(scratch, part, deadline, copied); status < 0) {
            return status;
        }
        left -= part;
    }
    return kSuccess;
}

// Instruments answer many integer queries in real form ("+1.00100000000E+03"). Cutting such a number
// at its decimal point would give a wrong value and leave the rest of it to the next conversion: the
// whole number is taken, and it is an integer only when it is a whole number within [low, high].
Status VisaSocketSession::ReadIntegerInRealForm(const Deadline& deadline, std::string& token, int64_t low,
                                                int64_t high, std::optional<int64_t>& value) {
    // The digits ended at a byte that has arrived (the token's reader looked at it).
    if (Buffered() == 0) {
        return kSuccess;
    }
    const unsigned char next = m_input[m_inputPos];
    if (next != '.' && next != 'e' && next != 'E') {
        return kSuccess;
    }
    std::string rest;
    if (const Status status = ReadToken(deadline, "+-0123456789.eE", rest); status < 0) {
        return status;
    }
    token += rest;
    value.reset();
    const std::optional<double> real = ParseDoubleC(token);
    if (!real || !std::isfinite(*real) || std::trunc(*real) != *real) {
        return kErrorInvalidFormat;
    }
    // Beyond 2^63 a double no longer converts; the bounds below it are exact as doubles.
    if (*real < static_cast<double>(low) || *real >= -static_cast<double>(INT64_MIN) ||
        *real > static_cast<double>(high)) {
        return kErrorInvalidFormat;
    }
    value = static_cast<int64_t>(*real);
    return kSuccess;
}

Status VisaSocketSession::Scanf(const char* format, va_list args) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (format == nullptr) {
        return kErrorUserBuffer;
    }
    const Deadline deadline(m_timeoutMs);
    Status status = kSuccess;
    bool truncated = false;
    for (const char* p = format; *p != '\0' && status >= 0; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (IsSpace(c)) {
            // White space in the format takes what white space has arrived; it never waits.
            while (Buffered() > 0 && IsSpace(m_input[m_inputPos])) {
                Consumed(&m_input[m_inputPos], 1);
                ++m_inputPos;
            }
            continue;
        }
        if (c != '%' || p[1] == '%') {
            if (c == '%') {
                ++p;
            }
            unsigned char byte = 0;
            status = PeekByte(deadline, byte);
            if (status >= 0 && byte != static_cast<unsigned char>(*p)) {
                status = kErrorInvalidFormat;
            }
            if (status >= 0) {
                Consumed(&byte, 1);
                ++m_inputPos;
            }
            continue;
        }
        ++p;
        bool counted = false; // '#': the capacity comes as an argument
        if (*p == '#') {
            counted = true;
            ++p;
        }
        size_t width = 0;
        bool hasWidth = false;
        while (*p >= '0' && *p <= '9') {
            hasWidth = true;
            width = std::min<size_t>(width * 10 + static_cast<size_t>(*p - '0'), size_t{1} << 31);
            ++p;
        }
        int size = 0;
        if (*p == 'h') {
            size = 16;
            ++p;
        } else if (*p == 'l' && p[1] == 'l') {
            size = 64;
            p += 2;
        } else if (*p == 'l' || *p == 'L') {
            size = 32;
            ++p;
        }
        const char type = *p;
        if (type == '\0') {
            status = kErrorInvalidFormat;
            break;
        }
        switch (type) {
        case 'd':
        case 'i': {
            std::string token;
            status = ReadToken(deadline, "+-0123456789", token);
            if (status < 0) {
                break;
            }
            const int64_t low = size == 16 ? INT16_MIN : size == 64 ? INT64_MIN : INT32_MIN;
            const int64_t high = size == 16 ? INT16_MAX : size == 64 ? INT64_MAX : INT32_MAX;
            std::optional<int64_t> value = ParseInt64C(token);
            status = ReadIntegerInRealForm(deadline, token, low, high, value);
            if (status < 0) {
                break;
            }
            if (!value || *value < low || *value > high) {
                status = kErrorInvalidFormat;
                break;
            }
            if (size == 16) {
                *va_arg(args, int16_t*) = static_cast<int16_t>(*value);
            } else if (size == 64) {
                *va_arg(args, int64_t*) = *value;
            } else {
                *va_arg(args, int32_t*) = static_cast<int32_t>(*value);
            }
            break;
        }
        case 'f':
        case 'e':
        case 'g':
        case 'E':
        case 'G': {
            std::string token;
            status = ReadToken(deadline, "+-0123456789.eE", token);
            if (status < 0) {
                break;
            }
            const std::optional<double> value = ParseDoubleC(token);
            if (!value) {
                status = kErrorInvalidFormat;
                break;
            }
            if (size == 32 || size == 64) {
                *va_arg(args, double*) = *value;
            } else if (std::isfinite(*value) && std::fabs(*value) <= FLT_MAX) {
                *va_arg(args, float*) = static_cast<float>(*value);
            } else {
                status = kErrorInvalidFormat;
            }
            break;
        }
        case 's':
        case 't':
        case 'b': {
            // The caller's buffer bounds every text and block: a width or a counted capacity.
            int32_t* capacityArgument = counted ? va_arg(args, int32_t*) : nullptr;
            size_t capacity = 0;
            if (counted) {
                if (capacityArgument == nullptr || *capacityArgument <= 0) {
                    status = kErrorUserBuffer;
                    break;
                }
                capacity = static_cast<size_t>(*capacityArgument);
            } else if (hasWidth && width > 0) {
                capacity = type == 'b' ? width : width + 1;
            } else {
                status = kErrorUnsupportedFormat;
                break;
            }
            if (type == 'b' && size != 0) {
                status = kErrorUnsupportedFormat;
                break;
            }
            auto* out = va_arg(args, unsigned char*);
            if (out == nullptr) {
                status = kErrorUserBuffer;
                break;
            }
            size_t stored = 0;
            if (type == 'b') {
                bool blockTruncated = false;
                status = ScanBlock(deadline, out, capacity, stored, blockTruncated);
                truncated = truncated || blockTruncated;
                // A data byte equal to the termination character does not end the message.
                m_insideReply = true;
            } else {
                status = ScanText(deadline, type, out, capacity, stored);
            }
            if (capacityArgument != nullptr) {
                *capacityArgument = static_cast<int32_t>(stored);
            }
            break;
        }
        case 'c': {
            auto* out = va_arg(args, char*);
            const size_t count = hasWidth && width > 0 ? width : 1;
            size_t copied = 0;
            status = out == nullptr
                         ? kErrorUserBuffer
                         : ReadExact(reinterpret_cast<unsigned char*>(out), count, deadline, copied);
            break;
        }
        default:
            status = kErrorUnsupportedFormat;
            break;
        }
    }
    // Flush on access: what is left of the reply after the conversions ("No error" after the number,
    // the line feed after a block) is dropped, so that it never answers the next query. After a
    // time-out or a lost connection nothing is dropped: a retry goes on where the read stopped.
    if (m_readBufferMode == 1 && m_termCharEnabled && status != kErrorTimeout && !m_connectionLost) {
        DiscardToTermChar(deadline);
    }
    if (status < 0) {
        return status;
    }
    return truncated ? kSuccessMaxCount : kSuccess;
}

} // namespace orv::visa
