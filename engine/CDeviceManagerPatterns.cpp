// The spatial routines in which one sweep covers many cells: the scanner steps through a stored
// pattern (the whole grid, chunks of it, two halves) or a list of cell pairs (probe groups) while
// the analyser sweeps, and consecutive stretches of the trace belong to consecutive cells. Each
// checks that the trace reaches every position it reads before taking a value from it.

#include "analyzers/CSpectrumAnalyzer.h"
#include "engine/CDeviceManager.h"
#include "engine/PatternBitmap.h"
#include "engine/RunScan.h"
#include "engine/SetupScan.h"
#include "engine/runners/ScanGrid.h"
#include "engine/scanners/CScanner.h"
#include "platform/log/InformationLog.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace orv {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kOneSweepTriggerSettle{300};
constexpr milliseconds kOneSweepSwitchSettle{100};
constexpr milliseconds kTriggerSettle{200};
constexpr milliseconds kInlineSettle{200};
constexpr milliseconds kBeforeChunkRead{100};
constexpr milliseconds kSettledTriggerSettle{800};
constexpr milliseconds kMultipleGatedTriggerSettle{1000};
constexpr float kOffsetRbw = 0.0089F;
// The largest row or column a probe-group pair carries: 255 fills the unused pairs.
constexpr int32_t kMaxPairIndex = 254;

// Which trace position stands for the k-th cell of a chunk.
enum class ValueRule { EndOfCell, EvenOrEndOfCell, MeanOfPairOrEndOfCell, OffsetTwo, CellStart, Consecutive };

// The highest position the value reads.
uint64_t LastPosition(ValueRule rule, uint64_t k, uint64_t p) {
    switch (rule) {
    case ValueRule::EndOfCell:
        return (k + 1) * p - 1;
    case ValueRule::EvenOrEndOfCell:
        return p == 2 ? 2 * k : (k + 1) * p - 1;
    case ValueRule::MeanOfPairOrEndOfCell:
        return p == 2 ? 2 * k + 1 : (k + 1) * p - 1;
    case ValueRule::OffsetTwo:
        return k * p + 2;
    case ValueRule::CellStart:
        return k * p;
    case ValueRule::Consecutive:
        return k;
    }
    return k;
}

float ValueAt(ValueRule rule, const float* trace, uint64_t k, uint64_t p) {
    if (rule == ValueRule::MeanOfPairOrEndOfCell && p == 2) {
        return (trace[2 * k] + trace[2 * k + 1]) / 2.0F;
    }
    return trace[LastPosition(rule, k, p)];
}

// The set-up's probe-cell map as the pattern routines read it: no map is a map with no cell.
std::span<const uint8_t> MapCells(const std::shared_ptr<const std::vector<uint8_t>>& map) {
    return map != nullptr ? std::span<const uint8_t>(*map) : std::span<const uint8_t>{};
}

// The cells marked exactly 1, at least one: the first progress step divides by it.
uint32_t ActiveCellTotal(std::span<const uint8_t> cells) {
    return std::max<uint32_t>(1, static_cast<uint32_t>(std::count(cells.begin(), cells.end(), 1)));
}

// The analyser's chunk figures at the set-up's RBW: at least one cell per sweep and one point per
// cell, else the routine cannot read its trace.
struct ChunkFigures {
    float rbw = 0.0F;
    int32_t cellsPerSweep = 0;
    int32_t pointsPerCell = 0;

    bool Read(CSpectrumAnalyzer& analyzer, const SetupScan& setup) {
        rbw = setup.GetRBW();
        cellsPerSweep = analyzer.GetCellsPerSweep(rbw);
        pointsPerCell = analyzer.GetPointsPerCell();
        return cellsPerSweep >= 1 && pointsPerCell >= 1;
    }
};

} // namespace

struct CDeviceManager::ChunkPlan {
    std::span<const uint8_t> map;
    bool exactlyOne = false; // only map bytes of exactly 1 are active
    uint32_t perChunk = 1;
    int32_t switchArgument = 0;
    milliseconds beforeRead{0};
    bool retrigger = false; // a triggered sweep and the RBW wait before each chunk
    bool endOnActive = true;
    bool firstProgress = true;
    uint32_t firstProgressTotal = 1;
    ValueRule rule = ValueRule::Consecutive;
    uint32_t pointsPerCell = 1;
    float rbw = 0.0F;

