#include "engine/CDeviceManager.h"
#include "engine/PatternBitmap.h"
#include "engine/RunScan.h"

#include "scandata/QScanProgressIndicator.h"
#include "tests/engine/support/PacketReadBack.h"
#include "tests/engine/support/RunnerRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;
using test::ReadBack;
using test::ReplyFrame;
using test::RunnerRig;

TEST(PatternBitmapTest, OneBitPerCellMostSignificantFirst) {
    std::vector<uint8_t> bitmap;
    std::vector<uint8_t> map(100, 0);
    map[0] = 1;
    map[8] = 2;
    EXPECT_EQ(BuildPatternBitmap(10, 10, map, bitmap), 2U);
    ASSERT_EQ(bitmap.size(), 13U);
    EXPECT_EQ(bitmap[0], 128);
    EXPECT_EQ(bitmap[1], 128);
    EXPECT_EQ(std::count(bitmap.begin(), bitmap.end(), 0), 11);

    EXPECT_EQ(BuildPatternBitmap(2, 2, std::vector<uint8_t>{1, 0, 0, 1}, bitmap), 2U);
    EXPECT_EQ(bitmap, std::vector<uint8_t>{144});
    // A map shorter than the grid leaves the rest inactive.
    EXPECT_EQ(BuildPatternBitmap(3, 3, std::vector<uint8_t>{1}, bitmap), 1U);
    EXPECT_EQ(bitmap, (std::vector<uint8_t>{128, 0}));
}

// Which routine ran, told by the calls only it makes (T = 1000, S = 40, G = 7, P = 2).
std::string RoutineThatRan(const RunnerRig& rig) {
    const std::vector<std::pair<std::string, std::string>> signatures{
        {"timed", "gated video"},
        {"ReadPeakAmplitude", "marker"},
        {"Partial", "two halves"},
        {"TriggerAndSwitches", "probe groups"},
        {"StartingSwitch 1019", "one sweep"},
        {"StartingSwitch 1020", "every second point"},
        {"StartingSwitch 1040", "inline"},
        {"Full 0,17,1", "continuous chunks"},
        {"Full 0,1007,1", "retriggered chunks"},
        {"Full 0,50,1", "settled chunks"},
        {"Full 0,27,1", "offset chunks"},
        {"Full 0,7,1", "multiple gated"},
    };
    std::string name;
    for (const auto& [event, routine] : signatures) {
        if (rig.journal.Count(event) > 0) {
            name = routine;
            if (routine == "probe groups") {
                // The fast routine pauses 15 ms after the switches, the paced one 200 ms.
                const auto pauses = rig.clock.Pauses();
                name += std::find(pauses.begin(), pauses.end(), 15ms) != pauses.end() ? " fast" : " paced";
            }
        }
    }
    if (rig.log.Has("Using spatial scan by probes")) {
        name += name.empty() ? "probes" : " + probes";
    }
    return name.empty() ? "none" : name;
}

struct DispatchCase {
    std::string mode;
    int32_t code;
    bool narrow;
    float rbw;
    std::string routine;
};

