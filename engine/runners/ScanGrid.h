#pragma once

// The probe grid a runner or a routine walks, taken from the set-up once: the arrays are shared
// immutable snapshots, so a set-up applied meanwhile never changes a grid being walked. Cells beyond
// the map or the height table count as inactive.

#include <cstdint>
#include <memory>
#include <vector>

namespace orv {

class SetupScan;

class ScanGrid {
public:
    explicit ScanGrid(const SetupScan& setup);

    int32_t Rows() const { return m_rows; }
    int32_t Columns() const { return m_columns; }
    // Rows x Columns (0 for a grid with a negative side).
    uint32_t CellCount() const { return m_cells; }
    // The map byte of a cell (0 beyond the map).
    uint8_t MapByte(uint32_t cell) const { return cell < m_mapSize ? (*m_map)[cell] : 0; }
    bool IsActive(uint32_t cell) const { return MapByte(cell) != 0; }
    // The cell's probe height as the scanner takes it (16-bit, signed).
    int16_t Height(uint32_t cell) const {
        return cell < m_valueSize ? static_cast<int16_t>((*m_values)[cell]) : 0;
    }
    uint32_t ActiveCount() const { return m_active; }
    uint32_t Index(int32_t row, int32_t column) const {
        return static_cast<uint32_t>(row) * static_cast<uint32_t>(m_columns) + static_cast<uint32_t>(column);
    }

private:
    int32_t m_rows = 0;
    int32_t m_columns = 0;
    uint32_t m_cells = 0;
    std::shared_ptr<const std::vector<uint8_t>> m_map;
    std::shared_ptr<const std::vector<uint16_t>> m_values;
    uint32_t m_mapSize = 0;
    uint32_t m_valueSize = 0;
    uint32_t m_active = 0;
};

} // namespace orv
