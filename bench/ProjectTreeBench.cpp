// The project tree under a large project: a 10,000-node project opened through TfrmMainApp into the
// tree widget, against the same load into a plain in-memory tree in the same run; one full repaint
// of the widget; and the item-to-record look-up through the hash against a linear search.

#include "app/panes/CViewTreeWidget.h"
#include "core/TypeIds.h"
#include "core/WriteRegistryString.h"
#include "platform/msg/MessageTarget.h"
#include "platform/registry/SettingsStore.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/QFileSystemProjectStorageManagerFactory.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QMainFrame.h"
#include "project/QMediatorProjectFileModel.h"
#include "project/QProjectFile.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace orv {
namespace {

namespace fs = std::filesystem;

constexpr int kModules = 100;
constexpr int kScansPerModule = 99; // with the root: 10,000 nodes

class BenchFrame : public QMainFrame {
public:
    QScanEngineLink* GetScanEngineLink() override { return nullptr; }
    std::optional<std::string> BrowseForFolder(const std::string&) override { return std::nullopt; }
    [[noreturn]] void ExitProgram(int code) override {
        throw std::runtime_error("exit " + std::to_string(code));
    }
    void DisableScreenSaver() override {}
};

// The tree as plain memory: what a load costs without any widget.
class PlainViewTree : public CViewTree {
public:
    void Repaint() override {}
    void SelectNode(QNodeMediator&) override {}
    CTreeItem* AddChild(CTreeItem* parent, int32_t position, const std::string& label,
                        QNodeMediator* mediator, bool) override {
        auto item = std::make_unique<CTreeItem>();
        item->m_name = label;
        item->m_mediator = mediator;
        item->m_parent = parent;
        item->m_depth = parent != nullptr ? parent->m_depth + 1 : 0;
        CTreeItem* added = item.get();
        m_items.push_back(std::move(item));
        auto& siblings = parent != nullptr ? m_children[parent] : m_roots;
        const auto at = position < 0 || static_cast<size_t>(position) > siblings.size()
                            ? siblings.end()
                            : siblings.begin() + position;
        added->m_indexHint = static_cast<int32_t>(at - siblings.begin());
        siblings.insert(at, added);
        return added;
    }
    void DeleteItem(CTreeItem*) override {}
    void SetItemLabel(CTreeItem* item, const std::string& label) override { item->m_name = label; }
    void SetItemImages(CTreeItem* item, int32_t image, int32_t selected) override {
        item->m_modelImage = image;
        item->m_modelSelectedImage = selected;
    }
    QNodeMediator* GetItemMediator(CTreeItem* item) override { return item->m_mediator; }
    void SetItemMediator(CTreeItem* item, QNodeMediator* mediator) override { item->m_mediator = mediator; }
    CTreeItem* GetRootItem() override { return m_roots.empty() ? nullptr : m_roots.front(); }
    CTreeItem* GetParentItem(CTreeItem* item) override { return item->m_parent; }
    CTreeItem* GetFirstChildItem(CTreeItem* item) override {
        const auto found = m_children.find(item);
        return found == m_children.end() || found->second.empty() ? nullptr : found->second.front();
    }
    CTreeItem* GetNextSiblingItem(CTreeItem* item) override {
        const std::vector<CTreeItem*>& siblings =
            item->m_parent != nullptr ? m_children[item->m_parent] : m_roots;
        auto index = static_cast<size_t>(item->m_indexHint);
        if (index >= siblings.size() || siblings[index] != item) {
            index = static_cast<size_t>(std::find(siblings.begin(), siblings.end(), item) - siblings.begin());
        }
        if (index + 1 >= siblings.size()) {
            return nullptr;
        }
        siblings[index + 1]->m_indexHint = static_cast<int32_t>(index + 1);
        return siblings[index + 1];
    }
    CTreeItem* GetSelectedItem() override { return m_selected; }
    void SelectItem(CTreeItem* item) override { m_selected = item; }

private:
    std::vector<std::unique_ptr<CTreeItem>> m_items;
    std::vector<CTreeItem*> m_roots;
    std::unordered_map<CTreeItem*, std::vector<CTreeItem*>> m_children;
    CTreeItem* m_selected = nullptr;
};

struct Bench {
    Bench() {
        folder = fs::temp_directory_path() / ("orv-bench-tree-" + std::to_string(::getpid()));
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
        // The project saved once, then opened by every iteration.
        PlainViewTree tree;
        PlainViewTree tree2;
        auto app = MakeApp(false, tree);
        app->NewProject(1, nullptr);
        TfrmProjectView& view = *app->GetOpenProject();
        CTreeItem* root = tree.GetRootItem();
        for (int m = 0; m < kModules; ++m) {
            CTreeItem* module =
                view.FindRecord(view.AddNode(root, CViewTree::kLast, kTypeModuleNode))->m_item;
            for (int s = 0; s < kScansPerModule; ++s) {
                view.AddNode(module, CViewTree::kLast, kTypeSpectralScanNode);
            }
        }
        path = (folder / "repo" / "Data" / "large.ovp").string();
        if (!app->SaveProjectAs(path)) {
            throw std::runtime_error("the project could not be saved");
        }
        // The load the benchmarks repeat must bring every node back.
        auto check = MakeApp(true, tree2);
        if (!check->OpenProject(1, path, nullptr) ||
            check->GetOpenProject()->GetNodeCount() != view.GetNodeCount()) {
            throw std::runtime_error("the saved project does not load whole");
        }
        nodes = check->GetOpenProject()->GetNodeCount();
    }
    ~Bench() {
        SettingsStore::Instance().SetLocations("", "");
        fs::remove_all(folder);
    }
    std::unique_ptr<TfrmMainApp> MakeApp(bool noPreferences, CViewTree& tree) {
        auto app = std::make_unique<TfrmMainApp>(frame, noPreferences, storage, maker);
        app->RegisterProjectTree(1, &tree);
        return app;
    }