TEST(SpatialDispatch, TheFirstMatchingRowChoosesTheRoutine) {
    std::vector<DispatchCase> cases{
        {"Probes", 900, false, 0.1F, "multiple gated"},
        {"", 900, true, 0.1F, "multiple gated"},
        {"Probes", 26, false, 0.1F, "probes"},
        {"", 17, false, 0.1F, "probe groups fast + probes"},
        {"", 21, false, 0.1F, "probe groups paced + probes"},
        {"", 52, false, 0.1F, "continuous chunks + probes"},
        {"", 53, true, 0.1F, "probes"},
        {"", 67, true, 0.1F, "probes"},
        {"", 67, false, 0.1F, "none"},
        {"", 99, false, 0.1F, "probes"},
        {"MultipleGatedSweep", 20, true, 0.1F, "probes"},
        {"multiplegatedsweep", 19, false, 0.1F, "two halves"},
        {"Normal", 15, false, 0.1F, "settled chunks"},
        {"Normal", 41, false, 0.1F, "retriggered chunks"},
        {"Normal", 43, true, 0.1F, "probes"},
        {"Normal", 24, true, 0.1F, "probes"},
        {"Normal", 26, false, 0.0001F, "marker"},
        {"Normal", 49, false, 0.0001F, "marker"},
        {"Normal", 26, false, 0.00011F, "one sweep"},
        {"Normal", 29, false, 0.1F, "offset chunks"},
        {"Normal", 29, true, 0.1F, "probes"},
        {"Normal", 1, false, 0.1F, "probes"},
        {"Normal", 77, false, 0.1F, "inline"},
    };
    // "GatedVideo" wins over every model but 900.
    for (const int32_t code : {17, 19, 21, 26, 29, 52, 67, 1, 77}) {
        cases.push_back({code % 2 == 0 ? "GatedVideo" : "gatedVIDEO", code, true, 0.0001F, "gated video"});
    }
    for (const int32_t code : {20, 60, 61, 62, 63, 64, 65, 66, 105, 108}) {
        cases.push_back({"MultipleGatedSweep", code, false, 0.1F, "multiple gated"});
    }
    for (const int32_t code : {23, 30, 38, 51, 68, 42}) {
        cases.push_back({"Normal", code, false, 0.1F, "every second point"});
    }
    for (const int32_t code : {39, 40, 34}) {
        cases.push_back({"Normal", code, true, 0.1F, "retriggered chunks"});
    }
    for (const int32_t code : {24, 25, 69, 28, 54, 70}) {
        cases.push_back({"Normal", code, false, 0.1F, "one sweep"});
    }
    for (const int32_t code : {27, 50, 44, 52, 53}) {
        cases.push_back({"Normal", code, false, 0.1F, "continuous chunks"});
    }
    for (const DispatchCase& c : cases) {
        SCOPED_TRACE("'" + c.mode + "' " + std::to_string(c.code) + (c.narrow ? " narrow" : ""));
        RunnerRig rig(eProbeType::UsbScannerBoard, c.code);
        rig.SetAllActive(2, 2);
        rig.setup.SetNumberOfFrequencyBuckets(40);
        rig.setup.SetRBW(c.rbw);
        rig.analyzer->sweepMode = c.mode;
        rig.analyzer->narrowRbw = c.narrow;
        rig.analyzer->rbwValueA = 1000;
        rig.analyzer->cellsPerSweep = 7;
        rig.analyzer->pointsPerCell = 2;
        rig.analyzer->trace.assign(1300, 1.0F);
        EXPECT_TRUE(rig.devices->AcquireSpatialScanData(nullptr, 3, 16));
        EXPECT_EQ(RoutineThatRan(rig), c.routine);
        EXPECT_EQ(rig.devices->GetFrameAbandoned(), 0);
        EXPECT_EQ(rig.scanner->GetStepWordA(), 3);
        EXPECT_EQ(rig.scanner->GetStepWordB(), 16);
    }
}

TEST(SpatialDispatch, AMultipleGatedSweepModelWithoutARowMeasuresNothingAndAbandonsTheFrame) {
    RunnerRig rig(eProbeType::UsbScannerBoard, 77);
    rig.SetAllActive(2, 2);
    rig.analyzer->sweepMode = "MultipleGatedSweep";
    const std::vector<float> previous{1.0F, 2.0F};
    ASSERT_TRUE(rig.devices->StoreResult(previous.data(), 2));
    EXPECT_TRUE(rig.devices->AcquireSpatialScanData(nullptr, 0, 1));
    EXPECT_EQ(RoutineThatRan(rig), "none");
    EXPECT_EQ(rig.devices->GetFrameAbandoned(), 1);
    EXPECT_EQ(rig.devices->GetTraceLength(), 2U);
}

// A 4 x 5 grid, every cell active; the routine under test reads the trace at the positions of
// `position`(cell's place k in its read, P = 2), where the trace holds the cell's number (from 1).
struct PatternCase {
    std::string name;
    std::function<bool(CDeviceManager&, RunScan*)> run;
    // The trace position of the k-th cell of a read.
    std::function<size_t(size_t k)> position;
    // Cells per read (the grid's 20 when one read covers it).
    size_t perRead;
    float rbw;
    // (total, done) of the progress packets sent.
    std::vector<std::pair<int, int>> progress;
};

