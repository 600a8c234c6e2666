#include "platform/sync/CriticalSection.h"
#include "platform/sync/Event.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace orv {
namespace {

using std::chrono::milliseconds;

TEST(Event, AutoResetLetsOneWaitThroughPerSet) {
    Event event(Event::Reset::Auto);
    EXPECT_FALSE(event.Wait(milliseconds(0)));
    event.Set();
    event.Set();
    EXPECT_TRUE(event.Wait(milliseconds(0)));
    EXPECT_FALSE(event.IsSet());
    EXPECT_FALSE(event.Wait(milliseconds(0)));
}

TEST(Event, ManualResetStaysSetUntilCleared) {
    Event event(Event::Reset::Manual, true);
    EXPECT_TRUE(event.Wait(milliseconds(0)));
    EXPECT_TRUE(event.Wait(milliseconds(0)));
    event.Clear();
    EXPECT_FALSE(event.Wait(milliseconds(0)));
}

TEST(Event, ManualSetReleasesEveryWaitingThread) {
    Event event(Event::Reset::Manual);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&] {
            event.Wait();
            released.fetch_add(1);
        });
    }
    event.Set();
    for (std::thread& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(released.load(), 4);
}

TEST(Event, AutoSetsHandOverOneByOneAndAStopEndsTheWait) {
    Event ready(Event::Reset::Auto);
    Event taken(Event::Reset::Auto);
    std::stop_source stop;
    int handedOver = 0;
    std::thread consumer([&] {
        while (ready.Wait(stop.get_token())) {
            ++handedOver;
            taken.Set();
        }
    });
    for (int i = 0; i < 100; ++i) {
        ready.Set();
        taken.Wait();
    }
    stop.request_stop();
    consumer.join();
    EXPECT_EQ(handedOver, 100);
}

// A waiter that owns its event frees it as soon as the wait returns; the setter must be done
// with the event by then.
TEST(Event, AWaiterMayDestroyItsEventAsSoonAsTheWaitReturns) {
    for (int round = 0; round < 200; ++round) {
        auto event = std::make_unique<Event>(Event::Reset::Auto);
        Event* shared = event.get();
        std::thread setter([shared] { shared->Set(); });
        event->Wait();
        event.reset();
        setter.join();
    }
}

TEST(CriticalSection, TheHolderMayEnterAgainAndUnlockForAScope) {
    CriticalSection section;
    CriticalSectionGuard outer(section);
    { CriticalSectionGuard inner(section); }
    bool otherGotIt = false;
    {
        CriticalSectionUnlock open(section);
        std::thread other([&] { otherGotIt = section.try_lock() && (section.unlock(), true); });
        other.join();
    }
    EXPECT_TRUE(otherGotIt);
}

} // namespace
} // namespace orv
