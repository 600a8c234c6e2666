#pragma once

// The data worker's half of listing a newly received scan: while the node's scan container is held
// locked, everything the new scan-data object needs is copied out of it, so that the user-interface
// thread can list the scan later without touching the container (which the worker keeps filling).

#include "project/QScanDataRecord.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace orv {

class QScanContainer;

// The level a cell without a measurement gets in a new spatial scan.
inline constexpr int16_t kUnmeasuredCellLevel = 30000;

// A received scan copied out of its container, waiting to be listed on the user-interface thread.
struct QReceivedScanCopy {
    uint16_t m_NodeKind = 0;
    // The description's date, read when the scan arrived.
    std::string m_Date;
    // Spectral points that came as the real-time analyser's 12-byte records.
    bool m_RealTimeAnalyzerFormat = false;
    // The hand-over carried only the frequencies measured after the scan: they go to the run's
    // scan already listed (spectral: an addition without points; spectral/spatial: the closing
    // call), never to a second scan.
    bool m_FrequenciesOnly = false;
    std::optional<QSpectralScanAddition> m_Spectral;
    std::optional<QSpatialScanAddition> m_Spatial;
    // Spectral/spatial and hand-held scans: the cell just received.
    std::optional<QCellAddition> m_Cell;
};

// Copies the received scan of a spectral (2003) or spatial (2004) node, or the cell last received by
// a spectral/spatial (2005) or hand-held (2029) node, out of `container`, which the caller holds
// locked. Every size comes from what was received: points from the record's own count,
// the spatial grid from the set-up with cells outside the received grid or the pattern unmeasured.
// Null for other kinds, when the container is not of the node kind's own container type, or when only
// measured frequencies came for a kind that takes none after its scan.
std::unique_ptr<QReceivedScanCopy> CopyReceivedScan(uint16_t nodeKind, QScanContainer& container,
                                                    std::string date);

} // namespace orv
