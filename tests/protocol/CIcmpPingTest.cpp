#include "protocol/CIcmpPing.h"

#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <net/if.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sched.h>
#include <stop_token>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;

// Runs `body` on a thread of its own inside a new network namespace with only its loopback up, so
// that no echo can leave this machine. Answers the call the system refused, empty when it ran.
std::string RunInOwnNetworkNamespace(const std::function<void()>& body) {
    std::string refused;
    std::thread inside([&] {
        if (::unshare(CLONE_NEWNET) != 0) {
            refused = std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno);
            return;
        }
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ifreq request{};
        std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
        if (fd < 0 || ::ioctl(fd, SIOCGIFFLAGS, &request) != 0 ||
            (request.ifr_flags |= IFF_UP, ::ioctl(fd, SIOCSIFFLAGS, &request) != 0)) {
            refused = std::string("ioctl(SIOCSIFFLAGS, lo up): ") + std::strerror(errno);
            if (fd >= 0) {
                ::close(fd);
            }
            return;
        }
        ::close(fd);
        body();
    });
    inside.join();
    return refused;
}

// Writes a network setting of the calling thread's namespace.
bool SetNetworkSetting(const std::string& name, const std::string& value) {
    std::ofstream setting("/proc/sys/net/ipv4/" + name);
    setting << value << "\n";
    setting.flush();
    return static_cast<bool>(setting);
}

void OpenPingGroupToThisProcess() {
    const std::string group = std::to_string(::getegid());
    ASSERT_TRUE(SetNetworkSetting("ping_group_range", group + " " + group));
}

// Skips where namespaces cannot be made; as root (the CI) it fails instead, since it must run there.
#define RUN_IN_OWN_NETWORK_NAMESPACE(...)                                                                    \
    do {                                                                                                     \
        const std::string refused = RunInOwnNetworkNamespace(__VA_ARGS__);                                   \
        if (!refused.empty()) {                                                                              \
            if (::geteuid() == 0) {                                                                          \
                FAIL() << refused;                                                                           \
            }                                                                                                \
            GTEST_SKIP() << refused;                                                                         \
        }                                                                                                    \
    } while (false)

uint16_t Checksum(const uint8_t* data, size_t size) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < size; i += 2) {
        sum += static_cast<uint32_t>(data[i] << 8 | data[i + 1]);
    }
    if (size % 2 != 0) {
        sum += static_cast<uint32_t>(data[size - 1] << 8);
    }
    while (sum >> 16 != 0) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<uint16_t>(~sum);
}

// Answers echo requests on the namespace's loopback from a raw socket (the kernel's own answers are
// switched off), each with the replies the test scripted for it.
class ScriptedEchoResponder {
public:
    struct Answer {
        int sequenceShift = 0; // answer as if to another echo
        size_t dataSize = 32;  // bytes of data sent back
        int changedByte = -1;  // index of a data byte that is altered, -1 none
        int errorType = -1;    // answer with this ICMP error instead (code 0), -1 none
    };

