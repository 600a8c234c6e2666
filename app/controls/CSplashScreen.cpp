#include "app/controls/CSplashScreen.h"

#include "app/AppResources.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace orv {

namespace {

CSplashScreen* g_currentSplash = nullptr;
int g_displayTimeMs = 3000;

} // namespace

void CSplashScreen::ShowSplashScreen(QWidget* parent, const QString& picturePath) {
    if (g_currentSplash != nullptr) {
        g_currentSplash->RestartTimer();
        return;
    }
    EnsureAppResources();
    QPixmap picture(picturePath.isEmpty() ? QString::fromLatin1(kSplashPicture) : picturePath);
    if (picture.isNull()) {
        return;
    }
    auto* splash = new CSplashScreen(parent, std::move(picture));
    g_currentSplash = splash;
    splash->show();
    // It takes the focus, so that the user's first click elsewhere removes it.
    splash->activateWindow();
    splash->setFocus(Qt::OtherFocusReason);
    splash->repaint();
    splash->RestartTimer();
    // Let the window appear before start-up carries on with its slow work.
    QCoreApplication::sendPostedEvents(splash);
}

CSplashScreen* CSplashScreen::GetCurrent() {
    return g_currentSplash;
}

void CSplashScreen::SetDisplayTime(int milliseconds) {
    g_displayTimeMs = milliseconds;
}

int CSplashScreen::GetDisplayTime() {
    return g_displayTimeMs;
}

CSplashScreen::CSplashScreen(QWidget* parent, QPixmap picture)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint |
                          (parent == nullptr ? Qt::WindowStaysOnTopHint : Qt::WindowFlags())),
      m_picture(std::move(picture)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    const QSize size = m_picture.deviceIndependentSize().toSize();
    setFixedSize(size);
    QRect area;
    if (parent != nullptr) {
        area = QRect(parent->mapToGlobal(QPoint(0, 0)), parent->size());
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->geometry();
    }
    move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { DestroySplash(); });
}

CSplashScreen::~CSplashScreen() {
    if (g_currentSplash == this) {
        g_currentSplash = nullptr;
    }
}

void CSplashScreen::RestartTimer() {
    m_timer.start(g_displayTimeMs);
}

void CSplashScreen::DestroySplash() {
    m_timer.stop();
    if (g_currentSplash == this) {
        g_currentSplash = nullptr;
    }
    close(); // deletes the object once its last event is handled
}

void CSplashScreen::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

void CSplashScreen::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    DestroySplash();
}

} // namespace orv
