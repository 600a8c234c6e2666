#include "core/QProbeScanPattern.h"
#include "core/QScanOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "platform/msg/MessageTarget.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNodeFactory.h"
#include "project/QScanDescription.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QHandHeldProbeScan.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QTransportContainer.h"
#include "tests/project/support/ProjectContainerFakes.h"
#include "tests/scandata/support/ContainerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {
namespace {

class FixedDescriptionSource final : public QScanDescriptionSource {
public:
    std::optional<std::tm> LocalTimeNow() override { return m_time; }
    std::string UserName() override { return "operator"; }
    std::optional<std::tm> m_time;
};

QSetupScanCommand* MakeSetup() {
    auto* setup = new QSetupScanCommand();
    QProbeScanPattern pattern(2, 3);
    pattern.SetProbeAt(1, 1, 0);
    setup->SetProbeScanPattern(pattern);
    setup->SetFrequencyRange(100.0F, 200.0F);
    setup->m_MeasurePeaks = 1;
    return setup;
}

std::unique_ptr<QTransportContainer> SpectrumStep(std::vector<int16_t> levels) {
    auto* record = new QSpectralScan();
    record->SetPointCount(static_cast<uint32_t>(levels.size()));
    for (uint32_t i = 0; i < levels.size(); ++i) {
        record->SetAmplitude(i, levels[i]);
    }
    auto step = std::make_unique<QTransportContainer>();
    step->SetSetupScanCommand(MakeSetup());
    step->SetSpectralScan(record);
    return step;
}

std::unique_ptr<QTransportContainer> SpatialStep() {
    auto* record = new QSpatialScan();
    std::vector<uint8_t> body = {0, 0, 0, 2, 0, 3, 0, 2, 0, 3, 0, 0, 0};
    for (uint8_t level = 1; level <= 6; ++level) {
        body.push_back(level);
        body.push_back(0);
    }
    testing::ReadBodyFrom(*record, body);
    auto step = std::make_unique<QTransportContainer>();
    step->SetSetupScanCommand(MakeSetup());
    step->SetSpatialScan(record);
    return step;
}

std::unique_ptr<QTransportContainer> CellStep(uint16_t kind, uint16_t row, uint16_t column,
                                              const std::vector<int16_t>& levels, bool withSetup) {
    auto step = std::make_unique<QTransportContainer>();
    if (withSetup) {
        step->SetSetupScanCommand(MakeSetup()); // five cells on: (1, 1) is off
    }
    if (kind == kTypeHandHeldProbeScanNode) {
        auto* record = new QHandHeldProbeScan();
        record->SetCell(row, column);
        record->SetHeader(0, 0, 0);
        record->SetPointCount(static_cast<uint32_t>(levels.size()));
        for (uint32_t i = 0; i < levels.size(); ++i) {
            record->SetAmplitude(i, levels[i]);
        }
        step->SetHandHeldProbeScan(record);
        return step;
    }
    auto* component = new QSpectralSpatialScanComponent();
    component->SetCell(row, column, 0);
    component->SetHeader(0, 0, 0);
    component->SetPointCount(static_cast<uint32_t>(levels.size()));
    for (uint32_t i = 0; i < levels.size(); ++i) {
        component->SetAmplitude(i, levels[i]);
    }
    step->SetSpectralSpatialScanComponent(component);
    return step;
}

class ReceivedScanIntakeTest : public ::testing::Test {
protected:
    ReceivedScanIntakeTest() : m_install(m_source) {
        std::tm time{};
        time.tm_year = 126;
        time.tm_mon = 11;
        time.tm_mday = 10;
        time.tm_hour = 7;
        time.tm_min = 1;
        time.tm_sec = 2;
        m_source.m_time = time;
    }

