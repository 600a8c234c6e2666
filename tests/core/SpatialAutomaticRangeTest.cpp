#include "core/QCorrectionData.h"
#include "core/QFrequencyBucketList.h"
#include "core/QLevelRangeSource.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "tests/core/support/Opt2FakeOptionTree.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {
namespace {

// The locks of a whole fake tree: what was taken in which order, and the most held at once.
struct LockBook {
    int held = 0;
    int mostHeld = 0;
    std::vector<std::string> log;
};

// A container as the automatic range reads it, answering fixed values and noting what it was asked.
class FakeRangeSource : public QLevelRangeSource {
public:
    void GetShownLevelRange(float* low, float* high, const QFrequencyBucketList* selection,
                            std::optional<float> compensationLevel) override {
        m_selection = selection;
        m_compensationLevel = compensationLevel;
        if (low != nullptr) {
            *low = m_low;
        }
        if (high != nullptr) {
            *high = m_high;
        }
    }
    void GetStoredLevelRange(float* low, float* high) override {
        if (low != nullptr) {
            *low = m_storedLow;
        }
        if (high != nullptr) {
            *high = m_storedLow + 100.0F;
        }
    }
    float GetNoiseFloor() override { return m_noiseFloor; }

    float m_low = 0.0F;
    float m_high = 0.0F;
    float m_storedLow = 0.0F;
    float m_noiseFloor = 0.0F;
    const QFrequencyBucketList* m_selection = nullptr;
    std::optional<float> m_compensationLevel;
};

class RangeNode : public test::Opt2FakeNode, public QLevelRangeNode {
public:
    RangeNode(uint16_t kind, std::string name, LockBook& book)
        : Opt2FakeNode(kind), m_name(std::move(name)), m_book(book) {}

    QLevelRangeSource* LockLevelRangeSource() override {
        ++m_book.held;
        m_book.mostHeld = std::max(m_book.mostHeld, m_book.held);
        m_book.log.push_back("+" + m_name);
        return &m_source;
    }
    void UnlockLevelRangeSource() override {
        m_book.log.push_back("-" + m_name);
        --m_book.held;
    }

    std::string m_name;
    LockBook& m_book;
    FakeRangeSource m_source;
};

// A chain of range nodes, the first the root.
class RangeTree {
public:
    RangeNode& Add(uint16_t kind, const std::string& name) {
        auto node = std::make_unique<RangeNode>(kind, name, m_book);
        auto mediator = std::make_unique<test::Opt2FakeMediator>();
        mediator->m_node = node.get();
        mediator->m_parent = m_mediators.empty() ? nullptr : m_mediators.back().get();
        node->m_mediator = mediator.get();
        m_nodes.push_back(std::move(node));
        m_mediators.push_back(std::move(mediator));
        return *m_nodes.back();
    }
    test::Opt2FakeMediator& Mediator(size_t index) { return *m_mediators.at(index); }

