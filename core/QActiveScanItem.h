#pragma once

#include <atomic>
#include <cstdint>

namespace orv {

// An object that the active scan item may hold; it is given back through its own Release, never
// deleted by the holder.
class QReleasable {
public:
    virtual void Release() = 0;

protected:
    QReleasable() = default;
    QReleasable(const QReleasable&) = default;
    QReleasable& operator=(const QReleasable&) = default;
    ~QReleasable() = default;
};

// Which item the scan runner is running: the node type and, for runs that need it, the object the
// containers reach their node through. Written by the scan runner, read by the containers.
class QActiveScanItem {
public:
    QActiveScanItem() = default;
    QActiveScanItem(const QActiveScanItem&) = delete;
    QActiveScanItem& operator=(const QActiveScanItem&) = delete;
    ~QActiveScanItem();

    // Takes the object over; an object held before is released first.
    void SetObject(QReleasable* object);
    QReleasable* GetObject() const { return m_object.load(); }
    // Releases the held object, if any, and holds none.
    void ReleaseObject();

    void SetNodeType(uint16_t typeId) { m_nodeType.store(typeId); }
    uint16_t GetNodeType() const { return m_nodeType.load(); }

private:
    std::atomic<QReleasable*> m_object{nullptr};
    std::atomic<uint16_t> m_nodeType{0};
};

// The one record, made empty on first use.
QActiveScanItem& GetActiveScanItem();
// Releases the held object and frees the record (the main frame, at exit).
void DestroyActiveScanItem();

} // namespace orv
