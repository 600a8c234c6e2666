#include "tests/sim/scpi/ScpiSimulator.h"

#include "tests/sim/scpi/ControlText.h"
#include "tests/sim/scpi/ScpiHeader.h"
#include "tests/sim/scpi/SimulatedAnalyzerState.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv::sim {

namespace {

constexpr std::string_view kOpcSuffix = ";*OPC?";
// An instrument's error queue holds this many errors; the last place then tells of the overflow.
constexpr size_t kErrorQueueLength = 10;
const char* const kQueueOverflow = "-350,\"Queue overflow\"\n";

// The error query, alone or followed by "*WAI" (`canonical`: the message in canonical form).
bool IsErrorQuery(std::string_view canonical) {
    return canonical == "SYST:ERR?" || canonical == "SYST:ERR?;*WAI" || canonical == "SYST:ERR:NEXT?";
}

void QueueError(std::deque<std::string>& queue, std::string error) {
    if (queue.size() < kErrorQueueLength) {
        queue.push_back(std::move(error));
    } else {
        queue.back() = kQueueOverflow;
    }
}

std::string ErrorText(int code) {
    switch (code) {
    case -104:
        return "-104,\"Data type error\"\n";
    case -131:
        return "-131,\"Invalid suffix\"\n";
    case -222:
        return "-222,\"Data out of range\"\n";
    case -224:
        return "-224,\"Illegal parameter value\"\n";
    default:
        return "-113,\"Undefined header\"\n";
    }
}

std::string PlainForm(std::string_view command) {
    while (!command.empty() &&
           (std::isspace(static_cast<unsigned char>(command.back())) != 0 || command.back() == ';')) {
        command.remove_suffix(1);
    }
    while (!command.empty() && std::isspace(static_cast<unsigned char>(command.front())) != 0) {
        command.remove_prefix(1);
    }
    if (!command.empty() && command.front() == ':') {
        command.remove_prefix(1);
    }
    std::string plain(command);
    for (char& c : plain) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return plain;
}

bool ReadCount(const std::string& text, long long low, long long high, long long& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

} // namespace

ScpiSimulator::~ScpiSimulator() {
    for (Client& client : m_clients) {
        CloseClient(client);
    }
    for (auto& [name, resource] : m_resources) {
        close(resource.listener);
    }
}

std::string ScpiSimulator::BlockPattern(size_t length) {
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<char>((i * 7 + 3) % 251);
    }
    return bytes;
}

void ScpiSimulator::Answer(const std::string& line) {
    std::string text = line + "\n";
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t done = write(STDOUT_FILENO, text.data() + written, text.size() - written);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            m_quit = true;
            return;
        }
        written += static_cast<size_t>(done);
    }
}

std::string ScpiSimulator::Add(const std::string& name, bool ipv6) {
    if (name.empty() || m_resources.count(name) != 0) {
        return "ERR\tresource name empty or in use";
    }
    const int listener = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        return "ERR\tsocket";
    }
    const int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // Loopback only; the system chooses the port.
    sockaddr_storage address{};
    socklen_t length = 0;
    if (ipv6) {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
        v6->sin6_family = AF_INET6;
        v6->sin6_addr = in6addr_loopback;
        setsockopt(listener, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
        length = sizeof(sockaddr_in6);
    } else {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
        v4->sin_family = AF_INET;
        v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof(sockaddr_in);
    }
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(listener, 16) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(listener);
        return "ERR\tbind";
    }
    Resource& resource = m_resources[name];
    resource.listener = listener;
    resource.port = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                               : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    return "OK\t" + std::to_string(resource.port);
}

