#include "engine/runners/SpatialScan.h"

#include "analyzers/drivers/none/CSpectrumAnalyzerNone.h"
#include "engine/scanners/CNoScannerBoard.h"
#include "scandata/QSpatialScan.h"
#include "tests/engine/support/PacketReadBack.h"
#include "tests/engine/support/RunnerRig.h"

#include <gtest/gtest.h>

#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::ReadBack;
using test::ReplyFrame;
using test::RunnerRig;

std::vector<int> FrequencyIndexes(const std::vector<ReplyFrame>& frames) {
    std::vector<int> indexes;
    for (const ReplyFrame& frame : RunnerRig::OfType(frames, 100)) {
        indexes.push_back(ReadBack<QSpatialScan>(RunnerRig::WholeFrame(frame))->GetSubPosition());
    }
    return indexes;
}

class SpatialScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_rig.SetAllActive(2, 2);
        // 16 frequency indexes, one sweep per cell.
        m_rig.setup.SetScanBytes({0, 0, 0, 2});
        m_rig.analyzer->sweepMode = "Probes";
        m_rig.analyzer->traceOf = [](int s) { return std::vector<float>{static_cast<float>(s % 4), -2.5F}; };
    }

    uint32_t Run() {
        SpatialScan runner(m_rig.Context());
        runner.RunScanStart();
        return runner.GetStatus();
    }

    // Requests a stop at the given switch (counted from 1).
    void StopAtSwitch(int at) {
        m_rig.scanner->onSwitch = [this, at, count = 0]() mutable {
            if (++count == at) {
                m_rig.stopFlag.RequestStop();
            }
        };
    }

    RunnerRig m_rig{eProbeType::UsbScannerBoard, 1};
};

TEST_F(SpatialScanTest, AStopDuringAFrameSendsNoPacketForIt) {
    StopAtSwitch(14); // in frame 3
    EXPECT_EQ(Run(), 0U);
    const std::vector<ReplyFrame> frames = m_rig.TakeFrames();
    EXPECT_EQ(FrequencyIndexes(frames), (std::vector<int>{0, 1, 2}));
    const auto spatial = ReadBack<QSpatialScan>(RunnerRig::WholeFrame(RunnerRig::OfType(frames, 100)[0]));
    EXPECT_EQ(spatial->GetLevel(), 2);
    EXPECT_EQ(spatial->GetRowCount(), 2);
    EXPECT_EQ(spatial->GetColumnCount(), 2);
    const std::vector<uint8_t> frame = RunnerRig::WholeFrame(RunnerRig::OfType(frames, 100)[0]);
    // Cells in row-major order: each cell's highest value x 10 (sweeps 0-3: 0, 1, 2, 3).
    EXPECT_EQ(std::vector<uint8_t>(frame.begin() + 22, frame.end()),
              (std::vector<uint8_t>{0, 0, 10, 0, 20, 0, 30, 0}));
    EXPECT_EQ(m_rig.stopFlag.GetStopAcknowledged(), 1);
    // No read failed: the analyser is put back.
    EXPECT_EQ(m_rig.journal.Count("PresetModel"), 1U);
    EXPECT_TRUE(m_rig.log.Has("Spatial scan time span =   1.50 sec"));
}

TEST_F(SpatialScanTest, GoModeOneRepeatsEveryFrequencyUntilStoppedAndPacesTheFrames) {
    m_rig.setup.SetGoMode(1);
    // Each sweep takes 30 ms: frames of 120 ms are followed by 380 ms pauses.
    m_rig.analyzer->afterSweep = [this](int) { m_rig.clock.Advance(30ms); };
    StopAtSwitch(160); // the last cell of the 40th frame
    EXPECT_EQ(Run(), 0U);
    std::vector<int> expected;
    for (int i = 0; i < 39; ++i) {
        expected.push_back(i % 16);
    }
    EXPECT_EQ(FrequencyIndexes(m_rig.TakeFrames()), expected);
    const auto pauses = m_rig.clock.Pauses();
    ASSERT_GE(pauses.size(), 39U);
    for (size_t i = 0; i < 39; ++i) {
        EXPECT_EQ(pauses[i], 380ms) << i;
    }
    // The step words carry the frequency index and count.
    EXPECT_EQ(m_rig.scanner->GetStepWordB(), 16);
}

TEST_F(SpatialScanTest, AFrameSlowerThanHalfASecondIsFollowedByTheShortPause) {
    m_rig.setup.SetScanBytes({0, 0, 0, 0});
    m_rig.setup.SetGoMode(1);
    m_rig.analyzer->afterSweep = [this](int) { m_rig.clock.Advance(200ms); };
    StopAtSwitch(12);
    EXPECT_EQ(Run(), 0U);
    EXPECT_EQ(FrequencyIndexes(m_rig.TakeFrames()), (std::vector<int>{0, 0}));
    ASSERT_GE(m_rig.clock.Pauses().size(), 2U);
    EXPECT_EQ(m_rig.clock.Pauses()[0], 10ms);
}

TEST_F(SpatialScanTest, AnAbandonedFrameSendsNothingAndAReadFailureLeavesTheAnalyserAsItIs) {
    m_rig.analyzer->sweepMode = "MultipleGatedSweep";
    m_rig.devices->CreateAnalyzer(77);
    m_rig.analyzer->sweepMode = "MultipleGatedSweep";
    EXPECT_EQ(Run(), 0U);
    EXPECT_TRUE(FrequencyIndexes(m_rig.TakeFrames()).empty());

    m_rig.analyzer->sweepMode = "Probes";
    m_rig.journal.failing = {"SwitchToCell"};
    m_rig.journal.events.clear();
    EXPECT_EQ(Run(), 507U);
    EXPECT_EQ(m_rig.journal.Count("PresetModel"), 0U);
}

TEST(SpatialScanPlaceholder, ThePlaceholderAnalyserEndsWith700WithoutHanging) {
    RunnerRig rig;
    rig.devices->SetScannerMaker(eProbeType::NoScanner, [] { return std::make_unique<CNoScannerBoard>(); });
    ASSERT_TRUE(rig.devices->ConnectScanner(eProbeType::NoScanner));
    rig.devices->SetAnalyzerFactory([](int32_t) { return std::make_unique<CSpectrumAnalyzerNone>(); });
    rig.devices->CreateAnalyzer(900);
    rig.SetAllActive(29, 42);
    SpatialScan runner(rig.Context());
    runner.RunScanStart();
    EXPECT_EQ(runner.GetStatus(), 700U);
    EXPECT_TRUE(rig.log.Has("SpatialScan::RunScanStart() --- Failed in reading scan data."));
    EXPECT_TRUE(RunnerRig::OfType(rig.TakeFrames(), 100).empty());
}

} // namespace
} // namespace orv
