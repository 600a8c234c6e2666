#pragma once

#include <optional>

namespace orv {

class QFrequencyBucketList;

// What the automatic level range of the display options reads of a node's scan container. It is
// reached only while the node's lock is held (QLevelRangeLock), so an implementation takes no lock.
class QLevelRangeSource {
public:
    virtual ~QLevelRangeSource() = default;

    // The level range (tenths) as the views show it, restricted to the frequency buckets of the
    // selection when it is non-null. compensationLevel is the level above which spatial levels are
    // shown compensated; without one the container uses its own. Either output may be null.
    virtual void GetShownLevelRange(float* low, float* high, const QFrequencyBucketList* selection,
                                    std::optional<float> compensationLevel) = 0;
    // The stored range of a heat map: raw levels over its active cells; 0 and 0 when the container
    // has none. Either output may be null.
    virtual void GetStoredLevelRange(float* low, float* high) = 0;
    // The noise floor (tenths) of the container's spectra; 0 when it has none.
    virtual float GetNoiseFloor() = 0;

protected:
    QLevelRangeSource() = default;
    QLevelRangeSource(const QLevelRangeSource&) = default;
    QLevelRangeSource& operator=(const QLevelRangeSource&) = default;
};

// A node whose container the automatic level range may read. The project's node implements it
// beside QOptionNode; the options find it from their owner by a cross-cast, so that a node without
// it simply has no automatic range.
class QLevelRangeNode {
public:
    virtual ~QLevelRangeNode() = default;

    // Waits without limit for the node's (recursive) lock and answers the container's face, or null
    // when the container has none; the lock is held either way until UnlockLevelRangeSource.
    virtual QLevelRangeSource* LockLevelRangeSource() = 0;
    virtual void UnlockLevelRangeSource() = 0;

protected:
    QLevelRangeNode() = default;
    QLevelRangeNode(const QLevelRangeNode&) = default;
    QLevelRangeNode& operator=(const QLevelRangeNode&) = default;
};

// Holds one node's lock for a scope.
class QLevelRangeLock {
public:
    explicit QLevelRangeLock(QLevelRangeNode& node) : m_node(node), m_source(node.LockLevelRangeSource()) {}
    ~QLevelRangeLock() { m_node.UnlockLevelRangeSource(); }
    QLevelRangeLock(const QLevelRangeLock&) = delete;
    QLevelRangeLock& operator=(const QLevelRangeLock&) = delete;

    QLevelRangeSource* Source() const { return m_source; }

private:
    QLevelRangeNode& m_node;
    QLevelRangeSource* m_source;
};

} // namespace orv
