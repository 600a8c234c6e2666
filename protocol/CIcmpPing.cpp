#include "protocol/CIcmpPing.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <cstring>
#include <linux/errqueue.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace orv {

namespace {

constexpr uint8_t kEchoReply = 0;
constexpr uint8_t kEchoRequest = 8;
constexpr uint8_t kDestinationUnreachable = 3;
constexpr uint8_t kSourceQuenchType = 4;
constexpr uint8_t kTimeExceeded = 11;
constexpr uint8_t kParameterProblemType = 12;
constexpr size_t kIcmpHeaderSize = 8;
// How often the wait looks at the caller's stop token.
constexpr int kStopPollMs = 50;

class OwnedSocket {
public:
    explicit OwnedSocket(int fd) : m_fd(fd) {}
    OwnedSocket(const OwnedSocket&) = delete;
    OwnedSocket& operator=(const OwnedSocket&) = delete;
    ~OwnedSocket() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int Get() const { return m_fd; }

private:
    int m_fd;
};

constexpr uint8_t kEchoReplyV6 = 129;
constexpr uint8_t kEchoRequestV6 = 128;
constexpr uint8_t kDestinationUnreachableV6 = 1;
constexpr uint8_t kPacketTooBigV6 = 2;
constexpr uint8_t kTimeExceededV6 = 3;
constexpr uint8_t kParameterProblemV6 = 4;

int OpenEchoSocket(bool ipv6 = false) {
    return ipv6 ? ::socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_ICMPV6)
                : ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_ICMP);
}

// The system does not let this user send an echo of that kind at all (as opposed to a failure of
// the echo itself).
bool IsEchoRefusedBySystem(int error) {
    return error == EACCES || error == EPERM || error == EAFNOSUPPORT || error == EPROTONOSUPPORT;
}

int32_t StatusOfIcmpv6Error(uint8_t type, uint8_t code) {
    switch (type) {
    case kDestinationUnreachableV6:
        switch (code) {
        case 0:
            return CIcmpPing::kDestinationNetUnreachable;
        case 4:
            return CIcmpPing::kDestinationPortUnreachable;
        default:
            return CIcmpPing::kDestinationHostUnreachable;
        }
    case kTimeExceededV6:
        return code == 0 ? CIcmpPing::kTimeToLiveExpiredTransit : CIcmpPing::kTimeToLiveExpiredReassembly;
    case kParameterProblemV6:
        return CIcmpPing::kParameterProblem;
    case kPacketTooBigV6:
    default:
        return CIcmpPing::kGeneralFailure;
    }
}

int32_t StatusOfIcmpError(uint8_t type, uint8_t code) {
    switch (type) {
    case kDestinationUnreachable:
        switch (code) {
        case 0:
            return CIcmpPing::kDestinationNetUnreachable;
        case 1:
            return CIcmpPing::kDestinationHostUnreachable;
        case 2:
            return CIcmpPing::kDestinationProtocolUnreachable;
        case 3:
            return CIcmpPing::kDestinationPortUnreachable;
        default:
            return CIcmpPing::kDestinationHostUnreachable;
        }
    case kTimeExceeded:
        return code == 0 ? CIcmpPing::kTimeToLiveExpiredTransit : CIcmpPing::kTimeToLiveExpiredReassembly;
    case kParameterProblemType:
        return CIcmpPing::kParameterProblem;
    case kSourceQuenchType:
        return CIcmpPing::kSourceQuench;
    default:
        return CIcmpPing::kGeneralFailure;
    }
}

int32_t StatusOfSendError(int error) {
    switch (error) {
    case ENETUNREACH:
        return CIcmpPing::kDestinationNetUnreachable;
    case EHOSTUNREACH:
        return CIcmpPing::kDestinationHostUnreachable;
    default:
        return CIcmpPing::kGeneralFailure;
    }
}

