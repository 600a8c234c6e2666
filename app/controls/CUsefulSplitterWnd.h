#pragma once

// A splitter of two side-by-side panes whose bar can be locked, and which remembers the split ratio
// the user chose: after a drag it posts itself a store-ratio message and then keeps the width of the
// first pane divided by the width of both.

#include "platform/msg/MessageTarget.h"

#include <QSplitter>

namespace orv {

class CUsefulSplitterWnd : public QSplitter, public MessageTarget {
public:
    explicit CUsefulSplitterWnd(QWidget* parent = nullptr);

    // A locked bar cannot be dragged.
    void SetLocked(bool locked);
    bool IsLocked() const { return m_locked; }
    // Width of pane (0, 0) / (width of pane (0, 0) + width of pane (0, 1)); 0 until a drag stored it.
    double GetSplitRatio() const { return m_splitRatio; }

    // The pane in row 0 at `column`, or null.
    QWidget* GetPane(int row, int column) const;
    // Gives the pane of `column` its ideal width and minimum width.
    void SetColumnInfo(int column, int idealWidth, int minimumWidth);
    void RecalcLayout();

protected:
    QSplitterHandle* createHandle() override;
    int64_t HandleMessage(Message& message) override;

private:
    class Handle;
    friend class Handle;

    bool m_locked = false;
    bool m_buttonDown = false;
    bool m_moved = false;
    double m_splitRatio = 0.0;
};

} // namespace orv
