#include "app/QtWaitCursor.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMetaObject>
#include <QThread>

namespace orv {

QtWaitCursor::QtWaitCursor() : m_state(std::make_shared<State>()) {}

QtWaitCursor::~QtWaitCursor() {
    // The cursor goes with the object that set it.
    if (m_state->m_applied && QCoreApplication::instance() != nullptr &&
        QThread::currentThread() == QCoreApplication::instance()->thread()) {
        QGuiApplication::restoreOverrideCursor();
        m_state->m_applied = false;
    }
}

void QtWaitCursor::Show() {
    Request(true);
}

void QtWaitCursor::Hide() {
    Request(false);
}

bool QtWaitCursor::IsApplied() const {
    return m_state->m_applied;
}

void QtWaitCursor::Apply(State& state) {
    const bool wanted = state.m_wanted.load();
    if (wanted && !state.m_applied) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        state.m_applied = true;
    } else if (!wanted && state.m_applied) {
        QGuiApplication::restoreOverrideCursor();
        state.m_applied = false;
    }
}

void QtWaitCursor::Request(bool wanted) {
    m_state->m_wanted.store(wanted);
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) {
        return;
    }
    if (QThread::currentThread() == application->thread()) {
        // At once: the user-interface thread may be about to block in the work it marks busy.
        Apply(*m_state);
        return;
    }
    std::weak_ptr<State> state = m_state;
    QMetaObject::invokeMethod(
        application,
        [state] {
            if (std::shared_ptr<State> held = state.lock()) {
                Apply(*held);
            }
        },
        Qt::QueuedConnection);
}

} // namespace orv
