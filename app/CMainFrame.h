#pragma once

// The one top-level window and the owner of every long-lived object of the running program: the
// engine's objects (transfer pipes, endpoints, set-up object with its device manager, stop flag),
// the client's controller and command queue, the pipe listener, the ping of a network analyser,
// the tool bars, status bar and progress control, the information window, the notice box and the
// open projects. It builds them in order at creation, connects the devices through its connection
// thread, refuses to close while a scan runs, and takes everything down in an order in which no
// thread ever finds freed what it uses.

#include "app/CCommandTable.h"
#include "app/controls/CCommandTarget.h"
#include "platform/msg/MessageTarget.h"
#include "platform/usb/UsbDeviceEvents.h"
#include "project/QMainFrame.h"

#include <QIcon>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

class QEventLoop;
class QMdiArea;
class QMenu;
class QMdiSubWindow;

namespace orv {

class AnalyzerPing;
class CConnectionDevices;
class CConnectionLink;
class CConnectionThread;
class CEngineObjects;
class CInformationMessages;
class CMainFrameDisplayLink;
class CMainFrameLink;
class CChildFrame;
class CMainStatusBar;
class CMainToolBar;
class CNamedPipeIncomingClient;
class CNamedPipeListenerManager;
class CSoundEffectPlayer;
class CProgressInStatus;
class CProjectDocumentFactory;
class CStopScanFrame;
class CWndCommunication;
class CWndMainNotification;
class SingleInstanceLock;
class TfrmMainApp;
struct CTreeItem;
class CViewTreeWidget;

// The ini file's settings.
struct MainFrameIniSettings {
    std::string serverAddress;
    int32_t serverPort = 80;
    bool analyzerDetection = false;
    bool scannerDetection = false;
};

class CMainFrame;
class CEngineObjects;

struct CMainFrameOptions {
    // How the frame makes the client's controller and command queue over the engine's objects (none
    // while the client side is not part of the program).
    using ConnectionLinkMaker = std::function<std::unique_ptr<CConnectionLink>(CEngineObjects&, CMainFrame&)>;
    ConnectionLinkMaker makeConnectionLink;
    // The pipe listener's socket (empty: the user's run-time folder); tests use a folder of their own.
    std::string pipePath;
    // Whether the program's own ping is tried (tests give one of their own).
    bool makeIcmpPing = true;
    // The USB device events the scanner board's removal watch reads (tests: a fake source or none).
    std::function<std::unique_ptr<UsbDeviceEventSource>(std::string& reason)> usbEvents = MakeUdevUsbMonitor;
};

class CMainFrame : public QMainWindow, public QMainFrame, public MessageTarget, public CCommandTarget {
public:
    static constexpr const char* kTitle = "Orvilant";
    static constexpr const char* kIniFileName = "Orvilant.ini";
    static constexpr const char* kScanRunningText = "The scan is in progress, stop the scan first!";
    static constexpr const char* kWarningCaption = "Warning";
    static constexpr const char* kDeviceInfoBaseKey = "Software\\QZV Technologies";
    static constexpr const char* kMissingDeviceInfoCaption = "Missing Device Information";
    static constexpr std::chrono::milliseconds kThreadStopBound{4000};

    // Status bar measurements of the first layout.
    static constexpr const char* kPaneMeasureText = "1122334455667788991122";
    static constexpr uint32_t kProgressControlId = 21010;
    // The recent files' commands, newest first.
    static constexpr uint32_t kFirstRecentFileCommand = 57616;
    static constexpr uint32_t kExitCommand = 57665;
    static constexpr uint32_t kUserManualCommand = 32913;

    // Timers in the order they are started.
    enum TimerId : int {
        kTimerFirstLayout = 100,
        kTimer101 = 101,
        kTimerSettled = 106,
        kTimerRelayout = 107,
        kTimer108 = 108,
        kTimer110 = 110
    };

    using ConnectionLinkMaker = CMainFrameOptions::ConnectionLinkMaker;
    using Options = CMainFrameOptions;

    explicit CMainFrame(Options options = {});
    ~CMainFrame() override;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // The frame while it exists (null before and after).
    static CMainFrame* GetMainFrame();

