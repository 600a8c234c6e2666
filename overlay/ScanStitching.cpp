#include "overlay/ScanStitching.h"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace orv {

namespace {

std::optional<StitchPlacements>& HeldTable() {
    static std::optional<StitchPlacements> table;
    return table;
}

// The shown cell (i, j) of a slot reads the scan's value at m_Base + i x m_RowStep + j x m_ColumnStep.
struct TurnedWalk {
    std::ptrdiff_t m_Base = 0;
    std::ptrdiff_t m_RowStep = 0;
    std::ptrdiff_t m_ColumnStep = 0;
};

TurnedWalk WalkFor(int32_t rotation, std::ptrdiff_t rows, std::ptrdiff_t columns) {
    switch (rotation & 3) {
    case 1: // shown (i, j) is (c, R - 1 - r): r = R - 1 - j, c = i
        return {(rows - 1) * columns, 1, -columns};
    case 2: // (R - 1 - r, C - 1 - c)
        return {rows * columns - 1, -columns, -1};
    case 3: // (C - 1 - c, r): r = j, c = C - 1 - i
        return {columns - 1, -1, columns};
    default:
        return {0, columns, 1};
    }
}

} // namespace

StitchPlacements& QStitchLayout::Table() {
    std::optional<StitchPlacements>& table = HeldTable();
    if (!table.has_value()) {
        table = Preset();
    }
    return *table;
}

StitchPlacements QStitchLayout::Preset() {
    StitchPlacements placements;
    for (int32_t i = 0; i < kStitchSlotCount; ++i) {
        _StitchPlacement& slot = placements[static_cast<size_t>(i)];
        slot.m_X = 8 * i;
        slot.m_Y = 8 * i;
        slot.m_Columns = 42;
        slot.m_Rows = 29;
        slot.m_Rotation = 0;
        slot.m_ScanIndex = i;
        slot.m_Used = i < 2;
    }
    return placements;
}

void QStitchLayout::Forget() {
    HeldTable().reset();
}

int32_t HitTestStitchSlot(const StitchPlacements& placements, int32_t pixelX, int32_t pixelY) {
    for (int32_t i = kStitchSlotCount - 1; i >= 0; --i) {
        const _StitchPlacement& slot = placements[static_cast<size_t>(i)];
        if (!slot.m_Used) {
            continue;
        }
        const int32_t left = kStitchCanvasLeft + kStitchCellPixels * slot.m_X;
        const int32_t top = kStitchCanvasTop + kStitchCellPixels * slot.m_Y;
        if (pixelX >= left && pixelX < left + kStitchCellPixels * slot.ShownWidth() && pixelY >= top &&
            pixelY < top + kStitchCellPixels * slot.ShownHeight()) {
            return i;
        }
    }
    return -1;
}

bool DragStitchSlot(StitchPlacements& placements, _StitchDrag& drag, int32_t pixelX, int32_t pixelY) {
    if (drag.m_Slot < 0 || drag.m_Slot >= kStitchSlotCount) {
        return false;
    }
    // Truncated towards zero: what is left of a cell counts towards the next move.
    const int32_t dx = (pixelX - drag.m_LastX) / kStitchCellPixels;
    const int32_t dy = (pixelY - drag.m_LastY) / kStitchCellPixels;
    if (dx == 0 && dy == 0) {
        return false;
    }
    _StitchPlacement& slot = placements[static_cast<size_t>(drag.m_Slot)];
    slot.m_X += dx;
    slot.m_Y += dy;
    drag.m_LastX += kStitchCellPixels * dx;
    drag.m_LastY += kStitchCellPixels * dy;
    slot.m_X = std::min(slot.m_X, kStitchCanvasColumns - slot.ShownWidth());
    slot.m_Y = std::min(slot.m_Y, kStitchCanvasRows - slot.ShownHeight());
    slot.m_X = std::max(slot.m_X, 0);
    slot.m_Y = std::max(slot.m_Y, 0);
    return true;
}

