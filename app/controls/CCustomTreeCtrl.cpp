#include "app/controls/CCustomTreeCtrl.h"

#include <QDropEvent>
#include <QPainter>

namespace orv {

CCustomTreeCtrl::CCustomTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

void CCustomTreeCtrl::SetDropTarget(QTreeWidgetItem* item) {
    const QPersistentModelIndex target =
        item != nullptr ? QPersistentModelIndex(indexFromItem(item)) : QPersistentModelIndex();
    if (target == m_dropTarget) {
        return;
    }
    m_dropTarget = target;
    viewport()->update();
}

QTreeWidgetItem* CCustomTreeCtrl::GetDropTarget() const {
    return m_dropTarget.isValid() ? itemFromIndex(m_dropTarget) : nullptr;
}

void CCustomTreeCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyleOptionViewItem row(option);
    const bool isDropTarget = m_dropTarget.isValid() && index.siblingAtColumn(0) == m_dropTarget;
    if (isDropTarget) {
        painter->fillRect(row.rect, row.palette.color(QPalette::Active, QPalette::Highlight));
        row.palette.setColor(QPalette::Text, row.palette.color(QPalette::Active, QPalette::HighlightedText));
    } else {
        if (m_dropTarget.isValid()) {
            // The selection is not shown while something is dragged over the tree.
            row.palette.setColor(QPalette::Highlight, row.palette.color(QPalette::Base));
        }
        row.palette.setColor(QPalette::Text, Qt::black);
        row.palette.setColor(QPalette::HighlightedText, Qt::black);
    }
    QTreeWidget::drawRow(painter, row, index);
}

bool CCustomTreeCtrl::viewportEvent(QEvent* event) {
    // Followed on the viewport, where the drag's position is in item coordinates.
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        SetDropTarget(itemAt(static_cast<QDropEvent*>(event)->position().toPoint()));
        break;
    case QEvent::DragLeave:
    case QEvent::Drop:
        SetDropTarget(nullptr);
        break;
    default:
        break;
    }
    return QTreeWidget::viewportEvent(event);
}

} // namespace orv
