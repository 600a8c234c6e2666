#pragma once

// The main frame's status bar: pane 0 the status text, pane 1 the scan status, each of a fixed
// width. The commands 21010 and 21011, raised by the controls placed in its panes (the progress
// control is 21010), go on unchanged to the parent's command handling; others take the normal route.

#include <QLabel>
#include <QStatusBar>

#include <array>
#include <cstdint>

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

    // A command from a control in a pane. True when it went to the parent; false for the others.
    bool RouteCommand(uint32_t commandId);

private:
    std::array<QLabel*, kPaneCount> m_panes{};
};

} // namespace orv
