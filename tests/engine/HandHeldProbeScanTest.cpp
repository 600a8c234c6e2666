#include "engine/runners/HandHeldProbeScan.h"

#include "scandata/QHandHeldProbeScan.h"
#include "scandata/QScanProgressIndicator.h"
#include "tests/engine/support/PacketReadBack.h"
#include "tests/engine/support/ProbeRequestTarget.h"
#include "tests/engine/support/RunnerRig.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace orv {
namespace {

using test::ReadBack;
using test::ReplyFrame;
using test::RunnerRig;

std::vector<std::pair<int, int>> ReadingCells(const std::vector<ReplyFrame>& frames) {
    std::vector<std::pair<int, int>> cells;
    for (const ReplyFrame& frame : RunnerRig::OfType(frames, 112)) {
        const auto reading = ReadBack<QHandHeldProbeScan>(RunnerRig::WholeFrame(frame));
        cells.emplace_back(reading->GetRow(), reading->GetColumn());
    }
    return cells;
}

class HandHeldProbeScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_rig.SetAllActive(2, 2);
        m_rig.setup.SetNumberOfFrequencyBuckets(3);
        m_rig.mainFrame = &m_target;
    }

    uint32_t Run() {
        HandHeldProbeScan runner(m_rig.Context());
        runner.RunScanStart();
        return runner.GetStatus();
    }

    RunnerRig m_rig;
    MessageThread m_thread;
    test::ProbeRequestTarget m_target{m_thread};
};

TEST_F(HandHeldProbeScanTest, GuidedModeMeasuresSkipsAndStopsAsTheFrameAnswers) {
    m_target.goAheads = {0, -1, 0, -2};
    EXPECT_EQ(Run(), 0U);
    EXPECT_EQ(m_target.cellRequests,
              (std::vector<std::pair<int64_t, int64_t>>{{0, 0}, {0, 1}, {1, 0}, {1, 1}}));
    const std::vector<ReplyFrame> frames = m_rig.TakeFrames();
    ASSERT_EQ(frames.size(), 4U);
    EXPECT_EQ(frames[0].id, 105);
    EXPECT_EQ(frames[1].id, 112);
    EXPECT_EQ(ReadingCells(frames), (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}}));
    const auto progress = ReadBack<QScanProgressIndicator>(RunnerRig::WholeFrame(frames[2]));
    EXPECT_EQ(std::make_tuple(progress->m_Row, progress->m_Column, progress->m_Value, progress->m_Total,
                              progress->m_Done),
              std::make_tuple(1, 0, 1, 4, 2));
    // The user holds the probe: the scanner never switches.
    EXPECT_EQ(m_rig.journal.Count("switch"), 0U);
    EXPECT_EQ(m_rig.devices->GetScanner()->GetCellRow(), 1);
}

TEST_F(HandHeldProbeScanTest, WithoutAMainFrameGuidedModeMeasuresEveryActiveCell) {
    m_rig.mainFrame = nullptr;
    m_rig.SetGrid(2, 2, {1, 0, 1, 1});
    EXPECT_EQ(Run(), 0U);
    EXPECT_EQ(ReadingCells(m_rig.TakeFrames()), (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {1, 1}}));
}

TEST(HandHeldProbePosition, OnlyFractionsInsideTheGridGiveACell) {
    struct Case {
        float x;
        float y;
        uint8_t valid;
        bool inside;
        int row;
        int column;
    };
    for (const Case c : {Case{0.0F, 0.0F, 1, true, 0, 0}, Case{0.999F, 0.999F, 1, true, 3, 4},
                         Case{1.0F, 0.5F, 1, false, 0, 0}, Case{0.5F, 1.0F, 1, false, 0, 0},
                         Case{-0.1F, 0.5F, 1, false, 0, 0}, Case{0.5F, 0.5F, 0, false, 0, 0},
                         Case{0.99999999F, 0.5F, 1, false, 0, 0}}) {
        int32_t row = -1;
        int32_t column = -1;
        const bool inside = CellUnderProbe(HandHeldProbePosition{c.x, c.y, c.valid}, 4, 5, row, column);
        EXPECT_EQ(inside, c.inside) << c.x << "," << c.y;
        if (c.inside) {
            EXPECT_EQ(std::make_pair(row, column), std::make_pair(c.row, c.column));
        }
    }
}

TEST_F(HandHeldProbeScanTest, FreeModeMeasuresTheTrackedCellAndDropsAReadingWhenTheProbeMoved) {
    m_rig.setup.SetScanOption(1);
    m_target.positions = {
        {0.1F, 0.1F, 1}, {0.1F, 0.1F, 1}, // (0, 0), still there: kept
        {0.9F, 0.1F, 1}, {0.1F, 0.1F, 1}, // (0, 1), moved to (0, 0) meanwhile: dropped
        {1.0F, 0.1F, 1},                  // outside the grid: nothing measured
        {0.6F, 0.6F, 0},                  // not tracked: nothing measured
        {0.9F, 0.9F, 1}, {0.9F, 0.9F, 1}, // (1, 1): kept
    };
    m_target.onPositionsDone = [this] { m_rig.stopFlag.RequestStop(); };
    EXPECT_EQ(Run(), 0U);
    EXPECT_EQ(ReadingCells(m_rig.TakeFrames()), (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}}));
    EXPECT_EQ(m_rig.journal.Count("SweepAndWait"), 3U);
    EXPECT_EQ(m_rig.stopFlag.GetStopAcknowledged(), 1);
    // Every round paused 5 ms.
    for (const auto pause : m_rig.clock.Pauses()) {
        EXPECT_EQ(pause, std::chrono::milliseconds(5));
    }
}

TEST_F(HandHeldProbeScanTest, EachReadingGoesOutAsItWasTakenNeverMergedWithTheLast) {
    m_rig.analyzer->traceOf = [](int s) {
        return s == 0 ? std::vector<float>{5.0F, 5.0F, 5.0F} : std::vector<float>{1.0F, 9.0F, 1.0F};
    };
    m_target.goAheads = {0, 0, -2};
    HandHeldProbeScan runner(m_rig.Context());
    runner.RunScanStart();
    const std::vector<ReplyFrame> readings = RunnerRig::OfType(m_rig.TakeFrames(), 112);
    ASSERT_EQ(readings.size(), 2U);
    EXPECT_EQ(ReadBack<QHandHeldProbeScan>(RunnerRig::WholeFrame(readings[0]))->GetAmplitudes(),
              (std::vector<int16_t>{50, 50, 50}));
    EXPECT_EQ(ReadBack<QHandHeldProbeScan>(RunnerRig::WholeFrame(readings[1]))->GetAmplitudes(),
              (std::vector<int16_t>{10, 90, 10}));
}

} // namespace
} // namespace orv
