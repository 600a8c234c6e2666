// Scans run from a project window through the in-process engine (the no-scanner driver and the
// placeholder analyser with a fixed seed) into the project's nodes; the project saved, closed and
// opened again by a second window; peaks measured and spatial sub-nodes made and scanned.

#include "core/QDataWriter.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "core/WriteRegistryString.h"
#include "engine/CEngineObjects.h"
#include "platform/CLocale.h"
#include "platform/registry/SettingsStore.h"
#include "platform/sound/Sound.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/CViewTree.h"
#include "project/QFileSystemProjectStorageManagerFactory.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QMainFrame.h"
#include "project/QMediatorProjectFileModel.h"
#include "project/QProjectFile.h"
#include "project/QProjectFileFormat.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "protocol/QCommLayer.h"
#include "protocol/QScanEngineLinkOverController.h"
#include "protocol/QUIBBStateController.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QScanContainer.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/engine/support/EngineTestScopes.h"
#include "tests/protocol/support/CommLayerFakes.h"
#include "tests/protocol/support/PlaceholderEngineRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace orv {

// The project tree's item as this test's tree keeps it.
struct CTreeItem {
    CTreeItem* parent = nullptr;
    std::vector<CTreeItem*> children;
    QNodeMediator* mediator = nullptr;
};

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kWindow = 3;
constexpr uint32_t kSeed = 4711;

template <class Write> Bytes Encode(const Write& write) {
    QCharCounterDataWriter counter;
    write(counter);
    Bytes bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), counter.m_count);
    write(writer);
    return bytes;
}

Bytes ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A node as the project file keeps it: its stored frame (options and container record) and each of
// its scans' records.
struct StoredNode {
    std::string name;
    uint16_t kind = 0;
    Bytes frame;
    std::vector<Bytes> scans;
    bool operator==(const StoredNode&) const = default;
};

std::vector<StoredNode> Describe(const QNodePairList& pairs, QMediatorProjectFileModel& model) {
    std::vector<StoredNode> nodes;
    for (const QNodePair& pair : pairs) {
        QNodeMediator& mediator = *pair.m_node;
        StoredNode node;
        node.name = mediator.GetName();
        node.kind = mediator.GetKind();
        node.frame = Encode([&](QDataWriter& w) { mediator.GetEffectiveNode()->Serialize(w); });
        model.VisitSpectralScans(mediator, [&](const QProjectSpectralScanRecord& record) {
            node.scans.push_back(Encode([&](QDataWriter& w) { WriteSpectralScanRecord(w, record); }));
        });
        model.VisitSpatialScans(mediator, [&](const QProjectSpatialScanRecord& record) {
            node.scans.push_back(Encode([&](QDataWriter& w) { WriteSpatialScanRecord(w, record); }));
        });
        model.VisitSpectralSpatialScans(mediator, [&](const QProjectSpectralSpatialScanRecord& record) {
            node.scans.push_back(
                Encode([&](QDataWriter& w) { WriteSpectralSpatialScanRecord(w, record, false); }));
        });
        nodes.push_back(std::move(node));
    }
    return nodes;
}

// From the first to the last differing byte; the longer length when the sizes differ.
std::size_t DifferingSpan(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size()) {
        return std::max(a.size(), b.size());
    }
    std::size_t first = a.size();
    std::size_t last = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            first = std::min(first, i);
            last = i;
        }
    }
    return first == a.size() ? 0 : last - first + 1;
}

void ExpectSameNodes(const std::vector<StoredNode>& after, const std::vector<StoredNode>& before) {
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(before[i].name);
        EXPECT_EQ(after[i].name, before[i].name);
        EXPECT_EQ(after[i].kind, before[i].kind);
        // A spectral container reads its stored level range back as none and computes it again from
        // the record: every frame is the same.
        EXPECT_EQ(DifferingSpan(after[i].frame, before[i].frame), 0U);
        EXPECT_TRUE(after[i].scans == before[i].scans);
    }
}

