#pragma once

// Named fake cameras for the capture tests: a device list of the test's own and frame sources that
// push the test's pictures into the capture's video sink, the path a real camera's frames take.

#include "overlay/camera/CVideoFrameSource.h"
#include "overlay/camera/CameraDevices.h"

#include <QImage>
#include <QVideoFrame>
#include <QVideoFrameFormat>
#include <QVideoSink>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace orv::camera_test {

// A video frame holding the picture, as a camera delivers one (32-bit blue-green-red-unused).
inline QVideoFrame MakeVideoFrame(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    QVideoFrame frame(QVideoFrameFormat(image.size(), QVideoFrameFormat::Format_BGRX8888));
    if (!frame.map(QVideoFrame::WriteOnly)) {
        return {};
    }
    const auto rowBytes = static_cast<size_t>(image.width()) * 4U;
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(frame.bits(0) + static_cast<ptrdiff_t>(y) * frame.bytesPerLine(0), image.constScanLine(y),
                    rowBytes);
    }
    frame.unmap();
    return frame;
}

inline QImage Filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// One fake device: what its sources did, and the sink of the one that runs now.
class FakeCamera {
public:
    FakeCamera(std::string path, QString name) : m_path(std::move(path)), m_name(std::move(name)) {}

    const std::string& Path() const { return m_path; }
    const QString& Name() const { return m_name; }
    // Whether the machine lists the device now.
    bool IsPlugged() const { return m_plugged.load(); }
    void SetPlugged(bool plugged) { m_plugged = plugged; }

    // Every source of this device fails to open (reported from its start).
    void SetFailToStart(bool fail) { m_failToStart = fail; }
    bool FailsToStart() const { return m_failToStart; }
    // Runs on the release thread as the device closes.
    void SetOnClose(std::function<void()> onClose) { m_onClose = std::move(onClose); }

    int Starts() const { return m_starts.load(); }
    // The device properties set on it, in order (the capture thread sets them).
    std::vector<std::pair<int32_t, double>> Properties() const {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_properties;
    }
    void RecordProperty(int32_t property, double value) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_properties.emplace_back(property, value);
    }
    int Closes() const { return m_closes.load(); }
    bool IsStreaming() const {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_sink != nullptr;
    }
    std::thread::id CloseThread() const {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_closeThread;
    }

    // Delivers a frame as the camera would (from the caller's thread); false without a running source.
    bool Push(const QVideoFrame& frame) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_sink == nullptr) {
            return false;
        }
        m_sink->setVideoFrame(frame);
        return true;
    }
    bool Push(const QImage& picture) { return Push(MakeVideoFrame(picture)); }
    // The device reports that it stopped (or failed) while it was delivering.
    void ReportStopped() { Events().m_stopped(); }
    void ReportFailed() { Events().m_failed(); }

    // The running source's side.
    void Started(QVideoSink& sink, VideoSourceEvents events) {
        ++m_starts;
        if (m_failToStart) {
            events.m_failed();
            return;
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_sink = &sink;
            m_events = events;
        }
        events.m_opened();
    }
    void Closed() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_sink = nullptr;
            m_events = {};
            m_closeThread = std::this_thread::get_id();
        }
        if (m_onClose) {
            m_onClose();
        }
        ++m_closes;
    }

private:
    VideoSourceEvents Events() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }

    std::string m_path;
    QString m_name;
    std::atomic<bool> m_plugged{true};
    std::atomic<bool> m_failToStart{false};
    std::function<void()> m_onClose;
    std::atomic<int> m_starts{0};
    std::atomic<int> m_closes{0};
    mutable std::mutex m_mutex;
    QVideoSink* m_sink = nullptr;
    VideoSourceEvents m_events;
    std::thread::id m_closeThread;
    std::vector<std::pair<int32_t, double>> m_properties;
};

// The devices the machine lists now, in order.
inline std::vector<std::shared_ptr<FakeCamera>>
PluggedCameras(const std::vector<std::shared_ptr<FakeCamera>>& all) {
    std::vector<std::shared_ptr<FakeCamera>> plugged;
    for (const auto& camera : all) {
        if (camera->IsPlugged()) {
            plugged.push_back(camera);
        }
    }
    return plugged;
}

// A source of one of the rig's devices, chosen by the index the capture starts it with.
class FakeFrameSource final : public CVideoFrameSource {
public:
    explicit FakeFrameSource(std::vector<std::shared_ptr<FakeCamera>> cameras)
        : m_cameras(std::move(cameras)) {}
    ~FakeFrameSource() override {
        if (m_camera) {
            m_camera->Closed();
        }
    }
    FakeFrameSource(const FakeFrameSource&) = delete;
    FakeFrameSource& operator=(const FakeFrameSource&) = delete;

    void Start(int32_t deviceIndex, QVideoSink& sink, VideoSourceEvents events) override {
        const std::vector<std::shared_ptr<FakeCamera>> plugged = PluggedCameras(m_cameras);
        if (deviceIndex < 0 || static_cast<size_t>(deviceIndex) >= plugged.size()) {
            events.m_failed();
            return;
        }
        m_camera = plugged[static_cast<size_t>(deviceIndex)];
        m_camera->Started(sink, std::move(events));
    }
    bool SetProperty(int32_t property, double value) override {
        if (!m_camera) {
            return false;
        }
        m_camera->RecordProperty(property, value);
        return true;
    }

private:
    std::vector<std::shared_ptr<FakeCamera>> m_cameras;
    std::shared_ptr<FakeCamera> m_camera;
};

// Installs the devices as the machine's cameras, and their sources, while it lives.
class FakeCameraRig {
public:
    // Paths and names.
    FakeCameraRig(std::initializer_list<std::pair<const char*, const char*>> devices) {
        for (const auto& [path, name] : devices) {
            m_cameras.push_back(std::make_shared<FakeCamera>(path, QString::fromLatin1(name)));
        }
        m_previousLister = InstallCameraDeviceLister([cameras = m_cameras] {
            std::vector<CameraDevice> list;
            for (const auto& camera : PluggedCameras(cameras)) {
                list.push_back({camera->Path(), camera->Name()});
            }
            return list;
        });
        m_previousMaker =
            InstallVideoFrameSourceMaker([cameras = m_cameras]() -> std::unique_ptr<CVideoFrameSource> {
                return std::make_unique<FakeFrameSource>(cameras);
            });
    }
    ~FakeCameraRig() {
        InstallCameraDeviceLister(std::move(m_previousLister));
        InstallVideoFrameSourceMaker(std::move(m_previousMaker));
    }
    FakeCameraRig(const FakeCameraRig&) = delete;
    FakeCameraRig& operator=(const FakeCameraRig&) = delete;

    FakeCamera& Camera(size_t index) { return *m_cameras.at(index); }

private:
    std::vector<std::shared_ptr<FakeCamera>> m_cameras;
    CameraDeviceLister m_previousLister;
    VideoFrameSourceMaker m_previousMaker;
};

} // namespace orv::camera_test
