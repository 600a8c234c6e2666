#include "tests/engine/support/DobotSimulatorProcess.h"

#include "platform/serial/SerialPortSearch.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orv::test {

namespace {

constexpr std::chrono::seconds kAnswerTimeout(10);

} // namespace

DobotSimulatorProcess::DobotSimulatorProcess() {
    SetSystemSerialPortSearchEnabled(false);
    int input[2] = {-1, -1};
    int output[2] = {-1, -1};
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0) {
        throw std::runtime_error("no pipes for the simulator");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    const std::string program = ORV_DOBOT_SIMULATOR_PATH;
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    const int spawned = ::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);
    m_toSimulator = input[1];
    m_fromSimulator = output[0];
    if (spawned != 0) {
        m_pid = -1;
        throw std::runtime_error("the simulator did not start");
    }
    std::string first;
    try {
        first = ReadLine(kAnswerTimeout);
    } catch (const std::runtime_error&) {
        first.clear();
    }
    if (first.rfind("PTY ", 0) != 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
        ::close(m_toSimulator);
        ::close(m_fromSimulator);
        m_toSimulator = -1;
        m_fromSimulator = -1;
        throw std::runtime_error("the simulator gave no terminal: " + first);
    }
    m_portName = first.substr(4);
}

DobotSimulatorProcess::~DobotSimulatorProcess() {
    if (m_toSimulator >= 0) {
        const char quit[] = "quit\n";
        [[maybe_unused]] const ssize_t sent = ::write(m_toSimulator, quit, sizeof quit - 1);
        ::close(m_toSimulator);
    }
    if (m_pid > 0) {
        // A bounded wait for it to end; a simulator that hangs is ended by its own id.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int status = 0;
        while (::waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
                break;
            }
            pollfd none{-1, 0, 0};
            ::poll(&none, 0, 2);
        }
    }
    if (m_fromSimulator >= 0) {
        ::close(m_fromSimulator);
    }
}

std::string DobotSimulatorProcess::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const std::size_t end = m_pending.find('\n');
        if (end != std::string::npos) {
            std::string line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            throw std::runtime_error("the simulator did not answer");
        }
        pollfd wait{m_fromSimulator, POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char block[4096];
        const ssize_t got = ::read(m_fromSimulator, block, sizeof block);
        if (got == 0) {
            throw std::runtime_error("the simulator ended");
        }
        if (got > 0) {
            m_pending.append(block, static_cast<std::size_t>(got));
        }
    }
}

std::vector<std::string> DobotSimulatorProcess::Control(const std::string& line) {
    const std::string sent = line + "\n";
    if (::write(m_toSimulator, sent.data(), sent.size()) != static_cast<ssize_t>(sent.size())) {
        throw std::runtime_error("the simulator took no command");
    }
    std::vector<std::string> lines;
    for (std::string answer = ReadLine(kAnswerTimeout); answer != "ok"; answer = ReadLine(kAnswerTimeout)) {
        lines.push_back(answer);
    }
    return lines;
}

std::vector<std::vector<uint8_t>> DobotSimulatorProcess::Packets() {
    std::vector<std::vector<uint8_t>> packets;
    for (const std::string& line : Control("packets")) {
        std::vector<uint8_t> bytes;
        for (std::size_t i = 2; i + 1 < line.size(); i += 2) {
            bytes.push_back(static_cast<uint8_t>(std::stoul(line.substr(i, 2), nullptr, 16)));
        }
        packets.push_back(std::move(bytes));
    }
    return packets;
}

std::size_t DobotSimulatorProcess::Junk() {
    const std::vector<std::string> lines = Control("junk");
    return lines.empty() ? 0 : std::stoul(lines.front().substr(5));
}

} // namespace orv::test
