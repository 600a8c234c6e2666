// The layers laid over the heat map: the board drawing's layer, the board picture, the camera frame,
// and the texture layer the 3D view takes them from.

#include "core/CheckedProduct.h"
#include "core/QOverlayOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "overlay/COverlayControlImage.h"
#include "overlay/COverlayUtility.h"
#include "overlay/camera/CProbeVideoPreview.h"
#include "project/COverlayControl.h"
#include "project/QNodeMediator.h"
#include "project/QOverlayControlList.h"
#include "scandata/CSpatialScanData.h"
#include "views/spatial/CSpatialView.h"
#include "views/spatial/SpatialOverlayFields.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace orv {

namespace {

// Layers are made no larger than this on a side: beyond it the image could not be drawn anyway.
constexpr int32_t kLayerSideLimit = 32767;
// Texture side for OpenGL before 2.0 (power-of-two textures only).
constexpr int32_t kOldTextureSide = 512;
constexpr uint32_t kFaintPictureFrame = 0xA0A0A0;
constexpr int32_t kFaintPictureOpacity = 15;
constexpr int32_t kTrackingAlpha = 50 * 255 / 100;
// Stored fractions and offsets beyond this are not a placement: the overlay stays undrawn rather
// than reaching an integer conversion.
constexpr double kPlacementLimit = 1.0e6;

bool Usable(double value) {
    return std::isfinite(value) && std::fabs(value) <= kPlacementLimit;
}

int32_t Truncate(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(std::trunc(value), lowest, highest));
}

// A white-filled image of the size, null when the size cannot be made.
QImage WhiteImage(int32_t width, int32_t height) {
    uint64_t bytes = 0;
    if (width <= 0 || height <= 0 || width > kLayerSideLimit || height > kLayerSideLimit ||
        !CheckedProduct({static_cast<uint64_t>(width), static_cast<uint64_t>(height), 4U}, bytes)) {
        return {};
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (!image.isNull()) {
        image.fill(Qt::white);
    }
    return image;
}

// The part of the image with its white pixels see-through (a copy with white as the transparent
// colour).
QImage WhiteTransparent(const QImage& image, const QRect& part) {
    QImage copy = image.copy(part).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < copy.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(copy.scanLine(y));
        for (int x = 0; x < copy.width(); ++x) {
            if ((line[x] & 0xFFFFFFU) == 0xFFFFFFU) {
                line[x] = 0;
            }
        }
    }
    return copy;
}

// Grid pixels of a count of cells, in the map's own single precision (so that layers, zoom window
// and map agree to the pixel).
float Span(int32_t count, float cell) {
    return static_cast<float>(count) * cell;
}

int32_t PictureAlpha(int32_t opacity) {
    const int32_t percent = std::clamp(opacity, 0, 100);
    return Truncate(static_cast<double>(percent) / 100.0 * 255.0);
}

} // namespace

const COverlayControl* CSpatialView::FindOverlayControl(uint32_t id) const {
    if (m_pOverlayControls == nullptr) {
        return nullptr;
    }
    for (const std::unique_ptr<COverlayControl>& control : m_pOverlayControls->GetControls()) {
        if (control != nullptr && control->GetOverlayId() == id) {
            return control.get();
        }
    }
    return nullptr;
}

void CSpatialView::CachePlacement(float x, float y) {
    m_bPlacementCached = 1;
    m_fCachedOriginX = x;
    m_fCachedOriginY = y;
    m_fCachedCellSize = m_fCellSize;
}

void CSpatialView::CreateOverlayLayer() {
    ++m_nOverlayBuildCount;
    const double s = m_fCellSize;
    m_fLayerCellSize = m_fCellSize;
    m_overlayLayer = QImage();
    if (!Usable(s)) {
        return;
    }
    // Sizes in the map's own single precision, so that the layer and the map agree to the pixel.
    m_overlayLayer = WhiteImage(Truncate(static_cast<float>(m_nColumnCount) * m_fCellSize),
                                Truncate(static_cast<float>(m_nRowCount) * m_fCellSize));
}

