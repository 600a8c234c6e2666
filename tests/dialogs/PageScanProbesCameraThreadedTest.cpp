// The scan probes page of a hand-held probe node with cameras behind the capture's fake device seam:
// the camera set-up from the node's options, the two layouts, the focus texts, the preview with the
// tracked marker's cell washed white from frames carrying AprilTag 16h5 markers, the still that
// becomes the node's overlay on Apply, and the tracking state the page leaves behind.

#include "core/QOverlayOptions.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/TypeIds.h"
#include "overlay/camera/CProbeMarkerTracker.h"
#include "overlay/camera/CVideoCap.h"
#include "platform/fs/AppPaths.h"
#include "project/COverlayControl.h"
#include "tests/dialogs/support/ProbesPageProjectFixture.h"
#include "tests/overlay/camera/support/FakeCameras.h"
#include "tests/overlay/markers/support/ProbeMarkerScenes.h"
#include "tests/platform/support/PlatTestFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace orv {
namespace {

using Page = CPageScanProbes;
using camera_test::FakeCameraRig;

QImage ToImage(const cv::Mat& frame) {
    return QImage(frame.data, frame.cols, frame.rows, static_cast<qsizetype>(frame.step),
                  QImage::Format_BGR888)
        .copy();
}

// A 640 x 480 camera picture with a probe marker of family 2 (AprilTag 16h5), and where its tip is
// as fractions of the picture.
struct ProbeScene {
    QImage picture;
    QPointF tip;
};

ProbeScene MakeProbeScene(cv::Point2f centre) {
    cv::Mat frame = test::MakeBlankFrame(640, 480);
    const test::MarkerCorners drawn =
        test::DrawProbeMarker(frame, test::MakeTestDictionaries(), {2, 0, centre, 60, 0.0F});
    const test::TipPoint point =
        test::ExpectedTip(test::DetectedCorners(drawn, {640, 480}), *FindProbeMarkerModel(2, 0));
    return {ToImage(frame), QPointF(point.tip.x / 640.0, point.tip.y / 480.0)};
}

class ProbesPageCameraTest : public testing::ProbesPageProjectFixture {
protected:
    ProbesPageCameraTest() {
        test::WriteDictionaryFile(*test::MakeTestFamily1Dictionary(),
                                  m_folder.File(kProbeMarkerDictionaryFileName));
        SetExecutableFolderOverride(m_folder.Path());
        InstallProbeMarkerTracking();
    }
    ~ProbesPageCameraTest() override {
        SetProbeVideoTrackAcquirer({});
        SetExecutableFolderOverride({});
        JoinCameraReleaseThreads();
    }
    // A hand-held probe node whose options track on the camera of that index, every cell off.
    QNodeMediator& HandHeldNode(bool tracking, int32_t camera) {
        QNodeMediator& node = AddNode(kTypeHandHeldProbeScanNode);
        QProbeScanPatternOptions* options = node.GetSecondProbePatternOptions();
        options->SetPattern(QProbeScanPattern(29, 42, 0, 40));
        options->SetProbeCameraTracking(tracking);
        options->SetTrackingCameraIndex(camera);
        return node;
    }
    static bool Visible(Page& page, int id) { return page.GetControl(id)->isVisible(); }

    test::PlatTestFolder m_folder;
    FakeCameraRig m_rig{{"usb-cam-0", "Board Camera"}, {"usb-cam-1", "Side Camera"}};
};

TEST_F(ProbesPageCameraTest, TheSetUpLayoutsAndFocusTexts) {
    // Another kind never offers the camera.
    for (const uint16_t kind : {kTypeSpatialScanNode, kTypeSpectralScanNode}) {
        QNodeMediator& node = AddNode(kind);
        auto page = Open(node);
        for (const int id : {Page::kCameraTracking, Page::kCameraList, Page::kFocusSlider, Page::kFocusValue,
                             Page::kFocusLabel, Page::kCameraOptions}) {
            EXPECT_FALSE(Visible(*page, id)) << kind << " " << id;
        }
        EXPECT_FALSE(node.HasProbeVideoTrack());
    }

    // Tracking on: the stored camera is chosen and its preview starts; the camera layout.
    QNodeMediator& node = HandHeldNode(true, 1);
    auto page = Open(node);
    auto& combo = dynamic_cast<QComboBox&>(*page->GetControl(Page::kCameraList));
    ASSERT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.itemText(1), "Side Camera");
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_TRUE(node.HasProbeVideoTrack());
    EXPECT_EQ(node.GetProbeCameraPath(), "usb-cam-1");
    EXPECT_EQ(page->GetCameraIndex(), 1);
    EXPECT_EQ(page->GetCameraTimerInterval(), Page::kPreviewStartMs);
    for (const int id : {Page::kCameraTracking, Page::kCameraList, Page::kFocusSlider, Page::kFocusValue,
                         Page::kFocusLabel}) {
        EXPECT_TRUE(Visible(*page, id)) << id;
    }
    for (const int id :
         {Page::kCameraOptions, Page::kBotGroup, Page::kCalibrate, Page::kJogUp, Page::kHeightEdit}) {
        EXPECT_FALSE(Visible(*page, id)) << id;
    }

