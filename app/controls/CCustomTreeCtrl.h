#pragma once

// A tree that, while something is dragged over it, shows only the drop-target item highlighted (the
// selection is not drawn meanwhile); every other item has black text.

#include <QPersistentModelIndex>
#include <QTreeWidget>

namespace orv {

class CCustomTreeCtrl : public QTreeWidget {
public:
    explicit CCustomTreeCtrl(QWidget* parent = nullptr);

    // The item drawn as drop target (null: none, the selection is drawn as usual).
    void SetDropTarget(QTreeWidgetItem* item);
    QTreeWidgetItem* GetDropTarget() const;

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    bool viewportEvent(QEvent* event) override;

private:
    QPersistentModelIndex m_dropTarget;
};

} // namespace orv
