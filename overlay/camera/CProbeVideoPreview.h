#pragma once

#include <cstdint>

class QPainter;

namespace orv {

// How the camera frame is laid into the view.
struct ProbePreviewPlacement {
    float m_scale = 1.0F;
    int32_t m_tint = -1;
};

// Fills a placement with its defaults (scale 1.0, no tint).
void InitProbePreviewPlacement(ProbePreviewPlacement& placement);

// The drawing side of a camera's probe tracker: its latest frame drawn into a rectangle, with the
// tracked positions marked.
class CProbeVideoPreview {
public:
    virtual ~CProbeVideoPreview() = default;
    // Draws the part (sx, sy, sw, sh; fractions of the frame) of the latest frame into (x, y, width,
    // height); the top byte of `colour` is the frame's alpha.
    virtual void DrawPreview(QPainter& painter, const ProbePreviewPlacement& placement, int32_t x, int32_t y,
                             int32_t width, int32_t height, float sx, float sy, float sw, float sh,
                             uint32_t colour) = 0;
};

} // namespace orv
