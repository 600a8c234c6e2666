#include "overlay/camera/markers/CProbeMarkerDetector.h"

#include "support/ProbeMarkerScenes.h"

#include "platform/clock/FakeClock.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <optional>

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::MarkerPlacement;

// The tracker thread's rhythm: one frame, then 50 ms.
class ProbeMarkerDetectorTest : public ::testing::Test {
protected:
    void Process(const cv::Mat& frame) {
        m_detector.ProcessFrame(frame);
        m_clock.Advance(50ms);
    }
    // Feeds the frame until a marker is accepted; the frame count, or nullopt after a whole cycle.
    std::optional<int> ProcessUntilFound(const cv::Mat& frame) {
        for (int i = 0; i < CProbeMarkerDetector::kSearchSteps; ++i) {
            Process(frame);
            if (m_detector.GetAttemptsSinceDetection() == 0) {
                return i + 1;
            }
        }
        return std::nullopt;
    }
    cv::Point2f Position() const {
        cv::Point2f position;
        m_detector.GetMarkerPosition(position.x, position.y);
        return position;
    }
    // The published tip in working-image pixels.
    cv::Point2f PositionInWorkingPixels() const {
        const cv::Size size = m_detector.GetWorkingSize();
        const cv::Point2f position = Position();
        return {position.x * static_cast<float>(size.width), position.y * static_cast<float>(size.height)};
    }
    cv::Point2f TipOf(const test::MarkerCorners& drawn, cv::Size frame, int32_t family, int32_t id) const {
        const ProbeMarkerModel* model = FindProbeMarkerModel(family, id);
        return test::ExpectedTip(test::DetectedCorners(drawn, frame), *model).tip;
    }

    FakeClock m_clock;
    ScopedClockInstall m_install{m_clock};
    ProbeMarkerDictionaries m_dictionaries = test::MakeTestDictionaries();
    CProbeMarkerDetector m_detector{m_dictionaries};
};

double Distance(cv::Point2f a, cv::Point2f b) {
    return std::hypot(static_cast<double>(a.x - b.x), static_cast<double>(a.y - b.y));
}

// A pixel, plus a pixel per marker side between the centre and the tip.
double TipTolerance(const ProbeMarkerModel& model) {
    return 1.0 + std::hypot(static_cast<double>(model.m_alongX), static_cast<double>(model.m_alongY)) /
                     static_cast<double>(model.m_side);
}
double TipTolerance(int32_t family, int32_t id) {
    return TipTolerance(*FindProbeMarkerModel(family, id));
}

struct TipScene {
    const char* name;
    cv::Size frame;
    cv::Point2f centre;
    int side;
    float turn;
    bool warped;
};

