#include "overlay/COverlayUtility.h"

#include "core/QOverlayOptions.h"
#include "overlay/COverlayDrawList.h"
#include "platform/fs/FileIo.h"
#include "platform/log/InformationLog.h"
#include "platform/ui/Prompt.h"
#include "project/QNodeMediator.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QPolygonF>
#include <QTimer>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>

namespace orv {
namespace {

constexpr const char* kPromptCaption = "Orvilant";

// A failure waiting to be shown: a window that fails on every repaint gets one box, not a queue.
std::atomic<bool> g_paintFailurePending{false};

void ReportPaintFailure() {
    if (g_paintFailurePending.exchange(true)) {
        return;
    }
    auto show = [] {
        ShowPrompt(COverlayUtility::kPaintFailedText, kPromptCaption, PromptButtons::Ok, PromptIcon::None);
        g_paintFailurePending = false;
    };
    // Painting is done inside paint events: the box waits for the event loop.
    if (QCoreApplication::instance() != nullptr) {
        QTimer::singleShot(0, QCoreApplication::instance(), show);
    } else {
        show();
    }
}

// Qt's default allocation limit refuses pictures far smaller than the largest a board photograph may
// be; the limit is raised to what the largest picture decoded takes (32 bits a pixel).
void AllowLargePictures() {
    constexpr int kLimitMegabytes =
        static_cast<int>(COverlayUtility::kMaxDecodedPicturePixels * 4 / (int64_t{1024} * 1024) + 1);
    const int limit = QImageReader::allocationLimit();
    if (limit != 0 && limit < kLimitMegabytes) {
        QImageReader::setAllocationLimit(kLimitMegabytes);
    }
}

template <typename T> const T* As(const DrawBase_t& primitive) {
    return dynamic_cast<const T*>(&primitive);
}

double DegreesToRadians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

// Paints one drawing: the brushes, the current position, the repeat offset.
class DrawingPainter {
public:
    explicit DrawingPainter(QPainter& painter) : m_painter(painter) {
        // The device's corners in drawing units, to see what a disc hides entirely.
        const QPaintDevice* device = painter.device();
        bool invertible = false;
        const QTransform toDrawing = painter.combinedTransform().inverted(&invertible);
        if (device != nullptr && invertible) {
            const double w = device->width();
            const double h = device->height();
            m_viewCorners = {toDrawing.map(QPointF(0, 0)), toDrawing.map(QPointF(w, 0)),
                             toDrawing.map(QPointF(0, h)), toDrawing.map(QPointF(w, h))};
            m_haveView = true;
        }
    }

    // The primitives from first up to end (null: the list's end).
    void PaintList(const DrawBase_t* first, const DrawBase_t* end) {
        const DrawRepeat_t* block = nullptr;
        const DrawBase_t* blockStart = nullptr;
        for (const DrawBase_t* primitive = first; primitive != end && primitive != nullptr;
             primitive = primitive->m_next) {
            const DrawRepeat_t* repeat =
                primitive->m_kind == draw_kind::kRepeat ? As<DrawRepeat_t>(*primitive) : nullptr;
            if (repeat == nullptr) {
                PaintOne(*primitive);
                continue;
            }
            FinishBlock(block, blockStart, primitive);
            block = nullptr;
            const uint64_t copies = static_cast<uint64_t>(repeat->m_xRepeat) * repeat->m_yRepeat;
            if (copies > kMaxPaintedRepeatCopies) {
                m_limited = true;
            } else if (copies >= 2) {
                block = repeat;
                blockStart = primitive->m_next;
            }
        }
        FinishBlock(block, blockStart, end);
    }

    bool Limited() const { return m_limited; }

private:
    // The copies after the first, which was painted as the block was met.
    void FinishBlock(const DrawRepeat_t* block, const DrawBase_t* start, const DrawBase_t* end) {
        if (block == nullptr) {
            return;
        }
        const uint32_t columns = block->m_xRepeat;
        const uint32_t copies = columns * block->m_yRepeat;
        for (uint32_t copy = 1; copy < copies; ++copy) {
            m_dx = static_cast<int64_t>(block->m_xStep) * (copy % columns);
            m_dy = static_cast<int64_t>(block->m_yStep) * (copy / columns);
            for (const DrawBase_t* primitive = start; primitive != end; primitive = primitive->m_next) {
                PaintOne(*primitive);
            }
        }
        m_dx = 0;
        m_dy = 0;
    }

