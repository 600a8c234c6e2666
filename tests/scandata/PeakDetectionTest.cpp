#include "scandata/QAmbientScan.h"
#include "scandata/QCableScan.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QSpectralScan.h"
#include "tests/scandata/support/ScanRecordFixtures.h"

#include <gtest/gtest.h>

#include <vector>

namespace orv {
namespace {

QSpectralScan Received(const std::vector<int16_t>& levels) {
    QSpectralScan scan;
    scan.SetPointCount(static_cast<uint32_t>(levels.size()));
    for (uint32_t i = 0; i < levels.size(); ++i) {
        scan.SetAmplitude(i, levels[i]);
    }
    return scan;
}

QCableScan Cable(const std::vector<int16_t>& levels, float start, float stop) {
    QCableScan cable;
    cable.CopyFromSpectral(Received(levels));
    cable.SetFrequencyRange(start, stop);
    cable.SetModuleValue(4);
    return cable;
}

// A flat trace of 4000 points with three-point peaks at 50 + 100 j, j = 0..30, of level 300 + 10 j,
// except j = 15, which is the lowest (290); and a high run that reaches the last point.
std::vector<int16_t> ThirtyOnePeaks() {
    std::vector<int16_t> levels(4000, 0);
    for (int j = 0; j <= 30; ++j) {
        const int at = 50 + 100 * j;
        const auto level = static_cast<int16_t>(j == 15 ? 290 : 300 + 10 * j);
        levels[at - 1] = static_cast<int16_t>(level - 20);
        levels[at] = level;
        levels[at + 1] = static_cast<int16_t>(level - 10);
    }
    levels[3998] = 900;
    levels[3999] = 950;
    return levels;
}

TEST(CableScan, ThirtyHighestPeaksInFrequencyOrder) {
    QCableScan cable = Cable(ThirtyOnePeaks(), 0.0f, 3999.0f); // one MHz per point
    cable.FindPeaks();
    ASSERT_EQ(cable.GetPeakCount(), 30);
    uint32_t n = 0;
    for (int j = 0; j <= 30; ++j) {
        if (j == 15) {
            continue; // the lowest is dropped
        }
        QCablePeak peak;
        ASSERT_TRUE(cable.GetPeak(peak, n++));
        EXPECT_FLOAT_EQ(peak.m_Frequency, static_cast<float>(50 + 100 * j)) << j;
        EXPECT_EQ(peak.m_Amplitude, static_cast<float>(300 + 10 * j)) << j;
        EXPECT_EQ(peak.m_ModuleValue, 4U);
    }
    QCablePeak past;
    past.m_Frequency = 7.0f;
    EXPECT_FALSE(cable.GetPeak(past, 30));
    EXPECT_EQ(past.m_Frequency, 0.0f);
}

TEST(CableScan, EqualPeaksAtMinusTenDecibelsAreSelectedByPosition) {
    // -100 once served as the mark of "no choice yet"; peaks at that level must still be picked.
    std::vector<int16_t> levels(4000, -1000);
    for (int j = 0; j <= 30; ++j) {
        levels[static_cast<size_t>(50 + 100 * j)] = -100;
    }
    QCableScan cable = Cable(levels, 0.0f, 3999.0f);
    cable.FindPeaks();
    ASSERT_EQ(cable.GetPeakCount(), 30);
    EXPECT_FLOAT_EQ(cable.GetPeaks().front().m_Frequency, 50.0f);
    EXPECT_FLOAT_EQ(cable.GetPeaks().back().m_Frequency, 2950.0f); // ties: the first 30 win
}

TEST(CableScan, FlatTracesAndOpenRunsGiveNoPeaks) {
    for (const std::vector<int16_t>& levels : std::vector<std::vector<int16_t>>{
             std::vector<int16_t>(50, 120),                  // all equal: nothing above mean + 1 + 50
             {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 900, 950}, // a run still open at the last point
             {},
             {500}}) {
        QCableScan cable = Cable(levels, 1.0f, 2.0f);
        cable.FindPeaks();
        EXPECT_EQ(cable.GetPeakCount(), 0) << levels.size();
        EXPECT_TRUE(cable.GetPeaks().empty());
    }
}

TEST(CableScan, ReadingAStoredRecordKeepsTheCountButNoPeaks) {
    QCableScan cable = Cable(ThirtyOnePeaks(), 0.0f, 3999.0f);
    cable.FindPeaks();
    QCableScan back;
    testing::ReadFrame(back, testing::SizedFrameBytes(cable));
    EXPECT_EQ(back.GetPeakCount(), 30);
    EXPECT_TRUE(back.GetPeaks().empty());
    EXPECT_EQ(back.GetAmplitudes(), cable.GetAmplitudes());

    back.MergeScan(QCableScan::kMergeMaximumHold, Cable(std::vector<int16_t>(3, 500), 0.0f, 1.0f));
    EXPECT_EQ(back.GetAmplitude(2), 500);
    EXPECT_EQ(back.GetAmplitude(3), 0); // beyond the incoming record
}

// 1000 points of noise alternating 0 and 10, with signals at 100 (a run peaking at 200), 400 (a
// single point of 40) and 700 (150), and a bump of 15 at 800 that stays below the detection level.
std::vector<int16_t> AmbientTrace() {
    std::vector<int16_t> levels(1000);
    for (size_t i = 0; i < levels.size(); ++i) {
        levels[i] = static_cast<int16_t>(i % 2 == 0 ? 0 : 10);
    }
    levels[99] = 180;
    levels[100] = 200;
    levels[101] = 190;
    levels[400] = 40;
    levels[700] = 150;
    levels[800] = 15;
    return levels;
}

TEST(AmbientScan, DetectsSignalsWithoutBreakpoints) {
    QAmbientScan ambient;
    ambient.CopyFromSpectral(Received(AmbientTrace()));
    ambient.SetFrequencyRange(0.0f, 999.0f); // N - 1 intervals: one MHz per point
    QMeasuredFrequencyData signals;
    signals.Reset(30);
    std::vector<float> amplitudes;
    int32_t mean = -1;
    uint32_t count = 0;
    ambient.DetectAmbientSignals(signals, amplitudes, mean, count);

    EXPECT_EQ(count, 1000U);
    EXPECT_EQ(mean, 5); // (5000 - 20 + 775) / 1000 = 5.755 -> 5
    EXPECT_EQ(ambient.GetNoiseFloor(), 5);
    EXPECT_EQ(amplitudes, (std::vector<float>{200.0f, 40.0f, 150.0f}));
    ASSERT_EQ(signals.GetEntryCount(), 3U);
    EXPECT_EQ(signals.GetAllocatedEntryCount(), 3U); // sized to what it holds
    const uint32_t expected[] = {100, 400, 700};
    for (uint32_t j = 0; j < 3; ++j) {
        EXPECT_EQ(signals.GetEntryIndex(j), expected[j]);
        EXPECT_FLOAT_EQ(signals.GetEntryFrequency(j), static_cast<float>(expected[j]));
    }
    EXPECT_EQ(ambient.GetSignals(), &signals);
}

// The spread that sets the detection level is taken over the noise population itself (the levels
// below the limit + 5 dB) and divided by its own count. Taken over the strong signals instead, as a
// sum over one population divided by the other's count, the level would be noise + 3 x 232.4 = 711
// and the signal of 200 would go unseen; over the noise it is 14 + 3 x 45.1 = 149.
TEST(AmbientScan, DetectionLevelComesFromTheNoisePopulation) {
    const std::vector<int16_t> trace = {0, 10, 0, 10,   0, 200, 0, 10, 0, 10,
                                        0, 10, 0, 1000, 0, 10,  0, 10, 0, 10};
    QAmbientScan ambient;
    ambient.CopyFromSpectral(Received(trace));
    ambient.SetFrequencyRange(0.0f, 19.0f);
    QMeasuredFrequencyData signals;
    std::vector<float> amplitudes;
    int32_t mean = 0;
    uint32_t count = 0;
    ambient.DetectAmbientSignals(signals, amplitudes, mean, count);

    EXPECT_EQ(mean, 64);
    EXPECT_EQ(ambient.GetNoiseFloor(), 14); // 280 / 19 levels below 513.3 + 50
    EXPECT_EQ(amplitudes, (std::vector<float>{200.0f, 1000.0f}));
    ASSERT_EQ(signals.GetEntryCount(), 2U);
    EXPECT_EQ(signals.GetEntryIndex(0), 5U);
    EXPECT_EQ(signals.GetEntryIndex(1), 13U);
}

TEST(AmbientScan, DetectsSignalsWithBreakpoints) {
    QAmbientScan ambient;
    ambient.CopyFromSpectral(Received(AmbientTrace()));
    ambient.SetFrequencyRange(0.0f, 3000.0f);
    QMeasuredFrequencyData breakpoints;
    breakpoints.SetEntryCount(1);
    breakpoints.SetEntryIndex(0, 500);
    breakpoints.SetEntryFrequency(0, 2000.0f);
    ambient.SetScanFrequencies(&breakpoints);
    QMeasuredFrequencyData signals;
    std::vector<float> amplitudes;
    int32_t mean = 0;
    uint32_t count = 0;
    ambient.DetectAmbientSignals(signals, amplitudes, mean, count);
    ASSERT_EQ(signals.GetEntryCount(), 3U);
    EXPECT_FLOAT_EQ(signals.GetEntryFrequency(0), 400.0f); // 100 of 500 points to 2000
    EXPECT_FLOAT_EQ(signals.GetEntryFrequency(1), 1600.0f);
    EXPECT_FLOAT_EQ(signals.GetEntryFrequency(2), 2400.0f); // 200 of 500 points from 2000 to 3000
}

TEST(AmbientScan, FinalSelectionNeedsTheThresholdAboveTheNoiseFloor) {
    // A silent trace: the detection level is the noise floor itself, so a level of 3 is a candidate
    // but stays below noise floor + 5.0.
    std::vector<int16_t> levels(200, 0);
    levels[50] = 3;
    levels[120] = 100;
    QAmbientScan ambient;
    ambient.CopyFromSpectral(Received(levels));
    ambient.SetFrequencyRange(0.0f, 199.0f);
    QMeasuredFrequencyData signals;
    std::vector<float> amplitudes;
    int32_t mean = 0;
    uint32_t count = 0;
    ambient.DetectAmbientSignals(signals, amplitudes, mean, count);
    EXPECT_EQ(amplitudes, (std::vector<float>{3.0f, 100.0f}));
    ASSERT_EQ(signals.GetEntryCount(), 1U);
    EXPECT_EQ(signals.GetEntryIndex(0), 120U);
}

TEST(AmbientScan, NoPointsNoSignals) {
    QAmbientScan ambient;
    QMeasuredFrequencyData signals;
    signals.Reset(30);
    std::vector<float> amplitudes{1.0f};
    int32_t mean = 9;
    uint32_t count = 9;
    ambient.DetectAmbientSignals(signals, amplitudes, mean, count);
    EXPECT_EQ(signals.GetEntryCount(), 0U);
    EXPECT_TRUE(amplitudes.empty());
    EXPECT_EQ(mean, 0);
    EXPECT_EQ(count, 0U);

    QAmbientScan single;
    single.CopyFromSpectral(Received({-40}));
    single.DetectAmbientSignals(signals, amplitudes, mean, count);
    EXPECT_EQ(single.GetNoiseFloor(), -40);
    EXPECT_EQ(signals.GetEntryCount(), 0U);
}

} // namespace
} // namespace orv
