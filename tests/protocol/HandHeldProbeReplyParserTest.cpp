#include "protocol/pipe/HandHeldProbeReplyParser.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace orv {
namespace {

std::vector<uint8_t> Message(uint16_t type, uint32_t length, size_t bodySize, int32_t first = 0) {
    std::vector<uint8_t> bytes(6 + bodySize, 0);
    std::memcpy(bytes.data(), &type, 2);
    std::memcpy(bytes.data() + 2, &length, 4);
    if (bodySize >= 4) {
        std::memcpy(bytes.data() + 6, &first, 4);
    }
    return bytes;
}

TEST(HandHeldProbeReplyParser, RequestLayoutIsLittleEndianTypeLengthAndFiveValues) {
    const auto bytes = EncodeHandHeldProbeRequest({1, -2, 0x01020304, 0, 7});
    const std::vector<uint8_t> expected{0xE9, 0x03, 26, 0, 0, 0, 1, 0, 0, 0, 0xFE, 0xFF, 0xFF,
                                        0xFF, 4,    3,  2, 1, 0, 0, 0, 0, 7, 0,    0,    0};
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), expected);
}

TEST(HandHeldProbeReplyParser, PiecesOfAnySizeMakeOneReply) {
    const auto reply = Message(1002, 10, 4, -7);
    for (size_t cut = 0; cut <= reply.size(); ++cut) {
        HandHeldProbeReplyParser parser;
        const auto first = parser.Append(reply.data(), cut);
        const auto second = parser.Append(reply.data() + cut, reply.size() - cut);
        EXPECT_EQ(first.has_value() ? *first : *second, -7) << cut;
        EXPECT_EQ(parser.GetReplyCount(), 1u);
        EXPECT_EQ(parser.GetHeldCount(), 0u);
    }
}

TEST(HandHeldProbeReplyParser, AnIncompleteMessageWaitsAndAnOverflowDropsEverythingHeld) {
    HandHeldProbeReplyParser parser;
    const auto huge = Message(1003, 0xFFFFFFFFu, 5000);
    EXPECT_FALSE(parser.Append(huge.data(), huge.size()));
    EXPECT_EQ(parser.GetHeldCount(), huge.size());
    // 5006 + 5234 reaches 10,240: not below it, so all is dropped, this piece included.
    const std::vector<uint8_t> more(5234, 0);
    EXPECT_FALSE(parser.Append(more.data(), more.size()));
    EXPECT_EQ(parser.GetHeldCount(), 0u);
    const auto reply = Message(1002, 10, 4, 9);
    EXPECT_EQ(parser.Append(reply.data(), reply.size()), 9);
}

TEST(HandHeldProbeReplyParser, SeveralRepliesInOnePieceAnswerTheLast) {
    std::vector<uint8_t> bytes;
    for (const int32_t result : {1, 2, 3}) {
        const auto reply = Message(1002, 10, 4, result);
        bytes.insert(bytes.end(), reply.begin(), reply.end());
    }
    HandHeldProbeReplyParser parser;
    EXPECT_EQ(parser.Append(bytes.data(), bytes.size()), 3);
    EXPECT_EQ(parser.GetReplyCount(), 3u);
}

} // namespace
} // namespace orv
