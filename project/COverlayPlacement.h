#pragma once

#include <cstdint>

namespace orv {

// Where one overlay lies over the scan grid, as the overlay editor hands it to and takes it from its
// owner, and as the project's overlay clipboard keeps it. A picture (or snapshot) is placed by
// fractions of the drawing area; a drawing by its origin fractions and its extent in drawing units,
// whose first corner need not be the smaller after a mirror or a turn.
struct COverlayPlacement {
    uint32_t m_overlayId = 0;
    float m_pictureLeft = 0.0F;
    float m_pictureTop = 0.0F;
    float m_pictureWidth = 0.0F;
    float m_pictureHeight = 0.0F;
    uint8_t m_mirrorHorizontal = 0;
    uint8_t m_mirrorVertical = 0;
    int8_t m_pictureQuarterTurns = 0;
    // Percent, 0 fully transparent to 100 opaque.
    int32_t m_opacity = 0;
    int8_t m_drawingQuarterTurns = 0;
    float m_originX = 0.0F;
    float m_originY = 0.0F;
    int32_t m_extentX1 = 0;
    int32_t m_extentY1 = 0;
    int32_t m_extentX2 = 0;
    int32_t m_extentY2 = 0;

    bool operator==(const COverlayPlacement& other) const = default;
};

} // namespace orv
