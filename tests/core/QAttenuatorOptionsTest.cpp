#include "core/QAttenuatorOptions.h"
#include "core/QException.h"
#include "core/TypeIds.h"
#include "tests/core/support/Opt2FakeOptionTree.h"
#include "tests/core/support/OptionBodyBytes.h"

#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <vector>

namespace orv {
namespace {

using test::BodyBytes;
using test::ByteBuilder;
using test::Opt2FakeNode;
using test::Opt2FakeTree;
using test::ReadBodyFrom;

void ExpectDefaults(const QAttenuatorOptions& o) {
    const QAttenuatorOptions d;
    EXPECT_EQ(BodyBytes(o), BodyBytes(d));
    EXPECT_EQ(o.m_valueInt, 0);
    EXPECT_EQ(o.m_valueTable, nullptr);
}

TEST(AttenuatorOptions, BodyWithoutMarkerKeepsDefaultsAndTheNextObject) {
    // An older node body: the next object's frame follows at once.
    const std::vector<uint8_t> next = ByteBuilder().U8(0x2A).U16(3015).U32(19).U8(7);
    QAttenuatorOptions options;
    QCharArrayDataReader reader(next.data(), static_cast<uint32_t>(next.size()));
    options.ReadBody(reader);
    EXPECT_EQ(reader.GetRemaining(), next.size());
    EXPECT_EQ(reader.ReadU8(), 0x2A);
    EXPECT_EQ(reader.ReadU16(), 3015);
    ExpectDefaults(options);

    // Fewer than four bytes left: no marker either.
    const std::vector<uint8_t> tail = {0x9C, 0xFF};
    EXPECT_EQ(ReadBodyFrom(options, tail), 2U);
    ExpectDefaults(options);
}

TEST(AttenuatorOptions, RoundTripAndShortLayout) {
    QAttenuatorOptions written;
    written.m_ownValue = 0;
    written.m_value = 12.5F;
    written.m_byte1 = 0;
    written.m_byte2 = 1;
    written.m_byte3 = 1;
    written.m_byte4 = 1;
    written.m_byte5 = 1;
    written.m_byte6 = 1;
    written.m_byte7 = 0;
    written.m_word = 0xBEEF;
    written.m_factor = -2.0F;
    QAttenuatorOptions back;
    EXPECT_EQ(ReadBodyFrom(back, BodyBytes(written)), 0U);
    EXPECT_EQ(BodyBytes(back), BodyBytes(written));

    // Layout byte other than 1: only the first fields, then the trailing byte.
    const std::vector<uint8_t> shortBody =
        ByteBuilder().I32(-100).U8(0).F32(3.0F).U8(0).U8(1).U8(0).U8(0).U8(0xEE);
    QAttenuatorOptions older;
    EXPECT_EQ(ReadBodyFrom(older, shortBody), 1U);
    EXPECT_EQ(older.m_ownValue, 0);
    EXPECT_EQ(older.m_value, 3.0F);
    EXPECT_EQ(older.m_byte1, 0);
    EXPECT_EQ(older.m_byte2, 1);
    EXPECT_EQ(older.m_byte7, 1); // untouched
}

TEST(AttenuatorOptions, ShortBodyAfterMarkerChangesNothing) {
    QAttenuatorOptions written;
    written.m_value = 8.0F;
    written.m_factor = 4.0F;
    std::vector<uint8_t> bytes = BodyBytes(written);
    for (const size_t keep : {size_t{6}, size_t{20}, bytes.size() - 1}) {
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(keep));
        QAttenuatorOptions target;
        EXPECT_THROW(ReadBodyFrom(target, cut), QException) << keep;
        ExpectDefaults(target);
    }
}

TEST(AttenuatorOptions, TruncationClamps) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(QAttenuatorOptions::TruncateValue(2.9F), 2);
    EXPECT_EQ(QAttenuatorOptions::TruncateValue(-2.9F), -2);
    EXPECT_EQ(QAttenuatorOptions::TruncateValue(nan), 0);
    EXPECT_EQ(QAttenuatorOptions::TruncateValue(1e10F), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(QAttenuatorOptions::TruncateValue(-inf), std::numeric_limits<int32_t>::min());
}

TEST(AttenuatorOptions, CopySharesTheTableAndLeavesTheSwitchTail) {
    auto table = std::make_shared<const std::vector<uint16_t>>(std::vector<uint16_t>{1, 2, 3});
    QAttenuatorOptions target;
    {
        QAttenuatorOptions source;
        source.SetValue(6.7F, table);
        source.m_ownValue = 0;
        source.m_byte1 = 0;
        source.m_byte6 = 1;
        source.m_byte7 = 0;
        source.m_word = 9;
        source.m_factor = 2.0F;
        target.CopyFrom(source);
    }
    table.reset();
    ASSERT_NE(target.m_valueTable, nullptr); // the source is gone, the table lives on
    EXPECT_EQ(*target.m_valueTable, (std::vector<uint16_t>{1, 2, 3}));
    EXPECT_EQ(target.m_value, 6.7F);
    EXPECT_EQ(target.m_valueInt, 6);
    EXPECT_EQ(target.m_ownValue, 0);
    EXPECT_EQ(target.m_byte1, 0);
    EXPECT_EQ(target.m_byte6, 1);
    EXPECT_EQ(target.m_byte7, 1);
    EXPECT_EQ(target.m_word, 0);
    EXPECT_EQ(target.m_factor, 0.0F);
}

struct SyncRow {
    const char* name;
    uint16_t ownerKind;
    bool withParent;
    float expectedValue;
    bool switchesFromParent;
    uint8_t expectedByte6;
};

TEST(AttenuatorOptions, SyncTable) {
    const SyncRow rows[] = {
        {"scan under parent", kTypeSpectralScanNode, true, 20.5F, true, 0},
        {"hand-held under parent", kTypeHandHeldProbeScanNode, true, 20.5F, true, 1},
        {"project under parent keeps its value", kTypeProjectNode, true, 3.5F, true, 0},
        {"preferences under parent keeps its value", kTypePreferencesNode, true, 3.5F, true, 0},
        {"scan without parent", kTypeSpectralScanNode, false, 3.5F, false, 0},
        {"hand-held without parent", kTypeHandHeldProbeScanNode, false, 3.5F, false, 1},
        {"project without parent", kTypeProjectNode, false, 3.5F, false, 0},
    };
    auto table = std::make_shared<const std::vector<uint16_t>>(std::vector<uint16_t>{7});
    for (const SyncRow& row : rows) {
        SCOPED_TRACE(row.name);
        Opt2FakeTree tree;
        QAttenuatorOptions* parent = nullptr;
        if (row.withParent) {
            parent = &tree.Add(kTypeModuleNode).m_attenuator;
            parent->SetValue(20.5F, table);
            parent->m_byte1 = 0;
            parent->m_byte2 = 1;
            parent->m_byte6 = 1;
            parent->m_byte7 = 0;
            parent->m_word = 77;
            parent->m_factor = 1.5F;
        }
        QAttenuatorOptions& own = tree.Add(row.ownerKind).m_attenuator;
        own.SetValue(3.5F);
        own.m_byte3 = 1;
        own.SyncFromNode();
        EXPECT_EQ(own.m_ownValue, 0);
        EXPECT_EQ(own.m_value, row.expectedValue);
        EXPECT_EQ(own.m_valueInt, static_cast<int32_t>(row.expectedValue));
        EXPECT_EQ(own.m_byte6, row.expectedByte6);
        if (row.switchesFromParent) {
            EXPECT_EQ(own.m_byte1, 0);
            EXPECT_EQ(own.m_byte2, 1);
            EXPECT_EQ(own.m_byte3, 0);
            EXPECT_EQ(own.m_byte7, 0);
            EXPECT_EQ(own.m_word, 77);
            EXPECT_EQ(own.m_factor, 1.5F);
        } else {
            EXPECT_EQ(own.m_byte1, 1);
            EXPECT_EQ(own.m_byte3, 1);
            EXPECT_EQ(own.m_byte7, 1);
            EXPECT_EQ(own.m_word, 0);
        }
        EXPECT_EQ(own.m_valueTable != nullptr, row.expectedValue == 20.5F);
    }
}

} // namespace
} // namespace orv
