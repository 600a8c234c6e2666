#include "overlay/COverlayUtility.h"

#include "core/QOverlayOptions.h"
#include "core/drawing/DrawList.h"
#include "overlay/COverlayControlImage.h"
#include "overlay/import/GerberConvert.h"
#include "overlay/import/HPGLConvert.h"
#include "overlay/import/ImportSource.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/COverlayControl.h"
#include "tests/app/support/QtTestApplication.h"
#include "tests/core/support/DrawingFixtures.h"
#include "tests/project/support/MediatorFakes.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace orv {
namespace {

constexpr QRgb kUntouched = 0xFF808080U;
constexpr QRgb kBlack = 0xFF000000U;
constexpr QRgb kWhite = 0xFFFFFFFFU;

// --- Building drawings -------------------------------------------------------------------------

void Point(DrawList& l, int32_t kind, int32_t x, int32_t y) {
    auto* p = l.Append<DrawPoint_t>(kind);
    p->m_x = x;
    p->m_y = y;
}
void Repeat(DrawList& l, uint16_t xr, uint16_t yr, int16_t xs, int16_t ys) {
    auto* r = l.Append<DrawRepeat_t>(draw_kind::kRepeat);
    r->m_xRepeat = xr;
    r->m_yRepeat = yr;
    r->m_xStep = xs;
    r->m_yStep = ys;
}
DrawSolidCircle_t* Circle(DrawList& l, int32_t x, int32_t y, uint16_t diameter) {
    auto* c = l.Append<DrawSolidCircle_t>(draw_kind::kSolidCircle);
    c->m_x = x;
    c->m_y = y;
    c->m_paramCount = 1;
    c->m_diameter = diameter;
    return c;
}
DrawArc_t* Arc(DrawList& l, QRect box, QPoint from, QPoint to) {
    auto* a = l.Append<DrawArc_t>(draw_kind::kArc);
    a->m_x = box.left();
    a->m_y = box.top();
    a->m_x2 = box.left() + box.width();
    a->m_y2 = box.top() + box.height();
    a->m_startX = from.x();
    a->m_startY = from.y();
    a->m_endX = to.x();
    a->m_endY = to.y();
    return a;
}

// --- Painting onto a picture -------------------------------------------------------------------

// Paints into a grey picture with a 1-pixel black pen, the drawing moved by `at` and scaled.
QImage Paint(const DrawBase_t* drawing, QSize size, QPointF at = {}, double scale = 1.0, bool flipY = false) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kUntouched);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 0));
    painter.setTransform(QTransform(scale, 0, 0, flipY ? -scale : scale, at.x(), at.y()));
    COverlayUtility::PaintDrawing(painter, drawing);
    return image;
}

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y) | 0xFF000000U;
}

bool AnyNear(const QImage& image, int x, int y, QRgb colour, int radius = 1) {
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            if (image.valid(x + dx, y + dy) && At(image, x + dx, y + dy) == colour) {
                return true;
            }
        }
    }
    return false;
}

struct Probe {
    int x;
    int y;
    QRgb colour;
};

void ExpectPixels(const QImage& image, const std::vector<Probe>& probes, const std::string& name) {
    for (const Probe& p : probes) {
        EXPECT_EQ(At(image, p.x, p.y), p.colour) << name << " at " << p.x << "," << p.y;
    }
}

// The box of everything painted (not untouched) in device pixels; empty when nothing was.
QRect PaintedBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (At(image, x, y) != kUntouched) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

// --- Recording what is painted -----------------------------------------------------------------

// Records the painter's calls as the engine receives them, each with the brush it was made with.
class RecordingEngine : public QPaintEngine {
public:
    struct Call {
        std::string what;
        QRectF box;
        QPolygonF points;
        QColor brush; // invalid: hollow
    };
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice* /*device*/) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState& /*state*/) override {}
    void drawPixmap(const QRectF& /*r*/, const QPixmap& /*pm*/, const QRectF& /*sr*/) override {}
    Type type() const override { return QPaintEngine::User; }
    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            Record("rect", rects[i], {});
        }
    }
    void drawRects(const QRect* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            Record("rect", QRectF(rects[i]), {});
        }
    }
    void drawEllipse(const QRectF& box) override { Record("ellipse", box, {}); }
    void drawEllipse(const QRect& box) override { Record("ellipse", QRectF(box), {}); }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode /*mode*/) override {
        Record("polygon", {}, QPolygonF(QList<QPointF>(points, points + count)));
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
        QPolygonF polygon;
        for (int i = 0; i < count; ++i) {
            polygon.append(points[i]);
        }
        drawPolygon(polygon.data(), count, mode);
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            Record("line", {}, QPolygonF({lines[i].p1(), lines[i].p2()}));
        }
    }
    void drawLines(const QLine* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            Record("line", {}, QPolygonF({QPointF(lines[i].p1()), QPointF(lines[i].p2())}));
        }
    }
    void drawPath(const QPainterPath& path) override { Record("path", path.boundingRect(), {}); }

    std::vector<Call> calls;
    std::function<void()> onFirstCall;

