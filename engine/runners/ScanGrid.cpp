#include "engine/runners/ScanGrid.h"

#include "engine/SetupScan.h"

namespace orv {

ScanGrid::ScanGrid(const SetupScan& setup)
    : m_rows(setup.GetRows()), m_columns(setup.GetColumns()), m_map(setup.GetProbeCellMap()),
      m_values(setup.GetCellValues()) {
    if (m_rows < 0 || m_columns < 0) {
        m_rows = 0;
        m_columns = 0;
    }
    m_cells = static_cast<uint32_t>(m_rows) * static_cast<uint32_t>(m_columns);
    m_mapSize = m_map != nullptr ? static_cast<uint32_t>(m_map->size()) : 0;
    m_valueSize = m_values != nullptr ? static_cast<uint32_t>(m_values->size()) : 0;
    for (uint32_t cell = 0; cell < m_cells; ++cell) {
        if (IsActive(cell)) {
            ++m_active;
        }
    }
}

} // namespace orv
