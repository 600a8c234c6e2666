// The node model wired as one: real nodes of the factory, their real containers, the mediator base
// and the project containers, with only the (not yet written) fundamental mediator stood in for by
// a mediator that owns its node.

#include "analyzers/CInstrumentInfo.h"
#include "core/QSmallOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "platform/debug/DebugOutput.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/QNodeFactory.h"
#include "project/QNodeKinds.h"
#include "project/QProxyNodeMediator.h"
#include "scandata/QComparisonScanContainer.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpatialScanContainer.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QTransportContainer.h"
#include "tests/project/support/MediatorFakes.h"
#include "tests/project/support/WiredNodeMediator.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace orv {
namespace {

using wiring::MakeWiredMediator;

std::unique_ptr<QNodeMediator> Make(uint16_t kind, QNodeMediator* parent = nullptr,
                                    QNodeContainer* context = nullptr) {
    QNodeFactory factory(MakeWiredMediator);
    return factory.CreateNodeWithMediator(parent, context, kind, nullptr, true);
}

// One scan step with a set-up over [start, stop] and a trace of the given tenths.
std::unique_ptr<QTransportContainer> SpectralStep(float start, float stop,
                                                  const std::vector<int16_t>& levels) {
    auto transport = std::make_unique<QTransportContainer>();
    auto setup = std::make_unique<QSetupScanCommand>();
    setup->SetFrequencyRange(start, stop);
    transport->SetSetupScanCommand(setup.release());
    auto trace = std::make_unique<QSpectralScan>();
    trace->SetPointCount(static_cast<uint32_t>(levels.size()));
    for (uint32_t i = 0; i < levels.size(); ++i) {
        trace->SetAmplitude(i, levels[i]);
    }
    transport->SetSpectralScan(trace.release());
    return transport;
}

void Deliver(QNodeMediator& mediator, std::unique_ptr<QTransportContainer> step) {
    QScanContainer* container = mediator.LockScanContainer();
    ASSERT_NE(container, nullptr);
    container->TakeTransportContainer(std::move(step), false, nullptr, false);
    mediator.UnlockScanContainer();
}

TEST(NodeWiringTest, TheContainerReachesTheNodesMediatorAndContext) {
    DebugOutputCapture quiet;
    test::FakeNodeContainer context;
    for (const uint16_t kind : {kTypeSpatialScanNode, kTypeSpectralScanNode, kTypeHandHeldProbeScanNode,
                                kTypeSpectralComparisonNode, kTypeProjectNode}) {
        SCOPED_TRACE(kind);
        auto mediator = Make(kind, nullptr, &context);
        QScanContainer* container = mediator->GetNode()->GetScanContainer();
        ASSERT_NE(container, nullptr);
        EXPECT_EQ(container->GetMediator(), static_cast<QScanContainerMediator*>(mediator.get()));
        EXPECT_EQ(container->GetContext(), &context);
        EXPECT_EQ(container->GetMediator()->GetCompensationThreshold(), 5.0F);
    }
    // A container given to the node later is wired the same way.
    auto mediator = Make(kTypeSpatialScanNode, nullptr, &context);
    mediator->GetNode()->SetScanContainer(std::make_unique<QSpatialScanContainer>());
    EXPECT_EQ(mediator->GetNode()->GetScanContainer()->GetMediator(),
              static_cast<QScanContainerMediator*>(mediator.get()));
    EXPECT_EQ(mediator->GetNode()->GetScanContainer()->GetContext(), &context);
}

TEST(NodeWiringTest, ASpatialNodeCompensatesTenTimesItsMediatorsThresholdAboveItsStoredLow) {
    DebugOutputCapture quiet;
    auto makeStep = [] {
        auto transport = std::make_unique<QTransportContainer>();
        auto scan = std::make_unique<QSpatialScan>();
        scan->SetGridSize(2, 2);
        scan->SetStoredAmplitude(0, 0, 120);
        scan->SetStoredAmplitude(1, 1, 300);
        transport->SetSpatialScan(scan.release());
        return transport;
    };
    auto mediator = Make(kTypeSpatialScanNode);
    Deliver(*mediator, makeStep());
    QSpatialScanContainer bare;
    bare.TakeTransportContainer(makeStep(), false, nullptr, false);

    const auto& wired = dynamic_cast<QSpatialScanContainer&>(*mediator->GetNode()->GetScanContainer());
    EXPECT_FLOAT_EQ(wired.GetSpatialCompensationLevel() - bare.GetSpatialCompensationLevel(), 50.0F);
}

TEST(NodeWiringTest, AmbientContainersFlagTheOptionsOfTheirOwnNode) {
    DebugOutputCapture quiet;
    auto mediator = Make(kTypeNearFieldAmbientScanNode);
    QNearFieldAmbientScanOptions& options = *mediator->GetNode()->GetNearFieldAmbientScanOptions();
    options.SetResetFlag(false);
    Deliver(*mediator, SpectralStep(10.0F, 20.0F, {100, 200, 150}));
    EXPECT_EQ(options.m_resetFlag, 1);

    // The mediator's parent is what the containers climb to, and its lock is the node's.
    auto child = Make(kTypeAmbientScanNode, mediator.get());
    EXPECT_EQ(child->GetParentContainerMediator(), static_cast<QContainerNodeMediator*>(mediator.get()));
    QAcquiredScanContainer held(child.get());
    EXPECT_EQ(held.Get(), child->GetNode()->GetScanContainer());
}

TEST(NodeWiringTest, TheAutomaticLevelRangeReadsARealNodesContainer) {
    DebugOutputCapture quiet;
    auto mediator = Make(kTypeSpectralScanNode);
    Deliver(*mediator, SpectralStep(10.0F, 20.0F, {-120, 340, 75}));
    QSpatialDisplayOptions& display = *mediator->GetNode()->GetSpatialDisplayOptions();
    display.m_modeB = 1;
    float low = 0.0F;
    float high = 0.0F;
    display.GetRange(low, high, mediator->GetCompensationThreshold());
    EXPECT_FLOAT_EQ(low, -120.0F);
    EXPECT_FLOAT_EQ(high, 340.0F);
    // The node's lock was given back.
    ASSERT_NE(mediator->LockScanContainer(), nullptr);
    mediator->UnlockScanContainer();
}

// Records, with every box, how many source locks the comparison still held.
class LockCountingPrompt : public ScriptedPrompt {
public:
    PromptAnswer Ask(const PromptRequest& request, std::stop_token stop,
                     PromptAnswer answerIfStopped) override {
        heldAtShow.push_back(comparison != nullptr ? comparison->GetHeldLockCount() : 99U);
        return ScriptedPrompt::Ask(request, stop, answerIfStopped);
    }
    QComparisonScanContainer* comparison = nullptr;
    std::vector<size_t> heldAtShow;
};

TEST(NodeWiringTest, AComparisonNodeChecksItsLinkedNodesAndShowsAfterTheLocksAreGiven) {
    DebugOutputCapture quiet;
    auto prompt = std::make_shared<LockCountingPrompt>();
    ScopedPromptInstall install(prompt);
    auto first = Make(kTypeSpectralScanNode);
    auto second = Make(kTypeSpectralScanNode);
    auto other = Make(kTypeSpectralScanNode);
    Deliver(*first, SpectralStep(10.0F, 20.0F, {1, 2, 3}));
    Deliver(*second, SpectralStep(10.0F, 20.0F, {3, 2, 1}));
    Deliver(*other, SpectralStep(10.5F, 20.0F, {3, 2, 1}));
    auto compare = Make(kTypeSpectralComparisonNode);
    auto& container = dynamic_cast<QComparisonScanContainer&>(*compare->GetNode()->GetScanContainer());
    prompt->comparison = &container;
    auto& owner = dynamic_cast<QComparisonNode&>(*compare->GetNode());

    // No links yet: the stand-by sources hold no scans, so there is nothing to refuse.
    EXPECT_TRUE(compare->CheckComparisonCompatibility());
    EXPECT_TRUE(compare->LinkComparisonSources(first.get(), second.get()));
    EXPECT_EQ(owner.GetFirstLink(), static_cast<QComparisonSource*>(first.get()));
    EXPECT_EQ(owner.GetSecondLink(), static_cast<QComparisonSource*>(second.get()));
    EXPECT_TRUE(prompt->Texts().empty());

    EXPECT_FALSE(compare->LinkComparisonSources(first.get(), other.get()));
    EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"Start frequencies are not the same."});
    EXPECT_EQ(prompt->heldAtShow, std::vector<size_t>{0U});
    EXPECT_EQ(container.GetHeldLockCount(), 0U);
    EXPECT_EQ(container.GetFirstSource(), nullptr);

    // A linked mediator that goes takes its link with it.
    other.reset();
    EXPECT_EQ(compare->GetComparisonLink(false), nullptr);
    EXPECT_EQ(owner.GetSecondLink(), nullptr);
    // And a comparison that goes leaves nothing behind in its sources.
    compare.reset();
    first.reset();
}

