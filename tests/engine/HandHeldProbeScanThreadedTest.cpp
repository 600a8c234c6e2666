#include "engine/runners/HandHeldProbeScan.h"

#include "tests/engine/support/ProbeRequestTarget.h"
#include "tests/engine/support/RunnerRig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace orv {
namespace {

using test::RunnerRig;

// A request the main frame never takes up (its thread is busy) must not hold the scan: the stop
// command and the engine's end both release it at once, and the handler never runs afterwards.
TEST(HandHeldProbeScanThreaded, AStopOrTheEnginesEndReleasesAPendingRequest) {
    for (const bool shutdown : {false, true}) {
        for (const uint8_t freeMode : {uint8_t{0}, uint8_t{1}}) {
            SCOPED_TRACE(std::to_string(shutdown) + " " + std::to_string(freeMode));
            RunnerRig rig;
            rig.SetAllActive(2, 2);
            rig.setup.SetNumberOfFrequencyBuckets(3);
            rig.setup.SetScanOption(freeMode);
            MessageThread frameThread;
            test::ProbeRequestTarget target(frameThread);
            rig.mainFrame = &target;

            HandHeldProbeScan runner(rig.Context());
            std::atomic<bool> ended{false};
            std::jthread scan([&] {
                runner.RunScanStart();
                ended.store(true);
            });
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (frameThread.GetPendingCount() == 0 && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::yield();
            }
            ASSERT_EQ(frameThread.GetPendingCount(), 1U);
            EXPECT_FALSE(ended.load());
            if (shutdown) {
                rig.stopFlag.FireForShutdown();
            } else {
                rig.stopFlag.RequestStop();
            }
            scan.join();
            EXPECT_TRUE(ended.load());
            EXPECT_EQ(runner.GetStatus(), 0U);
            frameThread.Pump();
            EXPECT_TRUE(target.cellRequests.empty());
            EXPECT_EQ(target.positionRequests, 0);
            EXPECT_EQ(rig.journal.Count("SweepAndWait"), 0U);
        }
    }
}

} // namespace
} // namespace orv
