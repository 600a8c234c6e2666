#pragma once

// A tool bar of command buttons. Its buttons are enabled, and their commands handled, by its owner
// window or, without one, by its parent: a tool bar inside a project pane is thus served by the frame
// that handles its commands, not by the pane.

#include <QPointer>
#include <QTimer>
#include <QToolBar>

#include <cstdint>

namespace orv {

class CCommandTarget;

class CMainToolBar : public QToolBar {
public:
    explicit CMainToolBar(QWidget* parent = nullptr);

    // The window that handles the commands (null: the parent).
    void SetOwner(QWidget* owner) { m_owner = owner; }
    QAction* AddCommandButton(uint32_t commandId, const QIcon& icon, const QString& text);
    QAction* FindCommandButton(uint32_t commandId) const;
    // Asks the handling window which buttons are available (also done every 250 ms while shown).
    void UpdateCommandUI();

private:
    CCommandTarget* GetCommandTarget() const;

    QPointer<QWidget> m_owner;
    QTimer m_updateTimer;
};

} // namespace orv
