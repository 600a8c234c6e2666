#pragma once

// The bar at the top of a spatial view frame (template 359): the display switches, the unit radio
// buttons, the amplitude range and the overlay transparency scroll bar, on a lilac background. The
// frame and the view handle the controls; the bar paints, colours and arranges them, and starts its
// scroll bar at 50 of 0-100 10 ms after it was made.

#include "app/controls/CDialogBar.h"

#include <QColor>
#include <QTimer>

class QScrollBar;

namespace orv {

class CDlgbarSpatialView : public CDialogBar {
public:
    static constexpr int kTemplateId = 359;
    static constexpr int kWidthUnits = 1026;
    static constexpr int kHeightUnits = 33;
    static constexpr int kScrollBarId = 1028;
    static constexpr int kTimerMs = 10;
    static const QColor kBackground;     // RGB(206, 206, 255)
    static const QColor kScrollBarBrush; // RGB(226, 226, 255)

    explicit CDlgbarSpatialView(QWidget* parent = nullptr);

    QScrollBar* GetScrollBar() const;
    bool IsTimerRunning() const { return m_timer.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnTimer();
    void OnScrollAction(int action);

    QTimer m_timer;
    int m_trackingPosition = 0;
};

} // namespace orv
