// The engine link's byte path: a 150000-byte packet (the largest piece a runner sends) written into a
// transfer pipe and read back in one 307200-byte read or in 5120-byte reads (the endpoints' read
// size), against memcpy of the same bytes; and one set-up frame of a 29 x 42 grid (3763 bytes)
// parsed and answered by the command endpoint without an analyser.
#include "core/QDataWriter.h"
#include "engine/CScanRunnerTable.h"
#include "engine/CSocketCommandEngine.h"
#include "engine/CSocketDataEngine.h"
#include "engine/CTransferPipe.h"
#include "engine/ScanStopFlag.h"
#include "engine/SetupScan.h"
#include "scandata/QSetupScanCommand.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <numeric>
#include <vector>

namespace {

using namespace orv;

constexpr std::size_t kPacketBytes = 150000;

void BM_Memcpy150000(benchmark::State& state) {
    std::vector<uint8_t> source(kPacketBytes);
    std::iota(source.begin(), source.end(), 0);
    std::vector<uint8_t> target(kPacketBytes);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), kPacketBytes);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPacketBytes));
}
BENCHMARK(BM_Memcpy150000);

void BM_PipeWriteThenRead(benchmark::State& state) {
    const auto readSize = static_cast<std::size_t>(state.range(0));
    CTransferPipe pipe;
    std::vector<uint8_t> source(kPacketBytes);
    std::iota(source.begin(), source.end(), 0);
    std::vector<uint8_t> target(CTransferPipe::kQueueBytes);
    for (auto _ : state) {
        pipe.WriteToClient(source.data(), source.size());
        std::size_t got = 0;
        while (got < kPacketBytes) {
            got += pipe.ReadFromEngine(target.data(), readSize);
        }
        benchmark::DoNotOptimize(target.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPacketBytes));
}
BENCHMARK(BM_PipeWriteThenRead)->Arg(307200)->Arg(5120);

std::vector<uint8_t> SetupFrame29x42() {
    QSetupScanCommand command;
    command.SetScanKind(100);
    command.SetProbeScanPattern(QProbeScanPattern(29, 42, 1, 40));
    QCharCounterDataWriter counter;
    command.Serialize(counter);
    std::vector<uint8_t> frame(counter.m_count);
    QCharArrayDataWriter writer(frame.data(), static_cast<uint32_t>(frame.size()));
    command.Serialize(writer);
    return frame;
}

void BM_Memcpy3763(benchmark::State& state) {
    const std::vector<uint8_t> frame = SetupFrame29x42();
    std::vector<uint8_t> target(frame.size());
    for (auto _ : state) {
        std::memcpy(target.data(), frame.data(), frame.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Memcpy3763);

void BM_SetupFrameParseAndReply(benchmark::State& state) {
    const std::vector<uint8_t> frame = SetupFrame29x42();
    CTransferPipe pipe;
    CTransferPipe dataPipe;
    SetupScan setup;
    ScanStopFlag stopFlag;
    CSocketDataEngine data;
    data.SetChannel(&dataPipe);
    CScanRunnerTable runners;
    CEngineContext context;
    context.setup = &setup;
    context.stopFlag = &stopFlag;
    context.data = &data;
    context.runners = &runners;
    CSocketCommandEngine engine(context);
    engine.SetChannel(&pipe);
    std::vector<uint8_t> reply(8192);
    for (auto _ : state) {
        pipe.WriteToEngine(frame.data(), frame.size());
        engine.Poll();
        benchmark::DoNotOptimize(pipe.ReadFromEngine(reply.data(), reply.size()));
    }
    state.counters["frame_bytes"] = static_cast<double>(frame.size());
}
BENCHMARK(BM_SetupFrameParseAndReply)->Unit(benchmark::kMicrosecond);

} // namespace
