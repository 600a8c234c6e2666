#pragma once

// The probe grid of the scan-data description dialog: a table of 29 rows by 42 columns (the largest
// grid of the system) of 8-pixel cells, each with its rectangle in the dialog and whether the scan
// measured it. A scan's pattern fills the top-left part of the table; a larger pattern shows its
// first 29 rows and 42 columns, while the counts are taken over the whole pattern.

#include <QImage>
#include <QPoint>
#include <QRect>

#include <array>
#include <cstdint>
#include <optional>

namespace orv {

class QProbeScanPattern;

class ScanDescriptionGrid {
public:
    static constexpr int32_t kRows = 29;
    static constexpr int32_t kColumns = 42;
    static constexpr int32_t kCellSize = 8;
    // Colours as Windows colour values (red in the low byte), and the measured cells' ARGB.
    static constexpr uint32_t kBandColour = 0xB3D1FF;
    static constexpr uint32_t kMeasuredArgb = 0x8C00C800;
    static constexpr uint32_t kBorderColour = 0xBEBEBE;
    static constexpr uint32_t kFrameColour = 0x646464;

    struct Cell {
        QRect m_rect;
        bool m_on = false;
    };
    struct CellIndex {
        int32_t m_row = 0;
        int32_t m_column = 0;

        bool operator==(const CellIndex& other) const = default;
    };

    // The grid's top-left corner in the dialog and the pattern's size; no cell is on yet.
    void Layout(QPoint origin, int32_t patternRows, int32_t patternColumns);
    // Marks the measured cells of the table and counts the measured cells of the whole pattern.
    void Fill(const QProbeScanPattern& pattern);

    // The rows and columns shown (at most 29 and 42).
    int32_t GetRows() const { return m_rows; }
    int32_t GetColumns() const { return m_columns; }
    // The grid's rectangle in the dialog: columns x 8 by rows x 8 pixels.
    QRect GetRect() const { return {m_origin, QSize(m_columns * kCellSize, m_rows * kCellSize)}; }
    int32_t GetProbesOn() const { return m_probesOn; }
    int32_t GetProbesOff() const { return m_probesOff; }
    // False outside the table.
    bool IsOn(int32_t row, int32_t column) const;
    const Cell& GetCell(int32_t row, int32_t column) const { return m_cells[Index(row, column)]; }

    // The shown cell under a dialog point, found by halving the row and column ranges.
    std::optional<CellIndex> HitTest(QPoint point) const;

    // An image of the grid's size: white, the bands of row and column 0 and of every fifth row and
    // column, the measured cells in translucent green, the cell borders and the frame.
    QImage Render() const;

private:
    static size_t Index(int32_t row, int32_t column) {
        return static_cast<size_t>(row) * kColumns + static_cast<size_t>(column);
    }

    QPoint m_origin;
    int32_t m_rows = 0;
    int32_t m_columns = 0;
    int32_t m_probesOn = 0;
    int32_t m_probesOff = 0;
    std::array<Cell, static_cast<size_t>(kRows) * kColumns> m_cells{};
};

} // namespace orv
