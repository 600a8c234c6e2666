#include "engine/runners/HandHeldProbeScan.h"
#include "engine/runners/SpectralScan.h"
#include "engine/runners/SpectralSpatialScan.h"

#include "analyzers/CSAConnection.h"
#include "analyzers/drivers/none/CSpectrumAnalyzerNone.h"
#include "platform/msg/MessageTarget.h"
#include "scandata/QHandHeldProbeScan.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QScanProgressIndicator.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QSpectralSpatialScanComponent.h"
#include "tests/engine/support/PacketReadBack.h"
#include "tests/engine/support/RunnerRig.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace orv {
namespace {

using test::ReadBack;
using test::ReplyFrame;
using test::RunnerRig;

// Where each 105 of the runner stood: (row, column, done).
std::vector<std::tuple<int, int, int>> ProgressCells(const std::vector<ReplyFrame>& frames) {
    std::vector<std::tuple<int, int, int>> cells;
    for (const ReplyFrame& frame : RunnerRig::OfType(frames, 105)) {
        const auto progress = ReadBack<QScanProgressIndicator>(RunnerRig::WholeFrame(frame));
        cells.emplace_back(progress->m_Row, progress->m_Column, progress->m_Done);
    }
    return cells;
}

std::vector<int16_t> Amplitudes(const QSpectralScan& scan) {
    std::vector<int16_t> values;
    for (uint32_t i = 0; i < scan.GetPointCount(); ++i) {
        values.push_back(scan.GetAmplitude(i));
    }
    return values;
}

class SpectralRunners : public ::testing::Test {
protected:
    void SetUp() override {
        // 2 x 3 grid, cells 0, 2, 3 and 5 active; three points.
        m_rig.SetGrid(2, 3, {1, 0, 1, 1, 0, 1});
        m_rig.setup.SetNumberOfFrequencyBuckets(3);
    }

    template <typename Runner> uint32_t Run() {
        Runner runner(m_rig.Context());
        runner.RunScanStart();
        return runner.GetStatus();
    }

