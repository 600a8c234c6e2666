// The scan probes page's board overlay: the node's overlay choice and placement, the picture or
// drawing laid over the cells, the wheel's opacity and the overlay editor placed for the page.

#include "app/panes/CViewTreeWidget.h"
#include "core/QOverlayOptions.h"
#include "dialogs/CPageScanProbes.h"
#include "overlay/COverlayControlImage.h"
#include "overlay/COverlayUtility.h"
#include "overlay/OverlayEditorWindow.h"
#include "platform/log/InformationLog.h"
#include "project/COverlayControl.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"

#include <QPainter>
#include <QTransform>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace orv {
namespace {

// The drawing units the whole grid spans across (42 columns, else 40 are assumed) and down (29 rows,
// else 32).
constexpr int64_t kSpanAcross42 = 2992;
constexpr int64_t kSpanAcrossOther = 3040;
constexpr int64_t kSpanDown29 = 2395;
constexpr int64_t kSpanDownOther = 2434;
// A placement scaled past this many grid pictures would make a bitmap no machine holds for a few of
// its lines: it is not drawn.
constexpr int64_t kLargestScale = 32;

// White pixels become transparent: the cells show through the drawing's background.
void ClearWhite(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0x00FFFFFFU) == 0x00FFFFFFU) {
                line[x] = 0;
            }
        }
    }
}

} // namespace

TfrmMainApp* CPageScanProbes::GetProject() const {
    auto* tree = dynamic_cast<CViewTreeWidget*>(m_pMediator->GetProjectTree());
    return tree != nullptr ? tree->GetProject() : nullptr;
}

COverlayControl* CPageScanProbes::FindOverlayControl() const {
    TfrmMainApp* project = GetProject();
    return project != nullptr && m_overlayId != 0 ? project->FindOverlayControl(m_overlayId) : nullptr;
}

void CPageScanProbes::LoadOverlaySettings() {
    QOverlayOptions* options = m_pMediator->GetOverlayOptions();
    if (options == nullptr) {
        return;
    }
    m_overlayId = static_cast<uint32_t>(options->m_overlayId);
    m_drawList.Clear();
    if (COverlayControl* control = FindOverlayControl()) {
        if (control->GetSourceKind() == COverlayControl::kPcbDrawing) {
            m_drawingQuarterTurns = options->m_showFlag;
            m_positionX = options->m_placementA;
            m_positionY = options->m_placementB;
            const QOverlayRect& rect = options->m_placement;
            m_placementRect = {rect.a, rect.b, rect.c, rect.d};
            std::shared_ptr<const DrawList> drawing = control->GetDrawList();
            m_drawList =
                COverlayUtility::BuildDrawList(drawing ? drawing->Head() : nullptr, m_drawingQuarterTurns);
        } else {
            m_opacity = std::clamp(options->m_pictureInt, 0, 100);
            m_offsetX = options->m_pictureValues[0];
            m_offsetY = options->m_pictureValues[1];
            m_scaleX = options->m_pictureValues[2];
            m_scaleY = options->m_pictureValues[3];
            std::copy(std::begin(options->m_pictureFlags), std::end(options->m_pictureFlags),
                      m_pictureFlags.begin());
        }
    }
    RenderOverlayBitmap(false);
    RenderGridOnly(false);
    update();
}

void CPageScanProbes::SaveOverlaySettings() {
    QOverlayOptions* options = m_pMediator->GetOverlayOptions();
    if (options == nullptr) {
        return;
    }
    options->m_overlayId = static_cast<int32_t>(m_overlayId);
    COverlayControl* control = FindOverlayControl();
    if (control == nullptr) {
        return;
    }
    const bool drawing = control->GetSourceKind() == COverlayControl::kPcbDrawing;
    options->m_sourceKind = control->GetSourceKind();
    // The views read a picture's turns where a drawing keeps its own.
    options->m_showFlag = drawing ? m_drawingQuarterTurns : m_pictureFlags[2];
    options->m_placementA = m_positionX;
    options->m_placementB = m_positionY;
    options->m_placement = {m_placementRect[0], m_placementRect[1], m_placementRect[2], m_placementRect[3]};
    options->m_pictureInt = m_opacity;
    options->m_pictureValues[0] = m_offsetX;
    options->m_pictureValues[1] = m_offsetY;
    options->m_pictureValues[2] = m_scaleX;
    options->m_pictureValues[3] = m_scaleY;
    std::copy(m_pictureFlags.begin(), m_pictureFlags.end(), std::begin(options->m_pictureFlags));
}

