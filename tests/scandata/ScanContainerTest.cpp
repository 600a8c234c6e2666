#include "core/QDescription.h"
#include "core/QException.h"
#include "core/QProbeScanPattern.h"
#include "scandata/QDummyScanContainer.h"
#include "scandata/QHandHeldProbeScan.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QScanContainer.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScan.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "scandata/QTerminator.h"
#include "scandata/QTransportContainer.h"
#include "tests/scandata/support/ContainerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace orv {
namespace {

using testing::BodyBytes;
using testing::FrameBytes;
using testing::ReadBodyFrom;

// Records what the base asks of a kind; takes nothing out of the transport container, so every
// record it is handed must be freed with the transport container.
class RecordingContainer : public QScanContainer {
public:
    uint16_t GetTypeID() const override { return 60000; }
    bool IsStale() const override { return true; }
    bool IsUpdated() const override { return false; }
    void ClearUpdated() override {}
    void GetLevelRange(float*, float*, const QProbeScanPattern*, const QFrequencyBucketList*) override {}
    void StartNewScan() override {}
    void AddScanData(QTransportContainer& transport, bool mergeMaximum, bool mergeAverage) override {
        ++m_adds;
        m_lastMaximum = mergeMaximum;
        m_lastAverage = mergeAverage;
        m_sawSpectral = transport.GetSpectralScan() != nullptr;
    }
    void ClearScanData() override { ++m_clears; }