    fs::path folder;
    MessageThread thread;
    BenchFrame frame;
    QNodeFactory::FundamentalMediatorMaker maker;
    std::unique_ptr<QMediatorProjectFileModel> model;
    std::shared_ptr<QFileSystemProjectStorageManagerFactory> storage;
    std::string path;
    size_t nodes = 0;
};

Bench* g_bench = nullptr;

template <class Tree> void OpenProject(benchmark::State& state) {
    for (auto _ : state) {
        auto tree = std::make_unique<Tree>();
        auto app = g_bench->MakeApp(true, *tree);
        if (!app->OpenProject(1, g_bench->path, nullptr) ||
            app->GetOpenProject()->GetNodeCount() != g_bench->nodes) {
            state.SkipWithError("the project did not open");
            return;
        }
        QCoreApplication::processEvents();
        state.PauseTiming();
        app.reset();
        tree.reset();
        state.ResumeTiming();
    }
    state.counters["nodes"] = static_cast<double>(g_bench->nodes);
}

void BM_OpenIntoTreeWidget(benchmark::State& state) {
    OpenProject<CViewTreeWidget>(state);
}
void BM_OpenIntoPlainTree(benchmark::State& state) {
    OpenProject<PlainViewTree>(state);
}

// A loaded widget shown with its modules expanded, shared by the paint and look-up benchmarks.
struct Loaded {
    Loaded() {
        tree.resize(400, 900);
        app = g_bench->MakeApp(true, tree);
        app->OpenProject(1, g_bench->path, nullptr);
        tree.show();
        QCoreApplication::processEvents();
        tree.GetRecords().ForEach([this](CTreeItem& record) { items.push_back(record.m_item); });
        std::mt19937 random(7);
        std::shuffle(items.begin(), items.end(), random);
    }
    CViewTreeWidget tree;
    std::unique_ptr<TfrmMainApp> app;
    std::vector<QTreeWidgetItem*> items;
};

void BM_FullRepaint(benchmark::State& state) {
    Loaded loaded;
    for (auto _ : state) {
        loaded.tree.Repaint();
    }
}

void BM_LookupByHash(benchmark::State& state) {
    Loaded loaded;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(loaded.tree.FindItemRecord(loaded.items[i++ % loaded.items.size()]));
    }
}

void BM_LookupByLinearSearch(benchmark::State& state) {
    Loaded loaded;
    size_t i = 0;
    for (auto _ : state) {
        const QTreeWidgetItem* wanted = loaded.items[i++ % loaded.items.size()];
        CTreeItem* found = nullptr;
        loaded.tree.GetRecords().ForEach([&found, wanted](CTreeItem& record) {
            if (record.m_item == wanted) {
                found = &record;
            }
        });
        benchmark::DoNotOptimize(found);
    }
}

BENCHMARK(BM_OpenIntoPlainTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenIntoTreeWidget)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupByHash);
BENCHMARK(BM_LookupByLinearSearch)->Unit(benchmark::kMicrosecond);

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
