#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The statistics that the spectral records share: the spread of a trace, its noise floor and the
// peak candidates above a level. All sums run in double precision.
namespace orv {

struct AmplitudeSpread {
    double m_Mean = 0.0;
    double m_Deviation = 0.0; // sample deviation; 0 for fewer than two values
    double m_Limit = 0.0;     // mean + 2 x deviation, or mean + 1.0 when the deviation is 0
};

// Needs at least one value.
AmplitudeSpread ComputeSpread(std::span<const int16_t> values);

// The mean of the values strictly below the spread's limit, truncated; 0 for no values, and the
// value itself for one.
int16_t EstimateNoiseFloorOf(std::span<const int16_t> values);

// The index of the highest value (the first on ties) of every run of consecutive values above
// `level` that a value at or below `level` ends; a run still open at the last value gives nothing.
std::vector<uint32_t> FindRunMaxima(std::span<const int16_t> values, double level);

// The `keep` candidates with the highest values (the first on ties), returned in their original
// order; all of them when there are no more than `keep`.
std::vector<uint32_t> SelectHighest(const std::vector<uint32_t>& candidates, std::span<const int16_t> values,
                                    size_t keep);

} // namespace orv
