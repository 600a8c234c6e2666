#include "project/NodeMessages.h"
#include "tests/views/support/SpectralViewFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace orv::test {
namespace {

// Whether another thread could take the section now (the view thread does not hold it).
bool FreeForOthers(CriticalSection& section) {
    return std::async(std::launch::async,
                      [&section] {
                          if (!section.try_lock()) {
                              return false;
                          }
                          section.unlock();
                          return true;
                      })
        .get();
}

TEST_F(SpectralViewTest, ReloadsCopyOneUpdateOfALiveScanAndHoldNoLockBeyondTheCopy) {
    Open(2003);
    constexpr size_t kPoints = 2001;
    ASSERT_TRUE(
        mediator->AddSpectralScanData(MirtSpectrum(1, std::vector<int16_t>(kPoints, 0)), false, false));
    mediator->ShowSpectralScanData(1);
    Pump();
    CSpectralView& view = View();
    // The worker hands its updates straight to the mediator; no pane is told.
    mediator->SetTreeContainer(nullptr);

    // After a reload the view holds neither section.
    int heldChecks = 0;
    bool heldAfterRender = false;
    Panel().onUpdate = [&] {
        ++heldChecks;
        heldAfterRender = heldAfterRender || !FreeForOthers(mediator->GetFirstCriticalSection()) ||
                          !FreeForOthers(mediator->GetSecondCriticalSection());
    };
    for (int i = 0; i < 5; ++i) {
        view.GetMessageTarget().Post(NodeMessage::kRefreshSpectral);
        Pump();
    }
    EXPECT_EQ(heldChecks, 5);
    EXPECT_FALSE(heldAfterRender);
    Panel().onUpdate = nullptr;

    std::atomic<bool> stop{false};
    std::atomic<int> updates{0};
    std::thread worker([&] {
        int16_t level = 1;
        while (!stop.load()) {
            mediator->AddSpectralScanData(MirtSpectrum(1, std::vector<int16_t>(kPoints, level)), false, true);
            level = static_cast<int16_t>(level % 1000 + 1);
            updates.fetch_add(1);
        }
    });
    int mixed = 0;
    for (int i = 0; i < 1000; ++i) {
        view.GetMessageTarget().Post(NodeMessage::kRefreshSpectral);
        Pump();
        const std::vector<TracePoint>& points = view.GetPoints();
        ASSERT_EQ(points.size(), kPoints);
        for (const TracePoint& point : points) {
            if (point.m_Amplitude != points.front().m_Amplitude) {
                ++mixed;
                break;
            }
        }
    }
    stop = true;
    worker.join();
    EXPECT_EQ(mixed, 0);
    EXPECT_GT(updates.load(), 0);
}

} // namespace
} // namespace orv::test
