// Correction sets at their full size: 200 frequency rows of 4096 cells, read from text files that
// the benchmark writes into a temp folder, and the per-point factor look-up of a 10^5-point scan.

#include "analyzers/CInstrumentInfo.h"
#include "core/QCorrectionData.h"
#include "core/QManagers.h"
#include "platform/CLocale.h"

#include <benchmark/benchmark.h>

#include <algorithm>
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
    for (auto _ : state) {
        int64_t sum = 0;
        for (int64_t i = 0; i < points; ++i) {
            sum += std::lower_bound(rows.begin(), rows.end(), frequency(i)) - rows.begin();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(BM_BinarySearchPerPoint)->Arg(100000)->Unit(benchmark::kMillisecond);

// The look-up as the store did it before its sets became immutable blocks: the binary search and
// the interpolation straight on plain tables (row frequencies, factors at a stride of 4096 cells).
// The reference for the look-ups below, in the same run.
void BM_FactorPerPointOnPlainTables(benchmark::State& state) {
    Fixture();
    orv::QCorrectionData store;
    const orv::QChosenCorrectionSet chosen = store.TakeSet(kHead);
    if (chosen.m_number == 0) {
        state.SkipWithError("no set");
        return;
    }
    const orv::QCorrectionSet& set = *chosen.m_set;
    const int32_t rows = set.GetRowCount();
    std::vector<float> frequencies(set.GetRowFrequencies().begin(), set.GetRowFrequencies().end());
    std::vector<float> table(static_cast<size_t>(kRows) * orv::QCorrectionData::kMaxCells);
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t k = 0; k < set.GetCellCount(); ++k) {
            table[static_cast<size_t>(r) * orv::QCorrectionData::kMaxCells + static_cast<size_t>(k)] =
                set.GetFactor(r, k);
        }
    }
    const float* F = frequencies.data();
    const auto position = [&](float f) {
        if (F[0] >= f) {
            return 0.0f;
        }
        if (F[1] > f) {
            return 0.5f;
        }
        if (f >= F[rows - 1]) {
            return static_cast<float>(rows - 1);
        }
        const float* found = std::lower_bound(F + 1, F + rows - 1, f);
        const auto k = static_cast<int32_t>(found - F);
        return *found == f ? static_cast<float>(k) : static_cast<float>(k - 1) + 0.5f;
    };
    const int64_t points = state.range(0);
    const PointFrequencies frequency(points);
    for (auto _ : state) {
        float sum = 0.0f;
        for (int64_t i = 0; i < points; ++i) {
            const float f = frequency(i);
            const float p = position(f);
            const auto lower = static_cast<int32_t>(p);
            const int32_t upper = p > static_cast<float>(lower) ? lower + 1 : lower;
            const auto cell = static_cast<int32_t>(i % (kGrid * kGrid));
            if (cell < 0 || cell >= orv::QCorrectionData::kMaxCells || lower >= rows || upper >= rows) {
                continue;
            }
            const float low = table[static_cast<size_t>(lower) * orv::QCorrectionData::kMaxCells +
                                    static_cast<size_t>(cell)];
            if (upper <= lower || !(F[upper] - F[lower] > 0.0f)) {
                sum += low;
                continue;
            }
            const float high = table[static_cast<size_t>(upper) * orv::QCorrectionData::kMaxCells +
                                     static_cast<size_t>(cell)];
            sum += low + (high - low) * (f - F[lower]) / (F[upper] - F[lower]);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(BM_FactorPerPointOnPlainTables)->Arg(100000)->Unit(benchmark::kMillisecond);

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
    for (auto _ : state) {
        float sum = 0.0f;
        for (int64_t i = 0; i < points; ++i) {
            const float f = frequency(i);
            const orv::QCorrectionBracket bracket = set.FindPosition(f);
            sum += set.GetFactorAt(static_cast<int32_t>(i % (kGrid * kGrid)), bracket, f);
        }
        benchmark::DoNotOptimize(sum);
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
    for (auto _ : state) {
        float sum = 0.0f;
        for (int64_t i = 0; i < points; ++i) {
            const float f = frequency(i);
            const orv::QCorrectionBracket bracket = store.FindPosition(set, f);
            sum += store.GetFactorAt(set, static_cast<int32_t>(i % (kGrid * kGrid)), bracket, f);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(BM_FactorPerPointThroughTheStore)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
