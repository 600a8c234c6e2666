#include "platform/serial/SerialPortSearch.h"
#include "platform/registry/SettingsStore.h"
#include "tests/platform/support/PlatTestFolder.h"
#include "tests/platform/support/PseudoTerminal.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

class SerialPortSearchOfSetPorts : public ::testing::Test {
protected:
    void SetUp() override {
        SetSystemSerialPortSearchEnabled(false);
        SettingsStore::Instance().SetLocations(m_folder.File("machine.settings"),
                                               m_folder.File("user.settings"));
    }
    void TearDown() override {
        SettingsStore::Instance().SetLocations("", "");
        SetSystemSerialPortSearchEnabled(true);
    }

    void AddSetPort(const std::string& name, const std::string& path, const std::string& description) {
        SettingsKey key;
        ASSERT_EQ(SettingsStore::Instance().CreateKey(SettingsRoot::CurrentUser,
                                                      std::string(kSerialPortPathsKey) + "\\" + name, key),
                  SettingsStatus::kSuccess);
        key.SetString(kSerialPortPathValue, path);
        key.SetString(kSerialPortDescriptionValue, description);
    }

    test::PlatTestFolder m_folder;
};

TEST_F(SerialPortSearchOfSetPorts, ListsThePseudoTerminalOfTheSettingWithItsDescription) {
    EXPECT_TRUE(SearchSerialPorts().empty());

    test::PseudoTerminal pty;
    AddSetPort("Arm", pty.Path(), "Dobot Sim Port");
    AddSetPort("Adapter", "/dev/pts/nonexistent-but-named", "USB Serial Device");
    AddSetPort("Blank", "", "No path");

    const std::vector<SerialPortInfo> ports = SearchSerialPorts();
    ASSERT_EQ(ports.size(), 2U) << "a port without a path is left out";
    const std::string node = pty.Path().substr(pty.Path().rfind('/') + 1);
    EXPECT_EQ(ports[0].portName, pty.Path());
    EXPECT_EQ(ports[0].devicePath, pty.Path());
    EXPECT_EQ(ports[0].description, "Dobot Sim Port");
    EXPECT_EQ(ports[0].friendlyName, "Dobot Sim Port (" + node + ")");
    EXPECT_EQ(ports[1].description, "USB Serial Device");
    EXPECT_EQ(ports[1].friendlyName, "USB Serial Device (nonexistent-but-named)");
}

} // namespace
} // namespace orv
