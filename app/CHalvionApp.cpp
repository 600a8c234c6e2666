#include "app/CHalvionApp.h"

#include "app/AppResources.h"
#include "app/CAppProfile.h"
#include "app/CProjectDocument.h"
#include "app/ExportFileDialog.h"
#include "app/MessageBoxPrompt.h"
#include "app/QtConversions.h"
#include "app/UiMessagePump.h"
#include "app/project/CProjectDocumentKind.h"
#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"
#include "platform/ui/Prompt.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QScreen>
#include <QUrl>

#include <cstdio>
#include <filesystem>

namespace orv {

namespace {

CHalvionApp* g_app = nullptr;

} // namespace

CHalvionApp::CHalvionApp(std::vector<std::string> arguments, Options options)
    : m_arguments(std::move(arguments)), m_options(std::move(options)) {
    g_app = this;
}

CHalvionApp::~CHalvionApp() {
    ExitInstance();
    if (g_app == this) {
        g_app = nullptr;
    }
}

CHalvionApp* CHalvionApp::GetApp() {
    return g_app;
}

bool CHalvionApp::InitInstance() {
    // One copy per user; a second start says so and ends before anything else is made.
    if (m_lock.Acquire(m_options.lockPath) == SingleInstanceLock::Result::AlreadyRunning) {
        InstallPrompt(m_options.prompt != nullptr ? m_options.prompt : std::make_shared<MessageBoxPrompt>());
        ShowPrompt(kAlreadyRunningText, {}, PromptButtons::Ok, PromptIcon::None);
        m_exitCode = kAlreadyRunningExitCode;
        return false;
    }

    // Boxes asked from any thread show on the user-interface thread, whose queue rides the event loop.
    GetUiMessageThread();
    InstallPrompt(m_options.prompt != nullptr ? m_options.prompt : std::make_shared<MessageBoxPrompt>());
    QApplication::setApplicationName(CAppProfile::kApplicationName);
    // Every window without an icon of its own shows the program's (not the toolkit's logo).
    QApplication::setWindowIcon(ProgramIcon());

    m_mainFrame = std::make_unique<CMainFrame>(m_options.frame);
    m_mainFrame->SetSingleInstanceLock(&m_lock);
    RegisterCommands();
    MessageBoxPrompt::SetOwnerWindow(m_mainFrame.get());
    // The export command's file dialog and the busy cursor that model code counts.
    InstallExportUserInterface();
    ExportFileDialog::SetOwnerWindow(m_mainFrame.get());
    CProjectDocumentKind::Register(*m_mainFrame);
    if (!m_mainFrame->OnCreate()) {
        m_exitCode = 0;
        return false;
    }

    // The switches are read before any device thread starts (the connection thread starts on the
    // frame's first timer, after start-up has returned to the event loop).
    m_switches = StartupSwitches::Parse(m_arguments);
    m_switches.Apply();
    InformationLog::Instance().SetConsoleEcho(m_switches.console);
    if (m_switches.console) {
        std::fputs("Console enabled via command line switch -Console.\n", stdout);
        if (m_switches.logAnalyzerErrors) {
            std::fputs("Spectrum Analyser error reporting enabled via command line switch -LogSAErrors.\n",
                       stdout);
        }
        std::fflush(stdout);
    }

    if (!m_switches.files.empty()) {
        OpenDocumentFile(m_switches.files.front());
    } else {
        m_startupDocument = true;
        OnFileNew();
    }

    if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, m_mainFrame.get(),
                         [this] { OnIdle(); });
    }
    // Maximised; where no window manager maximises it (a bare X server), it takes the screen's
    // available area itself.
    if (const QScreen* screen = m_mainFrame->screen()) {
        m_mainFrame->setGeometry(screen->availableGeometry());
    }
    m_mainFrame->showMaximized();
    return true;
}

