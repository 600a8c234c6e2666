#include "core/TypeIds.h"
#include "project/QProxyNodeMediator.h"
#include "scandata/QComparisonSourceLocks.h"
#include "scandata/QContainerNodeMediator.h"
#include "scandata/QSpectralScanContainer.h"
#include "tests/project/support/NodeFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace orv {
namespace {

using namespace std::chrono_literals;

// A node with a real lock, and its mediator.
struct RealNode {
    explicit RealNode(uint32_t id) : node(kTypeSpectralScanNode, std::make_unique<QSpectralScanContainer>()) {
        node.SetID(id);
        node.SetMediator(&mediator);
    }
    nodefix::FixtureNode node;
    nodefix::LinkListMediator mediator{&node};
};

// The steps the holder and the re-linking user-interface thread take in turn.
class Steps {
public:
    void Reach(int step) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_step = step;
        m_changed.notify_all();
    }
    bool WaitFor(int step) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, 10s, [&] { return m_step >= step; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_step = 0;
};

// Whether another thread gets the node's lock within a bounded wait.
bool AnotherThreadGetsTheLock(QNode& node, std::thread& waiter, Steps& got) {
    waiter = std::thread([&node, &got] {
        node.LockScanContainer();
        node.UnlockScanContainer();
        got.Reach(1);
    });
    return got.WaitFor(1);
}

struct HolderKind {
    const char* name;
    // Takes the proxy's container lock, waits until the proxy was re-linked, gives the lock back.
    std::function<void(QProxyNodeMediator&, Steps&)> hold;
};

// A reference node's proxy is re-linked to another target while a holder keeps the container it
// reached through the proxy: the holder gives back the old target's lock, not the new one's.
TEST(HeldContainerLockThreadedTest, AReLinkedProxyReleasesTheLockThatWasTaken) {
    const HolderKind kinds[] = {
        {"node mediator guard",
         [](QProxyNodeMediator& proxy, Steps& steps) {
             QAcquiredScanContainer held(&proxy);
             EXPECT_NE(held.Get(), nullptr);
             steps.Reach(1);
             steps.WaitFor(2);
             held.Release();
         }},
        {"comparison source locks",
         [](QProxyNodeMediator& proxy, Steps& steps) {
             QComparisonSourceLocks locks;
             EXPECT_NE(locks.Acquire(proxy), nullptr);
             steps.Reach(1);
             steps.WaitFor(2);
             locks.ReleaseAll();
         }},
    };
    for (const HolderKind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        RealNode first(1);
        RealNode second(2);
        QProxyNodeMediator proxy;
        proxy.SetOwnMediator(std::make_unique<nodefix::LinkListMediator>());
        ASSERT_TRUE(proxy.LinkToTarget(first.mediator));

        Steps steps;
        std::thread holder([&] {
            kind.hold(proxy, steps);
            steps.Reach(3);
            // Should the lock still be held (the fault), the owner gives it back so the test ends.
            if (!steps.WaitFor(4)) {
                first.node.UnlockScanContainer();
            }
        });
        ASSERT_TRUE(steps.WaitFor(1));
        ASSERT_TRUE(proxy.LinkToTarget(second.mediator));
        steps.Reach(2);
        ASSERT_TRUE(steps.WaitFor(3));

        Steps got;
        std::thread waiter;
        const bool free = AnotherThreadGetsTheLock(first.node, waiter, got);
        EXPECT_TRUE(free);
        if (free) {
            steps.Reach(4);
        }
        holder.join();
        waiter.join();
        // The new target's lock was never touched: it is free as well.
        Steps gotSecond;
        std::thread secondWaiter;
        EXPECT_TRUE(AnotherThreadGetsTheLock(second.node, secondWaiter, gotSecond));
        secondWaiter.join();
    }
}

} // namespace
} // namespace orv
