#include "views/spectral/CSpectralOverlayView.h"

#include "views/spectral/SpectralPainting.h"

#include "app/QtConversions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "core/UnitConversion.h"
#include "platform/CLocale.h"
#include "platform/sync/CriticalSection.h"
#include "project/QNodeMediator.h"
#include "scandata/CSpectralScanData.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <utility>

namespace orv {

using namespace spectral_painting;

namespace {

size_t PointCountOf(const CSpectralScanData& scan) {
    return scan.GetPointFormat() == CSpectralScanData::kMirtPoints ? scan.GetMirtPoints().size()
                                                                   : scan.GetFloatPoints().size();
}

} // namespace

// --- The scans shown ---

CScanData* CSpectralOverlayView::FindShownScanData() const {
    if (m_pScanData != nullptr || !ShowsBothScans() || m_pMediator == nullptr) {
        return CSpectralView::FindShownScanData();
    }
    return m_pMediator->GetComparedResult();
}

bool CSpectralOverlayView::TakeCommonPoints(CSpectralScanData& scan, float low, float high, bool correction,
                                            int unit, std::vector<TracePoint>& out, float& lowest,
                                            float& highest) {
    const bool mirt = scan.GetPointFormat() == CSpectralScanData::kMirtPoints;
    const std::vector<QSpectralPoint>& mirtPoints = scan.GetMirtPoints();
    const std::vector<CFloatSpectralPoint>& floatPoints = scan.GetFloatPoints();
    const size_t count = PointCountOf(scan);
    const float step = scan.m_FrequencyStep;
    const float start = scan.m_StartFrequency;
    // Corrected levels are field strengths, converted as dBuV whatever the node's unit.
    const int pointUnit = correction ? kAmplitudeUnitDbuV : unit;
    for (size_t i = 0; i < count; ++i) {
        const float f = static_cast<float>(i) * step + start;
        if (f < low) {
            continue;
        }
        if (f > high) {
            break;
        }
        TracePoint point;
        float value = 0.0F;
        if (mirt) {
            value = static_cast<float>(mirtPoints[i].m_Amplitude);
            point.m_Words = {mirtPoints[i].m_Row, mirtPoints[i].m_Column, 0, 0};
        } else {
            const CFloatSpectralPoint& source = floatPoints[i];
            value = std::clamp(FiniteAmplitude(source.m_Amplitude), -kValueLimit, kValueLimit);
            point.m_Words = {source.m_Row, source.m_Column, source.m_SubRow, source.m_SubColumn};
        }
        if (correction) {
            int32_t corrected = 0;
            if (!scan.GetCompensatedValue(SaturateInt(value), static_cast<uint32_t>(i), corrected)) {
                return false;
            }
            value = static_cast<float>(corrected);
        }
        value = ConvertAmplitudeToUnit(value, pointUnit) + scan.m_LevelOffset;
        point.m_Amplitude = value;
        point.m_Frequency = scan.GetFrequency(static_cast<int32_t>(i));
        point.m_SourceIndex = static_cast<int32_t>(i);
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
        out.push_back(point);
    }
    return true;
}

bool CSpectralOverlayView::LoadTraceData(bool reset, bool& needsData) {
    needsData = false;
    if (m_pMediator == nullptr) {
        return false;
    }
    const bool correction = CorrectionPreference();
    const int unit = DisplayUnit();
    if (reset) {
        ForgetScanPointers();
    }
    if (!ShowsBothScans()) {
        return CSpectralView::LoadTraceData(false, needsData);
    }
    auto* test = dynamic_cast<CSpectralScanData*>(m_pMediator->GetComparedScan(false));
    auto* reference = dynamic_cast<CSpectralScanData*>(m_pMediator->GetComparedScan(true));
    if (test == nullptr || reference == nullptr) {
        // No hint: the tab takes no dropped scan.
        return false;
    }
    test->Prepare();
    reference->Prepare();
    m_nOverlayTabShown = m_nOverlayTab;
    if (m_pMediator->IsComparedResultChanged()) {
        m_pMediator->ClearComparedResultChanged();
        // Null when the two cannot be laid over each other (no shared range, no step, mixed kinds).
        m_pMediator->SetComparedResult(test->CreateOverlayWith(*reference));
    }
    CScanData* result = m_pMediator->GetComparedResult();
    if (result != nullptr) {
        result->Prepare();
    }
    m_pScanData = result;
    m_pSpectralData = test;
    m_pSecondData = reference;
    m_bZoomed = result != nullptr ? result->m_SpectralZoomed : 0;
    if (m_bReload == 0) {
        return true;
    }
    m_bReload = 0;

    m_nBothTracesShown = test->m_FrequencyStep == reference->m_FrequencyStep ? 1 : 0;
    const float low = std::max(test->m_StartFrequency, reference->m_StartFrequency);
    const float high = std::min(test->m_StopFrequency, reference->m_StopFrequency);
    float lowest = 10000.0F;
    float highest = -10000.0F;
    auto build = [&](bool correct) {
        m_pPoints.clear();
        m_pSecondPoints.clear();
        m_pPoints.reserve(PointCountOf(*test));
        m_pSecondPoints.reserve(std::max(PointCountOf(*test), PointCountOf(*reference)) + 100);
        lowest = 10000.0F;
        highest = -10000.0F;
        return TakeCommonPoints(*test, low, high, correct, unit, m_pPoints, lowest, highest) &&
               TakeCommonPoints(*reference, low, high, correct, unit, m_pSecondPoints, lowest, highest);
    };
    bool corrected = correction;
    {
        // The scans change under the first section: it is held only while the points are taken.
        const std::lock_guard<CriticalSection> guard(m_pMediator->GetFirstCriticalSection());
        // A scan that refuses the correction stops it: both traces are then drawn in one unit.
        if (!build(corrected)) {
            corrected = false;
            build(false);
        }
    }
    m_bCorrectionApplied = corrected ? 1 : 0;
    if (!m_pPoints.empty()) {
        m_pPoints.back().m_Frequency = high;
    }
    if (!m_pSecondPoints.empty()) {
        m_pSecondPoints.back().m_Frequency = high;
    }

    const auto count = static_cast<int32_t>(m_pPoints.size());
    bool windowKept = false;
    if (m_bZoomed != 0 && result != nullptr && count > 0) {
        const int32_t first = std::clamp(result->m_SpectralZoomFirst, 0, count - 1);
        const int32_t last = std::clamp(result->m_SpectralZoomLast, 0, count - 1);
        if (first <= last) {
            m_nZoomFirst = first;
            m_nZoomLast = last;
            m_zoomHistory = result->m_SpectralZoomHistory;
            windowKept = true;
        }
    }
    if (!windowKept) {
        if (m_bZoomed != 0 && result != nullptr) {
            result->m_SpectralZoomed = 0;
            result->m_SpectralZoomHistory.clear();
        }
        m_bZoomed = 0;
        m_zoomHistory.clear();
        m_nZoomFirst = 0;
        m_nZoomLast = count - 1;
    }
    m_nSecondFirst = 0;
    m_nSecondLast = static_cast<int32_t>(m_pSecondPoints.size()) - 1;
    m_fAmpMin = lowest;
    m_fAmpMax = highest;
    return true;
}

// --- Drawing ---

void CSpectralOverlayView::DrawTraces(QPainter& painter) {
    if (m_nAxisWidth < 1 || m_nAxisHeight < 1) {
        return;
    }
    ComputeVisibleRange();
    m_bLogAxis = false;
    m_pTrace.reset();
    m_pSecondTrace.reset();
    if (m_nVisibleCount < 1) {
        return;
    }
    const QSpectralDisplayOptions* options = NodeOptions();
    const float firstFrequency = m_pPoints[static_cast<size_t>(m_nFirstVisible)].m_Frequency;
    const float lastFrequency = m_pPoints[static_cast<size_t>(m_nLastVisible)].m_Frequency;
    m_bLogAxis = options != nullptr && options->IsLogFrequencyAxis() && firstFrequency > 0.0F;
    const double origin = AxisValue(firstFrequency, m_bLogAxis);
    const double denominator = AxisValue(lastFrequency, m_bLogAxis) - origin;
    if (denominator == 0.0 || !std::isfinite(denominator)) {
        return;
    }
    const double top = m_nAxisTop;
    const double height = m_nAxisHeight;
    const double axisMin = m_nAmpAxisMin;
    const double axisMax = m_nAmpAxisMax;
    const bool clampAmplitude = m_bAmpAuto == 0;
    const bool bothScans = ShowsBothScans();
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
    auto fill = [&](CSpectralDrawPoint& set, const std::vector<TracePoint>& points, int32_t first,
                    int32_t count) {
        set.m_Count = count;
        for (int32_t j = 0; j < count; ++j) {
            const size_t i = static_cast<size_t>(first) + static_cast<size_t>(j);
            const TracePoint& point = points[i];
            const auto k = static_cast<size_t>(j);
            set.m_Positions[k] = QPoint(xOf(point.m_Frequency), yOf(point.m_Amplitude));
            set.m_Amplitudes[k] = point.m_Amplitude;
            set.m_Frequencies[k] = point.m_Frequency;
            set.m_Rows[k] = point.m_Words[0];
            set.m_Columns[k] = point.m_Words[1];
            set.m_PointIndexes[k] = bothScans ? point.m_SourceIndex : static_cast<int32_t>(i);
            set.m_PeakFlags[k] = 0;
            set.m_PeakFrequencies[k] = 0.0F;
            if (m_bLogAxis) {
                set.m_LogPositions[k] = set.m_Positions[k];
            }
        }
    };
    m_pTrace = std::make_unique<CSpectralDrawPoint>(m_nVisibleCount);
    fill(*m_pTrace, m_pPoints, m_nFirstVisible, m_nVisibleCount);

    if (!m_pSecondPoints.empty()) {
        // The reference's visible points by frequency: the last at or below each end of the primary's.
        const auto secondCount = static_cast<int32_t>(m_pSecondPoints.size());
        auto lastAtOrBelow = [&](float frequency) {
            int32_t found = 0;
            for (int32_t i = 0; i < secondCount; ++i) {
                if (m_pSecondPoints[static_cast<size_t>(i)].m_Frequency <= frequency) {
                    found = i;
                } else {
                    break;
                }
            }
            return found;
        };
        m_nSecondFirst = lastAtOrBelow(firstFrequency);
        m_nSecondLast = std::min(lastAtOrBelow(lastFrequency), secondCount - 1);
        const int32_t count = m_nSecondLast - m_nSecondFirst + 1;
        if (count > 0) {
            m_pSecondTrace = std::make_unique<CSpectralDrawPoint>(count);
            fill(*m_pSecondTrace, m_pSecondPoints, m_nSecondFirst, count);
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
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const bool green = m_nDisplayMode == kModeOverlay && m_nOverlayTab == 1;
    painter.setPen(SolidPen(green ? kSecondTraceColour : kTraceColour));
    polyline(*m_pTrace);
    if (m_pSecondTrace != nullptr) {
        painter.setPen(SolidPen(kSecondTraceColour));
        polyline(*m_pSecondTrace);
        if (bothScans) {
            const int w = m_nAxisWidth;
            painter.setFont(ArialFont(14, 400));
            painter.setPen(SolidPen(kTraceColour, 2));
            painter.drawLine(w - 45, 11, w - 25, 11);
            painter.setPen(Qt::black);
            TextAt(painter, w - 20, 4, "Test Spectral");
            painter.setPen(SolidPen(kSecondTraceColour, 2));
            painter.drawLine(w - 45, 26, w - 25, 26);
            painter.setPen(Qt::black);
            TextAt(painter, w - 20, 19, "Reference Spectral");
        }
    }
    painter.restore();
}

void CSpectralOverlayView::MarkPeaks(QPainter& painter, CSpectralDrawPoint& set, CScanData& scan,
                                     uint32_t colour) {
    std::vector<uint32_t> indexes;
    std::vector<float> frequencies;
    m_pMediator->FindPeaks(scan, indexes, frequencies);
    if (indexes.empty()) {
        return;
    }
    // Point index -> the peak's frequency; the first peak listed at an index is the one matched.
    std::vector<std::pair<uint32_t, float>> peaks;
    peaks.reserve(indexes.size());
    for (size_t i = 0; i < indexes.size(); ++i) {
        peaks.emplace_back(indexes[i], i < frequencies.size() ? frequencies[i] : 0.0F);
    }
    std::stable_sort(peaks.begin(), peaks.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    painter.setPen(SolidPen(colour, 2));
    painter.setBrush(Qt::NoBrush);
    const std::vector<QPoint>& positions = DrawPositions(set);
    for (int32_t j = 0; j < set.m_Count; ++j) {
        const auto k = static_cast<size_t>(j);
        const int32_t source = set.m_PointIndexes[k];
        if (source < 0) {
            continue;
        }
        const auto at = std::lower_bound(peaks.begin(), peaks.end(), static_cast<uint32_t>(source),
                                         [](const auto& peak, uint32_t value) { return peak.first < value; });
        if (at == peaks.end() || at->first != static_cast<uint32_t>(source)) {
            continue;
        }
        set.m_PeakFlags[k] = 1;
        set.m_PeakFrequencies[k] = at->second;
        set.m_Frequencies[k] = at->second;
        if (m_bAmpAuto != 0 || set.m_Amplitudes[k] <= static_cast<float>(m_nAmpAxisMax) + 1.0F) {
            painter.drawEllipse(positions[k], 7, 7);
        }
    }
}

bool CSpectralOverlayView::DrawPeakCircles(QPainter& painter, CScanData* scan) {
    if (!ShowsBothScans()) {
        return CSpectralView::DrawPeakCircles(painter, scan);
    }
    if (m_pSpectralData == nullptr || m_pSecondData == nullptr || m_pMediator == nullptr) {
        return true;
    }
    const QSpectralDisplayOptions* options = NodeOptions();
    if (options == nullptr || !options->MarksPeaks()) {
        return true;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (m_pTrace != nullptr) {
        MarkPeaks(painter, *m_pTrace, *m_pSpectralData, kTraceColour);
    }
    if (m_pSecondTrace != nullptr) {
        MarkPeaks(painter, *m_pSecondTrace, *m_pSecondData, kSecondTraceColour);
    }
    painter.restore();
    return true;
}

// --- Menu and header ---

void CSpectralOverlayView::ShowContextMenu(uint32_t /*flags*/, int32_t x, int32_t y) {
    if (m_nNodeKind != kTypeSpectralOverlayNode || m_pMediator == nullptr) {
        return;
    }
    ShowPairContextMenu(m_nOverlayTab, m_pMediator->GetComparedResult() != nullptr, x, y);
}

std::vector<std::string> CSpectralOverlayView::BuildHeaderLines() {
    if (m_nOverlayTab != 2) {
        return CSpectralView::BuildHeaderLines();
    }
    std::vector<std::string> lines;
    if (m_bReady == 0 || m_pMediator == nullptr || m_nDisplayMode != kModeOverlay) {
        return lines;
    }
    auto* test = dynamic_cast<CSpectralScanData*>(m_pMediator->GetComparedScan(false));
    const CScanData* reference = m_pMediator->GetComparedScan(true);
    if (test == nullptr || reference == nullptr) {
        return lines;
    }
    // Field strength only where the traces were drawn corrected.
    const bool compensated =
        CorrectionPreference() && test->PrepareCompensation() && m_bCorrectionApplied != 0;
    const char* unit = compensated ? "dBuA/m" : (DisplayUnit() == kAmplitudeUnitDbuV ? "dBuV" : "dBm");
    const double low = std::max(test->m_StartFrequency, reference->m_StartFrequency);
    const double high = std::min(test->m_StopFrequency, reference->m_StopFrequency);
    lines.emplace_back(compensated ? " Spectral Overlay(Compensated) "
                                   : "             Spectral Overlay            ");
    lines.push_back(FormatC("      Overlay Amplitude[%-5.1f to %-5.1f %s]      ",
                            static_cast<double>(m_fAmpMin), static_cast<double>(m_fAmpMax), unit));
    lines.push_back(FormatC("     Overlay Frequency[%-8.3f to %-8.3f MHz]      ", low, high));
    return lines;
}

} // namespace orv
