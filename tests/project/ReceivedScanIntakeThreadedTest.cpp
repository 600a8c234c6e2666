#include "core/QProbeScanPattern.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "platform/msg/MessageTarget.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNodeFactory.h"
#include "project/QScanDescription.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QTransportContainer.h"
#include "tests/project/support/ProjectContainerFakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace orv {
namespace {

class FixedDescriptionSource final : public QScanDescriptionSource {
public:
    std::optional<std::tm> LocalTimeNow() override { return std::tm{}; }
    std::string UserName() override { return "stress"; }
};

std::unique_ptr<QTransportContainer> SpectrumStep(int16_t level, bool withSetup) {
    auto step = std::make_unique<QTransportContainer>();
    if (withSetup) {
        auto* setup = new QSetupScanCommand();
        setup->SetProbeScanPattern(QProbeScanPattern(2, 3));
        setup->SetFrequencyRange(100.0F, 200.0F);
        step->SetSetupScanCommand(setup);
    }
    auto* record = new QSpectralScan();
    record->SetPointCount(16);
    for (uint32_t i = 0; i < 16; ++i) {
        record->SetAmplitude(i, level);
    }
    step->SetSpectralScan(record);
    return step;
}

// The data worker takes 1,000 packets and hands each over while the user-interface thread lists
// them, deletes and reorders scans and switches peak hold: every packet becomes a scan or an update,
// the list never holds an ID twice, and nothing is touched by both threads (ThreadSanitizer).
TEST(ReceivedScanIntakeThreadedTest, ThousandPacketsWhileTheListIsEdited) {
    FixedDescriptionSource source;
    const ScopedScanDescriptionSourceInstall install(source);
    MessageThread thread;
    containertest::FakeMainFrame frame;
    QNodeFactory factory(QFundamentalNodeMediator::MakeMaker(thread, &frame));
    std::unique_ptr<QNodeMediator> mediator =
        factory.CreateNodeWithMediator(nullptr, nullptr, kTypeSpectralScanNode, nullptr, false);
    mediator->SetKind(kTypeSpectralScanNode);
    mediator->PrepareScanRun(true);
    mediator->SetScanInProgress(true);

    constexpr int kPackets = 1000;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int packet = 0; packet < kPackets; ++packet) {
            mediator->TakeTransportContainer(SpectrumStep(static_cast<int16_t>(packet), packet == 0), false,
                                             nullptr, false);
            mediator->UpdateInformation(0);
        }
        done.store(true);
    });

    size_t listings = 0;
    size_t deleted = 0;
    int round = 0;
    bool duplicate = false;
    while (!done.load() || thread.GetPendingCount() != 0) {
        thread.PumpFor(std::chrono::milliseconds(50));
        ++round;
        const std::vector<int32_t> ids = mediator->GetScanIDs(kTypeSpectralScanNode);
        duplicate = duplicate || std::set<int32_t>(ids.begin(), ids.end()).size() != ids.size();
        if (round % 5 == 0 && !ids.empty()) {
            deleted += mediator->DeleteSpectralScanData(ids.back()) ? 1 : 0;
        }
        if (round % 3 == 0 && ids.size() > 1) {
            mediator->ReorderScanData({ids.front()}, true);
        }
        if (round % 7 == 0) {
            QScanOptions* options = mediator->GetScanOptions();
            options->SetPeakHold(!options->IsPeakHold());
        }
        listings = mediator->GetScansThisRun();
    }
    worker.join();
    thread.Pump();

    EXPECT_FALSE(duplicate);
    // Every packet was counted once by the user-interface thread, whether it made a scan or updated one.
    EXPECT_EQ(listings, static_cast<size_t>(kPackets));
    EXPECT_LE(mediator->GetScanDataCount() + deleted, static_cast<size_t>(kPackets));
    mediator->SetScanInProgress(false);
}

} // namespace
} // namespace orv
