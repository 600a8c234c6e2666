#include "engine/runners/PeakSearch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv {
namespace {

std::vector<SpectralPoint> Points(const std::vector<int16_t>& amplitudes) {
    std::vector<SpectralPoint> points;
    for (const int16_t amplitude : amplitudes) {
        points.push_back(SpectralPoint{amplitude, 0, 0, 0});
    }
    return points;
}

TEST(PeakSearch, FindsTheStrongestRunsUpToTheCountAsked) {
    struct Case {
        std::string name;
        std::vector<int16_t> amplitudes;
        int32_t wanted;
        std::vector<int32_t> peaks;
    };
    const std::vector<Case> cases{
        {"flat", std::vector<int16_t>(20, 50), 5, {}},
        {"one peak", {0, 0, 0, 0, 0, 0, 0, 900, 0, 0}, 5, {7}},
        // A run's peak is its highest point; on equal highest points the first.
        {"run of equal highest points", {0, 0, 0, 0, 0, 0, 0, 0, 700, 900, 900, 0}, 3, {9}},
        // More runs than wanted: a stronger run replaces the weakest held one; the result is sorted.
        {"more runs than wanted",
         {0, 500, 0, 0, 300, 0, 0, 800, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         2,
         {1, 7}},
        {"weaker later runs are not taken",
         {0, 900, 0, 0, 800, 0, 0, 300, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         2,
         {1, 4}},
        {"none wanted", {0, 0, 0, 900, 0, 0}, 0, {}},
        {"one point", {900}, 3, {}},
        {"no points", {}, 3, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindPeaks(Points(c.amplitudes), c.wanted), c.peaks) << c.name;
    }
}

TEST(PeakSearch, TheThresholdIsTwoSpreadsAboveAQuarterMoreThanTheMean) {
    // Nine points at 10 and one at v: the spread is the root of the squared deviations over n and
    // n - 1, so v = 13 gives a threshold of 13.475 (no peak) and v = 14 one of 13.8 (a peak).
    std::vector<int16_t> amplitudes(10, 10);
    amplitudes[2] = 13;
    EXPECT_TRUE(FindPeaks(Points(amplitudes), 3).empty());
    amplitudes[2] = 14;
    EXPECT_EQ(FindPeaks(Points(amplitudes), 3), (std::vector<int32_t>{2}));
}

} // namespace
} // namespace orv
