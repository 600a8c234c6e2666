// The Tektronix RSA driver over the fake RSA_API library: the calls that go at once, the clamped
// span and RBW, the push in its order, the trace read and the status boxes.

#include "analyzers/drivers/tektronix/CSpectrumAnalyzerTekRSA.h"
#include "analyzers/CTekRSAConnection.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"
#include "tests/sim/devicelib/FakeRsaApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {
namespace {

using sim::FakeRsaApi;

std::vector<sim::FakeCall> CallsNamed(const std::string& name) {
    std::vector<sim::FakeCall> calls = FakeRsaApi::Script().Calls();
    calls.erase(std::remove_if(calls.begin(), calls.end(),
                               [&name](const sim::FakeCall& call) { return call.name != name; }),
                calls.end());
    return calls;
}

class CSpectrumAnalyzerTekRSATest : public ::testing::Test {
protected:
    CSpectrumAnalyzerTekRSATest() {
        FakeRsaApi::Reset();
        CTekRSAConnection::ResetRunWarnings();
        FakeRsaApi::SetDevices({{7, "B010203", "RSA306B"}});
        FakeRsaApi::SetLimits({.maxSpan = 40e6, .minSpan = 100.0, .maxRbw = 10e6, .minRbw = 10.0});
        FakeRsaApi::SetTraceShape(4, 99e6, 0.5e6);
        FakeRsaApi::SetTrace({-30.0F, -10.0F, -10.0F, -90.0F});
        m_connection = std::make_unique<CTekRSAConnection>();
        EXPECT_TRUE(m_connection->DetectAndConnect());
        EXPECT_TRUE(m_driver.FindVisaConnection(m_connection.get(), 107));
        m_driver.SetScanSetup(&m_setup);
        FakeRsaApi::Script().ClearCalls();
    }

