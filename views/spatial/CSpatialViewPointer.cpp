// What the pointer and the keys do over the heat map of CSpatialView: the hit test (plain or
// interpolated), the cell read-out, cell selection by click, zoom by dragging with its history, the
// wheel over the board overlay and the arrow keys that move it.

#include "app/QtConversions.h"
#include "core/QOverlayOptions.h"
#include "core/QScannerContext.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/debug/DebugOutput.h"
#include "project/CViewTree.h"
#include "project/QNodeMediator.h"
#include "project/QScanDataList.h"
#include "scandata/CScanData.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/CViewFrame.h"
#include "views/spatial/SpatialOverlayFields.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <exception>

namespace orv {

namespace {

// Offsets beyond this are no placement (the layers refuse them too).
constexpr double kPlacementLimit = 1.0e6;

QFont ReadoutFont(int pixelSize) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    return font;
}

uint32_t MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    uint32_t flags = 0;
    flags |= (buttons & Qt::LeftButton) != 0 ? CSpatialView::kMouseLeft : 0U;
    flags |= (buttons & Qt::RightButton) != 0 ? CSpatialView::kMouseRight : 0U;
    flags |= (modifiers & Qt::ShiftModifier) != 0 ? CSpatialView::kMouseShift : 0U;
    flags |= (modifiers & Qt::ControlModifier) != 0 ? CSpatialView::kMouseControl : 0U;
    return flags;
}

} // namespace

// --- Hit test ---

bool CSpatialView::InterpolateAt(int32_t x, int32_t y, float& value) const {
    const int32_t rows = m_nRowCount;
    const int32_t columns = m_nColumnCount;
    const int32_t r0 = std::max(m_nZoomFirstRow - 1, 0);
    const int32_t c0 = std::max(m_nZoomFirstColumn - 1, 0);
    const float floor = m_fMeasuredMin;
    for (int32_t r = r0; r <= m_nZoomLastRow && r + 1 < rows; ++r) {
        for (int32_t c = c0; c <= m_nZoomLastColumn && c + 1 < columns; ++c) {
            const CSpatialCell* quad[4] = {&GetCell(r, c), &GetCell(r, c + 1), &GetCell(r + 1, c),
                                           &GetCell(r + 1, c + 1)};
            if (std::none_of(std::begin(quad), std::end(quad),
                             [](const CSpatialCell* cell) { return cell->m_HasData != 0; })) {
                continue;
            }
            // Corners at the cell centres; on the grid's border at the outer edges, so that the
            // quads reach the border of the map as the interpolated picture does.
            const CCellRect& tl = quad[0]->m_ViewRect;
            const CCellRect& br = quad[3]->m_ViewRect;
            const int32_t x0 = c == 0 ? tl.left : (tl.left + tl.right) / 2;
            const int32_t y0 = r == 0 ? tl.top : (tl.top + tl.bottom) / 2;
            const int32_t x1 = c + 1 == columns - 1 ? br.right : (br.left + br.right) / 2;
            const int32_t y1 = r + 1 == rows - 1 ? br.bottom : (br.top + br.bottom) / 2;
            if (x < x0 || x >= x1 || y < y0 || y >= y1) {
                continue;
            }
            // The quad's region is its four cells less those without data.
            if (std::any_of(std::begin(quad), std::end(quad), [x, y](const CSpatialCell* cell) {
                    return cell->m_HasData == 0 && cell->m_ViewRect.Contains(x, y);
                })) {
                continue;
            }
            auto level = [floor](const CSpatialCell* cell) {
                return cell->m_HasData != 0 ? cell->m_Amplitude : floor;
            };
            const float a = level(quad[0]);
            const float b = level(quad[1]);
            const float cc = level(quad[2]);
            const float d = level(quad[3]);
            const auto w = static_cast<float>(std::max(x1 - x0, 1));
            const auto h = static_cast<float>(std::max(y1 - y0, 1));
            const auto dx = static_cast<float>(x - x0);
            const auto dy = static_cast<float>(y - y0);
            value = a + dy * (cc - a) / h + dx * ((b - a) / w + dy * ((d - b) / h - (cc - a) / h) / w);
            return true;
        }
    }
    return false;
}

