#pragma once

#include <cstdint>

namespace orv {

class CScanData;
class QOverlayOptions;

// The overlay placement of the shown scan as the layers read it. Nothing of it is stored in a form
// of its own; it is read through this one table from the records that carry it:
//
//   field                  drawing overlay                    picture overlay
//   overlay id             scan area: overlay id              scan area: overlay id
//   picture flag           scan area: variant != 0            scan area: variant != 0
//   quarter turns          scan area: rotation count          scan area: rotation count
//   overlay rectangle      scan area: left, top, right, bottom
//   board offset x, y      scan area: values 0, 1
//   placement x, y, w, h                                      scan area: other values 0-3
//   opacity (percent)      node overlay options: picture int  scan area: other word
//   placement flag         node overlay options: flag 0       scan area: other byte 0
//   overlay-changed flag   node overlay options: flag 1       scan area: other byte 1
//
// The scan's own area record comes first; a drawing's record has no opacity or flags, so those are
// the node's overlay options (which the node sets to 50 percent when its views are wired).
struct SpatialOverlayFields {
    uint32_t m_overlayId = 0;
    bool m_picture = false;
    int32_t m_rotation = 0;
    int32_t m_rectLeft = 0;
    int32_t m_rectTop = 0;
    int32_t m_rectRight = 0;
    int32_t m_rectBottom = 0;
    float m_boardX = 0.0F;
    float m_boardY = 0.0F;
    float m_placeX = 0.0F;
    float m_placeY = 0.0F;
    float m_placeWidth = 0.0F;
    float m_placeHeight = 0.0F;
    int32_t m_opacity = 0;
    bool m_placed = false;
    bool m_changed = false;

    static SpatialOverlayFields Read(const CScanData& scan, const QOverlayOptions* options);
    // Writes the opacity where Read took it from.
    static void WriteOpacity(CScanData& scan, QOverlayOptions* options, int32_t opacity);
    // Writes the overlay's origin fractions where Read took them from: the picture's placement x and
    // y, or the drawing's board offset.
    static void WriteOrigin(CScanData& scan, float x, float y);
    // Clears the overlay-changed flag where Read took it from.
    static void ClearChanged(CScanData& scan, QOverlayOptions* options);

    // Quarter turns as a count 0 to 3 (the stored count taken modulo 4, a negative one turning the
    // other way round: -1 is three turns).
    int32_t QuarterTurns() const { return ((m_rotation % 4) + 4) % 4; }
    // The opacity the blend uses: below 1 counts as 50, above 100 as 100.
    int32_t BlendOpacity() const;
};

} // namespace orv
