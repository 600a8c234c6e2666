#include "engine/scanners/adapter/CAdapterFrame.h"

#include "platform/clock/FakeClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace orv {
namespace {

using Bytes = std::vector<uint8_t>;

// Reads from a fixed byte stream, recording each read's count and time-out.
struct StreamReader {
    Bytes stream;
    std::size_t offset = 0;
    std::vector<std::pair<uint32_t, uint32_t>> reads{};

    CAdapterFrame::ReadBytes Reader() {
        return [this](uint8_t* into, uint32_t count, uint32_t timeoutMs) {
            reads.emplace_back(count, timeoutMs);
            if (offset + count > stream.size()) {
                return false;
            }
            std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(offset), count, into);
            offset += count;
            return true;
        };
    }
};

TEST(CAdapterFrame, BuildsRequestsAndReadsRepliesWithTheirTimeOuts) {
    const Bytes payload{'2', 0, 0, 0, 0};
    EXPECT_EQ(CAdapterFrame::Build(payload),
              (Bytes{0x02, 0, 5, '2', 0, 0, 0, 0, static_cast<uint8_t>(5 + '2'), 0x03}));
    EXPECT_TRUE(CAdapterFrame::Build({}).empty());
    EXPECT_TRUE(CAdapterFrame::Build(Bytes(256, 'x')).empty());
    EXPECT_EQ(CAdapterFrame::Build(Bytes(255, 1)).size(), 260U);

    StreamReader reader{
        {0x55, 0x00, 0x02, 0x07, 3, '2', 4, 3, static_cast<uint8_t>(7 + 3 + '2' + 4 + 3), 0x03}};
    CAdapterFrame frame;
    ASSERT_TRUE(frame.Read(reader.Reader()));
    EXPECT_EQ(frame.Letter(), '2');
    EXPECT_EQ(Bytes(frame.Payload().begin(), frame.Payload().end()), (Bytes{'2', 4, 3}));
    // Bytes before STX are skipped one by one; then byte 1 and N; then the rest with 100 ms a byte.
    EXPECT_EQ(reader.reads,
              (std::vector<std::pair<uint32_t, uint32_t>>{{1, 100}, {1, 100}, {1, 100}, {2, 100}, {5, 500}}));
}

TEST(CAdapterFrame, CorruptOrCutFramesFailWhateverTheirLetter) {
    struct Case {
        const char* what;
        Bytes stream;
    };
    const Case cases[] = {
        {"checksum", {0x02, 0, 1, 'j', 0x00, 0x03}},
        {"ETX", {0x02, 0, 1, 'j', static_cast<uint8_t>(1 + 'j'), 0x04}},
        {"byte 1 counts in the sum", {0x02, 1, 1, 'j', static_cast<uint8_t>(1 + 'j'), 0x03}},
        {"cut short", {0x02, 0, 3, 'd', 1}},
        {"no STX", Bytes(2000, 0x55)},
        {"nothing", {}},
    };
    for (const Case& c : cases) {
        StreamReader reader{c.stream};
        CAdapterFrame frame;
        EXPECT_FALSE(frame.Read(reader.Reader())) << c.what;
        EXPECT_LE(reader.offset, CAdapterFrame::kHuntLimit + 2) << c.what;
    }

    // N = 0: byte 1 + 0 is checked against byte 3, and there is no letter.
    StreamReader empty{{0x02, 7, 0, 7, 0x03}};
    CAdapterFrame frame;
    ASSERT_TRUE(frame.Read(empty.Reader()));
    EXPECT_EQ(frame.Letter(), CAdapterFrame::kNoLetter);
    StreamReader wrong{{0x02, 7, 0, 8, 0x03}};
    EXPECT_FALSE(frame.Read(wrong.Reader()));
}

// A line that gives a byte every half byte time-out never lets a one-byte read time out: the deadline
// ends the frame read, the hunt through junk as well as a real frame that comes too slowly, and no
// read is given more than what is left of it.
TEST(CAdapterFrame, ATricklingLineEndsAtTheDeadline) {
    FakeClock clock;
    const ScopedClockInstall install(clock);
    struct Trickle {
        Bytes stream;
        std::size_t offset = 0;
        std::vector<uint32_t> timeouts{};
        CAdapterFrame::ReadBytes Reader(FakeClock& clock) {
            return [this, &clock](uint8_t* into, uint32_t count, uint32_t timeoutMs) {
                timeouts.push_back(timeoutMs);
                // A byte every half byte time-out: a read of more bytes than its time-out allows for
                // times out.
                const uint32_t needed = count * CAdapterFrame::kByteTimeoutMs / 2;
                if (offset + count > stream.size() || needed > timeoutMs) {
                    clock.Advance(std::chrono::milliseconds(timeoutMs));
                    return false;
                }
                clock.Advance(std::chrono::milliseconds(needed));
                std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(offset), count, into);
                offset += count;
                return true;
            };
        }
    };
    const Bytes frameBytes{0x02, 0x00, 0x03, '2', 4, 3, static_cast<uint8_t>(3 + '2' + 4 + 3), 0x03};
    struct Case {
        const char* what;
        Bytes stream;
        uint32_t deadlineMs;
        bool read;
    };
    Bytes junkThenFrame(2000 + frameBytes.size(), 0x55);
    std::copy(frameBytes.begin(), frameBytes.end(),
              junkThenFrame.end() - static_cast<std::ptrdiff_t>(frameBytes.size()));
    const Case cases[] = {
        {"junk", Bytes(2000, 0x55), 400, false},      {"a frame behind junk", junkThenFrame, 400, false},
        {"a frame in time", frameBytes, 1000, true},  {"a frame too slow", frameBytes, 200, false},
        {"no deadline", Bytes(2000, 0x55), 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Trickle trickle{c.stream};
        const auto start = clock.Now();
        CAdapterFrame frame;
        EXPECT_EQ(frame.Read(trickle.Reader(clock), c.deadlineMs), c.read);
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now() - start).count();
        if (c.deadlineMs != 0) {
            EXPECT_LE(took, c.deadlineMs);
            for (const uint32_t timeout : trickle.timeouts) {
                EXPECT_LE(timeout, c.deadlineMs);
            }
        } else {
            EXPECT_EQ(trickle.offset, CAdapterFrame::kHuntLimit) << "only the hunt limit ends it";
        }
    }
}

} // namespace
} // namespace orv
