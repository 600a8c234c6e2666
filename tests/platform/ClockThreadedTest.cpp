#include "platform/clock/Clock.h"
#include "platform/sync/Event.h"

#include <gtest/gtest.h>
#include <thread>

namespace orv {
namespace {

using namespace std::chrono_literals;

TEST(SteadyClock, SleepEndsEarlyWhenItsStopTokenFires) {
    SteadyClock clock;
    std::stop_source stop;
    const auto start = clock.Now();
    std::jthread stopper([&] { stop.request_stop(); });
    EXPECT_FALSE(clock.Sleep(60s, stop.get_token()));
    EXPECT_LT(clock.Now() - start, 30s);
}

TEST(SteadyClock, SleepWithoutStopRunsItsLength) {
    SteadyClock clock;
    const auto start = clock.Now();
    EXPECT_TRUE(clock.Sleep(5ms));
    EXPECT_TRUE(clock.Sleep(-1ms)) << "a negative pause is no pause";
    EXPECT_GE(clock.Now() - start, 5ms);
}

TEST(SteadyClock, TimedWaitEndsOnTheEventOnTheStopOrOnTheTimeOut) {
    SteadyClock clock;
    Event event(Event::Reset::Auto);
    {
        std::jthread setter([&] { event.Set(); });
        EXPECT_TRUE(clock.WaitFor(event, 60s));
    }
    EXPECT_FALSE(event.IsSet());

    std::stop_source stop;
    {
        const auto start = clock.Now();
        std::jthread stopper([&] { stop.request_stop(); });
        EXPECT_FALSE(clock.WaitFor(event, 60s, stop.get_token()));
        EXPECT_LT(clock.Now() - start, 30s);
    }

    const auto start = clock.Now();
    EXPECT_FALSE(clock.WaitFor(event, 10ms));
    EXPECT_GE(clock.Now() - start, 10ms);
}

} // namespace
} // namespace orv
