#pragma once

// A project on the real node factory and project file, shown in a real project tree (with the test's
// form view, scan-data list and engine link), and helpers that add nodes to it by kind.

#include "app/panes/CViewTreeWidget.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "project/QNodeMediator.h"
#include "project/QScanDataRecord.h"
#include "project/TfrmProjectView.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orv::testing {

inline constexpr uint32_t kWindow = 4;

inline std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "-" + info->name();
}

inline QSpectralScanAddition SpectralScan(int32_t id) {
    QSpectralScanAddition addition;
    addition.m_Record.m_ScanId = id;
    addition.m_Record.m_StartFrequency = 100.0F;
    addition.m_Record.m_StopFrequency = 200.0F;
    addition.m_Record.m_Rows = 29;
    addition.m_Record.m_Columns = 42;
    addition.m_HasPoints = true;
    addition.m_MirtPoints = {QSpectralPoint{10, 1, 2}, QSpectralPoint{20, 1, 2}};
    return addition;
}

class ProjectTreeFixture : public QtWidgetTest {
protected:
    ProjectTreeFixture() : m_sandbox(TestName()) {
        m_app = m_sandbox.MakeApp(m_frame, m_thread, false);
        m_app->SetProjectId(kWindow);
        m_app->RegisterProjectTree(kWindow, &m_tree);
        EXPECT_TRUE(m_app->NewProject(kWindow, &m_view));
        m_tree.SetProjectId(kWindow);
        m_tree.SetProject(m_app.get());
        m_tree.SetDocumentView(&m_view);
        m_tree.SetScanDataList(&m_view.list);
        m_tree.SetStateController(&m_frame.engine);
        m_tree.resize(320, 600);
    }

    CTreeItem* Root() { return m_tree.GetRootItem(); }
    CTreeItem* Add(CTreeItem* parent, uint16_t kind, const std::string& name = {}) {
        QNodeMediator* mediator = m_app->GetOpenProject()->AddNode(parent, CViewTree::kLast, kind);
        EXPECT_NE(mediator, nullptr) << kind;
        if (mediator == nullptr) {
            return nullptr;
        }
        if (!name.empty()) {
            mediator->SetName(name);
            m_tree.SetItemLabel(m_tree.GetRecords().FindByMediator(mediator), name);
        }
        return m_tree.GetRecords().FindByMediator(mediator);
    }
    // One node of every kind the tree knows, keyed by a short name.
    void BuildEveryKind() {
        CTreeItem* root = Root();
        m_nodes["root"] = root;
        m_nodes["module"] = Add(root, kTypeModuleNode);
        m_nodes["spectral"] = Add(root, kTypeSpectralScanNode);
        m_nodes["spatialUnderSpectral"] = Add(m_nodes["spectral"], kTypeSpatialScanNode);
        m_nodes["compareSpectral"] = Add(m_nodes["spectral"], kTypeSpectralComparisonNode);
        m_nodes["overlay"] = Add(m_nodes["spectral"], kTypeSpectralOverlayNode);
        m_nodes["spatial"] = Add(root, kTypeSpatialScanNode);
        m_nodes["spatial"]->m_mediator->GetScanOptions()->SetInterleavedScan(1);
        m_nodes["compareSpatial"] = Add(m_nodes["spatial"], kTypeSpatialComparisonNode);
        m_nodes["blindSpot"] = Add(m_nodes["spatial"], kTypeBlindSpotReductionNode);
        m_nodes["ss"] = Add(root, kTypeSpectralSpatialScanNode);
        m_nodes["composite"] = Add(m_nodes["ss"], kTypeSpectralSpatialUserCompositeNode);
        m_nodes["scripting"] = Add(root, kTypeSpectralSpatialScriptingModuleNode);
        m_nodes["scriptSS"] = Add(m_nodes["scripting"], kTypeSpectralSpatialScanNode);
        m_nodes["scriptSpatial"] = Add(m_nodes["scriptSS"], kTypeSpatialScanNode);
        m_nodes["handheld"] = Add(root, kTypeHandHeldProbeScanNode);
        m_nodes["report"] = Add(root, kTypeWordReportNode);
    }
    std::vector<uint32_t> Received() {
        m_thread.Pump();
        return m_view.target.Ids();
    }
    size_t CountReceived(uint32_t id) {
        const auto received = Received();
        return static_cast<size_t>(std::count(received.begin(), received.end(), id));
    }
    std::vector<std::string>& Log() { return m_view.factory.log; }
    bool Logged(const std::string& prefix) {
        return std::any_of(Log().begin(), Log().end(),
                           [&prefix](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    }
    QPoint CentreOf(CTreeItem* record) { return m_tree.visualItemRect(record->m_item).center(); }
    void ShowTree() {
        m_tree.show();
        testing::FlushEvents();
    }

    MessageThread m_thread;
    ProjectSandbox m_sandbox;
    TestMainFrame m_frame;
    RecordingFormView m_view{m_thread};
    CViewTreeWidget m_tree;
    std::unique_ptr<TfrmMainApp> m_app;
    std::map<std::string, CTreeItem*> m_nodes;
};

} // namespace orv::testing
