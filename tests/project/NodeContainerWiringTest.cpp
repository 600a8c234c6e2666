// What a node mediator reaches through its node container, on the real project containers: the
// tree around the node, the project's storage and modified mark, and the child nodes the scan
// workflow makes and removes.

#include "core/TypeIds.h"
#include "project/QFileSystemProjectStorageManagerFactory.h"
#include "project/QNodeContainer.h"
#include "scandata/QMeasuredFrequencyData.h"
#include "scandata/QScanContainer.h"
#include "tests/project/support/ProjectContainerFixture.h"
#include "tests/project/support/WiredNodeMediator.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace orv::containertest {
namespace {

class NodeContainerWiringTest : public ProjectContainerTest {
protected:
    void SetUp() override {
        ProjectContainerTest::SetUp();
        m_app = std::make_unique<TfrmMainApp>(
            m_frame, false, std::make_shared<QFileSystemProjectStorageManagerFactory>(m_operations),
            wiring::MakeWiredMediator);
        m_app->RegisterProjectTree(kWindow, &m_tree);
        ASSERT_TRUE(m_app->NewProject(kWindow, nullptr));
        m_view = m_app->GetOpenProject();
        m_root = m_view->GetRootMediator();
    }
    void TearDown() override {
        m_app.reset();
        ProjectContainerTest::TearDown();
    }

    QNodeMediator* AddUnderRoot(uint16_t kind) {
        return m_view->AddNode(m_view->FindRecord(m_root)->m_item, CViewTree::kLast, kind);
    }

