#include "engine/CUdpQuerry.h"

#include "engine/EngineProcessFlags.h"
#include "platform/clock/FakeClock.h"
#include "platform/net/NetworkInterfaces.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/engine/support/ScriptedPortmapper.h"
#include "tests/engine/support/TestNetworkNamespaces.h"
#include "tests/sim/adapter/AdapterSimulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::PortmapperReply;
using test::PortmapperWords;
using test::ScriptedResponder;
using test::TestNetworkNamespaces;
using Bytes = std::vector<uint8_t>;

TEST(CUdpQuerry, TheQueryIsTheGetportCallAndTheCounterRunsFrom1000To1999) {
    const auto query = CUdpQuerry::BuildQuery(1234);
    EXPECT_EQ(Bytes(query.begin(), query.end()),
              PortmapperWords({1234, 0, 2, 100000, 2, 3, 0, 0, 0, 0, 395183, 1, 6, 0}));

    std::atomic<uint32_t>& counter = CUdpQuerry::TransactionCounter();
    const uint32_t kept = counter.load();
    counter.store(1000);
    for (uint32_t expected = 1000; expected <= 1999; ++expected) {
        ASSERT_EQ(CUdpQuerry::TakeTransactionId(), expected);
    }
    EXPECT_EQ(CUdpQuerry::TakeTransactionId(), 1000U);
    counter.store(kept);
}

class CUdpQuerrySearch : public ::testing::Test {
protected:
    CUdpQuerrySearch() { ScannerSearchRunningFlag().store(1); }
    ~CUdpQuerrySearch() override { ScannerSearchRunningFlag().store(0); }

    // The system's own interfaces, as the program sees them in the client namespace.
    test::ScopedNetworkSource m_network{std::make_shared<SystemNetworkInterfaces>()};
};

TEST_F(CUdpQuerrySearch, AScriptedResponderIsListedOncePerAddressInArrivalOrderWithOnlyWholeAnswers) {
    const TestNetworkNamespaces namespaces(false);
    ORV_SKIP_UNLESS_NAMESPACES(namespaces);
    const uint32_t first = TestNetworkNamespaces::kFirstPeer;
    const uint32_t second = TestNetworkNamespaces::kSecondPeer;
    ScriptedResponder responder(namespaces, {{{second, PortmapperReply(7, 24)},
                                              {second, PortmapperReply(7, 32)},
                                              {second, PortmapperReply(1234)},
                                              {first, PortmapperReply(5678)},
                                              {second, PortmapperReply(99)}},
                                             {{first, PortmapperReply(4321)}}});
    ASSERT_TRUE(responder.IsReady());
    CUdpQuerry search;
    ASSERT_TRUE(TestNetworkNamespaces::RunIn(namespaces.Client(), [&] { search.Search(); }));
    EXPECT_EQ(search.GetAddresses(), (std::vector<std::string>{"10.201.0.3", "10.201.0.2"}));
    EXPECT_EQ(search.GetUniqueIds(), (std::vector<std::string>{"1234", "5678"}));
    EXPECT_TRUE(search.Contains("10.201.0.2"));
    EXPECT_FALSE(search.Contains("10.201.0."));
    const std::vector<uint32_t> ids = responder.TransactionIds();
    ASSERT_EQ(ids.size(), 2U) << "the directed and the limited broadcast";
    EXPECT_EQ(ids[0], ids[1]) << "one transaction id per search";
}

// Every 28-byte datagram that is not an accepted, successful answer to this search naming a port:
// none is listed, and none keeps its sender from being listed by a genuine answer after it.
TEST_F(CUdpQuerrySearch, OnlyASuccessfulAnswerToThisSearchNamingAPortIsListed) {
    const TestNetworkNamespaces namespaces(false);
    ORV_SKIP_UNLESS_NAMESPACES(namespaces);
    const uint32_t first = TestNetworkNamespaces::kFirstPeer;
    const uint32_t second = TestNetworkNamespaces::kSecondPeer;
    const std::vector<ScriptedResponder::Answer> malformed{
        {first, PortmapperWords({7, 1, 0, 0, 0, 0, 101}), true},   // another search's id
        {first, PortmapperWords({0, 0, 0, 0, 0, 0, 102})},         // a call, not a reply
        {first, PortmapperWords({0, 1, 1, 0, 0, 0, 103})},         // denied
        {first, PortmapperWords({0, 1, 0, 0, 0, 1, 104})},         // program unavailable
        {first, PortmapperWords({0, 1, 0, 0, 0, 5, 105})},         // system error
        {first, PortmapperWords({0, 1, 0, 1, 4, 0, 106})},         // a verifier moves the port
        {first, PortmapperWords({0, 1, 0, 0, 0, 0, 0})},           // not registered
        {first, PortmapperWords({0, 1, 0, 0, 0, 0, 65536})},       // no port
        {first, PortmapperWords({0, 1, 0, 0, 0, 0, 0xFFFFFFFFU})}, // no port
        {second, PortmapperWords({0, 1, 0, 0, 0, 0, 65535})},      // genuine
        {first, PortmapperWords({0, 1, 0, 0, 0, 0, 1})}};          // genuine, after the rest
    ScriptedResponder responder(namespaces, {malformed, {}});
    ASSERT_TRUE(responder.IsReady());
    CUdpQuerry search;
    ASSERT_TRUE(TestNetworkNamespaces::RunIn(namespaces.Client(), [&] { search.Search(); }));
    EXPECT_EQ(search.GetAddresses(), (std::vector<std::string>{"10.201.0.3", "10.201.0.2"}));
    EXPECT_EQ(search.GetUniqueIds(), (std::vector<std::string>{"65535", "1"}));
}

