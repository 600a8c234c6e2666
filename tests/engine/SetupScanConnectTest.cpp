#include "engine/SetupScan.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "analyzers/CVisaConnection.h"
#include "analyzers/drivers/none/CSpectrumAnalyzerNone.h"
#include "core/NoScannerFallback.h"
#include "core/QAnalyzerOptions.h"
#include "engine/CDeviceManager.h"
#include "engine/scanners/CNoScannerBoard.h"
#include "platform/clock/FakeClock.h"
#include "tests/engine/support/EngineTestScopes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace orv {
namespace {

// No analyser and no scanner: the program started with "-NoSA" and only the no-scanner driver answers.
class SetupScanConnectTest : public ::testing::Test {
protected:
    SetupScanConnectTest() : m_clockInstall(m_clock) {
        GetInstrumentInfo().BuildSupportedAnalyzerTable();
        SetNoAnalyzerSwitch(true);
        ResetNoScannerFallback();
        CDeviceManager* manager = m_setup.CreateDeviceManager();
        for (const eProbeType type :
             {eProbeType::UsbScannerBoard, eProbeType::RobotArm, eProbeType::ExternalAdapter}) {
            manager->SetScannerMaker(type, nullptr);
        }
    }
    ~SetupScanConnectTest() override {
        ResetNoScannerFallback();
        SetNoAnalyzerSwitch(false);
    }

    test::TemporaryUserDataFolder m_folder{"orv-setup-connect"};
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall;
    test::EnvironmentValue m_libraries{"ORV_VISA_LIBRARIES", ""};
    test::EnvironmentValue m_resources{"ORV_VISA_RESOURCES", ""};
    SetupScan m_setup;
};

TEST_F(SetupScanConnectTest, ThePlaceholderAnalyserAndTheNoScannerDriverAreKept) {
    CDeviceManager* const manager = m_setup.GetDeviceManager();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(m_setup.CreateDeviceManager(), manager);

    ASSERT_TRUE(m_setup.ConnectAnalyzer());
    EXPECT_EQ(m_setup.GetAnalyzerConnection(), manager->GetConnection());
    std::array<uint32_t, 4> words{900, 0, 0, 0};
    ASSERT_TRUE(manager->SetAnalyzerDriver(words));
    const auto* placeholder = dynamic_cast<const CSpectrumAnalyzerNone*>(manager->GetAnalyzer());
    ASSERT_NE(placeholder, nullptr);
    EXPECT_EQ(placeholder->GetSession(), CVisaConnection::kPlaceholderSession);

    ASSERT_TRUE(m_setup.ConnectScanner(eProbeType::NoScanner));
    EXPECT_EQ(m_setup.GetScanner(), manager->GetScanner());
    ASSERT_NE(dynamic_cast<CNoScannerBoard*>(m_setup.GetScanner()), nullptr);
    EXPECT_EQ(GetInstrumentInfo().GetProbeType(), eProbeType::NoScanner);
    EXPECT_EQ(QAnalyzerOptions().GetScannerId(), 255);
}

TEST_F(SetupScanConnectTest, ALetGoAnalyserIsSearchedAgainButNotWhileAScanRuns) {
    CDeviceManager* const manager = m_setup.GetDeviceManager();
    ASSERT_TRUE(m_setup.ConnectAnalyzer());
    std::array<uint32_t, 4> words{900, 0, 0, 0};
    ASSERT_TRUE(manager->SetAnalyzerDriver(words));
    m_setup.SetAnalyzer(manager->GetAnalyzer());
    // A held connection is kept: connecting again is refused.
    EXPECT_FALSE(m_setup.ConnectAnalyzer());

    manager->SetScanRunning(true);
    EXPECT_FALSE(m_setup.ReleaseAnalyzer());
    EXPECT_NE(manager->GetConnection(), nullptr);
    EXPECT_NE(m_setup.GetAnalyzer(), nullptr);
    manager->SetScanRunning(false);

    ASSERT_TRUE(m_setup.ReleaseAnalyzer());
    EXPECT_EQ(manager->GetConnection(), nullptr);
    EXPECT_EQ(manager->GetAnalyzer(), nullptr);
    EXPECT_EQ(m_setup.GetAnalyzer(), nullptr);
    EXPECT_EQ(m_setup.GetAnalyzerConnection(), nullptr);
    ASSERT_TRUE(m_setup.ConnectAnalyzer());
    EXPECT_EQ(m_setup.GetAnalyzerConnection(), manager->GetConnection());
    ASSERT_TRUE(manager->SetAnalyzerDriver(words));
    EXPECT_NE(manager->GetAnalyzer(), nullptr);
}

TEST_F(SetupScanConnectTest, AFailedScannerConnectLeavesNoScannerInUse) {
    ASSERT_TRUE(m_setup.ConnectScanner(eProbeType::NoScanner));
    ASSERT_NE(m_setup.GetScanner(), nullptr);

    ClearNoScannerFallback();
    EXPECT_FALSE(m_setup.ConnectScanner(eProbeType::UsbScannerBoard));
    // The old scanner is gone; the set-up never keeps a pointer to it.
    EXPECT_EQ(m_setup.GetScanner(), nullptr);
    EXPECT_EQ(m_setup.GetDeviceManager()->GetScanner(), nullptr);
}

TEST(SetupScanConnect, WithoutADeviceManagerNothingConnects) {
    SetupScan setup;
    EXPECT_FALSE(setup.ConnectAnalyzer());
    EXPECT_FALSE(setup.ConnectScanner(eProbeType::NoScanner));
    EXPECT_FALSE(setup.ReleaseAnalyzer());
    EXPECT_EQ(setup.GetScanner(), nullptr);
}

} // namespace
} // namespace orv
