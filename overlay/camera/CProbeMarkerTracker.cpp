#include "overlay/camera/CProbeMarkerTracker.h"

#include "platform/clock/Clock.h"

#include <QColor>
#include <QPainter>

#include <chrono>
#include <map>
#include <utility>

namespace orv {

CProbeMarkerTracker::CProbeMarkerTracker(std::shared_ptr<CVideoCap> capture, Thread thread,
                                         ProbeMarkerDictionaries dictionaries)
    : m_capture(std::move(capture)), m_detector(std::move(dictionaries)) {
    if (thread == Thread::kRun) {
        m_thread = std::thread([this, stop = m_stopSource.get_token()] { ThreadLoop(stop); });
    }
}

CProbeMarkerTracker::~CProbeMarkerTracker() {
    m_stop = true;
    m_stopSource.request_stop();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    // Only now may the camera close: the thread no longer reads it.
    m_capture.reset();
}

void CProbeMarkerTracker::ThreadLoop(const std::stop_token& stop) {
    while (!m_stop.load()) {
        ProcessFrame();
        ClockSleep(std::chrono::milliseconds(kFrameIntervalMs), stop);
    }
}

void CProbeMarkerTracker::ProcessFrame() {
    if (m_capture == nullptr || m_capture->GetState() != CVideoCap::kFrame) {
        return;
    }
    if (!m_capture->GetFrame(m_frame) || m_frame.isNull()) {
        return;
    }
    if (m_frame.format() != QImage::Format_BGR888) {
        m_frame = m_frame.convertToFormat(QImage::Format_BGR888);
    }
    // A view of the frame's own bytes; the detector only reads them.
    const cv::Mat frame(m_frame.height(), m_frame.width(), CV_8UC3, const_cast<uchar*>(m_frame.constBits()),
                        static_cast<size_t>(m_frame.bytesPerLine()));
    m_detector.ProcessFrame(frame);
}

void CProbeMarkerTracker::GetMarkerPosition(float& x, float& y) const {
    m_detector.GetMarkerPosition(x, y);
}

uint32_t CProbeMarkerTracker::GetFramesSinceDetected() const {
    return static_cast<uint32_t>(m_detector.GetAttemptsSinceDetection());
}

void CProbeMarkerTracker::DrawPreview(QPainter& painter, const ProbePreviewPlacement& /*placement*/,
                                      int32_t x, int32_t y, int32_t width, int32_t height, float sx, float sy,
                                      float sw, float sh, uint32_t colour) {
    if (m_capture == nullptr ||
        m_capture->Draw(painter, x, y, width, height, sx, sy, sw, sh, colour) != CVideoCap::kFrame) {
        return;
    }
    const QColor square = QColor::fromRgba(GetFramesSinceDetected() <= kSeenAttempts ? kSeenArgb : kLostArgb);
    float probeX = 0.0F;
    float probeY = 0.0F;
    float centreX = 0.0F;
    float centreY = 0.0F;
    m_detector.GetMarkerPosition(probeX, probeY);
    m_detector.GetMarkerCentre(centreX, centreY);
    const auto w = static_cast<float>(width);
    const auto h = static_cast<float>(height);
    const int32_t tipX = x + static_cast<int32_t>(w * probeX);
    const int32_t tipY = y + static_cast<int32_t>(h * probeY);
    const int32_t markX = static_cast<int32_t>(static_cast<float>(x) + w * centreX);
    const int32_t markY = static_cast<int32_t>(static_cast<float>(y) + h * centreY);
    constexpr int32_t half = kSquareSide / 2;
    painter.fillRect(tipX - half, tipY - half, kSquareSide, kSquareSide, square);
    // One square only when both fall on one pixel: two would blend to a darker one.
    if (markX != tipX || markY != tipY) {
        painter.fillRect(markX - half, markY - half, kSquareSide, kSquareSide, square);
    }
}

std::shared_ptr<CProbeMarkerTracker> AcquireProbeMarkerTracker(const std::string& path) {
    static std::map<std::string, std::weak_ptr<CProbeMarkerTracker>> trackers;
    std::erase_if(trackers, [](const auto& entry) { return entry.second.expired(); });
    if (auto found = trackers.find(path); found != trackers.end()) {
        if (std::shared_ptr<CProbeMarkerTracker> live = found->second.lock()) {
            return live;
        }
    }
    std::shared_ptr<CVideoCap> capture = AcquireVideoCap(path);
    if (capture == nullptr) {
        return nullptr;
    }
    auto tracker = std::make_shared<CProbeMarkerTracker>(std::move(capture));
    trackers[path] = tracker;
    return tracker;
}

void InstallProbeMarkerTracking() {
    SetProbeVideoTrackAcquirer([](const std::string& path) -> std::shared_ptr<CProbeVideoTrack> {
        return AcquireProbeMarkerTracker(path);
    });
}

} // namespace orv
