// The plot of CSpectralView: which points are loaded and in which unit, the visible range, points to
// pixels, axes, grid, captions, traces, header and the empty-view hint.

#include "app/QtConversions.h"
#include "app/controls/FittedText.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "core/UnitConversion.h"
#include "platform/CLocale.h"
#include "platform/sync/CriticalSection.h"
#include "project/QNodeMediator.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "views/spectral/CSpectralView.h"
#include "views/spectral/SpectralPainting.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace orv {

using namespace spectral_painting;

namespace {

// A GDI Rectangle from (left, top) to (right, bottom), the right and bottom edges outside it.
void DrawBox(QPainter& painter, int left, int top, int right, int bottom, uint32_t pen, uint32_t brush) {
    painter.setPen(SolidPen(pen));
    painter.setBrush(ColorRefToQColor(brush));
    painter.drawRect(left, top, std::max(0, right - 1 - left), std::max(0, bottom - 1 - top));
    painter.setBrush(Qt::NoBrush);
}

// Draw3dRect in one colour: the outline of the rectangle.
void DrawFrame(QPainter& painter, int left, int top, int width, int height, uint32_t colour) {
    if (width < 1 || height < 1) {
        return;
    }
    painter.setPen(SolidPen(colour));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(left, top, width - 1, height - 1);
}

} // namespace

// --- Painting and rendering ---

void CSpectralView::PaintView(QPainter& painter) {
    UpdatePlotRect();
    // The header describes the scan, not a place on the plot: it spans the width shown, also while
    // a view narrower than the plot scrolls it sideways.
    m_rcHeader =
        QRect(0, 0, viewport()->width(), m_nDisplayMode == kModeSpectralSpatial ? 70 : m_nHeaderHeight);
    const int sx = horizontalScrollBar()->value();
    const int sy = verticalScrollBar()->value();
    painter.fillRect(viewport()->rect(), ColorRefToQColor(m_crBackground));
    if (!m_bmpPlot.isNull()) {
        painter.drawImage(-sx, m_nHeaderHeight - sy, m_bmpPlot);
    }
    if (m_bReadoutPending != 0 && m_pMediator->IsScanInProgress() &&
        (m_pMediator->IsContinuousRun() || m_nDisplayMode == kModeSpectralSpatial)) {
        DrawReadout(m_ptHover.x(), m_ptHover.y());
    }
    // What GDI drew straight onto the window: the read-out and the drag band.
    PaintReadout(painter);
    painter.save();
    painter.translate(0, -sy);
    DrawHeader(painter);
    painter.restore();
}

void CSpectralView::RenderPlot(QPainter& painter, bool /*forCopy*/) {
    if (m_bReady == 0) {
        return;
    }
    ++m_nRenderCount;
    const int width = m_bCopyRender != 0 ? m_nCopyWidth : m_nBitmapWidth;
    const int height = m_bCopyRender != 0 ? m_nCopyHeight : m_nBitmapHeight;
    m_nRenderWidth = width;
    m_nRenderHeight = height;
    painter.fillRect(0, 0, width, height, ColorRefToQColor(m_crWhite));
    DrawFrame(painter, 0, 0, width, height, 0xA6A6A6);
    DrawFrame(painter, 1, 1, width - 2, height - 2, 0x747474);

    bool needsData = false;
    if (!LoadTraceData(true, needsData)) {
        // Nothing is drawn: no drawn point of an earlier render stays to be looked up.
        m_pTrace.reset();
        m_pSecondTrace.reset();
        if (needsData) {
            DrawEmptyHint(painter);
        }
        return;
    }
    m_nAxisLeft = m_nMarginLeft;
    m_nAxisTop = m_nMarginTop;
    m_nAxisWidth = width - m_nMarginRight - m_nMarginLeft;
    m_nAxisHeight = height - m_nMarginBottom - m_nMarginTop;
    if (m_nAxisWidth < 1 || m_nAxisHeight < 1) {
        return;
    }
    DrawBox(painter, m_nAxisLeft, m_nAxisTop, width - 33, height - m_nMarginBottom, kAxisColour, m_crWhite);

    bool hasData = false;
    switch (m_nDisplayMode) {
    case kModeSpectral:
    case kModeComparison:
        hasData = m_pSpectralData != nullptr;
        break;
    case kModeSpectralSpatial:
    case kModeLinkedSpectralSpatial:
        hasData = m_pSSData != nullptr;
        break;
    case kModeHandHeld:
        hasData = m_pHandHeldData != nullptr;
        break;
    case kModeOverlay:
        hasData = m_pSpectralData != nullptr || m_pSecondData != nullptr;
        break;
    case kModeScripting:
        hasData = true;
        break;
    default:
        break;
    }
    if (hasData) {
        DrawTraces(painter);
        DrawPeakCircles(painter, m_pScanData);
        DrawAxesAndMarkers(painter);
    }
    if (m_pFormView != nullptr) {
        m_pFormView->UpdateScaleOptionFields();
        m_pFormView->UpdatePeakOptionFields();
    }
}

