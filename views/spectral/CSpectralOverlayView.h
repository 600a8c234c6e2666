#pragma once

#include "views/spectral/CSpectralView.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

class CSpectralScanData;

// The spectral view of a Spectral Overlay node: its tabs show the test scan, the reference scan, and
// both laid over each other on the frequency range they share (the test in blue, the reference in
// green, with a legend, peak circles on both and a header of the common ranges). The overlay result
// the node keeps holds the zoom state of the tab of both scans.
class CSpectralOverlayView : public CSpectralView {
public:
    using CSpectralView::CSpectralView;

    bool LoadTraceData(bool reset, bool& needsData) override;
    void DrawTraces(QPainter& painter) override;
    bool DrawPeakCircles(QPainter& painter, CScanData* scan) override;
    void ShowContextMenu(uint32_t flags, int32_t x, int32_t y) override;
    std::vector<std::string> BuildHeaderLines() override;

    // The visible index range of the reference trace, as the last draw found it.
    int32_t GetSecondFirstVisible() const { return m_nSecondFirst; }
    int32_t GetSecondLastVisible() const { return m_nSecondLast; }
    bool AreBothTracesShown() const { return m_nBothTracesShown != 0; }

protected:
    // The tab of both scans marks and zooms the overlay result.
    CScanData* FindShownScanData() const override;

private:
    bool ShowsBothScans() const { return m_nDisplayMode == kModeOverlay && m_nOverlayTab == 2; }
    // The points of one scan between the common frequencies into `out`, each with its index in the
    // scan; false when the scan refuses the correction (nothing is then kept of this pass).
    bool TakeCommonPoints(CSpectralScanData& scan, float low, float high, bool correction, int unit,
                          std::vector<TracePoint>& out, float& lowest, float& highest);
    // Circles the points of `set` whose source index is one of the scan's peaks.
    void MarkPeaks(QPainter& painter, CSpectralDrawPoint& set, CScanData& scan, uint32_t colour);

    int32_t m_nSecondFirst = 0;
    int32_t m_nSecondLast = -1;
};

} // namespace orv
