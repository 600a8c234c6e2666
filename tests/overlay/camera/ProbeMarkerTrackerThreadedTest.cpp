// The camera's probe tracker: its thread over a fake camera's capture, the preview squares, the
// acquirer the program installs, and the node mediators that start and stop tracking through it.

#include "overlay/camera/CProbeMarkerTracker.h"
#include "overlay/camera/CVideoCap.h"
#include "project/QProbeVideoTrack.h"
#include "tests/overlay/camera/support/FakeCameras.h"
#include "tests/overlay/markers/support/ProbeMarkerScenes.h"
#include "tests/platform/support/PlatTestFolder.h"
#include "tests/project/support/MediatorFakes.h"

#include "platform/fs/AppPaths.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QTest>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <string>

namespace orv {
namespace {

using camera_test::FakeCameraRig;

void EnsureApplication() {
    if (QCoreApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "test_probe_tracker";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
}

// Runs the event loop until `done` answers true (at most 10 s).
bool WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QTest::qWait(5);
    }
    return true;
}

QImage ToImage(const cv::Mat& frame) {
    return QImage(frame.data, frame.cols, frame.rows, static_cast<qsizetype>(frame.step),
                  QImage::Format_BGR888)
        .copy();
}

// Where a probe of family 2 sits in the tests' 640 x 480 camera picture, and its expected tip.
struct ProbeScene {
    QImage picture;
    cv::Point2f tip; // fractions of the frame
    cv::Point2f centre;
};

ProbeScene MakeProbeScene(int32_t id, cv::Point2f centre, int side = 50) {
    cv::Mat frame = test::MakeBlankFrame(640, 480);
    const test::MarkerCorners drawn =
        test::DrawProbeMarker(frame, test::MakeTestDictionaries(), {2, id, centre, side, 0.0F});
    const test::TipPoint point =
        test::ExpectedTip(test::DetectedCorners(drawn, {640, 480}), *FindProbeMarkerModel(2, id));
    return {ToImage(frame),
            {point.tip.x / 640.0F, point.tip.y / 480.0F},
            {point.centre.x / 640.0F, point.centre.y / 480.0F}};
}

// An 8 x 8 square around a point covers 4 pixels before it and 3 after, each way.
bool InSquare(const QPoint& pixel, const QPoint& point) {
    const QPoint d = pixel - point;
    return d.x() >= -4 && d.x() <= 3 && d.y() >= -4 && d.y() <= 3;
}

QImage BlankPicture() {
    return ToImage(test::MakeBlankFrame(640, 480));
}

class ProbeMarkerTrackerTest : public ::testing::Test {
protected:
    ProbeMarkerTrackerTest() {
        EnsureApplication();
        // Family 1 from the tests' own file beside the "executable", read once for the process.
        test::WriteDictionaryFile(*test::MakeTestFamily1Dictionary(),
                                  m_folder.File(kProbeMarkerDictionaryFileName));
        SetExecutableFolderOverride(m_folder.Path());
        InstallProbeMarkerTracking();
    }
    ~ProbeMarkerTrackerTest() override {
        SetProbeVideoTrackAcquirer({});
        SetExecutableFolderOverride({});
        JoinCameraReleaseThreads();
    }

    // The capture shows the picture once its thread has read it.
    static bool Shows(const CVideoCap& capture, const QImage& picture) {
        QImage frame;
        return capture.GetState() == CVideoCap::kFrame && capture.GetFrame(frame) && !frame.isNull() &&
               frame.convertToFormat(QImage::Format_RGB32) == picture.convertToFormat(QImage::Format_RGB32);
    }