    // The focus texts, the tracker's focus and what reaches the camera (39 auto-focus, 28 focus).
    const auto tracker = std::dynamic_pointer_cast<CProbeMarkerTracker>(node.GetProbeVideoTrack());
    ASSERT_NE(tracker, nullptr);
    using Properties = std::vector<std::pair<int32_t, double>>;
    auto& slider = dynamic_cast<QSlider&>(*page->GetControl(Page::kFocusSlider));
    const struct {
        int position;
        const char* text;
        bool autoFocus;
        uint8_t focusValue;
        Properties properties;
    } focus[] = {{10, "20%", true, 50, {{39, 0.0}, {28, 50.0}}},
                 {-1, "Set", false, 50, {{39, 0.0}}},
                 {50, "100%", false, 250, {{39, 0.0}, {28, 250.0}}},
                 {-2, "Auto", true, 250, {{39, 1.0}}}};
    size_t seen = m_rig.Camera(1).Properties().size();
    for (const auto& f : focus) {
        SCOPED_TRACE(f.position);
        slider.setValue(f.position);
        EXPECT_EQ(dynamic_cast<QLabel&>(*page->GetControl(Page::kFocusValue)).text().toStdString(), f.text);
        EXPECT_EQ(tracker->IsAutoFocus(), f.autoFocus);
        EXPECT_EQ(tracker->GetFocusValue(), f.focusValue);
        ASSERT_TRUE(testing::ProcessEventsUntil(
            [&] { return m_rig.Camera(1).Properties().size() >= seen + f.properties.size(); }));
        const Properties all = m_rig.Camera(1).Properties();
        EXPECT_EQ(Properties(all.begin() + static_cast<ptrdiff_t>(seen), all.end()), f.properties);
        seen = all.size();
    }

    // Unticked: tracking stops and the arm layout (no arm here) hides the camera's controls.
    auto& tracking = dynamic_cast<QCheckBox&>(*page->GetControl(Page::kCameraTracking));
    QTest::mouseClick(&tracking, Qt::LeftButton);
    EXPECT_FALSE(node.HasProbeVideoTrack());
    EXPECT_EQ(page->GetCameraIndex(), -1);
    EXPECT_EQ(page->GetCameraTimerInterval(), 0);
    EXPECT_TRUE(Visible(*page, Page::kCameraTracking));
    EXPECT_FALSE(Visible(*page, Page::kCameraList));
    EXPECT_FALSE(Visible(*page, Page::kFocusSlider));
    // Closing restores the tracking that held when the page opened, on the camera it ran on.
    page.reset();
    EXPECT_TRUE(node.HasProbeVideoTrack());
    EXPECT_EQ(node.GetProbeCameraPath(), "usb-cam-1");

    // Found running: the slower refresh and the camera layout.
    auto again = Open(node);
    EXPECT_EQ(again->GetCameraTimerInterval(), Page::kPreviewRunningMs);
    EXPECT_TRUE(Visible(*again, Page::kCameraList));
    again.reset();
    node.StopProbeVideoTrack();

    // Tracking off at the start: what the user started stops with the page.
    QNodeMediator& off = HandHeldNode(false, -1);
    auto third = Open(off);
    EXPECT_FALSE(off.HasProbeVideoTrack());
    EXPECT_FALSE(Visible(*third, Page::kCameraList));
    QTest::mouseClick(&dynamic_cast<QCheckBox&>(*third->GetControl(Page::kCameraTracking)), Qt::LeftButton);
    EXPECT_TRUE(off.HasProbeVideoTrack());
    EXPECT_EQ(off.GetProbeCameraPath(), "usb-cam-0");

