#include "platform/serial/CCommSerialBuffer.h"

#include <gtest/gtest.h>
#include <thread>

namespace orv {
namespace {

using namespace std::chrono_literals;
using SteadyTime = std::chrono::steady_clock;

TEST(CCommSerialBuffer, ABoundedBufferPassesEveryByteInOrderThroughItsWrap) {
    CCommSerialBuffer buffer(7);
    std::vector<uint8_t> sent(5000);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        sent[i] = static_cast<uint8_t>(i % 253);
    }
    std::jthread reader([&](std::stop_token stop) {
        std::size_t done = 0;
        while (done < sent.size()) {
            const std::size_t room = buffer.WaitForRoom(stop);
            ASSERT_GT(room, 0U);
            const std::size_t block = std::min({room, sent.size() - done, std::size_t{5}});
            buffer.Append(sent.data() + done, block);
            done += block;
        }
    });
    std::vector<uint8_t> received(sent.size());
    std::size_t taken = 0;
    while (taken < received.size()) {
        const std::size_t chunk = std::min<std::size_t>(3, received.size() - taken);
        ASSERT_EQ(buffer.Take(received.data() + taken, chunk, SteadyTime::now() + 10s), chunk);
        taken += chunk;
    }
    EXPECT_EQ(received, sent);
    EXPECT_FALSE(buffer.IsDataAvailable());
}

TEST(CCommSerialBuffer, DataSignalFollowsTheContentAndEndingWakesTheTaker) {
    CCommSerialBuffer buffer(16);
    const uint8_t bytes[] = {1, 2, 3};
    buffer.Append(bytes, 3);
    EXPECT_TRUE(buffer.IsDataAvailable());
    uint8_t out[8] = {};
    EXPECT_EQ(buffer.Take(out, 2, SteadyTime::now()), 2U);
    EXPECT_TRUE(buffer.IsDataAvailable());
    EXPECT_EQ(buffer.Take(out, 1, SteadyTime::now()), 1U);
    EXPECT_FALSE(buffer.IsDataAvailable());

    buffer.Append(bytes, 3);
    std::size_t taken = 0;
    const auto start = SteadyTime::now();
    std::jthread taker([&] { taken = buffer.Take(out, 8, SteadyTime::now() + 60s); });
    buffer.MarkEnded();
    taker.join();
    EXPECT_EQ(taken, 3U) << "what was there is handed over, no more is waited for";
    EXPECT_LT(SteadyTime::now() - start, 30s);
    EXPECT_EQ(buffer.Take(out, 1, SteadyTime::now() + 60s), 0U);

    buffer.Restart();
    EXPECT_FALSE(buffer.HasEnded());
    EXPECT_EQ(buffer.Size(), 0U);
}

TEST(CCommSerialBuffer, AReaderWaitingForRoomIsWokenByTakeByClearAndByStop) {
    CCommSerialBuffer buffer(2);
    const uint8_t bytes[] = {9, 9};
    buffer.Append(bytes, 2);
    {
        std::size_t room = 0;
        std::jthread reader([&](std::stop_token stop) { room = buffer.WaitForRoom(stop); });
        uint8_t out = 0;
        ASSERT_EQ(buffer.Take(&out, 1, SteadyTime::now()), 1U);
        reader.join();
        EXPECT_EQ(room, 1U);
    }
    buffer.Append(bytes, 1);
    {
        std::size_t room = 0;
        std::jthread reader([&](std::stop_token stop) { room = buffer.WaitForRoom(stop); });
        buffer.Clear();
        reader.join();
        EXPECT_EQ(room, 2U);
    }
    buffer.Append(bytes, 2);
    {
        std::size_t room = 5;
        std::jthread reader([&](std::stop_token stop) { room = buffer.WaitForRoom(stop); });
        reader.request_stop();
        reader.join();
        EXPECT_EQ(room, 0U);
    }
}

} // namespace
} // namespace orv
