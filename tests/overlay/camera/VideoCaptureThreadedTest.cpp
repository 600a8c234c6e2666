// The cameras: the device list, one shared capture per device and its states, its drawing, and the
// release threads joined at exit. Fake devices push frames into each capture's own video sink.

#include "overlay/camera/CCameraFrameSource.h"
#include "overlay/camera/CVideoCap.h"
#include "overlay/camera/CameraDevices.h"
#include "tests/overlay/camera/support/FakeCameras.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPaintEngine>
#include <QPainter>
#include <QTest>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace orv {
namespace {

using camera_test::FakeCameraRig;
using camera_test::Filled;

constexpr QRgb kRed = 0xFFFF0000U;
constexpr QRgb kBlue = 0xFF0000FFU;
constexpr QRgb kGreen = 0xFF00FF00U;

void EnsureApplication() {
    if (QCoreApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "test_camera";
        static char* argv[] = {name, nullptr};
        static QApplication application(argc, argv);
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

bool Near(QRgb actual, QRgb expected, int tolerance = 2) {
    return std::abs(qRed(actual) - qRed(expected)) <= tolerance &&
           std::abs(qGreen(actual) - qGreen(expected)) <= tolerance &&
           std::abs(qBlue(actual) - qBlue(expected)) <= tolerance &&
           std::abs(qAlpha(actual) - qAlpha(expected)) <= tolerance;
}

std::string Hex(QRgb colour) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", colour);
    return text;
}

// The texts a painter drew, with the pen and font they were drawn in.
class TextRecorder : public QPaintDevice {
public:
    struct Text {
        QString m_text;
        QColor m_pen;
        QFont m_font;
    };
    QPaintEngine* paintEngine() const override { return &m_engine; }
    const std::vector<Text>& Texts() const { return m_engine.m_texts; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return 200;
        case PdmHeight:
            return 100;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
        default:
            return 0;
        }
    }

private:
    class Engine : public QPaintEngine {
    public:
        bool begin(QPaintDevice* /*device*/) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState& state) override {
            if ((state.state() & QPaintEngine::DirtyPen) != 0) {
                m_pen = state.pen().color();
            }
        }
        void drawPixmap(const QRectF& /*r*/, const QPixmap& /*pm*/, const QRectF& /*sr*/) override {}
        // The fills (the engine's other shapes end here).
        void drawPolygon(const QPointF* /*points*/, int /*count*/, PolygonDrawMode /*mode*/) override {}
        void drawTextItem(const QPointF& /*p*/, const QTextItem& item) override {
            m_texts.push_back({item.text(), m_pen, item.font()});
        }
        Type type() const override { return QPaintEngine::User; }
        QColor m_pen;
        std::vector<Text> m_texts;
    };
    mutable Engine m_engine;
};

class CameraTest : public ::testing::Test {
protected:
    CameraTest() { EnsureApplication(); }
    ~CameraTest() override { JoinCameraReleaseThreads(); }
};

// --- The device list ------------------------------------------------------------------------------

TEST_F(CameraTest, TheListGivesNamesPathsAndIndexesInTheSystemsOrder) {
    FakeCameraRig rig({{"/dev/video0", "Front camera"}, {"usb-2.1", "Desk camera"}, {"usb-3", "Microscope"}});
    const std::vector<std::string> paths{"/dev/video0", "usb-2.1", "usb-3"};
    EXPECT_EQ(GetCameraDevicePaths(), paths);
    std::vector<std::string> appended{"kept"};
    EnumerateCameraDevicePaths(appended);
    EXPECT_EQ(appended, (std::vector<std::string>{"kept", "/dev/video0", "usb-2.1", "usb-3"}));
    for (size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(FindCameraIndexByPath(paths[i]), static_cast<int32_t>(i));
    }
    EXPECT_EQ(FindCameraIndexByPath("usb-9"), -1);
    EXPECT_EQ(FindCameraIndexByPath(""), -1);

    QComboBox combo;
    combo.addItem("left over", 7);
    FillCameraComboBox(combo);
    ASSERT_EQ(combo.count(), 3);
    const QStringList names{"Front camera", "Desk camera", "Microscope"};
    for (int i = 0; i < combo.count(); ++i) {
        EXPECT_EQ(combo.itemText(i), names[i]);
        EXPECT_EQ(paths.at(static_cast<size_t>(combo.itemData(i).toInt())), paths[static_cast<size_t>(i)]);
    }
}

