#include "core/QOptions.h"
#include "core/TypeIds.h"
#include "support/FakeOptionNodes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv {
namespace {

using fake::FakeOptionNode;
using fake::FakeOptionTree;

constexpr uint16_t kProject = kTypeProjectNode;
constexpr uint16_t kModule = kTypeModuleNode;
constexpr uint16_t kSpectral = kTypeSpectralScanNode;
constexpr uint16_t kSpatial = kTypeSpatialScanNode;
constexpr uint16_t kSpectralSpatial = kTypeSpectralSpatialScanNode;
constexpr uint16_t kHandHeld = kTypeHandHeldProbeScanNode;
constexpr uint16_t kNote = kTypeNoteNode;
constexpr uint16_t kScripting = kTypeSpectralSpatialScriptingModuleNode;

// The kind at the top, `depth` levels above the node of kind `own`, with plain note nodes between.
std::vector<uint16_t> Above(uint16_t top, int depth, uint16_t own) {
    std::vector<uint16_t> kinds{top};
    kinds.insert(kinds.end(), static_cast<size_t>(depth - 1), kNote);
    kinds.push_back(own);
    return kinds;
}

struct WalkCase {
    std::string name;
    std::vector<uint16_t> chain; // root first; the last entry owns the options
    int expected;                // index into chain of the governing node, -1 for none
};

TEST(GoverningWalk, Table) {
    const std::vector<WalkCase> cases{
        {"spectral under project", {kProject, kSpectral}, 0},
        {"spectral under module", {kProject, kModule, kSpectral}, 1},
        {"spectral under nested modules follows the nearest", {kProject, kModule, kModule, kSpectral}, 2},
        {"spectral under a spectral/spatial follows the module",
         {kProject, kModule, kSpectralSpatial, kSpectral},
         1},
        {"spatial under spectral/spatial", {kProject, kModule, kSpectralSpatial, kSpatial}, 2},
        {"spatial under hand-held", {kProject, kModule, kHandHeld, kSpatial}, 2},
        {"spatial under spectral", {kProject, kSpectral, kSpatial}, 1},
        {"spatial under project", {kProject, kSpatial}, 0},
        {"spatial under note under module", {kProject, kModule, kNote, kSpatial}, 1},
        {"scripting node is no stop for the plain walk", {kProject, kScripting, kSpectral}, 0},
        {"no parent", {kSpectral}, -1},
        {"no project or module above", {kNote, kNote, kSpectral}, -1},
        {"module at depth 49", Above(kModule, 49, kSpectral), 0},
        {"module at depth 50", Above(kModule, 50, kSpectral), 0},
        {"module at depth 51", Above(kModule, 51, kSpectral), -1},
        {"project at depth 50", Above(kProject, 50, kSpectral), 0},
        {"project at depth 51", Above(kProject, 51, kSpectral), -1},
    };
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOptionTree tree;
        std::vector<FakeOptionNode*> nodes;
        for (const uint16_t kind : c.chain) {
            nodes.push_back(&tree.Add(kind, nodes.empty() ? nullptr : nodes.back()));
        }
        const QScanOptions& options = nodes.back()->m_scanOptions;
        QOptionMediator* expected =
            c.expected < 0 ? nullptr : nodes[static_cast<size_t>(c.expected)]->m_mediator;
        EXPECT_EQ(options.FindGoverningMediator(nodes.back()->m_kind), expected);
    }
}

TEST(GoverningWalk, ParentMediatorNeedsOwnerAndMediator) {
    QScanOptions unowned;
    EXPECT_EQ(unowned.GetParentMediator(), nullptr);
    EXPECT_EQ(unowned.FindGoverningMediator(kSpectral), nullptr);
    EXPECT_EQ(unowned.GetOwnerKind(), 0);

    FakeOptionTree tree;
    FakeOptionNode& project = tree.Add(kProject);
    FakeOptionNode& spectral = tree.Add(kSpectral, &project);
    EXPECT_EQ(spectral.m_scanOptions.GetParentMediator(), project.m_mediator);
    EXPECT_EQ(spectral.m_scanOptions.GetOwner(), &spectral);

    // A node that has no mediator yet (before the factory gives it one) finds nothing.
    spectral.m_mediator = nullptr;
    EXPECT_EQ(spectral.m_scanOptions.GetParentMediator(), nullptr);
    EXPECT_EQ(spectral.m_scanOptions.FindGoverningMediator(kSpectral), nullptr);
}

TEST(OptionsBase, CopiesNeverTakeTheOwner) {
    FakeOptionTree tree;
    FakeOptionNode& node = tree.Add(kSpectral);
    QScanOptions copy(node.m_scanOptions);
    EXPECT_EQ(copy.GetOwner(), nullptr);
    QScanOptions assigned;
    FakeOptionNode& other = tree.Add(kModule);
    assigned.SetOwner(&other);
    assigned = node.m_scanOptions;
    EXPECT_EQ(assigned.GetOwner(), &other);
}

} // namespace
} // namespace orv
