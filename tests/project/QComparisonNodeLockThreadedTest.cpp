#include "core/TypeIds.h"
#include "project/QNodeFactory.h"
#include "project/QNodeKinds.h"
#include "scandata/QSpectralComparisonScanContainer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>

namespace orv {
namespace {

// Counts the resolutions and releases the node's lock asks of its container.
class CountingComparisonContainer : public QSpectralComparisonScanContainer {
public:
    explicit CountingComparisonContainer(QComparisonOwner* owner) : QSpectralComparisonScanContainer(owner) {}
    void ResolveSources() override {
        ++resolved;
        resolving = true;
        QSpectralComparisonScanContainer::ResolveSources();
        resolving = false;
    }
    // Releases a resolution makes of its own (a fallback, a stale earlier one) are not counted.
    void ReleaseSources() override {
        if (!resolving) {
            ++released;
        }
        QSpectralComparisonScanContainer::ReleaseSources();
    }
    int resolved = 0;
    int released = 0;
    bool resolving = false;
};

TEST(QComparisonNodeLockThreadedTest, NestedLocksResolveOnceAndTheOutermostUnlockFreesTheNode) {
    QSpectralComparisonNode node;
    auto owned = std::make_unique<CountingComparisonContainer>(&node);
    CountingComparisonContainer* container = owned.get();
    node.SetScanContainer(std::move(owned));

    EXPECT_EQ(node.LockScanContainer(), container);
    EXPECT_EQ(node.AcquireScanContainer(), container);
    EXPECT_EQ(container->resolved, 1);
    EXPECT_EQ(node.GetLockCount(), 2U);
    node.UnlockScanContainer();
    EXPECT_EQ(container->released, 0);
    node.UnlockScanContainer();
    EXPECT_EQ(container->released, 1);
    EXPECT_EQ(node.GetLockCount(), 0U);

    // Another thread now takes the lock (and resolves again); a bounded wait, not a hang.
    std::future<int> other = std::async(std::launch::async, [&node, container] {
        node.LockScanContainer();
        const int resolved = container->resolved;
        node.UnlockScanContainer();
        return resolved;
    });
    ASSERT_EQ(other.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(other.get(), 2);
    EXPECT_EQ(container->released, 2);

    // An unlock without a lock changes nothing, and the lock still works afterwards.
    node.UnlockScanContainer();
    EXPECT_EQ(node.GetLockCount(), 0U);
    EXPECT_EQ(container->released, 2);
    std::future<void> again = std::async(std::launch::async, [&node] {
        node.LockScanContainer();
        node.UnlockScanContainer();
    });
    EXPECT_EQ(again.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

TEST(QComparisonNodeLockThreadedTest, AStrayUnlockFromAnotherThreadWaitsAndLeavesTheHoldersLock) {
    QNodeFactory factory;
    std::unique_ptr<QNode> node = factory.CreateNode(kTypeBlindSpotReductionNode, false);
    auto& comparison = dynamic_cast<QComparisonNode&>(*node);
    comparison.LockScanContainer();
    std::future<void> stray =
        std::async(std::launch::async, [&comparison] { comparison.UnlockScanContainer(); });
    // The stray unlock cannot finish while this thread holds the lock.
    EXPECT_EQ(stray.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    EXPECT_EQ(comparison.GetLockCount(), 1U);
    comparison.UnlockScanContainer();
    ASSERT_EQ(stray.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(comparison.GetLockCount(), 0U);
}

} // namespace
} // namespace orv
