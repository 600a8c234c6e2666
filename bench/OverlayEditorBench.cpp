// The overlay editor's grid while a drawing is moved: one repaint of the area of a 1200 x 800 editor
// with a generated 50,000-primitive drawing moved by a pixel (its rendering reused) against one copy
// of the working image into the same screen picture (goal: within 3 times).

#include "core/QDataWriter.h"
#include "core/WriteRegistryString.h"
#include "core/drawing/DrawList.h"
#include "core/drawing/DrawingRecords.h"
#include "overlay/COverlayView.h"
#include "platform/msg/MessageTarget.h"
#include "platform/registry/SettingsStore.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/QFileSystemProjectStorageManagerFactory.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QMainFrame.h"
#include "project/QMediatorProjectFileModel.h"
#include "project/QProjectFile.h"
#include "project/TfrmMainApp.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

namespace fs = std::filesystem;

constexpr int kPrimitives = 50000;
constexpr uint32_t kOverlayId = 7;

class BenchFrame : public QMainFrame {
public:
    QScanEngineLink* GetScanEngineLink() override { return nullptr; }
    std::optional<std::string> BrowseForFolder(const std::string&) override { return std::nullopt; }
    [[noreturn]] void ExitProgram(int code) override {
        throw std::runtime_error("exit " + std::to_string(code));
    }
    void DisableScreenSaver() override {}
};

// Tracks, pads and vias over the 42 x 29 grid's 2992 x 2395 drawing units.
std::vector<uint8_t> GeneratedBoardRecords() {
    DrawList list;
    uint32_t seed = 4242;
    auto next = [&seed](int range) {
        seed = seed * 1664525U + 1013904223U;
        return static_cast<int32_t>((seed >> 8) % static_cast<uint32_t>(range));
    };
    for (int i = 0; i < kPrimitives; ++i) {
        const int32_t x = next(2992);
        const int32_t y = next(2395);
        if (i % 10 < 6) {
            auto* p = list.Append<DrawPoint_t>(i % 2 == 0 ? draw_kind::kMoveTo : draw_kind::kLineTo);
            p->m_x = x;
            p->m_y = y % 2395;
        } else if (i % 10 < 8) {
            auto* c = list.Append<DrawSolidCircle_t>(draw_kind::kSolidCircle);
            c->m_x = x;
            c->m_y = y;
            c->m_paramCount = 2;
            c->m_diameter = 16;
            c->m_holeX = 8;
        } else {
            auto* r = list.Append<DrawSolidRectangle_t>(draw_kind::kSolidRectangle);
            r->m_x = x;
            r->m_y = y;
            r->m_flag = true;
            r->m_paramCount = 2;
            r->m_width = 15;
            r->m_height = 25;
        }
    }
    QCharCounterDataWriter counter;
    WriteOverlayDrawingRecords(counter, list.Head());
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), counter.m_count);
    WriteOverlayDrawingRecords(writer, list.Head());
    return bytes;
}

struct Bench {
    Bench() : screen(1200, 800, QImage::Format_RGB32) {
        folder = fs::temp_directory_path() / ("orv-bench-overlay-editor-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder / "repo" / "Data");
        SettingsStore::Instance().SetLocations((folder / "machine.settings").string(),
                                               (folder / "user.settings").string());
        WriteRegistryString(SettingsRoot::CurrentUser, TfrmMainApp::kRepositoriesKey,
                            TfrmMainApp::kLastRepositoryValue, (folder / "repo").string());
        maker = QFundamentalNodeMediator::MakeMaker(thread, &frame);
        model = std::make_unique<QMediatorProjectFileModel>(maker);
        storage =
            std::make_shared<QFileSystemProjectStorageManagerFactory>(std::make_shared<QProjectFile>(*model));
        app = std::make_unique<TfrmMainApp>(frame, true, storage, maker);
        if (!app->AddPcbOverlayControl(GeneratedBoardRecords(), kOverlayId, 1, false)) {
            throw std::runtime_error("the drawing was not added");
        }
        view = std::make_unique<COverlayView>();
        view->SetProject(app.get());
        view->resize(1200, 800);
        view->LoadPlacementFromOwner();
        view->show();
        QApplication::processEvents();
        view->SelectOverlayControl(kOverlayId);
        screen.fill(Qt::white);
    }
    ~Bench() {
        view.reset();
        app.reset();
        SettingsStore::Instance().SetLocations("", "");
        fs::remove_all(folder);
    }

    fs::path folder;
    MessageThread thread;
    BenchFrame frame;
    QNodeFactory::FundamentalMediatorMaker maker;
    std::unique_ptr<QMediatorProjectFileModel> model;
    std::shared_ptr<QFileSystemProjectStorageManagerFactory> storage;
    std::unique_ptr<TfrmMainApp> app;
    std::unique_ptr<COverlayView> view;
    QImage screen;
};

Bench* g_bench = nullptr;

void BM_RepaintWhileMovingDrawing(benchmark::State& state) {
    Bench& bench = *g_bench;
    COverlayView& view = *bench.view;
    const QRect area = view.GetAreaRect();
    {
        // The first paint renders the drawing; the moves below only repaint.
        QPainter painter(&bench.screen);
        view.OnDraw(painter, area);
    }
    const int renders = view.GetDrawingRenderCount();
    int step = 1;
    for (auto _ : state) {
        view.SetPendingMove(step, 0);
        step = -step;
        QPainter painter(&bench.screen);
        view.OnDraw(painter, area);
        painter.end();
        benchmark::DoNotOptimize(bench.screen.constBits());
    }
    if (view.GetDrawingRenderCount() != renders) {
        state.SkipWithError("the drawing was rendered again while it moved");
    }
    state.counters["area_pixels"] = static_cast<double>(area.width()) * area.height();
    state.counters["drawing_pixels"] =
        static_cast<double>(view.GetRenderedDrawing().width()) * view.GetRenderedDrawing().height();
}
BENCHMARK(BM_RepaintWhileMovingDrawing)->Unit(benchmark::kMicrosecond);

void BM_CopyWorkingImage(benchmark::State& state) {
    Bench& bench = *g_bench;
    const QImage& working = bench.view->GetWorking();
    const QPoint at = bench.view->GetAreaRect().topLeft();
    for (auto _ : state) {
        QPainter painter(&bench.screen);
        painter.drawImage(at, working);
        painter.end();
        benchmark::DoNotOptimize(bench.screen.constBits());
    }
}
BENCHMARK(BM_CopyWorkingImage)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace orv

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    auto prompt = std::make_shared<orv::ScriptedPrompt>();
    orv::ScopedPromptInstall install(prompt);
    benchmark::Initialize(&argc, argv);
    orv::Bench bench;
    orv::g_bench = &bench;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    orv::g_bench = nullptr;
    return 0;
}
