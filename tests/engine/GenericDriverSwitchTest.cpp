#include "engine/CDeviceManager.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "analyzers/drivers/generic/CSpectrumAnalyzerGeneric.h"
#include "platform/clock/FakeClock.h"
#include "tests/engine/support/EngineTestScopes.h"
#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>

namespace orv {
namespace {

// No supported row names the generic driver, so its check looks for the catch-all row's key, which
// a real analyser's identity does not carry: the driver binds only while a change is applied.
class GenericDriverSwitchTest : public ::testing::Test {
protected:
    GenericDriverSwitchTest() : m_clockInstall(m_clock) {
        GetInstrumentInfo().BuildSupportedAnalyzerTable();
        SetNoAnalyzerSwitch(false);
        m_sim.AddResource("A");
        m_sim.SetIdentity("A", "Rohde&Schwarz,FSV-7,101234/007,2.30");
        m_resources.emplace("ORV_VISA_RESOURCES", m_sim.ResourceName("A") + ";");
    }
    test::TemporaryUserDataFolder m_folder{"orv-generic-switch"};
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall;
    test::EnvironmentValue m_libraries{"ORV_VISA_LIBRARIES", std::string()};
    std::optional<test::EnvironmentValue> m_resources;
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
