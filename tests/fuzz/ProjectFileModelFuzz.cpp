// Fuzz entry for the project file over the real node model: nodes made by the node factory with their
// mediators, scans handed to the mediators' add operations, links and report selections resolved.
// Any input must end in a loaded project or one of the system's own exceptions, never a crash, an
// overrun or an unbounded allocation; whatever loads must be writable again.
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "core/TypeIds.h"
#include "platform/debug/DebugOutput.h"
#include "project/QMediatorFileFields.h"
#include "project/QMediatorProjectFileModel.h"
#include "project/QNode.h"
#include "project/QNodeMediator.h"
#include "project/QProjectFile.h"
#include "project/QProxyNodeMediator.h"
#include "project/QScanDataRecord.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string_view>
#include <vector>

namespace {

using namespace orv;

// The mediator that owns a node, with what the project file keeps beside the node: the IDs of the
// reference nodes linked to it (its data block), the node values and the report text.
class FuzzFundamentalMediator : public QNodeMediator, public QMediatorFileFields {
public:
    ~FuzzFundamentalMediator() override {
        const std::set<QNodeMediator*> linked = m_linked;
        for (QNodeMediator* proxy : linked) {
            proxy->Unlink();
        }
    }

    QNode* GetNode() override { return m_node.get(); }
    void SetNode(std::unique_ptr<QNode> node) override { m_node = std::move(node); }
    std::string GetName() override { return m_node ? m_node->GetName() : std::string(); }
    uint32_t GetNodeID() override { return m_node ? m_node->GetID() : 0xFFFFFFFFU; }
    void Detach() override {}
    bool IsScanning() override { return false; }
    bool IsBusy() override { return false; }
    bool HasScanData() override { return false; }
    bool GetCompensationSettings(QScanCompensationSettings& /*out*/) const override { return false; }
    int GetSpatialDisplayUnit() const override { return 1; }
    int GetSpectralDisplayUnit() const override { return 1; }
    void AddLinkedProxy(QNodeMediator& proxy) override { m_linked.insert(&proxy); }
    void RemoveLinkedProxy(QNodeMediator& proxy) override { m_linked.erase(&proxy); }

    uint32_t GetDataSize() override { return 4 + 4 * static_cast<uint32_t>(m_linked.size()); }
    void WriteData(QDataWriter& writer) override {
        writer.WriteU32(static_cast<uint32_t>(m_linked.size()));
        for (QNodeMediator* proxy : m_linked) {
            writer.WriteU32(proxy->GetNodeID());
        }
    }
    void ReadData(QDataReader& reader) override {
        const uint32_t count = reader.ReadU32();
        for (uint32_t i = 0; i < count; ++i) {
            m_pending.push_back(reader.ReadU32());
        }
    }

    std::vector<uint32_t> TakePendingLinks() override {
        std::vector<uint32_t> links;
        links.swap(m_pending);
        return links;
    }
    QProjectNodeValues GetNodeValues() const override { return m_values; }
    void SetNodeValues(const QProjectNodeValues& values) override { m_values = values; }
    std::string GetReportText() const override { return m_reportText; }
    void SetReportText(std::string text) override { m_reportText = std::move(text); }

private:
    std::unique_ptr<QNode> m_node;
    std::set<QNodeMediator*> m_linked;
    std::vector<uint32_t> m_pending;
    QProjectNodeValues m_values;
    std::string m_reportText;
};

std::unique_ptr<QNodeMediator> MakeFundamental() {
    return std::make_unique<FuzzFundamentalMediator>();
}

// Proxies leave their targets first, then every mediator goes.
void FreeMediators(QNodePairList& pairs) {
    std::set<QNodeMediator*> distinct;
    for (const QNodePair& pair : pairs) {
        distinct.insert(pair.m_node);
    }
    for (QNodeMediator* mediator : distinct) {
        if (auto* proxy = dynamic_cast<QProxyNodeMediator*>(mediator)) {
            proxy->Unlink();
        }
    }
    for (QNodeMediator* mediator : distinct) {
        delete mediator;
    }
    pairs.clear();
}

std::vector<uint8_t> Written(QProjectFile& file, const QNodePairList& pairs, uint32_t nextNodeId) {
    QCharCounterDataWriter counter;
    file.WriteProject(counter, nullptr, pairs, nextNodeId);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), counter.m_count);
    file.WriteProject(writer, nullptr, pairs, nextNodeId);
    return bytes;
}