void CSpatialView::CreateTextureLayer(int32_t width, int32_t height) {
    m_textureLayer = WhiteImage(width, height);
}

void CSpatialView::DrawOverlayLayer() {
    CScanData* scan = m_pScanData;
    if (m_overlayLayer.isNull() || scan == nullptr) {
        return;
    }
    const SpatialOverlayFields fields = SpatialOverlayFields::Read(
        *scan, m_pMediator != nullptr ? m_pMediator->GetOverlayOptions() : nullptr);
    if (fields.m_picture || FindOverlayControl(fields.m_overlayId) == nullptr) {
        return;
    }
    const CScanAreaRecord& area = scan->GetScanArea();
    const double w = m_overlayLayer.width();
    const double h = m_overlayLayer.height();
    const double fx = CSpatialScanData::AreaWidthFraction(area, static_cast<uint16_t>(m_nColumnCount));
    const double fy = CSpatialScanData::AreaHeightFraction(area, static_cast<uint16_t>(m_nRowCount));
    double originX = w * fields.m_boardX;
    double originY = h * fields.m_boardY;
    if (m_bPlacementCached != 0) {
        // An origin cached at another cell size is in other pixels: the stored one serves.
        if (m_fCachedCellSize == m_fCellSize) {
            originX = m_fCachedOriginX;
            originY = m_fCachedOriginY;
        }
        m_bPlacementCached = 0;
    }
    if (!Usable(originX) || !Usable(originY) || !Usable(w * fx) || !Usable(h * fy)) {
        return;
    }
    m_fCachedOriginX = static_cast<float>(originX);
    m_fCachedOriginY = static_cast<float>(originY);
    const QRect viewport(Truncate(originX), Truncate(originY), Truncate(w * fx), Truncate(h * fy));

    QPainter painter(&m_overlayLayer);
    const int64_t windowWidth = static_cast<int64_t>(fields.m_rectRight) - fields.m_rectLeft;
    const int64_t windowHeight = static_cast<int64_t>(fields.m_rectBottom) - fields.m_rectTop;
    // A window without extent maps nothing anywhere; it is only the board frame then.
    if (windowWidth != 0 && windowHeight != 0 && std::llabs(windowWidth) <= kLayerSideLimit * 1000LL &&
        std::llabs(windowHeight) <= kLayerSideLimit * 1000LL && m_overlayDrawLists) {
        painter.save();
        painter.setWindow(fields.m_rectLeft, fields.m_rectTop, static_cast<int>(windowWidth),
                          static_cast<int>(windowHeight));
        painter.setViewport(viewport);
        COverlayUtility::PaintDrawList(painter, m_overlayDrawLists(fields.m_overlayId, fields.m_rotation));
        painter.restore();
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1));
    // As a rectangle from the origin to origin + extent, right and bottom edges excluded.
    painter.drawRect(viewport.x(), viewport.y(), viewport.width() - 1, viewport.height() - 1);
}

bool CSpatialView::PrepareOverlay() {
    CScanData* scan = m_pScanData;
    const QSpatialDisplayOptions* options = NodeOptions();
    if (scan == nullptr || options == nullptr || !options->ShowsOverlay()) {
        return false;
    }
    QOverlayOptions* overlay = m_pMediator != nullptr ? m_pMediator->GetOverlayOptions() : nullptr;
    const SpatialOverlayFields fields = SpatialOverlayFields::Read(*scan, overlay);
    if (FindOverlayControl(fields.m_overlayId) == nullptr) {
        return false;
    }
    if (m_bRebuild == 0 && m_fCellSize == m_fOverlayCellSize && !fields.m_changed) {
        return false;
    }
    CreateOverlayLayer();
    DrawOverlayLayer();
    m_fOverlayCellSize = m_fCellSize;
    SpatialOverlayFields::ClearChanged(*scan, overlay);
    return true;
}

