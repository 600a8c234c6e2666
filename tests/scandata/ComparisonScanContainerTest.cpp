#include "core/QDescription.h"
#include "core/QDescriptionRecord.h"
#include "core/QException.h"
#include "core/QProbeScanPattern.h"
#include "platform/ui/Prompt.h"
#include "scandata/QBlindSpotReductionScan.h"
#include "scandata/QBlindSpotReductionScanContainer.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialComparisonScan.h"
#include "scandata/QSpatialComparisonScanContainer.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralComparisonScanContainer.h"
#include "scandata/QSpectralOverlayScanContainer.h"
#include "scandata/QSpectralScan.h"
#include "tests/scandata/support/ComparisonFakes.h"
#include "tests/scandata/support/ScanRecordFixtures.h"

#include "analyzers/CInstrumentInfo.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

using testing::FakeComparisonOwner;
using testing::FakeSourceNode;
using testing::LockLog;
using testing::MakeSpatialSource;
using testing::MakeSpectralSource;

// Answers every box and notes how many source locks were held when it was asked.
class LockWatchingPrompt : public Prompt {
public:
    explicit LockWatchingPrompt(std::vector<FakeSourceNode*> nodes) : m_nodes(std::move(nodes)) {}
    PromptAnswer Ask(const PromptRequest& request, std::stop_token /*stop*/,
                     PromptAnswer /*ifStopped*/) override {
        int held = 0;
        for (FakeSourceNode* node : m_nodes) {
            held += node->HeldCount();
        }
        m_requests.push_back(request);
        m_heldWhenAsked.push_back(held);
        return PromptAnswer::Ok;
    }
    std::vector<FakeSourceNode*> m_nodes;
    std::vector<PromptRequest> m_requests;
    std::vector<int> m_heldWhenAsked;
};

class PromptInstallation {
public:
    explicit PromptInstallation(std::shared_ptr<Prompt> prompt)
        : m_previous(InstallPrompt(std::move(prompt))) {}
    ~PromptInstallation() { InstallPrompt(m_previous); }

private:
    std::shared_ptr<Prompt> m_previous;
};

struct SpectralSide {
    float start;
    float stop;
    uint32_t points;
    const char* head;
};

struct SpectralCase {
    const char* name;
    SpectralSide first;
    SpectralSide second;
    bool compatible;
    const char* text; // queued when messages are asked for; null for none
};

