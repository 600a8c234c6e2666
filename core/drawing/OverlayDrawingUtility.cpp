#include "core/drawing/OverlayDrawingUtility.h"

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QOverlayOptions.h"
#include "core/drawing/DrawingRecords.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <numbers>
#include <system_error>

namespace orv {
namespace {

// Measured in 64 bits: importers hand over 32-bit coordinates and a repeat block multiplies steps.
struct Box {
    int64_t minX;
    int64_t minY;
    int64_t maxX;
    int64_t maxY;
};

class ExtentBuilder {
public:
    void Add(const Box& box) {
        AddBox(box);
        if (m_dx != 0 || m_dy != 0) {
            // The block's far copy; the copies between lie inside the two.
            AddBox({box.minX + m_dx, box.minY + m_dy, box.maxX + m_dx, box.maxY + m_dy});
        }
    }
    void AddSquare(int64_t x, int64_t y, int64_t half) { Add({x - half, y - half, x + half, y + half}); }
    void SetRepeat(const DrawRepeat_t& repeat) {
        const uint64_t copies = static_cast<uint64_t>(repeat.m_xRepeat) * repeat.m_yRepeat;
        if (copies < 2 || copies > kMaxPaintedRepeatCopies) {
            m_dx = m_dy = 0;
            return;
        }
        m_dx = (static_cast<int64_t>(repeat.m_xRepeat) - 1) * repeat.m_xStep;
        m_dy = (static_cast<int64_t>(repeat.m_yRepeat) - 1) * repeat.m_yStep;
    }
    bool Empty() const { return m_any == false; }
    const Box& Result() const { return m_box; }

private:
    void AddBox(const Box& box) {
        if (!m_any) {
            m_box = box;
            m_any = true;
            return;
        }
        m_box.minX = std::min(m_box.minX, box.minX);
        m_box.minY = std::min(m_box.minY, box.minY);
        m_box.maxX = std::max(m_box.maxX, box.maxX);
        m_box.maxY = std::max(m_box.maxY, box.maxY);
    }

    Box m_box{0, 0, 0, 0};
    bool m_any = false;
    int64_t m_dx = 0;
    int64_t m_dy = 0;
};

int32_t Clamp32(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

template <typename T> const T* As(const DrawBase_t& primitive) {
    return dynamic_cast<const T*>(&primitive);
}

void AddPrimitive(ExtentBuilder& extent, const DrawBase_t& primitive) {
    using namespace draw_kind;
    switch (primitive.m_kind) {
    case kRepeat:
        if (const auto* r = As<DrawRepeat_t>(primitive)) {
            extent.SetRepeat(*r);
        }
        break;
    case kLineTo:
    case kMoveTo:
        if (const auto* p = As<DrawPoint_t>(primitive)) {
            extent.AddSquare(p->m_x, p->m_y, 0);
        }
        break;
    case kEllipse:
    case kRectangle:
    case kArc:
        if (const auto* r = As<DrawRect_t>(primitive)) {
            extent.Add({std::min(r->m_x, r->m_x2), std::min(r->m_y, r->m_y2), std::max(r->m_x, r->m_x2),
                        std::max(r->m_y, r->m_y2)});
        }
        break;
    case kMoire:
        if (const auto* m = As<DrawMoire_t>(primitive)) {
            // The cross-hair may reach past the rings.
            extent.AddSquare(m->m_x, m->m_y,
                             std::max(m->m_outerDiameter / 2, (m->m_crossHairLength + 1) / 2));
        }
        break;
    case kThermal:
        if (const auto* t = As<DrawThermal_t>(primitive)) {
            extent.AddSquare(t->m_x, t->m_y, t->m_outerDiameter / 2);
        }
        break;
    case kSolidCircle:
        if (const auto* c = As<DrawSolidCircle_t>(primitive)) {
            extent.AddSquare(c->m_x, c->m_y, c->m_diameter / 2);
        }
        break;
    case kSolidOval:
        if (const auto* o = As<DrawSolidOval_t>(primitive)) {
            extent.AddSquare(o->m_x, o->m_y, std::max(o->m_width, o->m_height) / 2);
        }
        break;
    case kSolidRectangle:
        if (const auto* r = As<DrawSolidRectangle_t>(primitive)) {
            int64_t half = std::max(r->m_width, r->m_height) / 2;
            if (r->m_rotation % 90 != 0) {
                // A turned rectangle reaches out to its half diagonal.
                const auto w = static_cast<double>(r->m_width / 2);
                const auto h = static_cast<double>(r->m_height / 2);
                half = static_cast<int64_t>(std::ceil(std::sqrt(w * w + h * h)));
            }
            extent.AddSquare(r->m_x, r->m_y, half);
        }
        break;
    case kSolidPolygon:
        if (const auto* g = As<DrawSolidPolygon_t>(primitive)) {
            const double radius = PolygonCircumradius(g->m_size, g->m_vertexCount);
            // The sine of pi / n is never exact: a hexagon of size 100 must not measure 101.
            extent.AddSquare(g->m_x, g->m_y, static_cast<int64_t>(std::ceil(radius - 1e-9)));
        }
        break;
    default: // 0x0211 and kinds of no known class add nothing
        break;
    }
}

} // namespace

DrawList BuildDrawList(const DrawBase_t* drawing, int32_t quarterTurns) {
    if (drawing == nullptr) {
        return {};
    }
    QCharCounterDataWriter counter;
    WriteOverlayDrawingRecords(counter, drawing);
    const uint32_t bytes = counter.m_count;
    DrawList copy;
    {
        auto buffer = std::make_unique_for_overwrite<uint8_t[]>(bytes);
        QCharArrayDataWriter writer(buffer.get(), bytes);
        WriteOverlayDrawingRecords(writer, drawing);
        QCharArrayDataReader reader(buffer.get(), bytes);
        copy = QOverlayOptions::LoadList(reader);
    }
    const int16_t direction = quarterTurns < 0 ? -1 : 1;
    const uint64_t turns = static_cast<uint64_t>(std::llabs(static_cast<int64_t>(quarterTurns)));
    for (DrawBase_t* primitive = copy.Head(); primitive != nullptr; primitive = primitive->m_next) {
        for (uint64_t i = 0; i < turns; ++i) {
            primitive->Rotate90(direction);
        }
    }
    return copy;
}

void GetDrawListExtent(const DrawBase_t* drawing, DrawExtentPoint& minimum, DrawExtentPoint& maximum) {
    minimum = {kDrawExtentMinimumStart, kDrawExtentMinimumStart};
    maximum = {kDrawExtentMaximumStart, kDrawExtentMaximumStart};
    ExtentBuilder extent;
    for (const DrawBase_t* primitive = drawing; primitive != nullptr; primitive = primitive->m_next) {
        AddPrimitive(extent, *primitive);
    }
    if (extent.Empty()) {
        return;
    }
    const Box& box = extent.Result();
    minimum = {Clamp32(box.minX), Clamp32(box.minY)};
    maximum = {Clamp32(box.maxX), Clamp32(box.maxY)};
}

double PolygonCircumradius(uint16_t size, uint16_t vertexCount) {
    if (vertexCount < 3) {
        return 0.0;
    }
    return size / (2.0 * std::sin(std::numbers::pi / vertexCount));
}

uint32_t GetSourceFileSize(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        return 0;
    }
    return static_cast<uint32_t>(size & 0xFFFFFFFFU);
}

} // namespace orv
