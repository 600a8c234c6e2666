#pragma once

#include "core/QLockable.h"
#include "scandata/QHeldScanContainer.h"

namespace orv {

class QAntennaPositionScanOptions;
class QFarFieldAmbientScanOptions;
class QNearFieldAmbientScanOptions;
class QScanContainer;

// What the ambient, cable and antenna position containers ask of node mediators beyond
// QScanContainerMediator: the node's lock, its parent's mediator and the option members they flag.
// The node mediator implements it beside QScanContainerMediator; a container reaches it by casting
// its own mediator, so a mediator without it simply gives the container no node to talk to.
class QContainerNodeMediator {
public:
    virtual ~QContainerNodeMediator() = default;

    // The mediator of the parent node; null for a root or a node not in a tree yet.
    virtual QContainerNodeMediator* GetParentContainerMediator() = 0;
    // Takes the node's lock, waiting without limit, and returns its container. Null when the
    // mediator has no node: then no lock is held and none must be given back.
    virtual QScanContainer* AcquireScanContainer() = 0;
    // Gives back the lock that a successful AcquireScanContainer took.
    virtual void UnlockScanContainer() = 0;
    // The same wait, answering the lock taken as well; the holder gives back exactly that lock.
    virtual QHeldScanContainer AcquireHeldScanContainer() = 0;

    // The node's option members; null when the node has none of that kind.
    virtual QNearFieldAmbientScanOptions* GetNearFieldAmbientScanOptions() = 0;
    virtual QFarFieldAmbientScanOptions* GetFarFieldAmbientScanOptions() = 0;
    virtual QAntennaPositionScanOptions* GetAntennaPositionScanOptions() = 0;

protected:
    QContainerNodeMediator() = default;
    QContainerNodeMediator(const QContainerNodeMediator&) = default;
    QContainerNodeMediator& operator=(const QContainerNodeMediator&) = default;
};

// Holds one node's container lock for a scope. It gives back only the lock it actually took, also
// when the mediator's route has changed meanwhile, so a failed acquisition (no node) releases
// nothing, and an exception leaving the scope releases it.
class QAcquiredScanContainer {
public:
    explicit QAcquiredScanContainer(QContainerNodeMediator* mediator)
        : m_held(mediator != nullptr ? mediator->AcquireHeldScanContainer() : QHeldScanContainer{}) {}
    ~QAcquiredScanContainer() { Release(); }
    QAcquiredScanContainer(const QAcquiredScanContainer&) = delete;
    QAcquiredScanContainer& operator=(const QAcquiredScanContainer&) = delete;

    QScanContainer* Get() const { return m_held.m_Container; }
    template <typename Kind> Kind* As() const { return dynamic_cast<Kind*>(m_held.m_Container); }

    // Gives the lock back early; later calls do nothing.
    void Release() {
        QLockable* lock = m_held.m_Lock;
        m_held = QHeldScanContainer{};
        if (lock != nullptr) {
            lock->Unlock();
        }
    }

private:
    QHeldScanContainer m_held;
};

} // namespace orv
