// The engine's own cost per cell of a spectral/spatial scan: 29 x 42 cells (1218 active), one
// component, 4,001 points from the placeholder analyser, through the running engine as the program
// started with "-NoSA" runs it (driver 900, the no-scanner board, set-up command 1, then each scan a
// go command 2 until its terminator) while a client thread drains the data pipe. In the same run the
// placeholder makes the same 1218 traces alone, and memcpy copies the same values once: E = (scan - traces
// alone) / 1218 is the engine's cost per cell, also given in memcpys of one cell's values. Every allocation
// of the process is counted, so the bytes the scan allocates per cell show whether its memory stays flat.
//
// Also: a 50-pass continuous spectral run's allocations per cell; the peak search over 100,001
// points against one summing pass over them; and the engine's time per frame of a spatial scan of
// the same grid over 16,384 frequency indexes with a zero-latency analyser, the no-scanner board and
// the fake clock (pauses recorded, not slept), against memcpy of a frame's values.

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/drivers/none/CSpectrumAnalyzerNone.h"
#include "bench/support/AllocationCounter.h"
#include "core/NoScannerFallback.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineObjects.h"
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
#include "platform/fs/AppPaths.h"

#include <benchmark/benchmark.h>

#include <time.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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

// CPU time of the process or of the calling thread, seconds.
double CpuSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

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

void PutLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

void PutFloat(std::vector<uint8_t>& out, float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    PutLittleEndian(out, bits, 4);
}

