#include "overlay/import/GerberRoutines.h"

#include "platform/CLocale.h"

#include <cmath>

namespace orv {
namespace {

constexpr size_t kMaxTokenChars = 9;

std::string_view UpToStar(std::string_view text) {
    const size_t star = text.find('*');
    return star == std::string_view::npos ? text : text.substr(0, star);
}

double AtoF(std::string_view token) {
    size_t used = 0;
    return StrToDoubleC(token, &used);
}

bool IsOperatorChar(char c) {
    return c == '+' || c == '-' || c == '/' || c == 'x' || c == 'X';
}

// A '+' or '-' at the start of an operand is its sign, not an operator.
bool IsOperatorAt(std::string_view text, size_t i) {
    const char c = text[i];
    if (!IsOperatorChar(c)) {
        return false;
    }
    if ((c == '+' || c == '-') && (i == 0 || IsOperatorChar(text[i - 1]))) {
        return false;
    }
    return true;
}

std::optional<float> Operand(std::string_view token, const MacroVariables& variables) {
    if (token.size() > kMaxTokenChars) {
        return std::nullopt;
    }
    float sign = 1.0F;
    size_t start = 0;
    while (start < token.size() && (token[start] == '+' || token[start] == '-')) {
        if (token[start] == '-') {
            sign = -sign;
        }
        ++start;
    }
    if (start < token.size() && token[start] == '$') {
        int64_t number = 0;
        for (size_t i = start + 1; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
            number = number * 10 + (token[i] - '0');
        }
        return sign * variables.Get(number);
    }
    return static_cast<float>(AtoF(token));
}

std::optional<float> Parameter(std::string_view token, const MacroVariables& variables) {
    bool evaluate = token.find('$') != std::string_view::npos;
    for (size_t i = 0; i < token.size() && !evaluate; ++i) {
        evaluate = IsOperatorAt(token, i);
    }
    if (evaluate) {
        return EvaluateMacroExpression(token, variables);
    }
    if (token.size() > kMaxTokenChars) {
        return std::nullopt;
    }
    return static_cast<float>(AtoF(token));
}

struct Prefix {
    std::string_view text;
    float code;
};

// Longer prefixes first, so that "20,1," is not taken for "2," and a number.
constexpr Prefix kPrefixes[] = {
    {"20,0,", 200}, {"20,1,", 201}, {"21,0,", 210}, {"21,1,", 211}, {"22,0,", 220}, {"22,1,", 221},
    {"1,0,", 10},   {"1,1,", 11},   {"2,0,", 20},   {"2,1,", 21},   {"3,0,", 30},   {"3,1,", 31},
    {"4,0,", 40},   {"4,1,", 41},   {"5,0,", 50},   {"5,1,", 51},   {"6,", 6},      {"7,", 7},
};

bool Usable(double value) {
    return std::isfinite(value) && value != 0.0;
}

} // namespace

float MacroVariables::Get(int64_t number) const {
    return number >= 1 && number <= static_cast<int64_t>(kCount) ? m_values[static_cast<size_t>(number - 1)]
                                                                 : 0.0F;
}

void MacroVariables::Set(int64_t number, float value) {
    if (number >= 1 && number <= static_cast<int64_t>(kCount)) {
        m_values[static_cast<size_t>(number - 1)] = value;
    }
}

std::vector<double> ParseApertureModifiers(std::string_view text, double factor) {
    text = UpToStar(text);
    std::vector<double> values;
    if (text.empty()) {
        return values;
    }
    size_t start = 0;
    for (;;) {
        const size_t x = text.find('X', start);
        const std::string_view token = text.substr(start, x == std::string_view::npos ? x : x - start);
        values.push_back(token.size() > kMaxTokenChars ? 0.0 : AtoF(token) * factor);
        if (x == std::string_view::npos) {
            break;
        }
        start = x + 1;
    }
    return values;
}

std::optional<float> EvaluateMacroExpression(std::string_view text, const MacroVariables& variables) {
    text = UpToStar(text);
    size_t at = std::string_view::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsOperatorAt(text, i)) {
            if (at != std::string_view::npos) {
                return std::nullopt;
            }
            at = i;
        }
    }
    if (at == std::string_view::npos) {
        return Operand(text, variables);
    }
    const std::optional<float> left = Operand(text.substr(0, at), variables);
    const std::optional<float> right = Operand(text.substr(at + 1), variables);
    if (!left || !right) {
        return std::nullopt;
    }
    switch (text[at]) {
    case '+':
        return *left + *right;
    case '-':
        return *left - *right;
    case '/':
        return *right == 0.0F ? 0.0F : *left / *right;
    default:
        return *left * *right;
    }
}

