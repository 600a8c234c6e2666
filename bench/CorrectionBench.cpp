// Correction sets at their full size: 200 frequency rows of 4096 cells, read from text files that
// the benchmark writes into a temp folder, and the per-point factor look-up of a 10^5-point scan.

#include "analyzers/CInstrumentInfo.h"
#include "core/QCorrectionData.h"
#include "core/QManagers.h"
#include "platform/CLocale.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

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

void BM_FactorPerPoint(benchmark::State& state) {
    Fixture();
    orv::QCorrectionData store;
    const int32_t set = store.ChooseSet(kHead);
    if (set == 0) {
        state.SkipWithError("no set");
        return;
    }
    const int64_t points = state.range(0);
    const float start = 5.0f;
    const float step = (10.0f * kRows + 20.0f - start) / static_cast<float>(points - 1);
    for (auto _ : state) {
        float sum = 0.0f;
        for (int64_t i = 0; i < points; ++i) {
            const float f = start + static_cast<float>(i) * step;
            const orv::QCorrectionBracket bracket = store.FindPosition(set, f);
            sum += store.GetFactorAt(set, static_cast<int32_t>(i % (kGrid * kGrid)), bracket, f);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(BM_FactorPerPoint)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
