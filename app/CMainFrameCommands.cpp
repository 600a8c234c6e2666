// The main frame's scan, node and window commands with their enabling rules, and the private
// messages of the commands' side: the hand-held probe cells (10101), the pipe client (10041), the
// scanner search (10038) and the driver-parameters window (10044).

#include "analyzers/CInstrumentInfo.h"
#include "app/CConnectionLink.h"
#include "app/CDlgAbout.h"
#include "app/CDlgHandHeldProbe.h"
#include "app/CDlgSetupDriverParameters.h"
#include "app/CMainFrame.h"
#include "app/CMainFrameDisplayLink.h"

#include "app/CDlgSearchForZeltp.h"
#include "app/CSoundEffectPlayer.h"
#include "app/CStopScanWindow.h"
#include "app/QtConversions.h"
#include "app/controls/CMainToolBar.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CInformationMessages.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/panes/TTreeNodeList.h"
#include "app/project/CChildFrame.h"
#include "app/project/CHalvionView.h"
#include "core/QScanOptions.h"
#include "core/QScannerContext.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineObjects.h"
#include "engine/runners/HandHeldProbeScan.h"
#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"
#include "platform/ui/Prompt.h"
#include "project/NodeMessages.h"
#include "project/QNodeMediator.h"
#include "project/QScanEngineLink.h"
#include "project/TfrmMainApp.h"
#include "protocol/pipe/CNamedPipeIncomingClient.h"
#include "protocol/pipe/CNamedPipeListenerManager.h"

#include <QEventLoop>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <initializer_list>

