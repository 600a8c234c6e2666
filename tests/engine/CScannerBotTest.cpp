#include "engine/scanners/CScannerBot.h"

#include "engine/scanners/CDOBOTEngine.h"
#include "platform/clock/FakeClock.h"
#include "tests/engine/support/EngineLinkFixture.h"

#include <gtest/gtest.h>

#include <tuple>

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::LogCapture;

struct MoveCall {
    float height;
    int32_t row;
    int32_t column;
    uint16_t a;
    uint16_t b;
    bool operator==(const MoveCall&) const = default;
};

// An arm engine that records the moves asked of it; a move can be made to fail or to be cut by a stop.
class RecordingArm final : public CBOTEngine {
public:
    std::vector<MoveCall> moves;
    std::vector<std::pair<int32_t, int32_t>> gridSizes;
    int failAtMove = -1;
    int stopAtMove = -1;
    bool stopped = false;
    int stops = 0;
    int resumes = 0;

    bool Connect() override { return true; }
    bool Initialize() override { return true; }
    void Disconnect() override {}
    void Calibrate() override {}
    void SetGridSize(int32_t rows, int32_t columns) override { gridSizes.emplace_back(rows, columns); }
    bool ExecuteMove(float height, int32_t row, int32_t column, uint16_t a, uint16_t b) override {
        const int index = static_cast<int>(moves.size());
        if (stopped) {
            return false;
        }
        moves.push_back({height, row, column, a, b});
        if (index == stopAtMove) {
            stopped = true;
            return false;
        }
        return index != failAtMove;
    }
    uint8_t IsCellReachable(int32_t row, int32_t column) const override {
        return m_real.IsCellReachable(row, column);
    }
    int32_t GetMaxHeightForCell(int32_t row, int32_t column) const override {
        return m_real.GetMaxHeightForCell(row, column);
    }
    void GetCellAtPosition(float x, float y, uint16_t& row, uint16_t& column) const override {
        m_real.GetCellAtPosition(x, y, row, column);
    }
    bool GetPose(ArmPose& pose) override {
        pose.z = -20.0F;
        return true;
    }
    bool MoveToPose(float /*x*/, float /*y*/, float /*z*/, float /*r*/) override { return true; }
    float GetSafeHeight() const override { return 110.0F; }
    bool EnableTrigger() override { return true; }
    bool DisableTrigger() override { return true; }
    bool GetTriggeredPose(ArmPose& /*pose*/) override { return false; }
    void SetProbeHeight(float /*height*/) override {}
    void Stop() override {
        stopped = true;
        ++stops;
    }
    bool IsStopped() const override { return stopped; }
    void Resume() override {
        stopped = false;
        ++resumes;
    }
    void ClearAlarms() override {}
    const ArmOriginRecord* GetOriginRecord() const override { return &m_record; }
    float GetOriginX() const override { return m_real.GetOriginX(); }
    float GetOriginY() const override { return m_real.GetOriginY(); }
    float GetZOffset() const override { return m_real.GetZOffset(); }

private:
    CDOBOTEngine m_real{0};
    ArmOriginRecord m_record;
};

class ScannerBotTest : public ::testing::Test {
protected:
    ScannerBotTest() {
        auto arm = std::make_unique<RecordingArm>();
        m_arm = arm.get();
        m_bot = std::make_unique<CScannerBot>(std::move(arm));
        m_bot->SetSetupSource([this] {
            ScannerSetup setup = m_setup;
            setup.stop = m_stop.get_token();
            return setup;
        });
        EXPECT_TRUE(m_bot->Connect());
    }

    // A bit map with the given cells set, one bit per cell, most significant bit first.
    static std::vector<uint8_t> Bits(std::initializer_list<int> cells, int count) {
        std::vector<uint8_t> bytes(static_cast<std::size_t>((count + 7) / 8), 0);
        for (const int n : cells) {
            bytes[static_cast<std::size_t>(n / 8)] |= static_cast<uint8_t>(0x80U >> (n % 8));
        }
        return bytes;
    }

    FakeClock m_clock;
    ScopedClockInstall m_install{m_clock};
    LogCapture m_log;
    ScannerSetup m_setup{.rows = 3, .columns = 4, .timing1 = 2, .timing2 = 3};
    std::stop_source m_stop;
    RecordingArm* m_arm = nullptr;
    std::unique_ptr<CScannerBot> m_bot;
};

