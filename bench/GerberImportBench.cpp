// Import of a generated Gerber file of about 50,000 primitives (tracks, arcs, flashes of standard and
// macro apertures, step-and-repeat blocks), against reading the same bytes through ReadChar alone.
// Also reports the bytes an import allocates against the file's size.
#include "bench/support/AllocationCounter.h"
#include "overlay/import/GerberConvert.h"
#include "overlay/import/ImportReader.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using namespace orv;

std::string BoardText() {
    std::string text = "G04 generated board*\n%FSLAX24Y24*%\n%MOIN*%\n"
                       "%AMPAD*1,1,$1,0,0*21,1,$1,$2,0,0,0*%\n"
                       "%ADD10C,0.010*%\n%ADD11R,0.060X0.040*%\n%ADD12PAD,0.05X0.02*%\n%ADD13C,0.05X0.02*%\n";
    char line[96];
    int primitives = 0;
    int block = 0;
    while (primitives < 50000) {
        if (block % 50 == 0) {
            text += "%SRX2Y1I0.5J0*%\n";
            ++primitives;
        }
        const int x = (block * 137) % 90000;
        const int y = (block * 311) % 70000;
        // A track of four segments, an arc, two flashes and a macro flash.
        std::snprintf(line, sizeof line, "D10*\nG01X%dY%dD02*\n", x, y);
        text += line;
        for (int s = 1; s <= 4; ++s) {
            std::snprintf(line, sizeof line, "X%dY%dD01*\n", x + s * 500, y + (s % 2) * 300);
            text += line;
        }
        std::snprintf(line, sizeof line, "G03X%dY%dI-1000J0D01*\nG01*\n", x + 1000, y + 2300);
        text += line;
        std::snprintf(line, sizeof line, "D11*\nX%dY%dD03*\nD13*\nX%dY%dD03*\n", x, y + 1000, x + 800,
                      y + 1000);
        text += line;
        std::snprintf(line, sizeof line, "D12*\nX%dY%dD03*\n", x + 1600, y + 1000);
        text += line;
        primitives += 5 + 2 + 2 + 2 + 3;
        ++block;
    }
    text += "%SR*%\nM02*\n";
    return text;
}

class BoardFile {
public:
    BoardFile()
        : m_path(std::filesystem::temp_directory_path() /
                 ("orv-bench-board-" + std::to_string(::getpid()) + ".gbr")) {
        std::ofstream(m_path, std::ios::binary) << BoardText();
    }
    ~BoardFile() { std::filesystem::remove(m_path); }
    BoardFile(const BoardFile&) = delete;
    BoardFile& operator=(const BoardFile&) = delete;
    std::string Path() const { return m_path.string(); }
    uint64_t Size() const { return std::filesystem::file_size(m_path); }

private:
    std::filesystem::path m_path;
};

void BM_ReadCharAlone(benchmark::State& state) {
    const BoardFile board;
    uint64_t characters = 0;
    for (auto _ : state) {
        std::unique_ptr<ImportFileSource> source = ImportFileSource::Open(board.Path());
        ImportReader reader(*source);
        char c = 0;
        uint64_t sum = 0;
        while (reader.ReadChar(c)) {
            sum += static_cast<unsigned char>(c);
            ++characters;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["file_bytes"] = static_cast<double>(board.Size());
}
BENCHMARK(BM_ReadCharAlone)->Unit(benchmark::kMillisecond);

void BM_GerberImport(benchmark::State& state) {
    const BoardFile board;
    uint64_t allocated = 0;
    uint64_t imports = 0;
    uint64_t primitives = 0;
    for (auto _ : state) {
        const uint64_t before = orv::bench::AllocatedBytes();
        std::unique_ptr<ImportFileSource> source = ImportFileSource::Open(board.Path());
        const DrawList drawing = GerberConvert(*source);
        allocated += orv::bench::AllocatedBytes() - before;
        ++imports;
        primitives = 0;
        for (const DrawBase_t* p = drawing.Head(); p != nullptr; p = p->m_next) {
            ++primitives;
        }
    }
    state.counters["primitives"] = static_cast<double>(primitives);
    state.counters["file_bytes"] = static_cast<double>(board.Size());
    state.counters["allocated_in_file_sizes"] =
        static_cast<double>(allocated) / static_cast<double>(imports) / static_cast<double>(board.Size());
}
BENCHMARK(BM_GerberImport)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
