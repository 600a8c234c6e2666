// The communication layer's data dispatch: 10^5 ordinary packets (401-point spectra) wrapped into transport
// containers, queued and taken by a consumer, against building the same packets in the same run; the assembly
// of a level-2 29 x 42 interleaved spatial scan (16 packets); and of a level-1 blind-spot spectral/spatial
// scan of 1,218 cells x 4,001 points (two passes of 4,872 components), with the peak of the heap in use while
// it runs against the first pass's blocks (4,872 x 4,001 floats).
#include "core/QDataWriter.h"
#include "protocol/QCommLayer.h"
#include "scandata/QDataPacketHandler.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QTransportContainer.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using namespace orv;

constexpr int kPackets = 100000;

// Bytes the allocator hands out now, from its arenas and in mapped blocks.
std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// An ordinary record: a 401-point spectrum, as a short sweep delivers it.
std::unique_ptr<QSpectralScan> BuildSpectrum(int i) {
    auto packet = std::make_unique<QSpectralScan>();
    packet->SetPointCount(401);
    packet->SetAmplitude(0, static_cast<int16_t>(i));
    return packet;
}

void BM_BuildPackets(benchmark::State& state) {
    for (auto _ : state) {
        for (int i = 0; i < kPackets; ++i) {
            auto packet = BuildSpectrum(i);
            benchmark::DoNotOptimize(packet.get());
        }
    }
    state.SetItemsProcessed(state.iterations() * kPackets);
}
BENCHMARK(BM_BuildPackets)->Unit(benchmark::kMillisecond);

void BM_BuildAndDispatchPackets(benchmark::State& state) {
    QCommLayer layer;
    for (auto _ : state) {
        for (int i = 0; i < kPackets; ++i) {
            layer.DispatchDataPacket(BuildSpectrum(i));
            // The scan's data worker takes each container as it comes.
            std::unique_ptr<QTransportContainer> taken = layer.PopTransportContainer();
            benchmark::DoNotOptimize(taken.get());
        }
    }
    state.SetItemsProcessed(state.iterations() * kPackets);
}
BENCHMARK(BM_BuildAndDispatchPackets)->Unit(benchmark::kMillisecond);

std::vector<uint8_t> FrameOf(const QSerializable& packet) {
    QCharCounterDataWriter counter;
    packet.Serialize(counter);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    packet.Serialize(writer);
    return bytes;
}

void SetUpScan(QCommLayer& layer, const QSetupScanCommand& setup) {
    layer.SetCurrentSetupScanCommand(setup);
    const std::vector<uint8_t> frame = FrameOf(setup);
    layer.HandleCommandReply(frame.data(), frame.size());
    layer.ClearTransportQueue();
}

void BM_AssembleLevelTwoSpatialScan(benchmark::State& state) {
    QCommLayer layer;
    QSetupScanCommand setup;
    setup.m_ScanKind = 100;
    setup.SetProbeScanPattern(QProbeScanPattern(29, 42, 1, 0));
    setup.SetSpatialLevel(2);
    QZeltSpatialHandOver packet;
    packet.m_Level = 2;
    packet.m_Rows = 29;
    packet.m_Columns = 42;
    for (std::size_t cell = 0; cell < 29 * 42; ++cell) {
        packet.m_Values[cell] = static_cast<double>(cell % 700);
    }
    for (auto _ : state) {
        SetUpScan(layer, setup);
        for (uint32_t k = 0; k < 16; ++k) {
            packet.m_SubPosition = k;
            layer.ProcessZeltSpatialScanData(packet);
        }
        std::unique_ptr<QTransportContainer> scan = layer.PopTransportContainer();
        if (scan == nullptr || scan->GetSpatialScan() == nullptr ||
            scan->GetSpatialScan()->GetFloatPoints().size() != 29U * 42U * 16U) {
            state.SkipWithError("the scan did not complete");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * 16);
}
BENCHMARK(BM_AssembleLevelTwoSpatialScan)->Unit(benchmark::kMicrosecond);

void BM_AssembleBlindSpotSpectralSpatialScan(benchmark::State& state) {
    constexpr uint16_t kRows = 29;
    constexpr uint16_t kColumns = 42;
    constexpr uint32_t kPoints = 4001;
    QCommLayer layer;
    QSetupScanCommand setup;
    setup.m_ScanKind = 101;
    setup.SetProbeScanPattern(QProbeScanPattern(kRows, kColumns, 1, 0));
    setup.SetSpatialLevel(1);
    setup.SetBlindSpotReduction(1);
    setup.SetTracePointsPerCell(kPoints);
    QZeltSpectralSpatialHandOver component;
    component.m_Level = 1;
    component.m_PointCount = kPoints;
    component.m_Values.resize(kPoints);
    const double firstPassBytes = 4.0 * kRows * kColumns * 4.0 * kPoints;
    double peak = 0.0;
    for (auto _ : state) {
        SetUpScan(layer, setup);
        const std::size_t baseline = HeapInUse();
        std::size_t highest = baseline;
        for (int pass = 0; pass < 2; ++pass) {
            for (uint16_t r = 0; r < kRows; ++r) {
                for (uint16_t c = 0; c < kColumns; ++c) {
                    for (uint32_t k = 0; k < 4; ++k) {
                        component.m_Row = r;
                        component.m_Column = c;
                        component.m_SubPosition = k;
                        std::fill(component.m_Values.begin(), component.m_Values.end(), pass * 10.0 + k);
                        const bool last = pass == 1 && r == kRows - 1 && c == kColumns - 1 && k == 3;
                        if (last) {
                            // The last component pauses 100 ms before the clean-up; not measured.
                            state.PauseTiming();
                        }
                        layer.ZeltSpectralSpatialScanData(component);
                        // The scan's data worker takes each component as it comes.
                        std::unique_ptr<QTransportContainer> taken = layer.PopTransportContainer();
                        highest = std::max(highest, HeapInUse());
                        benchmark::DoNotOptimize(taken.get());
                        if (last) {
                            state.ResumeTiming();
                        }
                    }
                }
            }
        }
        peak = std::max(peak, static_cast<double>(highest - baseline));
    }
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["first_pass_MB"] = firstPassBytes / 1e6;
    state.counters["peak_ratio"] = peak / firstPassBytes;
    state.SetItemsProcessed(state.iterations() * 2 * 4 * kRows * kColumns);
}
BENCHMARK(BM_AssembleBlindSpotSpectralSpatialScan)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
