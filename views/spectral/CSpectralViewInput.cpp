// How the user moves through a spectrum in CSpectralView: drag zoom, the zoom history, the zoom
// scroll bar and the arrow keys, and the clicks and keys that place markers.

#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "scandata/CScanData.h"
#include "views/spectral/CSpectralView.h"

#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace orv {

bool CSpectralView::FindNearestPointByX(int32_t x, int32_t& index) const {
    index = -1;
    if (x < m_nMarginLeft || m_pTrace == nullptr || m_pTrace->m_Count < 1) {
        return false;
    }
    const std::vector<QPoint>& positions = DrawPositions(*m_pTrace);
    // Pixel positions are far inside 32 bits (the plot saturates them at a million).
    int32_t best = std::numeric_limits<int32_t>::max();
    const QPoint* at = positions.data();
    for (int32_t j = 0; j < m_pTrace->m_Count; ++j) {
        const int32_t distance = std::abs(at[j].x() - x);
        if (distance < best) {
            best = distance;
            index = j;
        }
    }
    return index >= 0;
}

void CSpectralView::StoreZoomWindow(CScanData* data) const {
    if (data == nullptr) {
        return;
    }
    data->m_SpectralZoomed = m_bZoomed;
    data->m_SpectralZoomFirst = m_nZoomFirst;
    data->m_SpectralZoomLast = m_nZoomLast;
}

void CSpectralView::SetScrollPosition(int64_t first, int64_t divisor) {
    // A window as wide as the points leaves nothing to scroll: the thumb stays at the start.
    const int64_t position = divisor > 0 ? first * 100 / divisor : 0;
    m_scrollBar.setValue(static_cast<int>(std::clamp<int64_t>(position, 0, 100)));
}

// --- Mouse ---

void CSpectralView::OnButtonDown(int32_t x, int32_t y) {
    ActivateView();
    setFocus(Qt::MouseFocusReason);
    const QPoint p(x + horizontalScrollBar()->value(), y + verticalScrollBar()->value());
    m_bMouseInPlot = m_rcPlot.contains(p) ? 1 : 0;
    if (m_bMouseInPlot != 0) {
        m_bDragArmed = 1;
        BlitPlot();
        m_ptDragStart = p;
        m_bDragMoved = 0;
    }
}

void CSpectralView::TrackHover(uint32_t /*flags*/, int32_t x, int32_t y) {
    m_bReadoutPending = 0;
    // The window system always reports the mouse leaving: the tracking is armed at once.
    m_bLeaveTracked = 1;
    if ((m_nDisplayMode == kModeComparison && m_nComparisonTab != m_nComparisonTabShown) ||
        (m_nDisplayMode == kModeOverlay && m_nOverlayTab != m_nOverlayTabShown)) {
        return;
    }
    CScanData* data = FindShownScanData();
    if (data == nullptr || m_nFirstVisible == -1 || m_pTrace == nullptr || m_pTrace->m_Count < 1) {
        return;
    }
    const int sx = horizontalScrollBar()->value();
    const QPoint p(x + sx, y + verticalScrollBar()->value());
    if (!m_rcPlot.contains(p)) {
        m_bReadoutPending = 0;
        if (m_bMouseInPlot != 0) {
            if (data->m_DeltaMarkerActive != 0) {
                // The delta read-out sits in the plot image: a render takes it away.
                PostRelayout();
            } else {
                BlitPlot();
            }
        }
        m_bMouseInPlot = 0;
        return;
    }
    m_bMouseInPlot = 1;
    if (m_bDragArmed == 0) {
        m_bReadoutPending = 1;
        DrawReadout(p.x(), p.y());
        return;
    }
    BlitPlot();
    m_bDragMoved = 1;
    m_ptDragEnd = p;
    m_bBandShown = true;
    m_nBandLeft = m_ptDragStart.x() - sx;
    m_nBandRight = p.x() - sx;
    QSpectralDisplayOptions* options = NodeOptions();
    if (options != nullptr && options->HidesMarkers()) {
        options->m_switch5 = 0;
        RenderIntoPlotImage();
    }
    RequestOverlayRepaint();
}

