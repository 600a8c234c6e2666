// Scan-record bodies against memcpy of the same bytes in the same run: a 100,000-point spectral
// record and a full 64 x 64 level-2 spatial record, written and read as whole frames; and the
// merges, per point or cell.
#include "core/QProbeScanPattern.h"
#include "core/serializable.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralScan.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kPoints = 100000;

orv::QSpectralScan MakeSpectral(int16_t offset) {
    orv::QSpectralScan scan;
    scan.SetPointCount(kPoints);
    for (uint32_t i = 0; i < kPoints; ++i) {
        scan.SetAmplitude(i, static_cast<int16_t>((i * 7 + static_cast<uint32_t>(offset)) % 900));
        scan.SetPointWord1(i, static_cast<uint16_t>(i % 29));
        scan.SetPointWord2(i, static_cast<uint16_t>(i % 42));
    }
    return scan;
}

orv::QSpatialScan MakeSpatial(int16_t offset) {
    std::vector<uint8_t> body;
    orv::QSpatialScan source;
    source.SetHeader(0, 2, 1, 0);
    source.SetGridSize(64, 64);
    for (uint16_t r = 0; r < 64; ++r) {
        for (uint16_t c = 0; c < 64; ++c) {
            source.SetSubGridAmplitude(r, c, static_cast<int16_t>((r * 64 + c + offset) % 700));
            source.SetStoredAmplitude(r, c, static_cast<int16_t>((r * 31 + c + offset) % 700));
        }
    }
    return source;
}

std::vector<uint8_t> Frame(const orv::QSerializable& object) {
    std::vector<uint8_t> bytes(object.GetSerializedSize());
    orv::QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    object.Serialize(writer);
    return bytes;
}

void Memcpy(benchmark::State& state, size_t bytes) {
    std::vector<uint8_t> from(bytes, 7);
    std::vector<uint8_t> to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void Write(benchmark::State& state, const orv::QSerializable& record) {
    std::vector<uint8_t> buffer(record.GetSerializedSize());
    for (auto _ : state) {
        orv::QCharArrayDataWriter writer(buffer.data(), static_cast<uint32_t>(buffer.size()));
        record.Serialize(writer);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * buffer.size()));
}

template <typename Record> void Read(benchmark::State& state, const std::vector<uint8_t>& bytes) {
    Record record;
    for (auto _ : state) {
        orv::QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
        record.Deserialize(reader);
        benchmark::DoNotOptimize(&record);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_SpectralMemcpy(benchmark::State& state) {
    Memcpy(state, MakeSpectral(0).GetSerializedSize());
}
BENCHMARK(BM_SpectralMemcpy);

void BM_SpectralWrite(benchmark::State& state) {
    Write(state, MakeSpectral(0));
}
BENCHMARK(BM_SpectralWrite);

void BM_SpectralRead(benchmark::State& state) {
    Read<orv::QSpectralScan>(state, Frame(MakeSpectral(0)));
}
BENCHMARK(BM_SpectralRead);

void BM_SpatialMemcpy(benchmark::State& state) {
    Memcpy(state, MakeSpatial(0).GetSerializedSize());
}
BENCHMARK(BM_SpatialMemcpy);

void BM_SpatialWrite(benchmark::State& state) {
    Write(state, MakeSpatial(0));
}
BENCHMARK(BM_SpatialWrite);

void BM_SpatialRead(benchmark::State& state) {
    Read<orv::QSpatialScan>(state, Frame(MakeSpatial(0)));
}
BENCHMARK(BM_SpatialRead);

void BM_SpectralMerge(benchmark::State& state) {
    const auto mode = static_cast<int32_t>(state.range(0));
    orv::QSpectralScan held = MakeSpectral(0);
    const orv::QSpectralScan incoming = MakeSpectral(450);
    for (auto _ : state) {
        held.MergeScan(mode, incoming);
        benchmark::DoNotOptimize(&held);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kPoints);
}
BENCHMARK(BM_SpectralMerge)
    ->Arg(orv::QSpectralScan::kMergeMaximumHold)
    ->Arg(orv::QSpectralScan::kMergeRunningAverage);

void BM_SpatialMerge(benchmark::State& state) {
    const auto mode = static_cast<int32_t>(state.range(0));
    orv::QSpatialScan held = MakeSpatial(0);
    held.SetHeader(0, 0, 1, 0);
    orv::QSpatialScan incoming = MakeSpatial(350);
    incoming.SetHeader(0, 0, 1, 0);
    const orv::QProbeScanPattern pattern(64, 64);
    for (auto _ : state) {
        held.MergeScan(mode, incoming, pattern);
        benchmark::DoNotOptimize(&held);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 64 * 64);
}
BENCHMARK(BM_SpatialMerge)
    ->Arg(orv::QSpatialScan::kMergeMaximumHold)
    ->Arg(orv::QSpatialScan::kMergeRunningAverage);

} // namespace