// --- Loading ---

bool CSpectralView::CopyPointsOf(CSpectralScanData& scan, bool comparisonResult, bool correction, int unit) {
    if (correction && !comparisonResult && !scan.PrepareCompensation()) {
        correction = false;
    }
    const uint8_t format = scan.GetPointFormat();
    const float offset = scan.m_LevelOffset;
    auto fill = [&](bool correct) {
        const std::vector<QSpectralPoint>& mirt = scan.GetMirtPoints();
        const std::vector<CFloatSpectralPoint>& floats = scan.GetFloatPoints();
        const size_t count = format == CSpectralScanData::kMirtPoints ? mirt.size() : floats.size();
        m_pPoints.assign(count, TracePoint{});
        float lowest = 100000.0F;
        float highest = -100000.0F;
        const int pointUnit = correct ? kAmplitudeUnitDbuV : unit;
        for (size_t i = 0; i < count; ++i) {
            TracePoint& point = m_pPoints[i];
            float value = 0.0F;
            if (format == CSpectralScanData::kMirtPoints) {
                value = static_cast<float>(mirt[i].m_Amplitude);
                point.m_Words = {mirt[i].m_Row, mirt[i].m_Column, 0, 0};
            } else {
                const CFloatSpectralPoint& source = floats[i];
                value = FiniteAmplitude(source.m_Amplitude);
                if (!comparisonResult) {
                    value = std::clamp(value, -kValueLimit, kValueLimit);
                }
                point.m_Words = {source.m_Row, source.m_Column, source.m_SubRow, source.m_SubColumn};
            }
            if (!comparisonResult) {
                if (correct) {
                    int32_t corrected = 0;
                    if (!scan.GetCompensatedValue(SaturateInt(value), static_cast<uint32_t>(i), corrected)) {
                        // Every point is drawn in one unit: start again without the correction.
                        return false;
                    }
                    value = static_cast<float>(corrected);
                }
                value = ConvertAmplitudeToUnit(value, pointUnit) + offset;
            }
            point.m_Amplitude = value;
            point.m_Frequency = scan.GetFrequency(static_cast<int32_t>(i));
            lowest = std::min(lowest, value);
            highest = std::max(highest, value);
        }
        if (count > 0) {
            m_pPoints.back().m_Frequency = scan.m_StopFrequency;
        }
        m_fAmpMin = lowest;
        m_fAmpMax = highest;
        return true;
    };
    // The scan worker changes the points under the first section: hold it only for the copy.
    std::unique_lock<CriticalSection> guard;
    if (m_pMediator != nullptr) {
        guard = std::unique_lock<CriticalSection>(m_pMediator->GetFirstCriticalSection());
    }
    if (!fill(correction)) {
        correction = false;
        fill(false);
    }
    return correction;
}