int CHalvionApp::ExitInstance() {
    if (m_mainFrame != nullptr) {
        m_mainFrame->Teardown();
        if (!m_mainFrame->AllThreadsEnded()) {
            // A thread that would not stop still uses the frame's objects: the process ends here,
            // freeing nothing.
            std::fflush(nullptr);
            std::_Exit(m_exitCode);
        }
        MessageBoxPrompt::SetOwnerWindow(nullptr);
        m_mainFrame.reset();
    }
    m_lock.Release();
    return m_exitCode;
}

int CHalvionApp::Run() {
    if (!InitInstance()) {
        ExitInstance();
        return m_exitCode;
    }
    m_exitCode = QApplication::exec();
    return ExitInstance();
}

bool CHalvionApp::TakeStartupDocumentFlag() {
    const bool set = m_startupDocument;
    m_startupDocument = false;
    return set;
}

void CHalvionApp::RegisterCommands() {
    CCommandTable& commands = m_mainFrame->GetCommandTable();
    commands.SetHandler(57600, [this] { OnFileNew(); });
    commands.SetHandler(57648, [this] { OnFileNew(); });
    commands.SetHandler(57601, [this] { OnFileOpen(); });
    commands.SetHandler(32913, [this] { OnUserManual(); });
    commands.SetHandler(32914, [this] { OnAgreement(); });
    for (uint32_t i = 0; i < CAppProfile::kRecentFileCount; ++i) {
        commands.SetHandler(CMainFrame::kFirstRecentFileCommand + i, [this, i] {
            const std::vector<std::string> files = CAppProfile::GetRecentFiles();
            if (i < files.size()) {
                OpenDocumentFile(files[i]);
            }
        });
    }
}

bool CHalvionApp::OnFileNew() {
    if (m_mainFrame == nullptr) {
        return false;
    }
    m_mainFrame->SetNewProjectFlag(1);
    CProjectDocumentFactory* factory = m_mainFrame->GetDocumentFactory();
    return factory != nullptr && factory->NewDocument();
}

void CHalvionApp::OnFileOpen() {
    if (m_mainFrame == nullptr) {
        return;
    }
    m_mainFrame->SetNewProjectFlag(0);
    QFileDialog dialog(m_mainFrame.get(), kOpenTitle);
    dialog.setNameFilter(kOpenFilter);
    dialog.setDefaultSuffix("ovp");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.selectFile("export");
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        OpenDocumentFile(QStringToCodePage(dialog.selectedFiles().front()));
    }
}

bool CHalvionApp::OpenDocumentFile(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        ShowPrompt(kMissingFileText, {}, PromptButtons::Ok, PromptIcon::None);
        return false;
    }
    if (m_mainFrame == nullptr) {
        return false;
    }
    m_mainFrame->SetNewProjectFlag(0);
    CProjectDocumentFactory* factory = m_mainFrame->GetDocumentFactory();
    if (factory == nullptr || !factory->OpenDocument(path)) {
        return false;
    }
    AddToRecentFileList(path);
    return true;
}

void CHalvionApp::AddToRecentFileList(const std::string& path) {
    CAppProfile::AddToRecentFileList(path);
}

int CHalvionApp::OpenWithDesktop(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return 2;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(CodePageToQString(path))) ? 0 : 31;
}

void CHalvionApp::OnUserManual() {
    std::error_code ec;
    const std::string folder = std::filesystem::current_path(ec).string();
    const int code = OpenWithDesktop(folder + kManualName);
    if (code != 0) {
        AddInformationMessage(0, "");
        AddInformationMessage(0, "Trying to open Orvilant manual in::   " + folder);
        std::string line = FormatC("Error opening Orvilant Manual, returned code = %d", code);
        if (line.size() > 255) {
            line.resize(255);
        }
        AddInformationMessage(0, line);
        AddInformationMessage(0, "");
    }
}

void CHalvionApp::OnAgreement() {
    std::error_code ec;
    const std::string folder = std::filesystem::current_path(ec).string();
    OpenWithDesktop(folder + kAgreementName);
}

void CHalvionApp::OnIdle() {
    if (m_mainFrame != nullptr) {
        m_mainFrame->ShowStatusMessage();
    }
}

} // namespace orv