    LockBook m_book;

private:
    std::vector<std::unique_ptr<RangeNode>> m_nodes;
    std::vector<std::unique_ptr<test::Opt2FakeMediator>> m_mediators;
};

// Puts a recognisable value into every application-wide correction setting and checks at the end
// that none moved.
class GlobalsUnchanged {
public:
    GlobalsUnchanged()
        : m_spectral(QCorrectionData::IsSpectralCompensationOn()),
          m_spatial(QCorrectionData::IsSpatialCompensationOn()),
          m_threshold(QCorrectionData::GetSpatialCompensationThreshold()),
          m_spectralSpatialMode(QCorrectionData::IsSpectralSpatialMode()) {
        QCorrectionData::SetSpectralCompensationOn(true);
        QCorrectionData::SetSpatialCompensationOn(false);
        QCorrectionData::SetSpatialCompensationThreshold(-4321.0F);
        QCorrectionData::SetSpectralSpatialMode(true); // the spectral view asked last
    }
    ~GlobalsUnchanged() {
        EXPECT_TRUE(QCorrectionData::IsSpectralCompensationOn());
        EXPECT_FALSE(QCorrectionData::IsSpatialCompensationOn());
        EXPECT_EQ(QCorrectionData::GetSpatialCompensationThreshold(), -4321.0F);
        EXPECT_TRUE(QCorrectionData::IsSpectralSpatialMode());
        QCorrectionData::SetSpectralCompensationOn(m_spectral);
        QCorrectionData::SetSpatialCompensationOn(m_spatial);
        QCorrectionData::SetSpatialCompensationThreshold(m_threshold);
        QCorrectionData::SetSpectralSpatialMode(m_spectralSpatialMode);
    }

private:
    bool m_spectral;
    bool m_spatial;
    float m_threshold;
    bool m_spectralSpatialMode;
};

// Per level (scan, module, root): whether the range is automatic (mode B 1), whether a fixed range is
// the node's own (flag 12), whether the offset and flag 6 are the node's own.
struct LevelSetup {
    uint8_t automatic;
    uint8_t ownRange;
    uint8_t ownOffset;
    uint8_t ownFlag6;
};

struct InheritanceRow {
    const char* name;
    LevelSetup scan;
    LevelSetup module;
    LevelSetup root;
    float low; // the range in force
    int32_t offset;
    uint8_t flag6;
    std::vector<std::string> locks;
};

TEST(SpatialAutomaticRange, ThreeLevelInheritanceWithContainers) {
    // Fixed ranges are 1, 2, 3 (scan, module, root); automatic ranges come from the containers as
    // 100, 200, 300. Offsets -1, -2, -3; flag 6 is 1 on the module only.
    const InheritanceRow rows[] = {
        {"all own, scan automatic",
         {1, 1, 1, 1},
         {0, 1, 1, 1},
         {0, 1, 1, 1},
         100.0F,
         -1,
         0,
         {"+module", "-module", "+scan", "-scan"}},
        {"scan fixed and own", {0, 1, 0, 0}, {1, 1, 1, 1}, {1, 1, 1, 1}, 1.0F, -2, 1, {}},
        {"scan takes the module's automatic range",
         {0, 0, 0, 0},
         {1, 0, 0, 0},
         {0, 1, 1, 1},
         200.0F,
         -3,
         0,
         {"+module", "-module"}},
        {"two levels down to the root's automatic range",
         {0, 0, 0, 1},
         {0, 0, 1, 1},
         {1, 0, 1, 1},
         300.0F,
         -2,
         0,
         {"+root", "-root"}},
        {"module fixed and own stops the climb", {0, 0, 1, 0}, {0, 1, 0, 1}, {1, 1, 1, 1}, 2.0F, -1, 1, {}},
        {"root without parent keeps its stored range",
         {0, 0, 0, 0},
         {0, 0, 0, 0},
         {0, 0, 0, 0},
         3.0F,
         -3,
         0,
         {}},
    };
    for (const InheritanceRow& row : rows) {
        SCOPED_TRACE(row.name);
        const GlobalsUnchanged globals;
        RangeTree tree;
        RangeNode& root = tree.Add(kTypeProjectNode, "root");
        RangeNode& module = tree.Add(kTypeSpectralSpatialScanNode, "module");
        RangeNode& scan = tree.Add(kTypeSpatialScanNode, "scan");
        RangeNode* levels[] = {&scan, &module, &root};
        const LevelSetup setups[] = {row.scan, row.module, row.root};
        for (int i = 0; i < 3; ++i) {
            QSpatialDisplayOptions& options = levels[i]->m_spatial;
            options.m_modeB = setups[i].automatic;
            options.m_flag12 = setups[i].ownRange;
            options.m_ownOffset = setups[i].ownOffset;
            options.m_ownFlag6 = setups[i].ownFlag6;
            options.m_rangeLow = static_cast<float>(i + 1);
            options.m_rangeHigh = static_cast<float>(i + 1) * 10.0F;
            options.m_offset = -(i + 1);
            options.m_flag6 = i == 1 ? 1 : 0;
            levels[i]->m_source.m_low = static_cast<float>((i + 1) * 100);
            levels[i]->m_source.m_high = static_cast<float>((i + 1) * 1000);
        }
        const QSpatialDisplayRecord record = scan.m_spatial.GetEffectiveSettings(1.5F);
        EXPECT_EQ(record.m_rangeLow, row.low);
        EXPECT_EQ(record.m_offset, row.offset);
        EXPECT_EQ(record.m_flag6, row.flag6);
        EXPECT_EQ(tree.m_book.log, row.locks);
        EXPECT_LE(tree.m_book.mostHeld, 1);
        EXPECT_EQ(tree.m_book.held, 0);
        // Without a threshold nothing is locked and the stored ranges stand in.
        tree.m_book.log.clear();
        scan.m_spatial.GetEffectiveSettings();
        EXPECT_TRUE(tree.m_book.log.empty());
    }
}

TEST(SpatialAutomaticRange, SpatialScanNodeCompensationLevelAndSelection) {
    struct Row {
        uint16_t parentKind;
        float storedLow;
        float noiseFloor;
        float thresholdDb;
        float level;
        std::vector<std::string> locks;
    };
    const Row rows[] = {
        {kTypeSpectralSpatialScanNode,
         80.0F,
         120.0F,
         1.57F,
         135.0F,
         {"+parent", "-parent", "+scan", "-scan"}},
        {kTypeHandHeldProbeScanNode, 150.0F, 120.0F, 1.57F, 165.0F, {"+parent", "-parent", "+scan", "-scan"}},
        // Other parents give no noise floor, and their lock is not taken.
        {kTypeModuleNode, -40.0F, 120.0F, 2.0F, 20.0F, {"+scan", "-scan"}},
        {kTypeSpectralSpatialScanNode, 0.0F, 0.0F, -0.55F, -5.0F, {"+parent", "-parent", "+scan", "-scan"}},
    };
    for (const Row& row : rows) {
        const GlobalsUnchanged globals;
        RangeTree tree;
        RangeNode& parent = tree.Add(row.parentKind, "parent");
        RangeNode& scan = tree.Add(kTypeSpatialScanNode, "scan");
        parent.m_source.m_noiseFloor = row.noiseFloor;
        scan.m_source.m_storedLow = row.storedLow;
        scan.m_source.m_low = 7.0F;
        scan.m_source.m_high = 70.0F;
        const std::optional<QAutomaticLevelRange> range =
            scan.m_spatial.ComputeAutomaticRange(row.thresholdDb);
        ASSERT_TRUE(range.has_value());
        EXPECT_EQ(range->m_low, 7.0F);
        EXPECT_EQ(range->m_high, 70.0F);
        ASSERT_TRUE(range->m_compensationLevel.has_value());
        EXPECT_EQ(*range->m_compensationLevel, row.level);
        EXPECT_EQ(scan.m_source.m_compensationLevel, range->m_compensationLevel);
        EXPECT_EQ(tree.m_book.log, row.locks);
        EXPECT_EQ(tree.m_book.mostHeld, 1);
        EXPECT_EQ(scan.m_source.m_selection, nullptr);
    }

    // The spatial view's first value 1 restricts the range to the spectral view's buckets; other
    // kinds get no compensation level.
    RangeTree tree;
    tree.Add(kTypeProjectNode, "root");
    RangeNode& node = tree.Add(kTypeSpectralSpatialScanNode, "node");
    node.m_ssSpatial.m_viewMode = 1;
    const std::optional<QAutomaticLevelRange> range = node.m_spatial.ComputeAutomaticRange(1.0F);
    ASSERT_TRUE(range.has_value());
    EXPECT_FALSE(range->m_compensationLevel.has_value());
    EXPECT_EQ(node.m_source.m_selection, &node.m_ssSpectral.GetFrequencyBuckets());
    EXPECT_EQ(tree.m_book.log, (std::vector<std::string>{"+node", "-node"}));
}

TEST(SpatialAutomaticRange, WalkEndsAndNodesWithoutContainers) {
    const GlobalsUnchanged globals;
    // A spatial node that is its own parent takes no noise floor from itself and locks itself once.
    RangeTree self;
    RangeNode& loop = self.Add(kTypeSpatialScanNode, "loop");
    self.Mediator(0).m_parent = &self.Mediator(0);
    loop.m_spatial.m_modeB = 1;
    loop.m_source.m_low = 9.0F;
    float low = 0.0F;
    float high = 0.0F;
    loop.m_spatial.GetRange(low, high, 1.0F);
    EXPECT_EQ(low, 9.0F);
    EXPECT_EQ(self.m_book.log, (std::vector<std::string>{"+loop", "-loop"}));

    // A Preferences parent is not climbed into: its automatic range is never read.
    RangeTree prefs;
    RangeNode& preferences = prefs.Add(kTypePreferencesNode, "prefs");
    RangeNode& project = prefs.Add(kTypeProjectNode, "project");
    preferences.m_spatial.m_modeB = 1;
    project.m_spatial.m_modeB = 0;
    project.m_spatial.m_flag12 = 0;
    project.m_spatial.m_rangeLow = 4.0F;
    project.m_spatial.GetRange(low, high, 1.0F);
    EXPECT_EQ(low, 4.0F);
    EXPECT_TRUE(prefs.m_book.log.empty());

    // Sixty levels that all take their ancestor's range: only the fiftieth ancestor, which counts as
    // the root, is asked, and the walk ends.
    RangeTree deep;
    for (int level = 0; level < 60; ++level) {
        RangeNode& node = deep.Add(kTypeModuleNode, std::to_string(level));
        node.m_spatial.m_modeB = 0;
        node.m_spatial.m_flag12 = 0;
    }
    RangeNode& top = *static_cast<RangeNode*>(deep.Mediator(9).GetNode());
    top.m_spatial.m_modeB = 1;
    top.m_source.m_low = 55.0F;
    static_cast<RangeNode*>(deep.Mediator(59).GetNode())->m_spatial.GetRange(low, high, 1.0F);
    EXPECT_EQ(low, 55.0F);
    EXPECT_EQ(deep.m_book.log, (std::vector<std::string>{"+9", "-9"}));

    // An owner that offers no container keeps its stored range.
    test::Opt2FakeTree plain;
    test::Opt2FakeNode& bare = plain.Add(kTypeSpatialScanNode);
    bare.m_spatial.m_modeB = 1;
    EXPECT_FALSE(bare.m_spatial.ComputeAutomaticRange(1.0F).has_value());
    bare.m_spatial.GetRange(low, high, 1.0F);
    EXPECT_EQ(low, 100.0F);
    EXPECT_EQ(high, 1000.0F);
}

} // namespace
} // namespace orv
