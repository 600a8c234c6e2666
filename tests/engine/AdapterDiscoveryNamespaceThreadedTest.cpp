// The external adapter's discovery on real networks: network namespaces of the test's own, joined by
// a veth pair, with the simulated adapters in the peer namespace and the driver in the client one. No
// packet leaves these namespaces. Where they cannot be made the tests skip, naming the refused call;
// as root (the CI) they fail instead, since they must run there.

#include "engine/scanners/adapter/CAdapterDiscovery.h"
#include "engine/scanners/adapter/CExScannerBoard.h"
#include "platform/clock/FakeClock.h"
#include "tests/engine/support/AdapterTestRig.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/sim/adapter/AdapterSimulator.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sched.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace orv {
namespace {

using test::AdapterSimulator;
using namespace std::chrono_literals;

constexpr uint32_t kFirstAdapter = 0x0AC90002U;  // 10.201.0.2
constexpr uint32_t kSecondAdapter = 0x0AC90003U; // 10.201.0.3

// Runs one iproute2 command; the command line when it failed, else empty.
std::string Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0 ? std::string() : command;
}

// Runs `body` on a thread that joined the named namespace. False when it could not join.
bool RunIn(const std::string& name, const std::function<void()>& body) {
    bool joined = false;
    std::thread inside([&] {
        const int fd = ::open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
        joined = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
        if (fd >= 0) {
            ::close(fd);
        }
        if (joined) {
            body();
        }
    });
    inside.join();
    return joined;
}

// A client namespace and a peer namespace joined by a veth pair: the client 10.201.0.1/24 with its
// default route over the pair, the peer 10.201.0.2 and .3. With `loopbackOnly`, the client alone with
// its loopback.
class Namespaces {
public:
    explicit Namespaces(bool loopbackOnly) {
        static int made = 0;
        const std::string stem = "orv-adapter-" + std::to_string(::getpid()) + "-" + std::to_string(made++);
        m_client = stem + "-c";
        m_peer = stem + "-p";
        m_refused = Run("ip netns add " + m_client);
        if (!m_refused.empty()) {
            return;
        }
        m_madeClient = true;
        if (!(m_refused = Run("ip -n " + m_client + " link set lo up")).empty() || loopbackOnly) {
            return;
        }
        if (!(m_refused = Run("ip netns add " + m_peer)).empty()) {
            return;
        }
        m_madePeer = true;
        for (const std::string& command :
             {"ip -n " + m_client + " link add vc type veth peer name vp netns " + m_peer,
              "ip -n " + m_client + " addr add 10.201.0.1/24 dev vc", "ip -n " + m_client + " link set vc up",
              "ip -n " + m_client + " route add default via 10.201.0.2",
              "ip -n " + m_peer + " link set lo up", "ip -n " + m_peer + " addr add 10.201.0.2/24 dev vp",
              "ip -n " + m_peer + " addr add 10.201.0.3/24 dev vp", "ip -n " + m_peer + " link set vp up"}) {
            if (!(m_refused = Run(command)).empty()) {
                return;
            }
        }
    }
    ~Namespaces() {
        if (m_madeClient) {
            Run("ip netns del " + m_client);
        }
        if (m_madePeer) {
            Run("ip netns del " + m_peer);
        }
    }
    Namespaces(const Namespaces&) = delete;
    Namespaces& operator=(const Namespaces&) = delete;

    const std::string& Refused() const { return m_refused; }
    const std::string& Client() const { return m_client; }
    const std::string& Peer() const { return m_peer; }

    // An adapter of the peer (or, with `inClient`, of the client) namespace at `address`.
    std::unique_ptr<AdapterSimulator> Adapter(uint32_t address, bool inClient = false) const {
        std::unique_ptr<AdapterSimulator> made;
        RunIn(inClient ? m_client : m_peer, [&] {
            AdapterSimulator::Options options;
            options.address = address;
            options.receiveBroadcasts = true;
            made = std::make_unique<AdapterSimulator>(options);
        });
        return made;
    }

private:
    std::string m_client;
    std::string m_peer;
    std::string m_refused;
    bool m_madeClient = false;
    bool m_madePeer = false;
};

