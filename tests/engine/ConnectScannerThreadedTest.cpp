// A scanner connect runs its search without the device lock: the command endpoint answers while a
// driver's connect hangs, a stop ends the search's settle, and a scan that began meanwhile keeps the
// new scanner out.

#include "engine/CDeviceManager.h"
#include "engine/RunScan.h"
#include "engine/scanners/CScanner.h"
#include "platform/sync/Event.h"
#include "tests/engine/support/EngineCommandRig.h"
#include "tests/engine/support/EngineLinkFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>

namespace orv::test {
namespace {

using namespace std::chrono_literals;

constexpr uint16_t kWaitingScan = 203;

// A USB board whose connect runs `onConnect` first (which may block).
class ConnectingScanner final : public CScanner {
public:
    explicit ConnectingScanner(std::function<void()> onConnect)
        : CScanner(eProbeType::UsbScannerBoard), m_onConnect(std::move(onConnect)) {}
    bool Connect() override {
        if (m_onConnect) {
            m_onConnect();
        }
        return true;
    }
    bool Disconnect() override { return true; }
    bool Reconnect() override { return true; }
    bool BeginScan() override { return true; }
    bool EndScan() override { return true; }
    uint8_t GetSwitchMode() const override { return 0; }
    void SetSwitchMode(uint8_t /*mode*/) override {}
    bool SwitchToCellTimed(int32_t /*value*/) override { return true; }
    bool SwitchToCell() override { return true; }
    bool ReadScannerType() override { return true; }
    bool WriteScannerType() override { return true; }
    bool Trigger(int16_t /*a*/, uint8_t /*b*/, uint8_t /*c*/, int16_t /*d*/) override { return true; }
    bool StartingSwitch(int32_t /*x*/) override { return true; }
    bool FullSwitchAndTrigger(int32_t /*a*/, int32_t /*b*/, bool /*send*/) override { return true; }
    bool PartialSwitchAndTrigger(int32_t /*a*/, int32_t /*b*/, int32_t /*c*/, bool /*send*/) override {
        return true;
    }
    bool TriggerAndSwitches() override { return true; }
    bool WriteScannerSize() override { return true; }
    bool ReadAdaptorEID() override { return true; }
    bool ReadFirmwareVersion() override { return true; }
    void SetProbeHeight(uint16_t /*height*/) override {}
    bool SupportsMotors() const override { return false; }

private:
    std::function<void()> m_onConnect;
};

// Holds its scan until released.
class WaitingRunner final : public RunScan {
public:
    WaitingRunner(const CEngineContext& context, Event& release) : RunScan(context), m_release(release) {}
    void RunScanStart() override { m_release.Wait(); }

private:
    Event& m_release;
};

class ConnectScannerThreadedTest : public ::testing::Test {
protected:
    ConnectScannerThreadedTest() {
        m_rig.CreateManager();
        for (const eProbeType type : {eProbeType::RobotArm, eProbeType::ExternalAdapter}) {
            m_rig.manager->SetScannerMaker(type, nullptr);
        }
        m_rig.manager->SetNoScannerFallbackSource([] { return false; });
        m_rig.runners.Register(kWaitingScan, [this](const CEngineContext& context) {
            return std::make_unique<WaitingRunner>(context, m_runRelease);
        });
        m_rig.StartEngine();
    }
    ~ConnectScannerThreadedTest() override {
        m_connectRelease.Set();
        m_runRelease.Set();
    }

    // The USB board's maker: each connect signals its entry and waits for the release.
    void UseBlockingBoard() {
        m_rig.manager->SetScannerMaker(eProbeType::UsbScannerBoard, [this] {
            return std::make_unique<ConnectingScanner>([this] {
                m_connectEntered.Set();
                m_connectRelease.Wait();
            });
        });
    }

    LogCapture m_log;
    EngineCommandRig m_rig;
    Event m_connectEntered{Event::Reset::Manual};
    Event m_connectRelease{Event::Reset::Manual};
    Event m_runRelease{Event::Reset::Manual};
};

TEST_F(ConnectScannerThreadedTest, CommandsAreAnsweredWhileAConnectHangsAndAScanBegunMeanwhileKeepsItOut) {
    UseBlockingBoard();
    auto connected = std::async(
        std::launch::async, [this] { return m_rig.manager->ConnectScanner(eProbeType::UsbScannerBoard); });
    ASSERT_TRUE(m_connectEntered.Wait(5000ms));

    // The version query takes the device lock: it is answered now, not after the connect.
    const auto start = std::chrono::steady_clock::now();
    const std::vector<ReplyFrame> version = m_rig.Exchange(Frame(8));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    ASSERT_EQ(version.size(), 1U);
    EXPECT_EQ(version[0].id, 8);

    // A go meanwhile runs without the old scanner, which let its device go for the search.
    m_rig.Exchange(Frame(1, SetupBody({.scanType = kWaitingScan})));
    const std::vector<ReplyFrame> go = m_rig.Exchange(Frame(2, {0}));
    ASSERT_EQ(go.size(), 1U);
    ASSERT_TRUE(m_rig.engine->IsScanRunning());

    // The connect ends while that scan runs: the new scanner is not swapped in under it.
    m_connectRelease.Set();
    EXPECT_FALSE(connected.get());
    EXPECT_FALSE(m_rig.manager->HasScanner());
    EXPECT_TRUE(
        m_log.Has("A scan began while the scanner was being connected; the scanner is connected again "
                  "later."));
    m_runRelease.Set();
    ASSERT_TRUE(m_rig.engine->WaitForScanEnd(5s));
    Bytes pending;
    const std::vector<ReplyFrame> data = ReadFrames(m_rig.dataPipe, pending);
    ASSERT_EQ(data.size(), 1U);
    EXPECT_EQ(data[0].id, 103);

    // With the scan over, the next connect keeps its scanner.
    EXPECT_TRUE(m_rig.manager->ConnectScanner(eProbeType::UsbScannerBoard));
    EXPECT_TRUE(m_rig.manager->HasScanner());
}

TEST_F(ConnectScannerThreadedTest, AStopEndsTheSearchWithinItsSettle) {
    // The board answers the ordered search; the stop fires as it connects, before its settle.
    std::stop_source stop;
    std::atomic<int> connects{0};
    m_rig.manager->SetScannerMaker(eProbeType::UsbScannerBoard, [&] {
        return std::make_unique<ConnectingScanner>([&] {
            // The first connect is the detection's, the second the search's.
            if (++connects == 2) {
                stop.request_stop();
            }
        });
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(m_rig.manager->ConnectScanner(eProbeType::NoScanner, stop.get_token()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, CDeviceManager::kUsbBoardSettle);
    EXPECT_EQ(connects.load(), 2);
    EXPECT_FALSE(m_rig.manager->HasScanner());
}

} // namespace
} // namespace orv::test
