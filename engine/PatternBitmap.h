#pragma once

// The active cells of a grid as the scanner takes them before it steps through them by itself: one
// bit per cell in row-major order, the most significant bit first.

#include <cstdint>
#include <span>
#include <vector>

namespace orv {

// Builds the bitmap (ceil(rows x columns / 8) bytes) from the probe-cell map (non-zero = active;
// cells beyond the map are inactive) and answers the number of active cells.
uint32_t BuildPatternBitmap(int32_t rows, int32_t columns, std::span<const uint8_t> map,
                            std::vector<uint8_t>& bitmap);

} // namespace orv