TEST(CameraFormat, TheFormatNearestTo800By600AtFifteenFramesASecondIsChosen) {
    using Format = CCameraFrameSource::Format;
    struct Case {
        const char* what;
        std::vector<Format> formats;
        int32_t chosen;
    };
    const std::vector<Case> cases{
        {"none offered", {}, -1},
        {"the size first",
         {{QSize(1280, 720), 15, 15}, {QSize(640, 480), 30, 30}, {QSize(1920, 1080), 15, 15}},
         1},
        {"then a range holding 15",
         {{QSize(800, 600), 30, 30}, {QSize(800, 600), 5, 20}, {QSize(800, 600), 10, 14}},
         1},
        {"else the nearest rate", {{QSize(800, 600), 30, 60}, {QSize(800, 600), 20, 25}}, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CCameraFrameSource::ChooseNearestFormat(c.formats), c.chosen) << c.what;
    }
}

// --- Captures -------------------------------------------------------------------------------------

TEST_F(CameraTest, ACaptureOpensThenShowsFramesAndEmptyReads) {
    FakeCameraRig rig({{"cam0", "Camera"}});
    std::shared_ptr<CVideoCap> capture = AcquireVideoCap("cam0");
    ASSERT_TRUE(capture);
    EXPECT_EQ(capture->GetDeviceIndex(), 0);
    EXPECT_EQ(capture->GetState(), CVideoCap::kOpening) << "no frame has come yet";
    ASSERT_TRUE(WaitUntil([&] { return capture->IsOpened(); }));
    QImage frame(1, 1, QImage::Format_RGB32);
    EXPECT_TRUE(capture->GetFrame(frame));
    EXPECT_TRUE(frame.isNull()) << "open, but nothing read yet";
    EXPECT_EQ(capture->GetState(), CVideoCap::kOpening);

    QImage picture = Filled(64, 48, qRgb(10, 20, 30));
    picture.setPixel(63, 47, qRgb(200, 100, 50));
    ASSERT_TRUE(rig.Camera(0).Push(picture));
    ASSERT_TRUE(WaitUntil([&] { return capture->GetState() == CVideoCap::kFrame; }));
    ASSERT_TRUE(capture->GetFrame(frame));
    ASSERT_EQ(frame.size(), QSize(64, 48));
    ASSERT_EQ(frame.format(), QImage::Format_BGR888);
    const uchar* first = frame.constScanLine(0);
    EXPECT_EQ((std::vector<int>{first[0], first[1], first[2]}), (std::vector<int>{30, 20, 10}))
        << "blue, green, red";
    const uchar* last = frame.constScanLine(47) + static_cast<ptrdiff_t>(63 * 3);
    EXPECT_EQ((std::vector<int>{last[0], last[1], last[2]}), (std::vector<int>{50, 100, 200}));

    // Whatever ends the delivery, the capture shows it as an empty read until frames come again.
    const std::vector<std::pair<const char*, std::function<void()>>> ends{
        {"an invalid frame", [&] { rig.Camera(0).Push(QVideoFrame()); }},
        {"the camera stopped", [&] { rig.Camera(0).ReportStopped(); }},
        {"the camera failed after frames", [&] { rig.Camera(0).ReportFailed(); }},
    };
    for (const auto& [what, end] : ends) {
        end();
        EXPECT_TRUE(WaitUntil([&] { return capture->GetState() == CVideoCap::kEmptyRead; })) << what;
        EXPECT_TRUE(capture->GetFrame(frame)) << what;
        EXPECT_TRUE(frame.isNull()) << what;
        rig.Camera(0).Push(Filled(32, 24, kRed));
        EXPECT_TRUE(WaitUntil([&] { return capture->GetState() == CVideoCap::kFrame; })) << what;
        ASSERT_TRUE(capture->GetFrame(frame));
        EXPECT_EQ(frame.size(), QSize(32, 24)) << what;
    }
}

