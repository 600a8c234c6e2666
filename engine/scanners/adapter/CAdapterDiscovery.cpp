#include "engine/scanners/adapter/CAdapterDiscovery.h"

#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"
#include "platform/net/NetworkInterfaces.h"
#include "platform/net/UdpBroadcastSocket.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

namespace orv {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kBetweenInterfaces{100};
constexpr milliseconds kAfterDirected{100};
constexpr milliseconds kAfterLimited{200};

void LogError(const char* format, int error) {
    AddInformationMessage(1, FormatC(format, error));
}

} // namespace

bool CAdapterDiscovery::IsValidReply(const uint8_t* bytes, std::size_t length) {
    return length == kReplySize && std::equal(kMagic.begin(), kMagic.end(), bytes);
}

std::optional<std::string> CAdapterDiscovery::Discover() {
    UdpBroadcastSocket socket;
    if (!socket.Open()) {
        LogError("Failed socket (%d)", socket.GetLastError());
        return std::nullopt;
    }
    const std::shared_ptr<const NetworkInterfaceSource> source = GetNetworkInterfaceSource();
    const std::optional<std::vector<Ipv4Interface>> interfaces = source->ListInterfaces();
    if (!interfaces) {
        return std::nullopt;
    }
    if (!socket.EnableBroadcast()) {
        LogError("Failed setsockopt (%d)", socket.GetLastError());
        return std::nullopt;
    }
    if (!socket.MakeNonBlocking()) {
        LogError("Failed ioctlsocket (%d)", socket.GetLastError());
        return std::nullopt;
    }

    const uint32_t limited = source->LimitedBroadcast();
    for (std::size_t index = 0; index < interfaces->size(); ++index) {
        if (index != 0) {
            ClockSleep(kBetweenInterfaces);
        }
        const ssize_t sent =
            socket.SendTo((*interfaces)[index].DirectedBroadcast(), kPort, kQuery.data(), kQuery.size());
        if (sent != static_cast<ssize_t>(kQuery.size())) {
            LogError("Failed sendto (%d)", sent < 0 ? socket.GetLastError() : EMSGSIZE);
            return std::nullopt;
        }
        ClockSleep(kAfterDirected);
        // Without a default route the system refuses the limited broadcast; the directed one went out.
        if (socket.SendTo(limited, kPort, kQuery.data(), kQuery.size()) < 0) {
            LogError("Failed sendto (%d)", socket.GetLastError());
        }
        if (index + 1 < interfaces->size()) {
            ClockSleep(kAfterLimited);
        }
    }
    if (interfaces->empty()) {
        LogError("Failed recvfrom (%d)", EAGAIN);
        return std::nullopt;
    }

    // The last pause is the answers' window: a wait on the socket, which the first valid answer ends.
    // The answers are read in the order they came; the first valid one names the adapter.
    const auto windowEnd = std::chrono::steady_clock::now() + kAfterLimited;
    std::vector<uint8_t> datagram(kReceiveSize);
    for (;;) {
        uint32_t sender = 0;
        const ssize_t length = socket.ReceiveFrom(datagram.data(), datagram.size(), sender);
        if (length >= 0) {
            if (IsValidReply(datagram.data(), static_cast<std::size_t>(length))) {
                return Ipv4Text(sender);
            }
            continue;
        }
        const auto left =
            std::chrono::duration_cast<milliseconds>(windowEnd - std::chrono::steady_clock::now()).count();
        if (left <= 0 || !socket.WaitReadable(static_cast<int>(left))) {
            LogError("Failed recvfrom (%d)", socket.GetLastError());
            return std::nullopt;
        }
    }
}

} // namespace orv
