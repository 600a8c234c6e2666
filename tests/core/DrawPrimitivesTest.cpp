#include "core/drawing/DrawPrimitives.h"
#include "core/drawing/DrawList.h"
#include "tests/core/support/DrawingFixtures.h"

#include <gtest/gtest.h>

#include <utility>

namespace orv {
namespace {

TEST(DrawPrimitivesTest, NewPrimitiveStoresItsPreviousLinkAndStartsCleared) {
    DrawPoint_t first(nullptr);
    DrawSolidPolygon_t polygon(&first);
    EXPECT_EQ(polygon.m_previous, &first);
    EXPECT_EQ(polygon.m_next, nullptr);
    EXPECT_EQ(polygon.m_kind, 0);
    EXPECT_EQ(polygon.m_x, 0);
    EXPECT_FALSE(polygon.m_flag);
    EXPECT_FALSE(polygon.m_filled);
    EXPECT_EQ(polygon.m_rotation, 0);
}

TEST(DrawPrimitivesTest, QuarterTurnsOfEachKind) {
    // The box keeps its corners' order: after a turn the first corner need not be the top left.
    DrawRect_t box(nullptr);
    box.m_x2 = 10;
    box.m_y2 = 20;
    box.Rotate90(1);
    EXPECT_EQ(std::pair(box.m_x, box.m_y), std::pair(0, 0));
    EXPECT_EQ(std::pair(box.m_x2, box.m_y2), std::pair(-20, 10));
    box.Rotate90(-1);
    EXPECT_EQ(std::pair(box.m_x2, box.m_y2), std::pair(10, 20));

    DrawArc_t arc(nullptr);
    arc.m_x = 1;
    arc.m_y = 2;
    arc.m_x2 = 3;
    arc.m_y2 = 4;
    arc.m_startX = 5;
    arc.m_startY = -6;
    arc.m_endX = -7;
    arc.m_endY = 8;
    arc.Rotate90(-1);
    EXPECT_EQ(std::pair(arc.m_x, arc.m_y), std::pair(2, -1));
    EXPECT_EQ(std::pair(arc.m_x2, arc.m_y2), std::pair(4, -3));
    EXPECT_EQ(std::pair(arc.m_startX, arc.m_startY), std::pair(-6, -5));
    EXPECT_EQ(std::pair(arc.m_endX, arc.m_endY), std::pair(8, 7));

    // Counts swap; steps turn and may come out negative.
    DrawRepeat_t repeat(nullptr);
    repeat.m_xRepeat = 3;
    repeat.m_yRepeat = 1;
    repeat.m_xStep = 100;
    repeat.Rotate90(1);
    EXPECT_EQ(std::pair(repeat.m_xRepeat, repeat.m_yRepeat), (std::pair<uint16_t, uint16_t>(1, 3)));
    EXPECT_EQ(std::pair(repeat.m_xStep, repeat.m_yStep), (std::pair<int16_t, int16_t>(0, 100)));
    repeat.Rotate90(-1);
    repeat.Rotate90(-1);
    EXPECT_EQ(std::pair(repeat.m_xRepeat, repeat.m_yRepeat), (std::pair<uint16_t, uint16_t>(1, 3)));
    EXPECT_EQ(std::pair(repeat.m_xStep, repeat.m_yStep), (std::pair<int16_t, int16_t>(0, -100)));

    // A round hole (two numbers) keeps its sizes; a rectangular one (three) swaps them.
    for (uint16_t count : {2, 3}) {
        DrawSolidCircle_t circle(nullptr);
        circle.m_x = 7;
        circle.m_paramCount = count;
        circle.m_diameter = 50;
        circle.m_holeX = 10;
        circle.m_holeY = 20;
        circle.Rotate90(1);
        EXPECT_EQ(std::pair(circle.m_x, circle.m_y), std::pair(0, 7));
        EXPECT_EQ(circle.m_diameter, 50);
        EXPECT_EQ(std::pair(circle.m_holeX, circle.m_holeY),
                  (std::pair<uint16_t, uint16_t>(count == 3 ? 20 : 10, count == 3 ? 10 : 20)))
            << count;
    }

    for (uint16_t count : {3, 4}) {
        DrawSolidOval_t oval(nullptr);
        oval.m_paramCount = count;
        oval.m_width = 30;
        oval.m_height = 40;
        oval.m_holeX = 5;
        oval.m_holeY = 6;
        oval.Rotate90(1);
        EXPECT_EQ(std::pair(oval.m_width, oval.m_height), (std::pair<uint16_t, uint16_t>(40, 30)));
        EXPECT_EQ(oval.m_holeX, count == 4 ? 6 : 5) << count;

        DrawSolidRectangle_t rectangle(nullptr);
        rectangle.m_paramCount = count;
        rectangle.m_width = 30;
        rectangle.m_height = 40;
        rectangle.m_holeX = 5;
        rectangle.m_holeY = 6;
        rectangle.m_rotation = 45;
        rectangle.Rotate90(-1);
        EXPECT_EQ(std::pair(rectangle.m_width, rectangle.m_height), (std::pair<uint16_t, uint16_t>(40, 30)));
        EXPECT_EQ(rectangle.m_holeX, count == 4 ? 6 : 5) << count;
        EXPECT_EQ(rectangle.m_rotation, 45);
    }
}

TEST(DrawPrimitivesTest, TurnedRotationsStayWithinOneTurn) {
    DrawSolidPolygon_t polygon(nullptr);
    polygon.m_paramCount = 5;
    polygon.m_holeX = 1;
    polygon.m_holeY = 2;
    polygon.Rotate90(-1);
    EXPECT_EQ(polygon.m_rotation, 270); // not 65446
    EXPECT_EQ(std::pair(polygon.m_holeX, polygon.m_holeY), (std::pair<uint16_t, uint16_t>(2, 1)));

    DrawMoire_t moire(nullptr);
    moire.m_rotation = 350;
    moire.Rotate90(1);
    EXPECT_EQ(moire.m_rotation, 80);

    DrawThermal_t thermal(nullptr);
    thermal.m_rotation = 30;
    thermal.Rotate90(-1);
    EXPECT_EQ(thermal.m_rotation, 300);
}

TEST(DrawPrimitivesTest, FourTurnsEitherWayLeaveEveryKindUnchanged) {
    const std::vector<uint8_t> before = fake::WrittenRecords(fake::EveryKindList().Head());
    for (int16_t d : {int16_t{1}, int16_t{-1}}) {
        DrawList list = fake::EveryKindList();
        int turned = 0;
        for (DrawBase_t* p = list.Head(); p != nullptr; p = p->m_next) {
            for (int i = 0; i < 4; ++i) {
                p->Rotate90(d);
            }
            ++turned;
        }
        EXPECT_EQ(turned, 13);
        EXPECT_EQ(fake::WrittenRecords(list.Head()), before) << d;
    }
}

TEST(DrawPrimitivesTest, ListsAreLinkedBothWaysAndHandedOverWhole) {
    DrawList list = fake::EveryKindList();
    DrawBase_t* head = list.Head();
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->m_previous, nullptr);
    int count = 1;
    for (DrawBase_t* p = head; p->m_next != nullptr; p = p->m_next) {
        EXPECT_EQ(p->m_next->m_previous, p);
        ++count;
    }
    EXPECT_EQ(count, 13);
    EXPECT_EQ(list.Tail()->m_kind, draw_kind::kSolidOval);

