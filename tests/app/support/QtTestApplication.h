#pragma once

// The application object and small helpers shared by the window tests. The tests run on Qt's
// offscreen platform: no display is needed.

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace orv::testing {

// Made once for the whole test program, on the thread that runs the tests.
QApplication& EnsureTestApplication();

// Base of fixtures that hold widgets: the application object exists before any member is made.
class QtWidgetTest : public ::testing::Test {
protected:
    QtWidgetTest() { EnsureTestApplication(); }
};

// Runs the event loop until `done` answers true or the time-out passes; answers `done()`.
bool ProcessEventsUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10));
// Delivers what is queued now, including deferred deletions.
void FlushEvents();

// The widget as painted now.
QImage Grab(QWidget& widget);
// The pixel at (x, y) of a grabbed image, without alpha.
QColor PixelAt(const QImage& image, int x, int y);

// Mouse events with an explicit button state, sent straight to the widget.
void SendMouse(QWidget& widget, QEvent::Type type, QPoint position, Qt::MouseButton button,
               Qt::MouseButtons buttons);

} // namespace orv::testing
