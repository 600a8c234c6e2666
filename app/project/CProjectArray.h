#pragma once

// The main frame's projects: one TfrmMainApp per project window, found by the window's project id.
// It builds a window's project once the window's pane with its tree and list exists, and forwards the
// frame's project commands (connect, disconnect, run, stop, save, save as) by id; an id it does not
// hold does nothing.
//
// User-interface thread only.

#include "project/QNodeFactory.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv {

class CChildFrame;
class CHalvionView;
class QMainFrame;
class QProjectStorageManagerFactory;
class QScanEngineLink;
class TfrmMainApp;

class CProjectArray {
public:
    // `projects` is the main frame's array; this object builds into it and takes out of it.
    CProjectArray(QMainFrame& mainFrame, std::vector<std::unique_ptr<TfrmMainApp>>& projects,
                  std::shared_ptr<QProjectStorageManagerFactory> storageFactory,
                  QNodeFactory::FundamentalMediatorMaker makeFundamental);
    // Closes and frees the projects still in the array.
    ~CProjectArray();
    CProjectArray(const CProjectArray&) = delete;
    CProjectArray& operator=(const CProjectArray&) = delete;

    // Builds the project of the view's window: a new one, or the one at `path` (under the wait
    // cursor). The project is bound to that window's tree, list and frame. Null when it could not be
    // built; then nothing is kept.
    TfrmMainApp* NewProject(uint32_t projectId, CHalvionView& view);
    TfrmMainApp* OpenProject(uint32_t projectId, CHalvionView& view, const std::string& path);

    TfrmMainApp* FindProjectById(uint32_t projectId) const;
    // Closes the project and frees it; nothing for an unknown id.
    void RemoveProject(uint32_t projectId);
    size_t GetCount() const { return m_projects.size(); }

    bool ConnectProject(uint32_t projectId);
    bool DisconnectProject(uint32_t projectId);
    bool RunProject(uint32_t projectId);
    bool StopScanOfProject(uint32_t projectId);
    bool SaveProject(uint32_t projectId);
    bool SaveProjectAs(uint32_t projectId, const std::string& path);

    QScanEngineLink* GetController() const;
    QMainFrame& GetMainFrame() const { return m_mainFrame; }

private:
    TfrmMainApp* Build(uint32_t projectId, CHalvionView& view, const std::string* path);

    QMainFrame& m_mainFrame;
    std::vector<std::unique_ptr<TfrmMainApp>>& m_projects;
    std::shared_ptr<QProjectStorageManagerFactory> m_storageFactory;
    QNodeFactory::FundamentalMediatorMaker m_makeFundamental;
};

} // namespace orv
