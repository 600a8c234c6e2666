#pragma once

#include "dialogs/ProbeGridLayers.h"

#include <QImage>

namespace orv {

class QNodeMediator;

// The camera picture of a hand-held probe node as the probes page draws it: the latest frame of the
// node's probe tracker with its tracked points, and the tracked probe tip's place.
//
// User-interface thread only; frames come from the capture's copy under its own mutex.
class CNodeProbeCameraLayer final : public CProbeCameraLayer {
public:
    explicit CNodeProbeCameraLayer(QNodeMediator& mediator) : m_mediator(mediator) {}

    bool IsTracking() const override;
    bool DrawPreview(QPainter& painter, const QRect& area) override;
    std::optional<QPointF> GetMarkerFraction() const override;
    // The latest frame of the node's camera; a null image without one.
    QImage GetLatestFrame() const;

private:
    QNodeMediator& m_mediator;
};

} // namespace orv
