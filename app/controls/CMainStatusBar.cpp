#include "app/controls/CMainStatusBar.h"

#include "app/controls/CCommandTarget.h"

namespace orv {

CMainStatusBar::CMainStatusBar(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    for (int pane = 0; pane < kPaneCount; ++pane) {
        m_panes[pane] = new QLabel(this);
        m_panes[pane]->setFrameShape(QFrame::Panel);
        m_panes[pane]->setFrameShadow(QFrame::Sunken);
        addWidget(m_panes[pane], pane == 0 ? 1 : 0);
    }
}

QLabel* CMainStatusBar::GetPane(int pane) const {
    return pane >= 0 && pane < kPaneCount ? m_panes[pane] : nullptr;
}

void CMainStatusBar::SetPaneText(int pane, const QString& text) {
    if (QLabel* label = GetPane(pane)) {
        label->setText(text);
        if (m_watcher) {
            m_watcher(pane, text);
        }
    }
}

QString CMainStatusBar::GetPaneText(int pane) const {
    const QLabel* label = GetPane(pane);
    return label != nullptr ? label->text() : QString();
}

void CMainStatusBar::SetPaneWidth(int pane, int width) {
    if (QLabel* label = GetPane(pane)) {
        label->setFixedWidth(width);
    }
}

bool CMainStatusBar::RouteCommand(uint32_t commandId) {
    if (commandId != kProgressCommand && commandId != kSecondPaneCommand) {
        return false;
    }
    if (auto* target = dynamic_cast<CCommandTarget*>(parentWidget())) {
        target->OnCommand(commandId);
    }
    return true;
}

} // namespace orv
