#include "core/TypeIds.h"
#include "overlay/COverlayDrawList.h"
#include "overlay/camera/CProbeVideoPreview.h"
#include "project/COverlayControl.h"
#include "project/QOverlayControlList.h"
#include "scandata/CSpatialScanData.h"
#include "tests/views/support/SpatialViewFixture.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <cmath>
#include <limits>
#include <string>

namespace orv::test {
namespace {

using orv::testing::PixelAt;

constexpr uint32_t kOverlayId = 7;

// A board outline and one line across its middle, in board coordinates 0..152 x 0..114.
class BoardDrawing : public COverlayDrawList {
public:
    size_t GetPrimitiveCount() const override { return 2; }
    void PaintPrimitive(QPainter& painter, size_t index) const override {
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(Qt::NoBrush);
        if (index == 0) {
            painter.drawRect(0, 0, 152, 114);
        } else {
            painter.drawLine(0, 57, 152, 57);
        }
    }
};

// Draws its frame as one colour with the given alpha, recording what it was asked.
class FakePreview : public CProbeVideoPreview {
public:
    void DrawPreview(QPainter& painter, const ProbePreviewPlacement& placement, int32_t x, int32_t y,
                     int32_t width, int32_t height, float sx, float sy, float sw, float sh,
                     uint32_t colour) override {
        ++calls;
        lastPlacement = placement;
        rect = QRect(x, y, width, height);
        source = QRectF(sx, sy, sw, sh);
        lastColour = colour;
        QColor fill(Qt::red);
        fill.setAlpha(static_cast<int>(colour >> 24));
        painter.fillRect(rect, fill);
    }
    int calls = 0;
    ProbePreviewPlacement lastPlacement{0.0F, 0};
    QRect rect;
    QRectF source;
    uint32_t lastColour = 0;
};

class FakeTrack : public CProbeVideoTrack {
public:
    void GetMarkerPosition(float& x, float& y) const override { x = y = 0.0F; }
    uint32_t GetFramesSinceDetected() const override { return 0; }
};

std::vector<int16_t> ThreeByFour() {
    std::vector<int16_t> values;
    for (int16_t i = 0; i < 12; ++i) {
        values.push_back(static_cast<int16_t>((i + 1) * 100));
    }
    return values;
}

// A 2 x 2 picture: red, green over blue, yellow (3 bytes a pixel, blue first).
std::unique_ptr<COverlayControl> FourColourPicture() {
    auto control = std::make_unique<COverlayControl>();
    control->SetOverlayId(kOverlayId);
    control->SetSourceKind(COverlayControl::kPixelImage);
    const uint8_t pixels[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 255, 255};
    EXPECT_TRUE(control->SetPixels(pixels, 2, 2, 3));
    return control;
}

class OverlayLayersTest : public SpatialViewTest {
protected:
    ~OverlayLayersTest() override { SetProbeVideoTrackAcquirer({}); }

    // A Spatial node showing a grid with the given overlay record; the map drawn once.
    CSpatialView& Show(const CScanAreaRecord& area, uint16_t rows = 3, uint16_t columns = 4,
                       std::vector<int16_t> values = ThreeByFour()) {
        Open(kTypeSpatialScanNode);
        View().SetOverlayControls(&overlays);
        View().SetOverlayDrawLists([this](uint32_t id, int32_t /*quarterTurns*/) -> const COverlayDrawList* {
            return id == kOverlayId ? &drawing : nullptr;
        });
        QSpatialScanAddition addition = SpatialGrid(1, rows, columns, std::move(values));
        addition.m_Record.m_Area = area;
        EXPECT_TRUE(mediator->AddSpatialScanData(addition, false, false));
        mediator->ShowScanData(1);
        Pump();
        View().RedrawView(nullptr, CSpatialView::kRedrawMap);
        return View();
    }
    static CScanAreaRecord DrawingArea() {
        CScanAreaRecord area;
        area.m_OverlayId = kOverlayId;
        area.m_Values = {0.25F, 0.25F};
        area.m_Right = 152; // half the width of 4 columns
        area.m_Bottom = 114;
        return area;
    }
    static CScanAreaRecord PictureArea(int8_t rotation, uint32_t opacity) {
        CScanAreaRecord area;
        area.m_Variant = 1;
        area.m_OverlayId = kOverlayId;
        area.m_RotationCount = rotation;
        area.m_OtherValues = {0.0F, 0.0F, 1.0F, 1.0F};
        area.m_OtherWord = opacity;
        return area;
    }
    void AddDrawingControl() {
        auto control = std::make_unique<COverlayControl>();
        control->SetOverlayId(kOverlayId);
        overlays.Add(std::move(control), false);
    }
    void SetFlags(bool show, bool blend) {
        for (QSpatialDisplayOptions* options : {&mediator->spatialDisplay, &preferences->spatialDisplay}) {
            options->m_flag6 = show ? 1 : 0;
            options->m_flag7 = blend ? 1 : 0;
        }
    }
    // The back buffer drawn again (the map rebuilt) with the current settings.
    QImage Redraw() {
        View().GetMessageTarget().Post(CSpatialView::kSpatialRepaintMessage, 0, 2);
        Pump();
        View().RedrawView(nullptr, CSpatialView::kRedrawMap);
        return View().GetBackBuffer().copy();
    }
    QPoint Origin() {
        const QRect map = View().GetMapRect();
        return {map.left(), map.top() - CSpatialView::kTopMargin};
    }
    CSpatialScanData& Scan() { return *mediator->GetCurrentSpatialScanData(); }

