#pragma once

namespace orv {

class QLockable;
class QScanContainer;

// A node's container together with the very lock that was taken for it. Whoever holds it gives back
// that lock, not whatever lock the route it came through leads to by then: a reference node may be
// re-linked to another target while its old target's container is held. A null lock means that
// nothing was taken (the route led to no node).
struct QHeldScanContainer {
    QScanContainer* m_Container = nullptr;
    QLockable* m_Lock = nullptr;
};

} // namespace orv
