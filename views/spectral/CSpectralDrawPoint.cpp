#include "views/spectral/CSpectralDrawPoint.h"

#include <algorithm>

namespace orv {

namespace {
constexpr int32_t kSpareRoom = 100;
}

CSpectralDrawPoint::CSpectralDrawPoint(int32_t count) : m_Count(std::max(count, 0)) {
    const auto capacity = static_cast<size_t>(m_Count) + kSpareRoom;
    m_Positions.resize(capacity);
    m_Amplitudes.resize(capacity);
    m_Frequencies.resize(capacity);
    m_Rows.resize(capacity);
    m_Columns.resize(capacity);
    m_PointIndexes.resize(capacity);
    m_PeakFlags.resize(capacity);
    m_PeakFrequencies.resize(capacity);
    m_LogPositions.resize(capacity);
}

CSpectralDrawPoint::~CSpectralDrawPoint() = default;

std::vector<QPoint> DecimatePolyline(const QPoint* points, int32_t count) {
    std::vector<QPoint> out;
    if (count <= 0) {
        return out;
    }
    out.reserve(static_cast<size_t>(std::min(count, 8192)));
    int32_t i = 0;
    while (i < count) {
        const int x = points[i].x();
        int32_t lowest = i;
        int32_t highest = i;
        int32_t j = i + 1;
        for (; j < count && points[j].x() == x; ++j) {
            if (points[j].y() < points[lowest].y()) {
                lowest = j;
            }
            if (points[j].y() > points[highest].y()) {
                highest = j;
            }
        }
        const int32_t last = j - 1;
        // The four in their order along the trace, each once.
        int32_t picks[4] = {i, std::min(lowest, highest), std::max(lowest, highest), last};
        int32_t previous = -1;
        for (int32_t pick : picks) {
            if (pick != previous) {
                out.push_back(points[pick]);
                previous = pick;
            }
        }
        i = j;
    }
    return out;
}

} // namespace orv