    QPointF At(int64_t x, int64_t y) const {
        return {static_cast<double>(x + m_dx), static_cast<double>(y + m_dy)};
    }
    // The box of half sizes (hx, hy) about (x, y).
    QRectF Box(int64_t x, int64_t y, int64_t hx, int64_t hy) const {
        return {static_cast<double>(x - hx + m_dx), static_cast<double>(y - hy + m_dy), 2.0 * hx, 2.0 * hy};
    }
    QRectF Corners(int64_t x, int64_t y, int64_t x2, int64_t y2) const {
        return QRectF(At(x, y), At(x2, y2)).normalized();
    }

    void Brush(const QBrush& brush) { m_painter.setBrush(brush); }

    void MoveTo(const QPointF& point) { m_current = point; }
    void LineTo(const QPointF& point) {
        m_painter.drawLine(m_current, point);
        m_current = point;
    }

    // An arc of the box's ellipse from the ray through `from` to the ray through `to`, counter-clockwise
    // as it appears on the device (whatever the transform does to the drawing's axes); the same two
    // rays make the whole ellipse.
    void Arc(const QRectF& box, const QPointF& from, const QPointF& to) {
        const double rx = box.width() / 2.0;
        const double ry = box.height() / 2.0;
        if (!(rx > 0.0) || !(ry > 0.0)) {
            return;
        }
        const QPointF centre = box.center();
        // The painter's angles are those of the unit circle stretched onto the box, counted with
        // the drawing's y axis pointing down.
        auto angle = [&](const QPointF& point) {
            return std::atan2(-(point.y() - centre.y()) * rx, (point.x() - centre.x()) * ry) * 180.0 /
                   std::numbers::pi;
        };
        const double start = angle(from);
        double sweep = std::fmod(angle(to) - start, 360.0);
        if (sweep <= 0.0) {
            sweep += 360.0;
        }
        const QTransform mapping = m_painter.combinedTransform();
        if (mapping.m11() * mapping.m22() - mapping.m12() * mapping.m21() < 0.0) {
            // The transform mirrors: the device's counter-clockwise is the drawing's clockwise.
            sweep = sweep >= 360.0 ? -360.0 : sweep - 360.0;
        }
        m_painter.drawArc(box, static_cast<int>(std::lround(start * 16.0)),
                          static_cast<int>(std::lround(sweep * 16.0)));
    }

    void PaintHole(int64_t x, int64_t y, bool round, uint16_t holeX, uint16_t holeY) {
        Brush(Qt::white);
        if (round) {
            m_painter.drawEllipse(Box(x, y, holeX / 2, holeX / 2));
        } else {
            m_painter.drawRect(Box(x, y, holeX / 2, holeY / 2));
        }
    }

    void PaintOne(const DrawBase_t& primitive) {
        using namespace draw_kind;
        switch (primitive.m_kind) {
        case kMoveTo:
            if (const auto* p = As<DrawPoint_t>(primitive)) {
                MoveTo(At(p->m_x, p->m_y));
            }
            break;
        case kLineTo:
            if (const auto* p = As<DrawPoint_t>(primitive)) {
                LineTo(At(p->m_x, p->m_y));
            }
            break;
        case kEllipse:
            if (const auto* r = As<DrawRect_t>(primitive)) {
                m_painter.drawEllipse(Corners(r->m_x, r->m_y, r->m_x2, r->m_y2));
            }
            break;
        case kArc:
            if (const auto* a = As<DrawArc_t>(primitive)) {
                Arc(Corners(a->m_x, a->m_y, a->m_x2, a->m_y2), At(a->m_startX, a->m_startY),
                    At(a->m_endX, a->m_endY));
            }
            break;
        case kSolidRectangle:
            if (const auto* r = As<DrawSolidRectangle_t>(primitive)) {
                PaintRectangle(*r);
            }
            break;
        case kSolidCircle:
            if (const auto* c = As<DrawSolidCircle_t>(primitive)) {
                Brush(Qt::black);
                m_painter.drawEllipse(Box(c->m_x, c->m_y, c->m_diameter / 2, c->m_diameter / 2));
                if (c->m_paramCount == 2 || c->m_paramCount == 3) {
                    PaintHole(c->m_x, c->m_y, c->m_paramCount == 2, c->m_holeX, c->m_holeY);
                }
            }
            break;
        case kSolidOval:
            if (const auto* o = As<DrawSolidOval_t>(primitive)) {
                Brush(Qt::black);
                m_painter.drawEllipse(Box(o->m_x, o->m_y, o->m_width / 2, o->m_height / 2));
                if (o->m_paramCount == 3 || o->m_paramCount == 4) {
                    PaintHole(o->m_x, o->m_y, o->m_paramCount == 3, o->m_holeX, o->m_holeY);
                }
            }
            break;
        case kSolidPolygon:
            if (const auto* g = As<DrawSolidPolygon_t>(primitive)) {
                PaintPolygon(*g);
            }
            break;
        case kMoire:
            if (const auto* m = As<DrawMoire_t>(primitive)) {
                PaintMoire(*m);
            }
            break;
        case kThermal:
            if (const auto* t = As<DrawThermal_t>(primitive)) {
                PaintThermal(*t);
            }
            break;
        default: // 0x0211, 0x041B and kinds of no known class paint nothing
            break;
        }
        Brush(Qt::NoBrush);
    }

