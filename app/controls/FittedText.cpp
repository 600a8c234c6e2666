#include "app/controls/FittedText.h"

#include <QFontMetrics>
#include <QPainter>

namespace orv {

namespace {

// A pixel to spare on each side: a smoothed glyph edge reaches a pixel beyond its advance.
constexpr int kSpare = 2;

int PixelSize(const QFont& font) {
    return font.pixelSize() > 0 ? font.pixelSize() : QFontMetrics(font).height();
}

} // namespace

QFont FitLineFont(const QFont& font, const QString& text, int width, int smallestPixels) {
    const int room = width - kSpare;
    if (QFontMetrics(font).horizontalAdvance(text) <= room) {
        return font;
    }
    const QString shown = text.trimmed();
    QFont fitted = font;
    int pixels = PixelSize(font);
    fitted.setPixelSize(pixels);
    while (pixels > smallestPixels && QFontMetrics(fitted).horizontalAdvance(shown) > room) {
        fitted.setPixelSize(--pixels);
    }
    return fitted;
}

QFont DrawFittedLine(QPainter& painter, const QRect& rect, const QString& text, const QFont& font,
                     int smallestPixels) {
    const QFont fitted = FitLineFont(font, text, rect.width(), smallestPixels);
    const bool padded = QFontMetrics(fitted).horizontalAdvance(text) <= rect.width() - kSpare;
    painter.setFont(fitted);
    painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, padded ? text : text.trimmed());
    return fitted;
}

} // namespace orv
