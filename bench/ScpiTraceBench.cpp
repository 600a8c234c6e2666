// Trace reads through the analyser drivers and the built-in VISA layer against the same query and
// bytes read over a plain socket, in the same run and from the same loopback responder: a 4,001-point
// ASCII trace through the generic driver's QueryScan, a 4,001-point REAL,32 block through the shared
// block read and decode, and the 32,001-point ASCII trace. The resident-set growth over the run's
// reads is reported as a counter (it should stay flat).

#include "analyzers/drivers/generic/CSpectrumAnalyzerGeneric.h"
#include "analyzers/drivers/scpi/AsciiTrace.h"
#include "analyzers/drivers/scpi/CScpiSpectrumAnalyzer.h"
#include "analyzers/drivers/scpi/ScpiBlockData.h"
#include "bench/support/LoopbackLineResponder.h"
#include "bench/support/LoopbackVisaDriver.h"
#include "bench/support/TraceBenchData.h"
#include "platform/CLocale.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace orv;
using namespace orv::visa;

std::string AsciiTrace(int points) {
    std::string text;
    for (int i = 0; i < points; ++i) {
        text += FormatC(i == 0 ? "%.8E" : ",%.8E", -80.0 + 0.001 * i);
    }
    return text + "\n";
}

using orv::bench::ResidentKb;

std::string Real32Block(int points) {
    return orv::bench::Real32Block(orv::bench::Real32Data(points, 0.001));
}

// Answers the point-count query, "ASCII4001?", "ASCII32001?" and "BLOCK?"; an empty line (the
// generic driver's unconfigured trace command) answers the current ASCII trace.
class TraceResponder {
public:
    TraceResponder()
        : m_ascii4001(AsciiTrace(4001)), m_ascii32001(AsciiTrace(32001)), m_block(Real32Block(4001)),
          m_server([this] { return MakeHandler(); }) {}
    uint16_t Port() const { return m_server.Port(); }
    const std::string& Block() const { return m_block; }

private:
    // Each connection keeps its own point count and the reply to the point-count query.
    orv::bench::LoopbackLineResponder::Handler MakeHandler() {
        return [this, points = 4001,
                count = std::string()](const std::string& command) mutable -> const std::string* {
            if (command == ":Sweep:Points?;") {
                count = std::to_string(points) + "\n";
                return &count;
            }
            if (command.rfind(":Sweep:Points ", 0) == 0) {
                points = std::stoi(command.substr(14));
                return nullptr;
            }
            if (command == "BLOCK?") {
                return &m_block;
            }
            if (command == "ASCII32001?" || (command.empty() && points == 32001)) {
                return &m_ascii32001;
            }
            if (command == "ASCII4001?" || command.empty()) {
                return &m_ascii4001;
            }
            return nullptr;
        };
    }

    std::string m_ascii4001;
    std::string m_ascii32001;
    std::string m_block;
    // Last, so that its threads stop before the replies they send go.
    orv::bench::LoopbackLineResponder m_server;
};

TraceResponder& Responder() {
    static TraceResponder responder;
    return responder;
}

// Opens a built-in VISA session on the responder and hands it to a driver.
template <class Driver> class BoundDriver : public orv::bench::LoopbackVisaDriver<Driver> {
public:
    bool Bind() { return this->OpenLoopbackSession(Responder().Port()); }
};

class BlockReader : public CScpiSpectrumAnalyzer {
public:
    bool ReadBlockTrace(std::vector<unsigned char>& bytes, std::vector<float>& values) {
        WriteCommand("BLOCK?\n");
        size_t length = 0;
        if (!ReadRawBlock(bytes.data(), bytes.size(), length)) {
            return false;
        }
        return DecodeLittleEndianSingles(bytes.data(), length, values.data(), values.size()) == values.size();
    }
};

int ConnectPlain() {
    return orv::bench::ConnectPlainLoopback(Responder().Port());
}

// The whole reply: to its line feed, or `exact` bytes when given.
size_t ReceiveReply(int s, std::vector<char>& buffer, size_t exact = 0) {
    return orv::bench::ReceiveReply(s, buffer.data(), buffer.size(), exact);
}