private:
    void Record(const char* what, const QRectF& box, const QPolygonF& points) {
        if (onFirstCall) {
            std::exchange(onFirstCall, nullptr)();
        }
        const QBrush brush = painter()->brush();
        calls.push_back({what, box, points, brush.style() == Qt::NoBrush ? QColor() : brush.color()});
    }
};

class RecordingDevice : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &engine; }
    mutable RecordingEngine engine;

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
        case PdmHeight:
            return 1000;
        case PdmWidthMM:
        case PdmHeightMM:
            return 264;
        case PdmNumColors:
            return 256;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
        }
        return 0;
    }
};

std::vector<RecordingEngine::Call> Record(const DrawBase_t* drawing, std::function<void()> onFirstCall = {}) {
    RecordingDevice device;
    device.engine.onFirstCall = std::move(onFirstCall);
    QPainter painter(&device);
    painter.setPen(QPen(Qt::black, 0));
    COverlayUtility::PaintDrawing(painter, drawing);
    painter.end();
    return device.engine.calls;
}

class COverlayUtilityTest : public testing::QtWidgetTest {};

// --- Painting ----------------------------------------------------------------------------------

TEST_F(COverlayUtilityTest, RepeatBlockPaintsEveryCopyAtItsOffset) {
    DrawList drawing;
    Repeat(drawing, 3, 2, 100, 50);
    Circle(drawing, 0, 0, 20);
    std::vector<QPointF> centres;
    for (const auto& call : Record(drawing.Head())) {
        EXPECT_EQ(call.what, "ellipse");
        EXPECT_EQ(call.brush, QColor(Qt::black));
        centres.push_back(call.box.center());
    }
    EXPECT_EQ(centres, (std::vector<QPointF>{{0, 0}, {100, 0}, {200, 0}, {0, 50}, {100, 50}, {200, 50}}));

    // A repeat inside a block finishes the copies of the block first; a count of 1 opens none.
    DrawList two;
    Repeat(two, 2, 1, 10, 0);
    Circle(two, 0, 0, 4);
    Repeat(two, 1, 1, 0, 0);
    Circle(two, 0, 100, 4);
    centres.clear();
    for (const auto& call : Record(two.Head())) {
        centres.push_back(call.box.center());
    }
    EXPECT_EQ(centres, (std::vector<QPointF>{{0, 0}, {10, 0}, {0, 100}}));
}

TEST_F(COverlayUtilityTest, SolidRectangleIsARectangleUnturnedAndAPolygonTurned) {
    for (uint16_t rotation : {0, 45}) {
        DrawList drawing;
        auto* r = drawing.Append<DrawSolidRectangle_t>(draw_kind::kSolidRectangle);
        r->m_x = 100;
        r->m_y = 50;
        r->m_paramCount = 2;
        r->m_width = 40;
        r->m_height = 20;
        r->m_rotation = rotation;
        const auto calls = Record(drawing.Head());
        ASSERT_EQ(calls.size(), 1U) << rotation;
        EXPECT_EQ(calls[0].brush, QColor(Qt::black));
        if (rotation == 0) {
            EXPECT_EQ(calls[0].what, "rect");
            EXPECT_EQ(calls[0].box, QRectF(80, 40, 40, 20));
        } else {
            EXPECT_EQ(calls[0].what, "polygon");
            // (20, 10) turned by 45 degrees is (7.07, 21.2), truncated.
            EXPECT_EQ(calls[0].points, QPolygonF({{107, 71}, {121, 57}, {93, 29}, {79, 43}}));
        }
    }
}

