// The main frame's status displays: the scan status and progress in pane 1 with the progress
// control, the instruments' status text in pane 0, the notices, and the private messages the engine
// link and the scan run post to show them.

#include "analyzers/CInstrumentInfo.h"
#include "app/CMainFrame.h"
#include "app/CMainFrameDisplayLink.h"
#include "app/CSoundEffectPlayer.h"
#include "app/CStopScanWindow.h"
#include "app/QtConversions.h"
#include "app/controls/CMainStatusBar.h"
#include "app/controls/CProgressInStatus.h"
#include "app/panes/CWndMainNotification.h"
#include "app/project/CChildFrame.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineObjects.h"
#include "platform/CLocale.h"
#include "project/TfrmMainApp.h"
#include "protocol/CMainFrameLink.h"
#include "protocol/QUIBBStateController.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <cmath>
#include <limits>

namespace orv {

namespace {

constexpr uint32_t kScanningColour = 0xC80000;      // RGB (0, 0, 200)
constexpr uint32_t kSetupColour = 0x2580F5;         // RGB (245, 128, 37)
constexpr uint32_t kPeakDetectionColour = 0x00A0A0; // RGB (160, 160, 0)
constexpr uint32_t kFinishedColour = 0xE1FFE1;      // RGB (225, 255, 225)

// A run's end codes: the frame of the project that ran is idle again.
using Run = QUIBBStateController;

bool IsRunEndCode(int32_t code) {
    return code == Run::kStatusSetupAborted || code == Run::kStatusSetupFailed ||
           code == Run::kStatusScanTerminated || code == Run::kStatusScanAborted ||
           code == Run::kStatusScanCompleted;
}

std::string ScanStatusText(int32_t code) {
    switch (code) {
    case -100:
        return " ";
    case Run::kStatusSetupAborted:
        return "Setting SA ...... Aborted";
    case Run::kStatusSetupFailed:
        return "Setting SA ...... Failed";
    case Run::kStatusAnalyzerBeingSet:
        return "Setting the SA ......  ";
    case Run::kStatusScanTerminated:
        return "Scan ...... Terminated";
    case Run::kStatusScanAborted:
        return "Scan ...... Aborted";
    case Run::kStatusScanStarted:
        return "Scanning ...... ";
    case Run::kStatusScanCompleted:
        return "Scan ...... Completed";
    default:
        return FormatC("Scanning ......  %02d %s", code, "%");
    }
}

// A message's integer argument: the status code may come in either parameter.
int32_t MessageCode(const Message& message) {
    if (message.wParam != 0) {
        return static_cast<int32_t>(static_cast<int64_t>(message.wParam));
    }
    return static_cast<int32_t>(message.lParam);
}

} // namespace

CMainFrameLink& CMainFrame::GetFrameLink() {
    if (m_frameLink == nullptr) {
        m_frameLink = std::make_unique<CMainFrameDisplayLink>(*this);
    }
    return *m_frameLink;
}

void CMainFrame::RegisterStatusMessages() {
    RegisterMessageHandler(CMainFrameLink::kMsgAnalyzerConnected, [this](Message&) {
        OnDevicesConnected();
        return int64_t{0};
    });
    RegisterMessageHandler(CMainFrameLink::kMsgScanStatus, [this](Message& message) {
        ShowScanStatus(MessageCode(message));
        return int64_t{0};
    });
    RegisterMessageHandler(CMainFrameLink::kMsgAnalyzerSetupProgress, [this](Message& message) {
        OnSetupProgress(MessageCode(message));
        return int64_t{0};
    });
    RegisterMessageHandler(CMainFrameLink::kMsgStatusTextChanged, [this](Message&) {
        OnStatusText();
        return int64_t{0};
    });
}

void CMainFrame::SetScanPaneText(const std::string& text) {
    if (m_statusBar != nullptr) {
        m_statusBar->SetPaneText(1, CodePageToQString(text));
    }
}

void CMainFrame::SetProgress(uint32_t colour, int32_t position) {
    if (m_progress != nullptr) {
        m_progress->SetBarColour(colour);
        m_progress->SetPos(position);
    }
}

void CMainFrame::ShowScanStatus(int32_t code) {
    const bool listed =
        code == -100 || (code >= Run::kStatusSetupAborted && code <= Run::kStatusScanCompleted);
    SetScanPaneText(ScanStatusText(code));
    // A code outside 0-100 goes to the bar as it is: the control fills nothing outside its range.
    SetProgress(kScanningColour, listed ? 0 : code);
    if (GetInstrumentInfo().GetProbeType() == eProbeType::RobotArm) {
        if (code == Run::kStatusScanStarted) {
            ShowStopScanFrame();
        } else if (m_stopScanFrame != nullptr &&
                   (code == Run::kStatusScanTerminated || code == Run::kStatusScanAborted ||
                    code == Run::kStatusScanCompleted)) {
            m_stopScanFrame->Hide();
        }
    }
    if (IsRunEndCode(code)) {
        SetRunningFramesIdle();
    }
}

void CMainFrame::ShowStopScanFrame() {
    if (m_stopScanFrame == nullptr) {
        CStopScanWindow::Actions actions;
        actions.stopScan = [this] {
            if (TfrmMainApp* project = GetActiveProject()) {
                StopScanOfProject(static_cast<int32_t>(project->GetProjectId()));
            }
        };
        actions.stopArm = [this] {
            // The arm's own link, under the swap lock alone: the emergency stop never waits for the
            // cell or frame the scan thread holds the devices for.
            CDeviceManager* manager =
                m_engine != nullptr ? m_engine->GetSetupScan().GetDeviceManager() : nullptr;
            if (manager != nullptr) {
                manager->StopArm();
            }
        };
        m_stopScanFrame = std::make_unique<CStopScanWindow>(std::move(actions));
    }
    m_stopScanFrame->ShowAtTopRight();
}

void CMainFrame::SetRunningFramesIdle() {
    if (m_mdiArea == nullptr) {
        return;
    }
    // One scan runs at a time: the frame still marked running is the one of the project that ran.
    for (QMdiSubWindow* window : m_mdiArea->subWindowList()) {
        auto* frame = dynamic_cast<CChildFrame*>(window->widget());
        if (frame != nullptr && frame->GetRunState() == CChildFrame::kScanning) {
            frame->SetIdleState();
        }
    }
}

void CMainFrame::ShowScanningProgress(int32_t percent) {
    const std::string text = FormatC("Scanning  ......  %02d %s", percent, "%");
    SetScanPaneText(text);
    SetProgress(kScanningColour, percent < 100 ? percent : 100);
}

void CMainFrame::ShowScanningProgressFraction(double percent) {
    if (!std::isfinite(percent)) {
        percent = 0.0;
    }
    SetScanPaneText(FormatC("Scanning ......  %-5.2f %s", percent, "%"));
    const double clamped = std::clamp(percent, static_cast<double>(std::numeric_limits<int32_t>::min()),
                                      static_cast<double>(std::numeric_limits<int32_t>::max()));
    SetProgress(kScanningColour, static_cast<int32_t>(clamped));
}

void CMainFrame::ShowPeakDetectionProgress(int32_t percent) {
    if (percent < 100) {
        SetScanPaneText(FormatC("Detecting Peaks...... %02d %s", percent, "%"));
        SetProgress(kPeakDetectionColour, percent);
        return;
    }
    SetScanPaneText("Scan ...... Completed");
    SetProgress(kFinishedColour, 0);
    if (GetInstrumentInfo().GetProbeType() == eProbeType::RobotArm && m_stopScanFrame != nullptr) {
        m_stopScanFrame->Hide();
    }
}

void CMainFrame::OnSetupProgress(int32_t percent) {
    if (percent < 100) {
        SetScanPaneText(FormatC("Setting the SA ......  %02d %s", percent, "%"));
        SetProgress(kSetupColour, percent);
        return;
    }
    SetProgress(kFinishedColour, 100);
}

void CMainFrame::OnDevicesConnected() {
    if (m_progress != nullptr) {
        m_progress->SetBackgroundColour(kFinishedColour);
    }
    ShowNotification(GetInstrumentInfo().GetProbeType() != eProbeType::NoScanner
                         ? "Connected to Scanner and Spectrum Analyzer."
                         : "Connected to Spectrum Analyzer. (Handheld mode only)",
                     0);
    PlaySoundResource(CSoundEffectPlayer::kDeviceConnectSound);
}

void CMainFrame::PostStatusText(const std::string& text) {
    GetInstrumentInfo().SetStatusText(text);
    Post(CMainFrameLink::kMsgStatusTextChanged);
}

void CMainFrame::ShowNotification(const std::string& text, int32_t durationMs) {
    if (m_notification != nullptr) {
        m_notification->AddNotice(text, durationMs);
    }
}

bool CMainFrame::StopScanOfProject(int32_t projectId) {
    TfrmMainApp* const project = FindProjectById(static_cast<uint32_t>(projectId));
    return project != nullptr && project->StopScan();
}

TfrmMainApp* CMainFrame::GetActiveProject() const {
    CChildFrame* frame = GetActiveChildFrame();
    return frame != nullptr ? frame->GetProject() : nullptr;
}

void CMainFrame::OnStatusText() {
    const std::string text = GetInstrumentInfo().GetStatusText();
    m_statusShowsAnalyzer = text.empty();
    if (!text.empty()) {
        m_statusMessage = CodePageToQString(text);
    } else {
        m_statusMessage = CodePageToQString(SelectedAnalyzerStatusText());
    }
    ShowStatusMessage();
}

std::string CMainFrame::SelectedAnalyzerStatusText() {
    // An empty status text says the devices have nothing to report: the pane names the analyser in
    // use, with or without a project (an old text such as the identity query's must not stay).
    const TfrmMainApp* project = GetActiveProject();
    const bool hasPreferences = project != nullptr && project->GetPreferencesMediator() != nullptr;
    const int32_t selected = GetInstrumentInfo().GetSelectedAnalyzerID();
    m_statusAnalyzerShown = selected;
    if (!hasPreferences && selected == CInstrumentInfo::kNoAnalyzerSelected) {
        return kReadyText;
    }
    _SupportedAnalyzerInfo row;
    std::string name =
        GetInstrumentInfo().FindAnalyzerByID(selected, row) ? row.m_DisplayName : "NoNameForID";
    if (QString::fromStdString(name).compare("NoNameForID", Qt::CaseInsensitive) == 0) {
        name = "Unknown or no supported analyzer.";
    }
    return "  Selected Analyzer:  " + name;
}

void CMainFrame::RefreshStatusText() {
    if (m_statusShowsAnalyzer) {
        m_statusMessage = CodePageToQString(SelectedAnalyzerStatusText());
        ShowStatusMessage();
    }
}

} // namespace orv