    QOverlayControlList overlays;
    BoardDrawing drawing;
};

int Mix(int under, int over, double alpha) {
    return static_cast<int>(std::lround(under * (1.0 - alpha) + over * alpha));
}

TEST_F(OverlayLayersTest, DrawingOverlayBlendedOrNotOverTheHeatMap) {
    AddDrawingControl();
    CSpatialView& view = Show(DrawingArea());
    SetFlags(false, false);
    const QImage heatMap = Redraw();
    const QPoint origin = Origin();

    // The layer: the grid's size, white, the board framed at the viewport's origin and extent.
    const QImage& layer = view.GetOverlayLayer();
    const float s = view.GetCellSize();
    ASSERT_EQ(layer.size(), QSize(static_cast<int>(4.0F * s), static_cast<int>(3.0F * s)));
    const CScanAreaRecord area = DrawingArea();
    const QRect board(static_cast<int>(layer.width() * 0.25), static_cast<int>(layer.height() * 0.25),
                      static_cast<int>(layer.width() * CSpatialScanData::AreaWidthFraction(area, 4)),
                      static_cast<int>(layer.height() * CSpatialScanData::AreaHeightFraction(area, 3)));
    EXPECT_EQ(PixelAt(layer, board.left(), board.top()), Qt::black);
    EXPECT_EQ(PixelAt(layer, board.right(), board.bottom()), Qt::black);
    // (The drawing's own outline lies on the frame's far edges, a unit of the board beyond it.)
    EXPECT_EQ(PixelAt(layer, board.right() + 3, board.bottom() + 3), Qt::white);
    EXPECT_EQ(PixelAt(layer, board.left() - 1, board.top() - 1), Qt::white);
    EXPECT_EQ(PixelAt(layer, board.center().x(), board.top() + board.height() / 2), Qt::black); // the line
    EXPECT_EQ(PixelAt(layer, board.center().x(), board.top() + board.height() / 4), Qt::white);

    // Blending off: the drawing's black pixels black, every other pixel the heat map's.
    SetFlags(true, false);
    QImage composed = Redraw();
    int blackPixels = 0;
    for (int y = 0; y < layer.height(); ++y) {
        for (int x = 0; x < layer.width(); ++x) {
            const bool black = layer.pixel(x, y) == qRgb(0, 0, 0);
            blackPixels += black ? 1 : 0;
            const QRgb expected = black ? qRgb(0, 0, 0) : heatMap.pixel(origin.x() + x, origin.y() + y);
            ASSERT_EQ(composed.pixel(origin.x() + x, origin.y() + y), expected) << x << "," << y;
        }
    }
    EXPECT_GT(blackPixels, board.width());

    // Blending at 40 %: the layer mixed in inside the board, outside it the heat map untouched.
    mediator->overlay.m_pictureInt = 40;
    SetFlags(true, true);
    composed = Redraw();
    const QPoint inside(origin.x() + board.center().x(), origin.y() + board.top() + board.height() / 4);
    const QColor under = QColor(heatMap.pixel(inside));
    const QColor got = QColor(composed.pixel(inside));
    EXPECT_NEAR(got.red(), Mix(under.red(), 255, 0.4), 2);
    EXPECT_NEAR(got.green(), Mix(under.green(), 255, 0.4), 2);
    EXPECT_NEAR(got.blue(), Mix(under.blue(), 255, 0.4), 2);
    const QPoint line(origin.x() + board.center().x(), origin.y() + board.top() + board.height() / 2);
    EXPECT_NEAR(QColor(composed.pixel(line)).red(), Mix(QColor(heatMap.pixel(line)).red(), 0, 0.4), 2);
    for (const QPoint outside : {QPoint(origin.x() + 2, origin.y() + 2),
                                 QPoint(origin.x() + layer.width() - 3, origin.y() + layer.height() - 3)}) {
        EXPECT_EQ(composed.pixel(outside), heatMap.pixel(outside));
    }
    EXPECT_EQ(view.GetPictureRect(), view.GetMapRect());

    // Opacity 0 while blending counts as 50, and 50 is stored.
    mediator->overlay.m_pictureInt = 0;
    composed = Redraw();
    EXPECT_EQ(mediator->overlay.m_pictureInt, 50);
    EXPECT_NEAR(QColor(composed.pixel(inside)).red(), Mix(under.red(), 255, 0.5), 2);
}

TEST_F(OverlayLayersTest, ZoomedDrawingShowsOnlyTheZoomedPartScaledToTheMap) {
    AddDrawingControl();
    CSpatialView& view = Show(DrawingArea());
    SetFlags(true, false);
    const QImage whole = view.GetOverlayLayer().copy();
    const float s0 = view.GetCellSize();
    // Rows 1 to 2, columns 1 to 2: the board's middle line is in it.
    Scan().m_SpatialZoomed = 1;
    Scan().m_SpatialZoomWindow = {1, 1, 2, 2};
    const QImage composed = Redraw();
    const float s = view.GetCellSize();
    ASSERT_GT(s, s0);
    const QImage& layer = view.GetOverlayLayer();
    const QPoint origin = Origin();
    // Every black pixel of the layer inside the zoom window lands black on the map at the new scale.
    int checked = 0;
    for (int y = static_cast<int>(s); y < static_cast<int>(3.0F * s); ++y) {
        for (int x = static_cast<int>(s); x < static_cast<int>(3.0F * s); ++x) {
            if (layer.pixel(x, y) == qRgb(0, 0, 0)) {
                ++checked;
                ASSERT_EQ(composed.pixel(origin.x() + x - static_cast<int>(s),
                                         origin.y() + y - static_cast<int>(s)),
                          qRgb(0, 0, 0));
            }
        }
    }
    EXPECT_GT(checked, 0);
    EXPECT_NE(whole.size(), layer.size());
}

TEST_F(OverlayLayersTest, PictureTurnsLoadsAndPlacement) {
    overlays.Add(FourColourPicture(), false);
    const QRgb red = qRgb(255, 0, 0);
    const QRgb green = qRgb(0, 255, 0);
    const QRgb blue = qRgb(0, 0, 255);
    const QRgb yellow = qRgb(255, 255, 0);
    struct Row {
        int8_t rotation;
        std::array<QRgb, 4> quadrants; // top left, top right, bottom left, bottom right
    };
    const Row rows[] = {
        {0, {red, green, blue, yellow}},  {1, {blue, red, yellow, green}},  {2, {yellow, blue, green, red}},
        {-1, {green, yellow, red, blue}}, {-5, {green, yellow, red, blue}}, {127, {green, yellow, red, blue}},
    };
    CSpatialView& view = Show(PictureArea(0, 100));
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.rotation));
        Scan().m_ScanArea.m_RotationCount = row.rotation;
        const QImage composed = Redraw();
        const QPoint origin = Origin();
        const int w = static_cast<int>(4.0F * view.GetCellSize());
        const int h = static_cast<int>(3.0F * view.GetCellSize());
        EXPECT_EQ(composed.pixel(origin.x() + w / 4, origin.y() + h / 4), row.quadrants[0]);
        EXPECT_EQ(composed.pixel(origin.x() + 3 * w / 4, origin.y() + h / 4), row.quadrants[1]);
        EXPECT_EQ(composed.pixel(origin.x() + w / 4, origin.y() + 3 * h / 4), row.quadrants[2]);
        EXPECT_EQ(composed.pixel(origin.x() + 3 * w / 4, origin.y() + 3 * h / 4), row.quadrants[3]);
        EXPECT_EQ(view.GetPictureRect(), QRect(view.GetMapRect().left(), view.GetMapRect().top(), w, h));
    }
    // One load a rotation; drawing again with the same id and rotation loads nothing.
    EXPECT_EQ(view.GetPictureLoadCount(), 6);
    Redraw();
    EXPECT_EQ(view.GetPictureLoadCount(), 6);
}