TEST_F(CameraTest, ADeviceThatDoesNotOpenIsOpenFailedAndDrawsTheBackgroundOnly) {
    FakeCameraRig rig({{"cam0", "Camera"}});
    rig.Camera(0).SetFailToStart(true);
    std::shared_ptr<CVideoCap> capture = AcquireVideoCap("cam0");
    ASSERT_TRUE(capture);
    ASSERT_TRUE(WaitUntil([&] { return capture->GetState() == CVideoCap::kOpenFailed; }));
    QImage frame;
    EXPECT_FALSE(capture->GetFrame(frame));
    EXPECT_FALSE(capture->IsOpened());

    QImage target = Filled(60, 40, kGreen).convertToFormat(QImage::Format_ARGB32);
    {
        QPainter painter(&target);
        EXPECT_EQ(capture->Draw(painter, 10, 5, 40, 30, 0, 0, 1, 1, CVideoCap::kNoTint),
                  CVideoCap::kOpenFailed);
    }
    for (int y = 0; y < target.height(); ++y) {
        for (int x = 0; x < target.width(); ++x) {
            const bool inside = x >= 10 && x < 50 && y >= 5 && y < 35;
            ASSERT_EQ(target.pixel(x, y), inside ? 0xFF333333U : kGreen) << x << "," << y;
        }
    }
    TextRecorder recorder;
    {
        QPainter painter(&recorder);
        capture->Draw(painter, 0, 0, 40, 30, 0, 0, 1, 1, CVideoCap::kNoTint);
    }
    EXPECT_TRUE(recorder.Texts().empty());
}

TEST_F(CameraTest, HoldersOfOnePathShareOneCaptureUntilTheLastLetsGo) {
    FakeCameraRig rig({{"cam0", "Camera"}, {"cam1", "Other"}});
    std::shared_ptr<CVideoCap> first = AcquireVideoCap("cam0");
    std::shared_ptr<CVideoCap> second = AcquireVideoCap("cam0");
    std::shared_ptr<CVideoCap> other = AcquireVideoCap("cam1");
    ASSERT_TRUE(first && other);
    EXPECT_EQ(first, second);
    EXPECT_NE(first, other);
    EXPECT_EQ(other->GetDeviceIndex(), 1);
    EXPECT_FALSE(AcquireVideoCap("cam7")) << "no device has that path";
    ASSERT_TRUE(WaitUntil([&] { return rig.Camera(0).IsStreaming(); }));
    EXPECT_EQ(rig.Camera(0).Starts(), 1);

    const uint64_t closedBefore = GetClosedCameraCount();
    first.reset();
    EXPECT_EQ(rig.Camera(0).Closes(), 0) << "the second holder keeps it open";
    second.reset();
    ASSERT_TRUE(WaitUntil([&] { return GetClosedCameraCount() == closedBefore + 1; }));
    EXPECT_EQ(rig.Camera(0).Closes(), 1);
    EXPECT_NE(rig.Camera(0).CloseThread(), std::this_thread::get_id()) << "closed on a release thread";
    EXPECT_EQ(rig.Camera(1).Closes(), 0);

    std::shared_ptr<CVideoCap> again = AcquireVideoCap("cam0");
    ASSERT_TRUE(again);
    ASSERT_TRUE(WaitUntil([&] { return rig.Camera(0).Starts() == 2; })) << "the device opens again";
    ASSERT_TRUE(rig.Camera(0).Push(Filled(8, 6, kBlue)));
    EXPECT_TRUE(WaitUntil([&] { return again->GetState() == CVideoCap::kFrame; }));
}

TEST_F(CameraTest, TheEnvironmentVariableIsSetOncePerProcess) {
    FakeCameraRig rig({{"cam0", "Camera"}, {"cam1", "Other"}});
    std::shared_ptr<CVideoCap> first = AcquireVideoCap("cam0");
    ASSERT_TRUE(first);
    const char* value = std::getenv("OPENCV_VIDEOIO_MSMF_ENABLE_HW_TRANSFORMS");
    ASSERT_NE(value, nullptr);
    EXPECT_STREQ(value, "0");
    unsetenv("OPENCV_VIDEOIO_MSMF_ENABLE_HW_TRANSFORMS");
    std::shared_ptr<CVideoCap> second = AcquireVideoCap("cam1");
    first.reset();
    std::shared_ptr<CVideoCap> third = AcquireVideoCap("cam0");
    ASSERT_TRUE(second && third);
    EXPECT_EQ(std::getenv("OPENCV_VIDEOIO_MSMF_ENABLE_HW_TRANSFORMS"), nullptr)
        << "set again by a later camera";
    // As the process had it.
    setenv("OPENCV_VIDEOIO_MSMF_ENABLE_HW_TRANSFORMS", "0", 1);
}

