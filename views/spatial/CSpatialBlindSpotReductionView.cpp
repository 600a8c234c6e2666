#include "views/spatial/CSpatialBlindSpotReductionView.h"

#include "app/panes/CViewContextMenu.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/UnitConversion.h"
#include "platform/CLocale.h"
#include "project/QNodeMediator.h"
#include "scandata/CSpatialScanData.h"
#include "views/spatial/CSpatialPairMenu.h"

#include <QMenu>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace orv {

namespace {

// A stored level as the compensation tables take it (tenths of a dBuV, whole).
int32_t WholeLevel(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(std::trunc(static_cast<double>(value)), lowest, highest));
}

} // namespace

void CSpatialBlindSpotReductionView::DrawLegend(QPainter& painter) {
    if (m_nBlindSpotPane != 2) {
        CSpatialViewZeltp::DrawLegend(painter);
        return;
    }
    m_legendTexts.clear();
    if (!painter.isActive() || m_bInitialised == 0 || m_pMediator == nullptr ||
        m_nDisplayMode != kModeBlindSpot || !BothComparedScansSet()) {
        return;
    }
    auto* result = dynamic_cast<CSpatialScanData*>(m_pMediator->GetComparedResult());
    if (result == nullptr) {
        return;
    }
    const QSpatialDisplayOptions* preferences = PreferenceOptions();
    const bool compensated =
        preferences != nullptr && preferences->IsCompensation() && result->PrepareCompensation();
    bool perMetre = false;
    if (compensated) {
        // Both ends of the map are compensated; the highest cell's answer names the unit.
        int32_t lowest = 0;
        int32_t highest = 0;
        result->GetCompensatedCellValue(WholeLevel(result->m_MinValue), result->m_MinRow, result->m_MinColumn,
                                        lowest);
        perMetre = result->GetCompensatedCellValue(WholeLevel(result->m_MaxValue), result->m_MaxRow,
                                                   result->m_MaxColumn, highest);
    }
    const int legendWidth = m_bReportRender ? m_nExportWidth - m_nRightMargin : width();
    m_crLegendBackground = m_bReportRender ? m_crWhite : m_crBackground;

    const auto low = static_cast<double>(m_fMeasuredMin);
    const auto high = static_cast<double>(m_fMeasuredMax);
    const auto frequency = static_cast<double>(result->m_CenterFrequency);
    const char* unit = perMetre ? "dBuA/m" : (DisplayUnit() == kAmplitudeUnitDbuV ? "dBuV" : "dBm");
    // A negative adjustment is an amplifier's gain, any other an attenuator's loss.
    const auto adjustment = static_cast<double>(result->m_LevelOffset);
    std::string bandwidth = FormatC("     Resolution Bandwidth: %8.3f MHz     ",
                                    static_cast<double>(result->m_ResolutionBandwidth));
    bandwidth += adjustment < 0.0 ? FormatC("Amplification Value: %6.2f dB", -adjustment)
                                  : FormatC("Attenuator Value: %6.2f dB", adjustment);
    m_legendTexts = {
        {compensated ? kCompensatedTitle : kTitle, QRect(0, 0, legendWidth, 18)},
        {FormatC("      Amp[%-5.1f to %-5.1f %s]  Freq: %-8.3f MHz      ", low, high, unit, frequency),
         QRect(0, 20, legendWidth, 15)},
        {bandwidth, QRect(0, 35, legendWidth, 15)},
        {FormatC("     Scanner Module: %s     ", result->m_ModuleText.c_str()),
         QRect(0, 50, legendWidth, 15)},
    };
    PaintLegendLines(painter, legendWidth);

    m_rcHeader = QRect(0, 0, legendWidth, kHeaderHeight);
    const int32_t areaWidth = m_nMapWidth - (m_bListShown != 0 ? ListWidth() : 0);
    m_rcMapArea = QRect(0, m_nTopMargin + 1, std::max(areaWidth, 0), std::max(m_nMapHeight, 0));
}

void CSpatialBlindSpotReductionView::ShowContextMenu(uint32_t /*flags*/, int32_t x, int32_t y) {
    if (m_pMediator == nullptr) {
        return;
    }
    SelectOwnNodeInProjectPane();
    // The upper pass is the mediator's first compared scan, the lower pass its second.
    const bool upper = m_pMediator->GetComparedScan(true) != nullptr;
    const bool lower = m_pMediator->GetComparedScan(false) != nullptr;
    CSpatialPairMenu::State state;
    state.pane = m_nBlindSpotPane;
    state.paneScan = m_nBlindSpotPane == 0 ? upper : m_nBlindSpotPane == 1 && lower;
    state.bothScans = upper && lower;
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

void CSpatialBlindSpotReductionView::OnContextCommand(uint32_t command) {
    if (m_pMediator == nullptr) {
        return;
    }
    switch (command) {
    case SpatialCommand::kPaste:
        CSpatialPairMenu::PasteCopiedScan(*this, GetProject());
        break;
    case SpatialCommand::kOpenScanDataDescription:
        // An accepted edit of the upper pass has the result made again at the next redraw.
        if (OpenScanDataDescription() && m_nBlindSpotPane == 0) {
            m_pMediator->SetViewRebuildFlags(true);
        }
        break;
    default:
        CSpatialViewZeltp::OnContextCommand(command);
        break;
    }
}

} // namespace orv
