#pragma once

// Lines of text that must be seen whole in a band narrower than the text at its own size: the
// blanks that pad a centred line go first, then the font steps down a pixel at a time.

#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

namespace orv {

// The font a line is drawn in: the given one when the line fits the width; otherwise the largest
// pixel size down to the smallest at which the line without its padding blanks fits (the smallest
// when none does).
QFont FitLineFont(const QFont& font, const QString& text, int width, int smallestPixels);

// Draws the line centred in the rectangle on one line, whole as far as the smallest size allows;
// returns the font it was drawn in.
QFont DrawFittedLine(QPainter& painter, const QRect& rect, const QString& text, const QFont& font,
                     int smallestPixels);

} // namespace orv