    std::unique_ptr<QNodeMediator> Make(uint16_t kind) {
        QNodeFactory factory(QFundamentalNodeMediator::MakeMaker(m_thread, &m_frame));
        std::unique_ptr<QNodeMediator> mediator =
            factory.CreateNodeWithMediator(nullptr, nullptr, kind, nullptr, false);
        mediator->SetKind(kind);
        return mediator;
    }

    FixedDescriptionSource m_source;
    ScopedScanDescriptionSourceInstall m_install;
    MessageThread m_thread;
    containertest::FakeMainFrame m_frame;
};

TEST_F(ReceivedScanIntakeTest, SpectralScanIsListedOnTheUserInterfaceThreadWithItsTextsAndNextId) {
    std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpectralScanNode);
    mediator->TakeTransportContainer(SpectrumStep({10, 20, 30}), false, nullptr, false);
    mediator->UpdateInformation(0);
    // The worker only posts: nothing is listed before the user-interface thread takes the message.
    EXPECT_EQ(mediator->GetScanDataCount(), 0U);
    EXPECT_EQ(m_thread.GetPendingCount(), 1U);
    // The listing, then the newest-scan notification the live listing posts.
    EXPECT_EQ(m_thread.Pump(), 2U);
    ASSERT_EQ(mediator->GetScanDataCount(), 1U);
    const CSpectralScanData* scan = mediator->FindSpectralScanData(1);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->m_DateText, "2026-12-10,  07:01:02");
    EXPECT_EQ(scan->m_UserText, "operator");
    EXPECT_EQ(scan->m_ExtraText, "");
    EXPECT_NE(scan->m_ScanHeadText.find(",  29 x 42"), std::string::npos);
    EXPECT_EQ(scan->m_ModuleText.rfind("5.1.2.0  ;   ", 0), 0U);
    EXPECT_EQ(scan->GetMirtPoints().size(), 3U);
    EXPECT_EQ(scan->m_PeakHold, 0);

    // Peak hold and the reference level are taken from the scan options when the scan is listed.
    mediator->GetScanOptions()->SetPeakHold(true);
    mediator->GetScanOptions()->SetReferenceLevel(87.5F);

    mediator->TakeTransportContainer(SpectrumStep({11, 21, 31}), false, nullptr, false);
    mediator->UpdateInformation(0);
    m_thread.Pump();
    EXPECT_EQ(mediator->GetScanDataCount(), 2U);
    ASSERT_NE(mediator->FindSpectralScanData(2), nullptr);
    EXPECT_EQ(mediator->FindSpectralScanData(2)->m_PeakHold, 1);
    EXPECT_EQ(mediator->FindSpectralScanData(2)->m_ReferenceLevel, 87.5F);
}

TEST_F(ReceivedScanIntakeTest, SpatialScanListsTheGridWithTheSwitchedOffCellUnmeasured) {
    std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpatialScanNode);
    mediator->TakeTransportContainer(SpatialStep(), false, nullptr, false);
    mediator->UpdateInformation(0);
    EXPECT_EQ(m_thread.Pump(), 2U);
    const CSpatialScanData* scan = mediator->FindSpatialScanData(1);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->m_Values, (std::vector<int16_t>{1, 2, 3, 4, 30000, 6}));
    EXPECT_EQ(scan->m_DateText, "2026-12-10,  07:01:02");
}

