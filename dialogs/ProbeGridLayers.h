#pragma once

// What the scan probes page draws besides its cells, given to it by the parts that own them: the
// camera picture of a hand-held probe node (under the cells), the board overlay (over them) and the
// robot arm's position (last). The page draws none of them until it is given one.

#include <QPointF>
#include <QRect>
#include <QSize>

#include <optional>

class QPainter;

namespace orv {

class CProbeCameraLayer {
public:
    virtual ~CProbeCameraLayer() = default;
    // Whether the node's camera tracking runs; while it does the page draws the camera picture in
    // place of the bands and the overlay.
    virtual bool IsTracking() const = 0;
    // Draws the latest camera picture over `area` (picture coordinates); false when there was no
    // frame to draw.
    virtual bool DrawPreview(QPainter& painter, const QRect& area) = 0;
    // Where the tracked probe marker is, as fractions (0-1) of the picture's width and height.
    virtual std::optional<QPointF> GetMarkerFraction() const = 0;
};

class CProbeOverlayLayer {
public:
    virtual ~CProbeOverlayLayer() = default;
    // Draws the board picture or drawing over the cells of a picture of that size.
    virtual void Draw(QPainter& painter, const QSize& picture) = 0;
};

class CProbeArmMarker {
public:
    virtual ~CProbeArmMarker() = default;
    // Marks where the arm stands over a picture of that size.
    virtual void Draw(QPainter& painter, const QSize& picture) = 0;
};

} // namespace orv
