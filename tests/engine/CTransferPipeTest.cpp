#include "engine/CTransferPipe.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace orv {
namespace {

std::vector<uint8_t> Counting(std::size_t n, uint8_t first = 0) {
    std::vector<uint8_t> bytes(n);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

TEST(CTransferPipe, WritesTakeOnlyWhatFitsAndAFullQueueTakesNothing) {
    CTransferPipe pipe;
    const std::vector<uint8_t> big = Counting(CTransferPipe::kQueueBytes - 10);
    EXPECT_EQ(pipe.WriteToClient(big.data(), big.size()), big.size());
    const std::vector<uint8_t> more = Counting(25, 7);
    EXPECT_EQ(pipe.WriteToClient(more.data(), more.size()), 10U);
    EXPECT_EQ(pipe.WriteToClient(more.data(), more.size()), 0U);
    EXPECT_EQ(pipe.ClientBoundFill(), CTransferPipe::kQueueBytes);
    // The other direction is untouched.
    EXPECT_EQ(pipe.EngineBoundFill(), 0U);
    std::vector<uint8_t> back(CTransferPipe::kQueueBytes);
    EXPECT_EQ(pipe.ReadFromEngine(back.data(), back.size()), back.size());
    EXPECT_TRUE(std::equal(big.begin(), big.end(), back.begin()));
    EXPECT_TRUE(
        std::equal(more.begin(), more.begin() + 10, back.begin() + static_cast<std::ptrdiff_t>(big.size())));
}

TEST(CTransferPipe, ReadsTakeFromTheFrontAndAskingForMoreEmptiesTheQueue) {
    CTransferPipe pipe;
    uint8_t buffer[64] = {};
    EXPECT_EQ(pipe.ReadFromClient(buffer, sizeof buffer), 0U);
    const std::vector<uint8_t> bytes = Counting(40);
    ASSERT_EQ(pipe.WriteToEngine(bytes.data(), bytes.size()), 40U);
    EXPECT_EQ(pipe.ReadFromClient(buffer, 15), 15U);
    EXPECT_EQ(buffer[14], 14);
    EXPECT_EQ(pipe.ReadFromClient(buffer, sizeof buffer), 25U);
    EXPECT_EQ(buffer[0], 15);
    EXPECT_EQ(buffer[24], 39);
    EXPECT_EQ(pipe.EngineBoundFill(), 0U);
    EXPECT_EQ(pipe.ReadFromClient(buffer, sizeof buffer), 0U);
}

TEST(CTransferPipe, BytesKeepTheirOrderAcrossTheEndOfTheRing) {
    CTransferPipe pipe;
    std::vector<uint8_t> written;
    std::vector<uint8_t> read;
    uint8_t next = 0;
    std::vector<uint8_t> buffer(70000);
    // Writes and reads of different sizes walk the ring several times round.
    for (int round = 0; round < 40; ++round) {
        const std::vector<uint8_t> chunk = Counting(50000 + static_cast<std::size_t>(round) * 1111, next);
        const std::size_t taken = pipe.WriteToClient(chunk.data(), chunk.size());
        written.insert(written.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(taken));
        next = static_cast<uint8_t>(next + taken);
        const std::size_t got =
            pipe.ReadFromEngine(buffer.data(), 30000 + static_cast<std::size_t>(round) * 997);
        read.insert(read.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
    }
    for (std::size_t got = 1; got > 0;) {
        got = pipe.ReadFromEngine(buffer.data(), buffer.size());
        read.insert(read.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
    }
    EXPECT_GT(written.size(), 2 * CTransferPipe::kQueueBytes);
    EXPECT_EQ(read, written);
}

} // namespace
} // namespace orv
