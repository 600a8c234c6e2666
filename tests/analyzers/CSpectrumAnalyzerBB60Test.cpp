// The Signal Hound BB60 driver over the fake bb_api library: what it records, the push in its order
// with its arguments, the fetch, the trace and the peak.

#include "analyzers/drivers/signalhound/CSpectrumAnalyzerBB60.h"
#include "analyzers/CBB60Connection.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"
#include "tests/sim/devicelib/FakeBbApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {
namespace {

using sim::FakeBbApi;

constexpr int32_t kSerial = 4321;
constexpr double kHandle = 100 + kSerial % 100;

std::vector<sim::FakeCall> CallsNamed(const std::string& name) {
    std::vector<sim::FakeCall> calls = FakeBbApi::Script().Calls();
    calls.erase(std::remove_if(calls.begin(), calls.end(),
                               [&name](const sim::FakeCall& call) { return call.name != name; }),
                calls.end());
    return calls;
}

class CSpectrumAnalyzerBB60Test : public ::testing::Test {
protected:
    CSpectrumAnalyzerBB60Test() {
        FakeBbApi::Reset();
        CBB60Connection::ResetRunWarnings();
        FakeBbApi::SetSerials({kSerial});
        FakeBbApi::SetTraceInfo(5, 1000.0, 1.0e6);
        FakeBbApi::SetTrace({-50.0F, -40.0F, -20.0F, -20.0F, -60.0F});
        m_connection = std::make_unique<CBB60Connection>();
        EXPECT_TRUE(m_connection->DetectAndConnect());
        EXPECT_TRUE(m_driver.FindVisaConnection(m_connection.get(), 106));
        m_driver.SetScanSetup(&m_setup);
        FakeBbApi::Script().ClearCalls();
    }

    AnalyzerEnvironmentValue m_names{"ORV_BB_API_LIBRARIES", ORV_FAKE_BB_API_PATH};
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_promptInstall{m_prompt};
    AnalyzerLogLines m_log;
    FakeAnalyzerScanSetup m_setup;
    std::unique_ptr<CBB60Connection> m_connection;
    CSpectrumAnalyzerBB60 m_driver;
};

TEST_F(CSpectrumAnalyzerBB60Test, SettersOnlyRecordUntilTheSweepPushesInOrder) {
    EXPECT_FLOAT_EQ(m_driver.ReadCenterFrequency(), 3000.0044F);
    EXPECT_FLOAT_EQ(m_driver.ReadSpan(), 100.0F);
    EXPECT_EQ(m_driver.QueryIdentity(), "SignalHound,BB60C,4321,0");
    EXPECT_EQ(m_driver.GetSweepMode(), "Probes");
    EXPECT_EQ(m_driver.ReadSweepPoints(), 5);
    FakeBbApi::Script().ClearCalls();

    ASSERT_TRUE(m_driver.SetupSpectrumAnalyzer());
    ASSERT_TRUE(m_driver.SetCenterFrequency(150.0F));
    ASSERT_TRUE(m_driver.SetSpan(10.0F));
    ASSERT_TRUE(m_driver.SetResolution(0.1F));
    ASSERT_TRUE(m_driver.SetReferenceLevel(0.0F));
    ASSERT_TRUE(m_driver.SetAttenuation(10.0F));
    ASSERT_TRUE(m_driver.SetPreAmp(true));
    ASSERT_TRUE(m_driver.SetUnit("DBM"));
    EXPECT_TRUE(FakeBbApi::Script().Calls().empty());
    EXPECT_FLOAT_EQ(m_driver.ReadCenterFrequency(), 150.0F);
    EXPECT_FLOAT_EQ(m_driver.ReadResolution(), 0.1F);

    ASSERT_TRUE(m_driver.SweepAndWait());
    const std::vector<sim::FakeCall> calls = FakeBbApi::Script().Calls();
    std::vector<std::string> names;
    for (const sim::FakeCall& call : calls) {
        names.push_back(call.name);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"bbConfigureAcquisition", "bbConfigureCenterSpan", "bbConfigureLevel",
                                        "bbConfigureGain", "bbConfigureSweepCoupling", "bbConfigureProcUnits",
                                        "bbInitiate", "bbQueryTraceInfo", "bbFetchTrace_32f"}));
    EXPECT_EQ(calls[0].arguments, (std::vector<double>{kHandle, 0, 0}));
    EXPECT_EQ(calls[1].arguments, (std::vector<double>{kHandle, 150e6, 10e6}));
    // 0 dBuV goes out as -107 dBm.
    EXPECT_EQ(calls[2].arguments, (std::vector<double>{kHandle, -107.0, 10.0}));
    EXPECT_EQ(calls[3].arguments, (std::vector<double>{kHandle, -1}));
    EXPECT_EQ(calls[4].arguments[0], kHandle);
    EXPECT_DOUBLE_EQ(calls[4].arguments[1], static_cast<double>(0.1F) * 1e6);
    EXPECT_DOUBLE_EQ(calls[4].arguments[2], static_cast<double>(0.1F) * 1e6);
    EXPECT_EQ(std::vector<double>(calls[4].arguments.begin() + 3, calls[4].arguments.end()),
              (std::vector<double>{0.001, 1, 0}));
    EXPECT_EQ(calls[5].arguments, (std::vector<double>{kHandle, 0}));
    EXPECT_EQ(calls[6].arguments, (std::vector<double>{kHandle, 0, 0}));
    // The fetch has no minimum trace and gets the point count the device reported.
    EXPECT_EQ(calls[8].arguments, (std::vector<double>{kHandle, 5, 0}));

    // Unchanged: the next sweep only fetches.
    FakeBbApi::Script().ClearCalls();
    ASSERT_TRUE(m_driver.SweepAndWait());
    EXPECT_EQ(FakeBbApi::Script().Names(), (std::vector<std::string>{"bbFetchTrace_32f"}));
}

