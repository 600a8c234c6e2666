#include "core/QProbeScanPatternOptions.h"
#include "core/QException.h"
#include "core/TypeIds.h"
#include "support/FakeOptionNodes.h"
#include "tests/core/support/FakeAttachedScanner.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace orv {
namespace {

using fake::FakeOptionNode;
using fake::FakeOptionTree;
using fake::ReadBodyBytes;
using fake::WrittenBody;

TEST(ProbeScanPatternOptions, BodyIsThePatternPlus109AndReports9More) {
    QProbeScanPatternOptions options(1, 29, 42);
    options.SetMeasurementHeight(12.5F);
    options.SetProbeCameraTracking(true);
    options.SetTrackingCameraIndex(3);
    const std::vector<uint8_t> body = WrittenBody(options);
    const std::vector<uint8_t> pattern = WrittenBody(options.GetPattern());
    ASSERT_EQ(pattern.size(), 8U + 1218U + 2436U);
    ASSERT_EQ(body.size(), pattern.size() + 109U);
    EXPECT_EQ(options.GetBodySize(), options.GetPattern().GetBodySize() + 9U);
    EXPECT_EQ(options.GetTypeID(), 3002);
    EXPECT_TRUE(options.IsShared());

    uint32_t kind;
    std::memcpy(&kind, body.data(), 4);
    EXPECT_EQ(kind, 1U);
    EXPECT_EQ(std::vector<uint8_t>(body.begin() + 4, body.begin() + 4 + static_cast<long>(pattern.size())),
              pattern);
    const size_t tail = 4 + pattern.size();
    EXPECT_EQ(body[tail], 1); // own pattern
    float height;
    std::memcpy(&height, body.data() + tail + 1, 4);
    EXPECT_EQ(height, 12.5F);
    EXPECT_EQ(std::vector<uint8_t>(body.begin() + static_cast<long>(tail) + 5, body.end()),
              std::vector<uint8_t>(100, 0));

    // The camera settings are not stored.
    QProbeScanPatternOptions read(0);
    EXPECT_EQ(ReadBodyBytes(read, body), 0U);
    EXPECT_EQ(read.GetKindCode(), 1U);
    EXPECT_FALSE(read.GetPattern() != options.GetPattern());
    EXPECT_EQ(read.GetMeasurementHeight(), 12.5F);
    EXPECT_FALSE(read.IsProbeCameraTracking());
    EXPECT_EQ(read.GetTrackingCameraIndex(), -1);
}

TEST(ProbeScanPatternOptions, VersionTenBodyAndFailedRead) {
    // Kind code, a choice grid without heights, own flag, height, reserved block.
    const uint8_t head[15]{0, 0, 0, 0, 2, 0, 3, 0, 1, 0, 1, 0, 1, 0, 0};
    const float height = 42.0F;
    std::vector<uint8_t> body(sizeof head + 4 + 100, 0);
    std::memcpy(body.data(), head, sizeof head);
    std::memcpy(body.data() + sizeof head, &height, 4);
    QProbeScanPatternOptions read(1, 2, 3);
    read.SetPattern(QProbeScanPattern(2, 3, 1, 55));
    EXPECT_EQ(ReadBodyBytes(read, body, 10), 0U);
    EXPECT_EQ(read.GetKindCode(), 0U);
    EXPECT_FALSE(read.IsOwnPattern());
    EXPECT_EQ(read.GetMeasurementHeight(), 42.0F);
    EXPECT_EQ(read.GetPattern().GetProbeOnCount(), 3U);
    EXPECT_EQ(read.GetPattern().GetHeightAt(1, 2), 55); // kept: same shape

    // Cut in the reserved block: nothing changes.
    body.resize(body.size() - 1);
    QProbeScanPatternOptions target(1, 29, 42);
    const std::vector<uint8_t> before = WrittenBody(target);
    EXPECT_THROW(ReadBodyBytes(target, body, 10), QException);
    EXPECT_EQ(WrittenBody(target), before);
}

TEST(ProbeScanPatternOptions, RobotArmGivesItsDefaultHeight) {
    EXPECT_EQ(QProbeScanPatternOptions(1).GetMeasurementHeight(), 100.0F);
    {
        fake::ScopedAttachedScanner attached;
        EXPECT_EQ(QProbeScanPatternOptions(1).GetMeasurementHeight(), 100.0F); // another scanner
        attached.Source().m_armAttached = true;
        EXPECT_EQ(QProbeScanPatternOptions(1).GetMeasurementHeight(), 110.0F);
        EXPECT_EQ(QProbeScanPatternOptions(0, 29, 42).GetMeasurementHeight(), 110.0F);
    }
    EXPECT_EQ(QProbeScanPatternOptions(1).GetMeasurementHeight(), 100.0F);
}

TEST(ProbeScanPatternOptions, CopyFromLeavesTheCameraSettings) {
    QProbeScanPatternOptions source(0, 3, 3);
    source.SetOwnPattern(false);
    source.SetMeasurementHeight(7.0F);
    source.SetProbeCameraTracking(true);
    source.SetTrackingCameraIndex(2);
    QProbeScanPatternOptions target(1, 29, 42);
    target.CopyFrom(source);
    EXPECT_EQ(target.GetKindCode(), 0U);
    EXPECT_EQ(target.GetPattern().GetRows(), 3);
    EXPECT_FALSE(target.IsOwnPattern());
    EXPECT_EQ(target.GetMeasurementHeight(), 7.0F);
    EXPECT_FALSE(target.IsProbeCameraTracking());
    EXPECT_EQ(target.GetTrackingCameraIndex(), -1);
    const QProbePatternRecord record = source.GetPatternAndHeight();
    EXPECT_EQ(record.m_flag, 1U);
    EXPECT_EQ(record.m_height, 7.0F);
    EXPECT_FALSE(record.m_pattern != source.GetPattern());
}

// A pattern told apart by the cell that is off.
QProbeScanPattern Marked(int row, int column, uint16_t rows = 29) {
    QProbeScanPattern pattern(rows, 42);
    pattern.SetProbeAt(row, column, 0);
    return pattern;
}

struct EffectiveCase {
    std::string name;
    std::vector<uint16_t> ancestors; // root first; the owner sits under the last
    uint16_t ownKind;
    uint32_t kindCode;
    bool ownFlag;
    bool lookup;
    uint16_t ancestorRows; // grid rows of the ancestor's patterns
    // Which pattern comes back: 'o' own, 'f' the owner's parent's first, 's' its second, 'r' the
    // root's first.
    char expected;
    bool ownFlagAfter;
};

TEST(ProbeScanPatternOptions, EffectivePatternTable) {
    using V = std::vector<uint16_t>;
    const V projectModule{kTypeProjectNode, kTypeModuleNode};
    const std::vector<EffectiveCase> cases{
        {"follows the module's first", projectModule, kTypeSpectralScanNode, 1, false, true, 29, 'f', false},
        {"kind code 0 follows the second", projectModule, kTypeSpectralScanNode, 0, false, true, 29, 's',
         false},
        {"without lookup the own", projectModule, kTypeSpectralScanNode, 1, false, false, 29, 'o', false},
        {"own flag set", projectModule, kTypeSpectralScanNode, 1, true, true, 29, 'o', true},
        {"size mismatch turns to own", projectModule, kTypeSpectralScanNode, 1, false, true, 30, 'o', true},
        {"project node keeps its own",
         {kTypePreferencesNode},
         kTypeProjectNode,
         1,
         false,
         true,
         29,
         'o',
         false},
        {"preferences node keeps its own",
         {kTypeProjectNode},
         kTypePreferencesNode,
         1,
         false,
         true,
         29,
         'o',
         false},
        {"no ancestor", {kTypeNoteNode}, kTypeSpectralScanNode, 1, false, true, 29, 'o', false},
        {"spatial under spectral, code 0, takes the first",
         {kTypeProjectNode, kTypeSpectralScanNode},
         kTypeSpatialScanNode,
         0,
         false,
         true,
         29,
         'f',
         false},
        {"spatial under spectral/spatial, code 0",
         {kTypeProjectNode, kTypeSpectralSpatialScanNode},
         kTypeSpatialScanNode,
         0,
         false,
         true,
         29,
         's',
         false},
        {"spectral under spectral/spatial follows the project",
         {kTypeProjectNode, kTypeSpectralSpatialScanNode},
         kTypeSpectralScanNode,
         1,
         false,
         true,
         29,
         'r',
         false},
        {"under a scripting node follows it",
         {kTypeProjectNode, kTypeSpectralSpatialScriptingModuleNode},
         kTypeSpectralScanNode,
         1,
         false,
         true,
         29,
         'f',
         false},
    };
    for (const EffectiveCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOptionTree tree;
        std::vector<FakeOptionNode*> chain;
        for (const uint16_t kind : c.ancestors) {
            chain.push_back(&tree.Add(kind, chain.empty() ? nullptr : chain.back()));
        }
        for (FakeOptionNode* node : chain) {
            node->m_firstPattern.SetPattern(Marked(0, 1));
            node->m_secondPattern.SetPattern(Marked(0, 2));
        }
        FakeOptionNode& ancestor = *chain.back();
        ancestor.m_firstPattern.SetPattern(Marked(1, 1, c.ancestorRows));
        ancestor.m_secondPattern.SetPattern(Marked(2, 2, c.ancestorRows));

        FakeOptionNode& own = tree.Add(c.ownKind, &ancestor);
        QProbeScanPatternOptions& options = c.kindCode != 0 ? own.m_firstPattern : own.m_secondPattern;
        // Set up through a detached object, which has no ancestor to adopt from.
        QProbeScanPatternOptions state(c.kindCode);
        state.SetPattern(Marked(0, 0));
        state.SetOwnPattern(c.ownFlag);
        options.CopyFrom(state);

        const QProbeScanPattern effective = options.GetEffectivePattern(c.lookup);
        const QProbeScanPattern& expected = c.expected == 'f'   ? ancestor.m_firstPattern.GetPattern()
                                            : c.expected == 's' ? ancestor.m_secondPattern.GetPattern()
                                            : c.expected == 'r' ? chain.front()->m_firstPattern.GetPattern()
                                                                : options.GetPattern();
        EXPECT_FALSE(effective != expected);
        EXPECT_EQ(options.IsOwnPattern(), c.ownFlagAfter);
        if (c.expected == 'o') {
            EXPECT_FALSE(effective != Marked(0, 0));
        }
    }
}

TEST(ProbeScanPatternOptions, SyncFromNodeAdoptsTheAncestorsGrids) {
    FakeOptionTree tree;
    FakeOptionNode& module = tree.Chain({kTypeProjectNode, kTypeModuleNode});
    QProbeScanPattern ancestorPattern = Marked(4, 4);
    ancestorPattern.SetHeightAt(4, 4, 321);
    module.m_firstPattern.SetPattern(ancestorPattern);
    module.m_firstPattern.SetMeasurementHeight(5.0F);
    FakeOptionNode& own = tree.Add(kTypeSpectralScanNode, &module);
    own.m_firstPattern.SetPattern(Marked(0, 0));

    own.m_firstPattern.SyncFromNode();
    EXPECT_FALSE(own.m_firstPattern.IsOwnPattern());
    EXPECT_FALSE(own.m_firstPattern.GetPattern() != ancestorPattern);
    EXPECT_EQ(own.m_firstPattern.GetMeasurementHeight(), 100.0F); // the height is not taken

    // SetPattern makes it the node's own; SetOwnPattern(false) adopts again at once.
    own.m_firstPattern.SetPattern(Marked(0, 0));
    EXPECT_TRUE(own.m_firstPattern.IsOwnPattern());
    own.m_firstPattern.SetOwnPattern(false);
    EXPECT_FALSE(own.m_firstPattern.GetPattern() != ancestorPattern);

    // A size mismatch keeps the own pattern and makes it the node's own.
    module.m_firstPattern.SetPattern(Marked(4, 4, 30));
    own.m_firstPattern.SyncFromNode();
    EXPECT_TRUE(own.m_firstPattern.IsOwnPattern());
    EXPECT_FALSE(own.m_firstPattern.GetPattern() != ancestorPattern);

    // On the Project node nothing is adopted.
    FakeOptionNode& project = *own.m_mediator->m_parent->m_parent->m_node;
    project.m_firstPattern.SetPattern(Marked(1, 1));
    project.m_firstPattern.SyncFromNode();
    EXPECT_FALSE(project.m_firstPattern.IsOwnPattern());
    EXPECT_FALSE(project.m_firstPattern.GetPattern() != Marked(1, 1));
}

} // namespace
} // namespace orv
