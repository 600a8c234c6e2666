// The screen's bytes per pixel as the spatial view reads them, on real X screens of depth 16 and 24:
// a virtual X server (Xvfb) of that depth is started for each, and this program runs itself on it
// (the probe test below) and answers the view's value as its exit code.

#include "tests/app/support/QtTestApplication.h"
#include "views/spatial/CSpatialView.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace orv::test {
namespace {

constexpr const char* kXvfb = "/usr/bin/Xvfb";
constexpr const char* kProbeVariable = "ORV_SCREEN_DEPTH_PROBE";

// An Xvfb of one depth for the life of the object; its display once it is ready.
class VirtualScreen {
public:
    explicit VirtualScreen(int depth) {
        int fds[2] = {-1, -1};
        if (::pipe(fds) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            const std::string screen = "320x240x" + std::to_string(depth);
            ::execl(kXvfb, "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
                    "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        // The server writes its display number once it accepts clients.
        std::string number;
        pollfd ready{fds[0], POLLIN, 0};
        while (number.find('\n') == std::string::npos && ::poll(&ready, 1, 20000) > 0) {
            char buffer[16];
            const ssize_t got = ::read(fds[0], buffer, sizeof(buffer));
            if (got <= 0) {
                break;
            }
            number.append(buffer, static_cast<size_t>(got));
        }
        ::close(fds[0]);
        if (number.find('\n') != std::string::npos) {
            m_display = ":" + number.substr(0, number.find('\n'));
        }
    }
    ~VirtualScreen() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
    }
    VirtualScreen(const VirtualScreen&) = delete;
    VirtualScreen& operator=(const VirtualScreen&) = delete;

    const std::string& Display() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

// Runs the probe in a copy of this program on the display; its exit code.
int RunProbe(const std::string& display) {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        if (variable.rfind("DISPLAY=", 0) != 0 && variable.rfind("QT_QPA_PLATFORM=", 0) != 0) {
            variables.push_back(variable);
        }
    }
    variables.push_back("DISPLAY=" + display);
    variables.push_back("QT_QPA_PLATFORM=xcb");
    variables.push_back(std::string(kProbeVariable) + "=1");
    std::vector<char*> envp;
    for (std::string& variable : variables) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe";
    std::string filter = "--gtest_filter=SpatialScreenDepthProbe.*";
    char* argv[] = {self.data(), filter.data(), nullptr};
    pid_t child = -1;
    if (::posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv, envp.data()) != 0) {
        return -1;
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

TEST(SpatialScreenDepth, BytesPerPixelFollowTheScreensDepth) {
    if (::access(kXvfb, X_OK) != 0) {
        GTEST_SKIP() << "no virtual X server";
    }
    for (const auto& [depth, bytes] : {std::pair{16, 2}, std::pair{24, 4}}) {
        SCOPED_TRACE(depth);
        VirtualScreen screen(depth);
        ASSERT_FALSE(screen.Display().empty());
        EXPECT_EQ(RunProbe(screen.Display()), bytes);
    }
}

// Runs only inside the copy started above.
TEST(SpatialScreenDepthProbe, AnswersTheViewsBytesPerPixel) {
    if (std::getenv(kProbeVariable) == nullptr) {
        GTEST_SKIP() << "run by SpatialScreenDepth only";
    }
    orv::testing::EnsureTestApplication();
    MessageThread thread;
    int bytes = 0;
    {
        CSpatialView view(thread);
        bytes = view.GetBytesPerPixel();
    }
    std::_Exit(bytes);
}

} // namespace
} // namespace orv::test
