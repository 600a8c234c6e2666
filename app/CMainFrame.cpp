#include "app/CMainFrame.h"

#include "analyzers/CInstrumentInfo.h"
#include "app/AppResources.h"
#include "app/CAppProfile.h"
#include "app/CConnectionLink.h"
#include "app/CConnectionThread.h"
#include "app/CMainFrameDisplayLink.h"
#include "app/CProjectDocument.h"
#include "app/CSoundEffectPlayer.h"
#include "app/CStopScanFrame.h"
#include "app/CWindowsDialog.h"
#include "app/MemoryStatus.h"
#include "app/QtConversions.h"
#include "app/UiMessagePump.h"
#include "app/controls/CMainStatusBar.h"
#include "app/controls/CMainToolBar.h"
#include "app/controls/CProgressInStatus.h"
#include "app/panes/CInformationMessages.h"
#include "app/panes/CWndCommunication.h"
#include "app/panes/CWndMainNotification.h"
#include "core/PathUtilities.h"
#include "core/QActiveScanItem.h"
#include "core/QCorrectionData.h"
#include "core/QDeviceInfoList.h"
#include "core/QManagers.h"
#include "core/QScanProgress.h"
#include "core/QScannerContext.h"
#include "core/RegistryReading.h"
#include "engine/CEngineObjects.h"
#include "engine/EngineProcessFlags.h"
#include "orv/Version.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/fs/AppPaths.h"
#include "platform/ini/IniFile.h"
#include "platform/log/InformationLog.h"
#include "platform/sync/SingleInstanceLock.h"
#include "platform/ui/Prompt.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "protocol/CIcmpPing.h"
#include "protocol/QUIBBStateController.h"
#include "protocol/pipe/CNamedPipeListenerManager.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QFileDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace orv {

namespace {

CMainFrame* g_mainFrame = nullptr;

// atoi: the leading decimal number of the text, 0 without one.
int32_t LeadingInteger(std::string_view text) {
    size_t used = 0;
    const double value = StrToDoubleC(text, &used);
    if (used == 0 || value != value) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return 2147483647;
    }
    if (value <= -2147483648.0) {
        return -2147483647 - 1;
    }
    return static_cast<int32_t>(value);
}

// A value of the frame's ini file: absent when missing or "default".
std::optional<std::string> IniValue(const IniFile& ini, const char* section, const char* key) {
    std::string value = ini.GetString(section, key, "default");
    if (value == "default") {
        return std::nullopt;
    }
    return value;
}

} // namespace

CMainFrame::CMainFrame(Options options)
    : MessageTarget(GetUiMessageThread()), m_options(std::move(options)), m_mdiArea(new QMdiArea(this)) {
    g_mainFrame = this;
    setWindowTitle(kTitle);
    setCentralWidget(m_mdiArea);
    AddStandardCommands();
    RegisterStatusMessages();
    RegisterCommands();
    RegisterCommandMessages();
    qApp->installEventFilter(this);
}

CMainFrame::~CMainFrame() {
    Teardown();
    qApp->removeEventFilter(this);
    if (g_mainFrame == this) {
        g_mainFrame = nullptr;
    }
}

CMainFrame* CMainFrame::GetMainFrame() {
    return g_mainFrame;
}

