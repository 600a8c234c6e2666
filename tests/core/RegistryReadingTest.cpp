#include "core/RegistryReading.h"
#include "core/QDeviceInfoList.h"
#include "core/QManagers.h"
#include "platform/registry/SettingsStore.h"
#include "platform/ui/ScriptedPrompt.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace orv {
namespace {

const char* const kScanHeads = "Software\\QZV Technologies\\Scan Heads";
const char* const kAnalyzers = "Software\\QZV Technologies\\Analyzers";
const char* const kRepositories = "Software\\QZV Technologies\\Stavren\\Repositories";

// Points the application-wide store at two hive files of the test's own for its duration.
class RegistryReadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_folder = std::filesystem::temp_directory_path() /
                   ("orv-rec-" + std::to_string(::getpid()) + "-" + info->name());
        std::filesystem::create_directories(m_folder);
        const std::string longText(1023, 'x');
        Write("machine.settings", std::string() +
                                      "[Software\\QZV Technologies\\Scan Heads]\n"
                                      "\"10\"=sz:\"Alpha Head,10,1500,32,40,0,0,100\"\n"
                                      "\"Notes\"=sz:\"a name that is not a number\"\n"
                                      "\"+12\"=sz:\"Beta,1MHz,3GHz,29,42,1,2,3\"\n"
                                      "\"012\"=sz:\"Beta again,1,2,3,4,5,6,7\"\n"
                                      "\"13\"=sz:\"Broken,10,1500,-5,40,0,0,100\"\n"
                                      "\"99999999999\"=sz:\"Too,1,2,3,4,5,6,7\"\n"
                                      "\"1 4\"=sz:\"Spaced,1,2,3,4,5,6,7\"\n"
                                      "\"-14\"=sz:\"Gamma,100kHz,2GHz,32,40,0,0,100,\"\n"
                                      "[Software\\QZV Technologies\\Analyzers]\n"
                                      "\"1\"=hex:41,42,00,43\n"
                                      "\"2\"=hex:41,42\n"
                                      "\"3\"=dword:00000041\n"
                                      "\"4\"=sz:\"" +
                                      longText +
                                      "\"\n"
                                      "\"5\"=sz:\"" +
                                      longText +
                                      "y\"\n"
                                      "\"6\"=sz:\"\"\n");
        Write("user.settings", "[Software\\QZV Technologies\\Stavren\\Repositories]\n"
                               "\"Work\"=sz:\"/data/work\"\n"
                               "\"7\"=sz:\"/data/seven\"\n");
        SettingsStore::Instance().SetLocations((m_folder / "machine.settings").string(),
                                               (m_folder / "user.settings").string());
    }

    void TearDown() override {
        SettingsStore::Instance().SetLocations("", "");
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream out(m_folder / name, std::ios::binary);
        out << text;
    }

    std::filesystem::path m_folder;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall m_install{m_prompt};
};

TEST_F(RegistryReadingTest, MachineKeysTakeWholeNumberNamesThatFitAnId) {
    std::vector<QRegistryEntry> list{{-100, "kept"}};
    ReadRegistryIdNameList(list, kScanHeads, SettingsRoot::LocalMachine);
    EXPECT_EQ(list, (std::vector<QRegistryEntry>{{-100, "kept"},
                                                 {10, "Alpha Head,10,1500,32,40,0,0,100"},
                                                 {12, "Beta,1MHz,3GHz,29,42,1,2,3"},
                                                 {12, "Beta again,1,2,3,4,5,6,7"},
                                                 {13, "Broken,10,1500,-5,40,0,0,100"},
                                                 {-14, "Gamma,100kHz,2GHz,32,40,0,0,100,"}}));
}

TEST_F(RegistryReadingTest, DataIsReadByItsLengthUpToAZeroAndWithinTheSizeLimit) {
    std::vector<std::string> names;
    std::vector<std::string> data;
    ASSERT_TRUE(ReadRegistryValues(SettingsRoot::LocalMachine, kAnalyzers, names, data));
    EXPECT_EQ(names, (std::vector<std::string>{"1", "2", "3", "4", "6"}));
    ASSERT_EQ(data.size(), 5u);
    EXPECT_EQ(data[0], "AB");
    EXPECT_EQ(data[1], "AB");
    EXPECT_EQ(data[2], "A");
    EXPECT_EQ(data[3], std::string(1023, 'x'));
    EXPECT_EQ(data[4], "");
}