    test::PlatTestFolder m_folder;
    FakeCameraRig m_rig{{"usb-cam-0", "Board Camera"}, {"usb-cam-1", "Side Camera"}, {"usb-cam-2", "Third"}};
};

// Through the node mediator: tracked while a marker is in view, not once three attempts failed; two
// nodes on one camera share its tracker; the last stop ends the thread and lets the camera go.
TEST_F(ProbeMarkerTrackerTest, MediatorsTrackTheProbeOnTheirCamera) {
    test::TestMediator first(2029);
    test::TestMediator second(2029);
    EXPECT_FALSE(first.StartProbeVideoTrack("no-such-camera"));
    EXPECT_FALSE(first.HasProbeVideoTrack());

    ASSERT_TRUE(first.StartProbeVideoTrack("usb-cam-1"));
    ASSERT_TRUE(second.StartProbeVideoTrack("usb-cam-1"));
    EXPECT_EQ(first.GetProbeVideoTrack(), second.GetProbeVideoTrack());
    EXPECT_FALSE(first.IsProbeMarkerTracked());
    ASSERT_TRUE(WaitUntil([&] { return m_rig.Camera(1).IsStreaming(); }));

    const ProbeScene scene = MakeProbeScene(0, {220, 260});
    ASSERT_TRUE(m_rig.Camera(1).Push(scene.picture));
    ASSERT_TRUE(WaitUntil([&] { return first.IsProbeMarkerTracked(); }));
    float x = 0.0F;
    float y = 0.0F;
    second.GetProbeMarkerPosition(x, y);
    EXPECT_NEAR(x * 640.0F, scene.tip.x * 640.0F, 4.0F);
    EXPECT_NEAR(y * 480.0F, scene.tip.y * 480.0F, 4.0F);

    // The probe leaves the picture: no longer tracked once three attempts failed, the position kept.
    ASSERT_TRUE(m_rig.Camera(1).Push(BlankPicture()));
    ASSERT_TRUE(WaitUntil([&] { return !second.IsProbeMarkerTracked(); }));
    EXPECT_GE(first.GetProbeVideoTrack()->GetFramesSinceDetected(), 3U);
    float keptX = 0.0F;
    float keptY = 0.0F;
    first.GetProbeMarkerPosition(keptX, keptY);
    EXPECT_EQ(keptX, x);
    EXPECT_EQ(keptY, y);

    const std::weak_ptr<CProbeVideoTrack> tracker = first.GetProbeVideoTrack();
    first.StopProbeVideoTrack();
    EXPECT_FALSE(tracker.expired());
    EXPECT_EQ(m_rig.Camera(1).Closes(), 0);
    second.StopProbeVideoTrack();
    // The last holder's stop joined the thread and let the capture go, which closes the camera.
    EXPECT_TRUE(tracker.expired());
    EXPECT_TRUE(WaitUntil([&] { return m_rig.Camera(1).Closes() == 1; }));

    // A new start makes a new tracker on a newly opened camera.
    ASSERT_TRUE(first.StartProbeVideoTrack("usb-cam-1"));
    EXPECT_TRUE(WaitUntil([&] { return m_rig.Camera(1).Starts() == 2; }));
    first.StopProbeVideoTrack();
}

// Trackers started together on several cameras share one dictionary of each family.
TEST_F(ProbeMarkerTrackerTest, TrackersOnSeveralCamerasShareTheDictionaries) {
    std::vector<std::shared_ptr<CProbeMarkerTracker>> trackers;
    for (const char* path : {"usb-cam-0", "usb-cam-1", "usb-cam-2"}) {
        trackers.push_back(AcquireProbeMarkerTracker(path));
        ASSERT_NE(trackers.back(), nullptr);
    }
    EXPECT_EQ(AcquireProbeMarkerTracker("usb-cam-2"), trackers[2]);
    const ProbeMarkerDictionaries& shared = trackers[0]->GetDetector().GetDictionaries();
    ASSERT_FALSE(shared.m_family1.empty());
    for (size_t i = 0; i < trackers.size(); ++i) {
        EXPECT_EQ(trackers[i]->GetDetector().GetDictionaries().m_family1.get(), shared.m_family1.get());
        EXPECT_EQ(trackers[i]->GetDetector().GetDictionaries().m_family2.get(), shared.m_family2.get());
        // Each on its own camera.
        EXPECT_EQ(trackers[i]->GetCapture()->GetDeviceIndex(), static_cast<int32_t>(i));
    }
}

// The preview's squares, frame by frame: green up to 3 attempts after a detection, red from the
// fourth; one square only when tip and centre fall on one pixel.
TEST_F(ProbeMarkerTrackerTest, PreviewSquaresTurnRedFromTheFourthAttempt) {
    struct PreviewCase {
        const char* name;
        int32_t id; // H8 (id 3) has its tip at the marker's centre
        int blankFrames;
        uint32_t square;
    };
    const PreviewCase cases[] = {
        {"seen", 0, 0, CProbeMarkerTracker::kSeenArgb},
        {"3 attempts", 0, 3, CProbeMarkerTracker::kSeenArgb},
        {"4 attempts", 0, 4, CProbeMarkerTracker::kLostArgb},
        {"9 attempts", 0, 9, CProbeMarkerTracker::kLostArgb},
        {"tip on the centre", 3, 0, CProbeMarkerTracker::kSeenArgb},
        {"tip on the centre, lost", 3, 5, CProbeMarkerTracker::kLostArgb},
    };
    std::shared_ptr<CVideoCap> capture = AcquireVideoCap("usb-cam-0");
    ASSERT_NE(capture, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return m_rig.Camera(0).IsStreaming(); }));
    const QImage blank = BlankPicture();
    for (const PreviewCase& c : cases) {
        SCOPED_TRACE(c.name);
        CProbeMarkerTracker tracker(capture, CProbeMarkerTracker::Thread::kNone);
        const ProbeScene scene = MakeProbeScene(c.id, {420, 120}, 60);
        ASSERT_TRUE(m_rig.Camera(0).Push(scene.picture));
        ASSERT_TRUE(WaitUntil([&] { return Shows(*capture, scene.picture); }));
        // The first window searched is the top row's right-hand one.
        tracker.ProcessFrame();
        ASSERT_EQ(tracker.GetFramesSinceDetected(), 0U);
        if (c.blankFrames > 0) {
            // The probe's family is tried alone now: one attempt per frame.
            ASSERT_TRUE(m_rig.Camera(0).Push(blank));
            ASSERT_TRUE(WaitUntil([&] { return Shows(*capture, blank); }));
            for (int i = 0; i < c.blankFrames; ++i) {
                tracker.ProcessFrame();
            }
        }
        ASSERT_EQ(tracker.GetFramesSinceDetected(), static_cast<uint32_t>(c.blankFrames));

        // The picture alone, and with the squares, into a 320 x 240 rectangle at (10, 20).
        QImage plain(400, 300, QImage::Format_RGB32);
        plain.fill(Qt::white);
        {
            QPainter painter(&plain);
            capture->Draw(painter, 10, 20, 320, 240, 0.0F, 0.0F, 1.0F, 1.0F, CVideoCap::kNoTint);
        }
        QImage preview(400, 300, QImage::Format_RGB32);
        preview.fill(Qt::white);
        {
            QPainter painter(&preview);
            ProbePreviewPlacement placement;
            InitProbePreviewPlacement(placement);
            tracker.DrawPreview(painter, placement, 10, 20, 320, 240, 0.0F, 0.0F, 1.0F, 1.0F,
                                CVideoCap::kNoTint);
        }
        float px = 0.0F;
        float py = 0.0F;
        tracker.GetMarkerPosition(px, py);
        const QPoint tip(10 + static_cast<int>(320.0F * px), 20 + static_cast<int>(240.0F * py));
        float cx = 0.0F;
        float cy = 0.0F;
        tracker.GetDetector().GetMarkerCentre(cx, cy);
        const QPoint centre(static_cast<int>(10.0F + 320.0F * cx), static_cast<int>(20.0F + 240.0F * cy));
        EXPECT_EQ(tip == centre, c.id == 3);

        const QColor colour = QColor::fromRgba(c.square);
        const auto blended = [&](QRgb under) {
            const double a = colour.alphaF();
            return qRgb(static_cast<int>(std::lround(colour.red() * a + qRed(under) * (1.0 - a))),
                        static_cast<int>(std::lround(colour.green() * a + qGreen(under) * (1.0 - a))),
                        static_cast<int>(std::lround(colour.blue() * a + qBlue(under) * (1.0 - a))));
        };
        const auto near = [](QRgb a, QRgb b) {
            return std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2 &&
                   std::abs(qBlue(a) - qBlue(b)) <= 2;
        };
        // Inside each square (its corners included) the picture blended once with the colour; just
        // outside it the picture as it is.
        for (const QPoint& point : {tip, centre}) {
            for (const QPoint& offset : {QPoint(-4, -4), QPoint(3, 3), QPoint(0, 0), QPoint(-4, 3)}) {
                const QPoint inside = point + offset;
                EXPECT_TRUE(near(preview.pixel(inside), blended(plain.pixel(inside))))
                    << inside.x() << "," << inside.y() << " " << std::hex << preview.pixel(inside);
            }
            for (const QPoint& offset : {QPoint(-5, 0), QPoint(4, 0), QPoint(0, -5), QPoint(0, 4)}) {
                const QPoint outside = point + offset;
                if (!InSquare(outside, tip) && !InSquare(outside, centre)) {
                    EXPECT_EQ(preview.pixel(outside), plain.pixel(outside))
                        << outside.x() << "," << outside.y();
                }
            }
        }
    }
    capture.reset();
}

