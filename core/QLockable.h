#pragma once

namespace orv {

// Something that can be locked and unlocked. Holders are never deleted through this interface.
class QLockable {
public:
    virtual void Lock() = 0;
    virtual void Unlock() = 0;

protected:
    QLockable() = default;
    QLockable(const QLockable&) = default;
    QLockable& operator=(const QLockable&) = default;
    ~QLockable() = default;
};

// Holds a lockable for a scope: every Lock is matched by its Unlock, also when an exception leaves
// the scope.
class QLockGuard {
public:
    explicit QLockGuard(QLockable& lockable) : m_lockable(lockable) { m_lockable.Lock(); }
    ~QLockGuard() { m_lockable.Unlock(); }
    QLockGuard(const QLockGuard&) = delete;
    QLockGuard& operator=(const QLockGuard&) = delete;

private:
    QLockable& m_lockable;
};

} // namespace orv
