#pragma once

#include "overlay/import/ImportSource.h"

#include <cstdint>

namespace orv {

inline constexpr int32_t kDrawingFileUnknown = -1;
inline constexpr int32_t kDrawingFileGerber = 1;
inline constexpr int32_t kDrawingFileHpgl = 2;

// Looks at up to four blocks of 1,000 bytes from the source's current position, each on its own (a
// statement cut by a block boundary is not seen whole): the HPGL tests first, then the Gerber test.
// Answers kDrawingFileHpgl, kDrawingFileGerber, or kDrawingFileUnknown (also when a read gives no
// bytes). The caller rewinds or reopens the file before importing.
int32_t DetectDrawingFileType(ImportSource& file);

} // namespace orv