// Every probe model through the camera's own path: pictures pushed by the fake device, read by the
// capture, handed to the detection as they are. The frame is 1278 pixels wide, so its rows carry
// padding: the tip lands where it belongs only if the frame's bytes are read with their row length
// and colour order. Tolerance: a pixel, and a pixel per marker side between centre and tip (the
// detector's corners lie on whole pixels of the outline).
TEST_F(ProbeMarkerTrackerTest, EveryModelsTipThroughTheCamera) {
    std::shared_ptr<CVideoCap> capture = AcquireVideoCap("usb-cam-0");
    ASSERT_NE(capture, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return m_rig.Camera(0).IsStreaming(); }));
    const cv::Size frameSize(1278, 718);
    int32_t count = 0;
    const ProbeMarkerModel* models = ProbeMarkerModels(count);
    for (int32_t row = 0; row < count; ++row) {
        const ProbeMarkerModel& model = models[row];
        SCOPED_TRACE(model.m_name);
        cv::Mat frame = test::MakeBlankFrame(frameSize.width, frameSize.height);
        const test::MarkerCorners drawn = test::DrawProbeMarker(
            frame, test::MakeTestDictionaries(),
            {model.m_family, model.m_id, {560, 300}, 76, 8.0F * static_cast<float>(row)});
        const test::TipPoint expected = test::ExpectedTip(test::DetectedCorners(drawn, frameSize), model);
        const QImage picture = ToImage(frame);
        ASSERT_TRUE(m_rig.Camera(0).Push(picture));
        ASSERT_TRUE(WaitUntil([&] { return Shows(*capture, picture); }));
        QImage delivered;
        ASSERT_TRUE(capture->GetFrame(delivered));
        ASSERT_GT(delivered.bytesPerLine(), delivered.width() * 3);

        CProbeMarkerTracker tracker(capture, CProbeMarkerTracker::Thread::kNone);
        for (int i = 0; i < 18 && tracker.GetFramesSinceDetected() != 0; ++i) {
            tracker.ProcessFrame();
        }
        ASSERT_EQ(tracker.GetFramesSinceDetected(), 0U);
        float x = 0.0F;
        float y = 0.0F;
        tracker.GetMarkerPosition(x, y);
        const double tolerance =
            1.0 + std::hypot(static_cast<double>(model.m_alongX), static_cast<double>(model.m_alongY)) /
                      static_cast<double>(model.m_side);
        EXPECT_LE(std::hypot(static_cast<double>(x * 640.0F - expected.tip.x),
                             static_cast<double>(y * 480.0F - expected.tip.y)),
                  tolerance);
    }
}

// A camera that delivers nothing leaves the tracker as it was: no attempts counted.
TEST_F(ProbeMarkerTrackerTest, NothingIsCountedWithoutFrames) {
    m_rig.Camera(2).SetFailToStart(true);
    std::shared_ptr<CVideoCap> capture = AcquireVideoCap("usb-cam-2");
    ASSERT_NE(capture, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return capture->GetState() == CVideoCap::kOpenFailed; }));
    CProbeMarkerTracker tracker(capture, CProbeMarkerTracker::Thread::kNone);
    for (int i = 0; i < 5; ++i) {
        tracker.ProcessFrame();
    }
    EXPECT_EQ(tracker.GetFramesSinceDetected(), 100U);
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        tracker.DrawPreview(painter, ProbePreviewPlacement{}, 0, 0, 100, 100, 0.0F, 0.0F, 1.0F, 1.0F,
                            CVideoCap::kNoTint);
    }
    // The capture's own text on its darkened ground, and no square at the tip (0, 0).
    EXPECT_NE(image.pixel(50, 50), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(2, 2), image.pixel(50, 95));
}

} // namespace
} // namespace orv
