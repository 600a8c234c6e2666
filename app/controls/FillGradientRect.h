#pragma once

#include <cstdint>

class QPainter;

namespace orv {

// The banded background of the spectral views: horizontal bands, each 4 levels lighter (red, green
// and blue, at most 255) than the one above, starting at `colour` (red in the low byte) at the top.
// The rectangle runs from left/top up to but not including right/bottom. A first call works out the
// band height from the rectangle ((bottom - top) / 60 + 1); later calls with `firstCall` false keep
// it, so that pieces of one background get the same bands. User-interface thread only.
void FillGradientRect(QPainter& painter, int left, int top, int right, int bottom, uint32_t colour,
                      bool firstCall);

} // namespace orv
