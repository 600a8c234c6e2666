// The device-library analysers through the device manager and the engine: connected after VISA, in
// its order, identified by the engine's identity query, bound by the driver command and set up by
// the set-up command, all over the fake device libraries.

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CBB60Connection.h"
#include "analyzers/CInstrumentInfo.h"
#include "analyzers/CTekRSAConnection.h"
#include "analyzers/CVisaConnection.h"
#include "analyzers/drivers/signalhound/CSpectrumAnalyzerBB60.h"
#include "analyzers/drivers/tektronix/CSpectrumAnalyzerTekRSA.h"
#include "platform/clock/FakeClock.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/engine/support/EngineCommandRig.h"
#include "tests/engine/support/EngineTestScopes.h"
#include "tests/sim/devicelib/FakeBbApi.h"
#include "tests/sim/devicelib/FakeRsaApi.h"
#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv::test {
namespace {

using sim::FakeBbApi;
using sim::FakeRsaApi;

// The driver ID of the first supported-analyser row whose key the identity contains.
int32_t RowDriverFor(const std::string& identity) {
    for (const _SupportedAnalyzerInfo& row : GetInstrumentInfo().GetSupportedAnalyzers()) {
        if (!row.m_MatchKey.empty() && identity.find(row.m_MatchKey) != std::string::npos) {
            return row.m_DriverID;
        }
    }
    return -1;
}

// No VISA resource, no "-NoSA": only the device libraries named in the environment can answer.
class DeviceLibraryConnectTest : public ::testing::Test {
protected:
    DeviceLibraryConnectTest() : m_clockInstall(m_clock) {
        GetInstrumentInfo().BuildSupportedAnalyzerTable();
        SetNoAnalyzerSwitch(false);
        FakeBbApi::Reset();
        FakeRsaApi::Reset();
        CBB60Connection::ResetRunWarnings();
        CTekRSAConnection::ResetRunWarnings();
        m_rig.CreateManager();
        m_rig.setup.SetStopFlag(&m_rig.stopFlag);
    }
    ~DeviceLibraryConnectTest() override { m_rig.engine.reset(); }

    std::vector<ReplyFrame> Exchange(const Bytes& bytes) { return m_rig.Exchange(bytes); }

    // The identity query, the driver command and the set-up command through the command pipe.
    void IdentifyBindAndSetUp(uint32_t code, const std::string& identity, int32_t points) {
        m_rig.StartEngine();
        std::vector<ReplyFrame> replies = Exchange(Frame(4003));
        ASSERT_EQ(replies.size(), 1U);
        const std::string reported(replies[0].body.begin() + 4, replies[0].body.end());
        EXPECT_EQ(reported, identity);
        EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 0), identity.size());
        EXPECT_EQ(RowDriverFor(reported), static_cast<int32_t>(code));

        replies = Exchange(DriverCommand(code));
        ASSERT_EQ(replies.size(), 1U);
        EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 0), code);

        const Bytes body = AnalyzerSetupBody(0.1F, 150.0F, 10.0F);
        const std::size_t tail = SetupTail(2, 3);
        replies = Exchange(Frame(1, body));
        ASSERT_EQ(replies.size(), 21U);
        for (std::size_t i = 0; i + 1 < replies.size(); ++i) {
            EXPECT_EQ(replies[i].id, 4004);
        }
        const Bytes& reply = replies.back().body;
        ASSERT_EQ(replies.back().id, 1);
        EXPECT_EQ(ValueAt<uint32_t>(reply, tail + kFailureCode), 0U);
        EXPECT_EQ(ValueAt<uint32_t>(reply, tail + kBuckets), static_cast<uint32_t>(points));
        EXPECT_FLOAT_EQ(ValueAt<float>(reply, tail + kCentre), 150.0F);
        EXPECT_FLOAT_EQ(ValueAt<float>(reply, tail + kSpan), 10.0F);
    }

    TemporaryUserDataFolder m_folder{"orv-devicelib-connect"};
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall;
    EnvironmentValue m_visaLibraries{"ORV_VISA_LIBRARIES", ""};
    std::optional<EnvironmentValue> m_visaResources{std::in_place, "ORV_VISA_RESOURCES", ""};
    EnvironmentValue m_bbNames{"ORV_BB_API_LIBRARIES", ORV_FAKE_BB_API_PATH};
    EnvironmentValue m_rsaNames{"ORV_RSA_API_LIBRARIES", ORV_FAKE_RSA_API_PATH};
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_promptInstall{m_prompt};
    LogCapture m_log;
    EngineCommandRig m_rig;
};

