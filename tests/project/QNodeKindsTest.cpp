#include "project/QNodeKinds.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "core/TypeIds.h"
#include "platform/ui/WaitCursor.h"
#include "project/QNodeFactory.h"
#include "project/QNodeMediator.h"
#include "project/QProjectStorageManager.h"
#include "project/QViewRequest.h"
#include "scandata/QSpatialScanContainer.h"
#include "tests/platform/support/RecordingWaitCursor.h"
#include "tests/project/support/WiredNodeMediator.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace {

std::unique_ptr<QNode> MakeNode(uint16_t type) {
    QNodeFactory factory;
    return factory.CreateNode(type, false);
}

struct KindRow {
    uint16_t type;
    const char* label;
    int32_t image;
    int32_t viewKind;
    bool runnable;
    bool continuous;
    int32_t linkWord0;
    int32_t linkWord1;
    const char* views; // s spectral, p spatial, n note, o overlay
    int commands;      // 1 enables, 0 disables, -1 leaves the flag alone
};

const std::vector<KindRow>& KindTable() {
    static const std::vector<KindRow> table = {
        {2000, "Preferences", -1, 0, false, false, 0, 0, "", -1},
        {2001, "Module", 4, 1, false, false, 0, 1, "", 1},
        {2003, "Spectral", 2, 2, true, true, 0, 1, "s", 1},
        {2004, "Spatial", 1, 3, true, true, 0, 1, "p", 1},
        {2005, "Spectral/Spatial", 5, 2, true, false, 0, 1, "sp", 1},
        {2006, "Note", 3, 4, false, false, 0, 0, "n", -1},
        {2007, "Project", 0, 1, false, false, 0, 1, "", 0},
        {2008, "", 6, 0, false, false, 2, 2, "", -1},
        {2009, "", 7, 0, false, false, 2, 2, "", -1},
        {2010, "Compare Spectral", 8, 2, false, false, 0, 1, "s", 1},
        {2011, "Compare Spatial", 9, 3, false, false, 0, 1, "p", 1},
        {2012, "Spectral Overlay", 10, 2, false, false, 0, 1, "s", 1},
        {2013, "Overlay", 11, 5, false, false, 0, 1, "o", -1},
        {2014, "Spectral Spatial Scripting", 4, 1, false, false, 0, 1, "", 1},
        {2015, "Current Clamp Module", 4, 2, true, false, 0, 0, "s", 1},
        {2016, "Cable Scan", 14, 2, true, true, 0, 1, "s", -1},
        {2017, "Report Generator", 13, 1, false, false, 0, 1, "", -1},
        {2018, "Ambient Scan", 15, 2, true, true, 0, 1, "s", -1},
        {2019, "", 6, 0, false, false, 2, 2, "", -1},
        {2023, "Antenna Position Scan", 16, 2, true, true, 0, 1, "s", -1},
        {2024, "Near Field Spectral Scan", 2, 2, true, true, 0, 1, "s", 1},
        {2025, "Far Field Ambient Scan", 16, 2, true, true, 0, 1, "s", -1},
        {2026, "Antenna Scan", 16, 2, true, true, 0, 1, "s", -1},
        {2027, "Antenna Scan Module", 17, 2, true, true, 0, 1, "s", -1},
        {2028, "Spectral Spatial Scripting", 18, 2, true, true, 0, 1, "s", -1},
        {2029, "Handheld Probe", 19, 2, true, false, 0, 1, "sp", 1},
        {2030, "Blind Spot Reduction", 20, 3, false, false, 0, 1, "p", 1},
        {2033, "Spectral/Spatial User composite", 5, 2, true, false, 0, 1, "sp", 1},
    };
    return table;
}