TEST(ComparisonScanContainer, SpectralCompatibilityTable) {
    const SpectralCase cases[] = {
        {"same", {100.0F, 200.0F, 401, "HeadA,1"}, {100.0F, 200.0F, 401, "HeadA,1"}, true, nullptr},
        {"start within 0.01",
         {100.0F, 200.0F, 401, "HeadA"},
         {100.005F, 200.0F, 401, "HeadA"},
         true,
         nullptr},
        {"start apart",
         {100.0F, 200.0F, 401, "HeadA"},
         {100.02F, 200.0F, 401, "HeadA"},
         false,
         "Start frequencies are not the same."},
        {"stop apart",
         {100.0F, 200.0F, 401, "HeadA"},
         {100.0F, 200.5F, 401, "HeadA"},
         false,
         "Stop frequencies are not the same."},
        {"points differ",
         {100.0F, 200.0F, 401, "HeadA"},
         {100.0F, 200.0F, 801, "HeadA"},
         false,
         "Error#337: Number of points is not the same."},
        {"same scanner, other suffix",
         {100.0F, 200.0F, 401, "HeadA,2,3"},
         {100.0F, 200.0F, 401, "HeadA,9"},
         true,
         nullptr},
        {"other scanner",
         {100.0F, 200.0F, 401, "HeadA,1"},
         {100.0F, 200.0F, 401, "HeadB,1"},
         false,
         "Different Scanners "},
        {"other scanner, no comma",
         {100.0F, 200.0F, 401, "HeadA"},
         {100.0F, 200.0F, 401, "HeadB"},
         false,
         "Different Scanners "},
        {"scanner checked before the range",
         {100.0F, 200.0F, 401, "HeadA,1"},
         {150.0F, 200.0F, 9, "HeadB,1"},
         false,
         "Different Scanners "},
    };
    for (const SpectralCase& row : cases) {
        SCOPED_TRACE(row.name);
        FakeSourceNode a(
            1, MakeSpectralSource(row.first.start, row.first.stop, row.first.points, row.first.head));
        FakeSourceNode b(
            2, MakeSpectralSource(row.second.start, row.second.stop, row.second.points, row.second.head));
        FakeComparisonOwner owner(&a, &b);
        QSpectralComparisonScanContainer comparison(&owner);
        QSpectralOverlayScanContainer overlay(&owner);
        for (QComparisonScanContainer* container :
             std::vector<QComparisonScanContainer*>{&comparison, &overlay}) {
            container->ResolveSources();
            EXPECT_EQ(container->CheckCompatibility(false), row.compatible);
            EXPECT_EQ(container->HasScanData(), row.compatible);
            EXPECT_TRUE(container->GetPendingMessages().empty());
            EXPECT_EQ(container->CheckCompatibility(true), row.compatible);
            const std::vector<std::string> expected =
                row.text != nullptr ? std::vector<std::string>{row.text} : std::vector<std::string>{};
            EXPECT_EQ(container->GetPendingMessages(), expected);
            container->ReleaseSources();
            auto prompt = std::make_shared<LockWatchingPrompt>(std::vector<FakeSourceNode*>{&a, &b});
            const PromptInstallation installed(prompt);
            container->ShowPendingMessages();
            ASSERT_EQ(prompt->m_requests.size(), expected.size());
            for (const PromptRequest& request : prompt->m_requests) {
                EXPECT_EQ(request.caption, "Incompatible Scans");
                EXPECT_EQ(request.icon, PromptIcon::Information);
                EXPECT_EQ(request.buttons, PromptButtons::Ok);
            }
            EXPECT_TRUE(container->GetPendingMessages().empty());
        }
    }
}

TEST(ComparisonScanContainer, CentreFrequencyRuleOfTheSpatialKinds) {
    struct Row {
        float firstStart, firstStop, secondStart, secondStop;
        bool compatible;
    };
    const Row rows[] = {
        {10.0F, 20.0F, 12.0F, 18.0F, true},  // same centre, other span
        {10.0F, 20.0F, 10.0F, 20.01F, true}, // centre 0.005 apart
        {10.0F, 20.0F, 10.0F, 20.1F, false},
        {10.0F, 20.0F, 30.0F, 40.0F, false},
    };
    for (const Row& row : rows) {
        FakeSourceNode a(1, MakeSpatialSource(row.firstStart, row.firstStop, 4, 4, 4, 4));
        FakeSourceNode b(2, MakeSpatialSource(row.secondStart, row.secondStop, 4, 4, 4, 4));
        FakeComparisonOwner owner(&a, &b);
        QSpatialComparisonScanContainer spatial(&owner);
        QBlindSpotReductionScanContainer blindSpot(&owner);
        for (QComparisonScanContainer* container :
             std::vector<QComparisonScanContainer*>{&spatial, &blindSpot}) {
            const QComparisonSourcesScope scope(*container);
            EXPECT_EQ(container->CheckCompatibility(true), row.compatible);
            EXPECT_EQ(container->HasScanData(), row.compatible);
            const std::vector<std::string> expected =
                row.compatible ? std::vector<std::string>{}
                               : std::vector<std::string>{"Center frequencies are not the same."};
            EXPECT_EQ(container->GetPendingMessages(), expected);
            container->ShowPendingMessages();
        }
    }
}

