#pragma once

// The drawing helpers the spectral views share: amplitudes and pixel positions kept inside what the
// painter can take, the views' Arial font, solid GDI-like pens and text placed as TextOut places it.

#include "app/QtConversions.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace orv::spectral_painting {

inline constexpr float kNoValue = -10000.0F;
inline constexpr float kValueLimit = 10000.0F;
// Pixel coordinates saturate here: far outside any surface, well inside the painter's fixed-point
// range.
inline constexpr double kPixelLimit = 1.0e6;

// A non-finite amplitude is drawn as an out-of-range one: NaN as the bottom, infinities at their end.
inline float FiniteAmplitude(float value) {
    if (std::isnan(value)) {
        return kNoValue;
    }
    if (std::isinf(value)) {
        return value > 0 ? kValueLimit : -kValueLimit;
    }
    return value;
}

inline int SaturatePixel(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<int>(std::clamp(value, -kPixelLimit, kPixelLimit));
}

inline int32_t SaturateInt(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(std::trunc(value), lowest, highest));
}

// Where a frequency stands on the axis: its logarithm on a logarithmic one.
inline double AxisValue(float frequency, bool log) {
    return log ? std::log10(static_cast<double>(frequency)) : static_cast<double>(frequency);
}

inline QFont ArialFont(int pixelSize, int weight) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

inline QPen SolidPen(uint32_t colour, int width = 1) {
    QPen pen(ColorRefToQColor(colour));
    pen.setWidth(width);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

// Text whose top-left corner is at (x, y), as TextOut places it.
inline void TextAt(QPainter& painter, int x, int y, const std::string& text) {
    const QString string = CodePageToQString(text);
    const QFontMetrics metrics(painter.font());
    painter.drawText(QRect(x, y, metrics.horizontalAdvance(string) + 2, metrics.height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, string);
}

} // namespace orv::spectral_painting