MacroPrimitive ParseMacroPrimitive(std::string_view text, std::optional<std::string_view> modifiers,
                                   bool setVariables, MacroVariables& variables) {
    if (setVariables && modifiers) {
        const std::vector<double> values = ParseApertureModifiers(*modifiers, 1.0);
        for (size_t i = 0; i < values.size(); ++i) {
            variables.Set(static_cast<int64_t>(i) + 1, static_cast<float>(values[i]));
        }
    }
    text = UpToStar(text);
    MacroPrimitive result;
    if (!text.empty() && text[0] == '$') {
        const size_t equals = text.find('=');
        if (equals == std::string_view::npos) {
            return result;
        }
        int64_t number = 0;
        for (size_t i = 1; i < equals; ++i) {
            if (text[i] < '0' || text[i] > '9' || number > 1000000) {
                return result;
            }
            number = number * 10 + (text[i] - '0');
        }
        const std::optional<float> value = EvaluateMacroExpression(text.substr(equals + 1), variables);
        if (value) {
            variables.Set(number, *value);
            result.kind = MacroPrimitive::Kind::Assignment;
        }
        return result;
    }
    for (const Prefix& prefix : kPrefixes) {
        if (text.substr(0, prefix.text.size()) != prefix.text) {
            continue;
        }
        result.out.push_back(prefix.code);
        std::string_view rest = text.substr(prefix.text.size());
        for (;;) {
            const size_t comma = rest.find(',');
            const std::optional<float> value = Parameter(rest.substr(0, comma), variables);
            if (!value) {
                return MacroPrimitive{};
            }
            result.out.push_back(*value);
            if (comma == std::string_view::npos) {
                break;
            }
            rest = rest.substr(comma + 1);
        }
        result.kind = MacroPrimitive::Kind::Shape;
        return result;
    }
    return result;
}

std::optional<ArcRadii> FitArcRadii(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t cx, int64_t cy) {
    const double dx1 = static_cast<double>(x1 - cx);
    const double dy1 = static_cast<double>(y1 - cy);
    const double dx2 = static_cast<double>(x2 - cx);
    const double dy2 = static_cast<double>(y2 - cy);
    const double r1 = std::hypot(dx1, dy1);
    const double r2 = std::hypot(dx2, dy2);
    const double r = std::min(r1, r2);
    double rx = 0.0;
    double ry = 0.0;

    auto finish = [&]() -> std::optional<ArcRadii> {
        if (!std::isfinite(rx) || !std::isfinite(ry) || std::trunc(rx) == 0.0 || std::trunc(ry) == 0.0 ||
            rx > 9.0e15 || ry > 9.0e15) {
            return std::nullopt;
        }
        return ArcRadii{static_cast<int64_t>(rx), static_cast<int64_t>(ry)};
    };
    // rOther from the other point's offsets once one radius is known: u = the known axis offset.
    auto fromOther = [](double known, double alongKnown, double alongOther, double& other) {
        if (!Usable(known)) {
            return false;
        }
        const double q = (alongKnown * alongKnown) / (known * known);
        if (q == 1.0) {
            return false;
        }
        const double t = (alongOther * alongOther) / (1.0 - q);
        if (!std::isfinite(t) || t < 0.0) {
            return false;
        }
        other = std::sqrt(t);
        return true;
    };

    if (!Usable(r)) {
        return std::nullopt;
    }
    // Both points on one ray from the centre.
    if (dx1 != 0.0 && dx2 != 0.0) {
        const double s1 = dy1 / dx1;
        const double s2 = dy2 / dx2;
        const bool sameSign = (s1 > 0 && s2 > 0) || (s1 < 0 && s2 < 0) || (s1 == 0 && s2 == 0);
        if (sameSign && std::fabs(s1 - s2) <= 0.01 * std::min(std::fabs(s1), std::fabs(s2))) {
            rx = ry = r;
            return finish();
        }
    }
    double ex = static_cast<double>(x1 - x2);
    double ey = static_cast<double>(y1 - y2);
    if (std::fabs(ex) / r < 0.01) {
        ex = 0.0;
    }
    if (std::fabs(ey) / r < 0.01) {
        ey = 0.0;
    }
    if (ex == 0.0 && ey == 0.0) {
        rx = ry = r1; // a full circle
        return finish();
    }
    if (ex == 0.0 || ey == 0.0) {
        rx = ry = std::hypot(ex, ey) / 2.0;
        return finish();
    }
    if (x1 == cx) {
        ry = std::fabs(dy1);
        if (y2 == cy) {
            rx = std::fabs(dx2);
        } else if (!fromOther(ry, dy2, dx2, rx)) {
            return std::nullopt;
        }
        return finish();
    }
    if (x2 == cx) {
        ry = std::fabs(dy2);
        if (y1 == cy) {
            rx = std::fabs(dx1);
        } else if (!fromOther(ry, dy1, dx1, rx)) {
            return std::nullopt;
        }
        return finish();
    }
    if (y1 == cy) {
        rx = std::fabs(dx1);
        if (!fromOther(rx, dx2, dy2, ry)) {
            return std::nullopt;
        }
        return finish();
    }
    if (y2 == cy) {
        rx = std::fabs(dx2);
        if (!fromOther(rx, dx1, dy1, ry)) {
            return std::nullopt;
        }
        return finish();
    }
    const double k = (dx2 / dx1) * (dx2 / dx1);
    if (k == 1.0) {
        return std::nullopt;
    }
    const double b2 = (k * dy1 * dy1 - dy2 * dy2) / (k - 1.0);
    if (!std::isfinite(b2) || b2 < 0.0 || b2 == dy1 * dy1) {
        return std::nullopt;
    }
    ry = std::sqrt(b2);
    const double a2 = b2 * dx1 * dx1 / (b2 - dy1 * dy1);
    if (!std::isfinite(a2) || a2 < 0.0) {
        return std::nullopt;
    }
    rx = std::sqrt(a2);
    return finish();
}

} // namespace orv
