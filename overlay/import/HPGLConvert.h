#pragma once

#include "core/drawing/DrawList.h"
#include "overlay/import/ImportSource.h"

namespace orv {

// Turns an HPGL plotter file (with HP-GL/2's polyline-encoded instruction) into drawing primitives in
// tenths of a millimetre: a plotter unit is 0.25 of them. Pen moves become move-to and line-to
// points, CI an ellipse box, AA and AR arcs. Reads the source to its end. An empty list means the
// file drew nothing (no pen, plot or encoded-polyline statement) or the import was abandoned (a
// statement without the numbers it needs, or a point beyond what a drawing can hold). Exhausted
// memory raises QOutOfMemoryException.
DrawList HPGLConvert(ImportSource& file);

} // namespace orv
