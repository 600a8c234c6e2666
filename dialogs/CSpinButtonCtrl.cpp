#include "dialogs/CSpinButtonCtrl.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace orv {

CSpinButtonCtrl::CSpinButtonCtrl(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_up->setObjectName("up");
    m_down->setObjectName("down");
    for (QToolButton* button : {m_up, m_down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(18, 12);
        layout->addWidget(button);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, [this] { Report(-1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Report(1); });
}

void CSpinButtonCtrl::Report(int delta) {
    if (m_handler) {
        m_handler(delta);
    }
}

} // namespace orv