    int m_adds = 0;
    int m_clears = 0;
    bool m_lastMaximum = false;
    bool m_lastAverage = false;
    bool m_sawSpectral = false;
};

struct Step {
    bool setup = false;
    bool description = false;
    bool frequencies = false;
    bool spectral = false;
    bool terminator = false;
};

std::unique_ptr<QTransportContainer> MakeStep(const Step& step) {
    auto tc = std::make_unique<QTransportContainer>();
    if (step.setup) {
        auto* setup = new QSetupScanCommand();
        setup->SetFrequencyRange(30.0F, 60.0F);
        tc->SetSetupScanCommand(setup);
    }
    if (step.description) {
        auto* description = new QDescription();
        description->SetText(1, "board A");
        tc->SetDescription(description);
    }
    if (step.frequencies) {
        auto* table = new QMeasuredFrequencyData();
        table->SetEntryCount(2);
        tc->SetMeasuredFrequencyData(table);
    }
    if (step.spectral) {
        auto* record = new QSpectralScan();
        record->SetPointCount(4);
        tc->SetSpectralScan(record);
    }
    if (step.terminator) {
        tc->SetTerminator(new QTerminator(99998));
    }
    return tc;
}

TEST(ScanContainerTest, TakeTransportContainerStatusTable) {
    struct Case {
        const char* name;
        Step step;
        uint32_t status;
        int adds;
        int clears;
        bool hasData;
        bool frequencyTaken;
    };
    const Case cases[] = {
        {"empty", {}, 0, 0, 0, false, false},
        {"end only", {.terminator = true}, 1, 0, 0, false, false},
        {"set-up only", {.setup = true, .description = true}, 2, 0, 1, false, false},
        {"set-up and end", {.setup = true, .description = true, .terminator = true}, 3, 0, 1, false, false},
        {"frequencies only", {.frequencies = true}, 0, 0, 0, false, true},
        {"scan record", {.spectral = true}, 0, 1, 0, true, false},
        {"scan record and frequencies", {.frequencies = true, .spectral = true}, 0, 1, 0, true, false},
        {"everything", {true, true, true, true, true}, 3, 1, 1, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingContainer container;
        int32_t endValue = -1;
        const uint32_t status = container.TakeTransportContainer(MakeStep(c.step), true, &endValue, false);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(endValue, c.step.terminator ? 99998 : -1);
        EXPECT_EQ(container.m_adds, c.adds);
        EXPECT_EQ(container.m_clears, c.clears);
        EXPECT_EQ(container.HasScanData(), c.hasData);
        EXPECT_EQ(container.IsFrequencyDataTaken(), c.frequencyTaken);
        EXPECT_EQ(container.GetMeasuredFrequencyData().GetEntryCount(), c.step.frequencies ? 2U : 0U);
        float start = 0.0F;
        float stop = 0.0F;
        container.GetFrequencyRange(&start, &stop);
        EXPECT_EQ(start, c.step.setup ? 30.0F : 250.0F);
        EXPECT_EQ(stop, c.step.setup ? 60.0F : 350.0F);
        EXPECT_EQ(container.GetDescription().GetText(1), c.step.setup ? "board A" : "");
    }
}

TEST(ScanContainerTest, MergeSwitchesReachTheKindAndTheEndValueIsOptional) {
    RecordingContainer container;
    EXPECT_EQ(container.TakeTransportContainer(MakeStep({.spectral = true, .terminator = true}), false,
                                               nullptr, true),
              1U);
    EXPECT_FALSE(container.m_lastMaximum);
    EXPECT_TRUE(container.m_lastAverage);
    EXPECT_TRUE(container.m_sawSpectral);
    EXPECT_EQ(container.TakeTransportContainer(nullptr, true, nullptr, true), 0U);
}

TEST(ScanContainerTest, NewSetupEmptiesDataAndTheFrequencyTable) {
    RecordingContainer container;
    container.TakeTransportContainer(MakeStep({.frequencies = true}), false, nullptr, false);
    container.TakeTransportContainer(MakeStep({.spectral = true}), false, nullptr, false);
    ASSERT_TRUE(container.HasScanData());
    ASSERT_EQ(container.GetMeasuredFrequencyData().GetEntryCount(), 2U);

    // A set-up that comes without a description leaves an empty one in place, never none.
    container.GetDescription().SetText(2, "old");
    EXPECT_EQ(container.TakeTransportContainer(MakeStep({.setup = true}), false, nullptr, false), 2U);
    EXPECT_FALSE(container.HasScanData());
    EXPECT_EQ(container.GetMeasuredFrequencyData().GetEntryCount(), 0U);
    EXPECT_EQ(container.GetDescription().GetText(2), "");
}

TEST(ScanContainerTest, RecordsNotTakenAreFreedWithTheTransportContainer) {
    // Under the sanitizer build a leak of any of the eight records fails this test.
    auto tc = MakeStep({true, true, true, true, true});
    auto* spatial = new QSpatialScan();
    spatial->SetGridSize(2, 2);
    tc->SetSpatialScan(spatial);
    tc->SetSpectralSpatialScanComponent(new QSpectralSpatialScanComponent());
    tc->SetHandHeldProbeScan(new QHandHeldProbeScan());
    tc->SetSpatialScan(new QSpatialScan()); // replacing frees the one held before
    RecordingContainer container;
    container.TakeTransportContainer(std::move(tc), true, nullptr, false);
    EXPECT_EQ(container.m_adds, 1);

    // Detaching hands the record over without freeing it.
    QTransportContainer holder;
    auto* terminator = new QTerminator(5);
    holder.SetTerminator(terminator);
    holder.SetTerminator(nullptr);
    EXPECT_EQ(holder.GetTerminator(), nullptr);
    EXPECT_EQ(terminator->GetErrorCode(), 5);
    delete terminator;
}

TEST(DummyScanContainerTest, NeverHoldsDataAndHasAnEmptyBody) {
    QDummyScanContainer dummy;
    EXPECT_EQ(dummy.GetTypeID(), 1016);
    dummy.TakeTransportContainer(MakeStep({.spectral = true}), true, nullptr, false);
    EXPECT_FALSE(dummy.HasScanData());
    EXPECT_TRUE(dummy.IsStale());
    EXPECT_FALSE(dummy.IsUpdated());
    float low = 0.0F;
    float high = 0.0F;
    dummy.GetLevelRange(&low, &high);
    EXPECT_EQ(low, 100.0F);
    EXPECT_EQ(high, 1000.0F);
    dummy.GetLevelRange(nullptr, &high);
    dummy.GetLevelRange(&low, nullptr);
    dummy.GetFrequencyRange(nullptr, nullptr);
    EXPECT_TRUE(BodyBytes(dummy).empty());
    EXPECT_EQ(FrameBytes(dummy).size(), 7U);
    EXPECT_EQ(dummy.GetProbeScanPattern().GetRows(), 0);
}

TEST(SetupScanCommandTest, FullGridWithExtensionHasTheEngineSize) {
    QSetupScanCommand command;
    command.SetProbeScanPattern(QProbeScanPattern(29, 42));
    EXPECT_EQ(command.GetBodySize(), 3754U);
    const std::vector<uint8_t> frame = FrameBytes(command);
    EXPECT_EQ(frame.size(), 3763U);
    EXPECT_EQ(frame[frame.size() - 1], 0);
    EXPECT_EQ(frame[frame.size() - 2], 0);
}

TEST(SetupScanCommandTest, RoundTripKeepsEveryField) {
    QSetupScanCommand command;
    QProbeScanPattern pattern(2, 3, 0, 90);
    pattern.SetProbeAt(1, 2, 1);
    command.SetProbeScanPattern(pattern);
    command.SetScanKind(101);
    command.SetFrequencyRange(10.0F, 20.0F);
    command.SetTracePointsPerCell(401);
    command.m_PeakPoints = 7;
    command.m_PeakDevs = -3;
    command.SetSpatialLevel(2);
    const std::vector<uint8_t> frame = FrameBytes(command);

    QSetupScanCommand back;
    QCharArrayDataReader reader(frame.data(), static_cast<uint32_t>(frame.size()));
    back.Deserialize(reader);
    EXPECT_EQ(reader.GetRemaining(), 2U); // the padding counted in the size carries no field
    EXPECT_EQ(back.GetScanKind(), 101);
    EXPECT_FALSE(back.GetProbeScanPattern() != pattern);
    EXPECT_EQ(back.GetStartFrequency(), 10.0F);
    EXPECT_EQ(back.GetStopFrequency(), 20.0F);
    EXPECT_EQ(back.GetTracePointsPerCell(), 401U);
    EXPECT_EQ(back.m_PeakPoints, 7);
    EXPECT_EQ(back.m_PeakDevs, -3);
    EXPECT_EQ(back.GetSpatialLevel(), 2);
    EXPECT_EQ(BodyBytes(back), BodyBytes(command));
}

TEST(SetupScanCommandTest, ExtensionFlagAndStopFrequencyDefaults) {
    QSetupScanCommand command;
    command.SetFrequencyRange(5.0F, 0.0F);
    command.m_PeakPoints = -4; // sent as 0
    const uint32_t withExtension = command.GetBodySize();
    const std::vector<uint8_t> withBytes = BodyBytes(command);
    EXPECT_EQ(withBytes.size(), withExtension);
    command.SetHasExtension(false);
    EXPECT_EQ(command.GetBodySize(), withExtension - 12);
    // One pass only: writing without the group sets the flag again, so a second pass would carry it.
    std::vector<uint8_t> withoutBytes(withExtension);
    QCharArrayDataWriter writer(withoutBytes.data(), static_cast<uint32_t>(withoutBytes.size()));
    command.WriteBody(writer);
    withoutBytes.resize(writer.GetBytesWritten());
    EXPECT_EQ(withoutBytes.size(), withExtension - 12);
    EXPECT_TRUE(command.HasExtension());
    EXPECT_EQ(BodyBytes(command), withBytes);

    QSetupScanCommand back;
    ReadBodyFrom(back, withBytes);
    EXPECT_EQ(back.m_PeakPoints, 0);
    EXPECT_EQ(back.GetStartFrequency(), 250.0F);
    EXPECT_EQ(back.GetStopFrequency(), 350.0F);

    QSetupScanCommand reduced;
    reduced.SetHasExtension(false);
    ReadBodyFrom(reduced, withoutBytes);
    EXPECT_EQ(reduced.m_PeakScan, 0.02F);

    std::vector<uint8_t> truncated = withBytes;
    truncated.resize(truncated.size() - 5);
    QSetupScanCommand untouched;
    untouched.SetScanKind(99);
    EXPECT_THROW(ReadBodyFrom(untouched, truncated), QIOException);
    EXPECT_EQ(untouched.GetScanKind(), 99);
}

TEST(TerminatorTest, CarriesItsEndValue) {
    const QTerminator end(-2);
    EXPECT_EQ(BodyBytes(end), (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
    QTerminator back;
    ReadBodyFrom(back, BodyBytes(end));
    EXPECT_EQ(back.GetErrorCode(), -2);
    EXPECT_EQ(FrameBytes(end).size(), 13U);
}

} // namespace
} // namespace orv
