#pragma once

// Paints the project tree's items: the selected one in the highlight colours, a node with nothing
// to show in grey (0x828282), every other one in black. The colour is asked of the item's node at
// each paint, so a node's first scan turns it black at the next repaint.

#include <QStyledItemDelegate>

namespace orv {

class CViewTreeWidget;

class CViewTreeDelegate : public QStyledItemDelegate {
public:
    explicit CViewTreeDelegate(CViewTreeWidget& tree);

    // The text colour of an item that is not selected.
    QColor TextColour(const QModelIndex& index) const;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    CViewTreeWidget& m_tree;
};

} // namespace orv