    void PaintRectangle(const DrawSolidRectangle_t& r) {
        Brush(Qt::black);
        const int32_t hw = r.m_width / 2;
        const int32_t hh = r.m_height / 2;
        if (r.m_rotation == 0) {
            m_painter.drawRect(Box(r.m_x, r.m_y, hw, hh));
        } else {
            // Single precision, truncated: the corners land where the stored drawing always put them.
            const float angle = static_cast<float>(r.m_rotation) * std::numbers::pi_v<float> / 180.0F;
            const float c = std::cos(angle);
            const float s = std::sin(angle);
            const float corners[4][2] = {{static_cast<float>(hw), static_cast<float>(hh)},
                                         {static_cast<float>(hw), static_cast<float>(-hh)},
                                         {static_cast<float>(-hw), static_cast<float>(-hh)},
                                         {static_cast<float>(-hw), static_cast<float>(hh)}};
            QPolygonF polygon;
            polygon.reserve(4);
            for (const auto& corner : corners) {
                const auto px = static_cast<int64_t>(corner[0] * c - corner[1] * s);
                const auto py = static_cast<int64_t>(corner[0] * s + corner[1] * c);
                polygon.append(At(r.m_x + px, r.m_y + py));
            }
            m_painter.drawPolygon(polygon);
        }
        if (r.m_paramCount == 3 || r.m_paramCount == 4) {
            PaintHole(r.m_x, r.m_y, r.m_paramCount == 3, r.m_holeX, r.m_holeY);
        }
    }

    void PaintPolygon(const DrawSolidPolygon_t& g) {
        const int n = g.m_vertexCount;
        if (n < 3) {
            return;
        }
        Brush(g.m_filled ? QBrush(Qt::black) : QBrush(Qt::NoBrush));
        const double radius = PolygonCircumradius(g.m_size, g.m_vertexCount);
        const double rotation = g.m_paramCount >= 3 ? DegreesToRadians(g.m_rotation) : 0.0;
        const double first = (4.0 * n + 3.0) * std::numbers::pi / (3.0 * n) + rotation;
        QPolygonF polygon;
        polygon.reserve(n);
        for (int i = 0; i < n; ++i) {
            const double a = i * 2.0 * std::numbers::pi / n + first;
            polygon.append(At(g.m_x + static_cast<int64_t>(radius * std::cos(a)),
                              g.m_y + static_cast<int64_t>(radius * std::sin(a))));
        }
        m_painter.drawPolygon(polygon);
        if (g.m_paramCount == 4 || g.m_paramCount == 5) {
            PaintHole(g.m_x, g.m_y, g.m_paramCount == 4, g.m_holeX, g.m_holeY);
        }
    }

    // Whether the disc of that radius about the point hides the whole device.
    bool CoversView(const QPointF& centre, double radius) const {
        if (!m_haveView) {
            return false;
        }
        return std::all_of(m_viewCorners.begin(), m_viewCorners.end(), [&](const QPointF& corner) {
            const double dx = corner.x() - centre.x();
            const double dy = corner.y() - centre.y();
            return dx * dx + dy * dy < radius * radius;
        });
    }

