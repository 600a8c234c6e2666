#include "platform/registry/SettingsStore.h"

#include "tests/platform/support/PlatTestFolder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::PlatTestFolder;

const char kMachineFixture[] = "# maker's device lists\r\n"
                               "[Software\\QZV Technologies\\Scan Heads]\r\n"
                               "\"7\"=sz:\"Probe B, 100kHz, 3GHz,40,32,1,2,3\"\r\n"
                               "\"2\"=sz:\"Probe A,0.1,3000,40,32,1,2,3\"\r\n"
                               "\"Label\"=sz:\"tab\\there \\\"quoted\\\" \\x01 back\\\\slash\"\r\n"
                               "\"Baud\"=dword:0001c200\r\n"
                               "\"Blob\"=hex:00,ff,2a\r\n"
                               "[Software\\QZV Technologies\\Analyzers]\r\n"
                               "\"1\"=sz:\"Analyser,1,9e-3,3000,0.001,3,0\"\r\n"
                               "[Software\\QZV Technologies\\Calibrations]\r\n";

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        PlatTestFolder::WriteText(m_folder.File("machine.settings"), kMachineFixture);
        m_store.SetLocations(m_folder.File("machine.settings"), m_folder.File("user/user.settings"));
    }

    PlatTestFolder m_folder;
    SettingsStore m_store;
};

TEST_F(SettingsStoreTest, MachineValuesEnumerateInFileOrderWithTheirTypes) {
    SettingsKey key;
    ASSERT_EQ(m_store.OpenKey(SettingsRoot::LocalMachine, "SOFTWARE\\qzv technologies\\Scan Heads",
                              SettingsAccess::Read, key),
              0);
    const std::vector<SettingsValue> values = key.GetValues();
    ASSERT_EQ(values.size(), 5U);
    EXPECT_EQ(values[0], SettingsValue::MakeString("7", "Probe B, 100kHz, 3GHz,40,32,1,2,3"));
    EXPECT_EQ(values[1].name, "2");
    EXPECT_EQ(values[2].data, std::string("tab\there \"quoted\" \x01 back\\slash"));
    EXPECT_EQ(values[3].type, SettingsValueType::Dword);
    EXPECT_EQ(values[3].AsDword(), 115200U);
    EXPECT_EQ(values[4], SettingsValue::MakeBinary("Blob", std::string("\x00\xff\x2a", 3)));

    SettingsValue value;
    EXPECT_EQ(key.EnumValue(1, value), 0);
    EXPECT_EQ(value.name, "2");
    EXPECT_EQ(key.EnumValue(5, value), SettingsStatus::kNoMoreItems);
    uint32_t subKeys = 99;
    uint32_t valueCount = 0;
    EXPECT_EQ(key.QueryInfo(&subKeys, &valueCount), 0);
    EXPECT_EQ(subKeys, 0U);
    EXPECT_EQ(valueCount, 5U);

    SettingsKey maker;
    ASSERT_EQ(
        m_store.OpenKey(SettingsRoot::LocalMachine, "Software/QZV Technologies", SettingsAccess::Read, maker),
        0);
    EXPECT_EQ(maker.GetSubKeyNames(), (std::vector<std::string>{"Scan Heads", "Analyzers", "Calibrations"}));
    std::string name;
    EXPECT_EQ(maker.EnumSubKey(3, name), SettingsStatus::kNoMoreItems);
}

TEST_F(SettingsStoreTest, TypedGettersAnswerTheRegistryStatusCodes) {
    SettingsKey key;
    ASSERT_EQ(m_store.OpenKey(SettingsRoot::LocalMachine, "Software\\QZV Technologies\\Scan Heads",
                              SettingsAccess::Read, key),
              0);
    std::string text = "unchanged";
    uint32_t number = 7;
    EXPECT_EQ(key.GetString("missing", text), SettingsStatus::kNotFound);
    EXPECT_EQ(key.GetDword("2", number), SettingsStatus::kUnsupportedType);
    EXPECT_EQ(key.GetString("baud", text), SettingsStatus::kUnsupportedType);
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(number, 7U);
    EXPECT_EQ(key.GetDword("BAUD", number), 0);
    EXPECT_EQ(number, 115200U);

    SettingsKey absent;
    EXPECT_EQ(m_store.OpenKey(SettingsRoot::LocalMachine, "Software\\QZV Technologies\\Nothing",
                              SettingsAccess::Read, absent),
              SettingsStatus::kNotFound);
    EXPECT_FALSE(absent.IsOpen());
    EXPECT_EQ(m_store.OpenKey(SettingsRoot::None, "Software", SettingsAccess::Read, absent),
              SettingsStatus::kInvalidHandle);
}

