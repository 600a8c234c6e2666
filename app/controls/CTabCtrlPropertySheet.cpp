#include "app/controls/CTabCtrlPropertySheet.h"

#include "app/QtConversions.h"

#include <QPainter>
#include <QPixmap>

namespace orv {

CTabCtrlPropertySheet::CTabCtrlPropertySheet(QWidget* parent) : QTabBar(parent) {
    setDrawBase(false);
}

void CTabCtrlPropertySheet::paintEvent(QPaintEvent* /*event*/) {
    QPixmap canvas(size() * devicePixelRatio());
    canvas.setDevicePixelRatio(devicePixelRatio());
    canvas.fill(palette().color(QPalette::Window));
    QPainter painter(&canvas);
    painter.setFont(font());
    for (int index = 0; index < count(); ++index) {
        const QRect tab = tabRect(index);
        if (index == currentIndex()) {
            painter.fillRect(tab, ColorRefToQColor(kSelectedFill));
            painter.setPen(ColorRefToQColor(kSelectedTextColour));
        } else {
            painter.fillRect(tab, ColorRefToQColor(kNormalFill));
            painter.setPen(palette().color(QPalette::WindowText));
        }
        painter.drawText(tab, Qt::AlignCenter | Qt::TextSingleLine, tabText(index));
    }
    painter.end();
    QPainter(this).drawPixmap(0, 0, canvas);
}

} // namespace orv
