#include "overlay/COverlayUtility.h"

#include "overlay/COverlayDrawList.h"

#include <QPainter>

namespace orv {

void COverlayUtility::PaintDrawList(QPainter& painter, const COverlayDrawList* list) {
    if (list == nullptr) {
        return;
    }
    const size_t count = list->GetPrimitiveCount();
    for (size_t i = 0; i < count; ++i) {
        // One primitive's pen or brush must not leak into the next.
        painter.save();
        list->PaintPrimitive(painter, i);
        painter.restore();
    }
}

} // namespace orv