    // Builds everything in order; false when the status bar or a tool bar could not be made.
    bool OnCreate();
    // Ends the threads and frees what the frame made, in order. Safe to call more than once; the
    // destructor calls it.
    void Teardown();
    // Whether every thread ended within its bound (else what they use was left alive).
    bool AllThreadsEnded() const { return m_allThreadsEnded; }

    // --- project/QMainFrame ---
    QScanEngineLink* GetScanEngineLink() override;
    std::optional<std::string> BrowseForFolder(const std::string& title) override;
    [[noreturn]] void ExitProgram(int exitCode) override;
    void DisableScreenSaver() override;

    // --- CCommandTarget ---
    bool OnCommand(uint32_t commandId) override;
    std::optional<bool> IsCommandEnabled(uint32_t commandId) override;
    CCommandTable& GetCommandTable() { return m_commands; }
    // The check mark of the window toggles (information window, tool bars); none for other commands.
    std::optional<bool> IsCommandChecked(uint32_t commandId) const;

    // --- Scan and node commands ---
    static constexpr uint32_t kScanCommand = 32893;
    static constexpr uint32_t kScanContinuouslyCommand = 32890;
    static constexpr uint32_t kSettingsCommand = 32892;
    static constexpr uint32_t kInformationWindowCommand = 32978;
    static constexpr uint32_t kStatusPaneCommand = 101;
    static constexpr const char* kNoScanForNodeText = "Scan can't be run for this node!";
    // The project frame of the active sub-window; null while another window (the information window
    // included) is active.
    CChildFrame* GetActiveChildFrame() const;

    // --- Hand-held probe cells (10101) ---
    static constexpr uint32_t kHandHeldProbeCellMessage = 10101;
    // Posted to the frame by the pipe client when its answer is in (lParam: the answer).
    static constexpr uint32_t kPipeAnswerMessage = 10102;
    // How often a waiting prompt looks whether the run was stopped or the frame closes.
    static constexpr std::chrono::milliseconds kStopPollPeriod{50};
    // The longest wait for the pipe client's answer: its own reply window by default (the client ends
    // the request then); tests shorten it.
    void SetPipeAnswerWindow(std::chrono::milliseconds window) { m_pipeAnswerWindow = window; }
    // The pipe client that answers the cells while an outside program is connected (10041).
    std::shared_ptr<CNamedPipeIncomingClient> GetPipeClient() const { return m_pipeClient; }
    // The answer text of a cell: lettered labels when the scanning project's preferences ask for them.
    static std::string FormatProbeCellText(int32_t row, int32_t column, bool labels);
    // The scanner chosen by the search (10038): shown as status text, the scanner marked disconnected
    // and the controller put back to 0, so the connection thread connects it again.
    void ConnectToChosenScanner(const std::string& address, const std::string& scannerId);
    // The scanner search dialog over the frame's two remembered lists (10038 and Find Scanner); the
    // scanner picked is connected.
    void RunScannerSearch();
    const std::string& GetChosenScannerAddress() const { return m_chosenScannerAddress; }
    const std::string& GetChosenScannerId() const { return m_chosenScannerId; }
    // Help -> About: the about box over the frame's scan-head ID; its static-IP write goes to the
    // engine's device manager.
    void ShowAboutBox();
    // Help -> Driver Parameters: the modeless, top-most window, made once and raised again.
    void ShowDriverParameters();
    // The driver-parameters window, destroyed on 10044.
    void SetDriverParametersWindow(QWidget* window) { m_driverParametersWindow = window; }
    QWidget* GetDriverParametersWindow() const { return m_driverParametersWindow; }

    // Private messages by number; an unregistered number answers 0.
    using MessageHandler = std::function<int64_t(Message&)>;
    void RegisterMessageHandler(uint32_t id, MessageHandler handler);

