#include "platform/net/NetworkInterfaces.h"

#include <gtest/gtest.h>

#include <ifaddrs.h>
#include <net/if.h>

namespace orv {
namespace {

class LoopbackOnly final : public NetworkInterfaceSource {
public:
    std::optional<std::vector<Ipv4Interface>> ListInterfaces() const override {
        return std::vector<Ipv4Interface>{{"lo", 0x7F0A0B0CU, 0xFFFFFFFFU}};
    }
    uint32_t LimitedBroadcast() const override { return 0x7F0A0B0CU; }
};

TEST(NetworkInterfaces, TheSystemListsOnlyIpv4InterfacesThatAreUpAndCanBroadcast) {
    const SystemNetworkInterfaces system;
    const auto listed = system.ListInterfaces();
    ASSERT_TRUE(listed.has_value());
    // Every listed interface is one getifaddrs reports up, broadcast-capable and IPv4, with its mask.
    ifaddrs* list = nullptr;
    ASSERT_EQ(::getifaddrs(&list), 0);
    std::size_t expected = 0;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr != nullptr && entry->ifa_netmask != nullptr &&
            entry->ifa_addr->sa_family == AF_INET && (entry->ifa_flags & IFF_UP) != 0 &&
            (entry->ifa_flags & IFF_BROADCAST) != 0) {
            ++expected;
        }
    }
    ::freeifaddrs(list);
    EXPECT_EQ(listed->size(), expected);
    for (const Ipv4Interface& entry : *listed) {
        EXPECT_NE(entry.address >> 24, 127U) << entry.name << ": loopback cannot broadcast";
    }
    EXPECT_EQ(system.LimitedBroadcast(), 0xFFFFFFFFU);
}

TEST(NetworkInterfaces, ATestSourceReplacesTheSystemsAndGoesBack) {
    const auto mine = std::make_shared<LoopbackOnly>();
    const auto previous = SetNetworkInterfaceSource(mine);
    EXPECT_EQ(GetNetworkInterfaceSource(), mine);
    const auto listed = GetNetworkInterfaceSource()->ListInterfaces();
    ASSERT_TRUE(listed.has_value());
    ASSERT_EQ(listed->size(), 1U);
    EXPECT_EQ(Ipv4Text(listed->front().address), "127.10.11.12");
    EXPECT_EQ(listed->front().DirectedBroadcast(), 0x7F0A0B0CU);
    EXPECT_EQ(Ipv4Text(GetNetworkInterfaceSource()->LimitedBroadcast()), "127.10.11.12");
    SetNetworkInterfaceSource(previous);
    EXPECT_NE(GetNetworkInterfaceSource(), mine);
    EXPECT_NE(dynamic_cast<const SystemNetworkInterfaces*>(GetNetworkInterfaceSource().get()), nullptr);
    EXPECT_EQ((Ipv4Interface{"eth0", 0xC0A80114U, 0xFFFFFF00U}.DirectedBroadcast()), 0xC0A801FFU);
}

} // namespace
} // namespace orv
