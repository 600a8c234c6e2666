#include "platform/ui/PromptDeferral.h"

#include "platform/ui/ScriptedPrompt.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace orv {
namespace {

PromptRequest Notice(const char* text) {
    return {text, "Warning", PromptButtons::Ok, PromptIcon::Warning};
}

TEST(PromptDeferralTest, NoticesWaitForTheOutermostDeferralAndComeInOrder) {
    const auto prompt = std::make_shared<ScriptedPrompt>();
    const ScopedPromptInstall install(prompt);

    PostPrompt(Notice("at once"));
    EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"at once"});
    {
        const ScopedPromptDeferral outer;
        PostPrompt(Notice("first"));
        {
            const ScopedPromptDeferral inner;
            PostPrompt(Notice("second"));
        }
        EXPECT_EQ(prompt->Texts().size(), 1U) << "an inner deferral shows nothing";
        PostPrompt(Notice("third"));
        // The same notice again (a device failing the same way on every cell) is kept once.
        PostPrompt(Notice("first"));
    }
    EXPECT_EQ(prompt->Texts(), (std::vector<std::string>{"at once", "first", "second", "third"}));
    { const ScopedPromptDeferral again; }
    EXPECT_EQ(prompt->Texts().size(), 4U) << "a notice is shown once";
}

TEST(PromptDeferralTest, AKeptNoticeShowsWithItsStopToken) {
    const auto prompt = std::make_shared<ScriptedPrompt>();
    const ScopedPromptInstall install(prompt);
    std::stop_source stop;
    {
        const ScopedPromptDeferral deferral;
        prompt->ScriptHold();
        PostPrompt(Notice("withdrawn"), stop.get_token());
        stop.request_stop();
    }
    // The held box ended on the token instead of hanging the thread.
    EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"withdrawn"});
}

} // namespace
} // namespace orv
