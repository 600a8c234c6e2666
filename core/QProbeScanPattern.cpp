#include "core/QProbeScanPattern.h"

#include "core/ByteCodec.h"
#include "core/QException.h"

#include <algorithm>
#include <cstddef>

namespace orv {

namespace {

// The stored layout cannot describe bigger grids.
[[noreturn]] void ThrowOversizedGrid() {
    throw QIOException("Error#318: Invalid serialized object header detected.\nI/O operation has failed.");
}

bool FitsGrid(uint16_t rows, uint16_t columns) {
    return static_cast<uint64_t>(rows) * columns < kMaxProbeGridCells;
}

// Clips an inclusive rectangle to a grid; false when nothing of it lies inside.
bool ClipRange(int& firstRow, int& firstColumn, int& lastRow, int& lastColumn, uint16_t rows,
               uint16_t columns) {
    firstRow = std::max(firstRow, 0);
    firstColumn = std::max(firstColumn, 0);
    lastRow = std::min(lastRow, static_cast<int>(rows) - 1);
    lastColumn = std::min(lastColumn, static_cast<int>(columns) - 1);
    return firstRow <= lastRow && firstColumn <= lastColumn;
}

} // namespace

QProbeScanPattern::QProbeScanPattern(uint16_t rows, uint16_t columns)
    : QProbeScanPattern(rows, columns, 1, QProbeHeightGrid::kDefaultHeight) {}

QProbeScanPattern::QProbeScanPattern(uint16_t rows, uint16_t columns, uint8_t choice, uint16_t height) {
    if (!m_choice.Resize(rows, columns) || !m_height.Resize(rows, columns)) {
        ThrowOversizedGrid();
    }
    std::fill(m_choice.GetCells().begin(), m_choice.GetCells().end(), choice);
    std::fill(m_height.GetCells().begin(), m_height.GetCells().end(), height);
}

QProbeScanPattern::QProbeScanPattern(const QProbeScanPattern& other)
    : QSerializable(), m_choice(other.m_choice), m_height(other.m_height) {}

QProbeScanPattern& QProbeScanPattern::operator=(const QProbeScanPattern& other) {
    if (this != &other) {
        m_choice = other.m_choice;
        m_height = other.m_height;
    }
    return *this;
}

bool QProbeScanPattern::operator!=(const QProbeScanPattern& other) const {
    return Differs(other) || !(m_choice == other.m_choice) || !(m_height == other.m_height);
}

bool QProbeScanPattern::HasProbeOn() const {
    const std::vector<uint8_t>& cells = m_choice.GetCells();
    return std::any_of(cells.begin(), cells.end(), [](uint8_t cell) { return (cell & 1U) != 0; });
}

uint32_t QProbeScanPattern::GetProbeOnCount() const {
    const std::vector<uint8_t>& cells = m_choice.GetCells();
    return static_cast<uint32_t>(
        std::count_if(cells.begin(), cells.end(), [](uint8_t cell) { return (cell & 1U) != 0; }));
}

bool QProbeScanPattern::GetProbeOnBounds(int& firstRow, int& firstColumn, int& lastRow,
                                         int& lastColumn) const {
    firstRow = firstColumn = lastRow = lastColumn = 0;
    const int rows = m_choice.GetRows();
    const int columns = m_choice.GetColumns();

    int top = -1;
    int topColumn = 0;
    for (int r = 0; r < rows && top < 0; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (m_choice.IsOn(r, c)) {
                top = r;
                topColumn = c;
                break;
            }
        }
    }
    if (top < 0) {
        return false;
    }

    // Nothing lies above the first row, so the leftmost cell is found between it and the last row.
    int left = topColumn;
    for (int c = 0; c < topColumn && left == topColumn; ++c) {
        for (int r = top; r < rows; ++r) {
            if (m_choice.IsOn(r, c)) {
                left = c;
                break;
            }
        }
    }

    int bottom = top;
    int bottomColumn = topColumn;
    bool found = false;
    for (int r = rows - 1; r >= top && !found; --r) {
        for (int c = columns - 1; c >= 0; --c) {
            if (m_choice.IsOn(r, c)) {
                bottom = r;
                bottomColumn = c;
                found = true;
                break;
            }
        }
    }

    int right = bottomColumn;
    for (int c = columns - 1; c > bottomColumn && right == bottomColumn; --c) {
        for (int r = top; r <= bottom; ++r) {
            if (m_choice.IsOn(r, c)) {
                right = c;
                break;
            }
        }
    }

    firstRow = top;
    firstColumn = left;
    lastRow = bottom;
    lastColumn = right;
    return true;
}