namespace orv {

namespace {

constexpr uint32_t kScannerSearchMessage = 10038;
constexpr uint32_t kDriverParametersClosedMessage = 10044;
constexpr std::array<uint32_t, 3> kToolBarCommands = {32988, 32990, 32989}; // bars 129, 364, 365

struct AddCommand {
    uint32_t id;
    uint16_t kind;
    // Through the tree (which opens the node's settings and views itself) or through the project.
    bool throughTree;
    std::initializer_list<uint16_t> under;
};

const std::array<AddCommand, 10>& AddCommands() {
    static const std::array<AddCommand, 10> commands = {{
        {32809, kTypeSpectralScanNode, true, {kTypeProjectNode, kTypeModuleNode}},
        {32810,
         kTypeSpatialScanNode,
         true,
         {kTypeProjectNode, kTypeModuleNode, kTypeSpectralScanNode, kTypeSpectralSpatialScanNode,
          kTypeHandHeldProbeScanNode}},
        {32811, kTypeSpectralSpatialScanNode, true, {kTypeProjectNode, kTypeModuleNode}},
        {32778, kTypeHandHeldProbeScanNode, false, {kTypeProjectNode, kTypeModuleNode}},
        {32899, kTypeModuleNode, false, {kTypeProjectNode, kTypeModuleNode}},
        {32908,
         kTypeSpectralComparisonNode,
         false,
         {kTypeProjectNode, kTypeModuleNode, kTypeSpectralScanNode}},
        {32818, kTypeSpectralOverlayNode, false, {kTypeProjectNode, kTypeModuleNode, kTypeSpectralScanNode}},
        {32906, kTypeSpatialComparisonNode, false, {kTypeProjectNode, kTypeModuleNode, kTypeSpatialScanNode}},
        {32940,
         kTypeBlindSpotReductionNode,
         false,
         {kTypeProjectNode, kTypeModuleNode, kTypeSpatialScanNode}},
        {32943, kTypeWordReportNode, false, {kTypeProjectNode}},
    }};
    return commands;
}

bool IsSingleRunKind(uint16_t kind) {
    return kind == kTypeSpectralScanNode || kind == kTypeSpatialScanNode ||
           kind == kTypeSpectralSpatialScanNode || kind == kTypeSpectralSpatialScriptingModuleNode ||
           kind == kTypeHandHeldProbeScanNode;
}

// A label of the scanner context, or the number where the table has none.
std::string GridLabel(bool row, int32_t index) {
    const QScannerContext& context = GetScannerContext();
    const int32_t count = row ? context.GetRowLabelCount() : context.GetColumnLabelCount();
    if (index < 0 || index >= count) {
        return FormatC("%d", index);
    }
    return row ? context.GetRowLabel(index).m_text : context.GetColumnLabel(index).m_text;
}

// Whether the scanning node's project asks for the scanner's own labels.
bool ScanningProjectUsesLabels() {
    QNodeMediator* scanning = QNodeMediator::GetScanningMediator();
    QNodeMediator* preferences = scanning != nullptr ? scanning->GetPreferencesMediator() : nullptr;
    const QSpatialDisplayOptions* options =
        preferences != nullptr ? preferences->GetSpatialDisplayOptions() : nullptr;
    return options != nullptr && options->UsesScannerLabels();
}

} // namespace

// --- Commands ---

void CMainFrame::RegisterCommands() {
    m_commands.SetHandler(
        kScanCommand, [this] { OnScan(); },
        [this] { return HasActiveProjectView() && ControllerState() == 2; });
    m_commands.SetHandler(
        kScanContinuouslyCommand, [this] { OnScanContinuously(); },
        [this] {
            const CTreeItem* record = SelectedRecord();
            if (record == nullptr || record->m_mediator == nullptr) {
                return false;
            }
            const QScanOptions* options = record->m_mediator->GetScanOptions();
            return options != nullptr && options->GetInterleavedScan() == 0 && HasActiveProjectView() &&
                   ControllerState() == 2;
        });
    m_commands.SetHandler(
        kSettingsCommand, [this] { OnSettings(); },
        [this] {
            const CTreeItem* record = SelectedRecord();
            return record != nullptr && record->m_mediator != nullptr;
        });
    for (const AddCommand& command : AddCommands()) {
        const AddCommand* entry = &command;
        m_commands.SetHandler(
            command.id,
            [this, entry] {
                if (entry->throughTree) {
                    if (CViewTreeWidget* tree = ActiveTree()) {
                        tree->AddNode(entry->kind);
                    }
                } else {
                    OnAddNodeThroughProject(entry->kind);
                }
            },
            [this, entry] {
                const CTreeItem* record = SelectedRecord();
                return record != nullptr && std::find(entry->under.begin(), entry->under.end(),
                                                      record->m_kind) != entry->under.end();
            });
    }
    m_commands.SetHandler(
        kInformationWindowCommand, [this] { ToggleInformationWindow(); }, [] { return true; });
    for (size_t i = 0; i < kToolBarCommands.size(); ++i) {
        m_commands.SetHandler(
            kToolBarCommands[i], [this, i] { ToggleToolBar(i); }, [] { return true; });
    }
    // Status pane 1 is always enabled and does nothing.
    m_commands.Set(
        kStatusPaneCommand, {}, [] {}, [] { return true; });
}

std::optional<bool> CMainFrame::IsCommandChecked(uint32_t commandId) const {
    if (commandId == kInformationWindowCommand) {
        return m_information != nullptr && m_information->isVisible();
    }
    for (size_t i = 0; i < kToolBarCommands.size(); ++i) {
        if (commandId == kToolBarCommands[i]) {
            return m_toolBars[i] != nullptr && m_toolBars[i]->isVisible();
        }
    }
    return std::nullopt;
}

CChildFrame* CMainFrame::GetActiveChildFrame() const {
    // The current sub-window also while the program is not the active application.
    QMdiSubWindow* const active = m_mdiArea != nullptr ? m_mdiArea->currentSubWindow() : nullptr;
    if (active == nullptr || active == m_information) {
        return nullptr;
    }
    return dynamic_cast<CChildFrame*>(active->widget());
}

CViewTreeWidget* CMainFrame::ActiveTree() const {
    CChildFrame* frame = GetActiveChildFrame();
    CProjectView* pane = frame != nullptr ? frame->GetProjectPane() : nullptr;
    return pane != nullptr ? pane->GetTree() : nullptr;
}

CTreeItem* CMainFrame::SelectedRecord() const {
    CViewTreeWidget* tree = ActiveTree();
    return tree != nullptr ? tree->GetSelectedTreeNode() : nullptr;
}

int32_t CMainFrame::ControllerState() const {
    return m_link != nullptr ? m_link->GetState() : 0;
}

bool CMainFrame::HasActiveProjectView() const {
    CChildFrame* frame = GetActiveChildFrame();
    return frame != nullptr && frame->GetView() != nullptr;
}

void CMainFrame::ResetArmQueueForRun() {
    if (GetInstrumentInfo().GetProbeType() != eProbeType::RobotArm || m_engine == nullptr) {
        return;
    }
    // Refused at once, never waited for, while another thread holds the devices.
    if (CDeviceManager* manager = m_engine->GetSetupScan().GetDeviceManager()) {
        manager->ResetArmQueue();
    }
}

void CMainFrame::OnScan() {
    ResetArmQueueForRun();
    const CTreeItem* record = SelectedRecord();
    if (record == nullptr || record->m_mediator == nullptr) {
        return;
    }
    QNodeMediator& mediator = *record->m_mediator;
    if (!IsSingleRunKind(record->m_kind)) {
        ShowPrompt(kNoScanForNodeText, "", PromptButtons::Ok, PromptIcon::None);
        return;
    }
    if (QScanEngineLink* link = GetScanEngineLink()) {
        link->RunScan(mediator, false);
    }
    mediator.ViewNode();
}

void CMainFrame::OnScanContinuously() {
    ResetArmQueueForRun();
    if (CViewTreeWidget* tree = ActiveTree()) {
        tree->CanRunSelectedNode(true);
    }
}

void CMainFrame::OnSettings() {
    CViewTreeWidget* tree = ActiveTree();
    const CTreeItem* record = SelectedRecord();
    if (tree != nullptr && record != nullptr && record->m_mediator != nullptr) {
        tree->OpenNodeOptions(record->m_mediator);
    }
}

void CMainFrame::OnAddNodeThroughProject(uint16_t kind) {
    CChildFrame* frame = GetActiveChildFrame();
    TfrmMainApp* project = frame != nullptr ? frame->GetProject() : nullptr;
    if (project == nullptr) {
        return;
    }
    QNodeMediator* added = project->AddNodeToSelected(kind);
    // An unchanged project is not marked modified.
    if (added == nullptr) {
        return;
    }
    if (CHalvionView* view = frame->GetView()) {
        view->GetMessageTarget().Post(NodeMessage::kProjectModified);
    }
    if (CViewTreeWidget* tree = ActiveTree()) {
        tree->OpenNodeOptions(added);
        if (const CTreeItem* selected = tree->GetSelectedTreeNode();
            selected != nullptr && selected->m_mediator) {
            selected->m_mediator->ViewNode();
        }
    }
}

void CMainFrame::ToggleInformationWindow() {
    if (m_information == nullptr) {
        return;
    }
    if (!m_information->isVisible()) {
        // Back at its place in the client as it is now.
        PlaceInformationWindow();
        m_information->show();
        m_information->raise();
        m_mdiArea->setActiveSubWindow(m_information);
    } else {
        m_information->hide();
    }
    RefreshWindowMenu();
}

void CMainFrame::ToggleToolBar(size_t index) {
    CMainToolBar* bar = m_toolBars.at(index);
    if (bar != nullptr) {
        bar->setVisible(!bar->isVisible());
    }
}

void CMainFrame::RefreshWindowMenu() {
    if (m_windowMenu == nullptr) {
        return;
    }
    // The shown sub-windows below the menu's own commands, the current one checked.
    for (QAction* action : m_windowMenu->actions()) {
        if (action->property("orvWindowEntry").toBool()) {
            m_windowMenu->removeAction(action);
            action->deleteLater();
        }
    }
    const QList<QMdiSubWindow*> windows = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
    bool separated = false;
    int number = 1;
    for (QMdiSubWindow* window : windows) {
        if (!window->isVisible()) {
            continue;
        }
        if (!separated) {
            QAction* separator = m_windowMenu->addSeparator();
            separator->setProperty("orvWindowEntry", true);
            separated = true;
        }
        QAction* action = m_windowMenu->addAction(QString("&%1 %2").arg(number++).arg(window->windowTitle()));
        action->setProperty("orvWindowEntry", true);
        action->setCheckable(true);
        action->setChecked(window == m_mdiArea->currentSubWindow());
        QPointer<QMdiSubWindow> target = window;
        connect(action, &QAction::triggered, this, [this, target] {
            if (target != nullptr) {
                m_mdiArea->setActiveSubWindow(target);
            }
        });
    }
}

// --- Private messages of the commands' side ---

void CMainFrame::RegisterCommandMessages() {
    RegisterMessageHandler(kPipeClientConnectionMessage, [this](Message& message) {
        if (message.wParam == 1 && m_pipeListener != nullptr) {
            m_pipeMode = 1;
            m_pipeClient = m_pipeListener->GetCurrentClient();
        } else {
            m_pipeMode = 0;
            m_pipeClient.reset();
        }
        return int64_t{0};
    });
    RegisterMessageHandler(kHandHeldProbeCellMessage,
                           [this](Message& message) { return OnHandHeldProbeCell(message); });
    RegisterMessageHandler(kPipeAnswerMessage, [this](Message& message) {
        m_pipeAnswer = static_cast<int32_t>(message.lParam);
        if (m_pipeWaitLoop != nullptr) {
            m_pipeWaitLoop->quit();
        }
        return int64_t{0};
    });
    RegisterMessageHandler(kScannerSearchMessage, [this](Message&) {
        RunScannerSearch();
        return int64_t{0};
    });
    RegisterMessageHandler(kDriverParametersClosedMessage, [this](Message&) {
        if (m_driverParametersWindow != nullptr) {
            m_driverParametersWindow->deleteLater();
            m_driverParametersWindow = nullptr;
        }
        return int64_t{0};
    });
}

void CMainFrame::RunScannerSearch() {
    CDlgSearchForZeltp dialog(m_searchedAddresses, m_searchedIds, this);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    // The next search dialog opens with what this one found.
    m_searchedAddresses = dialog.GetScannerIps();
    m_searchedIds = dialog.GetScannerIds();
    if (chosen) {
        ConnectToChosenScanner(dialog.GetSelectedIp(), dialog.GetSelectedId());
    }
}

void CMainFrame::ShowAboutBox() {
    const int32_t scanHeadId =
        m_frameLink != nullptr ? m_frameLink->GetScannerId() : CDlgAbout::kNoScannerHeadId;
    CDeviceManager* manager = m_engine != nullptr ? m_engine->GetSetupScan().GetDeviceManager() : nullptr;
    CDlgAbout::StaticIpWriter writer;
    if (manager != nullptr) {
        // The engine objects live as long as the frame, which outlives its modal box.
        writer = [manager](uint8_t flag, std::string address, std::string mask) {
            return manager->WriteAdapterStaticIPSettings(flag, address, mask);
        };
    }
    CDlgAbout dialog(scanHeadId, std::move(writer), this);
    dialog.exec();
}

void CMainFrame::ShowDriverParameters() {
    if (m_driverParametersWindow == nullptr) {
        if (m_engine == nullptr) {
            return;
        }
        SetupScan& setup = m_engine->GetSetupScan();
        CDeviceManager* manager = setup.GetDeviceManager();
        CDlgSetupDriverParameters::TimingSource timing;
        if (manager != nullptr) {
            timing = [manager](float rbw) { return manager->TryReadAnalyzerTiming(rbw); };
        }
        auto* window = new CDlgSetupDriverParameters(setup, std::move(timing), this, this);
        m_driverParametersWindow = window;
        window->adjustSize();
        window->move(geometry().center() - window->rect().center());
    }
    m_driverParametersWindow->show();
    m_driverParametersWindow->raise();
    m_driverParametersWindow->activateWindow();
}

void CMainFrame::ConnectToChosenScanner(const std::string& address, const std::string& scannerId) {
    m_chosenScannerAddress = address;
    m_chosenScannerId = scannerId;
    PostStatusText(FormatC("Trying to connect to the Scanner:  ID = %s;  IP = %s......", scannerId.c_str(),
                           address.c_str()));
    m_ini.serverAddress.clear();
    GetInstrumentInfo().SetScannerConnected(0);
    if (m_link != nullptr) {
        m_link->SetState(0);
    }
}

std::string CMainFrame::FormatProbeCellText(int32_t row, int32_t column, bool labels) {
    if (labels) {
        return FormatC("Row = %s,  Col = %s", GridLabel(true, row).c_str(), GridLabel(false, column).c_str());
    }
    return FormatC("Row = %d,  Col = %d", row, column);
}

void CMainFrame::MarkControllerStop() {
    if (m_link != nullptr) {
        m_link->MarkStopRequested();
    }
}

bool CMainFrame::IsProbePromptCancelled(const std::stop_token& stop, const void* scanningMediator) const {
    return stop.stop_requested() || IsClosing() ||
           static_cast<const void*>(QNodeMediator::GetScanningMediator()) != scanningMediator;
}

void CMainFrame::FillProbePosition(int64_t recordAddress) const {
    auto* record = reinterpret_cast<HandHeldProbePosition*>(static_cast<intptr_t>(recordAddress));
    if (record == nullptr) {
        return;
    }
    *record = HandHeldProbePosition{};
    const QNodeMediator* scanning = QNodeMediator::GetScanningMediator();
    if (scanning == nullptr) {
        return;
    }
    scanning->GetProbeMarkerPosition(record->xFraction, record->yFraction);
    record->valid = scanning->IsProbeMarkerTracked() ? 1 : 0;
}

int64_t CMainFrame::OnHandHeldProbeCell(Message& message) {
    const auto wParam = static_cast<int64_t>(message.wParam);
    if (wParam == HandHeldProbeScan::kPositionRequest) {
        FillProbePosition(message.lParam);
        return 0;
    }
    std::array<int32_t, 5> values{};
    if (message.lParam != -1) {
        values = {0, static_cast<int32_t>(wParam), static_cast<int32_t>(message.lParam), 0, 0};
    } else {
        const auto* five = reinterpret_cast<const int32_t*>(static_cast<intptr_t>(wParam));
        if (five == nullptr) {
            return HandHeldProbeScan::kMeasureCell;
        }
        std::copy(five, five + 5, values.begin());
    }
    if (IsClosing()) {
        MarkControllerStop();
        return HandHeldProbeScan::kStopScan;
    }
    if (m_pipeMode.load() == 1) {
        return AskPipeClient(values);
    }
    return AskHandHeldProbeDialog(values[1], values[2]);
}

int64_t CMainFrame::AskPipeClient(const std::array<int32_t, 5>& values) {
    // Held while asking: a client replaced meanwhile answers -2 and stays valid.
    const std::shared_ptr<CNamedPipeIncomingClient> client = m_pipeClient;
    const std::stop_token stop =
        m_engine != nullptr ? m_engine->GetStopFlag().GetStopToken() : std::stop_token{};
    const void* scanning = QNodeMediator::GetScanningMediator();
    m_pipeAnswer.reset();
    int32_t answer = CNamedPipeIncomingClient::kNoReply;
    if (client != nullptr && client->StartHandHeldProbeRequest(values[0], values[1], values[2], values[3],
                                                               values[4], *this, kPipeAnswerMessage)) {
        // The window stays live while the program answers; a stop or the frame closing ends the wait.
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(kStopPollPeriod);
        bool cancelled = false;
        const auto deadline = std::chrono::steady_clock::now() + m_pipeAnswerWindow;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (m_pipeAnswer.has_value()) {
                loop.quit();
            } else if (IsProbePromptCancelled(stop, scanning) ||
                       std::chrono::steady_clock::now() >= deadline) {
                cancelled = true;
                loop.quit();
            }
        });
        poll.start();
        if (!m_pipeAnswer.has_value()) {
            // The answer message itself quits the loop at once.
            m_pipeWaitLoop = &loop;
            loop.exec();
            m_pipeWaitLoop = nullptr;
        }
        if (!cancelled && m_pipeAnswer.has_value()) {
            answer = *m_pipeAnswer;
        }
    }
    switch (answer) {
    case 0:
        return HandHeldProbeScan::kMeasureCell;
    case -1:
        return HandHeldProbeScan::kSkipCell;
    default:
        MarkControllerStop();
        return HandHeldProbeScan::kStopScan;
    }
}

