#include "core/TypeIds.h"
#include "platform/debug/DebugOutput.h"
#include "project/QNode.h"
#include "scandata/QSpectralScanContainer.h"
#include "tests/project/support/NodeFixtures.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace orv {
namespace {

// Scan workers and the user-interface thread share the container only through the node's lock:
// counting under it from several threads, with nested locks and body writes in between, loses
// nothing and (under ThreadSanitizer) races on nothing.
TEST(QNodeLockThreadedTest, WorkersAndBodyWritesShareTheContainerUnderTheNodeLock) {
    DebugOutputCapture quiet;
    nodefix::FixtureNode node(kTypeSpectralScanNode, std::make_unique<QSpectralScanContainer>());
    nodefix::LinkListMediator mediator(&node);
    node.SetMediator(&mediator);
    constexpr int kWorkers = 3;
    constexpr int kRounds = 4000;
    int guardedCount = 0;

    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&node, &guardedCount] {
            for (int i = 0; i < kRounds; ++i) {
                QScanContainer* container = node.LockScanContainer();
                if (i % 2 == 0) {
                    // The lock is recursive: a nested acquire on the same thread needs its own unlock.
                    EXPECT_EQ(node.AcquireScanContainer(), container);
                    ++guardedCount;
                    node.UnlockScanContainer();
                } else {
                    container->SetRangeStale(true);
                    ++guardedCount;
                }
                node.UnlockScanContainer();
            }
        });
    }
    size_t bodySize = 0;
    for (int i = 0; i < 50; ++i) {
        bodySize = nodefix::WriteBodyBytes(node).size();
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(guardedCount, kWorkers * kRounds);
    EXPECT_EQ(bodySize, node.GetBodySize());
}

} // namespace
} // namespace orv
