#include "platform/ui/WaitCursor.h"
#include "tests/platform/support/RecordingWaitCursor.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

namespace orv {
namespace {

using Events = std::vector<std::string>;

TEST(WaitCursorThreadedTest, NestedBeginsShowOnceAndHideAfterTheLastEnd) {
    testing::RecordingWaitCursor cursor;
    BeginWaitCursor();
    BeginWaitCursor();
    EXPECT_EQ(cursor.Events(), Events{"show"});
    EndWaitCursor();
    EXPECT_TRUE(cursor.IsShown());
    EndWaitCursor();
    EXPECT_EQ(cursor.Events(), (Events{"show", "hide"}));
    // An end without a begin neither hides again nor lets the count wrap.
    EndWaitCursor();
    EXPECT_EQ(GetWaitCursorCount(), 0U);
    EXPECT_EQ(cursor.Events(), (Events{"show", "hide"}));
}

TEST(WaitCursorThreadedTest, GuardEndsItsCountWhenTheGuardedCodeThrows) {
    testing::RecordingWaitCursor cursor;
    try {
        const WaitCursorGuard outer;
        try {
            const WaitCursorGuard inner;
            throw std::runtime_error("load failed");
        } catch (const std::runtime_error&) {
        }
        EXPECT_TRUE(cursor.IsShown());
        EXPECT_EQ(GetWaitCursorCount(), 1U);
        throw std::runtime_error("again");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(GetWaitCursorCount(), 0U);
    EXPECT_EQ(cursor.Events(), (Events{"show", "hide"}));
}

TEST(WaitCursorThreadedTest, NothingInstalledStillCountsAndALateInstallShowsAtOnce) {
    const std::shared_ptr<WaitCursor> previous = InstallWaitCursor(nullptr);
    BeginWaitCursor();
    EXPECT_EQ(GetWaitCursorCount(), 1U);
    {
        testing::RecordingWaitCursor cursor;
        EXPECT_EQ(cursor.Events(), Events{"show"});
        EndWaitCursor();
        EXPECT_EQ(cursor.Events(), (Events{"show", "hide"}));
    }
    InstallWaitCursor(previous);
}

TEST(WaitCursorThreadedTest, CountsFromManyThreadsBalance) {
    testing::RecordingWaitCursor cursor;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 500; ++i) {
                const WaitCursorGuard guard;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(GetWaitCursorCount(), 0U);
    const Events events = cursor.Events();
    ASSERT_FALSE(events.empty());
    // Shows and hides alternate, starting with a show and ending with a hide.
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i], i % 2 == 0 ? "show" : "hide") << i;
    }
    EXPECT_EQ(events.back(), "hide");
}

} // namespace
} // namespace orv