TEST_F(COverlayUtilityTest, UnpaintedKindsSurviveACopyAndPaintNothing) {
    DrawList drawing;
    Point(drawing, draw_kind::kPoint, 10, 10);
    auto* box = drawing.Append<DrawRect_t>(draw_kind::kRectangle);
    box->m_x2 = 50;
    box->m_y2 = 50;
    const DrawList copy = COverlayUtility::BuildDrawList(drawing.Head(), 1);
    ASSERT_NE(copy.Head(), nullptr);
    ASSERT_NE(copy.Head()->m_next, nullptr);
    EXPECT_TRUE(Record(copy.Head()).empty());
    EXPECT_TRUE(Record(drawing.Head()).empty());
}

TEST_F(COverlayUtilityTest, FlashesHolesThermalsAndMoiresByPixel) {
    struct Case {
        const char* name;
        void (*build)(DrawList&);
        std::vector<Probe> probes;
    };
    const Case cases[] = {
        {"circle, round hole",
         [](DrawList& l) {
             auto* c = Circle(l, 100, 100, 60);
             c->m_paramCount = 2;
             c->m_holeX = 20;
         },
         {{100, 100, kWhite}, {120, 100, kBlack}, {100, 80, kBlack}, {140, 100, kUntouched}}},
        {"circle, square hole",
         [](DrawList& l) {
             auto* c = Circle(l, 100, 100, 60);
             c->m_paramCount = 3;
             c->m_holeX = 10;
             c->m_holeY = 30;
         },
         {{100, 112, kWhite}, {108, 100, kBlack}, {140, 100, kUntouched}}},
        {"oval, round hole",
         [](DrawList& l) {
             auto* o = l.Append<DrawSolidOval_t>(draw_kind::kSolidOval);
             o->m_x = o->m_y = 100;
             o->m_paramCount = 3;
             o->m_width = 80;
             o->m_height = 40;
             o->m_holeX = 20;
         },
         {{100, 100, kWhite}, {130, 100, kBlack}, {100, 130, kUntouched}, {145, 100, kUntouched}}},
        {"oval, square hole",
         [](DrawList& l) {
             auto* o = l.Append<DrawSolidOval_t>(draw_kind::kSolidOval);
             o->m_x = o->m_y = 100;
             o->m_paramCount = 4;
             o->m_width = 80;
             o->m_height = 40;
             o->m_holeX = 30;
             o->m_holeY = 10;
         },
         {{112, 100, kWhite}, {100, 108, kBlack}, {130, 100, kBlack}}},
        {"rectangle, round hole",
         [](DrawList& l) {
             auto* r = l.Append<DrawSolidRectangle_t>(draw_kind::kSolidRectangle);
             r->m_x = r->m_y = 100;
             r->m_paramCount = 3;
             r->m_width = 80;
             r->m_height = 40;
             r->m_holeX = 20;
         },
         {{100, 100, kWhite}, {130, 115, kBlack}, {100, 125, kUntouched}}},
        {"rectangle turned 45, square hole",
         [](DrawList& l) {
             auto* r = l.Append<DrawSolidRectangle_t>(draw_kind::kSolidRectangle);
             r->m_x = r->m_y = 100;
             r->m_paramCount = 4;
             r->m_width = 80;
             r->m_height = 40;
             r->m_holeX = 10;
             r->m_holeY = 10;
             r->m_rotation = 45;
         },
         {{100, 100, kWhite}, {125, 125, kBlack}, {75, 75, kBlack}, {75, 125, kUntouched}}},
        {"hexagon, round hole of radius hole x / 2",
         [](DrawList& l) {
             auto* g = l.Append<DrawSolidPolygon_t>(draw_kind::kSolidPolygon);
             g->m_x = g->m_y = 100;
             g->m_filled = true;
             g->m_paramCount = 4;
             g->m_size = 80;
             g->m_vertexCount = 6;
             g->m_holeX = 40;
         },
         {{100, 100, kWhite},
          {114, 100, kWhite},
          {100, 125, kBlack},
          {100, 175, kBlack},
          {175, 100, kUntouched}}},
        {"square polygon, square hole, unfilled",
         [](DrawList& l) {
             auto* g = l.Append<DrawSolidPolygon_t>(draw_kind::kSolidPolygon);
             g->m_x = g->m_y = 100;
             g->m_paramCount = 5;
             g->m_size = 80;
             g->m_vertexCount = 4;
             g->m_holeX = 20;
             g->m_holeY = 20;
         },
         {{100, 100, kWhite}, {100, 125, kUntouched}, {100, 157, kUntouched}}},
        {"thermal: four outlined segments with gaps on the axes",
         [](DrawList& l) {
             auto* t = l.Append<DrawThermal_t>(draw_kind::kThermal);
             t->m_x = t->m_y = 100;
             t->m_outerDiameter = 80;
             t->m_innerDiameter = 60;
             t->m_gapThickness = 10;
         },
         {// the segments' inner parts stay untouched, so do the gaps on the axes
          {125, 125, kUntouched},
          {75, 75, kUntouched},
          {100, 135, kUntouched},
          {135, 100, kUntouched},
          {65, 100, kUntouched},
          {100, 65, kUntouched},
          // the radial edges, one per quarter
          {105, 135, kBlack},
          {65, 105, kBlack},
          {95, 65, kBlack},
          {135, 95, kBlack},
          // the outer circle where a gap is stays open
          {100, 140, kUntouched},
          {140, 100, kUntouched}}},
        {"moire: rings, gaps and the cross-hair",
         [](DrawList& l) {
             auto* m = l.Append<DrawMoire_t>(draw_kind::kMoire);
             m->m_x = m->m_y = 100;
             m->m_outerDiameter = 80;
             m->m_ringThickness = 10;
             m->m_ringGap = 5;
             m->m_maxRings = 3;
             m->m_crossHairLength = 100;
         },
         {{125, 125, kBlack},
          {119, 119, kWhite},
          {114, 114, kBlack},
          {109, 109, kWhite},
          {103, 103, kBlack},
          {145, 100, kBlack},
          {100, 55, kBlack},
          {145, 145, kUntouched}}},
    };
    for (const Case& c : cases) {
        DrawList drawing;
        c.build(drawing);
        ExpectPixels(Paint(drawing.Head(), QSize(200, 200)), c.probes, c.name);
    }
}

