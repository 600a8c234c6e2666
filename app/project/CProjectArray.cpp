#include "app/project/CProjectArray.h"

#include "app/controls/CProjectView.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CHalvionView.h"
#include "project/QMainFrame.h"
#include "project/QProjectStorageManagerFactory.h"
#include "project/TfrmMainApp.h"

#include <QApplication>
#include <QCursor>

#include <algorithm>

namespace orv {

CProjectArray::CProjectArray(QMainFrame& mainFrame, std::vector<std::unique_ptr<TfrmMainApp>>& projects,
                             std::shared_ptr<QProjectStorageManagerFactory> storageFactory,
                             QNodeFactory::FundamentalMediatorMaker makeFundamental)
    : m_mainFrame(mainFrame), m_projects(projects), m_storageFactory(std::move(storageFactory)),
      m_makeFundamental(std::move(makeFundamental)) {}

CProjectArray::~CProjectArray() {
    for (auto& project : m_projects) {
        project->CloseProject();
    }
    m_projects.clear();
}

QScanEngineLink* CProjectArray::GetController() const {
    return m_mainFrame.GetScanEngineLink();
}

TfrmMainApp* CProjectArray::Build(uint32_t projectId, CHalvionView& view, const std::string* path) {
    CChildFrame* frame = view.GetFrame();
    CProjectView* pane = frame != nullptr ? frame->GetProjectPane() : nullptr;
    CViewTreeWidget* tree = pane != nullptr ? pane->GetTree() : nullptr;
    if (tree == nullptr) {
        return nullptr;
    }
    // An opened project brings its own Preferences node.
    auto project =
        std::make_unique<TfrmMainApp>(m_mainFrame, path != nullptr, m_storageFactory, m_makeFundamental);
    project->SetProjectId(projectId);
    project->RegisterProjectTree(projectId, tree);
    QScanEngineLink* controller = GetController();
    view.SetProject(project.get(), controller);
    frame->SetProject(project.get(), controller);
    pane->SetProject(project.get(), controller);
    bool built = false;
    if (path == nullptr) {
        built = project->NewProject(projectId, &view);
    } else {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        built = project->OpenProject(projectId, *path, &view);
        QApplication::restoreOverrideCursor();
    }
    if (!built) {
        view.SetProject(nullptr, controller);
        frame->SetProject(nullptr, controller);
        pane->SetProject(nullptr, controller);
        return nullptr;
    }
    m_projects.push_back(std::move(project));
    return m_projects.back().get();
}

TfrmMainApp* CProjectArray::NewProject(uint32_t projectId, CHalvionView& view) {
    return Build(projectId, view, nullptr);
}

TfrmMainApp* CProjectArray::OpenProject(uint32_t projectId, CHalvionView& view, const std::string& path) {
    return Build(projectId, view, &path);
}

TfrmMainApp* CProjectArray::FindProjectById(uint32_t projectId) const {
    const auto found = std::find_if(m_projects.begin(), m_projects.end(), [projectId](const auto& project) {
        return project->GetProjectId() == projectId;
    });
    return found != m_projects.end() ? found->get() : nullptr;
}

void CProjectArray::RemoveProject(uint32_t projectId) {
    const auto found = std::find_if(m_projects.begin(), m_projects.end(), [projectId](const auto& project) {
        return project->GetProjectId() == projectId;
    });
    if (found == m_projects.end()) {
        return;
    }
    std::unique_ptr<TfrmMainApp> project = std::move(*found);
    m_projects.erase(found);
    project->CloseProject();
}

bool CProjectArray::ConnectProject(uint32_t projectId) {
    TfrmMainApp* project = FindProjectById(projectId);
    return project != nullptr && project->ConnectScanEngine();
}

bool CProjectArray::DisconnectProject(uint32_t projectId) {
    TfrmMainApp* project = FindProjectById(projectId);
    return project != nullptr && project->DisconnectScanEngine();
}

bool CProjectArray::RunProject(uint32_t projectId) {
    TfrmMainApp* project = FindProjectById(projectId);
    return project != nullptr && project->RunScan();
}

bool CProjectArray::StopScanOfProject(uint32_t projectId) {
    TfrmMainApp* project = FindProjectById(projectId);
    return project != nullptr && project->StopScan();
}

bool CProjectArray::SaveProject(uint32_t projectId) {
    TfrmMainApp* project = FindProjectById(projectId);
    return project != nullptr && project->SaveProject();
}

bool CProjectArray::SaveProjectAs(uint32_t projectId, const std::string& path) {
    TfrmMainApp* project = FindProjectById(projectId);
    return project != nullptr && project->SaveProjectAs(path);
}

} // namespace orv
