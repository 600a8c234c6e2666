#include "engine/CDeviceManager.h"

#include "analyzers/CSAConnection.h"
#include "analyzers/CSpectrumAnalyzer.h"
#include "platform/clock/FakeClock.h"

#include "support/FakeUsbBoard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <thread>

namespace orv {
namespace {

class ConnectionDouble final : public CSAConnection {
public:
    std::string QueryIdentity() override { return "double"; }
    bool DetectAndConnect() override { return true; }
};

// A driver whose every use reads and writes its own state, so a use after deletion shows under the
// sanitizers and a use from two threads at once shows under the thread sanitizer.
class CountingDriver final : public CSpectrumAnalyzer {
public:
    bool FindVisaConnection(CSAConnection* /*connection*/, int32_t /*driverID*/) override { return true; }
    bool MarkPeak() override {
        ++m_uses;
        return true;
    }
    int64_t m_uses = 0;
};

// A scripted scan holds the devices while another thread keeps asking for new ones: every connect
// and every driver switch is refused, and the devices the scan started with stay valid throughout.
TEST(CDeviceManagerThreaded, DevicesAreNeverReplacedUnderARunningScan) {
    FakeClock clock;
    const ScopedClockInstall install(clock);
    test::FakeUsbBoard noBoard; // the search never reaches a real USB device
    noBoard.Unplug();
    const ScopedUsbTransportInstall usbInstall(noBoard);
    CDeviceManager manager;
    manager.SetVisaConnectionMaker([] { return std::make_unique<ConnectionDouble>(); });
    manager.SetAnalyzerFactory(
        [](int32_t) -> std::unique_ptr<CSpectrumAnalyzer> { return std::make_unique<CountingDriver>(); });
    ASSERT_TRUE(manager.ConnectVisa());
    ASSERT_TRUE(manager.ConnectScanner(eProbeType::NoScanner));
    std::array<uint32_t, 4> words{27, 0, 0, 0};
    ASSERT_TRUE(manager.SetAnalyzerDriver(words));

    constexpr int kCells = 2000;
    std::latch scanStarted(1);
    std::atomic<bool> scanDone{false};
    CScanner* scanScanner = nullptr;
    CSpectrumAnalyzer* scanAnalyzer = nullptr;
    int switched = 0;

    std::thread scan([&] {
        manager.SetScanRunning(true);
        scanScanner = manager.GetScanner();
        scanAnalyzer = manager.GetAnalyzer();
        scanStarted.count_down();
        for (int cell = 0; cell < kCells; ++cell) {
            const auto lock = manager.LockDevices();
            switched += scanScanner->SetCell(cell % 29, cell % 42) && scanScanner->SwitchToCell() ? 1 : 0;
            scanAnalyzer->MarkPeak();
        }
        scanDone.store(true);
    });

    scanStarted.wait();
    int refused = 0;
    int attempts = 0;
    while (!scanDone.load() || attempts == 0) {
        ++attempts;
        std::array<uint32_t, 4> change{41, 0, 0, 0};
        refused += manager.SetAnalyzerDriver(change) ? 0 : 1;
        EXPECT_EQ(change[0], 27U);
        refused += manager.ConnectScanner(eProbeType::UsbScannerBoard) ? 0 : 1;
        refused += manager.ConnectVisa() ? 0 : 1;
    }
    scan.join();

    EXPECT_EQ(refused, 3 * attempts);
    EXPECT_EQ(switched, kCells);
    EXPECT_EQ(manager.GetScanner(), scanScanner);
    EXPECT_EQ(manager.GetAnalyzer(), scanAnalyzer);
    EXPECT_EQ(manager.GetModelCode(), 27);
    EXPECT_EQ(static_cast<CountingDriver*>(scanAnalyzer)->m_uses, kCells);

    manager.SetScanRunning(false);
    std::array<uint32_t, 4> after{41, 0, 0, 0};
    EXPECT_TRUE(manager.SetAnalyzerDriver(after));
    EXPECT_EQ(manager.GetModelCode(), 41);
}

} // namespace
} // namespace orv
