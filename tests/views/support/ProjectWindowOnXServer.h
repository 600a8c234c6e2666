#pragma once

// A real project window, built and maximised in an MDI area of the test's own on an X server (Xvfb),
// over a repository of its own: the frames, lists and drags that need real windows without starting
// the whole program.

#include "app/UiMessagePump.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CFormViewFactory.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"
#include "project/QNodeMediator.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "tests/app/support/ProjectWindowSupport.h"
#include "tests/app/support/QtTestApplication.h"
#include "views/spatial/CViewFrameMaker.h"

#include <QGuiApplication>
#include <QMdiArea>
#include <QRect>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv::testing {

class ProjectWindowOnXServerTest : public QtWidgetTest {
protected:
    // `name` names the repository; `area` is the MDI area's place on the screen.
    ProjectWindowOnXServerTest(const std::string& name, QRect area)
        : m_areaGeometry(area), m_sandbox(name),
          m_projects(m_frame, m_projectList, m_sandbox.StorageFactory(m_frame, GetUiMessageThread()),
                     m_sandbox.Maker(m_frame, GetUiMessageThread())),
          m_windows(m_area, m_projects) {}

    void SetUp() override {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            GTEST_SKIP() << "runs on an X server (Xvfb)";
        }
        m_area.setGeometry(m_areaGeometry);
        m_area.show();
        CViewFrameMaker::Install();
        m_project = m_windows.NewDocument();
        ASSERT_TRUE(ProcessEventsUntil([this] { return !m_project->GetView()->IsBuildPending(); }));
        m_project->parentWidget()->showMaximized();
        FlushEvents();
    }
    void TearDown() override { CFormViewFactory::SetFrameMaker({}); }

    CViewTreeWidget& Tree() { return *m_project->GetProjectPane()->GetTree(); }
    // A node of `kind`, added last under the project's root.
    QNodeMediator& AddNode(uint16_t kind) {
        TfrmMainApp& project = *m_projects.FindProjectById(m_project->GetProjectId());
        return *project.GetOpenProject()->AddNode(Tree().GetRootItem(), CViewTree::kLast, kind);
    }

    QRect m_areaGeometry;
    ProjectSandbox m_sandbox;
    TestMainFrame m_frame;
    std::vector<std::unique_ptr<TfrmMainApp>> m_projectList;
    QMdiArea m_area;
    CProjectArray m_projects;
    CProjectWindows m_windows;
    CChildFrame* m_project = nullptr;
};

} // namespace orv::testing
