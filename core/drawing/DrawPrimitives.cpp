#include "core/drawing/DrawPrimitives.h"

#include <utility>

namespace orv {
namespace {

// A quarter turn by d of (x, y): (-(y·d), x·d), with x first taken as a 16-bit value like every
// coordinate the stored drawing carries. Done in 64 bits so that no value can overflow.
void TurnPoint(int32_t& x, int32_t& y, int16_t d) {
    const int64_t oldX = static_cast<int16_t>(x);
    const int64_t oldY = y;
    x = static_cast<int32_t>(-(oldY * d));
    y = static_cast<int32_t>(oldX * d);
}

// The Part's plain 16-bit sum would turn 0 by -1 into 65446; a painter reads angles modulo 360 as
// signed values, so the rotation is kept in 0..359 instead.
uint16_t TurnRotation(uint16_t rotation, int16_t d) {
    int32_t turned = (static_cast<int32_t>(rotation) + 90 * static_cast<int32_t>(d)) % 360;
    if (turned < 0) {
        turned += 360;
    }
    return static_cast<uint16_t>(turned);
}

} // namespace

DrawBase_t::~DrawBase_t() = default;

void DrawBase_t::Rotate90(int16_t /*d*/) {}

void DrawRepeat_t::Rotate90(int16_t d) {
    std::swap(m_xRepeat, m_yRepeat);
    const int32_t oldX = m_xStep;
    const int32_t oldY = m_yStep;
    m_xStep = static_cast<int16_t>(-(oldY * d));
    m_yStep = static_cast<int16_t>(oldX * d);
}

void DrawPoint_t::Rotate90(int16_t d) {
    TurnPoint(m_x, m_y, d);
}

void DrawRect_t::Rotate90(int16_t d) {
    DrawPoint_t::Rotate90(d);
    TurnPoint(m_x2, m_y2, d);
}

void DrawArc_t::Rotate90(int16_t d) {
    DrawRect_t::Rotate90(d);
    TurnPoint(m_startX, m_startY, d);
    TurnPoint(m_endX, m_endY, d);
}

void DrawSolidCircle_t::Rotate90(int16_t d) {
    DrawPoint_t::Rotate90(d);
    if (m_paramCount == 3) { // rectangular hole
        std::swap(m_holeX, m_holeY);
    }
}

void DrawSolidOval_t::Rotate90(int16_t d) {
    DrawPoint_t::Rotate90(d);
    std::swap(m_width, m_height);
    if (m_paramCount == 4) {
        std::swap(m_holeX, m_holeY);
    }
}

void DrawSolidRectangle_t::Rotate90(int16_t d) {
    DrawPoint_t::Rotate90(d);
    std::swap(m_width, m_height);
    if (m_paramCount == 4) {
        std::swap(m_holeX, m_holeY);
    }
}

void DrawSolidPolygon_t::Rotate90(int16_t d) {
    DrawPoint_t::Rotate90(d);
    m_rotation = TurnRotation(m_rotation, d);
    if (m_paramCount == 5) {
        std::swap(m_holeX, m_holeY);
    }
}

void DrawMoire_t::Rotate90(int16_t d) {
    DrawPoint_t::Rotate90(d);
    m_rotation = TurnRotation(m_rotation, d);
}

void DrawThermal_t::Rotate90(int16_t d) {
    DrawPoint_t::Rotate90(d);
    m_rotation = TurnRotation(m_rotation, d);
}

} // namespace orv
