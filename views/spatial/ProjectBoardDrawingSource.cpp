#include "views/spatial/ProjectBoardDrawingSource.h"

#include "core/QException.h"
#include "overlay/COverlayControlDrawList.h"
#include "project/COverlayControl.h"
#include "project/TfrmMainApp.h"

#include <memory>
#include <new>
#include <utility>

namespace orv {

CSpatialView::OverlayDrawListSource MakeProjectBoardDrawingSource(std::function<TfrmMainApp*()> project) {
    // Shared by the copies the view's function object may make of it.
    auto kept = std::make_shared<std::unique_ptr<COverlayControlDrawList>>();
    return [project = std::move(project), kept](uint32_t overlayId,
                                                int32_t quarterTurns) -> const COverlayDrawList* {
        TfrmMainApp* owner = project ? project() : nullptr;
        COverlayControl* control = owner != nullptr ? owner->FindOverlayControl(overlayId) : nullptr;
        if (control == nullptr || control->GetSourceKind() != COverlayControl::kPcbDrawing) {
            return nullptr;
        }
        try {
            const std::shared_ptr<const DrawList> drawing = control->GetDrawList();
            if (drawing == nullptr) {
                return nullptr;
            }
            if (*kept == nullptr || !(*kept)->IsMadeFrom(drawing, quarterTurns)) {
                kept->reset();
                *kept = std::make_unique<COverlayControlDrawList>(drawing, quarterTurns);
            }
            return kept->get();
        } catch (const QException&) {
            // A stored drawing that does not read back, or one too large to copy: the layer shows
            // the board's frame without it.
        } catch (const std::bad_alloc&) {
        }
        kept->reset();
        return nullptr;
    };
}

} // namespace orv
