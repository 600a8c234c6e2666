#include "overlay/camera/CCameraFrameSource.h"

#include "overlay/camera/CVideoCap.h"

#include <QCamera>
#include <QCameraDevice>
#include <QCameraFormat>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QObject>
#include <QVideoSink>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

namespace orv {
namespace {

float FrameRateDistance(const CCameraFrameSource::Format& format) {
    const float wanted = CCameraFrameSource::kFramesPerSecond;
    if (wanted < format.m_minFrameRate) {
        return format.m_minFrameRate - wanted;
    }
    if (wanted > format.m_maxFrameRate) {
        return wanted - format.m_maxFrameRate;
    }
    return 0.0F;
}

} // namespace

CCameraFrameSource::CCameraFrameSource() = default;

// The session goes before the camera (its first child), the camera then closes the device.
CCameraFrameSource::~CCameraFrameSource() = default;

int32_t CCameraFrameSource::ChooseNearestFormat(const std::vector<Format>& formats) {
    int32_t best = -1;
    int64_t bestSizeDistance = std::numeric_limits<int64_t>::max();
    float bestRateDistance = std::numeric_limits<float>::max();
    for (size_t i = 0; i < formats.size(); ++i) {
        const QSize size = formats[i].m_resolution;
        const int64_t sizeDistance = std::llabs(static_cast<int64_t>(size.width()) - kFrameWidth) +
                                     std::llabs(static_cast<int64_t>(size.height()) - kFrameHeight);
        const float rateDistance = FrameRateDistance(formats[i]);
        if (sizeDistance < bestSizeDistance ||
            (sizeDistance == bestSizeDistance && rateDistance < bestRateDistance)) {
            best = static_cast<int32_t>(i);
            bestSizeDistance = sizeDistance;
            bestRateDistance = rateDistance;
        }
    }
    return best;
}

void CCameraFrameSource::Start(int32_t deviceIndex, QVideoSink& sink, VideoSourceEvents events) {
    const QList<QCameraDevice> devices = QMediaDevices::videoInputs();
    if (deviceIndex < 0 || deviceIndex >= devices.size()) {
        events.m_failed();
        return;
    }
    const QCameraDevice& device = devices[deviceIndex];
    m_objects = std::make_unique<QObject>();
    m_session = new QMediaCaptureSession(m_objects.get());
    m_camera = new QCamera(device, m_objects.get());

    const QList<QCameraFormat> offered = device.videoFormats();
    std::vector<Format> formats;
    formats.reserve(static_cast<size_t>(offered.size()));
    for (const QCameraFormat& format : offered) {
        formats.push_back({format.resolution(), format.minFrameRate(), format.maxFrameRate()});
    }
    if (const int32_t chosen = ChooseNearestFormat(formats); chosen >= 0) {
        m_camera->setCameraFormat(offered[chosen]);
    }

    QObject::connect(m_camera, &QCamera::errorOccurred, m_objects.get(),
                     [failed = events.m_failed](QCamera::Error error, const QString& /*text*/) {
                         if (error != QCamera::NoError) {
                             failed();
                         }
                     });
    QObject::connect(m_camera, &QCamera::activeChanged, m_objects.get(),
                     [opened = events.m_opened, stopped = events.m_stopped](bool active) {
                         if (active) {
                             opened();
                         } else {
                             stopped();
                         }
                     });
    m_session->setCamera(m_camera);
    m_session->setVideoSink(&sink);
    m_camera->start();
}

bool CCameraFrameSource::SetProperty(int32_t property, double value) {
    if (m_camera == nullptr) {
        return false;
    }
    if (property == CVideoCap::kPropertyAutoFocus) {
        const QCamera::FocusMode mode = value != 0.0 ? QCamera::FocusModeAuto : QCamera::FocusModeManual;
        if (!m_camera->isFocusModeSupported(mode)) {
            return false;
        }
        m_camera->setFocusMode(mode);
        return true;
    }
    if (property == CVideoCap::kPropertyFocus) {
        if (!m_camera->isFocusModeSupported(QCamera::FocusModeManual)) {
            return false;
        }
        constexpr double kNearestFocus = 250.0;
        m_camera->setFocusMode(QCamera::FocusModeManual);
        m_camera->setFocusDistance(static_cast<float>(std::clamp(value / kNearestFocus, 0.0, 1.0)));
        return true;
    }
    return false;
}

void CCameraFrameSource::LeaveThread() {
    if (m_objects) {
        m_objects->moveToThread(nullptr);
    }
}

} // namespace orv
