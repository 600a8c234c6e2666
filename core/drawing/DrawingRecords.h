#pragma once

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/drawing/DrawList.h"

#include <cstdint>

namespace orv {

// The stored form of a drawing: one record per primitive, each a 32-bit size in 16-bit words (the
// size field, the kind word and the parameters), the 16-bit kind and 16-bit parameters, all
// little-endian; the record of size 3 and kind 0 ends the drawing. The overlay options keep a
// drawing this way, and copying a drawing goes through it.
namespace drawing_records {
// The 6 bytes of the end record.
inline constexpr uint32_t kTerminatorBytes = 6;
// No record this program writes is longer; a longer size ends a drawing where it stands.
inline constexpr uint32_t kMaxRecordWords = 14;
inline constexpr uint32_t kMinRecordWords = 3;
// The record's size in words for a kind the format holds, else 0.
constexpr uint32_t RecordWordsOf(int32_t kind) {
    switch (kind) {
    case draw_kind::kRepeat:
    case draw_kind::kEllipse:
    case draw_kind::kRectangle:
        return 7;
    case draw_kind::kPoint:
    case draw_kind::kLineTo:
    case draw_kind::kMoveTo:
        return 5;
    case draw_kind::kSolidRectangle:
    case draw_kind::kMoire:
        return 12;
    case draw_kind::kThermal:
    case draw_kind::kSolidCircle:
        return 9;
    case draw_kind::kSolidPolygon:
        return 13;
    case draw_kind::kArc:
        return 11;
    case draw_kind::kSolidOval:
        return 10;
    default:
        return 0;
    }
}
} // namespace drawing_records

// Writes every primitive from head on in list order, then the end record. A primitive whose kind the
// format does not hold (or whose class does not match its kind) is left out with a debug line.
// Coordinates outside -32768..32767 are written as their low 16 bits.
void WriteOverlayDrawingRecords(QDataWriter& writer, const DrawBase_t* head);

// Reads records up to the end record (or a record longer than the format allows, which ends the
// drawing quietly) and returns the primitives. A record that is shorter than its kind needs, a size
// below 3, a record running past the end of the source, or exhausted memory fails with
// QOutOfMemoryException; nothing made so far survives.
DrawList ReadOverlayDrawingRecords(QDataReader& reader);

} // namespace orv
