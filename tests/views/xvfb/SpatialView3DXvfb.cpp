// The 3D view of a spatial view on a real X server (Xvfb) with Mesa's software renderer, driven by
// real mouse and wheel events: the scene read back (background, grid lines, surface colours), the
// picture plane's height and opacity under the wheel and under camera tracking, the trackball's
// constrained turns, the start timer's texture upload and the context menu's point.

#include "core/QColourPalette.h"
#include "core/QManagers.h"
#include "core/TypeIds.h"
#include "overlay/camera/CProbeVideoPreview.h"
#include "platform/log/InformationLog.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/COverlayControl.h"
#include "project/QOverlayControlList.h"
#include "project/QProbeVideoTrack.h"
#include "scandata/CSpatialScanData.h"
#include "tests/views/support/SpatialViewFixture.h"
#include "views/spatial/C3DSpatialView.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace orv::test {
namespace {

using orv::testing::FlushEvents;

constexpr uint32_t kOverlayId = 7;
constexpr int16_t kNone = 30000;
constexpr int32_t kPalette = -10;
constexpr int kRows = 4;
constexpr int kColumns = 6;

// Columns 0 to 2 measured (10 to 120 dBuV row by row), columns 3 to 5 without data.
std::vector<int16_t> HalfMeasured() {
    std::vector<int16_t> values;
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            values.push_back(c < 3 ? static_cast<int16_t>(100 * (1 + r * 3 + c)) : kNone);
        }
    }
    return values;
}

// A 2 x 2 picture: red, green over blue, yellow.
std::unique_ptr<COverlayControl> FourColourPicture() {
    auto control = std::make_unique<COverlayControl>();
    control->SetOverlayId(kOverlayId);
    control->SetSourceKind(COverlayControl::kPixelImage);
    const uint8_t pixels[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 255, 255};
    EXPECT_TRUE(control->SetPixels(pixels, 2, 2, 3));
    return control;
}

class StillTrack : public CProbeVideoTrack {
public:
    void GetMarkerPosition(float& x, float& y) const override { x = y = 0.0F; }
    uint32_t GetFramesSinceDetected() const override { return 0; }
};

// The camera frame as one opaque blue.
class BluePreview : public CProbeVideoPreview {
public:
    void DrawPreview(QPainter& painter, const ProbePreviewPlacement& /*placement*/, int32_t x, int32_t y,
                     int32_t width, int32_t height, float /*sx*/, float /*sy*/, float /*sw*/, float /*sh*/,
                     uint32_t /*colour*/) override {
        painter.fillRect(QRect(x, y, width, height), Qt::blue);
    }
};

// A spatial view that records its context menu requests.
class MenuRecordingView : public CSpatialView {
public:
    using CSpatialView::CSpatialView;
    struct Request {
        uint32_t flags;
        int32_t x;
        int32_t y;
    };
    void ShowContextMenu(uint32_t flags, int32_t x, int32_t y) override { requests.push_back({flags, x, y}); }
    std::vector<Request> requests;
};

