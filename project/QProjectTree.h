#pragma once

#include <cstdint>
#include <string>

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
    // The tree item of the node with the ID shows the text (a renamed node).
    virtual void SetNodeItemText(uint32_t nodeId, const std::string& text) = 0;
};

} // namespace orv
