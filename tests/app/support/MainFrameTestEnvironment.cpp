#include "MainFrameTestEnvironment.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "core/NoScannerFallback.h"
#include "platform/fs/AppPaths.h"
#include "platform/log/InformationLog.h"
#include "platform/registry/SettingsStore.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace orv::testing {

namespace fs = std::filesystem;

std::string MainFrameTestEnvironment::ShippedMachineSettingsPath() {
    return std::string(ORV_SOURCE_DIR) + "/resources/machine.settings";
}

MainFrameTestEnvironment::MainFrameTestEnvironment(const std::string& machineSettings)
    : m_prompt(std::make_shared<ScriptedPrompt>()) {
    static int counter = 0;
    m_root = (fs::temp_directory_path() /
              ("orv-frame-" + std::to_string(::getpid()) + "-" + std::to_string(++counter)))
                 .string();
    fs::remove_all(m_root);
    for (const char* sub : {"/bin", "/data", "/run", "/tmp", "/config"}) {
        fs::create_directories(m_root + sub);
    }
    fs::permissions(RuntimeFolder(), fs::perms::owner_all, fs::perm_options::replace);
    const auto setEnv = [this](const char* name, const std::string& value) {
        const char* previous = std::getenv(name);
        m_environment.emplace_back(name,
                                   previous != nullptr ? std::optional<std::string>(previous) : std::nullopt);
        ::setenv(name, value.c_str(), 1);
    };
    setEnv("ORV_VISA_LIBRARIES", "");
    setEnv("ORV_VISA_RESOURCES", "");
    setEnv("XDG_RUNTIME_DIR", RuntimeFolder());
    setEnv("XDG_CONFIG_HOME", m_root + "/config");

    if (machineSettings.empty()) {
        fs::copy_file(ShippedMachineSettingsPath(), m_root + "/machine.settings");
    } else {
        WriteMachineSettings(machineSettings);
    }
    SettingsStore::Instance().SetLocations(m_root + "/machine.settings", m_root + "/config/user.settings");
    SetExecutableFolderOverride(ExecutableFolder());
    SetUserDataFolderOverride(UserDataFolder());
    SetProcessTempFolderOverride(m_root + "/tmp");
    SetNoAnalyzerSwitch(true);
    ResetNoScannerFallback();
    GetInstrumentInfo().SetScannerConnected(false);
    GetInstrumentInfo().SetAnalyzerConnected(false);
    GetInstrumentInfo().SetAnalyzerQueryPending(false);
    GetInstrumentInfo().SetAnalyzerDriverSet(false);
    GetInstrumentInfo().SetProbeType(eProbeType::NoScanner);
    GetInstrumentInfo().SetStatusText({});
    InformationLog::Instance().SetClosing(false);
    m_previousPrompt = InstallPrompt(m_prompt);
}

MainFrameTestEnvironment::~MainFrameTestEnvironment() {
    InstallPrompt(m_previousPrompt);
    InformationLog::Instance().CloseFile();
    InformationLog::Instance().SetClosing(false);
    SetNoAnalyzerSwitch(false);
    ResetNoScannerFallback();
    SettingsStore::Instance().SetLocations({}, {});
    SetExecutableFolderOverride({});
    SetUserDataFolderOverride({});
    SetProcessTempFolderOverride({});
    for (auto it = m_environment.rbegin(); it != m_environment.rend(); ++it) {
        if (it->second) {
            ::setenv(it->first.c_str(), it->second->c_str(), 1);
        } else {
            ::unsetenv(it->first.c_str());
        }
    }
    std::error_code ec;
    fs::remove_all(m_root, ec);
}

std::string MainFrameTestEnvironment::LogText() const {
    std::ifstream in(UserDataFolder() + "/log.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void MainFrameTestEnvironment::WriteIni(const std::string& text) const {
    std::ofstream(ExecutableFolder() + "/Orvilant.ini", std::ios::binary) << text;
}

void MainFrameTestEnvironment::WriteMachineSettings(const std::string& text) const {
    std::ofstream(m_root + "/machine.settings", std::ios::binary) << text;
    SettingsStore::Instance().Reload();
}

} // namespace orv::testing