    std::unique_ptr<TfrmMainApp> m_app;
    TfrmProjectView* m_view = nullptr;
    QNodeMediator* m_root = nullptr;
};

TEST_F(NodeContainerWiringTest, TheProjectViewAnswersForTheTreeStorageAndModifiedMark) {
    QNodeMediator* node = AddUnderRoot(kTypeSpectralScanNode);
    ASSERT_NE(node, nullptr);
    QNodeContainer& container = *node->GetContainer();
    EXPECT_EQ(container.GetParentMediator(*node), m_root);
    EXPECT_EQ(container.GetParentMediator(*m_root), m_app->GetPreferencesMediator());
    EXPECT_EQ(container.GetStorageManager(), m_view->GetStorageManager());
    EXPECT_EQ(container.GetPreferencesMediator(), m_app->GetPreferencesMediator());

    m_operations->save = [](QStorageErrorList&) { return true; };
    ASSERT_TRUE(m_view->SaveProject());
    ASSERT_FALSE(m_view->IsModified());
    container.MarkModified();
    EXPECT_TRUE(m_view->IsModified());

    // A node the project does not hold gets no child; the root is not deleted through it.
    wiring::WiredNodeMediator stranger;
    EXPECT_EQ(container.AddChildNode(stranger, kTypeSpatialScanNode), nullptr);
    EXPECT_FALSE(container.DeleteChildNode(stranger));
    EXPECT_FALSE(container.DeleteChildNode(*m_root));
    EXPECT_EQ(m_view->GetNodeCount(), 2U);
}

TEST_F(NodeContainerWiringTest, ThePreferencesContainerHasNoTreeOfItsOwn) {
    QNodeMediator& preferences = *m_app->GetPreferencesMediator();
    QNodeContainer& container = *m_app->GetNodeContainer();
    EXPECT_EQ(container.GetParentMediator(preferences), nullptr);
    EXPECT_EQ(container.GetStorageManager(), m_app->GetPreferencesStorageManager());
    EXPECT_EQ(container.AddChildNode(preferences, kTypeSpatialScanNode), nullptr);
    EXPECT_FALSE(container.DeleteChildNode(*m_root));
    preferences.DeleteChildNodes();
    EXPECT_EQ(m_view->GetRootMediator(), m_root);
}

TEST_F(NodeContainerWiringTest, SpatialSubNodesFollowTheMeasuredFrequenciesAndGoAgain) {
    QNodeMediator* scan = AddUnderRoot(kTypeSpectralSpatialScanNode);
    ASSERT_NE(scan, nullptr);
    {
        QScanContainer* container = scan->LockScanContainer();
        QMeasuredFrequencyData& measured = container->GetMeasuredFrequencyData();
        measured.SetEntryCount(2);
        measured.SetEntryFrequency(0, 100.0F);
        measured.SetEntryFrequency(1, 150.5F);
        scan->UnlockScanContainer();
    }
    // Child names carry C-locale numbers whatever the user's locale.
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    scan->CreateSpatialSubNodes();
    std::setlocale(LC_NUMERIC, previous.c_str());

    EXPECT_EQ(m_tree.Outline(), "Project(Spectral/Spatial(spatial -  100.000 MHz,spatial -  150.500 MHz))");
    const std::vector<QNodeMediator*> children = m_view->GetChildMediators(*scan);
    ASSERT_EQ(children.size(), 2U);
    const float frequencies[] = {100.0F, 150.5F};
    for (size_t i = 0; i < children.size(); ++i) {
        EXPECT_EQ(children[i]->GetKind(), kTypeSpatialScanNode);
        EXPECT_EQ(children[i]->GetParentMediator(), scan);
        EXPECT_EQ(children[i]->GetScanOptions()->GetStartFrequency(), frequencies[i]);
        EXPECT_EQ(children[i]->GetScanOptions()->GetStopFrequency(), frequencies[i]);
    }

    scan->DeleteChildNodes();
    EXPECT_EQ(m_tree.Outline(), "Project(Spectral/Spatial)");
    EXPECT_EQ(m_view->GetNodeCount(), 2U);
    EXPECT_TRUE(m_view->IsModified());
}

TEST_F(NodeContainerWiringTest, AScriptingNodesChildrenAreMadeAnewFromItsScripts) {
    QNodeMediator* scripting = AddUnderRoot(kTypeSpectralSpatialScriptingModuleNode);
    ASSERT_NE(scripting, nullptr);
    scripting->GetScriptDefinitions() = {{10.0F, 20.0F, 1.0F, "1 MHz"}, {150.25F, 300.0F, 0.1F, "100 kHz"}};
    scripting->RebuildScriptNodes();
    scripting->RebuildScriptNodes();

    const std::vector<QNodeMediator*> children = m_view->GetChildMediators(*scripting);
    ASSERT_EQ(children.size(), 2U);
    EXPECT_EQ(m_view->GetNodeCount(), 4U);
    EXPECT_EQ(children[0]->GetKind(), kTypeSpectralSpatialScanNode);
    EXPECT_EQ(children[0]->GetLabel(), "Start Freq: 10.00   ; Stop Freq: 20.00   ; RBW: 1 MHz");
    EXPECT_EQ(children[1]->GetLabel(), "Start Freq: 150.25  ; Stop Freq: 300.00  ; RBW: 100 kHz");
    EXPECT_EQ(children[1]->GetScanOptions()->GetStartFrequency(), 150.25F);
    EXPECT_EQ(children[1]->GetScanOptions()->GetStopFrequency(), 300.0F);

    // Another kind of node has no scripts to rebuild from and keeps its children.
    QNodeMediator* scan = AddUnderRoot(kTypeSpectralScanNode);
    m_view->AddNode(m_view->FindRecord(scan)->m_item, CViewTree::kLast, kTypeSpatialScanNode);
    scan->RebuildScriptNodes();
    EXPECT_EQ(m_view->GetChildMediators(*scan).size(), 1U);
}

TEST_F(NodeContainerWiringTest, RebuildingAllViewsRemakesComparedResultsAndNeverCancelsADueOne) {
    QNodeMediator* comparison = AddUnderRoot(kTypeSpectralComparisonNode);
    ASSERT_NE(comparison, nullptr);
    QNodeMediator& preferences = *m_app->GetPreferencesMediator();
    ASSERT_TRUE(comparison->IsComparedResultChanged()) << "nothing was compared yet";
    // Without the flag a result that is due to be made again stays due.
    preferences.RebuildAllNodeViews(false);
    EXPECT_TRUE(comparison->IsComparedResultChanged());
    comparison->ClearComparedResultChanged();
    preferences.RebuildAllNodeViews(false);
    EXPECT_FALSE(comparison->IsComparedResultChanged());
    preferences.RebuildAllNodeViews(true);
    EXPECT_TRUE(comparison->IsComparedResultChanged());
}

} // namespace
} // namespace orv::containertest
