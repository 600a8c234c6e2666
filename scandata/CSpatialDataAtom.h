#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

// The sub-cell grid of multi-level spatial data: rows x columns cells, each split into
// 2^level x 2^level sub-cells of two values (a level and a frequency, or two levels). A cell takes
// memory only once something is written into it; the sub-cells of a written cell start at
// kNoValue.
class CSpatialDataAtom {
public:
    static constexpr float kNoValue = -10000.0F;
    // The finest interleave level the engine delivers (2^7 sub-cells per side).
    static constexpr int8_t kMaxLevel = 7;
    static constexpr uint32_t kMaxCells = 65536;

    // Negative sizes count as 0; a level outside 0..kMaxLevel or a grid of more than kMaxCells
    // cells gives an atom that holds nothing and refuses every write.
    CSpatialDataAtom(int16_t rows, int16_t columns, int8_t level);
    virtual ~CSpatialDataAtom() = default;
    CSpatialDataAtom(const CSpatialDataAtom&) = default;
    CSpatialDataAtom& operator=(const CSpatialDataAtom&) = default;

    int16_t GetRows() const { return m_Rows; }
    int16_t GetColumns() const { return m_Columns; }
    int8_t GetLevel() const { return m_Level; }
    uint32_t GetSubRows() const { return m_SubRows; }
    uint32_t GetSubColumns() const { return m_SubColumns; }

    // Whether the cell was written; false outside the grid.
    bool HasCell(int row, int column) const;
    // False when the cell was never written or the indexes lie outside the grid.
    bool GetValue(int row, int column, int subRow, int subColumn, float& out) const;
    bool GetSecondValue(int row, int column, int subRow, int subColumn, float& out) const;
    // Allocate the cell on first write; false (nothing written) outside the grid.
    bool SetValue(int row, int column, int subRow, int subColumn, float value);
    bool SetSecondValue(int row, int column, int subRow, int subColumn, float value);

private:
    static constexpr uint32_t kFloatsPerSubCell = 3;
    // Index of the sub-cell's first float in its cell, or -1 outside the grid.
    int64_t Locate(int row, int column, int subRow, int subColumn) const;
    bool Get(int row, int column, int subRow, int subColumn, uint32_t slot, float& out) const;
    bool Set(int row, int column, int subRow, int subColumn, uint32_t slot, float value);

    int16_t m_Rows = 0;
    int16_t m_Columns = 0;
    int8_t m_Level = 0;
    uint32_t m_SubRows = 0;
    uint32_t m_SubColumns = 0;
    std::vector<std::vector<float>> m_Cells; // row-major; empty until written
};

} // namespace orv
