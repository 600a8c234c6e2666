#pragma once

// One cell of the scan probes page's grid, and the program's one clipboard of a whole grid, through
// which a pattern is copied from one node's page and pasted into another's. The clipboard lives on
// the user-interface thread only.

#include <array>
#include <cstdint>

namespace orv {

struct ProbeCell {
    // Client coordinates of the page; right and bottom are outside the cell.
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    // Never set by the page; carried along by the clipboard.
    uint32_t reserved = 0;
    // 1: the probe measures the cell.
    uint8_t on = 0;
    // 1: the arm cannot reach the cell; such a cell is never on.
    uint8_t unreachable = 0;
    // mm: the measuring height of an on cell; for an off cell with the robot arm, the arm's reach.
    int16_t height = 0;

    bool Contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
};

struct ProbePatternClipboard {
    static constexpr int kRows = 29;
    static constexpr int kColumns = 42;
    static constexpr int kCellCount = kRows * kColumns;

    std::array<ProbeCell, kCellCount> cells{};
    uint8_t filled = 0;
    float measurementHeight = 0.0F;
    int16_t lowestHeight = 0;
    int16_t highestHeight = 0;
    double colourStep = 0.0;
};

// The program's one clipboard, empty at start.
ProbePatternClipboard& GetProbePatternClipboard();

} // namespace orv