TEST_F(COverlayUtilityTest, ThermalSegmentsAreOutlined) {
    DrawList drawing;
    auto* t = drawing.Append<DrawThermal_t>(draw_kind::kThermal);
    t->m_x = t->m_y = 100;
    t->m_outerDiameter = 80;
    t->m_innerDiameter = 60;
    t->m_gapThickness = 10;
    const QImage image = Paint(drawing.Head(), QSize(200, 200));
    // Both arcs of every segment, at 45 degrees in each quarter.
    for (const auto& [sx, sy] : {std::pair(1, 1), std::pair(-1, 1), std::pair(-1, -1), std::pair(1, -1)}) {
        EXPECT_TRUE(AnyNear(image, 100 + sx * 28, 100 + sy * 28, kBlack)) << sx << "," << sy;
        EXPECT_TRUE(AnyNear(image, 100 + sx * 21, 100 + sy * 21, kBlack)) << sx << "," << sy;
    }
}

TEST_F(COverlayUtilityTest, ArcRunsCounterClockwiseOnTheScreen) {
    struct Case {
        const char* name;
        QRect box;
        QPoint from;
        QPoint to;
        bool flipY; // drawing units with y up, as on a board
    };
    // Each arc covers the quarter x > 0, y > 0 of its drawing and nothing else.
    const Case cases[] = {
        {"circle, y up", QRect(-10, -10, 20, 20), {10, 0}, {0, 10}, true},
        {"ellipse, y up", QRect(-20, -10, 40, 20), {20, 0}, {0, 10}, true},
        {"circle, y down", QRect(-10, -10, 20, 20), {0, 10}, {10, 0}, false},
        {"ellipse, y down", QRect(-20, -10, 40, 20), {0, 10}, {20, 0}, false},
    };
    for (const Case& c : cases) {
        DrawList drawing;
        Arc(drawing, c.box, c.from, c.to);
        const QImage image = Paint(drawing.Head(), QSize(120, 120), QPointF(60, 60), 2.5, c.flipY);
        const QRect painted = PaintedBox(image);
        ASSERT_FALSE(painted.isEmpty()) << c.name;
        // Device quarter of the drawing's x > 0, y > 0.
        const QRect quarter =
            c.flipY ? QRect(QPoint(59, 0), QPoint(119, 61)) : QRect(QPoint(59, 59), QPoint(119, 119));
        EXPECT_TRUE(quarter.contains(painted)) << c.name;
        EXPECT_GE(painted.width(), c.box.width() / 2 * 2.5 - 2) << c.name;
        EXPECT_GE(painted.height(), c.box.height() / 2 * 2.5 - 2) << c.name;
    }
    // The same rays on one point make the whole ellipse.
    DrawList whole;
    Arc(whole, QRect(-10, -10, 20, 20), {10, 0}, {10, 0});
    EXPECT_EQ(PaintedBox(Paint(whole.Head(), QSize(120, 120), QPointF(60, 60), 2.5)), QRect(35, 35, 51, 51));
}