TEST_F(OverlayLayersTest, FaintPictureShowsItsFrameAndOpacityAbove100IsFull) {
    overlays.Add(FourColourPicture(), false);
    CSpatialView& view = Show(PictureArea(0, 0));
    SetFlags(false, false);
    const QImage heatMap = Redraw();
    SetFlags(true, false);
    QImage composed = Redraw();
    const QRect drawn = view.GetPictureRect().translated(0, -CSpatialView::kTopMargin);
    EXPECT_EQ(composed.pixel(drawn.topLeft()), 0xFFA0A0A0U);
    EXPECT_EQ(composed.pixel(drawn.bottomRight()), 0xFFA0A0A0U);
    EXPECT_EQ(composed.pixel(drawn.center()), heatMap.pixel(drawn.center()));

    Scan().m_ScanArea.m_OtherWord = 1000;
    composed = Redraw();
    EXPECT_EQ(composed.pixel(drawn.left() + drawn.width() / 4, drawn.top() + drawn.height() / 4),
              qRgb(255, 0, 0));
    EXPECT_NE(composed.pixel(drawn.topLeft()), 0xFFA0A0A0U);
}

TEST_F(OverlayLayersTest, CameraPreviewOverTheZoomWindowAndIntoTheTexture) {
    auto track = std::make_shared<FakeTrack>();
    SetProbeVideoTrackAcquirer([track](const std::string&) { return track; });
    AddDrawingControl();
    FakePreview preview;
    CSpatialView& view = Show(DrawingArea());
    view.SetProbePreview(&preview);
    ASSERT_TRUE(mediator->StartProbeVideoTrack("camera0"));
    SetFlags(true, true);
    mediator->overlay.m_pictureInt = 0;
    Scan().m_SpatialZoomed = 1;
    Scan().m_SpatialZoomWindow = {1, 2, 2, 3};
    const QImage composed = Redraw();
    ASSERT_GE(preview.calls, 1);
    EXPECT_EQ(mediator->overlay.m_pictureInt, 50);
    EXPECT_EQ(preview.lastColour, 0x7FFFFFFFU);
    EXPECT_EQ(preview.lastPlacement.m_scale, 1.0F);
    EXPECT_EQ(preview.lastPlacement.m_tint, -1);
    const float s = view.GetCellSize();
    const QPoint origin = Origin();
    EXPECT_EQ(preview.rect,
              QRect(origin.x(), origin.y(), static_cast<int>(2.0F * s), static_cast<int>(2.0F * s)));
    EXPECT_FLOAT_EQ(preview.source.x(), 0.5F);
    EXPECT_FLOAT_EQ(preview.source.y(), 1.0F / 3.0F);
    EXPECT_FLOAT_EQ(preview.source.width(), 0.5F);
    EXPECT_FLOAT_EQ(preview.source.height(), 2.0F / 3.0F);
    // Red at alpha 127 over the map.
    const QColor got(composed.pixel(preview.rect.center()));
    EXPECT_GT(got.red(), 120);
    EXPECT_LT(got.red(), 255);

    view.ComposeLayers(true);
    EXPECT_EQ(view.GetTextureLayer().size(), preview.rect.size());
    EXPECT_EQ(preview.lastColour, 0xFFFFFFFFU);
    EXPECT_EQ(PixelAt(view.GetTextureLayer(), 3, 3), QColor(Qt::red));
    mediator->StopProbeVideoTrack();
}