bool QProbeScanPattern::Resize(uint16_t rows, uint16_t columns) {
    if (!FitsGrid(rows, columns)) {
        return false;
    }
    m_choice.Resize(rows, columns);
    m_height.Resize(rows, columns);
    return true;
}

void QProbeScanPattern::SetProbeAt(int row, int column, uint8_t choice) {
    m_choice.Set(row, column, choice);
}

void QProbeScanPattern::SetHeightAt(int row, int column, uint16_t height) {
    m_height.Set(row, column, height);
}

void QProbeScanPattern::SetProbeAndHeightAt(int row, int column, uint8_t choice, uint16_t height) {
    m_choice.Set(row, column, choice);
    m_height.Set(row, column, height);
}

void QProbeScanPattern::SetProbeInRange(int firstRow, int firstColumn, int lastRow, int lastColumn,
                                        uint8_t choice) {
    if (!ClipRange(firstRow, firstColumn, lastRow, lastColumn, m_choice.GetRows(), m_choice.GetColumns())) {
        return;
    }
    for (int r = firstRow; r <= lastRow; ++r) {
        for (int c = firstColumn; c <= lastColumn; ++c) {
            m_choice.Set(r, c, choice);
        }
    }
}

void QProbeScanPattern::SetProbeAndHeightInRange(int firstRow, int firstColumn, int lastRow, int lastColumn,
                                                 uint8_t choice, uint16_t height) {
    SetProbeInRange(firstRow, firstColumn, lastRow, lastColumn, choice);
    if (!ClipRange(firstRow, firstColumn, lastRow, lastColumn, m_height.GetRows(), m_height.GetColumns())) {
        return;
    }
    for (int r = firstRow; r <= lastRow; ++r) {
        for (int c = firstColumn; c <= lastColumn; ++c) {
            m_height.Set(r, c, height);
        }
    }
}

void QProbeScanPattern::SetAllProbes(uint8_t choice) {
    std::fill(m_choice.GetCells().begin(), m_choice.GetCells().end(), choice);
}

void QProbeScanPattern::WriteBody(QDataWriter& writer) const {
    writer.WriteU16(m_choice.GetRows());
    writer.WriteU16(m_choice.GetColumns());
    writer.Write(m_choice.GetCells().data(), m_choice.GetCellCount());
    writer.WriteU16(m_height.GetRows());
    writer.WriteU16(m_height.GetColumns());
    const std::vector<uint16_t>& heights = m_height.GetCells();
    std::vector<uint8_t> block(heights.size() * 2);
    uint8_t* cursor = block.data();
    for (const uint16_t value : heights) {
        PutLE<uint16_t>(cursor, value);
    }
    writer.Write(block.data(), static_cast<uint32_t>(block.size()));
}

void QProbeScanPattern::ReadBody(QDataReader& reader) {
    QProbeChoiceGrid choice;
    const uint16_t choiceRows = reader.ReadU16();
    const uint16_t choiceColumns = reader.ReadU16();
    if (!FitsGrid(choiceRows, choiceColumns)) {
        ThrowOversizedGrid();
    }
    const uint64_t choiceCells = static_cast<uint64_t>(choiceRows) * choiceColumns;
    reader.RequireRemaining(choiceCells);
    choice.Resize(choiceRows, choiceColumns);
    reader.Read(choice.GetCells().data(), static_cast<uint32_t>(choiceCells));

    QProbeHeightGrid height;
    if (reader.GetStoredFileVersion() < 11) {
        // No heights in this file: keep the old ones where they still fit the grid.
        height = m_height;
        if (height.GetRows() != choiceRows || height.GetColumns() != choiceColumns) {
            height = QProbeHeightGrid();
            height.Resize(choiceRows, choiceColumns);
            std::fill(height.GetCells().begin(), height.GetCells().end(), QProbeHeightGrid::kDefaultHeight);
        }
    } else {
        const uint16_t heightRows = reader.ReadU16();
        const uint16_t heightColumns = reader.ReadU16();
        if (!FitsGrid(heightRows, heightColumns)) {
            ThrowOversizedGrid();
        }
        const uint64_t heightCells = static_cast<uint64_t>(heightRows) * heightColumns;
        reader.RequireRemaining(heightCells * 2);
        std::vector<uint8_t> block(static_cast<size_t>(heightCells * 2));
        reader.Read(block.data(), static_cast<uint32_t>(block.size()));
        height.Resize(heightRows, heightColumns);
        const uint8_t* cursor = block.data();
        for (uint16_t& value : height.GetCells()) {
            value = GetLE<uint16_t>(cursor);
        }
    }
    m_choice = std::move(choice);
    m_height = std::move(height);
}

uint32_t QProbeScanPattern::GetBodySize() const {
    return 8 + m_choice.GetCellCount() + 2 * m_height.GetCellCount();
}

} // namespace orv
