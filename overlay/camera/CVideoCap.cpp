#include "overlay/camera/CVideoCap.h"

#include "overlay/camera/CVideoFrameSource.h"
#include "overlay/camera/CameraDevices.h"
#include "platform/log/InformationLog.h"

#include <QEventLoop>
#include <QFont>
#include <QFontDatabase>
#include <QPainter>
#include <QThread>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <list>
#include <map>
#include <thread>
#include <utility>
#include <vector>

namespace orv {

struct CVideoCap::SourceReports {
    std::atomic<bool> m_opened{false};
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_stopped{false};
    std::mutex m_frameMutex;
    QVideoFrame m_frame;
    bool m_bFresh = false;
};

// The device as the release thread closes it: the source (the camera) first, then the sink it wrote
// into (members go in reverse order).
struct CVideoCap::CaptureDevice {
    std::unique_ptr<QVideoSink> m_sink;
    std::unique_ptr<CVideoFrameSource> m_source;
};

class CVideoCap::CaptureThread final : public QThread {
public:
    explicit CaptureThread(CVideoCap& capture) : m_capture(capture) {}

protected:
    void run() override { m_capture.CaptureLoop(); }

private:
    CVideoCap& m_capture;
};

namespace {

constexpr const char* kEnvironmentName = "OPENCV_VIDEOIO_MSMF_ENABLE_HW_TRANSFORMS";
constexpr const char* kEnvironmentFailedText =
    "Failed to put env value OPENCV_VIDEOIO_MSMF_ENABLE_HW_TRANSFORMS, some cameras may take a long time to "
    "open!";

// The release threads of closed cameras and what they have closed; never destroyed, so a release
// thread still running at static destruction finds it.
struct ReleaseList {
    std::mutex m_mutex;
    std::list<std::thread> m_threads;
    uint64_t m_closed = 0;
};

ReleaseList& Releases() {
    static auto* releases = new ReleaseList;
    return *releases;
}

// Deletes the device, which closes the camera, and then counts it.
template <typename Device> void ReleaseVideoCaptureThread(std::unique_ptr<Device> device) {
    device.reset();
    ReleaseList& releases = Releases();
    const std::lock_guard<std::mutex> lock(releases.m_mutex);
    ++releases.m_closed;
}

// The camera table: device path to its capture while any holder keeps it.
std::map<std::string, std::weak_ptr<CVideoCap>>& CameraTable() {
    static std::map<std::string, std::weak_ptr<CVideoCap>> table;
    return table;
}

// A video frame as a blue-green-red image; null for an invalid frame or one that does not convert.
QImage ToBlueGreenRed(const QVideoFrame& frame) {
    if (!frame.isValid()) {
        return {};
    }
    const QImage image = frame.toImage();
    if (image.isNull()) {
        return {};
    }
    return image.convertToFormat(QImage::Format_BGR888);
}

// The pixels a source fraction names along one side, truncated and kept inside the frame.
int32_t FractionToPixels(float fraction, int32_t side) {
    if (!std::isfinite(fraction)) {
        return 0;
    }
    const double pixels = static_cast<double>(side) * static_cast<double>(fraction);
    return static_cast<int32_t>(std::clamp(pixels, 0.0, static_cast<double>(side)));
}

QRect SourceRect(const QSize& frame, float x, float y, float width, float height) {
    const int32_t left = FractionToPixels(x, frame.width());
    const int32_t top = FractionToPixels(y, frame.height());
    const int32_t right = std::min(frame.width(), left + FractionToPixels(width, frame.width()));
    const int32_t bottom = std::min(frame.height(), top + FractionToPixels(height, frame.height()));
    return {left, top, right - left, bottom - top};
}

// The placeholder text's font: "Segoe UI" where the system has it, else the sans-serif family.
const QFont& PlaceholderFont() {
    static const QFont font = [] {
        QFont chosen(QFontDatabase::hasFamily(QString::fromLatin1(CVideoCap::kFontFamily))
                         ? QString::fromLatin1(CVideoCap::kFontFamily)
                         : QStringLiteral("Sans Serif"));
        chosen.setStyleHint(QFont::SansSerif);
        chosen.setPointSize(CVideoCap::kFontPoints);
        chosen.setWeight(QFont::Normal);
        return chosen;
    }();
    return font;
}

// The tint's channel scaled to a fifth (x 51 / 255), alpha kept.
QColor DarkenedToAFifth(uint32_t tint) {
    const auto fifth = [](uint32_t channel) { return static_cast<int>((channel & 0xFFU) * 51U / 255U); };
    return {fifth(tint >> 16), fifth(tint >> 8), fifth(tint), static_cast<int>(tint >> 24)};
}

// The source part of a blue-green-red frame stretched (nearest pixel) to `size`, each channel scaled
// by the tint's and the whole at the tint's alpha, premultiplied: drawn source-over it is the frame
// through the tint's colour matrix.
QImage TintedPart(const QImage& frame, const QRect& source, const QSize& size, uint32_t tint) {
    const uint32_t alpha = tint >> 24;
    std::array<std::array<uint8_t, 256>, 3> scaled{}; // red, green, blue
    for (uint32_t channel = 0; channel < 3; ++channel) {
        const uint32_t factor = ((tint >> (16 - 8 * channel)) & 0xFFU) * alpha;
        for (uint32_t value = 0; value < 256; ++value) {
            scaled[channel][value] = static_cast<uint8_t>((value * factor + 65025U / 2U) / 65025U);
        }
    }
    QImage tinted(size, QImage::Format_ARGB32_Premultiplied);
    const int width = size.width();
    const int height = size.height();
    std::vector<int> columns(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) {
        // Pixel centres, as the painter's nearest-pixel stretch samples them.
        columns[static_cast<size_t>(x)] =
            source.left() +
            static_cast<int>((static_cast<int64_t>(2 * x + 1) * source.width()) / (2LL * width));
    }
    const uint32_t alphaBits = alpha << 24;
    for (int y = 0; y < height; ++y) {
        const int sourceY =
            source.top() +
            static_cast<int>((static_cast<int64_t>(2 * y + 1) * source.height()) / (2LL * height));
        const uchar* in = frame.constScanLine(sourceY);
        auto* out = reinterpret_cast<QRgb*>(tinted.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const uchar* pixel = in + static_cast<ptrdiff_t>(3) * columns[static_cast<size_t>(x)];
            out[x] = alphaBits | (static_cast<uint32_t>(scaled[0][pixel[2]]) << 16) |
                     (static_cast<uint32_t>(scaled[1][pixel[1]]) << 8) | scaled[2][pixel[0]];
        }
    }
    return tinted;
}

} // namespace

CVideoCap::CVideoCap(int32_t deviceIndex)
    : m_deviceIndex(deviceIndex), m_reports(std::make_shared<SourceReports>()) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_thread = std::make_unique<CaptureThread>(*this);
    // The sink is made here so that the media back end starts on this thread, not on a capture thread
    // that ends with its camera.
    m_device = std::make_unique<CaptureDevice>();
    m_device->m_sink = std::make_unique<QVideoSink>();
    m_device->m_sink->moveToThread(m_thread.get());
    m_thread->start();
}