float CSpatialView::HitTestCell(int32_t x, int32_t y, int32_t& row, int32_t& column, float& frequency,
                                int32_t& /*levelRow*/, int32_t& /*levelColumn*/) {
    float result = kNoAmplitude;
    const QSpatialDisplayOptions* options = NodeOptions();
    const bool interpolate = options != nullptr && options->Interpolates();
    if (interpolate && m_nBytesPerPixel != 4) {
        return result;
    }
    row = 0;
    column = 0;
    if (interpolate) {
        float value = 0.0F;
        if (InterpolateAt(x, y, value)) {
            result = value;
        }
    }
    const int32_t lastRow = std::min(m_nZoomLastRow, kGridRows - 1);
    const int32_t lastColumn = std::min(m_nZoomLastColumn, kGridColumns - 1);
    for (int32_t r = std::max(m_nZoomFirstRow, 0); r <= lastRow; ++r) {
        for (int32_t c = std::max(m_nZoomFirstColumn, 0); c <= lastColumn; ++c) {
            const CSpatialCell& cell = GetCell(r, c);
            if (cell.m_HasData == 0 || !cell.m_ViewRect.Contains(x, y)) {
                continue;
            }
            row = r;
            column = c;
            frequency = cell.m_Frequency;
            m_rcHoveredCell = cell.m_ViewRect;
            m_crHoveredCell = cell.m_Colour;
            if (!interpolate) {
                result = cell.m_Amplitude;
            }
            return result;
        }
    }
    return result;
}

bool CSpatialView::FindGridCell(QPoint point, int32_t& row, int32_t& column) const {
    const int32_t rows = std::min(m_nRowCount, kGridRows);
    const int32_t columns = std::min(m_nColumnCount, kGridColumns);
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < columns; ++c) {
            if (GetCell(r, c).m_ViewRect.Contains(point.x(), point.y())) {
                row = r;
                column = c;
                return true;
            }
        }
    }
    return false;
}

// --- Selection ---

bool CSpatialView::SelectCellAt(int32_t x, int32_t y) {
    const int32_t rows = std::min(m_nRowCount, kGridRows);
    const int32_t columns = std::min(m_nColumnCount, kGridColumns);
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < columns; ++c) {
            const CSpatialCell& cell = GetCell(r, c);
            if (cell.m_HasData != 0 && cell.m_ViewRect.Contains(x, y)) {
                ToggleSelectedCell(r, c);
                RelayoutAndRedraw();
                return true;
            }
        }
    }
    return false;
}

// --- Project panes ---

void CSpatialView::SelectOwnNodeInProjectPane() {
    if (m_pMediator == nullptr) {
        return;
    }
    QProjectTree* tree = m_pProjectTree != nullptr ? m_pProjectTree : m_pMediator->GetProjectTree();
    if (auto* viewTree = dynamic_cast<CViewTree*>(tree)) {
        CTreeItem* item = viewTree->GetSelectedItem();
        if (item == nullptr || viewTree->GetItemMediator(item) != m_pMediator) {
            viewTree->SelectNode(*m_pMediator);
        }
    } else if (tree != nullptr) {
        tree->SelectNode(*m_pMediator);
    }
    if (m_pScanDataList != nullptr) {
        m_pScanDataList->SelectRow(FormatC("%d", m_pMediator->GetDisplayedScanID()));
    }
    if (m_nNodeKind == kTypeSpatialComparisonNode || m_nNodeKind == kTypeBlindSpotReductionNode) {
        CViewFrame::MoveDropTargetTo(*this, *m_pMediator);
    }
    BringFrameToTop();
}

// --- Zoom ---

void CSpatialView::StoreZoomIntoScan() {
    bool hint = false;
    CScanData* scan = m_pScanData != nullptr ? m_pScanData : PickScanData(hint);
    if (scan == nullptr) {
        return;
    }
    scan->m_SpatialZoomed = m_bZoomed;
    scan->m_SpatialZoomWindow = {m_nZoomFirstRow, m_nZoomFirstColumn, m_nZoomLastRow, m_nZoomLastColumn};
}

void CSpatialView::ResetZoom() {
    m_bZoomed = 0;
    StoreZoomIntoScan();
    m_zoomHistory.clear();
    RedrawView(nullptr, kRedrawSelection);
}

void CSpatialView::PreviousZoom() {
    // A window adopted from the scan has no history behind it: one step back is the whole grid.
    if (m_zoomHistory.size() <= 1) {
        ResetZoom();
        return;
    }
    m_zoomHistory.pop_back();
    const std::array<int32_t, 4>& window = m_zoomHistory.back();
    m_nZoomFirstRow = window[0];
    m_nZoomLastRow = window[1];
    m_nZoomFirstColumn = window[2];
    m_nZoomLastColumn = window[3];
    m_bZoomed = 1;
    StoreZoomIntoScan();
    RedrawView(nullptr, kRedrawSelection);
}

