// The generic driver's wrong-mode warning during the set-up command, on the simulated analyser: the
// box comes once the set-up has released the engine's device lock, and the set-up fails as before.

#include "analyzers/drivers/generic/CSpectrumAnalyzerGeneric.h"
#include "analyzers/drivers/generic/GenericAnalyzerFlags.h"
#include "engine/CDeviceManager.h"
#include "platform/fs/AppPaths.h"
#include "tests/engine/support/LockProbingPrompt.h"
#include "tests/engine/support/SimulatedAnalyzerEngine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace orv::test {
namespace {

class GenericDriverSetupNoticeTest : public ::testing::Test, protected SimulatedAnalyzerEngine {
protected:
    GenericDriverSetupNoticeTest() : SimulatedAnalyzerEngine("orv-generic-notice") {
        GenericAnalyzerFlags::Instance().Reset();
        SetExecutableFolderOverride(m_folder.Path());
        Start("Rohde&Schwarz,FSV-7,101234/007,2.30", "generic", true);
    }
    ~GenericDriverSetupNoticeTest() override {
        m_rig.engine.reset();
        SetExecutableFolderOverride("");
        GenericAnalyzerFlags::Instance().Reset();
    }
};

TEST_F(GenericDriverSetupNoticeTest, TheWrongModeWarningComesAfterTheDeviceLockAndTheSetUpStillFails) {
    ASSERT_TRUE(m_rig.setup.ConnectAnalyzer());
    m_applying = true;
    ASSERT_EQ(Exchange(DriverCommand(1)).size(), 1U);
    ASSERT_NE(dynamic_cast<CSpectrumAnalyzerGeneric*>(m_rig.setup.GetAnalyzer()), nullptr);
    const auto prompt = std::make_shared<LockProbingPrompt>(*m_rig.setup.GetDeviceManager());
    const ScopedPromptInstall install(prompt);

    m_sim.SetMode("A", "SAN");
    const Bytes body = AnalyzerSetupBody(0.03F, 150.0F, 10.0F);
    std::vector<ReplyFrame> replies = Exchange(Frame(1, body));
    // Only the first step was reported, and the reply carries the driver's own failure code.
    ASSERT_EQ(replies.size(), 2U);
    EXPECT_EQ(replies[0].id, 4004);
    EXPECT_EQ(ValueAt<uint16_t>(replies[0].body, 0), 0);
    ASSERT_EQ(replies[1].id, 1);
    EXPECT_EQ(ValueAt<uint32_t>(replies[1].body, SetupTail(2, 3) + kFailureCode), 801U);
    EXPECT_TRUE(m_log.Has("Can not send setup spectrum analyzer command to spectrum analyzer."));
    auto asked = prompt->AskedSoFar();
    ASSERT_EQ(asked.size(), 1U);
    EXPECT_EQ(asked[0].text, CSpectrumAnalyzerGeneric::kModeWarning);
    EXPECT_EQ(asked[0].caption, "Warning");
    EXPECT_TRUE(asked[0].devicesFree) << "the warning was shown under the device lock";

    // Back in its spectrum mode the analyser sets up with no box.
    m_sim.SetMode("A", "SA");
    replies = Exchange(Frame(1, body));
    ASSERT_EQ(replies.size(), 21U);
    EXPECT_EQ(ValueAt<uint32_t>(replies.back().body, SetupTail(2, 3) + kFailureCode), 0U);
    EXPECT_EQ(prompt->AskedSoFar().size(), 1U);
}

} // namespace
} // namespace orv::test