    // What the chunked routines over the probe-cell map share: only cells marked exactly 1 are
    // measured, `perChunk` of them per sweep with `pointsPerCell` trace points each, and the first
    // progress step counts all of them.
    static ChunkPlan ForActiveCells(std::span<const uint8_t> cells, int32_t perChunk, int32_t pointsPerCell) {
        ChunkPlan plan;
        plan.map = cells;
        plan.exactlyOne = true;
        plan.perChunk = static_cast<uint32_t>(perChunk);
        plan.pointsPerCell = static_cast<uint32_t>(pointsPerCell);
        plan.firstProgressTotal = ActiveCellTotal(cells);
        return plan;
    }
};

struct CDeviceManager::PatternRun {
    DeviceLockHold lock;
    const SetupScan* setup = nullptr;
    std::optional<ScanGrid> grid;
    std::shared_ptr<const std::vector<uint8_t>> map;
    std::span<const uint8_t> cells;
};

template <class Fits> bool CDeviceManager::BeginPattern(PatternRun& run, bool needScanner, Fits fits) {
    run.lock = LockDevices();
    run.setup = SetupForSpatialRoutine(needScanner);
    if (run.setup == nullptr) {
        return false;
    }
    run.grid.emplace(*run.setup);
    run.map = run.setup->GetProbeCellMap();
    run.cells = MapCells(run.map);
    if (!fits(*run.setup, *run.grid)) {
        SetReadOk(0);
        return false;
    }
    return OpenPattern(*run.grid, run.cells);
}

const SetupScan* CDeviceManager::SetupForSpatialRoutine(bool needScanner) {
    const SetupScan* setup = m_acquisitionSetup.load();
    if (setup == nullptr || m_analyzer == nullptr || (needScanner && m_scanner == nullptr)) {
        SetReadOk(0);
        return nullptr;
    }
    return setup;
}

bool CDeviceManager::OpenPattern(const ScanGrid& grid, std::span<const uint8_t> map) {
    if (m_scanner == nullptr) {
        SetScannerReady(0);
        return false;
    }
    ApplyProbeHeight();
    BuildPatternBitmap(grid.Rows(), grid.Columns(), map, m_pattern);
    m_scanner->StorePatternData(m_pattern);
    m_cellHeights.resize(grid.CellCount());
    for (uint32_t cell = 0; cell < grid.CellCount(); ++cell) {
        m_cellHeights[cell] = grid.Height(cell);
    }
    m_scanner->SetCellHeightTable(m_cellHeights);
    m_cells.assign(grid.CellCount(), 0.0F);
    return true;
}

bool CDeviceManager::ScanCellChunks(RunScan* runner, const ChunkPlan& plan) {
    const auto cells = static_cast<uint32_t>(m_cells.size());
    const auto isActive = [&](uint32_t cell) {
        const uint8_t byte = cell < plan.map.size() ? plan.map[cell] : 0;
        return plan.exactlyOne ? byte == 1 : byte != 0;
    };
    uint32_t active = 0;
    for (uint32_t cell = 0; cell < cells; ++cell) {
        active += isActive(cell) ? 1 : 0;
    }
    if (plan.firstProgress) {
        Progress(runner, plan.firstProgressTotal, 0);
    }
    uint32_t cursor = 0;
    uint32_t taken = 0;
    bool first = true;
    for (;;) {
        if (plan.retrigger) {
            m_analyzer->TriggeredSweep();
            m_analyzer->WaitForRbw(plan.rbw);
        }
        if (!m_scanner->FullSwitchAndTrigger(first ? 0 : static_cast<int32_t>(cursor), plan.switchArgument,
                                             first)) {
            SetScannerReady(0);
            return false;
        }
        first = false;
        if (plan.beforeRead.count() > 0) {
            Pause(plan.beforeRead);
        }
        const float* trace = m_analyzer->QueryScan();
        if (trace == nullptr || !m_analyzer->IsQueryValid()) {
            SetReadOk(0);
            return false;
        }
        const auto count = static_cast<uint64_t>(std::max(m_analyzer->GetSweepPointCount(), 0));
        uint64_t k = 0;
        uint32_t cell = cursor;
        for (; cell < cells; ++cell) {
            if (!isActive(cell)) {
                continue;
            }
            if (LastPosition(plan.rule, k, plan.pointsPerCell) >= count) {
                SetReadOk(0);
                return false;
            }
            m_cells[cell] = ValueAt(plan.rule, trace, k, plan.pointsPerCell);
            ++k;
            ++taken;
            if (k == plan.perChunk) {
                ++cell;
                break;
            }
        }
        cursor = cell;
        Progress(runner, active, taken);
        if (cursor >= cells || (plan.endOnActive && taken >= active)) {
            break;
        }
    }
    return FinishCells();
}

