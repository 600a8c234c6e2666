// The driver and set-up commands through the command pipe with the FSL driver on a simulated FSL: the
// analyser took what the reply carries, and the spatial preparation gates the sweep with the gate
// length of the RBW read back. The FSH, a model of the same family, runs the set-up with its own forms.

#include "analyzers/drivers/rs/CSpectrumAnalyzerFSH.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"
#include "tests/engine/support/SimulatedAnalyzerEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace orv::test {
namespace {

class FslDriverSetupCommandTest : public ::testing::Test, protected SimulatedAnalyzerEngine {
protected:
    FslDriverSetupCommandTest() : SimulatedAnalyzerEngine("orv-fsl-setup") {
        Start("Rohde&Schwarz,FSL-6,100123/006,1.60", "rs", true);
    }
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

    const Bytes body = AnalyzerSetupBody(0.001F, 150.0F, 10.0F);
    const std::size_t tail = SetupTail(2, 3);
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

    const Bytes body = AnalyzerSetupBody(0.001F, 150.0F, 10.0F);
    const std::size_t tail = SetupTail(2, 3);
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