TEST(QNodeKindsTest, EveryKindAnswersItsRowOfTheKindTable) {
    wiring::WiredNodeMediator mediator;
    for (const KindRow& row : KindTable()) {
        SCOPED_TRACE(row.type);
        std::unique_ptr<QNode> node = MakeNode(row.type);
        node->SetMediator(&mediator);
        EXPECT_EQ(node->GetLabel(), row.label);
        EXPECT_EQ(node->GetName(), row.label);
        EXPECT_EQ(node->GetImageIndex(), row.image);
        EXPECT_EQ(node->GetViewKind(), row.viewKind);
        EXPECT_EQ(node->IsRunnable(), row.runnable);
        EXPECT_EQ(node->CanRunContinuously(), row.continuous);
        std::unique_ptr<QNode> other = MakeNode(kTypeSpectralScanNode);
        EXPECT_EQ(node->GetLinkMode(0, other.get()), row.linkWord0);
        EXPECT_EQ(node->GetLinkMode(1, other.get()), row.linkWord1);
        EXPECT_EQ(node->GetLinkMode(7, nullptr), row.linkWord1);

        const std::string views = row.views;
        std::unique_ptr<QViewRequest> spectral = node->CreateSpectralViewRequest();
        std::unique_ptr<QViewRequest> spatial = node->CreateSpatialViewRequest();
        std::unique_ptr<QViewRequest> note = node->CreateNoteViewRequest();
        std::unique_ptr<QViewRequest> overlay = node->CreateOverlayViewRequest();
        EXPECT_EQ(spectral != nullptr, views.find('s') != std::string::npos);
        EXPECT_EQ(spatial != nullptr, views.find('p') != std::string::npos);
        EXPECT_EQ(note != nullptr, views.find('n') != std::string::npos);
        EXPECT_EQ(overlay != nullptr, views.find('o') != std::string::npos);
        if (auto* request = dynamic_cast<QNoteViewRequest*>(note.get())) {
            EXPECT_EQ(request->GetMediator(), &mediator);
        }

        QNodeCommandState state(&mediator);
        state.m_commandsEnabled = 7;
        node->EnableCommands(state);
        EXPECT_EQ(state.m_commandsEnabled, row.commands < 0 ? 7 : row.commands);
        node->SetMediator(nullptr);
    }
}

TEST(QNodeKindsTest, ViewRequestsPointTheirListenerBackAndStartAtTheirDefaults) {
    std::unique_ptr<QNode> node = MakeNode(kTypeSpectralSpatialScanNode);
    std::unique_ptr<QViewRequest> spectralRequest = node->CreateSpectralViewRequest();
    auto* spectral = dynamic_cast<QSpectralViewRequest*>(spectralRequest.get());
    ASSERT_NE(spectral, nullptr);
    EXPECT_EQ(spectral->GetListenerProxy().GetTarget(), spectral);
    EXPECT_TRUE(spectral->m_text.empty());
    EXPECT_FLOAT_EQ(spectral->m_startFrequency, 10.0F);
    EXPECT_FLOAT_EQ(spectral->m_stopFrequency, 100.0F);
    spectral->GetListener().OnStateChange(3);
    EXPECT_EQ(spectral->GetLastState(), 3U);

    std::unique_ptr<QViewRequest> spatialRequest = node->CreateSpatialViewRequest();
    auto* spatial = dynamic_cast<QSpatialViewRequest*>(spatialRequest.get());
    ASSERT_NE(spatial, nullptr);
    EXPECT_EQ(spatial->GetListenerProxy().GetTarget(), spatial);
    EXPECT_EQ(spatial->m_pattern.GetRows(), 64);
    EXPECT_EQ(spatial->m_pattern.GetColumns(), 64);
    for (uint32_t word : spatial->m_header) {
        EXPECT_EQ(word, 0U);
    }
}

// --- Accepted children ---

// Nodes wired into a tree through their mediators, as the factory wires them.
class NodeTree {
public:
    QNodeMediator& Add(uint16_t type, QNodeMediator* parent) {
        QNodeFactory factory(wiring::MakeWiredMediator);
        m_mediators.push_back(factory.CreateNodeWithMediator(parent, nullptr, type, nullptr, false));
        return *m_mediators.back();
    }

private:
    std::vector<std::unique_ptr<QNodeMediator>> m_mediators;
};

bool Accepts(QNodeMediator& parent, QNodeMediator& child) {
    return parent.GetNode()->CanAcceptChild(0, child.GetNode());
}

