#include "engine/CDeviceManager.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "analyzers/drivers/generic/CSpectrumAnalyzerGeneric.h"
#include "platform/clock/FakeClock.h"
#include "platform/fs/AppPaths.h"
#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>

namespace orv {
namespace {

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : m_name(name) {
        if (const char* previous = std::getenv(name)) {
            m_previous = previous;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() { m_previous ? setenv(m_name, m_previous->c_str(), 1) : unsetenv(m_name); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_previous;
};

// No supported row names the generic driver, so its check looks for the catch-all row's key, which
// a real analyser's identity does not carry: the driver binds only while a change is applied.
class GenericDriverSwitchTest : public ::testing::Test {
protected:
    GenericDriverSwitchTest() : m_clockInstall(m_clock) {
        char pattern[] = "/tmp/orv-generic-switch-XXXXXX";
        m_folder = mkdtemp(pattern);
        SetUserDataFolderOverride(m_folder);
        GetInstrumentInfo().BuildSupportedAnalyzerTable();
        SetNoAnalyzerSwitch(false);
        m_sim.AddResource("A");
        m_sim.SetIdentity("A", "Rohde&Schwarz,FSV-7,101234/007,2.30");
        m_resources.emplace("ORV_VISA_RESOURCES", m_sim.ResourceName("A") + ";");
    }
    ~GenericDriverSwitchTest() override {
        SetUserDataFolderOverride("");
        std::filesystem::remove_all(m_folder);
    }

    FakeClock m_clock;
    ScopedClockInstall m_clockInstall;
    ScopedEnvironment m_libraries{"ORV_VISA_LIBRARIES", std::string()};
    std::optional<ScopedEnvironment> m_resources;
    std::string m_folder;
    test::ScpiSimulatorProcess m_sim;
};

TEST_F(GenericDriverSwitchTest, CodeOneBindsOnlyUnderTheApplyFlag) {
    CDeviceManager manager;
    ASSERT_TRUE(manager.ConnectVisa());
    bool applying = false;
    manager.SetDriverChangeApplySource([&applying] { return applying; });

    std::array<uint32_t, 4> words{1, 0, 0, 0};
    EXPECT_FALSE(manager.SetAnalyzerDriver(words));
    EXPECT_EQ(words[0], static_cast<uint32_t>(-1));
    EXPECT_EQ(manager.GetAnalyzer(), nullptr);

    applying = true;
    words = {1, 0, 0, 0};
    ASSERT_TRUE(manager.SetAnalyzerDriver(words));
    EXPECT_EQ(words[0], 1U);
    const auto* generic = dynamic_cast<const CSpectrumAnalyzerGeneric*>(manager.GetAnalyzer());
    ASSERT_NE(generic, nullptr);
    EXPECT_NE(generic->GetSession(), visa::kNoSession);
}

} // namespace
} // namespace orv