// --- Pointer ---

void CSpatialView::RefreshComposed() {
    RedrawView(nullptr, kRedrawRefresh);
}

bool CSpatialView::PointerRests() const {
    if (m_b3DShown != 0) {
        return true;
    }
    if (m_bWheelStepped != 0 && ElapsedMilliseconds(m_tLastWheel) < kWheelRestMilliseconds) {
        return true;
    }
    if (m_nDisplayMode == kModeComparison || m_nDisplayMode == kModeBlindSpot) {
        const int32_t pane = m_nDisplayMode == kModeComparison ? m_nComparisonPane : m_nBlindSpotPane;
        return pane != m_nPaneDrawn;
    }
    return false;
}

void CSpatialView::OnLeftButtonDown(QPoint point) {
    if (m_bListShown != 0 && !m_rcListToggle.isEmpty() && m_rcListToggle.contains(point)) {
        ToggleFrequencyList();
        return;
    }
    SelectOwnNodeInProjectPane();
    if (m_rcMap.contains(point)) {
        m_bDragArmed = 1;
        m_bBandDrawn = 0;
        m_ptDragStart = point;
        m_ptDragEnd = point;
        m_tPress = ClockNow();
        m_readout.shown = false;
        update();
    }
}

void CSpatialView::OnPointerMove(QPoint point) {
    m_bLeaveTracked = 1;
    m_ptLastCursor = point;
    if (PointerRests()) {
        return;
    }
    m_bPointerOverOverlay =
        (m_pMediator != nullptr && m_pMediator->HasProbeVideoTrack()) || m_rcPicture.contains(point) ? 1 : 0;
    if (!m_rcMap.contains(point)) {
        if (m_bPointerOverMap != 0 || m_readout.shown || !m_rcBand.isEmpty()) {
            RefreshComposed();
        }
        m_bPointerOverMap = 0;
        m_readout.shown = false;
        return;
    }
    m_bPointerOverMap = 1;
    if (m_bDragArmed == 0) {
        ShowCellReadout(point.x(), point.y());
        return;
    }
    RefreshComposed();
    m_bBandDrawn = 1;
    m_ptDragEnd = point;
    m_rcBand = QRect(m_ptDragStart, point).normalized();
    update();
}

void CSpatialView::OnLeftButtonUp(QPoint point) {
    const bool wasArmed = m_bDragArmed != 0;
    m_bDragArmed = 0;
    const bool overMap = m_rcMap.contains(point);
    if (!m_rcBand.isEmpty()) {
        m_rcBand = QRect();
        update();
    }
    if (wasArmed && m_bBandDrawn != 0 && overMap) {
        m_bBandDrawn = 0;
        int32_t startRow = 0;
        int32_t startColumn = 0;
        int32_t endRow = 0;
        int32_t endColumn = 0;
        const bool found =
            FindGridCell(m_ptDragStart, startRow, startColumn) && FindGridCell(point, endRow, endColumn);
        const bool click = found && startRow == endRow && startColumn == endColumn &&
                           ElapsedMilliseconds(m_tPress) < kClickMilliseconds;
        if (found && endRow >= startRow && endColumn >= startColumn && !click) {
            m_nZoomFirstRow = startRow;
            m_nZoomLastRow = endRow;
            m_nZoomFirstColumn = startColumn;
            m_nZoomLastColumn = endColumn;
            m_bZoomed = 1;
            StoreZoomIntoScan();
            RedrawView(nullptr, kRedrawSelection);
            m_zoomHistory.push_back({startRow, endRow, startColumn, endColumn});
            return;
        }
    }
    m_bBandDrawn = 0;
    if (overMap && (m_nDisplayMode == kModeSpectralSpatial || m_nDisplayMode == kModeHandHeld)) {
        SelectCellAt(point.x(), point.y());
    }
}

void CSpatialView::OnPointerLeave() {
    m_bLeaveTracked = 0;
    m_bPointerOverMap = 0;
    m_readout.shown = false;
    RefreshComposed();
}