bool CSpatialView::LoadPicture(const COverlayControl& control, uint32_t id, int32_t rotation, int32_t turns) {
    if (!m_picture.isNull() && id == m_nPictureId && rotation == m_nPictureRotation) {
        return true;
    }
    ++m_nPictureLoadCount;
    m_picture = QImage();
    m_nPictureId = id;
    m_nPictureRotation = rotation;
    QImage image = COverlayControlImage::GetImage(control);
    if (image.isNull()) {
        return false;
    }
    if (turns != 0) {
        image = image.transformed(QTransform().rotate(90.0 * turns));
    }
    // Laid on white: what the picture leaves transparent shows as the board's background.
    QImage onWhite(image.size(), QImage::Format_RGB32);
    if (onWhite.isNull()) {
        return false;
    }
    onWhite.fill(Qt::white);
    QPainter painter(&onWhite);
    painter.drawImage(0, 0, image);
    painter.end();
    m_picture = onWhite;
    return true;
}

void CSpatialView::ComposeLayers(bool toTexture) {
    CScanData* scan = m_pScanData;
    const QSpatialDisplayOptions* options = NodeOptions();
    QOverlayOptions* overlay = m_pMediator != nullptr ? m_pMediator->GetOverlayOptions() : nullptr;
    if (!toTexture) {
        // Where the overlay lies on the map as drawn now; none until this draw places it (the wheel
        // acts over it).
        m_rcPicture = QRect();
    }
    const double s = m_fCellSize;
    if (!Usable(s) || !(s > 0.0) || m_nColumnCount <= 0 || m_nRowCount <= 0) {
        return;
    }
    const bool blend = options != nullptr && options->BlendsOverlay();
    // The zoom window in grid pixels at the current cell size.
    const QRectF zoom(Span(m_nZoomFirstColumn, m_fCellSize), Span(m_nZoomFirstRow, m_fCellSize),
                      Span(m_nShownColumns, m_fCellSize), Span(m_nShownRows, m_fCellSize));
    const int32_t zoomWidth = Truncate(static_cast<float>(m_nShownColumns) * m_fCellSize);
    const int32_t zoomHeight = Truncate(static_cast<float>(m_nShownRows) * m_fCellSize);
    const double glVersion = m_p3DView != nullptr ? m_p3DView->GetOpenGLVersion() : 2.0;
    const bool squareTexture = glVersion < 2.0;

    if (m_pMediator != nullptr && m_pMediator->HasProbeVideoTrack()) {
        if (scan != nullptr && blend) {
            const SpatialOverlayFields fields = SpatialOverlayFields::Read(*scan, overlay);
            if (fields.m_opacity < 1) {
                SpatialOverlayFields::WriteOpacity(*scan, overlay, 50);
            }
        }
        // The tracker of the node's camera draws its own preview unless one was set on the view; the
        // track is pinned while it draws.
        const std::shared_ptr<CProbeVideoTrack> track = m_pMediator->GetProbeVideoTrack();
        CProbeVideoPreview* const preview =
            m_pProbePreview != nullptr ? m_pProbePreview : dynamic_cast<CProbeVideoPreview*>(track.get());
        if (preview == nullptr) {
            return;
        }
        ProbePreviewPlacement placement;
        InitProbePreviewPlacement(placement);
        const auto columns = static_cast<float>(m_nColumnCount);
        const auto rows = static_cast<float>(m_nRowCount);
        const float sx = static_cast<float>(m_nZoomFirstColumn) / columns;
        const float sy = static_cast<float>(m_nZoomFirstRow) / rows;
        const float sw = static_cast<float>(m_nShownColumns) / columns;
        const float sh = static_cast<float>(m_nShownRows) / rows;
        if (toTexture) {
            CreateTextureLayer(zoomWidth, zoomHeight);
            if (m_textureLayer.isNull()) {
                return;
            }
            QPainter painter(&m_textureLayer);
            preview->DrawPreview(painter, placement, 0, 0, zoomWidth, zoomHeight, sx, sy, sw, sh,
                                 0xFFFFFFFFU);
        } else if (!m_backBuffer.isNull()) {
            QPainter painter(&m_backBuffer);
            preview->DrawPreview(painter, placement, m_nMapOriginX, m_nMapOriginY, zoomWidth, zoomHeight, sx,
                                 sy, sw, sh, (static_cast<uint32_t>(kTrackingAlpha) << 24) | 0xFFFFFFU);
        }
        return;
    }

    if (options == nullptr || !options->ShowsOverlay() || scan == nullptr) {
        return;
    }
    const SpatialOverlayFields fields = SpatialOverlayFields::Read(*scan, overlay);
    const COverlayControl* control = FindOverlayControl(fields.m_overlayId);
    if (control == nullptr) {
        return;
    }
    const QRectF mapArea(m_nMapOriginX, m_nMapOriginY, zoomWidth, zoomHeight);

    if (!fields.m_picture) {
        if (m_overlayLayer.isNull() || !(m_fLayerCellSize > 0.0F)) {
            return;
        }
        const double layerCell = m_fLayerCellSize;
        const QRect source(Truncate(Span(m_nZoomFirstColumn, m_fLayerCellSize)),
                           Truncate(Span(m_nZoomFirstRow, m_fLayerCellSize)),
                           Truncate(Span(m_nShownColumns, m_fLayerCellSize)),
                           Truncate(Span(m_nShownRows, m_fLayerCellSize)));
        if (toTexture) {
            const QImage see = WhiteTransparent(m_overlayLayer, source);
            if (squareTexture) {
                QImage staging = WhiteImage(zoomWidth, zoomHeight);
                if (staging.isNull()) {
                    return;
                }
                QPainter stage(&staging);
                stage.drawImage(QRect(0, 0, zoomWidth, zoomHeight), see);
                stage.end();
                CreateTextureLayer(kOldTextureSide, kOldTextureSide);
                if (m_textureLayer.isNull()) {
                    return;
                }
                QPainter painter(&m_textureLayer);
                painter.setRenderHint(QPainter::SmoothPixmapTransform);
                painter.drawImage(QRect(0, 0, kOldTextureSide, kOldTextureSide), staging);
            } else {
                CreateTextureLayer(zoomWidth, zoomHeight);
                if (m_textureLayer.isNull()) {
                    return;
                }
                QPainter painter(&m_textureLayer);
                painter.drawImage(QRect(0, 0, zoomWidth, zoomHeight), see);
            }
            return;
        }
        if (m_backBuffer.isNull()) {
            return;
        }
        QPainter painter(&m_backBuffer);
        if (!blend) {
            painter.drawImage(mapArea, WhiteTransparent(m_overlayLayer, source));
            return;
        }
        if (fields.m_opacity < 1) {
            SpatialOverlayFields::WriteOpacity(*scan, overlay, 50);
        }
        const int32_t alpha = PictureAlpha(fields.BlendOpacity());
        const CScanAreaRecord& area = scan->GetScanArea();
        const double w = m_overlayLayer.width();
        const double h = m_overlayLayer.height();
        const double boardX = w * fields.m_boardX;
        const double boardY = h * fields.m_boardY;
        const double boardWidth =
            w * CSpatialScanData::AreaWidthFraction(area, static_cast<uint16_t>(m_nColumnCount));
        const double boardHeight =
            h * CSpatialScanData::AreaHeightFraction(area, static_cast<uint16_t>(m_nRowCount));
        if (!Usable(boardX) || !Usable(boardY) || !Usable(boardWidth) || !Usable(boardHeight)) {
            return;
        }
        const QRect board =
            QRect(Truncate(boardX), Truncate(boardY), Truncate(boardWidth), Truncate(boardHeight))
                .intersected(source);
        m_rcPicture = QRect(m_nMapOriginX, m_nMapOriginY + m_nTopMargin, zoomWidth, zoomHeight);
        if (board.isEmpty()) {
            return;
        }
        const double scale = s / layerCell;
        const QRectF destination(m_nMapOriginX + (board.x() - source.x()) * scale,
                                 m_nMapOriginY + (board.y() - source.y()) * scale, board.width() * scale,
                                 board.height() * scale);
        painter.setOpacity(alpha / 255.0);
        painter.drawImage(destination, m_overlayLayer, QRectF(board));
        return;
    }

    // The board picture.
    if (!LoadPicture(*control, fields.m_overlayId, fields.m_rotation, fields.QuarterTurns())) {
        return;
    }
    const double gridWidth = Span(m_nColumnCount, m_fCellSize);
    const double gridHeight = Span(m_nRowCount, m_fCellSize);
    double x = gridWidth * fields.m_placeX;
    double y = gridHeight * fields.m_placeY;
    const double width = gridWidth * fields.m_placeWidth;
    const double height = gridHeight * fields.m_placeHeight;
    if (m_bPlacementCached != 0) {
        if (m_fCachedCellSize == m_fCellSize) {
            x = m_fCachedOriginX;
            y = m_fCachedOriginY;
        }
        m_bPlacementCached = 0;
    }
    if (!Usable(x) || !Usable(y) || !Usable(width) || !Usable(height) || !(width > 0.0) || !(height > 0.0)) {
        return;
    }
    m_fCachedOriginX = static_cast<float>(x);
    m_fCachedOriginY = static_cast<float>(y);
    const QRectF placed(x, y, width, height);
    const QRectF inside = placed.intersected(zoom);
    if (inside.isEmpty()) {
        return;
    }
    const double toImageX = m_picture.width() / width;
    const double toImageY = m_picture.height() / height;
    const QRectF source((inside.x() - x) * toImageX, (inside.y() - y) * toImageY, inside.width() * toImageX,
                        inside.height() * toImageY);
    const QRectF atZoom(inside.x() - zoom.x(), inside.y() - zoom.y(), inside.width(), inside.height());
    if (toTexture) {
        QImage* into = &m_textureLayer;
        QImage staging;
        if (squareTexture) {
            staging = WhiteImage(zoomWidth, zoomHeight);
            into = &staging;
        } else {
            CreateTextureLayer(zoomWidth, zoomHeight);
        }
        if (into->isNull()) {
            return;
        }
        QPainter painter(into);
        painter.drawImage(atZoom, m_picture, source);
        painter.end();
        if (squareTexture) {
            CreateTextureLayer(kOldTextureSide, kOldTextureSide);
            if (m_textureLayer.isNull()) {
                return;
            }
            QPainter square(&m_textureLayer);
            square.setRenderHint(QPainter::SmoothPixmapTransform);
            square.drawImage(QRect(0, 0, kOldTextureSide, kOldTextureSide), staging);
        }
        return;
    }
    if (m_backBuffer.isNull()) {
        return;
    }
    const QRectF destination = atZoom.translated(m_nMapOriginX, m_nMapOriginY);
    const int32_t opacity = std::clamp(fields.m_opacity, 0, 100);
    QPainter painter(&m_backBuffer);
    painter.save();
    painter.setOpacity(PictureAlpha(opacity) / 255.0);
    painter.drawImage(destination, m_picture, source);
    painter.restore();
    const QRect drawn(Truncate(destination.x()), Truncate(destination.y()), Truncate(destination.width()),
                      Truncate(destination.height()));
    if (opacity < kFaintPictureOpacity) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(QRgb(kFaintPictureFrame)), 1));
        painter.drawRect(drawn.x(), drawn.y(), drawn.width() - 1, drawn.height() - 1);
    }
    m_rcPicture = drawn.translated(0, m_nTopMargin);
}

} // namespace orv
