// The data channel's per-cycle work over a scan's stream: 4001-point spectra and 29 x 42 spatial
// grids, fed in 307200-byte reads (the channel's read size) and cut into frames, against memcpy of the
// same bytes in the same reads; then cut and built into packets, and the same for a stream of 13-byte
// terminator frames. The channel's ceiling is one 307200-byte read per 5 ms cycle (61.44 MB/s).
// One 64 MiB frame (the largest the channel takes) arriving in the same reads into a fresh cutter
// is set against one memcpy of it: the buffer's growth must keep the cut proportional to the size.
#include "core/QDataWriter.h"
#include "protocol/channels/DataPacketFromFrame.h"
#include "protocol/channels/QFrameCutter.h"
#include "protocol/packets/QPacketFactory.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QTerminator.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using namespace orv;

constexpr std::size_t kReadBytes = 307200;

void AppendFrame(std::vector<uint8_t>& stream, const QSerializable& packet) {
    QCharCounterDataWriter counter;
    packet.Serialize(counter);
    const std::size_t at = stream.size();
    stream.resize(at + counter.m_count);
    QCharArrayDataWriter writer(stream.data() + at, static_cast<uint32_t>(counter.m_count));
    packet.Serialize(writer);
}

std::vector<uint8_t> ScanStream() {
    QSpectralScan spectrum;
    spectrum.SetPointCount(4001);
    for (uint32_t i = 0; i < 4001; ++i) {
        spectrum.SetAmplitude(i, static_cast<int16_t>(i % 700));
    }
    QSpatialScan grid;
    grid.SetGridSize(29, 42);
    for (uint16_t r = 0; r < 29; ++r) {
        for (uint16_t c = 0; c < 42; ++c) {
            grid.SetStoredAmplitude(r, c, static_cast<int16_t>(r * 42 + c));
        }
    }
    std::vector<uint8_t> stream;
    for (int i = 0; i < 200; ++i) {
        AppendFrame(stream, spectrum);
        AppendFrame(stream, grid);
    }
    return stream;
}

std::vector<uint8_t> TerminatorStream() {
    std::vector<uint8_t> stream;
    for (int i = 0; i < 100000; ++i) {
        AppendFrame(stream, QTerminator(i));
    }
    return stream;
}

void BM_MemcpyInReads(benchmark::State& state) {
    const std::vector<uint8_t> stream = ScanStream();
    std::vector<uint8_t> target(kReadBytes);
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += kReadBytes) {
            std::memcpy(target.data(), stream.data() + at, std::min(kReadBytes, stream.size() - at));
            benchmark::DoNotOptimize(target.data());
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_MemcpyInReads);

template <bool kBuildPackets> void CutInReads(benchmark::State& state, const std::vector<uint8_t>& stream) {
    const QPacketFactory factory;
    QFrameCutter cutter = QFrameCutter::ForScanData();
    std::size_t frames = 0;
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += kReadBytes) {
            cutter.Append(stream.data() + at, std::min(kReadBytes, stream.size() - at));
            for (auto frame = cutter.NextFrame(); !frame.empty(); frame = cutter.NextFrame()) {
                if constexpr (kBuildPackets) {
                    auto packet = DataPacketFromFrame(factory, frame, "bench");
                    benchmark::DoNotOptimize(packet.get());
                } else {
                    benchmark::DoNotOptimize(frame.data());
                }
                ++frames;
            }
            cutter.Compact();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
    state.counters["frames"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

void BM_CutScanStream(benchmark::State& state) {
    CutInReads<false>(state, ScanStream());
}
BENCHMARK(BM_CutScanStream);

void BM_CutAndBuildScanStream(benchmark::State& state) {
    CutInReads<true>(state, ScanStream());
}
BENCHMARK(BM_CutAndBuildScanStream);

std::vector<uint8_t> LargestFrame() {
    constexpr std::size_t kFrameBytes = std::size_t{64} << 20;
    std::vector<uint8_t> frame(kFrameBytes, 0x5A);
    const uint16_t extra = 0;
    const uint16_t type = 100;
    const auto body = static_cast<uint32_t>(kFrameBytes - QFrameCutter::kHeaderBytes);
    frame[0] = QFrameCutter::kMarker;
    std::memcpy(frame.data() + 1, &extra, sizeof extra);
    std::memcpy(frame.data() + 3, &type, sizeof type);
    std::memcpy(frame.data() + 5, &body, sizeof body);
    return frame;
}

void BM_MemcpyLargestFrame(benchmark::State& state) {
    const std::vector<uint8_t> frame = LargestFrame();
    std::vector<uint8_t> target(frame.size());
    for (auto _ : state) {
        std::memcpy(target.data(), frame.data(), frame.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}
BENCHMARK(BM_MemcpyLargestFrame)->Unit(benchmark::kMillisecond);

void BM_CutLargestFrameInReads(benchmark::State& state) {
    const std::vector<uint8_t> frame = LargestFrame();
    for (auto _ : state) {
        QFrameCutter cutter = QFrameCutter::ForScanData();
        std::size_t cut = 0;
        for (std::size_t at = 0; at < frame.size(); at += kReadBytes) {
            cutter.Append(frame.data() + at, std::min(kReadBytes, frame.size() - at));
            cut += cutter.NextFrame().size();
            cutter.Compact();
        }
        if (cut != frame.size()) {
            state.SkipWithError("the frame was not cut whole");
        }
        benchmark::DoNotOptimize(cut);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}
BENCHMARK(BM_CutLargestFrameInReads)->Unit(benchmark::kMillisecond);

void BM_CutAndBuildTerminators(benchmark::State& state) {
    CutInReads<true>(state, TerminatorStream());
}
BENCHMARK(BM_CutAndBuildTerminators);

} // namespace