TEST(ComparisonScanContainer, DifferentScannersIsShownOncePerLinkAfterTheLocksAreReleased) {
    FakeSourceNode a(1, MakeSpectralSource(100.0F, 200.0F, 11, "HeadA,1"));
    FakeSourceNode b(2, MakeSpectralSource(100.0F, 200.0F, 11, "HeadB,1"));
    FakeSourceNode c(3, MakeSpectralSource(100.0F, 200.0F, 11, "HeadC,1"));
    auto prompt = std::make_shared<LockWatchingPrompt>(std::vector<FakeSourceNode*>{&a, &b, &c});
    const PromptInstallation installed(prompt);

    FakeComparisonOwner owner(&a, &b);
    QSpectralComparisonScanContainer comparison(&owner);
    for (int pass = 0; pass < 3; ++pass) {
        const QComparisonSourcesScope scope(comparison);
        EXPECT_FALSE(comparison.HasScanData());
        EXPECT_FALSE(comparison.CheckCompatibility(true));
        EXPECT_FALSE(comparison.CheckCompatibility(true));
    }
    ASSERT_EQ(prompt->m_requests.size(), 1U);
    EXPECT_EQ(prompt->m_requests[0].text, "Different Scanners ");
    EXPECT_EQ(prompt->m_heldWhenAsked[0], 0);

    // Linking another node is another link: it is told once more.
    FakeComparisonOwner relinked(&a, &c);
    QSpectralOverlayScanContainer overlay(&relinked);
    {
        const QComparisonSourcesScope scope(overlay);
        EXPECT_FALSE(overlay.CheckCompatibility(false));
        EXPECT_TRUE(overlay.GetPendingMessages().empty());
        EXPECT_FALSE(overlay.CheckCompatibility(true));
    }
    ASSERT_EQ(prompt->m_requests.size(), 2U);
    EXPECT_EQ(prompt->m_heldWhenAsked[1], 0);
}

TEST(ComparisonScanContainer, SourceLocksFollowTheNodeIdOrderAndAreGivenBackInReverse) {
    struct Row {
        uint32_t firstId, secondId;
        std::vector<std::string> log;
    };
    const Row rows[] = {
        {3, 7, {"+3", "+7", "-7", "-3"}},
        {7, 3, {"+3", "+7", "-7", "-3"}},
        {5, 5, {"+5", "+5", "-5", "-5"}}, // equal: the second link first
    };
    for (const Row& row : rows) {
        LockLog log;
        FakeSourceNode a(row.firstId, MakeSpectralSource(100.0F, 200.0F, 5, "H,1", 10), &log);
        FakeSourceNode b(row.secondId, MakeSpectralSource(100.0F, 200.0F, 5, "H,1", 20), &log);
        FakeComparisonOwner owner(&a, &b);
        QSpectralComparisonScanContainer comparison(&owner);
        comparison.ResolveSources();
        // The first source is the first link's container whatever the order of locking.
        EXPECT_EQ(comparison.GetFirstSource(), a.Container());
        EXPECT_EQ(comparison.GetSecondSource(), b.Container());
        EXPECT_EQ(comparison.GetHeldLockCount(), 2U);
        comparison.ReleaseSources();
        EXPECT_EQ(log.Entries(), row.log);
        EXPECT_EQ(comparison.GetFirstSource(), nullptr);
        EXPECT_EQ(a.HeldCount() + b.HeldCount(), 0);
    }
}

