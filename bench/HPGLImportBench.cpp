// Import of two generated HPGL files, each against reading the same bytes through ReadChar alone in
// the same run: a 5 MB polyline in PE encoding and a plot of 50,000 PU/PD statements. Also reports the
// bytes an import allocates per primitive made.
#include "bench/support/AllocationCounter.h"
#include "overlay/import/HPGLConvert.h"
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

// One signed number of the encoded polyline, base 64 with the sign in the lowest bit.
void AppendEncoded(std::string& text, int value) {
    uint32_t number = static_cast<uint32_t>(value < 0 ? -2 * value + 1 : 2 * value);
    while (number >= 64) {
        text.push_back(static_cast<char>(63 + number % 64));
        number /= 64;
    }
    text.push_back(static_cast<char>(191 + number));
}

std::string EncodedPolylineText() {
    std::string text = "IN;SP1;PU0,0;PE";
    int step = 0;
    while (text.size() < (5U << 20)) {
        // Relative steps that wander but stay inside the drawing: out along x, back along y.
        const int dx = (step % 200) < 100 ? 37 : -37;
        const int dy = (step % 7) - 3;
        AppendEncoded(text, dx);
        AppendEncoded(text, dy);
        if (++step % 1000 == 0) {
            text += ";\nPE";
        }
    }
    text += ";PU;";
    return text;
}

std::string PenPlotText() {
    std::string text = "IN;SP1;PA;";
    char line[64];
    for (int i = 0; i < 50000; ++i) {
        const int x = (i * 137) % 120000;
        const int y = (i * 311) % 120000;
        std::snprintf(line, sizeof line, i % 2 == 0 ? "PU%d,%d;\n" : "PD%d,%d,%d,%d;\n", x, y, x + 400, y);
        text += line;
    }
    return text;
}

class PlotFile {
public:
    explicit PlotFile(const std::string& text, const char* name)
        : m_path(std::filesystem::temp_directory_path() /
                 ("orv-bench-" + std::string(name) + "-" + std::to_string(::getpid()) + ".plt")) {
        std::ofstream(m_path, std::ios::binary) << text;
    }
    ~PlotFile() { std::filesystem::remove(m_path); }
    PlotFile(const PlotFile&) = delete;
    PlotFile& operator=(const PlotFile&) = delete;
    std::string Path() const { return m_path.string(); }
    uint64_t Size() const { return std::filesystem::file_size(m_path); }

private:
    std::filesystem::path m_path;
};

const PlotFile& Encoded() {
    static const PlotFile file(EncodedPolylineText(), "encoded");
    return file;
}

const PlotFile& PenPlot() {
    static const PlotFile file(PenPlotText(), "penplot");
    return file;
}

void ReadCharAlone(benchmark::State& state, const PlotFile& file) {
    for (auto _ : state) {
        std::unique_ptr<ImportFileSource> source = ImportFileSource::Open(file.Path());
        ImportReader reader(*source);
        char c = 0;
        uint64_t sum = 0;
        while (reader.ReadChar(c)) {
            sum += static_cast<unsigned char>(c);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["file_bytes"] = static_cast<double>(file.Size());
}

void Import(benchmark::State& state, const PlotFile& file) {
    uint64_t allocated = 0;
    uint64_t imports = 0;
    uint64_t primitives = 0;
    for (auto _ : state) {
        const uint64_t before = orv::bench::AllocatedBytes();
        std::unique_ptr<ImportFileSource> source = ImportFileSource::Open(file.Path());
        DrawList drawing = HPGLConvert(*source);
        allocated += orv::bench::AllocatedBytes() - before;
        ++imports;
        // Counting and freeing the drawing are not the import's: its holder frees it much later.
        state.PauseTiming();
        primitives = 0;
        for (const DrawBase_t* p = drawing.Head(); p != nullptr; p = p->m_next) {
            ++primitives;
        }
        drawing.Clear();
        state.ResumeTiming();
    }
    state.counters["primitives"] = static_cast<double>(primitives);
    state.counters["file_bytes"] = static_cast<double>(file.Size());
    state.counters["allocated_per_primitive"] =
        static_cast<double>(allocated) / static_cast<double>(imports) / static_cast<double>(primitives);
}

void BM_EncodedReadCharAlone(benchmark::State& state) {
    ReadCharAlone(state, Encoded());
}
void BM_EncodedImport(benchmark::State& state) {
    Import(state, Encoded());
}
void BM_PenPlotReadCharAlone(benchmark::State& state) {
    ReadCharAlone(state, PenPlot());
}
void BM_PenPlotImport(benchmark::State& state) {
    Import(state, PenPlot());
}
BENCHMARK(BM_EncodedReadCharAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodedImport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PenPlotReadCharAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PenPlotImport)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
