#pragma once

#include <cstdint>
#include <string>

// The rules both view side panels share: how their controls scale with the screen, how a number is
// read from an edit and how typed scale limits and peak settings are brought into range. Plain
// functions, no windows, so that the tables of cases test them directly.
namespace orv {

// Every page starts with the "Options" button here; the page's controls stand in one row to its
// right.
struct SidePanelLayout {
    static constexpr int kOptionsLeft = 5;
    static constexpr int kOptionsTop = 10;
    static constexpr int kOptionsWidth = 94;
    static constexpr int kOptionsHeight = 28;
    static constexpr int kRowLeft = 120;
    static constexpr int kRowTop = 14;
    static constexpr int kRowHeight = 16;
    // The upper and lower line of a control pair stacked in the row (unit buttons, two scale rows).
    static constexpr int kUpperLine = 11;
    static constexpr int kLowerLine = 27;
    // The two rows of the spectral scale page.
    static constexpr int kScaleUpperRow = 11;
    static constexpr int kScaleLowerRow = 28;
    // The "Options" menu opens this far right of and above the button's top-left corner.
    static constexpr int kMenuOffsetX = 10;
    static constexpr int kMenuOffsetY = 65;
    static constexpr int kDesignDpi = 96;
};

// A control designed `width` pixels wide on a 96 dots-per-inch screen, at `dpi`: never narrower
// than designed (integer division, as the layout has always rounded).
int ScaledPanelWidth(int width, int dpi);

// The number an edit holds, read in the C locale: leading blanks are skipped and reading stops at
// the first character that is not part of the number. Text that does not start with a finite number
// ("abc", "inf", "nan", "1e999") reads as 0, so that no infinite limit reaches a view.
double ReadPanelNumber(const std::string& text);

struct ScaleLimits {
    float minimum = 0.0F;
    float maximum = 0.0F;
};

// Amplitude limits typed by the user: the maximum is at most 1000; a minimum not below the maximum
// becomes the maximum - 1.
ScaleLimits LimitAmplitudeScale(double minimum, double maximum);

// Frequency limits typed by the user for a scan over [low, high] MHz: a maximum not above `low`
// becomes low + 1, else it is at most `high`; a minimum below `low` becomes `low`; a minimum not
// below the maximum becomes the maximum - 1, so the window never closes to nothing.
ScaleLimits LimitFrequencyScale(double minimum, double maximum, float low, float high);

// The typed peak number: truncated, then kept within the 32-bit count's range (never wrapped).
uint32_t LimitPeakNumber(double typed);

// The peak threshold above the average noise (dB), as a float that stays finite.
float LimitPeakThreshold(double typed);

// The overlay transparency bar: how a scroll step moves its value, always within 0..100.
enum class TransparencyStep { LineLeft, LineRight, PageLeft, PageRight, Track, Other };
int32_t NextTransparency(int32_t current, TransparencyStep step, int32_t trackPosition);

// The "%-8.2f" and "%-8.3f" texts of the scale and peak edits.
std::string FormatAmplitudeField(float value);
std::string FormatFrequencyField(float value);

} // namespace orv