// The project tree: items in order, one selected.
class ItemTree final : public CViewTree {
public:
    void Repaint() override {}
    void SelectNode(QNodeMediator& mediator) override { selected = Find(&mediator); }
    CTreeItem* AddChild(CTreeItem* parent, int32_t position, const std::string& /*label*/,
                        QNodeMediator* mediator, bool /*expand*/) override {
        items.push_back(std::make_unique<CTreeItem>());
        CTreeItem* item = items.back().get();
        item->parent = parent;
        item->mediator = mediator;
        std::vector<CTreeItem*>& siblings = Siblings(item);
        const bool atEnd = position < 0 || static_cast<std::size_t>(position) >= siblings.size();
        siblings.insert(atEnd ? siblings.end() : siblings.begin() + position, item);
        return item;
    }
    void DeleteItem(CTreeItem* item) override {
        while (!item->children.empty()) {
            DeleteItem(item->children.back());
        }
        std::erase(Siblings(item), item);
        if (selected == item) {
            selected = nullptr;
        }
        std::erase_if(items, [item](const auto& owned) { return owned.get() == item; });
    }
    void SetItemLabel(CTreeItem* /*item*/, const std::string& /*label*/) override {}
    void SetItemImages(CTreeItem* /*item*/, int32_t /*image*/, int32_t /*selectedImage*/) override {}
    QNodeMediator* GetItemMediator(CTreeItem* item) override { return item->mediator; }
    void SetItemMediator(CTreeItem* item, QNodeMediator* mediator) override { item->mediator = mediator; }
    CTreeItem* GetRootItem() override { return roots.empty() ? nullptr : roots.front(); }
    CTreeItem* GetParentItem(CTreeItem* item) override { return item->parent; }
    CTreeItem* GetFirstChildItem(CTreeItem* item) override {
        return item->children.empty() ? nullptr : item->children.front();
    }
    CTreeItem* GetNextSiblingItem(CTreeItem* item) override {
        std::vector<CTreeItem*>& siblings = Siblings(item);
        auto it = std::find(siblings.begin(), siblings.end(), item);
        return (it == siblings.end() || ++it == siblings.end()) ? nullptr : *it;
    }
    CTreeItem* GetSelectedItem() override { return selected; }
    void SelectItem(CTreeItem* item) override { selected = item; }

private:
    CTreeItem* Find(QNodeMediator* mediator) {
        for (const auto& item : items) {
            if (item->mediator == mediator) {
                return item.get();
            }
        }
        return nullptr;
    }
    std::vector<CTreeItem*>& Siblings(CTreeItem* item) {
        return item->parent ? item->parent->children : roots;
    }

    std::vector<std::unique_ptr<CTreeItem>> items;
    std::vector<CTreeItem*> roots;
    CTreeItem* selected = nullptr;
};

// The program's main frame as the project windows see it: the real engine link.
class LinkMainFrame final : public QMainFrame {
public:
    QScanEngineLink* GetScanEngineLink() override { return link; }
    std::optional<std::string> BrowseForFolder(const std::string& /*title*/) override { return std::nullopt; }
    [[noreturn]] void ExitProgram(int exitCode) override {
        throw std::runtime_error("program ended with " + std::to_string(exitCode));
    }
    void DisableScreenSaver() override {}

    QScanEngineLink* link = nullptr;
};