bool CDeviceManager::ScanAllCellsOneSweep() {
    PatternRun run;
    int32_t p = 0;
    if (!BeginPattern(run, false,
                      [&](const SetupScan&, const ScanGrid&) {
                          p = m_analyzer->GetPointsPerCell();
                          return p >= 1;
                      }) ||
        !TriggerSweep()) {
        return false;
    }
    const SetupScan* setup = run.setup;
    const ScanGrid& grid = *run.grid;
    Pause(kOneSweepTriggerSettle);
    const int64_t points = setup->GetNumberOfFrequencyBuckets();
    const auto argument = static_cast<int32_t>(m_analyzer->GetRbwValueA(setup->GetRBW()) + (points - 1) / p);
    if (!m_scanner->StartingSwitch(argument)) {
        SetScannerReady(0);
        return false;
    }
    Pause(kOneSweepSwitchSettle);
    const float* trace = ReadTraceHolding(static_cast<uint64_t>(grid.CellCount()) * static_cast<uint64_t>(p));
    if (trace == nullptr) {
        return false;
    }
    for (uint32_t cell = 0; cell < grid.CellCount(); ++cell) {
        m_cells[cell] = trace[(static_cast<size_t>(cell) + 1) * static_cast<size_t>(p) - 1];
    }
    return FinishCells();
}

bool CDeviceManager::ScanAllCellsEverySecondPoint() {
    PatternRun run;
    if (!BeginPattern(run, false, [](const SetupScan&, const ScanGrid&) { return true; }) ||
        !TriggerSweep()) {
        return false;
    }
    const SetupScan* setup = run.setup;
    const ScanGrid& grid = *run.grid;
    Pause(kTriggerSettle);
    const auto points = static_cast<int32_t>(setup->GetNumberOfFrequencyBuckets());
    if (!m_scanner->StartingSwitch(m_analyzer->GetRbwValueA(setup->GetRBW()) + points / 2)) {
        SetScannerReady(0);
        return false;
    }
    const uint64_t needed = grid.CellCount() == 0 ? 0 : 2 * static_cast<uint64_t>(grid.CellCount()) - 1;
    const float* trace = ReadTraceHolding(needed);
    if (trace == nullptr) {
        return false;
    }
    for (uint32_t cell = 0; cell < grid.CellCount(); ++cell) {
        m_cells[cell] = trace[2 * static_cast<size_t>(cell)];
    }
    return FinishCells();
}

bool CDeviceManager::ScanAllCellsInline() {
    PatternRun run;
    if (!BeginPattern(run, false, [](const SetupScan&, const ScanGrid&) { return true; }) ||
        !TriggerSweep()) {
        return false;
    }
    const SetupScan* setup = run.setup;
    const ScanGrid& grid = *run.grid;
    Pause(kInlineSettle);
    const int32_t points = static_cast<int32_t>(setup->GetNumberOfFrequencyBuckets());
    if (!m_scanner->StartingSwitch(m_analyzer->GetRbwValueA(setup->GetRBW()) + points)) {
        SetScannerReady(0);
        return false;
    }
    const float* trace = ReadTraceHolding(grid.CellCount());
    if (trace == nullptr) {
        return false;
    }
    if (!StoreResult(trace, static_cast<int32_t>(grid.CellCount()))) {
        SetReadOk(0);
        return false;
    }
    return true;
}

