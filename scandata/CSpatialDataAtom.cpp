#include "scandata/CSpatialDataAtom.h"

#include <cstddef>

namespace orv {

CSpatialDataAtom::CSpatialDataAtom(int16_t rows, int16_t columns, int8_t level) {
    const int16_t r = rows > 0 ? rows : int16_t{0};
    const int16_t c = columns > 0 ? columns : int16_t{0};
    m_Level = level;
    if (level < 0 || level > kMaxLevel || static_cast<uint64_t>(r) * static_cast<uint64_t>(c) > kMaxCells) {
        return; // holds nothing
    }
    m_Rows = r;
    m_Columns = c;
    m_SubRows = 1U << static_cast<uint32_t>(level);
    m_SubColumns = m_SubRows;
    m_Cells.resize(static_cast<size_t>(r) * static_cast<size_t>(c));
}

int64_t CSpatialDataAtom::Locate(int row, int column, int subRow, int subColumn) const {
    if (row < 0 || column < 0 || row >= m_Rows || column >= m_Columns || subRow < 0 || subColumn < 0 ||
        static_cast<uint32_t>(subRow) >= m_SubRows || static_cast<uint32_t>(subColumn) >= m_SubColumns) {
        return -1;
    }
    return (static_cast<int64_t>(subRow) * m_SubColumns + subColumn) * kFloatsPerSubCell;
}

bool CSpatialDataAtom::HasCell(int row, int column) const {
    if (row < 0 || column < 0 || row >= m_Rows || column >= m_Columns) {
        return false;
    }
    return !m_Cells[static_cast<size_t>(row) * static_cast<size_t>(m_Columns) + static_cast<size_t>(column)]
                .empty();
}

bool CSpatialDataAtom::Get(int row, int column, int subRow, int subColumn, uint32_t slot, float& out) const {
    const int64_t at = Locate(row, column, subRow, subColumn);
    if (at < 0) {
        return false;
    }
    const auto& cell =
        m_Cells[static_cast<size_t>(row) * static_cast<size_t>(m_Columns) + static_cast<size_t>(column)];
    if (cell.empty()) {
        return false;
    }
    out = cell[static_cast<size_t>(at) + slot];
    return true;
}

bool CSpatialDataAtom::Set(int row, int column, int subRow, int subColumn, uint32_t slot, float value) {
    const int64_t at = Locate(row, column, subRow, subColumn);
    if (at < 0) {
        return false;
    }
    auto& cell =
        m_Cells[static_cast<size_t>(row) * static_cast<size_t>(m_Columns) + static_cast<size_t>(column)];
    if (cell.empty()) {
        cell.assign(static_cast<size_t>(m_SubRows) * m_SubColumns * kFloatsPerSubCell, kNoValue);
    }
    cell[static_cast<size_t>(at) + slot] = value;
    return true;
}

bool CSpatialDataAtom::GetValue(int row, int column, int subRow, int subColumn, float& out) const {
    return Get(row, column, subRow, subColumn, 0, out);
}

bool CSpatialDataAtom::GetSecondValue(int row, int column, int subRow, int subColumn, float& out) const {
    return Get(row, column, subRow, subColumn, 1, out);
}

bool CSpatialDataAtom::SetValue(int row, int column, int subRow, int subColumn, float value) {
    return Set(row, column, subRow, subColumn, 0, value);
}

bool CSpatialDataAtom::SetSecondValue(int row, int column, int subRow, int subColumn, float value) {
    return Set(row, column, subRow, subColumn, 1, value);
}

} // namespace orv
