#include "engine/scanners/CCommandMessage.h"

#include "platform/clock/FakeClock.h"

#include <gtest/gtest.h>

#include <deque>

namespace orv {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(CCommandMessage, SerialisesHeaderLengthIdCtrlParametersAndChecksum) {
    CCommandMessage read(10, 0);
    EXPECT_EQ(read.Serialize(), (Bytes{0xAA, 0xAA, 0x02, 10, 0x00, 0xF6}));

    CCommandMessage move(84, CCommandMessage::kCtrlWrite | CCommandMessage::kCtrlQueued);
    ASSERT_TRUE(move.AddUInt8(1));
    ASSERT_TRUE(move.AddFloat(1.0F));  // 00 00 80 3F
    ASSERT_TRUE(move.AddFloat(-2.5F)); // 00 00 20 C0
    ASSERT_TRUE(move.AddUInt32(0x01020304));
    ASSERT_TRUE(move.AddUInt64(0x1122334455667788ULL));
    const Bytes expected{0xAA, 0xAA, 23,   84,   0x03, 1,    0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x20, 0xC0,
                         0x04, 0x03, 0x02, 0x01, 0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11, 0x9B};
    EXPECT_EQ(move.Serialize(), expected);
    EXPECT_TRUE(move.IsWrite());
    EXPECT_TRUE(move.IsQueued());
    EXPECT_EQ(move.GetLength(), 23);
}

TEST(CCommandMessage, RefusesParametersBeyondTheLongestPacket) {
    CCommandMessage message(1, 0);
    const Bytes most(CCommandMessage::kMaxParameters - 1, 0x55);
    ASSERT_TRUE(message.AddBytes(most));
    EXPECT_FALSE(message.AddFloat(1.0F));
    ASSERT_TRUE(message.AddUInt8(7));
    EXPECT_FALSE(message.AddUInt8(7));
    EXPECT_EQ(message.GetLength(), CCommandMessage::kMaxLength);
    EXPECT_EQ(message.Serialize().size(), CCommandMessage::kMaxLength + 4);
    EXPECT_TRUE(CCommandMessage::Parse(message.Serialize()).has_value());
}

TEST(CCommandMessage, ParsesOnlyOneWholeValidPacket) {
    CCommandMessage reply(246, 0);
    reply.AddUInt64(42);
    const Bytes good = reply.Serialize();
    const auto parsed = CCommandMessage::Parse(good);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->GetId(), 246);
    EXPECT_EQ(parsed->GetParameters(), reply.GetParameters());
    EXPECT_EQ(parsed->Serialize(), good);

    struct Case {
        const char* what;
        Bytes bytes;
    };
    Bytes badChecksum = good;
    badChecksum.back() ^= 1;
    const Bytes oneShort(good.begin(), good.end() - 1);
    Bytes oneLong = good;
    oneLong.push_back(0);
    Bytes badHeader = good;
    badHeader[1] = 0xAB;
    const Case cases[] = {
        {"bad checksum", badChecksum},
        {"one byte short", oneShort},
        {"one byte long", oneLong},
        {"second header byte", badHeader},
        {"length 1", Bytes{0xAA, 0xAA, 0x01, 0x05, 0xFB, 0x00}},
        {"length 0xAA", Bytes{0xAA, 0xAA, 0xAA, 0x00, 0x00, 0x00}},
        {"empty", Bytes{}},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(CCommandMessage::Parse(c.bytes).has_value()) << c.what;
    }
}

TEST(CCommandMessageHunt, AFalseStartCoveringWholePacketsLosesNeitherOfThem) {
    // A stray header with length 10 takes in the first packet and the head of the second.
    const Bytes stream{0xAA, 0xAA, 0x0A, 0xAA, 0xAA, 0x02, 0x0A, 0x00, 0xF6,
                       0xAA, 0xAA, 0x02, 0x0B, 0x00, 0xF5, 0x00, 0x00};
    std::size_t offset = 0;
    const auto readByte = [&](uint8_t& byte) {
        if (offset >= stream.size()) {
            return false;
        }
        byte = stream[offset++];
        return true;
    };
    std::deque<uint8_t> carried;
    const auto first = CCommandMessage::Hunt(readByte, 1024, carried);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->GetId(), 10);
    EXPECT_FALSE(carried.empty());
    const auto second = CCommandMessage::Hunt(readByte, 1024, carried);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->GetId(), 11);
    EXPECT_FALSE(CCommandMessage::Hunt(readByte, 1024, carried).has_value());

    const Bytes noise(3000, 0x55);
    offset = 0;
    std::size_t reads = 0;
    const auto noiseByte = [&](uint8_t& byte) {
        byte = noise[reads++ % noise.size()];
        return true;
    };
    EXPECT_FALSE(CCommandMessage::Hunt(noiseByte, 1024, carried).has_value());
    EXPECT_EQ(reads, 1024U) << "the hunt gives up at its limit";
}

// A line that gives a junk byte just inside each byte time-out: the hunt ends at its deadline, long
// before its byte limit, and a packet behind the junk is not waited for.
TEST(CCommandMessageHunt, ATricklingLineEndsAtTheDeadline) {
    FakeClock clock;
    const ScopedClockInstall install(clock);
    std::size_t read = 0;
    const auto trickle = [&](uint8_t& byte) {
        clock.Advance(std::chrono::milliseconds(900));
        byte = 0x55;
        ++read;
        return true;
    };
    std::deque<uint8_t> carried;
    EXPECT_FALSE(CCommandMessage::Hunt(trickle, 1024, carried, 4000));
    EXPECT_EQ(read, 5U) << "four bytes in the deadline and the one read as it passed";
    read = 0;
    EXPECT_FALSE(CCommandMessage::Hunt(trickle, 1024, carried));
    EXPECT_EQ(read, 1024U) << "without a deadline only the byte limit ends it";
}

TEST(CommandParameterReader, ReadsInOrderAndFailsPastTheEndWithoutTakingBytes) {
    CCommandMessage message(10, 0);
    message.AddFloat(3.5F);
    message.AddUInt8(9);
    message.AddUInt8(0xFF);
    CommandParameterReader reader(message);
    float value = 0;
    ASSERT_TRUE(reader.ReadFloat(value));
    EXPECT_EQ(value, 3.5F);
    uint64_t index = 0;
    EXPECT_FALSE(reader.ReadUInt64(index));
    EXPECT_FALSE(reader.ReadFloat(value));
    EXPECT_EQ(reader.Remaining(), 2U);
    uint8_t byte = 0;
    ASSERT_TRUE(reader.ReadUInt8(byte));
    EXPECT_EQ(byte, 9);

    CCommandMessage text(0, 0);
    const std::string serial = "DM1234";
    text.AddBytes(Bytes(serial.begin(), serial.end()));
    text.AddUInt8(0);
    text.AddUInt8('x');
    CommandParameterReader textReader(text);
    EXPECT_EQ(textReader.ReadRemainingText(), "DM1234");
    EXPECT_EQ(textReader.Remaining(), 0U);
}

} // namespace
} // namespace orv