// Takes one ICMP error that answered our echo off the socket's error queue; its status, or nullopt
// when the queued error came from elsewhere.
std::optional<int32_t> TakeQueuedError(int fd) {
    std::array<uint8_t, 256> data{};
    std::array<uint8_t, 512> control{};
    iovec part{data.data(), data.size()};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    if (::recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0) {
        return std::nullopt;
    }
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        const bool v4 = header->cmsg_level == SOL_IP && header->cmsg_type == IP_RECVERR;
        const bool v6 = header->cmsg_level == SOL_IPV6 && header->cmsg_type == IPV6_RECVERR;
        if (v4 || v6) {
            sock_extended_err error{};
            std::memcpy(&error, CMSG_DATA(header), sizeof error);
            if (error.ee_origin == SO_EE_ORIGIN_ICMP) {
                return StatusOfIcmpError(error.ee_type, error.ee_code);
            }
            if (error.ee_origin == SO_EE_ORIGIN_ICMP6) {
                return StatusOfIcmpv6Error(error.ee_type, error.ee_code);
            }
            return StatusOfSendError(static_cast<int>(error.ee_errno));
        }
    }
    return std::nullopt;
}

} // namespace

CIcmpPing::CIcmpPing() : CIcmpPing(&CIcmpPing::ResolveWithSystem) {}

CIcmpPing::CIcmpPing(HostResolver resolver) : m_resolver(std::move(resolver)) {}

CIcmpPing::HostAddress::HostAddress(uint32_t ipv4) : m_ipv4(ipv4) {}

CIcmpPing::HostAddress CIcmpPing::HostAddress::Ipv6(const std::array<uint8_t, 16>& bytes, uint32_t scopeId) {
    HostAddress address;
    address.m_ipv6 = true;
    address.m_ipv6Bytes = bytes;
    address.m_scopeId = scopeId;
    return address;
}

namespace {

// The first address of a getaddrinfo answer, in whichever family it comes.
std::optional<CIcmpPing::HostAddress> AddressOf(const addrinfo* found) {
    std::optional<CIcmpPing::HostAddress> address;
    for (const addrinfo* entry = found; entry != nullptr && !address; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
            sockaddr_in v4{};
            std::memcpy(&v4, entry->ai_addr, sizeof v4);
            address = CIcmpPing::HostAddress(v4.sin_addr.s_addr);
        } else if (entry->ai_family == AF_INET6 && entry->ai_addrlen >= sizeof(sockaddr_in6)) {
            sockaddr_in6 v6{};
            std::memcpy(&v6, entry->ai_addr, sizeof v6);
            std::array<uint8_t, 16> bytes{};
            std::memcpy(bytes.data(), &v6.sin6_addr, bytes.size());
            address = CIcmpPing::HostAddress::Ipv6(bytes, v6.sin6_scope_id);
        }
    }
    return address;
}

addrinfo LookupHints(int flags) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = flags;
    return hints;
}

// A numeric address (no look-up, so no wait).
std::optional<CIcmpPing::HostAddress> NumericAddress(const std::string& name) {
    const addrinfo hints = LookupHints(AI_NUMERICHOST);
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    std::optional<CIcmpPing::HostAddress> address = AddressOf(found);
    ::freeaddrinfo(found);
    return address;
}

// One asynchronous look-up: the resolver reads the name, the hints and the request block until it
// has finished, so they live on the heap together.
struct PendingLookup {
    std::string name;
    addrinfo hints = LookupHints(0);
    gaicb request{};
};

// Look-ups a stop left running; each goes once the resolver has finished it.
std::mutex g_abandonedLock;
std::vector<std::unique_ptr<PendingLookup>> g_abandoned;

void ReapAbandonedLookups() {
    std::lock_guard<std::mutex> lock(g_abandonedLock);
    std::erase_if(g_abandoned, [](const std::unique_ptr<PendingLookup>& lookup) {
        if (::gai_error(&lookup->request) == EAI_INPROGRESS) {
            return false;
        }
        if (lookup->request.ar_result != nullptr) {
            ::freeaddrinfo(lookup->request.ar_result);
        }
        return true;
    });
}

} // namespace

