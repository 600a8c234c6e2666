#pragma once

class QPainter;

namespace orv {

class COverlayDrawList;

class COverlayUtility {
public:
    // Paints every primitive of the list in the painter's current window and viewport; the
    // painter's state is the same afterwards. A null list paints nothing.
    static void PaintDrawList(QPainter& painter, const COverlayDrawList* list);
};

} // namespace orv