QScanDataRecord Record(int32_t id, bool zelt) {
    QScanDataRecord record;
    record.m_ScanId = id;
    record.m_Texts = {"user", "analyser", "module", "date", "head", "last"};
    record.m_StartFrequency = 30.0F;
    record.m_StopFrequency = 1000.0F;
    record.m_ResolutionBandwidth = 0.5F;
    record.m_IsZeltData = zelt ? 1 : 0;
    record.m_ZeltLevel = zelt ? 1 : 0;
    record.m_Area.m_Variant = zelt ? 1 : 0;
    record.m_SettingsBytes = {1, 2};
    record.m_Rows = 2;
    record.m_Columns = 2;
    return record;
}

void AddScans(QNodeMediator& mediator, uint16_t kind, int32_t id, bool zelt) {
    switch (kind) {
    case kTypeSpectralScanNode: {
        QSpectralScanAddition addition;
        addition.m_Record = Record(id, zelt);
        addition.m_Markers = {{0, 1}};
        addition.m_HasPoints = true;
        if (zelt) {
            addition.m_ZeltPoints = {{-20.0F, 0, 1, 1, 0}, {-10.0F, 1, 1, 0, 1}};
        } else {
            addition.m_MirtPoints = {{-90, 0, 1}, {-40, 1, 0}};
        }
        addition.m_MeasuredFrequencies = {{1, 100.5F}};
        mediator.AddSpectralScanData(std::move(addition), false, false);
        break;
    }
    case kTypeSpatialScanNode: {
        QSpatialScanAddition addition;
        addition.m_Record = Record(id, zelt);
        addition.m_Record.m_SpatialBytes = {3, 4};
        if (zelt) {
            addition.m_ZeltRecords = {1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0x20, 0x41};
        } else {
            addition.m_Values = {10, 30000, -5, 7};
        }
        mediator.AddSpatialScanData(std::move(addition), false, false);
        break;
    }
    default:
        for (uint32_t cell = 1; cell <= 2; ++cell) {
            QCellAddition addition;
            addition.m_CellIndex = cell;
            addition.m_CellCount = 2;
            addition.m_Record = Record(id, zelt);
            addition.m_Record.m_ThirdFlag = 5;
            addition.m_CellWord1 = static_cast<uint16_t>(cell - 1);
            addition.m_CellWord2 = 1;
            addition.m_CellWord3 = 0xFFFE;
            addition.m_CellValue = 250.0F;
            addition.m_HasValues = true;
            addition.m_Values = {-30, 12};
            addition.m_ZeltWords = {static_cast<uint16_t>(cell - 1), 1, 0, 1};
            addition.m_ZeltValues = {-3.5F, 7.5F};
            if (kind == kTypeHandHeldProbeScanNode) {
                mediator.AddHandHeldProbeScanData(std::move(addition), false);
            } else {
                mediator.AddSpectralSpatialScanData(std::move(addition), false);
            }
        }
        break;
    }
}

} // namespace

// A project of this program's own making: the Preferences node and the root, then what a seed adds.
class SeedProject {
public:
    SeedProject() {
        Add(kTypePreferencesNode, nullptr);
        m_root = Add(kTypeProjectNode, nullptr);
    }
    ~SeedProject() { FreeMediators(m_pairs); }
    SeedProject(const SeedProject&) = delete;
    SeedProject& operator=(const SeedProject&) = delete;