void CPageScanProbes::RenderOverlayBitmap(bool force) {
    COverlayControl* control = FindOverlayControl();
    if (control == nullptr || control->GetSourceKind() != COverlayControl::kPcbDrawing ||
        m_drawList.IsEmpty() || m_gridImage.isNull()) {
        return;
    }
    const auto [left, top, right, bottom] = m_placementRect;
    int64_t across = std::llabs(static_cast<int64_t>(right) - left);
    if (kColumns != 40) {
        across = across * 40 / kColumns;
    }
    int64_t down = std::llabs(static_cast<int64_t>(bottom) - top);
    if (kRows != 32) {
        down = down * 32 / kRows;
    }
    const double spanAcross = static_cast<double>(kColumns == 42 ? kSpanAcross42 : kSpanAcrossOther);
    const double spanDown = static_cast<double>(kRows == 29 ? kSpanDown29 : kSpanDownOther);
    const QSize picture = m_gridImage.size();
    const double width = picture.width() * (static_cast<double>(across) / spanAcross);
    const double height = picture.height() * (static_cast<double>(down) / spanDown);
    const auto x = static_cast<int32_t>(picture.width() * static_cast<double>(m_positionX));
    const auto y = static_cast<int32_t>(picture.height() * static_cast<double>(m_positionY));
    // An empty placement, or one too large to hold, draws nothing.
    if (width < 1.0 || height < 1.0 || width > static_cast<double>(kLargestScale * picture.width()) ||
        height > static_cast<double>(kLargestScale * picture.height())) {
        m_overlayBitmap = QImage();
        m_overlayBitmapWidth = 0;
        m_overlayBitmapHeight = 0;
        m_overlayBitmapPlace = QRect();
        return;
    }
    const auto w = static_cast<int32_t>(width);
    const auto h = static_cast<int32_t>(height);
    m_overlayBitmapPlace = QRect(x, y, w, h);
    if (!force && w == m_overlayBitmapWidth && h == m_overlayBitmapHeight && !m_overlayBitmap.isNull()) {
        return;
    }
    m_overlayBitmapWidth = w;
    m_overlayBitmapHeight = h;
    ++m_overlayRenderCount;
    QImage bitmap(w, h, QImage::Format_ARGB32);
    bitmap.fill(Qt::white);
    QPainter painter(&bitmap);
    painter.save();
    // The rectangle's first corner lands on the bitmap's top-left: swapped corners mirror it.
    painter.setWindow(QRect(left, top, right - left, bottom - top));
    painter.setViewport(QRect(0, 0, w, h));
    painter.setPen(QPen(Qt::black, 0));
    COverlayUtility::PaintDrawing(painter, m_drawList.Head());
    painter.restore();
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(0, 0, w - 1, h - 1));
    painter.end();
    ClearWhite(bitmap);
    m_overlayBitmap = std::move(bitmap);
}

void CPageScanProbes::DrawOverlayPicture(QPainter& painter, const QSize& picture,
                                         const COverlayControl& control) const {
    QImage image = COverlayControlImage::GetImage(control);
    if (image.isNull()) {
        return;
    }
    const int turns = m_pictureFlags[2] % 4;
    if (turns != 0) {
        image = image.transformed(QTransform().rotate(90.0 * turns));
    }
    const QRect place(static_cast<int>(picture.width() * static_cast<double>(m_offsetX)),
                      static_cast<int>(picture.height() * static_cast<double>(m_offsetY)),
                      static_cast<int>(picture.width() * static_cast<double>(m_scaleX)),
                      static_cast<int>(picture.height() * static_cast<double>(m_scaleY)));
    if (place.width() <= 0 || place.height() <= 0) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setOpacity(static_cast<double>(std::clamp(m_opacity, 0, 100)) / 100.0);
    painter.drawImage(place, image);
    painter.restore();
}

void CPageScanProbes::DrawBoardOverlay(QPainter& painter, const QSize& picture) {
    COverlayControl* control = FindOverlayControl();
    if (control == nullptr) {
        return;
    }
    if (control->GetSourceKind() != COverlayControl::kPcbDrawing) {
        DrawOverlayPicture(painter, picture, *control);
        return;
    }
    if (m_drawList.IsEmpty()) {
        AddInformationMessage(0, kNoDrawingText);
        return;
    }
    if (!m_overlayBitmap.isNull()) {
        painter.drawImage(m_overlayBitmapPlace.topLeft(), m_overlayBitmap);
    }
}

