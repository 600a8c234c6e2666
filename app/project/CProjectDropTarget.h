#pragma once

// The one drop target of a project: scan data dragged from the project's scan-data list is dropped
// onto the comparison, overlay or blind-spot view the user worked in last. When a frame of such a
// view becomes active the target moves there; the view it leaves takes no drops any more. Each
// project (the node container of its nodes) has its own.
//
// User-interface thread only.

class QWidget;

namespace orv {

class QNodeMediator;

class CProjectDropTarget {
public:
    // Makes the view (for a scroll area, also its viewport, which receives the drag events) the
    // drop target of the mediator's project.
    static void Move(QWidget& view, QNodeMediator& mediator);
    // The drop target of the mediator's project; null when none.
    static QWidget* GetCurrent(const QNodeMediator& mediator);
};

} // namespace orv
