#include "tests/overlay/import/support/DrawingDescription.h"

#include "overlay/import/GerberConvert.h"

#include <string>

namespace orv::test {
namespace {

std::string Pair(int64_t a, int64_t b) {
    return std::to_string(a) + "," + std::to_string(b);
}

std::string One(const DrawBase_t& p) {
    using namespace draw_kind;
    const auto n = [](int64_t v) { return std::to_string(v); };
    switch (p.m_kind) {
    case kMoveTo:
    case kLineTo:
    case kPoint: {
        const auto& q = static_cast<const DrawPoint_t&>(p);
        return std::string(p.m_kind == kMoveTo   ? "M "
                           : p.m_kind == kLineTo ? "L "
                                                 : "P ") +
               Pair(q.m_x, q.m_y);
    }
    case kRepeat: {
        const auto& r = static_cast<const DrawRepeat_t&>(p);
        return "SR " + Pair(r.m_xRepeat, r.m_yRepeat) + " " + Pair(r.m_xStep, r.m_yStep);
    }
    case kSolidCircle: {
        const auto& c = static_cast<const DrawSolidCircle_t&>(p);
        return "C " + Pair(c.m_x, c.m_y) + " " + n(c.m_paramCount) + " " + n(c.m_diameter) + " " +
               Pair(c.m_holeX, c.m_holeY);
    }
    case kSolidRectangle: {
        const auto& r = static_cast<const DrawSolidRectangle_t&>(p);
        return "R " + Pair(r.m_x, r.m_y) + " " + n(r.m_flag) + " " + n(r.m_paramCount) + " " + n(r.m_width) +
               "x" + n(r.m_height) + " " + Pair(r.m_holeX, r.m_holeY) + " " + n(r.m_rotation);
    }
    case kSolidOval: {
        const auto& o = static_cast<const DrawSolidOval_t&>(p);
        return "O " + Pair(o.m_x, o.m_y) + " " + n(o.m_paramCount) + " " + n(o.m_width) + "x" +
               n(o.m_height) + " " + Pair(o.m_holeX, o.m_holeY);
    }
    case kSolidPolygon: {
        const auto& g = static_cast<const DrawSolidPolygon_t&>(p);
        return "PG " + Pair(g.m_x, g.m_y) + " " + n(g.m_flag) + " " + n(g.m_filled) + " " +
               n(g.m_paramCount) + " " + n(g.m_size) + " " + n(g.m_vertexCount) + " " +
               Pair(g.m_holeX, g.m_holeY) + " " + n(g.m_rotation);
    }
    case kMoire: {
        const auto& m = static_cast<const DrawMoire_t&>(p);
        return "MO " + Pair(m.m_x, m.m_y) + " " + n(m.m_outerDiameter) + " " + n(m.m_ringThickness) + " " +
               n(m.m_ringGap) + " " + n(m.m_maxRings) + " " + n(m.m_crossHairThickness) + " " +
               n(m.m_crossHairLength) + " " + n(m.m_rotation);
    }
    case kThermal: {
        const auto& t = static_cast<const DrawThermal_t&>(p);
        return "TH " + Pair(t.m_x, t.m_y) + " " + n(t.m_outerDiameter) + " " + n(t.m_innerDiameter) + " " +
               n(t.m_gapThickness) + " " + n(t.m_rotation);
    }
    case kEllipse:
    case kRectangle: {
        const auto& b = static_cast<const DrawRect_t&>(p);
        return std::string(p.m_kind == kEllipse ? "E " : "B ") + Pair(b.m_x, b.m_y) + " " +
               Pair(b.m_x2, b.m_y2);
    }
    case kArc: {
        const auto& a = static_cast<const DrawArc_t&>(p);
        return "A " + Pair(a.m_x, a.m_y) + " " + Pair(a.m_x2, a.m_y2) + " " + Pair(a.m_startX, a.m_startY) +
               " " + Pair(a.m_endX, a.m_endY);
    }
    default:
        return "?";
    }
}

} // namespace

std::string Describe(const DrawList& list) {
    std::string out;
    for (const DrawBase_t* p = list.Head(); p != nullptr; p = p->m_next) {
        if (!out.empty()) {
            out += "; ";
        }
        out += One(*p);
    }
    return out;
}

DrawList ConvertGerberText(const std::string& text) {
    ImportMemorySource source(text);
    return GerberConvert(source);
}

} // namespace orv::test