    AnalyzerEnvironmentValue m_names{"ORV_RSA_API_LIBRARIES", ORV_FAKE_RSA_API_PATH};
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_promptInstall{m_prompt};
    AnalyzerLogLines m_log;
    FakeAnalyzerScanSetup m_setup;
    std::unique_ptr<CTekRSAConnection> m_connection;
    CSpectrumAnalyzerTekRSA m_driver;
};

TEST_F(CSpectrumAnalyzerTekRSATest, PresetPreAmplifierAndAttenuatorGoAtOnce) {
    EXPECT_EQ(m_driver.QueryIdentity(), "Tektronix,RSA500,SERIAL,0");
    EXPECT_TRUE(m_driver.OpenConnection("USB"));
    ASSERT_TRUE(m_driver.SetupSpectrumAnalyzer());
    ASSERT_TRUE(m_driver.SetPreAmp(true));
    ASSERT_TRUE(m_driver.SetAttenuation(12.5F));
    const std::vector<sim::FakeCall> calls = FakeRsaApi::Script().Calls();
    ASSERT_EQ(calls.size(), 4U);
    EXPECT_EQ(calls[0].name, "CONFIG_Preset");
    EXPECT_EQ(calls[1].name, "SPECTRUM_SetDefault");
    EXPECT_EQ(calls[2].name, "CONFIG_SetRFPreampEnable");
    EXPECT_EQ(calls[2].arguments, (std::vector<double>{1}));
    EXPECT_EQ(calls[3].name, "CONFIG_SetRFAttenuator");
    EXPECT_EQ(calls[3].arguments, (std::vector<double>{12.5}));
    ASSERT_TRUE(m_driver.SetMarkerCount(true));
    EXPECT_TRUE(m_driver.IsMarkerCounterOn());
}

TEST_F(CSpectrumAnalyzerTekRSATest, SpanAndRbwAreClampedToTheDevicesLimits) {
    struct Case {
        bool span;
        float asked;
        float recorded;
    };
    const std::vector<Case> cases{
        {true, 0.00001F, 0.0001F},    {true, 100.0F, 40.0F}, {true, 5.0F, 5.0F},
        {false, 0.000001F, 0.00001F}, {false, 20.0F, 10.0F}, {false, 0.1F, 0.1F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        ASSERT_TRUE(c.span ? m_driver.SetSpan(c.asked) : m_driver.SetResolution(c.asked));
        EXPECT_FLOAT_EQ(c.span ? m_driver.ReadSpan() : m_driver.ReadResolution(), c.recorded);
    }
    // Limits that cannot be read leave the value as asked.
    FakeRsaApi::Script().Script("SPECTRUM_GetLimits", {-2});
    ASSERT_TRUE(m_driver.SetSpan(1000.0F));
    EXPECT_FLOAT_EQ(m_driver.ReadSpan(), 1000.0F);
    EXPECT_TRUE(m_log.Has("The Tektronix device's spectrum limits could not be read (status -2)."));
    EXPECT_TRUE(m_prompt->Texts().empty());
}

TEST_F(CSpectrumAnalyzerTekRSATest, TheSweepPushesInOrderAndTheTraceComesBackInDbuv) {
    m_driver.SetCenterFrequency(100.0F);
    m_driver.SetReferenceLevel(0.0F);
    m_driver.SetSpan(2.0F);
    m_driver.SetResolution(0.01F);
    FakeRsaApi::Script().ClearCalls();
    ASSERT_TRUE(m_driver.SweepAndWait());
    EXPECT_EQ(FakeRsaApi::Script().Names(),
              (std::vector<std::string>{"DEVICE_Stop", "CONFIG_Preset", "SPECTRUM_SetEnable",
                                        "CONFIG_SetCenterFreq", "CONFIG_SetReferenceLevel",
                                        "SPECTRUM_SetDefault", "SPECTRUM_GetSettings", "SPECTRUM_SetSettings",
                                        "SPECTRUM_GetSettings", "DEVICE_Run", "SPECTRUM_AcquireTrace"}));
    EXPECT_EQ(CallsNamed("SPECTRUM_SetEnable")[0].arguments, (std::vector<double>{1}));
    EXPECT_EQ(CallsNamed("CONFIG_SetCenterFreq")[0].arguments, (std::vector<double>{100e6}));
    EXPECT_EQ(CallsNamed("CONFIG_SetReferenceLevel")[0].arguments, (std::vector<double>{-107.0}));
    const std::vector<double> settings = CallsNamed("SPECTRUM_SetSettings")[0].arguments;
    EXPECT_DOUBLE_EQ(settings[0], 2e6);
    EXPECT_DOUBLE_EQ(settings[1], static_cast<double>(0.01F) * 1e6);
    EXPECT_EQ(settings[2], 0.0);
    EXPECT_EQ(m_driver.ReadSweepPoints(), 4);

    FakeRsaApi::Script().ClearCalls();
    const float* trace = m_driver.QueryScan();
    ASSERT_NE(trace, nullptr);
    EXPECT_EQ(std::vector<float>(trace, trace + 4), (std::vector<float>{77.0F, 97.0F, 97.0F, 17.0F}));
    EXPECT_EQ(CallsNamed("SPECTRUM_WaitForTraceReady")[0].arguments, (std::vector<double>{5000}));
    EXPECT_EQ(CallsNamed("SPECTRUM_GetTrace")[0].arguments, (std::vector<double>{0, 4}));
    ASSERT_TRUE(m_driver.MarkPeak());
    EXPECT_FLOAT_EQ(m_driver.ReadMarkerFrequency(1), 99.5F);
    EXPECT_FLOAT_EQ(m_driver.ReadPeakAmplitude(), 97.0F);

    // Unchanged: the next sweep only acquires.
    FakeRsaApi::Script().ClearCalls();
    ASSERT_TRUE(m_driver.SweepAndWait());
    EXPECT_EQ(FakeRsaApi::Script().Names(), (std::vector<std::string>{"SPECTRUM_AcquireTrace"}));
}

TEST_F(CSpectrumAnalyzerTekRSATest, StatusesShowTheirBoxes) {
    FakeRsaApi::Script().Script("CONFIG_SetRFPreampEnable", {101, 17});
    EXPECT_FALSE(m_driver.SetPreAmp(false));
    EXPECT_FALSE(m_driver.SetPreAmp(false));
    EXPECT_EQ(m_prompt->Texts(), (std::vector<std::string>{CSpectrumAnalyzerTekRSA::kConnectionLostText,
                                                           CSpectrumAnalyzerTekRSA::kUnknownErrorText}));
    EXPECT_EQ(std::string(CSpectrumAnalyzerTekRSA::kConnectionLostText),
              "Connection to the Tektronix has been lost!");
    EXPECT_EQ(std::string(CSpectrumAnalyzerTekRSA::kUnknownErrorText),
              "The Tektronix driver encountered an unknown error.");
}

TEST_F(CSpectrumAnalyzerTekRSATest, AFailedPushCallFailsTheSweepAndIsRepeated) {
    FakeRsaApi::Script().Script("CONFIG_SetCenterFreq", {101});
    EXPECT_FALSE(m_driver.SweepAndWait());
    EXPECT_TRUE(CallsNamed("SPECTRUM_AcquireTrace").empty());
    // The rest of the push still ran, in its order, as the device expects.
    EXPECT_EQ(CallsNamed("DEVICE_Run").size(), 1U);
    EXPECT_EQ(m_prompt->Texts(), (std::vector<std::string>{CSpectrumAnalyzerTekRSA::kConnectionLostText}));
    EXPECT_TRUE(m_driver.IsConfigurationChanged());
    EXPECT_EQ(m_driver.QueryScan(), nullptr);

    FakeRsaApi::Script().ClearCalls();
    EXPECT_TRUE(m_driver.SweepAndWait());
    EXPECT_EQ(CallsNamed("CONFIG_SetCenterFreq").size(), 1U);
    EXPECT_EQ(CallsNamed("SPECTRUM_AcquireTrace").size(), 1U);
}

TEST_F(CSpectrumAnalyzerTekRSATest, ATraceNotReadyOrOfAnotherLengthIsNoTrace) {
    EXPECT_EQ(m_driver.QueryScan(), nullptr); // no sweep yet
    ASSERT_TRUE(m_driver.SweepAndWait());
    ASSERT_NE(m_driver.QueryScan(), nullptr);

    FakeRsaApi::SetTraceReady(false);
    m_driver.SetQueryValid(true);
    EXPECT_EQ(m_driver.QueryScan(), nullptr);
    EXPECT_FALSE(m_driver.IsQueryValid());
    EXPECT_TRUE(m_log.Has("The Tektronix trace was not ready within 5000 ms."));
    ASSERT_TRUE(m_driver.MarkPeak());
    EXPECT_FLOAT_EQ(m_driver.ReadPeakAmplitude(), -10000.0F);

    FakeRsaApi::SetTraceReady(true);
    for (const int32_t reported : {3, 5}) {
        SCOPED_TRACE(reported);
        FakeRsaApi::SetTrace({-1.0F, -2.0F, -3.0F}, reported);
        m_driver.SetQueryValid(true);
        EXPECT_EQ(m_driver.QueryScan(), nullptr);
        EXPECT_FALSE(m_driver.IsQueryValid());
    }
    EXPECT_TRUE(m_log.Has("The Tektronix device gave a trace of 3 points where 4 were asked."));

    // A failed read status: its box, no trace.
    FakeRsaApi::Script().Script("SPECTRUM_GetTrace", {101});
    EXPECT_EQ(m_driver.QueryScan(), nullptr);
    EXPECT_EQ(m_prompt->Texts(), (std::vector<std::string>{CSpectrumAnalyzerTekRSA::kConnectionLostText}));
}

TEST_F(CSpectrumAnalyzerTekRSATest, TraceLengthsOutsideTheEnginesBufferGiveNoTrace) {
    for (const int32_t length : {-1, 0, CSpectrumAnalyzer::kMaxTracePoints + 1}) {
        SCOPED_TRACE(length);
        FakeRsaApi::SetTraceShape(length, 0.0, 1.0);
        m_driver.SetCenterFrequency(200.0F);
        ASSERT_TRUE(m_driver.SweepAndWait());
        FakeRsaApi::Script().ClearCalls();
        EXPECT_EQ(m_driver.QueryScan(), nullptr);
        EXPECT_TRUE(CallsNamed("SPECTRUM_GetTrace").empty());
    }
}

TEST(CSpectrumAnalyzerTekRSAUnbound, WithoutADeviceNoCallIsMade) {
    FakeRsaApi::Reset();
    CSpectrumAnalyzerTekRSA driver;
    EXPECT_TRUE(driver.FindVisaConnection(nullptr, 107));
    EXPECT_FALSE(driver.OpenConnection("TCPIP0::1.2.3.4::5025::SOCKET"));
    EXPECT_FALSE(driver.SetupSpectrumAnalyzer());
    EXPECT_FALSE(driver.SweepAndWait());
    EXPECT_EQ(driver.QueryScan(), nullptr);
    EXPECT_TRUE(driver.SetSpan(3.0F));
    EXPECT_FLOAT_EQ(driver.ReadSpan(), 3.0F);
    // The inherited VISA operations find no entry points and fail without a call.
    EXPECT_FALSE(driver.QueryGatedSweep());
    EXPECT_TRUE(FakeRsaApi::Script().Calls().empty());
}

} // namespace
} // namespace orv::test
