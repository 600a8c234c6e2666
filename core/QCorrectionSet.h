#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orv {

// Where a frequency falls among the rows of a correction set: the rows to interpolate between
// (equal when no interpolation is needed), and whether the frequency is at or past the last row.
struct QCorrectionBracket {
    float m_position = 0.0f;
    int32_t m_lower = 0;
    int32_t m_upper = 0;
    bool m_atLastRow = false;
};

// One loaded correction set: the frequency rows of one scan head with a factor (dB) per row and
// cell. A set never changes once made; the store publishes a new one in place of the old, so a
// holder of a set keeps one whole, consistent set for as long as it holds it, whatever the store
// loads meanwhile.
class QCorrectionSet {
public:
    // An empty set: no rows, no cells; every look-up answers 0.
    explicit QCorrectionSet(std::string name);
    // factors holds rowFrequencies.size() x cellCount values, row after row. columns is the scan
    // head's column count (the cell of (row, column) is row x columns + column).
    QCorrectionSet(std::string name, float lowestFrequency, std::vector<float> rowFrequencies,
                   std::vector<float> factors, int32_t cellCount, int32_t columns);

    const std::string& GetName() const { return m_name; }
    int32_t GetRowCount() const { return m_rowCount; }
    float GetLowestFrequency() const { return m_lowestFrequency; }
    // The row frequencies, ascending as listed.
    std::span<const float> GetRowFrequencies() const { return m_rowFrequencies; }
    int32_t GetCellCount() const { return m_cellCount; }
    int32_t GetColumnCount() const { return m_columns; }

    // The cell of (row, column) of the scan head, or -1 when the column lies beyond the head's
    // columns (it would name a cell of the next row) or the cell beyond the set's cells.
    int32_t GetCellIndex(int64_t row, int64_t column) const;

    // Where frequency f falls among the rows. (Inline with GetFactorAt: they run once per point
    // of every corrected scan.)
    QCorrectionBracket FindPosition(float f) const;
    // The factor of the cell at f between the rows of the bracket, interpolated linearly by
    // frequency; 0.0 for a cell or row outside the set.
    float GetFactorAt(int32_t cell, int32_t lower, int32_t upper, float f) const;
    float GetFactorAt(int32_t cell, const QCorrectionBracket& bracket, float f) const {
        return GetFactorAt(cell, bracket.m_lower, bracket.m_upper, f);
    }
    // The factor of row r, cell k as read (0.0 outside the set).
    float GetFactor(int32_t row, int32_t cell) const;

private:
    // The position on rows out of order: the first row that matches, walking up.
    QCorrectionBracket FindPositionByWalk(float f) const;

    std::string m_name;
    float m_lowestFrequency = 0.0f;
    std::vector<float> m_rowFrequencies;
    std::vector<float> m_factors;
    int32_t m_rowCount = 0;
    int32_t m_cellCount = 0;
    int32_t m_columns = 0;
    // Whether the row frequencies never decrease (then a position is found by bisection).
    bool m_rowsAscending = false;
};

// Kept inline even where the compiler would not: a call per point costs a third of the look-up.
[[gnu::always_inline]] inline QCorrectionBracket QCorrectionSet::FindPosition(float f) const {
    QCorrectionBracket bracket;
    const int32_t rows = m_rowCount;
    if (rows <= 0) {
        return bracket;
    }
    const float* frequencies = m_rowFrequencies.data();
    if (frequencies[0] >= f) {
        bracket.m_position = 0.0f;
    } else if (rows >= 2 && frequencies[1] > f) {
        bracket.m_position = 0.5f;
    } else if (f >= frequencies[rows - 1]) {
        bracket.m_position = static_cast<float>(rows - 1);
        bracket.m_atLastRow = true;
    } else if (std::isnan(f)) {
        return bracket; // NaN matches no row: the first
    } else if (m_rowsAscending) {
        // The first row at or above f; on rows in ascending order this is the row that the walk
        // would stop at, found in logarithmic time.
        const float* found = std::lower_bound(frequencies + 1, frequencies + rows - 1, f);
        const auto k = static_cast<int32_t>(found - frequencies);
        bracket.m_position = *found == f ? static_cast<float>(k) : static_cast<float>(k - 1) + 0.5f;
    } else {
        bracket.m_position = FindPositionByWalk(f).m_position;
    }
    bracket.m_lower = static_cast<int32_t>(bracket.m_position);
    bracket.m_upper =
        bracket.m_position > static_cast<float>(bracket.m_lower) ? bracket.m_lower + 1 : bracket.m_lower;
    return bracket;
}

inline float QCorrectionSet::GetFactorAt(int32_t cell, int32_t lower, int32_t upper, float f) const {
    // Unsigned, a negative index compares beyond the end.
    const auto rows = static_cast<uint32_t>(m_rowCount);
    if (static_cast<uint32_t>(cell) >= static_cast<uint32_t>(m_cellCount) ||
        static_cast<uint32_t>(lower) >= rows || static_cast<uint32_t>(upper) >= rows) {
        return 0.0f;
    }
    const float* factors = m_factors.data();
    const float* frequencies = m_rowFrequencies.data();
    const auto stride = static_cast<size_t>(m_cellCount);
    const float low = factors[static_cast<size_t>(lower) * stride + static_cast<size_t>(cell)];
    if (upper <= lower) {
        return low;
    }
    const float span = frequencies[upper] - frequencies[lower];
    if (!(span > 0.0f)) {
        return low;
    }
    const float high = factors[static_cast<size_t>(upper) * stride + static_cast<size_t>(cell)];
    return low + (high - low) * (f - frequencies[lower]) / span;
}

} // namespace orv
