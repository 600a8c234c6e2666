#include "scandata/QContainerLevelRangeSource.h"

#include "core/QCorrectionData.h"
#include "core/QProbeScanPattern.h"
#include "scandata/QSpatialScanContainer.h"
#include "scandata/QSpectralSpatialScanContainer.h"
#include "scandata/RecordCodec.h"

#include <algorithm>
#include <cmath>

namespace orv {

namespace {

void WriteRange(float* low, float* high, float lowValue, float highValue) {
    if (low != nullptr) {
        *low = lowValue;
    }
    if (high != nullptr) {
        *high = highValue;
    }
}

} // namespace

void QContainerLevelRangeSource::GetShownLevelRange(float* low, float* high,
                                                    const QFrequencyBucketList* selection,
                                                    std::optional<float> compensationLevel) {
    // The automatic range is the spatial view's: a spectral/spatial container is asked for that
    // view by name, whatever view the application-wide mode flag names.
    if (auto* spectralSpatial = dynamic_cast<QSpectralSpatialScanContainer*>(&m_Container)) {
        spectralSpatial->GetLevelRangeForView(false, low, high, nullptr, selection);
        return;
    }
    auto* spatial = dynamic_cast<QSpatialScanContainer*>(&m_Container);
    if (spatial == nullptr || !compensationLevel.has_value() || !spatial->GetSpatialScanRecord().HasData()) {
        m_Container.GetLevelRange(low, high, nullptr, selection);
        return;
    }
    const QSpatialScan& map = spatial->GetSpatialScanRecord();
    const QProbeScanPattern& pattern = spatial->GetProbeScanPattern();
    const bool compensate = QCorrectionData::IsSpatialCompensationOn();
    const uint16_t rows = std::min(map.GetRowCount(), pattern.GetRows());
    const uint16_t columns = std::min(map.GetColumnCount(), pattern.GetColumns());
    bool any = false;
    int16_t lowest = 0;
    int16_t highest = 0;
    for (uint16_t r = 0; r < rows; ++r) {
        for (uint16_t c = 0; c < columns; ++c) {
            if (!pattern.IsProbeOn(r, c)) {
                continue;
            }
            int16_t level = map.GetStoredAmplitude(r, c);
            if (compensate && static_cast<float>(level) > *compensationLevel) {
                const double factor = std::trunc(static_cast<double>(map.GetCellCorrection(r, c)) * 10.0);
                level = SaturateToInt16(static_cast<double>(level) + factor);
            }
            if (!any || level < lowest) {
                lowest = level;
            }
            if (!any || level > highest) {
                highest = level;
            }
            any = true;
        }
    }
    WriteRange(low, high, static_cast<float>(lowest), static_cast<float>(highest));
}

void QContainerLevelRangeSource::GetStoredLevelRange(float* low, float* high) {
    if (auto* spatial = dynamic_cast<QSpatialScanContainer*>(&m_Container)) {
        spatial->UpdateStoredRange(low, high);
        return;
    }
    WriteRange(low, high, 0.0F, 0.0F);
}

float QContainerLevelRangeSource::GetNoiseFloor() {
    if (auto* spectralSpatial = dynamic_cast<QSpectralSpatialScanContainer*>(&m_Container)) {
        return static_cast<float>(spectralSpatial->UpdateNoiseFloor());
    }
    return 0.0F;
}

} // namespace orv
