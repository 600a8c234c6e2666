#include "app/controls/CMyEdit.h"

#include "app/controls/CEditApplyPanel.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace orv {

CMyEdit::CMyEdit(QWidget* parent) : QLineEdit(parent) {
    // A flat one-pixel frame instead of the sunken edge.
    setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid rgb(122, 122, 122); }"));
}

void CMyEdit::SetPanels(CEditApplyPanel* spectralPanel, CEditApplyPanel* spatialPanel) {
    m_spectralPanel = spectralPanel;
    m_spatialPanel = spatialPanel;
}

void CMyEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLineEdit::mousePressEvent(event);
        return;
    }
    m_selectOnMove = true;
    deselect();
    setFocus(Qt::MouseFocusReason);
    // Places the caret under the click (and keeps it in view).
    QLineEdit::mousePressEvent(event);
}

void CMyEdit::mouseMoveEvent(QMouseEvent* event) {
    if (m_selectOnMove) {
        selectAll();
        return;
    }
    QLineEdit::mouseMoveEvent(event);
}

void CMyEdit::mouseReleaseEvent(QMouseEvent* event) {
    m_selectOnMove = false;
    QLineEdit::mouseReleaseEvent(event);
}

void CMyEdit::keyReleaseEvent(QKeyEvent* event) {
    m_selectOnMove = false;
    QLineEdit::keyReleaseEvent(event);
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        return;
    }
    if (m_spectralPanel != nullptr) {
        m_spectralPanel->ApplyEditedFields();
    }
    if (m_spatialPanel != nullptr) {
        m_spatialPanel->ApplyEditedFields();
    }
}

} // namespace orv
