#include "dialogs/TypedNumber.h"

#include "app/QtConversions.h"
#include "platform/CLocale.h"

#include <cctype>
#include <cmath>
#include <limits>
#include <string>

namespace orv {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The length of the decimal number at `pos` (sign, digits, point, digits, exponent); 0 when none.
size_t DecimalLength(std::string_view text, size_t pos) {
    size_t end = pos;
    if (end < text.size() && (text[end] == '+' || text[end] == '-')) {
        ++end;
    }
    size_t digits = 0;
    while (end < text.size() && IsDigit(text[end])) {
        ++end;
        ++digits;
    }
    if (end < text.size() && text[end] == '.') {
        ++end;
        while (end < text.size() && IsDigit(text[end])) {
            ++end;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0;
    }
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        size_t exponent = end + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) {
            ++exponent;
        }
        if (exponent < text.size() && IsDigit(text[exponent])) {
            while (exponent < text.size() && IsDigit(text[exponent])) {
                ++exponent;
            }
            end = exponent;
        }
    }
    return end - pos;
}

} // namespace

double ReadTypedNumber(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])) != 0) {
        ++pos;
    }
    const size_t length = DecimalLength(text, pos);
    if (length == 0) {
        return 0.0;
    }
    size_t used = 0;
    const double value = StrToDoubleC(text.substr(pos, length), &used);
    return used == 0 || !std::isfinite(value) ? 0.0 : value;
}

double ReadTypedNumber(const QString& text) {
    return ReadTypedNumber(QStringToCodePage(text));
}

int64_t TruncateTypedNumber(double value) {
    // 2^63 is exactly representable; everything at or beyond it saturates.
    constexpr double kLimit = 9223372036854775808.0;
    if (!std::isfinite(value)) {
        return 0;
    }
    if (value >= kLimit) {
        return std::numeric_limits<int64_t>::max();
    }
    if (value <= -kLimit) {
        return std::numeric_limits<int64_t>::min();
    }
    return static_cast<int64_t>(std::trunc(value));
}

uint32_t SaturateToUInt32(int64_t value) {
    if (value < 0) {
        return 0;
    }
    if (value > static_cast<int64_t>(std::numeric_limits<uint32_t>::max())) {
        return std::numeric_limits<uint32_t>::max();
    }
    return static_cast<uint32_t>(value);
}

float SaturateToFloat(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (!std::isfinite(value)) {
        return 0.0F;
    }
    if (value > kMax) {
        return std::numeric_limits<float>::max();
    }
    if (value < -kMax) {
        return std::numeric_limits<float>::lowest();
    }
    return static_cast<float>(value);
}

} // namespace orv