CVideoCap::~CVideoCap() {
    m_stop = true;
    // Ends the thread's event loop at once (or keeps it from starting); the flag ends a read under way.
    m_thread->quit();
    m_thread->wait();
    std::unique_ptr<CaptureDevice> device;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        device = std::move(m_device);
    }
    ReleaseList& releases = Releases();
    const std::lock_guard<std::mutex> lock(releases.m_mutex);
    releases.m_threads.emplace_back(ReleaseVideoCaptureThread<CaptureDevice>, std::move(device));
}

void CVideoCap::CaptureLoop() {
    std::unique_ptr<CaptureDevice> device;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        device = std::move(m_device);
    }
    // Runs on whichever thread the source delivers on; only keeps the frame for the next read.
    const QMetaObject::Connection delivery = QObject::connect(
        device->m_sink.get(), &QVideoSink::videoFrameChanged, device->m_sink.get(),
        [reports = m_reports](const QVideoFrame& frame) {
            const std::lock_guard<std::mutex> lock(reports->m_frameMutex);
            reports->m_frame = frame;
            reports->m_bFresh = true;
        },
        Qt::DirectConnection);
    device->m_source = MakeVideoFrameSource();
    VideoSourceEvents events;
    events.m_opened = [reports = m_reports] {
        reports->m_stopped = false;
        reports->m_opened = true;
    };
    events.m_failed = [reports = m_reports] { reports->m_failed = true; };
    events.m_stopped = [reports = m_reports] { reports->m_stopped = true; };
    device->m_source->Start(m_deviceIndex, *device->m_sink, std::move(events));
    ApplyProperties(*device->m_source);

    if (ReadFrame()) {
        QEventLoop loop;
        QTimer timer;
        timer.setInterval(kReadIntervalMs);
        QObject::connect(&timer, &QTimer::timeout, &loop, [this, &loop, source = device->m_source.get()] {
            ApplyProperties(*source);
            if (!ReadFrame()) {
                loop.quit();
            }
        });
        timer.start();
        // Returns at once when the destructor's quit came first.
        loop.exec();
    }

    QObject::disconnect(delivery);
    device->m_source->LeaveThread();
    device->m_sink->moveToThread(nullptr);
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_device = std::move(device);
}