TEST(ComparisonScanContainer, FailedResolutionFallsBackToTheDummyAndHoldsNoLock) {
    // Which link fails, and whether it is locked first (lower ID) or second.
    struct Row {
        uint32_t firstId, secondId;
        bool failFirst;
    };
    const Row rows[] = {{1, 2, false}, {1, 2, true}, {2, 1, false}, {2, 1, true}};
    for (const Row& row : rows) {
        LockLog log;
        FakeSourceNode a(row.firstId, MakeSpectralSource(100.0F, 200.0F, 5, "H,1"), &log);
        FakeSourceNode b(row.secondId, MakeSpectralSource(100.0F, 200.0F, 5, "H,1"), &log);
        (row.failFirst ? a : b).FailWith("Error#999: node gone");
        FakeComparisonOwner owner(&a, &b);
        QSpectralComparisonScanContainer comparison(&owner);
        QSpectralOverlayScanContainer overlay(&owner);
        comparison.ResolveSources();
        overlay.ResolveSources();
        EXPECT_EQ(a.HeldCount() + b.HeldCount(), 0);
        EXPECT_EQ(comparison.GetHeldLockCount(), 0U);
        EXPECT_EQ(comparison.GetLastError(), "Error#999: node gone");
        EXPECT_EQ(comparison.GetFirstSource(), &comparison.GetStandby());
        EXPECT_EQ(comparison.GetSecondSource(), &comparison.GetStandby());
        EXPECT_FALSE(comparison.HasScanData());
        EXPECT_EQ(comparison.GetSpectralScan(), nullptr);
        float low = -1.0F;
        float high = -1.0F;
        comparison.GetLevelRange(&low, &high);
        EXPECT_EQ(low, 0.0F);
        EXPECT_EQ(high, 0.0F);
        overlay.GetLevelRange(&low, &high);
        EXPECT_EQ(low, 100.0F);
        EXPECT_EQ(high, 1000.0F);
        float start = -1.0F;
        comparison.GetFrequencyRange(&start, nullptr);
        EXPECT_EQ(start, 0.0F);
        EXPECT_TRUE(comparison.GetPendingMessages().empty());
        comparison.ReleaseSources();
        overlay.ReleaseSources();
        EXPECT_EQ(comparison.GetFirstSource(), nullptr);
        EXPECT_EQ(comparison.GetSecondSource(), nullptr);
        // Every lock that was taken was given back.
        int balance = 0;
        for (const std::string& entry : log.Entries()) {
            balance += entry[0] == '+' ? 1 : -1;
        }
        EXPECT_EQ(balance, 0);
    }
}

TEST(ComparisonScanContainer, MissingLinksAndComparisonSourcesAreRefusedWithoutALock) {
    FakeSourceNode a(1, MakeSpectralSource(100.0F, 200.0F, 5, "H,1"));
    FakeComparisonOwner unlinked(&a, nullptr);
    QSpectralComparisonScanContainer comparison(&unlinked);
    comparison.ResolveSources();
    EXPECT_EQ(comparison.GetFirstSource(), &comparison.GetStandby());
    EXPECT_EQ(a.HeldCount(), 0);
    comparison.ReleaseSources();

    // A comparison linked to a comparison would take locks against the hierarchy.
    FakeComparisonOwner inner(&a, &a);
    FakeSourceNode nested(2, std::make_unique<QSpectralComparisonScanContainer>(&inner));
    FakeComparisonOwner outer(&a, &nested);
    QSpectralComparisonScanContainer top(&outer);
    top.ResolveSources();
    EXPECT_EQ(top.GetFirstSource(), &top.GetStandby());
    EXPECT_EQ(a.HeldCount() + nested.HeldCount(), 0);
    // Refused before any lock was taken, the sound source's included.
    EXPECT_EQ(a.AcquiredCount() + nested.AcquiredCount(), 0);
    EXPECT_TRUE(top.GetLastError().empty());
    top.ReleaseSources();
}

