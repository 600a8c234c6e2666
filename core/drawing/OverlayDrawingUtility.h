#pragma once

#include "core/drawing/DrawList.h"

#include <cstdint>
#include <string>

namespace orv {

// The model's half of the overlay picture utility: copying and turning a drawing, measuring it, and
// the size of a source file. The Qt class COverlayUtility forwards to these; the overlay control and
// the editors' model code call them directly.

struct DrawExtentPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// Where a measurement starts: a minimum above and a maximum below anything a drawing can hold, so
// that a drawing that adds nothing keeps them (and its extent reads as empty).
inline constexpr int32_t kDrawExtentMinimumStart = 655350;
inline constexpr int32_t kDrawExtentMaximumStart = -655351;

// A repeat block of more copies than this paints only its first copy, and is measured so.
inline constexpr uint64_t kMaxPaintedRepeatCopies = 10000;

// A deep copy of the list, every primitive turned by |quarterTurns| quarter turns with the sign of
// quarterTurns; an empty list gives an empty copy. The copy goes through the stored record form, so a
// primitive that form cannot hold is left out. Raises QOutOfMemoryException when memory runs out.
DrawList BuildDrawList(const DrawBase_t* drawing, int32_t quarterTurns);

// The box every painted pixel of the drawing lies in, in drawing units. Starts from
// kDrawExtentMinimumStart / kDrawExtentMaximumStart; an empty drawing leaves them so.
void GetDrawListExtent(const DrawBase_t* drawing, DrawExtentPoint& minimum, DrawExtentPoint& maximum);

// The circumradius a polygon of that outer size and vertex count is painted with; 0 below 3 vertices.
double PolygonCircumradius(uint16_t size, uint16_t vertexCount);

// The size in bytes (low 32 bits) of the file as the file system reports it; 0 when it has none.
uint32_t GetSourceFileSize(const std::string& path);

} // namespace orv
