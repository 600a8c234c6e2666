#pragma once

#include <QPoint>

#include <cstdint>
#include <vector>

namespace orv {

// The drawn points of one trace: where each visible point lands in the plot bitmap and what it
// shows. Made for the visible count with room for 100 more; the log positions repeat the positions
// on a logarithmic axis, so that lookups may take either.
class CSpectralDrawPoint {
public:
    explicit CSpectralDrawPoint(int32_t count);
    virtual ~CSpectralDrawPoint();
    CSpectralDrawPoint(const CSpectralDrawPoint&) = delete;
    CSpectralDrawPoint& operator=(const CSpectralDrawPoint&) = delete;

    int32_t GetCapacity() const { return static_cast<int32_t>(m_Positions.size()); }

    int32_t m_Count = 0;
    std::vector<QPoint> m_Positions;
    std::vector<float> m_Amplitudes;
    std::vector<float> m_Frequencies;
    std::vector<uint16_t> m_Rows;
    std::vector<uint16_t> m_Columns;
    std::vector<int32_t> m_PointIndexes;
    std::vector<uint8_t> m_PeakFlags;
    std::vector<float> m_PeakFrequencies;
    std::vector<QPoint> m_LogPositions;
};

// The polyline through `points` reduced to at most four points per pixel column (the first, the
// lowest, the highest and the last of each run of points in one column, in their order): a 1-pixel
// pen draws the same pixels as through every point.
std::vector<QPoint> DecimatePolyline(const QPoint* points, int32_t count);

} // namespace orv