    QNodeMediator* Add(uint16_t kind, QNodeMediator* parent) {
        QNodeMediator* mediator =
            m_factory.CreateNodeWithMediator(parent, nullptr, kind, nullptr, true).release();
        mediator->SetKind(kind);
        m_pairs.push_back({mediator, parent != nullptr ? parent : mediator});
        return mediator;
    }
    // A scan node under the root holding a scan of each representation.
    QNodeMediator* AddScanNode(uint16_t kind) {
        QNodeMediator* node = Add(kind, m_root);
        AddScans(*node, kind, 1, false);
        AddScans(*node, kind, 2, true);
        return node;
    }
    QNodeMediator* Root() const { return m_root; }
    std::vector<uint8_t> Write() {
        QMediatorProjectFileModel model(MakeFundamental);
        QProjectFile file(model, {5, 1, 2, 0});
        return Written(file, m_pairs, 20);
    }

private:
    QNodeFactory m_factory{MakeFundamental};
    QNodePairList m_pairs;
    QNodeMediator* m_root = nullptr;
};

// The inputs for the fuzzer and the replay to start from: every node kind with a kind section, the
// scans of each kind, node values, a link, a compared scan, script definitions and a report's
// selection and text, spread over small projects. Each node's frame alone is about ten kilobytes and a
// scan node's load costs far more, so a project of every kind at once made each input a hundred times
// slower than one of a single kind; the fuzzer's cross-overs still put them together.
std::vector<std::vector<uint8_t>> ProjectFileModelFuzzSeeds() {
    std::vector<std::vector<uint8_t>> seeds;
    seeds.push_back(SeedProject().Write());
    for (uint16_t kind : {kTypeSpectralScanNode, kTypeSpatialScanNode, kTypeSpectralSpatialScanNode,
                          kTypeHandHeldProbeScanNode}) {
        SeedProject project;
        QNodeMediator* node = project.AddScanNode(kind);
        if (kind == kTypeSpectralSpatialScanNode) {
            dynamic_cast<QMediatorFileFields&>(*node).SetNodeValues({1, {1.0F, 2.0F, 3.0F}});
        }
        seeds.push_back(project.Write());
    }
    {
        SeedProject project;
        QNodeMediator* spectral = project.AddScanNode(kTypeSpectralScanNode);
        QNodeMediator* comparison = project.Add(kTypeSpectralComparisonNode, project.Root());
        comparison->SetComparedScan(true, spectral->FindSpectralScanData(1)->Clone());
        QNodeMediator* reference = project.Add(kTypeSpectralScanReferenceNode, project.Root());
        dynamic_cast<QProxyNodeMediator&>(*reference).LinkToTarget(*spectral);
        QNodeMediator* report = project.Add(kTypeWordReportNode, project.Root());
        report->SetReportBuffers({{static_cast<int32_t>(spectral->GetNodeID()), {2, 1}}});
        dynamic_cast<QMediatorFileFields&>(*report).SetReportText("text");
        seeds.push_back(project.Write());
    }
    {
        SeedProject project;
        project.Add(kTypeSpectralSpatialScriptingModuleNode, project.Root())
            ->GetScriptDefinitions()
            .push_back({1.0F, 2.0F, 0.5F, ""});
        seeds.push_back(project.Write());
    }
    return seeds;
}

// Every node made and freed says so on the debug output: written to standard error, once per node
// of every input, it would cost more than the loading.
extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    SetDebugOutputSink([](std::string_view /*text*/) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto length = static_cast<uint32_t>(size > 0xFFFFFFFFU ? 0xFFFFFFFFU : size);
    QCharArrayDataReader reader(data, length);
    QMediatorProjectFileModel model(MakeFundamental);
    QProjectFile file(model, {5, 1, 2, 0});
    QNodePairList pairs;
    try {
        const QProjectFile::LoadResult result = file.ReadProject(reader, nullptr, pairs);
        if (result.m_loaded) {
            QCharCounterDataWriter counter;
            file.WriteProject(counter, nullptr, pairs, result.m_nextNodeId);
        }
    } catch (const QException&) {
        // Rejected input is the expected outcome for most of what a fuzzer makes.
    }
    FreeMediators(pairs);
    return 0;
}