TEST_F(SettingsStoreTest, MachineKeysAreReadOnly) {
    const std::string before = PlatTestFolder::ReadText(m_folder.File("machine.settings"));
    SettingsKey key;
    EXPECT_EQ(m_store.OpenKey(SettingsRoot::LocalMachine, "Software\\QZV Technologies\\Scan Heads",
                              SettingsAccess::ReadWrite, key),
              SettingsStatus::kAccessDenied);
    EXPECT_EQ(m_store.CreateKey(SettingsRoot::LocalMachine, "Software\\QZV Technologies\\Scan Heads", key),
              SettingsStatus::kAccessDenied);
    EXPECT_EQ(m_store.DeleteKey(SettingsRoot::LocalMachine, "Software\\QZV Technologies\\Scan Heads"),
              SettingsStatus::kAccessDenied);
    ASSERT_EQ(m_store.OpenKey(SettingsRoot::LocalMachine, "Software\\QZV Technologies\\Scan Heads",
                              SettingsAccess::Read, key),
              0);
    EXPECT_EQ(key.SetString("2", "changed"), SettingsStatus::kAccessDenied);
    EXPECT_EQ(key.DeleteValue("2"), SettingsStatus::kAccessDenied);
    EXPECT_EQ(PlatTestFolder::ReadText(m_folder.File("machine.settings")), before);
}

TEST_F(SettingsStoreTest, UserValuesRoundTripThroughTheFileInOrder) {
    SettingsKey key;
    ASSERT_EQ(m_store.CreateKey(SettingsRoot::CurrentUser,
                                "Software\\QZV Technologies\\Stavren\\Repositories", key),
              0);
    EXPECT_EQ(key.SetString("LastRepository", "/data/repo \"one\"\n\xe9"), 0);
    EXPECT_EQ(key.SetString("Zeta", "z"), 0);
    EXPECT_EQ(key.SetDword("Count", 0xdeadbeef), 0);
    EXPECT_EQ(key.SetBinary("Raw", std::string("\x00\x01", 2)), 0);
    // Replacing keeps the position and the first spelling of the name.
    EXPECT_EQ(key.SetString("lastrepository", "/data/repo2"), 0);
    SettingsKey sibling;
    ASSERT_EQ(m_store.CreateKey(SettingsRoot::CurrentUser,
                                "Software\\QZV Technologies\\Orvilant 1.0\\Settings", sibling),
              0);
    EXPECT_EQ(sibling.SetString("LastDocName", ""), 0);

    SettingsStore reread;
    reread.SetLocations(m_folder.File("machine.settings"), m_folder.File("user/user.settings"));
    SettingsKey back;
    ASSERT_EQ(reread.OpenKey(SettingsRoot::CurrentUser, "Software\\QZV Technologies\\Stavren\\Repositories",
                             SettingsAccess::Read, back),
              0);
    const std::vector<SettingsValue> values = back.GetValues();
    ASSERT_EQ(values.size(), 4U);
    EXPECT_EQ(values[0], SettingsValue::MakeString("LastRepository", "/data/repo2"));
    EXPECT_EQ(values[1].name, "Zeta");
    EXPECT_EQ(values[2], SettingsValue::MakeDword("Count", 0xdeadbeef));
    EXPECT_EQ(values[3], SettingsValue::MakeBinary("Raw", std::string("\x00\x01", 2)));
    SettingsKey company;
    ASSERT_EQ(reread.OpenKey(SettingsRoot::CurrentUser, "Software\\QZV Technologies", SettingsAccess::Read,
                             company),
              0);
    EXPECT_EQ(company.GetSubKeyNames(), (std::vector<std::string>{"Stavren", "Orvilant 1.0"}));

    EXPECT_EQ(key.DeleteValue("Zeta"), 0);
    EXPECT_EQ(key.DeleteValue("Zeta"), SettingsStatus::kNotFound);
    EXPECT_EQ(m_store.DeleteKey(SettingsRoot::CurrentUser, "Software\\QZV Technologies\\Stavren"), 0);
    EXPECT_EQ(key.SetString("After", "x"), SettingsStatus::kKeyDeleted);
    reread.Reload();
    EXPECT_EQ(reread.OpenKey(SettingsRoot::CurrentUser, "Software\\QZV Technologies\\Stavren\\Repositories",
                             SettingsAccess::Read, back),
              SettingsStatus::kNotFound);
}

TEST_F(SettingsStoreTest, AKeyOpenedForReadingCannotWrite) {
    SettingsKey key;
    ASSERT_EQ(m_store.CreateKey(SettingsRoot::CurrentUser, "Software\\A", key), 0);
    ASSERT_EQ(m_store.OpenKey(SettingsRoot::CurrentUser, "Software\\A", SettingsAccess::Read, key), 0);
    EXPECT_EQ(key.SetDword("x", 1), SettingsStatus::kAccessDenied);
    SettingsKey bad;
    EXPECT_EQ(m_store.CreateKey(SettingsRoot::CurrentUser, "Software\\bad[name]", bad),
              SettingsStatus::kInvalidParameter);
}

