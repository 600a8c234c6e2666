// The per-scan data worker: it only polls while no data arrive, hands each container over once and
// in order, leaves queued containers to the layer when stopped, survives a failing hand-over and
// always ends with one scan-finished message.

#include "protocol/thScanThread.h"

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "platform/clock/FakeClock.h"
#include "platform/sync/Event.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/QNodeMediator.h"
#include "protocol/QCommLayer.h"
#include "protocol/QUIBBStateController.h"
#include "scandata/QScanContainer.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QTransportContainer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace orv {
namespace {

using namespace std::chrono_literals;

// Records what the worker hands over; `onTake` decides the answer (or throws).
class RecordingMediator final : public QNodeMediator {
public:
    void Detach() override {}
    bool IsScanning() override { return false; }
    bool IsBusy() override { return false; }
    bool HasScanData() override { return false; }
    bool GetCompensationSettings(QScanCompensationSettings& /*out*/) const override { return false; }
    int GetSpatialDisplayUnit() const override { return 0; }
    int GetSpectralDisplayUnit() const override { return 0; }
    uint32_t GetDataSize() override { return 0; }
    void WriteData(QDataWriter& /*writer*/) override {}
    void ReadData(QDataReader& /*reader*/) override {}

    uint32_t TakeTransportContainer(std::unique_ptr<QTransportContainer> transport, bool /*mergeMaximum*/,
                                    int32_t* endValue, bool /*mergeAverage*/) override {
        const int index = m_taken.fetch_add(1);
        return onTake ? onTake(index, *transport, endValue) : 0U;
    }
    void UpdateInformation(uint32_t flags) override {
        std::lock_guard<std::mutex> lock(m_lock);
        m_calls.push_back("Update " + std::to_string(flags));
    }
    void PostNotification(uint16_t kind) override {
        std::lock_guard<std::mutex> lock(m_lock);
        m_calls.push_back("Notify " + std::to_string(kind));
    }
    std::vector<std::string> Calls() const {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_calls;
    }
    int Taken() const { return m_taken.load(); }

    std::function<uint32_t(int, QTransportContainer&, int32_t*)> onTake;

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_calls;
    std::atomic<int> m_taken{0};
};

// Counts the controller's scan-finished and scan-error messages.
class CountingController final : public QUIBBStateController {
public:
    using QUIBBStateController::QUIBBStateController;
    std::atomic<int> finished{0};

protected:
    void ScanFinished() override { finished.fetch_add(1); }
};

class WorkerTest : public ::testing::Test {
protected:
    void Queue(int count) {
        for (int i = 0; i < count; ++i) {
            layer.DispatchDataPacket(std::make_unique<QSpectralScan>());
        }
    }
    bool PumpUntil(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            ui.PumpFor(2ms);
        }
        return true;
    }

    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    MessageThread ui;
    CountingController controller{ui};
    QCommLayer layer;
    RecordingMediator mediator;
};

