#pragma once

namespace orv {

// What a scan container asks of the mediator of the node that owns it. The node hands the mediator
// to its container whenever its own is set.
class QScanContainerMediator {
public:
    virtual ~QScanContainerMediator() = default;

    // dB above the lowest stored level from which a spatial scan's cells are shown compensated.
    virtual float GetCompensationThreshold() const = 0;

protected:
    QScanContainerMediator() = default;
    QScanContainerMediator(const QScanContainerMediator&) = default;
    QScanContainerMediator& operator=(const QScanContainerMediator&) = default;
};

} // namespace orv
