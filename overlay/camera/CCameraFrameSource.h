#pragma once

#include "overlay/camera/CVideoFrameSource.h"

#include <QSize>

#include <memory>
#include <vector>

class QCamera;
class QMediaCaptureSession;
class QObject;

namespace orv {

// A camera's frames through Qt Multimedia: a QCamera in a QMediaCaptureSession writing into the
// capture's sink, at the device format nearest to the frame size and rate a capture asks for.
class CCameraFrameSource final : public CVideoFrameSource {
public:
    static constexpr int kFrameWidth = 800;
    static constexpr int kFrameHeight = 600;
    static constexpr float kFramesPerSecond = 15.0F;

    // One format a device offers.
    struct Format {
        QSize m_resolution;
        float m_minFrameRate = 0.0F;
        float m_maxFrameRate = 0.0F;
    };

    CCameraFrameSource();
    ~CCameraFrameSource() override;
    CCameraFrameSource(const CCameraFrameSource&) = delete;
    CCameraFrameSource& operator=(const CCameraFrameSource&) = delete;

    void Start(int32_t deviceIndex, QVideoSink& sink, VideoSourceEvents events) override;
    void LeaveThread() override;
    // Auto-focus on or off, and a manual focus of 0 (far) to 250 (near), where the camera offers them.
    bool SetProperty(int32_t property, double value) override;

    // The index of the format nearest to 800 x 600 (the sum of the two sides' differences), then to
    // 15 frames per second (0 within the format's range); -1 for no format.
    static int32_t ChooseNearestFormat(const std::vector<Format>& formats);

private:
    // Parent of the session and the camera: they leave the capture thread together.
    std::unique_ptr<QObject> m_objects;
    QMediaCaptureSession* m_session = nullptr;
    QCamera* m_camera = nullptr;
};

} // namespace orv
