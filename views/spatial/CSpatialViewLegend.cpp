// The header above the heat map and the button of the selected-frequency list.

#include "app/AppResources.h"
#include "app/QtConversions.h"
#include "app/controls/FittedText.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/UnitConversion.h"
#include "platform/CLocale.h"
#include "project/QNodeMediator.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "views/spatial/CSpatialView.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv {

namespace {

QFont LegendFont(int pixelSize) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    return font;
}

int32_t TruncateValue(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(std::trunc(static_cast<double>(value)), lowest, highest));
}

} // namespace

void CSpatialView::DrawLegend(QPainter& painter) {
    m_legendTexts.clear();
    if (!painter.isActive() || m_bInitialised == 0 || m_pMediator == nullptr) {
        return;
    }
    CSpatialScanData* spatial = nullptr;
    CSpectralSpatialScanData* components = nullptr;
    switch (m_nDisplayMode) {
    case kModeSpatial:
        spatial = m_pMediator->GetCurrentSpatialScanData();
        break;
    case kModeSpectralSpatial:
    case kModeLinkedSpectralSpatial:
        components = m_pMediator->GetCurrentSpectralSpatialScanData();
        break;
    case kModeHandHeld:
        components = m_pMediator->GetCurrentHandHeldScanData();
        break;
    case kModeComparison:
        // The test scan is the second of the compared pair, the reference the first; the result
        // pane has no header.
        if (m_nComparisonPane == 0 || m_nComparisonPane == 1) {
            spatial = dynamic_cast<CSpatialScanData*>(m_pMediator->GetComparedScan(m_nComparisonPane == 1));
        }
        break;
    case kModeBlindSpot:
        if (m_nBlindSpotPane == 0 || m_nBlindSpotPane == 1) {
            spatial = dynamic_cast<CSpatialScanData*>(m_pMediator->GetComparedScan(m_nBlindSpotPane == 0));
        } else if (m_nBlindSpotPane == 2) {
            spatial = dynamic_cast<CSpatialScanData*>(m_pMediator->GetComparedResult());
        }
        break;
    default:
        break;
    }
    CScanData* scan = spatial != nullptr ? static_cast<CScanData*>(spatial) : components;
    if (scan == nullptr) {
        return;
    }
    const QSpatialDisplayOptions* preferences = PreferenceOptions();
    bool compensated = preferences != nullptr && preferences->IsCompensation();
    if (compensated) {
        compensated =
            spatial != nullptr ? spatial->PrepareCompensation() : components->PrepareSpatialCompensation();
    }
    const bool singleFrequency = spatial != nullptr;
    const int legendWidth = m_bReportRender ? m_nExportWidth - m_nRightMargin : width();
    m_crLegendBackground = m_bReportRender ? m_crWhite : m_crBackground;

    // The lines first, as texts and rectangles; the picture of the header is laid out and drawn
    // again only when one of them, the width or the background changed.
    auto line = [&](const QRect& rect, const std::string& text) { m_legendTexts.push_back({text, rect}); };
    line(QRect(0, 0, legendWidth, 18),
         compensated ? " Spatial(Compensated) " : "             Spatial             ");
    int top = 20;
    auto next = [&](const std::string& text) {
        line(QRect(0, top, legendWidth, 15), text);
        top += 15;
    };

    const auto low = static_cast<double>(m_fMeasuredMin);
    const auto high = static_cast<double>(m_fMeasuredMax);
    const bool dbuv = DisplayUnit() == kAmplitudeUnitDbuV;
    if (singleFrequency) {
        bool perMetre = compensated;
        if (perMetre) {
            // The map's unit is a field strength only when its lowest cell compensates too.
            int32_t value = 0;
            perMetre = spatial->GetCompensatedCellValue(TruncateValue(spatial->m_MinValue), spatial->m_MinRow,
                                                        spatial->m_MinColumn, value);
        }
        const char* unit = perMetre ? "dBuA/m" : (dbuv ? "dBuV" : "dBm");
        next(FormatC("      Amp [%-6.2f to %-6.2f %s]    Freq: %-8.3f MHz      ", low, high, unit,
                     static_cast<double>(scan->m_CenterFrequency)));
    } else {
        const auto start = static_cast<double>(scan->m_StartFrequency);
        const auto stop = static_cast<double>(scan->m_StopFrequency);
        // The list beside a linked map names the frequencies the map shows.
        if (m_bListShown != 0) {
            if (compensated) {
                next(FormatC("      Amp[%-5.1f to %-5.1f dBuA/m]      ", low, high));
            } else if (dbuv) {
                next(FormatC("      Amp[%-5.1f to %-5.1f dBuV]      ", low, high));
            } else {
                next(FormatC("Amp[%-5.1f to %-5.1f dBm]", low, high));
            }
        } else if (compensated) {
            next(FormatC("      Amp[%-5.1f to %-5.1f dBuA/m]  Freq: [%-8.3f to %-8.3f MHz]      ", low, high,
                         start, stop));
        } else if (dbuv) {
            next(FormatC("      Amp[%-5.1f to %-5.1f dBuV]  Freq: [%-8.3f to %-8.3f MHz]      ", low, high,
                         start, stop));
        } else {
            next(FormatC("Amp[%-5.1f to %-5.1f dBm]  Freq: [%-8.3f to %-8.3f MHz]", low, high, start, stop));
        }
    }
    // A negative adjustment is an amplifier's gain, any other an attenuator's loss.
    const auto adjustment = static_cast<double>(scan->m_LevelOffset);
    std::string bandwidth = FormatC("     Resolution Bandwidth: %8.6f MHz     ",
                                    static_cast<double>(scan->m_ResolutionBandwidth));
    bandwidth += adjustment < 0.0 ? FormatC("Amplification Value: %6.2f dB", -adjustment)
                                  : FormatC("Attenuator Value: %6.2f dB", adjustment);
    next(bandwidth);
    next(FormatC("     Scanner Module: %s     ", scan->m_ModuleText.c_str()));
    next(FormatC("     Date: %s     ", scan->m_DateText.c_str()));
    PaintLegendLines(painter, legendWidth);

    m_rcHeader = QRect(0, 0, legendWidth, singleFrequency ? kHeaderHeight : kMultiFrequencyHeaderHeight);
    const int32_t areaWidth = m_nMapWidth - (m_bListShown != 0 ? ListWidth() : 0);
    m_rcMapArea = QRect(0, m_nTopMargin + 1, std::max(areaWidth, 0), std::max(m_nMapHeight, 0));
}

