#pragma once

#include <cstdint>

namespace orv {

// The pieces of an imported board drawing: a doubly linked list of small primitives in the drawing's
// own unit (a tenth of a millimetre). A list belongs to whoever holds its head (see DrawList), which
// is the only one that deletes it; a primitive never deletes its neighbours.
//
// Kind codes follow the numbering of Windows metafile records with meanings of our own; the same
// codes are the function words of the stored drawing records (DrawingRecords.h).
namespace draw_kind {
inline constexpr int32_t kRepeat = 0x010A;         // step-and-repeat block
inline constexpr int32_t kPoint = 0x0211;          // kept and copied, never painted
inline constexpr int32_t kSolidRectangle = 0x0212; // flashed rectangle
inline constexpr int32_t kLineTo = 0x0213;
inline constexpr int32_t kMoveTo = 0x0214;
inline constexpr int32_t kMoire = 0x0321;
inline constexpr int32_t kThermal = 0x0322;
inline constexpr int32_t kSolidPolygon = 0x0326; // flashed polygon
inline constexpr int32_t kEllipse = 0x0418;      // ellipse outline inside the box
inline constexpr int32_t kRectangle = 0x041B;    // rectangle box, kept and copied, never painted
inline constexpr int32_t kArc = 0x0817;          // arc of the ellipse inside the box
inline constexpr int32_t kSolidCircle = 0x0818;  // flashed circle
inline constexpr int32_t kSolidOval = 0x0819;    // flashed oval
} // namespace draw_kind

// Every class has two virtual operations: the destructor, then Rotate90. A turn by d (+1 or -1) is
// one quarter turn; n quarter turns are |n| calls with the sign of n.
class DrawBase_t {
public:
    // Stores the previous link; next, kind and every field start at 0. The creator sets the kind and
    // links the previous primitive's next to the new one.
    explicit DrawBase_t(DrawBase_t* previous) : m_previous(previous) {}
    DrawBase_t(const DrawBase_t&) = delete;
    DrawBase_t& operator=(const DrawBase_t&) = delete;
    virtual ~DrawBase_t();

    virtual void Rotate90(int16_t d);

    DrawBase_t* m_next = nullptr;
    DrawBase_t* m_previous = nullptr;
    // Stored as its low 16 bits.
    int32_t m_kind = 0;
};

class DrawRepeat_t : public DrawBase_t {
public:
    using DrawBase_t::DrawBase_t;
    void Rotate90(int16_t d) override;

    uint16_t m_xRepeat = 0;
    uint16_t m_yRepeat = 0;
    // Steps may point either way: a turned block steps backwards.
    int16_t m_xStep = 0;
    int16_t m_yStep = 0;
};

class DrawPoint_t : public DrawBase_t {
public:
    using DrawBase_t::DrawBase_t;
    void Rotate90(int16_t d) override;

    int32_t m_x = 0;
    int32_t m_y = 0;
};

// A box given by two opposite corners, (x, y) and (x2, y2); a turn does not re-sort them.
class DrawRect_t : public DrawPoint_t {
public:
    using DrawPoint_t::DrawPoint_t;
    void Rotate90(int16_t d) override;

    int32_t m_x2 = 0;
    int32_t m_y2 = 0;
};

// An arc of the circle or ellipse inside the box, from the start point to the end point.
class DrawArc_t : public DrawRect_t {
public:
    using DrawRect_t::DrawRect_t;
    void Rotate90(int16_t d) override;

    int32_t m_startX = 0;
    int32_t m_startY = 0;
    int32_t m_endX = 0;
    int32_t m_endY = 0;
};

// The flashed shapes are centred on (x, y). The parameter count is the number of numbers the
// aperture definition gave: it tells whether a hole is absent, round (hole x only) or rectangular.
class DrawSolidCircle_t : public DrawPoint_t {
public:
    using DrawPoint_t::DrawPoint_t;
    void Rotate90(int16_t d) override;

    uint16_t m_paramCount = 0;
    uint16_t m_diameter = 0;
    uint16_t m_holeX = 0;
    uint16_t m_holeY = 0;
};

class DrawSolidOval_t : public DrawPoint_t {
public:
    using DrawPoint_t::DrawPoint_t;
    void Rotate90(int16_t d) override;

    uint16_t m_paramCount = 0;
    uint16_t m_width = 0;
    uint16_t m_height = 0;
    uint16_t m_holeX = 0;
    uint16_t m_holeY = 0;
};

class DrawSolidRectangle_t : public DrawPoint_t {
public:
    using DrawPoint_t::DrawPoint_t;
    // The rotation stays: width and height swap instead.
    void Rotate90(int16_t d) override;

    bool m_flag = false;
    uint16_t m_paramCount = 0;
    uint16_t m_width = 0;
    uint16_t m_height = 0;
    uint16_t m_holeX = 0;
    uint16_t m_holeY = 0;
    uint16_t m_rotation = 0; // degrees; 0 for aperture flashes
};

class DrawSolidPolygon_t : public DrawPoint_t {
public:
    using DrawPoint_t::DrawPoint_t;
    void Rotate90(int16_t d) override;

    bool m_flag = false;
    bool m_filled = false;
    uint16_t m_paramCount = 0;
    uint16_t m_size = 0; // outer diameter
    uint16_t m_vertexCount = 0;
    uint16_t m_holeX = 0;
    uint16_t m_holeY = 0;
    uint16_t m_rotation = 0; // degrees, 0..359 after a turn
};

class DrawMoire_t : public DrawPoint_t {
public:
    using DrawPoint_t::DrawPoint_t;
    void Rotate90(int16_t d) override;

    uint16_t m_outerDiameter = 0;
    uint16_t m_ringThickness = 0;
    uint16_t m_ringGap = 0;
    uint16_t m_maxRings = 0;
    uint16_t m_crossHairThickness = 0;
    uint16_t m_crossHairLength = 0;
    uint16_t m_rotation = 0; // degrees, 0..359 after a turn
};

class DrawThermal_t : public DrawPoint_t {
public:
    using DrawPoint_t::DrawPoint_t;
    void Rotate90(int16_t d) override;

    uint16_t m_outerDiameter = 0;
    uint16_t m_innerDiameter = 0;
    uint16_t m_gapThickness = 0;
    uint16_t m_rotation = 0; // degrees, 0..359 after a turn
};

} // namespace orv
