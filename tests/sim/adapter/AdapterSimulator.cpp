#include "tests/sim/adapter/AdapterSimulator.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace orv::test {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEtx = 0x03;
constexpr std::array<uint8_t, 4> kMagic{'Q', 'Z', 'V', '1'};
constexpr std::size_t kDiscoveryReplySize = 60;
constexpr std::chrono::milliseconds kSplitPause{20};

std::string Reason(const char* call) {
    return std::string(call) + ": " + std::strerror(errno);
}

uint8_t Sum(uint8_t byte1, const AdapterSimulator::Bytes& payload) {
    unsigned sum = byte1 + static_cast<unsigned>(payload.size());
    for (const uint8_t byte : payload) {
        sum += byte;
    }
    return static_cast<uint8_t>(sum & 0xFFU);
}

AdapterSimulator::Bytes Frame(const AdapterSimulator::Bytes& payload) {
    AdapterSimulator::Bytes frame{kStx, 0, static_cast<uint8_t>(payload.size())};
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(Sum(0, payload));
    frame.push_back(kEtx);
    return frame;
}

void AppendText(AdapterSimulator::Bytes& into, const std::string& text) {
    AdapterSimulator::Bytes field(16, 0);
    std::copy_n(text.begin(), std::min<std::size_t>(text.size(), 15), field.begin());
    into.insert(into.end(), field.begin(), field.end());
}

std::string TextOf(const AdapterSimulator::Bytes& payload, std::size_t offset) {
    std::string text;
    for (std::size_t i = offset; i < payload.size() && i < offset + 16 && payload[i] != 0; ++i) {
        text.push_back(static_cast<char>(payload[i]));
    }
    return text;
}

// Each simulator of the process takes the next loopback address: 127.(pid).(n), never 127.0.0.x nor the
// address the engine tests' own network source names.
uint32_t NextLoopbackAddress() {
    static std::atomic<uint32_t> next{0};
    const uint32_t n = next.fetch_add(1);
    const auto pid = static_cast<uint32_t>(::getpid());
    const uint32_t second = 1 + ((pid >> 8) % 250);
    const uint32_t third = pid & 0xFFU;
    return (127U << 24) | (second << 16) | (third << 8) | (1 + (n % 254));
}

} // namespace

AdapterSimulator::AdapterSimulator(Options options) : m_options(options) {
    m_address = options.address != 0 ? options.address : NextLoopbackAddress();
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if ((options.network && !OpenNetwork()) || (options.pseudoTerminal && !OpenTerminal())) {
        return;
    }
    m_thread = std::thread([this] { Serve(); });
}

AdapterSimulator::~AdapterSimulator() {
    {
        const std::lock_guard guard(m_lock);
        m_stop = true;
    }
    Wake();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    for (const int fd : {m_listener, m_client, m_discovery, m_discoveryReply, m_master, m_slave, m_wake}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool AdapterSimulator::OpenNetwork() {
    const int on = 1;
    sockaddr_in own{};
    own.sin_family = AF_INET;
    own.sin_addr.s_addr = htonl(m_address);
    own.sin_port = htons(kTcpPort);
    if (m_options.acceptConnections) {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (m_listener < 0 || ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
            ::bind(m_listener, reinterpret_cast<sockaddr*>(&own), sizeof own) != 0 ||
            ::listen(m_listener, 4) != 0) {
            m_error = Reason("TCP listener");
            return false;
        }
    }
    sockaddr_in discovery{};
    discovery.sin_family = AF_INET;
    discovery.sin_port = htons(kDiscoveryPort);
    discovery.sin_addr.s_addr = m_options.receiveBroadcasts ? htonl(INADDR_ANY) : htonl(m_address);
    m_discovery = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_discovery < 0 || ::setsockopt(m_discovery, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::bind(m_discovery, reinterpret_cast<sockaddr*>(&discovery), sizeof discovery) != 0) {
        m_error = Reason("discovery socket");
        return false;
    }
    // Answers leave from its own address, whichever address heard the query.
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(m_address);
    m_discoveryReply = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_discoveryReply < 0 ||
        ::bind(m_discoveryReply, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0) {
        m_error = Reason("discovery answer socket");
        return false;
    }
    return true;
}

bool AdapterSimulator::OpenTerminal() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        m_error = Reason("posix_openpt");
        return false;
    }
    const char* name = ::ptsname(m_master);
    if (name == nullptr) {
        m_error = Reason("ptsname");
        return false;
    }
    m_portName = name;
    // Held open and raw, so the line never echoes and a driver closing its side never hangs it up.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (m_slave < 0 || ::tcgetattr(m_slave, &raw) != 0) {
        m_error = Reason("pseudo-terminal");
        return false;
    }
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    return true;
}

