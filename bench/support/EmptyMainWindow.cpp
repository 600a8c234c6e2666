// The yardstick of the start-up benchmark: an empty Qt main window, titled as the program's, shown
// maximised, and the event loop.

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Orvilant");
    window.showMaximized();
    return QApplication::exec();
}
