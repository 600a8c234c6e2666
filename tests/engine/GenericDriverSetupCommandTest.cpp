// The set-up command through the command pipe with the generic driver on the simulated analyser:
// what the analyser took comes back in the reply.

#include "analyzers/drivers/generic/CSpectrumAnalyzerGeneric.h"
#include "analyzers/drivers/generic/GenericAnalyzerFlags.h"
#include "platform/fs/AppPaths.h"
#include "tests/engine/support/SimulatedAnalyzerEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace orv::test {
namespace {

class GenericDriverSetupCommandTest : public ::testing::Test, protected SimulatedAnalyzerEngine {
protected:
    GenericDriverSetupCommandTest() : SimulatedAnalyzerEngine("orv-generic-setup") {
        GenericAnalyzerFlags::Instance().Reset();
        // No ini file beside the executable: the driver goes with its fixed commands.
        SetExecutableFolderOverride(m_folder.Path());
        // An identity the catch-all row does not name: the driver binds only under the apply flag.
        Start("Rohde&Schwarz,FSV-7,101234/007,2.30", "generic", true);
    }
    ~GenericDriverSetupCommandTest() override {
        m_rig.engine.reset();
        SetExecutableFolderOverride("");
        GenericAnalyzerFlags::Instance().Reset();
    }
};

TEST_F(GenericDriverSetupCommandTest, TheSetUpReplyCarriesWhatTheSimulatedAnalyserTook) {
    ASSERT_TRUE(m_rig.setup.ConnectAnalyzer());

    // Without the apply flag the generic driver is refused, and none is left.
    std::vector<ReplyFrame> replies = Exchange(DriverCommand(1));
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 0), static_cast<uint32_t>(-1));
    EXPECT_EQ(m_rig.setup.GetAnalyzer(), nullptr);

    m_applying = true;
    replies = Exchange(DriverCommand(1));
    ASSERT_EQ(replies.size(), 1U);
    EXPECT_EQ(ValueAt<uint32_t>(replies[0].body, 0), 1U);
    ASSERT_NE(dynamic_cast<CSpectrumAnalyzerGeneric*>(m_rig.setup.GetAnalyzer()), nullptr);

    const Bytes body = AnalyzerSetupBody(0.03F, 150.0F, 10.0F);
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
    EXPECT_FLOAT_EQ(ValueAt<float>(reply, tail + kRbw), 0.03F);
    EXPECT_EQ(ValueAt<uint32_t>(reply, tail + kBuckets), 334U);   // ceil(10 / 0.03 + 0.1)
    EXPECT_EQ(ValueAt<uint32_t>(reply, tail + kSweepTime), 100U); // the simulator's 0.1 s
    const std::vector<std::string> commands = m_sim.Commands("A");
    EXPECT_NE(std::find(commands.begin(), commands.end(), ":Sweep:Points 334 ;"), commands.end());
}

} // namespace
} // namespace orv::test
