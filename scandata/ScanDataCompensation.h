#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// The pieces the display-side scan data share to correct their levels: safe truncations, the noise
// floor of float levels, and the two loaders of correction factors.
namespace orv {

class QProbeScanPattern;

// Truncation toward zero, saturated at the type's limits (NaN gives 0).
int16_t TruncateToInt16(double value);
int32_t TruncateToInt32(double value);

// The mean of the values strictly below mean + 2 sample deviations (mean + 1.0 when the deviation
// is 0), truncated; 0 for no values.
int16_t EstimateNoiseFloorOfValues(std::span<const double> values);

// The level (tenths) less its factor (dB) where the compensation mode asks for it: mode 0 always,
// mode 2 only for a level above its limit; any other mode leaves the level as stored.
int32_t ApplyCompensationFactor(int32_t value, uint32_t mode, bool atOrBelowLimit, float factor);

// The correction set of the named scan head ("correctiondata"/<name>/), loading it on first use;
// 0 when its list file is missing or the set cannot be loaded.
int32_t ChooseCorrectionSet(const std::string& setName);

// Called when the factors of the set could not be loaded: a missing list file ("correctionfile.txt")
// raises the correction database's one-time notice flag, so that the run tells the user once,
// however many scans find no list. Answers whether the list file is missing.
bool NoteMissingCorrectionList(const std::string& setName);

// Per-cell factors into a 64 x 64 grid (row x 64 + column), every one 1.0 first; a marked cell
// whose frequency lies above the set's lowest frequency gets the set's factor at that frequency.
// Cells at row or column 64 or beyond, or beyond the scan head's grid, are skipped. False when no set can be
// chosen.
bool LoadCellFactors(const std::string& setName, const QProbeScanPattern& pattern, uint16_t rows,
                     uint16_t columns, const std::function<float(uint16_t, uint16_t)>& cellFrequency,
                     std::span<float> factors);

// The cell whose level a spectrum point holds.
struct QPointCell {
    uint16_t m_Row = 0;
    uint16_t m_Column = 0;
};

// Per-point factors of a spectrum from start to stop over `count` points, each point read at the
// cell that gave it (the scan head's cell of that row and column; a column beyond the scan's
// columns or the head's, or a cell beyond the set's, gets factor 0). The bracket of rows found for one point
// serves the following points until they pass its upper row. False when no set can be chosen.
bool LoadPointFactors(const std::string& setName, uint32_t count, float start, float stop, uint16_t columns,
                      const std::function<QPointCell(uint32_t)>& pointCell, std::vector<float>& factors);

} // namespace orv