int Distance(const QColor& a, const QColor& b) {
    return std::max(
        {std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

class SpatialView3DXvfb : public SpatialViewTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            GTEST_SKIP() << "runs on an X server (Xvfb)";
        }
        CGLEnabledView::ResetRenderingGuardForTest();
        previousSink = InformationLog::Instance().SetSink(
            [this](uint8_t /*kind*/, const std::string& line) { logLines.push_back(line); });
        factory.makeSpatialView = [](MessageThread& thread) {
            return std::make_unique<MenuRecordingView>(thread);
        };
    }
    void TearDown() override {
        InformationLog::Instance().SetSink(previousSink);
        SetProbeVideoTrackAcquirer({});
        CGLEnabledView::ResetRenderingGuardForTest();
    }

    // A Spatial node showing the half-measured grid in 3D; with `picture`, the node shows its
    // overlay, a board picture over the whole grid.
    C3DSpatialView& Show(bool picture) {
        Open(kTypeSpatialScanNode);
        View().SetOverlayControls(&overlays);
        mediator->spatialDisplay.SetPaletteId(kPalette);
        preferences->spatialDisplay.SetPaletteId(kPalette);
        QSpatialScanAddition addition = SpatialGrid(1, kRows, kColumns, HalfMeasured());
        if (picture) {
            overlays.Add(FourColourPicture(), false);
            addition.m_Record.m_Area.m_Variant = 1;
            addition.m_Record.m_Area.m_OverlayId = kOverlayId;
            addition.m_Record.m_Area.m_OtherValues = {0.0F, 0.0F, 1.0F, 1.0F};
            addition.m_Record.m_Area.m_OtherWord = 100;
            mediator->spatialDisplay.m_flag6 = 1;
        }
        EXPECT_TRUE(mediator->AddSpatialScanData(addition, false, false));
        mediator->ShowScanData(1);
        Pump();
        // A small map area keeps the software renderer quick: 33 pixels a cell.
        View().resize(400, 350);
        View().Show3DView(true);
        View().RedrawView(nullptr, CSpatialView::kRedrawMap);
        Pump();
        FlushEvents();
        C3DSpatialView& view = *View().Get3DView();
        EXPECT_TRUE(view.isVisible());
        EXPECT_TRUE(view.HasContext());
        return view;
    }
    MenuRecordingView& Recording() { return static_cast<MenuRecordingView&>(View()); }

    // Where a point of the grid's own coordinates (before the centring) lands in the window, with
    // the identity rotation: the base's 40-degree perspective seen from 4 units away.
    static QPointF Project(const C3DSpatialView& view, float x, float y, float z) {
        const float s = C3DSurface::CellSceneSize(kColumns, kRows);
        const double ex = x - (kColumns - 1) * s / 2.0;
        const double ey = y - (kRows - 1) * s / 2.0;
        const double ez = z - 0.5 - 4.0;
        const double f = 1.0 / std::tan(20.0 * std::numbers::pi / 180.0);
        const double aspect = static_cast<double>(view.width()) / view.height();
        const double nx = f / aspect * ex / -ez;
        const double ny = f * ey / -ez;
        return {(nx + 1.0) / 2.0 * view.width(), (1.0 - ny) / 2.0 * view.height()};
    }
    // The centre of cell (row, column) at height z.
    static QPoint CellCentre(const C3DSpatialView& view, int row, int column, float z) {
        const float s = C3DSurface::CellSceneSize(kColumns, kRows);
        return Project(view, (column + 0.5F) * s, (row + 0.5F) * s, z).toPoint();
    }
    QColor PaletteColour(int32_t index) {
        const QColourPalette* palette = GetColourPaletteManager().Find(kPalette);
        EXPECT_NE(palette, nullptr);
        return palette == nullptr
                   ? QColor()
                   : QColor(palette->GetRed(index), palette->GetGreen(index), palette->GetBlue(index));
    }
    static void Wheel(C3DSpatialView& view, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QPointF at(view.width() / 2.0, view.height() / 2.0);
        QWheelEvent event(at, view.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &event);
    }
    int VersionLines() const {
        int count = 0;
        for (const std::string& line : logLines) {
            count += line.find("OpenGL Version:  ") != std::string::npos ? 1 : 0;
        }
        return count;
    }

    QOverlayControlList overlays;
    std::vector<std::string> logLines;
    InformationLog::Sink previousSink;
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
};

TEST_F(SpatialView3DXvfb, TheSceneShowsGreyCornersBlueGridLinesAndTheSurfaceInThePalettesColours) {
    C3DSpatialView& view = Show(false);
    const QImage frame = view.GrabFrame();
    ASSERT_FALSE(frame.isNull());
    std::filesystem::create_directories(ORV_SCREENSHOT_DIR);
    EXPECT_TRUE(frame.save(QStringLiteral(ORV_SCREENSHOT_DIR "/spatial-3d-view.png")));
    const QColor grey(247, 247, 247);
    for (const QPoint corner : {QPoint(2, 2), QPoint(frame.width() - 3, 2), QPoint(2, frame.height() - 3),
                                QPoint(frame.width() - 3, frame.height() - 3)}) {
        EXPECT_LE(Distance(frame.pixelColor(corner), grey), 2) << corner.x() << "," << corner.y();
    }

    // The grid line between rows 1 and 2 across the unmeasured column 4, within a pixel or two.
    const float s = C3DSurface::CellSceneSize(kColumns, kRows);
    const QPoint line = Project(view, 4.5F * s, 2.0F * s, 0.0F).toPoint();
    int best = 255;
    for (int dy = -2; dy <= 2; ++dy) {
        best = std::min(best, Distance(frame.pixelColor(line.x(), line.y() + dy), QColor(51, 128, 204)));
    }
    EXPECT_LE(best, 3);
    EXPECT_LE(Distance(frame.pixelColor(CellCentre(view, 1, 4, 0.0F)), grey), 2) << "no surface without data";

    // Each measured cell's plateau in its palette colour, rows running up the screen.
    const int32_t highest = view.GetSurface().HighestIndex();
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < 3; ++c) {
            const int32_t index = View().GetCell(r, c).m_ColourIndex;
            const QPoint at = CellCentre(view, r, c, C3DSurface::Height(index, highest));
            EXPECT_LE(Distance(frame.pixelColor(at), PaletteColour(index)), 2)
                << "cell " << r << "," << c << " index " << index;
        }
    }
    EXPECT_EQ(view.GetLastError(), 0);
    EXPECT_TRUE(prompt->Requests().empty());
}

