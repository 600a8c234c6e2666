#include "views/spatial/CSpatialBlindSpotReductionView.h"

#include "core/QSpatialDisplayOptions.h"
#include "core/UnitConversion.h"
#include "platform/CLocale.h"
#include "project/QNodeMediator.h"
#include "scandata/CSpatialScanData.h"

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

    SetCombinedPaneRectangles(legendWidth);
}

} // namespace orv
