#include "core/drawing/DrawingRecords.h"

#include "core/ByteCodec.h"
#include "core/QException.h"
#include "platform/debug/DebugOutput.h"

#include <cstdio>
#include <new>
#include <typeinfo>

namespace orv {
namespace {

constexpr const char* kLoadFailure =
    "Memory exhausted while creating the OVR list [QOverlayOptions::LoadList].";

// Only a primitive of exactly the class its kind names is written: the fields of any other would be
// read from an object that does not have them.
template <typename T> const T* As(const DrawBase_t& primitive) {
    return typeid(primitive) == typeid(T) ? static_cast<const T*>(&primitive) : nullptr;
}

// The record's size in words when the format can hold the primitive, else 0.
uint32_t WordsOf(const DrawBase_t& primitive) {
    using namespace draw_kind;
    switch (primitive.m_kind) {
    case kRepeat:
        return As<DrawRepeat_t>(primitive) != nullptr ? 7 : 0;
    case kPoint:
    case kLineTo:
    case kMoveTo:
        return As<DrawPoint_t>(primitive) != nullptr ? 5 : 0;
    case kSolidRectangle:
        return As<DrawSolidRectangle_t>(primitive) != nullptr ? 12 : 0;
    case kMoire:
        return As<DrawMoire_t>(primitive) != nullptr ? 12 : 0;
    case kThermal:
        return As<DrawThermal_t>(primitive) != nullptr ? 9 : 0;
    case kSolidPolygon:
        return As<DrawSolidPolygon_t>(primitive) != nullptr ? 13 : 0;
    case kEllipse:
    case kRectangle:
        return As<DrawRect_t>(primitive) != nullptr ? 7 : 0;
    case kArc:
        return As<DrawArc_t>(primitive) != nullptr ? 11 : 0;
    case kSolidCircle:
        return As<DrawSolidCircle_t>(primitive) != nullptr ? 9 : 0;
    case kSolidOval:
        return As<DrawSolidOval_t>(primitive) != nullptr ? 10 : 0;
    default:
        return 0;
    }
}

// Coordinates are written as their low 16 bits.
void PutWord(uint8_t*& cursor, int32_t value) {
    PutLE(cursor, static_cast<uint16_t>(value));
}
void PutFlag(uint8_t*& cursor, bool value) {
    PutLE(cursor, static_cast<uint16_t>(value ? 1 : 0));
}

// The parameters of a primitive that WordsOf accepted, in stored order.
void EncodeParameters(const DrawBase_t& primitive, uint8_t* cursor) {
    using namespace draw_kind;
    switch (primitive.m_kind) {
    case kRepeat: {
        const auto& r = static_cast<const DrawRepeat_t&>(primitive);
        PutLE(cursor, r.m_xRepeat);
        PutLE(cursor, r.m_yRepeat);
        PutLE(cursor, r.m_xStep);
        PutLE(cursor, r.m_yStep);
        break;
    }
    case kPoint:
    case kLineTo:
    case kMoveTo: {
        const auto& q = static_cast<const DrawPoint_t&>(primitive);
        PutWord(cursor, q.m_y);
        PutWord(cursor, q.m_x);
        break;
    }
    case kSolidRectangle: {
        const auto& r = static_cast<const DrawSolidRectangle_t&>(primitive);
        PutWord(cursor, r.m_y);
        PutWord(cursor, r.m_x);
        PutFlag(cursor, r.m_flag);
        PutLE(cursor, r.m_paramCount);
        PutLE(cursor, r.m_width);
        PutLE(cursor, r.m_height);
        PutLE(cursor, r.m_holeX);
        PutLE(cursor, r.m_holeY);
        PutLE(cursor, r.m_rotation);
        break;
    }
    case kMoire: {
        const auto& m = static_cast<const DrawMoire_t&>(primitive);
        PutWord(cursor, m.m_y);
        PutWord(cursor, m.m_x);
        PutLE(cursor, m.m_outerDiameter);
        PutLE(cursor, m.m_ringThickness);
        PutLE(cursor, m.m_ringGap);
        PutLE(cursor, m.m_maxRings);
        PutLE(cursor, m.m_crossHairThickness);
        PutLE(cursor, m.m_crossHairLength);
        PutLE(cursor, m.m_rotation);
        break;
    }
    case kThermal: {
        const auto& t = static_cast<const DrawThermal_t&>(primitive);
        PutWord(cursor, t.m_y);
        PutWord(cursor, t.m_x);
        PutLE(cursor, t.m_outerDiameter);
        PutLE(cursor, t.m_innerDiameter);
        PutLE(cursor, t.m_gapThickness);
        PutLE(cursor, t.m_rotation);
        break;
    }
    case kSolidPolygon: {
        const auto& g = static_cast<const DrawSolidPolygon_t&>(primitive);
        PutWord(cursor, g.m_y);
        PutWord(cursor, g.m_x);
        PutFlag(cursor, g.m_flag);
        PutFlag(cursor, g.m_filled);
        PutLE(cursor, g.m_paramCount);
        PutLE(cursor, g.m_size);
        PutLE(cursor, g.m_vertexCount);
        PutLE(cursor, g.m_holeX);
        PutLE(cursor, g.m_holeY);
        PutLE(cursor, g.m_rotation);
        break;
    }
    case kEllipse:
    case kRectangle: {
        const auto& b = static_cast<const DrawRect_t&>(primitive);
        PutWord(cursor, b.m_y2);
        PutWord(cursor, b.m_x2);
        PutWord(cursor, b.m_y);
        PutWord(cursor, b.m_x);
        break;
    }
    case kArc: {
        const auto& a = static_cast<const DrawArc_t&>(primitive);
        PutWord(cursor, a.m_y2);
        PutWord(cursor, a.m_x2);
        PutWord(cursor, a.m_y);
        PutWord(cursor, a.m_x);
        PutWord(cursor, a.m_startY);
        PutWord(cursor, a.m_startX);
        PutWord(cursor, a.m_endY);
        PutWord(cursor, a.m_endX);
        break;
    }
    case kSolidCircle: {
        const auto& c = static_cast<const DrawSolidCircle_t&>(primitive);
        PutWord(cursor, c.m_y);
        PutWord(cursor, c.m_x);
        PutLE(cursor, c.m_paramCount);
        PutLE(cursor, c.m_diameter);
        PutLE(cursor, c.m_holeX);
        PutLE(cursor, c.m_holeY);
        break;
    }
    case kSolidOval: {
        const auto& o = static_cast<const DrawSolidOval_t&>(primitive);
        PutWord(cursor, o.m_y);
        PutWord(cursor, o.m_x);
        PutLE(cursor, o.m_paramCount);
        PutLE(cursor, o.m_width);
        PutLE(cursor, o.m_height);
        PutLE(cursor, o.m_holeX);
        PutLE(cursor, o.m_holeY);
        break;
    }
    default:
        break;
    }
}

int32_t Coordinate(const uint8_t*& cursor) {
    return GetLE<int16_t>(cursor);
}
uint16_t Unsigned(const uint8_t*& cursor) {
    return GetLE<uint16_t>(cursor);
}
bool IsSet(const uint8_t*& cursor) {
    return GetLE<uint16_t>(cursor) == 1;
}

// Makes the primitive of a record whose kind the format holds and whose parameters are all present.
void DecodeRecord(DrawList& list, int32_t kind, const uint8_t* cursor) {
    using namespace draw_kind;
    switch (kind) {
    case kRepeat: {
        auto* r = list.Append<DrawRepeat_t>(kind);
        r->m_xRepeat = Unsigned(cursor);
        r->m_yRepeat = Unsigned(cursor);
        r->m_xStep = GetLE<int16_t>(cursor);
        r->m_yStep = GetLE<int16_t>(cursor);
        break;
    }
    case kPoint:
    case kLineTo:
    case kMoveTo: {
        auto* q = list.Append<DrawPoint_t>(kind);
        q->m_y = Coordinate(cursor);
        q->m_x = Coordinate(cursor);
        break;
    }
    case kSolidRectangle: {
        auto* r = list.Append<DrawSolidRectangle_t>(kind);
        r->m_y = Coordinate(cursor);
        r->m_x = Coordinate(cursor);
        r->m_flag = IsSet(cursor);
        r->m_paramCount = Unsigned(cursor);
        r->m_width = Unsigned(cursor);
        r->m_height = Unsigned(cursor);
        r->m_holeX = Unsigned(cursor);
        r->m_holeY = Unsigned(cursor);
        r->m_rotation = Unsigned(cursor);
        break;
    }
    case kMoire: {
        auto* m = list.Append<DrawMoire_t>(kind);
        m->m_y = Coordinate(cursor);
        m->m_x = Coordinate(cursor);
        m->m_outerDiameter = Unsigned(cursor);
        m->m_ringThickness = Unsigned(cursor);
        m->m_ringGap = Unsigned(cursor);
        m->m_maxRings = Unsigned(cursor);
        m->m_crossHairThickness = Unsigned(cursor);
        m->m_crossHairLength = Unsigned(cursor);
        m->m_rotation = Unsigned(cursor);
        break;
    }
    case kThermal: {
        auto* t = list.Append<DrawThermal_t>(kind);
        t->m_y = Coordinate(cursor);
        t->m_x = Coordinate(cursor);
        t->m_outerDiameter = Unsigned(cursor);
        t->m_innerDiameter = Unsigned(cursor);
        t->m_gapThickness = Unsigned(cursor);
        t->m_rotation = Unsigned(cursor);
        break;
    }
    case kSolidPolygon: {
        auto* g = list.Append<DrawSolidPolygon_t>(kind);
        g->m_y = Coordinate(cursor);
        g->m_x = Coordinate(cursor);
        g->m_flag = IsSet(cursor);
        g->m_filled = IsSet(cursor);
        g->m_paramCount = Unsigned(cursor);
        g->m_size = Unsigned(cursor);
        g->m_vertexCount = Unsigned(cursor);
        g->m_holeX = Unsigned(cursor);
        g->m_holeY = Unsigned(cursor);
        g->m_rotation = Unsigned(cursor);
        break;
    }
    case kEllipse:
    case kRectangle: {
        auto* b = list.Append<DrawRect_t>(kind);
        b->m_y2 = Coordinate(cursor);
        b->m_x2 = Coordinate(cursor);
        b->m_y = Coordinate(cursor);
        b->m_x = Coordinate(cursor);
        break;
    }
    case kArc: {
        auto* a = list.Append<DrawArc_t>(kind);
        a->m_y2 = Coordinate(cursor);
        a->m_x2 = Coordinate(cursor);
        a->m_y = Coordinate(cursor);
        a->m_x = Coordinate(cursor);
        a->m_startY = Coordinate(cursor);
        a->m_startX = Coordinate(cursor);
        a->m_endY = Coordinate(cursor);
        a->m_endX = Coordinate(cursor);
        break;
    }
    case kSolidCircle: {
        auto* c = list.Append<DrawSolidCircle_t>(kind);
        c->m_y = Coordinate(cursor);
        c->m_x = Coordinate(cursor);
        c->m_paramCount = Unsigned(cursor);
        c->m_diameter = Unsigned(cursor);
        c->m_holeX = Unsigned(cursor);
        c->m_holeY = Unsigned(cursor);
        break;
    }
    case kSolidOval: {
        auto* o = list.Append<DrawSolidOval_t>(kind);
        o->m_y = Coordinate(cursor);
        o->m_x = Coordinate(cursor);
        o->m_paramCount = Unsigned(cursor);
        o->m_width = Unsigned(cursor);
        o->m_height = Unsigned(cursor);
        o->m_holeX = Unsigned(cursor);
        o->m_holeY = Unsigned(cursor);
        break;
    }
    default:
        break;
    }
}

void ReportUnsupported(int32_t kind) {
    char line[64];
    std::snprintf(line, sizeof line, "meta function %0x not supported.\n", static_cast<unsigned>(kind));
    OutputDebugString(line);
}

} // namespace

void WriteOverlayDrawingRecords(QDataWriter& writer, const DrawBase_t* head) {
    // A sizing run needs only the records' sizes.
    auto* counter = dynamic_cast<QCharCounterDataWriter*>(&writer);
    uint8_t record[2 * drawing_records::kMaxRecordWords];
    for (const DrawBase_t* primitive = head; primitive != nullptr; primitive = primitive->m_next) {
        const uint32_t words = WordsOf(*primitive);
        if (words == 0) {
            ReportUnsupported(primitive->m_kind);
        } else if (counter != nullptr) {
            counter->m_count += 2 * words;
        } else {
            // Encoded in the writer's own buffer where it has room, else assembled and written.
            uint8_t* place = writer.Claim(2 * words);
            uint8_t* cursor = place != nullptr ? place : record;
            PutLE(cursor, words);
            PutLE(cursor, static_cast<uint16_t>(primitive->m_kind));
            EncodeParameters(*primitive, cursor);
            if (place == nullptr) {
                writer.Write(record, 2 * words);
            }
        }
    }
    uint8_t terminator[drawing_records::kTerminatorBytes];
    uint8_t* cursor = terminator;
    PutLE(cursor, drawing_records::kMinRecordWords);
    PutLE(cursor, uint16_t{0});
    writer.Write(terminator, sizeof terminator);
}

DrawList ReadOverlayDrawingRecords(QDataReader& reader) {
    DrawList list;
    try {
        uint8_t rest[2 * drawing_records::kMaxRecordWords - 4];
        for (;;) {
            const uint32_t words = reader.ReadU32();
            if (words > drawing_records::kMaxRecordWords) {
                break;
            }
            if (words < drawing_records::kMinRecordWords) {
                reader.ThrowInsufficient();
            }
            // Decoded in the reader's own buffer where it holds the record, else copied out first.
            const uint8_t* cursor = reader.Take(2 * words - 4);
            if (cursor == nullptr) {
                reader.Read(rest, 2 * words - 4);
                cursor = rest;
            }
            const auto kind = static_cast<int32_t>(GetLE<uint16_t>(cursor));
            if (kind == 0) {
                break;
            }
            const uint32_t needed = drawing_records::RecordWordsOf(kind);
            if (needed == 0) {
                continue; // a kind of no primitive: its bytes are passed over
            }
            if (words < needed) {
                reader.ThrowInsufficient();
            }
            DecodeRecord(list, kind, cursor);
        }
    } catch (const QException&) {
        throw QOutOfMemoryException(kLoadFailure);
    } catch (const std::bad_alloc&) {
        throw QOutOfMemoryException(kLoadFailure);
    }
    return list;
}

} // namespace orv
