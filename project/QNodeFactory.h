#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace orv {

class QNode;
class QNodeContainer;
class QNodeMediator;
class QProjectStorageManager;

// Turns a node type id (2000 to 2033) into a node of that kind and, in the common path, into the
// node together with the mediator through which the rest of the program handles it. Made on the
// stack for each use.
class QNodeFactory {
public:
    // Makes the mediator kind that owns a node (the fundamental mediator), without arguments.
    using FundamentalMediatorMaker = std::function<std::unique_ptr<QNodeMediator>()>;

    static constexpr const char* kInvalidNodeTypeText =
        "Error#314: Invalid node type.  Node creation has failed.";
    // Never given to a node: it is what a mediator without a node answers as its node's ID.
    static constexpr uint32_t kNoNodeId = 0xFFFFFFFFU;

    QNodeFactory() = default;
    explicit QNodeFactory(FundamentalMediatorMaker maker) : m_makeFundamental(std::move(maker)) {}
    QNodeFactory(const QNodeFactory&) = delete;
    QNodeFactory& operator=(const QNodeFactory&) = delete;
    virtual ~QNodeFactory();

    // True for the type ids that name a node kind.
    static bool IsNodeKind(uint16_t type);
    // True for the reference kinds, which the program handles through a proxy mediator.
    static bool IsReferenceKind(uint16_t type);

    // The node of the kind, with the factory's context and its type set; with assignNewId a new ID
    // (see DrawNodeId), else ID 0. A type that is no node kind throws QException
    // kInvalidNodeTypeText.
    std::unique_ptr<QNode> CreateNode(uint16_t type, bool assignNewId);

    // Makes the node and its fundamental mediator, wires them (the mediator owns the node, the node
    // points back at it, the mediator's parent is `parent`, null for a root) and lets the node take
    // the settings it follows from its ancestors. Answers a proxy mediator that owns the
    // fundamental one for the reference kinds, else the fundamental mediator. The storage manager
    // is not used. A type that is no node kind throws QException kInvalidNodeTypeText before
    // anything is made. Needs the factory to have been given a FundamentalMediatorMaker
    // (std::logic_error otherwise).
    std::unique_ptr<QNodeMediator> CreateNodeWithMediator(QNodeMediator* parent, QNodeContainer* context,
                                                          uint16_t type, QProjectStorageManager* storage,
                                                          bool assignNewId);

    // Tells the factory which IDs the project already uses; without it only kNoNodeId is refused.
    void SetIdInUse(std::function<bool(uint32_t)> inUse) { m_idInUse = std::move(inUse); }
    // A new node ID: milliseconds since start-up plus a random number, as a wrapping 32-bit sum,
    // drawn again while the project uses it or it is kNoNodeId.
    uint32_t DrawNodeId() const;

    QNodeContainer* GetContext() const { return m_pContext; }
    void SetContext(QNodeContainer* context) { m_pContext = context; }

private:
    QNodeContainer* m_pContext = nullptr;
    std::function<bool(uint32_t)> m_idInUse;
    FundamentalMediatorMaker m_makeFundamental;
};

} // namespace orv