    void PaintMoire(const DrawMoire_t& m) {
        int64_t radius = static_cast<int64_t>(m.m_outerDiameter * 0.5);
        int64_t inner = radius - m.m_ringThickness;
        const QPointF centre = At(m.m_x, m.m_y);
        for (uint32_t ring = 0; ring < m.m_maxRings && radius > 0; ++ring) {
            const int64_t next = inner - m.m_ringGap;
            const bool last = ring + 1 >= m.m_maxRings || next <= 0 || next >= radius;
            // A ring whose next one covers the whole device leaves nothing to see: thousands of
            // rings larger than the window cost nothing.
            if (last || !CoversView(centre, static_cast<double>(next))) {
                Brush(Qt::black);
                m_painter.drawEllipse(Box(m.m_x, m.m_y, radius, radius));
                if (inner > 0) {
                    Brush(Qt::white);
                    m_painter.drawEllipse(Box(m.m_x, m.m_y, inner, inner));
                }
            }
            if (next >= radius) {
                break; // rings of no thickness and no gap: every further one is this one
            }
            radius = next;
            inner = radius - m.m_ringThickness;
        }
        const double half = m.m_crossHairLength * 0.5;
        for (int32_t quarter = 0; quarter < 2; ++quarter) {
            const double a = DegreesToRadians(static_cast<int32_t>(m.m_rotation) + 90 * quarter);
            const auto ex = static_cast<int64_t>(half * std::cos(a));
            const auto ey = static_cast<int64_t>(half * std::sin(a));
            MoveTo(At(m.m_x - ex, m.m_y - ey));
            LineTo(At(m.m_x + ex, m.m_y + ey));
        }
    }

    void PaintThermal(const DrawThermal_t& t) {
        const double g = t.m_gapThickness * 0.5;
        const int64_t a = t.m_innerDiameter;
        const int64_t b = t.m_outerDiameter;
        // A gap wider than a ring leaves its root at 0, not at a square root of a negative number.
        const double sa = std::sqrt(std::max(0.0, static_cast<double>((a * a) / 4) - g * g));
        const double sb = std::sqrt(std::max(0.0, static_cast<double>((b * b) / 4) - g * g));
        const double base[4][2] = {{g, sa}, {g, sb}, {sb, g}, {sa, g}};
        const QRectF outer = Box(t.m_x, t.m_y, b / 2, b / 2);
        const QRectF innerBox = Box(t.m_x, t.m_y, a / 2, a / 2);
        for (int32_t quarter = 0; quarter < 4; ++quarter) {
            const double angle = DegreesToRadians(static_cast<int32_t>(t.m_rotation) + 90 * quarter);
            const double c = std::cos(angle);
            const double s = std::sin(angle);
            QPointF q[4];
            for (int i = 0; i < 4; ++i) {
                q[i] = At(t.m_x + static_cast<int64_t>(base[i][0] * c - base[i][1] * s),
                          t.m_y + static_cast<int64_t>(base[i][0] * s + base[i][1] * c));
            }
            MoveTo(q[0]);
            LineTo(q[1]);
            Arc(outer, q[1], q[2]);
            MoveTo(q[2]);
            LineTo(q[3]);
            Arc(innerBox, q[0], q[3]);
        }
    }

    QPainter& m_painter;
    std::array<QPointF, 4> m_viewCorners{};
    bool m_haveView = false;
    QPointF m_current{0.0, 0.0};
    int64_t m_dx = 0;
    int64_t m_dy = 0;
    bool m_limited = false;
};

} // namespace

COverlayUtility::~COverlayUtility() = default;

void COverlayUtility::MakeWhiteTransparent(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == 0xFFFFFFFFU) {
                line[x] = 0;
            }
        }
    }
}

void COverlayUtility::PaintDrawing(QPainter& painter, const DrawBase_t* drawing) {
    PaintDrawing(painter, drawing, nullptr);
}

void COverlayUtility::PaintDrawing(QPainter& painter, const DrawBase_t* first, const DrawBase_t* end) {
    const QBrush previous = painter.brush();
    bool failed = false;
    bool limited = false;
    try {
        painter.setBrush(Qt::NoBrush);
        DrawingPainter drawingPainter(painter);
        drawingPainter.PaintList(first, end);
        limited = drawingPainter.Limited();
    } catch (...) {
        failed = true;
    }
    painter.setBrush(previous);
    if (limited) {
        AddInformationMessage(0, "A repeat block of the board drawing has more than 10000 copies; only its "
                                 "first copy is painted.");
    }
    if (failed) {
        ReportPaintFailure();
    }
}