    // --- Settings read at start ---
    static MainFrameIniSettings ReadIniSettings(const std::string& path);
    // Reads the ini file beside the executable into the frame.
    void ReadIniSettings();
    // Fills the catalogue of one device-list key ("\Analyzers", ...); an empty key is reported with
    // its Error#348 box. False when it was empty.
    static bool LoadDeviceInfoKey(std::string_view subKey);
    static void LoadDeviceInfoKeys();
    const MainFrameIniSettings& GetIniSettings() const { return m_ini; }

    // --- Log ---
    // Writes one line to the information window when it exists.
    void AddLogLine(uint8_t kind, const std::string& text);

    // --- Project windows ---
    QMdiArea* GetMdiArea() const { return m_mdiArea; }
    // The next project window of a walk (the first after ResetMDIChildWalk); null at the end.
    QMdiSubWindow* GetNextMDIChild();
    void ResetMDIChildWalk() { m_mdiWalk = -1; }
    // The document kind's maker of project windows (the project windows register it).
    void SetDocumentFactory(std::unique_ptr<CProjectDocumentFactory> factory);
    CProjectDocumentFactory* GetDocumentFactory() const { return m_documentFactory.get(); }
    std::vector<std::unique_ptr<TfrmMainApp>>& GetProjects() { return m_projects; }
    TfrmMainApp* FindProjectById(uint32_t projectId) const;
    // The project window activated last (not owned).
    QMdiSubWindow* GetActiveProjectFrame() const { return m_activeProjectFrame; }
    void SetActiveProjectFrame(QMdiSubWindow* frame) { m_activeProjectFrame = frame; }
    // Project ids and the titles of new projects count from here.
    uint32_t TakeNextProjectId() { return ++m_projectCounter; }
    uint32_t TakeNextProjectTitleNumber() { return m_projectTitleCounter++; }
    // 1 while a new project is being made, 0 while one is opened.
    uint8_t GetNewProjectFlag() const { return m_newProjectFlag.load(); }
    void SetNewProjectFlag(uint8_t flag) { m_newProjectFlag.store(flag); }
    void ShowWindowsDialog();

    // --- Status ---
    // Scan status and progress in pane 1 and the progress control, on the user-interface thread.
    void ShowScanStatus(int32_t code);
    void ShowScanningProgress(int32_t percent);
    void ShowScanningProgressFraction(double percent);
    void ShowPeakDetectionProgress(int32_t percent);
    // From any thread: the text goes through the instrument state, 10040 shows it.
    void PostStatusText(const std::string& text);
    // 0 or less: the notice window's own duration.
    void ShowNotification(const std::string& text, int32_t durationMs);
    bool StopScanOfProject(int32_t projectId) override;
    // The project of the active project window (null when another window is active).
    TfrmMainApp* GetActiveProject() const;
    // The frame as the engine link and the controller reach it (made on first use, lives with the
    // frame).
    CMainFrameLink& GetFrameLink();

    // Pane 0 for an empty status text: "  Selected Analyzer:  " and the selected analyser's name, or
    // kReadyText while no analyser is selected and no project with preferences is active.
    std::string SelectedAnalyzerStatusText();
    // While pane 0 names the analyser, names it again (a project window was built or activated, or
    // the analyser's selection changed).
    void RefreshStatusText();
    static constexpr const char* kReadyText = "Ready";
    // The text pane 0 shows at idle.
    const QString& GetStatusMessage() const { return m_statusMessage; }
    void SetStatusMessage(const QString& text);
    // Shows the status message in pane 0 (at idle).
    void ShowStatusMessage();
    CMainStatusBar* GetMainStatusBar() const { return m_statusBar; }
    CProgressInStatus* GetProgressControl() const { return m_progress; }
    CInformationMessages* GetInformationWindow() const { return m_information; }
    // The information window's place in the laid-out client: the lower third, 50 pixels up.
    QRect InformationWindowRect() const;
    // Puts the information window at its place (also brings it out of a minimised or maximised state).
    void PlaceInformationWindow();
    CWndMainNotification* GetNotificationWindow() const { return m_notification; }
    CWndCommunication* GetCommunicationWindow() const { return m_communication; }
    std::array<CMainToolBar*, 3> GetToolBars() const { return m_toolBars; }
    // The tool-bar picture of a command; a null icon for a command without one.
    QIcon GetCommandIcon(uint32_t commandId) const;

