#include "protocol/channels/QFrameCutter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using orv::QFrameCutter;
using Bytes = std::vector<uint8_t>;

Bytes Frame(uint16_t typeId, uint32_t bodySize, uint8_t fill = 0x11) {
    Bytes frame(9, 0);
    frame[0] = '*';
    std::memcpy(&frame[3], &typeId, 2);
    std::memcpy(&frame[5], &bodySize, 4);
    frame.resize(9 + std::size_t{bodySize}, fill);
    return frame;
}

// A header that declares a body but carries none of it.
Bytes HeaderOnly(uint16_t typeId, uint32_t bodySize) {
    Bytes header = Frame(typeId, 0);
    std::memcpy(&header[5], &bodySize, 4);
    return header;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// Feeds the stream in reads of the given sizes (the last repeated), cutting after each as a channel
// cycle does, and returns the frames cut.
std::vector<Bytes> Feed(QFrameCutter& cutter, const Bytes& stream, const std::vector<std::size_t>& reads,
                        std::size_t* mostHeld = nullptr) {
    std::vector<Bytes> frames;
    std::size_t offset = 0;
    std::size_t index = 0;
    while (offset < stream.size()) {
        const std::size_t n = std::min(reads[std::min(index++, reads.size() - 1)], stream.size() - offset);
        cutter.Append(stream.data() + offset, n);
        offset += n;
        if (mostHeld != nullptr) {
            *mostHeld = std::max(*mostHeld, cutter.Held());
        }
        for (auto frame = cutter.NextFrame(); !frame.empty(); frame = cutter.NextFrame()) {
            frames.emplace_back(frame.begin(), frame.end());
        }
        cutter.Compact();
    }
    return frames;
}

struct Channel {
    const char* name;
    std::function<QFrameCutter()> make;
    uint64_t maxFrame;
};

const Channel kChannels[] = {
    {"command", &QFrameCutter::ForCommandReplies, QFrameCutter::kCommandBound - 1},
    {"data", &QFrameCutter::ForScanData, QFrameCutter::kDataMaxBody + 9},
};

struct Case {
    std::string name;
    Bytes stream;
    std::vector<Bytes> expected;
    std::vector<std::size_t> reads;
};

std::vector<Case> CasesFor(const Channel& channel) {
    const Bytes reply = Frame(4, 41, 0x21);
    const Bytes empty = Frame(103, 0);
    const Bytes tail = Frame(151, 4, 0x33);
    const Bytes garbage{0x00, 0x41, 0xFF, 0x10, 0x20};
    const Bytes wrapping = HeaderOnly(5, 0xFFFFFFF7U); // 9 + N is exactly 2^32
    const Bytes aboveCap = HeaderOnly(100, static_cast<uint32_t>(channel.maxFrame - 9 + 1));
    const Bytes atCap = Frame(100, static_cast<uint32_t>(channel.maxFrame - 9), 0x44);
    return {
        {"two frames in one read", Join({reply, tail}), {reply, tail}, {4096}},
        {"nine-byte frame alone", empty, {empty}, {9}},
        {"nine-byte frames back to back", Join({empty, empty, reply}), {empty, empty, reply}, {1}},
        {"garbage before and between frames",
         Join({garbage, reply, garbage, tail, garbage}),
         {reply, tail},
         {7}},
        {"body size 0xFFFFFFF7", Join({wrapping, reply}), {reply}, {4096}},
        {"one above the cap", Join({aboveCap, tail}), {tail}, {4096}},
        {"the largest frame that fits", Join({atCap, tail}), {atCap, tail}, {atCap.size()}},
    };
}

TEST(QFrameCutter, CutsEveryChannelsStreamAlike) {
    for (const Channel& channel : kChannels) {
        for (const Case& c : CasesFor(channel)) {
            SCOPED_TRACE(std::string(channel.name) + ": " + c.name);
            QFrameCutter cutter = channel.make();
            EXPECT_EQ(Feed(cutter, c.stream, c.reads), c.expected);
            EXPECT_EQ(cutter.Held(), 0U);
        }
    }
}

TEST(QFrameCutter, TwoFrameStreamSplitAtEveryByte) {
    const Bytes first = Frame(4, 41, 0x21);
    const Bytes second = Frame(150, 4, 0x09);
    const Bytes stream = Join({first, second});
    for (const Channel& channel : kChannels) {
        for (std::size_t split = 1; split < stream.size(); ++split) {
            SCOPED_TRACE(std::string(channel.name) + " split " + std::to_string(split));
            QFrameCutter cutter = channel.make();
            const std::vector<Bytes> frames = Feed(cutter, stream, {split, stream.size()});
            ASSERT_EQ(frames.size(), 2U);
            EXPECT_EQ(frames[0], first);
            EXPECT_EQ(frames[1], second);
        }
    }
}

TEST(QFrameCutter, FrameIsCutInTheCycleItsLastByteArrives) {
    const Bytes frame = Frame(4, 41);
    QFrameCutter cutter = QFrameCutter::ForScanData();
    cutter.Append(frame.data(), frame.size() - 1);
    EXPECT_TRUE(cutter.NextFrame().empty());
    cutter.Compact();
    cutter.Append(&frame.back(), 1);
    const auto cut = cutter.NextFrame();
    EXPECT_EQ(Bytes(cut.begin(), cut.end()), frame);
}

TEST(QFrameCutter, CommandChannelDiscardsAReadThatReachesItsBoundWithoutAFrame) {
    QFrameCutter cutter = QFrameCutter::ForCommandReplies();
    // A frame start whose body never completes within the bound holds bytes until the bound is reached.
    const Bytes pending = HeaderOnly(4, QFrameCutter::kCommandBound - 10);
    Bytes stream = pending;
    stream.resize(QFrameCutter::kCommandBound, 0x55);
    std::size_t mostHeld = 0;
    const Bytes reply = Frame(4, 41);
    stream.insert(stream.end(), reply.begin(), reply.end());
    const std::vector<Bytes> frames = Feed(cutter, stream, {5120}, &mostHeld);
    EXPECT_LT(mostHeld, QFrameCutter::kCommandBound);
    EXPECT_GE(cutter.DroppedBytes(), QFrameCutter::kCommandBound - 5120);
    // The read that reached the bound took the pending frame with it; the reply after it still arrives.
    EXPECT_EQ(frames, std::vector<Bytes>{reply});
}

TEST(QFrameCutter, GarbageWithoutFramesNeverAccumulatesAndLogsOneResynchronisation) {
    const Bytes junk(QFrameCutter::kCommandBound, 0x07);
    const Bytes reply = Frame(4, 41);
    for (const Channel& channel : kChannels) {
        SCOPED_TRACE(channel.name);
        QFrameCutter cutter = channel.make();
        std::size_t mostHeld = 0;
        const std::vector<Bytes> frames = Feed(cutter, Join({junk, reply}), {5120}, &mostHeld);
        EXPECT_LE(mostHeld, 5120U);
        EXPECT_EQ(cutter.Resynchronisations(), 1U);
        EXPECT_EQ(cutter.DroppedBytes(), junk.size());
        ASSERT_EQ(frames.size(), 1U);
        EXPECT_EQ(frames[0], reply);
    }
}

TEST(QFrameCutter, DataBufferGrowsForALargeFrameButNeverBeyondTheCapPlusOneRead) {
    constexpr std::size_t kRead = 307200;
    const Bytes large = Frame(100, 3 * kRead, 0x5A);
    const Bytes after = Frame(103, 4);
    QFrameCutter cutter = QFrameCutter::ForScanData();
    std::size_t mostHeld = 0;
    const std::vector<Bytes> frames = Feed(cutter, Join({large, after}), {kRead}, &mostHeld);
    ASSERT_EQ(frames.size(), 2U);
    EXPECT_EQ(frames[0], large);
    EXPECT_EQ(frames[1], after);
    // Doubled until the read fits: at most twice what it had to hold.
    EXPECT_LE(cutter.Capacity(), 2 * (large.size() + kRead));
    EXPECT_LE(mostHeld, large.size() + kRead);

    // The largest frame the channel accepts: the doubling stops at it, plus the one read that
    // needs more.
    const Bytes largest = Frame(100, static_cast<uint32_t>(QFrameCutter::kDataMaxBody), 0x5B);
    QFrameCutter capped = QFrameCutter::ForScanData();
    const std::vector<Bytes> one = Feed(capped, largest, {kRead});
    ASSERT_EQ(one.size(), 1U);
    EXPECT_TRUE(one[0] == largest);
    EXPECT_LE(capped.Capacity(), capped.MaxFrameBytes() + kRead);
}

TEST(QFrameCutter, ClearForgetsHeldBytes) {
    QFrameCutter cutter = QFrameCutter::ForCommandReplies();
    const Bytes frame = Frame(4, 41);
    cutter.Append(frame.data(), 20);
    cutter.Clear();
    cutter.Append(frame.data(), frame.size());
    const auto cut = cutter.NextFrame();
    EXPECT_EQ(Bytes(cut.begin(), cut.end()), frame);
}

} // namespace