bool CSpectralView::LoadTraceData(bool reset, bool& needsData) {
    needsData = false;
    if (m_pMediator == nullptr) {
        return false;
    }
    const bool correction = CorrectionPreference();
    const int unit = DisplayUnit();
    if (reset) {
        ForgetScanPointers();
    }
    if (m_nDisplayMode == kModeSpectral) {
        m_pSpectralData = m_pMediator->GetCurrentSpectralScanData();
        m_pScanData = m_pSpectralData;
    } else if (m_nDisplayMode == kModeComparison) {
        auto* test = dynamic_cast<CSpectralScanData*>(m_pMediator->GetComparedScan(false));
        auto* reference = dynamic_cast<CSpectralScanData*>(m_pMediator->GetComparedScan(true));
        CScanData* chosen = nullptr;
        if (m_nComparisonTab == 0) {
            chosen = test;
        } else if (m_nComparisonTab == 1) {
            chosen = reference;
        } else {
            if (test != nullptr && reference != nullptr && m_pMediator->IsComparedResultChanged()) {
                m_pMediator->ClearComparedResultChanged();
                // Null when the two cannot be compared: the tab then shows the empty box.
                m_pMediator->SetComparedResult(test->CreateComparisonWith(*reference, correction ? 1 : 0));
            }
            chosen = m_pMediator->GetComparedResult();
        }
        if (chosen == nullptr) {
            needsData = m_nComparisonTab != 2;
            return false;
        }
        chosen->Prepare();
        m_nComparisonTabShown = m_nComparisonTab;
        m_pScanData = chosen;
        m_pSpectralData = dynamic_cast<CSpectralScanData*>(chosen);
    } else if (m_nDisplayMode == kModeOverlay) {
        // The overlay view puts its own data in place for the tab of both scans; the test and
        // reference tabs show one scan each.
        if (m_pScanData == nullptr && (m_nOverlayTab == 0 || m_nOverlayTab == 1)) {
            auto* chosen = dynamic_cast<CSpectralScanData*>(m_pMediator->GetComparedScan(m_nOverlayTab == 1));
            if (chosen == nullptr) {
                needsData = true;
                return false;
            }
            chosen->Prepare();
            m_nOverlayTabShown = m_nOverlayTab;
            m_pScanData = chosen;
            m_pSpectralData = chosen;
        }
    } else {
        return false;
    }
    if (m_pScanData == nullptr) {
        return false;
    }
    m_bZoomed = m_pScanData->m_SpectralZoomed;
    switch (m_nDisplayMode) {
    case kModeSpectral:
    case kModeComparison:
        if (m_pSpectralData == nullptr) {
            return false;
        }
        break;
    case kModeOverlay:
        if (m_pSpectralData == nullptr || m_nOverlayTab == 2) {
            return false;
        }
        break;
    case kModeScripting:
        return true;
    default:
        return false;
    }
    if (m_bReload == 0) {
        return true;
    }
    m_bReload = 0;
    m_pPoints.clear();
    m_pSecondPoints.clear();
    const bool comparisonResult = m_nDisplayMode == kModeComparison && m_nComparisonTab == 2;
    m_bCorrectionApplied = CopyPointsOf(*m_pSpectralData, comparisonResult, correction, unit) ? 1 : 0;
    const auto count = static_cast<int32_t>(m_pPoints.size());
    CScanData& scan = *m_pScanData;
    bool windowKept = false;
    if (m_bZoomed != 0 && count > 0) {
        const int32_t first = std::clamp(scan.m_SpectralZoomFirst, 0, count - 1);
        const int32_t last = std::clamp(scan.m_SpectralZoomLast, 0, count - 1);
        if (first <= last) {
            m_nZoomFirst = first;
            m_nZoomLast = last;
            // The view's history follows the scan's, so that both step back alike.
            m_zoomHistory = scan.m_SpectralZoomHistory;
            windowKept = true;
        }
    }
    if (!windowKept) {
        if (m_bZoomed != 0) {
            scan.m_SpectralZoomed = 0;
            m_bZoomed = 0;
        }
        m_zoomHistory.clear();
        scan.m_SpectralZoomHistory.clear();
        m_nZoomFirst = 0;
        m_nZoomLast = count - 1;
    }
    return true;
}

// --- Range ---

bool CSpectralView::FindPointIndex(bool lower, int32_t& index, float frequency) const {
    const auto count = static_cast<int32_t>(m_pPoints.size());
    index = -1;
    if (count == 0) {
        return false;
    }
    if (lower && frequency <= m_pPoints.front().m_Frequency) {
        index = 0;
        return true;
    }
    if (!lower && frequency >= m_pPoints.back().m_Frequency) {
        index = count - 1;
        return true;
    }
    int32_t lastBelow = -1;
    for (int32_t i = 0; i < count; ++i) {
        const float f = m_pPoints[static_cast<size_t>(i)].m_Frequency;
        if (f == frequency) {
            index = i;
            return true;
        }
        if (f < frequency) {
            lastBelow = i;
        } else if (f > frequency && lastBelow >= 0) {
            // One point of margin below a lower limit; -1 is raised by the zoom window.
            index = lower ? lastBelow - 1 : lastBelow;
            return true;
        }
    }
    if (lastBelow >= 0) {
        index = lastBelow;
        return true;
    }
    return false;
}

