#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace orv {

// The variables $1, $2, ... of one aperture macro flash. Reading one that was never set, or one out
// of the table, gives 0; setting one out of the table does nothing.
class MacroVariables {
public:
    static constexpr uint32_t kCount = 256;

    float Get(int64_t number) const;
    void Set(int64_t number, float value);
    void Clear() { m_values.fill(0.0F); }

private:
    std::array<float, kCount> m_values{};
};

// Splits an aperture's modifier text (ending in '*' or at its end) at 'X' and reads each token in the
// C locale, multiplied by factor (the unit factor). Tokens over 9 characters read as 0.
std::vector<double> ParseApertureModifiers(std::string_view text, double factor);

// One-operator arithmetic of aperture macros: left and right operands ('$' and a variable number, or
// a decimal number; an empty operand is 0) around one of '+', '-', '/', 'x', 'X'. A sign at the start
// of an operand belongs to it; text without operator is the operand alone. Division by 0 gives 0.
// More than one operator, or an operand over 9 characters, gives nothing.
std::optional<float> EvaluateMacroExpression(std::string_view text, const MacroVariables& variables);

// One primitive of a macro body (its text up to '*').
struct MacroPrimitive {
    enum class Kind { Shape, Assignment, Nothing };
    Kind kind = Kind::Nothing;
    // For a shape: out[0] the code with its exposure (10/11, 20/21, ..., 200/201, 210/211, 220/221,
    // 6, 7), then the parameters, as many as the text gives.
    std::vector<float> out;
};

// Parses one macro primitive. When setVariables is true and modifiers are given, the variables are
// first set from them ($1 from the first, not multiplied by the unit factor). "$n=expression" only
// sets variable n. A prefix outside the table (comments, primitive 0, a variable exposure) or a
// parameter that does not evaluate makes nothing.
MacroPrimitive ParseMacroPrimitive(std::string_view text, std::optional<std::string_view> modifiers,
                                   bool setVariables, MacroVariables& variables);

// The radii of the circle or axis-aligned ellipse through the start and the end around the centre,
// truncated; nothing when none fits, when a radius or a divisor would be 0, or when a value on the
// way is not finite.
struct ArcRadii {
    int64_t rx = 0;
    int64_t ry = 0;
};
std::optional<ArcRadii> FitArcRadii(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t cx, int64_t cy);

} // namespace orv
