#include "core/drawing/OverlayDrawingUtility.h"
#include "core/drawing/DrawList.h"
#include "platform/debug/DebugOutput.h"
#include "tests/core/support/DrawingFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace orv {
namespace {

using Extent = std::pair<std::pair<int32_t, int32_t>, std::pair<int32_t, int32_t>>;

Extent Measure(const DrawList& list) {
    DrawExtentPoint minimum;
    DrawExtentPoint maximum;
    GetDrawListExtent(list.Head(), minimum, maximum);
    return {{minimum.x, minimum.y}, {maximum.x, maximum.y}};
}

constexpr Extent kEmptyExtent{{655350, 655350}, {-655351, -655351}};

void AddPoint(DrawList& list, int32_t kind, int32_t x, int32_t y) {
    auto* p = list.Append<DrawPoint_t>(kind);
    p->m_x = x;
    p->m_y = y;
}

void AddRepeat(DrawList& list, uint16_t xr, uint16_t yr, int16_t xs, int16_t ys) {
    auto* r = list.Append<DrawRepeat_t>(draw_kind::kRepeat);
    r->m_xRepeat = xr;
    r->m_yRepeat = yr;
    r->m_xStep = xs;
    r->m_yStep = ys;
}

TEST(OverlayDrawingUtilityTest, CopiesTurnEveryPrimitiveByTheSignedQuarterTurns) {
    // Each count against the same list turned by hand: |n| calls of Rotate90 with the sign of n.
    const std::pair<int32_t, std::pair<int16_t, int>> cases[] = {{0, {1, 0}}, {1, {1, 1}},   {-1, {-1, 1}},
                                                                 {3, {1, 3}}, {-4, {-1, 4}}, {6, {1, 6}}};
    for (const auto& [turns, byHand] : cases) {
        const DrawList original = fake::EveryKindList();
        DrawList copy = BuildDrawList(original.Head(), turns);
        DrawList expected = fake::EveryKindList();
        for (DrawBase_t* p = expected.Head(); p != nullptr; p = p->m_next) {
            for (int i = 0; i < byHand.second; ++i) {
                p->Rotate90(byHand.first);
            }
        }
        EXPECT_EQ(fake::WrittenRecords(copy.Head()), fake::WrittenRecords(expected.Head())) << turns;
        // A deep copy: the original is untouched and shares nothing.
        EXPECT_EQ(fake::WrittenRecords(original.Head()), fake::EveryKindBlob()) << turns;
        EXPECT_NE(copy.Head(), original.Head());
    }
    // -1 and +3 end at the same place; so do -1 and three turns by hand the other way.
    const DrawList original = fake::EveryKindList();
    EXPECT_EQ(fake::WrittenRecords(BuildDrawList(original.Head(), -1).Head()),
              fake::WrittenRecords(BuildDrawList(original.Head(), 3).Head()));
}

TEST(OverlayDrawingUtilityTest, CopyKeepsUnpaintedKindsAndAnEmptyListCopiesToNothing) {
    DrawList list;
    AddPoint(list, draw_kind::kPoint, 3, 4);
    auto* box = list.Append<DrawRect_t>(draw_kind::kRectangle);
    box->m_x2 = 10;
    box->m_y2 = 20;
    const DrawList copy = BuildDrawList(list.Head(), 0);
    ASSERT_NE(copy.Head(), nullptr);
    EXPECT_EQ(copy.Head()->m_kind, draw_kind::kPoint);
    ASSERT_NE(copy.Head()->m_next, nullptr);
    EXPECT_EQ(copy.Head()->m_next->m_kind, draw_kind::kRectangle);
    EXPECT_EQ(copy.Head()->m_next->m_previous, copy.Head());

    EXPECT_TRUE(BuildDrawList(nullptr, 3).IsEmpty());
    // A primitive the stored form cannot hold is not copied.
    DrawList unknown;
    unknown.Append<DrawPoint_t>(0x0411);
    DebugOutputCapture debug;
    EXPECT_TRUE(BuildDrawList(unknown.Head(), 0).IsEmpty());
    EXPECT_EQ(debug.Texts(), std::vector<std::string>(2, "meta function 411 not supported.\n"));
}

TEST(OverlayDrawingUtilityTest, ExtentOfEachKind) {
    struct Case {
        const char* name;
        void (*build)(DrawList&);
        Extent extent;
    };
    const Case cases[] = {
        {"empty", [](DrawList&) {}, kEmptyExtent},
        {"unpainted point", [](DrawList& l) { AddPoint(l, draw_kind::kPoint, 5, 5); }, kEmptyExtent},
        {"move and line",
         [](DrawList& l) {
             AddPoint(l, draw_kind::kMoveTo, 10, -20);
             AddPoint(l, draw_kind::kLineTo, -30, 40);
         },
         {{-30, -20}, {10, 40}}},
        {"turned box, corners unsorted",
         [](DrawList& l) {
             auto* b = l.Append<DrawArc_t>(draw_kind::kArc);
             b->m_x = 50;
             b->m_y = 60;
             b->m_x2 = -50;
             b->m_y2 = -60;
             b->m_startX = 1000; // an arc's end points are not measured
         },
         {{-50, -60}, {50, 60}}},
        {"circle",
         [](DrawList& l) {
             auto* c = l.Append<DrawSolidCircle_t>(draw_kind::kSolidCircle);
             c->m_x = 100;
             c->m_diameter = 21;
         },
         {{90, -10}, {110, 10}}},
        {"oval by its longer side",
         [](DrawList& l) {
             auto* o = l.Append<DrawSolidOval_t>(draw_kind::kSolidOval);
             o->m_width = 10;
             o->m_height = 40;
         },
         {{-20, -20}, {20, 20}}},
        {"rectangle turned 45 degrees reaches its half diagonal",
         [](DrawList& l) {
             auto* r = l.Append<DrawSolidRectangle_t>(draw_kind::kSolidRectangle);
             r->m_width = 60;
             r->m_height = 80;
             r->m_rotation = 45;
         },
         {{-50, -50}, {50, 50}}},
        {"thermal",
         [](DrawList& l) {
             auto* t = l.Append<DrawThermal_t>(draw_kind::kThermal);
             t->m_outerDiameter = 30;
             t->m_innerDiameter = 20;
         },
         {{-15, -15}, {15, 15}}},
        {"moire with a cross-hair longer than its rings",
         [](DrawList& l) {
             auto* m = l.Append<DrawMoire_t>(draw_kind::kMoire);
             m->m_outerDiameter = 30;
             m->m_crossHairLength = 51;
         },
         {{-26, -26}, {26, 26}}},
        {"hexagon by its circumradius",
         [](DrawList& l) {
             auto* g = l.Append<DrawSolidPolygon_t>(draw_kind::kSolidPolygon);
             g->m_size = 100;
             g->m_vertexCount = 6;
         },
         {{-100, -100}, {100, 100}}},
        {"repeat moves both corners to the far copy",
         [](DrawList& l) {
             AddRepeat(l, 3, 2, 100, 50);
             auto* c = l.Append<DrawSolidCircle_t>(draw_kind::kSolidCircle);
             c->m_diameter = 20;
         },
         {{-10, -10}, {210, 60}}},
        {"turned repeat steps backwards and extends the minimum",
         [](DrawList& l) {
             AddRepeat(l, 2, 3, 50, -100);
             AddPoint(l, draw_kind::kMoveTo, 0, 0);
         },
         {{0, -200}, {50, 0}}},
        {"a repeat of one copy ends the block",
         [](DrawList& l) {
             AddRepeat(l, 3, 1, 100, 0);
             AddPoint(l, draw_kind::kMoveTo, 0, 0);
             AddRepeat(l, 1, 1, 0, 0);
             AddPoint(l, draw_kind::kLineTo, 5, 5);
         },
         {{0, 0}, {200, 5}}},
        {"a repeat too large to paint adds only its first copy",
         [](DrawList& l) {
             AddRepeat(l, 65535, 65535, 32767, 32767);
             AddPoint(l, draw_kind::kMoveTo, 7, 8);
         },
         {{7, 8}, {7, 8}}},
    };
    for (const Case& c : cases) {
        DrawList list;
        c.build(list);
        EXPECT_EQ(Measure(list), c.extent) << c.name;
    }
}

TEST(OverlayDrawingUtilityTest, PolygonCircumradius) {
    EXPECT_DOUBLE_EQ(PolygonCircumradius(100, 6), 100.0);
    EXPECT_NEAR(PolygonCircumradius(100, 4), 100.0 / std::sqrt(2.0), 1e-9);
    EXPECT_EQ(PolygonCircumradius(100, 2), 0.0);
    EXPECT_EQ(PolygonCircumradius(100, 0), 0.0);
}

TEST(OverlayDrawingUtilityTest, SourceFileSizeIsTheFilesByteCountOrZero) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("orv-source-size-" + std::to_string(::getpid()) + ".bin");
    {
        std::ofstream file(path, std::ios::binary);
        file << std::string(1234, 'x');
    }
    EXPECT_EQ(GetSourceFileSize(path.string()), 1234U);
    std::filesystem::remove(path);
    EXPECT_EQ(GetSourceFileSize(path.string()), 0U);
}

} // namespace
} // namespace orv
