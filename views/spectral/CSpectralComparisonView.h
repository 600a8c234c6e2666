#pragma once

#include "views/spectral/CSpectralView.h"

#include <string>
#include <vector>

namespace orv {

// The spectral view of a Compare Spectral node: its tabs show the test scan, the reference scan and
// the comparison (the level difference over the range both share). Loading, drawing, markers and
// zoom are the base view's; the comparison tab has a header of its own, and the menu offers only
// what applies to a pair of scans.
class CSpectralComparisonView : public CSpectralView {
public:
    using CSpectralView::CSpectralView;

    // The comparison tab: the title, the amplitude range always in dB (a difference of levels) and
    // the comparison's frequency range; the other tabs the base header.
    std::vector<std::string> BuildHeaderLines() override;
    void ShowContextMenu(uint32_t flags, int32_t x, int32_t y) override;
};

} // namespace orv
