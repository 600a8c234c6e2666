#include "engine/scanners/CNoScannerBoard.h"

#include "platform/log/InformationLog.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace orv {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Reply(const CScanner& scanner) {
    const auto reply = scanner.GetReplyBuffer();
    return {reply.begin(), reply.end()};
}

// Every switch and trigger operation that answers with the answering flag.
std::vector<std::pair<const char*, std::function<bool(CNoScannerBoard&)>>> SwitchAndTriggerOperations() {
    return {
        {"Trigger", [](CNoScannerBoard& s) { return s.Trigger(1, 2, 3, 4); }},
        {"StartingSwitch", [](CNoScannerBoard& s) { return s.StartingSwitch(0); }},
        {"FullSwitchAndTrigger", [](CNoScannerBoard& s) { return s.FullSwitchAndTrigger(1, 2, true); }},
        {"PartialSwitchAndTrigger",
         [](CNoScannerBoard& s) { return s.PartialSwitchAndTrigger(1, 2, 3, false); }},
        {"TriggerAndSwitches", [](CNoScannerBoard& s) { return s.TriggerAndSwitches(); }},
        {"WriteScannerSize", [](CNoScannerBoard& s) { return s.WriteScannerSize(); }},
    };
}

class CNoScannerBoardTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previousSink = InformationLog::Instance().SetSink(
            [this](uint8_t kind, const std::string& line) { m_lines.emplace_back(kind, line); });
    }
    void TearDown() override { InformationLog::Instance().SetSink(m_previousSink); }

    InformationLog::Sink m_previousSink;
    std::vector<std::pair<uint8_t, std::string>> m_lines;
};

TEST_F(CNoScannerBoardTest, FailsIdentityReadsAndSwitchesUntilConnected) {
    CNoScannerBoard board;
    EXPECT_EQ(board.GetProbeType(), CScanner::eProbeType::NoScanner);
    EXPECT_TRUE(board.IsReconnectNeeded());
    EXPECT_FALSE(board.IsAnswering());

    EXPECT_FALSE(board.ReadScannerType());
    EXPECT_FALSE(board.ReadAdaptorEID());
    EXPECT_FALSE(board.ReadFirmwareVersion());
    for (const auto& [name, operation] : SwitchAndTriggerOperations()) {
        EXPECT_FALSE(operation(board)) << name;
    }
    // Moving to a cell needs nothing to answer, connected or not.
    EXPECT_TRUE(board.SwitchToCell());
    EXPECT_TRUE(board.SwitchToCellTimed(5));
    EXPECT_TRUE(Reply(board).empty());
    EXPECT_EQ(board.GetScannerID(), 0);
    EXPECT_TRUE(m_lines.empty());
}

TEST_F(CNoScannerBoardTest, AnswersTheFixedIdentityAndEverySwitchOnceConnected) {
    CNoScannerBoard board;
    ASSERT_TRUE(board.Connect());
    EXPECT_FALSE(board.IsReconnectNeeded());
    EXPECT_TRUE(board.IsAnswering());

    ASSERT_TRUE(board.ReadScannerType());
    EXPECT_EQ(Reply(board), (Bytes{255, 0, 0, 0}));
    EXPECT_EQ(board.GetScannerID(), 255);
    ASSERT_EQ(m_lines.size(), 1U);
    EXPECT_EQ(m_lines[0].first, 1);
    EXPECT_NE(m_lines[0].second.find("--- Scanner ID = 255"), std::string::npos) << m_lines[0].second;

    ASSERT_TRUE(board.ReadAdaptorEID());
    EXPECT_EQ(Reply(board), (Bytes{0, 0}));
    ASSERT_TRUE(board.ReadFirmwareVersion());
    EXPECT_EQ(Reply(board), (Bytes{0, 0, 0}));

    for (const auto& [name, operation] : SwitchAndTriggerOperations()) {
        EXPECT_TRUE(operation(board)) << name;
    }
    EXPECT_TRUE(board.SwitchToCell());
    EXPECT_TRUE(board.SwitchToCellTimed(5));
    EXPECT_TRUE(board.BeginScan());
    EXPECT_TRUE(board.EndScan());
    EXPECT_FALSE(board.SupportsMotors());
    board.SetSwitchMode(3);
    EXPECT_EQ(board.GetSwitchMode(), 0);
    EXPECT_EQ(board.GetBytesWritten(), 0U);
    EXPECT_EQ(board.GetBytesRead(), 0U);
}

