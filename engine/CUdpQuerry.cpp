#include "engine/CUdpQuerry.h"

#include "engine/EngineProcessFlags.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"
#include "platform/net/NetworkInterfaces.h"
#include "platform/net/UdpBroadcastSocket.h"

#include <algorithm>
#include <unordered_set>

namespace orv {

namespace {

constexpr uint32_t kCall = 0;
constexpr uint32_t kRpcVersion = 2;
constexpr uint32_t kPortmapperProgram = 100000;
constexpr uint32_t kPortmapperVersion = 2;
constexpr uint32_t kGetPort = 3;
constexpr uint32_t kVxi11CoreProgram = 395183;
constexpr uint32_t kVxi11CoreVersion = 1;
constexpr uint32_t kTcp = 6;
constexpr uint32_t kReply = 1;
constexpr uint32_t kAccepted = 0;
constexpr uint32_t kSuccess = 0;
constexpr std::size_t kPortWord = 6;

uint32_t BigEndianWord(const uint8_t* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
}

// Only an accepted, successful answer to this search's own call, with an empty verifier (else the
// port is not where a 28-byte answer has it), names a scanner; port 0 is how a portmapper says the
// program is not registered.
bool IsScannerAnswer(const uint8_t* bytes, uint32_t transactionId) {
    const uint32_t port = BigEndianWord(bytes + 4 * kPortWord);
    return BigEndianWord(bytes) == transactionId && BigEndianWord(bytes + 4) == kReply &&
           BigEndianWord(bytes + 8) == kAccepted && BigEndianWord(bytes + 16) == 0 &&
           BigEndianWord(bytes + 20) == kSuccess && port >= 1 && port <= 65535;
}

void SendLogged(UdpBroadcastSocket& socket, uint32_t address,
                const std::array<uint8_t, CUdpQuerry::kQuerySize>& query) {
    if (socket.SendTo(address, CUdpQuerry::kPort, query.data(), query.size()) < 0) {
        // The limited broadcast needs a default route; the search goes on with what went out.
        AddInformationMessage(1, FormatC("Scanner search: sendto %s failed (%d).", Ipv4Text(address).c_str(),
                                         socket.GetLastError()));
    }
}

// The pause between two queries, in polls, so that a cleared flag is seen within one.
void PauseWhileSearching(Clock::Duration pause) {
    while (pause > Clock::Duration::zero() && ScannerSearchRunningFlag().load() != 0) {
        const Clock::Duration slice = std::min<Clock::Duration>(pause, CUdpQuerry::kPoll);
        ClockSleep(slice);
        pause -= slice;
    }
}

} // namespace

CUdpQuerry::~CUdpQuerry() = default;

std::atomic<uint32_t>& CUdpQuerry::TransactionCounter() {
    static std::atomic<uint32_t> counter{kFirstTransactionId};
    return counter;
}

uint32_t CUdpQuerry::TakeTransactionId() {
    std::atomic<uint32_t>& counter = TransactionCounter();
    uint32_t id = counter.load();
    while (!counter.compare_exchange_weak(id, (id + 1) % 1000 + kFirstTransactionId)) {
    }
    return id;
}

std::array<uint8_t, CUdpQuerry::kQuerySize> CUdpQuerry::BuildQuery(uint32_t transactionId) {
    const std::array<uint32_t, kQuerySize / 4> words{transactionId,
                                                     kCall,
                                                     kRpcVersion,
                                                     kPortmapperProgram,
                                                     kPortmapperVersion,
                                                     kGetPort,
                                                     0,
                                                     0,
                                                     0,
                                                     0,
                                                     kVxi11CoreProgram,
                                                     kVxi11CoreVersion,
                                                     kTcp,
                                                     0};
    std::array<uint8_t, kQuerySize> query{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        query[4 * i] = static_cast<uint8_t>(words[i] >> 24);
        query[4 * i + 1] = static_cast<uint8_t>(words[i] >> 16);
        query[4 * i + 2] = static_cast<uint8_t>(words[i] >> 8);
        query[4 * i + 3] = static_cast<uint8_t>(words[i]);
    }
    return query;
}

bool CUdpQuerry::Contains(const std::string& address) const {
    return std::find(m_addresses.begin(), m_addresses.end(), address) != m_addresses.end();
}

void CUdpQuerry::Search() {
    // A search that cannot run leaves no list of an earlier one behind.
    m_addresses.clear();
    m_ports.clear();
    UdpBroadcastSocket socket;
    if (!socket.Open()) {
        AddInformationMessage(1, FormatC("Scanner search: no socket (%d).", socket.GetLastError()));
        return;
    }
    const std::shared_ptr<const NetworkInterfaceSource> source = GetNetworkInterfaceSource();
    const std::optional<std::vector<Ipv4Interface>> interfaces = source->ListInterfaces();
    if (!interfaces) {
        AddInformationMessage(1, "Scanner search: the network interfaces cannot be listed.");
        return;
    }
    const uint32_t transactionId = TakeTransactionId();
    const std::array<uint8_t, kQuerySize> query = BuildQuery(transactionId);
    if (!socket.EnableBroadcast() || !socket.MakeNonBlocking()) {
        AddInformationMessage(
            1, FormatC("Scanner search: the socket cannot broadcast (%d).", socket.GetLastError()));
        return;
    }
    for (std::size_t index = 0; index < interfaces->size(); ++index) {
        if (index != 0) {
            PauseWhileSearching(kBetweenSends);
        }
        SendLogged(socket, (*interfaces)[index].DirectedBroadcast(), query);
        PauseWhileSearching(kBetweenSends);
        SendLogged(socket, source->LimitedBroadcast(), query);
    }

    std::array<uint8_t, kReceiveSize> datagram{};
    const Clock::TimePoint start = ClockNow();
    // A responder that floods the search must not hold it past its window nor past the flag.
    const auto searching = [start] {
        return ScannerSearchRunningFlag().load() != 0 && ElapsedMilliseconds(start) < kWindow.count();
    };
    std::unordered_set<uint32_t> senders;
    bool capLogged = false;
    while (searching()) {
        for (;;) {
            uint32_t sender = 0;
            const ssize_t length = socket.ReceiveFrom(datagram.data(), datagram.size(), sender);
            if (length < 0) {
                break;
            }
            if (static_cast<std::size_t>(length) == kReplySize && !senders.contains(sender) &&
                IsScannerAnswer(datagram.data(), transactionId)) {
                if (senders.size() < kMaxInstruments) {
                    senders.insert(sender);
                    m_addresses.push_back(Ipv4Text(sender));
                    m_ports.push_back(
                        FormatC("%d", static_cast<int>(BigEndianWord(datagram.data() + 4 * kPortWord))));
                } else if (!capLogged) {
                    capLogged = true;
                    AddInformationMessage(1, FormatC("Scanner search: more than %d instruments answered; "
                                                     "the others are not listed.",
                                                     static_cast<int>(kMaxInstruments)));
                }
            }
            if (!searching()) {
                return;
            }
        }
        const auto left = std::chrono::milliseconds(kWindow.count() - ElapsedMilliseconds(start));
        ClockSleep(std::clamp(left, std::chrono::milliseconds(0), kPoll));
    }
}

} // namespace orv
