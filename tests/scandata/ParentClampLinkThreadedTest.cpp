#include "core/QDataWriter.h"
#include "scandata/QAmbientScanContainer.h"
#include "scandata/QCableScanContainer.h"
#include "scandata/QCurrentClampModuleContainer.h"
#include "scandata/QParentClampLink.h"
#include "scandata/QSetupScanCommand.h"
#include "tests/scandata/support/ClampContainerFakes.h"
#include "tests/scandata/support/ContainerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace orv {
namespace {

using testing::DeliverSpectrum;
using testing::FakeContainerNode;
using testing::SpectrumWithPeaks;

// A scan worker feeds an ambient and a cable child of one clamp and links them up, while the
// interface thread changes the clamp's set-up and reads all three. Under the lock hierarchy no
// thread ever holds two node locks, so this ends, and the sanitizer sees every shared field under
// its node's lock.
TEST(ParentClampLinkThreadedTest, ChildrenAndTheClampAreReadAndWrittenFromTwoThreadsWithOneLockAtATime) {
    testing::CompensationTableFolder tables;
    tables.WriteTable("CTCTctCTCT", {{10.0f, 1.0f}, {1000.0f, 2.0f}});
    tables.WriteTable("AMAMaAMAM", {{10.0f, 0.5f}, {1000.0f, 0.5f}});
    testing::CompensationSwitches on(true, false);
    FakeContainerNode::ResetMostHeld();

    FakeContainerNode clampNode(std::make_unique<QCurrentClampModuleContainer>());
    FakeContainerNode ambientNode(std::make_unique<QAmbientScanContainer>(), &clampNode);
    FakeContainerNode cableNode(std::make_unique<QCableScanContainer>(), &clampNode);
    ambientNode.Container<QScanContainer>().GetSetupScanCommand().SetFrequencyRange(10.0f, 1000.0f);
    cableNode.Container<QScanContainer>().GetSetupScanCommand().SetFrequencyRange(10.0f, 1000.0f);

    constexpr int kRounds = 150;
    std::thread worker([&] {
        for (int round = 0; round < kRounds; ++round) {
            const auto spectrum = SpectrumWithPeaks(64, static_cast<int16_t>(round % 7), {10, 30, 50}, 900);
            for (FakeContainerNode* child : {&ambientNode, &cableNode}) {
                {
                    QAcquiredScanContainer own(child);
                    DeliverSpectrum(*own.Get(), spectrum, round % 2 == 0);
                }
                QParentClampLink::Synchronise(*child);
            }
        }
    });

    float sink = 0.0f;
    for (int round = 0; round < kRounds; ++round) {
        {
            QAcquiredScanContainer clamp(&clampNode);
            auto& container = *clamp.As<QCurrentClampModuleContainer>();
            container.SetSetupTexts(1, round % 2 == 0 ? "a" : "b", "m", "n", "ct");
            QCharCounterDataWriter counter;
            container.WriteBody(counter);
            sink += static_cast<float>(container.GetFrequencies().size());
        }
        for (FakeContainerNode* child : {&ambientNode, &cableNode}) {
            QAcquiredScanContainer own(child);
            float low = 0.0f;
            float high = 0.0f;
            own.Get()->GetLevelRange(&low, &high);
            QCharCounterDataWriter counter;
            own.Get()->WriteBody(counter);
            sink += high - low;
        }
    }
    worker.join();

    EXPECT_EQ(FakeContainerNode::MostHeldAtOnce(), 1);
    for (const FakeContainerNode* node : {&clampNode, &ambientNode, &cableNode}) {
        EXPECT_EQ(node->AcquireCount(), node->ReleaseCount());
    }
    EXPECT_EQ(clampNode.Container<QCurrentClampModuleContainer>().GetFrequencies().size(), 3u);
    EXPECT_GE(sink, 0.0f);
}

} // namespace
} // namespace orv