    RunnerRig m_rig;
};

TEST_F(SpectralRunners, OnePassSendsProgressPerCellThenTheMaximumOverTheCells) {
    // Sweep s gives (s, 10 - s, s % 2): the maximum takes each point from the cell that gave it.
    m_rig.analyzer->traceOf = [](int s) {
        return std::vector<float>{static_cast<float>(s), 10.0F - static_cast<float>(s),
                                  static_cast<float>(s % 2)};
    };
    EXPECT_EQ(Run<SpectralScan>(), 0U);
    const std::vector<ReplyFrame> frames = m_rig.TakeFrames();
    ASSERT_EQ(frames.size(), 5U);
    EXPECT_EQ(ProgressCells(frames),
              (std::vector<std::tuple<int, int, int>>{{0, 0, 1}, {0, 2, 2}, {1, 0, 3}, {1, 2, 4}}));
    const auto progress = ReadBack<QScanProgressIndicator>(RunnerRig::WholeFrame(frames[0]));
    EXPECT_EQ(std::make_tuple(progress->m_Value, progress->m_Kind, progress->m_SubKind, progress->m_Flag,
                              progress->m_Total),
              std::make_tuple(1, 1, 1, 0, 4));
    ASSERT_EQ(frames[4].id, 99);
    const auto spectral = ReadBack<QSpectralScan>(RunnerRig::WholeFrame(frames[4]));
    EXPECT_EQ(Amplitudes(*spectral), (std::vector<int16_t>{30, 100, 10}));
    // Point 0 from the last cell (1, 2), point 1 from the first (0, 0), point 2 from cell (0, 2).
    EXPECT_EQ(std::make_tuple(spectral->GetPointWord1(0), spectral->GetPointWord2(0)), std::make_tuple(1, 2));
    EXPECT_EQ(std::make_tuple(spectral->GetPointWord1(1), spectral->GetPointWord2(1)), std::make_tuple(0, 0));
    EXPECT_EQ(std::make_tuple(spectral->GetPointWord1(2), spectral->GetPointWord2(2)), std::make_tuple(0, 2));
    EXPECT_EQ(m_rig.journal.Count("switch"), 4U);
    EXPECT_EQ(m_rig.journal.events.back(), "ExtraHook");
    EXPECT_TRUE(m_rig.log.Has("Spectral scan time span =   0.00 sec"));
}

TEST_F(SpectralRunners, ContinuousPassesEachStartTheirMaximumAfreshUntilStopped) {
    // Pass 1 reads 50 everywhere, pass 2 reads 20: the second maximum is 20, not the held 50.
    m_rig.setup.SetGoMode(1);
    m_rig.analyzer->traceOf = [](int s) { return std::vector<float>(3, s < 4 ? 50.0F : 20.0F); };
    m_rig.analyzer->afterSweep = [this](int s) {
        if (s == 7) {
            m_rig.stopFlag.RequestStop();
        }
    };
    EXPECT_EQ(Run<SpectralScan>(), 0U);
    const std::vector<ReplyFrame> spectra = RunnerRig::OfType(m_rig.TakeFrames(), 99);
    ASSERT_EQ(spectra.size(), 2U);
    EXPECT_EQ(Amplitudes(*ReadBack<QSpectralScan>(RunnerRig::WholeFrame(spectra[0]))),
              (std::vector<int16_t>{500, 500, 500}));
    EXPECT_EQ(Amplitudes(*ReadBack<QSpectralScan>(RunnerRig::WholeFrame(spectra[1]))),
              (std::vector<int16_t>{200, 200, 200}));
    EXPECT_EQ(m_rig.stopFlag.GetStopAcknowledged(), 1);
}

TEST_F(SpectralRunners, AReadFailureEndsByTheFlagThatFell) {
    struct Case {
        std::string name;
        std::string failing;
        bool stopDuringSwitch;
        bool noData;
        size_t traceLength;
        uint32_t status;
        bool logged;
        size_t spectra;
    };
    const std::vector<Case> cases{
        {"switch", "SwitchToCell", false, false, 3, 507, false, 0},
        {"switch while stopping", "SwitchToCell", true, false, 3, 0, false, 0},
        {"sweep", "SweepAndWait", false, false, 3, 700, false, 0},
        {"read", "QueryScan", false, false, 3, 700, true, 0},
        {"short trace", "", false, false, 2, 700, true, 0},
        {"longer trace is cut", "", false, false, 5, 0, false, 1},
        {"no data skips every cell", "", false, true, 3, 0, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunnerRig rig;
        rig.SetGrid(2, 3, {1, 0, 1, 1, 0, 1});
        rig.setup.SetNumberOfFrequencyBuckets(3);
        rig.journal.failing = {c.failing};
        rig.analyzer->noData = c.noData;
        rig.analyzer->trace.assign(c.traceLength, 4.0F);
        if (c.stopDuringSwitch) {
            rig.scanner->onSwitch = [&rig] { rig.stopFlag.RequestStop(); };
        }
        SpectralScan runner(rig.Context());
        runner.RunScanStart();
        EXPECT_EQ(runner.GetStatus(), c.status);
        EXPECT_EQ(rig.log.Has("SpectralScan::RunScanStart() --- Failed in reading scan data."), c.logged);
        const std::vector<ReplyFrame> frames = rig.TakeFrames();
        const std::vector<ReplyFrame> spectra = RunnerRig::OfType(frames, 99);
        ASSERT_EQ(spectra.size(), c.spectra);
        if (c.spectra == 1) {
            // A pass that acquired nothing sends zeros; a longer trace gives the set-up's points.
            const auto spectral = ReadBack<QSpectralScan>(RunnerRig::WholeFrame(spectra[0]));
            EXPECT_EQ(Amplitudes(*spectral), std::vector<int16_t>(3, c.noData ? 0 : 40));
        }
    }
}

TEST_F(SpectralRunners, EachRunnerLogsItsOwnReadFailure) {
    const std::vector<std::pair<std::string, std::function<uint32_t(RunnerRig&)>>> runners{
        {"SpectralSpatialScan",
         [](RunnerRig& rig) {
             SpectralSpatialScan runner(rig.Context());
             runner.RunScanStart();
             return runner.GetStatus();
         }},
        {"HandHeldProbeScan",
         [](RunnerRig& rig) {
             HandHeldProbeScan runner(rig.Context());
             runner.RunScanStart();
             return runner.GetStatus();
         }},
    };
    for (const auto& [name, run] : runners) {
        RunnerRig rig;
        rig.SetAllActive(1, 2);
        rig.setup.SetNumberOfFrequencyBuckets(3);
        rig.journal.failing = {"QueryScan"};
        EXPECT_EQ(run(rig), 700U) << name;
        EXPECT_TRUE(rig.log.Has(name + "::RunScanStart() --- Failed in reading scan data.")) << name;
    }
}

TEST_F(SpectralRunners, AFailedSetUpEndsWith700BeforeAnyCell) {
    m_rig.journal.failing = {"SetTraceFormat"};
    EXPECT_EQ(Run<SpectralScan>(), 700U);
    EXPECT_EQ(m_rig.journal.Count("switch"), 0U);
    EXPECT_TRUE(m_rig.TakeFrames().empty());
}

// A spectrum of 101 points from 100 to 200 MHz with seven separate peaks, one cell.
class PeakMeasurement : public ::testing::Test {
protected:
    void SetUp() override {
        m_rig.SetAllActive(1, 1);
        m_rig.setup.SetNumberOfFrequencyBuckets(101);
        m_rig.setup.SetStartFrequency(100.0F);
        m_rig.setup.SetStopFrequency(200.0F);
        m_rig.setup.SetSpan(100.0F);
        m_rig.setup.SetPeakError(0.0F);
        m_rig.setup.SetRBW(0.5F);
        m_rig.setup.SetMeasurePeaks(1);
        m_rig.setup.SetPeakPoints(7);
        std::vector<float> trace(101, 0.0F);
        for (const auto& [index, level] : std::vector<std::pair<int, float>>{
                 {10, 50.0F}, {12, 50.1F}, {30, 60.0F}, {32, 64.0F}, {50, 50.0F}, {70, 50.0F}, {90, 50.0F}}) {
            trace[static_cast<size_t>(index)] = level;
        }
        m_rig.analyzer->trace = trace;
    }

    RunnerRig m_rig;
};

TEST_F(PeakMeasurement, CandidatesAreZoomedCheckedGroupedAndSentRising) {
    // With no peak tolerance the first zoom's answer stands unswept unless it is the expected
    // frequency, so each candidate reads two markers (one when the first lies out of range).
    m_rig.analyzer->markers = {110.2F, 110.3F,  // 10: kept
                               112.2F, 110.6F,  // 12: kept, same group as 10, flat: 10 is nearer its own
                               130.1F, 130.1F,  // 30: kept
                               131.0F, 130.4F,  // 32: kept, group with 30 spreads 4 dB: the highest, 32
                               250.0F,          // 50: out of range, dropped
                               170.5F, 125.0F,  // 70: kept, but below the previous peak: dropped
                               190.2F, 190.1F}; // 90: kept
    SpectralScan runner(m_rig.Context());
    runner.RunScanStart();
    EXPECT_EQ(runner.GetStatus(), 0U);
    const std::vector<ReplyFrame> frames = m_rig.TakeFrames();
    const std::vector<ReplyFrame> peaks = RunnerRig::OfType(frames, 102);
    ASSERT_EQ(peaks.size(), 1U);
    const auto measured = ReadBack<QMeasuredFrequencyData>(RunnerRig::WholeFrame(peaks[0]));
    ASSERT_EQ(measured->GetEntryCount(), 3U);
    EXPECT_EQ(measured->GetEntryIndex(0), 10U);
    EXPECT_EQ(measured->GetEntryFrequency(0), 110.3F);
    EXPECT_EQ(measured->GetEntryIndex(1), 32U);
    EXPECT_EQ(measured->GetEntryFrequency(1), 130.4F);
    EXPECT_EQ(measured->GetEntryIndex(2), 90U);
    EXPECT_EQ(measured->GetEntryFrequency(2), 190.1F);
    EXPECT_TRUE(m_rig.log.Has("peak data = 3"));
    EXPECT_EQ(m_rig.journal.Count("ReadMarkerFrequency"), 13U);

    // Progress of the peak step: flag 1, total 7, counting candidates taken.
    std::vector<int> done;
    for (const ReplyFrame& frame : RunnerRig::OfType(frames, 105)) {
        const auto progress = ReadBack<QScanProgressIndicator>(RunnerRig::WholeFrame(frame));
        if (progress->m_Flag == 1) {
            EXPECT_EQ(progress->m_Total, 7);
            done.push_back(progress->m_Done);
        }
    }
    // 50 is dropped after its first zoom, so its count is not repeated.
    EXPECT_EQ(done, (std::vector<int>{0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 6, 6, 7}));
    // Frames go out in order: the spectrum before the peak step.
    EXPECT_EQ(frames[1].id, 99);
}

TEST_F(PeakMeasurement, PeakPointsAreHeldToZeroToThirty) {
    struct Case {
        int16_t peakPoints;
        int total; // candidates measured, 0 for no peak step
    };
    std::vector<float> trace(200, 0.0F);
    for (size_t i = 5; i < 200; i += 5) {
        trace[i] = 50.0F + static_cast<float>(i) / 10.0F;
    }
    for (const Case c : {Case{45, 30}, Case{-3, 0}, Case{0, 0}, Case{2, 2}}) {
        RunnerRig rig;
        rig.SetAllActive(1, 1);
        rig.setup.SetNumberOfFrequencyBuckets(200);
        rig.setup.SetStartFrequency(100.0F);
        rig.setup.SetStopFrequency(299.0F);
        rig.setup.SetSpan(199.0F);
        rig.setup.SetMeasurePeaks(1);
        rig.setup.SetPeakPoints(c.peakPoints);
        rig.analyzer->trace = trace;
        SpectralScan runner(rig.Context());
        runner.RunScanStart();
        int total = 0;
        for (const ReplyFrame& frame : RunnerRig::OfType(rig.TakeFrames(), 105)) {
            const auto progress = ReadBack<QScanProgressIndicator>(RunnerRig::WholeFrame(frame));
            if (progress->m_Flag == 1) {
                total = progress->m_Total;
            }
        }
        EXPECT_EQ(total, c.total) << c.peakPoints;
    }
}

TEST_F(SpectralRunners, ARepeatedSetUpWithAnotherPointCountRemakesTheArrays) {
    // Continuous with peaks asked: after the first pass's peak step the engine's set-up runs again,
    // and the spectral preparation after it finds five points; the second spectrum has five.
    test::FakeEngineDevices engineDevices;
    engineDevices.analyzer = m_rig.analyzer;
    CEngineContext context = m_rig.Context();
    context.devices = &engineDevices;
    m_rig.setup.SetGoMode(1);
    m_rig.setup.SetMeasurePeaks(1);
    int preparations = 0;
    m_rig.analyzer->onOp = [&](const std::string& op) {
        if (op == "SetDisplayOn" && ++preparations == 2) {
            m_rig.setup.SetNumberOfFrequencyBuckets(5);
            m_rig.analyzer->trace.assign(5, 7.0F);
        }
    };
    m_rig.analyzer->afterSweep = [this](int s) {
        if (s == 7) {
            m_rig.stopFlag.RequestStop();
        }
    };
    SpectralScan runner(context);
    runner.RunScanStart();
    EXPECT_EQ(runner.GetStatus(), 0U);
    EXPECT_EQ(engineDevices.setups.load(), 1);
    const std::vector<ReplyFrame> spectra = RunnerRig::OfType(m_rig.TakeFrames(), 99);
    ASSERT_EQ(spectra.size(), 2U);
    EXPECT_EQ(ReadBack<QSpectralScan>(RunnerRig::WholeFrame(spectra[0]))->GetPointCount(), 3U);
    EXPECT_EQ(Amplitudes(*ReadBack<QSpectralScan>(RunnerRig::WholeFrame(spectra[1]))),
              std::vector<int16_t>(5, 70));
}

TEST(SpectralRunnersStress, ContinuousRunsStoppedAtRandomEndCleanly) {
    // Hundreds of passes over the placeholder analyser, each run stopped at a random cell: every run
    // ends as stopped, and every frame it sent reads back whole.
    std::mt19937 random(20261210);
    int passes = 0;
    for (int run = 0; run < 40; ++run) {
        RunnerRig rig;
        rig.devices->SetAnalyzerFactory([](int32_t) { return std::make_unique<CSpectrumAnalyzerNone>(); });
        auto* analyzer = static_cast<CSpectrumAnalyzerNone*>(rig.devices->CreateAnalyzer(900));
        analyzer->SetSeedSource([&random] { return static_cast<uint32_t>(random()); });
        rig.SetAllActive(3, 3);
        rig.setup.SetNumberOfFrequencyBuckets(static_cast<uint32_t>(analyzer->GetSweepPointCount()));
        rig.setup.SetGoMode(1);
        const int stopAt = std::uniform_int_distribution<int>(1, 120)(random);
        int switches = 0;
        rig.scanner->onSwitch = [&] {
            if (++switches == stopAt) {
                rig.stopFlag.RequestStop();
            }
        };
        SpectralScan runner(rig.Context());
        runner.RunScanStart();
        EXPECT_EQ(runner.GetStatus(), 0U);
        const std::vector<ReplyFrame> frames = rig.TakeFrames();
        const std::vector<ReplyFrame> spectra = RunnerRig::OfType(frames, 99);
        // The stop is seen before the next cell: the pass it fell in is cut short and not sent.
        EXPECT_EQ(spectra.size(), static_cast<size_t>(stopAt / 9));
        EXPECT_EQ(RunnerRig::OfType(frames, 105).size(), static_cast<size_t>(stopAt));
        for (const ReplyFrame& frame : spectra) {
            EXPECT_EQ(ReadBack<QSpectralScan>(RunnerRig::WholeFrame(frame))->GetPointCount(), 601U);
        }
        passes += stopAt / 9;
    }
    EXPECT_GT(passes, 200);
}

} // namespace
} // namespace orv