    // --- Devices and threads ---
    CEngineObjects* GetEngineObjects() const { return m_engine.get(); }
    CConnectionLink* GetConnectionLink() const { return m_link.get(); }
    CConnectionThread* GetConnectionThread() const { return m_connectionThread.get(); }
    CNamedPipeListenerManager* GetPipeListener() const { return m_pipeListener.get(); }
    // 1 while an outside program answers the hand-held probe cells through the pipe.
    int32_t GetPipeMode() const { return m_pipeMode.load(); }
    AnalyzerPing* GetPing() const { return m_ping.get(); }
    // Tests put their own devices or ping in place before the connection thread starts.
    void SetConnectionDevices(std::unique_ptr<CConnectionDevices> devices);
    void SetPing(std::unique_ptr<AnalyzerPing> ping);
    // The connection thread's entry: runs the thread's loop until it is asked to stop; returns 0.
    static uint32_t ConnectionThreadProc(CConnectionThread& thread, const std::stop_token& stop);
    // The connection thread's result texts (and the controller's state 0 unless both connected).
    void ReportConnectionResult(bool scannerConnected, bool analyzerConnected);
    // The run flag and running count the scan-probes page's arm-position polling thread keeps.
    std::atomic<uint8_t>& GetArmPollRunFlag() { return m_armPollRun; }
    std::atomic<int32_t>& GetArmPollRunningCount() { return m_armPollRunning; }

    // --- Timers, size and move ---
    void OnTimer(int timerId);
    bool IsTimerActive(int timerId) const;
    bool IsStartupSettled() const { return m_startupSettled; }
    bool IsMovePending() const { return m_movePending; }

    // --- Closing ---
    bool IsClosing() const { return m_closing.load() != 0; }
    // The close guard: false (with its box) while a scan runs.
    bool MayClose();
    // Asks the project windows to save; false when the user cancelled (the frame stays open).
    bool OnClose();

    // The emergency stop of robot-arm scans (triggered by Ctrl+Enter with probe type 2).
    void SetStopScanFrame(std::unique_ptr<CStopScanFrame> frame);
    CStopScanFrame* GetStopScanFrame() const { return m_stopScanFrame.get(); }
    // The program's sounds, played through the frame's player while it lives.
    CSoundEffectPlayer* GetSoundPlayer() const { return m_soundPlayer.get(); }

    // The single-instance lock, released last at teardown.
    void SetSingleInstanceLock(SingleInstanceLock* lock) { m_instanceLock = lock; }

protected:
    int64_t HandleMessage(Message& message) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Relays the view frames of the active project window's project (after the window was moved).
    virtual void RelayoutViewFrames();

private:
    bool CreateStatusBar();
    bool CreateToolBars();
    void CreateMenus();
    // Brings a menu's items up to date as it opens: enabled by the command table, the recent files.
    void UpdateMenu(QMenu* menu);
    void AddStandardCommands();
    void CreateInformationWindow();
    // The client was shown or resized.
    void OnClientAreaLaidOut();
    void StartEngine();
    void StartTimers();
    void FirstLayout();
    QRect MeasureProgressRect() const;
    void OnStatusText();
    void RegisterStatusMessages();
    void OnDevicesConnected();
    void OnSetupProgress(int32_t percent);
    void SetScanPaneText(const std::string& text);
    void SetProgress(uint32_t colour, int32_t position);
    void SetRunningFramesIdle();
    // Made on first need, for robot-arm scans.
    void ShowStopScanFrame();

    // Commands.
    void RegisterCommands();
    CViewTreeWidget* ActiveTree() const;
    CTreeItem* SelectedRecord() const;
    int32_t ControllerState() const;
    bool HasActiveProjectView() const;
    void ResetArmQueueForRun();
    void OnScan();
    void OnScanContinuously();
    void OnSettings();
    void OnAddNodeThroughProject(uint16_t kind);
    void ToggleInformationWindow();
    void ToggleToolBar(size_t index);
    void RefreshWindowMenu();

