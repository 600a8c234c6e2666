#include "tests/engine/support/AdapterTestRig.h"

#include "engine/scanners/adapter/CExScannerBoard.h"
#include "platform/CLocale.h"
#include "platform/registry/SettingsStore.h"
#include "platform/serial/SerialPortSearch.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace orv::test {

AdapterPortSettings::AdapterPortSettings(const std::vector<Port>& ports, std::optional<uint32_t> baudrate) {
    std::string pattern = "/tmp/orv-adapter-settings-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a folder for the adapter's settings");
    }
    m_folder = pattern;
    {
        std::ofstream machine(m_folder + "/machine.settings");
        if (baudrate) {
            machine << "[" << CExScannerBoard::kSettingsKey << "]\n";
            machine << "\"" << CExScannerBoard::kBaudrateValue << "\"=dword:" << FormatC("%08x", *baudrate)
                    << "\n";
        }
        std::ofstream user(m_folder + "/user.settings");
        for (std::size_t index = 0; index < ports.size(); ++index) {
            user << "[" << kSerialPortPathsKey << "\\Port" << index << "]\n";
            user << "\"Path\"=sz:\"" << ports[index].path << "\"\n";
            user << "\"Description\"=sz:\"" << ports[index].description << "\"\n";
        }
    }
    SettingsStore& store = SettingsStore::Instance();
    m_previousMachine = store.GetMachinePath();
    m_previousUser = store.GetUserPath();
    store.SetLocations(m_folder + "/machine.settings", m_folder + "/user.settings");
}

AdapterPortSettings::~AdapterPortSettings() {
    SettingsStore::Instance().SetLocations(m_previousMachine, m_previousUser);
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

} // namespace orv::test
