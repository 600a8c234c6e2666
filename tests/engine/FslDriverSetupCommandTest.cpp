// The driver and set-up commands through the command pipe with the FSL driver on a simulated FSL: the
// analyser took what the reply carries, and the spatial preparation gates the sweep with the gate
// length of the RBW read back. The FSH, a model of the same family, runs the set-up with its own forms.

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSH.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"
#include "platform/clock/FakeClock.h"
#include "tests/engine/support/EngineCommandRig.h"
#include "tests/engine/support/EngineTestScopes.h"
#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

namespace orv::test {
namespace {

// Field offsets after the grids, shared by the set-up command and its reply.
constexpr std::size_t kRbw = 5;
constexpr std::size_t kCentre = 9;
constexpr std::size_t kSpan = 17;
constexpr std::size_t kBuckets = 37;
constexpr std::size_t kSweepTime = 41;
constexpr std::size_t kFailureCode = 60;

class FslDriverSetupCommandTest : public ::testing::Test {
protected:
    FslDriverSetupCommandTest() : m_clockInstall(m_clock) {
        GetInstrumentInfo().BuildSupportedAnalyzerTable();
        SetNoAnalyzerSwitch(false);
        m_sim.AddResource("A");
        m_sim.SetIdentity("A", "Rohde&Schwarz,FSL-6,100123/006,1.60");
        m_sim.SetCommandSet("A", "rs");
        m_resources.emplace("ORV_VISA_RESOURCES", m_sim.ResourceName("A") + ";");
        m_rig.CreateManager();
        m_rig.manager->SetDriverChangeApplySource([this] { return m_applying; });
        m_rig.StartEngine();
    }

    std::vector<ReplyFrame> Exchange(const Bytes& bytes) { return m_rig.Exchange(bytes); }

    TemporaryUserDataFolder m_folder{"orv-fsl-setup"};
    FakeClock m_clock;
    ScopedClockInstall m_clockInstall;
    EnvironmentValue m_libraries{"ORV_VISA_LIBRARIES", std::string()};
    std::optional<EnvironmentValue> m_resources;
    ScpiSimulatorProcess m_sim;
    LogCapture m_log;
    bool m_applying = false;
    EngineCommandRig m_rig;
};

TEST_F(FslDriverSetupCommandTest, CodeFortyTwoBindsOnlyUnderTheApplyFlag) {
    ASSERT_TRUE(m_rig.setup.ConnectAnalyzer());
    std::vector<ReplyFrame> replies = Exchange(DriverCommand(42));
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 0), static_cast<uint32_t>(-1));
    m_applying = true;
    replies = Exchange(DriverCommand(42));
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 0), 42U);
    EXPECT_NE(dynamic_cast<CSpectrumAnalyzerFSL*>(m_rig.setup.GetAnalyzer()), nullptr);
}