TEST_F(ReceivedScanIntakeTest, CellsOfASpectralSpatialOrHandHeldRunGoToTheScanTheFirstCellOpened) {
    for (uint16_t kind : {kTypeSpectralSpatialScanNode, kTypeHandHeldProbeScanNode}) {
        SCOPED_TRACE(kind);
        std::unique_ptr<QNodeMediator> mediator = Make(kind);
        const std::vector<std::pair<uint16_t, uint16_t>> cells = {{0, 0}, {0, 2}};
        for (int run = 0; run < 2; ++run) {
            for (size_t i = 0; i < cells.size(); ++i) {
                mediator->TakeTransportContainer(
                    CellStep(kind, cells[i].first, cells[i].second, {int16_t(10 * (i + 1)), 5, 7}, i == 0),
                    false, nullptr, false);
                mediator->UpdateInformation(0);
                m_thread.Pump();
            }
        }
        // Two runs of two cells each: two scans, IDs 1 and 2, each with its two cells.
        EXPECT_EQ(mediator->GetScanDataCount(), 2U);
        for (int32_t id : {1, 2}) {
            if (kind == kTypeHandHeldProbeScanNode) {
                const CHandHeldProbeScanData* scan = mediator->FindHandHeldProbeScanData(id);
                ASSERT_NE(scan, nullptr) << id;
                EXPECT_EQ(scan->m_Units.size(), 2U);
                EXPECT_EQ(scan->m_DateText, "2026-12-10,  07:01:02");
            } else {
                const CSpectralSpatialScanData* scan = mediator->FindSpectralSpatialScanData(id);
                ASSERT_NE(scan, nullptr) << id;
                EXPECT_EQ(scan->m_CellCount, 5U);
                ASSERT_EQ(scan->m_Units.size(), 2U);
                EXPECT_EQ(scan->m_Units[1]->m_Row, 0);
                EXPECT_EQ(scan->m_Units[1]->m_Column, 2);
                EXPECT_EQ(scan->m_DateText, "2026-12-10,  07:01:02");
            }
        }
    }
}

TEST_F(ReceivedScanIntakeTest, CellsOfAScanDeletedWhileItRunsAreDropped) {
    std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpectralSpatialScanNode);
    mediator->TakeTransportContainer(CellStep(kTypeSpectralSpatialScanNode, 0, 0, {1, 2}, true), false,
                                     nullptr, false);
    mediator->UpdateInformation(0);
    m_thread.Pump();
    ASSERT_TRUE(mediator->DeleteSpectralSpatialScanData(1));
    mediator->TakeTransportContainer(CellStep(kTypeSpectralSpatialScanNode, 0, 1, {3, 4}, false), false,
                                     nullptr, false);
    mediator->UpdateInformation(0);
    m_thread.Pump();
    EXPECT_EQ(mediator->GetScanDataCount(), 0U);
}

std::unique_ptr<QTransportContainer> FrequencyStep(std::vector<QMeasuredFrequencyData::Entry> entries) {
    auto* measured = new QMeasuredFrequencyData();
    measured->SetEntryCount(static_cast<uint32_t>(entries.size()));
    for (uint32_t k = 0; k < entries.size(); ++k) {
        measured->SetEntryIndex(k, entries[k].m_Index);
        measured->SetEntryFrequency(k, entries[k].m_Frequency);
    }
    auto step = std::make_unique<QTransportContainer>();
    step->SetMeasuredFrequencyData(measured);
    return step;
}

TEST_F(ReceivedScanIntakeTest, AFrequencyOnlyHandOverCompletesTheListedScanInsteadOfAddingOne) {
    std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpectralScanNode);
    mediator->TakeTransportContainer(SpectrumStep({10, 20, 30}), false, nullptr, false);
    mediator->UpdateInformation(0);
    m_thread.Pump();
    mediator->TakeTransportContainer(FrequencyStep({{1, 150.0F}, {2, 250.0F}}), false, nullptr, false);
    mediator->UpdateInformation(0);
    m_thread.Pump();
    EXPECT_EQ(mediator->GetScanDataCount(), 1U);
    const CSpectralScanData* scan = mediator->FindSpectralScanData(1);
    ASSERT_NE(scan, nullptr);
    // The peak outside 100..200 MHz is left out.
    ASSERT_EQ(scan->m_MeasuredFrequencies.size(), 1U);
    EXPECT_EQ(scan->m_MeasuredFrequencies[0].m_Index, 1U);
    // With the scan deleted meanwhile, the frequencies make no scan of their own.
    ASSERT_TRUE(mediator->DeleteSpectralScanData(1));
    mediator->TakeTransportContainer(FrequencyStep({{1, 160.0F}}), false, nullptr, false);
    mediator->UpdateInformation(0);
    m_thread.Pump();
    EXPECT_EQ(mediator->GetScanDataCount(), 0U);

    // Spectral/spatial: the closing call of the scan the first cell opened.
    std::unique_ptr<QNodeMediator> cells = Make(kTypeSpectralSpatialScanNode);
    cells->TakeTransportContainer(CellStep(kTypeSpectralSpatialScanNode, 0, 0, {1, 2, 3}, true), false,
                                  nullptr, false);
    cells->UpdateInformation(0);
    m_thread.Pump();
    cells->TakeTransportContainer(FrequencyStep({{2, 120.0F}}), false, nullptr, false);
    cells->UpdateInformation(0);
    m_thread.Pump();
    EXPECT_EQ(cells->GetScanDataCount(), 1U);
    const CSpectralSpatialScanData* entry = cells->FindSpectralSpatialScanData(1);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->m_Completed, 1);
    EXPECT_EQ(entry->m_Units.size(), 1U);
}