void CSpectralView::ComputeVisibleRange() {
    if (m_pMediator != nullptr && m_pMediator->IsRangeChanged()) {
        m_pMediator->SetRangeChanged(false);
    }
    const QSpectralDisplayOptions* options = NodeOptions();
    const CScanData* scan = m_pScanData;
    const bool useNode =
        options != nullptr && (scan == nullptr || options->UsesNodeSettings() ||
                               (m_pMediator != nullptr && m_pMediator->AreNodeSettingsApplied()));
    if (useNode) {
        m_bFreqAuto = options->IsFrequencyAuto() ? 1 : 0;
        m_bAmpAuto = options->IsAmplitudeAuto() ? 1 : 0;
    } else if (scan != nullptr) {
        m_bFreqAuto = scan->m_FrequencyAutoByte == 1 ? 1 : 0;
        m_bAmpAuto = scan->m_LevelAutoByte == 1 ? 1 : 0;
    } else {
        m_bFreqAuto = 1;
        m_bAmpAuto = 1;
    }
    if (m_bFreqAuto != 0 || m_bZoomed != 0) {
        m_nLimitFirst = -1000000;
        m_nLimitLast = 1000000;
    } else {
        float minimum = 0.0F;
        float maximum = 0.0F;
        if (useNode) {
            minimum = options->GetFixedFrequencyLow();
            maximum = options->GetFixedFrequencyHigh();
            if (scan != nullptr) {
                minimum = std::max(scan->m_StartFrequency, minimum);
                maximum = std::min(scan->m_StopFrequency, maximum);
            }
        } else {
            minimum = scan->m_LevelLow;
            maximum = scan->m_LevelHigh;
        }
        if (!(minimum < maximum)) {
            m_nFirstVisible = -1;
            m_nLastVisible = -1;
            m_nVisibleCount = 0;
            return;
        }
        FindPointIndex(true, m_nLimitFirst, minimum);
        FindPointIndex(false, m_nLimitLast, maximum);
    }
    m_nFirstVisible = std::max(m_nZoomFirst, m_nLimitFirst);
    m_nLastVisible = std::min(m_nZoomLast, m_nLimitLast);
    m_nVisibleCount = std::max(0, m_nLastVisible - m_nFirstVisible + 1);
    if (m_nVisibleCount == 0 || m_nFirstVisible < 0 ||
        m_nLastVisible >= static_cast<int32_t>(m_pPoints.size())) {
        m_nFirstVisible = -1;
        m_nLastVisible = -1;
        m_nVisibleCount = 0;
    }

    if (m_bAmpAuto != 0) {
        const double margin = (static_cast<double>(m_fAmpMax) - m_fAmpMin) / 10.0;
        m_nAmpAxisMin = SaturateInt(static_cast<double>(m_fAmpMin) - margin - 1.0);
        m_nAmpAxisMax = SaturateInt(static_cast<double>(m_fAmpMax) + margin + 1.0);
    } else {
        const float low = useNode ? options->GetFixedAmplitudeLow() : scan->m_MarkerLow;
        const float high = useNode ? options->GetFixedAmplitudeHigh() : scan->m_MarkerHigh;
        m_nAmpAxisMin = SaturateInt(low);
        m_nAmpAxisMax = SaturateInt(high);
    }
    if (m_nAmpAxisMax <= m_nAmpAxisMin) {
        // An empty fixed range is drawn over one unit above its minimum.
        m_nAmpAxisMin = std::min(m_nAmpAxisMin, std::numeric_limits<int32_t>::max() - 1);
        m_nAmpAxisMax = m_nAmpAxisMin + 1;
    }
}

// --- Traces ---

