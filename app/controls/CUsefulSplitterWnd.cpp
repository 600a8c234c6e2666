#include "app/controls/CUsefulSplitterWnd.h"

#include "app/AppMessages.h"
#include "app/UiMessagePump.h"

#include <QMouseEvent>
#include <QSplitterHandle>

namespace orv {

class CUsefulSplitterWnd::Handle : public QSplitterHandle {
public:
    Handle(Qt::Orientation orientation, CUsefulSplitterWnd* owner)
        : QSplitterHandle(orientation, owner), m_owner(owner) {}

    void UpdateCursor() {
        if (m_owner->m_locked) {
            setCursor(Qt::ArrowCursor);
        } else {
            setCursor(orientation() == Qt::Horizontal ? Qt::SplitHCursor : Qt::SplitVCursor);
        }
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (m_owner->m_locked) {
            event->ignore();
            return;
        }
        if (event->button() == Qt::LeftButton) {
            m_owner->m_buttonDown = true;
        }
        QSplitterHandle::mousePressEvent(event);
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (m_owner->m_locked) {
            event->ignore();
            return;
        }
        if (m_owner->m_buttonDown && (event->buttons() & Qt::LeftButton)) {
            m_owner->m_moved = true;
        }
        QSplitterHandle::mouseMoveEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (m_owner->m_locked) {
            event->ignore();
            return;
        }
        QSplitterHandle::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && m_owner->m_buttonDown) {
            m_owner->m_buttonDown = false;
            m_owner->Post(AppMessage::kStoreSplitRatio);
        }
    }

private:
    CUsefulSplitterWnd* m_owner;
};

CUsefulSplitterWnd::CUsefulSplitterWnd(QWidget* parent)
    : QSplitter(Qt::Horizontal, parent), MessageTarget(GetUiMessageThread()) {
    setChildrenCollapsible(false);
}

QSplitterHandle* CUsefulSplitterWnd::createHandle() {
    auto* handle = new Handle(orientation(), this);
    handle->UpdateCursor();
    return handle;
}

void CUsefulSplitterWnd::SetLocked(bool locked) {
    m_locked = locked;
    for (int index = 1; index < count(); ++index) {
        if (auto* bar = dynamic_cast<Handle*>(handle(index))) {
            bar->UpdateCursor();
        }
    }
}

QWidget* CUsefulSplitterWnd::GetPane(int row, int column) const {
    if (row != 0) {
        return nullptr;
    }
    return widget(column);
}

void CUsefulSplitterWnd::SetColumnInfo(int column, int idealWidth, int minimumWidth) {
    QWidget* pane = widget(column);
    if (pane == nullptr) {
        return;
    }
    pane->setMinimumWidth(minimumWidth);
    QList<int> widths = sizes();
    if (column < widths.size()) {
        widths[column] = idealWidth;
        setSizes(widths);
    }
}

void CUsefulSplitterWnd::RecalcLayout() {
    refresh();
}

int64_t CUsefulSplitterWnd::HandleMessage(Message& message) {
    if (message.id != AppMessage::kStoreSplitRatio) {
        return 0;
    }
    if (m_moved && count() >= 2) {
        const double first = widget(0)->width();
        const double second = widget(1)->width();
        if (first + second > 0.0) {
            m_splitRatio = first / (first + second);
        }
    }
    m_moved = false;
    return 0;
}

} // namespace orv
