// The engine's own cost per cell of a spectral/spatial scan: 29 x 42 cells (1218 active), one
// component, 4,001 points from the placeholder analyser, through the runner, the data endpoint and
// the transfer pipe while a client thread drains it. In the same run the placeholder makes the same
// 1218 traces alone, and memcpy copies the same values once: E = (scan - traces alone) / 1218 is the
// engine's cost per cell, also given in memcpys of one cell's values. Every allocation of the process
// is counted, so the bytes the scan allocates per cell show whether its memory stays flat.
//
// Also: a 50-pass continuous spectral run's allocations per cell; the peak search over 100,001
// points against one summing pass over them; and the engine's time per frame of a spatial scan of
// the same grid over 16,384 frequency indexes with a zero-latency analyser, the no-scanner board and
// the fake clock (pauses recorded, not slept), against memcpy of a frame's values.

#include "analyzers/drivers/none/CSpectrumAnalyzerNone.h"
#include "bench/support/AllocationCounter.h"
#include "engine/CDeviceManager.h"
#include "engine/CSocketDataEngine.h"
#include "engine/CTransferPipe.h"
#include "engine/ScanStopFlag.h"
#include "engine/SetupScan.h"
#include "engine/runners/PeakSearch.h"
#include "engine/runners/SpatialScan.h"
#include "engine/runners/SpectralScan.h"
#include "engine/runners/SpectralSpatialScan.h"
#include "engine/scanners/CScanner.h"
#include "platform/clock/FakeClock.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace orv;
using Steady = std::chrono::steady_clock;

constexpr int16_t kRows = 29;
constexpr int16_t kColumns = 42;
constexpr uint32_t kCells = 1218;
constexpr int32_t kPoints = 4001;

// The peak resident memory of the process, kB (VmHWM).
double PeakResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtod(line.c_str() + 6, nullptr);
        }
    }
    return 0.0;
}

// The engine's objects for a runner, with the placeholder analyser and the no-scanner board, and a
// client thread that drains the data pipe.
class EngineBench {
public:
    EngineBench() {
        m_setup.SetStopFlag(&m_stop);
        m_devices = m_setup.CreateDeviceManager();
        m_devices->ConnectScanner(eProbeType::NoScanner);
        m_devices->SetAnalyzerFactory([](int32_t) {
            auto analyzer = std::make_unique<CSpectrumAnalyzerNone>();
            analyzer->m_maximumSweepPoints = kPoints;
            analyzer->SetSweepPoints(kPoints);
            analyzer->SetSeedSource([] { return 12345U; });
            return analyzer;
        });
        m_analyzer = static_cast<CSpectrumAnalyzerNone*>(m_devices->CreateAnalyzer(900));
        m_setup.SetRows(kRows);
        m_setup.SetColumns(kColumns);
        const std::vector<uint8_t> map(kCells, 1);
        m_setup.SetProbeCellMap(map.data(), kCells);
        const std::vector<uint16_t> heights(kCells, 0);
        m_setup.SetCellValues(heights.data(), kCells);
        m_setup.SetNumberOfFrequencyBuckets(kPoints);
        m_data.SetChannel(&m_pipe);
        m_client = std::jthread([this](const std::stop_token& stop) {
            std::vector<uint8_t> buffer(65536);
            while (!stop.stop_requested()) {
                if (m_pipe.ReadFromEngine(buffer.data(), buffer.size()) == 0) {
                    m_pipe.WaitForEngineBytes(std::chrono::milliseconds(5), stop);
                }
            }
        });
    }
    ~EngineBench() {
        m_client.request_stop();
        m_client.join();
        m_data.Shutdown();
    }
    EngineBench(const EngineBench&) = delete;
    EngineBench& operator=(const EngineBench&) = delete;

    CEngineContext Context() {
        CEngineContext context;
        context.setup = &m_setup;
        context.stopFlag = &m_stop;
        context.data = &m_data;
        return context;
    }

