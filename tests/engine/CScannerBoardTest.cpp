#include "engine/scanners/CScannerBoard.h"

#include "platform/clock/FakeClock.h"
#include "platform/log/InformationLog.h"

#include "support/FakeUsbBoard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

namespace orv {
namespace {

using test::FakeUsbBoard;
using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

Bytes WithSum(Bytes bytes) {
    bytes.push_back(static_cast<uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0U) & 0xFFU));
    return bytes;
}

class LogLines {
public:
    LogLines() {
        m_previous = InformationLog::Instance().SetSink(
            [this](uint8_t, const std::string& line) { m_lines.push_back(line); });
    }
    ~LogLines() { InformationLog::Instance().SetSink(m_previous); }
    LogLines(const LogLines&) = delete;
    LogLines& operator=(const LogLines&) = delete;
    bool Has(const std::string& text) const {
        return std::any_of(m_lines.begin(), m_lines.end(), [&](const std::string& line) {
            return line.size() >= text.size() &&
                   line.compare(line.size() - text.size(), text.size(), text) == 0;
        });
    }
    const std::vector<std::string>& Lines() const { return m_lines; }

private:
    InformationLog::Sink m_previous;
    std::vector<std::string> m_lines;
};

class CScannerBoardTest : public ::testing::Test {
protected:
    CScannerBoardTest() {
        m_scanner.SetSetupSource([this] { return m_setup; });
    }
    void ConnectNow() {
        ASSERT_TRUE(m_scanner.Connect());
        m_board.ClearCalls();
        m_clock.ClearPauses();
    }

    FakeClock m_clock;
    ScopedClockInstall m_clockInstall{m_clock};
    FakeUsbBoard m_board;
    ScopedUsbTransportInstall m_install{m_board};
    ScannerSetup m_setup{.rows = 12, .columns = 34, .timing1 = 0x1234, .timing2 = 0x0506};
    CScannerBoard m_scanner; // after the fake: closes its device before the fake goes
};