TEST_F(CUdpQuerrySearch, ClearingTheFlagEndsTheCollectionAndAClearFlagCollectsNothing) {
    const TestNetworkNamespaces namespaces(false);
    ORV_SKIP_UNLESS_NAMESPACES(namespaces);
    ScriptedResponder responder(namespaces, {{{TestNetworkNamespaces::kFirstPeer, PortmapperReply(1)}}, {}});
    ASSERT_TRUE(responder.IsReady());
    CUdpQuerry search;
    const auto start = std::chrono::steady_clock::now();
    std::thread searching(
        [&] { TestNetworkNamespaces::RunIn(namespaces.Client(), [&] { search.Search(); }); });
    ASSERT_TRUE(responder.WaitAnswered(2));
    ScannerSearchRunningFlag().store(0);
    searching.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms) << "the window was cut short";

    // With the flag down from the start, nothing is collected (the queries still go out).
    ASSERT_TRUE(TestNetworkNamespaces::RunIn(namespaces.Client(), [&] { search.Search(); }));
    EXPECT_TRUE(search.GetAddresses().empty());
    EXPECT_TRUE(search.GetUniqueIds().empty());
}

// A responder that floods the search: once the first query comes, it answers from kSenders addresses
// of its own (10.202.x.y, a local range in the peer namespace) round and round, as fast as it can,
// until it is destroyed or kFloodLimit passed.
class FloodingResponder {
public:
    static constexpr int kSenders = 300;
    static constexpr auto kFloodLimit = 15s;

    explicit FloodingResponder(const TestNetworkNamespaces& namespaces) {
        m_ready =
            std::system(
                ("ip -n " + namespaces.Peer() + " route replace local 10.202.0.0/16 dev lo").c_str()) == 0;
        TestNetworkNamespaces::RunIn(namespaces.Peer(), [this] {
            m_listener = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            sockaddr_in any{};
            any.sin_family = AF_INET;
            any.sin_port = htons(111);
            m_ready = m_ready && ::bind(m_listener, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0;
            for (int index = 0; index < kSenders; ++index) {
                sockaddr_in own{};
                own.sin_family = AF_INET;
                own.sin_addr.s_addr = htonl(0x0ACA0000U + static_cast<uint32_t>((index / 250) << 8) +
                                            static_cast<uint32_t>(index % 250 + 1));
                const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
                m_ready = m_ready && ::bind(fd, reinterpret_cast<sockaddr*>(&own), sizeof own) == 0;
                m_senders.push_back(fd);
            }
        });
        m_thread = std::thread([this] { Serve(); });
    }
    ~FloodingResponder() {
        m_running = false;
        m_thread.join();
        for (const int fd : m_senders) {
            ::close(fd);
        }
        ::close(m_listener);
    }
    FloodingResponder(const FloodingResponder&) = delete;
    FloodingResponder& operator=(const FloodingResponder&) = delete;

    bool IsReady() const { return m_ready; }
    // Bounded wait until the flood began.
    bool WaitFlooding() const {
        std::unique_lock lock(m_lock);
        return m_started.wait_for(lock, 5s, [&] { return m_flooding; });
    }

private:
    void Serve() {
        sockaddr_in client{};
        std::array<uint8_t, 1500> query{};
        while (m_running) {
            pollfd wait{m_listener, POLLIN, 0};
            if (::poll(&wait, 1, 20) != 1) {
                continue;
            }
            socklen_t length = sizeof client;
            if (::recvfrom(m_listener, query.data(), query.size(), 0, reinterpret_cast<sockaddr*>(&client),
                           &length) >= 4) {
                break;
            }
        }
        {
            const std::lock_guard guard(m_lock);
            m_flooding = true;
        }
        m_started.notify_all();
        const auto end = std::chrono::steady_clock::now() + kFloodLimit;
        for (uint32_t round = 0; m_running && std::chrono::steady_clock::now() < end; ++round) {
            Bytes answer = PortmapperReply(round % 65535 + 1);
            std::copy(query.begin(), query.begin() + 4, answer.begin());
            for (const int fd : m_senders) {
                ::sendto(fd, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&client),
                         sizeof client);
            }
        }
    }

    int m_listener = -1;
    std::vector<int> m_senders;
    bool m_ready = false;
    std::atomic<bool> m_running{true};
    mutable std::mutex m_lock;
    mutable std::condition_variable m_started;
    bool m_flooding = false;
    std::thread m_thread;
};

