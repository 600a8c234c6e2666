#pragma once

#include "scandata/CScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QSpectralPoint.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace orv {

// What the add operations of a node mediator copy into new display-side scan data: the six texts
// of the scan header in file order, the settings of the header (and, for spatial kinds, spatial)
// record, and the scan's levels, area and grid. The loader fills it from a project file; the scan
// intake from a received scan.
struct QScanDataRecord {
    int32_t m_ScanId = 0;
    // User text, analyser, module, date, scan head, and the sixth text.
    std::array<std::string, 6> m_Texts;
    float m_StartFrequency = 0.0F;
    float m_StopFrequency = 0.0F;
    float m_CenterFrequency = 0.0F;
    float m_ResolutionBandwidth = 0.0F;
    uint8_t m_IsZeltData = 0;
    uint8_t m_ZeltLevel = 0;
    std::array<uint8_t, 12> m_DisplayFlags{1, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 1};
    // The peak count and offset the scan's views start with (a hand-held scan read from a project
    // file starts its offset at -5.0).
    uint32_t m_DisplayCount = 20;
    float m_DisplayValue = 5.0F;
    float m_ReferenceLevel = 50.0F;
    uint32_t m_ValuesPerPoint = 1;
    uint8_t m_PeakHold = 0;
    float m_LevelOffset = 0.0F;
    CScanAreaRecord m_Area;
    // The header's settings bytes and the scan tail: kept on the scan data and stored back as they
    // came.
    std::array<uint8_t, 2> m_SettingsBytes{};
    // The stored Zelt flag byte when it reads as Mirt data (see CScanData::m_MirtFlagByte).
    uint8_t m_MirtFlagByte = 0;
    std::array<uint8_t, 6> m_TailBytes{};
    uint16_t m_TailWord = 0;
    float m_TailValue = 0.0F;
    uint16_t m_Rows = 0;
    uint16_t m_Columns = 0;
    // Of the spatial record: 1 for a pass of a blind-spot reduction scan, and which pass (0 the
    // first, 1 the second, one row lower).
    uint8_t m_BlindSpot = 0;
    uint16_t m_PassWord = 0;
    // The two spatial bytes of a stored spatial record and the third flag of a stored
    // spectral/spatial record, kept as they came.
    std::array<uint8_t, 2> m_SpatialBytes{};
    uint8_t m_ThirdFlag = 0;
};

// The arguments of AddSpectralScanData beyond the record.
struct QSpectralScanAddition {
    QScanDataRecord m_Record;
    // Probe cells (row, column).
    std::vector<std::pair<uint16_t, uint16_t>> m_Markers;
    // False for the call that only hands over the frequencies measured after a live scan.
    bool m_HasPoints = false;
    std::vector<QSpectralPoint> m_MirtPoints;      // Mirt data
    std::vector<CFloatSpectralPoint> m_ZeltPoints; // Zelt data
    std::vector<QMeasuredFrequencyData::Entry> m_MeasuredFrequencies;
};

// The arguments of AddSpatialScanData beyond the record.
struct QSpatialScanAddition {
    QScanDataRecord m_Record;
    std::vector<int16_t> m_Values;      // rows x columns (Mirt data)
    std::vector<uint8_t> m_ZeltRecords; // 12-byte records (Zelt data)
};

// One measured cell of a spectral/spatial or hand-held scan.
struct QCellAddition {
    // 1-based; 0 in the closing call of a loaded spectral/spatial scan.
    uint32_t m_CellIndex = 0;
    uint32_t m_CellCount = 0;
    QScanDataRecord m_Record;
    uint16_t m_CellWord1 = 0; // row
    uint16_t m_CellWord2 = 0; // column
    uint16_t m_CellWord3 = 0; // a signed 16-bit value
    float m_CellValue = 0.0F;
    // False for a call without values (the closing call).
    bool m_HasValues = false;
    std::vector<int16_t> m_Values; // Mirt data
    std::array<uint16_t, 4> m_ZeltWords{};
    std::vector<float> m_ZeltValues; // Zelt data
    std::vector<QMeasuredFrequencyData::Entry> m_MeasuredFrequencies;
};

} // namespace orv
