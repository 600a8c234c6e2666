#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orv {

class QScanEngineLink;

// What a project window's container asks of the application's main frame. The window side
// implements it.
class QMainFrame {
public:
    QMainFrame() = default;
    QMainFrame(const QMainFrame&) = delete;
    QMainFrame& operator=(const QMainFrame&) = delete;
    virtual ~QMainFrame();

    // The scanning engine the project windows share; null while the program has none.
    virtual QScanEngineLink* GetScanEngineLink() = 0;
    // Shows the system's folder browser with the title. No value: the user cancelled; an empty text:
    // the chosen item has no file-system path.
    virtual std::optional<std::string> BrowseForFolder(const std::string& title) = 0;
    // Ends the program at once with the exit code. Does not return.
    [[noreturn]] virtual void ExitProgram(int exitCode) = 0;
    // Keeps the screen saver from starting while the program runs.
    virtual void DisableScreenSaver() = 0;
    // Stops the running scan of the project with the id; false when none was stopped. A frame without
    // projects stops nothing.
    virtual bool StopScanOfProject(int32_t /*projectId*/) { return false; }
};

} // namespace orv
