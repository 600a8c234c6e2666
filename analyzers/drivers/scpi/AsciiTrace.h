#pragma once

// A trace sent as ASCII: values separated by commas, ending in a line feed. Every piece, the last
// too, must be a whole number in the C locale; one empty piece after a final comma is allowed. The
// trace is good only with exactly the expected count of values.

#include <cstdint>
#include <string_view>
#include <vector>

namespace orv {

// Parses into `values` (offset added to each); false on a bad piece or a count other than `points`.
bool ParseAsciiTrace(std::string_view reply, int32_t points, float offset, std::vector<float>& values);

} // namespace orv