std::optional<CIcmpPing::HostAddress> CIcmpPing::ResolveWithSystem(const std::string& name,
                                                                   std::stop_token stop) {
    ReapAbandonedLookups();
    auto lookup = std::make_unique<PendingLookup>();
    lookup->name = name;
    lookup->request.ar_name = lookup->name.c_str();
    lookup->request.ar_request = &lookup->hints;
    gaicb* requests[] = {&lookup->request};
    if (::getaddrinfo_a(GAI_NOWAIT, requests, 1, nullptr) != 0) {
        return std::nullopt;
    }
    for (;;) {
        const int status = ::gai_error(&lookup->request);
        if (status != EAI_INPROGRESS) {
            std::optional<HostAddress> address;
            if (status == 0 && lookup->request.ar_result != nullptr) {
                address = AddressOf(lookup->request.ar_result);
            }
            if (lookup->request.ar_result != nullptr) {
                ::freeaddrinfo(lookup->request.ar_result);
            }
            return address;
        }
        if (stop.stop_requested()) {
            const int cancelled = ::gai_cancel(&lookup->request);
            if (cancelled == EAI_NOTCANCELED) {
                std::lock_guard<std::mutex> lock(g_abandonedLock);
                g_abandoned.push_back(std::move(lookup));
            } else if (cancelled == EAI_ALLDONE && lookup->request.ar_result != nullptr) {
                ::freeaddrinfo(lookup->request.ar_result);
            }
            return std::nullopt;
        }
        const gaicb* waiting[] = {&lookup->request};
        const timespec period{0, static_cast<long>(kStopPollMs) * 1000000L};
        ::gai_suspend(waiting, 1, &period);
    }
}

