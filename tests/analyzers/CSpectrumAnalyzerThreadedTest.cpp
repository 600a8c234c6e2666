#include "analyzers/CSpectrumAnalyzer.h"

#include "platform/ui/ScriptedPrompt.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <utility>

namespace orv {
namespace {

// The question is asked once and read round after round; nobody answers, and the scan's stop gives up
// the wait and withdraws the box.
TEST(SpectrumAnalyzerThreaded, UnansweredKeepWaitingGoesOnUntilTheStop) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    prompt->ScriptHold();
    const ScopedPromptInstall install(prompt);
    test::FakeAnalyzerScanSetup setup;
    CSpectrumAnalyzer driver;
    driver.SetScanSetup(&setup);
    std::unique_ptr<OpenQuestion> question;
    using KeepWaiting = CSpectrumAnalyzer::KeepWaiting;
    EXPECT_EQ(driver.ConfirmKeepWaiting(question), KeepWaiting::Asking);
    EXPECT_EQ(driver.ConfirmKeepWaiting(question), KeepWaiting::Asking);
    setup.m_stop.request_stop();
    EXPECT_EQ(driver.ConfirmKeepWaiting(question), KeepWaiting::GiveUp);
    EXPECT_EQ(question, nullptr);
    ASSERT_EQ(prompt->Requests().size(), 1u);
    const PromptRequest request = prompt->Requests()[0];
    EXPECT_EQ(request.text, "The Spectrum Analyzer is still scanning, click OK to keep waiting of CANCEL to "
                            "terminate the scan");
    EXPECT_EQ(request.caption, "Timeout");
    EXPECT_EQ(request.buttons, PromptButtons::OkCancel);
    EXPECT_EQ(request.icon, PromptIcon::Information);
}

// OK starts a new bound (and a later question), Cancel gives up.
TEST(SpectrumAnalyzerThreaded, AnAnswerDecidesTheWait) {
    using KeepWaiting = CSpectrumAnalyzer::KeepWaiting;
    for (const auto& [answer, verdict] : {std::pair{PromptAnswer::Ok, KeepWaiting::Restart},
                                          std::pair{PromptAnswer::Cancel, KeepWaiting::GiveUp}}) {
        auto prompt = std::make_shared<ScriptedPrompt>();
        prompt->Script(answer);
        const ScopedPromptInstall install(prompt);
        test::FakeAnalyzerScanSetup setup;
        CSpectrumAnalyzer driver;
        driver.SetScanSetup(&setup);
        std::unique_ptr<OpenQuestion> question;
        EXPECT_EQ(driver.ConfirmKeepWaiting(question), KeepWaiting::Asking);
        KeepWaiting seen = KeepWaiting::Asking;
        // The answer comes from the question's own thread.
        while (seen == KeepWaiting::Asking) {
            std::this_thread::yield();
            seen = driver.ConfirmKeepWaiting(question);
        }
        EXPECT_EQ(seen, verdict);
        EXPECT_EQ(question, nullptr);
    }
}

} // namespace
} // namespace orv
