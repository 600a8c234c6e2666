#include "app/QtConversions.h"

#include <array>

namespace orv {

namespace {

// 0x80-0x9F of Windows-1252; the unassigned bytes keep their own number.
constexpr std::array<char16_t, 32> kHighControlBlock = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t ByteToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        return kHighControlBlock[byte - 0x80];
    }
    return byte;
}

char UnicodeToByte(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        return static_cast<char>(unit);
    }
    for (size_t i = 0; i < kHighControlBlock.size(); ++i) {
        if (kHighControlBlock[i] == unit) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

} // namespace

QColor ColorRefToQColor(uint32_t colorRef) {
    return QColor(static_cast<int>(colorRef & 0xFFu), static_cast<int>((colorRef >> 8) & 0xFFu),
                  static_cast<int>((colorRef >> 16) & 0xFFu));
}

uint32_t QColorToColorRef(const QColor& color) {
    const QColor rgb = color.toRgb();
    return MakeColorRef(static_cast<uint32_t>(rgb.red()), static_cast<uint32_t>(rgb.green()),
                        static_cast<uint32_t>(rgb.blue()));
}

QString CodePageToQString(const std::string& text) {
    QString result;
    result.reserve(static_cast<qsizetype>(text.size()));
    for (const char byte : text) {
        result.append(QChar(ByteToUnicode(static_cast<unsigned char>(byte))));
    }
    return result;
}

std::string QStringToCodePage(const QString& text) {
    std::string result;
    result.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i; // one character outside the code page, one '?'
            result.push_back('?');
            continue;
        }
        result.push_back(UnicodeToByte(c.unicode()));
    }
    return result;
}

} // namespace orv