TEST_F(ReceivedScanIntakeTest, AContinuousPeakHoldRunReplacesItsScanOnlyWhenEveryConditionHolds) {
    struct Case {
        bool continuous;
        bool inProgress;
        bool peakHold;
        bool accumulate; // the spectral display's flag stands in for peak hold
        bool scanError;
        size_t scans; // after three packets
    };
    const Case cases[] = {
        {true, true, true, false, false, 1}, {true, true, false, true, false, 1},
        {true, true, true, true, false, 1},  {false, true, true, true, false, 3},
        {true, false, true, true, false, 3}, {true, true, false, false, false, 3},
        {true, true, true, true, true, 3},   {true, true, false, true, true, 3},
    };
    for (uint16_t kind : {kTypeSpectralScanNode, kTypeSpatialScanNode}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << kind << " " << c.continuous << c.inProgress << c.peakHold
                                              << c.accumulate << c.scanError);
            std::unique_ptr<QNodeMediator> mediator = Make(kind);
            ASSERT_NE(mediator->GetScanOptions(), nullptr);
            mediator->GetScanOptions()->SetPeakHold(c.peakHold);
            mediator->GetSpectralDisplayOptions()->SetAccumulate(c.accumulate);
            mediator->PrepareScanRun(c.continuous);
            mediator->SetScanError(c.scanError);
            mediator->SetScanInProgress(c.inProgress);
            for (int packet = 0; packet < 3; ++packet) {
                mediator->TakeTransportContainer(kind == kTypeSpectralScanNode ? SpectrumStep({5, 6})
                                                                               : SpatialStep(),
                                                 false, nullptr, false);
                mediator->UpdateInformation(0);
                m_thread.Pump();
            }
            EXPECT_EQ(mediator->GetScanDataCount(), c.scans);
            mediator->SetScanInProgress(false);
        }
    }
}

TEST_F(ReceivedScanIntakeTest, AReplacingRunMakesANewScanWhenItsScanWasDeletedAndForTheNextRunsFirst) {
    std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpectralScanNode);
    mediator->GetScanOptions()->SetPeakHold(true);
    auto packet = [&](int16_t level) {
        mediator->TakeTransportContainer(SpectrumStep({level, level}), false, nullptr, false);
        mediator->UpdateInformation(0);
        m_thread.Pump();
    };
    mediator->PrepareScanRun(true);
    mediator->SetScanInProgress(true);
    packet(1);
    packet(2); // replaces scan 1
    ASSERT_EQ(mediator->GetScanDataCount(), 1U);
    EXPECT_EQ(mediator->FindSpectralScanData(1)->GetMirtPoints()[0].m_Amplitude, 2);
    ASSERT_TRUE(mediator->DeleteSpectralScanData(1));
    packet(3); // the run's scan is gone: a new one
    ASSERT_EQ(mediator->GetScanDataCount(), 1U);
    EXPECT_NE(mediator->FindSpectralScanData(1), nullptr);
    packet(4); // replaces it
    EXPECT_EQ(mediator->GetScanDataCount(), 1U);
    mediator->SetScanInProgress(false);

    // The second run's first scan is new, the rest replace it.
    mediator->PrepareScanRun(true);
    mediator->SetScanInProgress(true);
    packet(5);
    packet(6);
    EXPECT_EQ(mediator->GetScanDataCount(), 2U);
    mediator->SetScanInProgress(false);
}

