#include "scandata/QSpectralComparisonScanContainer.h"
#include "scandata/QSpectralOverlayScanContainer.h"
#include "scandata/QSpectralScan.h"
#include "tests/scandata/support/ComparisonFakes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace orv {
namespace {

using testing::FakeComparisonOwner;
using testing::FakeSourceNode;
using testing::MakeSpectralSource;

// One use of a comparison as its node's mediator brackets it: the comparison node's own lock, then
// the sources (hierarchy rule 2), every lock given back before any box is shown.
void UseComparison(FakeComparisonOwner& owner, QComparisonScanContainer& container) {
    {
        const std::lock_guard<std::recursive_mutex> own(owner.Lock());
        container.ResolveSources();
        container.CorrectSpectralSources(100.0F, 200.0F);
        container.HasScanData();
        float low = 0.0F;
        float high = 0.0F;
        container.GetLevelRange(&low, &high);
        const QSpectralScanInterface* result = container.GetSpectralScan();
        if (result != nullptr && result->GetPointCount() > 0) {
            (void)result->GetAmplitude(result->GetPointCount() - 1);
        }
        container.CheckCompatibility(true);
        container.ReleaseSources();
    }
    container.ShowPendingMessages();
}

// A scan step on a source node: a new spectrum replaces the held one under the node's lock.
void DeliverScan(FakeSourceNode& node, uint32_t points, int16_t base) {
    auto* container = static_cast<QSpectralScanContainer*>(node.AcquireScanContainer());
    auto record = std::make_unique<QSpectralScan>();
    record->SetPointCount(points);
    for (uint32_t i = 0; i < points; ++i) {
        record->SetAmplitude(i, static_cast<int16_t>(base + static_cast<int16_t>(i)));
    }
    container->SetSpectralScanRecord(std::move(record));
    container->SetHasScanData(true);
    node.UnlockScanContainer();
}

TEST(ComparisonScanContainerThreaded, ComparisonsAndScansOnSharedNodesFinish) {
    FakeSourceNode low(1, MakeSpectralSource(100.0F, 200.0F, 64, "H,1", 10));
    FakeSourceNode middle(2, MakeSpectralSource(100.0F, 200.0F, 64, "H,1", 20));
    FakeSourceNode high(3, MakeSpectralSource(100.0F, 200.0F, 64, "H,2", 30));

    // The two comparisons over the same pair list it in opposite orders; a third links one node as
    // both sources; the overlay shares a node with each of the others.
    FakeComparisonOwner forwardOwner(&low, &middle);
    FakeComparisonOwner backwardOwner(&middle, &low);
    FakeComparisonOwner twiceOwner(&high, &high);
    FakeComparisonOwner overlayOwner(&high, &low);
    QSpectralComparisonScanContainer forward(&forwardOwner);
    QSpectralComparisonScanContainer backward(&backwardOwner);
    QSpectralComparisonScanContainer twice(&twiceOwner);
    QSpectralOverlayScanContainer overlay(&overlayOwner);

    constexpr int kRounds = 300;
    std::atomic<int> comparisonsDone{0};
    std::atomic<int> scansDone{0};
    std::thread comparer([&] {
        for (int round = 0; round < kRounds; ++round) {
            UseComparison(forwardOwner, forward);
            UseComparison(twiceOwner, twice);
            UseComparison(overlayOwner, overlay);
            comparisonsDone.fetch_add(1);
        }
    });
    std::thread scanner([&] {
        for (int round = 0; round < kRounds; ++round) {
            // Every other round another length: the comparisons see both compatible and
            // incompatible sources.
            const uint32_t points = round % 2 == 0 ? 64U : 32U;
            DeliverScan(low, points, static_cast<int16_t>(round));
            DeliverScan(high, points, static_cast<int16_t>(round + 5));
            UseComparison(backwardOwner, backward);
            DeliverScan(middle, points, static_cast<int16_t>(round + 9));
            scansDone.fetch_add(1);
        }
    });
    comparer.join();
    scanner.join();

    EXPECT_EQ(comparisonsDone.load(), kRounds);
    EXPECT_EQ(scansDone.load(), kRounds);
    EXPECT_EQ(low.HeldCount() + middle.HeldCount() + high.HeldCount(), 0);
    for (QComparisonScanContainer* container :
         std::vector<QComparisonScanContainer*>{&forward, &backward, &twice, &overlay}) {
        EXPECT_EQ(container->GetHeldLockCount(), 0U);
        EXPECT_EQ(container->GetFirstSource(), nullptr);
    }
}

} // namespace
} // namespace orv
