#include "protocol/pipe/CNamedPipeListenerManager.h"

#include "platform/fs/AppPaths.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {
namespace {

class PipePath : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
            m_runtime = runtime;
        }
        char folder[] = "/tmp/orv-pipepath-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_folder = folder;
    }
    void TearDown() override {
        if (m_runtime) {
            setenv("XDG_RUNTIME_DIR", m_runtime->c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
        SetProcessTempFolderOverride({});
        const std::string command = "rm -rf '" + m_folder + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }
    std::optional<std::string> m_runtime;
    std::string m_folder;
};

TEST_F(PipePath, TheRuntimeFolderComesFirst) {
    setenv("XDG_RUNTIME_DIR", m_folder.c_str(), 1);
    EXPECT_EQ(GetHandHeldProbePipePath(), m_folder + "/Halvion_Pipe_Handheld");
}

TEST_F(PipePath, ElseThePerUserTempFolderIsMadePrivateAndMustBeThisUsersOwn) {
    unsetenv("XDG_RUNTIME_DIR");
    const std::string perUser = m_folder + "/orvilant-" + std::to_string(getuid());
    SetProcessTempFolderOverride(perUser + "/" + std::to_string(getpid()));
    EXPECT_EQ(GetHandHeldProbePipePath(), perUser + "/Halvion_Pipe_Handheld");
    struct stat info {};
    ASSERT_EQ(lstat(perUser.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A link planted at the per-user name is refused.
    const std::string planted = m_folder + "/planted";
    ASSERT_EQ(mkdir((m_folder + "/elsewhere").c_str(), 0700), 0);
    ASSERT_EQ(symlink((m_folder + "/elsewhere").c_str(), planted.c_str()), 0);
    SetProcessTempFolderOverride(planted + "/1");
    EXPECT_EQ(GetHandHeldProbePipePath(), "");
}

} // namespace
} // namespace orv