std::string ScpiSimulator::Control(const std::vector<std::string>& fields) {
    const std::string& verb = fields[0];
    if (verb == "QUIT") {
        m_quit = true;
        return "OK";
    }
    if (fields.size() < 2) {
        return "ERR\tmissing resource";
    }
    if (verb == "ADD" || verb == "ADD6") {
        return Add(fields[1], verb == "ADD6");
    }
    const auto found = m_resources.find(fields[1]);
    if (found == m_resources.end()) {
        return "ERR\tno such resource";
    }
    Resource& resource = found->second;
    const size_t count = fields.size();
    long long number = 0;
    if (verb == "IDN" && count == 3) {
        resource.identity = fields[2];
    } else if (verb == "MODE" && count == 3) {
        resource.mode = fields[2];
    } else if (verb == "REPLY" && count == 4) {
        resource.replies[fields[2]].bytes = fields[3];
        resource.replies[fields[2]].drop = false;
    } else if (verb == "BLOCK" && count == 4 && ReadCount(fields[3], 0, 999999999, number)) {
        const std::string length = std::to_string(number);
        resource.replies[fields[2]].bytes =
            "#" + std::to_string(length.size()) + length + BlockPattern(static_cast<size_t>(number)) + "\n";
        resource.replies[fields[2]].drop = false;
    } else if (verb == "FILL" && count == 4 && ReadCount(fields[3], 0, 1LL << 30, number)) {
        resource.replies[fields[2]].bytes = std::string(static_cast<size_t>(number), 'A');
        resource.replies[fields[2]].drop = false;
    } else if (verb == "DROP" && count == 3) {
        resource.replies[fields[2]].drop = true;
    } else if (verb == "SEQUENCE" && count >= 4) {
        Reply& reply = resource.replies[fields[2]];
        reply.sequence.assign(fields.begin() + 3, fields.end());
        reply.next = 0;
        reply.drop = false;
    } else if (verb == "COMMANDSET" && count == 3 && IsCommandSet(fields[2])) {
        resource.commandSet = fields[2];
        resource.state = SimulatedAnalyzerState();
        // The X-series send network order until told to swap.
        resource.state.swapped = fields[2] != "xseries";
        resource.state.defaultSwapped = resource.state.swapped;
        if (fields[2] == "n9320b" || fields[2] == "n9324c") {
            resource.state.points = 461; // the basic analysers' fixed sweep
        }
    } else if (verb == "PIECES" && count == 4 && ReadCount(fields[3], 1, 600000, number)) {
        resource.replies[fields[2]].pieceGapMs = static_cast<int>(number);
    } else if (verb == "TRICKLE" && count == 4 && ReadCount(fields[3], 1, 600000, number)) {
        resource.replies[fields[2]].trickleGapMs = static_cast<int>(number);
    } else if (verb == "DROPAFTER" && count == 3) {
        resource.replies[fields[2]].dropAfter = true;
    } else if (verb == "REFUSE" && count == 3) {
        resource.replies[fields[2]].refuse = true;
    } else if (verb == "DELAY" && count == 4 && ReadCount(fields[3], 0, 600000, number)) {
        resource.replies[fields[2]].delayMs = static_cast<int>(number);
    } else if (verb == "ERRORS" && count == 3 && ReadCount(fields[2], 0, 1000000, number)) {
        resource.errorQueue.clear();
        for (long long i = 0; i < number; ++i) {
            QueueError(resource.errorQueue, "-100,\"Command error\"\n");
        }
    } else if (verb == "OPC" && count == 3 && ReadCount(fields[2], 0, 1LL << 30, number)) {
        resource.operationMs = static_cast<int>(number);
    } else if (verb == "LOG" && count == 2) {
        std::string line = "OK";
        for (const std::string& command : resource.log) {
            line += "\t" + EscapeField(command);
        }
        return line;
    } else if (verb == "WAIT" && count == 4 && ReadCount(fields[2], 0, 1000000, number)) {
        long long ms = 0;
        if (!ReadCount(fields[3], 0, 600000, ms)) {
            return "ERR\tbad time";
        }
        m_waiting.push_back(
            {fields[1], static_cast<size_t>(number), Clock::now() + std::chrono::milliseconds(ms)});
        return {}; // answered by AnswerWaitIfDone
    } else if (verb == "CLEAR" && count == 2) {
        resource.log.clear();
    } else if (verb == "KICK" && count == 2) {
        for (Client& client : m_clients) {
            if (client.resource == fields[1]) {
                CloseClient(client);
            }
        }
    } else {
        return "ERR\tunknown or malformed control line";
    }
    return "OK";
}

void ScpiSimulator::AnswerWaitIfDone(bool timedOut) {
    if (m_waiting.empty()) {
        return;
    }
    const Waiting& waiting = m_waiting.front();
    const size_t have = m_resources[waiting.resource].log.size();
    if (have >= waiting.count || timedOut || Clock::now() >= waiting.until) {
        m_waiting.clear();
        Answer("OK\t" + std::to_string(have));
    }
}

