#pragma once

// The project document kind the main frame makes its project windows with: windows in the frame's
// MDI area whose projects go into the frame's project array, counted by the frame's counters and
// recorded as its active project frame when activated.
//
// User-interface thread only.

#include "app/CProjectDocument.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"

#include <memory>

namespace orv {

class CMainFrame;
class QMediatorProjectFileModel;

class CProjectDocumentKind : public CProjectDocumentFactory {
public:
    CProjectDocumentKind(CMainFrame& frame, std::shared_ptr<QProjectStorageManagerFactory> storageFactory,
                         QNodeFactory::FundamentalMediatorMaker makeFundamental);
    ~CProjectDocumentKind() override;

    bool NewDocument() override;
    bool OpenDocument(const std::string& path) override;

    CProjectWindows& GetWindows() { return m_windows; }
    CProjectArray& GetProjects() { return m_projects; }

    // The kind of the running program: projects in the real project file, nodes on the
    // user-interface thread. Registered with the frame, which owns it.
    static void Register(CMainFrame& frame);

private:
    std::unique_ptr<QMediatorProjectFileModel> m_model;
    CProjectArray m_projects;
    CProjectWindows m_windows;
};

} // namespace orv