void CPageScanProbes::wheelEvent(QWheelEvent* event) {
    COverlayControl* control = FindOverlayControl();
    const int delta = event->angleDelta().y();
    if (control == nullptr || control->GetSourceKind() == COverlayControl::kPcbDrawing || delta == 0) {
        CPropertyPage::wheelEvent(event);
        return;
    }
    m_opacity = std::clamp(m_opacity + (delta > 0 ? 1 : -1), 0, 100);
    RenderGridOnly(true);
    update();
    event->accept();
}

int64_t CPageScanProbes::HandleMessage(Message& message) {
    switch (message.id) {
    case kPlacementChangedMessage:
        RenderOverlayBitmap(message.wParam == 1);
        RenderGridOnly(false);
        update(GetGridRect());
        return 0;
    case kSelectOverlayPictureMessage:
        SelectOverlayInEditor(*this, static_cast<uint32_t>(message.wParam));
        return 0;
    default:
        return 0;
    }
}

// --- The overlay editor ---

bool CPageScanProbes::ReadOverlayPlacement(COverlayPlacement& placement) {
    placement = COverlayPlacement();
    placement.m_overlayId = m_overlayId;
    placement.m_pictureLeft = m_offsetX;
    placement.m_pictureTop = m_offsetY;
    placement.m_pictureWidth = m_scaleX;
    placement.m_pictureHeight = m_scaleY;
    placement.m_pictureQuarterTurns = static_cast<int8_t>(m_pictureFlags[2] % 4);
    placement.m_opacity = m_opacity;
    placement.m_drawingQuarterTurns = static_cast<int8_t>(m_drawingQuarterTurns);
    placement.m_originX = m_positionX;
    placement.m_originY = m_positionY;
    placement.m_extentX1 = m_placementRect[0];
    placement.m_extentY1 = m_placementRect[1];
    placement.m_extentX2 = m_placementRect[2];
    placement.m_extentY2 = m_placementRect[3];
    return true;
}

void CPageScanProbes::WriteOverlayPlacement(const COverlayPlacement& placement, bool drawing) {
    m_overlayId = placement.m_overlayId;
    if (drawing) {
        m_drawingQuarterTurns = static_cast<uint8_t>(placement.m_drawingQuarterTurns);
        m_positionX = placement.m_originX;
        m_positionY = placement.m_originY;
        m_placementRect = {placement.m_extentX1, placement.m_extentY1, placement.m_extentX2,
                           placement.m_extentY2};
        // The drawing itself comes with TakeOverlayDrawing; another drawing of the same size must not
        // keep the old bitmap.
        m_drawList.Clear();
        m_overlayBitmap = QImage();
        return;
    }
    m_drawList.Clear();
    m_overlayBitmap = QImage();
    m_offsetX = placement.m_pictureLeft;
    m_offsetY = placement.m_pictureTop;
    m_scaleX = placement.m_pictureWidth;
    m_scaleY = placement.m_pictureHeight;
    m_pictureFlags[2] = static_cast<uint8_t>(placement.m_pictureQuarterTurns & 3);
    m_opacity = std::clamp(placement.m_opacity, 0, 100);
}

void CPageScanProbes::TakeOverlayDrawing(DrawList turned, int32_t /*opacity*/) {
    m_drawList = std::move(turned);
}

void CPageScanProbes::OnOverlayPlacementApplied() {
    // The placement is the page's until the sheet's Apply; the editor posts its notice (10020).
    SetModified(true);
}

bool CPageScanProbes::IsOverlayCellMarked(int32_t row, int32_t column) const {
    return row >= 0 && row < kRows && column >= 0 && column < kColumns && m_cells[Index(row, column)].on != 0;
}

void CPageScanProbes::OpenOverlayEditor() {
    if (RaiseOverlayEditor(*this)) {
        return;
    }
    m_bOverlayEditorOpened = 1;
    OpenOverlayEditorOver(*this, *this, GetProject(), kEditorTitle);
}

void CPageScanProbes::CloseOverlayEditor() {
    DeleteOverlayEditor(*this);
}

} // namespace orv
