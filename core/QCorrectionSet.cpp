#include "core/QCorrectionSet.h"

#include <algorithm>
#include <cmath>

namespace orv {

QCorrectionSet::QCorrectionSet(std::string name) : m_name(std::move(name)) {}

QCorrectionSet::QCorrectionSet(std::string name, float lowestFrequency, std::vector<float> rowFrequencies,
                               std::vector<float> factors, int32_t cellCount, int32_t columns)
    : m_name(std::move(name)), m_lowestFrequency(lowestFrequency),
      m_rowFrequencies(std::move(rowFrequencies)), m_factors(std::move(factors)),
      m_cellCount(std::max(cellCount, 0)), m_columns(std::max(columns, 0)) {
    // A table that does not hold every row's cells would be read past its end: keep no cells.
    if (m_factors.size() != m_rowFrequencies.size() * static_cast<size_t>(m_cellCount)) {
        m_factors.clear();
        m_cellCount = 0;
    }
    m_rowCount = static_cast<int32_t>(m_rowFrequencies.size());
    m_rowsAscending = std::is_sorted(m_rowFrequencies.begin(), m_rowFrequencies.end());
}

int32_t QCorrectionSet::GetCellIndex(int64_t row, int64_t column) const {
    if (row < 0 || column < 0 || column >= m_columns) {
        return -1;
    }
    const int64_t cell = row * m_columns + column;
    return cell < m_cellCount ? static_cast<int32_t>(cell) : -1;
}

QCorrectionBracket QCorrectionSet::FindPositionByWalk(float f) const {
    const int32_t rows = GetRowCount();
    const float* frequencies = m_rowFrequencies.data();
    QCorrectionBracket bracket;
    for (int32_t k = 1; k < rows; ++k) {
        if (f == frequencies[k]) {
            bracket.m_position = static_cast<float>(k);
            break;
        }
        if (k + 1 < rows && f > frequencies[k] && frequencies[k + 1] > f) {
            bracket.m_position = static_cast<float>(k) + 0.5f;
            break;
        }
    }
    return bracket;
}

float QCorrectionSet::GetFactor(int32_t row, int32_t cell) const {
    if (row < 0 || row >= GetRowCount() || cell < 0 || cell >= m_cellCount) {
        return 0.0f;
    }
    return m_factors[static_cast<size_t>(row) * static_cast<size_t>(m_cellCount) + static_cast<size_t>(cell)];
}

} // namespace orv
