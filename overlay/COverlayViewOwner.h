#pragma once

#include "core/drawing/DrawList.h"
#include "project/COverlayPlacement.h"

#include <cstdint>

class QImage;
class QPoint;

namespace orv {

class COverlayViewFrame;
class MessageTarget;
class QNodeMediator;

// The one window an overlay editor works for: the scan-data description dialog, the scan probes page
// or a spatial view. It gives the editor the overlay and its placement, the cells to show under it,
// and takes the placement back when the user applies it.
//
// The owner and its editor frame know each other: the frame forgets the owner when the owner goes,
// and the owner's pointer to the frame is cleared when the frame goes.
class COverlayViewOwner {
public:
    enum class Kind : uint8_t { DescriptionDialog, ProbesPage, SpatialView };

    COverlayViewOwner() = default;
    COverlayViewOwner(const COverlayViewOwner&) = delete;
    COverlayViewOwner& operator=(const COverlayViewOwner&) = delete;
    virtual ~COverlayViewOwner();

    virtual Kind GetOverlayOwnerKind() const = 0;

    // The owner's overlay ID and placement; false (the placement untouched) when the owner has none
    // to give, as a spatial view without a scan.
    virtual bool ReadOverlayPlacement(COverlayPlacement& placement) = 0;
    // The applied placement of an overlay of that kind (a drawing, else a picture or snapshot).
    virtual void WriteOverlayPlacement(const COverlayPlacement& placement, bool drawing) = 0;
    // Called after WriteOverlayPlacement: the owner shows the new placement.
    virtual void OnOverlayPlacementApplied() = 0;
    // A drawing's placement applied to the description dialog or the probes page: the drawing as the
    // owner paints it, turned by the applied quarter turns, and the opacity the owner blends it at
    // (50). Comes between WriteOverlayPlacement and the apply notice. Nothing by default.
    virtual void TakeOverlayDrawing(DrawList turned, int32_t opacity);
    // Where the description dialog and the probes page take the apply notice (10020, wParam 1 for
    // the dialog, 0 for the page), posted after the placement was written; none by default.
    virtual MessageTarget* GetOverlayOwnerTarget();

    // The owner's cell table (rows by 42 columns): whether the cell is marked to be shown in green
    // under the overlay. None by default.
    virtual bool IsOverlayCellMarked(int32_t row, int32_t column) const;
    // Draws the owner's heat map into the target with the grid's top-left cell at `at` and cells of
    // `scale` pixels; false when it drew nothing (owners without one).
    virtual bool DrawOverlayHeatMap(QImage& target, const QPoint& at, float scale, int32_t rows,
                                    int32_t columns);
    // The node whose views show the owner's overlay; null where there is none.
    virtual QNodeMediator* GetOverlayOwnerMediator() const;

    COverlayViewFrame* GetOverlayFrame() const { return m_overlayFrame; }
    // The frame sets itself when it takes the owner and clears itself when it goes.
    void SetOverlayFrame(COverlayViewFrame* frame) { m_overlayFrame = frame; }

private:
    COverlayViewFrame* m_overlayFrame = nullptr;
};

} // namespace orv
