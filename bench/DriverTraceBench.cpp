// Binary trace reads through the model drivers' QueryScan and the built-in VISA layer against the
// same query and the same bytes read over a plain socket, in the same run and from the same loopback
// responder: 40,001 points (N9010A), 100,001 points (N9020B, FPL), 32,001 points (FSL, FSV3 in its raw
// block-read mode), 10,001 points (FieldFox N9912A, each value + 107), 8,192 points (PSA E4440A), the
// basic analysers' fixed 461 points (N9320B raw, N9324C in a block) and 5,001 points (the ZND's "VXT"
// trace, its raw block with the header awaited under the trace-read time-out), REAL,32 little-endian. The
// decode alone runs against a copy of the same bytes. Counters: how often a read moved the trace array (a new
// allocation) and the resident-set growth over the run's reads.

#include "analyzers/drivers/keysight/CSpectrumAnalyzerE4440A.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9010A.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9020A.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9320B.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9324C.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9912ANew.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFPL.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSV3.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerZND.h"
#include "analyzers/drivers/scpi/ScpiBlockData.h"
#include "bench/support/LoopbackLineResponder.h"
#include "bench/support/LoopbackVisaDriver.h"
#include "bench/support/TraceBenchData.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <sys/socket.h>
#include <type_traits>
#include <unistd.h>
#include <vector>

namespace {

using namespace orv;
using namespace orv::visa;

using orv::bench::Real32Block;
using orv::bench::ResidentKb;

// The trace's 32-bit values, one step of the rise per point.
std::string Real32Data(int points) {
    return orv::bench::Real32Data(points, 0.0001);
}

constexpr const char* kZndTraceQuery = "CALC1:DATA:TRAC? \"VXT\", FDAT;";

// Answers ":Sweep:Points <n> ;" (no reply) and the trace queries (the ZND's too) with the REAL,32 block of
// the connection's point count; after "RAW;" the basic analysers' query gets the bare data and a line feed.
class TraceResponder {
public:
    TraceResponder() : m_server([this] { return MakeHandler(); }) {
        for (const int points : {461, 5001, 8192, 10001, 32001, 40001, 100001}) {
            m_blocks[points] = Real32Block(Real32Data(points));
        }
        m_raw461 = Real32Data(461) + "\n";
    }
    uint16_t Port() const { return m_server.Port(); }
    const std::string& Block(int points) const { return m_blocks.at(points); }

private:
    orv::bench::LoopbackLineResponder::Handler MakeHandler() {
        return [this, points = 40001, raw = false](const std::string& command) mutable -> const std::string* {
            if (command.rfind(":Sweep:Points ", 0) == 0) {
                points = std::atoi(command.c_str() + 14);
                return nullptr;
            }
            if (command == "RAW;") {
                raw = true;
                return nullptr;
            }
            if (command == "TRAC:DATA? trace1;" && raw) {
                return &m_raw461;
            }
            if ((command == ":Trace? trace1;" || command == ":Trace? Trace1;" || command == ":Trace:Data?;" ||
                 command == "TRAC:DATA? trace1;" || command == kZndTraceQuery) &&
                m_blocks.count(points) != 0) {
                return &m_blocks.at(points);
            }
            return nullptr;
        };
    }

