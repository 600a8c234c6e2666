#include "platform/fs/FileIo.h"

#include "platform/debug/DebugOutput.h"
#include "platform/ini/IniFile.h"
#include "platform/registry/SettingsStore.h"
#include "tests/platform/support/HostileFiles.h"
#include "tests/platform/support/PlatTestFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::PlatTestFolder;

TEST(FileIo, AtomicWriteReplacesTheFileAndCreatesFolders) {
    PlatTestFolder folder;
    const std::string path = folder.File("a/b/file.txt");
    ASSERT_TRUE(WriteFileAtomically(path, "first"));
    ASSERT_TRUE(WriteFileAtomically(path, std::string("sec\0nd", 6)));
    EXPECT_EQ(ReadWholeFile(path), std::string("sec\0nd", 6));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.File("a/b")),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file may be left beside it";
}

TEST(FileIo, AFailedWriteLeavesNoTemporaryFile) {
    PlatTestFolder folder;
    // A non-empty folder cannot be renamed over.
    std::filesystem::create_directories(folder.File("target/inside"));
    EXPECT_FALSE(WriteFileAtomically(folder.File("target"), "text"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              1);
    EXPECT_EQ(ReadWholeFile(folder.File("missing")), std::nullopt);
}

TEST(FileIo, SyncFolderFlushesFoldersOnly) {
    PlatTestFolder folder;
    ASSERT_TRUE(WriteFileAtomically(folder.File("a/file.txt"), "text"));
    EXPECT_TRUE(SyncFolder(folder.File("a")));
    EXPECT_FALSE(SyncFolder(folder.File("a/file.txt")));
    EXPECT_FALSE(SyncFolder(folder.File("missing")));
}

TEST(FileIo, HostileFilesAreRefusedAtOnceWithTheirReason) {
    PlatTestFolder folder;
    const std::vector<test::HostileFile> files = test::MakeHostileFiles(folder.Path(), ".settings");
    const FileRefusal expected[] = {FileRefusal::kNotARegularFile, FileRefusal::kNotARegularFile,
                                    FileRefusal::kTooLarge};
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i].what);
        FileRefusal refusal = FileRefusal::kNone;
        EXPECT_EQ(ReadWholeFile(files[i].path, kMaxTextFileBytes, &refusal), std::nullopt);
        EXPECT_EQ(refusal, expected[i]);

        // The settings store and the INI reader treat it as an empty file and say why.
        DebugOutputCapture capture;
        SettingsStore store;
        store.SetLocations(files[i].path, folder.File("user.settings"));
        SettingsKey key;
        EXPECT_EQ(store.OpenKey(SettingsRoot::LocalMachine, "Software", SettingsAccess::Read, key),
                  SettingsStatus::kNotFound);
        EXPECT_EQ(GetPrivateProfileString("Section", "Key", "default", files[i].path), "default");
        const std::vector<std::string> texts = capture.Texts();
        ASSERT_EQ(texts.size(), 2U);
        EXPECT_EQ(texts[0], "Settings file refused: " + DescribeFileRefusal(expected[i], files[i].path));
        EXPECT_EQ(texts[1], "INI file refused: " + DescribeFileRefusal(expected[i], files[i].path));
    }
    // A file that is merely missing is no news.
    DebugOutputCapture capture;
    EXPECT_EQ(GetPrivateProfileString("Section", "Key", "default", folder.File("missing.ini")), "default");
    EXPECT_TRUE(capture.Texts().empty());
}

} // namespace
} // namespace orv
