#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// The value of a compensation table at frequency f, interpolated linearly over the natural logarithm
// of the frequency (single precision). `frequencies` ascend; both arrays hold `count` entries.
// Below the first and above the last frequency the first, resp. last, segment is extrapolated. A
// frequency of 0 or below, a segment of zero span and any result that is not a finite number give 0;
// an empty table gives 0 and a one-entry table its value.
float InterpolateLogFrequency(float f, const float* frequencies, const float* values, uint32_t count);

// A compensation table as two arrays of equal length.
struct QLogFrequencyTable {
    std::vector<float> m_Frequencies;
    std::vector<float> m_Values;

    // The compensation store's table of that name: the first two numbers of every row as frequency
    // and value. A table that cannot be loaded is empty and gives 0 everywhere.
    static QLogFrequencyTable Load(const std::string& name);

    float At(float f) const {
        return InterpolateLogFrequency(f, m_Frequencies.data(), m_Values.data(),
                                       static_cast<uint32_t>(m_Frequencies.size()));
    }
};

} // namespace orv
