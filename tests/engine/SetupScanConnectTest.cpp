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
#include "platform/fs/AppPaths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>

namespace orv {
namespace {

// Sets an environment variable for the scope.
class EnvironmentValue {
public:
    EnvironmentValue(const char* name, const std::string& value) : m_name(name) {
        if (const char* previous = std::getenv(name)) {
            m_previous = previous;
        }
        setenv(name, value.c_str(), 1);
    }
    ~EnvironmentValue() { m_previous ? setenv(m_name, m_previous->c_str(), 1) : unsetenv(m_name); }
    EnvironmentValue(const EnvironmentValue&) = delete;
    EnvironmentValue& operator=(const EnvironmentValue&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_previous;
};

// No analyser and no scanner: the program started with "-NoSA" and only the no-scanner driver answers.
class SetupScanConnectTest : public ::testing::Test {
protected:
    SetupScanConnectTest() : m_clockInstall(m_clock) {
        char pattern[] = "/tmp/orv-setup-connect-XXXXXX";
        m_folder = mkdtemp(pattern);
        SetUserDataFolderOverride(m_folder);
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
        SetUserDataFolderOverride("");
        std::filesystem::remove_all(m_folder);
    }

    FakeClock m_clock;
    ScopedClockInstall m_clockInstall;
    EnvironmentValue m_libraries{"ORV_VISA_LIBRARIES", ""};
    EnvironmentValue m_resources{"ORV_VISA_RESOURCES", ""};
    std::string m_folder;
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
    EXPECT_EQ(setup.GetScanner(), nullptr);
}

} // namespace
} // namespace orv
