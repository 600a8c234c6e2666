// The "Import Webcam Image" dialog over fake cameras: choosing a camera, the paused preview, the
// snapshot it imports into the overlay editor, and a camera that went away.

#include "overlay/CWebcamDlg.h"
#include "overlay/camera/CVideoCap.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/overlay/camera/support/FakeCameras.h"
#include "tests/overlay/support/OverlayEditorFixture.h"

#include <QCameraDevice>
#include <QCheckBox>
#include <QComboBox>
#include <QMediaDevices>
#include <QTimerEvent>

#include <chrono>
#include <filesystem>
#include <functional>

namespace orv {
namespace {

using camera_test::FakeCameraRig;
using camera_test::Filled;
using overlay_test::OverlayEditorTest;

constexpr QRgb kRed = 0xFFFF0000U;
constexpr QRgb kBlue = 0xFF0000FFU;

class WebcamDlgTest : public OverlayEditorTest {
protected:
    WebcamDlgTest() { Open(); }
    ~WebcamDlgTest() override {
        m_dialog.reset();
        JoinCameraReleaseThreads();
    }

    CWebcamDlg& Dialog() {
        if (!m_dialog) {
            m_dialog = std::make_unique<CWebcamDlg>(*m_app, View());
            m_dialog->show();
        }
        return *m_dialog;
    }
    QComboBox& Cameras() { return *static_cast<QComboBox*>(Dialog().GetControl(CWebcamDlg::kCameraListId)); }
    QPushButton& Button(int id) { return *static_cast<QPushButton*>(Dialog().GetControl(id)); }
    void Click(int id) { QTest::mouseClick(Dialog().GetControl(id), Qt::LeftButton); }
    void Select(int item) {
        Cameras().setCurrentIndex(item);
        Click(CWebcamDlg::kSelectDeviceId);
    }
    // One pass of the preview timer, as the event loop delivers it.
    void PreviewTick() {
        QTimerEvent tick(Dialog().GetPreviewTimerId());
        QCoreApplication::sendEvent(&Dialog(), &tick);
    }
    QRgb PreviewCentre() {
        const QImage& preview = Dialog().GetPreview();
        return preview.pixel(preview.width() / 2, preview.height() / 2);
    }
    size_t ModifiedPostCount() {
        const std::vector<uint32_t> posted = m_formView.target.Ids();
        return static_cast<size_t>(std::count(posted.begin(), posted.end(), NodeMessage::kProjectModified));
    }
    static bool WaitUntil(const std::function<bool()>& done) {
        return testing::ProcessEventsUntil(done, std::chrono::seconds(10));
    }

    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_promptInstall{m_prompt};
    std::unique_ptr<CWebcamDlg> m_dialog;
};

TEST_F(WebcamDlgTest, WithTheMachinesOwnListTheDialogOpensEmptyAndSelectDoesNothing) {
    if (!QMediaDevices::videoInputs().isEmpty()) {
        GTEST_SKIP() << "this machine has cameras";
    }
    EXPECT_EQ(Dialog().windowTitle(), QString("Import Webcam Image"));
    EXPECT_EQ(Cameras().count(), 0);
    EXPECT_TRUE(Dialog().GetDevicePaths().empty());
    Click(CWebcamDlg::kSelectDeviceId);
    EXPECT_FALSE(Dialog().GetCapture());
    EXPECT_TRUE(m_prompt->Texts().empty());
    PreviewTick();
    EXPECT_FALSE(Button(CWebcamDlg::kImportId).isEnabled());
    // The preview ends 8 pixels above Import, across the whole client area.
    EXPECT_EQ(Dialog().GetPreviewRect(),
              QRect(0, 0, Dialog().width(), Button(CWebcamDlg::kImportId).geometry().top() - 8));
}

TEST_F(WebcamDlgTest, WithPauseCheckedThePreviewKeepsItsImageWhileFramesGoOn) {
    FakeCameraRig rig({{"cam0", "Desk camera"}});
    ASSERT_EQ(Cameras().count(), 1);
    EXPECT_EQ(Cameras().itemText(0), QString("Desk camera"));
    Select(0);
    ASSERT_TRUE(Dialog().GetCapture());
    ASSERT_TRUE(WaitUntil([&] { return rig.Camera(0).IsStreaming(); }));
    ASSERT_TRUE(rig.Camera(0).Push(Filled(64, 48, kRed)));
    ASSERT_TRUE(WaitUntil([&] { return PreviewCentre() == kRed; })) << "the timer draws the frame";

    static_cast<QCheckBox*>(Dialog().GetControl(CWebcamDlg::kPauseId))->setChecked(true);
    ASSERT_TRUE(rig.Camera(0).Push(Filled(64, 48, kBlue)));
    ASSERT_TRUE(WaitUntil([&] {
        QImage frame;
        return Dialog().GetCapture()->GetFrame(frame) && !frame.isNull() && frame.pixel(0, 0) == kBlue;
    })) << "the capture goes on reading";
    PreviewTick();
    PreviewTick();
    EXPECT_EQ(PreviewCentre(), kRed);
    EXPECT_EQ(testing::Grab(Dialog()).pixel(Dialog().GetPreviewRect().center()), kRed)
        << "painted by the copy";

    static_cast<QCheckBox*>(Dialog().GetControl(CWebcamDlg::kPauseId))->setChecked(false);
    PreviewTick();
    EXPECT_EQ(PreviewCentre(), kBlue);
}

TEST_F(WebcamDlgTest, ImportMakesAnEightHundredBySixHundredSnapshotSelectedAndListed) {
    AddPicture(5, Filled(20, 20, kRed));
    FakeCameraRig rig({{"cam0", "Desk camera"}});
    Select(0);
    ASSERT_TRUE(WaitUntil([&] { return rig.Camera(0).IsStreaming(); }));
    PreviewTick();
    EXPECT_FALSE(Button(CWebcamDlg::kImportId).isEnabled()) << "no frame yet";
    Dialog().OnImport();
    EXPECT_EQ(ProjectIds(), std::vector<uint32_t>{5}) << "nothing to import without a frame";
    EXPECT_TRUE(Dialog().isVisible());

    // 1280 x 720, red on the left, blue on the right.
    QImage picture = Filled(1280, 720, kRed);
    for (int y = 0; y < 720; ++y) {
        for (int x = 640; x < 1280; ++x) {
            picture.setPixel(x, y, kBlue);
        }
    }
    ASSERT_TRUE(rig.Camera(0).Push(picture));
    ASSERT_TRUE(WaitUntil([&] { return Button(CWebcamDlg::kImportId).isEnabled(); }));
    ASSERT_TRUE(WaitUntil([&] {
        const QImage& preview = Dialog().GetPreview();
        return preview.pixel(preview.width() / 4, preview.height() / 2) == kRed &&
               preview.pixel(preview.width() * 3 / 4, preview.height() / 2) == kBlue;
    }));
    std::filesystem::create_directories(ORV_SCREENSHOT_DIR);
    EXPECT_TRUE(testing::Grab(Dialog()).save(ORV_SCREENSHOT_DIR "/webcam-dialog-preview.png"));
    const size_t modifiedBefore = ModifiedPostCount();
    Click(CWebcamDlg::kImportId);
    EXPECT_EQ(Dialog().result(), QDialog::Accepted);
    EXPECT_FALSE(Dialog().GetCapture()) << "closing lets the camera go";

    const std::vector<uint32_t> ids = ProjectIds();
    ASSERT_EQ(ids.size(), 2U);
    const uint32_t snapshotId = ids[1];
    EXPECT_NE(snapshotId, 0U);
    EXPECT_NE(snapshotId, 0xFFFFFFFFU);
    EXPECT_NE(snapshotId, 5U);
    const COverlayControl& snapshot = *m_app->GetOverlayControls().GetControls()[1];
    EXPECT_EQ(snapshot.GetSourceKind(), COverlayControl::kPixelImage);
    EXPECT_EQ(snapshot.GetPixelWidth(), 800U);
    EXPECT_EQ(snapshot.GetPixelHeight(), 600U);
    EXPECT_EQ(snapshot.GetBytesPerPixel(), 3U);
    ASSERT_EQ(snapshot.GetPixels().size(), 800U * 600U * 3U);
    const auto bgrAt = [&](int x, int y) {
        const uint8_t* pixel = snapshot.GetPixels().data() + (static_cast<size_t>(y) * 800 + x) * 3;
        return std::vector<int>{pixel[0], pixel[1], pixel[2]};
    };
    EXPECT_EQ(bgrAt(0, 0), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(bgrAt(398, 599), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(bgrAt(401, 300), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(bgrAt(799, 599), (std::vector<int>{255, 0, 0}));

    EXPECT_EQ(View().GetSelectedOverlayId(), snapshotId);
    EXPECT_EQ(UnitIds(), ids);
    testing::FlushEvents();
    EXPECT_EQ(ModifiedPostCount(), modifiedBefore + 1);
}

TEST_F(WebcamDlgTest, ACameraThatWentAwayShowsTheMessageAndKeepsTheCaptureShown) {
    FakeCameraRig rig({{"cam0", "Desk camera"}, {"cam1", "Microscope"}});
    Select(0);
    const std::shared_ptr<CVideoCap> shown = Dialog().GetCapture();
    ASSERT_TRUE(shown);

    Cameras().setCurrentIndex(-1);
    Click(CWebcamDlg::kSelectDeviceId);
    EXPECT_EQ(Dialog().GetCapture(), shown) << "nothing selected: nothing happens";
    EXPECT_TRUE(m_prompt->Texts().empty());

    rig.Camera(1).SetPlugged(false);
    Select(1);
    EXPECT_EQ(m_prompt->Texts(), std::vector<std::string>{"This device is no longer valid."});
    EXPECT_EQ(Dialog().GetCapture(), shown);

    ASSERT_TRUE(WaitUntil([&] { return rig.Camera(0).IsStreaming(); }));
    Select(0);
    EXPECT_EQ(Dialog().GetCapture(), shown) << "the same camera is shared, not opened again";
    EXPECT_EQ(rig.Camera(0).Starts(), 1);
}

TEST_F(WebcamDlgTest, TheEditorsWebcamCommandOpensTheDialogForItsProjectAndView) {
    FakeCameraRig rig({{"cam0", "Desk camera"}});
    TfrmMainApp* project = nullptr;
    COverlayView* view = nullptr;
    int cameras = -1;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = dynamic_cast<CWebcamDlg*>(QApplication::activeModalWidget())) {
            project = &dialog->GetProject();
            view = &dialog->GetOverlayView();
            cameras = static_cast<QComboBox*>(dialog->GetControl(CWebcamDlg::kCameraListId))->count();
            dialog->reject();
        }
    });
    View().OnCommand(OverlayCommand::kImportWebcamImage);
    EXPECT_EQ(project, m_app.get());
    EXPECT_EQ(view, &View());
    EXPECT_EQ(cameras, 1);
    EXPECT_EQ(ProjectIds(), std::vector<uint32_t>{}) << "cancelled: nothing added";
}

} // namespace
} // namespace orv
