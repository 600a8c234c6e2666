#include "engine/scanners/CUSBEngine.h"

#include "support/FakeUsbBoard.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace orv {
namespace {

using test::FakeUsbBoard;

class CUSBEngineTest : public ::testing::Test {
protected:
    FakeUsbBoard m_board;
    ScopedUsbTransportInstall m_install{m_board};
    CUSBEngine m_engine; // after the fake: closes its device before the fake goes
};

TEST_F(CUSBEngineTest, OpensTheFirstBoardOnceAndMovesBytesOnEndpointOne) {
    EXPECT_EQ(m_engine.GetDeviceCount(), 1);
    ASSERT_TRUE(m_engine.Open());
    ASSERT_TRUE(m_engine.Open()); // already open: no second device
    uint32_t moved = 0;
    const std::array<uint8_t, 1> command{'d'};
    ASSERT_TRUE(m_engine.Write(command, moved, 500));
    EXPECT_EQ(moved, 1U);
    std::array<uint8_t, 5> reply{};
    ASSERT_TRUE(m_engine.Read(reply, moved, 400));
    EXPECT_EQ(moved, 5U);
    EXPECT_EQ(reply[0], 'd');
    m_engine.Close();
    EXPECT_FALSE(m_engine.IsOpened());

    const auto calls = m_board.Calls();
    ASSERT_EQ(calls.size(), 5U);
    EXPECT_EQ(calls[1].kind, FakeUsbBoard::CallKind::Open);
    EXPECT_EQ(calls[2].endpoint, 0x01);
    EXPECT_EQ(calls[2].timeoutMs, 500U);
    EXPECT_EQ(calls[3].endpoint, 0x81);
    EXPECT_EQ(calls[3].requested, 5U);
    EXPECT_EQ(calls[3].timeoutMs, 400U);
    EXPECT_EQ(calls[4].kind, FakeUsbBoard::CallKind::Close);
}

TEST_F(CUSBEngineTest, FailedTransfersAreFalseAndOnlyFailedCompletionsPrintTheirCode) {
    struct Case {
        const char* name;
        FakeUsbBoard::Fault fault;
        bool unplug;
        bool result;
        uint32_t moved;
        std::string printed;
    };
    const Case cases[] = {
        {"time-out", FakeUsbBoard::Fault::TimeOut, false, false, 0, ""},
        {"over-long", FakeUsbBoard::Fault::LongReply, false, false, 1, "Error: -8\n"},
        {"short", FakeUsbBoard::Fault::ShortReply, false, true, 0, ""},
        {"lost", FakeUsbBoard::Fault::TimeOut, true, false, 0, "Error: -4\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeUsbBoard board;
        const ScopedUsbTransportInstall install(board);
        CUSBEngine engine;
        ASSERT_TRUE(engine.Open());
        uint32_t moved = 99;
        const std::array<uint8_t, 1> command{'9'};
        ASSERT_TRUE(engine.Write(command, moved, 500));
        if (c.unplug) {
            board.Unplug();
        } else {
            board.AddFault(1, c.fault);
        }
        std::array<uint8_t, 1> reply{};
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(engine.Read(reply, moved, 500), c.result);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.printed);
        EXPECT_EQ(moved, c.moved);
    }
}

TEST_F(CUSBEngineTest, OpenReportsWhyItFailedAndAStaleHandleStaysDeadAfterReplugging) {
    m_board.SetAccessDenied(true);
    EXPECT_FALSE(m_engine.Open());
    EXPECT_EQ(m_engine.GetLastOpenStatus(), UsbOpenStatus::AccessDenied);
    m_board.SetAccessDenied(false);
    ASSERT_TRUE(m_engine.Open());

    m_board.Unplug();
    EXPECT_EQ(m_engine.GetDeviceCount(), 0);
    m_board.PlugBack();
    uint32_t moved = 0;
    const std::array<uint8_t, 1> command{'0'};
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(m_engine.Write(command, moved, 300));
    ::testing::internal::GetCapturedStdout();
    m_engine.Close();
    ASSERT_TRUE(m_engine.Open());
    EXPECT_TRUE(m_engine.Write(command, moved, 300));

    m_board.Unplug();
    m_engine.Close();
    EXPECT_FALSE(m_engine.Open());
    EXPECT_EQ(m_engine.GetLastOpenStatus(), UsbOpenStatus::NotFound);
}

} // namespace
} // namespace orv
