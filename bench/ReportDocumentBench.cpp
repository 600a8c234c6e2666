// A report of 50 sections, each with the texts of a scan section and a 600 x 390 chart handed over
// through the report picture holder, built and written as an OpenDocument file into a private
// reports folder (the desktop opener only records). Goals: under 5 s for the whole report, and a
// peak resident memory above the start of under three times the charts' pixels (4 bytes each).

#include "app/CReportPictureHolder.h"
#include "dialogs/CDesktopOpener.h"
#include "dialogs/CWordAutomation.h"
#include "platform/CLocale.h"
#include "platform/fs/AppPaths.h"

#include <QApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

namespace orv {
namespace {

constexpr int kSections = 50;
constexpr int kChartWidth = 600;
constexpr int kChartHeight = 390;

int64_t ResidentFigure(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::stoll(line.substr(std::string(key).size())) * 1024;
        }
    }
    return 0;
}

void ResetPeakResident() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A chart as a spectral view draws one: a white plot with a grid and a trace of its own per section.
QImage Chart(int section) {
    QImage image(kChartWidth, kChartHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QColor(200, 200, 200));
    for (int x = 40; x < kChartWidth; x += 56) {
        painter.drawLine(x, 20, x, kChartHeight - 30);
    }
    for (int y = 20; y < kChartHeight - 30; y += 34) {
        painter.drawLine(40, y, kChartWidth - 10, y);
    }
    painter.setPen(QColor(0, 0, 255));
    QPoint previous(40, kChartHeight / 2);
    for (int x = 41; x < kChartWidth - 10; ++x) {
        const int y = kChartHeight / 2 + static_cast<int>(80.0 * std::sin((x + section * 7) * 0.05) *
                                                          std::cos((x * (section + 3)) * 0.011));
        painter.drawLine(previous, QPoint(x, y));
        previous = QPoint(x, y);
    }
    painter.setPen(Qt::black);
    painter.drawText(50, 15, QString::fromStdString(FormatC("Scan %d", section)));
    return image;
}

void BM_ReportOfFiftyChartSections(benchmark::State& state) {
    const std::string folder =
        (std::filesystem::temp_directory_path() / ("orv-report-bench-" + std::to_string(::getpid())))
            .string();
    SetUserDataFolderOverride(folder);
    int shown = 0;
    const ScopedDesktopOpenerInstall opener([&shown](const QString&) {
        ++shown;
        return true;
    });
    double peakOverPixels = 0.0;
    uintmax_t fileBytes = 0;
    for (auto _ : state) {
        // What the last report freed goes back to the system first, so that this one's growth shows.
        malloc_trim(0);
        ResetPeakResident();
        const int64_t start = ResidentFigure("VmRSS:");
        CWordAutomation document;
        std::string error;
        document.NewDocument(error);
        document.SetFont(20, false, 0);
        document.TypeText("                            Orvilant Report\n\n");
        for (int section = 1; section <= kSections; ++section) {
            document.SetFont(14, false, 0xFF0000);
            document.TypeText("\nNode:   Board " + std::to_string(section) + "\n");
            document.SetFont(11, false, 0);
            document.TypeText(
                FormatC("Scan Data ID: %d\nScan Time: 2026-12-11, 10:%02d:00; \n\n", section, section % 60));
            CReportPictureHolder::Instance().Put(Chart(section), 160, 0);
            document.PasteAndFormat();
            document.TypeText("\n\n\f");
        }
        document.SetQuitOnRelease(false);
        document.Release();
        if (document.GetLastResult() != S_OK) {
            state.SkipWithError("the report was not written");
            break;
        }
        fileBytes = std::filesystem::file_size(document.GetWrittenPath());
        const int64_t peak = ResidentFigure("VmHWM:") - start;
        peakOverPixels = static_cast<double>(peak) / (4.0 * kSections * kChartWidth * kChartHeight);
        std::filesystem::remove(document.GetWrittenPath());
    }
    state.counters["peak_over_pixels"] = peakOverPixels;
    state.counters["file_MB"] = static_cast<double>(fileBytes) / 1e6;
    SetUserDataFolderOverride({});
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ReportOfFiftyChartSections)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace orv

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
