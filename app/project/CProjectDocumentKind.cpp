#include "app/project/CProjectDocumentKind.h"

#include "app/CAppProfile.h"
#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/UiMessagePump.h"
#include "app/project/CChildFrame.h"
#include "project/QFileSystemProjectStorageManagerFactory.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QMediatorProjectFileModel.h"
#include "project/QProjectFile.h"

#include <QMdiSubWindow>

namespace orv {
namespace {

// The commands a project window handles, by its active frame's rules.
constexpr uint32_t kFrameCommands[] = {
    ProjectCommand::kConnect,
    ProjectCommand::kDisconnect,
    ProjectCommand::kRun,
    ProjectCommand::kStop,
    ProjectCommand::kDeleteNode,
    ProjectCommand::kDeleteScanData,
    ProjectCommand::kProperties,
    ProjectCommand::kSettings,
    ProjectCommand::kPreferences,
    ProjectCommand::kStitch,
    ProjectCommand::kSave,
    ProjectCommand::kSaveAs,
    32783,
    32784,
    32787,
    32790,
    32791,
    32792,
    32793,
    32794,
    32795,
    32796,
    32866,
    32868,
    32869,
};

} // namespace

CProjectDocumentKind::CProjectDocumentKind(CMainFrame& frame,
                                           std::shared_ptr<QProjectStorageManagerFactory> storageFactory,
                                           QNodeFactory::FundamentalMediatorMaker makeFundamental)
    : m_projects(frame, frame.GetProjects(), std::move(storageFactory), std::move(makeFundamental)),
      m_windows(*frame.GetMdiArea(), m_projects) {
    m_windows.SetCounters([&frame] { return frame.TakeNextProjectId(); },
                          [&frame] { return static_cast<int32_t>(frame.TakeNextProjectTitleNumber()); });
    m_windows.SetStartupDocumentSource([] {
        CHalvionApp* app = CHalvionApp::GetApp();
        return app != nullptr && app->TakeStartupDocumentFlag();
    });
    m_windows.SetClosingSource([&frame] { return frame.IsClosing(); });
    // Pane 0 names the analyser of the active project's preferences.
    m_windows.SetActivationHook([&frame](QMdiSubWindow* window) {
        frame.SetActiveProjectFrame(window);
        frame.RefreshStatusText();
    });
    m_windows.SetBuiltHook([&frame] { frame.RefreshStatusText(); });
    m_windows.SetRecentFileHook([](const std::string& path) { CAppProfile::AddToRecentFileList(path); });
}

CProjectDocumentKind::~CProjectDocumentKind() = default;

bool CProjectDocumentKind::NewDocument() {
    return m_windows.NewDocument() != nullptr;
}

bool CProjectDocumentKind::OpenDocument(const std::string& path) {
    return m_windows.OpenDocument(path) != nullptr;
}

void CProjectDocumentKind::Register(CMainFrame& frame) {
    MessageThread& thread = GetUiMessageThread();
    QNodeFactory::FundamentalMediatorMaker maker = QFundamentalNodeMediator::MakeMaker(thread, &frame);
    auto model = std::make_unique<QMediatorProjectFileModel>(maker);
    auto storage =
        std::make_shared<QFileSystemProjectStorageManagerFactory>(std::make_shared<QProjectFile>(*model));
    auto kind = std::make_unique<CProjectDocumentKind>(frame, std::move(storage), std::move(maker));
    kind->m_model = std::move(model);
    // The project window's commands in the frame's table act on the active project window.
    CProjectWindows* windows = &kind->m_windows;
    for (uint32_t id : kFrameCommands) {
        frame.GetCommandTable().SetHandler(
            id,
            [windows, id] {
                if (CChildFrame* active = windows->GetActiveFrame()) {
                    active->OnCommand(id);
                }
            },
            [windows, id] {
                CChildFrame* active = windows->GetActiveFrame();
                return active != nullptr && active->IsCommandEnabled(id).value_or(false);
            });
    }
    frame.SetDocumentFactory(std::move(kind));
}

} // namespace orv