TEST_F(COverlayUtilityTest, PaintedPixelsLieInsideTheExtent) {
    DrawList hexagon;
    auto* g = hexagon.Append<DrawSolidPolygon_t>(draw_kind::kSolidPolygon);
    g->m_x = 10;
    g->m_y = -20;
    g->m_filled = true;
    g->m_paramCount = 3;
    g->m_size = 100;
    g->m_vertexCount = 6;
    g->m_rotation = 17;

    DrawList block;
    Repeat(block, 3, 2, 60, 40);
    Circle(block, 20, 20, 20);
    Point(block, draw_kind::kMoveTo, 0, 0);
    Point(block, draw_kind::kLineTo, 30, 10);
    const DrawList turned = COverlayUtility::BuildDrawList(block.Head(), -1);

    for (const DrawBase_t* drawing : {hexagon.Head(), turned.Head()}) {
        const bool circles = drawing == turned.Head();
        DrawExtentPoint minimum;
        DrawExtentPoint maximum;
        COverlayUtility::GetDrawListExtent(drawing, minimum, maximum);
        const QPoint at(150, 250);
        const QImage image = Paint(drawing, QSize(300, 400), at);
        const QRect painted = PaintedBox(image);
        const QRect extent(QPoint(minimum.x, minimum.y) + at, QPoint(maximum.x, maximum.y) + at);
        ASSERT_FALSE(painted.isEmpty());
        EXPECT_TRUE(extent.contains(painted))
            << "extent " << extent.x() << "," << extent.y() << " " << extent.width() << "x" << extent.height()
            << "; painted " << painted.x() << "," << painted.y() << " " << painted.width() << "x"
            << painted.height();
        if (circles) {
            // Every copy painted, the far ones too: the painting reaches each side of the extent.
            EXPECT_LE(painted.left() - extent.left(), 1);
            EXPECT_LE(extent.right() - painted.right(), 1);
            EXPECT_LE(painted.top() - extent.top(), 1);
            EXPECT_LE(extent.bottom() - painted.bottom(), 1);
        }
    }
}

TEST_F(COverlayUtilityTest, HostileDrawingsPaintInBoundedTime) {
    DrawList drawing;
    for (uint16_t vertices : {0, 1, 2}) {
        auto* g = drawing.Append<DrawSolidPolygon_t>(draw_kind::kSolidPolygon);
        g->m_x = g->m_y = 50;
        g->m_filled = true;
        g->m_paramCount = 4;
        g->m_size = 60;
        g->m_vertexCount = vertices;
        g->m_holeX = 10;
    }
    EXPECT_TRUE(PaintedBox(Paint(drawing.Head(), QSize(100, 100))).isEmpty());

    // A gap wider than the ring, moire rings without end, a repeat of 2^32 copies, empty boxes.
    auto* t = drawing.Append<DrawThermal_t>(draw_kind::kThermal);
    t->m_x = t->m_y = 50;
    t->m_outerDiameter = 20;
    t->m_innerDiameter = 10;
    t->m_gapThickness = 60000;
    for (const auto& [thickness, gap] : {std::pair(0, 0), std::pair(1, 0), std::pair(0, 1)}) {
        auto* m = drawing.Append<DrawMoire_t>(draw_kind::kMoire);
        m->m_x = m->m_y = 50;
        m->m_outerDiameter = 65535;
        m->m_ringThickness = static_cast<uint16_t>(thickness);
        m->m_ringGap = static_cast<uint16_t>(gap);
        m->m_maxRings = 65535;
        m->m_crossHairLength = 65535;
    }
    auto* e = drawing.Append<DrawRect_t>(draw_kind::kEllipse);
    e->m_x = e->m_x2 = 5;
    Arc(drawing, QRect(5, 5, 0, 0), {5, 5}, {5, 5});
    Circle(drawing, 5, 5, 0);
    auto* r = drawing.Append<DrawSolidRectangle_t>(draw_kind::kSolidRectangle);
    r->m_rotation = 30;
    Repeat(drawing, 65535, 65535, 1, 1);
    Circle(drawing, 20, 20, 6);
    const auto started = std::chrono::steady_clock::now();
    Paint(drawing.Head(), QSize(100, 100));
    // Also with every ring inside the picture.
    Paint(drawing.Head(), QSize(100, 100), QPointF(50, 50), 0.0015);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    // The oversized block's first copy only.
    const auto calls = Record(drawing.Head());
    int smallCircles = 0;
    for (const auto& call : calls) {
        smallCircles += call.what == "ellipse" && call.box == QRectF(17, 17, 6, 6) ? 1 : 0;
    }
    EXPECT_EQ(smallCircles, 1);
}

