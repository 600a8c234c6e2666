#include "core/PathUtilities.h"
#include "core/QException.h"
#include "core/RangeMessages.h"
#include "core/ShowOutOfResourcesMessage.h"
#include "core/UnitConversion.h"
#include "core/WriteRegistryString.h"
#include "platform/fs/AppPaths.h"
#include "platform/ui/ScriptedPrompt.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace orv {
namespace {

namespace fs = std::filesystem;

class UtilitiesFolder {
public:
    UtilitiesFolder() {
        std::string pattern = (fs::temp_directory_path() / "orv-util-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a test folder");
        }
        m_path = pattern;
    }
    ~UtilitiesFolder() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    UtilitiesFolder(const UtilitiesFolder&) = delete;
    UtilitiesFolder& operator=(const UtilitiesFolder&) = delete;
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

void Touch(const std::string& path) {
    std::ofstream(path) << "x";
}

TEST(UnitConversion, AmplitudeTable) {
    struct Case {
        float stored;
        int unit;
        float shown;
    };
    const Case cases[] = {
        {700.0F, 0, 700.0F}, {700.0F, 1, 70.0F}, {700.0F, 2, -37.0F},    {-255.0F, 1, -25.5F},
        {0.0F, 2, -107.0F},  {1070.0F, 2, 0.0F}, {30000.0F, 1, 3000.0F},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(ConvertAmplitudeToUnit(c.stored, c.unit), c.shown) << c.stored << " unit " << c.unit;
        EXPECT_FLOAT_EQ(ConvertAmplitudeFromUnit(c.shown, c.unit), c.stored) << c.shown << " unit " << c.unit;
    }
    EXPECT_EQ(ConvertAmplitudeToUnit(-37.0F, 2), -110.7F);
    EXPECT_EQ(ConvertAmplitudeFromUnit(-37.0F, 2), 700.0F);
    // Unit indexes the callers never pass leave the value as it is.
    EXPECT_EQ(ConvertAmplitudeToUnit(123.0F, 3), 123.0F);
    EXPECT_EQ(ConvertAmplitudeFromUnit(123.0F, -1), 123.0F);
    EXPECT_EQ(ConvertGHzToMHz(2.5F), 2500.0F);
    EXPECT_EQ(ConvertHzToMHz(1500000.0F), 1.5F);
}

TEST(RangeMessages, ValuesStepDownOnlyWhileThereIsASmallerUnit) {
    struct Case {
        double value;
        const char* unit;
        const char* expected;
    };
    const Case cases[] = {
        {1.0, " MHz", "1.000000 MHz"},
        {0.5, " MHz", "500.000000 kHz"},
        {0.0005, " MHz", "500.000000 Hz"},
        {0.0000005, " MHz", "0.500000 Hz"}, // no unit below Hz: stays a fraction
        {0.25, " kHz", "250.000000 Hz"},
        {0.5, " dB", "0.500000 dB"},
        {0.0, " MHz", "0.000000 MHz"},
        {-0.5, " MHz", "-0.500000 MHz"},
        {3000.0, " MHz", "3000.000000 MHz"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatValueWithUnit(c.value, c.unit), c.expected) << c.value << c.unit;
    }
    EXPECT_EQ(FormatLabelledFrequency("Stop: ", 0.1, " MHz"), "Stop: 100.000000 kHz");
}

const char kHeading[] =
    "Error#340: The requested frequency range is outside the capabilities of the attached spectrum analyzer.";

TEST(RangeMessages, FrequencyAndBandwidthMessages) {
    EXPECT_EQ(FormatFrequencyRangeMessage(kHeading, 10.0, 3000.0, 0.009, 3000.0), "");
    EXPECT_EQ(FormatFrequencyRangeMessage(kHeading, 0.009, 3000.0, 0.009, 3000.0), "")
        << "the bounds are allowed";
    EXPECT_EQ(FormatFrequencyRangeMessage(kHeading, 0.005, 6000.0, 0.009, 3000.0),
              std::string(kHeading) + "\nRequested range: 5.000000 kHz - 6000.000000 MHz\n" +
                  "Available range: 9.000000 kHz - 3000.000000 MHz");
    EXPECT_NE(FormatFrequencyRangeMessage(kHeading, 10.0, 3000.5, 0.009, 3000.0), "");
    EXPECT_EQ(FormatBandwidthRangeMessage("Bandwidth!", 0.1, 0.001, 3.0), "");
    EXPECT_EQ(FormatBandwidthRangeMessage("Bandwidth!", 10.0, 0.001, 3.0),
              "Bandwidth!\nRequested bandwidth: 10.000000 MHz\nAvailable range: 1.000000 kHz - 3.000000 MHz");
    EXPECT_NE(FormatBandwidthRangeMessage("Bandwidth!", 0.0005, 0.001, 3.0), "");
}

TEST(RangeMessages, NumbersKeepTheirPointUnderADecimalCommaLocale) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "de_DE.utf8") == nullptr) {
        GTEST_SKIP() << "no decimal-comma locale on this machine (generate de_DE.UTF-8)";
    }
    const std::string message = FormatFrequencyRangeMessage(kHeading, 0.005, 6000.0, 0.009, 3000.0);
    const std::string value = FormatValueWithUnit(0.5, " MHz");
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(value, "500.000000 kHz");
    EXPECT_EQ(message.find(','), std::string::npos) << message;
}

