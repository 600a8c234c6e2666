#include "app/panes/CWndCommunication.h"

namespace orv {

CWndCommunication::CWndCommunication(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    setGeometry(0, 0, 50, 50);
}

} // namespace orv