void CSpectralView::DrawTraces(QPainter& painter) {
    if (m_nAxisWidth < 1 || m_nAxisHeight < 1) {
        return;
    }
    ComputeVisibleRange();
    m_bLogAxis = false;
    if (m_nVisibleCount < 1) {
        m_pTrace.reset();
        m_pSecondTrace.reset();
        return;
    }
    const QSpectralDisplayOptions* options = NodeOptions();
    const float firstFrequency = m_pPoints[static_cast<size_t>(m_nFirstVisible)].m_Frequency;
    const float lastFrequency = m_pPoints[static_cast<size_t>(m_nLastVisible)].m_Frequency;
    // A logarithmic axis needs a start above 0 MHz; below it the axis is linear.
    m_bLogAxis = options != nullptr && options->IsLogFrequencyAxis() && firstFrequency > 0.0F;
    const double origin = AxisValue(firstFrequency, m_bLogAxis);
    const double denominator = AxisValue(lastFrequency, m_bLogAxis) - origin;
    if (denominator == 0.0 || !std::isfinite(denominator)) {
        m_pTrace.reset();
        m_pSecondTrace.reset();
        return;
    }
    const double top = m_nAxisTop;
    const double height = m_nAxisHeight;
    const double axisMin = m_nAmpAxisMin;
    const double axisMax = m_nAmpAxisMax;
    const bool clampAmplitude = m_bAmpAuto == 0;
    auto xOf = [&](float frequency) {
        const double value = AxisValue(frequency, m_bLogAxis);
        return m_nAxisLeft + 1 + SaturatePixel(std::trunc((value - origin) * m_nAxisWidth / denominator));
    };
    auto yOf = [&](float amplitude) {
        double a = FiniteAmplitude(amplitude);
        if (clampAmplitude) {
            a = std::clamp(a, axisMin, axisMax);
        }
        return SaturatePixel(std::trunc((axisMax - a) / (axisMax - axisMin) * height + top));
    };
    auto fill = [&](CSpectralDrawPoint& set, const std::vector<TracePoint>& points,
                    const CSpectralDrawPoint* xs) {
        for (int32_t j = 0; j < m_nVisibleCount; ++j) {
            const size_t i = static_cast<size_t>(m_nFirstVisible) + static_cast<size_t>(j);
            if (i >= points.size()) {
                set.m_Count = j;
                break;
            }
            const TracePoint& point = points[i];
            const auto k = static_cast<size_t>(j);
            const int x = xs != nullptr ? xs->m_Positions[k].x() : xOf(point.m_Frequency);
            set.m_Positions[k] = QPoint(x, yOf(point.m_Amplitude));
            set.m_Amplitudes[k] = point.m_Amplitude;
            set.m_Frequencies[k] = point.m_Frequency;
            set.m_Rows[k] = point.m_Words[0];
            set.m_Columns[k] = point.m_Words[1];
            set.m_PointIndexes[k] = static_cast<int32_t>(i);
            set.m_PeakFlags[k] = 0;
            set.m_PeakFrequencies[k] = 0.0F;
            if (m_bLogAxis) {
                set.m_LogPositions[k] = set.m_Positions[k];
            }
        }
    };
    m_pTrace = std::make_unique<CSpectralDrawPoint>(m_nVisibleCount);
    fill(*m_pTrace, m_pPoints, nullptr);
    m_pSecondTrace.reset();
    if (!m_pSecondPoints.empty()) {
        m_pSecondTrace = std::make_unique<CSpectralDrawPoint>(m_nVisibleCount);
        if (m_nCompositeTab != 0) {
            fill(*m_pSecondTrace, m_pSecondPoints, m_pTrace.get());
        }
    }
    auto polyline = [&](const CSpectralDrawPoint& set) {
        if (m_bFullPolylines) {
            painter.drawPolyline(set.m_Positions.data(), set.m_Count);
            return;
        }
        const std::vector<QPoint> reduced = DecimatePolyline(set.m_Positions.data(), set.m_Count);
        painter.drawPolyline(reduced.data(), static_cast<int>(reduced.size()));
    };
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (m_nCompositeTab != 2) {
        const bool green = m_nDisplayMode == kModeOverlay && m_nOverlayTab == 1;
        painter.setPen(SolidPen(green ? kSecondTraceColour : kTraceColour));
        polyline(*m_pTrace);
    }
    if (m_pSecondTrace != nullptr && m_nCompositeTab != 0) {
        painter.setPen(SolidPen(kSecondTraceColour));
        polyline(*m_pSecondTrace);
    }
    if (m_nCompositeTab == 1) {
        const int w = m_nAxisWidth;
        painter.setFont(ArialFont(14, 500));
        painter.setPen(SolidPen(kTraceColour, 2));
        painter.drawLine(w - 45, 11, w - 25, 11);
        painter.setPen(Qt::black);
        TextAt(painter, w - 20, 4, "Full Composite");
        painter.setPen(SolidPen(kSecondTraceColour, 2));
        painter.drawLine(w - 45, 26, w - 25, 26);
        painter.setPen(Qt::black);
        TextAt(painter, w - 20, 19, "User Composite");
    }
}

// --- Axes ---