void GenericAscii(benchmark::State& state, int points) {
    BoundDriver<CSpectrumAnalyzerGeneric> driver;
    if (!driver.Bind()) {
        state.SkipWithError("viOpen failed");
        return;
    }
    driver.SetSweepPoints(points);
    if (driver.ReadSweepPoints() != points) {
        state.SkipWithError("point count");
        return;
    }
    driver.QueryScan(); // buffers sized once before the memory is measured
    const long before = ResidentKb();
    for (auto _ : state) {
        const float* trace = driver.QueryScan();
        if (trace == nullptr) {
            state.SkipWithError("trace failed");
            break;
        }
        benchmark::DoNotOptimize(trace[points - 1]);
    }
    state.counters["rss_growth_kb"] = static_cast<double>(ResidentKb() - before);
}

void BM_Ascii4001_GenericDriver(benchmark::State& state) {
    GenericAscii(state, 4001);
}
BENCHMARK(BM_Ascii4001_GenericDriver)->Iterations(1000)->UseRealTime();

void BM_Ascii32001_GenericDriver(benchmark::State& state) {
    GenericAscii(state, 32001);
}
BENCHMARK(BM_Ascii32001_GenericDriver)->Iterations(200)->UseRealTime();

void PlainAscii(benchmark::State& state, const char* query, size_t bytes) {
    const int s = ConnectPlain();
    std::vector<char> buffer(bytes + 64);
    for (auto _ : state) {
        send(s, query, std::char_traits<char>::length(query), MSG_NOSIGNAL);
        benchmark::DoNotOptimize(ReceiveReply(s, buffer));
    }
    close(s);
}

void BM_Ascii4001_Socket(benchmark::State& state) {
    PlainAscii(state, "ASCII4001?\n", AsciiTrace(4001).size());
}
BENCHMARK(BM_Ascii4001_Socket)->Iterations(1000)->UseRealTime();

void BM_Ascii32001_Socket(benchmark::State& state) {
    PlainAscii(state, "ASCII32001?\n", AsciiTrace(32001).size());
}
BENCHMARK(BM_Ascii32001_Socket)->Iterations(200)->UseRealTime();

void BM_Real32Block4001_SharedBlockRead(benchmark::State& state) {
    BoundDriver<BlockReader> driver;
    if (!driver.Bind()) {
        state.SkipWithError("viOpen failed");
        return;
    }
    std::vector<unsigned char> bytes(4001 * 4);
    std::vector<float> values(4001);
    driver.ReadBlockTrace(bytes, values);
    const long before = ResidentKb();
    for (auto _ : state) {
        if (!driver.ReadBlockTrace(bytes, values)) {
            state.SkipWithError("block failed");
            break;
        }
        benchmark::DoNotOptimize(values.back());
    }
    state.counters["rss_growth_kb"] = static_cast<double>(ResidentKb() - before);
}
BENCHMARK(BM_Real32Block4001_SharedBlockRead)->Iterations(1000)->UseRealTime();

void BM_Real32Block4001_Socket(benchmark::State& state) {
    const int s = ConnectPlain();
    const size_t size = Responder().Block().size();
    std::vector<char> buffer(size);
    for (auto _ : state) {
        send(s, "BLOCK?\n", 7, MSG_NOSIGNAL);
        benchmark::DoNotOptimize(ReceiveReply(s, buffer, size));
    }
    close(s);
}
BENCHMARK(BM_Real32Block4001_Socket)->Iterations(1000)->UseRealTime();

} // namespace

namespace {

// The ASCII parse alone, to tell it from the transfer.
void BM_Ascii4001_ParseOnly(benchmark::State& state) {
    const std::string text = AsciiTrace(4001);
    std::vector<float> values;
    for (auto _ : state) {
        benchmark::DoNotOptimize(orv::ParseAsciiTrace(text, 4001, 0.0f, values));
    }
}
BENCHMARK(BM_Ascii4001_ParseOnly)->Iterations(1000);

} // namespace
