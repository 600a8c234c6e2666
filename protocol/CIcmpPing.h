#pragma once

// Checks that a network analyser's host answers an ICMP echo, over an unprivileged ICMP datagram
// socket (the program runs as an ordinary user and opens no raw socket): ICMP for an IPv4 host,
// ICMPv6 for an IPv6 one, the name resolved in either family. Where the system's ping group does
// not include the user, no such socket can be opened: Initialize then answers false and the
// connection thread goes without pings. Where an echo cannot be sent to a host although pings were
// possible at first (no echo socket of the host's family, the send refused by the system), the host
// counts as reachable: a working analyser is never reported lost for want of an echo.
//
// The echo: 32 data bytes 'E', time-to-live 10, 3,000 ms for the answer. The last-error numbers
// are the echo status numbers the log line has always shown: 11003 host unreachable, 11013
// time-to-live expired on the way, 11010 no answer in time, 59 a reply that is not ours, 11001 a host
// name that could not be resolved.

#include "protocol/AnalyzerPing.h"

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>

namespace orv {

class CIcmpPing final : public AnalyzerPing {
public:
    static constexpr size_t kEchoDataSize = 32;
    static constexpr uint8_t kEchoDataByte = 'E';
    static constexpr int kTimeToLive = 10;
    static constexpr std::chrono::milliseconds kReplyTimeout{3000};

    // Echo status numbers set as the last error.
    static constexpr int32_t kUnexpectedNetworkError = 59;
    // The host name could not be resolved (or its look-up was stopped).
    static constexpr int32_t kHostNotFound = 11001;
    static constexpr int32_t kDestinationNetUnreachable = 11002;
    static constexpr int32_t kDestinationHostUnreachable = 11003;
    static constexpr int32_t kDestinationProtocolUnreachable = 11004;
    static constexpr int32_t kDestinationPortUnreachable = 11005;
    static constexpr int32_t kRequestTimedOut = 11010;
    static constexpr int32_t kTimeToLiveExpiredTransit = 11013;
    static constexpr int32_t kTimeToLiveExpiredReassembly = 11014;
    static constexpr int32_t kParameterProblem = 11015;
    static constexpr int32_t kSourceQuench = 11016;
    static constexpr int32_t kGeneralFailure = 11050;

    // A host's address in either family, as the echo goes to it.
    class HostAddress {
    public:
        HostAddress() = default;
        // An IPv4 address in network byte order (what a resolver of IPv4 names answers).
        HostAddress(uint32_t ipv4); // NOLINT(google-explicit-constructor)
        static HostAddress Ipv6(const std::array<uint8_t, 16>& bytes, uint32_t scopeId = 0);
        bool IsIpv6() const { return m_ipv6; }
        uint32_t Ipv4() const { return m_ipv4; }
        const std::array<uint8_t, 16>& Ipv6Bytes() const { return m_ipv6Bytes; }
        uint32_t ScopeId() const { return m_scopeId; }

    private:
        bool m_ipv6 = false;
        uint32_t m_ipv4 = 0;
        std::array<uint8_t, 16> m_ipv6Bytes{};
        uint32_t m_scopeId = 0;
    };

    // Answers the first address of a host name in any family, or nullopt; a stop requested on the
    // token ends the look-up at once with nullopt.
    using HostResolver =
        std::function<std::optional<HostAddress>(const std::string& name, std::stop_token stop)>;

    CIcmpPing();
    // Tests replace the name resolution.
    explicit CIcmpPing(HostResolver resolver);

    bool Initialize() override;
    bool Ping(const std::string& host, IcmpEchoReplyRecord& reply, std::string& error,
              std::stop_token stop = {}) override;
    int32_t GetLastError() const override { return m_lastError; }

    // The system's resolver, asked without blocking: a stop leaves a look-up that cannot be
    // cancelled to finish on its own (its memory is taken back by a later look-up).
    static std::optional<HostAddress> ResolveWithSystem(const std::string& name, std::stop_token stop);

private:
    HostResolver m_resolver;
    bool m_initialized = false;
    bool m_available = false;
    uint16_t m_sequence = 0;
    int32_t m_lastError = 0;
};

} // namespace orv
