// The stitcher's OK: six 29 x 42 scans laid over the full 168 x 116 canvas stitched into one grid
// (the grid made, every cell without value, each scan copied in at its place), unturned and with
// every quarter turn, against copying the same cell values once into a buffer made beforehand
// (goal: within 5 times).
#include "overlay/ScanStitching.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace {

constexpr int32_t kRows = 29;
constexpr int32_t kColumns = 42;
constexpr size_t kCells = static_cast<size_t>(kRows) * kColumns;

std::array<std::vector<int16_t>, orv::kStitchSlotCount> MakeScans() {
    std::array<std::vector<int16_t>, orv::kStitchSlotCount> scans;
    for (size_t s = 0; s < scans.size(); ++s) {
        scans[s].resize(kCells);
        for (size_t i = 0; i < kCells; ++i) {
            scans[s][i] = static_cast<int16_t>((i * 7 + s * 13) % 900 - 300);
        }
    }
    return scans;
}

// Four across the top, one below the first, one in the bottom-right corner: the bounds are the
// whole canvas. With `turns`, slot i is turned i times (the corner slots stay within the canvas).
orv::StitchPlacements FullCanvas(bool turns) {
    const std::array<std::array<int32_t, 2>, orv::kStitchSlotCount> places = {
        {{0, 0}, {42, 0}, {84, 0}, {126, 0}, {0, 29}, {126, 87}}};
    orv::StitchPlacements placements;
    for (size_t i = 0; i < placements.size(); ++i) {
        orv::_StitchPlacement& slot = placements[i];
        slot.m_X = places[i][0];
        slot.m_Y = places[i][1];
        slot.m_Rows = kRows;
        slot.m_Columns = kColumns;
        slot.m_ScanIndex = static_cast<int32_t>(i);
        slot.m_Used = true;
        slot.m_Rotation = turns && i != 5 ? static_cast<int32_t>(i % 4) : 0;
    }
    return placements;
}

void Stitch(benchmark::State& state, bool turns) {
    const auto scans = MakeScans();
    const orv::StitchPlacements placements = FullCanvas(turns);
    orv::_StitchBounds bounds;
    orv::GetStitchBounds(placements, bounds);
    if (bounds.m_Width != orv::kStitchCanvasColumns || bounds.m_Height != orv::kStitchCanvasRows) {
        state.SkipWithError("the layout does not span the canvas");
        return;
    }
    for (auto _ : state) {
        std::vector<int16_t> grid = orv::MakeStitchGrid(bounds);
        for (size_t i = 0; i < placements.size(); ++i) {
            orv::PlaceStitchSlot(grid, bounds, placements[i], scans[i]);
        }
        benchmark::DoNotOptimize(grid.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(placements.size() * kCells));
}

void BM_StitchSixScansOverTheCanvas(benchmark::State& state) {
    Stitch(state, false);
}
BENCHMARK(BM_StitchSixScansOverTheCanvas);

void BM_StitchSixTurnedScansOverTheCanvas(benchmark::State& state) {
    Stitch(state, true);
}
BENCHMARK(BM_StitchSixTurnedScansOverTheCanvas);

void BM_CopyTheSameCellValuesOnce(benchmark::State& state) {
    const auto scans = MakeScans();
    std::vector<int16_t> copy(scans.size() * kCells);
    for (auto _ : state) {
        int16_t* to = copy.data();
        for (const std::vector<int16_t>& scan : scans) {
            to = std::copy(scan.begin(), scan.end(), to);
        }
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(scans.size() * kCells));
}
BENCHMARK(BM_CopyTheSameCellValuesOnce);

} // namespace

BENCHMARK_MAIN();