// The start-up sequence with the built-in devices (the placeholder's driver loaded, state 2) and a
// project window over a temporary repository; the test thread pumps as the user-interface thread.
class ProjectRunTest : public ::testing::Test {
protected:
    ProjectRunTest() {
        m_folder = (std::filesystem::temp_directory_path() /
                    ("orv-projectrun-" + std::to_string(getpid()) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                       .string();
        std::filesystem::remove_all(m_folder);
        m_repository = m_folder + "/repo";
        std::filesystem::create_directories(m_repository + "/Data");
        SettingsStore::Instance().SetLocations(m_folder + "/machine.settings", m_folder + "/user.settings");
        WriteRegistryString(SettingsRoot::CurrentUser, TfrmMainApp::kRepositoriesKey,
                            TfrmMainApp::kLastRepositoryValue, m_repository);
    }
    ~ProjectRunTest() override {
        apps.clear();
        link.reset();
        layer.reset();
        controller.reset();
        engine.reset();
        SettingsStore::Instance().SetLocations("", "");
        std::filesystem::remove_all(m_folder);
    }

    void SetUp() override {
        test::SeedPlaceholderAnalyzer(*engine, kSeed);
        ASSERT_TRUE(test::ConnectPlaceholderRun(*engine, *controller, *layer, frame, ui, link, 60s))
            << ::testing::PrintToString(log.Lines());
        mainFrame.link = link.get();
        log.Clear();
    }

    bool PumpUntil(const std::function<bool()>& condition, std::chrono::seconds bound = 60s) {
        return test::PumpUntil(ui, condition, bound);
    }

    TfrmMainApp& MakeApp(bool noPreferences) {
        auto app = std::make_unique<TfrmMainApp>(
            mainFrame, noPreferences,
            std::make_shared<QFileSystemProjectStorageManagerFactory>(std::make_shared<QProjectFile>(model)),
            maker);
        trees.push_back(std::make_unique<ItemTree>());
        app->RegisterProjectTree(kWindow, trees.back().get());
        apps.push_back(std::move(app));
        return *apps.back();
    }
    ItemTree& Tree() { return *trees.back(); }

    QNodeMediator& AddNode(TfrmMainApp& app, uint16_t kind, const std::string& name) {
        QNodeMediator* node = app.GetOpenProject()->AddNode(Tree().GetRootItem(), CViewTree::kLast, kind);
        EXPECT_NE(node, nullptr);
        node->SetName(name);
        node->GetScanOptions()->SetMeasurePeaks(false);
        return *node;
    }

    std::size_t ScanEnds() const {
        const std::vector<std::string> shown = frame.Shown();
        return static_cast<std::size_t>(std::count_if(shown.begin(), shown.end(), [](const std::string& s) {
            return s.rfind("Notification The scan has", 0) == 0;
        }));
    }
    bool WaitForScanEnd(std::size_t before) {
        return PumpUntil([&] { return ScanEnds() > before && controller->GetState() == 2; });
    }
    // Run Once through the project window, with the node selected as the user would.
    bool RunSelected(TfrmMainApp& app, QNodeMediator& node) {
        const std::size_t before = ScanEnds();
        Tree().SelectNode(node);
        return app.RunScan() && WaitForScanEnd(before);
    }
    std::string LastShown() const {
        const std::vector<std::string> shown = frame.Shown();
        return shown.empty() ? std::string() : shown.back();
    }
    std::string Diagnostics() const {
        std::string text;
        for (const auto& lines : {log.Lines(), frame.Shown(), prompt->Texts()}) {
            for (const std::string& line : lines) {
                text += line + "\n";
            }
            text += "--\n";
        }
        return text;
    }
    std::vector<QProjectSpectralScanRecord> SpectralRecords(QNodeMediator& node) {
        std::vector<QProjectSpectralScanRecord> records;
        model.VisitSpectralScans(node, [&](const QProjectSpectralScanRecord& r) { records.push_back(r); });
        return records;
    }
    std::string ProjectPath() const { return m_repository + "/Data/Board/Board"; }

    std::string m_folder;
    std::string m_repository;
    test::TemporaryUserDataFolder userData{"orv-projectrun"};
    test::EnvironmentValue libraries{"ORV_VISA_LIBRARIES", std::string()};
    test::EnvironmentValue resources{"ORV_VISA_RESOURCES", std::string()};
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    std::vector<int32_t> sounds;
    ScopedSoundPlayer soundInstall{[this](int32_t id) { sounds.push_back(id); }};
    test::LogCapture log;
    MessageThread ui;
    test::FakeMainFrame frame{ui};
    std::unique_ptr<CEngineObjects> engine = std::make_unique<CEngineObjects>();
    std::unique_ptr<QUIBBStateController> controller = std::make_unique<QUIBBStateController>(ui);
    std::unique_ptr<QCommLayer> layer = std::make_unique<QCommLayer>();
    std::unique_ptr<QScanEngineLinkOverController> link;
    LinkMainFrame mainFrame;
    QNodeFactory::FundamentalMediatorMaker maker = QFundamentalNodeMediator::MakeMaker(ui, &mainFrame);
    QMediatorProjectFileModel model{maker};
    std::vector<std::unique_ptr<ItemTree>> trees;
    std::vector<std::unique_ptr<TfrmMainApp>> apps;
    // Last: taken back after the engine and the link are gone.
    test::PlaceholderRunRegistries registries;
};

TEST_F(ProjectRunTest, ScansRunInAProjectAreSavedAndOpenedAgainByteForByte) {
    std::vector<StoredNode> before;
    {
        TfrmMainApp& app = MakeApp(false);
        ASSERT_TRUE(app.NewProject(kWindow, nullptr));
        QNodeMediator& spectral = AddNode(app, 2003, "Spectral");
        QProbeScanPattern pattern;
        ASSERT_TRUE(pattern.Resize(29, 42));
        pattern.SetProbeInRange(0, 0, 1, 2, 1);
        spectral.GetFirstProbePatternOptions()->SetPattern(pattern);
        ASSERT_TRUE(RunSelected(app, spectral)) << Diagnostics();
        EXPECT_EQ(LastShown(), "Notification The scan has completed ! ");
        EXPECT_EQ(sounds.back(), 376);

        const std::vector<QProjectSpectralScanRecord> records = SpectralRecords(spectral);
        ASSERT_EQ(records.size(), 1U);
        const QProjectSpectralScanRecord& scan = records[0];
        EXPECT_EQ(scan.m_header.m_scanId, 1U);
        EXPECT_TRUE(scan.m_header.m_texts[1].ends_with(",  29 x 42")) << scan.m_header.m_texts[1];
        EXPECT_TRUE(scan.m_header.m_texts[3].ends_with(";   Null,Null,Null,Null"))
            << scan.m_header.m_texts[3];
        // Each point: amplitude, row and column, 16 bits each; only the pattern's six cells measure.
        ASSERT_EQ(scan.m_points.size(), scan.m_pointCount * 6U);
        ASSERT_GT(scan.m_pointCount, 0U);
        int nonZero = 0;
        for (uint32_t i = 0; i < scan.m_pointCount; ++i) {
            const auto level = test::ValueAt<int16_t>(scan.m_points, i * 6U);
            const auto row = test::ValueAt<int16_t>(scan.m_points, i * 6U + 2);
            const auto column = test::ValueAt<int16_t>(scan.m_points, i * 6U + 4);
            if (level != 0) {
                ++nonZero;
                EXPECT_TRUE(row >= 0 && row <= 1 && column >= 0 && column <= 2) << row << "," << column;
            }
        }
        EXPECT_LE(nonZero, 6);
        {
            QScanContainer* container = spectral.AcquireScanContainer();
            ASSERT_NE(container, nullptr);
            float start = 0.0F;
            float stop = 0.0F;
            container->GetFrequencyRange(&start, &stop);
            EXPECT_EQ(start, spectral.GetScanOptions()->GetStartFrequency());
            EXPECT_EQ(stop, spectral.GetScanOptions()->GetStopFrequency());
            spectral.UnlockScanContainer();
        }

        QNodeMediator& cells = AddNode(app, 2005, "Cells");
        ASSERT_FALSE(cells.GetMakeSpatialSubNodes());
        ASSERT_TRUE(RunSelected(app, cells)) << Diagnostics();
        EXPECT_EQ(controller->GetCurrentSetupScan().GetScanKind(), 101);
        EXPECT_EQ(cells.GetScanDataCount(), 1U);
        EXPECT_TRUE(cells.GetContainer()->GetChildMediators(cells).empty());
        {
            QScanContainer* container = cells.AcquireScanContainer();
            ASSERT_NE(container, nullptr);
            float start = 0.0F;
            float stop = 0.0F;
            container->GetFrequencyRange(&start, &stop);
            EXPECT_EQ(start, controller->GetCurrentSetupScan().GetStartFrequency());
            EXPECT_EQ(stop, controller->GetCurrentSetupScan().GetStopFrequency());
            cells.UnlockScanContainer();
        }
        EXPECT_TRUE(prompt->Texts().empty()) << Diagnostics();

        ASSERT_TRUE(app.SaveProjectAs(ProjectPath())) << Diagnostics();
        before = Describe(app.GetOpenProject()->GetPairList(), model);
        app.CloseProject();
    }
    ASSERT_EQ(before.size(), 4U); // Preferences, project root, the two scan nodes
    const Bytes firstSave = ReadFile(ProjectPath());

    std::vector<Bytes> saves;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        TfrmMainApp& app = MakeApp(true);
        ASSERT_TRUE(app.OpenProject(kWindow, ProjectPath(), nullptr)) << Diagnostics();
        ExpectSameNodes(Describe(app.GetOpenProject()->GetPairList(), model), before);
        ASSERT_TRUE(app.SaveProject()) << Diagnostics();
        saves.push_back(ReadFile(ProjectPath()));
        app.CloseProject();
    }
    EXPECT_EQ(DifferingSpan(saves[0], firstSave), 0U) << saves[0].size() << " and " << firstSave.size();
    EXPECT_EQ(DifferingSpan(saves[1], saves[0]), 0U) << saves[0].size() << " and " << saves[1].size();
    EXPECT_TRUE(prompt->Texts().empty()) << Diagnostics();
}

TEST_F(ProjectRunTest, WithTheSeedFixedTwoRunsGiveTheSamePointsAndAStoppedRunIsKept) {
    TfrmMainApp& app = MakeApp(false);
    ASSERT_TRUE(app.NewProject(kWindow, nullptr));
    QNodeMediator& spectral = AddNode(app, 2003, "Spectral");
    ASSERT_TRUE(RunSelected(app, spectral)) << Diagnostics();
    ASSERT_TRUE(RunSelected(app, spectral)) << Diagnostics();
    std::vector<QProjectSpectralScanRecord> records = SpectralRecords(spectral);
    ASSERT_EQ(records.size(), 2U);
    EXPECT_GT(records[0].m_pointCount, 0U);
    EXPECT_EQ(records[0].m_pointCount, records[1].m_pointCount);
    EXPECT_TRUE(records[0].m_points == records[1].m_points);

    // Continuously, as the tree runs it, stopped after the second spectrum.
    const std::size_t ends = ScanEnds();
    ASSERT_TRUE(link->RunScan(spectral, true));
    ASSERT_TRUE(PumpUntil([&] {
        return controller->GetState() == QUIBBStateController::kScanning && spectral.GetScanDataCount() >= 4;
    })) << Diagnostics();
    ASSERT_TRUE(app.StopScan());
    ASSERT_TRUE(WaitForScanEnd(ends)) << Diagnostics();
    EXPECT_EQ(LastShown(), "Notification The scan has terminated ! ");
    const std::vector<std::string> shown = frame.Shown();
    EXPECT_TRUE(std::find(shown.begin(), shown.end(), "ScanStatus -4") != shown.end());
    const std::size_t kept = spectral.GetScanDataCount();
    EXPECT_GE(kept, 3U);

    ASSERT_TRUE(app.SaveProjectAs(ProjectPath())) << Diagnostics();
    const std::vector<StoredNode> saved = Describe(app.GetOpenProject()->GetPairList(), model);
    app.CloseProject();
    TfrmMainApp& again = MakeApp(true);
    ASSERT_TRUE(again.OpenProject(kWindow, ProjectPath(), nullptr)) << Diagnostics();
    ExpectSameNodes(Describe(again.GetOpenProject()->GetPairList(), model), saved);
    EXPECT_TRUE(prompt->Texts().empty()) << Diagnostics();
}

TEST_F(ProjectRunTest, MeasuredPeaksReachTheScanAndSpatialSubNodesAreMadeWithTheirPasses) {
    TfrmMainApp& app = MakeApp(false);
    ASSERT_TRUE(app.NewProject(kWindow, nullptr));
    QNodeMediator& spectral = AddNode(app, 2003, "Spectral");
    spectral.GetScanOptions()->SetMeasurePeaks(true);
    ASSERT_TRUE(RunSelected(app, spectral)) << Diagnostics();
    EXPECT_EQ(spectral.GetScanDataCount(), 1U);
    const std::vector<std::string> lines = log.Lines();
    const auto logged = std::find_if(
        lines.begin(), lines.end(), [](const std::string& line) { return line.starts_with("peak data = "); });
    ASSERT_NE(logged, lines.end()) << Diagnostics();
    const uint32_t peaks = static_cast<uint32_t>(std::stoi(logged->substr(12)));
    ASSERT_GT(peaks, 0U);
    {
        QScanContainer* container = spectral.AcquireScanContainer();
        ASSERT_NE(container, nullptr);
        const QMeasuredFrequencyData& measured = container->GetMeasuredFrequencyData();
        EXPECT_EQ(measured.GetEntryCount(), peaks);
        for (uint32_t k = 0; k < measured.GetEntryCount(); ++k) {
            EXPECT_GE(measured.GetEntryFrequency(k), 10.0F);
            EXPECT_LE(measured.GetEntryFrequency(k), 100.0F);
        }
        spectral.UnlockScanContainer();
    }
    const std::vector<QProjectSpectralScanRecord> records = SpectralRecords(spectral);
    ASSERT_EQ(records.size(), 1U);
    EXPECT_EQ(static_cast<uint32_t>(records[0].m_extraCount), peaks);

    EXPECT_TRUE(prompt->Texts().empty()) << Diagnostics();

    // A spectral/spatial node that makes its sub-nodes: one spatial child per measured frequency,
    // whose passes follow in the same run; a second run replaces them. (The placeholder analyser
    // measures no spatial cells, so only the passes' set-ups are looked at.)
    QNodeMediator& cells = AddNode(app, 2005, "Cells");
    cells.GetScanOptions()->SetMeasurePeaks(true);
    cells.SetMakeSpatialSubNodes(true);
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        log.Clear();
        ASSERT_TRUE(RunSelected(app, cells)) << Diagnostics();
        EXPECT_EQ(cells.GetScanDataCount(), 1U);
        std::vector<float> frequencies;
        {
            QScanContainer* container = cells.AcquireScanContainer();
            const QMeasuredFrequencyData& measured = container->GetMeasuredFrequencyData();
            for (uint32_t k = 0; k < measured.GetEntryCount(); ++k) {
                frequencies.push_back(measured.GetEntryFrequency(k));
            }
            cells.UnlockScanContainer();
        }
        ASSERT_FALSE(frequencies.empty()) << Diagnostics();
        const std::vector<QNodeMediator*> children = cells.GetContainer()->GetChildMediators(cells);
        ASSERT_EQ(children.size(), frequencies.size());
        std::vector<std::string> sent;
        const std::vector<std::string> lines = log.Lines();
        for (std::size_t i = 0; i + 2 < lines.size(); ++i) {
            if (lines[i] == "Scan type = 100.") {
                for (std::size_t j = i; j < lines.size() && j < i + 400; ++j) {
                    if (lines[j].starts_with("Start frequency = ")) {
                        sent.push_back(lines[j]);
                        break;
                    }
                }
            }
        }
        ASSERT_EQ(sent.size(), children.size()) << Diagnostics();
        for (std::size_t k = 0; k < children.size(); ++k) {
            EXPECT_EQ(children[k]->GetKind(), kTypeSpatialScanNode);
            EXPECT_EQ(children[k]->GetName(),
                      FormatC("spatial - %8.3f MHz", static_cast<double>(frequencies[k])));
            EXPECT_EQ(sent[k], FormatC("Start frequency = %f.", static_cast<double>(frequencies[k])));
        }
        EXPECT_EQ(controller->GetCurrentSetupScan().GetScanKind(), 100);
        EXPECT_EQ(controller->GetState(), 2);
    }
}

} // namespace
} // namespace orv
