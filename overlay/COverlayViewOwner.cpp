#include "overlay/COverlayViewOwner.h"

#include "overlay/COverlayViewFrame.h"

namespace orv {

COverlayViewOwner::~COverlayViewOwner() {
    if (m_overlayFrame != nullptr) {
        m_overlayFrame->ForgetOwner();
    }
}

bool COverlayViewOwner::IsOverlayCellMarked(int32_t /*row*/, int32_t /*column*/) const {
    return false;
}

bool COverlayViewOwner::DrawOverlayHeatMap(QImage& /*target*/, const QPoint& /*at*/, float /*scale*/,
                                           int32_t /*rows*/, int32_t /*columns*/) {
    return false;
}

void COverlayViewOwner::TakeOverlayDrawing(DrawList /*turned*/, int32_t /*opacity*/) {}

MessageTarget* COverlayViewOwner::GetOverlayOwnerTarget() {
    return nullptr;
}

QNodeMediator* COverlayViewOwner::GetOverlayOwnerMediator() const {
    return nullptr;
}

} // namespace orv
