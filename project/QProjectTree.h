#pragma once

namespace orv {

class QNodeMediator;

// The project tree pane, as far as the node mediators use it.
class QProjectTree {
public:
    QProjectTree() = default;
    QProjectTree(const QProjectTree&) = delete;
    QProjectTree& operator=(const QProjectTree&) = delete;
    virtual ~QProjectTree();

    // Invalidates the tree window and updates it at once.
    virtual void Repaint() = 0;
    virtual void SelectNode(QNodeMediator& mediator) = 0;
};

} // namespace orv
