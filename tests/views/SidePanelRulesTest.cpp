// The rules the two view side panels share, case by case: widths on screens of several densities,
// the reading of typed numbers and the limits typed scales and peak settings are brought into.

#include "views/spectral/SidePanelRules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace orv {
namespace {

TEST(SidePanelRulesTest, WidthsGrowWithTheScreenDensityAndNeverShrink) {
    struct Case {
        int width;
        int dpi;
        int expected;
    };
    for (const Case& c : {Case{60, 96, 60}, Case{60, 120, 75}, Case{60, 144, 90}, Case{63, 120, 78},
                          Case{135, 144, 202}, Case{40, 72, 40}, Case{80, 97, 80}}) {
        EXPECT_EQ(ScaledPanelWidth(c.width, c.dpi), c.expected) << c.width << " at " << c.dpi;
    }
}

TEST(SidePanelRulesTest, TypedNumbersReadInTheCLocaleAndWhatIsNoFiniteNumberReadsAsZero) {
    struct Case {
        const char* text;
        double expected;
    };
    for (const Case& c : {Case{"50", 50.0}, Case{"  -12.5  ", -12.5}, Case{"19.75dB", 19.75}, Case{"+3", 3.0},
                          Case{"1,5", 1.0}, Case{"inf", 0.0}, Case{"-infinity", 0.0}, Case{"nan", 0.0},
                          Case{"abc", 0.0}, Case{"1e999", 0.0}, Case{"-1e999", 0.0}, Case{"", 0.0}}) {
        EXPECT_EQ(ReadPanelNumber(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(SidePanelRulesTest, AmplitudeScaleKeepsItsMaximumAtMost1000AndItsMinimumBelowIt) {
    struct Case {
        double minimum;
        double maximum;
        float low;
        float high;
    };
    for (const Case& c : {Case{50, 20, 19, 20}, Case{10, 5000, 10, 1000}, Case{2000, 5000, 999, 1000},
                          Case{30, 30, 29, 30}, Case{-20, 80, -20, 80}, Case{0, 0, -1, 0}}) {
        const ScaleLimits limits = LimitAmplitudeScale(c.minimum, c.maximum);
        EXPECT_EQ(limits.minimum, c.low) << c.minimum << ", " << c.maximum;
        EXPECT_EQ(limits.maximum, c.high) << c.minimum << ", " << c.maximum;
    }
}

TEST(SidePanelRulesTest, FrequencyScaleStaysWithinTheScanAndNeverClosesToNothing) {
    struct Case {
        double minimum;
        double maximum;
        float low;
        float high;
    };
    // A scan over 30-1000 MHz.
    for (const Case& c : {Case{10, 2000, 30, 1000}, Case{1200, 1100, 999, 1000}, Case{100, 200, 100, 200},
                          Case{0, 20, 30, 31}, Case{500, 500, 499, 500}, Case{1000, 1000, 999, 1000}}) {
        const ScaleLimits limits = LimitFrequencyScale(c.minimum, c.maximum, 30.0F, 1000.0F);
        EXPECT_EQ(limits.minimum, c.low) << c.minimum << ", " << c.maximum;
        EXPECT_EQ(limits.maximum, c.high) << c.minimum << ", " << c.maximum;
    }
}

TEST(SidePanelRulesTest, PeakNumberIsTruncatedAndClampedToTheCountsRange) {
    constexpr uint32_t kLargest = std::numeric_limits<uint32_t>::max();
    struct Case {
        double typed;
        uint32_t expected;
    };
    for (const Case& c : {Case{-5, 0}, Case{-0.5, 0}, Case{0, 0}, Case{3.9, 3}, Case{10, 10},
                          Case{4294967295.0, kLargest}, Case{1e12, kLargest}, Case{1e300, kLargest}}) {
        EXPECT_EQ(LimitPeakNumber(c.typed), c.expected) << c.typed;
    }
    EXPECT_EQ(LimitPeakThreshold(1e300), std::numeric_limits<float>::max());
    EXPECT_EQ(LimitPeakThreshold(6.5), 6.5F);
}

TEST(SidePanelRulesTest, TransparencyStepsStayWithin0And100) {
    struct Case {
        int32_t current;
        TransparencyStep step;
        int32_t track;
        int32_t expected;
    };
    for (const Case& c :
         {Case{50, TransparencyStep::LineLeft, 0, 49}, Case{50, TransparencyStep::LineRight, 0, 51},
          Case{50, TransparencyStep::PageLeft, 0, 45}, Case{50, TransparencyStep::PageRight, 0, 55},
          Case{0, TransparencyStep::LineLeft, 0, 0}, Case{98, TransparencyStep::PageRight, 0, 100},
          Case{3, TransparencyStep::PageLeft, 0, 0}, Case{50, TransparencyStep::Track, 250, 100},
          Case{50, TransparencyStep::Track, -40, 0}, Case{50, TransparencyStep::Track, 70, 70},
          Case{50, TransparencyStep::Other, 70, 50}}) {
        EXPECT_EQ(NextTransparency(c.current, c.step, c.track), c.expected)
            << c.current << " step " << static_cast<int>(c.step) << " track " << c.track;
    }
}

TEST(SidePanelRulesTest, FieldsAreLeftAlignedInEightCharacters) {
    EXPECT_EQ(FormatAmplitudeField(19.0F), "19.00   ");
    EXPECT_EQ(FormatAmplitudeField(-107.5F), "-107.50 ");
    EXPECT_EQ(FormatFrequencyField(30.0F), "30.000  ");
    EXPECT_EQ(FormatFrequencyField(1000.0F), "1000.000");
}

} // namespace
} // namespace orv
