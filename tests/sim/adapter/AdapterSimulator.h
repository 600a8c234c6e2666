#pragma once

// A simulated external adapter for the tests: its framed protocol over TCP (port 9760) and over a
// pseudo-terminal, and its answer to the discovery broadcast (UDP port 9761). On the loopback each
// simulator takes an address of its own (127.x.y.z), so parallel tests never meet; in a network
// namespace it listens on the namespace's address and hears the broadcasts.
//
// The test scripts its answers (poll statuses, the search status, the settings it reports) and its
// faults (a wrong letter, a bad checksum, a short payload, a split frame, silence, a dropped link, a
// line that trickles junk in place of the reply),
// and reads back every frame it received. One thread serves every link; the fixture starts it with
// the object and stops it with its destruction.

#include "platform/net/NetworkInterfaces.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace orv::test {

class AdapterSimulator {
public:
    using Bytes = std::vector<uint8_t>;

    static constexpr uint16_t kTcpPort = 9760;
    static constexpr uint16_t kDiscoveryPort = 9761;

    enum class Fault { WrongLetter, BadChecksum, ShortPayload, SplitFrame, Silence, DropLink, Trickle };

    // A trickle sends this many junk bytes (never an STX), one each trickle period.
    static constexpr std::size_t kTrickleBytes = 400;

    struct Options {
        // Host byte order; 0 takes the next free loopback address of this process.
        uint32_t address = 0;
        // Hear broadcasts (discovery socket on any address, shared with other simulators there).
        bool receiveBroadcasts = false;
        bool network = true;
        // Without it the discovery is answered but every TCP connect is refused.
        bool acceptConnections = true;
        bool pseudoTerminal = false;
    };

    explicit AdapterSimulator(Options options);
    AdapterSimulator() : AdapterSimulator(Options{}) {}
    ~AdapterSimulator();
    AdapterSimulator(const AdapterSimulator&) = delete;
    AdapterSimulator& operator=(const AdapterSimulator&) = delete;

    // Empty when every link it was asked for is up; else what failed.
    const std::string& Error() const { return m_error; }
    uint32_t Address() const { return m_address; }
    std::string AddressText() const { return Ipv4Text(m_address); }
    // The terminal side of its pseudo-terminal, the port name a driver opens.
    const std::string& PortName() const { return m_portName; }

    // What it answers.
    void SetMotors(uint8_t value);
    void SetUseStaticIp(uint8_t value);
    void SetStaticTexts(const std::string& address, const std::string& mask);
    void SetReportedPort(uint16_t port);
    void SetFirmware(std::array<uint8_t, 3> version);
    void SetEid(std::array<uint8_t, 2> eid);
    void SetScannerType(std::array<uint8_t, 4> type);
    // Statuses for the completion polls ("a" 2), in order; after them `then` (default 2, done).
    void QueuePollStatuses(const std::vector<uint8_t>& statuses, uint8_t then = 2);
    void SetSearchStatus(uint8_t status);
    // The fault hits the (skip + 1)-th next frame of `letter` (0: of any letter).
    void ScriptFault(uint8_t letter, Fault fault, int skip = 0);
    void SetDiscoveryAnswer(bool answer);
    void SetDiscoveryJunkFirst(bool junk);
    void SetDiscoveryDelay(std::chrono::milliseconds delay);
    void SetTricklePeriod(std::chrono::milliseconds period);

