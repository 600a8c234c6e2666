// The per-scan data worker of a run. Latency from a data frame written into the data pipe until the
// worker has handed its container to the node, over 10^4 frames (median and 99th percentile),
// against the data channel's own cycle (the frame written until its container is queued) measured
// in the same run: the data event, not the 20 ms poll, should carry the data. And a scripted
// spectral/spatial scan of 1,218 cells x 4,001 points through the client (pipe, frame cutting,
// dispatch, worker, container) against ingesting the same records straight into the container,
// with the peak of the heap in use during the run.
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QProbeScanPattern.h"
#include "engine/CTransferPipe.h"
#include "platform/msg/MessageTarget.h"
#include "project/QNodeMediator.h"
#include "protocol/QCommLayer.h"
#include "protocol/QUIBBStateController.h"
#include "protocol/thScanThread.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QSpectralSpatialScanContainer.h"
#include "scandata/QTerminator.h"
#include "scandata/QTransportContainer.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace orv;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

constexpr int kFrames = 10000;
constexpr uint16_t kRows = 29;
constexpr uint16_t kColumns = 42;
constexpr uint32_t kCellPoints = 4001;

std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

Bytes FrameOf(const QSerializable& packet) {
    QCharCounterDataWriter counter;
    packet.Serialize(counter);
    Bytes bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    packet.Serialize(writer);
    return bytes;
}

void WriteFrame(CTransferPipe& pipe, const Bytes& frame) {
    std::size_t sent = 0;
    while (sent < frame.size()) {
        const std::size_t n = pipe.WriteToClient(frame.data() + sent, frame.size() - sent);
        if (n == 0) {
            std::this_thread::yield();
        }
        sent += n;
    }
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[at];
}

// The node the worker hands to: its scans go into a real spectral/spatial container; the stamp and
// count of each hand-over are kept for the latency.
class BenchMediator final : public QNodeMediator {
public:
    void Detach() override {}
    bool IsScanning() override { return false; }
    bool IsBusy() override { return false; }
    bool HasScanData() override { return false; }
    bool GetCompensationSettings(QScanCompensationSettings& /*out*/) const override { return false; }
    int GetSpatialDisplayUnit() const override { return 0; }
    int GetSpectralDisplayUnit() const override { return 0; }
    uint32_t GetDataSize() override { return 0; }
    void WriteData(QDataWriter& /*writer*/) override {}
    void ReadData(QDataReader& /*reader*/) override {}

    uint32_t TakeTransportContainer(std::unique_ptr<QTransportContainer> transport, bool mergeMaximum,
                                    int32_t* endValue, bool mergeAverage) override {
        uint32_t status = 0;
        if (container != nullptr) {
            status =
                container->TakeTransportContainer(std::move(transport), mergeMaximum, endValue, mergeAverage);
            peakHeap = std::max(peakHeap, HeapInUse());
        }
        lastTaken.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
        taken.fetch_add(1, std::memory_order_release);
        if ((status & QScanContainer::kStatusEnded) != 0) {
            ended.store(true, std::memory_order_release);
        }
        return status;
    }

    std::unique_ptr<QSpectralSpatialScanContainer> container;
    std::atomic<uint64_t> taken{0};
    std::atomic<Clock::rep> lastTaken{0};
    std::atomic<bool> ended{false};
    std::size_t peakHeap = 0;
};

// A layer reading the data pipe on its data channel, with a run's worker handing to the mediator.
struct ClientRun {
    ClientRun() {
        layer.SetDataTransferPipe(&pipe);
        layer.StartDataChannel();
    }
    void StartWorker() {
        worker = std::make_unique<thScanThread>(1, layer.GetDataEvent(), controller, layer, mediator);
        worker->Start();
    }
    ~ClientRun() {
        worker.reset();
        layer.ResetChannels();
    }

    MessageThread ui;
    QUIBBStateController controller{ui};
    CTransferPipe pipe;
    QCommLayer layer;
    BenchMediator mediator;
    std::unique_ptr<thScanThread> worker;
};

