#pragma once

// The text form of the simulator's control lines: fields separated by tabs, each field escaped so
// that any bytes (binary replies, commands with tabs or line ends) travel on one line.
//   \\  \t  \n  \r  and \xHH for every other byte below 0x20 or from 0x7F up.

#include <string>
#include <string_view>
#include <vector>

namespace orv::sim {

std::string EscapeField(std::string_view bytes);
std::string UnescapeField(std::string_view text);
// Splits a control line (without its line feed) at tabs and unescapes each field.
std::vector<std::string> SplitControlLine(std::string_view line);

} // namespace orv::sim
