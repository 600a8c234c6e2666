#include "app/project/CChildFrame.h"

#include "app/UiMessagePump.h"
#include "app/controls/CMainToolBar.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CHalvionDoc.h"
#include "app/project/CHalvionView.h"
#include "app/project/CProjectArray.h"
#include "app/project/CProjectWindows.h"
#include "platform/ui/Prompt.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "project/QScanEngineLink.h"
#include "project/QSettingsSheet.h"
#include "project/TfrmMainApp.h"
#include "protocol/QUIBBStateController.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QTimer>

namespace orv {
namespace {

constexpr int32_t kStateNothing = 0;
constexpr int32_t kStateReady = 2;
constexpr int32_t kStateScanRunning = 12;

// The tool bar's pictures: a plug for Connect and Disconnect, a triangle for Run, a square for Stop.
QIcon CommandIcon(uint32_t command) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    switch (command) {
    case ProjectCommand::kConnect:
        painter.setBrush(QColor(0x1F, 0x7A, 0x3A));
        painter.drawRect(2, 6, 8, 4);
        painter.drawRect(10, 4, 4, 8);
        break;
    case ProjectCommand::kDisconnect:
        painter.setBrush(QColor(0x8A, 0x1F, 0x1F));
        painter.drawRect(1, 6, 6, 4);
        painter.drawRect(10, 4, 4, 8);
        break;
    case ProjectCommand::kRun:
        painter.setBrush(QColor(0x1F, 0x5A, 0xB0));
        painter.drawPolygon(QPolygonF({QPointF(4, 2), QPointF(14, 8), QPointF(4, 14)}));
        break;
    default:
        painter.setBrush(QColor(0xB0, 0x2E, 0x1F));
        painter.drawRect(3, 3, 10, 10);
        break;
    }
    return QIcon(pixmap);
}

} // namespace

CChildFrame::CChildFrame(CProjectWindows& windows, uint32_t projectId, const std::string* path)
    : m_windows(windows), m_projectId(projectId), m_document(std::make_unique<CHalvionDoc>(windows)),
      m_target(GetUiMessageThread()) {
    m_document->SetFrame(this);
    if (path != nullptr) {
        m_document->OnOpenDocument(*path);
    } else {
        m_document->OnNewDocument();
    }
    m_view = new CHalvionView(*this, *m_document);
    setCentralWidget(m_view);
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);

    m_toolBar = new CMainToolBar(this);
    m_toolBar->SetOwner(this);
    m_toolBar->AddCommandButton(ProjectCommand::kConnect, CommandIcon(ProjectCommand::kConnect),
                                QStringLiteral("Connect"));
    m_toolBar->AddCommandButton(ProjectCommand::kDisconnect, CommandIcon(ProjectCommand::kDisconnect),
                                QStringLiteral("Disconnect"));
    m_toolBar->AddCommandButton(ProjectCommand::kRun, CommandIcon(ProjectCommand::kRun),
                                QStringLiteral("Run"));
    m_toolBar->AddCommandButton(ProjectCommand::kStop, CommandIcon(ProjectCommand::kStop),
                                QStringLiteral("Stop"));
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    UpdateTitle();

    // The pane first (timer 102), then the view builds the project once it exists (timer 104).
    QTimer::singleShot(1, this, [this] { CreatePane(); });
    m_view->OnInitialUpdate();
}

CChildFrame::~CChildFrame() {
    ReleaseProject();
    m_windows.FrameDestroyed(this);
}

void CChildFrame::ReleaseProject() {
    // The project goes before the pane and its tree.
    if (m_project != nullptr || m_windows.GetProjects().FindProjectById(m_projectId) != nullptr) {
        m_document->OnCloseDocument();
        m_project = nullptr;
        if (m_view != nullptr) {
            m_view->SetProject(nullptr, m_controller);
        }
        if (m_pane != nullptr) {
            m_pane->SetProject(nullptr, m_controller);
        }
    }
}

void CChildFrame::SetProject(TfrmMainApp* project, QScanEngineLink* controller) {
    m_project = project;
    m_controller = controller;
}

std::string CChildFrame::GetActiveDocumentTitle() const {
    return m_view != nullptr ? m_document->GetTitle() : std::string();
}

bool CChildFrame::SaveModified() {
    return m_document->SaveModified();
}

void CChildFrame::SetModifiedFlag(bool modified) {
    m_document->SetModifiedFlag(modified);
}

std::string CChildFrame::GetPathName() const {
    return m_document->GetPathName();
}

void CChildFrame::UpdateTitle() {
    setWindowTitle(QString::fromStdString(m_document->GetTitle()));
}

void CChildFrame::Activate() {
    if (auto* window = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        m_windows.GetArea().setActiveSubWindow(window);
    }
}

void CChildFrame::CreatePane() {
    if (m_pane != nullptr) {
        return;
    }
    m_pane = new CProjectView(this);
    m_pane->Create(m_project, m_controller, m_view);
    addDockWidget(Qt::LeftDockWidgetArea, m_pane);
    resizeDocks({m_pane}, {width() / 3}, Qt::Horizontal);
    m_paneCreated = true;
}

void CChildFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_firstShow) {
        return;
    }
    m_firstShow = false;
    QWidget* outer = parentWidget() != nullptr ? parentWidget() : this;
    m_windows.PlaceOnFirstShow(*outer);
}

