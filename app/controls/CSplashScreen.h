#pragma once

// The start-up picture: a borderless window centred on its parent (or on the screen), shown for the
// display time and gone when it loses the focus. One at a time: showing it again while it is up
// only restarts its timer.

#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace orv {

class CSplashScreen : public QWidget {
public:
    // Shows the splash over `parent` (none: top-most over the desktop) with the given picture (by
    // default the program's own). A picture that cannot be loaded leaves no splash.
    static void ShowSplashScreen(QWidget* parent = nullptr, const QString& picturePath = {});
    // The splash on screen, or null.
    static CSplashScreen* GetCurrent();
    // Milliseconds the splash stays up (3000 at start).
    static void SetDisplayTime(int milliseconds);
    static int GetDisplayTime();

    // The remaining display time in milliseconds (-1 when the timer does not run).
    int GetRemainingTime() const { return m_timer.remainingTime(); }

    ~CSplashScreen() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    CSplashScreen(QWidget* parent, QPixmap picture);
    void RestartTimer();
    void DestroySplash();

    QPixmap m_picture;
    QTimer m_timer;
};

} // namespace orv