std::vector<PatternCase> PatternCases() {
    using P = std::vector<std::pair<int, int>>;
    const P chunks{{20, 0}, {20, 7}, {20, 14}, {20, 20}};
    return {
        {"one sweep",
         [](CDeviceManager& d, RunScan*) { return d.ScanAllCellsOneSweep(); },
         [](size_t k) { return (k + 1) * 2 - 1; },
         20,
         0.1F,
         {}},
        {"every second point",
         [](CDeviceManager& d, RunScan*) { return d.ScanAllCellsEverySecondPoint(); },
         [](size_t k) { return 2 * k; },
         20,
         0.1F,
         {}},
        {"inline",
         [](CDeviceManager& d, RunScan*) { return d.ScanAllCellsInline(); },
         [](size_t k) { return k; },
         20,
         0.1F,
         {}},
        {"continuous chunks", [](CDeviceManager& d, RunScan* r) { return d.ScanCellChunksContinuous(r); },
         [](size_t k) { return (k + 1) * 2 - 1; }, 7, 0.1F, chunks},
        {"retriggered chunks", [](CDeviceManager& d, RunScan* r) { return d.ScanCellChunksRetriggered(r); },
         [](size_t k) { return 2 * k; }, 7, 0.1F, chunks},
        {"settled chunks", [](CDeviceManager& d, RunScan* r) { return d.ScanCellChunksSettled(r); },
         [](size_t k) { return 2 * k; }, 7, 0.1F, chunks},
        {"offset chunks", [](CDeviceManager& d, RunScan* r) { return d.ScanCellChunksOffset(r); },
         [](size_t k) { return 2 * k; }, 7, 0.1F, chunks},
        {"offset chunks narrow", [](CDeviceManager& d, RunScan* r) { return d.ScanCellChunksOffset(r); },
         [](size_t k) { return 2 * k + 2; }, 7, 0.001F, chunks},
        {"multiple gated", [](CDeviceManager& d, RunScan* r) { return d.ScanMultipleGatedSweep(r, 0, 1); },
         [](size_t k) { return k; }, 7, 0.1F, P{{3, 0}, {20, 7}, {20, 14}, {20, 20}}},
        {"two halves", [](CDeviceManager& d, RunScan* r) { return d.ScanTwoHalves(r); },
         [](size_t k) { return k; }, 631, 0.1F, P{{2, 0}, {2, 1}, {2, 2}}},
    };
}

// A read whose cells (from `first`) stand at their positions; the settled routine also wants the
// point after each (it takes their mean).
std::vector<float> ReadFor(const PatternCase& c, size_t first, size_t length) {
    std::vector<float> trace(length, -1.0F);
    for (size_t k = 0; first + k < 20 && k < c.perRead; ++k) {
        const size_t at = c.position(k);
        if (at < length) {
            trace[at] = static_cast<float>(first + k + 1);
        }
        if (c.name == "settled chunks" && at + 1 < length) {
            trace[at + 1] = static_cast<float>(first + k + 1);
        }
    }
    return trace;
}

void ArmPatternRig(RunnerRig& rig, const PatternCase& c, size_t lengthShort) {
    rig.SetAllActive(4, 5);
    // The settled routine takes S cells per chunk.
    rig.setup.SetNumberOfFrequencyBuckets(c.name == "settled chunks" ? 7 : 40);
    rig.setup.SetRBW(c.rbw);
    rig.analyzer->cellsPerSweep = 7;
    rig.analyzer->pointsPerCell = 2;
    rig.analyzer->activeProbeCellCount = 20;
    // Each read reaches exactly the last position it is asked for, less `lengthShort`.
    rig.analyzer->readOf = [&c, lengthShort](int read) {
        const size_t first = static_cast<size_t>(read) * c.perRead;
        const size_t cells = std::min<size_t>(c.perRead, 20 - std::min<size_t>(first, 20));
        size_t length = cells == 0 ? 0 : c.position(cells - 1) + 1;
        if (c.name == "settled chunks") {
            length += 1;
        }
        if (c.name == "two halves") {
            length = 631;
        }
        return ReadFor(c, first, length - std::min(length, lengthShort));
    };
}