std::vector<const DrawBase_t*> COverlayUtility::FindSelfContainedRuns(const DrawBase_t* head) {
    std::vector<const DrawBase_t*> starts;
    // A repeat block of two or more copies replays what follows it up to the next repeat, so nothing
    // inside it starts afresh; outside one, the painter carries only the current position, which a
    // move-to sets.
    bool inBlock = false;
    for (const DrawBase_t* primitive = head; primitive != nullptr; primitive = primitive->m_next) {
        if (primitive->m_kind == draw_kind::kRepeat) {
            const DrawRepeat_t* repeat = As<DrawRepeat_t>(*primitive);
            inBlock = repeat != nullptr && static_cast<uint64_t>(repeat->m_xRepeat) * repeat->m_yRepeat >= 2;
        }
        if (starts.empty() || (!inBlock && primitive->m_kind == draw_kind::kMoveTo)) {
            starts.push_back(primitive);
        }
    }
    return starts;
}

void COverlayUtility::PaintDrawList(QPainter& painter, int32_t /*reserved*/, const DrawBase_t* drawing) {
    if (drawing == nullptr && m_owner != nullptr) {
        try {
            QOverlayOptions* options = m_owner->GetOverlayOptions();
            drawing = options != nullptr ? options->GetDrawList() : nullptr;
        } catch (...) {
            ReportPaintFailure();
            return;
        }
    }
    PaintDrawing(painter, drawing);
}

void COverlayUtility::PaintDrawList(QPainter& painter, const COverlayDrawList* list) {
    if (list == nullptr) {
        return;
    }
    const size_t count = list->GetPrimitiveCount();
    for (size_t i = 0; i < count; ++i) {
        // One primitive's pen or brush must not leak into the next.
        painter.save();
        list->PaintPrimitive(painter, i);
        painter.restore();
    }
}

bool COverlayUtility::LoadPictureFile(const std::string& path) {
    // Read once: the picture and the stored bytes are made from the same bytes.
    std::optional<std::string> file = ReadWholeFile(path, kMaxPictureFileBytes);
    if (!file.has_value() || file->size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
        return false;
    }
    QByteArray data = QByteArray::fromRawData(file->data(), static_cast<qsizetype>(file->size()));
    QBuffer source(&data);
    source.open(QIODevice::ReadOnly);
    AllowLargePictures();
    QImageReader reader(&source);
    const QSize size = reader.size();
    if (size.isValid() && static_cast<int64_t>(size.width()) * size.height() > kMaxDecodedPicturePixels) {
        return false;
    }
    QImage picture;
    if (!reader.read(&picture) || picture.isNull() ||
        static_cast<int64_t>(picture.width()) * picture.height() > kMaxDecodedPicturePixels) {
        return false;
    }
    m_picture = std::move(picture);
    static std::minstd_rand stamps(std::random_device{}());
    m_pictureStamp = static_cast<uint32_t>(stamps()) +
                     static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now().time_since_epoch())
                                               .count());
    m_sourceFileSize = static_cast<uint32_t>(file->size() & 0xFFFFFFFFU);
    if (static_cast<int64_t>(m_picture.width()) * m_picture.height() <= kMaxStoredPicturePixels) {
        m_pictureBytes.assign(file->begin(), file->end());
        return true;
    }
    // Stretched whole, the aspect ratio not kept, unsmoothed.
    const QImage shrunk =
        m_picture.scaled(kShrunkWidth, kShrunkHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation)
            .convertToFormat(QImage::Format_RGB32);
    QByteArray jpeg;
    QBuffer sink(&jpeg);
    sink.open(QIODevice::WriteOnly);
    QImageWriter writer(&sink, "jpg");
    if (shrunk.isNull() || !writer.write(shrunk)) {
        ShowPrompt(kSaveToStreamFailedText, kPromptCaption, PromptButtons::Ok, PromptIcon::None);
        return true;
    }
    m_pictureBytes.assign(jpeg.begin(), jpeg.end());
    return true;
}

} // namespace orv
