#include "core/drawing/DrawingRecords.h"
#include "core/QException.h"
#include "core/QOverlayOptions.h"
#include "platform/debug/DebugOutput.h"
#include "tests/core/support/DrawingFixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv {
namespace {

using fake::DrawingBlob;
using fake::DrawingRecord;

constexpr const char* kLoadFailure =
    "Memory exhausted while creating the OVR list [QOverlayOptions::LoadList].";

DrawList Load(const std::vector<uint8_t>& blob) {
    QCharArrayDataReader reader(blob.data(), static_cast<uint32_t>(blob.size()));
    return QOverlayOptions::LoadList(reader);
}

std::vector<int32_t> KindsOf(const DrawList& list) {
    std::vector<int32_t> kinds;
    for (const DrawBase_t* p = list.Head(); p != nullptr; p = p->m_next) {
        kinds.push_back(p->m_kind);
    }
    return kinds;
}

template <typename T> const T& At(const DrawList& list, int index) {
    const DrawBase_t* p = list.Head();
    for (int i = 0; i < index && p != nullptr; ++i) {
        p = p->m_next;
    }
    const T* typed = dynamic_cast<const T*>(p);
    if (typed == nullptr) {
        throw std::runtime_error("no primitive of that class at " + std::to_string(index));
    }
    return *typed;
}

TEST(DrawingRecordsTest, EveryKindRebuildsFieldForFieldAndWritesBackByteIdentical) {
    const std::vector<uint8_t> blob = fake::EveryKindBlob();
    // The hand-made list of the same drawing writes exactly the hand-made bytes ...
    EXPECT_EQ(fake::WrittenRecords(fake::EveryKindList().Head()), blob);

    // ... and the blob reads into primitives that write those bytes again.
    const DrawList list = Load(blob);
    EXPECT_EQ(KindsOf(list), (std::vector<int32_t>{0x010A, 0x0211, 0x0212, 0x0213, 0x0214, 0x0321, 0x0322,
                                                   0x0326, 0x0418, 0x041B, 0x0817, 0x0818, 0x0819}));
    EXPECT_EQ(fake::WrittenRecords(list.Head()), blob);
    ASSERT_EQ(list.Head()->m_previous, nullptr);
    for (const DrawBase_t* p = list.Head(); p->m_next != nullptr; p = p->m_next) {
        EXPECT_EQ(p->m_next->m_previous, p);
    }

    // Spot checks of sign extension, flag words and the fields' order.
    const auto& repeat = At<DrawRepeat_t>(list, 0);
    EXPECT_EQ(repeat.m_xStep, -100);
    EXPECT_EQ(repeat.m_yRepeat, 2);
    const auto& rectangle = At<DrawSolidRectangle_t>(list, 2);
    EXPECT_TRUE(rectangle.m_flag);
    EXPECT_EQ(rectangle.m_y, -21);
    EXPECT_EQ(rectangle.m_rotation, 27);
    const auto& polygon = At<DrawSolidPolygon_t>(list, 7);
    EXPECT_FALSE(polygon.m_flag);
    EXPECT_TRUE(polygon.m_filled);
    EXPECT_EQ(polygon.m_vertexCount, 6);
    const auto& arc = At<DrawArc_t>(list, 10);
    EXPECT_EQ(arc.m_y2, -101);
    EXPECT_EQ(arc.m_endX, -108);
    const auto& circle = At<DrawSolidCircle_t>(list, 11);
    EXPECT_EQ(circle.m_y, -32768);
    EXPECT_EQ(circle.m_x, 32767);
}

TEST(DrawingRecordsTest, MoveToLineToAndAnUnknownKindInBetween) {
    const DrawList path =
        Load(DrawingBlob({DrawingRecord(0x0214, {20, 10}), DrawingRecord(0x0213, {-40, 30})}));
    EXPECT_EQ(KindsOf(path), (std::vector<int32_t>{0x0214, 0x0213}));
    const auto& lineTo = At<DrawPoint_t>(path, 1);
    EXPECT_EQ(lineTo.m_x, 30);
    EXPECT_EQ(lineTo.m_y, -40);
    EXPECT_EQ(lineTo.m_previous, path.Head());
    EXPECT_EQ(lineTo.m_next, nullptr);

    // The unknown record's bytes are passed over and what follows is read.
    const DrawList skipped = Load(DrawingBlob(
        {DrawingRecord(0x0214, {1, 2}), DrawingRecord(0x0411, {7, 7, 7, 7}), DrawingRecord(0x0213, {3, 4})}));
    EXPECT_EQ(KindsOf(skipped), (std::vector<int32_t>{0x0214, 0x0213}));
    EXPECT_EQ(At<DrawPoint_t>(skipped, 1).m_x, 4);
    EXPECT_EQ(skipped.Head()->m_next->m_previous, skipped.Head());

    // A record longer than its kind needs (up to the format's longest) gives its first parameters.
    const DrawList longer = Load(DrawingBlob({DrawingRecord(0x0214, {5, 6, 99, 99}), DrawingRecord(0, {9})}));
    EXPECT_EQ(At<DrawPoint_t>(longer, 0).m_x, 6);
    EXPECT_TRUE(Load(DrawingBlob({})).IsEmpty());
}

TEST(DrawingRecordsTest, MalformedBlobsFailOrEndAsTheFormatAllows) {
    const std::vector<uint8_t> point = DrawingRecord(0x0214, {1, 2});
    struct Case {
        const char* name;
        std::vector<uint8_t> blob;
        int kept; // -1: the load fails
    };
    std::vector<Case> cases{
        {"size 0", DrawingBlob({point, {0, 0, 0, 0, 0x13, 0x02}}), -1},
        {"size 1", DrawingBlob({point, {1, 0, 0, 0, 0x13, 0x02}}), -1},
        {"size 2", DrawingBlob({point, {2, 0, 0, 0, 0x13, 0x02}}), -1},
        {"flashed rectangle of size 5", DrawingBlob({point, DrawingRecord(0x0212, {1, 2})}), -1},
        {"polygon one word short", DrawingBlob({DrawingRecord(0x0326, {1, 2, 1, 1, 3, 4, 5, 6, 7})}), -1},
        {"size 15 ends quietly", DrawingBlob({point, DrawingRecord(0x0213, {1, 2}, 15)}, false), 1},
        {"size 0xFFFFFFFF ends quietly", DrawingBlob({point, {0xFF, 0xFF, 0xFF, 0xFF}}, false), 1},
        {"empty", {}, -1},
    };
    const std::vector<uint8_t> whole = fake::EveryKindBlob();
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        cases.push_back(
            {"cut", std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)),
             -1});
    }
    for (const Case& c : cases) {
        try {
            const DrawList list = Load(c.blob);
            EXPECT_EQ(static_cast<int>(KindsOf(list).size()), c.kept) << c.name << " " << c.blob.size();
        } catch (const QOutOfMemoryException& failure) {
            EXPECT_EQ(c.kept, -1) << c.name << " " << c.blob.size();
            EXPECT_STREQ(failure.what(), kLoadFailure);
        }
    }
}