TEST_F(ReceivedScanIntakeTest, NothingIsPostedForOtherKindsOrAnUnreadableClock) {
    for (uint16_t kind : {uint16_t{2006}, uint16_t{2016}}) {
        std::unique_ptr<QNodeMediator> mediator = Make(kind);
        mediator->UpdateInformation(0);
        EXPECT_EQ(m_thread.GetPendingCount(), 0U) << kind;
    }
    std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpectralScanNode);
    mediator->TakeTransportContainer(SpectrumStep({1}), false, nullptr, false);
    m_source.m_time.reset();
    mediator->UpdateInformation(0);
    EXPECT_EQ(m_thread.GetPendingCount(), 0U);
    // No lock is left held: the container can be taken again at once.
    ASSERT_NE(mediator->LockScanContainer(), nullptr);
    mediator->UnlockScanContainer();
}

TEST_F(ReceivedScanIntakeTest, ScanIsListedBeforeALaterPostToAnotherTarget) {
    class Recorder final : public MessageTarget {
    public:
        Recorder(MessageThread& thread, QNodeMediator& mediator)
            : MessageTarget(thread), m_mediator(mediator) {}
        size_t m_listedWhenHandled = 99;

    protected:
        int64_t HandleMessage(Message& /*message*/) override {
            m_listedWhenHandled = m_mediator.GetScanDataCount();
            return 0;
        }

    private:
        QNodeMediator& m_mediator;
    };
    std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpectralScanNode);
    Recorder ended(m_thread, *mediator);
    mediator->TakeTransportContainer(SpectrumStep({5, 6}), false, nullptr, false);
    mediator->UpdateInformation(0);
    ended.Post(1);
    EXPECT_EQ(m_thread.Pump(), 3U);
    EXPECT_EQ(ended.m_listedWhenHandled, 1U);
}

TEST_F(ReceivedScanIntakeTest, AScanQueuedForADestroyedMediatorIsFreedWithItsMessage) {
    std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpectralScanNode);
    mediator->TakeTransportContainer(SpectrumStep({5, 6}), false, nullptr, false);
    mediator->UpdateInformation(0);
    EXPECT_EQ(m_thread.GetPendingCount(), 1U);
    mediator.reset();
    EXPECT_EQ(m_thread.Pump(), 0U);
}

TEST_F(ReceivedScanIntakeTest, ScansOfAContinuousRunInProgressAreCounted) {
    struct Case {
        bool continuous;
        bool inProgress;
        uint32_t counted;
    };
    for (const Case& c : {Case{true, true, 2}, Case{true, false, 0}, Case{false, true, 0}}) {
        std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpectralScanNode);
        mediator->PrepareScanRun(c.continuous);
        mediator->SetScanInProgress(c.inProgress);
        for (int packet = 0; packet < 2; ++packet) {
            mediator->TakeTransportContainer(SpectrumStep({5, 6}), false, nullptr, false);
            mediator->UpdateInformation(0);
            m_thread.Pump();
        }
        EXPECT_EQ(mediator->GetScansThisRun(), c.counted) << c.continuous << c.inProgress;
        EXPECT_EQ(mediator->GetScanDataCount(), 2U);
        mediator->SetScanInProgress(false);
    }
}

} // namespace
} // namespace orv
