// Byte-stream throughput on a spectral-sized body (7 + 6N bytes: a byte, a 16-bit and a 32-bit
// field, then N pairs of a float frequency and a 16-bit level), against memcpy of the same bytes.
#include "core/ByteCodec.h"
#include "core/serializable.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t kPoints = 100000;
constexpr uint32_t kBodyBytes = 7 + 6 * kPoints;

struct Spectrum {
    std::vector<float> frequencies;
    std::vector<int16_t> levels;
    Spectrum() : frequencies(kPoints), levels(kPoints) {
        for (uint32_t i = 0; i < kPoints; ++i) {
            frequencies[i] = 30.0F + static_cast<float>(i) * 0.01F;
            levels[i] = static_cast<int16_t>(i % 700);
        }
    }
};

void WriteSpectrum(orv::QDataWriter& writer, const Spectrum& s) {
    writer.WriteU8(1);
    writer.WriteU16(2);
    writer.WriteU32(kPoints);
    for (uint32_t i = 0; i < kPoints; ++i) {
        writer.WriteF32(s.frequencies[i]);
        writer.WriteI16(s.levels[i]);
    }
}

// The way record bodies with per-point arrays write: the points encoded into one block.
void WriteSpectrumBlock(orv::QDataWriter& writer, const Spectrum& s, std::vector<uint8_t>& block) {
    writer.WriteU8(1);
    writer.WriteU16(2);
    writer.WriteU32(kPoints);
    block.resize(size_t{6} * kPoints);
    uint8_t* cursor = block.data();
    for (uint32_t i = 0; i < kPoints; ++i) {
        orv::PutLE(cursor, s.frequencies[i]);
        orv::PutLE(cursor, s.levels[i]);
    }
    writer.Write(block.data(), static_cast<uint32_t>(block.size()));
}

void ReadSpectrumBlock(orv::QDataReader& reader, Spectrum& s, std::vector<uint8_t>& block) {
    reader.ReadU8();
    reader.ReadU16();
    const uint32_t n = reader.ReadU32();
    reader.RequireRemaining(uint64_t{n} * 6);
    block.resize(size_t{6} * n);
    reader.Read(block.data(), static_cast<uint32_t>(block.size()));
    const uint8_t* cursor = block.data();
    for (uint32_t i = 0; i < n; ++i) {
        s.frequencies[i] = orv::GetLE<float>(cursor);
        s.levels[i] = orv::GetLE<int16_t>(cursor);
    }
}

void ReadSpectrum(orv::QDataReader& reader, Spectrum& s) {
    reader.ReadU8();
    reader.ReadU16();
    const uint32_t n = reader.ReadU32();
    reader.RequireRemaining(uint64_t{n} * 6);
    for (uint32_t i = 0; i < n; ++i) {
        s.frequencies[i] = reader.ReadF32();
        s.levels[i] = reader.ReadI16();
    }
}

void BM_Memcpy(benchmark::State& state) {
    std::vector<uint8_t> from(kBodyBytes, 7);
    std::vector<uint8_t> to(kBodyBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kBodyBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBodyBytes);
}
BENCHMARK(BM_Memcpy);

void BM_MemoryWrite(benchmark::State& state) {
    const Spectrum s;
    std::vector<uint8_t> buffer(kBodyBytes);
    for (auto _ : state) {
        orv::QCharArrayDataWriter writer(buffer.data(), kBodyBytes);
        WriteSpectrum(writer, s);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBodyBytes);
}
BENCHMARK(BM_MemoryWrite);

void BM_MemoryRead(benchmark::State& state) {
    Spectrum s;
    std::vector<uint8_t> buffer(kBodyBytes);
    orv::QCharArrayDataWriter writer(buffer.data(), kBodyBytes);
    WriteSpectrum(writer, s);
    for (auto _ : state) {
        orv::QCharArrayDataReader reader(buffer.data(), kBodyBytes);
        ReadSpectrum(reader, s);
        benchmark::DoNotOptimize(s.levels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBodyBytes);
}
BENCHMARK(BM_MemoryRead);

void BM_MemoryWriteBlock(benchmark::State& state) {
    const Spectrum s;
    std::vector<uint8_t> buffer(kBodyBytes);
    std::vector<uint8_t> block;
    for (auto _ : state) {
        orv::QCharArrayDataWriter writer(buffer.data(), kBodyBytes);
        WriteSpectrumBlock(writer, s, block);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBodyBytes);
}
BENCHMARK(BM_MemoryWriteBlock);

void BM_MemoryReadBlock(benchmark::State& state) {
    Spectrum s;
    std::vector<uint8_t> buffer(kBodyBytes);
    std::vector<uint8_t> block;
    orv::QCharArrayDataWriter writer(buffer.data(), kBodyBytes);
    WriteSpectrum(writer, s);
    for (auto _ : state) {
        orv::QCharArrayDataReader reader(buffer.data(), kBodyBytes);
        ReadSpectrumBlock(reader, s, block);
        benchmark::DoNotOptimize(s.levels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBodyBytes);
}
BENCHMARK(BM_MemoryReadBlock);

std::string BenchFile() {
    return (std::filesystem::temp_directory_path() / ("orv-bench-" + std::to_string(::getpid()))).string();
}

void BM_FileWrite(benchmark::State& state) {
    const Spectrum s;
    const std::string path = BenchFile();
    for (auto _ : state) {
        orv::QFileDataWriter writer(path);
        WriteSpectrum(writer, s);
        writer.Close(); // includes fsync, as every real save does
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBodyBytes);
}
BENCHMARK(BM_FileWrite);

void BM_FileRead(benchmark::State& state) {
    Spectrum s;
    const std::string path = BenchFile();
    {
        orv::QFileDataWriter writer(path);
        WriteSpectrum(writer, s);
        writer.Close();
    }
    for (auto _ : state) {
        orv::QFileDataReader reader(path);
        ReadSpectrum(reader, s);
        benchmark::DoNotOptimize(s.levels.data());
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBodyBytes);
}
BENCHMARK(BM_FileRead);

} // namespace