std::string CSpatialView::CellReadoutText(int32_t row, int32_t column, int32_t levelRow, int32_t levelColumn,
                                          float amplitude, float frequency, bool scannerLabels,
                                          bool interleaved) {
    const double amp = amplitude;
    const double freq = frequency;
    if (!scannerLabels) {
        return interleaved ? FormatC(" Row:%-2d[%d]  Col:%-2d[%d]   Amp:%-6.2f  Freq:%-8.3f", row, levelRow,
                                     column, levelColumn, amp, freq)
                           : FormatC(" Row:%-2d  Col:%-2d   Amp:%-6.2f  Freq:%-8.3f", row, column, amp, freq);
    }
    // Columns beyond the scanner's label table print as numbers.
    const QScannerContext& context = GetScannerContext();
    const std::string label = column >= 0 && column < context.GetColumnLabelCount()
                                  ? context.GetColumnLabel(column).m_text
                                  : FormatC("%d", column);
    return interleaved
               ? FormatC(" Row:%-2d[%d]  Col:%s[%d]   Amp:%-6.2f  Freq:%-8.3f", row + 1, levelRow,
                         label.c_str(), levelColumn, amp, freq)
               : FormatC(" Row:%-2d  Col:%s   Amp:%-6.2f  Freq:%-8.3f", row + 1, label.c_str(), amp, freq);
}

void CSpatialView::ShowCellReadout(int32_t x, int32_t y) {
    int32_t row = 0;
    int32_t column = 0;
    int32_t levelRow = 0;
    int32_t levelColumn = 0;
    float frequency = 0.0F;
    const float amplitude = HitTestCell(x, y, row, column, frequency, levelRow, levelColumn);
    if (amplitude == kNoAmplitude) {
        if (m_readout.shown) {
            RefreshComposed();
            m_readout.shown = false;
        }
        return;
    }
    RefreshComposed();
    const QSpatialDisplayOptions* preferences = PreferenceOptions();
    const bool labels = preferences != nullptr && preferences->UsesScannerLabels();
    m_readout.text = CellReadoutText(row, column, levelRow, levelColumn, amplitude, frequency, labels,
                                     m_bShownInterleaved != 0);
    m_readout.fontPixels = width() > 800 ? 16 : 14;
    const QFontMetrics metrics(ReadoutFont(m_readout.fontPixels));
    const int textWidth = metrics.horizontalAdvance(CodePageToQString(m_readout.text)) + 6;
    const int textHeight = metrics.height() + 2;
    // Right of the pointer, or ending left of it where the map area (less the list) ends.
    const int areaRight = width() - m_nRightMargin - (m_bListShown != 0 ? ListWidth() : 0);
    int left = x + 10;
    if (left + textWidth > areaRight) {
        left = x - 2 - textWidth;
    }
    m_readout.rect = QRect(left, y - 22, textWidth, textHeight);
    m_readout.shown = true;
    update();
}

// --- Wheel and keys ---

void CSpatialView::OnWheelStep(QPoint point, int32_t direction) {
    if (m_pMediator == nullptr || direction == 0) {
        return;
    }
    bool hint = false;
    CScanData* scan = m_pScanData != nullptr ? m_pScanData : PickScanData(hint);
    if (scan == nullptr) {
        return;
    }
    const bool tracking = m_pMediator->HasProbeVideoTrack();
    const QSpatialDisplayOptions* options = NodeOptions();
    const bool overlayShown = options != nullptr && options->ShowsOverlay() && HasOverlayPicture();
    const bool overOverlay = tracking || m_rcPicture.contains(point);
    m_bPointerOverOverlay = overOverlay ? 1 : 0;
    if (!(overlayShown || tracking) || !overOverlay) {
        return;
    }
    QOverlayOptions* overlay = m_pMediator->GetOverlayOptions();
    const SpatialOverlayFields fields = SpatialOverlayFields::Read(*scan, overlay);
    const int32_t opacity =
        std::clamp(fields.BlendOpacity() + (direction > 0 ? kOpacityStep : -kOpacityStep), 1, 100);
    SpatialOverlayFields::WriteOpacity(*scan, overlay, opacity);
    m_target.Post(kSpatialRepaintMessage);
    m_bWheelStepped = 1;
    m_tLastWheel = ClockNow();
}