TEST(DrawingRecordsTest, WriterLeavesOutWhatTheFormatCannotHold) {
    DrawList list;
    list.Append<DrawPoint_t>(draw_kind::kMoveTo)->m_x = 70000; // beyond 16 bits: its low 16 bits
    list.Append<DrawPoint_t>(0x0411);
    list.Append<DrawPoint_t>(draw_kind::kArc); // a point cannot stand for an arc's fields
    list.Append<DrawRect_t>(0x10418);          // only the whole kind counts
    list.Append<DrawPoint_t>(draw_kind::kLineTo)->m_y = -5;

    DebugOutputCapture capture;
    const std::vector<uint8_t> written = fake::WrittenRecords(list.Head());
    EXPECT_EQ(written,
              DrawingBlob({DrawingRecord(0x0214, {0, 70000 - 65536}), DrawingRecord(0x0213, {-5, 0})}));
    // Once for the sizing run and once for the writing.
    const std::vector<std::string> once{"meta function 411 not supported.\n",
                                        "meta function 817 not supported.\n",
                                        "meta function 10418 not supported.\n"};
    std::vector<std::string> expected = once;
    expected.insert(expected.end(), once.begin(), once.end());
    EXPECT_EQ(capture.Texts(), expected);

    // An empty drawing is the end record alone.
    EXPECT_EQ(fake::WrittenRecords(nullptr), (std::vector<uint8_t>{3, 0, 0, 0, 0, 0}));
}

} // namespace
} // namespace orv