void CMainFrame::AddStandardCommands() {
    m_commands.Set(57600, "&New");
    m_commands.Set(57648, "&New Project");
    m_commands.Set(57601, "&Open...");
    m_commands.Set(57603, "&Save");
    m_commands.Set(57604, "Save &As...");
    m_commands.Set(57664, "&About Orvilant...", [this] { ShowAboutBox(); });
    m_commands.Set(32913, "Orvilant &User Manual");
    m_commands.Set(32914, "&End-User Agreement");
    // Find Scanner stays disabled in the menu, as it always was; the search dialog runs when the
    // frame is asked to connect a scanner (10038).
    m_commands.Set(
        32944, "&Find Scanner...", [this] { RunScannerSearch(); }, [] { return false; });
    m_commands.Set(32966, "&Driver Parameters...", [this] { ShowDriverParameters(); });
    m_commands.Set(131, "&Windows...", [this] { ShowWindowsDialog(); });
    m_commands.Set(kExitCommand, "E&xit", [this] { close(); });
    m_commands.Set(32978, "&Information Window");
    m_commands.Set(32988, "&File Toolbar");
    m_commands.Set(32990, "&Scan Toolbar");
    m_commands.Set(32989, "&Node Toolbar");
    // Scan commands.
    m_commands.Set(32893, "Scan");
    m_commands.Set(32890, "Scan Continuously");
    m_commands.Set(1011, "Stop Scan");
    m_commands.Set(32892, "Settings");
    // Node commands.
    m_commands.Set(32809, "Add a Spectral Scan Node");
    m_commands.Set(32810, "Add a Spatial Scan Node");
    m_commands.Set(32811, "Add a Spectral/Spatial Scan Node");
    m_commands.Set(32778, "Add a Handheld Probe Node");
    m_commands.Set(32899, "Add a Module Node");
    m_commands.Set(32908, "Add a Spectral Comparison Node");
    m_commands.Set(32818, "Add a Spectral Overlay Node");
    m_commands.Set(32906, "Add a Spatial Comparison Node");
    m_commands.Set(32940, "Add a Spatial Blindspot Reduction Node");
    m_commands.Set(32910, "Add a Spectral/Spatial Scripting Node");
    m_commands.Set(32943, "Add a Report Node");
}

void CMainFrame::RegisterMessageHandler(uint32_t id, MessageHandler handler) {
    m_messageHandlers[id] = std::move(handler);
}

int64_t CMainFrame::HandleMessage(Message& message) {
    const auto found = m_messageHandlers.find(message.id);
    if (found == m_messageHandlers.end() || !found->second) {
        return 0;
    }
    return found->second(message);
}

bool CMainFrame::OnCommand(uint32_t commandId) {
    return m_commands.Execute(commandId);
}

std::optional<bool> CMainFrame::IsCommandEnabled(uint32_t commandId) {
    return m_commands.IsEnabled(commandId);
}

// --- Creation ---

bool CMainFrame::OnCreate() {
    // The instrument state with its table of supported analysers.
    GetInstrumentInfo().BuildSupportedAnalyzerTable();
    // The look in use, written only when it changed: the user file is synced on every write.
    if (CAppProfile::GetInt({}, "ApplicationLook", 215) != 217) {
        CAppProfile::WriteInt({}, "ApplicationLook", 217);
    }

    if (!CreateStatusBar()) {
        return false;
    }
    if (m_soundPlayer == nullptr) {
        m_soundPlayer = std::make_unique<CSoundEffectPlayer>();
    }
    CreateInformationWindow();
    if (!CreateToolBars()) {
        return false;
    }
    CreateMenus();

    AddInformationMessage(0, "");
    const std::array<uint16_t, 4> version = GetInstrumentInfo().GetProgramVersion();
    AddInformationMessage(
        0, FormatC("Orvilant version:  %d.%d.%d.%-3d", version[0], version[1], version[2], version[3]));

    StartEngine();

    ScannerRemovedFlag().store(0);
    GetInstrumentInfo().SetApplicationFolder(GetExecutableFolder());

    if (m_options.makeConnectionLink) {
        m_link = m_options.makeConnectionLink(*m_engine, *this);
    }

    m_pipeListener = std::make_unique<CNamedPipeListenerManager>(this, m_options.pipePath);
    m_pipeListener->Start();
    m_pipeMode = 0;

    LoadDeviceInfoKeys();

    m_movePending = false;
    ReadIniSettings();

    StartTimers();

    if (m_options.makeIcmpPing && m_ping == nullptr) {
        auto ping = std::make_unique<CIcmpPing>();
        if (ping->Initialize()) {
            m_ping = std::move(ping);
        }
    }

    LogMemoryStatus();
    m_created = true;
    return true;
}

bool CMainFrame::CreateStatusBar() {
    m_statusBar = new CMainStatusBar(this);
    setStatusBar(m_statusBar);
    // Pane 1 keeps its width whatever it shows: room for the scan status text and, behind it, the
    // progress control.
    const int textWidth = QFontMetrics(m_statusBar->font()).horizontalAdvance(kPaneMeasureText);
    m_statusBar->SetPaneWidth(1, 2 * textWidth + 8);
    return true;
}

