#include "platform/net/NetworkInterfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <mutex>
#include <net/if.h>
#include <netinet/in.h>

namespace orv {

namespace {

std::mutex g_sourceLock;
std::shared_ptr<const NetworkInterfaceSource> g_source; // under g_sourceLock

uint32_t HostOrder(const sockaddr* address) {
    return ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
}

} // namespace

NetworkInterfaceSource::~NetworkInterfaceSource() = default;

std::optional<std::vector<Ipv4Interface>> SystemNetworkInterfaces::ListInterfaces() const {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return std::nullopt;
    }
    std::vector<Ipv4Interface> interfaces;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_netmask == nullptr ||
            entry->ifa_addr->sa_family != AF_INET || (entry->ifa_flags & IFF_UP) == 0 ||
            (entry->ifa_flags & IFF_BROADCAST) == 0) {
            continue;
        }
        interfaces.push_back({entry->ifa_name != nullptr ? entry->ifa_name : "", HostOrder(entry->ifa_addr),
                              HostOrder(entry->ifa_netmask)});
    }
    ::freeifaddrs(list);
    return interfaces;
}

uint32_t SystemNetworkInterfaces::LimitedBroadcast() const {
    return INADDR_BROADCAST;
}

std::shared_ptr<const NetworkInterfaceSource> GetNetworkInterfaceSource() {
    const std::lock_guard guard(g_sourceLock);
    if (g_source == nullptr) {
        g_source = std::make_shared<SystemNetworkInterfaces>();
    }
    return g_source;
}

std::shared_ptr<const NetworkInterfaceSource>
SetNetworkInterfaceSource(std::shared_ptr<const NetworkInterfaceSource> source) {
    const std::lock_guard guard(g_sourceLock);
    std::shared_ptr<const NetworkInterfaceSource> previous = std::move(g_source);
    g_source = std::move(source);
    return previous;
}

std::string Ipv4Text(uint32_t address) {
    in_addr raw{};
    raw.s_addr = htonl(address);
    char text[INET_ADDRSTRLEN] = {};
    return ::inet_ntop(AF_INET, &raw, text, sizeof text) != nullptr ? std::string(text) : std::string();
}

} // namespace orv
