#include "tests/app/support/AcceptanceDriver.h"

#include "app/CClientConnectionLink.h"
#include "app/CMainFrame.h"
#include "app/controls/CMainStatusBar.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CWndMainNotification.h"
#include "app/project/CChildFrame.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectDocumentKind.h"
#include "core/WriteRegistryString.h"
#include "project/TfrmMainApp.h"
#include "tests/app/support/QtTestApplication.h"

#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <filesystem>

namespace orv::testing {

using namespace std::chrono_literals;

AcceptanceDriver::AcceptanceDriver() : m_repository(m_environment.Root() + "/repo") {
    std::filesystem::create_directories(m_repository + "/Data");
    WriteRegistryString(SettingsRoot::CurrentUser, TfrmMainApp::kRepositoriesKey,
                        TfrmMainApp::kLastRepositoryValue, m_repository);
}

CHalvionApp::Options AcceptanceDriver::Options() {
    CHalvionApp::Options options;
    options.lockPath = m_environment.LockPath();
    options.prompt = m_environment.GetPromptPointer();
    options.frame.pipePath = m_environment.PipePath();
    options.frame.makeIcmpPing = false;
    options.frame.makeConnectionLink = &CClientConnectionLink::MakeForFrame;
    return options;
}

bool AcceptanceDriver::TriggerMenuItem(CMainFrame& frame, uint32_t id) {
    for (QAction* menu : frame.menuBar()->actions()) {
        if (menu->menu() == nullptr) {
            continue;
        }
        emit menu->menu()->aboutToShow();
        for (QAction* item : menu->menu()->actions()) {
            if (item->data().toUInt() == id && item->isEnabled()) {
                item->trigger();
                return true;
            }
        }
    }
    return false;
}

bool AcceptanceDriver::WaitForConnectedDevices(CMainFrame& frame) {
    return ProcessEventsUntil(
        [&] {
            return frame.GetNotificationWindow() != nullptr &&
                   !frame.GetNotificationWindow()->GetNoticeTexts().empty();
        },
        30s);
}

CChildFrame* AcceptanceDriver::WaitForBuiltProject(CProjectDocumentKind& kind,
                                                   const std::vector<CChildFrame*>& before) {
    CChildFrame* built = nullptr;
    const bool done = ProcessEventsUntil(
        [&] {
            built = nullptr;
            for (CChildFrame* frame : kind.GetWindows().GetFrames()) {
                if (std::find(before.begin(), before.end(), frame) == before.end()) {
                    built = frame;
                }
            }
            return built != nullptr && built->GetView() != nullptr && !built->GetView()->IsBuildPending() &&
                   built->GetProjectPane() != nullptr && built->GetProjectPane()->GetTree() != nullptr &&
                   built->GetProject() != nullptr;
        },
        30s);
    return done ? built : nullptr;
}

CChildFrame* AcceptanceDriver::MakeProject(CMainFrame& frame) {
    auto& kind = static_cast<CProjectDocumentKind&>(*frame.GetDocumentFactory());
    const std::vector<CChildFrame*> before = kind.GetWindows().GetFrames();
    if (!TriggerMenuItem(frame, 57648)) {
        return nullptr;
    }
    return WaitForBuiltProject(kind, before);
}

std::vector<std::string> AcceptanceDriver::WatchPaneOne(CMainFrame& frame,
                                                        const std::function<bool()>& done) {
    std::vector<std::string> texts;
    CMainStatusBar& bar = *frame.GetMainStatusBar();
    bar.SetPaneTextWatcher([&texts](int pane, const QString& text) {
        if (pane == 1 && (texts.empty() || texts.back() != text.toStdString())) {
            texts.push_back(text.toStdString());
        }
    });
    ProcessEventsUntil(done, 60s);
    bar.SetPaneTextWatcher(nullptr);
    return texts;
}

} // namespace orv::testing
