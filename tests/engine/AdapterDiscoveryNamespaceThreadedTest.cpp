// The external adapter's discovery on real networks: network namespaces of the test's own, joined by
// a veth pair, with the simulated adapters in the peer namespace and the driver in the client one. No
// packet leaves these namespaces. Where they cannot be made the tests skip, naming the refused call;
// as root (the CI) they fail instead, since they must run there.

#include "engine/scanners/adapter/CAdapterDiscovery.h"
#include "engine/scanners/adapter/CExScannerBoard.h"
#include "platform/clock/FakeClock.h"
#include "tests/engine/support/AdapterTestRig.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/engine/support/TestNetworkNamespaces.h"
#include "tests/sim/adapter/AdapterSimulator.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

namespace orv {
namespace {

using test::AdapterSimulator;
using namespace std::chrono_literals;

constexpr uint32_t kFirstAdapter = test::TestNetworkNamespaces::kFirstPeer;
constexpr uint32_t kSecondAdapter = test::TestNetworkNamespaces::kSecondPeer;

// An adapter of the peer (or, with `inClient`, of the client) namespace at `address`.
std::unique_ptr<AdapterSimulator> AdapterIn(const test::TestNetworkNamespaces& namespaces, uint32_t address,
                                            bool inClient = false) {
    std::unique_ptr<AdapterSimulator> made;
    test::TestNetworkNamespaces::RunIn(inClient ? namespaces.Client() : namespaces.Peer(), [&] {
        AdapterSimulator::Options options;
        options.address = address;
        options.receiveBroadcasts = true;
        made = std::make_unique<AdapterSimulator>(options);
    });
    return made;
}

bool RunIn(const std::string& name, const std::function<void()>& body) {
    return test::TestNetworkNamespaces::RunIn(name, body);
}

class AdapterDiscoveryInNamespaces : public ::testing::Test {
protected:
    // The system's own interfaces, as the program sees them in the client namespace.
    test::ScopedNetworkSource m_network{std::make_shared<SystemNetworkInterfaces>()};
    test::AdapterPortSettings m_noPorts{{}};
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall{m_clock};
};

TEST_F(AdapterDiscoveryInNamespaces, OneAdapterIsFoundByTheBroadcastAndConnectedOverTcp) {
    const test::TestNetworkNamespaces namespaces(false);
    ORV_SKIP_UNLESS_NAMESPACES(namespaces);
    const std::unique_ptr<AdapterSimulator> adapter = AdapterIn(namespaces, kFirstAdapter);
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
    const test::TestNetworkNamespaces namespaces(false);
    ORV_SKIP_UNLESS_NAMESPACES(namespaces);
    const std::unique_ptr<AdapterSimulator> first = AdapterIn(namespaces, kFirstAdapter);
    const std::unique_ptr<AdapterSimulator> second = AdapterIn(namespaces, kSecondAdapter);
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
    const test::TestNetworkNamespaces namespaces(true);
    ORV_SKIP_UNLESS_NAMESPACES(namespaces);
    const std::unique_ptr<AdapterSimulator> listener = AdapterIn(namespaces, 0x7F000001U, true);
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
