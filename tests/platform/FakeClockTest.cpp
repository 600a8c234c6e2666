#include "platform/clock/FakeClock.h"
#include "platform/sync/Event.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using namespace std::chrono_literals;

TEST(FakeClock, PausesAdvanceTimeAtOnceAndAreRecorded) {
    FakeClock clock;
    const auto start = clock.Now();
    EXPECT_TRUE(clock.Sleep(5s));
    EXPECT_TRUE(clock.Sleep(1ms));
    EXPECT_EQ(clock.Now() - start, 5001ms);
    EXPECT_EQ(clock.Pauses(), (std::vector<Clock::Duration>{5s, 1ms}));
    EXPECT_EQ(clock.TotalPaused(), 5001ms);
    clock.ClearPauses();
    EXPECT_TRUE(clock.Pauses().empty());
    clock.Advance(2s);
    EXPECT_EQ(clock.Now() - start, 7001ms);
}

TEST(FakeClock, StoppedPauseEndsWithoutTimePassing) {
    FakeClock clock;
    std::stop_source stop;
    stop.request_stop();
    const auto start = clock.Now();
    EXPECT_FALSE(clock.Sleep(10s, stop.get_token()));
    Event event(Event::Reset::Manual);
    EXPECT_FALSE(clock.WaitFor(event, 10s, stop.get_token()));
    EXPECT_EQ(clock.Now(), start);
}

TEST(FakeClock, TimedWaitTakesASetEventAndRunsOutOnAnUnsetOne) {
    FakeClock clock;
    const auto start = clock.Now();
    Event event(Event::Reset::Auto, true);
    EXPECT_TRUE(clock.WaitFor(event, 3s));
    EXPECT_EQ(clock.Now(), start);
    EXPECT_FALSE(event.IsSet()) << "an auto-reset event is taken by the wait";
    EXPECT_FALSE(clock.WaitFor(event, 3s));
    EXPECT_EQ(clock.Now() - start, 3s);
    EXPECT_EQ(clock.Pauses(), (std::vector<Clock::Duration>{3s}));
}

TEST(FakeClock, InstalledClockServesTheShortFormsAndHookSeesEachPause) {
    FakeClock clock;
    ScopedClockInstall install(clock);
    ASSERT_EQ(&CurrentClock(), &clock);
    std::vector<std::int64_t> seen;
    const auto start = ClockNow();
    clock.SetPauseHook([&](Clock::TimePoint reached) {
        seen.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(reached - start).count());
    });
    ClockSleep(250ms);
    ClockSleep(750ms);
    EXPECT_EQ(seen, (std::vector<std::int64_t>{250, 1000}));
    EXPECT_EQ(ElapsedMilliseconds(start), 1000);
    EXPECT_EQ(ElapsedMilliseconds(start + 5s), 0) << "never negative";
}

TEST(FakeClock, RemovingTheInstallPutsThePreviousClockBack) {
    Clock& before = CurrentClock();
    {
        FakeClock outer;
        ScopedClockInstall installOuter(outer);
        {
            FakeClock inner;
            ScopedClockInstall installInner(inner);
            EXPECT_EQ(&CurrentClock(), &inner);
        }
        EXPECT_EQ(&CurrentClock(), &outer);
    }
    EXPECT_EQ(&CurrentClock(), &before);
    EXPECT_NE(dynamic_cast<SteadyClock*>(&before), nullptr);
}

} // namespace
} // namespace orv