#define SKIP_UNLESS_MADE(namespaces)                                                                         \
    do {                                                                                                     \
        if (!(namespaces).Refused().empty()) {                                                               \
            if (::geteuid() == 0) {                                                                          \
                FAIL() << "refused: " << (namespaces).Refused();                                             \
            }                                                                                                \
            GTEST_SKIP() << "network namespaces cannot be made here; refused: " << (namespaces).Refused();   \
        }                                                                                                    \
    } while (false)

class AdapterDiscoveryInNamespaces : public ::testing::Test {
protected:
    // The system's own interfaces, as the program sees them in the client namespace.
    test::ScopedNetworkSource m_network{std::make_shared<SystemNetworkInterfaces>()};
    test::AdapterPortSettings m_noPorts{{}};
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall{m_clock};
};

TEST_F(AdapterDiscoveryInNamespaces, OneAdapterIsFoundByTheBroadcastAndConnectedOverTcp) {
    const Namespaces namespaces(false);
    SKIP_UNLESS_MADE(namespaces);
    const std::unique_ptr<AdapterSimulator> adapter = namespaces.Adapter(kFirstAdapter);
    ASSERT_EQ(adapter->Error(), "");
    bool connected = false;
    CExScannerBoard board;
    ASSERT_TRUE(RunIn(namespaces.Client(), [&] { connected = board.Connect(); }));
    ASSERT_TRUE(connected);
    EXPECT_EQ(board.GetAdapterAddress(), "10.201.0.2");
    EXPECT_EQ(board.GetTransportSelector(), CExScannerBoard::kTransportTcp);
    EXPECT_EQ(adapter->DiscoveryQueries(), 2U) << "the directed and the limited broadcast";
    bool begun = false;
    ASSERT_TRUE(RunIn(namespaces.Client(), [&] { begun = board.BeginScan(); }));
    EXPECT_TRUE(begun);
}

TEST_F(AdapterDiscoveryInNamespaces, OfTwoAdaptersTheEarlierAnswerWinsAndJunkIsSkipped) {
    const Namespaces namespaces(false);
    SKIP_UNLESS_MADE(namespaces);
    const std::unique_ptr<AdapterSimulator> first = namespaces.Adapter(kFirstAdapter);
    const std::unique_ptr<AdapterSimulator> second = namespaces.Adapter(kSecondAdapter);
    ASSERT_EQ(first->Error(), "");
    ASSERT_EQ(second->Error(), "");
    // The first address in order answers late; the second answers at once, junk first.
    first->SetDiscoveryDelay(150ms);
    second->SetDiscoveryJunkFirst(true);
    std::optional<std::string> found;
    ASSERT_TRUE(RunIn(namespaces.Client(), [&] { found = CAdapterDiscovery::Discover(); }));
    EXPECT_EQ(found, "10.201.0.3");

    second->SetDiscoveryAnswer(false);
    first->SetDiscoveryDelay(0ms);
    first->SetDiscoveryJunkFirst(true);
    ASSERT_TRUE(RunIn(namespaces.Client(), [&] { found = CAdapterDiscovery::Discover(); }));
    EXPECT_EQ(found, "10.201.0.2");
}

TEST_F(AdapterDiscoveryInNamespaces, WithOnlyALoopbackNothingIsSentAndNothingFound) {
    const Namespaces namespaces(true);
    SKIP_UNLESS_MADE(namespaces);
    const std::unique_ptr<AdapterSimulator> listener = namespaces.Adapter(0x7F000001U, true);
    ASSERT_EQ(listener->Error(), "");
    std::optional<std::string> found = "none yet";
    test::LogCapture log;
    ASSERT_TRUE(RunIn(namespaces.Client(), [&] { found = CAdapterDiscovery::Discover(); }));
    EXPECT_FALSE(found.has_value());
    EXPECT_TRUE(log.Has("Failed recvfrom (11)"));
    EXPECT_EQ(listener->DiscoveryQueries(), 0U);
}

} // namespace
} // namespace orv
