// The spatial view as the owner of an overlay editor: the shown scan's overlay and its placement go
// to the editor, and the editor's placement comes back into the scan.

#include "core/QOverlayOptions.h"
#include "overlay/COverlayViewFrame.h"
#include "overlay/OverlayEditorWindow.h"
#include "project/QNodeMediator.h"
#include "project/ScanAreaPlacement.h"
#include "project/TfrmMainApp.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/SpatialOverlayFields.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <memory>

namespace orv {
namespace {

int32_t Edge(int32_t index, float scale) {
    return static_cast<int32_t>(static_cast<double>(index) * scale);
}

} // namespace

void CSpatialView::OpenOverlayEditor() {
    if (RaiseOverlayEditor(*this)) {
        return;
    }
    auto* frame = new COverlayViewFrame(GetProject(), "Overlay View", 0);
    frame->SetOwner(this);
    frame->Create();
    frame->raise();
    frame->activateWindow();
}

void CSpatialView::CloseOverlayEditor() {
    if (COverlayViewFrame* frame = GetOverlayFrame()) {
        frame->ForgetOwner();
        SetOverlayFrame(nullptr);
        frame->close();
    }
}

bool CSpatialView::ReadOverlayPlacement(COverlayPlacement& placement) {
    bool hint = false;
    CScanData* scan = m_pScanData != nullptr ? m_pScanData : PickScanData(hint);
    if (scan == nullptr || m_pMediator == nullptr) {
        return false;
    }
    const SpatialOverlayFields fields = SpatialOverlayFields::Read(*scan, m_pMediator->GetOverlayOptions());
    placement = COverlayPlacement();
    placement.m_overlayId = fields.m_overlayId;
    if (fields.m_picture) {
        placement.m_pictureLeft = fields.m_placeX;
        placement.m_pictureTop = fields.m_placeY;
        placement.m_pictureWidth = fields.m_placeWidth;
        placement.m_pictureHeight = fields.m_placeHeight;
        placement.m_pictureQuarterTurns = static_cast<int8_t>(fields.m_rotation);
        placement.m_opacity = fields.m_opacity;
    } else {
        placement.m_drawingQuarterTurns = static_cast<int8_t>(fields.m_rotation);
        placement.m_originX = fields.m_boardX;
        placement.m_originY = fields.m_boardY;
        placement.m_extentX1 = fields.m_rectLeft;
        placement.m_extentY1 = fields.m_rectTop;
        placement.m_extentX2 = fields.m_rectRight;
        placement.m_extentY2 = fields.m_rectBottom;
    }
    return true;
}

void CSpatialView::WriteOverlayPlacement(const COverlayPlacement& placement, bool drawing) {
    bool hint = false;
    CScanData* scan = m_pScanData != nullptr ? m_pScanData : PickScanData(hint);
    if (scan == nullptr || m_pMediator == nullptr) {
        return;
    }
    CScanAreaRecord& area = scan->m_ScanArea;
    area.m_OverlayId = placement.m_overlayId;
    QOverlayOptions* options = m_pMediator->GetOverlayOptions();
    if (drawing) {
        area.m_Variant = 0;
        StoreDrawingPlacement(placement, area, options);
    } else {
        area.m_Variant = area.m_Variant != 0 ? area.m_Variant : 1;
        StorePicturePlacement(placement, area);
    }
    m_bRebuild = 1;
}

void CSpatialView::OnOverlayPlacementApplied() {
    if (m_pMediator == nullptr) {
        return;
    }
    m_pMediator->RefreshAllViews();
    m_pMediator->MarkProjectModified();
}

bool CSpatialView::DrawOverlayHeatMap(QImage& target, const QPoint& at, float scale, int32_t rows,
                                      int32_t columns) {
    rows = std::min(rows, m_nRowCount > 0 ? m_nRowCount : kGridRows);
    columns = std::min(columns, m_nColumnCount > 0 ? m_nColumnCount : kGridColumns);
    rows = std::min<int32_t>(rows, kGridRows);
    columns = std::min<int32_t>(columns, kGridColumns);
    if (rows < 1 || columns < 1 || !(scale > 0.0F) || !std::isfinite(scale)) {
        return false;
    }
    // The editor's cell table: the view's cells with their rectangles at the editor's scale.
    auto cells =
        std::make_unique<std::array<CSpatialCell, static_cast<size_t>(kGridRows * kGridColumns)>>(m_cells);
    for (int32_t row = 0; row < kGridRows; ++row) {
        for (int32_t column = 0; column < kGridColumns; ++column) {
            (*cells)[CellIndex(row, column)].m_BitmapRect = CCellRect{
                Edge(column, scale), Edge(row, scale), Edge(column + 1, scale), Edge(row + 1, scale)};
        }
    }
    // The map is built on white; only the cells that hold data go onto the grid, whose bands stay.
    QImage map(target.size(), QImage::Format_RGB32);
    map.fill(Qt::white);
    if (!BuildHeatMapBitmap(map, at.x(), at.y(), cells->data(), scale, 0, rows - 1, 0, columns - 1)) {
        return false;
    }
    QPainter painter(&target);
    for (int32_t row = 0; row < rows; ++row) {
        for (int32_t column = 0; column < columns; ++column) {
            const CSpatialCell& cell = (*cells)[CellIndex(row, column)];
            if (cell.m_HasData == 0) {
                continue;
            }
            const CCellRect& rect = cell.m_BitmapRect;
            const QRect place(at.x() + rect.left, at.y() + rect.top, rect.right - rect.left,
                              rect.bottom - rect.top);
            painter.drawImage(place.topLeft(), map, place);
        }
    }
    return true;
}

} // namespace orv
