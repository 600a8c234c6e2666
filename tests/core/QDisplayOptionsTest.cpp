#include "core/QException.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "tests/core/support/Opt2FakeOptionTree.h"
#include "tests/core/support/OptionBodyBytes.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace orv {
namespace {

using test::BodyBytes;
using test::Opt2FakeNode;
using test::Opt2FakeTree;
using test::ReadBodyFrom;

// One field of a kind: how to read it as a number and how to move it off its default.
template <typename T> struct Field {
    std::string name;
    std::function<double(const T&)> get;
    std::function<void(T&)> change;
    bool moves;
};

#define FIELD(T, member, moves)                                                                              \
    Field<T> {                                                                                               \
#member, [](const T& o) { return static_cast<double>(o.member); },                                    \
            [](T& o) { o.member = static_cast<decltype(o.member)>(o.member + 3); }, moves      \
    }

// Changes every field of the source, lets `apply` move settings into a fresh target, and checks
// field by field that exactly the expected ones arrived.
template <typename T>
void CheckMatrix(const std::vector<Field<T>>& fields, T& source, T& target,
                 const std::function<void()>& apply) {
    for (const Field<T>& f : fields) {
        f.change(source);
    }
    const T fresh;
    apply();
    for (const Field<T>& f : fields) {
        const bool moved = f.get(target) == f.get(source) && f.get(target) != f.get(fresh);
        EXPECT_EQ(moved, f.moves) << f.name;
    }
}

std::vector<Field<QSpectralDisplayOptions>> SpectralFields(bool copy) {
    using S = QSpectralDisplayOptions;
    const bool sync = !copy;
    return {
        FIELD(S, m_modeA, true),
        FIELD(S, m_modeB, true),
        FIELD(S, m_levelLow, true),
        FIELD(S, m_levelHigh, true),
        FIELD(S, m_modeC, true),
        FIELD(S, m_markerLow, true),
        FIELD(S, m_markerHigh, true),
        FIELD(S, m_secondMarkerLow, false),
        FIELD(S, m_secondMarkerHigh, false),
        FIELD(S, m_useSameViewSetting, true),
        FIELD(S, m_step, copy),
        FIELD(S, m_count, copy),
        FIELD(S, m_switch1, copy),
        FIELD(S, m_switch2, copy),
        FIELD(S, m_switch3, copy),
        FIELD(S, m_switch4, false),
        FIELD(S, m_switch5, false),
        FIELD(S, m_switch7, copy),
        FIELD(S, m_switch8, false),
        FIELD(S, m_modeD, copy),
        FIELD(S, m_showFlag1, copy && !sync),
        FIELD(S, m_showFlag6, copy && !sync),
    };
}

TEST(SpectralDisplayOptions, CopyMatrix) {
    QSpectralDisplayOptions source;
    QSpectralDisplayOptions target;
    source.m_text = "label";
    CheckMatrix<QSpectralDisplayOptions>(SpectralFields(true), source, target,
                                         [&] { target.CopyFrom(source); });
    EXPECT_EQ(target.m_text, "");
}

TEST(SpectralDisplayOptions, SyncMatrixFromGoverningNodeClearsShowFlags) {
    Opt2FakeTree tree;
    Opt2FakeNode& project = tree.Add(kTypeProjectNode);
    Opt2FakeNode& scan = tree.Add(kTypeSpectralScanNode);
    CheckMatrix<QSpectralDisplayOptions>(SpectralFields(false), project.m_spectral, scan.m_spectral,
                                         [&] { scan.m_spectral.SyncFromNode(); });
    for (const uint8_t flag :
         {scan.m_spectral.m_showFlag1, scan.m_spectral.m_showFlag2, scan.m_spectral.m_showFlag3,
          scan.m_spectral.m_showFlag4, scan.m_spectral.m_showFlag5, scan.m_spectral.m_showFlag6}) {
        EXPECT_EQ(flag, 0);
    }
}

TEST(SpectralDisplayOptions, SyncWithoutGoverningNodeOnlyClearsShowFlags) {
    QSpectralDisplayOptions alone;
    alone.m_levelLow = -7.0F;
    alone.SyncFromNode();
    EXPECT_EQ(alone.m_levelLow, -7.0F);
    EXPECT_EQ(alone.m_showFlag1, 0);
    EXPECT_EQ(alone.m_showFlag6, 0);
}

TEST(SpectralDisplayOptions, ShortBodyFailsAndChangesNothing) {
    QSpectralDisplayOptions written;
    written.m_modeA = 9;
    std::vector<uint8_t> bytes = BodyBytes(written);
    bytes.pop_back();
    QSpectralDisplayOptions target;
    EXPECT_THROW(ReadBodyFrom(target, bytes), QException);
    EXPECT_EQ(target.m_modeA, 1U);
}

TEST(SpatialDisplayOptions, ReadResetsZeroHighRangeAndSameViewSetting) {
    QSpatialDisplayOptions written;
    written.m_rangeLow = 3.0F;
    written.m_rangeHigh = 0.0F;
    written.m_useSameViewSetting = 1;
    written.m_offset = 12;
    QSpatialDisplayOptions back;
    EXPECT_EQ(ReadBodyFrom(back, BodyBytes(written)), 0U);
    EXPECT_EQ(back.m_rangeLow, 100.0F);
    EXPECT_EQ(back.m_rangeHigh, 1000.0F);
    EXPECT_EQ(back.m_useSameViewSetting, 0);
    EXPECT_EQ(back.m_offset, 12);

    written.m_rangeHigh = 5.0F;
    EXPECT_EQ(ReadBodyFrom(back, BodyBytes(written)), 0U);
    EXPECT_EQ(back.m_rangeLow, 3.0F);
    EXPECT_EQ(back.m_rangeHigh, 5.0F);
}

std::vector<Field<QSpatialDisplayOptions>> SpatialCopyFields() {
    using P = QSpatialDisplayOptions;
    return {
        FIELD(P, m_modeA, true),     FIELD(P, m_modeB, true),     FIELD(P, m_rangeLow, true),
        FIELD(P, m_rangeHigh, true), FIELD(P, m_offset, true),    FIELD(P, m_flag1, true),
        FIELD(P, m_flag2, true),     FIELD(P, m_flag3, true),     FIELD(P, m_flag4, true),
        FIELD(P, m_flag5, true),     FIELD(P, m_flag6, true),     FIELD(P, m_flag7, true),
        FIELD(P, m_flag8, false),    FIELD(P, m_flag9, true),     FIELD(P, m_useSameViewSetting, true),
        FIELD(P, m_flag11, true),    FIELD(P, m_flag12, true),    FIELD(P, m_ownOffset, true),
        FIELD(P, m_ownFlag1, true),  FIELD(P, m_ownFlag2, false), FIELD(P, m_ownFlag6, true),
        FIELD(P, m_ownFlag7, true),  FIELD(P, m_flag18, true),    FIELD(P, m_flag19, true),
        FIELD(P, m_flag20, true),
    };
}

TEST(SpatialDisplayOptions, CopyMatrix) {
    QSpatialDisplayOptions source;
    QSpatialDisplayOptions target;
    CheckMatrix<QSpatialDisplayOptions>(SpatialCopyFields(), source, target,
                                        [&] { target.CopyFrom(source); });
}

TEST(SpatialDisplayOptions, SyncMatrixFromGoverningNode) {
    using P = QSpatialDisplayOptions;
    const std::vector<Field<P>> fields = {
        FIELD(P, m_modeA, true),     FIELD(P, m_modeB, true),   FIELD(P, m_rangeLow, true),
        FIELD(P, m_rangeHigh, true), FIELD(P, m_flag1, true),   FIELD(P, m_flag5, true),
        FIELD(P, m_flag3, true),     FIELD(P, m_flag9, true),   FIELD(P, m_useSameViewSetting, true),
        FIELD(P, m_offset, false),   FIELD(P, m_flag2, false),  FIELD(P, m_flag4, false),
        FIELD(P, m_flag6, false),    FIELD(P, m_flag7, false),  FIELD(P, m_flag8, false),
        FIELD(P, m_flag18, false),   FIELD(P, m_flag19, false), FIELD(P, m_flag20, false),
    };
    Opt2FakeTree tree;
    Opt2FakeNode& project = tree.Add(kTypeProjectNode);
    Opt2FakeNode& scan = tree.Add(kTypeSpatialScanNode);
    CheckMatrix<P>(fields, project.m_spatial, scan.m_spatial, [&] { scan.m_spatial.SyncFromNode(); });
    const P& s = scan.m_spatial;
    // The node now inherits offset and flags 2, 6, 7; flag 1 is pinned.
    EXPECT_EQ(s.m_flag11, 0);
    EXPECT_EQ(s.m_flag12, 0);
    EXPECT_EQ(s.m_ownOffset, 0);
    EXPECT_EQ(s.m_ownFlag1, 1);
    EXPECT_EQ(s.m_ownFlag2, 0);
    EXPECT_EQ(s.m_ownFlag6, 0);
    EXPECT_EQ(s.m_ownFlag7, 0);
}

TEST(SpatialDisplayOptions, SyncWithoutGoverningNodePinsInheritedFlag1) {
    // A note under a spectral node: the parent is an ancestor, but nobody governs.
    Opt2FakeTree tree;
    Opt2FakeNode& spectral = tree.Add(kTypeSpectralScanNode);
    Opt2FakeNode& note = tree.Add(kTypeNoteNode);
    spectral.m_spatial.m_flag1 = 7;
    note.m_spatial.m_ownFlag1 = 0;
    note.m_spatial.m_flag1 = 1;
    note.m_spatial.m_rangeLow = 42.0F;
    note.m_spatial.SyncFromNode();
    EXPECT_EQ(note.m_spatial.m_flag1, 7);
    EXPECT_EQ(note.m_spatial.m_ownFlag1, 1);
    EXPECT_EQ(note.m_spatial.m_rangeLow, 42.0F);

    // With its own flag 1 set it keeps its own value.
    note.m_spatial.m_flag1 = 2;
    note.m_spatial.SyncFromNode();
    EXPECT_EQ(note.m_spatial.m_flag1, 2);
}

// Project (10) -> Module (20) -> Spatial scan (30): each setting comes from the nearest level, from
// the scan node upwards, whose own flag is set; the root always uses its own.
struct InheritRow {
    uint8_t scanOwn, moduleOwn, projectOwn;
    int expected;
};

struct InheritedSetting {
    std::string name;
    uint8_t QSpatialDisplayOptions::*own;
    std::function<void(QSpatialDisplayOptions&, int)> set;
    std::function<int(const QSpatialDisplayRecord&)> get;
};

TEST(SpatialDisplayOptions, ThreeLevelInheritanceTable) {
    const InheritRow rows[] = {
        {1, 1, 1, 30}, {0, 1, 1, 20}, {0, 0, 1, 10}, {0, 0, 0, 10}, {1, 0, 0, 30}, {0, 1, 0, 20},
    };
    using P = QSpatialDisplayOptions;
    const InheritedSetting settings[] = {
        {"offset", &P::m_ownOffset, [](P& o, int v) { o.m_offset = v; },
         [](const QSpatialDisplayRecord& r) { return r.m_offset; }},
        {"flag1", &P::m_ownFlag1, [](P& o, int v) { o.m_flag1 = static_cast<uint8_t>(v); },
         [](const QSpatialDisplayRecord& r) { return int{r.m_flag1}; }},
        {"flag2", &P::m_ownFlag2, [](P& o, int v) { o.m_flag2 = static_cast<uint8_t>(v); },
         [](const QSpatialDisplayRecord& r) { return int{r.m_flag2}; }},
        {"flag6", &P::m_ownFlag6, [](P& o, int v) { o.m_flag6 = static_cast<uint8_t>(v); },
         [](const QSpatialDisplayRecord& r) { return int{r.m_flag6}; }},
        {"flag7", &P::m_ownFlag7, [](P& o, int v) { o.m_flag7 = static_cast<uint8_t>(v); },
         [](const QSpatialDisplayRecord& r) { return int{r.m_flag7}; }},
        // A fixed range (mode B 0) is inherited unless flag 12 is set.
        {"range", &P::m_flag12,
         [](P& o, int v) {
             o.m_modeB = 0;
             o.m_rangeLow = static_cast<float>(v);
             o.m_rangeHigh = static_cast<float>(v * 10);
         },
         [](const QSpatialDisplayRecord& r) {
             EXPECT_EQ(r.m_rangeHigh, r.m_rangeLow * 10);
             return static_cast<int>(r.m_rangeLow);
         }},
    };
    for (const InheritedSetting& setting : settings) {
        for (const InheritRow& row : rows) {
            Opt2FakeTree tree;
            P& project = tree.Add(kTypeProjectNode).m_spatial;
            P& module = tree.Add(kTypeModuleNode).m_spatial;
            P& scan = tree.Add(kTypeSpatialScanNode).m_spatial;
            setting.set(project, 10);
            setting.set(module, 20);
            setting.set(scan, 30);
            project.*setting.own = row.projectOwn;
            module.*setting.own = row.moduleOwn;
            scan.*setting.own = row.scanOwn;
            const QSpatialDisplayRecord effective = scan.GetEffectiveSettings();
            EXPECT_EQ(setting.get(effective), row.expected)
                << setting.name << " own flags " << int{row.scanOwn} << int{row.moduleOwn}
                << int{row.projectOwn};
            // The own-flags and the other bytes of the record are the scan node's own.
            EXPECT_EQ(effective.m_modeA, scan.m_modeA);
            EXPECT_EQ(effective.m_flag8, scan.m_flag8);
            EXPECT_EQ(effective.m_ownOffset, scan.m_ownOffset);
        }
    }
}

TEST(SpatialDisplayOptions, AutomaticRangeIsNotResolvedFromAncestors) {
    Opt2FakeTree tree;
    QSpatialDisplayOptions& project = tree.Add(kTypeProjectNode).m_spatial;
    QSpatialDisplayOptions& scan = tree.Add(kTypeSpatialScanNode).m_spatial;
    project.m_rangeLow = 1.0F;
    scan.m_modeB = 1;
    scan.m_flag12 = 0;
    scan.m_rangeLow = 5.0F;
    EXPECT_TRUE(scan.IsAutomaticRange());
    float low = 0.0F;
    float high = 0.0F;
    scan.GetRange(low, high);
    EXPECT_EQ(low, 5.0F);
    EXPECT_EQ(high, 1000.0F);
}

TEST(SpatialDisplayOptions, InheritanceWalkEnds) {
    // Fifty-five levels without a root: the walk stops after fifty ancestors.
    Opt2FakeTree deep;
    for (int level = 0; level < 55; ++level) {
        QSpatialDisplayOptions& options = deep.Add(kTypeModuleNode).m_spatial;
        options.m_offset = level;
        options.m_ownOffset = 0;
    }
    // Level 54 reaches up to level 4, which counts as the root and uses its own offset.
    EXPECT_EQ(deep.Node(54).m_spatial.GetEffectiveSettings().m_offset, 4);

    // A mediator that names itself as its parent, and a cycle of two.
    Opt2FakeTree self;
    Opt2FakeNode& root = self.Add(kTypeProjectNode);
    self.Mediator(0).m_parent = &self.Mediator(0);
    root.m_spatial.m_ownOffset = 0;
    EXPECT_EQ(root.m_spatial.GetEffectiveSettings().m_offset, -10);

    Opt2FakeTree loop;
    Opt2FakeNode& a = loop.Add(kTypeModuleNode);
    Opt2FakeNode& b = loop.Add(kTypeModuleNode);
    loop.Mediator(0).m_parent = &loop.Mediator(1);
    a.m_spatial.m_ownOffset = 0;
    b.m_spatial.m_ownOffset = 0;
    a.m_spatial.m_offset = 1;
    b.m_spatial.m_offset = 2;
    EXPECT_EQ(b.m_spatial.GetEffectiveSettings().m_offset, 1);

    // A Preferences node is not climbed into.
    Opt2FakeTree prefs;
    Opt2FakeNode& preferences = prefs.Add(kTypePreferencesNode);
    Opt2FakeNode& project = prefs.Add(kTypeProjectNode);
    preferences.m_spatial.m_offset = 99;
    project.m_spatial.m_ownOffset = 0;
    project.m_spatial.m_offset = 3;
    EXPECT_EQ(project.m_spatial.GetEffectiveSettings().m_offset, 3);
}

} // namespace
} // namespace orv
