#include "views/spatial/CViewFrameMaker.h"

#include "app/project/CFormViewFactory.h"
#include "app/project/CProjectDropTarget.h"
#include "views/spatial/CSpatialBlindSpotReductionViewFrame.h"
#include "views/spatial/CSpatialComparisonViewFrame.h"
#include "views/spatial/CSpatialViewFrame.h"
#include "views/spatial/CSpectralComparisonViewFrame.h"
#include "views/spatial/CSpectralOverlayViewFrame.h"
#include "views/spatial/CSpectralSpatialScriptingViewFrame.h"
#include "views/spatial/CSpectralSpatialViewFrame.h"
#include "views/spatial/CSpectralViewFrame.h"
#include "views/spatial/CViewFrame.h"

namespace orv {

std::unique_ptr<QViewFrame> CViewFrameMaker::Make(const QFrameRequest& request, CHalvionView& formView) {
    std::unique_ptr<CViewFrame> frame;
    switch (request.frameClass) {
    case QFrameClass::Spectral:
        frame = std::make_unique<CSpectralViewFrame>(request, formView);
        break;
    case QFrameClass::Spatial:
        frame = std::make_unique<CSpatialViewFrame>(request, formView);
        break;
    case QFrameClass::SpectralSpatial:
        frame = std::make_unique<CSpectralSpatialViewFrame>(request, formView);
        break;
    case QFrameClass::SpectralComparison:
        frame = std::make_unique<CSpectralComparisonViewFrame>(request, formView);
        break;
    case QFrameClass::SpatialComparison:
        frame = std::make_unique<CSpatialComparisonViewFrame>(request, formView);
        break;
    case QFrameClass::SpectralOverlay:
        frame = std::make_unique<CSpectralOverlayViewFrame>(request, formView);
        break;
    case QFrameClass::Scripting:
        frame = std::make_unique<CSpectralSpatialScriptingViewFrame>(request, formView);
        break;
    case QFrameClass::BlindSpotReduction:
        frame = std::make_unique<CSpatialBlindSpotReductionViewFrame>(request, formView);
        break;
    }
    if (frame == nullptr || !frame->Create()) {
        return nullptr;
    }
    return frame;
}

void CViewFrameMaker::Install() {
    CFormViewFactory::SetFrameMaker(&CViewFrameMaker::Make);
    CViewFrame::SetDropTargetHook(&CProjectDropTarget::Move);
}

} // namespace orv
