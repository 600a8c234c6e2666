#include "ProbeMarkerScenes.h"

#include <opencv2/aruco.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>

namespace orv::test {

namespace {

// The scenes are drawn with OpenCV before any detector exists: they run on the calling thread too, as
// detection does, so that no worker pool is started whose hand-offs the thread checker cannot see.
const bool kScenesDrawnSequentially = [] {
    cv::setNumThreads(0);
    return true;
}();

} // namespace

cv::Ptr<cv::aruco::Dictionary> MakeTestFamily1Dictionary() {
    return cv::aruco::generateCustomDictionary(8, 4, 7);
}

void WriteDictionaryFile(const cv::aruco::Dictionary& dictionary, const std::string& path) {
    auto storage = cv::makePtr<cv::FileStorage>(path, cv::FileStorage::WRITE);
    cv::aruco::Dictionary copy = dictionary;
    copy.writeDictionary(storage);
    storage->release();
}

ProbeMarkerDictionaries MakeTestDictionaries() {
    return {MakeTestFamily1Dictionary(), cv::aruco::getPredefinedDictionary(17)};
}

cv::Mat MakeBlankFrame(int width, int height) {
    return {height, width, CV_8UC3, cv::Scalar(170, 170, 170)};
}

MarkerCorners DrawProbeMarker(cv::Mat& frame, const ProbeMarkerDictionaries& dictionaries,
                              const MarkerPlacement& placement) {
    const cv::Ptr<cv::aruco::Dictionary>& dictionary =
        placement.family == 1 ? dictionaries.m_family1 : dictionaries.m_family2;
    const int side = placement.side;
    const int quiet = side / 2;
    const int patchSide = side + 2 * quiet;
    cv::Mat marker;
    dictionary->drawMarker(placement.id, side, marker, 1);
    cv::Mat patch(patchSide, patchSide, CV_8UC1, cv::Scalar(255));
    marker.copyTo(patch(cv::Rect(quiet, quiet, side, side)));
    if (placement.family == 1) {
        cv::bitwise_not(patch, patch);
    }
    cv::Mat patchColour;
    cv::cvtColor(patch, patchColour, cv::COLOR_GRAY2BGR);

    const float mid = static_cast<float>(patchSide - 1) / 2.0F;
    cv::Mat turn = cv::getRotationMatrix2D(cv::Point2f(mid, mid), -placement.turnDegrees, 1.0);
    turn.at<double>(0, 2) += placement.centre.x - mid;
    turn.at<double>(1, 2) += placement.centre.y - mid;
    cv::warpAffine(patchColour, frame, turn, frame.size(), cv::INTER_LINEAR, cv::BORDER_TRANSPARENT);

    // Pixel i covers i - 0.5 to i + 0.5.
    const float first = static_cast<float>(quiet) - 0.5F;
    const float last = static_cast<float>(quiet + side) - 0.5F;
    std::vector<cv::Point2f> corners{{first, first}, {last, first}, {last, last}, {first, last}};
    cv::transform(corners, corners, turn);
    return {corners[0], corners[1], corners[2], corners[3]};
}

void WarpBlurAndNoise(cv::Mat& frame, const cv::Mat& homography, MarkerCorners& corners) {
    cv::Mat warped;
    cv::warpPerspective(frame, warped, homography, frame.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    cv::GaussianBlur(warped, warped, cv::Size(3, 3), 0.8);
    cv::Mat noise(warped.size(), CV_16SC3);
    cv::RNG rng(12345);
    rng.fill(noise, cv::RNG::NORMAL, 0.0, 4.0);
    cv::Mat noisy;
    warped.convertTo(noisy, CV_16SC3);
    noisy += noise;
    noisy.convertTo(frame, CV_8UC3);
    std::vector<cv::Point2f> points(corners.begin(), corners.end());
    cv::perspectiveTransform(points, points, homography);
    corners = {points[0], points[1], points[2], points[3]};
}

MarkerCorners DetectedCorners(const MarkerCorners& drawn, cv::Size frame) {
    MarkerCorners working = drawn;
    if (frame.width > 640 || frame.height > 480) {
        // Bilinear scaling maps pixel centres onto pixel centres.
        const float sx = 640.0F / static_cast<float>(frame.width);
        const float sy = 480.0F / static_cast<float>(frame.height);
        for (cv::Point2f& corner : working) {
            corner = {(corner.x + 0.5F) * sx - 0.5F, (corner.y + 0.5F) * sy - 0.5F};
        }
    }
    MarkerCorners inside;
    for (size_t i = 0; i < 4; ++i) {
        const cv::Point2f toNext = working[(i + 1) % 4] - working[i];
        const cv::Point2f toPrevious = working[(i + 3) % 4] - working[i];
        inside[i] = working[i] + toNext * (0.5F / static_cast<float>(cv::norm(toNext))) +
                    toPrevious * (0.5F / static_cast<float>(cv::norm(toPrevious)));
    }
    return inside;
}

TipPoint ExpectedTip(const MarkerCorners& c, const ProbeMarkerModel& model) {
    TipPoint point;
    point.centre = (c[0] + c[1] + c[2] + c[3]) * 0.25F;
    const cv::Point2f ex = ((c[1] - c[0]) + (c[2] - c[3])) * 0.5F;
    const cv::Point2f ey = ((c[3] - c[0]) + (c[2] - c[1])) * 0.5F;
    const cv::Point2f offset = (ex * model.m_alongX + ey * model.m_alongY) / model.m_side;
    point.tip = point.centre + offset;
    point.lever = std::hypot(offset.x, offset.y);
    return point;
}

} // namespace orv::test
