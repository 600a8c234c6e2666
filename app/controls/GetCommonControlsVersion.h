#pragma once

#include <string>

namespace orv {

// The version text of the system's common-controls library. Linux has no such library: the answer
// is the "not found" answer, the empty text.
std::string GetCommonControlsVersion();

} // namespace orv