TEST_F(SpatialView3DXvfb, ThePlaneStartsOnTheHighestPointAndTheWheelMovesItAndItsOpacityWithin0To100) {
    C3DSpatialView& view = Show(true);
    view.RenderFrame();
    ASSERT_NE(view.GetTexture(), 0u);
    EXPECT_FLOAT_EQ(view.GetMaxHeight(), 0.65F);
    const int32_t placed = static_cast<int32_t>(std::trunc(view.GetMaxHeight() * 100.0F));
    EXPECT_EQ(view.GetPlaneHeight(), placed);
    EXPECT_FLOAT_EQ(view.GetDrawnPlaneOpacity(), 0.75F);

    struct Step {
        int delta;
        Qt::KeyboardModifiers modifiers;
        int32_t height;
        int32_t opacity;
    };
    const Step steps[] = {
        {120, Qt::ControlModifier, placed + 1, 75}, {-360, Qt::ShiftModifier, placed - 2, 75},
        {60, Qt::ControlModifier, placed - 2, 75}, // half a notch: nothing yet
        {60, Qt::ControlModifier, placed - 1, 75}, // the other half
        {120 * 500, Qt::ControlModifier, 100, 75},  {-120 * 500, Qt::ShiftModifier, 0, 75},
        {120 * 40, Qt::NoModifier, 0, 100},         {-120, Qt::NoModifier, 0, 99},
        {-120 * 1000, Qt::NoModifier, 0, 0},
    };
    for (const Step& step : steps) {
        Wheel(view, step.delta, step.modifiers);
        EXPECT_EQ(view.GetPlaneHeight(), step.height) << step.delta;
        EXPECT_EQ(view.GetPlaneOpacity(), step.opacity) << step.delta;
    }

    // The picture's green quarter over the unmeasured cell (0, 4), at the opacity stored.
    Wheel(view, 120 * 10, Qt::NoModifier);
    Wheel(view, 120 * 64, Qt::ControlModifier);
    const auto planeZ = static_cast<float>(view.GetPlaneHeight()) / 100.0F;
    QImage frame = view.GrabFrame();
    EXPECT_LE(Distance(frame.pixelColor(CellCentre(view, 0, 4, planeZ)), QColor(222, 248, 222)), 3);
    Wheel(view, 120 * 90, Qt::NoModifier);
    frame = view.GrabFrame();
    EXPECT_LE(Distance(frame.pixelColor(CellCentre(view, 0, 4, planeZ)), QColor(0, 255, 0)), 3);
    EXPECT_EQ(view.GetLastError(), 0);
}

TEST_F(SpatialView3DXvfb, UnderCameraTrackingThePlaneIsDrawnAt75PercentWhateverTheStoredOpacity) {
    auto track = std::make_shared<StillTrack>();
    SetProbeVideoTrackAcquirer([track](const std::string&) { return track; });
    C3DSpatialView& view = Show(true);
    BluePreview preview;
    View().SetProbePreview(&preview);
    Wheel(view, -120 * 65, Qt::NoModifier);
    ASSERT_EQ(view.GetPlaneOpacity(), 10);
    ASSERT_TRUE(mediator->StartProbeVideoTrack("camera0"));
    const int uploads = view.GetTextureUploadCount();
    const QImage frame = view.GrabFrame();
    EXPECT_FLOAT_EQ(view.GetDrawnPlaneOpacity(), 0.75F);
    EXPECT_GT(view.GetTextureUploadCount(), uploads) << "the camera frame is taken at every frame";
    const auto planeZ = static_cast<float>(view.GetPlaneHeight()) / 100.0F;
    // Blue at 75 % over the grey.
    EXPECT_LE(Distance(frame.pixelColor(CellCentre(view, 1, 4, planeZ)), QColor(62, 62, 253)), 3);
    mediator->StopProbeVideoTrack();
    view.GrabFrame();
    EXPECT_FLOAT_EQ(view.GetDrawnPlaneOpacity(), 0.10F);
}

// The axis of q's turn.
vec3 Axis(const quaternion& q) {
    return q.v.Normalized();
}

quaternion Conjugate(const quaternion& q) {
    return {q.w, -q.v.x, -q.v.y, -q.v.z};
}

// The one axis of the set parallel to `axis` (|dot| near 1), -1 when none is.
int ParallelTo(const vec3& axis, const std::array<vec3, 3>& set) {
    int found = -1;
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(std::fabs(axis.Dot(set[static_cast<size_t>(i)].Normalized())) - 1.0F) < 1e-3F) {
            found = i;
        }
    }
    return found;
}