    // An importer's list moves to its caller whole; the moved-from list owns nothing and starts anew.
    DrawList taken = std::move(list);
    EXPECT_TRUE(list.IsEmpty()); // NOLINT: the state after the hand-over is what is tested
    EXPECT_EQ(taken.Head(), head);
    auto* added = taken.Append<DrawPoint_t>(draw_kind::kLineTo);
    EXPECT_EQ(added->m_previous->m_kind, draw_kind::kSolidOval);
    EXPECT_EQ(added->m_previous->m_next, added);
    list.Append<DrawPoint_t>(draw_kind::kMoveTo); // NOLINT: a moved-from list is empty and usable
    EXPECT_EQ(list.Head()->m_previous, nullptr);
    EXPECT_EQ(list.Head(), list.Tail());

    // Moving over a list ends the one it held.
    taken = std::move(list);
    EXPECT_EQ(taken.Head()->m_kind, draw_kind::kMoveTo);
    EXPECT_EQ(taken.Head()->m_next, nullptr);
}

TEST(DrawPrimitivesTest, MillionPrimitiveListIsDeletedWithoutRecursion) {
    DrawList list;
    for (int i = 0; i < 1000000; ++i) {
        switch (i % 3) {
        case 0:
            list.Append<DrawPoint_t>(draw_kind::kMoveTo)->m_x = i;
            break;
        case 1:
            list.Append<DrawArc_t>(draw_kind::kArc)->m_endX = i;
            break;
        default:
            list.Append<DrawSolidPolygon_t>(draw_kind::kSolidPolygon)->m_vertexCount = 6;
            break;
        }
    }
    EXPECT_EQ(static_cast<DrawPoint_t*>(list.Tail())->m_x, 999999);
    list.Clear();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.Tail(), nullptr);
}

} // namespace
} // namespace orv
