#include "app/controls/CCustomListCtrl.h"

#include <QHeaderView>
#include <QMouseEvent>

namespace orv {

CCustomListCtrl::CCustomListCtrl(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
}

bool CCustomListCtrl::IsOnCell(const QPoint& position) const {
    const QTreeWidgetItem* item = itemAt(position);
    if (item == nullptr || !visualItemRect(item).contains(position)) {
        return false;
    }
    // Columns left to right, each from its left edge to left edge + width inclusive.
    const QHeaderView* columns = header();
    const int x = position.x() + columns->offset();
    for (int visual = 0; visual < columns->count(); ++visual) {
        const int logical = columns->logicalIndex(visual);
        if (columns->isSectionHidden(logical)) {
            continue;
        }
        const int left = columns->sectionPosition(logical);
        if (x >= left && x <= left + columns->sectionSize(logical)) {
            return true;
        }
    }
    return false;
}

void CCustomListCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !IsOnCell(event->position().toPoint())) {
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

} // namespace orv
