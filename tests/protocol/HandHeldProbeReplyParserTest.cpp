#include "protocol/pipe/HandHeldProbeReplyParser.h"

#include <cstring>
#include <gtest/gtest.h>
#include <optional>
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

TEST(HandHeldProbeReplyParser, AnIncompleteMessageWaits) {
    HandHeldProbeReplyParser parser;
    const auto request = Message(1001, 26, 20);
    EXPECT_FALSE(parser.Append(request.data(), 25));
    EXPECT_EQ(parser.GetHeldCount(), 25u);
    const auto reply = Message(1002, 10, 4, 9);
    std::vector<uint8_t> rest{request.back()};
    rest.insert(rest.end(), reply.begin(), reply.end());
    EXPECT_EQ(parser.Append(rest.data(), rest.size()), 9);
    EXPECT_EQ(parser.GetHeldCount(), 0u);
}

// A declared length beyond the largest message kind is never waited for: the genuine reply behind it
// is delivered, in one piece with the junk or after it.
TEST(HandHeldProbeReplyParser, JunkLengthsAreDroppedAndTheNextReplyRead) {
    struct Case {
        const char* what;
        std::vector<uint8_t> junk;
    };
    std::vector<uint8_t> random(1 << 20);
    uint32_t state = 12345;
    for (uint8_t& byte : random) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    const std::vector<Case> cases = {
        {"bogus header", Message(1002, 0xFFFFFFF0u, 0)},
        {"one beyond the largest", Message(1002, 27, 0)},
        {"1 MB of 0xFF", std::vector<uint8_t>(1 << 20, 0xFF)},
        {"1 MB of noise", random},
    };
    const auto reply = Message(1002, 10, 4, -42);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const bool onePiece : {true, false}) {
            HandHeldProbeReplyParser parser;
            std::optional<int32_t> got;
            if (onePiece) {
                std::vector<uint8_t> all = c.junk;
                all.insert(all.end(), reply.begin(), reply.end());
                got = parser.Append(all.data(), all.size());
            } else {
                parser.Append(c.junk.data(), c.junk.size());
                EXPECT_LT(parser.GetHeldCount(), kLargestPipeMessageSize);
                got = parser.Append(reply.data(), reply.size());
            }
            if (c.junk != random) {
                EXPECT_EQ(got, -42);
                EXPECT_EQ(parser.GetHeldCount(), 0u);
            } else {
                // Noise may hold plausible headers that swallow part of the reply, but whatever it
                // holds never waits beyond one message: the next reply is read.
                const auto next = Message(1002, 10, 4, 5);
                std::vector<uint8_t> padding(kLargestPipeMessageSize, 0);
                parser.Append(padding.data(), padding.size());
                EXPECT_EQ(parser.Append(next.data(), next.size()), 5);
            }
        }
    }
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
