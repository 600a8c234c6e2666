#include "views/spatial/CSpatialComparisonView.h"

#include "core/QSpatialDisplayOptions.h"
#include "platform/CLocale.h"
#include "project/QNodeMediator.h"
#include "scandata/CSpatialScanData.h"

#include <QPainter>

#include <algorithm>

namespace orv {

void CSpatialComparisonView::DrawLegend(QPainter& painter) {
    if (m_nComparisonPane != 2) {
        CSpatialViewZeltp::DrawLegend(painter);
        return;
    }
    m_legendTexts.clear();
    if (!painter.isActive() || m_bInitialised == 0 || m_pMediator == nullptr ||
        m_nDisplayMode != kModeComparison || !BothComparedScansSet() ||
        m_pMediator->GetComparedResult() == nullptr) {
        return;
    }
    // The test scan is the mediator's second compared scan. The comparison is made with its own
    // compensation off, so its own always prepares: whether the difference was taken between
    // compensated levels is the test scan's to say.
    auto* test = dynamic_cast<CSpatialScanData*>(m_pMediator->GetComparedScan(false));
    const QSpatialDisplayOptions* preferences = PreferenceOptions();
    const bool compensated = test != nullptr && preferences != nullptr && preferences->IsCompensation() &&
                             test->PrepareCompensation();
    const int legendWidth = m_bReportRender ? m_nExportWidth - m_nRightMargin : width();
    m_crLegendBackground = m_bReportRender ? m_crWhite : m_crBackground;
    // A difference of levels: dB whatever the node's unit.
    m_legendTexts = {
        {compensated ? kCompensatedTitle : kTitle, QRect(0, 0, legendWidth, 18)},
        {FormatC("      Comparison Amplitude[%-6.2f  to  %-6.2f dB]      ",
                 static_cast<double>(m_fMeasuredMin), static_cast<double>(m_fMeasuredMax)),
         QRect(0, 20, legendWidth, 15)},
    };
    PaintLegendLines(painter, legendWidth);

    SetCombinedPaneRectangles(legendWidth);
}

} // namespace orv
