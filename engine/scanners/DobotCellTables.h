#pragma once

// The Quorlyn arm's tables over the 29 x 42 grid: whether a cell can be reached, and the allowed
// maximum probe height of each cell before the arm's z offset is added. Cells outside the grid are
// not reachable and have no value (0).

#include <cstdint>

namespace orv {

uint8_t DobotReachableCell(int32_t row, int32_t column);
int16_t DobotMaxHeightTableValue(int32_t row, int32_t column);

} // namespace orv