void AdapterSimulator::Wake() const {
    const uint64_t one = 1;
    if (m_wake >= 0) {
        [[maybe_unused]] const ssize_t ignored = ::write(m_wake, &one, sizeof one);
    }
}

int AdapterSimulator::LinkFd(Link link) const {
    return link == Link::Tcp ? m_client : m_master;
}

void AdapterSimulator::Send(Link link, const Bytes& bytes) {
    const int fd = LinkFd(link);
    std::size_t sent = 0;
    while (fd >= 0 && sent < bytes.size()) {
        const ssize_t n = link == Link::Tcp
                              ? ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL)
                              : ::write(fd, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EAGAIN) {
            pollfd wait{fd, POLLOUT, 0};
            ::poll(&wait, 1, 100);
            continue;
        }
        return;
    }
}

void AdapterSimulator::DropTcp() {
    if (m_client >= 0) {
        ::close(m_client);
        m_client = -1;
    }
    ++m_clientGeneration;
    m_incoming[Link::Tcp].clear();
}

void AdapterSimulator::Serve() {
    for (;;) {
        std::vector<pollfd> waits;
        waits.push_back({m_wake, POLLIN, 0});
        const auto add = [&waits](int fd) {
            waits.push_back({fd, POLLIN, 0});
            return waits.size() - 1;
        };
        const std::size_t listener = m_listener >= 0 ? add(m_listener) : 0;
        const std::size_t client = m_client >= 0 ? add(m_client) : 0;
        const std::size_t discovery = m_discovery >= 0 ? add(m_discovery) : 0;
        const std::size_t master = m_master >= 0 ? add(m_master) : 0;
        int timeout = -1;
        if (!m_pending.empty()) {
            const auto first =
                std::min_element(m_pending.begin(), m_pending.end(),
                                 [](const Pending& a, const Pending& b) { return a.due < b.due; });
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(first->due - Clock::now());
            timeout = static_cast<int>(std::max<int64_t>(0, left.count() + 1));
        }
        ::poll(waits.data(), waits.size(), timeout);
        const auto woke = Clock::now();
        {
            const std::lock_guard guard(m_lock);
            if (m_stop) {
                return;
            }
        }
        if ((waits[0].revents & POLLIN) != 0) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t ignored = ::read(m_wake, &count, sizeof count);
        }
        // Timed sends that are due.
        for (auto it = m_pending.begin(); it != m_pending.end();) {
            if (it->due > woke) {
                ++it;
                continue;
            }
            if (it->datagram) {
                sockaddr_in to{};
                to.sin_family = AF_INET;
                to.sin_addr.s_addr = htonl(it->to);
                to.sin_port = htons(it->toPort);
                ::sendto(m_discoveryReply, it->bytes.data(), it->bytes.size(), 0,
                         reinterpret_cast<sockaddr*>(&to), sizeof to);
            } else if (it->link == Link::Terminal || it->generation == m_clientGeneration) {
                Send(it->link, it->bytes);
                if (it->trickle) {
                    const std::lock_guard guard(m_lock);
                    ++m_trickled;
                    m_changed.notify_all();
                }
            }
            it = m_pending.erase(it);
        }
        if (listener != 0 && (waits[listener].revents & POLLIN) != 0) {
            const int accepted = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (accepted >= 0) {
                // A new link replaces the old one, as the adapter serves one client.
                DropTcp();
                m_client = accepted;
                const std::lock_guard guard(m_lock);
                ++m_connections;
            }
        }
        if (client != 0 && m_client >= 0 && waits[client].fd == m_client &&
            (waits[client].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            std::array<uint8_t, 4096> buffer{};
            const ssize_t n = ::recv(m_client, buffer.data(), buffer.size(), 0);
            if (n <= 0) {
                if (n == 0 || errno != EAGAIN) {
                    DropTcp();
                }
            } else {
                TakeBytes(Link::Tcp, buffer.data(), static_cast<std::size_t>(n));
            }
        }
        if (discovery != 0 && (waits[discovery].revents & POLLIN) != 0) {
            AnswerDiscovery();
        }
        if (master != 0 && (waits[master].revents & POLLIN) != 0) {
            std::array<uint8_t, 4096> buffer{};
            const ssize_t n = ::read(m_master, buffer.data(), buffer.size());
            if (n > 0) {
                TakeBytes(Link::Terminal, buffer.data(), static_cast<std::size_t>(n));
            }
        }
    }
}

