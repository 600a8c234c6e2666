#include "app/controls/CDialogBar.h"

#include <QFontMetrics>
#include <QMouseEvent>

namespace orv {

CDialogBar::CDialogBar(int widthUnits, int heightUnits, QWidget* parent) : QWidget(parent) {
    setFixedHeight(DialogRect(0, 0, widthUnits, heightUnits).height());
    setMinimumWidth(DialogRect(0, 0, widthUnits, heightUnits).width());
}

QRect CDialogBar::DialogRect(int x, int y, int width, int height) const {
    const QFontMetrics metrics(font());
    const int averageWidth = metrics.averageCharWidth();
    const int charHeight = metrics.height();
    return QRect(x * averageWidth / 4, y * charHeight / 8, width * averageWidth / 4, height * charHeight / 8);
}

QWidget* CDialogBar::GetControl(int id) const {
    const auto found = m_controls.find(id);
    return found != m_controls.end() ? found->second : nullptr;
}

void CDialogBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && parentWidget() != nullptr) {
        parentWidget()->raise();
    }
    QWidget::mousePressEvent(event);
}

} // namespace orv