TEST(QNodeKindsTest, AcceptedChildrenFollowTheKindListsAndTheAncestorRule) {
    NodeTree tree;
    QNodeMediator& project = tree.Add(kTypeProjectNode, nullptr);
    QNodeMediator& outer = tree.Add(kTypeModuleNode, &project);
    QNodeMediator& inner = tree.Add(kTypeModuleNode, &outer);
    QNodeMediator& sibling = tree.Add(kTypeModuleNode, &project);
    QNodeMediator& spectral = tree.Add(kTypeSpectralScanNode, &outer);
    QNodeMediator& spatial = tree.Add(kTypeSpatialScanNode, &outer);
    QNodeMediator& note = tree.Add(kTypeNoteNode, &outer);
    QNodeMediator& range = tree.Add(kTypeDifferentRangeScanModuleNode, &project);
    QNodeMediator& script = tree.Add(kTypeSpectralSpatialScriptingModuleNode, &project);
    QNodeMediator& innerScript = tree.Add(kTypeSpectralSpatialScriptingModuleNode, &script);
    QNodeMediator& otherScript = tree.Add(kTypeSpectralSpatialScriptingModuleNode, &project);

    // A Module onto itself or onto its own descendant is refused; another Module is taken.
    EXPECT_FALSE(Accepts(outer, outer));
    EXPECT_FALSE(Accepts(inner, outer));
    EXPECT_TRUE(Accepts(outer, sibling));
    EXPECT_TRUE(Accepts(inner, sibling));
    EXPECT_TRUE(Accepts(sibling, inner));

    EXPECT_TRUE(Accepts(project, note));
    EXPECT_TRUE(Accepts(project, range));
    EXPECT_FALSE(Accepts(project, script));
    EXPECT_TRUE(Accepts(script, otherScript));
    EXPECT_FALSE(Accepts(innerScript, script));
    EXPECT_FALSE(Accepts(script, range));

    EXPECT_TRUE(Accepts(spectral, spatial));
    EXPECT_FALSE(Accepts(spatial, spectral));
    EXPECT_TRUE(Accepts(spatial, note));

    EXPECT_FALSE(project.GetNode()->CanAcceptChild(0, nullptr));
}

TEST(QNodeKindsTest, ReferenceAndSingleChildKindsTakeOnlyTheirKind) {
    struct Case {
        uint16_t parent;
        uint16_t child;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {2008, 2003, true},  {2008, 2004, false}, {2009, 2004, true},  {2019, 2018, true},
        {2019, 2003, false}, {2010, 2006, true},  {2010, 2013, false}, {2011, 2013, true},
        {2030, 2013, true},  {2017, 2006, true},  {2016, 2006, true},  {2016, 2016, false},
        {2028, 2028, false}, {2000, 2006, false}, {2006, 2006, false}, {2015, 2006, false},
        {2005, 2013, true},  {2033, 2005, false}, {2007, 2014, false}, {2014, 2028, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.parent << " <- " << c.child);
        std::unique_ptr<QNode> parent = MakeNode(c.parent);
        std::unique_ptr<QNode> child = MakeNode(c.child);
        EXPECT_EQ(parent->CanAcceptChild(0, child.get()), c.accepted);
    }
}

TEST(QNodeKindsTest, ADamagedParentChainEnds) {
    NodeTree tree;
    QNodeMediator& first = tree.Add(kTypeModuleNode, nullptr);
    QNodeMediator& second = tree.Add(kTypeModuleNode, &first);
    QNodeMediator& stranger = tree.Add(kTypeModuleNode, nullptr);
    // A cycle: first's parent is second, second's parent is first.
    first.SetParentMediator(&second);
    EXPECT_TRUE(Accepts(first, stranger));
    EXPECT_FALSE(Accepts(first, second));

    // A parent mediator without a node ends the walk.
    wiring::WiredNodeMediator empty;
    first.SetParentMediator(&empty);
    EXPECT_TRUE(Accepts(first, stranger));
    first.SetParentMediator(nullptr);
}

// --- Defaults ---

