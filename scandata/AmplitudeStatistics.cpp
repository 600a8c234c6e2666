#include "scandata/AmplitudeStatistics.h"

#include "scandata/RecordCodec.h"

#include <algorithm>
#include <cmath>

namespace orv {

AmplitudeSpread ComputeSpread(std::span<const int16_t> values) {
    AmplitudeSpread spread;
    const double count = static_cast<double>(values.size());
    double sum = 0.0;
    for (const int16_t value : values) {
        sum += value;
    }
    spread.m_Mean = sum / count;
    if (values.size() > 1) {
        double squares = 0.0;
        for (const int16_t value : values) {
            const double delta = value - spread.m_Mean;
            squares += delta * delta;
        }
        spread.m_Deviation = std::sqrt(squares / (count - 1.0));
    }
    spread.m_Limit = spread.m_Mean + (spread.m_Deviation == 0.0 ? 1.0 : 2.0 * spread.m_Deviation);
    return spread;
}

int16_t EstimateNoiseFloorOf(std::span<const int16_t> values) {
    if (values.empty()) {
        return 0;
    }
    const AmplitudeSpread spread = ComputeSpread(values);
    double sum = 0.0;
    size_t below = 0;
    for (const int16_t value : values) {
        if (value < spread.m_Limit) {
            sum += value;
            ++below;
        }
    }
    // The minimum always lies below the limit; the guard keeps a 0/0 away from the conversion.
    return SaturateToInt16(below == 0 ? spread.m_Mean : sum / static_cast<double>(below));
}

std::vector<uint32_t> FindRunMaxima(std::span<const int16_t> values, double level) {
    std::vector<uint32_t> candidates;
    bool inRun = false;
    uint32_t best = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        if (values[i] > level) {
            if (!inRun || values[i] > values[best]) {
                best = static_cast<uint32_t>(i);
            }
            inRun = true;
        } else if (inRun) {
            candidates.push_back(best);
            inRun = false;
        }
    }
    return candidates;
}

std::vector<uint32_t> SelectHighest(const std::vector<uint32_t>& candidates, std::span<const int16_t> values,
                                    size_t keep) {
    if (candidates.size() <= keep) {
        return candidates;
    }
    std::vector<uint32_t> order = candidates;
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return values[a] > values[b]; });
    order.resize(keep);
    std::sort(order.begin(), order.end());
    return order;
}

} // namespace orv
