#include "protocol/pipe/CNamedPipeListenerManager.h"

#include "platform/fs/AppPaths.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
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

// Run-time folders another user could reach or plant into: none is used (nor changed), the pipe goes
// to the program's own per-user folder.
TEST_F(PipePath, ARuntimeFolderOpenToOthersOrNotThisUsersIsPassedOver) {
    const std::string perUser = m_folder + "/orvilant-" + std::to_string(getuid());
    SetProcessTempFolderOverride(perUser + "/" + std::to_string(getpid()));
    const std::string runtime = m_folder + "/run";
    struct Case {
        const char* what;
        mode_t mode;
        bool otherOwner;
        bool link;
    };
    const Case cases[] = {{"shared, sticky", 01777, false, false},
                          {"group may enter", 0710, false, false},
                          {"others may read", 0704, false, false},
                          {"another user's", 0700, true, false},
                          {"a link to a private folder", 0700, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(std::system(("rm -rf '" + runtime + "' '" + runtime + "-target'").c_str()), 0);
        const std::string made = c.link ? runtime + "-target" : runtime;
        ASSERT_EQ(mkdir(made.c_str(), 0700), 0);
        ASSERT_EQ(chmod(made.c_str(), c.mode), 0);
        if (c.link) {
            ASSERT_EQ(symlink(made.c_str(), runtime.c_str()), 0);
        }
        if (c.otherOwner) {
            if (getuid() != 0) {
                continue;
            }
            ASSERT_EQ(chown(made.c_str(), 65534, 65534), 0);
        }
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        EXPECT_EQ(GetHandHeldProbePipePath(), perUser + "/Halvion_Pipe_Handheld");
        EXPECT_EQ(GetUserRuntimeFolder().rfind(m_folder, 0), std::string::npos)
            << "the lock's folder passes it over too";
        struct stat info {};
        ASSERT_EQ(lstat(made.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, c.mode) << "never changed";
        ASSERT_EQ(lstat(perUser.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0700U);
    }
}

TEST_F(PipePath, TheProgramsOwnFolderLeftOpenIsClosedTo0700) {
    unsetenv("XDG_RUNTIME_DIR");
    const std::string perUser = m_folder + "/orvilant-" + std::to_string(getuid());
    ASSERT_EQ(mkdir(perUser.c_str(), 0700), 0);
    ASSERT_EQ(chmod(perUser.c_str(), 0777), 0);
    SetProcessTempFolderOverride(perUser + "/" + std::to_string(getpid()));
    EXPECT_EQ(GetHandHeldProbePipePath(), perUser + "/Halvion_Pipe_Handheld");
    struct stat info {};
    ASSERT_EQ(lstat(perUser.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700U);
}

// Whether another user (uid 65534) can connect to the socket at `path`: a child that drops to that
// user tries.
bool AnotherUserConnects(const std::string& path) {
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) {
            _exit(2);
        }
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        _exit(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 2) << "the child could not become another user";
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(PipePath, UnderASharedRuntimeFolderTheSocketIsThisUsersAloneInTheOwnFolder) {
    if (getuid() != 0) {
        GTEST_SKIP() << "another user is needed";
    }
    const std::string shared = m_folder + "/shared";
    ASSERT_EQ(mkdir(shared.c_str(), 0700), 0);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    ASSERT_EQ(chmod(m_folder.c_str(), 0755), 0);
    setenv("XDG_RUNTIME_DIR", shared.c_str(), 1);
    const mode_t umask0 = umask(0);
    const std::string perUser = m_folder + "/orvilant-" + std::to_string(getuid());
    SetProcessTempFolderOverride(perUser + "/" + std::to_string(getpid()));
    {
        CNamedPipeListenerManager manager(nullptr);
        ASSERT_TRUE(manager.Start());
        ASSERT_EQ(manager.WaitUntilSettled(std::chrono::seconds(10)),
                  CNamedPipeListenerManager::State::Listening);
        const std::string socketPath = perUser + "/Halvion_Pipe_Handheld";
        struct stat info {};
        ASSERT_EQ(lstat(socketPath.c_str(), &info), 0);
        EXPECT_TRUE(S_ISSOCK(info.st_mode));
        EXPECT_EQ(info.st_mode & 07777, 0600U) << "whatever the umask";
        EXPECT_NE(lstat((shared + "/Halvion_Pipe_Handheld").c_str(), &info), 0);
        EXPECT_FALSE(AnotherUserConnects(socketPath));

        // The check itself: the same socket in a folder open to all would let the other user in.
        ASSERT_EQ(chmod(perUser.c_str(), 0777), 0);
        ASSERT_EQ(chmod(socketPath.c_str(), 0777), 0);
        EXPECT_TRUE(AnotherUserConnects(socketPath));
    }
    umask(umask0);
}

} // namespace
} // namespace orv
