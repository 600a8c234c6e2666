#include "core/QMutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace orv {
namespace {

TEST(MutexThreaded, ReenteredOnOneThreadAnotherWaitsForBothUnlocks) {
    QMutex mutex;
    mutex.Lock();
    mutex.Lock(); // the holder locks again without blocking

    std::atomic<bool> trying{false};
    std::atomic<bool> acquired{false};
    std::thread other([&] {
        trying.store(true);
        QLockGuard guard(mutex);
        acquired.store(true);
    });
    while (!trying.load()) {
        std::this_thread::yield();
    }
    mutex.Unlock();
    for (int i = 0; i < 1000; ++i) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(acquired.load()); // still held once
    mutex.Unlock();
    other.join();
    EXPECT_TRUE(acquired.load());
}

TEST(MutexThreaded, NestedLocksGuardSharedData) {
    QMutex mutex;
    long counter = 0; // guarded by mutex only
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            QLockGuard outer(mutex);
            QLockGuard inner(mutex);
            ++counter;
        }
    };
    std::thread a(work);
    std::thread b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 40000);
}

TEST(MutexThreaded, GuardUnlocksWhenAnExceptionLeavesTheScope) {
    QMutex mutex;
    try {
        QLockGuard outer(mutex);
        QLockGuard inner(mutex);
        throw std::runtime_error("scan worker failed");
    } catch (const std::runtime_error&) {
    }
    std::atomic<bool> acquired{false};
    std::thread other([&] {
        QLockGuard guard(mutex);
        acquired.store(true);
    });
    other.join();
    EXPECT_TRUE(acquired.load());
}

} // namespace
} // namespace orv
