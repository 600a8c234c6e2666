#include "analyzers/CSpectrumAnalyzer.h"

#include "platform/ui/ScriptedPrompt.h"
#include "tests/analyzers/support/AnalyzerTestFixtures.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace orv {
namespace {

// The scan thread asks whether to keep waiting; nobody answers, and the scan's stop ends the wait.
TEST(SpectrumAnalyzerThreaded, UnansweredKeepWaitingIsCancelledByTheStop) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    prompt->ScriptHold();
    const ScopedPromptInstall install(prompt);
    test::FakeAnalyzerScanSetup setup;
    CSpectrumAnalyzer driver;
    driver.SetScanSetup(&setup);
    bool keepWaiting = true;
    std::thread scan([&] { keepWaiting = driver.ConfirmKeepWaiting(); });
    setup.m_stop.request_stop();
    scan.join();
    EXPECT_FALSE(keepWaiting);
    ASSERT_EQ(prompt->Requests().size(), 1u);
    const PromptRequest request = prompt->Requests()[0];
    EXPECT_EQ(request.text, "The Spectrum Analyzer is still scanning, click OK to keep waiting of CANCEL to "
                            "terminate the scan");
    EXPECT_EQ(request.caption, "Timeout");
    EXPECT_EQ(request.buttons, PromptButtons::OkCancel);
    EXPECT_EQ(request.icon, PromptIcon::Information);
    // Answered OK by the user, the scan keeps waiting.
    test::FakeAnalyzerScanSetup running;
    driver.SetScanSetup(&running);
    prompt->Script(PromptAnswer::Ok);
    EXPECT_TRUE(driver.ConfirmKeepWaiting());
}

} // namespace
} // namespace orv