TEST(PatternRoutines, EachReadsEveryCellAtItsOwnPositions) {
    for (const PatternCase& c : PatternCases()) {
        SCOPED_TRACE(c.name);
        RunnerRig rig(eProbeType::UsbScannerBoard);
        ArmPatternRig(rig, c, 0);
        RunScan runner(rig.Context());
        ASSERT_TRUE(c.run(*rig.devices, &runner));
        std::vector<float> expected(20);
        std::iota(expected.begin(), expected.end(), 1.0F);
        const float* result = rig.devices->GetTraceBuffer();
        EXPECT_EQ(std::vector<float>(result, result + rig.devices->GetTraceLength()), expected);
        std::vector<std::pair<int, int>> progress;
        for (const ReplyFrame& frame : RunnerRig::OfType(rig.TakeFrames(), 105)) {
            const auto record = ReadBack<QScanProgressIndicator>(RunnerRig::WholeFrame(frame));
            EXPECT_EQ(record->m_Flag, 2);
            progress.emplace_back(record->m_Total, record->m_Done);
        }
        EXPECT_EQ(progress, c.progress);
        // The scanner took the whole grid's pattern first.
        EXPECT_EQ(rig.journal.events.front(), "pattern 255 255 240");
    }
}

TEST(PatternRoutines, ATraceShortOfALastPositionFailsTheRead) {
    for (const PatternCase& c : PatternCases()) {
        SCOPED_TRACE(c.name);
        RunnerRig rig(eProbeType::UsbScannerBoard);
        ArmPatternRig(rig, c, 1);
        const std::vector<float> previous{5.0F};
        ASSERT_TRUE(rig.devices->StoreResult(previous.data(), 1));
        EXPECT_FALSE(c.run(*rig.devices, nullptr));
        EXPECT_EQ(rig.devices->GetReadOk(), 0);
        EXPECT_EQ(rig.devices->GetTraceLength(), 1U);
    }
}

TEST(PatternRoutines, ChunkRoutinesWithoutCellsOrPointsPerSweepFailAtOnce) {
    const std::vector<std::function<bool(CDeviceManager&)>> routines{
        [](CDeviceManager& d) { return d.ScanCellChunksContinuous(nullptr); },
        [](CDeviceManager& d) { return d.ScanCellChunksRetriggered(nullptr); },
        [](CDeviceManager& d) { return d.ScanCellChunksOffset(nullptr); },
        [](CDeviceManager& d) { return d.ScanMultipleGatedSweep(nullptr, 0, 1); },
        [](CDeviceManager& d) { return d.ScanAllCellsOneSweep(); },
    };
    for (const auto& [g, p] : {std::pair{0, 2}, std::pair{7, 0}, std::pair{-1, 2}}) {
        for (size_t i = 0; i < routines.size(); ++i) {
            RunnerRig rig(eProbeType::UsbScannerBoard);
            rig.SetAllActive(2, 2);
            rig.analyzer->cellsPerSweep = g;
            rig.analyzer->pointsPerCell = p;
            const bool usesG = i < 4;
            const bool usesP = i != 3;
            if ((usesG && g < 1) || (usesP && p < 1)) {
                EXPECT_FALSE(routines[i](*rig.devices)) << i << " G " << g << " P " << p;
                EXPECT_EQ(rig.devices->GetReadOk(), 0);
                EXPECT_EQ(rig.journal.Count("Full"), 0U);
            }
        }
    }
}

TEST(PatternRoutines, TwoHalvesServeGridsUpTo1262Cells) {
    struct Case {
        int16_t rows;
        int16_t columns;
        bool served;
    };
    for (const Case c : {Case{2, 315, true}, Case{1, 631, true}, Case{2, 631, true}, Case{3, 421, false}}) {
        const uint32_t cells = static_cast<uint32_t>(c.rows) * static_cast<uint32_t>(c.columns);
        SCOPED_TRACE(cells);
        RunnerRig rig(eProbeType::UsbScannerBoard);
        rig.SetAllActive(c.rows, c.columns);
        rig.analyzer->readOf = [](int read) {
            std::vector<float> values(631);
            std::iota(values.begin(), values.end(), read == 0 ? 1.0F : 1001.0F);
            return values;
        };
        ASSERT_EQ(rig.devices->ScanTwoHalves(nullptr), c.served);
        if (!c.served) {
            EXPECT_EQ(rig.devices->GetReadOk(), 0);
            EXPECT_EQ(rig.journal.Count("Partial"), 0U);
            continue;
        }
        ASSERT_EQ(rig.devices->GetTraceLength(), cells);
        const float* result = rig.devices->GetTraceBuffer();
        for (uint32_t cell = 0; cell < cells; ++cell) {
            const float expected =
                cell < 631 ? static_cast<float>(cell + 1) : static_cast<float>(1001 + cell - 631);
            ASSERT_EQ(result[cell], expected) << cell;
        }
    }
}

