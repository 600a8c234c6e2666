// A client that stops reading the data pipe holds up only the scan thread's sends: the devices stay
// free for other threads between cells, and the scan's stop ends the wait for room.

#include "engine/CDeviceManager.h"
#include "engine/CSocketDataEngine.h"
#include "engine/CTransferPipe.h"
#include "engine/ScanStopFlag.h"
#include "engine/SetupScan.h"
#include "engine/runners/ScanPackets.h"
#include "engine/runners/SpatialScan.h"
#include "tests/engine/support/RunnerRig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <vector>

namespace orv::test {
namespace {

using namespace std::chrono_literals;

TEST(ScanSendThreaded, AClientThatStopsReadingNeverHoldsTheDevicesAndTheStopEndsTheRunner) {
    SetupScan setup;
    ScanStopFlag stopFlag;
    setup.SetStopFlag(&stopFlag);
    CDeviceManager* devices = setup.CreateDeviceManager();
    DeviceJournal journal;
    devices->SetScannerMaker(eProbeType::NoScanner, [&journal] {
        return std::make_unique<ScriptedScanner>(eProbeType::NoScanner, journal);
    });
    ASSERT_TRUE(devices->ConnectScanner(eProbeType::NoScanner));
    std::atomic<int> sweeps{0};
    devices->SetAnalyzerFactory([&](int32_t) -> std::unique_ptr<CSpectrumAnalyzer> {
        auto analyzer = std::make_unique<ScriptedAnalyzer>(journal);
        analyzer->afterSweep = [&sweeps](int) { ++sweeps; };
        return analyzer;
    });
    devices->CreateAnalyzer(1);
    // An empty sweep mode takes the by-probes routine: one sweep per cell.
    setup.SetRows(4);
    setup.SetColumns(4);
    const std::vector<uint8_t> map(16, 1);
    setup.SetProbeCellMap(map.data(), 16);
    const std::vector<uint16_t> heights(16, 0);
    setup.SetCellValues(heights.data(), 16);

    // The client has read nothing: the pipe has room only for the first progress and two cells'.
    CTransferPipe pipe;
    const std::vector<uint8_t> unread(CTransferPipe::kQueueBytes - 3 * packet::kProgressFrameBytes, 0);
    ASSERT_TRUE(pipe.WriteWholeToClient(unread.data(), unread.size()));
    CSocketDataEngine data;
    data.SetChannel(&pipe);
    CEngineContext context;
    context.setup = &setup;
    context.stopFlag = &stopFlag;
    context.data = &data;
    stopFlag.BeginScan();
    SpatialScan runner(context);
    auto ran = std::async(std::launch::async, [&runner] { runner.RunScanStart(); });

    // The third cell's progress finds no room: the runner waits with the devices free.
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (sweeps.load() < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    ASSERT_EQ(sweeps.load(), 3);
    bool taken = false;
    while (!taken && std::chrono::steady_clock::now() < deadline) {
        taken = devices->TryReadAnalyzerTiming(1.0F).has_value();
    }
    EXPECT_TRUE(taken) << "another thread takes the devices while the runner waits";
    EXPECT_EQ(ran.wait_for(0s), std::future_status::timeout);
    EXPECT_EQ(sweeps.load(), 3) << "the runner waits for room, not for a cell";

    stopFlag.RequestStop();
    ASSERT_EQ(ran.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(runner.GetStatus(), 0U);
    EXPECT_EQ(pipe.ClientBoundFill(), CTransferPipe::kQueueBytes)
        << "no part of the waiting frame was written";
    data.Shutdown();
}

} // namespace
} // namespace orv::test
