#pragma once

// The STOP window of robot-arm scans: a small top-most window at the screen's top right. A click on
// it, or any key while it has the focus, stops the scan of the active project window and force-stops
// the arm; it then shows itself stopped, goes away and says so. Closing it by the system menu does
// nothing. Once stopped it stays stopped until it is shown again.

#include "app/CStopScanFrame.h"

#include <QWidget>

#include <chrono>
#include <functional>

namespace orv {

class CStopScanWindow final : public QWidget, public CStopScanFrame {
public:
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 250;
    static constexpr const char* kStoppedText = "EMERGENCY STOP. Scan Canceled.";
    static constexpr const char* kStoppedCaption = "STOP";

    struct Actions {
        // Stops the scan of the active project window.
        std::function<void()> stopScan;
        // Force-stops the arm when the connected scanner is the robot arm.
        std::function<void()> stopArm;
    };

    explicit CStopScanWindow(Actions actions, QWidget* parent = nullptr);

    // --- CStopScanFrame ---
    void EmergencyStop() override;
    void ShowAtTopRight() override;
    void Hide() override { hide(); }

    bool IsStopped() const { return m_stopped; }
    // How long the stopped picture stands before the window goes and the box shows (tests: 0).
    void SetStoppedPause(std::chrono::milliseconds pause) { m_stoppedPause = pause; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Actions m_actions;
    bool m_stopped = false;
    std::chrono::milliseconds m_stoppedPause{200};
};

} // namespace orv