TEST(PatternRoutines, MultipleGatedMeasuresEveryCellWhenASweepTakesFewerThanTheActiveProbes) {
    for (const auto& [rows, columns] :
         {std::pair<int16_t, int16_t>{29, 42}, std::pair<int16_t, int16_t>{26, 50}}) {
        const uint32_t cells = static_cast<uint32_t>(rows) * static_cast<uint32_t>(columns);
        SCOPED_TRACE(cells);
        RunnerRig rig(eProbeType::UsbScannerBoard);
        std::vector<uint8_t> map(cells, 0);
        for (uint32_t cell = 0; cell < cells; cell += 2) {
            map[cell] = 1;
        }
        rig.SetGrid(rows, columns, map);
        rig.analyzer->cellsPerSweep = 100;
        rig.analyzer->activeProbeCellCount = 1218;
        rig.analyzer->readOf = [](int read) {
            std::vector<float> values(100);
            std::iota(values.begin(), values.end(), static_cast<float>(read * 100));
            return values;
        };
        ASSERT_TRUE(rig.devices->ScanMultipleGatedSweep(nullptr, 0, 1));
        ASSERT_EQ(rig.devices->GetTraceLength(), cells);
        const float* result = rig.devices->GetTraceBuffer();
        for (uint32_t cell = 0; cell < cells; ++cell) {
            ASSERT_EQ(result[cell], static_cast<float>(cell)) << cell;
        }
        // The set-up's own map is left as it was.
        EXPECT_EQ(*rig.setup.GetProbeCellMap(), map);
    }
}

TEST(PerCellRoutines, ByProbesWithNoActiveCellReportsOneAndStoresZeros) {
    RunnerRig rig(eProbeType::UsbScannerBoard);
    rig.SetGrid(2, 3, std::vector<uint8_t>(6, 0));
    RunScan runner(rig.Context());
    EXPECT_TRUE(rig.devices->GetSpatialScanDataByProbes(&runner, 0, 1));
    const std::vector<ReplyFrame> progress = RunnerRig::OfType(rig.TakeFrames(), 105);
    ASSERT_EQ(progress.size(), 1U);
    const auto record = ReadBack<QScanProgressIndicator>(RunnerRig::WholeFrame(progress[0]));
    EXPECT_EQ(record->m_Total, 1);
    EXPECT_EQ(record->m_Done, 0);
    const float* result = rig.devices->GetTraceBuffer();
    EXPECT_EQ(std::vector<float>(result, result + rig.devices->GetTraceLength()),
              std::vector<float>(6, 0.0F));
}

TEST(PerCellRoutines, ByProbesTakesEachCellsHighestAndFailsOnAFailedLastRead) {
    RunnerRig rig(eProbeType::UsbScannerBoard);
    rig.SetAllActive(1, 3);
    rig.analyzer->traceOf = [](int s) {
        return std::vector<float>{-3.0F, static_cast<float>(s) * 2.0F, 1.0F};
    };
    EXPECT_TRUE(rig.devices->GetSpatialScanDataByProbes(nullptr, 0, 1));
    const float* result = rig.devices->GetTraceBuffer();
    EXPECT_EQ(std::vector<float>(result, result + 3), (std::vector<float>{1.0F, 2.0F, 4.0F}));

    rig.journal.failing = {"QueryScan"};
    EXPECT_FALSE(rig.devices->GetSpatialScanDataByProbes(nullptr, 0, 1));
    EXPECT_EQ(rig.devices->GetReadOk(), 0);
}

TEST(PerCellRoutines, GatedVideoTakesEachCellsMeanAndFailsOnAnEmptyTrace) {
    RunnerRig rig(eProbeType::UsbScannerBoard);
    rig.SetGrid(1, 3, {1, 0, 1});
    rig.analyzer->trace = {1.0F, 2.0F, 6.0F};
    EXPECT_TRUE(rig.devices->ScanGatedVideo(0, 1));
    const float* result = rig.devices->GetTraceBuffer();
    EXPECT_EQ(std::vector<float>(result, result + 3), (std::vector<float>{3.0F, 0.0F, 3.0F}));
    EXPECT_EQ(rig.journal.Count("timed 0,0 t7"), 1U);
    // Each cell waits its RBW's settle time after the switch.
    EXPECT_EQ(rig.clock.Pauses(), (std::vector<FakeClock::Duration>{9ms, 9ms}));

    rig.analyzer->trace.clear();
    EXPECT_FALSE(rig.devices->ScanGatedVideo(0, 1));
    EXPECT_EQ(rig.devices->GetReadOk(), 0);
}

