#pragma once

// Trace sizing shared by the drivers that read through a maker's device library: the library writes
// whole blocks of four points, and a point count outside what any driver accepts is no trace at all.

#include "analyzers/CSpectrumAnalyzer.h"

#include <cstddef>
#include <cstdint>

namespace orv {

inline bool IsUsableTraceLength(int32_t points) {
    return points >= 1 && points <= CSpectrumAnalyzer::kMaxTracePoints;
}

// Room for the points in whole blocks of four.
inline std::size_t BlockedTraceSize(int32_t points) {
    return (static_cast<std::size_t>(points) + 3U) / 4U * 4U;
}

} // namespace orv
