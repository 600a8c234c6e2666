#include "tests/core/support/DrawingFixtures.h"

#include "core/drawing/DrawingRecords.h"

namespace orv::fake {

std::vector<uint8_t> DrawingRecord(uint16_t kind, std::initializer_list<int32_t> params, uint32_t words) {
    if (words == 0) {
        words = 3 + static_cast<uint32_t>(params.size());
    }
    std::vector<uint8_t> out;
    auto put16 = [&out](uint32_t value) {
        out.push_back(static_cast<uint8_t>(value & 0xFFU));
        out.push_back(static_cast<uint8_t>((value >> 8) & 0xFFU));
    };
    put16(words & 0xFFFFU);
    put16(words >> 16);
    put16(kind);
    for (int32_t value : params) {
        put16(static_cast<uint16_t>(value));
    }
    return out;
}

std::vector<uint8_t> DrawingBlob(std::initializer_list<std::vector<uint8_t>> records, bool terminate) {
    std::vector<uint8_t> out;
    for (const auto& record : records) {
        out.insert(out.end(), record.begin(), record.end());
    }
    if (terminate) {
        const std::vector<uint8_t> end = DrawingRecord(0, {});
        out.insert(out.end(), end.begin(), end.end());
    }
    return out;
}

std::vector<uint8_t> EveryKindBlob() {
    return DrawingBlob({
        DrawingRecord(0x010A, {3, 2, -100, 50}),
        DrawingRecord(0x0211, {-11, 12}),
        DrawingRecord(0x0212, {-21, 22, 1, 4, 23, 24, 25, 26, 27}),
        DrawingRecord(0x0213, {-31, -32}),
        DrawingRecord(0x0214, {41, -42}),
        DrawingRecord(0x0321, {-51, 52, 53, 54, 55, 56, 57, 58, 59}),
        DrawingRecord(0x0322, {61, -62, 63, 64, 65, 66}),
        DrawingRecord(0x0326, {-71, -72, 0, 1, 5, 73, 6, 74, 75, 76}),
        DrawingRecord(0x0418, {-81, 82, 83, -84}),
        DrawingRecord(0x041B, {91, 92, -93, 94}),
        DrawingRecord(0x0817, {-101, -102, 103, 104, -105, 106, 107, -108}),
        DrawingRecord(0x0818, {-32768, 32767, 3, 111, 112, 113}),
        DrawingRecord(0x0819, {121, -122, 4, 123, 124, 125, 126}),
    });
}

DrawList EveryKindList() {
    DrawList list;
    auto* repeat = list.Append<DrawRepeat_t>(draw_kind::kRepeat);
    repeat->m_xRepeat = 3;
    repeat->m_yRepeat = 2;
    repeat->m_xStep = -100;
    repeat->m_yStep = 50;
    auto point = [&list](int32_t kind, int32_t x, int32_t y) {
        auto* made = list.Append<DrawPoint_t>(kind);
        made->m_x = x;
        made->m_y = y;
    };
    point(draw_kind::kPoint, 12, -11);
    auto* rectangle = list.Append<DrawSolidRectangle_t>(draw_kind::kSolidRectangle);
    rectangle->m_y = -21;
    rectangle->m_x = 22;
    rectangle->m_flag = true;
    rectangle->m_paramCount = 4;
    rectangle->m_width = 23;
    rectangle->m_height = 24;
    rectangle->m_holeX = 25;
    rectangle->m_holeY = 26;
    rectangle->m_rotation = 27;
    point(draw_kind::kLineTo, -32, -31);
    point(draw_kind::kMoveTo, -42, 41);
    auto* moire = list.Append<DrawMoire_t>(draw_kind::kMoire);
    moire->m_y = -51;
    moire->m_x = 52;
    moire->m_outerDiameter = 53;
    moire->m_ringThickness = 54;
    moire->m_ringGap = 55;
    moire->m_maxRings = 56;
    moire->m_crossHairThickness = 57;
    moire->m_crossHairLength = 58;
    moire->m_rotation = 59;
    auto* thermal = list.Append<DrawThermal_t>(draw_kind::kThermal);
    thermal->m_y = 61;
    thermal->m_x = -62;
    thermal->m_outerDiameter = 63;
    thermal->m_innerDiameter = 64;
    thermal->m_gapThickness = 65;
    thermal->m_rotation = 66;
    auto* polygon = list.Append<DrawSolidPolygon_t>(draw_kind::kSolidPolygon);
    polygon->m_y = -71;
    polygon->m_x = -72;
    polygon->m_flag = false;
    polygon->m_filled = true;
    polygon->m_paramCount = 5;
    polygon->m_size = 73;
    polygon->m_vertexCount = 6;
    polygon->m_holeX = 74;
    polygon->m_holeY = 75;
    polygon->m_rotation = 76;
    auto box = [&list](int32_t kind, int32_t x, int32_t y, int32_t x2, int32_t y2) {
        auto* made = list.Append<DrawRect_t>(kind);
        made->m_x = x;
        made->m_y = y;
        made->m_x2 = x2;
        made->m_y2 = y2;
    };
    box(draw_kind::kEllipse, -84, 83, 82, -81);
    box(draw_kind::kRectangle, 94, -93, 92, 91);
    auto* arc = list.Append<DrawArc_t>(draw_kind::kArc);
    arc->m_y2 = -101;
    arc->m_x2 = -102;
    arc->m_y = 103;
    arc->m_x = 104;
    arc->m_startY = -105;
    arc->m_startX = 106;
    arc->m_endY = 107;
    arc->m_endX = -108;
    auto* circle = list.Append<DrawSolidCircle_t>(draw_kind::kSolidCircle);
    circle->m_y = -32768;
    circle->m_x = 32767;
    circle->m_paramCount = 3;
    circle->m_diameter = 111;
    circle->m_holeX = 112;
    circle->m_holeY = 113;
    auto* oval = list.Append<DrawSolidOval_t>(draw_kind::kSolidOval);
    oval->m_y = 121;
    oval->m_x = -122;
    oval->m_paramCount = 4;
    oval->m_width = 123;
    oval->m_height = 124;
    oval->m_holeX = 125;
    oval->m_holeY = 126;
    return list;
}

std::vector<uint8_t> WrittenRecords(const DrawBase_t* head) {
    QCharCounterDataWriter counter;
    WriteOverlayDrawingRecords(counter, head);
    std::vector<uint8_t> out(counter.m_count);
    QCharArrayDataWriter writer(out.data(), counter.m_count);
    WriteOverlayDrawingRecords(writer, head);
    return out;
}

} // namespace orv::fake