int64_t CMainFrame::AskHandHeldProbeDialog(int32_t row, int32_t column) {
    const std::stop_token stop =
        m_engine != nullptr ? m_engine->GetStopFlag().GetStopToken() : std::stop_token{};
    const void* scanning = QNodeMediator::GetScanningMediator();
    CDlgHandHeldProbe dialog(this);
    dialog.SetCellText(CodePageToQString(FormatProbeCellText(row, column, ScanningProjectUsesLabels())));
    // A stop, or the frame closing, ends the prompt as "Abort the scan", so the scan thread can be
    // joined.
    QTimer poll;
    poll.setInterval(kStopPollPeriod);
    connect(&poll, &QTimer::timeout, &dialog, [&] {
        if (IsProbePromptCancelled(stop, scanning)) {
            dialog.done(CDlgHandHeldProbe::kAbort);
        }
    });
    poll.start();
    const int answer = IsProbePromptCancelled(stop, scanning) ? CDlgHandHeldProbe::kAbort : dialog.exec();
    switch (answer) {
    case CDlgHandHeldProbe::kSkip:
        return HandHeldProbeScan::kSkipCell;
    case CDlgHandHeldProbe::kAbort:
        MarkControllerStop();
        return HandHeldProbeScan::kStopScan;
    default:
        return HandHeldProbeScan::kMeasureCell;
    }
}

} // namespace orv
