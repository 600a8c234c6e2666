#pragma once

// Synthetic camera frames with probe markers drawn at known places, sizes and turns, and where the
// detector must put their corners and the probe tips.

#include "overlay/camera/markers/ProbeMarkerDictionaries.h"
#include "overlay/camera/markers/ProbeMarkerModel.h"

#include <opencv2/core.hpp>

#include <array>
#include <string>

namespace orv::test {

// The family-1 dictionary the tests print: 8 markers of 4 x 4 bits, so ids 6 and 7 exist and are
// no probes. Made from a fixed seed: the same in every run.
cv::Ptr<cv::aruco::Dictionary> MakeTestFamily1Dictionary();
// Writes the dictionary as the tracker's file storage reads it.
void WriteDictionaryFile(const cv::aruco::Dictionary& dictionary, const std::string& path);
// The test family 1 and OpenCV's AprilTag 16h5.
ProbeMarkerDictionaries MakeTestDictionaries();

// A light grey frame, blue-green-red.
cv::Mat MakeBlankFrame(int width, int height);

struct MarkerPlacement {
    int32_t family = 2;
    int32_t id = 0;
    cv::Point2f centre;       // frame pixels
    int side = 40;            // frame pixels, the black border included
    float turnDegrees = 0.0F; // clockwise on the screen
};

// The four corners in the detector's order (top-left, top-right, bottom-right, bottom-left of the
// marker itself), frame pixels.
using MarkerCorners = std::array<cv::Point2f, 4>;

// Draws the marker with a quiet zone of half its side (white for family 2; family 1 is printed
// inverted, light on dark). Answers the corners of the drawn square (the outer edge of its border).
MarkerCorners DrawProbeMarker(cv::Mat& frame, const ProbeMarkerDictionaries& dictionaries,
                              const MarkerPlacement& placement);

// Warps the whole frame in perspective by the homography, then blurs it and adds noise (fixed
// seed); the corners are moved with it.
void WarpBlurAndNoise(cv::Mat& frame, const cv::Mat& homography, MarkerCorners& corners);

// Where the detector finds the drawn square's corners in its working image (frames above 640 x 480
// are scaled to exactly 640 x 480): without corner refinement it puts them on the centres of the
// border's outermost pixels, half a pixel inside the square along both of its sides.
MarkerCorners DetectedCorners(const MarkerCorners& drawn, cv::Size frame);

struct TipPoint {
    cv::Point2f centre;
    cv::Point2f tip;
    float lever = 0.0F; // distance from centre to tip
};
// The tip of the model along the marker's axes, in the corners' pixels.
TipPoint ExpectedTip(const MarkerCorners& corners, const ProbeMarkerModel& model);

} // namespace orv::test
