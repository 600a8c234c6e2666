#include "views/spatial/CSpatialComparisonView.h"

#include "app/panes/CViewContextMenu.h"
#include "core/QSpatialDisplayOptions.h"
#include "platform/CLocale.h"
#include "project/QNodeMediator.h"
#include "scandata/CSpatialScanData.h"
#include "views/spatial/CSpatialPairMenu.h"

#include <QMenu>
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

    m_rcHeader = QRect(0, 0, legendWidth, kHeaderHeight);
    const int32_t areaWidth = m_nMapWidth - (m_bListShown != 0 ? ListWidth() : 0);
    m_rcMapArea = QRect(0, m_nTopMargin + 1, std::max(areaWidth, 0), std::max(m_nMapHeight, 0));
}

void CSpatialComparisonView::ShowContextMenu(uint32_t /*flags*/, int32_t x, int32_t y) {
    if (m_pMediator == nullptr) {
        return;
    }
    SelectOwnNodeInProjectPane();
    // The reference is the mediator's first compared scan, the test its second.
    const bool reference = m_pMediator->GetComparedScan(true) != nullptr;
    const bool test = m_pMediator->GetComparedScan(false) != nullptr;
    CSpatialPairMenu::State state;
    state.pane = m_nComparisonPane;
    state.paneScan = m_nComparisonPane == 0 ? test : m_nComparisonPane == 1 && reference;
    state.bothScans = test && reference;
    state.pasteAllowed = CSpatialPairMenu::CanPasteCopiedScan(GetProject());
    state.threeD = m_b3DShown != 0;
    state.zoomed = m_bZoomed != 0;
    std::unique_ptr<QMenu> menu = CSpatialPairMenu::Build(state);
    if (menu == nullptr) {
        return;
    }
    // The scans may go while the menu is open: the commands look for them again.
    ForgetScanPointers();
    const uint32_t command =
        CSpatialPairMenu::Run(*menu, mapToGlobal(QPoint(x + kMenuOffsetX, y)), m_menuRunner);
    menu.reset();
    if (command != 0) {
        OnContextCommand(command);
    }
}

void CSpatialComparisonView::OnContextCommand(uint32_t command) {
    if (m_pMediator == nullptr) {
        return;
    }
    switch (command) {
    case SpatialCommand::kPaste:
        CSpatialPairMenu::PasteCopiedScan(*this, GetProject());
        break;
    case SpatialCommand::kOpenScanDataDescription:
        // An accepted edit of the test scan has the comparison made again at the next redraw.
        if (OpenScanDataDescription() && m_nComparisonPane == 0) {
            m_pMediator->SetViewRebuildFlags(true);
        }
        break;
    default:
        CSpatialViewZeltp::OnContextCommand(command);
        break;
    }
}

} // namespace orv