TEST_F(COverlayUtilityTest, PenTransformAndBrushAreTheCallersAfterwards) {
    DrawList drawing = fake::EveryKindList();
    QImage image(100, 100, QImage::Format_RGB32);
    QPainter painter(&image);
    const QPen pen(Qt::red, 3);
    const QBrush brush(Qt::green);
    const QTransform transform(0.5, 0, 0, 0.5, 10, 10);
    painter.setPen(pen);
    painter.setBrush(brush);
    painter.setTransform(transform);
    COverlayUtility::PaintDrawing(painter, drawing.Head());
    EXPECT_EQ(painter.pen(), pen);
    EXPECT_EQ(painter.brush(), brush);
    EXPECT_EQ(painter.transform(), transform);
}

// --- The owner's drawing and failures ----------------------------------------------------------

class OverlayOwner : public test::TestMediator {
public:
    QOverlayOptions* GetOverlayOptions() override { return &overlay; }
    QOverlayOptions overlay;
};

TEST_F(COverlayUtilityTest, WithoutADrawingTheOwnersIsPaintedAndItsFailureReportedOnce) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall install(prompt);
    OverlayOwner owner;
    DrawList line;
    Point(line, draw_kind::kMoveTo, 10, 50);
    Point(line, draw_kind::kLineTo, 90, 50);
    const std::vector<uint8_t> blob = fake::WrittenRecords(line.Head());
    owner.overlay.SetDrawBlob(blob.data(), static_cast<uint32_t>(blob.size()));
    COverlayUtility utility;
    EXPECT_EQ(utility.GetOverlayId(), -1);
    utility.SetOwner(&owner);

    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(kUntouched);
    {
        QPainter painter(&image);
        painter.setPen(QPen(Qt::black, 0));
        utility.PaintDrawList(painter, 0, nullptr);
    }
    EXPECT_EQ(At(image, 50, 50), kBlack);

    // A blob that does not read back: the painting ends, one box after it however often it fails.
    const std::vector<uint8_t> cut(blob.begin(), blob.end() - 3);
    owner.overlay.SetDrawBlob(cut.data(), static_cast<uint32_t>(cut.size()));
    {
        QPainter painter(&image);
        utility.PaintDrawList(painter, 0, nullptr);
        utility.PaintDrawList(painter, 0, nullptr);
        EXPECT_TRUE(prompt->Texts().empty()); // not while painting
    }
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return !prompt->Texts().empty(); }));
    testing::FlushEvents();
    EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"Failed in painting overlay."});
}

TEST_F(COverlayUtilityTest, ReleasingTheControlsCachesDuringAnotherHoldersPaintIsSafe) {
    COverlayControl control;
    DrawList drawing;
    Repeat(drawing, 4, 4, 10, 10);
    Circle(drawing, 0, 0, 4);
    control.SetPcbDrawing(drawing.Head());
    std::shared_ptr<const DrawList> held = control.GetDrawList();
    const auto calls = Record(held->Head(), [&] { control.ReleaseCaches(); });
    EXPECT_EQ(calls.size(), 16U);
    EXPECT_NE(control.GetDrawList(), held);
}

// --- Imported files at a known scale ------------------------------------------------------------