bool CVideoCap::ReadFrame() {
    if (m_stop) {
        return false;
    }
    SourceReports& reports = *m_reports;
    if (reports.m_opened) {
        m_opened = true;
    }
    QVideoFrame frame;
    bool fresh = false;
    {
        const std::lock_guard<std::mutex> lock(reports.m_frameMutex);
        fresh = std::exchange(reports.m_bFresh, false);
        frame = std::exchange(reports.m_frame, QVideoFrame());
    }
    if (fresh) {
        // A delivering device is open, whatever it reported.
        m_opened = true;
        m_bFrameArrived = true;
        QImage image = ToBlueGreenRed(frame);
        const int32_t state = image.isNull() ? kEmptyRead : kFrame;
        SetFrame(std::move(image), state);
        return true;
    }
    if (reports.m_failed && !m_bFrameArrived) {
        m_opened = false;
        SetFrame({}, kOpenFailed);
        return false;
    }
    if ((reports.m_failed || reports.m_stopped) && m_bFrameArrived && m_state != kEmptyRead) {
        SetFrame({}, kEmptyRead);
    }
    return true;
}

void CVideoCap::SetProperty(int32_t property, double value) {
    const std::lock_guard<std::mutex> lock(m_propertyMutex);
    m_properties.emplace_back(property, value);
}

void CVideoCap::ApplyProperties(CVideoFrameSource& source) {
    std::vector<std::pair<int32_t, double>> pending;
    {
        const std::lock_guard<std::mutex> lock(m_propertyMutex);
        pending.swap(m_properties);
    }
    // The device is told outside the lock: a slow driver never holds up the one who sets.
    for (const auto& [property, value] : pending) {
        source.SetProperty(property, value);
    }
}

void CVideoCap::SetFrame(QImage frame, int32_t state) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_frame.swap(frame);
        m_state = state;
    }
    // The replaced frame is freed here, outside the lock.
}

bool CVideoCap::GetFrame(QImage& frame) const {
    if (!m_opened) {
        return false;
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    frame = m_frame;
    return true;
}

int32_t CVideoCap::Draw(QPainter& painter, int32_t x, int32_t y, int32_t width, int32_t height, float sourceX,
                        float sourceY, float sourceWidth, float sourceHeight, uint32_t tint) const {
    QImage frame;
    int32_t state = kOpening;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        frame = m_frame;
        state = m_state;
    }
    const QRect target(x, y, width, height);
    painter.save();
    if (frame.isNull()) {
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.fillRect(target, DarkenedToAFifth(tint));
        const char* text = state == kOpening     ? kWaitingText
                           : state == kEmptyRead ? kUnavailableText
                                                 : nullptr;
        if (text != nullptr) {
            painter.setFont(PlaceholderFont());
            painter.setPen(QColor::fromRgba(kTextArgb));
            painter.drawText(target, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                             QString::fromLatin1(text));
        }
        painter.restore();
        return state;
    }
    const QRect source = SourceRect(frame.size(), sourceX, sourceY, sourceWidth, sourceHeight);
    if (!target.isEmpty() && !source.isEmpty()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        if (tint == kNoTint) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(target, frame, source);
        } else {
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            painter.drawImage(target.topLeft(), TintedPart(frame, source, target.size(), tint));
        }
    }
    painter.restore();
    return kFrame;
}

std::shared_ptr<CVideoCap> AcquireVideoCap(const std::string& path) {
    static bool environmentSet = false;
    if (!std::exchange(environmentSet, true) && setenv(kEnvironmentName, "0", 1) != 0) {
        AddInformationMessage(0, kEnvironmentFailedText);
    }
    auto& table = CameraTable();
    std::erase_if(table, [](const auto& entry) { return entry.second.expired(); });
    if (const auto found = table.find(path); found != table.end()) {
        if (std::shared_ptr<CVideoCap> capture = found->second.lock()) {
            return capture;
        }
    }
    const int32_t index = FindCameraIndexByPath(path);
    if (index < 0) {
        return {};
    }
    auto capture = std::make_shared<CVideoCap>(index);
    table[path] = capture;
    return capture;
}

void JoinCameraReleaseThreads() {
    ReleaseList& releases = Releases();
    std::list<std::thread> threads;
    {
        // Taken out first: a release thread takes the mutex once it has closed its device.
        const std::lock_guard<std::mutex> lock(releases.m_mutex);
        threads.swap(releases.m_threads);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

size_t GetCameraReleaseThreadCount() {
    ReleaseList& releases = Releases();
    const std::lock_guard<std::mutex> lock(releases.m_mutex);
    return releases.m_threads.size();
}

uint64_t GetClosedCameraCount() {
    ReleaseList& releases = Releases();
    const std::lock_guard<std::mutex> lock(releases.m_mutex);
    return releases.m_closed;
}

} // namespace orv
