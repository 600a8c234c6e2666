#pragma once

// The only two conversions at the boundary between the model and Qt: colours, which the model keeps
// as packed values with red in the low byte, and texts, which the model keeps as single-byte
// Windows-1252 strings (stored files and instrument replies carry those bytes unchanged).

#include <QColor>
#include <QString>

#include <cstdint>
#include <string>

namespace orv {

// 0x00BBGGRR -> QColor (opaque; the top byte is ignored, as it is for such colour values).
QColor ColorRefToQColor(uint32_t colorRef);
uint32_t QColorToColorRef(const QColor& color);
// The packed value of red, green and blue (the RGB macro of such colour values).
constexpr uint32_t MakeColorRef(uint32_t red, uint32_t green, uint32_t blue) {
    return (red & 0xFFu) | ((green & 0xFFu) << 8) | ((blue & 0xFFu) << 16);
}

// Every byte maps to one character; the five bytes that Windows-1252 leaves unassigned map to the
// control characters of the same number, so that any byte string survives the way there and back.
QString CodePageToQString(const std::string& text);
// Characters outside Windows-1252 become '?'.
std::string QStringToCodePage(const QString& text);

} // namespace orv
