#include "app/UiMessagePump.h"
#include "app/controls/CCustomListCtrl.h"
#include "app/controls/CCustomTreeCtrl.h"
#include "app/controls/CSpectralDisplay.h"
#include "project/NodeMessages.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>

namespace orv {
namespace {

using testing::EnsureTestApplication;
using testing::FlushEvents;
using testing::Grab;
using testing::PixelAt;
using testing::SendMouse;

TEST(CustomListCtrlTest, AClickOutsideTheRowsCellsChangesNothing) {
    EnsureTestApplication();
    CCustomListCtrl list;
    list.setColumnCount(2);
    list.header()->setStretchLastSection(false);
    list.header()->resizeSection(0, 80);
    list.header()->resizeSection(1, 80);
    for (const char* name : {"Scan 1", "Scan 2", "Scan 3"}) {
        list.addTopLevelItem(new QTreeWidgetItem(QStringList{name, "10 MHz"}));
    }
    list.resize(300, 300);
    list.show();
    list.setCurrentItem(list.topLevelItem(1));
    ASSERT_TRUE(list.topLevelItem(1)->isSelected());

    QWidget& area = *list.viewport();
    const QRect lastRow = list.visualItemRect(list.topLevelItem(2));
    const QRect firstRow = list.visualItemRect(list.topLevelItem(0));
    struct Case {
        const char* where;
        QPoint point;
    };
    for (const Case c : {Case{"below the last row", QPoint(20, lastRow.bottom() + 40)},
                         Case{"beside the last column", QPoint(200, firstRow.center().y())}}) {
        SCOPED_TRACE(c.where);
        SendMouse(area, QEvent::MouseButtonPress, c.point, Qt::LeftButton, Qt::LeftButton);
        SendMouse(area, QEvent::MouseButtonRelease, c.point, Qt::LeftButton, Qt::NoButton);
        EXPECT_TRUE(list.topLevelItem(1)->isSelected());
        EXPECT_EQ(list.selectedItems().size(), 1);
    }
    // A click on a cell selects its row.
    const QPoint cell(100, firstRow.center().y());
    SendMouse(area, QEvent::MouseButtonPress, cell, Qt::LeftButton, Qt::LeftButton);
    SendMouse(area, QEvent::MouseButtonRelease, cell, Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(list.topLevelItem(0)->isSelected());
    EXPECT_FALSE(list.topLevelItem(1)->isSelected());
}

class CustomTreeCtrlTest : public testing::QtWidgetTest {
protected:
    CustomTreeCtrlTest() {
        EnsureTestApplication();
        for (const char* name : {"Project", "Spectral", "Spatial"}) {
            tree.addTopLevelItem(new QTreeWidgetItem(QStringList{name}));
        }
        tree.resize(240, 200);
        tree.show();
        tree.setFocus();
        tree.setCurrentItem(tree.topLevelItem(0));
        mime.setText(QStringLiteral("scan"));
    }

    // A drag entering the tree over `over` (the tree follows it on its viewport).
    void DragOver(QTreeWidgetItem* over) {
        QDragEnterEvent event(tree.visualItemRect(over).center(), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(tree.viewport(), &event);
    }

    // The colour of an item's row far right of its text.
    QColor RowColour(QTreeWidgetItem* item) {
        const QRect row = tree.visualItemRect(item);
        return PixelAt(Grab(*tree.viewport()), tree.viewport()->width() - 6, row.center().y());
    }

    CCustomTreeCtrl tree;
    QMimeData mime;
};

TEST_F(CustomTreeCtrlTest, WhileDraggingOnlyTheDropTargetIsHighlighted) {
    QTreeWidgetItem* selected = tree.topLevelItem(0);
    QTreeWidgetItem* target = tree.topLevelItem(2);
    const QColor base = RowColour(tree.topLevelItem(1));
    const QColor highlight = tree.palette().color(QPalette::Active, QPalette::Highlight);
    ASSERT_NE(RowColour(selected), base); // the selection shows before the drag

    DragOver(target);
    EXPECT_EQ(tree.GetDropTarget(), target);
    EXPECT_EQ(RowColour(target), highlight);
    EXPECT_EQ(RowColour(selected), base);
    EXPECT_EQ(RowColour(tree.topLevelItem(1)), base);

    // Over another item the highlight moves there.
    DragOver(tree.topLevelItem(1));
    EXPECT_EQ(tree.GetDropTarget(), tree.topLevelItem(1));
    EXPECT_EQ(RowColour(tree.topLevelItem(1)), highlight);
    EXPECT_EQ(RowColour(target), base);
    EXPECT_EQ(RowColour(selected), base);

    // Once the drop highlight is cleared the selection shows again.
    tree.SetDropTarget(nullptr);
    EXPECT_NE(RowColour(selected), base);
    EXPECT_EQ(RowColour(target), base);
    EXPECT_EQ(RowColour(tree.topLevelItem(1)), base);
}

// Counts the paint events of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

TEST(SpectralDisplayTest, RepaintsWithItsBackgroundOnTheShowSpectralScanMessage) {
    EnsureTestApplication();
    CSpectralDisplay display;
    display.resize(120, 80);
    display.show();
    FlushEvents();
    PaintCounter counter;
    display.installEventFilter(&counter);

    display.Post(NodeMessage::kRefreshSpectral); // not its message: no repaint
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    display.Post(NodeMessage::kShowSpectralScan);
    EXPECT_EQ(counter.paints, 0); // posted, not yet handled
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);
    const QImage image = Grab(display);
    for (const QPoint point : {QPoint(0, 0), QPoint(60, 40), QPoint(119, 79)}) {
        EXPECT_EQ(PixelAt(image, point.x(), point.y()), QColor(216, 216, 255));
    }
}

} // namespace
} // namespace orv