    // "Options" only checks the choice: a good one says nothing, a stale list is refilled, no choice
    // asks for one.
    auto& offCombo = dynamic_cast<QComboBox&>(*third->GetControl(Page::kCameraList));
    const size_t shown = m_sandbox.Prompt().Texts().size();
    third->OnCommand(Page::kCameraOptions);
    EXPECT_EQ(m_sandbox.Prompt().Texts().size(), shown);
    m_rig.Camera(1).SetPlugged(false);
    offCombo.setCurrentIndex(1);
    third->OnCommand(Page::kCameraOptions);
    ASSERT_EQ(m_sandbox.Prompt().Texts().size(), shown + 1);
    EXPECT_EQ(m_sandbox.Prompt().Texts().back(), Page::kCameraListRefreshedText);
    EXPECT_EQ(offCombo.count(), 1);
    offCombo.setCurrentIndex(-1);
    third->OnCommand(Page::kCameraOptions);
    ASSERT_EQ(m_sandbox.Prompt().Texts().size(), shown + 2);
    EXPECT_EQ(m_sandbox.Prompt().Texts().back(), Page::kChooseCameraText);
    third.reset();
    EXPECT_FALSE(off.HasProbeVideoTrack());
}

TEST_F(ProbesPageCameraTest, ThePreviewWashesTheMarkersCellAndApplyMakesOneStill) {
    QNodeMediator& node = HandHeldNode(true, 0);
    auto page = Open(node);
    ASSERT_TRUE(node.HasProbeVideoTrack());
    const ProbeScene scene = MakeProbeScene({400.0F, 300.0F});
    ASSERT_TRUE(testing::ProcessEventsUntil([&] {
        m_rig.Camera(0).Push(scene.picture);
        return node.IsProbeMarkerTracked();
    }));
    page->OnCameraTimer();

    // The tip's cell is washed white over the grey picture; a far cell shows the picture as it is.
    const QImage& grid = page->GetGridImage();
    const int column = static_cast<int>(42 * scene.tip.x());
    const int row = static_cast<int>(29 * scene.tip.y());
    auto countNear = [&](int r, int c, int grey) {
        const ProbeCell& cell = page->GetCell(r, c);
        const QRect gridRect = page->GetGridRect();
        int near = 0;
        for (int y = cell.top + 1; y < cell.bottom - 1; ++y) {
            for (int x = cell.left + 1; x < cell.right - 1; ++x) {
                const QColor colour = grid.pixelColor(x - gridRect.left(), y - gridRect.top());
                near += std::abs(colour.red() - grey) <= 4 && std::abs(colour.blue() - grey) <= 4 ? 1 : 0;
            }
        }
        return near;
    };
    EXPECT_GT(countNear(row, column, (170 + 255) / 2), 20) << row << "," << column;
    EXPECT_GT(countNear(2, 2, 170), 100);
#ifdef ORV_SCREENSHOT_DIR
    QDir().mkpath(QStringLiteral(ORV_SCREENSHOT_DIR));
    testing::Grab(*page).save(QStringLiteral(ORV_SCREENSHOT_DIR "/probes_page_camera.png"));
#endif

    // Apply twice: one still of 200 x 150 in the frame's three channels, with an ID free in the list.
    const size_t before = Project().GetOverlayControls().GetControls().size();
    ASSERT_TRUE(page->OnApply());
    ASSERT_TRUE(page->OnApply());
    const auto& controls = Project().GetOverlayControls().GetControls();
    ASSERT_EQ(controls.size(), before + 1);
    const uint32_t id = page->GetOverlayId();
    EXPECT_NE(id, 0U);
    EXPECT_NE(id, 0xFFFFFFFFU);
    std::set<uint32_t> ids;
    for (const auto& control : controls) {
        ids.insert(control->GetOverlayId());
    }
    EXPECT_EQ(ids.size(), controls.size());
    COverlayControl* still = Project().FindOverlayControl(id);
    ASSERT_NE(still, nullptr);
    EXPECT_EQ(still->GetSourceKind(), COverlayControl::kPixelImage);
    EXPECT_EQ(still->GetPixelWidth(), 200U);
    EXPECT_EQ(still->GetPixelHeight(), 150U);
    EXPECT_EQ(still->GetBytesPerPixel(), 3);
    const QOverlayOptions& options = *node.GetOverlayOptions();
    EXPECT_EQ(options.m_overlayId, static_cast<int32_t>(id));
    EXPECT_EQ(options.m_sourceKind, QOverlayOptions::kSourceSnapshot);
    EXPECT_EQ(options.m_pictureInt, 50);
    EXPECT_FLOAT_EQ(options.m_pictureValues[2], 1.0F);
    EXPECT_FLOAT_EQ(options.m_pictureValues[3], 1.0F);
}

} // namespace
} // namespace orv
