#pragma once

#include "core/drawing/DrawList.h"
#include "overlay/import/ImportSource.h"

namespace orv {

// Turns a Gerber RS-274X layer into drawing primitives in tenths of a millimetre: tracks as move-to
// and line-to points, arcs, flashes of the aperture templates and of aperture macros, and
// step-and-repeat markers. Reads the source to its end or to the end code. An empty list means the
// file drew nothing or the import was stopped (an unknown parameter code or an include that cannot
// be opened is first shown in a box; a value beyond what a drawing can hold, an item beyond the
// format's length limits or an include holding more than macros and comments end it silently).
// Exhausted memory raises QOutOfMemoryException.
DrawList GerberConvert(ImportSource& file);

} // namespace orv