TEST(ComparisonScanContainer, SpectralDifferenceAndItsLevelRange) {
    FakeSourceNode a(1, MakeSpectralSource(100.0F, 200.0F, 21, "H,1", 100));
    FakeSourceNode b(2, MakeSpectralSource(100.0F, 200.0F, 21, "H,1", 40));
    FakeComparisonOwner owner(&a, &b);
    QSpectralComparisonScanContainer comparison(&owner);
    {
        const QComparisonSourcesScope scope(comparison);
        ASSERT_TRUE(comparison.HasScanData());
        const QSpectralScanInterface* result = comparison.GetSpectralScan();
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->GetAmplitude(3), 60);
        EXPECT_EQ(comparison.GetSpectralScan(), result);
        float low = 0.0F;
        float high = 0.0F;
        comparison.GetLevelRange(&low, &high);
        EXPECT_EQ(low, 60.0F);
        EXPECT_EQ(high, 60.0F);
        EXPECT_TRUE(comparison.IsRangeComputed());
        EXPECT_EQ(&comparison.GetDescription(), &a.Container()->GetDescription());
    }
    EXPECT_FALSE(comparison.IsRangeComputed());

    // Both sources say they hold data but hold no point: the range of the empty result is 0, 0.
    FakeSourceNode emptyA(3, MakeSpectralSource(100.0F, 200.0F, 0, "H,1"));
    FakeSourceNode emptyB(4, MakeSpectralSource(100.0F, 200.0F, 0, "H,1"));
    FakeComparisonOwner emptyOwner(&emptyA, &emptyB);
    QSpectralComparisonScanContainer empty(&emptyOwner);
    const QComparisonSourcesScope scope(empty);
    ASSERT_TRUE(empty.HasScanData());
    float low = -1.0F;
    float high = -1.0F;
    empty.GetLevelRange(&low, &high);
    EXPECT_EQ(low, 0.0F);
    EXPECT_EQ(high, 0.0F);
}

TEST(ComparisonScanContainer, OverlayHandsOutTheSourcesRecords) {
    FakeSourceNode a(1, MakeSpectralSource(100.0F, 200.0F, 9, "H,1", 300));
    FakeSourceNode b(2, MakeSpectralSource(100.0F, 200.0F, 9, "H,1", 50));
    FakeComparisonOwner owner(&a, &b);
    QSpectralOverlayScanContainer overlay(&owner);
    const QComparisonSourcesScope scope(overlay);
    EXPECT_EQ(overlay.GetSpectralScan(), b.Container()->GetSpectralScan());
    EXPECT_EQ(overlay.GetSpectralScanForCells(QProbeScanPattern(1, 1)), a.Container()->GetSpectralScan());
    EXPECT_EQ(&overlay.GetMeasuredFrequencyData(), &a.Container()->GetMeasuredFrequencyData());
    float low = 0.0F;
    float high = 0.0F;
    overlay.GetLevelRange(&low, &high);
    EXPECT_EQ(low, 50.0F);
    EXPECT_EQ(high, 306.0F);
}

