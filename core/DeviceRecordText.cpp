#include "core/DeviceRecordText.h"

#include "core/QException.h"
#include "platform/CLocale.h"

#include <cfloat>
#include <cmath>
#include <optional>

namespace orv {

const char* const kDeviceRecordSupportSentence =
    "Please contact QZV Technologies technical support to obtain a valid device list.";

std::vector<std::string> SplitDeviceRecordText(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    for (const char c : text) {
        if (c != ' ') {
            compact.push_back(c);
        }
    }
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = compact.find(',', start);
        if (comma == std::string::npos) {
            break;
        }
        fields.push_back(compact.substr(start, comma - start));
        start = comma + 1;
    }
    if (start < compact.size()) {
        fields.push_back(compact.substr(start));
    }
    return fields;
}

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

[[noreturn]] void ThrowNotFloat(const std::string& number) {
    throw QParseException("The string \"" + number + "\" is not float format in the registry.\n" +
                          kDeviceRecordSupportSentence);
}

// Reads "[+-]digits[.digits]" (at least one digit, at most one '.' or ',') in the C locale; nullopt
// when the text has another shape or the number does not fit a double.
std::optional<double> ReadPlainDecimal(const std::string& number) {
    size_t pos = 0;
    bool negative = false;
    if (pos < number.size() && (number[pos] == '+' || number[pos] == '-')) {
        negative = number[pos] == '-';
        ++pos;
    }
    std::string whole;
    std::string fraction;
    bool seenPoint = false;
    for (; pos < number.size(); ++pos) {
        const char c = number[pos];
        if (IsDigit(c)) {
            (seenPoint ? fraction : whole).push_back(c);
        } else if ((c == '.' || c == ',') && !seenPoint) {
            seenPoint = true;
        } else {
            return std::nullopt;
        }
    }
    if (whole.empty() && fraction.empty()) {
        return std::nullopt;
    }
    const std::string normalised = (whole.empty() ? "0" : whole) + "." + (fraction.empty() ? "0" : fraction);
    const std::optional<double> value = ParseDoubleC(normalised);
    if (!value || !std::isfinite(*value)) {
        return std::nullopt;
    }
    return negative ? -*value : *value;
}

} // namespace

double ParseFrequencyTextAsDouble(std::string_view text) {
    std::string number;
    std::string unit;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (IsDigit(c) || c == '.') {
            if (i > 0 && text[i - 1] == '-') {
                number.push_back('-');
            }
            number.push_back(c);
        } else if (c >= 'A' && c <= 'z') {
            unit.push_back(c);
        }
    }
    const std::optional<double> value = ReadPlainDecimal(number);
    if (!value) {
        ThrowNotFloat(number);
    }
    std::string lowerUnit;
    for (const char c : unit) {
        lowerUnit.push_back(LowerAscii(c));
    }
    double megahertz = 0.0;
    if (lowerUnit.empty() || lowerUnit == "mhz") {
        megahertz = *value;
    } else if (lowerUnit == "khz") {
        megahertz = *value / 1000.0;
    } else if (lowerUnit == "hz") {
        megahertz = *value / 1000000.0;
    } else if (lowerUnit == "ghz") {
        megahertz = *value * 1000.0;
    } else {
        throw QParseException("The unit specifier " + unit + " is invalid.  " + kDeviceRecordSupportSentence);
    }
    // Every reader keeps the value as a float at the widest: what does not fit one is refused here
    // rather than turned into an infinity.
    if (!(std::fabs(megahertz) <= static_cast<double>(FLT_MAX))) {
        ThrowNotFloat(number);
    }
    return megahertz;
}

float ParseFrequencyText(std::string_view text) {
    // In range by then: a double no larger than FLT_MAX rounds to a finite float.
    return static_cast<float>(ParseFrequencyTextAsDouble(text));
}

std::string MakeDeviceRecordParseMessage(std::string_view text) {
    return "Error#339: The string \"" + std::string(text) + "\" can not be parsed correctly.\n" +
           kDeviceRecordSupportSentence;
}

} // namespace orv
