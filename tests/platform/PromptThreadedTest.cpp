#include "platform/debug/DebugOutput.h"
#include "platform/ui/ScriptedPrompt.h"

#include <gtest/gtest.h>
#include <thread>

namespace orv {
namespace {

TEST(Prompt, ScriptedPromptRecordsRequestsAndAnswersInOrder) {
    auto prompt = std::make_shared<ScriptedPrompt>(PromptAnswer::Cancel);
    ScopedPromptInstall install(prompt);
    prompt->Script(PromptAnswer::Yes);
    prompt->Script(PromptAnswer::Retry);
    EXPECT_EQ(ShowPrompt("first?", "One", PromptButtons::YesNo, PromptIcon::Question), PromptAnswer::Yes);
    EXPECT_EQ(ShowPrompt("second", "Two", PromptButtons::RetryCancel, PromptIcon::Error),
              PromptAnswer::Retry);
    EXPECT_EQ(ShowPrompt("third", "Three", PromptButtons::OkCancel, PromptIcon::None), PromptAnswer::Cancel);
    EXPECT_EQ(prompt->Texts(), (std::vector<std::string>{"first?", "second", "third"}));
    const std::vector<PromptRequest> requests = prompt->Requests();
    EXPECT_EQ(requests[1].caption, "Two");
    EXPECT_EQ(requests[1].buttons, PromptButtons::RetryCancel);
    EXPECT_EQ(requests[1].icon, PromptIcon::Error);
}

TEST(Prompt, WithoutAnInstalledPromptTheTextGoesToTheDebugOutputAndTheBoxCountsAsClosed) {
    ScopedPromptInstall none(nullptr);
    DebugOutputCapture capture;
    EXPECT_EQ(ShowPrompt("Delete?", "Delete", PromptButtons::OkCancel, PromptIcon::Information),
              PromptAnswer::Cancel);
    EXPECT_EQ(ShowPrompt("Sure?", "Ask", PromptButtons::YesNo, PromptIcon::Question), PromptAnswer::No);
    EXPECT_EQ(ShowPrompt("Note", "Note", PromptButtons::Ok, PromptIcon::None), PromptAnswer::Ok);
    EXPECT_EQ(capture.Texts(),
              (std::vector<std::string>{"Delete: Delete?\n", "Ask: Sure?\n", "Note: Note\n"}));
}

TEST(Prompt, AStopEndsTheWaitWithTheCallersAnswer) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall install(prompt);
    prompt->ScriptHold();
    std::stop_source stop;
    PromptAnswer answer = PromptAnswer::Ok;
    std::thread worker([&] {
        answer = ShowPrompt(PromptRequest{"Waiting", "Worker", PromptButtons::YesNo, PromptIcon::Question},
                            stop.get_token(), PromptAnswer::Abort);
    });
    stop.request_stop();
    worker.join();
    EXPECT_EQ(answer, PromptAnswer::Abort);
    EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"Waiting"});
}

TEST(PendingAnswer, TheFirstAnswerFromAnotherThreadIsTheOneWaitedFor) {
    PendingAnswer pending;
    std::thread shower([&] {
        pending.Give(PromptAnswer::Ignore);
        pending.Give(PromptAnswer::Retry);
    });
    std::stop_source never;
    EXPECT_EQ(pending.Wait(never.get_token(), PromptAnswer::Cancel), PromptAnswer::Ignore);
    shower.join();
    EXPECT_EQ(pending.Peek(), PromptAnswer::Ignore);
}

TEST(DebugOutput, CaptureCollectsTextsFromEveryThreadAndRestoresThePreviousSink) {
    std::vector<std::string> outer;
    SetDebugOutputSink([&outer](std::string_view text) { outer.emplace_back(text); });
    {
        DebugOutputCapture capture;
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i) {
            threads.emplace_back([] {
                for (int j = 0; j < 100; ++j) {
                    OutputDebugString("line\n");
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        EXPECT_EQ(capture.Texts().size(), 400U);
    }
    OutputDebugString("after\n");
    SetDebugOutputSink(nullptr);
    EXPECT_EQ(outer, std::vector<std::string>{"after\n"});
}

} // namespace
} // namespace orv