TEST_F(CUdpQuerrySearch, AFloodEndsWithTheWindowOrTheFlagAndListsAtMost256InstrumentsLoggedOnce) {
    const TestNetworkNamespaces namespaces(false);
    ORV_SKIP_UNLESS_NAMESPACES(namespaces);
    test::LogCapture log;
    {
        FloodingResponder responder(namespaces);
        ASSERT_TRUE(responder.IsReady());
        CUdpQuerry search;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(TestNetworkNamespaces::RunIn(namespaces.Client(), [&] { search.Search(); }));
        // One interface: two queries 100 ms apart, the pause after the second, then the window.
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  2 * CUdpQuerry::kBetweenSends + CUdpQuerry::kWindow + 50ms);
        EXPECT_EQ(search.GetAddresses().size(), CUdpQuerry::kMaxInstruments);
        EXPECT_EQ(search.GetUniqueIds().size(), CUdpQuerry::kMaxInstruments);
        EXPECT_EQ(search.GetAddresses().front().rfind("10.202.", 0), 0U);
    }
    const std::vector<std::string> lines = log.Lines();
    EXPECT_EQ(std::count_if(
                  lines.begin(), lines.end(),
                  [](const std::string& line) {
                      return line.ends_with(
                          "Scanner search: more than 256 instruments answered; the others are not listed.");
                  }),
              1);

    FloodingResponder responder(namespaces);
    CUdpQuerry search;
    std::atomic<int64_t> returned{0};
    std::thread searching([&] {
        TestNetworkNamespaces::RunIn(namespaces.Client(), [&] { search.Search(); });
        returned = std::chrono::steady_clock::now().time_since_epoch().count();
    });
    ASSERT_TRUE(responder.WaitFlooding());
    const auto cleared = std::chrono::steady_clock::now();
    ScannerSearchRunningFlag().store(0);
    searching.join();
    EXPECT_LT(std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(returned.load())) -
                  cleared,
              CUdpQuerry::kPoll + 25ms)
        << "one poll, and the hand-back of the namespace's thread";
}

TEST_F(CUdpQuerrySearch, RpcbindsPortZeroForTheUnregisteredProgramListsNothing) {
    TestNetworkNamespaces namespaces(false);
    ORV_SKIP_UNLESS_NAMESPACES(namespaces);
    if (::access("/usr/sbin/rpcbind", X_OK) != 0) {
        if (::geteuid() == 0) {
            FAIL() << "rpcbind is not installed (scripts/deps.sh installs it)";
        }
        GTEST_SKIP() << "rpcbind is not installed";
    }
    const pid_t rpcbind = namespaces.StartInPeer("/usr/sbin/rpcbind -f");
    ASSERT_GT(rpcbind, 0);
    // Ready once its port answers a direct call from the client namespace (bounded).
    bool ready = false;
    ASSERT_TRUE(TestNetworkNamespaces::RunIn(namespaces.Client(), [&] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(111);
        peer.sin_addr.s_addr = htonl(TestNetworkNamespaces::kFirstPeer);
        const auto query = CUdpQuerry::BuildQuery(1);
        for (int attempt = 0; attempt < 100 && !ready; ++attempt) {
            ::sendto(fd, query.data(), query.size(), 0, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
            pollfd wait{fd, POLLIN, 0};
            ready = ::poll(&wait, 1, 50) == 1;
        }
        ::close(fd);
    }));
    ASSERT_TRUE(ready) << "rpcbind did not answer";
    CUdpQuerry search;
    ASSERT_TRUE(TestNetworkNamespaces::RunIn(namespaces.Client(), [&] { search.Search(); }));
    EXPECT_TRUE(search.GetAddresses().empty()) << "port 0: no VXI-11 core is registered there";
    EXPECT_TRUE(search.GetUniqueIds().empty());
    namespaces.StopProgram(rpcbind);
}

TEST_F(CUdpQuerrySearch, WithOnlyALoopbackNothingIsSentAndTheListsAreEmptyAfterTheWindow) {
    const TestNetworkNamespaces namespaces(true);
    ORV_SKIP_UNLESS_NAMESPACES(namespaces);
    FakeClock clock;
    const ScopedClockInstall install(clock);
    int listener = -1;
    ASSERT_TRUE(TestNetworkNamespaces::RunIn(namespaces.Client(), [&] {
        listener = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(111);
        ::bind(listener, reinterpret_cast<sockaddr*>(&any), sizeof any);
    }));
    CUdpQuerry search;
    ASSERT_TRUE(TestNetworkNamespaces::RunIn(namespaces.Client(), [&] { search.Search(); }));
    EXPECT_TRUE(search.GetAddresses().empty());
    EXPECT_TRUE(search.GetUniqueIds().empty());
    Clock::Duration waited{};
    for (const Clock::Duration pause : clock.Pauses()) {
        waited += pause;
    }
    EXPECT_EQ(waited, 3000ms);
    std::array<uint8_t, 64> datagram{};
    EXPECT_LT(::recv(listener, datagram.data(), datagram.size(), 0), 0) << "no query was sent";
    ::close(listener);
}

} // namespace
} // namespace orv
