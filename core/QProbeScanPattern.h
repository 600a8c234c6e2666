#pragma once

#include "core/QSerializable.h"
#include "core/TypeIds.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

// Cell counts of a pattern grid stay below this: the stored layout sizes its arrays as a 16-bit
// product of rows and columns.
inline constexpr uint64_t kMaxProbeGridCells = 65536;

// A grid of one value per cell of the scanner, row-major. Reads outside the grid give 0 and writes
// outside it change nothing.
template <typename Cell> class QProbeGrid {
public:
    uint16_t GetRows() const { return m_rows; }
    uint16_t GetColumns() const { return m_columns; }
    uint32_t GetCellCount() const { return static_cast<uint32_t>(m_cells.size()); }
    // False (and the grid unchanged) when rows x columns reaches kMaxProbeGridCells. New cells are 0.
    bool Resize(uint16_t rows, uint16_t columns) {
        if (static_cast<uint64_t>(rows) * columns >= kMaxProbeGridCells) {
            return false;
        }
        m_cells.resize(static_cast<size_t>(rows) * columns);
        m_rows = rows;
        m_columns = columns;
        return true;
    }
    bool Contains(int row, int column) const {
        return row >= 0 && column >= 0 && row < m_rows && column < m_columns;
    }
    Cell Get(int row, int column) const {
        return Contains(row, column) ? m_cells[Index(row, column)] : Cell{0};
    }
    void Set(int row, int column, Cell value) {
        if (Contains(row, column)) {
            m_cells[Index(row, column)] = value;
        }
    }
    const std::vector<Cell>& GetCells() const { return m_cells; }
    std::vector<Cell>& GetCells() { return m_cells; }

    bool operator==(const QProbeGrid& other) const = default;

private:
    size_t Index(int row, int column) const {
        return static_cast<size_t>(row) * m_columns + static_cast<size_t>(column);
    }

    uint16_t m_rows = 0;
    uint16_t m_columns = 0;
    std::vector<Cell> m_cells;
};

// Which probes of the scanner's cell grid take part in a scan: one byte per cell, bit 0 set when
// the probe is on (the other bits are kept as they come).
class QProbeChoiceGrid : public QProbeGrid<uint8_t> {
public:
    bool IsOn(int row, int column) const { return (Get(row, column) & 1U) != 0; }
    bool operator==(const QProbeChoiceGrid& other) const = default;
};

// The probe height of each cell, the same way round as the choice grid.
class QProbeHeightGrid : public QProbeGrid<uint16_t> {
public:
    static constexpr uint16_t kDefaultHeight = 100;
    bool operator==(const QProbeHeightGrid& other) const = default;
};

// For each cell of the scanner, whether its probe takes part in a scan and at what height. The two
// grids carry their own sizes and need not match (a pattern read from an old file may have no
// heights of its own).
class QProbeScanPattern : public QSerializable {
public:
    QProbeScanPattern() = default;
    // Both grids rows x columns, every choice 1 and every height 100. A size of kMaxProbeGridCells
    // cells or more throws QIOException.
    QProbeScanPattern(uint16_t rows, uint16_t columns);
    QProbeScanPattern(uint16_t rows, uint16_t columns, uint8_t choice, uint16_t height);
    // Copies take the grids, never the serialisation header.
    QProbeScanPattern(const QProbeScanPattern& other);
    QProbeScanPattern& operator=(const QProbeScanPattern& other);

    // True when the headers differ or either grid differs in size or in any cell.
    bool operator!=(const QProbeScanPattern& other) const;

    const QProbeChoiceGrid& GetChoiceGrid() const { return m_choice; }
    const QProbeHeightGrid& GetHeightGrid() const { return m_height; }
    uint16_t GetRows() const { return m_choice.GetRows(); }
    uint16_t GetColumns() const { return m_choice.GetColumns(); }

    bool HasProbeOn() const;
    uint32_t GetProbeOnCount() const;
    // The bounding rectangle of the cells that are on; false and all four 0 when none is.
    bool GetProbeOnBounds(int& firstRow, int& firstColumn, int& lastRow, int& lastColumn) const;

    // Both grids to rows x columns; false (nothing changed) at kMaxProbeGridCells cells or more.
    // The row-major cell arrays keep their leading cells and new cells are 0: callers set the cells
    // afterwards.
    bool Resize(uint16_t rows, uint16_t columns);

    // Cell accessors: reads outside a grid give 0, writes outside it have no effect, and ranges are
    // clipped to the grid.
    uint8_t GetProbeAt(int row, int column) const { return m_choice.Get(row, column); }
    bool IsProbeOn(int row, int column) const { return m_choice.IsOn(row, column); }
    uint16_t GetHeightAt(int row, int column) const { return m_height.Get(row, column); }
    void SetProbeAt(int row, int column, uint8_t choice);
    void SetHeightAt(int row, int column, uint16_t height);
    void SetProbeAndHeightAt(int row, int column, uint8_t choice, uint16_t height);
    // Inclusive rectangles.
    void SetProbeInRange(int firstRow, int firstColumn, int lastRow, int lastColumn, uint8_t choice);
    void SetProbeAndHeightInRange(int firstRow, int firstColumn, int lastRow, int lastColumn, uint8_t choice,
                                  uint16_t height);
    void SetAllProbes(uint8_t choice);

    QProbeScanPattern GetCopy() const { return *this; }

    void WriteBody(QDataWriter& writer) const override;
    // Files of stored-file version 10 and older carry no heights: the height grid then takes the
    // choice grid's shape, keeping its heights where the shapes already match, else the default
    // height. A grid of kMaxProbeGridCells cells or more is refused with QIOException before anything
    // is allocated; a failed read leaves the pattern as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeProbeScanPattern; }
    // 8 + choice cells + 2 x height cells.
    uint32_t GetBodySize() const override;

private:
    QProbeChoiceGrid m_choice;
    QProbeHeightGrid m_height;
};

} // namespace orv
