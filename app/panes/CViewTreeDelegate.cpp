#include "app/panes/CViewTreeDelegate.h"

#include "app/QtConversions.h"
#include "app/panes/CViewTreeWidget.h"

#include <QApplication>

namespace orv {

CViewTreeDelegate::CViewTreeDelegate(CViewTreeWidget& tree) : QStyledItemDelegate(&tree), m_tree(tree) {}

QColor CViewTreeDelegate::TextColour(const QModelIndex& index) const {
    const CTreeItem* record = m_tree.FindItemRecord(m_tree.itemFromIndex(index));
    if (record != nullptr && CViewTreeWidget::IsNodeEmpty(*record)) {
        return ColorRefToQColor(CViewTreeWidget::kGreyText);
    }
    return QColor(Qt::black);
}

void CViewTreeDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    // The target of a node drag is drawn as the selected item is.
    if (m_tree.IsDropHighlighted(index)) {
        option->state |= QStyle::State_Selected;
    }
    // The selected item looks the same with and without the focus.
    const QPalette system = QApplication::palette();
    option->palette.setColor(QPalette::Inactive, QPalette::Highlight,
                             system.color(QPalette::Active, QPalette::Highlight));
    option->palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                             system.color(QPalette::Active, QPalette::HighlightedText));
    if ((option->state & QStyle::State_Selected) == 0) {
        option->palette.setColor(QPalette::Text, TextColour(index));
    }
}

} // namespace orv