bool CDeviceManager::ScanCellChunksContinuous(RunScan* runner) {
    PatternRun run;
    ChunkFigures figures;
    if (!BeginPattern(run, false, [&](const SetupScan& setup, const ScanGrid&) {
            return figures.Read(*m_analyzer, setup);
        })) {
        return false;
    }
    const float rbw = figures.rbw;
    const int32_t g = figures.cellsPerSweep;
    const int32_t p = figures.pointsPerCell;
    const std::span<const uint8_t> cells = run.cells;
    if (!m_analyzer->SetContinuousSweep(true) || !TriggerSweep()) {
        SetAnalyzerReady(0);
        return false;
    }
    m_analyzer->WaitForRbw(rbw);
    ChunkPlan plan = ChunkPlan::ForActiveCells(cells, g, p);
    plan.switchArgument = g + 10;
    plan.beforeRead = kBeforeChunkRead;
    plan.rule = ValueRule::EndOfCell;
    return ScanCellChunks(runner, plan);
}

bool CDeviceManager::ScanCellChunksRetriggered(RunScan* runner) {
    PatternRun run;
    ChunkFigures figures;
    if (!BeginPattern(run, false, [&](const SetupScan& setup, const ScanGrid&) {
            return figures.Read(*m_analyzer, setup);
        })) {
        return false;
    }
    const float rbw = figures.rbw;
    const int32_t g = figures.cellsPerSweep;
    const int32_t p = figures.pointsPerCell;
    const std::span<const uint8_t> cells = run.cells;
    ChunkPlan plan = ChunkPlan::ForActiveCells(cells, g, p);
    plan.switchArgument = m_analyzer->GetRbwValueA(rbw) + g;
    plan.retrigger = true;
    plan.rule = ValueRule::EvenOrEndOfCell;
    plan.rbw = rbw;
    return ScanCellChunks(runner, plan);
}

bool CDeviceManager::ScanCellChunksSettled(RunScan* runner) {
    PatternRun run;
    int64_t s = 0;
    int32_t p = 0;
    if (!BeginPattern(run, false, [&](const SetupScan& setup, const ScanGrid&) {
            s = static_cast<int64_t>(setup.GetNumberOfFrequencyBuckets());
            p = m_analyzer->GetPointsPerCell();
            return s >= 1 && s <= INT32_MAX - 10 && p >= 1;
        })) {
        return false;
    }
    const std::span<const uint8_t> cells = run.cells;
    if (!m_analyzer->SetContinuousSweep(true) || !TriggerSweep()) {
        SetAnalyzerReady(0);
        return false;
    }
    Pause(kSettledTriggerSettle);
    ChunkPlan plan = ChunkPlan::ForActiveCells(cells, static_cast<int32_t>(s), p);
    plan.switchArgument = static_cast<int32_t>(s + 10);
    plan.beforeRead = kBeforeChunkRead;
    plan.rule = ValueRule::MeanOfPairOrEndOfCell;
    return ScanCellChunks(runner, plan);
}

bool CDeviceManager::ScanCellChunksOffset(RunScan* runner) {
    PatternRun run;
    ChunkFigures figures;
    if (!BeginPattern(run, false, [&](const SetupScan& setup, const ScanGrid&) {
            return figures.Read(*m_analyzer, setup);
        })) {
        return false;
    }
    const float rbw = figures.rbw;
    const int32_t g = figures.cellsPerSweep;
    const int32_t p = figures.pointsPerCell;
    const std::span<const uint8_t> cells = run.cells;
    Progress(runner, ActiveCellTotal(cells), 0);
    if (!TriggerSweep()) {
        return false;
    }
    m_analyzer->WaitForRbw(rbw);
    ChunkPlan plan = ChunkPlan::ForActiveCells(cells, g, p);
    plan.switchArgument = g + 20;
    plan.beforeRead = kBeforeChunkRead;
    plan.firstProgress = false;
    plan.rule = rbw < kOffsetRbw ? ValueRule::OffsetTwo : ValueRule::CellStart;
    return ScanCellChunks(runner, plan);
}