TEST_F(COverlayUtilityTest, HandWrittenDrawingFilesMatchTheirPixelTables) {
    struct Case {
        const char* file;
        bool gerber;
        QPointF at;
        double scale;
        std::vector<Probe> probes;
    };
    const Case cases[] = {
        // M 100,100; L 200,100; L 200,-100 at half size, moved down by 100.
        {"trailing_incremental.gbr",
         true,
         {0, 100},
         0.5,
         {{75, 150, kBlack},
          {100, 100, kBlack},
          {100, 60, kBlack},
          {75, 100, kUntouched},
          {120, 150, kUntouched}}},
        // SR 3,2 25,50 of a line (0,0)-(254,0): the rows at y 0 and 50, the last copy reaching 304.
        {"step_repeat.gbr",
         true,
         {10, 10},
         0.5,
         {{12, 10, kBlack},
          {160, 10, kBlack},
          {160, 35, kBlack},
          {12, 35, kBlack},
          {100, 22, kUntouched},
          {166, 10, kUntouched}}},
        // Lines, a circle of radius 10 about (200, 0) and the quarter arc about (200, 200) from its
        // right to its top.
        {"plotter.plt",
         false,
         {10, 20},
         1.0,
         {{60, 20, kBlack},
          {110, 70, kBlack},
          {160, 70, kBlack},
          {220, 20, kBlack},
          {213, 23, kUntouched},
          {260, 220, kBlack},
          {281, 149, kBlack},
          {281, 291, kUntouched},
          {110, 220, kUntouched}}},
    };
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall install(prompt);
    for (const Case& c : cases) {
        const std::string path = std::string(ORV_DRAWING_TEST_DATA) + "/" + c.file;
        std::unique_ptr<ImportFileSource> source = ImportFileSource::Open(path);
        ASSERT_NE(source, nullptr) << path;
        const DrawList drawing = c.gerber ? GerberConvert(*source) : HPGLConvert(*source);
        const QImage image = Paint(drawing.Head(), QSize(330, 340), c.at, c.scale);
        for (const Probe& p : c.probes) {
            // Lines of one pixel land within a pixel of where the arithmetic puts them.
            if (p.colour == kBlack) {
                EXPECT_TRUE(AnyNear(image, p.x, p.y, kBlack)) << c.file << " at " << p.x << "," << p.y;
            } else {
                EXPECT_EQ(At(image, p.x, p.y), p.colour) << c.file << " at " << p.x << "," << p.y;
            }
        }
    }
}

// --- Pictures -----------------------------------------------------------------------------------

QByteArray Encoded(QSize size, const char* format) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(30, 120, 60));
    QPainter(&image).fillRect(0, 0, size.width() / 2, size.height(), QColor(200, 180, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(QImageWriter(&buffer, format).write(image));
    return bytes;
}

std::string WriteFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path.toStdString();
}

uint32_t Crc32(const QByteArray& bytes) {
    uint32_t crc = 0xFFFFFFFFU;
    for (const char byte : bytes) {
        crc ^= static_cast<uint8_t>(byte);
        for (int i = 0; i < 8; ++i) {
            crc = (crc >> 1) ^ (0xEDB88320U & (0U - (crc & 1U)));
        }
    }
    return ~crc;
}

// A PNG whose header claims 50,000 x 50,000 pixels and holds none.
QByteArray HugePngHeader() {
    QByteArray chunk("IHDR");
    for (uint32_t side : {50000U, 50000U}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            chunk.append(static_cast<char>((side >> shift) & 0xFF));
        }
    }
    chunk.append(QByteArray::fromHex("0802000000"));
    QByteArray png = QByteArray::fromHex("89504E470D0A1A0A0000000D");
    png.append(chunk);
    const uint32_t crc = Crc32(chunk);
    for (int shift = 24; shift >= 0; shift -= 8) {
        png.append(static_cast<char>((crc >> shift) & 0xFF));
    }
    return png;
}