    // What it received.
    std::vector<Bytes> Frames() const;
    // The payloads of the frames, without the completion polls when `withPolls` is false.
    std::vector<Bytes> Payloads(bool withPolls = true) const;
    std::size_t DiscoveryQueries() const;
    std::size_t Connections() const;
    void ClearRecord();
    // Waits (on its own events) until at least `count` frames came; false on time-out.
    bool WaitForFrames(std::size_t count, std::chrono::milliseconds timeout) const;
    // The exchanges it answered and the time it spent on them, from its wake-up to its reply sent.
    uint64_t Exchanges() const;
    // Waits until at least `count` trickled bytes were sent; false on time-out.
    bool WaitForTrickled(std::size_t count, std::chrono::milliseconds timeout) const;
    std::chrono::nanoseconds ServiceTime() const;

private:
    enum class Link { Tcp, Terminal };
    struct Pending {
        std::chrono::steady_clock::time_point due;
        Link link;
        uint64_t generation;
        Bytes bytes;
        bool datagram = false;
        uint32_t to = 0;
        uint16_t toPort = 0;
        bool trickle = false;
    };
    struct ScriptedFault {
        uint8_t letter;
        Fault fault;
        int skip;
    };

    bool OpenNetwork();
    bool OpenTerminal();
    void Serve();
    void Wake() const;
    void TakeBytes(Link link, const uint8_t* data, std::size_t size);
    void Answer(Link link, const Bytes& frame, std::chrono::steady_clock::time_point woke);
    void AnswerDiscovery();
    Bytes ReplyPayload(const Bytes& request);
    std::optional<Fault> TakeFault(uint8_t letter);
    void Send(Link link, const Bytes& bytes);
    void DropTcp();
    int LinkFd(Link link) const;

    Options m_options;
    uint32_t m_address = 0;
    std::string m_error;
    std::string m_portName;
    int m_listener = -1;
    int m_client = -1;
    uint64_t m_clientGeneration = 0;
    int m_discovery = -1;
    int m_discoveryReply = -1;
    int m_master = -1;
    int m_slave = -1;
    int m_wake = -1;
    std::map<Link, Bytes> m_incoming;
    std::vector<Pending> m_pending;

    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    bool m_stop = false;
    uint8_t m_motors = 1;
    uint8_t m_useStaticIp = 0;
    std::string m_staticIp = "192.168.1.50";
    std::string m_staticMask = "255.255.255.0";
    uint16_t m_reportedPort = kTcpPort;
    std::array<uint8_t, 3> m_firmware{1, 2, 3};
    std::array<uint8_t, 2> m_eid{0x12, 0x34};
    std::array<uint8_t, 4> m_scannerType{7, 0, 0, 0};
    std::deque<uint8_t> m_pollStatuses;
    uint8_t m_pollThen = 2;
    uint8_t m_searchStatus = 0;
    std::vector<ScriptedFault> m_faults;
    bool m_discoveryAnswer = true;
    bool m_discoveryJunk = false;
    std::chrono::milliseconds m_discoveryDelay{0};
    std::chrono::milliseconds m_tricklePeriod{50};
    std::size_t m_trickled = 0;
    std::vector<Bytes> m_frames;
    std::size_t m_discoveryQueries = 0;
    std::size_t m_connections = 0;
    uint64_t m_exchanges = 0;
    std::chrono::nanoseconds m_serviceTime{0};

    std::thread m_thread;
};

// The network source of a test on the loopback: `address` as its one network (a /32, so it is its own
// directed broadcast) and as the limited broadcast.
class LoopbackNetworkSource final : public NetworkInterfaceSource {
public:
    explicit LoopbackNetworkSource(uint32_t address) : m_address(address) {}
    std::optional<std::vector<Ipv4Interface>> ListInterfaces() const override;
    uint32_t LimitedBroadcast() const override { return m_address; }

private:
    uint32_t m_address;
};

// Installs a network source for the scope and puts the previous one back after.
class ScopedNetworkSource {
public:
    explicit ScopedNetworkSource(std::shared_ptr<const NetworkInterfaceSource> source);
    ~ScopedNetworkSource();
    ScopedNetworkSource(const ScopedNetworkSource&) = delete;
    ScopedNetworkSource& operator=(const ScopedNetworkSource&) = delete;

private:
    std::shared_ptr<const NetworkInterfaceSource> m_previous;
};

} // namespace orv::test