// Every probe model's tip from markers at known places, sizes and turns, in frames used as they are
// and in frames scaled down, some turned, warped in perspective, blurred and noisy. The default
// detector does not refine corners: each lies on a pixel of the marker's outline, so the marker's
// sides are known to about a pixel. The centre is then within a pixel, and the tip, which lies
// hypot(A, B) / S marker sides away from it, within that many pixels more.
TEST_F(ProbeMarkerDetectorTest, TipOfEveryModelLiesAlongTheMarkerAxes) {
    const TipScene scenes[] = {
        {"640x480 upright", {640, 480}, {300, 200}, 40, 0.0F, false},
        {"640x480 quarter turn", {640, 480}, {350, 260}, 36, 90.0F, false},
        {"1280x720 half turn", {1280, 720}, {640, 360}, 80, 180.0F, false},
        {"1280x720 three quarters", {1280, 720}, {700, 330}, 70, 270.0F, false},
        {"640x480 turned, warped", {640, 480}, {320, 240}, 44, 33.0F, true},
        {"1280x720 turned, warped", {1280, 720}, {610, 380}, 90, 250.0F, true},
    };
    int32_t count = 0;
    const ProbeMarkerModel* models = ProbeMarkerModels(count);
    ASSERT_EQ(count, 12);
    for (const TipScene& scene : scenes) {
        for (int32_t row = 0; row < count; ++row) {
            const ProbeMarkerModel& model = models[row];
            SCOPED_TRACE(std::string(scene.name) + ", " + model.m_name);
            CProbeMarkerDetector detector(m_dictionaries);
            cv::Mat frame = test::MakeBlankFrame(scene.frame.width, scene.frame.height);
            MarkerPlacement placement{model.m_family, model.m_id, scene.centre, scene.side, scene.turn};
            test::MarkerCorners drawn = test::DrawProbeMarker(frame, m_dictionaries, placement);
            if (scene.warped) {
                const cv::Point2f from[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
                const float w = static_cast<float>(scene.frame.width);
                const float h = static_cast<float>(scene.frame.height);
                const cv::Point2f to[] = {
                    {0.03F * w, 0.0F}, {0.97F * w, 0.05F * h}, {w, h}, {0.0F, 0.96F * h}};
                cv::Point2f unit[4];
                for (int i = 0; i < 4; ++i) {
                    unit[i] = {from[i].x * w, from[i].y * h};
                }
                test::WarpBlurAndNoise(frame, cv::getPerspectiveTransform(unit, to), drawn);
            }
            const test::TipPoint expected =
                test::ExpectedTip(test::DetectedCorners(drawn, scene.frame), model);

            bool found = false;
            for (int i = 0; i < CProbeMarkerDetector::kSearchSteps && !found; ++i) {
                detector.ProcessFrame(frame);
                m_clock.Advance(50ms);
                found = detector.GetAttemptsSinceDetection() == 0;
            }
            ASSERT_TRUE(found);
            const cv::Size working = detector.GetWorkingSize();
            cv::Point2f tip;
            cv::Point2f centre;
            detector.GetMarkerPosition(tip.x, tip.y);
            detector.GetMarkerCentre(centre.x, centre.y);
            const cv::Point2f scale(static_cast<float>(working.width), static_cast<float>(working.height));
            const cv::Point2f tipPixels(tip.x * scale.x, tip.y * scale.y);
            const cv::Point2f centrePixels(centre.x * scale.x, centre.y * scale.y);
            EXPECT_LE(Distance(centrePixels, expected.centre), 1.0);
            EXPECT_LE(Distance(tipPixels, expected.tip), TipTolerance(model))
                << "tip " << tipPixels << " expected " << expected.tip << " lever " << expected.lever;
        }
    }
}

// The search walks the 3 x 3 grid of half-size windows row by row from the top row's right-hand
// window, two frames each, 18 frames a cycle; a frame up to 640 x 480 is used as it is, a larger
// one is scaled to exactly 640 x 480.
TEST_F(ProbeMarkerDetectorTest, SearchWalksTheGridFromTheTopRightWindow) {
    struct SizeCase {
        cv::Size frame;
        cv::Size working;
    };
    const SizeCase sizes[] = {{{640, 480}, {640, 480}},
                              {{641, 480}, {640, 480}},
                              {{640, 481}, {640, 480}},
                              {{1280, 720}, {640, 480}},
                              {{320, 240}, {320, 240}}};
    for (const SizeCase& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.frame);
        CProbeMarkerDetector detector(m_dictionaries);
        const cv::Mat blank = test::MakeBlankFrame(size.frame.width, size.frame.height);
        const int w = size.working.width;
        const int h = size.working.height;
        for (int frame = 0; frame < 2 * CProbeMarkerDetector::kSearchSteps; ++frame) {
            detector.ProcessFrame(blank);
            m_clock.Advance(50ms);
            const int cell = ((4 + frame) % 18) / 2;
            const cv::Rect expected((cell % 3) * w / 4, (cell / 3) * h / 4, w / 2, h / 2);
            ASSERT_EQ(detector.GetSearchWindow(), expected) << "frame " << frame;
            ASSERT_EQ(detector.GetWorkingSize(), size.working);
        }
        // Both families were tried on each frame.
        EXPECT_EQ(detector.GetAttemptsSinceDetection(), 100 + 2 * 2 * CProbeMarkerDetector::kSearchSteps);
    }
}

// Only the window a marker lies in wholly finds it: a marker in the top right corner is found on the
// first frame, one in the bottom left corner only when the walk reaches that window (cell 6, the
// ninth frame).
TEST_F(ProbeMarkerDetectorTest, CornerMarkersAreFoundWhenTheirWindowComesUp) {
    cv::Mat topRight = test::MakeBlankFrame(640, 480);
    test::DrawProbeMarker(topRight, m_dictionaries, {2, 3, {560, 70}, 40, 0.0F});
    EXPECT_EQ(ProcessUntilFound(topRight), 1);

    CProbeMarkerDetector fresh(m_dictionaries);
    cv::Mat bottomLeft = test::MakeBlankFrame(640, 480);
    test::DrawProbeMarker(bottomLeft, m_dictionaries, {1, 2, {80, 410}, 40, 0.0F});
    int frames = 0;
    while (fresh.GetAttemptsSinceDetection() != 0 && frames < 18) {
        fresh.ProcessFrame(bottomLeft);
        m_clock.Advance(50ms);
        ++frames;
    }
    EXPECT_EQ(frames, 9);
}

