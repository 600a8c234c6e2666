#pragma once

// Driving the real program as a user does: the application object with the program's own engine
// link over the in-process engine, the built-in device lists ("-NoSA": the no-scanner head and the
// placeholder analyser), a repository of its own registered as the last one used, and the menu,
// project-window and status-bar waits a user's steps need.

#include "app/CHalvionApp.h"
#include "tests/app/support/MainFrameTestEnvironment.h"

#include <functional>
#include <string>
#include <vector>

namespace orv {
class CChildFrame;
class CMainFrame;
class CProjectDocumentKind;
} // namespace orv

namespace orv::testing {

class AcceptanceDriver {
public:
    AcceptanceDriver();

    // The options the program starts with (its engine link, no ping, the scripted prompt).
    CHalvionApp::Options Options();
    MainFrameTestEnvironment& GetEnvironment() { return m_environment; }
    const std::string& GetRepository() const { return m_repository; }

    // Triggers the menu item of a command, as a click on it does; false when no enabled item has it.
    static bool TriggerMenuItem(CMainFrame& frame, uint32_t id);
    // Waits until the devices have connected on their own (the first notice is shown).
    static bool WaitForConnectedDevices(CMainFrame& frame);
    // The project window made after those in `before`, once built; null when none came.
    static CChildFrame* WaitForBuiltProject(CProjectDocumentKind& kind,
                                            const std::vector<CChildFrame*>& before);
    // New Project from the menu; the new project window once built.
    static CChildFrame* MakeProject(CMainFrame& frame);
    // Pane 1's texts while `done` is awaited, each once in the order given (also those a later text
    // replaced within the same event-loop pass).
    static std::vector<std::string> WatchPaneOne(CMainFrame& frame, const std::function<bool()>& done);

private:
    MainFrameTestEnvironment m_environment;
    std::string m_repository;
};

} // namespace orv::testing