    SetupScan m_setup;
    ScanStopFlag m_stop;
    CDeviceManager* m_devices = nullptr;
    CSpectrumAnalyzerNone* m_analyzer = nullptr;
    CTransferPipe m_pipe;
    CSocketDataEngine m_data;
    std::jthread m_client;
};

void BM_SpectralSpatialScanEngineCost(benchmark::State& state) {
    EngineBench bench;
    std::vector<float> source(static_cast<size_t>(kCells) * kPoints, 1.0F);
    std::vector<float> target(source.size());
    double scanSeconds = 0.0;
    double tracesSeconds = 0.0;
    double memcpySeconds = 0.0;
    uint64_t scanBytes = 0;
    for (auto _ : state) {
        const Steady::time_point tracesStart = Steady::now();
        for (uint32_t cell = 0; cell < kCells; ++cell) {
            bench.m_analyzer->SweepAndWait();
            benchmark::DoNotOptimize(bench.m_analyzer->QueryScan());
        }
        tracesSeconds += std::chrono::duration<double>(Steady::now() - tracesStart).count();

        const Steady::time_point copyStart = Steady::now();
        std::memcpy(target.data(), source.data(), source.size() * sizeof(float));
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
        memcpySeconds += std::chrono::duration<double>(Steady::now() - copyStart).count();

        bench.m_stop.BeginScan();
        const uint64_t before = orv::bench::AllocatedBytes();
        const Steady::time_point scanStart = Steady::now();
        SpectralSpatialScan runner(bench.Context());
        runner.RunScanStart();
        scanSeconds += std::chrono::duration<double>(Steady::now() - scanStart).count();
        scanBytes += orv::bench::AllocatedBytes() - before;
        if (runner.GetStatus() != 0) {
            state.SkipWithError("the scan failed");
            break;
        }
    }
    const auto runs = static_cast<double>(state.iterations());
    const double engineMicroseconds = (scanSeconds - tracesSeconds) / runs / kCells * 1e6;
    const double memcpyMicroseconds = memcpySeconds / runs / kCells * 1e6;
    state.counters["E_us_per_cell"] = engineMicroseconds;
    state.counters["memcpy_us_per_cell"] = memcpyMicroseconds;
    state.counters["E_in_cell_memcpys"] = engineMicroseconds / memcpyMicroseconds;
    state.counters["traces_alone_us_per_cell"] = tracesSeconds / runs / kCells * 1e6;
    state.counters["bytes_allocated_per_cell"] = static_cast<double>(scanBytes) / runs / kCells;
    state.counters["peak_resident_kB"] = PeakResidentKilobytes();
}
BENCHMARK(BM_SpectralSpatialScanEngineCost)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ContinuousSpectralRunFiftyPasses(benchmark::State& state) {
    EngineBench bench;
    bench.m_setup.SetGoMode(1);
    uint64_t scanBytes = 0;
    for (auto _ : state) {
        bench.m_stop.BeginScan();
        // The stop falls in the 51st pass: 50 passes are sent whole.
        bench.m_analyzer->SetSeedSource([&bench, sweeps = 0U]() mutable {
            if (++sweeps == 50 * kCells + 1) {
                bench.m_stop.RequestStop();
            }
            return sweeps;
        });
        const uint64_t before = orv::bench::AllocatedBytes();
        SpectralScan runner(bench.Context());
        runner.RunScanStart();
        scanBytes += orv::bench::AllocatedBytes() - before;
    }
    state.counters["bytes_allocated_per_cell"] =
        static_cast<double>(scanBytes) / static_cast<double>(state.iterations()) / (50.0 * kCells);
    state.counters["peak_resident_kB"] = PeakResidentKilobytes();
}
BENCHMARK(BM_ContinuousSpectralRunFiftyPasses)->Unit(benchmark::kMillisecond)->Iterations(1);

