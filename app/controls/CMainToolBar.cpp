#include "app/controls/CMainToolBar.h"

#include "app/controls/CCommandTarget.h"

#include <QAction>

namespace orv {

CMainToolBar::CMainToolBar(QWidget* parent) : QToolBar(parent) {
    setMovable(false);
    // In place of the idle-time update of the buttons.
    m_updateTimer.setInterval(250);
    QObject::connect(&m_updateTimer, &QTimer::timeout, this, [this] {
        if (isVisible()) {
            UpdateCommandUI();
        }
    });
    m_updateTimer.start();
}

CCommandTarget* CMainToolBar::GetCommandTarget() const {
    QWidget* handler = m_owner != nullptr ? m_owner.data() : parentWidget();
    return dynamic_cast<CCommandTarget*>(handler);
}

QAction* CMainToolBar::AddCommandButton(uint32_t commandId, const QIcon& icon, const QString& text) {
    QAction* action = addAction(icon, text);
    action->setData(QVariant::fromValue(commandId));
    QObject::connect(action, &QAction::triggered, this, [this, commandId] {
        if (CCommandTarget* target = GetCommandTarget()) {
            target->OnCommand(commandId);
        }
    });
    return action;
}

QAction* CMainToolBar::FindCommandButton(uint32_t commandId) const {
    for (QAction* action : actions()) {
        if (action->data().isValid() && action->data().value<uint32_t>() == commandId) {
            return action;
        }
    }
    return nullptr;
}

void CMainToolBar::UpdateCommandUI() {
    CCommandTarget* target = GetCommandTarget();
    if (target == nullptr) {
        return;
    }
    for (QAction* action : actions()) {
        if (!action->data().isValid()) {
            continue;
        }
        if (const auto enabled = target->IsCommandEnabled(action->data().value<uint32_t>())) {
            action->setEnabled(*enabled);
        }
    }
}

} // namespace orv
