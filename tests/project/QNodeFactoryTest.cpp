#include "project/QNodeFactory.h"
#include "core/QException.h"
#include "core/TypeIds.h"
#include "platform/debug/DebugOutput.h"
#include "project/QNode.h"
#include "project/QNodeMediator.h"
#include "project/QProxyNodeMediator.h"
#include "scandata/QScanContainer.h"
#include "tests/project/support/NodeFixtures.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace orv {
namespace {

struct KindRow {
    uint16_t type;
    const char* name;
    // 0: the kind keeps no container yet.
    uint16_t containerType;
};

// Every node kind with the name its constructor gives and the container it makes.
const std::vector<KindRow>& KindTable() {
    static const std::vector<KindRow> table = {
        {2000, "Preferences", kTypeDummyScanContainer},
        {2001, "Module", kTypeDummyScanContainer},
        {2003, "Spectral", kTypeSpectralScanContainer},
        {2004, "Spatial", kTypeSpatialScanContainer},
        {2005, "Spectral/Spatial", kTypeSpectralSpatialScanContainer},
        {2006, "Note", kTypeDummyScanContainer},
        {2007, "Project", kTypeDummyScanContainer},
        {2008, "", kTypeDummyScanContainer},
        {2009, "", kTypeDummyScanContainer},
        {2010, "Compare Spectral", kTypeSpectralComparisonScanContainer},
        {2011, "Compare Spatial", kTypeSpatialComparisonScanContainer},
        {2012, "Spectral Overlay", kTypeSpectralOverlayScanContainer},
        {2013, "Overlay", kTypeDummyScanContainer},
        {2014, "Spectral Spatial Scripting", kTypeDummyScanContainer},
        {2015, "Current Clamp Module", kTypeCurrentClampModuleContainer},
        {2016, "Cable Scan", kTypeCableScanContainer},
        {2017, "Report Generator", kTypeDummyScanContainer},
        {2018, "Ambient Scan", kTypeAmbientScanContainer},
        {2019, "", kTypeDummyScanContainer},
        {2023, "Antenna Position Scan", kTypeAntennaPositionScanContainer},
        {2024, "Near Field Spectral Scan", kTypeNearFieldAmbientScanContainer},
        {2025, "Far Field Ambient Scan", kTypeFarFieldAmbientScanContainer},
        {2026, "Antenna Scan", kTypeAntennaScanContainer},
        {2027, "Antenna Scan Module", kTypeAntennaScanModuleContainer},
        {2028, "Spectral Spatial Scripting", kTypeDifferentRangeScanModuleContainer},
        {2029, "Handheld Probe", kTypeHandHeldProbeScanContainer},
        {2030, "Blind Spot Reduction", kTypeBlindSpotReductionScanContainer},
        {2033, "Spectral/Spatial User composite", kTypeSpectralSpatialScanContainer},
    };
    return table;
}

// A Project node with a mediator, as the parent of the nodes the factory makes.
struct FixtureParent {
    static constexpr int32_t kOverlayId = 42;
    FixtureParent() : node(kTypeProjectNode), mediator(&node) {
        node.SetMediator(&mediator);
        node.GetOverlayOptions()->m_overlayId = kOverlayId;
    }
    nodefix::FixtureNode node;
    nodefix::LinkListMediator mediator;
};

TEST(QNodeFactoryTest, MakesEveryKindOfTheTableWithItsNameTypeAndContainer) {
    DebugOutputCapture quiet;
    std::map<uint16_t, const KindRow*> rows;
    for (const KindRow& row : KindTable()) {
        rows[row.type] = &row;
    }
    QNodeFactory factory;
    for (uint32_t type = 1990; type <= 2040; ++type) {
        SCOPED_TRACE(type);
        const auto found = rows.find(static_cast<uint16_t>(type));
        EXPECT_EQ(QNodeFactory::IsNodeKind(static_cast<uint16_t>(type)), found != rows.end());
        if (found == rows.end()) {
            continue;
        }
        std::unique_ptr<QNode> node = factory.CreateNode(static_cast<uint16_t>(type), false);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->GetTypeID(), type);
        EXPECT_EQ(node->GetType(), static_cast<int32_t>(type));
        EXPECT_EQ(node->GetName(), found->second->name);
        EXPECT_EQ(node->GetID(), 0U);
        EXPECT_EQ(node->GetContext(), nullptr);
        if (found->second->containerType == 0) {
            EXPECT_EQ(node->GetScanContainer(), nullptr);
        } else {
            ASSERT_NE(node->GetScanContainer(), nullptr);
            EXPECT_EQ(node->GetScanContainer()->GetTypeID(), found->second->containerType);
        }
        EXPECT_EQ(QNodeFactory::IsReferenceKind(static_cast<uint16_t>(type)),
                  type == 2008 || type == 2009 || type == 2019);
    }
}

