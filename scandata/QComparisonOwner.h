#pragma once

#include "scandata/QHeldScanContainer.h"

#include <cstdint>
#include <string>

namespace orv {

class QScanContainer;

// One linked source of a comparison node, as the comparison's container reaches it. The project
// model implements it over the link's mediator: the node behind it is the link's target when the
// link has one, else the link's own node.
class QComparisonSource {
public:
    virtual ~QComparisonSource() = default;

    // The ID of the node whose container AcquireScanContainer answers; it fixes the lock order.
    virtual uint32_t GetLinkedNodeID() const = 0;
    // Waits without limit for that node's (recursive) lock and answers its container. When it
    // throws a QException it holds no lock. Every successful call needs its UnlockScanContainer.
    virtual QScanContainer* AcquireScanContainer() = 0;
    virtual void UnlockScanContainer() = 0;
    // The same wait, answering the lock taken as well; the holder gives back exactly that lock. When
    // it throws a QException it holds no lock.
    virtual QHeldScanContainer AcquireHeldScanContainer() = 0;
    // Whether the node behind the link is a comparison node itself; answered without its lock, so
    // that such a source is refused before any lock is taken.
    virtual bool IsComparisonNode() = 0;

protected:
    QComparisonSource() = default;
    QComparisonSource(const QComparisonSource&) = default;
    QComparisonSource& operator=(const QComparisonSource&) = default;
};

// The comparison node that owns a comparison container, as the container sees it: its two links and
// the project it lives in.
class QComparisonOwner {
public:
    virtual ~QComparisonOwner() = default;

    // Null while the node is not linked.
    virtual QComparisonSource* GetFirstLink() = 0;
    virtual QComparisonSource* GetSecondLink() = 0;
    // Makes a scan head the current project's one, which is the scan head the correction of a
    // spectrum looks its factors up for.
    virtual void SetCurrentProjectScanHeadText(const std::string& text) = 0;

protected:
    QComparisonOwner() = default;
    QComparisonOwner(const QComparisonOwner&) = default;
    QComparisonOwner& operator=(const QComparisonOwner&) = default;
};

} // namespace orv