void ScpiSimulator::Accept(Resource& resource, const std::string& name) {
    while (true) {
        const int socket = accept4(resource.listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (socket < 0) {
            return;
        }
        const int on = 1;
        setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        Client client;
        client.socket = socket;
        client.resource = name;
        m_clients.push_back(std::move(client));
    }
}

void ScpiSimulator::CloseClient(Client& client) {
    if (client.socket >= 0) {
        close(client.socket);
        client.socket = -1;
    }
    client.queued.clear();
    client.output.clear();
}

void ScpiSimulator::HandleCommand(Client& client, const std::string& command) {
    Resource& resource = m_resources[client.resource];
    resource.log.push_back(command);
    const std::string plain = PlainForm(command);
    const std::string canonical = CanonicalProgram(plain);
    Reply* scripted = nullptr;
    if (const auto exact = resource.replies.find(command); exact != resource.replies.end()) {
        scripted = &exact->second;
    } else {
        for (auto& [key, reply] : resource.replies) {
            if (PlainForm(key) == plain) {
                scripted = &reply;
                break;
            }
        }
    }
    if (scripted != nullptr && !scripted->sequence.empty()) {
        scripted->bytes = scripted->sequence[scripted->next];
        scripted->next = std::min(scripted->next + 1, scripted->sequence.size() - 1);
    }
    if (scripted != nullptr && scripted->refuse) {
        QueueError(resource.errorQueue, "-100,\"Command error\"\n");
    }
    Outgoing outgoing;
    outgoing.due = Clock::now() + std::chrono::milliseconds(scripted != nullptr ? scripted->delayMs : 0);
    // The operation a "*OPC?" waits for ends this long after the command.
    const Clock::time_point operationDone = Clock::now() + std::chrono::milliseconds(resource.operationMs);
    auto handleInSet = [&](std::string_view program, std::string& bytes) {
        resource.state.pendingError = 0;
        if (!HandleSetCommand(resource.commandSet, resource.state, program, bytes)) {
            QueueError(resource.errorQueue, ErrorText(resource.state.pendingError));
            bytes.clear();
        }
    };
    if (scripted != nullptr && (scripted->drop || !scripted->bytes.empty())) {
        outgoing.drop = scripted->drop;
        outgoing.bytes = scripted->bytes;
    } else if (canonical == "*IDN?") {
        outgoing.bytes = resource.identity + "\n";
    } else if (canonical == "ERR?") {
        outgoing.bytes = std::to_string(resource.errorQueue.size()) + "\n";
    } else if (IsErrorQuery(canonical)) {
        if (resource.errorQueue.empty()) {
            outgoing.bytes = "0,\"No error\"\n";
        } else {
            outgoing.bytes = resource.errorQueue.front();
            resource.errorQueue.pop_front();
        }
    } else if (canonical == "*CLS") {
        resource.errorQueue.clear();
    } else if (canonical == "INST?") {
        outgoing.bytes = resource.mode + "\n";
    } else if (canonical == "*OPC?") {
        // Answered once, when the operation is done.
        outgoing.bytes = "1\n";
        outgoing.due = std::max(outgoing.due, operationDone);
    } else if (canonical.size() > kOpcSuffix.size() && canonical.ends_with(kOpcSuffix)) {
        // A command followed by "*OPC?": the command's own answer and the completion, in one message.
        std::string own;
        if (!resource.commandSet.empty()) {
            handleInSet(std::string_view(canonical).substr(0, canonical.size() - kOpcSuffix.size()), own);
        }
        if (!own.empty() && own.back() == '\n') {
            own.back() = ';';
        }
        outgoing.bytes = own + "1\n";
        outgoing.due = std::max(outgoing.due, operationDone);
    } else if (!resource.commandSet.empty() && (scripted == nullptr || !scripted->refuse)) {
        handleInSet(plain, outgoing.bytes);
    }
    const bool scriptedBytes = scripted != nullptr && !scripted->drop && !scripted->bytes.empty();
    if (scriptedBytes && scripted->pieceGapMs > 0 && outgoing.bytes.size() > 1) {
        // The first half now, the rest after the gap.
        Outgoing rest;
        rest.due = outgoing.due + std::chrono::milliseconds(scripted->pieceGapMs);
        rest.bytes = outgoing.bytes.substr(outgoing.bytes.size() / 2);
        outgoing.bytes.resize(outgoing.bytes.size() / 2);
        client.queued.push_back(std::move(outgoing));
        outgoing = std::move(rest);
    }
    if (scriptedBytes && scripted->trickleGapMs > 0 && outgoing.bytes.size() > 1) {
        // One byte at a time: a slow instrument that never lets a read time out empty-handed.
        const std::string bytes = std::move(outgoing.bytes);
        Clock::time_point due = outgoing.due;
        for (size_t i = 0; i + 1 < bytes.size(); ++i) {
            Outgoing one;
            one.due = due;
            one.bytes = bytes.substr(i, 1);
            client.queued.push_back(std::move(one));
            due += std::chrono::milliseconds(scripted->trickleGapMs);
        }
        outgoing.due = due;
        outgoing.bytes = bytes.substr(bytes.size() - 1);
    }
    const bool dropAfter = scriptedBytes && scripted->dropAfter;
    const Clock::time_point due = outgoing.due;
    if (!outgoing.bytes.empty() || outgoing.drop) {
        client.queued.push_back(std::move(outgoing));
    }
    if (dropAfter) {
        Outgoing drop;
        drop.due = due;
        drop.drop = true;
        client.queued.push_back(std::move(drop));
    }
}

void ScpiSimulator::ReceiveFrom(Client& client) {
    char buffer[65536];
    while (client.socket >= 0) {
        const ssize_t got = recv(client.socket, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got > 0) {
            client.input.append(buffer, static_cast<size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            CloseClient(client);
        }
        break;
    }
    size_t start = 0;
    while (true) {
        const size_t end = client.input.find('\n', start);
        if (end == std::string::npos) {
            break;
        }
        HandleCommand(client, client.input.substr(start, end - start));
        start = end + 1;
    }
    client.input.erase(0, start);
}

void ScpiSimulator::SendPending(Client& client) {
    const Clock::time_point now = Clock::now();
    while (client.socket >= 0 && !client.queued.empty() && client.queued.front().due <= now) {
        Outgoing next = std::move(client.queued.front());
        client.queued.pop_front();
        if (next.drop) {
            // What was queued before the drop goes out first.
            while (!client.output.empty()) {
                const ssize_t sent =
                    send(client.socket, client.output.data(), client.output.size(), MSG_NOSIGNAL);
                if (sent <= 0) {
                    break;
                }
                client.output.erase(0, static_cast<size_t>(sent));
            }
            CloseClient(client);
            return;
        }
        client.output += next.bytes;
    }
    while (client.socket >= 0 && !client.output.empty()) {
        const ssize_t sent =
            send(client.socket, client.output.data(), client.output.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            client.output.erase(0, static_cast<size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        CloseClient(client);
    }
}

int ScpiSimulator::Run() {
    while (!m_quit) {
        // Control lines are taken one at a time; a WAIT holds the next until it is answered.
        while (m_waiting.empty() && !m_quit) {
            const size_t end = m_controlInput.find('\n');
            if (end == std::string::npos) {
                break;
            }
            const std::string line = m_controlInput.substr(0, end);
            m_controlInput.erase(0, end + 1);
            const std::string answer = Control(SplitControlLine(line));
            if (!answer.empty()) {
                Answer(answer);
            }
        }
        AnswerWaitIfDone(false);
        if (m_quit) {
            break;
        }
        std::vector<pollfd> fds;
        fds.push_back({STDIN_FILENO, POLLIN, 0});
        std::vector<std::string> listenerNames;
        for (const auto& [name, resource] : m_resources) {
            fds.push_back({resource.listener, POLLIN, 0});
            listenerNames.push_back(name);
        }
        const size_t firstClient = fds.size();
        Clock::time_point wake = Clock::time_point::max();
        for (const Client& client : m_clients) {
            short events = POLLIN;
            if (!client.output.empty()) {
                events |= POLLOUT;
            }
            if (!client.queued.empty()) {
                wake = std::min(wake, client.queued.front().due);
            }
            fds.push_back({client.socket, events, 0});
        }
        if (!m_waiting.empty()) {
            wake = std::min(wake, m_waiting.front().until);
        }
        int timeout = -1;
        if (wake != Clock::time_point::max()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(wake - Clock::now()).count();
            timeout = static_cast<int>(std::clamp<long long>(left, 0, 600000));
        }
        const int ready = poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR) {
            return 1;
        }
        if ((fds[0].revents & (POLLIN | POLLHUP)) != 0) {
            char buffer[4096];
            const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
            if (got <= 0 && !(got < 0 && errno == EINTR)) {
                break; // the test has gone
            }
            if (got > 0) {
                m_controlInput.append(buffer, static_cast<size_t>(got));
            }
        }
        for (size_t i = 0; i < listenerNames.size(); ++i) {
            if ((fds[1 + i].revents & POLLIN) != 0) {
                Accept(m_resources[listenerNames[i]], listenerNames[i]);
            }
        }
        // New clients were appended after the polled ones; only the polled ones have events.
        for (size_t i = firstClient; i < fds.size(); ++i) {
            Client& client = m_clients[i - firstClient];
            if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                ReceiveFrom(client);
            }
        }
        for (Client& client : m_clients) {
            SendPending(client);
        }
        m_clients.erase(std::remove_if(m_clients.begin(), m_clients.end(),
                                       [](const Client& client) { return client.socket < 0; }),
                        m_clients.end());
    }
    return 0;
}

} // namespace orv::sim
