#include "analyzers/CInstrumentInfo.h"
#include "core/QDescription.h"
#include "core/QProbeScanPattern.h"
#include "scandata/QScanContainerMediator.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpatialScanContainer.h"
#include "scandata/QSpectralScanContainer.h"
#include "scandata/QTransportContainer.h"
#include "tests/scandata/support/ContainerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace orv {
namespace {

using testing::BodyBytes;
using testing::CompensationSwitches;
using testing::ReadBodyFrom;

std::unique_ptr<QTransportContainer> SpectrumStep(const std::vector<int16_t>& amplitudes) {
    auto* record = new QSpectralScan();
    record->SetPointCount(static_cast<uint32_t>(amplitudes.size()));
    for (uint32_t i = 0; i < amplitudes.size(); ++i) {
        record->SetAmplitude(i, amplitudes[i]);
    }
    auto tc = std::make_unique<QTransportContainer>();
    tc->SetSpectralScan(record);
    return tc;
}

std::vector<int16_t> Levels(QSpectralScanContainer& container) {
    std::vector<int16_t> levels;
    const QSpectralScan& held = container.GetSpectralScanRecord();
    for (uint32_t i = 0; i < held.GetPointCount(); ++i) {
        levels.push_back(held.GetStoredAmplitude(i));
    }
    return levels;
}

TEST(SpectralScanContainerTest, MergeSwitchTable) {
    struct Case {
        bool maximum;
        bool average;
        std::vector<int16_t> expected;
    };
    const Case cases[] = {
        {false, false, {5, 40}}, // every record replaces
        {true, false, {10, 40}}, // maximum hold
        {false, true, {7, 30}},  // running average: (10 + 5) / 2, (20 + 40) / 2
        {true, true, {10, 40}},  // maximum hold wins
    };
    for (const Case& c : cases) {
        QSpectralScanContainer container;
        // The first record is never merged: the held one holds no data yet.
        container.TakeTransportContainer(SpectrumStep({10, 20}), c.maximum, nullptr, c.average);
        EXPECT_EQ(Levels(container), (std::vector<int16_t>{10, 20}));
        container.TakeTransportContainer(SpectrumStep({5, 40}), c.maximum, nullptr, c.average);
        EXPECT_EQ(Levels(container), c.expected) << c.maximum << c.average;
        EXPECT_TRUE(container.IsUpdated());
        EXPECT_TRUE(container.IsStale()); // new data pending
    }
}

TEST(SpectralScanContainerTest, StoredRangeAfterReadIsZeroAndRecomputedOnUse) {
    QSpectralScanContainer container;
    EXPECT_EQ(BodyBytes(container).size(), 8U);
    container.TakeTransportContainer(SpectrumStep({-300, 120, 40}), false, nullptr, false);
    CompensationSwitches off(false, false);
    const std::vector<uint8_t> body = BodyBytes(container); // brings the stored range up to date
    const std::vector<uint8_t> expected = BodyBytes(container);
    float low = 0.0F;
    float high = 0.0F;
    container.GetStoredRange(&low, &high);
    EXPECT_EQ(low, -300.0F);
    EXPECT_EQ(high, 120.0F);

    ReadBodyFrom(container, {0, 0, 0x80, 0x3F, 0, 0, 0, 0x40});
    container.GetStoredRange(&low, &high);
    EXPECT_EQ(low, 0.0F);
    EXPECT_EQ(high, 0.0F);
    container.SetRangeStale(true);
    container.GetLevelRange(&low, &high);
    EXPECT_EQ(low, -300.0F);
    EXPECT_EQ(high, 120.0F);
    container.GetStoredRange(&low, &high);
    EXPECT_EQ(low, -300.0F);
    EXPECT_EQ(high, 120.0F);
    EXPECT_EQ(body, expected);
}

TEST(SpectralScanContainerTest, UncorrectedRecordUnderCompensationKeepsThePreviousRange) {
    QSpectralScanContainer container;
    container.TakeTransportContainer(SpectrumStep({1, 2}), false, nullptr, false);
    CompensationSwitches on(true, false);
    float low = 0.0F;
    float high = 0.0F;
    container.GetLevelRange(&low, &high);
    EXPECT_EQ(low, 100.0F);
    EXPECT_EQ(high, 1000.0F);
    EXPECT_TRUE(container.IsRangeStale());
    container.GetLevelRange(nullptr, nullptr);
}

// The stored range is of raw levels: a body read back and written again under compensation, with
// the record not yet corrected, holds the bytes it was read from; so does one read into a container
// without a spectrum.
TEST(SpectralScanContainerTest, ABodyReadBackIsWrittenAgainByteForByteUnderCompensation) {
    for (const bool compensation : {false, true}) {
        SCOPED_TRACE(compensation);
        CompensationSwitches switches(compensation, false);
        QSpectralScanContainer container;
        container.TakeTransportContainer(SpectrumStep({5213, -40, 7}), false, nullptr, false);
        const std::vector<uint8_t> first = BodyBytes(container);
        ReadBodyFrom(container, first);
        EXPECT_EQ(BodyBytes(container), first);
        float low = 0.0F;
        float high = 0.0F;
        container.GetStoredRange(&low, &high);
        EXPECT_EQ(low, -40.0F);
        EXPECT_EQ(high, 5213.0F);

        // A container that holds no spectrum (a loaded project lists its scans with the node)
        // writes back what it read; a new spectrum is the range's source again.
        QSpectralScanContainer loaded;
        ReadBodyFrom(loaded, first);
        EXPECT_EQ(BodyBytes(loaded), first);
        loaded.GetStoredRange(&low, &high);
        EXPECT_EQ(low, 0.0F);
        EXPECT_EQ(high, 0.0F);
        loaded.TakeTransportContainer(SpectrumStep({3, 9}), false, nullptr, false);
        const std::vector<uint8_t> rescanned = BodyBytes(loaded);
        ReadBodyFrom(loaded, rescanned);
        loaded.ClearScanData();
        EXPECT_EQ(BodyBytes(loaded), std::vector<uint8_t>(8, 0));
    }
}

TEST(SpectralScanContainerTest, StartNewScanAndClearEmptyTheRecord) {
    QSpectralScanContainer container;
    container.TakeTransportContainer(SpectrumStep({1, 2}), false, nullptr, false);
    EXPECT_TRUE(container.IsStale());
    container.StartNewScan();
    EXPECT_FALSE(container.IsStale());
    EXPECT_FALSE(container.GetSpectralScanRecord().HasData());
    container.ClearUpdated();
    container.ClearScanData();
    EXPECT_TRUE(container.IsUpdated());
    EXPECT_NE(container.GetSpectralScan(), nullptr);
    EXPECT_EQ(container.GetSpatialScan(), nullptr);
}

class FixedThreshold : public QScanContainerMediator {
public:
    explicit FixedThreshold(float threshold) : m_threshold(threshold) {}
    float GetCompensationThreshold() const override { return m_threshold; }

private:
    float m_threshold;
};

// A 2 x 2 spatial record; its two counters equal when complete.
std::unique_ptr<QTransportContainer> MapStep(std::vector<int16_t> levels, bool complete) {
    auto* record = new QSpatialScan();
    std::vector<uint8_t> body = {0, 0, 0, 2, 0, 2, 0, 4, 0, static_cast<uint8_t>(complete ? 4 : 1), 0, 0, 0};
    for (int16_t level : levels) {
        body.push_back(static_cast<uint8_t>(level & 0xFF));
        body.push_back(static_cast<uint8_t>((level >> 8) & 0xFF));
    }
    ReadBodyFrom(*record, body);
    auto tc = std::make_unique<QTransportContainer>();
    tc->SetSpatialScan(record);
    return tc;
}

std::vector<int16_t> Levels(QSpatialScanContainer& container) {
    std::vector<int16_t> levels;
    for (uint16_t r = 0; r < 2; ++r) {
        for (uint16_t c = 0; c < 2; ++c) {
            levels.push_back(container.GetSpatialScanRecord().GetStoredAmplitude(r, c));
        }
    }
    return levels;
}

QSpatialScanContainer& WithPattern(QSpatialScanContainer& container) {
    QProbeScanPattern pattern(2, 2);
    pattern.SetProbeAt(1, 1, 0); // the last cell is not scanned
    container.GetSetupScanCommand().SetProbeScanPattern(pattern);
    return container;
}

TEST(SpatialScanContainerTest, MergesOnlyIntoACompleteRecord) {
    struct Case {
        bool maximum;
        bool average;
        std::vector<int16_t> expected;
    };
    const Case cases[] = {
        {false, false, {1, 1, 1, 1}},
        {true, false, {10, 20, 30, 40}},
        {false, true, {5, 10, 15, 40}},
    };
    for (const Case& c : cases) {
        QSpatialScanContainer container;
        WithPattern(container);
        container.TakeTransportContainer(MapStep({10, 20, 30, 40}, false), c.maximum, nullptr, c.average);
        EXPECT_FALSE(container.IsComplete());
        // Not complete yet: the next record replaces whatever the switches say.
        container.TakeTransportContainer(MapStep({10, 20, 30, 40}, true), c.maximum, nullptr, c.average);
        EXPECT_TRUE(container.IsComplete());
        container.TakeTransportContainer(MapStep({1, 1, 1, 1}, true), c.maximum, nullptr, c.average);
        EXPECT_EQ(Levels(container), c.expected);
    }
}

TEST(SpatialScanContainerTest, StoredRangeAndPerContainerCompensationLevel) {
    CompensationSwitches off(false, false);
    QSpatialScanContainer first;
    FixedThreshold threeDb(3.0F);
    first.SetMediator(&threeDb);
    WithPattern(first);
    QSpatialScanContainer second;
    FixedThreshold oneDb(1.0F);
    second.SetMediator(&oneDb);
    WithPattern(second);

    first.TakeTransportContainer(MapStep({-50, 200, 70, -900}, true), false, nullptr, false);
    second.TakeTransportContainer(MapStep({300, 400, 500, 600}, true), false, nullptr, false);
    float low = 0.0F;
    float high = 0.0F;
    first.UpdateStoredRange(&low, &high); // the unscanned cell (-900) does not count
    EXPECT_EQ(low, -50.0F);
    EXPECT_EQ(high, 200.0F);
    EXPECT_EQ(first.GetSpatialCompensationLevel(), 30.0F); // max(-50, 0) + 10 x 3
    EXPECT_EQ(second.GetSpatialCompensationLevel(), 310.0F);

    first.GetLevelRange(&low, &high);
    EXPECT_EQ(low, -50.0F);
    EXPECT_EQ(high, 200.0F);

    ReadBodyFrom(first, std::vector<uint8_t>(8, 0x41));
    first.UpdateStoredRange(nullptr, &high);
    EXPECT_EQ(high, 200.0F);

    // A heat map put in place on load gets its range and level as a received one does.
    QSpatialScanContainer loaded;
    loaded.SetMediator(&threeDb);
    WithPattern(loaded);
    ReadBodyFrom(loaded, std::vector<uint8_t>(8, 0));
    std::unique_ptr<QTransportContainer> step = MapStep({20, 90, 70, -900}, true);
    loaded.SetSpatialScanRecord(std::unique_ptr<QSpatialScan>(step->GetSpatialScan()));
    step->SetSpatialScan(nullptr);
    loaded.UpdateStoredRange(&low, &high);
    EXPECT_EQ(low, 20.0F);
    EXPECT_EQ(high, 90.0F);
    EXPECT_EQ(loaded.GetSpatialCompensationLevel(), 50.0F); // 20 + 10 x 3
}

TEST(SpatialScanContainerTest, StoredRangeWithoutDataIsComputedAgainEachTime) {
    QSpatialScanContainer container;
    ReadBodyFrom(container, std::vector<uint8_t>(8, 0));
    float low = 1.0F;
    float high = 1.0F;
    container.UpdateStoredRange(&low, &high);
    EXPECT_EQ(low, 0.0F);
    EXPECT_EQ(high, 0.0F);
    WithPattern(container);
    container.TakeTransportContainer(MapStep({4, 5, 6, 7}, true), false, nullptr, false);
    container.UpdateStoredRange(&low, &high);
    EXPECT_EQ(low, 4.0F);
    EXPECT_EQ(high, 6.0F);
    container.ClearScanData();
    EXPECT_FALSE(container.IsComplete());
    EXPECT_EQ(container.GetSpectralScan(), nullptr);
}

TEST(SpatialScanContainerTest, ReprocessNamesTheDescriptionsScanHead) {
    const std::string before = GetInstrumentInfo().GetScanHeadText();
    QSpatialScanContainer container;
    QDescriptionRecord texts;
    texts.SetScanHead("NoSuchHead,2");
    container.GetDescription().SetTexts(texts);
    container.ReprocessSpatialScan(); // no data: nothing happens
    EXPECT_EQ(GetInstrumentInfo().GetScanHeadText(), before);

    WithPattern(container);
    container.TakeTransportContainer(MapStep({4, 5, 6, 7}, true), false, nullptr, false);
    container.ReprocessSpatialScan(); // no correction set for that head: the levels stay
    EXPECT_EQ(GetInstrumentInfo().GetScanHeadText(), "NoSuchHead,2");
    EXPECT_EQ(Levels(container), (std::vector<int16_t>{4, 5, 6, 7}));
    EXPECT_FALSE(container.GetSpatialScanRecord().IsCorrected());
    GetInstrumentInfo().SetScanHeadText(before);
}

} // namespace
} // namespace orv
