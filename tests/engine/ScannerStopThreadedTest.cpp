#include "engine/CDeviceManager.h"
#include "engine/CSocketDataEngine.h"
#include "engine/CTransferPipe.h"
#include "engine/ScanStopFlag.h"
#include "engine/SetupScan.h"
#include "engine/runners/SpatialScan.h"
#include "engine/scanners/CScannerBoard.h"
#include "engine/scanners/adapter/CExScannerBoard.h"

#include "platform/clock/FakeClock.h"
#include "tests/engine/support/AdapterTestRig.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/engine/support/FakeUsbBoard.h"
#include "tests/engine/support/RunnerRig.h"
#include "tests/sim/adapter/AdapterSimulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::AdapterSimulator;

// Both scanner drivers with a stop already requested, each against its simulator: a board that stays
// busy for ever and a trigger that is never answered. Without the stop each operation below would
// poll 3000 times or read 337 times (minutes of waiting).
class ScannerStopTest : public ::testing::Test {
protected:
    ScannerStopTest() {
        m_stop.request_stop();
        m_setup.stop = m_stop.get_token();
        m_usb.SetSetupSource([this] { return m_setup; });
        m_adapter.SetSetupSource([this] { return m_setup; });
    }

    void SetUp() override {
        ASSERT_EQ(m_sim.Error(), "");
        ASSERT_TRUE(m_usb.Connect());
        ASSERT_TRUE(m_adapter.Connect());
        m_usbBoard.SetBusyPolls(CScannerBoard::kMaxPolls);
        m_usbBoard.SetTriggerSilent(true);
        m_usbBoard.ClearCalls();
        m_sim.QueuePollStatuses({}, 1);
        m_sim.ScriptFault('i', AdapterSimulator::Fault::Silence);
        m_sim.ClearRecord();
        m_clock.ClearPauses();
    }

    // The completion polls ("a") each driver wrote, and the reads after the trigger.
    int UsbPolls() const {
        int polls = 0;
        for (const auto& written : m_usbBoard.Writes()) {
            polls += written == std::vector<uint8_t>{'a'} ? 1 : 0;
        }
        return polls;
    }
    int UsbReads() const {
        return static_cast<int>(m_usbBoard.Transfers().size() - m_usbBoard.Writes().size());
    }
    int AdapterPolls() const {
        return static_cast<int>(m_sim.Payloads(true).size() - m_sim.Payloads(false).size());
    }

    FakeClock m_clock;
    ScopedClockInstall m_clockInstall{m_clock};
    std::stop_source m_stop;
    ScannerSetup m_setup{.rows = 2, .columns = 2, .timing1 = 10, .timing2 = 10, .pollIntervalMs = 7};

    test::FakeUsbBoard m_usbBoard;
    ScopedUsbTransportInstall m_usbInstall{m_usbBoard};
    CScannerBoard m_usb;

    AdapterSimulator m_sim;
    test::ScopedNetworkSource m_network{std::make_shared<test::LoopbackNetworkSource>(m_sim.Address())};
    test::AdapterPortSettings m_settings{{}};
    CExScannerBoard m_adapter;
};

