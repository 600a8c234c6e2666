#include "engine/CDeviceManager.h"

#include "analyzers/CInstrumentInfo.h"
#include "core/QAttachedAdapter.h"
#include "core/QAttachedScannerSource.h"
#include "engine/scanners/adapter/CExScannerBoard.h"
#include "platform/clock/FakeClock.h"
#include "tests/engine/support/AdapterTestRig.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/sim/adapter/AdapterSimulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::AdapterSimulator;
using test::Bytes;

// The device manager with only the external adapter's maker left (and the no-scanner driver), the
// simulator answering on a loopback address of its own.
class CDeviceManagerAdapterTest : public ::testing::Test {
protected:
    CDeviceManagerAdapterTest() {
        m_manager.SetScannerMaker(eProbeType::RobotArm, nullptr);
        m_manager.SetScannerMaker(eProbeType::UsbScannerBoard, nullptr);
    }

    AdapterSimulator m_sim;
    test::ScopedNetworkSource m_network{std::make_shared<test::LoopbackNetworkSource>(m_sim.Address())};
    test::AdapterPortSettings m_noPorts{{}};
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall{m_clock};
    test::LogCapture m_log;
    CDeviceManager m_manager;
};

TEST_F(CDeviceManagerAdapterTest, TheAdapterIsDetectedSecondAndKeptByTheOrderedSearchAfterItsPause) {
    ASSERT_EQ(m_sim.Error(), "");
    ASSERT_TRUE(m_manager.DetectScanners());
    const std::vector<eProbeType> detected = GetInstrumentInfo().GetDetectedProbeTypes();
    const auto adapter = std::find(detected.begin(), detected.end(), eProbeType::ExternalAdapter);
    ASSERT_NE(adapter, detected.end());
    EXPECT_LT(adapter - detected.begin(),
              std::find(detected.begin(), detected.end(), eProbeType::NoScanner) - detected.begin());

    m_clock.ClearPauses();
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::NoScanner));
    EXPECT_NE(dynamic_cast<CExScannerBoard*>(m_manager.GetScanner()), nullptr);
    EXPECT_EQ(GetInstrumentInfo().GetProbeType(), eProbeType::ExternalAdapter);
    ASSERT_FALSE(m_clock.Pauses().empty());
    EXPECT_EQ(m_clock.Pauses().back(), 1500ms);
    EXPECT_EQ(GetAttachedScannerId(), 7);
}

TEST_F(CDeviceManagerAdapterTest, OtherThreadsReadTheAdaptersCopiesAndTheStaticIpWriteWaitsForNoScan) {
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::ExternalAdapter));
    std::optional<AttachedAdapterInfo> info = GetAttachedAdapter();
    ASSERT_TRUE(info.has_value());
    EXPECT_TRUE(info->motorsSupported);
    EXPECT_TRUE(AttachedAdapterSupportsMotors()) << "the answer the controller reads";
    EXPECT_EQ(info->host, m_sim.AddressText());
    EXPECT_EQ(info->port, 9760);
    EXPECT_FALSE(info->useStaticIp);
    EXPECT_EQ(info->staticIp, "192.168.1.50");
    EXPECT_EQ(info->subnetMask, "255.255.255.0");

    m_sim.ClearRecord();
    m_manager.SetScanRunning(true);
    EXPECT_FALSE(m_manager.WriteAdapterStaticIPSettings(1, "10.1.2.3", "255.255.0.0"));
    EXPECT_TRUE(m_log.Has("The ExAdapter's static IP settings cannot be written while a scan runs."));
    EXPECT_TRUE(m_sim.Frames().empty());
    m_manager.SetScanRunning(false);

    ASSERT_TRUE(m_manager.WriteAdapterStaticIPSettings(1, "10.1.2.3", "255.255.0.0"));
    EXPECT_EQ(m_sim.Payloads().size(), 2U);
    info = GetAttachedAdapter();
    ASSERT_TRUE(info.has_value());
    EXPECT_TRUE(info->useStaticIp);
    EXPECT_EQ(info->staticIp, "10.1.2.3");
    EXPECT_EQ(info->subnetMask, "255.255.0.0");

    // Another scanner: no adapter answers are left.
    m_sim.SetDiscoveryAnswer(false);
    ASSERT_TRUE(m_manager.ConnectScanner(eProbeType::NoScanner));
    EXPECT_FALSE(GetAttachedAdapter().has_value());
    EXPECT_FALSE(AttachedAdapterSupportsMotors());
    EXPECT_FALSE(m_manager.WriteAdapterStaticIPSettings(0, "", ""));
}

} // namespace
} // namespace orv