TEST_F(DeviceLibraryConnectTest, ASecondConnectWhileOneIsHeldKeepsIt) {
    FakeBbApi::SetSerials({11});
    FakeRsaApi::SetDevices({{3, "B3", "RSA306"}});
    ASSERT_TRUE(m_rig.manager->ConnectBB60());
    CSAConnection* const held = m_rig.manager->GetConnection();
    ASSERT_NE(dynamic_cast<CBB60Connection*>(held), nullptr);
    FakeBbApi::Script().ClearCalls();

    EXPECT_FALSE(m_rig.manager->ConnectBB60());
    EXPECT_FALSE(m_rig.manager->ConnectTekRSA());
    EXPECT_EQ(m_rig.manager->GetConnection(), held);
    EXPECT_TRUE(FakeBbApi::Script().Calls().empty());
    EXPECT_TRUE(FakeRsaApi::Script().Calls().empty());

    // Released, the device is closed with the connection.
    ASSERT_TRUE(m_rig.setup.ReleaseAnalyzer());
    EXPECT_EQ(FakeBbApi::Script().Names(), (std::vector<std::string>{"bbCloseDevice"}));
}

TEST_F(DeviceLibraryConnectTest, WithoutTheLibrariesNothingConnectsAndNothingIsSaid) {
    const EnvironmentValue bb("ORV_BB_API_LIBRARIES", "libmissing_bb_api.so");
    const EnvironmentValue rsa("ORV_RSA_API_LIBRARIES", ORV_FAKE_RSA_API_PARTIAL_PATH);
    FakeBbApi::SetSerials({11});
    FakeRsaApi::SetDevices({{3, "B3", "RSA306"}});
    EXPECT_FALSE(m_rig.setup.ConnectAnalyzer());
    EXPECT_EQ(m_rig.manager->GetConnection(), nullptr);
    EXPECT_TRUE(FakeBbApi::Script().Calls().empty());
    EXPECT_TRUE(FakeRsaApi::Script().Calls().empty());
    EXPECT_TRUE(m_prompt->Texts().empty());
}

TEST_F(DeviceLibraryConnectTest, AVisaAnalyserWinsOverTheDeviceLibraries) {
    ScpiSimulatorProcess sim;
    sim.AddResource("A");
    sim.SetIdentity("A", "Rohde&Schwarz,FSV-7,101234/007,2.30");
    m_visaResources.reset();
    m_visaResources.emplace("ORV_VISA_RESOURCES", sim.ResourceName("A") + ";");
    FakeBbApi::SetSerials({11});
    FakeRsaApi::SetDevices({{3, "B3", "RSA306"}});
    ASSERT_TRUE(m_rig.setup.ConnectAnalyzer());
    EXPECT_NE(dynamic_cast<CVisaConnection*>(m_rig.manager->GetConnection()), nullptr);
    EXPECT_TRUE(FakeBbApi::Script().Calls().empty());
    EXPECT_TRUE(FakeRsaApi::Script().Calls().empty());
}

TEST_F(DeviceLibraryConnectTest, ABb60IsConnectedIdentifiedBoundAndSetUp) {
    FakeBbApi::SetSerials({4321});
    FakeBbApi::SetTraceInfo(401, 25000.0, 145e6);
    ASSERT_TRUE(m_rig.setup.ConnectAnalyzer());
    ASSERT_NE(dynamic_cast<CBB60Connection*>(m_rig.setup.GetAnalyzerConnection()), nullptr);
    IdentifyBindAndSetUp(106, "SignalHound,BB60C,4321,0", 401);
    auto* driver = dynamic_cast<CSpectrumAnalyzerBB60*>(m_rig.setup.GetAnalyzer());
    ASSERT_NE(driver, nullptr);
    EXPECT_FLOAT_EQ(driver->ReadCenterFrequency(), 150.0F);
    // The set-up's values reached the device in one push.
    const std::vector<std::string> names = FakeBbApi::Script().Names();
    EXPECT_EQ(std::count(names.begin(), names.end(), "bbConfigureCenterSpan"), 1);
    EXPECT_TRUE(m_prompt->Texts().empty());
}

TEST_F(DeviceLibraryConnectTest, AnRsaIsConnectedIdentifiedBoundAndSetUp) {
    const EnvironmentValue bb("ORV_BB_API_LIBRARIES", "");
    FakeRsaApi::SetDevices({{3, "B0003", "RSA306B"}});
    FakeRsaApi::SetLimits({.maxSpan = 40e6, .minSpan = 100.0, .maxRbw = 10e6, .minRbw = 10.0});
    FakeRsaApi::SetTraceShape(801, 145e6, 12500.0);
    ASSERT_TRUE(m_rig.setup.ConnectAnalyzer());
    ASSERT_NE(dynamic_cast<CTekRSAConnection*>(m_rig.setup.GetAnalyzerConnection()), nullptr);
    IdentifyBindAndSetUp(107, "Tektronix,tektronix_sa_500,B0003,0", 801);
    ASSERT_NE(dynamic_cast<CSpectrumAnalyzerTekRSA*>(m_rig.setup.GetAnalyzer()), nullptr);
    EXPECT_DOUBLE_EQ(FakeRsaApi::LastSettings().span, 10e6);
    EXPECT_TRUE(m_prompt->Texts().empty());
}

} // namespace
} // namespace orv::test