    // Private messages of the commands' side.
    void RegisterCommandMessages();
    int64_t OnHandHeldProbeCell(Message& message);
    void FillProbePosition(int64_t recordAddress) const;
    int64_t AskPipeClient(const std::array<int32_t, 5>& values);
    int64_t AskHandHeldProbeDialog(int32_t row, int32_t column);
    // Whether a waiting prompt must give up: the run's stop, the frame closing, the scanning node gone.
    bool IsProbePromptCancelled(const std::stop_token& stop, const void* scanningMediator) const;
    void MarkControllerStop();
    void LogMemoryStatus();
    void StopThreads();

    Options m_options;
    CCommandTable m_commands;
    std::map<uint32_t, MessageHandler> m_messageHandlers;

    MainFrameIniSettings m_ini;
    std::atomic<int32_t> m_pipeMode{0};
    std::atomic<uint8_t> m_newProjectFlag{1};
    std::atomic<uint8_t> m_closing{0};
    bool m_startupSettled = false;
    bool m_movePending = false;
    std::chrono::steady_clock::time_point m_lastMove{};
    bool m_progressCreated = false;
    int m_progressOffset = 0;
    QString m_statusMessage;
    // Pane 0 names the selected analyser (the instruments' status text was empty).
    bool m_statusShowsAnalyzer = false;
    // The analyser selection pane 0 was last worked out for.
    int32_t m_statusAnalyzerShown = -1;
    bool m_created = false;
    bool m_tornDown = false;
    bool m_allThreadsEnded = true;

    QMdiArea* m_mdiArea = nullptr;
    CMainStatusBar* m_statusBar = nullptr;
    CProgressInStatus* m_progress = nullptr;
    std::array<CMainToolBar*, 3> m_toolBars{};
    // The tool-bar picture of each command that has one (also shown by its menu item).
    std::map<uint32_t, QIcon> m_commandIcons;
    CInformationMessages* m_information = nullptr;
    // Whether the window was placed in a laid-out client, and where.
    bool m_informationPlaced = false;
    QRect m_informationRect;
    CWndMainNotification* m_notification = nullptr;
    CWndCommunication* m_communication = nullptr;
    std::map<int, QTimer*> m_timers;

    std::unique_ptr<CStopScanFrame> m_stopScanFrame;
    std::unique_ptr<CSoundEffectPlayer> m_soundPlayer;
    QMenu* m_windowMenu = nullptr;
    std::shared_ptr<CNamedPipeIncomingClient> m_pipeClient;
    std::optional<int32_t> m_pipeAnswer;
    QEventLoop* m_pipeWaitLoop = nullptr;
    std::chrono::milliseconds m_pipeAnswerWindow{std::chrono::seconds(31)};
    std::string m_chosenScannerAddress;
    std::string m_chosenScannerId;
    // The scanner search's two lists, kept between its runs.
    std::vector<std::string> m_searchedAddresses;
    std::vector<std::string> m_searchedIds;
    QPointer<QWidget> m_driverParametersWindow;
    std::unique_ptr<CMainFrameDisplayLink> m_frameLink;
    std::vector<std::unique_ptr<TfrmMainApp>> m_projects;
    // Goes before the projects: its windows free their projects from the array while it exists.
    std::unique_ptr<CProjectDocumentFactory> m_documentFactory;
    QPointer<QMdiSubWindow> m_activeProjectFrame;
    uint32_t m_projectCounter = 0;
    uint32_t m_projectTitleCounter = 1;
    int m_mdiWalk = -1;

    std::unique_ptr<CEngineObjects> m_engine;
    std::unique_ptr<CConnectionLink> m_link;
    std::unique_ptr<CConnectionDevices> m_devices;
    std::unique_ptr<AnalyzerPing> m_ping;
    std::unique_ptr<CNamedPipeListenerManager> m_pipeListener;
    std::unique_ptr<CConnectionThread> m_connectionThread;
    std::atomic<uint8_t> m_armPollRun{1};
    std::atomic<int32_t> m_armPollRunning{0};
    SingleInstanceLock* m_instanceLock = nullptr;
};

} // namespace orv
