#include "app/controls/CBotButton.h"

#include "app/controls/CBotJogTarget.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace orv {

CBotButton::CBotButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void CBotButton::Press() {
    if (m_target != nullptr) {
        m_target->SetJog(m_direction, kStartStep);
    }
}

void CBotButton::Release() {
    if (m_target != nullptr) {
        m_target->SetJog(0, kStartStep);
    }
}

void CBotButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Press();
    }
    QPushButton::mousePressEvent(event);
}

void CBotButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Release();
    }
    QPushButton::mouseReleaseEvent(event);
}

// Keys are consumed here. A held key repeats as release-press pairs on some systems: those repeats
// keep the direction, only the real release ends the jog.
void CBotButton::keyPressEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) {
        Press();
    }
    event->accept();
}

void CBotButton::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) {
        Release();
    }
    event->accept();
}

} // namespace orv
