// Correction sets at their full size: 200 frequency rows of 4096 cells, read from text files that
// the benchmark writes into a temp folder, and the per-point factor look-up of a 10^5-point scan.

#include "analyzers/CInstrumentInfo.h"
#include "core/QCorrectionData.h"
#include "core/QManagers.h"
#include "platform/CLocale.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kRows = orv::QCorrectionData::kMaxRows;
constexpr int kGrid = 64; // 64 x 64 = 4096 cells
constexpr const char* kHead = "BenchHead64";

class FullSizeFixture {
public:
    FullSizeFixture() {
        m_root = fs::temp_directory_path() / ("orv-corr-bench-" + std::to_string(::getpid()));
        const fs::path folder = m_root / "correctiondata" / kHead;
        fs::create_directories(folder);
        std::string list = orv::FormatC("1.0\n%d\n", kRows);
        for (int r = 0; r < kRows; ++r) {
            const std::string name = orv::FormatC("cf%d.txt", r);
            list += orv::FormatC("%d,%d,%s\n", r + 1, 10 * (r + 1), name.c_str());
            std::string row;
            for (int k = 0; k < kGrid * kGrid; ++k) {
                row += orv::FormatC("%d.%03d\r\n", (r + k) % 7 - 3, (k * 37) % 1000);
            }
            Write(folder / name, row);
        }
        Write(folder / "correctionfile.txt", list);
        orv::GetInstrumentInfo().SetApplicationFolder(m_root.string());
        auto& heads = orv::GetScanHeadInfoManager();
        if (heads.Find(9900) == nullptr) {
            heads.Insert(
                std::make_unique<orv::QScanHeadInfo>(kHead, 9900, 1.0f, 3000.0f, kGrid, kGrid, 0, 0, 100u));
        }
    }
    ~FullSizeFixture() {
        std::error_code error;
        fs::remove_all(m_root, error);
    }
    FullSizeFixture(const FullSizeFixture&) = delete;
    FullSizeFixture& operator=(const FullSizeFixture&) = delete;

private:
    static void Write(const fs::path& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    fs::path m_root;
};

FullSizeFixture& Fixture() {
    static FullSizeFixture fixture;
    return fixture;
}

void BM_LoadCorrectionSet(benchmark::State& state) {
    Fixture();
    orv::QCorrectionData store;
    const std::string folder = orv::QCorrectionData::GetScanHeadFolder(kHead);
    for (auto _ : state) {
        store.SelectSet(kHead); // fixes the cell count
        const bool loaded = store.LoadCorrectionSet(kGrid * kGrid, folder, kHead);
        benchmark::DoNotOptimize(loaded);
        if (!loaded) {
            state.SkipWithError("the full-size set did not load");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kRows * kGrid * kGrid);
}
BENCHMARK(BM_LoadCorrectionSet)->Unit(benchmark::kMillisecond);

// The frequency of point i of a scan that runs from below the first row to above the last.
struct PointFrequencies {
    explicit PointFrequencies(int64_t points)
        : start(5.0f), step((10.0f * kRows + 20.0f - 5.0f) / static_cast<float>(points - 1)) {}
    float operator()(int64_t i) const { return start + static_cast<float>(i) * step; }
    float start;
    float step;
};

// The binary search over the row frequencies alone: the floor that a look-up per point cannot go
// below, measured in the same run as the look-ups.
void BM_BinarySearchPerPoint(benchmark::State& state) {
    Fixture();
    orv::QCorrectionData store;
    const orv::QChosenCorrectionSet chosen = store.TakeSet(kHead);
    if (chosen.m_number == 0) {
        state.SkipWithError("no set");
        return;
    }
    const std::span<const float> rows = chosen.m_set->GetRowFrequencies();
    const int64_t points = state.range(0);
    const PointFrequencies frequency(points);
    std::vector<int32_t> out(static_cast<size_t>(points));
    for (auto _ : state) {
        for (int64_t i = 0; i < points; ++i) {
            out[static_cast<size_t>(i)] =
                static_cast<int32_t>(std::lower_bound(rows.begin(), rows.end(), frequency(i)) - rows.begin());
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(BM_BinarySearchPerPoint)->Arg(100000)->Unit(benchmark::kMillisecond);

// The store as it was before its sets became immutable blocks: plain tables of every set read in
// place, the row count an atomic, and a call into the store for the position and another for the
// factor of each point. The look-up figure that the block look-up must stay within 10 % of.
class PlainTableStore {
public:
    explicit PlainTableStore(const orv::QCorrectionSet& set)
        : m_tables(static_cast<size_t>(kRows) * orv::QCorrectionData::kMaxCells) {
        for (int32_t r = 0; r < set.GetRowCount(); ++r) {
            m_frequencies[r] = set.GetRowFrequencies()[static_cast<size_t>(r)];
            for (int32_t k = 0; k < set.GetCellCount(); ++k) {
                m_tables[static_cast<size_t>(r) * orv::QCorrectionData::kMaxCells + static_cast<size_t>(k)] =
                    set.GetFactor(r, k);
            }
        }
        m_rowCount.store(set.GetRowCount());
    }

    [[gnu::noinline]] orv::QCorrectionBracket FindPosition(float f) const {
        orv::QCorrectionBracket bracket;
        const int32_t rows = m_rowCount.load();
        if (rows <= 0 || std::isnan(f)) {
            return bracket;
        }
        const float* F = m_frequencies;
        if (F[0] >= f) {
            bracket.m_position = 0.0f;
        } else if (rows >= 2 && F[1] > f) {
            bracket.m_position = 0.5f;
        } else if (f >= F[rows - 1]) {
            bracket.m_position = static_cast<float>(rows - 1);
            bracket.m_atLastRow = true;
        } else {
            const float* found = std::lower_bound(F + 1, F + rows - 1, f);
            const auto k = static_cast<int32_t>(found - F);
            bracket.m_position = *found == f ? static_cast<float>(k) : static_cast<float>(k - 1) + 0.5f;
        }
        bracket.m_lower = static_cast<int32_t>(bracket.m_position);
        bracket.m_upper =
            bracket.m_position > static_cast<float>(bracket.m_lower) ? bracket.m_lower + 1 : bracket.m_lower;
        return bracket;
    }

    [[gnu::noinline]] float GetFactorAt(int32_t cell, int32_t lower, int32_t upper, float f) const {
        const int32_t rows = m_rowCount.load();
        if (cell < 0 || cell >= orv::QCorrectionData::kMaxCells || lower < 0 || upper < 0 || lower >= rows ||
            upper >= rows) {
            return 0.0f;
        }
        const float* table = m_tables.data();
        const float low = table[static_cast<size_t>(lower) * orv::QCorrectionData::kMaxCells + cell];
        if (upper <= lower) {
            return low;
        }
        const float span = m_frequencies[upper] - m_frequencies[lower];
        if (!(span > 0.0f)) {
            return low;
        }
        const float high = table[static_cast<size_t>(upper) * orv::QCorrectionData::kMaxCells + cell];
        return low + (high - low) * (f - m_frequencies[lower]) / span;
    }

private:
    std::vector<float> m_tables;
    float m_frequencies[kRows] = {};
    std::atomic<int32_t> m_rowCount{0};
};

void BM_FactorPerPointBeforeBlocks(benchmark::State& state) {
    Fixture();
    orv::QCorrectionData store;
    const orv::QChosenCorrectionSet chosen = store.TakeSet(kHead);
    if (chosen.m_number == 0) {
        state.SkipWithError("no set");
        return;
    }
    const PlainTableStore before(*chosen.m_set);
    const int64_t points = state.range(0);
    const PointFrequencies frequency(points);
    std::vector<float> out(static_cast<size_t>(points));
    for (auto _ : state) {
        for (int64_t i = 0; i < points; ++i) {
            const float f = frequency(i);
            const orv::QCorrectionBracket bracket = before.FindPosition(f);
            out[static_cast<size_t>(i)] = before.GetFactorAt(static_cast<int32_t>(i % (kGrid * kGrid)),
                                                             bracket.m_lower, bracket.m_upper, f);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(BM_FactorPerPointBeforeBlocks)->Arg(100000)->Unit(benchmark::kMillisecond);

// Position and interpolated factor per point on the set taken once, as the scan records do.
void BM_FactorPerPoint(benchmark::State& state) {
    Fixture();
    orv::QCorrectionData store;
    const orv::QChosenCorrectionSet chosen = store.TakeSet(kHead);
    if (chosen.m_number == 0) {
        state.SkipWithError("no set");
        return;
    }
    const orv::QCorrectionSet& set = *chosen.m_set;
    const int64_t points = state.range(0);
    const PointFrequencies frequency(points);
    std::vector<float> out(static_cast<size_t>(points));
    for (auto _ : state) {
        for (int64_t i = 0; i < points; ++i) {
            const float f = frequency(i);
            const orv::QCorrectionBracket bracket = set.FindPosition(f);
            out[static_cast<size_t>(i)] =
                set.GetFactorAt(static_cast<int32_t>(i % (kGrid * kGrid)), bracket, f);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(BM_FactorPerPoint)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same through the store, which takes the published set at every call.
void BM_FactorPerPointThroughTheStore(benchmark::State& state) {
    Fixture();
    orv::QCorrectionData store;
    const int32_t set = store.ChooseSet(kHead);
    if (set == 0) {
        state.SkipWithError("no set");
        return;
    }
    const int64_t points = state.range(0);
    const PointFrequencies frequency(points);
    std::vector<float> out(static_cast<size_t>(points));
    for (auto _ : state) {
        for (int64_t i = 0; i < points; ++i) {
            const float f = frequency(i);
            const orv::QCorrectionBracket bracket = store.FindPosition(set, f);
            out[static_cast<size_t>(i)] =
                store.GetFactorAt(set, static_cast<int32_t>(i % (kGrid * kGrid)), bracket, f);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(BM_FactorPerPointThroughTheStore)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