TEST_F(SettingsStoreTest, AFailedWriteIsUndone) {
    SettingsKey key;
    // A file where the hive's folder should be makes every write fail.
    PlatTestFolder::WriteText(m_folder.File("blocker"), "x");
    m_store.SetLocations(m_folder.File("machine.settings"), m_folder.File("blocker/user.settings"));
    EXPECT_EQ(m_store.CreateKey(SettingsRoot::CurrentUser, "Software\\Lost", key), SettingsStatus::kIoFailed);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(m_store.OpenKey(SettingsRoot::CurrentUser, "Software\\Lost", SettingsAccess::Read, key),
              SettingsStatus::kNotFound)
        << "the key that could not be saved must not stay in memory";
}

TEST(SettingsHive, CorruptTextIsSkippedLineByLine) {
    const SettingsHive hive = SettingsHive::Parse("\"orphan\"=sz:\"before any key\"\n"
                                                  "[Good]\n"
                                                  "\"a\"=sz:\"1\"\n"
                                                  "garbage line\n"
                                                  "\"b\"=dword:123456789\n"   // nine digits
                                                  "\"c\"=hex:0g\n"            // not hex
                                                  "\"d\"=sz:\"unterminated\n" // no closing quote
                                                  "\"e\"=sz:\"bad \\q escape\"\n"
                                                  "\"f\"=qword:1\n"
                                                  "\"a\"=sz:\"duplicate\"\n"
                                                  "[Bad[Header]\n"
                                                  "\"lost\"=sz:\"under a bad header\"\n"
                                                  "[good]\n"
                                                  "\"g\"=hex:\n"
                                                  "[\\\\\\]\n"
                                                  "\"root\"=sz:\"no key\"\n"
                                                  "\x01\xff\xfe\n"
                                                  "[Second]");
    const SettingsHive::Key& root = hive.Root();
    EXPECT_TRUE(root.values.empty());
    ASSERT_EQ(root.subKeys.size(), 2U);
    const SettingsHive::Key& good = *root.subKeys[0];
    ASSERT_EQ(good.values.size(), 2U);
    EXPECT_EQ(good.values[0], SettingsValue::MakeString("a", "1"));
    EXPECT_EQ(good.values[1], SettingsValue::MakeBinary("g", ""));
    EXPECT_EQ(root.subKeys[1]->name, "Second");
}

TEST(SettingsHive, FormatThenParseGivesTheSameTree) {
    SettingsHive hive;
    SettingsHive::Key& key = hive.Create({"Software", "Odd \xe9 name"});
    std::string allBytes;
    for (int b = 0; b < 256; ++b) {
        allBytes += static_cast<char>(b);
    }
    key.values.push_back(SettingsValue::MakeString("", allBytes));
    key.values.push_back(SettingsValue::MakeString(allBytes, "named by every byte"));
    key.values.push_back(SettingsValue::MakeDword("d", 0));
    hive.Create({"Software", "Empty"});
    const SettingsHive back = SettingsHive::Parse(hive.Format());
    EXPECT_EQ(back.Format(), hive.Format());
    const SettingsHive::Key* found = back.Find({"software", "ODD \xe9 NAME"});
    ASSERT_NE(found, nullptr);
    ASSERT_EQ(found->values.size(), 3U);
    EXPECT_EQ(found->values[0].data, allBytes);
    EXPECT_EQ(found->values[1].name, allBytes);
    EXPECT_NE(back.Find({"Software", "Empty"}), nullptr);
}

TEST(SettingsHive, DeepOrLongKeyPathsAreRefused) {
    std::vector<std::string> components;
    std::string deep;
    for (int i = 0; i < 600; ++i) {
        deep += "k\\";
    }
    EXPECT_FALSE(SplitSettingsPath(deep, components));
    EXPECT_FALSE(SplitSettingsPath(std::string(256, 'a'), components));
    EXPECT_TRUE(SplitSettingsPath("\\a//b\\", components));
    EXPECT_EQ(components, (std::vector<std::string>{"a", "b"}));
    const SettingsHive hive = SettingsHive::Parse("[" + deep + "]\n\"v\"=sz:\"x\"\n");
    EXPECT_TRUE(hive.Root().subKeys.empty());
}

TEST(SettingsStoreLocations, EnvironmentChoosesTheFiles) {
    ::setenv("ORV_USER_SETTINGS", "/somewhere/user.settings", 1);
    ::setenv("ORV_MACHINE_SETTINGS", "/somewhere/machine.settings", 1);
    EXPECT_EQ(SettingsStore::DefaultUserPath(), "/somewhere/user.settings");
    EXPECT_EQ(SettingsStore::DefaultMachinePath(), "/somewhere/machine.settings");
    ::unsetenv("ORV_USER_SETTINGS");
    ::unsetenv("ORV_MACHINE_SETTINGS");
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(SettingsStore::DefaultUserPath(), "/cfg/QZV Technologies/Orvilant/user.settings");
    SettingsStore store;
    store.SetLocations("", "");
    EXPECT_EQ(store.GetUserPath(), "/cfg/QZV Technologies/Orvilant/user.settings");
}

} // namespace
} // namespace orv
