#include "dialogs/CNodeProbeCameraLayer.h"

#include "overlay/camera/CProbeMarkerTracker.h"
#include "overlay/camera/CVideoCap.h"
#include "project/QNodeMediator.h"

#include <QPainter>

namespace orv {

bool CNodeProbeCameraLayer::IsTracking() const {
    return m_mediator.HasProbeVideoTrack();
}

QImage CNodeProbeCameraLayer::GetLatestFrame() const {
    const auto tracker = std::dynamic_pointer_cast<CProbeMarkerTracker>(m_mediator.GetProbeVideoTrack());
    QImage frame;
    if (tracker == nullptr || tracker->GetCapture() == nullptr || !tracker->GetCapture()->GetFrame(frame)) {
        return {};
    }
    return frame;
}

bool CNodeProbeCameraLayer::DrawPreview(QPainter& painter, const QRect& area) {
    // The tracker is pinned for the call: the node may stop its tracking meanwhile.
    const std::shared_ptr<CProbeVideoTrack> track = m_mediator.GetProbeVideoTrack();
    auto* preview = dynamic_cast<CProbeVideoPreview*>(track.get());
    if (preview == nullptr || GetLatestFrame().isNull()) {
        return false;
    }
    ProbePreviewPlacement placement;
    InitProbePreviewPlacement(placement);
    preview->DrawPreview(painter, placement, area.x(), area.y(), area.width(), area.height(), 0.0F, 0.0F,
                         1.0F, 1.0F, CVideoCap::kNoTint);
    return true;
}

std::optional<QPointF> CNodeProbeCameraLayer::GetMarkerFraction() const {
    if (!m_mediator.IsProbeMarkerTracked()) {
        return std::nullopt;
    }
    float x = 0.0F;
    float y = 0.0F;
    m_mediator.GetProbeMarkerPosition(x, y);
    return QPointF(x, y);
}

} // namespace orv