    std::map<int, std::string> m_blocks; // filled before the server starts, read only after
    std::string m_raw461;
    // Last, so that its threads stop before the replies they send go.
    orv::bench::LoopbackLineResponder m_server;
};

TraceResponder& Responder() {
    static TraceResponder responder;
    return responder;
}

// A driver on a built-in VISA session to the responder.
template <class Driver> class BoundDriver : public orv::bench::LoopbackVisaDriver<Driver> {
public:
    bool Bind(int points) {
        if (!this->OpenLoopbackSession(Responder().Port())) {
            return false;
        }
        this->m_sweepPoints = points;
        if constexpr (std::is_same_v<Driver, CSpectrumAnalyzerN9320B>) {
            if (this->WriteCommand("RAW;\n") < 0) {
                return false;
            }
        }
        return this->WriteCommand(":Sweep:Points " + std::to_string(points) + " ;\n") >= 0;
    }
};

template <class Driver> void DriverQueryScan(benchmark::State& state, int points) {
    BoundDriver<Driver> driver;
    if (!driver.Bind(points) || driver.QueryScan() == nullptr || !driver.IsQueryValid()) {
        state.SkipWithError("trace failed");
        return;
    }
    const long before = ResidentKb();
    const float* last = driver.QueryScan();
    long moves = 0;
    for (auto _ : state) {
        const float* trace = driver.QueryScan();
        if (trace == nullptr || !driver.IsQueryValid()) {
            state.SkipWithError("trace failed");
            break;
        }
        moves += trace != last ? 1 : 0;
        last = trace;
        benchmark::DoNotOptimize(trace[points - 1]);
    }
    state.counters["trace_allocations_per_read"] =
        static_cast<double>(moves) / static_cast<double>(state.iterations());
    state.counters["rss_growth_kb"] = static_cast<double>(ResidentKb() - before);
}

void PlainSocket(benchmark::State& state, int points, const std::string& query = ":Trace? trace1;\n") {
    const int s = orv::bench::ConnectPlainLoopback(Responder().Port());
    const std::string size = ":Sweep:Points " + std::to_string(points) + " ;\n";
    send(s, size.data(), size.size(), MSG_NOSIGNAL);
    const size_t bytes = Responder().Block(points).size();
    std::vector<char> buffer(bytes);
    for (auto _ : state) {
        send(s, query.data(), query.size(), MSG_NOSIGNAL);
        benchmark::DoNotOptimize(orv::bench::ReceiveReply(s, buffer.data(), buffer.size(), bytes));
    }
    close(s);
}

void BM_N9010A_QueryScan40001(benchmark::State& state) {
    DriverQueryScan<CSpectrumAnalyzerN9010A>(state, 40001);
}
BENCHMARK(BM_N9010A_QueryScan40001)->Iterations(1000)->UseRealTime();

void BM_Socket_Trace40001(benchmark::State& state) {
    PlainSocket(state, 40001);
}
BENCHMARK(BM_Socket_Trace40001)->Iterations(1000)->UseRealTime();

void BM_N9020B_QueryScan100001(benchmark::State& state) {
    DriverQueryScan<CSpectrumAnalyzerN9020B>(state, 100001);
}
BENCHMARK(BM_N9020B_QueryScan100001)->Iterations(500)->UseRealTime();

void BM_Socket_Trace100001(benchmark::State& state) {
    PlainSocket(state, 100001);
}
BENCHMARK(BM_Socket_Trace100001)->Iterations(500)->UseRealTime();

void BM_FSL_QueryScan32001(benchmark::State& state) {
    DriverQueryScan<CSpectrumAnalyzerFSL>(state, 32001);
}
BENCHMARK(BM_FSL_QueryScan32001)->Iterations(1000)->UseRealTime();

void BM_Socket_Trace32001(benchmark::State& state) {
    PlainSocket(state, 32001);
}
BENCHMARK(BM_Socket_Trace32001)->Iterations(1000)->UseRealTime();

void BM_FPL_QueryScan100001(benchmark::State& state) {
    DriverQueryScan<CSpectrumAnalyzerFPL>(state, 100001);
}
BENCHMARK(BM_FPL_QueryScan100001)->Iterations(1000)->UseRealTime();

// The FSV3 as its set-up leaves it for the model "FSV3030".
class Fsv3BlockReadMode : public CSpectrumAnalyzerFSV3 {
public:
    const float* QueryScan() override { return ReadTraceBlock(); }
};

void BM_FSV3_BlockRead32001(benchmark::State& state) {
    DriverQueryScan<Fsv3BlockReadMode>(state, 32001);
}
BENCHMARK(BM_FSV3_BlockRead32001)->Iterations(1000)->UseRealTime();

void BM_Decode32001(benchmark::State& state) {
    const std::string data = Real32Data(32001);
    std::vector<float> values(32001);
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecodeLittleEndianSingles(
            reinterpret_cast<const unsigned char*>(data.data()), data.size(), values.data(), values.size()));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Decode32001)->Iterations(5000);

void BM_Copy32001(benchmark::State& state) {
    const std::string data = Real32Data(32001);
    std::vector<float> values(32001);
    for (auto _ : state) {
        std::memcpy(values.data(), data.data(), data.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Copy32001)->Iterations(5000);

void BM_N9912A_QueryScan10001(benchmark::State& state) {
    DriverQueryScan<CSpectrumAnalyzerN9912ANew>(state, 10001);
}
BENCHMARK(BM_N9912A_QueryScan10001)->Iterations(1000)->UseRealTime();

void BM_Socket_TraceData10001(benchmark::State& state) {
    PlainSocket(state, 10001, ":Trace:Data?;\n");
}
BENCHMARK(BM_Socket_TraceData10001)->Iterations(1000)->UseRealTime();

void BM_E4440A_QueryScan8192(benchmark::State& state) {
    DriverQueryScan<CSpectrumAnalyzerE4440A>(state, 8192);
}
BENCHMARK(BM_E4440A_QueryScan8192)->Iterations(2000)->UseRealTime();

void BM_Socket_Trace8192(benchmark::State& state) {
    PlainSocket(state, 8192, ":Trace? Trace1;\n");
}
BENCHMARK(BM_Socket_Trace8192)->Iterations(2000)->UseRealTime();

void BM_N9320B_QueryScan461(benchmark::State& state) {
    DriverQueryScan<CSpectrumAnalyzerN9320B>(state, 461);
}
BENCHMARK(BM_N9320B_QueryScan461)->Iterations(5000)->UseRealTime();

void BM_N9324C_QueryScan461(benchmark::State& state) {
    DriverQueryScan<CSpectrumAnalyzerN9324C>(state, 461);
}
BENCHMARK(BM_N9324C_QueryScan461)->Iterations(5000)->UseRealTime();

void BM_Socket_Trace461(benchmark::State& state) {
    PlainSocket(state, 461, "TRAC:DATA? trace1;\n");
}
BENCHMARK(BM_Socket_Trace461)->Iterations(5000)->UseRealTime();

void BM_ZND_QueryScan5001(benchmark::State& state) {
    DriverQueryScan<CSpectrumAnalyzerZND>(state, 5001);
}
BENCHMARK(BM_ZND_QueryScan5001)->Iterations(2000)->UseRealTime();

void BM_Socket_ZndTrace5001(benchmark::State& state) {
    PlainSocket(state, 5001, std::string(kZndTraceQuery) + "\n");
}
BENCHMARK(BM_Socket_ZndTrace5001)->Iterations(2000)->UseRealTime();

// The decode alone, and a copy of the same bytes.
void BM_Decode100001(benchmark::State& state) {
    const std::string data = Real32Data(100001);
    std::vector<float> values(100001);
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecodeLittleEndianSingles(
            reinterpret_cast<const unsigned char*>(data.data()), data.size(), values.data(), values.size()));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Decode100001)->Iterations(2000);

void BM_Copy100001(benchmark::State& state) {
    const std::string data = Real32Data(100001);
    std::vector<float> values(100001);
    for (auto _ : state) {
        std::memcpy(values.data(), data.data(), data.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Copy100001)->Iterations(2000);

} // namespace
