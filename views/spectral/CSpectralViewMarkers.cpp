// The marks of CSpectralView: frequency markers (single points and ranges) shared with the spatial
// pane of the frame, the delta marker, the peak circles and the hover read-out.

#include "app/QtConversions.h"
#include "app/controls/FillGradientRect.h"
#include "core/QScannerContext.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "core/UnitConversion.h"
#include "platform/CLocale.h"
#include "project/QNodeMediator.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "views/spectral/CSpectralView.h"
#include "views/spectral/QLinkedSpatialPane.h"
#include "views/spectral/SpectralPainting.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

namespace orv {

using namespace spectral_painting;

namespace {

bool ValidIndex(const CSpectralDrawPoint* set, int32_t k) {
    return set != nullptr && k >= 0 && k < set->m_Count;
}

} // namespace

// --- The shown scan and its marker list ---

CScanData* CSpectralView::FindShownScanData() const {
    if (m_pScanData != nullptr) {
        return m_pScanData;
    }
    if (m_pMediator == nullptr) {
        return nullptr;
    }
    switch (m_nDisplayMode) {
    case kModeSpectral:
        return m_pMediator->GetCurrentSpectralScanData();
    case kModeSpectralSpatial:
    case kModeLinkedSpectralSpatial:
        return m_pMediator->GetCurrentSpectralSpatialScanData();
    case kModeHandHeld:
        return m_pMediator->GetCurrentHandHeldScanData();
    case kModeComparison:
        if (m_nComparisonTab == 2) {
            return m_pMediator->GetComparedResult();
        }
        return m_pMediator->GetComparedScan(m_nComparisonTab == 1);
    case kModeOverlay: {
        // Both traces (tab 2) are marked on the test scan's.
        CScanData* test = m_pMediator->GetComparedScan(false);
        if (m_nOverlayTab == 1 || (m_nOverlayTab == 2 && test == nullptr)) {
            return m_pMediator->GetComparedScan(true);
        }
        return test;
    }
    default:
        return nullptr;
    }
}

std::vector<_FrequencyMarkerPoint>* CSpectralView::GetSelectedFrequencyList() {
    if (m_pMediator == nullptr) {
        return nullptr;
    }
    if (m_nNodeKind == kTypeSpectralSpatialUserCompositeNode) {
        return &m_pMediator->GetSelectedFrequencyMarkers();
    }
    CScanData* data = FindShownScanData();
    return data != nullptr ? &data->m_FrequencyMarkers : nullptr;
}

void CSpectralView::GetSelectedFrequencies(std::vector<_FrequencyMarkerPoint>& out) {
    out.clear();
    if (const std::vector<_FrequencyMarkerPoint>* list = GetSelectedFrequencyList()) {
        out = *list;
    }
}

void CSpectralView::SetSelectedFrequencies(std::vector<_FrequencyMarkerPoint> markers) {
    if (std::vector<_FrequencyMarkerPoint>* list = GetSelectedFrequencyList()) {
        *list = std::move(markers);
    }
}

void CSpectralView::UpdateLinkedSpatialPane() {
    QSpatialViewInterface* spatial = m_pFrame != nullptr ? m_pFrame->GetSpatialView() : nullptr;
    if (auto* pane = dynamic_cast<QLinkedSpatialPane*>(spatial)) {
        pane->UpdateSelectedFrequencies();
    }
}

void CSpectralView::ToggleSelectedFrequency(int32_t index) {
    std::vector<_FrequencyMarkerPoint>* list = GetSelectedFrequencyList();
    if (list != nullptr && index >= 0 && static_cast<size_t>(index) < list->size()) {
        // Taken out and put back, so that whoever holds the list sees one change.
        const auto at = list->begin() + index;
        _FrequencyMarkerPoint marker = *at;
        list->erase(at);
        marker.m_Selected = marker.m_Selected != 0 ? 0 : 1;
        list->insert(list->begin() + index, marker);
        UpdateLinkedSpatialPane();
    }
    if (FindShownScanData() != nullptr) {
        PostRelayout();
    }
}

void CSpectralView::SetDeltaMarker(int32_t drawIndex) {
    CScanData* data = FindShownScanData();
    if (data == nullptr) {
        return;
    }
    const CSpectralDrawPoint* set = m_pTrace.get();
    if (m_nDisplayMode == kModeSpectralSpatial && !m_pSecondPoints.empty() && m_nCompositeTab == 2) {
        set = m_pSecondTrace.get();
    }
    if (!ValidIndex(set, drawIndex)) {
        return;
    }
    const auto k = static_cast<size_t>(drawIndex);
    const float frequency = set->m_Frequencies[k];
    if (data->m_DeltaMarkerActive != 0 && frequency == data->m_DeltaMarkerFrequency) {
        // Cleared: a later click on the same point sets it again.
        data->m_DeltaMarkerActive = 0;
        data->m_DeltaMarkerFrequency = -1.0F;
    } else {
        data->m_DeltaMarkerActive = 1;
        data->m_DeltaMarkerFrequency = frequency;
        data->m_DeltaMarkerAmplitude = set->m_Amplitudes[k];
    }
    data->m_DeltaMarkerIndex = drawIndex;
    PostRelayout();
}

void CSpectralView::AddOrRemoveFrequencyMarker(int32_t drawIndex) {
    if (FindShownScanData() == nullptr || !ValidIndex(m_pTrace.get(), drawIndex)) {
        return;
    }
    std::vector<_FrequencyMarkerPoint>* list = GetSelectedFrequencyList();
    if (list == nullptr) {
        return;
    }
    const CSpectralDrawPoint& set = *m_pTrace;
    const auto k = static_cast<size_t>(drawIndex);
    const int32_t p = set.m_PointIndexes[k];
    const bool inRange = std::any_of(list->begin(), list->end(), [p](const _FrequencyMarkerPoint& marker) {
        return marker.m_LastIndex != -1 && marker.m_FirstIndex <= p && p <= marker.m_LastIndex;
    });
    if (inRange) {
        return;
    }
    const auto existing = std::find_if(list->begin(), list->end(), [p](const _FrequencyMarkerPoint& marker) {
        return marker.m_FirstIndex == p;
    });
    if (existing != list->end()) {
        list->erase(existing);
    } else {
        _FrequencyMarkerPoint marker;
        marker.m_FirstIndex = p;
        marker.m_Frequency = set.m_PeakFlags[k] != 0 ? set.m_PeakFrequencies[k] : set.m_Frequencies[k];
        marker.m_Selected = 1;
        marker.m_LastIndex = -1;
        if (m_bSingleMarker != 0) {
            list->clear();
        }
        const auto before = std::find_if(list->begin(), list->end(), [p](const _FrequencyMarkerPoint& other) {
            return other.m_FirstIndex > p;
        });
        list->insert(before, marker);
    }
    UpdateLinkedSpatialPane();
    PostRelayout();
}

// --- Drawing the marks ---

const char* CSpectralView::AmplitudeFormat() const {
    // The unit that was drawn: field strength only when the last load applied the correction.
    if (m_bCorrectionApplied != 0) {
        return "%-6.2f dBuA/m";
    }
    return DisplayUnit() == kAmplitudeUnitDbuV ? "%-6.2f dBuV" : "%-6.2f dBm";
}

int32_t CSpectralView::DrawValueBox(QPainter& painter, int32_t left, int32_t width, int32_t valueOffset,
                                    const std::string& label, const std::string& amplitude,
                                    const std::string& frequency) {
    painter.save();
    painter.setFont(ArialFont(13, 400));
    const QFontMetrics metrics(painter.font());
    auto advance = [&](const std::string& text) {
        return metrics.horizontalAdvance(CodePageToQString(text));
    };
    // The values stand at their offset unless the label reaches it; the box holds them whole.
    const int valueX = std::max(valueOffset, 2 + advance(label) + 4);
    width = std::max(width, valueX + std::max(advance(amplitude), advance(frequency)) + 4);
    FillGradientRect(painter, left, 4, left + width, 34, kDeltaBoxColour, true);
    painter.setPen(Qt::black);
    TextAt(painter, left + 2, 6, label);
    TextAt(painter, left + valueX, 6, amplitude);
    TextAt(painter, left + valueX, 18, frequency);
    painter.restore();
    return width;
}

const std::vector<QPoint>& CSpectralView::DrawPositions(const CSpectralDrawPoint& set) const {
    return m_bLogAxis ? set.m_LogPositions : set.m_Positions;
}

void CSpectralView::DrawDeltaMarker(QPainter& painter) {
    CScanData* data = m_pScanData;
    if (data == nullptr || data->m_DeltaMarkerActive == 0) {
        return;
    }
    const CSpectralDrawPoint* set = m_pTrace.get();
    if ((m_nDisplayMode == kModeSpectralSpatial || m_nDisplayMode == kModeHandHeld ||
         m_nDisplayMode == kModeLinkedSpectralSpatial) &&
        m_pSecondTrace != nullptr && m_nCompositeTab == 2) {
        set = m_pSecondTrace.get();
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (set != nullptr) {
        const std::vector<QPoint>& positions = DrawPositions(*set);
        for (int32_t j = 0; j < set->m_Count; ++j) {
            const auto k = static_cast<size_t>(j);
            if (set->m_Frequencies[k] != data->m_DeltaMarkerFrequency) {
                continue;
            }
            // The amplitude in the unit drawn now (the unit may have changed since it was set).
            data->m_DeltaMarkerAmplitude = set->m_Amplitudes[k];
            const int x = positions[k].x();
            const int y = positions[k].y();
            const std::array<QPoint, 4> triangle{QPoint(x, y), QPoint(x - 5, y - 7), QPoint(x + 5, y - 7),
                                                 QPoint(x, y)};
            painter.setPen(SolidPen(kDeltaMarkerColour));
            painter.drawPolyline(triangle.data(), static_cast<int>(triangle.size()));
            break;
        }
    }
    if (data->m_DeltaMarkerFrequency != -1.0F) {
        m_nDeltaBoxOffset = m_nNodeKind == kTypeSpectralSpatialScanNode ? 70 : 10;
        m_nDeltaBoxWidth = DrawValueBox(
            painter, m_nAxisLeft + m_nDeltaBoxOffset, 150, 70,
            "Delta Marker:", FormatC(AmplitudeFormat(), static_cast<double>(data->m_DeltaMarkerAmplitude)),
            FormatC("%-8.3f MHz", static_cast<double>(data->m_DeltaMarkerFrequency)));
    }
    painter.restore();
}

void CSpectralView::DrawFrequencyMarkers(QPainter& painter) {
    if (m_pScanData == nullptr || m_pTrace == nullptr || m_pTrace->m_Count < 1) {
        return;
    }
    const QSpectralDisplayOptions* options = NodeOptions();
    if (options != nullptr && options->HidesMarkers()) {
        return;
    }
    const std::vector<_FrequencyMarkerPoint>* list = GetSelectedFrequencyList();
    if (list == nullptr || list->empty()) {
        return;
    }
    const CSpectralDrawPoint& set = *m_pTrace;
    const std::vector<QPoint>& positions = DrawPositions(set);
    const int32_t count = set.m_Count;
    const int32_t firstDrawn = set.m_PointIndexes[0];
    const int32_t lastDrawn = set.m_PointIndexes[static_cast<size_t>(count - 1)];
    // The draw points hold the visible points in order, one each.
    auto drawIndexOf = [&](int32_t pointIndex) -> int32_t {
        const int64_t j = static_cast<int64_t>(pointIndex) - firstDrawn;
        if (j < 0 || j >= count || set.m_PointIndexes[static_cast<size_t>(j)] != pointIndex) {
            return -1;
        }
        return static_cast<int32_t>(j);
    };
    const uint8_t exclude = m_nNodeKind == kTypeSpectralSpatialUserCompositeNode && m_pMediator != nullptr
                                ? m_pMediator->GetMarkerFlag()
                                : m_pScanData->m_MarkerFlag;
    const int top = m_nAxisTop;
    const int height = m_nAxisHeight;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const _FrequencyMarkerPoint& marker : *list) {
        const bool selected = marker.m_Selected != 0;
        if (marker.m_LastIndex == -1) {
            const int32_t j = drawIndexOf(marker.m_FirstIndex);
            if (j < 0) {
                continue;
            }
            const QPoint at = positions[static_cast<size_t>(j)];
            painter.setPen(SolidPen(selected ? kSelectedMarkerColour : kMarkerColour, 2));
            painter.drawLine(at.x() - 4, at.y() - 4, at.x() + 4, at.y() + 4);
            painter.drawLine(at.x() + 4, at.y() - 4, at.x() - 4, at.y() + 4);
            continue;
        }
        const int32_t js = drawIndexOf(marker.m_FirstIndex);
        const int32_t je = drawIndexOf(marker.m_LastIndex);
        int xs = 0;
        int xe = 0;
        if (js >= 0 || je >= 0) {
            xs = positions[static_cast<size_t>(js >= 0 ? js : 0)].x();
            xe = positions[static_cast<size_t>(je >= 0 ? je : count - 1)].x();
        } else if (marker.m_FirstIndex <= firstDrawn && lastDrawn <= marker.m_LastIndex) {
            xs = positions.front().x();
            xe = positions[static_cast<size_t>(count - 1)].x();
        } else {
            continue;
        }
        const uint32_t argb = !selected ? kBandArgb : exclude != 0 ? kExcludedBandArgb : kSelectedBandArgb;
        if (xe > xs) {
            painter.fillRect(QRect(xs, top, xe - xs, height), QColor::fromRgba(argb));
        }
    }
    painter.restore();
}

bool CSpectralView::DrawPeakCircles(QPainter& painter, CScanData* scan) {
    if (m_pTrace == nullptr || m_pTrace->m_Count < 1 || m_nVisibleCount < 1) {
        return false;
    }
    CSpectralDrawPoint& set = *m_pTrace;
    std::fill(set.m_PeakFlags.begin(), set.m_PeakFlags.end(), uint8_t{0});
    const QSpectralDisplayOptions* options = NodeOptions();
    if (scan == nullptr || m_pMediator == nullptr || options == nullptr || !options->MarksPeaks()) {
        return true;
    }
    bool eligible = false;
    switch (m_nDisplayMode) {
    case kModeSpectral:
        eligible = true;
        break;
    case kModeSpectralSpatial:
        eligible = m_nCompositeTab != 2;
        break;
    case kModeComparison:
        eligible = m_nComparisonTab != 2;
        break;
    case kModeOverlay:
        eligible = m_nOverlayTab != 2;
        break;
    default:
        break;
    }
    if (!eligible || scan->GetCount() == 0) {
        return true;
    }
    std::vector<uint32_t> indexes;
    std::vector<float> frequencies;
    m_pMediator->FindPeaks(*scan, indexes, frequencies);
    if (indexes.empty()) {
        return true;
    }
    // Point index -> the peak's frequency (the first peak listed at an index wins).
    std::vector<std::pair<uint32_t, float>> peaks;
    peaks.reserve(indexes.size());
    for (size_t i = 0; i < indexes.size(); ++i) {
        peaks.emplace_back(indexes[i], i < frequencies.size() ? frequencies[i] : 0.0F);
    }
    std::stable_sort(peaks.begin(), peaks.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    auto findPeak = [&](int32_t pointIndex) -> const std::pair<uint32_t, float>* {
        if (pointIndex < 0) {
            return nullptr;
        }
        const auto at = std::lower_bound(peaks.begin(), peaks.end(), static_cast<uint32_t>(pointIndex),
                                         [](const auto& peak, uint32_t value) { return peak.first < value; });
        return at != peaks.end() && at->first == static_cast<uint32_t>(pointIndex) ? &*at : nullptr;
    };
    const uint32_t colour =
        m_nDisplayMode == kModeOverlay && m_nOverlayTabShown == 1 ? kSecondTraceColour : kTraceColour;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(SolidPen(colour, 2));
    painter.setBrush(Qt::NoBrush);
    const std::vector<QPoint>& positions = DrawPositions(set);
    bool previousIsPeak = false;
    for (int32_t j = 0; j < set.m_Count; ++j) {
        const auto k = static_cast<size_t>(j);
        const auto* peak = findPeak(set.m_PointIndexes[k]);
        if (peak != nullptr && !previousIsPeak) {
            set.m_PeakFlags[k] = 1;
            set.m_PeakFrequencies[k] = peak->second;
            set.m_Frequencies[k] = peak->second;
            if (m_bAmpAuto != 0 || set.m_Amplitudes[k] <= static_cast<float>(m_nAmpAxisMax) + 1.0F) {
                painter.drawEllipse(positions[k], 7, 7);
            }
        }
        previousIsPeak = peak != nullptr;
    }
    painter.restore();
    return true;
}

// --- The hover read-out ---

bool CSpectralView::FindHoverPoint(int32_t x, int32_t /*y*/, int32_t& minIndex, int32_t& maxIndex,
                                   int32_t& firstIndex, int32_t& lastIndex) const {
    minIndex = -1;
    maxIndex = -1;
    firstIndex = -1;
    lastIndex = -1;
    if (m_pTrace == nullptr || m_pTrace->m_Count < 1) {
        return false;
    }
    const CSpectralDrawPoint& set = *m_pTrace;
    const std::vector<QPoint>& positions = DrawPositions(set);
    const double perPoint =
        m_nVisibleCount > 0 ? static_cast<double>(m_nAxisWidth) / static_cast<double>(m_nVisibleCount) : 1.0;
    if (perPoint >= 10.0) {
        for (int32_t j = 0; j < set.m_Count; ++j) {
            const auto k = static_cast<size_t>(j);
            if (std::abs(positions[k].x() - x) < 4) {
                firstIndex = j;
                lastIndex = j;
                if (set.m_Amplitudes[k] > -1000.0F && set.m_Amplitudes[k] < 1000.0F) {
                    minIndex = j;
                    maxIndex = j;
                }
                return true;
            }
        }
        return false;
    }
    float highest = -1000.0F;
    float lowest = 1000.0F;
    for (int32_t j = 0; j < set.m_Count; ++j) {
        const auto k = static_cast<size_t>(j);
        if (positions[k].x() != x) {
            if (firstIndex >= 0) {
                break;
            }
            continue;
        }
        if (firstIndex < 0) {
            firstIndex = j;
        }
        lastIndex = j;
        const float amplitude = set.m_Amplitudes[k];
        if (amplitude > highest) {
            highest = amplitude;
            maxIndex = j;
        }
        if (amplitude < lowest) {
            lowest = amplitude;
            minIndex = j;
        }
    }
    return firstIndex >= 0;
}

QRect CSpectralView::PlaceReadoutBox(const QFont& font, int32_t x, int32_t y, int32_t scrollX,
                                     int32_t scrollY, const std::string& text) const {
    const QFontMetrics metrics(font);
    const int w = metrics.horizontalAdvance(CodePageToQString(text));
    const int h = metrics.height();
    if (x + 15 + w < m_rcPlot.right() + 35) {
        return {x - scrollX + 15, y - scrollY - 15, w, h};
    }
    return {x - scrollX - 12 - w, y - scrollY - 15, w, h};
}

std::string CSpectralView::ReadoutText(const CSpectralDrawPoint& set, int32_t k) const {
    const auto i = static_cast<size_t>(k);
    const double amplitude = set.m_Amplitudes[i];
    float frequency = set.m_Frequencies[i];
    if (m_nDisplayMode == kModeComparison && m_nComparisonTab == 2) {
        // A peak of the test scan shows the frequency found for it rather than the grid's.
        const auto* test = m_pMediator != nullptr
                               ? dynamic_cast<const CSpectralScanData*>(m_pMediator->GetComparedScan(false))
                               : nullptr;
        if (test != nullptr) {
            for (const QMeasuredFrequencyData::Entry& peak : test->m_MeasuredFrequencies) {
                if (test->m_StartFrequency + static_cast<float>(peak.m_Index) * test->m_FrequencyStep ==
                    frequency) {
                    frequency = peak.m_Frequency;
                    break;
                }
            }
        }
        return FormatC("Amp:%-6.2f Freq:%-8.3f", amplitude, static_cast<double>(frequency));
    }
    QNodeMediator* preferences = m_pMediator != nullptr ? m_pMediator->GetPreferencesMediator() : nullptr;
    const QSpatialDisplayOptions* spatial =
        preferences != nullptr ? preferences->GetSpatialDisplayOptions() : nullptr;
    const int row = set.m_Rows[i];
    const int column = set.m_Columns[i];
    if (spatial == nullptr || !spatial->UsesScannerLabels()) {
        return FormatC("Row:%-2d Col:%-2d  Amp:%-6.2f Freq:%-8.3f", row, column, amplitude,
                       static_cast<double>(frequency));
    }
    const QScannerContext& context = GetScannerContext();
    const std::string label = column < context.GetColumnLabelCount() ? context.GetColumnLabel(column).m_text
                                                                     : FormatC("%d", column);
    return FormatC("Row:%-2d Col:%s  Amp:%-6.2f Freq:%-8.3f", row + 1, label.c_str(), amplitude,
                   static_cast<double>(frequency));
}

void CSpectralView::DrawReadout(int32_t x, int32_t y) {
    if (m_nDisplayMode == kModeSpectralSpatial || m_nDisplayMode == kModeHandHeld) {
        return;
    }
    CScanData* data = FindShownScanData();
    if (data == nullptr || m_pTrace == nullptr || m_pTrace->m_Count < 1 || x <= m_nMarginLeft) {
        return;
    }
    int32_t minIndex = -1;
    int32_t maxIndex = -1;
    int32_t firstIndex = -1;
    int32_t lastIndex = -1;
    if (!FindHoverPoint(x, y, minIndex, maxIndex, firstIndex, lastIndex) || maxIndex < 0) {
        return;
    }
    const int32_t k = maxIndex;
    const auto ki = static_cast<size_t>(k);
    const CSpectralDrawPoint& set = *m_pTrace;
    m_ptLastReadout = QPoint(x, y);
    m_ptHover = QPoint(x, y);
    m_nHoverIndex = k;

    if (data->m_DeltaMarkerActive != 0 && data->m_DeltaMarkerFrequency != -1.0F && !m_bmpPlot.isNull()) {
        // Drawn into the plot image, just right of the delta marker's box: it stays until the next
        // render.
        QPainter image(&m_bmpPlot);
        DrawValueBox(
            image, m_nMarginLeft + m_nDeltaBoxOffset + m_nDeltaBoxWidth + 5, 110, 35, "Delta:",
            FormatC(AmplitudeFormat(),
                    static_cast<double>(set.m_Amplitudes[ki] - data->m_DeltaMarkerAmplitude)),
            FormatC("%-8.3f MHz", static_cast<double>(set.m_Frequencies[ki] - data->m_DeltaMarkerFrequency)));
    }

    m_bBandShown = false;
    m_readout = Readout{};
    const int sx = horizontalScrollBar()->value();
    const int sy = verticalScrollBar()->value();
    // Bitmap to client: the header above, the scroll position off.
    const QPoint shift(-sx, m_nHeaderHeight - sy);
    const std::vector<QPoint>& positions = DrawPositions(set);
    m_readout.shown = true;
    m_readout.axis = QRect(m_nAxisLeft, m_nAxisTop, m_nAxisWidth, m_nAxisHeight).translated(shift);
    m_readout.point = positions[ki] + shift;
    const bool bothTraces = m_nDisplayMode == kModeOverlay && m_nOverlayTab == 2 && m_nBothTracesShown != 0;
    // Equal steps do not make the two sets equally long: the second needs a point k of its own.
    const bool second = bothTraces && ValidIndex(m_pSecondTrace.get(), k);
    if (second) {
        m_readout.hasSecond = true;
        m_readout.secondPoint = DrawPositions(*m_pSecondTrace)[ki] + shift;
    }
    m_nReadoutIndex = k;

    m_readout.fontSize = m_nBitmapWidth > 800 ? 16 : 14;
    const QFont font = ArialFont(m_readout.fontSize, 400);
    m_readout.text = ReadoutText(set, k);
    if (m_nDisplayMode == kModeOverlay && m_nOverlayTab == 1) {
        m_readout.textColour = kReadoutReferenceTextColour;
    }
    if (set.m_PeakFlags[ki] != 0) {
        m_readout.background = kReadoutPeakBackground;
    }
    m_readout.secondTextColour = m_readout.textColour;
    m_readout.secondBackground = m_readout.background;
    m_readout.box = PlaceReadoutBox(font, x, y, sx, sy, m_readout.text);
    if (second) {
        m_readout.secondText = ReadoutText(*m_pSecondTrace, k);
        m_readout.secondBox = PlaceReadoutBox(font, x, y + 13, sx, sy, m_readout.secondText);
    }
    RequestOverlayRepaint();
}

void CSpectralView::PaintReadout(QPainter& painter) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (m_bBandShown && m_nBandRight > m_nBandLeft) {
        const int sy = verticalScrollBar()->value();
        painter.fillRect(
            QRect(m_nBandLeft, m_rcPlot.top() - sy, m_nBandRight - m_nBandLeft, m_rcPlot.height()),
            QColor::fromRgba(kDragBandArgb));
    }
    if (m_readout.shown) {
        const QRect& axis = m_readout.axis;
        auto crossHair = [&](QPoint at) {
            painter.setPen(SolidPen(kCrossHairColour));
            painter.drawLine(axis.left(), at.y(), axis.right(), at.y());
            QPen dotted = SolidPen(kCrossHairColour);
            dotted.setStyle(Qt::DotLine);
            painter.setPen(dotted);
            painter.drawLine(at.x(), axis.top(), at.x(), axis.bottom());
            painter.setPen(SolidPen(kCrossHairCircleColour));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(at, 6, 6);
        };
        if (m_readout.hasPrimary) {
            crossHair(m_readout.point);
        }
        if (m_readout.hasSecond) {
            crossHair(m_readout.secondPoint);
        }
        painter.setFont(ArialFont(m_readout.fontSize, 400));
        auto line = [&](const QRect& box, const std::string& text, uint32_t colour, uint32_t background) {
            painter.fillRect(box, ColorRefToQColor(background));
            painter.setPen(ColorRefToQColor(colour));
            painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                             CodePageToQString(text));
        };
        if (m_readout.hasPrimary) {
            line(m_readout.box, m_readout.text, m_readout.textColour, m_readout.background);
        }
        if (!m_readout.secondText.empty()) {
            line(m_readout.secondBox, m_readout.secondText, m_readout.secondTextColour,
                 m_readout.secondBackground);
        }
    }
    painter.restore();
}

void CSpectralView::RequestOverlayRepaint() {
    if (!m_bPainting) {
        viewport()->update();
    }
}

void CSpectralView::BlitPlot() {
    m_readout.shown = false;
    m_bBandShown = false;
    RequestOverlayRepaint();
}

} // namespace orv