TEST(QNodeKindsTest, ConstructorsSetTheKindDefaults) {
    struct Row {
        uint16_t type;
        float start;
        float stop;
        bool measurePeaks;
    };
    const QScanOptions plain;
    const std::vector<Row> rows = {
        {2003, 10.0F, 100.0F, true},
        {2004, 300.0F, 300.0F, plain.IsMeasurePeaks()},
        {2005, 10.0F, 100.0F, plain.IsMeasurePeaks()},
        {2029, 10.0F, 100.0F, plain.IsMeasurePeaks()},
        {2033, 10.0F, 100.0F, plain.IsMeasurePeaks()},
        {2015, 250.0F, 350.0F, plain.IsMeasurePeaks()},
        {2023, 250.0F, 350.0F, plain.IsMeasurePeaks()},
        {2001, plain.GetStartFrequency(), plain.GetStopFrequency(), plain.IsMeasurePeaks()},
        {2018, plain.GetStartFrequency(), plain.GetStopFrequency(), plain.IsMeasurePeaks()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        std::unique_ptr<QNode> node = MakeNode(row.type);
        EXPECT_FLOAT_EQ(node->GetScanOptions()->GetStartFrequency(), row.start);
        EXPECT_FLOAT_EQ(node->GetScanOptions()->GetStopFrequency(), row.stop);
        EXPECT_EQ(node->GetScanOptions()->IsMeasurePeaks(), row.measurePeaks);
    }

    struct PatternRow {
        uint16_t type;
        uint32_t cells;
        int lastRow;
        int lastColumn;
    };
    for (const PatternRow& row :
         std::vector<PatternRow>{{2005, 12, 6, 10}, {2033, 12, 6, 10}, {2029, 3, 5, 7}}) {
        SCOPED_TRACE(row.type);
        std::unique_ptr<QNode> node = MakeNode(row.type);
        const QProbeScanPatternOptions& second = *node->GetSecondProbePatternOptions();
        EXPECT_TRUE(second.IsOwnPattern());
        EXPECT_EQ(second.GetPattern().GetProbeOnCount(), row.cells);
        int firstRow = 0;
        int firstColumn = 0;
        int lastRow = 0;
        int lastColumn = 0;
        ASSERT_TRUE(second.GetPattern().GetProbeOnBounds(firstRow, firstColumn, lastRow, lastColumn));
        EXPECT_EQ(firstRow, 5);
        EXPECT_EQ(firstColumn, 5);
        EXPECT_EQ(lastRow, row.lastRow);
        EXPECT_EQ(lastColumn, row.lastColumn);
        EXPECT_EQ(node->GetSSSpatialViewOptions()->m_viewFlag, 1U);
        EXPECT_EQ(dynamic_cast<QSpectralSpatialFlagNode&>(*node).GetFlag(), 0);
    }

    EXPECT_EQ(MakeNode(kTypeSpectralOverlayNode)->GetSSSpectralViewOptions()->m_viewMode, 1U);
    EXPECT_EQ(MakeNode(kTypeSpectralComparisonNode)->GetSSSpectralViewOptions()->m_viewMode, 0U);
}

// --- The flag byte ---

std::vector<uint8_t> BodyOf(const QNode& node) {
    std::vector<uint8_t> bytes(node.GetBodySize());
    QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    node.WriteBody(writer);
    return bytes;
}

TEST(QNodeKindsTest, TheFlagByteFollowsTheBodyAndRoundTripsByteExact) {
    for (uint16_t type :
         {kTypeSpectralSpatialScanNode, kTypeHandHeldProbeScanNode, kTypeSpectralSpatialUserCompositeNode}) {
        SCOPED_TRACE(type);
        wiring::WiredNodeMediator mediator;
        std::unique_ptr<QNode> node = MakeNode(type);
        node->SetMediator(&mediator);
        auto& flagged = dynamic_cast<QSpectralSpatialFlagNode&>(*node);
        flagged.SetFlag(0xA5);
        const std::vector<uint8_t> bytes = BodyOf(*node);
        // The link block (its size 4, then a count of 0 links) comes right before the flag byte.
        ASSERT_GE(bytes.size(), 9U);
        EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 9, bytes.end()),
                  (std::vector<uint8_t>{4, 0, 0, 0, 0, 0, 0, 0, 0xA5}));

        std::unique_ptr<QNode> copy = MakeNode(type);
        copy->SetMediator(&mediator);
        QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
        copy->ReadBody(reader);
        EXPECT_EQ(reader.GetRemaining(), 0U);
        EXPECT_EQ(dynamic_cast<QSpectralSpatialFlagNode&>(*copy).GetFlag(), 0xA5);
        EXPECT_EQ(BodyOf(*copy), bytes);

        // Without its flag byte the body is short: the read fails and the node keeps what it had.
        std::unique_ptr<QNode> cut = MakeNode(type);
        cut->SetMediator(&mediator);
        cut->SetName("kept");
        QCharArrayDataReader shortReader(bytes.data(), static_cast<uint32_t>(bytes.size() - 1));
        EXPECT_THROW(cut->ReadBody(shortReader), QException);
        EXPECT_EQ(cut->GetName(), "kept");
        EXPECT_EQ(dynamic_cast<QSpectralSpatialFlagNode&>(*cut).GetFlag(), 0);
        node->SetMediator(nullptr);
        copy->SetMediator(nullptr);
        cut->SetMediator(nullptr);
    }
    // Other kinds end with their link block.
    std::unique_ptr<QNode> spatial = MakeNode(kTypeSpatialScanNode);
    const std::vector<uint8_t> bytes = BodyOf(*spatial);
    EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 8, bytes.end()),
              (std::vector<uint8_t>{4, 0, 0, 0, 0, 0, 0, 0}));
}

