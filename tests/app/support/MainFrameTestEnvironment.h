#pragma once

// What a test of the application object or the main frame needs around it: folders of its own for
// the settings, the log, the temp files, the executable's ini file and the run-time folder; no VISA
// library and no VISA resource, so the placeholder analyser is all there is; "-NoSA"; a scripted
// prompt. Everything is put back when the environment goes.

#include "platform/ui/ScriptedPrompt.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv::testing {

class MainFrameTestEnvironment {
public:
    // The built-in device lists of resources/machine.settings, as the run command uses them.
    static std::string ShippedMachineSettingsPath();

    // `machineSettings` empty: the shipped file.
    explicit MainFrameTestEnvironment(const std::string& machineSettings = {});
    ~MainFrameTestEnvironment();
    MainFrameTestEnvironment(const MainFrameTestEnvironment&) = delete;
    MainFrameTestEnvironment& operator=(const MainFrameTestEnvironment&) = delete;

    const std::string& Root() const { return m_root; }
    std::string ExecutableFolder() const { return m_root + "/bin"; }
    std::string UserDataFolder() const { return m_root + "/data"; }
    std::string RuntimeFolder() const { return m_root + "/run"; }
    std::string PipePath() const { return RuntimeFolder() + "/Halvion_Pipe_Handheld"; }
    std::string LockPath() const { return RuntimeFolder() + "/QZVTechnologies-OrvilantApp"; }
    std::string LogText() const;

    // Writes "Orvilant.ini" beside the executable.
    void WriteIni(const std::string& text) const;
    void WriteMachineSettings(const std::string& text) const;

    ScriptedPrompt& GetPrompt() { return *m_prompt; }
    std::shared_ptr<ScriptedPrompt> GetPromptPointer() { return m_prompt; }

private:
    std::string m_root;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_environment;
    std::shared_ptr<ScriptedPrompt> m_prompt;
    std::shared_ptr<Prompt> m_previousPrompt;
};

} // namespace orv::testing