TEST(ComparisonScanContainer, SourcesAreCorrectedOnlyOnce) {
    const testing::ScanCorrectionFolder folder;
    const std::string head = std::string(testing::ScanCorrectionFolder::kHead) + ",2,3";
    FakeSourceNode a(1, MakeSpectralSource(100.0F, 400.0F, 7, head, 50));
    FakeSourceNode b(2, MakeSpectralSource(100.0F, 400.0F, 7, head, 80));
    auto& first = static_cast<QSpectralScanContainer*>(a.Container())->GetSpectralScanRecord();
    auto& second = static_cast<QSpectralScanContainer*>(b.Container())->GetSpectralScanRecord();
    FakeComparisonOwner owner(&a, &b);
    QSpectralComparisonScanContainer comparison(&owner);
    {
        const QComparisonSourcesScope scope(comparison);
        comparison.CorrectSpectralSources(100.0F, 400.0F);
    }
    ASSERT_TRUE(first.IsCorrected());
    ASSERT_TRUE(second.IsCorrected());
    EXPECT_NE(first.GetCorrectionSet(), 0);
    EXPECT_EQ(first.GetNoiseFloor(), 53); // levels 50..56 all lie below mean + 2 deviations
    EXPECT_EQ(second.GetNoiseFloor(), 83);

    // A second correction under a head without factors would clear the set: it must not happen.
    GetInstrumentInfo().SetScanHeadText("NoSuchHead,1");
    {
        const QComparisonSourcesScope scope(comparison);
        comparison.CorrectSpectralSources(100.0F, 400.0F);
    }
    EXPECT_NE(first.GetCorrectionSet(), 0);
    EXPECT_NE(second.GetCorrectionSet(), 0);
    GetInstrumentInfo().SetScanHeadText(head);

    // The overlay names each source's scan head before correcting it, and a node linked as both
    // sources is corrected once.
    FakeSourceNode twice(5, MakeSpectralSource(100.0F, 400.0F, 7, head, 20));
    FakeComparisonOwner overlayOwner(&twice, &twice);
    QSpectralOverlayScanContainer overlay(&overlayOwner);
    {
        const QComparisonSourcesScope scope(overlay);
        overlay.CorrectSpectralSources(100.0F, 400.0F);
    }
    EXPECT_EQ(overlayOwner.ScanHeads(), (std::vector<std::string>{head, head}));
    EXPECT_TRUE(
        static_cast<QSpectralScanContainer*>(twice.Container())->GetSpectralScanRecord().IsCorrected());
    EXPECT_EQ(twice.HeldCount(), 0);

    // Spatial sources.
    FakeSourceNode c(6, MakeSpatialSource(100.0F, 400.0F, 2, 3, 2, 3));
    FakeSourceNode d(7, MakeSpatialSource(100.0F, 400.0F, 2, 3, 2, 3));
    FakeComparisonOwner spatialOwner(&c, &d);
    QSpatialComparisonScanContainer spatial(&spatialOwner);
    auto& map = static_cast<QSpatialScanContainer*>(c.Container())->GetSpatialScanRecord();
    {
        const QComparisonSourcesScope scope(spatial);
        spatial.CorrectSpatialSources();
    }
    ASSERT_TRUE(map.IsCorrected());
    const float factor = map.GetCellCorrection(1, 2);
    GetInstrumentInfo().SetScanHeadText("NoSuchHead,1");
    {
        const QComparisonSourcesScope scope(spatial);
        spatial.CorrectSpatialSources();
    }
    EXPECT_EQ(map.GetCellCorrection(1, 2), factor);
    EXPECT_TRUE(static_cast<QSpatialScanContainer*>(d.Container())->GetSpatialScanRecord().IsCorrected());
}

TEST(ComparisonScanContainer, CommonPatternOfTwoGridsIs29By40) {
    FakeSourceNode a(1, MakeSpatialSource(100.0F, 200.0F, 29, 42, 29, 42, 500));
    FakeSourceNode b(2, MakeSpatialSource(100.0F, 200.0F, 32, 40, 32, 40, 100));
    static_cast<QSpatialScanContainer*>(b.Container())
        ->GetSetupScanCommand()
        .GetProbeScanPattern()
        .SetProbeAt(0, 1, 0);
    FakeComparisonOwner owner(&a, &b);
    QSpatialComparisonScanContainer comparison(&owner);
    const QComparisonSourcesScope scope(comparison);
    const QProbeScanPattern& common = comparison.GetProbeScanPattern();
    EXPECT_EQ(common.GetRows(), 29);
    EXPECT_EQ(common.GetColumns(), 40);
    EXPECT_EQ(common.GetProbeOnCount(), 29U * 40U - 1U);
    EXPECT_FALSE(common.IsProbeOn(0, 1));
    EXPECT_TRUE(common.IsProbeOn(28, 39));
    EXPECT_EQ(common.GetHeightAt(5, 5), 100);
    EXPECT_EQ(&comparison.GetProbeScanPattern(), &common);

    ASSERT_TRUE(comparison.HasScanData());
    const QSpatialScanInterface* result = comparison.GetSpatialScan();
    ASSERT_NE(dynamic_cast<const QSpatialComparisonScan*>(result), nullptr);
    EXPECT_EQ(result->GetRowCount(), 29);
    EXPECT_EQ(result->GetColumnCount(), 40);
    float low = 0.0F;
    float high = 0.0F;
    comparison.GetLevelRange(&low, &high);
    EXPECT_EQ(low, 400.0F);
    EXPECT_EQ(high, 400.0F);
}

