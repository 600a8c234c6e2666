#pragma once

// The application object: one running copy per user, the prompt and the user-interface thread's
// message queue on the Qt event loop, the profile, the project document kind, the main frame, the
// command-line switches, and the project named on the command line (or a new start-up project).
// It also owns the application's commands (new, open, about, user manual, agreement, scanner search,
// driver parameters) and shows the frame's status message at idle.

#include "app/CMainFrame.h"
#include "app/StartupSwitches.h"
#include "platform/sync/SingleInstanceLock.h"

#include <memory>
#include <string>
#include <vector>

namespace orv {

class Prompt;

class CHalvionApp {
public:
    static constexpr const char* kAlreadyRunningText = "An instance of Orvilant is already running.";
    static constexpr const char* kMissingFileText = "The file doesn't exist any more!";
    static constexpr const char* kManualName = "/Orvilant User Manual.pdf";
    static constexpr const char* kAgreementName = "/EULA 18feb11.rtf";
    static constexpr const char* kOpenTitle = "Open Orvilant Project";
    static constexpr const char* kOpenFilter = "Orvilant Projects files(*.ovp)";
    static constexpr int kAlreadyRunningExitCode = 1;

    struct Options {
        // Where the single-instance lock lies (empty: the user's run-time folder).
        std::string lockPath;
        // The prompt installed for the run (null: the program's message boxes).
        std::shared_ptr<Prompt> prompt;
        CMainFrame::Options frame;
    };

    // `arguments` without the program's name. The QApplication must exist.
    explicit CHalvionApp(std::vector<std::string> arguments, Options options = {});
    ~CHalvionApp();
    CHalvionApp(const CHalvionApp&) = delete;
    CHalvionApp& operator=(const CHalvionApp&) = delete;

    static CHalvionApp* GetApp();

    // Start-up; false when the program is to end at once (GetExitCode says with what).
    bool InitInstance();
    // Takes the main frame down in order (threads joined, objects freed, the lock released last).
    int ExitInstance();
    // InitInstance, the event loop, ExitInstance; answers the exit code.
    int Run();
    int GetExitCode() const { return m_exitCode; }

    CMainFrame* GetMainFrame() const { return m_mainFrame.get(); }
    const StartupSwitches& GetSwitches() const { return m_switches; }

    // Set by start-up when the command line asks for a new project; the first new project document
    // takes it (and marks itself as the start-up document).
    bool IsStartupDocumentFlagSet() const { return m_startupDocument; }
    bool TakeStartupDocumentFlag();

    // Commands.
    bool OnFileNew();
    void OnFileOpen();
    // Opens the project file; false (with its box) when the file no longer exists.
    bool OpenDocumentFile(const std::string& path);
    void AddToRecentFileList(const std::string& path);
    // Opens the manual beside the program; a failure goes to the log as four lines.
    void OnUserManual();
    void OnAgreement();
    void OnIdle();

    // Opens a file with the desktop's program for it: 0 when it opened, 2 for a missing file, 31
    // when no program opens it (the shell's failure codes).
    static int OpenWithDesktop(const std::string& path);

private:
    void RegisterCommands();

    std::vector<std::string> m_arguments;
    Options m_options;
    StartupSwitches m_switches;
    SingleInstanceLock m_lock;
    std::unique_ptr<CMainFrame> m_mainFrame;
    bool m_startupDocument = false;
    int m_exitCode = 0;
};

} // namespace orv