bool CDeviceManager::ScanTwoHalves(RunScan* runner) {
    PatternRun run;
    // Two reads of 631 values cover at most 1262 cells.
    if (!BeginPattern(run, false, [](const SetupScan&, const ScanGrid& grid) {
            return grid.CellCount() <= 2 * kHalfGridCells;
        })) {
        return false;
    }
    const SetupScan* setup = run.setup;
    const ScanGrid& grid = *run.grid;
    const int32_t argument = m_analyzer->GetRbwValueA(setup->GetRBW()) +
                             static_cast<int32_t>(setup->GetNumberOfFrequencyBuckets());
    for (uint32_t half = 0; half < 2; ++half) {
        if (!TriggerSweep()) {
            return false;
        }
        Progress(runner, 2, half);
        Pause(kTriggerSettle);
        const bool switched = half == 0 ? m_scanner->PartialSwitchAndTrigger(0, 630, argument, true)
                                        : m_scanner->PartialSwitchAndTrigger(631, 1261, argument, false);
        if (!switched) {
            SetScannerReady(0);
            return false;
        }
        const float* values = m_analyzer->ReadTraceDataCount(static_cast<int32_t>(kHalfGridCells));
        if (values == nullptr || !m_analyzer->IsQueryValid()) {
            SetReadOk(0);
            return false;
        }
        const uint32_t first = half * kHalfGridCells;
        for (uint32_t cell = first; cell < grid.CellCount() && cell < first + kHalfGridCells; ++cell) {
            m_cells[cell] = values[cell - first];
        }
    }
    Progress(runner, 2, 2);
    return FinishCells();
}

bool CDeviceManager::ScanMultipleGatedSweep(RunScan* runner, uint16_t frequencyIndex,
                                            uint16_t frequencyCount) {
    PatternRun run;
    int32_t g = 0;
    // Fewer cells per sweep than active probes: every cell of the grid is measured. The map stays
    // the set-up's; the grid's own all-active map stands in for it here.
    std::vector<uint8_t> allActive;
    if (!BeginPattern(run, true,
                      [&](const SetupScan& setup, const ScanGrid& grid) {
                          g = m_analyzer->GetCellsPerSweep(setup.GetRBW());
                          if (g < 1) {
                              return false;
                          }
                          if (g < m_analyzer->GetActiveProbeCellCount()) {
                              allActive.assign(grid.CellCount(), 1);
                              run.cells = allActive;
                          }
                          m_scanner->SetStepWords(frequencyIndex, frequencyCount);
                          m_scanner->SetSwitchMode(GetSwitchModeValue());
                          return true;
                      }) ||
        !TriggerSweep()) {
        return false;
    }
    const ScanGrid& grid = *run.grid;
    const std::span<const uint8_t> cells = run.cells;
    Pause(kMultipleGatedTriggerSettle);
    uint32_t active = 0;
    for (uint32_t cell = 0; cell < grid.CellCount() && cell < cells.size(); ++cell) {
        active += cells[cell] != 0 ? 1 : 0;
    }
    const auto perChunk = static_cast<uint32_t>(g);
    ChunkPlan plan;
    plan.map = cells;
    plan.perChunk = perChunk;
    plan.switchArgument = g;
    plan.beforeRead = kBeforeChunkRead;
    plan.endOnActive = false;
    plan.firstProgressTotal = grid.CellCount() % perChunk == 0 ? active / perChunk : active / perChunk + 1;
    plan.rule = ValueRule::Consecutive;
    return ScanCellChunks(runner, plan);
}

bool CDeviceManager::ScanProbeGroupsFast(uint16_t frequencyIndex, uint16_t frequencyCount) {
    return ScanProbeGroups(true, frequencyIndex, frequencyCount);
}

bool CDeviceManager::ScanProbeGroupsPaced() {
    return ScanProbeGroups(false, 0, 0);
}