void CSpectralView::OnPlotButtonUp(uint32_t /*flags*/, int32_t x, int32_t y) {
    m_bDragArmed = 0;
    const int sx = horizontalScrollBar()->value();
    if (m_bDragMoved != 0) {
        if (m_bMouseInPlot == 0) {
            return;
        }
        m_bDragMoved = 0;
        m_ptDragEnd = QPoint(x + sx, y + verticalScrollBar()->value());
        // A drag of under 3 pixels is a click however densely the points lie: a wobble of the hand
        // must not zoom into a hundred points.
        if (std::abs(m_ptDragEnd.x() - m_ptDragStart.x()) >= 3) {
            int32_t i0 = -1;
            int32_t i1 = -1;
            CScanData* data = FindShownScanData();
            if (FindNearestPointByX(m_ptDragStart.x(), i0) && FindNearestPointByX(m_ptDragEnd.x(), i1) &&
                i1 - i0 >= m_nZoomStep && data != nullptr) {
                m_nZoomFirst = m_pTrace->m_PointIndexes[static_cast<size_t>(i0)];
                m_nZoomLast = m_pTrace->m_PointIndexes[static_cast<size_t>(i1)];
                m_bZoomed = 1;
                StoreZoomWindow(data);
                m_zoomHistory.push_back(CScanPoint{m_nZoomFirst, m_nZoomLast});
                data->m_SpectralZoomHistory.push_back(CScanPoint{m_nZoomFirst, m_nZoomLast});
                PostRelayout();
            }
            // A wider drag that does not zoom leaves its band until the next read-out.
            return;
        }
    }
    if (m_bMouseInPlot == 0) {
        return;
    }
    int32_t k = -1;
    if (!FindNearestPointByX(x + sx, k)) {
        return;
    }
    if (m_bClickSetsDelta != 0 || m_nNodeKind == kTypeSpectralSpatialUserCompositeNode) {
        SetDeltaMarker(k);
    } else {
        AddOrRemoveFrequencyMarker(k);
    }
}

void CSpectralView::OnMouseLeave() {
    m_bReadoutPending = 0;
    if (m_bLeaveTracked != 0) {
        m_bLeaveTracked = 0;
        if (FindShownScanData() != nullptr) {
            BlitPlot();
        }
    }
}

// --- Zoom scroll bar ---

void CSpectralView::OnZoomScroll(ScrollCode code, int32_t position) {
    const auto n = static_cast<int64_t>(m_pPoints.size());
    if (n == 0) {
        return;
    }
    const int64_t s = m_nZoomStep;
    int64_t first = m_nZoomFirst;
    int64_t last = m_nZoomLast;
    const int64_t w = last - first;
    switch (code) {
    case ScrollCode::LineLeft:
    case ScrollCode::Left:
    case ScrollCode::PageLeft:
        if (first < s) {
            last -= first;
            first = 0;
        } else {
            first -= s;
            last -= s;
        }
        break;
    case ScrollCode::LineRight:
    case ScrollCode::Right:
    case ScrollCode::PageRight:
        if (last + s >= n) {
            first = n - 1 - last + first;
            last = n - 1;
        } else {
            first += s;
            last += s;
        }
        break;
    case ScrollCode::ThumbTrack: {
        const int64_t halfWidth = w / 2;
        const auto span = static_cast<double>(n - 2 * halfWidth - 1);
        first = std::max<int64_t>(static_cast<int64_t>(std::trunc(span * position / 100.0)), 0);
        last = first + w;
        if (last > n - 1) {
            last = n - 1;
            first = last - w;
        }
        break;
    }
    case ScrollCode::ThumbPosition:
    case ScrollCode::EndScroll:
        return;
    }
    first = std::clamp<int64_t>(first, 0, n - 1);
    last = std::clamp<int64_t>(last, first, n - 1);
    m_nZoomFirst = static_cast<int32_t>(first);
    m_nZoomLast = static_cast<int32_t>(last);
    StoreZoomWindow(FindShownScanData());
    RenderIntoPlotImage();
    BlitPlot();
    const int64_t divisor = n - 2 * ((last - first) / 2) - 1;
    // Rounded up, as the bar was placed when the window last moved.
    const int64_t shown = divisor > 0 ? static_cast<int64_t>(std::ceil(static_cast<double>(first) * 100.0 /
                                                                       static_cast<double>(divisor)))
                                      : 0;
    m_scrollBar.setValue(static_cast<int>(std::clamp<int64_t>(shown, 0, 100)));
}

