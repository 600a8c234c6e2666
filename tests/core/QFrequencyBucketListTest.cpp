#include "core/QFrequencyBucketList.h"
#include "core/QException.h"
#include "tests/core/support/OptionBodyBytes.h"

#include <gtest/gtest.h>
#include <vector>

namespace orv {
namespace {

using test::BodyBytes;
using test::ByteBuilder;
using test::ReadBodyFrom;

std::vector<uint32_t> Walk(QFrequencyBucketList& list) {
    std::vector<uint32_t> seen;
    list.MoveFirst();
    while (list.HasNext()) {
        seen.push_back(list.GetNext());
    }
    return seen;
}

TEST(FrequencyBucketList, EmptyListIsFourBytes) {
    const QFrequencyBucketList list;
    EXPECT_EQ(BodyBytes(list), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(list.GetBodySize(), 4U);
    EXPECT_EQ(list.GetTypeID(), 3011);
}

TEST(FrequencyBucketList, DuplicateInBodyIsDroppedAndRewrittenAscending) {
    const std::vector<uint8_t> stored = ByteBuilder().U32(3).U32(7).U32(3).U32(7);
    QFrequencyBucketList list;
    list.Insert(99); // replaced by the read, not merged with it
    EXPECT_EQ(ReadBodyFrom(list, stored), 0U);
    EXPECT_EQ(Walk(list), (std::vector<uint32_t>{3, 7}));

    const std::vector<uint8_t> expected = ByteBuilder().U32(2).U32(3).U32(7);
    EXPECT_EQ(BodyBytes(list), expected);
    EXPECT_EQ(list.GetBodySize(), 12U);
}

TEST(FrequencyBucketList, WalkAscendsWhateverTheInsertOrder) {
    QFrequencyBucketList list;
    for (const uint32_t bucket : {500U, 2U, 4000000000U, 17U, 2U}) {
        list.Insert(bucket);
    }
    EXPECT_FALSE(list.HasNext()); // the cursor starts at the end
    EXPECT_EQ(Walk(list), (std::vector<uint32_t>{2, 17, 500, 4000000000U}));
    EXPECT_EQ(list.GetNext(), 0U); // past the end it stays there
    EXPECT_FALSE(list.HasNext());
}

TEST(FrequencyBucketList, CursorResetsOnAssignClearReadAndCopy) {
    QFrequencyBucketList source;
    source.Insert(1);
    source.Insert(2);

    QFrequencyBucketList list;
    list.Insert(5);
    list.Insert(6);

    list.MoveFirst();
    list.Assign(source);
    EXPECT_FALSE(list.HasNext());
    EXPECT_EQ(Walk(list), (std::vector<uint32_t>{1, 2}));

    list.MoveFirst();
    list.Assign(list); // self-assignment changes nothing
    EXPECT_TRUE(list.HasNext());
    EXPECT_EQ(list.GetNext(), 1U);

    list.Clear();
    EXPECT_FALSE(list.HasNext());
    EXPECT_TRUE(list.IsEmpty());

    list.Insert(9);
    list.MoveFirst();
    ReadBodyFrom(list, ByteBuilder().U32(1).U32(4));
    EXPECT_FALSE(list.HasNext());

    source.MoveFirst();
    QFrequencyBucketList copy(source); // the source's walk is not carried over
    EXPECT_FALSE(copy.HasNext());
    EXPECT_EQ(Walk(copy), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(source.GetNext(), 1U); // and the source's walk is its own
}

TEST(FrequencyBucketList, HugeCountOnShortBodyFailsAndKeepsTheList) {
    QFrequencyBucketList list;
    list.Insert(42);
    const std::vector<uint8_t> stored = ByteBuilder().U32(0x7FFFFFFF).U32(1);
    EXPECT_THROW(ReadBodyFrom(list, stored), QException);
    EXPECT_EQ(Walk(list), (std::vector<uint32_t>{42}));

    const std::vector<uint8_t> truncated = ByteBuilder().U32(2).U32(1);
    EXPECT_THROW(ReadBodyFrom(list, truncated), QException);
    EXPECT_EQ(Walk(list), (std::vector<uint32_t>{42}));
}

TEST(FrequencyBucketList, FramedRoundTrip) {
    QFrequencyBucketList list;
    list.Insert(8);
    list.Insert(1);
    std::vector<uint8_t> bytes(list.GetSerializedSize());
    QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    list.Serialize(writer);
    EXPECT_EQ(writer.GetBytesWritten(), 7U + 12U);

    QFrequencyBucketList back;
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    back.Deserialize(reader);
    EXPECT_EQ(back, list);
    EXPECT_EQ(back.GetHeaderBodySize(), 12U);
}

} // namespace
} // namespace orv
