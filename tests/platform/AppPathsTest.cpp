#include "platform/fs/AppPaths.h"

#include "tests/platform/support/PlatTestFolder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orv {
namespace {

using test::PlatTestFolder;

TEST(AppPaths, ExecutableFolderIsTheTestProgramsFolder) {
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(GetExecutableFolder(), exe.parent_path().string());
    SetExecutableFolderOverride("/opt/orvilant/");
    EXPECT_EQ(GetExecutableFolder(), "/opt/orvilant");
    SetExecutableFolderOverride("");
    EXPECT_EQ(GetExecutableFolder(), exe.parent_path().string());
}

TEST(AppPaths, UserDataFolderFollowsXdgDataHome) {
    ::setenv("XDG_DATA_HOME", "/data/home/", 1);
    EXPECT_EQ(GetUserDataFolder(), "/data/home/QZV Technologies/Orvilant");
    ::unsetenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    const std::string savedHome = home != nullptr ? home : "";
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(GetUserDataFolder(), "/home/someone/.local/share/QZV Technologies/Orvilant");
    SetUserDataFolderOverride("/elsewhere");
    EXPECT_EQ(GetUserDataFolder(), "/elsewhere");
    SetUserDataFolderOverride("");
    ::setenv("HOME", savedHome.c_str(), 1);
}

TEST(AppPaths, ProcessTempFolderIsPrivateAndPerProcess) {
    PlatTestFolder folder;
    ::setenv("TMPDIR", folder.Path().c_str(), 1);
    const std::string expected =
        folder.Path() + "/orvilant-" + std::to_string(::getuid()) + "/" + std::to_string(::getpid());
    EXPECT_EQ(GetProcessTempFolder(), expected);
    ASSERT_TRUE(EnsureProcessTempFolder());
    struct stat info {};
    ASSERT_EQ(::stat(expected.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700U);
    // A per-user folder that is a link (planted by someone else) is refused.
    std::filesystem::remove_all(folder.Path() + "/orvilant-" + std::to_string(::getuid()));
    std::filesystem::create_directory(folder.File("elsewhere"));
    std::filesystem::create_directory_symlink(folder.File("elsewhere"),
                                              folder.Path() + "/orvilant-" + std::to_string(::getuid()));
    EXPECT_FALSE(EnsureProcessTempFolder());
    ::unsetenv("TMPDIR");
}

TEST(AppPaths, TempFolderGoesAtShutdownAndStaleOnesOfDeadProcessesAtTheNextStart) {
    PlatTestFolder folder;
    ::setenv("TMPDIR", folder.Path().c_str(), 1);
    const std::string perUser = folder.Path() + "/orvilant-" + std::to_string(::getuid());
    ASSERT_TRUE(EnsureProcessTempFolder());
    PlatTestFolder::WriteText(GetProcessTempFolder() + "/stv0001.tmp", "cells");
    ASSERT_TRUE(RemoveProcessTempFolder());
    EXPECT_FALSE(std::filesystem::exists(GetProcessTempFolder()));

    // A run that ends in order leaves no temp folder behind.
    const pid_t run = ::fork();
    ASSERT_GE(run, 0);
    if (run == 0) {
        const bool made = EnsureProcessTempFolder();
        PlatTestFolder::WriteText(GetProcessTempFolder() + "/stv0003.tmp", "cells");
        std::exit(made && std::filesystem::exists(GetProcessTempFolder()) ? 0 : 1);
    }
    int runStatus = 0;
    ASSERT_EQ(::waitpid(run, &runStatus, 0), run);
    ASSERT_TRUE(WIFEXITED(runStatus));
    EXPECT_EQ(WEXITSTATUS(runStatus), 0);
    EXPECT_FALSE(std::filesystem::exists(perUser + "/" + std::to_string(run)));

    // A process that has ended, one that runs (the test's parent) and a name that is no process id.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const std::string dead = perUser + "/" + std::to_string(child);
    const std::string live = perUser + "/" + std::to_string(::getppid());
    const std::string other = perUser + "/not-a-process";
    for (const std::string& stale : {dead, live, other}) {
        std::filesystem::create_directories(stale);
        PlatTestFolder::WriteText(stale + "/stv0002.tmp", "cells");
    }
    RemoveStaleProcessTempFolders();
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_TRUE(std::filesystem::exists(live + "/stv0002.tmp"));
    EXPECT_TRUE(std::filesystem::exists(other + "/stv0002.tmp"));
    ::unsetenv("TMPDIR");
}

TEST(AppPaths, UniqueTempFilesAreNewEmptyFilesWithThePrefix) {
    PlatTestFolder folder;
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        const std::optional<std::string> path = CreateUniqueTempFile(folder.Path() + "/", "stv");
        ASSERT_TRUE(path);
        const std::string name = std::filesystem::path(*path).filename().string();
        EXPECT_EQ(name.size(), 11U) << name;
        EXPECT_TRUE(name.starts_with("stv") && name.ends_with(".tmp")) << name;
        EXPECT_EQ(std::filesystem::file_size(*path), 0U);
        EXPECT_TRUE(names.insert(name).second);
    }
    EXPECT_EQ(CreateUniqueTempFile(folder.File("missing"), "stv"), std::nullopt);
}

} // namespace
} // namespace orv
