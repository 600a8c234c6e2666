#include "analyzers/drivers/scpi/AsciiTrace.h"

#include "platform/CLocale.h"

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
            size_t used = 0;
            const double value = StrToDoubleC(piece, &used);
            if (piece.empty() || used != piece.size() || !std::isfinite(value) ||
                values.size() >= static_cast<size_t>(points)) {
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
