#include "platform/fs/FileIo.h"

#include "platform/debug/DebugOutput.h"
#include "platform/ini/IniFile.h"
#include "platform/registry/SettingsStore.h"
#include "tests/platform/support/HostileFiles.h"
#include "tests/platform/support/PlatTestFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

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

std::string ReadAllBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A write after a refused read would replace the user's whole file with the one new key: the file is
// left byte for byte and the write reports why. Only a missing file starts from empty.
TEST(FileIo, ARefusedIniFileOrHiveIsNeverWrittenOver) {
    PlatTestFolder folder;
    std::string big(kMaxTextFileBytes + 1, 'x');
    for (size_t i = 0; i < big.size(); i += 97) {
        big[i] = static_cast<char>('a' + i % 23);
    }
    struct Case {
        const char* what;
        std::string path;
        std::string reason;
    };
    const std::string fifo = folder.File("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string unreadable = folder.File("unreadable.ini");
    ASSERT_TRUE(WriteFileAtomically(unreadable, "[S]\nK=v\n"));
    ::chmod(unreadable.c_str(), 0200);
    const std::vector<Case> cases = {
        {"too large", folder.File("big.ini"),
         DescribeFileRefusal(FileRefusal::kTooLarge, folder.File("big.ini"))},
        {"FIFO", fifo, DescribeFileRefusal(FileRefusal::kNotARegularFile, fifo)},
        {"unreadable", unreadable, DescribeFileRefusal(FileRefusal::kCannotOpen, unreadable)},
    };
    {
        std::ofstream out(cases[0].path, std::ios::binary);
        out << big;
    }
    const bool root = ::geteuid() == 0; // root reads the unreadable file anyway
    for (const Case& c : cases) {
        if (root && c.path == unreadable) {
            continue;
        }
        SCOPED_TRACE(c.what);
        const bool regular = c.path != fifo;
        const std::string before = regular ? ReadAllBytes(c.path) : std::string();
        DebugOutputCapture capture;
        std::string failure;
        EXPECT_FALSE(WritePrivateProfileString("Section", "Key", "value", c.path, &failure));
        EXPECT_EQ(failure, c.reason);

        SettingsStore store;
        store.SetLocations(folder.File("machine.settings"), c.path);
        SettingsKey key;
        EXPECT_EQ(store.CreateKey(SettingsRoot::CurrentUser, "Software\\Orvilant", key),
                  SettingsStatus::kIoFailed);
        EXPECT_EQ(capture.Texts().back(), "Settings file not written: " + c.reason);
        if (regular) {
            EXPECT_TRUE(ReadAllBytes(c.path) == before) << "the file changed";
        } else {
            struct stat status {};
            ASSERT_EQ(::lstat(c.path.c_str(), &status), 0);
            EXPECT_TRUE(S_ISFIFO(status.st_mode));
        }
    }
    // A missing file is started from empty.
    const std::string fresh = folder.File("fresh.ini");
    EXPECT_TRUE(WritePrivateProfileString("Section", "Key", "value", fresh));
    EXPECT_EQ(ReadWholeFile(fresh), "[Section]\nKey=value\n");
    SettingsStore store;
    store.SetLocations(folder.File("machine.settings"), folder.File("fresh.settings"));
    SettingsKey key;
    EXPECT_EQ(store.CreateKey(SettingsRoot::CurrentUser, "Software", key), SettingsStatus::kSuccess);
    EXPECT_NE(ReadWholeFile(folder.File("fresh.settings")), std::nullopt);
}

} // namespace
} // namespace orv