class ProbeGroups : public ::testing::Test {
protected:
    void SetUp() override {
        m_rig.SetGrid(2, 3, {1, 1, 0, 1, 1, 1});
        m_rig.analyzer->cellsPerSweep = 2;
        m_rig.analyzer->firstProbeIndex = 1;
        m_rig.analyzer->rbwValueB = 3;
    }

    RunnerRig m_rig{eProbeType::UsbScannerBoard, 17};
};

TEST_F(ProbeGroups, EachGroupsValuesGoToItsPairsAndAStaleGroupIsMeasuredAgain) {
    // Fast positions: the first probe index, then 3, 6, ... Read 2 repeats read 1's first value
    // and is measured again.
    const std::vector<std::vector<float>> reads{
        {0, 11, 0, 12}, {0, 21, 0, 22}, {0, 21, 0, 99}, {0, 31, 0, 32}, {0, 41, 0, 42}};
    m_rig.analyzer->readOf = [&reads](int read) { return reads[static_cast<size_t>(read)]; };
    ASSERT_TRUE(m_rig.devices->ScanProbeGroupsFast(2, 4));
    EXPECT_EQ(m_rig.journal.Count("TriggerAndSwitches"), 4U);
    EXPECT_EQ(m_rig.journal.Count("pattern 0 0 0 1"), 1U);
    EXPECT_EQ(m_rig.journal.Count("pattern 1 0 1 1"), 1U);
    EXPECT_EQ(m_rig.journal.Count("pattern 1 2 255 255"), 2U);
    const float* result = m_rig.devices->GetTraceBuffer();
    EXPECT_EQ(std::vector<float>(result, result + 6), (std::vector<float>{11, 12, 0, 21, 22, 31}));
    EXPECT_EQ(m_rig.scanner->GetStepWordA(), 2);
}

TEST_F(ProbeGroups, TheStaleRepeatIsBoundedAndAStopBetweenGroupsKeepsWhatWasMeasured) {
    m_rig.analyzer->readOf = [](int) { return std::vector<float>{0, 5, 0, 6}; };
    EXPECT_FALSE(m_rig.devices->ScanProbeGroupsFast(0, 1));
    EXPECT_EQ(m_rig.devices->GetReadOk(), 0);
    EXPECT_EQ(m_rig.journal.Count("TriggerAndSwitches"), 1U + CDeviceManager::kMaxStaleGroupRepeats);
    EXPECT_TRUE(
        m_rig.log.Has("Probe group scan --- the group kept repeating the previous group's values; the frame "
                      "is not read."));

    m_rig.journal.events.clear();
    // Paced positions: the first probe index, then first + 3, first + 6, ...
    m_rig.analyzer->readOf = [](int read) {
        return std::vector<float>{0, static_cast<float>(read + 100), 0, 0, static_cast<float>(read + 200)};
    };
    m_rig.scanner->onSwitch = [this] { m_rig.stopFlag.RequestStop(); };
    ASSERT_TRUE(m_rig.devices->ScanProbeGroupsPaced());
    EXPECT_EQ(m_rig.journal.Count("TriggerAndSwitches"), 1U);
    const float* result = m_rig.devices->GetTraceBuffer();
    EXPECT_EQ(m_rig.devices->GetTraceLength(), 6U);
    EXPECT_NE(result[0], 0.0F);
    EXPECT_NE(result[1], 0.0F);
    EXPECT_EQ(std::vector<float>(result + 2, result + 6), std::vector<float>(4, 0.0F));
}

TEST_F(ProbeGroups, GridsBeyondWhatAPairCarriesAreRefused) {
    m_rig.SetAllActive(1, 255);
    EXPECT_FALSE(m_rig.devices->ScanProbeGroupsFast(0, 1));
    EXPECT_EQ(m_rig.devices->GetReadOk(), 0);
    EXPECT_EQ(m_rig.journal.Count("TriggeredSweep"), 0U);
}

} // namespace
} // namespace orv