TEST(ComparisonScanContainer, CommonPatternStaysInsideBothHeatMaps) {
    // A's pattern reaches beyond its heat map; a cell outside it holds no value in the result, and
    // a cell without a value is not a level.
    FakeSourceNode a(1, MakeSpatialSource(100.0F, 200.0F, 6, 6, 3, 6, 200));
    FakeSourceNode b(2, MakeSpatialSource(100.0F, 200.0F, 6, 6, 6, 6, 100));
    auto& mapB = static_cast<QSpatialScanContainer*>(b.Container())->GetSpatialScanRecord();
    mapB.SetStoredAmplitude(0, 0, QSpatialComparisonScan::kNoValue);
    FakeComparisonOwner owner(&a, &b);
    QSpatialComparisonScanContainer comparison(&owner);
    QBlindSpotReductionScanContainer blindSpot(&owner);
    {
        const QComparisonSourcesScope scope(comparison);
        const QProbeScanPattern& common = comparison.GetProbeScanPattern();
        EXPECT_EQ(common.GetProbeOnCount(), 18U);
        EXPECT_FALSE(common.IsProbeOn(3, 0));
        float low = 0.0F;
        float high = 0.0F;
        comparison.GetLevelRange(&low, &high);
        EXPECT_EQ(low, 100.0F);
        EXPECT_EQ(high, 100.0F);
    }
    {
        const QComparisonSourcesScope scope(blindSpot);
        EXPECT_NE(dynamic_cast<const QBlindSpotReductionScan*>(blindSpot.GetSpatialScan()), nullptr);
        EXPECT_TRUE(blindSpot.HasScanData());
    }

    // A pattern asked for outside the window is not kept into the next one.
    QSpatialComparisonScanContainer late(&owner);
    EXPECT_EQ(late.GetProbeScanPattern().GetRows(),
              QSpatialComparisonScanContainer(&owner).GetStandby().GetProbeScanPattern().GetRows());
    {
        const QComparisonSourcesScope scope(late);
        EXPECT_EQ(late.GetProbeScanPattern().GetProbeOnCount(), 18U);
    }

    // No common cell: no data, and the range is 0, 0.
    FakeSourceNode c(3, MakeSpatialSource(100.0F, 200.0F, 2, 2, 2, 2));
    static_cast<QSpatialScanContainer*>(c.Container())
        ->GetSetupScanCommand()
        .GetProbeScanPattern()
        .SetAllProbes(0);
    FakeComparisonOwner noCells(&c, &b);
    QSpatialComparisonScanContainer none(&noCells);
    const QComparisonSourcesScope scope(none);
    EXPECT_FALSE(none.HasScanData());
    float low = -1.0F;
    float high = -1.0F;
    none.GetLevelRange(&low, &high);
    EXPECT_EQ(low, 0.0F);
    EXPECT_EQ(high, 0.0F);
}

TEST(ComparisonScanContainer, KindsStoreNothing) {
    FakeComparisonOwner owner(nullptr, nullptr);
    QSpectralComparisonScanContainer spectral(&owner);
    QSpatialComparisonScanContainer spatial(&owner);
    QSpectralOverlayScanContainer overlay(&owner);
    QBlindSpotReductionScanContainer blindSpot(&owner);
    const std::pair<QComparisonScanContainer*, uint16_t> kinds[] = {
        {&spectral, 1013}, {&spatial, 1014}, {&overlay, 1015}, {&blindSpot, 1027}};
    for (const auto& [container, id] : kinds) {
        EXPECT_EQ(container->GetTypeID(), id);
        EXPECT_EQ(container->GetBodySize(), 0U);
        EXPECT_TRUE(testing::SizedBodyBytes(*container).empty());
        EXPECT_TRUE(container->IsStale());
        EXPECT_FALSE(container->IsUpdated());
        // Outside the resolution window nothing is read from a source.
        EXPECT_FALSE(container->HasScanData());
        EXPECT_EQ(container->GetSpectralScan() == nullptr, true);
    }
}

} // namespace
} // namespace orv