bool CDeviceManager::ScanProbeGroups(bool fast, uint16_t frequencyIndex, uint16_t frequencyCount) {
    const auto lock = LockDevices();
    const SetupScan* setup = SetupForSpatialRoutine(true);
    if (setup == nullptr) {
        return false;
    }
    const ScanGrid grid(*setup);
    const float rbw = setup->GetRBW();
    const int32_t g = m_analyzer->GetCellsPerSweep(rbw);
    if (g < 1 || grid.Rows() > kMaxPairIndex || grid.Columns() > kMaxPairIndex) {
        SetReadOk(0);
        return false;
    }
    milliseconds before{45};
    milliseconds after{15};
    if (!fast) {
        before = rbw == 0.001F ? milliseconds(5000) : rbw == 0.003F ? milliseconds(1500) : milliseconds(45);
        after = rbw == 0.001F ? milliseconds(1000) : rbw == 0.003F ? milliseconds(300) : milliseconds(200);
    }
    if (!TriggerSweep()) {
        return false;
    }
    const auto groupSize = static_cast<size_t>(g);
    std::vector<float> previous(groupSize, 0.0F);
    std::vector<float> values;
    values.reserve(groupSize);
    std::vector<uint8_t> pairs(2 * groupSize);
    m_cellHeights.resize(grid.CellCount());
    for (uint32_t cell = 0; cell < grid.CellCount(); ++cell) {
        m_cellHeights[cell] = grid.Height(cell);
    }
    m_cells.assign(grid.CellCount(), 0.0F);
    int32_t row = 0;
    int32_t column = 0;
    while (!IsStopRequested() && row < grid.Rows()) {
        std::fill(pairs.begin(), pairs.end(), uint8_t{255});
        size_t collected = 0;
        while (collected < groupSize && row < grid.Rows()) {
            if (grid.IsActive(grid.Index(row, column))) {
                pairs[2 * collected] = static_cast<uint8_t>(row);
                pairs[2 * collected + 1] = static_cast<uint8_t>(column);
                ++collected;
            }
            if (++column == grid.Columns()) {
                column = 0;
                ++row;
            }
        }
        if (collected == 0) {
            break;
        }
        for (int attempt = 1;; ++attempt) {
            ApplyProbeHeight();
            m_scanner->StorePatternData(pairs);
            m_scanner->SetCellHeightTable(m_cellHeights);
            if (fast) {
                m_scanner->SetStepWords(frequencyIndex, frequencyCount);
                m_scanner->SetSwitchMode(GetSwitchModeValue());
            }
            Pause(before);
            if (!m_scanner->TriggerAndSwitches()) {
                SetScannerReady(0);
                return false;
            }
            Pause(after);
            if (!StoreAnalyzerTrace()) {
                SetReadOk(0);
                return false;
            }
            const int64_t first = m_analyzer->GetFirstProbeIndex();
            const int64_t step = m_analyzer->GetRbwValueB(rbw);
            values.clear();
            for (size_t j = 0; j < groupSize; ++j) {
                const int64_t position = j == 0 ? first : (fast ? 0 : first) + static_cast<int64_t>(j) * step;
                if (position < 0 || position >= static_cast<int64_t>(m_traceLength)) {
                    break;
                }
                values.push_back(m_traceBuffer[static_cast<size_t>(position)]);
            }
            bool stale = false;
            for (size_t j = 0; j < values.size(); ++j) {
                stale = stale || values[j] == previous[j];
            }
            if (!stale) {
                for (size_t j = 0; j < values.size(); ++j) {
                    previous[j] = values[j];
                    const int32_t r = pairs[2 * j];
                    const int32_t c = pairs[2 * j + 1];
                    if (j < collected && r < grid.Rows() && c < grid.Columns()) {
                        m_cells[grid.Index(r, c)] = values[j];
                    }
                }
                break;
            }
            // A stop ends the run between groups with what was measured so far.
            if (IsStopRequested()) {
                return FinishCells();
            }
            if (attempt >= kMaxStaleGroupRepeats) {
                AddInformationMessage(
                    1, "Probe group scan --- the group kept repeating the previous group's values; "
                       "the frame is not read.");
                SetReadOk(0);
                return false;
            }
        }
    }
    return FinishCells();
}

} // namespace orv
