#include "overlay/camera/markers/CProbeMarkerDetector.h"

#include "overlay/camera/markers/ProbeMarkerModel.h"
#include "platform/clock/Clock.h"

#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <utility>

namespace orv {

namespace {

// Search mode starts when no marker was accepted for this long.
constexpr double kSearchAfterSeconds = 0.5;
// Another probe's marker is followed only after this long without detection.
constexpr double kOtherProbeAfterSeconds = 2.0;
// A window is half the working image each way; the grid's windows start at quarters.
constexpr double kGridFraction = 0.25;

int64_t SteadyNanoseconds(Clock::TimePoint time) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
}

} // namespace

CProbeMarkerDetector::CProbeMarkerDetector(ProbeMarkerDictionaries dictionaries)
    : m_dictionaries(std::move(dictionaries)), m_parameters(cv::aruco::DetectorParameters::create()) {
    // Each tracker has a thread of its own that looks at a quarter of a frame every 50 ms: OpenCV's
    // worker pool would only add threads that compete with the window side and the captures (and
    // whose hand-offs the thread checker cannot see), so detection runs on the calling thread.
    static std::once_flag sequential;
    std::call_once(sequential, [] { cv::setNumThreads(0); });
}

void CProbeMarkerDetector::GetMarkerPosition(float& x, float& y) const {
    const std::lock_guard lock(m_mutex);
    x = m_probeX;
    y = m_probeY;
}

void CProbeMarkerDetector::GetMarkerCentre(float& x, float& y) const {
    const std::lock_guard lock(m_mutex);
    x = m_centreX;
    y = m_centreY;
}

void CProbeMarkerDetector::ProcessFrame(const cv::Mat& frame) {
    if (frame.empty() || frame.type() != CV_8UC3) {
        return;
    }
    cv::Mat working = frame;
    if (frame.cols > kWorkingWidth || frame.rows > kWorkingHeight) {
        cv::resize(frame, m_scaled, cv::Size(kWorkingWidth, kWorkingHeight), 0.0, 0.0, cv::INTER_LINEAR);
        working = m_scaled;
    }
    const int width = working.cols;
    const int height = working.rows;
    m_workingSize = cv::Size(width, height);

    const int64_t nowNs = SteadyNanoseconds(ClockNow());
    const double elapsed = static_cast<double>(nowNs - m_lastDetectionNs) / 1e9;

    const int windowWidth = static_cast<int>(2.0 * kGridFraction * width);
    const int windowHeight = static_cast<int>(2.0 * kGridFraction * height);
    cv::Rect window;
    if (elapsed > kSearchAfterSeconds) {
        const int cell = m_searchStep / 2;
        const int column = cell % 3;
        const int row = cell / 3;
        window = cv::Rect(static_cast<int>(column * kGridFraction * width),
                          static_cast<int>(row * kGridFraction * height), windowWidth, windowHeight);
        m_searchStep = m_searchStep + 1 >= kSearchSteps ? 0 : m_searchStep + 1;
    } else {
        float centreX = 0.0F;
        float centreY = 0.0F;
        GetMarkerCentre(centreX, centreY);
        const int cx = static_cast<int>(static_cast<float>(width) * centreX);
        const int cy = static_cast<int>(static_cast<float>(height) * centreY);
        // The first step of the grid cell (in thirds of the image) that holds the marker, so a
        // search that starts again begins where the marker was.
        const int column = std::clamp((3 * cx) / width, 0, 2);
        const int row = std::clamp((3 * cy) / height, 0, 2);
        m_searchStep = 2 * (column + 3 * row);
        window = cv::Rect(cx - windowWidth / 2, cy - windowHeight / 2, 2 * (windowWidth / 2),
                          2 * (windowHeight / 2));
    }
    window.x = std::max(window.x, 0);
    window.y = std::max(window.y, 0);
    window.width = std::min(window.width, width - window.x);
    window.height = std::min(window.height, height - window.y);
    m_searchWindow = window;
    if (window.width <= 0 || window.height <= 0) {
        return;
    }
    // A view into the working image, which may be the caller's frame: it is not kept past this call.
    const cv::Mat search = working(window);

    const cv::Point2f origin(static_cast<float>(window.x), static_cast<float>(window.y));
    cv::Point2f centre;
    cv::Point2f probe;
    bool found = false;
    for (int32_t family = 1; family <= 2 && !found; ++family) {
        if (m_rememberedPass != -1 && m_rememberedPass != family) {
            continue;
        }
        found = RunPass(family, search, origin, elapsed, nowNs, centre, probe);
    }

    if (m_passHold > 0) {
        --m_passHold;
        if (m_passHold == 0) {
            m_rememberedPass = -1;
        }
    }

    if (found) {
        const auto w = static_cast<float>(width);
        const auto h = static_cast<float>(height);
        const std::lock_guard lock(m_mutex);
        m_centreX = centre.x / w;
        m_centreY = centre.y / h;
        m_probeX = probe.x / w;
        m_probeY = probe.y / h;
    }
}

bool CProbeMarkerDetector::RunPass(int32_t family, const cv::Mat& search, const cv::Point2f& origin,
                                   double elapsedSeconds, int64_t nowNs, cv::Point2f& centre,
                                   cv::Point2f& probe) {
    const cv::Ptr<cv::aruco::Dictionary>& dictionary =
        family == 1 ? m_dictionaries.m_family1 : m_dictionaries.m_family2;
    // Without its dictionary a family is never detected (and no attempt is counted for it).
    if (dictionary.empty()) {
        return false;
    }
    if (family == 1) {
        cv::bitwise_not(search, m_inverted);
        cv::cvtColor(m_inverted, m_grey, cv::COLOR_BGR2GRAY);
    } else {
        cv::cvtColor(search, m_grey, cv::COLOR_BGR2GRAY);
    }
    m_corners.clear();
    m_ids.clear();
    cv::aruco::detectMarkers(m_grey, dictionary, m_corners, m_ids, m_parameters);
    m_attemptsSinceDetection.fetch_add(1);
    if (m_ids.empty()) {
        return false;
    }
    m_rememberedPass = family;
    m_passHold = kPassHold;
    bool accepted = false;
    for (size_t i = 0; i < m_ids.size(); ++i) {
        const int32_t id = m_ids[i];
        if (id < 0 || id >= kProbeMarkerIdCount) {
            continue;
        }
        if (id != m_lastMarkerId && elapsedSeconds < kOtherProbeAfterSeconds) {
            continue;
        }
        m_lastMarkerId = id;
        if (accepted) {
            continue; // the position comes from the first eligible marker of the pass
        }
        const ProbeMarkerModel* model = FindProbeMarkerModel(family, id);
        const std::vector<cv::Point2f>& corners = m_corners[i];
        if (model == nullptr || corners.size() != 4) {
            continue;
        }
        const cv::Point2f p0 = corners[0] + origin;
        const cv::Point2f p1 = corners[1] + origin;
        const cv::Point2f p2 = corners[2] + origin;
        const cv::Point2f p3 = corners[3] + origin;
        centre = (p0 + p1 + p2 + p3) * 0.25F;
        const cv::Point2f ex = ((p1 - p0) + (p2 - p3)) * 0.5F;
        const cv::Point2f ey = ((p3 - p0) + (p2 - p1)) * 0.5F;
        probe = centre + (ex * model->m_alongX + ey * model->m_alongY) / model->m_side;
        m_lastDetectionNs = nowNs;
        m_attemptsSinceDetection.store(0);
        accepted = true;
    }
    return accepted;
}

} // namespace orv
