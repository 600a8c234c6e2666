#include "engine/CDeviceManager.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9000A.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9020A.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9320B.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9324C.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9912ANew.h"
#include "platform/clock/FakeClock.h"
#include "tests/engine/support/EngineTestScopes.h"
#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <typeinfo>

namespace orv {
namespace {

// The driver command against a simulated X-series analyser of the given identity.
class KeysightDriverSwitchTest : public ::testing::Test {
protected:
    KeysightDriverSwitchTest() : m_clockInstall(m_clock) {
        GetInstrumentInfo().BuildSupportedAnalyzerTable();
        SetNoAnalyzerSwitch(false);
        m_sim.AddResource("A");
        m_resources.emplace("ORV_VISA_RESOURCES", m_sim.ResourceName("A") + ";");
    }
    // Sends the driver command for `code`; returns the reply's first word.
    static uint32_t Switch(CDeviceManager& manager, int32_t code, bool& result) {
        std::array<uint32_t, 4> words{static_cast<uint32_t>(code), 0, 0, 0};
        result = manager.SetAnalyzerDriver(words);
        return words[0];
    }
    size_t IdentityQueries() {
        const std::vector<std::string> sent = m_sim.Commands("A");
        return static_cast<size_t>(std::count(sent.begin(), sent.end(), "*IDN?"));
    }

    test::TemporaryUserDataFolder m_folder{"orv-keysight-switch"};
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall;
    test::EnvironmentValue m_libraries{"ORV_VISA_LIBRARIES", std::string()};
    std::optional<test::EnvironmentValue> m_resources;
    test::ScpiSimulatorProcess m_sim;
};

TEST_F(KeysightDriverSwitchTest, CxaBindsAndItsFirmwareCheckPicksTheTables) {
    struct Case {
        const char* model;
        int32_t code;
        int32_t generation;
    };
    for (const Case& c : {Case{"N9000A", 27, 2}, Case{"N9000B", 50, 0}}) {
        SCOPED_TRACE(c.model);
        m_sim.SetIdentity("A", std::string("Keysight Technologies,") + c.model + ",MY123,A.20.22");
        CDeviceManager manager;
        ASSERT_TRUE(manager.ConnectVisa());
        m_sim.ClearCommands("A");
        bool result = false;
        EXPECT_EQ(Switch(manager, c.code, result), static_cast<uint32_t>(c.code));
        EXPECT_TRUE(result);
        const auto* driver = dynamic_cast<const CSpectrumAnalyzerN9000A*>(manager.GetAnalyzer());
        ASSERT_NE(driver, nullptr);
        EXPECT_EQ(driver->GetFirmwareGeneration(), c.generation);
        // The binding's identity query and the check's, once each.
        EXPECT_EQ(m_sim.WaitForCommands("A", 2).size(), 2u);
        EXPECT_EQ(IdentityQueries(), 2u);
        // Both generations give the table of their firmware: 2200 us at 3 kHz.
        EXPECT_EQ(manager.GetAnalyzer()->GetGateLength(0.003f), 2200);
    }
}

TEST_F(KeysightDriverSwitchTest, FieldFoxFirmwareCheckRunsOnceAfterBinding) {
    m_sim.SetIdentity("A", "Keysight Technologies,N9915B,MY123,A.05.30");
    m_sim.SetCommandSet("A", "fieldfox");
    CDeviceManager manager;
    ASSERT_TRUE(manager.ConnectVisa());
    m_sim.ClearCommands("A");
    bool result = false;
    EXPECT_EQ(Switch(manager, 60, result), 60U);
    EXPECT_TRUE(result);
    const auto* driver = dynamic_cast<const CSpectrumAnalyzerN9915B*>(manager.GetAnalyzer());
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(driver->GetFirmwareGeneration(), 0);
    EXPECT_EQ(m_sim.WaitForCommands("A", 2).size(), 2u);
    EXPECT_EQ(IdentityQueries(), 2u);
    // The first firmware's zero span.
    m_sim.ClearCommands("A");
    ASSERT_TRUE(manager.GetAnalyzer()->SetSpan(0.0f));
    EXPECT_EQ(m_sim.WaitForCommands("A", 3),
              (std::vector<std::string>{"DIAG:SWEEP:TYPE STEP;", "DIAG:SWEEP:SIMulation EGST;",
                                        ":Frequency:Span 0.001000 MHZ;"}));
}

// The basic analysers bind without a firmware check and read their fixed 461-point trace through the
// manager's driver.
TEST_F(KeysightDriverSwitchTest, BasicAnalysersBindWithoutAFirmwareCheck) {
    struct Case {
        const char* model;
        int32_t code;
        const char* commandSet;
        float offset;
    };
    for (const Case& c : {Case{"N9320B", 69, "n9320b", 0.0F}, Case{"N9324C", 70, "n9324c", 107.0F}}) {
        SCOPED_TRACE(c.model);
        m_sim.SetIdentity("A", std::string("Keysight Technologies,") + c.model + ",CN123,A.01.02");
        m_sim.SetCommandSet("A", c.commandSet);
        CDeviceManager manager;
        ASSERT_TRUE(manager.ConnectVisa());
        m_sim.ClearCommands("A");
        bool result = false;
        EXPECT_EQ(Switch(manager, c.code, result), static_cast<uint32_t>(c.code));
        EXPECT_TRUE(result);
        CSpectrumAnalyzer* driver = manager.GetAnalyzer();
        ASSERT_NE(driver, nullptr);
        EXPECT_EQ(c.code == 69, typeid(*driver) == typeid(CSpectrumAnalyzerN9320B));
        EXPECT_EQ(c.code == 70, typeid(*driver) == typeid(CSpectrumAnalyzerN9324C));
        // Only the binding's identity query.
        EXPECT_EQ(IdentityQueries(), 1U);
        const float* trace = driver->QueryScan();
        ASSERT_NE(trace, nullptr);
        EXPECT_TRUE(driver->IsQueryValid());
        EXPECT_EQ(driver->ReadSweepPoints(), 461);
        EXPECT_FLOAT_EQ(trace[0], -80.0F + c.offset);
        EXPECT_FLOAT_EQ(trace[460], -80.0F + 4.6F + c.offset);
        EXPECT_EQ(IdentityQueries(), 1U);
    }
}

TEST_F(KeysightDriverSwitchTest, ACodeOfAnotherModelIsRefused) {
    m_sim.SetIdentity("A", "Keysight Technologies,N9020A,MY123,A.14.16");
    CDeviceManager manager;
    ASSERT_TRUE(manager.ConnectVisa());
    bool result = false;
    ASSERT_EQ(Switch(manager, 28, result), 28U);
    ASSERT_TRUE(result);
    // The EXA driver does not find its model: the MXA stays, and the reply names it.
    EXPECT_EQ(Switch(manager, 25, result), 28U);
    EXPECT_NE(dynamic_cast<const CSpectrumAnalyzerN9020A*>(manager.GetAnalyzer()), nullptr);
    EXPECT_EQ(manager.GetModelCode(), 28);
}

} // namespace
} // namespace orv
