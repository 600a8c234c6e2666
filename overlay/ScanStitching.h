#pragma once

// The stitcher's layout and stitching rules, apart from its window: where the chosen scans lie on
// the canvas, how the mouse moves and turns them, and how their cells fill the stitched grid.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace orv {

inline constexpr int32_t kStitchSlotCount = 6;
inline constexpr int32_t kStitchCanvasColumns = 168;
inline constexpr int32_t kStitchCanvasRows = 116;
inline constexpr int32_t kStitchCellPixels = 4;
// Where the canvas lies in the dialog.
inline constexpr int32_t kStitchCanvasLeft = 20;
inline constexpr int32_t kStitchCanvasTop = 20;
inline constexpr int16_t kStitchNoValue = 30000;

// One scan laid on the canvas: its top-left cell, its quarter turns clockwise (0-3), its position
// in the node's spatial scan list (-1 none) and its grid as the scan has it.
struct _StitchPlacement {
    int32_t m_X = 0;
    int32_t m_Y = 0;
    int32_t m_Rotation = 0;
    int32_t m_ScanIndex = -1;
    int32_t m_Rows = 0;
    int32_t m_Columns = 0;
    bool m_Used = false;

    // The size on the canvas: an odd number of quarter turns swaps rows and columns.
    int32_t ShownWidth() const { return (m_Rotation & 1) == 0 ? m_Columns : m_Rows; }
    int32_t ShownHeight() const { return (m_Rotation & 1) == 0 ? m_Rows : m_Columns; }
};

using StitchPlacements = std::array<_StitchPlacement, kStitchSlotCount>;

// The process-wide layout: preset the first time the stitcher opens, then as the last dialog left
// it. User-interface thread only.
class QStitchLayout {
public:
    // The table, preset on the first call after start (or after Forget).
    static StitchPlacements& Table();
    // Slot i at (8i, 8i), 42 columns by 29 rows, no turn, scan index i; slots 0 and 1 used.
    static StitchPlacements Preset();
    // Back to the state at program start (for a test that needs a first opening).
    static void Forget();
};

// The used slot under a dialog pixel, the slot painted last found first; -1 for none.
int32_t HitTestStitchSlot(const StitchPlacements& placements, int32_t pixelX, int32_t pixelY);

// A left-button drag in progress: the slot and the pixel the last whole-cell move was counted from.
struct _StitchDrag {
    int32_t m_Slot = -1;
    int32_t m_LastX = 0;
    int32_t m_LastY = 0;
};

// Moves the dragged slot by the whole cells the pointer went since the last move (a remainder is
// kept for the next one), then keeps it on the canvas by its shown size. False when it did not move.
bool DragStitchSlot(StitchPlacements& placements, _StitchDrag& drag, int32_t pixelX, int32_t pixelY);

// One quarter turn clockwise.
void TurnStitchSlot(_StitchPlacement& placement);

// The cells the used slots cover; empty (false) when no slot is used.
struct _StitchBounds {
    int32_t m_Left = 0;
    int32_t m_Top = 0;
    int32_t m_Width = 0;
    int32_t m_Height = 0;
};
bool GetStitchBounds(const StitchPlacements& placements, _StitchBounds& bounds);

// The grid of the bounds, every cell without value.
std::vector<int16_t> MakeStitchGrid(const _StitchBounds& bounds);

// Copies a scan's cell values (rows x columns, row by row) into the grid at its slot's place after
// its quarter turns: clockwise, cell (r, c) of an R-row scan goes to (c, R - 1 - r). A later call
// paints over an earlier. What lies outside the bounds is left out; a scan with fewer values than
// its grid places none.
void PlaceStitchSlot(std::span<int16_t> grid, const _StitchBounds& bounds, const _StitchPlacement& placement,
                     std::span<const int16_t> values);

} // namespace orv