// --- Scan data storage ---

class RecordingStorage : public QProjectStorageManager {
public:
    explicit RecordingStorage(std::vector<std::string>& log) : m_log(log) {}

    std::shared_ptr<QProjectDescriptor> GetProjectDescriptor() const override { return nullptr; }
    bool WriteNodeTable(const QNodePairList& /*pairs*/) override { return false; }
    bool SaveProject(TfrmMainApp* /*window*/, const QNodePairList& /*pairs*/,
                     QStorageErrorList& /*errors*/) override {
        return false;
    }
    bool SaveProjectAs(TfrmMainApp* /*window*/, const QNodePairList& /*pairs*/, QStorageErrorList& /*errors*/,
                       const std::string& /*path*/) override {
        return false;
    }
    bool ValidateNodes(QNodePairList& /*pairs*/, QStorageErrorList& /*errors*/) override { return false; }
    bool LoadProject(TfrmMainApp* /*window*/, QNodePairList& /*pairs*/,
                     QStorageErrorList& /*errors*/) override {
        return false;
    }
    void StoreSpectralScanData(QNodeMediator& /*m*/) override { Record("store spectral"); }
    void StoreSpatialScanData(QNodeMediator& /*m*/) override { Record("store spatial"); }
    void StoreSpectralSpatialScanData(QNodeMediator& /*m*/) override { Record("store spectral/spatial"); }
    void StoreCableScanData(QNodeMediator& /*m*/) override { Record("store cable"); }
    void StoreCurrentClampScanData(QNodeMediator& /*m*/) override { Record("store clamp"); }
    void LoadSpectralScanData(QNodeMediator& /*m*/) override { Record("load spectral"); }
    void LoadSpatialScanData(QNodeMediator& /*m*/) override { Record("load spatial"); }
    void LoadCableScanData(QNodeMediator& /*m*/) override { Record("load cable"); }
    void LoadSpectralSpatialScanData(QNodeMediator& /*m*/) override { Record("load spectral/spatial"); }
    void LoadCurrentClampScanData(QNodeMediator& /*m*/) override { Record("load clamp"); }
    uint32_t AllocateNodeID() override { return 0; }
    std::string GetProjectName() const override { return "recorded"; }

private:
    void Record(const std::string& call) {
        // The wait cursor count at the call tells whether the cursor was up around it.
        m_log.push_back(call + (GetWaitCursorCount() > 0 ? " (wait)" : ""));
    }
    std::vector<std::string>& m_log;
};