TEST_F(ScannerBotTest, IdentityTriggersAndWhatTheArmDoesNotSupport) {
    EXPECT_EQ(m_bot->GetProbeType(), eProbeType::RobotArm);
    EXPECT_EQ(m_bot->GetSelectedScannerID(), 200);
    ASSERT_TRUE(m_bot->ReadScannerType());
    EXPECT_EQ(std::vector<uint8_t>(m_bot->GetReplyBuffer().begin(), m_bot->GetReplyBuffer().end()),
              (std::vector<uint8_t>{200, 0, 0, 0}));
    EXPECT_EQ(m_bot->GetScannerID(), 200);
    EXPECT_TRUE(m_log.Has("Default Bot Probe ID = 200"));
    m_bot->SetSelectedScannerID(0x01020304);
    ASSERT_TRUE(m_bot->ReadScannerType());
    EXPECT_EQ(std::vector<uint8_t>(m_bot->GetReplyBuffer().begin(), m_bot->GetReplyBuffer().end()),
              (std::vector<uint8_t>{4, 3, 2, 1}));
    EXPECT_TRUE(m_log.Has("Selected Bot Probe ID = 16909060"));

    ASSERT_TRUE(m_bot->ReadFirmwareVersion());
    EXPECT_EQ(std::vector<uint8_t>(m_bot->GetReplyBuffer().begin(), m_bot->GetReplyBuffer().end()),
              (std::vector<uint8_t>{0, 0, 1}));
    ASSERT_TRUE(m_bot->ReadAdaptorEID());
    EXPECT_EQ(m_bot->GetReplyBuffer().size(), 2U);
    EXPECT_FALSE(m_bot->TriggerAndSwitches());
    EXPECT_TRUE(m_log.Has("TriggerAndSwitches not supported by QUORLYN."));
    EXPECT_FALSE(m_bot->WriteScannerType());
    EXPECT_FALSE(m_bot->SupportsMotors());
    EXPECT_TRUE(m_bot->Trigger(10, 0, 0, 0));
    EXPECT_EQ(m_bot->GetDefaultProbeHeight(), 110.0F);
    float x = 0;
    float y = 0;
    float z = 0;
    float r = 0;
    ASSERT_TRUE(m_bot->GetArmPose(x, y, z, r));
    EXPECT_EQ(z, 100.0F) << "z relative to the z offset";
    EXPECT_EQ(m_bot->GetGridOriginX(), 64.0F);
    EXPECT_EQ(m_bot->GetGridOriginY(), -157.5F);
}

TEST_F(ScannerBotTest, SwitchMovesToTheCellAndAFailedOrStoppedMoveIsNoSwitch) {
    m_bot->SetCell(2, 3);
    m_bot->SetCellHeight(45.0F);
    m_bot->SetStepWords(5, 16);
    ASSERT_TRUE(m_bot->SwitchToCellTimed(30));
    EXPECT_EQ(m_arm->moves.back(), (MoveCall{45.0F, 2, 3, 5, 16}));
    EXPECT_EQ(m_arm->gridSizes.back(), std::make_pair(3, 4));
    EXPECT_EQ(m_clock.Pauses(), std::vector<Clock::Duration>{30ms});

    m_arm->failAtMove = static_cast<int>(m_arm->moves.size());
    EXPECT_FALSE(m_bot->SwitchToCell());
    EXPECT_TRUE(m_bot->IsReconnectNeeded());
    EXPECT_TRUE(m_log.Has("Failed to move probe."));
    ASSERT_TRUE(m_bot->Reconnect());
    EXPECT_FALSE(m_bot->IsReconnectNeeded());

    // Stopped: no switch, but nothing to reconnect either.
    m_arm->stopAtMove = static_cast<int>(m_arm->moves.size());
    EXPECT_FALSE(m_bot->SwitchToCell());
    EXPECT_FALSE(m_bot->IsReconnectNeeded());
    EXPECT_FALSE(m_bot->SwitchToCell()) << "a stopped arm refuses";
    EXPECT_FALSE(m_bot->IsReconnectNeeded());
    ASSERT_TRUE(m_bot->ResetArmQueue());
    EXPECT_TRUE(m_bot->SwitchToCell());
}

TEST_F(ScannerBotTest, StartingSwitchWalksTheBitsAtTheirHeightsWithDwellsAndClosingTriggers) {
    // 3 x 4: cells 1, 6 and 11 set; each cell's height its index x 10.
    const std::vector<int16_t> heights{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110};
    m_bot->SetCellHeightTable(heights);
    ASSERT_TRUE(m_bot->StorePatternData(Bits({1, 6, 11}, 12)));
    ASSERT_TRUE(m_bot->StartingSwitch(5));
    EXPECT_EQ(m_arm->moves, (std::vector<MoveCall>{{10, 0, 1, 0, 0}, {60, 1, 2, 0, 0}, {110, 2, 3, 0, 0}}));
    // Per move timing 1, then timing 2; then 5 - 3 + 40 closing triggers a dwell interval apart.
    std::vector<Clock::Duration> expected{2ms, 3ms, 2ms, 3ms, 2ms, 3ms};
    expected.insert(expected.end(), 42, 1ms);
    EXPECT_EQ(m_clock.Pauses(), expected);

    // More moves than x: no closing triggers.
    m_arm->moves.clear();
    m_clock.ClearPauses();
    ASSERT_TRUE(m_bot->StartingSwitch(2));
    EXPECT_EQ(m_clock.Pauses().size(), 6U);
}

