#include "overlay/COverlayControlDrawList.h"

#include "overlay/COverlayUtility.h"

#include <QPainter>

namespace orv {

COverlayControlDrawList::COverlayControlDrawList(const std::shared_ptr<const DrawList>& drawing,
                                                 int32_t quarterTurns)
    : m_source(drawing), m_quarterTurns(quarterTurns),
      m_turned(COverlayUtility::BuildDrawList(drawing != nullptr ? drawing->Head() : nullptr, quarterTurns)),
      m_runStarts(COverlayUtility::FindSelfContainedRuns(m_turned.Head())) {}

bool COverlayControlDrawList::IsMadeFrom(const std::shared_ptr<const DrawList>& drawing,
                                         int32_t quarterTurns) const {
    // Compared by ownership, not address: the weak reference keeps the dropped drawing's control
    // block, so a drawing made since can never pass for it.
    const bool same = !m_source.owner_before(drawing) && !drawing.owner_before(m_source);
    return same && drawing != nullptr && quarterTurns == m_quarterTurns;
}

void COverlayControlDrawList::PaintPrimitive(QPainter& painter, size_t index) const {
    if (index >= m_runStarts.size()) {
        return;
    }
    const DrawBase_t* end = index + 1 < m_runStarts.size() ? m_runStarts[index + 1] : nullptr;
    // One pixel whatever the board's scale, as the overlay editor draws the drawing.
    painter.setPen(QPen(Qt::black, 0));
    COverlayUtility::PaintDrawing(painter, m_runStarts[index], end);
}

} // namespace orv
