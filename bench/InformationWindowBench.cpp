// The information window under load: the cost of one logged line with the window's sink attached
// (1 and 8 threads, with and without the log file), one flush of 1,000 pending lines, and the memory
// the window's text takes for 100,000 lines.

#include "app/panes/CMessageWnd.h"
#include "platform/fs/AppPaths.h"
#include "platform/log/InformationLog.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::unique_ptr<orv::CMessageWnd> g_window;

fs::path BenchFolder() {
    return fs::temp_directory_path() / ("orv-bench-log-" + std::to_string(::getpid()));
}

int64_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    int64_t size = 0;
    int64_t resident = 0;
    statm >> size >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

void LogLines(benchmark::State& state, bool withFile) {
    orv::InformationLog& log = orv::InformationLog::Instance();
    if (state.thread_index() == 0) {
        fs::create_directories(BenchFolder());
        if (withFile) {
            log.OpenFile(BenchFolder().string());
        }
        g_window = std::make_unique<orv::CMessageWnd>(log);
        orv::CMessageWnd* window = g_window.get();
        log.SetSink([window](uint8_t kind, const std::string& line) { window->AddPending(kind, line); });
    }
    const std::string text = "Trying to set the spectrum analyzer:  Generic SCPI analyser.";
    for (auto _ : state) {
        orv::AddInformationMessage(0, text);
    }
    if (state.thread_index() == 0) {
        // Every thread has left the loop (the loop ends on a barrier), each after the same number of
        // iterations: every line must be in the window's list and in the file.
        const std::string path = log.GetFilePath();
        log.SetSink({});
        log.CloseFile();
        const auto expected = static_cast<double>(state.iterations()) * state.threads();
        state.counters["lost_in_window"] = expected - static_cast<double>(g_window->GetPendingCount());
        if (withFile) {
            std::ifstream file(path, std::ios::binary);
            const auto lines =
                std::count(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>(), '\n');
            state.counters["lost_in_file"] = expected - static_cast<double>(lines);
        }
        g_window.reset();
        fs::remove_all(BenchFolder());
    }
}

void BM_AddInformationMessage(benchmark::State& state) {
    LogLines(state, true);
}
BENCHMARK(BM_AddInformationMessage)->Threads(1)->Threads(8)->UseRealTime();

void BM_AddInformationMessageWithoutFile(benchmark::State& state) {
    LogLines(state, false);
}
BENCHMARK(BM_AddInformationMessageWithoutFile)->Threads(1)->Threads(8)->UseRealTime();

void BM_FlushThousandLines(benchmark::State& state) {
    orv::InformationLog log;
    orv::CMessageWnd window(log);
    window.resize(800, 400);
    const std::string line =
        "2026-12-10  06:30:00  012(ms) --- Scan data arrived: 4096 points, 30 MHz - 1 GHz.";
    for (auto _ : state) {
        state.PauseTiming();
        window.clear();
        for (int i = 0; i < 1000; ++i) {
            window.AddPending(static_cast<uint8_t>(i % 2), line);
        }
        state.ResumeTiming();
        window.FlushPending();
    }
}
BENCHMARK(BM_FlushThousandLines)->Unit(benchmark::kMillisecond);

void BM_MemoryOfHundredThousandLines(benchmark::State& state) {
    const std::string line =
        "2026-12-10  06:30:00  012(ms) --- Scan data arrived: 4096 points, 30 MHz - 1 GHz.";
    for (auto _ : state) {
        orv::InformationLog log;
        const int64_t before = ResidentBytes();
        auto window = std::make_unique<orv::CMessageWnd>(log);
        for (int i = 0; i < 100'000; ++i) {
            window->AddPending(static_cast<uint8_t>(i % 2), line);
        }
        window->FlushPending();
        state.counters["resident_MB"] = static_cast<double>(ResidentBytes() - before) / (1024.0 * 1024.0);
        state.counters["bytes_per_line"] = static_cast<double>(ResidentBytes() - before) / 100'000.0;
    }
}
BENCHMARK(BM_MemoryOfHundredThousandLines)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
