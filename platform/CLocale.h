#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Numbers in texts, files and instrument commands are formatted and parsed in the C locale, whatever
// locale the user runs the program in.
namespace orv {

// printf-style formatting in the C locale ('.' as the decimal point, no grouping).
std::string FormatC(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Parses the whole text (no leading or trailing characters) as a number; nullopt when it is not one
// or does not fit. Leading '+' is accepted, as the C library's readers accept it.
std::optional<double> ParseDoubleC(std::string_view text);
std::optional<float> ParseFloatC(std::string_view text);
std::optional<int64_t> ParseInt64C(std::string_view text);
std::optional<int32_t> ParseInt32C(std::string_view text);

// strtod-style: parses the longest number at the start of the text (after leading white space) and
// reports how many characters it used (0 when there is no number; the value is then 0).
double StrToDoubleC(std::string_view text, size_t* used);

} // namespace orv
