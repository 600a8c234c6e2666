#include "core/QAntennaPositionScanOptions.h"
#include "core/QAntennaScanOptions.h"
#include "core/QDifferentRangeScanModuleOptions.h"
#include "core/QException.h"
#include "tests/core/support/OptionBodyBytes.h"

#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace orv {
namespace {

using test::BodyBytes;
using test::ByteBuilder;
using test::ReadBodyFrom;

QAntennaScanSettings FilledSettings() {
    QAntennaScanSettings s;
    s.m_name = "horn";
    s.m_word1 = 1;
    s.m_word2 = 2;
    s.m_word3 = 3;
    s.m_text1 = "t1";
    s.m_text2 = "t2";
    s.m_text3 = "t3";
    s.m_text4 = "t4";
    s.m_text5 = "t5";
    s.m_level = 7.5F;
    s.m_count = 4;
    s.m_pairs1 = {{1, 2, 0, 0}, {3, 4, 0, 0}};
    s.m_value1a = 11;
    s.m_value1b = 12;
    s.m_pairs2 = {{5, 6, 0, 0}};
    s.m_value2a = 21;
    s.m_value2b = 22;
    s.m_pairs3 = {{7, 8, 0, 0}};
    s.m_names = {"a", "bc"};
    s.m_quadMap = {{"k2", {{1, 2, 3, 4}}}, {"k1", {{5, 6, 7, 8}, {9, 10, 11, 12}}}};
    s.m_pairs4 = {{9, 10, 0, 0}};
    return s;
}

TEST(AntennaScanOptions, ReadFillsBothCopiesAndDropsUnstoredValues) {
    QAntennaScanOptions written;
    written.m_stored = FilledSettings();
    written.m_stored.m_pairs1[0].m_value3 = 99; // only the first two values of a pair are stored
    written.m_working.m_name = "not stored";

    QAntennaScanOptions back;
    back.m_working.m_names = {"stale"};
    EXPECT_EQ(ReadBodyFrom(back, BodyBytes(written)), 0U);
    EXPECT_EQ(back.m_stored, FilledSettings());
    EXPECT_EQ(back.m_working, back.m_stored);
    EXPECT_EQ(BodyBytes(back), BodyBytes(written));
    EXPECT_EQ(back.GetBodySize(), 12U);
}

TEST(AntennaScanOptions, MapIsClearedEvenWithCountZero) {
    QAntennaScanOptions back;
    back.m_stored.m_quadMap = {{"old", {}}};
    back.m_working.m_quadMap = {{"old", {}}};
    EXPECT_EQ(ReadBodyFrom(back, BodyBytes(QAntennaScanOptions())), 0U);
    EXPECT_TRUE(back.m_stored.m_quadMap.empty());
    EXPECT_TRUE(back.m_working.m_quadMap.empty());
}

TEST(AntennaScanOptions, HugeOrShortCountsFailAndKeepTheObject) {
    // The body of a fresh object up to the first pair count, then a count no body can hold.
    const std::vector<uint8_t> head =
        ByteBuilder().Str("").I32(0).I32(0).I32(0).F32(5.0F).I32(10).Str("").I32(0).I32(0);
    const std::vector<uint8_t> hugePairs = ByteBuilder().Append(head).U32(0x7FFFFFFF).I32(1).I32(2);
    QAntennaScanOptions options;
    options.m_stored = FilledSettings();
    options.m_working = FilledSettings();
    EXPECT_THROW(ReadBodyFrom(options, hugePairs), QException);
    EXPECT_EQ(options.m_stored, FilledSettings());
    EXPECT_EQ(options.m_working, FilledSettings());

    std::vector<uint8_t> cut = BodyBytes(options);
    cut.resize(cut.size() - 3);
    QAntennaScanOptions fresh;
    EXPECT_THROW(ReadBodyFrom(fresh, cut), QException);
    EXPECT_EQ(fresh.m_stored, QAntennaScanSettings());
}

TEST(DifferentRangeScanModuleOptions, PointsAscendAndKeysAreChecked) {
    QDifferentRangeScanModuleOptions options;
    EXPECT_TRUE(options.AddPoint(30.0F, {3, 3, 3}));
    EXPECT_TRUE(options.AddPoint(-1.5F, {1, 1, 1}));
    EXPECT_TRUE(options.AddPoint(10.0F, {2, 2, 2}));
    EXPECT_FALSE(options.AddPoint(10.0F, {9, 9, 9}));
    EXPECT_FALSE(options.AddPoint(std::numeric_limits<float>::quiet_NaN(), {9, 9, 9}));
    options.m_title = "T";
    options.m_ranges = {{1, 2, 3}};
    options.m_names = {"n"};
    options.m_firstPattern = QProbeScanPattern(1, 2, 1, 7);

    const std::vector<uint8_t> body = BodyBytes(options);
    const std::vector<uint8_t> expected = ByteBuilder()
                                              .U8(1)
                                              .U8(0)
                                              .I32(20)
                                              .F32(3.0F)
                                              .U8(1)
                                              .I32(25)
                                              .I32(10)
                                              .F32(5.0F)
                                              .Str("T")
                                              .U32(1)
                                              .I32(1)
                                              .I32(2)
                                              .I32(3)
                                              .U32(3)
                                              .F32(-1.5F)
                                              .I32(1)
                                              .I32(1)
                                              .I32(1)
                                              .F32(10.0F)
                                              .I32(2)
                                              .I32(2)
                                              .I32(2)
                                              .F32(30.0F)
                                              .I32(3)
                                              .I32(3)
                                              .I32(3)
                                              .U32(1)
                                              .Str("n")
                                              .U16(1)
                                              .U16(2)
                                              .U8(1)
                                              .U8(1)
                                              .U16(1)
                                              .U16(2)
                                              .U16(7)
                                              .U16(7)
                                              .U16(0)
                                              .U16(0)
                                              .U16(0)
                                              .U16(0);
    EXPECT_EQ(body, expected);
    EXPECT_EQ(options.GetBodySize(), 1U);

    QDifferentRangeScanModuleOptions copy;
    copy.CopyFrom(options);
    EXPECT_EQ(BodyBytes(copy), body);
}

TEST(DifferentRangeScanModuleOptions, ReadReplacesListsAndDropsDuplicateOrNaNKeys) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<uint8_t> stored = ByteBuilder()
                                            .U8(0)
                                            .U8(1)
                                            .I32(2)
                                            .F32(1.0F)
                                            .U8(0)
                                            .I32(3)
                                            .I32(4)
                                            .F32(2.0F)
                                            .Str("")
                                            .U32(0)
                                            .U32(3)
                                            .F32(5.0F)
                                            .I32(1)
                                            .I32(1)
                                            .I32(1)
                                            .F32(nan)
                                            .I32(2)
                                            .I32(2)
                                            .I32(2)
                                            .F32(5.0F)
                                            .I32(3)
                                            .I32(3)
                                            .I32(3)
                                            .U32(0)
                                            .U16(0)
                                            .U16(0)
                                            .U16(0)
                                            .U16(0)
                                            .U16(0)
                                            .U16(0)
                                            .U16(0)
                                            .U16(0);
    QDifferentRangeScanModuleOptions options;
    options.m_ranges = {{9, 9, 9}};
    options.m_names = {"old"};
    EXPECT_EQ(ReadBodyFrom(options, stored), 0U);
    EXPECT_TRUE(options.m_ranges.empty());
    EXPECT_TRUE(options.m_names.empty());
    ASSERT_EQ(options.m_points.size(), 1U);
    EXPECT_EQ(options.m_points.at(5.0F), (QDifferentRangeScanModuleOptions::PointValues{1, 1, 1}));
    EXPECT_EQ(options.m_limit, 3);

    QDifferentRangeScanModuleOptions kept;
    kept.m_names = {"keep"};
    std::vector<uint8_t> huge(stored.begin(), stored.begin() + 27);
    huge.insert(huge.end(), {0xFF, 0xFF, 0xFF, 0x7F});
    EXPECT_THROW(ReadBodyFrom(kept, huge), QException);
    EXPECT_EQ(kept.m_names, std::vector<std::string>{"keep"});
    EXPECT_EQ(kept.m_limit, 25);
}

TEST(AntennaPositionScanOptions, RoundTrip) {
    QAntennaPositionScanOptions options;
    options.m_word3 = -4;
    options.m_value2 = 2.5F;
    options.m_byte = 0;
    QAntennaPositionScanOptions back;
    EXPECT_EQ(ReadBodyFrom(back, BodyBytes(options)), 0U);
    EXPECT_EQ(back.m_word3, -4);
    EXPECT_EQ(back.m_value2, 2.5F);
    EXPECT_EQ(back.m_byte, 1); // not stored
    EXPECT_THROW(ReadBodyFrom(back, std::vector<uint8_t>(27)), QException);
    EXPECT_EQ(back.m_word3, -4);
}

} // namespace
} // namespace orv
