#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

// A rectangle as (left, top, right, bottom), the right and bottom edges outside it.
struct CCellRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool Contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const CCellRect& other) const = default;
};

// One value of a cell: one per level (one in the single-level view).
struct CSpatialCellValue {
    float m_Frequency = 0.0F;
    float m_Amplitude = 0.0F;
    int16_t m_ColourIndex = 0;
};

// One cell of the heat map's fixed grid of 29 rows by 42 columns: the value shown, its colour and
// where it lands (in the heat-map bitmap, in the back buffer below the top margin, in the view).
struct CSpatialCell {
    static constexpr int16_t kNoData = 30000;

    float m_Frequency = 0.0F;
    int16_t m_Marker = kNoData;
    float m_Amplitude = 0.0F;
    uint32_t m_Colour = 0;
    int32_t m_ColourIndex = 0;
    CCellRect m_BitmapRect;
    CCellRect m_MapRect;
    CCellRect m_ViewRect;
    uint8_t m_HasData = 0;
    // Empty until the cell is first filled.
    std::vector<CSpatialCellValue> m_Values;
};

inline constexpr int kGridRows = 29;
inline constexpr int kGridColumns = 42;

// Cell (row, column) of the grid is entry row x 42 + column.
constexpr size_t CellIndex(int32_t row, int32_t column) {
    return static_cast<size_t>(row) * kGridColumns + static_cast<size_t>(column);
}

} // namespace orv