TEST(WorkerPolls, WithoutDataTheWorkerOnlyPollsEveryTwentyMilliseconds) {
    // The clock goes in before any thread that uses it starts.
    FakeClock clock;
    ScopedClockInstall install(clock);
    MessageThread ui;
    CountingController controller{ui};
    QCommLayer layer;
    RecordingMediator mediator;
    auto owned = std::make_unique<thScanThread>(1, layer.GetDataEvent(), controller, layer, mediator);
    ASSERT_TRUE(owned->Start());
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (owned->GetWakeCount() < 50 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    owned->RequestStop();
    while (controller.finished.load() == 0 && std::chrono::steady_clock::now() < deadline) {
        ui.PumpFor(1ms);
    }
    const uint64_t wakes = owned->GetWakeCount();
    owned.reset();
    // Every wake was a poll that ran out (the layer's own worker pauses on the same clock).
    const std::vector<Clock::Duration> pauses = clock.Pauses();
    const auto polls20 = static_cast<uint64_t>(
        std::count(pauses.begin(), pauses.end(),
                   std::chrono::duration_cast<Clock::Duration>(thScanThread::kPollPeriod)));
    EXPECT_GE(polls20, 49U);
    EXPECT_GE(wakes, polls20);
    EXPECT_LE(wakes, polls20 + 1);
    EXPECT_EQ(mediator.Taken(), 0);
    EXPECT_TRUE(mediator.Calls().empty());
    ui.PumpFor(0ms);
    EXPECT_EQ(controller.finished.load(), 1);
}

TEST(WorkerDrains, ABurstGoesOverOnTheWakeOfItsDataEvent) {
    FakeClock clock;
    ScopedClockInstall install(clock);
    MessageThread ui;
    CountingController controller{ui};
    QCommLayer layer;
    RecordingMediator mediator;
    for (int i = 0; i < 50; ++i) {
        layer.DispatchDataPacket(std::make_unique<QSpectralScan>());
    }
    std::atomic<thScanThread*> running{nullptr};
    std::vector<uint64_t> wakes(50, 0);
    std::atomic<int> recorded{0};
    mediator.onTake = [&](int index, QTransportContainer&, int32_t*) -> uint32_t {
        wakes[static_cast<std::size_t>(index)] = running.load()->GetWakeCount();
        recorded.fetch_add(1);
        return 0U;
    };
    thScanThread worker(1, layer.GetDataEvent(), controller, layer, mediator);
    running.store(&worker);
    ASSERT_TRUE(worker.Start());
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (recorded.load() < 50 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    ASSERT_EQ(recorded.load(), 50);
    // All on the first wake, none a poll later.
    EXPECT_EQ(wakes, std::vector<uint64_t>(50, 1U));
}

TEST_F(WorkerTest, EachContainerIsHandedOverOnceAndInOrderWithTheNewSetupBit) {
    std::vector<int> order;
    mediator.onTake = [&](int index, QTransportContainer& transport, int32_t*) -> uint32_t {
        EXPECT_NE(transport.GetSpectralScan(), nullptr);
        order.push_back(index);
        return index == 0 ? QScanContainer::kStatusNewSetup : 0U;
    };
    thScanThread worker(1, layer.GetDataEvent(), controller, layer, mediator);
    ASSERT_TRUE(worker.Start());
    Queue(5);
    ASSERT_TRUE(PumpUntil([&] { return mediator.Taken() == 5; }));
    ASSERT_TRUE(PumpUntil([&] { return mediator.Calls().size() == 10; }));
    EXPECT_EQ(mediator.Calls()[0], "Update 2");
    EXPECT_EQ(mediator.Calls()[2], "Update 0");
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(controller.finished.load(), 0);
}

TEST_F(WorkerTest, TheEndRecordReportsItsCodeAndAStopLeavesTheRestQueued) {
    mediator.onTake = [&](int, QTransportContainer&, int32_t* endValue) -> uint32_t {
        *endValue = 0;
        return QScanContainer::kStatusEnded;
    };
    auto worker = std::make_unique<thScanThread>(1, layer.GetDataEvent(), controller, layer, mediator);
    ASSERT_TRUE(worker->Start());
    Queue(1);
    ASSERT_TRUE(PumpUntil([&] { return mediator.Taken() == 1; }));
    // The scan-error message with code 0 is the normal end: state 13, nothing shown.
    ASSERT_TRUE(PumpUntil([&] { return controller.GetState() == QUIBBStateController::kScanError; }));
    EXPECT_TRUE(prompt->Texts().empty());
    EXPECT_FALSE(mediator.HasScanError());

    worker->RequestStop();
    ASSERT_TRUE(PumpUntil([&] { return controller.finished.load() == 1; }));
    Queue(3);
    worker.reset();
    EXPECT_EQ(layer.GetTransportQueueLength(), 3U);
    ui.PumpFor(0ms);
    EXPECT_EQ(controller.finished.load(), 1);
    EXPECT_EQ(mediator.Taken(), 1);
}

TEST_F(WorkerTest, AFailingHandOverDoesNotStopTheNext) {
    mediator.onTake = [&](int index, QTransportContainer&, int32_t*) -> uint32_t {
        if (index == 0) {
            throw std::bad_alloc();
        }
        if (index == 1) {
            throw QException("The record is damaged.");
        }
        return 0U;
    };
    thScanThread worker(1, layer.GetDataEvent(), controller, layer, mediator);
    ASSERT_TRUE(worker.Start());
    Queue(3);
    ASSERT_TRUE(PumpUntil([&] { return mediator.Taken() == 3 && mediator.Calls().size() == 2; }));
    EXPECT_TRUE(worker.HasError());
    ASSERT_EQ(prompt->Requests().size(), 1U);
    EXPECT_EQ(prompt->Requests()[0].text, "The record is damaged.");
    EXPECT_EQ(prompt->Requests()[0].caption, "Error Processing New Scan Data");
}

TEST_F(WorkerTest, StoppingDuringAHandOverEndsWithinItsBound) {
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    mediator.onTake = [&](int index, QTransportContainer&, int32_t*) -> uint32_t {
        if (index == 0) {
            entered.set_value();
            released.wait();
        }
        return 0U;
    };
    auto worker = std::make_unique<thScanThread>(1, layer.GetDataEvent(), controller, layer, mediator);
    ASSERT_TRUE(worker->Start());
    Queue(2);
    entered.get_future().wait();
    worker->SignalEvent();
    std::thread releaser([&] { release.set_value(); });
    worker.reset();
    releaser.join();
    EXPECT_EQ(mediator.Taken(), 1);
    ui.PumpFor(0ms);
    EXPECT_EQ(controller.finished.load(), 1);
}

} // namespace
} // namespace orv
