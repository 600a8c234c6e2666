#pragma once

#include <cstdint>

namespace orv {

// How many frequency indexes (spatial) or components (spectral/spatial) a scan of the given level
// has: levels 1 to 8 give 4 to the power level - 1 (1, 4, 16, ... 16384); any other level gives 1.
int32_t GetFrequencyCount(int8_t level);

} // namespace orv
