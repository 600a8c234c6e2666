#include "scandata/InterpolateLogFrequency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace orv {
namespace {

struct Case {
    const char* what;
    std::vector<float> frequencies;
    std::vector<float> values;
    float f;
    float expected;
};

// In log frequency: 10 -> 1, 100 -> 3, 1000 -> 4 is a straight line per decade.
const std::vector<float> kFrequencies = {10.0f, 100.0f, 1000.0f};
const std::vector<float> kValues = {1.0f, 3.0f, 4.0f};

TEST(InterpolateLogFrequencyTest, Table) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<Case> cases = {
        {"empty table", {}, {}, 50.0f, 0.0f},
        {"one entry, anywhere", {20.0f}, {7.5f}, 1000.0f, 7.5f},
        {"two entries, inside", {10.0f, 1000.0f}, {0.0f, 2.0f}, 100.0f, 1.0f},
        {"two entries, beyond (extrapolated)", {10.0f, 100.0f}, {0.0f, 1.0f}, 1000.0f, 2.0f},
        {"at a table frequency", kFrequencies, kValues, 100.0f, 3.0f},
        {"at the first frequency", kFrequencies, kValues, 10.0f, 1.0f},
        {"at the last frequency", kFrequencies, kValues, 1000.0f, 4.0f},
        {"half a decade in log", kFrequencies, kValues, std::sqrt(10.0f * 100.0f), 2.0f},
        {"second segment", kFrequencies, kValues, std::sqrt(100.0f * 1000.0f), 3.5f},
        {"below the first: first segment", kFrequencies, kValues, 1.0f, -1.0f},
        {"above the last: last segment", kFrequencies, kValues, 10000.0f, 5.0f},
        {"frequency 0", kFrequencies, kValues, 0.0f, 0.0f},
        {"negative frequency", kFrequencies, kValues, -5.0f, 0.0f},
        {"NaN frequency", kFrequencies, kValues, std::numeric_limits<float>::quiet_NaN(), 0.0f},
        {"zero span of two", {50.0f, 50.0f}, {1.0f, 2.0f}, 70.0f, 0.0f},
        {"zero span inside the table", {10.0f, 100.0f, 100.0f}, {1.0f, 3.0f, 9.0f}, 1000.0f, 0.0f},
        {"table frequency 0 gives no infinity", {0.0f, 100.0f}, {1.0f, 2.0f}, 50.0f, 0.0f},
        {"infinite frequency", kFrequencies, kValues, inf, 0.0f},
    };
    for (const Case& c : cases) {
        const float got = InterpolateLogFrequency(c.f, c.frequencies.data(), c.values.data(),
                                                  static_cast<uint32_t>(c.frequencies.size()));
        EXPECT_NEAR(got, c.expected, 1e-4f) << c.what;
    }
}

TEST(InterpolateLogFrequencyTest, NoArraysGiveZero) {
    EXPECT_FLOAT_EQ(InterpolateLogFrequency(10.0f, nullptr, nullptr, 3), 0.0f);
}

} // namespace
} // namespace orv