TEST(QNodeKindsTest, StoreAndLoadGoToTheStorageOfTheKindsScans) {
    struct Row {
        uint16_t type;
        std::vector<std::string> store;
        std::vector<std::string> load;
    };
    using V = std::vector<std::string>;
    const std::vector<Row> rows = {
        {2003, V{"store spectral"}, V{"load spectral"}},
        {2018, V{"store spectral"}, V{"load spectral"}},
        {2023, V{"store spectral"}, V{"load spectral"}},
        {2024, V{"store spectral"}, V{"load spectral"}},
        {2025, V{"store spectral"}, V{"load spectral"}},
        {2004, V{"store spatial"}, V{"load spatial"}},
        {2005, V{"store spectral/spatial"}, V{"load spectral/spatial (wait)"}},
        {2029, V{"store spectral/spatial"}, V{"load spectral/spatial (wait)"}},
        {2033, V{"store spectral/spatial"}, V{"load spectral/spatial (wait)"}},
        {2016, V{"store cable"}, V{"load cable"}},
        {2015, V{}, V{}},
        {2001, V{}, V{}},
        {2010, V{}, V{}},
        {2026, V{}, V{}},
        {2028, V{}, V{}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        testing::RecordingWaitCursor cursor;
        wiring::WiredNodeMediator mediator;
        std::unique_ptr<QNode> node = MakeNode(row.type);
        node->SetMediator(&mediator);
        std::vector<std::string> log;
        RecordingStorage storage(log);
        node->StoreScanData(storage);
        EXPECT_EQ(log, row.store);
        log.clear();
        node->LoadScanData(storage);
        EXPECT_EQ(log, row.load);
        const bool shows = row.type == 2005 || row.type == 2029 || row.type == 2033 || row.type == 2015;
        EXPECT_EQ(cursor.Events(), shows ? V({"show", "hide"}) : V{});
        EXPECT_EQ(GetWaitCursorCount(), 0U);
        node->SetMediator(nullptr);
    }
}

// A Spatial node whose lock calls land in the same log as the storage calls.
class LoggedSpatialNode : public QSpatialScanNode {
public:
    explicit LoggedSpatialNode(std::vector<std::string>& log) : m_log(log) {}
    QScanContainer* LockScanContainer() override {
        m_log.emplace_back("lock");
        return QSpatialScanNode::LockScanContainer();
    }
    void UnlockScanContainer() override {
        m_log.emplace_back("unlock");
        QSpatialScanNode::UnlockScanContainer();
    }

private:
    std::vector<std::string>& m_log;
};

TEST(QNodeKindsTest, ASpatialLoadReprocessesUnderTheNodesLock) {
    std::vector<std::string> log;
    wiring::WiredNodeMediator mediator;
    LoggedSpatialNode node(log);
    node.SetMediator(&mediator);
    RecordingStorage storage(log);
    node.LoadScanData(storage);
    EXPECT_EQ(log, (std::vector<std::string>{"load spatial", "lock", "unlock"}));
    node.SetMediator(nullptr);
}

// --- Menus ---

std::vector<std::string> Menu(uint16_t type, void (QNode::*list)(std::vector<std::string>&)) {
    std::unique_ptr<QNode> node = MakeNode(type);
    std::vector<std::string> items;
    (node.get()->*list)(items);
    return items;
}

TEST(QNodeKindsTest, MenusOfTheScanKindsListTheirItemsInOrder) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Menu(2003, &QNode::GetTopLevelMenuItems),
              (V{"m_pmiTopLevelRunOnce", "m_pmiTopLevelRunContinuously", "m_pmiTopLevelViewNode",
                 "m_pmiTopLevelAddNode", "m_pmiTopLevelDeleteNode", "m_pmiTopLevelExportSpectral"}));
    EXPECT_EQ(Menu(2003, &QNode::GetAddMenuItems),
              (V{"m_pmiAddNote", "m_pmiAddSpatial", "m_pmiAddWordReport"}));
    EXPECT_EQ(Menu(2003, &QNode::GetViewMenuItems), (V{"m_pmiViewOpenOptions", "m_pmiViewSpectralScan"}));
    EXPECT_EQ(Menu(2003, &QNode::GetRunMenuItems), (V{"m_pmiRunOnce", "m_pmiRunContinuously"}));

    EXPECT_EQ(Menu(2004, &QNode::GetTopLevelMenuItems),
              (V{"m_pmiTopLevelRunOnce", "m_pmiTopLevelRunContinuously", "m_pmiTopLevelViewNode",
                 "m_pmiTopLevelAddNode", "m_pmiTopLevelDeleteNode", "m_pmiTopLevelExportSpatial"}));
    EXPECT_EQ(Menu(2004, &QNode::GetAddMenuItems),
              (V{"m_pmiAddNote", "m_pmiAddSpatialOverlay", "m_pmiAddWordReport"}));
    EXPECT_EQ(Menu(2004, &QNode::GetViewMenuItems), (V{"m_pmiViewOpenOptions", "m_pmiViewSpatialScan"}));
    EXPECT_EQ(Menu(2004, &QNode::GetRunMenuItems), (V{"m_pmiRunOnce", "m_pmiRunContinuously"}));

    EXPECT_EQ(Menu(2029, &QNode::GetTopLevelMenuItems),
              (V{"m_pmiTopLevelRunOnce", "m_pmiTopLevelViewNode", "m_pmiTopLevelAddNode",
                 "m_pmiTopLevelDeleteNode", "m_pmiTopLevelExportSpectral", "m_pmiTopLevelExportSpatial"}));
    EXPECT_EQ(Menu(2029, &QNode::GetAddMenuItems),
              (V{"m_pmiAddNote", "m_pmiAddSpatialOverlay", "m_pmiAddSpatial", "m_pmiAddWordReport"}));
    EXPECT_EQ(Menu(2029, &QNode::GetViewMenuItems),
              (V{"m_pmiViewOpenOptions", "m_pmiViewSpectralScan", "m_pmiViewSpatialScan"}));
    EXPECT_EQ(Menu(2029, &QNode::GetRunMenuItems), (V{"m_pmiRunOnce"}));

    EXPECT_EQ(Menu(2016, &QNode::GetTopLevelMenuItems),
              (V{"m_pmiTopLevelViewNode", "m_pmiTopLevelAddNode", "m_pmiTopLevelDeleteNode",
                 "m_pmiTopLevelExportSpectral"}));
    EXPECT_EQ(Menu(2016, &QNode::GetAddMenuItems),
              (V{"m_pmiAddNote", "m_pmiAddWordReport", "m_pmiAddSpatial"}));
    EXPECT_EQ(Menu(2016, &QNode::GetViewMenuItems), (V{"m_pmiViewOpenOptions", "m_pmiViewSpectralScan"}));
    // Runnable, yet no Run items: the tree decides about runs on its own.
    EXPECT_TRUE(MakeNode(2016)->IsRunnable());
    EXPECT_EQ(Menu(2016, &QNode::GetRunMenuItems), V{});
}

