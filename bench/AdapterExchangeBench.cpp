// Framed exchanges with the external adapter over TCP on the loopback, against the simulated
// adapter's own time per exchange (from its wake-up on the request to its reply sent). The counter
// "added_us" is what the driver, its transport and the loopback add to each exchange beyond the
// simulator's own time; the goal is under 0.1 ms.

#include "engine/scanners/adapter/CExScannerBoard.h"
#include "tests/sim/adapter/AdapterSimulator.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

using orv::CExScannerBoard;
using orv::test::AdapterSimulator;

// One connected driver and its simulator for a run.
struct Link {
    AdapterSimulator simulator;
    orv::test::ScopedNetworkSource network{
        std::make_shared<orv::test::LoopbackNetworkSource>(simulator.Address())};
    CExScannerBoard board;
};

void Report(benchmark::State& state, const AdapterSimulator& simulator, uint64_t exchangesBefore,
            std::chrono::nanoseconds serviceBefore, std::chrono::steady_clock::duration elapsed) {
    const auto exchanges = static_cast<double>(simulator.Exchanges() - exchangesBefore);
    const double service =
        std::chrono::duration<double, std::micro>(simulator.ServiceTime() - serviceBefore).count();
    const double total = std::chrono::duration<double, std::micro>(elapsed).count();
    if (exchanges > 0) {
        state.counters["exchanges_per_s"] = exchanges / (total / 1e6);
        state.counters["exchange_us"] = total / exchanges;
        state.counters["simulator_us"] = service / exchanges;
        state.counters["added_us"] = (total - service) / exchanges;
    }
}

// A short command with a letter-only reply (the cell switch of a scan).
void BM_AdapterSwitchToCell(benchmark::State& state) {
    Link link;
    if (!link.board.Connect() || !link.board.SetCell(3, 4)) {
        state.SkipWithError("no simulated adapter");
        return;
    }
    const uint64_t exchanges = link.simulator.Exchanges();
    const std::chrono::nanoseconds service = link.simulator.ServiceTime();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        benchmark::DoNotOptimize(link.board.SwitchToCell());
    }
    Report(state, link.simulator, exchanges, service, std::chrono::steady_clock::now() - start);
}
BENCHMARK(BM_AdapterSwitchToCell)->UseRealTime();

// A read with a reply of four payload bytes (the firmware version).
void BM_AdapterFirmwareRead(benchmark::State& state) {
    Link link;
    if (!link.board.Connect()) {
        state.SkipWithError("no simulated adapter");
        return;
    }
    const uint64_t exchanges = link.simulator.Exchanges();
    const std::chrono::nanoseconds service = link.simulator.ServiceTime();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        benchmark::DoNotOptimize(link.board.ReadFirmwareVersion());
    }
    Report(state, link.simulator, exchanges, service, std::chrono::steady_clock::now() - start);
}
BENCHMARK(BM_AdapterFirmwareRead)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