void CMainFrame::CreateInformationWindow() {
    m_information = new CInformationMessages(InformationLog::Instance());
    // Placed for now from the client as it is; the frame places it again once its client is laid
    // out (a frame not yet shown has a client of a few pixels).
    m_information->Create(InformationWindowRect(), m_mdiArea);
    m_informationRect = m_information->geometry();
    m_information->show();
    m_mdiArea->viewport()->installEventFilter(this);
}

QRect CMainFrame::InformationWindowRect() const {
    // The lower third of the client, 50 pixels up (integer division as the window always stood).
    const QRect client = m_mdiArea->viewport()->rect();
    const int height = client.height();
    const int left = client.left();
    const int top = client.top() + 2 * (height / 3) - 50;
    const int right = client.width() - 2;
    const int bottom = 3 * (height / 3) - 50;
    return {QPoint(left, top), QPoint(right - 1, bottom - 1)};
}

void CMainFrame::PlaceInformationWindow() {
    if (m_information == nullptr) {
        return;
    }
    if (m_information->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) {
        m_information->setWindowState(Qt::WindowNoState);
    }
    m_information->setGeometry(InformationWindowRect());
    m_informationRect = m_information->geometry();
    m_informationPlaced = true;
}

void CMainFrame::OnClientAreaLaidOut() {
    if (m_information == nullptr || !m_mdiArea->viewport()->isVisible()) {
        return;
    }
    // Until the user moves or sizes it, the window keeps its place in the client as the client
    // changes (the first show of the frame, its maximising, later resizes).
    if (!m_informationPlaced || m_information->geometry() == m_informationRect) {
        PlaceInformationWindow();
    }
}

bool CMainFrame::CreateToolBars() {
    // The three tool bars as their picture strips hold them: each strip has one 16 x 16 picture per
    // command, in this order; the bar shows the strip's commands less those it leaves out.
    struct ToolBarResource {
        int resource;
        std::vector<uint32_t> strip;
        std::vector<uint32_t> removed;
    };
    const std::array<ToolBarResource, 3> resources = {{
        // 129: the file commands.
        {129, {57648, 57601, 57603}, {}},
        // 364: the scan commands.
        {364, {32893, 32890, 1011, 32892}, {}},
        // 365: the add-node commands; blind-spot reduction and scripting are left out.
        {365, {32809, 32810, 32811, 32778, 32899, 32908, 32818, 32906, 32940, 32910, 32943}, {32940, 32910}},
    }};
    EnsureAppResources();
    for (size_t i = 0; i < resources.size(); ++i) {
        const ToolBarResource& resource = resources[i];
        const QPixmap strip(QString::fromLatin1(kToolBarStripPattern).arg(resource.resource), "PNG");
        if (strip.width() < static_cast<int>(resource.strip.size()) * kToolBarPictureSize) {
            return false;
        }
        auto* bar = new CMainToolBar(this);
        const QString name = QStringLiteral("Toolbar %1").arg(resource.resource);
        bar->setObjectName(name);
        bar->setWindowTitle(name);
        bar->setMovable(false);
        bar->setIconSize(QSize(kToolBarPictureSize, kToolBarPictureSize));
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        bar->SetOwner(this);
        for (size_t at = 0; at < resource.strip.size(); ++at) {
            const uint32_t id = resource.strip[at];
            const QIcon picture(strip.copy(static_cast<int>(at) * kToolBarPictureSize, 0, kToolBarPictureSize,
                                           kToolBarPictureSize));
            m_commandIcons[id] = picture;
            if (std::find(resource.removed.begin(), resource.removed.end(), id) != resource.removed.end()) {
                continue;
            }
            QAction* button = bar->AddCommandButton(id, picture, m_commands.GetCaption(id));
            button->setToolTip(QString(m_commands.GetCaption(id)).remove(QLatin1Char('&')));
        }
        m_toolBars[i] = bar;
    }
    // 365 first at the top, 364 to its left, 129 to the left of 364.
    addToolBar(Qt::TopToolBarArea, m_toolBars[0]);
    addToolBar(Qt::TopToolBarArea, m_toolBars[1]);
    addToolBar(Qt::TopToolBarArea, m_toolBars[2]);
    return true;
}

QIcon CMainFrame::GetCommandIcon(uint32_t commandId) const {
    const auto found = m_commandIcons.find(commandId);
    return found != m_commandIcons.end() ? found->second : QIcon();
}