TEST_F(ScannerStopTest, EachPolledOperationMakesAtMostOnePollAndTheSilentTriggerAtMostOneRead) {
    struct Row {
        const char* name;
        std::function<bool(CScanner&)> run;
        bool result; // a stopped poll fails, a written trigger never does
        bool trigger;
    };
    const std::vector<Row> rows{
        {"starting switch", [](CScanner& s) { return s.StartingSwitch(1); }, false, false},
        {"full switch and trigger", [](CScanner& s) { return s.FullSwitchAndTrigger(1, 2, false); }, false,
         false},
        {"partial switch and trigger", [](CScanner& s) { return s.PartialSwitchAndTrigger(1, 2, 3, false); },
         false, false},
        {"trigger and switches", [](CScanner& s) { return s.TriggerAndSwitches(); }, false, false},
        {"silent trigger", [](CScanner& s) { return s.Trigger(32767, 0, 0, 1); }, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_usbBoard.ClearCalls();
        m_sim.ClearRecord();
        m_clock.ClearPauses();

        EXPECT_EQ(row.run(m_usb), row.result);
        EXPECT_FALSE(m_usb.IsReconnectNeeded()) << "a stop is no broken link";
        if (row.trigger) {
            EXPECT_LE(UsbReads(), 1);
        } else {
            EXPECT_LE(UsbPolls(), 1);
        }

        EXPECT_EQ(row.run(m_adapter), row.result);
        EXPECT_FALSE(m_adapter.IsReconnectNeeded()) << "a stop is no broken link";
        if (row.trigger) {
            // Every read after the first follows a pause of 1 ms.
            EXPECT_TRUE(m_clock.Pauses().empty());
        } else {
            EXPECT_LE(AdapterPolls(), 1);
        }
        m_sim.ScriptFault('i', AdapterSimulator::Fault::Silence);
    }
}

// A spatial scan on the USB board whose completion poll would last half a minute: the scan's stop
// ends it within one poll, and the runner ends as stopped with the board still usable.
TEST(ScannerStopThreaded, AStopDuringALongCompletionPollEndsTheScanAsStopped) {
    test::FakeUsbBoard usb;
    const ScopedUsbTransportInstall install(usb);
    SetupScan setup;
    ScanStopFlag stopFlag;
    setup.SetStopFlag(&stopFlag);
    CDeviceManager* devices = setup.CreateDeviceManager();
    for (const eProbeType other : {eProbeType::RobotArm, eProbeType::ExternalAdapter}) {
        devices->SetScannerMaker(other, nullptr);
    }
    ASSERT_TRUE(devices->ConnectScanner(eProbeType::UsbScannerBoard));
    test::DeviceJournal journal;
    devices->SetAnalyzerFactory([&journal](int32_t) -> std::unique_ptr<CSpectrumAnalyzer> {
        auto analyzer = std::make_unique<test::ScriptedAnalyzer>(journal);
        analyzer->sweepMode = "MultipleGatedSweep";
        analyzer->cellsPerSweep = 4;
        analyzer->trace = std::vector<float>(4, 1.0F);
        return analyzer;
    });
    // A model whose multiple-gated sweeps go through the board's polled switch.
    devices->CreateAnalyzer(20);
    setup.SetRows(2);
    setup.SetColumns(2);
    const std::vector<uint8_t> map(4, 1);
    setup.SetProbeCellMap(map.data(), 4);
    const std::vector<uint16_t> heights(4, 0);
    setup.SetCellValues(heights.data(), 4);
    usb.SetBusyPolls(CScannerBoard::kMaxPolls);
    usb.ClearCalls();
    const auto polls = [&usb] {
        int count = 0;
        for (const auto& written : usb.Writes()) {
            count += written == std::vector<uint8_t>{'a'} ? 1 : 0;
        }
        return count;
    };

    CTransferPipe pipe;
    CSocketDataEngine data;
    data.SetChannel(&pipe);
    CEngineContext context;
    context.setup = &setup;
    context.stopFlag = &stopFlag;
    context.data = &data;
    stopFlag.BeginScan();
    SpatialScan runner(context);
    auto ran = std::async(std::launch::async, [&runner] { runner.RunScanStart(); });
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (polls() < 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    ASSERT_GE(polls(), 2);
    stopFlag.RequestStop();
    // One poll interval and one read, with room to spare on a loaded machine.
    ASSERT_EQ(ran.wait_for(1s), std::future_status::ready);
    EXPECT_EQ(runner.GetStatus(), 0U);
    EXPECT_FALSE(devices->HasScanner() && setup.GetDeviceManager()->GetScanner()->IsReconnectNeeded());
    data.Shutdown();
}

} // namespace
} // namespace orv