void TurnStitchSlot(_StitchPlacement& placement) {
    placement.m_Rotation = (placement.m_Rotation + 1) % 4;
}

bool GetStitchBounds(const StitchPlacements& placements, _StitchBounds& bounds) {
    int32_t left = 10000;
    int32_t top = 10000;
    int32_t right = -10000;
    int32_t bottom = -10000;
    bool any = false;
    for (const _StitchPlacement& slot : placements) {
        if (!slot.m_Used) {
            continue;
        }
        any = true;
        left = std::min(left, slot.m_X);
        top = std::min(top, slot.m_Y);
        right = std::max(right, slot.m_X + slot.ShownWidth());
        bottom = std::max(bottom, slot.m_Y + slot.ShownHeight());
    }
    if (!any) {
        bounds = {};
        return false;
    }
    bounds = {left, top, std::max(right - left, 0), std::max(bottom - top, 0)};
    return true;
}

std::vector<int16_t> MakeStitchGrid(const _StitchBounds& bounds) {
    // A grid up to the canvas's size is copied from a canvas of cells without value made once: a
    // block copy, where filling cell by cell would take most of the stitch.
    static const std::vector<int16_t> canvas(static_cast<size_t>(kStitchCanvasColumns) * kStitchCanvasRows,
                                             kStitchNoValue);
    const size_t cells =
        static_cast<size_t>(std::max(bounds.m_Width, 0)) * static_cast<size_t>(std::max(bounds.m_Height, 0));
    if (cells <= canvas.size()) {
        return std::vector<int16_t>(canvas.begin(), canvas.begin() + static_cast<std::ptrdiff_t>(cells));
    }
    return std::vector<int16_t>(cells, kStitchNoValue);
}

void PlaceStitchSlot(std::span<int16_t> grid, const _StitchBounds& bounds, const _StitchPlacement& placement,
                     std::span<const int16_t> values) {
    const std::ptrdiff_t rows = std::max(placement.m_Rows, 0);
    const std::ptrdiff_t columns = std::max(placement.m_Columns, 0);
    const std::ptrdiff_t width = bounds.m_Width;
    if (static_cast<std::ptrdiff_t>(values.size()) < rows * columns ||
        static_cast<std::ptrdiff_t>(grid.size()) < width * bounds.m_Height) {
        return;
    }
    // The shown cells that fall inside the grid.
    const std::ptrdiff_t offsetX = placement.m_X - bounds.m_Left;
    const std::ptrdiff_t offsetY = placement.m_Y - bounds.m_Top;
    const std::ptrdiff_t firstI = std::max<std::ptrdiff_t>(0, -offsetY);
    const std::ptrdiff_t lastI = std::min<std::ptrdiff_t>(placement.ShownHeight(), bounds.m_Height - offsetY);
    const std::ptrdiff_t firstJ = std::max<std::ptrdiff_t>(0, -offsetX);
    const std::ptrdiff_t lastJ = std::min<std::ptrdiff_t>(placement.ShownWidth(), width - offsetX);
    if (firstI >= lastI || firstJ >= lastJ) {
        return;
    }
    const TurnedWalk walk = WalkFor(placement.m_Rotation, rows, columns);
    const int16_t* source = values.data();
    for (std::ptrdiff_t i = firstI; i < lastI; ++i) {
        int16_t* to = grid.data() + (offsetY + i) * width + offsetX + firstJ;
        const int16_t* from = source + walk.m_Base + i * walk.m_RowStep + firstJ * walk.m_ColumnStep;
        const std::ptrdiff_t count = lastJ - firstJ;
        if (walk.m_ColumnStep == 1) {
            std::copy_n(from, count, to);
        } else if (walk.m_ColumnStep == -1) {
            std::reverse_copy(from - (count - 1), from + 1, to);
        } else {
            const std::ptrdiff_t step = walk.m_ColumnStep;
            for (std::ptrdiff_t j = 0; j < count; ++j) {
                to[j] = from[j * step];
            }
        }
    }
}

} // namespace orv
