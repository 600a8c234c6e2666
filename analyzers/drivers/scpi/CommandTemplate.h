#pragma once

// Command strings a user configures (in ini files beside the program) are templates we expand, never
// printf formats: "%%" gives "%", and at most one conversion of the kind the command takes ("%s" a
// text, "%d" an integer, "%f" a real; flags, width and precision allowed) receives the argument.
// Any other conversion, a second one, a '*' width or precision, a length modifier, or a result over
// kMaxCommandLength characters is refused: the command is not sent.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

inline constexpr size_t kMaxCommandLength = 127;

// No argument: only "%%" may appear.
std::optional<std::string> ExpandCommandTemplate(std::string_view pattern);
std::optional<std::string> ExpandCommandTemplate(std::string_view pattern, std::string_view text);
std::optional<std::string> ExpandCommandTemplate(std::string_view pattern, int32_t integer);
std::optional<std::string> ExpandCommandTemplate(std::string_view pattern, double real);

} // namespace orv
