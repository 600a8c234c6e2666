// The built-in VISA layer against a plain socket, in the same run and against the same loopback
// responder: "*IDN?" round trips, and a 1.5 MB trace read with viRead against recv of the same bytes.

#include "platform/visa/BuiltinVisa.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <atomic>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace orv::visa;

constexpr size_t kTraceBytes = 1536 * 1024;
const std::string kIdentity = "Rohde&Schwarz,FSV-7,101234/007,2.30\n";

// Answers "*IDN?" and "TRACE?" on loopback, one thread per connection.
class LoopbackResponder {
public:
    LoopbackResponder() {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_listener, 4);
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_trace.assign(kTraceBytes, 'T');
        m_trace += '\n';
        m_acceptor = std::thread([this] { AcceptLoop(); });
    }
    ~LoopbackResponder() {
        shutdown(m_listener, SHUT_RDWR);
        m_acceptor.join();
        for (const int s : m_clients) {
            shutdown(s, SHUT_RDWR);
        }
        for (std::thread& t : m_servers) {
            t.join();
        }
        for (const int s : m_clients) {
            close(s);
        }
        close(m_listener);
    }
    uint16_t Port() const { return m_port; }

private:
    void AcceptLoop() {
        while (true) {
            const int client = accept(m_listener, nullptr, nullptr);
            if (client < 0) {
                return;
            }
            const int on = 1;
            setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            m_clients.push_back(client);
            m_servers.emplace_back([this, client] { Serve(client); });
        }
    }
    void Serve(int client) {
        std::string input;
        char buffer[4096];
        while (true) {
            const ssize_t got = recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) {
                return;
            }
            input.append(buffer, static_cast<size_t>(got));
            size_t end = 0;
            while ((end = input.find('\n')) != std::string::npos) {
                const std::string command = input.substr(0, end);
                input.erase(0, end + 1);
                const std::string& reply = command == "TRACE?" ? m_trace : kIdentity;
                size_t sent = 0;
                while (sent < reply.size()) {
                    const ssize_t done = send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
                    if (done <= 0) {
                        return;
                    }
                    sent += static_cast<size_t>(done);
                }
            }
        }
    }

    int m_listener = -1;
    uint16_t m_port = 0;
    std::string m_trace;
    std::thread m_acceptor;
    std::vector<int> m_clients;
    std::vector<std::thread> m_servers;
};

LoopbackResponder* g_responder = nullptr;

std::string ResourceName() {
    return "TCPIP0::127.0.0.1::" + std::to_string(g_responder->Port()) + "::SOCKET";
}

int ConnectPlain() {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(g_responder->Port());
    connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const int on = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return s;
}

// Reads until the line feed that ends the reply.
size_t ReceiveReply(int s, char* buffer, size_t capacity) {
    size_t have = 0;
    while (have < capacity) {
        const ssize_t got = recv(s, buffer + have, capacity - have, 0);
        if (got <= 0) {
            break;
        }
        have += static_cast<size_t>(got);
        if (buffer[have - 1] == '\n') {
            break;
        }
    }
    return have;
}

void BM_IdentityRoundTrip_Visa(benchmark::State& state) {
    const VisaEntryPoints& vi = BuiltinVisaEntryPoints();
    Session manager = 0;
    Session session = 0;
    vi.viOpenDefaultRM(&manager);
    if (vi.viOpen(manager, ResourceName().c_str(), 0, 0, &session) < 0) {
        state.SkipWithError("viOpen failed");
        return;
    }
    unsigned char reply[2560];
    for (auto _ : state) {
        uint32_t returned = 0;
        vi.viPrintf(session, "*IDN?\n");
        vi.viRead(session, reply, sizeof reply, &returned);
        benchmark::DoNotOptimize(returned);
    }
    vi.viClose(manager);
}
BENCHMARK(BM_IdentityRoundTrip_Visa)->Iterations(10000)->UseRealTime();

void BM_IdentityRoundTrip_Socket(benchmark::State& state) {
    const int s = ConnectPlain();
    char reply[2560];
    for (auto _ : state) {
        send(s, "*IDN?\n", 6, MSG_NOSIGNAL);
        benchmark::DoNotOptimize(ReceiveReply(s, reply, sizeof reply));
    }
    close(s);
}
BENCHMARK(BM_IdentityRoundTrip_Socket)->Iterations(10000)->UseRealTime();

void BM_TraceRead_Visa(benchmark::State& state) {
    const VisaEntryPoints& vi = BuiltinVisaEntryPoints();
    Session manager = 0;
    Session session = 0;
    vi.viOpenDefaultRM(&manager);
    if (vi.viOpen(manager, ResourceName().c_str(), 0, 0, &session) < 0) {
        state.SkipWithError("viOpen failed");
        return;
    }
    std::vector<unsigned char> trace(kTraceBytes + 1);
    for (auto _ : state) {
        uint32_t returned = 0;
        vi.viPrintf(session, "TRACE?\n");
        vi.viRead(session, trace.data(), static_cast<uint32_t>(trace.size()), &returned);
        if (returned != trace.size()) {
            state.SkipWithError("short trace");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * trace.size()));
    vi.viClose(manager);
}
BENCHMARK(BM_TraceRead_Visa)->UseRealTime();

void BM_TraceRead_Socket(benchmark::State& state) {
    const int s = ConnectPlain();
    std::vector<char> trace(kTraceBytes + 1);
    for (auto _ : state) {
        send(s, "TRACE?\n", 7, MSG_NOSIGNAL);
        if (ReceiveReply(s, trace.data(), trace.size()) != trace.size()) {
            state.SkipWithError("short trace");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * trace.size()));
    close(s);
}
BENCHMARK(BM_TraceRead_Socket)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    LoopbackResponder responder;
    g_responder = &responder;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_responder = nullptr;
    return 0;
}
