#include "analyzers/drivers/scpi/AsciiTrace.h"

#include <charconv>
#include <cmath>

namespace orv {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

bool ParseAsciiTrace(std::string_view reply, int32_t points, float offset, std::vector<float>& values) {
    values.clear();
    if (points < 0) {
        return false;
    }
    values.reserve(static_cast<size_t>(points));
    while (true) {
        const size_t comma = reply.find(',');
        const bool last = comma == std::string_view::npos;
        const std::string_view piece = Trim(reply.substr(0, comma));
        if (!(last && piece.empty())) {
            // from_chars reads the C locale's form whatever the process locale, and fast: a trace is
            // thousands of these. It takes no leading '+', which instruments send.
            std::string_view number = piece;
            if (number.size() > 1 && number.front() == '+' && number[1] != '-' && number[1] != '+') {
                number.remove_prefix(1);
            }
            double value = 0.0;
            const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
            if (number.empty() || error != std::errc() || end != number.data() + number.size() ||
                !std::isfinite(value) || values.size() >= static_cast<size_t>(points)) {
                return false;
            }
            values.push_back(static_cast<float>(value) + offset);
        }
        if (last) {
            break;
        }
        reply.remove_prefix(comma + 1);
    }
    return values.size() == static_cast<size_t>(points);
}

} // namespace orv
