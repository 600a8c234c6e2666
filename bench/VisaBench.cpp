// The built-in VISA layer against a plain socket, in the same run and against the same loopback
// responder: "*IDN?" round trips, and a 1.5 MB trace read with viRead against recv of the same bytes.

#include "bench/support/LoopbackLineResponder.h"
#include "platform/visa/BuiltinVisa.h"

#include <benchmark/benchmark.h>

#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace orv::visa;

constexpr size_t kTraceBytes = 1536 * 1024;
const std::string kIdentity = "Rohde&Schwarz,FSV-7,101234/007,2.30\n";

// Answers "*IDN?" and "TRACE?" on loopback, one thread per connection.
class LoopbackResponder {
public:
    LoopbackResponder()
        : m_trace(std::string(kTraceBytes, 'T') + '\n'),
          m_server([this] { return [this](const std::string& command) { return Reply(command); }; }) {}
    uint16_t Port() const { return m_server.Port(); }

private:
    const std::string* Reply(const std::string& command) const {
        return command == "TRACE?" ? &m_trace : &kIdentity;
    }

    std::string m_trace;
    // Last, so that its threads stop before the replies they send go.
    orv::bench::LoopbackLineResponder m_server;
};

LoopbackResponder* g_responder = nullptr;

std::string ResourceName() {
    return "TCPIP0::127.0.0.1::" + std::to_string(g_responder->Port()) + "::SOCKET";
}

int ConnectPlain() {
    return orv::bench::ConnectPlainLoopback(g_responder->Port());
}

using orv::bench::ReceiveReply;

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