// After a marker the window follows it: centred on the last centre, and the search step set to the
// first step of the third of the image that holds it.
TEST_F(ProbeMarkerDetectorTest, TrackingCentresTheWindowOnTheMarker) {
    cv::Mat frame = test::MakeBlankFrame(640, 480);
    test::DrawProbeMarker(frame, m_dictionaries, {2, 0, {600, 60}, 40, 0.0F});
    ASSERT_EQ(ProcessUntilFound(frame), 1);
    Process(frame);
    // The window centred on (600, 60) is cut at the top and the right edge of the image.
    const cv::Rect window = m_detector.GetSearchWindow();
    EXPECT_EQ(window.y, 0);
    EXPECT_NEAR(window.x, 600 - 160, 1);
    EXPECT_NEAR(window.width, 640 - window.x, 0);
    EXPECT_EQ(window.height, 240);
    EXPECT_EQ(m_detector.GetSearchStep(), 4); // column 2, row 0
    EXPECT_EQ(m_detector.GetAttemptsSinceDetection(), 0);

    // Once 0.5 s pass without the marker the search takes over from that step.
    const cv::Mat blank = test::MakeBlankFrame(640, 480);
    m_clock.Advance(500ms);
    Process(blank);
    EXPECT_EQ(m_detector.GetSearchWindow(), cv::Rect(320, 0, 320, 240));
    EXPECT_EQ(m_detector.GetSearchStep(), 5);
}

// A family that saw a marker is tried alone for the next 59 frames; then both are tried again. A
// marker id of 6 or more is no probe: the position stays, but the family and its hold are set.
TEST_F(ProbeMarkerDetectorTest, FamilyHoldAfterAnyMarker) {
    struct HoldCase {
        const char* name;
        int32_t family;
        int32_t id;
        bool moves;
    };
    const HoldCase cases[] = {
        {"family 2 probe", 2, 1, true}, {"family 1 probe", 1, 0, true},   {"family 2 id 6", 2, 6, false},
        {"family 1 id 7", 1, 7, false}, {"family 2 id 29", 2, 29, false},
    };
    for (const HoldCase& c : cases) {
        SCOPED_TRACE(c.name);
        CProbeMarkerDetector detector(m_dictionaries);
        cv::Mat frame = test::MakeBlankFrame(640, 480);
        test::DrawProbeMarker(frame, m_dictionaries, {c.family, c.id, {520, 110}, 40, 20.0F});
        detector.ProcessFrame(frame);
        m_clock.Advance(50ms);
        float x = 0.0F;
        float y = 0.0F;
        detector.GetMarkerPosition(x, y);
        EXPECT_EQ(x != 0.0F || y != 0.0F, c.moves);
        EXPECT_EQ(detector.GetLastMarkerId(), c.moves ? c.id : -1);
        EXPECT_EQ(detector.GetRememberedPass(), c.family);
        EXPECT_EQ(detector.GetPassHold(), 59);
        const int32_t start = detector.GetAttemptsSinceDetection();
        // Family 1 is tried first, so a family-1 sighting costs one pass, a family-2 one two.
        EXPECT_EQ(start, c.moves ? 0 : 100 + c.family);

        const cv::Mat blank = test::MakeBlankFrame(640, 480);
        for (int i = 1; i <= 59; ++i) {
            detector.ProcessFrame(blank);
            m_clock.Advance(50ms);
            ASSERT_EQ(detector.GetAttemptsSinceDetection(), start + i) << "frame " << i;
        }
        EXPECT_EQ(detector.GetRememberedPass(), -1);
        detector.ProcessFrame(blank);
        EXPECT_EQ(detector.GetAttemptsSinceDetection(), start + 59 + 2);
        m_clock.Advance(50ms);
    }
}