    explicit ScriptedEchoResponder(std::vector<Answer> answers) : m_answers(std::move(answers)) {
        m_fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (m_fd >= 0) {
            m_thread = std::thread([this] { Serve(); });
        }
    }
    ~ScriptedEchoResponder() {
        m_run = false;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    bool IsReady() const { return m_fd >= 0; }

private:
    void Serve() {
        uint8_t packet[1500];
        bool answered = false;
        while (m_run && !answered) {
            pollfd waiting{m_fd, POLLIN, 0};
            if (::poll(&waiting, 1, 20) <= 0) {
                continue;
            }
            sockaddr_in from{};
            socklen_t fromSize = sizeof from;
            const ssize_t got =
                ::recvfrom(m_fd, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
            if (got < 20) {
                continue;
            }
            const size_t headerSize = static_cast<size_t>(packet[0] & 0x0F) * 4;
            const uint8_t* icmp = packet + headerSize;
            if (static_cast<size_t>(got) < headerSize + 8 || icmp[0] != 8) {
                continue; // our own answers come back here too
            }
            for (const Answer& answer : m_answers) {
                if (answer.errorType >= 0) {
                    // An error carries the echo's IP header and its first 8 bytes.
                    std::vector<uint8_t> error(8, 0);
                    error[0] = static_cast<uint8_t>(answer.errorType);
                    error.insert(error.end(), packet, packet + headerSize + 8);
                    const uint16_t sum = Checksum(error.data(), error.size());
                    error[2] = static_cast<uint8_t>(sum >> 8);
                    error[3] = static_cast<uint8_t>(sum & 0xFF);
                    ::sendto(m_fd, error.data(), error.size(), 0, reinterpret_cast<sockaddr*>(&from),
                             fromSize);
                    continue;
                }
                std::vector<uint8_t> reply(icmp, icmp + 8);
                reply[0] = 0;
                const uint16_t sequence =
                    static_cast<uint16_t>((icmp[6] << 8 | icmp[7]) + answer.sequenceShift);
                reply[6] = static_cast<uint8_t>(sequence >> 8);
                reply[7] = static_cast<uint8_t>(sequence & 0xFF);
                reply.resize(8 + answer.dataSize, 'E');
                if (answer.changedByte >= 0) {
                    reply[8 + static_cast<size_t>(answer.changedByte)] = 'F';
                }
                reply[2] = reply[3] = 0;
                const uint16_t sum = Checksum(reply.data(), reply.size());
                reply[2] = static_cast<uint8_t>(sum >> 8);
                reply[3] = static_cast<uint8_t>(sum & 0xFF);
                ::sendto(m_fd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), fromSize);
            }
            answered = true;
        }
    }

    std::vector<Answer> m_answers;
    int m_fd = -1;
    std::atomic<bool> m_run{true};
    std::thread m_thread;
};

uint32_t Loopback() {
    return htonl(INADDR_LOOPBACK);
}

TEST(CIcmpPing, LoopbackAnswersWithoutNameResolution) {
    RUN_IN_OWN_NETWORK_NAMESPACE([] {
        OpenPingGroupToThisProcess();
        std::vector<std::string> resolved;
        CIcmpPing ping([&resolved](const std::string& name, std::stop_token /*stop*/) {
            resolved.push_back(name);
            return std::optional<uint32_t>();
        });
        ASSERT_TRUE(ping.Initialize());
        IcmpEchoReplyRecord reply;
        std::string error;
        EXPECT_TRUE(ping.Ping("127.0.0.1", reply, error));
        EXPECT_EQ(reply.address, Loopback());
        EXPECT_LT(reply.roundTripMs, 1000u);
        EXPECT_TRUE(error.empty());
        EXPECT_TRUE(resolved.empty());

        // A name goes to the resolver, and its address is used.
        CIcmpPing named([&resolved](const std::string& name, std::stop_token /*stop*/) {
            resolved.push_back(name);
            return std::optional<uint32_t>(Loopback());
        });
        EXPECT_TRUE(named.Ping("analyser.lab", reply, error));
        EXPECT_EQ(resolved, std::vector<std::string>{"analyser.lab"});
    });
}

TEST(CIcmpPing, UnknownNameAnswersTheResolutionError) {
    RUN_IN_OWN_NETWORK_NAMESPACE([] {
        OpenPingGroupToThisProcess();
        CIcmpPing ping; // the system's resolution, which has no server to ask in here
        IcmpEchoReplyRecord reply{7, 7};
        std::string error;
        EXPECT_FALSE(ping.Ping("orvilant-no-such-host.invalid", reply, error));
        EXPECT_EQ(error, "Could not resolve the host name.");
        EXPECT_EQ(ping.GetLastError(), CIcmpPing::kHostNotFound);
        EXPECT_EQ(reply.address, 7u);
    });
}

TEST(CIcmpPing, NoAnswerTimesOutAfterThreeSecondsWithTheTimeOutStatus) {
    RUN_IN_OWN_NETWORK_NAMESPACE([] {
        OpenPingGroupToThisProcess();
        ASSERT_TRUE(SetNetworkSetting("icmp_echo_ignore_all", "1"));
        CIcmpPing ping;
        IcmpEchoReplyRecord reply;
        std::string error;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(ping.Ping("127.0.0.1", reply, error));
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(ping.GetLastError(), CIcmpPing::kRequestTimedOut);
        EXPECT_GE(waited, 2900ms);
        EXPECT_LT(waited, 6s);

        // The caller's stop token ends the wait early.
        std::stop_source stop;
        stop.request_stop();
        const auto stopped = std::chrono::steady_clock::now();
        EXPECT_FALSE(ping.Ping("127.0.0.1", reply, error, stop.get_token()));
        EXPECT_LT(std::chrono::steady_clock::now() - stopped, 1s);
    });
}

TEST(CIcmpPing, RepliesAreCheckedAndAnswersToOtherEchoesIgnored) {
    struct Case {
        const char* what;
        std::vector<ScriptedEchoResponder::Answer> answers;
        bool answered;
        int32_t lastError;
    };
    const std::vector<Case> cases{
        {"31 data bytes", {{0, 31, -1}}, false, CIcmpPing::kUnexpectedNetworkError},
        {"one byte changed", {{0, 32, 17}}, false, CIcmpPing::kUnexpectedNetworkError},
        {"another sequence, then ours", {{5, 32, -1}, {0, 32, -1}}, true, 0},
        {"time-to-live expired on the way", {{0, 32, -1, 11}}, false, CIcmpPing::kTimeToLiveExpiredTransit},
        {"destination unreachable", {{0, 32, -1, 3}}, false, CIcmpPing::kDestinationNetUnreachable},
    };
    for (const Case& c : cases) {
        RUN_IN_OWN_NETWORK_NAMESPACE([&c] {
            OpenPingGroupToThisProcess();
            ASSERT_TRUE(SetNetworkSetting("icmp_echo_ignore_all", "1"));
            ScriptedEchoResponder responder(c.answers);
            ASSERT_TRUE(responder.IsReady()) << std::strerror(errno);
            CIcmpPing ping;
            IcmpEchoReplyRecord reply;
            std::string error;
            EXPECT_EQ(ping.Ping("127.0.0.1", reply, error), c.answered) << c.what;
            EXPECT_EQ(ping.GetLastError(), c.lastError) << c.what;
        });
    }
}

TEST(CIcmpPing, AnAddressWithoutARouteAnswersNetworkUnreachable) {
    RUN_IN_OWN_NETWORK_NAMESPACE([] {
        OpenPingGroupToThisProcess();
        CIcmpPing ping;
        IcmpEchoReplyRecord reply;
        std::string error;
        // The namespace has only its loopback: nothing leaves it, and the send itself is refused.
        EXPECT_FALSE(ping.Ping("10.250.0.1", reply, error));
        EXPECT_EQ(ping.GetLastError(), CIcmpPing::kDestinationNetUnreachable);
        EXPECT_TRUE(error.empty());
    });
}

// A look-up that never answers (a resolver whose servers do not reply) is ended by the caller's
// stop at once, and the failure is the look-up's own, not the status of the echo before it.
TEST(CIcmpPing, AStoppedLookUpReturnsAtOnceWithItsOwnStatus) {
    RUN_IN_OWN_NETWORK_NAMESPACE([] {
        OpenPingGroupToThisProcess();
        std::atomic<bool> asked{false};
        CIcmpPing ping([&asked](const std::string& /*name*/, std::stop_token stop) {
            std::mutex lock;
            std::condition_variable_any woken;
            std::unique_lock<std::mutex> held(lock);
            asked = true;
            woken.wait(held, stop, [] { return false; });
            return std::optional<CIcmpPing::HostAddress>();
        });
        IcmpEchoReplyRecord reply;
        std::string error;
        EXPECT_FALSE(ping.Ping("10.250.0.1", reply, error));
        ASSERT_EQ(ping.GetLastError(), CIcmpPing::kDestinationNetUnreachable);

        std::stop_source stop;
        std::thread stopper([&] {
            while (!asked) {
                std::this_thread::yield();
            }
            stop.request_stop();
        });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(ping.Ping("analyser.lab", reply, error, stop.get_token()));
        stopper.join();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        EXPECT_EQ(error, "Could not resolve the host name.");
        EXPECT_EQ(ping.GetLastError(), CIcmpPing::kHostNotFound);
    });
}

TEST(CIcmpPing, AClosedPingGroupAnswersFalseAndTheFirstAnswerStays) {
    RUN_IN_OWN_NETWORK_NAMESPACE([] {
        ASSERT_TRUE(SetNetworkSetting("ping_group_range", "1 0"));
        CIcmpPing ping;
        EXPECT_FALSE(ping.Initialize());
        IcmpEchoReplyRecord reply;
        std::string error = "untouched";
        EXPECT_FALSE(ping.Ping("127.0.0.1", reply, error));
        EXPECT_EQ(error, "untouched");
        // The failed first attempt is not repeated, even once pings would work.
        OpenPingGroupToThisProcess();
        EXPECT_FALSE(ping.Initialize());
        EXPECT_TRUE(CIcmpPing().Initialize());
    });
}

// An IPv6 host gets an ICMPv6 echo: a literal address as it is, a name through the resolver.
TEST(CIcmpPing, Ipv6HostsAnswerAnIcmpv6Echo) {
    RUN_IN_OWN_NETWORK_NAMESPACE([] {
        OpenPingGroupToThisProcess();
        std::vector<std::string> resolved;
        CIcmpPing ping([&resolved](const std::string& name, std::stop_token /*stop*/) {
            resolved.push_back(name);
            std::array<uint8_t, 16> loopback{};
            loopback[15] = 1;
            return std::optional<CIcmpPing::HostAddress>(CIcmpPing::HostAddress::Ipv6(loopback));
        });
        ASSERT_TRUE(ping.Initialize());
        IcmpEchoReplyRecord reply{7, 7};
        std::string error;
        EXPECT_TRUE(ping.Ping("::1", reply, error)) << ping.GetLastError();
        EXPECT_TRUE(resolved.empty());
        EXPECT_EQ(reply.address, 0u);
        EXPECT_LT(reply.roundTripMs, 1000u);
        EXPECT_TRUE(ping.Ping("analyser6.lab", reply, error)) << ping.GetLastError();
        EXPECT_EQ(resolved, std::vector<std::string>{"analyser6.lab"});
        EXPECT_TRUE(error.empty());
        // The namespace has no IPv6 route beyond its loopback either.
        EXPECT_FALSE(ping.Ping("2001:db8::1", reply, error));
        EXPECT_EQ(ping.GetLastError(), CIcmpPing::kDestinationNetUnreachable);
    });
}

// Pings were possible at first; where no echo can be sent any more the host is not reported lost.
TEST(CIcmpPing, AHostNoEchoCanBeSentToCountsAsReachable) {
    RUN_IN_OWN_NETWORK_NAMESPACE([] {
        OpenPingGroupToThisProcess();
        ASSERT_TRUE(SetNetworkSetting("icmp_echo_ignore_all", "1")); // an echo would go unanswered
        CIcmpPing ping;
        ASSERT_TRUE(ping.Initialize());
        ASSERT_TRUE(SetNetworkSetting("ping_group_range", "1 0"));
        for (const char* host : {"127.0.0.1", "::1"}) {
            IcmpEchoReplyRecord reply;
            std::string error;
            EXPECT_TRUE(ping.Ping(host, reply, error)) << host;
            EXPECT_TRUE(error.empty()) << host;
        }
    });
}

} // namespace
} // namespace orv