bool CIcmpPing::Initialize() {
    if (!m_initialized) {
        m_initialized = true;
        for (const bool ipv6 : {false, true}) {
            const int fd = OpenEchoSocket(ipv6);
            m_available = m_available || fd >= 0;
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    return m_available;
}

bool CIcmpPing::Ping(const std::string& host, IcmpEchoReplyRecord& reply, std::string& error,
                     std::stop_token stop) {
    if (!Initialize()) {
        return false;
    }
    HostAddress address;
    in_addr dotted{};
    if (::inet_aton(host.c_str(), &dotted) != 0) {
        address = HostAddress(dotted.s_addr);
    } else if (const std::optional<HostAddress> numeric = NumericAddress(host)) {
        address = *numeric; // an IPv6 address, with its zone when it has one
    } else if (const std::optional<HostAddress> resolved =
                   m_resolver ? m_resolver(host, stop) : std::nullopt) {
        address = *resolved;
    } else {
        // Its own status: the one of an earlier echo would name a reason this ping never met.
        m_lastError = kHostNotFound;
        error = "Could not resolve the host name.";
        return false;
    }
    const bool ipv6 = address.IsIpv6();

    const OwnedSocket echo(OpenEchoSocket(ipv6));
    if (echo.Get() < 0) {
        if (IsEchoRefusedBySystem(errno)) {
            // No echo of this kind can be sent here: nothing says the host is gone.
            reply.address = ipv6 ? 0 : address.Ipv4();
            reply.roundTripMs = 0;
            return true;
        }
        error = "Could not get a valid ICMP handle";
        return false;
    }
    const int timeToLive = kTimeToLive;
    const int on = 1;
    if (ipv6) {
        ::setsockopt(echo.Get(), SOL_IPV6, IPV6_UNICAST_HOPS, &timeToLive, sizeof timeToLive);
        ::setsockopt(echo.Get(), SOL_IPV6, IPV6_RECVERR, &on, sizeof on);
    } else {
        ::setsockopt(echo.Get(), SOL_IP, IP_TTL, &timeToLive, sizeof timeToLive);
        ::setsockopt(echo.Get(), SOL_IP, IP_RECVERR, &on, sizeof on);
    }

    // The kernel puts the socket's own identifier into the echo and hands it only replies that carry
    // it; the sequence number tells this echo's reply from a late one of an earlier echo.
    const uint16_t sequence = ++m_sequence;
    std::array<uint8_t, kIcmpHeaderSize + kEchoDataSize> request{};
    request[0] = ipv6 ? kEchoRequestV6 : kEchoRequest;
    request[6] = static_cast<uint8_t>(sequence >> 8);
    request[7] = static_cast<uint8_t>(sequence & 0xFF);
    std::memset(request.data() + kIcmpHeaderSize, kEchoDataByte, kEchoDataSize);

    sockaddr_storage target{};
    socklen_t targetSize = 0;
    if (ipv6) {
        sockaddr_in6 v6{};
        v6.sin6_family = AF_INET6;
        std::memcpy(&v6.sin6_addr, address.Ipv6Bytes().data(), address.Ipv6Bytes().size());
        v6.sin6_scope_id = address.ScopeId();
        std::memcpy(&target, &v6, sizeof v6);
        targetSize = sizeof v6;
    } else {
        sockaddr_in v4{};
        v4.sin_family = AF_INET;
        v4.sin_addr.s_addr = address.Ipv4();
        std::memcpy(&target, &v4, sizeof v4);
        targetSize = sizeof v4;
    }
    const auto sent = std::chrono::steady_clock::now();
    if (::sendto(echo.Get(), request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&target),
                 targetSize) < 0) {
        if (IsEchoRefusedBySystem(errno)) {
            reply.address = ipv6 ? 0 : address.Ipv4();
            reply.roundTripMs = 0;
            return true;
        }
        m_lastError = StatusOfSendError(errno);
        return false;
    }

    const auto deadline = sent + kReplyTimeout;
    std::array<uint8_t, 1500> received{};
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            m_lastError = kRequestTimedOut;
            return false;
        }
        if (stop.stop_requested()) {
            return false;
        }
        pollfd waiting{echo.Get(), POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(std::min<int64_t>(left, kStopPollMs)));
        if (ready <= 0) {
            continue;
        }
        if ((waiting.revents & POLLERR) != 0) {
            if (const std::optional<int32_t> status = TakeQueuedError(echo.Get())) {
                m_lastError = *status;
                return false;
            }
            continue;
        }
        sockaddr_storage from{};
        socklen_t fromSize = sizeof from;
        const ssize_t got = ::recvfrom(echo.Get(), received.data(), received.size(), MSG_DONTWAIT,
                                       reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (got < static_cast<ssize_t>(kIcmpHeaderSize)) {
            continue;
        }
        const uint16_t replySequence = static_cast<uint16_t>((received[6] << 8) | received[7]);
        if (received[0] != (ipv6 ? kEchoReplyV6 : kEchoReply) || replySequence != sequence) {
            continue; // an answer to another echo
        }
        const size_t dataSize = static_cast<size_t>(got) - kIcmpHeaderSize;
        bool ours = dataSize == kEchoDataSize;
        for (size_t i = 0; ours && i < kEchoDataSize; ++i) {
            ours = received[kIcmpHeaderSize + i] == kEchoDataByte;
        }
        if (!ours) {
            m_lastError = kUnexpectedNetworkError;
            return false;
        }
        // The record holds an IPv4 address; an IPv6 host's reply leaves it 0.
        reply.address = 0;
        if (from.ss_family == AF_INET) {
            sockaddr_in v4{};
            std::memcpy(&v4, &from, sizeof v4);
            reply.address = v4.sin_addr.s_addr;
        }
        reply.roundTripMs = static_cast<uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent)
                .count());
        return true;
    }
}

} // namespace orv