TEST(QNodeFactoryTest, TypesThatAreNoKindFailWithError314) {
    QNodeFactory factory;
    for (uint16_t type : {0, 1999, 2002, 2020, 2021, 2022, 2031, 2032, 2034, 3000, 65535}) {
        SCOPED_TRACE(type);
        try {
            factory.CreateNode(type, true);
            ADD_FAILURE() << "made a node";
        } catch (const QException& e) {
            EXPECT_STREQ(e.what(), "Error#314: Invalid node type.  Node creation has failed.");
        }
    }
}

TEST(QNodeFactoryTest, NewIdsAreDrawnAgainWhileInUseOrReserved) {
    DebugOutputCapture quiet;
    QNodeFactory factory;
    std::vector<uint32_t> probed;
    factory.SetIdInUse([&probed](uint32_t id) {
        probed.push_back(id);
        return probed.size() <= 5;
    });
    std::unique_ptr<QNode> node = factory.CreateNode(kTypeModuleNode, true);
    ASSERT_EQ(probed.size(), 6U);
    EXPECT_EQ(node->GetID(), probed.back());
    EXPECT_NE(node->GetID(), QNodeFactory::kNoNodeId);
}

TEST(QNodeFactoryTest, HundredThousandNewIdsInOneProjectAreUnique) {
    QNodeFactory factory;
    std::set<uint32_t> used;
    factory.SetIdInUse([&used](uint32_t id) { return used.count(id) != 0; });
    for (int i = 0; i < 100000; ++i) {
        const uint32_t id = factory.DrawNodeId();
        ASSERT_NE(id, QNodeFactory::kNoNodeId);
        ASSERT_TRUE(used.insert(id).second) << i;
    }
}

// A factory whose fundamental mediators are link-list fakes, counting how many it made.
struct CountingFactory {
    CountingFactory()
        : factory([this] {
              ++made;
              return std::make_unique<nodefix::LinkListMediator>();
          }) {}
    int made = 0;
    QNodeFactory factory;
};

TEST(QNodeFactoryTest, MediatorTableWiresNodeFundamentalAndProxy) {
    DebugOutputCapture quiet;
    FixtureParent parent;
    for (const KindRow& row : KindTable()) {
        SCOPED_TRACE(row.type);
        CountingFactory maker;
        std::unique_ptr<QNodeMediator> mediator =
            maker.factory.CreateNodeWithMediator(&parent.mediator, nullptr, row.type, nullptr, true);
        ASSERT_NE(mediator, nullptr);
        EXPECT_EQ(maker.made, 1);

        QNodeMediator* fundamental = mediator.get();
        const bool reference = row.type == 2008 || row.type == 2009 || row.type == 2019;
        auto* proxy = dynamic_cast<QProxyNodeMediator*>(mediator.get());
        EXPECT_EQ(proxy != nullptr, reference);
        if (proxy != nullptr) {
            fundamental = proxy->GetOwnMediator();
            ASSERT_NE(fundamental, nullptr);
            EXPECT_EQ(proxy->GetTarget(), nullptr);
        }
        auto* fake = dynamic_cast<nodefix::LinkListMediator*>(fundamental);
        ASSERT_NE(fake, nullptr);
        QNode* node = fake->m_node;
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(fake->m_owned.get(), node);
        // The node's mediator is always the fundamental one, also behind a proxy.
        EXPECT_EQ(node->GetNodeMediator(), fundamental);
        EXPECT_EQ(fundamental->GetParentMediator(), &parent.mediator);
        EXPECT_EQ(node->GetTypeID(), row.type);
        EXPECT_EQ(node->GetType(), static_cast<int32_t>(row.type));
        EXPECT_EQ(node->GetName(), row.name);
        EXPECT_NE(node->GetID(), 0U);
        // The node followed its parent once it was wired.
        EXPECT_EQ(node->GetOverlayOptions()->m_overlayId, FixtureParent::kOverlayId);
    }
}

TEST(QNodeFactoryTest, MediatorForAnInvalidTypeFailsBeforeAnythingIsMade) {
    for (uint16_t type : {2002, 2020, 2031, 2034, 1999}) {
        SCOPED_TRACE(type);
        CountingFactory maker;
        try {
            maker.factory.CreateNodeWithMediator(nullptr, nullptr, type, nullptr, true);
            ADD_FAILURE() << "made a mediator";
        } catch (const QException& e) {
            EXPECT_STREQ(e.what(), QNodeFactory::kInvalidNodeTypeText);
        }
        EXPECT_EQ(maker.made, 0);
    }
}

TEST(QNodeFactoryTest, RootWithoutNewIdKeepsIdZeroAndNoParent) {
    DebugOutputCapture quiet;
    CountingFactory maker;
    std::unique_ptr<QNodeMediator> mediator =
        maker.factory.CreateNodeWithMediator(nullptr, nullptr, kTypePreferencesNode, nullptr, false);
    ASSERT_NE(mediator->GetNode(), nullptr);
    EXPECT_EQ(mediator->GetNode()->GetID(), 0U);
    EXPECT_EQ(mediator->GetParentMediator(), nullptr);
    EXPECT_EQ(mediator->GetNode()->GetName(), "Preferences");
}

} // namespace
} // namespace orv