TEST_F(CScannerBoardTest, EachCommandWritesItsBytesWithItsTimeOutsAndWaitsAndChecksTheReply) {
    ConnectNow();
    m_board.SetScannerId(0x01020304);
    ASSERT_TRUE(m_scanner.SetCell(7, 9));
    struct Row {
        const char* name;
        std::function<bool()> run;
        Bytes written;
        uint32_t writeTimeout;
        std::vector<std::chrono::milliseconds> waits;
        uint32_t replyLength;
        uint32_t readTimeout;
        Bytes buffer; // the reply buffer after success
    };
    const Row rows[] = {
        {"firmware", [&] { return m_scanner.ReadFirmwareVersion(); }, {'d'}, 500, {50ms}, 5, 500, {1, 2, 3}},
        {"adaptor", [&] { return m_scanner.ReadAdaptorEID(); }, {'c'}, 500, {50ms}, 4, 500, {4, 5}},
        {"type", [&] { return m_scanner.ReadScannerType(); }, {'2'}, 500, {50ms}, 6, 500, {4, 3, 2, 1}},
        {"write type",
         [&] { return m_scanner.WriteScannerType(); },
         WithSum({'1', 4, 3, 2, 1}),
         500,
         {50ms},
         1,
         500,
         {4, 3, 2, 1}},
        {"size",
         [&] { return m_scanner.WriteScannerSize(); },
         WithSum({'9', 12, 34}),
         500,
         {50ms},
         1,
         500,
         {4, 3, 2, 1}},
        {"timed cell",
         [&] { return m_scanner.SwitchToCellTimed(200); },
         WithSum({'e', 7, 9, 200, 0}),
         100,
         {},
         1,
         200,
         {4, 3, 2, 1}},
        {"cell",
         [&] { return m_scanner.SwitchToCell(); },
         WithSum({'0', 7, 9}),
         300,
         {},
         1,
         300,
         {4, 3, 2, 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_board.ClearCalls();
        m_clock.ClearPauses();
        ASSERT_TRUE(row.run());
        const auto transfers = m_board.Transfers();
        ASSERT_EQ(transfers.size(), 2U);
        EXPECT_EQ(transfers[0].endpoint, 0x01);
        EXPECT_EQ(transfers[0].bytes, row.written);
        EXPECT_EQ(transfers[0].timeoutMs, row.writeTimeout);
        EXPECT_EQ(transfers[1].endpoint, 0x81);
        EXPECT_EQ(transfers[1].requested, row.replyLength);
        EXPECT_EQ(transfers[1].timeoutMs, row.readTimeout);
        EXPECT_EQ(m_clock.Pauses().size(), row.waits.size());
        for (std::size_t i = 0; i < std::min(row.waits.size(), m_clock.Pauses().size()); ++i) {
            EXPECT_EQ(m_clock.Pauses()[i], row.waits[i]);
        }
        EXPECT_EQ(Bytes(m_scanner.GetReplyBuffer().begin(), m_scanner.GetReplyBuffer().end()), row.buffer);
        EXPECT_EQ(m_scanner.GetBytesWritten(), row.written.size());
        EXPECT_EQ(m_scanner.GetBytesRead(), row.replyLength);
        EXPECT_FALSE(m_scanner.IsReconnectNeeded());
    }
    EXPECT_EQ(m_scanner.GetScannerID(), 0x01020304);
    EXPECT_TRUE(m_scanner.BeginScan());
    EXPECT_TRUE(m_scanner.EndScan());
    EXPECT_EQ(m_scanner.GetSwitchMode(), 0);
    EXPECT_FALSE(m_scanner.SupportsMotors());
    EXPECT_EQ(m_scanner.GetProbeType(), eProbeType::UsbScannerBoard);
}

TEST_F(CScannerBoardTest, AWrongEchoFailsAloneWhileAFailedShortOrLongReplyNeedsAReconnect) {
    struct Case {
        const char* name;
        FakeUsbBoard::Fault fault;
        bool reconnectNeeded;
    };
    const Case cases[] = {
        {"wrong byte", FakeUsbBoard::Fault::WrongByte, false},
        {"time-out", FakeUsbBoard::Fault::TimeOut, true},
        {"short", FakeUsbBoard::Fault::ShortReply, true},
        {"over-long", FakeUsbBoard::Fault::LongReply, true},
        {"short write", FakeUsbBoard::Fault::ShortWrite, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeUsbBoard board;
        const ScopedUsbTransportInstall install(board);
        CScannerBoard scanner;
        ASSERT_TRUE(scanner.Connect());
        const int next = board.TransferCount();
        // The write is transfer `next`, the reply `next + 1`.
        board.AddFault(c.fault == FakeUsbBoard::Fault::ShortWrite ? next : next + 1, c.fault);
        testing::internal::CaptureStdout();
        EXPECT_FALSE(scanner.SwitchToCell());
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(scanner.IsReconnectNeeded(), c.reconnectNeeded);
    }
}

TEST_F(CScannerBoardTest, TheScannerTypeTakesAnyFirstByteAndLogsTheLittleEndianId) {
    ConnectNow();
    LogLines log;
    m_board.SetScannerId(-2, 'Z');
    ASSERT_TRUE(m_scanner.ReadScannerType());
    EXPECT_EQ(m_scanner.GetScannerID(), -2);
    EXPECT_TRUE(log.Has("Scanner ID = -2"));

    // A reply one byte short leaves the ID as it was.
    m_board.SetScannerId(77);
    m_board.AddFault(m_board.TransferCount() + 1, FakeUsbBoard::Fault::ShortReply);
    EXPECT_FALSE(m_scanner.ReadScannerType());
    EXPECT_EQ(m_scanner.GetScannerID(), -2);
    EXPECT_TRUE(m_scanner.IsReconnectNeeded());
}

TEST_F(CScannerBoardTest, APatternGoesOutInChunksOfSixtyAfterTheSize) {
    ConnectNow();
    Bytes pattern(150);
    std::iota(pattern.begin(), pattern.end(), uint8_t{0});
    m_scanner.StorePatternData(pattern);
    ASSERT_TRUE(m_scanner.StartingSwitch(0x0102));
    const auto writes = m_board.Writes();
    ASSERT_EQ(writes.size(), 6U); // size, three chunks, the command, one poll
    EXPECT_EQ(writes[0], WithSum({'9', 12, 34}));
    const std::size_t lengths[] = {60, 60, 30};
    std::size_t offset = 0;
    for (uint8_t index = 0; index < 3; ++index) {
        Bytes chunk{'7', static_cast<uint8_t>(lengths[index]), index};
        chunk.insert(chunk.end(), pattern.begin() + static_cast<std::ptrdiff_t>(offset),
                     pattern.begin() + static_cast<std::ptrdiff_t>(offset + lengths[index]));
        EXPECT_EQ(writes[1 + index], WithSum(chunk));
        offset += lengths[index];
    }
    EXPECT_EQ(writes[4], WithSum({'8', 0x02, 0x01, 0x34, 0x12, 0x06, 0x05}));
    EXPECT_EQ(writes[5], Bytes{'a'});
}

TEST_F(CScannerBoardTest, AnEmptyPatternSendsNoChunkAndAWrongChunkAnswerFails) {
    ConnectNow();
    ASSERT_TRUE(m_scanner.FullSwitchAndTrigger(1, 2, true));
    auto writes = m_board.Writes();
    ASSERT_EQ(writes.size(), 2U);
    EXPECT_EQ(writes[0], WithSum({'h', 0x34, 0x12, 0x06, 0x05, 1, 0, 2, 0}));

    m_scanner.StorePatternData(Bytes(70, 0xAA));
    m_board.ClearCalls();
    m_board.AddFault(m_board.TransferCount() + 3, FakeUsbBoard::Fault::WrongByte); // the second chunk's echo
    EXPECT_FALSE(m_scanner.PartialSwitchAndTrigger(1, 2, 3, true));
    writes = m_board.Writes();
    ASSERT_EQ(writes.size(), 2U);
    EXPECT_EQ(writes[1][0], '7');
    EXPECT_FALSE(m_scanner.IsReconnectNeeded());
}

TEST_F(CScannerBoardTest, TheCompletionPollWaitsTheIntervalBeforeEachPollUntilTheLetter) {
    ConnectNow();
    m_board.SetBusyPolls(4);
    m_setup.pollIntervalMs = 25;
    ASSERT_TRUE(m_scanner.PartialSwitchAndTrigger(1, 2, 3, false));
    EXPECT_EQ(m_clock.Pauses(), std::vector<Clock::Duration>(5, 25ms));
    const auto transfers = m_board.Transfers();
    ASSERT_EQ(transfers.size(), 11U);
    EXPECT_EQ(transfers[0].bytes, WithSum({'g', 1, 0, 2, 0, 3, 0, 0x34, 0x12, 0x06, 0x05}));
    EXPECT_EQ(transfers[0].timeoutMs, 500U);
    EXPECT_EQ(transfers[1].timeoutMs, 100U);
    EXPECT_EQ(transfers[2].timeoutMs, 5000U);

    // Model code 29 polls the full switch-and-trigger every 100 ms.
    m_setup.analyserModelCode = 29;
    m_board.SetBusyPolls(1);
    m_clock.ClearPauses();
    ASSERT_TRUE(m_scanner.FullSwitchAndTrigger(1, 2, false));
    EXPECT_EQ(m_clock.Pauses(), std::vector<Clock::Duration>(2, 100ms));
}

TEST_F(CScannerBoardTest, ThreeThousandBusyAnswersOrAStrangeByteFail) {
    ConnectNow();
    m_board.SetBusyPolls(3000);
    EXPECT_FALSE(m_scanner.TriggerAndSwitches());
    EXPECT_EQ(m_clock.Pauses(), std::vector<Clock::Duration>(3000, 10ms));
    EXPECT_FALSE(m_scanner.IsReconnectNeeded());

    m_board.SetBusyPolls(0);
    m_board.SetPollAnswer('x');
    m_board.ClearCalls();
    EXPECT_FALSE(m_scanner.TriggerAndSwitches());
    EXPECT_EQ(m_board.Transfers().size(), 3U);
    EXPECT_FALSE(m_scanner.IsReconnectNeeded());
}

TEST_F(CScannerBoardTest, TheTriggerIsTrueWhenTheBoardNeverAnswers) {
    ConnectNow();
    m_board.SetTriggerSilent(true);
    ASSERT_TRUE(m_scanner.Trigger(250, 0, 0, 0)); // 250 / 100 + 10 = 12 attempts
    auto transfers = m_board.Transfers();
    ASSERT_EQ(transfers.size(), 13U);
    EXPECT_EQ(transfers[0].bytes, WithSum({'i', 250}));
    EXPECT_EQ(m_clock.Pauses(), std::vector<Clock::Duration>(11, 1ms));
    EXPECT_FALSE(m_scanner.IsReconnectNeeded());

    m_board.ClearCalls();
    ASSERT_TRUE(m_scanner.Trigger(-1000, 0, 0, 0)); // n = 0: no attempt
    transfers = m_board.Transfers();
    ASSERT_EQ(transfers.size(), 1U);
    EXPECT_EQ(transfers[0].bytes, WithSum({'i', 0x18}));

    m_board.SetTriggerSilent(false);
    m_board.ClearCalls();
    ASSERT_TRUE(m_scanner.Trigger(0, 0, 0, 0));
    EXPECT_EQ(m_board.Transfers().size(), 2U);
}

TEST_F(CScannerBoardTest, NumbersThatDoNotFitTheirFieldAreNotSent) {
    ConnectNow();
    m_scanner.StorePatternData(Bytes(512, 1)); // L / 2 = 256
    EXPECT_FALSE(m_scanner.TriggerAndSwitches());
    EXPECT_FALSE(m_scanner.StartingSwitch(70000));
    EXPECT_FALSE(m_scanner.FullSwitchAndTrigger(-1, 0, false));
    EXPECT_FALSE(m_scanner.PartialSwitchAndTrigger(0, 0, 65536, false));
    m_setup.rows = 256;
    EXPECT_FALSE(m_scanner.WriteScannerSize());
    EXPECT_FALSE(m_scanner.SetCell(256, 0));
    EXPECT_FALSE(m_scanner.SwitchToCell());
    EXPECT_TRUE(m_board.Transfers().empty());
    EXPECT_FALSE(m_scanner.IsReconnectNeeded());

    // Timings beyond 16 bits saturate.
    m_scanner.StorePatternData({});
    m_setup.timing1 = 70000;
    m_setup.timing2 = -5;
    ASSERT_TRUE(m_scanner.PartialSwitchAndTrigger(0, 0, 0, false));
    EXPECT_EQ(m_board.Writes()[0], WithSum({'g', 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0}));
}

TEST_F(CScannerBoardTest, ConnectLogsItsStepsAndReconnectOpensANewHandleAfterReplugging) {
    LogLines log;
    ASSERT_TRUE(m_scanner.Connect());
    EXPECT_EQ(log.Lines().size(), 2U);
    EXPECT_TRUE(log.Has("Start to create connection to Scanner."));
    EXPECT_TRUE(log.Has("Completed in creating connection to Scanner."));
    ASSERT_TRUE(m_scanner.Connect()); // connected: nothing to do
    EXPECT_EQ(log.Lines().size(), 2U);

    m_board.Unplug();
    testing::internal::CaptureStdout();
    EXPECT_FALSE(m_scanner.SwitchToCell());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error: -4\n");
    EXPECT_TRUE(m_scanner.IsReconnectNeeded());
    EXPECT_FALSE(m_scanner.Reconnect());
    EXPECT_TRUE(log.Has("Failed in initializing USB engine in Setup USB Connection()."));

    m_board.PlugBack();
    m_board.SetScannerId(42);
    ASSERT_TRUE(m_scanner.Reconnect());
    ASSERT_TRUE(m_scanner.ReadScannerType());
    EXPECT_EQ(m_scanner.GetScannerID(), 42);

    ASSERT_TRUE(m_scanner.Disconnect());
    EXPECT_TRUE(m_scanner.IsReconnectNeeded());
    EXPECT_EQ(m_board.Calls().back().kind, FakeUsbBoard::CallKind::Close);
}

TEST_F(CScannerBoardTest, RefusedAccessNamesTheDeviceBeforeTheFailure) {
    LogLines log;
    m_board.SetAccessDenied(true);
    EXPECT_FALSE(m_scanner.Connect());
    ASSERT_EQ(log.Lines().size(), 3U);
    EXPECT_NE(log.Lines()[1].find("04D8:FCBD"), std::string::npos);
    EXPECT_TRUE(log.Has("Failed in initializing USB engine in Setup USB Connection()."));
}

TEST(CScannerBoardLibusbTest, ConnectFailsAtOnceWithNoBoardAttached) {
    if (CurrentUsbTransport().CountDevices(CUSBEngine::kVendorId, CUSBEngine::kProductId) > 0) {
        GTEST_SKIP() << "a scanner board is attached; not touching real hardware";
    }
    LogLines log;
    CScannerBoard scanner;
    EXPECT_FALSE(scanner.Connect());
    ASSERT_EQ(log.Lines().size(), 2U);
    EXPECT_TRUE(log.Has("Start to create connection to Scanner."));
    EXPECT_TRUE(log.Has("Failed in initializing USB engine in Setup USB Connection()."));
}

} // namespace
} // namespace orv
