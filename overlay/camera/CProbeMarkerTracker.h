#pragma once

// The probe tracker of one camera: a thread of its own takes the camera's latest frame every 50 ms
// and runs the marker detection on it (CProbeMarkerDetector); the node mediators of hand-held scans
// read the probe position through CProbeVideoTrack, the views draw the camera picture with the
// tracked points through CProbeVideoPreview. One tracker per camera device path, shared by every
// node on that camera, made only by AcquireProbeMarkerTracker.

#include "overlay/camera/CProbeVideoPreview.h"
#include "overlay/camera/CVideoCap.h"
#include "overlay/camera/markers/CProbeMarkerDetector.h"
#include "project/QProbeVideoTrack.h"

#include <QImage>

#include <atomic>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>

namespace orv {

class CProbeMarkerTracker final : public CProbeVideoTrack, public CProbeVideoPreview {
public:
    // Half-transparent squares on the tip and the marker centre: green while the marker was seen
    // within the last 3 attempts, red after.
    static constexpr uint32_t kSeenArgb = 0x7F00FF00U;
    static constexpr uint32_t kLostArgb = 0x7FFF0000U;
    static constexpr uint32_t kSeenAttempts = 3;
    static constexpr int32_t kSquareSide = 8;
    static constexpr int kFrameIntervalMs = 50;

    enum class Thread { kRun, kNone };

    // Tracks the capture's frames on a thread of its own; with Thread::kNone the owner calls
    // ProcessFrame itself (tests step frame by frame).
    explicit CProbeMarkerTracker(std::shared_ptr<CVideoCap> capture, Thread thread = Thread::kRun,
                                 ProbeMarkerDictionaries dictionaries = SharedProbeMarkerDictionaries());
    // Stops and joins the thread (at most the frame in progress), then lets the capture go, which
    // may close the camera.
    ~CProbeMarkerTracker() override;
    CProbeMarkerTracker(const CProbeMarkerTracker&) = delete;
    CProbeMarkerTracker& operator=(const CProbeMarkerTracker&) = delete;

    // CProbeVideoTrack (any thread): the probe tip as fractions of the frame, and the detection
    // attempts since the marker was last seen.
    void GetMarkerPosition(float& x, float& y) const override;
    uint32_t GetFramesSinceDetected() const override;

    // CProbeVideoPreview: the camera picture through the capture's Draw, then the tip's and the
    // marker centre's squares when a frame was drawn. The points are fractions of the whole frame,
    // placed in the rectangle without regard to the source fractions.
    void DrawPreview(QPainter& painter, const ProbePreviewPlacement& placement, int32_t x, int32_t y,
                     int32_t width, int32_t height, float sx, float sy, float sw, float sh,
                     uint32_t colour) override;

    // One frame: nothing unless the capture is delivering frames. The tracker thread's step.
    void ProcessFrame();

    const CProbeMarkerDetector& GetDetector() const { return m_detector; }
    // The focus the probes page chose for this camera: automatic, or the manual value it set.
    void SetAutoFocus(bool autoFocus) { m_autoFocus = autoFocus; }
    bool IsAutoFocus() const { return m_autoFocus.load(); }
    void SetFocusValue(uint8_t value) { m_focusValue = value; }
    uint8_t GetFocusValue() const { return m_focusValue.load(); }
    const std::shared_ptr<CVideoCap>& GetCapture() const { return m_capture; }

private:
    void ThreadLoop(const std::stop_token& stop);

    std::shared_ptr<CVideoCap> m_capture;
    QImage m_frame; // tracker thread only
    CProbeMarkerDetector m_detector;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_autoFocus{true};
    std::atomic<uint8_t> m_focusValue{0};
    std::stop_source m_stopSource;
    std::thread m_thread;
};

// The tracker of the camera with that path: the live one when a holder keeps it, else a new one on
// the camera's capture (AcquireVideoCap); null when no camera has that path. The table holds weak
// references and is purged on every lookup. User-interface thread only.
std::shared_ptr<CProbeMarkerTracker> AcquireProbeMarkerTracker(const std::string& path);

// Installs AcquireProbeMarkerTracker as the project model's acquirer of probe trackers. At start.
void InstallProbeMarkerTracking();

} // namespace orv
