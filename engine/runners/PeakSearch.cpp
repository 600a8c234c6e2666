#include "engine/runners/PeakSearch.h"

#include <algorithm>
#include <cmath>

namespace orv {

std::vector<int32_t> FindPeaks(std::span<const SpectralPoint> points, int32_t wanted) {
    std::vector<int32_t> held;
    const size_t n = points.size();
    if (n < 2 || wanted <= 0) {
        return held;
    }
    double sum = 0.0;
    for (const SpectralPoint& point : points) {
        sum += point.amplitude;
    }
    const double mean = sum / static_cast<double>(n);
    double squares = 0.0;
    for (const SpectralPoint& point : points) {
        const double deviation = point.amplitude - mean;
        squares += deviation * deviation;
    }
    const double spread = std::sqrt(squares / static_cast<double>(n) / static_cast<double>(n - 1));
    const double threshold = 2.0 * spread + 1.25 * mean;

    held.reserve(static_cast<size_t>(wanted));
    size_t i = 0;
    while (i < n) {
        if (points[i].amplitude <= threshold) {
            ++i;
            continue;
        }
        size_t peak = i;
        for (++i; i < n && points[i].amplitude > threshold; ++i) {
            if (points[i].amplitude > points[peak].amplitude) {
                peak = i;
            }
        }
        if (held.size() < static_cast<size_t>(wanted)) {
            held.push_back(static_cast<int32_t>(peak));
            continue;
        }
        const auto weakest = std::min_element(held.begin(), held.end(), [&](int32_t a, int32_t b) {
            return points[static_cast<size_t>(a)].amplitude < points[static_cast<size_t>(b)].amplitude;
        });
        if (points[peak].amplitude > points[static_cast<size_t>(*weakest)].amplitude) {
            *weakest = static_cast<int32_t>(peak);
        }
    }
    std::sort(held.begin(), held.end());
    return held;
}

} // namespace orv