TEST(QNodeKindsTest, MenuEdgeCases) {
    // Preferences and the reference kinds contribute nothing at all.
    for (uint16_t type : {2000, 2008, 2009, 2019}) {
        SCOPED_TRACE(type);
        for (auto list : {&QNode::GetTopLevelMenuItems, &QNode::GetAddMenuItems, &QNode::GetViewMenuItems,
                          &QNode::GetRunMenuItems}) {
            EXPECT_TRUE(Menu(type, list).empty());
        }
    }
    // The caller's list is appended to, never cleared or de-duplicated.
    std::unique_ptr<QNode> note = MakeNode(kTypeNoteNode);
    std::vector<std::string> items{"m_pmiTopLevelViewNode"};
    note->GetTopLevelMenuItems(items);
    EXPECT_EQ(items, (std::vector<std::string>{"m_pmiTopLevelViewNode", "m_pmiTopLevelViewNode",
                                               "m_pmiTopLevelDeleteNode"}));
    // The scripting module offers the scripting module first, and the Project the plain module list.
    EXPECT_EQ(Menu(2014, &QNode::GetAddMenuItems).front(), "m_pmiAddSpectralSpatialScriptingModule");
    EXPECT_EQ(Menu(2014, &QNode::GetAddMenuItems).size(), 12U);
    EXPECT_EQ(Menu(2007, &QNode::GetAddMenuItems).size(), 9U);
    EXPECT_EQ(Menu(2007, &QNode::GetTopLevelMenuItems),
              (std::vector<std::string>{"m_pmiTopLevelOpenOptions", "m_pmiTopLevelAddNode"}));
    EXPECT_EQ(Menu(2015, &QNode::GetAddMenuItems),
              (std::vector<std::string>{"m_pmiAddNote", "m_pmiAddCableScan", "m_pmiAddAmbientScan",
                                        "m_pmiAddSpectralSpatial", "m_pmiAddWordReport"}));
    EXPECT_EQ(Menu(2017, &QNode::GetViewMenuItems),
              (std::vector<std::string>{"m_pmiViewOpenOptions", "m_pmiViewWordReport"}));
}

} // namespace
} // namespace orv