TEST_F(SpatialView3DXvfb, AControlDragTurnsAboutOneCameraAxisAndAShiftDragAboutOneObjectAxis) {
    C3DSpatialView& view = Show(false);
    const QPoint centre(view.width() / 2, view.height() / 2);
    const int frames = view.GetFrameCount();
    const size_t selected = tree.selected.size();
    QTest::mousePress(&view, Qt::LeftButton, Qt::ControlModifier, centre + QPoint(20, 10));
    EXPECT_TRUE(view.IsCaptured());
    ASSERT_EQ(tree.selected.size(), selected + 1) << "the node follows in the tree";
    EXPECT_EQ(tree.selected.back(), mediator.get());
    QTest::mouseMove(&view, centre + QPoint(70, 40));
    QTest::mouseMove(&view, centre + QPoint(90, 70));
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::ControlModifier, centre + QPoint(90, 70));
    EXPECT_FALSE(view.IsCaptured());
    EXPECT_GE(view.GetFrameCount(), frames + 2) << "a frame at each move while held";
    const quaternion afterControl = view.GetBall().GetCurrentRotation();
    EXPECT_LT(afterControl.w, 0.9999F) << "the scene turned";
    EXPECT_GE(ParallelTo(Axis(afterControl), view.GetBall().GetCameraAxes()), 0);

    // A free drag tilts the object's axes away from the camera's.
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, centre);
    QTest::mouseMove(&view, centre + QPoint(-60, 45));
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, centre + QPoint(-60, 45));
    const std::array<vec3, 3> objectAxes = view.GetBall().GetObjectAxes();
    for (const vec3& axis : objectAxes) {
        EXPECT_LT(ParallelTo(axis, view.GetBall().GetCameraAxes()), 0);
    }

    const quaternion before = view.GetBall().GetCurrentRotation();
    QTest::mousePress(&view, Qt::LeftButton, Qt::ShiftModifier, centre + QPoint(30, -20));
    QTest::mouseMove(&view, centre + QPoint(80, 10));
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::ShiftModifier, centre + QPoint(80, 10));
    // current = before x turn
    quaternion turn = Conjugate(before);
    turn *= view.GetBall().GetCurrentRotation();
    EXPECT_LT(std::fabs(turn.w), 0.9999F);
    EXPECT_GE(ParallelTo(Axis(turn), objectAxes), 0);
    EXPECT_LT(ParallelTo(Axis(turn), view.GetBall().GetCameraAxes()), 0);
    EXPECT_EQ(view.GetLastError(), 0);
}

TEST_F(SpatialView3DXvfb, TheStartTimerUploadsOneTextureAndTheVersionIsLoggedOnce) {
    C3DSpatialView& view = Show(true);
    ASSERT_NE(view.GetTexture(), 0u);
    ASSERT_EQ(VersionLines(), 1);
    EXPECT_GT(view.GetOpenGLVersion(), 1.0);
    for (int round = 0; round < 2; ++round) {
        const int uploads = view.GetTextureUploadCount();
        view.GetMessageTarget().Send(C3DSpatialView::kStartTimerMessage);
        EXPECT_TRUE(view.IsStartTimerRunning());
        view.OnTimer(C3DSpatialView::kStartTimerId);
        EXPECT_FALSE(view.IsStartTimerRunning());
        EXPECT_FALSE(view.IsTextureDirty());
        EXPECT_EQ(view.GetTextureUploadCount(), uploads + 1);
        // Frames without the timer keep the texture.
        view.GetMessageTarget().Send(C3DSpatialView::kRedrawMessage);
        EXPECT_EQ(view.GetTextureUploadCount(), uploads + 1);
    }
    EXPECT_EQ(VersionLines(), 1);
}

TEST_F(SpatialView3DXvfb, ARightClickOpensTheOwnersMenu50PixelsLowerAndModifierKeysAreTracked) {
    C3DSpatialView& view = Show(false);
    QTest::mouseClick(&view, Qt::RightButton, Qt::ShiftModifier, QPoint(120, 80));
    ASSERT_EQ(Recording().requests.size(), 1u);
    EXPECT_EQ(Recording().requests[0].flags, CSpatialView::kMouseShift);
    EXPECT_EQ(Recording().requests[0].x, 120);
    EXPECT_EQ(Recording().requests[0].y, 130);

    view.setFocus();
    QTest::keyPress(&view, Qt::Key_Control);
    QTest::keyPress(&view, Qt::Key_Shift);
    EXPECT_TRUE(view.IsControlDown());
    EXPECT_TRUE(view.IsShiftDown());
    QTest::keyRelease(&view, Qt::Key_Control);
    EXPECT_FALSE(view.IsControlDown());
    EXPECT_TRUE(view.IsShiftDown());
    QTest::keyRelease(&view, Qt::Key_Shift);
    EXPECT_FALSE(view.IsShiftDown());
}

} // namespace
} // namespace orv::test