void CMainFrame::CreateMenus() {
    constexpr uint32_t kSeparator = 0;
    const std::vector<std::pair<const char*, std::vector<uint32_t>>> menus = {
        {"&File", {57648, 57601, 57603, 57604, kSeparator, kExitCommand}},
        {"&View", {32978, 32988, 32990, 32989}},
        {"&Window", {131}},
        {"&Help", {57664, kUserManualCommand, 32914, kSeparator, 32944, 32966}},
    };
    for (const auto& [title, ids] : menus) {
        QMenu* menu = menuBar()->addMenu(title);
        if (std::string_view(title) == "&Window") {
            m_windowMenu = menu;
        }
        for (const uint32_t id : ids) {
            if (id == kSeparator) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(m_commands.GetCaption(id));
            // The menu item shows its tool-bar picture, where the command has one.
            if (const auto icon = m_commandIcons.find(id); icon != m_commandIcons.end()) {
                action->setIcon(icon->second);
            }
            action->setData(id);
            connect(action, &QAction::triggered, this, [this, id] { m_commands.Execute(id); });
        }
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
    }
}

void CMainFrame::UpdateMenu(QMenu* menu) {
    // The recent files stand above the last separator of the file menu, rebuilt each time.
    for (QAction* action : menu->actions()) {
        const uint32_t id = action->data().toUInt();
        if (id >= kFirstRecentFileCommand && id < kFirstRecentFileCommand + CAppProfile::kRecentFileCount) {
            menu->removeAction(action);
            action->deleteLater();
        }
    }
    QAction* exitAction = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->data().toUInt() == kExitCommand) {
            exitAction = action;
        }
    }
    if (exitAction != nullptr) {
        QAction* before = exitAction;
        const QList<QAction*> actions = menu->actions();
        const qsizetype at = actions.indexOf(exitAction);
        if (at > 0 && actions[at - 1]->isSeparator()) {
            before = actions[at - 1];
        }
        const std::vector<std::string> files = CAppProfile::GetRecentFiles();
        for (size_t i = 0; i < files.size(); ++i) {
            const uint32_t id = kFirstRecentFileCommand + static_cast<uint32_t>(i);
            auto* action = new QAction(QString("&%1 %2").arg(i + 1).arg(CodePageToQString(files[i])), menu);
            action->setData(id);
            connect(action, &QAction::triggered, this, [this, id] { m_commands.Execute(id); });
            menu->insertAction(before, action);
        }
    }
    for (QAction* action : menu->actions()) {
        const uint32_t id = action->data().toUInt();
        if (id == kUserManualCommand) {
            // The manual's own rule takes its item out of every menu that shows it.
            menu->removeAction(action);
            action->deleteLater();
            continue;
        }
        if (id != 0) {
            action->setEnabled(m_commands.IsEnabled(id));
            if (const std::optional<bool> checked = IsCommandChecked(id)) {
                action->setCheckable(true);
                action->setChecked(*checked);
            }
        }
    }
    if (menu == m_windowMenu) {
        RefreshWindowMenu();
    }
}

void CMainFrame::StartEngine() {
    CEngineStartup startup;
    startup.mainFrame = this;
    startup.usbEvents = m_options.usbEvents;
    m_engine = std::make_unique<CEngineObjects>(std::move(startup));
    SetupScan& setup = m_engine->GetSetupScan();
    setup.CreateDeviceManager();
    m_devices = std::make_unique<CSetupScanConnectionDevices>(setup);
}

void CMainFrame::StartTimers() {
    const std::array<std::pair<int, int>, 6> timers = {{{kTimerFirstLayout, 100},
                                                        {kTimer101, 10},
                                                        {kTimerSettled, 3000},
                                                        {kTimerRelayout, 100},
                                                        {kTimer108, 7000},
                                                        {kTimer110, 200}}};
    for (const auto& [id, period] : timers) {
        auto* timer = new QTimer(this);
        timer->setInterval(period);
        const int timerId = id;
        connect(timer, &QTimer::timeout, this, [this, timerId] { OnTimer(timerId); });
        m_timers[id] = timer;
        timer->start();
    }
}

void CMainFrame::LogMemoryStatus() {
    for (const std::string& line : MemoryStatus::Read().FormatLines()) {
        AddInformationMessage(0, line);
    }
}