TEST_F(CSpectrumAnalyzerBB60Test, SpanAndRbwGoOutAsTheDeviceNeedsThem) {
    struct Case {
        float span;
        float rbw;
        double spanHz;
        double rbwHz;
    };
    const std::vector<Case> cases{
        // Span 0: the RBW, raised to 20 Hz; the RBW sent is the smaller of that span and the RBW.
        {0.0F, 0.00001F, 20.0, static_cast<double>(0.00001F) * 1e6},
        {0.0F, 0.1F, static_cast<double>(0.1F) * 1e6, static_cast<double>(0.1F) * 1e6},    // span 0: the RBW
        {0.05F, 0.1F, static_cast<double>(0.05F) * 1e6, static_cast<double>(0.05F) * 1e6}, // RBW above span
        {0.0000001F, 1.0F, 20.0, 20.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.span);
        m_driver.SetSpan(c.span);
        m_driver.SetResolution(c.rbw);
        FakeBbApi::Script().ClearCalls();
        ASSERT_TRUE(m_driver.SweepAndWait());
        const std::vector<sim::FakeCall> centreSpan = CallsNamed("bbConfigureCenterSpan");
        const std::vector<sim::FakeCall> coupling = CallsNamed("bbConfigureSweepCoupling");
        ASSERT_EQ(centreSpan.size(), 1U);
        ASSERT_EQ(coupling.size(), 1U);
        EXPECT_DOUBLE_EQ(centreSpan[0].arguments[2], c.spanHz);
        EXPECT_DOUBLE_EQ(coupling[0].arguments[1], c.rbwHz);
        EXPECT_DOUBLE_EQ(coupling[0].arguments[2], c.rbwHz);
    }
}

TEST_F(CSpectrumAnalyzerBB60Test, TheTraceComesBackInDbuvAndItsPeakIsFound) {
    EXPECT_EQ(m_driver.QueryScan(), nullptr); // no sweep yet
    EXPECT_FALSE(m_driver.IsQueryValid());
    ASSERT_TRUE(m_driver.MarkPeak());
    EXPECT_FLOAT_EQ(m_driver.ReadMarkerFrequency(1), 0.0F);
    EXPECT_FLOAT_EQ(m_driver.ReadPeakAmplitude(), -10000.0F);

    ASSERT_TRUE(m_driver.SweepAndWait());
    ASSERT_EQ(m_driver.ReadSweepPoints(), 5);
    const float* trace = m_driver.QueryScan();
    ASSERT_NE(trace, nullptr);
    EXPECT_EQ(std::vector<float>(trace, trace + 5), (std::vector<float>{57.0F, 67.0F, 87.0F, 87.0F, 47.0F}));
    ASSERT_TRUE(m_driver.MarkPeak());
    // Ties keep the earlier point: index 2 of start 1 MHz, 1 kHz apart.
    EXPECT_FLOAT_EQ(m_driver.ReadMarkerFrequency(1), 1.002F);
    EXPECT_FLOAT_EQ(m_driver.ReadPeakAmplitude(), 87.0F);
}