void CSpectralView::BuildLogGrid(float minimum, float maximum, std::vector<_XAxisGrid>& out) {
    out.clear();
    if (maximum - minimum > 50.0F) {
        for (const float decade : {10.0F, 100.0F, 1000.0F, 10000.0F}) {
            for (int k = 1; k <= 9; ++k) {
                const float value = decade * static_cast<float>(k);
                if (value >= minimum + 0.001F && value <= maximum - 0.001F) {
                    out.push_back(_XAxisGrid{value, 0, 0});
                }
            }
        }
        return;
    }
    for (int k = 1; k <= 4; ++k) {
        out.push_back(_XAxisGrid{minimum + static_cast<float>(k) * (maximum - minimum) / 5.0F, 0, 1});
    }
}

std::string CSpectralView::GetFrequencyCaption() const {
    std::string text = m_bFreqAuto != 0 ? "Frequency(MHz)  Auto" : "Frequency(MHz)  Fixed";
    if (m_bLogAxis) {
        text += "  LogScale";
    }
    return text;
}

std::string CSpectralView::GetAmplitudeCaption() const {
    std::string text = "Amplitude";
    if (m_nDisplayMode == kModeComparison && m_nComparisonTab == 2) {
        text += "(dB)";
    } else if (m_bCorrectionApplied != 0) {
        text += "(dBuA/m)";
    } else {
        text += DisplayUnit() == kAmplitudeUnitDbuV ? "(dBuV)" : "(dBm)";
    }
    text += m_bAmpAuto != 0 ? "  Auto" : "  Fixed";
    if ((m_nNodeKind == kTypeSpectralScanNode || m_nNodeKind == kTypeSpatialScanNode) &&
        m_pScanData != nullptr && m_pScanData->m_PeakHold == 1) {
        text += "  PeakHold";
    }
    return text;
}

void CSpectralView::DrawAxesAndMarkers(QPainter& painter) {
    if (m_nVisibleCount < 1) {
        return;
    }
    const int left = m_nAxisLeft;
    const int top = m_nAxisTop;
    const int width = m_nAxisWidth;
    const int height = m_nAxisHeight;
    const int verticalDivisions = width > 700 ? 10 : 5;
    const int horizontalDivisions = height > 500 ? 12 : 6;
    const float xStep = static_cast<float>(width) / static_cast<float>(verticalDivisions);
    const float yStep = static_cast<float>(height) / static_cast<float>(horizontalDivisions);
    const float ampStep =
        static_cast<float>(m_nAmpAxisMax - m_nAmpAxisMin) / static_cast<float>(horizontalDivisions);

    painter.setFont(ArialFont(14, 500));
    painter.setPen(Qt::black);
    for (int k = 0; k <= horizontalDivisions; ++k) {
        const float value = static_cast<float>(k) * ampStep + static_cast<float>(m_nAmpAxisMin);
        const int y = SaturatePixel(
            std::trunc(static_cast<float>(top + height) - static_cast<float>(k) * yStep - 8.0F));
        TextAt(painter, left - 40, y, FormatC("%6.1f", static_cast<double>(value)));
    }
    painter.setPen(SolidPen(kAxisColour));
    for (int k = 1; k <= horizontalDivisions; ++k) {
        const int y =
            SaturatePixel(std::trunc(static_cast<float>(top + height) - static_cast<float>(k) * yStep));
        painter.drawLine(left - 7, y, left - 1, y);
    }

    const float firstFrequency = m_pPoints[static_cast<size_t>(m_nFirstVisible)].m_Frequency;
    const float lastFrequency = m_pPoints[static_cast<size_t>(m_nLastVisible)].m_Frequency;
    m_logGrid.clear();
    const int labelY = top + height + 4;
    painter.setPen(Qt::black);
    if (!m_bLogAxis) {
        for (int k = 0; k <= verticalDivisions; ++k) {
            const float value = firstFrequency + static_cast<float>(k) * (lastFrequency - firstFrequency) /
                                                     static_cast<float>(verticalDivisions);
            const int x =
                SaturatePixel(std::trunc(static_cast<float>(left) + static_cast<float>(k) * xStep - 20.0F));
            TextAt(painter, x, labelY, FormatC("%8.2f", static_cast<double>(value)));
        }
    } else {
        BuildLogGrid(firstFrequency, lastFrequency, m_logGrid);
        std::vector<float> values{firstFrequency};
        for (const _XAxisGrid& line : m_logGrid) {
            values.push_back(line.m_Frequency);
        }
        values.push_back(lastFrequency);
        const double logFirst = std::log10(static_cast<double>(firstFrequency));
        const double logSpan = std::log10(static_cast<double>(lastFrequency)) - logFirst;
        auto xOf = [&](float f) {
            return SaturatePixel(left + (std::log10(static_cast<double>(f)) - logFirst) * width / logSpan);
        };
        const int lastX = xOf(lastFrequency);
        int written = -1000;
        for (size_t i = 0; i < values.size(); ++i) {
            const int x = xOf(values[i]);
            const bool isLast = i + 1 == values.size();
            if (isLast || (x > written + 45 && x < lastX - 45)) {
                TextAt(painter, x - 20, labelY, FormatC("%8.2f", static_cast<double>(values[i])));
                written = x;
            }
        }
    }

    const QSpectralDisplayOptions* options = NodeOptions();
    if (options == nullptr || options->ShowsGrid()) {
        QPen dotted(ColorRefToQColor(kGridColour));
        dotted.setWidth(1);
        dotted.setStyle(Qt::DotLine);
        painter.setPen(dotted);
        for (int k = 1; k < horizontalDivisions; ++k) {
            const int y = SaturatePixel(std::trunc(static_cast<float>(top) + static_cast<float>(k) * yStep));
            painter.drawLine(left, y, left + width, y);
        }
        if (m_bLogAxis) {
            const double logFirst = std::log10(static_cast<double>(firstFrequency));
            const double logSpan = std::log10(static_cast<double>(lastFrequency)) - logFirst;
            for (const _XAxisGrid& line : m_logGrid) {
                const int x = SaturatePixel(
                    left + (std::log10(static_cast<double>(line.m_Frequency)) - logFirst) * width / logSpan);
                painter.drawLine(x, top, x, top + height);
            }
        } else {
            for (int k = 1; k < verticalDivisions; ++k) {
                const int x = SaturatePixel(std::trunc(static_cast<float>(k) * xStep)) + left;
                painter.drawLine(x, top, x, top + height);
            }
        }
    }

    if (m_pScanData != nullptr) {
        DrawAxisCaption(painter, false, GetFrequencyCaption());
        DrawAxisCaption(painter, true, GetAmplitudeCaption());
    }
    if ((m_nDisplayMode == kModeSpectralSpatial || m_nDisplayMode == kModeHandHeld) &&
        m_pSecondTrace == nullptr && m_nCompositeTab == 2) {
        return;
    }
    DrawDeltaMarker(painter);
    DrawFrequencyMarkers(painter);
}