std::vector<uint8_t> CommandFrame(uint16_t id, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> frame{0x2A, 0, 0};
    PutLittleEndian(frame, id, 2);
    PutLittleEndian(frame, static_cast<uint32_t>(body.size()), 4);
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

// The set-up command of the benchmark's scan: spectral/spatial, every cell of the grid active, a
// 4,000 MHz span at 1 MHz RBW (4,001 points), one component, no peaks.
std::vector<uint8_t> SpectralSpatialSetupFrame() {
    std::vector<uint8_t> body;
    PutLittleEndian(body, 101, 2);
    PutLittleEndian(body, kRows, 2);
    PutLittleEndian(body, kColumns, 2);
    body.insert(body.end(), kCells, 1);
    PutLittleEndian(body, kRows, 2);
    PutLittleEndian(body, kColumns, 2);
    for (uint32_t cell = 0; cell < kCells; ++cell) {
        PutLittleEndian(body, 0, 2);
    }
    PutFloat(body, 0.0F);                  // default probe height
    body.push_back(0);                     // scan option
    PutFloat(body, 1.0F);                  // RBW
    PutFloat(body, 2500.0F);               // centre
    PutLittleEndian(body, 0, 4);           // sampling rate
    PutFloat(body, 4000.0F);               // span
    PutFloat(body, 500.0F);                // start
    PutFloat(body, 4500.0F);               // stop
    PutLittleEndian(body, 1, 4);           // samples per cell
    PutLittleEndian(body, 0, 4);           // settling
    PutLittleEndian(body, 4001, 4);        // points
    PutLittleEndian(body, 0, 4);           // sweep time
    PutFloat(body, 97.0F);                 // reference level
    body.push_back(0);                     // measure peaks
    body.push_back(0);                     // manual sweep time
    body.push_back(0);                     // synchronise
    PutLittleEndian(body, 0, 4);           // slope
    PutLittleEndian(body, 0, 4);           // offset
    PutLittleEndian(body, 0, 4);           // failure code
    PutFloat(body, 0.0F);                  // peak scan
    PutFloat(body, 0.0F);                  // peak error
    PutLittleEndian(body, 0, 2);           // peak points
    PutLittleEndian(body, 0, 2);           // peak deviations
    body.push_back(0);                     // pre-amplifier
    body.push_back(0);                     // tracking generation
    PutLittleEndian(body, 0, 4);           // pre-amplifier value
    body.push_back(0);                     // analyser flag
    body.push_back(0);                     // scan flag
    body.insert(body.end(), {0, 0, 0, 0}); // scan bytes: one component
    body.insert(body.end(), {0, 0});
    return CommandFrame(1, body);
}

// Cuts whole frames off a byte stream and shows each completed one (type id and body) to the caller.
class FrameCutter {
public:
    template <typename Visit> void Take(const uint8_t* bytes, size_t count, const Visit& visit) {
        m_held.insert(m_held.end(), bytes, bytes + count);
        size_t at = 0;
        while (m_held.size() - at >= 9) {
            uint32_t size = 0;
            std::memcpy(&size, m_held.data() + at + 5, sizeof size);
            if (m_held.size() - at - 9 < size) {
                break;
            }
            uint16_t id = 0;
            std::memcpy(&id, m_held.data() + at + 3, sizeof id);
            visit(id, m_held.data() + at + 9, size);
            at += 9 + size;
        }
        m_held.erase(m_held.begin(), m_held.begin() + static_cast<std::ptrdiff_t>(at));
    }

private:
    std::vector<uint8_t> m_held;
};

// The running engine with the placeholder analyser (at most 4,001 points) and the no-scanner board,
// set up for the benchmark's scan; a client thread drains both pipes and counts terminators.
class RunningEngine {
public:
    RunningEngine() {
        setenv("ORV_VISA_LIBRARIES", "", 1);
        setenv("ORV_VISA_RESOURCES", "", 1);
        char folder[] = "/tmp/orv-bench-runners-XXXXXX";
        if (mkdtemp(folder) != nullptr) {
            m_folder = folder;
            SetUserDataFolderOverride(m_folder);
        }
        SetNoAnalyzerSwitch(true);
        ResetNoScannerFallback();
        m_objects = std::make_unique<CEngineObjects>();
        SetupScan& setup = m_objects->GetSetupScan();
        CDeviceManager* manager = setup.GetDeviceManager();
        for (const eProbeType type :
             {eProbeType::UsbScannerBoard, eProbeType::RobotArm, eProbeType::ExternalAdapter}) {
            manager->SetScannerMaker(type, nullptr);
        }
        manager->SetAnalyzerFactory([](int32_t) {
            auto analyzer = std::make_unique<CSpectrumAnalyzerNone>();
            analyzer->m_maximumSweepPoints = kPoints;
            analyzer->SetSeedSource([] { return 12345U; });
            return analyzer;
        });
        m_ready = setup.ConnectAnalyzer() && setup.ConnectScanner(eProbeType::NoScanner);
        m_client = std::jthread([this](const std::stop_token& stop) { Drain(stop); });
        std::vector<uint8_t> driver(16, 0);
        driver[0] = 0x84;
        driver[1] = 0x03;
        Command(CommandFrame(4, driver), 4);
        Command(SpectralSpatialSetupFrame(), 1);
        m_ready = m_ready && setup.GetNumberOfFrequencyBuckets() == static_cast<uint32_t>(kPoints) &&
                  setup.GetFailureCode() == 0;
    }
    ~RunningEngine() {
        // No scan runs any more, so nothing waits for the client to read.
        m_client.request_stop();
        m_client.join();
        m_objects.reset();
        SetNoAnalyzerSwitch(false);
        ResetNoScannerFallback();
        SetUserDataFolderOverride("");
        if (!m_folder.empty()) {
            std::filesystem::remove_all(m_folder);
        }
    }
    RunningEngine(const RunningEngine&) = delete;
    RunningEngine& operator=(const RunningEngine&) = delete;

    bool IsReady() const { return m_ready; }
    // The client thread's own CPU time so far, seconds.
    double ClientCpuSeconds() const { return static_cast<double>(m_clientCpuNanoseconds.load()) * 1e-9; }
    CSpectrumAnalyzerNone* Analyzer() {
        return static_cast<CSpectrumAnalyzerNone*>(
            m_objects->GetSetupScan().GetDeviceManager()->GetAnalyzer());
    }
    // A go and its wait for the scan's terminator.
    bool Scan() {
        const uint64_t before = m_terminators.load();
        Command(CommandFrame(2, {0}), 2);
        while (m_terminators.load() == before) {
            m_terminatorArrived.wait(false);
            m_terminatorArrived.store(false);
        }
        return m_lastStatus.load() == 0;
    }

private:
    // Writes the command and waits for its reply.
    void Command(const std::vector<uint8_t>& frame, uint16_t id) {
        const uint64_t before = m_replies[id].load();
        CTransferPipe& pipe = m_objects->GetCommandPipe();
        size_t written = 0;
        while (written < frame.size()) {
            written += pipe.WriteToEngine(frame.data() + written, frame.size() - written);
        }
        while (m_replies[id].load() == before) {
            m_replyArrived.wait(false);
            m_replyArrived.store(false);
        }
    }

    void Drain(const std::stop_token& stop) {
        std::vector<uint8_t> buffer(65536);
        FrameCutter commands;
        FrameCutter data;
        while (!stop.stop_requested()) {
            m_clientCpuNanoseconds.store(static_cast<uint64_t>(CpuSeconds(CLOCK_THREAD_CPUTIME_ID) * 1e9));
            const size_t fromData = m_objects->GetDataPipe().ReadFromEngine(buffer.data(), buffer.size());
            data.Take(buffer.data(), fromData, [&](uint16_t id, const uint8_t* body, uint32_t size) {
                if (id == 103 && size >= 4) {
                    uint32_t status = 0;
                    std::memcpy(&status, body, sizeof status);
                    m_lastStatus.store(status);
                    ++m_terminators;
                    m_terminatorArrived.store(true);
                    m_terminatorArrived.notify_all();
                }
            });
            const size_t fromCommands =
                m_objects->GetCommandPipe().ReadFromEngine(buffer.data(), buffer.size());
            commands.Take(buffer.data(), fromCommands,
                          [&](uint16_t id, const uint8_t* /*body*/, uint32_t /*size*/) {
                              if (id < m_replies.size()) {
                                  ++m_replies[id];
                                  m_replyArrived.store(true);
                                  m_replyArrived.notify_all();
                              }
                          });
            if (fromData == 0 && fromCommands == 0) {
                m_objects->GetDataPipe().WaitForEngineBytes(std::chrono::milliseconds(1), stop);
            }
        }
    }

    std::string m_folder;
    std::unique_ptr<CEngineObjects> m_objects;
    bool m_ready = false;
    std::array<std::atomic<uint64_t>, 8> m_replies{};
    std::atomic<bool> m_replyArrived{false};
    std::atomic<uint64_t> m_terminators{0};
    std::atomic<bool> m_terminatorArrived{false};
    std::atomic<uint32_t> m_lastStatus{0};
    std::atomic<uint64_t> m_clientCpuNanoseconds{0};
    std::jthread m_client;
};

void BM_SpectralSpatialScanEngineCost(benchmark::State& state) {
    RunningEngine engine;
    if (!engine.IsReady()) {
        state.SkipWithError("the engine did not set the placeholder up for 4,001 points");
        return;
    }
    CSpectrumAnalyzerNone alone;
    alone.m_maximumSweepPoints = kPoints;
    alone.SetSweepPoints(kPoints);
    alone.SetSeedSource([] { return 12345U; });
    std::vector<float> source(static_cast<size_t>(kCells) * kPoints, 1.0F);
    std::vector<float> target(source.size());
    double scanSeconds = 0.0;
    double tracesSeconds = 0.0;
    double memcpySeconds = 0.0;
    // The same in CPU time, which a loaded machine's waits for a core leave out: the scan's is the
    // process's less the client thread's (the other engine threads sleep through it).
    double scanCpuSeconds = 0.0;
    double tracesCpuSeconds = 0.0;
    uint64_t scanBytes = 0;
    for (auto _ : state) {
        const Steady::time_point tracesStart = Steady::now();
        const double tracesCpuStart = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        for (uint32_t cell = 0; cell < kCells; ++cell) {
            alone.SweepAndWait();
            benchmark::DoNotOptimize(alone.QueryScan());
        }
        tracesSeconds += std::chrono::duration<double>(Steady::now() - tracesStart).count();
        tracesCpuSeconds += CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - tracesCpuStart;

        const Steady::time_point copyStart = Steady::now();
        std::memcpy(target.data(), source.data(), source.size() * sizeof(float));
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
        memcpySeconds += std::chrono::duration<double>(Steady::now() - copyStart).count();

        const uint64_t before = orv::bench::AllocatedBytes();
        const Steady::time_point scanStart = Steady::now();
        const double processCpuStart = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const double clientCpuStart = engine.ClientCpuSeconds();
        const bool done = engine.Scan();
        scanSeconds += std::chrono::duration<double>(Steady::now() - scanStart).count();
        scanCpuSeconds += (CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processCpuStart) -
                          (engine.ClientCpuSeconds() - clientCpuStart);
        scanBytes += orv::bench::AllocatedBytes() - before;
        if (!done) {
            state.SkipWithError("the scan failed");
            break;
        }
    }
    const auto runs = static_cast<double>(state.iterations());
    const double engineMicroseconds = (scanSeconds - tracesSeconds) / runs / kCells * 1e6;
    const double memcpyMicroseconds = memcpySeconds / runs / kCells * 1e6;
    state.counters["E_us_per_cell"] = engineMicroseconds;
    state.counters["E_cpu_us_per_cell"] = (scanCpuSeconds - tracesCpuSeconds) / runs / kCells * 1e6;
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
