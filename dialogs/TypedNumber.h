#pragma once

// How the settings pages read the numbers the user types: the leading decimal number of the text in
// the C locale, whatever the user's locale; text that starts with no number reads as 0. Only finite
// decimal numbers count: "nan", "inf", hexadecimal text and a number too large for a double read as
// 0 too, so no NaN or infinity reaches a node's options, its file or the analyser.

#include <QString>

#include <cstdint>
#include <string_view>

namespace orv {

double ReadTypedNumber(std::string_view text);
double ReadTypedNumber(const QString& text);

// The number truncated toward zero and held to the range of the field it is stored in.
int64_t TruncateTypedNumber(double value);
uint32_t SaturateToUInt32(int64_t value);
// Held to the largest finite single-precision value.
float SaturateToFloat(double value);

} // namespace orv