TEST_F(CameraTest, AtExitEveryReleaseThreadHasEndedEvenOneThatTakesTheReleaseMutexAfterClosing) {
    FakeCameraRig rig({{"cam0", "Camera"}, {"cam1", "Other"}});
    JoinCameraReleaseThreads();
    // This device closes only once the exit's join has taken the release list; its thread then takes
    // the release mutex while the exit joins it.
    rig.Camera(0).SetOnClose([] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (GetCameraReleaseThreadCount() != 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
    });
    std::shared_ptr<CVideoCap> slow = AcquireVideoCap("cam0");
    std::shared_ptr<CVideoCap> quick = AcquireVideoCap("cam1");
    ASSERT_TRUE(slow && quick);
    ASSERT_TRUE(WaitUntil([&] { return rig.Camera(0).IsStreaming() && rig.Camera(1).IsStreaming(); }));
    const uint64_t closedBefore = GetClosedCameraCount();
    slow.reset();
    quick.reset();
    EXPECT_EQ(GetCameraReleaseThreadCount(), 2U);

    std::future<void> exit = std::async(std::launch::async, [] { JoinCameraReleaseThreads(); });
    ASSERT_EQ(exit.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "the exit hangs";
    EXPECT_EQ(rig.Camera(0).Closes(), 1);
    EXPECT_EQ(rig.Camera(1).Closes(), 1);
    EXPECT_EQ(GetClosedCameraCount(), closedBefore + 2);
    EXPECT_EQ(GetCameraReleaseThreadCount(), 0U);
}

// --- Drawing --------------------------------------------------------------------------------------

class CaptureDrawTest : public CameraTest {
protected:
    CaptureDrawTest() : m_rig({{"cam0", "Camera"}}) { m_capture = AcquireVideoCap("cam0"); }

    // The capture holding a frame whose left half is red and right half blue.
    void DeliverHalves() {
        ASSERT_TRUE(WaitUntil([&] { return m_rig.Camera(0).IsStreaming(); }));
        QImage picture = Filled(80, 60, kRed);
        for (int y = 0; y < 60; ++y) {
            for (int x = 40; x < 80; ++x) {
                picture.setPixel(x, y, kBlue);
            }
        }
        ASSERT_TRUE(m_rig.Camera(0).Push(picture));
        ASSERT_TRUE(WaitUntil([&] { return m_capture->GetState() == CVideoCap::kFrame; }));
    }
    QImage DrawOverGreen(float sx, float sy, float sw, float sh, uint32_t tint, int32_t* result = nullptr) {
        QImage target = Filled(60, 40, kGreen).convertToFormat(QImage::Format_ARGB32);
        QPainter painter(&target);
        const int32_t drawn = m_capture->Draw(painter, 10, 5, 40, 30, sx, sy, sw, sh, tint);
        if (result != nullptr) {
            *result = drawn;
        }
        return target;
    }

    FakeCameraRig m_rig;
    std::shared_ptr<CVideoCap> m_capture;
};

TEST_F(CaptureDrawTest, BeforeTheFirstFrameTheTintDarkenedToAFifthAndTheWaitingText) {
    ASSERT_EQ(m_capture->GetState(), CVideoCap::kOpening);
    struct Case {
        uint32_t tint;
        QRgb fill; // over green
    };
    // 0x80 alpha blends half over the green; each channel x 51 / 255.
    for (const Case& c : {Case{CVideoCap::kNoTint, 0xFF333333U}, Case{0xFF0080FFU, qRgb(0, 25, 51)},
                          Case{0x80FFFFFFU, qRgb(26, 153, 26)}}) {
        int32_t result = -1;
        const QImage target = DrawOverGreen(0, 0, 1, 1, c.tint, &result);
        EXPECT_EQ(result, CVideoCap::kOpening);
        // Below the text's line.
        for (const QPoint& at : {QPoint(12, 30), QPoint(49, 34), QPoint(30, 25)}) {
            EXPECT_TRUE(Near(target.pixel(at), c.fill))
                << Hex(c.tint) << " at " << at.x() << "," << at.y() << ": " << Hex(target.pixel(at));
        }
        EXPECT_EQ(target.pixel(9, 5), kGreen);
        EXPECT_EQ(target.pixel(50, 20), kGreen);
    }
    TextRecorder recorder;
    {
        QPainter painter(&recorder);
        m_capture->Draw(painter, 0, 0, 40, 30, 0, 0, 1, 1, CVideoCap::kNoTint);
    }
    ASSERT_EQ(recorder.Texts().size(), 1U);
    EXPECT_EQ(recorder.Texts()[0].m_text, QString("Waiting for video input..."));
    EXPECT_EQ(recorder.Texts()[0].m_pen.rgba(), 0xFFC8C8C8U);
    EXPECT_EQ(recorder.Texts()[0].m_font.pointSize(), 9);
}

TEST_F(CaptureDrawTest, AfterAnEmptyReadTheUnavailableText) {
    DeliverHalves();
    ASSERT_TRUE(m_rig.Camera(0).Push(QVideoFrame()));
    ASSERT_TRUE(WaitUntil([&] { return m_capture->GetState() == CVideoCap::kEmptyRead; }));
    int32_t result = -1;
    EXPECT_TRUE(Near(DrawOverGreen(0, 0, 1, 1, CVideoCap::kNoTint, &result).pixel(30, 30), 0xFF333333U));
    EXPECT_EQ(result, CVideoCap::kEmptyRead);
    TextRecorder recorder;
    {
        QPainter painter(&recorder);
        m_capture->Draw(painter, 0, 0, 40, 30, 0, 0, 1, 1, CVideoCap::kNoTint);
    }
    ASSERT_EQ(recorder.Texts().size(), 1U);
    EXPECT_EQ(recorder.Texts()[0].m_text, QString("Video capture unavailable."));
}

TEST_F(CaptureDrawTest, TheSourceFractionsChooseThePartStretchedIntoTheRectangle) {
    DeliverHalves();
    struct Case {
        const char* what;
        float sx, sy, sw, sh;
        QRgb left, right; // of the rectangle
    };
    const std::vector<Case> cases{
        {"whole frame", 0, 0, 1, 1, kRed, kBlue},
        {"right half", 0.5F, 0, 0.5F, 1, kBlue, kBlue},
        {"left half", 0, 0, 0.5F, 1, kRed, kRed},
        {"beyond the frame is cut at its edge", 0.5F, 0, 2.0F, 1, kBlue, kBlue},
    };
    for (const Case& c : cases) {
        int32_t result = -1;
        const QImage target = DrawOverGreen(c.sx, c.sy, c.sw, c.sh, CVideoCap::kNoTint, &result);
        EXPECT_EQ(result, CVideoCap::kFrame) << c.what;
        for (int y : {5, 20, 34}) {
            EXPECT_EQ(target.pixel(10, y), c.left) << c.what << " y " << y;
            EXPECT_EQ(target.pixel(49, y), c.right) << c.what << " y " << y;
        }
        EXPECT_EQ(target.pixel(9, 20), kGreen) << c.what;
        EXPECT_EQ(target.pixel(50, 20), kGreen) << c.what;
        EXPECT_EQ(target.pixel(30, 35), kGreen) << c.what;
    }
    // Fractions that name nothing draw nothing and fail nothing.
    for (float bad : {0.0F, -1.0F, std::numeric_limits<float>::quiet_NaN()}) {
        int32_t result = -1;
        const QImage target = DrawOverGreen(0, 0, bad, 1, CVideoCap::kNoTint, &result);
        EXPECT_EQ(result, CVideoCap::kFrame);
        EXPECT_EQ(target.pixel(30, 20), kGreen);
    }
}

TEST_F(CaptureDrawTest, ATintScalesEachChannelAndBlendsAtItsAlpha) {
    DeliverHalves();
    struct Case {
        uint32_t tint;
        QRgb left, right; // red and blue frame halves over green
    };
    const std::vector<Case> cases{
        {0x80FFFFFFU, qRgb(128, 127, 0), qRgb(0, 127, 128)},
        {0xFF808080U, qRgb(128, 0, 0), qRgb(0, 0, 128)},
        {0xFF00FFFFU, qRgb(0, 0, 0), qRgb(0, 0, 255)},
        {0x80FF0000U, qRgb(128, 127, 0), qRgb(0, 127, 0)},
    };
    for (const Case& c : cases) {
        const QImage target = DrawOverGreen(0, 0, 1, 1, c.tint);
        EXPECT_TRUE(Near(target.pixel(12, 20), c.left)) << Hex(c.tint) << ": " << Hex(target.pixel(12, 20));
        EXPECT_TRUE(Near(target.pixel(47, 20), c.right)) << Hex(c.tint) << ": " << Hex(target.pixel(47, 20));
        EXPECT_EQ(target.pixel(50, 20), kGreen);
    }
}

} // namespace
} // namespace orv
