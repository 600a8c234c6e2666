#include "views/spectral/SidePanelRules.h"

#include "platform/CLocale.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv {

int ScaledPanelWidth(int width, int dpi) {
    return std::max(width, width * dpi / SidePanelLayout::kDesignDpi);
}

double ReadPanelNumber(const std::string& text) {
    size_t used = 0;
    const double value = StrToDoubleC(text, &used);
    return used > 0 && std::isfinite(value) ? value : 0.0;
}

namespace {
// A double that stays finite as a float: out-of-range values stop at the float's largest.
float ToFiniteFloat(double value) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(value, -kLargest, kLargest));
}
} // namespace

ScaleLimits LimitAmplitudeScale(double minimum, double maximum) {
    constexpr double kHighest = 1000.0;
    const double top = std::min(maximum, kHighest);
    const double bottom = minimum < top ? minimum : top - 1.0;
    return {ToFiniteFloat(bottom), ToFiniteFloat(top)};
}

ScaleLimits LimitFrequencyScale(double minimum, double maximum, float low, float high) {
    double top = maximum;
    if (static_cast<double>(low) >= top) {
        top = static_cast<double>(low) + 1.0;
    } else {
        top = std::min(top, static_cast<double>(high));
    }
    double bottom = std::max(minimum, static_cast<double>(low));
    if (bottom >= top) {
        bottom = top - 1.0;
    }
    return {ToFiniteFloat(bottom), ToFiniteFloat(top)};
}

uint32_t LimitPeakNumber(double typed) {
    const double whole = std::trunc(typed);
    if (!(whole > 0.0)) {
        return 0;
    }
    constexpr double kLargest = std::numeric_limits<uint32_t>::max();
    return whole >= kLargest ? std::numeric_limits<uint32_t>::max() : static_cast<uint32_t>(whole);
}

float LimitPeakThreshold(double typed) {
    return ToFiniteFloat(typed);
}

int32_t NextTransparency(int32_t current, TransparencyStep step, int32_t trackPosition) {
    int64_t value = current;
    switch (step) {
    case TransparencyStep::LineLeft:
        value -= 1;
        break;
    case TransparencyStep::LineRight:
        value += 1;
        break;
    case TransparencyStep::PageLeft:
        value -= 5;
        break;
    case TransparencyStep::PageRight:
        value += 5;
        break;
    case TransparencyStep::Track:
        value = trackPosition;
        break;
    case TransparencyStep::Other:
        break;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(value, 0, 100));
}

std::string FormatAmplitudeField(float value) {
    return FormatC("%-8.2f", static_cast<double>(value));
}

std::string FormatFrequencyField(float value) {
    return FormatC("%-8.3f", static_cast<double>(value));
}

} // namespace orv
