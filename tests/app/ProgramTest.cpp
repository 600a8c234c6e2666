// The real program, started the way a user starts it, on an X server of its own (Xvfb) and in a
// network namespace of its own, so that nothing it does can leave loopback. It must reach its
// event loop and end with exit code 0 when its window is closed; a second start then succeeds.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Available(const char* command) {
    return std::system((std::string("command -v ") + command + " >/dev/null 2>&1").c_str()) == 0;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Available("Xvfb")) {
            GTEST_SKIP() << "Xvfb is needed (scripts/deps.sh installs it)";
        }
        if (std::system("unshare -n true >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "unshare -n (a network namespace of the test's own) was refused";
        }
        m_root = fs::temp_directory_path() / ("orv-program-" + std::to_string(::getpid()));
        fs::remove_all(m_root);
        for (const char* sub : {"data", "config/QZV Technologies/Orvilant", "run", "tmp", "repository"}) {
            fs::create_directories(m_root / sub);
        }
        fs::permissions(m_root / "run", fs::perms::owner_all, fs::perm_options::replace);
        fs::copy_file(fs::path(ORV_SOURCE_DIR) / "resources/machine.settings", m_root / "machine.settings");
        std::ofstream(m_root / "user.settings")
            << "[Software\\QZV Technologies\\Stavren\\Repositories]\n"
            << "\"LastRepository\"=sz:\"" << (m_root / "repository").string() << "\"\n";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    // Starts the program with "-NoSA", waits for its window, closes it and answers its exit code.
    // With `second`, a second copy is started while the first runs; its box is closed and its exit
    // code written as "second=".
    int StartAndClose(bool second = false) {
        const fs::path script = m_root / "run.sh";
        std::ofstream(script) << "set -u\n"
                              << "export XDG_DATA_HOME='" << (m_root / "data").string() << "'\n"
                              << "export XDG_CONFIG_HOME='" << (m_root / "config").string() << "'\n"
                              << "export XDG_RUNTIME_DIR='" << (m_root / "run").string() << "'\n"
                              << "export TMPDIR='" << (m_root / "tmp").string() << "'\n"
                              << "export ORV_MACHINE_SETTINGS='" << (m_root / "machine.settings").string()
                              << "'\n"
                              << "export ORV_USER_SETTINGS='" << (m_root / "user.settings").string() << "'\n"
                              << "export ORV_VISA_LIBRARIES='' ORV_VISA_RESOURCES=''\n"
                              << "export QT_QPA_PLATFORM=xcb\n"
                              << "unshare -n sh -c 'ip link set lo up 2>/dev/null; exec \"$0\" -NoSA' '"
                              << ORV_PROGRAM_PATH << "' > '" << (m_root / "program.out").string()
                              << "' 2>&1 &\n"
                              << "program=$!\n";
        if (second) {
            std::ofstream(script, std::ios::app)
                << "'" << ORV_WINDOW_CLOSE_PATH << "' Orvilant 30 $program find\n"
                << "cp '" << (m_root / "data/QZV Technologies/Orvilant/log.txt").string() << "' '"
                << (m_root / "log-before.txt").string() << "'\n"
                << "unshare -n sh -c 'exec \"$0\" -NoSA' '" << ORV_PROGRAM_PATH << "' > '"
                << (m_root / "second.out").string() << "' 2>&1 &\n"
                << "copy=$!\n"
                << "'" << ORV_WINDOW_CLOSE_PATH << "' - 30 $copy\n"
                << "wait $copy\n"
                << "echo \"second=$?\" > '" << (m_root / "second").string() << "'\n"
                << "cp '" << (m_root / "data/QZV Technologies/Orvilant/log.txt").string() << "' '"
                << (m_root / "log-after.txt").string() << "'\n";
        }
        // While the program still detects the scanner and the engine at start (slow under load), it
        // refuses the close with its "scan in progress" warning, as it does during a scan: like a user,
        // the script closes that box and closes the window again. A program still running a minute
        // after a close it took hangs in its shutdown: its threads' stacks are kept for the failure
        // message before it is killed.
        const std::string result = (m_root / "result").string();
        std::ofstream(script, std::ios::app)
            << "sent=1\n"
            << "for attempt in 1 2 3 4 5 6 7 8 9 10 11 12; do\n"
            << "  '" << ORV_WINDOW_CLOSE_PATH << "' Orvilant 30 $program || break\n"
            << "  sent=0\n"
            << "  timeout 5 tail --pid=$program -f /dev/null && break\n"
            << "  '" << ORV_WINDOW_CLOSE_PATH << "' Warning 5 $program\n"
            << "done\n"
            << "echo \"sender=$sent after $attempt attempts at $(date +%s)\" > '" << result << "'\n"
            << "if ! timeout 60 tail --pid=$program -f /dev/null; then\n"
            << "  echo \"still running at $(date +%s)\" >> '" << result << "'\n"
            << "  gdb -batch -p $program -ex 'thread apply all bt' > '" << (m_root / "stacks").string()
            << "' 2>&1\n"
            << "  kill -9 $program\n"
            << "fi\n"
            << "wait $program\n"
            << "echo \"exit=$?\" >> '" << result << "'\n";
        fs::remove(m_root / "result");
        fs::remove(m_root / "stacks");
        const std::string command = std::string("timeout 240 bash '") + ORV_X_SERVER_RUNNER + "' sh '" +
                                    script.string() + "' >/dev/null 2>&1";
        const auto started = std::chrono::steady_clock::now();
        std::system(command.c_str());
        const std::string said = ReadFile(m_root / "result");
        const std::string context = said + "the run took " +
                                    std::to_string(std::chrono::duration_cast<std::chrono::seconds>(
                                                       std::chrono::steady_clock::now() - started)
                                                       .count()) +
                                    " s\n--- program output\n" + ReadFile(m_root / "program.out") +
                                    "--- stacks\n" + ReadFile(m_root / "stacks");
        std::cout << said;
        EXPECT_NE(said.find("sender=0"), std::string::npos) << context;
        EXPECT_EQ(said.find("still running"), std::string::npos) << context;
        const size_t at = said.find("exit=");
        return at == std::string::npos ? -1 : std::atoi(said.c_str() + at + 5);
    }

    fs::path m_root;
};

TEST_F(ProgramTest, ReachesItsEventLoopEndsWithZeroWhenClosedAndStartsAgain) {
    EXPECT_EQ(StartAndClose(true), 0);
    // The second copy showed its box and ended with 1; the first ran on, its log not rotated.
    EXPECT_EQ(ReadFile(m_root / "second"), "second=1\n");
    const std::string before = ReadFile(m_root / "log-before.txt");
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(ReadFile(m_root / "log-after.txt").substr(0, before.size()), before);
    EXPECT_FALSE(fs::exists(m_root / "data/QZV Technologies/Orvilant/log_old.txt"));
    const std::string log = ReadFile(m_root / "data/QZV Technologies/Orvilant/log.txt");
    EXPECT_NE(log.find("--- Orvilant version:  5.1.2.0"), std::string::npos) << log;
    for (const char* line :
         {"MB total of paging file", "MB free of paging file", "MB total of virtual memory",
          "MB free of virtual memory", "MB free of extended memory"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
    // The lock was let go: the next start runs and ends in the same way.
    EXPECT_EQ(StartAndClose(), 0);
    EXPECT_NE(ReadFile(m_root / "data/QZV Technologies/Orvilant/log_old.txt").find("Orvilant version"),
              std::string::npos);
}

} // namespace