TEST_F(CSpectrumAnalyzerBB60Test, APendingFetchIsTriedTenTimesThenReported) {
    FakeBbApi::Script().Script("bbFetchTrace_32f", std::vector<int32_t>(12, 8));
    FakeBbApi::SetErrorText(8, "Sweep not finished");
    EXPECT_FALSE(m_driver.SweepAndWait());
    EXPECT_EQ(CallsNamed("bbFetchTrace_32f").size(), 10U);
    EXPECT_EQ(m_prompt->Texts(),
              (std::vector<std::string>{"There was an error in the BB60A/C driver: Sweep not finished"}));
    EXPECT_TRUE(m_log.Has("There was an error in the BB60A/C driver: Sweep not finished"));
    EXPECT_EQ(m_driver.QueryScan(), nullptr);

    // Not finished twice (either way), then done.
    FakeBbApi::Script().ClearCalls();
    FakeBbApi::Script().Script("bbFetchTrace_32f", {8, 2, 0});
    EXPECT_TRUE(m_driver.SweepAndWait());
    EXPECT_EQ(CallsNamed("bbFetchTrace_32f").size(), 3U);
}

TEST_F(CSpectrumAnalyzerBB60Test, AFailedPushIsRepeatedOnTheNextSweep) {
    FakeBbApi::Script().Script("bbConfigureLevel", {-3});
    FakeBbApi::SetErrorText(-3, nullptr); // no text from the library reads as empty
    EXPECT_FALSE(m_driver.SweepAndWait());
    EXPECT_EQ(m_prompt->Texts(), (std::vector<std::string>{"There was an error in the BB60A/C driver: "}));
    EXPECT_TRUE(m_driver.IsConfigurationChanged());
    EXPECT_TRUE(CallsNamed("bbFetchTrace_32f").empty());

    FakeBbApi::Script().ClearCalls();
    EXPECT_TRUE(m_driver.SweepAndWait());
    EXPECT_EQ(CallsNamed("bbConfigureAcquisition").size(), 1U);
    EXPECT_EQ(CallsNamed("bbFetchTrace_32f").size(), 1U);
    EXPECT_NE(m_driver.QueryScan(), nullptr);
}

TEST_F(CSpectrumAnalyzerBB60Test, TraceLengthsOutsideTheEnginesBufferGiveNoTrace) {
    ASSERT_TRUE(m_driver.SweepAndWait());
    for (const int32_t length : {-1, 0, CSpectrumAnalyzer::kMaxTracePoints + 1}) {
        SCOPED_TRACE(length);
        FakeBbApi::SetTraceInfo(length, 1000.0, 1.0e6);
        FakeBbApi::Script().ClearCalls();
        m_driver.SetCenterFrequency(200.0F);
        EXPECT_FALSE(m_driver.SweepAndWait());
        EXPECT_TRUE(CallsNamed("bbFetchTrace_32f").empty());
        EXPECT_EQ(m_driver.QueryScan(), nullptr);
        ASSERT_TRUE(m_driver.MarkPeak());
        EXPECT_FLOAT_EQ(m_driver.ReadPeakAmplitude(), -10000.0F);
    }
    // The largest trace the engine holds is fetched whole.
    FakeBbApi::SetTraceInfo(CSpectrumAnalyzer::kMaxTracePoints, 1.0, 0.0);
    FakeBbApi::SetTrace(std::vector<float>(CSpectrumAnalyzer::kMaxTracePoints, -7.0F));
    ASSERT_TRUE(m_driver.SweepAndWait());
    const float* trace = m_driver.QueryScan();
    ASSERT_NE(trace, nullptr);
    EXPECT_FLOAT_EQ(trace[CSpectrumAnalyzer::kMaxTracePoints - 1], 100.0F);
}

TEST(CSpectrumAnalyzerBB60Unbound, WithoutADeviceNothingIsCalledAndTheSweepFails) {
    FakeBbApi::Reset();
    CSpectrumAnalyzerBB60 driver;
    EXPECT_TRUE(driver.FindVisaConnection(nullptr, 106));
    EXPECT_FALSE(driver.OpenConnection("USB"));
    EXPECT_FALSE(driver.SweepAndWait());
    EXPECT_EQ(driver.ReadSweepPoints(), -1);
    EXPECT_EQ(driver.QueryScan(), nullptr);
    EXPECT_EQ(driver.QueryIdentity(), "");
    EXPECT_TRUE(FakeBbApi::Script().Calls().empty());
}

} // namespace
} // namespace orv::test