void CSpectralView::DrawAxisCaption(QPainter& painter, bool vertical, const std::string& text) {
    const QString string = CodePageToQString(text);
    painter.save();
    painter.setPen(Qt::black);
    if (!vertical) {
        painter.setFont(ArialFont(14, 400));
        const QFontMetrics metrics(painter.font());
        const int textWidth = metrics.horizontalAdvance(string);
        TextAt(painter, m_nRenderWidth / 2 - textWidth / 2, m_nRenderHeight - 20, text);
    } else {
        painter.setFont(ArialFont(12, 500));
        const QFontMetrics metrics(painter.font());
        const int textWidth = metrics.horizontalAdvance(string);
        // Reads upwards from its start point.
        const int start = textWidth / 2 + m_nRenderHeight / 2; // whole pixels, as the text is placed
        painter.translate(QPoint(7, start));
        painter.rotate(-90.0);
        TextAt(painter, 0, 0, text);
    }
    painter.restore();
}

void CSpectralView::DrawEmptyHint(QPainter& painter) {
    painter.save();
    painter.setFont(ArialFont(20, 400));
    painter.setPen(ColorRefToQColor(kHintColour));
    const std::string text =
        FormatC(" %s ", "Drag and drop, or copy/paste the spectral scan data into this view.  ");
    painter.drawText(QRect(0, 0, m_nRenderWidth, m_nRenderHeight), Qt::AlignCenter | Qt::TextSingleLine,
                     CodePageToQString(text));
    painter.restore();
}

// --- Header ---

