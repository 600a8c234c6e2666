#pragma once

// The main frame's status bar: pane 0 the status text, pane 1 the scan status, each of a fixed
// width. The commands 21010 and 21011, raised by the controls placed in its panes (the progress
// control is 21010), go on unchanged to the parent's command handling; others take the normal route.

#include <QLabel>
#include <QStatusBar>

#include <array>
#include <cstdint>
#include <functional>

namespace orv {

class CMainStatusBar : public QStatusBar {
public:
    explicit CMainStatusBar(QWidget* parent = nullptr);

    static constexpr int kPaneCount = 2;
    static constexpr uint32_t kProgressCommand = 21010;
    static constexpr uint32_t kSecondPaneCommand = 21011;

    void SetPaneText(int pane, const QString& text);
    QString GetPaneText(int pane) const;
    void SetPaneWidth(int pane, int width);
    QLabel* GetPane(int pane) const;

    // Called with every text a pane is given, on the user-interface thread: a burst of status
    // messages handled in one event-loop pass shows only its last text, and a watcher still sees
    // each one.
    using PaneTextWatcher = std::function<void(int pane, const QString& text)>;
    void SetPaneTextWatcher(PaneTextWatcher watcher) { m_watcher = std::move(watcher); }

    // A command from a control in a pane. True when it went to the parent; false for the others.
    bool RouteCommand(uint32_t commandId);

private:
    std::array<QLabel*, kPaneCount> m_panes{};
    PaneTextWatcher m_watcher;
};

} // namespace orv