// An analyser that answers at once: multiple-gated sweeps of 100 cells per sweep.
class InstantGatedAnalyzer final : public CSpectrumAnalyzer {
public:
    InstantGatedAnalyzer() : m_trace(100, 42.5F) { m_sweepPoints = 100; }
    std::string GetSweepMode() override { return "MultipleGatedSweep"; }
    int32_t ReadSweepPoints() override { return m_sweepPoints; }
    bool SetSpectralSweepPoints(int32_t /*count*/) override { return true; }
    int32_t GetCellsPerSweep(float /*rbw*/) override { return 100; }
    const float* QueryScan() override { return m_trace.data(); }

private:
    std::vector<float> m_trace;
};

void BM_SpatialScanFrames(benchmark::State& state) {
    FakeClock clock;
    const ScopedClockInstall install(clock);
    // Only the count of pauses matters here; the record of them must not grow over the run.
    clock.SetPauseHook([&clock](Clock::TimePoint) { clock.ClearPauses(); });
    EngineBench bench;
    bench.m_devices->SetAnalyzerFactory([](int32_t) { return std::make_unique<InstantGatedAnalyzer>(); });
    bench.m_devices->CreateAnalyzer(20);
    bench.m_setup.SetScanBytes({0, 0, 0, 7});
    constexpr uint32_t kFrames = 16384;
    std::vector<float> source(kCells, 1.0F);
    std::vector<float> target(kCells);
    double scanSeconds = 0.0;
    double memcpySeconds = 0.0;
    uint64_t scanBytes = 0;
    for (auto _ : state) {
        const Steady::time_point copyStart = Steady::now();
        for (uint32_t frame = 0; frame < kFrames; ++frame) {
            std::memcpy(target.data(), source.data(), kCells * sizeof(float));
            benchmark::DoNotOptimize(target.data());
            benchmark::ClobberMemory();
        }
        memcpySeconds += std::chrono::duration<double>(Steady::now() - copyStart).count();

        bench.m_stop.BeginScan();
        const uint64_t before = orv::bench::AllocatedBytes();
        const Steady::time_point scanStart = Steady::now();
        SpatialScan runner(bench.Context());
        runner.RunScanStart();
        scanSeconds += std::chrono::duration<double>(Steady::now() - scanStart).count();
        scanBytes += orv::bench::AllocatedBytes() - before;
        if (runner.GetStatus() != 0) {
            state.SkipWithError("the scan failed");
            break;
        }
    }
    const auto frames = static_cast<double>(state.iterations()) * kFrames;
    state.counters["engine_us_per_frame"] = scanSeconds / frames * 1e6;
    state.counters["memcpy_us_per_frame"] = memcpySeconds / frames * 1e6;
    state.counters["bytes_allocated_per_frame"] = static_cast<double>(scanBytes) / frames;
    state.counters["peak_resident_kB"] = PeakResidentKilobytes();
}
BENCHMARK(BM_SpatialScanFrames)->Unit(benchmark::kMillisecond)->Iterations(1);

std::vector<SpectralPoint> PeakSearchPoints() {
    std::vector<SpectralPoint> points(100001);
    uint32_t noise = 1;
    for (size_t i = 0; i < points.size(); ++i) {
        noise = noise * 1664525U + 1013904223U;
        points[i].amplitude = static_cast<int16_t>(noise >> 26);
        if (i % 997 == 0) {
            points[i].amplitude = static_cast<int16_t>(600 + i % 300);
        }
    }
    return points;
}

void BM_PeakSearch100001Points(benchmark::State& state) {
    const std::vector<SpectralPoint> points = PeakSearchPoints();
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindPeaks(points, kMaxPeakPoints));
    }
}
BENCHMARK(BM_PeakSearch100001Points)->Unit(benchmark::kMicrosecond);

void BM_SummingPass100001Points(benchmark::State& state) {
    const std::vector<SpectralPoint> points = PeakSearchPoints();
    for (auto _ : state) {
        int64_t sum = 0;
        for (const SpectralPoint& point : points) {
            sum += point.amplitude;
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_SummingPass100001Points)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
