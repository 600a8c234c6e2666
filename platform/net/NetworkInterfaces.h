#pragma once

// The machine's IPv4 networks as a broadcast search sees them: the interfaces that are up and can
// broadcast, each with its address and netmask, and the limited-broadcast address. The process has
// one source; tests install their own (a loopback address of their own as the only network and as
// the limited broadcast), so no test broadcasts beyond the loopback.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {

struct Ipv4Interface {
    std::string name;
    uint32_t address = 0; // host byte order
    uint32_t netmask = 0; // host byte order

    // The interface's directed broadcast: the address with every host bit set.
    uint32_t DirectedBroadcast() const { return address | ~netmask; }
};

class NetworkInterfaceSource {
public:
    NetworkInterfaceSource() = default;
    NetworkInterfaceSource(const NetworkInterfaceSource&) = delete;
    NetworkInterfaceSource& operator=(const NetworkInterfaceSource&) = delete;
    virtual ~NetworkInterfaceSource();

    // The IPv4 interfaces that are up and broadcast-capable; none when the system could not list them.
    virtual std::optional<std::vector<Ipv4Interface>> ListInterfaces() const = 0;
    // The limited broadcast, host byte order.
    virtual uint32_t LimitedBroadcast() const = 0;
};

// The system's interfaces, through getifaddrs; the limited broadcast is 255.255.255.255.
class SystemNetworkInterfaces final : public NetworkInterfaceSource {
public:
    std::optional<std::vector<Ipv4Interface>> ListInterfaces() const override;
    uint32_t LimitedBroadcast() const override;
};

// The source in force: the installed one, else the system's. A caller keeps the pointer it took for
// the length of its use, so replacing the source never frees it under the caller.
std::shared_ptr<const NetworkInterfaceSource> GetNetworkInterfaceSource();
// Installs a source (empty: back to the system's) and returns the previous one.
std::shared_ptr<const NetworkInterfaceSource>
SetNetworkInterfaceSource(std::shared_ptr<const NetworkInterfaceSource> source);

// Dotted text of a host-order IPv4 address.
std::string Ipv4Text(uint32_t address);

} // namespace orv