// A camera's tracker draws its own preview: with none set on the view, the node's track is asked.
TEST_F(OverlayLayersTest, CameraTrackerDrawsItsOwnPreview) {
    class TrackWithPreview : public FakeTrack, public FakePreview {};
    auto track = std::make_shared<TrackWithPreview>();
    SetProbeVideoTrackAcquirer([track](const std::string&) { return track; });
    AddDrawingControl();
    Show(DrawingArea());
    ASSERT_TRUE(mediator->StartProbeVideoTrack("camera0"));
    SetFlags(true, true);
    Redraw();
    EXPECT_GE(track->calls, 1);
    mediator->StopProbeVideoTrack();
}

TEST_F(OverlayLayersTest, TextureSizeFollowsTheOpenGLVersionAndDrawingsGoInWhiteTransparent) {
    AddDrawingControl();
    CSpatialView& view = Show(DrawingArea());
    SetFlags(true, false);
    Redraw();
    ASSERT_NE(view.Get3DView(), nullptr);
    const QSize zoom(static_cast<int>(4.0F * view.GetCellSize()),
                     static_cast<int>(3.0F * view.GetCellSize()));
    struct Row {
        double version;
        QSize size;
    };
    for (const Row& row : {Row{1.5, QSize(512, 512)}, Row{2.1, zoom}}) {
        view.Get3DView()->SetOpenGLVersion(row.version);
        view.ComposeLayers(true);
        EXPECT_EQ(view.GetTextureLayer().size(), row.size) << row.version;
    }
    // At 2.1 the texture is the layer with white as the background: the line black, the rest white.
    const QImage& texture = view.GetTextureLayer();
    const QImage& layer = view.GetOverlayLayer();
    for (int y = 0; y < layer.height(); ++y) {
        for (int x = 0; x < layer.width(); ++x) {
            ASSERT_EQ(texture.pixel(x, y), layer.pixel(x, y));
        }
    }
}

