// Copying a drawing the way every turned drawing is made: the list written as drawing records (sized
// by a counting run first) and read back into a new list, against one memcpy of the same record
// bytes. Also reports the bytes a copy allocates against the bytes of the list's own primitives.
#include "bench/support/AllocationCounter.h"
#include "core/QOverlayOptions.h"
#include "core/drawing/DrawingRecords.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace orv;

constexpr int kPrimitives = 100000;

// A board-like mix: mostly tracks (move-to, line-to), then flashes, arcs and a few of the rest.
DrawList MixedDrawing(uint64_t& ownBytes) {
    DrawList list;
    ownBytes = 0;
    for (int i = 0; i < kPrimitives; ++i) {
        const auto x = static_cast<int32_t>(i % 30000 - 15000);
        const auto y = static_cast<int32_t>((i * 7) % 24000 - 12000);
        switch (i % 10) {
        case 0:
        case 1:
        case 2:
        case 3: {
            auto* p = list.Append<DrawPoint_t>(i % 2 == 0 ? draw_kind::kMoveTo : draw_kind::kLineTo);
            p->m_x = x;
            p->m_y = y;
            ownBytes += sizeof(DrawPoint_t);
            break;
        }
        case 4: {
            auto* c = list.Append<DrawSolidCircle_t>(draw_kind::kSolidCircle);
            c->m_x = x;
            c->m_y = y;
            c->m_paramCount = 2;
            c->m_diameter = 60;
            c->m_holeX = 30;
            ownBytes += sizeof(DrawSolidCircle_t);
            break;
        }
        case 5: {
            auto* r = list.Append<DrawSolidRectangle_t>(draw_kind::kSolidRectangle);
            r->m_x = x;
            r->m_y = y;
            r->m_flag = true;
            r->m_paramCount = 2;
            r->m_width = 40;
            r->m_height = 80;
            ownBytes += sizeof(DrawSolidRectangle_t);
            break;
        }
        case 6: {
            auto* a = list.Append<DrawArc_t>(draw_kind::kArc);
            a->m_x = x - 50;
            a->m_y = y - 50;
            a->m_x2 = x + 50;
            a->m_y2 = y + 50;
            a->m_startX = x + 50;
            a->m_startY = y;
            a->m_endX = x;
            a->m_endY = y + 50;
            ownBytes += sizeof(DrawArc_t);
            break;
        }
        case 7: {
            auto* o = list.Append<DrawSolidOval_t>(draw_kind::kSolidOval);
            o->m_x = x;
            o->m_y = y;
            o->m_paramCount = 2;
            o->m_width = 50;
            o->m_height = 30;
            ownBytes += sizeof(DrawSolidOval_t);
            break;
        }
        case 8: {
            auto* g = list.Append<DrawSolidPolygon_t>(draw_kind::kSolidPolygon);
            g->m_x = x;
            g->m_y = y;
            g->m_flag = true;
            g->m_filled = true;
            g->m_paramCount = 3;
            g->m_size = 70;
            g->m_vertexCount = 8;
            g->m_rotation = 45;
            ownBytes += sizeof(DrawSolidPolygon_t);
            break;
        }
        default: {
            if (i % 20 == 9) {
                auto* t = list.Append<DrawThermal_t>(draw_kind::kThermal);
                t->m_x = x;
                t->m_y = y;
                t->m_outerDiameter = 90;
                t->m_innerDiameter = 60;
                t->m_gapThickness = 10;
                ownBytes += sizeof(DrawThermal_t);
            } else {
                auto* b = list.Append<DrawRect_t>(draw_kind::kEllipse);
                b->m_x = x;
                b->m_y = y;
                b->m_x2 = x + 100;
                b->m_y2 = y + 60;
                ownBytes += sizeof(DrawRect_t);
            }
            break;
        }
        }
    }
    return list;
}

// The copy of a drawing: sizing run, buffer, records, list read back; the buffer is freed after.
DrawList CopyDrawing(const DrawBase_t* head) {
    QCharCounterDataWriter counter;
    WriteOverlayDrawingRecords(counter, head);
    auto buffer = std::make_unique<uint8_t[]>(counter.m_count);
    QCharArrayDataWriter writer(buffer.get(), counter.m_count);
    WriteOverlayDrawingRecords(writer, head);
    QCharArrayDataReader reader(buffer.get(), counter.m_count);
    return QOverlayOptions::LoadList(reader);
}

std::vector<uint8_t> RecordsOf(const DrawBase_t* head) {
    QCharCounterDataWriter counter;
    WriteOverlayDrawingRecords(counter, head);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), counter.m_count);
    WriteOverlayDrawingRecords(writer, head);
    return bytes;
}

void BM_CopyRecordBytes(benchmark::State& state) {
    uint64_t ownBytes = 0;
    const DrawList source = MixedDrawing(ownBytes);
    const std::vector<uint8_t> bytes = RecordsOf(source.Head());
    std::vector<uint8_t> target(bytes.size());
    for (auto _ : state) {
        std::memcpy(target.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.counters["record_bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_CopyRecordBytes)->Unit(benchmark::kMicrosecond);

// The round trip includes deleting the copy, as every turned drawing is deleted again.
void BM_DrawingRoundTrip(benchmark::State& state) {
    uint64_t ownBytes = 0;
    const DrawList source = MixedDrawing(ownBytes);
    uint64_t allocated = 0;
    uint64_t copies = 0;
    for (auto _ : state) {
        const uint64_t before = orv::bench::AllocatedBytes();
        DrawList copy = CopyDrawing(source.Head());
        allocated += orv::bench::AllocatedBytes() - before;
        ++copies;
        benchmark::DoNotOptimize(copy.Head());
    }
    state.counters["list_own_bytes"] = static_cast<double>(ownBytes);
    state.counters["allocated_per_copy"] = static_cast<double>(allocated) / static_cast<double>(copies);
    state.counters["allocated_in_list_bytes"] =
        static_cast<double>(allocated) / static_cast<double>(copies) / static_cast<double>(ownBytes);
}
BENCHMARK(BM_DrawingRoundTrip)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
