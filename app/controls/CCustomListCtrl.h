#pragma once

// A list of rows with columns (report view) that takes a click only on a row's cells: a click on the
// empty area below the last row, or beside the last column, changes nothing (no deselection). An
// edited cell keeps the text the user typed.

#include <QTreeWidget>

namespace orv {

class CCustomListCtrl : public QTreeWidget {
public:
    explicit CCustomListCtrl(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool IsOnCell(const QPoint& position) const;
};

} // namespace orv