// --- Settings ---

MainFrameIniSettings CMainFrame::ReadIniSettings(const std::string& path) {
    MainFrameIniSettings settings;
    const IniFile ini = IniFile::Load(path);
    if (auto address = IniValue(ini, "Orvilant server Info", "Orvilant server IP")) {
        settings.serverAddress = *address;
    }
    if (auto port = IniValue(ini, "Orvilant server Info", "Orvilant server port")) {
        settings.serverPort = LeadingInteger(*port);
    }
    if (auto detect = IniValue(ini, "Orvilant Info", "Spectrum Analyzer Detecting")) {
        settings.analyzerDetection = LeadingInteger(*detect) == 1;
    }
    if (auto detect = IniValue(ini, "Orvilant Info", "Scanner Detecting")) {
        settings.scannerDetection = LeadingInteger(*detect) == 1;
    }
    return settings;
}

void CMainFrame::ReadIniSettings() {
    m_ini.analyzerDetection = false;
    m_ini.scannerDetection = false;
    const std::string folder = GetExecutableFolder();
    if (folder.empty()) {
        return;
    }
    m_ini = ReadIniSettings(folder + "/" + kIniFileName);
}

bool CMainFrame::LoadDeviceInfoKey(std::string_view subKey) {
    const std::string key = std::string(kDeviceInfoBaseKey) + std::string(subKey);
    std::vector<QRegistryEntry> entries;
    ReadRegistryIdNameList(entries, key, SettingsRoot::LocalMachine);
    if (entries.empty()) {
        ShowPrompt({"Error#348: No device information found in registry key \"" + key +
                        "\".  Please contact QZV Technologies technical support.",
                    kMissingDeviceInfoCaption, PromptButtons::Ok, PromptIcon::None});
        return false;
    }
    if (subKey == "\\Analyzers") {
        GetSpectrumAnalyzerInfoManager().AddRecords(std::move(entries));
    } else if (subKey == "\\Analyzer Drivers") {
        GetDriverInfoManager().AddRecords(std::move(entries));
    } else if (subKey == "\\Analyzer Drivers Relation") {
        for (QRegistryEntry& entry : entries) {
            GetDeviceInfoList().Add(
                std::make_unique<QRegistryNameEntry>(entry.m_id, std::move(entry.m_text)));
        }
    } else if (subKey == "\\Analyzers Info") {
        GetAnalyzerInfoManager().AddRecords(std::move(entries));
    } else if (subKey == "\\Scan Heads") {
        GetScanHeadInfoManager().AddRecords(std::move(entries));
    } else if (subKey == "\\Calibrations") {
        GetCalibrationMessageManager().AddRecords(std::move(entries));
    } else if (subKey == "\\System Messages") {
        GetSystemMessageManager().AddRecords(std::move(entries));
    }
    return true;
}

void CMainFrame::LoadDeviceInfoKeys() {
    for (const char* subKey : {"\\Analyzers", "\\Analyzer Drivers", "\\Analyzer Drivers Relation",
                               "\\Analyzers Info", "\\Scan Heads", "\\Calibrations", "\\System Messages"}) {
        LoadDeviceInfoKey(subKey);
    }
}

// --- Log ---

void CMainFrame::AddLogLine(uint8_t kind, const std::string& text) {
    if (m_information == nullptr || IsClosing()) {
        return;
    }
    InformationLog::Instance().AddMessage(kind, text);
}

// --- Project windows ---

QMdiSubWindow* CMainFrame::GetNextMDIChild() {
    const QList<QMdiSubWindow*> children = m_mdiArea->subWindowList(QMdiArea::CreationOrder);
    while (++m_mdiWalk < children.size()) {
        QMdiSubWindow* child = children[m_mdiWalk];
        // The information window is a child of its own kind, not a project window.
        if (child == m_information) {
            continue;
        }
        return child;
    }
    return nullptr;
}

void CMainFrame::SetDocumentFactory(std::unique_ptr<CProjectDocumentFactory> factory) {
    m_documentFactory = std::move(factory);
}

TfrmMainApp* CMainFrame::FindProjectById(uint32_t projectId) const {
    for (const auto& project : m_projects) {
        if (project != nullptr && project->GetProjectId() == projectId) {
            return project.get();
        }
    }
    return nullptr;
}

