#pragma once

// The detection step of a camera's probe tracker: one call per camera frame finds the probe's
// marker and works out where the probe tip is, as fractions of the frame's width and height.
//
// Only a quarter of the (at most 640 x 480) working image is searched per frame: while no marker
// has been accepted for 0.5 s the window walks a 3 x 3 grid of half-size windows, two frames each;
// otherwise it is centred on the last marker. Family 1 is detected on the inverted picture (its
// markers are printed light on dark), family 2 as it is; a family that saw a marker is tried alone
// for the next 59 frames. Another probe replaces the followed one only after 2 s without detection.
//
// ProcessFrame and the state getters below it run on the tracker's thread (tests call them
// directly); the published position, centre and attempts may be read from any thread.

#include "overlay/camera/markers/ProbeMarkerDictionaries.h"

#include <opencv2/aruco.hpp>
#include <opencv2/core.hpp>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace orv {

class CProbeMarkerDetector {
public:
    // The working image's largest size; bigger frames are scaled to exactly this.
    static constexpr int kWorkingWidth = 640;
    static constexpr int kWorkingHeight = 480;
    // A family that saw a marker is remembered for this many frames, counting that one.
    static constexpr int32_t kPassHold = 60;
    // Steps of the search cycle: 9 windows, two frames each.
    static constexpr int32_t kSearchSteps = 18;

    explicit CProbeMarkerDetector(ProbeMarkerDictionaries dictionaries = SharedProbeMarkerDictionaries());
    CProbeMarkerDetector(const CProbeMarkerDetector&) = delete;
    CProbeMarkerDetector& operator=(const CProbeMarkerDetector&) = delete;

    // One frame: 8-bit blue-green-red (CV_8UC3), any stride; it is only read during the call. An
    // empty frame or one of another type is skipped. Time comes from the process clock.
    void ProcessFrame(const cv::Mat& frame);

    // The probe tip and the marker centre last published, as fractions of the frame (0 at start).
    void GetMarkerPosition(float& x, float& y) const;
    void GetMarkerCentre(float& x, float& y) const;
    // Detection attempts (passes run) since a marker was last accepted; 100 at start.
    int32_t GetAttemptsSinceDetection() const { return m_attemptsSinceDetection.load(); }

    // The tracker thread's own state.
    cv::Rect GetSearchWindow() const { return m_searchWindow; } // last window, working-image pixels
    cv::Size GetWorkingSize() const { return m_workingSize; }
    int32_t GetSearchStep() const { return m_searchStep; }
    int32_t GetRememberedPass() const { return m_rememberedPass; }
    int32_t GetPassHold() const { return m_passHold; }
    int32_t GetLastMarkerId() const { return m_lastMarkerId; }
    const ProbeMarkerDictionaries& GetDictionaries() const { return m_dictionaries; }

private:
    // Runs one family's pass over the search image; true when a marker was accepted.
    bool RunPass(int32_t family, const cv::Mat& search, const cv::Point2f& origin, double elapsedSeconds,
                 int64_t nowNs, cv::Point2f& centre, cv::Point2f& probe);

    ProbeMarkerDictionaries m_dictionaries;
    cv::Mat m_scaled;   // the frame scaled to the working size when it is larger
    cv::Mat m_inverted; // the search image inverted for family 1
    cv::Mat m_grey;
    cv::Ptr<cv::aruco::DetectorParameters> m_parameters;
    std::vector<std::vector<cv::Point2f>> m_corners;
    std::vector<int> m_ids;
    int32_t m_rememberedPass = -1;
    int32_t m_passHold = 0;
    int32_t m_searchStep = 4;
    int64_t m_lastDetectionNs = 0; // steady clock; 0: never, so the first frames search
    int32_t m_lastMarkerId = -1;
    cv::Rect m_searchWindow;
    cv::Size m_workingSize;
    std::atomic<int32_t> m_attemptsSinceDetection{100};

    mutable std::mutex m_mutex; // guards the published fractions below
    float m_centreX = 0.0F;
    float m_centreY = 0.0F;
    float m_probeX = 0.0F;
    float m_probeY = 0.0F;
};

} // namespace orv
