#include "core/QDeferredPrompts.h"
#include "core/QMutex.h"
#include "core/QProbeScanPattern.h"
#include "core/TypeIds.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/QNode.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QSpectralSpatialScanContainer.h"
#include "scandata/QTransportContainer.h"
#include "tests/project/support/NodeFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;

std::unique_ptr<QTransportContainer> CellStep(uint16_t row, uint16_t column, uint32_t points) {
    auto* component = new QSpectralSpatialScanComponent();
    component->SetCell(row, column, 0);
    component->SetPointCount(points);
    auto step = std::make_unique<QTransportContainer>();
    step->SetSpectralSpatialScanComponent(component);
    return step;
}

// The order of events between the scan worker, the user-interface thread and the box: a box waits
// (bounded) until the user-interface thread holds the node lock, which it can only get once the
// worker gave it back.
class OrderingPrompt : public Prompt {
public:
    PromptAnswer Ask(const PromptRequest& request, std::stop_token /*stop*/,
                     PromptAnswer /*answerIfStopped*/) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_texts.push_back(request.text);
        m_lockTakenBeforeBox.push_back(m_changed.wait_for(lock, 10s, [this] { return m_uiHasLock; }));
        m_changed.notify_all();
        return PromptAnswer::Ok;
    }
    void UiTookTheLock() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_uiHasLock = true;
        m_changed.notify_all();
    }
    bool WaitForBoxes(size_t count) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, 10s, [&] { return m_lockTakenBeforeBox.size() >= count; });
    }
    std::vector<std::string> Texts() const {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_texts;
    }
    std::vector<bool> LockTakenBeforeBox() const {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_lockTakenBeforeBox;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_uiHasLock = false;
    std::vector<std::string> m_texts;
    std::vector<bool> m_lockTakenBeforeBox;
};

TEST(NodeLockBoxThreadedTest, ACorruptRecordOnTheScanThreadShowsItsBoxOnlyAfterTheNodeLockIsFree) {
    auto prompt = std::make_shared<OrderingPrompt>();
    const ScopedPromptInstall install(prompt);
    auto owned = std::make_unique<QSpectralSpatialScanContainer>();
    QSpectralSpatialScanContainer& container = *owned;
    nodefix::FixtureNode node(kTypeSpectralSpatialScanNode, std::move(owned));
    nodefix::LinkListMediator mediator(&node);
    node.SetMediator(&mediator);
    {
        auto setup = std::make_unique<QTransportContainer>();
        auto* command = new QSetupScanCommand();
        command->SetProbeScanPattern(QProbeScanPattern(2, 2));
        setup->SetSetupScanCommand(command);
        container.TakeTransportContainer(std::move(setup), false, nullptr, false);
        container.TakeTransportContainer(CellStep(0, 0, 5), false, nullptr, false);
    }

    std::mutex stepMutex;
    std::condition_variable stepChanged;
    bool workerHoldsLock = false;
    std::thread worker([&] {
        QScanContainer* held = node.AcquireScanContainer();
        {
            const std::lock_guard<std::mutex> lock(stepMutex);
            workerHoldsLock = true;
        }
        stepChanged.notify_all();
        // Wrong point counts, twice: one box.
        held->TakeTransportContainer(CellStep(0, 1, 3), false, nullptr, false);
        held->TakeTransportContainer(CellStep(1, 1, 7), false, nullptr, false);
        EXPECT_TRUE(prompt->Texts().empty());
        node.UnlockScanContainer();
    });
    {
        std::unique_lock<std::mutex> lock(stepMutex);
        ASSERT_TRUE(stepChanged.wait_for(lock, 10s, [&] { return workerHoldsLock; }));
    }
    // The user-interface thread waits for the node while the worker ingests.
    node.LockScanContainer();
    prompt->UiTookTheLock();
    node.UnlockScanContainer();
    EXPECT_TRUE(prompt->WaitForBoxes(1));
    worker.join();

    EXPECT_EQ(prompt->Texts(), std::vector<std::string>{QSpectralSpatialScanContainer::kCorruptText});
    EXPECT_EQ(prompt->LockTakenBeforeBox(), std::vector<bool>{true});
    EXPECT_EQ(container.GetReceivedRecords(), 1U);
}

// Boxes asked for under a lock show in order at its release; one taken back never shows.
TEST(NodeLockBoxThreadedTest, QueuedBoxesShowInOrderAndADiscardedOneNever) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    const ScopedPromptInstall install(prompt);
    QMutex lock;
    std::thread worker([&] {
        lock.Lock();
        QDeferredPrompts::Show({"first", "", PromptButtons::Ok, PromptIcon::None});
        QDeferredPrompts::Show({"second", "", PromptButtons::Ok, PromptIcon::None});
        EXPECT_EQ(QDeferredPrompts::GetPendingCount(), 2U);
        QDeferredPrompts::DiscardFrom(1);
        lock.Unlock();
        QDeferredPrompts::Show({"third", "", PromptButtons::Ok, PromptIcon::None});
    });
    worker.join();
    EXPECT_EQ(prompt->Texts(), (std::vector<std::string>{"first", "third"}));
}

} // namespace
} // namespace orv