void CMainFrame::ShowWindowsDialog() {
    CWindowsDialog dialog(m_mdiArea, this);
    dialog.exec();
}

// --- Status ---

void CMainFrame::SetStatusMessage(const QString& text) {
    m_statusMessage = text;
    ShowStatusMessage();
}

void CMainFrame::ShowStatusMessage() {
    // The analyser is selected on the engine link's thread, possibly after the text was cleared.
    if (m_statusShowsAnalyzer && GetInstrumentInfo().GetSelectedAnalyzerID() != m_statusAnalyzerShown) {
        m_statusMessage = CodePageToQString(SelectedAnalyzerStatusText());
    }
    if (m_statusBar != nullptr && m_statusBar->GetPaneText(0) != m_statusMessage) {
        m_statusBar->SetPaneText(0, m_statusMessage);
    }
}

void CMainFrame::ReportConnectionResult(bool scannerConnected, bool analyzerConnected) {
    CConnectionThread::ReportConnectionResult(&GetInstrumentInfo(), m_link.get(), this, scannerConnected,
                                              analyzerConnected);
}

uint32_t CMainFrame::ConnectionThreadProc(CConnectionThread& thread, const std::stop_token& stop) {
    thread.Loop(stop);
    return 0;
}

void CMainFrame::SetConnectionDevices(std::unique_ptr<CConnectionDevices> devices) {
    m_devices = std::move(devices);
}

void CMainFrame::SetPing(std::unique_ptr<AnalyzerPing> ping) {
    m_ping = std::move(ping);
}

// --- project/QMainFrame ---

QScanEngineLink* CMainFrame::GetScanEngineLink() {
    return m_link != nullptr ? m_link->GetScanEngineLink() : nullptr;
}

std::optional<std::string> CMainFrame::BrowseForFolder(const std::string& title) {
    const QString folder = QFileDialog::getExistingDirectory(this, CodePageToQString(title));
    if (folder.isNull()) {
        return std::nullopt;
    }
    return QStringToCodePage(folder);
}