TEST_F(ScannerBotTest, AStopRequestOrAStoppedArmCutsTheWalk) {
    ASSERT_TRUE(m_bot->StorePatternData(Bits({0, 1, 2, 3}, 12)));
    // The stop comes during the first move's dwell.
    m_clock.SetPauseHook([this](Clock::TimePoint /*now*/) { m_stop.request_stop(); });
    EXPECT_FALSE(m_bot->StartingSwitch(10));
    EXPECT_EQ(m_arm->moves.size(), 1U);
    EXPECT_FALSE(m_bot->IsReconnectNeeded());
    m_clock.SetPauseHook(nullptr);

    m_stop = std::stop_source();
    m_arm->moves.clear();
    m_arm->stopAtMove = 1;
    EXPECT_FALSE(m_bot->FullSwitchAndTrigger(0, 0, true));
    EXPECT_EQ(m_arm->moves.size(), 2U);
    EXPECT_FALSE(m_bot->IsReconnectNeeded());

    m_arm->stopped = false;
    m_arm->stopAtMove = -1;
    m_arm->moves.clear();
    m_arm->failAtMove = 0;
    EXPECT_FALSE(m_bot->PartialSwitchAndTrigger(0, 11, 0, false));
    EXPECT_EQ(m_arm->moves.size(), 1U);
    EXPECT_TRUE(m_bot->IsReconnectNeeded());
}

TEST_F(ScannerBotTest, SwitchAndTriggerWalksKeepTheirBoundsOnTheSetupsGrid) {
    const auto cells = [this] {
        std::vector<std::pair<int32_t, int32_t>> out;
        for (const MoveCall& move : m_arm->moves) {
            out.emplace_back(move.row, move.column);
        }
        m_arm->moves.clear();
        return out;
    };
    using Cells = std::vector<std::pair<int32_t, int32_t>>;
    m_setup.rows = 29;
    m_setup.columns = 42;
    m_setup.timing1 = 0;
    m_setup.timing2 = 0;
    ASSERT_TRUE(m_bot->StorePatternData(Bits({5, 50, 100, 1217}, 1218)));
    ASSERT_TRUE(m_bot->FullSwitchAndTrigger(50, 0, true));
    EXPECT_EQ(cells(), (Cells{{1, 8}, {2, 16}, {28, 41}}));
    ASSERT_TRUE(m_bot->PartialSwitchAndTrigger(5, 100, 0, false));
    EXPECT_EQ(cells(), (Cells{{0, 5}, {1, 8}, {2, 16}}));
    ASSERT_TRUE(m_bot->PartialSwitchAndTrigger(6, 99, 0, false));
    EXPECT_EQ(cells(), (Cells{{1, 8}}));
    EXPECT_TRUE(m_clock.Pauses().empty()) << "no timings: no dwell";

    // 10 x 10: decoded with ten columns; bits beyond the grid name no cell.
    m_setup.rows = 10;
    m_setup.columns = 10;
    ASSERT_TRUE(m_bot->StorePatternData(Bits({5, 50, 99, 100, 103}, 104)));
    ASSERT_TRUE(m_bot->FullSwitchAndTrigger(0, 0, true));
    EXPECT_EQ(cells(), (Cells{{0, 5}, {5, 0}, {9, 9}}));
    ASSERT_TRUE(m_bot->PartialSwitchAndTrigger(6, 50, 0, false));
    EXPECT_EQ(cells(), (Cells{{5, 0}}));
    // Without a new pattern the kept one is walked, not what the reply buffer holds now.
    ASSERT_TRUE(m_bot->ReadScannerType());
    ASSERT_TRUE(m_bot->FullSwitchAndTrigger(0, 0, false));
    EXPECT_EQ(cells().size(), 3U);
}

TEST_F(ScannerBotTest, WithTheDwellFlagTheTimingsGoIntoTheTriggers) {
    m_bot->SetTriggerWithDwell(1);
    ASSERT_TRUE(m_bot->StorePatternData(Bits({0}, 12)));
    ASSERT_TRUE(m_bot->StartingSwitch(3));
    EXPECT_TRUE(m_clock.Pauses().empty());
    m_bot->SetCell(0, 0);
    ASSERT_TRUE(m_bot->SwitchToCellTimed(30));
    EXPECT_TRUE(m_clock.Pauses().empty());
}

TEST_F(ScannerBotTest, TheProbesPageMovesToItsTargetOnlyWhileConnected) {
    m_bot->SetTargetCell(4, 5, 33.0F, 0, 1);
    m_bot->SetTargetFlag(0);
    ASSERT_TRUE(m_bot->MoveToTarget());
    EXPECT_EQ(m_arm->moves.back(), (MoveCall{33.0F, 4, 5, 0, 1}));
    m_arm->failAtMove = 1;
    EXPECT_FALSE(m_bot->MoveToTarget());
    EXPECT_TRUE(m_bot->IsReconnectNeeded());
    EXPECT_FALSE(m_bot->MoveToTarget()) << "not while a reconnect is needed";
    EXPECT_EQ(m_arm->moves.size(), 2U);
    ASSERT_TRUE(m_bot->StopArm());
    EXPECT_EQ(m_arm->stops, 1);
    EXPECT_EQ(m_arm->resumes, 1);
}

} // namespace
} // namespace orv