TEST_F(RegistryReadingTest, UserKeysTakeEveryValueWithItsPosition) {
    std::vector<QRegistryEntry> list;
    ReadRegistryIdNameList(list, kRepositories, SettingsRoot::CurrentUser);
    EXPECT_EQ(list, (std::vector<QRegistryEntry>{{0, "/data/work"}, {1, "/data/seven"}}));
}

TEST_F(RegistryReadingTest, AMissingKeyLeavesTheListAsItWas) {
    std::vector<QRegistryEntry> list{{1, "before"}};
    ReadRegistryIdNameList(list, "Software\\QZV Technologies\\Calibrations", SettingsRoot::LocalMachine);
    ReadRegistryIdNameList(list, kScanHeads, SettingsRoot::None);
    EXPECT_EQ(list, (std::vector<QRegistryEntry>{{1, "before"}}));
    std::vector<std::string> names;
    std::vector<std::string> data;
    EXPECT_FALSE(ReadRegistryValues(SettingsRoot::CurrentUser, kScanHeads, names, data));
    EXPECT_TRUE(names.empty());
}

TEST_F(RegistryReadingTest, ScanHeadCatalogueFilledFromTheStore) {
    std::vector<QRegistryEntry> list;
    ReadRegistryIdNameList(list, kScanHeads, SettingsRoot::LocalMachine);
    const auto heads = CreateScanHeadInfoManager();
    heads->AddRecords(list);

    // The two built-in records and 10, 12 (first of the two) and -14; 13 is refused.
    EXPECT_EQ(heads->GetCount(), 5);
    EXPECT_EQ(heads->GetName(12), "Beta");
    EXPECT_EQ(heads->GetIDByName("Betaagain"), -10);
    EXPECT_EQ(heads->GetIDByName("AlphaHead"), 10);
    EXPECT_EQ(heads->GetIDByName("Gamma"), -14);
    EXPECT_FALSE(heads->Contains(13));
    const QScanHeadInfo* gamma = heads->Find(-14);
    ASSERT_NE(gamma, nullptr);
    EXPECT_FLOAT_EQ(gamma->m_minFrequency, 0.1f);
    EXPECT_FLOAT_EQ(gamma->m_maxFrequency, 2000.0f);
    EXPECT_EQ(heads->Find(12)->m_rowCount, 29);
    std::vector<std::string> names;
    heads->GetNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"Gamma", "Unchecked", "Generic", "AlphaHead", "Beta"}));

    const std::vector<PromptRequest> requests = m_prompt->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].caption, "Invalid Device Information");
    EXPECT_EQ(
        requests[0].text.rfind("Error#339: The string \"Broken,10,1500,-5,40,0,0,100\" can not be parsed "
                               "correctly.\n",
                               0),
        0u);
}

TEST_F(RegistryReadingTest, NameCataloguesAndTheDeviceInfoListFromTheStore) {
    std::vector<QRegistryEntry> list;
    ReadRegistryIdNameList(list, kAnalyzers, SettingsRoot::LocalMachine);
    const auto analysers = CreateAnalyzerInfoManager();
    analysers->AddRecords(list);
    EXPECT_EQ(analysers->GetCount(), 5);
    EXPECT_EQ(analysers->GetName(2), "AB");
    EXPECT_EQ(analysers->GetIDByName("A"), 3);
    EXPECT_EQ(analysers->GetName(5), "NoNameForID");

    QDeviceInfoList& devices = GetDeviceInfoList();
    for (const QRegistryEntry& entry : list) {
        devices.Add(std::make_unique<QRegistryNameEntry>(entry.m_id, entry.m_text));
    }
    EXPECT_EQ(devices.GetNameById(3), "A");
    EXPECT_EQ(devices.GetNameById(5), "");
    DestroyDeviceInfoList();
    EXPECT_EQ(GetDeviceInfoList().GetCount(), 0u);
    EXPECT_TRUE(m_prompt->Requests().empty());
}

TEST(QRegistryNameEntry, ALongChainIsDestroyedWithoutRecursion) {
    auto head = std::make_unique<QRegistryNameEntry>(0, "head");
    QRegistryNameEntry* tail = head.get();
    for (int i = 1; i < 1000000; ++i) {
        tail->m_next = std::make_unique<QRegistryNameEntry>(i, "");
        tail = tail->m_next.get();
    }
    head.reset();
    SUCCEED() << "a million entries destroyed";
}

} // namespace
} // namespace orv
