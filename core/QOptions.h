#pragma once

#include "core/QSerializable.h"

#include <cstdint>

namespace orv {

class QOptionNode;
class QOptionMediator;

// Base of the option objects that every node carries and stores inside its own body. An option
// object knows its owning node and through the node's mediator can find the ancestor whose settings
// it follows (the governing node).
//
// Virtual slots in order: destructor, WriteExtraHeader, ReadExtraHeader, WriteBody, ReadBody,
// GetTypeID, GetExtraHeaderSize, GetBodySize (all from QSerializable), IsShared, SyncFromNode.
// Copying between nodes goes through each kind's plain CopyFrom, never through the header or owner.
class QOptions : public QSerializable {
public:
    // How many ancestors the governing walk climbs before it gives up.
    static constexpr int kMaxGoverningSteps = 50;

    QOptions() = default;
    // A copy keeps the source's header but never its owner: options are owned by one node each.
    QOptions(const QOptions& other) : QSerializable(other) {}
    QOptions& operator=(const QOptions& other) {
        QSerializable::operator=(other);
        return *this;
    }
    ~QOptions() override;

    virtual bool IsShared() const { return false; }
    // Refreshes the object from the ancestor it follows; kinds that follow nobody keep their values.
    virtual void SyncFromNode() {}

    QOptionNode* GetOwner() const { return m_owner; }
    void SetOwner(QOptionNode* owner) { m_owner = owner; }

    // The mediator of the owner's parent node; null without owner, owner mediator or parent.
    QOptionMediator* GetParentMediator() const;
    // The mediator of the governing ancestor of a node of kind ownKind, or null (no parent, or no
    // Project or Module node within kMaxGoverningSteps levels).
    QOptionMediator* FindGoverningMediator(uint16_t ownKind) const;
    // The owner's node kind, or 0 without an owner.
    uint16_t GetOwnerKind() const;

    // The type id of the node behind a mediator (0 when the mediator has no node).
    static uint16_t NodeKindOf(QOptionMediator* mediator);

protected:
    // The governing walk; the probe-pattern options also stop at a Spectral Spatial Scripting node.
    QOptionMediator* FindAncestorMediator(uint16_t ownKind, bool stopAtScripting) const;

    QOptionNode* m_owner = nullptr;
};

} // namespace orv