TEST(NodeWiringTest, AReferenceNodeLinksAComparisonToItsTarget) {
    DebugOutputCapture quiet;
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall install(prompt);
    auto target = Make(kTypeSpectralScanNode);
    auto second = Make(kTypeSpectralScanNode);
    Deliver(*target, SpectralStep(10.0F, 20.0F, {1, 2, 3}));
    Deliver(*second, SpectralStep(10.0F, 20.0F, {1, 2, 3, 4}));
    auto reference = Make(kTypeSpectralScanReferenceNode);
    auto& proxy = dynamic_cast<QProxyNodeMediator&>(*reference);
    ASSERT_TRUE(proxy.LinkToTarget(*target));
    const QComparisonSource& source = proxy;
    EXPECT_EQ(source.GetLinkedNodeID(), target->GetNodeID());
    EXPECT_NE(proxy.GetNodeID(), target->GetNodeID());

    auto compare = Make(kTypeSpectralComparisonNode);
    EXPECT_FALSE(compare->LinkComparisonSources(reference.get(), second.get()));
    EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"Error#337: Number of points is not the same."});
    proxy.Unlink();
}

TEST(NodeWiringTest, TheInstrumentKeepsTheBlindSpotPassMode) {
    CInstrumentInfo info;
    EXPECT_EQ(info.GetBlindSpotPassMode(), 3);
    info.SetBlindSpotPassMode(2);
    EXPECT_EQ(info.GetBlindSpotPassMode(), 2);
}

} // namespace
} // namespace orv
