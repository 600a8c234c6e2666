#pragma once

#include "core/drawing/DrawList.h"
#include "overlay/COverlayDrawList.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace orv {

// A project overlay's board drawing as the heat map's board layer paints it: a copy of the overlay
// control's drawing turned by the placement's signed quarter turns (as the overlay editor turns its
// own copy), painted in runs that each stand on their own, with a hairline black pen. Mirroring is
// the layer's: its window runs from the placement extent's first corner to its second.
//
// The copy is the list's own, so the project may drop or replace the control while the list lives.
class COverlayControlDrawList : public COverlayDrawList {
public:
    // Raises what BuildDrawList raises when memory runs out.
    COverlayControlDrawList(const std::shared_ptr<const DrawList>& drawing, int32_t quarterTurns);

    // Whether this list is the given drawing (the very one a control handed out) with those turns.
    bool IsMadeFrom(const std::shared_ptr<const DrawList>& drawing, int32_t quarterTurns) const;

    size_t GetPrimitiveCount() const override { return m_runStarts.size(); }
    void PaintPrimitive(QPainter& painter, size_t index) const override;

private:
    // Only to recognise the drawing: it does not keep the control's drawing alive.
    std::weak_ptr<const DrawList> m_source;
    int32_t m_quarterTurns = 0;
    DrawList m_turned;
    std::vector<const DrawBase_t*> m_runStarts;
};

} // namespace orv