void AdapterSimulator::TakeBytes(Link link, const uint8_t* data, std::size_t size) {
    const auto woke = Clock::now();
    Bytes& incoming = m_incoming[link];
    incoming.insert(incoming.end(), data, data + size);
    const uint64_t generation = m_clientGeneration;
    for (;;) {
        const auto stx = std::find(incoming.begin(), incoming.end(), kStx);
        incoming.erase(incoming.begin(), stx);
        if (incoming.size() < 3 || incoming.size() < static_cast<std::size_t>(incoming[2]) + 5) {
            return;
        }
        const Bytes frame(incoming.begin(), incoming.begin() + incoming[2] + 5);
        incoming.erase(incoming.begin(), incoming.begin() + incoming[2] + 5);
        Answer(link, frame, woke);
        if (link == Link::Tcp && generation != m_clientGeneration) {
            return; // the link was dropped: what else came on it is gone
        }
    }
}

std::optional<AdapterSimulator::Fault> AdapterSimulator::TakeFault(uint8_t letter) {
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if (it->letter != 0 && it->letter != letter) {
            continue;
        }
        if (it->skip > 0) {
            --it->skip;
            continue;
        }
        const Fault fault = it->fault;
        m_faults.erase(it);
        return fault;
    }
    return std::nullopt;
}

AdapterSimulator::Bytes AdapterSimulator::ReplyPayload(const Bytes& request) {
    const uint8_t letter = request[0];
    Bytes reply{letter};
    switch (letter) {
    case 'd':
        reply.insert(reply.end(), m_firmware.begin(), m_firmware.end());
        break;
    case 'c':
        reply.insert(reply.end(), m_eid.begin(), m_eid.end());
        break;
    case '2':
        reply.insert(reply.end(), m_scannerType.begin(), m_scannerType.end());
        break;
    case '1':
        if (request.size() >= 5) {
            std::copy_n(request.begin() + 1, 4, m_scannerType.begin());
        }
        break;
    case 'a':
        if (request.size() >= 2 && request[1] == 0) {
            reply.push_back(m_searchStatus);
        } else if (!m_pollStatuses.empty()) {
            reply.push_back(m_pollStatuses.front());
            m_pollStatuses.pop_front();
        } else {
            reply.push_back(m_pollThen);
        }
        break;
    case 'J':
        reply.push_back(m_motors);
        break;
    case 'D':
        AppendText(reply, m_staticIp);
        AppendText(reply, m_staticMask);
        break;
    case 'F':
        reply.push_back(m_useStaticIp);
        break;
    case 'H':
        reply.push_back(static_cast<uint8_t>(m_reportedPort & 0xFFU));
        reply.push_back(static_cast<uint8_t>(m_reportedPort >> 8));
        break;
    case 'E':
        if (request.size() >= 2) {
            m_useStaticIp = request[1];
        }
        break;
    case 'C':
        m_staticIp = TextOf(request, 1);
        m_staticMask = TextOf(request, 17);
        break;
    default:
        break;
    }
    return reply;
}