// Another probe in view does not take over while the followed one is seen, nor within 2 s of its
// last sighting; after 2 s without detection it does.
TEST_F(ProbeMarkerDetectorTest, AnotherProbeTakesOverOnlyAfterTwoSecondsWithoutDetection) {
    cv::Mat first = test::MakeBlankFrame(640, 480);
    const test::MarkerCorners followed =
        test::DrawProbeMarker(first, m_dictionaries, {2, 0, {540, 100}, 40, 0.0F});
    ASSERT_EQ(ProcessUntilFound(first), 1);
    const cv::Point2f followedTip = TipOf(followed, {640, 480}, 2, 0);
    EXPECT_LE(Distance(PositionInWorkingPixels(), followedTip), TipTolerance(2, 0));

    cv::Mat both = first.clone();
    test::DrawProbeMarker(both, m_dictionaries, {2, 1, {430, 170}, 40, 0.0F});
    for (int i = 0; i < 50; ++i) { // 2.5 s with both in view
        Process(both);
        ASSERT_EQ(m_detector.GetAttemptsSinceDetection(), 0);
        ASSERT_EQ(m_detector.GetLastMarkerId(), 0);
    }
    EXPECT_LE(Distance(PositionInWorkingPixels(), followedTip), TipTolerance(2, 0));

    // The followed probe leaves. The other one lies in the middle and lower windows of the search
    // (cells 4, 5 and 7), so it is seen from the 15th frame on; it is taken only on the 40th, the
    // first 2 s (40 x 50 ms) after the last sighting, when the walk is at cell 7 again.
    cv::Mat alone = test::MakeBlankFrame(640, 480);
    const test::MarkerCorners later =
        test::DrawProbeMarker(alone, m_dictionaries, {2, 1, {400, 300}, 40, 0.0F});
    int frames = 0;
    do {
        Process(alone);
        ++frames;
        if (frames < 40) {
            ASSERT_EQ(m_detector.GetLastMarkerId(), 0) << "frame " << frames;
        }
    } while (m_detector.GetAttemptsSinceDetection() != 0 && frames < 60);
    EXPECT_EQ(frames, 40);
    EXPECT_EQ(m_detector.GetLastMarkerId(), 1);
    EXPECT_LE(Distance(PositionInWorkingPixels(), TipOf(later, {640, 480}, 2, 1)), TipTolerance(2, 1));
}

// Two eligible probes found in one pass: the position comes from the first in detection order, the
// last marker id from the last.
TEST_F(ProbeMarkerDetectorTest, TwoProbesInOnePassPositionFromFirstIdFromLast) {
    cv::Mat frame = test::MakeBlankFrame(640, 480);
    const test::MarkerCorners a = test::DrawProbeMarker(frame, m_dictionaries, {2, 2, {400, 60}, 36, 0.0F});
    const test::MarkerCorners b = test::DrawProbeMarker(frame, m_dictionaries, {2, 4, {560, 160}, 36, 10.0F});
    ASSERT_EQ(ProcessUntilFound(frame), 1);
    const cv::Point2f tipA = TipOf(a, {640, 480}, 2, 2);
    const cv::Point2f tipB = TipOf(b, {640, 480}, 2, 4);
    const cv::Point2f position = PositionInWorkingPixels();
    const bool fromA = Distance(position, tipA) <= TipTolerance(2, 2);
    const bool fromB = Distance(position, tipB) <= TipTolerance(2, 4);
    ASSERT_NE(fromA, fromB) << position;
    EXPECT_EQ(m_detector.GetLastMarkerId(), fromA ? 4 : 2);
}

// Without a family-1 dictionary only family 2 is detected, one pass per frame.
TEST_F(ProbeMarkerDetectorTest, WithoutFamilyOneOnlyFamilyTwoIsDetected) {
    CProbeMarkerDetector detector(ProbeMarkerDictionaries{nullptr, m_dictionaries.m_family2});
    cv::Mat frame = test::MakeBlankFrame(640, 480);
    test::DrawProbeMarker(frame, m_dictionaries, {1, 0, {540, 100}, 40, 0.0F});
    detector.ProcessFrame(frame);
    EXPECT_EQ(detector.GetAttemptsSinceDetection(), 101);
    EXPECT_EQ(detector.GetRememberedPass(), -1);
    m_clock.Advance(50ms);
    test::DrawProbeMarker(frame, m_dictionaries, {2, 5, {560, 360}, 40, 0.0F});
    int frames = 0;
    while (detector.GetAttemptsSinceDetection() != 0 && frames < 18) {
        detector.ProcessFrame(frame);
        m_clock.Advance(50ms);
        ++frames;
    }
    EXPECT_EQ(detector.GetLastMarkerId(), 5);
    EXPECT_EQ(detector.GetRememberedPass(), 2);
}

// Frames the camera cannot have produced are skipped without a change.
TEST_F(ProbeMarkerDetectorTest, EmptyOrForeignFramesAreSkipped) {
    const cv::Mat frames[] = {cv::Mat(), cv::Mat(480, 640, CV_8UC1, cv::Scalar(0)),
                              cv::Mat(480, 640, CV_8UC4, cv::Scalar(0))};
    for (const cv::Mat& frame : frames) {
        m_detector.ProcessFrame(frame);
    }
    EXPECT_EQ(m_detector.GetAttemptsSinceDetection(), 100);
    EXPECT_EQ(m_detector.GetSearchStep(), 4);
}

} // namespace
} // namespace orv
