// The main frame under the scan's message load, on the offscreen platform: a burst of 10,000
// progress messages posted to the frame and drained by the event loop (the progress control is
// painted once for the burst and the queue is empty afterwards), and the hand-held probe position
// query's round trip from a scan thread through the frame's message target.

#include "analyzers/AnalyzerSwitches.h"
#include "app/CConnectionThread.h"
#include "app/CMainFrame.h"
#include "app/UiMessagePump.h"
#include "app/controls/CProgressInStatus.h"
#include "engine/runners/HandHeldProbeScan.h"
#include "platform/fs/AppPaths.h"
#include "platform/registry/SettingsStore.h"
#include "platform/ui/ScriptedPrompt.h"
#include "protocol/CMainFrameLink.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

orv::CMainFrame* g_frame = nullptr;

// Counts the progress control's paints.
class PaintCounter final : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

void ProgressBurst(benchmark::State& state) {
    constexpr int kBurst = 10000;
    orv::MessageThread& ui = orv::GetUiMessageThread();
    PaintCounter counter;
    orv::CProgressInStatus* progress = g_frame->GetProgressControl();
    progress->installEventFilter(&counter);
    QApplication::processEvents();
    int bursts = 0;
    for (auto _ : state) {
        counter.paints = 0;
        for (int i = 0; i < kBurst; ++i) {
            g_frame->Post(orv::CMainFrameLink::kMsgScanStatus, static_cast<uint64_t>(i % 101));
        }
        while (ui.GetPendingCount() > 0) {
            QApplication::processEvents();
        }
        QApplication::processEvents();
        ++bursts;
    }
    progress->removeEventFilter(&counter);
    state.counters["paints_last_burst"] = counter.paints;
    state.counters["queue_after"] = static_cast<double>(ui.GetPendingCount());
    state.SetItemsProcessed(static_cast<int64_t>(bursts) * kBurst);
}
BENCHMARK(ProgressBurst)->Unit(benchmark::kMillisecond)->Iterations(20);

void PositionQueryRoundTrip(benchmark::State& state) {
    // The scan thread asks; this thread runs the event loop that answers.
    std::atomic<bool> done{false};
    std::atomic<int64_t> answered{0};
    std::thread scan;
    for (auto _ : state) {
        state.PauseTiming();
        done = false;
        answered = 0;
        const int64_t count = state.range(0);
        state.ResumeTiming();
        scan = std::thread([&] {
            orv::HandHeldProbePosition position;
            for (int64_t i = 0; i < count; ++i) {
                g_frame->Send(orv::HandHeldProbeScan::kProbeRequestMessage,
                              static_cast<uint64_t>(orv::HandHeldProbeScan::kPositionRequest),
                              static_cast<int64_t>(reinterpret_cast<intptr_t>(&position)));
                ++answered;
            }
            done = true;
        });
        while (!done.load()) {
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        scan.join();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(PositionQueryRoundTrip)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Folders of the run's own and the built-in device lists, so no box asks anything.
    const fs::path root = fs::temp_directory_path() / ("orv-bench-frame-" + std::to_string(::getpid()));
    for (const char* sub : {"bin", "data", "run", "tmp", "config"}) {
        fs::create_directories(root / sub);
    }
    fs::permissions(root / "run", fs::perms::owner_all, fs::perm_options::replace);
    ::setenv("XDG_RUNTIME_DIR", (root / "run").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    ::setenv("ORV_VISA_LIBRARIES", "", 1);
    ::setenv("ORV_VISA_RESOURCES", "", 1);
    orv::SettingsStore::Instance().SetLocations(ORV_SOURCE_DIR "/resources/machine.settings",
                                                (root / "config" / "user.settings").string());
    orv::SetExecutableFolderOverride((root / "bin").string());
    orv::SetUserDataFolderOverride((root / "data").string());
    orv::SetProcessTempFolderOverride((root / "tmp").string());
    orv::SetNoAnalyzerSwitch(true);
    orv::InstallPrompt(std::make_shared<orv::ScriptedPrompt>());

    QApplication app(argc, argv);
    {
        orv::CMainFrame::Options options;
        options.pipePath = (root / "run" / "Halvion_Pipe_Handheld").string();
        options.makeIcmpPing = false;
        orv::CMainFrame frame(std::move(options));
        frame.OnCreate();
        frame.SetConnectionDevices(nullptr);
        frame.resize(1000, 700);
        frame.show();
        frame.OnTimer(orv::CMainFrame::kTimerFirstLayout);
        QApplication::processEvents();
        g_frame = &frame;
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        g_frame = nullptr;
    }
    fs::remove_all(root);
    return 0;
}
