#pragma once

#include <cstdint>

namespace orv {

// Receives the state changes of the scan workflow (a scan started, a new scan arrived, a scan
// ended) on behalf of a view.
class QStateChangeListener {
public:
    QStateChangeListener() = default;
    QStateChangeListener(const QStateChangeListener&) = delete;
    QStateChangeListener& operator=(const QStateChangeListener&) = delete;
    virtual ~QStateChangeListener() = default;

    virtual void OnStateChange(uint32_t state) = 0;
};

// A listener that hands every change to the object it belongs to, which need not derive from
// QStateChangeListener itself.
template <class T> class QStateChangeListenerProxy final : public QStateChangeListener {
public:
    explicit QStateChangeListenerProxy(T* target) : m_pTarget(target) {}

    T* GetTarget() const { return m_pTarget; }
    void OnStateChange(uint32_t state) override {
        if (m_pTarget != nullptr) {
            m_pTarget->OnStateChange(state);
        }
    }

private:
    T* m_pTarget;
};

} // namespace orv