TEST_F(OverlayLayersTest, LayerRemadeOnlyForACellSizeChangeOrWhenAsked) {
    AddDrawingControl();
    CSpatialView& view = Show(DrawingArea());
    const int built = view.GetOverlayBuildCount();
    ASSERT_GE(built, 1);
    // A cut-off change remaps colours only.
    view.SetOverlayTransparency(30);
    Pump();
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    EXPECT_EQ(view.GetOverlayBuildCount(), built);
    // The scan asks (its overlay changed): remade, and the request is taken.
    mediator->overlay.m_pictureFlags[1] = 1;
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    EXPECT_EQ(view.GetOverlayBuildCount(), built + 1);
    EXPECT_EQ(mediator->overlay.m_pictureFlags[1], 0);
    // Another cell size: remade at it.
    view.resize(1000, 800);
    view.RedrawView(nullptr, CSpatialView::kRedrawMap);
    EXPECT_EQ(view.GetOverlayBuildCount(), built + 2);
    EXPECT_EQ(view.GetOverlayLayer().width(), static_cast<int>(4.0F * view.GetCellSize()));
}

TEST_F(OverlayLayersTest, OddPlacementsDrawWithoutAFault) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float huge = std::numeric_limits<float>::max();
    struct Row {
        const char* name;
        bool picture;
        std::array<float, 2> offset;
        std::array<float, 4> placement;
        uint16_t rows;
        uint16_t columns;
    };
    const Row rows[] = {
        {"drawing, NaN offsets", false, {nan, nan}, {}, 3, 4},
        {"drawing, huge offsets", false, {huge, -huge}, {}, 3, 4},
        {"drawing, 1 x 1 grid", false, {0.0F, 0.0F}, {}, 1, 1},
        {"picture, NaN placement", true, {}, {nan, 0.0F, 1.0F, nan}, 3, 4},
        {"picture, huge placement", true, {}, {-huge, huge, huge, 1.0F}, 3, 4},
        {"picture, 1 x 1 grid", true, {}, {0.0F, 0.0F, 1.0F, 1.0F}, 1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        overlays.Clear();
        if (row.picture) {
            overlays.Add(FourColourPicture(), false);
        } else {
            AddDrawingControl();
        }
        CScanAreaRecord area = row.picture ? PictureArea(127, 1000) : DrawingArea();
        area.m_Values = row.offset;
        if (row.picture) {
            area.m_OtherValues = row.placement;
        }
        CSpatialView& view = Show(area, row.rows, row.columns,
                                  std::vector<int16_t>(static_cast<size_t>(row.rows) * row.columns, 500));
        SetFlags(true, true);
        const QImage composed = Redraw();
        view.ComposeLayers(true);
        EXPECT_FALSE(composed.isNull());
    }
}

} // namespace
} // namespace orv::test
