#pragma once

#include <cstdint>

namespace orv {

// The level range of a comparison result (tenths): worked out once from the result and handed out
// until the sources are released, since walking the result on every draw would be wasted.
class QCachedLevelRange {
public:
    // 0 and 0 without data; otherwise `compute(lowest, highest)` runs on the first call after a
    // reset. Either output may be null.
    template <typename Compute> void HandOut(bool hasData, float* low, float* high, Compute compute) {
        if (!hasData) {
            m_Low = 0;
            m_High = 0;
        } else if (m_Computed == 0) {
            int16_t lowest = 0;
            int16_t highest = 0;
            compute(lowest, highest);
            m_Low = lowest;
            m_High = highest;
            m_Computed = 1;
        }
        if (low != nullptr) {
            *low = static_cast<float>(m_Low);
        }
        if (high != nullptr) {
            *high = static_cast<float>(m_High);
        }
    }
    void Reset() { m_Computed = 0; }
    bool IsComputed() const { return m_Computed != 0; }

private:
    uint8_t m_Computed = 0;
    int16_t m_Low = 0;
    int16_t m_High = 0;
};

} // namespace orv
