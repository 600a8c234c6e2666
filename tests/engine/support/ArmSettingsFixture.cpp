#include "tests/engine/support/ArmSettingsFixture.h"

#include "engine/scanners/CDOBOTEngine.h"
#include "platform/registry/SettingsStore.h"
#include "platform/serial/SerialPortSearch.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace orv::test {

ArmSettingsFixture::ArmSettingsFixture(const std::string& portPath, const std::vector<std::string>& values) {
    std::string pattern = "/tmp/orv-arm-settings-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a folder for the arm's settings");
    }
    m_folder = pattern;
    {
        std::ofstream machine(m_folder + "/machine.settings");
        machine << "[" << CDOBOTEngine::kSettingsKey << "]\n";
        machine << "\"PortDescription\"=sz:\"" << kDescription << "\"\n";
        for (const std::string& line : values) {
            machine << line << "\n";
        }
        std::ofstream user(m_folder + "/user.settings");
        user << "[" << kSerialPortPathsKey << "\\Arm]\n";
        user << "\"Path\"=sz:\"" << portPath << "\"\n";
        user << "\"Description\"=sz:\"" << kDescription << "\"\n";
    }
    SettingsStore& store = SettingsStore::Instance();
    m_previousMachine = store.GetMachinePath();
    m_previousUser = store.GetUserPath();
    store.SetLocations(m_folder + "/machine.settings", m_folder + "/user.settings");
}

ArmSettingsFixture::~ArmSettingsFixture() {
    SettingsStore::Instance().SetLocations(m_previousMachine, m_previousUser);
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

} // namespace orv::test
