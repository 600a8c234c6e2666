#pragma once

#include "scandata/QCurrentClampModuleContainer.h"

#include <optional>
#include <vector>

namespace orv {

class QContainerNodeMediator;

// A container that works with the clamp module container of its parent node: the ambient container
// hands its detected signal frequencies up and corrects its spectrum with the clamp's tables, the
// cable container compensates with them. The container itself never reaches the parent: it only
// answers QParentClampLink under its own lock.
class QParentClampClient {
public:
    virtual ~QParentClampClient() = default;

    // The parent node's mediator, looked up once through the child's own mediator.
    virtual QContainerNodeMediator* GetParentClampMediator(QContainerNodeMediator& own) = 0;
    // Frequencies waiting to be handed to the clamp; none when nothing new was detected.
    virtual std::optional<std::vector<float>> TakeFrequencyHandUp() { return std::nullopt; }
    // The clamp's set-up as it stood under the clamp's lock.
    virtual void SetParentSetup(const QClampSetupTexts& texts) = 0;

protected:
    QParentClampClient() = default;
    QParentClampClient(const QParentClampClient&) = default;
    QParentClampClient& operator=(const QParentClampClient&) = default;
};

// Carries data between a child container and its parent's clamp container.
//
// Lock hierarchy of the model: a thread holds at most one node lock at a time here. A child never
// holds its own lock while it reads or writes its parent's container; only a comparison holds two,
// its sources', taken in increasing node-id order. So the exchange runs in three steps, each under
// one lock: the child's (what to hand up, which parent), the clamp's (hand up, read the set-up), the
// child's again (keep the set-up).
class QParentClampLink {
public:
    // Call with no node lock held, after scan data was handed to the child (the node's scan-data
    // path once it has let go of the child's lock) and before the child's level range is asked for.
    // False when the child has no clamp parent (the child then keeps empty table names).
    static bool Synchronise(QContainerNodeMediator& child);
};

} // namespace orv