TEST(PathUtilities, TextHelpers) {
    EXPECT_EQ(AddTrailingBackslash(""), "/");
    EXPECT_EQ(AddTrailingBackslash("/data/repo"), "/data/repo/");
    EXPECT_EQ(AddTrailingBackslash("/data/repo/"), "/data/repo/");
    EXPECT_EQ(GetFolderFromPath("/data/repo/project/nodes/0000000001.nod"), "/data/repo/project/nodes");
    EXPECT_EQ(GetFolderFromPath("name.nod"), "");
    EXPECT_EQ(GetFolderFromPath("/top"), "");
    struct Case {
        const char* path;
        const char* extension;
        const char* expected;
    };
    const Case cases[] = {
        {"/data/scan.v2.ovp", "lin", "/data/scan.v2.lin"},
        {"/data/my.folder/project", "ovp",
         "/data/my.folder/project.ovp"}, // the dot of a folder does not count
        {"project", "ovp", "project.ovp"},
        {"trailing.", "txt", "trailing.txt"},
        {"", "ovp", ".ovp"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReplaceFileExtension(c.path, c.extension), c.expected) << c.path;
    }
    const std::string module = GetModuleFolder();
    EXPECT_EQ(module, fs::read_symlink("/proc/self/exe").parent_path().string() + "/");
}

TEST(PathUtilities, FoldersAndPatterns) {
    UtilitiesFolder folder;
    const std::string deep = folder.File("a/b/c");
    CreateDirectoryPath(deep);
    CreateDirectoryPath(deep); // existing folders are no failure
    EXPECT_TRUE(DirectoryExists(deep));
    Touch(deep + "/scan12.scn");
    EXPECT_FALSE(DirectoryExists(deep + "/scan12.scn"));
    EXPECT_FALSE(DirectoryExists(folder.File("missing")));
    EXPECT_TRUE(FileExists(deep + "/scan12.scn"));
    EXPECT_TRUE(FileExists(deep + "/*.scn"));
    EXPECT_TRUE(FileExists(deep + "/scan??.scn"));
    EXPECT_TRUE(FileExists(deep));
    EXPECT_FALSE(FileExists(deep + "/*.nod"));
    EXPECT_FALSE(FileExists(folder.File("missing/*")));
    EXPECT_FALSE(FileExists(deep + "/other.scn"));
}

TEST(PathUtilities, TempFilesAreMadeAndClearedInTheProcessTempFolder) {
    UtilitiesFolder folder;
    SetProcessTempFolderOverride(folder.File("temp"));
    std::string first;
    std::string second;
    CreateTempFileName(first);
    CreateTempFileName(second);
    EXPECT_NE(first, second);
    EXPECT_EQ(GetFolderFromPath(first), folder.File("temp"));
    EXPECT_TRUE(fs::path(first).filename().string().starts_with("stv"));
    EXPECT_EQ(fs::file_size(first), 0U);
    fs::create_directory(folder.File("temp/keep"));
    Touch(folder.File("temp/keep/inner.txt"));
    ClearTempFolder();
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(fs::exists(second));
    EXPECT_TRUE(fs::exists(folder.File("temp/keep/inner.txt"))) << "sub-folders are left alone";

    Touch(folder.File("blocker"));
    SetProcessTempFolderOverride(folder.File("blocker/temp"));
    std::string name = "unchanged";
    try {
        CreateTempFileName(name);
        ADD_FAILURE() << "no exception";
    } catch (const QFileSystemException& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Error#328: Unable to create temp file in directory: " + folder.File("blocker/temp") +
                      "/.\n" + "Check to make sure you have write permission for this directory.");
    }
    EXPECT_EQ(name, "unchanged");
    ClearTempFolder(); // a folder that cannot be listed is no failure
    SetProcessTempFolderOverride("");
}

TEST(WriteRegistryString, WritesUserKeysAndRefusesTheRest) {
    UtilitiesFolder folder;
    SettingsStore& store = SettingsStore::Instance();
    store.SetLocations(folder.File("machine.settings"), folder.File("user.settings"));
    const std::string key = "Software\\QZV Technologies\\Stavren\\Repositories";
    EXPECT_EQ(WriteRegistryString(SettingsRoot::None, key, "LastRepository", "/repo"), 1011);
    EXPECT_EQ(WriteRegistryString(SettingsRoot::CurrentUser, "", "LastRepository", "/repo"), 1011);
    EXPECT_EQ(WriteRegistryString(SettingsRoot::LocalMachine, key, "LastRepository", "/repo"),
              SettingsStatus::kAccessDenied);
    EXPECT_EQ(WriteRegistryString(SettingsRoot::CurrentUser, key, "LastRepository", "/repo one"), 0);
    EXPECT_EQ(WriteRegistryString(SettingsRoot::CurrentUser, key, "LastRepository", "/repo two"), 0);

    SettingsStore reread;
    reread.SetLocations(folder.File("machine.settings"), folder.File("user.settings"));
    SettingsKey opened;
    ASSERT_EQ(reread.OpenKey(SettingsRoot::CurrentUser, key, SettingsAccess::Read, opened), 0);
    std::string text;
    EXPECT_EQ(opened.GetString("LastRepository", text), 0);
    EXPECT_EQ(text, "/repo two");
    EXPECT_EQ(opened.GetValues().size(), 1U);
    store.SetLocations(folder.File("gone/machine.settings"), folder.File("gone/user.settings"));
}

TEST(ShowOutOfResourcesMessage, AsksWithTheWarningText) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall install(prompt);
    ShowOutOfResourcesMessage();
    const std::vector<PromptRequest> requests = prompt->Requests();
    ASSERT_EQ(requests.size(), 1U);
    EXPECT_EQ(
        requests[0].text,
        "Error#351: The application is near its resource limit. Please save and close the current project.");
    EXPECT_EQ(requests[0].caption, "Out Of Resources");
    EXPECT_EQ(requests[0].buttons, PromptButtons::Ok);
    EXPECT_EQ(requests[0].icon, PromptIcon::Warning);
}

} // namespace
} // namespace orv
