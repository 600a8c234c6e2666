#pragma once

// One open TCPIP SOCKET resource of the built-in VISA layer: raw SCPI over a TCP connection.
//
// Reads end at the termination character (when enabled), at the caller's count, or at the time-out
// (kErrorTimeout, with what arrived so far returned). The termination character is enabled from the
// start, because instrument replies end in a line feed and a driver that never sets the attribute
// must still see its replies end. viPrintf output is held until it ends in a line feed (or viFlush
// sends it); viFlush discards input to the end of the current reply. Nothing is ever written past
// the caller's buffer or count, a closed or reset connection gives kErrorConnectionLost (never a
// signal), and numbers are formatted and read in the C locale.
//
// Operations on one session are serialised by its lock; Abort (from viClose on another thread) wakes
// an operation that waits.

#include "platform/visa/VisaResourceName.h"
#include "platform/visa/VisaTypes.h"

#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orv::visa {

class VisaSocketSession {
public:
    // Connects to the resource (at most kConnectTimeoutMs); kErrorResourceNotFound when it cannot.
    static Status Open(const SocketResource& resource, std::unique_ptr<VisaSocketSession>& session);
    // Takes over a connected stream socket (the session closes it).
    static std::unique_ptr<VisaSocketSession> FromConnectedSocket(int socket);
    ~VisaSocketSession();
    VisaSocketSession(const VisaSocketSession&) = delete;
    VisaSocketSession& operator=(const VisaSocketSession&) = delete;

    static constexpr uint32_t kConnectTimeoutMs = 5000;
    static constexpr uint32_t kDefaultTimeoutMs = 2000;

    Status Read(unsigned char* buffer, uint32_t count, uint32_t* returned);
    Status Printf(const char* format, va_list args);
    Status Scanf(const char* format, va_list args);
    Status Flush(uint16_t mask);
    Status SetAttribute(Attribute attribute, AttrState value);
    Status GetAttribute(Attribute attribute, void* value);

    // Shuts the connection down so that a waiting operation returns at once.
    void Abort();

private:
    class Deadline;

    explicit VisaSocketSession(int socket);

    // Under m_lock.
    Status ReceiveMore(const Deadline& deadline);
    size_t Buffered() const { return m_inputEnd - m_inputPos; }
    Status PeekByte(const Deadline& deadline, unsigned char& byte);
    void Consumed(const unsigned char* data, size_t count);
    Status ReadInto(unsigned char* buffer, size_t count, const Deadline& deadline, size_t& copied,
                    bool& endedAtTerm);
    Status ReadExact(unsigned char* buffer, size_t count, const Deadline& deadline, size_t& copied);
    Status DiscardToTermChar(const Deadline& deadline);
    void DiscardInput();
    void DrainReceivedNow();
    Status SendPending(const Deadline& deadline);

    // Conversions of Scanf; each reads from the input under the same deadline.
    Status SkipWhiteSpace(const Deadline& deadline);
    Status ReadToken(const Deadline& deadline, const char* allowed, std::string& token);
    Status ReadIntegerInRealForm(const Deadline& deadline, std::string& token, int64_t low, int64_t high,
                                 std::optional<int64_t>& value);
    Status ScanText(const Deadline& deadline, char conversion, unsigned char* out, size_t capacity,
                    size_t& stored);
    Status ScanBlock(const Deadline& deadline, unsigned char* out, size_t capacity, size_t& stored,
                     bool& truncated);

    std::mutex m_lock;
    int m_socket;
    std::vector<unsigned char> m_input; // received, not yet taken: [m_inputPos, m_inputEnd)
    size_t m_inputPos = 0;
    size_t m_inputEnd = 0;
    std::string m_output;
    bool m_connectionLost = false;
    // Part of a reply has been taken but not its termination character.
    bool m_insideReply = false;
    uint32_t m_timeoutMs = kDefaultTimeoutMs;
    uint32_t m_receiveTimeoutSet = 0; // the socket's receive time-out, ms (0: never set)
    unsigned char m_termChar = '\n';
    bool m_termCharEnabled = true;
    uint16_t m_readBufferMode = 0;
    uint16_t m_vendorOption = 0;
};

} // namespace orv::visa
