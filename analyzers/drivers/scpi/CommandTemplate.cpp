#include "analyzers/drivers/scpi/CommandTemplate.h"

#include "platform/CLocale.h"

#include <cstring>

namespace orv {

namespace {

// A conversion spec within the pattern: "%" flags width ".precision" type.
struct ConversionSpec {
    std::string text; // the whole spec, validated, e.g. "%-8.2f"
    char type = 0;
};

// Reads the conversion starting at pattern[at] == '%'; false when it is not one we accept.
bool ReadSpec(std::string_view pattern, size_t& at, ConversionSpec& spec) {
    size_t i = at + 1;
    spec.text.assign(1, '%');
    while (i < pattern.size() && std::strchr("-+ #0", pattern[i]) != nullptr) {
        spec.text += pattern[i++];
    }
    size_t digits = 0;
    while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9') {
        if (++digits > 3) {
            return false; // a width beyond any command's length
        }
        spec.text += pattern[i++];
    }
    if (i < pattern.size() && pattern[i] == '.') {
        spec.text += pattern[i++];
        digits = 0;
        while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9') {
            if (++digits > 3) {
                return false;
            }
            spec.text += pattern[i++];
        }
    }
    if (i >= pattern.size()) {
        return false;
    }
    spec.type = pattern[i];
    spec.text += pattern[i];
    at = i + 1;
    return spec.type == 's' || spec.type == 'd' || spec.type == 'f';
}

template <typename Format>
std::optional<std::string> Expand(std::string_view pattern, char allowed, Format format) {
    std::string out;
    bool converted = false;
    size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c != '%') {
            out += c;
            ++i;
        } else if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            out += '%';
            i += 2;
        } else {
            ConversionSpec spec;
            if (converted || allowed == 0 || !ReadSpec(pattern, i, spec) || spec.type != allowed) {
                return std::nullopt;
            }
            out += format(spec);
            converted = true;
        }
        if (out.size() > kMaxCommandLength) {
            return std::nullopt;
        }
    }
    return out;
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
// The spec was validated by ReadSpec and matches the argument's type.
template <typename Value> std::string FormatSpec(const std::string& spec, Value value) {
    return FormatC(spec.c_str(), value);
}
#pragma GCC diagnostic pop

} // namespace

std::optional<std::string> ExpandCommandTemplate(std::string_view pattern) {
    return Expand(pattern, 0, [](const ConversionSpec&) { return std::string(); });
}

std::optional<std::string> ExpandCommandTemplate(std::string_view pattern, std::string_view text) {
    return Expand(pattern, 's', [text](const ConversionSpec& spec) {
        // The text is bounded before formatting: a precision cuts it, and what is left over the
        // command limit is refused by the caller's length check.
        std::string bounded(text.substr(0, kMaxCommandLength + 1));
        return FormatSpec(spec.text, bounded.c_str());
    });
}

std::optional<std::string> ExpandCommandTemplate(std::string_view pattern, int32_t integer) {
    return Expand(pattern, 'd',
                  [integer](const ConversionSpec& spec) { return FormatSpec(spec.text, integer); });
}

std::optional<std::string> ExpandCommandTemplate(std::string_view pattern, double real) {
    return Expand(pattern, 'f', [real](const ConversionSpec& spec) {
        // A huge value with "%f" prints hundreds of digits; it is refused by the length check after.
        return FormatSpec(spec.text, real);
    });
}

} // namespace orv
