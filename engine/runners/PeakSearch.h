#pragma once

// Finds the strongest runs of a spectrum: points above 2 standard deviations plus 1.25 times the
// mean form runs, each run's highest point is a candidate, and at most `wanted` of them are kept,
// a stronger candidate replacing the weakest held one. The kept indexes come back in ascending order.

#include "engine/runners/ScanPackets.h"

#include <cstdint>
#include <span>
#include <vector>

namespace orv {

// The largest number of peaks a scan may ask for.
inline constexpr int32_t kMaxPeakPoints = 30;

// Fewer than 2 points have no spread and give no peak.
std::vector<int32_t> FindPeaks(std::span<const SpectralPoint> points, int32_t wanted);

} // namespace orv