void AdapterSimulator::Answer(Link link, const Bytes& frame, Clock::time_point woke) {
    const Bytes request(frame.begin() + 3, frame.end() - 2);
    Bytes reply;
    std::optional<Fault> fault;
    {
        const std::lock_guard guard(m_lock);
        m_frames.push_back(frame);
        m_changed.notify_all();
        if (request.empty() || frame[frame.size() - 2] != Sum(frame[1], request) || frame.back() != kEtx) {
            return; // a corrupt request gets no answer
        }
        // The switch commands are answered by the completion polls that follow them.
        if (request[0] == '8' || request[0] == 'h' || request[0] == 'g' || request[0] == 'f') {
            return;
        }
        fault = TakeFault(request[0]);
        Bytes payload = ReplyPayload(request);
        if (fault == Fault::WrongLetter) {
            payload[0] = payload[0] == 'Z' ? 'Y' : 'Z';
        } else if (fault == Fault::ShortPayload) {
            payload.resize(1);
        }
        reply = Frame(payload);
        if (fault == Fault::BadChecksum) {
            reply[reply.size() - 2] = static_cast<uint8_t>(reply[reply.size() - 2] + 1);
        }
    }
    if (fault == Fault::Silence) {
        return;
    }
    if (fault == Fault::Trickle) {
        std::chrono::milliseconds period{};
        {
            const std::lock_guard guard(m_lock);
            period = m_tricklePeriod;
        }
        // The first byte at once, so a test knows the reply has begun.
        for (std::size_t i = 0; i < kTrickleBytes; ++i) {
            Pending byte{Clock::now() + period * i, link, m_clientGeneration, Bytes{0x55}};
            byte.trickle = true;
            m_pending.push_back(std::move(byte));
        }
        return;
    }
    if (fault == Fault::DropLink) {
        if (link == Link::Tcp) {
            DropTcp();
        }
        return;
    }
    if (fault == Fault::SplitFrame) {
        Send(link, Bytes(reply.begin(), reply.begin() + 3));
        m_pending.push_back(
            {Clock::now() + kSplitPause, link, m_clientGeneration, Bytes(reply.begin() + 3, reply.end())});
    } else {
        Send(link, reply);
    }
    const std::lock_guard guard(m_lock);
    ++m_exchanges;
    m_serviceTime += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - woke);
}

void AdapterSimulator::AnswerDiscovery() {
    for (;;) {
        std::array<uint8_t, 1500> datagram{};
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n = ::recvfrom(m_discovery, datagram.data(), datagram.size(), 0,
                                     reinterpret_cast<sockaddr*>(&from), &length);
        if (n < 0) {
            return;
        }
        bool answer = false;
        bool junk = false;
        std::chrono::milliseconds delay{0};
        {
            const std::lock_guard guard(m_lock);
            ++m_discoveryQueries;
            m_changed.notify_all();
            answer =
                m_discoveryAnswer && n == 8 && std::equal(kMagic.begin(), kMagic.end(), datagram.begin());
            junk = m_discoveryJunk;
            delay = m_discoveryDelay;
        }
        if (!answer) {
            continue;
        }
        const auto due = Clock::now() + delay;
        const uint32_t to = ntohl(from.sin_addr.s_addr);
        const uint16_t toPort = ntohs(from.sin_port);
        if (junk) {
            // The right length with another magic, and a short one with the right magic.
            Bytes other(kDiscoveryReplySize, 0);
            std::copy(kMagic.begin(), kMagic.end(), other.begin());
            other[3] = '2';
            m_pending.push_back({due, Link::Tcp, 0, other, true, to, toPort});
            m_pending.push_back({due, Link::Tcp, 0, Bytes(kMagic.begin(), kMagic.end()), true, to, toPort});
        }
        Bytes reply(kDiscoveryReplySize, 0);
        std::copy(kMagic.begin(), kMagic.end(), reply.begin());
        reply[7] = 1;
        const std::string name = "Simulated ExAdapter";
        std::copy(name.begin(), name.end(), reply.begin() + 8);
        m_pending.push_back({due, Link::Tcp, 0, reply, true, to, toPort});
    }
}

void AdapterSimulator::SetMotors(uint8_t value) {
    const std::lock_guard guard(m_lock);
    m_motors = value;
}

void AdapterSimulator::SetUseStaticIp(uint8_t value) {
    const std::lock_guard guard(m_lock);
    m_useStaticIp = value;
}