TEST_F(FslDriverSetupCommandTest, SetUpAndSpatialPreparationOnTheSimulatedFsl) {
    ASSERT_TRUE(m_rig.setup.ConnectAnalyzer());
    std::vector<ReplyFrame> replies = Exchange(DriverCommand(23));
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 0), 23U);
    ASSERT_NE(dynamic_cast<CSpectrumAnalyzerFSL*>(m_rig.setup.GetAnalyzer()), nullptr);

    Bytes body = SetupBody({.scanType = 99});
    const std::size_t tail = SetupTail(2, 3);
    const auto put = [&body, tail](std::size_t offset, float value) {
        std::memcpy(body.data() + tail + offset, &value, sizeof value);
    };
    put(kRbw, 0.001F);
    put(kCentre, 150.0F);
    put(kSpan, 10.0F);
    replies = Exchange(Frame(1, body));
    ASSERT_EQ(replies.size(), 21U);
    std::vector<uint16_t> steps;
    for (std::size_t i = 0; i + 1 < replies.size(); ++i) {
        EXPECT_EQ(replies[i].id, 4004);
        steps.push_back(ValueAt<uint16_t>(replies[i].body, 0));
    }
    EXPECT_EQ(steps,
              (std::vector<uint16_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 9, 12, 11, 13, 14, 15, 16, 17, 18, 19}));
    const Bytes& reply = replies.back().body;
    ASSERT_EQ(replies.back().id, 1);
    EXPECT_EQ(ValueAt<uint32_t>(reply, tail + kFailureCode), 0U);
    EXPECT_FLOAT_EQ(ValueAt<float>(reply, tail + kCentre), 150.0F);
    EXPECT_FLOAT_EQ(ValueAt<float>(reply, tail + kSpan), 10.0F);
    EXPECT_FLOAT_EQ(ValueAt<float>(reply, tail + kRbw), 0.001F);
    EXPECT_EQ(ValueAt<uint32_t>(reply, tail + kSweepTime), 100U); // the simulator's 0.1 s
    const std::vector<std::string> setup = m_sim.Commands("A");
    for (const char* sent : {"INST?", ":SENS:BAND:RES:TYPE?;", "*RST;", "INST SAN;", ":SYST:DISP:UPD ON;",
                             ":SENS:BAND:RES:TYPE NORM", ":Bandwidth 0.001000 MHZ;", ":UNIT:POWER DBUV ;"}) {
        EXPECT_NE(std::find(setup.begin(), setup.end(), sent), setup.end()) << sent;
    }

    // The spatial preparation: the gated sequence with the gate length of the RBW read back (80 us at
    // 1 kHz, two points per cell).
    m_sim.ClearCommands("A");
    ASSERT_TRUE(m_rig.setup.SetupSpatialScan());
    const std::vector<std::string> spatial = m_sim.Commands("A");
    const std::vector<std::string> gated{
        ":INP:GAIN:STAT ON;",   ":SWE:EGAT:SOUR EXT;", ":Sweep:Egate on;",      ":Sweep:Egate:Type EDGE;",
        ":SWE:EGAT:Hold 0 US;", ":Bandwidth?;",        ":SWE:EGAT:LENG 160 US;"};
    const auto start = std::search(spatial.begin(), spatial.end(), gated.begin(), gated.end());
    EXPECT_NE(start, spatial.end());
}

TEST_F(FslDriverSetupCommandTest, FshSetUpRunsWithItsFixedPointCount) {
    m_sim.SetIdentity("A", "Rohde&Schwarz,FSH8,101234/008,3.10");
    ASSERT_TRUE(m_rig.setup.ConnectAnalyzer());
    std::vector<ReplyFrame> replies = Exchange(DriverCommand(19));
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 0), 19U);
    ASSERT_NE(dynamic_cast<CSpectrumAnalyzerFSH*>(m_rig.setup.GetAnalyzer()), nullptr);

    Bytes body = SetupBody({.scanType = 99});
    const std::size_t tail = SetupTail(2, 3);
    const auto put = [&body, tail](std::size_t offset, float value) {
        std::memcpy(body.data() + tail + offset, &value, sizeof value);
    };
    put(kRbw, 0.001F);
    put(kCentre, 150.0F);
    put(kSpan, 10.0F);
    m_sim.ClearCommands("A");
    replies = Exchange(Frame(1, body));
    ASSERT_FALSE(replies.empty());
    std::vector<uint16_t> steps;
    for (std::size_t i = 0; i + 1 < replies.size(); ++i) {
        EXPECT_EQ(replies[i].id, 4004);
        steps.push_back(ValueAt<uint16_t>(replies[i].body, 0));
    }
    std::sort(steps.begin(), steps.end());
    std::vector<uint16_t> every(20);
    for (uint16_t i = 0; i < 20; ++i) {
        every[i] = i;
    }
    EXPECT_EQ(steps, every);
    const Bytes& reply = replies.back().body;
    ASSERT_EQ(replies.back().id, 1);
    EXPECT_EQ(ValueAt<uint32_t>(reply, tail + kFailureCode), 0U);
    EXPECT_EQ(ValueAt<uint32_t>(reply, tail + kBuckets), 631U);
    const std::vector<std::string> sent = m_sim.Commands("A");
    EXPECT_NE(std::find(sent.begin(), sent.end(), "INST SAN;*OPC?"), sent.end());
    EXPECT_NE(std::find(sent.begin(), sent.end(), "UNIT:POW DBUV "), sent.end());
    EXPECT_TRUE(std::none_of(sent.begin(), sent.end(), [](const std::string& line) {
        return line.find("Sweep:Points") != std::string::npos;
    }));
}

} // namespace
} // namespace orv::test