bool CSpatialView::OnOverlayKey(int key) {
    int32_t dx = 0;
    int32_t dy = 0;
    switch (key) {
    case Qt::Key_Left:
        dx = -1;
        break;
    case Qt::Key_Right:
        dx = 1;
        break;
    case Qt::Key_Up:
        dy = -1;
        break;
    case Qt::Key_Down:
        dy = 1;
        break;
    default:
        return false;
    }
    if (m_pMediator == nullptr || m_b3DShown != 0 || m_bRepositionOverlay == 0) {
        return false;
    }
    bool hint = false;
    CScanData* scan = m_pScanData != nullptr ? m_pScanData : PickScanData(hint);
    const QSpatialDisplayOptions* options = NodeOptions();
    if (scan == nullptr || options == nullptr || !options->ShowsOverlay() || !HasOverlayPicture()) {
        return false;
    }
    QOverlayOptions* overlay = m_pMediator->GetOverlayOptions();
    const SpatialOverlayFields fields = SpatialOverlayFields::Read(*scan, overlay);
    // The stored fraction is of the layer, or of the grid at the current cell size.
    const double width = fields.m_placed ? static_cast<double>(m_nColumnCount) * m_fCellSize
                                         : static_cast<double>(m_overlayLayer.width());
    const double height = fields.m_placed ? static_cast<double>(m_nRowCount) * m_fCellSize
                                          : static_cast<double>(m_overlayLayer.height());
    if (!(width > 0.0) || !(height > 0.0) || !std::isfinite(width) || !std::isfinite(height)) {
        return false;
    }
    const double fractionX = fields.m_picture ? fields.m_placeX : fields.m_boardX;
    const double fractionY = fields.m_picture ? fields.m_placeY : fields.m_boardY;
    const double x = fractionX * width + dx;
    const double y = fractionY * height + dy;
    const double newX = x / width;
    const double newY = y / height;
    // What would be saved with the project must be a placement the layers can draw.
    if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > kPlacementLimit ||
        std::fabs(y) > kPlacementLimit || !std::isfinite(static_cast<float>(newX)) ||
        !std::isfinite(static_cast<float>(newY))) {
        return false;
    }
    SpatialOverlayFields::WriteOrigin(*scan, static_cast<float>(newX), static_cast<float>(newY));
    // The next draw puts the overlay at the whole pixel, not at the fraction's rounding of it.
    CachePlacement(static_cast<float>(x), static_cast<float>(y));
    m_bOverlayMoved = 1;
    m_bOverlayNudged = 1;
    m_bRebuild = 1;
    m_target.Post(kSpatialRepaintMessage);
    m_pMediator->MarkProjectModified();
    return true;
}

void CSpatialView::SetBorder(bool on) {
    m_bBorder = on ? 1 : 0;
    update();
}

// --- Qt events ---

void CSpatialView::RunPointerHandler(const char* where, const std::function<void()>& handler) {
    // The shown scan is picked again by every event and forgotten after it.
    struct Forget {
        CSpatialView& view;
        ~Forget() { view.ForgetScanPointers(); }
    } forget{*this};
    try {
        handler();
    } catch (const std::exception& failure) {
        OutputDebugString(FormatC("CSpatialView: %s: %s\n", where, failure.what()));
    }
}

void CSpatialView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        const QPoint at = event->position().toPoint();
        RunPointerHandler("button down", [&] { OnLeftButtonDown(at); });
    }
    QWidget::mousePressEvent(event);
}

void CSpatialView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        RunPointerHandler("button up", [&] { OnLeftButtonUp(at); });
    } else if (event->button() == Qt::RightButton) {
        const uint32_t flags = MouseFlags(event->buttons(), event->modifiers());
        RunPointerHandler("context menu", [&] { ShowContextMenu(flags, at.x(), at.y()); });
    }
    QWidget::mouseReleaseEvent(event);
}

void CSpatialView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    RunPointerHandler("pointer move", [&] { OnPointerMove(at); });
    QWidget::mouseMoveEvent(event);
}

void CSpatialView::leaveEvent(QEvent* event) {
    RunPointerHandler("leave", [&] { OnPointerLeave(); });
    QWidget::leaveEvent(event);
}

void CSpatialView::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta != 0) {
        const QPoint at = event->position().toPoint();
        RunPointerHandler("wheel", [&] { OnWheelStep(at, delta > 0 ? 1 : -1); });
    }
    QWidget::wheelEvent(event);
}

void CSpatialView::keyPressEvent(QKeyEvent* event) {
    bool consumed = false;
    RunPointerHandler("key", [&] { consumed = OnOverlayKey(event->key()); });
    if (consumed) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace orv