TEST_F(CNoScannerBoardTest, ReconnectWhileConnectedChangesNothing) {
    CNoScannerBoard board;
    ASSERT_TRUE(board.Connect());
    ASSERT_TRUE(board.ReadFirmwareVersion());
    EXPECT_TRUE(board.Reconnect());
    EXPECT_FALSE(board.IsReconnectNeeded());
    EXPECT_TRUE(board.IsAnswering());
    EXPECT_EQ(Reply(board), (Bytes{0, 0, 0}));
    EXPECT_TRUE(board.Disconnect());
}

TEST_F(CNoScannerBoardTest, TheReplyBufferHoldsWhatWasStoredLast) {
    CNoScannerBoard board;
    ASSERT_TRUE(board.Connect());
    const std::array<uint8_t, 5> pattern{0xF0, 0x0F, 0xAA, 0x55, 0x80};
    ASSERT_TRUE(board.StorePatternData(pattern));
    EXPECT_EQ(Reply(board), Bytes(pattern.begin(), pattern.end()));
    const auto map = board.GetProbeCellMap();
    EXPECT_EQ(Bytes(map.begin(), map.end()), Bytes(pattern.begin(), pattern.end()));

    ASSERT_TRUE(board.ReadScannerType());
    EXPECT_EQ(Reply(board), (Bytes{255, 0, 0, 0}));

    // With two bytes held there is no type to write; the driver never writes one anyway.
    ASSERT_TRUE(board.ReadAdaptorEID());
    EXPECT_FALSE(board.WriteScannerType());
    EXPECT_EQ(Reply(board), (Bytes{0, 0}));
    EXPECT_EQ(board.GetScannerID(), 255);
}

TEST(CScanner, KeepsTheCommonFieldsTheScanRoutinesWrite) {
    CNoScannerBoard board;
    board.SetSelectedScannerID(17);
    EXPECT_EQ(board.GetSelectedScannerID(), 17);
    board.SetScannerTypeValue(0xBEEF);
    EXPECT_EQ(board.GetScannerTypeValue(), 0xBEEF);
    board.SetStepWords(0x1234, 0xFFFF);
    EXPECT_EQ(board.GetStepWordA(), 0x1234);
    EXPECT_EQ(board.GetStepWordB(), 0xFFFF);
    const std::array<int16_t, 6> heights{1, -2, 3, 4, 5, 6};
    board.SetCellHeightTable(heights);
    EXPECT_EQ(board.GetCellHeightTable().data(), heights.data());
    EXPECT_EQ(board.GetCellHeightTable().size(), heights.size());
}

TEST(CScanner, ARowOrColumnBeyondOneByteIsRefusedNotTruncated) {
    struct Case {
        int32_t row;
        int32_t column;
        bool sendable;
    };
    const Case cases[] = {{0, 0, true},   {255, 255, true}, {256, 0, false}, {0, 256, false},
                          {-1, 3, false}, {3, -1, false},   {28, 41, true}};
    for (const Case& c : cases) {
        CNoScannerBoard board;
        ASSERT_TRUE(board.SetCell(7, 9));
        EXPECT_EQ(board.SetCell(c.row, c.column), c.sendable) << c.row << "," << c.column;
        EXPECT_EQ(board.HasSendableCell(), c.sendable);
        if (c.sendable) {
            EXPECT_EQ(board.GetCellRow(), c.row);
            EXPECT_EQ(board.GetCellColumn(), c.column);
        } else {
            // The cell kept is the last valid one, never a truncated copy of the refused one.
            EXPECT_EQ(board.GetCellRow(), 7);
            EXPECT_EQ(board.GetCellColumn(), 9);
        }
    }
}

} // namespace
} // namespace orv
