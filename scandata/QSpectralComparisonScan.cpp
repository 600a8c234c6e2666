#include "scandata/QSpectralComparisonScan.h"

#include "scandata/RecordCodec.h"

namespace orv {

int16_t QSpectralComparisonScan::GetAmplitude(uint32_t index) const {
    if (index >= m_First->GetPointCount() || index >= m_Second->GetPointCount()) {
        return 0;
    }
    const int32_t difference =
        int32_t{m_First->GetStoredAmplitude(index)} - int32_t{m_Second->GetStoredAmplitude(index)};
    return SaturateToInt16(difference);
}

float QSpectralComparisonScan::GetFrequency(uint32_t index) const {
    return (m_First->GetFrequency(index) + m_Second->GetFrequency(index)) * 0.5f;
}

} // namespace orv
