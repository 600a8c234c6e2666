#pragma once

// Scan probes pages over a real project window (tree, overlay list, nodes of the real factory): the
// page is made for a node and initialised as its sheet would, without the sheet.

#include "app/UiMessagePump.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CHalvionDoc.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"
#include "dialogs/CPageScanProbes.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"

#include <QMdiArea>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orv::testing {

class ProbesPageProjectFixture : public QtWidgetTest {
protected:
    ProbesPageProjectFixture()
        : m_sandbox(TestName()),
          m_projects(m_frame, m_projectList, m_sandbox.StorageFactory(m_frame, GetUiMessageThread()),
                     m_sandbox.Maker(m_frame, GetUiMessageThread())),
          m_windows(m_area, m_projects) {
        m_area.resize(1400, 1000);
        m_area.show();
        m_project = m_windows.NewDocument();
        EXPECT_TRUE(ProcessEventsUntil([this] { return !m_project->GetView()->IsBuildPending(); }));
        FlushEvents();
    }

    static std::string TestName() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        return std::string(info->test_suite_name()) + "-" + info->name();
    }
    TfrmMainApp& Project() { return *m_projects.FindProjectById(m_project->GetProjectId()); }
    CViewTreeWidget& Tree() { return *m_project->GetProjectPane()->GetTree(); }
    QNodeMediator& AddNode(uint16_t kind) {
        QNodeMediator* mediator =
            Project().GetOpenProject()->AddNode(Tree().GetRootItem(), CViewTree::kLast, kind);
        EXPECT_NE(mediator, nullptr) << kind;
        return *mediator;
    }
    std::unique_ptr<CPageScanProbes> Open(QNodeMediator& node) {
        auto page = std::make_unique<CPageScanProbes>(node, node.GetKind());
        page->OnInitDialog();
        page->show();
        FlushEvents();
        return page;
    }

    ProjectSandbox m_sandbox;
    TestMainFrame m_frame;
    std::vector<std::unique_ptr<TfrmMainApp>> m_projectList;
    QMdiArea m_area;
    CProjectArray m_projects;
    CProjectWindows m_windows;
    CChildFrame* m_project = nullptr;
};

} // namespace orv::testing
