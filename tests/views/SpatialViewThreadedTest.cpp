#include "core/TypeIds.h"
#include "tests/views/support/SpatialViewFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <dirent.h>
#include <thread>
#include <vector>

namespace orv::test {
namespace {

int ThreadCount() {
    int count = 0;
    if (DIR* tasks = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(tasks)) {
            count += entry->d_name[0] != '.' ? 1 : 0;
        }
        ::closedir(tasks);
    }
    return count;
}

// A joined thread can stay listed under /proc for a moment after the join returns, so the count is
// awaited (bounded) rather than read once.
int ThreadCountOnceAtMost(int limit) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int count = ThreadCount();
    while (count > limit && std::chrono::steady_clock::now() < until) {
        std::this_thread::yield();
        count = ThreadCount();
    }
    return count;
}

TEST_F(SpatialViewTest, RequestsQueuedFromFourThreadsAreDrainedByTheTicks) {
    Open(kTypeSpatialScanNode);
    ASSERT_TRUE(
        mediator->AddSpatialScanData(SpatialGrid(1, 3, 4, std::vector<int16_t>(12, 100)), false, false));
    mediator->ShowScanData(1);
    Pump();
    CSpatialView& view = View();
    view.OnRequestTimer();
    const int32_t before = view.GetRedrawCount();
    constexpr int kPerThread = 500;
    std::atomic<int> done{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&view, &done, t] {
            for (int i = 0; i < kPerThread; ++i) {
                view.QueueRedraw(t % 2 == 0 ? CSpatialView::kRedrawMap : CSpatialView::kRedrawRefresh);
            }
            done.fetch_add(1);
        });
    }
    int ticks = 0;
    while (done.load() < 4) {
        view.OnRequestTimer();
        ++ticks;
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    view.OnRequestTimer();
    EXPECT_EQ(view.GetQueuedRedrawCount(), 0U);
    const int32_t redraws = view.GetRedrawCount() - before;
    EXPECT_GE(redraws, 1);
    EXPECT_LE(redraws, ticks + 1);
    EXPECT_LE(redraws, 4 * kPerThread);
}

TEST_F(SpatialViewTest, ViewsLeaveNoWorkerBehind) {
    const int threadsBefore = ThreadCount();
    for (int i = 0; i < 200; ++i) {
        CSpatialView view(thread);
        if (i % 2 == 0) {
            view.QueueRedraw(1); // wakes the worker
        }
    }
    EXPECT_EQ(CSpatialView::GetLiveWorkerCount(), 0);
    EXPECT_EQ(ThreadCountOnceAtMost(threadsBefore), threadsBefore);
    // Destroyed before its worker could run: the worker never touches a freed view.
    for (int i = 0; i < 50; ++i) {
        auto view = std::make_unique<CSpatialView>(thread);
        view.reset();
    }
    EXPECT_EQ(CSpatialView::GetLiveWorkerCount(), 0);
}

} // namespace
} // namespace orv::test