void AdapterSimulator::SetStaticTexts(const std::string& address, const std::string& mask) {
    const std::lock_guard guard(m_lock);
    m_staticIp = address;
    m_staticMask = mask;
}

void AdapterSimulator::SetReportedPort(uint16_t port) {
    const std::lock_guard guard(m_lock);
    m_reportedPort = port;
}

void AdapterSimulator::SetFirmware(std::array<uint8_t, 3> version) {
    const std::lock_guard guard(m_lock);
    m_firmware = version;
}

void AdapterSimulator::SetEid(std::array<uint8_t, 2> eid) {
    const std::lock_guard guard(m_lock);
    m_eid = eid;
}

void AdapterSimulator::SetScannerType(std::array<uint8_t, 4> type) {
    const std::lock_guard guard(m_lock);
    m_scannerType = type;
}

void AdapterSimulator::QueuePollStatuses(const std::vector<uint8_t>& statuses, uint8_t then) {
    const std::lock_guard guard(m_lock);
    m_pollStatuses.assign(statuses.begin(), statuses.end());
    m_pollThen = then;
}

void AdapterSimulator::SetSearchStatus(uint8_t status) {
    const std::lock_guard guard(m_lock);
    m_searchStatus = status;
}

void AdapterSimulator::ScriptFault(uint8_t letter, Fault fault, int skip) {
    const std::lock_guard guard(m_lock);
    m_faults.push_back({letter, fault, skip});
}

void AdapterSimulator::SetDiscoveryAnswer(bool answer) {
    const std::lock_guard guard(m_lock);
    m_discoveryAnswer = answer;
}

void AdapterSimulator::SetDiscoveryJunkFirst(bool junk) {
    const std::lock_guard guard(m_lock);
    m_discoveryJunk = junk;
}

void AdapterSimulator::SetDiscoveryDelay(std::chrono::milliseconds delay) {
    const std::lock_guard guard(m_lock);
    m_discoveryDelay = delay;
}

std::vector<AdapterSimulator::Bytes> AdapterSimulator::Frames() const {
    const std::lock_guard guard(m_lock);
    return m_frames;
}

std::vector<AdapterSimulator::Bytes> AdapterSimulator::Payloads(bool withPolls) const {
    std::vector<Bytes> payloads;
    for (const Bytes& frame : Frames()) {
        Bytes payload(frame.begin() + 3, frame.end() - 2);
        if (!withPolls && payload.size() == 2 && payload[0] == 'a' && payload[1] == 2) {
            continue;
        }
        payloads.push_back(std::move(payload));
    }
    return payloads;
}

std::size_t AdapterSimulator::DiscoveryQueries() const {
    const std::lock_guard guard(m_lock);
    return m_discoveryQueries;
}

std::size_t AdapterSimulator::Connections() const {
    const std::lock_guard guard(m_lock);
    return m_connections;
}

void AdapterSimulator::ClearRecord() {
    const std::lock_guard guard(m_lock);
    m_frames.clear();
    m_discoveryQueries = 0;
}

void AdapterSimulator::SetTricklePeriod(std::chrono::milliseconds period) {
    const std::lock_guard guard(m_lock);
    m_tricklePeriod = period;
}

bool AdapterSimulator::WaitForTrickled(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, timeout, [&] { return m_trickled >= count; });
}

bool AdapterSimulator::WaitForFrames(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, timeout, [&] { return m_frames.size() >= count; });
}

uint64_t AdapterSimulator::Exchanges() const {
    const std::lock_guard guard(m_lock);
    return m_exchanges;
}

std::chrono::nanoseconds AdapterSimulator::ServiceTime() const {
    const std::lock_guard guard(m_lock);
    return m_serviceTime;
}

std::optional<std::vector<Ipv4Interface>> LoopbackNetworkSource::ListInterfaces() const {
    return std::vector<Ipv4Interface>{{"lo", m_address, 0xFFFFFFFFU}};
}

ScopedNetworkSource::ScopedNetworkSource(std::shared_ptr<const NetworkInterfaceSource> source)
    : m_previous(SetNetworkInterfaceSource(std::move(source))) {}

ScopedNetworkSource::~ScopedNetworkSource() {
    SetNetworkInterfaceSource(m_previous);
}

} // namespace orv::test
