#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace orv {

// The cells of one interleaved spatial record, handed to the assembly of the finer grid. Nothing
// here is kept after the call.
struct QZeltSpatialHandOver {
    static constexpr uint32_t kMaxCells = 1218; // 42 x 29, the largest scan head

    int16_t m_Level = 0;
    uint32_t m_SubPosition = 0;
    uint8_t m_Reserved = 0;
    uint8_t m_PassFlag = 0;                   // 1 when the record's pass flag is set, else 0
    std::array<double, kMaxCells> m_Values{}; // cell (r, c) at r x m_Columns + c
    uint16_t m_Trailer = 0;
    // The record's grid, so the assembly can tell whether it covers the set-up's grid.
    uint16_t m_Rows = 0;
    uint16_t m_Columns = 0;
};

// The spectrum of one cell of an interleaved spectral/spatial scan, handed to its assembly.
struct QZeltSpectralSpatialHandOver {
    int16_t m_Level = 0;
    uint32_t m_SubPosition = 0;
    uint16_t m_Reserved1 = 0;
    uint32_t m_PointCount = 0;
    uint16_t m_Reserved2 = 0;
    std::vector<double> m_Values; // m_PointCount amplitudes in tenths
    uint32_t m_Reserved3 = 0;
    uint32_t m_Reserved4 = 0;
    int32_t m_Row = 0;
    int32_t m_Column = 0;
};

// What a received data record may hand over to the client's communication layer, which implements
// this: the interleaved records are assembled into finer grids there rather than kept as records.
class QDataPacketHandler {
public:
    QDataPacketHandler() = default;
    QDataPacketHandler(const QDataPacketHandler&) = delete;
    QDataPacketHandler& operator=(const QDataPacketHandler&) = delete;
    virtual ~QDataPacketHandler() = default;

    virtual void ProcessZeltSpatialScanData(const QZeltSpatialHandOver& record) = 0;
    virtual void ZeltSpectralSpatialScanData(const QZeltSpectralSpatialHandOver& record) = 0;
};

} // namespace orv