std::vector<std::string> CSpectralView::BuildHeaderLines() {
    std::vector<std::string> lines;
    if (m_bReady == 0 || m_pMediator == nullptr) {
        return lines;
    }
    CScanData* data = nullptr;
    CSpectralScanData* spectral = nullptr;
    CSpectralSpatialScanData* composite = nullptr;
    switch (m_nDisplayMode) {
    case kModeSpectral:
        spectral = m_pMediator->GetCurrentSpectralScanData();
        data = spectral;
        break;
    case kModeSpectralSpatial:
    case kModeLinkedSpectralSpatial:
        composite = m_pMediator->GetCurrentSpectralSpatialScanData();
        data = composite;
        break;
    case kModeHandHeld:
        composite = m_pMediator->GetCurrentHandHeldScanData();
        data = composite;
        break;
    case kModeComparison:
    case kModeOverlay: {
        const int32_t tab = m_nDisplayMode == kModeComparison ? m_nComparisonTab : m_nOverlayTab;
        if (tab == 0 || tab == 1) {
            spectral = dynamic_cast<CSpectralScanData*>(m_pMediator->GetComparedScan(tab == 1));
            data = spectral;
        }
        break;
    }
    default:
        break;
    }
    if (data == nullptr) {
        return lines;
    }
    bool compensated = CorrectionPreference();
    if (compensated) {
        if (spectral != nullptr) {
            compensated = spectral->PrepareCompensation();
        } else if (composite != nullptr) {
            const bool spectralReady = composite->PrepareSpectralCompensation();
            const bool spatialReady = composite->PrepareSpatialCompensation();
            compensated = spectralReady && spatialReady;
        }
    }
    const char* unit = compensated ? "dBuA/m" : (DisplayUnit() == kAmplitudeUnitDbuV ? "dBuV" : "dBm");
    const double start = data->m_StartFrequency;
    const double stop = data->m_StopFrequency;
    const double offset = data->m_LevelOffset;
    lines.emplace_back(compensated ? " Spectral(Compensated) " : "             Spectral             ");
    if (composite == nullptr) {
        lines.push_back(FormatC("      Amp [%-5.1f to %-5.1f %s]    Freq [%-8.3f to %-8.3f MHz]      ",
                                static_cast<double>(m_fAmpMin), static_cast<double>(m_fAmpMax), unit, start,
                                stop));
        std::string line =
            FormatC("Resolution Bandwidth: %8.6f MHz", static_cast<double>(data->m_ResolutionBandwidth));
        line += offset < 0.0 ? FormatC("     Amplification Value: %6.2f dB        ", -offset)
                             : FormatC("     Attenuator Value: %6.2f dB     ", offset);
        lines.push_back(line);
    } else {
        double low = m_fAmpMin;
        double high = m_fAmpMax;
        if (m_nCompositeTab == 0) {
            low = m_fAmpMinFull;
            high = m_fAmpMaxFull;
        } else if (m_nCompositeTab == 2) {
            low = m_fAmpMinUser;
            high = m_fAmpMaxUser;
        }
        lines.push_back(FormatC("      Amp[%-5.1f to %-5.1f %s]  Freq[%-8.3f to %-8.3f MHz]      ", low, high,
                                unit, start, stop));
        std::string line = FormatC("   Resolution Bandwidth: %8.6f MHz   ",
                                   static_cast<double>(data->m_ResolutionBandwidth));
        line += offset < 0.0 ? FormatC("   Amplification Value: %6.2f dB   ", -offset)
                             : FormatC("   Attenuator Value: %6.2f dB   ", offset);
        lines.push_back(line);
    }
    lines.push_back(FormatC("      Scanner Module: %s      ", data->m_ModuleText.c_str()));
    lines.push_back(FormatC("   Date: %s   ", data->m_DateText.c_str()));
    return lines;
}

void CSpectralView::DrawHeader(QPainter& painter) {
    if (m_bReady == 0) {
        return;
    }
    const int width = m_bCopyRender != 0 ? m_nCopyWidth : viewport()->width();
    const uint32_t background = m_bCopyRender != 0 ? m_crWhite : m_crBackground;
    const std::vector<std::string> lines = BuildHeaderLines();
    if (lines.empty()) {
        return;
    }
    static constexpr std::array<std::pair<int, int>, 5> kStrips{
        {{0, 18}, {20, 35}, {35, 50}, {50, 65}, {65, 80}}};
    painter.save();
    painter.fillRect(0, 0, width, kStrips.back().second, ColorRefToQColor(background));
    painter.setPen(Qt::black);
    for (size_t i = 0; i < lines.size() && i < kStrips.size(); ++i) {
        const QRect strip(0, kStrips[i].first, width, kStrips[i].second - kStrips[i].first);
        // Whole on a narrow pane: the line's font steps down until it fits.
        DrawFittedLine(painter, strip, CodePageToQString(lines[i]), ArialFont(i == 0 ? 16 : 14, 400),
                       kSmallestHeaderPixels);
    }
    painter.restore();
}

} // namespace orv