int32_t CChildFrame::ControllerState() const {
    QScanEngineLink* controller =
        m_controller != nullptr ? m_controller : m_windows.GetProjects().GetController();
    return controller != nullptr ? controller->GetWorkflowState() : kStateNothing;
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (m_askBeforeClosing) {
        // A run may be using this project's nodes in any of its states, not only while scanning.
        if (QUIBBStateController::IsRunState(ControllerState())) {
            ShowPrompt(kScanRunningText, "Warning", PromptButtons::Ok, PromptIcon::Warning);
            event->ignore();
            return;
        }
        if (!m_document->SaveModified()) {
            event->ignore();
            return;
        }
    }
    ReleaseProject();
    event->accept();
}

void CChildFrame::CloseWithoutAsking() {
    m_askBeforeClosing = false;
    QWidget* outer = qobject_cast<QMdiSubWindow*>(parentWidget());
    // The window goes once control is back in the event loop: the caller may be inside its view.
    QTimer::singleShot(0, outer != nullptr ? outer : this, [outer, this] {
        if (outer != nullptr) {
            outer->close();
        } else {
            close();
        }
    });
}

void CChildFrame::DestroyWithoutAsking() {
    m_askBeforeClosing = false;
    ReleaseProject();
    QWidget* outer = qobject_cast<QMdiSubWindow*>(parentWidget());
    delete (outer != nullptr ? outer : static_cast<QWidget*>(this));
}

// --- Commands ---

std::optional<bool> CChildFrame::IsCommandEnabled(uint32_t commandId) {
    using namespace ProjectCommand;
    const int32_t state = ControllerState();
    switch (commandId) {
    case kConnect:
        return state == kStateNothing;
    case kDisconnect:
    case kRun:
        return state == kStateReady;
    case kStop:
        return state == kStateScanRunning;
    case kDeleteNode:
    case kDeleteScanData:
    case kProperties:
    case kSettings:
    case kPreferences:
    case kStitch:
    case kSave:
    case kSaveAs:
    case 32783:
    case 32784:
    case 32787:
    case 32790:
    case 32791:
    case 32792:
    case 32793:
    case 32794:
    case 32795:
    case 32796:
    case 32866:
    case 32868:
    case 32869:
        return true;
    default:
        return std::nullopt;
    }
}

bool CChildFrame::OnCommand(uint32_t commandId) {
    using namespace ProjectCommand;
    if (IsCommandEnabled(commandId) != std::optional<bool>(true)) {
        return IsCommandEnabled(commandId).has_value();
    }
    CProjectArray& projects = m_windows.GetProjects();
    CViewTreeWidget* tree = m_pane != nullptr ? m_pane->GetTree() : nullptr;
    switch (commandId) {
    case kConnect:
        m_runState = kConnecting;
        m_runState = projects.ConnectProject(m_projectId) ? kConnectedIdle : kDisconnected;
        return true;
    case kDisconnect:
        projects.DisconnectProject(m_projectId);
        m_runState = kDisconnected;
        return true;
    case kRun:
        m_runState = projects.RunProject(m_projectId) ? kScanning : kConnectedIdle;
        return true;
    case kStop:
        projects.StopScanOfProject(m_projectId);
        return true;
    case kDeleteNode:
        ConfirmDeleteNode();
        return true;
    case kDeleteScanData:
        ConfirmDeleteScanData();
        return true;
    case kProperties:
    case kSettings:
        if (tree != nullptr) {
            tree->OpenNodeOptions(nullptr);
        }
        return true;
    case kPreferences:
        OpenPreferences();
        return true;
    case kStitch:
        ShowPrompt("TEST", "", PromptButtons::Ok, PromptIcon::None);
        return true;
    case kSave:
        m_document->DoSave();
        return true;
    case kSaveAs:
        m_document->DoSaveAs();
        return true;
    default:
        // The node context items: the tree acts on the item it tracked.
        return true;
    }
}

void CChildFrame::ConfirmDeleteNode() {
    CViewTreeWidget* tree = m_pane != nullptr ? m_pane->GetTree() : nullptr;
    if (tree == nullptr) {
        return;
    }
    if (ShowPrompt(CViewTreeWidget::kDeleteNodeText, CViewTreeWidget::kDeleteNodeCaption,
                   PromptButtons::OkCancel, PromptIcon::Information) == PromptAnswer::Cancel) {
        return;
    }
    // A refused delete has told the user and changed nothing: no modified mark.
    if (tree->DeleteSelectedNode() && m_view != nullptr) {
        m_view->GetMessageTarget().Post(NodeMessage::kProjectModified);
    }
}

void CChildFrame::ConfirmDeleteScanData() {
    CViewList* list = m_pane != nullptr ? m_pane->GetList() : nullptr;
    // While the node scans its scan data stays, as the list's own menu refuses it.
    if (list == nullptr || list->GetSelectedIds().empty() || !list->CanDeleteScanData()) {
        return;
    }
    if (ShowPrompt(CViewList::kDeleteText, CViewList::kDeleteCaption, PromptButtons::OkCancel,
                   PromptIcon::Information) == PromptAnswer::Cancel) {
        return;
    }
    // The list marks the project modified when anything went.
    list->DeleteSelectedScanData();
}

void CChildFrame::OpenPreferences() {
    if (TfrmMainApp* project = m_windows.GetProjects().FindProjectById(m_projectId)) {
        project->OpenPreferences("Preference123");
    }
}

} // namespace orv
