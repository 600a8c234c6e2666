#include "engine/CDeviceManager.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "analyzers/CVisaConnection.h"
#include "platform/clock/FakeClock.h"
#include "tests/engine/support/EngineTestScopes.h"
#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace orv {
namespace {

// The simulated analyser behind the built-in VISA layer, with a per-user folder of the test's own.
class DeviceManagerVisaTest : public ::testing::Test {
protected:
    DeviceManagerVisaTest() : m_clockInstall(m_clock) {
        GetInstrumentInfo().BuildSupportedAnalyzerTable();
        SetNoAnalyzerSwitch(false);
        m_sim.AddResource("A");
        m_sim.SetIdentity("A", kIdentity);
        m_resources.emplace("ORV_VISA_RESOURCES", m_sim.ResourceName("A") + ";");
    }
    static constexpr const char* kIdentity = "Rohde&Schwarz,FSV-7,101234/007,2.30";

    test::TemporaryUserDataFolder m_folder{"orv-device-manager"};
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall;
    test::EnvironmentValue m_libraries{"ORV_VISA_LIBRARIES", std::string()};
    std::optional<test::EnvironmentValue> m_resources;
    test::ScpiSimulatorProcess m_sim;
};

TEST_F(DeviceManagerVisaTest, ConnectsTheSimulatedAnalyserAndKeepsItOnASecondConnect) {
    CDeviceManager manager;
    ASSERT_TRUE(manager.ConnectVisa());
    auto* const connection = dynamic_cast<CVisaConnection*>(manager.GetConnection());
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(connection->GetIdentityText(), kIdentity);

    // The identity names exactly the row of a supported analyser.
    bool matched = false;
    for (const _SupportedAnalyzerInfo& row : GetInstrumentInfo().GetSupportedAnalyzers()) {
        if (!row.m_MatchKey.empty() &&
            connection->GetIdentityText().find(row.m_MatchKey) != std::string::npos) {
            matched = true;
        }
    }
    EXPECT_TRUE(matched);

    m_sim.ClearCommands("A");
    EXPECT_FALSE(manager.ConnectVisa());
    EXPECT_EQ(manager.GetConnection(), connection);
    EXPECT_NE(connection->GetSession(), visa::kNoSession);
    // The held connection was not disturbed by a second search.
    EXPECT_TRUE(m_sim.Commands("A").empty());
}

} // namespace
} // namespace orv
