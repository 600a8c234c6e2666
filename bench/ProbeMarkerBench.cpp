// The probe tracker's detection step on 1280 x 720 camera frames of a populated board, in search mode
// (no probe in view: both families on a quarter of the working image) and in tracking mode (a probe
// followed every frame: its family alone, on the window around it), against the whole-picture
// detection it replaces: one detectMarkers pass of each family over the full 640 x 480 working image.
// Goal: at most 0.6 times that baseline. OpenCV runs on one thread here, as a fair measure on a busy
// machine.
#include "overlay/camera/markers/CProbeMarkerDetector.h"

#include <benchmark/benchmark.h>

#include <opencv2/aruco.hpp>
#include <opencv2/imgproc.hpp>

namespace {

using namespace orv;

// A board seen from above: solder mask, pads, tracks and parts, with camera noise.
cv::Mat BoardFrame() {
    cv::Mat frame(720, 1280, CV_8UC3, cv::Scalar(40, 90, 30));
    cv::RNG rng(99);
    for (int i = 0; i < 600; ++i) {
        const cv::Point a(rng.uniform(0, 1280), rng.uniform(0, 720));
        const cv::Point b = a + cv::Point(rng.uniform(-120, 120), rng.uniform(-120, 120));
        cv::line(frame, a, b, cv::Scalar(60, 150, 60), rng.uniform(1, 5));
    }
    for (int i = 0; i < 400; ++i) {
        const cv::Point a(rng.uniform(0, 1280), rng.uniform(0, 720));
        const cv::Size size(rng.uniform(4, 40), rng.uniform(4, 40));
        const int grey = rng.uniform(0, 3) == 0 ? 20 : 200;
        cv::rectangle(frame, cv::Rect(a, size), cv::Scalar(grey, grey, grey + 10), cv::FILLED);
    }
    cv::Mat noise(frame.size(), CV_8UC3);
    rng.fill(noise, cv::RNG::UNIFORM, 0, 12);
    frame += noise;
    return frame;
}

// A probe of family 2 (id 0) in the frame, turned a little.
cv::Mat BoardFrameWithProbe() {
    cv::Mat frame = BoardFrame();
    cv::Mat marker;
    cv::aruco::getPredefinedDictionary(17)->drawMarker(0, 90, marker, 1);
    cv::Mat patch(150, 150, CV_8UC1, cv::Scalar(255));
    marker.copyTo(patch(cv::Rect(30, 30, 90, 90)));
    cv::Mat patchColour;
    cv::cvtColor(patch, patchColour, cv::COLOR_GRAY2BGR);
    cv::Mat turn = cv::getRotationMatrix2D(cv::Point2f(74.5F, 74.5F), 12.0, 1.0);
    turn.at<double>(0, 2) += 700.0 - 74.5;
    turn.at<double>(1, 2) += 300.0 - 74.5;
    cv::warpAffine(patchColour, frame, turn, frame.size(), cv::INTER_LINEAR, cv::BORDER_TRANSPARENT);
    return frame;
}

// Family 1 for the benchmark: the probes' own family is read from a file the program does not ship;
// a dictionary of the same kind (4 x 4 bits) costs the same to detect with.
ProbeMarkerDictionaries BenchDictionaries() {
    return {cv::aruco::generateCustomDictionary(6, 4, 7), cv::aruco::getPredefinedDictionary(17)};
}

void BM_ProcessFrameSearch(benchmark::State& state) {
    cv::setNumThreads(1);
    const cv::Mat frame = BoardFrame();
    CProbeMarkerDetector detector(BenchDictionaries());
    for (auto _ : state) {
        detector.ProcessFrame(frame);
    }
    state.counters["attempts"] = detector.GetAttemptsSinceDetection();
}
BENCHMARK(BM_ProcessFrameSearch)->Unit(benchmark::kMillisecond);

void BM_ProcessFrameTracking(benchmark::State& state) {
    cv::setNumThreads(1);
    const cv::Mat frame = BoardFrameWithProbe();
    CProbeMarkerDetector detector(BenchDictionaries());
    for (int i = 0; i < 18 && detector.GetAttemptsSinceDetection() != 0; ++i) {
        detector.ProcessFrame(frame);
    }
    if (detector.GetAttemptsSinceDetection() != 0) {
        state.SkipWithError("the probe was not found");
        return;
    }
    for (auto _ : state) {
        detector.ProcessFrame(frame);
    }
    // 0 when the probe was found on every frame.
    state.counters["attempts"] = detector.GetAttemptsSinceDetection();
}
BENCHMARK(BM_ProcessFrameTracking)->Unit(benchmark::kMillisecond);

// Both families over the whole working image: the inversion and grey conversions the passes make,
// and the two detections.
void BM_WholeImageBothFamiliesBaseline(benchmark::State& state) {
    cv::setNumThreads(1);
    cv::Mat working;
    cv::resize(BoardFrame(), working, cv::Size(640, 480), 0.0, 0.0, cv::INTER_LINEAR);
    const ProbeMarkerDictionaries dictionaries = BenchDictionaries();
    const cv::Ptr<cv::aruco::DetectorParameters> parameters = cv::aruco::DetectorParameters::create();
    cv::Mat inverted;
    cv::Mat grey;
    std::vector<std::vector<cv::Point2f>> corners;
    std::vector<int> ids;
    for (auto _ : state) {
        cv::bitwise_not(working, inverted);
        cv::cvtColor(inverted, grey, cv::COLOR_BGR2GRAY);
        cv::aruco::detectMarkers(grey, dictionaries.m_family1, corners, ids, parameters);
        cv::cvtColor(working, grey, cv::COLOR_BGR2GRAY);
        cv::aruco::detectMarkers(grey, dictionaries.m_family2, corners, ids, parameters);
        benchmark::DoNotOptimize(ids.data());
    }
}
BENCHMARK(BM_WholeImageBothFamiliesBaseline)->Unit(benchmark::kMillisecond);

} // namespace