void CMainFrame::ExitProgram(int exitCode) {
    Teardown();
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void CMainFrame::DisableScreenSaver() {
    // The desktop's screen-saver inhibit call, where a session bus offers it; the inhibition lasts
    // as long as the program's connection to the bus. A session without a bus address has no
    // screen saver to ask (and looking for a bus would start a helper program, holding up the
    // window the project opens in).
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusInterface screenSaver("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                               "org.freedesktop.ScreenSaver", bus);
    if (screenSaver.isValid()) {
        screenSaver.call("Inhibit", QString(kTitle), QString("A scan is running"));
    }
}

// --- Timers, size and move ---

bool CMainFrame::IsTimerActive(int timerId) const {
    const auto found = m_timers.find(timerId);
    return found != m_timers.end() && found->second->isActive();
}

void CMainFrame::OnTimer(int timerId) {
    const auto kill = [this](int id) {
        if (auto found = m_timers.find(id); found != m_timers.end()) {
            found->second->stop();
        }
    };
    switch (timerId) {
    case kTimerFirstLayout:
        kill(kTimerFirstLayout);
        FirstLayout();
        break;
    case kTimer101:
    case kTimer110:
        kill(timerId);
        break;
    case kTimerSettled:
        m_startupSettled = true;
        kill(kTimerSettled);
        break;
    case kTimerRelayout:
        if (m_movePending && ClockNow() - m_lastMove > std::chrono::milliseconds(800)) {
            m_movePending = false;
            RelayoutViewFrames();
        }
        break;
    default:
        break;
    }
}

QRect CMainFrame::MeasureProgressRect() const {
    QLabel* const pane = m_statusBar->GetPane(1);
    QRect rect(pane->mapTo(m_statusBar, QPoint(0, 0)), pane->size());
    const int width = QFontMetrics(m_statusBar->font()).horizontalAdvance(kPaneMeasureText);
    rect.setLeft(rect.left() + width + 2);
    return rect;
}

void CMainFrame::FirstLayout() {
    if (m_progressCreated) {
        return;
    }
    if (m_statusBar != nullptr) {
        QLabel* const pane0 = m_statusBar->GetPane(0);
        QLabel* const pane1 = m_statusBar->GetPane(1);
        pane0->setAutoFillBackground(true);
        pane1->setAutoFillBackground(true);
        QPalette palette0 = pane0->palette();
        palette0.setColor(QPalette::Window, QColor(240, 240, 240));
        pane0->setPalette(palette0);
        QPalette palette1 = pane1->palette();
        palette1.setColor(QPalette::Window, QColor(250, 250, 250));
        pane1->setPalette(palette1);
        m_statusBar->SetPaneText(1, kPaneMeasureText);
        m_statusBar->repaint();

        m_progress = new CProgressInStatus(m_statusBar);
        m_progress->setObjectName(QString::number(kProgressControlId));
        m_progress->setGeometry(MeasureProgressRect());
        m_progress->SetRange(0, 100);
        m_progress->show();
        m_progressCreated = true;
        m_progress->SetBarColour(0xC80000); // RGB (0, 0, 200)
        m_statusBar->SetPaneText(1, " ");
        m_progress->SetPos(0);
    }
    GetInstrumentInfo().SetStatusText({});
    Post(CConnectionThread::kStatusTextMessage);

    if (m_connectionThread == nullptr && m_devices != nullptr) {
        CConnectionThread::Context context;
        context.info = &GetInstrumentInfo();
        context.devices = m_devices.get();
        context.link = m_link.get();
        context.ping = m_ping.get();
        context.frame = this;
        context.analyzerDetection = m_ini.analyzerDetection;
        context.scannerDetection = m_ini.scannerDetection;
        context.scannerRemoved = &ScannerRemovedFlag();
        context.mayReport = [this] { return !IsClosing(); };
        m_connectionThread = std::make_unique<CConnectionThread>(std::move(context));
        m_connectionThread->Start();
    }

    // The sound system starts now, behind the window already on the screen.
    if (m_soundPlayer != nullptr) {
        m_soundPlayer->LoadEffects();
    }

    if (m_notification == nullptr) {
        m_notification = new CWndMainNotification(this);
        m_communication = new CWndCommunication(this);
        m_communication->setGeometry(0, 0, 50, 50);
    }
}

void CMainFrame::RelayoutViewFrames() {
    QMdiSubWindow* const active = m_activeProjectFrame;
    if (active == nullptr) {
        return;
    }
    auto* window = dynamic_cast<CProjectDocumentWindow*>(active);
    if (window == nullptr) {
        window = dynamic_cast<CProjectDocumentWindow*>(active->widget());
    }
    TfrmMainApp* const project = window != nullptr ? FindProjectById(window->GetProjectId()) : nullptr;
    if (project != nullptr && project->GetOpenProject() != nullptr) {
        project->GetOpenProject()->RelayoutViewFrames();
    }
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (m_progressCreated && m_progress != nullptr) {
        m_progress->setGeometry(MeasureProgressRect());
        m_progress->raise();
    }
    if (m_notification != nullptr) {
        m_notification->UpdateLayout();
    }
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (m_startupSettled) {
        m_movePending = true;
        m_lastMove = ClockNow();
    }
    if (m_notification != nullptr) {
        m_notification->UpdateLayout();
    }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (m_mdiArea != nullptr && watched == m_mdiArea->viewport() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        OnClientAreaLaidOut();
    }
    if (event->type() == QEvent::KeyPress && m_stopScanFrame != nullptr &&
        GetInstrumentInfo().GetProbeType() == eProbeType::RobotArm) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & Qt::ControlModifier) != 0 && !key->isAutoRepeat()) {
            m_stopScanFrame->EmergencyStop();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::SetStopScanFrame(std::unique_ptr<CStopScanFrame> frame) {
    m_stopScanFrame = std::move(frame);
}

// --- Closing ---

bool CMainFrame::MayClose() {
    if (m_link != nullptr && QUIBBStateController::IsRunState(m_link->GetState())) {
        ShowPrompt({kScanRunningText, kWarningCaption, PromptButtons::Ok, PromptIcon::Warning});
        return false;
    }
    return true;
}

bool CMainFrame::OnClose() {
    m_closing = 1;
    InformationLog::Instance().SetClosing(true);
    std::string lastProject;
    ResetMDIChildWalk();
    while (QMdiSubWindow* child = GetNextMDIChild()) {
        auto* document = dynamic_cast<CProjectDocumentWindow*>(child);
        if (document == nullptr) {
            document = dynamic_cast<CProjectDocumentWindow*>(child->widget());
        }
        if (document == nullptr || !document->HasActiveDocument()) {
            continue;
        }
        if (!document->SaveModified()) {
            m_closing = 0;
            InformationLog::Instance().SetClosing(false);
            return false;
        }
        document->SetModifiedFlag(false);
        lastProject = document->GetPathName();
    }
    CAppProfile::WriteString("Settings", "LastDocName", lastProject);
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!MayClose() || !OnClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

// --- Teardown ---

void CMainFrame::StopThreads() {
    const auto deadline = std::chrono::steady_clock::now() + kThreadStopBound;
    const auto remaining = [deadline] {
        const auto left = deadline - std::chrono::steady_clock::now();
        return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(left),
                        std::chrono::milliseconds(0));
    };

    // Every stop is asked first, so the threads wind down together.
    if (m_connectionThread != nullptr) {
        m_connectionThread->RequestStop();
    }
    m_armPollRun = 0;
    if (m_pipeListener != nullptr) {
        m_pipeListener->RequestStop();
    }
    if (m_engine != nullptr) {
        m_engine->GetSetupScan().SetTeardownFlag(1);
    }

    if (m_connectionThread != nullptr && !m_connectionThread->JoinFor(remaining())) {
        AddInformationMessage(0, "The connection thread did not end in time; it is left running.");
        m_allThreadsEnded = false;
    }
    while (m_armPollRunning.load() != 0 && remaining().count() > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (m_armPollRunning.load() != 0) {
        AddInformationMessage(0, "The arm-position polling thread did not end in time; it is left running.");
        m_allThreadsEnded = false;
    }
    if (m_pipeListener != nullptr) {
        while (m_pipeListener->GetState() != CNamedPipeListenerManager::State::Ended &&
               m_pipeListener->GetState() != CNamedPipeListenerManager::State::NotStarted &&
               remaining().count() > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const auto state = m_pipeListener->GetState();
        if (state == CNamedPipeListenerManager::State::Ended ||
            state == CNamedPipeListenerManager::State::NotStarted) {
            m_pipeListener->Join();
        } else {
            AddInformationMessage(0, "The pipe listener did not end in time; it is left running.");
            m_allThreadsEnded = false;
        }
    }
}

void CMainFrame::Teardown() {
    if (m_tornDown) {
        return;
    }
    m_tornDown = true;
    m_closing = 1;

    for (auto& [id, timer] : m_timers) {
        timer->stop();
    }
    StopThreads();

    // The windows go before what they show; the information window lets go of the log first.
    delete m_notification;
    m_notification = nullptr;
    delete m_communication;
    m_communication = nullptr;
    delete m_information;
    m_information = nullptr;
    m_progress = nullptr;
    m_progressCreated = false;

    m_stopScanFrame.reset();
    m_pipeClient.reset();
    m_pipeMode = 0;
    // The project windows go before their projects, which they may still reach while they go.
    if (m_mdiArea != nullptr) {
        for (QMdiSubWindow* window : m_mdiArea->subWindowList()) {
            delete window;
        }
    }
    m_activeProjectFrame = nullptr;
    m_projects.clear();

    if (!m_allThreadsEnded) {
        // A thread still runs: whatever it may touch stays alive, and the process ends without
        // freeing it.
        (void)m_connectionThread.release();
        (void)m_devices.release();
        (void)m_ping.release();
        (void)m_pipeListener.release();
        (void)m_link.release();
        (void)m_frameLink.release();
        (void)m_engine.release();
    } else {
        m_connectionThread.reset();
        m_pipeListener.reset();
        m_ping.reset();
        m_link.reset();
        m_devices.reset();
        m_engine.reset();
    }

    if (m_allThreadsEnded) {
        DestroyScannerContext();
        DestroyScanProgress();
        DestroyActiveScanItem();
        DestroyDeviceInfoList();
        DestroyCorrectionData();
        ClearTempFolder();
    }
    m_soundPlayer.reset();
    InformationLog::Instance().SetClosing(true);
    InformationLog::Instance().CloseFile();
    if (m_instanceLock != nullptr) {
        m_instanceLock->Release();
    }
}

} // namespace orv
