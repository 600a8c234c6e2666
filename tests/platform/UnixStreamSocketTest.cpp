#include "platform/net/UnixStreamSocket.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {
namespace {

class UnixSockets : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/orv-unix-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_folder = folder;
    }
    void TearDown() override {
        const std::string command = "rm -rf '" + m_folder + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }
    std::string m_folder;
};

TEST_F(UnixSockets, WritingToAGonePeerAnswersAnErrorInsteadOfASignal) {
    // The default disposition would end the process on a write to a closed socket.
    const auto previous = std::signal(SIGPIPE, SIG_DFL);
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    UnixStreamSocket ours(pair[0]);
    close(pair[1]);
    const char byte = 'x';
    EXPECT_EQ(ours.WriteSome(&byte, 1), -1);
    EXPECT_EQ(errno, EPIPE);
    char buffer[4];
    EXPECT_TRUE(ours.WaitReadable(1000));
    EXPECT_EQ(ours.ReadSome(buffer, sizeof buffer), 0);
    std::signal(SIGPIPE, previous);
}

TEST_F(UnixSockets, ListeningReplacesALeftoverSocketOnlyAndRemovesItsOwnAtClose) {
    const std::string path = m_folder + "/probe";
    std::string error;
    {
        UnixListeningSocket first;
        ASSERT_EQ(first.Listen(path, error), UnixListeningSocket::Status::Listening);
        UnixStreamSocket client = UnixStreamSocket::Connect(path);
        ASSERT_TRUE(client.IsValid());
        ASSERT_TRUE(first.WaitForConnection(5000));
        EXPECT_TRUE(first.Accept().IsValid());
        EXPECT_FALSE(first.Accept().IsValid()); // nobody else waiting: no blocking
        // A second listener takes the name over; the first must then leave the new socket alone.
        UnixListeningSocket second;
        ASSERT_EQ(second.Listen(path, error), UnixListeningSocket::Status::Listening);
        first.Close();
        EXPECT_TRUE(UnixStreamSocket::Connect(path).IsValid());
    }
    struct stat info {};
    EXPECT_NE(lstat(path.c_str(), &info), 0);

    // The socket is the owner's alone, also under a umask that would give it to everyone.
    {
        const mode_t previous = umask(0);
        UnixListeningSocket open;
        const UnixListeningSocket::Status status = open.Listen(path, error);
        umask(previous);
        ASSERT_EQ(status, UnixListeningSocket::Status::Listening);
        ASSERT_EQ(lstat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0600U);
    }

    const std::string file = m_folder + "/file";
    { std::ofstream(file) << "data"; }
    const std::string link = m_folder + "/link";
    ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
    const std::string folder = m_folder + "/folder";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    for (const std::string& taken : {file, link, folder}) {
        UnixListeningSocket listening;
        EXPECT_EQ(listening.Listen(taken, error), UnixListeningSocket::Status::NameTaken) << taken;
        EXPECT_EQ(lstat(taken.c_str(), &info), 0) << taken;
    }
    UnixListeningSocket tooLong;
    EXPECT_EQ(
        tooLong.Listen(m_folder + "/" + std::string(UnixListeningSocket::MaximumPathLength(), 'n'), error),
        UnixListeningSocket::Status::PathTooLong);
    EXPECT_FALSE(UnixStreamSocket::Connect(m_folder + "/nobody").IsValid());
}

} // namespace
} // namespace orv
