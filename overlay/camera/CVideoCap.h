#pragma once

#include <QImage>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class QPainter;
class QThread;

namespace orv {

class CVideoFrameSource;

// One open camera, shared by every window and thread that shows or tracks it (the webcam dialog, the
// probe tracker, the probes page's preview); AcquireVideoCap hands it out by device path.
//
// Its capture thread reads the device every 50 ms: the latest frame the camera put into the capture's
// video sink becomes a 3-channel blue-green-red image, swapped in under the mutex. The swap exchanges
// image handles only and no image is ever written once it is swapped in, so a copy taken under the
// mutex stays valid and readers never wait for a conversion. The last holder's release stops the
// thread and hands the device to a release thread that closes it; JoinCameraReleaseThreads joins
// those at exit.
class CVideoCap {
public:
    enum CaptureState : int32_t {
        kOpenFailed = 0,
        kOpening = 1,
        kFrame = 2,
        kEmptyRead = 3,
    };
    static constexpr int kReadIntervalMs = 50;
    // Draw's tint meaning none: the frame is copied as it is.
    static constexpr uint32_t kNoTint = 0xFFFFFFFFU;
    static constexpr uint32_t kTextArgb = 0xFFC8C8C8U;
    static constexpr const char* kWaitingText = "Waiting for video input...";
    static constexpr const char* kUnavailableText = "Video capture unavailable.";
    static constexpr const char* kFontFamily = "Segoe UI";
    static constexpr int kFontPoints = 9;

    // Starts the capture thread for the device of that index.
    explicit CVideoCap(int32_t deviceIndex);
    // Stops and joins the capture thread (at most one read) and hands the device to a release thread.
    ~CVideoCap();
    CVideoCap(const CVideoCap&) = delete;
    CVideoCap& operator=(const CVideoCap&) = delete;

    // False while the device is not open (opening, or it failed). Otherwise the latest frame (a null
    // image before the first frame and after an empty read), blue-green-red, 3 bytes a pixel.
    bool GetFrame(QImage& frame) const;

    // Draws the part (source fractions of the frame's width and height) of the latest frame stretched
    // into the rectangle: copied as it is for kNoTint, else each channel scaled by the tint's and
    // blended at the tint's alpha (ARGB). Without a frame, fills the rectangle with the tint darkened
    // to a fifth and writes what the capture is doing. Returns kFrame when a frame was drawn, else the
    // state. User-interface thread (any thread that owns the painter).
    int32_t Draw(QPainter& painter, int32_t x, int32_t y, int32_t width, int32_t height, float sourceX,
                 float sourceY, float sourceWidth, float sourceHeight, uint32_t tint) const;

    // Device properties the capture thread hands to the device at its next read (any thread); a
    // device without the property ignores it.
    static constexpr int32_t kPropertyFocus = 28;
    static constexpr int32_t kPropertyAutoFocus = 39;
    void SetProperty(int32_t property, double value);

    int32_t GetState() const { return m_state.load(); }
    int32_t GetDeviceIndex() const { return m_deviceIndex; }
    bool IsOpened() const { return m_opened.load(); }

private:
    class CaptureThread;
    struct CaptureDevice;
    struct SourceReports;

    // The capture thread: starts the source, reads every 50 ms until stopped (or the device failed to
    // open) and leaves the device for the release.
    void CaptureLoop();
    // One read; false when the thread is to end.
    bool ReadFrame();
    void SetFrame(QImage frame, int32_t state);
    // Capture thread: the properties set since the last call go to the source.
    void ApplyProperties(CVideoFrameSource& source);

    std::atomic<int32_t> m_state{kOpening};
    // Made by the capture thread, taken by the destructor once that thread has ended.
    std::unique_ptr<CaptureDevice> m_device;
    QImage m_frame;
    // Guards the frame with its state, and the device's hand-over.
    mutable std::mutex m_mutex;
    std::unique_ptr<QThread> m_thread;
    const int32_t m_deviceIndex;
    std::atomic<bool> m_opened{false};
    std::atomic<bool> m_stop{false};
    // What the source reported and the frame it last delivered; shared with its callbacks, which may
    // run on the device's own threads after the capture has gone.
    std::shared_ptr<SourceReports> m_reports;
    // Properties waiting for the capture thread, in the order they were set.
    std::mutex m_propertyMutex;
    std::vector<std::pair<int32_t, double>> m_properties;
    // Capture thread only: a frame (good or not) has arrived.
    bool m_bFrameArrived = false;
};

// The capture of the device with that path: the one already open when a holder keeps it, else a new
// one; null when no device has that path. Sets the process environment variable
// "OPENCV_VIDEOIO_MSMF_ENABLE_HW_TRANSFORMS=0" on the first call. User-interface thread only (the
// table of open cameras has no lock).
std::shared_ptr<CVideoCap> AcquireVideoCap(const std::string& path);

// Joins every release thread started so far; at program exit, after the event loop has ended.
void JoinCameraReleaseThreads();
// Release threads not yet joined, and devices the release threads have closed.
size_t GetCameraReleaseThreadCount();
uint64_t GetClosedCameraCount();

} // namespace orv