TEST_F(COverlayUtilityTest, LargePicturesAreStoredAsAnEightHundredBySixHundredJpeg) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        QSize size;
        const char* format;
        bool shrunk;
    };
    const Case cases[] = {{{1000, 600}, "jpg", true}, {{800, 600}, "png", false}, {{600, 801}, "bmp", true}};
    for (const Case& c : cases) {
        const QByteArray file = Encoded(c.size, c.format);
        const std::string path = WriteFile(dir, "picture", file);
        COverlayUtility utility;
        ASSERT_TRUE(utility.LoadPictureFile(path)) << c.format;
        EXPECT_EQ(utility.GetPicture().size(), c.size);
        EXPECT_EQ(utility.GetLoadedFileSize(), static_cast<uint32_t>(file.size()));
        const std::vector<uint8_t>& stored = utility.GetPictureBytes();
        if (!c.shrunk) {
            EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(stored.data()),
                                 static_cast<qsizetype>(stored.size())),
                      file);
            continue;
        }
        ASSERT_GE(stored.size(), 2U);
        EXPECT_EQ(stored[0], 0xFF); // a JPEG
        EXPECT_EQ(stored[1], 0xD8);
        const QImage decoded = QImage::fromData(stored.data(), static_cast<int>(stored.size()));
        EXPECT_EQ(decoded.size(), QSize(800, 600));
        // Stretched whole: the left half is yellow, the right half green.
        EXPECT_GT(decoded.pixelColor(200, 300).red(), 150);
        EXPECT_LT(decoded.pixelColor(600, 300).red(), 80);
    }
}

TEST_F(COverlayUtilityTest, HostilePicturesFailAndKeepThePreviousPicture) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray good = Encoded({80, 60}, "png");
    COverlayUtility utility;
    ASSERT_TRUE(utility.LoadPictureFile(WriteFile(dir, "good.png", good)));
    const std::vector<uint8_t> bytes = utility.GetPictureBytes();
    const qint64 picture = utility.GetPicture().cacheKey();

    QByteArray corrupt = Encoded({100, 100}, "jpg");
    corrupt.truncate(corrupt.size() / 3);
    corrupt.append(QByteArray(64, '\x5A'));
    const std::string fifo = dir.filePath("fifo").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string paths[] = {
        WriteFile(dir, "corrupt.jpg", corrupt),
        WriteFile(dir, "header.png", HugePngHeader()),
        WriteFile(dir, "empty.jpg", {}),
        dir.filePath("missing.jpg").toStdString(),
        fifo,
        dir.path().toStdString(),
    };
    for (const std::string& path : paths) {
        EXPECT_FALSE(utility.LoadPictureFile(path)) << path;
        EXPECT_EQ(utility.GetPictureBytes(), bytes) << path;
        EXPECT_EQ(utility.GetPicture().cacheKey(), picture) << path;
    }
}

// --- The control's image ------------------------------------------------------------------------

TEST_F(COverlayUtilityTest, ControlImageFromSnapshotPixelsOrPictureBytes) {
    COverlayControl grey;
    grey.SetSourceKind(COverlayControl::kPixelImage);
    const uint8_t levels[] = {0x20, 0xC0, 0x00, 0xFF};
    ASSERT_TRUE(grey.SetPixels(levels, 2, 2, 1));
    const QImage image = COverlayControlImage::GetImage(grey);
    ASSERT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0x20, 0x20, 0x20));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0xFF, 0xFF, 0xFF));

    COverlayControl blueGreenRed;
    blueGreenRed.SetSourceKind(COverlayControl::kPixelImage);
    const uint8_t pixel[] = {10, 20, 30};
    ASSERT_TRUE(blueGreenRed.SetPixels(pixel, 1, 1, 3));
    EXPECT_EQ(COverlayControlImage::GetImage(blueGreenRed).pixel(0, 0), qRgb(30, 20, 10));

    COverlayControl twoBytes;
    twoBytes.SetSourceKind(COverlayControl::kPixelImage);
    ASSERT_TRUE(twoBytes.SetPixels(levels, 1, 2, 2));
    EXPECT_TRUE(COverlayControlImage::GetImage(twoBytes).isNull());

    COverlayControl picture;
    picture.SetSourceKind(COverlayControl::kPictureFile);
    const QByteArray png = Encoded({40, 30}, "png");
    picture.SetPictureBytes(reinterpret_cast<const uint8_t*>(png.data()), static_cast<uint32_t>(png.size()));
    const QImage first = COverlayControlImage::GetImage(picture);
    ASSERT_EQ(first.size(), QSize(40, 30));
    // Kept on the control until its caches go; a holder keeps its image after that.
    EXPECT_EQ(COverlayControlImage::GetImage(picture).cacheKey(), first.cacheKey());
    picture.ReleaseCaches();
    EXPECT_EQ(first.pixelColor(5, 5), QColor(200, 180, 40));
    const QImage again = COverlayControlImage::GetImage(picture);
    EXPECT_NE(again.cacheKey(), first.cacheKey());
    EXPECT_EQ(again.size(), QSize(40, 30));
}

} // namespace
} // namespace orv
