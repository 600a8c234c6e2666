#pragma once

// The network scanner search: a Sun RPC portmapper GETPORT query for the VXI-11 core program, sent to
// the broadcast address of every local IPv4 network and to the limited broadcast on UDP port 111. Each
// instrument that answers within the window with an accepted, successful reply to this search's
// transaction id naming a port from 1 to 65535 is listed once, by its address, with the port it reported
// (the scanners' unique IDs of the search dialog), in the order the answers came, up to
// kMaxInstruments.
//
// The caller raises the process's search-running flag before a search and clears it to cut the
// search short; the search only reads it.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

class CUdpQuerry {
public:
    static constexpr uint16_t kPort = 111;
    static constexpr std::size_t kQuerySize = 56;
    static constexpr std::size_t kReplySize = 28;
    static constexpr std::size_t kReceiveSize = 1500;
    static constexpr uint32_t kFirstTransactionId = 1000;
    static constexpr std::chrono::milliseconds kBetweenSends{100};
    static constexpr std::chrono::milliseconds kWindow{3000};
    static constexpr std::chrono::milliseconds kPoll{50};
    // The most instruments one search lists.
    static constexpr std::size_t kMaxInstruments = 256;

    CUdpQuerry() = default;
    virtual ~CUdpQuerry();
    CUdpQuerry(const CUdpQuerry&) = delete;
    CUdpQuerry& operator=(const CUdpQuerry&) = delete;

    // Runs one search; blocks until its window closes or the flag drops.
    void Search();
    bool Contains(const std::string& address) const;
    const std::vector<std::string>& GetAddresses() const { return m_addresses; }
    const std::vector<std::string>& GetUniqueIds() const { return m_ports; }

    // The query of one search (fourteen big-endian words).
    static std::array<uint8_t, kQuerySize> BuildQuery(uint32_t transactionId);
    // The process's transaction counter: the id of the next search.
    static std::atomic<uint32_t>& TransactionCounter();
    // The id of this search; the counter moves on to (id + 1) mod 1000 + 1000.
    static uint32_t TakeTransactionId();

private:
    std::vector<std::string> m_addresses;
    std::vector<std::string> m_ports;
};

} // namespace orv