void CSpatialView::PaintLegendLines(QPainter& painter, int width) {
    LegendPicture& cache = m_legendPicture;
    const bool same = !cache.image.isNull() && cache.width == width &&
                      cache.background == m_crLegendBackground &&
                      cache.lines.size() == m_legendTexts.size() &&
                      std::equal(cache.lines.begin(), cache.lines.end(), m_legendTexts.begin(),
                                 [](const DrawnText& a, const DrawnText& b) { return a.text == b.text; });
    if (!same) {
        cache.width = width;
        cache.background = m_crLegendBackground;
        cache.lines = m_legendTexts;
        cache.image = QImage(std::max(width, 1), kLegendLinesHeight, QImage::Format_RGB32);
        cache.image.fill(ColorRefToQColor(m_crLegendBackground));
        QPainter lines(&cache.image);
        lines.setPen(ColorRefToQColor(m_crBlack));
        // Whole on a narrow pane: a line's font steps down until it fits.
        for (size_t i = 0; i < m_legendTexts.size(); ++i) {
            DrawFittedLine(lines, m_legendTexts[i].rect, CodePageToQString(m_legendTexts[i].text),
                           LegendFont(i == 0 ? 16 : 14), kSmallestLegendPixels);
        }
        ++cache.layouts;
    }
    painter.drawImage(0, 0, cache.image);
}

void CSpatialView::DrawFrequencyListToggle(QPainter& backBuffer) {
    if (m_bListShown == 0 || m_bListAllowed == 0 || m_b3DShown != 0) {
        m_rcListToggle = QRect();
        return;
    }
    const int32_t right = m_nMapWidth - ListWidth();
    const QRect button(right - kToggleWidth, 2, kToggleWidth, kToggleHeight);
    const QColor colour = ColorRefToQColor(kToggleColour);
    backBuffer.save();
    backBuffer.fillRect(button, colour);
    backBuffer.setPen(colour);
    backBuffer.setBrush(Qt::NoBrush);
    backBuffer.drawRect(button.adjusted(0, 0, -1, -1));
    EnsureAppResources();
    const bool expanded = m_bListExpanded != 0;
    const QPixmap icon(QStringLiteral(":/icons/%1.png").arg(expanded ? kExpandedIcon : kCollapsedIcon));
    if (!icon.isNull()) {
        backBuffer.drawPixmap(QRect(button.left() + (expanded ? 0 : 1), 7, 16, 16), icon);
    }
    backBuffer.restore();
    m_rcListToggle = button.translated(0, m_nTopMargin);
}

void CSpatialView::ToggleFrequencyList() {
    m_bListExpanded = m_bListExpanded != 0 ? 0 : 1;
    m_bRebuild = 1;
    PostRelayout();
    InvalidateWholeView();
}

} // namespace orv
