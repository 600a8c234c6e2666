#pragma once

namespace orv {

class QOptionNode;

// The part of a node mediator that option objects walk: from a node's mediator to its parent's,
// and from a mediator to the node behind it (a reference node's mediator answers with its target).
class QOptionMediator {
public:
    QOptionMediator() = default;
    QOptionMediator(const QOptionMediator&) = delete;
    QOptionMediator& operator=(const QOptionMediator&) = delete;
    virtual ~QOptionMediator();

    virtual QOptionNode* GetNode() = 0;
    // Null for the root of a tree.
    virtual QOptionMediator* GetParentMediator() = 0;
};

} // namespace orv
