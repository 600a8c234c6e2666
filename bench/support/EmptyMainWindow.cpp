// The yardstick of the start-up benchmark: an empty Qt main window, titled as the program's, shown
// maximised as the program shows its window (taking the screen's available area itself where no
// window manager maximises it), and the event loop.

#include <QApplication>
#include <QMainWindow>
#include <QScreen>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Orvilant");
    if (const QScreen* screen = window.screen()) {
        window.setGeometry(screen->availableGeometry());
    }
    window.showMaximized();
    return QApplication::exec();
}
