#include "engine/CDeviceManager.h"

#include "analyzers/AnalyzerScanSetup.h"
#include "analyzers/CInstrumentInfo.h"
#include "analyzers/CSAConnection.h"
#include "analyzers/CSpectrumAnalyzer.h"
#include "core/QAttachedScannerSource.h"
#include "engine/SetupScan.h"
#include "engine/scanners/CScannerBoard.h"
#include "platform/clock/FakeClock.h"

#include "support/FakeUsbBoard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;

class GridSetup final : public AnalyzerScanSetup {
public:
    bool IsTearingDown() const override { return false; }
    int16_t GetGridRows() const override { return 5; }
    int16_t GetGridColumns() const override { return 6; }
    std::vector<uint8_t> GetActiveCells() const override { return {}; }
    std::stop_token GetScanStopToken() const override { return {}; }
    double GetAppliedRbw() const override { return 0.5; }
    uint32_t GetPollInterval() const override { return 7; }
};

class ConnectionDouble final : public CSAConnection {
public:
    std::string QueryIdentity() override { return "double"; }
    bool DetectAndConnect() override { return true; }
};

// Timings that depend on the RBW asked for, one beyond the 16 bits the board takes.
class TimingDriver final : public CSpectrumAnalyzer {
public:
    bool FindVisaConnection(CSAConnection* /*connection*/, int32_t /*driverID*/) override { return true; }
    int32_t GetRbwTimingA(float rbw) override { return rbw == 0.5F ? 0x0203 : 0; }
    int32_t GetRbwTimingB(float rbw) override { return rbw == 0.5F ? 100000 : 0; }
};

class CDeviceManagerUsbBoardTest : public ::testing::Test {
protected:
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall{m_clock};
    test::FakeUsbBoard m_board;
    ScopedUsbTransportInstall m_usbInstall{m_board};
    CDeviceManager m_manager;
};

TEST_F(CDeviceManagerUsbBoardTest, TheBoardIsDetectedAndKeptByTheOrderedSearchAfterItsPause) {
    m_board.SetScannerId(31);
    ASSERT_TRUE(m_manager.DetectScanners());
    const auto detected = GetInstrumentInfo().GetDetectedProbeTypes();
    EXPECT_EQ(std::count(detected.begin(), detected.end(), eProbeType::UsbScannerBoard), 1);

    m_clock.ClearPauses();
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::NoScanner));
    EXPECT_NE(dynamic_cast<CScannerBoard*>(m_manager.GetScanner()), nullptr);
    EXPECT_EQ(GetInstrumentInfo().GetProbeType(), eProbeType::UsbScannerBoard);
    // The adapter is searched before the board (its discovery pauses between its broadcasts); the
    // board's settle follows.
    const std::vector<Clock::Duration> pauses = m_clock.Pauses();
    EXPECT_NE(std::find(pauses.begin(), pauses.end(), Clock::Duration(1500ms)), pauses.end());
    EXPECT_EQ(GetAttachedScannerId(), 31);
}

TEST_F(CDeviceManagerUsbBoardTest, AskedForDirectlyTheBoardTakesItsSizeFromTheManagersSetup) {
    const GridSetup setup;
    m_manager.SetScanSetup(&setup);
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::UsbScannerBoard));
    CScanner* scanner = m_manager.GetScanner();
    ASSERT_NE(dynamic_cast<CScannerBoard*>(scanner), nullptr);
    m_board.ClearCalls();
    ASSERT_TRUE(scanner->WriteScannerSize());
    const std::vector<uint8_t> expected{'9', 5, 6, static_cast<uint8_t>('9' + 5 + 6)};
    EXPECT_EQ(m_board.Writes().front(), expected);

    // With an analyser, timing 1 and 2 are its timings for the set-up's RBW, clamped to 16 bits.
    m_manager.SetVisaConnectionMaker([] { return std::make_unique<ConnectionDouble>(); });
    m_manager.SetAnalyzerFactory(
        [](int32_t) -> std::unique_ptr<CSpectrumAnalyzer> { return std::make_unique<TimingDriver>(); });
    ASSERT_TRUE(m_manager.ConnectVisa());
    std::array<uint32_t, 4> words{27, 0, 0, 0};
    ASSERT_TRUE(m_manager.SetAnalyzerDriver(words));
    m_board.ClearCalls();
    ASSERT_TRUE(scanner->PartialSwitchAndTrigger(1, 2, 3, false));
    const std::vector<uint8_t> command = m_board.Writes().front();
    ASSERT_EQ(command.size(), 12U);
    EXPECT_EQ(std::vector<uint8_t>(command.begin() + 7, command.begin() + 11),
              (std::vector<uint8_t>{0x03, 0x02, 0xFF, 0xFF}));

    // The set-up's poll interval paces the completion poll.
    m_board.SetBusyPolls(2);
    m_clock.ClearPauses();
    ASSERT_TRUE(scanner->TriggerAndSwitches());
    EXPECT_EQ(m_clock.Pauses(), std::vector<Clock::Duration>(3, 7ms));
    m_manager.SetScanSetup(nullptr);
}

TEST_F(CDeviceManagerUsbBoardTest, ReadingTheTypeRefreshesTheIdTheModelSeesAfterAReplug) {
    m_board.SetScannerId(31);
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::UsbScannerBoard));
    EXPECT_EQ(GetAttachedScannerId(), 31);

    m_board.Unplug();
    std::vector<uint8_t> reply;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(m_manager.ReadScannerType(reply));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(GetAttachedScannerId(), 31);

    // Another board plugged in: the reconnect before the next command opens it anew.
    m_board.PlugBack();
    m_board.SetScannerId(0x0A0B0C0D);
    ASSERT_TRUE(m_manager.GetScanner()->Reconnect());
    ASSERT_TRUE(m_manager.ReadScannerType(reply));
    EXPECT_EQ(reply, (std::vector<uint8_t>{0x0D, 0x0C, 0x0B, 0x0A}));
    EXPECT_EQ(GetAttachedScannerId(), 0x0A0B0C0D);
}

TEST_F(CDeviceManagerUsbBoardTest, TheEnginesSetupPacesTheCompletionPollTenMillisecondsUnlessSet) {
    SetupScan setup;
    m_manager.SetScanSetup(&setup);
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::UsbScannerBoard));
    CScanner* scanner = m_manager.GetScanner();
    m_board.SetBusyPolls(1);
    m_clock.ClearPauses();
    ASSERT_TRUE(scanner->TriggerAndSwitches());
    EXPECT_EQ(m_clock.Pauses(), std::vector<Clock::Duration>(2, 10ms));

    setup.SetPollInterval(40);
    EXPECT_EQ(setup.GetPollInterval(), 40U);
    m_clock.ClearPauses();
    ASSERT_TRUE(scanner->TriggerAndSwitches());
    EXPECT_EQ(m_clock.Pauses(), std::vector<Clock::Duration>(2, 40ms));
    m_manager.SetScanSetup(nullptr);
}

TEST_F(CDeviceManagerUsbBoardTest, WithNoBoardTheNoScannerFallBackHolds) {
    m_board.Unplug();
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::UsbScannerBoard));
    EXPECT_EQ(GetInstrumentInfo().GetProbeType(), eProbeType::NoScanner);
    EXPECT_EQ(GetAttachedScannerId(), 255);
}

} // namespace
} // namespace orv
