#pragma once

#include <cstddef>

class QPainter;

namespace orv {

// A board drawing as the overlay windows paint it: a sequence of primitives, each painting itself
// in the painter's current mapping (board coordinates in, layer pixels out).
class COverlayDrawList {
public:
    virtual ~COverlayDrawList() = default;
    virtual size_t GetPrimitiveCount() const = 0;
    virtual void PaintPrimitive(QPainter& painter, size_t index) const = 0;
};

} // namespace orv