void BM_FrameToHandOverLatency(benchmark::State& state) {
    QSpectralScan spectrum;
    spectrum.SetPointCount(401);
    const Bytes frame = FrameOf(spectrum);
    std::vector<double> cycle;
    std::vector<double> handOver;
    for (auto _ : state) {
        ClientRun run;
        // The channel alone: written until queued.
        cycle.clear();
        for (int i = 0; i < kFrames; ++i) {
            const auto start = Clock::now();
            WriteFrame(run.pipe, frame);
            while (run.layer.GetTransportQueueLength() == 0) {
            }
            cycle.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
            run.layer.ClearTransportQueue();
        }
        // With the run's worker: written until handed over.
        run.StartWorker();
        handOver.clear();
        for (int i = 0; i < kFrames; ++i) {
            const auto start = Clock::now();
            WriteFrame(run.pipe, frame);
            while (run.mediator.taken.load(std::memory_order_acquire) < static_cast<uint64_t>(i) + 1) {
            }
            const Clock::time_point end{Clock::duration(run.mediator.lastTaken.load())};
            handOver.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        }
    }
    state.counters["cycle_median_us"] = Percentile(cycle, 0.5);
    state.counters["cycle_p99_us"] = Percentile(cycle, 0.99);
    state.counters["handover_median_us"] = Percentile(handOver, 0.5);
    state.counters["handover_p99_us"] = Percentile(handOver, 0.99);
    state.counters["median_ratio"] = Percentile(handOver, 0.5) / Percentile(cycle, 0.5);
}
BENCHMARK(BM_FrameToHandOverLatency)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The scan's set-up and its cell records, as the engine writes them.
struct ScriptedScan {
    ScriptedScan() {
        setup.m_ScanKind = 101;
        setup.SetProbeScanPattern(QProbeScanPattern(kRows, kColumns, 1, 0));
        setup.SetFrequencyRange(10.0F, 1000.0F);
        setup.SetTracePointsPerCell(kCellPoints);
        QSpectralSpatialScanComponent component;
        for (uint16_t r = 0; r < kRows; ++r) {
            for (uint16_t c = 0; c < kColumns; ++c) {
                component.SetCell(r, c, 0);
                component.SetHeader(0, 0, 0);
                component.SetPointCount(kCellPoints);
                for (uint32_t i = 0; i < kCellPoints; ++i) {
                    component.SetAmplitude(i, static_cast<int16_t>((i * 7U + r * 13U + c) % 800U));
                }
                cells.push_back(FrameOf(component));
            }
        }
        end = FrameOf(QTerminator(0));
    }
    QSetupScanCommand setup;
    std::vector<Bytes> cells;
    Bytes end;
};

const ScriptedScan& Scan() {
    static const ScriptedScan scan;
    return scan;
}

std::unique_ptr<QTransportContainer> SetupStep(const QSetupScanCommand& setup) {
    auto step = std::make_unique<QTransportContainer>();
    step->SetSetupScanCommand(new QSetupScanCommand(setup));
    return step;
}

void BM_SpectralSpatialScanThroughTheClient(benchmark::State& state) {
    const ScriptedScan& scan = Scan();
    std::size_t peak = 0;
    std::size_t cellsHeld = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto run = std::make_unique<ClientRun>();
        run->mediator.container = std::make_unique<QSpectralSpatialScanContainer>();
        run->mediator.container->TakeTransportContainer(SetupStep(scan.setup), false, nullptr, false);
        run->layer.SetCurrentSetupScanCommand(scan.setup);
        run->StartWorker();
        const std::size_t before = HeapInUse();
        run->mediator.peakHeap = before;
        state.ResumeTiming();
        for (const Bytes& frame : scan.cells) {
            WriteFrame(run->pipe, frame);
        }
        WriteFrame(run->pipe, scan.end);
        while (!run->mediator.ended.load(std::memory_order_acquire)) {
            std::this_thread::yield();
        }
        state.PauseTiming();
        peak = std::max(peak, run->mediator.peakHeap - before);
        cellsHeld = run->mediator.container->GetPointCount();
        run.reset();
        state.ResumeTiming();
    }
    state.counters["peak_heap_MB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
    state.counters["container_points"] = static_cast<double>(cellsHeld);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(scan.cells.size()));
}
BENCHMARK(BM_SpectralSpatialScanThroughTheClient)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SpectralSpatialScanStraightIntoTheContainer(benchmark::State& state) {
    const ScriptedScan& scan = Scan();
    std::size_t peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto container = std::make_unique<QSpectralSpatialScanContainer>();
        container->TakeTransportContainer(SetupStep(scan.setup), false, nullptr, false);
        const std::size_t before = HeapInUse();
        std::size_t highest = before;
        state.ResumeTiming();
        for (const Bytes& frame : scan.cells) {
            auto* component = new QSpectralSpatialScanComponent();
            QCharArrayDataReader reader(frame.data(), static_cast<uint32_t>(frame.size()));
            component->Deserialize(reader);
            auto step = std::make_unique<QTransportContainer>();
            step->SetSpectralSpatialScanComponent(component);
            container->TakeTransportContainer(std::move(step), false, nullptr, false);
            highest = std::max(highest, HeapInUse());
        }
        auto end = std::make_unique<QTransportContainer>();
        end->SetTerminator(new QTerminator(0));
        int32_t value = -1;
        container->TakeTransportContainer(std::move(end), false, &value, false);
        state.PauseTiming();
        peak = std::max(peak, highest - before);
        container.reset();
        state.ResumeTiming();
    }
    state.counters["peak_heap_MB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(scan.cells.size()));
}
BENCHMARK(BM_SpectralSpatialScanStraightIntoTheContainer)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