// --- Keys ---

void CSpectralView::OnKeyDown(int key) {
    if (key == Qt::Key_Space) {
        if (m_bMouseInPlot == 0 || m_pTrace == nullptr || m_pTrace->m_Count < 1) {
            return;
        }
        if ((m_nDisplayMode == kModeSpectralSpatial || m_nDisplayMode == kModeHandHeld) &&
            m_bClickSetsDelta == 0) {
            AddOrRemoveFrequencyMarker(m_nReadoutIndex);
        } else {
            SetDeltaMarker(m_nReadoutIndex);
        }
        return;
    }
    StepZoomWithKey(key == Qt::Key_Right);
}

void CSpectralView::StepZoomWithKey(bool right) {
    const auto n = static_cast<int32_t>(m_pPoints.size());
    if (m_bZoomed == 0 || n == 0) {
        return;
    }
    const bool modifier = m_bCtrlDown != 0 || m_bShiftDown != 0;
    int32_t first = m_nZoomFirst;
    int32_t last = m_nZoomLast;
    if (right) {
        if (last >= n - 1) {
            return;
        }
        if (!modifier) {
            ++first;
        }
        ++last;
    } else {
        if (first >= 1) {
            if (!modifier) {
                --first;
            }
        } else if (m_bCtrlDown == 0) {
            return;
        }
        if (last - first > 4) {
            --last;
        }
    }
    if (first == m_nZoomFirst && last == m_nZoomLast) {
        return;
    }
    m_nZoomFirst = first;
    m_nZoomLast = last;
    StoreZoomWindow(FindShownScanData());
    RenderIntoPlotImage();
    BlitPlot();
    SetScrollPosition(first, static_cast<int64_t>(n) - 2 * ((static_cast<int64_t>(last) - first) / 2));
}

// --- Reset and previous zoom ---

void CSpectralView::ResetZoom() {
    if (m_bZoomed == 0) {
        return;
    }
    m_bZoomed = 0;
    m_nZoomFirst = 0;
    m_nZoomLast = static_cast<int32_t>(m_pPoints.size()) - 1;
    StoreZoomWindow(FindShownScanData());
    PostRelayout();
}

void CSpectralView::PreviousZoom() {
    CScanData* data = FindShownScanData();
    if (m_zoomHistory.size() <= 1) {
        // With no entry (a zoom restored from the scan) there is nothing else to return to either.
        m_zoomHistory.clear();
        if (data != nullptr) {
            data->m_SpectralZoomHistory.clear();
        }
        ResetZoom();
        return;
    }
    m_zoomHistory.pop_back();
    if (data != nullptr && !data->m_SpectralZoomHistory.empty()) {
        data->m_SpectralZoomHistory.pop_back();
    }
    const CScanPoint window = m_zoomHistory.back();
    m_nZoomFirst = window.m_X;
    m_nZoomLast = window.m_Y;
    m_bZoomed = 1;
    StoreZoomWindow(data);
    PostRelayout();
}

} // namespace orv
