#pragma once

// Finds an external adapter on the local networks: one 8-byte query ("QZV1" and the number 1, both
// big-endian) to the directed broadcast of every network the interface source lists, and to the
// limited broadcast, on UDP port 9761; the adapters answer with 60 bytes that begin with the same
// magic. The first valid answer read names the adapter.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orv {

class CAdapterDiscovery {
public:
    static constexpr uint16_t kPort = 9761;
    static constexpr std::size_t kReplySize = 60;
    static constexpr std::size_t kReceiveSize = 1024;
    static constexpr std::array<uint8_t, 4> kMagic{'Q', 'Z', 'V', '1'};
    static constexpr std::array<uint8_t, 8> kQuery{'Q', 'Z', 'V', '1', 0, 0, 0, 1};

    // The dotted address of the adapter that answered first; empty when none did. Failures go to the
    // log with the system's error number.
    static std::optional<std::string> Discover();
    // Whether a datagram is an adapter's answer.
    static bool IsValidReply(const uint8_t* bytes, std::size_t length);
};

} // namespace orv
