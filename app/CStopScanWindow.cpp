#include "app/CStopScanWindow.h"

#include "platform/ui/Prompt.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QScreen>
#include <QTimer>

#include <cmath>

namespace orv {

namespace {

// The sign: a red octagon with "STOP" while armed, grey with "STOPPED" once stopped.
void DrawSign(QPainter& painter, const QRect& area, bool stopped) {
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = area.center();
    const double radius = std::min(area.width(), area.height()) / 2.0 - 6.0;
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i) {
        const double angle = (22.5 + 45.0 * i) * 3.14159265358979323846 / 180.0;
        octagon << QPointF(centre.x() + radius * std::cos(angle), centre.y() + radius * std::sin(angle));
    }
    painter.setPen(QPen(Qt::white, 6));
    painter.setBrush(stopped ? QColor(128, 128, 128) : QColor(200, 0, 0));
    painter.drawPolygon(octagon);
    QFont font = painter.font();
    font.setPixelSize(static_cast<int>(radius * (stopped ? 0.42 : 0.6)));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(area, Qt::AlignCenter, stopped ? "STOPPED" : "STOP");
}

} // namespace

CStopScanWindow::CStopScanWindow(Actions actions, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), m_actions(std::move(actions)) {
    setWindowTitle("STOP");
    setWindowIcon(QGuiApplication::windowIcon());
    resize(kWidth, kHeight);
    setFocusPolicy(Qt::StrongFocus);
}

void CStopScanWindow::EmergencyStop() {
    if (m_stopped) {
        return;
    }
    if (m_actions.stopScan) {
        m_actions.stopScan();
    }
    m_stopped = true;
    if (m_actions.stopArm) {
        m_actions.stopArm();
    }
    update();
    // The stopped picture stands a moment, then the window goes and the box says what happened.
    QTimer::singleShot(m_stoppedPause, this, [this] {
        hide();
        ShowPrompt(kStoppedText, kStoppedCaption, PromptButtons::Ok, PromptIcon::Error);
    });
}

void CStopScanWindow::ShowAtTopRight() {
    m_stopped = false;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, kWidth, kHeight);
    move(available.right() + 1 - width(), available.top());
    show();
    raise();
    update();
}

void CStopScanWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    DrawSign(painter, rect().adjusted(0, 5, 0, 0), m_stopped);
}

void CStopScanWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        EmergencyStop();
    }
}

void CStopScanWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
        EmergencyStop();
    }
}

void CStopScanWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        EmergencyStop();
    }
}

void CStopScanWindow::keyPressEvent(QKeyEvent* /*event*/) {
    EmergencyStop();
}

void CStopScanWindow::closeEvent(QCloseEvent* event) {
    // Only the main frame hides it.
    event->ignore();
}

} // namespace orv
